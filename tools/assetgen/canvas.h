// Drawing surfaces of the asset generator: cairo canvases, colours, shapes, text, and the PNG and TGA writers.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

// One image being drawn: a premultiplied ARGB32 cairo surface and its context.
struct Canvas {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    int width = 0;   // pixels
    int height = 0;  // pixels
};

// A colour with straight (not premultiplied) components 0..1.
struct Rgba {
    double r = 0.0, g = 0.0, b = 0.0, a = 1.0;
};

// Colour from 0xRRGGBB and an alpha 0..1.
Rgba Hex(uint32_t rgb, double alpha = 1.0);
// Mix of two colours: t = 0 gives a, t = 1 gives b.
Rgba Mix(const Rgba& a, const Rgba& b, double t);
Rgba Lighter(const Rgba& c, double t);  // towards white
Rgba Darker(const Rgba& c, double t);   // towards black
Rgba WithAlpha(const Rgba& c, double alpha);

// A fixed-seed generator so that every run draws the same "random" decoration.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    double Uniform();                      // 0 <= x < 1
    double Range(double lo, double hi);    // lo <= x < hi
};

// Where every file goes; set once by main.
void SetOutputFolder(const std::string& folder);
const std::string& OutputFolder();
// Number of files written and of failures so far.
int FilesWritten();
int FilesFailed();

Canvas NewCanvas(int width, int height);
void FreeCanvas(Canvas& canvas);
// Writes the canvas under the output folder; the extension of the relative name (".png" or ".tga")
// picks the format. Folders are created. Frees nothing.
bool SaveImage(Canvas& canvas, const std::string& relativeName);
// Saves and frees in one go.
bool SaveAndFree(Canvas& canvas, const std::string& relativeName);

// Shapes and paints.
void SetColour(cairo_t* cr, const Rgba& c);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
void StarPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double turn);
void PolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides, double turn);
// Vertical linear gradient from top colour at y0 to bottom colour at y1, set as the source.
void SetVerticalGradient(cairo_t* cr, double y0, const Rgba& top, double y1, const Rgba& bottom);
// Radial gradient centred on (cx, cy): inner colour at the centre fading to outer at radius.
void SetRadialGradient(cairo_t* cr, double cx, double cy, double radius, const Rgba& inner, const Rgba& outer);
// A soft round glow: colour at the centre, fading to nothing at radius.
void SoftDot(cairo_t* cr, double cx, double cy, double radius, const Rgba& colour);

// Text, drawn with DejaVu Sans. Sizes are cairo font sizes in pixels.
struct TextStyle {
    double size = 12.0;
    bool bold = true;
    Rgba fill = Hex(0xFFFFFF);
    Rgba outline = Hex(0x000000, 0.0);  // alpha 0: no outline
    double outlineWidth = 0.0;
    Rgba shadow = Hex(0x000000, 0.0);   // alpha 0: no shadow
    double shadowDx = 0.0, shadowDy = 1.0;
    double spacing = 0.0;               // extra pixels between letters
    bool condensed = false;             // DejaVu Sans Condensed
    bool hinted = false;                // fit glyphs to the pixel grid (small sizes); the origin is rounded
};
// Width of a UTF-8 text in pixels with the style's font and spacing.
double TextWidth(cairo_t* cr, const std::string& text, const TextStyle& style);
// Draws text centred horizontally on cx with its cap height centred on cy.
void DrawTextCentred(cairo_t* cr, const std::string& text, double cx, double cy, const TextStyle& style);
// Builds the outline path of centred text (for gradient fills); same placement as DrawTextCentred.
void TextPathCentred(cairo_t* cr, const std::string& text, double cx, double cy, const TextStyle& style);

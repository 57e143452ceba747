// The desktop menu icons of the three games, in the hicolor theme's sizes and as scalable SVG.
#include <cairo-svg.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "style.h"

namespace {

constexpr int kIconSizes[] = {48, 64, 128, 256};
constexpr double kDesignSize = 64.0;  // every icon is drawn on a 64-unit square and scaled

struct MenuIcon {
    const char* id;       // desktop file id, also the icon's name
    uint32_t top, bottom; // the tile's gradient
    void (*motif)(cairo_t* cr);
};

void DrawTile(cairo_t* cr, const MenuIcon& icon) {
    RoundedRect(cr, 2, 3, 60, 60, 14);
    SetColour(cr, Hex(0x000000, 0.3));
    cairo_fill(cr);
    RoundedRect(cr, 2, 2, 60, 60, 14);
    SetVerticalGradient(cr, 2, Hex(icon.top), 62, Hex(icon.bottom));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xC8D6FF, 0.8));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

void DrawGloss(cairo_t* cr) {
    RoundedRect(cr, 3.5, 3.5, 57, 28, 12);
    SetVerticalGradient(cr, 3, Hex(0xFFFFFF, 0.25), 31, Hex(0xFFFFFF, 0.0));
    cairo_fill(cr);
}

// Shapes: two pieces, one block of each about to swap colours along a curved arrow.
void ShapesMotif(cairo_t* cr) {
    DrawSpring(cr, 17, 20, 17, 40, 4, Hex(0xDCE6FF));
    DrawSpring(cr, 47, 24, 47, 44, 4, Hex(0xDCE6FF));
    DrawFullBlock(cr, 0, 17, 20, 9);
    DrawFullBlock(cr, 0, 17, 40, 9);
    DrawFullBlock(cr, 3, 47, 24, 9);
    DrawFullBlock(cr, 3, 47, 44, 9);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, Hex(0xFFFFFF, 0.95));
    cairo_move_to(cr, 26, 50);
    cairo_curve_to(cr, 30, 58, 36, 58, 40, 51);
    cairo_stroke(cr);
    cairo_move_to(cr, 36, 50);
    cairo_line_to(cr, 40.5, 50.5);
    cairo_line_to(cr, 41, 55);
    cairo_stroke(cr);
}

// Chains: blocks of one colour linked into a chain across the tile.
void ChainsMotif(cairo_t* cr) {
    const double x[4] = {14, 26, 38, 50}, y[4] = {44, 32, 40, 24};
    for (int i = 0; i < 3; ++i) DrawSpring(cr, x[i], y[i], x[i + 1], y[i + 1], 4, Hex(0xFFF2B0));
    for (int i = 0; i < 4; ++i) DrawFullBlock(cr, 1, x[i], y[i], 7.5);
}

// Cubes: three touching blocks of one colour and one frozen grey block.
void CubesMotif(cairo_t* cr) {
    DrawFullBlock(cr, 2, 21, 21, 10);
    DrawFullBlock(cr, 2, 43, 21, 10);
    DrawFullBlock(cr, 2, 21, 43, 10);
    DrawBlockBody(cr, 43, 43, 10, Hex(0xB8C4D0));
    DrawBlockShine(cr, 43, 43, 10);
    SetColour(cr, Hex(0xFFFFFF, 0.8));
    cairo_set_line_width(cr, 1.2);
    cairo_move_to(cr, 37, 37);
    cairo_line_to(cr, 43, 44);
    cairo_line_to(cr, 41, 49);
    cairo_move_to(cr, 43, 44);
    cairo_line_to(cr, 49, 41);
    cairo_stroke(cr);
}

const MenuIcon kIcons[] = {
    {"org.pelorina.Shapes", 0x4E74E6, 0x2B1E78, ShapesMotif},
    {"org.pelorina.Chains", 0x3FA87A, 0x155040, ChainsMotif},
    {"org.pelorina.Cubes", 0x48A8D8, 0x1A3C78, CubesMotif},
};

void DrawMenuIcon(cairo_t* cr, const MenuIcon& icon) {
    DrawTile(cr, icon);
    icon.motif(cr);
    DrawGloss(cr);
}

bool SaveScalable(const MenuIcon& icon) {
    std::string folder = OutputFolder() + "/hicolor/scalable/apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::string file = folder + "/" + icon.id + ".svg";
    cairo_surface_t* surface = cairo_svg_surface_create(file.c_str(), kDesignSize, kDesignSize);
    cairo_t* cr = cairo_create(surface);
    DrawMenuIcon(cr, icon);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!ok) std::fprintf(stderr, "assetgen: cannot write %s\n", file.c_str());
    return ok;
}

}  // namespace

bool GenerateMenuIcons() {
    bool ok = true;
    for (const MenuIcon& icon : kIcons) {
        for (int size : kIconSizes) {
            Canvas c = NewCanvas(size, size);
            cairo_scale(c.cr, size / kDesignSize, size / kDesignSize);
            DrawMenuIcon(c.cr, icon);
            char name[128];
            std::snprintf(name, sizeof name, "hicolor/%dx%d/apps/%s.png", size, size, icon.id);
            ok = SaveAndFree(c, name) && ok;
        }
        ok = SaveScalable(icon) && ok;
    }
    return ok;
}

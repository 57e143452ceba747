// The shared look of the games: block colours and symbols, glossy blocks, panels and labels.
#pragma once

#include "canvas.h"

// Block colours: index c is the colour the rules call c, drawn by image c + 1. The first six are the
// colours of play; the last three are spares.
constexpr int kBlockColourCount = 9;
Rgba BlockColour(int colour);

// Symbol carried by each block colour so that the games can be played without telling colours apart.
enum class Symbol { Circle, Triangle, Square, Diamond, Star, Cross, Heart, Hexagon, Ring };
Symbol BlockSymbol(int colour);
// Path of a symbol centred on (cx, cy), about 2·radius across.
void SymbolPath(cairo_t* cr, Symbol symbol, double cx, double cy, double radius);

// A glossy block body (rounded square) of half size `half` centred on (cx, cy). Lit evenly so that it may
// turn; the light from above is the separate shine.
void DrawBlockBody(cairo_t* cr, double cx, double cy, double half, const Rgba& base);
// The fixed shine over a block: a soft highlight towards the top and a small spark of light.
void DrawBlockShine(cairo_t* cr, double cx, double cy, double half);
// The symbol of a colour as it sits on a block.
void DrawBlockSymbol(cairo_t* cr, int colour, double cx, double cy, double half);
// Body, shine and symbol together (logo, icon, mock-ups).
void DrawFullBlock(cairo_t* cr, int colour, double cx, double cy, double half);

// Interface colours.
Rgba PanelTop();
Rgba PanelBottom();
Rgba PanelBorder();
Rgba SlotColour();
Rgba AccentPink();
Rgba ShadowBlue();  // the blue of the counters' shadow

// A glossy raised panel with a drop shadow.
void DrawPanel(cairo_t* cr, double x, double y, double w, double h, double radius);
// A dark recessed slot with an inner shadow and a light lower edge.
void DrawSlot(cairo_t* cr, double x, double y, double w, double h, double radius);
// Style of the small capital labels of the HUD.
TextStyle LabelStyle(double size);
// A soft spring between two points, as blocks are joined in the games.
void DrawSpring(cairo_t* cr, double x0, double y0, double x1, double y1, double width, const Rgba& colour);
// The frame of a vertical bar (21 by 106 px at the origin): a rim around a slot 7 px wide whose inside,
// x 7..14 and y 2..104, the fill covers.
void DrawBarFrame(cairo_t* cr);

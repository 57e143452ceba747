// The shared look of the games: block colours and symbols, glossy blocks, panels and labels.
#include "style.h"

#include <algorithm>
#include <cmath>

namespace {

const uint32_t kBlockRgb[kBlockColourCount] = {
    0xE8343A,  // red
    0xF6C31B,  // yellow
    0x3DBA3F,  // green
    0x2E66EE,  // blue
    0xA046DA,  // purple
    0x22CFC6,  // turquoise
    0xFF6FB5,  // pink (spare)
    0x8A93AA,  // grey (spare)
    0xE6EAF4,  // white (spare)
};

const Symbol kBlockSymbols[kBlockColourCount] = {
    Symbol::Circle, Symbol::Triangle, Symbol::Square, Symbol::Diamond, Symbol::Star,
    Symbol::Cross,  Symbol::Heart,    Symbol::Hexagon, Symbol::Ring,
};

}  // namespace

Rgba BlockColour(int colour) { return Hex(kBlockRgb[(colour % kBlockColourCount + kBlockColourCount) % kBlockColourCount]); }

Symbol BlockSymbol(int colour) {
    return kBlockSymbols[(colour % kBlockColourCount + kBlockColourCount) % kBlockColourCount];
}

void SymbolPath(cairo_t* cr, Symbol symbol, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    switch (symbol) {
        case Symbol::Circle:
            cairo_arc(cr, cx, cy, r * 0.82, 0, 2 * M_PI);
            break;
        case Symbol::Triangle:
            // Lowered a little so that it looks centred to the eye.
            PolygonPath(cr, cx, cy + r * 0.15, r * 1.05, 3, 0);
            break;
        case Symbol::Square:
            RoundedRect(cr, cx - r * 0.72, cy - r * 0.72, r * 1.44, r * 1.44, r * 0.15);
            break;
        case Symbol::Diamond:
            cairo_move_to(cr, cx, cy - r);
            cairo_line_to(cr, cx + r * 0.85, cy);
            cairo_line_to(cr, cx, cy + r);
            cairo_line_to(cr, cx - r * 0.85, cy);
            cairo_close_path(cr);
            break;
        case Symbol::Star:
            StarPath(cr, cx, cy + r * 0.06, r * 1.05, r * 0.45, 5, 0);
            break;
        case Symbol::Cross: {
            const double a = r * 0.32, b = r * 0.95;
            cairo_move_to(cr, cx - a, cy - b);
            cairo_line_to(cr, cx + a, cy - b);
            cairo_line_to(cr, cx + a, cy - a);
            cairo_line_to(cr, cx + b, cy - a);
            cairo_line_to(cr, cx + b, cy + a);
            cairo_line_to(cr, cx + a, cy + a);
            cairo_line_to(cr, cx + a, cy + b);
            cairo_line_to(cr, cx - a, cy + b);
            cairo_line_to(cr, cx - a, cy + a);
            cairo_line_to(cr, cx - b, cy + a);
            cairo_line_to(cr, cx - b, cy - a);
            cairo_line_to(cr, cx - a, cy - a);
            cairo_close_path(cr);
            break;
        }
        case Symbol::Heart: {
            const double top = cy - r * 0.45;
            cairo_move_to(cr, cx, cy + r * 0.9);
            cairo_curve_to(cr, cx - r * 1.35, cy + r * 0.05, cx - r * 0.8, top - r * 0.75, cx, top);
            cairo_curve_to(cr, cx + r * 0.8, top - r * 0.75, cx + r * 1.35, cy + r * 0.05, cx, cy + r * 0.9);
            cairo_close_path(cr);
            break;
        }
        case Symbol::Hexagon:
            PolygonPath(cr, cx, cy, r * 0.9, 6, M_PI / 6);
            break;
        case Symbol::Ring:
            cairo_arc(cr, cx, cy, r * 0.85, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc_negative(cr, cx, cy, r * 0.45, 2 * M_PI, 0);
            break;
    }
}

void DrawBlockBody(cairo_t* cr, double cx, double cy, double half, const Rgba& base) {
    const double corner = half * 0.48;
    cairo_save(cr);
    RoundedRect(cr, cx - half, cy - half, 2 * half, 2 * half, corner);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, half * 1.45);
    const Rgba in = Lighter(base, 0.18), mid = base, out = Darker(base, 0.38);
    cairo_pattern_add_color_stop_rgb(p, 0.0, in.r, in.g, in.b);
    cairo_pattern_add_color_stop_rgb(p, 0.55, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(p, 1.0, out.r, out.g, out.b);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill_preserve(cr);
    cairo_clip_preserve(cr);

    // Dark outer rim so that blocks of one colour stay apart from each other and from the glass.
    SetColour(cr, WithAlpha(Darker(base, 0.6), 0.95));
    cairo_set_line_width(cr, std::max(1.4, half * 0.16));
    cairo_stroke(cr);

    // Light inner bevel.
    const double inset = half * 0.2;
    RoundedRect(cr, cx - half + inset, cy - half + inset, 2 * (half - inset), 2 * (half - inset), corner * 0.7);
    SetColour(cr, WithAlpha(Lighter(base, 0.55), 0.35));
    cairo_set_line_width(cr, std::max(0.8, half * 0.08));
    cairo_stroke(cr);
    cairo_restore(cr);
}

void DrawBlockShine(cairo_t* cr, double cx, double cy, double half) {
    cairo_save(cr);
    // The highlight stays within the block's inscribed circle, so it fits the body at any turn.
    const double ex = cx - half * 0.05, ey = cy - half * 0.42, rx = half * 0.62, ry = half * 0.3;
    cairo_translate(cr, ex, ey);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_save(cr);
    SetVerticalGradient(cr, ey - ry, Hex(0xFFFFFF, 0.85), ey + ry, Hex(0xFFFFFF, 0.08));
    cairo_fill(cr);
    SoftDot(cr, cx - half * 0.5, cy - half * 0.48, half * 0.28, Hex(0xFFFFFF, 0.9));
    // A faint reflected light at the bottom.
    SoftDot(cr, cx + half * 0.1, cy + half * 0.6, half * 0.45, Hex(0xFFFFFF, 0.16));
    cairo_restore(cr);
}

void DrawBlockSymbol(cairo_t* cr, int colour, double cx, double cy, double half) {
    const Rgba base = BlockColour(colour);
    const double r = half * 0.54;
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    // Dark edge first so that the white mark stands out on light colours as well.
    cairo_new_path(cr);
    SymbolPath(cr, BlockSymbol(colour), cx, cy + half * 0.04, r);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    SetColour(cr, WithAlpha(Darker(base, 0.62), 0.85));
    cairo_set_line_width(cr, std::max(1.6, half * 0.2));
    cairo_stroke_preserve(cr);
    SetColour(cr, Hex(0xFFFFFF, 0.95));
    cairo_fill(cr);
    cairo_restore(cr);
}

void DrawFullBlock(cairo_t* cr, int colour, double cx, double cy, double half) {
    DrawBlockBody(cr, cx, cy, half, BlockColour(colour));
    DrawBlockShine(cr, cx, cy, half);
    DrawBlockSymbol(cr, colour, cx, cy, half);
}

Rgba PanelTop() { return Hex(0x5B7FE6); }
Rgba PanelBottom() { return Hex(0x2C2F8F); }
Rgba PanelBorder() { return Hex(0xB8CCFF); }
Rgba SlotColour() { return Hex(0x0A1034); }
Rgba AccentPink() { return Hex(0xEE84DB); }
Rgba ShadowBlue() { return Hex(0x547BCF); }

void DrawPanel(cairo_t* cr, double x, double y, double w, double h, double radius) {
    cairo_save(cr);
    // Drop shadow, softened by two widths.
    RoundedRect(cr, x - 1, y + 1, w + 2, h + 3, radius + 1);
    SetColour(cr, Hex(0x000000, 0.18));
    cairo_fill(cr);
    RoundedRect(cr, x, y + 2, w, h, radius);
    SetColour(cr, Hex(0x000000, 0.3));
    cairo_fill(cr);

    RoundedRect(cr, x, y, w, h, radius);
    SetVerticalGradient(cr, y, WithAlpha(PanelTop(), 0.94), y + h, WithAlpha(PanelBottom(), 0.94));
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    // Gloss over the upper part.
    RoundedRect(cr, x + 1.5, y + 1.5, w - 3, std::min(h * 0.45, 26.0), radius - 1);
    SetVerticalGradient(cr, y, Hex(0xFFFFFF, 0.32), y + std::min(h * 0.45, 26.0), Hex(0xFFFFFF, 0.03));
    cairo_fill(cr);
    cairo_reset_clip(cr);

    RoundedRect(cr, x + 0.75, y + 0.75, w - 1.5, h - 1.5, radius - 0.5);
    SetVerticalGradient(cr, y, WithAlpha(PanelBorder(), 0.95), y + h, WithAlpha(PanelBorder(), 0.45));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void DrawSlot(cairo_t* cr, double x, double y, double w, double h, double radius) {
    cairo_save(cr);
    // Light lower lip, seen below the slot.
    RoundedRect(cr, x, y + 1, w, h, radius);
    SetColour(cr, Hex(0xFFFFFF, 0.3));
    cairo_fill(cr);
    RoundedRect(cr, x, y, w, h, radius);
    SetVerticalGradient(cr, y, WithAlpha(Darker(SlotColour(), 0.3), 0.95), y + h, WithAlpha(Lighter(SlotColour(), 0.08), 0.92));
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    // Inner shadow along the top edge.
    RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h + 4, radius);
    SetColour(cr, Hex(0x000000, 0.55));
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    cairo_restore(cr);
}

TextStyle LabelStyle(double size) {
    TextStyle s;
    s.size = size;
    s.bold = true;
    s.fill = Hex(0xFFFFFF);
    s.shadow = Hex(0x141A5A, 0.85);
    s.shadowDx = 0;
    s.shadowDy = 1;
    s.spacing = 1.0;
    return s;
}

void DrawSpring(cairo_t* cr, double x0, double y0, double x1, double y1, double width, const Rgba& colour) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    SetColour(cr, WithAlpha(Darker(colour, 0.55), 0.9));
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    SetColour(cr, colour);
    cairo_set_line_width(cr, width * 0.6);
    cairo_stroke(cr);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    SetColour(cr, WithAlpha(Lighter(colour, 0.7), 0.8));
    cairo_set_line_width(cr, width * 0.22);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void DrawBarFrame(cairo_t* cr) {
    cairo_save(cr);
    RoundedRect(cr, 0.5, 0.5, 20, 105, 7);
    SetVerticalGradient(cr, 0, WithAlpha(PanelTop(), 0.95), 106, WithAlpha(PanelBottom(), 0.95));
    cairo_fill_preserve(cr);
    SetColour(cr, WithAlpha(PanelBorder(), 0.9));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);

    // The slot; the fill rises inside x 7..14, y 105 up to 4.
    RoundedRect(cr, 6, 3, 9, 102, 3);
    SetVerticalGradient(cr, 3, Hex(0x03061C, 0.95), 105, Hex(0x0E1440, 0.95));
    cairo_fill(cr);
    RoundedRect(cr, 5.5, 2.5, 10, 103, 3.5);
    SetColour(cr, Hex(0x000000, 0.5));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // Ticks every tenth.
    for (int k = 1; k < 10; ++k) {
        const double y = 104.5 - k * 10;
        const double len = (k == 5) ? 3.5 : 2.0;
        cairo_move_to(cr, 4.5 - len, y);
        cairo_line_to(cr, 4.5, y);
        cairo_move_to(cr, 16.5, y);
        cairo_line_to(cr, 16.5 + len, y);
    }
    SetColour(cr, Hex(0xFFFFFF, 0.55));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // Gloss on the rim.
    RoundedRect(cr, 1.5, 1.5, 18, 14, 6);
    SetVerticalGradient(cr, 1, Hex(0xFFFFFF, 0.35), 15, Hex(0xFFFFFF, 0.0));
    cairo_fill(cr);
    cairo_restore(cr);
}

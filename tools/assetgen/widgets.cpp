// Small interface pieces: the message bar under the glass and the pointer arrow.
#include <cmath>

#include "assetgen.h"
#include "canvas.h"
#include "layout.h"
#include "style.h"

void DrawMessageBar(cairo_t* cr, double x, double y) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    const double w = kMessageBarWidth, h = kMessageBarHeight;
    RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 10.5);
    SetVerticalGradient(cr, 0, Hex(0x2A3590, 0.80), h, Hex(0x0E1245, 0.84));
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    // Gloss on the upper half.
    RoundedRect(cr, 2, 1.5, w - 4, h * 0.48, 8);
    SetVerticalGradient(cr, 1.5, Hex(0xFFFFFF, 0.30), 1.5 + h * 0.48, Hex(0xFFFFFF, 0.04));
    cairo_fill(cr);
    // A glint of pink light on the right end.
    SoftDot(cr, w - 16, h - 3, 22, Hex(0xEE84DB, 0.22));
    cairo_restore(cr);
    RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 10.5);
    SetVerticalGradient(cr, 0, Hex(0xD0DEFF, 0.9), h, Hex(0x8FA6FF, 0.6));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void GenerateMessageBar() {
    Canvas c = NewCanvas(kMessageBarWidth, kMessageBarHeight);
    DrawMessageBar(c.cr, 0, 0);
    SaveAndFree(c, "data/text_win.png");
}

void GeneratePointer() {
    // Points along +x; the screens turn it to point down, left or right.
    Canvas c = NewCanvas(27, 27);
    cairo_t* cr = c.cr;
    auto arrow = [cr](double dx, double dy) {
        cairo_new_path(cr);
        cairo_move_to(cr, 2.5 + dx, 10 + dy);
        cairo_line_to(cr, 12.5 + dx, 10 + dy);
        cairo_line_to(cr, 12.5 + dx, 3.5 + dy);
        cairo_line_to(cr, 24.5 + dx, 13.5 + dy);
        cairo_line_to(cr, 12.5 + dx, 23.5 + dy);
        cairo_line_to(cr, 12.5 + dx, 17 + dy);
        cairo_line_to(cr, 2.5 + dx, 17 + dy);
        cairo_close_path(cr);
    };
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    arrow(0.5, 1.2);
    SetColour(cr, Hex(0x000000, 0.35));
    cairo_set_line_width(cr, 2.5);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    arrow(0, 0);
    SetColour(cr, Hex(0x4A2200));
    cairo_set_line_width(cr, 2.2);
    cairo_stroke_preserve(cr);
    SetVerticalGradient(cr, 3, Hex(0xFFF08A), 24, Hex(0xFF9A1E));
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    cairo_rectangle(cr, 0, 0, 27, 13);
    SetVerticalGradient(cr, 3, Hex(0xFFFFFF, 0.6), 13, Hex(0xFFFFFF, 0.1));
    cairo_fill(cr);
    SaveAndFree(c, "data/strelka_tutor1.tga");
}

// HUD and records pieces: digit strip, equalizer bar, progress fill and frames, sweep line, level-up banner,
// records panel and star, the plain white pixel.
#include <cmath>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "layout.h"
#include "style.h"

namespace {

// The records panel: title, column heads, ten row stripes, the player's final score slot.
void DrawRecordsPanel(cairo_t* cr, const char* title, const char* place, const char* score, const char* name,
                      const char* yourScore) {
    const double x = 104, y = 6, w = 284, h = 216;
    DrawPanel(cr, x, y, w, h, 12);
    DrawTextCentred(cr, title, 246, 17, LabelStyle(12));

    // Column heads over place (170..192), score (192..292) and name (292..384).
    TextStyle head = LabelStyle(8);
    head.spacing = 0.5;
    head.fill = Hex(0xDDE6FF);
    DrawTextCentred(cr, place, 181, 36, head);
    DrawTextCentred(cr, score, 242, 36, head);
    DrawTextCentred(cr, name, 336, 36, head);

    // Rows: baselines at 59 + 14·r, each text box 14 px tall above it; stars sit at x 114..154.
    DrawSlot(cr, 110, 43, 272, 144, 6);
    for (int r = 0; r < 10; ++r) {
        const double top = 45 + 14 * r;
        if (r % 2 == 0) {
            cairo_rectangle(cr, 112, top, 268, 14);
            SetColour(cr, Hex(0x6C88FF, 0.12));
            cairo_fill(cr);
        }
    }
    // Column rules.
    for (double cx : {192.5, 292.5}) {
        cairo_move_to(cr, cx, 46);
        cairo_line_to(cr, cx, 184);
    }
    SetColour(cr, Hex(0x9DB6FF, 0.22));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // The final score: eight digits at (205, 198).
    TextStyle small = LabelStyle(8);
    small.fill = Hex(0xDDE6FF);
    DrawTextCentred(cr, yourScore, 154, 203, small);
    DrawSlot(cr, 201, 195, 82, 16, 4);
}

// A five-pointed star, white so that the screen can tint it.
void DrawRecordStar(cairo_t* cr) {
    StarPath(cr, 6, 6.4, 5.6, 2.4, 5, 0);
    SetColour(cr, Hex(0x3A2A70, 0.9));
    cairo_set_line_width(cr, 1.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    SetVerticalGradient(cr, 1, Hex(0xFFFFFF), 12, Hex(0xC9D2E8));
    cairo_fill(cr);
}

void DrawBanner(cairo_t* cr, const char* text) {
    RoundedRect(cr, 0.5, 0.5, 127, 15, 7.5);
    SetVerticalGradient(cr, 0, Hex(0xFF7FD0, 0.95), 16, Hex(0xA03CC8, 0.95));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xFFE0F6, 0.9));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    RoundedRect(cr, 2, 1.5, 124, 6.5, 3.5);
    SetVerticalGradient(cr, 1.5, Hex(0xFFFFFF, 0.45), 8, Hex(0xFFFFFF, 0.05));
    cairo_fill(cr);
    TextStyle style;
    style.size = 11;
    style.bold = true;
    style.spacing = 1;
    style.fill = Hex(0xFFFFFF);
    style.shadow = Hex(0x4A0A5A, 0.9);
    const double width = TextWidth(cr, text, style);
    if (width > 114) {
        style.condensed = true;
        style.spacing = 0.5;
        const double w2 = TextWidth(cr, text, style);
        if (w2 > 114) style.size *= 114 / w2;
    }
    DrawTextCentred(cr, text, 64, 8, style);
}

}  // namespace

void GenerateDigits() {
    // Glyph d occupies columns 9·d + 1 .. 9·d + 8 of its 10 px cell; the column cells share stays empty.
    Canvas c = NewCanvas(100, 10);
    cairo_t* cr = c.cr;
    TextStyle style;
    style.size = 11;
    style.bold = true;
    style.hinted = true;
    for (int d = 0; d < 10; ++d) {
        const std::string text(1, static_cast<char>('0' + d));
        cairo_save(cr);
        cairo_rectangle(cr, 9 * d + 1, 0, 8, 10);
        cairo_clip(cr);
        TextPathCentred(cr, text, 9 * d + 5, 5, style);
        SetVerticalGradient(cr, 1, Hex(0xFFFFFF), 9, Hex(0xA8D8FF));
        cairo_fill(cr);
        cairo_restore(cr);
    }
    SaveAndFree(c, "data/cifri.tga");

    // Equalizer bar: hangs from under a digit, 3 px per level (2 lit, 1 dark), cool at the top and hot at
    // the bottom; only columns 0..4 are drawn so the bars of neighbouring digits stay apart.
    c = NewCanvas(32, 32);
    cr = c.cr;
    for (int level = 0; level < 9; ++level) {
        const double t = level / 8.0;
        Rgba colour = t < 0.5 ? Mix(Hex(0x5FE0FF), Hex(0xFFE45A), t * 2) : Mix(Hex(0xFFE45A), Hex(0xFF4FA8), t * 2 - 1);
        cairo_rectangle(cr, 0, 3 * level, 5, 2);
        SetColour(cr, colour);
        cairo_fill(cr);
        cairo_rectangle(cr, 1, 3 * level, 3, 1);
        SetColour(cr, WithAlpha(Lighter(colour, 0.6), 0.9));
        cairo_fill(cr);
    }
    SaveAndFree(c, "data/ekvalazer.tga");
}

void GenerateBars() {
    // Progress fill, 7 by 2, stacked every 2 px: a glossy pink column with a faint seam between steps.
    Canvas c = NewCanvas(7, 2);
    cairo_t* cr = c.cr;
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 7, 0);
    cairo_pattern_add_color_stop_rgb(p, 0.0, 0.78, 0.2, 0.62);
    cairo_pattern_add_color_stop_rgb(p, 0.35, 1.0, 0.75, 0.94);
    cairo_pattern_add_color_stop_rgb(p, 1.0, 0.86, 0.3, 0.74);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_paint(cr);
    cairo_rectangle(cr, 0, 1, 7, 1);
    SetColour(cr, Hex(0x40104A, 0.25));
    cairo_fill(cr);
    SaveAndFree(c, "data/bar_right_simple.tga");

    c = NewCanvas(kProgressWidth, kProgressHeight);
    DrawBarFrame(c.cr);
    SaveAndFree(c, "data/obvodka_leftbar.tga");

    // The sweep line crossing the glass: a bright core with a glow, fading at both ends.
    constexpr int sweepWidth = static_cast<int>(kGlassRight - kGlassLeft);
    c = NewCanvas(sweepWidth, 8);
    cr = c.cr;
    for (int pass = 0; pass < 2; ++pass) {
        cairo_rectangle(cr, 0, pass == 0 ? 0 : 3, sweepWidth, pass == 0 ? 8 : 2);
        p = cairo_pattern_create_linear(0, 0, sweepWidth, 0);
        const double a = pass == 0 ? 0.45 : 1.0;
        const Rgba col = pass == 0 ? Hex(0x6FE4FF) : Hex(0xFFFFFF);
        cairo_pattern_add_color_stop_rgba(p, 0.0, col.r, col.g, col.b, 0);
        cairo_pattern_add_color_stop_rgba(p, 0.08, col.r, col.g, col.b, a);
        cairo_pattern_add_color_stop_rgba(p, 0.92, col.r, col.g, col.b, a);
        cairo_pattern_add_color_stop_rgba(p, 1.0, col.r, col.g, col.b, 0);
        cairo_set_source(cr, p);
        cairo_pattern_destroy(p);
        if (pass == 0) {
            // Softer towards the outer rows.
            cairo_push_group(cr);
            cairo_paint(cr);
            cairo_pop_group_to_source(cr);
            cairo_pattern_t* mask = cairo_pattern_create_linear(0, 0, 0, 8);
            cairo_pattern_add_color_stop_rgba(mask, 0.0, 0, 0, 0, 0.1);
            cairo_pattern_add_color_stop_rgba(mask, 0.5, 0, 0, 0, 1);
            cairo_pattern_add_color_stop_rgba(mask, 1.0, 0, 0, 0, 0.1);
            cairo_mask(cr, mask);
            cairo_pattern_destroy(mask);
            cairo_new_path(cr);
        } else {
            cairo_fill(cr);
        }
    }
    SaveAndFree(c, "data/poloska.tga");

    c = NewCanvas(1, 1);
    SetColour(c.cr, Hex(0xFFFFFF));
    cairo_paint(c.cr);
    SaveAndFree(c, "data/pix1.tga");
}

void GenerateRecords() {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawRecordsPanel(c.cr, "RECORDS", "#", "SCORE", "NAME", "YOUR SCORE");
    SaveAndFree(c, "data/records.png");
    c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawRecordsPanel(c.cr, "РЕКОРДЫ", "№", "ОЧКИ", "ИМЯ", "ВАШ СЧЁТ");
    SaveAndFree(c, "data/records_ru.png");

    c = NewCanvas(12, 12);
    DrawRecordStar(c.cr);
    SaveAndFree(c, "data/zvezda_records.tga");
}

void GenerateLevelBanner() {
    Canvas c = NewCanvas(128, 16);
    DrawBanner(c.cr, "LEVEL UP!");
    SaveAndFree(c, "data/levelup.png");
    c = NewCanvas(128, 16);
    DrawBanner(c.cr, "НОВЫЙ УРОВЕНЬ!");
    SaveAndFree(c, "data/levelup_ru.png");
}

// Short-lived effects: glows of marked blocks, sparks, removal ghosts, particle flares, floating scores.
#include <cmath>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "style.h"

namespace {

std::string Frame(const std::string& prefix, int n) { return prefix + std::to_string(n) + ".tga"; }

// A glow around a marked block (32 px, shown 28 px wide and added onto the picture). `phase` runs 0..1 over
// the animation; `hot` picks the late, hotter look of the last second before removal.
void DrawGlow(cairo_t* cr, double phase, bool hot) {
    const double cx = 16, cy = 16;
    const double pulse = 0.5 + 0.5 * std::cos(phase * 2 * M_PI);
    const Rgba core = hot ? Hex(0xFFB0D8) : Hex(0xFFF4C0);
    const Rgba edge = hot ? Hex(0xFF4FA0) : Hex(0x9FE8FF);

    // A halo brightest just outside the block's edge (radius about 12 of 16).
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, 16);
    cairo_pattern_add_color_stop_rgba(p, 0.0, core.r, core.g, core.b, 0.15 + 0.1 * pulse);
    cairo_pattern_add_color_stop_rgba(p, 0.62, core.r, core.g, core.b, 0.35 + 0.25 * pulse);
    cairo_pattern_add_color_stop_rgba(p, 0.78, edge.r, edge.g, edge.b, 0.75 + 0.25 * pulse);
    cairo_pattern_add_color_stop_rgba(p, 1.0, edge.r, edge.g, edge.b, 0.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_paint(cr);

    // Twinkles circling the block.
    const int count = hot ? 6 : 4;
    for (int i = 0; i < count; ++i) {
        const double a = phase * 2 * M_PI / count * (hot ? 2 : 1) + i * 2 * M_PI / count;
        const double x = cx + 12.5 * std::cos(a), y = cy + 12.5 * std::sin(a);
        const double size = (hot ? 3.2 : 2.8) * (0.75 + 0.25 * std::sin(phase * 2 * M_PI + i * 1.7));
        StarPath(cr, x, y, size, size * 0.3, 4, a);
        SetColour(cr, Hex(0xFFFFFF, 0.95));
        cairo_fill(cr);
    }
}

// The burst where blocks meet: a ring that opens and fades, with sparks flying out.
void DrawSpark(cairo_t* cr, int frame) {
    const double cx = 30.5, cy = 30.5;
    const double t = frame / 4.0;
    const double radius = 7 + t * 20;
    const double fade = 1 - t * 0.75;
    SoftDot(cr, cx, cy, radius + 4, Hex(0x8FE3FF, 0.25 * fade));
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    SetColour(cr, Hex(0x8FE3FF, 0.6 * fade));
    cairo_set_line_width(cr, 7 - 4 * t);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    SetColour(cr, Hex(0xFFFFFF, 0.9 * fade));
    cairo_set_line_width(cr, 2.2 - 1.4 * t);
    cairo_stroke(cr);
    if (frame == 0) SoftDot(cr, cx, cy, 12, Hex(0xFFFFFF, 0.9));
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4 + M_PI / 8;
        const double d = 6 + t * 24;
        StarPath(cr, cx + d * std::cos(a), cy + d * std::sin(a), 3.2 * fade + 0.8, 1, 4, a);
        SetColour(cr, Hex(i % 2 ? 0xFFF2A8 : 0xFFFFFF, fade));
        cairo_fill(cr);
    }
}

// A removed block's ghost: its outline swelling and dissolving (24 px, added onto the picture).
void DrawGhost(cairo_t* cr, int frame, const Rgba& tint) {
    const double t = frame / 8.0;
    const double half = 7.5 + t * 4;
    const double fade = 1 - t * 0.9;
    cairo_save(cr);
    cairo_translate(cr, 12, 12);
    cairo_rotate(cr, t * 0.6);
    RoundedRect(cr, -half, -half, 2 * half, 2 * half, half * 0.5);
    SetColour(cr, WithAlpha(tint, 0.35 * fade));
    cairo_fill_preserve(cr);
    SetColour(cr, WithAlpha(Lighter(tint, 0.6), fade));
    cairo_set_line_width(cr, 2.0 - t);
    cairo_stroke(cr);
    cairo_restore(cr);
    SoftDot(cr, 12, 12, 8 * (1 - t) + 2, WithAlpha(Hex(0xFFFFFF), fade));
}

// A particle flare (64 px, drawn 80 to 120 px wide at 13 % and added on): a glowing core with four rays
// that turn and cool from white-blue to pink over its life.
void DrawFlare(cairo_t* cr, int frame) {
    const double t = frame / 18.0;
    const double cx = 32, cy = 32;
    // Dimmer towards the end of the life, so particles fade out rather than blink out.
    const Rgba colour = WithAlpha(Mix(Hex(0xBFEFFF), Hex(0xFF7FD6), t), 1 - 0.6 * t * t * t);
    cairo_push_group(cr);
    SoftDot(cr, cx, cy, 30, WithAlpha(colour, 0.9));
    SoftDot(cr, cx, cy, 12 - 4 * t, Hex(0xFFFFFF));
    const double life = colour.a;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, t * M_PI / 2);
    for (int i = 0; i < 4; ++i) {
        cairo_rotate(cr, M_PI / 2);
        const double len = (i % 2 ? 22 : 30) * (1 - 0.3 * t);
        cairo_move_to(cr, 0, -2.5);
        cairo_line_to(cr, len, 0);
        cairo_line_to(cr, 0, 2.5);
        cairo_close_path(cr);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, len, 0);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 1);
        cairo_pattern_add_color_stop_rgba(p, 1, colour.r, colour.g, colour.b, 0);
        cairo_set_source(cr, p);
        cairo_pattern_destroy(p);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, life);
}

// A floating score: the number in glossy letters, fitted into 32 px.
void DrawScoreText(cairo_t* cr, const std::string& text, const Rgba& top, const Rgba& bottom) {
    TextStyle style;
    style.bold = true;
    style.condensed = true;
    style.size = 15;
    const double fit = 29.5;
    const double width = TextWidth(cr, text, style);
    if (width > fit) style.size *= fit / width;
    const double cy = 16;
    SoftDot(cr, 16, cy, 17, WithAlpha(bottom, 0.35));
    TextPathCentred(cr, text, 16, cy, style);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetColour(cr, Hex(0x1A1040, 0.9));
    cairo_set_line_width(cr, 2.4);
    cairo_stroke_preserve(cr);
    SetVerticalGradient(cr, cy - style.size * 0.4, top, cy + style.size * 0.4, bottom);
    cairo_fill(cr);
}

}  // namespace

void GenerateGlows() {
    for (int i = 0; i < 6; ++i) {
        Canvas c = NewCanvas(32, 32);
        DrawGlow(c.cr, i / 6.0, false);
        SaveAndFree(c, Frame("data/activ_", i));
    }
    for (int i = 0; i < 8; ++i) {
        Canvas c = NewCanvas(32, 32);
        DrawGlow(c.cr, i / 8.0, true);
        SaveAndFree(c, Frame("data/2activ_", i));
    }
}

void GenerateSparks() {
    for (int i = 0; i < 5; ++i) {
        Canvas c = NewCanvas(61, 61);
        DrawSpark(c.cr, i);
        SaveAndFree(c, Frame("data/krugimut_", i));
    }
}

void GenerateGhosts() {
    const Rgba tints[5] = {Hex(0xFFFFFF), Hex(0xFFD86A), Hex(0xFF8AD8), Hex(0x8FE8FF), Hex(0x9CF58A)};
    for (int set = 0; set < 5; ++set) {
        for (int i = 0; i < 9; ++i) {
            Canvas c = NewCanvas(24, 24);
            DrawGhost(c.cr, i, tints[set]);
            SaveAndFree(c, Frame("data/del_" + std::to_string(set) + "_", i));
        }
    }
}

void GenerateParticles() {
    for (int i = 0; i < 19; ++i) {
        Canvas c = NewCanvas(64, 64);
        DrawFlare(c.cr, i);
        SaveAndFree(c, Frame("data/ba_", i));
    }
}

void GenerateScoreTexts() {
    // Kinds 0..7 are the group scores, 8 the landing bonus and 9 the points of a removal. The bigger the
    // score, the warmer the colour.
    struct Kind {
        const char* text;
        uint32_t top, bottom;
    };
    const Kind kinds[10] = {
        {"+300", 0xFFFFFF, 0x9FE8FF},   {"+500", 0xFFFFFF, 0x8FF0B0},   {"+600", 0xFFFFFF, 0xC8F58A},
        {"+900", 0xFFFFD0, 0xFFD84A},   {"+1200", 0xFFF2C0, 0xFFA63A},  {"+1500", 0xFFE0F0, 0xFF7FC0},
        {"+5000", 0xFFE0FF, 0xD070FF},  {"+10000", 0xFFFFFF, 0xFF5F7F}, {"+10", 0xFFFFFF, 0xB8CCFF},
        {"+100", 0xFFFFFF, 0xFFE27A},
    };
    for (int i = 0; i < 10; ++i) {
        Canvas c = NewCanvas(32, 32);
        DrawScoreText(c.cr, kinds[i].text, Hex(kinds[i].top), Hex(kinds[i].bottom));
        SaveAndFree(c, Frame("data/score_", i));
    }
}

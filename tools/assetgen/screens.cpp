// Full-screen pictures: the glass background, the start-screen logo, the splash card, the HUD frame, the icon.
#include <cmath>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "layout.h"
#include "style.h"

namespace {

// The blue-violet backdrop with soft lights and out-of-focus dots that every screen stands on.
void DrawBackdrop(cairo_t* cr) {
    SetVerticalGradient(cr, 0, Hex(0x1C3284), kScreenHeight, Hex(0x3B1D70));
    cairo_paint(cr);

    SetRadialGradient(cr, 40, 20, 260, Hex(0x5C8BFF, 0.45), Hex(0x5C8BFF, 0.0));
    cairo_paint(cr);
    SetRadialGradient(cr, 450, 260, 230, Hex(0xD05BE0, 0.32), Hex(0xD05BE0, 0.0));
    cairo_paint(cr);

    // Broad light rays falling from the upper left.
    cairo_save(cr);
    for (int i = 0; i < 4; ++i) {
        const double x = -60 + i * 120;
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x + 40 + 10 * i, 0);
        cairo_line_to(cr, x + 220 + 10 * i, kScreenHeight);
        cairo_line_to(cr, x + 150, kScreenHeight);
        cairo_close_path(cr);
        SetVerticalGradient(cr, 0, Hex(0xFFFFFF, 0.055), kScreenHeight, Hex(0xFFFFFF, 0.0));
        cairo_fill(cr);
    }
    cairo_restore(cr);

    Random random(0x5EED0F0Du);
    const Rgba tints[3] = {Hex(0xFFFFFF), Hex(0x8FE3FF), Hex(0xFF9BE6)};
    for (int i = 0; i < 46; ++i) {
        const double x = random.Range(0, kScreenWidth), y = random.Range(0, kScreenHeight);
        const double r = random.Range(3, 15);
        const Rgba tint = tints[random.Next() % 3];
        const double a = random.Range(0.05, 0.16);
        cairo_arc(cr, x, y, r, 0, 2 * M_PI);
        SetRadialGradient(cr, x, y, r, WithAlpha(tint, a * 0.6), WithAlpha(tint, a));
        cairo_fill_preserve(cr);
        SetColour(cr, WithAlpha(tint, a * 0.8));
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
    }
}

// The dark pane of the glass with its dotted grid and reflections; opacity is that of the pane.
void DrawGlassPane(cairo_t* cr, double opacity) {
    const double x = kGlassLeft, y = kGlassTop, w = kGlassRight - kGlassLeft, h = kGlassBottom - kGlassTop;
    const double radius = kGlassCorner;
    RoundedRect(cr, x, y, w, h, radius);
    SetVerticalGradient(cr, 0, Hex(0x060A26, opacity), kGlassBottom, Hex(0x101848, opacity));
    cairo_fill(cr);

    cairo_save(cr);
    RoundedRect(cr, x, y, w, h, radius);
    cairo_clip(cr);
    // A faint dotted grid at the spacing of the blocks (24 px), which lets the eye judge heights.
    for (double gy = kGlassBottom - 12; gy > 0; gy -= 24) {
        for (double gx = x + 12; gx < kGlassRight; gx += 24) {
            cairo_new_sub_path(cr);
            cairo_arc(cr, gx, gy, 0.9, 0, 2 * M_PI);
        }
    }
    SetColour(cr, Hex(0x9DB6FF, 0.16));
    cairo_fill(cr);
    // Reflections on the pane: a wide soft band and a narrow bright streak.
    cairo_move_to(cr, x, 0);
    cairo_line_to(cr, x + 95, 0);
    cairo_line_to(cr, x, 150);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, 0, x + 70, 60);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.08);
    cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0.0);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    cairo_fill(cr);
    cairo_move_to(cr, kGlassRight - 8, 0);
    cairo_line_to(cr, kGlassRight - 5, 0);
    cairo_line_to(cr, kGlassRight - 5, kGlassBottom - 14);
    cairo_line_to(cr, kGlassRight - 8, kGlassBottom - 20);
    cairo_close_path(cr);
    SetVerticalGradient(cr, 0, Hex(0xFFFFFF, 0.10), kGlassBottom, Hex(0xFFFFFF, 0.0));
    cairo_fill(cr);
    // Light gathering on the floor.
    SetRadialGradient(cr, (x + kGlassRight) / 2, kGlassBottom + 30, 150, Hex(0x6E8CFF, 0.22), Hex(0x6E8CFF, 0.0));
    cairo_paint(cr);
    cairo_restore(cr);
}

// The glass: a dark pane with a glowing rim around it, open above the screen.
void DrawGlass(cairo_t* cr) {
    const double x = kGlassLeft, y = kGlassTop, w = kGlassRight - kGlassLeft, h = kGlassBottom - kGlassTop;
    const double radius = kGlassCorner;

    // Outer glow.
    for (int i = 0; i < 3; ++i) {
        RoundedRect(cr, x - 3, y, w + 6, h + 3, radius + 3);
        SetColour(cr, Hex(0x8FB4FF, 0.07));
        cairo_set_line_width(cr, 14 - 4 * i);
        cairo_stroke(cr);
    }
    DrawGlassPane(cr, 0.9);

    // The rim, just outside the playing area.
    RoundedRect(cr, x - 1.5, y, w + 3, h + 1.5, radius + 1.5);
    SetVerticalGradient(cr, 0, Hex(0xCFE0FF, 0.95), kGlassBottom, Hex(0x8DA6FF, 0.95));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    RoundedRect(cr, x - 3.5, y, w + 7, h + 3.5, radius + 3.5);
    SetColour(cr, Hex(0x1A1F5C, 0.7));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

}  // namespace

void GenerateBackground() {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawBackdrop(c.cr);
    DrawGlass(c.cr);
    SaveAndFree(c, "data/fon.tga");
}

namespace {

// The game's name in big glossy letters, with a chain of linked blocks above it.
void DrawLogo(cairo_t* cr, const std::string& name, const std::string& subtitle) {
    const double cx = kScreenWidth / 2.0;

    // A soft halo behind the whole logo keeps it readable over the glass.
    SetRadialGradient(cr, cx, 112, 170, Hex(0x8FA8FF, 0.22), Hex(0x8FA8FF, 0.0));
    cairo_arc(cr, cx, 112, 170, 0, 2 * M_PI);
    cairo_fill(cr);

    // Six blocks, one of each colour, joined by springs like a piece in the glass.
    double bx[6], by[6];
    for (int i = 0; i < 6; ++i) {
        bx[i] = cx + (i - 2.5) * 33;
        by[i] = 66 + ((i % 2) ? -9 : 9) + std::fabs(i - 2.5) * 2.5;
    }
    for (int i = 0; i < 5; ++i) DrawSpring(cr, bx[i], by[i], bx[i + 1], by[i + 1], 6, Hex(0xDCE6FF));
    for (int i = 0; i < 6; ++i) {
        SoftDot(cr, bx[i], by[i] + 3, 22, Hex(0x000030, 0.35));
        cairo_save(cr);
        cairo_translate(cr, bx[i], by[i]);
        cairo_rotate(cr, ((i * 37) % 11 - 5) * 0.035);
        DrawBlockBody(cr, 0, 0, 13.5, BlockColour(i));
        cairo_restore(cr);
        DrawBlockShine(cr, bx[i], by[i], 13.5);
        DrawBlockSymbol(cr, i, bx[i], by[i], 13.5);
    }

    TextStyle title;
    title.size = 64;
    title.bold = true;
    title.spacing = 0.5;
    const double width = TextWidth(cr, name, title);
    if (width > 340) title.size *= 340 / width;
    const double ty = 136;

    // Shadow, glow, dark outline, gradient face, gloss.
    cairo_save(cr);
    TextPathCentred(cr, name, cx + 1, ty + 4, title);
    SetColour(cr, Hex(0x0A0830, 0.5));
    cairo_set_line_width(cr, 9);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    TextPathCentred(cr, name, cx, ty, title);
    SetColour(cr, Hex(0xFF8AE2, 0.35));
    cairo_set_line_width(cr, 13);
    cairo_stroke_preserve(cr);
    SetColour(cr, Hex(0x1B1458));
    cairo_set_line_width(cr, 7);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, ty - 26, 0, ty + 24);
    cairo_pattern_add_color_stop_rgb(face, 0.0, 1.0, 1.0, 1.0);
    cairo_pattern_add_color_stop_rgb(face, 0.45, 1.0, 0.86, 0.97);
    cairo_pattern_add_color_stop_rgb(face, 1.0, 0.78, 0.52, 1.0);
    cairo_set_source(cr, face);
    cairo_pattern_destroy(face);
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    cairo_rectangle(cr, 0, ty - 40, kScreenWidth, 36);
    SetVerticalGradient(cr, ty - 40, Hex(0xFFFFFF, 0.7), ty - 4, Hex(0xFFFFFF, 0.15));
    cairo_fill(cr);
    cairo_restore(cr);

    // The subtitle in small letters, and under it a slim ribbon that the start screen writes the name of
    // the game on (kLogoRibbon*; one logo serves all three games).
    TextStyle sub = LabelStyle(9);
    sub.spacing = 2.5;
    sub.fill = Hex(0xDDE6FF);
    DrawTextCentred(cr, subtitle, cx, 169, sub);
    RoundedRect(cr, kLogoRibbonX, kLogoRibbonY, kLogoRibbonWidth, kLogoRibbonHeight, kLogoRibbonHeight / 2);
    SetVerticalGradient(cr, kLogoRibbonY, Hex(0x2B2C8C, 0.85), kLogoRibbonY + kLogoRibbonHeight,
                        Hex(0x1A1A5C, 0.85));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xB8CCFF, 0.7));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

// The studio's emblem: three gusts of wind in a glossy badge.
void DrawStudioEmblem(cairo_t* cr, double cx, double cy, double size) {
    const double half = size / 2;
    RoundedRect(cr, cx - half, cy - half + 4, size, size, size * 0.24);
    SetColour(cr, Hex(0x1A2550, 0.18));
    cairo_fill(cr);
    RoundedRect(cr, cx - half, cy - half, size, size, size * 0.24);
    SetVerticalGradient(cr, cy - half, Hex(0x3C63E8), cy + half, Hex(0x22286E));
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    cairo_move_to(cr, cx - half, cy - half);
    cairo_line_to(cr, cx + half, cy - half);
    cairo_line_to(cr, cx + half, cy - half * 0.25);
    cairo_curve_to(cr, cx + half * 0.3, cy - half * 0.05, cx - half * 0.3, cy - half * 0.15, cx - half, cy + half * 0.05);
    cairo_close_path(cr);
    SetVerticalGradient(cr, cy - half, Hex(0xFFFFFF, 0.35), cy, Hex(0xFFFFFF, 0.05));
    cairo_fill(cr);
    cairo_restore(cr);

    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const Rgba colours[3] = {Hex(0x7FF0E8), Hex(0xFFFFFF), Hex(0xFF8A7A)};
    for (int i = 0; i < 3; ++i) {
        const double y = cy - half * 0.42 + i * half * 0.42;
        const double start = cx - half * 0.62 + (i == 1 ? 0 : half * 0.12);
        const double end = cx + half * (i == 0 ? 0.30 : i == 1 ? 0.46 : 0.14);
        const double curl = half * 0.13;
        cairo_move_to(cr, start, y);
        cairo_line_to(cr, end, y);
        cairo_arc_negative(cr, end, y - curl, curl, M_PI / 2, -M_PI * 0.9);
        SetColour(cr, colours[i]);
        cairo_set_line_width(cr, size * 0.085);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    RoundedRect(cr, cx - half + 0.75, cy - half + 0.75, size - 1.5, size - 1.5, size * 0.24);
    SetColour(cr, Hex(0xFFFFFF, 0.35));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

// The score with its equalizer, the counter of mistakes still allowed, the level counter with the progress
// bar.
void DrawHud(cairo_t* cr, const char* scoreLabel, const char* mistakesLabel, const char* levelLabel) {
    // Score: label, then one slot for the digits and the bars that hang below them.
    DrawPanel(cr, 3, 3, 86, 67, 9);
    DrawTextCentred(cr, scoreLabel, 46, 12.5, LabelStyle(9.5));
    DrawSlot(cr, 7, 20, 78, 45, 5);
    cairo_move_to(cr, 9, 35.5);
    cairo_line_to(cr, 83, 35.5);
    SetColour(cr, Hex(0x6C88FF, 0.25));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    // Mistakes left: the label narrows to fit the panel.
    DrawPanel(cr, 9, 126, 78, 88, 10);
    TextStyle mistakes = LabelStyle(9.5);
    if (TextWidth(cr, mistakesLabel, mistakes) > 70) {
        mistakes.condensed = true;
        mistakes.spacing = 0.3;
        const double width = TextWidth(cr, mistakesLabel, mistakes);
        if (width > 70) mistakes.size *= 70 / width;
    }
    DrawTextCentred(cr, mistakesLabel, 48, 136.5, mistakes);
    DrawSlot(cr, kMovesLeft - 3, kMovesTop - 2, kMovesRight - kMovesLeft + 6, kMovesBottom - kMovesTop + 4, 8);

    // Level and progress share the right column.
    DrawPanel(cr, 391, 3, 82, 214, 10);
    const TextStyle label = LabelStyle(levelLabel[0] == 'L' ? 9.5 : 8.5);
    DrawTextCentred(cr, levelLabel, 432, 15.5, label);
    DrawSlot(cr, kLevelLeft - 3, kLevelTop - 4, kLevelRight - kLevelLeft + 6, kLevelBottom - kLevelTop + 6, 8);
    cairo_save(cr);
    cairo_translate(cr, kProgressX, kProgressY);
    DrawBarFrame(cr);
    cairo_restore(cr);
}

}  // namespace

void GenerateLogo() {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawLogo(c.cr, "Pelorina", "PHYSICS PUZZLES");
    DrawMessageBar(c.cr, kMessageBarX, kMessageBarY);
    SaveAndFree(c, "data/pelorinas.png");
    c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawLogo(c.cr, "Пелорина", "ФИЗИЧЕСКИЕ ГОЛОВОЛОМКИ");
    DrawMessageBar(c.cr, kMessageBarX, kMessageBarY);
    SaveAndFree(c, "data/pelorinas_ru.png");
}

void GenerateSplash() {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    cairo_t* cr = c.cr;
    // Light, because the card fades in from and out to white.
    SetRadialGradient(cr, 240, 120, 300, Hex(0xFFFFFF), Hex(0xDCE5F4));
    cairo_paint(cr);
    Random random(0xB215u);
    for (int i = 0; i < 18; ++i) {
        const double x = random.Range(0, kScreenWidth), y = random.Range(0, kScreenHeight);
        SoftDot(cr, x, y, random.Range(10, 40), Hex(0x9DB4E8, random.Range(0.06, 0.14)));
    }
    DrawStudioEmblem(cr, 240, 98, 92);

    TextStyle name;
    name.size = 38;
    name.bold = true;
    name.spacing = 7;
    name.fill = Hex(0x1D2860);
    name.shadow = Hex(0x1D2860, 0.15);
    name.shadowDy = 2;
    DrawTextCentred(cr, "BRISVELT", 243, 182, name);

    TextStyle games;
    games.size = 13;
    games.bold = true;
    games.spacing = 9;
    games.fill = Hex(0x5D6FA6);
    DrawTextCentred(cr, "GAMES", 244, 214, games);
    const double gw = TextWidth(cr, "GAMES", games);
    for (int side = -1; side <= 1; side += 2) {
        const double x0 = 240 + side * (gw / 2 + 12), x1 = 240 + side * (gw / 2 + 70);
        cairo_move_to(cr, x0, 214.5);
        cairo_line_to(cr, x1, 214.5);
    }
    SetColour(cr, Hex(0x8FA0CC));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    SaveAndFree(c, "data/brisvelt2.png");
}

// The HUD frame also carries a veil of the glass's pane: the large level number, drawn between the
// background and this frame, shows through it faintly.
constexpr double kLevelNumberVeil = 0.85;

void GenerateHudFrame() {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawGlassPane(c.cr, kLevelNumberVeil);
    DrawHud(c.cr, "SCORE", "MISTAKES LEFT", "LEVEL");
    SaveAndFree(c, "data/stat_gui.png");
    c = NewCanvas(kScreenWidth, kScreenHeight);
    DrawGlassPane(c.cr, kLevelNumberVeil);
    DrawHud(c.cr, "ОЧКИ", "ЗАПАС ОШИБОК", "УРОВЕНЬ");
    SaveAndFree(c, "data/stat_gui_ru.png");
}

void GenerateIcon() {
    Canvas c = NewCanvas(64, 64);
    cairo_t* cr = c.cr;
    RoundedRect(cr, 2, 3, 60, 60, 14);
    SetColour(cr, Hex(0x000000, 0.3));
    cairo_fill(cr);
    RoundedRect(cr, 2, 2, 60, 60, 14);
    SetVerticalGradient(cr, 2, Hex(0x4E74E6), 62, Hex(0x2B1E78));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xC8D6FF, 0.8));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    const double x[3] = {32, 19, 45}, y[3] = {20, 42, 42};
    const int colour[3] = {0, 3, 1};
    for (int i = 0; i < 3; ++i) DrawSpring(cr, x[i], y[i], x[(i + 1) % 3], y[(i + 1) % 3], 4, Hex(0xDCE6FF));
    for (int i = 0; i < 3; ++i) DrawFullBlock(cr, colour[i], x[i], y[i], 10.5);
    RoundedRect(cr, 3.5, 3.5, 57, 28, 12);
    SetVerticalGradient(cr, 3, Hex(0xFFFFFF, 0.25), 31, Hex(0xFFFFFF, 0.0));
    cairo_fill(cr);
    SaveAndFree(c, "data/icon.png");
}

// The donate screens: a thank-you card with a mascot built from the games' blocks and a button area
// (187, 147, 98 x 30) that the game makes clickable; in English and Russian, one card per mascot.
#include <cmath>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "layout.h"
#include "style.h"

namespace {

// The button area the game tests the cursor against.
constexpr double kButtonX = 187, kButtonY = 147, kButtonW = 98, kButtonH = 30;

struct DonateTexts {
    const char* title;
    const char* line1;
    const char* line2;
    const char* button;
    const char* hint;
};

const DonateTexts kEnglish = {"Thank you for playing!", "If Pelorina made you smile,", "help us make more games:",
                              "DONATE", "Esc: leave the game"};
const DonateTexts kRussian = {"Спасибо за игру!", "Если Пелорина вас порадовала,", "помогите нам делать новые игры:",
                              "ПОМОЧЬ", "Esc: выйти из игры"};

// A calm version of the games' blue-violet backdrop with soft floating lights.
void DrawCardBackdrop(cairo_t* cr, uint32_t seed, uint32_t glow) {
    SetVerticalGradient(cr, 0, Hex(0x1C3284), kScreenHeight, Hex(0x3B1D70));
    cairo_paint(cr);
    SetRadialGradient(cr, 240, 120, 260, Hex(glow, 0.35), Hex(glow, 0.0));
    cairo_paint(cr);
    Random random(seed);
    for (int i = 0; i < 30; ++i) {
        const double x = random.Range(0, kScreenWidth), y = random.Range(0, kScreenHeight);
        SoftDot(cr, x, y, random.Range(4, 16), Hex(0xFFFFFF, random.Range(0.04, 0.12)));
    }
}

// Two dots and a smile on a block, so the mascot looks at the player.
void DrawFace(cairo_t* cr, double cx, double cy, double half) {
    SetColour(cr, Hex(0x101030));
    for (int side = -1; side <= 1; side += 2) {
        cairo_arc(cr, cx + side * half * 0.38, cy - half * 0.15, half * 0.14, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    cairo_set_line_width(cr, half * 0.12);
    cairo_arc(cr, cx, cy + half * 0.05, half * 0.42, 0.2 * M_PI, 0.8 * M_PI);
    cairo_stroke(cr);
}

// Sorvik: a little tower of three joined blocks with a face on top, waving a heart.
void DrawSorvik(cairo_t* cr, double cx, double baseY) {
    const double half = 13;
    const double step = 2 * half + 2;
    DrawSpring(cr, cx, baseY - half, cx, baseY - half - step, 3, Hex(0xFFFFFF, 0.7));
    DrawSpring(cr, cx, baseY - half - step, cx, baseY - half - 2 * step, 3, Hex(0xFFFFFF, 0.7));
    DrawFullBlock(cr, 2, cx, baseY - half, half);
    DrawFullBlock(cr, 1, cx, baseY - half - step, half);
    DrawBlockBody(cr, cx, baseY - half - 2 * step, half, BlockColour(3));
    DrawBlockShine(cr, cx, baseY - half - 2 * step, half);
    DrawFace(cr, cx, baseY - half - 2 * step, half);
    // The arm and the heart it holds up.
    DrawSpring(cr, cx + half, baseY - half - step, cx + 2.4 * half, baseY - half - 2.6 * step, 3, Hex(0xFFFFFF, 0.7));
    SymbolPath(cr, Symbol::Heart, cx + 2.6 * half, baseY - half - 2.9 * step, 11);
    SetRadialGradient(cr, cx + 2.6 * half, baseY - half - 3.0 * step, 14, Hex(0xFF9BC2), Hex(0xE0306A));
    cairo_fill(cr);
}

// Mirdelo: a heart made of blocks of every colour, joined by springs, with a face in the middle.
void DrawMirdelo(cairo_t* cr, double cx, double cy) {
    const double half = 8;
    const int count = 14;
    double xs[count], ys[count];
    for (int i = 0; i < count; ++i) {
        const double t = 2 * M_PI * i / count;
        // The classic heart curve, scaled to about 60 px across.
        const double hx = 16 * std::pow(std::sin(t), 3);
        const double hy = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
        xs[i] = cx + hx * 2.1;
        ys[i] = cy - hy * 2.1;
    }
    for (int i = 0; i < count; ++i) {
        const int j = (i + 1) % count;
        DrawSpring(cr, xs[i], ys[i], xs[j], ys[j], 2.5, Hex(0xFFFFFF, 0.6));
    }
    for (int i = 0; i < count; ++i) DrawFullBlock(cr, i % 6, xs[i], ys[i], half);
    DrawBlockBody(cr, cx, cy + 2, 14, BlockColour(0));
    DrawBlockShine(cr, cx, cy + 2, 14);
    DrawFace(cr, cx, cy + 2, 14);
}

// The donate button: a glossy pink pill exactly over the clickable area.
void DrawButton(cairo_t* cr, const char* label) {
    RoundedRect(cr, kButtonX + 1, kButtonY + 3, kButtonW, kButtonH, kButtonH / 2);
    SetColour(cr, Hex(0x000000, 0.3));
    cairo_fill(cr);
    RoundedRect(cr, kButtonX, kButtonY, kButtonW, kButtonH, kButtonH / 2);
    SetVerticalGradient(cr, kButtonY, Lighter(AccentPink(), 0.35), kButtonY + kButtonH, Darker(AccentPink(), 0.2));
    cairo_fill_preserve(cr);
    SetColour(cr, Hex(0xFFFFFF, 0.8));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    RoundedRect(cr, kButtonX + 4, kButtonY + 2, kButtonW - 8, kButtonH / 2 - 2, kButtonH / 4);
    SetColour(cr, Hex(0xFFFFFF, 0.25));
    cairo_fill(cr);
    TextStyle style;
    style.size = 14;
    style.bold = true;
    style.spacing = 1.5;
    style.shadow = Hex(0x5A0A30, 0.6);
    DrawTextCentred(cr, label, kButtonX + kButtonW / 2, kButtonY + kButtonH / 2, style);
}

// The card's middle, where the plea and the button stand: a game with no page to open covers them with
// the same part of the card drawn without them.
constexpr double kPlainX = 128, kPlainY = 88, kPlainW = 224, kPlainH = 96;

void DrawCardBase(cairo_t* cr, bool sorvik) {
    DrawCardBackdrop(cr, sorvik ? 0xD0A7Eu : 0x3E1D0u, sorvik ? 0x5C8BFF : 0xD05BE0);
    DrawPanel(cr, 120, 40, 240, 190, 14);
}

void DrawPlainMiddle(bool sorvik, const std::string& file) {
    Canvas c = NewCanvas(static_cast<int>(kPlainW), static_cast<int>(kPlainH));
    cairo_translate(c.cr, -kPlainX, -kPlainY);
    DrawCardBase(c.cr, sorvik);
    SaveAndFree(c, file);
}

void DrawCard(const DonateTexts& texts, bool sorvik, const std::string& file) {
    Canvas c = NewCanvas(kScreenWidth, kScreenHeight);
    cairo_t* cr = c.cr;
    DrawCardBase(cr, sorvik);

    TextStyle title;
    title.size = 17;
    title.bold = true;
    title.fill = Hex(0xFFFFFF);
    title.shadow = ShadowBlue();
    title.shadowDy = 2;
    DrawTextCentred(cr, texts.title, 240, 70, title);
    TextStyle line;
    line.size = 11;
    line.bold = false;
    line.fill = Hex(0xDDE6FF);
    line.hinted = true;
    DrawTextCentred(cr, texts.line1, 240, 100, line);
    DrawTextCentred(cr, texts.line2, 240, 117, line);
    DrawButton(cr, texts.button);
    TextStyle hint = line;
    hint.size = 9;
    hint.fill = Hex(0xAAB6E0);
    DrawTextCentred(cr, texts.hint, 240, 206, hint);

    if (sorvik) {
        DrawSorvik(cr, 70, 232);
        DrawSorvik(cr, 410, 232);
    } else {
        DrawMirdelo(cr, 62, 140);
        DrawMirdelo(cr, 418, 140);
    }
    SaveAndFree(c, file);
}

}  // namespace

void GenerateDonateScreens() {
    DrawCard(kEnglish, true, "data/donate-screen-with-sorvik.png");
    DrawCard(kRussian, true, "data/donate-screen-with-sorvik_ru.png");
    DrawCard(kEnglish, false, "data/donate-screen-with-mirdelo.png");
    DrawCard(kRussian, false, "data/donate-screen-with-mirdelo_ru.png");
    DrawPlainMiddle(true, "data/donate-plain-sorvik.png");
    DrawPlainMiddle(false, "data/donate-plain-mirdelo.png");
}

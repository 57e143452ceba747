// The blocks in the glass: bodies, shine, symbols, links, piece outlines, the special mark, the selection
// ring, ice and frost.
#include <cmath>
#include <string>

#include "assetgen.h"
#include "canvas.h"
#include "style.h"

namespace {

// Block sprites are drawn as 23 px squares; the body keeps a pixel free all round for filtering.
constexpr int kBlockImage = 23;
constexpr double kBlockCentre = 11.5;
constexpr double kBlockHalf = 10.5;

std::string Numbered(const char* prefix, int n, const char* extension = ".tga") {
    return std::string(prefix) + std::to_string(n) + extension;
}

// The ice of a locked block: pale blue-grey glass with frosted streaks.
void DrawIceBody(cairo_t* cr) {
    const Rgba base = Hex(0xA9C3DC);
    DrawBlockBody(cr, kBlockCentre, kBlockCentre, kBlockHalf, base);
    cairo_save(cr);
    RoundedRect(cr, kBlockCentre - kBlockHalf, kBlockCentre - kBlockHalf, 2 * kBlockHalf, 2 * kBlockHalf,
                kBlockHalf * 0.48);
    cairo_clip(cr);
    // Diagonal streaks of frozen light.
    const double streaks[3][2] = {{-6, 3}, {1, 5}, {8, 2}};
    for (const auto& s : streaks) {
        cairo_move_to(cr, s[0], 23);
        cairo_line_to(cr, s[0] + 14, 0);
        cairo_line_to(cr, s[0] + 14 + s[1], 0);
        cairo_line_to(cr, s[0] + s[1], 23);
        cairo_close_path(cr);
    }
    SetColour(cr, Hex(0xFFFFFF, 0.28));
    cairo_fill(cr);
    // A frosted square inset, so that locked blocks read as "ice" and not as a seventh colour.
    RoundedRect(cr, 5.5, 5.5, 12, 12, 3);
    SetColour(cr, Hex(0xEAF4FF, 0.55));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A crack: a dark jagged line with a light edge beside it.
void DrawCrack(cairo_t* cr, const double* points, int count) {
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    for (int pass = 0; pass < 2; ++pass) {
        cairo_new_path(cr);
        for (int i = 0; i < count; ++i) {
            const double x = points[2 * i] + (pass == 0 ? 0.6 : 0), y = points[2 * i + 1] + (pass == 0 ? 0.6 : 0);
            if (i == 0) {
                cairo_move_to(cr, x, y);
            } else {
                cairo_line_to(cr, x, y);
            }
        }
        SetColour(cr, pass == 0 ? Hex(0xFFFFFF, 0.8) : Hex(0x1C2A44, 0.95));
        cairo_set_line_width(cr, pass == 0 ? 1.0 : 1.2);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

// Frost creeping over a block as it rests: stage 0 a few crystals at the corners, stage 2 a thick crust.
void DrawFrost(cairo_t* cr, int stage) {
    cairo_save(cr);
    RoundedRect(cr, kBlockCentre - kBlockHalf, kBlockCentre - kBlockHalf, 2 * kBlockHalf, 2 * kBlockHalf,
                kBlockHalf * 0.48);
    cairo_clip(cr);
    if (stage >= 1) {
        RoundedRect(cr, 1, 1, 21, 21, 5);
        SetColour(cr, Hex(0xE8F4FF, stage == 1 ? 0.18 : 0.42));
        cairo_fill(cr);
    }
    // Corner crust growing with the stage.
    const double reach = 5 + stage * 3.5;
    const double corners[4][2] = {{1, 1}, {22, 1}, {1, 22}, {22, 22}};
    for (const auto& c : corners) {
        cairo_pattern_t* p = cairo_pattern_create_radial(c[0], c[1], 0, c[0], c[1], reach);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.85);
        cairo_pattern_add_color_stop_rgba(p, 0.6, 0.9, 0.96, 1, 0.45);
        cairo_pattern_add_color_stop_rgba(p, 1, 0.9, 0.96, 1, 0);
        cairo_set_source(cr, p);
        cairo_pattern_destroy(p);
        cairo_paint(cr);
    }
    // Six-armed crystals.
    Random random(0xF205u + stage * 977u);
    const int crystals = 3 + stage * 3;
    for (int i = 0; i < crystals; ++i) {
        const double x = random.Range(2, 21), y = random.Range(2, 21);
        const double r = random.Range(1.5, 2.2 + stage * 0.6);
        for (int k = 0; k < 3; ++k) {
            const double a = k * M_PI / 3 + random.Range(0, 0.5);
            cairo_move_to(cr, x - r * std::cos(a), y - r * std::sin(a));
            cairo_line_to(cr, x + r * std::cos(a), y + r * std::sin(a));
        }
    }
    SetColour(cr, Hex(0xFFFFFF, 0.8));
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    cairo_restore(cr);
    RoundedRect(cr, kBlockCentre - kBlockHalf + 0.5, kBlockCentre - kBlockHalf + 0.5, 2 * kBlockHalf - 1,
                2 * kBlockHalf - 1, kBlockHalf * 0.45);
    SetColour(cr, Hex(0xFFFFFF, 0.2 + 0.2 * stage));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

// A piece outline segment in a 25 px square; the segments of one piece join into one line around it.
// kind 0: the end of a piece, joined below; 1: the middle of a bar, joined above and below;
// 2: a corner, joined above and to the right.
void OutlinePath(cairo_t* cr, int kind) {
    const double a = 2.5, b = 22.5, c = 12.5, r = 10;
    cairo_new_path(cr);
    switch (kind) {
        case 0:
            cairo_move_to(cr, a, 26);
            cairo_line_to(cr, a, c);
            cairo_arc(cr, c, c, r, M_PI, 2 * M_PI);
            cairo_line_to(cr, b, 26);
            break;
        case 1:
            cairo_move_to(cr, a, -1);
            cairo_line_to(cr, a, 26);
            cairo_move_to(cr, b, -1);
            cairo_line_to(cr, b, 26);
            break;
        default:
            cairo_move_to(cr, a, -1);
            cairo_line_to(cr, a, c);
            cairo_arc_negative(cr, c, c, r, M_PI, M_PI / 2);
            cairo_line_to(cr, 26, b);
            // The inner corner, where the neighbours above and to the right meet.
            cairo_move_to(cr, b, -1);
            cairo_line_to(cr, b, 0.5);
            cairo_arc_negative(cr, 24.5, 0.5, 2, M_PI, M_PI / 2);
            cairo_line_to(cr, 26, a);
            break;
    }
}

}  // namespace

void GenerateBlocks() {
    for (int colour = 0; colour < kBlockColourCount; ++colour) {
        Canvas c = NewCanvas(kBlockImage, kBlockImage);
        DrawBlockBody(c.cr, kBlockCentre, kBlockCentre, kBlockHalf, BlockColour(colour));
        SaveAndFree(c, Numbered("data/set_0/atom_", colour + 1));

        c = NewCanvas(kBlockImage, kBlockImage);
        DrawBlockSymbol(c.cr, colour, kBlockCentre, kBlockCentre, kBlockHalf);
        SaveAndFree(c, Numbered("data/set_0/uzor_", colour + 1));
    }
    Canvas shine = NewCanvas(kBlockImage, kBlockImage);
    DrawBlockShine(shine.cr, kBlockCentre, kBlockCentre, kBlockHalf);
    SaveAndFree(shine, "data/blik.tga");
}

void GenerateLinks() {
    // A link lies along the image's x axis and bridges the small gap between two blocks 24 px apart.
    for (int colour = 0; colour < kBlockColourCount; ++colour) {
        Canvas c = NewCanvas(13, 13);
        cairo_t* cr = c.cr;
        const Rgba base = BlockColour(colour);
        RoundedRect(cr, 0.5, 4, 12, 5, 2.5);
        SetColour(cr, Darker(base, 0.6));
        cairo_fill(cr);
        RoundedRect(cr, 1.2, 4.8, 10.6, 3.4, 1.7);
        SetVerticalGradient(cr, 4.8, Lighter(base, 0.55), 8.2, base);
        cairo_fill(cr);
        // A bead in the middle, like a knot in the chain.
        cairo_arc(cr, 6.5, 6.5, 3.6, 0, 2 * M_PI);
        SetColour(cr, Darker(base, 0.6));
        cairo_fill(cr);
        cairo_arc(cr, 6.5, 6.5, 2.7, 0, 2 * M_PI);
        SetRadialGradient(cr, 5.7, 5.6, 3.2, Lighter(base, 0.8), Lighter(base, 0.1));
        cairo_fill(cr);
        SaveAndFree(c, Numbered("data/set_0/link_", colour + 1));
    }
}

void GenerateOutlines() {
    for (int kind = 0; kind < 3; ++kind) {
        Canvas c = NewCanvas(25, 25);
        cairo_t* cr = c.cr;
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        OutlinePath(cr, kind);
        SetColour(cr, Hex(0x7FE8FF, 0.35));
        cairo_set_line_width(cr, 4.5);
        cairo_stroke(cr);
        OutlinePath(cr, kind);
        SetColour(cr, Hex(0xFFFFFF, 0.95));
        cairo_set_line_width(cr, 1.8);
        cairo_stroke(cr);
        SaveAndFree(c, "data/bg_obv_0" + std::to_string(kind + 1) + ".tga");
    }
}

void GenerateMarks() {
    // The special mark: a golden gem. Its image centre sits to the lower right of the block it marks.
    Canvas c = NewCanvas(32, 32);
    cairo_t* cr = c.cr;
    const double x = 16, y = 16, rx = 7.5, ry = 9;
    SoftDot(cr, x, y, 13, Hex(0xFFE680, 0.55));
    auto gem = [&]() {
        cairo_new_path(cr);
        cairo_move_to(cr, x, y - ry);
        cairo_line_to(cr, x + rx, y);
        cairo_line_to(cr, x, y + ry);
        cairo_line_to(cr, x - rx, y);
        cairo_close_path(cr);
    };
    gem();
    SetColour(cr, Hex(0x5A3300));
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    // Four facets lit from the upper left.
    const double facets[4][3] = {{-1, -1, 0.0}, {1, -1, 0.3}, {-1, 1, 0.55}, {1, 1, 0.8}};
    const Rgba light = Hex(0xFFF6B0), dark = Hex(0xD98A00);
    for (const auto& f : facets) {
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + f[0] * rx, y);
        cairo_line_to(cr, x, y + f[1] * ry);
        cairo_close_path(cr);
        SetColour(cr, Mix(light, dark, f[2]));
        cairo_fill(cr);
    }
    cairo_move_to(cr, x - rx * 0.45, y - ry * 0.2);
    cairo_line_to(cr, x, y - ry * 0.75);
    SetColour(cr, Hex(0xFFFFFF, 0.9));
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // A twinkle on the upper right.
    StarPath(cr, x + 6.5, y - 7.5, 4, 1, 4, 0);
    SetColour(cr, Hex(0xFFFFFF, 0.95));
    cairo_fill(cr);
    SaveAndFree(c, "data/romb1.tga");

    // Selection ring: a bright rim around the block with a glow reaching inwards.
    c = NewCanvas(23, 23);
    cr = c.cr;
    RoundedRect(cr, 2, 2, 19, 19, 5.5);
    SetColour(cr, Hex(0xFFFFFF, 0.4));
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    RoundedRect(cr, 1.2, 1.2, 20.6, 20.6, 5.6);
    SetColour(cr, Hex(0xFFFFFF));
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    SaveAndFree(c, "data/atom_white1.tga");
}

void GenerateIce() {
    Canvas c = NewCanvas(kBlockImage, kBlockImage);
    DrawIceBody(c.cr);
    SaveAndFree(c, "data/led.tga");

    const double crack1[] = {3, 7, 8, 10, 10, 8, 14, 13, 17, 12, 21, 16};
    const double crack2[] = {9, 2, 11, 6, 9, 11, 12, 15, 10, 20};
    const double crack3[] = {14, 13, 16, 18, 20, 19};
    const double crack4[] = {4, 17, 7, 15, 9, 11};

    c = NewCanvas(kBlockImage, kBlockImage);
    DrawIceBody(c.cr);
    DrawCrack(c.cr, crack1, 6);
    SaveAndFree(c, "data/slom_1.tga");

    c = NewCanvas(kBlockImage, kBlockImage);
    cairo_t* cr = c.cr;
    DrawIceBody(cr);
    // A chipped corner.
    cairo_save(cr);
    cairo_move_to(cr, 23, 14);
    cairo_line_to(cr, 17, 18);
    cairo_line_to(cr, 15, 23);
    cairo_line_to(cr, 23, 23);
    cairo_close_path(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cr);
    cairo_restore(cr);
    DrawCrack(cr, crack1, 6);
    DrawCrack(cr, crack2, 5);
    DrawCrack(cr, crack3, 3);
    DrawCrack(cr, crack4, 3);
    SaveAndFree(c, "data/slom_2.tga");

    for (int stage = 0; stage < 3; ++stage) {
        c = NewCanvas(kBlockImage, kBlockImage);
        DrawFrost(c.cr, stage);
        SaveAndFree(c, Numbered("data/led_", stage));
    }
}

// Drawing surfaces of the asset generator: cairo canvases, colours, shapes, text, and the PNG and TGA writers.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

std::string outputFolder = ".";
int filesWritten = 0;
int filesFailed = 0;

// The UTF-8 text split into one string per character, so letters can be spaced out.
std::vector<std::string> SplitCharacters(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80 && !out.empty()) {
            out.back() += static_cast<char>(c);
        } else {
            out.emplace_back(1, static_cast<char>(c));
        }
    }
    return out;
}

void SelectFont(cairo_t* cr, const TextStyle& style) {
    cairo_select_font_face(cr, style.condensed ? "DejaVu Sans Condensed" : "DejaVu Sans",
                           CAIRO_FONT_SLANT_NORMAL,
                           style.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, style.size);
    // Hinting off keeps glyph shapes identical however a text is positioned; tiny texts are hinted instead.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, style.hinted ? CAIRO_HINT_STYLE_FULL : CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, style.hinted ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

// Baseline start of a centred text: its left x and the baseline y.
void CentredOrigin(cairo_t* cr, const std::string& text, double cx, double cy, const TextStyle& style,
                   double* x, double* y) {
    SelectFont(cr, style);
    cairo_text_extents_t cap;
    cairo_text_extents(cr, "H", &cap);
    *x = cx - TextWidth(cr, text, style) / 2.0;
    *y = cy + cap.height / 2.0;
    if (style.hinted) {
        *x = std::round(*x);
        *y = std::round(*y);
    }
}

// Appends the path of each character, advancing by its width plus the spacing.
void AppendTextPath(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& style) {
    for (const std::string& ch : SplitCharacters(text)) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, ch.c_str(), &e);
        cairo_move_to(cr, x, y);
        cairo_text_path(cr, ch.c_str());
        x += e.x_advance + style.spacing;
    }
}

bool WriteTga(Canvas& canvas, const std::string& path) {
    cairo_surface_flush(canvas.surface);
    const int w = canvas.width, h = canvas.height;
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    const unsigned char* data = cairo_image_surface_get_data(canvas.surface);

    // Straight-alpha BGRA rows, top row first.
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t p = row[x];
            const unsigned a = p >> 24;
            unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a != 0 && a != 255) {
                r = std::min(255u, (r * 255 + a / 2) / a);
                g = std::min(255u, (g * 255 + a / 2) / a);
                b = std::min(255u, (b * 255 + a / 2) / a);
            }
            unsigned char* out = &pixels[(static_cast<size_t>(y) * w + x) * 4];
            out[0] = static_cast<unsigned char>(b);
            out[1] = static_cast<unsigned char>(g);
            out[2] = static_cast<unsigned char>(r);
            out[3] = static_cast<unsigned char>(a);
        }
    }

    // Fully transparent texels take the colour of their visible neighbours, so that filtered sprites get no
    // dark fringe where the image fades out. A few passes reach as far as the filter can look.
    std::vector<unsigned char> known(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < known.size(); ++i) known[i] = pixels[i * 4 + 3] != 0;
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<unsigned char> next = known;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (known[i]) continue;
                unsigned sum[3] = {0, 0, 0}, count = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        const size_t j = static_cast<size_t>(ny) * w + nx;
                        if (!known[j]) continue;
                        for (int k = 0; k < 3; ++k) sum[k] += pixels[j * 4 + k];
                        ++count;
                    }
                }
                if (count == 0) continue;
                for (int k = 0; k < 3; ++k) pixels[i * 4 + k] = static_cast<unsigned char>(sum[k] / count);
                next[i] = 1;
            }
        }
        known.swap(next);
    }

    unsigned char header[18] = {};
    header[2] = 2;  // uncompressed true colour
    header[12] = static_cast<unsigned char>(w & 0xFF);
    header[13] = static_cast<unsigned char>(w >> 8);
    header[14] = static_cast<unsigned char>(h & 0xFF);
    header[15] = static_cast<unsigned char>(h >> 8);
    header[16] = 32;    // bits per pixel
    header[17] = 0x28;  // 8 alpha bits, first row at the top

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    ok = ok && std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

}  // namespace

Rgba Hex(uint32_t rgb, double alpha) {
    return Rgba{((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
    return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba Lighter(const Rgba& c, double t) { return Rgba{c.r + (1 - c.r) * t, c.g + (1 - c.g) * t, c.b + (1 - c.b) * t, c.a}; }
Rgba Darker(const Rgba& c, double t) { return Rgba{c.r * (1 - t), c.g * (1 - t), c.b * (1 - t), c.a}; }
Rgba WithAlpha(const Rgba& c, double alpha) { return Rgba{c.r, c.g, c.b, alpha}; }

uint32_t Random::Next() {
    // xorshift32: small, fast and the same everywhere.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

double Random::Uniform() { return (Next() >> 8) / 16777216.0; }
double Random::Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

void SetOutputFolder(const std::string& folder) { outputFolder = folder; }
const std::string& OutputFolder() { return outputFolder; }
int FilesWritten() { return filesWritten; }
int FilesFailed() { return filesFailed; }

Canvas NewCanvas(int width, int height) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    c.cr = cairo_create(c.surface);
    cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_GOOD);
    return c;
}

void FreeCanvas(Canvas& canvas) {
    if (canvas.cr) cairo_destroy(canvas.cr);
    if (canvas.surface) cairo_surface_destroy(canvas.surface);
    canvas = Canvas{};
}

bool SaveImage(Canvas& canvas, const std::string& relativeName) {
    const std::filesystem::path path = std::filesystem::path(outputFolder) / relativeName;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    bool ok = false;
    if (path.extension() == ".tga") {
        ok = WriteTga(canvas, path.string());
    } else {
        cairo_surface_flush(canvas.surface);
        ok = cairo_surface_write_to_png(canvas.surface, path.string().c_str()) == CAIRO_STATUS_SUCCESS;
    }
    if (ok) {
        ++filesWritten;
    } else {
        ++filesFailed;
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
    }
    return ok;
}

bool SaveAndFree(Canvas& canvas, const std::string& relativeName) {
    const bool ok = SaveImage(canvas, relativeName);
    FreeCanvas(canvas);
    return ok;
}

void SetColour(cairo_t* cr, const Rgba& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2.0, h / 2.0});
    const double pi = M_PI;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void StarPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double turn) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        const double a = turn - M_PI / 2 + i * M_PI / points;
        const double r = (i % 2 == 0) ? outer : inner;
        if (i == 0) {
            cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        } else {
            cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        }
    }
    cairo_close_path(cr);
}

void PolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides, double turn) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < sides; ++i) {
        const double a = turn - M_PI / 2 + i * 2 * M_PI / sides;
        if (i == 0) {
            cairo_move_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
        } else {
            cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
        }
    }
    cairo_close_path(cr);
}

void SetVerticalGradient(cairo_t* cr, double y0, const Rgba& top, double y1, const Rgba& bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void SetRadialGradient(cairo_t* cr, double cx, double cy, double radius, const Rgba& inner, const Rgba& outer) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgba(p, 0, inner.r, inner.g, inner.b, inner.a);
    cairo_pattern_add_color_stop_rgba(p, 1, outer.r, outer.g, outer.b, outer.a);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void SoftDot(cairo_t* cr, double cx, double cy, double radius, const Rgba& colour) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgba(p, 0, colour.r, colour.g, colour.b, colour.a);
    cairo_pattern_add_color_stop_rgba(p, 0.45, colour.r, colour.g, colour.b, colour.a * 0.45);
    cairo_pattern_add_color_stop_rgba(p, 1, colour.r, colour.g, colour.b, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

double TextWidth(cairo_t* cr, const std::string& text, const TextStyle& style) {
    SelectFont(cr, style);
    double width = 0;
    const std::vector<std::string> chars = SplitCharacters(text);
    for (const std::string& ch : chars) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, ch.c_str(), &e);
        width += e.x_advance;
    }
    if (!chars.empty()) width += style.spacing * (chars.size() - 1);
    return width;
}

void TextPathCentred(cairo_t* cr, const std::string& text, double cx, double cy, const TextStyle& style) {
    double x = 0, y = 0;
    CentredOrigin(cr, text, cx, cy, style, &x, &y);
    cairo_new_path(cr);
    AppendTextPath(cr, text, x, y, style);
}

void DrawTextCentred(cairo_t* cr, const std::string& text, double cx, double cy, const TextStyle& style) {
    double x = 0, y = 0;
    CentredOrigin(cr, text, cx, cy, style, &x, &y);
    cairo_save(cr);
    if (style.shadow.a > 0) {
        cairo_new_path(cr);
        AppendTextPath(cr, text, x + style.shadowDx, y + style.shadowDy, style);
        SetColour(cr, style.shadow);
        if (style.outline.a > 0 && style.outlineWidth > 0) {
            cairo_set_line_width(cr, style.outlineWidth * 2);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke_preserve(cr);
        }
        cairo_fill(cr);
    }
    cairo_new_path(cr);
    AppendTextPath(cr, text, x, y, style);
    if (style.outline.a > 0 && style.outlineWidth > 0) {
        SetColour(cr, style.outline);
        cairo_set_line_width(cr, style.outlineWidth * 2);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke_preserve(cr);
    }
    SetColour(cr, style.fill);
    cairo_fill(cr);
    cairo_restore(cr);
}

// Textured triangles on the headless software renderer, drawn straight into the picture with the very
// arithmetic of SDL's own software path (same quad-to-copy detection, same fixed-point edges, texel choice
// and blending), so every pixel is the same; only far fewer instructions are spent on each.
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "platform/platform_local.h"

namespace {

struct SoftRasterState {
    SDL_Renderer* renderer = nullptr;
    SDL_Surface* target = nullptr;  // the picture; null: SDL draws everything itself
    bool enabled = true;            // tests switch it off to compare with SDL's own drawing
    bool clipOn = false;
    SDL_Rect clip{};  // the text box while text is drawn
};

SoftRasterState raster;

// One corner as SDL's software renderer keeps it: texel, position in half pixels, colour.
struct Corner {
    int sx, sy;
    int dx, dy;
    SDL_Color colour;
};

bool SameColour(SDL_Color a, SDL_Color b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

int Cross(const Corner& a, const Corner& b, int cx, int cy) {
    return (b.dx - a.dx) * (cy - a.dy) - (b.dy - a.dy) * (cx - a.dx);
}

bool IsTopLeft(const Corner& a, const Corner& b, bool clockwise) {
    if (clockwise) return (a.dy == b.dy && a.dx < b.dx) || b.dy < a.dy;
    return (a.dy == b.dy && b.dx < a.dx) || a.dy < b.dy;
}

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// A texel coordinate along a row: numerator / area, stepped without dividing. The numerator never goes
// below zero inside the triangle, so flooring equals C's truncation there.
struct Stepper {
    int64_t q, r, dq, dr, area;
    // The step is the same for the whole triangle: divided once.
    void Prepare(int64_t step, int64_t a) {
        area = a;
        dq = FloorDiv(step, a);
        dr = step - dq * a;
    }
    void Start(int64_t numerator) {
        q = numerator / area;  // not negative inside the triangle
        r = numerator - q * area;
    }
    void Next() {
        q += dq;
        r += dr;
        if (r >= area) {
            r -= area;
            ++q;
        }
    }
};

enum BlendKind { BlendNone, BlendAlpha, BlendAdd };

// Blends texel s onto d as SDL's generic blitter does for ARGB8888 on both sides.
template <BlendKind blend, bool modColour, bool modAlpha>
inline void BlendPixel(uint32_t s, uint32_t* d, uint32_t mr, uint32_t mg, uint32_t mb, uint32_t ma) {
    uint32_t sA = s >> 24, sR = (s >> 16) & 0xFF, sG = (s >> 8) & 0xFF, sB = s & 0xFF;
    if (modColour) {
        sR = sR * mr / 255;
        sG = sG * mg / 255;
        sB = sB * mb / 255;
    }
    if (modAlpha) sA = sA * ma / 255;
    if (blend == BlendNone) {
        *d = sA << 24 | sR << 16 | sG << 8 | sB;
        return;
    }
    if (sA == 0) return;  // adds nothing, blends to the same value
    if (sA < 255) {
        sR = sR * sA / 255;
        sG = sG * sA / 255;
        sB = sB * sA / 255;
    }
    uint32_t p = *d;
    uint32_t dA = p >> 24, dR = (p >> 16) & 0xFF, dG = (p >> 8) & 0xFF, dB = p & 0xFF;
    if (blend == BlendAlpha) {
        uint32_t keep = 255 - sA;
        dR = sR + keep * dR / 255;
        dG = sG + keep * dG / 255;
        dB = sB + keep * dB / 255;
        dA = sA + keep * dA / 255;
    } else {
        dR = sR + dR > 255 ? 255 : sR + dR;
        dG = sG + dG > 255 ? 255 : sG + dG;
        dB = sB + dB > 255 ? 255 : sB + dB;
    }
    *d = dA << 24 | dR << 16 | dG << 8 | dB;
}

// Everything the per-pixel loop needs of one triangle.
struct TriangleSetup {
    SDL_Rect box;  // clipped bounding box, pixels
    int area;
    int w0Row, w1Row, w2Row;
    int w0Step, w1Step, w2Step;        // per pixel to the right
    int w0RowStep, w1RowStep, w2RowStep;  // per row down
    int bias0, bias1, bias2;
    int s2s0x, s2s1x, s2s0y, s2s1y;
    int64_t s2AreaX, s2AreaY;
};

// Columns [*first, *last] of the row where w + bias + x * step >= 0 holds for all three edges.
bool RowSpan(const TriangleSetup& t, int w0, int w1, int w2, int* first, int* last) {
    int64_t lo = 0, hi = t.box.w - 1;
    const int values[3] = {w0 + t.bias0, w1 + t.bias1, w2 + t.bias2};
    const int steps[3] = {t.w0Step, t.w1Step, t.w2Step};
    for (int k = 0; k < 3; ++k) {
        int64_t v = values[k], s = steps[k];
        if (s > 0) {
            int64_t from = -FloorDiv(v, s);  // ceil(-v / s)
            if (from > lo) lo = from;
        } else if (s < 0) {
            int64_t to = FloorDiv(v, -s);
            if (to < hi) hi = to;
        } else if (v < 0) {
            return false;
        }
    }
    if (lo > hi) return false;
    *first = static_cast<int>(lo);
    *last = static_cast<int>(hi);
    return true;
}

template <BlendKind blend, bool modColour, bool modAlpha>
void FillTriangle(const TriangleSetup& t, const SDL_Surface* src, SDL_Surface* dst, SDL_Color c) {
    const uint32_t mr = c.r, mg = c.g, mb = c.b, ma = c.a;
    const auto* srcPixels = static_cast<const uint8_t*>(src->pixels);
    auto* dstRow = static_cast<uint8_t*>(dst->pixels) + t.box.y * dst->pitch + t.box.x * 4;
    int w0Row = t.w0Row, w1Row = t.w1Row, w2Row = t.w2Row;
    const int64_t stepX = static_cast<int64_t>(t.w0Step) * t.s2s0x + static_cast<int64_t>(t.w1Step) * t.s2s1x;
    const int64_t stepY = static_cast<int64_t>(t.w0Step) * t.s2s0y + static_cast<int64_t>(t.w1Step) * t.s2s1y;
    Stepper u, v;
    u.Prepare(stepX, t.area);
    v.Prepare(stepY, t.area);
    for (int y = 0; y < t.box.h; ++y, dstRow += dst->pitch) {
        int first, last;
        if (RowSpan(t, w0Row, w1Row, w2Row, &first, &last)) {
            int64_t w0 = w0Row + static_cast<int64_t>(first) * t.w0Step;
            int64_t w1 = w1Row + static_cast<int64_t>(first) * t.w1Step;
            u.Start(w0 * t.s2s0x + w1 * t.s2s1x + t.s2AreaX);
            v.Start(w0 * t.s2s0y + w1 * t.s2s1y + t.s2AreaY);
            auto* d = reinterpret_cast<uint32_t*>(dstRow) + first;
            for (int x = first; x <= last; ++x, ++d) {
                const auto* texel = reinterpret_cast<const uint32_t*>(srcPixels + v.q * src->pitch) + u.q;
                BlendPixel<blend, modColour, modAlpha>(*texel, d, mr, mg, mb, ma);
                u.Next();
                v.Next();
            }
        }
        w0Row += t.w0RowStep;
        w1Row += t.w1RowStep;
        w2Row += t.w2RowStep;
    }
}

template <BlendKind blend>
void FillWithBlend(const TriangleSetup& t, const SDL_Surface* src, SDL_Surface* dst, SDL_Color c, bool modColour,
                   bool modAlpha) {
    if (modColour && modAlpha) FillTriangle<blend, true, true>(t, src, dst, c);
    else if (modColour) FillTriangle<blend, true, false>(t, src, dst, c);
    else if (modAlpha) FillTriangle<blend, false, true>(t, src, dst, c);
    else FillTriangle<blend, false, false>(t, src, dst, c);
}

// SDL's software textured triangle with one colour on all corners.
void BlitTriangle(const SDL_Surface* src, SDL_Surface* dst, Corner c0, Corner c1, Corner c2, BlendKind blend) {
    int area = Cross(c0, c1, c2.dx, c2.dy);
    if (area == 0) return;
    TriangleSetup t{};
    int minX = SDL_min(c0.dx, SDL_min(c1.dx, c2.dx)), maxX = SDL_max(c0.dx, SDL_max(c1.dx, c2.dx));
    int minY = SDL_min(c0.dy, SDL_min(c1.dy, c2.dy)), maxY = SDL_max(c0.dy, SDL_max(c1.dy, c2.dy));
    SDL_Rect box{minX >> 1, minY >> 1, (maxX - minX) >> 1, (maxY - minY) >> 1};

    // The texel coordinates run up to their maximum included, so the maximum is pulled in by one.
    int sMinX = SDL_min(c0.sx, SDL_min(c1.sx, c2.sx)), sMaxX = SDL_max(c0.sx, SDL_max(c1.sx, c2.sx));
    int sMinY = SDL_min(c0.sy, SDL_min(c1.sy, c2.sy)), sMaxY = SDL_max(c0.sy, SDL_max(c1.sy, c2.sy));
    if (sMaxX - sMinX > 0) {
        for (Corner* c : {&c0, &c1, &c2})
            if (c->sx == sMaxX) c->sx--;
    }
    if (sMaxY - sMinY > 0) {
        for (Corner* c : {&c0, &c1, &c2})
            if (c->sy == sMaxY) c->sy--;
    }
    const SDL_Color colour = c0.colour;
    const bool modulated = colour.r != 255 || colour.g != 255 || colour.b != 255 || colour.a != 255;

    SDL_Rect whole{0, 0, dst->w, dst->h};
    SDL_IntersectRect(&box, &whole, &box);
    SDL_Rect clip;
    SDL_GetClipRect(dst, &clip);
    SDL_IntersectRect(&box, &clip, &box);
    t.box = box;

    const bool clockwise = area > 0;
    area = SDL_abs(area);
    t.area = area;
    t.w0Step = (c1.dy - c2.dy) << 1;
    t.w1Step = (c2.dy - c0.dy) << 1;
    t.w2Step = (c0.dy - c1.dy) << 1;
    t.w0RowStep = (c2.dx - c1.dx) << 1;
    t.w1RowStep = (c0.dx - c2.dx) << 1;
    t.w2RowStep = (c1.dx - c0.dx) << 1;
    t.s2s0x = c0.sx - c2.sx;
    t.s2s1x = c1.sx - c2.sx;
    t.s2s0y = c0.sy - c2.sy;
    t.s2s1y = c1.sy - c2.sy;
    {
        // Rendering starts at the middle of the box's first pixel.
        int px = (box.x << 1) + 1, py = (box.y << 1) + 1;
        t.w0Row = Cross(c1, c2, px, py);
        t.w1Row = Cross(c2, c0, px, py);
        t.w2Row = Cross(c0, c1, px, py);
    }
    if (!clockwise) {
        t.w0Step = -t.w0Step;
        t.w1Step = -t.w1Step;
        t.w2Step = -t.w2Step;
        t.w0RowStep = -t.w0RowStep;
        t.w1RowStep = -t.w1RowStep;
        t.w2RowStep = -t.w2RowStep;
        t.w0Row = -t.w0Row;
        t.w1Row = -t.w1Row;
        t.w2Row = -t.w2Row;
    }
    t.bias0 = IsTopLeft(c1, c2, clockwise) ? 0 : -1;
    t.bias1 = IsTopLeft(c2, c0, clockwise) ? 0 : -1;
    t.bias2 = IsTopLeft(c0, c1, clockwise) ? 0 : -1;
    t.s2AreaX = static_cast<int64_t>(c2.sx * area);
    t.s2AreaY = static_cast<int64_t>(c2.sy * area);
    if (t.box.w <= 0 || t.box.h <= 0) return;

    if (blend == BlendNone && !modulated) {
        FillTriangle<BlendNone, false, false>(t, src, dst, colour);
        return;
    }
    bool modColour = colour.r != 255 || colour.g != 255 || colour.b != 255;
    bool modAlpha = colour.a != 255;
    switch (blend) {
        case BlendNone:
            FillWithBlend<BlendNone>(t, src, dst, colour, modColour, modAlpha);
            break;
        case BlendAlpha:
            FillWithBlend<BlendAlpha>(t, src, dst, colour, modColour, modAlpha);
            break;
        case BlendAdd:
            FillWithBlend<BlendAdd>(t, src, dst, colour, modColour, modAlpha);
            break;
    }
}

// SDL's per-pixel alpha blend of ARGB8888 without modulation (its MMX blitter): 8-bit weights, and the
// alpha channel kept by a weight of 255.
inline uint32_t PixelAlphaBlend(uint32_t s, uint32_t d) {
    uint32_t a = s >> 24;
    if (a == 0) return d;
    if (a == 255) return s;
    uint32_t keep = 255 - a;
    auto channel = [&](int shift, uint32_t weight) {
        uint32_t v = ((((s >> shift) & 0xFF) * weight) >> 8) + ((((d >> shift) & 0xFF) * keep) >> 8);
        return (v > 255 ? 255 : v) << shift;
    };
    return channel(24, 255) | channel(16, a) | channel(8, a) | channel(0, a);
}

template <BlendKind blend, bool modColour, bool modAlpha>
void CopyRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h, SDL_Color c) {
    for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch) {
        const auto* s = reinterpret_cast<const uint32_t*>(from);
        auto* d = reinterpret_cast<uint32_t*>(to);
        for (int x = 0; x < w; ++x) BlendPixel<blend, modColour, modAlpha>(s[x], &d[x], c.r, c.g, c.b, c.a);
    }
}

template <BlendKind blend>
void CopyWithBlend(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h, SDL_Color c,
                   bool modColour, bool modAlpha) {
    if (modColour && modAlpha) CopyRows<blend, true, true>(from, fromPitch, to, toPitch, w, h, c);
    else if (modColour) CopyRows<blend, true, false>(from, fromPitch, to, toPitch, w, h, c);
    else if (modAlpha) CopyRows<blend, false, true>(from, fromPitch, to, toPitch, w, h, c);
    else CopyRows<blend, false, false>(from, fromPitch, to, toPitch, w, h, c);
}

// SDL_RenderCopyF of the software renderer when the copy keeps the texture's size: the same rejections,
// integer target, clipping and blitter arithmetic (plain copy, the per-pixel alpha blend, or the generic
// blitter with modulation). False when it does not apply and SDL has to draw.
bool CopyUnscaled(SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target) {
    auto* pixels = static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture));
    SDL_BlendMode mode;
    if (!pixels || SDL_GetTextureBlendMode(texture, &mode) != 0) return false;
    if (mode != SDL_BLENDMODE_NONE && mode != SDL_BLENDMODE_BLEND && mode != SDL_BLENDMODE_ADD) return false;
    SDL_Rect src{0, 0, pixels->w, pixels->h};
    if (!SDL_IntersectRect(&source, &src, &src)) return true;
    SDL_Rect dst{static_cast<int>(target.x), static_cast<int>(target.y), static_cast<int>(target.w),
                 static_cast<int>(target.h)};
    if (src.w != dst.w || src.h != dst.h) return false;
    SDL_FRect view{0.0f, 0.0f, static_cast<float>(raster.target->w), static_cast<float>(raster.target->h)};
    if (!SDL_HasIntersectionF(&target, &view)) return true;

    // SDL_BlitSurface's clipping: to the image, then to the picture's clip rectangle.
    int srcX = src.x, srcY = src.y, w = src.w, h = src.h;
    if (srcX < 0) {
        w += srcX;
        dst.x -= srcX;
        srcX = 0;
    }
    if (pixels->w - srcX < w) w = pixels->w - srcX;
    if (srcY < 0) {
        h += srcY;
        dst.y -= srcY;
        srcY = 0;
    }
    if (pixels->h - srcY < h) h = pixels->h - srcY;
    SDL_Rect clip;
    SDL_GetClipRect(raster.target, &clip);
    int dx = clip.x - dst.x;
    if (dx > 0) {
        w -= dx;
        dst.x += dx;
        srcX += dx;
    }
    dx = dst.x + w - clip.x - clip.w;
    if (dx > 0) w -= dx;
    int dy = clip.y - dst.y;
    if (dy > 0) {
        h -= dy;
        dst.y += dy;
        srcY += dy;
    }
    dy = dst.y + h - clip.y - clip.h;
    if (dy > 0) h -= dy;
    if (w <= 0 || h <= 0) return true;

    Uint8 r = 255, g = 255, b = 255, a = 255;
    SDL_GetTextureColorMod(texture, &r, &g, &b);
    SDL_GetTextureAlphaMod(texture, &a);
    const SDL_Color colour{r, g, b, a};
    const bool modColour = (r & g & b) != 0xFF, modAlpha = a != 0xFF;
    const uint8_t* from = static_cast<const uint8_t*>(pixels->pixels) + srcY * pixels->pitch + srcX * 4;
    uint8_t* to = static_cast<uint8_t*>(raster.target->pixels) + dst.y * raster.target->pitch + dst.x * 4;
    const int fromPitch = pixels->pitch, toPitch = raster.target->pitch;
    if (!modColour && !modAlpha && mode == SDL_BLENDMODE_NONE) {
        for (int y = 0; y < h; ++y) std::memcpy(to + y * toPitch, from + y * fromPitch, static_cast<size_t>(w) * 4);
    } else if (!modColour && !modAlpha && mode == SDL_BLENDMODE_BLEND) {
        for (int y = 0; y < h; ++y) {
            const auto* s = reinterpret_cast<const uint32_t*>(from + y * fromPitch);
            auto* d = reinterpret_cast<uint32_t*>(to + y * toPitch);
            for (int x = 0; x < w; ++x) d[x] = PixelAlphaBlend(s[x], d[x]);
        }
    } else if (mode == SDL_BLENDMODE_NONE) {
        CopyWithBlend<BlendNone>(from, fromPitch, to, toPitch, w, h, colour, modColour, modAlpha);
    } else if (mode == SDL_BLENDMODE_BLEND) {
        CopyWithBlend<BlendAlpha>(from, fromPitch, to, toPitch, w, h, colour, modColour, modAlpha);
    } else {
        CopyWithBlend<BlendAdd>(from, fromPitch, to, toPitch, w, h, colour, modColour, modAlpha);
    }
    return true;
}

// Corner k of the vertex array as SDL's software renderer converts it.
Corner MakeCorner(const SDL_Vertex& v, int textureWidth, int textureHeight) {
    Corner c;
    c.sx = static_cast<int>(v.tex_coord.x * static_cast<float>(textureWidth));
    c.sy = static_cast<int>(v.tex_coord.y * static_cast<float>(textureHeight));
    c.dx = static_cast<int>(v.position.x) << 1;
    c.dy = static_cast<int>(v.position.y) << 1;
    c.colour = v.color;
    return c;
}

int ColourBits(SDL_Color c) {
    return static_cast<int>(static_cast<uint32_t>(c.r) | static_cast<uint32_t>(c.g) << 8 |
                            static_cast<uint32_t>(c.b) << 16 | static_cast<uint32_t>(c.a) << 24);
}

// Two triangles that make an upright rectangle of one colour are copied as a rectangle, as SDL does.
// Returns false when they are not such a pair.
bool CopyAsRectangle(SDL_Texture* texture, const SDL_Vertex* v, const int prev[3], int k0, int k1, int k2,
                     int textureWidth, int textureHeight) {
    int shared = 0;
    for (int j = 0; j < 3; ++j)
        if (prev[j] == k0 || prev[j] == k1 || prev[j] == k2) ++shared;
    if (shared != 2) return false;

    float x0 = v[k0].position.x, y0 = v[k0].position.y;
    float x1 = v[k1].position.x, y1 = v[k1].position.y;
    float x2 = v[k2].position.x, y2 = v[k2].position.y;
    int a, b, c, c2;
    if (x0 <= x1 && y0 <= y1) a = (x0 <= x2 && y0 <= y2) ? k0 : k2;
    else a = (x1 <= x2 && y1 <= y2) ? k1 : k2;
    if (x0 >= x1 && y0 >= y1) b = (x0 >= x2 && y0 >= y2) ? k0 : k2;
    else b = (x1 >= x2 && y1 >= y2) ? k1 : k2;
    c = (k0 != a && k0 != b) ? k0 : ((k1 != a && k1 != b) ? k1 : k2);
    c2 = (prev[0] != a && prev[0] != b) ? prev[0] : ((prev[1] != a && prev[1] != b) ? prev[1] : prev[2]);

    float ax = v[a].position.x, ay = v[a].position.y, bx = v[b].position.x, by = v[b].position.y;
    float cx = v[c].position.x, cy = v[c].position.y;
    if (!((ax == cx && by == cy) || (ay == cy && bx == cx))) return false;
    cx = v[c2].position.x;
    cy = v[c2].position.y;
    if (!((ax == cx && by == cy) || (ay == cy && bx == cx))) return false;
    int colour = ColourBits(v[a].color);
    if (ColourBits(v[b].color) != colour || ColourBits(v[c].color) != colour || ColourBits(v[c2].color) != colour)
        return false;

    SDL_Color first = v[k0].color;
    SDL_Rect s;
    s.x = static_cast<int>(v[a].tex_coord.x * static_cast<float>(textureWidth));
    s.y = static_cast<int>(v[a].tex_coord.y * static_cast<float>(textureHeight));
    s.w = static_cast<int>(v[b].tex_coord.x * static_cast<float>(textureWidth) - static_cast<float>(s.x));
    s.h = static_cast<int>(v[b].tex_coord.y * static_cast<float>(textureHeight) - static_cast<float>(s.y));
    SDL_FRect d{ax, ay, bx - ax, by - ay};
    if (s.w != 0 && s.h != 0) {
        SDL_SetTextureAlphaMod(texture, first.a);
        SDL_SetTextureColorMod(texture, first.r, first.g, first.b);
        if (s.w > 0 && s.h > 0) {
            if (!CopyUnscaled(texture, s, d)) SDL_RenderCopyF(raster.renderer, texture, &s, &d);
        } else {
            int flip = SDL_FLIP_NONE;
            if (s.w < 0) {
                flip |= SDL_FLIP_HORIZONTAL;
                s.w = -s.w;
                s.x -= s.w;
            }
            if (s.h < 0) {
                flip |= SDL_FLIP_VERTICAL;
                s.h = -s.h;
                s.y -= s.h;
            }
            SDL_RenderCopyExF(raster.renderer, texture, &s, &d, 0.0, nullptr, static_cast<SDL_RendererFlip>(flip));
        }
    } else if (d.w != 0.0f && d.h != 0.0f) {
        // A rectangle that shows no texel is filled with its colour, as SDL does.
        SDL_BlendMode mode;
        Uint8 r, g, bl, al;
        SDL_GetRenderDrawBlendMode(raster.renderer, &mode);
        SDL_GetRenderDrawColor(raster.renderer, &r, &g, &bl, &al);
        SDL_SetRenderDrawBlendMode(raster.renderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(raster.renderer, first.r, first.g, first.b, first.a);
        SDL_RenderFillRectF(raster.renderer, &d);
        SDL_SetRenderDrawBlendMode(raster.renderer, mode);
        SDL_SetRenderDrawColor(raster.renderer, r, g, bl, al);
    }
    return true;
}

void DrawOneTriangle(SDL_Texture* texture, const SDL_Surface* pixels, const SDL_Vertex* v, const int k[3],
                     int textureWidth, int textureHeight, BlendKind blend) {
    Corner c0 = MakeCorner(v[k[0]], textureWidth, textureHeight);
    Corner c1 = MakeCorner(v[k[1]], textureWidth, textureHeight);
    Corner c2 = MakeCorner(v[k[2]], textureWidth, textureHeight);
    if (SameColour(c0.colour, c1.colour) && SameColour(c1.colour, c2.colour)) {
        BlitTriangle(pixels, raster.target, c0, c1, c2, blend);
        return;
    }
    // Colours that vary over the triangle never occur in the game: SDL draws those itself.
    SDL_Vertex corners[3] = {v[k[0]], v[k[1]], v[k[2]]};
    SDL_RenderGeometry(raster.renderer, texture, corners, 3, nullptr, 0);
}

}  // namespace

void SetSoftRasterTarget(SDL_Renderer* renderer, SDL_Surface* target) {
    raster.renderer = renderer;
    raster.target = target;
}

void SetSoftRasterEnabled(bool on) {
    raster.enabled = on;
}

void SetPictureClip(const SDL_Rect* box) {
    SDL_Renderer* renderer = PlatformRenderer();
    if (!renderer) return;
    SDL_RenderSetClipRect(renderer, box);
    raster.clipOn = box != nullptr;
    if (box) raster.clip = *box;
}

void KeepTexturePixels(SDL_Texture* texture, SDL_Surface* argb) {
    Uint32 format = 0;
    if (texture) SDL_QueryTexture(texture, &format, nullptr, nullptr, nullptr);
    if (texture && argb && raster.target && format == SDL_PIXELFORMAT_ARGB8888 &&
        argb->format->format == SDL_PIXELFORMAT_ARGB8888) {
        SDL_SetTextureUserData(texture, argb);
        return;
    }
    SDL_FreeSurface(argb);
}

void DestroyTexture(SDL_Texture* texture) {
    if (!texture) return;
    SDL_FreeSurface(static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture)));
    SDL_DestroyTexture(texture);
}

int RenderTriangles(SDL_Texture* texture, const SDL_Vertex* vertices, int vertexCount, const int* indices,
                    int indexCount) {
    SDL_Renderer* renderer = PlatformRenderer();
    if (!renderer) return -1;
    auto* pixels = texture ? static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture)) : nullptr;
    SDL_BlendMode mode = SDL_BLENDMODE_INVALID;
    if (texture) SDL_GetTextureBlendMode(texture, &mode);
    BlendKind blend = mode == SDL_BLENDMODE_NONE ? BlendNone : (mode == SDL_BLENDMODE_ADD ? BlendAdd : BlendAlpha);
    bool ours = raster.enabled && raster.target && renderer == raster.renderer && pixels &&
                (mode == SDL_BLENDMODE_NONE || mode == SDL_BLENDMODE_BLEND || mode == SDL_BLENDMODE_ADD) &&
                indices && indexCount % 3 == 0;
    if (!ours) return SDL_RenderGeometry(renderer, texture, vertices, vertexCount, indices, indexCount);

    // The checks of SDL_RenderGeometry: nothing is drawn with texture coordinates or indices out of range.
    if (vertexCount < 3) return 0;
    for (int i = 0; i < vertexCount; ++i) {
        float u = vertices[i].tex_coord.x, v = vertices[i].tex_coord.y;
        if (u < 0.0f || v < 0.0f || u > 1.0f || v > 1.0f) return -1;
    }
    for (int i = 0; i < indexCount; ++i)
        if (indices[i] < 0 || indices[i] >= vertexCount) return -1;

    // What SDL draws before is on the picture first; the software renderer draws each call at once.
    SDL_RenderFlush(renderer);
    SDL_Rect clip{0, 0, raster.target->w, raster.target->h};
    if (raster.clipOn) SDL_IntersectRect(&raster.clip, &clip, &clip);
    SDL_SetClipRect(raster.target, &clip);

    int textureWidth = 0, textureHeight = 0;
    SDL_QueryTexture(texture, nullptr, nullptr, &textureWidth, &textureHeight);
    int prev[3] = {-1, -1, -1};
    for (int i = 0; i < indexCount; i += 3) {
        int k0 = indices[i], k1 = indices[i + 1], k2 = indices[i + 2];
        if (prev[0] == -1) {
            prev[0] = k0;
            prev[1] = k1;
            prev[2] = k2;
            continue;
        }
        if (CopyAsRectangle(texture, vertices, prev, k0, k1, k2, textureWidth, textureHeight)) {
            prev[0] = -1;
            continue;
        }
        DrawOneTriangle(texture, pixels, vertices, prev, textureWidth, textureHeight, blend);
        prev[0] = k0;
        prev[1] = k1;
        prev[2] = k2;
    }
    if (prev[0] != -1) DrawOneTriangle(texture, pixels, vertices, prev, textureWidth, textureHeight, blend);
    return 0;
}

bool CopyTextureUnscaled(SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target) {
    if (!raster.enabled || !raster.target || PlatformRenderer() != raster.renderer || !texture) return false;
    SDL_RenderFlush(raster.renderer);
    SDL_Rect clip{0, 0, raster.target->w, raster.target->h};
    if (raster.clipOn) SDL_IntersectRect(&raster.clip, &clip, &clip);
    SDL_SetClipRect(raster.target, &clip);
    return CopyUnscaled(texture, source, target);
}

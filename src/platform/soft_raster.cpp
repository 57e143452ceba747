// Textured triangles on the headless software renderer, drawn straight into the picture with the very
// arithmetic of SDL's own software path (same quad-to-copy detection, same fixed-point edges, texel choice
// and blending), so every pixel is the same; only far fewer instructions are spent on each.
#include <emmintrin.h>

#include <cstddef>
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

// The same for 32-bit values (a division of half the cost).
int FloorDiv32(int n, int d) {
    int q = n / d;
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
};

// The texels of a span: u steps along a row of the image, v from row to row (tracked as a row pointer).
void GatherSpan(const uint8_t* pixels, int pitch, const Stepper& u, const Stepper& v, int count, uint32_t* out) {
    int64_t uq = u.q, ur = u.r, vr = v.r;
    const int64_t udq = u.dq, udr = u.dr, vdr = v.dr, area = u.area;
    const uint8_t* row = pixels + v.q * pitch;
    const ptrdiff_t rowStep = static_cast<ptrdiff_t>(v.dq) * pitch;
    for (int k = 0; k < count; ++k) {
        out[k] = reinterpret_cast<const uint32_t*>(row)[uq];
        uq += udq;
        ur += udr;
        if (ur >= area) {
            ur -= area;
            ++uq;
        }
        row += rowStep;
        vr += vdr;
        if (vr >= area) {
            vr -= area;
            row += pitch;
        }
    }
}

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

// ---- Rows of pixels put on the picture, four at a time with SSE2, with the same arithmetic ----

// x / 255 rounded down, exact for 0 <= x <= 255 * 255, in each 16-bit lane.
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)), 8);
}

// Lanes 3 and 7 (the alphas of two unpacked pixels) copied into their pixel's four lanes.
inline __m128i BroadcastAlpha(__m128i v) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
}

// Two unpacked pixels through the generic blitter: modulation, premultiplication, blend (BlendPixel).
template <BlendKind blend, bool modulate>
inline __m128i GenericPair(__m128i sv, __m128i dv, __m128i mul) {
    const __m128i rgbLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i alphaLane255 = _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255);
    if (modulate) sv = Div255(_mm_mullo_epi16(sv, mul));
    if (blend == BlendNone) return sv;
    const __m128i a = BroadcastAlpha(sv);
    // Colours times alpha / 255 (the same as SDL's skip at full alpha), the alpha lane times 255 / 255.
    const __m128i premultiplied = Div255(_mm_mullo_epi16(sv, _mm_or_si128(_mm_and_si128(a, rgbLanes), alphaLane255)));
    if (blend == BlendAlpha)
        return _mm_add_epi16(premultiplied, Div255(_mm_mullo_epi16(dv, _mm_sub_epi16(_mm_set1_epi16(255), a))));
    return _mm_add_epi16(_mm_and_si128(premultiplied, rgbLanes), dv);  // the pack saturates at 255
}

template <BlendKind blend, bool modulate>
void GenericRow(const uint32_t* s, uint32_t* d, int w, SDL_Color c) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i mul = _mm_setr_epi16(c.b, c.g, c.r, c.a, c.b, c.g, c.r, c.a);
    // Texels whose alpha, modulated, comes to 0 change nothing when blended or added: below this alpha.
    const int visible = !modulate ? 1 : (c.a == 0 ? 256 : (254 + c.a) / c.a);
    const __m128i visibleAlpha = _mm_set1_epi32(visible);
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
        if (blend != BlendNone && _mm_movemask_epi8(_mm_cmplt_epi32(_mm_srli_epi32(sp, 24), visibleAlpha)) == 0xFFFF)
            continue;
        // Four opaque texels without modulation replace the picture, blended or not.
        if (blend == BlendAlpha && !modulate &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sp, alphaBits), alphaBits)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), sp);
            continue;
        }
        const __m128i dp = blend != BlendNone ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + x)) : zero;
        const __m128i low = GenericPair<blend, modulate>(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero), mul);
        const __m128i high = GenericPair<blend, modulate>(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero), mul);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_packus_epi16(low, high));
    }
    for (; x < w; ++x) BlendPixel<blend, modulate, modulate>(s[x], &d[x], c.r, c.g, c.b, c.a);
}

// PixelAlphaBlend four at a time: fully transparent texels keep the picture, opaque ones replace it.
void PixelAlphaRow(const uint32_t* s, uint32_t* d, int w) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i rgbLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i alphaLane255 = _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255);
    const __m128i all255 = _mm_set1_epi16(255);
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
        const __m128i alpha = _mm_and_si128(sp, alphaBits);
        const __m128i clear = _mm_cmpeq_epi32(alpha, zero), opaque = _mm_cmpeq_epi32(alpha, alphaBits);
        if (_mm_movemask_epi8(clear) == 0xFFFF) continue;
        auto* at = reinterpret_cast<__m128i*>(d + x);
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(at, sp);
            continue;
        }
        const __m128i dp = _mm_loadu_si128(at);
        auto pair = [&](__m128i sv, __m128i dv) {
            const __m128i a = BroadcastAlpha(sv);
            const __m128i weight = _mm_or_si128(_mm_and_si128(a, rgbLanes), alphaLane255);
            return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sv, weight), 8),
                                 _mm_srli_epi16(_mm_mullo_epi16(dv, _mm_sub_epi16(all255, a)), 8));
        };
        __m128i blended = _mm_packus_epi16(pair(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero)),
                                           pair(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero)));
        blended = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(clear, opaque), blended),
                               _mm_or_si128(_mm_and_si128(clear, dp), _mm_and_si128(opaque, sp)));
        _mm_storeu_si128(at, blended);
    }
    for (; x < w; ++x) d[x] = PixelAlphaBlend(s[x], d[x]);
}

// Which of SDL's blitters puts a row on the picture.
enum RowKind {
    RowCopy,
    RowPixelAlpha,
    RowNone,
    RowNoneModulated,
    RowAlpha,
    RowAlphaModulated,
    RowAdd,
    RowAddModulated,
    RowAddPremultiplied  // texels already modulated and premultiplied, alpha 0: a saturating add
};

struct RowBlend {
    RowKind kind;
    SDL_Color colour;
};

// A plain blend without modulation has two blitters in SDL: the per-pixel alpha one for copies of a fresh
// surface (pixelAlphaForPlainBlend), the generic one elsewhere.
RowBlend ChooseRowBlend(BlendKind blend, SDL_Color c, bool pixelAlphaForPlainBlend) {
    const bool modulated = (c.r & c.g & c.b & c.a) != 0xFF;
    switch (blend) {
        case BlendNone:
            return {modulated ? RowNoneModulated : RowCopy, c};
        case BlendAlpha:
            if (modulated) return {RowAlphaModulated, c};
            return {pixelAlphaForPlainBlend ? RowPixelAlpha : RowAlpha, c};
        default:
            return {modulated ? RowAddModulated : RowAdd, c};
    }
}

// The generic blitter's add, for texels it has already modulated and premultiplied (alpha byte 0).
void AddPremultipliedRow(const uint32_t* s, uint32_t* d, int w) {
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        auto* at = reinterpret_cast<__m128i*>(d + x);
        _mm_storeu_si128(at, _mm_adds_epu8(_mm_loadu_si128(at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x))));
    }
    for (; x < w; ++x)
        d[x] = static_cast<uint32_t>(
            _mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(d[x])), _mm_cvtsi32_si128(static_cast<int>(s[x])))));
}

void BlendRow(const RowBlend& how, const uint32_t* s, uint32_t* d, int w) {
    switch (how.kind) {
        case RowAddPremultiplied:
            AddPremultipliedRow(s, d, w);
            break;
        case RowCopy:
            std::memcpy(d, s, static_cast<size_t>(w) * 4);
            break;
        case RowPixelAlpha:
            PixelAlphaRow(s, d, w);
            break;
        case RowNone:
            GenericRow<BlendNone, false>(s, d, w, how.colour);
            break;
        case RowNoneModulated:
            GenericRow<BlendNone, true>(s, d, w, how.colour);
            break;
        case RowAlpha:
            GenericRow<BlendAlpha, false>(s, d, w, how.colour);
            break;
        case RowAlphaModulated:
            GenericRow<BlendAlpha, true>(s, d, w, how.colour);
            break;
        case RowAdd:
            GenericRow<BlendAdd, false>(s, d, w, how.colour);
            break;
        case RowAddModulated:
            GenericRow<BlendAdd, true>(s, d, w, how.colour);
            break;
    }
}

// One row of gathered texels (a triangle's span, a scaled row).
constexpr int RowCapacity = 4096;
uint32_t gatheredRow[RowCapacity];

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
        const int v = values[k], s = steps[k];
        if (s > 0) {
            int64_t from = -static_cast<int64_t>(FloorDiv32(v, s));  // ceil(-v / s)
            if (from > lo) lo = from;
        } else if (s < 0) {
            int64_t to = FloorDiv32(v, -s);
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

// The texels of each row's span are gathered first, then put on the picture as one row.
// A texel coordinate (numerator / area, floored) at a reference column of the current row, carried from row
// to row and to the next span's first column by its steps instead of by dividing.
struct SpanStart {
    int64_t q = 0, r = 0, area = 1;
    int64_t rowQ = 0, rowR = 0;  // one row down
    int64_t colQ = 0, colR = 0;  // one column right
    int column = 0;

    void Begin(int64_t numerator, int64_t rowStep, const Stepper& along) {
        area = along.area;
        q = FloorDiv(numerator, area);
        r = numerator - q * area;
        rowQ = FloorDiv(rowStep, area);
        rowR = rowStep - rowQ * area;
        colQ = along.dq;
        colR = along.dr;
    }
    void NextRow() {
        q += rowQ;
        r += rowR;
        if (r >= area) {
            r -= area;
            ++q;
        }
    }
    // Moves to column c of this row and starts the stepper there.
    void StartAt(int c, Stepper& s) {
        const int64_t diff = c - column;
        column = c;
        q += diff * colQ;
        r += diff * colR;
        if (diff > 8 || diff < -8) {
            const int64_t carry = FloorDiv(r, area);
            q += carry;
            r -= carry * area;
        } else {
            while (r >= area) {
                r -= area;
                ++q;
            }
            while (r < 0) {
                r += area;
                --q;
            }
        }
        s.q = q;
        s.r = r;
    }
};

// The texels of each row's span are gathered first, then put on the picture as one row.
void FillTriangle(const TriangleSetup& t, const SDL_Surface* src, SDL_Surface* dst, const RowBlend& how) {
    const auto* srcPixels = static_cast<const uint8_t*>(src->pixels);
    const int srcPitch = src->pitch;
    auto* dstRow = static_cast<uint8_t*>(dst->pixels) + t.box.y * dst->pitch + t.box.x * 4;
    int w0Row = t.w0Row, w1Row = t.w1Row, w2Row = t.w2Row;
    const int64_t stepX = static_cast<int64_t>(t.w0Step) * t.s2s0x + static_cast<int64_t>(t.w1Step) * t.s2s1x;
    const int64_t stepY = static_cast<int64_t>(t.w0Step) * t.s2s0y + static_cast<int64_t>(t.w1Step) * t.s2s1y;
    Stepper u, v;
    u.Prepare(stepX, t.area);
    v.Prepare(stepY, t.area);
    SpanStart uStart, vStart;
    uStart.Begin(static_cast<int64_t>(w0Row) * t.s2s0x + static_cast<int64_t>(w1Row) * t.s2s1x + t.s2AreaX,
                 static_cast<int64_t>(t.w0RowStep) * t.s2s0x + static_cast<int64_t>(t.w1RowStep) * t.s2s1x, u);
    vStart.Begin(static_cast<int64_t>(w0Row) * t.s2s0y + static_cast<int64_t>(w1Row) * t.s2s1y + t.s2AreaY,
                 static_cast<int64_t>(t.w0RowStep) * t.s2s0y + static_cast<int64_t>(t.w1RowStep) * t.s2s1y, v);
    for (int y = 0; y < t.box.h; ++y, dstRow += dst->pitch) {
        int first, last;
        if (RowSpan(t, w0Row, w1Row, w2Row, &first, &last) && last - first < RowCapacity) {
            uStart.StartAt(first, u);
            vStart.StartAt(first, v);
            const int count = last - first + 1;
            GatherSpan(srcPixels, srcPitch, u, v, count, gatheredRow);
            BlendRow(how, gatheredRow, reinterpret_cast<uint32_t*>(dstRow) + first, count);
        }
        uStart.NextRow();
        vStart.NextRow();
        w0Row += t.w0RowStep;
        w1Row += t.w1RowStep;
        w2Row += t.w2RowStep;
    }
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

    FillTriangle(t, src, dst, ChooseRowBlend(blend, colour, false));
}

// Blends rows of ARGB pixels onto the picture as SDL's blitter for a surface with this blend mode and
// modulation does. A plain blend (no modulation) has two blitters in SDL: the per-pixel alpha blitter of a
// fresh surface, and the generic one once the surface was drawn scaled (genericPlainBlend).
void BlendRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h, const RowBlend& how) {
    for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch)
        BlendRow(how, reinterpret_cast<const uint32_t*>(from), reinterpret_cast<uint32_t*>(to), w);
}

RowBlend CopyBlend(SDL_BlendMode mode, SDL_Color colour, bool genericPlainBlend) {
    const BlendKind blend = mode == SDL_BLENDMODE_NONE ? BlendNone : (mode == SDL_BLENDMODE_ADD ? BlendAdd : BlendAlpha);
    return ChooseRowBlend(blend, colour, !genericPlainBlend);
}

// ---- Additive copies of whole images: the texels modulated and premultiplied once ----

// The game adds the same few small images with the same few factors every frame (the particles, the
// removal ghosts): each is kept as the generic blitter would add it, so drawing is a saturating add.
constexpr int AddedImageEntries = 48;
constexpr int AddedImagePixelCapacity = 64 * 64;

struct AddedImage {
    const SDL_Surface* source = nullptr;  // null: free
    uint32_t colour = 0;
    uint32_t pixels[AddedImagePixelCapacity];
};

struct AddedImages {
    AddedImage entries[AddedImageEntries];
    int next = 0;  // the entry replaced next
};

AddedImages added;

// The texels of src as added with this modulation (pitch src->w); null when the image is too large.
const uint32_t* AddedTexels(const SDL_Surface* src, SDL_Color c) {
    if (src->w * src->h > AddedImagePixelCapacity) return nullptr;
    const uint32_t colour = static_cast<uint32_t>(c.a) << 24 | static_cast<uint32_t>(c.r) << 16 |
                            static_cast<uint32_t>(c.g) << 8 | c.b;
    for (const AddedImage& e : added.entries)
        if (e.source == src && e.colour == colour) return e.pixels;
    AddedImage& e = added.entries[added.next];
    added.next = (added.next + 1) % AddedImageEntries;
    e.source = src;
    e.colour = colour;
    for (int y = 0; y < src->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(src->pixels) + y * src->pitch);
        for (int x = 0; x < src->w; ++x) {
            uint32_t sum = 0;  // added onto nothing: the texel's own contribution
            BlendPixel<BlendAdd, true, true>(row[x], &sum, c.r, c.g, c.b, c.a);
            e.pixels[y * src->w + x] = sum;
        }
    }
    return e.pixels;
}

// Where a copy reads its texels and how it puts them on the picture: additive copies read the kept
// premultiplied texels.
struct CopySource {
    const uint8_t* base;
    int pitch;
    RowBlend how;
};

CopySource ChooseCopySource(const SDL_Surface* src, SDL_BlendMode mode, SDL_Color colour, bool genericPlainBlend) {
    if (mode == SDL_BLENDMODE_ADD) {
        if (const uint32_t* texels = AddedTexels(src, colour))
            return {reinterpret_cast<const uint8_t*>(texels), src->w * 4, RowBlend{RowAddPremultiplied, colour}};
    }
    return {static_cast<const uint8_t*>(src->pixels), src->pitch, CopyBlend(mode, colour, genericPlainBlend)};
}

// SDL_BlitSurface's clipping of an image placed at dst: to the image, then to the picture's clip rectangle.
// On return src is the part of the image drawn and dst where it goes; false when nothing is left.
bool ClipBlit(int imageWidth, int imageHeight, SDL_Rect& src, SDL_Rect& dst) {
    int srcX = src.x, srcY = src.y, w = src.w, h = src.h;
    if (srcX < 0) {
        w += srcX;
        dst.x -= srcX;
        srcX = 0;
    }
    if (imageWidth - srcX < w) w = imageWidth - srcX;
    if (srcY < 0) {
        h += srcY;
        dst.y -= srcY;
        srcY = 0;
    }
    if (imageHeight - srcY < h) h = imageHeight - srcY;
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
    src = {srcX, srcY, w, h};
    dst.w = w;
    dst.h = h;
    return w > 0 && h > 0;
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
    if (!ClipBlit(pixels->w, pixels->h, src, dst)) return true;

    Uint8 r = 255, g = 255, b = 255, a = 255;
    SDL_GetTextureColorMod(texture, &r, &g, &b);
    SDL_GetTextureAlphaMod(texture, &a);
    const CopySource from = ChooseCopySource(pixels, mode, SDL_Color{r, g, b, a}, false);
    uint8_t* to = static_cast<uint8_t*>(raster.target->pixels) + dst.y * raster.target->pitch + dst.x * 4;
    BlendRows(from.base + src.y * from.pitch + src.x * 4, from.pitch, to, raster.target->pitch, src.w, src.h, from.how);
    return true;
}

// ---- Scaled copies: SDL's stretchers, then its blitters ----

// The largest smoothly scaled image.
constexpr int ScaledPixelCapacity = 512 * 512;
// Smoothly scaled images are kept: the game scales the same few images to the same few sizes every frame.
constexpr int ScaledCacheEntries = 16;
constexpr int ScaledCachePixels = 64 * 64;

struct ScaledImage {
    const SDL_Surface* source = nullptr;  // null: free
    SDL_Rect from{};
    int w = 0, h = 0;
    uint32_t pixels[ScaledCachePixels];
};

struct ScaleState {
    uint32_t scratch[ScaledPixelCapacity];
    ScaledImage cache[ScaledCacheEntries];
    int nextEntry = 0;  // the entry replaced next when none fits
};

ScaleState scaling;

// SDL's point scaling: texel (step / 2 + i * step) >> 16, steps in 16.16 of the source per target pixel.
// The source column of each target column from first on, for rows scaled by points.
int pointColumns[RowCapacity];

void PointScaleColumns(int srcW, int dstW, int first, int count) {
    const uint32_t step = (static_cast<uint32_t>(srcW) << 16) / static_cast<uint32_t>(dstW);
    uint32_t pos = step / 2 + static_cast<uint32_t>(first) * step;
    for (int i = 0; i < count; ++i, pos += step) pointColumns[i] = static_cast<int>(pos >> 16);
}

// Rows scaled by points into gatheredRow, with the columns above; an enlarged image repeats its rows, and
// a repeated row is gathered once.
struct PointRows {
    const uint8_t* gathered = nullptr;  // the source row now in gatheredRow

    const uint32_t* Row(const uint8_t* sourceRow, int count) {
        if (sourceRow != gathered) {
            const auto* texels = reinterpret_cast<const uint32_t*>(sourceRow);
            for (int i = 0; i < count; ++i) gatheredRow[i] = texels[pointColumns[i]];
            gathered = sourceRow;
        }
        return gatheredRow;
    }
};

int PointScaleSourceRow(int srcH, int dstH, int row) {
    const uint32_t step = (static_cast<uint32_t>(srcH) << 16) / static_cast<uint32_t>(dstH);
    return static_cast<int>((step / 2 + static_cast<uint32_t>(row) * step) >> 16);
}

// SDL's smooth scaling along one axis: the first position (16.16, centred as pixman does), the step, and how
// many target pixels at each end sit beyond the outermost texel centres.
struct SmoothAxis {
    int start, step, leftPad, rightPad;
};

SmoothAxis SmoothScaleAxis(int srcN, int dstN) {
    SmoothAxis a{};
    a.step = static_cast<int>((static_cast<uint32_t>(srcN) << 16) / static_cast<uint32_t>(dstN));
    a.start = static_cast<int>((static_cast<int64_t>(a.step) * 0x8000 + 0x8000) >> 16) - 0x8000;
    int sum = a.start;
    for (int i = 0; i < dstN; ++i, sum += a.step) {
        if (sum < 0) ++a.leftPad;
        else if (static_cast<int>(static_cast<uint32_t>(sum) >> 16) > srcN - 2) ++a.rightPad;
    }
    return a;
}

// One smoothly scaled pixel as SDL's SSE2 path computes it: rows weighted by fh (7 bits) kept at 15 bits,
// then columns weighted by fw, shifted down once.
inline uint32_t SmoothPixel(const uint32_t* row0, const uint32_t* row1, int index, uint32_t fw, uint32_t fh0) {
    const uint32_t fh1 = 128 - fh0, fw1 = 128 - fw;
    const uint32_t a = row0[index], b = row0[index + 1], c = row1[index], d = row1[index + 1];
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t left = ((a >> shift) & 0xFF) * fh1 + ((c >> shift) & 0xFF) * fh0;
        uint32_t right = ((b >> shift) & 0xFF) * fh1 + ((d >> shift) & 0xFF) * fh0;
        out |= ((fw1 * left + fw * right) >> 14) << shift;
    }
    return out;
}

// SDL_SoftStretchLinear of the rectangle from into a w x h image (pitch w).
void SmoothScale(const SDL_Surface* src, const SDL_Rect& from, int w, int h, uint32_t* out) {
    const SmoothAxis ax = SmoothScaleAxis(from.w, w), ay = SmoothScaleAxis(from.h, h);
    const auto* base = static_cast<const uint8_t*>(src->pixels) + from.y * src->pitch + from.x * 4;
    const int middle = w - ax.leftPad - ax.rightPad;
    int sumY = ay.start;
    for (int i = 0; i < h; ++i, sumY += ay.step) {
        const bool inside = !(i < ay.leftPad || i > h - 1 - ay.rightPad);
        int indexH = static_cast<int>(static_cast<uint32_t>(sumY) >> 16);
        uint32_t fh0 = static_cast<uint32_t>(sumY >> 9) & 127;
        if (!inside) {
            indexH = i < ay.leftPad ? 0 : from.h - 1;
            fh0 = 0;
        }
        const auto* row0 = reinterpret_cast<const uint32_t*>(base + indexH * src->pitch);
        const auto* row1 = inside ? reinterpret_cast<const uint32_t*>(base + (indexH + 1) * src->pitch) : row0;
        uint32_t* d = out + i * w;
        for (int k = 0; k < ax.leftPad; ++k) *d++ = SmoothPixel(row0, row1, 0, 0, fh0);
        int sumX = ax.start + ax.leftPad * ax.step;
        for (int k = 0; k < middle; ++k, sumX += ax.step)
            *d++ = SmoothPixel(row0, row1, static_cast<int>(static_cast<uint32_t>(sumX) >> 16),
                               static_cast<uint32_t>(sumX >> 9) & 127, fh0);
        for (int k = 0; k < ax.rightPad; ++k) *d++ = SmoothPixel(row0, row1, from.w - 2, 128, fh0);
    }
}

// The rectangle from of src scaled smoothly to w x h; null when too large.
const uint32_t* SmoothScaledPixels(const SDL_Surface* src, const SDL_Rect& from, int w, int h) {
    if (static_cast<int64_t>(w) * h > ScaledPixelCapacity) return nullptr;
    if (w * h > ScaledCachePixels) {
        SmoothScale(src, from, w, h, scaling.scratch);
        return scaling.scratch;
    }
    for (ScaledImage& e : scaling.cache)
        if (e.source == src && e.w == w && e.h == h && SDL_RectEquals(&e.from, &from)) return e.pixels;
    ScaledImage& e = scaling.cache[scaling.nextEntry];
    scaling.nextEntry = (scaling.nextEntry + 1) % ScaledCacheEntries;
    e.source = src;
    e.from = from;
    e.w = w;
    e.h = h;
    SmoothScale(src, from, w, h, e.pixels);
    return e.pixels;
}

// SDL_UpperBlitScaled's clipping of a scaled copy to the picture's clip rectangle, in doubles as there.
// False when nothing is left.
bool ClipScaled(const SDL_Surface* image, SDL_Rect& src, SDL_Rect& dst) {
    const double scaleW = static_cast<double>(dst.w) / src.w, scaleH = static_cast<double>(dst.h) / src.h;
    double dx0 = dst.x, dy0 = dst.y, dx1 = dx0 + dst.w, dy1 = dy0 + dst.h;
    double sx0 = src.x, sy0 = src.y, sx1 = sx0 + src.w, sy1 = sy0 + src.h;
    if (sx0 < 0) {
        dx0 -= sx0 * scaleW;
        sx0 = 0;
    }
    if (sx1 > image->w) {
        dx1 -= (sx1 - image->w) * scaleW;
        sx1 = image->w;
    }
    if (sy0 < 0) {
        dy0 -= sy0 * scaleH;
        sy0 = 0;
    }
    if (sy1 > image->h) {
        dy1 -= (sy1 - image->h) * scaleH;
        sy1 = image->h;
    }
    SDL_Rect clip;
    SDL_GetClipRect(raster.target, &clip);
    dx0 -= clip.x;
    dx1 -= clip.x;
    dy0 -= clip.y;
    dy1 -= clip.y;
    if (dx0 < 0) {
        sx0 -= dx0 / scaleW;
        dx0 = 0;
    }
    if (dx1 > clip.w) {
        sx1 -= (dx1 - clip.w) / scaleW;
        dx1 = clip.w;
    }
    if (dy0 < 0) {
        sy0 -= dy0 / scaleH;
        dy0 = 0;
    }
    if (dy1 > clip.h) {
        sy1 -= (dy1 - clip.h) / scaleH;
        dy1 = clip.h;
    }
    dx0 += clip.x;
    dx1 += clip.x;
    dy0 += clip.y;
    dy1 += clip.y;
    SDL_Rect finalSrc{static_cast<int>(SDL_round(sx0)), static_cast<int>(SDL_round(sy0)),
                      static_cast<int>(SDL_round(sx1 - sx0)), static_cast<int>(SDL_round(sy1 - sy0))};
    SDL_Rect finalDst{static_cast<int>(SDL_round(dx0)), static_cast<int>(SDL_round(dy0)),
                      static_cast<int>(SDL_round(dx1 - dx0)), static_cast<int>(SDL_round(dy1 - dy0))};
    SDL_Rect whole{0, 0, image->w, image->h};
    SDL_IntersectRect(&whole, &finalSrc, &finalSrc);
    SDL_IntersectRect(&clip, &finalDst, &finalDst);
    src = finalSrc;
    dst = finalDst;
    return !(finalDst.w == 0 || finalDst.h == 0 || finalSrc.w <= 0 || finalSrc.h <= 0);
}

// SDL_RenderCopyF of the software renderer for a copy to another size: inside the picture the texture is
// scaled straight onto it (by points with the generic blitter, smoothly through an image of the target's
// size); over the picture's edges it is scaled into such an image first, which is then blitted. False when
// SDL has to draw it.
bool CopyScaled(SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target) {
    auto* pixels = static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture));
    SDL_BlendMode mode;
    SDL_ScaleMode scaleMode;
    if (!pixels || SDL_GetTextureBlendMode(texture, &mode) != 0 || SDL_GetTextureScaleMode(texture, &scaleMode) != 0)
        return false;
    if (mode != SDL_BLENDMODE_NONE && mode != SDL_BLENDMODE_BLEND && mode != SDL_BLENDMODE_ADD) return false;
    SDL_Rect src{0, 0, pixels->w, pixels->h};
    if (!SDL_IntersectRect(&source, &src, &src)) return true;
    SDL_FRect view{0.0f, 0.0f, static_cast<float>(raster.target->w), static_cast<float>(raster.target->h)};
    if (!SDL_HasIntersectionF(&target, &view)) return true;
    SDL_Rect dst{static_cast<int>(target.x), static_cast<int>(target.y), static_cast<int>(target.w),
                 static_cast<int>(target.h)};
    if (src.w == dst.w && src.h == dst.h) return false;
    if (dst.w <= 0 || dst.h <= 0) return true;
    const bool smooth = scaleMode != SDL_ScaleModeNearest;
    if (smooth && (src.w < 2 || src.h < 2)) return false;  // SDL reads a second texel there
    if (dst.w > RowCapacity || dst.h > 0xFFFF) return false;

    Uint8 r = 255, g = 255, b = 255, a = 255;
    SDL_GetTextureColorMod(texture, &r, &g, &b);
    SDL_GetTextureAlphaMod(texture, &a);
    const SDL_Color colour{r, g, b, a};
    uint8_t* picture = static_cast<uint8_t*>(raster.target->pixels);
    const int pitch = raster.target->pitch;
    const bool inside =
        dst.x >= 0 && dst.y >= 0 && dst.x + dst.w <= raster.target->w && dst.y + dst.h <= raster.target->h;

    if (inside) {
        if (!ClipScaled(pixels, src, dst)) return true;
        if (!smooth) {
            // Straight onto the picture: plain copies by the stretcher, the rest by the generic blitter.
            const CopySource from = ChooseCopySource(pixels, mode, colour, true);
            PointScaleColumns(src.w, dst.w, 0, dst.w);
            PointRows rows;
            for (int y = 0; y < dst.h; ++y) {
                const uint8_t* row = from.base + (src.y + PointScaleSourceRow(src.h, dst.h, y)) * from.pitch + src.x * 4;
                BlendRow(from.how, rows.Row(row, dst.w), reinterpret_cast<uint32_t*>(picture + (dst.y + y) * pitch) + dst.x,
                         dst.w);
            }
            return true;
        }
        // Smooth: the scaled image is a fresh surface, blitted as one.
        const uint32_t* scaled = SmoothScaledPixels(pixels, src, dst.w, dst.h);
        if (!scaled) return false;
        BlendRows(reinterpret_cast<const uint8_t*>(scaled), dst.w * 4, picture + dst.y * pitch + dst.x * 4, pitch,
                  dst.w, dst.h, CopyBlend(mode, colour, false));
        return true;
    }

    // Over the edges: the whole target-sized image, blitted with the ordinary clipping.
    SDL_Rect part{0, 0, dst.w, dst.h};
    SDL_Rect at = dst;
    if (!ClipBlit(dst.w, dst.h, part, at)) return true;
    if (!smooth) {
        const CopySource from = ChooseCopySource(pixels, mode, colour, false);
        PointScaleColumns(src.w, dst.w, part.x, part.w);
        PointRows rows;
        for (int y = 0; y < part.h; ++y) {
            const uint8_t* row = from.base + (src.y + PointScaleSourceRow(src.h, dst.h, part.y + y)) * from.pitch + src.x * 4;
            BlendRow(from.how, rows.Row(row, part.w), reinterpret_cast<uint32_t*>(picture + (at.y + y) * pitch) + at.x,
                     part.w);
        }
        return true;
    }
    const uint32_t* scaled = SmoothScaledPixels(pixels, src, dst.w, dst.h);
    if (!scaled) return false;
    BlendRows(reinterpret_cast<const uint8_t*>(scaled + part.y * dst.w + part.x), dst.w * 4,
              picture + at.y * pitch + at.x * 4, pitch, part.w, part.h, CopyBlend(mode, colour, false));
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
            if (!CopyUnscaled(texture, s, d) && !CopyScaled(texture, s, d)) SDL_RenderCopyF(raster.renderer, texture, &s, &d);
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
    // A later image may get the same memory: the kept scaled images of this one go.
    for (ScaledImage& e : scaling.cache)
        if (e.source == SDL_GetTextureUserData(texture)) e.source = nullptr;
    for (AddedImage& e : added.entries)
        if (e.source == SDL_GetTextureUserData(texture)) e.source = nullptr;
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

bool CopyTextureRect(SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target) {
    if (!raster.enabled || !raster.target || PlatformRenderer() != raster.renderer || !texture) return false;
    SDL_RenderFlush(raster.renderer);
    SDL_Rect clip{0, 0, raster.target->w, raster.target->h};
    if (raster.clipOn) SDL_IntersectRect(&raster.clip, &clip, &clip);
    SDL_SetClipRect(raster.target, &clip);
    return CopyUnscaled(texture, source, target) || CopyScaled(texture, source, target);
}

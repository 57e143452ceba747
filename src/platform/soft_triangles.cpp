// Textured triangles of our software rasteriser: SDL's own fixed-point edges, texel choice and spans,
// gathered a row at a time and put on the picture by the blending kernels.
#include <emmintrin.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "platform/soft_blend_kernels.h"
#include "platform/soft_raster_local.h"

namespace softraster {
namespace {

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

int32_t FloorDiv32(int32_t n, int32_t d) {
    int32_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// A texel coordinate along a row: numerator / area, stepped without dividing. The numerator never goes
// below zero inside the triangle, so flooring equals C's truncation there.
struct Stepper {
    int64_t q = 0, r = 0, dq = 0, dr = 0, area = 1;
    // The step is the same for the whole triangle: divided once.
    void Prepare(int64_t step, int64_t a) {
        area = a;
        dq = FloorDiv(step, a);
        dr = step - dq * a;
    }
};

// The texels of a span: u steps along a row of the image, v from row to row (tracked as a row pointer).
void GatherSpan(const uint8_t* pixels, int pitch, const Stepper& u, const Stepper& v, int count,
                uint32_t* out) {
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

// A triangle's texel coordinates in single precision: each is floor(numerator / area), exact while
// numerators, area and texel offsets stay below 2^24 (the quotient's rounding error is then smaller than its
// distance to the next whole number). The numerators step by du, dv from pixel to pixel.
struct FloatTexels {
    const uint32_t* texels;
    __m128 uLanes, vLanes;  // 0, 1, 2, 3 steps
    __m128 u4, v4;          // four steps
    __m128 area, rowLength;

    FloatTexels(const uint32_t* image, float pitch, float du, float dv, float a)
        : texels(image),
          uLanes(_mm_mul_ps(_mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f), _mm_set1_ps(du))),
          vLanes(_mm_mul_ps(_mm_setr_ps(0.0f, 1.0f, 2.0f, 3.0f), _mm_set1_ps(dv))),
          u4(_mm_set1_ps(4.0f * du)),
          v4(_mm_set1_ps(4.0f * dv)),
          area(_mm_set1_ps(a)),
          rowLength(_mm_set1_ps(pitch)) {}
};

// Four texel offsets into the image for numerators u and v.
inline __m128i TexelOffsets(const FloatTexels& f, __m128 u, __m128 v) {
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 qu = _mm_div_ps(u, f.area), qv = _mm_div_ps(v, f.area);
    // Truncation, then one less where that rounded a negative quotient up: the floor.
    __m128 fu = _mm_cvtepi32_ps(_mm_cvttps_epi32(qu));
    __m128 fv = _mm_cvtepi32_ps(_mm_cvttps_epi32(qv));
    fu = _mm_sub_ps(fu, _mm_and_ps(_mm_cmpgt_ps(fu, qu), one));
    fv = _mm_sub_ps(fv, _mm_and_ps(_mm_cmpgt_ps(fv, qv), one));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(fv, f.rowLength), fu));
}

// The shift is an immediate, so the lane is a template argument (unoptimised builds need it constant).
template <int lane>
inline uint32_t Lane(__m128i v) {
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 4 * lane)));
}

// The texels of a span, four at a time, blended onto the picture as they come. nu, nv: the numerators at
// the span's first pixel.
template <typename Kernel>
inline void BlendSpanFloat(const Kernel& kernel, const FloatTexels& f, float nu, float nv, int count,
                           uint32_t* d) {
    __m128 u = _mm_add_ps(_mm_set1_ps(nu), f.uLanes);
    __m128 v = _mm_add_ps(_mm_set1_ps(nv), f.vLanes);
    const uint32_t* texels = f.texels;
    int k = 0;
    for (; k + 4 <= count; k += 4, u = _mm_add_ps(u, f.u4), v = _mm_add_ps(v, f.v4)) {
        const __m128i at = TexelOffsets(f, u, v);
        const __m128i t0 = _mm_cvtsi32_si128(static_cast<int>(texels[Lane<0>(at)]));
        const __m128i t1 = _mm_cvtsi32_si128(static_cast<int>(texels[Lane<1>(at)]));
        const __m128i t2 = _mm_cvtsi32_si128(static_cast<int>(texels[Lane<2>(at)]));
        const __m128i t3 = _mm_cvtsi32_si128(static_cast<int>(texels[Lane<3>(at)]));
        BlendQuad(kernel, _mm_unpacklo_epi64(_mm_unpacklo_epi32(t0, t1), _mm_unpacklo_epi32(t2, t3)), d + k,
                  4);
    }
    if (k == count) return;
    // The last one to three: lanes past the span are never read, their texels may lie outside the image.
    const int n = count - k;
    const __m128i at = TexelOffsets(f, u, v);
    const __m128i t0 = _mm_cvtsi32_si128(static_cast<int>(texels[Lane<0>(at)]));
    const __m128i t1 = n > 1 ? _mm_cvtsi32_si128(static_cast<int>(texels[Lane<1>(at)])) : _mm_setzero_si128();
    const __m128i t2 = n > 2 ? _mm_cvtsi32_si128(static_cast<int>(texels[Lane<2>(at)])) : _mm_setzero_si128();
    BlendQuad(kernel, _mm_unpacklo_epi64(_mm_unpacklo_epi32(t0, t1), t2), d + k, n);
}

uint32_t gatheredRow[RowCapacity];

// Everything the per-pixel loop needs of one triangle.
struct TriangleSetup {
    SDL_Rect box;  // clipped bounding box, pixels
    int area;
    int w0Row, w1Row, w2Row;
    int w0Step, w1Step, w2Step;           // per pixel to the right
    int w0RowStep, w1RowStep, w2RowStep;  // per row down
    int bias0, bias1, bias2;
    int s2s0x, s2s1x, s2s0y, s2s1y;
    int64_t s2AreaX, s2AreaY;
};

// How one edge limits the rows: a pixel x of a row is on the inner side where value + x * step >= 0, so the
// row starts at ceil(-value / step) for a positive step and ends at floor(value / -step) for a negative one;
// a level edge (step 0) leaves the whole row in or out. The floor of value / |step| is carried from row to
// row by its whole and remainder steps, without dividing.
struct EdgeBound {
    int side = 0;  // +1 starts the rows, -1 ends them, 0 level
    int64_t q = 0, r = 0, divisor = 1, dq = 0, dr = 0;
    int64_t value = 0, rowStep = 0;

    void Begin(int value0, int step, int rowStep0) {
        side = step > 0 ? 1 : (step < 0 ? -1 : 0);
        value = value0;
        rowStep = rowStep0;
        if (side == 0) return;
        divisor = step > 0 ? step : -static_cast<int64_t>(step);
        // 32-bit divisions where the values allow: they take half the time of 64-bit ones.
        const bool narrow = divisor <= INT32_MAX;
        q = narrow ? FloorDiv32(value0, static_cast<int32_t>(divisor)) : FloorDiv(value0, divisor);
        r = value0 - q * divisor;
        dq = narrow ? FloorDiv32(rowStep0, static_cast<int32_t>(divisor)) : FloorDiv(rowStep0, divisor);
        dr = rowStep0 - dq * divisor;
    }
    void Step() {
        q += dq;
        r += dr;
        if (r >= divisor) {
            r -= divisor;
            ++q;
        }
    }
    // Narrows the spans [first, last] of the next rows to this edge's inner side, and moves on past them.
    void LimitRows(int rows, int64_t* first, int64_t* last) {
        if (side > 0) {
            for (int y = 0; y < rows; ++y, Step())
                if (-q > first[y]) first[y] = -q;
        } else if (side < 0) {
            for (int y = 0; y < rows; ++y, Step())
                if (q < last[y]) last[y] = q;
        } else {
            for (int y = 0; y < rows; ++y, value += rowStep)
                if (value < 0) last[y] = -1;
        }
    }
};

// The spans of a block of rows, found edge by edge before the rows are drawn.
constexpr int RowBlock = 64;
int64_t spanFirst[RowBlock], spanLast[RowBlock];

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

int64_t Magnitude(int64_t value) {
    return value < 0 ? -value : value;
}

// Each row's span of the triangle put on the picture by the kernel.
template <typename Kernel>
void FillTriangle(const TriangleSetup& t, const SDL_Surface* src, SDL_Surface* dst, const Kernel& kernel) {
    const auto* srcPixels = static_cast<const uint8_t*>(src->pixels);
    const int srcPitch = src->pitch;
    auto* dstRow = static_cast<uint8_t*>(dst->pixels) + t.box.y * dst->pitch + t.box.x * 4;
    const int64_t stepX = static_cast<int64_t>(t.w0Step) * t.s2s0x + static_cast<int64_t>(t.w1Step) * t.s2s1x;
    const int64_t stepY = static_cast<int64_t>(t.w0Step) * t.s2s0y + static_cast<int64_t>(t.w1Step) * t.s2s1y;
    // Texel numerators at the box's first column, and their steps one row down.
    int64_t rowU =
        static_cast<int64_t>(t.w0Row) * t.s2s0x + static_cast<int64_t>(t.w1Row) * t.s2s1x + t.s2AreaX;
    int64_t rowV =
        static_cast<int64_t>(t.w0Row) * t.s2s0y + static_cast<int64_t>(t.w1Row) * t.s2s1y + t.s2AreaY;
    const int64_t rowStepU =
        static_cast<int64_t>(t.w0RowStep) * t.s2s0x + static_cast<int64_t>(t.w1RowStep) * t.s2s1x;
    const int64_t rowStepV =
        static_cast<int64_t>(t.w0RowStep) * t.s2s0y + static_cast<int64_t>(t.w1RowStep) * t.s2s1y;
    EdgeBound edges[3];
    edges[0].Begin(t.w0Row + t.bias0, t.w0Step, t.w0RowStep);
    edges[1].Begin(t.w1Row + t.bias1, t.w1Step, t.w1RowStep);
    edges[2].Begin(t.w2Row + t.bias2, t.w2Step, t.w2RowStep);

    // Single precision serves when every numerator in the box and every texel offset stays below 2^24.
    constexpr int64_t FloatExact = int64_t{1} << 24;
    const int64_t spanW = t.box.w - 1, spanH = t.box.h - 1;
    const int64_t maxU = Magnitude(rowU) + Magnitude(stepX) * spanW + Magnitude(rowStepU) * spanH;
    const int64_t maxV = Magnitude(rowV) + Magnitude(stepY) * spanW + Magnitude(rowStepV) * spanH;
    const int64_t pitchTexels = srcPitch / 4;
    // The texel offsets are at most (maxU / area + 1) + (maxV / area + 1) * pitch: checked without dividing.
    const bool inFloat = t.area < FloatExact && maxU < FloatExact && maxV < FloatExact &&
                         pitchTexels < FloatExact &&
                         maxU + maxV * pitchTexels < (FloatExact - 1 - pitchTexels) * t.area;

    const FloatTexels texels(reinterpret_cast<const uint32_t*>(srcPixels), static_cast<float>(pitchTexels),
                             static_cast<float>(stepX), static_cast<float>(stepY),
                             static_cast<float>(t.area));
    Stepper u, v;
    SpanStart uStart, vStart;
    if (!inFloat) {
        u.Prepare(stepX, t.area);
        v.Prepare(stepY, t.area);
        uStart.Begin(rowU, rowStepU, u);
        vStart.Begin(rowV, rowStepV, v);
    }
    for (int blockStart = 0; blockStart < t.box.h; blockStart += RowBlock) {
        const int rows = SDL_min(RowBlock, t.box.h - blockStart);
        for (int y = 0; y < rows; ++y) {
            spanFirst[y] = 0;
            spanLast[y] = t.box.w - 1;
        }
        for (EdgeBound& e : edges) e.LimitRows(rows, spanFirst, spanLast);
        for (int y = 0; y < rows; ++y, dstRow += dst->pitch) {
            const int64_t lo = spanFirst[y], hi = spanLast[y];
            if (lo <= hi && hi - lo < RowCapacity) {
                const int first = static_cast<int>(lo), count = static_cast<int>(hi - lo) + 1;
                uint32_t* to = reinterpret_cast<uint32_t*>(dstRow) + first;
                if (inFloat) {
                    BlendSpanFloat(kernel, texels, static_cast<float>(rowU + first * stepX),
                                   static_cast<float>(rowV + first * stepY), count, to);
                } else {
                    // The texels of the span are gathered first, then put on the picture as one row.
                    uStart.StartAt(first, u);
                    vStart.StartAt(first, v);
                    GatherSpan(srcPixels, srcPitch, u, v, count, gatheredRow);
                    BlendRowWith(kernel, gatheredRow, to, count);
                }
            }
            if (!inFloat) {
                uStart.NextRow();
                vStart.NextRow();
            }
            rowU += rowStepU;
            rowV += rowStepV;
        }
    }
}

}  // namespace

void BlitTriangle(const SDL_Surface* src, SDL_Surface* dst, Corner c0, Corner c1, Corner c2,
                  BlendKind blend) {
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

    WithKernel(ChooseRowBlend(blend, colour, false),
               [&](const auto& kernel) { FillTriangle(t, src, dst, kernel); });
}

// Blends rows of ARGB pixels onto the picture as SDL's blitter for a surface with this blend mode and
// modulation does. A plain blend (no modulation) has two blitters in SDL: the per-pixel alpha blitter of a

}  // namespace softraster

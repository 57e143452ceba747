// The blending kernels of our software rasteriser, four pixels at a time with SSE2: each repeats the
// arithmetic of one of SDL's blitters exactly. Inline, so that the rows of copies and the spans of triangles
// (which gather their texels straight into a register) share them.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "platform/soft_raster_local.h"

namespace softraster {

// x / 255 rounded down in each 16-bit lane: (x * 0x8081) >> 23, exact for every 16-bit x.
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
}

// Lanes 3 and 7 (the alphas of two unpacked pixels) copied into their pixel's four lanes.
inline __m128i BroadcastAlpha(__m128i v) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
}

// The first n (1 to 3) pixels at p in the low lanes, the others zero; and the way back.
inline __m128i LoadPart(const uint32_t* p, int n) {
    if (n == 1) return _mm_cvtsi32_si128(static_cast<int>(p[0]));
    const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    return n == 2 ? two : _mm_unpacklo_epi64(two, _mm_cvtsi32_si128(static_cast<int>(p[2])));
}

inline void StorePart(uint32_t* p, __m128i v, int n) {
    if (n == 1) {
        p[0] = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
        return;
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    if (n == 3) p[2] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(v, v)));
}

// Four texels sp onto n (1 to 4) picture pixels at d. A kernel returns true when it changed them to out;
// it loads them (picture()) only when it needs them. Lanes past n hold transparent texels and are never
// written back.
template <typename Kernel>
inline void BlendQuad(const Kernel& kernel, __m128i sp, uint32_t* d, int n) {
    __m128i out;
    if (n >= 4) {
        auto* at = reinterpret_cast<__m128i*>(d);
        if (kernel(
                sp, [at] { return _mm_loadu_si128(at); }, out))
            _mm_storeu_si128(at, out);
    } else if (kernel(
                   sp, [d, n] { return LoadPart(d, n); }, out)) {
        StorePart(d, out, n);
    }
}

// A row of w texels s onto the picture row d.
template <typename Kernel>
inline void BlendRowWith(const Kernel& kernel, const uint32_t* s, uint32_t* d, int w) {
    int x = 0;
    for (; x + 4 <= w; x += 4)
        BlendQuad(kernel, _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), d + x, 4);
    if (x < w) BlendQuad(kernel, LoadPart(s + x, w - x), d + x, w - x);
}

// The texels replace the picture.
struct CopyKernel {
    template <typename Picture>
    bool operator()(__m128i sp, Picture, __m128i& out) const {
        out = sp;
        return true;
    }
};

// SDL's generic blitter: modulation by the colour, premultiplication, then blend, add or replace.
template <BlendKind blend, bool modulate>
struct GenericKernel {
    __m128i mul;
    __m128i visibleAlpha;  // texels below this alpha come to alpha 0 when modulated: they change nothing

    explicit GenericKernel(SDL_Color c)
        : mul(_mm_setr_epi16(c.b, c.g, c.r, c.a, c.b, c.g, c.r, c.a)),
          visibleAlpha(_mm_set1_epi32(!modulate ? 1 : (c.a == 0 ? 256 : (254 + c.a) / c.a))) {}

    // Two unpacked pixels.
    __m128i Pair(__m128i sv, __m128i dv) const {
        const __m128i rgbLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
        const __m128i alphaLane255 = _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255);
        if (modulate) sv = Div255(_mm_mullo_epi16(sv, mul));
        if (blend == BlendNone) return sv;
        const __m128i a = BroadcastAlpha(sv);
        // Colours times alpha / 255 (the same as SDL's skip at full alpha), the alpha lane times 255 / 255.
        const __m128i premultiplied =
            Div255(_mm_mullo_epi16(sv, _mm_or_si128(_mm_and_si128(a, rgbLanes), alphaLane255)));
        if (blend == BlendAlpha)
            return _mm_add_epi16(premultiplied,
                                 Div255(_mm_mullo_epi16(dv, _mm_sub_epi16(_mm_set1_epi16(255), a))));
        return _mm_add_epi16(_mm_and_si128(premultiplied, rgbLanes), dv);  // the pack saturates at 255
    }

    template <typename Picture>
    bool operator()(__m128i sp, Picture picture, __m128i& out) const {
        const __m128i zero = _mm_setzero_si128();
        // Four opaque texels without modulation replace the picture, blended or not (the inside of a
        // sprite: tested first).
        const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        if (blend == BlendAlpha && !modulate &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sp, alphaBits), alphaBits)) == 0xFFFF) {
            out = sp;
            return true;
        }
        if (blend != BlendNone &&
            _mm_movemask_epi8(_mm_cmplt_epi32(_mm_srli_epi32(sp, 24), visibleAlpha)) == 0xFFFF)
            return false;
        const __m128i dp = blend != BlendNone ? picture() : zero;
        out = _mm_packus_epi16(Pair(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero)),
                               Pair(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero)));
        return true;
    }
};

// SDL's per-pixel alpha blend of ARGB8888 without modulation (its MMX blitter): 8-bit weights, the alpha
// channel kept by a weight of 255; fully transparent texels keep the picture, opaque ones replace it.
struct PixelAlphaKernel {
    template <typename Picture>
    bool operator()(__m128i sp, Picture picture, __m128i& out) const {
        const __m128i zero = _mm_setzero_si128();
        const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        const __m128i alpha = _mm_and_si128(sp, alphaBits);
        const __m128i clear = _mm_cmpeq_epi32(alpha, zero), opaque = _mm_cmpeq_epi32(alpha, alphaBits);
        if (_mm_movemask_epi8(clear) == 0xFFFF) return false;
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            out = sp;
            return true;
        }
        const __m128i dp = picture();
        auto pair = [](__m128i sv, __m128i dv) {
            const __m128i rgbLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
            const __m128i alphaLane255 = _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255);
            const __m128i a = BroadcastAlpha(sv);
            const __m128i weight = _mm_or_si128(_mm_and_si128(a, rgbLanes), alphaLane255);
            return _mm_add_epi16(
                _mm_srli_epi16(_mm_mullo_epi16(sv, weight), 8),
                _mm_srli_epi16(_mm_mullo_epi16(dv, _mm_sub_epi16(_mm_set1_epi16(255), a)), 8));
        };
        const __m128i blended =
            _mm_packus_epi16(pair(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero)),
                             pair(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero)));
        out = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(clear, opaque), blended),
                           _mm_or_si128(_mm_and_si128(clear, dp), _mm_and_si128(opaque, sp)));
        return true;
    }
};

// The generic blitter's add, for texels it has already modulated and premultiplied (alpha byte 0).
struct AddPremultipliedKernel {
    template <typename Picture>
    bool operator()(__m128i sp, Picture picture, __m128i& out) const {
        out = _mm_adds_epu8(picture(), sp);
        return true;
    }
};

// Calls use(kernel) with the kernel of this row blend.
template <typename Use>
inline void WithKernel(const RowBlend& how, Use use) {
    switch (how.kind) {
        case RowCopy:
            use(CopyKernel{});
            break;
        case RowPixelAlpha:
            use(PixelAlphaKernel{});
            break;
        case RowAddPremultiplied:
            use(AddPremultipliedKernel{});
            break;
        case RowNone:
            use(GenericKernel<BlendNone, false>(how.colour));
            break;
        case RowNoneModulated:
            use(GenericKernel<BlendNone, true>(how.colour));
            break;
        case RowAlpha:
            use(GenericKernel<BlendAlpha, false>(how.colour));
            break;
        case RowAlphaModulated:
            use(GenericKernel<BlendAlpha, true>(how.colour));
            break;
        case RowAdd:
            use(GenericKernel<BlendAdd, false>(how.colour));
            break;
        case RowAddModulated:
            use(GenericKernel<BlendAdd, true>(how.colour));
            break;
    }
}

}  // namespace softraster

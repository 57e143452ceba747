// The blending kernels of our software rasteriser: rows of texels put on the picture with the arithmetic of
// SDL's blitters (plain copy, per-pixel alpha, the generic blitter with modulation, additive), four pixels at
// a time with SSE2.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/soft_raster_local.h"

namespace softraster {
namespace {

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

// Runs quad along a row of w pixels, four at a time: quad(texels, picture loader, out) returns true when it
// changed the picture's four pixels to out; it loads them only when it needs them. The last one to three
// pixels go through the same arithmetic with transparent texels in the lanes past the row, which is never
// touched beyond its end.
template <typename Quad>
inline void ForEachQuad(const uint32_t* s, uint32_t* d, int w, Quad quad) {
    int x = 0;
    __m128i out;
    for (; x + 4 <= w; x += 4) {
        auto* at = reinterpret_cast<__m128i*>(d + x);
        if (quad(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x)), [at] { return _mm_loadu_si128(at); }, out))
            _mm_storeu_si128(at, out);
    }
    const int n = w - x;
    if (n > 0 && quad(LoadPart(s + x, n), [d, x, n] { return LoadPart(d + x, n); }, out)) StorePart(d + x, out, n);
}

template <BlendKind blend, bool modulate>
void GenericRow(const uint32_t* s, uint32_t* d, int w, SDL_Color c) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i mul = _mm_setr_epi16(c.b, c.g, c.r, c.a, c.b, c.g, c.r, c.a);
    // Texels whose alpha, modulated, comes to 0 change nothing when blended or added: below this alpha.
    const int visible = !modulate ? 1 : (c.a == 0 ? 256 : (254 + c.a) / c.a);
    const __m128i visibleAlpha = _mm_set1_epi32(visible);
    ForEachQuad(s, d, w, [&](__m128i sp, auto picture, __m128i& out) {
        if (blend != BlendNone && _mm_movemask_epi8(_mm_cmplt_epi32(_mm_srli_epi32(sp, 24), visibleAlpha)) == 0xFFFF)
            return false;
        // Four opaque texels without modulation replace the picture, blended or not.
        if (blend == BlendAlpha && !modulate &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sp, alphaBits), alphaBits)) == 0xFFFF) {
            out = sp;
            return true;
        }
        const __m128i dp = blend != BlendNone ? picture() : zero;
        const __m128i low = GenericPair<blend, modulate>(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero), mul);
        const __m128i high = GenericPair<blend, modulate>(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero), mul);
        out = _mm_packus_epi16(low, high);
        return true;
    });
}

// SDL's per-pixel alpha blend of ARGB8888 without modulation (its MMX blitter): 8-bit weights, the alpha
// channel kept by a weight of 255; fully transparent texels keep the picture, opaque ones replace it.
void PixelAlphaRow(const uint32_t* s, uint32_t* d, int w) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i rgbLanes = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i alphaLane255 = _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255);
    const __m128i all255 = _mm_set1_epi16(255);
    ForEachQuad(s, d, w, [&](__m128i sp, auto picture, __m128i& out) {
        const __m128i alpha = _mm_and_si128(sp, alphaBits);
        const __m128i clear = _mm_cmpeq_epi32(alpha, zero), opaque = _mm_cmpeq_epi32(alpha, alphaBits);
        if (_mm_movemask_epi8(clear) == 0xFFFF) return false;
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            out = sp;
            return true;
        }
        const __m128i dp = picture();
        auto pair = [&](__m128i sv, __m128i dv) {
            const __m128i a = BroadcastAlpha(sv);
            const __m128i weight = _mm_or_si128(_mm_and_si128(a, rgbLanes), alphaLane255);
            return _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(sv, weight), 8),
                                 _mm_srli_epi16(_mm_mullo_epi16(dv, _mm_sub_epi16(all255, a)), 8));
        };
        const __m128i blended = _mm_packus_epi16(pair(_mm_unpacklo_epi8(sp, zero), _mm_unpacklo_epi8(dp, zero)),
                                                 pair(_mm_unpackhi_epi8(sp, zero), _mm_unpackhi_epi8(dp, zero)));
        out = _mm_or_si128(_mm_andnot_si128(_mm_or_si128(clear, opaque), blended),
                           _mm_or_si128(_mm_and_si128(clear, dp), _mm_and_si128(opaque, sp)));
        return true;
    });
}

}  // namespace

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

namespace {

// The generic blitter's add, for texels it has already modulated and premultiplied (alpha byte 0).
void AddPremultipliedRow(const uint32_t* s, uint32_t* d, int w) {
    ForEachQuad(s, d, w, [](__m128i sp, auto picture, __m128i& out) {
        out = _mm_adds_epu8(picture(), sp);
        return true;
    });
}

}  // namespace

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


void BlendRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h, const RowBlend& how) {
    for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch)
        BlendRow(how, reinterpret_cast<const uint32_t*>(from), reinterpret_cast<uint32_t*>(to), w);
}

RowBlend CopyBlend(SDL_BlendMode mode, SDL_Color colour, bool genericPlainBlend) {
    const BlendKind blend = mode == SDL_BLENDMODE_NONE ? BlendNone : (mode == SDL_BLENDMODE_ADD ? BlendAdd : BlendAlpha);
    return ChooseRowBlend(blend, colour, !genericPlainBlend);
}

uint32_t AddedTexel(uint32_t s, SDL_Color c) {
    uint32_t sum = 0;  // added onto nothing: the texel's own contribution
    BlendPixel<BlendAdd, true, true>(s, &sum, c.r, c.g, c.b, c.a);
    return sum;
}

}  // namespace softraster

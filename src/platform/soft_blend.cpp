// Rows of texels put on the picture by the blending kernels, the choice of SDL's blitter for a blend mode
// and modulation, and the texels of additive copies premultiplied ahead.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/soft_blend_kernels.h"
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

void BlendRow(const RowBlend& how, const uint32_t* s, uint32_t* d, int w) {
    if (how.kind == RowCopy) {
        std::memcpy(d, s, static_cast<size_t>(w) * 4);
        return;
    }
    WithKernel(how, [&](const auto& kernel) { BlendRowWith(kernel, s, d, w); });
}

void BlendRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h,
               const RowBlend& how) {
    if (how.kind == RowCopy) {
        for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch)
            std::memcpy(to, from, static_cast<size_t>(w) * 4);
        return;
    }
    WithKernel(how, [&](const auto& kernel) {
        for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch)
            BlendRowWith(kernel, reinterpret_cast<const uint32_t*>(from), reinterpret_cast<uint32_t*>(to), w);
    });
}

RowBlend CopyBlend(SDL_BlendMode mode, SDL_Color colour, bool genericPlainBlend) {
    const BlendKind blend =
        mode == SDL_BLENDMODE_NONE ? BlendNone : (mode == SDL_BLENDMODE_ADD ? BlendAdd : BlendAlpha);
    return ChooseRowBlend(blend, colour, !genericPlainBlend);
}

uint32_t AddedTexel(uint32_t s, SDL_Color c) {
    uint32_t sum = 0;  // added onto nothing: the texel's own contribution
    BlendPixel<BlendAdd, true, true>(s, &sum, c.r, c.g, c.b, c.a);
    return sum;
}

}  // namespace softraster

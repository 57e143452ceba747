// Copies of rectangles of images by our software rasteriser: at their own size, scaled by points or smoothly
// (SDL's stretchers, with the scaled images kept), clipped as SDL clips them, then blended by the kernels.
#include <cstddef>
#include <cstdint>

#include "platform/soft_blend_kernels.h"
#include "platform/soft_raster_local.h"

namespace softraster {
namespace {

// ---- The columns of each image row that are not wholly transparent ----

// A blend or an add leaves the picture as it is under a texel of alpha 0, whatever the modulation: copies
// skip those columns at the ends of each row (the sprites of the game are round or soft).
struct VisibleColumns {
    int16_t* first;  // per row; last < first: the row is wholly transparent
    int16_t* last;
};

// first[y], last[y] of the texels of image row y for which lit(texel) holds.
template <typename Lit>
void FindLitColumns(const uint32_t* texels, int pitch, int w, int h, int16_t* first, int16_t* last, Lit lit) {
    for (int y = 0; y < h; ++y, texels += pitch) {
        first[y] = static_cast<int16_t>(w);
        last[y] = -1;
        for (int x = 0; x < w; ++x) {
            if (!lit(texels[x])) continue;
            if (first[y] > x) first[y] = static_cast<int16_t>(x);
            last[y] = static_cast<int16_t>(x);
        }
    }
}

bool Visible(uint32_t texel) {
    return (texel >> 24) != 0;
}

// ---- Additive copies of whole images: the texels modulated and premultiplied once ----

// The game adds the same few small images with the same few factors every frame (the particles, the
// removal ghosts): each is kept as the generic blitter would add it, so drawing is a saturating add.
constexpr int AddedImageEntries = 48;
constexpr int AddedImagePixelCapacity = 64 * 64;
constexpr int AddedImageRowCapacity = 64;

struct AddedImage {
    const SDL_Surface* source = nullptr;  // null: free
    uint32_t colour = 0;
    uint32_t pixels[AddedImagePixelCapacity];
    // The columns of each row that add something: a soft particle is black (adds nothing) around its middle.
    int16_t firstLit[AddedImageRowCapacity], lastLit[AddedImageRowCapacity];  // last < first: nothing
};

struct AddedImages {
    AddedImage entries[AddedImageEntries];
    int next = 0;  // the entry replaced next
};

AddedImages added;

// The texels of src as added with this modulation (pitch src->w); null when the image is too large.
const AddedImage* AddedTexels(const SDL_Surface* src, SDL_Color c) {
    if (src->w * src->h > AddedImagePixelCapacity || src->h > AddedImageRowCapacity) return nullptr;
    const uint32_t colour = static_cast<uint32_t>(c.a) << 24 | static_cast<uint32_t>(c.r) << 16 |
                            static_cast<uint32_t>(c.g) << 8 | c.b;
    for (const AddedImage& e : added.entries)
        if (e.source == src && e.colour == colour) return &e;
    AddedImage& e = added.entries[added.next];
    added.next = (added.next + 1) % AddedImageEntries;
    e.source = src;
    e.colour = colour;
    for (int y = 0; y < src->h; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(src->pixels) + y * src->pitch);
        for (int x = 0; x < src->w; ++x) e.pixels[y * src->w + x] = AddedTexel(row[x], c);
    }
    FindLitColumns(e.pixels, src->w, src->w, src->h, e.firstLit, e.lastLit,
                   [](uint32_t t) { return t != 0; });
    return &e;
}

// Where a copy reads its texels and how it puts them on the picture: additive copies read the kept
// premultiplied texels; copies that blend or add, only the columns of each row that change the picture.
struct CopySource {
    const uint8_t* base;
    int pitch;
    RowBlend how;
    const int16_t* firstLit = nullptr;  // per row of the image; null: every column counts
    const int16_t* lastLit = nullptr;
};

CopySource ChooseCopySource(const SDL_Surface* src, SDL_BlendMode mode, SDL_Color colour,
                            bool genericPlainBlend) {
    if (mode == SDL_BLENDMODE_ADD) {
        if (const AddedImage* kept = AddedTexels(src, colour))
            return {reinterpret_cast<const uint8_t*>(kept->pixels), src->w * 4,
                    RowBlend{RowAddPremultiplied, colour}, kept->firstLit, kept->lastLit};
    }
    CopySource from{static_cast<const uint8_t*>(src->pixels), src->pitch,
                    CopyBlend(mode, colour, genericPlainBlend)};
    const auto* visible = static_cast<const VisibleColumns*>(src->userdata);
    if (mode != SDL_BLENDMODE_NONE && visible) {
        from.firstLit = visible->first;
        from.lastLit = visible->last;
    }
    return from;
}

// Rows [0, h) of w texels from from (pitch in bytes) put on the picture at to. With spans, row y puts only
// its columns [first[row + y] - column, last[row + y] - column] (columns of the image, the part starting at
// image column column).
void PutRows(const uint8_t* from, int fromPitch, int w, int h, const RowBlend& how, const int16_t* first,
             const int16_t* last, int row, int column, uint8_t* to, int toPitch) {
    if (!first) {
        BlendRows(from, fromPitch, to, toPitch, w, h, how);
        return;
    }
    WithKernel(how, [&](const auto& kernel) {
        for (int y = 0; y < h; ++y, from += fromPitch, to += toPitch) {
            const int begin = SDL_max(first[row + y] - column, 0),
                      end = SDL_min(last[row + y] - column, w - 1);
            if (begin <= end)
                BlendRowWith(kernel, reinterpret_cast<const uint32_t*>(from) + begin,
                             reinterpret_cast<uint32_t*>(to) + begin, end - begin + 1);
        }
    });
}

// SDL_BlitSurface's clipping of an image placed at dst: to the image, then to the picture's clip rectangle.
// On return src is the part of the image drawn and dst where it goes; false when nothing is left.
bool ClipBlit(SDL_Surface* canvas, int imageWidth, int imageHeight, SDL_Rect& src, SDL_Rect& dst) {
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
    SDL_GetClipRect(canvas, &clip);
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

}  // namespace

// SDL_RenderCopyF of the software renderer when the copy keeps the texture's size: the same rejections,
// integer target, clipping and blitter arithmetic (plain copy, the per-pixel alpha blend, or the generic
// blitter with modulation). False when it does not apply and SDL has to draw.
bool CopyUnscaled(SDL_Surface* canvas, SDL_Texture* texture, const SDL_Rect& source,
                  const SDL_FRect& target) {
    auto* pixels = static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture));
    SDL_BlendMode mode;
    if (!pixels || SDL_GetTextureBlendMode(texture, &mode) != 0) return false;
    if (mode != SDL_BLENDMODE_NONE && mode != SDL_BLENDMODE_BLEND && mode != SDL_BLENDMODE_ADD) return false;
    SDL_Rect src{0, 0, pixels->w, pixels->h};
    if (!SDL_IntersectRect(&source, &src, &src)) return true;
    SDL_Rect dst{static_cast<int>(target.x), static_cast<int>(target.y), static_cast<int>(target.w),
                 static_cast<int>(target.h)};
    if (src.w != dst.w || src.h != dst.h) return false;
    SDL_FRect view{0.0f, 0.0f, static_cast<float>(canvas->w), static_cast<float>(canvas->h)};
    if (!SDL_HasIntersectionF(&target, &view)) return true;
    if (!ClipBlit(canvas, pixels->w, pixels->h, src, dst)) return true;

    Uint8 r = 255, g = 255, b = 255, a = 255;
    SDL_GetTextureColorMod(texture, &r, &g, &b);
    SDL_GetTextureAlphaMod(texture, &a);
    const CopySource from = ChooseCopySource(pixels, mode, SDL_Color{r, g, b, a}, false);
    uint8_t* to = static_cast<uint8_t*>(canvas->pixels) + dst.y * canvas->pitch + dst.x * 4;
    PutRows(from.base + src.y * from.pitch + src.x * 4, from.pitch, src.w, src.h, from.how, from.firstLit,
            from.lastLit, src.y, src.x, to, canvas->pitch);
    return true;
}

namespace {

// ---- Scaled copies: SDL's stretchers, then its blitters ----

// The largest smoothly scaled image.
constexpr int ScaledPixelCapacity = 512 * 512;
// Smoothly scaled images are kept: the game scales the same few images to the same few sizes every frame.
constexpr int ScaledCacheEntries = 64;
constexpr int ScaledCachePixels = 64 * 64;

constexpr int ScaledCacheRows = 64;

struct ScaledImage {
    const SDL_Surface* source = nullptr;  // null: free
    SDL_Rect from{};
    int w = 0, h = 0;
    uint32_t pixels[ScaledCachePixels];
    bool spans = false;  // visible columns found (at most ScaledCacheRows rows)
    int16_t firstVisible[ScaledCacheRows], lastVisible[ScaledCacheRows];
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
// The first target column showing source column c or one right of it, for copies that skip unlit texels.
int firstColumnFrom[RowCapacity + 1];
uint32_t gatheredRow[RowCapacity];

void PointScaleColumns(int srcW, int dstW, int first, int count) {
    const uint32_t step = (static_cast<uint32_t>(srcW) << 16) / static_cast<uint32_t>(dstW);
    uint32_t pos = step / 2 + static_cast<uint32_t>(first) * step;
    for (int i = 0; i < count; ++i, pos += step) pointColumns[i] = static_cast<int>(pos >> 16);
}

// The step between the source rows of target rows (16.16), and the source row of a target row.
uint32_t PointScaleStep(int srcN, int dstN) {
    return (static_cast<uint32_t>(srcN) << 16) / static_cast<uint32_t>(dstN);
}

int PointScaleSourceRow(uint32_t step, int row) {
    return static_cast<int>((step / 2 + static_cast<uint32_t>(row) * step) >> 16);
}

// Target columns [0, cols) of the part of src scaled by points to dstW x dstH that starts at target column
// firstCol and row firstRow, put on rows rows of the picture from to on (pitch in pixels). A source row
// repeated by an enlargement is gathered once; only the columns that show lit texels are put on the picture.
void PointCopy(const CopySource& from, const SDL_Rect& src, int dstW, int dstH, int firstCol, int cols,
               int firstRow, int rows, uint32_t* to, int toPitch) {
    PointScaleColumns(src.w, dstW, firstCol, cols);
    const uint32_t rowStep = PointScaleStep(src.h, dstH);
    const bool trimmed = from.firstLit != nullptr && src.w <= RowCapacity;
    if (trimmed) {
        int i = 0;
        for (int c = 0; c <= src.w; ++c) {
            while (i < cols && pointColumns[i] < c) ++i;
            firstColumnFrom[c] = i;
        }
    }
    WithKernel(from.how, [&](const auto& kernel) {
        const uint8_t* gathered = nullptr;  // the source row now in gatheredRow
        int begin = 0, end = cols;          // its target columns that show lit texels
        for (int y = 0; y < rows; ++y, to += toPitch) {
            const int sourceRow = src.y + PointScaleSourceRow(rowStep, firstRow + y);
            const uint8_t* row = from.base + sourceRow * from.pitch + src.x * 4;
            if (row != gathered) {
                gathered = row;
                if (trimmed) {
                    const int first = SDL_max(from.firstLit[sourceRow] - src.x, 0);
                    const int last = SDL_min(from.lastLit[sourceRow] - src.x, src.w - 1);
                    begin = first <= last ? firstColumnFrom[first] : 0;
                    end = first <= last ? firstColumnFrom[last + 1] : 0;
                }
                const auto* texels = reinterpret_cast<const uint32_t*>(row);
                int i = begin;
                for (; i + 4 <= end; i += 4) {  // four a turn: the loop's own count costs as much as a texel
                    gatheredRow[i] = texels[pointColumns[i]];
                    gatheredRow[i + 1] = texels[pointColumns[i + 1]];
                    gatheredRow[i + 2] = texels[pointColumns[i + 2]];
                    gatheredRow[i + 3] = texels[pointColumns[i + 3]];
                }
                for (; i < end; ++i) gatheredRow[i] = texels[pointColumns[i]];
            }
            if (begin < end) BlendRowWith(kernel, gatheredRow + begin, to + begin, end - begin);
        }
    });
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
        if (sum < 0)
            ++a.leftPad;
        else if (static_cast<int>(static_cast<uint32_t>(sum) >> 16) > srcN - 2)
            ++a.rightPad;
    }
    return a;
}

// One smoothly scaled pixel as SDL's SSE2 path computes it: rows weighted by fh (7 bits) kept at 15 bits,
// then columns weighted by fw, shifted down once.
inline uint32_t SmoothPixel(const uint32_t* row0, const uint32_t* row1, int index, uint32_t fw,
                            uint32_t fh0) {
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
        const auto* row1 =
            inside ? reinterpret_cast<const uint32_t*>(base + (indexH + 1) * src->pitch) : row0;
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
// A smoothly scaled image (pitch its width) and, when known, the visible columns of its rows.
struct Scaled {
    const uint32_t* pixels = nullptr;
    const int16_t* firstVisible = nullptr;
    const int16_t* lastVisible = nullptr;
};

Scaled SmoothScaledPixels(const SDL_Surface* src, const SDL_Rect& from, int w, int h) {
    if (static_cast<int64_t>(w) * h > ScaledPixelCapacity) return {};
    if (w * h > ScaledCachePixels) {
        SmoothScale(src, from, w, h, scaling.scratch);
        return {scaling.scratch};
    }
    ScaledImage* found = nullptr;
    for (ScaledImage& e : scaling.cache)
        if (e.source == src && e.w == w && e.h == h && SDL_RectEquals(&e.from, &from)) {
            found = &e;
            break;
        }
    if (!found) {
        ScaledImage& e = scaling.cache[scaling.nextEntry];
        scaling.nextEntry = (scaling.nextEntry + 1) % ScaledCacheEntries;
        e.source = src;
        e.from = from;
        e.w = w;
        e.h = h;
        SmoothScale(src, from, w, h, e.pixels);
        e.spans = h <= ScaledCacheRows;
        if (e.spans) FindLitColumns(e.pixels, w, w, h, e.firstVisible, e.lastVisible, Visible);
        found = &e;
    }
    if (!found->spans) return {found->pixels};
    return {found->pixels, found->firstVisible, found->lastVisible};
}

// SDL_UpperBlitScaled's clipping of a scaled copy to the picture's clip rectangle, in doubles as there.
// False when nothing is left.
bool ClipScaled(SDL_Surface* canvas, const SDL_Surface* image, SDL_Rect& src, SDL_Rect& dst) {
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
    SDL_GetClipRect(canvas, &clip);
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

}  // namespace

// SDL_RenderCopyF of the software renderer for a copy to another size: inside the picture the texture is
// scaled straight onto it (by points with the generic blitter, smoothly through an image of the target's
// size); over the picture's edges it is scaled into such an image first, which is then blitted. False when
// SDL has to draw it.
bool CopyScaled(SDL_Surface* canvas, SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target) {
    auto* pixels = static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture));
    SDL_BlendMode mode;
    SDL_ScaleMode scaleMode;
    if (!pixels || SDL_GetTextureBlendMode(texture, &mode) != 0 ||
        SDL_GetTextureScaleMode(texture, &scaleMode) != 0)
        return false;
    if (mode != SDL_BLENDMODE_NONE && mode != SDL_BLENDMODE_BLEND && mode != SDL_BLENDMODE_ADD) return false;
    SDL_Rect src{0, 0, pixels->w, pixels->h};
    if (!SDL_IntersectRect(&source, &src, &src)) return true;
    SDL_FRect view{0.0f, 0.0f, static_cast<float>(canvas->w), static_cast<float>(canvas->h)};
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
    uint8_t* picture = static_cast<uint8_t*>(canvas->pixels);
    const int pitch = canvas->pitch;
    const bool inside = dst.x >= 0 && dst.y >= 0 && dst.x + dst.w <= canvas->w && dst.y + dst.h <= canvas->h;

    if (inside) {
        if (!ClipScaled(canvas, pixels, src, dst)) return true;
        if (!smooth) {
            // Straight onto the picture: plain copies by the stretcher, the rest by the generic blitter.
            const CopySource from = ChooseCopySource(pixels, mode, colour, true);
            PointCopy(from, src, dst.w, dst.h, 0, dst.w, 0, dst.h,
                      reinterpret_cast<uint32_t*>(picture + dst.y * pitch) + dst.x, pitch / 4);
            return true;
        }
        // Smooth: the scaled image is a fresh surface, blitted as one.
        const Scaled scaled = SmoothScaledPixels(pixels, src, dst.w, dst.h);
        if (!scaled.pixels) return false;
        const bool trim = mode != SDL_BLENDMODE_NONE;
        PutRows(reinterpret_cast<const uint8_t*>(scaled.pixels), dst.w * 4, dst.w, dst.h,
                CopyBlend(mode, colour, false), trim ? scaled.firstVisible : nullptr, scaled.lastVisible, 0,
                0, picture + dst.y * pitch + dst.x * 4, pitch);
        return true;
    }

    // Over the edges: the whole target-sized image, blitted with the ordinary clipping.
    SDL_Rect part{0, 0, dst.w, dst.h};
    SDL_Rect at = dst;
    if (!ClipBlit(canvas, dst.w, dst.h, part, at)) return true;
    if (!smooth) {
        const CopySource from = ChooseCopySource(pixels, mode, colour, false);
        PointCopy(from, src, dst.w, dst.h, part.x, part.w, part.y, part.h,
                  reinterpret_cast<uint32_t*>(picture + at.y * pitch) + at.x, pitch / 4);
        return true;
    }
    const Scaled scaled = SmoothScaledPixels(pixels, src, dst.w, dst.h);
    if (!scaled.pixels) return false;
    const bool trim = mode != SDL_BLENDMODE_NONE;
    PutRows(reinterpret_cast<const uint8_t*>(scaled.pixels + part.y * dst.w + part.x), dst.w * 4, part.w,
            part.h, CopyBlend(mode, colour, false), trim ? scaled.firstVisible : nullptr, scaled.lastVisible,
            part.y, part.x, picture + at.y * pitch + at.x * 4, pitch);
    return true;
}

void NoteVisibleColumns(SDL_Surface* image) {
    if (!image || image->userdata || image->h <= 0 || image->w > 0x7FFF) return;
    // Kept with the image while it lives (found once, when it is loaded).
    auto* columns =
        static_cast<int16_t*>(SDL_malloc(sizeof(VisibleColumns) + 2 * sizeof(int16_t) * image->h));
    if (!columns) return;
    auto* visible = reinterpret_cast<VisibleColumns*>(columns);
    visible->first = reinterpret_cast<int16_t*>(visible + 1);
    visible->last = visible->first + image->h;
    FindLitColumns(static_cast<const uint32_t*>(image->pixels), image->pitch / 4, image->w, image->h,
                   visible->first, visible->last, Visible);
    image->userdata = visible;
}

void ForgetImage(SDL_Surface* pixels) {
    if (!pixels) return;
    for (ScaledImage& e : scaling.cache)
        if (e.source == pixels) e.source = nullptr;
    for (AddedImage& e : added.entries)
        if (e.source == pixels) e.source = nullptr;
    SDL_free(pixels->userdata);
    pixels->userdata = nullptr;
}

}  // namespace softraster

// Shared by the files of our own software rasteriser: the blending kernels, the triangles, the copies and
// the renderer glue. Everything in it repeats the arithmetic of SDL's software renderer exactly.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace softraster {

enum BlendKind { BlendNone, BlendAlpha, BlendAdd };

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

// The longest row of texels gathered before it is blended (a triangle's span, a scaled row).
constexpr int RowCapacity = 4096;

// A plain blend without modulation has two blitters in SDL: the per-pixel alpha one for copies of a fresh
// surface (pixelAlphaForPlainBlend), the generic one elsewhere.
RowBlend ChooseRowBlend(BlendKind blend, SDL_Color c, bool pixelAlphaForPlainBlend);
RowBlend CopyBlend(SDL_BlendMode mode, SDL_Color colour, bool genericPlainBlend);
// Puts w texels of s on the picture row d.
void BlendRow(const RowBlend& how, const uint32_t* s, uint32_t* d, int w);
void BlendRows(const uint8_t* from, int fromPitch, uint8_t* to, int toPitch, int w, int h,
               const RowBlend& how);
// Texel s as the generic blitter adds it with modulation c onto black: what RowAddPremultiplied adds.
uint32_t AddedTexel(uint32_t s, SDL_Color c);

// One corner as SDL's software renderer keeps it: texel, position in half pixels, colour.
struct Corner {
    int sx, sy;
    int dx, dy;
    SDL_Color colour;
};

// SDL's software textured triangle with one colour on all corners, drawn into dst within its clip rectangle.
void BlitTriangle(const SDL_Surface* src, SDL_Surface* dst, Corner c0, Corner c1, Corner c2, BlendKind blend);

// SDL_RenderCopyF of the software renderer onto canvas (within its clip rectangle), at the texture's own size
// or scaled; false when it does not apply and SDL has to draw.
bool CopyUnscaled(SDL_Surface* canvas, SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target);
bool CopyScaled(SDL_Surface* canvas, SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target);
// Finds which columns of each row of an image (ARGB8888) are not wholly transparent, kept with the image
// (in its userdata) for the copies; at load only.
void NoteVisibleColumns(SDL_Surface* image);
// Drops what the copies keep of an image whose pixels are about to be freed.
void ForgetImage(SDL_Surface* pixels);

}  // namespace softraster

// Our own software rasteriser behind the headless renderer: textured triangles and copies drawn straight
// into the picture with the very arithmetic of SDL's software path (same quad-to-copy detection, same
// fixed-point edges, texel choice and blending), so every pixel is the same; only far fewer instructions are
// spent on each. This file is the glue to the renderer: state, SDL's checks, and the choice of the path.
#include <cstdint>

#include "platform/platform_local.h"
#include "platform/soft_raster_local.h"

using namespace softraster;

namespace {

struct SoftRasterState {
    SDL_Renderer* renderer = nullptr;
    SDL_Surface* target = nullptr;  // the picture; null: SDL draws everything itself
    bool enabled = true;            // tests switch it off to compare with SDL's own drawing
    bool clipOn = false;
    SDL_Rect clip{};  // the text box while text is drawn
};

SoftRasterState raster;

bool SameColour(SDL_Color a, SDL_Color b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
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
    if (x0 <= x1 && y0 <= y1)
        a = (x0 <= x2 && y0 <= y2) ? k0 : k2;
    else
        a = (x1 <= x2 && y1 <= y2) ? k1 : k2;
    if (x0 >= x1 && y0 >= y1)
        b = (x0 >= x2 && y0 >= y2) ? k0 : k2;
    else
        b = (x1 >= x2 && y1 >= y2) ? k1 : k2;
    c = (k0 != a && k0 != b) ? k0 : ((k1 != a && k1 != b) ? k1 : k2);
    c2 = (prev[0] != a && prev[0] != b) ? prev[0] : ((prev[1] != a && prev[1] != b) ? prev[1] : prev[2]);

    float ax = v[a].position.x, ay = v[a].position.y, bx = v[b].position.x, by = v[b].position.y;
    float cx = v[c].position.x, cy = v[c].position.y;
    if (!((ax == cx && by == cy) || (ay == cy && bx == cx))) return false;
    cx = v[c2].position.x;
    cy = v[c2].position.y;
    if (!((ax == cx && by == cy) || (ay == cy && bx == cx))) return false;
    int colour = ColourBits(v[a].color);
    if (ColourBits(v[b].color) != colour || ColourBits(v[c].color) != colour ||
        ColourBits(v[c2].color) != colour)
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
            if (!CopyUnscaled(raster.target, texture, s, d) && !CopyScaled(raster.target, texture, s, d))
                SDL_RenderCopyF(raster.renderer, texture, &s, &d);
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
            SDL_RenderCopyExF(raster.renderer, texture, &s, &d, 0.0, nullptr,
                              static_cast<SDL_RendererFlip>(flip));
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
        NoteVisibleColumns(argb);
        SDL_SetTextureUserData(texture, argb);
        return;
    }
    SDL_FreeSurface(argb);
}

void DestroyTexture(SDL_Texture* texture) {
    if (!texture) return;
    // A later image may get the same memory: the kept scaled images of this one go.
    ForgetImage(static_cast<SDL_Surface*>(SDL_GetTextureUserData(texture)));
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
    BlendKind blend =
        mode == SDL_BLENDMODE_NONE ? BlendNone : (mode == SDL_BLENDMODE_ADD ? BlendAdd : BlendAlpha);
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
    return CopyUnscaled(raster.target, texture, source, target) ||
           CopyScaled(raster.target, texture, source, target);
}

// The graphics device on SDL_Renderer: the 480x272 picture (a render-target texture stretched into the
// window at present, or the surface of the software renderer, headless and in a window whose OpenGL is
// itself drawn by the processor), the sprite primitives, the batches they are collected in, blending and
// modulation states, screenshots.
#include "platform/graphics.h"

#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/platform_local.h"
#include "platform/window.h"

namespace {

constexpr int QuadVertexCapacity = 1024;
// Quads of one texture and state sent to the renderer in one call.
constexpr int BatchQuadCapacity = 256;

// Consecutive quads with the same texture, blending and sampling, in drawing order.
struct SpriteBatch {
    SDL_Texture* texture = nullptr;
    SDL_BlendMode blend = SDL_BLENDMODE_BLEND;
    SDL_ScaleMode scale = SDL_ScaleModeNearest;
    int quads = 0;
    SDL_Vertex vertices[BatchQuadCapacity * 4];
    int indices[BatchQuadCapacity * 6];  // 0, 1, 2, 1, 2, 3 for each quad
};

struct GraphicsState {
    SDL_Renderer* renderer = nullptr;        // draws the picture
    SDL_Texture* picture = nullptr;          // the back buffer in a window drawn by the GPU, 480x272 ARGB8888
    SDL_Surface* softSurface = nullptr;      // the back buffer of the software renderer and our rasteriser
    // A window whose OpenGL is drawn by the processor gets the software renderer's picture as one upload a
    // frame: drawing each sprite through such an OpenGL costs several times more.
    SDL_Renderer* windowRenderer = nullptr;
    SDL_Texture* shownPicture = nullptr;  // streaming texture the picture is uploaded to
    SDL_Texture* stageTexture = nullptr;     // bound image
    // Stage-0 combiners: colour is texture x factor colour when colourFromFactor, alpha likewise.
    bool colourFromFactor = false;
    bool alphaFromFactor = false;
    uint32_t textureFactor = 0xFFFFFFFF;  // ARGB
    bool alphaBlending = true;
    bool additive = false;
    bool linearMagnification = false;
    bool scissor = false;
    SpriteVertex quadVertices[QuadVertexCapacity];
    int quadCursor = 0;  // vertices
    SpriteVertex queuedVertices[QueuedSpriteCapacity * 4];
    int queuedTextures[QueuedSpriteCapacity];
    int queueCount = 0;  // squares
    // A full queue sends further squares here: they can still be drawn at once, but are not kept.
    SpriteVertex overflowVertices[4];
    SDL_Vertex drawVertices[4];
    SpriteBatch batch;
    bool backdropKept = false;
    // On the processor's picture a clear waits for the next drawing: a kept backdrop copied over the whole
    // picture makes it unnecessary, and clearing 480x272 pixels costs as much as a tenth of a frame.
    bool clearPending = false;
    uint32_t clearColour = 0;  // ARGB
    uint32_t backdropPixels[ScreenWidth * ScreenHeight];  // headless only
    uint32_t pixels[ScreenWidth * ScreenHeight];  // screenshot buffer
};

GraphicsState gfx;

constexpr int quadIndices[6] = {0, 1, 2, 1, 2, 3};

float Clamp01(float value) {
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

void ApplyPendingClear() {
    if (!gfx.clearPending) return;
    gfx.clearPending = false;
    const uint32_t argb = gfx.clearColour;
    SDL_SetRenderDrawColor(gfx.renderer, static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                           static_cast<Uint8>(argb), static_cast<Uint8>(argb >> 24));
    SDL_RenderClear(gfx.renderer);
}

}  // namespace

// Whoever draws with the renderer gets the picture with any waiting clear done.
SDL_Renderer* PlatformRenderer() {
    ApplyPendingClear();
    return gfx.renderer;
}
SDL_Texture* PlatformPicture() {
    return gfx.picture;
}
void SetStageTexture(SDL_Texture* texture) {
    gfx.stageTexture = texture;
}

namespace {

// The picture drawn by SDL's software renderer and our own rasteriser on a surface.
bool CreateSoftPicture() {
    gfx.softSurface = SDL_CreateRGBSurfaceWithFormat(0, ScreenWidth, ScreenHeight, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!gfx.softSurface) return false;
    gfx.renderer = SDL_CreateSoftwareRenderer(gfx.softSurface);
    if (!gfx.renderer) return false;
    SetSoftRasterTarget(gfx.renderer, gfx.softSurface);
    ClearScene(0xFF000000);
    return true;
}

bool Contains(const char* text, const char* part) {
    return text && std::strstr(text, part) != nullptr;
}

// True when the window's renderer draws with the processor: SDL's own software renderer, or OpenGL by
// Mesa's llvmpipe, softpipe or swrast (what a machine without GPU drivers has).
bool RendererIsSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0) return false;
    if (info.flags & SDL_RENDERER_SOFTWARE) return true;
    if (!Contains(info.name, "opengl") || !SDL_GL_GetCurrentContext()) return false;
    using GetString = const unsigned char* (*)(unsigned);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    const auto* name = reinterpret_cast<const char*>(getString(0x1F01));  // GL_RENDERER
    return Contains(name, "llvmpipe") || Contains(name, "softpipe") || Contains(name, "Software Rasterizer") ||
           Contains(name, "swrast");
}

}  // namespace

bool CreateGraphicsDevice() {
    if (gfx.renderer) return true;
    for (int i = 0; i < BatchQuadCapacity; ++i)
        for (int k = 0; k < 6; ++k) gfx.batch.indices[i * 6 + k] = i * 4 + quadIndices[k];
    if (IsHeadless() || !PlatformWindow()) return CreateSoftPicture();
    // Naming a driver switches SDL's batching of draw calls off unless it is asked for.
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_Renderer* renderer =
        SDL_CreateRenderer(PlatformWindow(), -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
    if (!renderer) {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "");
        renderer = SDL_CreateRenderer(PlatformWindow(), -1, SDL_RENDERER_TARGETTEXTURE);
    }
    if (!renderer) return false;
    if (RendererIsSoftware(renderer)) {
        // Without a streaming texture the renderer draws the picture itself, as with a GPU.
        gfx.shownPicture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                             ScreenWidth, ScreenHeight);
        if (gfx.shownPicture) {
            gfx.windowRenderer = renderer;
            SDL_SetTextureBlendMode(gfx.shownPicture, SDL_BLENDMODE_NONE);
            return CreateSoftPicture();
        }
    }
    gfx.renderer = renderer;
    gfx.picture = SDL_CreateTexture(gfx.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                    ScreenWidth, ScreenHeight);
    if (!gfx.picture || SDL_SetRenderTarget(gfx.renderer, gfx.picture) != 0) return false;
    SDL_SetTextureBlendMode(gfx.picture, SDL_BLENDMODE_NONE);
    ClearScene(0xFF000000);
    return true;
}

// Only where the software renderer draws the picture (headless, and a window with OpenGL drawn by the
// processor): a GPU draws the layers anew at little cost.
void KeepBackdrop() {
    FlushSprites();
    gfx.backdropKept = false;
    SDL_Surface* surface = gfx.softSurface;
    if (!gfx.renderer || !surface) return;
    ApplyPendingClear();
    SDL_RenderFlush(gfx.renderer);
    for (int y = 0; y < ScreenHeight; ++y)
        std::memcpy(&gfx.backdropPixels[y * ScreenWidth],
                    static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch, ScreenWidth * 4);
    gfx.backdropKept = true;
}

bool DrawBackdrop() {
    SDL_Surface* surface = gfx.softSurface;
    if (!gfx.renderer || !surface || !gfx.backdropKept) return false;
    FlushSprites();
    gfx.clearPending = false;  // every pixel is replaced
    SDL_RenderFlush(gfx.renderer);
    for (int y = 0; y < ScreenHeight; ++y)
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch,
                    &gfx.backdropPixels[y * ScreenWidth], ScreenWidth * 4);
    return true;
}

void FlushSprites() {
    SpriteBatch& b = gfx.batch;
    if (b.quads == 0) return;
    SDL_SetTextureBlendMode(b.texture, b.blend);
    SDL_SetTextureScaleMode(b.texture, b.scale);
    SDL_SetTextureColorMod(b.texture, 255, 255, 255);
    SDL_SetTextureAlphaMod(b.texture, 255);
    RenderTriangles(b.texture, b.vertices, b.quads * 4, b.indices, b.quads * 6);
    b.quads = 0;
}

void UseOwnSoftwareRaster(bool on) {
    FlushSprites();
    SetSoftRasterEnabled(on);
}

void SetModulation(int enable, int mode) {
    if (enable == 1) {
        gfx.colourFromFactor = mode == 2;
        gfx.alphaFromFactor = true;
    } else {
        gfx.alphaFromFactor = false;  // the colour operation stays as it was
    }
}

void SetTextureFactor(uint32_t argb) {
    gfx.textureFactor = argb;
}
void SetAlphaBlending(bool on) {
    gfx.alphaBlending = on;
}
void SetAdditiveBlending(bool on) {
    gfx.additive = on;
}
void SetLinearMagnification(bool on) {
    gfx.linearMagnification = on;
}
// The scissor rectangle is never set apart from its default, the whole picture: switching it has no effect.
void SetScissor(bool on) {
    gfx.scissor = on;
}

void DrawQuad(const SpriteVertex vertices[4]) {
    if (!gfx.renderer || !gfx.stageTexture) return;
    uint32_t factor = gfx.textureFactor;
    SDL_Color colour{255, 255, 255, 255};
    if (gfx.colourFromFactor) {
        colour.r = static_cast<Uint8>(factor >> 16);
        colour.g = static_cast<Uint8>(factor >> 8);
        colour.b = static_cast<Uint8>(factor);
    }
    if (gfx.alphaFromFactor) colour.a = static_cast<Uint8>(factor >> 24);
    SDL_Vertex* d = gfx.drawVertices;
    for (int i = 0; i < 4; ++i) {
        // The vertices use the Direct3D convention (pixel centres on integers); SDL puts them at +0.5.
        d[i].position = {vertices[i].x + 0.5f, vertices[i].y + 0.5f};
        d[i].color = colour;
        // SDL clamps addressing to the edge; the game only leaves 0..1 by half a texel (mirror addressing
        // would repeat the same edge texel), so clamping the coordinates is close enough.
        d[i].tex_coord = {Clamp01(vertices[i].u), Clamp01(vertices[i].v)};
    }
    SDL_BlendMode blend = !gfx.alphaBlending ? SDL_BLENDMODE_NONE
                          : gfx.additive     ? SDL_BLENDMODE_ADD  // source alpha / one
                                             : SDL_BLENDMODE_BLEND;
    SDL_ScaleMode scale = gfx.linearMagnification ? SDL_ScaleModeLinear : SDL_ScaleModeNearest;
    SDL_Texture* texture = gfx.stageTexture;
    bool upright = d[0].position.y == d[1].position.y && d[2].position.y == d[3].position.y &&
                   d[0].position.x == d[2].position.x && d[1].position.x == d[3].position.x &&
                   d[0].tex_coord.y == d[1].tex_coord.y && d[2].tex_coord.y == d[3].tex_coord.y &&
                   d[0].tex_coord.x == d[2].tex_coord.x && d[1].tex_coord.x == d[3].tex_coord.x;
    if (upright) {
        // An upright rectangle shows whole texels: the software renderer maps triangles a texel short, so
        // there it is copied as one; elsewhere its rounded texture coordinates join the batch.
        int w = 0, h = 0;
        SDL_QueryTexture(texture, nullptr, nullptr, &w, &h);
        float u0 = d[0].tex_coord.x * w, u1 = d[1].tex_coord.x * w;
        float v0 = d[0].tex_coord.y * h, v1 = d[2].tex_coord.y * h;
        float x0 = d[0].position.x, x1 = d[1].position.x, y0 = d[0].position.y, y1 = d[2].position.y;
        bool flipX = (u1 < u0) != (x1 < x0), flipY = (v1 < v0) != (y1 < y0);
        SDL_Rect source{static_cast<int>(std::lround(std::min(u0, u1))),
                        static_cast<int>(std::lround(std::min(v0, v1))),
                        static_cast<int>(std::lround(std::fabs(u1 - u0))),
                        static_cast<int>(std::lround(std::fabs(v1 - v0)))};
        SDL_FRect target{std::min(x0, x1), std::min(y0, y1), std::fabs(x1 - x0), std::fabs(y1 - y0)};
        if (source.w <= 0 || source.h <= 0 || target.w <= 0.0f || target.h <= 0.0f) return;
        if (gfx.softSurface) {
            FlushSprites();
            int flip = (flipX ? SDL_FLIP_HORIZONTAL : SDL_FLIP_NONE) | (flipY ? SDL_FLIP_VERTICAL : SDL_FLIP_NONE);
            SDL_SetTextureBlendMode(texture, blend);
            SDL_SetTextureScaleMode(texture, scale);
            SDL_SetTextureColorMod(texture, colour.r, colour.g, colour.b);
            SDL_SetTextureAlphaMod(texture, colour.a);
            if (flip == SDL_FLIP_NONE && CopyTextureRect(texture, source, target)) return;
            SDL_RenderCopyExF(PlatformRenderer(), texture, &source, &target, 0.0, nullptr,
                              static_cast<SDL_RendererFlip>(flip));
            return;
        }
        // The same copy as corners of the batch: left, right, top and bottom of the target rectangle.
        float left = static_cast<float>(source.x) / static_cast<float>(w);
        float right = static_cast<float>(source.x + source.w) / static_cast<float>(w);
        float top = static_cast<float>(source.y) / static_cast<float>(h);
        float bottom = static_cast<float>(source.y + source.h) / static_cast<float>(h);
        if (flipX) std::swap(left, right);
        if (flipY) std::swap(top, bottom);
        float xl = target.x, xr = target.x + target.w, yt = target.y, yb = target.y + target.h;
        d[0].position = {xl, yt};
        d[1].position = {xr, yt};
        d[2].position = {xl, yb};
        d[3].position = {xr, yb};
        d[0].tex_coord = {left, top};
        d[1].tex_coord = {right, top};
        d[2].tex_coord = {left, bottom};
        d[3].tex_coord = {right, bottom};
    }
    SpriteBatch& b = gfx.batch;
    if (b.quads > 0 && (b.texture != texture || b.blend != blend || b.scale != scale || b.quads == BatchQuadCapacity))
        FlushSprites();
    b.texture = texture;
    b.blend = blend;
    b.scale = scale;
    SDL_Vertex* to = &b.vertices[b.quads * 4];
    for (int i = 0; i < 4; ++i) to[i] = d[i];
    ++b.quads;
}

void DrawSprite(int id, uint16_t x, uint16_t y, uint16_t w, uint16_t h, bool drawNow, float uRight,
                float vBottom, float uLeft, float vTop) {
    SpriteVertex* v = &gfx.quadVertices[gfx.quadCursor];
    float left = x - 0.5f, top = y - 0.5f, right = x + w - 0.5f, bottom = y + h - 0.5f;
    v[0] = {left, top, 0.0f, 1.0f, uLeft, vTop};
    v[1] = {right, top, 0.0f, 1.0f, uRight, vTop};
    v[2] = {left, bottom, 0.0f, 1.0f, uLeft, vBottom};
    v[3] = {right, bottom, 0.0f, 1.0f, uRight, vBottom};
    if (drawNow) {
        BindTexture(id);
        DrawQuad(v);
    }
    gfx.quadCursor += 4;
    if (gfx.quadCursor > QuadVertexCapacity - 4) gfx.quadCursor = 0;
}

void DrawRotatedSprite(int id, float x, float y, float angle, float halfSize, float texelSpan,
                       SpriteVertex* vertexTarget, SpriteVertex** slot, bool drawNow) {
    bool queued = vertexTarget == nullptr && gfx.queueCount < QueuedSpriteCapacity;
    SpriteVertex* v = vertexTarget ? vertexTarget
                      : queued     ? &gfx.queuedVertices[gfx.queueCount * 4]
                                   : gfx.overflowVertices;
    float r = halfSize * 1.4142135f;
    float cosMinus = std::cos(angle - 0.785f), sinMinus = std::sin(angle - 0.785f);
    float cosPlus = std::cos(angle + 0.785f), sinPlus = std::sin(angle + 0.785f);
    float width = static_cast<float>(TextureWidth(id)), height = static_cast<float>(TextureHeight(id));
    float uSpan = width > 0.0f ? texelSpan / width : 0.0f;
    float vSpan = height > 0.0f ? texelSpan / height : 0.0f;
    auto corner = [](float value) { return std::trunc(value) - 0.5f; };
    v[0] = {corner(x - r * cosMinus), corner(y - r * sinMinus), 0.0f, 1.0f, 0.0f, vSpan};
    v[1] = {corner(x - r * cosPlus), corner(y - r * sinPlus), 0.0f, 1.0f, 0.0f, 0.0f};
    v[2] = {corner(x + r * cosPlus), corner(y + r * sinPlus), 0.0f, 1.0f, uSpan, vSpan};
    v[3] = {corner(x + r * cosMinus), corner(y + r * sinMinus), 0.0f, 1.0f, uSpan, 0.0f};
    if (drawNow) {
        BindTexture(id);
        DrawQuad(v);
    } else if (slot) {
        *slot = v;
    } else if (queued) {
        gfx.queuedTextures[gfx.queueCount] = id;
        ++gfx.queueCount;
    }
}

int QueuedSpriteCount() {
    return gfx.queueCount;
}

SpriteVertex* QueuedSpriteVertices(int index) {
    if (index < 0 || index >= gfx.queueCount) return gfx.overflowVertices;
    return &gfx.queuedVertices[index * 4];
}

int QueuedSpriteTexture(int index) {
    if (index < 0 || index >= gfx.queueCount) return -1;
    return gfx.queuedTextures[index];
}

void ResetSpriteQueues() {
    gfx.quadCursor = 0;
    gfx.queueCount = 0;
}

void ClearScene(uint32_t argb) {
    if (!gfx.renderer) return;
    FlushSprites();
    if (gfx.softSurface) {
        gfx.clearPending = true;
        gfx.clearColour = argb;
        return;
    }
    SDL_SetRenderDrawColor(gfx.renderer, static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                           static_cast<Uint8>(argb), static_cast<Uint8>(argb >> 24));
    SDL_RenderClear(gfx.renderer);
}

void BeginScene() {
    FlushSprites();
    if (gfx.renderer && gfx.picture) SDL_SetRenderTarget(gfx.renderer, gfx.picture);
}

void EndScene() {
    FlushSprites();
}

bool Present() {
    if (!gfx.renderer) return false;
    FlushSprites();
    ApplyPendingClear();
    if (!PlatformWindow()) return true;  // headless: the picture stays offscreen
    int x, y, w, h;
    PictureRect(&x, &y, &w, &h);
    SDL_Rect destination{x, y, w, h};
    // Whole multiples of the picture stay sharp; other sizes are smoothed.
    bool whole = w % ScreenWidth == 0 && h % ScreenHeight == 0;
    if (gfx.windowRenderer) {
        const SDL_Surface* surface = gfx.softSurface;
        if (SDL_UpdateTexture(gfx.shownPicture, nullptr, surface->pixels, surface->pitch) != 0) return false;
        SDL_SetTextureScaleMode(gfx.shownPicture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        SDL_SetRenderDrawColor(gfx.windowRenderer, 0, 0, 0, 255);
        SDL_RenderClear(gfx.windowRenderer);
        bool shown = SDL_RenderCopy(gfx.windowRenderer, gfx.shownPicture, nullptr, &destination) == 0;
        SDL_RenderPresent(gfx.windowRenderer);
        return shown;
    }
    SDL_SetTextureScaleMode(gfx.picture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_SetRenderTarget(gfx.renderer, nullptr);
    SDL_SetRenderDrawColor(gfx.renderer, 0, 0, 0, 255);
    SDL_RenderClear(gfx.renderer);
    SDL_RenderCopy(gfx.renderer, gfx.picture, nullptr, &destination);
    SDL_RenderPresent(gfx.renderer);
    return SDL_SetRenderTarget(gfx.renderer, gfx.picture) == 0;
}

bool SavePicture(const char* pngFile) {
    if (!gfx.renderer) return false;
    FlushSprites();
    ApplyPendingClear();
    SDL_Rect whole{0, 0, ScreenWidth, ScreenHeight};
    if (SDL_RenderReadPixels(gfx.renderer, &whole, SDL_PIXELFORMAT_ARGB8888, gfx.pixels, ScreenWidth * 4) !=
        0)
        return false;
    for (uint32_t& pixel : gfx.pixels) pixel |= 0xFF000000u;  // the back buffer has no alpha channel
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(gfx.pixels, ScreenWidth, ScreenHeight, 32,
                                                              ScreenWidth * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return false;
    bool saved = IMG_SavePNG(surface, pngFile) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

uint32_t PicturePixel(int x, int y) {
    if (!gfx.renderer || x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return 0;
    FlushSprites();
    ApplyPendingClear();
    SDL_Rect one{x, y, 1, 1};
    uint32_t pixel = 0;
    SDL_RenderReadPixels(gfx.renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    return pixel | 0xFF000000u;
}

bool ReadPicture(uint32_t* argb) {
    if (!gfx.renderer || !argb) return false;
    FlushSprites();
    ApplyPendingClear();
    SDL_Rect whole{0, 0, ScreenWidth, ScreenHeight};
    return SDL_RenderReadPixels(gfx.renderer, &whole, SDL_PIXELFORMAT_ARGB8888, argb, ScreenWidth * 4) == 0;
}

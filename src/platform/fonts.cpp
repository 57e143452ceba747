// The seven fonts of the game: faces found through fontconfig, one glyph atlas per font built at start
// (ASCII and Cyrillic), text drawn as quads modulated by its colour and clipped to its box.
#include "platform/fonts.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/platform_local.h"

namespace {

constexpr int AsciiFirst = 32, AsciiCount = 95;  // ' ' .. '~'
constexpr int CyrillicFirst = 0x400, CyrillicCount = 0x60;
constexpr int GlyphCapacity = AsciiCount + CyrillicCount;
constexpr int BatchGlyphs = 128;  // glyph quads sent to the renderer in one call

struct FontRequest {
    const char* face;
    int height;  // cell height, pixels
    int width;   // average character width, pixels
    bool bold;
    bool asciiOnly;   // the level number font is far too large to carry the Cyrillic letters too
    bool digitsOnly;  // ... or more than the digits of the level number: building it delays the start
};

constexpr FontRequest fontRequests[FontCount] = {
    {"Verdana", 12, 6, false, false, false},   // WarningFont
    {"Verdana", 14, 10, false, false, false},  // CounterFont
    {"Verdana", 14, 7, false, false, false},   // WaitFont
    {"Verdana", 12, 6, false, false, false},   // MessageFont
    {"Verdana", 11, 5, false, false, false},   // WideFont
    {"Verdana", 14, 7, true, false, false},    // BoldFont
    {"Arial", 220, 100, true, true, true},     // HugeFont
};

struct Glyph {
    int16_t x, y, w, h;  // in the atlas, pixels
    int16_t offsetX;     // from the pen to the left edge of the image (negative for overhangs)
    int16_t advance;     // pen movement, pixels
    bool present;
};

struct Font {
    SDL_Texture* atlas = nullptr;
    int atlasWidth = 0, atlasHeight = 0;
    int lineHeight = 0;  // pixels
    Glyph glyphs[GlyphCapacity] = {};
};

struct FontState {
    Font fonts[FontCount];
    bool ready = false;
    SDL_Vertex vertices[BatchGlyphs * 4];
    int indices[BatchGlyphs * 6];
    int batchCount = 0;
};

FontState fontState;

// Reads one UTF-8 code point and moves past it; a broken sequence reads as '?' and skips one byte.
uint32_t NextCodePoint(const char*& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    uint32_t c = p[0];
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0) {
        text += 1;
        return '?';
    }
    if (length == 1) {
        text += 1;
        return c;
    }
    c &= 0x7F >> length;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            text += 1;
            return '?';
        }
        c = (c << 6) | (p[i] & 0x3F);
    }
    text += length;
    return c;
}

int GlyphIndex(uint32_t codePoint) {
    if (codePoint >= AsciiFirst && codePoint < AsciiFirst + AsciiCount)
        return static_cast<int>(codePoint) - AsciiFirst;
    if (codePoint >= CyrillicFirst && codePoint < CyrillicFirst + CyrillicCount)
        return AsciiCount + static_cast<int>(codePoint) - CyrillicFirst;
    return -1;
}

const Glyph* FindGlyph(const Font& font, uint32_t codePoint) {
    int index = GlyphIndex(codePoint);
    if (index >= 0 && font.glyphs[index].present) return &font.glyphs[index];
    const Glyph& question = font.glyphs['?' - AsciiFirst];
    return question.present ? &question : nullptr;
}

// The font file fontconfig picks for a face name and weight.
bool MatchFace(const char* face, bool bold, char* path, size_t pathSize, int* index) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face));
    if (!pattern) return false;
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) {
        std::snprintf(path, pathSize, "%s", reinterpret_cast<const char*>(file));
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    }
    FcPatternDestroy(match);
    return found;
}

// The point size whose cell height comes closest to the wanted height in pixels.
void FitHeight(TTF_Font* ttf, int height) {
    TTF_SetFontSize(ttf, 100);
    int reference = TTF_FontHeight(ttf);
    int guess = reference > 0 ? static_cast<int>(std::lround(height * 100.0 / reference)) : height;
    int best = guess, bestError = 1 << 30;
    for (int size = guess - 3; size <= guess + 3; ++size) {
        if (size < 1) continue;
        TTF_SetFontSize(ttf, size);
        int error = std::abs(TTF_FontHeight(ttf) - height);
        if (error < bestError) {
            bestError = error;
            best = size;
        }
    }
    TTF_SetFontSize(ttf, best);
}

// Renders every glyph, stretched so that the average lowercase letter is request.width wide (fonts are asked
// for by cell height and average width), and packs them into one atlas texture.
bool BuildFont(Font& font, const FontRequest& request, SDL_Renderer* renderer) {
    char path[1024];
    int faceIndex = 0;
    if (!MatchFace(request.face, request.bold, path, sizeof path, &faceIndex)) return false;
    TTF_Font* ttf = TTF_OpenFontIndex(path, 100, faceIndex);
    if (!ttf) return false;
    FitHeight(ttf, request.height);
    font.lineHeight = TTF_FontHeight(ttf);

    int advanceSum = 0;
    for (Uint32 c = 'a'; c <= 'z'; ++c) {
        int minX, maxX, minY, maxY, advance = 0;
        TTF_GlyphMetrics32(ttf, c, &minX, &maxX, &minY, &maxY, &advance);
        advanceSum += advance;
    }
    double scaleX = advanceSum > 0 ? request.width * 26.0 / advanceSum : 1.0;

    SDL_Surface* images[GlyphCapacity] = {};
    int count = request.asciiOnly ? AsciiCount : GlyphCapacity;
    int atlasWidth = request.height > 64 ? 2048 : 512;
    int penX = 0, penY = 0, rowHeight = 0;
    const SDL_Color white{255, 255, 255, 255};
    for (int i = 0; i < count; ++i) {
        Uint32 c = i < AsciiCount ? static_cast<Uint32>(AsciiFirst + i)
                                  : static_cast<Uint32>(CyrillicFirst + i - AsciiCount);
        Glyph& glyph = font.glyphs[i];
        glyph = Glyph{};
        if (request.digitsOnly && !(c >= '0' && c <= '9') && c != '?' && c != ' ') continue;
        if (!TTF_GlyphIsProvided32(ttf, c)) continue;
        int minX, maxX, minY, maxY, advance;
        if (TTF_GlyphMetrics32(ttf, c, &minX, &maxX, &minY, &maxY, &advance) != 0) continue;
        SDL_Surface* image = TTF_RenderGlyph32_Blended(ttf, c, white);
        if (!image) continue;
        int stretchedWidth = std::max(1, static_cast<int>(std::lround(image->w * scaleX)));
        SDL_Surface* stretched =
            SDL_CreateRGBSurfaceWithFormat(0, stretchedWidth, image->h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_Surface* source = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(image);
        if (!stretched || !source || SDL_SoftStretchLinear(source, nullptr, stretched, nullptr) != 0) {
            SDL_FreeSurface(stretched);
            SDL_FreeSurface(source);
            continue;
        }
        SDL_FreeSurface(source);
        images[i] = stretched;
        if (penX + stretched->w > atlasWidth) {
            penX = 0;
            penY += rowHeight + 1;
            rowHeight = 0;
        }
        glyph.x = static_cast<int16_t>(penX);
        glyph.y = static_cast<int16_t>(penY);
        glyph.w = static_cast<int16_t>(stretched->w);
        glyph.h = static_cast<int16_t>(stretched->h);
        glyph.offsetX = static_cast<int16_t>(std::lround(std::min(minX, 0) * scaleX));
        glyph.advance = static_cast<int16_t>(std::lround(advance * scaleX));
        glyph.present = true;
        penX += stretched->w + 1;
        rowHeight = std::max(rowHeight, static_cast<int>(stretched->h));
    }
    TTF_CloseFont(ttf);

    int atlasHeight = penY + rowHeight;
    SDL_Surface* atlas =
        SDL_CreateRGBSurfaceWithFormat(0, atlasWidth, std::max(atlasHeight, 1), 32, SDL_PIXELFORMAT_ARGB8888);
    bool ok = atlas != nullptr;
    if (ok) {
        SDL_FillRect(atlas, nullptr, 0x00FFFFFF);
        for (int i = 0; i < count; ++i) {
            if (!images[i]) continue;
            SDL_Rect place{font.glyphs[i].x, font.glyphs[i].y, images[i]->w, images[i]->h};
            SDL_SetSurfaceBlendMode(images[i], SDL_BLENDMODE_NONE);
            SDL_BlitSurface(images[i], nullptr, atlas, &place);
        }
        font.atlas = SDL_CreateTextureFromSurface(renderer, atlas);
        ok = font.atlas != nullptr;
        if (ok) {
            KeepTexturePixels(font.atlas, atlas);
            atlas = nullptr;
        }
        font.atlasWidth = atlasWidth;
        font.atlasHeight = std::max(atlasHeight, 1);
        if (ok) {
            SDL_SetTextureBlendMode(font.atlas, SDL_BLENDMODE_BLEND);
            SDL_SetTextureScaleMode(font.atlas, SDL_ScaleModeNearest);
        }
    }
    SDL_FreeSurface(atlas);
    for (SDL_Surface* image : images) SDL_FreeSurface(image);
    return ok && font.glyphs['?' - AsciiFirst].present;
}

// The software renderer (headless) maps textured triangles a texel short, which breaks small letters apart;
// its copy of a rectangle is exact. So there each glyph is copied, with the same colour and blending, and
// the picture matches the window's.
bool CopiesGlyphs(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

void FlushGlyphs(const Font& font) {
    if (fontState.batchCount == 0) return;
    SDL_Renderer* renderer = PlatformRenderer();
    if (!CopiesGlyphs(renderer)) {
        RenderTriangles(font.atlas, fontState.vertices, fontState.batchCount * 4, fontState.indices,
                        fontState.batchCount * 6);
        fontState.batchCount = 0;
        return;
    }
    const SDL_Color colour = fontState.vertices[0].color;  // one text, one colour
    SDL_SetTextureColorMod(font.atlas, colour.r, colour.g, colour.b);
    SDL_SetTextureAlphaMod(font.atlas, colour.a);
    for (int i = 0; i < fontState.batchCount; ++i) {
        const SDL_Vertex* v = &fontState.vertices[i * 4];
        const SDL_Rect source{static_cast<int>(std::lround(v[0].tex_coord.x * font.atlasWidth)),
                              static_cast<int>(std::lround(v[0].tex_coord.y * font.atlasHeight)),
                              static_cast<int>(std::lround(v[3].position.x - v[0].position.x)),
                              static_cast<int>(std::lround(v[3].position.y - v[0].position.y))};
        const SDL_FRect target{v[0].position.x, v[0].position.y, v[3].position.x - v[0].position.x,
                               v[3].position.y - v[0].position.y};
        SDL_RenderCopyF(renderer, font.atlas, &source, &target);
    }
    SDL_SetTextureColorMod(font.atlas, 255, 255, 255);
    SDL_SetTextureAlphaMod(font.atlas, 255);
    fontState.batchCount = 0;
}

void QueueGlyph(const Font& font, const Glyph& glyph, int x, int y, SDL_Color colour) {
    if (fontState.batchCount == BatchGlyphs) FlushGlyphs(font);
    SDL_Vertex* v = &fontState.vertices[fontState.batchCount * 4];
    float left = static_cast<float>(x + glyph.offsetX), top = static_cast<float>(y);
    float right = left + glyph.w, bottom = top + glyph.h;
    float u0 = static_cast<float>(glyph.x) / font.atlasWidth,
          v0 = static_cast<float>(glyph.y) / font.atlasHeight;
    float u1 = static_cast<float>(glyph.x + glyph.w) / font.atlasWidth;
    float v1 = static_cast<float>(glyph.y + glyph.h) / font.atlasHeight;
    v[0] = {{left, top}, colour, {u0, v0}};
    v[1] = {{right, top}, colour, {u1, v0}};
    v[2] = {{left, bottom}, colour, {u0, v1}};
    v[3] = {{right, bottom}, colour, {u1, v1}};
    ++fontState.batchCount;
}

// Width of one line starting at text, stopping at a newline, the end or after *budget code points.
int LineWidth(const Font& font, const char* text, int budget) {
    int width = 0;
    while (*text && budget != 0) {
        uint32_t c = NextCodePoint(text);
        if (budget > 0) --budget;
        if (c == '\n') break;
        if (const Glyph* glyph = FindGlyph(font, c); glyph && c != '\r') width += glyph->advance;
    }
    return width;
}

}  // namespace

bool CreateFonts(int interfaceLanguage) {
    (void)interfaceLanguage;  // every atlas carries both alphabets, whatever the language
    if (fontState.ready) return true;
    SDL_Renderer* renderer = PlatformRenderer();
    if (!renderer || (!TTF_WasInit() && TTF_Init() != 0)) return false;
    for (int i = 0; i < BatchGlyphs; ++i) {
        const int corners[6] = {0, 1, 2, 1, 2, 3};
        for (int k = 0; k < 6; ++k) fontState.indices[i * 6 + k] = i * 4 + corners[k];
    }
    for (int i = 0; i < FontCount; ++i)
        if (!BuildFont(fontState.fonts[i], fontRequests[i], renderer)) return false;
    fontState.ready = true;
    return true;
}

void DrawFontText(FontId fontId, const char* utf8, int maxChars, int left, int top, int right, int bottom,
                  uint32_t argb, unsigned flags) {
    SDL_Renderer* renderer = PlatformRenderer();
    if (!fontState.ready || !renderer || !utf8 || fontId < 0 || fontId >= FontCount || maxChars == 0) return;
    if (right <= left || bottom <= top) return;
    const Font& font = fontState.fonts[fontId];

    // Lines in the shown part of the text, for vertical centring.
    int lines = 1, budget = maxChars;
    for (const char* p = utf8; *p && budget != 0;) {
        if (NextCodePoint(p) == '\n' && budget != 1 && *p) ++lines;
        if (budget > 0) --budget;
    }
    int y = top;
    if (flags & TextVCentre) y = top + (bottom - top - lines * font.lineHeight) / 2;

    FlushSprites();
    SDL_Rect box{left, top, right - left, bottom - top};
    SetPictureClip(&box);
    SDL_Color colour{static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8), static_cast<Uint8>(argb),
                     static_cast<Uint8>(argb >> 24)};
    const char* p = utf8;
    budget = maxChars;
    while (*p && budget != 0) {
        int x = left;
        if (flags & TextCentre) x = left + (right - left - LineWidth(font, p, budget)) / 2;
        while (*p && budget != 0) {
            uint32_t c = NextCodePoint(p);
            if (budget > 0) --budget;
            if (c == '\n') break;
            const Glyph* glyph = FindGlyph(font, c);
            if (!glyph || c == '\r') continue;
            if (c != ' ') QueueGlyph(font, *glyph, x, y, colour);
            x += glyph->advance;
        }
        y += font.lineHeight;
    }
    FlushGlyphs(font);
    SetPictureClip(nullptr);
}

int MeasureFontText(FontId fontId, const char* utf8, int maxChars) {
    if (!fontState.ready || !utf8 || fontId < 0 || fontId >= FontCount) return 0;
    const Font& font = fontState.fonts[fontId];
    int widest = 0, budget = maxChars;
    for (const char* p = utf8; *p && budget != 0;) {
        int width = LineWidth(font, p, budget);
        widest = std::max(widest, width);
        // Move past this line.
        while (*p && budget != 0) {
            uint32_t c = NextCodePoint(p);
            if (budget > 0) --budget;
            if (c == '\n') break;
        }
    }
    return widest;
}

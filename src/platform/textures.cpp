// The texture table: images loaded at their exact size, frame-animated sets, binding and animation.
#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_read.h"
#include "platform/graphics.h"
#include "platform/image_header.h"
#include "platform/platform_local.h"

namespace {

struct TextureRecord {
    SDL_Texture* texture = nullptr;                  // single image; null for a set
    SDL_Texture* frames[TextureFrameCapacity] = {};  // frames of a set, in order
    unsigned width = 0, height = 0;                  // texels (of the first frame for a set)
    float frameRate = 12.0f;                         // frames a second
    float frameClock = 0.0f;                         // time collected towards the next frame
    int currentFrame = 0;
    int frameCount = 0;
};

struct TextureTable {
    TextureRecord records[TextureCapacity];
    int count = 0;  // the next free id; a full table makes every load fail
};

TextureTable table;

TextureRecord* Record(int id) {
    return id >= 0 && id < table.count ? &table.records[id] : nullptr;
}

bool EndsWithTga(const char* name) {
    size_t length = std::strlen(name);
    return length >= 4 && SDL_strcasecmp(name + length - 4, ".tga") == 0;
}

}  // namespace

SDL_Surface* DecodeImageFile(const char* fileName) {
    if (!fileName) return nullptr;
    // The size the header claims is checked before the image library sees the file: a header claiming
    // a huge picture would have it allocate gigabytes or write past its buffers.
    std::vector<uint8_t> bytes;
    if (!ReadRegularFile(fileName, MaxImageFileBytes, bytes)) return nullptr;
    const bool tgaByName = EndsWithTga(fileName);
    ImageHeader header;
    if (!ReadImageHeader(bytes.data(), bytes.size(), tgaByName, header) || !ImageSizeAcceptable(header)) {
        return nullptr;
    }
    SDL_RWops* memory = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!memory) return nullptr;
    SDL_Surface* image =
        header.format == ImageFormat::Tga ? IMG_LoadTyped_RW(memory, 0, "TGA") : IMG_Load_RW(memory, 0);
    SDL_RWclose(memory);
    // The decoded picture must be the one the header announced.
    if (image && (static_cast<unsigned>(image->w) != header.width ||
                  static_cast<unsigned>(image->h) != header.height)) {
        SDL_FreeSurface(image);
        image = nullptr;
    }
    return image;
}

SDL_Texture* LoadImageTexture(const char* fileName, unsigned* width, unsigned* height) {
    SDL_Renderer* renderer = PlatformRenderer();
    if (!renderer || !fileName) return nullptr;
    SDL_Surface* image = DecodeImageFile(fileName);
    if (!image) return nullptr;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(image);
    if (!argb) return nullptr;
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, argb->w, argb->h);
    if (texture && SDL_UpdateTexture(texture, nullptr, argb->pixels, argb->pitch) != 0) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    if (texture) {
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        *width = static_cast<unsigned>(argb->w);
        *height = static_cast<unsigned>(argb->h);
        KeepTexturePixels(texture, argb);
    } else {
        SDL_FreeSurface(argb);
    }
    return texture;
}

int LoadTexture(const char* fileName) {
    if (table.count >= TextureCapacity) return -1;
    TextureRecord& record = table.records[table.count];
    unsigned width = 0, height = 0;
    SDL_Texture* texture = LoadImageTexture(fileName, &width, &height);
    if (!texture) return -1;
    record = TextureRecord{};
    record.texture = texture;
    record.width = width;
    record.height = height;
    return table.count++;
}

int LoadTextureSet(const char* prefix, unsigned first, unsigned last) {
    if (table.count >= TextureCapacity || last < first || last - first >= TextureFrameCapacity) return -1;
    TextureRecord& record = table.records[table.count];
    record = TextureRecord{};
    int frameCount = static_cast<int>(last - first + 1);
    char name[512];
    for (int i = 0; i < frameCount; ++i) {
        std::snprintf(name, sizeof name, "%s%u.tga", prefix, first + static_cast<unsigned>(i));
        unsigned width = 0, height = 0;
        record.frames[i] = LoadImageTexture(name, &width, &height);
        if (!record.frames[i]) {
            // The record stays free for the next load; the frames already made are given back.
            for (int j = 0; j < i; ++j) DestroyTexture(record.frames[j]);
            record = TextureRecord{};
            return -1;
        }
        if (i == 0) {
            record.width = width;
            record.height = height;
        }
    }
    record.frameCount = frameCount;
    return table.count++;
}

int LoadNumberedTexture(const char* prefix, unsigned n) {
    char name[512];
    std::snprintf(name, sizeof name, "%s%u.tga", prefix, n);
    return LoadTexture(name);
}

int LoadNumberedTextureSet(const char* prefix, unsigned n, unsigned first, unsigned last) {
    char setPrefix[512];
    std::snprintf(setPrefix, sizeof setPrefix, "%s%u_", prefix, n);
    return LoadTextureSet(setPrefix, first, last);
}

int TextureCount() {
    return table.count;
}

unsigned TextureWidth(int id) {
    TextureRecord* record = Record(id);
    return record ? record->width : 0;
}

unsigned TextureHeight(int id) {
    TextureRecord* record = Record(id);
    return record ? record->height : 0;
}

int TextureFrameCount(int id) {
    TextureRecord* record = Record(id);
    return record ? record->frameCount : 0;
}

void SetTextureFrame(int id, int frame) {
    TextureRecord* record = Record(id);
    if (!record || record->frameCount <= 0) return;
    frame %= record->frameCount;
    record->currentFrame = frame < 0 ? frame + record->frameCount : frame;
}

void SetTextureFrameRate(int id, float framesPerSecond) {
    if (TextureRecord* record = Record(id)) record->frameRate = framesPerSecond;
}

void BindTexture(int id) {
    TextureRecord* record = Record(id);
    if (!record) return;  // a failed load: the stage keeps its image
    if (record->texture) {
        SetStageTexture(record->texture);
    } else if (record->currentFrame >= 0 && record->currentFrame < TextureFrameCapacity &&
               record->frames[record->currentFrame]) {
        SetStageTexture(record->frames[record->currentFrame]);
    }
}

void AdvanceAnimation(int id, float divisor) {
    TextureRecord* record = Record(id);
    if (!record) return;
    record->frameClock += 1.0f / divisor;
    if (record->frameClock >= 1.0f / record->frameRate) {
        record->currentFrame += 1;
        if (record->currentFrame >= record->frameCount) record->currentFrame = 0;
        record->frameClock = 0.0f;
    }
}

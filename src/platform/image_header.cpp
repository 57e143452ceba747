// Image headers: PNG, TGA, BMP, GIF and JPEG sizes read from the first bytes of the file.
#include "platform/image_header.h"

#include <cstring>

namespace {

unsigned Be16(const uint8_t* p) {
    return static_cast<unsigned>(p[0]) << 8 | p[1];
}
unsigned Le16(const uint8_t* p) {
    return static_cast<unsigned>(p[1]) << 8 | p[0];
}
uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(Be16(p)) << 16 | Be16(p + 2);
}
int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(Le16(p + 2)) << 16 | Le16(p));
}

bool ReadJpegSize(const uint8_t* bytes, std::size_t size, ImageHeader& header) {
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (bytes[at] != 0xFF) return false;
        uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        unsigned length = Be16(bytes + at + 2);
        if (length < 2) return false;
        // Start of frame, any kind but the huffman, arithmetic-coding and restart tables.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (at + 9 > size) return false;
            header.height = Be16(bytes + at + 5);
            header.width = Be16(bytes + at + 7);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace

bool ReadImageHeader(const uint8_t* bytes, std::size_t size, bool tgaByName, ImageHeader& header) {
    header = ImageHeader{};
    if (bytes == nullptr) return false;
    static const uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!tgaByName) {
        if (size >= 24 && std::memcmp(bytes, PngSignature, 8) == 0 &&
            std::memcmp(bytes + 12, "IHDR", 4) == 0) {
            header.format = ImageFormat::Png;
            uint32_t w = Be32(bytes + 16), h = Be32(bytes + 20);
            header.width = w > 0xFFFFFFu ? 0xFFFFFFu : w;  // anything this large is refused anyway
            header.height = h > 0xFFFFFFu ? 0xFFFFFFu : h;
            return true;
        }
        if (size >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
            header.format = ImageFormat::Bmp;
            int32_t w = Le32(bytes + 18), h = Le32(bytes + 22);
            // A negative height is a picture stored top row first.
            header.width = w < 0 ? 0u : static_cast<unsigned>(w > 0xFFFFFF ? 0xFFFFFF : w);
            header.height = h == INT32_MIN ? 0xFFFFFFu : static_cast<unsigned>(h < 0 ? -h : h);
            if (header.height > 0xFFFFFFu) header.height = 0xFFFFFFu;
            return true;
        }
        if (size >= 10 && std::memcmp(bytes, "GIF8", 4) == 0) {
            header.format = ImageFormat::Gif;
            header.width = Le16(bytes + 6);
            header.height = Le16(bytes + 8);
            return true;
        }
        if (size >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
            header.format = ImageFormat::Jpeg;
            return ReadJpegSize(bytes, size, header);
        }
        // PNG signature without a proper first chunk: nothing to trust.
        if (size >= 8 && std::memcmp(bytes, PngSignature, 8) == 0) return false;
    }
    if (size < 18) return false;
    header.format = ImageFormat::Tga;
    header.width = Le16(bytes + 12);
    header.height = Le16(bytes + 14);
    return true;
}

bool ImageSizeAcceptable(const ImageHeader& header) {
    return header.format != ImageFormat::Unknown && header.width >= 1 && header.height >= 1 &&
           header.width <= MaxImageSide && header.height <= MaxImageSide;
}

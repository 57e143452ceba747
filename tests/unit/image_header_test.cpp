// Image headers: the size each format claims, and the 4096-pixel bound.
#include "platform/image_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values, std::size_t padTo = 0) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    if (bytes.size() < padTo) bytes.resize(padTo, 0);
    return bytes;
}

std::vector<uint8_t> Png(uint32_t w, uint32_t h) {
    return Bytes({0x89,
                  'P',
                  'N',
                  'G',
                  '\r',
                  '\n',
                  0x1A,
                  '\n',
                  0,
                  0,
                  0,
                  13,
                  'I',
                  'H',
                  'D',
                  'R',
                  int(w >> 24),
                  int(w >> 16 & 255),
                  int(w >> 8 & 255),
                  int(w & 255),
                  int(h >> 24),
                  int(h >> 16 & 255),
                  int(h >> 8 & 255),
                  int(h & 255)},
                 33);
}

std::vector<uint8_t> Tga(unsigned w, unsigned h) {
    return Bytes(
        {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, int(w & 255), int(w >> 8), int(h & 255), int(h >> 8), 32, 8},
        38);
}

TEST(ImageHeader, EachFormatGivesTheSizeItClaims) {
    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
        bool tgaByName;
        ImageFormat format;
        unsigned width, height;
    };
    const Case cases[] = {
        {"png", Png(37, 21), false, ImageFormat::Png, 37, 21},
        {"tga by name", Tga(480, 272), true, ImageFormat::Tga, 480, 272},
        {"tga by content", Tga(5, 6), false, ImageFormat::Tga, 5, 6},
        {"bmp stored top row first",
         Bytes(
             {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 37, 0, 0, 0, 0xEB, 0xFF, 0xFF, 0xFF},
             54),
         false, ImageFormat::Bmp, 37, 21},
        {"gif", Bytes({'G', 'I', 'F', '8', '9', 'a', 0x40, 0x01, 0x10, 0x01}, 20), false, ImageFormat::Gif,
         320, 272},
        {"jpeg after an app segment",
         Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC2, 0, 11, 8, 1, 16, 2, 0, 1}, 24), false,
         ImageFormat::Jpeg, 512, 272},
    };
    for (const Case& c : cases) {
        ImageHeader header;
        ASSERT_TRUE(ReadImageHeader(c.bytes.data(), c.bytes.size(), c.tgaByName, header)) << c.label;
        EXPECT_EQ(header.format, c.format) << c.label;
        EXPECT_EQ(header.width, c.width) << c.label;
        EXPECT_EQ(header.height, c.height) << c.label;
        EXPECT_TRUE(ImageSizeAcceptable(header)) << c.label;
    }
}

TEST(ImageHeader, HugeEmptyOrCutHeadersAreRefused) {
    ImageHeader header;
    auto png = Png(20000, 20000);
    ASSERT_TRUE(ReadImageHeader(png.data(), png.size(), false, header));
    EXPECT_FALSE(ImageSizeAcceptable(header));
    auto tga = Tga(32768, 32769);
    ASSERT_TRUE(ReadImageHeader(tga.data(), tga.size(), true, header));
    EXPECT_FALSE(ImageSizeAcceptable(header));
    auto edge = Png(4096, 4096);
    ASSERT_TRUE(ReadImageHeader(edge.data(), edge.size(), false, header));
    EXPECT_TRUE(ImageSizeAcceptable(header));
    auto wide = Png(4097, 1);
    ASSERT_TRUE(ReadImageHeader(wide.data(), wide.size(), false, header));
    EXPECT_FALSE(ImageSizeAcceptable(header));
    auto zero = Tga(0, 10);
    ASSERT_TRUE(ReadImageHeader(zero.data(), zero.size(), true, header));
    EXPECT_FALSE(ImageSizeAcceptable(header));
    // Too short to hold a size at all.
    EXPECT_FALSE(ReadImageHeader(tga.data(), 17, true, header));
    EXPECT_FALSE(ReadImageHeader(png.data(), 20, false, header));
}

}  // namespace

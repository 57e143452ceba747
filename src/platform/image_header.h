// The size an image file claims, read from its header before anything is decoded, so that a file
// claiming a huge picture is refused instead of being handed to the image library.
#pragma once
#include <cstddef>
#include <cstdint>

// Largest width and height of an image the game loads, in pixels.
constexpr unsigned MaxImageSide = 4096;
// Largest image file read at all.
constexpr std::size_t MaxImageFileBytes = 64u << 20;

enum class ImageFormat : uint8_t { Unknown, Png, Tga, Bmp, Gif, Jpeg };

struct ImageHeader {
    ImageFormat format = ImageFormat::Unknown;
    unsigned width = 0, height = 0;
};

// Reads the header of bytes. TGA has no signature: it is assumed when tgaByName (a ".tga" file) or when
// the content matches no other format. False when no size can be read.
bool ReadImageHeader(const uint8_t* bytes, std::size_t size, bool tgaByName, ImageHeader& header);
// The header was read and both sides are 1..MaxImageSide.
bool ImageSizeAcceptable(const ImageHeader& header);

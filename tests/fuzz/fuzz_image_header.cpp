// Image headers (PNG, TGA, BMP, GIF, JPEG): the size a file claims is read from bytes of any length,
// never past them, and only pictures of 1..4096 pixels a side pass.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so a read past the end is caught by the sanitizers.
    std::vector<uint8_t> bytes(data, data + size);
    for (bool tgaByName : {false, true}) {
        ImageHeader header;
        bool read = ReadImageHeader(bytes.data(), bytes.size(), tgaByName, header);
        if (!read) {
            FUZZ_CHECK(!ImageSizeAcceptable(header) || header.format == ImageFormat::Unknown);
            continue;
        }
        FUZZ_CHECK(header.format != ImageFormat::Unknown);
        if (tgaByName) FUZZ_CHECK(header.format == ImageFormat::Tga);
        if (ImageSizeAcceptable(header)) {
            FUZZ_CHECK(header.width >= 1 && header.width <= MaxImageSide);
            FUZZ_CHECK(header.height >= 1 && header.height <= MaxImageSide);
        }
        // A TGA header is the 16-bit sizes at bytes 12 and 14, whatever else the file says.
        if (header.format == ImageFormat::Tga) {
            const unsigned width = bytes[12] | bytes[13] << 8u, height = bytes[14] | bytes[15] << 8u;
            FUZZ_CHECK(header.width == width && header.height == height);
        }
    }
    return 0;
}

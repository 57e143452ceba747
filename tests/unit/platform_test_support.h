// Shared by the platform tests: a headless platform started once, a scratch folder and hand-written images.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"

namespace platform_test {

// Starts the headless window, the software device and the fonts; later calls do nothing.
inline bool StartHeadless() {
    static const bool started = [] {
        SetHeadlessMode(true);
        PlatformOptions options;
        options.headless = true;
        return CreateMainWindow(options) && CreateGraphicsDevice() && CreateFonts(0);
    }();
    return started;
}

inline std::filesystem::path ScratchDir() {
    static const std::filesystem::path dir = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("pelorina_platform_" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

// Writes an uncompressed 32-bit TGA, stored bottom row first as most tools write it. pixel(x, y) gives ARGB.
inline std::string WriteTga(const std::string& name, int width, int height,
                            const std::function<uint32_t(int, int)>& pixel) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;  // true colour, uncompressed
    bytes[12] = static_cast<uint8_t>(width);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = 32;
    bytes[17] = 8;  // eight alpha bits, origin bottom left
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            uint32_t argb = pixel(x, y);
            bytes.push_back(static_cast<uint8_t>(argb));
            bytes.push_back(static_cast<uint8_t>(argb >> 8));
            bytes.push_back(static_cast<uint8_t>(argb >> 16));
            bytes.push_back(static_cast<uint8_t>(argb >> 24));
        }
    std::string path = (ScratchDir() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string WriteSolidTga(const std::string& name, int width, int height, uint32_t argb) {
    return WriteTga(name, width, height, [argb](int, int) { return argb; });
}

}  // namespace platform_test

// What the fuzz targets share: a private scratch folder to work in, writing an input to a file, and a
// check that stops the run loudly (the targets are built with NDEBUG, so assert would say nothing).
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// Makes a fresh folder under the temporary directory the working directory of the process, the way the
// game runs in its own folder, so the parsers read their usual relative names. The folder is removed
// when the process ends normally.
inline void EnterScratchFolder() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    static std::string folder = (std::filesystem::temp_directory_path() / "pelorina_fuzz_XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) {
        std::perror("pelorina fuzz: scratch folder");
        std::abort();
    }
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
}

// The bytes as the whole content of path; false when the file cannot be written.
inline bool WriteFile(const char* path, const uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// The bytes as a zero-terminated text; a zero inside ends it early, as it would for the C parsers.
inline std::string Text(const uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size).c_str();
}

}  // namespace fuzz

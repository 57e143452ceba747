// Sound files made at test time in a temporary folder, for the mixer and sound-set tests.
#pragma once
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace audio_test {

// A fresh folder under the system's temporary folder, removed by the destructor.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelorina_audio_XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// Writes a 16-bit WAV (or another format) whose sample (frame, channel) comes from value.
inline bool WriteSound(const std::string& path, int rate, int channels, int frames,
                       const std::function<float(int frame, int channel)>& value,
                       int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    std::vector<float> data(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) data[static_cast<size_t>(i) * channels + c] = value(i, c);
    sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return true;
}

// A constant level, easy to find again in the mix.
inline bool WriteLevel(const std::string& path, float level, int frames, int rate = 44100) {
    return WriteSound(path, rate, 1, frames, [level](int, int) { return level; });
}

// Reads a whole sound file back as interleaved floats; frames and channels through the out parameters.
inline std::vector<float> ReadSound(const std::string& path, int* frames, int* channels,
                                    int* rate = nullptr) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    *frames = 0;
    *channels = 0;
    if (file == nullptr) return {};
    std::vector<float> data(static_cast<size_t>(info.frames) * info.channels);
    sf_readf_float(file, data.data(), info.frames);
    sf_close(file);
    *frames = static_cast<int>(info.frames);
    *channels = info.channels;
    if (rate != nullptr) *rate = info.samplerate;
    return data;
}

}  // namespace audio_test

// The mixer's cost: one output buffer of 1024 frames with all 64 channels busy (a buffer lasts 23.2 ms).
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio_device.h"

namespace {

// A five-second sound file of a tone, mono or stereo.
std::string WriteTone(const std::filesystem::path& folder, const char* name, int channels) {
    const std::string path = (folder / name).string();
    SF_INFO info{};
    info.samplerate = MixerSampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const int frames = MixerSampleRate * 5;
    std::vector<float> data(static_cast<size_t>(frames) * channels);
    for (size_t i = 0; i < data.size(); ++i) data[i] = 0.3f * std::sin(static_cast<float>(i) * 0.01f);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return path;
}

// 62 looping samples (half mono, half stereo, each with its own volume and pan) and two music streams.
void BM_MixOneBuffer64Channels(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelorina_bench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path folder = pattern;
    AudioOpen(true, "");
    const int mono = AudioLoadSample(WriteTone(folder, "mono.wav", 1).c_str(), SoundLoopForever);
    const int stereo = AudioLoadSample(WriteTone(folder, "stereo.wav", 2).c_str(), SoundLoopForever);
    for (int i = 0; i < MixerChannelCount - 2; ++i) {
        const ChannelHandle c = AudioPlay(i % 2 ? stereo : mono, false);
        ChannelSetVolume(c, 0.2f + 0.01f * static_cast<float>(i));
        ChannelSetPan(c, -1.0f + 2.0f * static_cast<float>(i) / MixerChannelCount);
    }
    for (const char* name : {"music1.wav", "music2.wav"}) {
        const ChannelHandle c =
            AudioPlay(AudioLoadStream(WriteTone(folder, name, 2).c_str(), SoundLoopForever), false);
        ChannelSetVolume(c, 0.7f);
    }
    std::vector<float> out(1024 * 2);
    for (auto _ : state) {
        AudioMixForTest(out.data(), 1024);
        benchmark::DoNotOptimize(out.data());
    }
    AudioClose();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_MixOneBuffer64Channels)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace

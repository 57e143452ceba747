// Reading sound files of any format libsndfile knows, resampled to 44100 Hz by linear interpolation.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/audio_local.h"
#include "platform/file_read.h"

namespace {

constexpr int MaxSourceChannels = 8;

// Makes source frame `frame` available in the window, reading on from where the file stands.
bool EnsureWindow(Decoder& d, uint64_t frame) {
    while (frame >= d.windowStart + static_cast<uint64_t>(d.windowCount)) {
        // Keep the frame before the one needed: interpolation looks one frame back.
        const uint64_t end = d.windowStart + static_cast<uint64_t>(d.windowCount);
        const uint64_t keepFrom = std::max(d.windowStart, frame > 0 ? frame - 1 : 0);
        const int keep = end > keepFrom ? static_cast<int>(end - keepFrom) : 0;
        if (keep > 0) std::memmove(d.window, d.window + (d.windowCount - keep) * 2, sizeof(float) * 2 * keep);
        d.windowStart = end - static_cast<uint64_t>(keep);
        d.windowCount = keep;
        const int room = Decoder::WindowFrames - keep;
        const sf_count_t got = sf_readf_float(d.file, d.readBuffer, room);
        if (got <= 0) return false;
        float* to = d.window + keep * 2;
        const int c = d.sourceChannels;
        for (sf_count_t i = 0; i < got; ++i) {
            const float* from = d.readBuffer + i * c;
            to[i * 2] = from[0];
            to[i * 2 + 1] = c > 1 ? from[1] : from[0];
        }
        d.windowCount += static_cast<int>(got);
    }
    return true;
}

}  // namespace

bool DecoderOpen(Decoder& d, const char* path) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    const int fd = OpenRegularFileDescriptor(path);
    if (fd < 0) return false;
    // The descriptor stays ours (libsndfile's own closing on a failed open differs between versions).
    d.file = sf_open_fd(fd, SFM_READ, &info, 0);
    if (d.file == nullptr) {
        close(fd);
        return false;
    }
    d.fd = fd;
    // A rate far below any real recording would make the 44100 Hz sound enormous (1 Hz: 44100 output
    // frames for each frame of the file).
    if (info.frames <= 0 || info.channels < 1 || info.channels > MaxSourceChannels ||
        info.samplerate < MinSourceRate || static_cast<uint64_t>(info.frames) > MaxSourceFrames) {
        DecoderClose(d);
        return false;
    }
    d.sourceRate = info.samplerate;
    d.sourceChannels = info.channels;
    d.sourceFrames = static_cast<uint64_t>(info.frames);
    d.outFrames = d.sourceRate == MixerSampleRate
                      ? d.sourceFrames
                      : d.sourceFrames * MixerSampleRate / static_cast<uint64_t>(d.sourceRate);
    if (d.outFrames == 0) {
        DecoderClose(d);
        return false;
    }
    d.outIndex = 0;
    d.windowStart = 0;
    d.windowCount = 0;
    return true;
}

void DecoderClose(Decoder& d) {
    if (d.file != nullptr) sf_close(d.file);
    d.file = nullptr;
    if (d.fd >= 0) close(d.fd);
    d.fd = -1;
}

void DecoderRewind(Decoder& d) {
    if (d.file == nullptr) return;
    sf_seek(d.file, 0, SEEK_SET);
    d.outIndex = 0;
    d.windowStart = 0;
    d.windowCount = 0;
}

int DecoderRead(Decoder& d, float* out, int frames) {
    if (d.file == nullptr) return 0;
    const uint64_t rate = static_cast<uint64_t>(d.sourceRate);
    int done = 0;
    while (done < frames && d.outIndex < d.outFrames) {
        // Output frame k sits at source position k * rate / 44100.
        const uint64_t scaled = d.outIndex * rate;
        const uint64_t i = scaled / MixerSampleRate;
        const float frac = static_cast<float>(scaled % MixerSampleRate) / static_cast<float>(MixerSampleRate);
        const uint64_t j = std::min(i + 1, d.sourceFrames - 1);
        if (!EnsureWindow(d, j)) {
            // The file held fewer frames than it announced: the pass ends here, padded with silence so
            // that its length stays what was announced.
            if (i >= d.windowStart + static_cast<uint64_t>(d.windowCount)) {
                out[done * 2] = 0.0f;
                out[done * 2 + 1] = 0.0f;
                ++done;
                ++d.outIndex;
                continue;
            }
        }
        const uint64_t have = d.windowStart + static_cast<uint64_t>(d.windowCount);
        const float* a = d.window + (i - d.windowStart) * 2;
        const float* b = j < have ? d.window + (j - d.windowStart) * 2 : a;
        out[done * 2] = a[0] + (b[0] - a[0]) * frac;
        out[done * 2 + 1] = a[1] + (b[1] - a[1]) * frac;
        ++done;
        ++d.outIndex;
    }
    return done;
}

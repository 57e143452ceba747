// Sound files as the sound loader opens them: any bytes, any announced rate and length. A file either
// fails to open or opens at a rate of 8000 Hz or more, with a pass length that fits the rate, and reads
// back no more frames than it announced.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "platform/audio_local.h"

namespace {
Decoder decoder;
float frames[1024 * 2];
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    if (!fuzz::WriteFile("sound.wav", data, size)) return 0;
    if (!DecoderOpen(decoder, "sound.wav")) {
        FUZZ_CHECK(decoder.file == nullptr && decoder.fd < 0);
        return 0;
    }
    FUZZ_CHECK(decoder.sourceRate >= MinSourceRate);
    FUZZ_CHECK(decoder.sourceFrames >= 1 && decoder.sourceFrames <= MaxSourceFrames);
    FUZZ_CHECK(decoder.outFrames == decoder.sourceFrames * MixerSampleRate / decoder.sourceRate ||
               (decoder.sourceRate == MixerSampleRate && decoder.outFrames == decoder.sourceFrames));
    // At most 64 blocks: enough to cross the decoder's window, bounded for a file announcing hours.
    uint64_t read = 0;
    for (int block = 0; block < 64; ++block) {
        int got = DecoderRead(decoder, frames, 1024);
        FUZZ_CHECK(got >= 0 && got <= 1024);
        for (int i = 0; i < got * 2; ++i) FUZZ_CHECK(frames[i] == frames[i]);  // no NaN from the resampler
        read += static_cast<uint64_t>(got);
        if (got == 0) break;
    }
    FUZZ_CHECK(read <= decoder.outFrames);
    DecoderClose(decoder);
    FUZZ_CHECK(decoder.fd < 0);
    return 0;
}

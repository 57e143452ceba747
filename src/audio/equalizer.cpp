// The spectrum equalizer: eight bands from the music channel's spectrum, scaled by the loudest low bin.
#include "audio/equalizer.h"

#include <cmath>

#include "audio/music.h"
#include "platform/audio_device.h"

namespace {

constexpr int LowBins = 33;  // bins 0..32 set the scale
// The bins the eight bars show: they crowd the bass end, where the music has its beat.
constexpr int BandBins[EqualizerBands] = {0, 2, 4, 5, 6, 8, 12, 16};

struct Equalizer {
    float left[SpectrumBins];  // then the mono average
    float right[SpectrumBins];
};

Equalizer eq;

}  // namespace

void EqualizerLevels(float levels[EqualizerBands]) {
    for (int band = 0; band < EqualizerBands; ++band) levels[band] = 0.0f;
    const ChannelHandle channel = MusicChannel();
    if (!ChannelSpectrum(channel, 0, eq.left) || !ChannelSpectrum(channel, 1, eq.right)) return;
    for (int i = 0; i < SpectrumBins; ++i) eq.left[i] = (eq.left[i] + eq.right[i]) * 0.5f;
    float peak = 0.0f;
    for (int i = 0; i < LowBins; ++i)
        if (eq.left[i] > peak) peak = eq.left[i];
    // Silence in the low bins has no loudest bin to scale by: no bars rather than bars of nonsense.
    if (!(peak > 0.0f) || !std::isfinite(peak)) return;
    const float scale = 1.0f / peak;
    for (int band = 0; band < EqualizerBands; ++band) levels[band] = eq.left[BandBins[band]] * scale;
}

// The spectrum equalizer. Until the music's spectrum is read here, every band is silent.
#include "audio/equalizer.h"

void EqualizerLevels(float levels[EqualizerBands]) {
    for (int band = 0; band < EqualizerBands; ++band) levels[band] = 0.0f;
}

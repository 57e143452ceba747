// The spectrum equalizer: eight bands of the playing music that the score display hangs its bars from.
#pragma once

constexpr int EqualizerBands = 8;

// The eight band levels of the music as it sounds now, each 0..1 (1 = the loudest of the low bins).
// Silence, or no music yet, gives zeros.
void EqualizerLevels(float levels[EqualizerBands]);

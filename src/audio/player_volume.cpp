// The player's volumes as the mixer's group gains.
#include "audio/player_volume.h"

#include "platform/audio_device.h"

float VolumeStepGain(int step) {
    if (step <= 0) return 0.0f;
    if (step >= 5) return 1.0f;
    return 1.0f / static_cast<float>(1 << (5 - step));
}

void ApplyPlayerVolume(int musicStep, int effectsStep, bool muted, bool paused) {
    const float music = muted ? 0.0f : VolumeStepGain(musicStep) * (paused ? PausedMusicGain : 1.0f);
    AudioSetGroupGain(SoundGroupMusic, music);
    AudioSetGroupGain(SoundGroupEffects, muted ? 0.0f : VolumeStepGain(effectsStep));
}

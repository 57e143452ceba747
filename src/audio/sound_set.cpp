// The game's sound set: the start-up sounds, the kept channels, and playing now or with a volume.
#include "audio/sound_set.h"

const char* const SoundFiles[SoundSetCount] = {
    "sounds/level_up.wav",      "sounds/remove1.wav",       "sounds/remove2.wav",
    "sounds/remove3.wav",       "sounds/remove_lite_1.wav", "sounds/remove_lite_2.wav",
    "sounds/remove_lite_3.wav", "sounds/bass1short.wav",    "sounds/up1.wav",
    "sounds/up2.wav",           "sounds/time.wav",          "sounds/snd1.wav",
    "sounds/bigBlock1.wav",     "sounds/noncadenza.wav",
};

SoundSet soundSet = {{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, 0, 0, 0};

namespace {

SoundPlayedHook playedHook = nullptr;

}  // namespace

void ResetSoundSet() {
    for (int& sound : soundSet.sounds) sound = -1;
    soundSet.wallChannel = 0;
    soundSet.upChannel = 0;
    soundSet.jingleChannel = 0;
}

void LoadSoundSet() {
    for (int i = 0; i < SoundJingle; ++i) soundSet.sounds[i] = AudioLoadSample(SoundFiles[i], 0);
}

void LoadJingle() {
    soundSet.sounds[SoundJingle] = AudioLoadSample(SoundFiles[SoundJingle], 0);
}

void PlayNow(int sound) {
    NoteSoundPlayed(sound);
    AudioPlay(sound, false);
}

ChannelHandle PlayWithVolume(int sound, float volume) {
    NoteSoundPlayed(sound);
    ChannelHandle channel = AudioPlay(sound, true);
    ChannelSetVolume(channel, volume);
    ChannelSetPaused(channel, false);
    return channel;
}

float StereoPan(float x, float glassWidth) {
    return (2.0f * x / glassWidth - 1.0f) * 0.88f;
}

void SetSoundPlayedHook(SoundPlayedHook hook) {
    playedHook = hook;
}

void NoteSoundPlayed(int sound) {
    if (playedHook != nullptr) playedHook(sound);
}

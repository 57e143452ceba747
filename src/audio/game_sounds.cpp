// The rules' sounds: removals in rotation, swaps, level ups, the Up button's thrust, the low-bar warning.
#include "audio/game_sounds.h"

#include "audio/sound_set.h"

namespace {

constexpr float ChimeVolume = 0.13f;
constexpr float UpVolume = 0.25f;

}  // namespace

void PlayRemovalSound(int index, float volume, float pan) {
    if (index < 0 || index >= RemovalSoundCount) index = 0;
    const int sound = soundSet.sounds[SoundRemove1 + index];
    NoteSoundPlayed(sound);
    const ChannelHandle channel = AudioPlay(sound, true);
    ChannelSetVolume(channel, volume);
    ChannelSetPaused(channel, false);
    // The pan comes after the sound is already audible; the game has always done it in this order.
    ChannelSetPan(channel, pan);
}

void PlaySwapSound() {
    PlayNow(soundSet.sounds[SoundSwap]);
}
void PlayLevelUpSound() {
    PlayNow(soundSet.sounds[SoundLevelUp]);
}
void PlayLevelUpChime() {
    PlayWithVolume(soundSet.sounds[SoundChime], ChimeVolume);
}

// A stale handle (the thrust ended and its channel went to another sound) counts as free.
bool IsUpSoundBusy() {
    return soundSet.upChannel != 0 && ChannelIsPlaying(soundSet.upChannel);
}

void PlayUpSound() {
    const int sound = soundSet.sounds[SoundUp];
    NoteSoundPlayed(sound);
    soundSet.upChannel = AudioPlay(sound, true, soundSet.upChannel);
    ChannelSetVolume(soundSet.upChannel, UpVolume);
    ChannelSetPaused(soundSet.upChannel, false);
}

void PlayLowBarSound() {
    PlayNow(soundSet.sounds[SoundTime]);
}

// The physics step's own sounds: the wall knock on its one shared channel and the blast of a bonus block.
#include "audio/sound_hooks.h"

#include "audio/sound_set.h"

namespace {

constexpr float WallVolume = 0.3f;

}  // namespace

// One wall knock at a time for the whole game: a knock while the last one still sounds is skipped.
bool IsWallSoundBusy() {
    return soundSet.wallChannel != 0 && ChannelIsPlaying(soundSet.wallChannel);
}

void PlayWallSound(float pan) {
    const int sound = soundSet.sounds[SoundWall];
    NoteSoundPlayed(sound);
    soundSet.wallChannel = AudioPlay(sound, true);
    ChannelSetVolume(soundSet.wallChannel, WallVolume);
    ChannelSetPan(soundSet.wallChannel, pan);
    ChannelSetPaused(soundSet.wallChannel, false);
}

void PlayBlastSound() {
    PlayNow(soundSet.sounds[SoundBlast]);
}

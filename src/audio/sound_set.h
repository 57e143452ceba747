// The game's sound set: the sounds opened at start-up, the channels the game keeps, and the ways to play.
#pragma once
#include "platform/audio_device.h"

// The start-up sounds in the order they are opened; -1 for a file that failed to open.
enum SoundId {
    SoundLevelUp,
    SoundRemove1,
    SoundRemove2,
    SoundRemove3,
    SoundRemoveLite1,
    SoundRemoveLite2,
    SoundRemoveLite3,
    SoundWall,
    SoundSwap,
    SoundUp,
    SoundTime,
    SoundChime,
    SoundBlast,
    SoundJingle,  // opened later, with the images
    SoundSetCount
};

// The files of the set, indexed by SoundId.
extern const char* const SoundFiles[SoundSetCount];

struct SoundSet {
    int sounds[SoundSetCount];    // mixer sound ids, -1 when missing
    ChannelHandle wallChannel;    // the one wall-knock channel, shared by every atom
    ChannelHandle upChannel;      // the Up button's thrust, reused for every press
    ChannelHandle jingleChannel;  // the splash jingle
};

extern SoundSet soundSet;

// Opens the thirteen start-up sounds in order (the jingle comes later with LoadJingle); failures leave -1.
void LoadSoundSet();
void LoadJingle();
// Forgets every handle (the mixer was closed or is about to be opened again).
void ResetSoundSet();

// Full volume, centre, on a free channel that is never touched again.
void PlayNow(int sound);
// Started paused, given its volume, then un-paused, so it is never heard louder than asked.
ChannelHandle PlayWithVolume(int sound, float volume);

// The stereo position of a sound made at x in the glass: never fully to one side.
float StereoPan(float x, float glassWidth);

// Tests watch what plays: called with every sound id the set starts (also -1 for a missing file).
using SoundPlayedHook = void (*)(int sound);
void SetSoundPlayedHook(SoundPlayedHook hook);
void NoteSoundPlayed(int sound);

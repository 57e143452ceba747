// The music: the score of music/music.xml and the playlist that plays it.
#pragma once
#include <cstdint>

#include "platform/audio_device.h"

// Reads folder + file (the shell passes "music/" and "music.xml"); with holiday set, the holiday song
// leads the playlist. False when the score cannot be read.
bool LoadMusicScore(const char* folder, const char* file, bool holiday);
// Starts the playlist from its first entry.
void StartMusic();
// Once a frame: the playlist moves on when a track has played its plays.
void UpdateMusic();
// Stops the playlist's channel (the donate screen's song replaces it).
void StopMusic();

// The channel of the playing track (0 before the playlist starts); the equalizer reads its spectrum.
ChannelHandle MusicChannel();
// For the report: the playlist entry that plays, and the collision notes whose sample started.
uint32_t MusicTrackIndex();
uint32_t CollisionNotesStarted();

// The process-wide music record and the moment of the playing track, shared with the collision notes.
struct MusicState;
struct MusicMoment;
MusicState& TheMusicState();
MusicMoment CurrentMusicMoment();

// The sound system as the shell drives it: creation, the per-frame update, the splash jingle, ambience, music.
#pragma once
#include <cstdint>

// Creates the mixer with 64 channels; false when the sound system cannot start.
bool CreateAudioSystem(bool headless, const char* audioOutPath);
// Reads music/music.xml; false when it cannot be read.
bool LoadMusicScore();
// Creates the music streams and the sound samples.
void LoadSounds();
void StartSplashJingle();
void StopSplashJingle();
// The ambience loop and the playlist, started after the splash.
void StartAmbienceAndMusic();
// Once a frame: the mixer's update and the playlist; frameMs of sound is mixed when headless.
void UpdateAudio(uint64_t frameMs);
void CloseAudioSystem();

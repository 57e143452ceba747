// The music: the score of music/music.xml and the playlist that plays it.
#pragma once

// Reads folder + file (the shell passes "music/" and "music.xml"); with holiday set, the holiday song
// leads the playlist. False when the score cannot be read.
bool LoadMusicScore(const char* folder, const char* file, bool holiday);
// Starts the playlist from its first entry.
void StartMusic();
// Once a frame: the playlist moves on when a track has played its plays.
void UpdateMusic();
// Stops the playlist's channel (the donate screen's song replaces it).
void StopMusic();

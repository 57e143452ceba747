// The music score and playlist. Silent until the sequencer plays the score.
#include "audio/music.h"

bool LoadMusicScore(const char*, const char*, bool) { return true; }
void StartMusic() {}
void UpdateMusic() {}
void StopMusic() {}

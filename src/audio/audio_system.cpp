// The sound system as the shell drives it. The mixer is not in place yet: every call succeeds silently.
#include "audio/audio_system.h"

bool CreateAudioSystem(bool, const char*) { return true; }
bool LoadMusicScore() { return true; }
void LoadSounds() {}
void StartSplashJingle() {}
void StopSplashJingle() {}
void StartAmbienceAndMusic() {}
void UpdateAudio(uint64_t) {}
void CloseAudioSystem() {}

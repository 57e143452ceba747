// Silent stand-ins for the physics sounds until the audio layer plays them.
#include "audio/sound_hooks.h"

bool IsWallSoundBusy() { return false; }
void PlayWallSound(float) {}
void PlayCollisionNote(const char*, float, float) {}
int32_t EffectNoteDelay(const char*) { return 0; }
void AdvanceMelody(const char*) {}
void PlayBlastSound() {}

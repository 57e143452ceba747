// Silent stand-ins for the collision notes until the music sequencer plays them.
#include "audio/sound_hooks.h"

void PlayCollisionNote(const char*, float, float) {}
int32_t EffectNoteDelay(const char*) { return 0; }
void AdvanceMelody(const char*) {}

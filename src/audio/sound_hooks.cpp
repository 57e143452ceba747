// Silent stand-ins for the wall and blast sounds until the audio layer plays them.
#include "audio/sound_hooks.h"

bool IsWallSoundBusy() { return false; }
void PlayWallSound(float) {}
void PlayBlastSound() {}

// Silent stand-ins for the rules' sounds until the audio layer plays them.
#include "audio/game_sounds.h"

void PlayRemovalSound(int, float, float) {}
void PlaySwapSound() {}
void PlayLevelUpSound() {}
void PlayLevelUpChime() {}
bool IsUpSoundBusy() { return false; }
void PlayUpSound() {}
void PlayLowBarSound() {}

// The sounds the game rules make: removals, swaps and level ups. The rules decide when; the audio layer
// decides how it sounds and fills these in.
#pragma once

// Number of removal samples played in strict rotation across the run.
constexpr int RemovalSoundCount = 6;

// Removal sample `index` (0 "sounds/remove1.wav", 1 "sounds/remove2.wav", 2 "sounds/remove3.wav",
// 3 "sounds/remove_lite_1.wav", 4 "sounds/remove_lite_2.wav", 5 "sounds/remove_lite_3.wav") started
// paused, given the volume, un-paused, then panned (-1 left .. +1 right).
void PlayRemovalSound(int index, float volume, float pan);
// "sounds/up1.wav" at full volume, centre: two blocks swapped colours.
void PlaySwapSound();
// "sounds/level_up.wav" at full volume, centre: a level was completed.
void PlayLevelUpSound();
// "sounds/snd1.wav" at volume 0.13, centre: the chime after the level-up sound (shapes, cubes).
void PlayLevelUpChime();
// True while the Up-button channel is still playing its thrust sound (chains, cubes).
bool IsUpSoundBusy();
// "sounds/up2.wav" at volume 0.25, centre, on the one Up-button channel, reused for every press.
void PlayUpSound();
// "sounds/time.wav" at full volume, centre: the chains bar dropped low (once per low period).
void PlayLowBarSound();

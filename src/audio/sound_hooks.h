// The sounds the physics step makes: wall knocks, collision notes on the music's chords, the blast.
// The physics decides when; the audio layer decides how it sounds and fills these in.
#pragma once
#include <cstdint>

// Effects of the music score that collision notes are drawn from.
constexpr const char* CollisionEffect = "music/collision";    // notes of the player's piece
constexpr const char* CollisionEffect2 = "music/collision2";  // notes of the other blocks

// True while the one shared wall-sound channel is still playing (one wall knock at a time).
bool IsWallSoundBusy();
// "sounds/bass1short.wav" at volume 0.3 on the wall-sound channel; pan -1 (left) .. +1 (right).
void PlayWallSound(float pan);

// Plays a note of the chord that sounds now in the music, picked from effectKey, on the collision
// channel at this channel volume (already scaled by impact and the volume level) and pan.
// Nothing is heard when no note fits; the caller still counts the note as started.
void PlayCollisionNote(const char* effectKey, float volume, float pan);
// ms that must pass before the next collision note, from the music's tact and the melody step
// just played; asked right after PlayCollisionNote, before AdvanceMelody.
int32_t EffectNoteDelay(const char* effectKey);
// Moves the effect's running melody on by one step.
void AdvanceMelody(const char* effectKey);

// "sounds/bigBlock1.wav", full volume, centre: a bonus block blew up.
void PlayBlastSound();

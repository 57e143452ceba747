// The player's volumes: music and effects in steps, mute, and the music turned down while the game pauses.
#pragma once

// Gain of a volume step: 5 is the game's own loudness, each step below halves it (6 dB), 0 is silence.
float VolumeStepGain(int step);
// The music's gain while the game is paused, on top of its step.
constexpr float PausedMusicGain = 0.35f;

// Gives the mixer the music and effects gains for these steps (0..5), mute and pause.
void ApplyPlayerVolume(int musicStep, int effectsStep, bool muted, bool paused);

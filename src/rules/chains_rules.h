// The rules of chains: touching blocks of one colour link into chains, long chains are removed, the
// player steers pieces with the keyboard and dumps new ones with Space; the bar drains with time.
//
// The game screen calls, in this order each frame:
//   stages 4-6  ChainsControlFrame: the low-bar warning, the keyboard, new pieces, vision mode;
//               returns sweepEnabled
//   stage 7     StepWorld: the contact hook links blocks, then ChainPass and RemovalPass run through
//               world.hooks
//   stage 9     UpdateLevelProgress (game.h) drains the bar
// InstallChainsRules once before the game starts.
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

// Below this bar energy the bar warns: a sound at the start of each low period and a blinking frame.
constexpr float LowBarLevel = 0.2f;
// The warning blinks with this period (ms).
constexpr int32_t LowBarBlinkMs = 140;
// A chain walk never lists more atoms than the pool holds, whatever the neighbour lists say.
constexpr int MaxChainWalk = 256;

// Sets the world's hooks for chains: the contact hook, ChainPass and the shared removal pass; the bar
// starts at A_DEFAULT_BAR_CAP.
void InstallChainsRules(PhysicsWorld& w);
// Stages 4-6 on the process-wide input and clock; returns the sweepEnabled that StepWorld receives.
bool ChainsControlFrame(GameState& g, PhysicsWorld& w, uint64_t frameMs);
// The same with its inputs given: buttons of this poll, the clock and the frame's duration.
bool ChainsControlFrameAt(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t nowMs, uint64_t frameMs);

// Two touching atoms of one colour: each notes the other in its touch slots, and they are linked when
// both stay open lines: a single atom joins a single atom or a chain's end, and two ends join when they
// belong to different chains. Returns whether they were linked.
bool TryConnect(PhysicsWorld& w, int a, int b);
// A player-made soft link between a and b at their present distance; each becomes the other's neighbour,
// and a mark on either spreads to both with the larger mark time.
void Connect(PhysicsWorld& w, int a, int b, uint32_t nowMs);
// True when walking from end a along its chain reaches b: a and b are the two ends of one chain. A walk
// that finds no end within MaxChainWalk atoms (a damaged ring) also counts as one chain.
bool SameChain(const PhysicsWorld& w, int a, int b);
// The contact hook of the collision pass.
void ChainsContactHook(PhysicsWorld& w, int i, int j);

// The colours of a new chains piece: two colours drawn from those available; each of the first three
// blocks takes one of them (never all three the same), the fourth either.
void DrawChainsColours(int tutorialStep, uint8_t colours[4]);

// The low-bar warning: its timer runs while the bar is below LowBarLevel, and the warning sound plays
// as it starts; at or above the level the timer stops.
void UpdateLowBarWarning(GameState& g, const PhysicsWorld& w, uint64_t frameMs);
// The warning frame is lit in this frame (the first 140 ms of every 280 ms of a low period).
bool LowBarWarningLit(const GameState& g);

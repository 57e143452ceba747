// The rules of cubes: independent random colours, triples of one colour marked on contact, marks spread by
// the player's piece, resting blocks frozen into the grid, removals scored per colour batch, bonus blocks.
//
// The game screen calls, in this order each frame:
//   stages 4-6  CubesControlFrame: keyboard control and new pieces (4), vision mode (5); returns sweepEnabled
//   stage 7     StepWorld(world, frameMs, sweepEnabled): CubesContactHook inside the collision passes, then
//               CubesRulePass through world.hooks (cubes has no separate removal pass)
//   stage 9     UpdateLevelProgress (game.h): the bar follows game.removals / A_REMOVES
// InstallCubesRules once before the game starts (it sets the world's hooks).
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

// Block colours there are pictures for; a piece draws from at least three of them.
constexpr int CubesColourCount = 9;
constexpr int CubesMinColours = 3;
// The tutorial step in which Space adds pieces freely plays with three colours.
constexpr int CubesThreeColourStep = 12;

// A colour's batch of vanished blocks is scored once the colour has no marked block left and more than
// this many have vanished...
constexpr int32_t GroupMinBlocks = 2;
// ... or, while the colour still has marked blocks, once more than this many have vanished.
constexpr int32_t GroupActiveBlocks = 10;
// Points of a batch of more than nine blocks, shown with a second floating text of this kind.
constexpr int32_t GroupTopPoints = 10000;
constexpr uint16_t TextGroupTop = 7;

// What the rule pass keeps between frames.
struct CubesState {
    float lastX[CubesColourCount] = {};  // px, glass position where the colour's last block vanished
    float lastY[CubesColourCount] = {};
    uint8_t colourActive[CubesColourCount] = {};  // the colour still had marked blocks in the last pass
};

extern CubesState cubes;

// Sets the world's hooks for cubes: the variant, the contact hook and the rule pass; no removal pass.
void InstallCubesRules(PhysicsWorld& w);

// Stages 4-6 of the game screen's frame; returns the sweepEnabled that StepWorld receives.
bool CubesControlFrame(GameState& g, PhysicsWorld& w, uint64_t frameMs);
// The same with this frame's game buttons, clock and frame time given (tests).
bool CubesControlFrameAt(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t nowMs, uint64_t frameMs);

// The colours of a new piece: each block independently random mod n, n = A_AVAILABLE_COLORS held to
// 3..9 (3 in the tutorial's free-play step); repeats are allowed.
void DrawCubesColours(int tutorialStep, uint8_t colours[4]);

// Two touching blocks of one colour (called from the collision pass): each notes the other in its touch
// slots, a block touching two marks all three, and the player's piece passes marks on.
void CubesContactHook(PhysicsWorld& w, int i, int j);

// The rule pass inside StepWorld: marks age, resting blocks freeze, finished blocks vanish, colour batches
// are scored.
void CubesRulePass(GameState& g, CubesState& s, PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);
// The same on the process-wide game and cubes state, with the signature of the world's rule hook.
void CubesRulePass(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);

// Turns a block into a grey frozen block: no mark, no colour, no links, out of the player's piece; the
// step's snap pass then locks it into the grid.
void FreezeAtom(PhysicsWorld& w, int index);

// Points of a colour batch of `blocks` vanished blocks and the kind of its floating text (0..6; a batch of
// more than nine shows kind 0 and a second text of kind TextGroupTop). 0 points below three blocks.
int32_t GroupPoints(int32_t blocks, uint16_t* kind);

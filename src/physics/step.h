// The physics step: integration, springs, the glass, contacts, grid snapping and sprite rotation.
#pragma once
#include <cstdint>

#include "physics/world.h"

// Keys the step reads (keyboard scan codes).
constexpr int KeyVolumeF2 = 0x3C;  // collision volume 1 -> 2 -> 3 -> 1
constexpr int KeyPullZ = 0x2C;     // pulls the level-start row's colour 0 block (shapes)
constexpr int KeyPullX = 0x2D;     // pulls the level-start row's colour 5 block (shapes)

// The level-start row holds still for this long, then it is let go and the walls switch off.
constexpr uint64_t LevelStartHoldMs = 4000;
// A piece half inside the glass for at least this long ends the game.
constexpr uint64_t OverflowMs = 4001;
// px a step: a piece above the rim that moves less than this is resting on the pile, not falling in.
constexpr float RestingSpeed = 0.05f;

// One frame of the world: volume key, level-start release, three relaxation passes, grid snapping,
// sprite rotation, landing flag, then the variant's rule pass and the removal pass.
void StepWorld(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);

// The parts of a relaxation pass, in their order.
void Integrate(PhysicsWorld& w);
void RelaxLinks(PhysicsWorld& w);
void KeepInGlass(PhysicsWorld& w, uint64_t frameMs);
// freeSounds: collisions away from the piece may sound; detailEvents: the piece's sounds and crashes.
void CollideAtoms(PhysicsWorld& w, bool freeSounds, bool detailEvents);
// The same pass as the plain loop over every pair, with no candidate grid: what CollideAtoms must equal.
void CollideAtomsAllPairs(PhysicsWorld& w, bool freeSounds, bool detailEvents);
// False: CollideAtoms finds its pairs on the candidate grid even when scanning every later atom would be
// quicker (as on a processor without AVX2). The tests hold both ways to the plain loop.
extern bool contactScanAllowed;

// DetailContains of every atom slot: 1 for the atoms of the player's piece, else 0.
void DetailMap(const PhysicsWorld& w, uint8_t inDetail[MaxAtoms]);

// Moves snapping atoms into the lock grid and locks them when they arrive.
void SnapPass(PhysicsWorld& w);
// Sprite rotation of every atom from its piece's edge links.
void UpdateSpriteRotation(PhysicsWorld& w);

inline void StepWorld(uint64_t frameMs, bool sweepEnabled) { StepWorld(world, frameMs, sweepEnabled); }

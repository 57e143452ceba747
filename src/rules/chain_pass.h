// The chain pass: walks the player-made chains, marks the long ones and ages every marked atom.
#pragma once
#include <cstdint>

struct PhysicsWorld;

// Runs inside the step's rule pass (chains; shapes runs it too, where it finds no chains). Every marked
// atom's markTime grows by frameMs here, once per frame.
void ChainPass(PhysicsWorld& w, uint64_t frameMs);

// The chain pass: walks the player-made chains, marks the long ones and ages every marked atom.
#pragma once
#include <cstdint>

struct Atom;
struct PhysicsWorld;

// A chain is listed (and drawn and counted) up to this many atoms.
constexpr int MaxChainListed = 16;

// What the last chain pass found for the music and the HUD.
struct ChainReport {
    bool newConnection = false;  // a freshly linked chain was found in this pass
    uint32_t length = 0;         // that chain's listed length
    uint32_t connections = 0;    // new connections reported since the program started
};

// Runs inside the step's rule pass (chains; shapes runs it too, where it finds no chains). Chains of
// at least A_LINE_LEN atoms are marked; a chain the piece touches strengthens the controls; the chain
// records for drawing are rebuilt. Every marked atom's markTime grows by frameMs here, once per frame.
void ChainPass(PhysicsWorld& w, uint64_t frameMs);
// How many chain neighbours the atom has (a damaged count is held at 2).
uint32_t ChainNeighbours(const Atom& a);
// The atom's chain neighbour other than `from`, or -1 at the end of the chain or where the list is damaged.
int NextAlongChain(const PhysicsWorld& w, int atom, int from);
// The report of the last ChainPass.
const ChainReport& LastChainReport();

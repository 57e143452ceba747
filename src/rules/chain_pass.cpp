// The chain pass shared by chains and shapes: chain walking and marking, then the ageing of marked atoms.
#include "rules/chain_pass.h"

#include <algorithm>

#include "physics/world.h"
#include "rules/tuning.h"

namespace {

ChainReport chainReport;

// Where the glass sits on the screen: the chain records are kept in screen pixels.
constexpr float GlassScreenX = 96.0f;
constexpr float GlassScreenY = -48.0f;
// Extra control strength per block of a chain that hangs on the player's piece.
constexpr float ChainControlBoostPerAtom = 0.1f;

// Lists the chain that starts at end i: at most MaxChainListed atoms, stopping at the other end.
int ListChain(const PhysicsWorld& w, int i, int (&chain)[MaxChainListed]) {
    int length = 0;
    int previous = -1;
    int current = i;
    while (current >= 0 && length < MaxChainListed) {
        chain[length++] = current;
        // Past the start, an atom with one neighbour is the far end.
        if (length > 1 && ChainNeighbours(w.atoms[current]) < 2) break;
        const int next = NextAlongChain(w, current, previous);
        previous = current;
        current = next;
    }
    return length;
}

void RecordChain(PhysicsWorld& w, const int* chain, int length) {
    // Long chains walked from both ends can list more entries than there are atoms; the rest go undrawn.
    if (w.chainCount >= static_cast<uint32_t>(MaxAtoms) ||
        w.chainAtomCount + static_cast<uint32_t>(length) > static_cast<uint32_t>(MaxAtoms)) {
        return;
    }
    for (int k = 0; k < length; ++k) {
        const Atom& a = w.atoms[chain[k]];
        ChainAtomRecord& r = w.chainAtoms[w.chainAtomCount++];
        r.x = a.x + GlassScreenX;
        r.y = a.y + GlassScreenY;
        r.colour = a.colour;
        r.marked = a.marked;
        r.markTime = a.markTime;
    }
    w.chainLengths[w.chainCount++] = static_cast<uint16_t>(length);
}

void MarkChain(PhysicsWorld& w, const int* chain, int length) {
    for (int k = 0; k < length; ++k) {
        Atom& a = w.atoms[chain[k]];
        a.marked = 1;
        a.points = A_DEFAULT_ATOM2POINTS;
    }
    // The last block carries the bonus for every block beyond the line length (none for an exact one).
    // Points are whole and within 32 bits whatever the settings say.
    float bonus = static_cast<float>(length - A_LINE_LEN) * A_LINE_BONUS_POINTS_MULT;
    if (!(bonus > -2147483520.0f)) bonus = bonus < 0.0f ? -2147483520.0f : 0.0f;  // NaN gives nothing
    if (bonus > 2147483520.0f) bonus = 2147483520.0f;
    w.atoms[chain[length - 1]].points = static_cast<int32_t>(bonus);
}

}  // namespace

uint32_t ChainNeighbours(const Atom& a) {
    return std::min<uint32_t>(a.neighbourCount, 2);
}

int NextAlongChain(const PhysicsWorld& w, int atom, int from) {
    const Atom& a = w.atoms[atom];
    for (uint32_t k = 0; k < ChainNeighbours(a); ++k) {
        const uint32_t n = a.neighbour[k];
        if (n == NoNeighbour || !AtomInUse(w, n)) continue;
        if (static_cast<int>(n) == from || static_cast<int>(n) == atom) continue;
        return static_cast<int>(n);
    }
    return -1;
}

const ChainReport& LastChainReport() {
    return chainReport;
}

void ChainPass(PhysicsWorld& w, uint64_t frameMs) {
    chainReport.newConnection = false;
    chainReport.length = 0;
    w.chainCount = 0;
    w.chainAtomCount = 0;
    for (Atom& a : w.atoms) {
        if ((a.flags & FreeSlot) == 0 && a.neighbourCount == 1) a.chainVisited = 0;
    }

    int chain[MaxChainListed];
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& start = w.atoms[i];
        if ((start.flags & FreeSlot) || start.neighbourCount != 1 || start.chainVisited) continue;
        const int length = ListChain(w, i, chain);
        if (length < 2) continue;  // a damaged list: the only neighbour is gone
        // The far end is not walked again.
        w.atoms[chain[length - 1]].chainVisited = 1;

        if (!chainReport.newConnection && start.connectedFlag) {
            start.connectedFlag = 0;
            w.atoms[chain[1]].connectedFlag = 0;
            chainReport.newConnection = true;
            chainReport.length = static_cast<uint32_t>(length);
            chainReport.connections += 1;
        }
        // A chain hanging on the player's piece makes the controls stronger, once per chain. The strength
        // is fixed: the settings key of that name has always been left unread.
        for (int k = 0; k < length; ++k) {
            if (DetailContains(w, chain[k])) {
                w.touchMultiplier += static_cast<float>(length) * ChainControlBoostPerAtom;
                break;
            }
        }
        RecordChain(w, chain, length);
        if (length >= A_LINE_LEN) MarkChain(w, chain, length);
    }

    // Every marked atom ages. In shapes the rule pass has aged it once already, so a completed piece
    // goes after half of A_FREEZE_ACTIVE_TIME.
    for (Atom& a : w.atoms) {
        if ((a.flags & FreeSlot) == 0 && a.marked) a.markTime += static_cast<int32_t>(frameMs);
    }
}

// The chain pass shared by chains and shapes: chain walking and marking, then the ageing of marked atoms.
#include "rules/chain_pass.h"

#include "physics/world.h"

void ChainPass(PhysicsWorld& w, uint64_t frameMs) {
    // Chain walking, the connection report, the touch multiplier, the chain records and the marking of
    // long chains come first; shapes never links atoms, so it finds nothing there.

    // Every marked atom ages. In shapes the rule pass has aged it once already, so a completed piece
    // goes after half of A_FREEZE_ACTIVE_TIME.
    for (Atom& a : w.atoms) {
        if ((a.flags & FreeSlot) == 0 && a.marked) a.markTime += static_cast<int32_t>(frameMs);
    }
}

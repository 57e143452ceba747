// The world's pools and the operations that create and remove atoms, links and effects.
#include "physics/world.h"

#include <cmath>
#include <cstdlib>

#include "audio/sound_hooks.h"
#include "rules/tuning.h"

PhysicsWorld world;

namespace {

// Lowest free slot of a pool, or slot 0 when every slot is taken (its old content is overwritten).
template <typename T, int N>
int TakeSlot(T (&pool)[N]) {
    for (int i = 0; i < N; ++i) {
        if (pool[i].flags & FreeSlot) return i;
    }
    return 0;
}

uint16_t ToAtomIndex(int index) {
    return (index >= 0 && index < MaxAtoms) ? static_cast<uint16_t>(index) : NoAtom;
}

// Lets go of the grid cells an atom holds or is heading for.
void ReleaseCells(PhysicsWorld& w, Atom& a) {
    // Only a locked atom owns its lockedCell entry; a snapping one that never arrived leaves the grid alone.
    if (a.locked && a.cellIndex < GridCells) {
        w.lockedCell[a.cellIndex] = 0;
    }
    // A chosen target was free in both layers when chosen, so its reservation is this atom's alone.
    if (a.hasTarget && a.targetCol >= 0 && a.targetCol < GridColumns && a.targetRow >= GridFirstRow &&
        a.targetRow <= GridLastRow) {
        w.reservedCell[a.targetCol + (a.targetRow - GridFirstRow) * GridColumns] = 0;
    }
}

// Replaces every reference to a freed atom: links, chain neighbours, partners, pieces, the mouse.
void DetachAtom(PhysicsWorld& w, int index) {
    const uint16_t id = static_cast<uint16_t>(index);
    for (Link& l : w.links) {
        if (l.flags & FreeSlot) continue;
        if (l.atomA == id || l.atomB == id || l.keeper == id) l.flags |= FreeSlot;
    }
    for (int k = 0; k < MaxAtoms; ++k) {
        Atom& o = w.atoms[k];
        if (k == index || (o.flags & FreeSlot)) continue;
        if (o.neighbourCount == 1) {
            if (o.neighbour[0] == static_cast<uint32_t>(index)) o.neighbourCount = 0;
        } else if (o.neighbourCount == 2) {
            if (o.neighbour[1] == static_cast<uint32_t>(index)) {
                o.neighbourCount = 1;
            } else if (o.neighbour[0] == static_cast<uint32_t>(index)) {
                o.neighbour[0] = o.neighbour[1];
                o.neighbourCount = 1;
            }
        }
        if (o.lastPartner == id) o.lastPartner = NoAtom;
        // A later atom in this slot must not pass for a member of the old piece (crashes, swaps, sounds).
        for (uint16_t& m : o.detailMembers) {
            if (m == id) m = NoAtom;
        }
    }
    for (uint16_t& d : w.detailAtoms) {
        if (d == id) d = NoAtom;
    }
    // A slot reused by a new piece must not be pulled by the mouse.
    if (w.grabbedAtom == index) w.grabbedAtom = -1;
    if (w.swapTarget == index) w.swapTarget = -1;
}

}  // namespace

void SetWorldConstants(PhysicsWorld& w) {
    w.gravity = PH_GRAVITY;
    // A zero or negative step rate from a settings file would send every atom to infinity.
    float dt = (PH_DT > 0.0f && std::isfinite(PH_DT)) ? PH_DT : 45.0f;
    float inverse = 1.0f / dt;
    w.stepFactor = inverse * inverse;
}

void ResetWorld(PhysicsWorld& w) {
    SetWorldConstants(w);
    for (Link& l : w.links) l.flags |= FreeSlot;
    for (Atom& a : w.atoms) {
        a.flags |= FreeSlot;
        a.marked = 0;
        a.markTime = 0;
        a.iceReset = 0;
    }
    for (FloatingText& t : w.floatingTexts) t.flags |= FreeSlot;
    for (Spark& s : w.sparks) s.flags |= FreeSlot;
    for (RemovalGhost& g : w.removalGhosts) g.flags |= FreeSlot;
    for (IceShard& s : w.iceShards) s.flags |= FreeSlot;
    for (int c = 0; c < GridCells; ++c) w.lockedCell[c] = w.reservedCell[c] = 0;
    for (uint16_t& d : w.detailAtoms) d = NoAtom;
    w.detailCount = 0;
    w.grabbedAtom = -1;
    w.swapTarget = -1;
    w.sweepLineY = 0;
    w.piecesSpawned = 0;
    w.atomsRemoved = 0;
    w.detailInside = 1;
    w.partialEntryMs = 0;
    ++w.removeEpoch;
}

int CreateAtom(PhysicsWorld& w, float x, float y, uint8_t colour) {
    int index = TakeSlot(w.atoms);
    // A full pool hands out slot 0 again: whatever pointed at the old atom lets go of it first.
    if ((w.atoms[index].flags & FreeSlot) == 0) {
        ReleaseCells(w, w.atoms[index]);
        DetachAtom(w, index);
        ++w.removeEpoch;
    }
    Atom& a = w.atoms[index];
    a = Atom{};  // nothing of the slot's previous atom carries over
    a.flags = 0;
    a.x = a.refX = a.prevX = x;
    a.y = a.refY = a.prevY = y;
    a.colour = colour;
    a.entering = 1;
    a.lastPartner = NoAtom;

    if (w.hooks.variant == VariantCubes) {
        // One bonus block at most per piece; a zero probability setting means no bonus blocks.
        if (!w.specialTaken && A_BONUS_PROB > 0 && std::rand() % A_BONUS_PROB == 1) {
            a.special = 1;
            ++w.bonusCount;
            w.specialTaken = 1;
        }
    } else if (w.pendingSpecial && !w.specialTaken) {
        a.special = 1;
        w.specialTaken = 1;
        ++w.specialsInGlass;
    }
    return index;
}

int CreateLink(PhysicsWorld& w, int a, int b, int keeper, bool playerMade, float stiffness,
               bool useDefaultLength) {
    int index = TakeSlot(w.links);
    Link& l = w.links[index];
    l.flags = 0;
    l.atomA = ToAtomIndex(a);
    l.atomB = ToAtomIndex(b);
    l.keeper = ToAtomIndex(keeper);
    l.playerMade = playerMade ? 1 : 0;
    l.stiffness = stiffness;
    l.restLenSq = w.contactDistSq;
    if (!useDefaultLength && AtomInUse(w, l.atomA) && AtomInUse(w, l.atomB)) {
        float dx = w.atoms[l.atomB].x - w.atoms[l.atomA].x;
        float dy = w.atoms[l.atomB].y - w.atoms[l.atomA].y;
        l.restLenSq = dx * dx + dy * dy;
    }
    return index;
}

void RemoveAtom(PhysicsWorld& w, int index, int order) {
    if (index < 0 || !AtomInUse(w, index)) return;
    Atom& a = w.atoms[index];
    a.flags |= FreeSlot;
    ++w.removeEpoch;
    if (a.special) {
        if (w.hooks.variant == VariantCubes) {
            // A bonus block blows up everything within 64 px (inner radius above the outer one).
            a.special = 0;
            Blast(w, a.x, a.y, 44.0f, 64.0f, 64.0f);
            PlayBlastSound();
        } else {
            --w.specialsInGlass;
        }
    }
    a.markTime = 0;
    a.special = 0;
    a.marked = 0;

    DetachAtom(w, index);

    if (a.snapping) {
        ReleaseCells(w, a);
        a.snapping = 0;
        a.locked = 0;
        a.hasTarget = 0;
        a.cellIndex = 0;
    } else {
        AddRemovalGhost(w, a.x, a.y, a.colour, -30 * order);
    }
}

void SetMouseTarget(PhysicsWorld& w, float mx, float my) {
    float x = mx - 96.0f;
    if (x < 0.0f) x = 0.0f;
    if (x > w.glassWidth) x = w.glassWidth;
    float y = my + 48.0f;
    if (y > w.floorY) y = w.floorY;
    w.mouseTarget[0] = x;
    w.mouseTarget[1] = y;
}

Point DetailCentre(const PhysicsWorld& w) {
    Point c{0.0f, 0.0f};
    bool first = true;
    int count = w.detailCount < 4 ? w.detailCount : 4;
    for (int k = 0; k < count; ++k) {
        uint16_t id = w.detailAtoms[k];
        if (!AtomInUse(w, id)) continue;
        const Atom& a = w.atoms[id];
        if (first) {
            c = {a.x, a.y};
            first = false;
        } else {
            c.x = (c.x + a.x) * 0.5f;
            c.y = (c.y + a.y) * 0.5f;
        }
    }
    return c;
}

void ClearWorld(PhysicsWorld& w) {
    for (int i = 0; i < MaxAtoms; ++i) RemoveAtom(w, i, 0);
    w.score = 0;
    w.progress = 0;
    w.overflow = 0;
}

void Blast(PhysicsWorld& w, float cx, float cy, float outerRadius, float innerRadius, float strength) {
    ++w.removeEpoch;
    const float inner2 = innerRadius * innerRadius;
    const float outer2 = outerRadius * outerRadius;
    const float sf = w.stepFactor;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        float dx = a.x - cx;
        float dy = a.y - cy;
        float r2 = dx * dx + dy * dy;
        if (r2 < inner2) {
            RemoveAtom(w, i, 0);
        } else if (r2 < outer2) {
            if (a.snapping || a.locked) {
                RemoveAtom(w, i, 0);
            } else {
                // Only the position moves: the Verlet step turns the shift into speed away from the centre.
                a.x += sf * dx * strength;
                a.y += sf * dy * strength;
            }
        }
    }
}

int AddFloatingText(PhysicsWorld& w, float x, float y, uint16_t kind, const char* text) {
    int index = TakeSlot(w.floatingTexts);
    FloatingText& t = w.floatingTexts[index];
    t.flags = 0;
    t.x = x;
    t.y = y;
    t.kind = kind;
    t.age = 0;
    t.text = text;
    return index;
}

int AddSpark(PhysicsWorld& w, float x, float y) {
    int searchFrom = 0;
    return AddSparkFrom(w, x, y, searchFrom);
}

int AddRemovalGhost(PhysicsWorld& w, float x, float y, uint32_t colour, int32_t start) {
    int index = TakeSlot(w.removalGhosts);
    RemovalGhost& g = w.removalGhosts[index];
    g.flags = 0;
    g.start = start;
    g.x = ToPixel(x);
    g.y = ToPixel(y);
    g.colour = colour;
    return index;
}

int AddIceShard(PhysicsWorld& w, float x, float y, float angle) {
    int index = TakeSlot(w.iceShards);
    IceShard& s = w.iceShards[index];
    s.flags = 0;
    s.age = 0;
    s.x = x;
    s.y = y;
    s.angle = angle;
    return index;
}

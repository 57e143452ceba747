// One frame of the world: Verlet integration, springs, the glass walls, and the order that ties them together.
#include "physics/step.h"

#include <cmath>
#include <cstring>

#include "audio/sound_hooks.h"
#include "input/input.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

// Verlet move with a spring pull towards (tx, ty): damping keeps the held block from swinging.
void PullTowards(Atom& a, float oldX, float oldY, float tx, float ty, float pull, float damping, float sf) {
    a.x += (tx - a.x) * pull * sf + (a.x - oldX) * damping;
    a.y += (ty - a.y) * pull * sf + (a.y - oldY) * damping;
}

// The shapes game's hands on an atom that has just handed its position to prevX: the held block and
// the offered one follow the pointer, and blocks of the level-start row are drawn to their places.
// False for an atom left to fall. Out of line: the other games never come here.
[[gnu::noinline]] bool PullByHand(const PhysicsWorld& w, int i, Atom& a, float oldX, float oldY, bool pullZ,
                                  bool pullX) {
    const float sf = w.stepFactor;
    const float tx = w.mouseTarget[0];
    const float ty = w.mouseTarget[1];
    if (i == w.grabbedAtom) {
        PullTowards(a, oldX, oldY, tx, ty - 12.0f, 5.0f, 0.9f, sf);
        return true;
    }
    if (i == w.swapTarget) {
        PullTowards(a, oldX, oldY, tx, ty - 12.0f, 3.5f, 0.9f, sf);
        return true;
    }
    if (a.introAtom) {
        if (a.colour == 2 || a.colour == 3) {
            PullTowards(a, oldX, oldY, 120.0f, 168.0f, 3.5f, 0.93f, sf);
            return true;
        }
        if (a.colour == 0 && pullZ) {
            PullTowards(a, oldX, oldY, 30.0f, 193.0f, 3.5f, 0.9f, sf);
            return true;
        }
        if (a.colour == 5 && pullX) {
            PullTowards(a, oldX, oldY, 210.0f, 193.0f, 3.5f, 0.9f, sf);
            return true;
        }
    }
    return false;
}

// The level-start row held still for its time: the pieces' links let go and a push from below
// scatters the row.
void ReleaseLevelStartRow(PhysicsWorld& w) {
    for (Link& l : w.links) {
        if (l.flags & FreeSlot) continue;
        bool introA = AtomInUse(w, l.atomA) && w.atoms[l.atomA].introAtom;
        bool introB = AtomInUse(w, l.atomB) && w.atoms[l.atomB].introAtom;
        if (!introA && !introB) l.flags |= FreeSlot;
    }
    w.levelStartReleased = 1;
    Blast(w, 120.0f, 380.0f, 128.0f, 0.0f, 44.0f);
}

// After the level-start row's time the walls and the floor stop holding atoms for good.
bool WallsActive(const PhysicsWorld& w) {
    if (!w.levelStartCreated) return true;
    return NowMs() <= w.levelStartMs + LevelStartHoldMs;
}

void WallKnock(Atom& a, WallSide side, float pan) {
    if (a.wallArmed[side] && !IsWallSoundBusy()) {
        PlayWallSound(pan);
        a.wallArmed[side] = 0;
    }
}

// Four floats in one register; the floor uses two lanes for one select without a jump.
using Lane = float __attribute__((vector_size(16)));
using LaneMask = int32_t __attribute__((vector_size(16)));

// What the glass holds in a pass; the world's sizes do not change while its atoms are moved.
struct GlassBounds {
    bool wallsActive;
    bool detailInside;
    float leftX, rightX;        // where an atom pushed through a side wall is put back
    float glassWidth;           // x of the right wall
    float rightRearm;           // an atom left of this may knock on the right wall again
    float leftEdge, rightEdge;  // the side walls while they hold, else -infinity and +infinity
    float floorY, floorFriction;
};

// The glass for an atom of the player's piece or of the level-start row: the walls knock for the piece
// and let the row through, and the rim holds the piece only once it is wholly inside. Out of line: a
// handful of atoms a pass take this way.
[[gnu::noinline]] void KeepRareAtomInGlass(const PhysicsWorld& w, Atom& a, bool inDetail,
                                           const GlassBounds& g) {
    if (a.x < 12.0f && !a.introAtom && g.wallsActive) {
        a.x = g.leftX;
        if (inDetail) WallKnock(a, WallLeft, -0.88f);
    } else if (a.x > 24.0f) {
        a.wallArmed[WallLeft] = 1;
    }

    if (a.y > 61.0f) a.entering = 0;

    // The rim holds the pile; the player's piece only once it is wholly inside.
    if (!inDetail) {
        if (a.y < 60.0f && !a.introAtom) a.y = 60.0f;
    } else if (g.detailInside) {
        if (a.y < 60.0f) {
            a.y = 60.0f;
            WallKnock(a, WallTop, GlassPan(w, a.x));
        } else if (a.y > 72.0f) {
            a.wallArmed[WallTop] = 1;
        }
    }

    if (a.x > g.glassWidth && !a.introAtom && g.wallsActive) {
        a.x = g.rightX;
        if (inDetail) WallKnock(a, WallRight, GlassPan(w, a.x));
    } else if (a.x < g.rightRearm) {
        a.wallArmed[WallRight] = 1;
    }

    if (g.wallsActive) {
        // Floor friction grows with the penetration: a deep landing stops sliding at once.
        float e = (a.y - g.floorY) * g.floorFriction;
        if (e >= 0.0f) {
            a.prevX = a.prevX + (a.x - a.prevX) * e;
            a.y = g.floorY;
            if (e >= 0.5f && inDetail && !IsWallSoundBusy()) PlayWallSound(GlassPan(w, a.x));
        }
    }
}

// Any other atom: the same rules, without a sound. The atoms of a pile lie on both sides of the walls,
// the rim and the floor from pass to pass, so those tests are selects, not jumps the processor would
// have to guess; a select keeps what the plain test leaves, NaN included (every comparison with NaN is
// false, as is one against an edge at infinity). The re-arm flags stay set once set, so their tests
// ask the flag first and the jump is a safe guess.
void KeepPileAtomInGlass(Atom& a, const GlassBounds& g) {
    float x = a.x, y = a.y;
    // Clamped at the left wall means left of 24, clamped at the right means right of the re-arm line:
    // the re-arm tests need no "else".
    if (!a.wallArmed[WallLeft] && x > 24.0f) a.wallArmed[WallLeft] = 1;
    x = x < g.leftEdge ? g.leftX : x;
    if (a.entering && y > 61.0f) a.entering = 0;
    y = 60.0f > y ? 60.0f : y;
    if (!a.wallArmed[WallRight] && x < g.rightRearm) a.wallArmed[WallRight] = 1;
    x = x > g.rightEdge ? g.rightX : x;

    if (g.wallsActive) {
        // Floor friction grows with the penetration: a deep landing stops sliding at once.
        const float e = (y - g.floorY) * g.floorFriction;
        const float prevX = a.prevX;
        const float slowedPrevX = prevX + (x - prevX) * e;
        // On the vector unit: a plain ?: that picks two values is turned back into a jump.
        const LaneMask onFloor = Lane{e, e} >= Lane{};
        const Lane picked = onFloor ? Lane{slowedPrevX, g.floorY} : Lane{prevX, y};
        a.prevX = picked[0];
        y = picked[1];
    }
    a.x = x;
    a.y = y;
}

}  // namespace

void StepWorld(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled) {
    if (KeyPressed(KeyVolumeF2)) {
        w.collisionVolume += 1.0f;
        if (w.collisionVolume > 3.0f) w.collisionVolume = 1.0f;
    }
    if (w.levelStartCreated && !w.levelStartReleased && NowMs() > w.levelStartMs + LevelStartHoldMs) {
        ReleaseLevelStartRow(w);
    }
    w.detailTouching = 0;
    w.touchMultiplier = 1.0f;
    for (int k = 0; k < 3; ++k) {
        Integrate(w);
        RelaxLinks(w);
        KeepInGlass(w, frameMs);
        CollideAtoms(w, k == 2, k == 0);
    }
    SnapPass(w);
    UpdateSpriteRotation(w);
    w.landingArmed = !w.detailTouching;
    if (w.hooks.rulePass) w.hooks.rulePass(w, frameMs, sweepEnabled);
    if (w.hooks.removalPass) w.hooks.removalPass(w, frameMs, sweepEnabled);
}

void Integrate(PhysicsWorld& w) {
    const float sf = w.stepFactor;
    const bool shapes = w.hooks.variant == VariantShapes;
    const bool heavyEndsOnly = PH_ONLY_OUTERMOST_ATOMS_HAVE_MASS == 1;
    const bool pullZ = shapes && KeyDown(KeyPullZ);
    const bool pullX = shapes && KeyDown(KeyPullX);
    // The same products for every atom of the pass: taken once.
    const float windStep = w.windX * sf;
    const float endStep = w.gravity * sf;
    const float innerStep = 1.0f * sf;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if ((a.flags & FreeSlot) || a.locked) continue;
        float oldX = a.prevX, oldY = a.prevY;
        a.prevX = a.x;
        a.prevY = a.y;
        if (shapes && PullByHand(w, i, a, oldX, oldY, pullZ, pullX)) continue;
        // Inner chain atoms hang on their neighbours; only the ends carry the chain's weight.
        const float fallStep = (heavyEndsOnly && a.neighbourCount == 2) ? innerStep : endStep;
        a.x += (a.x - oldX) + windStep;
        a.y += (a.y - oldY) + fallStep;
    }

    // The offer lapses when the held block is carried away from the offered one.
    if (shapes && w.swapTarget >= 0 && w.grabbedAtom >= 0 && AtomInUse(w, w.swapTarget) &&
        AtomInUse(w, w.grabbedAtom)) {
        const Atom& s = w.atoms[w.swapTarget];
        const Atom& g = w.atoms[w.grabbedAtom];
        float dx = s.x - g.x, dy = s.y - g.y;
        if (std::sqrt(dx * dx + dy * dy) > 1.5f * w.spacing) w.swapTarget = -1;
    }
}

void RelaxLinks(PhysicsWorld& w) {
    for (Link& l : w.links) {
        if (l.flags & FreeSlot) continue;
        if (!AtomInUse(w, l.atomA) || !AtomInUse(w, l.atomB)) continue;
        Atom& a = w.atoms[l.atomA];
        Atom& b = w.atoms[l.atomB];
        float dx = b.x - a.x, dy = b.y - a.y;
        float r2 = dx * dx + dy * dy;
        float denominator = r2 + l.restLenSq;
        // Square-root-free distance constraint; a zero-length link between coincident atoms has no direction.
        if (!(denominator > 0.0f)) continue;
        float s = l.stiffness * (l.restLenSq / denominator - 0.5f);
        if (!a.locked) {
            a.x -= dx * s;
            a.y -= dy * s;
        }
        if (!b.locked) {
            b.x += dx * s;
            b.y += dy * s;
        }
    }
}

void KeepInGlass(PhysicsWorld& w, uint64_t frameMs) {
    // A piece that stays half inside the glass (some atoms below the rim, some above) ends the game; so
    // does one that cannot get in at all because the pile reaches the rim, which would otherwise hold the
    // game for ever with no new piece and no end.
    if (w.detailCount > 0) {
        int entering = 0, entered = 0;
        bool moving = false;
        int count = w.detailCount < 4 ? w.detailCount : 4;
        for (int k = 0; k < count; ++k) {
            uint16_t id = w.detailAtoms[k];
            if (!AtomInUse(w, id)) continue;
            const Atom& a = w.atoms[id];
            if (a.entering) ++entering; else ++entered;
            if (std::fabs(a.y - a.prevY) > RestingSpeed) moving = true;
        }
        w.detailInside = entering == 0 ? 1 : 0;
        // A piece wholly above the rim counts only while it rests there, not while it falls in.
        if (entering == 0 || (entered == 0 && moving)) {
            w.partialEntryMs = 0;
        } else {
            if (w.partialEntryMs >= OverflowMs) w.overflow = 1;
            w.partialEntryMs += frameMs;
        }
    }

    uint8_t detail[MaxAtoms];
    DetailMap(w, detail);
    GlassBounds g;
    g.wallsActive = WallsActive(w);
    g.detailInside = w.detailInside != 0;
    g.leftX = 12.0f + PH_GLASS_ELASTICITY;
    g.rightX = w.glassWidth - PH_GLASS_ELASTICITY;
    g.glassWidth = w.glassWidth;
    g.rightRearm = w.glassWidth - 12.0f;
    g.leftEdge = g.wallsActive ? 12.0f : -INFINITY;
    g.rightEdge = g.wallsActive ? w.glassWidth : INFINITY;
    g.floorY = w.floorY;
    g.floorFriction = w.floorFriction;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if ((a.flags & FreeSlot) || a.snapping) continue;
        if (detail[i] | a.introAtom) [[unlikely]] {
            KeepRareAtomInGlass(w, a, detail[i] != 0, g);
        } else {
            KeepPileAtomInGlass(a, g);
        }
    }
}

void DetailMap(const PhysicsWorld& w, uint8_t inDetail[MaxAtoms]) {
    std::memset(inDetail, 0, MaxAtoms);
    const int count = w.detailCount < 4 ? w.detailCount : 4;
    for (int k = 0; k < count; ++k) {
        if (w.detailAtoms[k] < MaxAtoms) inDetail[w.detailAtoms[k]] = 1;
    }
}

void UpdateSpriteRotation(PhysicsWorld& w) {
    for (Atom& a : w.atoms) a.rotation = 0.0f;
    for (const Link& l : w.links) {
        if ((l.flags & FreeSlot) || l.playerMade) continue;
        if (!AtomInUse(w, l.atomA) || !AtomInUse(w, l.atomB)) continue;
        if (l.restLenSq > w.contactDistSq) continue;  // diagonal braces do not turn the picture
        Atom& a = w.atoms[l.atomA];
        Atom& b = w.atoms[l.atomB];
        float angle = std::atan2(b.y - a.y, b.x - a.x) - std::atan2(b.refY - a.refY, b.refX - a.refX);
        float rotation = a.locked ? 0.0f : angle;
        a.rotation = rotation;
        b.rotation = rotation;
    }
}

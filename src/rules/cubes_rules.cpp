// The rules of cubes: triples marked on contact, resting blocks frozen, batches scored per colour.
#include "rules/cubes_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/game.h"
#include "rules/keyboard_control.h"
#include "rules/tuning.h"

CubesState cubes;

namespace {

constexpr float RemovalSoundVolume = 0.33f;
// The sweep line takes marked blocks strictly within this distance of it (px).
constexpr float SweepReach = 12.0f;

// Points and floating-text kind of a batch of 3 .. 9 blocks.
struct GroupRow {
    int32_t points;
    uint16_t kind;
};
constexpr GroupRow GroupTable[7] = {{300, 0}, {500, 1}, {600, 2}, {900, 3}, {1200, 4}, {1500, 5}, {5000, 6}};

int32_t Milliseconds(uint64_t frameMs) {
    return static_cast<int32_t>(std::min<uint64_t>(frameMs, INT32_MAX / 2));
}

bool ValidColour(uint8_t colour) {
    return colour < CubesColourCount;
}

// A block joins a group: a frozen block or a freed slot never does.
void Mark(PhysicsWorld& w, uint32_t index) {
    if (!AtomInUse(w, index)) return;
    Atom& a = w.atoms[index];
    if (a.colour == NoColour) return;
    a.marked = 1;
}

// A touch slot that names no block in use counts as empty.
bool SlotTaken(const PhysicsWorld& w, uint16_t slot) {
    return slot != NoAtom && AtomInUse(w, slot);
}

// `self` touched `other` of its colour in this collision pass. The second touch marks the block and both
// blocks it touches: the middle of three in a row or an L.
void NoteTouch(PhysicsWorld& w, int self, int other) {
    Atom& a = w.atoms[self];
    const uint16_t id = static_cast<uint16_t>(other);
    if (!SlotTaken(w, a.touch[0])) {
        a.touch[0] = id;
        return;
    }
    // Two blocks alone never make a group, however often they touch.
    if (a.touch[0] == id || SlotTaken(w, a.touch[1])) return;
    a.touch[1] = id;
    Mark(w, static_cast<uint32_t>(self));
    Mark(w, a.touch[0]);
    Mark(w, a.touch[1]);
}

// Removal as in the other programs: the mark's time is up, or the sweep line passes a marked block.
bool DueForRemoval(const PhysicsWorld& w, const Atom& a, bool sweepEnabled) {
    if (A_FREEZE_ACTIVE_TIME >= 0 || !sweepEnabled) {
        // A block nobody marked or timed is never due, even with a tuned time of 0 or below.
        if (!a.marked && a.markTime == 0) return false;
        return a.markTime >= A_FREEZE_ACTIVE_TIME;
    }
    return a.marked && std::fabs(a.y - w.sweepLineY) < SweepReach;
}

// Step 1 of the pass: marks age while their colour counts as active, and a mark that is already due
// (a crash sets it so) freezes the block instead. Then every block outside the player's piece grows its
// ice, marked or not, and a coloured block whose ice is old enough freezes, mark or no mark; a frozen
// block keeps ageing its ice.
void AgeAndFreeze(CubesState& s, PhysicsWorld& w, int32_t ms) {
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        if (a.marked) {
            if (a.markTime < A_FREEZE_ACTIVE_TIME) {
                a.markTime += ms;
                if (ValidColour(a.colour)) s.colourActive[a.colour] = 1;
            } else if (A_FREEZE_ACTIVE_TIME >= 0) {
                FreezeAtom(w, i);
            } else if (ValidColour(a.colour)) {
                // With the sweep line (a negative time) a marked block waits for the line.
                s.colourActive[a.colour] = 1;
            }
        }
        // A setting of 0 or below switches freezing off.
        if (A_FREEZE_TIME <= 0) continue;
        const bool frozen = a.colour == NoColour || a.snapping;
        if (!frozen && static_cast<int64_t>(a.iceAge) > static_cast<int64_t>(A_FREEZE_TIME)) {
            FreezeAtom(w, i);
        } else if (!DetailContains(w, i) && a.iceAge < UINT32_MAX - static_cast<uint32_t>(ms)) {
            a.iceAge += static_cast<uint32_t>(ms);
        }
    }
}

// Step 2: the finished blocks vanish. No points per block: their colour's batch is scored afterwards.
void RemoveFinished(GameState& g, CubesState& s, PhysicsWorld& w, bool sweepEnabled) {
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        // A bonus block's blast may already have taken this one.
        if (a.flags & FreeSlot) continue;
        if (!DueForRemoval(w, a, sweepEnabled)) continue;
        a.marked = 0;
        a.markTime = 0;
        const float x = a.x;
        int order = 0;
        if (ValidColour(a.colour)) {
            s.lastX[a.colour] = a.x;
            s.lastY[a.colour] = a.y;
            // The count runs on until the batch is scored, so a batch's ghosts follow one another.
            order = w.colourRemovals[a.colour]++;
        }
        RemoveAtom(w, i, order);

        const int sound =
            (g.removalSoundIndex >= 0 && g.removalSoundIndex < RemovalSoundCount) ? g.removalSoundIndex : 0;
        PlayRemovalSound(sound, RemovalSoundVolume, GlassPan(w, x));
        g.removalSoundIndex = sound + 1 < RemovalSoundCount ? sound + 1 : 0;
        ++w.atomsRemoved;
        ++g.removals;
    }
}

// Step 3: a colour's batch is scored once the colour has no marked block left, or early when it is
// already large; one or two vanished blocks wait for the colour's next batch.
void ScoreBatches(CubesState& s, PhysicsWorld& w) {
    for (int k = 0; k < CubesColourCount; ++k) {
        const int32_t blocks = w.colourRemovals[k];
        const bool due = s.colourActive[k] ? blocks > GroupActiveBlocks : blocks > GroupMinBlocks;
        if (!due) continue;
        uint16_t kind = 0;
        const int32_t points = GroupPoints(blocks, &kind);
        AddFloatingText(w, s.lastX[k], s.lastY[k], kind, nullptr);
        if (points == GroupTopPoints) {
            AddFloatingText(w, s.lastX[k], s.lastY[k], TextGroupTop, nullptr);
        }
        AddScore(w, points);
        w.colourRemovals[k] = 0;
    }
}

}  // namespace

void InstallCubesRules(PhysicsWorld& w) {
    w.hooks.variant = VariantCubes;
    w.hooks.contactHook = CubesContactHook;
    w.hooks.rulePass = CubesRulePass;
    // The rule pass removes and scores in its own way.
    w.hooks.removalPass = nullptr;
}

bool CubesControlFrame(GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    return CubesControlFrameAt(g, w, Buttons(), NowMs(), frameMs);
}

bool CubesControlFrameAt(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t nowMs, uint64_t frameMs) {
    // Once the game is over the glass is only watched while the cover fades in.
    if (!g.gameOver) {
        KeyboardControlFrame(g, w, buttons, frameMs);
        CreateDumpedPieces(g, w, nowMs, (buttons & ButtonAction) != 0, DrawCubesColours);
    }
    return VisionModeFrame(g, w);
}

void DrawCubesColours(int tutorialStep, uint8_t colours[4]) {
    const int wanted = tutorialStep == CubesThreeColourStep ? CubesMinColours : A_AVAILABLE_COLORS;
    const int n = std::clamp(wanted, CubesMinColours, CubesColourCount);
    for (int k = 0; k < 4; ++k) colours[k] = static_cast<uint8_t>(std::rand() % n);
}

void CubesContactHook(PhysicsWorld& w, int i, int j) {
    if (!AtomInUse(w, static_cast<uint32_t>(i)) || !AtomInUse(w, static_cast<uint32_t>(j)) || i == j) return;
    NoteTouch(w, i, j);
    NoteTouch(w, j, i);

    // The player's piece passes a mark on to a block of its colour it touches, and takes one up.
    if (!DetailContains(w, i) && !DetailContains(w, j)) return;
    Atom& a = w.atoms[i];
    Atom& b = w.atoms[j];
    if (a.marked == b.marked) return;
    Atom& other = a.marked ? b : a;
    other.marked = 1;
    other.markTime = 0;
}

void CubesRulePass(GameState& g, CubesState& s, PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled) {
    for (uint8_t& active : s.colourActive) active = 0;
    AgeAndFreeze(s, w, Milliseconds(frameMs));
    RemoveFinished(g, s, w, sweepEnabled);
    ScoreBatches(s, w);
}

void CubesRulePass(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled) {
    CubesRulePass(game, cubes, w, frameMs, sweepEnabled);
}

void FreezeAtom(PhysicsWorld& w, int index) {
    if (!AtomInUse(w, static_cast<uint32_t>(index))) return;
    Atom& a = w.atoms[index];
    a.marked = 0;
    a.markTime = 0;
    a.colour = NoColour;
    a.snapping = 1;
    // Whole ice from the first frame on its way into the grid (the grid sets it again when it locks).
    a.hitsLeft = A_DEAD_HITS;
    const uint16_t id = static_cast<uint16_t>(index);
    for (Link& l : w.links) {
        if (l.flags & FreeSlot) continue;
        if (l.atomA == id || l.atomB == id || l.keeper == id) l.flags |= FreeSlot;
    }
    for (uint16_t& d : w.detailAtoms) {
        if (d == id) d = NoAtom;
    }
}

int32_t GroupPoints(int32_t blocks, uint16_t* kind) {
    uint16_t shown = 0;
    int32_t points = 0;
    if (blocks > 9) {
        points = GroupTopPoints;
    } else if (blocks >= 3) {
        shown = GroupTable[blocks - 3].kind;
        points = GroupTable[blocks - 3].points;
    }
    if (kind != nullptr) *kind = shown;
    return points;
}

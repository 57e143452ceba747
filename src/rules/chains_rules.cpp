// The rules of chains: linking touching blocks of one colour, the pieces, the controls and the low bar.
#include "rules/chains_rules.h"

#include <algorithm>
#include <cstdlib>

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/chain_pass.h"
#include "rules/game.h"
#include "rules/keyboard_control.h"
#include "rules/tuning.h"

namespace {

// Colours a piece can be drawn from, and the tutorial's last step, which plays with three.
constexpr int MinColours = 3;
constexpr int MaxColours = 9;
constexpr int TutorialThreeColourStep = 12;

// Notes `other` in the first free of the atom's two touch slots.
void NoteTouch(Atom& a, int other) {
    if (a.touch[0] == NoAtom) {
        a.touch[0] = static_cast<uint16_t>(other);
    } else if (a.touch[1] == NoAtom) {
        a.touch[1] = static_cast<uint16_t>(other);
    }
}


// The sweep line does not change how chains are found.
void ChainsRulePass(PhysicsWorld& w, uint64_t frameMs, bool) {
    ChainPass(w, frameMs);
}

}  // namespace

void InstallChainsRules(PhysicsWorld& w) {
    w.hooks.variant = VariantChains;
    w.hooks.contactHook = ChainsContactHook;
    w.hooks.rulePass = ChainsRulePass;
    w.hooks.removalPass = RemovalPass;
    // The first game of a run starts from the start screen, not from NewGame: without this its bar would
    // start empty and the game would end in its first frame.
    w.barEnergy = A_DEFAULT_BAR_CAP;
}

bool ChainsControlFrame(GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    return ChainsControlFrameAt(g, w, Buttons(), NowMs(), frameMs);
}

bool ChainsControlFrameAt(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t nowMs, uint64_t frameMs) {
    // Once the game is over the glass is only watched while the cover fades in.
    if (!g.gameOver) {
        UpdateLowBarWarning(g, w, frameMs);
        KeyboardControlFrame(g, w, buttons, frameMs);
        CreateDumpedPieces(g, w, nowMs, (buttons & ButtonAction) != 0, DrawChainsColours);
    }
    return VisionModeFrame(g, w);
}

bool SameChain(const PhysicsWorld& w, int a, int b) {
    int previous = -1;
    int current = a;
    for (int steps = 0; steps < MaxChainWalk; ++steps) {
        const int next = NextAlongChain(w, current, previous);
        if (next < 0) return false;  // the far end of a's chain, and b was not on the way
        if (next == b) return true;
        previous = current;
        current = next;
    }
    // No end within the whole pool: a ring, which a chain never is. Joining it would only make it worse.
    return true;
}

bool TryConnect(PhysicsWorld& w, int a, int b) {
    if (a == b || !AtomInUse(w, static_cast<uint32_t>(a)) || !AtomInUse(w, static_cast<uint32_t>(b))) {
        return false;
    }
    Atom& atomA = w.atoms[a];
    Atom& atomB = w.atoms[b];
    NoteTouch(atomA, b);
    NoteTouch(atomB, a);

    // At most two neighbours each, and never a ring: two ends join only across different chains.
    const uint32_t ca = ChainNeighbours(atomA);
    const uint32_t cb = ChainNeighbours(atomB);
    bool join = (ca == 0 && cb < 2) || (cb == 0 && ca < 2);
    if (!join && ca == 1 && cb == 1) join = !SameChain(w, a, b);
    if (!join) return false;
    Connect(w, a, b, static_cast<uint32_t>(NowMs()));
    return true;
}

void Connect(PhysicsWorld& w, int a, int b, uint32_t nowMs) {
    CreateLink(w, b, a, -1, true, PH_SPRING_ELASTICITY, false);
    Atom& atomA = w.atoms[a];
    Atom& atomB = w.atoms[b];
    if (atomA.neighbourCount < 2) atomA.neighbour[atomA.neighbourCount++] = static_cast<uint32_t>(b);
    if (atomB.neighbourCount < 2) atomB.neighbour[atomB.neighbourCount++] = static_cast<uint32_t>(a);
    atomA.connectTime = nowMs;
    atomB.connectTime = nowMs;
    atomA.connectedFlag = 1;
    atomB.connectedFlag = 1;
    // A block that joins a chain on its way out goes with it.
    if (atomA.marked || atomB.marked) {
        const int32_t markTime = std::max(atomA.markTime, atomB.markTime);
        atomA.marked = 1;
        atomB.marked = 1;
        atomA.markTime = markTime;
        atomB.markTime = markTime;
    }
}

void ChainsContactHook(PhysicsWorld& w, int i, int j) {
    TryConnect(w, i, j);
}

void DrawChainsColours(int tutorialStep, uint8_t colours[4]) {
    const int wanted = tutorialStep == TutorialThreeColourStep ? MinColours : A_AVAILABLE_COLORS;
    const int n = std::clamp(wanted, MinColours, MaxColours);
    const int p0 = std::rand() % n;
    int p1 = std::rand() % n;
    while (p1 == p0) p1 = std::rand() % n;
    const uint8_t pair[2] = {static_cast<uint8_t>(p0), static_cast<uint8_t>(p1)};
    // A piece always brings both colours among its first three blocks.
    do {
        for (int k = 0; k < 3; ++k) colours[k] = pair[std::rand() % 2];
    } while (colours[0] == colours[1] && colours[1] == colours[2]);
    colours[3] = pair[std::rand() % 2];
}

void UpdateLowBarWarning(GameState& g, const PhysicsWorld& w, uint64_t frameMs) {
    if (!(w.barEnergy < LowBarLevel)) {
        g.lowBarMs = -1;
        return;
    }
    if (g.lowBarMs < 0) {
        // The first frame of a low period.
        PlayLowBarSound();
        g.lowBarMs = 0;
        return;
    }
    g.lowBarMs += static_cast<int32_t>(frameMs);
}

bool LowBarWarningLit(const GameState& g) {
    return g.lowBarMs >= 0 && (g.lowBarMs / LowBarBlinkMs) % 2 == 0;
}

// The rules of shapes: pieces on request, grabbing and swapping colours, uniform pieces, mistakes.
#include "rules/shapes_rules.h"

#include <algorithm>
#include <cstdlib>

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/chain_pass.h"
#include "rules/game.h"
#include "rules/pieces.h"
#include "rules/tuning.h"

namespace {

// Colours a piece can be drawn from: at least three (a piece needs three distinct ones), at most as many
// as there are block pictures.
constexpr int MinColours = 3;
constexpr int MaxColours = 9;
// The tutorial's last step plays with three colours.
constexpr int TutorialThreeColourStep = 12;
// Floating texts of a swap appear this far above the two blocks' midpoint (px).
constexpr float SwapTextRise = 24.0f;

// Tutorial steps in which new pieces may come (-1 is normal play).
bool StepAllowsPieces(int step) {
    return step == -1 || step == 2 || step == 4 || step == 6 || step == 8 || step == 10 || step == 12;
}
// Tutorial steps in which a double click asks for a piece.
bool StepAllowsRequests(int step) {
    return step == -1 || step == 2 || step == 4;
}

int RandomBelow(int n) {
    return std::rand() % n;
}

// A grab or swap index from the world, or -1 when it names no atom in use.
int CheckedAtom(const PhysicsWorld& w, int32_t index) {
    return AtomInUse(w, static_cast<uint32_t>(index)) ? index : -1;
}

// The colour the atom shows in a test where up to two atoms take other colours.
struct ColourSwap {
    int atom;
    uint8_t colour;
};
uint8_t ColourOf(const PhysicsWorld& w, int atom, const ColourSwap& s1, const ColourSwap& s2) {
    if (atom == s1.atom) return s1.colour;
    if (atom == s2.atom) return s2.colour;
    return w.atoms[atom].colour;
}

// Walks the piece of `atom`: every member in use must show the colour of the member before it. A piece
// with no member left is not uniform (the level-start row has none).
bool UniformWith(const PhysicsWorld& w, int atom, const ColourSwap& s1, const ColourSwap& s2) {
    if (!AtomInUse(w, static_cast<uint32_t>(atom))) return false;
    int members = 0;
    uint8_t previous = 0;
    for (uint16_t m : w.atoms[atom].detailMembers) {
        if (m == NoAtom || !AtomInUse(w, m)) continue;
        const uint8_t colour = ColourOf(w, m, s1, s2);
        if (members > 0 && colour != previous) return false;
        previous = colour;
        ++members;
    }
    return members > 0;
}

bool SamePiece(const PhysicsWorld& w, int a, int b) {
    for (uint16_t m : w.atoms[a].detailMembers) {
        if (m == b) return true;
    }
    return false;
}

void MarkPiece(PhysicsWorld& w, int atom) {
    for (uint16_t m : w.atoms[atom].detailMembers) {
        if (m == NoAtom || !AtomInUse(w, m)) continue;
        Atom& a = w.atoms[m];
        a.marked = 1;
        a.markTime = 0;
        a.points = A_DEFAULT_ATOM2POINTS;
    }
    w.matchedThisStep = 1;
}

void StartFlash(Atom& a) {
    a.colourFlash = 1;
    a.flashTime = 0;
}

}  // namespace

void InstallShapesRules(PhysicsWorld& w) {
    w.hooks.variant = VariantShapes;
    w.hooks.contactHook = nullptr;
    w.hooks.rulePass = ShapesRulePass;
    w.hooks.removalPass = RemovalPass;
}

bool ShapesControlFrame(GameState& g, PhysicsWorld& w, uint64_t) {
    CreateShapesPieces(g, w, NowMs());
    const bool sweepEnabled = VisionModeFrame(g, w);
    ShapesMouseFrame(g, w, input);
    return sweepEnabled;
}

void TutorialPieceOverride(int tutorialStep, int pieceRequests, int* kind, uint8_t colours[4]) {
    // The tutorial's pieces are fixed so that its pointers name the right blocks: the first two make the
    // swap of blocks 3 and 0 complete both; the four of step 6 (counted down by the requests left) set up
    // the failed swap of 2 and 5 and the three successful ones that follow.
    struct FixedPiece {
        int kind;
        int count;
        uint8_t colours[4];
    };
    FixedPiece piece{};
    if (tutorialStep == 3) {
        piece = {PieceCorner, 3, {0, 2, 2, 0}};
    } else if (tutorialStep == 5) {
        piece = {PieceBar, 3, {2, 0, 0, 0}};
    } else if (tutorialStep == 6 && pieceRequests == 3) {
        piece = {PieceCorner, 3, {0, 1, 2, 0}};
    } else if (tutorialStep == 6 && pieceRequests == 2) {
        piece = {PieceSquare, 4, {2, 0, 0, 1}};
    } else if (tutorialStep == 6 && pieceRequests == 1) {
        piece = {PieceCorner, 3, {1, 2, 0, 0}};
    } else if (tutorialStep == 6 && pieceRequests == 0) {
        piece = {PieceBar, 3, {2, 0, 0, 0}};
    } else {
        return;
    }
    *kind = piece.kind;
    for (int i = 0; i < piece.count; ++i) colours[i] = piece.colours[i];
}

void DrawShapesPiece(int tutorialStep, int* kind, uint8_t colours[4]) {
    const int wanted = tutorialStep == TutorialThreeColourStep ? MinColours : A_AVAILABLE_COLORS;
    const int n = std::clamp(wanted, MinColours, MaxColours);
    const int p0 = RandomBelow(n);
    int p1 = RandomBelow(n);
    while (p1 == p0) p1 = RandomBelow(n);
    int p2 = RandomBelow(n);
    while (p2 == p0 || p2 == p1) p2 = RandomBelow(n);

    *kind = RandomBelow(3);
    if (tutorialStep == 3) *kind = PieceCorner;
    if (tutorialStep == 5) *kind = PieceBar;

    // The chance of a mixed piece is drawn after the colours; a setting of 0 or below means pieces are
    // never mixed (and nothing is divided by it).
    if (*kind == PieceSquare) {
        // Two corners of one colour, two of another; mixed, three share a colour.
        const int i = RandomBelow(4);
        int j = RandomBelow(4);
        while (j == i) j = RandomBelow(4);
        int others[2] = {0, 0};
        int k = 0;
        for (int c = 0; c < 4; ++c) {
            if (c == i || c == j) {
                colours[c] = static_cast<uint8_t>(p0);
            } else {
                colours[c] = static_cast<uint8_t>(p1);
                others[k++] = c;
            }
        }
        if (A_R1 > 0 && RandomBelow(A_R1) == 0) {
            const int first[2] = {i, j};
            const int into = first[RandomBelow(2)];
            colours[into] = colours[others[RandomBelow(2)]];
        }
        return;
    }
    // Three blocks of three colours; mixed, two share a colour.
    const int drawn[3] = {p0, p1, p2};
    const int c0 = drawn[RandomBelow(3)];
    int c1 = drawn[RandomBelow(3)];
    while (c1 == c0) c1 = drawn[RandomBelow(3)];
    int c2 = drawn[RandomBelow(3)];
    while (c2 == c0 || c2 == c1) c2 = drawn[RandomBelow(3)];
    colours[0] = static_cast<uint8_t>(c0);
    colours[1] = static_cast<uint8_t>(c1);
    colours[2] = static_cast<uint8_t>(c2);
    colours[3] = static_cast<uint8_t>(c0);
    if (A_R1 > 0 && RandomBelow(A_R1) == 0) {
        const int a = std::rand();
        int b = std::rand();
        while (b % 3 == a % 3) b = std::rand();
        colours[a % 3] = colours[b % 3];
    }
}

void CreateShapesPieces(GameState& g, PhysicsWorld& w, uint64_t nowMs) {
    if (g.pieceRequests <= 0 && g.specialsToCreate <= 0) return;
    if (!w.detailInside) return;
    if (!StepAllowsPieces(g.tutorialStep)) return;
    const uint32_t now = static_cast<uint32_t>(nowMs);
    if (now - g.lastSpawnTime <= PieceIntervalMs) return;

    const TakenPiece taken = TakePiece(g);

    std::srand(now);
    int kind = PieceCorner;
    uint8_t colours[4] = {0, 0, 0, 0};
    DrawShapesPiece(g.tutorialStep, &kind, colours);
    TutorialPieceOverride(g.tutorialStep, g.pieceRequests, &kind, colours);
    PlacePiece(g, w, taken, kind, colours, now);
}

int FindGrabbedAtom(const PhysicsWorld& w) {
    const float tx = w.mouseTarget[0];
    const float ty = w.mouseTarget[1];
    const float first2 = GrabFirstDistance * GrabFirstDistance;
    const float nearest2 = GrabNearestDistance * GrabNearestDistance;
    int nearest = -1;
    float best = nearest2;
    for (int i = 0; i < MaxAtoms; ++i) {
        const Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        const float dx = a.x - tx;
        const float dy = a.y - ty;
        const float d2 = dx * dx + dy * dy;
        if (d2 < first2) return i;
        if (d2 < best) {
            best = d2;
            nearest = i;
        }
    }
    return nearest;
}

bool PieceUniform(const PhysicsWorld& w, int atom, int swapped, uint8_t swappedColour) {
    return UniformWith(w, atom, {swapped, swappedColour}, {-1, 0});
}

int UniformAfterSwap(const PhysicsWorld& w, int a, int b) {
    if (!AtomInUse(w, static_cast<uint32_t>(a)) || !AtomInUse(w, static_cast<uint32_t>(b))) return 0;
    const ColourSwap sa{a, w.atoms[b].colour};
    const ColourSwap sb{b, w.atoms[a].colour};
    int uniform = UniformWith(w, a, sa, sb) ? 1 : 0;
    // Two blocks of one piece change only that piece.
    if (!SamePiece(w, a, b) && UniformWith(w, b, sa, sb)) ++uniform;
    return uniform;
}

void ReleaseGrabbedAtom(GameState& g, PhysicsWorld& w) {
    const int a = CheckedAtom(w, w.grabbedAtom);
    const int b = CheckedAtom(w, w.swapTarget);
    w.grabbedAtom = -1;
    w.swapTarget = -1;
    if (a < 0 || b < 0 || a == b) return;

    PlaySwapSound();
    Atom& grabbed = w.atoms[a];
    Atom& target = w.atoms[b];
    const int uniform = UniformAfterSwap(w, a, b);
    grabbed.savedColour = target.colour;
    target.savedColour = grabbed.colour;
    const float mx = (grabbed.x + target.x) * 0.5f;
    const float my = (grabbed.y + target.y) * 0.5f;
    const bool success = uniform > 0;
    if (uniform == 2) {
        AddFloatingText(w, mx, my - SwapTextRise, TextDouble, nullptr);
        AddScore(w, DoubleSwapPoints);
        g.shapesOnBoard -= 2;
    } else if (uniform == 1) {
        g.shapesOnBoard -= 1;
    }
    // With no mistakes left a failed swap does not happen at all.
    if (g.mistakesAllowed > 0 || success) {
        StartFlash(grabbed);
        StartFlash(target);
    }
    if (success) {
        g.moves += 1;
        g.streak += 1;
        g.pieceRequests = 0;
        g.failStreak = 0;
        if (g.streak >= 2) {
            AddFloatingText(w, mx, my - (uniform == 2 ? 2.0f : 1.0f) * SwapTextRise, TextStreak, nullptr);
        }
        return;
    }
    // Failed swaps still waiting to be taken off count as used.
    if (g.mistakesAllowed - g.pendingMistakes <= 0) {
        g.gameOver = true;
        g.pieceRequests = 0;
        return;
    }
    g.pendingMistakes += 1;
    g.mistakeBlinkMs = 0;
    g.pieceRequests = 1;
    g.bestStreak = std::max(g.bestStreak, g.streak);
    g.failStreak += 1;
    g.streak = 0;
    AddFloatingText(w, mx, my - SwapTextRise, TextBadSwap, nullptr);
}

void ShapesMouseFrame(GameState& g, PhysicsWorld& w, const InputState& in) {
    SetMouseTarget(w, static_cast<float>(in.mouseX), static_cast<float>(in.mouseY));
    w.grabbedAtom = CheckedAtom(w, w.grabbedAtom);
    w.swapTarget = CheckedAtom(w, w.swapTarget);
    const bool held = (in.mouseButtons[0] & 0x80) != 0;
    g.swapAllowed = 1;
    if (held) {
        if (w.grabbedAtom < 0) w.grabbedAtom = FindGrabbedAtom(w);
        if (w.grabbedAtom >= 0 && w.swapTarget >= 0) {
            const bool completes = UniformAfterSwap(w, w.grabbedAtom, w.swapTarget) > 0;
            g.swapAllowed = (completes || g.mistakesAllowed >= 1) ? 1 : 0;
        }
    } else if (w.grabbedAtom >= 0) {
        ReleaseGrabbedAtom(g, w);
    }
    if (in.doubleClick && StepAllowsRequests(g.tutorialStep)) g.pieceRequests += 1;
}

void ShapesRulePass(PhysicsWorld& w, uint64_t frameMs, bool) {
    const int32_t ms = static_cast<int32_t>(frameMs);
    const ColourSwap none{-1, 0};
    w.matchedThisStep = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        if (a.marked) {
            a.markTime += ms;
        } else if (UniformWith(w, i, none, none)) {
            MarkPiece(w, i);
        }
    }
    // A flash shows the old colour for a second, then the swapped colour takes over.
    for (Atom& a : w.atoms) {
        if ((a.flags & FreeSlot) || !a.colourFlash) continue;
        if (a.flashTime > ColourFlashMs) {
            a.colourFlash = 0;
            a.colour = a.savedColour;
        }
        a.flashTime += static_cast<uint32_t>(frameMs);
    }
    ChainPass(w, frameMs);
}

void UpdateMistakesCounter(GameState& g, uint64_t frameMs) {
    if (g.mistakeBlinkMs < 0) return;
    if (g.mistakeBlinkMs < MistakeBlinkMs) g.mistakeBlinkMs += static_cast<int32_t>(frameMs);
    if (g.mistakeBlinkMs > MistakeSubtractMs) {
        g.mistakesAllowed -= g.pendingMistakes;
        g.pendingMistakes = 0;
        g.mistakeBlinkMs = -1;
    }
}

bool MistakesCounterVisible(const GameState& g) {
    return g.mistakeBlinkMs < 0 || (g.mistakeBlinkMs / 200) % 2 == 0;
}

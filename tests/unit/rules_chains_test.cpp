// Chains: linking touching blocks into open chains, the chain pass (listing, marking, points, records,
// the control boost), the keyboard control and the dumping of pieces shared with cubes, the low bar.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/chain_pass.h"
#include "rules/chains_rules.h"
#include "rules/game.h"
#include "rules/keyboard_control.h"
#include "rules/pieces.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;

class RulesChains : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(StartMs);
        w = std::make_unique<PhysicsWorld>();
        ResetWorld(*w);
        InstallChainsRules(*w);
        g = GameState{};
        g.tutorialStep = -1;
        g.lastSpawnTime = static_cast<uint32_t>(StartMs);
    }
    void TearDown() override {
        SetFixedClock(false);
        ResetTuningToDefaults();
    }
    int Atom(float x, float y, uint8_t colour = 1) { return CreateAtom(*w, x, y, colour); }
    // A chain of n atoms in a row, linked one after another; returns the first index.
    int Chain(int n, float y = 200.0f, float x0 = 20.0f) {
        int first = -1;
        int previous = -1;
        for (int k = 0; k < n; ++k) {
            const int a = Atom(x0 + 10.0f * static_cast<float>(k), y);
            if (first < 0) first = a;
            if (previous >= 0) Connect(*w, previous, a, 0);
            previous = a;
        }
        return first;
    }
    int MarkedCount() const {
        int n = 0;
        for (const ::Atom& a : w->atoms) n += (!(a.flags & FreeSlot) && a.marked) ? 1 : 0;
        return n;
    }
    int PlayerLinks() const {
        int n = 0;
        for (const Link& l : w->links) n += (!(l.flags & FreeSlot) && l.playerMade) ? 1 : 0;
        return n;
    }

    std::unique_ptr<PhysicsWorld> w;
    GameState g;
};

TEST_F(RulesChains, TwoTouchingSinglesOfOneColourLinkInTheStep) {
    // Side by side on the floor, closer than a block: the collision pass's hook links them.
    const int a = Atom(100, 270, 2);
    const int b = Atom(120, 270, 2);
    const int other = Atom(200, 270, 3);
    const int stranger = Atom(219, 270, 4);
    StepWorld(*w, 16, false);

    EXPECT_EQ(w->atoms[a].neighbourCount, 1u);
    EXPECT_EQ(w->atoms[a].neighbour[0], static_cast<uint32_t>(b));
    EXPECT_EQ(w->atoms[b].neighbour[0], static_cast<uint32_t>(a));
    EXPECT_EQ(w->atoms[other].neighbourCount, 0u);  // different colours never link
    EXPECT_EQ(w->atoms[stranger].neighbourCount, 0u);
    EXPECT_EQ(PlayerLinks(), 1);
    EXPECT_EQ(w->chainCount, 1u);
    EXPECT_EQ(w->chainLengths[0], 2u);
    // Connected in this step: the pass reports it once and clears the flags.
    EXPECT_TRUE(LastChainReport().newConnection);
    EXPECT_EQ(LastChainReport().length, 2u);
    EXPECT_EQ(w->atoms[a].connectedFlag, 0);
    StepWorld(*w, 16, false);
    EXPECT_FALSE(LastChainReport().newConnection);
    EXPECT_EQ(PlayerLinks(), 1);  // touching again does not link twice
}

TEST_F(RulesChains, ConnectMakesASoftLinkAtThePresentDistance) {
    const int a = Atom(100, 200);
    const int b = Atom(100, 221);
    ASSERT_TRUE(TryConnect(*w, a, b));
    const Link* link = nullptr;
    for (const Link& l : w->links) {
        if (!(l.flags & FreeSlot)) link = &l;
    }
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->atomA, b);
    EXPECT_EQ(link->atomB, a);
    EXPECT_EQ(link->keeper, NoAtom);
    EXPECT_EQ(link->playerMade, 1);
    EXPECT_FLOAT_EQ(link->stiffness, PH_SPRING_ELASTICITY);
    EXPECT_FLOAT_EQ(link->restLenSq, 441.0f);
    EXPECT_EQ(w->atoms[a].connectTime, static_cast<uint32_t>(StartMs));
    EXPECT_EQ(w->atoms[b].connectedFlag, 1);
    // Each notes the other in its first free touch slot.
    EXPECT_EQ(w->atoms[a].touch[0], b);
    EXPECT_EQ(w->atoms[b].touch[0], a);
    const int c = Atom(300, 200);
    TryConnect(*w, a, c);
    EXPECT_EQ(w->atoms[a].touch[1], c);
}

TEST_F(RulesChains, AThirdBlockJoinsAtAnEndButNotInTheMiddle) {
    const int first = Chain(3);  // first, first+1, first+2
    const int middle = first + 1;
    const int single = Atom(40, 180);
    EXPECT_FALSE(TryConnect(*w, single, middle));
    EXPECT_EQ(w->atoms[middle].neighbourCount, 2u);
    EXPECT_EQ(w->atoms[single].neighbourCount, 0u);
    EXPECT_TRUE(TryConnect(*w, first + 2, single));
    EXPECT_EQ(w->atoms[first + 2].neighbourCount, 2u);
    ChainPass(*w, 16);
    ASSERT_EQ(w->chainCount, 1u);
    EXPECT_EQ(w->chainLengths[0], 4u);
}

TEST_F(RulesChains, TheTwoEndsOfOneChainNeverJoinButEndsOfTwoChainsDo) {
    const int a = Chain(3);
    EXPECT_FALSE(TryConnect(*w, a, a + 2));
    EXPECT_FALSE(TryConnect(*w, a + 2, a));
    const int pair = Chain(2, 150);
    EXPECT_FALSE(TryConnect(*w, pair, pair + 1));  // already neighbours: a ring of two
    EXPECT_EQ(PlayerLinks(), 3);
    EXPECT_TRUE(TryConnect(*w, a + 2, pair));
    EXPECT_EQ(PlayerLinks(), 4);
    ChainPass(*w, 16);
    ASSERT_EQ(w->chainCount, 1u);
    EXPECT_EQ(w->chainLengths[0], 5u);
}

TEST_F(RulesChains, ALongChainIsListedAsSixteenFromEachEnd) {
    A_LINE_LEN = 30;  // listing only
    const int first = Chain(20);
    ChainPass(*w, 16);
    ASSERT_EQ(w->chainCount, 2u);
    EXPECT_EQ(w->chainLengths[0], 16u);
    EXPECT_EQ(w->chainLengths[1], 16u);
    EXPECT_EQ(w->chainAtomCount, 32u);
    // Entries in chain order, in screen pixels; the second walk starts at the far end.
    for (int k = 0; k < 16; ++k) {
        EXPECT_FLOAT_EQ(w->chainAtoms[k].x, w->atoms[first + k].x + 96.0f);
        EXPECT_FLOAT_EQ(w->chainAtoms[k].y, w->atoms[first + k].y - 48.0f);
    }
    EXPECT_FLOAT_EQ(w->chainAtoms[16].x, w->atoms[first + 19].x + 96.0f);
    EXPECT_EQ(MarkedCount(), 0);
}

TEST_F(RulesChains, ChainRecordsNeverOverrunWhenManyLongChainsAreWalkedTwice) {
    // 15 chains of 17 blocks fill 255 slots; walked from both ends they list 480 entries.
    A_LINE_LEN = 30;
    for (int c = 0; c < 15; ++c) Chain(17, 10.0f + 15.0f * static_cast<float>(c));
    ChainPass(*w, 16);
    EXPECT_LE(w->chainAtomCount, static_cast<uint32_t>(MaxAtoms));
    uint32_t sum = 0;
    for (uint32_t c = 0; c < w->chainCount; ++c) sum += w->chainLengths[c];
    EXPECT_EQ(sum, w->chainAtomCount);
    EXPECT_EQ(w->chainCount, 16u);
}

TEST_F(RulesChains, AChainOfExactlyTheLineLengthScoresFourBlocksAndNoBonus) {
    ASSERT_EQ(A_LINE_LEN, 5);
    const int first = Chain(5);
    const int shorter = Chain(4, 100);
    ChainPass(*w, 16);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(w->atoms[first + k].points, 100);
    EXPECT_EQ(w->atoms[first + 4].points, 0);
    EXPECT_EQ(w->atoms[shorter].marked, 0);
    EXPECT_EQ(MarkedCount(), 5);
    // Removed when their time is up, each multiplied by level + 1.
    g.level = 1;
    ChainPass(*w, static_cast<uint64_t>(A_FREEZE_ACTIVE_TIME));
    RemovalPass(g, *w, 0, false);
    EXPECT_EQ(w->score, 800);
    EXPECT_EQ(w->atomsRemoved, 5u);
    EXPECT_EQ(w->atoms[shorter].flags & FreeSlot, 0u);
}

TEST_F(RulesChains, BlocksBeyondTheLineLengthGiveTheLastBlockItsBonus) {
    A_LINE_BONUS_POINTS_MULT = 20.5f;
    const int first = Chain(7);
    ChainPass(*w, 16);
    EXPECT_EQ(w->atoms[first + 6].points, 41);  // (7 - 5) * 20.5
    EXPECT_EQ(w->atoms[first + 5].points, 100);
    // Marking again does not restart the clock; the pass ages the marked blocks once per frame.
    ChainPass(*w, 16);
    EXPECT_EQ(w->atoms[first].markTime, 32);
}

TEST_F(RulesChains, AnUnmarkedBlockJoiningAMarkedChainLeavesWithIt) {
    const int first = Chain(5);
    ChainPass(*w, 1000);
    ASSERT_EQ(w->atoms[first + 4].markTime, 1000);
    const int late = Atom(80, 180);
    ASSERT_TRUE(TryConnect(*w, late, first + 4));
    EXPECT_EQ(w->atoms[late].marked, 1);
    EXPECT_EQ(w->atoms[late].markTime, 1000);
    ChainPass(*w, static_cast<uint64_t>(A_FREEZE_ACTIVE_TIME) - 1000);
    RemovalPass(g, *w, 0, false);
    EXPECT_EQ(w->atomsRemoved, 6u);
    // The larger mark time wins either way round.
    const int a = Atom(50, 50);
    const int b = Atom(70, 50);
    w->atoms[a].marked = 1;
    w->atoms[a].markTime = 10;
    w->atoms[b].marked = 1;
    w->atoms[b].markTime = 700;
    Connect(*w, a, b, 0);
    EXPECT_EQ(w->atoms[a].markTime, 700);
}

TEST_F(RulesChains, AChainOnThePlayersPieceStrengthensTheControlsOncePerChain) {
    const int first = Chain(3);
    Chain(2, 100);
    w->detailAtoms[0] = static_cast<uint16_t>(first);
    w->detailAtoms[1] = static_cast<uint16_t>(first + 2);
    w->detailCount = 3;
    w->touchMultiplier = 1.0f;
    ChainPass(*w, 16);
    EXPECT_FLOAT_EQ(w->touchMultiplier, 1.3f);
}

TEST_F(RulesChains, OnlyOneNewConnectionIsReportedPerPass) {
    const uint32_t before = LastChainReport().connections;
    Chain(2, 100);
    Chain(3, 200);
    ChainPass(*w, 16);
    EXPECT_TRUE(LastChainReport().newConnection);
    EXPECT_EQ(LastChainReport().length, 2u);
    ChainPass(*w, 16);
    EXPECT_TRUE(LastChainReport().newConnection);
    EXPECT_EQ(LastChainReport().length, 3u);
    ChainPass(*w, 16);
    EXPECT_FALSE(LastChainReport().newConnection);
    EXPECT_EQ(LastChainReport().connections, before + 2);
}

TEST_F(RulesChains, DamagedNeighbourListsNeitherHangNorReachFreedSlots) {
    // A ring a-b-c-a with a tail d hanging on a: no walk may go round forever.
    const int a = Atom(100, 100);
    const int b = Atom(110, 100);
    const int c = Atom(120, 100);
    const int d = Atom(130, 100);
    auto set = [&](int atom, uint32_t count, uint32_t n0, uint32_t n1) {
        w->atoms[atom].neighbourCount = count;
        w->atoms[atom].neighbour[0] = n0;
        w->atoms[atom].neighbour[1] = n1;
    };
    set(a, 2, b, c);
    set(b, 2, a, c);
    set(c, 2, b, a);
    set(d, 1, a, NoNeighbour);
    const int e = Chain(2, 200);
    EXPECT_TRUE(SameChain(*w, d, e));  // no end found: refuse to join
    EXPECT_FALSE(TryConnect(*w, d, e));
    ChainPass(*w, 16);
    EXPECT_LE(w->chainLengths[0], 16u);

    // Neighbours that are gone or were never set end the chain there.
    const int f = Atom(30, 30);
    const int g2 = Atom(50, 30);
    set(f, 1, 250, NoNeighbour);  // a free slot
    set(g2, 2, f, NoNeighbour);
    w->atoms[f].neighbour[0] = static_cast<uint32_t>(g2);
    set(g2, 2, f, 777);  // out of the pool
    ChainPass(*w, 16);
    EXPECT_FALSE(SameChain(*w, f, e));
    const int h = Atom(70, 30);
    set(h, 1, 251, NoNeighbour);
    ChainPass(*w, 16);  // h's only neighbour is a free slot: not a chain
    for (uint32_t k = 0; k < w->chainAtomCount; ++k) EXPECT_NE(w->chainAtoms[k].x, w->atoms[h].x + 96.0f);
}

TEST_F(RulesChains, ChainsColoursAreTwoAndNeverThreeAlike) {
    for (unsigned seed = 1; seed < 400; ++seed) {
        std::srand(seed);
        uint8_t colours[4] = {9, 9, 9, 9};
        DrawChainsColours(-1, colours);
        EXPECT_FALSE(colours[0] == colours[1] && colours[1] == colours[2]) << seed;
        int distinct[16] = {};
        int kinds = 0;
        for (uint8_t c : colours) {
            ASSERT_LT(c, A_AVAILABLE_COLORS);
            if (distinct[c]++ == 0) ++kinds;
        }
        EXPECT_EQ(kinds, 2) << seed;
    }
    std::srand(3);
    uint8_t colours[4] = {};
    A_AVAILABLE_COLORS = 9;
    for (int k = 0; k < 50; ++k) {
        DrawChainsColours(12, colours);  // the tutorial's last step plays with three colours
        for (uint8_t c : colours) EXPECT_LT(c, 3);
    }
}

// A bar of three at (x, y), the player's piece, inside the glass.
void Bar(PhysicsWorld& w, float x, float y, int atoms[MaxPieceAtoms]) {
    const uint8_t colours[4] = {0, 1, 0, 0};
    CreatePiece(w, x, y, PieceBar, colours, atoms);
}

TEST_F(RulesChains, TurningPushesTheFarthestPairApartSidewaysOnlyInside) {
    int atoms[MaxPieceAtoms];
    Bar(*w, 100, 100, atoms);  // ends at x 76 and 124
    const float sf = w->stepFactor;
    w->detailInside = 0;
    TurnDetail(*w, 8);
    EXPECT_FLOAT_EQ(w->atoms[atoms[0]].y, 100);
    w->detailInside = 1;
    TurnDetail(*w, 8);
    const float push = 48.0f * 8.0f * sf;
    EXPECT_FLOAT_EQ(w->atoms[atoms[0]].y, 100 + push);
    EXPECT_FLOAT_EQ(w->atoms[atoms[0]].prevY, 100 + push * 0.5f);
    EXPECT_FLOAT_EQ(w->atoms[atoms[2]].y, 100 - push);
    EXPECT_FLOAT_EQ(w->atoms[atoms[1]].y, 100);
    EXPECT_FLOAT_EQ(w->atoms[atoms[0]].x, 76);

    // A square's two diagonals are equally long: the first pair found (top-left, bottom-right) turns.
    ResetWorld(*w);
    const uint8_t colours[4] = {0, 1, 0, 1};
    CreatePiece(*w, 100, 101, PieceSquare, colours, atoms);
    w->detailInside = 1;
    TurnDetail(*w, 8);
    EXPECT_NE(w->atoms[atoms[0]].x, 100);
    EXPECT_NE(w->atoms[atoms[3]].x, 124);
    EXPECT_FLOAT_EQ(w->atoms[atoms[1]].x, 124);
    EXPECT_FLOAT_EQ(w->atoms[atoms[2]].x, 100);
}

TEST_F(RulesChains, KeyboardPrecedenceAndTheWeakeningThrust) {
    int atoms[MaxPieceAtoms];
    Bar(*w, 100, 100, atoms);
    w->detailInside = 1;
    const float sf = w->stepFactor;
    // Accelerations read back from positions near 100 px (float steps of 8e-6 px, over stepFactor).
    constexpr float Tolerance = 0.05f;
    PH_MOVE_U = 60;
    PH_MOVE_U_MIN = 20;
    PH_MOVE_U_TIME = 1000;
    auto moved = [&](uint32_t buttons, uint64_t ms) {
        const float x = w->atoms[atoms[1]].x;
        const float y = w->atoms[atoms[1]].y;
        KeyboardControlFrame(g, *w, buttons, ms);
        return Point{(w->atoms[atoms[1]].x - x) / sf, (w->atoms[atoms[1]].y - y) / sf};
    };
    Point p = moved(ButtonLeft | ButtonRight, 100);
    EXPECT_NEAR(p.x, -PH_MOVE_VEL, Tolerance);
    p = moved(ButtonUp, 500);
    EXPECT_NEAR(p.y, -60, Tolerance);
    EXPECT_EQ(g.upHeldMs, 500u);
    p = moved(ButtonUp, 500);
    EXPECT_NEAR(p.y, -30, Tolerance);  // half way through PH_MOVE_U_TIME
    p = moved(ButtonUp, 500);
    EXPECT_NEAR(p.y, -20, Tolerance);  // never weaker than PH_MOVE_U_MIN
    p = moved(ButtonUp | ButtonDown, 100);
    EXPECT_NEAR(p.y, PH_MOVE_D, Tolerance);
    moved(0, 16);
    EXPECT_EQ(g.upHeldMs, 0u);
    EXPECT_FALSE(g.upSounded);
    moved(ButtonUp, 16);
    EXPECT_TRUE(g.upSounded);
    // Ctrl wins over Alt: the middle block drifts left by the turn's sideways push.
    p = moved(ButtonCtrl | ButtonAlt, 16);
    EXPECT_NEAR(p.x, -PH_ROTATION_MOVE_LR, Tolerance);
    p = moved(ButtonRight | ButtonAlt, 16);  // the turn's drift replaces the arrow's push
    EXPECT_NEAR(p.x, PH_ROTATION_MOVE_LR, Tolerance);
    const float leftEnd = w->atoms[atoms[0]].y;
    moved(ButtonCtrl, 16);
    EXPECT_GT(w->atoms[atoms[0]].y, leftEnd);  // positive torque turns the left end down
}

TEST_F(RulesChains, SpaceDumpsAtMostOnePieceEvery300Ms) {
    A_DUMP_TIME = -1;
    uint64_t now = StartMs;
    int created = 0;
    for (int f = 0; f < 100; ++f) {  // 1 s of Space held, 10 ms frames
        now += 10;
        const uint32_t before = w->piecesSpawned;
        w->detailInside = 1;
        CreateDumpedPieces(g, *w, now, true, DrawChainsColours);
        created += static_cast<int>(w->piecesSpawned - before);
    }
    EXPECT_EQ(created, 3);  // at 310, 620 and 930 ms
    // Without Space and with a negative dump time nothing comes.
    for (int f = 0; f < 100; ++f) CreateDumpedPieces(g, *w, now += 100, false, DrawChainsColours);
    EXPECT_EQ(created, 3);
    EXPECT_EQ(w->piecesSpawned, 3u);
}

TEST_F(RulesChains, TheDumpClockAddsPiecesOnlyOutsideTheTutorialAndWhenThePieceIsIn) {
    A_DUMP_TIME = 3000;
    w->detailInside = 1;
    CreateDumpedPieces(g, *w, StartMs + 2999, false, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 0u);
    CreateDumpedPieces(g, *w, StartMs + 3000, false, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 1u);
    w->detailInside = 0;
    CreateDumpedPieces(g, *w, StartMs + 9000, true, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 1u);
    w->detailInside = 1;
    g.tutorialStep = 12;
    CreateDumpedPieces(g, *w, StartMs + 9000, false, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 1u);
    g.tutorialStep = 7;
    CreateDumpedPieces(g, *w, StartMs + 9000, true, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 1u);
    g.tutorialStep = 12;
    CreateDumpedPieces(g, *w, StartMs + 9000, true, DrawChainsColours);
    EXPECT_EQ(w->piecesSpawned, 2u);
}

TEST_F(RulesChains, TheLowBarWarnsFromItsFirstFrameAndBlinksEvery140Ms) {
    w->barEnergy = 0.5f;
    UpdateLowBarWarning(g, *w, 16);
    EXPECT_EQ(g.lowBarMs, -1);
    EXPECT_FALSE(LowBarWarningLit(g));
    w->barEnergy = 0.19f;
    UpdateLowBarWarning(g, *w, 16);
    EXPECT_EQ(g.lowBarMs, 0);
    EXPECT_TRUE(LowBarWarningLit(g));
    UpdateLowBarWarning(g, *w, 140);
    EXPECT_FALSE(LowBarWarningLit(g));
    UpdateLowBarWarning(g, *w, 140);
    EXPECT_TRUE(LowBarWarningLit(g));
    w->barEnergy = 0.2f;
    UpdateLowBarWarning(g, *w, 16);
    EXPECT_EQ(g.lowBarMs, -1);
}

TEST_F(RulesChains, TheControlFrameStopsWhenTheGameIsOver) {
    w->detailInside = 1;
    g.gameOver = true;
    ChainsControlFrameAt(g, *w, ButtonAction, StartMs + 1000, 16);
    EXPECT_EQ(w->piecesSpawned, 0u);
    g.gameOver = false;
    ChainsControlFrameAt(g, *w, ButtonAction, StartMs + 1000, 16);
    EXPECT_EQ(w->piecesSpawned, 1u);
    EXPECT_EQ(w->hooks.variant, VariantChains);
}

TEST_F(RulesChains, TheFirstGameOfARunStartsWithItsBarAtTheDefaultCap) {
    // The start screen leads into play without NewGame; the rules' installation fills the bar.
    PhysicsWorld fresh;
    A_DEFAULT_BAR_CAP = 0.4f;
    InstallChainsRules(fresh);
    EXPECT_FLOAT_EQ(fresh.barEnergy, 0.4f);
    GameState first;
    EXPECT_TRUE(UpdateChainsBar(first, fresh, 16));
    EXPECT_FALSE(first.gameOver);
}

}  // namespace

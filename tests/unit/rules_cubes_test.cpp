// Cubes: triples marked on contact, marks passed on by the player's piece, colour batches and their scores,
// freezing, bonus blasts, the colour and bonus draws, and damaged index fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/cubes_rules.h"
#include "rules/game.h"
#include "rules/pieces.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;
constexpr uint64_t FrameMs = 16;

class RulesCubes : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        A_BONUS_PROB = 0;  // no surprise blasts unless a test asks for them
        SetFixedClock(true);
        SetClockMs(StartMs);
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.previousKeys, 0, sizeof input.previousKeys);
        w = std::make_unique<PhysicsWorld>();
        InstallCubesRules(*w);
        ResetWorld(*w);
        game = GameState{};
        game.tutorialStep = -1;
        cubes = CubesState{};
    }
    void TearDown() override {
        SetFixedClock(false);
        ResetTuningToDefaults();
        game = GameState{};
        cubes = CubesState{};
    }

    // A block at rest at (x, y).
    int Block(float x, float y, uint8_t colour) { return CreateAtom(*w, x, y, colour); }
    // A block whose mark is due in the next pass (or later, by `left` ms).
    int Finishing(float x, float y, uint8_t colour, int32_t left = 1) {
        int i = Block(x, y, colour);
        w->atoms[i].marked = 1;
        w->atoms[i].markTime = A_FREEZE_ACTIVE_TIME - left;
        return i;
    }
    void Pass(bool sweep = false) { CubesRulePass(game, cubes, *w, FrameMs, sweep); }
    void Detail(std::initializer_list<int> atoms) {
        int k = 0;
        for (int a : atoms) w->detailAtoms[k++] = static_cast<uint16_t>(a);
        w->detailCount = static_cast<uint8_t>(k);
    }
    void Step() {
        AdvanceClock(FrameMs);
        StepWorld(*w, FrameMs, false);
    }
    bool InUse(int i) const { return AtomInUse(*w, static_cast<uint32_t>(i)); }
    bool Frozen(int i) const { return InUse(i) && w->atoms[i].colour == NoColour && w->atoms[i].snapping; }
    int Texts(uint16_t kind) const {
        int n = 0;
        for (const FloatingText& t : w->floatingTexts) n += (!(t.flags & FreeSlot) && t.kind == kind) ? 1 : 0;
        return n;
    }
    int LiveTexts() const {
        int n = 0;
        for (const FloatingText& t : w->floatingTexts) n += (t.flags & FreeSlot) ? 0 : 1;
        return n;
    }

    std::unique_ptr<PhysicsWorld> w;
};

TEST_F(RulesCubes, ThreeInALineOrAnLAreMarkedInThePassWhereTheMiddleTouchesBoth) {
    struct Shape {
        const char* name;
        float pos[3][2];
    } shapes[2] = {{"line", {{100, 200}, {123, 200}, {146, 200}}}, {"L", {{100, 200}, {100, 223}, {123, 223}}}};
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        ResetWorld(*w);
        int a[3];
        for (int k = 0; k < 3; ++k) a[k] = Block(s.pos[k][0], s.pos[k][1], 4);
        CollideAtoms(*w, false, false);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(w->atoms[a[k]].marked, 1) << k;
            EXPECT_EQ(w->atoms[a[k]].markTime, 0) << k;
        }
    }
}

TEST_F(RulesCubes, TwoBlocksAloneOrAMiddleTouchingAnotherColourAreNotMarked) {
    int a = Block(100, 200, 2), b = Block(123, 200, 2);
    int c = Block(100, 100, 1), d = Block(123, 100, 1), e = Block(146, 100, 3);  // e is another colour
    for (int pass = 0; pass < 6; ++pass) {
        CollideAtoms(*w, false, false);
        CubesContactHook(*w, a, b);  // the same pair twice in one pass is still a pair
    }
    for (int i : {a, b, c, d, e}) EXPECT_EQ(w->atoms[i].marked, 0) << i;
}

TEST_F(RulesCubes, ThePlayersPiecePassesMarksOnAndTakesThemUpWithAFreshTime) {
    int pile = Block(100, 200, 5);
    int piece = Block(123, 200, 5);
    Detail({piece});
    CubesContactHook(*w, pile, piece);
    EXPECT_EQ(w->atoms[pile].marked + w->atoms[piece].marked, 0) << "no mark to pass on";
    w->atoms[pile].marked = 1;
    w->atoms[pile].markTime = 1500;
    CubesContactHook(*w, pile, piece);
    EXPECT_EQ(w->atoms[piece].marked, 1);
    EXPECT_EQ(w->atoms[piece].markTime, 0);
    EXPECT_EQ(w->atoms[pile].markTime, 1500);

    int loose = Block(146, 200, 5);
    w->atoms[piece].markTime = 900;
    CubesContactHook(*w, piece, loose);
    EXPECT_EQ(w->atoms[loose].marked, 1);
    EXPECT_EQ(w->atoms[loose].markTime, 0);

    // Away from the piece a mark does not spread by touch alone.
    int p = Block(50, 100, 1), q = Block(73, 100, 1);
    w->atoms[p].marked = 1;
    CubesContactHook(*w, p, q);
    EXPECT_EQ(w->atoms[q].marked, 0);
}

TEST_F(RulesCubes, FinishedBlocksVanishWithoutPointsAndTheirGhostsQueueAcrossPasses) {
    int a = Finishing(50, 200, 3), b = Finishing(150, 200, 3);
    int waiting = Block(200, 200, 3);
    Pass();
    EXPECT_FALSE(InUse(a));
    EXPECT_FALSE(InUse(b));
    EXPECT_TRUE(InUse(waiting));
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(LiveTexts(), 0);
    EXPECT_EQ(w->atomsRemoved, 2u);
    EXPECT_EQ(game.removals, 2);
    EXPECT_EQ(game.removalSoundIndex, 2);
    EXPECT_EQ(w->colourRemovals[3], 2);  // one or two blocks wait for their colour's next batch
    Pass();
    EXPECT_EQ(w->colourRemovals[3], 2);
    EXPECT_EQ(w->score, 0);

    int c = Finishing(222, 180, 3);
    Pass();
    EXPECT_FALSE(InUse(c));
    int starts[3] = {1, 1, 1}, n = 0;
    for (const RemovalGhost& g : w->removalGhosts)
        if (!(g.flags & FreeSlot) && n < 3) starts[n++] = g.start;
    EXPECT_EQ(n, 3);
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[1], -30);
    EXPECT_EQ(starts[2], -60);
    EXPECT_EQ(w->score, 0) << "its colour was still active in this pass";
    Pass();
    EXPECT_EQ(w->score, 300);
    EXPECT_EQ(w->colourRemovals[3], 0);
    ASSERT_EQ(Texts(0), 1);
    for (const FloatingText& t : w->floatingTexts) {
        if (t.flags & FreeSlot) continue;
        EXPECT_EQ(t.x, 222.0f);  // where the batch's last block vanished
        EXPECT_EQ(t.y, 180.0f);
    }
}

TEST_F(RulesCubes, GroupScoresFollowTheTableAndIgnoreTheLevel) {
    struct Row {
        int blocks;
        int32_t points;
        uint16_t kind;
    } rows[] = {{3, 300, 0},  {4, 500, 1},  {5, 600, 2},    {6, 900, 3},   {7, 1200, 4},
                {8, 1500, 5}, {9, 5000, 6}, {10, 10000, 0}, {11, 10000, 0}, {12, 10000, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.blocks);
        ResetWorld(*w);
        for (int32_t& c : w->colourRemovals) c = 0;
        w->score = 0;
        game.level = 4;
        for (int k = 0; k < r.blocks; ++k) Finishing(static_cast<float>(20 + 20 * k), 200, 6);
        Pass();
        Pass();
        EXPECT_EQ(w->score, r.points);
        EXPECT_EQ(w->colourRemovals[6], 0);
        EXPECT_EQ(Texts(r.kind), 1);
        EXPECT_EQ(Texts(TextGroupTop), r.blocks > 9 ? 1 : 0);
        EXPECT_EQ(LiveTexts(), r.blocks > 9 ? 2 : 1);
    }
    uint16_t kind = 99;
    EXPECT_EQ(GroupPoints(2, &kind), 0);
    EXPECT_EQ(GroupPoints(0, nullptr), 0);
}

TEST_F(RulesCubes, ABatchOfTwelveScoresTenThousandOnceMoreThanTenVanishedAndTheRestStartANewBatch) {
    for (int k = 0; k < 11; ++k) Finishing(static_cast<float>(20 + 20 * k), 200, 0);
    int last = Finishing(120, 150, 0, 2000);
    Pass();
    EXPECT_EQ(w->score, 10000) << "the colour is still active, but more than ten have vanished";
    EXPECT_EQ(Texts(0), 1);
    EXPECT_EQ(Texts(TextGroupTop), 1);
    EXPECT_EQ(w->colourRemovals[0], 0);
    for (int frame = 0; frame < 200 && InUse(last); ++frame) Pass();
    EXPECT_FALSE(InUse(last));
    Pass();
    EXPECT_EQ(w->colourRemovals[0], 1);
    EXPECT_EQ(w->score, 10000) << "one block alone is not a batch";
    Finishing(40, 100, 0);
    Finishing(80, 100, 0);
    Pass();
    Pass();
    EXPECT_EQ(w->score, 10300);
}

TEST_F(RulesCubes, TenVanishedWhileTheColourIsActiveWaitForTheBatchToEnd) {
    for (int k = 0; k < 10; ++k) Finishing(static_cast<float>(20 + 20 * k), 200, 2);
    int last = Finishing(120, 150, 2, 100);
    Pass();
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(w->colourRemovals[2], 10);
    for (int frame = 0; frame < 20 && InUse(last); ++frame) Pass();
    Pass();
    EXPECT_EQ(w->score, 10000);
}

TEST_F(RulesCubes, RestingBlocksFreezeIntoGreyBlocksWithoutLinksAndLockIntoTheGrid) {
    A_FREEZE_TIME = 1000;
    int a = Block(132, 251.5f, 1);
    int b = Block(156, 251.5f, 1);
    int c = Block(180, 251.5f, 2);
    int link = CreateLink(*w, a, b, -1, false, 1.0f, false);
    int brace = CreateLink(*w, b, c, a, false, 1.0f, false);  // a keeps the brace
    int other = CreateLink(*w, b, c, -1, false, 1.0f, false);
    w->atoms[a].iceAge = 990;
    Pass();
    EXPECT_EQ(w->atoms[a].colour, 1) << "990 + 16 ms grows past the freeze time only in this pass";
    EXPECT_EQ(w->atoms[a].iceAge, 1006u);
    Pass();
    EXPECT_TRUE(Frozen(a));
    EXPECT_EQ(w->atoms[a].marked, 0);
    EXPECT_EQ(w->atoms[a].hitsLeft, A_DEAD_HITS) << "drawn as whole ice before it locks";
    EXPECT_FALSE(LinkInUse(*w, link));
    EXPECT_FALSE(LinkInUse(*w, brace));
    EXPECT_TRUE(LinkInUse(*w, other));
    EXPECT_EQ(w->atoms[b].colour, 1);
    EXPECT_EQ(w->atoms[b].iceAge, 32u);

    for (int k = 0; k < 3 && !w->atoms[a].locked; ++k) Step();
    EXPECT_EQ(w->atoms[a].locked, 1);
    EXPECT_EQ(w->atoms[a].hitsLeft, A_DEAD_HITS);
    EXPECT_EQ(w->lockedCell[5 + (10 - GridFirstRow) * GridColumns], 1);
    EXPECT_EQ(w->atoms[a].colour, NoColour) << "a frozen block stays frozen";
}

TEST_F(RulesCubes, ThePlayersPieceDoesNotAgeAndAFrozenPieceBlockLeavesThePiece) {
    A_FREEZE_TIME = 1000;
    int p = Block(100, 100, 0), q = Block(124, 100, 1);
    Detail({p, q});
    for (int k = 0; k < 100; ++k) Pass();
    EXPECT_EQ(w->atoms[p].iceAge, 0u);
    w->atoms[q].iceAge = 5000;
    Pass();
    EXPECT_TRUE(Frozen(q));
    EXPECT_EQ(w->detailAtoms[0], p);
    EXPECT_EQ(w->detailAtoms[1], NoAtom);
}

TEST_F(RulesCubes, AFreezeTimeOfZeroOrBelowNeverFreezes) {
    for (int32_t setting : {0, -1}) {
        SCOPED_TRACE(setting);
        A_FREEZE_TIME = setting;
        ResetWorld(*w);
        int a = Block(100, 200, 3);
        w->atoms[a].iceAge = 1000000;
        for (int k = 0; k < 100; ++k) Pass();
        EXPECT_EQ(w->atoms[a].colour, 3);
        EXPECT_EQ(w->atoms[a].snapping, 0);
    }
}

TEST_F(RulesCubes, MarkedBlocksKeepAgeingTheirIceAndFreezeWhenItIsOld) {
    A_FREEZE_TIME = 1000;
    // Young ice: the mark runs out first and the block vanishes; its ice aged meanwhile.
    int young = Finishing(100, 200, 4, 20);
    w->atoms[young].iceAge = 100;
    Pass();
    EXPECT_EQ(w->atoms[young].iceAge, 116u);
    EXPECT_EQ(w->atoms[young].marked, 1);
    Pass();
    EXPECT_FALSE(InUse(young));
    EXPECT_EQ(w->atomsRemoved, 1u);

    // Old ice: the block freezes with its mark still running, and never vanishes.
    int old = Finishing(100, 150, 4, 500);
    w->atoms[old].iceAge = 990;
    Pass();
    EXPECT_EQ(w->atoms[old].iceAge, 1006u);
    Pass();
    EXPECT_TRUE(Frozen(old));
    EXPECT_EQ(w->atoms[old].marked, 0);
    for (int k = 0; k < 40; ++k) Pass();
    EXPECT_TRUE(Frozen(old));
    EXPECT_EQ(w->atomsRemoved, 1u);

    // A mark already due when the pass begins (a crash sets it so) freezes the block at once.
    int crashed = Block(160, 150, 2);
    w->atoms[crashed].marked = 1;
    w->atoms[crashed].markTime = A_FREEZE_ACTIVE_TIME;
    Pass();
    EXPECT_TRUE(Frozen(crashed));
    EXPECT_EQ(w->atomsRemoved, 1u);
}

TEST_F(RulesCubes, AFrozenBlocksIceKeepsAgeingWithoutRefreezing) {
    A_FREEZE_TIME = 1000;
    int a = Block(132, 251.5f, 1);
    w->atoms[a].iceAge = 2000;
    Pass();
    ASSERT_TRUE(Frozen(a));
    for (int k = 0; k < 3 && !w->atoms[a].locked; ++k) Step();
    ASSERT_EQ(w->atoms[a].locked, 1);
    w->atoms[a].hitsLeft = 1;  // damaged by earlier hits
    const uint32_t before = w->atoms[a].iceAge;
    for (int k = 0; k < 10; ++k) Pass();
    EXPECT_EQ(w->atoms[a].iceAge, before + 10 * FrameMs);
    EXPECT_EQ(w->atoms[a].hitsLeft, 1) << "the ice is not made whole again";
    EXPECT_EQ(w->atoms[a].locked, 1);
}

TEST_F(RulesCubes, WithTheSweepLineAMarkedBlockWaitsForTheLine) {
    A_FREEZE_ACTIVE_TIME = -1;
    int b = Block(100, 150, 4);
    w->atoms[b].marked = 1;
    w->sweepLineY = 250;
    for (int k = 0; k < 10; ++k) Pass(true);
    ASSERT_TRUE(InUse(b));
    EXPECT_EQ(w->atoms[b].colour, 4);
    EXPECT_EQ(w->atoms[b].marked, 1);
    EXPECT_EQ(cubes.colourActive[4], 1);
    w->sweepLineY = 155;
    Pass(true);
    EXPECT_FALSE(InUse(b));
}

TEST_F(RulesCubes, AVanishingBonusBlockBlastsFrozenBlocksWithin64Pixels) {
    const float cx = 150, cy = 200;
    int bonus = Finishing(cx, cy, 2);
    w->atoms[bonus].special = 1;
    int near = Block(cx + 30, cy, 0);
    int edge = Block(cx, cy - 63, 0);
    int beyond = Block(cx - 66, cy, 0);
    for (int i : {near, edge, beyond}) FreezeAtom(*w, i);
    int colouredNear = Block(cx, cy + 50, 1);
    int colouredFar = Block(cx + 70, cy + 10, 1);
    Pass();
    EXPECT_FALSE(InUse(bonus));
    EXPECT_FALSE(InUse(near));
    EXPECT_FALSE(InUse(edge));
    EXPECT_TRUE(Frozen(beyond));
    EXPECT_FALSE(InUse(colouredNear));
    EXPECT_TRUE(InUse(colouredFar));
    EXPECT_EQ(w->atoms[colouredFar].x, cx + 70) << "beyond the blast nothing is pushed";
    EXPECT_EQ(w->atomsRemoved, 1u) << "blasted blocks are not removals of the level";
    EXPECT_EQ(game.removals, 1);
}

TEST_F(RulesCubes, ColoursAreDrawnIndependentlyFromAtLeastThreeAndAtMostNine) {
    struct Case {
        int setting, step, colours;
    } cases[] = {{1, -1, 3}, {6, -1, 6}, {20, -1, 9}, {6, CubesThreeColourStep, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        A_AVAILABLE_COLORS = c.setting;
        std::srand(7);
        int seen[CubesColourCount] = {};
        int repeats = 0;
        for (int k = 0; k < 400; ++k) {
            uint8_t colours[4] = {99, 99, 99, 99};
            DrawCubesColours(c.step, colours);
            for (uint8_t col : colours) {
                ASSERT_LT(col, c.colours);
                ++seen[col];
            }
            repeats += colours[0] == colours[1] ? 1 : 0;
        }
        for (int col = 0; col < c.colours; ++col) EXPECT_GT(seen[col], 0) << col;
        EXPECT_GT(repeats, 0) << "one piece may repeat a colour";
    }
}

TEST_F(RulesCubes, ABonusChanceOfZeroOrBelowMeansNoBonusBlocks) {
    for (int chance : {0, -2}) {
        A_BONUS_PROB = chance;
        ResetWorld(*w);
        const uint8_t colours[4] = {0, 1, 2, 3};
        for (int k = 0; k < 200; ++k) {
            std::srand(static_cast<unsigned>(k));
            CreatePiece(*w, 133, 100, PieceSquare, colours);
        }
        int specials = 0;
        for (const Atom& a : w->atoms) specials += (!(a.flags & FreeSlot) && a.special) ? 1 : 0;
        EXPECT_EQ(specials, 0) << chance;
        EXPECT_EQ(w->bonusCount, 0) << chance;
    }
}

TEST_F(RulesCubes, DamagedTouchSlotsAndPieceEntriesAreIgnored) {
    int a = Block(100, 200, 0), b = Block(123, 200, 0), gone = Block(10, 10, 0);
    RemoveAtom(*w, gone, 0);
    w->atoms[a].touch[0] = 300;   // out of range
    w->atoms[b].touch[0] = gone;  // a freed slot
    w->atoms[b].touch[1] = 0xFFFE;
    w->detailAtoms[0] = 999;
    w->detailAtoms[1] = 0xFFFE;
    w->detailCount = 200;
    CubesContactHook(*w, a, b);
    EXPECT_EQ(w->atoms[a].marked, 0) << "a slot naming no block counts as empty";
    EXPECT_EQ(w->atoms[b].marked, 0);
    EXPECT_EQ(w->atoms[gone].marked, 0);
    EXPECT_EQ(w->atoms[a].touch[0], b);
    CubesContactHook(*w, a, 5000);
    CubesContactHook(*w, -1, b);
    A_FREEZE_TIME = 10;
    w->atoms[a].iceAge = 100;
    Pass();
    EXPECT_TRUE(Frozen(a));
    EXPECT_EQ(w->detailAtoms[0], 999);
}

}  // namespace

// World model: pools and their reuse, removal and its references, blasts, the lock grid's snapping.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

class PhysicsWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(100000);
        w = std::make_unique<PhysicsWorld>();
        w->hooks.variant = VariantChains;
        ResetWorld(*w);
    }
    void TearDown() override { SetFixedClock(false); }

    int Cell(int col, int row) { return col + (row - 2) * 12; }
    // Puts an atom into the freeze: on its way into the lock grid.
    int FrozenAt(float x, float y) {
        int i = CreateAtom(*w, x, y, NoColour);
        w->atoms[i].snapping = 1;
        return i;
    }

    std::unique_ptr<PhysicsWorld> w;
};

TEST_F(PhysicsWorldTest, CreateAtomTakesLowestFreeSlotAndStartsClean) {
    int a = CreateAtom(*w, 10, 20, 1);
    int b = CreateAtom(*w, 30, 40, 2);
    int c = CreateAtom(*w, 50, 60, 3);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(c, 2);
    w->atoms[b].points = 300;
    w->atoms[b].connectedFlag = 1;
    RemoveAtom(*w, b, 0);
    int d = CreateAtom(*w, 70, 80, 4);
    ASSERT_EQ(d, 1);
    const Atom& n = w->atoms[d];
    EXPECT_EQ(n.x, 70);
    EXPECT_EQ(n.prevY, 80);
    EXPECT_EQ(n.refX, 70);
    EXPECT_EQ(n.entering, 1);
    EXPECT_EQ(n.lastPartner, NoAtom);
    EXPECT_EQ(n.neighbour[0], NoNeighbour);
    EXPECT_EQ(n.neighbourCount, 0u);
    // Nothing of the slot's former block carries over.
    EXPECT_EQ(n.points, 0);
    EXPECT_EQ(n.connectedFlag, 0);
    EXPECT_EQ(n.detailMembers[0], NoAtom);
}

TEST_F(PhysicsWorldTest, FullPoolsHandOutSlotZeroAgain) {
    for (int i = 0; i < MaxAtoms; ++i) ASSERT_EQ(CreateAtom(*w, 20.0f + i, 100, 0), i);
    for (int i = 0; i < MaxLinks; ++i) ASSERT_EQ(CreateLink(*w, i, (i + 1) % MaxAtoms, -1, false, 1, true), i);

    // The 257th link overwrites link 0.
    EXPECT_EQ(CreateLink(*w, 5, 9, -1, true, 0.1f, true), 0);
    EXPECT_EQ(w->links[0].atomA, 5);
    EXPECT_EQ(w->links[0].playerMade, 1);

    // The 257th atom overwrites atom 0, and the links that held the old atom 0 let go of it.
    w->detailAtoms[0] = 0;
    w->detailCount = 3;
    EXPECT_EQ(CreateAtom(*w, 200, 200, 3), 0);
    EXPECT_EQ(w->atoms[0].x, 200);
    EXPECT_EQ(w->detailAtoms[0], NoAtom);
    EXPECT_TRUE(w->links[255].flags & FreeSlot);  // 255 -> 0
    EXPECT_FALSE(w->links[1].flags & FreeSlot);   // 1 -> 2

    for (int i = 0; i < MaxFloatingTexts; ++i) AddFloatingText(*w, 0, 0, 9, nullptr);
    EXPECT_EQ(AddFloatingText(*w, 1, 2, 8, nullptr), 0);
    EXPECT_EQ(w->floatingTexts[0].kind, 8);
    for (int i = 0; i < MaxSparks; ++i) AddSpark(*w, 0, 0);
    EXPECT_EQ(AddSpark(*w, 3, 4), 0);
    // A full world still steps.
    StepWorld(*w, 16, false);
}

TEST_F(PhysicsWorldTest, LinkRestLengthDefaultOrMeasured) {
    int a = CreateAtom(*w, 100, 100, 0);
    int b = CreateAtom(*w, 130, 140, 0);
    EXPECT_EQ(w->links[CreateLink(*w, a, b, -1, false, 1, true)].restLenSq, 576.0f);
    EXPECT_EQ(w->links[CreateLink(*w, a, b, -1, false, 1, false)].restLenSq, 2500.0f);
    // Links to missing atoms are kept apart from the step.
    int bad = CreateLink(*w, a, 300, -1, false, 1, false);
    EXPECT_EQ(w->links[bad].atomB, NoAtom);
    RelaxLinks(*w);
}

TEST_F(PhysicsWorldTest, RemovingNeighbourZeroShiftsTheOtherNeighbourForward) {
    int a = CreateAtom(*w, 50, 100, 1);
    int b = CreateAtom(*w, 74, 100, 1);
    int c = CreateAtom(*w, 98, 100, 1);
    int d = CreateAtom(*w, 122, 100, 1);
    w->atoms[b].neighbour[0] = a;
    w->atoms[b].neighbour[1] = c;
    w->atoms[b].neighbourCount = 2;
    w->atoms[c].neighbour[0] = b;
    w->atoms[c].neighbour[1] = d;
    w->atoms[c].neighbourCount = 2;
    w->atoms[d].neighbour[0] = c;
    w->atoms[d].neighbourCount = 1;

    RemoveAtom(*w, a, 0);
    EXPECT_EQ(w->atoms[b].neighbourCount, 1u);
    EXPECT_EQ(w->atoms[b].neighbour[0], static_cast<uint32_t>(c));

    RemoveAtom(*w, d, 0);  // neighbour[1] of c
    EXPECT_EQ(w->atoms[c].neighbourCount, 1u);
    EXPECT_EQ(w->atoms[c].neighbour[0], static_cast<uint32_t>(b));

    RemoveAtom(*w, c, 0);  // the only neighbour of b
    EXPECT_EQ(w->atoms[b].neighbourCount, 0u);
}

TEST_F(PhysicsWorldTest, RemoveAtomLetsGoOfEveryReference) {
    int a = CreateAtom(*w, 50, 100, 1);
    int b = CreateAtom(*w, 74, 100, 2);
    int c = CreateAtom(*w, 50, 124, 3);
    int ab = CreateLink(*w, a, b, -1, false, 1, true);
    int bc = CreateLink(*w, b, c, a, false, 1, false);  // a keeps the brace b-c
    int cb = CreateLink(*w, c, b, -1, false, 1, true);
    for (int i : {a, b, c}) {
        Atom& m = w->atoms[i];
        m.detailMembers[0] = a;
        m.detailMembers[1] = b;
        m.detailMembers[2] = c;
    }
    w->atoms[b].lastPartner = a;
    w->detailAtoms[0] = a;
    w->detailAtoms[1] = b;
    w->detailAtoms[2] = c;
    w->detailCount = 3;
    w->grabbedAtom = a;

    RemoveAtom(*w, a, 2);
    EXPECT_TRUE(w->atoms[a].flags & FreeSlot);
    EXPECT_TRUE(w->links[ab].flags & FreeSlot);
    EXPECT_TRUE(w->links[bc].flags & FreeSlot);
    EXPECT_FALSE(w->links[cb].flags & FreeSlot);
    EXPECT_EQ(w->atoms[b].lastPartner, NoAtom);
    EXPECT_EQ(w->detailAtoms[0], NoAtom);
    EXPECT_FALSE(DetailContains(*w, a));
    EXPECT_TRUE(DetailContains(*w, b));
    EXPECT_EQ(w->atoms[c].detailMembers[0], NoAtom);
    EXPECT_EQ(w->grabbedAtom, -1);
    // The ghost waits 30 ms per place in its batch.
    EXPECT_EQ(w->removalGhosts[0].start, -60);
    EXPECT_EQ(w->removalGhosts[0].x, 50);
    EXPECT_EQ(w->removalGhosts[0].colour, 1u);

    // Removing a free slot or an index outside the pool does nothing.
    RemoveAtom(*w, a, 0);
    RemoveAtom(*w, 4000, 0);
    RemoveAtom(*w, -1, 0);
    EXPECT_TRUE(w->removalGhosts[1].flags & FreeSlot);
}

TEST_F(PhysicsWorldTest, DetailCentreIsARunningAverage) {
    int a = CreateAtom(*w, 0, 0, 0);
    int b = CreateAtom(*w, 40, 8, 0);
    int c = CreateAtom(*w, 80, 16, 0);
    w->detailAtoms[0] = a;
    w->detailAtoms[1] = NoAtom;
    w->detailAtoms[2] = b;
    w->detailAtoms[3] = c;
    w->detailCount = 4;
    Point p = DetailCentre(*w);
    EXPECT_FLOAT_EQ(p.x, 50.0f);  // ((0 + 40) / 2 + 80) / 2
    EXPECT_FLOAT_EQ(p.y, 10.0f);
}

TEST_F(PhysicsWorldTest, MouseTargetHeldInsideTheGlass) {
    SetMouseTarget(*w, 50, 10);
    EXPECT_EQ(w->mouseTarget[0], 0.0f);
    EXPECT_EQ(w->mouseTarget[1], 58.0f);
    SetMouseTarget(*w, 470, 260);
    EXPECT_EQ(w->mouseTarget[0], 276.5f);
    EXPECT_EQ(w->mouseTarget[1], 275.0f);
}

TEST_F(PhysicsWorldTest, ClearWorldRemovesEverythingAndZeroesTheScore) {
    for (int i = 0; i < 5; ++i) CreateAtom(*w, 30.0f * i, 100, 0);
    w->score = 1234;
    w->progress = 0.5f;
    w->overflow = 1;
    ClearWorld(*w);
    for (const Atom& a : w->atoms) EXPECT_TRUE(a.flags & FreeSlot);
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(w->progress, 0.0f);
    EXPECT_EQ(w->overflow, 0);
}

TEST_F(PhysicsWorldTest, BlastRemovesInsideInnerRadiusAndPushesOrBreaksInsideOuter) {
    int inner = CreateAtom(*w, 110, 100, 0);        // 10 px
    int pushed = CreateAtom(*w, 130, 100, 0);       // 30 px
    int frozen = FrozenAt(100, 130);                // 30 px, on its way into the grid
    int far = CreateAtom(*w, 100, 150, 0);          // 50 px
    Blast(*w, 100, 100, 40, 20, 64);
    EXPECT_TRUE(w->atoms[inner].flags & FreeSlot);
    EXPECT_TRUE(w->atoms[frozen].flags & FreeSlot);
    EXPECT_FALSE(w->atoms[pushed].flags & FreeSlot);
    EXPECT_FLOAT_EQ(w->atoms[pushed].x, 130.0f + w->stepFactor * 30.0f * 64.0f);
    EXPECT_EQ(w->atoms[pushed].prevX, 130.0f);  // the push becomes speed in the next step
    EXPECT_EQ(w->atoms[far].x, 100.0f);
    EXPECT_EQ(w->atoms[far].y, 150.0f);
}

TEST_F(PhysicsWorldTest, CubesBonusBlockBlowsUpItsSurroundingsInAChain) {
    w->hooks.variant = VariantCubes;
    w->specialTaken = 1;  // no bonus draws while the scene is laid out
    int bonus = CreateAtom(*w, 100, 200, 1);
    int near = CreateAtom(*w, 150, 200, 2);   // 50 px: inside the 64 px inner radius
    int bonus2 = CreateAtom(*w, 60, 200, 3);  // 40 px, and a bonus itself
    int chained = CreateAtom(*w, 5, 200, 4);  // 95 px from the first, 55 from the second
    int safe = CreateAtom(*w, 250, 200, 4);
    w->atoms[bonus].special = 1;
    w->atoms[bonus2].special = 1;
    RemoveAtom(*w, bonus, 0);
    EXPECT_TRUE(w->atoms[near].flags & FreeSlot);
    EXPECT_TRUE(w->atoms[bonus2].flags & FreeSlot);
    EXPECT_TRUE(w->atoms[chained].flags & FreeSlot);
    EXPECT_FALSE(w->atoms[safe].flags & FreeSlot);
}

TEST_F(PhysicsWorldTest, SpecialFlagGoesToTheFirstAtomOfAPieceOnly) {
    w->hooks.variant = VariantShapes;
    w->pendingSpecial = 1;
    w->specialTaken = 0;
    int a = CreateAtom(*w, 100, 100, 0);
    int b = CreateAtom(*w, 124, 100, 0);
    EXPECT_EQ(w->atoms[a].special, 1);
    EXPECT_EQ(w->atoms[b].special, 0);
    EXPECT_EQ(w->specialsInGlass, 1);
    RemoveAtom(*w, a, 0);
    EXPECT_EQ(w->specialsInGlass, 0);
}

TEST_F(PhysicsWorldTest, SnapPassTriesNeighbourCellsInOrder) {
    int a = FrozenAt(0, 0);
    const int expected[8][2] = {{5, 7}, {5, 5}, {4, 6}, {4, 7}, {4, 5}, {6, 6}, {6, 7}, {6, 5}};
    w->lockedCell[Cell(5, 6)] = 1;
    for (const auto& e : expected) {
        Atom& at = w->atoms[a];
        at.hasTarget = 0;
        at.x = at.prevX = 5 * 24 + 12;
        at.y = at.prevY = 6 * 24 + 11.5f;
        SnapPass(*w);
        ASSERT_EQ(at.hasTarget, 1);
        EXPECT_EQ(at.targetCol, e[0]);
        EXPECT_EQ(at.targetRow, e[1]);
        EXPECT_EQ(at.x, e[0] * 24 + 12.0f);
        EXPECT_EQ(at.locked, 0);  // 24 px away: reserved now, locked later
        EXPECT_EQ(w->reservedCell[Cell(e[0], e[1])], 1);
    }
    // Every neighbour taken: the block aims at its own cell without a target.
    Atom& at = w->atoms[a];
    at.hasTarget = 0;
    at.x = at.prevX = 5 * 24 + 14;
    at.y = at.prevY = 6 * 24 + 11.5f;
    SnapPass(*w);
    EXPECT_EQ(at.hasTarget, 0);
    EXPECT_EQ(at.locked, 1);
    EXPECT_EQ(at.cellIndex, static_cast<uint32_t>(Cell(5, 6)));
}

TEST_F(PhysicsWorldTest, SnapPassLocksOnArrivalAndRemovalFreesTheCell) {
    int a = FrozenAt(104, 200);  // cell (4, 8), centre (108, 203.5): 5.3 px away
    SnapPass(*w);
    const Atom& at = w->atoms[a];
    EXPECT_EQ(at.locked, 1);
    EXPECT_EQ(at.hitsLeft, A_DEAD_HITS);
    EXPECT_EQ(at.lastDeadHit, 100000u);
    EXPECT_EQ(at.cellRow, 8u);
    EXPECT_EQ(w->lockedCell[Cell(4, 8)], 1);
    RemoveAtom(*w, a, 0);
    EXPECT_EQ(w->lockedCell[Cell(4, 8)], 0);
    EXPECT_TRUE(w->removalGhosts[0].flags & FreeSlot);  // frozen blocks leave no ghost
}

TEST_F(PhysicsWorldTest, RemovingABlockStillOnItsWayLeavesOtherCellsAlone) {
    int locked = FrozenAt(12, 59.5f);  // cell (0, 2) = index 0
    SnapPass(*w);
    ASSERT_EQ(w->lockedCell[0], 1);
    int moving = FrozenAt(200, 195);  // 9 px from its cell centre: reserves it
    SnapPass(*w);
    ASSERT_EQ(w->atoms[moving].locked, 0);
    RemoveAtom(*w, moving, 0);
    EXPECT_EQ(w->lockedCell[0], 1);
    EXPECT_EQ(w->atoms[locked].locked, 1);
    EXPECT_EQ(w->reservedCell[Cell(8, 8)], 0);  // its claim is given back
}

TEST_F(PhysicsWorldTest, SnapPassKeepsBlocksOutsideTheGridOnItsEdge) {
    int above = FrozenAt(-50, -300);
    int right = FrozenAt(900, 20);
    int below = FrozenAt(130, 5000);
    int lost = FrozenAt(0, 0);
    w->atoms[lost].x = std::numeric_limits<float>::quiet_NaN();
    SnapPass(*w);
    EXPECT_EQ(w->atoms[above].targetCol, 0);
    EXPECT_EQ(w->atoms[above].targetRow, 2);
    EXPECT_EQ(w->atoms[right].targetCol, 11);
    EXPECT_EQ(w->atoms[right].targetRow, 2);
    EXPECT_EQ(w->atoms[below].targetRow, 11);
    EXPECT_TRUE(w->atoms[lost].x == w->atoms[lost].x);  // a lost block is put back on the grid
    // A bad target from outside is not trusted.
    w->atoms[above].targetCol = 40;
    w->atoms[above].targetRow = -7;
    w->atoms[above].x = 30;
    SnapPass(*w);
    EXPECT_EQ(w->atoms[above].targetRow, 2);
}

}  // namespace

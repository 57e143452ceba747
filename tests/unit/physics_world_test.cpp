// World model: pool reuse, removal and its references, blasts, and snapping into the lock grid.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

int Cell(int col, int row) { return col + (row - 2) * 12; }

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
    bool Free(int i) { return w->atoms[i].flags & FreeSlot; }
    int FrozenAt(float x, float y) {
        int i = CreateAtom(*w, x, y, NoColour);
        w->atoms[i].snapping = 1;
        return i;
    }
    std::unique_ptr<PhysicsWorld> w;
};

TEST_F(PhysicsWorldTest, FullPoolsHandOutSlotZeroAndNewAtomsStartClean) {
    for (int i = 0; i < MaxAtoms; ++i) ASSERT_EQ(CreateAtom(*w, 20.0f + i, 100, 0), i);
    for (int i = 0; i < MaxLinks; ++i) ASSERT_EQ(CreateLink(*w, i, (i + 1) % MaxAtoms, -1, false, 1, true), i);
    EXPECT_EQ(CreateLink(*w, 5, 9, -1, true, 0.1f, true), 0);  // the 257th link overwrites link 0
    EXPECT_EQ(w->links[0].atomA, 5);

    w->atoms[0].points = 300;
    w->atoms[0].connectedFlag = 1;
    w->detailAtoms[0] = 0;
    w->detailCount = 3;
    EXPECT_EQ(CreateAtom(*w, 200, 200, 3), 0);  // the 257th atom overwrites atom 0 ...
    EXPECT_EQ(w->atoms[0].x, 200);
    EXPECT_EQ(w->atoms[0].points, 0);  // ... keeps nothing of the old block
    EXPECT_EQ(w->atoms[0].connectedFlag, 0);
    EXPECT_EQ(w->detailAtoms[0], NoAtom);         // ... and what held the old block lets go
    EXPECT_TRUE(w->links[255].flags & FreeSlot);  // 255 -> 0
    EXPECT_FALSE(w->links[1].flags & FreeSlot);

    for (int i = 0; i <= MaxFloatingTexts; ++i) AddFloatingText(*w, 0, 0, static_cast<uint16_t>(i), nullptr);
    EXPECT_EQ(w->floatingTexts[0].kind, MaxFloatingTexts);
    StepWorld(*w, 16, false);  // a crowded world still steps
}

// The contact pass remembers where its run of sparks got to; the slots must be those AddSpark would take,
// through the gaps of a half-full pool and on into a full one (slot 0 again, every time).
TEST_F(PhysicsWorldTest, RunOfSparksTakesTheSlotsAddSparkWould) {
    auto plain = std::make_unique<PhysicsWorld>(*w);
    for (int k = 0; k < MaxSparks; ++k) {
        if (k % 3 == 0 || k > 200) w->sparks[k].flags = plain->sparks[k].flags = 0;
    }
    int searchFrom = 0;
    for (int n = 0; n < 140; ++n) {  // 134 free slots, then slot 0 six times
        ASSERT_EQ(AddSparkFrom(*w, static_cast<float>(n), 1, searchFrom), AddSpark(*plain, static_cast<float>(n), 1))
            << n;
    }
    EXPECT_EQ(w->sparks[0].x, 139);
    for (int k = 0; k < MaxSparks; ++k) ASSERT_EQ(w->sparks[k].x, plain->sparks[k].x) << k;
}

TEST_F(PhysicsWorldTest, RemoveAtomLetsGoOfLinksPartnersPiecesAndChainNeighbours) {
    int a = CreateAtom(*w, 50, 100, 1), b = CreateAtom(*w, 74, 100, 2), c = CreateAtom(*w, 98, 100, 3);
    int d = CreateAtom(*w, 122, 100, 4);
    int ab = CreateLink(*w, a, b, -1, false, 1, true);
    int braced = CreateLink(*w, b, c, a, false, 1, false);  // a keeps the brace b-c
    int cd = CreateLink(*w, c, d, -1, false, 1, true);
    w->atoms[b].neighbour[0] = a;  // chain a-b-c-d
    w->atoms[b].neighbour[1] = c;
    w->atoms[b].neighbourCount = 2;
    w->atoms[c].neighbour[0] = b;
    w->atoms[c].neighbour[1] = d;
    w->atoms[c].neighbourCount = 2;
    w->atoms[c].lastPartner = a;
    w->atoms[c].detailMembers[1] = a;
    w->detailAtoms[0] = a;
    w->detailCount = 3;
    w->grabbedAtom = a;

    RemoveAtom(*w, a, 2);
    EXPECT_TRUE(w->links[ab].flags & FreeSlot);
    EXPECT_TRUE(w->links[braced].flags & FreeSlot);
    EXPECT_FALSE(w->links[cd].flags & FreeSlot);
    EXPECT_EQ(w->atoms[b].neighbourCount, 1u);  // neighbour[0] went: neighbour[1] moves up
    EXPECT_EQ(w->atoms[b].neighbour[0], static_cast<uint32_t>(c));
    EXPECT_EQ(w->atoms[c].lastPartner, NoAtom);
    EXPECT_EQ(w->atoms[c].detailMembers[1], NoAtom);
    EXPECT_FALSE(DetailContains(*w, a));
    EXPECT_EQ(w->grabbedAtom, -1);
    EXPECT_EQ(w->removalGhosts[0].start, -60);  // 30 ms per place in its batch
    EXPECT_EQ(w->removalGhosts[0].x, 50);

    RemoveAtom(*w, d, 0);  // neighbour[1] of c
    EXPECT_EQ(w->atoms[c].neighbourCount, 1u);
    EXPECT_EQ(w->atoms[c].neighbour[0], static_cast<uint32_t>(b));
    RemoveAtom(*w, a, 0);  // already free, or outside the pool: nothing happens
    RemoveAtom(*w, 4000, 0);
    RemoveAtom(*w, -1, 0);
    EXPECT_TRUE(w->removalGhosts[2].flags & FreeSlot);
}

TEST_F(PhysicsWorldTest, BlastRemovesInsideInnerRadiusAndPushesOrBreaksInsideOuter) {
    int inner = CreateAtom(*w, 110, 100, 0);   // 10 px
    int pushed = CreateAtom(*w, 130, 100, 0);  // 30 px
    int frozen = FrozenAt(100, 130);           // 30 px
    int far = CreateAtom(*w, 100, 150, 0);     // 50 px
    Blast(*w, 100, 100, 40, 20, 64);
    EXPECT_TRUE(Free(inner));
    EXPECT_TRUE(Free(frozen));
    EXPECT_FLOAT_EQ(w->atoms[pushed].x, 130.0f + w->stepFactor * 30.0f * 64.0f);
    EXPECT_EQ(w->atoms[pushed].prevX, 130.0f);  // the push becomes speed in the next step
    EXPECT_EQ(w->atoms[far].y, 150.0f);

    // cubes: a bonus block takes everything within 64 px, and a bonus among them goes off in turn.
    w->hooks.variant = VariantCubes;
    w->specialTaken = 1;  // no bonus draws while laying out the scene
    int bonus = CreateAtom(*w, 100, 200, 1), bonus2 = CreateAtom(*w, 60, 200, 3);
    int chained = CreateAtom(*w, 5, 200, 4), safe = CreateAtom(*w, 250, 200, 4);
    w->atoms[bonus].special = w->atoms[bonus2].special = 1;
    RemoveAtom(*w, bonus, 0);
    EXPECT_TRUE(Free(bonus2));
    EXPECT_TRUE(Free(chained));
    EXPECT_FALSE(Free(safe));
}

TEST_F(PhysicsWorldTest, SnapPassTriesNeighbourCellsInOrder) {
    int a = FrozenAt(0, 0);
    Atom& at = w->atoms[a];
    const int expected[8][2] = {{5, 7}, {5, 5}, {4, 6}, {4, 7}, {4, 5}, {6, 6}, {6, 7}, {6, 5}};
    w->lockedCell[Cell(5, 6)] = 1;
    for (const auto& e : expected) {
        at.hasTarget = 0;
        at.x = 5 * 24 + 12;
        at.y = 6 * 24 + 11.5f;
        SnapPass(*w);
        ASSERT_EQ(at.hasTarget, 1);
        EXPECT_EQ(at.targetCol, e[0]);
        EXPECT_EQ(at.targetRow, e[1]);
        EXPECT_EQ(at.locked, 0);  // 24 px away: reserved now, locked when it arrives
        EXPECT_EQ(w->reservedCell[Cell(e[0], e[1])], 1);
    }
    at.hasTarget = 0;  // every neighbour taken: its own cell, without a target
    at.x = 5 * 24 + 14;
    at.y = 6 * 24 + 11.5f;
    SnapPass(*w);
    EXPECT_EQ(at.hasTarget, 0);
    EXPECT_EQ(at.locked, 1);
    EXPECT_EQ(at.hitsLeft, A_DEAD_HITS);
    EXPECT_EQ(at.cellIndex, static_cast<uint32_t>(Cell(5, 6)));
}

TEST_F(PhysicsWorldTest, RemovingBlocksFreesOnlyTheirOwnCells) {
    int locked = FrozenAt(12, 59.5f);  // cell (0, 2) = index 0, at its centre
    SnapPass(*w);
    ASSERT_EQ(w->lockedCell[0], 1);
    int moving = FrozenAt(200, 195);  // 9 px from the centre of (8, 8): reserves it
    SnapPass(*w);
    ASSERT_EQ(w->atoms[moving].locked, 0);
    RemoveAtom(*w, moving, 0);
    EXPECT_EQ(w->lockedCell[0], 1);
    EXPECT_EQ(w->reservedCell[Cell(8, 8)], 0);
    RemoveAtom(*w, locked, 0);
    EXPECT_EQ(w->lockedCell[0], 0);
    EXPECT_TRUE(w->removalGhosts[0].flags & FreeSlot);  // frozen blocks leave no ghost
}

TEST_F(PhysicsWorldTest, SnapPassKeepsBlocksOutsideTheGridOnItsEdge) {
    int above = FrozenAt(-50, -300), right = FrozenAt(900, 20), below = FrozenAt(130, 5000);
    int lost = FrozenAt(0, 0);
    w->atoms[lost].x = std::numeric_limits<float>::quiet_NaN();
    SnapPass(*w);
    EXPECT_EQ(w->atoms[above].targetCol, 0);
    EXPECT_EQ(w->atoms[above].targetRow, 2);
    EXPECT_EQ(w->atoms[right].targetCol, 11);
    EXPECT_EQ(w->atoms[below].targetRow, 11);
    EXPECT_FALSE(std::isnan(w->atoms[lost].x));
    w->atoms[above].targetCol = 40;  // a target from outside is not trusted
    w->atoms[above].targetRow = -7;
    SnapPass(*w);
    EXPECT_EQ(w->atoms[above].x, 12.0f);  // back on the edge cell's centre
    EXPECT_EQ(w->atoms[above].y, 59.5f);
}

}  // namespace

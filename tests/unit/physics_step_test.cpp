// The physics step: contacts, floor and walls, the half-entered piece, crashes, hard hits, ice, and a golden run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;

template <typename T, int N>
int Live(const T (&pool)[N]) {
    int n = 0;
    for (const T& e : pool) n += (e.flags & FreeSlot) ? 0 : 1;
    return n;
}

class PhysicsStepTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(StartMs);
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.previousKeys, 0, sizeof input.previousKeys);
        w = std::make_unique<PhysicsWorld>();
        w->hooks.variant = VariantChains;
        ResetWorld(*w);
    }
    void TearDown() override { SetFixedClock(false); }

    void MakeDetail(std::initializer_list<int> atoms) {
        int k = 0;
        for (int a : atoms) w->detailAtoms[k++] = static_cast<uint16_t>(a);
        w->detailCount = static_cast<uint8_t>(k);
    }
    void MakePiece(std::initializer_list<int> atoms) {
        for (int a : atoms) {
            int k = 0;
            for (int m : atoms) w->atoms[a].detailMembers[k++] = static_cast<uint16_t>(m);
        }
    }
    void Put(int i, float x, float y) {
        w->atoms[i].x = w->atoms[i].prevX = x;
        w->atoms[i].y = w->atoms[i].prevY = y;
    }
    std::unique_ptr<PhysicsWorld> w;
};

TEST_F(PhysicsStepTest, AtomsExactlyOneDiameterApartDoNotCollide) {
    int a = CreateAtom(*w, 100, 200, 0);
    int b = CreateAtom(*w, 124, 200, 1);
    CollideAtoms(*w, true, true);
    EXPECT_EQ(w->atoms[a].x, 100.0f);
    EXPECT_EQ(w->atoms[b].x, 124.0f);
}

TEST_F(PhysicsStepTest, LandingBonusOncePerTouchdown) {
    int pile = CreateAtom(*w, 100, 200, 0);
    int piece = CreateAtom(*w, 100, 180, 1);  // c = 576 / 976 - 0.5 = 0.09
    MakeDetail({piece});
    w->landingArmed = 1;
    for (int k = 0; k < 2; ++k) {
        Put(pile, 100, 200);
        Put(piece, 100, 180);
        CollideAtoms(*w, false, true);
    }
    EXPECT_EQ(w->score, 10);
    EXPECT_EQ(w->landingArmed, 0);
    EXPECT_EQ(Live(w->floatingTexts), 1);
    EXPECT_EQ(w->floatingTexts[0].kind, TextLandingBonus);
}

TEST_F(PhysicsStepTest, CrashFinishesTheMarkedAtomsOwnPieceEvenWhenTheHitterIsLoose) {
    int p0 = CreateAtom(*w, 100, 200, 2), p1 = CreateAtom(*w, 100, 224, 2), p2 = CreateAtom(*w, 76, 224, 2);
    MakePiece({p0, p1, p2});
    RemoveAtom(*w, p2, 0);
    int stranger = CreateAtom(*w, 250, 100, 1);  // a new block in the removed member's slot
    ASSERT_EQ(stranger, p2);
    int hitter = CreateAtom(*w, 120, 200, 4);  // 20 px from p0, in no Detail
    w->atoms[p0].marked = 1;

    CollideAtoms(*w, true, false);  // crashes count only in the first pass
    EXPECT_EQ(w->atoms[p1].points, 0);

    Put(p0, 100, 200);
    Put(hitter, 120, 200);
    CollideAtoms(*w, false, true);
    for (int m : {p0, p1}) {
        EXPECT_EQ(w->atoms[m].markTime, A_FREEZE_ACTIVE_TIME);
        EXPECT_EQ(w->atoms[m].points, 300);
    }
    EXPECT_EQ(w->atoms[stranger].points, 0);
    EXPECT_EQ(w->atoms[hitter].points, 0);
    const FloatingText& t = w->floatingTexts[0];
    ASSERT_FALSE(t.flags & FreeSlot);
    EXPECT_EQ(t.kind, TextGiven);
    EXPECT_STREQ(t.text, "Crashed!");
}

TEST_F(PhysicsStepTest, DeadHitsCountOncePerDelayAndAMarkedHitBreaksAtOnce) {
    int block = CreateAtom(*w, 108, 203.5f, NoColour);
    w->atoms[block].snapping = 1;
    SnapPass(*w);
    ASSERT_EQ(w->atoms[block].locked, 1);
    int piece = CreateAtom(*w, 108, 185.5f, 1);  // 18 px above: c = 0.14 > 100 / 45^2
    MakeDetail({piece});
    auto hitAt = [&](uint64_t ms, float y) {
        SetClockMs(ms);
        Put(piece, 108, y);
        CollideAtoms(*w, false, false);
    };
    hitAt(StartMs + 200, 185.5f);
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    EXPECT_EQ(w->atoms[block].y, 203.5f);  // locked blocks never move
    hitAt(StartMs + 200 + PH_DEADHIT_DELAY, 185.5f);
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    hitAt(StartMs + 201 + PH_DEADHIT_DELAY, 181.0f);  // 22.5 px: a soft touch does not count
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    hitAt(StartMs + 202 + PH_DEADHIT_DELAY, 185.5f);
    EXPECT_EQ(w->atoms[block].hitsLeft, 1);

    w->atoms[block].hitsLeft = 3;
    w->atoms[piece].marked = 1;
    hitAt(StartMs + 1000, 185.5f);
    EXPECT_TRUE(w->atoms[block].flags & FreeSlot);
    EXPECT_EQ(w->lockedCell[4 + 6 * 12], 0);
}

TEST_F(PhysicsStepTest, IceShardsFollowTheFreezeStage) {
    const uint32_t ages[] = {15000, 17000, 19000, 21000};
    for (int shards = 0; shards < 4; ++shards) {
        ResetWorld(*w);
        int a = CreateAtom(*w, 100, 200, 1);
        int b = CreateAtom(*w, 120, 200, 2);  // 20 px: c = 0.09 > 32 / 45^2
        w->atoms[a].iceAge = ages[shards];
        w->atoms[a].iceReset = 777;
        CollideAtoms(*w, false, false);
        EXPECT_EQ(Live(w->iceShards), shards) << ages[shards];
        EXPECT_EQ(w->atoms[a].iceAge, 1u);
        EXPECT_EQ(w->atoms[b].iceAge, 1u);
        EXPECT_EQ(w->atoms[a].iceReset, shards ? 0u : 777u);
        for (const IceShard& s : w->iceShards) {
            if (s.flags & FreeSlot) continue;
            EXPECT_TRUE(s.angle <= 0.0f && s.angle >= -150.0f);
            EXPECT_NEAR(s.x, 100.0f, shards == 1 ? 0.0f : 6.0f);
        }
    }
    ResetWorld(*w);  // the player's own blocks keep their ice age
    int a = CreateAtom(*w, 100, 200, 1);
    CreateAtom(*w, 120, 200, 2);
    w->atoms[a].iceAge = 21000;
    MakeDetail({a});
    CollideAtoms(*w, false, false);
    EXPECT_EQ(w->atoms[a].iceAge, 21000u);
    EXPECT_EQ(Live(w->iceShards), 0);
}

TEST_F(PhysicsStepTest, CollisionNotesWaitForTheNoteDelayAndForANewPartner) {
    int pile = CreateAtom(*w, 100, 200, 0);
    int piece = CreateAtom(*w, 100, 180, 1);
    MakeDetail({piece});
    auto touchAt = [&](uint64_t ms) {
        SetClockMs(ms);
        Put(piece, 100, 180);
        Put(pile, 100, 200);
        CollideAtoms(*w, false, true);
    };
    w->lastNoteMs = StartMs - 100;
    w->noteDelayMs = 250;
    touchAt(StartMs);
    EXPECT_EQ(Live(w->sparks), 0);
    EXPECT_EQ(w->atoms[piece].lastPartner, NoAtom);
    touchAt(StartMs + 150);
    EXPECT_EQ(Live(w->sparks), 1);
    EXPECT_EQ(w->sparks[0].y, 180);  // on the piece's block
    EXPECT_EQ(w->atoms[piece].lastPartner, pile);
    EXPECT_EQ(w->atoms[pile].lastPartner, piece);
    EXPECT_EQ(w->lastNoteMs, StartMs + 150);
    touchAt(StartMs + 500);  // the same two blocks within 475 ms of the last touch
    EXPECT_EQ(Live(w->sparks), 1);
    touchAt(StartMs + 1200);
    EXPECT_EQ(Live(w->sparks), 2);
}

TEST_F(PhysicsStepTest, ShapesOffersASwapUnderThePointerAndDropsItFarAway) {
    w->hooks.variant = VariantShapes;
    int held = CreateAtom(*w, 100, 200, 1), mate = CreateAtom(*w, 100, 224, 1);
    MakePiece({held, mate});
    int other = CreateAtom(*w, 120, 200, 2);
    w->grabbedAtom = held;
    w->mouseTarget[0] = 122;
    w->mouseTarget[1] = 200;
    CollideAtoms(*w, false, false);
    EXPECT_EQ(w->swapTarget, other);
    Put(other, 200, 200);
    Integrate(*w);
    EXPECT_EQ(w->swapTarget, -1);
}

TEST_F(PhysicsStepTest, WallsAndRimHoldAtomsAndRearmTheirSoundsFarEnoughAway) {
    int a = CreateAtom(*w, 100, 150, 0);
    int loose = CreateAtom(*w, 5, 40, 0);
    MakeDetail({a});
    Atom& at = w->atoms[a];
    at.entering = 0;
    // x, y, then the expected x, y and the left, right, top flags afterwards.
    const struct {
        float x, y, heldX, heldY;
        int left, right, top;
    } steps[] = {
        {100, 150, 100, 150, 1, 1, 1},    {5, 150, 12, 150, 0, 1, 1},      {24, 150, 24, 150, 0, 1, 1},
        {24.5f, 150, 24.5f, 150, 1, 1, 1}, {280, 150, 276.5f, 150, 1, 0, 1}, {264.5f, 150, 264.5f, 150, 1, 0, 1},
        {264, 150, 264, 150, 1, 1, 1},    {100, 50, 100, 60, 1, 1, 0},     {100, 72, 100, 72, 1, 1, 0},
        {100, 72.5f, 100, 72.5f, 1, 1, 1},
    };
    for (const auto& s : steps) {
        Put(a, s.x, s.y);
        KeepInGlass(*w, 16);
        EXPECT_EQ(at.x, s.heldX) << s.x << "," << s.y;
        EXPECT_EQ(at.y, s.heldY) << s.x << "," << s.y;
        EXPECT_EQ(at.wallArmed[WallLeft], s.left) << s.x << "," << s.y;
        EXPECT_EQ(at.wallArmed[WallRight], s.right) << s.x << "," << s.y;
        EXPECT_EQ(at.wallArmed[WallTop], s.top) << s.x << "," << s.y;
    }
    // Blocks of the pile are held too, without a sound, so their flags never clear.
    EXPECT_EQ(w->atoms[loose].x, 12.0f);
    EXPECT_EQ(w->atoms[loose].y, 60.0f);
    EXPECT_EQ(w->atoms[loose].wallArmed[WallLeft], 0);
}

TEST_F(PhysicsStepTest, PileAndLevelStartAtomsAtTheWallsRimAndFloorWithTheWallsOnAndOff) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    int pile = CreateAtom(*w, 100, 150, 0);
    int row = CreateAtom(*w, 100, 150, 2);
    w->atoms[row].introAtom = 1;
    // Which atom, walls on, x, y, previous x, then the expected x, y, previous x, left and right flags
    // (both start cleared) and whether it is still entering.
    const struct {
        int atom;
        bool walls;
        float x, y, prevX, heldX, heldY, heldPrevX;
        int left, right, entering;
    } steps[] = {
        {pile, true, 5, 150, 5, 12, 150, 5, 0, 1, 0},
        {pile, true, 290, 150, 290, 276.5f, 150, 290, 1, 0, 0},
        {pile, true, 100, 280, 90, 100, 275, 135, 1, 1, 0},  // floor: 4.5 px deep takes 4.5 x the speed
        {pile, true, 100, 30, 100, 100, 60, 100, 1, 1, 1},
        {pile, false, 5, 30, 5, 5, 60, 5, 0, 1, 1},            // walls off: through the side, held at the rim
        {pile, false, 290, 280, 280, 290, 280, 280, 1, 0, 0},  // and through the floor
        {pile, true, nan, nan, 7, nan, nan, 7, 0, 0, 1},       // nothing to compare with: left alone
        {row, true, 5, 30, 5, 5, 30, 5, 0, 1, 1},              // the level-start row passes walls and rim
        {row, true, 290, 280, 290, 290, 275, 290, 1, 0, 0},    // but lands on the floor
    };
    for (const auto& s : steps) {
        w->levelStartCreated = s.walls ? 0 : 1;
        w->levelStartMs = StartMs - LevelStartHoldMs - 1;
        Atom& a = w->atoms[s.atom];
        a.x = s.x;
        a.y = s.y;
        a.prevX = s.prevX;
        a.entering = 1;
        a.wallArmed[WallLeft] = a.wallArmed[WallRight] = 0;
        KeepInGlass(*w, 16);
        const std::string where =
            std::to_string(s.atom) + " at " + std::to_string(s.x) + "," + std::to_string(s.y);
        EXPECT_EQ(std::memcmp(&a.x, &s.heldX, 4), 0) << where << ": x " << a.x;
        EXPECT_EQ(std::memcmp(&a.y, &s.heldY, 4), 0) << where << ": y " << a.y;
        EXPECT_EQ(a.prevX, s.heldPrevX) << where;
        EXPECT_EQ(a.wallArmed[WallLeft], s.left) << where;
        EXPECT_EQ(a.wallArmed[WallRight], s.right) << where;
        EXPECT_EQ(a.entering, s.entering) << where;
    }
}

TEST_F(PhysicsStepTest, HalfEnteredPieceOverflowsAfter4001MsAtThreeFrameTimesPerFrame) {
    w->gravity = 0;
    int in = CreateAtom(*w, 60, 150, 0), out1 = CreateAtom(*w, 120, 20, 1), out2 = CreateAtom(*w, 180, 20, 2);
    w->atoms[in].entering = 0;
    MakeDetail({in, out1, out2});
    for (int f = 0; f < 13; ++f) StepWorld(*w, 100, false);
    EXPECT_EQ(w->partialEntryMs, 3900u);
    EXPECT_EQ(w->overflow, 0);
    StepWorld(*w, 100, false);
    EXPECT_EQ(w->overflow, 1);
    Put(out1, 120, 150);  // wholly inside: the time starts again
    Put(out2, 180, 150);
    StepWorld(*w, 100, false);
    EXPECT_EQ(w->partialEntryMs, 0u);
    EXPECT_EQ(w->detailInside, 1u);
}

TEST_F(PhysicsStepTest, APieceThatCannotGetIntoTheGlassAtAllOverflowsToo) {
    w->gravity = 0;  // held above the rim, as by a pile that reaches it
    int a = CreateAtom(*w, 120, 20, 1), b = CreateAtom(*w, 144, 20, 2), c = CreateAtom(*w, 168, 20, 3);
    MakeDetail({a, b, c});
    for (int f = 0; f < 40; ++f) StepWorld(*w, 100, false);
    EXPECT_EQ(w->detailInside, 0u);
    EXPECT_EQ(w->overflow, 1);
}

int hookOrder, contactCalls, ruleCall, removalCall;

TEST_F(PhysicsStepTest, VariantHooksRunForSameColourContactsThenRulesThenRemoval) {
    hookOrder = contactCalls = ruleCall = removalCall = 0;
    w->hooks.contactHook = [](PhysicsWorld& world, int i, int j) {
        ++contactCalls;
        EXPECT_LT(i, j);
        EXPECT_EQ(world.atoms[i].colour, world.atoms[j].colour);
    };
    w->hooks.rulePass = [](PhysicsWorld&, uint64_t, bool sweep) { ruleCall = sweep ? ++hookOrder : -1; };
    w->hooks.removalPass = [](PhysicsWorld&, uint64_t, bool) { removalCall = ++hookOrder; };
    CreateAtom(*w, 100, 263, 4);
    CreateAtom(*w, 120, 263, 4);
    CreateAtom(*w, 140, 263, 2);
    StepWorld(*w, 16, true);
    EXPECT_GE(contactCalls, 1);
    EXPECT_EQ(ruleCall, 1);
    EXPECT_EQ(removalCall, 2);
}

// Corner and bar pieces as the games build them: links take their rest lengths from the creation positions.
void DropPiece(PhysicsWorld& w, bool bar, float x, float y, int colour) {
    const float s = w.spacing;
    int a = CreateAtom(w, bar ? x - s : x, y, static_cast<uint8_t>(colour % 5));
    int b = CreateAtom(w, x, bar ? y : y + s, static_cast<uint8_t>((colour + 1) % 5));
    int c = CreateAtom(w, x + s, bar ? y : y + s, static_cast<uint8_t>((colour + 2) % 5));
    CreateLink(w, a, b, -1, false, 1, false);
    CreateLink(w, b, c, -1, false, 1, false);
    CreateLink(w, c, a, b, false, 1, false);
    const uint16_t ids[4] = {static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c), NoAtom};
    for (int k = 0; k < 4; ++k) w.detailAtoms[k] = ids[k];
    for (int m : {a, b, c}) std::memcpy(w.atoms[m].detailMembers, ids, sizeof ids);
    w.detailCount = 3;
}

TEST_F(PhysicsStepTest, GoldenRunOfDroppedPiecesHashesToTheCommittedValue) {
    std::srand(7);
    for (int frame = 0, pieces = 0; frame < 600; ++frame) {
        if (frame % 45 == 0 && pieces < 12) {
            DropPiece(*w, pieces % 2, 60.0f + static_cast<float>((pieces * 37) % 160), 12.5f, pieces);
            ++pieces;
        }
        if (frame % 30 == 15) CreateAtom(*w, 20.0f + static_cast<float>((frame * 7) % 240), 40.0f, frame % 5);
        StepWorld(*w, 16, false);
        AdvanceClock(16);
    }
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over index and position bits of every live atom
    int live = 0;
    for (int i = 0; i < MaxAtoms; ++i) {
        const Atom& a = w->atoms[i];
        if (a.flags & FreeSlot) continue;
        ++live;
        EXPECT_TRUE(a.x >= 11.0f && a.x <= w->glassWidth + 1.0f && a.y <= w->floorY + 1.0f) << i;
        uint32_t words[3] = {static_cast<uint32_t>(i)};
        std::memcpy(&words[1], &a.x, 4);
        std::memcpy(&words[2], &a.y, 4);
        for (uint32_t v : words) {
            for (int b = 0; b < 4; ++b) hash = (hash ^ ((v >> (8 * b)) & 0xFF)) * 1099511628211ull;
        }
    }
    EXPECT_EQ(live, 12 * 3 + 20);
    EXPECT_EQ(w->overflow, 0);
    EXPECT_EQ(hash, 0x7b91feb24d469103ull) << std::hex << hash;
}

}  // namespace

// The physics step: contacts, floor and walls, the half-entered piece, crashes, hard hits, ice, and a golden run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/tuning.h"

namespace {

constexpr uint64_t StartMs = 100000;

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
        for (uint16_t& d : w->detailAtoms) d = NoAtom;
        for (int a : atoms) w->detailAtoms[k++] = static_cast<uint16_t>(a);
        w->detailCount = static_cast<uint8_t>(k);
    }
    void MakePiece(std::initializer_list<int> atoms) {
        for (int a : atoms) {
            int k = 0;
            for (int m : atoms) w->atoms[a].detailMembers[k++] = static_cast<uint16_t>(m);
        }
    }
    template <typename T, int N>
    int Live(const T (&pool)[N]) {
        int n = 0;
        for (const T& e : pool) n += (e.flags & FreeSlot) ? 0 : 1;
        return n;
    }

    std::unique_ptr<PhysicsWorld> w;
};

// ---- contacts ----

TEST_F(PhysicsStepTest, AtomsExactlyOneDiameterApartDoNotCollide) {
    int a = CreateAtom(*w, 100, 200, 0);
    int b = CreateAtom(*w, 124, 200, 1);
    CollideAtoms(*w, true, true);
    EXPECT_EQ(w->atoms[a].x, 100.0f);
    EXPECT_EQ(w->atoms[b].x, 124.0f);

    w->atoms[b].x = 123.5f;
    CollideAtoms(*w, true, true);
    float dx = 23.5f;
    float c = 576.0f / (dx * dx + 576.0f) - 0.5f;
    EXPECT_EQ(w->atoms[a].x, 100.0f - c * dx);
    EXPECT_EQ(w->atoms[b].x, 123.5f + c * dx);
    EXPECT_EQ(w->atoms[a].y, 200.0f);
}

TEST_F(PhysicsStepTest, LandingBonusOncePerTouchdown) {
    int pile = CreateAtom(*w, 100, 200, 0);
    int piece = CreateAtom(*w, 100, 180, 1);  // c = 576/976 - 0.5 = 0.09
    MakeDetail({piece});
    w->landingArmed = 1;
    CollideAtoms(*w, false, true);
    EXPECT_EQ(w->score, 10);
    EXPECT_EQ(w->landingArmed, 0);
    EXPECT_EQ(w->detailTouching, 1);
    EXPECT_EQ(w->floatingTexts[0].kind, TextLandingBonus);
    w->atoms[piece].y = 180;
    w->atoms[pile].y = 200;
    CollideAtoms(*w, false, true);
    EXPECT_EQ(w->score, 10);
    EXPECT_EQ(Live(w->floatingTexts), 1);
}

TEST_F(PhysicsStepTest, CrashFinishesTheMarkedAtomsOwnPieceEvenWhenTheHitterIsLoose) {
    int p0 = CreateAtom(*w, 100, 200, 2);
    int p1 = CreateAtom(*w, 100, 224, 2);
    int p2 = CreateAtom(*w, 76, 224, 2);
    MakePiece({p0, p1, p2});
    int other0 = CreateAtom(*w, 200, 200, 3);
    int other1 = CreateAtom(*w, 224, 200, 3);
    MakePiece({other0, other1});
    int hitter = CreateAtom(*w, 120, 200, 4);  // 20 px from p0, not in any Detail
    w->atoms[p0].marked = 1;

    CollideAtoms(*w, true, false);  // crashes only count in the first pass
    EXPECT_EQ(w->atoms[p1].points, 0);

    w->atoms[hitter].x = 120;
    w->atoms[p0].x = 100;
    CollideAtoms(*w, false, true);
    for (int m : {p0, p1, p2}) {
        EXPECT_EQ(w->atoms[m].markTime, A_FREEZE_ACTIVE_TIME);
        EXPECT_EQ(w->atoms[m].points, 300);
    }
    EXPECT_EQ(w->atoms[other0].points, 0);
    EXPECT_EQ(w->atoms[hitter].points, 0);
    const FloatingText& t = w->floatingTexts[0];
    ASSERT_FALSE(t.flags & FreeSlot);
    EXPECT_EQ(t.kind, TextGiven);
    EXPECT_STREQ(t.text, "Crashed!");
    EXPECT_GE(t.y, 224.0f - 42.0f - 6.0f - 12.0f);
}

TEST_F(PhysicsStepTest, CrashLeavesANewAtomInAReusedMemberSlotAlone) {
    int p0 = CreateAtom(*w, 100, 200, 2);
    int p1 = CreateAtom(*w, 100, 224, 2);
    MakePiece({p0, p1});
    RemoveAtom(*w, p1, 0);
    int stranger = CreateAtom(*w, 250, 100, 1);
    ASSERT_EQ(stranger, p1);
    CreateAtom(*w, 120, 200, 4);
    w->atoms[p0].marked = 1;
    CollideAtoms(*w, false, true);
    EXPECT_EQ(w->atoms[p0].points, 300);
    EXPECT_EQ(w->atoms[stranger].points, 0);
}

TEST_F(PhysicsStepTest, DeadHitsCountOncePerDelayAndBreakTheBlock) {
    int block = CreateAtom(*w, 108, 203.5f, NoColour);
    w->atoms[block].snapping = 1;
    SnapPass(*w);
    ASSERT_EQ(w->atoms[block].locked, 1);
    int piece = CreateAtom(*w, 108, 185.5f, 1);  // 18 px above: c = 0.14 > 100 / 45^2
    MakeDetail({piece});
    auto hit = [&] {
        w->atoms[piece].y = 185.5f;
        CollideAtoms(*w, false, false);
    };
    SetClockMs(StartMs + 200);
    hit();
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    EXPECT_EQ(w->atoms[block].y, 203.5f);  // locked blocks never move
    hit();                                  // the same shove again
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    SetClockMs(StartMs + 200 + PH_DEADHIT_DELAY);
    hit();
    EXPECT_EQ(w->atoms[block].hitsLeft, 2);
    SetClockMs(StartMs + 201 + PH_DEADHIT_DELAY);
    hit();
    EXPECT_EQ(w->atoms[block].hitsLeft, 1);
    SetClockMs(StartMs + 1000);
    hit();
    EXPECT_TRUE(w->atoms[block].flags & FreeSlot);
    EXPECT_EQ(w->lockedCell[4 + 6 * 12], 0);
}

TEST_F(PhysicsStepTest, AMarkedPieceBreaksALockedBlockAtOnceAndSoftHitsDoNotCount) {
    int piece = CreateAtom(*w, 108, 185.5f, 1);  // lower index than the block this time
    int block = CreateAtom(*w, 108, 203.5f, NoColour);
    w->atoms[block].snapping = 1;
    SnapPass(*w);
    MakeDetail({piece});
    SetClockMs(StartMs + 500);
    w->atoms[piece].y = 182.0f;  // 21.5 px: c = 0.054, above 100 / 45^2 = 0.049
    w->atoms[piece].marked = 1;
    CollideAtoms(*w, false, false);
    EXPECT_TRUE(w->atoms[block].flags & FreeSlot);

    int block2 = CreateAtom(*w, 180, 203.5f, NoColour);
    w->atoms[block2].snapping = 1;
    SnapPass(*w);
    int piece2 = CreateAtom(*w, 180, 181.0f, 1);  // 22.5 px: c = 0.032, a soft touch
    MakeDetail({piece2});
    SetClockMs(StartMs + 5000);
    CollideAtoms(*w, false, false);
    EXPECT_EQ(w->atoms[block2].hitsLeft, A_DEAD_HITS);
}

TEST_F(PhysicsStepTest, IceShardsFollowTheFreezeStage) {
    struct Case {
        uint32_t iceAge;
        int shards;
    } cases[] = {{15000, 0}, {17000, 1}, {19000, 2}, {21000, 3}};
    for (const Case& k : cases) {
        ResetWorld(*w);
        int a = CreateAtom(*w, 100, 200, 1);
        int b = CreateAtom(*w, 120, 200, 2);  // 20 px: c = 0.09 > 32 / 45^2
        w->atoms[a].iceAge = k.iceAge;
        w->atoms[a].iceReset = 777;
        CollideAtoms(*w, false, false);
        EXPECT_EQ(Live(w->iceShards), k.shards) << k.iceAge;
        EXPECT_EQ(w->atoms[a].iceAge, 1u);
        EXPECT_EQ(w->atoms[b].iceAge, 1u);
        EXPECT_EQ(w->atoms[a].iceReset, k.shards ? 0u : 777u);
        if (k.shards == 1) {
            EXPECT_EQ(w->iceShards[0].angle, 0.0f);
            EXPECT_EQ(w->iceShards[0].x, 100.0f);
        }
        for (const IceShard& s : w->iceShards) {
            if (s.flags & FreeSlot) continue;
            EXPECT_LE(s.angle, 0.0f);
            EXPECT_GE(s.angle, -150.0f);
            EXPECT_NEAR(s.x, 100.0f, 6.0f);
        }
    }
    // The player's own blocks keep their ice age.
    ResetWorld(*w);
    int a = CreateAtom(*w, 100, 200, 1);
    CreateAtom(*w, 120, 200, 2);
    w->atoms[a].iceAge = 21000;
    MakeDetail({a});
    CollideAtoms(*w, false, false);
    EXPECT_EQ(w->atoms[a].iceAge, 21000u);
    EXPECT_EQ(Live(w->iceShards), 0);
}

TEST_F(PhysicsStepTest, CollisionNotesWaitForTheNoteDelayAndTheSamePartner) {
    int pile = CreateAtom(*w, 100, 200, 0);
    int piece = CreateAtom(*w, 100, 180, 1);
    MakeDetail({piece});
    auto touch = [&] {
        w->atoms[piece].y = 180;
        w->atoms[pile].y = 200;
        CollideAtoms(*w, false, true);
    };
    w->lastNoteMs = StartMs - 100;
    w->noteDelayMs = 250;
    touch();
    EXPECT_EQ(Live(w->sparks), 0);
    EXPECT_EQ(w->atoms[piece].lastPartner, NoAtom);

    w->lastNoteMs = StartMs - 250;
    touch();
    EXPECT_EQ(Live(w->sparks), 1);
    EXPECT_EQ(w->atoms[piece].lastPartner, pile);
    EXPECT_EQ(w->atoms[pile].lastPartner, piece);
    EXPECT_EQ(w->sparks[0].y, 180);  // on the piece's block
    EXPECT_EQ(w->lastNoteMs, StartMs);

    SetClockMs(StartMs + 400);  // the same two blocks again within 475 ms
    touch();
    EXPECT_EQ(Live(w->sparks), 1);
    SetClockMs(StartMs + 1000);
    touch();
    EXPECT_EQ(Live(w->sparks), 2);
}

TEST_F(PhysicsStepTest, ShapesOffersASwapUnderThePointerAndDropsItFarAway) {
    w->hooks.variant = VariantShapes;
    int held = CreateAtom(*w, 100, 200, 1);
    int mate = CreateAtom(*w, 100, 224, 1);
    MakePiece({held, mate});
    int other = CreateAtom(*w, 120, 200, 2);
    w->grabbedAtom = held;
    w->mouseTarget[0] = 122;
    w->mouseTarget[1] = 200;
    CollideAtoms(*w, false, false);
    EXPECT_EQ(w->swapTarget, other);

    w->atoms[other].x = w->atoms[other].prevX = 200;
    Integrate(*w);
    EXPECT_EQ(w->swapTarget, -1);
}

// ---- floor, walls and rim ----

TEST_F(PhysicsStepTest, FloorTakesHorizontalSpeedInProportionToPenetration) {
    int shallow = CreateAtom(*w, 50, 275.2f, 0);
    int deep = CreateAtom(*w, 150, 275.8f, 0);
    int touching = CreateAtom(*w, 250, 275.0f, 0);
    for (int i : {shallow, deep, touching}) w->atoms[i].prevX = w->atoms[i].x - 2.0f;
    KeepInGlass(*w, 16);
    EXPECT_NEAR(w->atoms[shallow].x - w->atoms[shallow].prevX, 2.0f * (1.0f - 0.2f * 0.9f), 1e-4);
    EXPECT_NEAR(w->atoms[deep].x - w->atoms[deep].prevX, 2.0f * (1.0f - 0.8f * 0.9f), 1e-4);
    EXPECT_FLOAT_EQ(w->atoms[touching].x - w->atoms[touching].prevX, 2.0f);
    EXPECT_EQ(w->atoms[deep].y, 275.0f);
}

TEST_F(PhysicsStepTest, SideWallsAndRimHoldAtomsAndRearmTheirSounds) {
    int a = CreateAtom(*w, 100, 150, 0);
    MakeDetail({a});
    Atom& at = w->atoms[a];
    at.entering = 0;
    auto place = [&](float x, float y) {
        at.x = at.prevX = x;
        at.y = at.prevY = y;
        KeepInGlass(*w, 16);
    };
    place(100, 150);
    EXPECT_EQ(at.wallArmed[WallLeft], 1);
    EXPECT_EQ(at.wallArmed[WallRight], 1);
    EXPECT_EQ(at.wallArmed[WallTop], 1);

    place(5, 150);
    EXPECT_EQ(at.x, 12.0f + PH_GLASS_ELASTICITY);
    EXPECT_EQ(at.wallArmed[WallLeft], 0);
    place(24, 150);
    EXPECT_EQ(at.wallArmed[WallLeft], 0);
    place(24.5f, 150);
    EXPECT_EQ(at.wallArmed[WallLeft], 1);

    place(280, 150);
    EXPECT_EQ(at.x, w->glassWidth - PH_GLASS_ELASTICITY);
    EXPECT_EQ(at.wallArmed[WallRight], 0);
    place(w->glassWidth - 12, 150);
    EXPECT_EQ(at.wallArmed[WallRight], 0);
    place(w->glassWidth - 12.5f, 150);
    EXPECT_EQ(at.wallArmed[WallRight], 1);

    place(100, 50);
    EXPECT_EQ(at.y, 60.0f);
    EXPECT_EQ(at.wallArmed[WallTop], 0);
    place(100, 72);
    EXPECT_EQ(at.wallArmed[WallTop], 0);
    place(100, 72.5f);
    EXPECT_EQ(at.wallArmed[WallTop], 1);

    // Blocks of the pile are held without a sound, so their flags stay as they were.
    int loose = CreateAtom(*w, 5, 40, 0);
    w->atoms[loose].wallArmed[WallLeft] = 1;
    KeepInGlass(*w, 16);
    EXPECT_EQ(w->atoms[loose].x, 12.0f);
    EXPECT_EQ(w->atoms[loose].y, 60.0f);
    EXPECT_EQ(w->atoms[loose].wallArmed[WallLeft], 1);
}

TEST_F(PhysicsStepTest, ARimHoldsThePieceOnlyOnceItIsWhollyInside) {
    int a = CreateAtom(*w, 100, 30, 0);
    int b = CreateAtom(*w, 124, 100, 0);
    int intro = CreateAtom(*w, 5, 20, 3);
    w->atoms[intro].introAtom = 1;
    MakeDetail({a, b});
    KeepInGlass(*w, 16);
    EXPECT_EQ(w->detailInside, 0u);
    EXPECT_EQ(w->atoms[a].y, 30.0f);
    EXPECT_EQ(w->atoms[intro].y, 20.0f);  // the level-start row is not held by the rim or walls
    EXPECT_EQ(w->atoms[intro].x, 5.0f);
}

TEST_F(PhysicsStepTest, HalfEnteredPieceOverflowsAfter4001MsAtThreeFrameTimesPerFrame) {
    w->gravity = 0;
    int in = CreateAtom(*w, 60, 150, 0);
    int out1 = CreateAtom(*w, 120, 20, 1);
    int out2 = CreateAtom(*w, 180, 20, 2);
    w->atoms[in].entering = 0;
    MakeDetail({in, out1, out2});
    for (int f = 0; f < 13; ++f) StepWorld(*w, 100, false);
    EXPECT_EQ(w->partialEntryMs, 3900u);
    EXPECT_EQ(w->overflow, 0);
    StepWorld(*w, 100, false);
    EXPECT_EQ(w->overflow, 1);

    // Wholly inside: the time starts again.
    w->atoms[out1].y = w->atoms[out1].prevY = 150;
    w->atoms[out2].y = w->atoms[out2].prevY = 150;
    StepWorld(*w, 100, false);
    EXPECT_EQ(w->partialEntryMs, 0u);
    EXPECT_EQ(w->detailInside, 1u);
}

// ---- the frame ----

TEST_F(PhysicsStepTest, F2CyclesTheCollisionVolume) {
    EXPECT_EQ(w->collisionVolume, 2.0f);
    input.keys[KeyVolumeF2] = 0x80;
    StepWorld(*w, 16, false);
    EXPECT_EQ(w->collisionVolume, 3.0f);
    StepWorld(*w, 16, false);
    EXPECT_EQ(w->collisionVolume, 1.0f);
    input.previousKeys[KeyVolumeF2] = 0x80;  // held, not pressed again
    StepWorld(*w, 16, false);
    EXPECT_EQ(w->collisionVolume, 1.0f);
}

TEST_F(PhysicsStepTest, LevelStartRowIsReleasedAfter4000MsAndTheWallsLetGo) {
    int r0 = CreateAtom(*w, 32, 36, 0);
    int r1 = CreateAtom(*w, 68, 36, 1);
    w->atoms[r0].introAtom = w->atoms[r1].introAtom = 1;
    int rowLink = CreateLink(*w, r0, r1, -1, false, 1, false);
    int p0 = CreateAtom(*w, 150, 150, 2);
    int p1 = CreateAtom(*w, 174, 150, 2);
    int pieceLink = CreateLink(*w, p0, p1, -1, false, 1, false);
    w->levelStartCreated = 1;
    w->levelStartMs = StartMs;

    SetClockMs(StartMs + 4000);
    StepWorld(*w, 16, false);
    EXPECT_EQ(w->levelStartReleased, 0);
    SetClockMs(StartMs + 4001);
    StepWorld(*w, 16, false);
    EXPECT_EQ(w->levelStartReleased, 1);
    EXPECT_FALSE(w->links[rowLink].flags & FreeSlot);
    EXPECT_TRUE(w->links[pieceLink].flags & FreeSlot);
    int loose = CreateAtom(*w, 5, 150, 0);
    KeepInGlass(*w, 16);
    EXPECT_EQ(w->atoms[loose].x, 5.0f);
}

struct HookLog {
    int contacts = 0, rules = 0, removals = 0, order = 0;
};
HookLog hookLog;

TEST_F(PhysicsStepTest, VariantHooksRunForSameColourContactsThenRulesThenRemoval) {
    hookLog = {};
    w->hooks.contactHook = [](PhysicsWorld& world, int i, int j) {
        ++hookLog.contacts;
        EXPECT_LT(i, j);
        EXPECT_EQ(world.atoms[i].colour, world.atoms[j].colour);
    };
    w->hooks.rulePass = [](PhysicsWorld&, uint64_t frameMs, bool sweep) {
        EXPECT_EQ(frameMs, 16u);
        EXPECT_TRUE(sweep);
        hookLog.rules = ++hookLog.order;
    };
    w->hooks.removalPass = [](PhysicsWorld&, uint64_t, bool) { hookLog.removals = ++hookLog.order; };
    CreateAtom(*w, 100, 263, 4);
    CreateAtom(*w, 120, 263, 4);
    CreateAtom(*w, 140, 263, 2);
    StepWorld(*w, 16, true);
    EXPECT_GE(hookLog.contacts, 1);  // only the same-coloured pair, checked in the hook
    EXPECT_EQ(hookLog.rules, 1);
    EXPECT_EQ(hookLog.removals, 2);
}

// ---- golden run ----

// Drops pieces as the games build them (corner, bar, square) and loose blocks, and steps the world.
void DropPiece(PhysicsWorld& w, int kind, float x, float y, int colourBase) {
    const float s = w.spacing;
    int a[4] = {-1, -1, -1, -1};
    auto colour = [&](int k) { return static_cast<uint8_t>((colourBase + k) % 5); };
    if (kind == 0) {
        a[0] = CreateAtom(w, x, y, colour(0));
        a[1] = CreateAtom(w, x, y + s, colour(1));
        a[2] = CreateAtom(w, x + s, y + s, colour(2));
        CreateLink(w, a[0], a[1], -1, false, 1, false);
        CreateLink(w, a[1], a[2], -1, false, 1, false);
        CreateLink(w, a[2], a[0], a[1], false, 1, false);
    } else if (kind == 1) {
        a[0] = CreateAtom(w, x - s, y, colour(0));
        a[1] = CreateAtom(w, x, y, colour(1));
        a[2] = CreateAtom(w, x + s, y, colour(2));
        CreateLink(w, a[0], a[1], -1, false, 1, false);
        CreateLink(w, a[2], a[0], a[1], false, 1, false);
        CreateLink(w, a[1], a[2], -1, false, 1, false);
    } else {
        a[0] = CreateAtom(w, x, y - 1, colour(0));
        a[1] = CreateAtom(w, x + s, y - 1, colour(1));
        a[2] = CreateAtom(w, x, y + s - 1, colour(2));
        a[3] = CreateAtom(w, x + s, y + s - 1, colour(3));
        CreateLink(w, a[1], a[2], a[0], false, 1, false);
        CreateLink(w, a[1], a[2], a[3], false, 1, false);
        CreateLink(w, a[0], a[3], a[2], false, 1, false);
        CreateLink(w, a[0], a[3], a[1], false, 1, false);
        CreateLink(w, a[0], a[1], -1, false, 1, false);
        CreateLink(w, a[3], a[2], -1, false, 1, false);
        CreateLink(w, a[1], a[3], -1, false, 1, false);
        CreateLink(w, a[2], a[0], -1, false, 1, false);
    }
    w.detailCount = kind == 2 ? 4 : 3;
    for (int k = 0; k < 4; ++k) {
        w.detailAtoms[k] = a[k] < 0 ? NoAtom : static_cast<uint16_t>(a[k]);
        for (int m = 0; m < 4; ++m) {
            if (a[k] >= 0) w.atoms[a[k]].detailMembers[m] = a[m] < 0 ? NoAtom : static_cast<uint16_t>(a[m]);
        }
    }
    w.detailTouching = 0;
    ++w.piecesSpawned;
}

uint64_t HashPositions(const PhysicsWorld& w) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint32_t v) {
        for (int b = 0; b < 4; ++b) {
            h ^= (v >> (8 * b)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    for (int i = 0; i < MaxAtoms; ++i) {
        const Atom& a = w.atoms[i];
        if (a.flags & FreeSlot) continue;
        uint32_t x, y;
        std::memcpy(&x, &a.x, 4);
        std::memcpy(&y, &a.y, 4);
        mix(static_cast<uint32_t>(i));
        mix(x);
        mix(y);
    }
    return h;
}

TEST_F(PhysicsStepTest, GoldenRunOfDroppedPiecesHashesToTheCommittedValue) {
    std::srand(7);
    int pieces = 0;
    for (int frame = 0; frame < 600; ++frame) {
        if (frame % 45 == 0 && pieces < 12) {
            DropPiece(*w, pieces % 3, 60.0f + static_cast<float>((pieces * 37) % 160), 12.5f, pieces);
            ++pieces;
        }
        if (frame % 30 == 15) CreateAtom(*w, 20.0f + static_cast<float>((frame * 7) % 240), 40.0f, frame % 5);
        StepWorld(*w, 16, false);
        AdvanceClock(16);
    }
    int live = 0;
    for (const Atom& a : w->atoms) {
        if (a.flags & FreeSlot) continue;
        ++live;
        EXPECT_GE(a.x, 11.0f);
        EXPECT_LE(a.x, w->glassWidth + 1.0f);
        EXPECT_LE(a.y, w->floorY + 1.0f);
    }
    EXPECT_EQ(live, 12 * 3 + 4 + 20);
    EXPECT_EQ(w->overflow, 0);
    EXPECT_EQ(HashPositions(*w), 0xd69ae15ff0ce7bf2ull) << std::hex << HashPositions(*w);
}

}  // namespace

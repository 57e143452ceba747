// World drawing: the choices of images and alphas, the ageing of texts, ghosts, sparks and shards, the
// vision timer, the effects switch, and missing images drawing nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "input/input.h"
#include "physics/world.h"
#include "render/world_draw.h"
#include "render_test_support.h"
#include "rules/game.h"
#include "rules/tuning.h"

using namespace render_test;

namespace {

class RenderWorld : public ::testing::Test {
   protected:
    std::unique_ptr<PhysicsWorld> w = std::make_unique<PhysicsWorld>();
    GameImages savedImages;

    void SetUp() override {
        ASSERT_TRUE(StartWithImages());
        savedImages = images;
        ResetWorld(*w);
        A_DEAD_HITS = 3;
        A_FREEZE_STAGE0_TIME = 16000;
        A_FREEZE_STAGE1_TIME = 18000;
        A_FREEZE_STAGE2_TIME = 20000;
        A_FREEZE_ACTIVE_TIME = 3200;
        input.mouseButtons[0] = 0;
        game.swapAllowed = 1;
        SetEffectsEnabled(true);
        ResetVision();
        ClearPicture();
    }
    void TearDown() override {
        images = savedImages;
        input.mouseButtons[0] = 0;
        SetEffectsEnabled(true);
        ResetVision();
    }
    void Frames(int count, uint64_t frameMs, int variant = VariantShapes) {
        for (int i = 0; i < count; ++i) {
            ResetSpriteQueues();
            DrawWorld(*w, variant, frameMs);
        }
    }
};

TEST_F(RenderWorld, IceBodyImageFollowsHitsLeft) {
    Atom ice;
    ice.colour = NoColour;
    const int shown[4] = {images.cracks[1], images.cracks[1], images.cracks[0], images.ice};  // by hits left
    for (int hits = 0; hits <= 3; ++hits) {
        ice.hitsLeft = hits;
        EXPECT_EQ(AtomBodyImage(ice, 3), shown[hits]) << hits;
    }
    EXPECT_EQ(AtomPatternImage(ice), -1);
    EXPECT_EQ(IceCrackLevel(1, 0), 0);  // no hits tuned: never divides by zero
    Atom odd;
    odd.colour = 9;  // beyond the nine colour images
    EXPECT_EQ(AtomBodyImage(odd, 3), -1);
}

TEST(RenderWorldChoices, MarkedBlockBlinksEvery140Ms) {
    EXPECT_EQ(MarkBlinkAlpha(0), 55);
    EXPECT_EQ(MarkBlinkAlpha(139), 55);
    EXPECT_EQ(MarkBlinkAlpha(140), 255);
    EXPECT_EQ(MarkBlinkAlpha(279), 255);
    EXPECT_EQ(MarkBlinkAlpha(280), 55);
    // The special mark is half a period behind the body.
    EXPECT_EQ(SpecialBlinkAlpha(0), 255);
    EXPECT_EQ(SpecialBlinkAlpha(140), 55);
}

TEST(RenderWorldChoices, GlowTurnsLateOneSecondBeforeRemoval) {
    EXPECT_FALSE(GlowIsLate(2199, 3200));
    EXPECT_TRUE(GlowIsLate(2200, 3200));
    EXPECT_FALSE(GlowIsLate(100000, -1));  // removal by the sweep line: never late
    EXPECT_EQ(GlowAlpha(0), 64);
    EXPECT_EQ(GlowAlpha(2000), 180);
    EXPECT_EQ(GlowAlpha(4000), 64);
    EXPECT_EQ(GlowAlpha(100000), 0);  // a very old mark fades out instead of wrapping round
}

TEST_F(RenderWorld, ColourFlashIsInvisibleAtItsMiddleWhereTheColourChanges) {
    EXPECT_EQ(FlashAlpha(0), 255);
    EXPECT_EQ(FlashAlpha(250), 127);
    EXPECT_EQ(FlashAlpha(500), 0);
    EXPECT_EQ(FlashAlpha(1000), 255);
    Atom a;
    a.colour = 1;
    a.savedColour = 4;
    a.colourFlash = 1;
    a.flashTime = 500;
    EXPECT_EQ(AtomBodyImage(a, 3), images.atomBodies[1]);
    EXPECT_EQ(AtomPatternImage(a), images.patterns[1]);
    EXPECT_EQ(AtomBodyAlpha(a), 0);
    a.flashTime = 501;
    EXPECT_EQ(AtomBodyImage(a, 3), images.atomBodies[4]);
    EXPECT_EQ(AtomPatternImage(a), images.patterns[4]);
    // A marked block in a flash takes the flash's fade instead of its blink.
    a.marked = 1;
    a.markTime = 0;
    a.flashTime = 0;
    EXPECT_EQ(AtomBodyAlpha(a), 255);
    a.flashTime = 250;
    EXPECT_EQ(AtomBodyAlpha(a), 127);
    a.colourFlash = 0;
    EXPECT_EQ(AtomBodyAlpha(a), 55);
}

TEST_F(RenderWorld, FrostFollowsTheIceAge) {
    EXPECT_EQ(FrostStage(16000), -1);
    EXPECT_EQ(FrostStage(16001), 0);
    EXPECT_EQ(FrostStage(18001), 1);
    EXPECT_EQ(FrostStage(20001), 2);
    EXPECT_EQ(FrostStage(0xFFFFFFFFu), 2);  // compared without a sign
}

TEST(RenderWorldChoices, GhostAndSparkFramesStayInsideTheirSets) {
    EXPECT_EQ(GhostFrame(-30), 0);
    EXPECT_EQ(GhostFrame(0), 0);
    EXPECT_EQ(GhostFrame(175), 2);
    EXPECT_EQ(GhostFrame(349), 8);
    EXPECT_EQ(GhostFrame(350), 8);  // the set ends at frame 8
    EXPECT_EQ(SparkFrame(275), 1);
    EXPECT_EQ(SparkFrame(550), 4);
}

// A landing bonus rises half a pixel a frame and is shown through its 1000th ms; the bad-swap text lasts 2 s.
TEST_F(RenderWorld, FloatingTextsRiseAndAreGoneAfterTheirLife) {
    int landing = AddFloatingText(*w, 100.0f, 200.0f, TextLandingBonus, nullptr);
    int bad = AddFloatingText(*w, 100.0f, 200.0f, 11, nullptr);
    Frames(1, 100);
    EXPECT_FLOAT_EQ(w->floatingTexts[landing].y, 199.5f);
    EXPECT_EQ(w->floatingTexts[landing].age, 100);
    Frames(9, 100);
    EXPECT_EQ(w->floatingTexts[landing].flags & FreeSlot, 0u);  // age 1000: still shown
    Frames(1, 100);
    EXPECT_NE(w->floatingTexts[landing].flags & FreeSlot, 0u);
    Frames(9, 100);
    EXPECT_EQ(w->floatingTexts[bad].flags & FreeSlot, 0u);
    Frames(1, 100);
    EXPECT_NE(w->floatingTexts[bad].flags & FreeSlot, 0u);
}

TEST_F(RenderWorld, GhostsSparksAndShardsAgeAndAreFreed) {
    int ghost = AddRemovalGhost(*w, 50.0f, 150.0f, 0, -60);
    int spark = AddSpark(*w, 50.0f, 150.0f);
    int shard = AddIceShard(*w, 50.0f, 150.0f, -30.0f);
    Frames(1, 50);
    EXPECT_EQ(w->removalGhosts[ghost].start, -10);
    Frames(7, 50);  // 400 ms
    EXPECT_EQ(w->removalGhosts[ghost].start, 340);
    EXPECT_EQ(w->removalGhosts[ghost].flags & FreeSlot, 0u);
    EXPECT_EQ(w->sparks[spark].age, 400);
    Frames(1, 50);
    EXPECT_NE(w->removalGhosts[ghost].flags & FreeSlot, 0u);
    Frames(2, 50);  // 550 ms: still there
    EXPECT_EQ(w->sparks[spark].flags & FreeSlot, 0u);
    EXPECT_EQ(w->iceShards[shard].flags & FreeSlot, 0u);
    Frames(1, 50);
    EXPECT_NE(w->sparks[spark].flags & FreeSlot, 0u);
    EXPECT_NE(w->iceShards[shard].flags & FreeSlot, 0u);
}

TEST_F(RenderWorld, EffectsSwitchHidesGlowAndGhostsButTheyStillAge) {
    int a = CreateAtom(*w, 100.0f, 200.0f, 0);
    w->atoms[a].marked = 1;
    w->atoms[a].markTime = 2000;
    int ghost = AddRemovalGhost(*w, 250.0f, 100.0f, 0, 100);  // drawn around (321 + 12, 27 + 12)
    SetEffectsEnabled(false);
    Frames(1, 16);
    EXPECT_EQ(PicturePixel(333, 39), 0xFF000000u);
    // Outside the 23-pixel body only the 28-pixel glow could reach.
    EXPECT_EQ(PicturePixel(196 + 13, 152), 0xFF000000u);
    EXPECT_EQ(w->removalGhosts[ghost].start, 116);
    ClearPicture();
    ToggleEffects();
    EXPECT_TRUE(EffectsEnabled());
    Frames(1, 16);
    EXPECT_NE(PicturePixel(333, 39), 0xFF000000u);
}

TEST_F(RenderWorld, MissingImagesDrawNothingRatherThanTheLastImage) {
    // Something is bound before the world is drawn.
    DrawSprite(images.atomBodies[2], 400, 250, 23, 23, true);
    ClearPicture();
    images = GameImages{};
    for (int& id : images.atomBodies) id = -1;
    for (int& id : images.patterns) id = -1;
    for (int& id : images.pieceOutlines) id = -1;
    for (int& id : images.floatingTexts) id = -1;
    for (int& id : images.ghosts) id = -1;
    for (int& id : images.frost) id = -1;
    for (int& id : images.cracks) id = -1;
    for (int& id : images.chainLinks) id = -1;
    int a = CreateAtom(*w, 100.0f, 200.0f, 0);
    w->atoms[a].marked = 1;
    w->atoms[a].special = 1;
    AddFloatingText(*w, 100.0f, 150.0f, TextRemovalPoints, nullptr);
    AddRemovalGhost(*w, 100.0f, 150.0f, 0, 10);
    AddSpark(*w, 100.0f, 150.0f);
    AddIceShard(*w, 100.0f, 150.0f, 0.0f);
    Frames(1, 16);
    for (int y = 80; y < 200; y += 3)
        for (int x = 140; x < 260; x += 3) ASSERT_EQ(PicturePixel(x, y), 0xFF000000u) << x << "," << y;
}

TEST_F(RenderWorld, HoldingTheButtonOnEmptyGlassShowsThePieceOutlines) {
    CreateAtom(*w, 100.0f, 200.0f, 0);
    input.mouseButtons[0] = 0x80;
    Frames(46, 16);  // 736 ms
    EXPECT_FALSE(VisionShown());
    Frames(1, 16);  // 752 ms
    EXPECT_TRUE(VisionShown());
    // Holding a block is not looking: the timer falls back.
    w->grabbedAtom = 0;
    Frames(1, 16);
    EXPECT_FALSE(VisionShown());
    EXPECT_EQ(VisionTimerMs(), 736);
    // Released, the timer is limited to 1000 and falls by the frame time, below 0 on its last step.
    EXPECT_EQ(NextVisionTimer(5000, false, 16), 984);
    EXPECT_EQ(NextVisionTimer(10, false, 16), -6);
    EXPECT_EQ(NextVisionTimer(-6, false, 16), -6);
    EXPECT_EQ(NextVisionTimer(-6, true, 16), 10);
    // Only shapes has the vision overlay.
    w->grabbedAtom = -1;
    ResetVision();
    Frames(60, 16, VariantCubes);
    EXPECT_FALSE(VisionShown());
    EXPECT_EQ(VisionTimerMs(), 0);
}

TEST_F(RenderWorld, ChainLinkIsDrawnBetweenItsTwoAtoms) {
    w->chainCount = 1;
    w->chainLengths[0] = 2;
    w->chainAtomCount = 2;
    w->chainAtoms[0] = {200.0f, 100.0f, 1, 0, 0};
    w->chainAtoms[1] = {224.0f, 100.0f, 1, 0, 0};
    DrawChainLinks(*w);
    EXPECT_NE(PicturePixel(212, 100), 0xFF000000u);
    EXPECT_EQ(PicturePixel(212, 120), 0xFF000000u);
    // A marked entry in the dark half of its blink is not drawn at all.
    ClearPicture();
    w->chainAtoms[1].marked = 1;
    DrawChainLinks(*w);
    EXPECT_EQ(PicturePixel(212, 100), 0xFF000000u);
    // Lengths that claim more atoms than were recorded are cut to the records.
    ClearPicture();
    w->chainLengths[0] = 60000;
    w->chainCount = 100000;
    DrawChainLinks(*w);
}

}  // namespace

// The HUD, the level displays and the records table: the equalizer's bars, the digits, counters and
// their colours, the level number, the level-up clock and sparkles, the completion notice, the records page.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "physics/world.h"
#include "render/hud.h"
#include "render/level_display.h"
#include "render/messages.h"
#include "render/particles.h"
#include "render/world_draw.h"
#include "render_test_support.h"
#include "rules/game.h"
#include "store/records.h"

using namespace render_test;

namespace {

TEST(RenderHud, EqualizerBarJumpsUpAndFallsBack) {
    EXPECT_NEAR(EqualizerShownStep(9.0f, 0.0f, 16), 7.92f, 0.001f);
    EXPECT_FLOAT_EQ(EqualizerShownStep(2.0f, 0.5f, 16), 4.5f);  // up at once
    EXPECT_NEAR(EqualizerShownStep(6.0f, 0.5f, 100), 4.875f, 0.001f);
    // A frame longer than about 133 ms overshoots below the target; the bar is then empty.
    float shown = EqualizerShownStep(9.0f, 0.0f, 200);
    EXPECT_LT(shown, 0.0f);
    EXPECT_EQ(EqualizerBarHeight(shown), 0);
    // Silence normalised by zero must not poison the level for the rest of the run.
    EXPECT_NEAR(EqualizerShownStep(9.0f, std::nanf(""), 16), 7.92f, 0.001f);
    EXPECT_FLOAT_EQ(EqualizerShownStep(0.0f, 3.0f, 16), 9.0f);
    EXPECT_EQ(EqualizerBarHeight(std::nanf("")), 0);
}

TEST(RenderHud, ScoreShowsEightDigitsAndIsHeldAtTheLargest) {
    char digits[16];
    FormatScoreDigits(ShownScore(123), digits);
    EXPECT_STREQ(digits, "00000123");
    FormatScoreDigits(ShownScore(100000000), digits);
    EXPECT_STREQ(digits, "99999999");
    FormatScoreDigits(ShownScore(-40), digits);
    EXPECT_STREQ(digits, "00000000");
}

TEST(RenderHud, ProgressFillsInTwoPixelSteps) {
    EXPECT_EQ(ProgressFillSteps(0.0f), 0);
    EXPECT_EQ(ProgressFillSteps(0.01f), 1);
    EXPECT_EQ(ProgressFillSteps(0.5f), 25);
    EXPECT_EQ(ProgressFillSteps(1.0f), 50);
    EXPECT_EQ(ProgressFillSteps(3.0f), 50);  // never past the frame
    EXPECT_EQ(ProgressFillSteps(-0.5f), 0);
    auto w = std::make_unique<PhysicsWorld>();
    w->progress = 0.25f;
    w->barEnergy = 0.75f;
    EXPECT_FLOAT_EQ(HudProgress(*w, VariantChains), 0.75f);
    EXPECT_FLOAT_EQ(HudProgress(*w, VariantShapes), 0.25f);
    EXPECT_FLOAT_EQ(HudProgress(*w, VariantCubes), 0.25f);
}

TEST(RenderHud, MovesCounterWarnsAndBlinksOnlyInShapes) {
    EXPECT_EQ(MovesCounterColour(VariantShapes, 2, 0, -1), 0xFFEFC8FFu);
    EXPECT_EQ(MovesCounterColour(VariantShapes, 3, 0, -1), 0xFFFFFFFFu);
    EXPECT_EQ(MovesCounterColour(VariantChains, 1, 0, -1), 0xFFFFFFFFu);
    EXPECT_EQ(MovesCounterColour(VariantCubes, 0, 1, 0), 0xFFFFFFFFu);
    // A pending loss blinks, white in the odd 200 ms periods, whatever is left.
    EXPECT_EQ(MovesCounterColour(VariantShapes, 8, 1, 0), 0xFFEFC8FFu);
    EXPECT_EQ(MovesCounterColour(VariantShapes, 8, 1, 200), 0xFFFFFFFFu);
    EXPECT_EQ(MovesCounterColour(VariantShapes, 1, 1, 399), 0xFFFFFFFFu);
    EXPECT_EQ(MovesCounterColour(VariantShapes, 8, 1, 400), 0xFFEFC8FFu);
}

TEST(RenderHud, LevelNumberFadesOutChangesAndFadesBackIn) {
    EXPECT_EQ(LevelNumberAlpha(false, 0), 255);
    EXPECT_EQ(LevelNumberAlpha(true, 0), 255);
    EXPECT_EQ(LevelNumberAlpha(true, 1000), 127);
    EXPECT_EQ(LevelNumberAlpha(true, 2000), 0);
    EXPECT_EQ(LevelNumberAlpha(true, 4000), 255);
    // The level has risen to 3 (fourth level) when the display starts: "03" until 2000 ms, then "04".
    EXPECT_EQ(LevelNumberShown(3, true, 1999), 3);
    EXPECT_EQ(LevelNumberShown(3, true, 2000), 4);
    EXPECT_EQ(LevelNumberShown(3, false, 0), 4);
    EXPECT_EQ(LevelUpBannerAlpha(2000), 255);
    EXPECT_EQ(LevelUpBannerAlpha(0), 0);
}

TEST(RenderHud, LevelDisplayAlphas) {
    EXPECT_EQ(LevelCompleteAlpha(0), 0);
    EXPECT_EQ(LevelCompleteAlpha(150), 127);
    EXPECT_EQ(LevelCompleteAlpha(300), 255);
    EXPECT_EQ(LevelCompleteAlpha(90000), 255);
    EXPECT_EQ(LevelUpMessageAlpha(3700), 255);
    EXPECT_EQ(LevelUpMessageAlpha(3850), 128);
    EXPECT_EQ(LevelUpMessageAlpha(4000), 0);
    EXPECT_EQ(LevelUpMessageAlpha(5000), 0);
    EXPECT_EQ(LevelUpBurstsDue(0), 1);
    EXPECT_EQ(LevelUpBurstsDue(99), 1);
    EXPECT_EQ(LevelUpBurstsDue(100), 2);
    EXPECT_EQ(LevelUpBurstsDue(1999), 20);
    EXPECT_EQ(LevelUpBurstsDue(3000), 20);
    EXPECT_EQ(PointerBob(249), 0);
    EXPECT_EQ(PointerBob(250), 1);
    EXPECT_EQ(PointerBob(500), 0);
}

TEST(RenderHud, RecordsPageIsTheTenPlacesAroundThePlayer) {
    EXPECT_EQ(RecordsPageStart(14), 10);  // the 15th place: places 11 to 20
    EXPECT_EQ(RecordsPageStart(9), 0);
    EXPECT_EQ(RecordsPageStart(10), 10);
    EXPECT_EQ(RecordsPageStart(-1), 0);
    EXPECT_EQ(RecordsPageStart(999), 990);
    EXPECT_EQ(RecordsPageStart(5000), 0);  // a broken place never reads past the table
    EXPECT_EQ(RecordsRowColour(false, 750), 0xFFFFFFFFu);
    EXPECT_EQ(RecordsRowColour(true, 749), 0xFFFFFFFFu);
    EXPECT_EQ(RecordsRowColour(true, 750), 0xFFEE84DBu);
    EXPECT_EQ(RecordsRowColour(true, 1500), 0xFFFFFFFFu);
    EXPECT_EQ(RecordsStars(0), 3);
    EXPECT_EQ(RecordsStars(2), 1);
    EXPECT_EQ(RecordsStars(3), 0);
    EXPECT_EQ(RecordsHighlightedStar(0, 500), 2);
    EXPECT_EQ(RecordsHighlightedStar(1, 500), 0);
    EXPECT_EQ(RecordsHighlightedStar(4, 500), -1);
}

class RenderHudPicture : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(StartWithImages());
        ClearPicture();
    }
};

TEST_F(RenderHudPicture, DigitsComeFromTheirPlaceInTheStrip) {
    // The strip itself at 1:1 below, then the number: each digit's nine visible columns match the strip.
    DrawSprite(images.digits, 0, 100, 100, 10, true);
    DrawNumber(images.digits, 0, 0, 12345678, false, 16);
    const int digits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    int lit = 0;
    for (int i = 0; i < 8; ++i)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 9; ++x) {
                uint32_t shown = PicturePixel(9 * i + x, y);
                ASSERT_EQ(shown, PicturePixel(9 * digits[i] + x, 100 + y)) << i << ":" << x << "," << y;
                lit += shown != 0xFF000000u;
            }
    EXPECT_GT(lit, 100);
}

// Every page shows its first three rows with 3, 2 and 1 stars, not only the page of the best places.
TEST_F(RenderHudPicture, RecordStarsOnTheFirstRowsOfEveryPage) {
    auto table = std::make_unique<RecordTable>();
    for (int place : {-1, 14, 995}) {
        ClearPicture();
        DrawRecordsTable(*table, place, "", 0, 0, 16);
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 3; ++k) {
                // The middle of the star's place: lit where a star stands, black elsewhere.
                const bool lit = Brightness(PicturePixel(142 - 14 * k + 6, 46 + 14 * r + 6)) > 200;
                EXPECT_EQ(lit, k < 3 - r) << "place " << place << " row " << r << " star " << k;
            }
    }
}

// The level counter's "of N" is in the interface language.
TEST(RenderHud, LevelCountInBothLanguages) {
    EXPECT_STREQ(LevelCountFormat(0), "\n\nof %i");
    EXPECT_STREQ(LevelCountFormat(1), "\n\nиз %i");
}

class RenderLevelDisplay : public RenderHudPicture {
   protected:
    std::unique_ptr<PhysicsWorld> w = std::make_unique<PhysicsWorld>();
    GameState g;
    void SetUp() override {
        RenderHudPicture::SetUp();
        ResetWorld(*w);
        ResetParticles(particleSystem);
        SetEffectsEnabled(true);
        BeginMessages();
        SetMessage(0);
    }
    void TearDown() override {
        ResetParticles(particleSystem);
        SetEffectsEnabled(true);
    }
    // One game frame: the rules age the displays, then they are drawn.
    bool Frame(uint64_t frameMs) {
        AdvanceLevelDisplays(g, frameMs);
        return DrawLevelDisplays(*w, g, frameMs);
    }
};

TEST_F(RenderLevelDisplay, LevelUpRunsFourSecondsThenReturnsTheMessagesToTheStart) {
    g.levelUpActive = true;
    g.levelUpMs = 0;
    EXPECT_TRUE(Frame(16));
    EXPECT_EQ(g.levelUpMs, 16u);
    EXPECT_STREQ(CurrentMessageText(), "You are on the next level!");
    g.levelUpMs = 3980;
    EXPECT_TRUE(Frame(16));
    EXPECT_TRUE(g.levelUpActive);
    SetMessage(1);
    EXPECT_FALSE(Frame(16));
    EXPECT_FALSE(g.levelUpActive);
    EXPECT_EQ(messageSequence.currentMessage, 0);
}

TEST_F(RenderLevelDisplay, SparklesComeInPairsEvery100MsOnlyWithEffectsOn) {
    g.levelUpActive = true;
    g.levelUpMs = 0;
    Frame(50);
    EXPECT_EQ(LiveParticleCount(particleSystem), 2);  // the burst of 0 ms
    Frame(50);
    EXPECT_EQ(LiveParticleCount(particleSystem), 4);  // ... and of 100 ms
    Frame(50);
    EXPECT_EQ(LiveParticleCount(particleSystem), 4);  // the next is due at 200
    // The second half of the display has no sparkles.
    g.levelUpMs = 2000;
    Frame(50);
    int afterFirstHalf = LiveParticleCount(particleSystem);
    Frame(50);
    EXPECT_EQ(LiveParticleCount(particleSystem), afterFirstHalf);
    // A new level up with the effects off: none at all.
    ResetParticles(particleSystem);
    ToggleEffects();
    g.levelUpMs = 0;
    for (int i = 0; i < 20; ++i) Frame(50);
    EXPECT_EQ(LiveParticleCount(particleSystem), 0);
}

TEST_F(RenderLevelDisplay, CompletionNoticeCountsTheSpecialBlocksStillToRemove) {
    w->specialsInGlass = 2;
    g.specialsToCreate = 1;
    g.levelCompleteShown = true;
    g.levelCompleteMs = 0;
    EXPECT_EQ(SpecialBlocksLeft(*w, g), 3);
    EXPECT_TRUE(Frame(16));
    EXPECT_EQ(g.levelCompleteMs, 16u);
    EXPECT_STREQ(CurrentMessageText(), "You did it! The level is complete!");
    SetMessage(3);
    DrawLevelDisplays(*w, g, 16);
    EXPECT_STREQ(CurrentMessageText(), "Only 3 special blocks left!");
    w->specialsInGlass = 1;
    g.specialsToCreate = 0;
    DrawLevelDisplays(*w, g, 16);
    EXPECT_STREQ(CurrentMessageText(), "Only 1 special block left!");
    g.specialsToCreate = -1;  // not yet decided: counts as none
    EXPECT_EQ(SpecialBlocksLeft(*w, g), 1);
}

}  // namespace

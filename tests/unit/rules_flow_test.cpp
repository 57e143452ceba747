// Game flow: new game, level settings across level ups, progress, the removal pass, the score limit,
// the chains bar and its speed schedule, the sweep line.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "physics/world.h"
#include "platform/clock.h"
#include "rules/game.h"
#include "rules/shapes_rules.h"
#include "rules/tuning.h"

namespace {

namespace fs = std::filesystem;

// A settings file of the test's own; the tuning table back at its defaults afterwards.
class RulesFlow : public ::testing::Test {
   protected:
    void SetUp() override {
        savedFiles = tuningFiles;
        std::string pattern = (fs::temp_directory_path() / "rules_flow_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        const std::string settings = (folder / "setup_2.xml").string();
        std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "%s", settings.c_str());
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(100000);
        w = std::make_unique<PhysicsWorld>();
        InstallShapesRules(*w);
        ResetWorld(*w);
        game = GameState{};
    }
    void TearDown() override {
        SetFixedClock(false);
        ResetTuningToDefaults();
        tuningFiles = savedFiles;
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    void WriteSettings(const std::string& body) {
        std::ofstream out(tuningFiles.settingsPath, std::ios::binary);
        out << "<?xml version=\"1.0\"?>\n<settings>\n" << body << "</settings>\n";
    }
    // A marked atom whose time has come.
    int DueAtom(float x, float y, uint8_t colour, int32_t points = 100) {
        int i = CreateAtom(*w, x, y, colour);
        w->atoms[i].marked = 1;
        w->atoms[i].markTime = A_FREEZE_ACTIVE_TIME;
        w->atoms[i].points = points;
        return i;
    }
    int LiveAtoms() const {
        int n = 0;
        for (const Atom& a : w->atoms) n += (a.flags & FreeSlot) ? 0 : 1;
        return n;
    }

    TuningFiles savedFiles;
    fs::path folder;
    std::unique_ptr<PhysicsWorld> w;
    GameState g;
};

TEST_F(RulesFlow, LevelSettingsLayerAcrossLevelUpsUntilTheLastLevelIsWon) {
    WriteSettings(
        "<A_MOVES value=\"6\" /><A_MISTAKES value=\"3\" /><A_MAXIMUM_LEVEL value=\"3\" />"
        "<level value=\"0\"><A_R1 value=\"2\" /></level>"
        "<level value=\"1\"><A_MOVES value=\"8\" /><A_R1 value=\"5\" /></level>"
        "<level value=\"2\"><A_AVAILABLE_COLORS value=\"6\" /><A_MISTAKES value=\"4\" /></level>");
    ASSERT_TRUE(LoadBaseSettings());
    g.level = 3;
    g.gameOver = true;
    g.pendingMistakes = 2;
    w->score = 1234;
    CreateAtom(*w, 80, 50, 2);
    ASSERT_TRUE(NewGame(g, *w));
    EXPECT_EQ(LiveAtoms(), 0);
    EXPECT_EQ(g.level, 0);
    EXPECT_EQ(g.tutorialStep, -1);
    EXPECT_EQ(g.mistakesAllowed, 5);  // not A_MISTAKES
    EXPECT_EQ(g.pendingMistakes, 0);
    EXPECT_FALSE(g.gameOver);
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(w->barEnergy, A_DEFAULT_BAR_CAP);
    EXPECT_EQ(A_R1, 2);

    ASSERT_TRUE(LevelUp(g, *w));
    EXPECT_EQ(A_MOVES, 8);
    EXPECT_EQ(A_R1, 5);
    EXPECT_EQ(w->score, 50000);
    EXPECT_EQ(g.mistakesAllowed, 5 + 3);
    EXPECT_TRUE(g.levelUpActive);
    ASSERT_TRUE(LevelUp(g, *w));
    EXPECT_EQ(A_MOVES, 8);  // level 2 does not name it: level 1's value stays
    EXPECT_EQ(A_AVAILABLE_COLORS, 6);
    EXPECT_EQ(g.mistakesAllowed, 5 + 3 + 4);  // the new level's A_MISTAKES
    EXPECT_FALSE(g.gameOver);
    ASSERT_TRUE(LevelUp(g, *w));
    EXPECT_TRUE(g.gameWon);
    EXPECT_TRUE(g.gameOver);
    EXPECT_EQ(w->score, 50000 + 100000 + 150000);

    // A new game applies the level-0 element again, and nothing else.
    ASSERT_TRUE(NewGame(g, *w));
    EXPECT_EQ(A_R1, 2);
    EXPECT_EQ(A_MOVES, 8);
    EXPECT_FALSE(g.gameWon);

    std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "%s",
                  (folder / "missing.xml").string().c_str());
    EXPECT_FALSE(NewGame(g, *w));  // critical error 02
    EXPECT_FALSE(LevelUp(g, *w));
}

TEST_F(RulesFlow, ShapesWithoutSpecialBlocksLevelsUpOneFrameAfterTheBarFills) {
    WriteSettings("<A_MOVES value=\"4\" /><A_SPECIALBLOCKS value=\"0\" />");
    ASSERT_TRUE(LoadBaseSettings());
    ASSERT_TRUE(NewGame(g, *w));

    // Half the moves: the bar creeps up by 0.0025 a frame and stops at the target.
    g.moves = 2;
    for (int f = 0; f < 300; ++f) ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_FLOAT_EQ(w->progress, 0.5f);

    g.moves = 4;
    int frames = 0;
    while (w->progress < 1.0f && frames < 1000) {
        ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
        ++frames;
    }
    EXPECT_NEAR(frames, 200, 1);
    EXPECT_EQ(g.level, 0);
    EXPECT_EQ(g.specialsToCreate, 0);
    EXPECT_FALSE(g.levelCompleteShown);

    ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_EQ(g.level, 1);
    EXPECT_EQ(w->progress, 0.0f);
    EXPECT_EQ(g.moves, 0);
    EXPECT_EQ(g.specialsToCreate, -1);
    EXPECT_EQ(w->score, 50000);
}

TEST_F(RulesFlow, ShapesWithSpecialBlocksWaitsUntilTheyAreCreatedAndRemoved) {
    WriteSettings("<A_MOVES value=\"1\" /><A_SPECIALBLOCKS value=\"2\" />");
    ASSERT_TRUE(LoadBaseSettings());
    ASSERT_TRUE(NewGame(g, *w));
    g.moves = 1;
    for (int f = 0; f < 401; ++f) ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_EQ(w->progress, 1.0f);
    EXPECT_EQ(g.specialsToCreate, 2);
    EXPECT_TRUE(g.levelCompleteShown);

    // The special blocks come without being asked for, each on the first atom of its piece.
    int firsts[2] = {-1, -1};
    for (int p = 0; p < 2; ++p) {
        AdvanceClock(300);
        w->detailInside = 1;
        CreateShapesPieces(g, *w, NowMs());
        firsts[p] = w->detailAtoms[0];
        ASSERT_TRUE(AtomInUse(*w, static_cast<uint32_t>(firsts[p])));
        EXPECT_EQ(w->atoms[firsts[p]].special, 1);
        EXPECT_EQ(w->atoms[w->detailAtoms[1]].special, 0);
    }
    EXPECT_EQ(g.specialsToCreate, 0);
    EXPECT_EQ(w->specialsInGlass, 2);
    AdvanceClock(300);
    CreateShapesPieces(g, *w, NowMs());
    EXPECT_EQ(w->piecesSpawned, 2u);  // no more pieces: none asked for, no specials left

    for (int f = 0; f < 10; ++f) ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_EQ(g.level, 0);
    RemoveAtom(*w, firsts[0], 0);
    ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_EQ(g.level, 0);
    RemoveAtom(*w, firsts[1], 0);
    ASSERT_TRUE(UpdateShapesProgress(g, *w, 16));
    EXPECT_EQ(g.level, 1);
    EXPECT_FALSE(g.levelCompleteShown);
}

// Levels are won by removals (cubes) or moves (shapes), played end to end by the integration tests; a goal
// of zero or below must neither divide by zero nor level up.
TEST_F(RulesFlow, ZeroLevelGoalsNeverDivide) {
    w->hooks.variant = VariantCubes;
    A_REMOVES = 0;
    g.removals = 5;
    EXPECT_TRUE(UpdateCubesProgress(g, *w));
    w->hooks.variant = VariantShapes;
    g.moves = 3;
    for (int moves : {0, -2}) {
        A_MOVES = moves;
        EXPECT_TRUE(UpdateLevelProgress(g, *w, 16));
    }
    EXPECT_EQ(w->progress, 0.0f);
    EXPECT_EQ(g.level, 0);
}

TEST_F(RulesFlow, RemovalScoresStaggersGhostsAndRotatesSounds) {
    g.level = 2;
    g.removalSoundIndex = 3;
    w->barEnergy = 0.5f;
    for (int k = 0; k < 4; ++k) DueAtom(40.0f + 30.0f * k, 200, 1);
    DueAtom(200, 200, 4);
    const int notYet = CreateAtom(*w, 230, 200, 1);
    w->atoms[notYet].marked = 1;
    w->atoms[notYet].markTime = A_FREEZE_ACTIVE_TIME - 1;
    DueAtom(100, 100, 2, 300);  // a crashed piece's block

    RemovalPass(g, *w, 16, false);
    EXPECT_EQ(LiveAtoms(), 1);
    EXPECT_EQ(w->atomsRemoved, 6u);
    EXPECT_EQ(w->score, 3 * (5 * 100 + 300));
    EXPECT_NEAR(w->barEnergy, 0.5f + 800.0f * A_ATOM2BAR_MULT / 100.0f, 1e-5f);
    EXPECT_EQ(g.removalSoundIndex, (3 + 6) % 6);

    // Ghosts of one colour follow 30 ms apart; the other colours start at 0.
    int expected1 = 0;
    for (const RemovalGhost& ghost : w->removalGhosts) {
        if (ghost.flags & FreeSlot) continue;
        if (ghost.colour == 1) {
            EXPECT_EQ(ghost.start, expected1);
            expected1 -= 30;
        } else {
            EXPECT_EQ(ghost.start, 0);
        }
    }
    EXPECT_EQ(expected1, -120);
    // Points float near each block; the crashed one shows the crash picture.
    int texts[10] = {};
    for (const FloatingText& t : w->floatingTexts) {
        if (t.flags & FreeSlot) continue;
        ++texts[t.kind % 10];
        if (t.kind == TextCrashPoints) {
            EXPECT_TRUE(t.x >= 94.0f && t.x <= 100.0f) << t.x;
        }
    }
    EXPECT_EQ(texts[TextRemovalPoints], 5);
    EXPECT_EQ(texts[TextCrashPoints], 1);

    // The next batch of the same colour starts its ghosts at 0 again.
    w->atoms[notYet].markTime = A_FREEZE_ACTIVE_TIME;
    RemovalPass(g, *w, 16, false);
    for (const RemovalGhost& ghost : w->removalGhosts) {
        if (!(ghost.flags & FreeSlot) && ghost.x == 230) {
            EXPECT_EQ(ghost.start, 0);
        }
    }
}

TEST_F(RulesFlow, UnmarkedBlocksSurviveAZeroOrNegativeActiveTime) {
    const int plain = CreateAtom(*w, 60, 200, 0);
    const int marked = DueAtom(100, 200, 1);
    A_FREEZE_ACTIVE_TIME = 0;
    RemovalPass(g, *w, 16, false);
    EXPECT_TRUE(AtomInUse(*w, plain));
    EXPECT_FALSE(AtomInUse(*w, marked));

    // Negative: without the sweep line marked blocks go at once, untouched ones stay.
    A_FREEZE_ACTIVE_TIME = -1;
    const int marked2 = CreateAtom(*w, 100, 200, 1);
    w->atoms[marked2].marked = 1;
    RemovalPass(g, *w, 16, false);
    EXPECT_TRUE(AtomInUse(*w, plain));
    EXPECT_FALSE(AtomInUse(*w, marked2));

    // With the sweep line: only marked blocks strictly within 12 px of it.
    const int near = CreateAtom(*w, 100, 211.9f, 1);
    const int far = CreateAtom(*w, 140, 212.0f, 1);
    w->atoms[near].marked = w->atoms[far].marked = 1;
    w->sweepLineY = 200;
    RemovalPass(g, *w, 16, true);
    EXPECT_FALSE(AtomInUse(*w, near));
    EXPECT_TRUE(AtomInUse(*w, far));
    EXPECT_TRUE(AtomInUse(*w, plain));
}

TEST_F(RulesFlow, ScoreIsHeldAtEightDigits) {
    w->score = 99999990;
    DueAtom(100, 200, 1, 100);
    RemovalPass(g, *w, 16, false);
    EXPECT_EQ(w->score, 100000090);
    ClampScore(*w);
    EXPECT_EQ(w->score, 99999999);

    // Far beyond: no wrap into negative numbers.
    w->score = INT32_MAX - 10;
    AddScore(*w, 3000);
    EXPECT_EQ(w->score, INT32_MAX);
    ClampScore(*w);
    EXPECT_EQ(w->score, 99999999);
}

TEST_F(RulesFlow, FallingSpeedScheduleStepsThroughStagesThenStretchesTheLast) {
    A_FALLING_VEL_INTERVAL_0 = 100;
    A_FALLING_VEL_INTERVAL_1 = 100;
    A_FALLING_VEL_INTERVAL_2 = 100;
    A_FALLING_VEL_INTERVAL_3 = 100;
    A_FALLING_VEL_INTERVAL_4 = 100;
    A_FALLING_VEL_INTERVAL_DELTA = 50;
    A_FALLING_VEL_DELTA = 20.9f;  // truncated to 20 ms
    float speeds[12] = {};
    for (int f = 0; f < 12; ++f) speeds[f] = AdvanceFallingSpeed(g, 50);
    // Two frames of 50 ms per stage.
    EXPECT_EQ(speeds[0], A_FALLING_VEL_0);
    EXPECT_EQ(speeds[1], A_FALLING_VEL_0);
    EXPECT_EQ(speeds[2], A_FALLING_VEL_1);
    EXPECT_EQ(speeds[8], A_FALLING_VEL_4);
    EXPECT_EQ(speeds[10], A_FALLING_VEL_5);
    EXPECT_EQ(g.speedStage, 5);
    // Stage 5 lasts 50 ms, then 70, then 90, with the speed unchanged.
    EXPECT_EQ(g.stageDurations[5], 70u);
    for (int f = 0; f < 2; ++f) EXPECT_EQ(AdvanceFallingSpeed(g, 50), A_FALLING_VEL_5);
    EXPECT_EQ(g.stageDurations[5], 90u);
    EXPECT_EQ(g.speedStage, 5);
}

// The bar draining to an empty end is played end to end by the integration tests.
TEST_F(RulesFlow, ChainsSpeedScheduleIsCapturedAtFirstUseAndKeptAcrossLevelsAndGames) {
    WriteSettings("<A_FALLING_VEL_0 value=\"1.5\" /><A_FALLING_VEL_INTERVAL_0 value=\"40\" />"
                  "<level value=\"0\"><A_FALLING_VEL_0 value=\"1.5\" /></level>"
                  "<level value=\"1\"><A_FALLING_VEL_0 value=\"2.0\" />"
                  "<A_FALLING_VEL_INTERVAL_0 value=\"5000\" /></level>");
    ASSERT_TRUE(LoadBaseSettings());
    w->hooks.variant = VariantChains;
    ASSERT_TRUE(NewGame(g, *w));
    EXPECT_EQ(AdvanceFallingSpeed(g, 16), 1.5f);  // first use: the schedule is read now
    w->barEnergy = 1.5f;
    ASSERT_TRUE(UpdateChainsBar(g, *w, 16));
    EXPECT_EQ(g.level, 1);
    EXPECT_EQ(A_FALLING_VEL_0, 2.0f) << "the level's settings are loaded";
    EXPECT_EQ(w->barEnergy, A_DEFAULT_BAR_CAP);
    EXPECT_EQ(g.speedStage, 0);
    EXPECT_EQ(g.speedStageMs, 0u);
    // The stage restarts, but with the speeds and durations captured at the first use.
    EXPECT_EQ(AdvanceFallingSpeed(g, 16), 1.5f);
    for (int f = 0; f < 3; ++f) AdvanceFallingSpeed(g, 16);
    EXPECT_EQ(g.speedStage, 1) << "stage 0 still lasts 40 ms, not the level's 5000";

    // A new game starts the schedule at stage 0 again and still keeps it.
    ASSERT_TRUE(NewGame(g, *w));
    A_FALLING_VEL_0 = 9.0f;
    EXPECT_EQ(g.speedStage, 0);
    EXPECT_EQ(AdvanceFallingSpeed(g, 16), 1.5f);
}

TEST_F(RulesFlow, SweepLineRisesFromTheFloorFadesInAndOut) {
    EXPECT_FALSE(AdvanceSweepLine(g, *w, false).draw);
    SweepLineFrame f = AdvanceSweepLine(g, *w, true);
    EXPECT_TRUE(f.draw && f.sweepEnabled);
    EXPECT_EQ(f.y, 275.0f);
    EXPECT_EQ(f.alpha, 0);

    // 4 px and 4 alpha a frame up to y 35; holding Enter does not restart a running line.
    int frames = 1;
    while (w->sweepLineY > 35.0f && frames < 100) {
        EXPECT_TRUE(AdvanceSweepLine(g, *w, true).sweepEnabled);
        ++frames;
    }
    EXPECT_EQ(frames, 60);
    EXPECT_EQ(g.sweepAlpha, 128);

    // Then 5 alpha a frame: the 26th frame is still drawn and turns the sweep off.
    int fade = 0;
    do {
        f = AdvanceSweepLine(g, *w, false);
        ++fade;
    } while (f.sweepEnabled && fade < 100);
    EXPECT_EQ(fade, 26);
    EXPECT_TRUE(f.draw);
    EXPECT_FALSE(AdvanceSweepLine(g, *w, false).draw);
    EXPECT_EQ(AdvanceSweepLine(g, *w, true).y, 275.0f);
}

}  // namespace

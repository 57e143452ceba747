// Tuning table: defaults, settings loading with level layering, and the setup.gendata.xml listing.
#include "rules/tuning.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Every test gets its own folder for the settings file and the listing, and leaves the table at its
// defaults for whoever runs next.
class TuningFile : public ::testing::Test {
   protected:
    void SetUp() override {
        saved = tuningFiles;
        std::string pattern = (fs::temp_directory_path() / "tuning_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        settings = (folder / "setup_2.xml").string();
        gendata = (folder / "setup.gendata.xml").string();
        std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "%s", settings.c_str());
        std::snprintf(tuningFiles.gendataPath, sizeof tuningFiles.gendataPath, "%s", gendata.c_str());
        ResetTuningToDefaults();
    }
    void TearDown() override {
        ResetTuningToDefaults();
        tuningFiles = saved;
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    void WriteSettings(const std::string& text) {
        std::ofstream out(settings, std::ios::binary);
        out << text;
    }
    std::string ReadGendata() {
        std::ifstream in(gendata, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TuningFiles saved;
    fs::path folder;
    std::string settings;
    std::string gendata;
};

// The whole listing for a settings file that names no key: every key in table order with its default.
const char* const FullGendata =
    "<A_FREEZE_STAGE0_TIME value=\"16000\" />\n"
    "<A_FREEZE_STAGE1_TIME value=\"18000\" />\n"
    "<A_FREEZE_STAGE2_TIME value=\"20000\" />\n"
    "<PH_GOTTADIE_HIT_FORCE value=\"32\" />\n"
    "<PH_DEADHIT_DELAY value=\"150\" />\n"
    "<A_DEFAULT_BAR_CAP value=\"0.5\" />\n"
    "<A_FALLING_VEL_0 value=\"0.5\" />\n"
    "<A_FALLING_VEL_INTERVAL_0 value=\"25000\" />\n"
    "<A_FALLING_VEL_1 value=\"1\" />\n"
    "<A_FALLING_VEL_INTERVAL_1 value=\"25000\" />\n"
    "<A_FALLING_VEL_2 value=\"1.5\" />\n"
    "<A_FALLING_VEL_INTERVAL_2 value=\"30000\" />\n"
    "<A_FALLING_VEL_3 value=\"2.5\" />\n"
    "<A_FALLING_VEL_INTERVAL_3 value=\"30000\" />\n"
    "<A_FALLING_VEL_4 value=\"3\" />\n"
    "<A_FALLING_VEL_INTERVAL_4 value=\"30000\" />\n"
    "<A_FALLING_VEL_5 value=\"3.5\" />\n"
    "<A_FALLING_VEL_DELTA value=\"2\" />\n"
    "<A_FALLING_VEL_INTERVAL_DELTA value=\"10000\" />\n"
    "<A_DEFAULT_ATOM2POINTS value=\"100\" />\n"
    "<A_LINE_BONUS_POINTS_MULT value=\"20\" />\n"
    "<A_ATOM2BAR_MULT value=\"0.05\" />\n"
    "<A_DUMP_TIME value=\"3000\" />\n"
    "<A_FREEZE_TIME value=\"7200\" />\n"
    "<A_FREEZE_ACTIVE_TIME value=\"3200\" />\n"
    "<PH_GRAVITY value=\"16\" />\n"
    "<PH_DT value=\"45\" />\n"
    "<PH_ROTATION value=\"8\" />\n"
    "<PH_ROTATION_MOVE_LR value=\"2\" />\n"
    "<PH_MOVE_VEL value=\"10\" />\n"
    "<PH_MOVE_ACCEL value=\"1\" />\n"
    "<PH_MOVE_U value=\"50\" />\n"
    "<PH_MOVE_U_MIN value=\"50\" />\n"
    "<PH_MOVE_U_TIME value=\"2000\" />\n"
    "<PH_MOVE_D value=\"50\" />\n"
    "<PH_SPRING_ELASTICITY value=\"0.1\" />\n"
    "<PH_GLASS_ELASTICITY value=\"0\" />\n"
    "<PH_ONLY_OUTERMOST_ATOMS_HAVE_MASS value=\"1\" />\n"
    "<PH_INTENSIFY_CONTROL_FOR_EACH_ATOM_IN_A_LINE_CONNECTED_TO_CONTROLABLE_DETAIL value=\"0.1\" />\n"
    "<PH_CONTROL_FORCE value=\"1\" />\n"
    "<A_DEAD_HITS value=\"3\" />\n"
    "<PH_DEAD_HIT_FORCE value=\"100\" />\n"
    "<A_AVAILABLE_COLORS value=\"5\" />\n"
    "<A_REMOVES value=\"10\" />\n"
    "<A_LINE_LEN value=\"5\" />\n"
    "<A_R1 value=\"3\" />\n"
    "<A_MOVES value=\"10\" />\n"
    "<A_MISTAKES value=\"10\" />\n"
    "<A_SPECIALBLOCKS value=\"0\" />\n"
    "<A_RSPECIALBLOCKS value=\"0\" />\n"
    "<A_MAXIMUM_LEVEL value=\"10\" />\n"
    "<A_BONUS_PROB value=\"155\" />\n";

int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

// The listing names every key once, in table order, with its default; a load brings back every default
// whatever the table held before.
TEST_F(TuningFile, GendataListsEveryMissingKeyInTableOrder) {
    for (const TuningEntry& entry : TuningTable) {
        if (entry.intTarget != nullptr) *entry.intTarget = -7;
        if (entry.floatTarget != nullptr) *entry.floatTarget = -7.0f;
    }
    WriteSettings("<settings gendata=\"1\"></settings>");
    ASSERT_TRUE(LoadBaseSettings());
    std::string listing = ReadGendata();
    EXPECT_EQ(CountLines(listing), 52);
    EXPECT_EQ(listing, FullGendata);
    for (const TuningEntry& entry : TuningTable) {
        if (entry.intTarget != nullptr) {
            EXPECT_EQ(*entry.intTarget, entry.defaultInt) << entry.name;
        } else {
            EXPECT_EQ(*entry.floatTarget, entry.defaultFloat) << entry.name;
        }
    }
    // The single-precision values nearest to 0.05 and 0.1.
    EXPECT_EQ(A_ATOM2BAR_MULT, 0.05f);
    EXPECT_EQ(PH_SPRING_ELASTICITY, 0.1f);
}

TEST_F(TuningFile, GendataLeavesOutKeysThatArePresent) {
    WriteSettings(
        "<?xml version=\"1.0\"?>\n<anything gendata=\"1\">\n"
        "  <PH_DT value=\"60\" />\n  <A_MOVES value=\"7\" />\n"
        "  <level value=\"1\"><A_R1 value=\"2\" /></level>\n</anything>\n");
    ASSERT_TRUE(LoadBaseSettings());
    std::string listing = ReadGendata();
    EXPECT_EQ(CountLines(listing), 50);
    EXPECT_EQ(listing.find("PH_DT"), std::string::npos);
    EXPECT_EQ(listing.find("A_MOVES"), std::string::npos);
    // A key named only inside a level element is still missing from the base.
    EXPECT_NE(listing.find("<A_R1 value=\"3\" />\n"), std::string::npos);
    EXPECT_EQ(PH_DT, 60.0f);
    EXPECT_EQ(A_MOVES, 7);
}

TEST_F(TuningFile, RootWithoutChildrenKeepsDefaultsAndWritesNoListing) {
    A_MOVES = 99;
    PH_GRAVITY = 1.0f;
    WriteSettings("<settings/>");
    ASSERT_TRUE(LoadBaseSettings());
    EXPECT_EQ(A_MOVES, 10);
    EXPECT_EQ(PH_GRAVITY, 16.0f);
    EXPECT_FALSE(fs::exists(gendata));
    // gendata="0" and an unreadable gendata count as off.
    WriteSettings("<settings gendata=\"no\"/>");
    ASSERT_TRUE(LoadBaseSettings());
    EXPECT_FALSE(fs::exists(gendata));
}

TEST_F(TuningFile, LevelsLayerOverTheBaseAndKeepEarlierLevels) {
    WriteSettings(
        "<settings>\n"
        "  <A_MOVES value=\"6\" />\n  <A_REMOVES value=\"11\" />\n"
        "  <level value=\"3\"><A_MOVES value=\"12\" /><PH_GRAVITY value=\"20.5\" /></level>\n"
        "  <level value=\"4\"><A_REMOVES value=\"14\" /></level>\n"
        "</settings>\n");
    ASSERT_TRUE(LoadBaseSettings());
    ASSERT_TRUE(LoadLevelSettings(0));
    EXPECT_EQ(A_MOVES, 6);
    for (int level = 1; level <= 3; ++level) ASSERT_TRUE(LoadLevelSettings(level));
    EXPECT_EQ(A_MOVES, 12);
    EXPECT_EQ(PH_GRAVITY, 20.5f);
    EXPECT_EQ(A_REMOVES, 11);
    // Level 4 names only A_REMOVES: level 3's values stay, nothing returns to the base or the default.
    ASSERT_TRUE(LoadLevelSettings(4));
    EXPECT_EQ(A_MOVES, 12);
    EXPECT_EQ(PH_GRAVITY, 20.5f);
    EXPECT_EQ(A_REMOVES, 14);
    // A level without an element succeeds and changes nothing.
    ASSERT_TRUE(LoadLevelSettings(5));
    EXPECT_EQ(A_MOVES, 12);
}

TEST_F(TuningFile, OnlyTheFirstOfEqualLevelsAndOfEqualKeysCounts) {
    WriteSettings(
        "<settings>\n"
        "  <A_MOVES value=\"4\" />\n  <A_MOVES value=\"40\" />\n"
        "  <level><A_R1 value=\"9\" /></level>\n"
        "  <level value=\"2\"><A_MOVES value=\"21\" /></level>\n"
        "  <level value=\"2\"><A_MOVES value=\"22\" /><A_LINE_LEN value=\"8\" /></level>\n"
        "</settings>\n");
    ASSERT_TRUE(LoadBaseSettings());
    EXPECT_EQ(A_MOVES, 4);
    // A level element without a value is no level 0.
    ASSERT_TRUE(LoadLevelSettings(0));
    EXPECT_EQ(A_R1, 3);
    ASSERT_TRUE(LoadLevelSettings(2));
    EXPECT_EQ(A_MOVES, 21);
    EXPECT_EQ(A_LINE_LEN, 5);
}

TEST_F(TuningFile, MissingOrMalformedValueReadsAsZero) {
    WriteSettings(
        "<settings>\n"
        "  <A_MOVES />\n  <A_REMOVES value=\"many\" />\n  <A_R1 value=\" 7 \" />\n"
        "  <PH_GRAVITY />\n  <PH_DT value=\"fast\" />\n  <PH_ROTATION value=\"-2.25e1\" />\n"
        "  <level value=\"1\"><A_LINE_LEN /><PH_MOVE_D value=\"x\" /></level>\n"
        "</settings>\n");
    ASSERT_TRUE(LoadBaseSettings());
    EXPECT_EQ(A_MOVES, 0);
    EXPECT_EQ(A_REMOVES, 0);
    EXPECT_EQ(A_R1, 7);
    EXPECT_EQ(PH_GRAVITY, 0.0f);
    EXPECT_EQ(PH_DT, 0.0f);
    EXPECT_EQ(PH_ROTATION, -22.5f);
    ASSERT_TRUE(LoadLevelSettings(1));
    EXPECT_EQ(A_LINE_LEN, 0);
    EXPECT_EQ(PH_MOVE_D, 0.0f);
}

TEST_F(TuningFile, UnreadableOrRootlessFileFails) {
    EXPECT_FALSE(LoadBaseSettings());
    EXPECT_FALSE(LoadLevelSettings(0));
    WriteSettings("<?xml version=\"1.0\"?>\n<!-- nothing here -->\n");
    EXPECT_FALSE(LoadBaseSettings());
    EXPECT_FALSE(LoadLevelSettings(1));
    WriteSettings("<settings><A_MOVES value=\"3\"></settings>");
    EXPECT_FALSE(LoadBaseSettings());
    EXPECT_EQ(A_MOVES, 10);
}

// A player's comma-decimal locale must not turn "3.75" into 3, nor write "0,05" into the listing.
TEST_F(TuningFile, NumbersIgnoreACommaDecimalLocale) {
    std::string before = std::setlocale(LC_ALL, nullptr);
    const char* found = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    if (found == nullptr) found = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (found == nullptr) GTEST_SKIP() << "no comma-decimal locale installed";
    WriteSettings("<settings gendata=\"1\"><PH_GRAVITY value=\"3.75\" /></settings>");
    bool loaded = LoadBaseSettings();
    std::string listing = ReadGendata();
    std::setlocale(LC_ALL, before.c_str());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(PH_GRAVITY, 3.75f);
    EXPECT_NE(listing.find("<A_ATOM2BAR_MULT value=\"0.05\" />\n"), std::string::npos);
    EXPECT_EQ(listing.find(','), std::string::npos);
}

// The game's own settings files load, keep physics at the defaults, stay within six colours in shapes and
// chains and the nine there are in cubes, and a new game comes back to the first level's values.
TEST_F(TuningFile, ShippedSettingsLoadWithSoundLevelCurves) {
    for (const char* name : {"setup_0.xml", "setup_1.xml", "setup_2.xml"}) {
        SCOPED_TRACE(name);
        const int32_t colours = std::string(name) == "setup_0.xml" ? 9 : 6;
        std::string path = std::string(GAME_DIR) + "/../../game/settings/" + name;
        if (!fs::exists(path)) path = std::string(GAME_DIR) + "/settings/" + name;
        std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "%s", path.c_str());
        ResetTuningToDefaults();
        ASSERT_TRUE(LoadBaseSettings());
        EXPECT_FALSE(fs::exists(gendata));
        ASSERT_TRUE(LoadLevelSettings(0));
        int32_t firstInts[TuningKeyCount];
        float firstFloats[TuningKeyCount];
        for (int k = 0; k < TuningKeyCount; ++k) {
            firstInts[k] = TuningTable[k].intTarget ? *TuningTable[k].intTarget : 0;
            firstFloats[k] = TuningTable[k].floatTarget ? *TuningTable[k].floatTarget : 0.0f;
        }
        for (int level = 0; level < A_MAXIMUM_LEVEL; ++level) {
            ASSERT_TRUE(LoadLevelSettings(level));
            EXPECT_GE(A_AVAILABLE_COLORS, 3);
            EXPECT_LE(A_AVAILABLE_COLORS, colours);
            EXPECT_GT(A_MOVES, 0);
            EXPECT_GT(A_REMOVES, 0);
            EXPECT_GE(A_LINE_LEN, 2);
            EXPECT_LE(A_LINE_LEN, 16);
            for (const TuningEntry& entry : TuningTable) {
                if (entry.name[0] == 'P' && entry.floatTarget != nullptr) {
                    EXPECT_EQ(*entry.floatTarget, entry.defaultFloat) << entry.name;
                }
                if (entry.name[0] == 'P' && entry.intTarget != nullptr) {
                    EXPECT_EQ(*entry.intTarget, entry.defaultInt) << entry.name;
                }
            }
        }
        // A new game after the last level applies only level 0: it must bring back every key a level changed.
        ASSERT_TRUE(LoadLevelSettings(0));
        for (int k = 0; k < TuningKeyCount; ++k) {
            const TuningEntry& entry = TuningTable[k];
            if (entry.intTarget) {
                EXPECT_EQ(*entry.intTarget, firstInts[k]) << entry.name;
            } else {
                EXPECT_EQ(*entry.floatTarget, firstFloats[k]) << entry.name;
            }
        }
    }
}

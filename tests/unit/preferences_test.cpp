// preferences.xml: the round trip, per-value defaults, damaged files, and the whole-file write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "audio/player_volume.h"
#include "store/preferences.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path path = fs::temp_directory_path() / ("pelorina_prefs_" + std::to_string(getpid()));
    Scratch() { fs::create_directories(path); }
    ~Scratch() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

Preferences Parse(const std::string& text, bool* whole = nullptr) {
    Preferences p;
    p.musicVolume = 0;  // the parser must set every value, defaults included
    const bool ok = ParsePreferences(text.data(), text.size(), p);
    if (whole) *whole = ok;
    return p;
}

TEST(Preferences, EveryValueSurvivesTheRoundTrip) {
    Preferences p;
    p.musicVolume = 0;
    p.effectsVolume = 3;
    p.muted = true;
    p.pauseOnFocusLoss = false;
    p.zoomStep = 3;
    p.desktopMode = true;
    char text[PreferencesTextCapacity];
    const size_t length = FormatPreferences(p, text, sizeof text);
    ASSERT_GT(length, 0u);
    bool whole = false;
    EXPECT_TRUE(Parse(std::string(text, length), &whole) == p);
    EXPECT_TRUE(whole);
    EXPECT_EQ(FormatPreferences(p, text, 40), 0u) << "a text that does not fit is refused, not cut";
}

TEST(Preferences, DamagedDocumentsGiveTheDefaultsAndBadValuesTheirOwnDefault) {
    const Preferences defaults;
    EXPECT_EQ(defaults.musicVolume, 5);
    EXPECT_TRUE(defaults.pauseOnFocusLoss);
    EXPECT_EQ(defaults.zoomStep, -1);
    for (const char* damaged : {"", "<preferences><music_volume value=", "not xml at all", "<other/>",
                                "<?xml version=\"1.0\"?>"}) {
        bool whole = true;
        EXPECT_TRUE(Parse(damaged, &whole) == defaults) << damaged;
        EXPECT_FALSE(whole) << damaged;
    }
    bool whole = false;
    const Preferences p = Parse(
        "<preferences><music_volume value=\"2\"/><effects_volume value=\"6\"/><muted value=\"yes\"/>"
        "<zoom_step value=\"-2\"/><desktop_mode value=\" 1\"/><pause_on_focus_loss value=\"0\"/></preferences>",
        &whole);
    EXPECT_TRUE(whole);
    EXPECT_EQ(p.musicVolume, 2);
    EXPECT_EQ(p.effectsVolume, 5) << "out of range";
    EXPECT_FALSE(p.muted) << "not a number";
    EXPECT_EQ(p.zoomStep, -1) << "out of range";
    EXPECT_FALSE(p.desktopMode) << "blanks are not part of a number";
    EXPECT_FALSE(p.pauseOnFocusLoss);
    EXPECT_EQ(Parse("<preferences><music_volume value=\"00003\"/></preferences>").musicVolume, 5)
        << "more than four digits";
    EXPECT_EQ(Parse("<preferences><music_volume value=\"+3\"/></preferences>").musicVolume, 5);
}

TEST(Preferences, FilesAreReadOnlyWhenRegularAndWrittenWholeThroughARename) {
    Scratch scratch;
    const std::string path = scratch / "preferences.xml";
    Preferences p;
    EXPECT_FALSE(LoadPreferences(path.c_str(), p)) << "missing";
    EXPECT_FALSE(LoadPreferences(scratch.path.c_str(), p)) << "a folder";
    EXPECT_TRUE(p == Preferences{});

    p.musicVolume = 1;
    p.zoomStep = 2;
    const std::string temporary = path + ".part" + std::to_string(getpid()) + "-0";
    ASSERT_TRUE(SavePreferences(path.c_str(), p));
    EXPECT_FALSE(fs::exists(temporary));
    Preferences back;
    EXPECT_TRUE(LoadPreferences(path.c_str(), back));
    EXPECT_TRUE(back == p);

    // A write that cannot finish leaves the old file as it was.
    const std::string before = Read(path);
    fs::create_directories(temporary);  // the temporary name is taken by a folder
    p.musicVolume = 4;
    EXPECT_FALSE(SavePreferences(path.c_str(), p));
    EXPECT_EQ(Read(path), before);
    fs::remove(temporary);
    if (geteuid() != 0) {  // root writes anywhere
        fs::permissions(scratch.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(SavePreferences(path.c_str(), p));
        fs::permissions(scratch.path, fs::perms::owner_all);
        EXPECT_EQ(Read(path), before);
    }
    EXPECT_FALSE(SavePreferences((scratch / "missing/preferences.xml").c_str(), p));

    Write(path, std::string(70 * 1024, ' ') + "<preferences><music_volume value=\"1\"/></preferences>");
    EXPECT_FALSE(LoadPreferences(path.c_str(), back)) << "far too large for a preferences file";
    EXPECT_EQ(back.musicVolume, 5);
}

TEST(Preferences, VolumeStepsAreSixDecibelsApart) {
    EXPECT_EQ(VolumeStepGain(5), 1.0f);
    EXPECT_EQ(VolumeStepGain(4), 0.5f);
    EXPECT_EQ(VolumeStepGain(1), 0.0625f);
    EXPECT_EQ(VolumeStepGain(0), 0.0f);
    EXPECT_EQ(VolumeStepGain(-3), 0.0f);
    EXPECT_EQ(VolumeStepGain(9), 1.0f);
}

}  // namespace

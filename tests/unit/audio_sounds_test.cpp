// The game's sounds on the real mixer: removals in strict rotation, the wall knock once per arming and one
// at a time, the Up thrust on its reused channel, the splash jingle, the equalizer's bands.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "audio/equalizer.h"
#include "audio/game_sounds.h"
#include "audio/sound_hooks.h"
#include "audio/sound_set.h"
#include "audio_test_support.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/game.h"
#include "rules/tuning.h"

namespace {

using audio_test::TempFolder;
using audio_test::WriteLevel;

std::vector<std::string> played;
void RecordPlayed(int sound) {
    played.push_back(AudioSoundPath(sound));
}

// A game folder of our own whose sounds are 100 ms of a constant level each.
class AudioSounds : public ::testing::Test {
   protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedDir = cwd;
        std::filesystem::create_directories(folder.path / "sounds");
        for (const char* file : SoundFiles) ASSERT_TRUE(WriteLevel(folder / file, 0.5f, 4410));
        ASSERT_EQ(chdir(folder.path.c_str()), 0);
        ResetTuningToDefaults();
        SetFixedClock(true);
        SetClockMs(100000);
        ASSERT_TRUE(CreateAudioSystem(true, ""));
        LoadSounds();
        played.clear();
        SetSoundPlayedHook(RecordPlayed);
    }
    void TearDown() override {
        SetSoundPlayedHook(nullptr);
        CloseAudioSystem();
        SetFixedClock(false);
        ASSERT_EQ(chdir(savedDir.c_str()), 0);
    }
    std::vector<float> Mix(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        AudioMixForTest(out.data(), frames);
        return out;
    }
    TempFolder folder;
    std::string savedDir;
};

TEST_F(AudioSounds, SevenRemovalsPlayTheSixSamplesInRotationAcrossBatches) {
    auto world = std::make_unique<PhysicsWorld>();
    ResetWorld(*world);
    GameState game{};
    auto due = [&](float x) {
        const int i = CreateAtom(*world, x, 200, 1);
        world->atoms[i].marked = 1;
        world->atoms[i].markTime = A_FREEZE_ACTIVE_TIME;
        world->atoms[i].points = 100;
    };
    for (int k = 0; k < 7; ++k) due(40.0f + 20.0f * static_cast<float>(k));
    RemovalPass(game, *world, 16, false);
    due(100);
    RemovalPass(game, *world, 16, false);
    const std::vector<std::string> expected = {"sounds/remove1.wav",       "sounds/remove2.wav",
                                               "sounds/remove3.wav",       "sounds/remove_lite_1.wav",
                                               "sounds/remove_lite_2.wav", "sounds/remove_lite_3.wav",
                                               "sounds/remove1.wav",       "sounds/remove2.wav"};
    EXPECT_EQ(played, expected);
}

TEST_F(AudioSounds, WallKnocksOncePerArmingAndOneAtATime) {
    auto world = std::make_unique<PhysicsWorld>();
    ResetWorld(*world);
    const int a = CreateAtom(*world, 100, 150, 0);
    const int b = CreateAtom(*world, 100, 150, 0);
    world->detailAtoms[0] = static_cast<uint16_t>(a);
    world->detailAtoms[1] = static_cast<uint16_t>(b);
    world->detailCount = 2;
    world->atoms[a].entering = world->atoms[b].entering = 0;
    auto put = [&](int i, float x) {
        world->atoms[i].x = world->atoms[i].prevX = x;
        world->atoms[i].y = world->atoms[i].prevY = 150;
    };
    put(a, 100);
    put(b, 100);
    KeepInGlass(*world, 16);  // away from the walls: armed
    EXPECT_FALSE(IsWallSoundBusy());
    put(a, 5);
    KeepInGlass(*world, 16);
    EXPECT_EQ(played.size(), 1u);
    EXPECT_TRUE(IsWallSoundBusy());
    // Its volume and the left pan reach the mix.
    const std::vector<float> out = Mix(8);
    EXPECT_NEAR(out[0], 0.5f * 0.3f, 1e-3f);
    EXPECT_NEAR(out[1], 0.5f * 0.3f * 0.12f, 1e-3f);
    AudioUpdate(150);
    EXPECT_FALSE(IsWallSoundBusy());

    // Still against the wall, not re-armed: silence. Away past 24 px and back: one more knock.
    put(a, 5);
    KeepInGlass(*world, 16);
    EXPECT_EQ(played.size(), 1u);
    put(a, 30);
    KeepInGlass(*world, 16);
    put(a, 5);
    KeepInGlass(*world, 16);
    EXPECT_EQ(played.size(), 2u);
    AudioUpdate(150);

    // Two atoms at the two walls in one step: the second finds the channel busy.
    put(a, 30);
    KeepInGlass(*world, 16);
    put(a, 5);
    put(b, world->glassWidth + 5);
    KeepInGlass(*world, 16);
    EXPECT_EQ(played.size(), 3u);
    EXPECT_EQ(world->atoms[b].wallArmed[WallRight], 1);
}

TEST_F(AudioSounds, UpThrustReusesItsChannelAndIsBusyUntilItEnds) {
    EXPECT_FALSE(IsUpSoundBusy());
    PlayUpSound();
    const ChannelHandle first = soundSet.upChannel;
    EXPECT_TRUE(IsUpSoundBusy());
    std::vector<float> out = Mix(8);
    EXPECT_NEAR(out[0], 0.5f * 0.25f, 1e-3f);
    PlayUpSound();  // a press while it sounds takes over the same channel
    EXPECT_EQ(soundSet.upChannel & 0xFF, first & 0xFF);
    out = Mix(8);
    EXPECT_NEAR(out[0], 0.5f * 0.25f, 1e-3f);  // one thrust, not two
    AudioUpdate(150);
    EXPECT_FALSE(IsUpSoundBusy());
    EXPECT_EQ(played, std::vector<std::string>(2, "sounds/up2.wav"));
}

TEST_F(AudioSounds, HeadlessSplashJingleKeepsInStepWithTheClock) {
    StartSplashJingle();
    const ChannelHandle jingle = soundSet.jingleChannel;
    AdvanceClock(60);  // splash frames do not update the audio
    StartAmbienceAndMusic();
    EXPECT_EQ(ChannelPositionMs(jingle), 60u);
}

// A one-track score playing `level` times a tone right on bin 4 of the 1024-point spectrum.
void WriteToneScore(const TempFolder& folder, float level) {
    std::filesystem::create_directories(folder.path / "music");
    const double frequency = 4.0 * 44100.0 / 1024.0;
    ASSERT_TRUE(audio_test::WriteSound(folder / "music/tone.wav", 44100, 2, 44100, [&](int i, int) {
        return level * static_cast<float>(std::sin(2 * M_PI * frequency * i / 44100.0));
    }));
    FILE* score = std::fopen((folder / "music/music.xml").c_str(), "w");
    ASSERT_NE(score, nullptr);
    std::fputs("<score><playlist><track value=\"tone.wav\" plays=\"0\"/></playlist></score>\n", score);
    std::fclose(score);
}

TEST_F(AudioSounds, NoMusicOrSilentMusicGivesNoBars) {
    float none[EqualizerBands];
    EqualizerLevels(none);
    for (float level : none) EXPECT_EQ(level, 0.0f);
    WriteToneScore(folder, 0.0f);
    ASSERT_TRUE(LoadMusicScore());
    StartAmbienceAndMusic();
    UpdateAudio(100);
    float levels[EqualizerBands];
    EqualizerLevels(levels);
    for (float level : levels) EXPECT_EQ(level, 0.0f);
}

TEST_F(AudioSounds, SteadyToneInBinFourFillsBandTwo) {
    WriteToneScore(folder, 0.5f);
    ASSERT_TRUE(LoadMusicScore());
    StartAmbienceAndMusic();
    UpdateAudio(100);
    float levels[EqualizerBands];
    EqualizerLevels(levels);
    EXPECT_FLOAT_EQ(levels[2], 1.0f);
    for (int band : {0, 1, 5, 6, 7}) EXPECT_LT(levels[band], 0.1f) << band;
    for (float level : levels) EXPECT_TRUE(std::isfinite(level));
}

}  // namespace

// The mixer: loading and resampling, volume and pan in the mix, pause, loop modes, positions, channel
// stealing and stale handles, streams, the headless WAV copy and the silent null output.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "audio_test_support.h"
#include "platform/audio_device.h"

namespace {

using audio_test::ReadSound;
using audio_test::TempFolder;
using audio_test::WriteLevel;
using audio_test::WriteSound;

class AudioMixer : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(AudioOpen(true, "")); }
    void TearDown() override { AudioClose(); }

    // Mixes `frames` frames and returns them interleaved.
    std::vector<float> Mix(int frames) {
        std::vector<float> out(static_cast<size_t>(frames) * 2);
        AudioMixForTest(out.data(), frames);
        return out;
    }
    int Level(const char* name, float level, int frames, uint32_t mode = SoundLoopOff) {
        const std::string path = folder / name;
        EXPECT_TRUE(WriteLevel(path, level, frames));
        return AudioLoadSample(path.c_str(), mode);
    }
    TempFolder folder;
};

TEST_F(AudioMixer, LoadsWavAndFlacAndResamplesTo44100) {
    ASSERT_TRUE(WriteSound(folder / "ramp.wav", 22050, 1, 22050, [](int i, int) { return (i % 2) * 0.5f; }));
    // A FLAC file under a .wav name: the content decides the format.
    ASSERT_TRUE(WriteSound(
        folder / "flac.wav", 44100, 2, 4410, [](int, int c) { return c ? 0.5f : 0.25f; },
        SF_FORMAT_FLAC | SF_FORMAT_PCM_16));
    const int ramp = AudioLoadSample((folder / "ramp.wav").c_str(), 0);
    const int flac = AudioLoadSample((folder / "flac.wav").c_str(), 0);
    ASSERT_GE(ramp, 0);
    ASSERT_GE(flac, 0);
    EXPECT_EQ(AudioSoundLengthMs(ramp), 1000u);
    EXPECT_EQ(AudioSoundLengthMs(flac), 100u);
    EXPECT_STREQ(AudioSoundPath(flac), (folder / "flac.wav").c_str());
    EXPECT_STREQ(AudioSoundPath(99), "");
    EXPECT_EQ(AudioLoadSample((folder / "missing.wav").c_str(), 0), -1);
    EXPECT_EQ(AudioPlay(-1, false), 0u);

    // Source frames 0, 0.5, 0, 0.5 at half the rate: every other output frame lies halfway between.
    const ChannelHandle channel = AudioPlay(ramp, false);
    std::vector<float> out = Mix(6);
    const float expected[6] = {0.0f, 0.25f, 0.5f, 0.25f, 0.0f, 0.25f};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(out[i * 2], expected[i], 1e-3f) << i;
    ChannelStop(channel);

    AudioPlay(flac, false);
    out = Mix(1);
    EXPECT_NEAR(out[0], 0.25f, 1e-3f);
    EXPECT_NEAR(out[1], 0.5f, 1e-3f);
}

// Many loud sounds at once bend smoothly below full scale instead of clipping; louder stays louder.
TEST_F(AudioMixer, LoudMixIsSoftClippedBelowFullScale) {
    const int loud = Level("loud.wav", 0.9f, 4410);
    AudioPlay(loud, false);
    const float one = Mix(8)[0];
    EXPECT_GT(one, 0.85f);
    EXPECT_LT(one, 0.9f);
    AudioPlay(loud, false);
    const float two = Mix(8)[0];
    EXPECT_GT(two, one);
    for (int i = 0; i < 40; ++i) AudioPlay(loud, false);
    std::vector<float> many = Mix(64);
    for (float v : many) {
        EXPECT_GT(v, two);
        EXPECT_LT(v, 0.99f);  // a 16-bit copy stays below 32767
    }
}

TEST_F(AudioMixer, VolumeAndLinearBalancePanReachTheMix) {
    const int sound = Level("level.wav", 0.5f, 44100);
    const ChannelHandle channel = AudioPlay(sound, false);
    ChannelSetVolume(channel, 0.5f);
    std::vector<float> out = Mix(4);
    EXPECT_NEAR(out[0], 0.25f, 1e-3f);  // centre: full on both sides
    EXPECT_NEAR(out[1], 0.25f, 1e-3f);
    ChannelSetPan(channel, -1.0f);
    out = Mix(4);
    EXPECT_NEAR(out[0], 0.25f, 1e-3f);
    EXPECT_NEAR(out[1], 0.0f, 1e-6f);
    ChannelSetPan(channel, 0.5f);
    out = Mix(4);
    EXPECT_NEAR(out[0], 0.125f, 1e-3f);
    EXPECT_NEAR(out[1], 0.25f, 1e-3f);

    // Channels add up; a sum past full scale bends to just below it.
    ChannelSetPan(channel, 0.0f);
    ChannelSetVolume(channel, 1.0f);
    AudioPlay(sound, false);
    AudioPlay(sound, false);
    out = Mix(4);
    EXPECT_GT(out[0], 0.95f);
    EXPECT_LT(out[0], 1.0f);
}

TEST_F(AudioMixer, PausedChannelIsSilentKeepsItsPlaceAndPlaysOn) {
    const int sound = Level("level.wav", 0.5f, 44100);
    const ChannelHandle channel = AudioPlay(sound, true);
    std::vector<float> out = Mix(4410);
    EXPECT_EQ(out[100], 0.0f);
    EXPECT_EQ(ChannelPositionMs(channel), 0u);
    EXPECT_TRUE(ChannelIsPlaying(channel));  // paused still counts as playing
    ChannelSetPaused(channel, false);
    out = Mix(4410);
    EXPECT_NEAR(out[100], 0.5f, 1e-3f);
    EXPECT_EQ(ChannelPositionMs(channel), 100u);
}

TEST_F(AudioMixer, LoopModesAndCounts) {
    const int once = Level("once.wav", 0.5f, 4410);                          // 100 ms
    const int forever = Level("forever.wav", 0.5f, 4410, SoundLoopForever);  // loaded looping
    const ChannelHandle a = AudioPlay(once, false);
    const ChannelHandle b = AudioPlay(forever, false);
    const ChannelHandle c = AudioPlay(once, false);
    ChannelSetMode(c, SoundLoopCount);
    ChannelSetLoopCount(c, 2);  // two repeats: three passes, 300 ms

    Mix(4410 + 441);  // 110 ms
    EXPECT_FALSE(ChannelIsPlaying(a));
    EXPECT_TRUE(ChannelIsPlaying(b));
    EXPECT_TRUE(ChannelIsPlaying(c));
    EXPECT_EQ(ChannelPositionMs(b), 10u);
    EXPECT_EQ(ChannelPositionMs(c), 10u);
    Mix(4410 * 2 - 882);  // 290 ms
    EXPECT_TRUE(ChannelIsPlaying(c));
    Mix(882);  // 310 ms
    EXPECT_FALSE(ChannelIsPlaying(c));
    EXPECT_TRUE(ChannelIsPlaying(b));
    std::vector<float> out = Mix(44100);
    EXPECT_NEAR(out[44099 * 2], 0.5f, 1e-3f);  // only the loop sounds, without a gap

    // Loop-off ends a looping sound after its pass.
    ChannelSetMode(b, SoundLoopOff);
    Mix(4410);
    EXPECT_FALSE(ChannelIsPlaying(b));
}

TEST_F(AudioMixer, EndedChannelsGoStaleAndIgnoreCalls) {
    const int shortSound = Level("short.wav", 0.5f, 100);
    const int longSound = Level("long.wav", 0.25f, 44100);
    const ChannelHandle first = AudioPlay(shortSound, false);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(ChannelSound(first), shortSound);
    Mix(200);
    EXPECT_FALSE(ChannelIsPlaying(first));
    EXPECT_EQ(ChannelSound(first), -1);
    EXPECT_EQ(ChannelPositionMs(first), 0u);

    // The freed slot is the lowest free one and plays the next sound under a new handle.
    const ChannelHandle second = AudioPlay(longSound, false);
    EXPECT_EQ(second & 0xFF, first & 0xFF);
    EXPECT_NE(second, first);
    ChannelSetVolume(first, 0.0f);
    ChannelSetPan(first, -1.0f);
    ChannelSetPaused(first, true);
    ChannelStop(first);
    EXPECT_TRUE(ChannelIsPlaying(second));
    const std::vector<float> out = Mix(4);
    EXPECT_NEAR(out[0], 0.25f, 1e-3f);
    EXPECT_NEAR(out[1], 0.25f, 1e-3f);
    float bins[SpectrumBins];
    EXPECT_FALSE(ChannelSpectrum(first, 0, bins));
    EXPECT_FALSE(ChannelIsPlaying(0));
}

TEST_F(AudioMixer, ReuseTakesTheGivenChannelOrAFreeOneWhenStale) {
    const int a = Level("a.wav", 0.5f, 44100);
    const int b = Level("b.wav", 0.25f, 44100);
    AudioPlay(a, false);  // channel 0
    const ChannelHandle kept = AudioPlay(a, false);
    const ChannelHandle again = AudioPlay(b, true, kept);
    EXPECT_EQ(again & 0xFF, kept & 0xFF);
    EXPECT_FALSE(ChannelIsPlaying(kept));
    EXPECT_EQ(ChannelSound(again), b);
    ChannelStop(again);
    const ChannelHandle fresh = AudioPlay(b, false, again);  // stale: any free channel
    EXPECT_NE(fresh, 0u);
    EXPECT_EQ(ChannelSound(fresh), b);
}

TEST_F(AudioMixer, FullPoolStealsTheOldestOneShotNeverALoop) {
    const int loop = Level("loop.wav", 0.1f, 4410, SoundLoopForever);
    const int shot = Level("shot.wav", 0.1f, 44100);
    ChannelHandle handles[MixerChannelCount];
    handles[0] = AudioPlay(loop, false);
    for (int i = 1; i < MixerChannelCount; ++i) handles[i] = AudioPlay(shot, false);
    const ChannelHandle stolen = AudioPlay(shot, false);
    ASSERT_NE(stolen, 0u);
    EXPECT_EQ(stolen & 0xFF, 1u);  // the oldest one-shot, not the older loop
    EXPECT_TRUE(ChannelIsPlaying(handles[0]));
    EXPECT_FALSE(ChannelIsPlaying(handles[1]));
    const ChannelHandle next = AudioPlay(shot, false);
    EXPECT_EQ(next & 0xFF, 2u);

    // Nothing but loops: the new sound does not start.
    AudioClose();
    ASSERT_TRUE(AudioOpen(true, ""));
    const int loop2 = Level("loop2.wav", 0.1f, 4410, SoundLoopForever);
    for (int i = 0; i < MixerChannelCount; ++i) ASSERT_NE(AudioPlay(loop2, false), 0u);
    EXPECT_EQ(AudioPlay(loop2, false), 0u);
}

TEST_F(AudioMixer, StreamPlaysLongerThanItsRingAndLoops) {
    // Five seconds of a ramp that tells every frame apart; the ring holds about three.
    const int frames = 5 * 44100;
    auto value = [](int i, int c) { return static_cast<float>(i % 20000) / 40000.0f * (c ? -1.0f : 1.0f); };
    ASSERT_TRUE(WriteSound(folder / "track.wav", 44100, 2, frames, value, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
    const int stream = AudioLoadStream((folder / "track.wav").c_str(), SoundLoopOff);
    ASSERT_GE(stream, 0);
    EXPECT_EQ(AudioSoundLengthMs(stream), 5000u);
    const ChannelHandle channel = AudioPlay(stream, false);
    std::vector<float> out = Mix(frames - 10);
    for (int i : {0, 1, 19999, 20000, 150001, frames - 11}) {
        EXPECT_FLOAT_EQ(out[i * 2], value(i, 0)) << i;
        EXPECT_FLOAT_EQ(out[i * 2 + 1], value(i, 1)) << i;
    }
    EXPECT_EQ(ChannelPositionMs(channel), (frames - 10) * 1000u / 44100u);
    Mix(20);
    EXPECT_FALSE(ChannelIsPlaying(channel));

    // Played again it starts from the top; looping, the second pass follows without a seam.
    const ChannelHandle looped = AudioPlay(stream, false);
    ChannelSetMode(looped, SoundLoopForever);
    out = Mix(frames + 100);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[(frames + 7) * 2], value(7, 0));
    EXPECT_EQ(ChannelPositionMs(looped), 100u * 1000u / 44100u);

    // A new play of a playing stream takes it over from the start.
    const ChannelHandle restarted = AudioPlay(stream, false);
    EXPECT_FALSE(ChannelIsPlaying(looped));
    out = Mix(3);
    EXPECT_FLOAT_EQ(out[2], value(1, 0));
    EXPECT_EQ(ChannelPositionMs(restarted), 0u);
}

TEST(AudioHeadless, EachUpdateMixesExactlyItsTimeIntoTheWav) {
    TempFolder folder;
    ASSERT_TRUE(WriteLevel(folder / "level.wav", 0.5f, 44100 * 2));
    const std::string wav = folder / "out.wav";
    ASSERT_TRUE(AudioOpen(true, wav.c_str()));
    const ChannelHandle channel = AudioPlay(AudioLoadSample((folder / "level.wav").c_str(), 0), false);
    ChannelSetPan(channel, -1.0f);
    // 16 ms is 705.6 frames: the fractions add up to whole frames over five updates.
    for (int i = 0; i < 5; ++i) AudioUpdate(16);
    EXPECT_EQ(ChannelPositionMs(channel), 80u);
    AudioClose();
    int frames = 0, channels = 0, rate = 0;
    const std::vector<float> data = ReadSound(wav, &frames, &channels, &rate);
    EXPECT_EQ(frames, 3528);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    ASSERT_GT(frames, 10);
    EXPECT_NEAR(data[20], 0.5f, 1e-3f);
    EXPECT_EQ(data[21], 0.0f);
}

TEST(AudioNullOutput, TimeGoesOnWithoutASoundCard) {
    TempFolder folder;
    ASSERT_TRUE(WriteSound(folder / "track.wav", 44100, 1, 44100 * 4, [](int, int) { return 0.25f; }));
    const char* saved = getenv("SDL_AUDIODRIVER");
    const std::string savedDriver = saved != nullptr ? saved : "";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    const std::string wav = folder / "out.wav";
    ASSERT_TRUE(AudioOpen(false, wav.c_str()));
    const ChannelHandle music = AudioPlay(AudioLoadStream((folder / "track.wav").c_str(), 0), false);
    // The main thread is away for a long while: the output, the stream and the copy carry on.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const uint32_t musicMs = ChannelPositionMs(music);
    AudioClose();
    if (saved != nullptr) {
        setenv("SDL_AUDIODRIVER", savedDriver.c_str(), 1);
    } else {
        unsetenv("SDL_AUDIODRIVER");
    }
    EXPECT_GE(musicMs, 1300u);
    EXPECT_LE(musicMs, 3000u);
    // From its first frame on, the track sounds without a gap in the copy of the mix.
    int frames = 0, channels = 0;
    const std::vector<float> data = ReadSound(wav, &frames, &channels);
    int first = 0;
    while (first < frames && data[first * 2] == 0.0f) ++first;
    ASSERT_GE(frames - first, 44100 * 13 / 10);
    int gaps = 0;
    for (int i = first; i < first + 44100 * 13 / 10; ++i)
        gaps += std::fabs(data[i * 2] - 0.25f) > 1e-3f ? 1 : 0;
    EXPECT_EQ(gaps, 0);
}

}  // namespace

namespace {

// The player's volumes scale each group's share of the mix only: the music and the effects apart, the
// spectrum (the HUD's equalizer) as the game plays it, and at full volume the mix exactly as before.
TEST_F(AudioMixer, GroupGainsScaleTheirOwnChannelsButNotTheSpectrum) {
    const int music = Level("music.wav", 0.25f, 44100, SoundLoopForever);
    const int effect = Level("effect.wav", 0.125f, 44100, SoundLoopForever);
    const ChannelHandle musicChannel = AudioPlay(music, false);
    AudioPlay(effect, false);
    ChannelSetGroup(musicChannel, SoundGroupMusic);
    EXPECT_EQ(Mix(2048)[0], 0.375f);  // untouched at full volume
    float full[SpectrumBins];
    ASSERT_TRUE(ChannelSpectrum(musicChannel, 0, full));

    AudioSetGroupGain(SoundGroupMusic, 0.5f);
    EXPECT_FLOAT_EQ(Mix(4)[0], 0.25f);
    AudioSetGroupGain(SoundGroupEffects, 0.0f);
    EXPECT_FLOAT_EQ(Mix(2048)[0], 0.125f);
    float bins[SpectrumBins];
    ASSERT_TRUE(ChannelSpectrum(musicChannel, 0, bins));
    EXPECT_GT(full[0], 0.1f);
    EXPECT_EQ(bins[0], full[0]) << "the spectrum of the music before the player's volume";

    AudioSetGroupGain(SoundGroupMusic, 7.0f);  // clamped
    EXPECT_EQ(AudioGroupGain(SoundGroupMusic), 1.0f);
    AudioSetGroupGain(SoundGroupMusic, NAN);
    EXPECT_EQ(AudioGroupGain(SoundGroupMusic), 0.0f);
    ChannelSetGroup(musicChannel, static_cast<SoundGroup>(9));  // unknown: among the effects
    EXPECT_EQ(Mix(4)[0], 0.0f);

    // A new mixer starts at full volume.
    AudioClose();
    ASSERT_TRUE(AudioOpen(true, ""));
    EXPECT_EQ(AudioGroupGain(SoundGroupMusic), 1.0f);
    EXPECT_EQ(AudioGroupGain(SoundGroupEffects), 1.0f);
}

}  // namespace

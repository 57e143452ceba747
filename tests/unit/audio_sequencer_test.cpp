// Music sequencer: tacts of timed and untimed tracks, note choice and spacing, melodies, the playlist.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "audio/music.h"
#include "audio/sequencer.h"
#include "audio/sound_hooks.h"
#include "platform/audio_device.h"
#include "unit/audio_test_support.h"

namespace {

// A random source that plays back a script, repeating its last value when it runs out.
std::vector<int> script;
size_t scriptAt = 0;
int ScriptedRandom() {
    return script.empty() ? 0 : script[scriptAt < script.size() ? scriptAt++ : script.size() - 1];
}
void Script(std::initializer_list<int> values) {
    script = values;
    scriptAt = 0;
}
int StuckRandom() {
    return 0;
}
int StandardRandom() {
    return std::rand();
}

class AudioSequencer : public ::testing::Test {
   protected:
    void SetUp() override {
        score = std::make_unique<MusicScore>();
        ResetMusicScore(*score);
        Script({0});
    }
    // One tact per chord list ("C,G" shares a tact), with the start times of a timed track.
    TrackTiming& AddTrack(bool timed, std::initializer_list<const char*> chords,
                          std::initializer_list<uint32_t> times = {}) {
        TrackTiming& timing = score->timings[score->timingCount++];
        timing.timed = timed;
        auto time = times.begin();
        for (const char* list : chords) {
            Tact& tact = timing.tacts[timing.tactCount++];
            SplitNames names;
            SplitList(list, names);
            for (int i = 0; i < names.count; ++i)
                tact.chords[tact.chordCount++] = InternName(*score, names.names[i]);
            if (time != times.end()) tact.timeMs = *time++;
        }
        return timing;
    }
    // A chord of n notes whose samples are SoundOf(chord, index).
    Effect& AddEffect(const char* key, bool melodic,
                      std::initializer_list<std::pair<const char*, int>> chords) {
        Effect& effect = *FindEffect(*score, key);
        effect.melodic = melodic;
        for (auto [chord, n] : chords) {
            EffectChord& entry = effect.chords[effect.chordCount++];
            entry.name = InternName(*score, chord);
            entry.noteCount = static_cast<uint8_t>(n);
            for (int i = 0; i < n; ++i) {
                entry.notes[i] = InternName(*score, std::string(chord) + std::to_string(i));
                effect.notes[effect.noteCount++] = EffectNote{entry.notes[i], SoundOf(chord, i)};
            }
        }
        return effect;
    }
    static int SoundOf(const char* chord, int index) { return 10 * chord[0] + index; }
    Melody& AddMelody(Effect& effect, int size, int tact, std::initializer_list<MelodyStep> steps) {
        Melody& melody = effect.melodies[size - 1][effect.melodyCount[size - 1]++];
        melody.tact = tact;
        for (const MelodyStep& step : steps) melody.steps[melody.stepCount++] = step;
        return melody;
    }
    std::string Chord(const TactState& state) { return NameText(*score, state.chord); }

    std::unique_ptr<MusicScore> score;
};

TEST_F(AudioSequencer, UntimedTrackIsCutEvenly) {
    TrackTiming& track = AddTrack(false, {"F", "F", "C,G"});
    track.tactCount = 60;  // a two-minute track of sixty tacts
    TactState state;
    ASSERT_TRUE(LocateTact({&track, 5000, 120000}, state));
    EXPECT_FLOAT_EQ(state.tactLength, 2000.0f);
    EXPECT_EQ(state.tactIndex, 2u);
    EXPECT_EQ(state.positionInTact, 1000);
    EXPECT_EQ(Chord(state), "G");
    ASSERT_TRUE(LocateTact({&track, 4999, 120000}, state));
    EXPECT_EQ(Chord(state), "C");
    EXPECT_FALSE(LocateTact({&track, 120000, 120000}, state));
    EXPECT_FALSE(LocateTact({&track, 5000, 0}, state));  // unknown length: nothing to cut
}

TEST_F(AudioSequencer, TimedTrackFollowsItsTimes) {
    TrackTiming& track = AddTrack(true, {"A", "B,D", "E"}, {0, 1850, 3700});
    TactState state;
    ASSERT_TRUE(LocateTact({&track, 1000}, state));
    EXPECT_EQ(state.tactIndex, 0u);
    EXPECT_FLOAT_EQ(state.tactLength, 1850.0f);
    ASSERT_TRUE(LocateTact({&track, 2000}, state));
    EXPECT_EQ(state.tactIndex, 1u);
    EXPECT_EQ(state.positionInTact, 1700);
    EXPECT_EQ(Chord(state), "D");  // counted from the tact's end: the last-listed chord sounds first
    ASSERT_TRUE(LocateTact({&track, 3000}, state));
    EXPECT_EQ(Chord(state), "B");
    EXPECT_FALSE(LocateTact({&track, 4000}, state));  // the last time only closes the tact before it

    Effect& effect = AddEffect("music/collision", false, {{"A", 2}});
    ASSERT_TRUE(ComputeTactState({&track, 1000}, effect, state));
    EXPECT_EQ(state.noteCount, 2);
    EXPECT_FALSE(ComputeTactState({&track, 2000}, effect, state));  // a chord the effect lacks
    EXPECT_FALSE(ComputeTactState(MusicMoment{}, effect, state));   // no music
    TrackTiming& rest = AddTrack(false, {""});
    EXPECT_EQ(PickEffectNote({&rest, 10, 1000}, effect, StandardRandom), -1);
}

TEST_F(AudioSequencer, RandomNotesNeverRepeat) {
    TrackTiming& track = AddTrack(false, {"C", "D"});
    const MusicMoment inC{&track, 10, 2000}, inD{&track, 1010, 2000};
    Effect& effect = AddEffect("music/collision", false, {{"C", 3}, {"D", 1}});
    int last = -1;
    for (int i = 0; i < 300; ++i) {
        const int sound = PickEffectNote(inC, effect, StandardRandom);
        ASSERT_TRUE(sound >= SoundOf("C", 0) && sound <= SoundOf("C", 2));
        ASSERT_NE(sound, last);
        last = sound;
    }
    effect.lastNote = 1;
    Script({1, 4, 2});  // the last note, twice, then another
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 2));
    EXPECT_EQ(PickEffectNote(inC, effect, StuckRandom), SoundOf("C", 0));
    EXPECT_EQ(PickEffectNote(inC, effect, StuckRandom), SoundOf("C", 1));  // a stuck source cannot hang
    for (int i = 0; i < 2; ++i) EXPECT_EQ(PickEffectNote(inD, effect, StuckRandom), SoundOf("D", 0));
}

TEST_F(AudioSequencer, MelodyStartsEachChordOnNoteZeroAndWalksItsSteps) {
    TrackTiming& track = AddTrack(false, {"C", "E"});
    const MusicMoment inC{&track, 100, 4000}, inE{&track, 2100, 4000};
    Effect& effect = AddEffect("music/collision", true, {{"C", 3}, {"E", 3}});
    AddMelody(effect, 3, 1, {{4, 2}, {4, 1}, {4, 2}, {4, 0}});
    AddMelody(effect, 3, 1, {{8, 1}, {8, 0}});

    Script({1});
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 0));
    EXPECT_EQ(effect.melodyIndex, 1u);
    AdvanceMelody(inC, effect, 1000, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 0));  // step 1 of melody 1
    // Past the last step another melody takes over; the one left starts again from its beginning.
    Script({1, 1, 0});
    AdvanceMelody(inC, effect, 1100, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 0u);
    EXPECT_EQ(effect.melodies[2][1].position, 0u);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 2));
    AdvanceMelody(inC, effect, 1200, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 1));
    Script({0});
    EXPECT_EQ(PickEffectNote(inE, effect, ScriptedRandom), SoundOf("E", 0));  // a new chord: note 0

    // A pause longer than twice the spacing (2000 / 4 * 1 * 0.5 = 250 ms) restarts, once two steps played,
    // before the melody's end.
    AdvanceMelody(inE, effect, 2000, ScriptedRandom);
    AdvanceMelody(inE, effect, 9000, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 0u);
    Script({0, 1});
    AdvanceMelody(inE, effect, 9501, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 1u);
}

TEST_F(AudioSequencer, NoteSpacing) {
    TrackTiming& track = AddTrack(false, {"C"});
    const MusicMoment moment{&track, 100, 2000};
    Effect& random = AddEffect("music/collision", false, {});
    EXPECT_EQ(EffectNoteDelay(moment, random), 250);
    track.tacts[0].repeat = 2;
    EXPECT_EQ(EffectNoteDelay(moment, random), 125);
    EXPECT_EQ(EffectNoteDelay(MusicMoment{}, random), 0);  // no tact: nothing to keep time with

    Effect& melodic = AddEffect("music/collision2", true, {{"C", 2}});
    AddMelody(melodic, 2, 3, {{4, 0}, {6, 1}, {0, 0}, {-2, 1}, {1, 0}});
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 125);  // no melody yet: eight notes a tact
    PickEffectNote(moment, melodic, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 750);  // 2000 / 4 * 3 * 0.5
    AdvanceMelody(moment, melodic, 10, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 500);  // 2000 / 6 * 3 * 0.5, truncated
    // A len or repeat of 0 or below falls back to the whole tact; a huge spacing is held, not wrapped.
    AdvanceMelody(moment, melodic, 20, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 2000);
    AdvanceMelody(moment, melodic, 30, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 2000);
    AdvanceMelody(moment, melodic, 40, ScriptedRandom);
    melodic.melodies[1][0].tact = INT32_MAX;
    EXPECT_EQ(EffectNoteDelay(moment, melodic), INT32_MAX);
    for (int repeat : {0, -3}) {
        track.tacts[0].repeat = repeat;
        EXPECT_EQ(EffectNoteDelay(moment, random), 2000);
    }
}

TEST_F(AudioSequencer, ScoresBreakingTheirOwnRulesSkipTheNote) {
    TrackTiming& track = AddTrack(false, {"C", "D"});
    const MusicMoment inC{&track, 100, 4000}, inD{&track, 2100, 4000};
    Effect& effect = AddEffect("music/collision", true, {{"C", 2}, {"D", 4}});  // nothing for four notes
    AddMelody(effect, 2, 1, {{4, 0}, {4, 2}, {4, 1}});
    PickEffectNote(inC, effect, ScriptedRandom);
    AdvanceMelody(inC, effect, 10, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), -1);  // index 2 of a two-note chord
    AdvanceMelody(inC, effect, 20, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 1));

    for (int i = 0; i < 2; ++i) EXPECT_EQ(PickEffectNote(inD, effect, StuckRandom), -1);
    EXPECT_EQ(RunningMelody(effect), nullptr);
    AdvanceMelody(inD, effect, 30, StuckRandom);

    Effect& bare = AddEffect("music/bare", true, {{"C", 1}});
    AddMelody(bare, 1, 1, {});  // a melody without steps
    EXPECT_EQ(PickEffectNote(inC, bare, StuckRandom), SoundOf("C", 0));
    EXPECT_EQ(PickEffectNote(inC, bare, StuckRandom), -1);
    EXPECT_EQ(EffectNoteDelay(inC, bare), 250);
    AdvanceMelody(inC, bare, 40, StuckRandom);
    EXPECT_EQ(bare.melodies[0][0].position, 0u);
}

TEST_F(AudioSequencer, PlaylistSkipsEntriesWithoutSound) {
    score->playlistCount = 3;
    for (int i = 0; i < 3; ++i) score->playlist[i] = PlaylistEntry{10 + i, "", i == 1 ? 0 : 1, -1};
    EXPECT_EQ(NextTrack(*score, 2), 0);
    EXPECT_EQ(NextTrack(*score, 1), 1);  // plays 0 holds
    score->playlist[0].sound = -1;
    EXPECT_EQ(PlayableTrackFrom(*score, 0), 1);
    score->playlist[1].sound = score->playlist[2].sound = -1;
    EXPECT_EQ(NextTrack(*score, 1), -1);  // nothing playable: the playlist gives up
}

// The playlist and the collision notes on the headless mixer, with short tracks made on the spot.
class AudioMusicPlaylist : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(AudioOpen(true, ""));
        std::filesystem::create_directories(folder.path / "music");
        std::filesystem::create_directories(folder.path / "data");
        ASSERT_TRUE(audio_test::WriteLevel(folder / "music/a.wav", 0.1f, MixerSampleRate / 5));  // 200 ms
        ASSERT_TRUE(audio_test::WriteLevel(folder / "music/b.wav", 0.1f, MixerSampleRate / 5));
        ASSERT_TRUE(audio_test::WriteLevel(folder / "music/n.wav", 0.2f, MixerSampleRate / 20));
        // The game names its effects "music/collision": the score is read from "music/" in the game folder.
        saved = std::filesystem::current_path();
        std::filesystem::current_path(folder.path);
    }
    void TearDown() override {
        StopMusic();
        LoadMusicScore("/nonexistent/", "none.xml", false);  // leaves no score behind for other tests
        AudioClose();
        std::filesystem::current_path(saved);
    }
    bool Load(const std::string& text, bool holiday = false) {
        std::ofstream(folder / "music/music.xml") << text;
        return LoadMusicScore("music/", "music.xml", holiday);
    }
    // The track index after each frame of `ms` milliseconds, repeats dropped.
    std::vector<uint32_t> Run(int ms) {
        std::vector<uint32_t> order;
        for (int t = 0; t < ms; t += 15) {
            AudioUpdate(15);
            UpdateMusic();
            if (order.empty() || order.back() != MusicTrackIndex()) order.push_back(MusicTrackIndex());
        }
        return order;
    }

    audio_test::TempFolder folder;
    std::filesystem::path saved;
};

TEST_F(AudioMusicPlaylist, TracksFollowEachOtherUntilOneLoops) {
    ASSERT_TRUE(Load(
        R"(<m><playlist><track value="a.wav" plays="1"/><track value="b.wav" plays="1"/></playlist></m>)"));
    StartMusic();
    EXPECT_EQ(Run(700), (std::vector<uint32_t>{0, 1, 0, 1}));
    StopMusic();
    ASSERT_TRUE(Load(
        R"(<m><playlist><track value="a.wav" plays="1"/><track value="b.wav" plays="0"/></playlist></m>)"));
    StartMusic();
    EXPECT_EQ(Run(1500), (std::vector<uint32_t>{0, 1}));
    EXPECT_TRUE(ChannelIsPlaying(MusicChannel()));
    StopMusic();
    // A holiday song that did not open is passed over.
    std::ofstream(folder / "data/ukazatel2.tga") << "<h/>";
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="0"/></playlist></m>)", true));
    StartMusic();
    EXPECT_EQ(Run(600), (std::vector<uint32_t>{1}));
}

TEST_F(AudioMusicPlaylist, CollisionNotesPlayTheSoundingChord) {
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="0"/></playlist>
        <track value="a.wav"><tact chord="C"/></track>
        <effect value="collision" melodic="0"><note value="n" sample="n.wav"/><chord value="C" note="n"/></effect>
        </m>)"));
    const uint32_t before = CollisionNotesStarted();
    PlayCollisionNote(CollisionEffect, 0.5f, 0.2f);  // the playlist has not started: no chord yet
    EXPECT_EQ(CollisionNotesStarted(), before);
    StartMusic();
    Run(30);
    PlayCollisionNote(CollisionEffect, 0.5f, 0.2f);
    EXPECT_EQ(CollisionNotesStarted(), before + 1);
    EXPECT_EQ(EffectNoteDelay(CollisionEffect), 25);  // a 200 ms tact, eight notes
    PlayCollisionNote(CollisionEffect2, 0.5f, 0.2f);  // an effect the score does not have
    EXPECT_EQ(CollisionNotesStarted(), before + 1);
}

}  // namespace

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

// A random source that plays back a script (and repeats its last value when the script runs out).
std::vector<int> script;
size_t scriptAt = 0;
int ScriptedRandom() {
    if (script.empty()) return 0;
    int value = script[scriptAt < script.size() ? scriptAt : script.size() - 1];
    ++scriptAt;
    return value;
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

    // A track whose tacts each carry a chord list like the score's "C,G".
    TrackTiming& AddTrack(bool timed, std::initializer_list<const char*> chords,
                          std::initializer_list<uint32_t> times = {}) {
        TrackTiming& timing = score->timings[score->timingCount++];
        timing.timed = timed;
        timing.tactCount = 0;
        auto time = times.begin();
        for (const char* list : chords) {
            Tact& tact = timing.tacts[timing.tactCount++];
            tact = Tact{};
            SplitNames names;
            SplitList(list, names);
            for (int i = 0; i < names.count; ++i)
                tact.chords[tact.chordCount++] = InternName(*score, names.names[i]);
            if (time != times.end()) tact.timeMs = *time++;
        }
        return timing;
    }

    Effect& AddEffect(const char* key, bool melodic) {
        Effect& effect = *FindEffect(*score, key);
        effect.melodic = melodic;
        return effect;
    }
    // A chord of n notes named <chord>0.. whose samples are 10 * (chord's first letter) + note index.
    void AddChord(Effect& effect, const char* chord, int n) {
        EffectChord& entry = effect.chords[effect.chordCount++];
        entry.name = InternName(*score, chord);
        entry.noteCount = static_cast<uint8_t>(n);
        for (int i = 0; i < n; ++i) {
            NameId note = InternName(*score, std::string(chord) + std::to_string(i));
            entry.notes[i] = note;
            effect.notes[effect.noteCount++] = EffectNote{note, SoundOf(chord, i)};
        }
    }
    static int SoundOf(const char* chord, int index) { return 10 * chord[0] + index; }
    Melody& AddMelody(Effect& effect, int size, int tact, std::initializer_list<MelodyStep> steps) {
        Melody& melody = effect.melodies[size - 1][effect.melodyCount[size - 1]++];
        melody = Melody{};
        melody.tact = tact;
        for (const MelodyStep& step : steps) melody.steps[melody.stepCount++] = step;
        return melody;
    }

    MusicMoment At(const TrackTiming& timing, uint32_t positionMs, uint32_t lengthMs = 0) {
        return MusicMoment{&timing, positionMs, lengthMs};
    }
    std::string Name(NameId id) { return NameText(*score, id); }

    std::unique_ptr<MusicScore> score;
};

// Sixty even tacts of a two-minute track; tact 2 holds two chords.
TEST_F(AudioSequencer, UntimedTrackIsCutEvenly) {
    TrackTiming& track = AddTrack(false, {"F", "F", "C,G", "F"});
    track.tactCount = 60;
    for (int i = 4; i < 60; ++i) track.tacts[i] = track.tacts[0];

    TactState state;
    ASSERT_TRUE(LocateTact(At(track, 5000, 120000), state));
    EXPECT_FLOAT_EQ(state.tactLength, 2000.0f);
    EXPECT_EQ(state.tactIndex, 2u);
    EXPECT_EQ(state.positionInTact, 1000);
    EXPECT_EQ(Name(state.chord), "G");
    EXPECT_EQ(state.repeat, 1);
    ASSERT_TRUE(LocateTact(At(track, 4999, 120000), state));
    EXPECT_EQ(Name(state.chord), "C");

    EXPECT_FALSE(LocateTact(At(track, 120000, 120000), state));
    // A track whose length the mixer does not know has no tacts to cut.
    EXPECT_FALSE(LocateTact(At(track, 5000, 0), state));
}

TEST_F(AudioSequencer, TimedTrackFollowsItsTimes) {
    TrackTiming& track = AddTrack(true, {"A", "B,D", "E"}, {0, 1850, 3700});
    TactState state;
    ASSERT_TRUE(LocateTact(At(track, 1000), state));
    EXPECT_EQ(state.tactIndex, 0u);
    EXPECT_FLOAT_EQ(state.tactLength, 1850.0f);
    ASSERT_TRUE(LocateTact(At(track, 2000), state));
    EXPECT_EQ(state.tactIndex, 1u);
    EXPECT_FLOAT_EQ(state.tactLength, 1850.0f);
    EXPECT_EQ(state.positionInTact, 1700);
    // The time left decides: early in a timed tact its last-listed chord sounds.
    EXPECT_EQ(Name(state.chord), "D");
    ASSERT_TRUE(LocateTact(At(track, 3000), state));
    EXPECT_EQ(Name(state.chord), "B");
    // The last time only closes the tact before it.
    EXPECT_FALSE(LocateTact(At(track, 4000), state));
    EXPECT_FALSE(LocateTact(At(track, 3700), state));
}

TEST_F(AudioSequencer, NoTactNoChord) {
    TrackTiming& track = AddTrack(false, {"C", ""});
    Effect& effect = AddEffect("music/collision", false);
    AddChord(effect, "C", 1);
    TactState state;
    EXPECT_TRUE(ComputeTactState(At(track, 100, 2000), effect, state));
    EXPECT_EQ(state.noteCount, 1);
    EXPECT_FALSE(ComputeTactState(At(track, 1500, 2000), effect, state));  // a rest
    EXPECT_EQ(PickEffectNote(At(track, 1500, 2000), effect, ScriptedRandom), -1);
    EXPECT_FALSE(ComputeTactState(MusicMoment{}, effect, state));  // no music
    Effect& other = AddEffect("music/collision2", false);
    EXPECT_FALSE(ComputeTactState(At(track, 100, 2000), other, state));  // chord not defined
    TrackTiming& empty = AddTrack(false, {});
    EXPECT_FALSE(ComputeTactState(At(empty, 100, 2000), effect, state));
}

TEST_F(AudioSequencer, RandomNotesNeverRepeat) {
    TrackTiming& track = AddTrack(false, {"C"});
    Effect& effect = AddEffect("music/collision", false);
    AddChord(effect, "C", 3);
    int last = -1;
    for (int i = 0; i < 500; ++i) {
        int sound = PickEffectNote(At(track, 10, 1000), effect, StandardRandom);
        ASSERT_GE(sound, SoundOf("C", 0));
        ASSERT_LE(sound, SoundOf("C", 2));
        ASSERT_NE(sound, last);
        last = sound;
    }
    // Redraws: the scripted source offers the last note twice before another.
    effect.lastNote = 1;
    Script({1, 4, 2});
    EXPECT_EQ(PickEffectNote(At(track, 10, 1000), effect, ScriptedRandom), SoundOf("C", 2));
    // A source stuck on one value cannot hang the game, and still does not repeat.
    effect.lastNote = 0;
    EXPECT_EQ(PickEffectNote(At(track, 10, 1000), effect, StuckRandom), SoundOf("C", 1));

    TrackTiming& single = AddTrack(false, {"D"});
    AddChord(effect, "D", 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PickEffectNote(At(single, 10, 1000), effect, StuckRandom), SoundOf("D", 0));
}

TEST_F(AudioSequencer, MelodyStartsEachChordOnNoteZeroAndWalksItsSteps) {
    TrackTiming& track = AddTrack(false, {"C", "E"});
    const MusicMoment inC = At(track, 100, 4000), inE = At(track, 2100, 4000);
    Effect& effect = AddEffect("music/collision", true);
    AddChord(effect, "C", 3);
    AddChord(effect, "E", 3);
    AddMelody(effect, 3, 1, {{4, 2}, {4, 1}, {4, 2}});
    AddMelody(effect, 3, 1, {{8, 1}, {8, 0}});

    Script({1});  // the second melody
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 0));
    EXPECT_EQ(effect.melodyKey, 3);
    EXPECT_EQ(effect.melodyIndex, 1u);
    AdvanceMelody(inC, effect, 1000, ScriptedRandom);
    // From step 1 on.
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 0));
    // After the last step another melody takes over, and the one left starts again from its beginning.
    Script({1, 1, 0});
    AdvanceMelody(inC, effect, 1100, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 0u);
    EXPECT_EQ(effect.melodies[2][1].position, 0u);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 2));
    AdvanceMelody(inC, effect, 1200, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 1));

    // A new chord: note 0 whatever the melody's place.
    Script({0});
    EXPECT_EQ(PickEffectNote(inE, effect, ScriptedRandom), SoundOf("E", 0));
    EXPECT_EQ(effect.melodies[2][0].position, 0u);
}

TEST_F(AudioSequencer, LongPauseRestartsTheMelodyOnceTwoStepsHavePlayed) {
    TrackTiming& track = AddTrack(false, {"C"});
    const MusicMoment moment = At(track, 100, 2000);
    Effect& effect = AddEffect("music/collision", true);
    AddChord(effect, "C", 2);
    AddMelody(effect, 2, 1, {{4, 0}, {4, 1}, {4, 0}, {4, 1}, {4, 0}});
    AddMelody(effect, 2, 1, {{4, 1}});
    Script({0});
    PickEffectNote(moment, effect, ScriptedRandom);
    // Spacing 2000 / 4 * 1 * 0.5 = 250 ms: a pause of more than 500 ms counts only from position 2.
    AdvanceMelody(moment, effect, 1000, ScriptedRandom);
    AdvanceMelody(moment, effect, 5000, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 0u);
    EXPECT_EQ(effect.melodies[1][0].position, 2u);
    EXPECT_EQ(EffectNoteDelay(moment, effect), 250);
    AdvanceMelody(moment, effect, 5500, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 0u);
    Script({0, 1});
    AdvanceMelody(moment, effect, 6001, ScriptedRandom);
    EXPECT_EQ(effect.melodyIndex, 1u);
    EXPECT_EQ(effect.melodies[1][0].position, 0u);
}

TEST_F(AudioSequencer, NoteSpacing) {
    TrackTiming& track = AddTrack(false, {"C"});
    const MusicMoment moment = At(track, 100, 2000);
    Effect& random = AddEffect("music/collision", false);
    EXPECT_EQ(EffectNoteDelay(moment, random), 250);
    track.tacts[0].repeat = 2;
    EXPECT_EQ(EffectNoteDelay(moment, random), 125);
    // The spacing needs the tact only, not a chord the effect knows.
    EXPECT_EQ(random.chordCount, 0);

    Effect& melodic = AddEffect("music/collision2", true);
    AddChord(melodic, "C", 2);
    AddMelody(melodic, 2, 3, {{4, 0}, {6, 1}});
    // Before its first note a melodic effect has no step to go by: eight notes a tact, as a random one.
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 125);
    PickEffectNote(moment, melodic, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 750);  // 2000 / 4 * 3 * 0.5
    AdvanceMelody(moment, melodic, 10, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 500);  // 2000 / 6 * 3 * 0.5, truncated

    // No tact at all: nothing to keep time with.
    EXPECT_EQ(EffectNoteDelay(MusicMoment{}, random), 0);
}

TEST_F(AudioSequencer, BadSpacingValuesFallBackToTheTact) {
    TrackTiming& track = AddTrack(false, {"C"});
    const MusicMoment moment = At(track, 100, 2000);
    Effect& random = AddEffect("music/collision", false);
    track.tacts[0].repeat = 0;
    EXPECT_EQ(EffectNoteDelay(moment, random), 2000);
    track.tacts[0].repeat = -3;
    EXPECT_EQ(EffectNoteDelay(moment, random), 2000);
    track.tacts[0].repeat = INT32_MAX;
    EXPECT_EQ(EffectNoteDelay(moment, random), 0);

    Effect& melodic = AddEffect("music/collision2", true);
    AddChord(melodic, "C", 2);
    AddMelody(melodic, 2, 1, {{0, 0}, {-2, 1}});
    PickEffectNote(moment, melodic, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 2000);
    AdvanceMelody(moment, melodic, 10, ScriptedRandom);
    EXPECT_EQ(EffectNoteDelay(moment, melodic), 2000);
    // A huge melody tact is held at the largest spacing rather than wrapping.
    melodic.melodies[1][0].tact = INT32_MAX;
    melodic.melodies[1][0].steps[1].len = 1;
    EXPECT_EQ(EffectNoteDelay(moment, melodic), INT32_MAX);
}

TEST_F(AudioSequencer, ScoresBreakingTheirOwnRulesSkipTheNote) {
    TrackTiming& track = AddTrack(false, {"C", "D"});
    const MusicMoment inC = At(track, 100, 4000), inD = At(track, 2100, 4000);
    Effect& effect = AddEffect("music/collision", true);
    AddChord(effect, "C", 2);
    AddChord(effect, "D", 4);  // no melody written for four notes
    AddMelody(effect, 2, 1, {{4, 0}, {4, 2}, {4, 1}});

    PickEffectNote(inC, effect, ScriptedRandom);
    AdvanceMelody(inC, effect, 10, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), -1);  // index 2 of a two-note chord
    AdvanceMelody(inC, effect, 20, ScriptedRandom);
    EXPECT_EQ(PickEffectNote(inC, effect, ScriptedRandom), SoundOf("C", 1));

    EXPECT_EQ(PickEffectNote(inD, effect, StuckRandom), -1);
    EXPECT_EQ(PickEffectNote(inD, effect, StuckRandom), -1);
    EXPECT_EQ(RunningMelody(effect), nullptr);
    EXPECT_EQ(EffectNoteDelay(inD, effect), 250);  // eight notes a tact without a melody
    AdvanceMelody(inD, effect, 30, StuckRandom);

    // A melody without steps: silence, and the melody moves on without dividing by its size.
    Effect& bare = AddEffect("music/bare", true);
    AddChord(bare, "C", 1);
    AddMelody(bare, 1, 1, {});
    EXPECT_EQ(PickEffectNote(inC, bare, StuckRandom), SoundOf("C", 0));
    EXPECT_EQ(PickEffectNote(inC, bare, StuckRandom), -1);
    EXPECT_EQ(EffectNoteDelay(inC, bare), 250);
    AdvanceMelody(inC, bare, 40, StuckRandom);
    EXPECT_EQ(bare.melodies[0][0].position, 0u);
}

TEST_F(AudioSequencer, PlaylistCyclesAndHoldsALoopingTrack) {
    score->playlistCount = 3;
    for (int i = 0; i < 3; ++i) {
        score->playlist[i] = PlaylistEntry{};
        score->playlist[i].sound = 10 + i;
        score->playlist[i].plays = 1;
    }
    EXPECT_EQ(PlayableTrackFrom(*score, 0), 0);
    EXPECT_EQ(NextTrack(*score, 0), 1);
    EXPECT_EQ(NextTrack(*score, 2), 0);
    score->playlist[1].plays = 0;
    EXPECT_EQ(NextTrack(*score, 1), 1);

    // A holiday song that never opened is passed over.
    score->playlist[0].sound = -1;
    EXPECT_EQ(PlayableTrackFrom(*score, 0), 1);
    EXPECT_EQ(NextTrack(*score, 2), 1);
    // With nothing playable the playlist gives up instead of turning for ever.
    score->playlist[1].sound = -1;
    score->playlist[2].sound = -1;
    EXPECT_EQ(PlayableTrackFrom(*score, 0), -1);
    EXPECT_EQ(NextTrack(*score, 1), -1);
    score->playlistCount = 0;
    EXPECT_EQ(PlayableTrackFrom(*score, 0), -1);
}

}  // namespace

// The playlist and the collision notes on the real mixer, headless, with short tracks made on the spot.
class AudioMusicPlaylist : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(AudioOpen(true, ""));
        ASSERT_FALSE(folder.path.empty());
        std::filesystem::create_directories(folder.path / "music" / "notes");
        std::filesystem::create_directories(folder.path / "data");
        for (const char* track : {"music/a.wav", "music/b.wav"}) {
            ASSERT_TRUE(audio_test::WriteLevel(folder / track, 0.1f, MixerSampleRate / 5));  // 200 ms
        }
        ASSERT_TRUE(audio_test::WriteLevel(folder / "music/notes/n.wav", 0.2f, MixerSampleRate / 20));
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
    // Runs the frames of `ms` milliseconds and returns the track index after each frame.
    std::vector<uint32_t> Run(int ms) {
        std::vector<uint32_t> tracks;
        for (int t = 0; t < ms; t += 15) {
            AudioUpdate(15);
            UpdateMusic();
            tracks.push_back(MusicTrackIndex());
        }
        return tracks;
    }

    audio_test::TempFolder folder;
    std::filesystem::path saved;
};

TEST_F(AudioMusicPlaylist, TracksFollowEachOtherAndWrap) {
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="1"/><track value="b.wav" plays="1"/>
        </playlist></m>)"));
    StartMusic();
    EXPECT_NE(MusicChannel(), 0u);
    std::vector<uint32_t> tracks = Run(1000);
    std::vector<uint32_t> order;
    for (uint32_t track : tracks)
        if (order.empty() || order.back() != track) order.push_back(track);
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], 0u);
    EXPECT_EQ(order[1], 1u);
    EXPECT_EQ(order[2], 0u);
    EXPECT_EQ(order[3], 1u);
}

TEST_F(AudioMusicPlaylist, TrackWithoutPlaysHoldsThePlaylist) {
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="1"/><track value="b.wav" plays="0"/>
        </playlist></m>)"));
    StartMusic();
    std::vector<uint32_t> tracks = Run(1500);
    EXPECT_EQ(tracks.back(), 1u);
    EXPECT_TRUE(ChannelIsPlaying(MusicChannel()));
    StopMusic();
    EXPECT_EQ(MusicChannel(), 0u);
}

TEST_F(AudioMusicPlaylist, FailedHolidaySongIsPassedOver) {
    std::ofstream(folder / "data/ukazatel2.tga") << "<h/>";
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="1"/></playlist></m>)", true));
    StartMusic();
    EXPECT_EQ(MusicTrackIndex(), 1u);
    std::vector<uint32_t> tracks = Run(600);
    for (uint32_t track : tracks) EXPECT_EQ(track, 1u);
}

TEST_F(AudioMusicPlaylist, CollisionNotesPlayTheSoundingChord) {
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.wav" plays="0"/></playlist>
        <track value="a.wav"><tact chord="C"/></track>
        <effect value="collision" melodic="0"><note value="n" sample="notes/n.wav"/>
          <chord value="C" note="n"/></effect></m>)"));
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

// Music score loading: required attributes, list and time parsing, the holiday song, capacities.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audio/music_score.h"
#include "platform/audio_device.h"

namespace {

namespace fs = std::filesystem;

struct Opened {
    std::string path;
    uint32_t mode;
    bool stream;
};

// Stands in for the mixer: hands out ids from 100 on and remembers every path, or refuses a path.
struct Recorder {
    std::vector<Opened> opened;
    std::string refuse;
    int nextId = 100;

    int Open(const char* path, uint32_t mode, bool stream) {
        opened.push_back({path, mode, stream});
        if (!refuse.empty() && refuse == path) return -1;
        return nextId++;
    }
    SoundOpener Opener() {
        SoundOpener opener;
        opener.context = this;
        opener.loadStream = [](void* self, const char* path, uint32_t mode) {
            return static_cast<Recorder*>(self)->Open(path, mode, true);
        };
        opener.loadSample = [](void* self, const char* path, uint32_t mode) {
            return static_cast<Recorder*>(self)->Open(path, mode, false);
        };
        return opener;
    }
};

const char* const FullScore = R"(<music>
  <playlist>
    <track value="one.ogg" plays="2"/>
    <track value="two.ogg" plays="0"/>
  </playlist>
  <playlist><track value="ignored.ogg" plays="1"/></playlist>
  <track value="one.ogg" mode="timed">
    <tact chord="C, G" time="00:00:00.00" repeat="2"/>
    <tact chord="Am" time="00:00:01.85"/>
  </track>
  <track value="two.ogg">
    <tact chord="F" time="00:00:09.00" repeat="4"/>
    <tact chord=""/>
  </track>
  <effect value="collision" melodic="1">
    <note value="c1" sample="notes/c1.wav"/>
    <note value="e1" sample="notes/e1.wav"/>
    <chord value="C" note="c1, e1"/>
    <melody note="2" tact="1">
      <note len="4" index="1"/>
      <note len="8" index="0"/>
    </melody>
  </effect>
  <effect value="collision2" melodic="2">
    <note value="g1" sample="notes/g1.wav"/>
    <chord value="G" note="g1"/>
  </effect>
</music>)";

class AudioScore : public ::testing::Test {
   protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "audio_score_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root / "music");
        fs::create_directories(root / "data");
        folder = (root / "music").string() + "/";
        score = std::make_unique<MusicScore>();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void Write(const fs::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    bool Load(const std::string& text, bool holiday = false) {
        Write(root / "music" / "music.xml", text);
        return LoadMusicScore(*score, folder.c_str(), "music.xml", holiday, recorder.Opener());
    }
    std::string Name(NameId id) { return NameText(*score, id); }

    fs::path root;
    std::string folder;
    std::unique_ptr<MusicScore> score;
    Recorder recorder;
};

TEST_F(AudioScore, ReadsPlaylistTactsAndEffects) {
    ASSERT_TRUE(Load(FullScore));

    ASSERT_EQ(score->playlistCount, 2);
    EXPECT_EQ(score->playlist[0].path, folder + "one.ogg");
    EXPECT_EQ(score->playlist[0].plays, 2);
    EXPECT_EQ(score->playlist[0].sound, 100);
    EXPECT_EQ(score->playlist[1].plays, 0);
    // Streams open plain; the playlist gives each channel its loop mode when the track starts.
    ASSERT_GE(recorder.opened.size(), 2u);
    EXPECT_TRUE(recorder.opened[0].stream);
    EXPECT_EQ(recorder.opened[0].mode, SoundLoopOff);
    EXPECT_EQ(recorder.opened[1].mode, SoundLoopOff);

    const TrackTiming* one = FindTiming(*score, (folder + "one.ogg").c_str());
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(score->playlist[0].timing, one - score->timings);
    EXPECT_TRUE(one->timed);
    ASSERT_EQ(one->tactCount, 2);
    ASSERT_EQ(one->tacts[0].chordCount, 2);
    EXPECT_EQ(Name(one->tacts[0].chords[0]), "C");
    EXPECT_EQ(Name(one->tacts[0].chords[1]), "G");
    EXPECT_EQ(one->tacts[0].repeat, 2);
    EXPECT_EQ(one->tacts[1].timeMs, 1850u);
    EXPECT_EQ(one->tacts[1].repeat, 1);

    // Untimed tracks ignore time and repeat; an empty chord list is one rest.
    const TrackTiming& two = score->timings[score->playlist[1].timing];
    EXPECT_FALSE(two.timed);
    ASSERT_EQ(two.tactCount, 2);
    EXPECT_EQ(two.tacts[0].timeMs, 0u);
    EXPECT_EQ(two.tacts[0].repeat, 1);
    ASSERT_EQ(two.tacts[1].chordCount, 1);
    EXPECT_EQ(two.tacts[1].chords[0], RestName);

    Effect* collision = FindEffect(*score, (folder + "collision").c_str());
    ASSERT_NE(collision, nullptr);
    EXPECT_TRUE(collision->melodic);
    const EffectChord* chord = FindChord(*collision, FindName(*score, "C"));
    ASSERT_NE(chord, nullptr);
    ASSERT_EQ(chord->noteCount, 2);
    EXPECT_EQ(Name(chord->notes[1]), "e1");
    EXPECT_EQ(FindNoteSound(*collision, chord->notes[0]), 102);
    ASSERT_EQ(collision->melodyCount[1], 1);
    const Melody& melody = collision->melodies[1][0];
    ASSERT_EQ(melody.stepCount, 2);
    EXPECT_EQ(melody.steps[0].len, 4);
    EXPECT_EQ(melody.steps[0].index, 1);
    EXPECT_EQ(collision->lastNote, -1);
    EXPECT_EQ(collision->melodyKey, -1);
    EXPECT_EQ(collision->currentChord, InvalidChordName);

    // melodic="2" is not melodic: random notes.
    EXPECT_FALSE(FindEffect(*score, (folder + "collision2").c_str())->melodic);
    EXPECT_EQ(recorder.opened.back().path, folder + "notes/g1.wav");
    EXPECT_FALSE(recorder.opened.back().stream);
    EXPECT_EQ(recorder.opened.size(), 5u);  // the second playlist is never read
}

// Each required attribute, removed on its own, makes the whole load fail.
TEST_F(AudioScore, EveryRequiredAttributeMissingFails) {
    const std::vector<std::string> required = {
        R"(value="one.ogg" plays)",  // playlist track value
        R"(plays="1")",
        R"(value="one.ogg" mode)",  // timing track value
        R"(chord="C")",
        R"(time="00:00:01.00")",
        R"(value="fx" melodic)",
        R"(melodic="1")",
        R"(value="c1" sample)",
        R"(sample="c.wav")",
        R"(value="C" note)",
        R"(note="c1")",
        R"(note="1" tact)",
        R"(tact="2")",
        R"(len="4")",
        R"(index="0")",
    };
    const std::string base = R"(<m><playlist><track value="one.ogg" plays="1"/></playlist>
      <track value="one.ogg" mode="timed"><tact chord="C" time="00:00:01.00"/></track>
      <effect value="fx" melodic="1"><note value="c1" sample="c.wav"/><chord value="C" note="c1"/>
      <melody note="1" tact="2"><note len="4" index="0"/></melody></effect></m>)";
    ASSERT_TRUE(Load(base));
    for (const std::string& attribute : required) {
        std::string text = base;
        size_t at = text.find(attribute);
        ASSERT_NE(at, std::string::npos) << attribute;
        // Remove only the attribute named first in the fragment (its name and quoted value).
        size_t end = text.find('"', text.find('"', at) + 1);
        text.erase(at, end + 1 - at);
        EXPECT_FALSE(Load(text)) << "without " << attribute;
    }
}

TEST_F(AudioScore, BrokenFilesFail) {
    EXPECT_FALSE(LoadMusicScore(*score, folder.c_str(), "none.xml", false, recorder.Opener()));
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(Load("<music><playlist>"));
    EXPECT_FALSE(Load("<music><track value=\"a\"/></music>"));
    // An untimed tact needs no time; an empty playlist is a valid score without music.
    EXPECT_TRUE(Load("<music><playlist/><track value=\"a\"><tact chord=\"C\"/></track></music>"));
    EXPECT_EQ(score->playlistCount, 0);
    recorder.refuse = folder + "two.ogg";
    EXPECT_FALSE(Load(FullScore));
}

TEST_F(AudioScore, SilentNoteSampleStillLoads) {
    recorder.refuse = folder + "notes/e1.wav";
    ASSERT_TRUE(Load(FullScore));
    Effect* collision = FindEffect(*score, (folder + "collision").c_str());
    EXPECT_EQ(FindNoteSound(*collision, FindName(*score, "e1")), -1);
    EXPECT_GE(FindNoteSound(*collision, FindName(*score, "c1")), 0);
}

TEST_F(AudioScore, RepeatedTrackAppendsTactsAndTakesTheLaterMode) {
    ASSERT_TRUE(Load(R"(<m><playlist><track value="a.ogg" plays="1"/></playlist>
        <track value="a.ogg" mode="timed"><tact chord="C" time="00:00:00.00"/></track>
        <track value="a.ogg"><tact chord="D"/></track></m>)"));
    const TrackTiming& timing = score->timings[score->playlist[0].timing];
    EXPECT_FALSE(timing.timed);
    ASSERT_EQ(timing.tactCount, 2);
    EXPECT_EQ(Name(timing.tacts[1].chords[0]), "D");
}

TEST_F(AudioScore, HolidaySongLeadsThePlaylist) {
    Write(root / "data" / "ukazatel2.tga", R"(<holiday>
        <playlist><track value="never.ogg" plays="1"/></playlist>
        <track value="../data/pelorinas_cs.png" mode="timed">
          <tact chord="X" time="00:00:00.00"/><tact chord="Y" time="00:00:02.00"/>
        </track></holiday>)");
    ASSERT_TRUE(Load(FullScore, true));
    ASSERT_EQ(score->playlistCount, 3);
    EXPECT_EQ(score->playlist[0].path, folder + "../data/pelorinas_cs.png");
    EXPECT_EQ(score->playlist[0].plays, 1);
    EXPECT_EQ(score->playlist[1].path, folder + "one.ogg");
    ASSERT_GE(score->playlist[0].timing, 0);
    EXPECT_EQ(score->timings[score->playlist[0].timing].tactCount, 2);
    EXPECT_EQ(score->playlist[1].timing, 0);  // the file's own tracks keep their tables
    for (const Opened& opened : recorder.opened) EXPECT_EQ(opened.path.find("never"), std::string::npos);

    // Without the holiday flag the document is not read.
    ASSERT_TRUE(Load(FullScore, false));
    EXPECT_EQ(score->playlistCount, 2);

    // A holiday song that does not open still takes the first place, without a sound.
    recorder.refuse = folder + "../data/pelorinas_cs.png";
    ASSERT_TRUE(Load(FullScore, true));
    ASSERT_EQ(score->playlistCount, 3);
    EXPECT_EQ(score->playlist[0].sound, -1);
}

TEST_F(AudioScore, MissingOrBrokenHolidayDocumentOnlyDropsTheSong) {
    ASSERT_TRUE(Load(FullScore, true));
    EXPECT_EQ(score->playlistCount, 2);

    Write(root / "data" / "ukazatel2.tga", "\x89PNG not xml <<");
    ASSERT_TRUE(Load(FullScore, true));
    EXPECT_EQ(score->playlistCount, 2);

    Write(root / "data" / "ukazatel2.tga", R"(<h><track value="x"><tact/></track></h>)");
    ASSERT_TRUE(Load(FullScore, true));
    EXPECT_EQ(score->playlistCount, 2);
    EXPECT_EQ(FindTiming(*score, (folder + "x").c_str()), nullptr);
}

TEST_F(AudioScore, ExtraEntriesAreRefusedSafely) {
    std::string text = "<m><playlist>";
    for (int i = 0; i < PlaylistCapacity + 8; ++i)
        text += "<track value=\"t" + std::to_string(i) + "\" plays=\"1\"/>";
    text += "</playlist><track value=\"t0\"><tact chord=\"";
    for (int i = 0; i < TactChordCapacity + 3; ++i) text += "c" + std::to_string(i) + ",";
    text += "\"/><tact chord=\"" + std::string(MusicNameLength + 5, 'x') + "\"/></track>";
    text +=
        "<effect value=\"fx\" melodic=\"1\"><melody note=\"7\" tact=\"1\"><note len=\"1\" "
        "index=\"0\"/></melody>";
    text += "<melody note=\"0\" tact=\"1\"/></effect></m>";
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(score->playlistCount, PlaylistCapacity);
    EXPECT_EQ(recorder.opened.size(), static_cast<size_t>(PlaylistCapacity));
    const TrackTiming& timing = score->timings[score->playlist[0].timing];
    EXPECT_EQ(timing.tacts[0].chordCount, TactChordCapacity);
    // A name too long for the table stands for a chord no effect defines: not a rest.
    EXPECT_EQ(timing.tacts[1].chords[0], UnknownName);
    Effect* fx = FindEffect(*score, (folder + "fx").c_str());
    for (int size = 0; size < MelodySizeCount; ++size) EXPECT_EQ(fx->melodyCount[size], 0);
}

TEST_F(AudioScore, EffectsAreCreatedOnFirstLookup) {
    ASSERT_TRUE(Load(FullScore));
    Effect* other = FindEffect(*score, "music/other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(FindEffect(*score, "music/other"), other);
    EXPECT_EQ(other->chordCount, 0);
    EXPECT_FALSE(other->melodic);
    EXPECT_EQ(other->lastNote, -1);
    // When every slot is taken, a new key finds nothing instead of failing.
    for (int i = 0; i < EffectCapacity; ++i) FindEffect(*score, ("music/fill" + std::to_string(i)).c_str());
    EXPECT_EQ(FindEffect(*score, "music/one-too-many"), nullptr);
    EXPECT_EQ(FindEffect(*score, std::string(EffectKeyLength, 'k').c_str()), nullptr);
}

std::vector<std::string> Split(const char* text) {
    SplitNames names;
    SplitList(text, names);
    return std::vector<std::string>(names.names, names.names + names.count);
}

TEST(AudioSplitList, SpacesCommasAndEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("c1, e1, g1"), (V{"c1", "e1", "g1"}));
    EXPECT_EQ(Split("  c 1 ,e1 ,  g1  "), (V{"c1", "e1", "g1"}));
    EXPECT_EQ(Split("a,,b"), (V{"a"}));
    EXPECT_EQ(Split("a, ,b"), (V{"a"}));
    EXPECT_EQ(Split("a,b,"), (V{"a", "b"}));
    EXPECT_EQ(Split(",a,b"), (V{"", "a", "b"}));
    EXPECT_EQ(Split(",,a"), (V{""}));
    EXPECT_EQ(Split(""), (V{""}));
    EXPECT_EQ(Split("   "), (V{""}));
}

TEST(AudioSplitList, LongTextIsBounded) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "ab,";
    SplitNames names;
    SplitList(text.c_str(), names);
    EXPECT_EQ(names.count, SplitListCapacity);
    // Only the first 1024 characters count, however many spaces they hold.
    std::string spaced = std::string(1021, ' ') + "ab,cd";
    SplitList(spaced.c_str(), names);
    ASSERT_EQ(names.count, 1);
    EXPECT_EQ(names.names[0], "ab");
}

TEST(AudioParseTime, HoursMinutesSecondsHundredths) {
    EXPECT_EQ(ParseTimeMs("00:01:02.50"), 62500u);
    EXPECT_EQ(ParseTimeMs("01:00:00.05"), 3600050u);
    EXPECT_EQ(ParseTimeMs("00:02:00.00"), 120000u);
    EXPECT_EQ(ParseTimeMs("99:99:99.99"), 362439990u);
    // Separators are not looked at; other characters and a short text read as zeros.
    EXPECT_EQ(ParseTimeMs("00-01-02,50"), 62500u);
    EXPECT_EQ(ParseTimeMs("0 :0a:02.5"), 2500u);
    EXPECT_EQ(ParseTimeMs(""), 0u);
}

TEST(AudioParseInt, LikeAtoiWithoutTheLocale) {
    EXPECT_EQ(ParseScoreInt("12"), 12);
    EXPECT_EQ(ParseScoreInt("  +7x"), 7);
    EXPECT_EQ(ParseScoreInt("-3"), -3);
    EXPECT_EQ(ParseScoreInt("2.9"), 2);
    EXPECT_EQ(ParseScoreInt("x1"), 0);
    EXPECT_EQ(ParseScoreInt(""), 0);
    EXPECT_EQ(ParseScoreInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseScoreInt("-99999999999"), INT32_MIN);
}

}  // namespace

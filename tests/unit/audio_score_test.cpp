// Music score loading: required attributes, list and time parsing, the holiday song, capacities.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "audio/music_score.h"

namespace {

namespace fs = std::filesystem;

// Stands in for the mixer: hands out ids from 100 on and remembers every path, or refuses one path.
struct Recorder {
    std::vector<std::string> opened;
    std::string refuse;
    static int Open(void* self, const char* path, uint32_t) {
        Recorder& r = *static_cast<Recorder*>(self);
        r.opened.push_back(path);
        return r.refuse == path ? -1 : 99 + static_cast<int>(r.opened.size());
    }
    SoundOpener Opener() { return SoundOpener{Open, Open, this}; }
};

const char* const FullScore = R"(<music>
  <playlist><track value="one.ogg" plays="2"/><track value="two.ogg" plays="0"/></playlist>
  <playlist><track value="ignored.ogg" plays="1"/></playlist>
  <track value="one.ogg" mode="timed">
    <tact chord="C, G" time="00:00:00.00" repeat="2"/><tact chord="Am" time="00:00:01.85"/>
  </track>
  <track value="two.ogg"><tact chord="F" time="00:00:09.00" repeat="4"/><tact chord=""/></track>
  <effect value="collision" melodic="1">
    <note value="c1" sample="c1.wav"/><note value="e1" sample="e1.wav"/><chord value="C" note="c1, e1"/>
    <melody note="2" tact="1"><note len="4" index="1"/><note len="8" index="0"/></melody>
  </effect>
  <effect value="collision2" melodic="2"><note value="g1" sample="g1.wav"/></effect>
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
    bool Load(const std::string& text, bool holiday = false) {
        std::ofstream(root / "music" / "music.xml") << text;
        recorder.opened.clear();
        return LoadMusicScore(*score, folder.c_str(), "music.xml", holiday, recorder.Opener());
    }
    const TrackTiming& TimingOf(int entry) { return score->timings[score->playlist[entry].timing]; }

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
    EXPECT_EQ(score->playlist[1].plays, 0);
    // Two streams and three samples: the second playlist is never read.
    EXPECT_EQ(recorder.opened,
              (std::vector<std::string>{folder + "one.ogg", folder + "two.ogg", folder + "c1.wav",
                                        folder + "e1.wav", folder + "g1.wav"}));

    const TrackTiming& one = TimingOf(0);
    EXPECT_TRUE(one.timed);
    ASSERT_EQ(one.tactCount, 2);
    ASSERT_EQ(one.tacts[0].chordCount, 2);
    EXPECT_STREQ(NameText(*score, one.tacts[0].chords[1]), "G");
    EXPECT_EQ(one.tacts[0].repeat, 2);
    EXPECT_EQ(one.tacts[1].timeMs, 1850u);
    EXPECT_EQ(one.tacts[1].repeat, 1);
    // Untimed tracks ignore time and repeat; an empty chord list is one rest.
    const TrackTiming& two = TimingOf(1);
    EXPECT_FALSE(two.timed);
    EXPECT_EQ(two.tacts[0].timeMs, 0u);
    EXPECT_EQ(two.tacts[0].repeat, 1);
    EXPECT_EQ(two.tacts[1].chords[0], RestName);

    Effect* collision = FindEffect(*score, (folder + "collision").c_str());
    EXPECT_TRUE(collision->melodic);
    const EffectChord* chord = FindChord(*collision, FindName(*score, "C"));
    ASSERT_NE(chord, nullptr);
    ASSERT_EQ(chord->noteCount, 2);
    EXPECT_EQ(FindNoteSound(*collision, chord->notes[1]), 103);
    ASSERT_EQ(collision->melodyCount[1], 1);
    EXPECT_EQ(collision->melodies[1][0].stepCount, 2);
    EXPECT_EQ(collision->melodies[1][0].steps[0].index, 1);
    EXPECT_FALSE(FindEffect(*score, (folder + "collision2").c_str())->melodic);  // melodic="2": random
}

// Each required attribute removed on its own makes the whole load fail, as do broken files.
TEST_F(AudioScore, MissingAttributesAndBrokenFilesFail) {
    const std::string base = R"(<m><playlist><track value="one.ogg" plays="1"/></playlist>
      <track value="one.ogg" mode="timed"><tact chord="C" time="00:00:01.00"/></track>
      <effect value="fx" melodic="1"><note value="c1" sample="c.wav"/><chord value="C" note="c1"/>
      <melody note="1" tact="2"><note len="4" index="0"/></melody></effect></m>)";
    ASSERT_TRUE(Load(base));
    for (const char* attribute : {R"(value="one.ogg" plays)", R"(plays="1")", R"(value="one.ogg" mode)",
                                  R"(chord="C")", R"(time="00:00:01.00")", R"(value="fx")", R"(melodic="1")",
                                  R"(value="c1" sample)", R"(sample="c.wav")", R"(value="C")", R"(note="c1")",
                                  R"(note="1")", R"(tact="2")", R"(len="4")", R"(index="0")"}) {
        std::string text = base;
        const size_t at = text.find(attribute);
        ASSERT_NE(at, std::string::npos) << attribute;
        text.erase(at, text.find('"', text.find('"', at) + 1) + 1 - at);  // the first name="value" only
        EXPECT_FALSE(Load(text)) << "without " << attribute;
    }
    EXPECT_FALSE(LoadMusicScore(*score, folder.c_str(), "none.xml", false, recorder.Opener()));
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(Load("<music><playlist>"));
    EXPECT_FALSE(Load("<music><track value=\"a\"/></music>"));
    EXPECT_TRUE(Load("<music><playlist/><track value=\"a\"><tact chord=\"C\"/></track></music>"));
    recorder.refuse = folder + "two.ogg";
    EXPECT_FALSE(Load(FullScore));
    recorder.refuse = folder + "e1.wav";  // a silent note is no failure
    EXPECT_TRUE(Load(FullScore));
}

TEST_F(AudioScore, HolidaySongLeadsThePlaylist) {
    const fs::path document = root / "data" / "ukazatel2.tga";
    std::ofstream(document) << R"(<h><playlist><track value="never.ogg" plays="1"/></playlist>
        <track value="../data/pelorinas_cs.png"><tact chord="X"/><tact chord="Y"/></track></h>)";
    ASSERT_TRUE(Load(FullScore, true));
    ASSERT_EQ(score->playlistCount, 3);
    EXPECT_EQ(score->playlist[0].path, folder + "../data/pelorinas_cs.png");
    EXPECT_EQ(score->playlist[0].plays, 1);
    EXPECT_EQ(TimingOf(0).tactCount, 2);
    EXPECT_EQ(score->playlist[1].path, folder + "one.ogg");
    EXPECT_EQ(TimingOf(1).tactCount, 2);
    for (const std::string& path : recorder.opened) EXPECT_EQ(path.find("never"), std::string::npos);

    ASSERT_TRUE(Load(FullScore, false));
    EXPECT_EQ(score->playlistCount, 2);
    // A song that does not open keeps its place, without a sound.
    recorder.refuse = folder + "../data/pelorinas_cs.png";
    ASSERT_TRUE(Load(FullScore, true));
    EXPECT_EQ(score->playlist[0].sound, -1);
    // A document that is no XML, or lacks a required attribute, only drops the song.
    for (const char* text : {"\x89PNG <<", R"(<h><track value="x"><tact/></track></h>)"}) {
        std::ofstream(document) << text;
        ASSERT_TRUE(Load(FullScore, true));
        EXPECT_EQ(score->playlistCount, 2);
    }
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
    EXPECT_EQ(TimingOf(0).tacts[0].chordCount, TactChordCapacity);
    EXPECT_EQ(TimingOf(0).tacts[1].chords[0], UnknownName);  // too long: a chord nobody defines, no rest
    Effect* fx = FindEffect(*score, (folder + "fx").c_str());
    for (int size = 0; size < MelodySizeCount; ++size) EXPECT_EQ(fx->melodyCount[size], 0);
    // Effects appear on first lookup until the table is full; then a lookup finds nothing.
    Effect* other = FindEffect(*score, "music/other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->lastNote, -1);
    EXPECT_EQ(FindEffect(*score, "music/other"), other);
    for (int i = 0; i < EffectCapacity; ++i) FindEffect(*score, ("music/fill" + std::to_string(i)).c_str());
    EXPECT_EQ(FindEffect(*score, "music/one-too-many"), nullptr);
}

std::vector<std::string> Split(const std::string& text) {
    SplitNames names;
    SplitList(text.c_str(), names);
    return std::vector<std::string>(names.names, names.names + names.count);
}

TEST(AudioSplitList, SpacesCommasAndEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split("  c 1 ,e1 ,  g1  "), (V{"c1", "e1", "g1"}));
    EXPECT_EQ(Split("a,,b"), (V{"a"}));
    EXPECT_EQ(Split("a, ,b"), (V{"a"}));
    EXPECT_EQ(Split("a,b,"), (V{"a", "b"}));
    EXPECT_EQ(Split(",a,b"), (V{"", "a", "b"}));
    EXPECT_EQ(Split(""), (V{""}));
    // Only the first 1024 characters count, spaces included.
    EXPECT_EQ(Split(std::string(1021, ' ') + "ab,cd"), (V{"ab"}));
    std::string many;
    for (int i = 0; i < 400; ++i) many += "ab,";
    EXPECT_EQ(Split(many).size(), static_cast<size_t>(SplitListCapacity));
}

TEST(AudioParseTime, HoursMinutesSecondsHundredths) {
    EXPECT_EQ(ParseTimeMs("00:01:02.50"), 62500u);
    EXPECT_EQ(ParseTimeMs("01:00:00.05"), 3600050u);
    EXPECT_EQ(ParseTimeMs("00:02:00.00"), 120000u);
    EXPECT_EQ(ParseTimeMs("00-01-02,50"), 62500u);  // separators are not looked at
    EXPECT_EQ(ParseTimeMs("0 :0a:02.5"), 2500u);    // non-digits and a short text read as zeros
}

TEST(AudioParseInt, LikeAtoiWithoutTheLocale) {
    EXPECT_EQ(ParseScoreInt("  +7x"), 7);
    EXPECT_EQ(ParseScoreInt("-3"), -3);
    EXPECT_EQ(ParseScoreInt("2.9"), 2);
    EXPECT_EQ(ParseScoreInt("x1"), 0);
    EXPECT_EQ(ParseScoreInt("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseScoreInt("-99999999999"), INT32_MIN);
}

}  // namespace

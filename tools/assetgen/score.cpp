// The music score: the tacts and chords of every played song, and the two collision effects whose notes are
// the chord tones of those songs, played on a mallet (the player's piece) and a glass bell (free blocks).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "synth.h"

namespace synth {

namespace {

// HH:MM:SS.cc, hundredths of a second.
std::string TimeText(int ms) {
    char text[64];
    const int cc = (ms % 1000) / 10, s = ms / 1000;
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%02d", s / 3600, s / 60 % 60, s % 60, cc);
    return text;
}

std::string ChordList(const std::vector<std::string>& chords) {
    std::string list;
    for (size_t i = 0; i < chords.size(); ++i) list += (i ? "," : "") + chords[i];
    return list;
}

[[noreturn]] void Refuse(const std::string& why) {
    std::fprintf(stderr, "assetgen: %s\n", why.c_str());
    std::abort();
}

// The walks of the player's collision notes through a chord, for each chord size: {len, index} steps. A new
// chord always begins on its root; the steps give the next notes and their spacing (len divides the tact).
struct MelodyText {
    int size, tact;
    std::vector<std::pair<int, int>> steps;
};

const std::vector<MelodyText>& Melodies() {
    static const std::vector<MelodyText> table = {
        {1, 1, {{4, 0}, {4, 0}, {2, 0}, {4, 0}}},
        {1, 2, {{4, 0}, {2, 0}, {4, 0}}},
        {2, 1, {{4, 0}, {4, 1}, {2, 0}, {4, 1}}},
        {2, 1, {{2, 0}, {4, 1}, {4, 1}, {2, 0}}},
        {3, 1, {{4, 0}, {4, 1}, {4, 2}, {4, 1}, {2, 0}, {4, 2}}},
        {3, 1, {{2, 0}, {4, 2}, {4, 1}, {2, 2}, {4, 0}}},
        {3, 2, {{4, 0}, {8, 1}, {8, 2}, {4, 1}}},
        {4, 1, {{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 2}, {2, 1}}},
        {4, 1, {{2, 0}, {4, 2}, {4, 1}, {2, 3}, {4, 2}}},
        {4, 2, {{4, 0}, {4, 3}, {8, 2}, {8, 1}}},
        {5, 1, {{4, 0}, {4, 2}, {4, 4}, {4, 3}, {4, 1}, {2, 2}}},
        {5, 1, {{4, 0}, {8, 1}, {8, 2}, {4, 3}, {4, 4}, {4, 3}, {2, 2}}},
        {5, 2, {{4, 0}, {4, 4}, {8, 2}, {8, 3}, {4, 1}}},
    };
    return table;
}

}  // namespace

std::string ScoreTrackXml(const Song& song, const std::string& value) {
    std::string xml = "  <track value=\"" + value + "\"" + (song.timed ? " mode=\"timed\"" : "") + ">\n";
    int time = 0;
    for (const Tact& t : song.tacts) {
        if (song.timed) {
            // One chord a tact: the sequencer's reading of the time inside a timed tact then never matters.
            if (t.ms % 10 != 0 || t.chords.size() != 1) Refuse("timed tacts need whole hundredths and one chord");
            xml += "    <tact chord=\"" + ChordList(t.chords) + "\" time=\"" + TimeText(time) + "\"";
            if (t.repeat != 1) xml += " repeat=\"" + std::to_string(t.repeat) + "\"";
            xml += "/>\n";
        } else {
            // Untimed tacts share the track evenly, so they must all be as long.
            if (t.ms != song.tacts.front().ms) Refuse("untimed tacts must be equal: " + song.file);
            xml += "    <tact chord=\"" + ChordList(t.chords) + "\"/>\n";
        }
        time += t.ms;
    }
    // The last tact's time closes the one before it: the end of the track.
    if (song.timed) xml += "    <tact chord=\"\" time=\"" + TimeText(time) + "\"/>\n";
    xml += "  </track>\n";
    return xml;
}

std::string CollisionEffectsXml(const std::vector<const Song*>& songs) {
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const Song* song : songs)
        for (const Tact& t : song->tacts)
            for (const std::string& c : t.chords)
                if (!c.empty() && seen.insert(c).second) names.push_back(c);

    struct EffectKind {
        const char* name;
        int melodic;
        const char* prefix;
        int lowRoot;
    };
    // The mallet sits around the tune's middle; the bell an octave-ish higher, for the sparkle of free blocks.
    const EffectKind kinds[] = {{"collision", 1, "mallet", 55}, {"collision2", 0, "bell", 60}};
    std::string xml;
    for (const EffectKind& kind : kinds) {
        std::map<int, std::string> notes;
        std::string chords;
        for (const std::string& name : names) {
            const std::vector<int> tones = CollisionTones(ParseChord(name), kind.lowRoot);
            std::vector<std::string> list;
            for (int m : tones) {
                notes[m] = NoteName(m);
                list.push_back(NoteName(m));
            }
            chords += "    <chord value=\"" + name + "\" note=\"" + ChordList(list) + "\"/>\n";
        }
        xml += "  <effect value=\"" + std::string(kind.name) + "\" melodic=\"" + std::to_string(kind.melodic) + "\">\n";
        for (const auto& [midi, noteName] : notes) {
            const std::string sample = std::string("notes/") + kind.prefix + "_" + noteName + ".wav";
            Mono m = kind.melodic ? Mallet(MidiHz(midi), 0.85) : GlassBell(MidiHz(midi), 0.85, 0.75);
            Normalize(m, -3.0);
            WriteWav("music/" + sample, m);
            xml += "    <note value=\"" + noteName + "\" sample=\"" + sample + "\"/>\n";
        }
        xml += chords;
        if (kind.melodic) {
            for (const MelodyText& melody : Melodies()) {
                xml += "    <melody note=\"" + std::to_string(melody.size) + "\" tact=\"" +
                       std::to_string(melody.tact) + "\">\n";
                for (const auto& [len, index] : melody.steps) {
                    if (index >= melody.size) Refuse("melody step outside its chord");
                    xml += "      <note len=\"" + std::to_string(len) + "\" index=\"" + std::to_string(index) + "\"/>\n";
                }
                xml += "    </melody>\n";
            }
        }
        xml += "  </effect>\n";
    }
    return xml;
}

}  // namespace synth

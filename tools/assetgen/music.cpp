// The games' music: three playlist tracks, the holiday carol and the two donate-screen songs, composed here
// as chords and styles, rendered by the arranger, and the score that tells the sequencer which chord sounds
// in every tact so that collision notes join the harmony.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "assetgen.h"
#include "synth.h"

using synth::AddBars;
using synth::AddMelody;
using synth::Song;
using synth::Style;

namespace {

Style S(int pad, int bass, int arp, int drums, int lead, double brightness) {
    Style s;
    s.pad = pad;
    s.bass = bass;
    s.arp = arp;
    s.drums = drums;
    s.lead = lead;
    s.brightness = brightness;
    return s;
}

// "Morning Glass": D major, 96 beats a minute, tacts of 2.5 s; untimed (48 equal tacts, 120 s).
Song MorningGlass() {
    Song song;
    song.file = "morning_glass.ogg";
    song.seed = 11;
    const int t = 2500;
    const std::string a = "Dmaj9 | Bm7 | Gmaj7 | Em7 A | Dmaj9 | Bm7 | Gmaj7 | A7sus4 A";
    const std::string b = "Gmaj7 | F#m7 | Em7 | Dmaj7 | Gmaj7 | F#m7 | Em9 | Asus4 A";
    AddBars(song, "Dmaj7 | Dmaj7 | Gmaj7 | Gmaj7 A", t, S(1, 1, 1, 0, 0, 0.35));
    AddBars(song, a, t, S(1, 1, 2, 1, 0, 0.45));
    AddBars(song, b, t, S(2, 2, 2, 2, 2, 0.55));
    AddBars(song, a, t, S(1, 2, 3, 2, 0, 0.5));
    AddBars(song, b, t, S(2, 2, 2, 2, 2, 0.6));
    AddBars(song, a, t, S(1, 1, 1, 1, 0, 0.4));
    AddBars(song, "Gmaj7 | A | Dmaj9 | Dmaj9", t, S(1, 1, 1, 0, 0, 0.3));
    return song;
}

// "Soft Machines": A minor, a free-time drone opening, then 100 beats a minute (2.4 s tacts) and a slowing
// close; timed, with faster collision notes (repeat 2) where the groove is busy. About 116 s.
Song SoftMachines() {
    Song song;
    song.file = "soft_machines.ogg";
    song.timed = true;
    song.seed = 23;
    song.reverb = 0.25;
    const int t = 2400;
    const std::string a = "Am9 | Fmaj7 | Cmaj7 | G6 | Am9 | Fmaj7 | Cmaj7 | G6";
    const std::string b = "Dm9 | Am7 | Fmaj7 | E7sus4 | Dm9 | Am7 | Fmaj7 | E7";
    AddBars(song, "A1 | A1", 3200, S(1, 0, 1, 0, 0, 0.2));
    AddBars(song, a, t, S(1, 2, 2, 1, 0, 0.4));
    AddBars(song, b, t, S(2, 2, 3, 2, 2, 0.5), 2);
    AddBars(song, "F5 | G5 | A5 | A5", t, S(1, 3, 0, 2, 0, 0.25), 2);
    AddBars(song, a, t, S(1, 2, 2, 2, 0, 0.45), 2);
    AddBars(song, b, t, S(2, 2, 2, 2, 2, 0.55), 2);
    AddBars(song, "Fmaj7", 2600, S(1, 1, 1, 0, 0, 0.4));
    AddBars(song, "E7sus4", 2800, S(1, 1, 1, 0, 0, 0.35));
    AddBars(song, "E7", 3000, S(1, 1, 1, 0, 0, 0.35));
    AddBars(song, "Am9", 4800, S(1, 1, 1, 0, 0, 0.3));
    return song;
}

// "Drift": F major with a Lydian lift (G6), 80 beats a minute, tacts of 3 s; untimed (40 tacts, 120 s).
Song Drift() {
    Song song;
    song.file = "drift.ogg";
    song.seed = 37;
    song.reverb = 0.28;
    const int t = 3000;
    const std::string a = "Fmaj9 | G6 | Em7 | Am7 | Dm9 | Bbmaj7 | Gm7 | C7sus4 C";
    const std::string b = "Bbmaj7 | C6 | Am7 | Dm7 | Bbmaj7 | C | Fmaj7 Em7 | Dm7 C";
    AddBars(song, "Fmaj9 | G6 | Fmaj9 | G6", t, S(1, 1, 1, 0, 0, 0.3));
    AddBars(song, a, t, S(1, 1, 2, 1, 0, 0.4));
    AddBars(song, b, t, S(2, 2, 3, 1, 2, 0.5));
    AddBars(song, a, t, S(1, 2, 2, 2, 0, 0.45));
    AddBars(song, b, t, S(2, 2, 2, 2, 2, 0.55));
    AddBars(song, "Bbmaj7 | C7sus4 | Fmaj9 | Fmaj9", t, S(1, 1, 1, 0, 0, 0.3));
    return song;
}

// "Deck the Halls", the traditional carol, arranged in F major at 120 beats a minute (2 s tacts), untimed:
// two bars of sleigh bells, the verse twice (the second fuller), two closing bars. 72 s.
Song DeckTheHalls() {
    Song song;
    song.file = "../data/pelorinas_cs.png";
    song.seed = 1225;
    song.leadVoice = 2;
    song.reverb = 0.2;
    const int t = 2000;
    const std::string verse =
        "F | Bb6 F | Gm F | C7 F | F | Bb6 F | Gm F | C7 F | Gm C7 | F C | Dm7 G7 | C9 | F | Bb6 F | Bb C7 | F";
    const std::string tune =
        "c5:1.5 bb4:.5 a4:1 g4:1 f4:1 g4:1 a4:1 f4:1 g4:.5 a4:.5 bb4:.5 g4:.5 a4:1.5 g4:.5 f4:1 e4:1 f4:2 "
        "c5:1.5 bb4:.5 a4:1 g4:1 f4:1 g4:1 a4:1 f4:1 g4:.5 a4:.5 bb4:.5 g4:.5 a4:1.5 g4:.5 f4:1 e4:1 f4:2 "
        "g4:1.5 a4:.5 bb4:1 g4:1 a4:1.5 bb4:.5 c5:1 g4:1 a4:.5 b4:.5 c5:1 d5:.5 e5:.5 f5:1 e5:1 d5:1 c5:2 "
        "c5:1.5 bb4:.5 a4:1 g4:1 f4:1 g4:1 a4:1 f4:1 d5:.5 d5:.5 d5:.5 d5:.5 c5:1.5 bb4:.5 a4:1 g4:1 f4:2";
    AddBars(song, "F | C7", t, S(1, 1, 1, 4, 0, 0.4));
    AddBars(song, verse, t, S(1, 2, 0, 4, 1, 0.45));
    AddBars(song, verse, t, S(2, 2, 2, 4, 1, 0.55));
    AddBars(song, "Bb C7 | F", t, S(1, 1, 1, 0, 0, 0.35));
    const double second = AddMelody(song, 8, tune);
    AddMelody(song, second, tune);
    return song;
}

// "Heaven and Hell" (donate screen): D major light against D minor shadow, 80 beats a minute; loops.
Song HeavenAndHell() {
    Song song;
    song.file = "Heaven and Hell.mp3";
    song.seed = 666;
    song.loop = true;
    song.leadVoice = 2;
    song.reverb = 0.3;
    const int t = 3000;
    const std::string heaven = "Dmaj9 | Gmaj7 | Bm7 | Aadd9 | Dmaj9 | Gmaj7 | Em9 | A";
    AddBars(song, heaven, t, S(2, 1, 2, 0, 2, 0.8));
    AddBars(song, "Dm | Bb | Gm | A7 | Dm | Bb | Eb | A7", t, S(2, 3, 0, 3, 0, 0.15));
    AddBars(song, heaven, t, S(2, 2, 2, 1, 2, 0.75));
    AddBars(song, "Gm | Bb | A7sus4 | A7", t, S(2, 1, 3, 1, 0, 0.3));
    return song;
}

// "I dont live today" (donate screen): E minor, 120 beats a minute, a driving pulse; loops.
Song IDontLiveToday() {
    Song song;
    song.file = "I dont live today.mp3";
    song.seed = 1968;
    song.loop = true;
    song.reverb = 0.18;
    const int t = 2000;
    const std::string a = "Em | C | G | D | Em | C | Am7 | B7";
    const std::string b = "Cmaj7 | D | Bm7 | Em | Cmaj7 | D | Bm7 | B7";
    AddBars(song, "Em | Em | C | D", t, S(1, 3, 0, 1, 0, 0.3));
    AddBars(song, a, t, S(1, 3, 2, 3, 2, 0.45));
    AddBars(song, b, t, S(2, 2, 3, 2, 2, 0.5));
    AddBars(song, a, t, S(1, 3, 2, 3, 2, 0.5));
    AddBars(song, "Em | Em | C | B7", t, S(2, 1, 1, 1, 0, 0.35));
    AddBars(song, b, t, S(2, 2, 2, 2, 2, 0.55));
    return song;
}

// Renders and encodes songs two at a time (the encoders are single-threaded).
void RenderAll(const std::vector<const Song*>& songs) {
    auto one = [](const Song* song) {
        const synth::Stereo audio = synth::Render(*song);
        const std::string name = song->file.rfind("../", 0) == 0 ? song->file.substr(3) : "music/" + song->file;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".mp3") == 0) {
            synth::WriteMp3(name, audio);
        } else {
            synth::WriteOgg(name, audio, 0.35);
        }
    };
    for (size_t i = 0; i < songs.size(); i += 2) {
        std::thread second;
        if (i + 1 < songs.size()) second = std::thread(one, songs[i + 1]);
        one(songs[i]);
        if (second.joinable()) second.join();
    }
}

}  // namespace

void GenerateMusic() {
    const Song morning = MorningGlass(), machines = SoftMachines(), drift = Drift(), carol = DeckTheHalls();
    const Song heaven = HeavenAndHell(), today = IDontLiveToday();

    // The playlist, the timing of each track, and the collision effects over every chord the tracks use
    // (the holiday score borrows this file's effects, so its chords are defined here too).
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<music>\n  <playlist>\n";
    for (const Song* s : {&morning, &machines, &drift}) xml += "    <track value=\"" + s->file + "\" plays=\"1\"/>\n";
    xml += "  </playlist>\n";
    for (const Song* s : {&morning, &machines, &drift}) xml += synth::ScoreTrackXml(*s, s->file);
    xml += synth::CollisionEffectsXml({&morning, &machines, &drift, &carol});
    xml += "</music>\n";
    synth::WriteText("music/music.xml", xml);

    // The holiday score: an XML document under an image's name, naming the carol's stream (also under an
    // image's name) from the music folder.
    std::string holiday = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<holiday>\n";
    holiday += synth::ScoreTrackXml(carol, carol.file);
    holiday += "</holiday>\n";
    synth::WriteText("data/ukazatel2.tga", holiday);

    RenderAll({&morning, &machines, &drift, &carol, &heaven, &today});
}

// The arranger: turns a song's tacts, chords and styles into pads, bass, arpeggios, a lead and light drums.
// The chords that sound here are exactly the chords the score gives the sequencer for the same tacts.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "synth.h"

namespace synth {

namespace {

struct Quality {
    const char* suffix;
    std::vector<int> intervals;
};

// Longest suffixes first so that "maj9" is not read as "m" and so on.
const std::vector<Quality>& Qualities() {
    static const std::vector<Quality> table = {
        {"maj9", {0, 4, 7, 11, 14}}, {"maj7", {0, 4, 7, 11}}, {"7sus4", {0, 5, 7, 10}}, {"madd9", {0, 3, 7, 14}},
        {"add9", {0, 4, 7, 14}},     {"sus4", {0, 5, 7}},     {"sus2", {0, 2, 7}},     {"m9", {0, 3, 7, 10, 14}},
        {"m7", {0, 3, 7, 10}},       {"m6", {0, 3, 7, 9}},    {"69", {0, 4, 7, 9, 14}}, {"9", {0, 4, 7, 10, 14}},
        {"7", {0, 4, 7, 10}},        {"6", {0, 4, 7, 9}},     {"m", {0, 3, 7}},        {"5", {0, 7}},
        {"1", {0}},                  {"", {0, 4, 7}},
    };
    return table;
}

size_t At(double ms) { return static_cast<size_t>(std::llround(ms * kRate / 1000.0)); }

// A chord segment: one chord of a tact, with the tact's style.
struct Span {
    ChordTones chord;
    double start = 0, end = 0;  // ms
    Style style;
    int beats = 4;               // beats the segment covers (a whole tact or its share)
    double beatMs = 500;
    size_t tact = 0;
};

int Near(int pitchClass, int low) {
    int m = low + ((pitchClass - low) % 12 + 12) % 12;
    return m;
}

}  // namespace

ChordTones ParseChord(const std::string& name) {
    ChordTones c;
    c.name = name;
    if (name.empty()) return c;
    static const int letters[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    size_t i = 0;
    c.root = letters[(name[0] - 'A') % 7];
    ++i;
    if (i < name.size() && name[i] == '#') {
        c.root = (c.root + 1) % 12;
        ++i;
    } else if (i < name.size() && name[i] == 'b') {
        c.root = (c.root + 11) % 12;
        ++i;
    }
    const std::string suffix = name.substr(i);
    for (const Quality& q : Qualities()) {
        if (suffix == q.suffix) {
            c.intervals = q.intervals;
            return c;
        }
    }
    std::fprintf(stderr, "assetgen: unknown chord %s\n", name.c_str());
    std::abort();
}

std::string NoteName(int midi) {
    static const char* names[] = {"c", "cs", "d", "ds", "e", "f", "fs", "g", "gs", "a", "as", "b"};
    return std::string(names[midi % 12]) + std::to_string(midi / 12 - 1);
}

std::vector<int> CollisionTones(const ChordTones& chord, int lowRoot) {
    std::vector<int> tones;
    const int root = Near(chord.root, lowRoot);
    for (int interval : chord.intervals) tones.push_back(root + interval);
    return tones;
}

int Song::TotalMs() const {
    int total = 0;
    for (const Tact& t : tacts) total += t.ms;
    return total;
}

void AddBars(Song& song, const std::string& bars, int ms, const Style& style, int repeat) {
    std::stringstream all(bars);
    std::string bar;
    while (std::getline(all, bar, '|')) {
        Tact t;
        t.ms = ms;
        t.repeat = repeat;
        t.style = style;
        std::stringstream words(bar);
        std::string chord;
        while (words >> chord) t.chords.push_back(chord == "-" ? "" : chord);
        if (t.chords.empty()) continue;
        song.tacts.push_back(t);
    }
}

double AddMelody(Song& song, double beat, const std::string& notes, int transpose) {
    static const int letters[] = {9, 11, 0, 2, 4, 5, 7};
    std::stringstream words(notes);
    std::string word;
    while (words >> word) {
        const size_t colon = word.find(':');
        const std::string pitch = word.substr(0, colon);
        const double beats = std::atof(word.substr(colon + 1).c_str());
        if (pitch != "r") {
            size_t i = 1;
            int pc = letters[pitch[0] - 'a'];
            if (pitch[i] == 'b' && std::isdigit(static_cast<unsigned char>(pitch[i + 1]))) {
                pc -= 1;
                ++i;
            } else if (pitch[i] == '#') {
                pc += 1;
                ++i;
            }
            const int octave = std::atoi(pitch.c_str() + i);
            song.melody.push_back({beat, beats, (octave + 1) * 12 + pc + transpose});
        }
        beat += beats;
    }
    return beat;
}

namespace {

void RenderPads(const std::vector<Span>& spans, double totalMs, Rng& rng, Stereo& bus) {
    // Pads hold across repeated chords: neighbouring segments of one chord and one pad level merge.
    for (size_t i = 0; i < spans.size();) {
        size_t j = i + 1;
        while (j < spans.size() && spans[j].chord.name == spans[i].chord.name &&
               spans[j].style.pad == spans[i].style.pad)
            ++j;
        const Span& s = spans[i];
        const double startMs = s.start, endMs = spans[j - 1].end;
        i = j;
        if (s.chord.name.empty() || s.style.pad == 0) continue;
        double held = (endMs - startMs) / 1000.0;
        if (endMs >= totalMs - 1) held = std::max(0.6, held - 1.7);  // the last chord dies away in time
        const double level = s.style.pad == 2 ? 1.0 : 0.7;
        const double per = level / std::sqrt(static_cast<double>(s.chord.intervals.size()));
        // Root position from the octave below middle C: open, no seconds crowding the middle.
        for (int interval : s.chord.intervals) {
            const int midi = Near(s.chord.root, 48) + interval;
            Stereo note = Pad(MidiHz(midi), held, per, s.style.brightness, rng);
            Mix(bus, note, At(startMs), 1.0);
        }
        if (s.style.pad == 2) {
            // A low octave of the root thickens the full pad.
            Stereo low = Pad(MidiHz(Near(s.chord.root, 43)), held, per * 0.8, s.style.brightness * 0.5, rng);
            Mix(bus, low, At(startMs), 1.0);
        }
    }
}

void RenderBass(const std::vector<Span>& spans, double totalMs, Rng& rng, Stereo& bus) {
    for (size_t i = 0; i < spans.size(); ++i) {
        const Span& s = spans[i];
        if (s.chord.name.empty() || s.style.bass == 0) continue;
        const int root = Near(s.chord.root, 36);
        const bool hasFifth = std::find(s.chord.intervals.begin(), s.chord.intervals.end(), 7) !=
                              s.chord.intervals.end();
        const int fifth = hasFifth ? root + 7 : root;
        const double b = s.beatMs;
        auto note = [&](double beat, double beats, int midi, double velocity) {
            const double startMs = s.start + beat * b;
            if (startMs >= s.end - 1) return;
            double held = std::min(beats * b, s.end - startMs) / 1000.0 - 0.02;
            if (startMs + held * 1000 > totalMs - 200) held = std::max(0.05, (totalMs - 200 - startMs) / 1000.0);
            const double v = velocity * (0.92 + 0.08 * rng.Uniform());
            Mix(bus, Bass(MidiHz(midi), held, v, s.style.bass == 3 ? 0.6 : 0.3), At(startMs), 1.0, 0.0);
        };
        switch (s.style.bass) {
            case 1: {
                // Held roots: legato across a repeated chord.
                if (i > 0 && spans[i - 1].chord.name == s.chord.name && spans[i - 1].style.bass == 1) break;
                size_t j = i + 1;
                while (j < spans.size() && spans[j].chord.name == s.chord.name && spans[j].style.bass == 1) ++j;
                const double endMs = spans[j - 1].end;
                double held = (endMs - s.start) / 1000.0 - 0.03;
                if (endMs >= totalMs - 1) held = std::max(0.3, held - 1.0);
                Mix(bus, Bass(MidiHz(root), held, 0.85, 0.2), At(s.start), 1.0, 0.0);
                break;
            }
            case 2:
                if (s.beats >= 4) {
                    note(0, 1.5, root, 0.9);
                    note(1.5, 0.5, root, 0.6);
                    note(2, 1, fifth, 0.75);
                    note(3, 0.75, root, 0.7);
                } else if (s.beats == 3) {
                    note(0, 2, root, 0.9);
                    note(2, 1, fifth, 0.7);
                } else {
                    note(0, 1.5, root, 0.9);
                    note(1.5, 0.5, fifth, 0.6);
                }
                break;
            default:
                for (int k = 0; k < s.beats * 2; ++k) {
                    const int midi = (k % 8 == 7) ? root + 12 : (k % 4 == 3 ? fifth : root);
                    note(k * 0.5, 0.45, midi, k % 2 == 0 ? 0.85 : 0.6);
                }
                break;
        }
    }
}

void RenderArp(const std::vector<Span>& spans, double totalMs, Rng& rng, Stereo& bus) {
    static const int eighths[] = {0, 1, 2, 1, 3, 2, 1, 2};
    static const int quarters[] = {0, 2, 1, 2};
    for (const Span& s : spans) {
        if (s.chord.name.empty() || s.style.arp == 0) continue;
        const std::vector<int> tones = CollisionTones(s.chord, 60);
        const int n = static_cast<int>(tones.size());
        const double b = s.beatMs;
        auto play = [&](double beat, int midi, double velocity, double pan) {
            const double startMs = s.start + beat * b;
            if (startMs >= s.end - 1 || startMs > totalMs - 900) return;
            const double v = velocity * (0.85 + 0.15 * rng.Uniform());
            Mix(bus, Pluck(MidiHz(midi), v, rng), At(startMs), 1.0, pan);
        };
        if (s.style.arp == 1) {
            for (int k = 0; k < s.beats; ++k) play(k, tones[quarters[k % 4] % n], k == 0 ? 0.8 : 0.6, -0.25 + 0.15 * k);
        } else if (s.style.arp == 2) {
            for (int k = 0; k < s.beats * 2; ++k) {
                const int index = eighths[k % 8] % n;
                play(k * 0.5, tones[index], k % 2 == 0 ? 0.7 : 0.5, k % 2 == 0 ? -0.3 : 0.3);
            }
        } else {
            // E-piano stabs: the whole chord on the one and the "and" of two.
            const double hits[] = {0, 2.5};
            for (double beat : hits) {
                const double startMs = s.start + beat * b;
                if (startMs >= s.end - 1 || startMs > totalMs - 900) continue;
                const double held = std::min(1.2 * b, s.end - startMs) / 1000.0;
                for (int k = 0; k < n; ++k) {
                    const double v = 0.42 / std::sqrt(static_cast<double>(n)) * (0.9 + 0.1 * rng.Uniform());
                    Mix(bus, EPiano(MidiHz(tones[k]), held, v), At(startMs + 6 * k), 1.0, -0.2 + 0.1 * k);
                }
            }
        }
    }
}

void RenderDrums(const Song& song, Rng& rng, Stereo& bus) {
    double start = 0;
    for (size_t t = 0; t < song.tacts.size(); ++t) {
        const Tact& tact = song.tacts[t];
        const int beats = song.beatsPerTact;
        const double b = static_cast<double>(tact.ms) / beats;
        auto hit = [&](double beat, const Mono& sound, double gain, double pan) {
            Mix(bus, sound, At(start + beat * b), gain, pan);
        };
        const bool last = t + 1 == song.tacts.size();
        switch (last ? 0 : tact.style.drums) {
            case 1:
                for (int k = 0; k < beats * 2; ++k) hit(k * 0.5, Shaker(k % 2 ? 0.5 : 0.3, rng), 1.0, -0.35);
                hit(0, Kick(0.55), 1.0, 0);
                if (beats == 4) hit(2.5, Kick(0.35), 1.0, 0);
                hit(beats - 1, Rim(0.35), 1.0, 0.25);
                break;
            case 2:
                hit(0, Kick(0.8), 1.0, 0);
                if (beats == 4) {
                    hit(2.5, Kick(0.55), 1.0, 0);
                    hit(1, Snare(0.45, rng), 1.0, 0.05);
                    hit(3, Snare(0.5, rng), 1.0, 0.05);
                } else {
                    hit(2, Snare(0.45, rng), 1.0, 0.05);
                }
                for (int k = 0; k < beats * 2; ++k) hit(k * 0.5, Hat(k % 2 ? 0.22 : 0.35, false, rng), 1.0, 0.3);
                if (t % 4 == 3) hit(beats - 0.5, Hat(0.3, true, rng), 1.0, 0.3);
                break;
            case 3:
                for (int k = 0; k < beats; ++k) hit(k, Kick(k == 0 ? 0.9 : 0.75), 1.0, 0);
                for (int k = 1; k < beats; k += 2) hit(k, Snare(0.62, rng), 1.0, 0.05);
                for (int k = 0; k < beats * 4; ++k)
                    hit(k * 0.25, Hat(k % 4 == 2 ? 0.32 : (k % 2 ? 0.12 : 0.22), false, rng), 1.0, 0.3);
                if (t % 2 == 1) hit(beats - 0.5, Hat(0.3, true, rng), 1.0, 0.35);
                break;
            case 4:
                for (int k = 0; k < beats * 2; ++k) hit(k * 0.5, Sleigh(k % 2 ? 0.25 : 0.45, rng), 1.0, 0.3);
                hit(0, Kick(0.5), 1.0, 0);
                if (beats == 4) hit(2, Kick(0.4), 1.0, 0);
                break;
            default:
                break;
        }
        start += tact.ms;
    }
}

// Milliseconds of a beat counted from the song's start, through the tact lengths.
double BeatMs(const Song& song, double beat) {
    double ms = 0;
    for (const Tact& t : song.tacts) {
        if (beat < song.beatsPerTact) return ms + beat * t.ms / song.beatsPerTact;
        beat -= song.beatsPerTact;
        ms += t.ms;
    }
    return ms;
}

void RenderLead(const Song& song, const std::vector<Span>& spans, Rng& rng, Stereo& bus) {
    const double totalMs = song.TotalMs();
    auto voice = [&](double startMs, double endMs, int midi, double velocity) {
        const double held = std::max(0.05, (endMs - startMs) / 1000.0 - 0.03);
        if (song.leadVoice != 1) Mix(bus, Lead(MidiHz(midi), held, velocity), At(startMs), 1.0, 0.1);
        if (song.leadVoice != 0) {
            const double g = song.leadVoice == 2 ? 0.5 : 0.9;
            Mix(bus, GlassBell(MidiHz(midi), velocity, 0.9), At(startMs), g, -0.1);
        }
    };
    // Written melody in tacts whose lead style is 1.
    for (const MelodyNote& n : song.melody) {
        const size_t tact = static_cast<size_t>(n.beat / song.beatsPerTact);
        if (tact >= song.tacts.size() || song.tacts[tact].style.lead != 1) continue;
        const double s = BeatMs(song, n.beat), e = BeatMs(song, n.beat + n.beats);
        if (s < totalMs - 500) voice(s, std::min(e, totalMs - 300), n.midi, 0.8);
    }
    // Generated phrases: a rhythm per two-bar phrase, pitches from the chord near a moving contour.
    struct Step {
        double beat, beats;
        int contour;
    };
    static const std::vector<std::vector<Step>> rhythms = {
        {{0, 1.5, 0}, {1.5, 0.5, 2}, {2, 1, 4}, {3, 1, 2}},
        {{0, 0.5, 7}, {0.5, 0.5, 5}, {1, 1, 4}, {2, 2, 0}},
        {{0, 3, 4}, {3, 0.5, 2}, {3.5, 0.5, 0}},
        {{0.5, 0.5, -3}, {1, 0.5, 0}, {1.5, 1.5, 2}, {3, 1, 4}},
    };
    int anchor = 74;
    int previous = anchor;
    for (const Span& s : spans) {
        if (s.style.lead != 2 || s.chord.name.empty() || s.chord.intervals.size() < 3) continue;
        const std::vector<Step>& rhythm = rhythms[(s.tact / 2 + (s.tact % 2) * 2) % rhythms.size()];
        for (const Step& step : rhythm) {
            if (step.beat >= s.beats) continue;
            const double startMs = s.start + step.beat * s.beatMs;
            const double endMs = std::min(s.end, startMs + step.beats * s.beatMs);
            if (startMs > totalMs - 1500) continue;
            const int target = anchor + step.contour + (rng.Below(3) - 1);
            int best = previous, bestDistance = 1000;
            for (int interval : s.chord.intervals) {
                for (int octave = 4; octave <= 7; ++octave) {
                    const int m = octave * 12 + (s.chord.root + interval) % 12;
                    const int d = std::abs(m - target) * 2 + std::abs(m - previous);
                    if (d < bestDistance && m >= 62 && m <= 84) {
                        bestDistance = d;
                        best = m;
                    }
                }
            }
            previous = best;
            voice(startMs, endMs, best, 0.75);
        }
        // The anchor drifts within an octave so phrases rise and fall over the song.
        anchor = 70 + (anchor - 70 + 3) % 9;
    }
}

}  // namespace

Stereo Render(const Song& song) {
    Rng rng(song.seed);
    const double totalMs = song.TotalMs();
    std::vector<Span> spans;
    double start = 0;
    for (size_t t = 0; t < song.tacts.size(); ++t) {
        const Tact& tact = song.tacts[t];
        const int k = static_cast<int>(tact.chords.size());
        for (int j = 0; j < k; ++j) {
            Span s;
            s.chord = ParseChord(tact.chords[j]);
            s.start = start + static_cast<double>(tact.ms) * j / k;
            s.end = start + static_cast<double>(tact.ms) * (j + 1) / k;
            s.style = tact.style;
            s.beats = song.beatsPerTact / k;
            s.beatMs = static_cast<double>(tact.ms) / song.beatsPerTact;
            s.tact = t;
            spans.push_back(s);
        }
        start += tact.ms;
    }

    Stereo pads, keys, lead, wet, dry, drums;
    RenderPads(spans, totalMs, rng, pads);
    RenderArp(spans, totalMs, rng, keys);
    RenderLead(song, spans, rng, lead);
    RenderBass(spans, totalMs, rng, dry);
    RenderDrums(song, rng, drums);
    if (std::getenv("SYNTH_STEMS")) {
        auto rms = [](const Stereo& s) {
            double sum = 0;
            for (size_t i = 0; i < s.Size(); ++i) sum += s.l[i] * s.l[i] + s.r[i] * s.r[i];
            return 10 * std::log10(sum / std::max<size_t>(1, 2 * s.Size()) + 1e-12);
        };
        std::fprintf(stderr, "%s: pads %.1f keys %.1f lead %.1f bass %.1f drums %.1f dB\n", song.file.c_str(),
                     rms(pads), rms(keys), rms(lead), rms(dry), rms(drums));
    }
    // The balance: pads carry the harmony, the arpeggios sit under them so collision notes stand out.
    Mix(wet, pads, 0, 1.3);
    Mix(wet, keys, 0, 0.55);
    Mix(wet, lead, 0, 0.75);

    const size_t length = At(totalMs);
    Stereo mix;
    mix.Resize(length);
    Reverb(wet, song.reverb, 0.82, 0.45);
    Stereo drumRoom = drums;
    Reverb(drumRoom, 0.08, 0.5, 0.6);
    Mix(mix, wet, 0, 1.0);
    Mix(mix, dry, 0, 0.9);
    Mix(mix, drumRoom, 0, 0.8);
    HighPass(mix, 28);
    if (song.loop) {
        WrapTail(mix, length);
    } else {
        mix.l.resize(length);
        mix.r.resize(length);
        FadeOut(mix, 1.2);
    }
    Normalize(mix, -6.0);
    Glue(mix, -14, 2.5);
    Normalize(mix, -2.5);
    return mix;
}

}  // namespace synth

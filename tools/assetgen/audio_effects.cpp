// The games' effect sounds: level-up flourish, the six removal pops, the wall thump, the swap swoosh, the lift
// sound, the low-bar tick, the soft chime, the blast and the splash jingle. Pitched sounds keep to the notes
// D, E, G and A, which every music track's key contains.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "assetgen.h"
#include "synth.h"

using namespace synth;

namespace {

// A soft bubble pop: a sine gliding up to its pitch with a quick decay and a faint click.
Mono Pop(double hz, double length, double brightness, uint64_t seed) {
    Mono out(Samples(length));
    Rng rng(seed);
    Biquad click = Biquad::BandPass(hz * 3, 1.0);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = hz * (0.72 + 0.28 * (1 - std::exp(-t / 0.018)));
        phase += 2 * kPi * f / kRate;
        const double env = std::min(1.0, t / 0.002) * std::exp(-t / (length * 0.28));
        const double tone = std::sin(phase) + brightness * 0.3 * std::sin(2 * phase) * std::exp(-t / 0.02);
        const double noise = click.Run(static_cast<float>(rng.Bipolar())) * std::exp(-t / 0.004) * 0.6;
        out[i] = static_cast<float>(tone * env + noise);
    }
    FadeOut(out, 0.01);
    Normalize(out, -1.5);
    return out;
}

void LevelUp() {
    Stereo s;
    Rng rng(7);
    // A rising arpeggio of glass bells over a warm chord: D, A, D, E, F#, A.
    const int notes[] = {74, 81, 86, 88, 90, 93};
    for (int k = 0; k < 6; ++k) Mix(s, GlassBell(MidiHz(notes[k]), 0.8, 1.0), Samples(0.07 * k), 0.8, -0.5 + 0.2 * k);
    for (int midi : {62, 66, 69, 73}) Mix(s, Pad(MidiHz(midi), 0.5, 0.6, 0.7, rng), 0, 0.8);
    Mix(s, Mallet(MidiHz(50), 0.8), 0, 0.6, 0);
    Reverb(s, 0.25, 0.7, 0.4);
    s.l.resize(Samples(1.8));
    s.r.resize(Samples(1.8));
    FadeOut(s, 0.4);
    Normalize(s, -1.5);
    WriteWav("sounds/level_up.wav", s);
}

void Removals() {
    struct P {
        const char* name;
        int midi;
        double length, brightness, gain;
    };
    // Full pops on G, A and D; lighter, higher ones on E, G and A: a rising figure as they rotate.
    const P pops[] = {{"remove1", 79, 0.16, 0.6, 1.0},        {"remove2", 81, 0.16, 0.6, 1.0},
                      {"remove3", 86, 0.15, 0.5, 1.0},        {"remove_lite_1", 88, 0.12, 0.3, 0.8},
                      {"remove_lite_2", 91, 0.11, 0.3, 0.8}, {"remove_lite_3", 93, 0.10, 0.3, 0.8}};
    uint64_t seed = 100;
    for (const P& p : pops) {
        Mono m = Pop(MidiHz(p.midi), p.length, p.brightness, ++seed);
        for (float& x : m) x *= static_cast<float>(p.gain);
        WriteWav(std::string("sounds/") + p.name + ".wav", m);
    }
}

void WallThump() {
    Mono out(Samples(0.22));
    Rng rng(3);
    Biquad lp = Biquad::LowPass(900, 0.7);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2 * kPi * (52 + 60 * std::exp(-t / 0.025)) / kRate;
        const double body = std::sin(phase) * std::exp(-t / 0.06);
        const double knock = lp.Run(static_cast<float>(rng.Bipolar())) * std::exp(-t / 0.006) * 0.5;
        out[i] = static_cast<float>((body + knock) * std::min(1.0, t / 0.0008));
    }
    FadeOut(out, 0.03);
    Normalize(out, -1.5);
    WriteWav("sounds/bass1short.wav", out);
}

// Band-passed noise whose centre glides from f0 to f1, panned from one side to the other.
Stereo Swoosh(double length, double f0, double f1, double q, double panFrom, double panTo, uint64_t seed) {
    Mono m(Samples(length));
    Rng rng(seed);
    Svf a, b;
    for (size_t i = 0; i < m.size(); ++i) {
        const double x = static_cast<double>(i) / m.size();
        const double f = f0 * std::pow(f1 / f0, x);
        const float n = static_cast<float>(rng.Bipolar());
        const double band = a.Run(n, f, q) - b.Run(n, f * 0.5, q);
        const double env = std::sin(kPi * std::pow(x, 0.7));
        m[i] = static_cast<float>(band * env * env);
    }
    Stereo s;
    s.Resize(m.size());
    for (size_t i = 0; i < m.size(); ++i) {
        const double x = static_cast<double>(i) / m.size();
        const double angle = (panFrom + (panTo - panFrom) * x + 1) * kPi / 4;
        s.l[i] = static_cast<float>(m[i] * std::cos(angle));
        s.r[i] = static_cast<float>(m[i] * std::sin(angle));
    }
    return s;
}

void SwapSwoosh() {
    Stereo s = Swoosh(0.34, 500, 4200, 1.6, -0.5, 0.5, 11);
    // A faint glassy sparkle at the end of the move.
    Mix(s, GlassBell(MidiHz(93), 0.3, 0.3), Samples(0.16), 0.5, 0.4);
    Normalize(s, -1.5);
    WriteWav("sounds/up1.wav", s);
}

void Thrust() {
    Stereo s = Swoosh(0.22, 300, 1400, 1.2, 0, 0, 12);
    Mono tone(Samples(0.2));
    double phase = 0;
    for (size_t i = 0; i < tone.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2 * kPi * (220 * std::pow(2.0, t / 0.2 * 1.0)) / kRate;
        tone[i] = static_cast<float>(std::sin(phase) * std::sin(kPi * t / 0.2) * 0.35);
    }
    Mix(s, tone, 0, 1.0, 0);
    Normalize(s, -1.5);
    WriteWav("sounds/up2.wav", s);
}

void Tick() {
    // Tick-tock on a wood block, A then E.
    Mono out;
    Rng rng(5);
    for (int k = 0; k < 2; ++k) {
        Mono m(Samples(0.12));
        const double hz = k == 0 ? 1760 : 1318.5;
        for (size_t i = 0; i < m.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            m[i] = static_cast<float>((std::sin(2 * kPi * hz * t) * std::exp(-t / 0.018) +
                                       0.6 * std::sin(2 * kPi * hz * 0.5 * t) * std::exp(-t / 0.03)) *
                                      std::min(1.0, t / 0.0005));
        }
        Mix(out, m, Samples(0.16 * k), k == 0 ? 1.0 : 0.8);
    }
    FadeOut(out, 0.02);
    Normalize(out, -1.5);
    WriteWav("sounds/time.wav", out);
}

void Chime() {
    // A soft open chord of bells (D, A, E, G) over a breath of pad; it is played quietly.
    Stereo s;
    Rng rng(9);
    const int notes[] = {74, 81, 88, 91};
    for (int k = 0; k < 4; ++k) Mix(s, GlassBell(MidiHz(notes[k]), 0.7, 2.2), Samples(0.11 * k), 0.7, -0.45 + 0.3 * k);
    for (int midi : {62, 69, 76}) Mix(s, Pad(MidiHz(midi), 1.0, 0.5, 0.3, rng), 0, 0.7);
    Reverb(s, 0.3, 0.85, 0.5);
    s.l.resize(Samples(3.5));
    s.r.resize(Samples(3.5));
    FadeOut(s, 1.0);
    Normalize(s, -1.5);
    WriteWav("sounds/snd1.wav", s);
}

void Blast() {
    Stereo s;
    s.Resize(Samples(1.4));
    Rng rng(13);
    Svf fl, fr;
    double phase = 0;
    for (size_t i = 0; i < s.Size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double cutoff = 180 + 7000 * std::exp(-t / 0.12);
        const double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.28);
        const double l = fl.Run(static_cast<float>(rng.Bipolar()), cutoff, 0.9);
        const double r = fr.Run(static_cast<float>(rng.Bipolar()), cutoff * 0.95, 0.9);
        phase += 2 * kPi * (34 + 70 * std::exp(-t / 0.08)) / kRate;
        const double boom = std::sin(phase) * std::exp(-t / 0.35) * std::min(1.0, t / 0.003);
        // Crackle: sparse clicks thinning out.
        const double crackle = rng.Uniform() < 0.004 * std::exp(-t / 0.3) ? rng.Bipolar() * 0.8 : 0.0;
        s.l[i] = static_cast<float>(l * env * 1.4 + boom + crackle);
        s.r[i] = static_cast<float>(r * env * 1.4 + boom - crackle);
    }
    Reverb(s, 0.12, 0.6, 0.5);
    s.l.resize(Samples(1.4));
    s.r.resize(Samples(1.4));
    FadeOut(s, 0.3);
    Normalize(s, -1.5);
    WriteWav("sounds/bigBlock1.wav", s);
}

void SplashJingle() {
    // IV, V, then a bright I with an added ninth in C: bells climb each chord, pads swell, one soft kick lands
    // the arrival, and the last chord rings out over the end of the splash card.
    Stereo s;
    Rng rng(21);
    struct C {
        double at;
        int notes[4];
    };
    const C chords[] = {{0.0, {65, 69, 72, 76}}, {1.2, {67, 71, 74, 76}}, {2.4, {60, 64, 67, 74}}};
    for (int c = 0; c < 3; ++c) {
        const double held = c < 2 ? 1.15 : 1.8;
        for (int k = 0; k < 4; ++k) {
            Mix(s, Pad(MidiHz(chords[c].notes[k] - 12), held, 0.55, 0.5, rng), Samples(chords[c].at), 0.9);
            Mix(s, GlassBell(MidiHz(chords[c].notes[k] + 12), 0.6, c < 2 ? 0.8 : 1.8),
                Samples(chords[c].at + 0.15 * k), 0.75, -0.5 + 0.33 * k);
        }
        Mix(s, Bass(MidiHz(chords[c].notes[0] - 24), held, 0.7, 0.2), Samples(chords[c].at), 0.9, 0);
    }
    // The arrival: a soft kick, a mallet root and the top bell melody E-G-A-G-C.
    Mix(s, Kick(0.6), Samples(2.4), 0.8, 0);
    const int tune[] = {88, 91, 93, 91, 96};
    for (int k = 0; k < 5; ++k) Mix(s, Mallet(MidiHz(tune[k] - 12), 0.7), Samples(2.4 + 0.18 * k), 0.6, 0.2);
    Reverb(s, 0.3, 0.85, 0.4);
    s.l.resize(Samples(4.8));
    s.r.resize(Samples(4.8));
    FadeOut(s, 1.2);
    Normalize(s, -1.5);
    WriteWav("sounds/noncadenza.wav", s);
}

}  // namespace

void GenerateEffectSounds() {
    LevelUp();
    Removals();
    WallThump();
    SwapSwoosh();
    Thrust();
    Tick();
    Chime();
    Blast();
    SplashJingle();
}

void GenerateAudioSummary() {
    std::printf("assetgen: %d sound and music files written\n", AudioFilesWritten());
    if (AudioFilesFailed() != 0) std::exit(1);
}

// A small deterministic synthesizer for the games' sounds and music: oscillators, envelopes, filters, a
// fixed-seed noise, a few instruments, a reverb, and the WAV, OGG/Vorbis and MP3 writers. Everything runs at
// 44100 Hz in floats; the same build renders the same samples every time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Sample count of a duration in seconds (rounded).
size_t Samples(double seconds);
// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double MidiHz(double midi);

// A fixed-seed noise and dice source (xorshift64*).
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint32_t Next();
    double Uniform();   // 0 <= x < 1
    double Bipolar();   // -1 <= x < 1
    int Below(int n);   // 0 <= x < n
};

using Mono = std::vector<float>;

// A stereo buffer; both sides always have the same length.
struct Stereo {
    std::vector<float> l, r;
    size_t Size() const { return l.size(); }
    void Resize(size_t n) {
        l.resize(n, 0.0f);
        r.resize(n, 0.0f);
    }
};

// Adds src into dst from sample `at` with a gain and an equal-power pan (-1 left .. +1 right); dst grows as
// needed.
void Mix(Stereo& dst, const Mono& src, size_t at, double gain, double pan);
void Mix(Stereo& dst, const Stereo& src, size_t at, double gain);
void Mix(Mono& dst, const Mono& src, size_t at, double gain);

// Filters.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    static Biquad LowPass(double hz, double q);
    static Biquad HighPass(double hz, double q);
    static Biquad BandPass(double hz, double q);
    static Biquad Peak(double hz, double q, double gainDb);
    float Run(float x);
};
// A state-variable low pass whose cutoff may move every sample.
struct Svf {
    double low = 0, band = 0;
    float Run(float x, double hz, double q);
};
void LowPass(Mono& m, double hz, double q = 0.707);
void HighPass(Mono& m, double hz, double q = 0.707);
void LowPass(Stereo& s, double hz, double q = 0.707);
void HighPass(Stereo& s, double hz, double q = 0.707);

// Envelope shapes, t in seconds from the note start.
double Adsr(double t, double length, double attack, double decay, double sustain, double release);
// A band-limited saw step (polyBLEP), phase 0..1 advanced by inc per sample.
double SawBlep(double phase, double inc);

// Instruments: each returns a fresh mono (or stereo) note with its natural tail.
// Mallet: a warm marimba-like bar (the player's collision notes).
Mono Mallet(double hz, double velocity);
// Glass bell: a bright, gentle chime (the free blocks' collision notes, the holiday tune).
Mono GlassBell(double hz, double velocity, double decaySeconds = 1.1);
// Electric piano: a soft FM tine, held for `held` seconds.
Mono EPiano(double hz, double held, double velocity);
// Pluck: a short, round harp-like note for arpeggios.
Mono Pluck(double hz, double velocity, Rng& rng);
// Pad: detuned saws through a slowly opening low pass, stereo, held for `held` seconds then released.
Stereo Pad(double hz, double held, double velocity, double brightness, Rng& rng);
// Bass: a round sine-and-saw bass note held for `held` seconds.
Mono Bass(double hz, double held, double velocity, double growl);
// A soft lead: a filtered square-ish voice with a gentle vibrato.
Mono Lead(double hz, double held, double velocity);
// Drums.
Mono Kick(double velocity);
Mono Snare(double velocity, Rng& rng);
Mono Rim(double velocity);
Mono Hat(double velocity, bool open, Rng& rng);
Mono Shaker(double velocity, Rng& rng);
Mono Sleigh(double velocity, Rng& rng);

// A stereo Freeverb-style room: `wet` mix, room size 0..1, damping 0..1.
void Reverb(Stereo& s, double wet, double room, double damp);
// A gentle bus compressor that keeps sums from poking out.
void Glue(Stereo& s, double thresholdDb, double ratio);
// Scales so the highest sample sits at peakDb dBFS.
void Normalize(Stereo& s, double peakDb);
void Normalize(Mono& m, double peakDb);
// Fades the first and last seconds.
void FadeIn(Stereo& s, double seconds);
void FadeOut(Stereo& s, double seconds);
void FadeOut(Mono& m, double seconds);
// Folds everything past `length` back onto the start, so the sound loops without a seam.
void WrapTail(Stereo& s, size_t length);
double PeakDb(const Stereo& s);

// Writers. Relative names go under the asset output folder; folders are created. Each counts a written
// file or a failure (see GenerateAudioSummary).
bool WriteWav(const std::string& relativeName, const Mono& m);
bool WriteWav(const std::string& relativeName, const Stereo& s);
bool WriteOgg(const std::string& relativeName, const Stereo& s, double quality);
// MP3 when the installed libsndfile can write it; otherwise OGG/Vorbis under the same name (the game's
// decoder reads the format from the content). Returns false only on a failed write.
bool WriteMp3(const std::string& relativeName, const Stereo& s);
bool WriteText(const std::string& relativeName, const std::string& text);
int AudioFilesWritten();
int AudioFilesFailed();

// ---- Songs as the arranger and the score see them ----

// One chord: its name as the score writes it and its tones as pitch classes above the root.
struct ChordTones {
    std::string name;          // "" is a rest
    int root = 0;              // pitch class 0 = C
    std::vector<int> intervals;  // semitones above the root, ascending, first 0
};
// Reads names like "C", "Am", "F#m7", "Bbmaj9", "G7sus4", "E5" (root and fifth), "A1" (the root alone).
ChordTones ParseChord(const std::string& name);
// The score's note name of a MIDI note: "c4", "fs4", "bb3" style (sharps as "s").
std::string NoteName(int midi);
// The tones of a chord as collision notes: the root placed at or above lowRoot (within an octave), the other
// tones stacked above it in order. Note index 0 is always the root.
std::vector<int> CollisionTones(const ChordTones& chord, int lowRoot);

// How each part plays in a tact.
struct Style {
    int pad = 1;     // 0 none, 1 soft, 2 full
    int bass = 1;    // 0 none, 1 held roots, 2 root and fifth on the beats, 3 pulsing eighths
    int arp = 0;     // 0 none, 1 quarter notes, 2 eighth notes, 3 e-piano stabs
    int drums = 0;   // 0 none, 1 shaker and soft kick, 2 groove, 3 driving, 4 sleigh bells
    int lead = 0;    // 0 none, 1 written melody, 2 generated phrase
    double brightness = 0.5;  // pad filter opening 0..1
};

// A tact: its chords (sharing it evenly), its length and its note-spacing divisor for timed scores.
struct Tact {
    std::vector<std::string> chords;
    int ms = 2000;
    int repeat = 1;
    Style style;
};

// A written melody note: start in beats from the song's first tact, length in beats, MIDI note.
struct MelodyNote {
    double beat = 0, beats = 1;
    int midi = 60;
};

struct Song {
    std::string file;        // relative to the music folder
    bool timed = false;      // the score gives each tact its start time
    std::vector<Tact> tacts;
    std::vector<MelodyNote> melody;  // style.lead 1
    uint64_t seed = 1;
    double reverb = 0.22;
    bool loop = false;       // folds its tail onto the start (donate-screen songs)
    int leadVoice = 0;       // 0 soft flute-like lead, 1 glass bell, 2 both
    int beatsPerTact = 4;
    int TotalMs() const;
};

// Appends bars written as "Dmaj9 | Bm7 | Em7 A7" (chords of a bar separated by spaces) with one length and
// style.
void AddBars(Song& song, const std::string& bars, int ms, const Style& style, int repeat = 1);
// Appends a melody written as "c5:1.5 bb4:.5 r:1" (note or rest r, colon, beats) from the given beat; returns
// the beat after it.
double AddMelody(Song& song, double beat, const std::string& notes, int transpose = 0);
// Renders the song: exactly TotalMs long (a loop song folds its tail onto its start).
Stereo Render(const Song& song);

// The score: the timing of each played song and the two collision effects.
std::string ScoreTrackXml(const Song& song, const std::string& value);
// The music folder's collision notes for every chord of the songs: writes the note samples and returns the
// effect elements of music.xml.
std::string CollisionEffectsXml(const std::vector<const Song*>& songs);

}  // namespace synth

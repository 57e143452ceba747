// The synthesizer's building blocks: noise, mixing, filters, envelopes, instruments, reverb and the writers.
#include "synth.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "canvas.h"

namespace synth {

namespace {

std::atomic<int> written{0};
std::atomic<int> failed{0};

// A sine oscillator by rotation: two multiplies a sample, no drift worth hearing over a few seconds.
struct SineOsc {
    double c, s1, s2;
    SineOsc(double hz, double phase) {
        const double w = 2 * kPi * hz / kRate;
        c = 2 * std::cos(w);
        s1 = std::sin(phase - w);
        s2 = std::sin(phase - 2 * w);
    }
    double Next() {
        const double s0 = c * s1 - s2;
        s2 = s1;
        s1 = s0;
        return s0;
    }
};

// Exponential decay by repeated multiplication: exp(-t / tau).
struct Decay {
    double value, factor;
    Decay(double start, double tau) : value(start), factor(std::exp(-1.0 / (tau * kRate))) {}
    double Next() {
        const double v = value;
        value *= factor;
        return v;
    }
};

void Clean(Mono& m, double fadeSeconds) {
    const size_t n = std::min(m.size(), Samples(fadeSeconds));
    for (size_t i = 0; i < n; ++i) m[m.size() - 1 - i] *= static_cast<float>(static_cast<double>(i) / n);
}

std::string FullPath(const std::string& relativeName) {
    std::filesystem::path path = std::filesystem::path(OutputFolder()) / relativeName;
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    return path.string();
}

bool Count(bool ok, const std::string& name) {
    if (ok) {
        ++written;
    } else {
        ++failed;
        std::fprintf(stderr, "assetgen: cannot write %s\n", name.c_str());
    }
    return ok;
}

uint32_t NameSeed(const std::string& name) {
    uint32_t h = 2166136261u;
    for (unsigned char c : name) h = (h ^ c) * 16777619u;
    return h;
}

// Interleaves floats (clamped) for the compressed writers.
std::vector<float> Interleave(const Stereo& s) {
    std::vector<float> out(s.Size() * 2);
    for (size_t i = 0; i < s.Size(); ++i) {
        out[2 * i] = std::clamp(s.l[i], -1.0f, 1.0f);
        out[2 * i + 1] = std::clamp(s.r[i], -1.0f, 1.0f);
    }
    return out;
}

// 16-bit samples with a triangular dither from a fixed seed.
std::vector<short> ToShorts(const std::vector<float>& x, uint32_t seed) {
    Rng rng(seed);
    std::vector<short> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double d = (rng.Uniform() - rng.Uniform());
        const double v = std::round(x[i] * 32767.0 + d);
        out[i] = static_cast<short>(std::clamp(v, -32768.0, 32767.0));
    }
    return out;
}

bool WriteShorts(const std::string& relativeName, const std::vector<float>& interleaved, int channels) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(FullPath(relativeName).c_str(), SFM_WRITE, &info);
    if (!f) return Count(false, relativeName);
    const std::vector<short> data = ToShorts(interleaved, NameSeed(relativeName));
    const sf_count_t frames = static_cast<sf_count_t>(data.size() / channels);
    const bool ok = sf_writef_short(f, data.data(), frames) == frames;
    return Count(sf_close(f) == 0 && ok, relativeName);
}

// The Ogg page checksum: CRC-32, polynomial 0x04C11DB7, no reflection, starting at 0.
uint32_t OggCrc(const unsigned char* p, size_t n) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < n; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

// libsndfile gives every Ogg stream a serial number from the clock; this sets a fixed one (and fixes the page
// checksums) so that every run writes the same bytes.
bool FixOggSerial(const std::string& path, uint32_t serial) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    size_t p = 0;
    while (p + 27 <= bytes.size()) {
        if (std::memcmp(&bytes[p], "OggS", 4) != 0) return false;
        const size_t segments = bytes[p + 26];
        if (p + 27 + segments > bytes.size()) return false;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += bytes[p + 27 + i];
        const size_t size = 27 + segments + body;
        if (p + size > bytes.size()) return false;
        for (int i = 0; i < 4; ++i) bytes[p + 14 + i] = static_cast<unsigned char>(serial >> (8 * i));
        for (int i = 0; i < 4; ++i) bytes[p + 22 + i] = 0;
        const uint32_t crc = OggCrc(&bytes[p], size);
        for (int i = 0; i < 4; ++i) bytes[p + 22 + i] = static_cast<unsigned char>(crc >> (8 * i));
        p += size;
    }
    if (p != bytes.size()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool WriteCompressed(const std::string& relativeName, const Stereo& s, int format, double level) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    const std::string path = FullPath(relativeName);
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_command(f, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level));
    const std::vector<float> data = Interleave(s);
    // Small blocks: the Vorbis encoder keeps a stack copy of what it was handed at once.
    bool ok = true;
    const size_t block = 4096;
    for (size_t at = 0; at < s.Size() && ok; at += block) {
        const sf_count_t frames = static_cast<sf_count_t>(std::min(block, s.Size() - at));
        ok = sf_writef_float(f, data.data() + 2 * at, frames) == frames;
    }
    if (sf_close(f) != 0 || !ok) return false;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG) return FixOggSerial(path, NameSeed(relativeName));
    return true;
}

}  // namespace

size_t Samples(double seconds) { return static_cast<size_t>(std::llround(std::max(0.0, seconds) * kRate)); }

double MidiHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

uint32_t Rng::Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<uint32_t>((state * 2685821657736338717ull) >> 32);
}
double Rng::Uniform() { return (Next() >> 8) / 16777216.0; }
double Rng::Bipolar() { return Uniform() * 2.0 - 1.0; }
int Rng::Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint32_t>(n)); }

void Mix(Stereo& dst, const Mono& src, size_t at, double gain, double pan) {
    if (dst.Size() < at + src.size()) dst.Resize(at + src.size());
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4;
    const float gl = static_cast<float>(gain * std::cos(angle) * std::sqrt(2.0));
    const float gr = static_cast<float>(gain * std::sin(angle) * std::sqrt(2.0));
    for (size_t i = 0; i < src.size(); ++i) {
        dst.l[at + i] += src[i] * gl;
        dst.r[at + i] += src[i] * gr;
    }
}

void Mix(Stereo& dst, const Stereo& src, size_t at, double gain) {
    if (dst.Size() < at + src.Size()) dst.Resize(at + src.Size());
    const float g = static_cast<float>(gain);
    for (size_t i = 0; i < src.Size(); ++i) {
        dst.l[at + i] += src.l[i] * g;
        dst.r[at + i] += src.r[i] * g;
    }
}

void Mix(Mono& dst, const Mono& src, size_t at, double gain) {
    if (dst.size() < at + src.size()) dst.resize(at + src.size(), 0.0f);
    const float g = static_cast<float>(gain);
    for (size_t i = 0; i < src.size(); ++i) dst[at + i] += src[i] * g;
}

// ---- Filters ----

Biquad Biquad::LowPass(double hz, double q) {
    const double w = 2 * kPi * std::min(hz, kRate * 0.45) / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0 = (1 - c) / 2 / a0;
    f.b1 = (1 - c) / a0;
    f.b2 = (1 - c) / 2 / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::HighPass(double hz, double q) {
    const double w = 2 * kPi * std::min(hz, kRate * 0.45) / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0 = (1 + c) / 2 / a0;
    f.b1 = -(1 + c) / a0;
    f.b2 = (1 + c) / 2 / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::BandPass(double hz, double q) {
    const double w = 2 * kPi * std::min(hz, kRate * 0.45) / kRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0 = alpha / a0;
    f.b1 = 0;
    f.b2 = -alpha / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::Peak(double hz, double q, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40), w = 2 * kPi * hz / kRate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha / a;
    Biquad f;
    f.b0 = (1 + alpha * a) / a0;
    f.b1 = -2 * c / a0;
    f.b2 = (1 - alpha * a) / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha / a) / a0;
    return f;
}

float Biquad::Run(float x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return static_cast<float>(y);
}

float Svf::Run(float x, double hz, double q) {
    const double f = 2 * std::sin(kPi * std::min(hz, kRate * 0.2) / kRate);
    const double damp = 1.0 / q;
    // Two passes of the Chamberlin filter per sample keep it stable up to high cutoffs.
    for (int i = 0; i < 2; ++i) {
        const double high = x - low - damp * band;
        band += f * 0.5 * high;
        low += f * 0.5 * band;
    }
    return static_cast<float>(low);
}

void LowPass(Mono& m, double hz, double q) {
    Biquad f = Biquad::LowPass(hz, q);
    for (float& x : m) x = f.Run(x);
}
void HighPass(Mono& m, double hz, double q) {
    Biquad f = Biquad::HighPass(hz, q);
    for (float& x : m) x = f.Run(x);
}
void LowPass(Stereo& s, double hz, double q) {
    LowPass(s.l, hz, q);
    LowPass(s.r, hz, q);
}
void HighPass(Stereo& s, double hz, double q) {
    HighPass(s.l, hz, q);
    HighPass(s.r, hz, q);
}

double Adsr(double t, double length, double attack, double decay, double sustain, double release) {
    auto held = [&](double u) {
        if (u < 0) return 0.0;
        if (u < attack) return u / attack;
        if (u < attack + decay) return 1.0 - (1.0 - sustain) * (u - attack) / decay;
        return sustain;
    };
    if (t < length) return held(t);
    const double at = held(length);
    const double r = (t - length) / release;
    return r >= 1 ? 0.0 : at * (1 - r) * (1 - r);
}

double SawBlep(double phase, double inc) {
    double v = 2 * phase - 1;
    if (phase < inc) {
        const double t = phase / inc;
        v -= t + t - t * t - 1;
    } else if (phase > 1 - inc) {
        const double t = (phase - 1) / inc;
        v -= t * t + t + t + 1;
    }
    return v;
}

// ---- Instruments ----

Mono Mallet(double hz, double velocity) {
    const double length = std::clamp(1.4 - (hz - 200) / 900, 0.55, 1.2);
    Mono out(Samples(length));
    SineOsc mod(hz * 4.0, 0), overtone(hz * 3.93, 0.3), overtone2(hz * 9.2, 0.1);
    Decay body(1.0, 0.16 + 60.0 / hz), index(1.1 * velocity + 0.3, 0.012), over(0.22, 0.05), over2(0.05, 0.012);
    double phase = 0;
    const double inc = 2 * kPi * hz / kRate;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double attack = std::min(1.0, t / 0.0015);
        const double m = mod.Next() * index.Next();
        phase += inc;
        double v = std::sin(phase + m) * body.Next() + overtone.Next() * over.Next();
        if (hz * 9.2 < 15000) v += overtone2.Next() * over2.Next();
        out[i] = static_cast<float>(v * attack * velocity * 0.6);
    }
    Clean(out, 0.05);
    return out;
}

Mono GlassBell(double hz, double velocity, double decaySeconds) {
    const double length = decaySeconds * 1.6;
    Mono out(Samples(length));
    static const double ratios[] = {1.0, 2.0, 3.0, 4.16, 5.43};
    static const double gains[] = {1.0, 0.32, 0.12, 0.10, 0.05};
    static const double taus[] = {1.0, 0.45, 0.25, 0.16, 0.09};
    for (int k = 0; k < 5; ++k) {
        if (hz * ratios[k] > 16000) continue;
        SineOsc osc(hz * ratios[k] * (1 + 0.0007 * k), 0.4 * k);
        Decay env(gains[k], decaySeconds * taus[k] * 0.55);
        for (size_t i = 0; i < out.size(); ++i) out[i] += static_cast<float>(osc.Next() * env.Next());
    }
    const size_t attack = Samples(0.002);
    for (size_t i = 0; i < out.size(); ++i) {
        const double a = i < attack ? static_cast<double>(i) / attack : 1.0;
        out[i] = static_cast<float>(out[i] * a * velocity * 0.5);
    }
    Clean(out, 0.08);
    return out;
}

Mono EPiano(double hz, double held, double velocity) {
    const double release = 0.35;
    Mono out(Samples(held + release));
    SineOsc mod(hz, 0), tine(hz * 14.0, 0);
    Decay index(1.2 * velocity + 0.25, 0.5), tineIndex(0.35 * velocity, 0.015), body(1.0, 1.6 + 80.0 / hz);
    double phase = 0;
    const double inc = 2 * kPi * hz / kRate;
    const bool withTine = hz * 14 < 16000;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double m = mod.Next() * (index.Next() + 0.15);
        const double tn = tine.Next() * tineIndex.Next();
        if (withTine) m += tn;
        phase += inc;
        const double env = Adsr(t, held, 0.003, 0.0, 1.0, release) * body.Next();
        out[i] = static_cast<float>(std::sin(phase + m) * env * velocity * 0.5);
    }
    Clean(out, 0.02);
    return out;
}

Mono Pluck(double hz, double velocity, Rng& rng) {
    const double length = std::clamp(1.6 - hz / 1200, 0.6, 1.5);
    Mono out(Samples(length));
    for (int k = 1; k <= 10; ++k) {
        if (hz * k > 14000) break;
        const double gain = (k == 1 ? 1.0 : 0.9 / (k * k * 0.6)) * (0.85 + 0.3 * rng.Uniform());
        SineOsc osc(hz * k * (1 + 0.0004 * (k - 1)), rng.Uniform() * 2 * kPi);
        Decay env(gain, 0.9 / (1.0 + 0.9 * (k - 1)) * (1.0 - hz / 4000));
        for (size_t i = 0; i < out.size(); ++i) out[i] += static_cast<float>(osc.Next() * env.Next());
    }
    const size_t attack = Samples(0.003);
    for (size_t i = 0; i < out.size(); ++i) {
        const double a = i < attack ? static_cast<double>(i) / attack : 1.0;
        out[i] = static_cast<float>(out[i] * a * velocity * 0.45);
    }
    Clean(out, 0.06);
    return out;
}

Stereo Pad(double hz, double held, double velocity, double brightness, Rng& rng) {
    const double attack = 0.7, release = 1.6;
    Stereo out;
    out.Resize(Samples(held + release));
    const double detune[3] = {-0.09, 0.0, 0.085};  // semitones
    double phase[3], inc[3];
    for (int k = 0; k < 3; ++k) {
        phase[k] = rng.Uniform();
        inc[k] = hz * std::pow(2.0, detune[k] / 12) / kRate;
    }
    Svf fl, fr;
    const double lfoRate = 0.15 + 0.1 * rng.Uniform(), lfoPhase = rng.Uniform() * 2 * kPi;
    for (size_t i = 0; i < out.Size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v[3];
        for (int k = 0; k < 3; ++k) {
            v[k] = SawBlep(phase[k], inc[k]);
            phase[k] += inc[k];
            if (phase[k] >= 1) phase[k] -= 1;
        }
        const double env = Adsr(t, held, attack, 0.8, 0.85, release);
        const double lfo = std::sin(2 * kPi * lfoRate * t + lfoPhase);
        const double cutoff = hz * (1.2 + 3.5 * brightness) + 250 + 500 * brightness * env + 120 * lfo;
        const float left = fl.Run(static_cast<float>(v[0] + 0.6 * v[1]), cutoff, 0.8);
        const float right = fr.Run(static_cast<float>(v[2] + 0.6 * v[1]), cutoff * 1.03, 0.8);
        out.l[i] = static_cast<float>(left * env * velocity * 0.18);
        out.r[i] = static_cast<float>(right * env * velocity * 0.18);
    }
    return out;
}

Mono Bass(double hz, double held, double velocity, double growl) {
    const double release = 0.09;
    Mono out(Samples(held + release));
    double phase = 0, saw = 0;
    const double inc = hz / kRate;
    Biquad tone = Biquad::LowPass(300 + 500 * growl, 0.9);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double s = std::sin(2 * kPi * phase) + 0.25 * std::sin(4 * kPi * phase);
        saw = tone.Run(static_cast<float>(SawBlep(phase, inc)));
        phase += inc;
        if (phase >= 1) phase -= 1;
        const double env = Adsr(t, held, 0.006, 0.25, 0.75, release);
        out[i] = static_cast<float>((s * 0.8 + saw * growl * 0.6) * env * velocity * 0.5);
    }
    return out;
}

Mono Lead(double hz, double held, double velocity) {
    const double release = 0.25;
    Mono out(Samples(held + release));
    double phase = 0;
    Biquad breathFilter = Biquad::BandPass(hz * 2, 2.0);
    Rng rng(static_cast<uint64_t>(hz * 1000));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double vib = std::min(1.0, std::max(0.0, (t - 0.25) / 0.4)) * 0.004 * std::sin(2 * kPi * 5.2 * t);
        phase += hz * (1 + vib) / kRate;
        if (phase >= 1) phase -= 1;
        const double x = 2 * kPi * phase;
        const double v = std::sin(x) + 0.18 * std::sin(2 * x) + 0.12 * std::sin(3 * x) + 0.04 * std::sin(5 * x);
        const double breath = breathFilter.Run(static_cast<float>(rng.Bipolar())) * 0.12;
        const double env = Adsr(t, held, 0.035, 0.2, 0.8, release);
        out[i] = static_cast<float>((v + breath) * env * velocity * 0.32);
    }
    return out;
}

Mono Kick(double velocity) {
    Mono out(Samples(0.45));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += (46 + 80 * std::exp(-t / 0.035)) / kRate;
        const double env = std::exp(-t / 0.2) * std::min(1.0, t / 0.001);
        out[i] = static_cast<float>(std::sin(2 * kPi * phase) * env * velocity * 0.8);
    }
    Clean(out, 0.05);
    return out;
}

Mono Snare(double velocity, Rng& rng) {
    Mono out(Samples(0.35));
    Biquad band = Biquad::BandPass(2200, 0.6), high = Biquad::HighPass(900, 0.7);
    SineOsc tone(190, 0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double noise = high.Run(band.Run(static_cast<float>(rng.Bipolar()))) * 2.2 * std::exp(-t / 0.09);
        const double body = tone.Next() * 0.45 * std::exp(-t / 0.05);
        out[i] = static_cast<float>((noise + body) * std::min(1.0, t / 0.001) * velocity * 0.6);
    }
    Clean(out, 0.05);
    return out;
}

Mono Rim(double velocity) {
    Mono out(Samples(0.12));
    SineOsc a(1750, 0), b(820, 0.5);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[i] = static_cast<float>((a.Next() * 0.5 * std::exp(-t / 0.012) + b.Next() * std::exp(-t / 0.025)) *
                                    std::min(1.0, t / 0.0005) * velocity * 0.5);
    }
    Clean(out, 0.02);
    return out;
}

Mono Hat(double velocity, bool open, Rng& rng) {
    Mono out(Samples(open ? 0.45 : 0.1));
    Biquad high = Biquad::HighPass(7000, 0.7), peak = Biquad::Peak(10000, 1.5, 5);
    const double tau = open ? 0.14 : 0.022;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[i] = static_cast<float>(peak.Run(high.Run(static_cast<float>(rng.Bipolar()))) * std::exp(-t / tau) *
                                    velocity * 0.45);
    }
    Clean(out, 0.02);
    return out;
}

Mono Shaker(double velocity, Rng& rng) {
    Mono out(Samples(0.14));
    Biquad band = Biquad::BandPass(5800, 1.3);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double env = std::min(1.0, t / 0.012) * std::exp(-std::max(0.0, t - 0.012) / 0.035);
        out[i] = static_cast<float>(band.Run(static_cast<float>(rng.Bipolar())) * env * velocity * 0.9);
    }
    Clean(out, 0.02);
    return out;
}

Mono Sleigh(double velocity, Rng& rng) {
    Mono out(Samples(0.32));
    Biquad a = Biquad::BandPass(6200, 6), b = Biquad::BandPass(7900, 6), c = Biquad::BandPass(9600, 6);
    const double rattle = 22 + 6 * rng.Uniform();
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const float n = static_cast<float>(rng.Bipolar());
        const double mod = 0.55 + 0.45 * std::sin(2 * kPi * rattle * t);
        const double env = std::min(1.0, t / 0.004) * std::exp(-t / 0.09) * mod;
        out[i] = static_cast<float>((a.Run(n) + b.Run(n) * 0.8 + c.Run(n) * 0.6) * env * velocity * 1.6);
    }
    Clean(out, 0.03);
    return out;
}

// ---- Reverb and the bus ----

namespace {

struct Comb {
    std::vector<float> line;
    size_t at = 0;
    float store = 0;
    explicit Comb(size_t n) : line(n, 0.0f) {}
    float Run(float x, float feedback, float damp) {
        const float y = line[at];
        store = y * (1 - damp) + store * damp;
        line[at] = x + store * feedback;
        if (++at == line.size()) at = 0;
        return y;
    }
};

struct AllPass {
    std::vector<float> line;
    size_t at = 0;
    explicit AllPass(size_t n) : line(n, 0.0f) {}
    float Run(float x) {
        const float b = line[at];
        line[at] = x + b * 0.5f;
        if (++at == line.size()) at = 0;
        return b - x;
    }
};

void ReverbSide(const Stereo& in, std::vector<float>& out, size_t spread, float feedback, float damp) {
    static const size_t combs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const size_t allpasses[] = {556, 441, 341, 225};
    std::vector<Comb> c;
    std::vector<AllPass> a;
    for (size_t n : combs) c.emplace_back(n + spread);
    for (size_t n : allpasses) a.emplace_back(n + spread);
    out.assign(in.Size(), 0.0f);
    // A short pre-delay keeps the attacks dry.
    const size_t predelay = Samples(0.012);
    for (size_t i = 0; i < in.Size(); ++i) {
        const float x = i >= predelay ? (in.l[i - predelay] + in.r[i - predelay]) * 0.015f : 0.0f;
        float y = 0;
        for (Comb& comb : c) y += comb.Run(x, feedback, damp);
        for (AllPass& pass : a) y = pass.Run(y);
        out[i] = y;
    }
}

}  // namespace

void Reverb(Stereo& s, double wet, double room, double damp) {
    const size_t tail = Samples(2.5);
    Stereo in = s;
    in.Resize(s.Size() + tail);
    std::vector<float> wl, wr;
    const float feedback = static_cast<float>(room * 0.28 + 0.7), d = static_cast<float>(damp * 0.4);
    ReverbSide(in, wl, 0, feedback, d);
    ReverbSide(in, wr, 23, feedback, d);
    s.Resize(in.Size());
    // The wet signal loses its lowest lows so the bass stays clear.
    Biquad hl = Biquad::HighPass(180, 0.7), hr = Biquad::HighPass(180, 0.7);
    for (size_t i = 0; i < s.Size(); ++i) {
        s.l[i] += static_cast<float>(wet * 3.0) * hl.Run(wl[i]);
        s.r[i] += static_cast<float>(wet * 3.0) * hr.Run(wr[i]);
    }
}

void Glue(Stereo& s, double thresholdDb, double ratio) {
    const double threshold = std::pow(10.0, thresholdDb / 20);
    const double attack = std::exp(-1.0 / (0.008 * kRate)), release = std::exp(-1.0 / (0.25 * kRate));
    double level = 0;
    for (size_t i = 0; i < s.Size(); ++i) {
        const double x = std::max(std::fabs(s.l[i]), std::fabs(s.r[i]));
        level = x > level ? attack * level + (1 - attack) * x : release * level + (1 - release) * x;
        double gain = 1;
        if (level > threshold) gain = std::pow(level / threshold, 1.0 / ratio - 1.0);
        s.l[i] = static_cast<float>(s.l[i] * gain);
        s.r[i] = static_cast<float>(s.r[i] * gain);
    }
}

double PeakDb(const Stereo& s) {
    float peak = 1e-9f;
    for (size_t i = 0; i < s.Size(); ++i) peak = std::max({peak, std::fabs(s.l[i]), std::fabs(s.r[i])});
    return 20 * std::log10(peak);
}

void Normalize(Stereo& s, double peakDb) {
    const float g = static_cast<float>(std::pow(10.0, (peakDb - PeakDb(s)) / 20));
    for (size_t i = 0; i < s.Size(); ++i) {
        s.l[i] *= g;
        s.r[i] *= g;
    }
}

void Normalize(Mono& m, double peakDb) {
    float peak = 1e-9f;
    for (float x : m) peak = std::max(peak, std::fabs(x));
    const float g = static_cast<float>(std::pow(10.0, peakDb / 20) / peak);
    for (float& x : m) x *= g;
}

void FadeIn(Stereo& s, double seconds) {
    const size_t n = std::min(s.Size(), Samples(seconds));
    for (size_t i = 0; i < n; ++i) {
        const float g = static_cast<float>(static_cast<double>(i) / n);
        s.l[i] *= g;
        s.r[i] *= g;
    }
}

void FadeOut(Stereo& s, double seconds) {
    const size_t n = std::min(s.Size(), Samples(seconds));
    for (size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / n;
        const float g = static_cast<float>(x * x);
        s.l[s.Size() - 1 - i] *= g;
        s.r[s.Size() - 1 - i] *= g;
    }
}

void FadeOut(Mono& m, double seconds) { Clean(m, seconds); }

void WrapTail(Stereo& s, size_t length) {
    for (size_t i = length; i < s.Size(); ++i) {
        s.l[(i - length) % length] += s.l[i];
        s.r[(i - length) % length] += s.r[i];
    }
    s.l.resize(length);
    s.r.resize(length);
}

// ---- Writers ----

bool WriteWav(const std::string& relativeName, const Mono& m) {
    std::vector<float> data(m.begin(), m.end());
    return WriteShorts(relativeName, data, 1);
}

bool WriteWav(const std::string& relativeName, const Stereo& s) { return WriteShorts(relativeName, Interleave(s), 2); }

bool WriteOgg(const std::string& relativeName, const Stereo& s, double quality) {
    return Count(WriteCompressed(relativeName, s, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1.0 - quality), relativeName);
}

bool WriteMp3(const std::string& relativeName, const Stereo& s) {
    SF_INFO probe{};
    probe.samplerate = kRate;
    probe.channels = 2;
    probe.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    if (sf_format_check(&probe)) {
        // Compression level 0.5: about 128 kbit/s.
        return Count(WriteCompressed(relativeName, s, probe.format, 0.5), relativeName);
    }
    std::fprintf(stderr, "assetgen: this libsndfile cannot write MP3; %s is written as OGG/Vorbis\n",
                 relativeName.c_str());
    return WriteOgg(relativeName, s, 0.4);
}

bool WriteText(const std::string& relativeName, const std::string& text) {
    std::ofstream out(FullPath(relativeName), std::ios::binary | std::ios::trunc);
    out << text;
    return Count(static_cast<bool>(out), relativeName);
}

int AudioFilesWritten() { return written; }
int AudioFilesFailed() { return failed; }

}  // namespace synth

// Shared between the mixer's files only: the sound table, the channel pool, the stream rings and the decoder.
#pragma once
#include <sndfile.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio_device.h"

constexpr int MaxSounds = 512;
constexpr int MaxStreams = 16;
constexpr int SoundPathCapacity = 256;
constexpr uint32_t AudioFreeSlot = 0x40000000;
constexpr int HistoryFrames = 1024;        // the latest output of a channel, for its spectrum
constexpr int StreamRingFrames = 1 << 17;  // 2.97 s of stereo sound decoded ahead per stream
constexpr int MixBlockFrames = 1024;       // the largest piece mixed at once

// Reads any format libsndfile knows and hands out stereo-or-mono float frames at 44100 Hz, resampling
// by linear interpolation. One per stream (on the worker) and one short-lived per sample load.
// Sound files below this rate are refused.
constexpr int MinSourceRate = 8000;
// Frames a file may announce at most: keeps frames x 44100 far inside 64 bits.
constexpr uint64_t MaxSourceFrames = uint64_t{1} << 36;
// A sample (not a stream) is decoded whole at load; longer ones are refused: 60 s, 21 MB as stereo floats.
constexpr uint64_t MaxSampleFrames = 60u * MixerSampleRate;

struct Decoder {
    SNDFILE* file = nullptr;
    int fd = -1;  // the open file under it
    int sourceRate = MixerSampleRate;
    int sourceChannels = 1;
    uint64_t sourceFrames = 0;  // frames in the file at its own rate
    uint64_t outFrames = 0;     // frames of one pass at 44100 Hz
    uint64_t outIndex = 0;      // next output frame of the current pass
    // Resampling window: source frames [windowStart, windowStart + windowCount) as stereo pairs.
    static constexpr int WindowFrames = 4096;
    float window[WindowFrames * 2];
    uint64_t windowStart = 0;
    int windowCount = 0;
    float readBuffer[WindowFrames * 8];  // raw interleaved frames of up to eight channels
};

// Opens path; false when libsndfile cannot read it or it holds no sound.
bool DecoderOpen(Decoder& d, const char* path);
void DecoderClose(Decoder& d);
// Back to the first frame of the pass.
void DecoderRewind(Decoder& d);
// Writes up to `frames` stereo frames of the current pass into out; returns how many (0 at the pass's end).
int DecoderRead(Decoder& d, float* out, int frames);

// A streamed sound's ring: the worker (or, headless, the mixer's own thread) writes, the mixer reads.
// A new play asks for a new epoch; the producer rewinds, marks where the epoch's frames begin, and the
// mixer skips everything before that mark.
struct StreamState {
    Decoder decoder;
    std::mutex producer;                  // the decoder and the write side belong to whoever holds it
    std::unique_ptr<float[]> ring;        // StreamRingFrames stereo frames
    std::atomic<uint64_t> writeCount{0};  // frames ever written
    std::atomic<uint64_t> readCount{0};   // frames ever consumed (mixer side)
    std::atomic<uint64_t> epochStart{0};  // writeCount when the served epoch began
    std::atomic<uint32_t> requestEpoch{0};
    std::atomic<uint32_t> servedEpoch{0};
    uint32_t consumerEpoch = 0;       // mixer side: the epoch readCount follows
    std::atomic<bool> active{false};  // a channel plays it: keep it filled
};

struct SoundEntry {
    uint32_t flags = AudioFreeSlot;
    char path[SoundPathCapacity] = {};
    uint32_t mode = 0;
    bool stream = false;
    int channels = 1;     // 1 or 2
    uint64_t frames = 0;  // frames of one pass at 44100 Hz
    uint32_t lengthMs = 0;
    std::vector<float> data;  // a sample's frames, decoded at load
    int streamIndex = -1;
};

struct Channel {
    uint32_t flags = AudioFreeSlot;
    uint32_t generation = 1;  // above the index in the handle; a new play or an end moves it on
    int sound = -1;
    bool paused = false;
    float volume = 1.0f;
    float pan = 0.0f;
    uint8_t group = 0;  // SoundGroup: whose player volume applies on top of volume
    uint32_t mode = SoundLoopOff;
    int loopsLeft = 0;                      // extra passes still to play in SoundLoopCount mode
    uint64_t position = 0;                  // frames into the current pass
    uint64_t startOrder = 0;                // when it started, for stealing the oldest
    float history[HistoryFrames * 2] = {};  // latest output, interleaved stereo, oldest at historyPos
    int historyPos = 0;
};

// Starts and stops the worker that keeps the stream rings filled and, in real time, drains the WAV ring.
void StartStreamWorker();
void StopStreamWorker();
// Headless: fills every active stream's ring on the calling thread until it holds `frames` frames ahead.
void TopUpStreams(int frames);
// Producer step for one stream: honours a new epoch and decodes until the ring is full or `want` frames
// are ahead. Caller holds s.producer.
void FillStream(StreamState& s, uint64_t want);

StreamState* StreamAt(int index);
// Real-time only: hands the callback's final mix to the worker for the WAV file.
void WavRingDrain();

// FFTW plan and buffers, made at open.
bool SpectrumOpen();
void SpectrumClose();
// history: HistoryFrames interleaved stereo frames in time order; one side's 512 magnitudes.
void SpectrumOfHistory(const float* history, int side, float bins[SpectrumBins]);

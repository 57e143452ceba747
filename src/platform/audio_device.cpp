// The mixer: the sound table, 64 channels mixed in the output's callback, the null output and the WAV copy.
//
// Thread rule: the channel table belongs to whoever holds mixer.lock. The output (SDL's callback, the null
// output's thread, or AudioUpdate when headless) holds it while it mixes one block of at most 1024 frames;
// every control call holds it for a few loads and stores. Stream rings and the WAV ring are lock-free
// single-producer single-consumer queues between exactly two threads each.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/audio_local.h"

namespace {

constexpr int WavRingFrames = 1 << 18;  // 5.9 s of the final mix waiting for the worker to write it
constexpr uint64_t WavRingMask = WavRingFrames - 1;
constexpr int NullOutputPeriodMs = 10;
constexpr uint64_t NullCatchUpLimit =
    MixerSampleRate;  // frames; longer stalls (a suspended machine) are skipped
constexpr uint32_t GenerationMask = 0x00FFFFFF;
constexpr uint64_t PrimeFrames = 8192;

enum class Output { None, Device, NullThread, Headless };

struct Mixer {
    std::mutex lock;
    bool open = false;
    Output output = Output::None;
    bool sdlAudioStarted = false;
    SDL_AudioDeviceID device = 0;

    SoundEntry sounds[MaxSounds];
    Channel channels[MixerChannelCount];
    uint64_t playOrder = 0;  // counts plays, for stealing the oldest channel
    float groupGain[SoundGroupCount] = {1.0f, 1.0f};  // the player's volumes, 0..1
    std::unique_ptr<StreamState[]> streams;

    // Headless: frames of sound owed by AudioUpdate, in thousandths of a frame.
    uint64_t carryMilliFrames = 0;
    float block[MixBlockFrames * 2] = {};  // the mix of one block, used by the output that mixes

    // The final mix as a WAV file. Headless writes it directly; real time passes it through the ring.
    SNDFILE* wav = nullptr;
    std::unique_ptr<float[]> wavRing;
    std::atomic<uint64_t> wavWritten{0};  // frames pushed by the output
    std::atomic<uint64_t> wavDrained{0};  // frames written to the file by the worker
    std::atomic<uint64_t> wavDropped{0};  // frames lost because the ring was full
    std::mutex wavFileLock;               // the file itself, between the worker and AudioClose

    // Null output: a thread that mixes by the real clock as a sound card would.
    std::thread nullThread;
    std::atomic<bool> nullStop{false};
};

Mixer mixer;

ChannelHandle HandleOf(int index) {
    return (mixer.channels[index].generation << 8) | static_cast<uint32_t>(index);
}

// The channel a handle names, or null when the handle is stale. Caller holds the lock.
Channel* Resolve(ChannelHandle handle) {
    if (handle == 0 || !mixer.open) return nullptr;
    const uint32_t index = handle & 0xFF;
    if (index >= MixerChannelCount) return nullptr;
    Channel& c = mixer.channels[index];
    if (c.flags & AudioFreeSlot) return nullptr;
    if (c.generation != (handle >> 8)) return nullptr;
    return &c;
}

SoundEntry* SoundAt(int sound) {
    if (sound < 0 || sound >= MaxSounds) return nullptr;
    SoundEntry& s = mixer.sounds[sound];
    return (s.flags & AudioFreeSlot) ? nullptr : &s;
}

StreamState* StreamOf(const SoundEntry& s) {
    if (!s.stream || s.streamIndex < 0 || !mixer.streams) return nullptr;
    return &mixer.streams[s.streamIndex];
}

// Frees the channel; every handle to it goes stale. Caller holds the lock.
void Release(Channel& c) {
    if (c.flags & AudioFreeSlot) return;
    if (SoundEntry* s = SoundAt(c.sound)) {
        if (StreamState* st = StreamOf(*s)) st->active.store(false, std::memory_order_release);
    }
    c.flags = AudioFreeSlot;
    c.sound = -1;
    c.generation = ((c.generation + 1) & GenerationMask) == 0 ? 1 : (c.generation + 1) & GenerationMask;
}

// The end of a pass: loop, count down a repeat, or stop. Caller holds the lock.
bool PassEnded(Channel& c) {
    c.position = 0;
    if (c.mode == SoundLoopForever) return true;
    if (c.mode == SoundLoopCount && c.loopsLeft > 0) {
        --c.loopsLeft;
        return true;
    }
    Release(c);
    return false;
}

// The master soft clip. The mix passes unchanged up to the knee, which lies above the peaks of the music
// (about 0.5 of full scale) and of the splash jingle (0.84); above it the curve bends smoothly (its slope
// is 1 at the knee) towards a ceiling below full scale, so even many loud sounds at once never reach it.
constexpr float SoftClipKnee = 0.85f;
constexpr float SoftClipCeiling = 0.98f;

float SoftClip(float x) {
    const float magnitude = std::fabs(x);
    if (magnitude <= SoftClipKnee) return x;
    if (!(magnitude < 1e30f)) return std::isnan(x) ? 0.0f : std::copysign(SoftClipCeiling, x);
    const float room = SoftClipCeiling - SoftClipKnee;
    return std::copysign(SoftClipKnee + room * std::tanh((magnitude - SoftClipKnee) / room), x);
}

uint32_t NormalMode(uint32_t mode) {
    if (mode & 0x2) return SoundLoopForever;
    if (mode == SoundLoopCount) return SoundLoopCount;
    return SoundLoopOff;
}

// Adds `frames` frames of source (interleaved, `channels` wide) into out and into the channel's history.
// The player's group volume scales only what goes out: at 1 the output is exactly the channel's sound.
void MixRun(Channel& c, const float* source, int channels, int frames, float* out) {
    const float groupGain = mixer.groupGain[c.group < SoundGroupCount ? c.group : 0];
    // Linear balance: the centre plays fully on both sides; panning fades the far side to silence.
    const float gainLeft = c.volume * std::min(1.0f, 1.0f - c.pan);
    const float gainRight = c.volume * std::min(1.0f, 1.0f + c.pan);
    float* history = c.history;
    int pos = c.historyPos;
    const int right = channels > 1 ? 1 : 0;
    for (int i = 0; i < frames; ++i) {
        const float left = source[i * channels] * gainLeft;
        const float rightValue = source[i * channels + right] * gainRight;
        out[i * 2] += left * groupGain;
        out[i * 2 + 1] += rightValue * groupGain;
        history[pos * 2] = left;
        history[pos * 2 + 1] = rightValue;
        pos = (pos + 1) & (HistoryFrames - 1);
    }
    c.historyPos = pos;
}

void MixSample(Channel& c, const SoundEntry& s, int frames, float* out) {
    int done = 0;
    while (done < frames) {
        const uint64_t left = s.frames - c.position;
        const int take = static_cast<int>(std::min<uint64_t>(left, static_cast<uint64_t>(frames - done)));
        MixRun(c, s.data.data() + c.position * static_cast<uint64_t>(s.channels), s.channels, take,
               out + done * 2);
        c.position += static_cast<uint64_t>(take);
        done += take;
        if (c.position >= s.frames && !PassEnded(c)) return;
    }
}

void MixStream(Channel& c, const SoundEntry& s, StreamState& st, int frames, float* out) {
    const uint32_t served = st.servedEpoch.load(std::memory_order_acquire);
    if (served != st.requestEpoch.load(std::memory_order_relaxed)) return;  // not decoded yet: silence
    if (st.consumerEpoch != served) {
        st.readCount.store(st.epochStart.load(std::memory_order_relaxed), std::memory_order_release);
        st.consumerEpoch = served;
    }
    int done = 0;
    while (done < frames) {
        const uint64_t read = st.readCount.load(std::memory_order_relaxed);
        const uint64_t available = st.writeCount.load(std::memory_order_acquire) - read;
        if (available == 0) return;  // the worker fell behind: silence, and the position waits too
        const uint64_t at = read & (StreamRingFrames - 1);
        const uint64_t take = std::min<uint64_t>(
            {available, static_cast<uint64_t>(frames - done), StreamRingFrames - at, s.frames - c.position});
        MixRun(c, st.ring.get() + at * 2, 2, static_cast<int>(take), out + done * 2);
        st.readCount.store(read + take, std::memory_order_release);
        c.position += take;
        done += static_cast<int>(take);
        if (c.position >= s.frames && !PassEnded(c)) return;
    }
}

// Mixes every playing channel into out (frames <= MixBlockFrames). Caller holds the lock.
void MixLocked(float* out, int frames) {
    std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    for (Channel& c : mixer.channels) {
        if ((c.flags & AudioFreeSlot) || c.paused) continue;
        SoundEntry* s = SoundAt(c.sound);
        if (s == nullptr) {
            Release(c);
            continue;
        }
        if (StreamState* st = StreamOf(*s)) {
            MixStream(c, *s, *st, frames, out);
        } else {
            MixSample(c, *s, frames, out);
        }
    }
    for (int i = 0; i < frames * 2; ++i) out[i] = SoftClip(out[i]);
}

// Real time: hands a mixed block to the worker for the WAV file; drops it when the ring is full.
void WavRingPush(const float* block, int frames) {
    if (!mixer.wavRing) return;
    const uint64_t written = mixer.wavWritten.load(std::memory_order_relaxed);
    const uint64_t drained = mixer.wavDrained.load(std::memory_order_acquire);
    if (written - drained + static_cast<uint64_t>(frames) > WavRingFrames) {
        mixer.wavDropped.fetch_add(static_cast<uint64_t>(frames), std::memory_order_relaxed);
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const uint64_t at = (written + static_cast<uint64_t>(i)) & WavRingMask;
        mixer.wavRing[at * 2] = block[i * 2];
        mixer.wavRing[at * 2 + 1] = block[i * 2 + 1];
    }
    mixer.wavWritten.store(written + static_cast<uint64_t>(frames), std::memory_order_release);
}

// Mixes `frames` frames in blocks, as the real-time outputs do, into dest (or only for the WAV copy).
void MixRealTime(float* dest, int frames) {
    int done = 0;
    while (done < frames) {
        const int n = std::min(frames - done, MixBlockFrames);
        float* out = dest != nullptr ? dest + done * 2 : mixer.block;
        {
            std::lock_guard<std::mutex> hold(mixer.lock);
            MixLocked(out, n);
        }
        WavRingPush(out, n);
        done += n;
    }
}

void DeviceCallback(void*, Uint8* stream, int bytes) {
    MixRealTime(reinterpret_cast<float*>(stream), bytes / static_cast<int>(sizeof(float) * 2));
}

void NullOutputLoop() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    uint64_t mixed = 0;
    while (!mixer.nullStop.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(NullOutputPeriodMs));
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        const uint64_t due = static_cast<uint64_t>(elapsed.count()) * MixerSampleRate / 1000000;
        if (due - mixed > NullCatchUpLimit) mixed = due - NullCatchUpLimit;
        while (mixed < due) {
            const int n = static_cast<int>(std::min<uint64_t>(due - mixed, MixBlockFrames));
            MixRealTime(nullptr, n);
            mixed += static_cast<uint64_t>(n);
        }
    }
}

bool OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    mixer.sdlAudioStarted = true;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = MixerSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = DeviceCallback;
    SDL_AudioSpec have;
    // SDL converts to whatever the card wants; the callback always sees 44100 Hz stereo float.
    mixer.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    return mixer.device != 0;
}

bool OpenWav(const char* path) {
    if (path == nullptr || path[0] == 0) return true;
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = MixerSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    mixer.wav = sf_open(path, SFM_WRITE, &info);
    if (mixer.wav == nullptr) {
        std::fprintf(stderr, "audio: cannot write %s: %s\n", path, sf_strerror(nullptr));
        return true;  // the game plays on without its copy
    }
    sf_command(mixer.wav, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

void ResetTables() {
    for (SoundEntry& s : mixer.sounds) {
        s.flags = AudioFreeSlot;
        s.path[0] = 0;
        s.data = std::vector<float>();
        s.stream = false;
        s.streamIndex = -1;
    }
    for (Channel& c : mixer.channels) {
        c = Channel{};
    }
    mixer.playOrder = 0;
    mixer.carryMilliFrames = 0;
}

int FreeSoundSlot() {
    for (int i = 0; i < MaxSounds; ++i)
        if (mixer.sounds[i].flags & AudioFreeSlot) return i;
    return -1;
}

// The lowest free channel; when all 64 are busy, the oldest channel that plays a sample once (music,
// streams and loops are never taken). -1 when even that fails. Caller holds the lock.
int ChooseChannel() {
    int oldest = -1;
    for (int i = 0; i < MixerChannelCount; ++i) {
        Channel& c = mixer.channels[i];
        if (c.flags & AudioFreeSlot) return i;
        const SoundEntry* s = SoundAt(c.sound);
        if (c.mode != SoundLoopOff || (s != nullptr && s->stream)) continue;
        if (oldest < 0 || c.startOrder < mixer.channels[oldest].startOrder) oldest = i;
    }
    return oldest;
}

}  // namespace

StreamState* StreamAt(int index) {
    if (!mixer.streams || index < 0 || index >= MaxStreams) return nullptr;
    return &mixer.streams[index];
}

void WavRingDrain() {
    std::lock_guard<std::mutex> hold(mixer.wavFileLock);
    if (mixer.wav == nullptr || !mixer.wavRing) return;
    for (;;) {
        const uint64_t drained = mixer.wavDrained.load(std::memory_order_relaxed);
        const uint64_t written = mixer.wavWritten.load(std::memory_order_acquire);
        if (written == drained) return;
        const uint64_t at = drained & WavRingMask;
        const uint64_t n = std::min<uint64_t>(written - drained, WavRingFrames - at);
        sf_writef_float(mixer.wav, mixer.wavRing.get() + at * 2, static_cast<sf_count_t>(n));
        mixer.wavDrained.store(drained + n, std::memory_order_release);
    }
}

bool AudioOpen(bool headless, const char* wavOutPath) {
    if (mixer.open) AudioClose();
    ResetTables();
    if (!SpectrumOpen()) return false;
    mixer.streams = std::make_unique<StreamState[]>(MaxStreams);
    OpenWav(wavOutPath);
    mixer.wavWritten = 0;
    mixer.wavDrained = 0;
    mixer.wavDropped = 0;
    for (float& gain : mixer.groupGain) gain = 1.0f;  // every sound as loud as the game asks
    if (!headless && mixer.wav != nullptr) mixer.wavRing = std::make_unique<float[]>(WavRingFrames * 2);
    mixer.open = true;
    StartStreamWorker();
    if (headless) {
        mixer.output = Output::Headless;
    } else if (OpenDevice()) {
        mixer.output = Output::Device;
        SDL_PauseAudioDevice(mixer.device, 0);
    } else {
        // No sound card: time goes on in silence, so the music and everything timed by it behave the same.
        std::fprintf(stderr, "audio: no output device (%s); playing silently\n", SDL_GetError());
        mixer.output = Output::NullThread;
        mixer.nullStop = false;
        mixer.nullThread = std::thread(NullOutputLoop);
    }
    return true;
}

void AudioClose() {
    if (!mixer.open) return;
    if (mixer.device != 0) SDL_CloseAudioDevice(mixer.device);
    mixer.device = 0;
    if (mixer.nullThread.joinable()) {
        mixer.nullStop = true;
        mixer.nullThread.join();
    }
    if (mixer.sdlAudioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixer.sdlAudioStarted = false;
    StopStreamWorker();  // its last pass writes what the ring still holds
    {
        std::lock_guard<std::mutex> hold(mixer.wavFileLock);
        if (mixer.wav != nullptr) sf_close(mixer.wav);
        mixer.wav = nullptr;
        mixer.wavRing.reset();
    }
    if (mixer.wavDropped.load() != 0)
        std::fprintf(stderr, "audio: %llu frames missing from the audio copy\n",
                     static_cast<unsigned long long>(mixer.wavDropped.load()));
    for (int i = 0; i < MaxStreams; ++i) DecoderClose(mixer.streams[i].decoder);
    mixer.streams.reset();
    SpectrumClose();
    ResetTables();
    mixer.output = Output::None;
    mixer.open = false;
}

void AudioUpdate(uint64_t frameMs) {
    if (mixer.output != Output::Headless) return;
    // Exactly frameMs of sound; the fraction of a frame is carried to the next update.
    mixer.carryMilliFrames += frameMs * MixerSampleRate;
    uint64_t frames = mixer.carryMilliFrames / 1000;
    mixer.carryMilliFrames %= 1000;
    while (frames > 0) {
        const int n = static_cast<int>(std::min<uint64_t>(frames, MixBlockFrames));
        TopUpStreams(n);
        {
            std::lock_guard<std::mutex> hold(mixer.lock);
            MixLocked(mixer.block, n);
        }
        if (mixer.wav != nullptr) sf_writef_float(mixer.wav, mixer.block, n);
        frames -= static_cast<uint64_t>(n);
    }
}

void AudioMixForTest(float* out, int frames) {
    int done = 0;
    while (done < frames) {
        const int n = std::min(frames - done, MixBlockFrames);
        TopUpStreams(n);
        std::lock_guard<std::mutex> hold(mixer.lock);
        MixLocked(out + done * 2, n);
        done += n;
    }
}

int AudioLoadSample(const char* path, uint32_t mode) {
    if (!mixer.open || path == nullptr || std::strlen(path) >= SoundPathCapacity) return -1;
    const int slot = FreeSoundSlot();
    if (slot < 0) return -1;
    auto decoder = std::make_unique<Decoder>();
    if (!DecoderOpen(*decoder, path)) return -1;
    if (decoder->outFrames > MaxSampleFrames) {
        DecoderClose(*decoder);
        return -1;
    }
    const int channels = decoder->sourceChannels == 1 ? 1 : 2;
    std::vector<float> data(decoder->outFrames * static_cast<uint64_t>(channels));
    float piece[MixBlockFrames * 2];
    uint64_t at = 0;
    for (;;) {
        const int got = DecoderRead(*decoder, piece, MixBlockFrames);
        if (got == 0) break;
        for (int i = 0; i < got; ++i) {
            data[(at + i) * channels] = piece[i * 2];
            if (channels == 2) data[(at + i) * 2 + 1] = piece[i * 2 + 1];
        }
        at += static_cast<uint64_t>(got);
    }
    DecoderClose(*decoder);
    std::lock_guard<std::mutex> hold(mixer.lock);
    SoundEntry& s = mixer.sounds[slot];
    std::snprintf(s.path, sizeof s.path, "%s", path);
    s.mode = mode;
    s.stream = false;
    s.streamIndex = -1;
    s.channels = channels;
    s.frames = at;
    s.lengthMs =
        static_cast<uint32_t>(decoder->sourceFrames * 1000 / static_cast<uint64_t>(decoder->sourceRate));
    s.data = std::move(data);
    s.flags = 0;
    return slot;
}

int AudioLoadStream(const char* path, uint32_t mode) {
    if (!mixer.open || path == nullptr || std::strlen(path) >= SoundPathCapacity) return -1;
    const int slot = FreeSoundSlot();
    int streamIndex = -1;
    for (int i = 0; i < MaxStreams && streamIndex < 0; ++i)
        if (mixer.streams[i].decoder.file == nullptr) streamIndex = i;
    if (slot < 0 || streamIndex < 0) return -1;
    StreamState& st = mixer.streams[streamIndex];
    {
        std::lock_guard<std::mutex> producer(st.producer);
        if (!DecoderOpen(st.decoder, path)) return -1;
        if (!st.ring) st.ring = std::make_unique<float[]>(StreamRingFrames * 2);
        st.writeCount = 0;
        st.readCount = 0;
        st.epochStart = 0;
        st.requestEpoch = 0;
        st.servedEpoch = 0;
        st.consumerEpoch = 0;
        st.active = false;
    }
    std::lock_guard<std::mutex> hold(mixer.lock);
    SoundEntry& s = mixer.sounds[slot];
    std::snprintf(s.path, sizeof s.path, "%s", path);
    s.mode = mode;
    s.stream = true;
    s.streamIndex = streamIndex;
    s.channels = 2;
    s.frames = st.decoder.outFrames;
    s.lengthMs =
        static_cast<uint32_t>(st.decoder.sourceFrames * 1000 / static_cast<uint64_t>(st.decoder.sourceRate));
    s.flags = 0;
    return slot;
}

const char* AudioSoundPath(int sound) {
    const SoundEntry* s = SoundAt(sound);
    return s != nullptr ? s->path : "";
}

uint32_t AudioSoundLengthMs(int sound) {
    const SoundEntry* s = SoundAt(sound);
    return s != nullptr ? s->lengthMs : 0;
}

namespace {

// AudioPlay under the lock; `stream` receives the stream to prime, if any.
ChannelHandle PlayLocked(int sound, bool paused, ChannelHandle reuse, StreamState** stream) {
    SoundEntry* s = SoundAt(sound);
    if (s == nullptr) return 0;
    int index = -1;
    if (Channel* reused = Resolve(reuse)) {
        index = static_cast<int>(reused - mixer.channels);
        Release(*reused);
    }
    if (StreamState* st = StreamOf(*s)) {
        // A stream plays on one channel at a time: a new play takes it over from the start.
        for (Channel& c : mixer.channels)
            if (!(c.flags & AudioFreeSlot) && c.sound == sound) Release(c);
        st->requestEpoch.fetch_add(1, std::memory_order_release);
        st->active.store(true, std::memory_order_release);
    }
    if (index < 0) index = ChooseChannel();
    if (index < 0) return 0;
    Channel& c = mixer.channels[index];
    Release(c);
    c.flags = 0;
    c.sound = sound;
    c.paused = paused;
    c.volume = 1.0f;
    c.pan = 0.0f;
    c.group = SoundGroupEffects;
    c.mode = NormalMode(s->mode);
    c.loopsLeft = 0;
    c.position = 0;
    c.startOrder = ++mixer.playOrder;
    std::memset(c.history, 0, sizeof c.history);
    c.historyPos = 0;
    if (s->stream) {
        *stream = StreamOf(*s);
        (*stream)->active.store(true, std::memory_order_release);
    }
    return HandleOf(index);
}

}  // namespace

ChannelHandle AudioPlay(int sound, bool paused, ChannelHandle reuse) {
    StreamState* stream = nullptr;
    ChannelHandle channel = 0;
    {
        std::lock_guard<std::mutex> hold(mixer.lock);
        channel = PlayLocked(sound, paused, reuse, &stream);
    }
    if (stream != nullptr) {
        // The first fifth of a second is decoded at once, so a track never starts with a gap.
        std::lock_guard<std::mutex> producer(stream->producer);
        FillStream(*stream, PrimeFrames);
    }
    return channel;
}

bool ChannelIsPlaying(ChannelHandle channel) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    return Resolve(channel) != nullptr;
}

void ChannelStop(ChannelHandle channel) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) Release(*c);
}

void ChannelSetPaused(ChannelHandle channel, bool paused) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) c->paused = paused;
}

void ChannelSetVolume(ChannelHandle channel, float volume) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel))
        c->volume = std::isfinite(volume) ? std::clamp(volume, 0.0f, 1.0f) : 0.0f;
}

void ChannelSetPan(ChannelHandle channel, float pan) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) c->pan = std::isfinite(pan) ? std::clamp(pan, -1.0f, 1.0f) : 0.0f;
}

void ChannelSetLoopCount(ChannelHandle channel, int loops) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) c->loopsLeft = std::max(loops, 0);
}

void ChannelSetMode(ChannelHandle channel, uint32_t mode) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) c->mode = NormalMode(mode);
}

void ChannelSetGroup(ChannelHandle channel, SoundGroup group) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    if (Channel* c = Resolve(channel)) c->group = group < SoundGroupCount ? group : SoundGroupEffects;
}

void AudioSetGroupGain(SoundGroup group, float gain) {
    if (group >= SoundGroupCount) return;
    std::lock_guard<std::mutex> hold(mixer.lock);
    mixer.groupGain[group] = std::isfinite(gain) ? std::clamp(gain, 0.0f, 1.0f) : 0.0f;
}

float AudioGroupGain(SoundGroup group) {
    if (group >= SoundGroupCount) return 0.0f;
    std::lock_guard<std::mutex> hold(mixer.lock);
    return mixer.groupGain[group];
}

int ChannelSound(ChannelHandle channel) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    const Channel* c = Resolve(channel);
    return c != nullptr ? c->sound : -1;
}

uint32_t ChannelPositionMs(ChannelHandle channel) {
    std::lock_guard<std::mutex> hold(mixer.lock);
    const Channel* c = Resolve(channel);
    return c != nullptr ? static_cast<uint32_t>(c->position * 1000 / MixerSampleRate) : 0;
}

bool ChannelSpectrum(ChannelHandle channel, int side, float bins[SpectrumBins]) {
    static float history[HistoryFrames * 2];  // the history in time order; main thread only
    if (side < 0 || side > 1) return false;
    {
        std::lock_guard<std::mutex> hold(mixer.lock);
        const Channel* c = Resolve(channel);
        if (c == nullptr) return false;
        const int split = c->historyPos;
        std::memcpy(history, c->history + split * 2, sizeof(float) * 2 * (HistoryFrames - split));
        std::memcpy(history + (HistoryFrames - split) * 2, c->history, sizeof(float) * 2 * split);
    }
    SpectrumOfHistory(history, side, bins);
    return true;
}

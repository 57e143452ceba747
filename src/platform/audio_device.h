// Our mixer in place of the audio library: decoded samples, streamed tracks, 64 channels, spectrum.
//
// Sounds are ids into a table (-1 = none). Channels are handles: the slot index in the low byte and a
// generation above it, so a handle whose sound has ended goes stale: it reports "not playing" and
// ignores every call. Handle 0 is never a channel.
#pragma once
#include <cstdint>

constexpr int MixerChannelCount = 64;
constexpr int MixerSampleRate = 44100;
constexpr int SpectrumBins = 512;

// Sound modes: plays once, loops a given number of times, or loops forever.
constexpr uint32_t SoundLoopOff = 0x40;
constexpr uint32_t SoundLoopCount = 0x41;  // with ChannelSetLoopCount
constexpr uint32_t SoundLoopForever = 0x42;

using ChannelHandle = uint32_t;

// Starts the mixer with 64 channels; a silent null output takes the device's place when none opens (and
// always when headless, where AudioUpdate mixes exactly frameMs of sound each frame). wavOutPath, when not
// empty, receives the final mix as a 44100 Hz stereo WAV. False only when the mixer cannot start at all.
bool AudioOpen(bool headless, const char* wavOutPath);
void AudioClose();
// Once a frame.
void AudioUpdate(uint64_t frameMs);

// A sample is decoded whole at load; a stream is decoded ahead on a worker thread. -1 on failure.
int AudioLoadSample(const char* path, uint32_t mode);
int AudioLoadStream(const char* path, uint32_t mode);
// The path that opened the sound, or "" for an unknown id.
const char* AudioSoundPath(int sound);
uint32_t AudioSoundLengthMs(int sound);

// Plays sound on a free channel, or on the channel `reuse` when that handle is given (not 0). Returns the
// channel's handle, 0 when the sound is -1 or could not start.
ChannelHandle AudioPlay(int sound, bool paused, ChannelHandle reuse = 0);
bool ChannelIsPlaying(ChannelHandle channel);
void ChannelStop(ChannelHandle channel);
void ChannelSetPaused(ChannelHandle channel, bool paused);
void ChannelSetVolume(ChannelHandle channel, float volume);  // 0..1
void ChannelSetPan(ChannelHandle channel, float pan);        // -1 left .. +1 right
void ChannelSetLoopCount(ChannelHandle channel, int loops);  // SoundLoopCount: extra repeats
// Changes the loop mode of a playing channel (SoundLoopOff, SoundLoopCount, SoundLoopForever); a channel
// starts with the mode its sound was loaded with (0 counts as SoundLoopOff) and no extra repeats.
void ChannelSetMode(ChannelHandle channel, uint32_t mode);
// Volume groups: every channel belongs to one, and the player's volume of that group scales it on top of
// the channel's own volume. The spectrum is taken before that scaling, so it does not follow the player's
// volume. A channel starts among the effects.
enum SoundGroup : uint8_t { SoundGroupEffects = 0, SoundGroupMusic = 1, SoundGroupCount = 2 };
void ChannelSetGroup(ChannelHandle channel, SoundGroup group);
// 0..1 (1 at start: every sound exactly as loud as the game asks).
void AudioSetGroupGain(SoundGroup group, float gain);
float AudioGroupGain(SoundGroup group);
// The sound the channel plays, -1 when the handle is stale.
int ChannelSound(ChannelHandle channel);
uint32_t ChannelPositionMs(ChannelHandle channel);
// 512 magnitude bins of the channel's latest output for one side (0 left, 1 right), from a Hamming-windowed
// 1024-point FFT; a full-scale sine reads about 1 in its bin. False when stale. Main thread only.
bool ChannelSpectrum(ChannelHandle channel, int side, float bins[SpectrumBins]);

// Mixes `frames` frames of every playing channel into out (interleaved stereo float), as the output does.
// For the benchmark and tests; the output calls it itself.
void AudioMixForTest(float* out, int frames);

// The mixer. Silent until the mixer is in place: sounds fail to load, so every play does nothing.
#include "platform/audio_device.h"

bool AudioOpen(bool, const char*) { return true; }
void AudioClose() {}
void AudioUpdate(uint64_t) {}
int AudioLoadSample(const char*, uint32_t) { return -1; }
int AudioLoadStream(const char*, uint32_t) { return -1; }
const char* AudioSoundPath(int) { return ""; }
uint32_t AudioSoundLengthMs(int) { return 0; }
ChannelHandle AudioPlay(int, bool, ChannelHandle) { return 0; }
bool ChannelIsPlaying(ChannelHandle) { return false; }
void ChannelStop(ChannelHandle) {}
void ChannelSetPaused(ChannelHandle, bool) {}
void ChannelSetVolume(ChannelHandle, float) {}
void ChannelSetPan(ChannelHandle, float) {}
void ChannelSetLoopCount(ChannelHandle, int) {}
uint32_t ChannelPositionMs(ChannelHandle) { return 0; }
bool ChannelSpectrum(ChannelHandle, int, float*) { return false; }

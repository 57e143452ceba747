// The sound system as the shell drives it: the mixer, the sound set, the splash jingle, ambience and music.
#include "audio/audio_system.h"

#include "audio/music.h"
#include "audio/sound_set.h"
#include "guide/greetings.h"
#include "platform/clock.h"

namespace {

constexpr float AmbienceVolume = 0.13f;

struct AudioSystem {
    bool headless = false;
    uint64_t jingleStartMs = 0;  // clock when the splash jingle started
    bool jingleStarted = false;
};

AudioSystem audio;

}  // namespace

bool CreateAudioSystem(bool headless, const char* audioOutPath) {
    ResetSoundSet();
    audio = AudioSystem{};
    audio.headless = headless;
    return AudioOpen(headless, audioOutPath);
}

bool LoadMusicScore() {
    return LoadMusicScore("music/", "music.xml", holidayMusic);
}

void LoadSounds() {
    LoadSoundSet();
}

void StartSplashJingle() {
    LoadJingle();
    const int sound = soundSet.sounds[SoundJingle];
    NoteSoundPlayed(sound);
    // The jingle is music: the player's music volume applies from its first sample.
    soundSet.jingleChannel = AudioPlay(sound, true);
    ChannelSetGroup(soundSet.jingleChannel, SoundGroupMusic);
    ChannelSetPaused(soundSet.jingleChannel, false);
    audio.jingleStartMs = FrameNowMs();
    audio.jingleStarted = true;
}

void StopSplashJingle() {
    if (soundSet.jingleChannel != 0) ChannelStop(soundSet.jingleChannel);
}

void StartAmbienceAndMusic() {
    // The splash frames do not update the audio. A sound card plays the jingle meanwhile on its own; a
    // headless mix catches up here, so the recorded sound keeps in step with the game clock.
    if (audio.headless && audio.jingleStarted) AudioUpdate(FrameNowMs() - audio.jingleStartMs);
    audio.jingleStarted = false;
    PlayWithVolume(soundSet.sounds[SoundChime], AmbienceVolume);
    StartMusic();
}

void UpdateAudio(uint64_t frameMs) {
    AudioUpdate(frameMs);
    UpdateMusic();
}

void CloseAudioSystem() {
    AudioClose();
    ResetSoundSet();
}

// The volume keys change the player's preferences, the mixer follows, and a notice shows the new level.
#include "shell/volume_keys.h"

#include "audio/player_volume.h"
#include "input/input.h"
#include "platform/devices.h"
#include "render/volume_indicator.h"
#include "shell/pause.h"
#include "store/preferences.h"
#include "store/profile.h"

namespace {

constexpr int32_t NoticeMs = 1500;  // how long a change is shown
constexpr int32_t NoticeFadeMs = 300;  // the last part of it fades out

struct VolumeKeysState {
    VolumeNotice notice = VolumeNotice::None;
    int32_t noticeLeftMs = 0;
};

VolumeKeysState volumeKeys;

// A step key also ends a mute: the player wants to hear the change.
void Step(int& volume, int delta, VolumeNotice notice) {
    const int next = volume + delta;
    if (next >= 0 && next <= MaxVolumeStep) volume = next;
    preferences.muted = false;
    volumeKeys.notice = notice;
    volumeKeys.noticeLeftMs = NoticeMs;
}

}  // namespace

void VolumeKeysFrame(bool nameEntry) {
    const Preferences before = preferences;
    if (KeyPressed(KeyLeftBracket)) Step(preferences.musicVolume, -1, VolumeNotice::Music);
    if (KeyPressed(KeyRightBracket)) Step(preferences.musicVolume, +1, VolumeNotice::Music);
    if (KeyPressed(KeySemicolon)) Step(preferences.effectsVolume, -1, VolumeNotice::Effects);
    if (KeyPressed(KeyApostrophe)) Step(preferences.effectsVolume, +1, VolumeNotice::Effects);
    if (!nameEntry && KeyPressed(KeyM)) {
        preferences.muted = !preferences.muted;
        volumeKeys.notice = VolumeNotice::Mute;
        volumeKeys.noticeLeftMs = NoticeMs;
    }
    if (!(preferences == before)) ApplyVolumes();
}

void ApplyVolumes() {
    ApplyPlayerVolume(preferences.musicVolume, preferences.effectsVolume, preferences.muted, GamePaused());
}

void DrawVolumeNotice(uint64_t frameMs) {
    if (volumeKeys.noticeLeftMs <= 0) return;
    const int32_t left = volumeKeys.noticeLeftMs;
    const int alpha = left >= NoticeFadeMs ? 255 : left * 255 / NoticeFadeMs;
    const int step =
        volumeKeys.notice == VolumeNotice::Effects ? preferences.effectsVolume : preferences.musicVolume;
    DrawVolumeIndicator(volumeKeys.notice, step, preferences.muted, alpha, InterfaceLanguage);
    volumeKeys.noticeLeftMs -= frameMs > static_cast<uint64_t>(NoticeMs) ? NoticeMs : static_cast<int32_t>(frameMs);
}

// Pausing the game screen: the keys and the focus decide; the game time holds and the music turns down.
#include "shell/pause.h"

#include "input/input.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "shell/shell.h"
#include "shell/volume_keys.h"

PauseState pauseState;

namespace {

void SetPaused(bool paused) {
    if (paused == pauseState.paused) return;
    pauseState.paused = paused;
    if (paused) pauseState.pauses += 1;
    HoldGameTime(paused);
    ApplyVolumes();
}

}  // namespace

bool UpdatePause(bool pauseOnFocusLoss) {
    const bool focus = HasFocus();
    // Coming from another screen: only a focus lost from now on counts.
    if (pauseState.lastGameFrame != frameClock.frames) pauseState.hadFocus = focus;
    pauseState.lastGameFrame = frameClock.frames + 1;

    if (PausePressed()) {
        SetPaused(!pauseState.paused);
    } else if (!pauseState.paused && pauseOnFocusLoss && pauseState.hadFocus && !focus) {
        SetPaused(true);
    }
    pauseState.hadFocus = focus;
    return pauseState.paused;
}

bool GamePaused() { return pauseState.paused; }

void EndPause() { SetPaused(false); }

// Keeping preferences.xml in step with the game: one record of what the file holds and when it changed.
#include "shell/preferences_sync.h"

#include "shell/shell.h"
#include "store/paths.h"
#include "store/preferences.h"

namespace {

constexpr uint64_t SettleMs = 1000;  // ms without a further change before the file is written

struct PreferencesSync {
    char path[PathCapacity] = {};
    Preferences written;          // what the file holds (or the defaults it stands for)
    Preferences seen;             // the preferences of the previous frame
    bool windowRestored = false;  // from then on the display's state is the player's
    uint64_t changedAtMs = 0;     // frame clock of the latest change
    uint32_t saves = 0;
};

PreferencesSync sync;

void Write() {
    if (sync.path[0] != 0 && SavePreferences(sync.path, preferences)) sync.saves += 1;
    // A failed write is not retried every frame: the next change, or the end, tries again.
    sync.written = preferences;
}

}  // namespace

void StartPreferences() {
    if (!UserPath("preferences.xml", sync.path, sizeof sync.path)) sync.path[0] = 0;
    LoadPreferences(sync.path, preferences);
    sync.written = preferences;
    sync.seen = preferences;
}

void RestoreWindowPreferences() {
    if (preferences.desktopMode) EnterFullScreen();
    RestoreZoomStep(preferences.zoomStep);
    sync.windowRestored = true;
}

void KeepPreferences(uint64_t frameClockMs) {
    if (sync.windowRestored) {
        preferences.zoomStep = display.zoomStep;
        preferences.desktopMode = display.fullScreen;
    }
    if (!(preferences == sync.seen)) {
        sync.seen = preferences;
        sync.changedAtMs = frameClockMs;
    }
    if (!(preferences == sync.written) && frameClockMs - sync.changedAtMs >= SettleMs) Write();
}

void FlushPreferences() {
    if (!(preferences == sync.written)) Write();
}

uint32_t PreferencesSaves() { return sync.saves; }

// The program's entry: start-up order, critical errors, window, device and fonts, then the game.
#include "shell/game_main.h"

#include <unistd.h>

#include <clocale>
#include <cstdio>

#include "audio/audio_system.h"
#include "input/input.h"
#include "online/online_files.h"
#include "online/update.h"
#include "platform/clock.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "rules/tuning.h"
#include "shell/automation.h"
#include "shell/preferences_sync.h"
#include "shell/report.h"
#include "shell/shell.h"
#include "shell/variant.h"
#include "store/paths.h"
#include "store/profile.h"

const Variant* variant = nullptr;

void CriticalError(int code) {
    char text[64];
    std::snprintf(text, sizeof text, "CRITICAL ERROR (code: %02d).\n", code);
    ShowMessageBox("Sorry!", text);
}

int GameMain(int argc, char** argv, const Variant& chosen) {
    variant = &chosen;
    // Numbers in our files are written with a point whatever the player's locale says.
    std::setlocale(LC_NUMERIC, "C");
    if (!ParseOptions(automation, argc, argv)) return 2;
    if (!EnterGameFolders(automation.dir)) return 2;
    if (automation.fixedFrameMs != 0) SetFixedClock(true);
    // Critical errors before the window exists must not open a box that waits for a player.
    SetHeadlessMode(automation.headless);

    DeleteBackup();
    RemoveStaleTemporaryFiles();
    char profilePath[PathCapacity];
    if (!UserPath("version.xml", profilePath, sizeof profilePath) || !LoadProfile(profilePath)) {
        CriticalError(0);
        return 255;
    }
    StartPreferences();
    SetSettingsIndex(chosen.index);
    UserPath("setup.gendata.xml", tuningFiles.gendataPath, sizeof tuningFiles.gendataPath);
    if (!LoadBaseSettings()) {
        CriticalError(1);
        return 255;
    }
    LoadLevelSettings(0);

    PlatformOptions options;
    options.headless = automation.headless;
    options.title = InterfaceLanguage != 0 ? chosen.titleRussian : chosen.title;
    options.iconPath = "data/icon.png";
    if (!CreateMainWindow(options)) {
        WriteReport();
        return 0;
    }
    InitInput();
    if (!CreateGraphicsDevice()) return 255;
    CreateFonts(InterfaceLanguage);

    RunGame();
    FlushPreferences();
    AbandonUpdate();
    CloseAudioSystem();
    WriteReport();
    return 0;
}

// The start screen: logo, greetings, the tutorial prompt with its countdown, and leaving for the game.
#include <unistd.h>

#include <cstring>

#include "guide/greetings.h"
#include "input/input.h"
#include "online/update.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/messages.h"
#include "render/text.h"
#include "rules/game.h"
#include "shell/report.h"
#include "shell/shell.h"
#include "shell/variant.h"
#include "store/profile.h"

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t HoldForever = 0xFFFFF;  // ms; held until the screen moves the sequence on

// The ribbon under the logo that carries the game's name.
constexpr int RibbonLeft = 165, RibbonTop = 180, RibbonRight = 315, RibbonBottom = 204;

// The box of the start screen's messages, and the bar image behind it.
constexpr int BoxX = 127, BoxY = 240, BoxWidth = 227, BoxHeight = 22;

bool SpaceOrClickInBox() { return (Buttons() & ButtonAction) != 0 || (input.click && MouseIn(BoxX, BoxY, BoxWidth, BoxHeight)); }

// The update dialogue's own clocks, in ms of frames while its message is current.
struct UpdateDialogue {
    uint64_t dotTimer = 0;      // "Downloading" gains a dot every 768 ms, up to three
    uint64_t restartTimer = 0;  // the restart countdown; the game ends past 3700 ms
};

UpdateDialogue dialogue;

constexpr int ScanY = 0x15, ScanN = 0x31;

// Queues U0..U4 (only while an update is offered) and reports which of them is current.
struct DialogueShown {
    bool offer, question, downloading, result, restart, notice;
};

DialogueShown QueueUpdateDialogue() {
    DialogueShown shown{};
    if (!updateAvailable) return shown;
    bool russian = InterfaceLanguage == 1;
    shown.offer = AddMessage(50, 3000, MessageFont, 135, 235, 354, 257, White, "%s",
                             russian ? "Доступна новая версия игры!" : "New version of the game is available!");
    if (!SelfUpdateEnabled()) {
        // An installed game is updated by the system's package manager, not by itself.
        shown.notice = AddMessage(50, 4000, MessageFont, 135, 235, 354, 257, White,
                                  russian ? "Версия %s: обновите из пакетов" : "Version %s: update your package",
                                  OfferedVersion());
        return shown;
    }
    shown.question = AddMessage(50, HoldForever, MessageFont, 135, 235, 354, 257, White,
                                russian ? "Обновить до версии %s ? (Y/N)" : "Update to version %s ? (Y/N)",
                                OfferedVersion());
    int dots = static_cast<int>((dialogue.dotTimer / 768) % 4);
    // The Russian word begins with a Latin C, as the game has always shown it.
    shown.downloading = AddMessage(50, HoldForever, MessageFont, 135, 235, 354, 257, White, "%s%.*s",
                                   russian ? "Cкачиваем" : "Downloading", dots, "...");
    const char* result = UpdateSucceeded() ? (russian ? "Обновление прошло удачно!" : "Updated successfully!")
                                           : (russian ? "Обновление не удалось!" : "Update failed!");
    shown.result = AddMessage(50, 2000, MessageFont, 135, 235, 354, 257, White, "%s", result);
    int secondsLeft = static_cast<int>(3 - dialogue.restartTimer / 1000);
    shown.restart = AddMessage(50, HoldForever, MessageFont, 135, 235, 354, 257, White,
                               russian ? "Пожалуйста перезапустите игру! (%i)" : "Please restart the game! (%i)",
                               secondsLeft);
    return shown;
}

void UpdateDialogueReactions(const DialogueShown& shown) {
    if (shown.offer || shown.result || shown.notice) {
        if (SpaceOrClickInBox()) SkipMessages(1);
    } else if (shown.question) {
        if (KeyDown(ScanY)) {
            StartUpdateApply();
            SkipMessages(1);
        } else if (KeyDown(ScanN)) {
            SkipMessages(4);  // past downloading, result and restart, to the tutorial prompt
        }
    } else if (shown.downloading) {
        dialogue.dotTimer += frameClock.frameMs;
        if (UpdateApplyEnded()) SkipMessages(1);
    } else if (shown.restart) {
        if (!ProgramReplaced()) {
            SkipMessages(1);
            return;
        }
        dialogue.restartTimer += frameClock.frameMs;
        if (dialogue.restartTimer > 3700) {
            // The old program file is gone: the player must start the new one.
            WriteReport();
            _exit(0);
        }
    }
}

// The game's own name: the window title's word after the "@".
const char* GameName(int language) {
    if (variant == nullptr) return "";
    const char* title = language != 0 ? variant->titleRussian : variant->title;
    const char* at = std::strstr(title, "@ ");
    return at != nullptr ? at + 2 : title;
}

void LeaveStartScreen(int tutorialStep) {
    game.tutorialStep = tutorialStep;
    flow.leavingStartScreen = true;
    flow.leavingMs = 0;
    SetMessage(0);
    flow.fadeActive = true;
}

}  // namespace

void StartScreenFrame() {
    // The keyboard games hide the pointer again as soon as the start screen is left, as later games do.
    ShowSystemCursor(!flow.leavingStartScreen || variant == nullptr || !variant->hidesCursorInPlay);
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    DrawSprite(images.logo, 0, 0, ScreenWidth, ScreenHeight, true);
    // The logo is shared by the three games: the ribbon under it names this one.
    DrawTextCentred(BoldFont, RibbonLeft, RibbonTop, RibbonRight, RibbonBottom, White, "%s",
                    GameName(InterfaceLanguage));

    if (!flow.leavingStartScreen) {
        BeginMessages();
        QueueGreetings();
        DialogueShown update = QueueUpdateDialogue();
        const char* prompt = InterfaceLanguage == 1 ? "Пробел: пропустить обучение (%i)"
                                                    : "Press space to skip the tutorial (%i)";
        int secondsLeft = static_cast<int>(6 - flow.countdownMs / 1000);
        bool promptShown = AddMessage(50, 5000, MessageFont, 135, 240, 354, 262, White, prompt, secondsLeft);
        bool emptyShown = AddMessage(50, HoldForever, MessageFont, 135, 240, 354, 262, White, "%s", "");
        DrawMessages(frameClock.frameMs);
        if (flow.countdownMs >= 0) flow.countdownMs += static_cast<int64_t>(frameClock.frameMs);

        UpdateDialogueReactions(update);
        if (promptShown) {
            if (flow.countdownMs < 0) flow.countdownMs = 0;
            float bob = static_cast<float>((flow.countdownMs / 250) % 2);
            DrawRotatedSprite(images.pointer, 338.0f, 221.0f - bob, 1.57f, 13.5f, 27.0f, nullptr, nullptr, true);
            if (SpaceOrClickInBox()) LeaveStartScreen(-1);
        } else if (emptyShown) {
            // The prompt ran out: the tutorial begins by itself.
            LeaveStartScreen(1);
        }
        return;
    }

    // The fade normally ends the leaving at 500 ms; this is the safety net.
    flow.leavingMs += static_cast<uint32_t>(frameClock.frameMs);
    if (flow.leavingMs > 900) flow.leavingStartScreen = false;
}

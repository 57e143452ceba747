// The start screen: logo, greetings, the tutorial prompt with its countdown, and leaving for the game.
#include "guide/greetings.h"
#include "input/input.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/messages.h"
#include "rules/game.h"
#include "shell/shell.h"
#include "store/profile.h"

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t HoldForever = 0xFFFFF;  // ms; held until the screen moves the sequence on

// The box of the start screen's messages, and the bar image behind it.
constexpr int BoxX = 127, BoxY = 240, BoxWidth = 227, BoxHeight = 22;

bool SpaceOrClickInBox() { return (Buttons() & ButtonAction) != 0 || (input.click && MouseIn(BoxX, BoxY, BoxWidth, BoxHeight)); }

void LeaveStartScreen(int tutorialStep) {
    game.tutorialStep = tutorialStep;
    flow.leavingStartScreen = true;
    flow.leavingMs = 0;
    SetMessage(0);
    flow.fadeActive = true;
}

}  // namespace

void StartScreenFrame() {
    ShowSystemCursor(true);
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    DrawSprite(images.logo, 0, 0, ScreenWidth, ScreenHeight, true);

    if (!flow.leavingStartScreen) {
        BeginMessages();
        QueueGreetings();
        const char* prompt = InterfaceLanguage == 1 ? "Пробел: пропустить обучение (%i)"
                                                    : "Press space to skip the tutorial (%i)";
        int secondsLeft = static_cast<int>(6 - flow.countdownMs / 1000);
        bool promptShown = AddMessage(50, 5000, MessageFont, 135, 240, 354, 262, White, prompt, secondsLeft);
        bool emptyShown = AddMessage(50, HoldForever, MessageFont, 135, 240, 354, 262, White, "%s", "");
        DrawSprite(images.messageBar, BoxX, BoxY, BoxWidth, BoxHeight, true);
        DrawMessages(frameClock.frameMs);
        if (flow.countdownMs >= 0) flow.countdownMs += static_cast<int64_t>(frameClock.frameMs);

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

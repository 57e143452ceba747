// The main function of the game: initialisation, the loading frame, the splash and the main loop.
#include <cstdio>

#include "audio/audio_system.h"
#include "guide/donate.h"
#include "guide/greetings.h"
#include "input/input.h"
#include "online/update.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "physics/world.h"
#include "render/images.h"
#include "render/text.h"
#include "shell/automation.h"
#include "shell/pause.h"
#include "shell/preferences_sync.h"
#include "shell/report.h"
#include "shell/volume_keys.h"
#include "rules/game.h"
#include "shell/shell.h"
#include "shell/variant.h"
#include "store/profile.h"

FrameClock frameClock;
ScreenFlow flow;

namespace {

uint64_t frameWorkStartUs = 0;  // microseconds, start of the frame's work
// Zoom key presses seen by the frame's poll, acted on at the start of the next frame. Kept from that poll
// because the records screen polls a second time, after which no key shows a press edge.
bool zoomInPressed = false;
bool zoomOutPressed = false;
constexpr uint32_t White = 0xFFFFFFFF;
constexpr int SplashMs = 11150;

// Takes and dispatches one waiting message; false when it was the quit message.
bool DispatchOneMessage() {
    MessageType message = GetMessage();
    if (message == MessageType::Quit) {
        flow.quitReceived = true;
        return false;
    }
    MainWindowProc(message);
    return true;
}

void StartFrame() {
    frameClock.frameStart = FrameNowMs();
    frameWorkStartUs = NowMicroseconds();
    ResetSpriteQueues();
}

void DrawFullScreen(int texture) { DrawSprite(texture, 0, 0, ScreenWidth, ScreenHeight, true); }

// Draws the image over the whole picture with alpha 0..255.
void DrawFaded(int texture, int alpha) {
    SetModulation(1, 1);
    SetTextureFactor(static_cast<uint32_t>(alpha) << 24 | 0xFFFFFF);
    DrawFullScreen(texture);
    SetModulation(0, 1);
    SetTextureFactor(White);
}

// Ends the scene, saves due screenshots and presents; a lost device posts the quit message.
void PresentFrame() {
    EndScene();
    TakeDueShots(automation, frameClock.gameClockMs);
    if (!Present()) PostQuitMessage();
}

void LoadingFrame() {
    flow.screen = Screen::Loading;
    ClearScene(White);
    BeginScene();
    const char* text = InterfaceLanguage == 1 ? "Подождите секунду..." : "Please wait a sec...";
    DrawTextCentred(WaitFont, 0, 0, ScreenWidth, ScreenHeight, 0xFFA2A5AC, "%s", text);
    PresentFrame();
    MarkLoadingFramePresented();
}

void SplashLoop() {
    flow.screen = Screen::Splash;
    uint64_t splashMs = 0;
    bool jingleStopped = false;
    while (splashMs < SplashMs) {
        FeedScript(automation, frameClock.gameClockMs);
        if (PeekMessage()) DispatchOneMessage();
        if (flow.quitReceived && !jingleStopped) {
            StopSplashJingle();
            jingleStopped = true;
        }
        PollInput(frameClock.gameClockMs);
        StartFrame();
        ClearScene(White);
        BeginScene();
        int alpha = 255;
        if (splashMs < 1950) {
            alpha = static_cast<int>(static_cast<float>(splashMs) / 1950.0f * 255.0f);
        } else if (splashMs > 7650) {
            alpha = static_cast<int>(255.0f - static_cast<float>(splashMs - 7650) / 2700.0f * 255.0f);
            if (alpha < 0) alpha = 0;
        }
        DrawFaded(images.splash, alpha);
        PresentFrame();
        FinishFrameTiming(frameClock);
        splashMs += frameClock.frameMs;
    }
}

// The warning appears after more than a second of accumulated slow frames.
void LowFrameRateWarning() {
    if (frameClock.frameRate >= 50.0f) {
        frameClock.lowRateMs = 0;
        return;
    }
    frameClock.lowRateMs += static_cast<uint32_t>(frameClock.frameMs);
    if (frameClock.lowRateMs > 1000) {
        DrawFontText(WarningFont, "WARNING: LOW FRAMERATE!", -1, 0, 0, 1024, 768, White, 0);
    }
}

// The screen-change fade: the start screen is covered by the background, then the game appears.
void ScreenChangeFade() {
    if (!flow.fadeActive) return;
    if (flow.fadeMs < 500) {
        DrawFaded(images.background, static_cast<int>(static_cast<float>(flow.fadeMs) / 500.0f * 255.0f));
    } else if (flow.fadeMs < 1000) {
        flow.leavingStartScreen = false;
        DrawFaded(images.background,
                  255 - static_cast<int>(static_cast<float>(flow.fadeMs - 500) / 500.0f * 255.0f));
    } else {
        flow.fadeActive = false;
    }
    SetModulation(0, 1);
    flow.fadeMs += static_cast<int32_t>(frameClock.frameMs);
}

void RenderFrame() {
    // Escape leaves full screen, or quits in a window.
    uint8_t liveKeys[256];
    ReadKeyTable(liveKeys);
    bool escapeDown = (liveKeys[KeyEscape] & 0x80) != 0;
    if (escapeDown && !flow.escapeWasDown) {
        if (display.fullScreen) {
            LeaveFullScreen();
        } else {
            PostQuitMessage();
            flow.quitByEscape = true;
        }
    }
    flow.escapeWasDown = escapeDown;
    // Zoom keys, from the previous frame's poll.
    if (zoomInPressed) ZoomIn();
    if (zoomOutPressed) ZoomOut();

    StartFrame();
    ClearScene(White);
    BeginScene();
    PollInput(frameClock.gameClockMs);
    zoomInPressed = KeyPressed(KeyEquals) || KeyPressed(KeyPadPlus);
    zoomOutPressed = KeyPressed(KeyMinus) || KeyPressed(KeyPadMinus);
    VolumeKeysFrame(flow.screen == Screen::Records);
    int cursorX = 0, cursorY = 0;
    CursorInPicture(&cursorX, &cursorY);
    input.mouseX = cursorX;
    input.mouseY = cursorY;

    if (game.tutorialStep == 0 || flow.leavingStartScreen) {
        flow.screen = Screen::Start;
        StartScreenFrame();
    } else if (flow.recordsScreen) {
        flow.screen = Screen::Records;
        RecordsScreenFrame();
    } else {
        flow.screen = Screen::Game;
        GameScreenFrame();
    }
    UpdateAudio(frameClock.frameMs);
    SetScissor(false);
    LowFrameRateWarning();
    ScreenChangeFade();
    DrawVolumeNotice(frameClock.frameMs);
    PresentFrame();
    FinishFrameTiming(frameClock);
    KeepPreferences(frameClock.gameClockMs);
    if (frameClock.gameClockMs > SplashMs + 1000) MarkFrameAllocationStart();
}

}  // namespace

void FinishFrameTiming(FrameClock& clock) {
    RecordFrameWork(NowMicroseconds() - frameWorkStartUs);
    if (IsFixedClock()) AdvanceClock(automation.fixedFrameMs);
    clock.frameMs = FrameNowMs() - clock.frameStart;
    clock.frameRate = 1.0f / (static_cast<float>(clock.frameMs) / 1000.0f);
    float remaining = 0.015384615f - static_cast<float>(clock.frameMs) / 1000.0f;
    if (remaining > 0.0f) SleepMs(static_cast<uint32_t>(1000.0f * remaining));
    clock.frameMs = FrameNowMs() - clock.frameStart;
    clock.gameClockMs += clock.frameMs;
    clock.frameRate = 1.0f / (static_cast<float>(clock.frameMs) / 1000.0f);
    clock.frames += 1;
}

void RunGame() {
    LoadingFrame();
    StartUpdateCheck();
    if (!CreateAudioSystem(automation.headless, automation.audioOutPath)) return;
    ApplyVolumes();
    DecideHolidayMusic();
    if (!LoadMusicScore()) {
        CriticalError(3);
        return;
    }
    LoadSounds();
    SetInitialGameValues(game);
    ResetWorld(world);
    if (variant->installRules != nullptr) variant->installRules(world);
    LoadLogoImage();
    LoadGameImages();
    StartSplashJingle();
    images.splash = LoadTexture("data/brisvelt2.png");

    SplashLoop();

    const uint64_t waitStartUs = NowMicroseconds();
    if (!WaitForUpdateCheck(5000)) updateAvailable = false;
    RecordStall(NowMicroseconds() - waitStartUs);
    ResetInput();
    StartAmbienceAndMusic();
    SetCursorShape(CursorShape::Arrow);
    if (variant->hidesCursorInPlay) ShowSystemCursor(false);
    if (flow.quitReceived) return;
    RestoreWindowPreferences();

    flow.screen = Screen::Start;
    for (;;) {
        FeedScript(automation, frameClock.gameClockMs);
        if (PeekMessage()) {
            if (!DispatchOneMessage()) break;
            continue;
        }
        RenderFrame();
        if (flow.criticalError >= 0) {
            CriticalError(flow.criticalError);
            return;
        }
    }
    EndPause();
    // Leaving with Escape after having played ends with the donate screen; a closed window ends at once.
    if (flow.quitByEscape && game.tutorialStep != 0) RunDonateScreen();
}

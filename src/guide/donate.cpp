// The donate screen, shown when the player leaves with Escape after playing: a picture fading in, a song,
// and a button area that opens the donation page in the browser.
#include "guide/donate.h"

#include <cstdio>
#include <string_view>

#include "audio/music.h"
#include "input/input.h"
#include "online/service.h"
#include "online/statistics.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "shell/automation.h"
#include "shell/shell.h"
#include "store/profile.h"

#ifndef PELORINA_WEB_HOST
#define PELORINA_WEB_HOST ""
#endif

namespace {

// Stream mode of the song: looping, decoded as it plays.
constexpr uint32_t LoopingStreamMode = 0x42;
constexpr int AddressBytes = 512;

}  // namespace

DonateChoice ChooseDonateScreen(int launches, int language) {
    const bool russian = language == 1;
    if (launches % 2 != 0) {
        return {russian ? "data/donate-screen-with-sorvik_ru.png" : "data/donate-screen-with-sorvik.png",
                "music/Heaven and Hell.mp3", "data/donate-plain-sorvik.png"};
    }
    return {russian ? "data/donate-screen-with-mirdelo_ru.png" : "data/donate-screen-with-mirdelo.png",
            "music/I dont live today.mp3", "data/donate-plain-mirdelo.png"};
}

void DonatePageAddress(const char* webHost, char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (webHost == nullptr || webHost[0] == '\0') return;
    // A host given without a scheme is a web server name.
    const std::string_view host(webHost);
    const bool hasScheme = host.starts_with("http://") || host.starts_with("https://");
    std::snprintf(out, size, "%s%s/donate.html", hasScheme ? "" : "http://", webHost);
}

void ChosenDonatePage(char* out, size_t size) {
    DonatePageAddress(PELORINA_WEB_HOST, out, size);
    if (size == 0 || out[0] != '\0') return;
    ServiceAddress service;
    if (ConfiguredService(service)) DonatePageAddress(service.host, out, size);
}

void RunDonateScreen() {
    flow.screen = Screen::Donate;
    StopMusic();
    // The program starts of this month, as the online statistics counted them (0 when they could not).
    const DonateChoice choice = ChooseDonateScreen(launchesThisMonth, InterfaceLanguage);
    const int song = AudioLoadStream(choice.song, LoopingStreamMode);
    const ChannelHandle songChannel = AudioPlay(song, true);
    ChannelSetGroup(songChannel, SoundGroupMusic);
    ChannelSetPaused(songChannel, false);
    const int picture = LoadTexture(choice.picture);
    char address[AddressBytes];
    ChosenDonatePage(address, sizeof address);
    // Without a page to open, the plea and its button are covered: the card only says thank you.
    const int plainMiddle = address[0] == '\0' ? LoadTexture(choice.plainMiddle) : -1;

    // An Escape still held from leaving the game must not close the screen at once.
    bool escapeWasDown = true;
    uint64_t elapsedMs = 0;
    ShowSystemCursor(true);
    for (;;) {
        FeedScript(automation, frameClock.gameClockMs);
        if (PeekMessage()) {
            const MessageType message = GetMessage();
            if (message == MessageType::Quit) break;
            MainWindowProc(message);
            continue;
        }
        frameClock.frameStart = FrameNowMs();
        ResetSpriteQueues();
        PollInput(frameClock.gameClockMs);
        int cursorX = 0, cursorY = 0;
        CursorInPicture(&cursorX, &cursorY);
        input.mouseX = cursorX;
        input.mouseY = cursorY;
        const bool active = HasFocus();

        uint8_t keys[256];
        ReadKeyTable(keys);
        const bool escapeDown = (keys[KeyEscape] & 0x80) != 0;
        if (escapeDown && !escapeWasDown) break;
        escapeWasDown = escapeDown;

        if (active && address[0] != '\0' &&
            MouseIn(DonateLinkX, DonateLinkY, DonateLinkWidth, DonateLinkHeight)) {
            SetCursorShape(CursorShape::Hand);
            if (input.click) OpenWebPage(address);
        } else if (active) {
            SetCursorShape(CursorShape::Arrow);
        }

        ClearScene(0xFF000000);
        BeginScene();
        const int alpha = elapsedMs >= DonateFadeMs ? 255 : static_cast<int>(255 * elapsedMs / DonateFadeMs);
        SetModulation(1, 1);
        SetTextureFactor(static_cast<uint32_t>(alpha) << 24 | 0xFFFFFF);
        if (picture >= 0) DrawSprite(picture, 0, 0, ScreenWidth, ScreenHeight, true);
        if (picture >= 0 && plainMiddle >= 0)
            DrawSprite(plainMiddle, DonatePlainX, DonatePlainY, DonatePlainWidth, DonatePlainHeight, true);
        SetModulation(0, 1);
        SetTextureFactor(0xFFFFFFFF);
        EndScene();
        TakeDueShots(automation, frameClock.gameClockMs);
        if (!Present()) PostQuitMessage();
        // The mixer only: the playlist stays stopped while the song plays.
        AudioUpdate(frameClock.frameMs);
        FinishFrameTiming(frameClock);
        elapsedMs += frameClock.frameMs;
    }
}

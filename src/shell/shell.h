// The shell: display modes and zoom, the frame clock, and the screen flow between start, game and records.
#pragma once
#include <cstdint>

#include "platform/window.h"

struct Variant;

// Display modes and the zoom steps of the picture.
struct DisplayState {
    bool fullScreen = false;  // borderless window covering the desktop
    int zoomStep = -1;        // -1: table not computed, picture at its default size
    int zoomWidths[4] = {};   // picture sizes of zoom steps 0..3, pixels
    int zoomHeights[4] = {};
};

// The frame clock: the time step of all game logic is the measured length of the previous frame.
struct FrameClock {
    uint64_t frameMs = 0;      // ms, the previous frame including its sleep
    float frameRate = 0.0f;    // frames a second
    uint64_t gameClockMs = 0;  // ms, sum of all frames
    uint32_t lowRateMs = 0;    // ms accumulated in frames slower than 50 a second
    uint64_t frameStart = 0;   // ms, clock at the start of the frame's work
    uint64_t frames = 0;       // frames drawn
};

enum class Screen : uint8_t { Loading, Splash, Start, Game, Records, Donate };

// The flow between the screens.
struct ScreenFlow {
    bool leavingStartScreen = false;
    uint32_t leavingMs = 0;  // ms since the start screen began to be left
    bool fadeActive = false;
    int32_t fadeMs = 0;      // ms; never reset, so the fade runs once a run
    int64_t countdownMs = -1;  // ms on the tutorial prompt; -1 until it first shows
    bool gameOverSeen = false;
    uint64_t gameOverAtMs = 0;
    const char* gameOverBanner = "";  // the banner over the game-over cover in this frame, "" when none
    bool recordsScreen = false;
    bool enteringRecords = false;
    bool escapeWasDown = false;
    bool quitReceived = false;  // the quit message was taken
    bool quitByEscape = false;  // the player posted it with Escape (not a closed window or a lost device)
    int criticalError = -1;     // a critical error (02, 03) that ends the game at the end of this frame
    Screen screen = Screen::Loading;
};

extern DisplayState display;
extern FrameClock frameClock;
extern ScreenFlow flow;
extern const Variant* variant;

// Display modes.
void ComputeZoomTable(DisplayState& d, int desktopWidth);
void ZoomIn();
void ZoomOut();
// Puts the picture at a zoom step (0..3) as ZoomIn and ZoomOut would have; -1 leaves it as it is.
void RestoreZoomStep(int step);
void SetPictureSize(int width, int height);
void LeaveFullScreen();
void EnterFullScreen();
// Reacts to one window message; returns false for the quit message.
bool MainWindowProc(MessageType message);

// Shows the "Sorry!" box for critical error 00..03.
void CriticalError(int code);

// Frame timing: the frame sleeps away what is left of 1/65 s; frameMs becomes the whole frame.
void FinishFrameTiming(FrameClock& clock);

// The main function: initialisation, splash, main loop. Returns when the loop ends.
void RunGame();
// The screens' frames.
void StartScreenFrame();
void GameScreenFrame();
void RecordsScreenFrame();
// A new game after the records screen: world and level logic reset, play without the tutorial.
// False when the level settings cannot be read (critical error 02 has then been shown).
bool StartNewGameFromRecords();

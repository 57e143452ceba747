// Game input read once per frame: game buttons, keys with press edges and repeat, mouse, clicks, typing.
#pragma once
#include <cstdint>

// Game buttons.
constexpr uint32_t ButtonUp = 0x0010;
constexpr uint32_t ButtonRight = 0x0020;
constexpr uint32_t ButtonDown = 0x0040;
constexpr uint32_t ButtonLeft = 0x0080;
constexpr uint32_t ButtonCtrl = 0x0100;
constexpr uint32_t ButtonAlt = 0x0200;
constexpr uint32_t ButtonAction = 0x4000;  // space bar
constexpr uint32_t ButtonEnter = 0x8000;

struct InputState {
    uint32_t buttons = 0;            // game buttons down in this poll
    uint8_t keys[256] = {};          // key table of this poll by scan code; bit 7 = down
    uint8_t previousKeys[256] = {};  // keys of the previous poll
    int32_t repeatCounts[256] = {};  // per-key counters of TakeTypedKey
    int32_t mouseDeltaX = 0, mouseDeltaY = 0, mouseDeltaZ = 0;
    uint8_t mouseButtons[4] = {};    // bit 7 = down
    int32_t mouseX = 0, mouseY = 0;  // logical pixels
    bool click = false;              // the left button was released in this poll
    bool doubleClick = false;        // ... less than 250 ms after the previous release
    bool clickArmed = false;
    uint32_t lastClickMs = 0;        // gameClockMs of the last click
    bool padStart = false;           // the controller's Start button is down in this poll
    bool previousPadStart = false;   // ... in the previous poll
    bool hasKeyboard = true;         // the keyboard device exists
    bool hasMouse = true;
};

extern InputState input;

bool InitInput();
void ResetInput();
// Reads all devices; gameClockMs times the double click.
void PollInput(uint64_t gameClockMs);
uint32_t Buttons();
bool KeyDown(int scanCode);
bool KeyPressed(int scanCode);
// Scan code of the first key pressed in this poll or held long enough to repeat; -1 when none.
int TakeTypedKey();
// The character the key gives under the keyboard layout and Shift; 0 when none.
char TypedCharacter(int scanCode);
// P, the Pause key or a controller's Start was pressed in this poll: the keys that pause and resume.
bool PausePressed();
// x < mouseX < x + w and y < mouseY < y + h.
bool MouseIn(int x, int y, int w, int h);

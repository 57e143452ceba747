// Game input read once per frame: game buttons, keys with press edges and repeat, mouse, clicks, typing.
#include "input/input.h"

#include <cctype>
#include <cstring>

#include "platform/devices.h"

InputState input;

namespace {

// Each game button and the keys that set it (0 = no further key).
struct ButtonKeys {
    uint32_t bit;
    int keys[4];
};

const ButtonKeys buttonKeys[] = {
    {ButtonUp, {KeyArrowUp, KeyPad8, 0, 0}},
    {ButtonRight, {KeyArrowRight, KeyPad6, 0, 0}},
    {ButtonDown, {KeyArrowDown, KeyPad2, 0, 0}},
    {ButtonLeft, {KeyArrowLeft, KeyPad4, 0, 0}},
    {ButtonCtrl, {KeyLeftCtrl, KeyRightCtrl, KeyPad7, 0}},
    {ButtonAlt, {KeyLeftAlt, KeyRightAlt, KeyPad9, 0}},
    {ButtonAction, {KeySpace, KeyPadPlus, KeyInsert, 0}},
    {ButtonEnter, {KeyEnter, KeyPadEnter, 0, 0}},
};

bool IsDown(uint8_t state) { return (state & 0x80) != 0; }

}  // namespace

bool InitInput() {
    input.mouseX = input.mouseY = 0;
    input.mouseDeltaX = input.mouseDeltaY = input.mouseDeltaZ = 0;
    input.click = input.doubleClick = false;
    return input.hasKeyboard && input.hasMouse;
}

void ResetInput() {
    input.buttons = 0;
    std::memset(input.keys, 0, sizeof input.keys);
    std::memset(input.previousKeys, 0, sizeof input.previousKeys);
}

void PollInput(uint64_t gameClockMs) {
    input.buttons = 0;
    bool focused = HasFocus();

    // Buttons come from the live key table, so they read as up while another window has the focus.
    uint8_t live[256];
    ReadKeyTable(live);
    if (focused) {
        for (const ButtonKeys& row : buttonKeys) {
            for (int key : row.keys) {
                if (key != 0 && IsDown(live[key])) input.buttons |= row.bit;
            }
        }
    }

    // The controller counts whether focused or not.
    ControllerState pad;
    input.previousPadStart = input.padStart;
    input.padStart = false;
    if (ReadController(&pad)) {
        input.padStart = pad.buttons[7] != 0;
        if (pad.axisY < 0) input.buttons |= ButtonUp;
        if (pad.axisX > 0) input.buttons |= ButtonRight;
        if (pad.axisY > 0) input.buttons |= ButtonDown;
        if (pad.axisX < 0) input.buttons |= ButtonLeft;
        if (pad.buttons[4] != 0) input.buttons |= ButtonCtrl;
        if (pad.buttons[5] != 0) input.buttons |= ButtonAlt;
        if (pad.buttons[1] != 0) input.buttons |= ButtonAction;
        if (pad.buttons[0] != 0) input.buttons |= ButtonEnter;
    }

    std::memcpy(input.previousKeys, input.keys, sizeof input.keys);
    if (!focused) {
        std::memset(input.keys, 0, sizeof input.keys);
    } else if (input.hasKeyboard) {
        std::memcpy(input.keys, live, sizeof input.keys);
    }

    if (!input.hasMouse) return;
    ReadMouseButtons(input.mouseButtons);
    // Clicks happen on release: reported once, in the first poll that sees the button up after it was down.
    input.click = false;
    if (IsDown(input.mouseButtons[0])) {
        input.clickArmed = false;
    } else if (!input.clickArmed) {
        input.click = true;
        input.clickArmed = true;
    }
    input.doubleClick = false;
    if (input.click) {
        uint64_t last = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(input.lastClickMs)));
        input.doubleClick = gameClockMs - last < 250;
        input.lastClickMs = static_cast<uint32_t>(gameClockMs);
    }
}

uint32_t Buttons() { return input.buttons; }

bool KeyDown(int scanCode) {
    if (!input.hasKeyboard || scanCode < 0 || scanCode > 255) return false;
    return IsDown(input.keys[scanCode]);
}

bool KeyPressed(int scanCode) {
    if (!input.hasKeyboard || scanCode < 0 || scanCode > 255) return false;
    return IsDown(input.keys[scanCode]) && !IsDown(input.previousKeys[scanCode]);
}

int TakeTypedKey() {
    if (!input.hasKeyboard) return -1;
    for (int k = 0; k < 256; ++k) {
        if (IsDown(input.keys[k])) {
            if (!IsDown(input.previousKeys[k])) {
                input.repeatCounts[k] = 0;
                return k;
            }
            input.repeatCounts[k] += 1;
            if (input.repeatCounts[k] > 24) {
                input.repeatCounts[k] = 0;
                return k;
            }
        } else {
            input.repeatCounts[k] += 1;
        }
    }
    return -1;
}

char TypedCharacter(int scanCode) {
    if (scanCode < 0 || scanCode > 255) return 0;
    return KeyCharacter(scanCode);
}

bool PausePressed() {
    return KeyPressed(KeyP) || KeyPressed(KeyPause) || (input.padStart && !input.previousPadStart);
}

bool MouseIn(int x, int y, int w, int h) {
    return x < input.mouseX && input.mouseX < x + w && y < input.mouseY && input.mouseY < y + h;
}

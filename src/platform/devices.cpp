// Raw device state kept from window events: the key table by DirectInput scan code, mouse buttons, focus,
// key characters and the key names of input scripts. The game controller has its own file.
#include "platform/devices.h"

#include <cctype>
#include <cstring>

#include "platform/platform_local.h"
#include "platform/window.h"

namespace {

// One key the game knows: its DirectInput scan code, the SDL scancode of the same physical key, and the
// character it gives on a US layout without and with Shift (0 = none). The US characters stand in when
// SDL has no keyboard layout (headless) and for the shifted characters, which SDL does not report.
struct KeyInfo {
    uint8_t scan;
    SDL_Scancode sdl;
    char plain;
    char shifted;
};

constexpr KeyInfo keyInfos[] = {
    {0x01, SDL_SCANCODE_ESCAPE, 0, 0},
    {0x02, SDL_SCANCODE_1, '1', '!'},
    {0x03, SDL_SCANCODE_2, '2', '@'},
    {0x04, SDL_SCANCODE_3, '3', '#'},
    {0x05, SDL_SCANCODE_4, '4', '$'},
    {0x06, SDL_SCANCODE_5, '5', '%'},
    {0x07, SDL_SCANCODE_6, '6', '^'},
    {0x08, SDL_SCANCODE_7, '7', '&'},
    {0x09, SDL_SCANCODE_8, '8', '*'},
    {0x0A, SDL_SCANCODE_9, '9', '('},
    {0x0B, SDL_SCANCODE_0, '0', ')'},
    {0x0C, SDL_SCANCODE_MINUS, '-', '_'},
    {0x0D, SDL_SCANCODE_EQUALS, '=', '+'},
    {0x0E, SDL_SCANCODE_BACKSPACE, 0, 0},
    {0x0F, SDL_SCANCODE_TAB, 0, 0},
    {0x10, SDL_SCANCODE_Q, 'q', 'Q'},
    {0x11, SDL_SCANCODE_W, 'w', 'W'},
    {0x12, SDL_SCANCODE_E, 'e', 'E'},
    {0x13, SDL_SCANCODE_R, 'r', 'R'},
    {0x14, SDL_SCANCODE_T, 't', 'T'},
    {0x15, SDL_SCANCODE_Y, 'y', 'Y'},
    {0x16, SDL_SCANCODE_U, 'u', 'U'},
    {0x17, SDL_SCANCODE_I, 'i', 'I'},
    {0x18, SDL_SCANCODE_O, 'o', 'O'},
    {0x19, SDL_SCANCODE_P, 'p', 'P'},
    {0x1A, SDL_SCANCODE_LEFTBRACKET, '[', '{'},
    {0x1B, SDL_SCANCODE_RIGHTBRACKET, ']', '}'},
    {0x1C, SDL_SCANCODE_RETURN, 0, 0},
    {0x1D, SDL_SCANCODE_LCTRL, 0, 0},
    {0x1E, SDL_SCANCODE_A, 'a', 'A'},
    {0x1F, SDL_SCANCODE_S, 's', 'S'},
    {0x20, SDL_SCANCODE_D, 'd', 'D'},
    {0x21, SDL_SCANCODE_F, 'f', 'F'},
    {0x22, SDL_SCANCODE_G, 'g', 'G'},
    {0x23, SDL_SCANCODE_H, 'h', 'H'},
    {0x24, SDL_SCANCODE_J, 'j', 'J'},
    {0x25, SDL_SCANCODE_K, 'k', 'K'},
    {0x26, SDL_SCANCODE_L, 'l', 'L'},
    {0x27, SDL_SCANCODE_SEMICOLON, ';', ':'},
    {0x28, SDL_SCANCODE_APOSTROPHE, '\'', '"'},
    {0x29, SDL_SCANCODE_GRAVE, '`', '~'},
    {0x2A, SDL_SCANCODE_LSHIFT, 0, 0},
    {0x2B, SDL_SCANCODE_BACKSLASH, '\\', '|'},
    {0x2C, SDL_SCANCODE_Z, 'z', 'Z'},
    {0x2D, SDL_SCANCODE_X, 'x', 'X'},
    {0x2E, SDL_SCANCODE_C, 'c', 'C'},
    {0x2F, SDL_SCANCODE_V, 'v', 'V'},
    {0x30, SDL_SCANCODE_B, 'b', 'B'},
    {0x31, SDL_SCANCODE_N, 'n', 'N'},
    {0x32, SDL_SCANCODE_M, 'm', 'M'},
    {0x33, SDL_SCANCODE_COMMA, ',', '<'},
    {0x34, SDL_SCANCODE_PERIOD, '.', '>'},
    {0x35, SDL_SCANCODE_SLASH, '/', '?'},
    {0x36, SDL_SCANCODE_RSHIFT, 0, 0},
    {0x37, SDL_SCANCODE_KP_MULTIPLY, '*', '*'},
    {0x38, SDL_SCANCODE_LALT, 0, 0},
    {0x39, SDL_SCANCODE_SPACE, ' ', ' '},
    {0x3A, SDL_SCANCODE_CAPSLOCK, 0, 0},
    {0x3B, SDL_SCANCODE_F1, 0, 0},
    {0x3C, SDL_SCANCODE_F2, 0, 0},
    {0x3D, SDL_SCANCODE_F3, 0, 0},
    {0x3E, SDL_SCANCODE_F4, 0, 0},
    {0x3F, SDL_SCANCODE_F5, 0, 0},
    {0x40, SDL_SCANCODE_F6, 0, 0},
    {0x41, SDL_SCANCODE_F7, 0, 0},
    {0x42, SDL_SCANCODE_F8, 0, 0},
    {0x43, SDL_SCANCODE_F9, 0, 0},
    {0x44, SDL_SCANCODE_F10, 0, 0},
    {0x45, SDL_SCANCODE_NUMLOCKCLEAR, 0, 0},
    {0x46, SDL_SCANCODE_SCROLLLOCK, 0, 0},
    // The numeric pad answers with its navigation meaning (no characters), as with Num Lock off.
    {0x47, SDL_SCANCODE_KP_7, 0, 0},
    {0x48, SDL_SCANCODE_KP_8, 0, 0},
    {0x49, SDL_SCANCODE_KP_9, 0, 0},
    {0x4A, SDL_SCANCODE_KP_MINUS, '-', '-'},
    {0x4B, SDL_SCANCODE_KP_4, 0, 0},
    {0x4C, SDL_SCANCODE_KP_5, 0, 0},
    {0x4D, SDL_SCANCODE_KP_6, 0, 0},
    {0x4E, SDL_SCANCODE_KP_PLUS, '+', '+'},
    {0x4F, SDL_SCANCODE_KP_1, 0, 0},
    {0x50, SDL_SCANCODE_KP_2, 0, 0},
    {0x51, SDL_SCANCODE_KP_3, 0, 0},
    {0x52, SDL_SCANCODE_KP_0, 0, 0},
    {0x53, SDL_SCANCODE_KP_PERIOD, 0, 0},
    {0x56, SDL_SCANCODE_NONUSBACKSLASH, '\\', '|'},
    {0x57, SDL_SCANCODE_F11, 0, 0},
    {0x58, SDL_SCANCODE_F12, 0, 0},
    {0x9C, SDL_SCANCODE_KP_ENTER, 0, 0},
    {0x9D, SDL_SCANCODE_RCTRL, 0, 0},
    {0xB5, SDL_SCANCODE_KP_DIVIDE, '/', '/'},
    {0xB7, SDL_SCANCODE_PRINTSCREEN, 0, 0},
    {0xB8, SDL_SCANCODE_RALT, 0, 0},
    {0xC5, SDL_SCANCODE_PAUSE, 0, 0},
    {0xC7, SDL_SCANCODE_HOME, 0, 0},
    {0xC8, SDL_SCANCODE_UP, 0, 0},
    {0xC9, SDL_SCANCODE_PAGEUP, 0, 0},
    {0xCB, SDL_SCANCODE_LEFT, 0, 0},
    {0xCD, SDL_SCANCODE_RIGHT, 0, 0},
    {0xCF, SDL_SCANCODE_END, 0, 0},
    {0xD0, SDL_SCANCODE_DOWN, 0, 0},
    {0xD1, SDL_SCANCODE_PAGEDOWN, 0, 0},
    {0xD2, SDL_SCANCODE_INSERT, 0, 0},
    {0xD3, SDL_SCANCODE_DELETE, 0, 0},
    {0xDB, SDL_SCANCODE_LGUI, 0, 0},
    {0xDC, SDL_SCANCODE_RGUI, 0, 0},
    {0xDD, SDL_SCANCODE_APPLICATION, 0, 0},
};

struct KeyName {
    const char* name;
    uint8_t scan;
};

// Key names of input scripts; letters and digits are found through keyInfos.
constexpr KeyName keyNames[] = {
    {"space", 0x39},   {"enter", 0x1C},    {"escape", 0x01}, {"backspace", 0x0E}, {"up", 0xC8},
    {"down", 0xD0},    {"left", 0xCB},     {"right", 0xCD},  {"ctrl", 0x1D},      {"alt", 0x38},
    {"shift", 0x2A},   {"f1", 0x3B},       {"f2", 0x3C},     {"equals", 0x0D},    {"minus", 0x0C},
    {"kp_plus", 0x4E}, {"kp_minus", 0x4A}, {"tab", 0x0F},    {"insert", 0xD2},
    {"pause", 0xC5},   {"lbracket", 0x1A}, {"rbracket", 0x1B}, {"semicolon", 0x27}, {"apostrophe", 0x28},
};

struct DeviceState {
    uint8_t keys[256] = {};        // bit 7 = down, by scan code
    uint8_t mouseButtons[4] = {};  // bit 7 = down
    // A key or button whose last change no read of the tables has seen yet. Its next change waits in the
    // message queue until a read has seen this one, so a tap shorter than a frame still reads as down once.
    bool keyUnseen[256] = {};
    bool buttonUnseen[4] = {};
    bool focused = true;
    uint8_t scanBySdl[SDL_NUM_SCANCODES] = {};  // DirectInput code of each SDL scancode, 0 = none
    bool tablesReady = false;
};

DeviceState devices;

void PrepareTables() {
    if (devices.tablesReady) return;
    for (const KeyInfo& info : keyInfos) devices.scanBySdl[info.sdl] = info.scan;
    devices.tablesReady = true;
}

const KeyInfo* FindKey(int scanCode) {
    for (const KeyInfo& info : keyInfos)
        if (info.scan == scanCode) return &info;
    return nullptr;
}

}  // namespace

namespace {

// Every read of the tables happens in a frame, after the frame's messages: from now on they count as seen.
void MarkTablesSeen() {
    std::memset(devices.keyUnseen, 0, sizeof devices.keyUnseen);
    std::memset(devices.buttonUnseen, 0, sizeof devices.buttonUnseen);
}

}  // namespace

void ReadKeyTable(uint8_t keys[256]) {
    std::memcpy(keys, devices.keys, sizeof devices.keys);
    MarkTablesSeen();
}

void ReadMouseButtons(uint8_t buttons[4]) {
    std::memcpy(buttons, devices.mouseButtons, sizeof devices.mouseButtons);
    MarkTablesSeen();
}

bool HasFocus() {
    return IsHeadless() || devices.focused;
}

void SetKeyState(int scanCode, bool down) {
    if (scanCode <= 0 || scanCode > 255) return;
    const uint8_t state = down ? 0x80 : 0;
    if (devices.keys[scanCode] != state) devices.keyUnseen[scanCode] = true;
    devices.keys[scanCode] = state;
}

void ClearKeyTable() {
    std::memset(devices.keys, 0, sizeof devices.keys);
    std::memset(devices.keyUnseen, 0, sizeof devices.keyUnseen);
}

void SetMouseButtonState(int button, bool down) {
    if (button < 0 || button > 3) return;
    const uint8_t state = down ? 0x80 : 0;
    if (devices.mouseButtons[button] != state) devices.buttonUnseen[button] = true;
    devices.mouseButtons[button] = state;
}

bool KeyChangeMustWait(int scanCode, bool down) {
    if (scanCode <= 0 || scanCode > 255) return false;
    return devices.keyUnseen[scanCode] && ((devices.keys[scanCode] & 0x80) != 0) != down;
}

bool ButtonChangeMustWait(int button, bool down) {
    if (button < 0 || button > 3) return false;
    return devices.buttonUnseen[button] && ((devices.mouseButtons[button] & 0x80) != 0) != down;
}

void SetFocusState(bool focused) {
    devices.focused = focused;
    // Releases are not delivered to a window without focus; forget what was held so no key sticks.
    if (!focused) {
        ClearKeyTable();
        std::memset(devices.mouseButtons, 0, sizeof devices.mouseButtons);
        std::memset(devices.buttonUnseen, 0, sizeof devices.buttonUnseen);
    }
}

int ScanCodeFromSdl(SDL_Scancode scancode) {
    PrepareTables();
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return devices.scanBySdl[scancode];
}

char KeyCharacter(int scanCode) {
    const KeyInfo* info = FindKey(scanCode);
    if (!info) return 0;
    bool shift = (devices.keys[KeyLeftShift] | devices.keys[KeyRightShift]) & 0x80;
    // Caps Lock turns letters to capitals, and Shift turns them back, as in any text field.
    const bool caps = (SDL_GetModState() & KMOD_CAPS) != 0;
    // The layout's own character, when SDL knows the layout and the key gives printable ASCII unshifted.
    SDL_Keycode key = IsHeadless() ? SDLK_UNKNOWN : SDL_GetKeyFromScancode(info->sdl);
    if (key >= 'a' && key <= 'z') return shift != caps ? static_cast<char>(key - 'a' + 'A') : static_cast<char>(key);
    if (key > 32 && key < 127 && !shift) return static_cast<char>(key);
    if (key >= 127 && key < SDLK_SCANCODE_MASK) return 0;  // a non-ASCII letter of another layout
    const char c = shift ? info->shifted : info->plain;
    if (caps && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    if (caps && c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

int ScanCodeByName(const char* name) {
    if (!name) return -1;
    if (name[0] && !name[1]) {
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            for (const KeyInfo& info : keyInfos)
                if (info.plain == c && info.scan < 0x37) return info.scan;
        return -1;
    }
    for (const KeyName& key : keyNames)
        if (std::strcmp(key.name, name) == 0) return key.scan;
    return -1;
}

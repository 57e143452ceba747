// Raw device state kept from window events: the key table by scan code, mouse buttons, game controller.
#pragma once
#include <cstdint>

// DirectInput (set 1) scan codes used by the game.
enum ScanCode : int {
    KeyEscape = 0x01, Key1 = 0x02, Key0 = 0x0B, KeyMinus = 0x0C, KeyEquals = 0x0D, KeyBackspace = 0x0E,
    KeyTab = 0x0F, KeyQ = 0x10, KeyY = 0x15, KeyP = 0x19, KeyLeftBracket = 0x1A, KeyRightBracket = 0x1B,
    KeyEnter = 0x1C, KeySemicolon = 0x27, KeyApostrophe = 0x28, KeyLeftCtrl = 0x1D, KeyA = 0x1E,
    KeyL = 0x26, KeyLeftShift = 0x2A, KeyZ = 0x2C, KeyX = 0x2D, KeyN = 0x31, KeyM = 0x32, KeyRightShift = 0x36,
    KeyLeftAlt = 0x38, KeySpace = 0x39, KeyF1 = 0x3B, KeyF2 = 0x3C, KeyPad7 = 0x47, KeyPad8 = 0x48,
    KeyPad9 = 0x49, KeyPadMinus = 0x4A, KeyPad4 = 0x4B, KeyPad6 = 0x4D, KeyPadPlus = 0x4E, KeyPad2 = 0x50,
    KeyPadEnter = 0x9C, KeyRightCtrl = 0x9D, KeyRightAlt = 0xB8, KeyPause = 0xC5, KeyArrowUp = 0xC8, KeyArrowLeft = 0xCB,
    KeyArrowRight = 0xCD, KeyArrowDown = 0xD0, KeyInsert = 0xD2,
};

// Copies the current key table (bit 7 set = down), indexed by scan code.
// A press is held in the tables until a read has seen it: a key or button released before any read still
// reads as down once, and its release comes to the tables after that read (either read counts).
void ReadKeyTable(uint8_t keys[256]);
// Mouse buttons (bit 7 set = down): 0 left, 1 right, 2 middle, 3 extra.
void ReadMouseButtons(uint8_t buttons[4]);
// The window has the keyboard focus (always true when headless).
bool HasFocus();

struct ControllerState {
    int axisX = 0;  // -1, 0, +1 (D-pad and left stick)
    int axisY = 0;
    uint8_t buttons[8] = {};  // A 0, B 1, LB 4, RB 5, Start 7; non-zero = down
};
// The player's game controller: the first one attached, or the next one when it is unplugged, whenever
// that happens. SDL's own mapping database names the buttons of known pads, and a file of further mappings
// named by SDL_GAMECONTROLLERCONFIG_FILE is read when the controllers start. A headless run only takes
// virtual controllers, so that a pad on the machine never reaches a test. False when none is attached.
bool ReadController(ControllerState* state);
bool ControllerAttached();
// Controllers opened in this run (a re-plugged or another one counts again).
uint32_t ControllersOpened();

// Virtual controllers (SDL's virtual joysticks) for scripts and tests, in slots 0..3: attached as a real
// one would be plugged in, with hot-plug events. A gamepad has SDL's standard layout; a plain joystick
// (16 buttons, 6 axes, vendor 0x1209, product 0x9E1A) is a controller only when a mapping names it.
constexpr int VirtualControllerSlots = 4;
enum class VirtualPadKind : uint8_t { Gamepad, PlainJoystick };
bool AttachVirtualController(int slot, VirtualPadKind kind = VirtualPadKind::Gamepad);
void DetachVirtualController(int slot);
// Gamepad buttons by name: "a", "b", "x", "y", "back", "start", "lb", "rb", "up", "down", "left", "right";
// -1 when unknown. A plain joystick's buttons are "0".."15".
int VirtualButtonByName(const char* name);
void SetVirtualControllerButton(int slot, int button, bool down);

// The character the key produces under the keyboard layout and the Shift state; 0 when none.
char KeyCharacter(int scanCode);

// Scan code for a script key name ("a", "space", "f1", "kp_plus", ...); -1 when unknown.
int ScanCodeByName(const char* name);

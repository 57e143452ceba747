// The game controller: the first one attached is the player's, hot-plugging keeps it current; virtual
// controllers stand in for real ones in scripts and tests.
#include <cstdlib>
#include <cstring>

#include "platform/devices.h"
#include "platform/platform_local.h"
#include "platform/window.h"

namespace {

// Dead zone of the left stick, in SDL axis units (-32768..32767): half the travel.
constexpr int StickDeadZone = 16384;
// The plain joystick's identity: a vendor id for open hardware projects and a product of our own.
constexpr Uint16 PlainVendor = 0x1209, PlainProduct = 0x9E1A;

struct VirtualPad {
    SDL_Joystick* joystick = nullptr;  // kept open: SDL takes a virtual pad's input through it
    SDL_JoystickID id = -1;
};

struct ControllerRecord {
    bool subsystemStarted = false;
    SDL_GameController* controller = nullptr;
    SDL_JoystickID controllerId = -1;
    uint32_t opened = 0;
    VirtualPad pads[VirtualControllerSlots];
};

ControllerRecord controllers;

// Device index of a joystick instance; -1 when it is gone.
int DeviceIndexOf(SDL_JoystickID id) {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
}

}  // namespace

// The controller subsystem starts with the window, or headless with the first virtual controller. SDL reads
// its built-in mappings and the file named by SDL_GAMECONTROLLERCONFIG_FILE as it starts.
bool StartControllerSupport() {
    if (controllers.subsystemStarted) return true;
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
    controllers.subsystemStarted = true;
    return true;
}

void OpenFirstController() {
    if (controllers.controller || !controllers.subsystemStarted) return;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!SDL_IsGameController(i)) continue;
        if (IsHeadless() && !SDL_JoystickIsVirtual(i)) continue;
        controllers.controller = SDL_GameControllerOpen(i);
        if (controllers.controller) {
            controllers.controllerId =
                SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controllers.controller));
            controllers.opened += 1;
            return;
        }
    }
}

void HandleControllerEvent(const SDL_Event& event) {
    if (event.type == SDL_CONTROLLERDEVICEADDED) {
        OpenFirstController();
    } else if (event.type == SDL_CONTROLLERDEVICEREMOVED && controllers.controller &&
               event.cdevice.which == controllers.controllerId) {
        SDL_GameControllerClose(controllers.controller);
        controllers.controller = nullptr;
        controllers.controllerId = -1;
        OpenFirstController();  // another one may still be attached
    }
}

bool ReadController(ControllerState* state) {
    *state = ControllerState{};
    SDL_GameController* pad = controllers.controller;
    if (!pad) return false;
    auto axis = [pad](SDL_GameControllerAxis stick, SDL_GameControllerButton minus,
                      SDL_GameControllerButton plus) {
        if (SDL_GameControllerGetButton(pad, minus)) return -1;
        if (SDL_GameControllerGetButton(pad, plus)) return 1;
        int value = SDL_GameControllerGetAxis(pad, stick);
        if (value <= -StickDeadZone) return -1;
        if (value >= StickDeadZone) return 1;
        return 0;
    };
    state->axisX =
        axis(SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    state->axisY =
        axis(SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    state->buttons[0] = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_A);
    state->buttons[1] = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_B);
    state->buttons[4] = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    state->buttons[5] = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
    state->buttons[7] = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_START);
    return true;
}

bool ControllerAttached() { return controllers.controller != nullptr; }

uint32_t ControllersOpened() { return controllers.opened; }

bool AttachVirtualController(int slot, VirtualPadKind kind) {
    if (slot < 0 || slot >= VirtualControllerSlots || controllers.pads[slot].joystick) return false;
    if (!StartControllerSupport()) return false;
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    if (kind == VirtualPadKind::Gamepad) {
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Pelorina virtual gamepad";
    } else {
        desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
        desc.naxes = 6;
        desc.nbuttons = 16;
        desc.vendor_id = PlainVendor;
        desc.product_id = PlainProduct;
        desc.name = "Pelorina plain joystick";
    }
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return false;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) {
        SDL_JoystickDetachVirtual(index);
        return false;
    }
    controllers.pads[slot].joystick = joystick;
    controllers.pads[slot].id = SDL_JoystickInstanceID(joystick);
    return true;
}

void DetachVirtualController(int slot) {
    if (slot < 0 || slot >= VirtualControllerSlots || !controllers.pads[slot].joystick) return;
    VirtualPad& pad = controllers.pads[slot];
    SDL_JoystickClose(pad.joystick);
    const int index = DeviceIndexOf(pad.id);
    if (index >= 0) SDL_JoystickDetachVirtual(index);
    pad = VirtualPad{};
}

int VirtualButtonByName(const char* name) {
    struct Named {
        const char* name;
        int button;
    };
    static const Named names[] = {
        {"a", SDL_CONTROLLER_BUTTON_A},         {"b", SDL_CONTROLLER_BUTTON_B},
        {"x", SDL_CONTROLLER_BUTTON_X},         {"y", SDL_CONTROLLER_BUTTON_Y},
        {"back", SDL_CONTROLLER_BUTTON_BACK},   {"start", SDL_CONTROLLER_BUTTON_START},
        {"lb", SDL_CONTROLLER_BUTTON_LEFTSHOULDER}, {"rb", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
        {"up", SDL_CONTROLLER_BUTTON_DPAD_UP},  {"down", SDL_CONTROLLER_BUTTON_DPAD_DOWN},
        {"left", SDL_CONTROLLER_BUTTON_DPAD_LEFT}, {"right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT},
    };
    if (name == nullptr) return -1;
    for (const Named& entry : names)
        if (std::strcmp(entry.name, name) == 0) return entry.button;
    // A plain joystick's buttons by number.
    if (name[0] >= '0' && name[0] <= '9' && (name[1] == 0 || (name[1] >= '0' && name[1] <= '9' && name[2] == 0))) {
        const int number = std::atoi(name);
        return number < 16 ? number : -1;
    }
    return -1;
}

void SetVirtualControllerButton(int slot, int button, bool down) {
    if (slot < 0 || slot >= VirtualControllerSlots || !controllers.pads[slot].joystick) return;
    SDL_JoystickSetVirtualButton(controllers.pads[slot].joystick, button, down ? SDL_PRESSED : SDL_RELEASED);
}

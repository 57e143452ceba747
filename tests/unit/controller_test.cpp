// The game controller through the platform layer, headless, with SDL's virtual joysticks: plugged in,
// pressed, unplugged and another plugged in while the messages flow; a joystick SDL does not know becomes
// a controller through a mapping file named by SDL_GAMECONTROLLERCONFIG_FILE.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/devices.h"
#include "platform/window.h"

namespace {

// Dispatches every waiting message, as the main loop does between frames.
void DrainMessages() {
    while (PeekMessage()) GetMessage();
}

ControllerState Read() {
    DrainMessages();
    ControllerState state;
    ReadController(&state);
    return state;
}

TEST(Controller, HotPlugAndButtonsOfVirtualControllers) {
    // The plain joystick's mapping: its button 0 is Start, button 1 is A, button 2 D-pad left. A virtual
    // joystick's GUID: virtual bus (0xFF), vendor 0x1209, product 0x9E1A, 'v', type 0 (the name's CRC is not part
    // of a mapping's GUID).
    const std::string mappings =
        (std::filesystem::temp_directory_path() / ("pelorina_pads_" + std::to_string(getpid()) + ".txt"))
            .string();
    std::ofstream(mappings) << "# a player's own mappings\n"
                               "ff000000091200001a9e000000007600,Pelorina plain joystick,start:b0,a:b1,"
                               "dpleft:b2,platform:Linux,\n";
    ASSERT_EQ(setenv("SDL_GAMECONTROLLERCONFIG_FILE", mappings.c_str(), 1), 0);
    SetHeadlessMode(true);
    PlatformOptions options;
    options.headless = true;
    ASSERT_TRUE(CreateMainWindow(options));

    ControllerState state = Read();
    EXPECT_FALSE(ControllerAttached()) << "a headless run takes no real controller";
    EXPECT_EQ(VirtualButtonByName("start"), 6);
    EXPECT_EQ(VirtualButtonByName("15"), 15);
    EXPECT_EQ(VirtualButtonByName("16"), -1);
    EXPECT_EQ(VirtualButtonByName("select"), -1);

    // Plugged in, pressed, unplugged.
    ASSERT_TRUE(AttachVirtualController(0));
    EXPECT_FALSE(AttachVirtualController(0)) << "the slot is taken";
    EXPECT_FALSE(AttachVirtualController(VirtualControllerSlots));
    state = Read();
    EXPECT_TRUE(ControllerAttached());
    EXPECT_EQ(ControllersOpened(), 1u);
    SetVirtualControllerButton(0, VirtualButtonByName("start"), true);
    SetVirtualControllerButton(0, VirtualButtonByName("left"), true);
    SetVirtualControllerButton(0, VirtualButtonByName("rb"), true);
    state = Read();
    EXPECT_NE(state.buttons[7], 0);
    EXPECT_NE(state.buttons[5], 0);
    EXPECT_EQ(state.axisX, -1);
    SetVirtualControllerButton(0, VirtualButtonByName("start"), false);
    EXPECT_EQ(Read().buttons[7], 0);
    DetachVirtualController(0);
    EXPECT_FALSE(ReadController(&state) && Read().buttons[5]);
    Read();
    EXPECT_FALSE(ControllerAttached());

    // Two plugged in: the first is the player's; unplugging it hands over to the other.
    ASSERT_TRUE(AttachVirtualController(1));
    ASSERT_TRUE(AttachVirtualController(2));
    Read();
    EXPECT_EQ(ControllersOpened(), 2u);
    SetVirtualControllerButton(2, VirtualButtonByName("a"), true);
    EXPECT_EQ(Read().buttons[0], 0) << "only the player's controller counts";
    DetachVirtualController(1);
    state = Read();
    EXPECT_TRUE(ControllerAttached());
    EXPECT_EQ(ControllersOpened(), 3u);
    EXPECT_NE(state.buttons[0], 0) << "the other controller took over, its A held";
    DetachVirtualController(2);
    Read();
    EXPECT_FALSE(ControllerAttached());

    // A joystick SDL's own database does not know, named by the player's mapping file.
    ASSERT_TRUE(AttachVirtualController(3, VirtualPadKind::PlainJoystick));
    Read();
    EXPECT_TRUE(ControllerAttached()) << "the mapping file was read";
    SetVirtualControllerButton(3, 0, true);
    SetVirtualControllerButton(3, 2, true);
    state = Read();
    EXPECT_NE(state.buttons[7], 0) << "its button 0 is Start by the mapping";
    EXPECT_EQ(state.axisX, -1);
    DetachVirtualController(3);
    DetachVirtualController(3);  // twice: nothing left to do
    Read();
    EXPECT_FALSE(ControllerAttached());
    std::filesystem::remove(mappings);
}

}  // namespace

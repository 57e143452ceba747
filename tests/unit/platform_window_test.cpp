// The window layer headless: messages in order through the key and mouse tables, the quit message, cursor,
// sizes, script key names and key characters.
#include <gtest/gtest.h>

#include "platform/devices.h"
#include "platform_test_support.h"

using namespace platform_test;

namespace {

void DrainMessages() {
    while (PeekMessage())
        if (GetMessage() == MessageType::Quit) continue;
}

bool Down(int scanCode) {
    uint8_t keys[256];
    ReadKeyTable(keys);
    return keys[scanCode] & 0x80;
}

class PlatformWindow : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(StartHeadless());
        DrainMessages();
    }
    void TearDown() override {
        for (int scan : {KeyA, KeyLeftShift, KeyRightShift, KeyEnter}) InjectKey(scan, false);
        InjectMouseButton(0, false);
        DrainMessages();
    }
};

TEST_F(PlatformWindow, InjectedEventsComeOutInOrderAndUpdateTheTables) {
    InjectKey(KeyA, true);
    InjectMouseMove(120, 45);
    InjectMouseButton(0, true);
    InjectKey(KeyA, false);
    InjectClose();
    EXPECT_FALSE(Down(KeyA));  // nothing changes before the message is taken
    ASSERT_TRUE(PeekMessage());
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_TRUE(Down(KeyA));
    EXPECT_EQ(GetMessage(), MessageType::Other);
    int x = -1, y = -1;
    CursorInPicture(&x, &y);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 45);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    uint8_t buttons[4];
    ReadMouseButtons(buttons);
    EXPECT_EQ(buttons[0], 0x80);
    EXPECT_EQ(buttons[1], 0);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_FALSE(Down(KeyA));
    EXPECT_EQ(GetMessage(), MessageType::Close);
    EXPECT_FALSE(PeekMessage());
    EXPECT_EQ(GetMessage(), MessageType::None);
}

TEST_F(PlatformWindow, QuitMessageIsTakenOnce) {
    InjectKey(KeyEnter, true);
    PostQuitMessage();
    EXPECT_TRUE(PeekMessage());
    EXPECT_EQ(GetMessage(), MessageType::Quit);
    EXPECT_TRUE(PeekMessage());  // the key is still waiting
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_TRUE(Down(KeyEnter));
    EXPECT_FALSE(PeekMessage());
}

TEST_F(PlatformWindow, HeadlessSizesAndCursorAreUsable) {
    int w = 0, h = 0;
    DesktopSize(&w, &h);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    WindowClientSize(&w, &h);
    EXPECT_EQ(w, ScreenWidth);
    EXPECT_EQ(h, ScreenHeight);
    InjectMouseMove(-3, 300);  // positions outside the picture stay unclamped
    DrainMessages();
    int x, y;
    CursorInPicture(&x, &y);
    EXPECT_EQ(x, -3);
    EXPECT_EQ(y, 300);
    ControllerState pad;
    EXPECT_FALSE(ReadController(&pad));
    EXPECT_EQ(pad.axisX, 0);
}

// The key names of input scripts; the arrows, Space, Enter, Escape, Ctrl, Alt, Backspace and letters are used
// by every integration run, so only the rest are listed here.
TEST_F(PlatformWindow, ScriptKeyNamesGiveTheGameScanCodes) {
    const struct {
        const char* name;
        int scan;
    } expected[] = {{"q", KeyQ},          {"1", Key1},           {"0", Key0},           {"5", 0x06},
                    {"b", 0x30},          {"shift", KeyLeftShift}, {"f1", KeyF1},       {"f2", KeyF2},
                    {"equals", KeyEquals}, {"minus", KeyMinus},  {"kp_plus", KeyPadPlus}, {"kp_minus", KeyPadMinus},
                    {"nope", -1},         {"", -1},              {"!", -1}};
    for (const auto& e : expected) EXPECT_EQ(ScanCodeByName(e.name), e.scan) << e.name;
    EXPECT_EQ(ScanCodeByName(nullptr), -1);
}

TEST_F(PlatformWindow, KeyCharactersFollowShift) {
    const int none[] = {KeyEnter, KeyLeftShift, KeyF1, KeyArrowUp, 0, 300};
    for (int scan : none) EXPECT_EQ(KeyCharacter(scan), 0) << scan;
    EXPECT_EQ(KeyCharacter(KeyA), 'a');
    EXPECT_EQ(KeyCharacter(Key0), '0');
    EXPECT_EQ(KeyCharacter(KeySpace), ' ');
    InjectKey(KeyRightShift, true);
    DrainMessages();
    EXPECT_EQ(KeyCharacter(KeyA), 'A');
    EXPECT_EQ(KeyCharacter(Key1), '!');  // not a digit: the name entry ignores it
    EXPECT_EQ(KeyCharacter(KeyEquals), '+');
}

}  // namespace

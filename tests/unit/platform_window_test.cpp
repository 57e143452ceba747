// The window layer headless: messages in order through the key and mouse tables, the quit message and key
// characters. Script key names are used by every integration run.
#include <gtest/gtest.h>

#include "platform/devices.h"
#include "platform_test_support.h"

using namespace platform_test;

namespace {

// Takes every message, reading the tables whenever a change waits for a read (as each frame does).
void DrainMessages() {
    uint8_t keys[256];
    for (;;) {
        if (!PeekMessage()) {
            ReadKeyTable(keys);
            if (!PeekMessage()) return;
        }
        GetMessage();
    }
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

// A tap whose press and release arrive before one frame: the release waits for a read of the tables, and
// so do the messages behind it; a key held with repeats never waits.
TEST_F(PlatformWindow, TapShorterThanAFrameIsReadAsDownOnce) {
    InjectKey(KeyA, true);
    InjectKey(KeyA, false);
    InjectMouseButton(0, true);
    InjectMouseButton(0, false);
    InjectClose();
    ASSERT_TRUE(PeekMessage());
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_FALSE(PeekMessage()) << "the release waits for a frame";
    EXPECT_EQ(GetMessage(), MessageType::None);
    EXPECT_TRUE(Down(KeyA));  // this frame's read
    ASSERT_TRUE(PeekMessage());
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_FALSE(Down(KeyA));
    EXPECT_EQ(GetMessage(), MessageType::Other);  // the button goes down
    EXPECT_FALSE(PeekMessage());
    uint8_t buttons[4];
    ReadMouseButtons(buttons);
    EXPECT_EQ(buttons[0], 0x80);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    ReadMouseButtons(buttons);
    EXPECT_EQ(buttons[0], 0);
    EXPECT_EQ(GetMessage(), MessageType::Close);

    // Repeated presses of a held key change nothing and pass at once; its release waits only for the press.
    InjectKey(KeyA, true);
    InjectKey(KeyA, true);
    InjectKey(KeyA, true);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_TRUE(Down(KeyA));
    InjectKey(KeyA, false);
    EXPECT_EQ(GetMessage(), MessageType::Other);
    EXPECT_FALSE(Down(KeyA));
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

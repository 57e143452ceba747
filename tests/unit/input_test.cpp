// Input: typed-key repeat, clicks on release and the double-click window, boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "input/input.h"
#include "platform/devices.h"
#include "platform/window.h"

namespace {

void Press(int key) { input.keys[key] = 0x80; }

// One poll of the key table as PollInput does it: this poll's keys become the previous ones.
void NextPoll() { std::memcpy(input.previousKeys, input.keys, sizeof input.keys); }

class HeadlessInput : public ::testing::Test {
protected:
    void SetUp() override {
        PlatformOptions options;
        options.headless = true;
        ASSERT_TRUE(CreateMainWindow(options));
        input = InputState{};
        while (PeekMessage()) GetMessage();
    }
    void Button(bool down, uint64_t clockMs) {
        InjectMouseButton(0, down);
        while (PeekMessage()) GetMessage();
        PollInput(clockMs);
    }
};

}  // namespace

TEST(TakeTypedKey, HeldKeyRepeatsEveryTwentyFiveCalls) {
    input = InputState{};
    Press(KeyA);
    EXPECT_EQ(TakeTypedKey(), KeyA);  // the press itself
    int yielded = 0;
    int firstRepeat = 0;
    for (int call = 1; call <= 75; ++call) {
        NextPoll();
        if (TakeTypedKey() == KeyA) {
            ++yielded;
            if (firstRepeat == 0) firstRepeat = call;
        }
    }
    EXPECT_EQ(firstRepeat, 25);
    EXPECT_EQ(yielded, 3);
}

TEST(TakeTypedKey, KeysAfterTheReturnedOneDoNotCount) {
    input = InputState{};
    Press(KeyQ);
    Press(KeyZ);
    NextPoll();       // Q and Z are held
    Press(KeyA);      // A (between them in scan-code order) is new
    EXPECT_EQ(TakeTypedKey(), KeyA);
    EXPECT_EQ(input.repeatCounts[KeyQ], 1);  // Q, before A, counted once
    EXPECT_EQ(input.repeatCounts[KeyZ], 0);  // Z, after A, waited
}

TEST(TakeTypedKey, NothingWithoutKeyboard) {
    input = InputState{};
    input.hasKeyboard = false;
    Press(KeyA);
    EXPECT_EQ(TakeTypedKey(), -1);
    EXPECT_FALSE(KeyDown(KeyA));
}

TEST_F(HeadlessInput, ClickOnReleaseAndDoubleClickUnder250Ms) {
    PollInput(0);  // the very first poll reports a click: clickArmed starts false
    EXPECT_TRUE(input.click);
    Button(true, 1000);
    EXPECT_FALSE(input.click);
    Button(false, 1100);
    EXPECT_TRUE(input.click);
    EXPECT_FALSE(input.doubleClick);
    PollInput(1116);
    EXPECT_FALSE(input.click) << "a release is reported in one poll only";
    Button(true, 1200);
    Button(false, 1349);  // 249 ms after the previous release
    EXPECT_TRUE(input.doubleClick);
    Button(true, 1400);
    Button(false, 1599);  // 250 ms later: too slow
    EXPECT_TRUE(input.click);
    EXPECT_FALSE(input.doubleClick);
}

// Press and release between two frames (a quick tap, a touchpad click): each frame takes the messages that
// are ready and polls once, as the main loop does.
TEST_F(HeadlessInput, TapsShorterThanAFrameAreSeen) {
    auto frame = [](uint64_t clockMs) {
        while (PeekMessage()) GetMessage();
        PollInput(clockMs);
    };
    frame(0);
    InjectKey(KeySpace, true);
    InjectKey(KeySpace, false);
    InjectMouseButton(0, true);
    InjectMouseButton(0, false);
    frame(1000);
    EXPECT_TRUE(Buttons() & ButtonAction);
    EXPECT_TRUE(KeyPressed(KeySpace));
    frame(1016);
    EXPECT_FALSE(Buttons() & ButtonAction);
    EXPECT_FALSE(input.click);
    frame(1032);
    EXPECT_TRUE(input.click) << "the click comes with the release, one frame after the press";
    // A second quick click right after is a double click, as it would be when held for a frame.
    InjectMouseButton(0, true);
    InjectMouseButton(0, false);
    frame(1048);
    EXPECT_FALSE(input.click);
    frame(1064);
    EXPECT_TRUE(input.click);
    EXPECT_TRUE(input.doubleClick);
}

TEST(MouseIn, BoxesAreOpenOnAllSides) {
    input = InputState{};
    input.mouseX = 0;
    input.mouseY = 5;
    EXPECT_FALSE(MouseIn(0, 0, 10, 10));
    input.mouseX = 1;
    EXPECT_TRUE(MouseIn(0, 0, 10, 10));
    input.mouseX = 10;
    EXPECT_FALSE(MouseIn(0, 0, 10, 10));
    input.mouseX = -3;
    EXPECT_FALSE(MouseIn(-5, 0, 1, 10));
}

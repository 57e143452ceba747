// The held game time of a paused game: the game's clock stands still while the frame clock runs on.
#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(GameTimeHold, StandsStillWhileHeldAndGoesOnFromThere) {
    SetFixedClock(true);
    SetClockMs(1000);
    EXPECT_EQ(NowMs(), 1000u);
    EXPECT_EQ(FrameNowMs(), 1000u);
    HoldGameTime(false);  // releasing what is not held changes nothing
    EXPECT_EQ(GameTimeHeldMs(), 0u);

    HoldGameTime(true);
    AdvanceClock(250);
    HoldGameTime(true);  // holding again keeps the first moment
    AdvanceClock(250);
    EXPECT_TRUE(GameTimeHeld());
    EXPECT_EQ(NowMs(), 1000u);
    EXPECT_EQ(FrameNowMs(), 1500u);
    EXPECT_EQ(GameTimeHeldMs(), 500u);

    HoldGameTime(false);
    EXPECT_EQ(NowMs(), 1000u);
    AdvanceClock(16);
    EXPECT_EQ(NowMs(), 1016u);
    EXPECT_EQ(GameTimeHeldMs(), 500u);

    // A second pause adds to the first.
    HoldGameTime(true);
    AdvanceClock(100);
    HoldGameTime(false);
    AdvanceClock(4);
    EXPECT_EQ(NowMs(), 1020u);
    EXPECT_EQ(GameTimeHeldMs(), 600u);
    SetFixedClock(false);
}

}  // namespace

// Display modes: the zoom table and its steps.
#include <gtest/gtest.h>

#include "shell/shell.h"

TEST(ZoomTable, StepsOfAFullHdDesktopKeepTheAspect) {
    DisplayState d;
    ComputeZoomTable(d, 1920);
    EXPECT_EQ(d.zoomStep, 0);
    const int widths[4] = {480, 960, 1440, 1920};
    const int heights[4] = {272, 544, 816, 1088};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.zoomWidths[i], widths[i]) << i;
        EXPECT_EQ(d.zoomHeights[i], heights[i]) << i;
    }
}

TEST(ZoomTable, OddDesktopWidthsTruncate) {
    DisplayState d;
    ComputeZoomTable(d, 1366);  // step 295.33, height step 167.36
    EXPECT_EQ(d.zoomWidths[1], 775);
    EXPECT_EQ(d.zoomHeights[1], 439);
    EXPECT_EQ(d.zoomWidths[3], 1366);
    EXPECT_EQ(d.zoomHeights[3], 774);
}

TEST(ZoomSteps, FirstZoomInGoesToStepOneAndStopsAtThree) {
    PlatformOptions options;
    options.headless = true;
    ASSERT_TRUE(CreateMainWindow(options));
    display = DisplayState{};
    ZoomIn();
    EXPECT_EQ(display.zoomStep, 1);
    ZoomIn();
    ZoomIn();
    ZoomIn();
    EXPECT_EQ(display.zoomStep, 3);
    for (int i = 0; i < 5; ++i) ZoomOut();
    EXPECT_EQ(display.zoomStep, 0);
    display.zoomStep = -1;
    ZoomOut();
    EXPECT_EQ(display.zoomStep, -1);
}

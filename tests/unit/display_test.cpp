// Display modes: the zoom table and its steps.
#include <gtest/gtest.h>

#include "shell/shell.h"

// Four steps from 480 x 272 up to the desktop width, keeping the aspect; odd widths truncate (1366: a width
// step of 295.33 and a height step of 167.36).
TEST(ZoomTable, StepsUpToTheDesktopKeepTheAspect) {
    const struct {
        int desktop, widths[4], heights[4];
    } cases[] = {{1920, {480, 960, 1440, 1920}, {272, 544, 816, 1088}},
                 {1366, {480, 775, 1070, 1366}, {272, 439, 606, 774}}};
    for (const auto& c : cases) {
        DisplayState d;
        ComputeZoomTable(d, c.desktop);
        EXPECT_EQ(d.zoomStep, 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(d.zoomWidths[i], c.widths[i]) << c.desktop << " " << i;
            EXPECT_EQ(d.zoomHeights[i], c.heights[i]) << c.desktop << " " << i;
        }
    }
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

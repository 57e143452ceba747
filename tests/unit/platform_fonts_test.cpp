// The fonts headless: sizes close to what the game asks for, text kept inside its box, centring, lines,
// Cyrillic and code-point counting.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform_test_support.h"

using namespace platform_test;

namespace {

constexpr uint32_t Background = 0xFF000000;

struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive bounds of drawn pixels
    int pixels = 0;
};

Ink FindInk(int x0, int y0, int x1, int y1) {
    Ink ink;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (PicturePixel(x, y) != Background) {
                ++ink.pixels;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

class PlatformFonts : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(StartHeadless());
        BeginScene();
        ClearScene(Background);
    }
};

TEST_F(PlatformFonts, MessageFontHasTheAskedHeightAndAverageWidth) {
    DrawFontText(MessageFont, "Hgjy|", -1, 10, 10, 200, 60, 0xFFFFFFFF, 0);
    Ink ink = FindInk(0, 0, 220, 80);
    ASSERT_GT(ink.pixels, 0);
    int height = ink.bottom - ink.top + 1;
    EXPECT_GE(height, 9);
    EXPECT_LE(height, 13);
    EXPECT_GE(ink.top, 10);
    // Six pixels a letter on average, as for the game's message texts.
    int width = MeasureFontText(MessageFont, "abcdefghijklmnopqrstuvwxyz", -1);
    EXPECT_NEAR(width, 26 * 6, 13);
    EXPECT_NEAR(MeasureFontText(CounterFont, "abcdefghijklmnopqrstuvwxyz", -1), 26 * 10, 20);
}

// Small letters are drawn whole, as the window draws them: an "o" is as round as its glyph, the same when
// mirrored left to right or top to bottom. (Drawn as textured triangles, the software renderer dropped and
// doubled rows and columns of texels: "of 10" read "σf 10".)
TEST_F(PlatformFonts, SmallLettersAreDrawnWhole) {
    DrawFontText(MessageFont, "o", -1, 10, 10, 40, 40, 0xFFFFFFFF, 0);
    Ink ink = FindInk(0, 0, 60, 60);
    ASSERT_GT(ink.pixels, 0);
    auto level = [](int x, int y) { return static_cast<int>(PicturePixel(x, y) & 0xFF); };
    int total = 0, acrossDifference = 0, downDifference = 0;
    for (int y = ink.top; y <= ink.bottom; ++y)
        for (int x = ink.left; x <= ink.right; ++x) {
            total += level(x, y);
            acrossDifference += std::abs(level(x, y) - level(ink.left + ink.right - x, y));
            downDifference += std::abs(level(x, y) - level(x, ink.top + ink.bottom - y));
        }
    EXPECT_LT(acrossDifference, total * 3 / 10);
    EXPECT_LT(downDifference, total * 3 / 10);
}

TEST_F(PlatformFonts, TextStaysInsideItsBox) {
    DrawFontText(MessageFont, "A long line that cannot fit in this box at all\nand a second\nand a third", -1,
                 50, 40, 120, 55, 0xFFFFFFFF, TextVCentre);
    Ink ink = FindInk(0, 0, 200, 120);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_GE(ink.left, 50);
    EXPECT_LT(ink.right, 120);
    EXPECT_GE(ink.top, 40);
    EXPECT_LT(ink.bottom, 55);
    // The clipping ends with the text: sprites drawn later are not cut.
    DrawFontText(MessageFont, "after", -1, 300, 100, 400, 130, 0xFFFFFFFF, 0);
    EXPECT_GT(FindInk(300, 100, 400, 130).pixels, 0);
}

TEST_F(PlatformFonts, CentredTextHasEqualMargins) {
    DrawFontText(WaitFont, "Please wait a sec...", -1, 0, 0, 480, 272, 0xFFA2A5AC, TextCentre | TextVCentre);
    Ink ink = FindInk(0, 0, 480, 272);
    ASSERT_GT(ink.pixels, 0);
    EXPECT_NEAR(ink.left, 479 - ink.right, 4);
    EXPECT_NEAR(ink.top, 271 - ink.bottom, 4);
    // The text colour is the colour given.
    bool sawColour = false;
    for (int y = ink.top; y <= ink.bottom && !sawColour; ++y)
        for (int x = ink.left; x <= ink.right; ++x)
            if (PicturePixel(x, y) == 0xFFA2A5AC) sawColour = true;
    EXPECT_TRUE(sawColour);
}

TEST_F(PlatformFonts, NewlinesStartLinesAndTheBlockIsCentred) {
    DrawFontText(MessageFont, "\n\nof 12", -1, 0, 0, 200, 100, 0xFFFFFFFF, TextVCentre);
    Ink three = FindInk(0, 0, 200, 100);
    ASSERT_GT(three.pixels, 0);
    ClearScene(Background);
    DrawFontText(MessageFont, "of 12", -1, 0, 0, 200, 100, 0xFFFFFFFF, TextVCentre);
    Ink one = FindInk(0, 0, 200, 100);
    // Three lines centred as a block put the last one a line lower than a single centred line.
    EXPECT_GT(three.top, one.top + 6);
    EXPECT_LT(three.top, one.top + 18);
    EXPECT_EQ(three.left, one.left);
}

TEST_F(PlatformFonts, CyrillicIsDrawnAndCharactersAreCountedAsCodePoints) {
    DrawFontText(MessageFont, "Подождите", -1, 0, 0, 200, 40, 0xFFFFFFFF, 0);
    EXPECT_GT(FindInk(0, 0, 200, 40).pixels, 20);
    EXPECT_EQ(MeasureFontText(MessageFont, "Привет", 3), MeasureFontText(MessageFont, "При", -1));
    EXPECT_GT(MeasureFontText(MessageFont, "При", -1), MeasureFontText(MessageFont, "Пр", -1));
    EXPECT_EQ(MeasureFontText(MessageFont, "abc", 0), 0);
    // A typed message shows only its first characters.
    ClearScene(Background);
    DrawFontText(MessageFont, "WWWWWWWW", 2, 0, 0, 200, 40, 0xFFFFFFFF, 0);
    Ink two = FindInk(0, 0, 200, 40);
    EXPECT_LE(two.right, MeasureFontText(MessageFont, "WW", -1) + 1);
    // Broken UTF-8 neither stops nor overruns the text.
    EXPECT_GT(MeasureFontText(MessageFont, "a\xC3", -1), 0);
    EXPECT_GT(MeasureFontText(MessageFont,
                              "\xFF\xFE"
                              "b",
                              -1),
              0);
}

}  // namespace

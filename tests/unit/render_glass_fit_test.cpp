// The glass of the generated art fits the physics: a full glass, with blocks at every place the walls and
// the floor let a block centre reach, draws no block pixel outside the glass's interior (all three games).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "physics/world.h"
#include "render/world_draw.h"
#include "render_test_support.h"
#include "rules/game.h"
#include "rules/tuning.h"

using namespace render_test;

namespace {

// The glass's interior as the game screen's pictures show it, found from the middle of the glass outwards:
// the columns and the row just inside the bright rim.
struct Interior {
    int left = 0, right = 0, bottom = 0;
};

bool IsRim(uint32_t pixel) { return Brightness(pixel) > 450; }

void DrawEmptyGlass() {
    ClearPicture();
    SetAlphaBlending(false);
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    SetAlphaBlending(true);
    DrawSprite(images.hudFrame, 0, 0, ScreenWidth, ScreenHeight, true);
}

std::vector<uint32_t> ReadPicture() {
    EndScene();
    std::vector<uint32_t> pixels(ScreenWidth * ScreenHeight);
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x) pixels[y * ScreenWidth + x] = PicturePixel(x, y);
    return pixels;
}

Interior FindInterior(const std::vector<uint32_t>& picture) {
    auto at = [&](int x, int y) { return picture[y * ScreenWidth + x]; };
    const int middleX = 240, middleY = 150;
    Interior in;
    for (in.left = middleX; in.left > 0 && !IsRim(at(in.left - 1, middleY));) --in.left;
    for (in.right = middleX; in.right < ScreenWidth - 1 && !IsRim(at(in.right + 1, middleY));) ++in.right;
    for (in.bottom = middleY; in.bottom < ScreenHeight - 1 && !IsRim(at(middleX, in.bottom + 1));)
        ++in.bottom;
    return in;
}

// Blocks on the floor all along it, up both walls, and frozen blocks on every cell of the lock grid (the
// cells of the bottom row lie half a pixel below the floor).
void FillGlass(PhysicsWorld& w) {
    ResetWorld(w);
    uint8_t colour = 0;
    auto add = [&](float x, float y, uint8_t c) {
        int i = CreateAtom(w, x, y, c);
        if (i >= 0) w.atoms[i].rotation = 0.0f;
    };
    const float right = w.glassWidth, floor = w.floorY;
    for (float x = 12.0f; x < right; x += 24.0f) add(x, floor, colour++ % 6);
    add(right, floor, 1);
    for (float y = floor - 24.0f; y >= 60.0f; y -= 24.0f) {
        add(12.0f, y, colour++ % 6);
        add(right, y, colour++ % 6);
    }
    for (int col = 0; col < GridColumns; ++col)
        for (int row = GridFirstRow; row <= GridLastRow; ++row) {
            const float x = static_cast<float>(col * 24 + 12), y = static_cast<float>(row * 24) + 11.5f;
            int i = CreateAtom(w, x, y, NoColour);
            if (i >= 0) w.atoms[i].hitsLeft = 3;
        }
}

TEST(RenderGlassFit, EveryBlockOfAFullGlassIsDrawnInsideTheGlass) {
    ASSERT_TRUE(StartWithImages());
    ResetTuningToDefaults();
    SetEffectsEnabled(true);
    ResetVision();
    DrawEmptyGlass();
    const std::vector<uint32_t> empty = ReadPicture();
    const Interior in = FindInterior(empty);
    // The glass is where the game thinks it is: 288 px wide from x 96, the floor under y 239.
    EXPECT_EQ(in.left, 96);
    EXPECT_EQ(in.right, 383);
    EXPECT_EQ(in.bottom, 238);

    auto w = std::make_unique<PhysicsWorld>();
    for (int variant : {VariantShapes, VariantChains, VariantCubes}) {
        FillGlass(*w);
        DrawEmptyGlass();
        ResetSpriteQueues();
        DrawWorld(*w, variant, 16);
        const std::vector<uint32_t> full = ReadPicture();
        int outside = 0, drawn = 0;
        for (int y = 0; y < ScreenHeight; ++y)
            for (int x = 0; x < ScreenWidth; ++x) {
                if (full[y * ScreenWidth + x] == empty[y * ScreenWidth + x]) continue;
                ++drawn;
                if (x < in.left || x > in.right || y > in.bottom) {
                    if (outside < 5) ADD_FAILURE() << "variant " << variant << ": pixel at " << x << "," << y;
                    ++outside;
                }
            }
        EXPECT_EQ(outside, 0) << "variant " << variant;
        EXPECT_GT(drawn, 20000) << "variant " << variant;  // the glass is full
    }
}

}  // namespace

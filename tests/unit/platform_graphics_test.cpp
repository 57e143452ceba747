// The graphics device headless: exact image loading, pixel-exact sprites, sets and animation, rotated
// squares, the sprite queue, modulation and blending, screenshots and the full texture table.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform_test_support.h"

using namespace platform_test;

namespace {

uint32_t Pattern(int x, int y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 6) << 16 | static_cast<uint32_t>(y * 11) << 8 |
           static_cast<uint32_t>((x * 7 + y * 13) & 0xFF);
}

uint8_t Channel(uint32_t argb, int shift) {
    return static_cast<uint8_t>(argb >> shift);
}

class PlatformGraphics : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_TRUE(StartHeadless());
        ResetSpriteQueues();
        SetModulation(0, 0);
        SetModulation(1, 1);  // leaves the colour from the texture
        SetModulation(0, 0);
        SetTextureFactor(0xFFFFFFFF);
        SetAlphaBlending(true);
        SetAdditiveBlending(false);
        SetLinearMagnification(false);
        BeginScene();
        ClearScene(0xFF000000);
    }
};

TEST_F(PlatformGraphics, ImageKeepsItsSizeAndSpriteReproducesItPixelForPixel) {
    int id = LoadTexture(WriteTga("pattern.tga", 37, 21, Pattern).c_str());
    ASSERT_GE(id, 0);
    EXPECT_EQ(TextureWidth(id), 37u);
    EXPECT_EQ(TextureHeight(id), 21u);
    ClearScene(0xFF102030);
    DrawSprite(id, 100, 50, 37, 21, true);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x) ASSERT_EQ(PicturePixel(100 + x, 50 + y), Pattern(x, y)) << x << "," << y;
    // Nothing outside the rectangle is touched.
    for (int x = 99; x <= 137; ++x) {
        EXPECT_EQ(PicturePixel(x, 49), 0xFF102030u);
        EXPECT_EQ(PicturePixel(x, 71), 0xFF102030u);
    }
    for (int y = 50; y < 71; ++y) {
        EXPECT_EQ(PicturePixel(99, y), 0xFF102030u);
        EXPECT_EQ(PicturePixel(137, y), 0xFF102030u);
    }
}

TEST_F(PlatformGraphics, SetWithMissingFrameFailsAndLeavesItsId) {
    WriteSolidTga("gap_1.tga", 4, 4, 0xFFFF0000);
    WriteSolidTga("gap_2.tga", 4, 4, 0xFF00FF00);
    int before = TextureCount();
    EXPECT_EQ(LoadTextureSet((ScratchDir() / "gap_").string().c_str(), 1, 3), -1);
    EXPECT_EQ(TextureCount(), before);
    EXPECT_EQ(LoadTexture((ScratchDir() / "gap_1.tga").string().c_str()), before);
    EXPECT_EQ(LoadTexture((ScratchDir() / "missing.tga").string().c_str()), -1);
    EXPECT_EQ(LoadTextureSet((ScratchDir() / "gap_").string().c_str(), 5, 2), -1);  // reversed range
    EXPECT_EQ(TextureCount(), before + 1);
}

// Frames are told apart by the colour the set draws.
class PlatformAnimation : public PlatformGraphics {
   protected:
    static constexpr uint32_t colours[3] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF};
    int id = -1;
    void SetUp() override {
        PlatformGraphics::SetUp();
        for (int i = 0; i < 3; ++i)
            WriteSolidTga("anim_7_" + std::to_string(i + 4) + ".tga", 8, 6, colours[i]);
        id = LoadNumberedTextureSet((ScratchDir() / "anim_").string().c_str(), 7, 4, 6);
        ASSERT_GE(id, 0);
    }
    int ShownFrame() {
        DrawSprite(id, 0, 0, 8, 6, true);
        uint32_t pixel = PicturePixel(3, 3);
        for (int i = 0; i < 3; ++i)
            if (pixel == colours[i]) return i;
        return -1;
    }
};

TEST_F(PlatformAnimation, SetKeepsFirstFrameSizeAndFrameCount) {
    EXPECT_EQ(TextureWidth(id), 8u);
    EXPECT_EQ(TextureHeight(id), 6u);
    EXPECT_EQ(TextureFrameCount(id), 3);
    // The default rate advances every call.
    for (int call = 0; call < 7; ++call) {
        EXPECT_EQ(ShownFrame(), call % 3) << call;
        AdvanceAnimation(id, 8.0f);
    }
    SetTextureFrame(id, 5);  // wraps into the set
    EXPECT_EQ(ShownFrame(), 2);
    SetTextureFrame(id, -1);
    EXPECT_EQ(ShownFrame(), 2);
}

TEST_F(PlatformGraphics, RotatedSquareAtAngleZeroIsAxisAligned) {
    int id = LoadTexture(WriteSolidTga("square.tga", 16, 16, 0xFFFFFFFF).c_str());
    ASSERT_GE(id, 0);
    SpriteVertex v[4];
    DrawRotatedSprite(id, 100.0f, 60.0f, 0.0f, 10.0f, 16.0f, v, nullptr, false);
    // Each corner is within a pixel of (x +- halfSize, y +- halfSize), lies on a whole pixel minus 0.5, and
    // the texture spans the whole image.
    const float xs[4] = {90, 90, 110, 110}, ys[4] = {70, 50, 70, 50};
    const float us[4] = {0, 0, 1, 1}, vs[4] = {1, 0, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(v[i].x + 0.5f, xs[i], 1.0f) << i;
        EXPECT_NEAR(v[i].y + 0.5f, ys[i], 1.0f) << i;
        EXPECT_EQ(v[i].x + 0.5f, std::trunc(v[i].x + 0.5f));
        EXPECT_FLOAT_EQ(v[i].u, us[i]);
        EXPECT_FLOAT_EQ(v[i].v, vs[i]);
    }
    EXPECT_EQ(v[0].x, v[1].x);
    EXPECT_EQ(v[2].x, v[3].x);
    EXPECT_EQ(v[1].y, v[3].y);
    EXPECT_EQ(v[0].y, v[2].y);
    EXPECT_EQ(QueuedSpriteCount(), 0);  // drawn into the caller's vertices, nothing queued

    // Drawn at once it fills the square and nothing around it.
    DrawRotatedSprite(id, 100.0f, 60.0f, 0.0f, 10.0f, 16.0f, nullptr, nullptr, true);
    EXPECT_EQ(PicturePixel(100, 60), 0xFFFFFFFFu);
    EXPECT_EQ(PicturePixel(91, 51), 0xFFFFFFFFu);
    EXPECT_EQ(PicturePixel(88, 60), 0xFF000000u);
    EXPECT_EQ(PicturePixel(100, 72), 0xFF000000u);
}

TEST_F(PlatformGraphics, QueueKeepsTexturesAndStopsAtItsCapacity) {
    int id = LoadTexture(WriteSolidTga("queued.tga", 4, 4, 0xFFFFFFFF).c_str());
    ASSERT_GE(id, 0);
    DrawRotatedSprite(id, 50.0f, 50.0f, 0.0f, 5.0f, 4.0f, nullptr, nullptr, false);
    DrawRotatedSprite(-1, 60.0f, 50.0f, 0.0f, 5.0f, 4.0f, nullptr, nullptr, false);
    ASSERT_EQ(QueuedSpriteCount(), 2);
    EXPECT_EQ(QueuedSpriteTexture(0), id);
    EXPECT_EQ(QueuedSpriteTexture(1), -1);
    EXPECT_NEAR(QueuedSpriteVertices(1)[0].x + 0.5f, 55.0f, 1.0f);

    // A slot receives the vertices; the square is not queued.
    SpriteVertex* slot = nullptr;
    DrawRotatedSprite(id, 70.0f, 50.0f, 0.0f, 5.0f, 4.0f, nullptr, &slot, false);
    ASSERT_NE(slot, nullptr);
    EXPECT_NEAR(slot[0].x + 0.5f, 65.0f, 1.0f);
    EXPECT_EQ(QueuedSpriteCount(), 2);

    // 256 atoms with five squares each fit; beyond the capacity nothing more is kept.
    for (int i = 0; i < QueuedSpriteCapacity + 50; ++i)
        DrawRotatedSprite(id, 10.0f, 10.0f, 0.1f * i, 3.0f, 4.0f, nullptr, nullptr, false);
    EXPECT_EQ(QueuedSpriteCount(), QueuedSpriteCapacity);
    EXPECT_GE(QueuedSpriteCapacity, 256 * 5);
    EXPECT_EQ(QueuedSpriteTexture(QueuedSpriteCapacity), -1);
    ResetSpriteQueues();
    EXPECT_EQ(QueuedSpriteCount(), 0);
}

TEST_F(PlatformGraphics, FailedIdsNeverChangeTheBoundImage) {
    int red = LoadTexture(WriteSolidTga("red.tga", 4, 4, 0xFFFF0000).c_str());
    ASSERT_GE(red, 0);
    BindTexture(red);
    BindTexture(-1);
    BindTexture(TextureCapacity);
    BindTexture(100000);
    SpriteVertex quad[4] = {{9.5f, 9.5f, 0, 1, 0, 0},
                            {13.5f, 9.5f, 0, 1, 1, 0},
                            {9.5f, 13.5f, 0, 1, 0, 1},
                            {13.5f, 13.5f, 0, 1, 1, 1}};
    DrawQuad(quad);
    EXPECT_EQ(PicturePixel(11, 11), 0xFFFF0000u);
    DrawSprite(-1, 20, 20, 4, 4, true);  // draws with the image still bound, never out of the table
    EXPECT_EQ(TextureWidth(-1), 0u);
    EXPECT_EQ(TextureFrameCount(TextureCapacity + 3), 0);
    AdvanceAnimation(-1, 8.0f);
    SetTextureFrame(-5, 2);
}

TEST_F(PlatformGraphics, FadeModulatesAlphaAndTintModulatesColour) {
    int white = LoadTexture(WriteSolidTga("white.tga", 4, 4, 0xFFFFFFFF).c_str());
    ASSERT_GE(white, 0);
    // A fade: alpha from the factor, colour from the image.
    SetModulation(1, 1);
    SetTextureFactor(0x80FF0000);
    DrawSprite(white, 0, 0, 4, 4, true);
    uint32_t faded = PicturePixel(1, 1);
    for (int shift : {0, 8, 16}) EXPECT_NEAR(Channel(faded, shift), 0x80, 2) << shift;
    // Mode 2 takes the colour from the factor as well.
    SetModulation(1, 2);
    SetTextureFactor(0xFF00FF00);
    DrawSprite(white, 10, 0, 4, 4, true);
    EXPECT_EQ(PicturePixel(11, 1), 0xFF00FF00u);
    // Switching modulation off restores the alpha only; the reset factor makes the colour plain again.
    SetModulation(0, 0);
    SetTextureFactor(0x00FF0000);
    DrawSprite(white, 20, 0, 4, 4, true);
    EXPECT_EQ(PicturePixel(21, 1), 0xFFFF0000u);
    SetTextureFactor(0xFFFFFFFF);
    DrawSprite(white, 30, 0, 4, 4, true);
    EXPECT_EQ(PicturePixel(31, 1), 0xFFFFFFFFu);
}

TEST_F(PlatformGraphics, BlendingModes) {
    int half = LoadTexture(WriteSolidTga("half.tga", 4, 4, 0x80FF0000).c_str());
    ASSERT_GE(half, 0);
    ClearScene(0xFF0000FF);
    DrawSprite(half, 0, 0, 4, 4, true);
    uint32_t blended = PicturePixel(1, 1);
    EXPECT_NEAR(Channel(blended, 16), 0x80, 2);
    EXPECT_NEAR(Channel(blended, 0), 0x7F, 2);

    SetAdditiveBlending(true);
    DrawSprite(half, 10, 0, 4, 4, true);
    uint32_t added = PicturePixel(11, 1);
    EXPECT_NEAR(Channel(added, 16), 0x80, 2);
    EXPECT_EQ(Channel(added, 0), 0xFF);
    SetAdditiveBlending(false);

    SetAlphaBlending(false);
    DrawSprite(half, 20, 0, 4, 4, true);
    EXPECT_EQ(PicturePixel(21, 1), 0xFFFF0000u);
}

TEST_F(PlatformGraphics, SavedPictureLoadsBackAsTheSamePicture) {
    int id = LoadTexture(WriteTga("shot_source.tga", 37, 21, Pattern).c_str());
    ASSERT_GE(id, 0);
    ClearScene(0xFF336699);
    DrawSprite(id, 5, 7, 37, 21, true);
    std::string png = (ScratchDir() / "shot.png").string();
    ASSERT_TRUE(SavePicture(png.c_str()));
    int shot = LoadTexture(png.c_str());
    ASSERT_GE(shot, 0);
    EXPECT_EQ(TextureWidth(shot), 480u);
    EXPECT_EQ(TextureHeight(shot), 272u);
    ClearScene(0xFF000000);
    SetAlphaBlending(false);
    DrawSprite(shot, 0, 0, 480, 272, true);
    EXPECT_EQ(PicturePixel(5 + 10, 7 + 3), Pattern(10, 3));
    EXPECT_EQ(PicturePixel(300, 200), 0xFF336699u);
    EXPECT_FALSE(SavePicture((ScratchDir() / "no_such_dir" / "x.png").string().c_str()));
}

// A clear waits for the next drawing; a kept backdrop put back over the whole picture replaces it.
TEST_F(PlatformGraphics, ClearIsSeenByEveryDrawingAndReadAndReplacedByTheBackdrop) {
    int id = LoadTexture(WriteTga("backdrop_source.tga", 37, 21, Pattern).c_str());
    ASSERT_GE(id, 0);
    ClearScene(0xFF336699);
    DrawSprite(id, 5, 7, 37, 21, true);
    KeepBackdrop();
    ClearScene(0xFFFFFFFF);
    ASSERT_TRUE(DrawBackdrop());
    EXPECT_EQ(PicturePixel(5 + 10, 7 + 3), Pattern(10, 3));
    EXPECT_EQ(PicturePixel(300, 200), 0xFF336699u);
    ClearScene(0xFF102030);
    EXPECT_EQ(PicturePixel(5 + 10, 7 + 3), 0xFF102030u);
    ClearScene(0xFF203040);
    DrawSprite(id, 100, 50, 37, 21, true);
    EXPECT_EQ(PicturePixel(100, 50), Pattern(0, 0));
    EXPECT_EQ(PicturePixel(5 + 10, 7 + 3), 0xFF203040u);
    ClearScene(0xFF405060);
    std::vector<uint32_t> picture(ScreenWidth * ScreenHeight);
    ASSERT_TRUE(ReadPicture(picture.data()));
    EXPECT_EQ(picture[7 * ScreenWidth + 5] | 0xFF000000u, 0xFF405060u);
}

TEST_F(PlatformGraphics, FullTableRefusesLoadsWithoutWritingPastIt) {
    // Run in a child process: the table stays full afterwards.
    EXPECT_EXIT(
        {
            std::string path = WriteSolidTga("filler.tga", 2, 2, 0xFFFFFFFF);
            WriteSolidTga("filler_set_0.tga", 2, 2, 0xFFFFFFFF);
            int last = -1;
            while (TextureCount() < TextureCapacity) {
                int id = LoadTexture(path.c_str());
                if (id != last + 1 && last != -1) std::exit(2);
                last = id;
            }
            bool refused = LoadTexture(path.c_str()) == -1 &&
                           LoadTextureSet((ScratchDir() / "filler_set_").string().c_str(), 0, 0) == -1 &&
                           LoadNumberedTexture((ScratchDir() / "filler_set_").string().c_str(), 0) == -1;
            bool intact = TextureCount() == TextureCapacity && last == TextureCapacity - 1 &&
                          TextureWidth(TextureCapacity - 1) == 2u && TextureWidth(TextureCapacity) == 0u;
            std::exit(refused && intact ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

namespace {

TEST_F(PlatformGraphics, EqualizerBarStartsHalfATexelAboveItsImage) {
    // The bar image: row r has red level 8 r. The game draws it 3 L tall with top -0.5 texel and bottom
    // 3 L + 0.5 texels; the rows shown must follow the image top down and never come from its far edge.
    int bar = LoadTexture(
        WriteTga("bar.tga", 32, 32, [](int, int y) { return 0xFF000000u | (y * 8u) << 16; }).c_str());
    ASSERT_GE(bar, 0);
    int level = 4;
    DrawSprite(bar, 40, 100, 32, static_cast<uint16_t>(3 * level), true, 1.0f, (3 * level + 0.5f) / 32.0f,
               0.0f, -0.015625f);
    int previous = -1;
    for (int y = 0; y < 3 * level; ++y) {
        int red = Channel(PicturePixel(50, 100 + y), 16);
        EXPECT_LE(red, 8 * (3 * level + 1)) << y;
        EXPECT_GE(red, previous) << y;
        previous = red;
    }
    EXPECT_EQ(PicturePixel(50, 100 + 3 * level), 0xFF000000u);
}

}  // namespace

// Headless, textured triangles are drawn by our own rasteriser and sprites are sent in batches: the picture
// must be the one SDL's software renderer draws itself, pixel for pixel, for every state the game uses.
TEST_F(PlatformGraphics, OwnRasteriserDrawsExactlyWhatSdlDraws) {
    std::mt19937 random(1234);
    auto texel = [&random](int, int) {
        uint32_t alpha = std::array<uint32_t, 4>{0, 255, 128, static_cast<uint32_t>(random() & 0xFF)}[random() % 4];
        return alpha << 24 | static_cast<uint32_t>(random() & 0xFFFFFF);
    };
    int image = LoadTexture(WriteTga("noise.tga", 37, 29, texel).c_str());
    int square = LoadTexture(WriteTga("noise_square.tga", 32, 32, texel).c_str());
    // A soft spot: noise inside a circle, transparent black around it (added copies skip what adds nothing).
    int spot = LoadTexture(WriteTga("noise_spot.tga", 40, 36, [&texel](int x, int y) {
                               int dx = x - 20, dy = y - 17;
                               return dx * dx + dy * dy < 15 * 15 ? texel(x, y) : 0u;
                           }).c_str());
    ASSERT_GE(image, 0);
    ASSERT_GE(square, 0);
    ASSERT_GE(spot, 0);

    auto drawScene = [&](uint32_t seed) {
        std::mt19937 r(seed);
        ClearScene(0xFF203040);
        for (int i = 0; i < 300; ++i) {
            int mode = static_cast<int>(r() % 6);
            SetAlphaBlending(mode != 0);
            SetAdditiveBlending(mode == 1);
            SetModulation(1, mode == 2 ? 2 : 1);
            if (mode >= 4) SetModulation(0, 0);
            SetTextureFactor(r() % 3 == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(r()));
            SetLinearMagnification(r() % 2 == 0);
            int id = std::array<int, 3>{image, square, spot}[r() % 3];
            float x = static_cast<float>(r() % 560) - 40.0f, y = static_cast<float>(r() % 350) - 40.0f;
            float angle = r() % 4 == 0 ? 0.0f : static_cast<float>(r() % 6283) / 1000.0f;
            float half = 3.0f + static_cast<float>(r() % 60);
            // Now and then a square far larger than the picture, whose texel numbers need 64 bits.
            if (r() % 50 == 0) half = 400.0f + static_cast<float>(r() % 400);
            float span = 1.0f + static_cast<float>(r() % 32);
            // Runs of squares with the same state make batches.
            for (int k = static_cast<int>(r() % 4); k >= 0; --k) {
                SpriteVertex corners[4];
                DrawRotatedSprite(id, x + 9.0f * static_cast<float>(k), y, angle, half, span, corners, nullptr, true);
            }
            if (r() % 5 == 0)
                DrawSprite(id, static_cast<uint16_t>(r() % 470), static_cast<uint16_t>(r() % 260),
                           static_cast<uint16_t>(1 + r() % 90), static_cast<uint16_t>(1 + r() % 90), true);
            // Copies at the image's own size, also over the edges of the picture.
            if (r() % 3 == 0) {
                int w = static_cast<int>(TextureWidth(id)), h = static_cast<int>(TextureHeight(id));
                int left = static_cast<int>(r() % 540) - 30, top = static_cast<int>(r() % 330) - 30;
                SpriteVertex corners[4] = {
                    {left - 0.5f, top - 0.5f, 0.0f, 1.0f, 0.0f, 0.0f},
                    {left + w - 0.5f, top - 0.5f, 0.0f, 1.0f, 1.0f, 0.0f},
                    {left - 0.5f, top + h - 0.5f, 0.0f, 1.0f, 0.0f, 1.0f},
                    {left + w - 0.5f, top + h - 0.5f, 0.0f, 1.0f, 1.0f, 1.0f}};
                BindTexture(id);
                DrawQuad(corners);
            }
            // Enlarged and shrunk copies (point or smooth scaling), also over the left and top edges.
            if (r() % 3 == 0) {
                // Small ones are kept scaled; large ones are scaled anew each time.
                const uint32_t most = r() % 2 ? 60 : 130;
                float w = static_cast<float>(2 + r() % most), h = static_cast<float>(2 + r() % most);
                float left = static_cast<float>(static_cast<int>(r() % 560) - 70) - 0.5f;
                float top = static_cast<float>(static_cast<int>(r() % 350) - 70) - 0.5f;
                SpriteVertex corners[4] = {{left, top, 0.0f, 1.0f, 0.0f, 0.0f},
                                           {left + w, top, 0.0f, 1.0f, 1.0f, 0.0f},
                                           {left, top + h, 0.0f, 1.0f, 0.0f, 1.0f},
                                           {left + w, top + h, 0.0f, 1.0f, 1.0f, 1.0f}};
                BindTexture(id);
                DrawQuad(corners);
            }
            if (r() % 7 == 0) {
                int left = static_cast<int>(r() % 400), top = static_cast<int>(r() % 240);
                DrawFontText(static_cast<FontId>(r() % FontCount), "Level 12 of 10, Уровень", -1, left, top,
                             left + 80, top + 20, static_cast<uint32_t>(r()), TextCentre | TextVCentre);
            }
        }
        // The soft spot smoothly scaled (and kept so) over the top and left edges, blended and added.
        SetModulation(0, 0);
        SetTextureFactor(0xFFFFFFFF);
        SetLinearMagnification(true);
        SetAlphaBlending(true);
        for (int k = 0; k < 6; ++k) {
            SetAdditiveBlending(k % 2 == 1);
            float left = (k < 3 ? -7.5f : 200.5f) - 3.0f * static_cast<float>(k), top = -9.5f - 2.0f * static_cast<float>(k);
            float w = 30.0f + 4.0f * static_cast<float>(k), h = 28.0f + 3.0f * static_cast<float>(k);
            SpriteVertex corners[4] = {{left, top, 0.0f, 1.0f, 0.0f, 0.0f},
                                       {left + w, top, 0.0f, 1.0f, 1.0f, 0.0f},
                                       {left, top + h, 0.0f, 1.0f, 0.0f, 1.0f},
                                       {left + w, top + h, 0.0f, 1.0f, 1.0f, 1.0f}};
            BindTexture(spot);
            DrawQuad(corners);
        }
        SetLinearMagnification(false);
        SetAdditiveBlending(false);
    };

    std::vector<uint32_t> sdl(ScreenWidth * ScreenHeight), ours(ScreenWidth * ScreenHeight);
    for (uint32_t seed : {1u, 2u, 3u}) {
        UseOwnSoftwareRaster(false);
        drawScene(seed);
        ASSERT_TRUE(ReadPicture(sdl.data()));
        UseOwnSoftwareRaster(true);
        drawScene(seed);
        ASSERT_TRUE(ReadPicture(ours.data()));
        int differing = 0, first = -1;
        for (size_t i = 0; i < sdl.size(); ++i)
            if (sdl[i] != ours[i]) {
                if (first < 0) first = static_cast<int>(i);
                ++differing;
            }
        EXPECT_EQ(differing, 0) << "seed " << seed << ", first at " << first % ScreenWidth << ","
                                << first / ScreenWidth;
    }
}

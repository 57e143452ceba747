// Upright textured rectangles at signed screen positions.
#include "render/sprite_rect.h"

#include "platform/graphics.h"
#include "render/images.h"

namespace {

SpriteVertex rectVertices[4];  // reused by every call: nothing is allocated per frame
SpriteVertex squareVertices[4];

}  // namespace

void DrawSpriteAt(int id, int x, int y, int w, int h, float uRight, float vBottom, float uLeft, float vTop) {
    if (id < 0 || w <= 0 || h <= 0) return;
    // The same half-pixel shift as DrawSprite: texel centres land on pixel centres.
    float left = static_cast<float>(x) - 0.5f, top = static_cast<float>(y) - 0.5f;
    float right = left + static_cast<float>(w), bottom = top + static_cast<float>(h);
    rectVertices[0] = {left, top, 0.0f, 1.0f, uLeft, vTop};
    rectVertices[1] = {right, top, 0.0f, 1.0f, uRight, vTop};
    rectVertices[2] = {left, bottom, 0.0f, 1.0f, uLeft, vBottom};
    rectVertices[3] = {right, bottom, 0.0f, 1.0f, uRight, vBottom};
    BindTexture(id);
    DrawQuad(rectVertices);
}

void DrawRotatedSquare(int id, float x, float y, float angle, float halfSize, float texelSpan) {
    if (id < 0) return;
    // Into our own vertices, so the sprite queue of the frame is left alone.
    DrawRotatedSprite(id, x, y, angle, halfSize, texelSpan, squareVertices, nullptr, false);
    BindTexture(id);
    DrawQuad(squareVertices);
}

void FillRect(int x, int y, int w, int h, uint32_t argb) {
    SetModulation(1, 2);  // colour and alpha from the factor
    SetTextureFactor(argb);
    DrawSpriteAt(images.pixel, x, y, w, h);
    SetModulation(1, 1);
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);
}

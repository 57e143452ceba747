// Upright textured rectangles at signed screen positions, for effects that may hang over the picture's edge.
#pragma once
#include <cstdint>

// Like DrawSprite drawn at once, but x and y may be negative or beyond the picture (the part inside shows),
// and a missing image (id -1) draws nothing instead of repeating the last bound one.
void DrawSpriteAt(int id, int x, int y, int w, int h, float uRight = 1.0f, float vBottom = 1.0f,
                  float uLeft = 0.0f, float vTop = 0.0f);
// A rotated square drawn at once (DrawRotatedSprite); nothing for a missing image.
void DrawRotatedSquare(int id, float x, float y, float angle, float halfSize, float texelSpan);
// A flat colour (ARGB, its alpha the cover) over a rectangle, drawn at once; modulation and factor are
// left as plain texturing.
void FillRect(int x, int y, int w, int h, uint32_t argb);

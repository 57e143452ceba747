// The graphics device: the 480x272 picture, the texture table, the two sprite primitives, states, present.
#pragma once
#include <cstdint>

struct SpriteVertex {
    float x, y;  // pixels
    float z, rhw;
    float u, v;
};

constexpr int TextureCapacity = 256;
constexpr int TextureFrameCapacity = 128;
// Enough rotated squares for 256 atoms with five squares each.
constexpr int QueuedSpriteCapacity = 1280;

// Creates the renderer (the window's, or a software one when headless) and the 480x272 picture.
bool CreateGraphicsDevice();

// Texture table. Ids are indices 0..255; -1 is a failed load and draws nothing textured.
int LoadTexture(const char* fileName);
int LoadTextureSet(const char* prefix, unsigned first, unsigned last);  // "%s%u.tga"
int LoadNumberedTexture(const char* prefix, unsigned n);                 // "%s%u.tga"
int LoadNumberedTextureSet(const char* prefix, unsigned n, unsigned first, unsigned last);  // "%s%u_"
int TextureCount();
unsigned TextureWidth(int id);
unsigned TextureHeight(int id);
int TextureFrameCount(int id);
void SetTextureFrame(int id, int frame);   // currentFrame, wrapped into the set
void SetTextureFrameRate(int id, float framesPerSecond);
void BindTexture(int id);
void AdvanceAnimation(int id, float divisor);

// Stage-0 combiners and texture factor (see the sprite drawing for how they apply).
void SetModulation(int enable, int mode);
void SetTextureFactor(uint32_t argb);
void SetAlphaBlending(bool on);       // off: sprites replace what is below
void SetAdditiveBlending(bool on);    // destination factor one instead of inverse source alpha
void SetLinearMagnification(bool on); // linear or point sampling when a texture is enlarged
void SetScissor(bool on);

// Axis-aligned textured rectangle with the half-pixel shift.
void DrawSprite(int id, uint16_t x, uint16_t y, uint16_t w, uint16_t h, bool drawNow, float uRight = 1.0f,
                float vBottom = 1.0f, float uLeft = 0.0f, float vTop = 0.0f);
// Rotated square of side 2*halfSize centred on (x, y). Vertices go to vertexTarget when given, else to the
// frame queue; with a slot the slot receives the vertex pointer and nothing is drawn.
void DrawRotatedSprite(int id, float x, float y, float angle, float halfSize, float texelSpan,
                       SpriteVertex* vertexTarget, SpriteVertex** slot, bool drawNow);
// Draws four vertices (corners in the order of DrawRotatedSprite) with the bound texture.
void DrawQuad(const SpriteVertex vertices[4]);
// The frame queue of rotated squares: count, the vertices and texture of square i.
int QueuedSpriteCount();
SpriteVertex* QueuedSpriteVertices(int index);
int QueuedSpriteTexture(int index);
// Start of a frame: quad cursor and queue back to 0.
void ResetSpriteQueues();

// Scene.
void ClearScene(uint32_t argb);
void BeginScene();
void EndScene();
// A kept copy of the picture, for layers that stay the same from frame to frame: KeepBackdrop takes the
// picture as it is now; DrawBackdrop puts it back over the whole picture (false when none is kept, and
// always when a GPU draws the picture, which draws the layers anew at little cost).
void KeepBackdrop();
bool DrawBackdrop();
// Shows the picture stretched into the picture rectangle. False when the device is lost.
bool Present();
// Saves the 480x272 logical picture as PNG.
bool SavePicture(const char* pngFile);
// Reads one pixel of the logical picture (ARGB), for tests.
uint32_t PicturePixel(int x, int y);
// Reads the whole logical picture (480x272 ARGB, alpha as drawn), for tests.
bool ReadPicture(uint32_t* argb);
// Headless, textured triangles are drawn by our own rasteriser, pixel for pixel what SDL's software
// renderer draws; tests switch it off to compare the two.
void UseOwnSoftwareRaster(bool on);

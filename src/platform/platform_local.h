// Shared between the files of the platform layer only: the SDL handles and the device-table updates.
#pragma once
#include <SDL.h>

#include <cstdint>

// The game window; null when headless.
SDL_Window* PlatformWindow();
// The renderer made by CreateGraphicsDevice; null before.
SDL_Renderer* PlatformRenderer();
// The 480x272 render target (the back buffer).
SDL_Texture* PlatformPicture();

// Device tables, updated by the message dispatch.
void SetKeyState(int scanCode, bool down);
void ClearKeyTable();
void SetMouseButtonState(int button, bool down);
// True when this change of a key or button must wait for a read of the tables: its previous change, a press
// or a release, has not been seen yet.
bool KeyChangeMustWait(int scanCode, bool down);
bool ButtonChangeMustWait(int button, bool down);
void SetFocusState(bool focused);
// DirectInput (set 1) scan code of an SDL scancode; 0 when the game has no use for the key.
int ScanCodeFromSdl(SDL_Scancode scancode);
// Starts SDL's controller subsystem once; opens the first game controller; handles hot-plug events.
bool StartControllerSupport();
void OpenFirstController();
void HandleControllerEvent(const SDL_Event& event);

// Texture stage 0: the image the next sprite is drawn with (null = none yet).
void SetStageTexture(SDL_Texture* texture);
// Loads an image file at its exact size as an ARGB8888 texture; null on failure.
// An image file decoded, after its header's size was checked (at most 4096 x 4096); null on any failure.
SDL_Surface* DecodeImageFile(const char* fileName);
SDL_Texture* LoadImageTexture(const char* fileName, unsigned* width, unsigned* height);

// Textured triangles as SDL_RenderGeometry draws them (int indices). On the headless software renderer
// they are drawn by our own rasteriser, pixel for pixel what SDL would draw, into the target surface.
int RenderTriangles(SDL_Texture* texture, const SDL_Vertex* vertices, int vertexCount, const int* indices,
                    int indexCount);
// SDL_RenderCopyF on the headless software renderer (at the texture's own size or scaled by points or
// smoothly), drawn by our own stretcher and blitter with SDL's arithmetic; false when it does not apply
// (SDL has to draw it).
bool CopyTextureRect(SDL_Texture* texture, const SDL_Rect& source, const SDL_FRect& target);
// The surface the software renderer draws on (null: every drawing goes through SDL).
void SetSoftRasterTarget(SDL_Renderer* renderer, SDL_Surface* target);
// Tests switch our rasteriser off to compare with SDL's own.
void SetSoftRasterEnabled(bool on);
// The renderer's clip rectangle (null: none), known to the rasteriser too.
void SetPictureClip(const SDL_Rect* box);
// Hands the texture's ARGB8888 pixels to the rasteriser, which keeps them; frees them when it has no use.
void KeepTexturePixels(SDL_Texture* texture, SDL_Surface* argb);
// Destroys a texture and the pixels kept with it.
void DestroyTexture(SDL_Texture* texture);
// Sends the sprites collected so far to the renderer; every other drawing call does this first.
void FlushSprites();

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
// Opens the first game controller; handles hot-plug events.
void OpenFirstController();
void HandleControllerEvent(const SDL_Event& event);

// Texture stage 0: the image the next sprite is drawn with (null = none yet).
void SetStageTexture(SDL_Texture* texture);
// Loads an image file at its exact size as an ARGB8888 texture; null on failure.
// An image file decoded, after its header's size was checked (at most 4096 x 4096); null on any failure.
SDL_Surface* DecodeImageFile(const char* fileName);
SDL_Texture* LoadImageTexture(const char* fileName, unsigned* width, unsigned* height);

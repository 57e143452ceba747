// The window, its messages, the picture rectangle, the cursor and the message box.
#pragma once
#include <cstdint>

constexpr int ScreenWidth = 480;  // logical picture, pixels
constexpr int ScreenHeight = 272;

struct PlatformOptions {
    bool headless = false;      // no window, no audio device; drawing goes offscreen
    const char* title = "";     // window title, UTF-8
    const char* iconPath = "";  // PNG of the window icon
};

// Starts the platform; creates the captioned window (client area 480x272, centred on the desktop)
// unless headless. False when the window cannot be made.
bool CreateMainWindow(const PlatformOptions& options);
bool IsHeadless();
// Declares headless mode before the window exists, so that early message boxes go to stderr only.
void SetHeadlessMode(bool headless);

// One message per pass of the main loop.
enum class MessageType : uint8_t {
    None,      // nothing waiting
    Quit,      // the quit message (posted by PostQuitMessage)
    Close,     // the window was closed
    Maximize,  // the maximise command of the window
    Other,     // any other event; input tables were already updated
};
bool PeekMessage();        // a message is waiting (nothing is removed)
MessageType GetMessage();  // removes and dispatches one message; Quit when the quit message is taken
void PostQuitMessage();

// Picture placement: the render window is a rectangle inside the SDL window.
void DesktopSize(int* width, int* height);
// Captioned window whose client area is width x height, centred on the desktop; picture fills it.
void SetWindowedMode(int width, int height);
// Borderless window covering the desktop; the picture rectangle as given (desktop coordinates).
void SetBorderlessMode();
void SetPictureRect(int x, int y, int width, int height);
// Current client size of the window and the picture rectangle inside it (for tests and mouse mapping).
void WindowClientSize(int* width, int* height);
void PictureRect(int* x, int* y, int* width, int* height);
bool IsBorderless();

// Cursor position mapped to the logical screen: trunc(cursor / picture size * 480 or 272), unclamped.
void CursorInPicture(int* x, int* y);

enum class CursorShape : uint8_t { Arrow, Hand };
void ShowSystemCursor(bool show);
void SetCursorShape(CursorShape shape);

// The "Sorry!" box; when headless the text goes to stderr.
void ShowMessageBox(const char* caption, const char* text);
void OpenWebPage(const char* url);

// Events fed by the script player (--script); they take the same path as real events.
void InjectKey(int scanCode, bool down);
void InjectMouseMove(int logicalX, int logicalY);
void InjectMouseButton(int button, bool down);  // 0 left, 1 right
void InjectClose();

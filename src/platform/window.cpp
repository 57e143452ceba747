// The game window and its messages: one SDL window whose picture rectangle is the game's render window, a
// fixed message queue fed by SDL events and by scripted input, the cursor and the message box.
#include "platform/window.h"

#include <SDL_image.h>

#include <cstdio>

#include "platform/platform_local.h"

namespace {

// Messages waiting for GetMessage. When the ring is full, SDL events stay in SDL's own queue until there is
// room, and scripted events are dropped (a script would have to deliver hundreds in one frame).
constexpr int MessageCapacity = 512;

enum class MessageKind : uint8_t { Sdl, Key, MouseMove, MouseButton, Close };

struct Message {
    MessageKind kind;
    int a, b;  // key: scan code, down; mouse move: logical x, y; button: index, down
    SDL_Event event;
};

struct WindowState {
    bool started = false;
    bool headless = false;
    SDL_Window* window = nullptr;
    bool borderless = false;
    int clientWidth = ScreenWidth, clientHeight = ScreenHeight;                                // pixels
    int pictureX = 0, pictureY = 0, pictureWidth = ScreenWidth, pictureHeight = ScreenHeight;  // pixels
    bool quitPosted = false;
    // Scripted cursor: while set (headless, or a scripted move after the last real one) the cursor is here.
    bool cursorInjected = false;
    int injectedX = 0, injectedY = 0;  // logical pixels
    SDL_Cursor* arrowCursor = nullptr;
    SDL_Cursor* handCursor = nullptr;
    Message queue[MessageCapacity];
    int queueHead = 0, queueCount = 0;
};

WindowState win;

bool PushMessage(const Message& message) {
    if (win.queueCount >= MessageCapacity) return false;
    win.queue[(win.queueHead + win.queueCount) % MessageCapacity] = message;
    ++win.queueCount;
    return true;
}

// Moves events from SDL into the ring while there is room.
void PumpEvents() {
    while (win.queueCount < MessageCapacity) {
        Message message{};
        if (!SDL_PollEvent(&message.event)) break;
        message.kind = MessageKind::Sdl;
        PushMessage(message);
    }
}

// The window stays resizable for the window manager, or it would offer no maximise button (a window whose
// minimum and maximum sizes agree is not maximisable). It cannot be made smaller than the client size, and a
// size the player drags is undone when its change arrives (see the dispatch).
void FixWindowSize(int width, int height) {
    SDL_SetWindowMaximumSize(win.window, 16384, 16384);
    SDL_SetWindowMinimumSize(win.window, width, height);
}

// A windowed client that is not the size the game gave it, and not maximised (the shell answers that with
// the borderless mode), goes back to its size.
void KeepWindowedSize() {
    if (!win.window || win.borderless) return;
    if (SDL_GetWindowFlags(win.window) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)) return;
    int width, height;
    SDL_GetWindowSize(win.window, &width, &height);
    if (width != win.clientWidth || height != win.clientHeight)
        SDL_SetWindowSize(win.window, win.clientWidth, win.clientHeight);
}

// The game's index of an SDL mouse button: 0 left, 1 right, 2 middle, 3 extra; -1 for others.
int GameButton(uint8_t sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            return 0;
        case SDL_BUTTON_RIGHT:
            return 1;
        case SDL_BUTTON_MIDDLE:
            return 2;
        case SDL_BUTTON_X1:
            return 3;
        default:
            return -1;
    }
}

// The next message changes a key or button whose previous change no poll has seen: it waits for the next
// frame, and the messages behind it with it, so that the order of events is kept.
bool NextMessageMustWait() {
    if (win.queueCount == 0) return false;
    const Message& message = win.queue[win.queueHead];
    switch (message.kind) {
        case MessageKind::Key:
            return KeyChangeMustWait(message.a, message.b != 0);
        case MessageKind::MouseButton:
            return ButtonChangeMustWait(message.a, message.b != 0);
        case MessageKind::Sdl: {
            const SDL_Event& event = message.event;
            if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP)
                return KeyChangeMustWait(ScanCodeFromSdl(event.key.keysym.scancode),
                                         event.type == SDL_KEYDOWN);
            if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP)
                return ButtonChangeMustWait(GameButton(event.button.button),
                                            event.type == SDL_MOUSEBUTTONDOWN);
            return false;
        }
        default:
            return false;
    }
}

MessageType DispatchSdlEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            return MessageType::Close;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            SetKeyState(ScanCodeFromSdl(event.key.keysym.scancode), event.type == SDL_KEYDOWN);
            return MessageType::Other;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            SetMouseButtonState(GameButton(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            return MessageType::Other;
        case SDL_MOUSEMOTION:
            win.cursorInjected = win.headless;
            return MessageType::Other;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    return MessageType::Close;
                case SDL_WINDOWEVENT_MAXIMIZED:
                    return win.borderless ? MessageType::Other : MessageType::Maximize;
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    KeepWindowedSize();
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    SetFocusState(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    SetFocusState(false);
                    break;
                default:
                    break;
            }
            return MessageType::Other;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
            HandleControllerEvent(event);
            return MessageType::Other;
        default:
            return MessageType::Other;
    }
}

}  // namespace

SDL_Window* PlatformWindow() {
    return win.window;
}

bool CreateMainWindow(const PlatformOptions& options) {
    win.headless = options.headless;
    if (win.headless) {
        if (!win.started && SDL_Init(SDL_INIT_EVENTS) != 0) return false;
        win.started = true;
        return true;
    }
    if (!win.started && SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return false;
    }
    win.started = true;
    // Alt is a game key; nothing in the window reacts to it. Keep the desktop compositor running.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    const char* title = options.title ? options.title : "";
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_OPENGL;
    win.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth,
                                  ScreenHeight, flags);
    if (!win.window)  // no OpenGL: the renderer falls back to software
        win.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ScreenWidth,
                                      ScreenHeight, SDL_WINDOW_RESIZABLE);
    if (!win.window) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return false;
    }
    FixWindowSize(ScreenWidth, ScreenHeight);
    if (options.iconPath && options.iconPath[0]) {
        if (SDL_Surface* icon = DecodeImageFile(options.iconPath)) {
            SDL_SetWindowIcon(win.window, icon);
            SDL_FreeSurface(icon);
        }
    }
    win.arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    win.handCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    if (win.arrowCursor) SDL_SetCursor(win.arrowCursor);
    SDL_StopTextInput();  // characters come from the key table, never from an input method
    SDL_ShowWindow(win.window);
    SDL_RaiseWindow(win.window);
    SDL_SetWindowInputFocus(win.window);
    SetFocusState((SDL_GetWindowFlags(win.window) & SDL_WINDOW_INPUT_FOCUS) != 0);
    StartControllerSupport();
    OpenFirstController();
    SetWindowedMode(ScreenWidth, ScreenHeight);
    return true;
}

bool IsHeadless() {
    return win.headless;
}

void SetHeadlessMode(bool headless) {
    win.headless = headless;
}

bool PeekMessage() {
    if (win.quitPosted) return true;
    if (win.queueCount == 0) PumpEvents();
    return win.queueCount > 0 && !NextMessageMustWait();
}

MessageType GetMessage() {
    if (win.quitPosted) {
        win.quitPosted = false;
        return MessageType::Quit;
    }
    if (win.queueCount == 0) PumpEvents();
    if (win.queueCount == 0 || NextMessageMustWait()) return MessageType::None;
    Message message = win.queue[win.queueHead];
    win.queueHead = (win.queueHead + 1) % MessageCapacity;
    --win.queueCount;
    switch (message.kind) {
        case MessageKind::Sdl:
            return DispatchSdlEvent(message.event);
        case MessageKind::Key:
            SetKeyState(message.a, message.b != 0);
            return MessageType::Other;
        case MessageKind::MouseMove:
            win.cursorInjected = true;
            win.injectedX = message.a;
            win.injectedY = message.b;
            return MessageType::Other;
        case MessageKind::MouseButton:
            SetMouseButtonState(message.a, message.b != 0);
            return MessageType::Other;
        case MessageKind::Close:
            return MessageType::Close;
    }
    return MessageType::Other;
}

void PostQuitMessage() {
    win.quitPosted = true;
}

void DesktopSize(int* width, int* height) {
    *width = 1920;
    *height = 1080;
    if (!win.window) return;
    SDL_Rect bounds;
    int display = SDL_GetWindowDisplayIndex(win.window);
    if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
        *width = bounds.w;
        *height = bounds.h;
    }
}

void SetWindowedMode(int width, int height) {
    win.borderless = false;
    win.clientWidth = width;
    win.clientHeight = height;
    SetPictureRect(0, 0, width, height);
    if (!win.window) return;
    if (SDL_GetWindowFlags(win.window) & SDL_WINDOW_MAXIMIZED) SDL_RestoreWindow(win.window);
    SDL_SetWindowBordered(win.window, SDL_TRUE);
    FixWindowSize(width, height);
    SDL_SetWindowSize(win.window, width, height);
    SDL_SetWindowPosition(win.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void SetBorderlessMode() {
    int width, height;
    DesktopSize(&width, &height);
    win.borderless = true;
    win.clientWidth = width;
    win.clientHeight = height;
    if (!win.window) return;
    SDL_Rect bounds{0, 0, width, height};
    int display = SDL_GetWindowDisplayIndex(win.window);
    SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds);
    // A window the manager maximised is given back first, or it would keep its maximised geometry.
    if (SDL_GetWindowFlags(win.window) & SDL_WINDOW_MAXIMIZED) SDL_RestoreWindow(win.window);
    SDL_SetWindowBordered(win.window, SDL_FALSE);
    FixWindowSize(width, height);
    SDL_SetWindowSize(win.window, width, height);
    SDL_SetWindowPosition(win.window, bounds.x, bounds.y);
}

void SetPictureRect(int x, int y, int width, int height) {
    win.pictureX = x;
    win.pictureY = y;
    win.pictureWidth = width > 0 ? width : 1;
    win.pictureHeight = height > 0 ? height : 1;
}

void WindowClientSize(int* width, int* height) {
    *width = win.clientWidth;
    *height = win.clientHeight;
}

void PictureRect(int* x, int* y, int* width, int* height) {
    *x = win.pictureX;
    *y = win.pictureY;
    *width = win.pictureWidth;
    *height = win.pictureHeight;
}

bool IsBorderless() {
    return win.borderless;
}

void CursorInPicture(int* x, int* y) {
    if (win.cursorInjected || !win.window) {
        *x = win.injectedX;
        *y = win.injectedY;
        return;
    }
    // The desktop position, so that a cursor outside the window still maps (to values outside the picture).
    int globalX, globalY, windowX, windowY;
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(win.window, &windowX, &windowY);
    double cx = globalX - windowX - win.pictureX;
    double cy = globalY - windowY - win.pictureY;
    *x = static_cast<int>(cx / win.pictureWidth * ScreenWidth);
    *y = static_cast<int>(cy / win.pictureHeight * ScreenHeight);
}

void ShowSystemCursor(bool show) {
    if (win.window) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void SetCursorShape(CursorShape shape) {
    if (!win.window) return;
    SDL_Cursor* cursor = shape == CursorShape::Hand ? win.handCursor : win.arrowCursor;
    if (cursor) SDL_SetCursor(cursor);
}

void ShowMessageBox(const char* caption, const char* text) {
    const char* body = text ? text : "";
    size_t length = SDL_strlen(body);
    std::fprintf(stderr, "%s: %s%s", caption ? caption : "", body,
                 length && body[length - 1] == '\n' ? "" : "\n");
    std::fflush(stderr);
    if (!win.headless) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, win.window);
}

void OpenWebPage(const char* url) {
    if (!url || !url[0]) return;
    if (win.headless) {
        std::fprintf(stderr, "open web page: %s\n", url);
        return;
    }
    SDL_OpenURL(url);
}

void InjectKey(int scanCode, bool down) {
    PushMessage({MessageKind::Key, scanCode, down ? 1 : 0, {}});
}

void InjectMouseMove(int logicalX, int logicalY) {
    PushMessage({MessageKind::MouseMove, logicalX, logicalY, {}});
}

void InjectMouseButton(int button, bool down) {
    PushMessage({MessageKind::MouseButton, button, down ? 1 : 0, {}});
}

void InjectClose() {
    PushMessage({MessageKind::Close, 0, 0, {}});
}

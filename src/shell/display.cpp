// Display modes: the captioned window, the borderless desktop-covering window and the zoom steps.
#include "shell/shell.h"

DisplayState display;

void ComputeZoomTable(DisplayState& d, int desktopWidth) {
    float step = static_cast<float>(desktopWidth - ScreenWidth) / 3.0f;
    float heightStep = step * static_cast<float>(ScreenHeight) / static_cast<float>(ScreenWidth);
    for (int i = 0; i < 4; ++i) {
        d.zoomWidths[i] = static_cast<int>(static_cast<float>(ScreenWidth) + static_cast<float>(i) * step);
        d.zoomHeights[i] = static_cast<int>(static_cast<float>(ScreenHeight) + static_cast<float>(i) * heightStep);
    }
    d.zoomStep = 0;
}

void SetPictureSize(int width, int height) {
    if (!display.fullScreen) {
        SetWindowedMode(width, height);
        return;
    }
    int desktopWidth = 0, desktopHeight = 0;
    DesktopSize(&desktopWidth, &desktopHeight);
    SetPictureRect(desktopWidth / 2 - width / 2, desktopHeight / 2 - height / 2, width, height);
}

void ZoomIn() {
    if (display.zoomStep < 0) {
        int desktopWidth = 0, desktopHeight = 0;
        DesktopSize(&desktopWidth, &desktopHeight);
        ComputeZoomTable(display, desktopWidth);
    }
    if (display.zoomStep < 3) {
        display.zoomStep += 1;
        SetPictureSize(display.zoomWidths[display.zoomStep], display.zoomHeights[display.zoomStep]);
    }
}

void ZoomOut() {
    if (display.zoomStep > 0) {
        display.zoomStep -= 1;
        SetPictureSize(display.zoomWidths[display.zoomStep], display.zoomHeights[display.zoomStep]);
    }
}

void RestoreZoomStep(int step) {
    if (step < 0 || step > 3) return;
    int desktopWidth = 0, desktopHeight = 0;
    DesktopSize(&desktopWidth, &desktopHeight);
    ComputeZoomTable(display, desktopWidth);
    display.zoomStep = step;
    SetPictureSize(display.zoomWidths[step], display.zoomHeights[step]);
}

void EnterFullScreen() {
    SetBorderlessMode();
    int desktopWidth = 0, desktopHeight = 0;
    DesktopSize(&desktopWidth, &desktopHeight);
    // The picture keeps its native size in the middle of the black desktop-sized window.
    SetPictureRect(desktopWidth / 2 - ScreenWidth / 2, desktopHeight / 2 - ScreenHeight / 2, ScreenWidth,
                   ScreenHeight);
    display.zoomStep = -1;
    display.fullScreen = true;
}

void LeaveFullScreen() {
    SetWindowedMode(ScreenWidth, ScreenHeight);
    display.fullScreen = false;
    display.zoomStep = -1;
}

bool MainWindowProc(MessageType message) {
    switch (message) {
        case MessageType::Quit: return false;
        case MessageType::Maximize: EnterFullScreen(); break;
        case MessageType::Close: PostQuitMessage(); break;
        default: break;
    }
    return true;
}

// The player's preferences, preferences.xml: volumes, pause on focus loss and the window as it was left.
// Kept apart from version.xml, whose format other programs rely on.
#pragma once
#include <cstddef>

constexpr int MaxVolumeStep = 5;  // volume steps 1..5, and 0 for silence
constexpr int MaxZoomStep = 3;
// Room for the whole file as FormatPreferences writes it.
constexpr std::size_t PreferencesTextCapacity = 512;

struct Preferences {
    int musicVolume = MaxVolumeStep;    // 0..5
    int effectsVolume = MaxVolumeStep;  // 0..5
    bool muted = false;                 // everything silent, the steps kept for when it ends
    bool pauseOnFocusLoss = true;       // the game pauses when its window loses the focus
    int zoomStep = -1;                  // -1: the picture at its own size, else zoom steps 0..3
    bool desktopMode = false;           // the borderless window covering the desktop
};

// The preferences of this run, read at start (shell/preferences_sync keeps the file up to date).
extern Preferences preferences;

bool operator==(const Preferences& a, const Preferences& b);

// Reads the document text. A document that is not XML or has another root gives the defaults and false;
// in a sound document each missing or unreadable value keeps its default.
bool ParsePreferences(const char* text, std::size_t length, Preferences& out);
// The same from a file; a missing, damaged or irregular file gives the defaults and false.
bool LoadPreferences(const char* path, Preferences& out);
// The whole file's text; its length in bytes, or 0 when it does not fit.
std::size_t FormatPreferences(const Preferences& preferences, char* out, std::size_t size);
// Writes the whole file through a temporary file beside it ("<path>.part<pid>-0") and a rename, so that a
// failure leaves the old file as it was. No heap memory is used: it may run during play.
bool SavePreferences(const char* path, const Preferences& preferences);

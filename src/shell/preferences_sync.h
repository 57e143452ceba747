// Keeping preferences.xml in step with the game: read at start, the window restored after the splash,
// written whole once a change has settled and at the end.
#pragma once
#include <cstdint>

// At start, once the folders are known: reads the player's preferences (defaults when missing or damaged).
void StartPreferences();
// After the splash: the desktop mode and the zoom step as the player left them.
void RestoreWindowPreferences();
// Once a frame: takes the display's state into the preferences and writes the file a second after the last
// change (a player tapping a key five times writes once).
void KeepPreferences(uint64_t frameClockMs);
// At the end of the run: writes a change not yet written.
void FlushPreferences();
// Files written in this run (for the report).
uint32_t PreferencesSaves();

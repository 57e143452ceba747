// The paused game: a dim veil over the glass, "Paused" and how to go on.
#pragma once

// The title and the line under it, in the interface language (0 English, 1 Russian).
const char* PauseTitle(int language);
const char* PauseHint(int language);
// Over the game screen's picture, last thing before the overlays.
void DrawPauseVeil(int language);

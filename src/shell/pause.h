// Pausing the game screen: P, Pause or a controller's Start, or the window losing the focus.
#pragma once
#include <cstdint>

struct PauseState {
    bool paused = false;
    bool hadFocus = true;         // the window had the focus in the previous game frame
    uint64_t lastGameFrame = 0;   // frame number of the previous game frame + 1 (0: none yet)
    uint32_t pauses = 0;          // times the game was paused in this run
};
extern PauseState pauseState;

// First thing of a game frame: the pause keys pause or resume; a focus lost while playing pauses when the
// player wants that. While paused the game's time stands still and the music plays quieter. True when the
// frame is a paused one: the game logic must not run.
bool UpdatePause(bool pauseOnFocusLoss);
bool GamePaused();
// The game is left (quit) while paused: its time runs again and the music is as loud as before.
void EndPause();

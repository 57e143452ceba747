// The game flow shared by the three programs: a new game, levels and their progress, removal and scoring.
#pragma once
#include <cstdint>

struct PhysicsWorld;

// The state of the game in play. Score, bar energy and progress live in the physics world.
struct GameState {
    int32_t tutorialStep = 0;       // 0 start screen, -1 normal play, 1..12 tutorial steps
    bool gameOver = false;          // the game has ended (overflow, no mistakes left, empty bar, last level)
    bool gameWon = false;           // the last level was completed
    int32_t level = 0;              // current level, 0-based
    int32_t mistakesAllowed = 10;   // shapes: failed swaps still allowed (A_MISTAKES before any game)
    int32_t pendingMistakes = 0;    // shapes: failed swaps not yet taken off mistakesAllowed
    int32_t mistakeBlinkMs = -1;    // shapes: ms since the last failed swap while the counter blinks; -1 = not
    int32_t moves = 0;              // shapes: successful swaps in this level
    int32_t streak = 0, failStreak = 0, bestStreak = 0;  // shapes: consecutive successful and failed swaps
    int32_t specialsToCreate = -1;  // shapes: special blocks still to hand to new pieces; -1 = not yet set
    int32_t removals = 0;           // cubes: atoms removed in this level
    int32_t removalSoundIndex = 0;  // 0..5, the next of the six removal sounds
    // Piece creation (shapes; chains and cubes have their own timing).
    int32_t pieceRequests = 0;      // pieces asked for and not yet created
    uint32_t lastSpawnTime = 0;     // ms clock of the last piece
    int32_t shapesOnBoard = 0;      // pieces on the board, counted for the tutorial
    uint8_t swapAllowed = 1;        // the pending swap would be accepted (drawing preview)
    // Level display.
    bool levelUpActive = false;     // the level-up display runs
    uint32_t levelUpMs = 0;         // ms since it began
    bool levelCompleteShown = false;  // the bar is full and special blocks remain
    uint32_t levelCompleteMs = 0;   // ms since that began
    // Vision mode: the sweep line started with Enter.
    int32_t sweepAlpha = 0;         // 0..128
    // Chains: the falling-speed schedule.
    int32_t speedStage = 0;
    uint32_t speedStageMs = 0;      // ms spent in the stage
};

extern GameState game;

// The values a run starts with, before any game (mistakes allowed = A_MISTAKES).
void SetInitialGameValues(GameState& g);
// A new game: the world cleared, score 0, level 0, five mistakes allowed, level 0 settings.
// False when the level settings cannot be read (critical error 02).
bool NewGame(GameState& g, PhysicsWorld& w);
// The next level: bonus, settings, display and sounds. False when the settings cannot be read.
bool LevelUp(GameState& g, PhysicsWorld& w);

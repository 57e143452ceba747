// The game flow shared by the three programs: a new game, levels and their progress, removal and scoring.
//
// Where each function belongs in the game screen's frame (stage numbers of the game screen):
//   4-6  the variant's controls: ShapesControlFrame (shapes_rules.h), which ends with VisionModeFrame (5)
//   7    StepWorld runs the variant's rule pass and then RemovalPass through world.hooks
//   9    UpdateLevelProgress (level completion, level up, game end), then ClampScore before the score is
//   drawn
#pragma once
#include <cstdint>

struct PhysicsWorld;

// The highest score the eight digits of the HUD can show.
constexpr int32_t ScoreLimit = 99999999;
// Mistakes a new game allows (the tuned A_MISTAKES is added at each level up).
constexpr int32_t NewGameMistakes = 5;
// Progress bar growth per frame while it is below its target.
constexpr float ProgressPerFrame = 0.0025f;
// The level-up display lasts this long (ms).
constexpr uint32_t LevelUpDisplayMs = 4000;
// Stages of the chains falling-speed schedule; the last one repeats with a growing duration.
constexpr int SpeedStages = 6;

// The state of the game in play. Score, bar energy, progress, the special blocks in the glass and the
// per-colour removal counts live in the physics world.
struct GameState {
    int32_t tutorialStep = 0;      // 0 start screen, -1 normal play, 1..12 tutorial steps
    bool gameOver = false;         // the game has ended (overflow, no mistakes left, empty bar, last level)
    bool gameWon = false;          // the last level was completed
    int32_t level = 0;             // current level, 0-based
    int32_t mistakesAllowed = 10;  // shapes: failed swaps still allowed (A_MISTAKES before any game)
    int32_t pendingMistakes = 0;   // shapes: failed swaps not yet taken off mistakesAllowed
    int32_t mistakeBlinkMs = -1;   // shapes: ms since the last failed swap while the counter blinks; -1 = not
    int32_t moves = 0;             // shapes: successful swaps in this level
    int32_t streak = 0, failStreak = 0, bestStreak = 0;  // shapes: consecutive successful and failed swaps
    int32_t specialsToCreate = -1;  // shapes: special blocks still to hand to new pieces; -1 = not yet set
    int32_t removals = 0;           // cubes: atoms removed in this level (the cubes rules count them)
    int32_t removalSoundIndex = 0;  // 0..5, the next of the six removal sounds; kept for the whole run
    // Piece creation (shapes; chains and cubes have their own timing).
    int32_t pieceRequests = 0;   // pieces asked for and not yet created
    uint32_t lastSpawnTime = 0;  // ms clock of the last piece
    int32_t shapesOnBoard = 0;   // pieces on the board, counted for the tutorial
    uint8_t swapAllowed = 1;     // the pending swap would be accepted (drawing preview)
    // Level display.
    bool levelUpActive =
        false;               // the level-up display runs (LevelUp starts it, AdvanceLevelDisplays ends it)
    uint32_t levelUpMs = 0;  // ms since it began
    bool levelCompleteShown = false;  // shapes: the bar is full and special blocks remain ("Only %i ...")
    uint32_t levelCompleteMs = 0;     // ms since that began
    // Vision mode: the sweep line started with Enter.
    int32_t sweepAlpha = 0;  // 0..128
    // Chains: the falling-speed schedule.
    int32_t speedStage = 0;                     // 0..5
    uint32_t speedStageMs = 0;                  // ms spent in the stage
    bool speedsCaptured = false;                // speeds and durations below were read (once a run)
    float stageSpeeds[SpeedStages] = {};        // A_FALLING_VEL_0..5
    uint32_t stageDurations[SpeedStages] = {};  // ms: A_FALLING_VEL_INTERVAL_0..4, then _DELTA (grows)
    // Chains and cubes: the keyboard control.
    uint32_t upHeldMs = 0;   // ms the Up button has been held (the thrust weakens with it)
    bool upSounded = false;  // the thrust sound has played for this press of Up
    // Chains: the low-bar warning.
    int32_t lowBarMs = -1;  // ms the bar has been below the warning level; -1 = not low
};

extern GameState game;

// The values a run starts with, before any game (mistakes allowed = A_MISTAKES).
void SetInitialGameValues(GameState& g);
// A new game: the world cleared, score 0, level 0, five mistakes allowed, level 0 settings.
// False when the level settings cannot be read (critical error 02).
bool NewGame(GameState& g, PhysicsWorld& w);
// The next level: bonus, settings, display and sounds. False when the settings cannot be read.
bool LevelUp(GameState& g, PhysicsWorld& w);

// Removes the marked atoms whose time has come (or that the sweep line passes) for points, bar energy,
// floating points, ghosts and the rotating removal sounds. Shapes and chains; cubes scores its own way.
void RemovalPass(GameState& g, PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);

// A new piece, as every variant adds one. TakePiece: the tutorial steps that adding moves on (2 to 3,
// 4 to 5, 10 to 11 with the last request), one request and one special block used up.
struct TakenPiece {
    bool special;    // the piece's first block becomes a special block
    bool requested;  // the piece answers a request
};
TakenPiece TakePiece(GameState& g);
// PlacePiece, after the kind and colours are chosen: the last requested tutorial piece moves step 6 or 8
// on, the piece enters the glass, and its time and count are kept.
void PlacePiece(GameState& g, PhysicsWorld& w, TakenPiece taken, int kind, const uint8_t colours[4],
                uint32_t nowMs);
// The same on the process-wide game, with the signature of the world's removal hook.
void RemovalPass(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);
// Adds points to the world's score without overflowing it.
void AddScore(PhysicsWorld& w, int64_t points);
// Holds the score at what eight digits can show; call every frame before the score is drawn.
void ClampScore(PhysicsWorld& w);

// Ages the level-up display (ending it after 4000 ms) and the level-complete banner; the HUD only reads them.
void AdvanceLevelDisplays(GameState& g, uint64_t frameMs);
// Stage 9, before the HUD is drawn: the level displays age, the game end by overflow and the variant's level
// decisions (below). False only when the next level's settings cannot be read (critical error 02).
bool UpdateLevelProgress(GameState& g, PhysicsWorld& w, uint64_t frameMs);
// Shapes: the bar follows moves / A_MOVES; when full, the special blocks, then the level up.
// Also runs the mistakes counter.
bool UpdateShapesProgress(GameState& g, PhysicsWorld& w, uint64_t frameMs);
// Cubes: the bar follows removals / A_REMOVES; when full, the level up.
bool UpdateCubesProgress(GameState& g, PhysicsWorld& w);
// Chains: the falling-speed schedule advances and the bar drains; empty ends the game, full levels up.
bool UpdateChainsBar(GameState& g, PhysicsWorld& w, uint64_t frameMs);
// Chains: advances the falling-speed schedule by one frame and returns the speed that drains the bar.
float AdvanceFallingSpeed(GameState& g, uint64_t frameMs);

// Vision mode, one frame of the sweep line.
struct SweepLineFrame {
    bool draw;          // the line is drawn in this frame
    float y;            // px, glass y where it is drawn
    int32_t alpha;      // 0..128, its alpha
    bool sweepEnabled;  // what StepWorld receives
};
// Enter held with the line idle starts it at the floor; it rises 4 px a frame while fading in, then fades
// out.
SweepLineFrame AdvanceSweepLine(GameState& g, PhysicsWorld& w, bool enterHeld);
// Stage 5: AdvanceSweepLine with the Enter button and the line image drawn; returns sweepEnabled.
bool VisionModeFrame(GameState& g, PhysicsWorld& w);

// The tutorials: each program's scripted messages, what the player must do at each, and its ending.
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

// The messages of each script, the final empty message included.
constexpr int ShapesTutorialMessages = 44;
constexpr int ChainsTutorialMessages = 14;
constexpr int CubesTutorialMessages = 16;

// The tutorial's own clocks and flags; they live for the whole run.
struct TutorialState {
    uint32_t holdMs = 0;              // shapes message 6: ms the block has been held
    uint32_t dropRepeatMs = 0;        // shapes message 7: ms until "Dont drop blocks too soon" sends back to 5
    uint32_t keepRepeatMs = 0;        // shapes message 14: ms until "Dont drop the block!" sends back to 12
    uint32_t morePiecesWaitMs = 0;    // shapes message 19: ms since the four extra pieces were asked for
    int32_t mistakesBeforeSwap = -1;  // shapes message 25: the mistakes counter before the failed swap
    uint32_t chainWaitMs = 0;         // chains message 7: ms the chain message has been shown
    uint32_t blinkMs[ShapesTutorialMessages] = {};  // per message, the bobbing clock of its pointers
    bool extraPiecesPending = true;   // shapes: the four extra pieces of message 19 not yet asked for
    bool levelUpSounded = false;      // the ending's level-up sound has played in this run
    // A level display borrows the message sequence (and leaves it at the start); the script pauses
    // meanwhile and then goes on where it was, with the message as far typed and held as it was, so
    // level ups that come often cannot keep a message from ever finishing.
    int position = 0;             // the script's message after its last frame
    uint64_t clockMs = 0;         // ms, the sequence clock after the script's last frame
    bool paused = false;          // a level display is showing
    int restorePosition = -1;     // the message to go back to at the next queuing; -1: none
    uint64_t restoreClockMs = 0;  // ms, the sequence clock to go back to with it
};

extern TutorialState tutorial;

// One game-screen frame of the tutorial while tutorialStep > 0: queues the variant's whole script, draws
// it with its pointers, and applies the current message's rule. variantIndex: VariantShapes,
// VariantChains or VariantCubes.
void TutorialTick(GameState& g, PhysicsWorld& w, int variantIndex, uint64_t frameMs);

// The scripts themselves, one file each. They return the current message (0-based).
int ShapesTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs);
int ChainsTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs);
int CubesTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs);

// Shared by the scripts.
struct TutorialLine {
    const char* english;
    const char* russian;
    uint32_t holdMs;  // TutorialHoldUntilDone: until the script moves on
};
constexpr uint32_t TutorialHoldUntilDone = 0xFFFFF;
// Queues lines[0..count) in the tutorial box in the interface language, draws the bar and the sequence,
// and returns the current message. The line numberedLine (-1: none) has a "%i" that shows number.
int QueueTutorialLines(const TutorialLine* lines, int count, uint64_t frameMs, int numberedLine = -1,
                       int number = 0);
// The interface language's text of a line.
const char* TutorialText(const TutorialLine& line);
// A blinking pointer over atom k (nothing when the slot is free); blinkMs bobs it by a pixel every 250 ms.
void PointAtAtom(const PhysicsWorld& w, int k, uint32_t blinkMs);
// A blinking pointer centred at (x, y + bob) with the given rotation (rad).
void PointAt(float x, float y, float angle, uint32_t blinkMs);
// Any of the arrow keys, Ctrl or Alt held.
bool SteeringHeld();
// The ending of every script: sound once per run, world and game values as for a new game, normal play.
void EndTutorial(TutorialState& t, GameState& g, PhysicsWorld& w);

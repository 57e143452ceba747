// The keyboard control that chains and cubes share, and their piece creation by dumping.
#pragma once
#include <cstdint>

// New pieces come at least this far apart (ms), however fast Space is pressed.
constexpr uint32_t DumpIntervalMs = 300;

struct GameState;
struct PhysicsWorld;

// Each frame of play, before the physics step: arrows push the player's piece, Ctrl and Alt turn it.
// buttons are the game buttons of this poll (input.h). Down wins over Up, Left over Right, Ctrl over Alt;
// Up plays the thrust sound once per press.
void KeyboardControlFrame(GameState& g, PhysicsWorld& w, uint32_t buttons, uint64_t frameMs);
// Pushes every atom of the piece by (dx, dy) accelerations; no lift while the piece is still entering.
void SteerDetail(PhysicsWorld& w, float dx, float dy);
// Turns the piece by pushing its two farthest atoms apart sideways; only once it is inside the glass.
void TurnDetail(PhysicsWorld& w, float torque);

// The colours of a new piece, drawn by the variant (chains: two colours; cubes: independent colours).
using PieceColourDraw = void (*)(int tutorialStep, uint8_t colours[4]);
// Creates the next piece when one is due: Space (at most one a 300 ms), A_DUMP_TIME since the last,
// requests and special blocks; only while the current piece is inside the glass and the tutorial allows.
void CreateDumpedPieces(GameState& g, PhysicsWorld& w, uint64_t nowMs, bool actionPressed,
                        PieceColourDraw drawColours);
// A new piece is due now: the current one inside the glass, a step that allows pieces, more than 300 ms
// since the last, and Space, a request, a special block or (outside the tutorial) A_DUMP_TIME elapsed.
bool DumpDue(const GameState& g, const PhysicsWorld& w, uint64_t nowMs, bool actionPressed);
// The tutorial's fixed pieces: step 3 a square of colours 0, 2, 0, 2; step 6 a bar of 2, 0, 0.
void KeyboardTutorialPiece(int tutorialStep, int* kind, uint8_t colours[4]);

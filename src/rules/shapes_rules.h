// The rules of shapes: pieces on request, grabbing and swapping block colours with the mouse, uniform
// pieces marked for removal, the mistakes counter.
//
// The game screen calls, in this order each frame:
//   stages 4-6  ShapesControlFrame: piece creation (4), vision mode (5), the mouse (6); returns sweepEnabled
//   stage 7     StepWorld(world, frameMs, sweepEnabled): ShapesRulePass and RemovalPass run through
//   world.hooks stage 9     UpdateLevelProgress (game.h), then ClampScore (game.h) before the score is drawn
// InstallShapesRules once before the game starts (it sets the world's hooks).
#pragma once
#include <cstdint>

struct GameState;
struct InputState;
struct PhysicsWorld;

// Grab distances to the pointer (px): the first atom closer than this in index order is taken at once...
constexpr float GrabFirstDistance = 12.0f;
// ... otherwise the nearest one closer than this.
constexpr float GrabNearestDistance = 18.0f;
// A successful swap that completes two pieces.
constexpr int32_t DoubleSwapPoints = 3000;
// A colour flash shows the old colour this long (ms) before the new one takes over.
constexpr uint32_t ColourFlashMs = 1000;
// The mistakes counter blinks for this long after a failed swap (ms)...
constexpr int32_t MistakeBlinkMs = 2000;
// ... and the failed swaps are taken off the counter after this long (ms).
constexpr int32_t MistakeSubtractMs = 1800;
// New pieces come at least this far apart (ms): creation needs more than 299 ms since the last.
constexpr uint32_t PieceIntervalMs = 299;

// Floating text kinds of the swaps.
constexpr uint16_t TextStreak = 10;
constexpr uint16_t TextBadSwap = 11;
constexpr uint16_t TextDouble = 12;

// Sets the world's hooks for shapes: the variant, the rule pass and the removal pass.
void InstallShapesRules(PhysicsWorld& w);

// Stages 4-6 of the game screen's frame; returns the sweepEnabled that StepWorld receives.
bool ShapesControlFrame(GameState& g, PhysicsWorld& w, uint64_t frameMs);

// Stage 4: creates the next piece when one is due (requests or special blocks, the last piece inside the
// glass, a tutorial step that allows it, 300 ms since the last). nowMs is the shared clock.
void CreateShapesPieces(GameState& g, PhysicsWorld& w, uint64_t nowMs);
// Draws the colours and kind of a new piece: n colours available, A_R1 mixing.
void DrawShapesPiece(int tutorialStep, int* kind, uint8_t colours[4]);
// The fixed pieces of the tutorial steps 3, 5 and 6 replace the drawn kind and colours here; in step 6
// pieceRequests (the requests left after this piece) tells the four pieces apart.
void TutorialPieceOverride(int tutorialStep, int pieceRequests, int* kind, uint8_t colours[4]);

// Stage 6: pointer target, double-click requests, grabbing, the swap preview and the release.
void ShapesMouseFrame(GameState& g, PhysicsWorld& w, const InputState& in);
// The atom the pointer grabs: the first within 12 px in index order, else the nearest within 18 px; -1.
int FindGrabbedAtom(const PhysicsWorld& w);
// The button went up: the swap with the offered atom, if any, and its consequences.
void ReleaseGrabbedAtom(GameState& g, PhysicsWorld& w);

// A piece is uniform when all its members share one colour. With swapped >= 0, that atom is taken to
// have swappedColour instead of its own (the preview of a swap).
bool PieceUniform(const PhysicsWorld& w, int atom, int swapped = -1, uint8_t swappedColour = 0);
// How many of the two atoms' pieces a swap of their colours would make uniform (0, 1 or 2).
int UniformAfterSwap(const PhysicsWorld& w, int a, int b);

// The shapes rule pass inside StepWorld: uniform pieces are marked, colour flashes end, then ChainPass.
void ShapesRulePass(PhysicsWorld& w, uint64_t frameMs, bool sweepEnabled);

// Stage 9 (called by UpdateShapesProgress): the blink timer, and the failed swaps taken off after 1.8 s.
void UpdateMistakesCounter(GameState& g, uint64_t frameMs);
// The mistakes counter is shown in this frame (it blinks every 200 ms after a failed swap).
bool MistakesCounterVisible(const GameState& g);

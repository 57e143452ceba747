// Hints for normal play that the tutorial would have given: shapes tells a player who skipped it how to get
// pieces and how to see them.
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

// Game screen, after the tutorial's stage: in shapes during normal play of a player who skipped the
// tutorial, while the glass is empty, no piece is asked for and no level display runs, the message box
// cycles through the hint. The hint leaves the message sequence at its start when it ends.
void PlayHintTick(const GameState& game, const PhysicsWorld& world, int variantIndex, uint64_t frameMs);
// Whether the hint is due now (the condition above).
bool PlayHintDue(const GameState& game, const PhysicsWorld& world, int variantIndex);

// The level displays over the glass: the level-completion notice while special blocks remain, and the
// level-up banner with its message and sparkles.
#pragma once
#include <cstdint>

struct GameState;
struct PhysicsWorld;

// Game screen, HUD stage, after UpdateLevelProgress (which ages the displays and ends the level up after
// 4000 ms) and DrawGameHud: draws whichever level display runs. While a display runs it owns the message sequence: it queues its messages (BeginMessages
// first), returns the sequence to position 0 when a display starts and when the level up ends, and types
// the current message (DrawMessages). Returns true when a display was drawn.
bool DrawLevelDisplays(const PhysicsWorld& world, GameState& game, uint64_t frameMs);

// Special blocks still to be removed before the level can end: those in the glass and those not yet
// handed to a piece.
int SpecialBlocksLeft(const PhysicsWorld& world, const GameState& game);

// The decisions, as plain functions.
// Alpha of the completion notice's bar and messages, fading in over 300 ms.
int LevelCompleteAlpha(uint32_t ms);
// Alpha of the level-up bar and message: opaque until 3700 ms, then fading out by 4000 ms.
int LevelUpMessageAlpha(uint32_t ms);
// Alpha of the level-up banner: the complement of the large level number's.
int LevelUpBannerAlpha(uint32_t ms);
// Sparkle bursts due by this time of the level up (one every 100 ms from 0, none from 2000 ms on).
int LevelUpBurstsDue(uint32_t ms);
// The pointers over the special blocks bob one pixel every 250 ms.
int PointerBob(uint32_t ms);

// The banner over the game-over cover: "Game over", or "You won!" after the last level, in the interface
// language, on the message bar in the middle of the glass, fading in with the cover (alpha 0..255).
const char* GameOverBannerText(bool won, int language);
void DrawGameOverBanner(bool won, int alpha);

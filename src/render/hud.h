// The heads-up display: the eight-digit score with its equalizer bars, the progress bar, the moves and level
// counters, the large level number behind the glass, and the table of records.
#pragma once
#include <cstdint>

#include "audio/equalizer.h"

struct GameState;
struct PhysicsWorld;
struct RecordTable;

// value as eight digit images ("%08u") at (x, y), 9 pixels apart. Every call also moves the equalizer's
// shown band levels by frameMs (the duration of the previous frame); withBars hangs them under the digits.
void DrawNumber(int digitsTexture, int x, int y, uint32_t value, bool withBars, uint64_t frameMs);

// Game screen, HUD stage: score with bars, level progress, moves left, level of levels.
void DrawGameHud(const PhysicsWorld& world, const GameState& game, int variantIndex, uint64_t frameMs);
// Game screen, first stage (after the background, before the HUD frame): the huge translucent level number.
void DrawLevelNumber(const GameState& game);
// What the large level number shows (the number and its alpha), to tell when it changes.
uint32_t LevelNumberLook(const GameState& game);
// The game screen's first layers: the opaque background, the large level number and the HUD frame over the
// whole picture. They cover everything before them, so while the number looks the same they make the same
// picture: it is kept and copied. Leaves alpha blending on and point magnification.
void DrawGameBackground(const GameState& game);

// Records screen: the page of ten places around the player's place (0..999, -1 = not placed), the player's
// row blinking with the typed name (or "You" while nothing is typed), pointers and stars, and the final
// score. screenMs: time on the records screen.
void DrawRecordsTable(const RecordTable& table, int place, const char* typedName, uint64_t screenMs,
                      int32_t finalScore, uint64_t frameMs);

// The decisions, as plain functions.
// A shown band level after one frame towards level (0..1): jumps up at once, falls at 7.5 times its
// distance per second.
float EqualizerShownStep(float shown, float level, uint64_t frameMs);
// The process-wide shown levels (0..9), and their reset.
const float* EqualizerShown();
void ResetEqualizerShown();
// Height in pixels of the bar under a digit for a shown level: 3 per whole level, 0..27.
int EqualizerBarHeight(float shown);
// Scores below 0 show as 0, above eight digits as 99999999.
uint32_t ShownScore(int32_t score);
// "%08u" of value into out.
void FormatScoreDigits(uint32_t value, char (&out)[16]);
// Number of 2-pixel steps of the progress fill (progress 0..1).
int ProgressFillSteps(float progress);
// The progress the bar shows: the bar energy in chains, the level progress elsewhere.
float HudProgress(const PhysicsWorld& world, int variantIndex);
// The level counter's "of N" line (printf format with two newlines first) in the interface language.
const char* LevelCountFormat(int language);
// Colour of the moves-left counter.
uint32_t MovesCounterColour(int variantIndex, int32_t movesLeft, int32_t pendingMistakes, int32_t blinkMs);
// The large level number: its alpha and the number shown (the old level for the first 2000 ms of a level up).
int LevelNumberAlpha(bool levelUpActive, uint32_t levelUpMs);
int LevelNumberShown(int32_t level, bool levelUpActive, uint32_t levelUpMs);
// Records: first place of the page shown for a place, and the colour of a row.
int RecordsPageStart(int place);
uint32_t RecordsRowColour(bool playersRow, uint64_t screenMs);
// Stars in front of row r of the page shown: 3, 2, 1, then none; the highlighted one of a row.
int RecordsStars(int row);
int RecordsHighlightedStar(int row, uint64_t screenMs);

// One bot game: the real game screen's frames run without a picture, with the bot on the input layer.
#pragma once
#include <cstdint>

#include "bots.h"

struct Variant;

constexpr int MaxLevelsTracked = 32;

struct SessionOptions {
    const Variant* variant = nullptr;
    BotKind bot = BotKind::Idle;
    uint32_t seed = 1;
    uint32_t frameMs = 15;        // ms of game time a frame, as --frame-ms
    uint64_t maxGameMs = 3600000; // a game still running after this much game time is stopped
    bool tutorial = false;        // the game begins with the variant's tutorial
    int untilLevel = 0;           // > 0: the game is stopped once this level (1 = first) is reached
    const char* settingsDir = nullptr;  // folder of setup_N.xml; null: settings/ of the working folder
};

struct GameResult {
    int levelReached = 1;        // 1 = the first level
    bool won = false;            // the last level was completed
    bool stopped = false;        // still running at maxGameMs
    uint64_t gameMs = 0;         // game time from the first frame to the end
    int32_t score = 0;
    int levelsDone = 0;          // levels completed
    uint64_t levelEndMs[MaxLevelsTracked] = {};  // game time at which each completed level ended
    int64_t tutorialEndMs = -1;  // game time at which the tutorial ended; -1: it did not (or none ran)
};

// Starts the platform without a window once per process. False when it cannot.
bool StartBotPlatform();
// Plays one game from a fresh start of the program (settings, world and rules as at program start).
// False when the settings cannot be read.
bool PlayBotGame(const SessionOptions& options, GameResult* result);

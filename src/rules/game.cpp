// The game flow shared by the three programs: new game, level up, level progress and the sweep line.
#include "rules/game.h"

#include <algorithm>

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "rules/pieces.h"
#include "rules/shapes_rules.h"
#include "rules/tuning.h"

GameState game;

namespace {

// Points a level up gives, times the new level number.
constexpr int64_t LevelUpBonus = 50000;

// The sweep line: it starts at the floor, rises 4 px a frame while its alpha rises by 4 up to 128, and
// once above y = 35 fades out by 5 a frame.
constexpr float SweepTopY = 35.0f;
constexpr float SweepRisePerFrame = 4.0f;
constexpr int32_t SweepFadeIn = 4;
constexpr int32_t SweepFadeOut = 5;
constexpr int32_t SweepMaxAlpha = 128;

// Where the glass sits on the screen, and the width of the line across it.
constexpr int GlassScreenX = 96;
constexpr int GlassScreenY = -48;
constexpr int SweepLineWidth = 288;  // wall to wall

// Moves the progress bar towards its target by at most one frame's growth, never past the target.
void ApproachTarget(PhysicsWorld& w, float target) {
    if (w.progress < target) w.progress = std::min(w.progress + ProgressPerFrame, target);
}

uint32_t NonNegativeMs(int32_t ms) {
    return ms > 0 ? static_cast<uint32_t>(ms) : 0u;
}

// The schedule is read once, when the bar first drains, and kept for the rest of the run: level and new-game
// settings of these keys do not change it.
void CaptureSpeeds(GameState& g) {
    const float speeds[SpeedStages] = {A_FALLING_VEL_0, A_FALLING_VEL_1, A_FALLING_VEL_2,
                                       A_FALLING_VEL_3, A_FALLING_VEL_4, A_FALLING_VEL_5};
    const int32_t durations[SpeedStages] = {A_FALLING_VEL_INTERVAL_0, A_FALLING_VEL_INTERVAL_1,
                                            A_FALLING_VEL_INTERVAL_2, A_FALLING_VEL_INTERVAL_3,
                                            A_FALLING_VEL_INTERVAL_4, A_FALLING_VEL_INTERVAL_DELTA};
    for (int k = 0; k < SpeedStages; ++k) {
        g.stageSpeeds[k] = speeds[k];
        g.stageDurations[k] = NonNegativeMs(durations[k]);
    }
    g.speedsCaptured = true;
}

}  // namespace

void SetInitialGameValues(GameState& g) {
    g.mistakesAllowed = A_MISTAKES;
}

bool NewGame(GameState& g, PhysicsWorld& w) {
    ClearWorld(w);
    w.progress = 0;
    w.barEnergy = A_DEFAULT_BAR_CAP;
    w.score = 0;
    g.gameOver = false;
    g.gameWon = false;
    g.tutorialStep = -1;
    g.level = 0;
    g.mistakesAllowed = NewGameMistakes;
    g.moves = 0;
    g.streak = 0;
    g.failStreak = 0;
    w.grabbedAtom = -1;
    w.swapTarget = -1;
    // What the previous game may have left behind.
    g.pendingMistakes = 0;
    g.mistakeBlinkMs = -1;
    g.bestStreak = 0;
    g.specialsToCreate = -1;
    g.removals = 0;
    g.pieceRequests = 0;
    g.shapesOnBoard = 0;
    g.swapAllowed = 1;
    g.levelUpActive = false;
    g.levelUpMs = 0;
    g.levelCompleteShown = false;
    g.levelCompleteMs = 0;
    g.speedStage = 0;
    g.speedStageMs = 0;
    g.upHeldMs = 0;
    g.upSounded = false;
    g.lowBarMs = -1;
    w.pendingSpecial = 0;
    w.specialTaken = 0;
    w.specialsInGlass = 0;
    for (int32_t& count : w.colourRemovals) count = 0;
    return LoadLevelSettings(0);
}

bool LevelUp(GameState& g, PhysicsWorld& w) {
    const int variant = w.hooks.variant;
    g.level += 1;
    if (variant == VariantShapes) g.specialsToCreate = -1;
    // A maximum of 0 or below would otherwise never be reached.
    if (g.level >= A_MAXIMUM_LEVEL) {
        g.gameWon = true;
        g.gameOver = true;
    }
    if (!LoadLevelSettings(g.level)) return false;
    AddScore(w, static_cast<int64_t>(g.level) * LevelUpBonus);
    g.levelUpActive = true;
    g.levelUpMs = 0;
    PlayLevelUpSound();
    if (variant != VariantChains) PlayLevelUpChime();
    switch (variant) {
        case VariantShapes:
            w.progress = 0;
            g.mistakesAllowed += A_MISTAKES;
            g.moves = 0;
            g.pieceRequests = 0;
            g.levelCompleteShown = false;
            break;
        case VariantChains:
            w.barEnergy = A_DEFAULT_BAR_CAP;
            g.speedStage = 0;
            g.speedStageMs = 0;
            break;
        default:
            w.progress = 0;
            break;
    }
    return true;
}

void AddScore(PhysicsWorld& w, int64_t points) {
    int64_t score = static_cast<int64_t>(w.score) + points;
    score = std::clamp<int64_t>(score, INT32_MIN, INT32_MAX);
    w.score = static_cast<int32_t>(score);
}

void ClampScore(PhysicsWorld& w) {
    if (w.score > ScoreLimit) w.score = ScoreLimit;
}

void AdvanceLevelDisplays(GameState& g, uint64_t frameMs) {
    const uint32_t ms = static_cast<uint32_t>(frameMs);
    if (g.levelUpActive) {
        g.levelUpMs += ms;
        if (g.levelUpMs >= LevelUpDisplayMs) g.levelUpActive = false;
    }
    if (g.levelCompleteShown) g.levelCompleteMs += ms;
}

bool UpdateLevelProgress(GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    AdvanceLevelDisplays(g, frameMs);
    if (w.overflow) g.gameOver = true;
    switch (w.hooks.variant) {
        case VariantShapes:
            return UpdateShapesProgress(g, w, frameMs);
        case VariantChains:
            return UpdateChainsBar(g, w, frameMs);
        default:
            return UpdateCubesProgress(g, w);
    }
}

bool UpdateShapesProgress(GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    UpdateMistakesCounter(g, frameMs);
    // After the end nothing more is won: no level up, no bonus.
    if (g.gameOver) return true;
    // Without a number of moves to reach the bar stays empty.
    const float target = A_MOVES > 0 ? static_cast<float>(g.moves) / static_cast<float>(A_MOVES) : 0.0f;
    ApproachTarget(w, target);
    if (w.progress < 1.0f) return true;
    w.progress = 1.0f;
    if (w.specialsInGlass <= 0 && g.specialsToCreate == 0) return LevelUp(g, w);
    if (g.specialsToCreate == -1) {
        // A negative setting would never count down to 0 and hold the level forever.
        g.specialsToCreate = std::max(A_SPECIALBLOCKS, 0);
        g.levelCompleteShown = g.specialsToCreate > 0 || w.specialsInGlass > 0;
        g.levelCompleteMs = 0;
    }
    return true;
}

bool UpdateCubesProgress(GameState& g, PhysicsWorld& w) {
    if (g.gameOver) return true;
    const float target = A_REMOVES > 0 && g.removals > 0
                             ? static_cast<float>(g.removals) / static_cast<float>(A_REMOVES)
                             : 0.0f;
    ApproachTarget(w, target);
    if (w.progress < 1.0f) return true;
    g.removals = 0;
    return LevelUp(g, w);
}

float AdvanceFallingSpeed(GameState& g, uint64_t frameMs) {
    if (!g.speedsCaptured) CaptureSpeeds(g);
    int stage = std::clamp(g.speedStage, 0, SpeedStages - 1);
    if (g.speedStageMs >= g.stageDurations[stage]) {
        if (stage < SpeedStages - 1) {
            ++stage;
        } else {
            // Past the last stage the speed stays and its duration grows each time it elapses.
            const int32_t grow = static_cast<int32_t>(A_FALLING_VEL_DELTA);
            const int64_t longer = static_cast<int64_t>(g.stageDurations[stage]) + grow;
            g.stageDurations[stage] = static_cast<uint32_t>(std::clamp<int64_t>(longer, 0, UINT32_MAX));
        }
        g.speedStageMs = 0;
    }
    g.speedStage = stage;
    g.speedStageMs += static_cast<uint32_t>(frameMs);
    return g.stageSpeeds[stage];
}

bool UpdateChainsBar(GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    if (g.gameOver) return true;
    const float speed = AdvanceFallingSpeed(g, frameMs);
    w.barEnergy -= speed * static_cast<float>(frameMs) / 100000.0f;
    if (w.barEnergy < 0.0f) {
        g.gameOver = true;
        return true;
    }
    if (w.barEnergy >= 1.0f) return LevelUp(g, w);
    return true;
}

SweepLineFrame AdvanceSweepLine(GameState& g, PhysicsWorld& w, bool enterHeld) {
    if (enterHeld && g.sweepAlpha == 0) w.sweepLineY = w.floorY;
    SweepLineFrame frame{false, w.sweepLineY, g.sweepAlpha, false};
    if (w.sweepLineY > SweepTopY) {
        frame.draw = true;
        w.sweepLineY -= SweepRisePerFrame;
        g.sweepAlpha = std::min(g.sweepAlpha + SweepFadeIn, SweepMaxAlpha);
    } else if (g.sweepAlpha >= 1) {
        frame.draw = true;
        g.sweepAlpha = std::max(g.sweepAlpha - SweepFadeOut, 0);
    }
    frame.sweepEnabled = g.sweepAlpha != 0;
    return frame;
}

bool VisionModeFrame(GameState& g, PhysicsWorld& w) {
    const SweepLineFrame frame = AdvanceSweepLine(g, w, (Buttons() & ButtonEnter) != 0);
    if (frame.draw && images.sweepLine >= 0) {
        // The line image spans the glass, centred on the line's height.
        const int height = std::max(1, static_cast<int>(TextureHeight(images.sweepLine)));
        const int top = static_cast<int>(frame.y) + GlassScreenY - height / 2;
        // DrawSprite takes screen pixels from 0: the part of the rise above the screen is not drawn.
        if (top >= 0) {
            SetModulation(1, 1);
            SetTextureFactor(static_cast<uint32_t>(frame.alpha) << 24 | 0xFFFFFFu);
            DrawSprite(images.sweepLine, GlassScreenX, static_cast<uint16_t>(top), SweepLineWidth,
                       static_cast<uint16_t>(height), true);
            SetModulation(0, 1);
            SetTextureFactor(0xFFFFFFFFu);
        }
    }
    return frame.sweepEnabled;
}

TakenPiece TakePiece(GameState& g) {
    if (g.tutorialStep == 2) g.tutorialStep = 3;
    if (g.tutorialStep == 4) g.tutorialStep = 5;
    const TakenPiece taken{g.specialsToCreate > 0, g.pieceRequests > 0};
    if (g.pieceRequests > 0) --g.pieceRequests;
    if (g.specialsToCreate > 0) --g.specialsToCreate;
    if (g.pieceRequests == 0 && g.tutorialStep == 10) g.tutorialStep = 11;
    return taken;
}

void PlacePiece(GameState& g, PhysicsWorld& w, TakenPiece taken, int kind, const uint8_t colours[4],
                uint32_t nowMs) {
    // The last of the tutorial's requested pieces moves its step on.
    if (taken.requested && g.pieceRequests == 0 && (g.tutorialStep == 6 || g.tutorialStep == 8)) {
        g.tutorialStep += 1;
    }
    w.pendingSpecial = taken.special ? 1 : 0;  // the first block of the piece takes the special flag
    CreatePiece(w, PieceSpawnX, PieceSpawnY, kind, colours);
    w.pendingSpecial = 0;
    g.lastSpawnTime = nowMs;
    g.shapesOnBoard += 1;
}

// The game screen: its stages in order, from the background to the game-over cover.
#include <algorithm>

#include "guide/hints.h"
#include "guide/tutorial.h"
#include "input/input.h"
#include "physics/step.h"
#include "physics/world.h"
#include "platform/devices.h"
#include "platform/graphics.h"
#include "render/hud.h"
#include "render/images.h"
#include "render/messages.h"
#include "render/level_display.h"
#include "render/particles.h"
#include "render/pause_veil.h"
#include "render/world_draw.h"
#include "rules/game.h"
#include "shell/pause.h"
#include "shell/shell.h"
#include "shell/variant.h"
#include "store/preferences.h"
#include "store/profile.h"

namespace {

// The banner over the cover fades in faster than the cover, so that it can be read before the records.
constexpr float BannerFadeMs = 150.0f;

// Covers the glass with the background as the game ends, with the banner that says how it ended; after
// 800 ms the records screen takes over.
void GameOverCover() {
    if (!flow.gameOverSeen) {
        flow.gameOverSeen = true;
        flow.gameOverAtMs = frameClock.gameClockMs;
    }
    uint64_t elapsed = frameClock.gameClockMs - flow.gameOverAtMs;
    const int bannerAlpha =
        std::min(255, static_cast<int>(static_cast<float>(elapsed) / BannerFadeMs * 255.0f));
    flow.gameOverBanner = GameOverBannerText(game.gameWon, InterfaceLanguage);
    if (elapsed <= 800) {
        int alpha = std::min(255, static_cast<int>(static_cast<float>(elapsed) / 500.0f * 255.0f));
        SetModulation(1, 1);
        SetTextureFactor(static_cast<uint32_t>(alpha) << 24 | 0xFFFFFF);
        DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
        SetModulation(0, 1);
        SetTextureFactor(0xFFFFFFFF);
        DrawGameOverBanner(game.gameWon, bannerAlpha);
        return;
    }
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    DrawGameOverBanner(game.gameWon, bannerAlpha);
    flow.recordsScreen = true;
    flow.enteringRecords = true;
}

// A paused frame: the game as it stands, drawn without a moment passing, under the veil. Nothing of the
// game's logic runs, and the message sequence keeps what the last game frame queued.
void PausedGameFrame() {
    DrawGameBackground(game);
    DrawParticles();
    DrawWorld(world, variant->index, 0);
    if (world.hooks.variant == VariantChains) {
        SetLinearMagnification(false);
        DrawChainLinks(world);
    }
    DrawGameHud(world, game, variant->index, 0);
    DrawLevelDisplays(world, game, 0);
    DrawPauseVeil(InterfaceLanguage);
}

}  // namespace

void GameScreenFrame() {
    uint64_t frameMs = frameClock.frameMs;
    flow.gameOverBanner = "";
    // 0. Pause and resume (an ending game runs its cover to the records).
    if (!game.gameOver && UpdatePause(preferences.pauseOnFocusLoss)) {
        PausedGameFrame();
        return;
    }
    // Only a level display, the tutorial or the shapes hint speaks here; they queue their messages anew
    // each frame.
    BeginMessages();

    // 1. Background, the large level number and the HUD frame.
    if (KeyPressed(KeyF1)) ToggleEffects();
    DrawGameBackground(game);

    // 2-3. Particles.
    DrawParticles();
    UpdateParticles(frameMs);

    // 4-6. Controls, new pieces, vision mode, the mouse.
    bool sweepEnabled = variant->controlFrame != nullptr && variant->controlFrame(game, world, frameMs);

    // 7. The physics step with the rule pass and the removal pass.
    StepWorld(world, frameMs, sweepEnabled);

    // 8. The glass's contents.
    DrawWorld(world, variant->index, frameMs);
    if (world.hooks.variant == VariantChains) {
        SetLinearMagnification(false);
        DrawChainLinks(world);
    }

    // 9. Score, bars and the level displays; a level's settings that cannot be read stop the game.
    if (!UpdateLevelProgress(game, world, frameMs)) {
        flow.criticalError = 2;
        return;
    }
    ClampScore(world);
    DrawGameHud(world, game, variant->index, frameMs);
    DrawLevelDisplays(world, game, frameMs);

    // 10. The tutorial, while it runs.
    if (game.tutorialStep > 0) TutorialTick(game, world, variant->index, frameMs);
    PlayHintTick(game, world, variant->index, frameMs);

    // 11. The game-over cover.
    if (game.gameOver) GameOverCover();
}

// Cost of drawing one game frame on the software renderer: background, level number, HUD frame,
// particles, a full glass of 120 blocks (some glowing, some frosted), floating texts, ghosts, sparks, HUD.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <memory>

#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "render/hud.h"
#include "render/images.h"
#include "render/particles.h"
#include "render/world_draw.h"
#include "rules/game.h"
#include "rules/tuning.h"

namespace {

bool StartHeadlessWithImages() {
    static const bool started = [] {
        SetHeadlessMode(true);
        PlatformOptions options;
        options.headless = true;
        if (!CreateMainWindow(options) || !CreateGraphicsDevice() || !CreateFonts(0)) return false;
        std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(GAME_DIR);
        LoadGameImages();
        std::filesystem::current_path(previous);
        return images.atomBodies[0] >= 0 && images.background >= 0;
    }();
    return started;
}

// Ten rows of twelve blocks, turned a little each; every seventh glows (marked), every fifth is frosted,
// a few are special and two are ice.
void BuildScene(PhysicsWorld& w, int variantIndex) {
    w.hooks = PhysicsHooks{};
    w.hooks.variant = variantIndex;
    ResetWorld(w);
    for (int row = 0; row < 10; ++row) {
        for (int col = 0; col < 12; ++col) {
            int n = row * 12 + col;
            int id = CreateAtom(w, 13.0f + 22.5f * static_cast<float>(col), 272.0f - 21.0f * static_cast<float>(row),
                                static_cast<uint8_t>(n % 5));
            Atom& a = w.atoms[id];
            a.rotation = 0.05f * static_cast<float>((n % 9) - 4);
            a.spriteKind = static_cast<uint8_t>(n % 3);
            if (n % 7 == 3) {
                a.marked = 1;
                a.markTime = 300 + 40 * n;
            } else if (n % 5 == 1) {
                a.iceAge = static_cast<uint32_t>(A_FREEZE_STAGE0_TIME + 1 + 3000 * (n % 3));
            }
            if (n % 23 == 5) a.special = 1;
            if (n == 30 || n == 31) {
                a.colour = NoColour;
                a.hitsLeft = n == 30 ? 3 : 1;
            }
        }
    }
    for (int k = 0; k < 6; ++k)
        AddFloatingText(w, 40.0f + 35.0f * static_cast<float>(k), 150.0f, k % 2 ? TextRemovalPoints : TextLandingBonus,
                        nullptr);
    AddFloatingText(w, 120.0f, 120.0f, 11, nullptr);
    AddFloatingText(w, 150.0f, 100.0f, TextGiven, "Crashed!");
    for (int k = 0; k < 12; ++k) AddRemovalGhost(w, 30.0f + 20.0f * static_cast<float>(k), 200.0f, 0, 20 * k);
    for (int k = 0; k < 10; ++k) {
        int s = AddSpark(w, 20.0f + 25.0f * static_cast<float>(k), 180.0f);
        w.sparks[s].age = 50 * k;
    }
}

void EmitSomeParticles() {
    ResetParticles(particleSystem);
    for (int k = 0; k < 8; ++k) EmitParticles(particleSystem, 3, 100.0f + 35.0f * k, 140.0f, 60.0f, 120.0f, 2, 4, 0, nullptr);
    // Spread their ages over their life.
    int n = 0;
    for (Particle& p : particleSystem.particles)
        if (!p.free) p.ageMs = 35 * n++;
}

// The drawing stages of a game frame, as the game screen runs them, without the rules and the physics.
void DrawGameFrame(PhysicsWorld& w, int variantIndex) {
    ResetSpriteQueues();
    ClearScene(0xFFFFFFFF);
    BeginScene();
    DrawGameBackground(game);
    DrawParticles();
    DrawWorld(w, variantIndex, 0);
    DrawGameHud(w, game, variantIndex, 0);
    EndScene();
    Present();
}

void DrawFrameBenchmark(benchmark::State& state, int variantIndex) {
    if (!StartHeadlessWithImages()) {
        state.SkipWithError("no headless device or images");
        return;
    }
    ResetTuningToDefaults();
    game = GameState{};
    game.level = 4;
    auto w = std::make_unique<PhysicsWorld>();
    BuildScene(*w, variantIndex);
    EmitSomeParticles();
    float textY[MaxFloatingTexts];
    for (int k = 0; k < MaxFloatingTexts; ++k) textY[k] = w->floatingTexts[k].y;
    // PELORINA_BENCH_SHOT=prefix saves the first frame, so the picture can be compared across changes.
    if (const char* shot = std::getenv("PELORINA_BENCH_SHOT")) {
        DrawGameFrame(*w, variantIndex);
        SavePicture((std::string(shot) + std::to_string(variantIndex) + ".png").c_str());
        for (int k = 0; k < MaxFloatingTexts; ++k) w->floatingTexts[k].y = textY[k];
    }
    for (auto _ : state) {
        DrawGameFrame(*w, variantIndex);
        // The texts rise half a pixel a frame: put them back so every frame draws the same.
        for (int k = 0; k < MaxFloatingTexts; ++k) w->floatingTexts[k].y = textY[k];
    }
    int atoms = 0;
    for (const Atom& a : w->atoms) atoms += (a.flags & FreeSlot) ? 0 : 1;
    state.counters["atoms"] = atoms;
}

void BM_DrawGameFrameCubes(benchmark::State& state) {
    DrawFrameBenchmark(state, VariantCubes);
}
BENCHMARK(BM_DrawGameFrameCubes)->Unit(benchmark::kMicrosecond);

// shapes adds the piece outlines to every block's queue.
void BM_DrawGameFrameShapes(benchmark::State& state) {
    DrawFrameBenchmark(state, VariantShapes);
}
BENCHMARK(BM_DrawGameFrameShapes)->Unit(benchmark::kMicrosecond);

}  // namespace

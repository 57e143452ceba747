// The level-completion notice and the level-up display.
#include "render/level_display.h"

#include <cstdlib>

#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/hud.h"
#include "render/images.h"
#include "render/messages.h"
#include "render/particles.h"
#include "render/sprite_rect.h"
#include "render/text.h"
#include "render/world_draw.h"
#include "rules/game.h"
#include "store/profile.h"

namespace {

struct LevelDisplayState {
    bool completeShowing = false;   // the completion notice was drawn in the last frame
    bool levelUpShowing = false;    // the level-up display was drawn in the last frame
    uint32_t levelUpLastMs = 0;     // levelUpMs seen in the last frame: a smaller one is a new level up
    uint32_t completeLastMs = 0;    // levelCompleteMs seen in the last frame
    int burstsDone = 0;             // sparkle bursts of this level up
    int sparkleShift = 0;           // px, s: the sparkles start further in with every burst
    uint32_t random = 0x9E3779B9u;  // the sparkles' rows and speeds
};

LevelDisplayState display;

constexpr int BarX = 127, BarY = 245, BarW = 227, BarH = 22;
constexpr int TextLeft = 135, TextTop = 245, TextRight = 354, TextBottom = 267;

uint32_t Faded(int alpha) {
    if (alpha < 0) alpha = 0;
    if (alpha > 255) alpha = 255;
    return static_cast<uint32_t>(alpha) << 24 | 0xFFFFFF;
}

uint32_t NextRandom() {
    uint32_t s = display.random;
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    display.random = s;
    return s;
}

void DrawMessageBar(int alpha) {
    SetModulation(1, 1);
    SetTextureFactor(Faded(alpha));
    DrawSpriteAt(images.messageBar, BarX, BarY, BarW, BarH);
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);
}

bool Russian() {
    return InterfaceLanguage == 1;
}

void DrawLevelComplete(const PhysicsWorld& w, const GameState& g, uint64_t frameMs) {
    uint32_t t = g.levelCompleteMs;
    int alpha = LevelCompleteAlpha(t);
    uint32_t colour = Faded(alpha);
    DrawMessageBar(alpha);
    BeginMessages();
    AddMessage(50, 5000, MessageFont, TextLeft, TextTop, TextRight, TextBottom, colour, "%s",
               Russian() ? "Ура! Уровень пройден!" : "You did it! The level is complete!");
    AddMessage(
        50, 3000, MessageFont, TextLeft, TextTop, TextRight, TextBottom, colour, "%s",
        Russian() ? "Чтобы перейти на следующий уровень ..." : "In order to get to the next level ...");
    AddMessage(50, 3000, MessageFont, TextLeft, TextTop, TextRight, TextBottom, colour, "%s",
               Russian() ? "уберите эти особые кубики!" : "remove these special blocks!");
    int left = SpecialBlocksLeft(w, g);
    if (left == 1)
        AddMessage(50, MessageHoldForever, MessageFont, TextLeft, TextTop, TextRight, TextBottom, colour,
                   "%s", Russian() ? "Остался всего 1 особый кубик!" : "Only 1 special block left!");
    else
        AddMessage(50, MessageHoldForever, MessageFont, TextLeft, TextTop, TextRight, TextBottom, colour,
                   Russian() ? "Осталось всего особых кубиков: %i!" : "Only %i special blocks left!", left);
    // On the first two levels the player is shown which blocks are meant.
    if (g.level < 2 && messageSequence.currentMessage >= 1) {
        float bob = static_cast<float>(PointerBob(t));
        for (int i = 0; i < MaxAtoms; ++i) {
            if (!AtomInUse(w, static_cast<uint32_t>(i)) || !w.atoms[i].special) continue;
            DrawRotatedSquare(images.pointer, w.atoms[i].x + 96.0f, w.atoms[i].y - 80.0f + bob, 1.57f, 13.5f,
                              27.0f);
        }
    }
    DrawMessages(frameMs);
}

void EmitSparkleBurst() {
    int s = display.sparkleShift;
    float rowRight = 165.0f + 25.0f * static_cast<float>(NextRandom() % 3);
    float rowLeft = 165.0f + 25.0f * static_cast<float>(NextRandom() % 3);
    // One spark each, so each flies at the first angle of its range: inwards and up.
    EmitParticles(1, static_cast<float>(400 - s), rowRight, 125.0f, 180.0f, 2.0f, 4.0f, 0, nullptr);
    EmitParticles(1, static_cast<float>(s + 100), rowLeft, 65.0f, 90.0f, 2.0f, 4.0f, 0, nullptr);
    display.sparkleShift = s + 25 > 350 ? 0 : s + 25;
}

void DrawLevelUp(const GameState& g, uint64_t frameMs) {
    uint32_t t = g.levelUpMs;
    int alpha = LevelUpMessageAlpha(t);
    DrawMessageBar(alpha);
    SetModulation(1, 1);
    SetTextureFactor(Faded(LevelUpBannerAlpha(t)));
    DrawSpriteAt(images.levelBanner, 176, 120, 128, 16);
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);

    int due = LevelUpBurstsDue(t);
    while (display.burstsDone < due) {
        if (EffectsEnabled()) EmitSparkleBurst();
        ++display.burstsDone;
    }

    BeginMessages();
    AddMessage(50, 3700, MessageFont, TextLeft, TextTop, TextRight, TextBottom, Faded(alpha), "%s",
               Russian() ? "Вы на следующем уровне!" : "You are on the next level!");
    AddMessage(50, MessageHoldForever, MessageFont, TextLeft, TextTop, TextRight, TextBottom, 0xFFFFFFFF,
               "%s", "");
    DrawMessages(frameMs);
}

}  // namespace

int LevelCompleteAlpha(uint32_t ms) {
    uint32_t t = ms < 300 ? ms : 300;
    return static_cast<int>(static_cast<float>(t) / 300.0f * 255.0f);
}

int LevelUpMessageAlpha(uint32_t ms) {
    if (ms <= 3700) return 255;
    int alpha = 255 - static_cast<int>(static_cast<float>(ms - 3700) / 300.0f * 255.0f);
    return alpha < 0 ? 0 : alpha;
}

int LevelUpBannerAlpha(uint32_t ms) {
    return 255 - LevelNumberAlpha(true, ms);
}

int LevelUpBurstsDue(uint32_t ms) {
    return ms < 2000 ? static_cast<int>(ms / 100) + 1 : 20;
}

int PointerBob(uint32_t ms) {
    return static_cast<int>((ms / 250) % 2);
}

int SpecialBlocksLeft(const PhysicsWorld& w, const GameState& g) {
    return (w.specialsInGlass > 0 ? w.specialsInGlass : 0) +
           (g.specialsToCreate > 0 ? g.specialsToCreate : 0);
}

bool DrawLevelDisplays(const PhysicsWorld& w, GameState& g, uint64_t frameMs) {
    // The rules age both displays and end the level up after 4000 ms; this only follows them.
    if (g.levelUpActive) {
        // A new level up (also one that restarts a running display): its message starts the sequence and
        // the sparkles start at the edges.
        if (!display.levelUpShowing || g.levelUpMs < display.levelUpLastMs) {
            SetMessage(0);
            display.burstsDone = 0;
            display.sparkleShift = 0;
        }
        display.levelUpShowing = true;
        display.levelUpLastMs = g.levelUpMs;
        display.completeShowing = false;
        DrawLevelUp(g, frameMs);
        return true;
    }
    if (display.levelUpShowing) SetMessage(0);  // the display is over: whatever speaks next starts from the top
    display.levelUpShowing = false;

    if (g.levelCompleteShown) {
        if (!display.completeShowing || g.levelCompleteMs < display.completeLastMs) SetMessage(0);
        display.completeShowing = true;
        display.completeLastMs = g.levelCompleteMs;
        DrawLevelComplete(w, g, frameMs);
        return true;
    }
    display.completeShowing = false;
    return false;
}

const char* GameOverBannerText(bool won, int language) {
    if (language == 1) return won ? "Вы победили!" : "Игра окончена";
    return won ? "You won!" : "Game over";
}

void DrawGameOverBanner(bool won, int alpha) {
    // The message bar in the middle of the glass, the words in the bold font.
    constexpr int x = 127, y = 110, w = 227, h = 22;
    SetModulation(1, 1);
    SetTextureFactor(Faded(alpha));
    DrawSpriteAt(images.messageBar, x, y, w, h);
    SetModulation(0, 0);
    SetTextureFactor(0xFFFFFFFF);
    DrawTextCentred(BoldFont, x, y, x + w, y + h, Faded(alpha), "%s",
                    GameOverBannerText(won, InterfaceLanguage));
}

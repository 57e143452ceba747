// The heads-up display of the game screen, the large level number and the records table.
#include "render/hud.h"

#include <cmath>
#include <cstdio>

#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "render/images.h"
#include "render/sprite_rect.h"
#include "render/text.h"
#include "rules/chains_rules.h"
#include "rules/game.h"
#include "rules/tuning.h"
#include "store/profile.h"
#include "store/records.h"

namespace {

struct HudState {
    float equalizerShown[EqualizerBands] = {};  // 0..9, the bar levels as drawn; kept for the whole run
    float levels[EqualizerBands] = {};          // scratch for the band levels of one call
    char digits[16] = {};
};

HudState hud;

// The game screen's backdrop kept by the graphics device, and the level number it shows.
struct GameBackdrop {
    bool kept = false;
    uint32_t look = 0;
};

GameBackdrop backdrop;

constexpr int32_t ShownScoreLimit = 99999999;  // eight digits
constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t ShadowColour = 0xFF547BCF;
constexpr uint32_t WarningColour = 0xFFEFC8FF;
constexpr uint32_t HighlightColour = 0xFFEE84DB;
// The chains bar frame flashes in this colour while the bar runs low.
constexpr uint32_t LowBarColour = 0xFFFF3030;

void UpdateEqualizer(uint64_t frameMs) {
    EqualizerLevels(hud.levels);
    for (int band = 0; band < EqualizerBands; ++band)
        hud.equalizerShown[band] = EqualizerShownStep(hud.equalizerShown[band], hud.levels[band], frameMs);
}

// A counter with its shadow one pixel down and right.
void DrawCounter(int left, int top, int right, int bottom, uint32_t colour, int32_t value) {
    DrawTextCentred(CounterFont, left + 1, top + 1, right + 1, bottom + 1, ShadowColour, "%i", value);
    DrawTextCentred(CounterFont, left, top, right, bottom, colour, "%i", value);
}

void DrawTintedSprite(int id, int x, int y, int w, int h, uint32_t colour) {
    if (colour == White) {
        DrawSpriteAt(id, x, y, w, h);
        return;
    }
    // Colour from the factor, alpha from the picture.
    SetModulation(1, 2);
    SetModulation(0, 0);
    SetTextureFactor(colour);
    DrawSpriteAt(id, x, y, w, h);
    SetModulation(1, 1);
    SetModulation(0, 0);
    SetTextureFactor(White);
}

}  // namespace

float EqualizerShownStep(float shown, float level, uint64_t frameMs) {
    // A silent or broken spectrum reads as no sound rather than poisoning the bar for the rest of the run.
    float target = std::isfinite(level) ? level * 9.0f : 0.0f;
    if (target < 0.0f) target = 0.0f;
    if (target > 9.0f) target = 9.0f;
    if (shown < target) return target;
    return shown + (target - shown) * 7.5f * static_cast<float>(frameMs) / 1000.0f;
}

const float* EqualizerShown() {
    return hud.equalizerShown;
}

void ResetEqualizerShown() {
    for (float& shown : hud.equalizerShown) shown = 0.0f;
}

int EqualizerBarHeight(float shown) {
    // A long frame overshoots below 0; such a bar is simply empty.
    if (!(shown > 0.0f)) return 0;
    int whole = shown >= 9.0f ? 9 : static_cast<int>(shown);
    return 3 * whole;
}

uint32_t ShownScore(int32_t score) {
    if (score < 0) return 0;
    return static_cast<uint32_t>(score > ShownScoreLimit ? ShownScoreLimit : score);
}

void FormatScoreDigits(uint32_t value, char (&out)[16]) {
    std::snprintf(out, sizeof out, "%08u", value);
}

void DrawNumber(int digitsTexture, int x, int y, uint32_t value, bool withBars, uint64_t frameMs) {
    UpdateEqualizer(frameMs);
    FormatScoreDigits(value, hud.digits);
    float stripWidth = static_cast<float>(TextureWidth(digitsTexture));
    float stripHeight = static_cast<float>(TextureHeight(digitsTexture));
    for (int i = 0; i < 8; ++i) {
        int digit = hud.digits[i] - '0';
        if (digitsTexture >= 0 && stripWidth > 0.0f && stripHeight > 0.0f && digit >= 0 && digit <= 9) {
            // The strip holds the glyphs 0..9 every 9 texels, each 10 texels wide.
            float left = 9.0f * static_cast<float>(digit) / stripWidth;
            DrawSpriteAt(digitsTexture, x + 9 * i, y, 10, 10, left + 10.0f / stripWidth, 10.0f / stripHeight,
                         left, 0.0f);
        }
        if (withBars) {
            int height = EqualizerBarHeight(hud.equalizerShown[i]);
            if (height > 0)
                DrawSpriteAt(images.equalizerBar, x + 9 * i + 2, y + 10, 32, height, 1.0f,
                             (static_cast<float>(height) + 0.5f) / 32.0f, 0.0f, -0.015625f);
        }
    }
}

int ProgressFillSteps(float progress) {
    if (!(progress > 0.0f)) return 0;
    float percent = progress > 1.0f ? 100.0f : progress * 100.0f;
    int steps = 0;
    for (int i = 0; static_cast<float>(i) < percent; i += 2) ++steps;
    return steps;
}

float HudProgress(const PhysicsWorld& w, int variantIndex) {
    return variantIndex == VariantChains ? w.barEnergy : w.progress;
}

uint32_t MovesCounterColour(int variantIndex, int32_t movesLeft, int32_t pendingMistakes, int32_t blinkMs) {
    if (variantIndex != VariantShapes) return White;
    if (pendingMistakes > 0 && blinkMs >= 0 && blinkMs <= 1800)
        return (blinkMs / 200) % 2 == 1 ? White : WarningColour;
    return movesLeft < 3 ? WarningColour : White;
}

const char* LevelCountFormat(int language) {
    return language == 1 ? "\n\nиз %i" : "\n\nof %i";
}

void DrawGameHud(const PhysicsWorld& w, const GameState& g, int variantIndex, uint64_t frameMs) {
    DrawNumber(images.digits, 10, 23, ShownScore(w.score), true, frameMs);

    // Chains: a low bar warns by flashing its frame red, 140 ms on, 140 ms off; the fill stays in front.
    const bool warning = variantIndex == VariantChains && LowBarWarningLit(g);
    DrawTintedSprite(images.barFrame, 424, 101, 21, 106, warning ? LowBarColour : White);
    int steps = ProgressFillSteps(HudProgress(w, variantIndex));
    for (int step = 0; step < steps; ++step) DrawSpriteAt(images.barFill, 431, 203 - 2 * step, 7, 2);

    DrawCounter(18, 149, 77, 205,
                MovesCounterColour(variantIndex, g.mistakesAllowed, g.pendingMistakes, g.mistakeBlinkMs),
                g.mistakesAllowed);

    DrawCounter(402, 30, 461, 86, White, g.level + 1);
    DrawTextCentred(MessageFont, 402, 34, 461, 90, White, LevelCountFormat(InterfaceLanguage), A_MAXIMUM_LEVEL);
}

int LevelNumberAlpha(bool levelUpActive, uint32_t levelUpMs) {
    if (!levelUpActive) return 255;
    float t = levelUpMs > 4000 ? 4000.0f : static_cast<float>(levelUpMs);
    // Fades out over the first half of the level up and back in over the second.
    return static_cast<int>(std::fabs(2.0f * t / 4000.0f - 1.0f) * 255.0f);
}

int LevelNumberShown(int32_t level, bool levelUpActive, uint32_t levelUpMs) {
    // The level has already risen when the display starts; the number changes while it is invisible.
    return levelUpActive && levelUpMs < 2000 ? level : level + 1;
}

void DrawLevelNumber(const GameState& g) {
    // The number sits behind the HUD frame, whose veil over the glass lets it show through only faintly.
    uint32_t alpha = static_cast<uint32_t>(LevelNumberAlpha(g.levelUpActive, g.levelUpMs));
    DrawTextCentred(HugeFont, 97, 0, 384, 239, alpha << 24 | 0xFFFFFF, "%02i",
                    LevelNumberShown(g.level, g.levelUpActive, g.levelUpMs));
}

uint32_t LevelNumberLook(const GameState& g) {
    uint32_t alpha = static_cast<uint32_t>(LevelNumberAlpha(g.levelUpActive, g.levelUpMs));
    uint32_t number = static_cast<uint32_t>(LevelNumberShown(g.level, g.levelUpActive, g.levelUpMs));
    return alpha << 24 | (number & 0xFFFFFF);
}

void DrawGameBackground(const GameState& g) {
    uint32_t look = LevelNumberLook(g);
    bool kept = backdrop.kept && backdrop.look == look && DrawBackdrop();
    SetAlphaBlending(false);
    if (!kept) DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    SetAlphaBlending(true);
    SetLinearMagnification(false);
    if (kept) return;
    DrawLevelNumber(g);
    DrawSprite(images.hudFrame, 0, 0, ScreenWidth, ScreenHeight, true);
    KeepBackdrop();
    backdrop.kept = true;
    backdrop.look = look;
}

int RecordsPageStart(int place) {
    if (place < 0 || place >= RecordPlaces) return 0;
    return place / 10 * 10;
}

uint32_t RecordsRowColour(bool playersRow, uint64_t screenMs) {
    if (!playersRow) return White;
    return (screenMs / 750) % 2 == 1 ? HighlightColour : White;
}

int RecordsStars(int row) {
    return row >= 0 && row < 3 ? 3 - row : 0;
}

int RecordsHighlightedStar(int row, uint64_t screenMs) {
    int stars = RecordsStars(row);
    return stars > 0 ? static_cast<int>((screenMs / 250) % static_cast<uint64_t>(stars)) : -1;
}

void DrawRecordsTable(const RecordTable& table, int place, const char* typedName, uint64_t screenMs,
                      int32_t finalScore, uint64_t frameMs) {
    int first = RecordsPageStart(place);
    int pointerShift = static_cast<int>((screenMs / 250) % 2);
    for (int r = 0; r < 10; ++r) {
        int index = first + r;
        int y = 59 + 14 * r;  // baseline; each row's boxes span y - 14 .. y
        bool own = index == place;
        uint32_t colour = RecordsRowColour(own, screenMs);
        const RecordEntry& entry = table.entries[index];
        DrawTextCentred(MessageFont, 170, y - 14, 192, y, colour, "%03i", index + 1);
        DrawTextCentred(MessageFont, 192, y - 14, 292, y, colour, "%08i", entry.score);
        if (own) {
            const char* you = InterfaceLanguage == 1 ? "Вы" : "You";
            DrawTextLeft(MessageFont, 292, y - 14, 384, y, colour, "%s",
                         typedName && typedName[0] ? typedName : you);
            float pointerY = static_cast<float>(y) - 7.0f;
            DrawRotatedSquare(images.pointer, 398.5f + static_cast<float>(pointerShift), pointerY, 3.14f,
                              13.5f, 27.0f);
            DrawRotatedSquare(images.pointer, 82.5f - static_cast<float>(pointerShift), pointerY, 0.0f, 13.5f,
                              27.0f);
        } else {
            char name[RecordNameBytes + 1];
            DrawTextLeft(MessageFont, 292, y - 14, 384, y, colour, "%s", RecordNameText(entry, name));
        }
        // The first three rows of the page carry stars; one star of each row takes the row colour in turn,
        // so it sparkles on the player's own row.
        int lit = RecordsHighlightedStar(r, screenMs);
        for (int k = 0; k < RecordsStars(r); ++k)
            DrawTintedSprite(images.recordsStar, 142 - 14 * k, 46 + 14 * r, 12, 12, k == lit ? colour : White);
    }
    DrawNumber(images.digits, 205, 198, ShownScore(finalScore), false, frameMs);
}

// Drawing of the glass's contents, and the ageing of its short-lived effects.
#include "render/world_draw.h"

#include <cmath>

#include "input/input.h"
#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/sprite_rect.h"
#include "render/text.h"
#include "rules/game.h"
#include "rules/tuning.h"
#include "store/profile.h"

namespace {

// The squares pass 1 queues for each atom, in this order.
enum AtomSquare { SquareBody, SquareHighlight, SquareGlow, SquareSpecial, SquareOutline, SquaresPerAtom };

struct WorldDrawState {
    bool effectsOn = true;
    int32_t visionTimerMs = 0;  // ms; shapes
    bool visionShown = false;
    // Index of each queued square in the frame's sprite queue; -1 when it was not queued.
    int16_t squares[MaxAtoms][SquaresPerAtom];
};

WorldDrawState state;

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t BadColour = 0xFFEE84DB;
constexpr uint32_t ForbiddenSwapTint = 0x00FF6000;

uint32_t Faded(int alpha) {
    if (alpha < 0) alpha = 0;
    if (alpha > 255) alpha = 255;
    return static_cast<uint32_t>(alpha) << 24 | 0xFFFFFF;
}

int ColourImage(const int (&table)[9], uint8_t colour) {
    return colour < 9 ? table[colour] : -1;
}

// Queues one rotated square and returns where it went in the queue, -1 when the queue is full.
int16_t Queue(int id, float x, float y, float angle, float halfSize, float texelSpan) {
    int before = QueuedSpriteCount();
    DrawRotatedSprite(id, x, y, angle, halfSize, texelSpan, nullptr, nullptr, false);
    return QueuedSpriteCount() > before ? static_cast<int16_t>(before) : static_cast<int16_t>(-1);
}

// Draws a queued square with the given image (pass 2 puts several images on the same square).
void DrawSquare(int16_t queueIndex, int id) {
    if (queueIndex < 0 || id < 0) return;
    BindTexture(id);
    DrawQuad(QueuedSpriteVertices(queueIndex));
}

bool HasSpecialSquare(int variantIndex) {
    return variantIndex == VariantShapes || variantIndex == VariantCubes;
}

void QueueAtom(const PhysicsWorld& w, int index, int variantIndex) {
    const Atom& a = w.atoms[index];
    int16_t* squares = state.squares[index];
    float sx = a.x + GlassScreenX, sy = a.y + GlassScreenY;
    squares[SquareBody] = Queue(AtomBodyImage(a, A_DEAD_HITS), sx, sy, a.rotation, 11.5f, 23.0f);
    squares[SquareHighlight] = Queue(images.highlight, sx, sy, 0.0f, 11.5f, 23.0f);
    squares[SquareGlow] = Queue(images.glow, sx, sy, a.rotation, 14.0f, 32.0f);
    squares[SquareSpecial] = -1;
    if (a.special && HasSpecialSquare(variantIndex)) {
        // The mark sits on the block's lower right (shapes) or right (cubes) shoulder.
        float dx = variantIndex == VariantShapes ? 7.5f : 9.5f;
        float dy = variantIndex == VariantShapes ? 7.5f : 2.5f;
        squares[SquareSpecial] = Queue(images.specialMark, sx + dx, sy + dy, 0.0f, 16.0f, 32.0f);
    }
    squares[SquareOutline] = -1;
    if (variantIndex == VariantShapes) {
        int outline = a.spriteKind < 3 ? images.pieceOutlines[a.spriteKind] : -1;
        squares[SquareOutline] =
            Queue(outline, sx, sy, a.spriteAngle * 3.14f / 180.0f + a.rotation, 13.0f, 25.0f);
    }
}

void DrawAtom(const PhysicsWorld& w, int index, int variantIndex) {
    const Atom& a = w.atoms[index];
    const int16_t* squares = state.squares[index];
    // Body, frost, highlight and pattern share the body's alpha, so a blinking block blinks whole.
    uint32_t bodyFactor = Faded(AtomBodyAlpha(a));
    SetModulation(1, 1);
    SetTextureFactor(bodyFactor);
    DrawSquare(squares[SquareBody], AtomBodyImage(a, A_DEAD_HITS));

    if (!a.marked && !a.snapping) {
        int stage = FrostStage(a.iceAge);
        if (stage >= 0) DrawSquare(squares[SquareBody], images.frost[stage]);
    }

    bool grabbed = index == w.grabbedAtom;
    bool target = index == w.swapTarget;
    if (grabbed || target) {
        if (target && !grabbed && game.swapAllowed == 0) {
            // A swap that would be refused: the ring keeps its own alpha and takes the orange tint.
            SetModulation(1, 2);
            SetModulation(0, 0);
            SetTextureFactor(ForbiddenSwapTint);
            DrawSquare(squares[SquareBody], images.selection);
            SetModulation(1, 1);
        } else {
            SetTextureFactor(White);
            DrawSquare(squares[SquareBody], images.selection);
        }
        // A held or offered block's shine is drawn at full strength.
        SetTextureFactor(White);
    }

    if (!a.snapping) {
        DrawSquare(squares[SquareHighlight], images.highlight);
        if (a.colour != NoColour && !a.special && !a.marked)
            DrawSquare(squares[SquareHighlight], AtomPatternImage(a));
    }
    SetModulation(0, 0);
    SetTextureFactor(White);

    if (a.marked && state.effectsOn) {
        int glow = GlowIsLate(a.markTime, A_FREEZE_ACTIVE_TIME) ? images.lateGlow : images.glow;
        SetModulation(1, 1);
        SetTextureFactor(Faded(GlowAlpha(a.markTime)));
        SetAdditiveBlending(true);
        DrawSquare(squares[SquareGlow], glow);
        SetAdditiveBlending(false);
        SetModulation(0, 0);
        SetTextureFactor(White);
    }

    if (squares[SquareSpecial] >= 0) {
        int alpha = a.marked ? SpecialBlinkAlpha(a.markTime) : (a.snapping ? 0x80 : 255);
        SetModulation(1, 1);
        SetTextureFactor(Faded(alpha));
        DrawSquare(squares[SquareSpecial], images.specialMark);
        SetModulation(0, 0);
        SetTextureFactor(White);
    }

    if (variantIndex == VariantShapes && state.visionTimerMs > 500) {
        int alpha = VisionAlpha(state.visionTimerMs);
        int outline = a.spriteKind < 3 ? images.pieceOutlines[a.spriteKind] : -1;
        SetModulation(1, 1);
        SetTextureFactor(Faded(alpha));
        DrawSquare(squares[SquareOutline], outline);
        SetModulation(0, 0);
        SetTextureFactor(White);
        if (alpha == 255) state.visionShown = true;
    }
}

void DrawFloatingTexts(PhysicsWorld& w, uint64_t frameMs) {
    for (FloatingText& t : w.floatingTexts) {
        if (t.flags & FreeSlot) continue;
        int sx = static_cast<int>(t.x + GlassScreenX), sy = static_cast<int>(t.y + GlassScreenY);
        int left = sx - 64, top = sy - 14, right = sx + 64, bottom = sy + 14;  // 128 by 28 around it
        if (t.kind < 10) {
            SetModulation(1, 1);
            SetTextureFactor(Faded(FloatingTextAlpha(t.kind, t.age)));
            DrawSpriteAt(images.floatingTexts[t.kind], static_cast<int>(t.x + GlassScreenX),
                         static_cast<int>(t.y - 64.0f), 32, 32);
            SetModulation(0, 0);
            SetTextureFactor(White);
        } else if (t.kind == 11) {
            DrawTextCentred(BoldFont, left, top, right, bottom, BadColour, "%s", "bad!");
        } else if (t.kind == 12) {
            const char* text = InterfaceLanguage == 1 ? "Двойной!" : "Double!";
            DrawTextCentred(WaitFont, left, top, right, bottom, White, "%s", text);
        } else if (t.kind == TextGiven && t.text) {
            DrawTextCentred(WaitFont, left, top, right, bottom, White, "%s", t.text);
        }
        t.y -= 0.5f;
        uint64_t age = t.age + frameMs;
        if (age > static_cast<uint64_t>(FloatingTextLifeMs(t.kind)))
            t.flags |= FreeSlot;
        else
            t.age = static_cast<uint16_t>(age);
    }
}

int32_t AddAge(int32_t age, uint64_t frameMs) {
    int64_t next = static_cast<int64_t>(age) + static_cast<int64_t>(frameMs > 1000000 ? 1000000 : frameMs);
    return static_cast<int32_t>(next);
}

void DrawRemovalGhosts(PhysicsWorld& w, uint64_t frameMs) {
    int set = images.ghosts[0];
    for (RemovalGhost& g : w.removalGhosts) {
        if (g.flags & FreeSlot) continue;
        if (g.start >= 0 && state.effectsOn && set >= 0) {
            SetTextureFrame(set, GhostFrame(g.start));
            SetAdditiveBlending(true);
            SetModulation(1, 1);
            SetTextureFactor(0x80FFFFFF);
            DrawSpriteAt(set, g.x + 71, g.y - 73, 24, 24);
            SetTextureFactor(White);
            SetModulation(0, 0);
            SetAdditiveBlending(false);
        }
        g.start = AddAge(g.start, frameMs);
        if (g.start > GhostLifeMs) g.flags |= FreeSlot;
    }
}

void DrawSparks(PhysicsWorld& w, uint64_t frameMs) {
    int set = images.sparks;
    for (Spark& s : w.sparks) {
        if (s.flags & FreeSlot) continue;
        if (s.age >= 0 && set >= 0) {
            SetTextureFrame(set, SparkFrame(s.age));
            DrawSpriteAt(set, s.x + 66, s.y - 78, 61, 61);  // centred on the spark
        }
        s.age = AddAge(s.age, frameMs);
        if (s.age > SparkLifeMs) s.flags |= FreeSlot;
    }
}

// A shard is a corner of the ice picture that flies off in its direction, falls, spins and fades.
void DrawIceShards(PhysicsWorld& w, uint64_t frameMs) {
    for (IceShard& s : w.iceShards) {
        if (s.flags & FreeSlot) continue;
        if (s.age >= 0) {
            float t = static_cast<float>(s.age) / 1000.0f;  // s
            float direction = s.angle * 3.14159265f / 180.0f;
            float x = s.x + GlassScreenX + std::cos(direction) * 60.0f * t;
            float y = s.y + GlassScreenY + std::sin(direction) * 60.0f * t + 200.0f * t * t;
            float life = static_cast<float>(s.age) / IceShardLifeMs;
            SetModulation(1, 1);
            SetTextureFactor(Faded(static_cast<int>((1.0f - life) * 255.0f)));
            DrawRotatedSquare(images.ice, x, y, direction + 6.0f * t, 6.0f - 3.0f * life, 11.0f);
            SetModulation(0, 0);
            SetTextureFactor(White);
        }
        s.age = AddAge(s.age, frameMs);
        if (s.age > IceShardLifeMs) s.flags |= FreeSlot;
    }
}

}  // namespace

bool EffectsEnabled() {
    return state.effectsOn;
}
void SetEffectsEnabled(bool on) {
    state.effectsOn = on;
}
void ToggleEffects() {
    state.effectsOn = !state.effectsOn;
}
bool VisionShown() {
    return state.visionShown;
}
int32_t VisionTimerMs() {
    return state.visionTimerMs;
}
void ResetVision() {
    state.visionTimerMs = 0;
    state.visionShown = false;
}

int IceCrackLevel(int32_t hitsLeft, int32_t deadHits) {
    if (deadHits <= 0) return hitsLeft > 0 ? 0 : 2;
    int k = static_cast<int>(-2.0f * static_cast<float>(hitsLeft) / static_cast<float>(deadHits));
    if (k <= -2) return 0;
    if (k == -1) return 1;
    return 2;
}

int AtomBodyImage(const Atom& a, int32_t deadHits) {
    if (a.colour == NoColour) {
        switch (IceCrackLevel(a.hitsLeft, deadHits)) {
            case 0:
                return images.ice;
            case 1:
                return images.cracks[0];
            default:
                return images.cracks[1];
        }
    }
    // The new colour takes over at the middle of the flash, when the block is invisible.
    uint8_t colour = a.colourFlash && a.flashTime > 500 ? a.savedColour : a.colour;
    return ColourImage(images.atomBodies, colour);
}

int AtomPatternImage(const Atom& a) {
    if (a.colour == NoColour) return -1;
    uint8_t colour = a.colourFlash && a.flashTime > 500 ? a.savedColour : a.colour;
    return ColourImage(images.patterns, colour);
}

int MarkBlinkAlpha(int32_t markTime) {
    return ((markTime / 140) & 1) * 200 + 55;
}

int SpecialBlinkAlpha(int32_t markTime) {
    return (((markTime + 140) / 140) & 1) * 200 + 55;
}

int FlashAlpha(uint32_t flashTime) {
    float a = std::fabs(1.0f - 2.0f * static_cast<float>(flashTime) / 1000.0f) * 255.0f;
    return a > 255.0f ? 255 : static_cast<int>(a);
}

int AtomBodyAlpha(const Atom& a) {
    // During a colour flash the flash's fade is the alpha, whether or not the block blinks.
    if (a.colourFlash) return FlashAlpha(a.flashTime);
    return a.marked ? MarkBlinkAlpha(a.markTime) : 255;
}

int FrostStage(uint32_t iceAge) {
    int64_t age = iceAge;
    if (age > A_FREEZE_STAGE2_TIME) return 2;
    if (age > A_FREEZE_STAGE1_TIME) return 1;
    if (age > A_FREEZE_STAGE0_TIME) return 0;
    return -1;
}

bool GlowIsLate(int32_t markTime, int32_t freezeActiveTime) {
    return freezeActiveTime >= 0 &&
           static_cast<int64_t>(markTime) >= static_cast<int64_t>(freezeActiveTime) - 1000;
}

int GlowAlpha(int32_t markTime) {
    float a = 180.0f - std::fabs(2.0f * static_cast<float>(markTime) / 4000.0f - 1.0f) * 116.0f;
    return a < 0.0f ? 0 : static_cast<int>(a);
}

int32_t NextVisionTimer(int32_t timerMs, bool holding, uint64_t frameMs) {
    // Limits that are never reached in play keep the count inside 32 bits.
    const int32_t step = frameMs > 1000000 ? 1000000 : static_cast<int32_t>(frameMs);
    if (holding) {
        // Past 1000 ms nothing changes any more: the release limits the timer to 1000 anyway.
        timerMs += step;
        return timerMs > 1000 ? 1000 : timerMs;
    }
    if (timerMs > 1000) timerMs = 1000;
    // The last step of the fade may take the timer below 0; the next look starts that much later.
    if (timerMs > 0) timerMs -= step;
    return timerMs;
}

int VisionAlpha(int32_t timerMs) {
    if (timerMs <= 500) return 0;
    int32_t shown = timerMs - 500 < 250 ? timerMs - 500 : 250;
    return static_cast<int>(static_cast<float>(shown) / 250.0f * 255.0f);
}

int FloatingTextLifeMs(uint16_t kind) {
    return kind == TextLandingBonus ? 1000 : 2000;
}

int FloatingTextAlpha(uint16_t kind, uint16_t ageMs) {
    float life = static_cast<float>(FloatingTextLifeMs(kind));
    float left = 1.0f - static_cast<float>(ageMs) / life;
    if (left < 0.0f) left = 0.0f;
    // The landing bonus is a quiet one: it starts at half strength.
    return static_cast<int>(left * (kind == TextLandingBonus ? 128.0f : 255.0f));
}

int GhostFrame(int32_t ageMs) {
    if (ageMs <= 0) return 0;
    float a = static_cast<float>(ageMs) / GhostLifeMs;
    int frame = static_cast<int>(a * a * 9.0f);
    return frame > 8 ? 8 : frame;  // the set has frames 0..8; its last moment keeps the last frame
}

int SparkFrame(int32_t ageMs) {
    if (ageMs <= 0) return 0;
    float a = static_cast<float>(ageMs) / SparkLifeMs;
    int frame = static_cast<int>(a * a * 4.0f);
    return frame > 4 ? 4 : frame;
}

int ChainLinkAlpha(bool marked, int32_t markTime) {
    return marked ? ((markTime / 140) & 1) * 200 : 200;
}

float ChainLinkAngle(float dx, float dy) {
    return 1.57f - std::atan2(dx, dy);
}

void DrawWorld(PhysicsWorld& w, int variantIndex, uint64_t frameMs) {
    // The blocks are drawn rotated and enlarged a little: smooth them.
    SetLinearMagnification(true);
    AdvanceAnimation(images.glow, 8.0f);
    AdvanceAnimation(images.lateGlow, 8.0f);

    for (int i = 0; i < MaxAtoms; ++i)
        if (AtomInUse(w, static_cast<uint32_t>(i))) QueueAtom(w, i, variantIndex);

    state.visionShown = false;
    if (variantIndex == VariantShapes) {
        bool holding = (input.mouseButtons[0] & 0x80) != 0 && w.grabbedAtom < 0;
        state.visionTimerMs = NextVisionTimer(state.visionTimerMs, holding, frameMs);
    }

    for (int i = 0; i < MaxAtoms; ++i)
        if (AtomInUse(w, static_cast<uint32_t>(i))) DrawAtom(w, i, variantIndex);

    DrawFloatingTexts(w, frameMs);
    DrawRemovalGhosts(w, frameMs);
    DrawSparks(w, frameMs);
    DrawIceShards(w, frameMs);
    SetLinearMagnification(false);
}

void DrawChainLinks(const PhysicsWorld& w) {
    SetLinearMagnification(false);
    uint32_t first = 0;  // the chains' atoms follow one another in chainAtoms
    uint32_t total = w.chainAtomCount < MaxAtoms ? w.chainAtomCount : MaxAtoms;
    uint32_t chains = w.chainCount < MaxAtoms ? w.chainCount : MaxAtoms;
    for (uint32_t c = 0; c < chains && first < total; ++c) {
        uint32_t length = w.chainLengths[c];
        for (uint32_t i = first + 1; i < first + length && i < total; ++i) {
            const ChainAtomRecord& from = w.chainAtoms[i - 1];
            const ChainAtomRecord& to = w.chainAtoms[i];
            int id = ColourImage(images.chainLinks, to.colour);
            SetModulation(1, 1);
            SetTextureFactor(Faded(ChainLinkAlpha(to.marked != 0, to.markTime)));
            DrawRotatedSquare(id, (from.x + to.x) * 0.5f, (from.y + to.y) * 0.5f,
                              ChainLinkAngle(to.x - from.x, to.y - from.y), 6.5f, 13.0f);
            SetModulation(0, 0);
        }
        first += length;
    }
    SetTextureFactor(White);
}

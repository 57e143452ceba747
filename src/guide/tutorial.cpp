// The tutorial's shared machinery: queuing a script, pointers, the steering test and the ending.
#include "guide/tutorial.h"

#include "audio/game_sounds.h"
#include "input/input.h"
#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/messages.h"
#include "render/world_draw.h"
#include "rules/game.h"
#include "rules/tuning.h"
#include "store/profile.h"

TutorialState tutorial;

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
// The tutorial box at the bottom of the game screen, and the bar image behind it.
constexpr int TextLeft = 135, TextTop = 245, TextRight = 354, TextBottom = 267;
constexpr int BarX = 127, BarY = 245, BarWidth = 227, BarHeight = 22;
// The pointer picture is a 27-pixel square; it stands 32 px above the block it points at.
constexpr float PointerHalf = 13.5f;
constexpr float PointerSpan = 27.0f;
constexpr float PointerRise = 32.0f;
constexpr float PointDown = 1.57f;
// The glass is drawn 96 px right and 48 px up.
constexpr float GlassLeft = 96.0f;
constexpr float GlassUp = 48.0f;

}  // namespace

const char* TutorialText(const TutorialLine& line) {
    return InterfaceLanguage == 1 ? line.russian : line.english;
}

int QueueTutorialLines(const TutorialLine* lines, int count, uint64_t frameMs, int numberedLine, int number) {
    BeginMessages();
    for (int i = 0; i < count; ++i) {
        if (i == numberedLine) {
            AddMessage(50, lines[i].holdMs, MessageFont, TextLeft, TextTop, TextRight, TextBottom, White,
                       TutorialText(lines[i]), number);
            continue;
        }
        AddMessage(50, lines[i].holdMs, MessageFont, TextLeft, TextTop, TextRight, TextBottom, White, "%s",
                   TutorialText(lines[i]));
    }
    if (tutorial.restorePosition >= 0) {
        SetMessage(tutorial.restorePosition);
        // Resume inside the message rather than typing it again from its start.
        if (tutorial.restoreClockMs > messageSequence.messageClockMs) {
            messageSequence.messageClockMs = tutorial.restoreClockMs;
        }
        tutorial.restorePosition = -1;
    }
    DrawSprite(images.messageBar, BarX, BarY, BarWidth, BarHeight, true);
    return DrawMessages(frameMs) - 1;
}

void PointAt(float x, float y, float angle, uint32_t blinkMs) {
    const float bob = static_cast<float>((blinkMs / 250) % 2);
    DrawRotatedSprite(images.pointer, x, y + bob, angle, PointerHalf, PointerSpan, nullptr, nullptr, true);
}

void PointAtAtom(const PhysicsWorld& w, int k, uint32_t blinkMs) {
    if (!AtomInUse(w, static_cast<uint32_t>(k))) return;
    const Atom& a = w.atoms[k];
    PointAt(a.x + GlassLeft, a.y - GlassUp - PointerRise, PointDown, blinkMs);
}

bool SteeringHeld() {
    return (Buttons() & (ButtonUp | ButtonDown | ButtonLeft | ButtonRight | ButtonCtrl | ButtonAlt)) != 0;
}

void EndTutorial(TutorialState& t, GameState& g, PhysicsWorld& w) {
    if (!t.levelUpSounded) {
        t.levelUpSounded = true;
        PlayLevelUpSound();
    }
    ResetWorld(w);
    g.tutorialStep = -1;
    // A new game of the same level: nothing scored, five mistakes allowed, no moves.
    w.score = 0;
    w.progress = 0;
    w.barEnergy = A_DEFAULT_BAR_CAP;
    g.mistakesAllowed = NewGameMistakes;
    g.pendingMistakes = 0;
    g.mistakeBlinkMs = -1;
    g.moves = 0;
    g.streak = 0;
    g.failStreak = 0;
    g.bestStreak = 0;
    g.removals = 0;
    g.pieceRequests = 0;
    // Back to the start of an empty sequence: the script is no longer queued.
    SetMessage(0);
    BeginMessages();
    w.grabbedAtom = -1;
    w.swapTarget = -1;
    g.shapesOnBoard = 0;
}

void TutorialTick(GameState& g, PhysicsWorld& w, int variantIndex, uint64_t frameMs) {
    if (g.tutorialStep <= 0) return;
    // A level up in the middle of the tutorial has the message box for its display; the script waits.
    if (g.levelUpActive || g.levelCompleteShown) {
        if (!tutorial.paused) {
            tutorial.restorePosition = tutorial.position;
            tutorial.restoreClockMs = tutorial.clockMs;
        }
        tutorial.paused = true;
        return;
    }
    tutorial.paused = false;
    switch (variantIndex) {
        case VariantShapes: ShapesTutorialFrame(tutorial, g, w, frameMs); break;
        case VariantChains: ChainsTutorialFrame(tutorial, g, w, frameMs); break;
        default: CubesTutorialFrame(tutorial, g, w, frameMs); break;
    }
    tutorial.position = messageSequence.currentMessage;
    tutorial.clockMs = messageSequence.messageClockMs;
}

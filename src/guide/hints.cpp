// Hints for normal play: the shapes hint on an empty glass.
#include "guide/hints.h"

#include "guide/tutorial.h"
#include "physics/world.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "render/images.h"
#include "render/messages.h"
#include "rules/game.h"

namespace {

constexpr uint32_t HintHoldMs = 3000;

// The last line is the empty one that every sequence ends with; reaching it starts the hint again.
constexpr TutorialLine shapesHint[] = {
    {"Double click to get new pieces", "Дважды кликните - будут фигурки", HintHoldMs},
    {"Hold the button on empty glass", "Удерживайте кнопку на пустом", HintHoldMs},
    {"to see the pieces' outlines", "месте - увидите контуры фигурок", HintHoldMs},
    {"", "", TutorialHoldUntilDone},
};
constexpr int ShapesHintLines = sizeof shapesHint / sizeof shapesHint[0];

bool hintShowing = false;
bool tutorialSeen = false;  // a player who went through the tutorial needs no hint

}  // namespace

bool PlayHintDue(const GameState& g, const PhysicsWorld& w, int variantIndex) {
    if (variantIndex != VariantShapes || g.tutorialStep != -1 || g.gameOver || tutorialSeen) return false;
    if (g.levelUpActive || g.levelCompleteShown || g.pieceRequests > 0) return false;
    for (uint32_t i = 0; i < MaxAtoms; ++i)
        if (AtomInUse(w, i)) return false;
    return true;
}

void PlayHintTick(const GameState& g, const PhysicsWorld& w, int variantIndex, uint64_t frameMs) {
    if (g.tutorialStep > 0) tutorialSeen = true;
    if (!PlayHintDue(g, w, variantIndex)) {
        if (hintShowing) SetMessage(0);
        hintShowing = false;
        return;
    }
    if (!hintShowing) SetMessage(0);
    hintShowing = true;
    // In the tutorial's box, over its bar.
    BeginMessages();
    for (const TutorialLine& line : shapesHint)
        AddMessage(50, line.holdMs, MessageFont, 135, 245, 354, 267, 0xFFFFFFFF, "%s", TutorialText(line));
    DrawSprite(images.messageBar, 127, 245, 227, 22, true);
    if (DrawMessages(frameMs) - 1 == ShapesHintLines - 1) SetMessage(0);
}

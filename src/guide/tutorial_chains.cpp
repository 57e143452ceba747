// The Chains tutorial: keyboard play in 13 messages, from the first piece to a chain of three.
#include "guide/tutorial.h"
#include "physics/world.h"
#include "render/messages.h"
#include "rules/game.h"

namespace {

constexpr uint32_t Until = TutorialHoldUntilDone;

const TutorialLine ChainsScript[ChainsTutorialMessages] = {
    {"Here's the tutorial!", "А вот и обучение!", 2000},                                     // 0
    {"This is easy! Really easy!", "Это просто! Очень просто!", 2000},                       // 1
    {"Press space ...", "Нажмите пробел ...", Until},                                        // 2
    {"to add blocks!", "чтобы добавить кубики!", 3000},                                      // 3
    {"Press Arrowkeys and Ctrl-Alt keys", "Нажимайте Стрелки и кнопки Ctrl-Alt", Until},     // 4
    {"and just do whatever you want ", "и делайте все, что хотите чтобы ...", 3000},         // 5
    {"to move and turn these blocks!", "двигать и вращать эти кубики!", 3000},               // 6
    {"Connect blocks of the same color", "Соедините кубики одного цвета", Until},            // 7
    {"to make chains of blocks!", "чтобы создать связку из кубиков!", 3000},                 // 8
    {"Grow chains and they will be removed", "Удлиняйте связки и они удалятся", 3000},       // 9
    {"This is a goal of this game!", "Это цель игры! Вот и все!", 3000},                     // 10
    {"Thank you very very much!", "Большое спасибо!", 2000},                                 // 11
    {"Enjoy the game!", "Играйте с удовольствием!", 2000},                                   // 12
    {"", "", Until},                                                                         // 13
};

// A chain of at least three blocks: one of the first four blocks is linked to two others.
bool ChainOfThree(const PhysicsWorld& w) {
    for (int i = 0; i < 4; ++i) {
        if (AtomInUse(w, static_cast<uint32_t>(i)) && w.atoms[i].neighbourCount >= 2) return true;
    }
    return false;
}

}  // namespace

int ChainsTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    const int m = QueueTutorialLines(ChainsScript, ChainsTutorialMessages, frameMs);
    switch (m) {
        case 2:
            if (g.tutorialStep == 1) g.tutorialStep = 2;  // Space now adds a piece
            if (g.tutorialStep == 3) SkipMessages(1);
            break;
        case 4:
            if (SteeringHeld()) SkipMessages(1);
            break;
        case 7:
            // One more piece, a bar that can join the square's blocks of colour 0.
            if (g.tutorialStep == 3) {
                g.tutorialStep = 6;
                g.pieceRequests = 1;
            }
            t.chainWaitMs += static_cast<uint32_t>(frameMs);
            if (g.tutorialStep == 7 && t.chainWaitMs > 3000 && ChainOfThree(w)) SkipMessages(1);
            break;
        case 13:
            EndTutorial(t, g, w);
            break;
        default:
            break;
    }
    return m;
}

// The Cubes tutorial: keyboard play in 15 messages, from the first piece to a score above 6000.
#include "guide/tutorial.h"
#include "physics/world.h"
#include "render/messages.h"
#include "rules/game.h"

namespace {

constexpr uint32_t Until = TutorialHoldUntilDone;
// The free-play step: Space adds pieces as fast as the rules allow.
constexpr int FreePlayStep = 12;
// The score the player must pass before the tutorial goes on.
constexpr int32_t ScoreToPass = 6000;

const TutorialLine CubesScript[CubesTutorialMessages] = {
    {"Here's the tutorial!", "А вот и обучение!", 2000},                                          // 0
    {"This is the easiest game ever!", "Это самая простая игрушка!", 2000},                       // 1
    {"Press space ...", "Нажмите пробел ...", Until},                                             // 2
    {"to add blocks!", "чтобы добавить кубики!", 2000},                                           // 3
    {"Press Arrowkeys and Ctrl-Alt keys", "Нажимайте Стрелки и кноки Ctrl-Alt", Until},           // 4
    {"and just do anything you want ... ", "и делайте все, что хотите ...", 2000},                // 5
    {"to move and turn these blocks!", "чтобы двигать и вращать эти кубики!", 2000},              // 6
    {"Now just add blocks rapidly", "А теперь добавьте много кубиков!", 2000},                    // 7
    {"Hold on space!!!", "Зажмите пробел!!!", Until},                                             // 8
    {"As soon as three blocks of the same color", "Как только три кубика одного цвета", 3000},    // 9
    {"are in contact, they are removed", "придут в столкновение, они удалятся", 3000},            // 10
    {"Go in the flow with blocks ... ", "Войдите в один поток с кубиками ...", 2000},             // 11
    {"and just have fun!", "и просто наслаждайтесь игрой!", 2000},                                // 12
    {"Thank you very much!", "Спасибо большое!", 2000},                                           // 13
    {"Play in Nirvana!", "Играйте в нирване!", 2000},                                             // 14
    {"", "", Until},                                                                              // 15
};

}  // namespace

int CubesTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    const int m = QueueTutorialLines(CubesScript, CubesTutorialMessages, frameMs);
    switch (m) {
        case 2:
            if (g.tutorialStep == 1) g.tutorialStep = 2;  // Space now adds a piece
            if (g.tutorialStep == 3) SkipMessages(1);
            break;
        case 4:
            if (SteeringHeld()) SkipMessages(1);
            break;
        case 7:
            g.tutorialStep = FreePlayStep;
            break;
        case 8:
            g.tutorialStep = FreePlayStep;
            if (w.score > ScoreToPass) SkipMessages(1);
            break;
        case 15:
            EndTutorial(t, g, w);
            break;
        default:
            break;
    }
    return m;
}

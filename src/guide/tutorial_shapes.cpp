// The Shapes tutorial: mouse play in 43 messages, from the first click to vision mode.
#include "guide/tutorial.h"
#include "input/input.h"
#include "physics/world.h"
#include "render/messages.h"
#include "render/world_draw.h"
#include "rules/game.h"

namespace {

constexpr uint32_t Until = TutorialHoldUntilDone;

const TutorialLine ShapesScript[ShapesTutorialMessages] = {
    {"Lets learn how to play!", "Давайте научимся играть!", 2000},                       // 0
    {"Click on the screen to continue", "Кликните по экрану для продолж.", Until},       // 1
    {"Thank you!", "Спасибо!", 1000},                                                    // 2
    {"Double click on the screen", "Дважды кликните по экрану", Until},                  // 3
    {"Blocks were added!", "Добавились кубики!", 3000},                                  // 4
    {"Pick up this block", "Подберите вот этот кубик", Until},                           // 5
    {"Very well! (%i)", "Очень хорошо! (%i)", Until},                                    // 6
    {"Dont drop blocks too soon", "Не роняйте кубики так быстро", 2000},                 // 7
    {"Blocks are moving to the cursor!", "Кубики двигаются за указателем!", 1000},       // 8
    {"Add more blocks", "Добавьте еще кубиков", Until},                                  // 9
    {"There are two shapes on the screen!", "Теперь на экране две фигурки!", 2000},      // 10
    {"Our goal is to remove them!", "Наша цель - удалить их!", 2000},                    // 11
    {"Take this block and ... ", "Возьмите вот этот кубик и ...", Until},                // 12
    {"and connect it to this block", "и соедините его вот с этим кубиком", Until},       // 13
    {"Dont drop the block!", "Не роняйте кубики!", 2000},                                // 14
    {"A now let blocks go", "А теперь отпустите кубики", Until},                         // 15
    {"Blocks were swaped!", "Кубики поменялись местами!", Until},                        // 16
    {"And shapes were removed!", "А фигурки удалились!", 2000},                          // 17
    {"Well done!", "Отлично!", 1000},                                                    // 18
    {"Let us add more blocks!", "Давайте добавим еще кубиков!", Until},                  // 19
    {"There are even more shapes now!", "Теперь на экране много фигурок!", 3000},        // 20
    {"Remove them by making shapes that", "Удаляется такая фигурка, в которой", 3000},   // 21
    {"contain blocks of the same color by ", "все кубики одного цвета!", 3000},          // 22
    {"swaping blocks from one shape ... ", "Чтобы достичь этого, перетащите", 2000},     // 23
    {"to another!", "кубики из одной фигурки в другую!", 2000},                          // 24
    {"Swap these blocks", "Поменяйте местами вот эти кубики", Until},                    // 25
    {"This move was unsuccessful!", "Этот ход был не очень удачным!", 2000},             // 26
    {"No shapes were removed!", "Ни одна фигурка не удалилась!", 2000},                  // 27
    {"Now try swaping these blocks", "А теперь поменяйте местами эти кубики", Until},    // 28
    {"Well done!", "Отлично!", 2000},                                                    // 29
    {"This is a successful move!", "Это удачный ход!", 2000},                            // 30
    {"Remaining unsuccessful moves", "Сколько осталось неудачных ходов", 6000},          // 31
    {"Forget about exceeding this limit!", "Забудьте об этом ограничении!", 2000},       // 32
    {"Think of successful moves!", "Подумайте об удачных ходах!", 2000},                 // 33
    {"Make this move", "Сделайте вот такой ход", Until},                                 // 34
    // The Russian text begins with the Latin C, as it always has.
    {"This is the games progress", "Cколько осталось до конца игры", 6000},              // 35
    {"Make this final move", "Сделайте этот последний ход", Until},                      // 36
    {"All right! That's all!", "Порядок! Вот и все!", 3000},                             // 37
    {"Finally ...", "Наконец...", 4000},                                                 // 38
    {"Press the screen for a few seconds", "Нажмите на экране на пару секунд", Until},   // 39
    {"This is vision mode to help make", "Это режим видения чтобы помочь", 2000},        // 40
    {"things clear in some cases", "в неочевидных случаях", 2000},                       // 41
    {"Thank you! Win the game!", "Спасибо вам! Выиграйте эту игру!", 4000},              // 42
    {"", "", Until},                                                                     // 43
};

// Messages at which the player may offer a block for a swap.
bool SwapMessage(int m) {
    return m == 13 || m == 15 || m == 25 || m == 28 || m == 34 || m == 36;
}

// A click inside the glass.
bool ClickInGlass() {
    return input.click && MouseIn(96, 0, 288, 240);
}

// Messages 25, 28, 34 and 36: only the two named blocks may be picked up and swapped; the message passes
// when the pieces on the board have come down to `board` (or, for the failed swap, when the mistakes
// counter has come down to 4).
void OnlyThesePair(PhysicsWorld& w, int a, int b) {
    if (w.grabbedAtom != -1 && w.grabbedAtom != a && w.grabbedAtom != b) w.grabbedAtom = -1;
    if (w.swapTarget != -1 && w.swapTarget != a && w.swapTarget != b) w.swapTarget = -1;
}

// Repeat rule of messages 7 and 14: shortly before the message would pass by itself, back to `back`.
void RepeatBefore(uint32_t& timer, int back, uint64_t frameMs) {
    timer += static_cast<uint32_t>(frameMs);
    const uint32_t chars = static_cast<uint32_t>(messageSequence.entries[messageSequence.currentMessage].length);
    if (timer > 50 * chars + 2000 - 300) {
        timer = 0;
        SetMessage(back);
    }
}

}  // namespace

int ShapesTutorialFrame(TutorialState& t, GameState& g, PhysicsWorld& w, uint64_t frameMs) {
    const int secondsLeft = 3 - static_cast<int>(t.holdMs / 1000);
    const int m = QueueTutorialLines(ShapesScript, ShapesTutorialMessages, frameMs, 6, secondsLeft);
    if (m < 0 || m >= ShapesTutorialMessages) return m;
    const uint32_t ms = static_cast<uint32_t>(frameMs);
    t.blinkMs[m] += ms;
    const uint32_t blink = t.blinkMs[m];

    // Nothing may be picked up before the first pointed block, nor swapped outside the swap lessons.
    if (m < 5) w.grabbedAtom = -1;
    if (!SwapMessage(m)) w.swapTarget = -1;
    if (m == 1 || m == 3) {
        const float bob = static_cast<float>((blink / 250) % 2);
        PointAt(371.0f + bob, 120.0f, 0.0f, 0);
        PointAt(111.0f - bob, 120.0f, 3.14f, 0);
    }

    switch (m) {
        case 1:
            if (ClickInGlass()) SkipMessages(1);
            break;
        case 3:
            if (g.tutorialStep == 1) g.tutorialStep = 2;  // a double click now asks for a piece
            if (g.tutorialStep == 3) SkipMessages(1);
            break;
        case 5:
            PointAtAtom(w, 0, blink);
            if (w.grabbedAtom == 0) {
                SkipMessages(1);
            } else {
                w.grabbedAtom = -1;
            }
            break;
        case 6:
            if (w.grabbedAtom != -1) t.holdMs += ms;
            if (w.grabbedAtom == -1 && t.holdMs >= 1 && t.holdMs <= 2999) {
                t.holdMs = 0;
                SetMessage(7);
            } else if (t.holdMs > 3000) {
                t.holdMs = 0;
                SetMessage(8);
            }
            break;
        case 7:
            RepeatBefore(t.dropRepeatMs, 5, frameMs);
            break;
        case 9:
            if (g.tutorialStep == 3) g.tutorialStep = 4;
            if (g.tutorialStep == 5) SkipMessages(1);
            break;
        case 12:
            PointAtAtom(w, 3, blink);
            if (w.grabbedAtom == 3) {
                SkipMessages(1);
            } else {
                w.grabbedAtom = -1;
            }
            break;
        case 13:
            PointAtAtom(w, 0, blink);
            if (w.swapTarget != -1) {
                const bool pair = (w.grabbedAtom == 3 && w.swapTarget == 0) || (w.grabbedAtom == 0 && w.swapTarget == 3);
                if (pair) {
                    SetMessage(15);
                    break;
                }
                w.swapTarget = -1;
            }
            if (w.grabbedAtom != 3) SetMessage(15);
            break;
        case 14:
            w.grabbedAtom = -1;
            RepeatBefore(t.keepRepeatMs, 12, frameMs);
            break;
        case 15:
            // The player still holds the pair together.
            if (w.swapTarget != -1) break;
            if (g.shapesOnBoard == 0) {
                SkipMessages(1);
            } else {
                w.grabbedAtom = -1;
                SetMessage(14);
            }
            break;
        case 16:
            // Block 0 has been removed with its piece and its slot freed.
            if (!AtomInUse(w, 0)) SkipMessages(1);
            break;
        case 19:
            w.grabbedAtom = -1;
            w.swapTarget = -1;
            if (t.extraPiecesPending) {
                if (g.tutorialStep == 5) {
                    g.tutorialStep = 6;
                    g.pieceRequests = 4;
                }
                t.extraPiecesPending = false;
            }
            t.morePiecesWaitMs += ms;
            if (g.tutorialStep == 7 && t.morePiecesWaitMs > 3000) SkipMessages(1);
            break;
        case 23:
            PointAtAtom(w, 2, blink);
            break;
        case 24:
            PointAtAtom(w, 2, blink);
            PointAtAtom(w, 5, blink);
            break;
        case 25:
            PointAtAtom(w, 2, blink);
            PointAtAtom(w, 5, blink);
            OnlyThesePair(w, 2, 5);
            // The failed swap is taken off the counter when it stops blinking. The first game starts with
            // the tuned allowance, not always 5, so the lesson waits for the counter to drop by one.
            if (t.mistakesBeforeSwap < 0) t.mistakesBeforeSwap = g.mistakesAllowed;
            if (g.mistakesAllowed < t.mistakesBeforeSwap) SkipMessages(1);
            break;
        case 28:
            PointAtAtom(w, 1, blink);
            PointAtAtom(w, 9, blink);
            OnlyThesePair(w, 1, 9);
            if (g.shapesOnBoard == 3) SkipMessages(1);
            break;
        case 31:
            PointAt(48.0f, 254.0f, 4.71f, blink);  // up at the counter of unsuccessful moves
            break;
        case 34:
            PointAtAtom(w, 6, blink);
            PointAtAtom(w, 8, blink);
            OnlyThesePair(w, 6, 8);
            if (g.shapesOnBoard == 2) SkipMessages(1);
            break;
        case 35:
            PointAt(435.0f, 254.0f, 4.71f, blink);  // up at the progress display
            break;
        case 36:
            PointAtAtom(w, 4, blink);
            PointAtAtom(w, 10, blink);
            OnlyThesePair(w, 4, 10);
            if (g.shapesOnBoard == 0) SkipMessages(1);
            break;
        case 38:
            if (g.tutorialStep == 7) {
                g.tutorialStep = 10;
                g.pieceRequests = 7;
            }
            if (g.tutorialStep == 11) SkipMessages(1);
            break;
        case 39:
            if (VisionShown()) SkipMessages(1);
            break;
        case 43:
            EndTutorial(t, g, w);
            break;
        default:
            break;
    }
    return m;
}

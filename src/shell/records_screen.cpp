// The records screen after a game: the score placed in the table, the player's name typed, then a new game.
#include "input/input.h"
#include "physics/world.h"
#include "platform/devices.h"
#include "platform/fonts.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "render/hud.h"
#include "render/images.h"
#include "render/messages.h"
#include "rules/game.h"
#include "shell/shell.h"
#include "shell/variant.h"
#include "store/profile.h"
#include "store/records.h"

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
constexpr uint32_t TypingMsPerChar = 50;
constexpr uint32_t HoldForever = 0xFFFFF;  // ms; held until the screen moves the sequence on

// The message bar and the box its texts are typed into.
constexpr int BarX = 127, BarY = 240, BarWidth = 227, BarHeight = 22;
constexpr int TextLeft = 135, TextTop = 240, TextRight = 354, TextBottom = 262;

struct ScreenTexts {
    const char* yourName;
    const char* recorded;
    const char* notRecorded;
    const char* gameOver;
    const char* gameWon;
    const char* playAgain;
};
constexpr ScreenTexts EnglishTexts = {"Your name: %s%c",
                                      "Your score is recorded!",
                                      "Your score could not be saved!",
                                      "Game is over. Keep trying!",
                                      "You won the game!!! Congratulations!",
                                      "Press space to play again"};
constexpr ScreenTexts RussianTexts = {"Ваше имя: %s%c",
                                      "Ваш результат записан!",
                                      "Результат не удалось сохранить!",
                                      "Игра окончена. Попробуйте ещё!",
                                      "Вы прошли игру!!! Поздравляем!",
                                      "Пробел: играть снова"};

bool SpaceOrClickInBar() {
    return (Buttons() & ButtonAction) != 0 || (input.click && MouseIn(BarX, BarY, BarWidth, BarHeight));
}

// Once per game, on the screen's first frame: the table fetched and the final score placed.
void EnterRecordsScreen(RecordsScreenState& s) {
    if (variant != nullptr) SetRecordsVariant(variant->index);
    FetchRecords();
    ShowSystemCursor(true);
    SetMessage(0);
    s.playerPlace = InsertRecord(world.score);
    s.placedOnEntry = s.playerPlace >= 0;
    s.enteredAtMs = frameClock.gameClockMs;
    ClearTypedName(s.typed);
    s.saveFailed = false;
    flow.enteringRecords = false;
}

// One typed key per frame while the name is asked for; Enter keeps the name and moves on.
void TakeNameKey(RecordsScreenState& s) {
    int key = TakeTypedKey();
    if (key < 0) return;
    char character = key == KeyBackspace || key == KeyEnter ? 0 : TypedCharacter(key);
    if (ApplyNameKey(s.typed, key, character) != NameKeyResult::Confirmed) return;
    CopyNameIntoRecord(records.table, s.playerPlace, s.typed);
    s.saveFailed = !StoreRecords();
    SkipMessages(1);
}

void AddScreenMessage(uint32_t holdMs, const char* text) {
    AddMessage(TypingMsPerChar, holdMs, MessageFont, TextLeft, TextTop, TextRight, TextBottom, White, "%s",
               text);
}

bool AddHeldMessage(const char* text) {
    return AddMessage(TypingMsPerChar, HoldForever, MessageFont, TextLeft, TextTop, TextRight, TextBottom,
                      White, "%s", text);
}

}  // namespace

bool StartNewGameFromRecords() {
    if (!NewGame(game, world)) {
        flow.criticalError = 2;  // the main loop shows it and the game ends
        return false;
    }
    game.gameOver = false;
    game.gameWon = false;
    flow.recordsScreen = false;
    // The next game over must take its own moment for the cover fade.
    flow.gameOverSeen = false;
    game.tutorialStep = -1;
    SetMessage(0);
    if (variant != nullptr && variant->hidesCursorInPlay) ShowSystemCursor(false);
    return true;
}

void RecordsScreenFrame() {
    RecordsScreenState& s = recordsScreenState;
    if (flow.enteringRecords) EnterRecordsScreen(s);
    uint64_t screenMs = frameClock.gameClockMs - s.enteredAtMs;

    // Background, the records panel fading in over half a second, the message bar.
    DrawSprite(images.background, 0, 0, ScreenWidth, ScreenHeight, true);
    float fade = static_cast<float>(screenMs) / 500.0f * 255.0f;
    uint32_t panelAlpha = fade >= 255.0f ? 255u : static_cast<uint32_t>(fade);
    SetModulation(1, 1);
    SetTextureFactor(panelAlpha << 24 | 0xFFFFFF);
    DrawSprite(images.recordsPanel, 0, 0, ScreenWidth, ScreenHeight, true);
    SetModulation(0, 1);
    SetTextureFactor(White);
    DrawSprite(images.messageBar, BarX, BarY, BarWidth, BarHeight, true);

    // This frame's sequence; its position persists across frames.
    const ScreenTexts& texts = InterfaceLanguage == 1 ? RussianTexts : EnglishTexts;
    BeginMessages();
    bool nameShown = false;
    // The messages stay as they were when the screen opened, even if the upload finds that others have
    // pushed the score off the table meanwhile.
    if (s.placedOnEntry) {
        char caret = (screenMs / 200) % 2 == 1 ? '|' : ' ';
        nameShown = AddMessage(TypingMsPerChar, HoldForever, MessageFont, TextLeft, TextTop, TextRight,
                               TextBottom, White, texts.yourName, s.typed.text, caret);
        AddScreenMessage(2000, s.saveFailed ? texts.notRecorded : texts.recorded);
    }
    if (game.gameWon) {
        AddScreenMessage(3000, texts.gameWon);
    } else {
        AddScreenMessage(2000, texts.gameOver);
    }
    bool playAgainShown = AddHeldMessage(texts.playAgain);
    bool emptyShown = AddHeldMessage("");
    DrawMessages(frameClock.frameMs);

    if (nameShown) TakeNameKey(s);
    if (playAgainShown) {
        float bob = static_cast<float>((screenMs / 250) % 2);
        DrawRotatedSprite(images.pointer, 338.0f, 226.0f - bob, 1.57f, 13.5f, 27.0f, nullptr, nullptr, true);
        if (SpaceOrClickInBar()) SkipMessages(1);
    } else if (emptyShown) {
        StartNewGameFromRecords();
    }

    // The page of ten places around the player, the typed name in the player's row, the final score.
    DrawRecordsTable(records.table, s.playerPlace, s.typed.text, screenMs, world.score, frameClock.frameMs);

    PollInput(frameClock.gameClockMs);
}

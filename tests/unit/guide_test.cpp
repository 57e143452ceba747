// Guidance: the holiday greetings and music by date and language, the donate screen's choice and page
// address, the tutorial's scripted pieces and its ending.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "guide/donate.h"
#include "guide/greetings.h"
#include "guide/tutorial.h"
#include "physics/world.h"
#include "platform/clock.h"
#include "rules/game.h"
#include "rules/keyboard_control.h"
#include "rules/pieces.h"
#include "rules/shapes_rules.h"
#include "rules/tuning.h"
#include "input/input.h"
#include "render/messages.h"

namespace {

constexpr int English = 0, Russian = 1;

std::string Texts(int month, int day, int language) {
    Greeting greetings[MaxGreetings];
    const int count = GreetingsFor(month, day, language, greetings);
    std::string all;
    for (int i = 0; i < count; ++i) all += std::string(greetings[i].text) + "|" + std::to_string(greetings[i].holdMs) + "\n";
    return all;
}

TEST(GuideGreetings, ChristmasInEnglishGreetsTwiceAndPlaysTheCarol) {
    EXPECT_EQ(Texts(12, 25, English), "Merry christmas!!!|4000\n@ Deck the halls @ is on play!|2000\n");
    EXPECT_TRUE(IsHolidayMusicDay(12, 25, English));
}

TEST(GuideGreetings, ChristmasInRussianIsAnOrdinaryDay) {
    EXPECT_EQ(Texts(12, 25, Russian), "");
    EXPECT_FALSE(IsHolidayMusicDay(12, 25, Russian));
}

TEST(GuideGreetings, NewYearInRussianAnnouncesTheSongButPlaysItOnlyUntilTheFirst) {
    const std::string both = "С Новым Годом!!!|4000\nИграет песня @ Deck the halls @!|4000\n";
    EXPECT_EQ(Texts(1, 1, Russian), both);
    EXPECT_TRUE(IsHolidayMusicDay(1, 1, Russian));
    EXPECT_EQ(Texts(1, 2, Russian), both);
    EXPECT_FALSE(IsHolidayMusicDay(1, 2, Russian));
    EXPECT_EQ(Texts(12, 31, Russian), both);
    EXPECT_TRUE(IsHolidayMusicDay(12, 31, Russian));
    EXPECT_EQ(Texts(1, 3, Russian), both);
    EXPECT_EQ(Texts(1, 4, Russian), "");
}

TEST(GuideGreetings, NewYearInEnglishHasNoSongLineAndNoCarol) {
    EXPECT_EQ(Texts(1, 1, English), "Happy New Year!!!|4000\n");
    EXPECT_FALSE(IsHolidayMusicDay(1, 1, English));
    EXPECT_FALSE(IsHolidayMusicDay(12, 31, English));
}

TEST(GuideGreetings, SeventhOfJanuaryGreetsOnlyInRussian) {
    EXPECT_EQ(Texts(1, 7, English), "");
    EXPECT_EQ(Texts(1, 7, Russian), "С Рождеством!!!|4000\n");
}

TEST(GuideGreetings, ValentinesDayInBothLanguagesWithoutMusic) {
    EXPECT_EQ(Texts(2, 14, English), "Happy St. Valentine's day!!!|4000\n");
    EXPECT_EQ(Texts(2, 14, Russian), "С Днем Св. Валентина!!!|4000\n");
    EXPECT_FALSE(IsHolidayMusicDay(2, 14, English));
    EXPECT_EQ(Texts(2, 13, English), "");
    EXPECT_EQ(Texts(3, 14, English), "");
}

TEST(GuideDonate, OddStartsShowSorvikWithHeavenAndHell) {
    const DonateChoice odd = ChooseDonateScreen(1, English);
    EXPECT_STREQ(odd.picture, "data/donate-screen-with-sorvik.png");
    EXPECT_STREQ(odd.song, "music/Heaven and Hell.mp3");
    EXPECT_STREQ(ChooseDonateScreen(7, Russian).picture, "data/donate-screen-with-sorvik_ru.png");
}

TEST(GuideDonate, EvenStartsShowMirdeloWithIDontLiveToday) {
    const DonateChoice even = ChooseDonateScreen(2, English);
    EXPECT_STREQ(even.picture, "data/donate-screen-with-mirdelo.png");
    EXPECT_STREQ(even.song, "music/I dont live today.mp3");
    const DonateChoice evenRussian = ChooseDonateScreen(4, Russian);
    EXPECT_STREQ(evenRussian.picture, "data/donate-screen-with-mirdelo_ru.png");
    EXPECT_STREQ(evenRussian.song, "music/I dont live today.mp3");
    // No statistics (0 starts counted) is even as well.
    EXPECT_STREQ(ChooseDonateScreen(0, English).song, "music/I dont live today.mp3");
}

TEST(GuideDonate, PageAddressIsTheWebHostPlusTheDonatePage) {
    char address[128];
    DonatePageAddress("", address, sizeof address);
    EXPECT_STREQ(address, "");
    DonatePageAddress(nullptr, address, sizeof address);
    EXPECT_STREQ(address, "");
    DonatePageAddress("games.example.org", address, sizeof address);
    EXPECT_STREQ(address, "http://games.example.org/donate.html");
    DonatePageAddress("https://games.example.org", address, sizeof address);
    EXPECT_STREQ(address, "https://games.example.org/donate.html");
    char small[8];
    DonatePageAddress("games.example.org", small, sizeof small);
    EXPECT_EQ(std::strlen(small), 7u);  // cut, never overrun
}

// The shapes rules adding pieces in the tutorial's steps.
class GuideTutorialPieces : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        w = std::make_unique<PhysicsWorld>();
        InstallShapesRules(*w);
        ResetWorld(*w);
        g = GameState{};
    }
    // Adds one piece as the rules would, 400 ms after the last.
    void AddPiece() {
        now += 400;
        w->detailInside = 1;
        CreateShapesPieces(g, *w, now);
    }
    std::string Colours(int first, int count) {
        std::string s;
        for (int i = first; i < first + count; ++i) {
            s += AtomInUse(*w, static_cast<uint32_t>(i)) ? static_cast<char>('0' + w->atoms[i].colour) : '-';
        }
        return s;
    }
    std::unique_ptr<PhysicsWorld> w;
    GameState g;
    uint64_t now = 10000;
};

TEST_F(GuideTutorialPieces, FirstTwoPiecesMakeTheSwapOfBlocksThreeAndZeroCompleteBoth) {
    g.tutorialStep = 2;
    g.pieceRequests = 1;
    AddPiece();
    EXPECT_EQ(g.tutorialStep, 3);
    EXPECT_EQ(Colours(0, 4), "022-");  // a corner of 0, 2, 2
    g.tutorialStep = 4;
    g.pieceRequests = 1;
    AddPiece();
    EXPECT_EQ(g.tutorialStep, 5);
    EXPECT_EQ(Colours(3, 4), "200-");  // a bar of 2, 0, 0
    EXPECT_EQ(g.shapesOnBoard, 2);
    EXPECT_EQ(UniformAfterSwap(*w, 3, 0), 2);
}

TEST_F(GuideTutorialPieces, FourExtraPiecesAreFixedAndTheLastMovesTheStepOn) {
    g.tutorialStep = 6;
    g.pieceRequests = 4;
    for (int i = 0; i < 3; ++i) {
        AddPiece();
        EXPECT_EQ(g.tutorialStep, 6) << "piece " << i;
    }
    AddPiece();
    EXPECT_EQ(g.tutorialStep, 7);
    EXPECT_EQ(g.pieceRequests, 0);
    // Corner 0,1,2; square 2,0,0,1; corner 1,2,0; bar 2,0,0.
    EXPECT_EQ(Colours(0, 14), "0122001120200-");
    EXPECT_EQ(g.shapesOnBoard, 4);
    AddPiece();  // nothing more in step 7
    EXPECT_EQ(Colours(13, 1), "-");
}

TEST_F(GuideTutorialPieces, ScriptedSwapsFailThenCompleteOneOneAndTwoPieces) {
    g.tutorialStep = 6;
    g.pieceRequests = 4;
    for (int i = 0; i < 4; ++i) AddPiece();
    EXPECT_EQ(UniformAfterSwap(*w, 2, 5), 0);
    std::swap(w->atoms[2].colour, w->atoms[5].colour);
    EXPECT_EQ(UniformAfterSwap(*w, 1, 9), 1);
    std::swap(w->atoms[1].colour, w->atoms[9].colour);
    EXPECT_EQ(UniformAfterSwap(*w, 6, 8), 1);
    std::swap(w->atoms[6].colour, w->atoms[8].colour);
    EXPECT_EQ(UniformAfterSwap(*w, 4, 10), 2);
}

TEST_F(GuideTutorialPieces, SevenPiecesOfStepTenEndInStepEleven) {
    g.tutorialStep = 10;
    g.pieceRequests = 7;
    for (int i = 0; i < 7; ++i) AddPiece();
    EXPECT_EQ(g.tutorialStep, 11);
    EXPECT_EQ(g.shapesOnBoard, 7);
}

TEST(GuideTutorialKeyboardPieces, ChainsAndCubesFixedPieces) {
    int kind = -1;
    uint8_t colours[4] = {9, 9, 9, 9};
    KeyboardTutorialPiece(3, &kind, colours);
    EXPECT_EQ(kind, PieceSquare);
    EXPECT_EQ(std::string(colours, colours + 4), std::string("\0\2\0\2", 4));
    KeyboardTutorialPiece(6, &kind, colours);
    EXPECT_EQ(kind, PieceBar);
    EXPECT_EQ(std::string(colours, colours + 3), std::string("\2\0\0", 3));
}

TEST(GuideTutorialEnding, NewGameValuesAtTheSameLevelAndTheSoundOnlyOnce) {
    ResetTuningToDefaults();
    auto w = std::make_unique<PhysicsWorld>();
    ResetWorld(*w);
    CreateAtom(*w, 100, 100, 1);
    w->score = 6120;
    w->grabbedAtom = 0;
    GameState g;
    g.tutorialStep = 12;
    g.level = 1;
    g.mistakesAllowed = 3;
    g.moves = 4;
    g.shapesOnBoard = 5;
    TutorialState t;
    EndTutorial(t, g, *w);
    EXPECT_EQ(g.tutorialStep, -1);
    EXPECT_EQ(w->score, 0);
    EXPECT_EQ(g.level, 1);
    EXPECT_EQ(g.mistakesAllowed, 5);
    EXPECT_EQ(g.moves, 0);
    EXPECT_EQ(g.shapesOnBoard, 0);
    EXPECT_EQ(w->grabbedAtom, -1);
    EXPECT_FALSE(AtomInUse(*w, 0));
    EXPECT_TRUE(t.levelUpSounded);
}

// The keyboard scripts frame by frame, without a window: the sequence is typed but not drawn.
class GuideKeyboardScripts : public ::testing::Test {
   protected:
    void SetUp() override {
        ResetTuningToDefaults();
        w = std::make_unique<PhysicsWorld>();
        ResetWorld(*w);
        g = GameState{};
        saved = messageSequence.drawText;
        messageSequence.drawText = false;
        BeginMessages();
        SetMessage(0);
        input.buttons = 0;
    }
    void TearDown() override {
        messageSequence.drawText = saved;
        input.buttons = 0;
        BeginMessages();
        SetMessage(0);
    }
    // Runs a frame at message m (the script jumps there first) and returns the current message after it.
    int FrameAt(int m, int (*frame)(TutorialState&, GameState&, PhysicsWorld&, uint64_t)) {
        frame(t, g, *w, 0);
        SetMessage(m);
        frame(t, g, *w, 16);
        return messageSequence.currentMessage;
    }
    std::unique_ptr<PhysicsWorld> w;
    GameState g;
    TutorialState t;
    bool saved = true;
};

TEST_F(GuideKeyboardScripts, CubesWaitsForAScoreAboveSixThousand) {
    g.tutorialStep = 12;
    w->score = 6000;
    EXPECT_EQ(FrameAt(8, CubesTutorialFrame), 8);
    EXPECT_STREQ(CurrentMessageText(), "Hold on space!!!");
    w->score = 6001;
    CubesTutorialFrame(t, g, *w, 16);
    CubesTutorialFrame(t, g, *w, 16);
    EXPECT_EQ(messageSequence.currentMessage, 9);
}

TEST_F(GuideKeyboardScripts, ChainsSpaceAloneDoesNotPassTheSteeringMessage) {
    g.tutorialStep = 3;
    input.buttons = ButtonAction;
    EXPECT_EQ(FrameAt(4, ChainsTutorialFrame), 4);
    input.buttons = ButtonAction | ButtonAlt;
    ChainsTutorialFrame(t, g, *w, 16);
    ChainsTutorialFrame(t, g, *w, 16);
    EXPECT_EQ(messageSequence.currentMessage, 5);
}

TEST_F(GuideKeyboardScripts, ChainsAsksForOneBarAndWaitsForAChainOfThree) {
    g.tutorialStep = 3;
    EXPECT_EQ(FrameAt(7, ChainsTutorialFrame), 7);
    EXPECT_EQ(g.tutorialStep, 6);
    EXPECT_EQ(g.pieceRequests, 1);
    g.tutorialStep = 7;  // the rules added the bar
    const int a = CreateAtom(*w, 100, 100, 0);
    w->atoms[a].neighbourCount = 2;
    for (int i = 0; i < 180; ++i) ChainsTutorialFrame(t, g, *w, 16);  // 2.9 s: not yet
    EXPECT_EQ(messageSequence.currentMessage, 7);
    for (int i = 0; i < 10; ++i) ChainsTutorialFrame(t, g, *w, 16);
    EXPECT_EQ(messageSequence.currentMessage, 8);
}

}  // namespace

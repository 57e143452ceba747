// Guidance: the holiday greetings and music by date and language, the donate screen's choice and page
// address, the tutorial's ending. The scripted pieces and the waiting messages of all three
// tutorials are played end to end by the integration tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "guide/donate.h"
#include "guide/greetings.h"
#include "guide/tutorial.h"
#include "physics/world.h"
#include "rules/game.h"
#include "rules/tuning.h"

namespace {

constexpr int English = 0, Russian = 1;

std::string Texts(int month, int day, int language) {
    Greeting greetings[MaxGreetings];
    const int count = GreetingsFor(month, day, language, greetings);
    std::string all;
    for (int i = 0; i < count; ++i) all += std::string(greetings[i].text) + "|" + std::to_string(greetings[i].holdMs) + "\n";
    return all;
}

// Each date and language with its greetings ("text|hold ms" per line) and whether the carol plays.
TEST(GuideGreetings, HolidaysByDateAndLanguage) {
    const std::string newYearRu = "С Новым Годом!!!|4000\nИграет песня @ Deck the halls @!|4000\n";
    const struct {
        int month, day, language;
        std::string texts;
        bool music;
    } cases[] = {
        {12, 25, English, "Merry christmas!!!|4000\n@ Deck the halls @ is on play!|2000\n", true},
        {12, 25, Russian, "", false},  // Christmas in Russian is an ordinary day
        // The Russian New Year announces the song from 31 December to 3 January but plays it only until the 1st.
        {12, 31, Russian, newYearRu, true},
        {1, 1, Russian, newYearRu, true},
        {1, 2, Russian, newYearRu, false},
        {1, 3, Russian, newYearRu, false},
        {1, 4, Russian, "", false},
        {1, 1, English, "Happy New Year!!!|4000\n", false},  // no song line, no carol
        {12, 31, English, "Happy New Year!!!|4000\n", false},
        {1, 7, English, "", false},
        {1, 7, Russian, "С Рождеством!!!|4000\n", false},
        {2, 14, English, "Happy St. Valentine's day!!!|4000\n", false},
        {2, 14, Russian, "С Днем Св. Валентина!!!|4000\n", false},
        {2, 13, English, "", false},
        {3, 14, English, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.month) + "/" + std::to_string(c.day) + " language " + std::to_string(c.language));
        EXPECT_EQ(Texts(c.month, c.day, c.language), c.texts);
        EXPECT_EQ(IsHolidayMusicDay(c.month, c.day, c.language), c.music);
    }
}

// Odd starts show Sorvik with "Heaven and Hell", even ones (and 0, no statistics) Mirdelo.
TEST(GuideDonate, ScreenAndSongFollowTheStartCount) {
    const struct {
        int starts, language;
        const char *picture, *song;
    } cases[] = {
        {1, English, "data/donate-screen-with-sorvik.png", "music/Heaven and Hell.mp3"},
        {7, Russian, "data/donate-screen-with-sorvik_ru.png", "music/Heaven and Hell.mp3"},
        {2, English, "data/donate-screen-with-mirdelo.png", "music/I dont live today.mp3"},
        {4, Russian, "data/donate-screen-with-mirdelo_ru.png", "music/I dont live today.mp3"},
        {0, English, "data/donate-screen-with-mirdelo.png", "music/I dont live today.mp3"},
    };
    for (const auto& c : cases) {
        const DonateChoice choice = ChooseDonateScreen(c.starts, c.language);
        EXPECT_STREQ(choice.picture, c.picture) << c.starts;
        EXPECT_STREQ(choice.song, c.song) << c.starts;
    }
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

// Without a web host built in, the page is on the service's host; with neither there is no page.
TEST(GuideDonate, PageFallsBackToTheServiceHost) {
    char address[128];
    unsetenv("PELORINA_SERVICE");
    ChosenDonatePage(address, sizeof address);
    if (address[0] != '\0') GTEST_SKIP() << "built with a web host or a service: " << address;
    setenv("PELORINA_SERVICE", "games.example.org:2121", 1);
    ChosenDonatePage(address, sizeof address);
    EXPECT_STREQ(address, "http://games.example.org/donate.html");
    setenv("PELORINA_SERVICE", "bad host:x", 1);
    ChosenDonatePage(address, sizeof address);
    EXPECT_STREQ(address, "");
    unsetenv("PELORINA_SERVICE");
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

}  // namespace

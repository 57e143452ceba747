// Holiday greetings and the holiday music decision: Christmas, the New Year, Orthodox Christmas and
// St. Valentine's day, each for the interface languages that keep it.
#include "guide/greetings.h"

#include "platform/fonts.h"
#include "render/messages.h"
#include "shell/automation.h"
#include "store/profile.h"

bool holidayMusic = false;

namespace {

constexpr uint32_t White = 0xFFFFFFFF;
// Where the greetings are typed on the start screen, like the update dialogue.
constexpr int BoxLeft = 135, BoxTop = 235, BoxRight = 354, BoxBottom = 257;

enum Languages : uint8_t { EnglishOnly = 1, RussianOnly = 2, Both = 3 };

// One row of the greetings table: which days, which languages, the texts and the hold.
struct GreetingRow {
    bool (*onDay)(int month, int day);
    uint8_t languages;
    const char* english;
    const char* russian;
    uint32_t holdMs;
};

bool Christmas(int month, int day) { return month == 12 && day == 25; }
bool NewYear(int month, int day) { return (month == 12 && day == 31) || (month == 1 && day >= 1 && day <= 3); }
bool OrthodoxChristmas(int month, int day) { return month == 1 && day == 7; }
bool Valentine(int month, int day) { return month == 2 && day == 14; }

const GreetingRow GreetingTable[] = {
    {Christmas, EnglishOnly, "Merry christmas!!!", nullptr, 4000},
    {Christmas, EnglishOnly, "@ Deck the halls @ is on play!", nullptr, 2000},
    {NewYear, Both, "Happy New Year!!!", "С Новым Годом!!!", 4000},
    // The song line stays on 2 and 3 January, although the song itself plays only on 31 December and 1 January.
    {NewYear, RussianOnly, nullptr, "Играет песня @ Deck the halls @!", 4000},
    {OrthodoxChristmas, RussianOnly, nullptr, "С Рождеством!!!", 4000},
    {Valentine, Both, "Happy St. Valentine's day!!!", "С Днем Св. Валентина!!!", 4000},
};

}  // namespace

bool IsHolidayMusicDay(int month, int day, int language) {
    if (language == 1) return (month == 12 && day == 31) || (month == 1 && day == 1);
    return month == 12 && day == 25;
}

int GreetingsFor(int month, int day, int language, Greeting out[MaxGreetings]) {
    const uint8_t mask = language == 1 ? RussianOnly : EnglishOnly;
    int count = 0;
    for (const GreetingRow& row : GreetingTable) {
        if ((row.languages & mask) == 0 || !row.onDay(month, day) || count >= MaxGreetings) continue;
        out[count++] = {language == 1 ? row.russian : row.english, row.holdMs};
    }
    return count;
}

void DecideHolidayMusic() {
    int year = 0, month = 0, day = 0;
    TodayUtc(&year, &month, &day);
    holidayMusic = IsHolidayMusicDay(month, day, InterfaceLanguage);
}

void QueueGreetings() {
    int year = 0, month = 0, day = 0;
    TodayUtc(&year, &month, &day);
    Greeting greetings[MaxGreetings];
    const int count = GreetingsFor(month, day, InterfaceLanguage, greetings);
    for (int i = 0; i < count; ++i) {
        AddMessage(50, greetings[i].holdMs, MessageFont, BoxLeft, BoxTop, BoxRight, BoxBottom, White, "%s",
                   greetings[i].text);
    }
}

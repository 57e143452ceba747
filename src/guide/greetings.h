// Holiday greetings on the start screen and the holiday music decision.
#pragma once
#include <cstdint>

// Decides from the date and the language whether the holiday song leads the playlist.
void DecideHolidayMusic();
extern bool holidayMusic;
// Queues the greetings of the day into the start screen's message sequence.
void QueueGreetings();

// The same decisions for a given date (month 1..12, day 1..31) and language (0 English, 1 Russian).
bool IsHolidayMusicDay(int month, int day, int language);

struct Greeting {
    const char* text;  // UTF-8
    uint32_t holdMs;
};
constexpr int MaxGreetings = 4;
// Fills out[] with the day's greetings in the order they are shown; returns how many.
int GreetingsFor(int month, int day, int language, Greeting out[MaxGreetings]);

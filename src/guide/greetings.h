// Holiday greetings on the start screen and the holiday music decision.
#pragma once

// Decides from the date and the language whether the holiday song leads the playlist.
void DecideHolidayMusic();
extern bool holidayMusic;
// Queues the greetings of the day into the start screen's message sequence.
void QueueGreetings();

// Holiday greetings and the holiday music decision. No greetings are queued yet.
#include "guide/greetings.h"

bool holidayMusic = false;

void DecideHolidayMusic() { holidayMusic = false; }

void QueueGreetings() {}

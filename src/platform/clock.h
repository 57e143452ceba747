// The shared millisecond clock and sleep; a fixed-step mode makes runs deterministic.
#pragma once
#include <cstdint>

// Milliseconds since the program started (real time), or the virtual clock in fixed-step mode.
uint64_t NowMs();

// Sleeps for ms milliseconds of real time; in fixed-step mode it returns at once.
void SleepMs(uint32_t ms);

// Fixed-step mode: the clock only moves when AdvanceClock is called (--frame-ms runs and tests).
void SetFixedClock(bool fixed);
bool IsFixedClock();
void AdvanceClock(uint64_t ms);
// Puts the virtual clock at an absolute time (tests).
void SetClockMs(uint64_t ms);

// High-resolution microseconds for measuring frame work.
uint64_t NowMicroseconds();

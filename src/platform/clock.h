// The shared millisecond clock and sleep; a fixed-step mode makes runs deterministic.
#pragma once
#include <cstdint>

// The game's own milliseconds: since the program started (real time, or the virtual clock in fixed-step
// mode) less the time the game has stood paused. The rules, the physics and their timers read this.
uint64_t NowMs();
// The same clock without the pauses: frames are measured by it, so the frame clock runs on while the game
// stands still.
uint64_t FrameNowMs();

// A paused game holds its time: NowMs() stays where it was until the hold ends, and then goes on from
// there. Holding twice or releasing twice changes nothing.
void HoldGameTime(bool hold);
bool GameTimeHeld();
// ms the game time has stood still so far (the pause running now included).
uint64_t GameTimeHeldMs();

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

// The shared millisecond clock and sleep; a fixed-step mode makes runs deterministic.
#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace {

struct ClockState {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool fixed = false;
    uint64_t virtualMs = 0;  // ms, the clock in fixed-step mode
    bool held = false;       // the game is paused: its time stands still
    uint64_t heldAtMs = 0;   // ms of the frame clock when the running hold began
    uint64_t heldMs = 0;     // ms of the holds that have ended
};

ClockState clockState;

}  // namespace

uint64_t FrameNowMs() {
    if (clockState.fixed) return clockState.virtualMs;
    auto elapsed = std::chrono::steady_clock::now() - clockState.start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

uint64_t NowMs() {
    const uint64_t frameNow = clockState.held ? clockState.heldAtMs : FrameNowMs();
    return frameNow - clockState.heldMs;
}

void HoldGameTime(bool hold) {
    if (hold == clockState.held) return;
    const uint64_t frameNow = FrameNowMs();
    if (hold) {
        clockState.heldAtMs = frameNow;
    } else {
        clockState.heldMs += frameNow - clockState.heldAtMs;
    }
    clockState.held = hold;
}

bool GameTimeHeld() { return clockState.held; }

uint64_t GameTimeHeldMs() {
    return clockState.heldMs + (clockState.held ? FrameNowMs() - clockState.heldAtMs : 0);
}

void SleepMs(uint32_t ms) {
    if (clockState.fixed || ms == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A fixed-step run starts its clock at 0, so that every run of the same script sees the same times.
void SetFixedClock(bool fixed) {
    if (fixed && !clockState.fixed) clockState.virtualMs = 0;
    clockState.fixed = fixed;
}

bool IsFixedClock() { return clockState.fixed; }

void AdvanceClock(uint64_t ms) { clockState.virtualMs += ms; }

void SetClockMs(uint64_t ms) { clockState.virtualMs = ms; }

uint64_t NowMicroseconds() {
    auto elapsed = std::chrono::steady_clock::now() - clockState.start;
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

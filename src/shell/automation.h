// The automation interface: command-line options, the input script, screenshots, timed quit and the report.
#pragma once
#include <cstdint>

constexpr int MaxShots = 64;
constexpr int MaxScriptEvents = 8192;

struct ScriptEvent {
    uint64_t atMs;  // game clock at which the event is delivered
    enum Kind : uint8_t { Key, MouseMove, Button, Quit, PadAttach, PadDetach, PadButton } kind;
    int16_t code;  // scan code, button 0 left / 1 right, or a controller button
    int16_t x, y;  // logical pixels for MouseMove; x: the virtual controller's slot for Pad events
    bool down;
};

// A file written at the first frame at or after a game time: a screenshot or a report.
struct Shot {
    uint64_t atMs;
    bool taken;
    char path[512];
};

struct Automation {
    bool headless = false;
    uint32_t fixedFrameMs = 0;  // 0 = real time
    uint64_t quitAtMs = UINT64_MAX;
    bool quitSent = false;
    char reportPath[512] = {};
    char audioOutPath[512] = {};
    char dir[512] = {};
    bool dateSet = false;
    int year = 0, month = 0, day = 0;
    Shot shots[MaxShots];
    int shotCount = 0;
    Shot reports[MaxShots];  // --report-at: the report of the run so far
    int reportCount = 0;
    ScriptEvent events[MaxScriptEvents];
    int eventCount = 0;
    int nextEvent = 0;
};

extern Automation automation;

// Parses the options; on a bad option writes the reason to stderr and returns false.
bool ParseOptions(Automation& a, int argc, char** argv);
// Reads a script file into the event list; false with a message on stderr when unreadable or malformed.
bool LoadScript(Automation& a, const char* path);
// Hands the script events that are due at gameClockMs to the platform, and the timed quit.
void FeedScript(Automation& a, uint64_t gameClockMs);
// After drawing a frame: saves the screenshots and writes the reports that are due.
void TakeDueShots(Automation& a, uint64_t gameClockMs);

// The UTC date the program believes: the --date override or the system date.
void TodayUtc(int* year, int* month, int* day);

// The automation interface: command-line options, the input script, screenshots and timed quit.
#include "shell/automation.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <unistd.h>

#include "platform/devices.h"
#include "platform/file_read.h"
#include "platform/graphics.h"
#include "platform/window.h"
#include "shell/report.h"

Automation automation;

namespace {

bool CopyText(char* out, size_t size, const char* text) {
    if (std::strlen(text) >= size) return false;
    std::strcpy(out, text);
    return true;
}

// A file named on the command line, made absolute against the directory the command was run in: the
// program changes to its own folder before it writes the file.
bool CopyPath(char* out, size_t size, const char* path) {
    if (path[0] == 0 || path[0] == '/') return CopyText(out, size, path);
    char cwd[1024];
    if (getcwd(cwd, sizeof cwd) == nullptr) return CopyText(out, size, path);
    const int length = std::snprintf(out, size, "%s/%s", cwd, path);
    return length > 0 && static_cast<size_t>(length) < size;
}

// Times of the game clock beyond this (about 31 years) are refused rather than wrapped.
constexpr uint64_t MaxClockMs = 1000000000000ull;

// Digits only (no sign, no blanks), at most MaxClockMs.
bool ParseUnsigned(const char* text, uint64_t* value) {
    if (text == nullptr || *text == 0) return false;
    uint64_t v = 0;
    for (const char* p = text; *p != 0; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > MaxClockMs) return false;
    }
    *value = v;
    return true;
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Exactly YYYY-MM-DD, a day that exists.
bool ParseDate(Automation& a, const char* text) {
    static const int DaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (std::strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    auto number = [text](int at, int digits) {
        int v = 0;
        for (int i = 0; i < digits; ++i) v = v * 10 + (text[at + i] - '0');
        return v;
    };
    int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    if (m < 1 || m > 12 || d < 1 || y < 1601) return false;
    if (d > DaysInMonth[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0)) return false;
    a.dateSet = true;
    a.year = y;
    a.month = m;
    a.day = d;
    return true;
}

// MS:FILE into the next free entry of a list of timed files.
bool ParseTimedFile(Shot* list, int& count, const char* text) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || count >= MaxShots) return false;
    char number[32];
    size_t length = static_cast<size_t>(colon - text);
    if (length == 0 || length >= sizeof number) return false;
    std::memcpy(number, text, length);
    number[length] = 0;
    Shot& shot = list[count];
    if (colon[1] == 0) return false;  // a time without a file
    if (!ParseUnsigned(number, &shot.atMs) || !CopyPath(shot.path, sizeof shot.path, colon + 1)) return false;
    shot.taken = false;
    count += 1;
    return true;
}

// One line of the script into line, zero-terminated, without its comment. A line longer than the buffer
// is read to its end, so its tail is never taken for a line of its own; *fits is false when that tail
// holds more than blanks and a comment. False at the end of the file.
bool ReadScriptLine(FILE* file, char* line, int size, bool* fits) {
    std::memset(line, 0, static_cast<size_t>(size));
    if (std::fgets(line, size, file) == nullptr) return false;
    bool complete = std::memchr(line, '\n', static_cast<size_t>(size)) != nullptr;
    char* hash = std::strchr(line, '#');
    bool comment = hash != nullptr;
    if (hash != nullptr) *hash = 0;
    *fits = true;
    for (int c = 0; !complete && (c = std::fgetc(file)) != EOF && c != '\n';) {
        if (c == '#') comment = true;
        if (!comment && !std::isspace(c)) *fits = false;
    }
    return true;
}

}  // namespace

bool ParseOptions(Automation& a, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        bool takesValue = true;
        uint64_t number = 0;
        if (std::strcmp(option, "--headless") == 0) {
            a.headless = true;
            takesValue = false;
        } else if (value == nullptr) {
            ok = false;
        } else if (std::strcmp(option, "--frame-ms") == 0) {
            ok = ParseUnsigned(value, &number) && number > 0 && number <= 10000;
            a.fixedFrameMs = static_cast<uint32_t>(number);
        } else if (std::strcmp(option, "--script") == 0) {
            ok = LoadScript(a, value);
        } else if (std::strcmp(option, "--shot") == 0) {
            ok = ParseTimedFile(a.shots, a.shotCount, value);
        } else if (std::strcmp(option, "--report-at") == 0) {
            ok = ParseTimedFile(a.reports, a.reportCount, value);
        } else if (std::strcmp(option, "--quit-at") == 0) {
            ok = ParseUnsigned(value, &a.quitAtMs);
        } else if (std::strcmp(option, "--report") == 0) {
            ok = CopyPath(a.reportPath, sizeof a.reportPath, value);
        } else if (std::strcmp(option, "--date") == 0) {
            ok = ParseDate(a, value);
        } else if (std::strcmp(option, "--audio-out") == 0) {
            ok = CopyPath(a.audioOutPath, sizeof a.audioOutPath, value);
        } else if (std::strcmp(option, "--dir") == 0) {
            ok = CopyText(a.dir, sizeof a.dir, value);
        } else {
            std::fprintf(stderr, "unknown option: %s\n", option);
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "bad or missing value for %s\n", option);
            return false;
        }
        if (takesValue) ++i;
    }
    return true;
}

bool LoadScript(Automation& a, const char* path) {
    FILE* file = OpenRegularFile(path);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot read script %s (not a readable regular file)\n", path);
        return false;
    }
    char line[512];
    int lineNumber = 0;
    bool ok = true;
    bool fits = true;
    while (ok && ReadScriptLine(file, line, sizeof line, &fits)) {
        ++lineNumber;
        if (!fits) {
            ok = false;
            break;
        }
        char time[32] = {}, action[32] = {}, first[32] = {}, second[32] = {}, third[32] = {};
        int fields = std::sscanf(line, "%31s %31s %31s %31s %31s", time, action, first, second, third);
        // Only the controller's events take a fifth field; the others ignore what follows their fourth.
        if (fields > 4 && std::strcmp(action, "pad") != 0) fields = 4;
        if (fields <= 0) continue;  // blank or comment
        // The time: digits only, so "-5" or a number past the clock's range is a bad line, not a wrap.
        uint64_t ms = 0;
        if (!ParseUnsigned(time, &ms)) {
            ok = false;
            break;
        }
        if (a.eventCount >= MaxScriptEvents) {
            ok = false;
            break;
        }
        ScriptEvent& event = a.events[a.eventCount];
        event = ScriptEvent{};
        event.atMs = ms;
        if (fields >= 2 && std::strcmp(action, "quit") == 0) {
            event.kind = ScriptEvent::Quit;
        } else if (fields == 4 && std::strcmp(action, "key") == 0) {
            event.kind = ScriptEvent::Key;
            event.code = static_cast<int16_t>(ScanCodeByName(first));
            event.down = std::strcmp(second, "down") == 0;
            ok = event.code >= 0 && (event.down || std::strcmp(second, "up") == 0);
        } else if (fields >= 4 && std::strcmp(action, "pad") == 0) {
            // pad SLOT attach|detach, or pad SLOT BUTTON down|up: a virtual controller.
            ok = first[0] >= '0' && first[0] < '0' + VirtualControllerSlots && first[1] == 0;
            event.x = static_cast<int16_t>(first[0] - '0');
            if (fields == 4 && std::strcmp(second, "attach") == 0) {
                event.kind = ScriptEvent::PadAttach;
            } else if (fields == 4 && std::strcmp(second, "detach") == 0) {
                event.kind = ScriptEvent::PadDetach;
            } else if (fields == 5) {
                event.kind = ScriptEvent::PadButton;
                event.code = static_cast<int16_t>(VirtualButtonByName(second));
                event.down = std::strcmp(third, "down") == 0;
                ok = ok && event.code >= 0 && (event.down || std::strcmp(third, "up") == 0);
            } else {
                ok = false;
            }
        } else if (fields == 4 && std::strcmp(action, "mouse") == 0) {
            event.kind = ScriptEvent::MouseMove;
            event.x = static_cast<int16_t>(std::atoi(first));
            event.y = static_cast<int16_t>(std::atoi(second));
        } else if (fields == 4 && std::strcmp(action, "button") == 0) {
            event.kind = ScriptEvent::Button;
            event.code = std::strcmp(first, "left") == 0 ? 0 : std::strcmp(first, "right") == 0 ? 1 : -1;
            event.down = std::strcmp(second, "down") == 0;
            ok = event.code >= 0 && (event.down || std::strcmp(second, "up") == 0);
        } else {
            ok = false;
        }
        if (ok) a.eventCount += 1;
    }
    std::fclose(file);
    if (!ok) std::fprintf(stderr, "bad script line %d in %s\n", lineNumber, path);
    return ok;
}

void FeedScript(Automation& a, uint64_t gameClockMs) {
    while (a.nextEvent < a.eventCount && a.events[a.nextEvent].atMs <= gameClockMs) {
        const ScriptEvent& event = a.events[a.nextEvent++];
        switch (event.kind) {
            case ScriptEvent::Key:
                InjectKey(event.code, event.down);
                break;
            case ScriptEvent::MouseMove:
                InjectMouseMove(event.x, event.y);
                break;
            case ScriptEvent::Button:
                InjectMouseButton(event.code, event.down);
                break;
            case ScriptEvent::Quit:
                InjectClose();
                break;
            case ScriptEvent::PadAttach:
                if (!AttachVirtualController(event.x)) std::fprintf(stderr, "cannot attach controller %d\n", event.x);
                break;
            case ScriptEvent::PadDetach:
                DetachVirtualController(event.x);
                break;
            case ScriptEvent::PadButton:
                SetVirtualControllerButton(event.x, event.code, event.down);
                break;
        }
    }
    if (!a.quitSent && gameClockMs >= a.quitAtMs) {
        a.quitSent = true;
        InjectClose();
    }
}

void TakeDueShots(Automation& a, uint64_t gameClockMs) {
    for (int i = 0; i < a.shotCount; ++i) {
        Shot& shot = a.shots[i];
        if (shot.taken || gameClockMs < shot.atMs) continue;
        shot.taken = true;
        if (!SavePicture(shot.path)) std::fprintf(stderr, "cannot save screenshot %s\n", shot.path);
    }
    for (int i = 0; i < a.reportCount; ++i) {
        Shot& report = a.reports[i];
        if (report.taken || gameClockMs < report.atMs) continue;
        report.taken = true;
        WriteReportTo(report.path);
    }
}

void TodayUtc(int* year, int* month, int* day) {
    if (automation.dateSet) {
        *year = automation.year;
        *month = automation.month;
        *day = automation.day;
        return;
    }
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    *year = utc.tm_year + 1900;
    *month = utc.tm_mon + 1;
    *day = utc.tm_mday;
}

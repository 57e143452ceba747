// The automation interface: the input script (--script FILE) and the command line. The input is read as
// a script file, and its lines are also given to the option parser as the words of a command line.
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "shell/automation.h"

namespace {

bool Terminated(const char* text, size_t size) { return strnlen(text, size) < size; }

void CheckShots(const Shot* list, int count) {
    FUZZ_CHECK(count >= 0 && count <= MaxShots);
    for (int i = 0; i < count; ++i) FUZZ_CHECK(!list[i].taken && Terminated(list[i].path, sizeof list[i].path));
}

void CheckEvents(const Automation& a) {
    FUZZ_CHECK(a.eventCount >= 0 && a.eventCount <= MaxScriptEvents);
    for (int i = 0; i < a.eventCount; ++i) {
        const ScriptEvent& event = a.events[i];
        switch (event.kind) {
            case ScriptEvent::Key: FUZZ_CHECK(event.code >= 0); break;
            case ScriptEvent::Button: FUZZ_CHECK(event.code == 0 || event.code == 1); break;
            case ScriptEvent::MouseMove:
            case ScriptEvent::Quit: break;
            default: FUZZ_CHECK(!"an event of no known kind");
        }
    }
}

// Lines of the file with something before their comment: no script can give more events than that,
// however long its lines are.
int ContentLines(const uint8_t* data, size_t size) {
    int count = 0;
    bool content = false, ended = false;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            count += content ? 1 : 0;
            content = ended = false;
        } else if (data[i] == '#' || data[i] == 0) {
            ended = true;
        } else if (!ended && !std::isspace(data[i])) {
            content = true;
        }
    }
    return count;
}

// The parsers tell the player what is wrong on stderr; thousands of such lines would bury a real report.
// The C stream is pointed elsewhere while they run; sanitizer reports write to the descriptor itself.
struct QuietStderr {
    FILE* saved = stderr;
    QuietStderr() {
        static FILE* sink = std::fopen("/dev/null", "w");
        if (sink != nullptr) stderr = sink;
    }
    ~QuietStderr() { stderr = saved; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    static std::unique_ptr<Automation> a;
    if (!a) a = std::make_unique<Automation>();
    if (!fuzz::WriteFile("script.txt", data, size)) return 0;

    *a = Automation{};
    {
        QuietStderr quiet;
        LoadScript(*a, "script.txt");
    }
    CheckEvents(*a);
    FUZZ_CHECK(a->eventCount <= ContentLines(data, size));

    // One word per line; the value of --script is always the scratch script, never a path from the input.
    std::vector<std::string> words{"shapes"};
    std::string line;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            if (words.size() >= 2 && words.back() == "--script") line = "script.txt";
            words.push_back(line.c_str());
            line.clear();
        } else {
            line += static_cast<char>(data[i]);
        }
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    *a = Automation{};
    bool parsed = false;
    {
        QuietStderr quiet;
        parsed = ParseOptions(*a, static_cast<int>(words.size()), argv.data());
    }
    CheckEvents(*a);
    CheckShots(a->shots, a->shotCount);
    CheckShots(a->reports, a->reportCount);
    FUZZ_CHECK(Terminated(a->reportPath, sizeof a->reportPath));
    FUZZ_CHECK(Terminated(a->audioOutPath, sizeof a->audioOutPath));
    FUZZ_CHECK(Terminated(a->dir, sizeof a->dir));
    if (parsed) {
        FUZZ_CHECK(a->fixedFrameMs <= 10000);
        if (a->dateSet) {
            FUZZ_CHECK(a->year >= 1601 && a->year <= 9999);
            FUZZ_CHECK(a->month >= 1 && a->month <= 12 && a->day >= 1 && a->day <= 31);
        }
    }
    return 0;
}

// pelorina_bots: plays seeded games of one program with one bot and prints a line per game.
//
//   pelorina_bots --game chains --bot greedy [--seed 1] [--games 20] [--minutes 60] [--settings DIR]
//                 [--frame-ms 15] [--tutorial] [--until-level N] [--expect-min-level N]
//                 [--expect-max-level N] [--expect-tutorial-end]
//
// Each line: game, bot, seed, level reached (1 = first), won, stopped (still running at the time limit or
// at --until-level),
// game ms, score, ms at which the tutorial ended (-1: none), and the ms each completed level lasted.
// The --expect options make it a check: the exit status is 1 when a game does not do what was expected.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bot_session.h"
#include "shell/variant.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: pelorina_bots --game shapes|chains|cubes --bot idle|masher|greedy|follower [--seed N]\n"
                 "       [--games N] [--minutes M] [--settings DIR] [--frame-ms N] [--tutorial] [--until-level N]\n"
                 "       [--expect-min-level N] [--expect-max-level N] [--expect-tutorial-end]\n");
}

const Variant* VariantByName(const char* name) {
    if (std::strcmp(name, "shapes") == 0) return &ShapesVariant();
    if (std::strcmp(name, "chains") == 0) return &ChainsVariant();
    if (std::strcmp(name, "cubes") == 0) return &CubesVariant();
    return nullptr;
}

bool ReadNumber(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= low && v <= high)) return false;
    *value = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SessionOptions o;
    int games = 1;
    int expectMin = -1, expectMax = -1;
    bool expectTutorialEnd = false;
    bool haveBot = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        double number = 0;
        auto numberArg = [&](double low, double high) {
            if (value == nullptr || !ReadNumber(value, low, high, &number)) return false;
            ++i;
            return true;
        };
        bool ok = true;
        if (std::strcmp(arg, "--game") == 0 && value != nullptr) {
            o.variant = VariantByName(value);
            ok = o.variant != nullptr;
            ++i;
        } else if (std::strcmp(arg, "--bot") == 0 && value != nullptr) {
            ok = haveBot = BotByName(value, &o.bot);
            ++i;
        } else if (std::strcmp(arg, "--settings") == 0 && value != nullptr) {
            o.settingsDir = value;
            ++i;
        } else if (std::strcmp(arg, "--seed") == 0) {
            ok = numberArg(0, 1e9);
            o.seed = static_cast<uint32_t>(number);
        } else if (std::strcmp(arg, "--games") == 0) {
            ok = numberArg(1, 100000);
            games = static_cast<int>(number);
        } else if (std::strcmp(arg, "--minutes") == 0) {
            ok = numberArg(0.01, 1000);
            o.maxGameMs = static_cast<uint64_t>(number * 60000.0);
        } else if (std::strcmp(arg, "--frame-ms") == 0) {
            ok = numberArg(1, 1000);
            o.frameMs = static_cast<uint32_t>(number);
        } else if (std::strcmp(arg, "--until-level") == 0) {
            ok = numberArg(1, 100);
            o.untilLevel = static_cast<int>(number);
        } else if (std::strcmp(arg, "--tutorial") == 0) {
            o.tutorial = true;
        } else if (std::strcmp(arg, "--expect-min-level") == 0) {
            ok = numberArg(1, 100);
            expectMin = static_cast<int>(number);
        } else if (std::strcmp(arg, "--expect-max-level") == 0) {
            ok = numberArg(1, 100);
            expectMax = static_cast<int>(number);
        } else if (std::strcmp(arg, "--expect-tutorial-end") == 0) {
            expectTutorialEnd = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "bad option: %s\n", arg);
            Usage();
            return 2;
        }
    }
    if (o.variant == nullptr || !haveBot) {
        Usage();
        return 2;
    }
    if (!StartBotPlatform()) {
        std::fprintf(stderr, "cannot start the platform\n");
        return 2;
    }

    int failures = 0;
    const uint32_t firstSeed = o.seed;
    for (int n = 0; n < games; ++n) {
        o.seed = firstSeed + static_cast<uint32_t>(n);
        GameResult r;
        if (!PlayBotGame(o, &r)) {
            std::fprintf(stderr, "cannot read the settings of %s\n", o.variant->name);
            return 2;
        }
        std::printf("%s\t%s\t%u\t%d\t%d\t%d\t%llu\t%d\t%lld\t", o.variant->name, BotName(o.bot), o.seed,
                    r.levelReached, r.won ? 1 : 0, r.stopped ? 1 : 0, static_cast<unsigned long long>(r.gameMs),
                    r.score, static_cast<long long>(r.tutorialEndMs));
        uint64_t previous = 0;
        for (int k = 0; k < r.levelsDone; ++k) {
            std::printf("%s%llu", k ? "," : "", static_cast<unsigned long long>(r.levelEndMs[k] - previous));
            previous = r.levelEndMs[k];
        }
        std::printf("\n");
        std::fflush(stdout);
        if (expectMin > 0 && r.levelReached < expectMin) {
            std::fprintf(stderr, "FAIL seed %u: level %d reached, expected at least %d\n", o.seed, r.levelReached,
                         expectMin);
            ++failures;
        }
        if (expectMax > 0 && r.levelReached > expectMax) {
            std::fprintf(stderr, "FAIL seed %u: level %d reached, expected at most %d\n", o.seed, r.levelReached,
                         expectMax);
            ++failures;
        }
        if (expectTutorialEnd && r.tutorialEndMs < 0) {
            std::fprintf(stderr, "FAIL seed %u: the tutorial did not end\n", o.seed);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

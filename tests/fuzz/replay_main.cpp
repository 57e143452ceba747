// Runs a fuzz target without libFuzzer, for the normal and the sanitizer builds: every seed file, then a
// fixed number of inputs mutated from the seeds by a seeded generator, so every run feeds the same inputs
// and a failure repeats. An input that fails is saved beside the working directory the run started in.
//
//   fuzz_NAME [--runs N] [--seed S] FILE_OR_FOLDER...
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define REPLAY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define REPLAY_SANITIZED 1
#endif
#endif
#ifdef REPLAY_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr size_t MaxInputBytes = 64 * 1024;

// The input being run and where to save it should the run die on it.
const Bytes* currentInput = nullptr;
char failurePath[4096];

void SaveCurrentInput() {
    static bool saved = false;
    if (saved || currentInput == nullptr) return;
    saved = true;
    int fd = open(failurePath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    const uint8_t* bytes = currentInput->data();
    size_t left = currentInput->size();
    while (left > 0) {
        ssize_t put = write(fd, bytes, left);
        if (put <= 0) break;
        bytes += put;
        left -= static_cast<size_t>(put);
    }
    close(fd);
    const char note[] = "replay: the failing input was saved as ";
    [[maybe_unused]] ssize_t ignored = write(2, note, sizeof note - 1);
    ignored = write(2, failurePath, std::strlen(failurePath));
    ignored = write(2, "\n", 1);
}

void OnFatalSignal(int signal) {
    SaveCurrentInput();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0..bound-1; bound > 0.
    size_t Below(size_t bound) { return static_cast<size_t>(Next() % bound); }
};

// Bytes and words that parsers of text, XML and little-endian numbers tend to trip on.
const uint8_t InterestingBytes[] = {0, 1, 0x7F, 0x80, 0xFF, '<', '>', '/', '"', '\'', '=', '&', ';', ',',
                                    ':', '.', '-', '+', '#', ' ', '\t', '\n', '\r', '0', '9', 'e'};
const char* const InterestingWords[] = {"-1", "0", "2147483647", "2147483648", "-2147483649",
                                        "4294967296", "99999999999999999999", "1e39", "-1e39", "nan",
                                        "inf", "0x10", "00:00:00.00", "99:99:99.99", "&amp;", "&#0;",
                                        "<!--", "-->", "<![CDATA[", "]]>", "<?xml version=\"1.0\"?>",
                                        "\"/>", "</", "../", "/", "\\", "..", "%s%n", "\xEF\xBB\xBF"};

void Mutate(Bytes& input, const std::vector<Bytes>& seeds, Random& random) {
    int steps = 1 + static_cast<int>(random.Below(6));
    for (int s = 0; s < steps; ++s) {
        size_t size = input.size();
        switch (random.Below(10)) {
            case 0:  // flip one bit
                if (size > 0) input[random.Below(size)] ^= static_cast<uint8_t>(1u << random.Below(8));
                break;
            case 1:  // one byte becomes a random or a telling value
                if (size > 0) {
                    input[random.Below(size)] = random.Below(2) == 0
                                                    ? static_cast<uint8_t>(random.Next())
                                                    : InterestingBytes[random.Below(sizeof InterestingBytes)];
                }
                break;
            case 2:  // erase a run of bytes
                if (size > 0) {
                    size_t at = random.Below(size);
                    size_t count = 1 + random.Below(std::min<size_t>(32, size - at));
                    input.erase(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(at + count));
                }
                break;
            case 3: {  // insert a few bytes
                size_t at = random.Below(size + 1);
                size_t count = 1 + random.Below(8);
                for (size_t i = 0; i < count; ++i) {
                    uint8_t b = random.Below(2) == 0 ? static_cast<uint8_t>(random.Next())
                                                     : InterestingBytes[random.Below(sizeof InterestingBytes)];
                    input.insert(input.begin() + static_cast<long>(at), b);
                }
                break;
            }
            case 4:  // copy a piece of the input to another place in it
                if (size > 0) {
                    size_t from = random.Below(size);
                    size_t count = 1 + random.Below(std::min<size_t>(256, size - from));
                    Bytes piece(input.begin() + static_cast<long>(from), input.begin() + static_cast<long>(from + count));
                    input.insert(input.begin() + static_cast<long>(random.Below(size + 1)), piece.begin(), piece.end());
                }
                break;
            case 5:  // cut the end off
                if (size > 0) input.resize(random.Below(size));
                break;
            case 6: {  // this input's start with another seed's end
                const Bytes& other = seeds[random.Below(seeds.size())];
                size_t keep = random.Below(size + 1);
                size_t from = random.Below(other.size() + 1);
                input.resize(keep);
                input.insert(input.end(), other.begin() + static_cast<long>(from), other.end());
                break;
            }
            case 7: {  // a piece of another seed inserted
                const Bytes& other = seeds[random.Below(seeds.size())];
                if (other.empty()) break;
                size_t from = random.Below(other.size());
                size_t count = 1 + random.Below(std::min<size_t>(64, other.size() - from));
                input.insert(input.begin() + static_cast<long>(random.Below(size + 1)),
                             other.begin() + static_cast<long>(from),
                             other.begin() + static_cast<long>(from + count));
                break;
            }
            case 8: {  // a telling word inserted, or put over a run of digits
                const char* word = InterestingWords[random.Below(std::size(InterestingWords))];
                size_t at = random.Below(size + 1);
                size_t end = at;
                if (random.Below(2) == 0) {
                    while (end < size && ((input[end] >= '0' && input[end] <= '9') || input[end] == '.')) ++end;
                }
                input.erase(input.begin() + static_cast<long>(at), input.begin() + static_cast<long>(end));
                input.insert(input.begin() + static_cast<long>(at), word, word + std::strlen(word));
                break;
            }
            default:  // repeat a short piece many times: long names, deep nesting, many elements
                if (size > 0) {
                    size_t from = random.Below(size);
                    size_t count = 1 + random.Below(std::min<size_t>(24, size - from));
                    Bytes piece(input.begin() + static_cast<long>(from), input.begin() + static_cast<long>(from + count));
                    size_t times = 2 + random.Below(64);
                    size_t at = random.Below(size + 1);
                    for (size_t t = 0; t < times; ++t) input.insert(input.begin() + static_cast<long>(at), piece.begin(), piece.end());
                }
                break;
        }
        if (input.size() > MaxInputBytes) input.resize(MaxInputBytes);
    }
}

bool ReadWhole(const fs::path& path, Bytes& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

void Run(const Bytes& input) {
    currentInput = &input;
    // A copy of exactly the input's size, so a read past its end is caught by the sanitizer.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
    if (!input.empty()) std::memcpy(copy, input.data(), input.size());
    LLVMFuzzerTestOneInput(copy, input.size());
    std::free(copy);
    currentInput = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 3000;
    uint64_t seed = 1;
    std::vector<fs::path> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            paths.emplace_back(argv[i]);
        }
    }

    // Seeds in name order, so the mutations do not depend on the order of the folder listing.
    std::vector<fs::path> files;
    for (const fs::path& path : paths) {
        std::error_code error;
        if (fs::is_directory(path, error)) {
            for (const auto& entry : fs::directory_iterator(path)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
        } else {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<Bytes> seeds;
    for (const fs::path& file : files) {
        Bytes bytes;
        if (!ReadWhole(file, bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
            return 2;
        }
        seeds.push_back(std::move(bytes));
    }
    if (seeds.empty()) seeds.emplace_back();

    std::string name = fs::path(argv[0]).filename().string();
    std::snprintf(failurePath, sizeof failurePath, "%s/failure-%s.bin", fs::current_path().c_str(), name.c_str());
#ifdef REPLAY_SANITIZED
    __sanitizer_set_death_callback(SaveCurrentInput);
#endif
    for (int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL}) std::signal(signal, OnFatalSignal);

    auto start = std::chrono::steady_clock::now();
    for (const Bytes& input : seeds) Run(input);
    Random random{seed};
    Bytes input;
    for (long i = 0; i < runs; ++i) {
        // Mostly a fresh seed; sometimes the last input again, so mutations can pile up.
        if (random.Below(4) != 0 || input.empty()) input = seeds[random.Below(seeds.size())];
        Mutate(input, seeds, random);
        Run(input);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %zu seeds and %ld mutated inputs in %.2f s (%.0f inputs/s)\n", name.c_str(), seeds.size(),
                runs, seconds, static_cast<double>(seeds.size() + static_cast<size_t>(runs)) / seconds);
    return 0;
}

// The preferences file preferences.xml: whatever it holds, every value comes out in range, and what the
// game writes back reads the same.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "store/preferences.h"

namespace {

bool InRange(const Preferences& p) {
    return p.musicVolume >= 0 && p.musicVolume <= MaxVolumeStep && p.effectsVolume >= 0 &&
           p.effectsVolume <= MaxVolumeStep && p.zoomStep >= -1 && p.zoomStep <= MaxZoomStep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    Preferences parsed;
    const bool whole = ParsePreferences(reinterpret_cast<const char*>(data), size, parsed);
    FUZZ_CHECK(InRange(parsed));
    if (!whole) FUZZ_CHECK(parsed == Preferences{});

    // The same through the file, as the game reads it (a file far larger than any preferences is refused).
    if (size > 64 * 1024 || !fuzz::WriteFile("preferences.xml", data, size)) return 0;
    Preferences loaded;
    const bool loadedWhole = LoadPreferences("preferences.xml", loaded);
    FUZZ_CHECK(InRange(loaded));
    FUZZ_CHECK(loaded == parsed);
    FUZZ_CHECK(loadedWhole == (whole && size > 0));

    // Written back whole, it reads the same.
    char text[PreferencesTextCapacity];
    const size_t length = FormatPreferences(parsed, text, sizeof text);
    FUZZ_CHECK(length > 0);
    Preferences again;
    FUZZ_CHECK(ParsePreferences(text, length, again));
    FUZZ_CHECK(again == parsed);
    return 0;
}

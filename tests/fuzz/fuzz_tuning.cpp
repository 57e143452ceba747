// The settings file settings/setup_N.xml: the base keys, then every level's layer over them.
#include <tinyxml2.h>

#include <cstring>

#include "fuzz/fuzz_support.h"
#include "rules/tuning.h"

namespace {

// Bitwise, so that a NaN read from the file compares equal to itself.
bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Snapshot {
    int32_t ints[TuningKeyCount];
    float floats[TuningKeyCount];
};

Snapshot Take() {
    Snapshot s{};
    for (int i = 0; i < TuningKeyCount; ++i) {
        const TuningEntry& entry = TuningTable[i];
        if (entry.kind == TuningKind::Integer) s.ints[i] = *entry.intTarget;
        else s.floats[i] = *entry.floatTarget;
    }
    return s;
}

bool Same(const Snapshot& a, const Snapshot& b) {
    for (int i = 0; i < TuningKeyCount; ++i) {
        if (a.ints[i] != b.ints[i] || !SameFloat(a.floats[i], b.floats[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        std::filesystem::create_directory("settings");
        SetSettingsIndex(2);
    }
    if (!fuzz::WriteFile(tuningFiles.settingsPath, data, size)) return 0;

    ResetTuningToDefaults();
    const Snapshot defaults = Take();
    bool loaded = LoadBaseSettings();
    const Snapshot base = Take();
    if (!loaded) {
        // A file the game cannot read changes nothing, and neither does any level of it.
        FUZZ_CHECK(Same(base, defaults));
        FUZZ_CHECK(!LoadLevelSettings(0));
        FUZZ_CHECK(Same(Take(), defaults));
        return 0;
    }

    // The same bytes read again (the level-up path keeps the parsed document) give the same values.
    FUZZ_CHECK(LoadBaseSettings());
    FUZZ_CHECK(Same(Take(), base));

    // A key the root does not name is back at its default.
    tinyxml2::XMLDocument document;
    FUZZ_CHECK(document.Parse(reinterpret_cast<const char*>(data), size) == tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = document.RootElement();
    FUZZ_CHECK(root != nullptr);
    for (int i = 0; i < TuningKeyCount; ++i) {
        if (root->FirstChildElement(TuningTable[i].name) != nullptr) continue;
        FUZZ_CHECK(base.ints[i] == defaults.ints[i] && SameFloat(base.floats[i], defaults.floats[i]));
    }

    // Levels layer up: each changes only the keys its element names.
    for (int level = -1; level < 12; ++level) {
        const Snapshot before = Take();
        FUZZ_CHECK(LoadLevelSettings(level));
        const tinyxml2::XMLElement* layer = nullptr;
        for (const tinyxml2::XMLElement* child = root->FirstChildElement("level"); child != nullptr;
             child = child->NextSiblingElement("level")) {
            int value = 0;
            if (child->QueryIntAttribute("value", &value) == tinyxml2::XML_SUCCESS && value == level) {
                layer = child;
                break;
            }
        }
        const Snapshot after = Take();
        for (int i = 0; i < TuningKeyCount; ++i) {
            if (layer != nullptr && layer->FirstChildElement(TuningTable[i].name) != nullptr) continue;
            FUZZ_CHECK(after.ints[i] == before.ints[i] && SameFloat(after.floats[i], before.floats[i]));
        }
    }
    return 0;
}

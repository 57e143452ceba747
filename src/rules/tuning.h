// The tuning table: every game-balance and physics constant as a named global, loaded from the settings file.
#pragma once
#include <cstdint>

namespace tinyxml2 {
class XMLElement;
}

// One global per key; the code reads them directly.
#define TUNING_INT(name, value) extern int32_t name;
#define TUNING_FLOAT(name, value) extern float name;
#include "rules/tuning_keys.h"
#undef TUNING_INT
#undef TUNING_FLOAT

enum class TuningKind : uint8_t { Integer = 0, Float = 1 };

struct TuningEntry {
    const char* name;
    TuningKind kind;
    int32_t defaultInt;
    float defaultFloat;
    int32_t* intTarget;  // set for integer keys
    float* floatTarget;  // set for float keys
};

constexpr int TuningKeyCount = 52;
extern const TuningEntry TuningTable[TuningKeyCount];

// Where the settings are read and the list of missing keys is written.
struct TuningFiles {
    char settingsPath[256] = "settings/setup_2.xml";
    char gendataPath[256] = "setup.gendata.xml";
};
extern TuningFiles tuningFiles;

// Chooses settings/setup_N.xml for the variant index N (2 shapes, 1 chains, 0 cubes).
void SetSettingsIndex(int variantIndex);

// Reads the whole settings file: the root's keys over the defaults. False when unreadable or rootless.
bool LoadBaseSettings();
// Applies the first `level` element whose value equals level. False only when the file is unreadable.
bool LoadLevelSettings(int level);
// Applies the key elements below element; see the file comment in tuning.cpp.
void ApplySettings(const tinyxml2::XMLElement* element, bool resetToDefault, bool writeMissing);
// Every variable back to its default.
void ResetTuningToDefaults();

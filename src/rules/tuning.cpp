// The tuning table: defaults, loading of settings/setup_N.xml with per-level layering, setup.gendata.xml.
#include "rules/tuning.h"

#include <tinyxml2.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

#define TUNING_INT(name, value) int32_t name = value;
#define TUNING_FLOAT(name, value) float name = value;
#include "rules/tuning_keys.h"
#undef TUNING_INT
#undef TUNING_FLOAT

const TuningEntry TuningTable[TuningKeyCount] = {
#define TUNING_INT(name, value) {#name, TuningKind::Integer, value, 0.0f, &name, nullptr},
#define TUNING_FLOAT(name, value) {#name, TuningKind::Float, 0, value, nullptr, &name},
#include "rules/tuning_keys.h"
#undef TUNING_INT
#undef TUNING_FLOAT
};

TuningFiles tuningFiles;

namespace {

// Numbers are read without the user's locale: "3.75" is 3.75 whatever LC_NUMERIC says. Like the XML
// library's conversion, leading blanks are skipped, trailing text is ignored, and a missing or
// unreadable value is 0.
const char* SkipBlanks(const char* text) {
    while (*text != 0 && std::isspace(static_cast<unsigned char>(*text))) ++text;
    return text;
}

int32_t ParseInt(const char* text) {
    if (text == nullptr) return 0;
    text = SkipBlanks(text);
    if (*text == '+') ++text;
    int32_t value = 0;
    auto result = std::from_chars(text, text + std::strlen(text), value);
    return result.ec == std::errc() ? value : 0;
}

double ParseDouble(const char* text) {
    if (text == nullptr) return 0.0;
    text = SkipBlanks(text);
    if (*text == '+') ++text;
    double value = 0.0;
    auto result = std::from_chars(text, text + std::strlen(text), value);
    return result.ec == std::errc() ? value : 0.0;
}

const tinyxml2::XMLElement* LoadRoot(tinyxml2::XMLDocument& document) {
    if (document.LoadFile(tuningFiles.settingsPath) != tinyxml2::XML_SUCCESS) return nullptr;
    return document.RootElement();
}

// Floats are written as a default-formatted stream writes them: six significant digits, shortest form.
// to_chars never looks at the locale; "%g" would write "0,05" under a comma-decimal LC_NUMERIC.
void WriteGendataLine(FILE* file, const TuningEntry& entry) {
    if (entry.kind == TuningKind::Integer) {
        std::fprintf(file, "<%s value=\"%d\" />\n", entry.name, entry.defaultInt);
    } else {
        char number[64];
        auto result = std::to_chars(number, number + sizeof number - 1,
                                    static_cast<double>(entry.defaultFloat), std::chars_format::general, 6);
        *result.ptr = 0;
        std::fprintf(file, "<%s value=\"%s\" />\n", entry.name, number);
    }
}

}  // namespace

void SetSettingsIndex(int variantIndex) {
    std::snprintf(tuningFiles.settingsPath, sizeof tuningFiles.settingsPath, "settings/setup_%d.xml",
                  variantIndex);
}

void ResetTuningToDefaults() {
    for (const TuningEntry& entry : TuningTable) {
        if (entry.kind == TuningKind::Integer) {
            *entry.intTarget = entry.defaultInt;
        } else {
            *entry.floatTarget = entry.defaultFloat;
        }
    }
}

void ApplySettings(const tinyxml2::XMLElement* element, bool resetToDefault, bool writeMissing) {
    if (element == nullptr) return;
    FILE* gendata = nullptr;
    if (writeMissing) gendata = std::fopen(tuningFiles.gendataPath, "w");
    for (const TuningEntry& entry : TuningTable) {
        const tinyxml2::XMLElement* child = element->FirstChildElement(entry.name);
        if (child != nullptr) {
            const char* text = child->Attribute("value");
            if (entry.kind == TuningKind::Integer) {
                *entry.intTarget = ParseInt(text);
            } else {
                *entry.floatTarget = static_cast<float>(ParseDouble(text));
            }
            continue;
        }
        if (resetToDefault) {
            if (entry.kind == TuningKind::Integer) {
                *entry.intTarget = entry.defaultInt;
            } else {
                *entry.floatTarget = entry.defaultFloat;
            }
        }
        if (gendata != nullptr) WriteGendataLine(gendata, entry);
    }
    if (gendata != nullptr) std::fclose(gendata);
}

bool LoadBaseSettings() {
    tinyxml2::XMLDocument document;
    const tinyxml2::XMLElement* root = LoadRoot(document);
    if (root == nullptr) return false;
    bool gendata = ParseInt(root->Attribute("gendata")) != 0;
    ApplySettings(root, true, gendata);
    return true;
}

bool LoadLevelSettings(int level) {
    tinyxml2::XMLDocument document;
    const tinyxml2::XMLElement* root = LoadRoot(document);
    if (root == nullptr) return false;
    for (const tinyxml2::XMLElement* child = root->FirstChildElement("level"); child != nullptr;
         child = child->NextSiblingElement("level")) {
        int value = 0;
        if (child->QueryIntAttribute("value", &value) == tinyxml2::XML_SUCCESS && value == level) {
            ApplySettings(child, false, false);
            break;
        }
    }
    return true;
}

// The tuning table: defaults, loading of settings/setup_N.xml with per-level layering, setup.gendata.xml.
#include "rules/tuning.h"

#include <fcntl.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/file_read.h"

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
    // "nan", "inf" and numbers beyond a float are malformed too: they would make every position NaN.
    if (result.ec != std::errc() || !std::isfinite(value) || std::fabs(value) > FLT_MAX) return 0.0;
    return value;
}

// The settings file is read again at every level up, in the middle of play. Reading it into fixed
// buffers and parsing it only when its bytes changed keeps a level up from allocating memory while
// still taking up any change of the file and failing when the file has gone.
constexpr size_t SettingsBufferBytes = 256 * 1024;

struct SettingsCache {
    char bytes[SettingsBufferBytes];  // what the document was parsed from
    size_t size = 0;
    char scratch[SettingsBufferBytes];  // this reading of the file
    bool parsed = false;
    tinyxml2::XMLDocument document;
};

SettingsCache settingsCache;

// Reads the whole file with plain system calls (no FILE buffer to allocate). False when it cannot be read
// or does not fit.
bool ReadSettingsBytes(const char* path, char* buffer, size_t capacity, size_t* size) {
    int fd = OpenRegularFileDescriptor(path);
    if (fd < 0) return false;
    size_t total = 0;
    for (;;) {
        if (total == capacity) {
            close(fd);
            return false;
        }
        ssize_t got = read(fd, buffer + total, capacity - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        total += static_cast<size_t>(got);
    }
    close(fd);
    *size = total;
    return true;
}

const tinyxml2::XMLElement* LoadRoot() {
    SettingsCache& c = settingsCache;
    size_t size = 0;
    if (!ReadSettingsBytes(tuningFiles.settingsPath, c.scratch, sizeof c.scratch, &size)) {
        // Too large for the buffers (or unreadable): the library reads it itself.
        c.parsed = false;
        c.size = 0;
        if (!LoadXmlDocument(c.document, tuningFiles.settingsPath)) return nullptr;
        return c.document.RootElement();
    }
    if (!c.parsed || size != c.size || std::memcmp(c.bytes, c.scratch, size) != 0) {
        std::memcpy(c.bytes, c.scratch, size);
        c.size = size;
        c.parsed = c.document.Parse(c.bytes, size) == tinyxml2::XML_SUCCESS;
        if (!c.parsed) c.size = 0;
    }
    return c.parsed ? c.document.RootElement() : nullptr;
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
    const tinyxml2::XMLElement* root = LoadRoot();
    if (root == nullptr) return false;
    bool gendata = ParseInt(root->Attribute("gendata")) != 0;
    ApplySettings(root, true, gendata);
    return true;
}

bool LoadLevelSettings(int level) {
    const tinyxml2::XMLElement* root = LoadRoot();
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

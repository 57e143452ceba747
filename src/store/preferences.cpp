// The preferences file: reading with per-value defaults, and writing it whole through a temporary file.
#include "store/preferences.h"

#include <fcntl.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_read.h"

Preferences preferences;

namespace {

// A preferences file is a few hundred bytes; anything far larger is not one.
constexpr std::size_t PreferencesFileLimit = 64 * 1024;

// An optional minus and at most four digits, nothing else: "4", "-1"; not " 4", "4x" or "+4".
bool ParseSmallInt(const char* text, int* value) {
    if (text == nullptr) return false;
    bool negative = *text == '-';
    if (negative) ++text;
    if (*text == 0) return false;
    int v = 0;
    for (int digits = 0; *text != 0; ++text, ++digits) {
        if (*text < '0' || *text > '9' || digits >= 4) return false;
        v = v * 10 + (*text - '0');
    }
    *value = negative ? -v : v;
    return true;
}

// The value attribute of the named element, when it is a whole number in [low, high].
void ReadNumber(const tinyxml2::XMLElement* root, const char* name, int low, int high, int* out) {
    const tinyxml2::XMLElement* element = root->FirstChildElement(name);
    int value = 0;
    if (element == nullptr || !ParseSmallInt(element->Attribute("value"), &value)) return;
    if (value >= low && value <= high) *out = value;
}

void ReadFlag(const tinyxml2::XMLElement* root, const char* name, bool* out) {
    int value = *out ? 1 : 0;
    ReadNumber(root, name, 0, 1, &value);
    *out = value == 1;
}

bool ReadDocument(const tinyxml2::XMLDocument& document, Preferences& out) {
    out = Preferences{};
    const tinyxml2::XMLElement* root = document.RootElement();
    if (document.Error() || root == nullptr || std::strcmp(root->Name(), "preferences") != 0) return false;
    ReadNumber(root, "music_volume", 0, MaxVolumeStep, &out.musicVolume);
    ReadNumber(root, "effects_volume", 0, MaxVolumeStep, &out.effectsVolume);
    ReadFlag(root, "muted", &out.muted);
    ReadFlag(root, "pause_on_focus_loss", &out.pauseOnFocusLoss);
    ReadNumber(root, "zoom_step", -1, MaxZoomStep, &out.zoomStep);
    ReadFlag(root, "desktop_mode", &out.desktopMode);
    return true;
}

bool WriteAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written <= 0) return false;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool operator==(const Preferences& a, const Preferences& b) {
    return a.musicVolume == b.musicVolume && a.effectsVolume == b.effectsVolume && a.muted == b.muted &&
           a.pauseOnFocusLoss == b.pauseOnFocusLoss && a.zoomStep == b.zoomStep && a.desktopMode == b.desktopMode;
}

bool ParsePreferences(const char* text, std::size_t length, Preferences& out) {
    out = Preferences{};
    if (text == nullptr) return false;
    tinyxml2::XMLDocument document;
    if (document.Parse(text, length) != tinyxml2::XML_SUCCESS) return false;
    return ReadDocument(document, out);
}

bool LoadPreferences(const char* path, Preferences& out) {
    out = Preferences{};
    std::vector<uint8_t> bytes;
    if (path == nullptr || !ReadRegularFile(path, PreferencesFileLimit, bytes) || bytes.empty()) return false;
    return ParsePreferences(reinterpret_cast<const char*>(bytes.data()), bytes.size(), out);
}

std::size_t FormatPreferences(const Preferences& p, char* out, std::size_t size) {
    const int length = std::snprintf(
        out, size,
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<preferences>\n"
        "    <music_volume value=\"%d\" />\n"
        "    <effects_volume value=\"%d\" />\n"
        "    <muted value=\"%d\" />\n"
        "    <pause_on_focus_loss value=\"%d\" />\n"
        "    <zoom_step value=\"%d\" />\n"
        "    <desktop_mode value=\"%d\" />\n"
        "</preferences>\n",
        p.musicVolume, p.effectsVolume, p.muted ? 1 : 0, p.pauseOnFocusLoss ? 1 : 0, p.zoomStep,
        p.desktopMode ? 1 : 0);
    if (length <= 0 || static_cast<std::size_t>(length) >= size) return 0;
    return static_cast<std::size_t>(length);
}

bool SavePreferences(const char* path, const Preferences& preferences) {
    char text[PreferencesTextCapacity];
    const std::size_t length = FormatPreferences(preferences, text, sizeof text);
    char temporary[1024];
    if (length == 0 || path == nullptr) return false;
    // Named after this process, so that two games running at once never write one temporary file, and
    // the start-up sweep of temporary files removes what a process that died mid-write left.
    const int pathLength = std::snprintf(temporary, sizeof temporary, "%s.part%d-0", path, static_cast<int>(getpid()));
    if (pathLength <= 0 || static_cast<std::size_t>(pathLength) >= sizeof temporary) return false;
    const int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = WriteAll(fd, text, length);
    written = fsync(fd) == 0 && written;
    written = close(fd) == 0 && written;
    if (!written || std::rename(temporary, path) != 0) {
        unlink(temporary);
        return false;
    }
    return true;
}

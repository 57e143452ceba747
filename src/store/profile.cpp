// The profile version.xml: interface language and installed version, kept loaded for the whole run.
#include "store/profile.h"
#include "platform/file_read.h"

#include <ftplib.h>
#include <sys/stat.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <mutex>

int InterfaceLanguage = 0;

namespace {

// The document stays loaded so that the update check can change current_version and save it again.
struct ProfileState {
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement* root = nullptr;
    char path[1024] = {};  // the name the document was loaded from; SaveProfile writes there
    bool loaded = false;
};

ProfileState profile;
std::once_flag ftpInitOnce;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool LoadProfile(const char* path) {
    // The FTP library must be initialised before any other of its calls, and only once.
    std::call_once(ftpInitOnce, [] { FtpInit(); });

    profile.document.Clear();
    profile.root = nullptr;
    profile.loaded = false;
    profile.path[0] = 0;
    InterfaceLanguage = 0;

    if (path == nullptr || std::strlen(path) >= sizeof profile.path) return false;
    if (!LoadXmlDocument(profile.document, path)) return false;
    profile.root = profile.document.RootElement();
    if (profile.root == nullptr) return false;
    std::snprintf(profile.path, sizeof profile.path, "%s", path);
    profile.loaded = true;

    const tinyxml2::XMLElement* language = profile.root->FirstChildElement("current_language");
    if (language == nullptr) return true;
    const char* value = language->Attribute("value");
    if (value == nullptr) return true;
    // Exact and case-sensitive: "en", "Ru" or "RU " leave the game in English.
    if (std::strcmp(value, "RU") == 0) InterfaceLanguage = 1;
    return true;
}

bool IsValidVersion(const char* text) {
    if (text == nullptr || std::strlen(text) != 5) return false;
    return IsDigit(text[0]) && text[1] == '.' && IsDigit(text[2]) && text[3] == '.' && IsDigit(text[4]);
}

int VersionNumber(const char* text) {
    if (!IsValidVersion(text)) return -1;
    return 100 * (text[0] - '0') + 10 * (text[2] - '0') + (text[4] - '0');
}

tinyxml2::XMLElement* CurrentVersionElement() {
    if (profile.root == nullptr) return nullptr;
    return profile.root->FirstChildElement("current_version");
}

// The profile is written to a temporary file beside it and renamed over the old one, so a crash or a
// full disk in the middle of a save leaves the previous profile intact rather than a truncated one.
bool SaveProfile() {
    if (!profile.loaded) return false;
    // A profile the player made read-only stays as it is; the next start offers the update again.
    if (access(profile.path, F_OK) == 0 && access(profile.path, W_OK) != 0) return false;

    char temporary[sizeof profile.path + 8];
    std::snprintf(temporary, sizeof temporary, "%s.tmp", profile.path);
    FILE* file = std::fopen(temporary, "wb");
    if (file == nullptr) return false;
    struct stat old {};
    if (stat(profile.path, &old) == 0) fchmod(fileno(file), old.st_mode & 07777);
    bool written = profile.document.SaveFile(file, false) == tinyxml2::XML_SUCCESS;
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary, profile.path) != 0) {
        std::remove(temporary);
        return false;
    }
    return true;
}

// The server's update list update.xml: which update is offered, and which of its file paths would be
// written. A path the game accepts must stay inside the game folder.
#include <tinyxml2.h>

#include <cstring>
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "online/online_files.h"
#include "online/update.h"
#include "store/profile.h"

namespace {

void CheckPath(const char* path) {
    if (!IsSafeUpdatePath(path)) return;
    std::filesystem::path p(path);
    FUZZ_CHECK(p.is_relative() && !p.has_root_name() && !p.has_root_directory());
    std::filesystem::path normal = p.lexically_normal();
    FUZZ_CHECK(!normal.empty() && normal != "." && *normal.begin() != "..");
    FUZZ_CHECK(std::strpbrk(path, "\\:") == nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tinyxml2::XMLDocument list;
    if (list.Parse(reinterpret_cast<const char*>(data), size) != tinyxml2::XML_SUCCESS) return 0;
    for (int installed : {0, 99, 100, 123, 999}) {
        const tinyxml2::XMLElement* chosen = ChooseUpdate(list, installed);
        if (chosen == nullptr) continue;
        // The offered version is valid and newer, and fits the text the dialogue shows.
        const char* version = chosen->Attribute("version");
        FUZZ_CHECK(IsValidVersion(version) && VersionNumber(version) > installed);
        FUZZ_CHECK(std::strlen(version) < 16);
        // No update before it was both valid and newer.
        for (const tinyxml2::XMLElement* update = list.FirstChildElement("update"); update != chosen;
             update = update->NextSiblingElement("update")) {
            FUZZ_CHECK(update != nullptr);
            int number = VersionNumber(update->Attribute("version"));
            FUZZ_CHECK(number >= 0 && number <= installed);
        }
        for (const tinyxml2::XMLElement* file = chosen->FirstChildElement("file"); file != nullptr;
             file = file->NextSiblingElement("file")) {
            CheckPath(file->Attribute("path"));
        }
    }
    // Every path attribute anywhere, whether or not its update is chosen.
    for (const tinyxml2::XMLElement* update = list.RootElement(); update != nullptr;
         update = update->NextSiblingElement()) {
        for (const tinyxml2::XMLElement* file = update->FirstChildElement(); file != nullptr;
             file = file->NextSiblingElement()) {
            CheckPath(file->Attribute("path"));
        }
    }
    return 0;
}

// The profile version.xml: the interface language and the installed version the update check compares.
#include <tinyxml2.h>

#include <cstring>

#include "fuzz/fuzz_support.h"
#include "store/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    if (!fuzz::WriteFile("version.xml", data, size)) return 0;

    bool loaded = LoadProfile("version.xml");
    FUZZ_CHECK(InterfaceLanguage == 0 || InterfaceLanguage == 1);
    if (!loaded) {
        // Nothing of a profile that did not load is kept: English, no version, nothing to save.
        FUZZ_CHECK(InterfaceLanguage == 0);
        FUZZ_CHECK(CurrentVersionElement() == nullptr);
        FUZZ_CHECK(!SaveProfile());
        return 0;
    }
    const tinyxml2::XMLElement* current = CurrentVersionElement();
    if (current != nullptr) {
        const char* value = current->Attribute("value");
        int number = VersionNumber(value);
        FUZZ_CHECK(number >= -1 && number <= 999);
        FUZZ_CHECK((number >= 0) == IsValidVersion(value));
        if (number >= 0) FUZZ_CHECK(std::strlen(value) == 5);
    }
    return 0;
}

// The profile version.xml: interface language and installed version.
#pragma once

namespace tinyxml2 {
class XMLElement;
}

// 0 English, 1 Russian; decided at start-up and never changed afterwards.
extern int InterfaceLanguage;

// Initialises the FTP library once, loads version.xml and sets InterfaceLanguage.
// False when the file cannot be loaded or has no root element.
bool LoadProfile(const char* path = "version.xml");
// Exactly digit, point, digit, point, digit.
bool IsValidVersion(const char* text);
// 100*d0 + 10*d2 + d4 (1.2.3 gives 123); -1 for a text that is not a valid version.
int VersionNumber(const char* text);
// The current_version element of the loaded profile, or null.
tinyxml2::XMLElement* CurrentVersionElement();
// Writes the loaded document back under the name it was loaded from, through a temporary file in the
// same folder and a rename, so a failed save leaves the old profile whole. False on failure.
bool SaveProfile();

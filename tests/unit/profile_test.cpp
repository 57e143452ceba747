// Profile: interface language, version checks, and saving the changed version back.
#include "store/profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
   protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profile_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = (folder / "version.xml").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, ignored);
        fs::remove_all(folder, ignored);
    }
    void Write(const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    std::string Read() {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Loads a profile whose language element holds value; starts from Russian so a fallback shows.
    int LanguageOf(const std::string& element) {
        Write("<profile><current_language value=\"RU\" /></profile>");
        EXPECT_TRUE(LoadProfile(path.c_str()));
        EXPECT_EQ(InterfaceLanguage, 1);
        Write("<profile>" + element + "<current_version value=\"1.0.0\" /></profile>");
        EXPECT_TRUE(LoadProfile(path.c_str()));
        return InterfaceLanguage;
    }

    fs::path folder;
    std::string path;
};

}  // namespace

TEST_F(ProfileFile, LanguageIsExactlyEnOrRu) {
    EXPECT_EQ(LanguageOf("<current_language value=\"EN\" />"), 0);
    EXPECT_EQ(LanguageOf("<current_language value=\"RU\" />"), 1);
    EXPECT_EQ(LanguageOf("<current_language value=\"en\" />"), 0);
    EXPECT_EQ(LanguageOf("<current_language value=\"Ru\" />"), 0);
    EXPECT_EQ(LanguageOf("<current_language value=\"RU \" />"), 0);
    EXPECT_EQ(LanguageOf("<current_language value=\"\" />"), 0);
    EXPECT_EQ(LanguageOf("<current_language />"), 0);
    EXPECT_EQ(LanguageOf(""), 0);
    // Only the first current_language counts.
    EXPECT_EQ(LanguageOf("<current_language value=\"EN\" /><current_language value=\"RU\" />"), 0);
}

// The root's name is not examined; the current version is the first element of that name.
TEST_F(ProfileFile, AnyRootAndTheFirstCurrentVersion) {
    Write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<whatever><current_language value=\"RU\"/></whatever>");
    EXPECT_TRUE(LoadProfile(path.c_str()));
    EXPECT_EQ(InterfaceLanguage, 1);
    EXPECT_EQ(CurrentVersionElement(), nullptr);
    Write("<profile><current_version value=\"0.9.9\" /><current_version value=\"2.0.0\" /></profile>");
    ASSERT_TRUE(LoadProfile(path.c_str()));
    ASSERT_NE(CurrentVersionElement(), nullptr);
    EXPECT_STREQ(CurrentVersionElement()->Attribute("value"), "0.9.9");
}

TEST_F(ProfileFile, MissingMalformedOrRootlessFileFails) {
    EXPECT_FALSE(LoadProfile(path.c_str()));
    EXPECT_EQ(InterfaceLanguage, 0);
    Write("<?xml version=\"1.0\"?>\n<!-- no root -->\n");
    EXPECT_FALSE(LoadProfile(path.c_str()));
    Write("<profile><current_language value=\"RU\"></profile>");
    EXPECT_FALSE(LoadProfile(path.c_str()));
    EXPECT_EQ(InterfaceLanguage, 0);
    // Nothing loaded: no version element and nothing to save.
    EXPECT_EQ(CurrentVersionElement(), nullptr);
    EXPECT_FALSE(SaveProfile());
    EXPECT_EQ(Read(), "<profile><current_language value=\"RU\"></profile>");
}

TEST(ProfileVersion, AcceptsOnlyDigitPointDigitPointDigit) {
    for (const char* good : {"0.0.0", "1.2.3", "9.9.9", "0.9.9", "1.0.0"})
        EXPECT_TRUE(IsValidVersion(good)) << good;
    for (const char* bad : {"1.10", "01.2.3", "1.2", "a.b.c", "1.2.3 ", " 1.2.3", "1,2,3", "1.2.x", "1..23",
                            "12.3.4", "", "1.2.3.4", "-.1.2"}) {
        EXPECT_FALSE(IsValidVersion(bad)) << bad;
        EXPECT_EQ(VersionNumber(bad), -1) << bad;
    }
    EXPECT_FALSE(IsValidVersion(nullptr));
    // Numbers that order updates correctly.
    EXPECT_EQ(VersionNumber("0.0.0"), 0);
    EXPECT_EQ(VersionNumber("1.2.3"), 123);
    EXPECT_LT(VersionNumber("0.9.9"), VersionNumber("1.0.0"));
    EXPECT_LT(VersionNumber("1.2.3"), VersionNumber("1.2.4"));
}

TEST_F(ProfileFile, SaveKeepsRootAndLanguageAndWritesTheNewVersion) {
    Write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<profile note=\"mine\">\n"
        "    <current_language value=\"RU\" />\n    <current_version value=\"1.2.3\" />\n"
        "    <extra keep=\"yes\" />\n</profile>\n");
    ASSERT_TRUE(LoadProfile(path.c_str()));
    tinyxml2::XMLElement* version = CurrentVersionElement();
    ASSERT_NE(version, nullptr);
    version->SetAttribute("value", "1.2.4");
    ASSERT_TRUE(SaveProfile());

    // Nothing is left beside the profile.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++files;
        EXPECT_EQ(entry.path().filename(), "version.xml");
    }
    EXPECT_EQ(files, 1);

    tinyxml2::XMLDocument saved;
    ASSERT_EQ(saved.LoadFile(path.c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = saved.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Name(), "profile");
    EXPECT_STREQ(root->Attribute("note"), "mine");
    ASSERT_NE(root->FirstChildElement("current_language"), nullptr);
    EXPECT_STREQ(root->FirstChildElement("current_language")->Attribute("value"), "RU");
    ASSERT_NE(root->FirstChildElement("current_version"), nullptr);
    EXPECT_STREQ(root->FirstChildElement("current_version")->Attribute("value"), "1.2.4");
    EXPECT_NE(root->FirstChildElement("extra"), nullptr);
    EXPECT_NE(Read().find("<?xml"), std::string::npos);

    // The next start reads the installed version and the same language.
    ASSERT_TRUE(LoadProfile(path.c_str()));
    EXPECT_EQ(InterfaceLanguage, 1);
    ASSERT_NE(CurrentVersionElement(), nullptr);
    EXPECT_EQ(VersionNumber(CurrentVersionElement()->Attribute("value")), 124);
}

TEST_F(ProfileFile, ReadOnlyProfileIsLeftAsItWas) {
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
    const std::string original = "<profile><current_version value=\"1.0.0\" /></profile>";
    Write(original);
    ASSERT_TRUE(LoadProfile(path.c_str()));
    CurrentVersionElement()->SetAttribute("value", "1.0.1");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(SaveProfile());
    EXPECT_EQ(Read(), original);
}

TEST_F(ProfileFile, SaveIntoAVanishedFolderFailsCleanly) {
    Write("<profile><current_version value=\"1.0.0\" /></profile>");
    ASSERT_TRUE(LoadProfile(path.c_str()));
    fs::remove_all(folder);
    EXPECT_FALSE(SaveProfile());
    EXPECT_FALSE(fs::exists(folder));
}

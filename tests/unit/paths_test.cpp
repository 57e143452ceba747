// Game folders: which layout a program finds itself in, where the player's files go, and the first start
// of an installed game.
#include "store/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class GameFoldersTest : public ::testing::Test {
   protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "paths_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        // An installation: bin/ beside share/pelorina/ with the shipped profile.
        fs::create_directories(root / "usr/bin");
        fs::create_directories(root / "usr/share/pelorina/settings");
        Write(root / "usr/share/pelorina/version.xml", "<profile><current_language value=\"EN\" /></profile>");
        bin = (root / "usr/bin").string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    static void Write(const fs::path& path, const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Choose(const char* dir, const char* xdg, const char* home) {
        return ChooseGameFolders(folders, dir, bin.c_str(), "../share/pelorina", xdg, home);
    }

    fs::path root;
    std::string bin;
    GameFolders folders;
};

TEST_F(GameFoldersTest, InstalledProgramKeepsThePlayersFilesInTheDataHome) {
    ASSERT_TRUE(Choose("", "/somewhere/data", "/home/ada"));
    EXPECT_EQ(folders.layout, Layout::Installed);
    EXPECT_EQ(fs::path(folders.dataFolder), root / "usr/share/pelorina");
    EXPECT_STREQ(folders.userFolder, "/somewhere/data/pelorina");
    char path[PathCapacity];
    ASSERT_TRUE(UserPath(folders, "records/records_2.bin", path, sizeof path));
    EXPECT_STREQ(path, "/somewhere/data/pelorina/records/records_2.bin");

    // Unset, empty or relative XDG_DATA_HOME: ~/.local/share.
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/data"}) {
        ASSERT_TRUE(Choose("", xdg, "/home/ada"));
        EXPECT_STREQ(folders.userFolder, "/home/ada/.local/share/pelorina") << (xdg ? xdg : "unset");
    }
    // Nowhere to put the player's files, or a folder too long for the files' names: a clear refusal.
    EXPECT_FALSE(Choose("", nullptr, nullptr));
    EXPECT_FALSE(Choose("", ("/" + std::string(UserFolderMaxLength, 'x')).c_str(), "/home/ada"));
}

TEST_F(GameFoldersTest, PortableFoldersKeepEverythingBesideTheProgramAsBefore) {
    // A writable profile beside the program wins over installed data.
    Write(root / "usr/bin/version.xml", "<profile />");
    ASSERT_TRUE(Choose("", "/somewhere/data", "/home/ada"));
    EXPECT_EQ(folders.layout, Layout::Portable);
    EXPECT_STREQ(folders.dataFolder, bin.c_str());
    char path[PathCapacity];
    ASSERT_TRUE(UserPath(folders, "records/records_1.bin", path, sizeof path));
    EXPECT_STREQ(path, "records/records_1.bin");  // relative to the working directory, as always

    // --dir names a portable folder even in an installation.
    fs::remove(root / "usr/bin/version.xml");
    ASSERT_TRUE(Choose("/tmp/elsewhere", "/somewhere/data", "/home/ada"));
    EXPECT_EQ(folders.layout, Layout::Portable);
    EXPECT_STREQ(folders.dataFolder, "/tmp/elsewhere");

    // No profile beside the program and no installed data: the program folder, which then reports the
    // missing profile as it always did.
    fs::remove_all(root / "usr/share");
    ASSERT_TRUE(Choose("", "/somewhere/data", "/home/ada"));
    EXPECT_EQ(folders.layout, Layout::Portable);
    EXPECT_STREQ(folders.dataFolder, bin.c_str());

    // A name that does not fit is refused, not cut.
    char small[8];
    EXPECT_FALSE(UserPath(folders, "version.xml", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST_F(GameFoldersTest, FirstStartCopiesTheShippedProfileOnceAndMakesTheRecordsFolder) {
    fs::path home = root / "home";
    ASSERT_TRUE(Choose("", nullptr, home.c_str()));
    ASSERT_TRUE(PrepareUserFolder(folders));
    fs::path user = home / ".local/share/pelorina";
    EXPECT_TRUE(fs::is_directory(user / "records"));
    EXPECT_EQ(Read(user / "version.xml"), Read(root / "usr/share/pelorina/version.xml"));

    // The player's own profile (say, Russian chosen) survives later starts.
    Write(user / "version.xml", "<profile><current_language value=\"RU\" /></profile>");
    ASSERT_TRUE(PrepareUserFolder(folders));
    EXPECT_EQ(Read(user / "version.xml"), "<profile><current_language value=\"RU\" /></profile>");

    // A player's folder that cannot be made (a file is in the way) is an error, not a silent run.
    fs::path blocked = root / "blocked";
    Write(blocked, "");
    ASSERT_TRUE(Choose("", blocked.c_str(), home.c_str()));
    EXPECT_FALSE(PrepareUserFolder(folders));
}

}  // namespace

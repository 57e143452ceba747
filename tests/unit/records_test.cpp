// Records: placing a score, typing the name, and the records file read and saved safely. The records
// screen itself (a typed name kept, Space for a new game) is played end to end by the integration tests.
#include "store/records.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/devices.h"

namespace {

namespace fs = std::filesystem;

RecordTable table;  // too big for the stack of a test

// Scores 1999, 1997, ... down to 500 at place 1000, names "p0".."p999".
void FillDescending(RecordTable& t) {
    for (int k = 0; k < RecordPlaces; ++k) {
        std::memset(t.entries[k].name, 0, RecordNameBytes);
        std::snprintf(t.entries[k].name, RecordNameBytes, "p%d", k);
        t.entries[k].score = 500 + 3 * (RecordPlaces - 1 - k);
    }
}

TEST(RecordsPlacement, LastPlaceAndTies) {
    FillDescending(table);
    table.entries[4].score = 900;
    table.entries[5].score = 899;
    static RecordTable before;
    before = table;
    EXPECT_EQ(InsertRecord(table, 500), -1);  // equals the last place: not enough
    EXPECT_EQ(std::memcmp(&before, &table, sizeof table), 0);
    EXPECT_EQ(InsertRecord(table, 501), 999);
    EXPECT_STREQ(table.entries[998].name, "p998");
    EXPECT_EQ(InsertRecord(table, 900), 5);  // below the 900 already there
    EXPECT_STREQ(table.entries[4].name, "p4");
    EXPECT_STREQ(table.entries[5].name, "yourname");
    EXPECT_EQ(table.entries[5].score, 900);
    EXPECT_STREQ(table.entries[6].name, "p5");
    EXPECT_EQ(table.entries[999].score, 500 + 3 * 1);  // the 501 dropped out again
}

TEST(RecordsNameEntry, TwelveLettersOrDigitsAndNothingElse) {
    TypedName name;
    ClearTypedName(name);
    EXPECT_EQ(ApplyNameKey(name, KeyBackspace, 0), NameKeyResult::Ignored);
    for (const char* c = "a !-_\xE0\xFF\t.bc123456789XYZ"; *c != 0; ++c) ApplyNameKey(name, KeyA, *c);
    EXPECT_STREQ(name.text, "abc123456789");  // blanks, punctuation and code-page letters add nothing
    EXPECT_EQ(ApplyNameKey(name, KeyEnter, 'c'), NameKeyResult::Confirmed);
    EXPECT_EQ(ApplyNameKey(name, KeyBackspace, 'c'), NameKeyResult::Edited);
    EXPECT_STREQ(name.text, "abc12345678");

    ClearTypedName(name);  // Enter on an empty name stores an empty name
    FillAnonymous(table);
    CopyNameIntoRecord(table, 4, name);
    EXPECT_EQ(table.entries[4].name[0], 0);
    EXPECT_EQ(table.entries[4].name[1], 'n');  // bytes after the zero are left alone
}

class RecordsFile : public ::testing::Test {
   protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "records_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = (folder / "records_2.bin").string();
        records.localPath = path.c_str();
    }
    void TearDown() override {
        records.localPath = nullptr;
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, ignored);
        fs::remove_all(folder, ignored);
    }
    std::vector<uint8_t> Bytes() {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Write(const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::path folder;
    std::string path;
};

TEST_F(RecordsFile, RoundTripIsTheLittleEndianLayout) {
    FillDescending(table);
    table.entries[7].score = 0x01020304;
    table.entries[8].score = -2;
    ASSERT_TRUE(WriteRecordsFile(table, path.c_str()));
    std::vector<uint8_t> bytes = Bytes();
    ASSERT_EQ(bytes.size(), 20000u);
    EXPECT_EQ(std::memcmp(&bytes[7 * 20], "p7\0", 3), 0);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 156, bytes.begin() + 160),
              (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 176, bytes.begin() + 180),
              (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    static RecordTable back;
    FillAnonymous(back);
    ASSERT_TRUE(ReadRecordsFile(back, path.c_str()));
    EXPECT_EQ(std::memcmp(&back, &table, sizeof table), 0);
}

TEST_F(RecordsFile, ShortFileFillsOnlyWhatItReaches) {
    std::vector<uint8_t> bytes(30, 0);
    std::memcpy(bytes.data(),
                "Zed\0\0\0\0\0\0\0\0\0\0\0\0\0\x10\x27\0\0"
                "Bo\0xxxxxxx",
                30);
    Write(bytes);
    FillDescending(records.table);
    FetchRecords();
    EXPECT_STREQ(records.table.entries[0].name, "Zed");
    EXPECT_EQ(records.table.entries[0].score, 10000);
    EXPECT_STREQ(records.table.entries[1].name, "Bo");
    EXPECT_EQ(records.table.entries[1].score, 0);  // its score lay beyond the end of the file
    EXPECT_STREQ(records.table.entries[2].name, "Anonymous");
    EXPECT_EQ(records.table.entries[999].score, 0);
}

TEST_F(RecordsFile, LongAndDamagedFilesAreReadOnlyToTheirBounds) {
    std::vector<uint8_t> bytes(20000 + 500, 'Z');  // no name ends, and too long
    for (int k = 0; k < RecordPlaces; ++k) std::memcpy(&bytes[20 * k + 16], "AB\0\0", 4);
    Write(bytes);
    FetchRecords();
    char text[RecordNameBytes + 1];
    // The score's bytes "AB" follow the name; the text must stop before them.
    EXPECT_STREQ(RecordNameText(records.table.entries[0], text), "ZZZZZZZZZZZZZZZZ");
    EXPECT_STREQ(RecordNameText(records.table.entries[999], text), "ZZZZZZZZZZZZZZZZ");
    EXPECT_EQ(records.table.entries[999].score, 0x4241);
}

TEST_F(RecordsFile, FailedSaveLeavesTheOldFile) {
    FillDescending(table);
    ASSERT_TRUE(WriteRecordsFile(table, path.c_str()));
    std::vector<uint8_t> old = Bytes();
    FillAnonymous(table);
    // The temporary file cannot be made: its name is taken by a folder.
    fs::create_directory(path + ".tmp");
    EXPECT_FALSE(WriteRecordsFile(table, path.c_str()));
    EXPECT_EQ(Bytes(), old);
    EXPECT_TRUE(fs::is_directory(path + ".tmp"));
    fs::remove(path + ".tmp");
    if (geteuid() != 0) {  // root writes into a read-only folder anyway
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteRecordsFile(table, path.c_str()));
        EXPECT_EQ(Bytes(), old);
    }
    EXPECT_FALSE(WriteRecordsFile(table, (folder / "missing" / "records_2.bin").string().c_str()));
}

}  // namespace

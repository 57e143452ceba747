// The high-score table of the variant: 1000 places in memory, the local records file, placing a score.
#pragma once
#include <cstdint>

#include "store/paths.h"

constexpr int RecordPlaces = 1000;
constexpr int RecordNameBytes = 16;
constexpr int RecordEntryBytes = 20;                              // name 0..15, score 16..19
constexpr int RecordFileBytes = RecordPlaces * RecordEntryBytes;  // 20000; no header, count or checksum
constexpr int TypedNameBytes = 256;
constexpr int TypedNameMaxChars = 12;  // a player's name: 0..12 ASCII letters or digits

// One place. The name ends in a zero unless the file was damaged; bytes after the zero mean nothing.
struct RecordEntry {
    char name[RecordNameBytes];
    int32_t score;  // points of that game; little-endian in the file
};
static_assert(sizeof(RecordEntry) == RecordEntryBytes, "the file layout has no padding");

// Entry 0 is place 1. Scores do not increase downwards; of equal scores the earlier one stands higher.
struct RecordTable {
    RecordEntry entries[RecordPlaces];
};
static_assert(sizeof(RecordTable) == RecordFileBytes, "the table is the file");

// The records module: the table for the whole run and the two names the online exchange uses.
struct RecordsState {
    RecordTable table;
    const char* localPath = nullptr;   // "records/records_N.bin" among the player's files
    const char* remoteName = nullptr;  // "records_v2_N.bin" in the service's records folder
    char localPathText[PathCapacity] = {};
    char remoteNameText[64] = {};
    uint8_t fileBytes[RecordFileBytes];  // the table as file bytes, for reading and writing
};

// The name being typed on the records screen.
struct TypedName {
    char text[TypedNameBytes];  // zero-terminated
    int32_t length;             // 0..12
};

// What the records screen keeps between its frames.
struct RecordsScreenState {
    int32_t playerPlace = -1;  // place of the last game's score, 0..999; -1 = not placed
    bool placedOnEntry = false;  // the score made the table when the screen opened: the name is asked for
    bool saveFailed = false;     // the confirmed name could not be saved to the local file
    TypedName typed = {};
    uint64_t enteredAtMs = 0;  // game clock of the screen's first frame, ms
};

extern RecordsState records;
extern RecordsScreenState recordsScreenState;

// Chooses the files of variant N (2 shapes, 1 chains, 0 cubes).
void SetRecordsVariant(int variantIndex);

// The table and its file, on any table (tests build their own).
// Every place becomes "Anonymous" with score 0; only the first 10 name bytes are written.
void FillAnonymous(RecordTable& table);
// The table as the 20000 bytes of the file, and back.
void EncodeRecords(const RecordTable& table, uint8_t bytes[RecordFileBytes]);
void DecodeRecords(const uint8_t bytes[RecordFileBytes], RecordTable& table);
// Reads up to 20000 bytes of the file over the table: entry k from bytes 20k..20k+19. What a short file
// does not reach keeps its content. False when the file does not open.
bool ReadRecordsFile(RecordTable& table, const char* path);
// Writes the 20000 bytes to a temporary file beside the target and renames it over the target, so a
// failed or interrupted save leaves the old file whole. False on failure.
bool WriteRecordsFile(const RecordTable& table, const char* path);
// Places score at the first place whose score is strictly lower, pushing the rest down (place 1000
// drops out); the new entry is named "yourname". Returns the place 0..999, or -1 with the table unchanged.
int InsertRecord(RecordTable& table, int32_t score);
// Copies the typed name with its terminating zero (at most 13 bytes) into the entry at place; other
// name bytes keep what they held. A place outside 0..999 is ignored.
void CopyNameIntoRecord(RecordTable& table, int place, const TypedName& name);
// The name as text: zero-terminated, at most 16 characters, never read past its field.
const char* RecordNameText(const RecordEntry& entry, char (&text)[RecordNameBytes + 1]);

// The process-wide table.
// Fills it with "Anonymous", has the service's table downloaded into the local file, and reads that file.
void FetchRecords();
int InsertRecord(int32_t score);
// Saves the local file (making its folder when missing), then has it uploaded whether or not the save
// worked. False when the save failed.
bool StoreRecords();

// Name entry: one typed key (its scan code, and the character it gives in the keyboard layout, 0 when
// none) changes the name. Backspace removes the last character; Enter confirms the name; an ASCII letter
// or digit is appended while the name is shorter than 12 characters; every other key is ignored.
enum class NameKeyResult : uint8_t { Ignored, Edited, Confirmed };
NameKeyResult ApplyNameKey(TypedName& name, int scanCode, char character);
void ClearTypedName(TypedName& name);

// The records file records/records_N.bin: 1000 places of 20 bytes, read from bytes of any length, then
// placed into and named the way the records screen does.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/devices.h"
#include "store/records.h"

namespace {

RecordTable table;
RecordTable decoded;
uint8_t anonymousBytes[RecordFileBytes];
uint8_t bytes[RecordFileBytes];
uint8_t again[RecordFileBytes];

bool Ordered(const RecordTable& t, int from, int to) {
    for (int k = from + 1; k < to; ++k) {
        if (t.entries[k - 1].score < t.entries[k].score) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::EnterScratchFolder();
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        std::filesystem::create_directory("records");
        SetRecordsVariant(2);
        std::memset(&table, 0, sizeof table);
        FillAnonymous(table);
        EncodeRecords(table, anonymousBytes);
    }
    if (!fuzz::WriteFile(records.localPath, data, size)) return 0;

    // The file over an empty table: what it reaches is taken byte for byte, the rest stays "Anonymous".
    // (Filling writes only the first name bytes; the table is cleared so the rest is known.)
    std::memset(&table, 0, sizeof table);
    FillAnonymous(table);
    FUZZ_CHECK(ReadRecordsFile(table, records.localPath));
    size_t reached = size < RecordFileBytes ? size : RecordFileBytes;
    std::memcpy(bytes, anonymousBytes, sizeof bytes);
    std::memcpy(bytes, data, reached);
    DecodeRecords(bytes, decoded);
    FUZZ_CHECK(std::memcmp(&table, &decoded, sizeof table) == 0);
    // Encoding is the exact inverse: a saved table is the file that was read.
    EncodeRecords(table, again);
    FUZZ_CHECK(std::memcmp(again, bytes, sizeof bytes) == 0);

    // A name never reads past its field, damaged or not.
    for (const RecordEntry& entry : table.entries) {
        char text[RecordNameBytes + 1];
        FUZZ_CHECK(std::strlen(RecordNameText(entry, text)) <= RecordNameBytes);
    }

    // A score from the input is placed as a finished game's would be.
    int32_t score = 0;
    if (size >= 4) std::memcpy(&score, data + size - 4, sizeof score);
    bool wasOrdered = Ordered(table, 0, RecordPlaces);
    std::memcpy(&decoded, &table, sizeof table);
    int place = InsertRecord(table, score);
    FUZZ_CHECK(place >= -1 && place < RecordPlaces);
    if (place < 0) {
        FUZZ_CHECK(std::memcmp(&table, &decoded, sizeof table) == 0);
        for (const RecordEntry& entry : table.entries) FUZZ_CHECK(entry.score >= score);
    } else {
        FUZZ_CHECK(table.entries[place].score == score);
        FUZZ_CHECK(std::strcmp(table.entries[place].name, "yourname") == 0);
        for (int k = 0; k < place; ++k) FUZZ_CHECK(table.entries[k].score >= score);
        if (wasOrdered) FUZZ_CHECK(Ordered(table, 0, RecordPlaces));
    }

    // The bytes as keys typed into the name: it stays 0..12 letters or digits, zero-terminated.
    TypedName name;
    ClearTypedName(name);
    for (size_t i = 0; i < size && i < 64; ++i) {
        int scanCode = data[i] % 8 == 0 ? int{KeyBackspace} : data[i] % 29 == 0 ? int{KeyEnter} : int{data[i]};
        ApplyNameKey(name, scanCode, static_cast<char>(data[i]));
        FUZZ_CHECK(name.length >= 0 && name.length <= TypedNameMaxChars);
        FUZZ_CHECK(name.text[name.length] == 0 && std::strlen(name.text) == static_cast<size_t>(name.length));
    }
    CopyNameIntoRecord(table, place, name);
    if (place >= 0) FUZZ_CHECK(std::strcmp(table.entries[place].name, name.text) == 0);
    return 0;
}

// The records file of the variant: the 1000-place table read, placed into, named and saved.
#include "store/records.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "online/records_exchange.h"
#include "platform/devices.h"
#include "platform/file_read.h"

RecordsState records;
RecordsScreenState recordsScreenState;

namespace {

constexpr char AnonymousName[] = "Anonymous";  // an empty place
constexpr char PlacedName[] = "yourname";      // a place just taken, its name not yet typed

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

void SetRecordsVariant(int variantIndex) {
    char name[32];
    std::snprintf(name, sizeof name, "records/records_%d.bin", variantIndex);
    UserPath(name, records.localPathText, sizeof records.localPathText);
    std::snprintf(records.remoteNameText, sizeof records.remoteNameText, "records_v2_%d.bin", variantIndex);
    records.localPath = records.localPathText;
    records.remoteName = records.remoteNameText;
}

void FillAnonymous(RecordTable& table) {
    for (RecordEntry& entry : table.entries) {
        std::memcpy(entry.name, AnonymousName, sizeof AnonymousName);
        entry.score = 0;
    }
}

void EncodeRecords(const RecordTable& table, uint8_t bytes[RecordFileBytes]) {
    for (int k = 0; k < RecordPlaces; ++k) {
        uint8_t* out = bytes + k * RecordEntryBytes;
        std::memcpy(out, table.entries[k].name, RecordNameBytes);
        uint32_t score = static_cast<uint32_t>(table.entries[k].score);
        for (int b = 0; b < 4; ++b) out[RecordNameBytes + b] = static_cast<uint8_t>(score >> (8 * b));
    }
}

void DecodeRecords(const uint8_t bytes[RecordFileBytes], RecordTable& table) {
    for (int k = 0; k < RecordPlaces; ++k) {
        const uint8_t* in = bytes + k * RecordEntryBytes;
        std::memcpy(table.entries[k].name, in, RecordNameBytes);
        uint32_t score = 0;
        for (int b = 0; b < 4; ++b) score |= static_cast<uint32_t>(in[RecordNameBytes + b]) << (8 * b);
        table.entries[k].score = static_cast<int32_t>(score);
    }
}

bool ReadRecordsFile(RecordTable& table, const char* path) {
    if (path == nullptr) return false;
    FILE* file = OpenRegularFile(path);
    if (file == nullptr) return false;
    // The file's bytes go over the table's own, so a short file leaves the rest as it was, cut entries
    // included; a longer one is read only as far as the table reaches.
    EncodeRecords(table, records.fileBytes);
    std::size_t got = std::fread(records.fileBytes, 1, RecordFileBytes, file);
    std::fclose(file);
    if (got > 0) DecodeRecords(records.fileBytes, table);
    return true;
}

bool WriteRecordsFile(const RecordTable& table, const char* path) {
    if (path == nullptr) return false;
    char temporary[1024];
    if (std::snprintf(temporary, sizeof temporary, "%s.tmp", path) >= static_cast<int>(sizeof temporary)) {
        return false;
    }
    FILE* file = std::fopen(temporary, "wb");
    if (file == nullptr) return false;
    struct stat old {};
    if (stat(path, &old) == 0 && S_ISREG(old.st_mode)) fchmod(fileno(file), old.st_mode & 07777);
    EncodeRecords(table, records.fileBytes);
    bool written = std::fwrite(records.fileBytes, 1, RecordFileBytes, file) == RecordFileBytes;
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary, path) != 0) {
        std::remove(temporary);
        return false;
    }
    return true;
}

int InsertRecord(RecordTable& table, int32_t score) {
    int place = 0;
    while (place < RecordPlaces && table.entries[place].score >= score) ++place;
    if (place == RecordPlaces) return -1;
    // The last place drops out; a tie stays above the newcomer.
    std::memmove(&table.entries[place + 1], &table.entries[place],
                 sizeof(RecordEntry) * static_cast<std::size_t>(RecordPlaces - 1 - place));
    std::memcpy(table.entries[place].name, PlacedName, sizeof PlacedName);
    table.entries[place].score = score;
    return place;
}

void CopyNameIntoRecord(RecordTable& table, int place, const TypedName& name) {
    if (place < 0 || place >= RecordPlaces) return;
    int length = name.length;
    if (length < 0) length = 0;
    if (length > TypedNameMaxChars) length = TypedNameMaxChars;
    char* out = table.entries[place].name;
    std::memcpy(out, name.text, static_cast<std::size_t>(length));
    out[length] = 0;
}

const char* RecordNameText(const RecordEntry& entry, char (&text)[RecordNameBytes + 1]) {
    // A damaged file may fill all 16 bytes; the name is then those 16 characters and nothing after.
    std::size_t length = strnlen(entry.name, RecordNameBytes);
    std::memcpy(text, entry.name, length);
    text[length] = 0;
    return text;
}

void FetchRecords() {
    FillAnonymous(records.table);
    DownloadRecords();
    // Without the service the last table downloaded or saved here is shown, or else the empty one.
    ReadRecordsFile(records.table, records.localPath);
}

int InsertRecord(int32_t score) {
    return InsertRecord(records.table, score);
}

bool StoreRecords() {
    // The folder ships with the game, but a player may have removed it.
    if (records.localPath != nullptr) {
        char folder[sizeof records.localPathText];
        std::snprintf(folder, sizeof folder, "%s", records.localPath);
        if (char* slash = std::strrchr(folder, '/')) {
            *slash = 0;
            mkdir(folder, 0755);
        }
    }
    bool saved = WriteRecordsFile(records.table, records.localPath);
    // With no local file the upload finds nothing to send and stays silent.
    UploadRecords();
    return saved;
}

NameKeyResult ApplyNameKey(TypedName& name, int scanCode, char character) {
    if (scanCode == KeyBackspace) {
        if (name.length <= 0) return NameKeyResult::Ignored;
        name.length -= 1;
        name.text[name.length] = 0;
        return NameKeyResult::Edited;
    }
    if (scanCode == KeyEnter) return NameKeyResult::Confirmed;
    // Only plain ASCII letters and digits: the name must read the same in every code page.
    if (name.length < 0 || name.length >= TypedNameMaxChars || !IsAsciiLetterOrDigit(character)) {
        return NameKeyResult::Ignored;
    }
    name.text[name.length] = character;
    name.length += 1;
    name.text[name.length] = 0;
    return NameKeyResult::Edited;
}

void ClearTypedName(TypedName& name) {
    std::memset(name.text, 0, sizeof name.text);
    name.length = 0;
}

// The statistics files: stat.bin (a length, then the 40-byte record) and the service's users.bin
// counter. The input is both; the record is then counted as a start of the game would count it.
#include <climits>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "online/statistics.h"

namespace {

bool SameRecord(const StatisticsRecord& a, const StatisticsRecord& b) {
    uint8_t x[StatFileBytes], y[StatFileBytes];
    EncodeStatFile(a, x);
    EncodeStatFile(b, y);
    return std::memcmp(x, y, sizeof x) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    UtcTime now{2024, 3, 5, 12, 10, 20, 30, 400};
    if (size >= 2) now.month = static_cast<uint16_t>(data[0] % 14);
    const StatisticsRecord initial = InitialStatistics(now);

    StatisticsRecord record = initial;
    ParseStatFile(data, size, record);
    // What the file does not reach keeps the record's own bytes.
    uint8_t expected[StatFileBytes], got[StatFileBytes];
    EncodeStatFile(initial, expected);
    if (size >= 4) {
        int32_t length = static_cast<int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                              (static_cast<uint32_t>(data[3]) << 24));
        size_t take = length <= 0 ? 0 : length < StatisticsRecordBytes ? static_cast<size_t>(length) : StatisticsRecordBytes;
        if (take > size - 4) take = size - 4;
        std::memcpy(expected + 4, data + 4, take);
    }
    EncodeStatFile(record, got);
    FUZZ_CHECK(std::memcmp(expected, got, sizeof got) == 0);

    // A saved record reads back as it was.
    StatisticsRecord reread = InitialStatistics(UtcTime{});
    ParseStatFile(got, sizeof got, reread);
    FUZZ_CHECK(SameRecord(reread, record));

    // Counting a start of a damaged record neither overflows nor leaves the counters negative-going.
    int32_t before = record.launchesThisMonth;
    bool newMonth = now.month != record.lastLaunch.month;
    CountLaunch(record, now, 123);
    FUZZ_CHECK(record.version == 123);
    if (newMonth) FUZZ_CHECK(record.launchesThisMonth == 1 && record.launchesThisMonthCopy == 1);
    else FUZZ_CHECK(record.launchesThisMonth == (before == INT_MAX ? INT_MAX : before + 1));
    char name[64];
    StatUploadName(record.userId, now, name, sizeof name);
    FUZZ_CHECK(std::strncmp(name, "user", 4) == 0);

    int32_t counter = -7;
    bool read = ParseUsersFile(data, size, counter);
    FUZZ_CHECK(read == (size >= 4));
    if (!read) FUZZ_CHECK(counter == -7);
    return 0;
}

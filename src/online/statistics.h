// Anonymous monthly play statistics: the installation's id, its stat.bin record and the monthly upload.
#pragma once
#include <cstddef>
#include <cstdint>

typedef struct NetBuf netbuf;
struct Exchange;

// A UTC moment in the field order of the stored record.
struct UtcTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

constexpr int StatisticsRecordBytes = 40;
constexpr int StatFileBytes = 4 + StatisticsRecordBytes;  // a 4-byte length (40), then the record

// This installation's statistics: the 40 bytes of stat.bin after its length, little-endian.
struct StatisticsRecord {
    int32_t userId = -1;                // -1 = not registered yet
    int32_t launchesThisMonth = 0;      // program starts in the month of lastLaunch
    int32_t reserved[2] = {0, 0};       // written as 0
    int32_t launchesThisMonthCopy = 0;  // counted exactly like launchesThisMonth
    int32_t version = 100;              // installed version number of the last start
    UtcTime lastLaunch{};
};

// Program starts in this month, as the last statistics exchange of this run counted them (0 until it
// has ended); the donate screen uses its parity. Only the main thread writes it.
extern int launchesThisMonth;

// The record a new installation starts with.
StatisticsRecord InitialStatistics(const UtcTime& now);
// stat.bin as read: the length field n, then min(n, 40) record bytes over the record. A negative
// length reads nothing, a length above 40 reads 40, and a file shorter than its length reads only the
// bytes it has. Fields the file does not reach keep their values.
void ParseStatFile(const uint8_t* bytes, std::size_t size, StatisticsRecord& record);
void EncodeStatFile(const StatisticsRecord& record, uint8_t bytes[StatFileBytes]);
// users.bin: the highest id handed out. False when it holds fewer than 4 bytes.
bool ParseUsersFile(const uint8_t* bytes, std::size_t size, int32_t& counter);
// A start at now with the installed version: a new month (the year is not compared) restarts the
// counters, then this start is counted.
void CountLaunch(StatisticsRecord& record, const UtcTime& now, int installedVersion);
// "user%i_stat_%02i_%i.bin" from the id and now's month and year.
void StatUploadName(int32_t userId, const UtcTime& now, char* text, std::size_t size);
// The UTC time of the program's start, with the date of --date when given.
UtcTime StartTimeUtc();

// On a connection logged in as the update account, in its login directory: reads stat.bin, registers
// the installation when it has no id, counts this start, saves stat.bin and uploads it as this month's
// file; returns to the login directory. Local files change only while the exchange is not abandoned.
// The record as saved (or as read, when nothing could be counted) is left in result; false when
// nothing was counted.
bool SendStatistics(netbuf* connection, int installedVersion, const UtcTime& now, Exchange& exchange,
                    StatisticsRecord& result);

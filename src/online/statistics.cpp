// Anonymous monthly play statistics: stat.bin, the user counter users.bin and the monthly upload.
#include "online/statistics.h"

#include <ftplib.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "online/online_files.h"
#include "online/service.h"
#include "shell/automation.h"
#include "store/paths.h"

int launchesThisMonth = 0;

namespace {

void PutU16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}
void PutI32(uint8_t* out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int b = 0; b < 4; ++b) out[b] = static_cast<uint8_t>(v >> (8 * b));
}
uint16_t GetU16(const uint8_t* in) { return static_cast<uint16_t>(in[0] | (in[1] << 8)); }
int32_t GetI32(const uint8_t* in) {
    uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= static_cast<uint32_t>(in[b]) << (8 * b);
    return static_cast<int32_t>(v);
}

void EncodeRecord(const StatisticsRecord& r, uint8_t out[StatisticsRecordBytes]) {
    PutI32(out + 0, r.userId);
    PutI32(out + 4, r.launchesThisMonth);
    PutI32(out + 8, r.reserved[0]);
    PutI32(out + 12, r.reserved[1]);
    PutI32(out + 16, r.launchesThisMonthCopy);
    PutI32(out + 20, r.version);
    const UtcTime& t = r.lastLaunch;
    const uint16_t fields[8] = {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
    for (int i = 0; i < 8; ++i) PutU16(out + 24 + 2 * i, fields[i]);
}

void DecodeRecord(const uint8_t in[StatisticsRecordBytes], StatisticsRecord& r) {
    r.userId = GetI32(in + 0);
    r.launchesThisMonth = GetI32(in + 4);
    r.reserved[0] = GetI32(in + 8);
    r.reserved[1] = GetI32(in + 12);
    r.launchesThisMonthCopy = GetI32(in + 16);
    r.version = GetI32(in + 20);
    UtcTime& t = r.lastLaunch;
    uint16_t* fields[8] = {&t.year, &t.month, &t.dayOfWeek, &t.day, &t.hour, &t.minute, &t.second, &t.milliseconds};
    for (int i = 0; i < 8; ++i) *fields[i] = GetU16(in + 24 + 2 * i);
}

}  // namespace

StatisticsRecord InitialStatistics(const UtcTime& now) {
    StatisticsRecord record;
    record.lastLaunch = now;
    return record;
}

void ParseStatFile(const uint8_t* bytes, std::size_t size, StatisticsRecord& record) {
    if (bytes == nullptr || size < 4) return;
    int32_t length = GetI32(bytes);
    if (length <= 0) return;
    std::size_t take = static_cast<std::size_t>(length < StatisticsRecordBytes ? length : StatisticsRecordBytes);
    if (take > size - 4) take = size - 4;
    // Bytes past what the file holds keep the record's own values.
    uint8_t raw[StatisticsRecordBytes];
    EncodeRecord(record, raw);
    std::memcpy(raw, bytes + 4, take);
    DecodeRecord(raw, record);
}

void EncodeStatFile(const StatisticsRecord& record, uint8_t bytes[StatFileBytes]) {
    PutI32(bytes, StatisticsRecordBytes);
    EncodeRecord(record, bytes + 4);
}

bool ParseUsersFile(const uint8_t* bytes, std::size_t size, int32_t& counter) {
    if (bytes == nullptr || size < 4) return false;
    counter = GetI32(bytes);
    return true;
}

void CountLaunch(StatisticsRecord& record, const UtcTime& now, int installedVersion) {
    record.version = installedVersion;
    if (now.month != record.lastLaunch.month) {
        record.launchesThisMonth = 0;
        record.reserved[0] = record.reserved[1] = 0;
        record.launchesThisMonthCopy = 0;
    }
    record.lastLaunch = now;
    // A damaged file may hold any count; it must not overflow.
    if (record.launchesThisMonth < INT_MAX) record.launchesThisMonth += 1;
    if (record.launchesThisMonthCopy < INT_MAX) record.launchesThisMonthCopy += 1;
}

void StatUploadName(int32_t userId, const UtcTime& now, char* text, std::size_t size) {
    std::snprintf(text, size, "user%i_stat_%02i_%i.bin", static_cast<int>(userId), static_cast<int>(now.month),
                  static_cast<int>(now.year));
}

UtcTime StartTimeUtc() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    int year = 0, month = 0, day = 0;
    TodayUtc(&year, &month, &day);
    // The day of the week of the date the program believes (0 = Sunday).
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = 12;
    std::time_t dateSeconds = timegm(&date);
    std::tm dated{};
    gmtime_r(&dateSeconds, &dated);
    UtcTime t{};
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.dayOfWeek = static_cast<uint16_t>(dated.tm_wday);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(utc.tm_hour);
    t.minute = static_cast<uint16_t>(utc.tm_min);
    t.second = static_cast<uint16_t>(utc.tm_sec);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

bool SendStatistics(netbuf* connection, int installedVersion, const UtcTime& now, Exchange& exchange,
                    StatisticsRecord& result) {
    StatisticsRecord record = InitialStatistics(now);
    char statPath[PathCapacity], usersPath[PathCapacity];
    if (!UserPath("stat.bin", statPath, sizeof statPath) || !UserPath("users.bin", usersPath, sizeof usersPath)) {
        result = record;
        return false;
    }
    uint8_t bytes[StatFileBytes + 1];
    std::size_t got = 0;
    if (ReadSmallFile(statPath, bytes, sizeof bytes, got)) ParseStatFile(bytes, got, record);

    // The exit screen goes by the launches as stored even when the service's folder cannot be opened.
    if (!FtpChdir("stats", connection)) {
        result = record;
        return false;
    }
    bool counted = false;
    do {
        if (record.userId < 0) {
            int32_t counter = -1;
            char temporary[PathCapacity + 32];
            TemporaryName(usersPath, temporary, sizeof temporary);
            bool downloaded = DownloadWhole(connection, temporary, "users.bin", SmallFileLimitBytes, exchange);
            if (downloaded) {
                uint8_t users[8];
                std::size_t usersGot = 0;
                if (!ReadSmallFile(temporary, users, sizeof users, usersGot) || !ParseUsersFile(users, usersGot, counter)) {
                    counter = -1;  // an empty or cut counter counts as none
                }
            }
            std::remove(temporary);
            // Only a server that says the counter is not there starts it at 0. A transfer that broke
            // off registers nobody: it would set the service's counter back to 0 and hand out ids twice.
            if (!downloaded && std::strncmp(FtpLastResponse(connection), "550", 3) != 0) break;
            // A counter that cannot grow (damaged on the server) registers nobody this time.
            if (counter < -1 || counter == INT_MAX) break;
            record.userId = counter + 1;
            uint8_t users[4];
            PutI32(users, record.userId);
            if (!WriteFileThroughTemporary(usersPath, users, sizeof users, exchange)) break;
            FtpPut(usersPath, "users.bin", FTPLIB_IMAGE, connection);
        }
        CountLaunch(record, now, installedVersion);
        EncodeStatFile(record, bytes);
        if (!WriteFileThroughTemporary(statPath, bytes, StatFileBytes, exchange)) break;
        counted = true;
        char name[64];
        StatUploadName(record.userId, now, name, sizeof name);
        FtpPut(statPath, name, FTPLIB_IMAGE, connection);
    } while (false);
    FtpCDUp(connection);
    result = record;
    return counted;
}

// The online service's local side: address checks, damaged statistics files, update paths, the abandoned
// exchange. The choice of an offered update is played end to end by the integration tests.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>

#include "online/online_files.h"
#include "online/service.h"
#include "online/statistics.h"
#include "online/update.h"

namespace {

TEST(ServiceAddress, AcceptsHostAndPort) {
    ServiceAddress a;
    ASSERT_TRUE(ParseServiceAddress("ftp.example-host.org", a));
    EXPECT_STREQ(a.host, "ftp.example-host.org");
    EXPECT_EQ(a.port, 21);
    EXPECT_STREQ(a.ftplibText, "ftp.example-host.org:21");
    ASSERT_TRUE(ParseServiceAddress("127.0.0.1:2121", a));
    EXPECT_EQ(a.port, 2121);
    EXPECT_TRUE(ParseServiceAddress("h:1", a));
    EXPECT_TRUE(ParseServiceAddress("h:65535", a));
}

TEST(ServiceAddress, RefusesWhatWouldCrashOrMisleadTheClient) {
    ServiceAddress a;
    const char* bad[] = {"",           nullptr,      "host:",     "host:ftp",  "host:0",      "host:65536",
                         "host:99999999", "host:-1", "host:21x", ":21",       "ho st",       "host/x",
                         "host:21:22", ".host",      "host-",     "h\xC3\xA9", "host;rm",     "host:+21"};
    for (const char* text : bad) EXPECT_FALSE(ParseServiceAddress(text, a)) << (text ? text : "(null)");
    std::string longHost(300, 'a');
    EXPECT_FALSE(ParseServiceAddress(longHost.c_str(), a));
}

UtcTime Time(int year, int month, int day) {
    UtcTime t{};
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    return t;
}

TEST(StatFile, RoundTripIsFortyFourLittleEndianBytes) {
    StatisticsRecord r = InitialStatistics(Time(2011, 3, 5));
    r.userId = 17;
    r.launchesThisMonth = 3;
    r.launchesThisMonthCopy = 3;
    r.version = 124;
    r.lastLaunch.hour = 13;
    uint8_t bytes[StatFileBytes];
    EncodeStatFile(r, bytes);
    EXPECT_EQ(bytes[0], 40);
    EXPECT_EQ(bytes[4], 17);
    EXPECT_EQ(bytes[24], 124);
    EXPECT_EQ(bytes[28], 0xDB);  // 2011 = 0x07DB, low byte first
    EXPECT_EQ(bytes[29], 0x07);
    EXPECT_EQ(bytes[30], 3);  // month
    EXPECT_EQ(bytes[36], 13);  // hour
    StatisticsRecord back;
    ParseStatFile(bytes, sizeof bytes, back);
    EXPECT_EQ(back.userId, 17);
    EXPECT_EQ(back.launchesThisMonth, 3);
    EXPECT_EQ(back.version, 124);
    EXPECT_EQ(back.lastLaunch.year, 2011);
    EXPECT_EQ(back.lastLaunch.hour, 13);
}

TEST(StatFile, DamagedLengthsAreReadSafely) {
    StatisticsRecord source;
    source.userId = 5;
    source.launchesThisMonth = 9;
    uint8_t bytes[StatFileBytes];
    EncodeStatFile(source, bytes);

    // A negative length reads nothing.
    bytes[0] = 0xFF, bytes[1] = 0xFF, bytes[2] = 0xFF, bytes[3] = 0xFF;
    StatisticsRecord r;
    ParseStatFile(bytes, sizeof bytes, r);
    EXPECT_EQ(r.userId, -1);
    // A huge length reads only the record (and never past the file).
    bytes[0] = 0xFF, bytes[1] = 0xFF, bytes[2] = 0xFF, bytes[3] = 0x7F;
    ParseStatFile(bytes, sizeof bytes, r);
    EXPECT_EQ(r.userId, 5);
    EXPECT_EQ(r.launchesThisMonth, 9);
    // A file cut after 6 record bytes fills only those.
    StatisticsRecord cut;
    ParseStatFile(bytes, 10, cut);
    EXPECT_EQ(cut.userId, 5);
    EXPECT_EQ(cut.launchesThisMonth, 9 & 0xFFFF);
    EXPECT_EQ(cut.version, 100);
    // A length of 4 fills only the id.
    bytes[0] = 4, bytes[1] = bytes[2] = bytes[3] = 0;
    StatisticsRecord shortOne;
    ParseStatFile(bytes, sizeof bytes, shortOne);
    EXPECT_EQ(shortOne.userId, 5);
    EXPECT_EQ(shortOne.launchesThisMonth, 0);
    // Fewer than 4 bytes: no length, nothing read.
    StatisticsRecord tiny;
    ParseStatFile(bytes, 3, tiny);
    EXPECT_EQ(tiny.userId, -1);
}

TEST(UsersFile, ShortCounterIsRefused) {
    const uint8_t bytes[] = {41, 0, 0, 0, 99};
    int32_t counter = 7;
    EXPECT_FALSE(ParseUsersFile(bytes, 0, counter));
    EXPECT_FALSE(ParseUsersFile(bytes, 3, counter));
    EXPECT_EQ(counter, 7);
    EXPECT_TRUE(ParseUsersFile(bytes, 5, counter));
    EXPECT_EQ(counter, 41);
}

// The month rule itself (a new month starts at 1, the same month a year later counts on) is played end to end
// by the integration tests; here what a new month clears and a damaged count.
TEST(Statistics, NewMonthClearsTheReservedFieldsAndADamagedCountDoesNotOverflow) {
    StatisticsRecord r = InitialStatistics(Time(2012, 2, 28));
    r.launchesThisMonth = r.launchesThisMonthCopy = 4;
    r.reserved[0] = 99;
    CountLaunch(r, Time(2012, 2, 29), 123);
    EXPECT_EQ(r.reserved[0], 99);
    CountLaunch(r, Time(2012, 3, 1), 124);
    EXPECT_EQ(r.launchesThisMonthCopy, 1);
    EXPECT_EQ(r.reserved[0], 0);
    EXPECT_EQ(r.version, 124);
    r.launchesThisMonth = INT32_MAX;
    CountLaunch(r, Time(2012, 3, 3), 124);
    EXPECT_EQ(r.launchesThisMonth, INT32_MAX);
}

TEST(UpdatePaths, OnlyPathsInsideTheGameFolder) {
    const char* good[] = {"shapes", "data/fon.tga", "music/a.ogg", "a..b", ".hidden"};
    for (const char* path : good) EXPECT_TRUE(IsSafeUpdatePath(path)) << path;
    const char* bad[] = {nullptr, "", "/etc/passwd", "../x", "data/../../x", "..", ".", "data//x", "data/",
                         "data\\x", "c:x", "./shapes", "a/./b", "a\nb"};
    for (const char* path : bad) EXPECT_FALSE(IsSafeUpdatePath(path)) << (path ? path : "(null)");
}

TEST(Exchange, AbandonedWorkerCannotCommit) {
    Exchange e;
    char path[] = "online_test_commit.bin";
    std::remove(path);
    const uint8_t data[] = {1, 2, 3};
    EXPECT_TRUE(WriteFileThroughTemporary(path, data, sizeof data, e));
    uint8_t back[8];
    std::size_t got = 0;
    EXPECT_TRUE(ReadSmallFile(path, back, sizeof back, got));
    EXPECT_EQ(got, 3u);
    // The main thread gave up on the exchange: nothing lands any more.
    EXPECT_FALSE(AwaitExchange(e, 0));
    const uint8_t other[] = {9};
    EXPECT_FALSE(WriteFileThroughTemporary(path, other, sizeof other, e));
    EXPECT_TRUE(ReadSmallFile(path, back, sizeof back, got));
    EXPECT_EQ(got, 3u);
    EXPECT_FALSE(PublishExchange(e, [] {}));
    std::remove(path);
}

}  // namespace

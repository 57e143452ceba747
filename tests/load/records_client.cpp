// One player's end of a game against the service, with the game's own records code: the shared table
// fetched, a score placed and named, the table saved and uploaded. The load test starts many at once.
// Usage: records_client DIR VARIANT NAME SCORE START_MS [fetch]
// (START_MS: Unix time in ms to begin at; "fetch": only the records screen's download)
// Prints "fetch_ms=N store_ms=N place=N final_place=N saved=0|1".
#include <ftplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "online/service.h"
#include "store/records.h"

int main(int argc, char** argv) {
    const bool fetchOnly = argc == 7 && std::strcmp(argv[6], "fetch") == 0;
    if ((argc != 6 && !fetchOnly) || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: records_client DIR VARIANT NAME SCORE START_MS [fetch]\n");
        return 2;
    }
    FtpInit();
    mkdir("records", 0755);
    SetRecordsVariant(std::atoi(argv[2]));
    const int32_t score = std::atoi(argv[4]);
    const auto start = std::chrono::system_clock::time_point(std::chrono::milliseconds(std::atoll(argv[5])));
    std::this_thread::sleep_until(start);

    int64_t began = SteadyMs();
    FetchRecords();
    int64_t fetched = SteadyMs();
    if (fetchOnly) {
        std::printf("fetch_ms=%lld\n", static_cast<long long>(fetched - began));
        return 0;
    }
    int place = InsertRecord(score);
    recordsScreenState.playerPlace = place;
    TypedName name{};
    std::snprintf(name.text, sizeof name.text, "%s", argv[3]);
    name.length = static_cast<int32_t>(std::strlen(name.text));
    CopyNameIntoRecord(records.table, place, name);
    bool saved = StoreRecords();
    int64_t stored = SteadyMs();
    std::printf("fetch_ms=%lld store_ms=%lld place=%d final_place=%d saved=%d\n",
                static_cast<long long>(fetched - began), static_cast<long long>(stored - fetched), place,
                recordsScreenState.playerPlace, saved ? 1 : 0);
    return 0;
}

// The shared table's lock on the service: a folder "<table>.lock" holding one folder named after its
// holder. Waiting clients poll; a holder seen unchanged for longer than any holder may hold is removed.
#include "online/table_lock.h"

#include <ftplib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string_view>
#include <thread>

#include "online/service.h"

namespace {

enum class Listing : uint8_t { Read, Missing, Lost };

// The holder's name inside the lock folder, read through a listing; "" when the folder is empty.
// Lost: the connection could not return to the table's folder.
Listing ReadHolder(netbuf* connection, const char* folder, const char* home, char (&holder)[64]) {
    holder[0] = 0;
    // Some servers list a missing folder as an empty one: entering it tells them apart.
    if (!FtpChdir(folder, connection)) return Listing::Missing;
    netbuf* data = nullptr;
    char listing[512] = {};
    int got = 0;
    if (FtpAccess(nullptr, FTPLIB_DIR, FTPLIB_ASCII, connection, &data)) {
        for (int n; got < static_cast<int>(sizeof listing) - 1 &&
                    (n = FtpRead(listing + got, static_cast<int>(sizeof listing) - 1 - got, data)) > 0;) {
            got += n;
        }
        FtpClose(data);
    }
    // Back by the full path: the holder may have removed the folder meanwhile.
    bool back = (home[0] != 0 ? FtpChdir(home, connection) : FtpCDUp(connection)) != 0;
    // The first line, without a path some servers put before it.
    listing[got] = 0;
    char* end = std::strpbrk(listing, "\r\n");
    if (end != nullptr) *end = 0;
    const char* name = std::strrchr(listing, '/');
    name = name != nullptr ? name + 1 : listing;
    const std::size_t length = strnlen(name, sizeof holder - 1);
    std::memcpy(holder, name, length);
    holder[length] = 0;
    return back ? Listing::Read : Listing::Lost;
}

void Pause(std::mt19937& random, int64_t untilMs) {
    int64_t ms = std::uniform_int_distribution<int>(10, 40)(random);
    int64_t left = untilMs - SteadyMs();
    if (ms > left) ms = left > 0 ? left : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

void UniqueToken(char (&token)[17]) {
    std::random_device device;
    uint64_t value = (static_cast<uint64_t>(device()) << 32) ^ device() ^ static_cast<uint64_t>(getpid()) ^
                     static_cast<uint64_t>(SteadyMs()) << 20;
    std::snprintf(token, sizeof token, "%016llx", static_cast<unsigned long long>(value));
}

TableLockResult TakeTableLock(netbuf* connection, const char* table, const char (&token)[17], int64_t untilMs,
                              Exchange& exchange, TableLock& lock) {
    std::snprintf(lock.folder, sizeof lock.folder, "%s.lock", table);
    std::snprintf(lock.holder, sizeof lock.holder, "%s/%s", lock.folder, token);
    std::mt19937 random(static_cast<uint32_t>(std::hash<std::string_view>{}(token)));
    char seen[64] = {};
    int64_t seenSinceMs = -1, checkAtMs = 0;
    int missing = 0;
    char home[256] = {};
    if (!FtpPwd(home, sizeof home, connection)) home[0] = 0;
    while (SteadyMs() < untilMs && !exchange.stop.load()) {
        if (FtpMkdir(lock.folder, connection)) {
            if (FtpMkdir(lock.holder, connection)) {
                lock.heldSinceMs = SteadyMs();
                return TableLockResult::Held;
            }
            // Either the lock was broken right between the two steps, or this server makes no folder
            // inside a new one.
            FtpRmdir(lock.folder, connection);
            if (++missing >= 3) return TableLockResult::Unsupported;
            continue;
        }
        int64_t now = SteadyMs();
        if (now < checkAtMs) {
            Pause(random, untilMs);
            continue;
        }
        // Who holds it, now and again once a holder may have held it for its longest.
        char holder[64];
        Listing listing = ReadHolder(connection, lock.folder, home, holder);
        if (listing == Listing::Lost) return TableLockResult::Busy;
        if (listing == Listing::Missing) {
            // Refused, yet not there: either it was just released, or this server lets nobody create it.
            if (++missing >= 3) return TableLockResult::Unsupported;
            continue;
        }
        missing = 0;
        if (seenSinceMs < 0 || std::strcmp(holder, seen) != 0) {
            std::snprintf(seen, sizeof seen, "%s", holder);
            seenSinceMs = now;
        } else if (now - seenSinceMs > TableLockStaleMs) {
            // Abandoned. Only the client that removes the holder's folder removes the lock, so two
            // waiters never both break it.
            char stale[sizeof lock.folder + sizeof holder + 1];
            std::snprintf(stale, sizeof stale, "%s/%s", lock.folder, holder);
            if (holder[0] == 0 || FtpRmdir(stale, connection)) FtpRmdir(lock.folder, connection);
            seenSinceMs = -1;
            checkAtMs = 0;
            continue;
        }
        checkAtMs = seenSinceMs + TableLockStaleMs + 1;
        Pause(random, untilMs);
    }
    return TableLockResult::Busy;
}

bool TableLockFresh(const TableLock& lock) {
    return SteadyMs() - lock.heldSinceMs < TableLockHoldMs;
}

void ReleaseTableLock(netbuf* connection, const TableLock& lock) {
    // A holder whose lock was broken as abandoned must not remove the next holder's lock.
    if (FtpRmdir(lock.holder, connection)) FtpRmdir(lock.folder, connection);
}

// A lock on the service's shared table, made of folders, so that uploads of many players one after
// another each keep what the others placed. FTP has no lock of its own; creating a folder is the one
// step a server lets only one client win.
#pragma once
#include <cstdint>

typedef struct NetBuf netbuf;
struct Exchange;

// How long a holder may keep the lock, and how long another client must see the same holder before it
// takes the lock for abandoned (its holder's game was closed or lost its line).
constexpr int64_t TableLockHoldMs = 2000;
constexpr int64_t TableLockStaleMs = 3000;

enum class TableLockResult : uint8_t {
    Held,         // this client holds the lock
    Unsupported,  // the server lets nobody create the lock folder: go on without it
    Busy,         // others held it until untilMs, or the exchange was stopped
};

struct TableLock {
    char folder[96] = {};   // "<table>.lock" beside the table
    char holder[128] = {};  // "<table>.lock/<token>": which client holds it
    int64_t heldSinceMs = 0;
};

// A name no other client of any machine uses: 16 hexadecimal digits.
void UniqueToken(char (&token)[17]);
// Takes the lock of table (a file name in the connection's current folder) before untilMs (steady);
// token is this client's UniqueToken.
TableLockResult TakeTableLock(netbuf* connection, const char* table, const char (&token)[17], int64_t untilMs,
                              Exchange& exchange, TableLock& lock);
// True while the holder may still change the table: the commit must come before this turns false.
bool TableLockFresh(const TableLock& lock);
void ReleaseTableLock(netbuf* connection, const TableLock& lock);

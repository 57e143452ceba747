// The connection to the online service: its address, the two accounts, bounded FTP exchanges on workers.
#pragma once
#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <mutex>

typedef struct NetBuf netbuf;

constexpr int ServiceHostBytes = 256;

struct ServiceAddress {
    char host[ServiceHostBytes] = {};
    int port = 21;
    char ftplibText[ServiceHostBytes + 8] = {};  // "host:port", what FtpConnect is given
};

// Checks "host[:port]": host of letters, digits, '.', '-' and '_' (not starting or ending with '.' or
// '-'), an optional decimal port 1..65535. Anything else is refused before ftplib ever sees it, because
// FtpConnect crashes on a port that is not a number. False when the text is not a valid address.
bool ParseServiceAddress(const char* text, ServiceAddress& address);
// The address from PELORINA_SERVICE, else the built-in one; false when neither is set or valid, and
// then no connection is ever made.
bool ConfiguredService(ServiceAddress& address);

// The two accounts of the service.
constexpr const char* RecordsUser = "pelorina";
constexpr const char* RecordsPassword = "bluefence7!";
constexpr const char* UpdateUser = "pelorina_full";
constexpr const char* UpdatePassword = "skyhat4!";

// Milliseconds of a steady clock, independent of the game clock (which --frame-ms may fix).
int64_t SteadyMs();

// What a worker and the main thread share for one exchange. The worker owns the FTP connection and its
// temporary files. Every step that changes a local file the player keeps, and the hand-over of the
// results, happens under commitLock and only while abandoned is false; the main thread sets abandoned
// under the same lock when it stops waiting, so an abandoned worker never touches a local file again.
// The address the control connection went to. Data connections go to that host only, whatever a
// server's passive-mode reply names: a hostile server must not send the game to another machine.
struct ServicePeer {
    sockaddr_storage address{};
    socklen_t length = 0;
    bool known = false;
};

struct Exchange {
    std::mutex commitLock;
    ServicePeer peer;                    // written while connecting, before any data transfer
    bool abandoned = false;              // under commitLock
    bool resultReady = false;            // under commitLock; results below are then complete
    std::atomic<bool> finished{false};   // the worker has published its result (or given up)
    std::atomic<bool> stop{false};       // data transfers fail at their next idle tick
    std::atomic<bool> aborted{false};    // the last data transfer was cut by the tick
    std::atomic<int64_t> deadlineMs{0};  // steady ms after which transfers fail; 0 = none
    std::atomic<int64_t> progressMs{0};  // steady ms of the last sign of life of the transfer
    std::atomic<uint64_t> lastBytes{0};
    int64_t stallMs = 0;                 // a transfer with no new bytes for this long fails; 0 = none
    std::atomic<uint64_t> byteLimit{0};  // a download growing past this many bytes fails; 0 = none
};

// What a download may bring at the most: the small files of the service (a records table, the update
// list, the user counter), and a file of an update.
constexpr uint64_t SmallFileLimitBytes = 1u << 20;
constexpr uint64_t UpdateFileLimitBytes = 256u << 20;

// Connects and logs in; false (with the connection closed) on any failure, including a server that
// answers the login with anything but 230. Data transfers of the connection then fail when the
// exchange's deadline passes, its stall time runs out, or it is told to stop.
bool OpenService(const ServiceAddress& address, const char* user, const char* password, Exchange& exchange,
                 netbuf** connection);
// Makes the connection's data transfers answer to this exchange's deadline, stall time and stop, and
// keeps this thread's data connections to the exchange's peer host. Call it on the thread that then
// uses the connection.
void WatchTransfers(Exchange& exchange, netbuf* connection);
// Downloads remote into local and reports success only for a whole file: the transfer was not cut,
// the server confirmed it, the size matches what the server announced (when it announces one), and
// it is not larger than limitBytes (a server that sends without end is cut off there).
bool DownloadWhole(netbuf* connection, const char* local, const char* remote, uint64_t limitBytes,
                   Exchange& exchange);
// Ends the connection once; the handle is cleared.
void CloseService(netbuf** connection);

// Main thread: waits until the worker has published its result or untilMs (steady) has passed, then
// closes the hand-over: the exchange is abandoned from here on and its transfers stop. True when the
// result was published in time; the result fields may then be read.
bool AwaitExchange(Exchange& exchange, int64_t untilMs);
// Worker: publishes the result (filled in by publish under the lock) unless abandoned. False when the
// exchange was abandoned, in which case the worker must not touch local files any more.
template <typename Publish>
bool PublishExchange(Exchange& exchange, Publish publish) {
    std::lock_guard<std::mutex> lock(exchange.commitLock);
    if (exchange.abandoned) return false;
    publish();
    exchange.resultReady = true;
    exchange.finished = true;
    return true;
}

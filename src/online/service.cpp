// The connection to the online service: address checks, login, and the deadline of data transfers.
#include "online/service.h"

#include <arpa/inet.h>
#include <ftplib.h>
#include <netinet/in.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifndef PELORINA_SERVICE
#define PELORINA_SERVICE ""
#endif

// ftplib's own connect calls (the library is linked statically with --wrap=connect) come here: the
// control connection's address is noted, and a data connection to any other host is refused.
extern "C" int __real_connect(int fd, const sockaddr* address, socklen_t length);

namespace {

thread_local ServicePeer* capturingPeer = nullptr;      // set while FtpConnect runs
thread_local const ServicePeer* allowedPeer = nullptr;  // data connections of this thread go only there

bool SameHost(const sockaddr* address, const ServicePeer& peer) {
    const sockaddr* known = reinterpret_cast<const sockaddr*>(&peer.address);
    if (address->sa_family != known->sa_family) return false;
    if (address->sa_family == AF_INET) {
        return reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in*>(known)->sin_addr.s_addr;
    }
    if (address->sa_family == AF_INET6) {
        return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr,
                           &reinterpret_cast<const sockaddr_in6*>(known)->sin6_addr, sizeof(in6_addr)) == 0;
    }
    return false;
}

}  // namespace

extern "C" int __wrap_connect(int fd, const sockaddr* address, socklen_t length) {
    if (capturingPeer != nullptr && address != nullptr && length <= sizeof capturingPeer->address) {
        std::memcpy(&capturingPeer->address, address, length);
        capturingPeer->length = length;
        capturingPeer->known = true;
    } else if (allowedPeer != nullptr && address != nullptr &&
               (!allowedPeer->known || !SameHost(address, *allowedPeer))) {
        errno = ECONNREFUSED;
        return -1;
    }
    return __real_connect(fd, address, length);
}

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

// ftplib calls this every idle period and every few kilobytes of a data transfer; returning 0 fails it.
int TransferTick(netbuf*, fsz_t transferred, void* argument) {
    Exchange& exchange = *static_cast<Exchange*>(argument);
    int64_t now = SteadyMs();
    uint64_t bytes = static_cast<uint64_t>(transferred);
    if (bytes != exchange.lastBytes.load()) {
        exchange.lastBytes = bytes;
        exchange.progressMs = now;
    }
    int64_t deadline = exchange.deadlineMs.load();
    const uint64_t limit = exchange.byteLimit.load();
    bool cut = exchange.stop.load() || (deadline != 0 && now > deadline) || (limit != 0 && bytes > limit) ||
               (exchange.stallMs != 0 && now - exchange.progressMs.load() > exchange.stallMs);
    if (cut) exchange.aborted = true;
    return cut ? 0 : 1;
}

}  // namespace

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ParseServiceAddress(const char* text, ServiceAddress& address) {
    address = ServiceAddress{};
    if (text == nullptr || text[0] == 0) return false;
    const char* colon = std::strchr(text, ':');
    std::size_t hostLength = colon != nullptr ? static_cast<std::size_t>(colon - text) : std::strlen(text);
    if (hostLength == 0 || hostLength >= ServiceHostBytes) return false;
    for (std::size_t i = 0; i < hostLength; ++i) {
        if (!IsHostChar(text[i])) return false;
    }
    char first = text[0], last = text[hostLength - 1];
    if (first == '.' || first == '-' || last == '.' || last == '-') return false;
    int port = 21;
    if (colon != nullptr) {
        const char* digits = colon + 1;
        std::size_t count = std::strlen(digits);
        if (count == 0 || count > 5) return false;
        port = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (digits[i] < '0' || digits[i] > '9') return false;
            port = port * 10 + (digits[i] - '0');
        }
        if (port < 1 || port > 65535) return false;
    }
    std::memcpy(address.host, text, hostLength);
    address.host[hostLength] = 0;
    address.port = port;
    std::snprintf(address.ftplibText, sizeof address.ftplibText, "%s:%d", address.host, port);
    return true;
}

bool ConfiguredService(ServiceAddress& address) {
    const char* fromEnvironment = std::getenv("PELORINA_SERVICE");
    if (fromEnvironment != nullptr && fromEnvironment[0] != 0)
        return ParseServiceAddress(fromEnvironment, address);
    return ParseServiceAddress(PELORINA_SERVICE, address);
}

bool OpenService(const ServiceAddress& address, const char* user, const char* password, Exchange& exchange,
                 netbuf** connection) {
    // A server that hangs up makes the next write raise SIGPIPE, which would end the game; the write
    // must fail instead.
    static std::once_flag ignorePipe;
    std::call_once(ignorePipe, [] { std::signal(SIGPIPE, SIG_IGN); });
    *connection = nullptr;
    exchange.peer = ServicePeer{};
    capturingPeer = &exchange.peer;
    const bool connected = FtpConnect(address.ftplibText, connection) != 0;
    capturingPeer = nullptr;
    if (!connected) {
        *connection = nullptr;
        return false;
    }
    // A server that hung up during the login still lets FtpLogin succeed; only 230 means logged in.
    if (!FtpLogin(user, password, *connection) || std::strncmp(FtpLastResponse(*connection), "230", 3) != 0) {
        CloseService(connection);
        return false;
    }
    WatchTransfers(exchange, *connection);
    return true;
}

void WatchTransfers(Exchange& exchange, netbuf* connection) {
    allowedPeer = &exchange.peer;
    exchange.progressMs = SteadyMs();
    FtpCallbackOptions options{};
    options.cbFunc = TransferTick;
    options.cbArg = &exchange;
    options.bytesXferred = 4096;
    options.idleTime = 200;  // ms between ticks while no data arrives
    FtpSetCallback(&options, connection);
}

bool DownloadWhole(netbuf* connection, const char* local, const char* remote, uint64_t limitBytes,
                   Exchange& exchange) {
    if (exchange.stop.load()) return false;
    unsigned int announced = 0;
    bool known = FtpSize(remote, &announced, FTPLIB_IMAGE, connection) != 0;
    if (known && announced > limitBytes) return false;
    exchange.aborted = false;
    exchange.progressMs = SteadyMs();
    exchange.byteLimit = limitBytes;
    // ftplib takes a cut data line for the end of the file; only the tick knows it was cut.
    const bool got = FtpGet(local, remote, FTPLIB_IMAGE, connection) != 0;
    exchange.byteLimit = 0;
    if (!got || exchange.aborted.load()) return false;
    struct stat file {};
    if (stat(local, &file) != 0 || static_cast<uint64_t>(file.st_size) > limitBytes) return false;
    return !known || static_cast<uint64_t>(file.st_size) == announced;
}

void CloseService(netbuf** connection) {
    if (*connection == nullptr) return;
    FtpQuit(*connection);
    *connection = nullptr;
}

bool AwaitExchange(Exchange& exchange, int64_t untilMs) {
    while (!exchange.finished.load() && SteadyMs() < untilMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::lock_guard<std::mutex> lock(exchange.commitLock);
    exchange.abandoned = true;
    exchange.stop = true;
    return exchange.resultReady;
}

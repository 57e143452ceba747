// Local files of the online exchanges: temporary names, small reads, guarded renames, path checks.
#include "online/online_files.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "online/service.h"
#include "platform/file_read.h"
#include "store/paths.h"

namespace {
std::atomic<unsigned> temporaryCounter{0};
}

void TemporaryName(const char* target, char* text, std::size_t size) {
    std::snprintf(text, size, "%s.part%d-%u", target, static_cast<int>(getpid()),
                  temporaryCounter.fetch_add(1));
}

bool ReadSmallFile(const char* path, uint8_t* bytes, std::size_t capacity, std::size_t& got) {
    got = 0;
    FILE* file = OpenRegularFile(path);
    if (file == nullptr) return false;
    got = std::fread(bytes, 1, capacity, file);
    std::fclose(file);
    return true;
}

bool CommitFile(const char* temporary, const char* target, Exchange& exchange) {
    std::lock_guard<std::mutex> lock(exchange.commitLock);
    if (exchange.abandoned) {
        std::remove(temporary);
        return false;
    }
    if (std::rename(temporary, target) != 0) {
        std::remove(temporary);
        return false;
    }
    return true;
}

bool WriteFileThroughTemporary(const char* target, const uint8_t* bytes, std::size_t size,
                               Exchange& exchange) {
    char temporary[512];
    TemporaryName(target, temporary, sizeof temporary);
    FILE* file = std::fopen(temporary, "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(bytes, 1, size, file) == size;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary);
        return false;
    }
    return CommitFile(temporary, target, exchange);
}

namespace {

// The process of a temporary name made by TemporaryName, or -1 when the name is not one.
long TemporaryOwner(const char* name) {
    const char* part = std::strstr(name, ".part");
    if (part == nullptr) return -1;
    for (const char* next; (next = std::strstr(part + 1, ".part")) != nullptr;) part = next;
    const char* p = part + 5;
    long pid = 0;
    if (*p < '0' || *p > '9') return -1;
    while (*p >= '0' && *p <= '9' && pid < 100000000) pid = pid * 10 + (*p++ - '0');
    if (*p++ != '-' || *p < '0' || *p > '9') return -1;
    while (*p >= '0' && *p <= '9') ++p;
    return *p == 0 ? pid : -1;
}

}  // namespace

void RemoveStaleTemporaryFiles() {
    namespace fs = std::filesystem;
    std::error_code error;
    // Downloads are made beside the files they replace, all of them in the player's folder.
    const char* folder = gameFolders.userFolder[0] != 0 ? gameFolders.userFolder : ".";
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
    for (int seen = 0; !error && walk != fs::recursive_directory_iterator() && seen < 100000; ++seen) {
        const fs::directory_entry& entry = *walk;
        if (walk.depth() >= 4) walk.disable_recursion_pending();  // update files sit a few folders deep
        if (entry.is_regular_file(error) && !entry.is_symlink(error)) {
            long pid = TemporaryOwner(entry.path().filename().c_str());
            if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                fs::remove(entry.path(), error);
        }
        walk.increment(error);
    }
}

bool IsSafeUpdatePath(const char* path) {
    if (path == nullptr || path[0] == 0 || path[0] == '/') return false;
    const char* component = path;
    for (const char* p = path;; ++p) {
        char c = *p;
        if (c == '\\' || c == ':' || (c > 0 && c < 0x20) || c == 0x7F) return false;
        if (c == '/' || c == 0) {
            std::size_t length = static_cast<std::size_t>(p - component);
            if (length == 0) return false;
            if (length == 1 && component[0] == '.') return false;
            if (length == 2 && component[0] == '.' && component[1] == '.') return false;
            if (c == 0) return true;
            component = p + 1;
        }
    }
}

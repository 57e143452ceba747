// The update check and self-update: a worker looks for a newer version (and sends the statistics); on
// the player's Y a second worker installs the update's files on the same connection.
#include "online/update.h"

#include <ftplib.h>
#include <sys/stat.h>
#include <tinyxml2.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "online/online_files.h"
#include "online/service.h"
#include "online/statistics.h"
#include "platform/file_read.h"
#include "store/paths.h"
#include "store/profile.h"

// Packagers may build the games without the check (no connection is ever made for it) or without
// the self-update (an offer is then only announced).
#ifndef PELORINA_UPDATE_CHECK
#define PELORINA_UPDATE_CHECK 1
#endif
#ifndef PELORINA_SELF_UPDATE
#define PELORINA_SELF_UPDATE 1
#endif

std::atomic<bool> updateAvailable{false};

namespace {

constexpr int64_t ApplyStallMs = 5000;  // the apply step is given up after this long without progress
// The whole apply step, however steadily bytes trickle in: a real update takes a fraction of this.
constexpr int64_t ApplyDeadlineMs = 120000;

// The resolved target stays inside the resolved game folder: a link inside the folder that leads out
// of it does not count as inside.
bool InsideFolder(const std::filesystem::path& resolved, const std::filesystem::path& folder) {
    std::filesystem::path relative = resolved.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

struct CheckExchange : Exchange {
    ServiceAddress address;
    int installed = -1;
    UtcTime now{};
    // Results, published under the commit lock.
    bool found = false;
    char offered[16] = {};
    StatisticsRecord statistics;
    netbuf* connection = nullptr;  // kept open for the apply step when an update was found
    tinyxml2::XMLDocument list;    // the loaded update.xml; the chosen element lives in it
    const tinyxml2::XMLElement* chosen = nullptr;
};

struct ApplyExchange : Exchange {
    std::shared_ptr<CheckExchange> check;  // holds the connection and the chosen element
    char offered[16] = {};
    // Results, written under the commit lock.
    bool allSucceeded = false;
    bool programReplaced = false;
    char partPath[1200] = {};  // under the commit lock: the download in progress, removed if abandoned
};

// The apply step is given up: no file of it changes any more, and its download in progress goes.
void AbandonApply(ApplyExchange& e) {
    e.abandoned = true;
    e.stop = true;
    if (e.partPath[0] != 0) std::remove(e.partPath);
    e.partPath[0] = 0;
}

// What the main thread knows; only the main thread touches it.
struct UpdateState {
    std::shared_ptr<CheckExchange> check;
    std::shared_ptr<ApplyExchange> apply;
    char offeredVersion[16] = "0.0.0";
    bool applyEnded = false;
    bool succeeded = false;
    bool programReplaced = false;
};

UpdateState state;

#if PELORINA_UPDATE_CHECK
void UpdateCheckWorker(std::shared_ptr<CheckExchange> shared) {
    CheckExchange& e = *shared;
    netbuf* connection = nullptr;
    StatisticsRecord statistics;
    const tinyxml2::XMLElement* chosen = nullptr;
    if (OpenService(e.address, UpdateUser, UpdatePassword, e, &connection)) {
        SendStatistics(connection, e.installed, e.now, e, statistics);
        char target[PathCapacity], temporary[PathCapacity + 32];
        UserPath("update.xml", target, sizeof target);
        TemporaryName(target, temporary, sizeof temporary);
        if (FtpChdir("updates.1.1", connection) &&
            DownloadWhole(connection, temporary, "update.xml", SmallFileLimitBytes, e) &&
            LoadXmlDocument(e.list, temporary)) {
            chosen = ChooseUpdate(e.list, e.installed);
            CommitFile(temporary, target, e);
        }
        std::remove(temporary);
    }
    bool published = PublishExchange(e, [&] {
        e.statistics = statistics;
        e.chosen = chosen;
        e.found = chosen != nullptr;
        if (e.found) {
            std::snprintf(e.offered, sizeof e.offered, "%s", chosen->Attribute("version"));
            e.connection = connection;  // handed over to the apply step
        }
    });
    if (!published || chosen == nullptr) CloseService(&connection);
}
#endif

#if PELORINA_UPDATE_CHECK && PELORINA_SELF_UPDATE
// Installs one file of the update; false when it could not.
bool ApplyFile(ApplyExchange& e, netbuf* connection, const tinyxml2::XMLElement& file) {
    namespace fs = std::filesystem;
    const char* path = file.Attribute("path");
    if (path == nullptr) return true;  // an entry without a path names nothing
    if (!IsSafeUpdatePath(path)) return false;
    const char* task = file.Attribute("task");
    if (task == nullptr) task = "update";
    std::error_code error;
    fs::path folder = fs::current_path(error);
    if (error) return false;
    fs::path target = folder / path;
    fs::path program = fs::canonical("/proc/self/exe", error);
    if (error) return false;
    // Every folder on the way is resolved: none may lead out of the game folder. The file itself is
    // replaced or deleted as the name it is (a link is never followed to delete or write its target).
    fs::path realFolder = fs::canonical(folder, error);
    if (error) return false;
    fs::path realParent = fs::weakly_canonical(target.parent_path(), error);
    if (error || !InsideFolder(realParent, realFolder)) return false;
    target = realParent / target.filename();
    bool isProgram = fs::weakly_canonical(target, error) == program && !error;
    error.clear();
    e.progressMs = SteadyMs();

    if (std::strcmp(task, "cleanup") == 0) {
        if (isProgram) return false;  // the running game is never deleted
        std::lock_guard<std::mutex> lock(e.commitLock);
        if (e.abandoned) return false;
        fs::remove(target, error);  // a file that is not there is fine
        return !error;
    }
    if (std::strcmp(task, "update") != 0) return true;  // other tasks do nothing
    if (e.stop.load()) return false;

    char temporary[1200];
    TemporaryName(target.c_str(), temporary, sizeof temporary);
    {
        std::lock_guard<std::mutex> lock(e.commitLock);
        if (e.abandoned) return false;
        std::snprintf(e.partPath, sizeof e.partPath, "%s", temporary);
    }
    const bool downloaded = DownloadWhole(connection, temporary, path, UpdateFileLimitBytes, e);
    {
        std::lock_guard<std::mutex> lock(e.commitLock);
        e.partPath[0] = 0;
    }
    if (!downloaded) {
        std::remove(temporary);
        return false;
    }
    // The new file keeps the permissions of the one it replaces; the program stays executable.
    struct stat old {};
    if (stat(isProgram ? program.c_str() : target.c_str(), &old) == 0) chmod(temporary, old.st_mode & 07777);
    if (isProgram) chmod(temporary, (old.st_mode & 07777) | 0755);
    if (!isProgram) return CommitFile(temporary, target.c_str(), e);

    std::lock_guard<std::mutex> lock(e.commitLock);
    fs::path backup = folder / "backup.bin";
    if (e.abandoned || std::rename(program.c_str(), backup.c_str()) != 0) {
        std::remove(temporary);
        return false;
    }
    if (std::rename(temporary, program.c_str()) != 0) {
        std::rename(backup.c_str(), program.c_str());
        std::remove(temporary);
        return false;
    }
    e.programReplaced = true;
    return true;
}

void UpdateApplyWorker(std::shared_ptr<ApplyExchange> shared) {
    ApplyExchange& e = *shared;
    netbuf* connection = e.check->connection;
    e.peer = e.check->peer;
    WatchTransfers(e, connection);  // the check's exchange is closed; transfers now answer to this one
    bool all = FtpChdir(e.offered, connection) != 0;
    if (all) {
        for (const tinyxml2::XMLElement* file = e.check->chosen->FirstChildElement("file"); file != nullptr;
             file = file->NextSiblingElement("file")) {
            // A failed file does not stop the others.
            if (!ApplyFile(e, connection, *file)) all = false;
        }
    }
    PublishExchange(e, [&] { e.allSucceeded = all; });
    e.finished = true;
    CloseService(&connection);
}
#endif

}  // namespace

void DeleteBackup() {
    // An installed game never writes under its prefix, and so never left a backup there.
    if (SelfUpdateEnabled()) std::remove("backup.bin");
}

bool SelfUpdateEnabled() { return PELORINA_SELF_UPDATE != 0 && ProgramFolderWritable(); }

const tinyxml2::XMLElement* ChooseUpdate(const tinyxml2::XMLDocument& list, int installedVersion) {
    for (const tinyxml2::XMLElement* update = list.FirstChildElement("update"); update != nullptr;
         update = update->NextSiblingElement("update")) {
        int version = VersionNumber(update->Attribute("version"));
        if (version < 0) return nullptr;  // an invalid entry ends the search
        if (version > installedVersion) return update;
    }
    return nullptr;
}

void StartUpdateCheck() {
    updateAvailable = false;
    if (PELORINA_UPDATE_CHECK == 0) return;
    ServiceAddress address;
    if (!ConfiguredService(address)) return;
    const tinyxml2::XMLElement* current = CurrentVersionElement();
    int installed = current != nullptr ? VersionNumber(current->Attribute("value")) : -1;
    // Without a valid installed version there is no check and no statistics.
    if (installed < 0) return;
    auto e = std::make_shared<CheckExchange>();
    e->address = address;
    e->installed = installed;
    e->now = StartTimeUtc();
    e->stallMs = ApplyStallMs;
    state.check = e;
#if PELORINA_UPDATE_CHECK
    std::thread(UpdateCheckWorker, e).detach();
#endif
}

bool WaitForUpdateCheck(unsigned timeoutMs) {
    if (!state.check) return true;
    bool published = AwaitExchange(*state.check, SteadyMs() + timeoutMs);
    if (!published) {
        state.check.reset();  // the worker keeps its own reference and ends whenever it can
        updateAvailable = false;
        return false;
    }
    CheckExchange& e = *state.check;
    launchesThisMonth = e.statistics.launchesThisMonth;
    if (e.found) std::snprintf(state.offeredVersion, sizeof state.offeredVersion, "%s", e.offered);
    updateAvailable = e.found;
    return true;
}

const char* OfferedVersion() {
    return state.offeredVersion;
}

void StartUpdateApply() {
    if (state.apply || state.applyEnded) return;
    if (!SelfUpdateEnabled() || !state.check || state.check->connection == nullptr || state.check->chosen == nullptr) {
        state.applyEnded = true;
        return;
    }
    auto e = std::make_shared<ApplyExchange>();
    e->check = state.check;
    std::snprintf(e->offered, sizeof e->offered, "%s", state.offeredVersion);
    e->stallMs = ApplyStallMs;
    e->progressMs = SteadyMs();
    e->deadlineMs = SteadyMs() + ApplyDeadlineMs;
    state.apply = e;
#if PELORINA_UPDATE_CHECK && PELORINA_SELF_UPDATE
    std::thread(UpdateApplyWorker, e).detach();
#endif
}

bool UpdateApplyEnded() {
    if (state.applyEnded) return true;
    if (!state.apply) return false;
    ApplyExchange& e = *state.apply;
    const int64_t now = SteadyMs();
    if (!e.finished.load() && now - e.progressMs.load() <= ApplyStallMs && now <= e.deadlineMs.load())
        return false;
    bool published = false;
    {
        std::lock_guard<std::mutex> lock(e.commitLock);
        published = e.resultReady;
        AbandonApply(e);
        state.programReplaced = e.programReplaced;
        state.succeeded = published && e.allSucceeded;
    }
    state.applyEnded = true;
    if (state.succeeded) {
        tinyxml2::XMLElement* current = CurrentVersionElement();
        state.succeeded = current != nullptr;
        if (current != nullptr) {
            current->SetAttribute("value", state.offeredVersion);
            state.succeeded = SaveProfile();
        }
    }
    return true;
}

void AbandonUpdate() {
    if (!state.apply || state.applyEnded) return;
    std::lock_guard<std::mutex> lock(state.apply->commitLock);
    AbandonApply(*state.apply);
}

bool UpdateSucceeded() {
    return state.succeeded;
}

bool ProgramReplaced() {
    return state.programReplaced;
}

const char* UpdateResultText() {
    if (!state.applyEnded) return "none";
    return state.succeeded ? "succeeded" : "failed";
}

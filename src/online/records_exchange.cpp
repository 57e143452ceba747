// The records exchange with the service: download and merged upload of the shared table, each on a
// worker with a bounded wait, so a faulty server cannot hold the records screen.
#include "online/records_exchange.h"

#include <ftplib.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "online/online_files.h"
#include "online/service.h"
#include "online/table_lock.h"
#include "store/records.h"

namespace {

// The service's table as a download found it.
enum class ServiceTable : uint8_t {
    Whole,    // exactly one table's bytes, now in the download's temporary file
    Absent,   // the service has no table yet
    Damaged,  // a file of another size (a cut upload, say): it must not replace a table
    Failed,   // the transfer did not work; nothing is known
};

struct RecordsExchange : Exchange {
    ServiceAddress address;
    bool upload = false;
    char remoteName[64] = {};
    char localPath[512] = {};
    char downloadTemporary[600] = {};
    char mergedTemporary[600] = {};
    char token[17] = {};
    bool hasPlayerEntry = false;
    RecordEntry playerEntry{};
    // Results, published under the commit lock.
    bool downloaded = false;
    bool merged = false;
    int mergedPlace = -1;
    RecordTable table;
    uint8_t bytes[RecordFileBytes];
};

ServiceTable DownloadTable(RecordsExchange& e, netbuf* connection) {
    e.aborted = false;
    e.lastBytes = 0;
    unsigned int announced = 0;
    if (FtpSize(e.remoteName, &announced, FTPLIB_IMAGE, connection) && announced != RecordFileBytes) {
        return ServiceTable::Damaged;
    }
    if (DownloadWhole(connection, e.downloadTemporary, e.remoteName, RecordFileBytes, e)) {
        struct stat file {};
        bool whole = stat(e.downloadTemporary, &file) == 0 && file.st_size == RecordFileBytes;
        return whole ? ServiceTable::Whole : ServiceTable::Damaged;
    }
    // Cut at the table's size: the file is longer than a table.
    if (e.lastBytes.load() > RecordFileBytes && !e.stop.load()) return ServiceTable::Damaged;
    if (e.aborted.load() || e.stop.load()) return ServiceTable::Failed;
    return std::strncmp(FtpLastResponse(connection), "550", 3) == 0 ? ServiceTable::Absent
                                                                    : ServiceTable::Failed;
}

// The downloaded table with the player's entry placed into it, written to the merged temporary file.
bool MergePlayerEntry(RecordsExchange& e, int& place) {
    FillAnonymous(e.table);
    EncodeRecords(e.table, e.bytes);
    std::size_t got = 0;
    if (!ReadSmallFile(e.downloadTemporary, e.bytes, RecordFileBytes, got) || got != RecordFileBytes)
        return false;
    DecodeRecords(e.bytes, e.table);
    place = InsertRecord(e.table, e.playerEntry.score);
    if (place >= 0) std::memcpy(e.table.entries[place].name, e.playerEntry.name, RecordNameBytes);
    EncodeRecords(e.table, e.bytes);
    FILE* file = std::fopen(e.mergedTemporary, "wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(e.bytes, 1, RecordFileBytes, file) == RecordFileBytes;
    return std::fclose(file) == 0 && written;
}

// Uploads local as the service's table: to a name of its own first, then renamed over the table, so a
// cut upload never leaves a torn table behind. A service that refuses the rename gets the table
// directly. The table is replaced only while the lock (when there is one) is still fresh.
bool PutTable(RecordsExchange& e, netbuf* connection, const char* local, const TableLock* lock) {
    char temporary[96];
    std::snprintf(temporary, sizeof temporary, "%s.up-%s", e.remoteName, e.token);
    e.aborted = false;
    bool sent = FtpPut(local, temporary, FTPLIB_IMAGE, connection) != 0 && !e.aborted.load();
    bool inTime = !e.stop.load() && (lock == nullptr || TableLockFresh(*lock));
    if (sent && inTime && FtpRename(temporary, e.remoteName, connection)) return true;
    FtpDelete(temporary, connection);
    if (!sent || !inTime) return false;
    e.aborted = false;
    return FtpPut(local, e.remoteName, FTPLIB_IMAGE, connection) != 0 && !e.aborted.load();
}

// Upload under the table's lock: the service's table as it is now, the player's entry placed in it.
void UploadMerged(RecordsExchange& e, netbuf* connection, bool& merged, int& mergedPlace) {
    TableLock lock;
    // Leave the last second of the exchange for the transfers themselves.
    TableLockResult taken =
        TakeTableLock(connection, e.remoteName, e.token, e.deadlineMs.load() - 1000, e, lock);
    if (taken == TableLockResult::Busy) return;
    const TableLock* held = taken == TableLockResult::Held ? &lock : nullptr;
    ServiceTable found = DownloadTable(e, connection);
    if (found == ServiceTable::Whole && e.hasPlayerEntry) {
        merged = MergePlayerEntry(e, mergedPlace);
        if (merged && mergedPlace >= 0) merged = PutTable(e, connection, e.mergedTemporary, held);
    } else if (found == ServiceTable::Absent || found == ServiceTable::Damaged) {
        // The service has no usable table: this one starts it (or mends it).
        PutTable(e, connection, e.localPath, held);
    }
    if (held != nullptr) ReleaseTableLock(connection, lock);
}

void RecordsWorker(std::shared_ptr<RecordsExchange> shared) {
    RecordsExchange& e = *shared;
    netbuf* connection = nullptr;
    bool downloaded = false, merged = false;
    int mergedPlace = -1;
    if (OpenService(e.address, RecordsUser, RecordsPassword, e, &connection) &&
        FtpChdir("records", connection)) {
        if (e.upload) {
            UploadMerged(e, connection, merged, mergedPlace);
        } else {
            downloaded = DownloadTable(e, connection) == ServiceTable::Whole;
        }
    }
    bool published = PublishExchange(e, [&] {
        e.downloaded = downloaded;
        e.merged = merged;
        e.mergedPlace = mergedPlace;
    });
    if (!published) {
        // Abandoned: the main thread has moved on; only this worker's own files are cleaned up.
        std::remove(e.downloadTemporary);
        std::remove(e.mergedTemporary);
    }
    e.finished = true;
    CloseService(&connection);
}

void RunRecordsExchange(bool upload) {
    ServiceAddress address;
    if (!ConfiguredService(address) || records.localPath == nullptr || records.remoteName == nullptr) return;
    auto e = std::make_shared<RecordsExchange>();
    e->address = address;
    e->upload = upload;
    std::snprintf(e->remoteName, sizeof e->remoteName, "%s", records.remoteName);
    std::snprintf(e->localPath, sizeof e->localPath, "%s", records.localPath);
    TemporaryName(e->localPath, e->downloadTemporary, sizeof e->downloadTemporary);
    TemporaryName(e->localPath, e->mergedTemporary, sizeof e->mergedTemporary);
    UniqueToken(e->token);
    int place = recordsScreenState.playerPlace;
    if (upload && place >= 0 && place < RecordPlaces) {
        e->hasPlayerEntry = true;
        e->playerEntry = records.table.entries[place];
    }
    int64_t until = SteadyMs() + RecordsExchangeLimitMs;
    e->deadlineMs = until;
    std::thread worker(RecordsWorker, e);
    worker.detach();  // the hand-over below is the only meeting point; a stuck worker is left behind
    bool published = AwaitExchange(*e, until);

    if (published && !upload && e->downloaded) {
        if (std::rename(e->downloadTemporary, e->localPath) != 0) std::remove(e->downloadTemporary);
    } else if (published && e->merged && std::rename(e->mergedTemporary, e->localPath) == 0) {
        records.table = e->table;
        recordsScreenState.playerPlace = e->mergedPlace;
    }
    // Whatever is left of the temporary files goes; a worker left behind writes only into names that
    // are gone from the folder by then.
    std::remove(e->downloadTemporary);
    std::remove(e->mergedTemporary);
}

}  // namespace

void DownloadRecords() {
    RunRecordsExchange(false);
}

void UploadRecords() {
    RunRecordsExchange(true);
}

// The records exchange with the service: download and merged upload of the shared table, each on a
// worker with a bounded wait, so a faulty server cannot hold the records screen.
#include "online/records_exchange.h"

#include <ftplib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "online/online_files.h"
#include "online/service.h"
#include "store/records.h"

namespace {

struct RecordsExchange : Exchange {
    ServiceAddress address;
    bool upload = false;
    char remoteName[64] = {};
    char localPath[512] = {};
    char downloadTemporary[600] = {};
    char mergedTemporary[600] = {};
    bool hasPlayerEntry = false;
    RecordEntry playerEntry{};
    // Results, published under the commit lock.
    bool downloaded = false;
    bool merged = false;
    int mergedPlace = -1;
    RecordTable table;
    uint8_t bytes[RecordFileBytes];
};

// The table as a file of any length is read: a short file leaves the "Anonymous" fill behind it.
void ReadDownloadedTable(RecordsExchange& e, const char* path) {
    FillAnonymous(e.table);
    EncodeRecords(e.table, e.bytes);
    std::size_t got = 0;
    ReadSmallFile(path, e.bytes, RecordFileBytes, got);
    DecodeRecords(e.bytes, e.table);
}

void RecordsWorker(std::shared_ptr<RecordsExchange> shared) {
    RecordsExchange& e = *shared;
    netbuf* connection = nullptr;
    bool downloaded = false, merged = false;
    int mergedPlace = -1;
    if (OpenService(e.address, RecordsUser, RecordsPassword, e, &connection) && FtpChdir("records", connection)) {
        // A worker that was left behind starts no transfer any more.
        downloaded = DownloadWhole(connection, e.downloadTemporary, e.remoteName, SmallFileLimitBytes, e);
        if (e.upload) {
            if (downloaded && e.hasPlayerEntry) {
                ReadDownloadedTable(e, e.downloadTemporary);
                mergedPlace = InsertRecord(e.table, e.playerEntry.score);
                if (mergedPlace >= 0) std::memcpy(e.table.entries[mergedPlace].name, e.playerEntry.name, RecordNameBytes);
                EncodeRecords(e.table, e.bytes);
                FILE* file = std::fopen(e.mergedTemporary, "wb");
                if (file != nullptr) {
                    merged = std::fwrite(e.bytes, 1, RecordFileBytes, file) == RecordFileBytes;
                    merged = std::fclose(file) == 0 && merged;
                }
                if (merged && mergedPlace >= 0) FtpPut(e.mergedTemporary, e.remoteName, FTPLIB_IMAGE, connection);
            } else if (!downloaded && !e.stop.load()) {
                // The service has no table yet (or would not give it): this one starts it.
                FtpPut(e.localPath, e.remoteName, FTPLIB_IMAGE, connection);
            }
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

void DownloadRecords() { RunRecordsExchange(false); }

void UploadRecords() { RunRecordsExchange(true); }

// The records exchange with the service: the variant's shared table travels over FTP at the end of a game.
#pragma once
#include <cstdint>

// Longest time a records exchange may hold the records screen, in ms.
constexpr int64_t RecordsExchangeLimitMs = 4500;

// Downloads the service's table (records.remoteName) into the local records file (records.localPath).
// The file is replaced only by a complete download; without a service, or after any failure, the local
// file stays as it was.
void DownloadRecords();
// Sends the local table to the service. So that entries others uploaded since this game's download
// are kept, the service's table is fetched again right before, the player's entry (the place of the
// last game) is placed into it as a new score would be, and that table is saved locally (and shown)
// and uploaded. When the service has no table yet, the local file is uploaded as it is.
void UploadRecords();

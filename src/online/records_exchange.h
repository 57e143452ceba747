// The records exchange with the service: the variant's shared table travels over FTP at the end of a game.
#pragma once
#include <cstdint>

// Longest time a records exchange may hold the records screen, in ms.
constexpr int64_t RecordsExchangeLimitMs = 4500;

// Downloads the service's table (records.remoteName) into the local records file (records.localPath).
// The file is replaced only by a download of exactly one table's 20000 bytes; without a service, after
// any failure, or when the service's file has another size, the local file stays as it was.
void DownloadRecords();
// Sends the local table to the service. So that entries others uploaded since this game's download
// are kept, the service's table is fetched again right before, the player's entry (the place of the
// last game) is placed into it as a new score would be, and that table is saved locally (and shown)
// and uploaded. When the service has no table yet (or one of the wrong size), the local file is
// uploaded as it is. Uploads hold the table's lock on the service, so concurrent players each keep
// their entry, and go to a name of their own that is then renamed over the table.
void UploadRecords();

// The records exchange with the service: the variant's shared table travels over FTP at the end of a game.
#pragma once

// Downloads the service's table (records.remoteName) into the local records file (records.localPath).
// The FTP exchange is not connected yet: for now the local file is used as it is.
void DownloadRecords();
// Uploads the local records file under the service's name. Not connected yet: does nothing.
void UploadRecords();

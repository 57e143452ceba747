// The records exchange with the service; the call points of the records file until FTP is connected.
#include "online/records_exchange.h"

void DownloadRecords() {}

void UploadRecords() {}

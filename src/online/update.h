// The update check and self-update as the shell drives them.
#pragma once
#include <atomic>

// Set by the update check when a newer version is offered; read by the start screen.
extern std::atomic<bool> updateAvailable;

// Deletes backup.bin, the previous program file kept by a self-update; a missing file is fine.
void DeleteBackup();
// Starts the update check worker.
void StartUpdateCheck();
// Waits at most timeoutMs for the worker; false on time-out.
bool WaitForUpdateCheck(unsigned timeoutMs);

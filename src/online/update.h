// The update check and self-update as the shell drives them.
#pragma once
#include <atomic>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

// True when a newer version is offered in this run. Only the main thread writes it, after the check
// has handed over its result (or the wait for it gave up).
extern std::atomic<bool> updateAvailable;

// Deletes backup.bin, the previous program file kept by a self-update; a missing file is fine.
void DeleteBackup();
// The game may install an update itself: built with self-update and running from a folder of its own
// (never from an installation, where the package manager updates it).
bool SelfUpdateEnabled();
// Starts UpdateCheckWorker, which also sends the statistics. Without a service it does nothing.
void StartUpdateCheck();
// Waits at most timeoutMs for the check and takes over its result; false on time-out (the check's
// late result is then ignored and it never touches a local file again).
bool WaitForUpdateCheck(unsigned timeoutMs);

// The version text of the offered update ("0.0.0" when none).
const char* OfferedVersion();
// Y in the update dialogue: starts UpdateApplyWorker on the check's connection.
void StartUpdateApply();
// Polled each frame while "Downloading" shows: true once the apply step has ended, or has shown no
// sign of life for 5 s, or has run for 120 s in all, and was given up. On a complete success the profile now
// names the new version.
bool UpdateApplyEnded();
// The game is closing: an apply step still running changes no file any more and its partly downloaded
// file is removed.
void AbandonUpdate();
// After UpdateApplyEnded: every file of the update was installed (and the profile saved).
bool UpdateSucceeded();
// After UpdateApplyEnded: the running program file was replaced, so the game must restart.
bool ProgramReplaced();

// How the apply step ended, for the run report: "none" (not run or not ended), "succeeded", "failed".
const char* UpdateResultText();

// The first top-level "update" element whose version is newer than installed; an element without a
// valid version ends the search. Null when none is chosen.
const tinyxml2::XMLElement* ChooseUpdate(const tinyxml2::XMLDocument& list, int installedVersion);

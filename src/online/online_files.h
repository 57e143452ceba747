// Local files of the online exchanges: temporary names, small reads, and renames that only a live
// (not abandoned) exchange may make.
#pragma once
#include <cstddef>
#include <cstdint>

struct Exchange;

// target + ".part<process>-<n>": a name no other exchange of any running program uses.
void TemporaryName(const char* target, char* text, std::size_t size);
// Reads at most capacity bytes; false when the file does not open.
bool ReadSmallFile(const char* path, uint8_t* bytes, std::size_t capacity, std::size_t& got);
// Renames temporary over target under the exchange's commit lock, unless the exchange was abandoned
// (then the temporary file is removed instead). False when nothing was renamed.
bool CommitFile(const char* temporary, const char* target, Exchange& exchange);
// Writes the bytes to a temporary file and commits it over target.
bool WriteFileThroughTemporary(const char* target, const uint8_t* bytes, std::size_t size, Exchange& exchange);
// Removes temporary files of exchanges (names ending in ".part<process>-<n>") under the working folder
// whose process is no longer running: a worker left behind when its game closed cannot remove its own.
// Links to other folders are not followed.
void RemoveStaleTemporaryFiles();
// An update's file path is used only when it stays inside the game folder: not empty, not absolute,
// no "..", "." or empty component, no backslash or colon, no control characters.
bool IsSafeUpdatePath(const char* path);

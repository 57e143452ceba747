// Where the game's files live. Portable: everything beside the program, in one folder it can write.
// Installed: programs in bin/, read-only data in share/pelorina/, each player's own files (profile,
// records, statistics, downloads) in $XDG_DATA_HOME/pelorina/. Only this module knows which is which.
#pragma once
#include <cstddef>

enum class Layout { Portable, Installed };

// Bytes of every resolved file name, NUL included. The player's folder is kept short enough that any
// of its files plus a temporary suffix fits.
constexpr std::size_t PathCapacity = 256;
constexpr std::size_t UserFolderMaxLength = 192;

// What start-up finds out about the folders of this run.
struct GameFolders {
    Layout layout = Layout::Portable;
    char dataFolder[PathCapacity] = {};  // the working directory: data, sounds, music, settings
    char userFolder[PathCapacity] = {};  // the player's files; equal to dataFolder when portable
};
extern GameFolders gameFolders;

// Decides the layout and fills folders. dir is --dir ("" when not given): a portable folder by choice.
// programFolder: the folder of the executable. dataFromProgram: the data folder relative to it in an
// installation (e.g. "../share/pelorina"). xdgDataHome and home: the environment (null when unset).
// False, with a line on stderr, when the player's folder cannot be named.
bool ChooseGameFolders(GameFolders& folders, const char* dir, const char* programFolder,
                       const char* dataFromProgram, const char* xdgDataHome, const char* home);
// Installed layout: creates the player's folder and its records folder, and copies the shipped profile
// there when the player has none yet. Portable: nothing to do. False, with a line on stderr, on failure.
bool PrepareUserFolder(const GameFolders& folders);
// The whole start: chooses the folders from this process's executable and environment, prepares the
// player's folder and enters the data folder.
bool EnterGameFolders(const char* dir);

// A file of the player (e.g. "records/records_2.bin"): unchanged in the portable layout (relative to
// the working directory, as the game has always named it), under the player's folder when installed.
// False, leaving out empty, when the result does not fit.
bool UserPath(const GameFolders& folders, const char* name, char* out, std::size_t size);
bool UserPath(const char* name, char* out, std::size_t size);

// The running program may replace files of its own folder (self-update, backup.bin) only when portable.
bool ProgramFolderWritable();

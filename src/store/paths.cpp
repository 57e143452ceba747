// The portable and the installed layout: which folder holds the data, which the player's own files.
#include "store/paths.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#ifndef PELORINA_DATA_FROM_BIN
#define PELORINA_DATA_FROM_BIN "../share/pelorina"
#endif

GameFolders gameFolders;

namespace {

namespace fs = std::filesystem;

bool CopyText(char* out, std::size_t size, const std::string& text) {
    if (text.size() + 1 > size) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool IsSet(const char* text) { return text != nullptr && text[0] != 0; }

}  // namespace

bool ChooseGameFolders(GameFolders& folders, const char* dir, const char* programFolder,
                       const char* dataFromProgram, const char* xdgDataHome, const char* home) {
    folders = GameFolders{};
    std::error_code error;
    fs::path program(programFolder != nullptr ? programFolder : "");
    fs::path portable = IsSet(dir) ? fs::path(dir) : program;
    fs::path installedData = (program / (dataFromProgram != nullptr ? dataFromProgram : "")).lexically_normal();

    // Beside a profile the program may write, or told where to work: everything stays in that folder.
    // Without installed data beside bin/ either, the program folder is used as it always was (a missing
    // profile is then reported as usual).
    fs::path profile = program / "version.xml";
    bool portableHere = IsSet(dir) || (fs::exists(profile, error) && access(profile.c_str(), W_OK) == 0) ||
                        !IsSet(dataFromProgram) || !fs::is_regular_file(installedData / "version.xml", error);
    if (portableHere) {
        folders.layout = Layout::Portable;
        if (!CopyText(folders.dataFolder, sizeof folders.dataFolder, portable.string())) return false;
        std::memcpy(folders.userFolder, folders.dataFolder, sizeof folders.userFolder);
        return true;
    }

    folders.layout = Layout::Installed;
    if (!CopyText(folders.dataFolder, sizeof folders.dataFolder, installedData.string())) {
        std::fprintf(stderr, "the game's data folder %s is too long\n", installedData.c_str());
        return false;
    }
    // The base directory's rules: a relative XDG_DATA_HOME is ignored, and ~/.local/share stands in.
    fs::path base;
    if (IsSet(xdgDataHome) && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else if (IsSet(home)) {
        base = fs::path(home) / ".local" / "share";
    } else {
        std::fprintf(stderr, "neither XDG_DATA_HOME nor HOME names a folder for your files\n");
        return false;
    }
    fs::path user = (base / "pelorina").lexically_normal();
    if (user.string().size() > UserFolderMaxLength) {
        std::fprintf(stderr, "the folder for your files %s is too long\n", user.c_str());
        return false;
    }
    return CopyText(folders.userFolder, sizeof folders.userFolder, user.string());
}

bool PrepareUserFolder(const GameFolders& folders) {
    if (folders.layout == Layout::Portable) return true;
    std::error_code error;
    fs::path user(folders.userFolder);
    fs::create_directories(user / "records", error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", (user / "records").c_str(), error.message().c_str());
        return false;
    }
    // The first start gives the player the shipped profile: English and the installed version.
    fs::path profile = user / "version.xml";
    if (!fs::exists(profile, error)) {
        fs::path shipped = fs::path(folders.dataFolder) / "version.xml";
        fs::path temporary = user / "version.xml.new";
        fs::copy_file(shipped, temporary, fs::copy_options::overwrite_existing, error);
        // The shipped file is read-only under the prefix; the player's copy is the player's to edit.
        if (!error) fs::permissions(temporary, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, error);
        if (!error) fs::rename(temporary, profile, error);
        if (error) {
            fs::remove(temporary, error);
            std::fprintf(stderr, "cannot create %s\n", profile.c_str());
            return false;
        }
    }
    return true;
}

bool EnterGameFolders(const char* dir) {
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error && (dir == nullptr || dir[0] == 0)) return false;
    if (!ChooseGameFolders(gameFolders, dir, program.c_str(), PELORINA_DATA_FROM_BIN, std::getenv("XDG_DATA_HOME"),
                           std::getenv("HOME"))) {
        return false;
    }
    if (!PrepareUserFolder(gameFolders)) return false;
    fs::current_path(gameFolders.dataFolder, error);
    if (error) std::fprintf(stderr, "cannot enter %s\n", gameFolders.dataFolder);
    return !error;
}

bool UserPath(const GameFolders& folders, const char* name, char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = 0;
    int length = folders.layout == Layout::Portable
                     ? std::snprintf(out, size, "%s", name)
                     : std::snprintf(out, size, "%s/%s", folders.userFolder, name);
    if (length < 0 || static_cast<std::size_t>(length) >= size) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool UserPath(const char* name, char* out, std::size_t size) { return UserPath(gameFolders, name, out, size); }

bool ProgramFolderWritable() { return gameFolders.layout == Layout::Portable; }

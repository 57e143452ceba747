// Opening the files the game reads: regular files only, checked on the open descriptor itself.
#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFileDescriptor(const char* path) {
    if (path == nullptr) return -1;
    // Without O_NONBLOCK the open of a pipe with no writer would already block.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FILE* OpenRegularFile(const char* path) {
    int fd = OpenRegularFileDescriptor(path);
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (file == nullptr) close(fd);
    return file;
}

bool ReadRegularFile(const char* path, std::size_t limitBytes, std::vector<uint8_t>& bytes) {
    bytes.clear();
    FILE* file = OpenRegularFile(path);
    if (file == nullptr) return false;
    struct stat info {};
    bool fits = fstat(fileno(file), &info) == 0 && info.st_size >= 0 &&
                static_cast<uint64_t>(info.st_size) <= limitBytes;
    if (fits) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    std::fclose(file);
    return fits;
}

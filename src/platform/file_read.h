// Opening the files the game reads: only regular files. A named pipe, device or folder in place of a
// file would block the game or feed it without end; it is a failed read instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// A descriptor open for reading, or -1 when path is not a regular file or does not open.
int OpenRegularFileDescriptor(const char* path);
// The same as a stream, in binary mode; null on failure.
FILE* OpenRegularFile(const char* path);
// The whole file when it is a regular file of at most limitBytes; false otherwise.
bool ReadRegularFile(const char* path, std::size_t limitBytes, std::vector<uint8_t>& bytes);

// An XML document read from a regular file; false when it is not one or does not parse. Templated so
// that this layer needs no XML library of its own.
template <typename Document>
bool LoadXmlDocument(Document& document, const char* path) {
    FILE* file = OpenRegularFile(path);
    if (file == nullptr) return false;
    bool loaded = document.LoadFile(file) == 0;  // tinyxml2::XML_SUCCESS
    std::fclose(file);
    return loaded;
}

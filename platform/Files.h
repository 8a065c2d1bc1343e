#pragma once
// Files and folders, in the terms the program uses them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// "/" on POSIX, "\" on Windows.
char pathSeparator();
std::string pathSeparatorText();

bool fileExists(const std::string& path);      // a regular file (not a folder)
bool directoryExists(const std::string& path); // a folder
bool createDirectory(const std::string& path); // one level; false on failure
bool deleteFile(const std::string& path);      // false on failure
std::string currentDirectory();
bool setCurrentDirectory(const std::string& path);
// The folder of the running program, without a trailing separator.
std::string programDirectory();
// Plain files directly inside FOLDER matching PATTERN ("*.*" matches every name), neither
// hidden (a leading "."), system (not a regular file) nor folders; names only, sorted.
std::vector<std::string> listPlainFiles(const std::string& folder,
                                        const std::string& pattern = "*.*");

// A read-only file for the archive reader: shared for reading; other writers are not locked
// out off Windows (POSIX has no mandatory locks). Reads are buffered, so reading one byte at
// a time costs no system call per byte.
class FileStream {
public:
    // Raises EFOpenError("Cannot open file \"PATH\". REASON") when the file cannot be opened.
    explicit FileStream(const std::string& path);
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Reads up to COUNT bytes; returns how many came (fewer only at the end of the file).
    std::size_t read(void* buffer, std::size_t count);
    // Moves forward or back by DELTA from the current position, or to an absolute position;
    // returns the new position. A position past the end is allowed, as with a file handle.
    std::int64_t seekBy(std::int64_t delta);
    std::int64_t seekTo(std::int64_t position);
    std::int64_t position() const;
    std::int64_t size() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform

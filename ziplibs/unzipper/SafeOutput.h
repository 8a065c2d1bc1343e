#pragma once
// Writing below the extraction folder without ever leaving it: folders are opened one part at
// a time without following symbolic links, and a file gets its name only when it is complete:
// it is written as an anonymous file (one without a name, which vanishes when closed) and
// linked in, or, where the file system has no anonymous files, written under a temporary name
// and renamed into place.
#include <string>
#include <utility>
#include <vector>

namespace ziplibs {

class OutputFolder {
public:
    // The folder is the process's current directory at construction.
    OutputFolder();
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    bool valid() const { return base_ >= 0; }

    // Opens (creating when asked) the folder made of the first count parts. Returns a
    // descriptor owned by this object, valid until the next call, or -1 with the reason in
    // error and throughSymlink set when a part is a symbolic link. The folders opened last
    // are kept open, so that the entries of one folder, and of its neighbours, do not open
    // the path again part by part.
    int openFolder(const std::vector<std::string>& parts, std::size_t count, bool create,
                   std::string& error, bool& throughSymlink);

    // Whether a symbolic link made in the folder of those parts with that target would
    // resolve inside this folder, following the links already here on the way. A part not
    // there yet is taken as a folder of that name.
    bool linkStaysInside(const std::vector<std::string>& folder, const std::string& target) const;

private:
    static constexpr std::size_t KeptFolders = 16;
    int base_ = -1;
    // The folders opened last, by their path ("a/b/"), the one used last first.
    std::vector<std::pair<std::string, int>> kept_;
};

// A file being written in a folder under no name or a temporary one; removed unless committed.
class TempFile {
public:
    // An anonymous file when the folder's file system has them (and ANONYMOUS allows), else
    // one under a temporary name.
    explicit TempFile(int dirFd, bool anonymous = true);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& error() const { return error_; }
    bool writeAll(const void* data, std::size_t size);
    // Sets the mode and time and gives the file its name, replacing a file or link of that
    // name only as a whole. False with error set.
    bool commit(const std::string& name, unsigned mode, long long mtime);

private:
    bool linkAnonymous(const std::string& name);

    int dir_;
    int fd_ = -1;
    std::string name_; // the temporary name; empty for an anonymous file
    std::string error_;
};

// Makes a symbolic link named name in the folder, through a temporary name and a rename.
bool makeLink(int dirFd, const std::string& name, const std::string& target, std::string& error);

// A temporary name for a new file in a folder (hidden, short, unlikely to be taken).
std::string temporaryName();

// The file-creation mask of the process, read without changing it.
unsigned processUmask();

} // namespace ziplibs

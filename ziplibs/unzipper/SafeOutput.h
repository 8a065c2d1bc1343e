#pragma once
// Writing below the extraction folder without ever leaving it: folders are opened one part at
// a time without following symbolic links, and a file gets its name only when it is complete:
// it is written as an anonymous file (one without a name, which vanishes when closed) and
// linked in, or, where the file system has no anonymous files, written under a temporary name
// and renamed into place.
#include <list>
#include <string>
#include <unordered_map>
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
    // The extraction folder itself, open for as long as this object.
    int base() const { return base_; }

    // Opens (creating when asked) the folder made of the first count parts. Returns a
    // descriptor owned by this object, valid until the next call, or -1 with the reason in
    // error and throughSymlink set when a part is a symbolic link. The folders opened last
    // are kept open (as many as the process's limit of open files comfortably allows, up to
    // MaxKeptFolders), so that the entries of an archive whose files alternate between many
    // folders do not open the path again part by part.
    int openFolder(const std::vector<std::string>& parts, std::size_t count, bool create,
                   std::string& error, bool& throughSymlink);

    // Whether a symbolic link made in the folder of those parts with that target would
    // resolve inside this folder, following the links already here on the way. A part not
    // there yet is taken as a folder of that name.
    bool linkStaysInside(const std::vector<std::string>& folder, const std::string& target) const;

    static constexpr std::size_t MinKeptFolders = 16;
    static constexpr std::size_t MaxKeptFolders = 4096;

private:
    // The kept folder of PATH ("a/b/"), made the one used last; -1 when not kept.
    int kept(const std::string& path);
    void keep(const std::string& path, int fd);

    int base_ = -1;
    std::size_t keptLimit_ = MinKeptFolders;
    // The folders kept open, by their path, the one used last first.
    std::list<std::pair<std::string, int>> kept_;
    std::unordered_map<std::string, std::list<std::pair<std::string, int>>::iterator> keptByPath_;
};

// A file being written in a folder under no name or a temporary one; removed unless committed.
class TempFile {
public:
    // An anonymous file when the folder's file system has them (and ANONYMOUS allows), else
    // one under a temporary name.
    explicit TempFile(int dirFd, bool anonymous = true);
    // An anonymous file FD already written, its mode and time set, to be linked into the
    // folder DIR_FD (on the same file system); it is closed with this object.
    struct Written {};
    TempFile(int dirFd, int fd, Written);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& error() const { return error_; }
    bool writeAll(const void* data, std::size_t size);
    // Sets the mode and time and gives the file its name, replacing a file or link of that
    // name only as a whole. False with error set; with crossedDevice() too when a written
    // file was made on another file system than the folder's (it must be written again).
    bool commit(const std::string& name, unsigned mode, long long mtime);
    bool crossedDevice() const { return crossed_; }

private:
    bool linkAnonymous(const std::string& name);

    int dir_;
    int fd_ = -1;
    bool written_ = false; // mode and time already set
    bool crossed_ = false;
    std::string name_; // the temporary name; empty for an anonymous file
    std::string error_;
};

// Sets an extracted file's mode and modification time; false with the reason in ERROR.
bool setModeAndTime(int fd, unsigned mode, long long mtime, std::string& error);

// Makes a symbolic link named name in the folder, through a temporary name and a rename.
bool makeLink(int dirFd, const std::string& name, const std::string& target, std::string& error);

// A temporary name for a new file in a folder (hidden, short, unlikely to be taken).
std::string temporaryName();

// The file-creation mask of the process, read without changing it.
unsigned processUmask();

} // namespace ziplibs

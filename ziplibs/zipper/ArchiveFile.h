#pragma once
// The archive file an add or a delete changes. It is opened once and locked against other
// writers (an exclusive flock on that descriptor, so two processes take turns) for the whole
// operation; libzip (or a delete that copies the kept entries itself, RawDelete) reads it
// through that descriptor and writes the new archive into an anonymous file in the same folder
// (a named temporary one only where the file system has none), which is linked in over the old
// one when whole, and only when the path still names the file that was opened. A killed
// process leaves nothing behind.
#include <zip.h>

#include <sys/stat.h>

#include <string>

namespace ziplibs {

class ArchiveFile {
public:
    enum class Opened { Existing, Missing, Busy, Failed };

    ArchiveFile() = default;
    ~ArchiveFile();
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    // Opens and locks PATH, waiting a little while another program holds the lock. Failed
    // leaves the reason in error().
    Opened open(const std::string& path);
    const struct stat& status() const { return opened_; }

    // A libzip source over the archive (reading the old one, writing the new one). This
    // object must outlive every archive opened on it.
    zip_source_t* source(zip_error_t* error);

    // The new archive, written directly: created, filled, and put in place.
    bool beginWrite();
    bool write(const void* data, std::size_t size);
    bool commit();
    // Drops the new archive, leaving the old one as it was.
    void dropWrite();

    // The descriptors of the old archive (open for reading) and of the new one while it is
    // written, for copying between them; -1 when there is none.
    int oldDescriptor() const { return read_; }
    int newDescriptor() const { return write_; }

    // Set when the commit found the path no longer naming the archive that was opened (or,
    // for a new archive, something there now).
    bool changedOnDisk() const { return changed_; }
    const std::string& error() const { return text_; }

private:
    static zip_int64_t callback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    zip_int64_t command(void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    bool fail(int zipError, int sysError, const std::string& what);
    bool stillTheSame() const;
    bool linkIn();

    std::string path_, base_;
    int dir_ = -1;
    int read_ = -1; // the old archive, locked; -1 when there is none
    struct stat opened_ {};
    int write_ = -1;   // the new archive, locked once made
    std::string temp_; // its temporary name; empty for an anonymous file
    bool changed_ = false;
    zip_error_t error_{};
    std::string text_;
};

} // namespace ziplibs

#include "ziplibs/zipper/ArchiveFile.h"

#include "ziplibs/common/AnonymousFile.h"
#include "ziplibs/common/CallbackGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace ziplibs {

namespace {

// How long an add or a delete waits for another program changing the same archive.
constexpr auto LockWait = std::chrono::seconds(3);
constexpr auto LockPoll = std::chrono::milliseconds(20);

std::string temporaryName(const std::string& base) {
    unsigned char bytes[6] = {};
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        static unsigned counter = 0;
        const unsigned v = static_cast<unsigned>(getpid()) * 2654435761u + ++counter;
        std::memcpy(bytes, &v, 4);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return "." + base + "." + text + ".part";
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

ArchiveFile::~ArchiveFile() {
    dropWrite();
    if (read_ >= 0)
        close(read_);
    if (dir_ >= 0)
        close(dir_);
    zip_error_fini(&error_);
}

ArchiveFile::Opened ArchiveFile::open(const std::string& path) {
    zip_error_init(&error_);
    path_ = path;
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    base_ = slash == std::string::npos ? path : path.substr(slash + 1);
    dir_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) {
        text_ = std::strerror(errno);
        return Opened::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + LockWait;
    for (;;) {
        // Not blocking: a fifo at the path must not hang the open.
        read_ = openat(dir_, base_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (read_ < 0) {
            if (errno == ENOENT)
                return Opened::Missing;
            text_ = std::strerror(errno);
            return Opened::Failed;
        }
        while (flock(read_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                text_ = std::strerror(errno);
                return Opened::Failed;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return Opened::Busy;
            std::this_thread::sleep_for(LockPoll);
        }
        // The lock holder may have replaced the file meanwhile: the lock is then on the old
        // one, and the new one is locked instead.
        struct stat now {};
        if (fstat(read_, &opened_) != 0) {
            text_ = std::strerror(errno);
            return Opened::Failed;
        }
        if (!S_ISREG(opened_.st_mode)) {
            text_ = "not a regular file";
            return Opened::Failed;
        }
        if (fstatat(dir_, base_.c_str(), &now, 0) == 0 && sameFile(now, opened_))
            return Opened::Existing;
        close(read_);
        read_ = -1;
    }
}

bool ArchiveFile::fail(int zipError, int sysError, const std::string& what) {
    zip_error_set(&error_, zipError, sysError);
    text_ = sysError ? what + ": " + std::strerror(sysError) : what;
    return false;
}

bool ArchiveFile::stillTheSame() const {
    struct stat now {};
    if (fstatat(dir_, base_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return sameFile(now, opened_) && now.st_size == opened_.st_size &&
           now.st_mtim.tv_sec == opened_.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == opened_.st_mtim.tv_nsec;
}

bool ArchiveFile::beginWrite() {
    dropWrite();
    // A new archive gets the usual mode of new files (the umask applies); a replacement gets
    // the old archive's mode at the commit, and until then is the owner's alone.
    const mode_t mode = read_ >= 0 ? 0600 : 0666;
    write_ = openAnonymousFile(dir_, mode);
    for (int attempt = 0; attempt < 100 && write_ < 0; ++attempt) {
        temp_ = temporaryName(base_);
        write_ =
            openat(dir_, temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (write_ < 0 && errno != EEXIST)
            break;
    }
    if (write_ < 0) {
        temp_.clear();
        return fail(ZIP_ER_TMPOPEN, errno, "Cannot create a temporary file");
    }
    // Whoever waits for this archive finds the new file locked as soon as it is in place.
    flock(write_, LOCK_EX | LOCK_NB);
    return true;
}

bool ArchiveFile::write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(write_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(ZIP_ER_WRITE, n < 0 ? errno : ENOSPC, "Cannot write");
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ArchiveFile::linkIn() {
    const auto link = [&](const std::string& as) {
        if (temp_.empty())
            return linkAnonymousFile(write_, dir_, as.c_str());
        return linkat(dir_, temp_.c_str(), dir_, as.c_str(), 0) == 0;
    };
    if (read_ < 0) {
        // A new archive: a link never replaces what may have appeared at the name meanwhile.
        if (!link(base_)) {
            changed_ = errno == EEXIST;
            return fail(ZIP_ER_RENAME, errno, "Cannot create the archive");
        }
    } else {
        std::string tmp = temp_;
        if (tmp.empty()) {
            for (int attempt = 0; attempt < 100 && tmp.empty(); ++attempt) {
                tmp = temporaryName(base_);
                if (!link(tmp)) {
                    if (errno != EEXIST)
                        return fail(ZIP_ER_RENAME, errno, "Cannot replace the archive");
                    tmp.clear();
                }
            }
            if (tmp.empty())
                return fail(ZIP_ER_RENAME, EEXIST, "Cannot replace the archive");
        }
        if (renameat(dir_, tmp.c_str(), dir_, base_.c_str()) != 0) {
            const int err = errno;
            if (tmp != temp_)
                unlinkat(dir_, tmp.c_str(), 0);
            return fail(ZIP_ER_RENAME, err, "Cannot replace the archive");
        }
        if (tmp == temp_)
            temp_.clear();
    }
    if (!temp_.empty()) {
        unlinkat(dir_, temp_.c_str(), 0);
        temp_.clear();
    }
    return true;
}

bool ArchiveFile::commit() {
    if (read_ >= 0) {
        if (!stillTheSame()) {
            changed_ = true;
            return fail(ZIP_ER_CHANGED, 0, "The archive changed on disk");
        }
        if (fchmod(write_, opened_.st_mode & 07777) != 0)
            return fail(ZIP_ER_WRITE, errno, "Cannot set the mode");
    }
    return linkIn();
}

void ArchiveFile::dropWrite() {
    if (!temp_.empty())
        unlinkat(dir_, temp_.c_str(), 0);
    temp_.clear();
    if (write_ >= 0)
        close(write_);
    write_ = -1;
}

zip_source_t* ArchiveFile::source(zip_error_t* error) {
    return zip_source_function_create(&ArchiveFile::callback, this, error);
}

zip_int64_t ArchiveFile::callback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* self = static_cast<ArchiveFile*>(ud);
    return guardedSource(&self->error_, [&] { return self->command(data, len, cmd); });
}

zip_int64_t ArchiveFile::command(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        if (read_ < 0 || lseek(read_, 0, SEEK_SET) < 0)
            return fail(ZIP_ER_OPEN, read_ < 0 ? ENOENT : errno, "Cannot open"), -1;
        return 0;
    case ZIP_SOURCE_READ: {
        ssize_t n;
        do {
            n = read(read_, data, len);
        } while (n < 0 && errno == EINTR);
        return n < 0 ? (fail(ZIP_ER_READ, errno, "Cannot read"), -1) : n;
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &error_);
        if (!st)
            return -1;
        if (read_ < 0) // libzip takes this as a new archive
            return fail(ZIP_ER_READ, ENOENT, "No archive"), -1;
        zip_stat_init(st);
        st->size = static_cast<zip_uint64_t>(opened_.st_size);
        st->mtime = opened_.st_mtime;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
        return sizeof(*st);
    }
    case ZIP_SOURCE_SEEK:
    case ZIP_SOURCE_SEEK_WRITE: {
        const bool reading = cmd == ZIP_SOURCE_SEEK;
        const int fd = reading ? read_ : write_;
        const off_t here = lseek(fd, 0, SEEK_CUR);
        const off_t end = lseek(fd, 0, SEEK_END);
        if (here < 0 || end < 0)
            return fail(ZIP_ER_SEEK, errno, "Cannot seek"), -1;
        const zip_int64_t to = zip_source_seek_compute_offset(
            static_cast<zip_uint64_t>(here), static_cast<zip_uint64_t>(end), data, len, &error_);
        if (to < 0 || lseek(fd, static_cast<off_t>(to), SEEK_SET) < 0)
            return to < 0 ? -1 : (fail(ZIP_ER_SEEK, errno, "Cannot seek"), -1);
        return 0;
    }
    case ZIP_SOURCE_TELL:
    case ZIP_SOURCE_TELL_WRITE: {
        const off_t at = lseek(cmd == ZIP_SOURCE_TELL ? read_ : write_, 0, SEEK_CUR);
        return at < 0 ? (fail(ZIP_ER_TELL, errno, "Cannot tell"), -1) : at;
    }
    case ZIP_SOURCE_BEGIN_WRITE:
        return beginWrite() ? 0 : -1;
    case ZIP_SOURCE_WRITE:
        return write(data, len) ? static_cast<zip_int64_t>(len) : -1;
    case ZIP_SOURCE_COMMIT_WRITE:
        return commit() ? 0 : -1;
    case ZIP_SOURCE_ROLLBACK_WRITE:
        dropWrite();
        return 0;
    case ZIP_SOURCE_REMOVE:
        // An archive left without entries is written as an empty one by the caller.
        return fail(ZIP_ER_OPNOTSUPP, 0, "Cannot remove the archive"), -1;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, len);
    case ZIP_SOURCE_FREE:
        return 0; // the state belongs to this object
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
    default:
        return fail(ZIP_ER_OPNOTSUPP, 0, "Not supported"), -1;
    }
}

} // namespace ziplibs

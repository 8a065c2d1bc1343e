#include "ziplibs/unzipper/SafeOutput.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace ziplibs {

namespace {
std::string sysError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
} // namespace

Folder::~Folder() {
    close(fd);
}

OutputFolder::OutputFolder() {
    const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        base_ = std::make_shared<Folder>(fd);
}

FolderRef OutputFolder::openFolder(const std::vector<std::string>& parts, std::size_t count,
                                   bool create, std::string& error, bool& throughSymlink) {
    throughSymlink = false;
    std::string path;
    std::vector<std::size_t> ends; // where the path of the first i + 1 parts ends
    for (std::size_t i = 0; i < count; ++i) {
        path += parts[i] + "/";
        ends.push_back(path.size());
    }
    // The deepest kept folder on the way; the rest of the path is opened from there.
    FolderRef folder = base_;
    std::size_t opened = 0;
    auto best = kept_.end();
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (path.starts_with(it->first) &&
            (best == kept_.end() || it->first.size() > best->first.size()))
            best = it;
    if (best != kept_.end()) {
        std::rotate(kept_.begin(), best, best + 1);
        folder = kept_.front().second;
        opened =
            static_cast<std::size_t>(
                std::find(ends.begin(), ends.end(), kept_.front().first.size()) - ends.begin()) +
            1;
    }
    for (std::size_t i = opened; i < count; ++i) {
        const char* part = parts[i].c_str();
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = openat(folder->fd, part, flags);
        if (next < 0 && errno == ENOENT && create) {
            if (mkdirat(folder->fd, part, 0777) != 0 && errno != EEXIST) {
                error = sysError("Cannot create folder " + parts[i]);
                return nullptr;
            }
            next = openat(folder->fd, part, flags);
        }
        if (next < 0) {
            const int err = errno;
            struct stat st {};
            if (fstatat(folder->fd, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
                throughSymlink = true;
                error = "The path goes through the symbolic link " + parts[i];
            } else {
                errno = err;
                error = sysError("Cannot open folder " + parts[i]);
            }
            return nullptr;
        }
        folder = std::make_shared<Folder>(next);
        kept_.emplace(kept_.begin(), path.substr(0, ends[i]), folder);
        if (kept_.size() > KeptFolders)
            kept_.pop_back();
    }
    return folder;
}

std::string temporaryName() {
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        static unsigned counter = 0;
        const unsigned v = static_cast<unsigned>(getpid()) * 2654435761u + ++counter;
        std::memcpy(bytes, &v, 4);
        bytes[4] = bytes[5] = 0;
    }
    char text[32];
    std::snprintf(text, sizeof text, ".qz%02x%02x%02x%02x%02x%02x.part", bytes[0], bytes[1],
                  bytes[2], bytes[3], bytes[4], bytes[5]);
    return text;
}

TempFile::TempFile(int dirFd) : dir_(dirFd) {
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        name_ = temporaryName();
        fd_ =
            openat(dir_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        error_ = sysError("Cannot create a file");
        name_.clear();
    }
}

TempFile::~TempFile() {
    if (fd_ >= 0)
        close(fd_);
    if (!name_.empty())
        unlinkat(dir_, name_.c_str(), 0);
}

bool TempFile::writeAll(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error_ = sysError("Cannot write");
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool TempFile::commit(const std::string& name, unsigned mode, long long mtime) {
    if (fchmod(fd_, static_cast<mode_t>(mode)) != 0) {
        error_ = sysError("Cannot set the mode");
        return false;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtime), 0}};
    if (futimens(fd_, times) != 0) {
        error_ = sysError("Cannot set the time");
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        error_ = sysError("Cannot write");
        return false;
    }
    // The rename replaces a file or a symbolic link at the name itself; it never writes
    // through a link.
    if (renameat(dir_, name_.c_str(), dir_, name.c_str()) != 0) {
        error_ = sysError("Cannot create " + name);
        return false;
    }
    name_.clear();
    return true;
}

bool makeLink(int dirFd, const std::string& name, const std::string& target, std::string& error) {
    std::string tmp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = temporaryName();
        if (symlinkat(target.c_str(), dirFd, tmp.c_str()) == 0)
            break;
        if (errno != EEXIST) {
            error = sysError("Cannot create the link " + name);
            return false;
        }
        tmp.clear();
    }
    if (tmp.empty()) {
        error = "Cannot create the link " + name;
        return false;
    }
    if (renameat(dirFd, tmp.c_str(), dirFd, name.c_str()) != 0) {
        error = sysError("Cannot create the link " + name);
        unlinkat(dirFd, tmp.c_str(), 0);
        return false;
    }
    return true;
}

unsigned processUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<unsigned>(std::stoul(line.substr(6), nullptr, 8));
    }
    const mode_t old = umask(022);
    umask(old);
    return old;
}

} // namespace ziplibs

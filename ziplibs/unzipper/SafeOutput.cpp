#include "ziplibs/unzipper/SafeOutput.h"

#include "ziplibs/common/AnonymousFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <tuple>

namespace ziplibs {

namespace {
std::string sysError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
} // namespace

OutputFolder::OutputFolder() {
    base_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Half of what the process may still open, leaving room for the files being written and
    // for the rest of the program.
    struct rlimit files {};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0)
        keptLimit_ =
            files.rlim_cur == RLIM_INFINITY
                ? MaxKeptFolders
                : std::clamp<std::size_t>(files.rlim_cur > 128 ? (files.rlim_cur - 128) / 2 : 0,
                                          MinKeptFolders, MaxKeptFolders);
}

OutputFolder::~OutputFolder() {
    for (const auto& [path, fd] : kept_)
        close(fd);
    if (base_ >= 0)
        close(base_);
}

int OutputFolder::kept(const std::string& path) {
    const auto it = keptByPath_.find(path);
    if (it == keptByPath_.end())
        return -1;
    kept_.splice(kept_.begin(), kept_, it->second);
    return it->second->second;
}

void OutputFolder::keep(const std::string& path, int fd) {
    kept_.emplace_front(path, fd);
    keptByPath_[path] = kept_.begin();
    if (kept_.size() > keptLimit_) {
        close(kept_.back().second);
        keptByPath_.erase(kept_.back().first);
        kept_.pop_back();
    }
}

int OutputFolder::openFolder(const std::vector<std::string>& parts, std::size_t count, bool create,
                             std::string& error, bool& throughSymlink) {
    throughSymlink = false;
    // The deepest kept folder on the way; the rest of the path is opened from there.
    std::vector<std::size_t> ends{0}; // where the path of the first i parts ends
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += parts[i] + "/";
        ends.push_back(path.size());
    }
    int fd = base_;
    std::size_t from = 0; // the parts already open
    for (std::size_t i = count; i > 0; --i) {
        if (const int found = kept(path.substr(0, ends[i])); found >= 0) {
            fd = found;
            from = i;
            break;
        }
    }
    for (std::size_t i = from; i < count; ++i) {
        const char* part = parts[i].c_str();
        constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int next = openat(fd, part, flags);
        if (next < 0 && errno == ENOENT && create) {
            if (mkdirat(fd, part, 0777) != 0 && errno != EEXIST) {
                error = sysError("Cannot create folder " + parts[i]);
                return -1;
            }
            next = openat(fd, part, flags);
        }
        if (next < 0) {
            const int err = errno;
            struct stat st {};
            if (fstatat(fd, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
                throughSymlink = true;
                error = "The path goes through the symbolic link " + parts[i];
            } else {
                errno = err;
                error = sysError("Cannot open folder " + parts[i]);
            }
            return -1;
        }
        keep(path.substr(0, ends[i + 1]), next);
        fd = next;
    }
    return fd;
}

namespace {
// The parts of a path as the system reads it: split at "/" alone.
std::vector<std::string> pathParts(const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= path.size();) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (end > at)
            parts.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}
} // namespace

bool OutputFolder::linkStaysInside(const std::vector<std::string>& folder,
                                   const std::string& target) const {
    constexpr int MaxLinks = 40; // as the system gives up on a loop
    if (target.empty() || target.front() == '/')
        return false;
    std::vector<std::string> at = folder; // the folder reached, below this one
    std::vector<std::string> rest = pathParts(target);
    std::reverse(rest.begin(), rest.end()); // the next part last
    int links = 0;
    while (!rest.empty()) {
        std::string part = std::move(rest.back());
        rest.pop_back();
        if (part == ".")
            continue;
        if (part == "..") {
            if (at.empty())
                return false;
            at.pop_back();
            continue;
        }
        at.push_back(std::move(part));
        std::string path;
        for (const auto& p : at)
            path += (path.empty() ? "" : "/") + p;
        // Every part before this one is a real folder, so this looks at this part alone.
        struct stat st {};
        if (fstatat(base_, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode))
            continue;
        std::string link(4096, '\0');
        const ssize_t n = readlinkat(base_, path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size() || ++links > MaxLinks ||
            link.front() == '/')
            return false;
        link.resize(static_cast<std::size_t>(n));
        at.pop_back();
        auto more = pathParts(link);
        rest.insert(rest.end(), more.rbegin(), more.rend());
    }
    return true;
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

namespace {

// Makes something under a fresh temporary name in the folder with MAKE (false with errno set
// when it fails) and renames it to NAME: what stood there is replaced as a whole, a symbolic
// link at the name itself, never what it points to. False with WHAT and the reason in error.
bool placeThroughTemporary(int dirFd, const std::string& name,
                           const std::function<bool(const char*)>& make, const std::string& what,
                           std::string& error) {
    std::string tmp;
    for (int attempt = 0; attempt < 100 && tmp.empty(); ++attempt) {
        tmp = temporaryName();
        if (!make(tmp.c_str())) {
            if (errno != EEXIST) {
                error = sysError(what);
                return false;
            }
            tmp.clear();
        }
    }
    if (tmp.empty()) {
        error = what;
        return false;
    }
    if (renameat(dirFd, tmp.c_str(), dirFd, name.c_str()) != 0) {
        error = sysError(what);
        unlinkat(dirFd, tmp.c_str(), 0);
        return false;
    }
    return true;
}

} // namespace

bool setModeAndTime(int fd, unsigned mode, long long mtime, std::string& error) {
    if (fchmod(fd, static_cast<mode_t>(mode)) != 0) {
        error = sysError("Cannot set the mode");
        return false;
    }
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(mtime), 0}};
    if (futimens(fd, times) != 0) {
        error = sysError("Cannot set the time");
        return false;
    }
    return true;
}

TempFile::TempFile(int dirFd, bool anonymous)
    : dir_(dirFd), fd_(anonymous ? openAnonymousFile(dirFd, 0600) : -1) {
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

TempFile::TempFile(int dirFd, int fd, Written) : dir_(dirFd), fd_(fd), written_(true) {}

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
    if (!written_ && !setModeAndTime(fd_, mode, mtime, error_))
        return false;
    if (name_.empty())
        return linkAnonymous(name);
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

bool TempFile::linkAnonymous(const std::string& name) {
    const auto link = [&](const char* as) { return linkAnonymousFile(fd_, dir_, as); };
    // A link never replaces anything: a file or symbolic link at the name is replaced through
    // a temporary name.
    if (!link(name.c_str())) {
        crossed_ = errno == EXDEV;
        if (errno != EEXIST) {
            error_ = sysError("Cannot create " + name);
            return false;
        }
        if (!placeThroughTemporary(dir_, name, link, "Cannot create " + name, error_))
            return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        // What the system could not write is lost: the name goes again.
        error_ = sysError("Cannot write");
        unlinkat(dir_, name.c_str(), 0);
        return false;
    }
    return true;
}

bool makeLink(int dirFd, const std::string& name, const std::string& target, std::string& error) {
    return placeThroughTemporary(
        dirFd, name, [&](const char* tmp) { return symlinkat(target.c_str(), dirFd, tmp) == 0; },
        "Cannot create the link " + name, error);
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

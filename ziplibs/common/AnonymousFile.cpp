#include "ziplibs/common/AnonymousFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace ziplibs {

int openAnonymousFile(int dirFd, mode_t mode) {
    static const bool linkable = access("/proc/self/fd", X_OK) == 0;
    return linkable ? openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode) : -1;
}

bool linkAnonymousFile(int fd, int dirFd, const char* name) {
    // Naming the descriptor itself spares the walk through /proc, a good part of the cost of
    // making a small file. A kernel that does not allow it answers ENOENT (or EPERM), once.
    static std::atomic<bool> byDescriptor{true};
    if (byDescriptor.load(std::memory_order_relaxed)) {
        if (linkat(fd, "", dirFd, name, AT_EMPTY_PATH) == 0)
            return true;
        if (errno != ENOENT && errno != EPERM && errno != EINVAL)
            return false;
        byDescriptor.store(false, std::memory_order_relaxed);
    }
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, self, dirFd, name, AT_SYMLINK_FOLLOW) == 0;
}

} // namespace ziplibs

#include "ziplibs/common/AnonymousFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace ziplibs {

int openAnonymousFile(int dirFd, mode_t mode) {
    static const bool linkable = access("/proc/self/fd", X_OK) == 0;
    return linkable ? openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode) : -1;
}

bool linkAnonymousFile(int fd, int dirFd, const char* name) {
    char self[40];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return linkat(AT_FDCWD, self, dirFd, name, AT_SYMLINK_FOLLOW) == 0;
}

} // namespace ziplibs

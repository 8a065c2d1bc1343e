#pragma once
// Files written without a name and named only when whole (Linux's O_TMPFILE), so that a killed
// process leaves nothing behind. Such a file is named through its descriptor (linkat with
// AT_EMPTY_PATH, which kernels since 6.10 allow to whoever opened it), else through its entry
// under /proc/self/fd: without /proc, or on a file system without anonymous files, there is
// none and the caller falls back to a temporary name.
#include <sys/types.h>

namespace ziplibs {

// An anonymous file in the folder DIRFD, open for reading and writing with MODE, or -1.
int openAnonymousFile(int dirFd, mode_t mode);

// Gives the anonymous file FD the name NAME in the folder DIRFD. Never replaces anything:
// false with errno EEXIST when NAME exists.
bool linkAnonymousFile(int fd, int dirFd, const char* name);

} // namespace ziplibs

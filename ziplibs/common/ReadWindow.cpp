#include "ziplibs/common/ReadWindow.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ziplibs {

namespace {
// Reads as much as there is of N bytes at AT, up to the file's end; -1 on an error.
ssize_t readAt(int fd, std::uint64_t at, char* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = pread(fd, out + got, n - got, static_cast<off_t>(at + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}
} // namespace

bool ReadWindow::read(int fd, std::uint64_t at, void* out, std::size_t n) {
    if (n > size_ / 2)
        return readAt(fd, at, static_cast<char*>(out), n) == static_cast<ssize_t>(n);
    if (at < at_ || at - at_ > fill_ || fill_ - (at - at_) < n) {
        bytes_.resize(size_);
        const ssize_t got = readAt(fd, at, bytes_.data(), size_);
        at_ = at;
        fill_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        if (fill_ < n)
            return false;
    }
    std::memcpy(out, bytes_.data() + (at - at_), n);
    return true;
}

} // namespace ziplibs

#include "ziplibs/zipper/Writeback.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <system_error>

namespace ziplibs {

namespace {
// Less than this is left for the kernel to write in its own time, so that deleting from a
// small archive starts no thread.
constexpr std::uint64_t Step = 8u << 20;
} // namespace

void Writeback::written(std::uint64_t end) {
    if (noThread_ || end < posted_ + Step)
        return;
    {
        std::lock_guard lock(mutex_);
        posted_ = end;
    }
    if (thread_.joinable()) {
        wake_.notify_one();
        return;
    }
    struct statfs fs {};
    if (fstatfs(fd_, &fs) != 0 || fs.f_type != EXT4_SUPER_MAGIC) {
        noThread_ = true;
        return;
    }
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        noThread_ = true;
    }
}

void Writeback::finish() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void Writeback::run() {
    std::uint64_t started = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return posted_ > started || finishing_; });
        if (posted_ == started)
            return;
        const std::uint64_t end = posted_;
        lock.unlock();
        // Only starts the write; a failure here is the disk's to report to the rename or
        // the reader, as it would be without this call.
        sync_file_range(fd_, static_cast<off_t>(started), static_cast<off_t>(end - started),
                        SYNC_FILE_RANGE_WRITE);
        started = end;
        lock.lock();
    }
}

} // namespace ziplibs

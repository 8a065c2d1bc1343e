#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace ziplibs {

// Starts the disk write of a file's finished part on a thread of its own while the rest of
// the file is still being written. ext4 writes out a file that replaces another by rename at
// the rename, so that a crash cannot leave the name on data that never reached the disk: a
// gigabyte copied and left in memory then costs the rename a good part of the copy's time.
// Started as the copy goes, that work runs on another core and the rename finds little left.
// Nothing is waited for: the pages are handed to the disk as the kernel would hand them later.
// Only on ext4: on a file system that does not write out at the rename (a slow memory stick's
// FAT among them) the file would otherwise be written while the caller waits.
class Writeback {
public:
    explicit Writeback(int fd) : fd_(fd) {}
    ~Writeback() { finish(); }
    Writeback(const Writeback&) = delete;
    Writeback& operator=(const Writeback&) = delete;

    // The file's bytes [0, end) are written and may go to the disk.
    void written(std::uint64_t end);
    // Ends the thread; called before the file is closed or put in place.
    void finish();

private:
    void run();

    int fd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t posted_ = 0; // handed to the thread
    bool finishing_ = false;
    bool noThread_ = false; // not ext4, or no thread: the kernel writes in its own time
    std::thread thread_;
};

} // namespace ziplibs

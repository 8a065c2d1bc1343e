#pragma once
// Compresses the files of an add on every core while libzip writes the archive on the calling
// thread. A file of up to WholeBufferLimit bytes is read and compressed whole by a worker
// thread ahead of the writer; its data source then hands libzip the compressed bytes with
// their CRC and sizes, which libzip copies into the archive as they stand. Larger files, and
// any file a worker could not read, are read by their plain source, and libzip compresses them
// itself as before. The workers never call back: the plain sources announce each file and the
// progress is reported on the calling thread, as the library's callers expect.
//
// The compressed data waiting for the writer is bounded (a few times WholeBufferLimit), so
// memory does not grow with the archive. When the writer needs a file that no worker has
// started yet, it compresses that file itself, so an order of writing other than the order of
// the files never waits for nothing.
#include "ziplibs/common/Deflate.h"
#include "ziplibs/common/Reporter.h"

#include <zip.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ziplibs {

class CompressAhead {
public:
    // LEVEL is zlib's 0 to 9; at 0 (stored) nothing is compressed ahead. WORKERS is the number
    // of threads; 0 takes one per core.
    CompressAhead(int level, Reporter& reporter, unsigned workers = 0);
    // Stops the workers and waits for them; a file being compressed is finished first.
    ~CompressAhead();
    CompressAhead(const CompressAhead&) = delete;
    CompressAhead& operator=(const CompressAhead&) = delete;

    // The data source of the file at PATH, listed with SIZE bytes. PLAIN with PLAIN_STATE is
    // the source that reads the file as it stands; the returned source uses it for opening,
    // closing and reporting, and frees PLAIN_STATE through it. Null when libzip cannot make a
    // source; PLAIN_STATE is then still the caller's.
    zip_source_t* source(zip_t* za, const std::string& path, std::uint64_t size,
                         zip_source_callback plain, void* plainState);

    struct Job;

private:
    struct Source;
    static zip_int64_t callback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd);

    void startWorkers();
    void work();
    // Reads and compresses JOB on this thread; LOCK (held on entry and on return) is let go
    // meanwhile.
    void run(Job& job, Deflater& deflater, std::unique_lock<std::mutex>& lock);
    // Waits until JOB is done, compressing it here when no worker has started it.
    void finish(Job& job);
    // The writer is done with JOB's data, or will never read it.
    void release(Job& job);
    void drop(Job& job); // under the lock

    const int level_;
    Reporter& rep_;
    const unsigned workerCount_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable jobDone_;
    std::deque<std::shared_ptr<Job>> queue_; // jobs not yet started, in the order given
    std::uint64_t bytesHeld_ = 0;            // input and output of started, unreleased jobs
    bool stopping_ = false;
    std::vector<std::thread> workers_;
    std::unique_ptr<Deflater> writerDeflater_; // for the files the writer compresses itself
};

} // namespace ziplibs

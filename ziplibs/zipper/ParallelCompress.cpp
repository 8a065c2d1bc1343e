#include "ziplibs/zipper/ParallelCompress.h"

#include "ziplibs/common/CallbackGuard.h"
#include "ziplibs/common/Deflate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ziplibs {

namespace {

// What the started and unreleased jobs may hold at once: a worker waits above it, unless
// nothing is held (a single large file always goes).
constexpr std::uint64_t HeldLimit = 3 * WholeBufferLimit;

// The file's bytes, or false when it cannot be read whole within WholeBufferLimit (missing,
// not a regular file, unreadable, grown too large). Such a file is left to the plain source,
// which reports what is wrong as it always has.
bool readWhole(const std::string& path, std::uint64_t listedSize, std::vector<unsigned char>& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::size_t have = 0;
    out.resize(static_cast<std::size_t>(std::min(listedSize, WholeBufferLimit)) + 1);
    while (ok) {
        if (have == out.size()) {
            if (out.size() > WholeBufferLimit) {
                ok = false;
                break;
            }
            out.resize(std::min<std::size_t>(out.size() * 2, WholeBufferLimit + 1));
        }
        const ssize_t n = read(fd, out.data() + have, out.size() - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        else if (n == 0)
            break;
        else
            have += static_cast<std::size_t>(n);
    }
    close(fd);
    out.resize(ok ? have : 0);
    return ok;
}

} // namespace

struct CompressAhead::Job {
    enum class State { Queued, Running, Done, Released };
    std::string path;
    std::uint64_t listedSize = 0;
    State state = State::Queued;
    std::uint64_t held = 0; // bytes counted in bytesHeld_
    // Set when done: whether the file was compressed here, and what it gave.
    bool compressed = false;
    std::vector<unsigned char> data;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    bool abandoned = false; // its source is gone while it was being compressed
};

// One entry's source: the plain source, and the job that may have compressed its file.
struct CompressAhead::Source {
    CompressAhead* owner;
    std::shared_ptr<Job> job;
    zip_source_callback plain;
    void* plainState;
    bool resolved = false; // the job is done and looked at
    bool ahead = false;    // the compressed data is what libzip reads
    std::size_t pos = 0;
    std::uint64_t reported = 0;
    zip_error_t error{};
    bool ownError = false;

    zip_int64_t forward(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
        return plain(plainState, data, len, cmd);
    }
    zip_int64_t command(void* data, zip_uint64_t len, zip_source_cmd_t cmd);
    void resolve() {
        if (resolved)
            return;
        owner->finish(*job);
        resolved = true;
        ahead = job->compressed;
    }
};

CompressAhead::CompressAhead(int level, Reporter& reporter, unsigned workers)
    : level_(level), rep_(reporter),
      workerCount_(workers ? workers : std::max(1u, std::thread::hardware_concurrency())) {}

CompressAhead::~CompressAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

zip_source_t* CompressAhead::source(zip_t* za, const std::string& path, std::uint64_t size,
                                    zip_source_callback plain, void* plainState) {
    if (level_ <= 0 || size > WholeBufferLimit)
        return zip_source_function(za, plain, plainState);
    auto* s = new Source{this, std::make_shared<Job>(), plain, plainState};
    s->job->path = path;
    s->job->listedSize = size;
    zip_error_init(&s->error);
    zip_source_t* src = zip_source_function(za, &CompressAhead::callback, s);
    if (!src) {
        zip_error_fini(&s->error);
        delete s;
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(s->job);
        if (workers_.empty())
            startWorkers();
    }
    workAvailable_.notify_one();
    return src;
}

void CompressAhead::startWorkers() {
    // Without threads (none could be started) the writer compresses every file itself.
    try {
        for (unsigned i = 0; i < workerCount_; ++i)
            workers_.emplace_back([this] { work(); });
    } catch (const std::exception&) {
    }
}

void CompressAhead::work() {
    std::unique_ptr<Deflater> made;
    try {
        made = std::make_unique<Deflater>(level_);
    } catch (const std::exception&) {
        return; // the files go to the other workers or the writer
    }
    Deflater& deflater = *made;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock, [this] {
            if (stopping_)
                return true;
            if (queue_.empty())
                return false;
            const std::uint64_t cost = 2 * queue_.front()->listedSize;
            return bytesHeld_ == 0 || bytesHeld_ + cost <= HeldLimit;
        });
        if (stopping_)
            return;
        std::shared_ptr<Job> job = queue_.front();
        queue_.pop_front();
        run(*job, deflater, lock);
    }
}

void CompressAhead::run(Job& job, Deflater& deflater, std::unique_lock<std::mutex>& lock) {
    job.state = Job::State::Running;
    job.held = 2 * job.listedSize;
    bytesHeld_ += job.held;
    job.compressed = false;
    lock.unlock();
    try {
        std::vector<unsigned char> input;
        if (readWhole(job.path, job.listedSize, input)) {
            job.size = input.size();
            job.crc = crc32(0, input.data(), input.size());
            job.data = deflater.compress(input.data(), input.size());
            job.compressed = true;
        }
    } catch (const std::exception&) {
        // Out of memory: the plain source reads the file and libzip compresses it.
        std::vector<unsigned char>().swap(job.data);
    }
    lock.lock();
    // Only the output stays held now, until the writer has copied it.
    bytesHeld_ -= job.held;
    job.held = job.data.size();
    bytesHeld_ += job.held;
    job.state = Job::State::Done;
    if (job.abandoned)
        drop(job);
    jobDone_.notify_all();
    workAvailable_.notify_all();
}

void CompressAhead::finish(Job& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    jobDone_.wait(lock, [&] { return job.state != Job::State::Running; });
    if (job.state == Job::State::Done)
        return;
    // No worker has come to it (or it was read once and given back, and libzip opens it
    // again): do it here rather than wait for the files before it.
    const auto it = std::find_if(queue_.begin(), queue_.end(),
                                 [&](const std::shared_ptr<Job>& j) { return j.get() == &job; });
    if (it != queue_.end())
        queue_.erase(it);
    if (!writerDeflater_) {
        try {
            writerDeflater_ = std::make_unique<Deflater>(level_);
        } catch (const std::exception&) {
            job.compressed = false; // left to the plain source
            job.state = Job::State::Done;
            return;
        }
    }
    run(job, *writerDeflater_, lock);
}

void CompressAhead::release(Job& job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job.state == Job::State::Running) {
            job.abandoned = true; // its worker drops it when done
            return;
        }
        if (job.state == Job::State::Queued) {
            const auto it =
                std::find_if(queue_.begin(), queue_.end(),
                             [&](const std::shared_ptr<Job>& j) { return j.get() == &job; });
            if (it != queue_.end())
                queue_.erase(it);
        }
        drop(job);
    }
    workAvailable_.notify_all();
}

void CompressAhead::drop(Job& job) {
    bytesHeld_ -= job.held;
    job.held = 0;
    std::vector<unsigned char>().swap(job.data);
    job.state = Job::State::Released;
}

zip_int64_t CompressAhead::callback(void* ud, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<Source*>(ud);
    return guardedSource(
        &s->error, [&] { return s->command(data, len, cmd); }, [&] { s->ownError = true; });
}

zip_int64_t CompressAhead::Source::command(void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    Source* s = this;
    switch (cmd) {
    case ZIP_SOURCE_STAT: {
        s->resolve();
        const zip_int64_t r = s->forward(data, len, cmd);
        if (r < 0 || !s->ahead)
            return r;
        auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s->error);
        if (!st)
            return -1;
        st->size = s->job->size;
        st->comp_size = s->job->data.size();
        st->comp_method = ZIP_CM_DEFLATE;
        st->crc = s->job->crc;
        st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
        return r;
    }
    case ZIP_SOURCE_OPEN: {
        s->resolve();
        s->ownError = false;
        const zip_int64_t r = s->forward(data, len, cmd);
        if (r < 0 || !s->ahead)
            return r;
        s->owner->finish(*s->job); // compressed anew when it was read before and given back
        if (!s->job->compressed) {
            // The file changed since: its stat no longer fits its data.
            zip_error_set(&s->error, ZIP_ER_READ, EIO);
            s->ownError = true;
            s->forward(nullptr, 0, ZIP_SOURCE_CLOSE);
            return -1;
        }
        s->pos = 0;
        s->reported = 0;
        return r;
    }
    case ZIP_SOURCE_READ: {
        if (!s->ahead)
            return s->forward(data, len, cmd);
        const std::vector<unsigned char>& bytes = s->job->data;
        const std::size_t n =
            static_cast<std::size_t>(std::min<zip_uint64_t>(len, bytes.size() - s->pos));
        std::copy_n(bytes.data() + s->pos, n, static_cast<unsigned char*>(data));
        s->pos += n;
        // Progress counts the file's bytes: the compressed bytes' share of them.
        const std::uint64_t done =
            s->pos == bytes.size() ? s->job->size
                                   : static_cast<std::uint64_t>(static_cast<double>(s->pos) /
                                                                static_cast<double>(bytes.size()) *
                                                                static_cast<double>(s->job->size));
        if (done > s->reported) {
            const std::uint64_t step = done - s->reported;
            s->reported = done;
            if (!s->owner->rep_.progress(step)) {
                zip_error_set(&s->error, ZIP_ER_CANCELLED, 0);
                s->ownError = true;
                return -1;
            }
        }
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        if (s->ahead)
            s->owner->release(*s->job);
        return s->forward(data, len, cmd);
    case ZIP_SOURCE_ERROR:
        if (s->ownError)
            return zip_error_to_data(&s->error, data, len);
        return s->forward(data, len, cmd);
    case ZIP_SOURCE_FREE: {
        const zip_int64_t r = s->forward(data, len, cmd);
        s->owner->release(*s->job);
        zip_error_fini(&s->error);
        delete s;
        return r;
    }
    default:
        return s->forward(data, len, cmd);
    }
}

} // namespace ziplibs

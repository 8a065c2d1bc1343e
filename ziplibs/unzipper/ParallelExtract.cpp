#include "ziplibs/unzipper/ParallelExtract.h"

#include "ziplibs/unzipper/MethodDecoders.h"

#include <algorithm>
#include <cstdlib>

namespace ziplibs {

namespace {

// An entry's stored bytes, all in memory, for the decoders of the other methods.
class MemorySource : public ChunkSource {
public:
    explicit MemorySource(const std::vector<char>& bytes) : bytes_(bytes) {}
    std::ptrdiff_t next(const unsigned char*& data) override {
        data = reinterpret_cast<const unsigned char*>(bytes_.data());
        const auto n = static_cast<std::ptrdiff_t>(given_ ? 0 : bytes_.size());
        given_ = true;
        return n;
    }

private:
    const std::vector<char>& bytes_;
    bool given_ = false;
};

// Decodes STORED of METHOD into exactly OUT's size; false when the data is damaged, ends
// early or gives more.
bool decodeWhole(std::int32_t method, const std::vector<char>& stored, std::vector<char>& out) {
    MemorySource source(stored);
    const auto decoder = makeMethodDecoder(method, static_cast<std::int64_t>(out.size()), source);
    if (!decoder)
        return false;
    std::size_t total = 0;
    for (;;) {
        unsigned char spare = 0; // room to see data beyond the entry's size
        const bool full = total == out.size();
        std::size_t got = 0;
        if (decoder->read(full ? &spare : reinterpret_cast<unsigned char*>(out.data()) + total,
                          full ? 1 : out.size() - total, got) != DecodeResult::Ok)
            return false;
        if (got == 0)
            return full;
        if (full)
            return false;
        total += got;
    }
}

} // namespace

struct InflateAhead::Job {
    enum class State { Queued, Running, Done };
    zip_uint64_t idx = 0;
    std::vector<char> stored;
    std::vector<char> inflated;
    std::size_t size = 0; // the entry's, to inflate to
    std::int32_t method = ZIP_CM_DEFLATE;
    std::uint64_t held = 0; // stored and inflated bytes, counted while the job is kept
    std::uint32_t crc = 0;
    bool ok = false;
    State state = State::Queued; // under the lock
};

unsigned InflateAhead::workers() {
    if (const char* set = std::getenv("QUEMBLY_UNZIP_WORKERS"); set && *set)
        return static_cast<unsigned>(std::min(std::strtoul(set, nullptr, 10), 64ul));
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores : 0;
}

InflateAhead::InflateAhead(zip_t* za, zip_uint64_t count, std::function<bool(zip_uint64_t)> wanted,
                           unsigned workers)
    : za_(za), count_(count), wanted_(std::move(wanted)),
      workerCount_(workers > 0 ? workers : std::max(1u, std::thread::hardware_concurrency())) {}

InflateAhead::~InflateAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

std::shared_ptr<InflateAhead::Job> InflateAhead::readAhead(zip_uint64_t idx) {
    zip_stat_t st;
    constexpr zip_uint64_t needed =
        ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
    if (zip_stat_index(za_, idx, 0, &st) != 0 || (st.valid & needed) != needed ||
        (st.comp_method != ZIP_CM_DEFLATE && !decodedHere(st.comp_method)) ||
        st.encryption_method != ZIP_EM_NONE || st.size > ReadyLimit || st.comp_size > ReadyLimit)
        return nullptr;
    auto job = std::make_shared<Job>();
    job->idx = idx;
    job->size = static_cast<std::size_t>(st.size);
    job->method = st.comp_method;
    job->stored.resize(static_cast<std::size_t>(st.comp_size));
    zip_file_t* raw = zip_fopen_index(za_, idx, ZIP_FL_COMPRESSED);
    if (!raw)
        return nullptr;
    std::size_t got = 0;
    while (got < job->stored.size()) {
        const zip_int64_t n = zip_fread(raw, job->stored.data() + got, job->stored.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    zip_fclose(raw);
    // Bytes that cannot be read are left to the writer's own reading, which reports why.
    return got == job->stored.size() ? job : nullptr;
}

void InflateAhead::fill(zip_uint64_t from) {
    next_ = std::max(next_, from);
    while (next_ < count_ && ahead_.size() < MaxAhead && (held_ < HeldLimit || ahead_.empty())) {
        const zip_uint64_t idx = next_++;
        if (!wanted_(idx))
            continue;
        std::shared_ptr<Job> job = readAhead(idx);
        if (!job)
            continue;
        job->held = job->stored.size() + job->size;
        held_ += job->held;
        ahead_.push_back(job);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(job));
            while (workers_.size() < workerCount_)
                workers_.emplace_back([this] { work(); });
        }
        workAvailable_.notify_one();
    }
}

void InflateAhead::inflate(Job& job, Inflater& inflater) {
    // An allocation that fails leaves the entry to the writer, as a damaged one.
    try {
        job.inflated.resize(job.size);
        job.ok = job.method == ZIP_CM_DEFLATE
                     ? inflater.inflate(job.stored.data(), job.stored.size(), job.inflated.data(),
                                        job.size)
                     : decodeWhole(job.method, job.stored, job.inflated);
        if (job.ok)
            job.crc = crc32(0, job.inflated.data(), job.size);
    } catch (...) {
        job.ok = false;
    }
    job.stored = {};
}

void InflateAhead::work() {
    std::unique_ptr<Inflater> inflater;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        std::shared_ptr<Job> job = std::move(queue_.front());
        queue_.pop_front();
        job->state = Job::State::Running;
        lock.unlock();
        try {
            if (!inflater)
                inflater = std::make_unique<Inflater>();
            inflate(*job, *inflater);
        } catch (...) {
            job->ok = false; // no inflater: the writer reads the entry itself
        }
        lock.lock();
        job->state = Job::State::Done;
        jobDone_.notify_all();
    }
}

void InflateAhead::drop(const std::shared_ptr<Job>& job) {
    if (job->state == Job::State::Queued)
        queue_.erase(std::find(queue_.begin(), queue_.end(), job));
}

bool InflateAhead::take(zip_uint64_t idx, InflatedEntry& out) {
    if (current_) {
        held_ -= current_->held;
        current_.reset();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!ahead_.empty() && ahead_.front()->idx < idx) {
            drop(ahead_.front());
            held_ -= ahead_.front()->held;
            ahead_.pop_front();
        }
    }
    fill(idx);
    if (ahead_.empty() || ahead_.front()->idx != idx)
        return false;
    std::shared_ptr<Job> job = std::move(ahead_.front());
    ahead_.pop_front();
    current_ = job;
    bool here = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (job->state == Job::State::Queued) {
            drop(job);
            job->state = Job::State::Running;
            here = true;
        } else {
            jobDone_.wait(lock, [&] { return job->state == Job::State::Done; });
        }
    }
    if (here) {
        if (!writerInflater_)
            writerInflater_ = std::make_unique<Inflater>();
        inflate(*job, *writerInflater_);
    }
    // The workers go on with the entries after this one while it is written.
    fill(idx + 1);
    if (!job->ok)
        return false;
    out = InflatedEntry{job->inflated.data(), job->size, job->crc, 0};
    return true;
}

} // namespace ziplibs

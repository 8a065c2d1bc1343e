#include "ziplibs/unzipper/ParallelExtract.h"

#include "ziplibs/common/AnonymousFile.h"
#include "ziplibs/unzipper/Decryption.h"
#include "ziplibs/unzipper/MethodDecoders.h"
#include "ziplibs/unzipper/SafeOutput.h"

#include "zipformat/CentralDirectory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ziplibs {

namespace {

// An entry's stored bytes, all in memory, for the decoders of the other methods.
class MemorySource : public ChunkSource {
public:
    MemorySource(const char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::ptrdiff_t next(const unsigned char*& data) override {
        data = reinterpret_cast<const unsigned char*>(bytes_);
        const auto n = static_cast<std::ptrdiff_t>(given_ ? 0 : size_);
        given_ = true;
        return n;
    }

private:
    const char* bytes_;
    std::size_t size_;
    bool given_ = false;
};

// Decodes the SIZE stored bytes at STORED of METHOD into exactly OUT_SIZE bytes at OUT; false
// when the data is damaged, ends early or gives more.
bool decodeWhole(std::int32_t method, const char* stored, std::size_t size, char* out,
                 std::size_t outSize) {
    MemorySource source(stored, size);
    const auto decoder = makeMethodDecoder(method, static_cast<std::int64_t>(outSize), source);
    if (!decoder)
        return false;
    std::size_t total = 0;
    for (;;) {
        unsigned char spare = 0; // room to see data beyond the entry's size
        const bool full = total == outSize;
        std::size_t got = 0;
        if (decoder->read(full ? &spare : reinterpret_cast<unsigned char*>(out) + total,
                          full ? 1 : outSize - total, got) != DecodeResult::Ok)
            return false;
        if (got == 0)
            return full;
        if (full)
            return false;
        total += got;
    }
}

} // namespace

// The memory of an extraction's buffers, taken from one region that the kernel is asked to
// back with huge pages. The buffers of an extraction touch tens of megabytes, and in 4 KiB
// pages each first touch is a fault of its own: 12,000 of them for a tree of 157 MB, on a
// virtual machine a fifth of the extraction's time. Buffers taken from here are kept for
// later entries of their class and never given back one by one; the region goes when the
// extraction ends. When it is full, or refused, buffers come from the heap as before.
class InflateAhead::Arena {
public:
    static constexpr std::size_t Size = 64u << 20;
    static constexpr std::size_t HugePage = 2u << 20;

    Arena() {
#if !defined(__SANITIZE_ADDRESS__) // AddressSanitizer watches buffers from the heap only
        void* p = mmap(nullptr, Size + HugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED)
            return;
        mapped_ = static_cast<char*>(p);
        const auto at = reinterpret_cast<std::uintptr_t>(mapped_);
        base_ = mapped_ + ((HugePage - at % HugePage) % HugePage);
        madvise(base_, Size, MADV_HUGEPAGE); // only advice: without it pages are small
#endif
    }
    ~Arena() {
        if (mapped_)
            munmap(mapped_, Size + HugePage);
    }
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // CAPACITY bytes, or null when the region is full or there is none. Calling thread only.
    char* take(std::size_t capacity) {
        if (!base_ || capacity > Size - used_)
            return nullptr;
        char* p = base_ + used_;
        used_ += capacity;
        return p;
    }

private:
    char* mapped_ = nullptr;
    char* base_ = nullptr;
    std::size_t used_ = 0;
};

std::size_t InflateAhead::sizeClass(std::size_t n) {
    std::size_t k = 0;
    while ((MinBuffer << k) < n)
        ++k;
    return k;
}

struct InflateAhead::Job {
    enum class State { Queued, Running, Done };
    ~Job() {
        if (fd >= 0)
            close(fd);
    }
    zip_uint64_t idx = 0;
    Buffer stored;
    Buffer inflated;
    std::size_t size = 0; // the entry's, to inflate to
    std::int32_t method = ZIP_CM_DEFLATE;
    std::uint64_t held = 0; // stored and inflated bytes, counted while the job is kept
    std::uint32_t crc = 0;
    std::uint32_t storedCrc = 0;            // the directory's
    zip_uint16_t encryption = ZIP_EM_NONE;  // a WinZip AES method, decrypted with password
    std::shared_ptr<const Secret> password; // the one it is read ahead with
    bool authenticated = false;             // AE-2: its authentication code stands for its CRC
    std::optional<FileToWrite> file;
    int fd = -1; // the file written ahead
    bool ok = false;
    bool queued = false;         // handed to the workers (else decoded by the calling thread)
    State state = State::Queued; // under the lock
};

unsigned InflateAhead::workers() {
    if (const char* set = std::getenv("QUEMBLY_UNZIP_WORKERS"); set && *set)
        return static_cast<unsigned>(std::min(std::strtoul(set, nullptr, 10), 64ul));
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores : 0;
}

InflateAhead::InflateAhead(zip_t* za, zip_uint64_t count, Wanted wanted, unsigned workers,
                           RawData raw)
    : arena_(std::make_unique<Arena>()), za_(za), count_(count), wanted_(std::move(wanted)),
      workerCount_(workers > 0 ? workers : std::max(1u, std::thread::hardware_concurrency())),
      raw_(raw) {}

InflateAhead::~InflateAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

InflateAhead::Buffer InflateAhead::buffer(std::size_t size) {
    // Buffers come in sizes of powers of two, so that one kept from an entry serves any later
    // entry of its class: memory once touched is used again, not asked of the system anew.
    const std::size_t k = sizeClass(size);
    Buffer b;
    if (k < spare_.size() && !spare_[k].empty()) {
        b = std::move(spare_[k].back());
        spare_[k].pop_back();
        if (b.bytes.get_deleter().own)
            spareBytes_ -= b.capacity;
    } else {
        b.capacity = MinBuffer << k;
        char* p = arena_->take(b.capacity);
        b.bytes = decltype(b.bytes)(p ? p : new char[b.capacity], BufferRelease{p == nullptr});
    }
    b.size = size;
    return b;
}

void InflateAhead::retire(std::shared_ptr<Job>& job) {
    // A job still with a worker keeps its buffers; only this thread's last reference gives
    // them back.
    if (job.use_count() == 1)
        for (Buffer* b : {&job->stored, &job->inflated}) {
            const std::size_t k = sizeClass(b->capacity);
            const bool own = b->bytes.get_deleter().own;
            // The arena's are kept whatever their number: its memory is taken anyway.
            if (b->capacity > 0 && k < spare_.size() &&
                (!own || spareBytes_ + b->capacity <= HeldLimit)) {
                spareBytes_ += own ? b->capacity : 0;
                spare_[k].push_back(std::move(*b));
            }
        }
    job.reset();
}

std::shared_ptr<InflateAhead::Job> InflateAhead::readAhead(zip_uint64_t idx) {
    zip_stat_t st;
    constexpr zip_uint64_t needed = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD |
                                    ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
    if (zip_stat_index(za_, idx, 0, &st) != 0 || (st.valid & needed) != needed ||
        (st.comp_method != ZIP_CM_DEFLATE && st.comp_method != ZIP_CM_STORE &&
         !decodedHere(st.comp_method)))
        return nullptr;
    const bool encrypted = st.encryption_method != ZIP_EM_NONE;
    const std::size_t overhead = encrypted ? aesOverhead(st.encryption_method) : 0;
    if ((encrypted && (!password_ || overhead == 0 || st.comp_size < overhead)) ||
        st.size > ReadyLimit || st.comp_size - overhead > ReadyLimit ||
        (st.comp_method == ZIP_CM_STORE && st.size != st.comp_size - overhead))
        return nullptr;
    auto job = std::make_shared<Job>();
    job->idx = idx;
    job->size = static_cast<std::size_t>(st.size);
    job->method = st.comp_method;
    job->storedCrc = st.crc;
    if (encrypted) {
        job->encryption = st.encryption_method;
        job->password = password_;
        job->authenticated = ae2_ && ae2_(idx);
    }
    job->stored = buffer(static_cast<std::size_t>(st.comp_size));
    const std::uint64_t at = raw_.fd >= 0 ? raw_.dataStart[idx] : zipformat::NoDataStart;
    if (at != zipformat::NoDataStart)
        return window_.read(raw_.fd, at, job->stored.data(), job->stored.size) ? job : nullptr;
    zip_file_t* raw =
        zip_fopen_index(za_, idx, ZIP_FL_COMPRESSED | (encrypted ? ZIP_FL_ENCRYPTED : 0));
    if (!raw)
        return nullptr;
    std::size_t got = 0;
    while (got < job->stored.size) {
        const zip_int64_t n = zip_fread(raw, job->stored.data() + got, job->stored.size - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    zip_fclose(raw);
    // Bytes that cannot be read are left to the writer's own reading, which reports why.
    return got == job->stored.size ? job : nullptr;
}

void InflateAhead::fill(zip_uint64_t from) {
    next_ = std::max(next_, from);
    while (next_ < count_ && ahead_.size() < MaxAhead && (held_ < HeldLimit || ahead_.empty())) {
        const zip_uint64_t idx = next_++;
        std::optional<FileToWrite> file;
        if (!wanted_(idx, file))
            continue;
        std::shared_ptr<Job> job = readAhead(idx);
        if (!job)
            continue;
        if (raw_.folder >= 0)
            job->file = file;
        if (job->method != ZIP_CM_STORE)
            job->inflated = buffer(job->size);
        job->held = job->stored.size + job->size;
        held_ += job->held;
        ahead_.push_back(job);
        if (job->stored.size <= InlineLimit && !job->file)
            continue; // decoded when taken
        job->queued = true;
        bool wake = false; // only a worker that waits needs the system's help to go on
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(job));
            while (workers_.size() < workerCount_)
                workers_.emplace_back([this] { work(); });
            wake = idle_ > 0;
        }
        if (wake)
            workAvailable_.notify_one();
    }
}

void InflateAhead::inflate(Job& job, Inflater& inflater) {
    // An entry that fails here is left to the writer, which reads it again and reports it.
    try {
        if (job.encryption != ZIP_EM_NONE) {
            auto* raw = reinterpret_cast<unsigned char*>(job.stored.data());
            const int status =
                decryptAes(raw, job.stored.size, job.encryption, job.password->c_str());
            if (status != ZIP_ER_OK)
                return;
            job.stored.size -= aesOverhead(job.encryption);
            std::memmove(raw, raw + aesDataOffset(job.encryption), job.stored.size);
        }
        if (job.method == ZIP_CM_STORE) {
            std::swap(job.inflated, job.stored);
            job.ok = true;
        } else if (job.method == ZIP_CM_DEFLATE) {
            job.ok =
                inflater.inflate(job.stored.data(), job.stored.size, job.inflated.data(), job.size);
        } else {
            job.ok = decodeWhole(job.method, job.stored.data(), job.stored.size,
                                 job.inflated.data(), job.size);
        }
        if (job.ok && !job.authenticated)
            job.crc = crc32(0, job.inflated.data(), job.size);
    } catch (...) {
        job.ok = false;
    }
}

void InflateAhead::writeFile(Job& job) const {
    // Only a file that will be extracted as it is: sound, and of its stored CRC.
    if (!job.file || !job.ok || (!job.authenticated && job.crc != job.storedCrc))
        return;
    const int fd = openAnonymousFile(raw_.folder, 0600);
    if (fd < 0)
        return;
    std::size_t done = 0;
    while (done < job.size) {
        const ssize_t n = write(fd, job.inflated.data() + done, job.size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    std::string error;
    // What fails here is done again by the writer, which reports it.
    if (done == job.size && setModeAndTime(fd, job.file->mode, job.file->mtime, error))
        job.fd = fd;
    else
        close(fd);
}

void InflateAhead::work() {
    std::unique_ptr<Inflater> inflater;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!stopping_ && queue_.empty()) {
            ++idle_;
            workAvailable_.wait(lock);
            --idle_;
        }
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
            writeFile(*job);
        } catch (...) {
            job->ok = false; // no inflater: the writer reads the entry itself
        }
        lock.lock();
        job->state = Job::State::Done;
        if (writerWaiting_)
            jobDone_.notify_all();
        // The job is let go before the lock is: whoever sees it done holds it alone.
        job.reset();
    }
}

void InflateAhead::drop(const std::shared_ptr<Job>& job) {
    if (job->state == Job::State::Queued && job->queued)
        queue_.erase(std::find(queue_.begin(), queue_.end(), job));
}

bool InflateAhead::take(zip_uint64_t idx, InflatedEntry& out) {
    if (current_) {
        held_ -= current_->held;
        retire(current_);
    }
    std::vector<std::shared_ptr<Job>> passed; // entries not asked for
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!ahead_.empty() && ahead_.front()->idx < idx) {
            drop(ahead_.front());
            held_ -= ahead_.front()->held;
            passed.push_back(std::move(ahead_.front()));
            ahead_.pop_front();
        }
    }
    for (auto& job : passed)
        retire(job);
    fill(idx);
    if (ahead_.empty() || ahead_.front()->idx != idx)
        return false;
    std::shared_ptr<Job> job = std::move(ahead_.front());
    ahead_.pop_front();
    bool here = false;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (job->state == Job::State::Queued) {
            drop(job);
            job->state = Job::State::Running;
            here = true;
        } else {
            writerWaiting_ = true;
            jobDone_.wait(lock, [&] { return job->state == Job::State::Done; });
            writerWaiting_ = false;
        }
    }
    if (here) {
        if (!writerInflater_)
            writerInflater_ = std::make_unique<Inflater>();
        inflate(*job, *writerInflater_);
    }
    current_ = std::move(job);
    // The workers go on with the entries after this one while it is written.
    fill(idx + 1);
    // An entry decrypted with a password given before the one now in use is read again with
    // that one, which asks as it would have.
    if (!current_->ok || (current_->encryption != ZIP_EM_NONE && current_->password != password_))
        return false;
    out = InflatedEntry{current_->inflated.data(), current_->size, current_->crc, 0, current_->fd};
    out.authenticated = current_->authenticated;
    if (current_->fd >= 0) {
        out.mode = current_->file->mode;
        out.mtime = current_->file->mtime;
        current_->fd = -1;
    }
    return true;
}

void InflateAhead::usePassword(const char* password, std::function<bool(zip_uint64_t)> ae2) {
    if (password_ && std::strcmp(password_->c_str(), password) == 0)
        return;
    auto secret = std::make_shared<Secret>();
    secret->assign(password, std::strlen(password));
    password_ = std::move(secret);
    ae2_ = std::move(ae2);
}

} // namespace ziplibs

#pragma once
// Inflates (or decodes) the entries of an extraction on worker threads ahead of the thread that
// writes them. libzip's archive handle serves one thread only, so the calling thread reads
// each coming entry's stored bytes a little ahead of the entry it writes; a worker inflates
// them whole with libdeflate and takes their CRC, and the writer then finds the entry's bytes
// ready. The workers never call back and never touch the archive: every message, progress
// report and check stays on the calling thread, in archive order.
//
// Only entries of up to ReadyLimit bytes go ahead, stored or deflated ones or those of the
// methods decoded here (MethodDecoders.h: LZMA, XZ, Zstandard, Deflate64). When the caller
// knows where the entries' data lie (RawData), their bytes are read straight from the file
// through one large window, so that entries of a few bytes cost no system call of their own;
// entries that small are also checked on the calling thread, where handing them to a worker
// would cost more than their work. WinZip AES entries go ahead once the caller has the
// password (usePassword): deriving each entry's keys from it is most of their time. Other
// encrypted entries and those read before the password is known, larger entries (which keep
// streaming in bounded memory), other methods, and any entry a worker could not decode (a
// wrong password among them) are left to the calling thread's EntryReader, which reads them
// as before, asks for the password and reports what is wrong.
// What is held ahead is bounded, so memory does not grow with the archive.
#include "ziplibs/common/Deflate.h"
#include "ziplibs/common/ReadWindow.h"
#include "ziplibs/common/Secret.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ziplibs {

// The bytes of an entry inflated ahead, handed out block by block as EntryReader does.
struct InflatedEntry {
    const char* data = nullptr;
    std::size_t size = 0;
    std::uint32_t crc = 0; // of all SIZE bytes
    std::size_t pos = 0;
    // The entry's file, already written by a worker (anonymous, with its mode and time set);
    // -1 when the writer makes it. The taker owns it.
    int fd = -1;
    unsigned mode = 0; // what the file written ahead was given
    long long mtime = 0;
    // An AE-2 entry, checked by its authentication code: its stored CRC is left at 0.
    bool authenticated = false;

    std::ptrdiff_t read(const char*& block, std::size_t max) {
        const std::size_t n = std::min(max, size - pos);
        block = data + pos;
        pos += n;
        return static_cast<std::ptrdiff_t>(n);
    }
};

// Where the stored bytes of the entries can be read without libzip: the archive file, and
// for each entry of the handle (by its index) where its data begins in that file
// (zipformat::NoDataStart when unknown). No file (-1) reads every entry through libzip.
struct RawData {
    int fd = -1;
    const std::uint64_t* dataStart = nullptr;
    // The extraction folder, in whose file system the workers make the files of the entries
    // they have decoded (anonymous until the writer links them in, so that the making of
    // files is shared among the cores too); -1: the writer makes every file.
    int folder = -1;
};

// The file an entry becomes, when a worker may write it ahead.
struct FileToWrite {
    unsigned mode = 0;
    long long mtime = 0;
};

// Gives back a buffer's memory when it is its own, not the extraction arena's.
struct BufferRelease {
    bool own = true;
    void operator()(char* p) const {
        if (own)
            delete[] p;
    }
};

class InflateAhead {
public:
    // The largest entry inflated ahead, and what the entries read ahead may hold at once.
    static constexpr std::uint64_t ReadyLimit = 8u << 20;
    static constexpr std::uint64_t HeldLimit = 32u << 20;
    static constexpr std::size_t MaxAhead = 256;
    // Entries of up to this many stored bytes are decoded and checked on the calling thread.
    static constexpr std::uint64_t InlineLimit = 2048;
    // The window through which small entries' bytes are read.
    static constexpr std::size_t WindowSize = 1u << 20;

    // For the COUNT entries of ZA. WANTED(idx, file) tells whether the extraction will ask for
    // entry idx, and sets FILE to what the entry's file will be when it is a plain file that a
    // worker may write ahead. WORKERS threads; 0 takes one per core.
    using Wanted = std::function<bool(zip_uint64_t, std::optional<FileToWrite>&)>;
    InflateAhead(zip_t* za, zip_uint64_t count, Wanted wanted, unsigned workers = 0,
                 RawData raw = {});
    // Stops the workers and waits for them; an entry being inflated is finished first.
    ~InflateAhead();
    InflateAhead(const InflateAhead&) = delete;
    InflateAhead& operator=(const InflateAhead&) = delete;

    // Sets OUT to entry IDX inflated, waiting for a worker (or inflating it here when none
    // has started it); false when it was not read ahead or could not be inflated. The bytes
    // stay valid until the next call. Entries before IDX not asked for are dropped. Calling
    // thread only.
    bool take(zip_uint64_t idx, InflatedEntry& out);

    // From now on WinZip AES entries are read ahead too, decrypted with PASSWORD; AE2(idx)
    // tells an entry checked by its authentication code alone. Another password replaces
    // this one for the entries read after. Calling thread only.
    void usePassword(const char* password, std::function<bool(zip_uint64_t)> ae2);

    // The worker threads an extraction uses: QUEMBLY_UNZIP_WORKERS when set (0 extracts on
    // the calling thread alone, as tests and benchmarks compare), else one per core, and none
    // on a single core, where nothing is gained.
    static unsigned workers();

    // A byte buffer of a power-of-two capacity (not cleared), kept for a later entry once
    // its own is written.
    struct Buffer {
        std::unique_ptr<char[], BufferRelease> bytes;
        std::size_t size = 0, capacity = 0;
        char* data() const { return bytes.get(); }
    };
    static constexpr std::size_t MinBuffer = 4096;
    // The class of a buffer that holds N bytes: its capacity is MinBuffer << class.
    static std::size_t sizeClass(std::size_t n);

private:
    struct Job;
    class Arena;
    // Reads the stored bytes of the wanted entries from FROM on while the bounds allow.
    void fill(zip_uint64_t from);
    std::shared_ptr<Job> readAhead(zip_uint64_t idx);
    void work();
    static void inflate(Job& job, Inflater& inflater);
    void writeFile(Job& job) const;
    void drop(const std::shared_ptr<Job>& job); // under the lock
    void retire(std::shared_ptr<Job>& job);     // its buffers kept for later entries
    Buffer buffer(std::size_t size);

    // First, so that it outlives every buffer taken from it.
    std::unique_ptr<Arena> arena_;
    zip_t* za_;
    const zip_uint64_t count_;
    const Wanted wanted_;
    const unsigned workerCount_;
    zip_uint64_t next_ = 0;                    // the next entry fill looks at
    std::deque<std::shared_ptr<Job>> ahead_;   // read ahead and not yet taken, by index
    std::shared_ptr<Job> current_;             // the one last taken, whose bytes are out
    std::uint64_t held_ = 0;                   // bytes of ahead_ and current_
    std::unique_ptr<Inflater> writerInflater_; // for entries no worker has started
    RawData raw_;
    std::shared_ptr<const Secret> password_; // each job keeps the one it was read with
    std::function<bool(zip_uint64_t)> ae2_;
    ReadWindow window_{WindowSize};             // onto the archive file
    std::array<std::vector<Buffer>, 16> spare_; // buffers of written entries, by class
    std::uint64_t spareBytes_ = 0;

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable jobDone_;
    std::deque<std::shared_ptr<Job>> queue_; // read, not yet started
    bool stopping_ = false;
    std::size_t idle_ = 0;       // workers waiting for a job
    bool writerWaiting_ = false; // the calling thread waits for a job to be done
    std::vector<std::thread> workers_;
};

} // namespace ziplibs

// Fuzzing entry point of the archive entry reader: the bytes are read as an archive file.
//
// The reader may end a listing with "No valid zip entries found" or raise a stream error;
// anything else (another exception, a crash, a hang, a name beyond its limit, a walk that
// moves backwards) is a fault.
#include "archive/Archiver.h"
#include "archive/DirectoryReader.h"
#include "platform/Errors.h"
#include "platform/Messages.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class MemorySource : public archive_detail::ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t read(void* buffer, std::size_t count) override {
        if (pos_ < 0 || pos_ >= static_cast<std::int64_t>(size_))
            return 0;
        const std::size_t n = std::min(count, size_ - static_cast<std::size_t>(pos_));
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += static_cast<std::int64_t>(n);
        ++reads_;
        return n;
    }
    std::int64_t seekBy(std::int64_t delta) override { return pos_ += delta; }
    std::int64_t seekTo(std::int64_t position) override { return pos_ = position; }
    std::int64_t position() const override { return pos_; }
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    long reads() const { return reads_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::int64_t pos_ = 0;
    long reads_ = 0;
};

// The reader's message box goes nowhere.
class QuietMessages : public platform::MessageService {
public:
    void showMessage(const std::string&) override {}
    bool confirm(const std::string&) override { return false; }
    void showError(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietMessages quiet;
    platform::ScopedMessageService scope(quiet);
    MemorySource source(data, size);
    std::vector<std::unique_ptr<ZipDirEntry>> entries;
    try {
        archive_detail::readEntries(source, entries);
    } catch (const platform::EStreamError&) {
        // A damaged archive: the entries read so far stay listed.
    }
    // Every entry stands on a header of at least 30 bytes of its own.
    if (entries.size() > size / 30 + 1)
        std::abort();
    // The walk only moves forward: no more reads than about one per byte.
    if (source.reads() > 2 * static_cast<long>(size) + 64)
        std::abort();
    for (const auto& e : entries) {
        if (e->FileName.size() > archive_detail::NameLimit ||
            (!e->FullName.empty() &&
             (e->FullName.size() <= archive_detail::NameLimit ||
              e->FileName != e->FullName.substr(0, archive_detail::NameLimit))) ||
            e->FullName.size() > e->FileNameLength)
            std::abort();
        if (!isValidUtf8(displayName(*e)))
            std::abort();
    }
    return 0;
}

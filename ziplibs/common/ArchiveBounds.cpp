#include "ziplibs/common/ArchiveBounds.h"

#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/ExtraFields.h"
#include "ziplibs/common/ReadWindow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>

namespace ziplibs {

namespace {

// How much of a central directory is read at a time; a record is at most 46 + 3 * 65,535
// bytes, so that one always fits.
constexpr std::size_t DirectoryPiece = 1u << 20;

class File : public zipformat::RandomAccess {
public:
    explicit File(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~File() {
        if (fd_ >= 0)
            close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Whether it is a regular file, opened.
    bool regular() {
        struct stat st {};
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        size_ = static_cast<std::uint64_t>(st.st_size);
        return true;
    }
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, void* out, std::size_t n) override {
        if (window_)
            return window_->read(fd_, at, out, n);
        return pread(fd_, out, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    }
    // Small reads in a walk through the file come from reads of SIZE bytes from now on.
    void useWindow(std::size_t size) { window_.emplace(size); }

private:
    int fd_;
    std::uint64_t size_ = 0;
    std::optional<ReadWindow> window_;
};

} // namespace

std::optional<ArchiveBounds> locateArchive(const std::string& path) {
    File f(path);
    if (!f.regular())
        return std::nullopt;
    const auto end = zipformat::findEndRecord(f);
    if (!end)
        return std::nullopt;
    return ArchiveBounds{end->start, end->end, f.size()};
}

bool visitCentralRecords(const std::string& path, const RecordVisitor& visit) {
    File f(path);
    if (!f.regular())
        return false;
    const auto end = zipformat::findEndRecord(f);
    // The directory is read piece by piece: a directory of a million entries is not held.
    if (!end || end->cdSize > f.size())
        return false;
    std::string piece;
    std::uint64_t done = 0; // of the directory, up to the start of the piece's first record
    std::uint64_t records = 0;
    while (done < end->cdSize) {
        piece.resize(
            static_cast<std::size_t>(std::min<std::uint64_t>(DirectoryPiece, end->cdSize - done)));
        if (!f.read(end->cdStart + done, piece.data(), piece.size()))
            return false;
        std::size_t at = 0;
        bool cutShort = false;
        while (const auto r = zipformat::viewCentralRecord(piece, at, cutShort)) {
            visit(*end, *r, done + at);
            ++records;
            at = zipformat::recordEnd(*r);
        }
        // A record cut short by the piece's end starts the next piece; one cut short by the
        // directory's end makes the directory unreadable, as does a record larger than a
        // piece. A record without its signature ends the records.
        const bool pieceEnd = done + piece.size() < end->cdSize;
        if (pieceEnd && (cutShort || piece.size() - at < 4)) {
            if (at == 0)
                return false;
            done += at;
            continue;
        }
        if (cutShort)
            return false;
        break;
    }
    return records == end->entries;
}

EntryPlaces entryPlaces(const std::string& path) {
    // Of each record only where its bytes lie is kept.
    std::vector<zipformat::RecordPlace> places;
    std::uint64_t start = 0;
    const bool whole =
        visitCentralRecords(path, [&](const zipformat::EndRecord& end,
                                      const zipformat::CentralRecordView& r, std::uint64_t) {
            start = end.start;
            if (places.empty())
                places.reserve(
                    static_cast<std::size_t>(std::min<std::uint64_t>(end.entries, 1u << 24)));
            places.push_back({r.offset, r.compressed});
        });
    File f(path);
    if (!whole || !f.regular())
        return {};
    // The local headers usually follow one another through the file.
    f.useWindow(DirectoryPiece);
    EntryPlaces out;
    out.overlapping =
        zipformat::overlappingRecords(f, start, places, &out.dataStart, &out.localExtra);
    return out;
}

std::vector<bool> authenticatedEntries(const std::string& path) {
    File f(path);
    if (!f.regular())
        return {};
    const auto end = zipformat::findEndRecord(f);
    if (!end)
        return {};
    const auto dir = zipformat::readCentralDirectory(f, *end);
    std::vector<bool> ae2;
    ae2.reserve(dir.records.size());
    for (const auto& r : dir.records) {
        const auto aes = zipformat::findExtraBlock(r.extra, 0x9901);
        ae2.push_back(aes && aes->size() >= 2 && static_cast<unsigned char>((*aes)[0]) == 2 &&
                      (*aes)[1] == 0);
    }
    return ae2;
}

zip_t* openArchiveWindow(const std::string& path, const ArchiveBounds& bounds) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_file_create(
        path.c_str(), bounds.start, static_cast<zip_int64_t>(bounds.end - bounds.start), &error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY, &error) : nullptr;
    if (src && !za)
        zip_source_free(src);
    zip_error_fini(&error);
    return za;
}

} // namespace ziplibs

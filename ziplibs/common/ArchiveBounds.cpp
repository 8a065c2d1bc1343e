#include "ziplibs/common/ArchiveBounds.h"

#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/ExtraFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ziplibs {

namespace {

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
        return pread(fd_, out, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    }

private:
    int fd_;
    std::uint64_t size_ = 0;
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

std::vector<bool> overlappingEntries(const std::string& path) {
    File f(path);
    if (!f.regular())
        return {};
    const auto end = zipformat::findEndRecord(f);
    if (!end)
        return {};
    const auto dir = zipformat::readCentralDirectory(f, *end);
    if (dir.cutShort || dir.records.size() != end->entries)
        return {};
    return zipformat::overlappingRecords(f, end->start, dir.records);
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

#include "ziplibs/common/ArchiveBounds.h"

#include "ziplibs/common/Bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <vector>

namespace ziplibs {

namespace {

constexpr std::uint64_t EndSize = 22, Zip64EndSize = 56, Zip64LocatorSize = 20;
// How far from the end of the file an end record is looked for: far past the 64 KiB of the
// longest comment, so that padding up to a large block size is passed over too.
constexpr std::uint64_t SearchLimit = 16u << 20;
constexpr std::size_t Chunk = 64u << 10;

class File {
public:
    explicit File(const std::string& path)
        : fd_(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~File() {
        if (fd_ >= 0)
            close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::optional<std::uint64_t> size() const {
        struct stat st {};
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            return std::nullopt;
        return static_cast<std::uint64_t>(st.st_size);
    }
    bool read(std::uint64_t at, unsigned char* out, std::size_t n) const {
        return pread(fd_, out, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    }

private:
    int fd_;
};

// The bounds described by a candidate end record at AT, when its central directory (and
// for ZIP64 archives the records before it) stand where they should.
std::optional<ArchiveBounds> boundsFrom(const File& f, std::uint64_t at, std::uint64_t size) {
    std::array<unsigned char, EndSize> e{};
    if (!f.read(at, e.data(), e.size()))
        return std::nullopt;
    const std::uint64_t end = at + EndSize + littleEndian(&e[20], 2);
    if (end > size || littleEndian(&e[4], 2) != littleEndian(&e[6], 2) ||
        littleEndian(&e[8], 2) != littleEndian(&e[10], 2))
        return std::nullopt;
    std::uint64_t entries = littleEndian(&e[10], 2), cdSize = littleEndian(&e[12], 4),
                  cdOffset = littleEndian(&e[16], 4);
    std::uint64_t cdEnd = at;
    std::optional<std::uint64_t> zip64Offset;
    if (entries == 0xFFFF || cdSize == 0xFFFFFFFF || cdOffset == 0xFFFFFFFF) {
        std::array<unsigned char, Zip64EndSize + Zip64LocatorSize> z{};
        if (at < z.size() || !f.read(at - z.size(), z.data(), z.size()))
            return std::nullopt;
        const unsigned char* locator = &z[Zip64EndSize];
        if (littleEndian(locator, 4) != Zip64LocatorSignature ||
            littleEndian(&z[0], 4) != Zip64EndSignature ||
            littleEndian(&z[4], 8) != Zip64EndSize - 12)
            return std::nullopt;
        entries = littleEndian(&z[32], 8);
        cdSize = littleEndian(&z[40], 8);
        cdOffset = littleEndian(&z[48], 8);
        cdEnd = at - z.size();
        zip64Offset = littleEndian(locator + 8, 8);
    }
    if (cdSize > cdEnd || cdOffset > cdEnd - cdSize)
        return std::nullopt;
    const std::uint64_t start = cdEnd - cdSize - cdOffset;
    if (zip64Offset && *zip64Offset + start != cdEnd)
        return std::nullopt;
    if (cdSize == 0) {
        if (entries != 0)
            return std::nullopt;
    } else {
        std::array<unsigned char, 4> sig{};
        if (!f.read(cdEnd - cdSize, sig.data(), sig.size()) ||
            littleEndian(sig.data(), 4) != CentralSignature)
            return std::nullopt;
    }
    return ArchiveBounds{start, end, size};
}

} // namespace

std::optional<ArchiveBounds> locateArchive(const std::string& path) {
    const File f(path);
    const auto size = f.size();
    if (!size || *size < EndSize)
        return std::nullopt;
    const std::uint64_t lowest = *size > SearchLimit ? *size - SearchLimit : 0;
    // Candidates lie in [lowest, hi); chunks are read from the end backwards, each with the
    // three bytes after it so that no signature is split between two of them.
    std::vector<unsigned char> buf(Chunk + 3);
    std::uint64_t hi = *size - EndSize + 1;
    while (hi > lowest) {
        const std::uint64_t lo = hi - std::min<std::uint64_t>(hi - lowest, Chunk);
        if (!f.read(lo, buf.data(), static_cast<std::size_t>(hi + 3 - lo)))
            return std::nullopt;
        for (auto i = static_cast<std::size_t>(hi - lo); i-- > 0;)
            if (littleEndian(&buf[i], 4) == EndSignature)
                if (auto bounds = boundsFrom(f, lo + i, *size))
                    return bounds;
        hi = lo;
    }
    return std::nullopt;
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

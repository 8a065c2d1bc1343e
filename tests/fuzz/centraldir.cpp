// Fuzzing entry point of the ZIP-format layer's directory reading: the bytes are an archive
// file in which the end records are searched (by the checked rule and the loose one), and
// whose central directory is read with its extra fields.
//
// Nothing may be raised; a record found must lie inside the bytes, a checked one must place
// its directory just before its end records, and the records read must account for no more
// bytes than the directory has.
#include "FuzzSupport.h"

#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/Names.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class Memory : public zipformat::RandomAccess {
public:
    Memory(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, void* out, std::size_t n) override {
        if (at > size_ || n > size_ - at)
            return false;
        std::memcpy(out, data_ + at, n);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

void readDirectory(std::string_view dir) {
    const auto parsed = zipformat::readCentralDirectory(dir);
    if (parsed.used > dir.size())
        fuzzsupport::fault("the records run past the directory");
    for (const auto& r : parsed.records) {
        if (r.header.size() != 46)
            fuzzsupport::fault("a record without its fixed part");
        zipformat::unicodePathName(r.extra, r.name);
        if (const auto ut = zipformat::findExtraBlock(r.extra, zipformat::ExtendedTimestampId))
            zipformat::extendedTimestampTime(*ut);
        if (const auto ntfs = zipformat::findExtraBlock(r.extra, zipformat::NtfsTimesId))
            zipformat::ntfsTime(*ntfs);
        if ((r.flags & 0x0800) == 0 && !zipformat::isValidUtf8(r.text()))
            fuzzsupport::fault("a decoded name is not UTF-8");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Memory in(data, size);
    if (const auto e = zipformat::findEndRecord(in)) {
        if (e->end > size || e->cdStart + e->cdSize != e->cdEnd || e->cdEnd > e->endPos ||
            e->start > e->cdStart)
            fuzzsupport::fault("a checked end record places its directory wrongly");
        readDirectory(std::string_view(reinterpret_cast<const char*>(data) + e->cdStart,
                                       static_cast<std::size_t>(e->cdSize)));
        const auto dir = zipformat::readCentralDirectory(in, *e);
        if (zipformat::overlappingRecords(in, e->start, dir.records).size() != dir.records.size())
            fuzzsupport::fault("an overlap answer per record");
    }
    if (const auto e = zipformat::findAnyEndRecord(in)) {
        if (e->end > size || e->endPos + 22 > size)
            fuzzsupport::fault("an end record beyond the bytes");
    }
    readDirectory(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

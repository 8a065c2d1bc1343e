#include "zipformat/EndRecord.h"

#include "zipformat/Records.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zipformat {

namespace {

constexpr std::size_t Chunk = 64u << 10;

// The fields of the end record at AT (and of a locator before it) when its comment fits.
std::optional<EndRecord> readEnd(RandomAccess& in, std::uint64_t at) {
    std::array<unsigned char, EndSize> p{};
    if (!in.read(at, p.data(), p.size()) || get32(p.data()) != EndSignature)
        return std::nullopt;
    EndRecord e;
    e.endPos = at;
    e.commentLength = get16(&p[20]);
    e.end = at + EndSize + e.commentLength;
    if (e.end > in.size())
        return std::nullopt;
    e.thisDisk = get16(&p[4]);
    e.cdDisk = get16(&p[6]);
    e.entries = get16(&p[10]);
    e.cdSize = get32(&p[12]);
    e.cdOffset = get32(&p[16]);
    e.totalDisks = e.thisDisk + 1;
    e.cdEnd = at;
    std::array<unsigned char, Zip64LocatorSize> l{};
    if (at >= l.size() && in.read(at - l.size(), l.data(), l.size()) &&
        get32(l.data()) == Zip64LocatorSignature) {
        e.zip64 = true;
        e.locatorPos = at - l.size();
        e.zip64Disk = get32(&l[4]);
        e.zip64Offset = get64(&l[8]);
        e.totalDisks = get32(&l[16]);
    }
    return e;
}

// The end record at AT when it describes a single-disk archive whose directory stands
// where it says.
std::optional<EndRecord> checkedEnd(RandomAccess& in, std::uint64_t at) {
    std::array<unsigned char, EndSize> p{};
    if (!in.read(at, p.data(), p.size()))
        return std::nullopt;
    if (get16(&p[4]) != get16(&p[6]) || get16(&p[8]) != get16(&p[10]))
        return std::nullopt;
    auto e = readEnd(in, at);
    if (!e)
        return std::nullopt;
    const bool wide = e->entries == Marker16 || e->cdSize == Marker32 || e->cdOffset == Marker32;
    if (wide) {
        std::array<unsigned char, Zip64EndSize> z{};
        if (!e->zip64 || e->locatorPos < z.size() ||
            !in.read(e->locatorPos - z.size(), z.data(), z.size()) || !readZip64End(z.data(), *e) ||
            get64(&z[4]) != Zip64EndSize - 12)
            return std::nullopt;
        e->cdEnd = e->locatorPos - z.size();
    } else {
        e->zip64 = false;
    }
    if (e->cdSize > e->cdEnd || e->cdOffset > e->cdEnd - e->cdSize)
        return std::nullopt;
    e->cdStart = e->cdEnd - e->cdSize;
    e->start = e->cdStart - e->cdOffset;
    if (wide && e->zip64Offset + e->start != e->cdEnd)
        return std::nullopt;
    if (e->cdSize == 0) {
        if (e->entries != 0)
            return std::nullopt;
    } else {
        std::array<unsigned char, 4> sig{};
        if (!in.read(e->cdStart, sig.data(), sig.size()) || get32(sig.data()) != CentralSignature)
            return std::nullopt;
    }
    return e;
}

// Calls TRY on every place of an end signature within LIMIT bytes of the end, last first,
// until it answers a record.
template <typename Try>
std::optional<EndRecord> search(RandomAccess& in, std::uint64_t limit, Try tryAt) {
    const std::uint64_t size = in.size();
    if (size < EndSize)
        return std::nullopt;
    const std::uint64_t lowest = size > limit ? size - limit : 0;
    // Candidates lie in [lowest, hi); chunks are read from the end backwards, each with the
    // three bytes after it so that no signature is split between two of them.
    std::vector<unsigned char> buf(Chunk + 3);
    std::uint64_t hi = size - EndSize + 1;
    while (hi > lowest) {
        const std::uint64_t lo = hi - std::min<std::uint64_t>(hi - lowest, Chunk);
        if (!in.read(lo, buf.data(), static_cast<std::size_t>(hi + 3 - lo)))
            return std::nullopt;
        for (auto i = static_cast<std::size_t>(hi - lo); i-- > 0;)
            if (get32(&buf[i]) == EndSignature)
                if (auto e = tryAt(lo + i))
                    return e;
        hi = lo;
    }
    return std::nullopt;
}

} // namespace

bool readZip64End(const unsigned char* z, EndRecord& e) {
    if (get32(z) != Zip64EndSignature)
        return false;
    e.thisDisk = get32(z + 16);
    e.cdDisk = get32(z + 20);
    e.entries = get64(z + 32);
    e.cdSize = get64(z + 40);
    e.cdOffset = get64(z + 48);
    return true;
}

std::optional<EndRecord> findEndRecord(RandomAccess& in, std::uint64_t limit) {
    return search(in, limit, [&](std::uint64_t at) { return checkedEnd(in, at); });
}

std::optional<EndRecord> findAnyEndRecord(RandomAccess& in) {
    return search(in, EndSize + 0xFFFF, [&](std::uint64_t at) { return readEnd(in, at); });
}

} // namespace zipformat

#include "archive/DirectoryReader.h"

#include "platform/Errors.h"
#include "platform/Messages.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>

namespace archive_detail {

namespace {

std::uint16_t get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t get64(const unsigned char* p) {
    return static_cast<std::uint64_t>(get32(p)) | (static_cast<std::uint64_t>(get32(p + 4)) << 32);
}

const unsigned char* bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

[[noreturn]] void fail(const char* text) {
    throw platform::EStreamError(text);
}

constexpr std::uint32_t Marker32 = 0xFFFFFFFF;
constexpr std::uint16_t Zip64ExtraId = 0x0001;
constexpr std::uint16_t UnicodePathExtraId = 0x7075;
constexpr std::uint16_t FlagDataDescriptor = 0x0008;
constexpr std::uint32_t Zip64LocatorSig = 0x07064B50;
constexpr std::uint32_t Zip64EndSig = 0x06064B50;

// Finds the block with the given id in an extra field; returns its data, or nothing when
// absent.
std::string extraBlock(const std::string& extra, std::uint16_t wanted) {
    std::size_t i = 0;
    while (i + 4 <= extra.size()) {
        std::uint16_t id = get16(bytes(extra) + i);
        std::uint16_t len = get16(bytes(extra) + i + 2);
        if (i + 4 + len > extra.size())
            break;
        if (id == wanted)
            return extra.substr(i + 4, len);
        i += 4 + len;
    }
    return {};
}

// The ZIP64 extended-information block of an extra field.
std::string zip64Block(const std::string& extra) {
    return extraBlock(extra, Zip64ExtraId);
}

std::uint32_t crc32Of(const std::string& data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// The entry's name from an Info-ZIP Unicode Path block (version 1, the CRC-32 of the stored
// name, the name in UTF-8), as tools that store names in a local code page add it. It counts
// only while it belongs to the stored name (the CRC matches) and is valid UTF-8; the archive
// libraries name the entry by it then, so the listing shows it too.
std::string unicodePathName(const std::string& extra, const std::string& storedName) {
    const std::string block = extraBlock(extra, UnicodePathExtraId);
    if (block.size() < 5 || block[0] != 1 || get32(bytes(block) + 1) != crc32Of(storedName))
        return {};
    std::string name = block.substr(5);
    return isValidUtf8(name) ? name : std::string();
}

// What the central directory says of one entry.
struct CentralInfo {
    std::uint32_t crc = 0;
    std::uint32_t compressed32 = 0;
    std::uint32_t uncompressed32 = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
};

// The central directory records by the file position of their local headers. Built once per
// listing, and only when an entry keeps its sizes in a data descriptor. The position of the
// central directory is taken from the end record and corrected by the number of bytes that
// stand before the archive proper (a self-extractor's program part), so offsets still match.
class CentralIndex {
public:
    const CentralInfo* find(ByteSource& source, std::int64_t localHeaderPos) {
        if (!loaded_) {
            loaded_ = true;
            std::int64_t keep = source.position();
            load(source);
            source.seekTo(keep);
        }
        auto it = byOffset_.find(localHeaderPos);
        return it == byOffset_.end() ? nullptr : &it->second;
    }

private:
    static bool readAt(ByteSource& source, std::int64_t pos, std::string& out, std::size_t n) {
        if (pos < 0 || source.seekTo(pos) != pos)
            return false;
        out.assign(n, '\0');
        std::size_t got = source.read(out.data(), n);
        out.resize(got);
        return got == n;
    }

    void load(ByteSource& source) {
        const std::int64_t size = source.size();
        if (size < 22)
            return;
        const std::int64_t tailLen = std::min<std::int64_t>(size, 22 + 65535);
        const std::int64_t tailPos = size - tailLen;
        std::string tail;
        if (!readAt(source, tailPos, tail, static_cast<std::size_t>(tailLen)))
            return;
        std::int64_t eocd = -1;
        for (std::int64_t i = tailLen - 22; i >= 0; --i) {
            const unsigned char* p = bytes(tail) + i;
            if (get32(p) == EndOfCentralDirSig && i + 22 + get16(p + 20) <= tailLen) {
                eocd = i;
                break;
            }
        }
        if (eocd < 0)
            return;
        const unsigned char* end = bytes(tail) + eocd;
        const std::int64_t eocdPos = tailPos + eocd;
        std::uint64_t cdSize = get32(end + 12);
        std::uint64_t cdOffset = get32(end + 16);
        std::int64_t cdStart = eocdPos - static_cast<std::int64_t>(cdSize);
        std::int64_t shift = cdStart - static_cast<std::int64_t>(cdOffset);

        const bool wide = get16(end + 10) == 0xFFFF || cdSize == Marker32 || cdOffset == Marker32;
        std::string locator;
        if (wide && eocdPos >= 20 && readAt(source, eocdPos - 20, locator, 20) &&
            get32(bytes(locator)) == Zip64LocatorSig) {
            const std::int64_t recorded = static_cast<std::int64_t>(get64(bytes(locator) + 8));
            std::string rec;
            std::int64_t actual = eocdPos - 20 - 56;
            if (!(readAt(source, actual, rec, 56) && get32(bytes(rec)) == Zip64EndSig)) {
                actual = recorded;
                if (!(readAt(source, actual, rec, 56) && get32(bytes(rec)) == Zip64EndSig))
                    return;
            }
            cdSize = get64(bytes(rec) + 40);
            cdOffset = get64(bytes(rec) + 48);
            shift = actual - recorded;
            cdStart = static_cast<std::int64_t>(cdOffset) + shift;
        } else if (cdOffset == Marker32) {
            // Marked as ZIP64 without a ZIP64 record, as a ZIP64 archive written to a pipe can
            // be: the directory is taken to end right at the end record and its offsets to
            // count from the start of the file.
            shift = 0;
        }
        if (shift < 0 || cdStart < 0 || cdSize > static_cast<std::uint64_t>(size) ||
            cdStart > size - static_cast<std::int64_t>(cdSize))
            return;

        std::string dir;
        if (!readAt(source, cdStart, dir, static_cast<std::size_t>(cdSize)))
            return;
        std::size_t i = 0;
        while (i + 46 <= dir.size() && get32(bytes(dir) + i) == CentralHeaderSig) {
            const unsigned char* r = bytes(dir) + i;
            CentralInfo info;
            info.crc = get32(r + 16);
            info.compressed32 = get32(r + 20);
            info.uncompressed32 = get32(r + 24);
            info.compressed = info.compressed32;
            info.uncompressed = info.uncompressed32;
            const std::size_t nameLen = get16(r + 28);
            const std::size_t extraLen = get16(r + 30);
            const std::size_t commentLen = get16(r + 32);
            std::uint64_t offset = get32(r + 42);
            if (i + 46 + nameLen + extraLen > dir.size())
                break;
            std::string block = zip64Block(dir.substr(i + 46 + nameLen, extraLen));
            std::size_t b = 0;
            auto take = [&](std::uint64_t& value, std::uint32_t field) {
                if (field == Marker32 && b + 8 <= block.size()) {
                    value = get64(bytes(block) + b);
                    b += 8;
                }
            };
            take(info.uncompressed, info.uncompressed32);
            take(info.compressed, info.compressed32);
            take(offset, static_cast<std::uint32_t>(offset));
            byOffset_[static_cast<std::int64_t>(offset) + shift] = info;
            i += 46 + nameLen + extraLen + commentLen;
        }
    }

    bool loaded_ = false;
    std::map<std::int64_t, CentralInfo> byOffset_;
};

// Passes over the data descriptor after an entry's data: an optional signature, the CRC and
// the two sizes in 4 or 8 bytes each. The form is recognised by the values the central
// directory gave; when none matches the position is left where the data ended.
void skipDescriptor(ByteSource& source, const CentralInfo& info, bool wideFirst) {
    const std::int64_t start = source.position();
    unsigned char buf[24];
    const std::size_t got = source.read(buf, sizeof buf);
    const bool hasSig = got >= 4 && get32(buf) == DataDescriptorSig;
    for (bool withSig : {true, false}) {
        if (withSig && !hasSig)
            continue;
        for (bool wide : {wideFirst, !wideFirst}) {
            const std::size_t o = withSig ? 4 : 0;
            const std::size_t len = o + 4 + (wide ? 16 : 8);
            if (got < len)
                continue;
            const std::uint64_t c = wide ? get64(buf + o + 4) : get32(buf + o + 4);
            const std::uint64_t u = wide ? get64(buf + o + 12) : get32(buf + o + 8);
            if (get32(buf + o) == info.crc && c == info.compressed && u == info.uncompressed) {
                source.seekTo(start + static_cast<std::int64_t>(len));
                return;
            }
        }
    }
    source.seekTo(start);
}

void noEntries() {
    platform::messages().showMessage("No valid zip entries found");
}

bool readByte(ByteSource& source, unsigned char& b) {
    return source.read(&b, 1) == 1;
}

// Reads the extra field of entry E, whose header and STORED name have just been read, takes
// the sizes the central directory gives when its header defers them, and moves past its
// data.
void passEntry(ByteSource& source, ZipDirEntry& e, const std::string& stored,
               std::int64_t headerPos, CentralIndex& central, std::int64_t limit) {
    const std::uint32_t compressed32 = static_cast<std::uint32_t>(e.CompressedSize);
    const std::uint32_t uncompressed32 = static_cast<std::uint32_t>(e.UncompressedSize);

    const std::int64_t extraLen = e.ExtraFieldLength;
    const bool describedLater = (e.GeneralFlags & FlagDataDescriptor) != 0;
    const bool marked = compressed32 == Marker32 || uncompressed32 == Marker32;
    bool extraRead = false;
    bool hasZip64 = false;

    if (extraLen != 0) {
        // The extra field is read rather than skipped: its ZIP64 block holds the true sizes
        // and its Unicode Path block the name the entry goes by.
        if (source.position() + extraLen > limit)
            fail("Error 3 reading Zip file");
        std::string extra(static_cast<std::size_t>(extraLen), '\0');
        if (source.read(extra.data(), extra.size()) != extra.size())
            fail("Error 4 reading Zip file");
        extraRead = true;
        e.UnicodeName = unicodePathName(extra, stored);
        std::string block = marked || describedLater ? zip64Block(extra) : std::string();
        hasZip64 = !block.empty();
        if (block.size() >= 16) {
            // A local header's ZIP64 block carries both sizes.
            if (uncompressed32 == Marker32)
                e.UncompressedSize64 = get64(bytes(block));
            if (compressed32 == Marker32)
                e.CompressedSize64 = get64(bytes(block) + 8);
        } else if (block.size() >= 8) {
            if (uncompressed32 == Marker32)
                e.UncompressedSize64 = get64(bytes(block));
            else if (compressed32 == Marker32)
                e.CompressedSize64 = get64(bytes(block));
        }
    }

    const CentralInfo* described = nullptr;
    if (describedLater) {
        described = central.find(source, headerPos);
        if (described) {
            e.Crc32 = described->crc;
            e.CompressedSize = static_cast<std::int32_t>(described->compressed32);
            e.UncompressedSize = static_cast<std::int32_t>(described->uncompressed32);
            e.CompressedSize64 = described->compressed;
            e.UncompressedSize64 = described->uncompressed;
        }
    }

    // Sizes are unsigned here, so no entry can move the walk backwards.
    const std::uint64_t dataLen = e.CompressedSize64;
    const std::int64_t dataStart = extraRead ? source.position() : source.position() + extraLen;
    if (dataStart > limit || dataLen > static_cast<std::uint64_t>(limit - dataStart))
        fail("Error 3 reading Zip file");
    if (!extraRead && extraLen != 0) {
        const std::int64_t want = source.position() + extraLen;
        if (source.seekBy(extraLen) != want)
            fail("Error 4 reading Zip file");
    }
    const std::int64_t want = source.position() + static_cast<std::int64_t>(dataLen);
    if (source.seekBy(static_cast<std::int64_t>(dataLen)) != want)
        fail("Error 5 reading Zip file");
    if (described)
        skipDescriptor(source, *described,
                       hasZip64 || described->compressed > Marker32 ||
                           described->uncompressed > Marker32);
}

// Reads one local header whose signature has just been read, hands its entry to SINK, and
// moves past its extra field and data. LIMIT is the file size less the 22 bytes of an end
// record.
void readLocalEntry(ByteSource& source, const EntrySink& sink, CentralIndex& central,
                    std::int64_t limit) {
    const std::int64_t headerPos = source.position() - 4;
    auto entry = std::make_unique<ZipDirEntry>();
    unsigned char h[26];
    if (source.read(h, sizeof h) != sizeof h)
        fail("Error 2 reading Zip file");
    entry->VersionNeeded = get16(h + 0);
    entry->GeneralFlags = get16(h + 2);
    entry->CompressionMethod = get16(h + 4);
    entry->DateTime = get32(h + 6);
    entry->Crc32 = get32(h + 10);
    entry->CompressedSize = static_cast<std::int32_t>(get32(h + 14));
    entry->UncompressedSize = static_cast<std::int32_t>(get32(h + 18));
    entry->FileNameLength = get16(h + 22);
    entry->ExtraFieldLength = get16(h + 24);

    // The whole stored name is consumed, so that the position stands right after it.
    const std::string stored = [&] {
        std::string bytes(entry->FileNameLength, '\0');
        if (source.read(bytes.data(), bytes.size()) != bytes.size())
            fail("Error 2 reading Zip file");
        return bytes;
    }();
    // A long listing keeps one copy of each name: the whole name is kept apart only when
    // FileName cannot hold it.
    const std::size_t nameLength = std::strlen(stored.c_str());
    entry->FileName.assign(stored, 0, std::min(nameLength, NameLimit));
    if (nameLength > NameLimit)
        entry->FullName.assign(stored, 0, nameLength);

    entry->CompressedSize64 = static_cast<std::uint32_t>(entry->CompressedSize);
    entry->UncompressedSize64 = static_cast<std::uint32_t>(entry->UncompressedSize);

    // An entry whose extra field or data do not fit is listed all the same; one cut short
    // before the end of its name is not.
    try {
        passEntry(source, *entry, stored, headerPos, central, limit);
    } catch (...) {
        sink(std::move(entry));
        throw;
    }
    sink(std::move(entry));
}

} // namespace

void readEntries(ByteSource& source, std::vector<std::unique_ptr<ZipDirEntry>>& entries) {
    readEntries(source,
                [&](std::unique_ptr<ZipDirEntry> entry) { entries.push_back(std::move(entry)); });
}

void readEntries(ByteSource& source, const EntrySink& sink) {
    bool found = false;
    std::int64_t scanned = 0;
    CentralIndex central;
    // The size is asked once: the archive is not written while it is listed.
    std::optional<std::int64_t> limit;
    for (;;) {
        std::uint32_t sig;
        if (!found) {
            // The scan: one byte at a time, never stepping back after a failed match.
            unsigned char b;
            if (!readByte(source, b)) {
                noEntries();
                return;
            }
            if (++scanned > ScanLimit) {
                noEntries();
                return;
            }
            if (b != 'P')
                continue;
            bool ok = true;
            for (unsigned char expected : {'K', '\x03', '\x04'}) {
                if (!readByte(source, b)) {
                    noEntries();
                    return;
                }
                if (b != expected) {
                    ok = false;
                    break;
                }
            }
            if (!ok)
                continue;
            found = true;
            sig = LocalHeaderSig;
        } else {
            unsigned char s[4];
            if (source.read(s, sizeof s) != sizeof s)
                fail("Error reading Zip File");
            sig = get32(s);
        }
        if (sig == LocalHeaderSig) {
            if (!limit)
                limit = source.size() - 22;
            readLocalEntry(source, sink, central, *limit);
        } else if (sig == CentralHeaderSig || sig == EndOfCentralDirSig)
            return;
        // Anything else: the next four bytes are read as a signature.
    }
}

} // namespace archive_detail

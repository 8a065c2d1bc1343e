#include "archive/DirectoryReader.h"

#include "platform/Errors.h"
#include "platform/Messages.h"
#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace archive_detail {

namespace {

using zipformat::get16;
using zipformat::get32;
using zipformat::get64;
using zipformat::Marker32;

const unsigned char* bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

[[noreturn]] void fail(const char* text) {
    throw platform::EStreamError(text);
}

// The ZIP64 extended-information block of an extra field.
std::string zip64Block(const std::string& extra) {
    return std::string(zipformat::findExtraBlock(extra, zipformat::Zip64ExtraId).value_or(""));
}

// What the central directory says of one entry.
struct CentralInfo {
    std::uint32_t crc = 0;
    std::uint32_t compressed32 = 0;
    std::uint32_t uncompressed32 = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
};

// The byte source as the format layer reads it. Reads leave the position anywhere.
class SourceAccess : public zipformat::RandomAccess {
public:
    explicit SourceAccess(ByteSource& source) : source_(source) {}
    std::uint64_t size() const override {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(source_.size(), 0));
    }
    bool read(std::uint64_t at, void* out, std::size_t n) override {
        const auto pos = static_cast<std::int64_t>(at);
        return pos >= 0 && source_.seekTo(pos) == pos && source_.read(out, n) == n;
    }

private:
    ByteSource& source_;
};

// The central directory, indexed once per listing before the walk: the records by the file
// position of their local headers. Positions are corrected by the number of bytes that stand
// before the archive proper (a self-extractor's program part), so that they match the walk's.
// The records themselves are read again when the walk asks for them, through a window of
// the directory that moves along with the walk: a directory of a million records is not held
// in memory beside the million entries being listed.
//
// It is "readable" when it is found by the same rule the archive libraries use (the end
// record's directory stands where it says), holds at least one record and all of the
// records the end record counts. Only a readable directory is compared with the walk; any
// directory gives the sizes of entries whose local headers defer them.
class CentralIndex {
public:
    struct Placed {
        std::int64_t pos = 0;
        std::size_t at = 0; // of the record in the directory
    };

    // Indexes the directory of SOURCE, which must outlive the index (the walk's own source:
    // its position is kept whenever the index reads).
    void load(ByteSource& source) {
        source_ = &source;
        const std::int64_t keep = source.position();
        read();
        source.seekTo(keep);
    }

    // What the first record for the local header at LOCALHEADERPOS says of its entry.
    std::optional<CentralInfo> find(std::int64_t localHeaderPos) const {
        const auto it =
            std::lower_bound(placed_.begin(), placed_.end(), localHeaderPos,
                             [](const Placed& p, std::int64_t pos) { return p.pos < pos; });
        if (it == placed_.end() || it->pos != localHeaderPos)
            return std::nullopt;
        const auto r = record(*it);
        return CentralInfo{r.crc, get32(r.header.data() + 20), get32(r.header.data() + 24),
                           r.compressed, r.uncompressed};
    }

    bool readable() const { return readable_; }
    // The record that P places, read again from the directory; valid until the next record
    // is asked for.
    zipformat::CentralRecordView record(const Placed& p) const {
        bool cutShort = false;
        const auto r = viewAt(p.at, cutShort);
        if (!r) // the file changed under the listing
            fail("Error 2 reading Zip file");
        return *r;
    }
    // The records in the order of their local headers.
    const std::vector<Placed>& records() const { return placed_; }

private:
    // The window's size: more than the largest record (46 bytes and three 16-bit lengths).
    static constexpr std::size_t Window = std::size_t(1) << 20;
    static constexpr std::size_t LargestRecord = 46 + 3 * 65535;

    // Moves the window to the directory's bytes [AT, AT + SIZE); false when they cannot be
    // read.
    bool moveWindow(std::size_t at, std::size_t size) const {
        const std::int64_t keep = source_->position();
        window_.resize(size);
        SourceAccess in(*source_);
        const bool ok = in.read(cdStart_ + at, window_.data(), window_.size());
        source_->seekTo(keep);
        windowAt_ = at;
        if (!ok) {
            window_.clear();
            readFailed_ = true;
        }
        return ok;
    }

    // The record at AT (its "at" counted from the directory's start), as viewCentralRecord
    // sees it in the whole directory; nullopt also when the directory cannot be read there.
    std::optional<zipformat::CentralRecordView> viewAt(std::size_t at, bool& cutShort) const {
        cutShort = false;
        const std::size_t windowEnd = windowAt_ + window_.size();
        const bool covered = at >= windowAt_ && at <= windowEnd &&
                             (windowEnd == cdSize_ || windowEnd - at >= LargestRecord);
        if (!covered && !moveWindow(at, std::min(Window, cdSize_ - at)))
            return std::nullopt;
        auto r = zipformat::viewCentralRecord(window_, at - windowAt_, cutShort);
        if (r)
            r->at = at;
        return r;
    }

    void read() {
        SourceAccess in(*source_);
        std::int64_t shift = 0;
        std::uint64_t cdStart = 0, cdSize = 0, entries = 0;
        bool checked = false;
        if (const auto end = zipformat::findEndRecord(in)) {
            checked = true;
            shift = static_cast<std::int64_t>(end->start);
            cdStart = end->cdStart;
            cdSize = end->cdSize;
            entries = end->entries;
        } else if (const auto any = zipformat::findAnyEndRecord(in);
                   any && any->cdSize <= any->endPos) {
            // Found by no stricter rule: its sizes still serve entries that defer theirs. An
            // offset marked as ZIP64 without ZIP64 records (a ZIP64 archive written to a pipe)
            // counts from the start of the file.
            cdSize = any->cdSize;
            cdStart = any->endPos - cdSize;
            if (any->cdOffset == Marker32)
                shift = 0;
            else if (any->cdOffset <= cdStart)
                shift = static_cast<std::int64_t>(cdStart - any->cdOffset);
            else
                return;
        } else {
            return;
        }
        // The whole directory must lie within the file.
        if (cdStart > in.size() || cdSize > in.size() - cdStart)
            return;
        cdStart_ = cdStart;
        cdSize_ = static_cast<std::size_t>(cdSize);
        if (!moveWindow(0, std::min(Window, cdSize_)))
            return;
        std::size_t at = 0;
        bool cutShort = false;
        while (const auto r = viewAt(at, cutShort)) {
            placed_.push_back({static_cast<std::int64_t>(r->offset) + shift, at});
            at = zipformat::recordEnd(*r);
        }
        if (readFailed_) { // the directory is not there to be read whole
            placed_.clear();
            return;
        }
        readable_ =
            checked && !placed_.empty() && !cutShort && placed_.size() == entries && at == cdSize_;
        std::stable_sort(placed_.begin(), placed_.end(),
                         [](const Placed& a, const Placed& b) { return a.pos < b.pos; });
        // The walk asks for the records in the order of their data. A directory in another
        // order would move the window for nearly every record: it is then held whole.
        if (!std::is_sorted(placed_.begin(), placed_.end(),
                            [](const Placed& a, const Placed& b) { return a.at < b.at; }))
            moveWindow(0, cdSize_);
    }

    ByteSource* source_ = nullptr;
    bool readable_ = false;
    std::uint64_t cdStart_ = 0;
    std::size_t cdSize_ = 0;
    mutable std::string window_;
    mutable std::size_t windowAt_ = 0;
    mutable bool readFailed_ = false;
    std::vector<Placed> placed_;
};

// Passes over the data descriptor after an entry's data: an optional signature, the CRC and
// the two sizes in 4 or 8 bytes each. The form is recognised by the values the central
// directory gave; when none matches the position is left where the data ended.
void skipDescriptor(ByteSource& source, const CentralInfo& info, bool wideFirst) {
    const std::int64_t start = source.position();
    unsigned char buf[24];
    const std::size_t got = source.read(buf, sizeof buf);
    const bool hasSig = got >= 4 && get32(buf) == zipformat::DataDescriptorSignature;
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
    const bool describedLater = (e.GeneralFlags & zipformat::FlagDataDescriptor) != 0;
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
        e.UnicodeName = zipformat::unicodePathName(extra, stored);
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

    std::optional<CentralInfo> described;
    if (describedLater) {
        described = central.find(headerPos);
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

// A name for a message: decoded, control characters shown as "?".
std::string quotedName(std::string_view raw, std::uint16_t flags) {
    return "\"" +
           zipformat::printableName(
               zipformat::decodeEntryName(raw, (flags & zipformat::FlagUtf8) != 0)) +
           "\"";
}

// The entry the central directory describes, in the form the walk gives.
std::unique_ptr<ZipDirEntry> entryOf(const zipformat::CentralRecordView& r) {
    auto e = std::make_unique<ZipDirEntry>();
    const char* h = r.header.data();
    e->VersionNeeded = get16(h + 6);
    e->GeneralFlags = r.flags;
    e->CompressionMethod = r.method;
    e->DateTime = get32(h + 12);
    e->Crc32 = r.crc;
    e->CompressedSize = static_cast<std::int32_t>(get32(h + 20));
    e->UncompressedSize = static_cast<std::int32_t>(get32(h + 24));
    e->FileNameLength = static_cast<std::uint16_t>(r.name.size());
    e->ExtraFieldLength = static_cast<std::uint16_t>(r.extra.size());
    const std::size_t nameLength = std::min(r.name.find('\0'), r.name.size());
    e->FileName.assign(r.name.substr(0, std::min(nameLength, NameLimit)));
    if (nameLength > NameLimit)
        e->FullName.assign(r.name.substr(0, nameLength));
    e->UnicodeName = zipformat::unicodePathName(r.extra, r.name);
    e->CompressedSize64 = r.compressed;
    e->UncompressedSize64 = r.uncompressed;
    return e;
}

// Holds the walk against a readable central directory. Entries on which both agree are
// handed on as the walk read them; at the first difference the walk stops and the rest of
// the directory's entries are handed on instead, so that what is listed is what the archive
// libraries act on, and the difference is told once.
class Comparison {
public:
    Comparison(const CentralIndex& central, const EntrySink& sink, std::string* told)
        : central_(central), records_(central.records()), sink_(sink), told_(told) {}

    // Begins once the directory is loaded.
    void start() { active_ = central_.readable(); }

    // Takes the entry the walk read at POS with its STORED name; false when the walk is to
    // stop.
    bool take(std::unique_ptr<ZipDirEntry> entry, std::int64_t pos, const std::string& stored) {
        if (!active_) {
            sink_(std::move(entry));
            return true;
        }
        std::string difference;
        if (next_ == records_.size() || records_[next_].pos > pos) {
            difference = "the local headers hold " + quotedName(stored, entry->GeneralFlags) +
                         ", which the directory lacks";
        } else {
            const auto r = central_.record(records_[next_]);
            if (records_[next_].pos < pos)
                difference = "the directory lists " + quotedName(r.name, r.flags) +
                             ", which the local headers lack";
            else if (r.name != stored)
                difference = "the directory names the entry " + quotedName(r.name, r.flags) +
                             " where its local header names " +
                             quotedName(stored, entry->GeneralFlags);
            else if (r.compressed != entry->CompressedSize64 ||
                     r.uncompressed != entry->UncompressedSize64)
                difference = "the entry " + quotedName(r.name, r.flags) +
                             " has other sizes in its local header";
        }
        if (difference.empty()) {
            ++next_;
            sink_(std::move(entry));
            return true;
        }
        differ(difference);
        return false;
    }

    // The walk has ended at the directory: entries it did not reach are a difference too.
    void finish() {
        if (active_ && next_ < records_.size()) {
            const auto r = central_.record(records_[next_]);
            differ("the directory lists " + quotedName(r.name, r.flags) +
                   ", which the local headers lack");
        }
    }

    bool differed() const { return differed_; }

private:
    void differ(const std::string& difference) {
        differed_ = true;
        active_ = false;
        for (; next_ < records_.size(); ++next_)
            sink_(entryOf(central_.record(records_[next_])));
        const std::string text = "The archive's local headers and its central directory "
                                 "disagree: " +
                                 difference + ". The entries of the central directory are listed.";
        if (told_ && *told_ == text)
            return;
        if (told_)
            *told_ = text;
        platform::messages().showMessage(text);
    }

    const CentralIndex& central_;
    const std::vector<CentralIndex::Placed>& records_;
    bool active_ = false;
    const EntrySink& sink_;
    std::string* told_;
    std::size_t next_ = 0;
    bool differed_ = false;
};

// Reads one local header whose signature has just been read, hands its entry on, and
// moves past its extra field and data. LIMIT is the file size less the 22 bytes of an end
// record. False when the walk is to stop.
bool readLocalEntry(ByteSource& source, const EntrySink& sink, Comparison& comparison,
                    CentralIndex& central, std::int64_t limit) {
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
    return comparison.take(std::move(entry), headerPos, stored);
}

} // namespace

bool readEntries(ByteSource& source, std::vector<std::unique_ptr<ZipDirEntry>>& entries,
                 std::string* told) {
    return readEntries(
        source, [&](std::unique_ptr<ZipDirEntry> entry) { entries.push_back(std::move(entry)); },
        told);
}

bool readEntries(ByteSource& source, const EntrySink& sink, std::string* told) {
    bool found = false;
    std::int64_t scanned = 0;
    CentralIndex central;
    Comparison comparison(central, sink, told);
    // The size is asked once: the archive is not written while it is listed.
    std::optional<std::int64_t> limit;
    for (;;) {
        std::uint32_t sig;
        if (!found) {
            // The scan: one byte at a time, never stepping back after a failed match.
            unsigned char b;
            if (!readByte(source, b)) {
                noEntries();
                return false;
            }
            if (++scanned > ScanLimit) {
                noEntries();
                return false;
            }
            if (b != 'P')
                continue;
            bool ok = true;
            for (unsigned char expected : {'K', '\x03', '\x04'}) {
                if (!readByte(source, b)) {
                    noEntries();
                    return false;
                }
                if (b != expected) {
                    ok = false;
                    break;
                }
            }
            if (!ok)
                continue;
            found = true;
            sig = zipformat::LocalSignature;
        } else {
            unsigned char s[4];
            if (source.read(s, sizeof s) != sizeof s)
                fail("Error reading Zip File");
            sig = get32(s);
        }
        if (sig == zipformat::LocalSignature) {
            if (!limit) {
                limit = source.size() - 22;
                central.load(source);
                comparison.start();
            }
            if (!readLocalEntry(source, sink, comparison, central, *limit))
                return true;
        } else if (sig == zipformat::CentralSignature || sig == zipformat::EndSignature) {
            comparison.finish();
            return comparison.differed();
        }
        // Anything else: the next four bytes are read as a signature.
    }
}

} // namespace archive_detail

#include "tools/combiner/Combine.h"

#include "ziplibs/common/Bytes.h"
#include "ziplibs/common/Names.h"
#include "ziplibs/common/ZipHandle.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <set>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace combiner {

namespace {

constexpr std::uint32_t kSplitSig = 0x08074b50;    // first bytes of a split set
constexpr std::uint32_t kOnePieceSig = 0x30304b50; // "PK00": a split set of one piece
constexpr std::uint32_t k32 = 0xFFFFFFFFu;
constexpr std::uint16_t k16 = 0xFFFFu;
constexpr std::size_t kChunk = 1 << 20;

std::string quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

std::string pieceName(const fs::path& path) {
    return path.filename().string();
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool allDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::uint64_t getLE(const char* p, int bytes) {
    return ziplibs::littleEndian(reinterpret_cast<const unsigned char*>(p), bytes);
}
std::uint16_t get16(const char* p) {
    return static_cast<std::uint16_t>(getLE(p, 2));
}
std::uint32_t get32(const char* p) {
    return static_cast<std::uint32_t>(getLE(p, 4));
}
std::uint64_t get64(const char* p) {
    return getLE(p, 8);
}
void put16(char* p, std::uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void put32(char* p, std::uint32_t v) {
    put16(p, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
void append16(std::string& s, std::uint16_t v) {
    char b[2];
    put16(b, v);
    s.append(b, 2);
}
void append32(std::string& s, std::uint32_t v) {
    char b[4];
    put32(b, v);
    s.append(b, 4);
}
void append64(std::string& s, std::uint64_t v) {
    append32(s, static_cast<std::uint32_t>(v));
    append32(s, static_cast<std::uint32_t>(v >> 32));
}

int seekTo(std::FILE* f, std::uint64_t pos) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(pos), SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(pos), SEEK_SET);
#endif
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openForReading(const fs::path& path) {
    FilePtr f(std::fopen(path.string().c_str(), "rb"));
    if (!f)
        throw CombineError("Cannot read the piece " + pieceName(path) + ": " +
                           std::strerror(errno) + ".");
    return f;
}

// The pieces as one stream of bytes: each piece in turn, less the bytes it skips at its start
// (the split signature of a ZIP split set's first piece).
class JoinedPieces {
public:
    struct Piece {
        fs::path path;
        std::uint64_t size = 0;
        std::uint64_t skip = 0;
        std::uint64_t start = 0; // position of its first byte after SKIP in the stream
    };

    explicit JoinedPieces(const std::vector<fs::path>& paths, std::uint64_t skipFirst = 0) {
        std::uint64_t at = 0;
        for (const auto& path : paths) {
            std::error_code ec;
            const std::uint64_t size = fs::file_size(path, ec);
            if (ec)
                throw CombineError("Cannot read the piece " + pieceName(path) + ": " +
                                   ec.message() + ".");
            Piece p{path, size, pieces_.empty() ? std::min(skipFirst, size) : 0, at};
            at += p.size - p.skip;
            pieces_.push_back(p);
        }
        size_ = at;
    }

    std::uint64_t size() const { return size_; }
    const std::vector<Piece>& pieces() const { return pieces_; }

    // Reads N bytes at POS; false when they are not all there.
    bool read(std::uint64_t pos, char* out, std::size_t n) {
        if (pos > size_ || n > size_ - pos)
            return false;
        while (n > 0) {
            const std::size_t k = pieceAt(pos);
            const Piece& p = pieces_[k];
            const std::uint64_t inPiece = pos - p.start + p.skip;
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(n, p.size - inPiece));
            std::FILE* f = file(k);
            if (seekTo(f, inPiece) != 0 || std::fread(out, 1, take, f) != take)
                throw CombineError("Cannot read the piece " + pieceName(p.path) + ".");
            pos += take;
            out += take;
            n -= take;
        }
        return true;
    }

    std::string readString(std::uint64_t pos, std::size_t n) {
        std::string s(n, '\0');
        if (!read(pos, s.data(), n))
            return {};
        return s;
    }

    // The index of the piece that holds stream position POS (< size()).
    std::size_t pieceAt(std::uint64_t pos) const {
        std::size_t k = 0;
        while (k + 1 < pieces_.size() && pieces_[k + 1].start <= pos)
            ++k;
        return k;
    }

private:
    std::FILE* file(std::size_t k) {
        if (openIndex_ != k || !open_) {
            open_ = openForReading(pieces_[k].path);
            openIndex_ = k;
        }
        return open_.get();
    }

    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
    FilePtr open_;
    std::size_t openIndex_ = 0;
};

// The end records of an archive.
struct EndRecords {
    bool found = false;
    std::uint64_t endPos = 0; // the end of central directory record
    std::uint32_t thisDisk = 0;
    std::uint32_t cdDisk = 0;
    std::uint64_t entries = 0;
    std::uint64_t cdSize = 0;
    std::uint64_t cdOffset = 0;
    std::string comment;
    bool zip64 = false;
    std::uint64_t locatorPos = 0;
    std::uint32_t zip64Disk = 0; // where the ZIP64 end record is, as the locator says
    std::uint64_t zip64Offset = 0;
    std::uint32_t totalDisks = 1;
};

// Finds the end of central directory record, which ends the archive (its comment included),
// and the ZIP64 locator just before it.
EndRecords findEndRecords(JoinedPieces& in) {
    EndRecords e;
    const std::uint64_t size = in.size();
    if (size < 22)
        return e;
    const std::uint64_t tailStart = size > 22 + 0xFFFF ? size - 22 - 0xFFFF : 0;
    const std::string tail = in.readString(tailStart, static_cast<std::size_t>(size - tailStart));
    for (std::size_t i = tail.size() - 22 + 1; i-- > 0;) {
        const char* p = tail.data() + i;
        if (get32(p) != ziplibs::EndSignature || i + 22 + get16(p + 20) != tail.size())
            continue;
        e.found = true;
        e.endPos = tailStart + i;
        e.thisDisk = get16(p + 4);
        e.cdDisk = get16(p + 6);
        e.entries = get16(p + 10);
        e.cdSize = get32(p + 12);
        e.cdOffset = get32(p + 16);
        e.comment = tail.substr(i + 22);
        e.totalDisks = e.thisDisk + 1;
        if (e.endPos >= 20) {
            const std::string loc = in.readString(e.endPos - 20, 20);
            if (get32(loc.data()) == ziplibs::Zip64LocatorSignature) {
                e.zip64 = true;
                e.locatorPos = e.endPos - 20;
                e.zip64Disk = get32(loc.data() + 4);
                e.zip64Offset = get64(loc.data() + 8);
                e.totalDisks = get32(loc.data() + 16);
            }
        }
        return e;
    }
    return e;
}

CombineError missingPieces(const std::vector<std::string>& names) {
    if (names.size() == 1)
        return CombineError("The piece " + names[0] + " of the split archive is missing.");
    std::string list;
    for (const auto& n : names)
        list += (list.empty() ? "" : ", ") + n;
    return CombineError("These pieces of the split archive are missing: " + list + ".");
}

CombineError endNotFound(const fs::path& last, SplitForm form) {
    if (form == SplitForm::ZipSplit)
        return CombineError("The last piece " + pieceName(last) +
                            " is truncated or damaged: the archive's end record is not in it.");
    return CombineError("The last piece " + pieceName(last) +
                        " is truncated, or pieces after it are missing: the archive's end "
                        "record is not found.");
}

std::string zipPieceName(const std::string& stem, char z, unsigned number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02u", number);
    return stem + "." + z + digits;
}

PieceSet zipSplitSet(const fs::path& folder, const std::string& stem, char z) {
    fs::path last = folder / (stem + ".zip");
    if (!fs::is_regular_file(last) && fs::is_regular_file(folder / (stem + ".ZIP")))
        last = folder / (stem + ".ZIP");
    if (!fs::is_regular_file(last))
        throw CombineError("The last piece " + stem + ".zip of the split archive is missing.");
    JoinedPieces lastOnly({last});
    const EndRecords end = findEndRecords(lastOnly);
    if (!end.found)
        throw endNotFound(last, SplitForm::ZipSplit);
    if (end.totalDisks < 2)
        throw CombineError(pieceName(last) +
                           " is a whole archive, not a piece of a split archive.");
    PieceSet set{SplitForm::ZipSplit, {}};
    std::vector<std::string> missing;
    for (std::uint32_t d = 1; d < end.totalDisks; ++d) {
        const fs::path piece = folder / zipPieceName(stem, z, d);
        if (!fs::is_regular_file(piece))
            missing.push_back(pieceName(piece));
        set.pieces.push_back(piece);
    }
    if (!missing.empty())
        throw missingPieces(missing);
    set.pieces.push_back(last);
    return set;
}

PieceSet byteSplitSet(const fs::path& folder, const std::string& stem, std::size_t width) {
    std::set<unsigned long> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != stem.size() + 1 + width || name.compare(0, stem.size(), stem) != 0 ||
            name[stem.size()] != '.')
            continue;
        const std::string digits = name.substr(stem.size() + 1);
        if (allDigits(digits) && width <= 9)
            numbers.insert(std::stoul(digits));
    }
    const auto nameOf = [&](unsigned long n) {
        std::string digits = std::to_string(n);
        return stem + "." + std::string(width > digits.size() ? width - digits.size() : 0, '0') +
               digits;
    };
    if (!numbers.count(1))
        throw CombineError("The first piece " + nameOf(1) + " of the split archive is missing.");
    PieceSet set{SplitForm::ByteSplit, {}};
    std::vector<std::string> missing;
    for (unsigned long n = 1; n <= *numbers.rbegin(); ++n) {
        if (!numbers.count(n))
            missing.push_back(nameOf(n));
        set.pieces.push_back(folder / nameOf(n));
    }
    if (!missing.empty())
        throw missingPieces(missing);
    return set;
}

// A central directory record, and where its entry lies in the joined pieces.
struct Entry {
    std::string header; // the 46 fixed bytes
    std::string name, extra, comment;
    std::uint64_t compressed = 0, uncompressed = 0, offset = 0;
    std::uint32_t disk = 0;
    std::uint64_t pos = 0; // of its local header in the joined pieces
    std::uint64_t end = 0; // just past its data
};

std::string entryName(const Entry& e) {
    return ziplibs::decodeEntryName(e.name, (get16(e.header.data() + 8) & 0x800) != 0);
}

CombineError damagedDirectory(const std::string& detail) {
    return CombineError("The archive's central directory is damaged: " + detail + ".");
}

// Reads the ZIP64 extended information of an entry: the fields whose 32-bit (16-bit for
// the disk) place in the header holds its maximum, in their fixed order.
void readZip64(Entry& e) {
    const std::string& x = e.extra;
    for (std::size_t i = 0; i + 4 <= x.size();) {
        const std::uint16_t id = get16(x.data() + i);
        const std::uint16_t len = get16(x.data() + i + 2);
        if (i + 4 + len > x.size())
            break;
        if (id == 0x0001) {
            std::size_t at = i + 4;
            const auto take64 = [&](std::uint64_t& v) {
                if (at + 8 > i + 4 + len)
                    throw damagedDirectory("entry \"" + entryName(e) + "\"");
                v = get64(x.data() + at);
                at += 8;
            };
            if (e.uncompressed == k32)
                take64(e.uncompressed);
            if (e.compressed == k32)
                take64(e.compressed);
            if (e.offset == k32)
                take64(e.offset);
            if (e.disk == k16) {
                if (at + 4 > i + 4 + len)
                    throw damagedDirectory("entry \"" + entryName(e) + "\"");
                e.disk = get32(x.data() + at);
            }
            return;
        }
        i += 4 + len;
    }
    if (e.uncompressed == k32 || e.compressed == k32 || e.offset == k32 || e.disk == k16)
        throw damagedDirectory("entry \"" + entryName(e) + "\" lacks its ZIP64 sizes");
}

std::vector<Entry> parseCentralDirectory(const std::string& cd, std::uint64_t expected) {
    std::vector<Entry> entries;
    std::size_t p = 0;
    while (p + 4 <= cd.size() && get32(cd.data() + p) == ziplibs::CentralSignature) {
        if (p + 46 > cd.size())
            throw damagedDirectory("a record is cut short");
        Entry e;
        e.header = cd.substr(p, 46);
        const char* h = e.header.data();
        const std::size_t n = get16(h + 28), x = get16(h + 30), c = get16(h + 32);
        if (p + 46 + n + x + c > cd.size())
            throw damagedDirectory("a record is cut short");
        e.name = cd.substr(p + 46, n);
        e.extra = cd.substr(p + 46 + n, x);
        e.comment = cd.substr(p + 46 + n + x, c);
        e.compressed = get32(h + 20);
        e.uncompressed = get32(h + 24);
        e.disk = get16(h + 34);
        e.offset = get32(h + 42);
        readZip64(e);
        entries.push_back(std::move(e));
        p += 46 + n + x + c;
    }
    if (entries.size() != expected && expected != k16)
        throw damagedDirectory("it holds " + std::to_string(entries.size()) +
                               " entries instead of " + std::to_string(expected));
    return entries;
}

// Of the pieces that hold stream bytes from A to B, the one most likely cut short: the
// shortest, the last piece (which is short by nature) only when it is the only one.
std::size_t likelyTruncated(const JoinedPieces& in, std::uint64_t a, std::uint64_t b) {
    const auto& pieces = in.pieces();
    const std::size_t first = in.pieceAt(std::min(a, in.size() ? in.size() - 1 : 0));
    const std::size_t last = in.pieceAt(std::min(b, in.size() ? in.size() - 1 : 0));
    std::size_t best = first;
    for (std::size_t k = first; k <= last; ++k) {
        if (k + 1 == pieces.size() && k != first)
            continue;
        if (pieces[k].size < pieces[best].size)
            best = k;
    }
    return best;
}

// Places every entry in the joined pieces and checks that its local header is where the
// central directory says and that its data ends before the next entry begins.
void placeEntries(JoinedPieces& in, std::vector<Entry>& entries, SplitForm form, std::int64_t shift,
                  std::uint64_t cdStart) {
    const auto& pieces = in.pieces();
    for (auto& e : entries) {
        std::uint64_t pos = 0;
        if (form == SplitForm::ZipSplit) {
            if (e.disk >= pieces.size())
                throw damagedDirectory("entry \"" + entryName(e) + "\" names piece " +
                                       std::to_string(e.disk + 1) + " of " +
                                       std::to_string(pieces.size()));
            const auto& p = pieces[e.disk];
            if (e.offset < p.skip || e.offset + 30 > p.size)
                throw CombineError("The piece " + pieceName(p.path) +
                                   " is truncated: the entry \"" + entryName(e) +
                                   "\" lies beyond its end.");
            pos = p.start + (e.offset - p.skip);
        } else {
            if (e.disk != 0)
                throw CombineError("The pieces hold a split archive of another kind, whose "
                                   "parts are numbered disks; it cannot be joined byte by byte.");
            pos = static_cast<std::uint64_t>(static_cast<std::int64_t>(e.offset) + shift);
        }
        char local[30];
        if (!in.read(pos, local, sizeof local) || get32(local) != ziplibs::LocalSignature)
            throw CombineError("The pieces do not fit together: the entry \"" + entryName(e) +
                               "\" is not where the archive's directory puts it, in piece " +
                               pieceName(pieces[in.pieceAt(std::min(pos, in.size() - 1))].path) +
                               ". A piece is misnumbered, damaged or from another archive.");
        e.pos = pos;
        e.end = pos + 30 + get16(local + 26) + get16(local + 28) + e.compressed;
    }
    std::vector<const Entry*> order;
    for (const auto& e : entries)
        order.push_back(&e);
    std::sort(order.begin(), order.end(),
              [](const Entry* a, const Entry* b) { return a->pos < b->pos; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::uint64_t next = i + 1 < order.size() ? order[i + 1]->pos : cdStart;
        if (order[i]->end > next)
            throw CombineError("The piece " +
                               pieceName(pieces[likelyTruncated(in, order[i]->pos, next)].path) +
                               " is truncated or damaged: the entry \"" + entryName(*order[i]) +
                               "\" does not fit into the pieces as they are.");
    }
}

// The central directory written anew for the joined archive: every entry on disk 0 at its
// position in the stream, with ZIP64 fields where a value no longer fits in 32 bits.
std::string rebuildCentralDirectory(const std::vector<Entry>& entries) {
    std::string cd;
    for (const auto& e : entries) {
        std::string h = e.header;
        const bool bigUncompressed = get32(h.data() + 24) == k32;
        const bool bigCompressed = get32(h.data() + 20) == k32;
        const bool bigOffset = get32(h.data() + 42) == k32 || e.pos >= k32;
        std::string zip64;
        if (bigUncompressed)
            append64(zip64, e.uncompressed);
        if (bigCompressed)
            append64(zip64, e.compressed);
        if (bigOffset)
            append64(zip64, e.pos);
        std::string extra;
        bool placed = false;
        const auto placeZip64 = [&] {
            if (!placed && !zip64.empty()) {
                append16(extra, 0x0001);
                append16(extra, static_cast<std::uint16_t>(zip64.size()));
                extra += zip64;
            }
            placed = true;
        };
        for (std::size_t i = 0; i + 4 <= e.extra.size();) {
            const std::uint16_t len = get16(e.extra.data() + i + 2);
            if (i + 4 + len > e.extra.size()) {
                extra += e.extra.substr(i); // kept as it stands
                break;
            }
            if (get16(e.extra.data() + i) == 0x0001)
                placeZip64();
            else
                extra += e.extra.substr(i, 4 + len);
            i += 4 + len;
        }
        if (!placed) {
            const std::string rest = extra;
            extra.clear();
            placeZip64();
            extra += rest;
        }
        if (extra.size() > 0xFFFF)
            throw damagedDirectory("entry \"" + entryName(e) + "\" has too many extra fields");
        put16(h.data() + 34, 0);
        put32(h.data() + 42, bigOffset ? k32 : static_cast<std::uint32_t>(e.pos));
        put16(h.data() + 30, static_cast<std::uint16_t>(extra.size()));
        if (!zip64.empty() && get16(h.data() + 6) < 45)
            put16(h.data() + 6, 45);
        cd += h + e.name + extra + e.comment;
    }
    return cd;
}

// The end records of the joined archive, ZIP64 ones too when a value needs them or the
// split set had them.
std::string endRecords(std::uint64_t entries, std::uint64_t cdSize, std::uint64_t cdOffset,
                       const std::string& comment, bool zip64) {
    zip64 = zip64 || entries >= k16 || cdSize >= k32 || cdOffset >= k32;
    std::string out;
    if (zip64) {
        const std::uint64_t zip64Pos = cdOffset + cdSize;
        append32(out, ziplibs::Zip64EndSignature);
        append64(out, 44);
        append16(out, 45);
        append16(out, 45);
        append32(out, 0);
        append32(out, 0);
        append64(out, entries);
        append64(out, entries);
        append64(out, cdSize);
        append64(out, cdOffset);
        append32(out, ziplibs::Zip64LocatorSignature);
        append32(out, 0);
        append64(out, zip64Pos);
        append32(out, 1);
    }
    append32(out, ziplibs::EndSignature);
    append16(out, 0);
    append16(out, 0);
    const auto n16 = static_cast<std::uint16_t>(std::min<std::uint64_t>(entries, k16));
    append16(out, n16);
    append16(out, n16);
    append32(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(cdSize, k32)));
    append32(out, static_cast<std::uint32_t>(std::min<std::uint64_t>(cdOffset, k32)));
    append16(out, static_cast<std::uint16_t>(comment.size()));
    out += comment;
    return out;
}

void checkCancel(const Progress& progress) {
    if (progress.cancel && progress.cancel->load())
        throw Cancelled();
}

void report(const Progress& progress, std::uint64_t done, std::uint64_t total) {
    if (progress.report)
        progress.report(done, total);
}

// The combined archive while it is written: a new file beside the output, removed unless it
// was given the output's name.
class TempOutput {
public:
    explicit TempOutput(const fs::path& output) {
        const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
            path_ = folder / ("." + output.filename().string() + ".part-" + suffix);
            file_.reset(std::fopen(path_.string().c_str(), "wbx"));
            if (!file_ && errno != EEXIST)
                break;
        }
        if (!file_)
            throw CombineError("Cannot write in the folder " + quoted(folder) + ": " +
                               std::strerror(errno) + ".");
    }
    ~TempOutput() {
        file_.reset();
        if (!kept_) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
    }
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    const fs::path& path() const { return path_; }

    void write(const char* data, std::size_t n) {
        if (std::fwrite(data, 1, n, file_.get()) != n)
            throw writeError();
    }
    // Writes the file through to the disk and closes it.
    void finish() {
        bool ok = std::fflush(file_.get()) == 0;
#ifndef _WIN32
        ok = ok && ::fsync(fileno(file_.get())) == 0;
#endif
        ok = std::fclose(file_.release()) == 0 && ok;
        if (!ok)
            throw writeError();
    }
    // Gives the file the name OUTPUT; without OVERWRITE an existing OUTPUT stays as it is.
    void publish(const fs::path& output, bool overwrite) {
        std::error_code ec;
#ifndef _WIN32
        if (!overwrite) {
            // A link fails when OUTPUT has come into being meanwhile; where the file system
            // has no links, the check before the rename has to do.
            if (::link(path_.c_str(), output.c_str()) == 0) {
                kept_ = true;
                fs::remove(path_, ec);
                return;
            }
            if (errno == EEXIST)
                throw exists(output);
        }
#endif
        if (!overwrite && fs::exists(output))
            throw exists(output);
        fs::rename(path_, output, ec);
        if (ec)
            throw CombineError("Cannot save the combined archive as " + quoted(output) + ": " +
                               ec.message() + ".");
        kept_ = true;
    }

    static CombineError exists(const fs::path& output) {
        return CombineError("The file " + quoted(output) + " exists already.");
    }

private:
    CombineError writeError() const {
        return CombineError("Cannot write " + quoted(path_) + ": " + std::strerror(errno) + ".");
    }

    FilePtr file_;
    fs::path path_;
    bool kept_ = false;
};

void copyStream(JoinedPieces& in, std::uint64_t from, std::uint64_t to, TempOutput& out,
                const Progress& progress, std::uint64_t total) {
    std::string buffer(kChunk, '\0');
    for (std::uint64_t pos = from; pos < to;) {
        checkCancel(progress);
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, to - pos));
        in.read(pos, buffer.data(), n);
        out.write(buffer.data(), n);
        pos += n;
        report(progress, pos, total);
    }
}

void checkOutput(const PieceSet& set, const fs::path& output, bool overwrite) {
    if (output.empty())
        throw CombineError("Name the combined archive.");
    const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
    if (!fs::is_directory(folder))
        throw CombineError("The folder " + quoted(folder) + " does not exist.");
    std::error_code ec;
    if (fs::is_directory(output, ec))
        throw CombineError(quoted(output) + " is a folder.");
    for (const auto& piece : set.pieces) {
        if (fs::equivalent(piece, output, ec) ||
            fs::weakly_canonical(piece, ec) == fs::weakly_canonical(output, ec))
            throw CombineError("The combined archive cannot take the place of its piece " +
                               pieceName(piece) + ".");
    }
    if (!overwrite && fs::exists(output, ec))
        throw TempOutput::exists(output);
}

} // namespace

PieceSet findPieceSet(const fs::path& piece) {
    const std::string name = piece.filename().string();
    const fs::path folder = piece.parent_path();
    const auto dot = name.rfind('.');
    if (!fs::exists(piece))
        throw CombineError("The piece " + quoted(piece) + " does not exist.");
    if (dot != std::string::npos && dot > 0) {
        const std::string stem = name.substr(0, dot), ext = name.substr(dot + 1);
        if (ext.size() >= 3 && (ext[0] == 'z' || ext[0] == 'Z') && allDigits(ext.substr(1)))
            return zipSplitSet(folder, stem, ext[0]);
        if (lowerAscii(ext) == "zip") {
            const char z = fs::is_regular_file(folder / (stem + ".Z01")) &&
                                   !fs::is_regular_file(folder / (stem + ".z01"))
                               ? 'Z'
                               : 'z';
            return zipSplitSet(folder, stem, z);
        }
        if (ext.size() >= 3 && allDigits(ext))
            return byteSplitSet(folder, stem, ext.size());
    }
    throw CombineError(name + " is not a piece of a split archive. Choose its first piece, "
                              "whose name ends in .z01, .001 or .zip.001.");
}

fs::path suggestedOutput(const PieceSet& set) {
    const fs::path& ref = set.form == SplitForm::ZipSplit ? set.pieces.back() : set.pieces.front();
    std::string stem = ref.stem().string();
    const fs::path folder = ref.parent_path();
    if (set.form == SplitForm::ByteSplit &&
        lowerAscii(fs::path(stem).extension().string()) == ".zip")
        stem = fs::path(stem).stem().string();
    fs::path candidate = folder / (stem + ".zip");
    std::error_code ec;
    for (int n = 1; set.form == SplitForm::ZipSplit || fs::exists(candidate, ec); ++n) {
        candidate = folder / (stem + "-combined" + (n > 1 ? "-" + std::to_string(n) : "") + ".zip");
        if (!fs::exists(candidate, ec))
            break;
    }
    return candidate;
}

Summary combine(const fs::path& piece, const fs::path& output, bool overwrite,
                const Progress& progress) {
    const PieceSet set = findPieceSet(piece);
    checkOutput(set, output, overwrite);

    // The first piece decides what the stream starts with.
    std::uint32_t first = 0;
    {
        char sig[4] = {};
        FilePtr f = openForReading(set.pieces.front());
        if (std::fread(sig, 1, 4, f.get()) == 4)
            first = get32(sig);
    }
    std::uint64_t skip = 0;
    if (set.form == SplitForm::ZipSplit) {
        if (first == kSplitSig || first == kOnePieceSig)
            skip = 4;
        else if (first != ziplibs::LocalSignature)
            throw CombineError(pieceName(set.pieces.front()) +
                               " is not the first piece of a split archive: it does not begin "
                               "with a ZIP header.");
    } else if (first != ziplibs::LocalSignature && first != ziplibs::EndSignature) {
        throw CombineError(pieceName(set.pieces.front()) +
                           " is not the first piece of a split ZIP archive: it does not begin "
                           "with a ZIP header.");
    }

    JoinedPieces in(set.pieces, skip);
    const EndRecords end = findEndRecords(in);
    if (!end.found)
        throw endNotFound(set.pieces.back(), set.form);
    const auto& pieces = in.pieces();
    const auto streamPos = [&](std::uint32_t disk, std::uint64_t offset) -> std::uint64_t {
        if (set.form == SplitForm::ByteSplit)
            return offset;
        if (disk >= pieces.size() || offset < pieces[disk].skip || offset > pieces[disk].size)
            throw damagedDirectory("the end records name a place outside the pieces");
        return pieces[disk].start + (offset - pieces[disk].skip);
    };

    std::uint64_t entries = end.entries, cdSize = end.cdSize, cdOffset = end.cdOffset;
    std::uint32_t cdDisk = end.cdDisk;
    std::uint64_t cdEnd = end.endPos; // where the directory must end
    if (end.zip64) {
        // Its place is taken from the locator's neighbourhood for a byte split (whose offsets
        // may be shifted), from the locator itself for a split set.
        std::uint64_t pos = 0;
        if (set.form == SplitForm::ZipSplit) {
            pos = streamPos(end.zip64Disk, end.zip64Offset);
        } else {
            pos = end.locatorPos >= 56 ? end.locatorPos - 56 : 0;
        }
        const std::string rec = in.readString(pos, 56);
        if (rec.empty() || get32(rec.data()) != ziplibs::Zip64EndSignature)
            throw damagedDirectory("the ZIP64 end record is not where its locator puts it");
        cdDisk = get32(rec.data() + 20);
        entries = get64(rec.data() + 32);
        cdSize = get64(rec.data() + 40);
        cdOffset = get64(rec.data() + 48);
        cdEnd = pos;
    }
    std::uint64_t cdStart = 0;
    std::int64_t shift = 0;
    if (set.form == SplitForm::ZipSplit) {
        cdStart = streamPos(cdDisk, cdOffset);
        if (cdStart + cdSize > cdEnd)
            throw CombineError("The piece " +
                               pieceName(pieces[likelyTruncated(in, cdStart, cdEnd)].path) +
                               " is truncated: the archive's directory does not fit into the "
                               "pieces as they are.");
        if (cdStart + cdSize != cdEnd)
            throw CombineError("The pieces do not fit together: the archive's directory is not "
                               "where its end record puts it. A piece is misnumbered, truncated "
                               "or from another archive.");
    } else {
        if (cdSize > cdEnd)
            throw damagedDirectory("it is larger than the archive");
        cdStart = cdEnd - cdSize;
        shift = static_cast<std::int64_t>(cdStart) - static_cast<std::int64_t>(cdOffset);
        if (shift < 0) {
            const std::size_t k = likelyTruncated(in, 0, cdStart);
            if (pieces.size() > 1 && pieces[k].size < pieces.front().size)
                throw CombineError("The piece " + pieceName(pieces[k].path) +
                                   " is truncated: it is shorter than the pieces before it.");
            throw CombineError("A piece of the split archive is missing or truncated: " +
                               std::to_string(-shift) + " bytes are lacking.");
        }
    }
    std::vector<Entry> list =
        parseCentralDirectory(in.readString(cdStart, static_cast<std::size_t>(cdSize)), entries);
    placeEntries(in, list, set.form, shift, cdStart);

    std::uint64_t checkBytes = 0;
    for (const auto& e : list)
        checkBytes += e.compressed;

    TempOutput out(output);
    Summary summary;
    summary.pieces = set.pieces.size();
    if (set.form == SplitForm::ByteSplit) {
        const std::uint64_t total = in.size() + checkBytes;
        copyStream(in, 0, in.size(), out, progress, total);
        summary.bytes = in.size();
        out.finish();
        summary.entries = verifyArchive(out.path(), progress, in.size(), total);
    } else {
        const std::uint64_t total = cdStart + checkBytes;
        copyStream(in, 0, cdStart, out, progress, total);
        const std::string cd = rebuildCentralDirectory(list);
        const std::string tail =
            endRecords(list.size(), cd.size(), cdStart, end.comment, end.zip64);
        out.write(cd.data(), cd.size());
        out.write(tail.data(), tail.size());
        summary.bytes = cdStart + cd.size() + tail.size();
        out.finish();
        summary.entries = verifyArchive(out.path(), progress, cdStart, total);
    }
    checkCancel(progress);
    out.publish(output, overwrite);
    return summary;
}

std::uint64_t verifyArchive(const fs::path& archive, const Progress& progress,
                            std::uint64_t doneBefore, std::uint64_t total) {
    int error = 0;
    ziplibs::ZipPtr za(zip_open(archive.string().c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!za)
        throw CombineError(
            "The combined archive does not pass its check: " + ziplibs::zipErrorText(error) + ".");
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    std::string buffer(kChunk, '\0');
    std::uint64_t done = doneBefore;
    for (zip_int64_t i = 0; i < count; ++i) {
        checkCancel(progress);
        const auto index = static_cast<zip_uint64_t>(i);
        const auto failed = [&](const std::string& why) {
            const char* raw = zip_get_name(za.get(), index, ZIP_FL_ENC_RAW);
            return CombineError("The combined archive does not pass its check: the entry \"" +
                                ziplibs::decodeEntryName(raw ? raw : "") + "\" " + why + ".");
        };
        zip_stat_t st;
        zip_stat_init(&st);
        zip_stat_index(za.get(), index, 0, &st);
        std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(za.get(), index, 0),
                                                               zip_fclose);
        if (!file) {
            // Without its password, or with a method libzip lacks, the stored bytes are read
            // instead: that still proves them all there.
            const int why = zip_error_code_zip(zip_get_error(za.get()));
            if (why == ZIP_ER_NOPASSWD || why == ZIP_ER_WRONGPASSWD || why == ZIP_ER_ENCRNOTSUPP ||
                why == ZIP_ER_COMPNOTSUPP)
                file.reset(zip_fopen_index(za.get(), index, ZIP_FL_COMPRESSED));
        }
        if (!file)
            throw failed(std::string("cannot be read: ") + zip_strerror(za.get()));
        const std::uint64_t size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        const std::uint64_t packed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        std::uint64_t read = 0;
        while (true) {
            const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
            if (n < 0)
                throw failed(std::string("is damaged: ") + zip_file_strerror(file.get()));
            if (n == 0)
                break;
            read += static_cast<std::uint64_t>(n);
            if (size > 0)
                report(progress, done + packed * std::min(read, size) / size, total);
            checkCancel(progress);
        }
        if (const int closed = zip_fclose(file.release()); closed != 0)
            throw failed("is damaged: " + ziplibs::zipErrorText(closed));
        done += packed;
        report(progress, done, total);
    }
    return static_cast<std::uint64_t>(count);
}

} // namespace combiner

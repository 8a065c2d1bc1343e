#include "tools/combiner/Combine.h"

#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"
#include "ziplibs/common/ZipHandle.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <set>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace combiner {

namespace {

using zipformat::get16;
using zipformat::get32;
using zipformat::get64;
constexpr std::uint32_t k32 = zipformat::Marker32;
constexpr std::uint16_t k16 = zipformat::Marker16;
constexpr std::size_t kChunk = 1 << 20;
// Missing pieces named in a message at most; the rest are counted.
constexpr std::size_t kNamedMissing = 10;

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

void put16(char* p, std::uint16_t v) {
    zipformat::putLittleEndian(p, v, 2);
}
void put32(char* p, std::uint32_t v) {
    zipformat::putLittleEndian(p, v, 4);
}
void append16(std::string& s, std::uint16_t v) {
    zipformat::appendLittleEndian(s, v, 2);
}
void append32(std::string& s, std::uint32_t v) {
    zipformat::appendLittleEndian(s, v, 4);
}
void append64(std::string& s, std::uint64_t v) {
    zipformat::appendLittleEndian(s, v, 8);
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

// Which file a path names: device and inode, or nothing when it names none.
struct FileId {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileId&) const = default;
    static std::optional<FileId> of(const fs::path& path) {
#ifndef _WIN32
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return std::nullopt;
        return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
#else
        std::error_code ec;
        if (!fs::exists(path, ec))
            return std::nullopt;
        return FileId{};
#endif
    }
};

// The pieces as one stream of bytes: each piece in turn, less the bytes it skips at its start
// (the split signature of a ZIP split set's first piece).
class JoinedPieces : public zipformat::RandomAccess {
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

    std::uint64_t size() const override { return size_; }
    const std::vector<Piece>& pieces() const { return pieces_; }

    // Reads N bytes at POS; false when they are not all there.
    bool read(std::uint64_t pos, void* to, std::size_t n) override {
        char* out = static_cast<char*>(to);
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

    std::string readString(std::uint64_t pos, std::uint64_t n) {
        if (pos > size_ || n > size_ - pos)
            return {};
        std::string s(static_cast<std::size_t>(n), '\0');
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

// The end records of an archive, with its comment.
struct EndRecords : zipformat::EndRecord {
    bool found = false;
    std::string comment;
};

EndRecords endRecordsOf(JoinedPieces& in, const std::optional<zipformat::EndRecord>& found) {
    EndRecords e;
    if (!found)
        return e;
    static_cast<zipformat::EndRecord&>(e) = *found;
    e.found = true;
    e.comment = in.readString(e.endPos + zipformat::EndSize, e.commentLength);
    return e;
}

// Finds the end of central directory record, and the ZIP64 locator just before it. One
// whose directory stands where it says is taken first, as the archive libraries take it
// (with anything after it passed over); else the last one near the end, whose directory a
// split set keeps in other pieces or whose faults the caller names.
EndRecords findEndRecords(JoinedPieces& in, bool checked) {
    if (checked)
        if (auto e = zipformat::findEndRecord(in))
            return endRecordsOf(in, e);
    return endRecordsOf(in, zipformat::findAnyEndRecord(in));
}

// NAMES are the first missing pieces, of TOTAL missing.
CombineError missingPieces(const std::vector<std::string>& names, std::uint64_t total) {
    if (total == 1)
        return CombineError("The piece " + names[0] + " of the split archive is missing.");
    std::string list;
    for (const auto& n : names)
        list += (list.empty() ? "" : ", ") + n;
    if (total > names.size())
        list += " and " + std::to_string(total - names.size()) + " more";
    return CombineError("These pieces of the split archive are missing: " + list + ".");
}

// The numbers of the pieces in FOLDER whose names are STEM, a dot and a number that MATCH
// takes from the rest of the name (nullopt for a name of another form). Only files that
// exist are looked at, so that no claimed count is ever counted out.
template <typename Match>
std::set<std::uint64_t> piecesPresent(const fs::path& folder, const std::string& stem, Match match,
                                      const std::atomic<bool>* cancel) {
    std::set<std::uint64_t> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (cancel && cancel->load())
            throw Cancelled();
        const std::string name = it->path().filename().string();
        if (name.size() <= stem.size() + 1 || name.compare(0, stem.size(), stem) != 0 ||
            name[stem.size()] != '.')
            continue;
        if (const auto n = match(name.substr(stem.size() + 1)))
            numbers.insert(*n);
    }
    return numbers;
}

// Raises the missing pieces among 1 to LAST, of which PRESENT exist, naming the first few:
// the steps taken are bounded by the pieces that exist, not by LAST.
template <typename NameOf>
void checkNoneMissing(const std::set<std::uint64_t>& present, std::uint64_t last, NameOf nameOf) {
    std::uint64_t have = 0;
    for (const std::uint64_t n : present)
        if (n >= 1 && n <= last)
            ++have;
    if (have == last)
        return;
    std::vector<std::string> names;
    for (std::uint64_t n = 1; n <= last && names.size() < kNamedMissing; ++n)
        if (!present.count(n))
            names.push_back(nameOf(n));
    throw missingPieces(names, last - have);
}

CombineError endNotFound(const fs::path& last, SplitForm form) {
    if (form == SplitForm::ZipSplit)
        return CombineError("The last piece " + pieceName(last) +
                            " is truncated or damaged: the archive's end record is not in it.");
    return CombineError("The last piece " + pieceName(last) +
                        " is truncated, or pieces after it are missing: the archive's end "
                        "record is not found.");
}

std::string zipPieceName(const std::string& stem, char z, std::uint64_t number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%02llu", static_cast<unsigned long long>(number));
    return stem + "." + z + digits;
}

// The number of a piece's name part after the stem: at most 18 digits (so that it fits),
// after the letter LETTER when one is given.
std::optional<std::uint64_t> pieceNumber(const std::string& ext, char letter) {
    std::string digits = ext;
    if (letter) {
        if (ext.empty() || ext[0] != letter)
            return std::nullopt;
        digits = ext.substr(1);
    }
    if (!allDigits(digits) || digits.size() > 18)
        return std::nullopt;
    return std::stoull(digits);
}

PieceSet zipSplitSet(const fs::path& folder, const std::string& stem, char z,
                     const std::atomic<bool>* cancel) {
    fs::path last = folder / (stem + ".zip");
    if (!fs::is_regular_file(last) && fs::is_regular_file(folder / (stem + ".ZIP")))
        last = folder / (stem + ".ZIP");
    if (!fs::is_regular_file(last))
        throw CombineError("The last piece " + stem + ".zip of the split archive is missing.");
    JoinedPieces lastOnly({last});
    const EndRecords end = findEndRecords(lastOnly, false);
    if (!end.found)
        throw endNotFound(last, SplitForm::ZipSplit);
    if (end.totalDisks < 2)
        throw CombineError(pieceName(last) +
                           " is a whole archive, not a piece of a split archive.");
    const auto present = piecesPresent(
        folder, stem,
        [&](const std::string& ext) -> std::optional<std::uint64_t> {
            const auto n = pieceNumber(ext, z);
            // A number is written with two digits at least, as "zip -s" names the pieces.
            if (!n || ext.size() < 3 || ext != zipPieceName("", z, *n).substr(1))
                return std::nullopt;
            return n;
        },
        cancel);
    const std::uint64_t before = end.totalDisks - 1;
    checkNoneMissing(present, before, [&](std::uint64_t n) { return zipPieceName(stem, z, n); });
    PieceSet set{SplitForm::ZipSplit, {}};
    for (std::uint64_t d = 1; d <= before; ++d) {
        const fs::path piece = folder / zipPieceName(stem, z, d);
        if (!fs::is_regular_file(piece))
            throw missingPieces({pieceName(piece)}, 1);
        set.pieces.push_back(piece);
    }
    set.pieces.push_back(last);
    return set;
}

PieceSet byteSplitSet(const fs::path& folder, const std::string& stem, std::size_t width,
                      const std::atomic<bool>* cancel) {
    const auto numbers = piecesPresent(
        folder, stem,
        [&](const std::string& ext) -> std::optional<std::uint64_t> {
            if (ext.size() != width)
                return std::nullopt;
            return pieceNumber(ext, 0);
        },
        cancel);
    const auto nameOf = [&](std::uint64_t n) {
        std::string digits = std::to_string(n);
        return stem + "." + std::string(width > digits.size() ? width - digits.size() : 0, '0') +
               digits;
    };
    if (!numbers.count(1))
        throw CombineError("The first piece " + nameOf(1) + " of the split archive is missing.");
    checkNoneMissing(numbers, *numbers.rbegin(), nameOf);
    PieceSet set{SplitForm::ByteSplit, {}};
    for (const std::uint64_t n : numbers)
        set.pieces.push_back(folder / nameOf(n));
    return set;
}

// A central directory record, and where its entry lies in the joined pieces.
struct Entry : zipformat::CentralRecord {
    std::uint64_t pos = 0; // of its local header in the joined pieces
    std::uint64_t end = 0; // just past its data
};

// The entry's name for a message.
std::string entryName(const Entry& e) {
    return zipformat::printableName(e.text());
}

CombineError damagedDirectory(const std::string& detail) {
    return CombineError("The archive's central directory is damaged: " + detail + ".");
}

std::vector<Entry> parseCentralDirectory(const std::string& cd, std::uint64_t expected) {
    auto parsed = zipformat::readCentralDirectory(cd);
    if (parsed.cutShort)
        throw damagedDirectory("a record is cut short");
    std::vector<Entry> entries;
    entries.reserve(parsed.records.size());
    for (auto& r : parsed.records) {
        Entry e;
        static_cast<zipformat::CentralRecord&>(e) = std::move(r);
        if (!e.zip64Complete)
            throw damagedDirectory("entry \"" + entryName(e) + "\" lacks its ZIP64 sizes");
        entries.push_back(std::move(e));
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
        if (!in.read(pos, local, sizeof local) || get32(local) != zipformat::LocalSignature)
            throw CombineError("The pieces do not fit together: the entry \"" + entryName(e) +
                               "\" is not where the archive's directory puts it, in piece " +
                               pieceName(pieces[in.pieceAt(std::min(pos, in.size() - 1))].path) +
                               ". A piece is misnumbered, damaged or from another archive.");
        e.pos = pos;
        const std::uint64_t header = 30u + get16(local + 26) + get16(local + 28);
        e.end = e.compressed > in.size() ? in.size() + 1 : pos + header + e.compressed;
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
        append32(out, zipformat::Zip64EndSignature);
        append64(out, 44);
        append16(out, 45);
        append16(out, 45);
        append32(out, 0);
        append32(out, 0);
        append64(out, entries);
        append64(out, entries);
        append64(out, cdSize);
        append64(out, cdOffset);
        append32(out, zipformat::Zip64LocatorSignature);
        append32(out, 0);
        append64(out, zip64Pos);
        append32(out, 1);
    }
    append32(out, zipformat::EndSignature);
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

// The combined archive while it is written: a file without a name in the output's folder
// (O_TMPFILE), given the output's name only when it is whole, so that a killed combiner
// leaves nothing behind. Where the file system has no such files, a hidden temporary
// beside the output is written instead and removed unless it was given the output's name.
class TempOutput {
public:
    explicit TempOutput(const fs::path& output) {
        const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
#if defined(O_TMPFILE)
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_.reset(::fdopen(fd, "wb"));
            if (!file_) {
                ::close(fd);
                throw folderError(folder);
            }
            anonymous_ = true;
            path_ = "/proc/self/fd/" + std::to_string(fd);
            return;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            throw folderError(folder);
#endif
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
            throw folderError(folder);
    }
    ~TempOutput() {
        file_.reset();
        if (!kept_ && !anonymous_) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
    }
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    // A path that opens the file while it is written (for its check).
    const fs::path& path() const {
        return path_;
    }

    void write(const char* data, std::size_t n) {
        if (std::fwrite(data, 1, n, file_.get()) != n)
            throw writeError();
    }
    // Writes the file through to the disk; it stays open until it is given its name.
    void finish() {
        bool ok = std::fflush(file_.get()) == 0;
#ifndef _WIN32
        ok = ok && ::fsync(fileno(file_.get())) == 0;
#endif
        if (!ok)
            throw writeError();
    }
    // Gives the file the name OUTPUT. Without OVERWRITE an OUTPUT that exists now stays as it
    // is; with it, only the OUTPUT that REPLACED names (the file the user agreed to replace)
    // is replaced, never one that appeared meanwhile.
    void publish(const fs::path& output, bool overwrite, const std::optional<FileId>& replaced) {
        std::error_code ec;
        const bool replacing = overwrite && replaced.has_value();
#ifndef _WIN32
        if (anonymous_) {
            // Linked under the output's name when that is free, else under a hidden name
            // that then replaces the agreed file.
            fs::path target = output;
            if (replacing)
                target = freeName(output);
            if (::linkat(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) !=
                0) {
                if (errno == EEXIST)
                    throw exists(output);
                throw CombineError("Cannot save the combined archive as " + quoted(output) + ": " +
                                   std::strerror(errno) + ".");
            }
            if (!replacing) {
                kept_ = true;
                file_.reset();
                return;
            }
            path_ = target;
            anonymous_ = false;
        } else if (!replacing) {
            // A link fails when OUTPUT has come into being meanwhile; where the file system
            // has no links, the check before the rename has to do.
            if (::link(path_.c_str(), output.c_str()) == 0) {
                kept_ = true;
                fs::remove(path_, ec);
                file_.reset();
                return;
            }
            if (errno == EEXIST)
                throw exists(output);
        }
#endif
        file_.reset();
        if (replacing ? FileId::of(output) != replaced : fs::exists(output))
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
    static CombineError folderError(const fs::path& folder) {
        return CombineError("Cannot write in the folder " + quoted(folder) + ": " +
                            std::strerror(errno) + ".");
    }
    CombineError writeError() const {
        return CombineError(
            "Cannot write the combined archive: " + std::string(std::strerror(errno)) + ".");
    }
    static fs::path freeName(const fs::path& output) {
        std::random_device seed;
        std::mt19937 random(seed());
        const fs::path folder = output.parent_path().empty() ? fs::path(".") : output.parent_path();
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        return folder / ("." + output.filename().string() + ".part-" + suffix);
    }

    FilePtr file_;
    fs::path path_;
    bool anonymous_ = false;
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

PieceSet findPieceSet(const fs::path& piece, const std::atomic<bool>* cancel) {
    const std::string name = piece.filename().string();
    const fs::path folder = piece.parent_path();
    const auto dot = name.rfind('.');
    if (!fs::exists(piece))
        throw CombineError("The piece " + quoted(piece) + " does not exist.");
    if (dot != std::string::npos && dot > 0) {
        const std::string stem = name.substr(0, dot), ext = name.substr(dot + 1);
        if (ext.size() >= 3 && (ext[0] == 'z' || ext[0] == 'Z') && allDigits(ext.substr(1)))
            return zipSplitSet(folder, stem, ext[0], cancel);
        if (lowerAscii(ext) == "zip") {
            const char z = fs::is_regular_file(folder / (stem + ".Z01")) &&
                                   !fs::is_regular_file(folder / (stem + ".z01"))
                               ? 'Z'
                               : 'z';
            return zipSplitSet(folder, stem, z, cancel);
        }
        if (ext.size() >= 3 && allDigits(ext))
            return byteSplitSet(folder, stem, ext.size(), cancel);
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

namespace {

Summary combinePieces(const fs::path& piece, const fs::path& output, bool overwrite,
                      const Progress& progress) {
    const PieceSet set = findPieceSet(piece, progress.cancel);
    checkOutput(set, output, overwrite);
    // The file the user agreed to replace, if any: only it is ever replaced.
    const std::optional<FileId> replaced = FileId::of(output);

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
        if (first == zipformat::SplitSignature || first == zipformat::OnePieceSplitSignature)
            skip = 4;
        else if (first != zipformat::LocalSignature)
            throw CombineError(pieceName(set.pieces.front()) +
                               " is not the first piece of a split archive: it does not begin "
                               "with a ZIP header.");
    } else if (first != zipformat::LocalSignature && first != zipformat::EndSignature) {
        throw CombineError(pieceName(set.pieces.front()) +
                           " is not the first piece of a split ZIP archive: it does not begin "
                           "with a ZIP header.");
    }

    JoinedPieces in(set.pieces, skip);
    const EndRecords end = findEndRecords(in, set.form == SplitForm::ByteSplit);
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
        if (rec.empty() || get32(rec.data()) != zipformat::Zip64EndSignature)
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
        if (cdStart > cdEnd || cdSize > cdEnd - cdStart)
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
    std::vector<Entry> list = parseCentralDirectory(in.readString(cdStart, cdSize), entries);
    placeEntries(in, list, set.form, shift, cdStart);

    std::uint64_t checkBytes = 0;
    for (const auto& e : list)
        checkBytes += e.compressed;

    TempOutput out(output);
    Summary summary;
    summary.pieces = set.pieces.size();
    if (set.form == SplitForm::ByteSplit) {
        // The archive ends with its end record's comment: padding after it stays behind, so
        // that the result is an archive every tool reads.
        const std::uint64_t total = end.end + checkBytes;
        copyStream(in, 0, end.end, out, progress, total);
        summary.bytes = end.end;
        out.finish();
        summary.entries = verifyArchive(out.path(), progress, end.end, total);
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
    out.publish(output, overwrite, replaced);
    return summary;
}

} // namespace

Summary combine(const fs::path& piece, const fs::path& output, bool overwrite,
                const Progress& progress) {
    // Every refusal is a sentence for the user: what a library raises on pieces that make no
    // sense (a size too large to hold, a name the file system refuses) is told as such.
    try {
        return combinePieces(piece, output, overwrite, progress);
    } catch (const CombineError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw CombineError("The pieces cannot be combined: they describe more data than "
                           "there is memory for. They are damaged or not a split archive.");
    } catch (const fs::filesystem_error& e) {
        throw CombineError("The pieces cannot be combined: " + e.code().message() + ".");
    } catch (const std::exception&) {
        throw CombineError("The pieces cannot be combined: they are damaged or not a split "
                           "archive.");
    }
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
            return CombineError(
                "The combined archive does not pass its check: the entry \"" +
                zipformat::printableName(zipformat::decodeEntryName(raw ? raw : "")) + "\" " + why +
                ".");
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

#include "ziplibs/zipper/RawDelete.h"

#include "zipformat/CentralDirectory.h"
#include "zipformat/EndRecord.h"
#include "zipformat/ExtraFields.h"
#include "zipformat/Records.h"
#include "ziplibs/zipper/Writeback.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <optional>

namespace ziplibs {

namespace {

using namespace zipformat;

// How much is copied between two looks at Cancel, and the block of a copy through memory
// where the kernel cannot copy between the two files.
constexpr std::uint64_t CopyPiece = 16u << 20;
constexpr std::size_t BufferedBlock = 1u << 20;
// The longest data descriptor: signature, CRC and two 64-bit sizes.
constexpr std::uint64_t LongestDescriptor = 24;
// General purpose flag: the central directory is encrypted.
constexpr std::uint16_t FlagEncryptedDirectory = 0x2000;

// The old archive, read through the descriptor that ArchiveFile holds locked. libzip reads
// it too, at positions it keeps track of, so the descriptor's position is put back when done.
class OldArchive : public RandomAccess {
public:
    OldArchive(int fd, std::uint64_t size) : fd_(fd), size_(size), saved_(lseek(fd, 0, SEEK_CUR)) {}
    ~OldArchive() override {
        if (saved_ >= 0)
            lseek(fd_, saved_, SEEK_SET);
    }
    OldArchive(const OldArchive&) = delete;
    OldArchive& operator=(const OldArchive&) = delete;

    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t at, void* out, std::size_t n) override {
        if (lseek(fd_, static_cast<off_t>(at), SEEK_SET) < 0)
            return failed(errno);
        auto* p = static_cast<char*>(out);
        while (n > 0) {
            const ssize_t got = ::read(fd_, p, n);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return failed(errno);
            if (got == 0)
                return false; // past the end: not an error of the disk
            p += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }
    // The error of the first read that failed; 0 when none did.
    int error() const { return error_; }

private:
    bool failed(int err) {
        if (error_ == 0)
            error_ = err;
        return false;
    }

    int fd_;
    std::uint64_t size_;
    off_t saved_;
    int error_ = 0;
};

// What the new archive is made of: runs of the old archive's bytes, then the new central
// directory and end records.
struct Plan {
    struct Run {
        std::uint64_t from = 0, to = 0;
    };
    std::vector<Run> runs;
    std::string tail;
};

// The end records of the old archive (from the end of its central directory to the end of
// the file) with their counts, sizes and offsets set for the new directory. A field holding
// its ZIP64 marker keeps it: its value is in the ZIP64 end record.
void updateEndRecords(std::string& tail, bool zip64, std::uint64_t entries, std::uint64_t size,
                      std::uint64_t offset) {
    const std::size_t end = zip64 ? Zip64EndSize + Zip64LocatorSize : 0;
    if (zip64) {
        putLittleEndian(&tail[24], entries, 8);
        putLittleEndian(&tail[32], entries, 8);
        putLittleEndian(&tail[40], size, 8);
        putLittleEndian(&tail[48], offset, 8);
        putLittleEndian(&tail[Zip64EndSize + 8], offset + size, 8);
    }
    const auto keep = [&](std::size_t at, std::uint64_t value, int bytes) {
        const std::uint64_t marker = bytes == 2 ? Marker16 : Marker32;
        if (littleEndian(&tail[end + at], bytes) != marker)
            putLittleEndian(&tail[end + at], value, bytes);
    };
    keep(8, entries, 2);
    keep(10, entries, 2);
    keep(12, size, 4);
    keep(16, offset, 4);
}

// Sets the local header offset of the central record copied to REC (whose view in the old
// directory is R) to OFFSET: in its 32-bit field, or in its ZIP64 field when the 32-bit one
// holds the marker. Offsets only shrink, so the value always fits where the old one was.
void setOffset(char* rec, const CentralRecordView& r, std::uint64_t offset) {
    if (get32(rec + 42) != Marker32) {
        putLittleEndian(rec + 42, offset, 4);
        return;
    }
    // The ZIP64 field holds the sizes that are marked before the offset; the record was
    // checked to be complete, so the block and its offset are there.
    const std::string_view block = *findExtraBlock(r.extra, Zip64ExtraId);
    std::size_t at = static_cast<std::size_t>(block.data() - r.header.data());
    at += get32(rec + 24) == Marker32 ? 8 : 0;
    at += get32(rec + 20) == Marker32 ? 8 : 0;
    putLittleEndian(rec + at, offset, 8);
}

// The plan of the new archive, or nullopt when the old one is not of the plain shape this
// copy handles (or could not be read: IN's error then says why).
std::optional<Plan> makePlan(OldArchive& in, const std::vector<bool>& deleted) {
    const auto e = findEndRecord(in);
    if (!e || e->start != 0 || e->end != in.size() || e->thisDisk != 0 || e->cdDisk != 0 ||
        e->totalDisks != 1 || (e->zip64 && e->zip64Disk != 0) || e->entries != deleted.size() ||
        deleted.empty())
        return std::nullopt;
    std::string dir(static_cast<std::size_t>(e->cdSize), '\0');
    if (!in.read(e->cdStart, dir.data(), dir.size()))
        return std::nullopt;
    const CentralDirectoryView cd = viewCentralDirectory(dir);
    const auto& records = cd.records;
    if (cd.cutShort || cd.used != dir.size() || records.size() != deleted.size())
        return std::nullopt;

    // Each entry's least extent: its local header, name, extra field and data.
    std::vector<std::uint64_t> least(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& r = records[i];
        unsigned char h[LocalHeaderSize];
        if (!r.zip64Complete || r.disk != 0 || (r.flags & FlagEncryptedDirectory) ||
            r.offset >= e->cdStart || r.compressed > e->cdStart ||
            !in.read(r.offset, h, sizeof h) || get32(h) != LocalSignature)
            return std::nullopt;
        least[i] = r.offset + LocalHeaderSize + get16(h + 26) + get16(h + 28) + r.compressed;
    }
    std::vector<std::size_t> order(records.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return records[a].offset < records[b].offset; });
    if (records[order.front()].offset != 0)
        return std::nullopt;
    // The kept runs, adjacent ones merged, and each kept entry's offset in the new archive.
    Plan plan;
    std::vector<std::uint64_t> moved(records.size());
    std::uint64_t written = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::size_t i = order[k];
        const bool last = k + 1 == order.size();
        const std::uint64_t next = last ? e->cdStart : records[order[k + 1]].offset;
        // Entries sharing bytes, and anything but a data descriptor between the last entry
        // and the directory, are left to the general rewrite.
        if (least[i] > next ||
            (last &&
             next - least[i] > ((records[i].flags & FlagDataDescriptor) ? LongestDescriptor : 0)))
            return std::nullopt;
        if (deleted[i])
            continue;
        moved[i] = written;
        written += next - records[i].offset;
        if (!plan.runs.empty() && plan.runs.back().to == records[i].offset)
            plan.runs.back().to = next;
        else
            plan.runs.push_back({records[i].offset, next});
    }
    if (plan.runs.empty())
        return std::nullopt;

    // The kept central records in their order, then the end records.
    std::uint64_t kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (deleted[i])
            continue;
        const auto& r = records[i];
        const std::size_t at = plan.tail.size();
        plan.tail.append(dir, r.at, recordEnd(r) - r.at);
        setOffset(&plan.tail[at], r, moved[i]);
        ++kept;
    }
    const std::uint64_t cdSize = plan.tail.size();
    std::string ends(static_cast<std::size_t>(e->end - (e->cdStart + e->cdSize)), '\0');
    if (!in.read(e->cdStart + e->cdSize, ends.data(), ends.size()))
        return std::nullopt;
    // Only the plain layout is patched: the ZIP64 end record without extensible data and its
    // locator (when there are), then the end record and its comment, and nothing else.
    const auto at = [&](std::size_t pos) {
        return reinterpret_cast<const unsigned char*>(&ends[pos]);
    };
    const std::size_t zip64Part = e->zip64 ? Zip64EndSize + Zip64LocatorSize : 0;
    if (ends.size() != zip64Part + EndSize + e->commentLength ||
        get32(at(zip64Part)) != EndSignature ||
        (e->zip64 &&
         (get32(at(0)) != Zip64EndSignature || littleEndian(&ends[4], 8) != Zip64EndSize - 12 ||
          get32(at(Zip64EndSize)) != Zip64LocatorSignature)))
        return std::nullopt;
    updateEndRecords(ends, e->zip64, kept, cdSize, written);
    plan.tail += ends;
    return plan;
}

// Appends the bytes of the old archive's runs to the new one.
class Copier {
public:
    Copier(OldArchive& in, ArchiveFile& file, Reporter& rep)
        : in_(in), file_(file), rep_(rep), writeback_(file.newDescriptor()) {}

    // False on a failure (error() says what) or a cancel (the reporter is stopped).
    bool copy(std::uint64_t at, std::uint64_t n) {
        while (n > 0) {
            if (rep_.stopped())
                return false;
            const std::uint64_t piece = std::min(n, CopyPiece);
            if (!(kernel_ ? byKernel(at, piece) : buffered(at, piece)))
                return false;
            if (!rep_.progress(piece))
                return false;
            writeback_.written(written_ += piece);
            at += piece;
            n -= piece;
        }
        return true;
    }
    const std::string& error() const { return error_; }
    // Called when the runs are copied, before the new file is put in place or dropped.
    void finish() { writeback_.finish(); }

private:
    bool byKernel(std::uint64_t at, std::uint64_t n) {
        loff_t from = static_cast<loff_t>(at);
        while (n > 0) {
            const ssize_t done =
                copy_file_range(file_.oldDescriptor(), &from, file_.newDescriptor(), nullptr, n, 0);
            if (done > 0) {
                n -= static_cast<std::uint64_t>(done);
                continue;
            }
            if (done < 0 && errno == EINTR)
                continue;
            if (done < 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                // Files the kernel cannot copy between: through memory from here on.
                kernel_ = false;
                return buffered(static_cast<std::uint64_t>(from), n);
            }
            return done < 0 ? fail("Cannot copy: ", std::strerror(errno)) : endedEarly();
        }
        return true;
    }

    bool buffered(std::uint64_t at, std::uint64_t n) {
        buffer_.resize(BufferedBlock);
        while (n > 0) {
            const auto block = static_cast<std::size_t>(std::min<std::uint64_t>(n, BufferedBlock));
            if (!in_.read(at, buffer_.data(), block))
                return in_.error() ? fail("Cannot read: ", std::strerror(in_.error()))
                                   : endedEarly();
            if (!file_.write(buffer_.data(), block)) {
                error_ = file_.error();
                return false;
            }
            at += block;
            n -= block;
        }
        return true;
    }

    bool fail(const char* what, const char* why) {
        error_ = std::string(what) + why;
        return false;
    }
    // The archive was cut short by someone else while it was copied (it is locked only
    // against those who lock it too).
    bool endedEarly() { return fail("Cannot read: ", "the archive ended early"); }

    OldArchive& in_;
    ArchiveFile& file_;
    Reporter& rep_;
    Writeback writeback_;
    std::uint64_t written_ = 0; // to the new file, which starts with the first run
    bool kernel_ = true;
    std::string buffer_;
    std::string error_;
};

} // namespace

RawDelete rawDelete(ArchiveFile& file, const std::vector<bool>& deleted, Reporter& rep,
                    std::string& error) {
    OldArchive in(file.oldDescriptor(), static_cast<std::uint64_t>(file.status().st_size));
    const std::optional<Plan> plan = makePlan(in, deleted);
    if (in.error() != 0) {
        error = std::string("Cannot read: ") + std::strerror(in.error());
        return RawDelete::Failed;
    }
    if (!plan)
        return RawDelete::NotApplicable;
    if (!file.beginWrite()) {
        error = file.error();
        return RawDelete::Failed;
    }
    Copier copier(in, file, rep);
    bool ok = true;
    for (const auto& run : plan->runs)
        if (!(ok = copier.copy(run.from, run.to - run.from)))
            break;
    copier.finish();
    if (ok && !file.write(plan->tail.data(), plan->tail.size())) {
        ok = false;
        error = file.error();
    } else if (!ok) {
        error = copier.error();
    }
    if (ok && !rep.stopped() && file.commit())
        return RawDelete::Done;
    if (ok && !rep.stopped())
        error = file.error();
    file.dropWrite();
    return rep.stopped() ? RawDelete::Cancelled : RawDelete::Failed;
}

} // namespace ziplibs

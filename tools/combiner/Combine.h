#pragma once
// Putting a split ZIP archive back together. Two forms of split are recognised:
//
// - ZIP split sets as "zip -s" writes them: name.z01, name.z02, ... and name.zip last. The
//   pieces are numbered "disks"; every offset in the central directory is relative to its
//   own piece, and the first piece starts with a split signature. The pieces are joined and
//   the central directory is written anew (disk numbers 0, offsets absolute, ZIP64 records
//   where they are needed), so that the result is one ordinary archive.
// - Plain byte splits: name.zip.001, name.zip.002, ... or name.001, ...: the archive was
//   cut into pieces of bytes, which are joined in order.
//
// The result is written to a temporary file beside the output and given the output's name
// only when it is complete and has passed its check: its end record read and every entry's
// CRC checked through libzip. A failure, a cancel or a refused overwrite leaves no file.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace combiner {

namespace fs = std::filesystem;

// A failure, its text ready for the user.
class CombineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised when the cancel flag was set; nothing is left behind.
class Cancelled : public CombineError {
public:
    Cancelled() : CombineError("Combining was cancelled; no file was written.") {}
};

enum class SplitForm { ZipSplit, ByteSplit };

struct PieceSet {
    SplitForm form = SplitForm::ByteSplit;
    std::vector<fs::path> pieces; // in order; a ZIP split set ends with its .zip piece
};

// The set that PIECE (any piece of it, normally the first) belongs to, with every piece
// present. Raises CombineError naming the first missing pieces, or when PIECE is no piece of
// a split; Cancelled when CANCEL is set meanwhile. Only the files in the folder are looked
// at, never a count of pieces that a damaged piece claims.
PieceSet findPieceSet(const fs::path& piece, const std::atomic<bool>* cancel = nullptr);

// A name for the combined archive beside the pieces that is none of them.
fs::path suggestedOutput(const PieceSet& set);

struct Progress {
    // Called now and then with the bytes done and the bytes to do (joining and checking).
    std::function<void(std::uint64_t done, std::uint64_t total)> report;
    // When set and true, the work stops with Cancelled at the next chunk.
    const std::atomic<bool>* cancel = nullptr;
};

struct Summary {
    std::size_t pieces = 0;
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0; // size of the combined archive
};

// Joins the set that PIECE belongs to into OUTPUT. An existing OUTPUT is replaced only with
// OVERWRITE, and never when it is one of the pieces.
Summary combine(const fs::path& piece, const fs::path& output, bool overwrite,
                const Progress& progress = {});

// Checks ARCHIVE as a whole: its end record and central directory through libzip, and every
// entry's data read to its end, which checks its CRC (entries that are encrypted or use a
// method libzip cannot unpack are read as stored). Returns the number of entries; raises
// CombineError naming the entry at fault. DONE_BEFORE and TOTAL place the check's progress
// after the joining's.
std::uint64_t verifyArchive(const fs::path& archive, const Progress& progress = {},
                            std::uint64_t doneBefore = 0, std::uint64_t total = 0);

} // namespace combiner

#pragma once
// Finding an archive's end records: the end of central directory record, searched from the
// end of the file, and for ZIP64 archives the locator and ZIP64 end record before it.
//
// An archive may stand inside a file that holds other bytes too: a program part before it
// whose length its offsets do not count (a self-extractor put in front without correcting
// them), and anything after its end record (padding, a signature block, a second copy of the
// trailer). A candidate end record is accepted only when the central directory it describes
// stands where it says, so that a signature inside a comment or inside data is passed over.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zipformat {

// What the search reads from: a file, a set of joined pieces, a buffer.
class RandomAccess {
public:
    virtual ~RandomAccess() = default;
    virtual std::uint64_t size() const = 0;
    // Reads N bytes at AT; false when they are not all there.
    virtual bool read(std::uint64_t at, void* out, std::size_t n) = 0;
};

// What an end record (and its ZIP64 records) say, with the places the search found.
struct EndRecord {
    std::uint64_t endPos = 0; // of the end of central directory record
    std::uint64_t end = 0;    // just after it and its comment
    std::uint16_t commentLength = 0;
    std::uint32_t thisDisk = 0;
    std::uint32_t cdDisk = 0;
    std::uint64_t entries = 0; // on all disks
    std::uint64_t cdSize = 0;
    std::uint64_t cdOffset = 0; // as recorded
    bool zip64 = false;         // a ZIP64 locator stands before the end record
    std::uint64_t locatorPos = 0;
    std::uint32_t zip64Disk = 0;   // where the ZIP64 end record is, as the locator says
    std::uint64_t zip64Offset = 0; // as recorded
    std::uint32_t totalDisks = 1;  // as the locator says, else this disk's number + 1
    std::uint64_t cdEnd = 0;       // where the directory must end: the first end record
    // Set by the checked search only: where the directory starts in the file, and the file
    // position that the archive's offsets count from.
    std::uint64_t cdStart = 0;
    std::uint64_t start = 0;
};

// The fields of a ZIP64 end record (56 bytes at P) into E; false when P is none.
bool readZip64End(const unsigned char* p, EndRecord& e);

// How far from the end of the file an end record is looked for: far past the 64 KiB of the
// longest comment, so that padding up to a large block size is passed over too.
inline constexpr std::uint64_t EndSearchLimit = 16u << 20;

// The last end record of a single-disk archive within LIMIT bytes of the end whose central
// directory (and ZIP64 records) stand where they should; nullopt when there is none.
std::optional<EndRecord> findEndRecord(RandomAccess& in, std::uint64_t limit = EndSearchLimit);

// The last end record within the final 64 KiB whose comment fits into the file, with the
// ZIP64 locator before it when there is one, and nothing else checked: the record of a split
// set's last piece (whose directory lies in other pieces), or one to say what is wrong with.
std::optional<EndRecord> findAnyEndRecord(RandomAccess& in);

} // namespace zipformat

#pragma once
// Reading the central directory: its records one after another, each with its variable
// fields and its values widened from the ZIP64 extra field.
#include "zipformat/EndRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zipformat {

struct CentralRecord {
    std::string header; // the fixed 46 bytes, as stored
    std::string name, extra, comment;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
    std::uint32_t disk = 0;
    std::uint64_t offset = 0; // of the local header, as recorded
    // False when a field holds its maximum and the ZIP64 field lacks its value.
    bool zip64Complete = true;

    // The name as text (UTF-8, or CP437 unless flagged as UTF-8).
    std::string text() const;
};

struct CentralDirectory {
    std::vector<CentralRecord> records;
    // The records ended with one cut short by the end of the directory (it is not listed).
    bool cutShort = false;
    // Where the records ended: the directory's size when all of it was read.
    std::size_t used = 0;
};

// The records in DIR from its start while they carry their signature.
CentralDirectory readCentralDirectory(std::string_view dir);

// The central directory of the archive IN whose end record E the checked search found.
CentralDirectory readCentralDirectory(RandomAccess& in, const EndRecord& e);

// For each record of the archive IN (whose offsets count from START), whether its local
// header and data overlap the local header or data of another record: entries that share
// their bytes, as in an archive made to unpack to far more than its size, or one that hides
// an entry inside another's data.
std::vector<bool> overlappingRecords(RandomAccess& in, std::uint64_t start,
                                     const std::vector<CentralRecord>& records);

} // namespace zipformat

#pragma once
// Reading the central directory: its records one after another, each with its variable
// fields and its values widened from the ZIP64 extra field.
#include "zipformat/EndRecord.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zipformat {

// One record; TEXT is std::string for a record that owns its fields, std::string_view for
// one that points into the directory's bytes (a listing of many entries keeps one copy).
template <typename Text> struct BasicCentralRecord {
    Text header; // the fixed 46 bytes, as stored
    Text name, extra, comment;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
    std::uint32_t disk = 0;
    std::uint64_t offset = 0; // of the local header, as recorded
    std::size_t at = 0;       // of the record in the directory
    // False when a field holds its maximum and the ZIP64 field lacks its value.
    bool zip64Complete = true;

    // The name as text (UTF-8, or CP437 unless flagged as UTF-8).
    std::string text() const { return decodeEntryName(name, (flags & FlagUtf8) != 0); }
};
using CentralRecord = BasicCentralRecord<std::string>;
using CentralRecordView = BasicCentralRecord<std::string_view>;

template <typename Record> struct BasicCentralDirectory {
    std::vector<Record> records;
    // The records ended with one cut short by the end of the directory (it is not listed).
    bool cutShort = false;
    // Where the records ended: the directory's size when all of it was read.
    std::size_t used = 0;
};
using CentralDirectory = BasicCentralDirectory<CentralRecord>;
using CentralDirectoryView = BasicCentralDirectory<CentralRecordView>;

// The record at AT in DIR, pointing into DIR; nullopt when none starts there, CUTSHORT set
// when one starts there but does not fit.
std::optional<CentralRecordView> viewCentralRecord(std::string_view dir, std::size_t at,
                                                   bool& cutShort);
// The end of the record R in its directory.
inline std::size_t recordEnd(const CentralRecordView& r) {
    return r.at + r.header.size() + r.name.size() + r.extra.size() + r.comment.size();
}

// The records in DIR from its start while they carry their signature: pointing into DIR,
// or copied out of it.
CentralDirectoryView viewCentralDirectory(std::string_view dir);
CentralDirectory readCentralDirectory(std::string_view dir);

// The central directory of the archive IN whose end record E the checked search found.
CentralDirectory readCentralDirectory(RandomAccess& in, const EndRecord& e);

// Where one record's local header and data lie: all overlappingRecords needs of a record,
// for a directory too large to keep whole.
struct RecordPlace {
    std::uint64_t offset = 0;
    std::uint64_t compressed = 0;
};

// A data start that could not be found: the record's local header is unreadable or lacks
// its signature.
inline constexpr std::uint64_t NoDataStart = UINT64_MAX;

// For each record of the archive IN (whose offsets count from START), whether its local
// header and data overlap the local header or data of another record: entries that share
// their bytes, as in an archive made to unpack to far more than its size, or one that hides
// an entry inside another's data. DATA_STARTS, when given, receives where each record's data
// begins in IN, after its local header, name and extra field (or NoDataStart), and
// LOCAL_EXTRAS whether that local header has an extra field (true when it cannot be read).
template <typename Record>
std::vector<bool> overlappingRecords(RandomAccess& in, std::uint64_t start,
                                     const std::vector<Record>& records,
                                     std::vector<std::uint64_t>* dataStarts = nullptr,
                                     std::vector<bool>* localExtras = nullptr);

} // namespace zipformat

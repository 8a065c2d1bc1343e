#pragma once
// The extra fields of ZIP headers: blocks of a 16-bit id, a 16-bit length and that many
// bytes. Those read here:
//   0x0001 ZIP64 extended information: the 64-bit values of the header fields that hold
//          their maximum, in a fixed order (uncompressed size, compressed size, local
//          header offset, disk number);
//   0x5455 extended timestamp: a flags byte, then the modification time as seconds since
//          1970 (signed 32 bits) when flag bit 0 is set;
//   0x000A NTFS times: 4 reserved bytes, then tagged attributes; tag 1 holds the
//          modification, access and creation times in 100 ns steps since 1601;
//   0x7075 Info-ZIP Unicode Path: version 1, the CRC-32 of the stored name, the name in UTF-8.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zipformat {

inline constexpr std::uint16_t Zip64ExtraId = 0x0001;
inline constexpr std::uint16_t NtfsTimesId = 0x000A;
inline constexpr std::uint16_t ExtendedTimestampId = 0x5455;
inline constexpr std::uint16_t UnicodePathId = 0x7075;

// The data of the first block with id ID in EXTRA; nullopt when there is none (a block
// running past the end of EXTRA ends the search).
std::optional<std::string_view> findExtraBlock(std::string_view extra, std::uint16_t id);

// The modification time held by the data of an extended timestamp field, if any.
std::optional<std::time_t> extendedTimestampTime(std::string_view data);
// The modification time held by the data of an NTFS times field, if any.
std::optional<std::time_t> ntfsTime(std::string_view data);

// The name held by a Unicode Path block of EXTRA when it belongs to STORED (its CRC is the
// stored name's) and is valid UTF-8; empty otherwise.
std::string unicodePathName(std::string_view extra, std::string_view stored);

// The header fields that the ZIP64 block may widen; a field takes its value from the block
// when it holds its maximum. False when the block lacks a value that a field asks for.
struct Zip64Fields {
    std::uint64_t uncompressed = 0;
    std::uint64_t compressed = 0;
    std::uint64_t offset = 0;
    std::uint32_t disk = 0;
};
bool applyZip64(std::string_view extra, Zip64Fields& fields, bool withOffsetAndDisk = true);

} // namespace zipformat

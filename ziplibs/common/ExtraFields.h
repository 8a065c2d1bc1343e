#pragma once
// The extra fields that carry an entry's exact modification time. The DOS time of a ZIP entry
// is local wall-clock time in two-second steps, so an archive made in another time zone
// would extract hours off; these fields hold the time in UTC:
//   0x5455 extended timestamp: a flags byte, then the modification time as seconds since
//          1970 (signed 32 bits) when flag bit 0 is set (access and creation times may
//          follow in the local header);
//   0x000A NTFS times: 4 reserved bytes, then tagged attributes; tag 1 holds the
//          modification, access and creation times in 100 ns steps since 1601.
#include <zip.h>

#include <cstdint>
#include <ctime>
#include <optional>

namespace ziplibs {

inline constexpr zip_uint16_t ExtendedTimestampId = 0x5455;
inline constexpr zip_uint16_t NtfsTimesId = 0x000A;

// The modification time of an entry: from its extended timestamp field (central or local),
// else from its NTFS field, else its DOS time read as local time; nullopt when it has none.
std::optional<std::time_t> entryTime(zip_t* za, zip_uint64_t index, const zip_stat_t& st);

// Gives an entry being written the modification time T: its DOS time and an extended
// timestamp field in its local and central headers. Time fields the entry had before are
// removed so that no tool restores an older time from them. False when libzip refused.
bool setEntryTime(zip_t* za, zip_uint64_t index, std::time_t t);

} // namespace ziplibs

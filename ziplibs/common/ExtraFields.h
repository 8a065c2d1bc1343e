#pragma once
// The extra fields that carry an entry's exact modification time, read and written through
// libzip. The DOS time of a ZIP entry is local wall-clock time in two-second steps, so an
// archive made in another time zone would extract hours off; the extended timestamp and
// NTFS fields (zipformat/ExtraFields.h) hold the time in UTC.
#include "zipformat/ExtraFields.h"

#include <zip.h>

#include <cstdint>
#include <ctime>
#include <optional>

namespace ziplibs {

using zipformat::ExtendedTimestampId;
using zipformat::NtfsTimesId;

// The modification time of an entry: from its extended timestamp field (central or local),
// else from its NTFS field, else its DOS time read as local time; nullopt when it has none.
// LOCAL false: the entry's local header is known to hold no extra field, so it is not read.
std::optional<std::time_t> entryTime(zip_t* za, zip_uint64_t index, const zip_stat_t& st,
                                     bool local = true);

// Gives an entry being written the modification time T: its DOS time and an extended
// timestamp field in its local and central headers. Time fields the entry had before are
// removed so that no tool restores an older time from them. False when libzip refused.
bool setEntryTime(zip_t* za, zip_uint64_t index, std::time_t t);

} // namespace ziplibs

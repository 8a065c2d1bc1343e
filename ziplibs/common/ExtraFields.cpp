#include "ziplibs/common/ExtraFields.h"

#include "ziplibs/common/Bytes.h"

#include <limits>
#include <string>

namespace ziplibs {

namespace {

// Seconds between 1601-01-01 and 1970-01-01, and NTFS time steps per second.
constexpr std::int64_t NtfsEpochOffset = 11'644'473'600;
constexpr std::int64_t NtfsStepsPerSecond = 10'000'000;

// The data of field ID in the entry's central header, else in its local header.
const std::uint8_t* findField(zip_t* za, zip_uint64_t index, zip_uint16_t id, zip_uint16_t& size) {
    for (const zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL})
        if (const zip_uint8_t* data =
                zip_file_extra_field_get_by_id(za, index, id, 0, &size, where))
            return data;
    return nullptr;
}

// The modification time held by the data of an extended timestamp field, if any.
std::optional<std::time_t> extendedTimestampTime(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 5 || (data[0] & 0x01) == 0)
        return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(littleEndian(data + 1, 4)));
}

// The modification time held by the data of an NTFS times field, if any.
std::optional<std::time_t> ntfsTime(const std::uint8_t* data, std::size_t size) {
    if (!data)
        return std::nullopt;
    for (std::size_t at = 4; at + 4 <= size;) {
        const auto tag = littleEndian(data + at, 2);
        const auto length = static_cast<std::size_t>(littleEndian(data + at + 2, 2));
        at += 4;
        if (length > size - at)
            break;
        if (tag == 1 && length >= 8) {
            const std::uint64_t steps = littleEndian(data + at, 8);
            if (steps == 0)
                return std::nullopt;
            return static_cast<std::time_t>(static_cast<std::int64_t>(steps / NtfsStepsPerSecond) -
                                            NtfsEpochOffset);
        }
        at += length;
    }
    return std::nullopt;
}

// The data of an extended timestamp field holding only T; empty when T does not fit.
std::string extendedTimestampField(std::time_t t) {
    if (t < std::numeric_limits<std::int32_t>::min() ||
        t > std::numeric_limits<std::int32_t>::max())
        return {};
    const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(t));
    std::string field(1, '\x01');
    for (int i = 0; i < 4; ++i)
        field += static_cast<char>((v >> (8 * i)) & 0xFF);
    return field;
}

} // namespace

std::optional<std::time_t> entryTime(zip_t* za, zip_uint64_t index, const zip_stat_t& st) {
    zip_uint16_t size = 0;
    if (const auto* ut = findField(za, index, ExtendedTimestampId, size))
        if (const auto t = extendedTimestampTime(ut, size))
            return t;
    if (const auto* ntfs = findField(za, index, NtfsTimesId, size))
        if (const auto t = ntfsTime(ntfs, size))
            return t;
    if (st.valid & ZIP_STAT_MTIME)
        return st.mtime;
    return std::nullopt;
}

bool setEntryTime(zip_t* za, zip_uint64_t index, std::time_t t) {
    if (zip_file_set_mtime(za, index, t, 0) != 0)
        return false;
    constexpr zip_flags_t both = ZIP_FL_LOCAL | ZIP_FL_CENTRAL;
    for (const zip_uint16_t id : {ExtendedTimestampId, NtfsTimesId})
        if (zip_file_extra_fields_count_by_id(za, index, id, both) > 0 &&
            zip_file_extra_field_delete_by_id(za, index, id, ZIP_EXTRA_FIELD_ALL, both) != 0)
            return false;
    const std::string field = extendedTimestampField(t);
    if (field.empty())
        return true;
    return zip_file_extra_field_set(za, index, ExtendedTimestampId, ZIP_EXTRA_FIELD_NEW,
                                    reinterpret_cast<const zip_uint8_t*>(field.data()),
                                    static_cast<zip_uint16_t>(field.size()), both) == 0;
}

} // namespace ziplibs

#include "ziplibs/common/ExtraFields.h"

#include "zipformat/ExtraFields.h"

#include <limits>
#include <string>
#include <string_view>

namespace ziplibs {

namespace {

// The data of field ID in the entry's central header, else in its local header.
std::optional<std::string_view> findField(zip_t* za, zip_uint64_t index, zip_uint16_t id,
                                          bool local) {
    zip_uint16_t size = 0;
    for (const zip_flags_t where : {ZIP_FL_CENTRAL, ZIP_FL_LOCAL})
        if (where == ZIP_FL_CENTRAL || local)
            if (const zip_uint8_t* data =
                    zip_file_extra_field_get_by_id(za, index, id, 0, &size, where))
                return std::string_view(reinterpret_cast<const char*>(data), size);
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

std::optional<std::time_t> entryTime(zip_t* za, zip_uint64_t index, const zip_stat_t& st,
                                     bool local) {
    if (const auto ut = findField(za, index, ExtendedTimestampId, local))
        if (const auto t = zipformat::extendedTimestampTime(*ut))
            return t;
    if (const auto ntfs = findField(za, index, NtfsTimesId, local))
        if (const auto t = zipformat::ntfsTime(*ntfs))
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

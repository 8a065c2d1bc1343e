#include "zipformat/ExtraFields.h"

#include "zipformat/Crc32.h"
#include "zipformat/Names.h"
#include "zipformat/Records.h"

namespace zipformat {

namespace {

// Seconds between 1601-01-01 and 1970-01-01, and NTFS time steps per second.
constexpr std::int64_t NtfsEpochOffset = 11'644'473'600;
constexpr std::int64_t NtfsStepsPerSecond = 10'000'000;

} // namespace

std::optional<std::string_view> findExtraBlock(std::string_view extra, std::uint16_t id) {
    for (std::size_t i = 0; i + 4 <= extra.size();) {
        const std::size_t len = get16(extra.data() + i + 2);
        if (len > extra.size() - i - 4)
            break;
        if (get16(extra.data() + i) == id)
            return extra.substr(i + 4, len);
        i += 4 + len;
    }
    return std::nullopt;
}

std::optional<std::time_t> extendedTimestampTime(std::string_view data) {
    if (data.size() < 5 || (data[0] & 0x01) == 0)
        return std::nullopt;
    return static_cast<std::int32_t>(get32(data.data() + 1));
}

std::optional<std::time_t> ntfsTime(std::string_view data) {
    for (std::size_t at = 4; at + 4 <= data.size();) {
        const auto tag = get16(data.data() + at);
        const std::size_t length = get16(data.data() + at + 2);
        at += 4;
        if (length > data.size() - at)
            break;
        if (tag == 1 && length >= 8) {
            const std::uint64_t steps = get64(data.data() + at);
            if (steps == 0)
                return std::nullopt;
            return static_cast<std::time_t>(static_cast<std::int64_t>(steps / NtfsStepsPerSecond) -
                                            NtfsEpochOffset);
        }
        at += length;
    }
    return std::nullopt;
}

std::string unicodePathName(std::string_view extra, std::string_view stored) {
    const auto block = findExtraBlock(extra, UnicodePathId);
    if (!block || block->size() < 5 || (*block)[0] != 1 ||
        get32(block->data() + 1) != crc32(stored))
        return {};
    const std::string_view name = block->substr(5);
    return isValidUtf8(name) ? std::string(name) : std::string();
}

bool applyZip64(std::string_view extra, Zip64Fields& f, bool withOffsetAndDisk) {
    const bool wanted = f.uncompressed == Marker32 || f.compressed == Marker32 ||
                        (withOffsetAndDisk && (f.offset == Marker32 || f.disk == Marker16));
    if (!wanted)
        return true;
    const std::string_view block = findExtraBlock(extra, Zip64ExtraId).value_or("");
    std::size_t at = 0;
    bool complete = true;
    const auto take = [&](auto& value, std::size_t width, std::uint64_t marker) {
        if (value != marker)
            return;
        if (width > block.size() - at) {
            complete = false;
            return;
        }
        value = static_cast<std::remove_reference_t<decltype(value)>>(
            littleEndian(block.data() + at, static_cast<int>(width)));
        at += width;
    };
    take(f.uncompressed, 8, Marker32);
    take(f.compressed, 8, Marker32);
    if (withOffsetAndDisk) {
        take(f.offset, 8, Marker32);
        take(f.disk, 4, Marker16);
    }
    return complete;
}

} // namespace zipformat

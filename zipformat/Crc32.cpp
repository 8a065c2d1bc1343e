#include "zipformat/Crc32.h"

#include <array>

namespace zipformat {

namespace {

// The table of the reflected polynomial 0xEDB88320, one entry per byte value.
constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        t[n] = c;
    }
    return t;
}

constexpr auto Table = makeTable();

} // namespace

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint32_t c = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        c = Table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

} // namespace zipformat

#pragma once
// The little-endian numbers of ZIP records and extra fields.
#include <cstdint>

namespace ziplibs {

// The BYTES-byte little-endian number at P (at most 8 bytes).
inline std::uint64_t littleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

} // namespace ziplibs

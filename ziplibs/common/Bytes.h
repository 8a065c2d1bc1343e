#pragma once
// The signatures and little-endian numbers of ZIP records and extra fields.
#include <cstdint>

namespace ziplibs {

// The signatures that open ZIP records.
constexpr std::uint32_t LocalSignature = 0x04034B50;
constexpr std::uint32_t CentralSignature = 0x02014B50;
constexpr std::uint32_t EndSignature = 0x06054B50;
constexpr std::uint32_t Zip64EndSignature = 0x06064B50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064B50;

// The BYTES-byte little-endian number at P (at most 8 bytes).
inline std::uint64_t littleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

} // namespace ziplibs

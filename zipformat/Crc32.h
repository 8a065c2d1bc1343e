#pragma once
// The CRC-32 of ZIP entries and of the names that Unicode Path fields belong to.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipformat {

// The CRC-32 of SIZE bytes at DATA, continued from CRC (0 to start).
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);
inline std::uint32_t crc32(std::string_view s) {
    return crc32(0, s.data(), s.size());
}

} // namespace zipformat

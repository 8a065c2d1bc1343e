#pragma once
// The records of a ZIP archive: their signatures, fixed sizes and the places of the fields
// that more than one reader looks at, and the little-endian numbers they are written in.
#include <cstdint>
#include <string>

namespace zipformat {

// The signatures that open ZIP records.
constexpr std::uint32_t LocalSignature = 0x04034B50;
constexpr std::uint32_t CentralSignature = 0x02014B50;
constexpr std::uint32_t EndSignature = 0x06054B50;
constexpr std::uint32_t Zip64EndSignature = 0x06064B50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064B50;
constexpr std::uint32_t DataDescriptorSignature = 0x08074B50;
// The first four bytes of a split set's first piece (the data descriptor's signature), and
// "PK00", which opens a split set of one piece.
constexpr std::uint32_t SplitSignature = DataDescriptorSignature;
constexpr std::uint32_t OnePieceSplitSignature = 0x30304B50;

// The fixed parts of the records, before their variable fields.
constexpr std::size_t LocalHeaderSize = 30;
constexpr std::size_t CentralHeaderSize = 46;
constexpr std::size_t EndSize = 22;
constexpr std::size_t Zip64EndSize = 56;
constexpr std::size_t Zip64LocatorSize = 20;

// The value a 32-bit (16-bit) field holds when the true one is in the ZIP64 extra field.
constexpr std::uint32_t Marker32 = 0xFFFFFFFF;
constexpr std::uint16_t Marker16 = 0xFFFF;

// General purpose flags.
constexpr std::uint16_t FlagEncrypted = 0x0001;
constexpr std::uint16_t FlagDataDescriptor = 0x0008;
constexpr std::uint16_t FlagUtf8 = 0x0800;

// The BYTES-byte little-endian number at P (at most 8 bytes).
inline std::uint64_t littleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}
inline std::uint64_t littleEndian(const char* p, int bytes) {
    return littleEndian(reinterpret_cast<const unsigned char*>(p), bytes);
}
inline std::uint16_t get16(const void* p) {
    return static_cast<std::uint16_t>(littleEndian(static_cast<const unsigned char*>(p), 2));
}
inline std::uint32_t get32(const void* p) {
    return static_cast<std::uint32_t>(littleEndian(static_cast<const unsigned char*>(p), 4));
}
inline std::uint64_t get64(const void* p) {
    return littleEndian(static_cast<const unsigned char*>(p), 8);
}

// Writes V as BYTES little-endian bytes at P, or appends them to S.
inline void putLittleEndian(char* p, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8)
        p[i] = static_cast<char>(v & 0xFF);
}
inline void appendLittleEndian(std::string& s, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i, v >>= 8)
        s += static_cast<char>(v & 0xFF);
}

} // namespace zipformat

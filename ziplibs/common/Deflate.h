#pragma once
// Whole-buffer DEFLATE through libdeflate, which is faster than zlib at the same level and at
// least as dense. It needs the whole input and output in memory, so only data up to
// WholeBufferLimit goes this way; larger data keeps streaming through zlib.
#include <cstddef>
#include <cstdint>
#include <vector>

struct libdeflate_compressor;
struct libdeflate_decompressor;

namespace ziplibs {

// The largest file compressed, or entry inflated, in one piece.
inline constexpr std::uint64_t WholeBufferLimit = 32u << 20;

// Compresses to the raw DEFLATE stream a ZIP entry stores (no zlib or gzip wrapper). One per
// thread.
class Deflater {
public:
    explicit Deflater(int level); // zlib's levels, 1 (fastest) to 9 (densest)
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    std::vector<unsigned char> compress(const void* data, std::size_t size);

private:
    libdeflate_compressor* compressor_;
};

// Inflates a raw DEFLATE stream. One per thread.
class Inflater {
public:
    Inflater();
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // True when IN inflates to exactly OUT_SIZE bytes; false when the data is damaged or
    // gives more or fewer bytes.
    bool inflate(const void* in, std::size_t inSize, void* out, std::size_t outSize);

private:
    libdeflate_decompressor* decompressor_;
};

// The CRC-32 of ZIP entries, continued from CRC (0 to start).
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

} // namespace ziplibs

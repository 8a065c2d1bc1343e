#pragma once
// Decoders for the compression methods libzip leaves to us: LZMA (14) and XZ (95) through
// liblzma, Zstandard (93) through libzstd, and Deflate64 (9). Each pulls the entry's stored
// bytes from a source and hands out the decoded bytes block by block, so memory stays bounded
// whatever the entry's size.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ziplibs {

// The compressed bytes of one entry, piece by piece.
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    // Points DATA at the next piece and returns its length: 0 at the end, -1 when reading
    // failed.
    virtual std::ptrdiff_t next(const unsigned char*& data) = 0;
};

enum class DecodeResult {
    Ok,        // GOT bytes were decoded (0 only at the end of the data)
    BadData,   // the data is damaged, truncated or asks for more than the limits allow
    ReadFailed // the source failed
};

class MethodDecoder {
public:
    virtual ~MethodDecoder() = default;
    // Decodes up to MAX bytes into OUT and sets GOT; GOT is 0 only once the data has ended.
    virtual DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) = 0;
};

enum : std::int32_t {
    MethodStored = 0,
    MethodDeflate = 8,
    MethodDeflate64 = 9,
    MethodBzip2 = 12,
    MethodLzma = 14,
    MethodZstd = 93,
    MethodXz = 95,
};

// Whether METHOD is one of those decoded here.
bool decodedHere(std::int32_t method);

// The name of a compression method that other tools write, for the messages about it.
std::string methodName(std::int32_t method);

// The decoder for an entry of METHOD that holds SIZE bytes when decoded (-1 when not known):
// one of those decoded here, or stored, deflate or bzip2 (for encrypted entries, which libzip
// decrypts but leaves to us to decode). Null for other methods.
std::unique_ptr<MethodDecoder> makeMethodDecoder(std::int32_t method, std::int64_t size,
                                                 ChunkSource& source);

} // namespace ziplibs

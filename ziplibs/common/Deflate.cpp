#include "ziplibs/common/Deflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace ziplibs {

Deflater::Deflater(int level) : compressor_(libdeflate_alloc_compressor(std::clamp(level, 1, 9))) {
    if (!compressor_)
        throw std::bad_alloc();
}

Deflater::~Deflater() {
    libdeflate_free_compressor(compressor_);
}

std::vector<unsigned char> Deflater::compress(const void* data, std::size_t size) {
    std::vector<unsigned char> out(libdeflate_deflate_compress_bound(compressor_, size));
    const std::size_t n =
        libdeflate_deflate_compress(compressor_, data, size, out.data(), out.size());
    // The bound always suffices; a zero length would only mean it did not.
    if (n == 0)
        throw std::bad_alloc();
    out.resize(n);
    out.shrink_to_fit();
    return out;
}

Inflater::Inflater() : decompressor_(libdeflate_alloc_decompressor()) {
    if (!decompressor_)
        throw std::bad_alloc();
}

Inflater::~Inflater() {
    libdeflate_free_decompressor(decompressor_);
}

bool Inflater::inflate(const void* in, std::size_t inSize, void* out, std::size_t outSize) {
    // Without a place for the actual length, anything but exactly outSize bytes fails.
    return libdeflate_deflate_decompress(decompressor_, in, inSize, out, outSize, nullptr) ==
           LIBDEFLATE_SUCCESS;
}

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    return libdeflate_crc32(crc, data, size);
}

} // namespace ziplibs

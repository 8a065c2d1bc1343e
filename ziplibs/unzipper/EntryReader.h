#pragma once
// The data of one archive entry, block by block. A deflated entry of up to WholeBufferLimit
// bytes is read as it is stored and inflated in one piece with libdeflate, which is about
// twice as fast as zlib's stream; any other entry, and one whose data libdeflate refuses, is
// read through libzip's stream as before, so that its faults are found and reported the same
// way. Entries of the methods libzip does not decode (MethodDecoders.h) are read as stored
// and decoded here, block by block. An encrypted entry is read with the password given: libzip
// decrypts it and this reader decodes it (MethodDecoders.h; Decryption.h for AE-2 entries
// stored uncompressed).
#include "ziplibs/common/Deflate.h"
#include "ziplibs/unzipper/MethodDecoders.h"

#include <zip.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace ziplibs {

// The memory an extraction's entries are read into, and the inflater's tables, kept from one
// entry to the next: fresh large blocks for every entry would cost a page fault per page each
// time, and setting up an inflater costs about as much as inflating a small file.
struct EntryBuffers {
    std::vector<char> stored, inflated;
    Inflater inflater;
};

class AesSource;

class EntryReader {
public:
    // Opens entry IDX of ZA, which ST describes, reading into BUFFERS. An encrypted entry is
    // opened with PASSWORD (none: it fails as libzip fails it); AUTHENTICATED says it is an
    // AE-2 entry, whose data its authentication code checks in place of the CRC.
    EntryReader(zip_t* za, zip_uint64_t idx, const zip_stat_t& st, EntryBuffers& buffers,
                const char* password = nullptr, bool authenticated = false);
    ~EntryReader();
    EntryReader(const EntryReader&) = delete;
    EntryReader& operator=(const EntryReader&) = delete;

    // False when the entry could not be opened; error() tells why.
    bool opened() const { return whole_ || file_ || decoder_; }
    // Why opening or the last read failed.
    const zip_error_t* error() const;
    // Whether the data read must still be checked against the stored CRC (false for an AE-2
    // entry, which is checked by its authentication code while it is read).
    bool checksCrc() const { return !authenticated_; }
    // Points DATA at the next block of at most MAX bytes and returns its length: 0 at the end,
    // -1 when the data cannot be read.
    zip_int64_t read(const char*& data, std::size_t max);

private:
    bool inflateWhole(const zip_stat_t& st, const char* password);
    void openDecoder(const zip_stat_t& st, const char* password);
    void openEncrypted(const zip_stat_t& st, const char* password);
    zip_int64_t readDecoded(const char*& data, std::size_t max);

    zip_t* za_;
    zip_uint64_t idx_;
    EntryBuffers& buffers_; // inflated: the whole entry, or the block last read from the stream
    zip_file_t* file_ = nullptr;
    bool whole_ = false;
    std::size_t size_ = 0; // of the whole entry
    std::size_t pos_ = 0;
    // For an entry decoded here: its stored bytes, the decoder, how much it gave so far and
    // the size it must not pass, and why decoding failed.
    std::unique_ptr<ChunkSource> source_;
    AesSource* aes_ = nullptr; // source_, when this reader decrypts the entry itself
    bool authenticated_ = false;
    std::unique_ptr<MethodDecoder> decoder_;
    zip_uint64_t decoded_ = 0;
    bool drained_ = false;
    bool encrypted_ = false;
    zip_uint64_t sizeLimit_ = ZIP_UINT64_MAX;
    zip_error_t decodeError_;
};

} // namespace ziplibs

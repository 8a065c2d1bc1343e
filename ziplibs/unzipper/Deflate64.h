#pragma once
// An inflater for Deflate64 ("enhanced deflate", ZIP method 9): deflate with a 64 KiB window,
// length code 285 standing for 3 plus 16 extra bits, and distance codes 30 and 31 (32769 and
// 49153, 14 extra bits each). It pulls compressed bytes from a source as it needs them and
// hands out the inflated bytes block by block, holding only the window and the code tables.
#include "ziplibs/unzipper/MethodDecoders.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ziplibs {

class Deflate64Decoder : public MethodDecoder {
public:
    explicit Deflate64Decoder(ChunkSource& source);
    DecodeResult read(unsigned char* out, std::size_t max, std::size_t& got) override;

    // A canonical Huffman code: counts per length, symbols in code order, and a lookup by
    // the next FastBits bits for the short codes.
    static constexpr int MaxBits = 15;
    static constexpr int FastBits = 10;
    struct Code {
        std::array<std::uint16_t, MaxBits + 1> count{};
        std::vector<std::uint16_t> symbol;
        // (symbol << 4) | length; length 0 where the code is longer than FastBits or unused.
        std::array<std::uint16_t, 1u << FastBits> fast{};
    };

private:
    enum class State { Header, Stored, Codes, Done, Failed };

    bool fill(int n);
    bool bits(int n, std::uint32_t& v);
    bool decode(const Code& c, int& sym);
    bool buildDynamic();
    DecodeResult fail(DecodeResult r);
    void put(unsigned char b, unsigned char* out, std::size_t& got);

    ChunkSource& source_;
    const unsigned char* in_ = nullptr;
    std::size_t inLen_ = 0;
    bool inputEnded_ = false;
    bool inputFailed_ = false;
    std::uint64_t bitBuf_ = 0;
    int bitCount_ = 0;

    State state_ = State::Header;
    DecodeResult failure_ = DecodeResult::BadData;
    bool last_ = false;
    std::uint32_t storedLeft_ = 0;
    std::uint32_t copyLen_ = 0, copyDist_ = 0;
    Code lit_, dist_;
    std::vector<unsigned char> window_;
    std::uint32_t wpos_ = 0;
    std::uint64_t written_ = 0;
};

// Builds code C from LENGTHS (one per symbol, 0 for unused). False when the lengths
// over-subscribe the code space; an incomplete code is kept, and a walk into its unused part
// fails when decoding.
bool buildHuffmanCode(Deflate64Decoder::Code& c, const std::uint8_t* lengths, int n);

} // namespace ziplibs

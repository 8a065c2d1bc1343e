#include "ziplibs/unzipper/Deflate64.h"

#include <algorithm>

namespace ziplibs {

namespace {

constexpr std::uint32_t WindowSize = 1u << 16;
constexpr std::uint32_t WindowMask = WindowSize - 1;

// Length codes 257 to 285 and distance codes 0 to 31: base values and extra bits.
constexpr std::uint16_t LengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                          15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                          67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::uint8_t LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::uint16_t DistBase[32] = {1,    2,    3,    4,     5,     7,     9,     13,
                                        17,   25,   33,   49,    65,    97,    129,   193,
                                        257,  385,  513,  769,   1025,  1537,  2049,  3073,
                                        4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t DistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                        7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block lists the code lengths of its code-length code.
constexpr std::uint8_t LengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

} // namespace

bool buildHuffmanCode(Deflate64Decoder::Code& c, const std::uint8_t* lengths, int n) {
    constexpr int MaxBits = Deflate64Decoder::MaxBits;
    c.count.fill(0);
    c.fast.fill(0);
    c.symbol.assign(static_cast<std::size_t>(n), 0);
    for (int s = 0; s < n; ++s)
        ++c.count[lengths[s]];
    c.count[0] = 0;
    int left = 1;
    for (int len = 1; len <= MaxBits; ++len) {
        left = (left << 1) - c.count[len];
        if (left < 0)
            return false;
    }
    std::array<std::uint16_t, MaxBits + 2> offs{};
    for (int len = 1; len <= MaxBits; ++len)
        offs[len + 1] = static_cast<std::uint16_t>(offs[len] + c.count[len]);
    for (int s = 0; s < n; ++s)
        if (lengths[s])
            c.symbol[offs[lengths[s]]++] = static_cast<std::uint16_t>(s);
    // The short codes in the lookup table: each code, its bits reversed because the stream
    // holds them first bit lowest, at every index that starts with it.
    std::uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= Deflate64Decoder::FastBits; ++len) {
        for (int k = 0; k < c.count[len]; ++k, ++index, ++code) {
            std::uint32_t rev = 0;
            for (int b = 0; b < len; ++b)
                rev |= ((code >> b) & 1u) << (len - 1 - b);
            for (std::uint32_t i = rev; i < (1u << Deflate64Decoder::FastBits); i += 1u << len)
                c.fast[i] = static_cast<std::uint16_t>(
                    (c.symbol[static_cast<std::size_t>(index)] << 4) | len);
        }
        code <<= 1;
    }
    return true;
}

Deflate64Decoder::Deflate64Decoder(ChunkSource& source) : source_(source), window_(WindowSize) {}

// Makes at least N bits available (N at most 57). False when the data ends first.
bool Deflate64Decoder::fill(int n) {
    while (bitCount_ < n) {
        if (inLen_ == 0) {
            if (inputEnded_)
                return false;
            const std::ptrdiff_t got = source_.next(in_);
            if (got <= 0) {
                inputEnded_ = true;
                inputFailed_ = got < 0;
                return false;
            }
            inLen_ = static_cast<std::size_t>(got);
        }
        bitBuf_ |= static_cast<std::uint64_t>(*in_++) << bitCount_;
        --inLen_;
        bitCount_ += 8;
    }
    return true;
}

bool Deflate64Decoder::bits(int n, std::uint32_t& v) {
    if (!fill(n))
        return false;
    v = static_cast<std::uint32_t>(bitBuf_ & ((1ull << n) - 1));
    bitBuf_ >>= n;
    bitCount_ -= n;
    return true;
}

bool Deflate64Decoder::decode(const Code& c, int& sym) {
    // As many bits as there are, up to the longest code; past the end they read as zeros and
    // are refused below when a code needs them.
    fill(MaxBits);
    const auto fast = c.fast[bitBuf_ & ((1u << FastBits) - 1)];
    if (fast != 0) {
        const int len = fast & 15;
        if (len > bitCount_)
            return false;
        sym = fast >> 4;
        bitBuf_ >>= len;
        bitCount_ -= len;
        return true;
    }
    // A longer code: walk it bit by bit through the counts.
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= MaxBits && len <= bitCount_; ++len) {
        code |= static_cast<int>((bitBuf_ >> (len - 1)) & 1u);
        const int count = c.count[len];
        if (code - count < first) {
            sym = c.symbol[static_cast<std::size_t>(index + (code - first))];
            bitBuf_ >>= len;
            bitCount_ -= len;
            return true;
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return false;
}

bool Deflate64Decoder::buildDynamic() {
    std::uint32_t nlen = 0, ndist = 0, ncode = 0;
    if (!bits(5, nlen) || !bits(5, ndist) || !bits(4, ncode))
        return false;
    nlen += 257;
    ndist += 1;
    ncode += 4;
    if (nlen > 286)
        return false;
    std::uint8_t lengths[286 + 32] = {};
    for (std::uint32_t k = 0; k < ncode; ++k) {
        std::uint32_t v = 0;
        if (!bits(3, v))
            return false;
        lengths[LengthOrder[k]] = static_cast<std::uint8_t>(v);
    }
    Code lencode;
    if (!buildHuffmanCode(lencode, lengths, 19))
        return false;
    std::fill(std::begin(lengths), std::end(lengths), std::uint8_t{0});
    const std::uint32_t total = nlen + ndist;
    for (std::uint32_t k = 0; k < total;) {
        int sym = 0;
        if (!decode(lencode, sym))
            return false;
        if (sym < 16) {
            lengths[k++] = static_cast<std::uint8_t>(sym);
            continue;
        }
        std::uint8_t value = 0;
        std::uint32_t repeat = 0;
        if (sym == 16) {
            if (k == 0 || !bits(2, repeat))
                return false;
            value = lengths[k - 1];
            repeat += 3;
        } else if (sym == 17) {
            if (!bits(3, repeat))
                return false;
            repeat += 3;
        } else {
            if (!bits(7, repeat))
                return false;
            repeat += 11;
        }
        if (k + repeat > total)
            return false;
        while (repeat--)
            lengths[k++] = value;
    }
    // A block without an end code could never end.
    if (lengths[256] == 0)
        return false;
    return buildHuffmanCode(lit_, lengths, static_cast<int>(nlen)) &&
           buildHuffmanCode(dist_, lengths + nlen, static_cast<int>(ndist));
}

DecodeResult Deflate64Decoder::fail(DecodeResult r) {
    state_ = State::Failed;
    failure_ = r;
    return r;
}

void Deflate64Decoder::put(unsigned char b, unsigned char* out, std::size_t& got) {
    out[got++] = b;
    window_[wpos_] = b;
    wpos_ = (wpos_ + 1) & WindowMask;
    ++written_;
}

DecodeResult Deflate64Decoder::read(unsigned char* out, std::size_t max, std::size_t& got) {
    got = 0;
    const auto bad = [&] {
        return fail(inputFailed_ ? DecodeResult::ReadFailed : DecodeResult::BadData);
    };
    while (got < max) {
        if (copyLen_ > 0) {
            const std::size_t n = std::min<std::size_t>(copyLen_, max - got);
            for (std::size_t k = 0; k < n; ++k)
                put(window_[(wpos_ - copyDist_) & WindowMask], out, got);
            copyLen_ -= static_cast<std::uint32_t>(n);
            continue;
        }
        switch (state_) {
        case State::Failed:
            return failure_;
        case State::Done:
            return DecodeResult::Ok;
        case State::Header: {
            if (last_) {
                state_ = State::Done;
                break;
            }
            std::uint32_t final = 0, type = 0;
            if (!bits(1, final) || !bits(2, type))
                return bad();
            last_ = final != 0;
            if (type == 0) {
                // A stored block starts at the next byte.
                bitBuf_ >>= bitCount_ & 7;
                bitCount_ -= bitCount_ & 7;
                std::uint32_t len = 0, nlen = 0;
                if (!bits(16, len) || !bits(16, nlen))
                    return bad();
                if ((len ^ 0xFFFFu) != nlen)
                    return fail(DecodeResult::BadData);
                storedLeft_ = len;
                state_ = State::Stored;
            } else if (type == 1) {
                std::uint8_t lengths[288 + 32];
                std::fill(lengths, lengths + 144, std::uint8_t{8});
                std::fill(lengths + 144, lengths + 256, std::uint8_t{9});
                std::fill(lengths + 256, lengths + 280, std::uint8_t{7});
                std::fill(lengths + 280, lengths + 288, std::uint8_t{8});
                std::fill(lengths + 288, lengths + 320, std::uint8_t{5});
                buildHuffmanCode(lit_, lengths, 288);
                buildHuffmanCode(dist_, lengths + 288, 32);
                state_ = State::Codes;
            } else if (type == 2) {
                if (!buildDynamic())
                    return bad();
                state_ = State::Codes;
            } else {
                return fail(DecodeResult::BadData);
            }
            break;
        }
        case State::Stored: {
            if (storedLeft_ == 0) {
                state_ = State::Header;
                break;
            }
            std::uint32_t b = 0;
            if (!bits(8, b))
                return bad();
            put(static_cast<unsigned char>(b), out, got);
            --storedLeft_;
            break;
        }
        case State::Codes: {
            int sym = 0;
            if (!decode(lit_, sym))
                return bad();
            if (sym < 256) {
                put(static_cast<unsigned char>(sym), out, got);
                break;
            }
            if (sym == 256) {
                state_ = State::Header;
                break;
            }
            sym -= 257;
            if (sym >= 29)
                return fail(DecodeResult::BadData);
            std::uint32_t extra = 0;
            if (!bits(LengthExtra[sym], extra))
                return bad();
            const std::uint32_t len = LengthBase[sym] + extra;
            int dsym = 0;
            if (!decode(dist_, dsym))
                return bad();
            if (!bits(DistExtra[dsym], extra))
                return bad();
            const std::uint32_t dist = DistBase[dsym] + extra;
            if (dist > written_ || dist > WindowSize)
                return fail(DecodeResult::BadData);
            copyLen_ = len;
            copyDist_ = dist;
            break;
        }
        }
    }
    return DecodeResult::Ok;
}

} // namespace ziplibs

// The Deflate64 inflater on hand-made streams: the codes it adds to deflate (long lengths,
// far distances), blocks of each type, and damaged or cut-short data, fed in small pieces and
// read out in small blocks so that every point where it stops and resumes is crossed.
#include "ziplibs/unzipper/Deflate64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

using namespace ziplibs;

namespace {

// Writes bits first bit lowest, and Huffman codes first bit highest, as the format does.
struct BitWriter {
    std::string out;
    std::uint32_t acc = 0;
    int n = 0;
    BitWriter& bits(std::uint32_t v, int count) {
        for (int k = 0; k < count; ++k) {
            acc |= ((v >> k) & 1u) << n;
            if (++n == 8) {
                out += static_cast<char>(acc);
                acc = 0;
                n = 0;
            }
        }
        return *this;
    }
    BitWriter& code(std::uint32_t c, int len) {
        for (int k = len - 1; k >= 0; --k)
            bits((c >> k) & 1u, 1);
        return *this;
    }
    // A final block with fixed codes: LITERAL (below 144), one copy of length symbol LENSYM
    // (with EXTRA in EXTRABITS bits) from distance symbol DISTSYM, the end of the block.
    std::string fixedBlock(char literal, int lenSym, std::uint32_t extra, int extraBits,
                           int distSym) {
        bits(1, 1).bits(1, 2).code(0x30 + static_cast<std::uint32_t>(literal), 8);
        lenSym < 280 ? code(lenSym - 256, 7) : code(0xC0 + lenSym - 280, 8);
        return bits(extra, extraBits).code(distSym, 5).code(0, 7).done();
    }
    std::string done() {
        if (n)
            bits(0, 8 - n);
        return out;
    }
};

std::string storedBlock(const std::string& data, bool last) {
    const auto len = static_cast<std::uint16_t>(data.size());
    const auto nlen = static_cast<std::uint16_t>(~len);
    return std::string(1, last ? '\1' : '\0') + static_cast<char>(len & 0xFF) +
           static_cast<char>(len >> 8) + static_cast<char>(nlen & 0xFF) +
           static_cast<char>(nlen >> 8) + data;
}

// Feeds a stream in pieces of PIECE bytes.
struct Pieces : ChunkSource {
    std::string data;
    std::size_t piece, pos = 0;
    Pieces(std::string d, std::size_t p) : data(std::move(d)), piece(p) {}
    std::ptrdiff_t next(const unsigned char*& out) override {
        const std::size_t n = std::min(piece, data.size() - pos);
        out = reinterpret_cast<const unsigned char*>(data.data() + (pos += n) - n);
        return static_cast<std::ptrdiff_t>(n);
    }
};

// The whole output, or nothing when the decoder reports damaged data.
std::optional<std::string> inflate64(const std::string& stream, std::size_t piece,
                                     std::size_t block) {
    Pieces source(stream, piece);
    Deflate64Decoder d(source);
    std::string out, buf(block, '\0');
    for (;;) {
        std::size_t got = 0;
        if (d.read(reinterpret_cast<unsigned char*>(buf.data()), block, got) != DecodeResult::Ok)
            return std::nullopt;
        if (got == 0)
            return out;
        out.append(buf, 0, got);
    }
}

std::string farHistory() {
    std::string s;
    for (int i = 0; i < 40'000; ++i)
        s += static_cast<char>((i * 7919) >> 5);
    return s;
}

struct Case {
    const char* label;
    std::string stream;
    std::optional<std::string> expected; // nullopt: refused as damaged
};

std::vector<Case> cases() {
    const std::string history = farHistory();
    std::vector<Case> v;
    // Length symbol 285 takes 16 extra bits: 3 + 997 bytes copied from distance 1.
    v.push_back(
        {"LongLength", BitWriter().fixedBlock('a', 285, 997, 16, 0), std::string(1001, 'a')});
    // Distance symbol 30 reaches back 32769 + 7231 = 40000 bytes, beyond deflate's window:
    // length symbol 265 with extra bit 1 copies 12 bytes.
    BitWriter farCopy;
    farCopy.bits(1, 1).bits(1, 2).code(265 - 256, 7).bits(1, 1).code(30, 5).bits(7231, 14);
    const std::string far = storedBlock(history, false) + farCopy.code(0, 7).done();
    v.push_back({"FarDistance", far, history + history.substr(0, 12)});
    v.push_back({"StoredBlocks",
                 storedBlock("first ", false) + storedBlock("", false) + storedBlock("last", true),
                 std::string("first last")});
    // Damage: a distance before the start, a length symbol 286, the reserved block type, a
    // stored length whose complement does not match, a stream cut short or without a final
    // block.
    v.push_back({"DistanceBeforeStart", BitWriter().fixedBlock('a', 257, 0, 0, 1), std::nullopt});
    v.push_back({"LengthSymbol286", BitWriter().fixedBlock('a', 286, 0, 0, 0), std::nullopt});
    v.push_back({"ReservedBlockType", BitWriter().bits(1, 1).bits(3, 2).done(), std::nullopt});
    std::string badStored = storedBlock("abc", true);
    badStored[3] ^= 1;
    v.push_back({"StoredLengthMismatch", badStored, std::nullopt});
    v.push_back({"CutShort", far.substr(0, far.size() - 2), std::nullopt});
    v.push_back({"NoFinalBlock", storedBlock("abc", false), std::nullopt});
    return v;
}

class Deflate64 : public ::testing::TestWithParam<Case> {};

TEST_P(Deflate64, DecodesOrRefuses) {
    const Case& c = GetParam();
    for (const auto& [piece, block] : {std::pair<std::size_t, std::size_t>{1, 7}, {4096, 65536}})
        EXPECT_EQ(inflate64(c.stream, piece, block), c.expected) << piece << "/" << block;
}

INSTANTIATE_TEST_SUITE_P(Streams, Deflate64, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace

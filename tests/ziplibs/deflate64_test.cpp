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
    // Fixed-code symbols: a literal byte, a length symbol 257..285, a distance symbol.
    BitWriter& literal(unsigned char b) {
        return b < 144 ? code(0x30 + b, 8) : code(0x190 + b - 144, 9);
    }
    BitWriter& lengthSym(int s) { return s < 280 ? code(s - 256, 7) : code(0xC0 + s - 280, 8); }
    BitWriter& endOfBlock() { return code(0, 7); }
    std::string done() {
        if (n)
            bits(0, 8 - n);
        return out;
    }
};

std::string storedBlock(const std::string& data, bool last) {
    BitWriter w;
    w.bits(last, 1).bits(0, 2);
    std::string s = w.done();
    const auto len = static_cast<std::uint16_t>(data.size());
    s += static_cast<char>(len & 0xFF);
    s += static_cast<char>(len >> 8);
    s += static_cast<char>(~len & 0xFF);
    s += static_cast<char>((~len >> 8) & 0xFF);
    return s + data;
}

// Feeds a stream in pieces of PIECE bytes.
class Pieces : public ChunkSource {
public:
    Pieces(std::string data, std::size_t piece) : data_(std::move(data)), piece_(piece) {}
    std::ptrdiff_t next(const unsigned char*& data) override {
        const std::size_t n = std::min(piece_, data_.size() - pos_);
        data = reinterpret_cast<const unsigned char*>(data_.data() + pos_);
        pos_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::string data_;
    std::size_t piece_;
    std::size_t pos_ = 0;
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

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.label;
}

std::vector<Case> cases() {
    const std::string history = farHistory();
    std::vector<Case> v;
    // Length symbol 285 takes 16 extra bits: 3 + 997 bytes copied from distance 1.
    v.push_back({"LongLength",
                 BitWriter()
                     .bits(1, 1)
                     .bits(1, 2)
                     .literal('a')
                     .lengthSym(285)
                     .bits(997, 16)
                     .code(0, 5)
                     .endOfBlock()
                     .done(),
                 std::string(1001, 'a')});
    // Distance symbol 30 reaches back 32769 + 7231 = 40000 bytes, beyond deflate's window.
    BitWriter farCopy;
    farCopy.bits(1, 1).bits(1, 2).lengthSym(265).bits(1, 1).code(30, 5).bits(7231, 14);
    v.push_back({"FarDistance", storedBlock(history, false) + farCopy.endOfBlock().done(),
                 history + history.substr(0, 12)});
    v.push_back({"StoredBlocks",
                 storedBlock("first ", false) + storedBlock("", false) + storedBlock("last", true),
                 std::string("first last")});
    // Damage: a distance before the start, the reserved block type, a stored length whose
    // complement does not match, a stream cut short, a length symbol 286.
    v.push_back({"DistanceBeforeStart",
                 BitWriter()
                     .bits(1, 1)
                     .bits(1, 2)
                     .literal('a')
                     .lengthSym(257)
                     .code(1, 5)
                     .endOfBlock()
                     .done(),
                 std::nullopt});
    v.push_back({"ReservedBlockType", BitWriter().bits(1, 1).bits(3, 2).done(), std::nullopt});
    std::string badStored = storedBlock("abc", true);
    badStored[3] ^= 1;
    v.push_back({"StoredLengthMismatch", badStored, std::nullopt});
    const std::string whole = storedBlock(history, false) + farCopy.endOfBlock().done();
    v.push_back({"CutShort", whole.substr(0, whole.size() - 2), std::nullopt});
    v.push_back({"NoFinalBlock", storedBlock("abc", false), std::nullopt});
    v.push_back({"LengthSymbol286",
                 BitWriter()
                     .bits(1, 1)
                     .bits(1, 2)
                     .literal('a')
                     .lengthSym(286)
                     .code(0, 5)
                     .endOfBlock()
                     .done(),
                 std::nullopt});
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

// Dynamic blocks are decoded in the interop tests (7-Zip writes them); here only the one check
// the builder makes of their code lengths.
TEST(Deflate64Codes, OverSubscribedLengthsAreRefused) {
    Deflate64Decoder::Code c;
    const std::uint8_t complete[4] = {1, 2, 3, 3}, over[4] = {1, 1, 2, 0};
    EXPECT_TRUE(buildHuffmanCode(c, complete, 4));
    EXPECT_FALSE(buildHuffmanCode(c, over, 4));
}

} // namespace

// Names stored in a code page: each choice decodes through the C library's converters, the
// UTF-8 flag and Automatic keep the usual rule, and a name that is not valid in the chosen
// code page falls back to that rule rather than losing bytes.
#include "ziplibs/common/CodePages.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace ziplibs;

namespace {

struct DecodeCase {
    const char* label;
    const char* raw;
    bool utf8Flag;
    const char* encoding; // as --encoding takes it
    const char* expected;
};

class CodePages : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(CodePages, DecodeStoredNames) {
    const DecodeCase& c = GetParam();
    const auto enc = parseNameEncoding(c.encoding);
    ASSERT_TRUE(enc) << c.encoding;
    EXPECT_EQ(decodeName(c.raw, c.utf8Flag, *enc), c.expected);
    // The number the records carry names the same choice.
    EXPECT_EQ(nameEncodingFromCode(static_cast<std::int32_t>(*enc)), enc);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CodePages,
    ::testing::Values(
        DecodeCase{"Cp1251", "\xCF\xF0\xE8", false, "CP1251", "\u041F\u0440\u0438"},
        DecodeCase{"ShiftJisKeepsBackslash", "\x93\xFA\x96\x7B\\\x95\xB6.txt", false, "Shift-JIS",
                   "\u65E5\u672C\\\u6587.txt"},
        DecodeCase{"GbkByCodePage", "\xD6\xD0\xCE\xC4", false, "cp936", "\u4E2D\u6587"},
        DecodeCase{"EucKr", "\xC7\xD1\xB1\xDB", false, "euc-kr", "\uD55C\uAE00"},
        DecodeCase{"Big5", "\xA4\xA4\xA4\xE5", false, "big5", "\u4E2D\u6587"},
        DecodeCase{"FlaggedStaysAsStored", "\xC3\xA9", true, "CP866", "\xC3\xA9"},
        DecodeCase{"AutomaticCp437", "caf\x82", false, "Automatic", "caf\u00E9"},
        // A lead byte of Shift-JIS at the end: not Shift-JIS, so the usual rule (CP437).
        DecodeCase{"InvalidFallsBack", "a\x93", false, "Shift-JIS", "a\u00F4"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CodePageNames, UnknownNamesAndNumbersAreRefused) {
    EXPECT_FALSE(parseNameEncoding("KOI8-R") || parseNameEncoding("") || nameEncodingFromCode(1));
}

} // namespace

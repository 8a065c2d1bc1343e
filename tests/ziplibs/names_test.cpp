// Entry-name rules shared by both libraries: decoding, patterns, stored names, safety.
#include "zipformat/DosTime.h"
#include "ziplibs/common/Names.h"

#include <gtest/gtest.h>

using namespace ziplibs;

namespace {

struct MatchCase {
    const char* pattern;
    const char* text;
    bool match;
};

class WildcardTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardTest, Matches) {
    const auto& c = GetParam();
    EXPECT_EQ(wildcardMatch(c.pattern, c.text), c.match) << c.pattern << " vs " << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, WildcardTest,
    ::testing::Values(MatchCase{"*.txt", "a.txt", true}, MatchCase{"*.txt", "a.txt.bak", false},
                      MatchCase{"*.txt", ".txt", true}, MatchCase{"a?c", "abc", true},
                      MatchCase{"a?c", "ac", false},
                      MatchCase{"a?c",
                                "a\xC3\xA9"
                                "c",
                                true}, // "?" is one character, not one byte
                      MatchCase{"*", "", true}, MatchCase{"", "", true}, MatchCase{"", "a", false},
                      MatchCase{"a*b*c", "axxbyyc", true}, MatchCase{"a*b*c", "axxbyy", false},
                      MatchCase{"dir/*", "dir/sub/x", true}, MatchCase{"*a", "banana", true},
                      MatchCase{"**x", "x", true}, MatchCase{"A.TXT", "a.txt", false}));

TEST(Names, Utf8ValidityRejectsOverlongSurrogatesAndTruncation) {
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xC3\xA9t\xC3\xA9"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xC3"));             // cut short
    EXPECT_FALSE(isValidUtf8("\x82"));             // lone continuation byte
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
}

TEST(Names, EntryNamesDecodeAsUtf8ElseCp437) {
    // "é" in CP437 is 0x82; "ü" is 0x81; box drawing 0xC9 is U+2554.
    EXPECT_EQ(decodeEntryName("caf\x82.txt"), "caf\xC3\xA9.txt");
    EXPECT_EQ(decodeEntryName("\x81\xC9"), "\xC3\xBC\xE2\x95\x94");
    EXPECT_EQ(decodeEntryName("caf\xC3\xA9.txt"), "caf\xC3\xA9.txt");
    EXPECT_EQ(decodeEntryName("\xFF"), "\xC2\xA0");
    // A flagged name is taken as it is even when it is not valid UTF-8.
    EXPECT_EQ(decodeEntryName("\x82", true), "\x82");
}

struct StoredCase {
    const char* path;
    bool noDirNames;
    const char* stored;
};

class StoredNameTest : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredNameTest, DropsRootsDrivesAndDotParts) {
    const auto& c = GetParam();
    EXPECT_EQ(storedNameFor(c.path, c.noDirNames), c.stored) << c.path;
}

INSTANTIATE_TEST_SUITE_P(Paths, StoredNameTest,
                         ::testing::Values(StoredCase{"/a/b/c.txt", false, "a/b/c.txt"},
                                           StoredCase{"/a/b/c.txt", true, "c.txt"},
                                           StoredCase{"rel/x.txt", false, "rel/x.txt"},
                                           StoredCase{"./rel/./x.txt", false, "rel/x.txt"},
                                           StoredCase{"../up/x.txt", false, "up/x.txt"},
                                           StoredCase{"a/../b/./x", false, "b/x"},
                                           StoredCase{"a/../../b", false, "b"},
                                           StoredCase{"C:\\dir\\x.txt", false, "dir/x.txt"},
                                           StoredCase{"//server//share/x", false, "server/share/x"},
                                           StoredCase{"/", false, ""}, StoredCase{"..", true, ""}));

struct SafeCase {
    const char* name;
    bool ok;
};

class SafeNameTest : public ::testing::TestWithParam<SafeCase> {};

TEST_P(SafeNameTest, RefusesNamesLeavingTheFolder) {
    const auto& c = GetParam();
    EXPECT_EQ(checkEntryName(c.name).ok, c.ok) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Names, SafeNameTest,
                         ::testing::Values(SafeCase{"a/b.txt", true}, SafeCase{"./a.txt", true},
                                           SafeCase{"a..b/c", true}, SafeCase{"dir/", true},
                                           SafeCase{"../x", false}, SafeCase{"/abs", false},
                                           SafeCase{"\\abs", false}, SafeCase{"C:\\x", false},
                                           SafeCase{"c:x", false}, SafeCase{"a\\..\\..\\x", false},
                                           SafeCase{"a/../b", false}, SafeCase{"..", false},
                                           SafeCase{"", false}, SafeCase{"./", false}));

TEST(Names, CheckedNameSplitsAtBothSeparators) {
    const SafeName n = checkEntryName("a\\b/./c.txt");
    ASSERT_TRUE(n.ok);
    EXPECT_EQ(n.parts, (std::vector<std::string>{"a", "b", "c.txt"}));
    EXPECT_FALSE(n.isFolder);
    EXPECT_TRUE(checkEntryName("a\\b\\").isFolder);
}

TEST(Names, SpecsMatchEitherSeparatorPatternsAndFolderEntries) {
    EXPECT_TRUE(specMatchesEntry("dir\\a.txt", "dir/a.txt"));
    EXPECT_TRUE(specMatchesEntry("dir/a.txt", "dir\\a.txt"));
    EXPECT_TRUE(specMatchesEntry("dir\\*.txt", "dir/a.txt"));
    EXPECT_TRUE(specMatchesEntry("dir", "dir/"));
    EXPECT_FALSE(specMatchesEntry("dir", "dir/a.txt"));
    EXPECT_FALSE(specMatchesEntry("a.txt", "dir/a.txt"));
    EXPECT_FALSE(specMatchesEntry("", "a"));
}

// A spec that is an entry's own name is taken as that name, not as a pattern.
TEST(Names, SpecsThatNameAnEntryAreNotPatterns) {
    const std::vector<std::string> entries = {"a*.txt", "abc.txt", "d?r/", "dir/", "dir/x"};
    const SpecMatcher m({"a*.txt", "d?r", "d?r\\x", "*.txt"}, entries);
    auto matched = [&](std::size_t k) {
        std::vector<std::string> out;
        for (const auto& e : entries)
            if (m.matches(k, e))
                out.push_back(e);
        return out;
    };
    EXPECT_EQ(matched(0), std::vector<std::string>{"a*.txt"});
    EXPECT_EQ(matched(1), std::vector<std::string>{"d?r/"}) << "the folder entry's own name";
    EXPECT_EQ(matched(2), std::vector<std::string>{"dir/x"}) << "no entry of that name";
    EXPECT_EQ(matched(3), (std::vector<std::string>{"a*.txt", "abc.txt"}));
}

TEST(Names, LinkTargetsMustStayBelowTheLink) {
    EXPECT_TRUE(isContainedLinkTarget("file.txt"));
    EXPECT_TRUE(isContainedLinkTarget("sub/file.txt"));
    EXPECT_FALSE(isContainedLinkTarget("/tmp"));
    EXPECT_FALSE(isContainedLinkTarget(".."));
    EXPECT_FALSE(isContainedLinkTarget("sub/../../x"));
    EXPECT_FALSE(isContainedLinkTarget("D:\\x"));
    EXPECT_FALSE(isContainedLinkTarget(""));
}

TEST(DosTime, RoundTripsAtTwoSecondStepsAndClampsTheRange) {
    std::tm tm{};
    tm.tm_year = 2021 - 1900;
    tm.tm_mon = 2;
    tm.tm_mday = 4;
    tm.tm_hour = 5;
    tm.tm_min = 6;
    tm.tm_sec = 9;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    const std::uint32_t dos = zipformat::toDosTime(t);
    EXPECT_EQ(dos >> 16, ((2021u - 1980) << 9) | (3u << 5) | 4u);
    EXPECT_EQ(dos & 0xFFFF, (5u << 11) | (6u << 5) | 4u); // 9 seconds stored as 8
    EXPECT_EQ(zipformat::fromDosTime(dos), t - 1);
    EXPECT_EQ(zipformat::toDosTime(0) >> 16, (0u << 9) | (1u << 5) | 1u); // before 1980: 1980-01-01
}

} // namespace

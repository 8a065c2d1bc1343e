// How entry names are shown: UTF-8 when valid or flagged, else code page 437.
#include "archive/Archiver.h"

#include <gtest/gtest.h>

namespace {

ZipDirEntry entryNamed(const std::string& name, std::uint16_t flags = 0) {
    ZipDirEntry e{};
    e.FileName = name;
    e.GeneralFlags = flags;
    return e;
}

TEST(Utf8Check, AcceptsWellFormedTextOnly) {
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"plain/ascii.txt", true},
        {"caf\xC3\xA9", true},       // é
        {"\xE2\x82\xAC", true},      // €
        {"\xF0\x9F\x98\x80", true},  // an emoji, four bytes
        {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF, the last code point
        {"caf\xE9", false},          // a Latin-1 byte
        {"\xC0\xAF", false},         // overlong "/"
        {"\xE0\x80\xAF", false},     // overlong, three bytes
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xE2\x82", false},         // cut short
        {"\x80", false},             // a lone continuation byte
        {"\xF5\x80\x80\x80", false}, // no such lead byte
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(isValidUtf8(text), valid) << ::testing::PrintToString(text);
}

TEST(Cp437, MapsEveryHighByteAndKeepsAscii) {
    EXPECT_EQ(cp437ToUtf8("Name 1.txt"), "Name 1.txt");
    EXPECT_EQ(cp437ToUtf8("\x80"), "\xC3\x87");     // Ç
    EXPECT_EQ(cp437ToUtf8("\x81"), "\xC3\xBC");     // ü
    EXPECT_EQ(cp437ToUtf8("\x9E"), "\xE2\x82\xA7"); // ₧
    EXPECT_EQ(cp437ToUtf8("\xB0"), "\xE2\x96\x91"); // ░
    EXPECT_EQ(cp437ToUtf8("\xE1"), "\xC3\x9F");     // ß
    EXPECT_EQ(cp437ToUtf8("\xFF"), "\xC2\xA0");     // no-break space
    std::string all;
    for (int b = 0x80; b <= 0xFF; ++b)
        all += static_cast<char>(b);
    const std::string decoded = cp437ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(decoded));
    EXPECT_EQ(decoded.find('?'), std::string::npos);
    EXPECT_GE(decoded.size(), 2u * 128u);
}

TEST(DisplayName, ChoosesUtf8OrCp437ByContentAndFlag) {
    // Valid UTF-8 shows as such, with or without bit 11.
    EXPECT_EQ(displayName(entryNamed("caf\xC3\xA9.txt")), "caf\xC3\xA9.txt");
    EXPECT_EQ(displayName(entryNamed("caf\xC3\xA9.txt", 0x0800)), "caf\xC3\xA9.txt");
    // Not UTF-8 and not flagged: the old PC code page.
    EXPECT_EQ(displayName(entryNamed("caf\x82.txt")), "caf\xC3\xA9.txt");
    // Flagged but damaged: the damage shows as U+FFFD and the result stays valid UTF-8.
    EXPECT_EQ(displayName(entryNamed("a\xFF"
                                     "b",
                                     0x0800)),
              "a\xEF\xBF\xBD"
              "b");
    // The stored name itself is never changed.
    const ZipDirEntry e = entryNamed("dir\\x\x82");
    EXPECT_EQ(displayName(e), "dir\\x\xC3\xA9");
    EXPECT_EQ(e.FileName, "dir\\x\x82");
}

} // namespace

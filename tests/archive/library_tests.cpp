// The component driving the real archive libraries end to end: the names the table shows,
// given back with "\" separators, reach exactly the entries they name; counts, events, the
// reread and Cancel; archives with a comment, with bytes before them and without entries.
#include "archive/Archiver.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

using testsupport::le16;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

// A whole stored entry of a hand-made archive: the name as raw bytes, the flags as given.
struct Stored {
    std::string name;
    std::string data;
    std::uint16_t flags = 0;
    std::string extra{}; // the same extra field in the local and the central header
};

// A complete archive of stored entries (local headers, central directory, end record), with
// PREFIX before it (offsets counted from the archive's own start, as a self-extractor's
// are not) and an archive comment.
std::string zipOf(const std::vector<Stored>& entries, const std::string& comment = "",
                  const std::string& prefix = "", bool offsetsFromFileStart = false) {
    std::string local, central;
    const std::uint32_t base = offsetsFromFileStart ? static_cast<std::uint32_t>(prefix.size()) : 0;
    for (const Stored& e : entries) {
        const std::uint32_t offset = base + static_cast<std::uint32_t>(local.size());
        const std::string common = le16(e.flags) + le16(0) + le16(0x6B2C) + le16(0x5A87) +
                                   le32(testsupport::crc32(e.data)) + le32(e.data.size()) +
                                   le32(e.data.size()) + le16(e.name.size()) + le16(e.extra.size());
        local += "PK\x03\x04" + le16(20) + common + e.name + e.extra + e.data;
        central += "PK\x01\x02" + le16(0x0314) + le16(20) + common + le16(0) + le16(0) + le16(0) +
                   le32(0x81A40000u) + le32(offset) + e.name + e.extra;
    }
    const std::string end = "PK\x05\x06" + le16(0) + le16(0) + le16(entries.size()) +
                            le16(entries.size()) + le32(central.size()) +
                            le32(base + local.size()) + le16(comment.size()) + comment;
    return prefix + local + central + end;
}

class LibraryTest : public ::testing::Test {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    TempDir dir;
    TArchiver archiver;
    std::string startFolder = platform::currentDirectory();
    std::string zip = (dir / "test.zip").string();
    int dirUpdates = 0;
    std::vector<std::string> newFiles;
    std::vector<std::pair<int, std::string>> libraryMessages;

    void SetUp() override {
        archiver.LoadZipLibrary();
        archiver.LoadUnzLibrary();
        ASSERT_NE(ZIPPER::ZipDllHandle, nullptr) << "libzipper.so is not beside the test";
        ASSERT_NE(UNZIPPER::UnzDllHandle, nullptr) << "libunzipper.so is not beside the test";
        archiver.OnDirUpdate = [this](TArchiver*) { ++dirUpdates; };
        archiver.OnProgress = [this](TArchiver*, ProgressType t, const std::string& name,
                                     std::int32_t) {
            if (t == ProgressType::NewFile)
                newFiles.push_back(name);
        };
        archiver.OnMessage = [this](TArchiver*, std::int32_t code, const std::string& text) {
            libraryMessages.emplace_back(code, text);
        };
    }

    void TearDown() override {
        archiver.UnloadZipLibrary();
        archiver.UnloadUnzLibrary();
        platform::setCurrentDirectory(startFolder);
    }

    // The names as the table shows them once its separators are rewritten.
    std::vector<std::string> shownNames() const {
        std::vector<std::string> out;
        for (const auto& e : archiver.DirEntries()) {
            std::string n = displayName(*e);
            std::replace(n.begin(), n.end(), '/', '\\');
            out.push_back(n);
        }
        return out;
    }

    void open(const std::string& bytes) {
        writeFile(zip, bytes);
        archiver.setZipFilename(zip);
    }

    std::int32_t extractInto(const fs::path& folder, const std::vector<std::string>& specs,
                             bool dirNames = true) {
        fs::create_directories(folder);
        archiver.ExtrBaseDir = folder.string();
        archiver.ExtrOptions = ExtrOpts{ExtrOptsEnum::ExtrOverWrite};
        if (dirNames)
            archiver.ExtrOptions.include(ExtrOptsEnum::ExtrDirNames);
        archiver.setFSpecArgs(specs);
        archiver.Extract();
        return archiver.ProcessedCount();
    }

    std::int32_t deleteShown(const std::vector<std::string>& specs) {
        archiver.setFSpecArgs(specs);
        archiver.Delete();
        return archiver.ProcessedCount();
    }
};

TEST_F(LibraryTest, AddListsTheNewEntriesWithTheirCountEventsAndReread) {
    writeFile(dir / "src" / "one.txt", std::string(70000, 'x'));
    writeFile(dir / "src" / "two.txt", "two");
    archiver.setZipFilename(zip);
    dirUpdates = 0;
    archiver.AddOptions = AddOpts{AddOptsEnum::AddRecurseDirs};
    archiver.setFSpecArgs({(dir / "src").string()});
    archiver.Add();
    EXPECT_EQ(archiver.ProcessedCount(), 2);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_TRUE(archiver.FSpecArgs().empty());
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(newFiles, (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(archiver.DirEntries()[0]->UncompressedSize64, 70000u);
    EXPECT_TRUE(messages.shown().empty());
}

// An add that stores only a folder entry changed the archive: the listing shows it.
TEST_F(LibraryTest, AddOfAnEmptyFolderIsListed) {
    fs::create_directories(dir / "src" / "empty");
    platform::setCurrentDirectory((dir / "src").string());
    archiver.setZipFilename(zip);
    archiver.AddOptions = AddOpts{AddOptsEnum::AddRecurseDirs, AddOptsEnum::AddDirNames};
    archiver.setFSpecArgs({"empty"});
    archiver.Add();
    EXPECT_EQ(archiver.ProcessedCount(), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"empty\\"});
}

TEST_F(LibraryTest, ShownNamesWithBackslashesDeleteAndExtractTheirEntries) {
    open(zipOf({{"top.txt", "top"},
                {"dir/", ""},
                {"dir/sub/deep.txt", "deep"},
                {"dir/keep.txt", "keep"}}));
    const auto shown = shownNames();
    ASSERT_EQ(shown[2], "dir\\sub\\deep.txt");

    EXPECT_EQ(extractInto(dir / "out", {shown[2]}), 1);
    EXPECT_EQ(readFile(dir / "out" / "dir" / "sub" / "deep.txt"), "deep");

    EXPECT_EQ(deleteShown({shown[2], shown[0]}), 2);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"dir\\", "dir\\keep.txt"}));
}

// Names that are not UTF-8 are shown decoded from CP437 and must still name their entry.
TEST_F(LibraryTest, NamesShownAsCp437NameTheirEntries) {
    const std::string raw = std::string("caf\x82-\x81") + "ber.txt"; // café-über in CP437
    open(zipOf({{raw, "cp437"}, {"plain.txt", "plain"}}));
    const auto shown = shownNames();
    ASSERT_EQ(shown[0], "caf\xC3\xA9-\xC3\xBC"
                        "ber.txt");
    EXPECT_EQ(extractInto(dir / "out", {shown[0]}), 1);
    EXPECT_EQ(readFile(dir / "out" / shown[0]), "cp437");
    EXPECT_EQ(deleteShown({shown[0]}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"plain.txt"});
}

// A name stored in a code page other than CP437 may carry its true name, in UTF-8, in an
// extra field (0x7075, with the CRC of the stored name); the libraries name the entry by it,
// and so must the listing.
TEST_F(LibraryTest, NamesGivenInTheUnicodePathFieldAreShownAndNameTheirEntries) {
    const std::string raw = "\x8f\xe0\xa8\xa2\xa5\xe2.txt"; // "Привет.txt" in code page 866
    const std::string utf8 = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt";
    const std::string field = "\x01" + le32(testsupport::crc32(raw)) + utf8;
    const std::string unicodePath = le16(0x7075) + le16(field.size()) + field;
    // With a CRC that does not match the stored name the field is not the entry's name.
    const std::string stale = "\x01" + le32(testsupport::crc32(raw) ^ 1) + "stale.txt";
    open(zipOf({{raw, "hello", 0, unicodePath},
                {"plain.txt", "plain", 0, le16(0x7075) + le16(stale.size()) + stale}}));
    const auto shown = shownNames();
    ASSERT_EQ(shown, (std::vector<std::string>{utf8, "plain.txt"}));
    EXPECT_EQ(extractInto(dir / "out", {shown[0]}), 1) << testing::PrintToString(libraryMessages);
    EXPECT_EQ(readFile(dir / "out" / utf8), "hello");
    EXPECT_EQ(deleteShown({shown[0]}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"plain.txt"});
}

// A name holding "*", "?" or "[" is selected as itself: deleting or extracting it must not
// take the other entries its characters would match as a pattern.
TEST_F(LibraryTest, NamesWithPatternCharactersNameOnlyThemselves) {
    open(zipOf({{"a*.txt", "star"}, {"abc.txt", "abc"}, {"a?.txt", "query"}, {"ab.txt", "ab"}}));
    const auto shown = shownNames();
    EXPECT_EQ(extractInto(dir / "out", {"a?.txt"}), 1);
    EXPECT_FALSE(fs::exists(dir / "out" / "ab.txt"));
    EXPECT_EQ(deleteShown({"a*.txt"}), 1);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"abc.txt", "a?.txt", "ab.txt"}));
    // A pattern that names no entry by itself is still a pattern.
    EXPECT_EQ(deleteShown({"ab*"}), 2);
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"a?.txt"}));
}

// Names longer than the listing keeps of FileName are shown whole, so that the shown name
// names the entry.
TEST_F(LibraryTest, LongNamesAreShownWholeAndNameTheirEntries) {
    std::string longName;
    for (int i = 0; i < 6; ++i)
        longName += std::string(60, static_cast<char>('a' + i)) + "/";
    longName += "file.txt";
    open(zipOf({{longName, "long"}, {"short.txt", "short"}}));
    ASSERT_EQ(archiver.DirEntries()[0]->FileName.size(), 256u);
    const auto shown = shownNames();
    std::string expected = longName;
    std::replace(expected.begin(), expected.end(), '/', '\\');
    ASSERT_EQ(shown[0], expected);
    EXPECT_EQ(extractInto(dir / "out", {shown[0]}), 1);
    EXPECT_EQ(readFile(dir / "out" / longName), "long");
    EXPECT_EQ(deleteShown({shown[0]}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"short.txt"});
}

// Names flagged as UTF-8 that are not: the libraries refuse such an archive as damaged, with
// a message, and leave it as it was.
TEST_F(LibraryTest, FlaggedNamesThatAreNotUtf8AreRefusedAndLeftAlone) {
    open(zipOf({{std::string("bad\xff") + ".txt", "bad", 0x0800}, {"ok.txt", "ok"}}));
    const std::string before = readFile(zip);
    ASSERT_EQ(shownNames().size(), 2u);
    EXPECT_EQ(extractInto(dir / "out", {}), 0);
    EXPECT_EQ(deleteShown({"ok.txt"}), 0);
    EXPECT_EQ(readFile(zip), before);
    ASSERT_EQ(libraryMessages.size(), 2u);
    EXPECT_EQ(libraryMessages[0].first, 6);
    EXPECT_NE(libraryMessages[0].second.find("damaged"), std::string::npos);
}

TEST_F(LibraryTest, ArchiveWithACommentKeepsItThroughDeleteAndAdd) {
    open(zipOf({{"a.txt", "a"}, {"b.txt", "b"}}, "the comment"));
    EXPECT_EQ(deleteShown({"a.txt"}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"b.txt"});
    const std::string bytes = readFile(zip);
    EXPECT_EQ(bytes.substr(bytes.size() - 11), "the comment");
}

// An archive opened by a relative path (as from the command line) stays the same file once
// an Extract has moved the current directory: a file of the same name there is not touched.
TEST_F(LibraryTest, RelativeArchivePathKeepsNamingTheSameFileAfterAnExtract) {
    writeFile(zip, zipOf({{"a.txt", "a"}, {"b.txt", "b"}}));
    const std::string decoy = zipOf({{"a.txt", "decoy"}, {"c.txt", "c"}});
    writeFile(dir / "out" / "test.zip", decoy);
    platform::setCurrentDirectory(dir.str());
    archiver.setZipFilename("test.zip");
    EXPECT_EQ(extractInto(dir / "out", {"b.txt"}), 1);
    EXPECT_EQ(readFile(dir / "out" / "b.txt"), "b");
    EXPECT_EQ(extractInto(dir / "out", {"b.txt"}), 1) << "the archive is still found";
    EXPECT_EQ(deleteShown({"a.txt"}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"b.txt"});
    EXPECT_EQ(readFile(dir / "out" / "test.zip"), decoy);
    EXPECT_EQ(fs::path(archiver.ZipFilename()), dir.path() / "test.zip");
}

// Archives made by Info-ZIP zip: ZIP64 (-fz), written to a pipe (sizes in data descriptors)
// and read from standard input (the entry "-"). Listed, extracted and deleted from by name.
struct InfoZipCase {
    const char* what;
    const char* command; // run in the folder holding a.txt and d/b.txt; writes OUT
    std::vector<std::string> shown;
    // Info-ZIP marks a ZIP64 archive written to a pipe without writing its ZIP64 records;
    // the libraries refuse it as damaged and leave it alone.
    bool damagedForTheLibraries = false;
};

void PrintTo(const InfoZipCase& c, std::ostream* os) {
    *os << c.what;
}

class InfoZipArchives : public LibraryTest, public ::testing::WithParamInterface<InfoZipCase> {};

TEST_P(InfoZipArchives, AreListedExtractedAndDeletedFrom) {
    const InfoZipCase& c = GetParam();
    const std::string a = std::string(18000, 'a') + "end";
    writeFile(dir / "in" / "a.txt", a);
    writeFile(dir / "in" / "d" / "b.txt", "beta\n");
    std::string command = c.command;
    command.replace(command.find("OUT"), 3, "'" + zip + "'");
    ASSERT_EQ(testsupport::runCommand("cd '" + (dir / "in").string() + "' && " + command), 0)
        << command;
    archiver.setZipFilename(zip);
    ASSERT_EQ(shownNames(), c.shown);
    EXPECT_EQ(archiver.DirEntries()[0]->UncompressedSize64, a.size());
    EXPECT_TRUE(messages.shown().empty());

    if (c.damagedForTheLibraries) {
        const std::string before = readFile(zip);
        EXPECT_EQ(extractInto(dir / "out", {}), 0);
        EXPECT_EQ(deleteShown({c.shown[0]}), 0);
        EXPECT_EQ(readFile(zip), before);
        ASSERT_EQ(libraryMessages.size(), 2u);
        EXPECT_EQ(libraryMessages[0].first, 6) << libraryMessages[0].second;
        return;
    }
    EXPECT_EQ(extractInto(dir / "out", {c.shown[0]}), 1);
    EXPECT_EQ(readFile(dir / "out" / (c.shown[0] == "-" ? "-" : "a.txt")), a);
    if (c.shown.size() > 1) {
        EXPECT_EQ(extractInto(dir / "out", {c.shown[1]}), 1);
        EXPECT_EQ(readFile(dir / "out" / "d" / "b.txt"), "beta\n");
        EXPECT_EQ(deleteShown({c.shown[0]}), 1);
        EXPECT_EQ(shownNames(), std::vector<std::string>{c.shown[1]});
    }
    EXPECT_TRUE(messages.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Library, InfoZipArchives,
    ::testing::Values(
        InfoZipCase{"zip64", "zip -q -fz OUT a.txt d/b.txt", {"a.txt", "d\\b.txt"}},
        InfoZipCase{"zip64_to_a_pipe",
                    "zip -q -fz - a.txt d/b.txt | cat > OUT",
                    {"a.txt", "d\\b.txt"},
                    true},
        InfoZipCase{"to_a_pipe", "zip -q - a.txt d/b.txt | cat > OUT", {"a.txt", "d\\b.txt"}},
        InfoZipCase{"from_standard_input", "cat a.txt | zip -q -fz | cat > OUT", {"-"}, true}),
    [](const auto& info) { return std::string(info.param.what); });

// Bytes before the archive, as a self-extractor's program part: with offsets counted from
// the start of the file (as such tools write them) and from the archive's own start.
TEST_F(LibraryTest, ArchivesWithBytesBeforeThemAreListedAndExtracted) {
    for (bool fromFileStart : {true, false}) {
        SCOPED_TRACE(fromFileStart ? "offsets from the file's start" : "offsets off by the prefix");
        open(zipOf({{"a.txt", "a"}, {"b.txt", "b"}}, "", std::string(1000, 'Z'), fromFileStart));
        ASSERT_EQ(shownNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
        libraryMessages.clear();
        EXPECT_EQ(extractInto(dir / "out", {}), 2) << testing::PrintToString(libraryMessages);
        EXPECT_EQ(readFile(dir / "out" / "b.txt"), "b");
        fs::remove_all(dir / "out");
    }
}

// A rewrite would drop the bytes before the archive (a self-extractor's program part), so
// Add and Delete leave such an archive as it is and say why.
TEST_F(LibraryTest, AddAndDeleteLeaveAnArchiveWithBytesBeforeItAlone) {
    writeFile(dir / "new.txt", "new");
    for (bool fromFileStart : {true, false}) {
        SCOPED_TRACE(fromFileStart ? "offsets from the file's start" : "offsets off by the prefix");
        open(zipOf({{"a.txt", "a"}, {"b.txt", "b"}}, "", std::string(1000, 'Z'), fromFileStart));
        const std::string before = readFile(zip);
        libraryMessages.clear();
        EXPECT_EQ(deleteShown({"a.txt"}), 0);
        archiver.setFSpecArgs({(dir / "new.txt").string()});
        archiver.Add();
        EXPECT_EQ(archiver.ProcessedCount(), 0);
        EXPECT_EQ(readFile(zip), before);
        ASSERT_EQ(libraryMessages.size(), 2u);
        if (fromFileStart) {
            EXPECT_EQ(libraryMessages[0].first, 10) << libraryMessages[0].second;
        }
    }
}

// An archive without entries says so when listed, takes an Add, and is left valid and empty
// when its last entry is deleted.
TEST_F(LibraryTest, ArchiveWithoutEntriesTakesAnAddAndComesBackEmpty) {
    open(zipOf({}));
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"No valid zip entries found"});
    messages.clear();
    writeFile(dir / "f.txt", "f");
    archiver.setFSpecArgs({(dir / "f.txt").string()});
    archiver.Add();
    EXPECT_EQ(archiver.ProcessedCount(), 1) << testing::PrintToString(libraryMessages);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"f.txt"});
    messages.clear();
    EXPECT_EQ(deleteShown({"f.txt"}), 1);
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"No valid zip entries found"});
    EXPECT_EQ(extractInto(dir / "out", {}), 0);
    EXPECT_EQ(readFile(zip), zipOf({}));
}

TEST_F(LibraryTest, NamesWithControlCharactersNameTheirEntries) {
    open(zipOf({{"tab\there.txt", "t"}, {"nl\nx.txt", "n"}}));
    const auto shown = shownNames();
    EXPECT_EQ(extractInto(dir / "out", {shown[0], shown[1]}), 2)
        << testing::PrintToString(libraryMessages);
    EXPECT_EQ(readFile(dir / "out" / "nl\nx.txt"), "n");
    EXPECT_EQ(deleteShown({shown[1]}), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{shown[0]});
}

// Cancel set by a progress handler stops the add; the archive stays byte for byte.
TEST_F(LibraryTest, CancelledAddLeavesTheArchiveAsItWas) {
    open(zipOf({{"a.txt", "a"}}));
    const std::string before = readFile(zip);
    writeFile(dir / "big.bin", std::string(300000, 'q'));
    archiver.OnProgress = [this](TArchiver*, ProgressType t, const std::string&, std::int32_t) {
        if (t == ProgressType::ProgressUpdate)
            archiver.Cancel = true;
    };
    archiver.setFSpecArgs({(dir / "big.bin").string()});
    archiver.Add();
    EXPECT_EQ(readFile(zip), before);
    EXPECT_EQ(archiver.ProcessedCount(), 0);
    EXPECT_FALSE(archiver.Cancel);
}

} // namespace

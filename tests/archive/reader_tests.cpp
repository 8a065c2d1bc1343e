// The entry reader on hand-built archives: fields, the first-header scan, the walk, every
// message and error with the entries that stay listed, and when OnDirUpdate fires.
#include "archive/Archiver.h"
#include "archive/DirectoryReader.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "tests/archive/ArchiveBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using archtest::archiveOf;
using archtest::endRecord;
using archtest::Local;
using testsupport::le16;
using testsupport::le32;
using testsupport::le64;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

// How many of this process's open files are PATH.
int openHandlesOn(const std::string& path) {
    int count = 0;
    std::error_code ec;
    const fs::path target = fs::canonical(path, ec);
    for (const auto& fd : fs::directory_iterator("/proc/self/fd", ec)) {
        std::error_code lec;
        if (fs::read_symlink(fd.path(), lec) == target)
            ++count;
    }
    return count;
}

std::vector<std::string> names(const TArchiver& a) {
    std::vector<std::string> out;
    for (const auto& e : a.DirEntries())
        out.push_back(e->FileName);
    return out;
}

class ReaderTest : public ::testing::Test {
protected:
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope{messages};
    TempDir dir;
    TArchiver archiver;
    int dirUpdates = 0;
    int handlesAtUpdate = -1;
    std::size_t messagesAtUpdate = 0;
    std::string path = (dir / "test.zip").string();

    void SetUp() override {
        archiver.OnDirUpdate = [this](TArchiver*) {
            ++dirUpdates;
            handlesAtUpdate = openHandlesOn(path);
            messagesAtUpdate = messages.shown().size();
        };
    }

    // Writes BYTES as the archive and lists it; returns the error text, "" when none.
    std::string list(const std::string& bytes) {
        writeFile(path, bytes);
        try {
            archiver.setZipFilename(path);
        } catch (const platform::EStreamError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(ReaderTest, CopiesEveryHeaderFieldAndSkipsExtraAndData) {
    Local first{.name = "dir/first.txt", .data = std::string(300, 'd')};
    first.version = 45;
    first.flags = 0x0002;
    first.method = 8;
    first.time = 0x1234;
    first.date = 0x5678;
    first.crc = 0x89ABCDEF;
    first.uncompressedSize = 1000;
    first.extra = le16(0x5455) + le16(5) + std::string(5, 'P'); // a foreign extra block
    Local second{.name = "second", .data = "PK\x03\x04 inside data is skipped"};
    EXPECT_EQ(list(archiveOf({first, second})), "");

    ASSERT_EQ(archiver.Count(), 2);
    const ZipDirEntry& e = *archiver.DirEntries()[0];
    // The header fields are packed as in the file: compared as values (+), never bound to a
    // reference, which would be misaligned.
    EXPECT_EQ(+e.VersionNeeded, 45);
    EXPECT_EQ(+e.GeneralFlags, 0x0002);
    EXPECT_EQ(+e.CompressionMethod, 8);
    EXPECT_EQ(+e.DateTime, 0x56781234u);
    EXPECT_EQ(+e.Crc32, 0x89ABCDEFu);
    EXPECT_EQ(+e.CompressedSize, 300);
    EXPECT_EQ(+e.UncompressedSize, 1000);
    EXPECT_EQ(+e.FileNameLength, 13);
    EXPECT_EQ(+e.ExtraFieldLength, 9);
    EXPECT_EQ(e.FileName, "dir/first.txt");
    EXPECT_EQ(e.CompressedSize64, 300u);
    EXPECT_EQ(e.UncompressedSize64, 1000u);
    EXPECT_EQ(archiver.DirEntries()[1]->FileName, "second");
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(ReaderTest, AbsentArchiveGivesAnEmptyListWithoutAMessage) {
    const std::string folder = (dir / "folder.zip").string();
    fs::create_directory(folder);
    for (const std::string& absent : {std::string(), (dir / "missing.zip").string(), folder}) {
        SCOPED_TRACE(absent);
        dirUpdates = 0;
        archiver.setZipFilename(absent);
        EXPECT_EQ(dirUpdates, 1);
        EXPECT_TRUE(archiver.DirEntries().empty());
    }
    EXPECT_TRUE(messages.shown().empty());
}

struct NoEntriesCase {
    const char* what;
    std::string bytes;
};

void PrintTo(const NoEntriesCase& c, std::ostream* os) {
    *os << c.what;
}

class NoEntries : public ReaderTest, public ::testing::WithParamInterface<NoEntriesCase> {};

TEST_P(NoEntries, ShowTheMessageAndListNothing) {
    EXPECT_EQ(list(GetParam().bytes), "");
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"No valid zip entries found"});
    EXPECT_TRUE(archiver.DirEntries().empty());
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(messagesAtUpdate, 1u) << "the message comes before OnDirUpdate";
    EXPECT_EQ(handlesAtUpdate, 0);
}

const std::string oneEntry = archiveOf({{.name = "a", .data = "x"}});

INSTANTIATE_TEST_SUITE_P(
    Reader, NoEntries,
    ::testing::Values(
        NoEntriesCase{"empty file", ""}, NoEntriesCase{"only an end record", endRecord()},
        NoEntriesCase{"text file", "just some text, no archive\n"},
        // The scan stops at the file's end inside a partial match.
        NoEntriesCase{"ends after P", "xxP"}, NoEntriesCase{"ends after PK", "xxPK"},
        NoEntriesCase{"ends after PK3", "xxPK\x03"},
        // The byte after a failed 'P' is read as the next candidate, never stepped back to.
        NoEntriesCase{"P P K 3 4", "PPK\x03\x04" + oneEntry.substr(4, 27)},
        // The first header's 'P' is byte 60,001: the scan gives up before it.
        NoEntriesCase{"first header after 60,000 bytes", std::string(60000, '\0') + oneEntry}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& c : n)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST_F(ReaderTest, ScanFindsAHeaderWhoseFirstByteIsThe60000th) {
    EXPECT_EQ(list(std::string(59999, '\0') + oneEntry), "");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(ReaderTest, BytesOfAFailedMatchAreNotCountedByTheScan) {
    // 70,000 bytes before the header, but only the 35,000 'P's count as scanned bytes: each
    // 'Q' is read as the byte after a 'P' and is not examined again.
    std::string prefix;
    for (int i = 0; i < 35000; ++i)
        prefix += "PQ";
    EXPECT_EQ(list(prefix + oneEntry), "");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
}

TEST_F(ReaderTest, BytesBeforeTheArchiveAreScannedPast) {
    std::string program = "MZ" + std::string(5000, '\x90') + "PK\x05\x06 not yet";
    EXPECT_EQ(list(program + archiveOf({{.name = "x", .data = "1"}, {.name = "y", .data = "2"}})),
              "");
    EXPECT_EQ(names(archiver), (std::vector<std::string>{"x", "y"}));
}

TEST_F(ReaderTest, WalkStopsAtTheFirstCentralOrEndRecord) {
    const std::string a = Local{.name = "a", .data = "1"}.bytes();
    const std::string b = Local{.name = "b", .data = "2"}.bytes();
    // A header after the central directory is never read.
    EXPECT_EQ(list(a + archtest::centralHeaderStub() + b + endRecord()), "");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
    EXPECT_EQ(list(a + endRecord() + b + endRecord()), "");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
}

TEST_F(ReaderTest, UnknownWordsBetweenEntriesArePassedFourBytesAtATime) {
    // A data descriptor with its signature after an entry whose header sizes are right.
    const std::string descriptor = le32(0x08074B50) + le32(0xCAFEBABE) + le32(1) + le32(1);
    EXPECT_EQ(list(Local{.name = "a", .data = "1"}.bytes() + descriptor +
                   archiveOf({{.name = "b", .data = "2"}})),
              "");
    EXPECT_EQ(names(archiver), (std::vector<std::string>{"a", "b"}));
}

TEST_F(ReaderTest, NamesAreKeptAsStoredUpToAZeroByteAndAt256Bytes) {
    const std::string longName(300, 'n');
    const std::string withZero("ab\0cd", 5);
    const std::string latin = "caf\x82\\x"; // a CP437 byte and a backslash, unchanged
    EXPECT_EQ(list(archiveOf({{.name = longName, .data = "long"},
                              {.name = withZero, .data = "z"},
                              {.name = "", .data = "empty name"},
                              {.name = latin, .data = ""},
                              {.name = "after", .data = "!"}})),
              "");
    ASSERT_EQ(archiver.Count(), 5);
    const auto& e = archiver.DirEntries();
    EXPECT_EQ(e[0]->FileName, longName.substr(0, 256));
    EXPECT_EQ(+e[0]->FileNameLength, 300);
    EXPECT_EQ(e[0]->FullName, longName) << "kept whole for display";
    EXPECT_EQ(displayName(*e[0]), longName);
    EXPECT_EQ(e[1]->FileName, "ab");
    EXPECT_EQ(e[1]->FullName, "") << "FileName is whole";
    EXPECT_EQ(+e[1]->FileNameLength, 5);
    EXPECT_EQ(e[2]->FileName, "");
    EXPECT_EQ(+e[2]->CompressedSize, 10);
    EXPECT_EQ(e[3]->FileName, latin);
    EXPECT_EQ(e[4]->FileName, "after") << "the long name was consumed whole";
}

TEST_F(ReaderTest, Zip64SizesComeFromTheExtraField) {
    Local big{.name = "big.bin", .data = std::string(40, 'b')};
    big.compressedSize = 0xFFFFFFFF;
    big.uncompressedSize = 0xFFFFFFFF;
    big.extra =
        le16(0x000A) + le16(4) + "abcd" + le16(0x0001) + le16(16) + le64(0x123456789ULL) + le64(40);
    EXPECT_EQ(list(archiveOf({big, {.name = "next", .data = "n"}})), "");
    ASSERT_EQ(archiver.Count(), 2);
    const ZipDirEntry& e = *archiver.DirEntries()[0];
    EXPECT_EQ(+e.CompressedSize, -1) << "the header's value stays as stored";
    EXPECT_EQ(e.UncompressedSize64, 0x123456789ULL);
    EXPECT_EQ(e.CompressedSize64, 40u);
    EXPECT_EQ(archiver.DirEntries()[1]->FileName, "next");
}

TEST_F(ReaderTest, LargeSizesAreUnsignedAndNeverMoveTheWalkBack) {
    // A compressed size of 0x80000000 would be negative as a signed value and would move
    // the walk back into the header; taken unsigned it runs past the end.
    Local huge{.name = "huge", .data = "data"};
    huge.compressedSize = 0x80000000;
    huge.uncompressedSize = 0xFFFFFFF0;
    EXPECT_EQ(list(archiveOf({{.name = "first", .data = "1"}, huge})), "Error 3 reading Zip file");
    EXPECT_EQ(names(archiver), (std::vector<std::string>{"first", "huge"}));
    const ZipDirEntry& e = *archiver.DirEntries()[1];
    EXPECT_EQ(e.CompressedSize64, 0x80000000u);
    EXPECT_EQ(e.UncompressedSize64, 0xFFFFFFF0u);
}

// Entries whose sizes follow their data take them from the central directory, also when
// the end record marks the directory's offset as ZIP64 (0xFFFFFFFF) but no ZIP64 record
// follows, as in a ZIP64 archive written to a pipe; the directory then ends at the end
// record and its offsets count from the start of the file.
TEST_F(ReaderTest, DescribedSizesAreFoundWhenTheEndRecordIsMarkedWithoutZip64Records) {
    const std::string data = "streamed data";
    Local streamed{.name = "s.txt", .data = data, .flags = 0x0008, .crc = 0};
    streamed.compressedSize = 0;
    streamed.uncompressedSize = 0;
    const std::string descriptor = "PK\x07\x08" + le32(0x1234) + le32(13) + le32(13);
    const std::string local = streamed.bytes() + descriptor;
    const std::string second = Local{.name = "after", .data = "x"}.bytes();
    const std::string central =
        "PK\x01\x02" + le16(0x031E) + le16(20) + le16(0x0008) + le16(0) + le32(0) + le32(0x1234) +
        le32(13) + le32(13) + le16(5) + le16(0) + le16(0) + le16(0) + le16(0) + le32(0) + le32(0) +
        "s.txt" + "PK\x01\x02" + le16(0x031E) + le16(20) + le16(0) + le16(0) + le32(0) + le32(0) +
        le32(1) + le32(1) + le16(5) + le16(0) + le16(0) + le16(0) + le16(0) + le32(0) +
        le32(local.size()) + "after";
    for (const std::uint32_t offset :
         {static_cast<std::uint32_t>(local.size() + second.size()), 0xFFFFFFFFu}) {
        const std::string end = "PK\x05\x06" + le16(0) + le16(0) + le16(2) + le16(2) +
                                le32(central.size()) + le32(offset) + le16(0);
        EXPECT_EQ(list(local + second + central + end), "");
        EXPECT_EQ(names(archiver), (std::vector<std::string>{"s.txt", "after"})) << offset;
        EXPECT_EQ(archiver.DirEntries()[0]->CompressedSize64, 13u) << offset;
        EXPECT_EQ(+archiver.DirEntries()[0]->Crc32, 0x1234u) << offset;
    }
}

// Entries whose data reach past 4 GiB, in a sparse file: the walk skips them by their sizes
// taken unsigned (just below 4 GiB in the header, above it from the ZIP64 field) and finds
// the entries behind them at positions beyond 32 bits.
TEST_F(ReaderTest, DataAtTheFourGigabyteBoundaryIsSkippedWithWidePositions) {
    Local below{.name = "below"};
    below.compressedSize = 0xFFFFFFFE;
    below.uncompressedSize = 0xFFFFFFFE;
    Local above{.name = "above"};
    above.compressedSize = 0xFFFFFFFF;
    above.uncompressedSize = 0xFFFFFFFF;
    above.extra = le16(0x0001) + le16(16) + le64(0x100000010ULL) + le64(0x100000010ULL);
    const std::string tail =
        Local{.name = "last", .data = "L"}.bytes() + archtest::centralHeaderStub() + endRecord();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << below.bytes();
        out.seekp(0xFFFFFFFE, std::ios::cur);
        out << above.bytes();
        out.seekp(static_cast<std::streamoff>(0x100000010ULL), std::ios::cur);
        out << tail;
        ASSERT_TRUE(out) << "no room for a sparse file beyond 8 GiB in " << path;
    }
    try {
        archiver.setZipFilename(path);
    } catch (const platform::EStreamError& e) {
        ADD_FAILURE() << e.what();
    }
    fs::remove(path);
    EXPECT_EQ(names(archiver), (std::vector<std::string>{"below", "above", "last"}));
    ASSERT_EQ(archiver.Count(), 3);
    EXPECT_EQ(archiver.DirEntries()[0]->CompressedSize64, 0xFFFFFFFEu);
    EXPECT_EQ(archiver.DirEntries()[1]->CompressedSize64, 0x100000010ULL);
    EXPECT_EQ(+archiver.DirEntries()[1]->CompressedSize, -1);
}

// The Info-ZIP Unicode Path extra field (0x7075) gives the name to show when its CRC is that
// of the stored name and it is UTF-8; the stored name stays in FileName.
TEST_F(ReaderTest, UnicodePathFieldNamesTheEntryWhenItBelongsToTheStoredName) {
    const std::string raw = "\x8f\xe0\xa8\xa2\xa5\xe2"; // in code page 866
    const std::string utf8 = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
    auto field = [](std::uint8_t version, std::uint32_t crc, const std::string& name) {
        const std::string data = std::string(1, static_cast<char>(version)) + le32(crc) + name;
        return le16(0x7075) + le16(static_cast<std::uint16_t>(data.size())) + data;
    };
    const std::uint32_t crc = 0xB9A7B36D; // CRC-32 of the six stored bytes
    const std::string other = le16(0x000A) + le16(4) + "abcd";
    EXPECT_EQ(list(archiveOf({{.name = raw, .data = "1", .extra = other + field(1, crc, utf8)},
                              {.name = raw, .data = "2", .extra = field(1, crc ^ 1, utf8)},
                              {.name = raw, .data = "3", .extra = field(2, crc, utf8)},
                              {.name = raw, .data = "4", .extra = field(1, crc, "\xff")}})),
              "");
    ASSERT_EQ(archiver.Count(), 4);
    const auto& e = archiver.DirEntries();
    EXPECT_EQ(displayName(*e[0]), utf8);
    EXPECT_EQ(e[0]->FileName, raw);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(displayName(*e[i]), cp437ToUtf8(raw)) << "entry " << i;
}

struct ErrorCase {
    const char* what;
    std::string bytes;
    std::string error;
    std::vector<std::string> listed;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.what;
}

class ReaderErrors : public ReaderTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ReaderErrors, RaiseTheTextAndKeepTheEntriesReadSoFar) {
    EXPECT_EQ(list(GetParam().bytes), GetParam().error);
    EXPECT_EQ(names(archiver), GetParam().listed);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(handlesAtUpdate, 0) << "the file is closed before OnDirUpdate";
    EXPECT_EQ(openHandlesOn(path), 0);
    EXPECT_TRUE(messages.shown().empty());
}

const std::string entryA = Local{.name = "a", .data = "abc"}.bytes();

Local cutAt(std::string data, std::uint32_t stored) {
    Local l{.name = "last", .data = std::move(data)};
    l.compressedSize = stored;
    return l;
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ReaderErrors,
    ::testing::Values(
        ErrorCase{
            "signature cut short", entryA + std::string(23, 'x'), "Error reading Zip File", {"a"}},
        ErrorCase{"header cut short",
                  entryA + "PK\x03\x04" + std::string(20, '\0'),
                  "Error 2 reading Zip file",
                  {"a"}},
        ErrorCase{"name cut short",
                  entryA + Local{.name = "short", .nameLength = 40}.bytes().substr(0, 35),
                  "Error 2 reading Zip file",
                  {"a"}},
        // Data reaching to 21 bytes before the end: the entry is listed, then refused.
        ErrorCase{"data within 22 bytes of the end",
                  entryA + cutAt("xyz", 3).bytes() + std::string(21, '\0'),
                  "Error 3 reading Zip file",
                  {"a", "last"}},
        ErrorCase{"extra field past the end",
                  entryA +
                      Local{.name = "last", .extra = std::string(10, 'e')}.bytes().substr(0, 34) +
                      std::string(20, '\0'),
                  "Error 3 reading Zip file",
                  {"a", "last"}},
        ErrorCase{"stored size larger than the file",
                  entryA + cutAt("xyz", 5000).bytes() + endRecord(),
                  "Error 3 reading Zip file",
                  {"a", "last"}}),
    [](const auto& info) {
        std::string n = info.param.what;
        for (char& c : n)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST_F(ReaderTest, DataEndingExactly22BytesBeforeTheEndIsAccepted) {
    EXPECT_EQ(list(entryA + endRecord()), "");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
}

TEST_F(ReaderTest, EachListingStartsFromAnEmptyList) {
    EXPECT_EQ(list(archiveOf({{.name = "a"}, {.name = "b"}, {.name = "c"}})), "");
    EXPECT_EQ(list(entryA + std::string(23, 'x')), "Error reading Zip File");
    EXPECT_EQ(names(archiver), std::vector<std::string>{"a"});
    EXPECT_EQ(dirUpdates, 2);
}

TEST_F(ReaderTest, UnreadableArchiveRaisesTheOpenErrorWithoutOnDirUpdate) {
    EXPECT_EQ(list(archiveOf({{.name = "a"}})), "");
    ASSERT_EQ(archiver.Count(), 1);
    dirUpdates = 0;
    ::chmod(path.c_str(), 0);
    try {
        testsupport::Unprivileged unprivileged;
        archiver.ReadDirectory();
        ADD_FAILURE() << "no error raised";
    } catch (const platform::EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_TRUE(archiver.DirEntries().empty());
}

// A stream whose moves can be made to land short of where they were asked to go, and whose
// reads of a given length can be made to come one byte short, as a failing device would:
// the only way to reach the checks after the extra field and the data.
class ShortSeekSource : public archive_detail::ByteSource {
public:
    ShortSeekSource(std::string bytes, int failingSeek, std::size_t shortReadLength = 0)
        : bytes_(std::move(bytes)), fail_(failingSeek), shortRead_(shortReadLength) {}
    std::size_t read(void* buffer, std::size_t count) override {
        if (shortRead_ != 0 && count == shortRead_)
            --count;
        const std::size_t n = pos_ >= static_cast<std::int64_t>(bytes_.size())
                                  ? 0
                                  : std::min(count, bytes_.size() - static_cast<std::size_t>(pos_));
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += static_cast<std::int64_t>(n);
        return n;
    }
    std::int64_t seekBy(std::int64_t delta) override {
        pos_ += (++seeks_ == fail_ && delta > 0) ? delta - 1 : delta;
        return pos_;
    }
    std::int64_t seekTo(std::int64_t position) override { return pos_ = position; }
    std::int64_t position() const override { return pos_; }
    std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::string bytes_;
    int fail_;
    std::size_t shortRead_;
    int seeks_ = 0;
    std::int64_t pos_ = 0;
};

TEST(ReaderSkips, AnExtraFieldOrSkipThatComesShortRaisesErrors4And5) {
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope(messages);
    // The extra field (six bytes, a length no other read has here) is read, the data skipped.
    Local withExtra{.name = "e", .data = "data", .extra = "123456"};
    const std::string bytes = archiveOf({withExtra});
    struct Case {
        int failingSeek;
        std::size_t shortRead;
        const char* error;
    } cases[] = {{0, 6, "Error 4 reading Zip file"}, {1, 0, "Error 5 reading Zip file"}};
    for (const Case& c : cases) {
        ShortSeekSource source(bytes, c.failingSeek, c.shortRead);
        std::vector<std::unique_ptr<ZipDirEntry>> entries;
        try {
            archive_detail::readEntries(source, entries);
            ADD_FAILURE() << "no error for " << c.error;
        } catch (const platform::EStreamError& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
        ASSERT_EQ(entries.size(), 1u) << "the entry stays listed";
        EXPECT_EQ(entries[0]->FileName, "e");
    }
    ShortSeekSource sound(bytes, 0);
    std::vector<std::unique_ptr<ZipDirEntry>> entries;
    archive_detail::readEntries(sound, entries);
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_TRUE(messages.shown().empty());
}

} // namespace

namespace {

// Damaged copies of a tool-made archive (descriptors, ZIP64, a central directory the
// reader consults) must end in the message or a stream error: no other failure, no hang,
// no name longer than the limit.
TEST(ReaderRobustness, DamagedArchivesEndInAMessageOrAStreamError) {
    platform::ScriptedMessages messages;
    platform::ScopedMessageService scope(messages);
    TempDir dir;
    const std::string path = (dir / "sound.zip").string();
    ASSERT_TRUE(archtest::runPython(
        "import sys, zipfile\n"
        "class Pipe:\n"
        "    def __init__(s, f): s.f = f; s.n = 0\n"
        "    def write(s, b): s.f.write(b); s.n += len(b); return len(b)\n"
        "    def tell(s): return s.n\n"
        "    def flush(s): pass\n"
        "with open(sys.argv[1], 'wb') as out:\n"
        "    with zipfile.ZipFile(Pipe(out), 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "        with z.open('a.txt', 'w') as f: f.write(b'alpha' * 40)\n"
        "        with z.open('b.bin', 'w', force_zip64=True) as f: f.write(bytes(range(256)))\n"
        "        z.writestr('c', b'')\n",
        path));
    const std::string sound = testsupport::readFile(path);
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = sound;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        if (round % 5 == 0)
            bytes.resize(random() % bytes.size());
        ShortSeekSource source(bytes, 0);
        std::vector<std::unique_ptr<ZipDirEntry>> entries;
        try {
            archive_detail::readEntries(source, entries);
        } catch (const platform::EStreamError&) {
        }
        ASSERT_LE(entries.size(), bytes.size() / 30 + 1) << "round " << round;
        for (const auto& e : entries)
            ASSERT_LE(e->FileName.size(), 256u) << "round " << round;
    }
}

// The walk over local headers against a readable central directory. Each case lays out
// local headers (in file order) and the directory's records, each naming the local header
// it points at (by its index) and the name and sizes it gives; when the two disagree, the
// directory's entries are listed, in the order of their data, and the first difference is
// told once per archive opened.
struct Record {
    std::size_t local; // the local header it points at
    std::string name;
    std::uint32_t size;
};
struct DirectoryCase {
    const char* title;
    std::vector<Local> locals;
    std::vector<Record> records;
    std::vector<std::string> listed;
    std::string told; // part of the one message; empty: none
};
std::ostream& operator<<(std::ostream& os, const DirectoryCase& c) {
    return os << c.title;
}

class DirectoryTest : public ReaderTest, public ::testing::WithParamInterface<DirectoryCase> {};

TEST_P(DirectoryTest, ListsWhatTheDirectorySays) {
    const DirectoryCase& c = GetParam();
    std::string bytes;
    std::vector<std::uint32_t> at;
    for (const Local& l : c.locals) {
        at.push_back(static_cast<std::uint32_t>(bytes.size()));
        bytes += l.bytes();
    }
    std::string dir;
    for (const Record& r : c.records) {
        Local l{.name = r.name, .data = std::string(r.size, 'd')};
        dir += archtest::centralOf(l, at[r.local]);
    }
    const auto cdOffset = static_cast<std::uint32_t>(bytes.size());
    bytes += dir + archtest::endOf(static_cast<std::uint16_t>(c.records.size()),
                                   static_cast<std::uint32_t>(dir.size()), cdOffset);
    EXPECT_EQ(list(bytes), "");
    archiver.ReadDirectory(); // read again, as after a change: told once all the same
    EXPECT_EQ(names(archiver), c.listed);
    if (c.told.empty()) {
        EXPECT_TRUE(messages.shown().empty());
    } else {
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_NE(messages.shown()[0].text.find(c.told), std::string::npos)
            << messages.shown()[0].text;
    }
}

// A local header whose compressed size covers the next one: the walk sees one entry.
Local covering() {
    Local l{.name = "photo.txt", .data = "jpeg"};
    l.compressedSize = static_cast<std::uint32_t>(
        4 + Local{.name = ".config/autostart/evil.desktop", .data = "x"}.bytes().size());
    l.uncompressedSize = 4;
    return l;
}

// A directory of 9,000 records of long names, larger than the part of it the reader holds at
// a time: in the order of the data or reversed, and with the last record's name changed.
DirectoryCase largeDirectory(const char* title, bool reversed, bool renameLast) {
    DirectoryCase c{title, {}, {}, {}, ""};
    const std::size_t n = 9000;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string name = std::string(90, 'n') + "/" + std::to_string(100000 + i);
        c.locals.push_back({.name = name, .data = "x"});
        c.records.push_back({i, renameLast && i == n - 1 ? "renamed" : name, 1});
        c.listed.push_back(c.records.back().name);
    }
    if (reversed)
        std::reverse(c.records.begin(), c.records.end());
    if (renameLast)
        c.told = "names the entry \"renamed\" where its local header names";
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Reader, DirectoryTest,
    ::testing::Values(
        largeDirectory("a large directory", false, false),
        largeDirectory("a large directory in reverse", true, false),
        largeDirectory("a large directory renaming its last entry", false, true),
        DirectoryCase{"agreeing",
                      {{.name = "a.txt", .data = "aa"}, {.name = "b.txt", .data = "bbb"}},
                      {{1, "b.txt", 3}, {0, "a.txt", 2}},
                      {"a.txt", "b.txt"},
                      ""},
        DirectoryCase{"hidden behind a size",
                      {covering(), {.name = ".config/autostart/evil.desktop", .data = "x"}},
                      {{0, "photo.txt", 4}, {1, ".config/autostart/evil.desktop", 1}},
                      {"photo.txt", ".config/autostart/evil.desktop"},
                      "\"photo.txt\" has other sizes in its local header"},
        DirectoryCase{"another name at the same place",
                      {{.name = "README.txt", .data = "x"}},
                      {{0, ".profile_x", 1}},
                      {".profile_x"},
                      "names the entry \".profile_x\" where its local header names "
                      "\"README.txt\""},
        DirectoryCase{"a local entry the directory lacks",
                      {{.name = "a", .data = "1"}, {.name = "b", .data = "2"}},
                      {{1, "b", 1}},
                      {"b"},
                      "the local headers hold \"a\", which the directory lacks"},
        DirectoryCase{"records pointing at one entry",
                      {{.name = "big", .data = "0123456789"}},
                      {{0, "big", 10}, {0, "copy1", 10}, {0, "copy2", 10}},
                      {"big", "copy1", "copy2"},
                      "the directory lists \"copy1\", which the local headers lack"}));

// Without a readable directory (cut short, or counting other records than it holds) the walk
// is listed as it stands, without a message.
TEST_F(ReaderTest, WithoutAReadableDirectoryTheWalkIsListed) {
    const Local a{.name = "a", .data = "1"}, b{.name = "b", .data = "2"};
    const std::string locals = a.bytes() + b.bytes();
    const std::string dir = archtest::centralOf(a, 0);
    const auto size = static_cast<std::uint32_t>(dir.size());
    const auto offset = static_cast<std::uint32_t>(locals.size());
    for (const std::string& tail : {dir.substr(0, 30) + archtest::endOf(1, size, offset),
                                    dir + archtest::endOf(2, size, offset)}) {
        EXPECT_EQ(list(locals + tail), "");
        EXPECT_EQ(names(archiver), (std::vector<std::string>{"a", "b"}));
        EXPECT_TRUE(messages.shown().empty());
    }
}

} // namespace

// Extracting: all or named entries, folders or flat, overwrite/update/freshen, times, modes,
// CRC checking, CP437 names, bad archives.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

using namespace zltest;
using testsupport::le16;
using testsupport::le32;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// A stored (uncompressed) archive built byte by byte; flags and attributes as given.
struct HandEntry {
    std::string name;
    std::string data;
    std::uint16_t flags = 0;
    std::uint32_t unixMode = 0; // 0: made by MS-DOS without Unix attributes
    std::uint32_t dosTime = (41u << 25) | (1u << 21) | (1u << 16);
    std::uint16_t method = 0;
};

std::string handArchive(const std::vector<HandEntry>& entries) {
    std::string out, cd;
    for (const auto& e : entries) {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        const std::uint32_t crc = testsupport::crc32(e.data);
        const auto size = static_cast<std::uint32_t>(e.data.size());
        std::string common = le16(e.flags) + le16(e.method) + le32(e.dosTime) + le32(crc) +
                             le32(size) + le32(size) +
                             le16(static_cast<std::uint16_t>(e.name.size())) + le16(0);
        out += "PK\x03\x04" + le16(20) + common + e.name + e.data;
        const std::uint16_t madeBy = e.unixMode ? (3 << 8 | 20) : 20;
        cd += "PK\x01\x02" + le16(madeBy) + le16(20) + common + le16(0) + le16(0) + le16(0) +
              le32(e.unixMode << 16) + le32(offset) + e.name;
    }
    const auto cdOffset = static_cast<std::uint32_t>(out.size());
    const auto n = static_cast<std::uint16_t>(entries.size());
    out += cd + "PK\x05\x06" + le16(0) + le16(0) + le16(n) + le16(n) +
           le32(static_cast<std::uint32_t>(cd.size())) + le32(cdOffset) + le16(0);
    return out;
}

class UnzipperTest : public ::testing::Test {
protected:
    TempDir td;
    fs::path src = td / "src";
    fs::path out = td / "out";
    std::string archive = (td / "x.zip").string();
    std::time_t tA = localTime(2020, 2, 3, 4, 5, 6);
    std::time_t tB = localTime(2021, 3, 4, 5, 6, 8);
    std::time_t tFolders = localTime(2019, 7, 8, 9, 10, 12);

    void SetUp() override {
        writeFile(src / "dir" / "a.txt", "alpha");
        writeFile(src / "dir" / "sub" / "b.txt", textData(100000));
        writeFile(src / "top.bin", noiseData(40000));
        setMtime(src / "dir" / "a.txt", tA);
        setMtime(src / "dir" / "sub" / "b.txt", tB);
        fs::create_directories(src / "dir" / "empty");
        for (const char* folder : {"dir", "dir/sub", "dir/empty"})
            setMtime(src / folder, tFolders);
        fs::create_directories(out);
        const fs::path old = fs::current_path();
        fs::current_path(src);
        const auto n = runZip({.archive = archive, .specs = {"dir", "top.bin"}, .recurse = true});
        fs::current_path(old);
        ASSERT_EQ(n, 3);
    }
};

TEST_F(UnzipperTest, ExtractsEverythingWithFoldersAndTimes) {
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = archive}, &rec), 3) << rec.messages();
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), "alpha");
    EXPECT_EQ(readFile(out / "dir" / "sub" / "b.txt"), textData(100000));
    EXPECT_EQ(readFile(out / "top.bin"), noiseData(40000));
    EXPECT_TRUE(fs::is_directory(out / "dir" / "empty"));
    EXPECT_EQ(mtimeOf(out / "dir" / "a.txt"), tA);
    EXPECT_EQ(mtimeOf(out / "dir" / "sub" / "b.txt"), tB);
    // Folders get their entries' times once the files in them are written.
    for (const char* folder : {"dir", "dir/sub", "dir/empty"})
        EXPECT_EQ(mtimeOf(out / folder), tFolders) << folder;
    // No temporary file is left beside the extracted ones.
    for (const auto& e : fs::recursive_directory_iterator(out))
        EXPECT_EQ(e.path().filename().string().find(".qz"), std::string::npos) << e.path();
}

TEST_F(UnzipperTest, ExtractsNamedEntriesWithEitherSeparatorAndPatterns) {
    Recorder rec;
    EXPECT_EQ(
        runUnz(out, {.archive = archive, .specs = {"dir\\sub\\b.txt", "*.bin", "nope"}}, &rec), 2);
    EXPECT_TRUE(fs::exists(out / "dir" / "sub" / "b.txt"));
    EXPECT_TRUE(fs::exists(out / "top.bin"));
    EXPECT_FALSE(fs::exists(out / "dir" / "a.txt"));
    EXPECT_TRUE(rec.hasMessage(9)) << rec.messages();
}

// A name that is empty (an entry without a name, selected) extracts nothing, not everything.
TEST_F(UnzipperTest, EmptyNamesExtractNothing) {
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = archive, .specs = {""}}, &rec), 0);
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_TRUE(rec.hasMessage(9)) << rec.messages();
}

TEST_F(UnzipperTest, WithoutDirNamesFilesLandFlatAndFoldersAreNotMade) {
    EXPECT_EQ(runUnz(out, {.archive = archive, .dirNames = false}), 3);
    EXPECT_EQ(readFile(out / "a.txt"), "alpha");
    EXPECT_EQ(readFile(out / "b.txt"), textData(100000));
    EXPECT_FALSE(fs::exists(out / "dir"));
}

TEST_F(UnzipperTest, OverwriteOffKeepsExistingFilesAndReportsTheSkip) {
    writeFile(out / "dir" / "a.txt", "mine");
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = archive, .overwrite = false}, &rec), 2);
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), "mine");
    EXPECT_TRUE(rec.hasMessage(2)) << rec.messages();
    EXPECT_EQ(runUnz(out, {.archive = archive, .overwrite = true}), 3);
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), "alpha");
}

TEST_F(UnzipperTest, UpdateReplacesOlderFilesAndCreatesMissingOnes) {
    writeFile(out / "dir" / "a.txt", "older");
    setMtime(out / "dir" / "a.txt", tA - 3600);
    writeFile(out / "top.bin", "newer");
    setMtime(out / "top.bin", std::time(nullptr) + 3600);
    EXPECT_EQ(runUnz(out, {.archive = archive, .overwrite = false, .update = true}), 2);
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), "alpha");
    EXPECT_EQ(readFile(out / "top.bin"), "newer");
    EXPECT_TRUE(fs::exists(out / "dir" / "sub" / "b.txt"));
    // Right after, everything is up to date.
    EXPECT_EQ(runUnz(out, {.archive = archive, .update = true}), 0);
}

TEST_F(UnzipperTest, FreshenOnlyReplacesOlderExistingFiles) {
    writeFile(out / "dir" / "a.txt", "older");
    setMtime(out / "dir" / "a.txt", tA - 3600);
    EXPECT_EQ(runUnz(out, {.archive = archive, .freshen = true}), 1);
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(out / "top.bin"));
    EXPECT_FALSE(fs::exists(out / "dir" / "sub" / "b.txt"));
}

TEST_F(UnzipperTest, MissingOrNonZipArchiveGivesAMessageAndZero) {
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = (td / "none.zip").string()}, &rec), 0);
    EXPECT_TRUE(rec.hasMessage(6));
    writeFile(td / "junk.zip", noiseData(5000, 3));
    Recorder rec2;
    EXPECT_EQ(runUnz(out, {.archive = (td / "junk.zip").string()}, &rec2), 0);
    EXPECT_TRUE(rec2.hasMessage(6));
    Recorder rec3;
    EXPECT_EQ(runUnz(out, {.archive = ""}, &rec3), 0);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(UnzipperTest, TruncatedArchiveDoesNotCrash) {
    const std::string bytes = readFile(archive);
    for (std::size_t cut :
         {bytes.size() - 1, bytes.size() - 30, bytes.size() / 2, std::size_t{30}}) {
        writeFile(td / "cut.zip", bytes.substr(0, cut));
        TempDir o;
        Recorder rec;
        EXPECT_EQ(runUnz(o.path(), {.archive = (td / "cut.zip").string()}, &rec), 0) << cut;
        EXPECT_TRUE(rec.hasMessage(6)) << cut << rec.messages();
    }
}

TEST(UnzipperHand, CorruptStoredByteIsACrcErrorAndNoFileAppears) {
    TempDir td;
    std::string bytes = handArchive({{"good.txt", "good data"}, {"bad.txt", "bad data here"}});
    const auto at = bytes.find("bad data here");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] = 'X';
    writeFile(td / "c.zip", bytes);
    const fs::path out = td / "out";
    fs::create_directories(out);
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = (td / "c.zip").string()}, &rec), 1);
    EXPECT_TRUE(rec.hasMessage(3)) << rec.messages();
    EXPECT_EQ(readFile(out / "good.txt"), "good data");
    EXPECT_FALSE(fs::exists(out / "bad.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

TEST(UnzipperHand, UnflaggedNonUtf8NamesAreDecodedAsCp437) {
    TempDir td;
    writeFile(td / "n.zip", handArchive({{"caf\x82.txt", "x"},
                                         {"na\xC3\xAFve.txt", "y"},
                                         {"\x81"
                                          "ber.txt",
                                          "z"}}));
    const fs::path out = td / "out";
    fs::create_directories(out);
    EXPECT_EQ(runUnz(out, {.archive = (td / "n.zip").string()}), 3);
    EXPECT_EQ(readFile(out / "caf\xC3\xA9.txt"), "x");
    EXPECT_EQ(readFile(out / "na\xC3\xAFve.txt"), "y");
    EXPECT_EQ(readFile(out / "\xC3\xBC"
                             "ber.txt"),
              "z");
    // Named for extraction by its displayed (decoded) name.
    const fs::path out2 = td / "out2";
    fs::create_directories(out2);
    EXPECT_EQ(runUnz(out2, {.archive = (td / "n.zip").string(), .specs = {"caf\xC3\xA9.txt"}}), 1);
    EXPECT_TRUE(fs::exists(out2 / "caf\xC3\xA9.txt"));
}

// An extracted file or folder gets its stored permissions less the umask, never set-user,
// set-group or sticky; a file without stored permissions gets the usual mode for new files.
struct ModeCase {
    const char* title;
    mode_t umask;
    std::string name;
    std::uint32_t stored; // type and permissions; 0: none stored
    mode_t expected;
    friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.title; }
};

class ExtractedModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ExtractedModes, AreTheStoredOnesLessTheUmask) {
    const ModeCase& c = GetParam();
    TempDir td;
    writeFile(td / "m.zip", handArchive({{c.name, "", 0, c.stored}}));
    const fs::path out = td / "out";
    fs::create_directories(out);
    const mode_t old = umask(c.umask);
    runUnz(out, {.archive = (td / "m.zip").string()});
    umask(old);
    struct stat st {};
    ASSERT_EQ(stat((out / c.name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ExtractedModes,
    ::testing::Values(ModeCase{"setuid_dropped", 022, "run.sh", S_IFREG | 04755, 0755},
                      ModeCase{"read_only_kept", 022, "ro.txt", S_IFREG | 0440, 0440},
                      ModeCase{"none_stored", 022, "plain.txt", 0, 0644},
                      ModeCase{"umask_077_on_0666", 077, "open.txt", S_IFREG | 0666, 0600},
                      ModeCase{"umask_077_on_sticky", 077, "sticky.txt", S_IFREG | 01777, 0700},
                      ModeCase{"folder_sticky", 077, "d/", S_IFDIR | 01777, 0700}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(UnzipperHand, EncryptedEntryIsReportedAndSkipped) {
    TempDir td;
    // Bit 0 marks the entry as encrypted; its data would be garbage without the key.
    writeFile(td / "e.zip",
              handArchive({{"secret.txt", "012345678901xyz", 0x0001}, {"open.txt", "open"}}));
    const fs::path out = td / "out";
    fs::create_directories(out);
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = (td / "e.zip").string()}, &rec), 1);
    EXPECT_TRUE(rec.hasMessage(4)) << rec.messages();
    EXPECT_FALSE(fs::exists(out / "secret.txt"));
    EXPECT_TRUE(fs::exists(out / "open.txt"));
}

TEST(UnzipperHand, UnknownCompressionMethodIsReportedNotWritten) {
    TempDir td;
    HandEntry odd{"odd.dat", "whatever"};
    odd.method = 77;
    writeFile(td / "u.zip", handArchive({odd, {"fine.txt", "fine"}}));
    const fs::path out = td / "out";
    fs::create_directories(out);
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = (td / "u.zip").string()}, &rec), 1);
    EXPECT_TRUE(rec.hasMessage(10)) << rec.messages();
    EXPECT_FALSE(fs::exists(out / "odd.dat"));
}

// Files in many folders, taken in runs or in turn (more folders than are kept open): each
// comes out whole in its folder, and no folder stays open.
class UnzipperManyFolders : public ::testing::TestWithParam<bool> {};

TEST_P(UnzipperManyFolders, EveryFileWholeInItsFolderAndNoFolderLeftOpen) {
    TempDir td;
    std::vector<HandEntry> entries;
    for (int i = 0; i < 60; ++i)
        entries.push_back({"d" + std::to_string(GetParam() ? i % 6 : i / 10) + "/s" +
                               std::to_string(GetParam() ? i % 5 : i / 2 % 5) + "/f" +
                               std::to_string(i),
                           textData(100 + static_cast<std::size_t>(i))});
    writeFile(td / "many.zip", handArchive(entries));
    fs::create_directories(td / "out");
    const auto descriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = descriptors();
    EXPECT_EQ(runUnz(td / "out", {.archive = (td / "many.zip").string()}), 60);
    EXPECT_EQ(descriptors(), before);
    for (const HandEntry& e : entries)
        EXPECT_EQ(readFile(td / "out" / e.name), e.data) << e.name;
}

INSTANTIATE_TEST_SUITE_P(InRunsOrInTurn, UnzipperManyFolders, ::testing::Bool());

} // namespace

namespace {

// Damaged copies of an archive with folders, a link and names to refuse: every extraction
// ends normally, writes nothing beside its folder and leaves no temporary file behind.
TEST(UnzipperRobustness, DamagedArchivesNeverWriteOutsideOrLeaveTemporaryFiles) {
    TempDir td;
    const std::string sound = handArchive({{"dir/", "", 0, S_IFDIR | 0755},
                                           {"dir/a.txt", "alpha alpha"},
                                           {"link", "dir/a.txt", 0, S_IFLNK | 0777},
                                           {"../up.txt", "up"},
                                           {"dir/sub/b.txt", "beta"}});
    const fs::path zip = td / "m.zip";
    const fs::path outside = td / "box";
    const fs::path out = outside / "out";
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = sound;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
            bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        writeFile(zip, bytes);
        fs::remove_all(outside);
        fs::create_directories(out);
        Recorder rec;
        const std::int32_t n = runUnz(out, {.archive = zip.string()}, &rec);
        ASSERT_GE(n, 0) << "round " << round;
        ASSERT_LE(n, 4) << "round " << round;
        for (const auto& e : fs::directory_iterator(outside))
            ASSERT_EQ(e.path(), out) << "round " << round << " wrote " << e.path();
        for (const auto& e : fs::recursive_directory_iterator(out)) {
            ASSERT_EQ(e.path().filename().string().rfind(".qz", 0), std::string::npos)
                << "round " << round;
            if (e.is_symlink()) {
                const std::string target = fs::read_symlink(e.path()).string();
                ASSERT_TRUE(target.find("..") == std::string::npos && target[0] != '/')
                    << "round " << round << " link to " << target;
            }
        }
    }
}

} // namespace

// Adding files: naming, replacing, update and freshen, move, levels, walks, patterns, times.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class ZipperTest : public ::testing::Test {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "out.zip").string();

    // Adds with the given arguments, checking that the call reported no surprise.
    std::int32_t add(ZipArgs a, Recorder* rec = nullptr) {
        a.archive = archive;
        return runZip(a, rec);
    }
    std::vector<CdEntry> entries() const { return readCentralDirectory(archive); }
    // Extracts the archive with Info-ZIP into a fresh folder and returns that folder.
    fs::path unzipped(const std::string& into) {
        const fs::path dir = td / into;
        fs::create_directories(dir);
        int status = 0;
        capture("unzip -qq -o " + shellQuote(archive) + " -d " + shellQuote(dir.string()) + " 2>&1",
                &status);
        EXPECT_EQ(status, 0);
        return dir;
    }
};

TEST_F(ZipperTest, CreatesArchiveStoringAbsolutePathsWithoutRoot) {
    writeFile(src / "a" / "b" / "c.txt", "hello");
    const std::string path = (src / "a" / "b" / "c.txt").string();
    EXPECT_EQ(add({.specs = {path}}), 1);
    const auto e = entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].name, path.substr(1)); // the leading "/" is gone, "/" separators kept
    EXPECT_EQ(e[0].size, 5u);
    EXPECT_EQ(readFile(unzipped("x") / path.substr(1)), "hello");
}

TEST_F(ZipperTest, NoDirNamesStoresBareNames) {
    writeFile(src / "deep" / "c.txt", "x");
    EXPECT_EQ(add({.specs = {(src / "deep" / "c.txt").string()}, .noDirNames = true}), 1);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"c.txt"}));
}

TEST_F(ZipperTest, RelativeNamesStayRelativeToTheCurrentFolder) {
    writeFile(src / "rel" / "f.txt", "r");
    const fs::path old = fs::current_path();
    fs::current_path(src);
    const auto n = add({.specs = {"rel/f.txt", "./rel/../rel/f.txt"}});
    fs::current_path(old);
    EXPECT_EQ(n, 1); // both name the same entry
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"rel/f.txt"}));
}

// A file whose name cannot be stored as itself is left out with a message naming it; it is
// never stored under another name.
struct UnstorableCase {
    const char* title;
    std::vector<std::string> files; // made below src, and named relative to it
    std::vector<std::string> specs;
    bool recurse, noDirNames;
    std::vector<std::string> stored;
    const char* refused; // the path the message names; null when nothing is refused
    friend void PrintTo(const UnstorableCase& c, std::ostream* os) { *os << c.title; }
};

class UnstorableNames : public ZipperTest, public ::testing::WithParamInterface<UnstorableCase> {};

TEST_P(UnstorableNames, AreLeftOutNotRenamed) {
    const UnstorableCase& c = GetParam();
    for (const auto& f : c.files)
        writeFile(src / f, f);
    Recorder rec;
    const fs::path old = fs::current_path();
    fs::current_path(src);
    add({.specs = c.specs, .recurse = c.recurse, .noDirNames = c.noDirNames}, &rec);
    fs::current_path(old);
    auto names = entryNames(entries());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.stored) << rec.messages();
    const auto refusals = rec.messages();
    EXPECT_EQ(rec.hasMessage(5), c.refused != nullptr) << refusals;
    EXPECT_TRUE(!c.refused || refusals.find(c.refused) != std::string::npos) << refusals;
}

INSTANTIATE_TEST_SUITE_P(
    Adding, UnstorableNames,
    ::testing::Values(
        UnstorableCase{"backslash",
                       {"a\\b.txt", "b.txt"},
                       {"a\\b.txt", "b.txt"},
                       false,
                       false,
                       {"b.txt"},
                       "a\\b.txt"},
        UnstorableCase{"drive_prefix",
                       {"C:notes.txt", "x.txt"},
                       {"C:notes.txt", "x.txt"},
                       false,
                       false,
                       {"x.txt"},
                       "C:notes.txt"},
        UnstorableCase{
            "drive_prefix_bare", {"d/C:n.txt"}, {"d/C:n.txt"}, false, true, {}, "C:n.txt"},
        UnstorableCase{"backslash_folder",
                       {"x\\y/f.txt", "z/g.txt"},
                       {"x\\y", "z"},
                       true,
                       false,
                       {"z/", "z/g.txt"},
                       "x\\y"},
        UnstorableCase{
            "backslash_folder_unstored", {"x\\y/f.txt"}, {"x\\y"}, true, true, {"f.txt"}, nullptr},
        UnstorableCase{
            "colon_inside", {"d/C:n.txt"}, {"d/C:n.txt"}, false, false, {"d/C:n.txt"}, nullptr}),
    [](const auto& info) { return std::string(info.param.title); });

TEST_F(ZipperTest, SameNameReplacesTheEntryAndKeepsOthers) {
    writeFile(src / "a.txt", "first");
    writeFile(src / "b.txt", "other");
    ASSERT_EQ(
        add({.specs = {(src / "a.txt").string(), (src / "b.txt").string()}, .noDirNames = true}),
        2);
    writeFile(src / "a.txt", "second version");
    EXPECT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    const auto e = entries();
    ASSERT_EQ(e.size(), 2u);
    const fs::path out = unzipped("x");
    EXPECT_EQ(readFile(out / "a.txt"), "second version");
    EXPECT_EQ(readFile(out / "b.txt"), "other");
}

TEST_F(ZipperTest, UpdateAddsNewAndReplacesOnlyOlderEntries) {
    const std::time_t t1 = localTime(2020, 1, 1, 10, 0, 0);
    const std::time_t t2 = localTime(2021, 1, 1, 10, 0, 0);
    writeFile(src / "old.txt", "v1");
    writeFile(src / "same.txt", "v1");
    setMtime(src / "old.txt", t1);
    setMtime(src / "same.txt", t1);
    ASSERT_EQ(add({.specs = {(src / "old.txt").string(), (src / "same.txt").string()},
                   .noDirNames = true}),
              2);
    writeFile(src / "old.txt", "v2");
    setMtime(src / "old.txt", t2);
    writeFile(src / "same.txt", "v2 same time");
    setMtime(src / "same.txt", t1);
    writeFile(src / "new.txt", "new");
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "old.txt").string(), (src / "same.txt").string(),
                             (src / "new.txt").string()},
                   .noDirNames = true,
                   .update = true},
                  &rec),
              2);
    EXPECT_TRUE(rec.hasMessage(2)) << rec.messages();
    const fs::path out = unzipped("x");
    EXPECT_EQ(readFile(out / "old.txt"), "v2");
    EXPECT_EQ(readFile(out / "same.txt"), "v1");
    EXPECT_EQ(readFile(out / "new.txt"), "new");
}

TEST_F(ZipperTest, FreshenReplacesOlderEntriesAndAddsNothingNew) {
    writeFile(src / "a.txt", "v1");
    setMtime(src / "a.txt", localTime(2020, 1, 1, 10, 0, 0));
    ASSERT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    writeFile(src / "a.txt", "v2");
    setMtime(src / "a.txt", localTime(2020, 1, 1, 10, 0, 4));
    writeFile(src / "b.txt", "new");
    EXPECT_EQ(add({.specs = {(src / "a.txt").string(), (src / "b.txt").string()},
                   .noDirNames = true,
                   .freshen = true}),
              1);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(readFile(unzipped("x") / "a.txt"), "v2");
    // Nothing newer: the archive is left alone and the result is 0.
    const std::string before = readFile(archive);
    EXPECT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true, .freshen = true}), 0);
    EXPECT_EQ(readFile(archive), before);
}

TEST_F(ZipperTest, MoveDeletesSourcesOnlyAfterTheArchiveIsWritten) {
    writeFile(src / "tree" / "a.txt", "a");
    writeFile(src / "tree" / "sub" / "b.txt", "b");
    EXPECT_EQ(add({.specs = {(src / "tree").string()}, .recurse = true, .move = true}), 2);
    EXPECT_FALSE(fs::exists(src / "tree" / "a.txt"));
    EXPECT_FALSE(fs::exists(src / "tree")); // emptied folders go too
    const fs::path out = unzipped("x");
    const std::string base = (src / "tree").string().substr(1);
    EXPECT_EQ(readFile(out / base / "a.txt"), "a");
    EXPECT_EQ(readFile(out / base / "sub" / "b.txt"), "b");
}

TEST_F(ZipperTest, MoveKeepsSourcesWhenTheArchiveCannotBeWritten) {
    writeFile(src / "keep.txt", "precious");
    writeFile(td / "notzip.zip", "this is not an archive");
    Recorder rec;
    EXPECT_EQ(runZip({.archive = (td / "notzip.zip").string(),
                      .specs = {(src / "keep.txt").string()},
                      .move = true},
                     &rec),
              0);
    EXPECT_TRUE(rec.hasMessage(6)) << rec.messages();
    EXPECT_EQ(readFile(src / "keep.txt"), "precious");
    EXPECT_EQ(readFile(td / "notzip.zip"), "this is not an archive");
}

// A read-only archive is not replaced by a rewritten copy, neither by an add nor by a delete
// nor by a move (whose sources stay).
TEST_F(ZipperTest, ReadOnlyArchiveIsLeftAsItIs) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", "b");
    ASSERT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    chmod(archive.c_str(), 0444);
    const std::string before = readFile(archive);
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "b.txt").string()}, .noDirNames = true, .move = true}, &rec),
              0);
    EXPECT_EQ(add({.specs = {"a.txt"}, .del = true}, &rec), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_EQ(readFile(src / "b.txt"), "b");
    ASSERT_EQ(rec.withAction(4).size(), 2u) << rec.messages();
    EXPECT_EQ(rec.withAction(4)[0].code, 7);
    chmod(archive.c_str(), 0644);
    EXPECT_EQ(add({.specs = {"a.txt"}, .del = true}), 1);
}

class LevelTest : public ZipperTest, public ::testing::WithParamInterface<int> {};

TEST_P(LevelTest, LevelZeroStoresOthersDeflate) {
    const int level = GetParam(); // out of range: below 0 stores, above 9 is 9
    writeFile(src / "t.txt", textData(200000));
    ASSERT_EQ(add({.specs = {(src / "t.txt").string()}, .level = level, .noDirNames = true}), 1);
    const auto e = entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].method, level <= 0 ? 0 : 8);
    if (level <= 0)
        EXPECT_EQ(e[0].compressedSize, 200000u);
    else
        EXPECT_LT(e[0].compressedSize, 100000u);
    EXPECT_EQ(readFile(unzipped("x") / "t.txt"), textData(200000));
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelTest, ::testing::Values(0, 1, 6, 9, 12, -3));

TEST_F(ZipperTest, HigherLevelIsNotLargerThanLowest) {
    writeFile(src / "t.txt", textData(300000, 7));
    ASSERT_EQ(
        runZip(
            {.archive = (td / "l1.zip").string(), .specs = {(src / "t.txt").string()}, .level = 1}),
        1);
    ASSERT_EQ(
        runZip(
            {.archive = (td / "l9.zip").string(), .specs = {(src / "t.txt").string()}, .level = 9}),
        1);
    EXPECT_LE(readCentralDirectory(td / "l9.zip")[0].compressedSize,
              readCentralDirectory(td / "l1.zip")[0].compressedSize);
}

TEST_F(ZipperTest, FolderWithoutRecurseAddsNothingAndSaysSo) {
    writeFile(src / "dir" / "inner.txt", "x");
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "dir").string()}}, &rec), 0);
    EXPECT_TRUE(rec.hasMessage(2)) << rec.messages();
    EXPECT_FALSE(fs::exists(archive));
}

TEST_F(ZipperTest, RecurseWalksFoldersWithFolderEntriesAndSkipsHidden) {
    writeFile(src / "dir" / "a.txt", "a");
    writeFile(src / "dir" / "sub" / "b.txt", "b");
    writeFile(src / "dir" / ".hidden", "h");
    writeFile(src / "dir" / ".hiddendir" / "c.txt", "c");
    fs::create_directories(src / "dir" / "empty");
    const fs::path old = fs::current_path();
    fs::current_path(src);
    const auto n = add({.specs = {"dir"}, .recurse = true});
    fs::current_path(old);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"dir/", "dir/a.txt", "dir/empty/",
                                                               "dir/sub/", "dir/sub/b.txt"}));
}

TEST_F(ZipperTest, HiddenFlagIncludesHiddenFilesInWalksAndPatterns) {
    writeFile(src / "dir" / ".hidden", "h");
    writeFile(src / "dir" / "shown", "s");
    const fs::path old = fs::current_path();
    fs::current_path(src);
    const auto n = add({.specs = {"dir", "dir/*"}, .recurse = true, .hidden = true});
    fs::current_path(old);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(entryNames(entries()),
              (std::vector<std::string>{"dir/", "dir/.hidden", "dir/shown"}));
}

TEST_F(ZipperTest, ExplicitlyNamedHiddenFileIsAdded) {
    writeFile(src / ".profile", "p");
    EXPECT_EQ(add({.specs = {(src / ".profile").string()}, .noDirNames = true}), 1);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{".profile"}));
}

TEST_F(ZipperTest, PatternsInTheLastPartExpand) {
    writeFile(src / "p" / "a1.txt", "1");
    writeFile(src / "p" / "a2.txt", "2");
    writeFile(src / "p" / "b1.txt", "3");
    writeFile(src / "p" / "a1.log", "4");
    writeFile(src / "p" / ".a3.txt", "hidden");
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "p" / "a?.txt").string(), (src / "p" / "*.log").string(),
                             (src / "p" / "z*").string()},
                   .noDirNames = true},
                  &rec),
              3);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"a1.log", "a1.txt", "a2.txt"}));
    EXPECT_TRUE(rec.hasMessage(9)) << rec.messages(); // "z*" matched nothing
}

TEST_F(ZipperTest, MissingFileIsReportedAndTheRestAdded) {
    writeFile(src / "here.txt", "h");
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "gone.txt").string(), (src / "here.txt").string()},
                   .noDirNames = true},
                  &rec),
              1);
    EXPECT_TRUE(rec.hasMessage(1)) << rec.messages();
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"here.txt"}));
}

TEST_F(ZipperTest, EntryTimesAndModesComeFromTheFiles) {
    writeFile(src / "t.sh", "#!/bin/sh\n");
    chmod((src / "t.sh").c_str(), 0754);
    const std::time_t t = localTime(2019, 7, 8, 9, 10, 12);
    setMtime(src / "t.sh", t);
    ASSERT_EQ(add({.specs = {(src / "t.sh").string()}, .noDirNames = true}), 1);
    const auto e = entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].dosTime, dosTimeOf(t));
    EXPECT_EQ(e[0].madeBy >> 8, 3); // Unix
    EXPECT_EQ((e[0].externalAttr >> 16) & 07777, 0754u);
}

TEST_F(ZipperTest, ZipTimeSetsTheArchiveTimeToTheNewestEntry) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", "b");
    setMtime(src / "a.txt", localTime(2018, 5, 5, 5, 5, 4));
    const std::time_t newest = localTime(2019, 6, 6, 6, 6, 6);
    setMtime(src / "b.txt", newest);
    ASSERT_EQ(add({.specs = {(src / "a.txt").string(), (src / "b.txt").string()},
                   .noDirNames = true,
                   .zipTime = true}),
              2);
    EXPECT_EQ(mtimeOf(archive), newest);
}

TEST_F(ZipperTest, NonAsciiNamesGetTheUtf8FlagAsciiNamesDoNot) {
    const std::string name = "gr\xC3\xBC\xC3\x9F"
                             "e.txt"; // "grüße.txt"
    writeFile(src / name, "hi");
    writeFile(src / "plain.txt", "p");
    ASSERT_EQ(
        add({.specs = {(src / name).string(), (src / "plain.txt").string()}, .noDirNames = true}),
        2);
    const auto e = entries();
    ASSERT_NE(findEntry(e, name), nullptr);
    EXPECT_TRUE(findEntry(e, name)->flags & 0x0800);
    EXPECT_FALSE(findEntry(e, "plain.txt")->flags & 0x0800);
    // The local header carries the same flag, and sizes (no data descriptor), so a reader
    // walking local headers sees them.
    const std::string bytes = readFile(archive);
    const auto* u = findEntry(e, name);
    const auto at = static_cast<std::size_t>(u->localOffset);
    EXPECT_EQ(bytes.substr(at, 4), "PK\x03\x04");
    EXPECT_TRUE(static_cast<unsigned char>(bytes[at + 7]) & 0x08);
    EXPECT_FALSE(static_cast<unsigned char>(bytes[at + 6]) & 0x08);
    EXPECT_EQ(testsupport::le32(static_cast<std::uint32_t>(u->compressedSize)),
              bytes.substr(at + 18, 4));
}

TEST_F(ZipperTest, TheArchiveNeverAddsItself) {
    writeFile(src / "a.txt", "a");
    const std::string inside = (src / "self.zip").string();
    ASSERT_EQ(runZip({.archive = inside, .specs = {(src / "a.txt").string()}, .noDirNames = true}),
              1);
    EXPECT_EQ(
        runZip({.archive = inside, .specs = {src.string()}, .recurse = true, .noDirNames = true}),
        1);
    EXPECT_EQ(entryNames(readCentralDirectory(inside)), (std::vector<std::string>{"a.txt"}));
}

TEST_F(ZipperTest, ArchivesPassInfoZipAndPythonTests) {
    writeFile(src / "t.txt", textData(70000));
    writeFile(src / "n.bin", noiseData(50000));
    writeFile(src / "e.txt", "");
    ASSERT_EQ(add({.specs = {src.string()}, .recurse = true}), 3);
    int status = 0;
    capture("unzip -tqq " + shellQuote(archive) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    const std::string py = capture("python3 -c \"import zipfile,sys; "
                                   "print(zipfile.ZipFile(sys.argv[1]).testzip())\" " +
                                   shellQuote(archive));
    EXPECT_EQ(py, "None\n");
}

TEST_F(ZipperTest, EmptyFileIsTakenAsANewArchive) {
    writeFile(archive, "");
    writeFile(src / "a.txt", "a");
    EXPECT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"a.txt"}));
}

TEST_F(ZipperTest, ArchiveNamedThroughALinkIsUpdatedWhereItLies) {
    writeFile(src / "a.txt", "a");
    writeFile(src / "b.txt", "b");
    ASSERT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    const fs::path link = td / "link.zip";
    fs::create_symlink(archive, link);
    EXPECT_EQ(
        runZip({.archive = link.string(), .specs = {(src / "b.txt").string()}, .noDirNames = true}),
        1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(entryNames(entries()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(ZipperTest, LocalHeadersCarrySizesSoAHeaderWalkFindsEveryEntry) {
    writeFile(src / "t.txt", textData(100000));
    writeFile(src / "n.bin", noiseData(70000));
    writeFile(src / "sub" / "e.txt", "");
    ASSERT_EQ(add({.specs = {src.string()}, .recurse = true}), 3);
    ASSERT_EQ(add({.specs = {(src / "t.txt").string()}, .level = 0}), 1); // a replaced entry
    EXPECT_EQ(walkLocalHeaders(archive), entryNames(entries()));
    EXPECT_EQ(entries().size(), 5u);
}

TEST_F(ZipperTest, RewriteKeepsTheArchiveFileMode) {
    writeFile(src / "a.txt", "a");
    ASSERT_EQ(add({.specs = {(src / "a.txt").string()}, .noDirNames = true}), 1);
    chmod(archive.c_str(), 0640);
    writeFile(src / "b.txt", "b");
    ASSERT_EQ(add({.specs = {(src / "b.txt").string()}, .noDirNames = true}), 1);
    struct stat st {};
    ASSERT_EQ(stat(archive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ZipperTest, FileNameThatIsNotUtf8IsStoredAsItsBytesUnflagged) {
    const std::string latin1 = "caf\xE9.txt";
    writeFile(src / latin1, "latin");
    ASSERT_EQ(add({.specs = {(src / latin1).string()}, .noDirNames = true}), 1);
    const auto e = entries();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].name, latin1);
    EXPECT_FALSE(e[0].flags & 0x0800);
    // Adding it again replaces the entry rather than adding a second one.
    ASSERT_EQ(add({.specs = {(src / latin1).string()}, .noDirNames = true}), 1);
    EXPECT_EQ(entries().size(), 1u);
}

TEST_F(ZipperTest, TwoFilesForOneNameKeepTheLastAndSaySo) {
    writeFile(src / "one" / "same.txt", "first");
    writeFile(src / "two" / "same.txt", "second");
    Recorder rec;
    EXPECT_EQ(
        add({.specs = {(src / "one" / "same.txt").string(), (src / "two" / "same.txt").string()},
             .noDirNames = true},
            &rec),
        1);
    EXPECT_TRUE(rec.hasMessage(2)) << rec.messages();
    EXPECT_EQ(readFile(unzipped("x") / "same.txt"), "second");
}

TEST_F(ZipperTest, PipesAreSkippedWithoutBlocking) {
    writeFile(src / "a.txt", "a");
    ASSERT_EQ(mkfifo((src / "pipe").c_str(), 0600), 0);
    Recorder rec;
    EXPECT_EQ(add({.specs = {(src / "pipe").string(), src.string()}, .recurse = true}, &rec), 1);
    EXPECT_TRUE(rec.hasMessage(1)) << rec.messages();
    EXPECT_EQ(findEntry(entries(), (src / "pipe").string().substr(1)), nullptr);
}

TEST_F(ZipperTest, VersionEntryPointsAnswer) {
    EXPECT_GT(zipperVersion()(), 0);
    EXPECT_GT(unzipperVersion()(), 0);
}

} // namespace

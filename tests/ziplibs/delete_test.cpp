// Deleting entries: both separators, patterns, folder entries, deleting everything.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class DeleteTest : public ::testing::Test {
protected:
    TempDir td;
    std::string archive = (td / "d.zip").string();

    void SetUp() override {
        // dir/a.txt dir/b.txt dir/sub/c.log top.txt, made by Python so that the library
        // deletes from an archive it did not write.
        const std::string script = "import zipfile,sys\n"
                                   "z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n"
                                   "z.writestr('dir/', '')\n"
                                   "for n in ['dir/a.txt','dir/b.txt','dir/sub/c.log','top.txt']:\n"
                                   "    z.writestr(n, n*100)\n"
                                   "z.close()\n";
        writeFile(td / "make.py", script);
        int status = 0;
        capture("python3 " + shellQuote((td / "make.py").string()) + " " + shellQuote(archive),
                &status);
        ASSERT_EQ(status, 0);
    }
    std::int32_t del(std::vector<std::string> specs, Recorder* rec = nullptr) {
        return runZip({.archive = archive, .specs = std::move(specs), .del = true}, rec);
    }
};

struct DeleteCase {
    std::vector<std::string> specs;
    std::int32_t deleted;
    std::vector<std::string> left;
};

void PrintTo(const DeleteCase& c, std::ostream* os) {
    for (const auto& s : c.specs)
        *os << s << " ";
}

class DeleteCaseTest : public DeleteTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteCaseTest, DeletesWhatTheSpecsName) {
    const auto& c = GetParam();
    Recorder rec;
    EXPECT_EQ(del(c.specs, &rec), c.deleted) << rec.messages();
    EXPECT_EQ(entryNames(readCentralDirectory(archive)), c.left);
    // One action 1 per deleted entry.
    EXPECT_EQ(rec.withAction(ActionNewFile).size(), static_cast<std::size_t>(c.deleted));
}

INSTANTIATE_TEST_SUITE_P(
    Specs, DeleteCaseTest,
    ::testing::Values(
        DeleteCase{{"dir/a.txt"}, 1, {"dir/", "dir/b.txt", "dir/sub/c.log", "top.txt"}},
        DeleteCase{{"dir\\a.txt"}, 1, {"dir/", "dir/b.txt", "dir/sub/c.log", "top.txt"}},
        DeleteCase{{"dir\\sub\\c.log", "top.txt"}, 2, {"dir/", "dir/a.txt", "dir/b.txt"}},
        DeleteCase{{"dir\\*.txt"}, 2, {"dir/", "dir/sub/c.log", "top.txt"}},
        DeleteCase{{"*.lo?"}, 1, {"dir/", "dir/a.txt", "dir/b.txt", "top.txt"}},
        DeleteCase{{"dir\\"}, 1, {"dir/a.txt", "dir/b.txt", "dir/sub/c.log", "top.txt"}}));

TEST_F(DeleteTest, NothingMatchingLeavesTheArchiveByteForByte) {
    const std::string before = readFile(archive);
    Recorder rec;
    EXPECT_EQ(del({"nothere.txt", "DIR/A.TXT"}, &rec), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_TRUE(rec.hasMessage(9)) << rec.messages();
}

TEST_F(DeleteTest, DeletingEveryEntryLeavesAValidEmptyArchive) {
    EXPECT_EQ(del({"*"}), 5);
    ASSERT_TRUE(fs::exists(archive));
    EXPECT_TRUE(readCentralDirectory(archive).empty());
    const std::string py = capture("python3 -c \"import zipfile,sys; "
                                   "print(len(zipfile.ZipFile(sys.argv[1]).namelist()))\" " +
                                   shellQuote(archive));
    EXPECT_EQ(py, "0\n");
    // And files can be added to it again.
    writeFile(td / "again.txt", "again");
    EXPECT_EQ(
        runZip({.archive = archive, .specs = {(td / "again.txt").string()}, .noDirNames = true}),
        1);
    EXPECT_EQ(entryNames(readCentralDirectory(archive)), (std::vector<std::string>{"again.txt"}));
}

TEST_F(DeleteTest, RemainingEntriesStayIntact) {
    ASSERT_EQ(del({"dir/b.txt"}), 1);
    int status = 0;
    capture("unzip -tqq " + shellQuote(archive) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    const fs::path out = td / "out";
    fs::create_directories(out);
    EXPECT_EQ(runUnz(out, {.archive = archive}), 3);
    std::string expected;
    for (int i = 0; i < 100; ++i)
        expected += "dir/a.txt";
    EXPECT_EQ(readFile(out / "dir" / "a.txt"), expected);
}

TEST_F(DeleteTest, MissingOrDamagedArchiveIsReportedNotCreated) {
    Recorder rec;
    EXPECT_EQ(runZip({.archive = (td / "none.zip").string(), .specs = {"a"}, .del = true}, &rec),
              0);
    EXPECT_FALSE(fs::exists(td / "none.zip"));
    EXPECT_TRUE(rec.hasMessage(6));
    writeFile(td / "bad.zip", "PK\x03\x04 not really");
    Recorder rec2;
    EXPECT_EQ(runZip({.archive = (td / "bad.zip").string(), .specs = {"a"}, .del = true}, &rec2),
              0);
    EXPECT_EQ(readFile(td / "bad.zip"), "PK\x03\x04 not really");
    EXPECT_TRUE(rec2.hasMessage(6)) << rec2.messages();
}

} // namespace

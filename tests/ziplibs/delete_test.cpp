// Deleting entries: both separators, patterns, folder entries, deleting everything, archives
// of other tools' shapes, a cancel while the kept entries are copied.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <tuple>

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

// Archives of four entries from other tools: streamed (data descriptors), Info-ZIP's forced
// ZIP64 (ZIP64 end records), local header offsets in ZIP64 fields, and one whose first bytes
// belong to no listed entry (so that the kept entries cannot be copied as they stand and the
// delete takes the general rewrite). Python's carry a comment.
const char* shapeWriter = R"(
import sys, zipfile
shape, target, names = sys.argv[1], sys.argv[2], sys.argv[3:]
class Stream:  # no seek or tell: each entry gets a data descriptor
    def __init__(self, f): self.write, self.flush = f.write, f.flush
if shape == 'offsets':
    zipfile.ZIP64_LIMIT = 1
with open(target, 'wb') as f, zipfile.ZipFile(Stream(f) if shape == 'descriptors' else f, 'w', zipfile.ZIP_DEFLATED) as z:
    if shape == 'unlisted':
        z.writestr('unlisted', 'no entry lists these bytes')
    for n in names:
        z.write(n)
    if shape == 'unlisted':
        z.filelist.pop(0)
    z.comment = b'kept comment'
if shape == 'offsets':
    d = bytearray(open(target, 'rb').read()); e = d.rfind(b'PK\x05\x06')
    d[e + 16:e + 20] = b'\xff' * 4; open(target, 'wb').write(d)
)";

using ShapeCase = std::tuple<std::string, std::vector<std::string>>;
class ShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapeTest, KeptEntriesStayWhole) {
    const auto& [shape, gone] = GetParam();
    TempDir td;
    const std::vector<std::pair<std::string, std::string>> files = {{"a.txt", textData(70000)},
                                                                    {"b.bin", noiseData(50000)},
                                                                    {"c/d.txt", textData(3000, 2)},
                                                                    {"e.txt", textData(40000, 3)}};
    std::string names;
    std::vector<std::pair<std::string, std::string>> kept;
    std::vector<std::string> keptNames;
    for (const auto& f : files) {
        writeFile(td / "src" / f.first, f.second);
        names += " " + f.first;
        if (std::find(gone.begin(), gone.end(), f.first) == gone.end()) {
            kept.push_back(f);
            keptNames.push_back(f.first);
        }
    }
    const std::string archive = (td / "s.zip").string();
    writeFile(td / "write.py", shapeWriter);
    int status = 0;
    capture("cd " + shellQuote((td / "src").string()) + " && " +
                (shape == "infozip" ? "zip -q -fz " : "python3 ../write.py " + shape + " ") +
                shellQuote(archive) + names,
            &status);
    ASSERT_EQ(status, 0);
    const std::string before = readFile(archive);
    Recorder rec;
    ASSERT_EQ(runZip({.archive = archive, .specs = gone, .del = true}, &rec),
              static_cast<std::int32_t>(gone.size()))
        << rec.messages();
    capture("unzip -tqq " + shellQuote(archive) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(entryNames(readCentralDirectory(archive)), keptNames);
    fs::create_directories(td / "out");
    EXPECT_EQ(runUnz(td / "out", {.archive = archive}), static_cast<std::int32_t>(kept.size()));
    EXPECT_EQ(treeContents(td / "out"), kept);
    // The comment and the ZIP64 end records stay as they were.
    const std::string after = readFile(archive);
    EXPECT_EQ(after.ends_with("kept comment"), before.ends_with("kept comment"));
    EXPECT_EQ(after.find("PK\x06\x06") == after.npos, before.find("PK\x06\x06") == before.npos);
}

INSTANTIATE_TEST_SUITE_P(
    OtherTools, ShapeTest,
    ::testing::Combine(::testing::Values("descriptors", "infozip", "offsets", "unlisted"),
                       ::testing::Values(std::vector<std::string>{"a.txt"},
                                         std::vector<std::string>{"b.bin"},
                                         std::vector<std::string>{"e.txt"},
                                         std::vector<std::string>{"a.txt", "c/d.txt", "e.txt"})),
    [](const auto& info) { return std::get<0>(info.param) + std::to_string(info.index % 4); });

// Large enough that the copy's disk write has started on its own thread when Cancel comes.
TEST(DeleteCancel, StopWhileCopyingLeavesTheArchiveByteForByteThenTheDeleteCompletes) {
    TempDir td;
    const std::string archive = (td / "c.zip").string();
    const std::string kept = noiseData(40u << 20, 2);
    writeFile(td / "src" / "gone.bin", noiseData(100000));
    writeFile(td / "src" / "kept.bin", kept);
    ASSERT_EQ(
        runZip({.archive = archive,
                .specs = {(td / "src" / "gone.bin").string(), (td / "src" / "kept.bin").string()},
                .level = 0,
                .noDirNames = true}),
        2);
    const std::string before = readFile(archive);
    Recorder rec;
    int reports = 0; // of 32 KiB each: Cancel comes after 20 MiB are copied
    rec.answer = [&](const Event& e) {
        return e.action == ActionProgress && ++reports > 640 ? CallbackStop : 0;
    };
    EXPECT_EQ(runZip({.archive = archive, .specs = {"gone.bin"}, .del = true}, &rec), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_TRUE(rec.hasMessage(8)) << rec.messages();
    EXPECT_EQ(std::distance(fs::directory_iterator(td.path()), fs::directory_iterator()), 2);

    ASSERT_EQ(runZip({.archive = archive, .specs = {"gone.bin"}, .del = true}), 1);
    fs::create_directories(td / "out");
    EXPECT_EQ(runUnz(td / "out", {.archive = archive}), 1);
    EXPECT_TRUE(readFile(td / "out" / "kept.bin") == kept);
}

} // namespace

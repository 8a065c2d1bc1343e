// What the libraries write is read by other tools byte for byte, and what other tools write
// (stored, deflated, streamed with data descriptors, ZIP64, UTF-8 names, folders) is
// extracted byte for byte.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// A tree with compressible and random data, an empty file, non-ASCII names and folders.
void makeTree(const fs::path& root) {
    writeFile(root / "readme.txt", textData(1'000'000, 11));
    writeFile(root / "noise.bin", noiseData(300'000, 12));
    writeFile(root / "empty.dat", "");
    writeFile(root / "sub" / "deeper" / "note.txt", "a short note\n");
    writeFile(root / "sub" /
                  "gr\xC3\xBC\xC3\x9F"
                  "e.txt",
              "umlauts");
    writeFile(root / "\xE6\x97\xA5\xE6\x9C\xAC"
                     "/\xE6\x96\x87.txt",
              textData(40'000, 13));
    fs::create_directories(root / "sub" / "emptydir");
}

std::string run(const std::string& command) {
    int status = 0;
    const std::string out = capture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command << "\n" << out;
    return out;
}

// ---- written by the libraries, read by the others --------------------------------------

class OursReadByOthers : public ::testing::TestWithParam<int> {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "ours.zip").string();

    void SetUp() override {
        makeTree(src);
        const fs::path old = fs::current_path();
        fs::current_path(src);
        const auto n =
            runZip({.archive = archive, .specs = {"."}, .level = GetParam(), .recurse = true});
        fs::current_path(old);
        ASSERT_EQ(n, 6);
    }
};

TEST_P(OursReadByOthers, PassesUnzipTest) {
    run("unzip -tqq " + shellQuote(archive));
}

TEST_P(OursReadByOthers, PassesPythonTestzip) {
    const std::string out = run("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                                "print(z.testzip(), len(z.namelist()))\" " +
                                shellQuote(archive));
    EXPECT_EQ(out, "None 10\n"); // 6 files and 4 folders
}

TEST_P(OursReadByOthers, UnzipExtractsTheSameBytesAndFolders) {
    const fs::path out = td / "out";
    fs::create_directories(out);
    run("unzip -qq " + shellQuote(archive) + " -d " + shellQuote(out.string()));
    EXPECT_EQ(treeContents(out), treeContents(src));
    EXPECT_TRUE(fs::is_directory(out / "sub" / "emptydir"));
}

TEST_P(OursReadByOthers, PythonSeesUtf8NamesAndTheRightSizes) {
    const std::string out =
        run("python3 -c \"import zipfile,sys\nfor i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
            "    print(i.filename.encode('utf-8').hex(), i.file_size, i.flag_bits & 0x800)\" " +
            shellQuote(archive));
    const auto hex = [](const std::string& s) {
        std::string h;
        for (unsigned char c : s) {
            const char* digits = "0123456789abcdef";
            h += digits[c >> 4];
            h += digits[c & 15];
        }
        return h;
    };
    const std::string name = "sub/gr\xC3\xBC\xC3\x9F"
                             "e.txt";
    EXPECT_NE(out.find(hex(name) + " 7 2048\n"), std::string::npos) << out;
    EXPECT_NE(out.find(hex("readme.txt") + " 1000000 0\n"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Levels, OursReadByOthers, ::testing::Values(0, 1, 6, 9));

// ---- written by the others, extracted by the library -----------------------------------

struct Foreign {
    const char* label;
    std::string command; // {src} and {zip} are replaced; run from inside {src}
    bool folders;        // whether the tool stores folder entries
};

void PrintTo(const Foreign& f, std::ostream* os) {
    *os << f.label;
}

// Python writers: stored, deflated, streamed to a pipe (data descriptors), forced ZIP64.
const char* pythonWriter = R"(
import os, sys, zipfile
mode, target = sys.argv[1], sys.argv[2]
method = zipfile.ZIP_STORED if mode == 'stored' else zipfile.ZIP_DEFLATED
out = sys.stdout.buffer if mode == 'stream' else target
with zipfile.ZipFile(out, 'w', method) as z:
    for dirpath, dirs, files in sorted(os.walk('.')):
        dirs.sort()
        rel = os.path.relpath(dirpath, '.')
        if rel != '.':
            z.mkdir(rel)
        for f in sorted(files):
            path = os.path.normpath(os.path.join(rel, f))
            if mode in ('stream', 'zip64'):
                with open(path, 'rb') as src, z.open(path, 'w', force_zip64=(mode == 'zip64')) as dst:
                    dst.write(src.read())
            else:
                z.write(path)
)";

class OthersReadByOurs : public ::testing::TestWithParam<Foreign> {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "theirs.zip").string();
};

TEST_P(OthersReadByOurs, ExtractsByteExact) {
    makeTree(src);
    writeFile(td / "writer.py", pythonWriter);
    std::string cmd = GetParam().command;
    const auto replace = [&](const std::string& key, const std::string& value) {
        for (auto at = cmd.find(key); at != std::string::npos; at = cmd.find(key))
            cmd.replace(at, key.size(), value);
    };
    replace("{zip}", shellQuote(archive));
    replace("{py}", shellQuote((td / "writer.py").string()));
    run("cd " + shellQuote(src.string()) + " && " + cmd);

    const fs::path out = td / "out";
    fs::create_directories(out);
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = archive}, &rec), 6) << rec.messages();
    EXPECT_EQ(treeContents(out), treeContents(src));
    if (GetParam().folders) {
        EXPECT_TRUE(fs::is_directory(out / "sub" / "emptydir"));
    }
    EXPECT_FALSE(rec.hasMessage(3)) << rec.messages();
}

INSTANTIATE_TEST_SUITE_P(
    Writers, OthersReadByOurs,
    ::testing::Values(Foreign{"InfoZipDefault", "zip -r -q {zip} .", true},
                      Foreign{"InfoZipStored", "zip -r -q -0 {zip} .", true},
                      Foreign{"InfoZipBest", "zip -r -q -9 {zip} .", true},
                      Foreign{"InfoZipNoFolders", "zip -r -q -D {zip} .", false},
                      Foreign{"PythonStored", "python3 {py} stored {zip}", true},
                      Foreign{"PythonDeflated", "python3 {py} deflated {zip}", true},
                      Foreign{"PythonStreamed", "python3 {py} stream - | cat > {zip}", true},
                      Foreign{"PythonZip64", "python3 {py} zip64 {zip}", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Interop, StreamedArchiveReallyUsesDataDescriptors) {
    TempDir td;
    writeFile(td / "src" / "a.txt", "abc");
    writeFile(td / "writer.py", pythonWriter);
    const std::string zip = (td / "s.zip").string();
    run("cd " + shellQuote((td / "src").string()) + " && python3 " +
        shellQuote((td / "writer.py").string()) + " stream - | cat > " + shellQuote(zip));
    const auto entries = readCentralDirectory(zip);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].flags & 0x0008);
    const fs::path out = td / "out";
    fs::create_directories(out);
    EXPECT_EQ(runUnz(out, {.archive = zip}), 1);
    EXPECT_EQ(readFile(out / "a.txt"), "abc");
}

TEST(Interop, AddToAStreamedArchiveRewritesItsLocalHeadersWithSizes) {
    // Streamed entries have zero sizes in their local headers; once the library has rewritten
    // the archive, a walk over the local headers finds every entry.
    TempDir td;
    writeFile(td / "src" / "a.bin", noiseData(50000));
    writeFile(td / "src" / "b.txt", "bee");
    writeFile(td / "writer.py", pythonWriter);
    const std::string zip = (td / "s.zip").string();
    run("cd " + shellQuote((td / "src").string()) + " && python3 " +
        shellQuote((td / "writer.py").string()) + " stream - | cat > " + shellQuote(zip));
    writeFile(td / "c.txt", "sea");
    ASSERT_EQ(runZip({.archive = zip, .specs = {(td / "c.txt").string()}, .noDirNames = true}), 1);
    const auto entries = readCentralDirectory(zip);
    EXPECT_EQ(walkLocalHeaders(zip), entryNames(entries));
    EXPECT_EQ(entries.size(), 3u);
    run("unzip -tqq " + shellQuote(zip));
}

TEST(Interop, ForeignArchiveSurvivesOurAddAndDelete) {
    // An archive made by Info-ZIP, changed by the library, still tests clean and keeps the
    // untouched entries' bytes.
    TempDir td;
    makeTree(td / "src");
    const std::string zip = (td / "mixed.zip").string();
    run("cd " + shellQuote((td / "src").string()) + " && zip -r -q " + shellQuote(zip) + " .");
    writeFile(td / "extra" / "added.txt", "added later");
    ASSERT_EQ(
        runZip(
            {.archive = zip, .specs = {(td / "extra" / "added.txt").string()}, .noDirNames = true}),
        1);
    ASSERT_EQ(runZip({.archive = zip, .specs = {"noise.bin"}, .del = true}), 1);
    run("unzip -tqq " + shellQuote(zip));
    const fs::path out = td / "out";
    fs::create_directories(out);
    run("unzip -qq " + shellQuote(zip) + " -d " + shellQuote(out.string()));
    EXPECT_EQ(readFile(out / "added.txt"), "added later");
    EXPECT_FALSE(fs::exists(out / "noise.bin"));
    EXPECT_EQ(readFile(out / "readme.txt"), textData(1'000'000, 11));
}

} // namespace

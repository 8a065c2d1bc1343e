// The program itself run as a child process in its command-line mode, without a display:
// listings, usage, and add/extract/delete through the archive libraries beside it.
#include "CliTestSupport.h"

#include "platform/DynLib.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace fs = std::filesystem;
using clitest::makeZip;
using clitest::shellQuote;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the program in FOLDER with ARGS in the C locale, with no display and no Qt platform
// named: the command-line mode must not need one.
Result runProgram(const fs::path& folder, const std::vector<std::string>& args,
                  const std::string& prefix = "") {
    const fs::path outFile = folder / ".stdout";
    const fs::path errFile = folder / ".stderr";
    std::string command = "cd " + shellQuote(folder.string()) +
                          " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LC_ALL=C "
                          "LANG=C LANGUAGE= " +
                          prefix + shellQuote(QUEMBLY_PROGRAM);
    for (const std::string& a : args)
        command += " " + shellQuote(a);
    command +=
        " >" + shellQuote(outFile.string()) + " 2>" + shellQuote(errFile.string()) + " </dev/null";
    Result r;
    r.status = testsupport::runCommand(command);
    r.out = readFile(outFile);
    r.err = readFile(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return r;
}

bool programBuilt() {
    return platform::fileExists(QUEMBLY_PROGRAM);
}

bool librariesBesideProgram() {
    const std::string dir = fs::path(QUEMBLY_PROGRAM).parent_path().string() + "/";
    return platform::fileExists(dir + platform::moduleFileName("ZIPPER.DLL")) &&
           platform::fileExists(dir + platform::moduleFileName("UNZIPPER.DLL"));
}

// The archives of the table below, made once.
class ProgramFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempDir;
        const fs::path& d = folder->path();
        makeZip(
            d / "good.zip",
            {{"readme.txt", "hello", {2020, 5, 17, 13, 45, 30}, false},
             {"docs/guide/intro.txt", std::string(1234, 'x'), {1999, 12, 31, 23, 59, 58}, false},
             {"docs/", "", {2001, 2, 3, 4, 5, 6}, false}});
        makeZip(d / "baddate.zip", {{"x.txt", "1", {2021, 13, 1, 10, 0, 0}, false}});
        makeZip(d / "cut.zip", {{"one.txt", std::string(3000, 'a'), {2020, 1, 1, 0, 0, 0}, false},
                                {"two.txt", std::string(3000, 'b'), {2020, 1, 1, 0, 0, 0}, false}});
        std::string cut = readFile(d / "cut.zip");
        cut.resize(3000 + 37 + 37 + 100);
        writeFile(d / "cut.zip", cut);
        writeFile(d / "text.zip", "plain text, no archive");
        // A local header named README.txt whose directory record names it .profile_x.
        const auto le16 = testsupport::le16;
        const auto le32 = testsupport::le32;
        const std::string fields = le16(0) + le16(0) + le32(0) + le32(1) + le32(1);
        const std::string local = "PK\x03\x04" + le16(10) + le16(0) + le16(0) + fields + le16(10) +
                                  le16(0) + "README.txt" + "x";
        const std::string central = "PK\x01\x02" + le16(20) + le16(10) + le16(0) + le16(0) +
                                    fields + le16(10) + std::string(12, '\0') + le32(0) +
                                    ".profile_x";
        writeFile(d / "differ.zip", local + central + "PK\x05\x06" + le16(0) + le16(0) + le16(1) +
                                        le16(1) + le32(central.size()) + le32(local.size()) +
                                        le16(0));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(programBuilt()) << "the program " << QUEMBLY_PROGRAM << " is not built";
        clitest::setStoredPassword("");
    }
    void TearDown() override { clitest::setStoredPassword(""); }

    static TempDir* folder;
};
TempDir* ProgramFixture::folder = nullptr;

struct Case {
    const char* title;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;       // exact, unless errPart is set
    std::string errPart{}; // a part standard error must contain
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
    return os << c.title;
}

class ProgramTable : public ProgramFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(ProgramTable, Runs) {
    const Case& c = GetParam();
    std::string err = c.err;
    const std::string here = folder->str();
    for (std::size_t at; (at = err.find("$DIR")) != std::string::npos;)
        err.replace(at, 4, here);
    const Result r = runProgram(folder->path(), c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    if (c.errPart.empty())
        EXPECT_EQ(r.err, err);
    else
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
}

const std::string usageStart = "Usage: quembly [ARCHIVE]\n";

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ProgramTable,
    ::testing::Values(
        Case{"version", {"--version"}, 0, "Quembly 1.0\n", ""},
        Case{"list",
             {"--list", "good.zip"},
             0,
             "readme.txt\t5\t5\t17 May 2020  13:45:30\n"
             "docs\\guide\\intro.txt\t1234\t1234\t31 Dec 1999  23:59:58\n"
             "docs\\\t0\t0\t3 Feb 2001  04:05:06\n",
             ""},
        Case{"list invalid date", {"--list", "baddate.zip"}, 0, "x.txt\t1\t1\t\n", ""},
        Case{"list damaged",
             {"--list", "cut.zip"},
             1,
             "one.txt\t3000\t3000\t1 Jan 2020  00:00:00\n"
             "two.txt\t3000\t3000\t1 Jan 2020  00:00:00\n",
             "Error 3 reading Zip file.\n"},
        Case{"list disagreeing",
             {"--list", "differ.zip"},
             1,
             ".profile_x\t1\t1\t\n",
             "The archive's local headers and its central directory disagree: the directory "
             "names the entry \".profile_x\" where its local header names \"README.txt\". The "
             "entries of the central directory are listed.\n"},
        Case{"list no entries", {"--list", "text.zip"}, 1, "", "No valid zip entries found\n"},
        Case{"list missing",
             {"--list", "missing.zip"},
             1,
             "",
             "Error: file not found: $DIR/missing.zip\n"},
        Case{"unknown option", {"--frobnicate"}, 2, "", "", "unknown option '--frobnicate'"},
        Case{"usage after an error", {"--list"}, 2, "", "", usageStart},
        Case{"extract missing archive",
             {"--extract", "nothing.zip", "."},
             1,
             "",
             "Error: file not found: $DIR/nothing.zip\n"},
        // Per-file lines only with --verbose; --quiet leaves errors alone.
        Case{"extract quietly by default",
             {"--extract", "good.zip", "plain"},
             0,
             "2 files were extracted\n",
             ""},
        Case{"extract verbose",
             {"--extract", "good.zip", "verbose", "--verbose"},
             0,
             "2 files were extracted\n",
             "Extracting readme.txt (code 0)\nExtracting docs/guide/intro.txt (code 0)\n"},
        Case{"extract quiet", {"--extract", "good.zip", "quiet", "--quiet"}, 0, "", ""},
        Case{"quiet keeps errors",
             {"--extract", "cut.zip", "cut", "--quiet"},
             1,
             "",
             "",
             "(code 6)"},
        Case{"quiet does not list", {"--list", "good.zip", "--quiet"}, 2, "", "", "--quiet"},
        Case{"add to a self-extractor",
             {"--add", "x.exe", "good.zip"},
             1,
             "",
             "Error - this pgm can NOT add files to a self-extracting archive\n"}),
    [](const ::testing::TestParamInfo<Case>& info) {
        std::string name = info.param.title;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST_F(ProgramFixture, HelpGoesToStandardOutput) {
    const Result r = runProgram(folder->path(), {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, usageStart.size()), usageStart);
    EXPECT_NE(r.out.find("--no-overwrite"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

class ProgramLibraries : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        ASSERT_TRUE(librariesBesideProgram())
            << "the archive libraries are not built beside the program";
    }
    TempDir work;
};

TEST_F(ProgramLibraries, AddListExtractDelete) {
    const std::string big = clitest::sampleData(150000, 7);
    writeFile(work / "in" / "big.dat", big);
    writeFile(work / "in" / "small.txt", "small");

    Result r =
        runProgram(work.path(), {"--add", "new.zip", "in/big.dat", "in/small.txt", "--verbose"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 files were added\n");
    // Not a terminal: the libraries' messages, but no progress line.
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    EXPECT_NE(r.err.find("(code "), std::string::npos) << r.err;

    r = runProgram(work.path(), {"--list", "new.zip"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 8), "big.dat\t");
    EXPECT_NE(r.out.find("\t150000\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nsmall.txt\t"), std::string::npos) << r.out;

    r = runProgram(work.path(), {"--extract", "new.zip", "out", "big.dat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 files were extracted\n");
    EXPECT_EQ(readFile(work / "out" / "big.dat"), big);
    EXPECT_FALSE(fs::exists(work / "out" / "small.txt"));

    r = runProgram(work.path(), {"--delete", "new.zip", "big.dat"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 files were Deleted\n");
    r = runProgram(work.path(), {"--list", "new.zip"});
    EXPECT_EQ(r.out.substr(0, 10), "small.txt\t");
    EXPECT_EQ(r.out.find("big.dat"), std::string::npos);

    // Nothing to do is a failure.
    r = runProgram(work.path(), {"--delete", "new.zip", "big.dat"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0 files were Deleted\n");
}

TEST_F(ProgramLibraries, StoredPasswordGuardsTheCommands) {
    writeFile(work / "f.txt", "content");
    clitest::setStoredPassword("Tr0ub4dor");

    for (const auto& pw : std::vector<std::vector<std::string>>{
             {}, {"--password", "tr0ub4dor"}, {"--password=Tr0ub4dor "}}) {
        std::vector<std::string> args = {"--add", "p.zip", "f.txt"};
        args.insert(args.end(), pw.begin(), pw.end());
        const Result r = runProgram(work.path(), args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Wrong or missing password\n");
        EXPECT_FALSE(fs::exists(work / "p.zip"));
    }

    Result r = runProgram(work.path(), {"--add", "p.zip", "f.txt", "--password", "Tr0ub4dor"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 files were added\n");
    // Listing needs no password.
    r = runProgram(work.path(), {"--list", "p.zip"});
    EXPECT_EQ(r.status, 0);
    r = runProgram(work.path(), {"--extract", "p.zip", "o"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(work / "o"));
    r = runProgram(work.path(), {"--extract", "p.zip", "o", "--password", "Tr0ub4dor"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(work / "o" / "f.txt"), "content");
    r = runProgram(work.path(), {"--delete", "p.zip", "f.txt"});
    EXPECT_EQ(r.status, 1);
    r = runProgram(work.path(), {"--delete", "p.zip", "f.txt", "--password", "Tr0ub4dor"});
    EXPECT_EQ(r.status, 0) << r.err;
}

// A file whose name cannot be stored as itself is named and left out: nothing added, status 1.
TEST_F(ProgramLibraries, UnstorableNamesAreRefused) {
    writeFile(work / "a\\b.txt", "a");
    writeFile(work / "C:notes.txt", "c");
    const Result r = runProgram(work.path(), {"--add", "n.zip", "a\\b.txt", "C:notes.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "0 files were added\n");
    EXPECT_NE(r.err.find("left out: a\\b.txt"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("left out: C:notes.txt"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(work / "n.zip"));
}

TEST_F(ProgramLibraries, ProgressLineOnATerminal) {
    ASSERT_EQ(testsupport::runCommand("command -v script >/dev/null 2>&1"), 0)
        << "no 'script' program (bsdutils) to give the child a terminal";
    writeFile(work / "big.dat", clitest::sampleData(200000, 3));
    // "script" runs the program on a pseudo-terminal and copies what it wrote to stdout.
    const std::string inner = "env -u DISPLAY -u QT_QPA_PLATFORM LC_ALL=C " +
                              shellQuote(QUEMBLY_PROGRAM) + " --add t.zip big.dat";
    const fs::path log = work / "typescript";
    const int status = testsupport::runCommand("cd " + shellQuote(work.str()) + " && script -qec " +
                                               shellQuote(inner) + " " + shellQuote(log.string()) +
                                               " >/dev/null 2>&1 </dev/null");
    ASSERT_EQ(status, 0);
    const std::string shown = readFile(log);
    EXPECT_NE(shown.find("\rbig.dat 0%"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\rbig.dat 100%"), std::string::npos) << shown;
    EXPECT_NE(shown.find("1 files were added"), std::string::npos) << shown;
}

} // namespace

// The command-line commands run in this process: the listing, the access password, the
// progress line, and add/extract/delete through the real archive libraries.
#include "CliTestSupport.h"
#include "app/CommandLine.h"

#include "archive/Archiver.h"
#include "platform/Files.h"
#include "platform/Messages.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using clitest::makeZip;
using clitest::ZipItem;
using platform::ScriptedMessages;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// Every test runs in the C locale (dates "d MMM yyyy  HH:mm:ss"), with scripted boxes and
// no stored password, and gets its current directory back.
class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        clitest::setStoredPassword("");
        cwd = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(cwd);
        clitest::setStoredPassword("");
    }

    int run(const std::vector<std::string>& args) {
        out.str("");
        const auto parsed = cli::parseArguments(args);
        EXPECT_EQ(parsed.error, "");
        return cli::run(parsed.options, out);
    }

    ScriptedMessages boxes;
    platform::ScopedMessageService installed{boxes};
    std::ostringstream out;
    TempDir dir;
    fs::path cwd;
};

ZipDirEntry entry(const std::string& name, std::uint32_t dateTime) {
    ZipDirEntry e{};
    e.FileName = name;
    e.DateTime = dateTime;
    return e;
}

constexpr std::uint32_t dosDate(int y, int mo, int d, int h, int mi, int s) {
    return static_cast<std::uint32_t>(((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) |
                                      (mi << 5) | (s / 2));
}

TEST_F(CliRun, EntryLineShowsTheTablesCells) {
    ZipDirEntry e = entry("docs/sub/readme.txt", dosDate(2020, 5, 17, 13, 45, 30));
    e.CompressedSize64 = 123;
    e.UncompressedSize64 = 4567;
    EXPECT_EQ(cli::entryLine(e), "docs\\sub\\readme.txt\t123\t4567\t17 May 2020  13:45:30");

    // Sizes of 2 GiB and more are shown unsigned, as the true sizes.
    e.CompressedSize64 = 0x80000000ull;
    e.UncompressedSize64 = 5000000000ull;
    EXPECT_EQ(cli::entryLine(e),
              "docs\\sub\\readme.txt\t2147483648\t5000000000\t17 May 2020  13:45:30");
}

TEST_F(CliRun, EntryLineLeavesAnInvalidDateEmpty) {
    for (std::uint32_t bad : {dosDate(2020, 13, 1, 10, 0, 0), dosDate(2020, 0, 1, 10, 0, 0),
                              dosDate(2021, 2, 29, 10, 0, 0), dosDate(2020, 1, 1, 24, 0, 0),
                              dosDate(2020, 1, 1, 10, 60, 0), 0u}) {
        const std::string line = cli::entryLine(entry("a", bad));
        EXPECT_EQ(line, "a\t0\t0\t") << std::hex << bad;
    }
}

TEST_F(CliRun, EntryLineKeepsOneEntryOnOneLine) {
    EXPECT_EQ(cli::entryLine(entry("a\tb\nc\x1b[2J", 0)), "a?b?c?[2J\t0\t0\t");
    // A name that is not UTF-8 is shown as CP437, as in the table.
    EXPECT_EQ(cli::entryLine(entry("caf\x82", 0)), "caf\xc3\xa9\t0\t0\t");
}

TEST_F(CliRun, ListPrintsEveryEntryInArchiveOrder) {
    const fs::path zip = dir / "a.zip";
    makeZip(zip, {{"zeta.txt", "hello hello hello", {2019, 12, 31, 23, 59, 58}, true},
                  {"folder/inner/alpha.bin", std::string(1000, 'x'), {1999, 1, 2, 3, 4, 6}, false},
                  {"folder/", "", {2020, 5, 17, 13, 45, 30}, false}});
    ASSERT_EQ(run({"--list", zip.string()}), cli::ExitOk);
    const auto got = lines(out.str());
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].substr(0, 9), "zeta.txt\t");
    EXPECT_EQ(got[0].substr(got[0].rfind('\t')), "\t31 Dec 2019  23:59:58");
    EXPECT_EQ(got[1], "folder\\inner\\alpha.bin\t1000\t1000\t2 Jan 1999  03:04:06");
    EXPECT_EQ(got[2], "folder\\\t0\t0\t17 May 2020  13:45:30");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(CliRun, ListOfADamagedArchiveShowsEntriesSoFarAndFails) {
    const fs::path zip = dir / "cut.zip";
    makeZip(zip, {{"one.txt", clitest::sampleData(3000, 1), {2020, 1, 1, 0, 0, 0}, false},
                  {"two.txt", clitest::sampleData(3000, 2), {2020, 1, 1, 0, 0, 0}, false}});
    std::string bytes = readFile(zip);
    bytes.resize(3000 + 30 + 7 + 30 + 7 + 100); // inside the second entry's data
    writeFile(zip, bytes);

    EXPECT_EQ(run({"--list", zip.string()}), cli::ExitFailed);
    const auto got = lines(out.str());
    ASSERT_EQ(got.size(), 2u); // the cut entry is listed too
    EXPECT_EQ(got[0].substr(0, 8), "one.txt\t");
    EXPECT_EQ(got[1].substr(0, 8), "two.txt\t");
    EXPECT_EQ(boxes.errorTexts(), std::vector<std::string>{"Error 3 reading Zip file."});
}

TEST_F(CliRun, ListWithoutEntriesFailsUnlessTheArchiveIsEmpty) {
    writeFile(dir / "text.zip", "this is not an archive at all");
    EXPECT_EQ(run({"--list", (dir / "text.zip").string()}), cli::ExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(boxes.messageTexts(), std::vector<std::string>{"No valid zip entries found"});
    makeZip(dir / "empty.zip", {});
    EXPECT_EQ(run({"--list", (dir / "empty.zip").string()}), cli::ExitOk);
}

TEST_F(CliRun, ListOfAMissingArchiveFails) {
    const fs::path zip = dir / "missing.zip";
    EXPECT_EQ(run({"--list", zip.string()}), cli::ExitFailed);
    EXPECT_EQ(boxes.messageTexts(),
              std::vector<std::string>{"Error: file not found: " + zip.string()});
    boxes.clear();
    // A folder is no archive either.
    EXPECT_EQ(run({"--list", dir.str()}), cli::ExitFailed);
    EXPECT_EQ(boxes.messageTexts(),
              std::vector<std::string>{"Error: file not found: " + dir.str()});
}

TEST_F(CliRun, RelativeArchivePathsAreTakenFromTheCurrentDirectory) {
    makeZip(dir / "rel.zip", {{"x.txt", "x"}});
    fs::current_path(dir.path());
    ASSERT_EQ(run({"--list", "rel.zip"}), cli::ExitOk);
    EXPECT_EQ(lines(out.str()).size(), 1u);
}

TEST_F(CliRun, PasswordMustMatchExactlyWhenOneIsStored) {
    EXPECT_EQ(cli::checkPassword(std::nullopt), std::nullopt);
    EXPECT_EQ(cli::checkPassword(std::string("anything")), std::nullopt);

    clitest::setStoredPassword("Secret");
    EXPECT_EQ(cli::checkPassword(std::string("Secret")), std::nullopt);
    for (const std::optional<std::string>& wrong :
         {std::optional<std::string>(), std::optional<std::string>("secret"),
          std::optional<std::string>("Secret "), std::optional<std::string>("")})
        EXPECT_EQ(cli::checkPassword(wrong), "Wrong or missing password");
}

TEST_F(CliRun, GatedCommandsRefuseAWrongPasswordBeforeDoingAnything) {
    clitest::setStoredPassword("pw");
    writeFile(dir / "f.txt", "data");
    makeZip(dir / "have.zip", {{"f.txt", "old"}});
    const std::string zip = (dir / "new.zip").string();
    const std::string have = (dir / "have.zip").string();
    const std::string haveBefore = readFile(have);

    EXPECT_EQ(run({"--add", zip, (dir / "f.txt").string()}), cli::ExitFailed);
    EXPECT_EQ(run({"--add", zip, "--password", "PW", (dir / "f.txt").string()}), cli::ExitFailed);
    EXPECT_EQ(run({"--extract", have, (dir / "out").string()}), cli::ExitFailed);
    EXPECT_EQ(run({"--delete", have, "f.txt"}), cli::ExitFailed);
    EXPECT_EQ(boxes.messageTexts(), std::vector<std::string>(4, "Wrong or missing password"));
    EXPECT_FALSE(fs::exists(zip));
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_EQ(readFile(have), haveBefore);
    EXPECT_EQ(out.str(), "");

    // Listing is not gated.
    EXPECT_EQ(run({"--list", have}), cli::ExitOk);
}

TEST_F(CliRun, PreconditionsStopWithTheWindowsTexts) {
    const std::string missing = (dir / "missing.zip").string();
    writeFile(dir / "f.txt", "data");
    writeFile(dir / "empty.zip", "");
    const std::string empty = (dir / "empty.zip").string();
    struct Case {
        std::vector<std::string> line;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {{"--add", (dir / "SETUP.EXE").string(), (dir / "f.txt").string()},
         {"Error - this pgm can NOT add files to a self-extracting archive"}},
        {{"--delete", (dir / "setup.Exe").string(), "x"},
         {"Error - this pgm can NOT delete files from a self-extracting archive"}},
        {{"--add", missing, (dir / "nofile.txt").string()},
         {"Error: file not found: " + (dir / "nofile.txt").string()}},
        {{"--extract", missing, dir.str()}, {"Error: file not found: " + missing}},
        {{"--delete", missing, "x"}, {"Error: file not found: " + missing}},
        {{"--extract", empty, dir.str()},
         {"No valid zip entries found", "Error - no files to extract"}},
        {{"--delete", empty, "x"}, {"No valid zip entries found", "Error - no files to delete"}},
        {{"--extract", empty, (dir / "no" / "such" / "folder").string()},
         {"Error - folder not found: " + (dir / "no" / "such").string()}},
        {{"--extract", empty, (dir / "f.txt").string()},
         {"Error - not a folder: " + (dir / "f.txt").string()}},
    };
    for (const Case& c : cases) {
        boxes.clear();
        EXPECT_EQ(run(c.line), cli::ExitFailed) << testing::PrintToString(c.line);
        EXPECT_EQ(boxes.messageTexts(), c.texts) << testing::PrintToString(c.line);
        EXPECT_EQ(out.str(), "") << testing::PrintToString(c.line);
    }
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(dir / "no"));
}

TEST(CliProgressLine, OneUpdatingLineCountedIn32KiBSteps) {
    std::ostringstream term;
    cli::ProgressLine line(term);
    line.newFile("big.bin", 100000); // three whole steps
    EXPECT_EQ(line.percent(), 0);
    EXPECT_EQ(term.str(), "\rbig.bin 0%");
    line.update();
    EXPECT_EQ(line.percent(), 33);
    line.update();
    line.update();
    line.update(); // more updates than steps keep it at 100
    EXPECT_EQ(line.percent(), 100);
    EXPECT_EQ(term.str(), "\rbig.bin 0%\rbig.bin 33%\rbig.bin 66%\rbig.bin 100%");

    // A shorter line covers the longer one before it; the end of the batch clears the line.
    term.str("");
    line.newFile("c", 32767);
    EXPECT_EQ(line.percent(), 100); // a file below one step is done at once
    EXPECT_EQ(term.str(), "\rc 100%      ");
    term.str("");
    line.endOfBatch();
    EXPECT_EQ(term.str(), "\r            \r");
    term.str("");
    line.finish(); // nothing shown, nothing to clear
    EXPECT_EQ(term.str(), "");
    // A batch in which no file was announced (every file skipped) shows nothing.
    line.update();
    line.endOfBatch();
    EXPECT_EQ(term.str(), "");
}

TEST(CliProgressLine, ControlCharactersOfANameAreNotSentToTheTerminal) {
    std::ostringstream term;
    cli::ProgressLine line(term);
    line.newFile("a\x1b]0;title\x07\nb", 10);
    EXPECT_EQ(term.str(), "\ra?]0;title??b 100%");
}

TEST(CliProgressLine, LongNamesAreCutAtTheFrontOnACharacter) {
    std::ostringstream term;
    cli::ProgressLine line(term);
    std::string name = "start/";
    for (int i = 0; i < 40; ++i)
        name += "\xc3\xa9"; // "é", two bytes each
    name += "/end.txt";
    line.newFile(name, 0);
    const std::string shown = term.str();
    EXPECT_LE(shown.size(), 1 + 60 + 5u);
    EXPECT_EQ(shown.substr(0, 4), "\r...");
    EXPECT_NE(static_cast<unsigned char>(shown[4]) & 0xC0, 0x80); // not inside a character
    EXPECT_EQ(shown.substr(shown.size() - 13), "/end.txt 100%");
}

// ---------------------------------------------------------------------------------------
// Through the libraries

class CliLibraries : public CliRun {
protected:
    void SetUp() override {
        CliRun::SetUp();
        ASSERT_TRUE(clitest::archiveLibrariesBuilt())
            << "the archive libraries (libzipper.so, libunzipper.so) are not built beside the "
               "test program";
    }

    std::vector<std::string> listedNames(const std::string& zip) {
        std::vector<std::string> names;
        if (run({"--list", zip}) != cli::ExitOk)
            return names;
        for (const std::string& line : lines(out.str()))
            names.push_back(line.substr(0, line.find('\t')));
        return names;
    }
};

TEST_F(CliLibraries, AddExtractDeleteRoundTrip) {
    const std::string one = clitest::sampleData(200000, 1);
    const std::string two = "second file";
    writeFile(dir / "src" / "one.txt", one);
    writeFile(dir / "src" / "two.txt", two);
    const std::string zip = (dir / "round.zip").string();

    // Relative paths, from the current directory.
    fs::current_path(dir.path());
    ASSERT_EQ(run({"--add", "round.zip", "src/one.txt", "src/two.txt"}), cli::ExitOk);
    EXPECT_EQ(out.str(), "2 files were added\n");
    EXPECT_EQ(listedNames(zip), (std::vector<std::string>{"one.txt", "two.txt"}));

    // Into a folder that does not exist yet but whose parent does.
    const fs::path target = dir / "out";
    ASSERT_EQ(run({"--extract", "round.zip", "out"}), cli::ExitOk);
    EXPECT_EQ(out.str(), "2 files were extracted\n");
    EXPECT_EQ(readFile(target / "one.txt"), one);
    EXPECT_EQ(readFile(target / "two.txt"), two);

    fs::current_path(cwd);
    ASSERT_EQ(run({"--delete", zip, "two.txt"}), cli::ExitOk);
    EXPECT_EQ(out.str(), "1 files were Deleted\n");
    EXPECT_EQ(listedNames(zip), std::vector<std::string>{"one.txt"});
    EXPECT_TRUE(boxes.errorTexts().empty());
}

// Relative paths are stored as given, below the current directory, not from the root.
TEST_F(CliLibraries, RelativePathsKeepTheirFoldersRelative) {
    writeFile(dir / "src" / "sub" / "one.txt", "one");
    fs::current_path(dir.path());
    ASSERT_EQ(run({"--add", "rel.zip", "--dirnames", "--recurse", "src"}), cli::ExitOk);
    EXPECT_EQ(listedNames((dir / "rel.zip").string()),
              (std::vector<std::string>{"src\\", "src\\sub\\", "src\\sub\\one.txt"}));
    ASSERT_EQ(run({"--delete", "rel.zip", "src\\sub\\one.txt"}), cli::ExitOk);
    EXPECT_EQ(run({"--add", "rel.zip", "missing.txt"}), cli::ExitFailed);
    EXPECT_EQ(boxes.messageTexts().back(),
              "Error: file not found: " + (dir / "missing.txt").string());
    fs::current_path(cwd);
}

// A new destination folder written with a closing "/" is made like one written without.
TEST_F(CliLibraries, ExtractMakesANewFolderNamedWithAClosingSeparator) {
    writeFile(dir / "f.txt", "f");
    const std::string zip = (dir / "s.zip").string();
    ASSERT_EQ(run({"--add", zip, (dir / "f.txt").string()}), cli::ExitOk);
    ASSERT_EQ(run({"--extract", zip, (dir / "new").string() + "/"}), cli::ExitOk)
        << testing::PrintToString(boxes.messageTexts());
    EXPECT_EQ(readFile(dir / "new" / "f.txt"), "f");
    EXPECT_EQ(run({"--extract", zip, (dir / "no" / "new").string() + "/"}), cli::ExitFailed);
    EXPECT_EQ(boxes.messageTexts().back(), "Error - folder not found: " + (dir / "no").string());
}

// The libraries' messages name entries; an entry name's control characters do not reach
// standard error.
TEST_F(CliLibraries, MessagesShowControlCharactersOfNamesAsQuestionMarks) {
    const fs::path zip = dir / "c.zip";
    clitest::makeZip(zip, {{.name = "e\x1b[2Jx.txt", .data = "e"}});
    std::ostringstream err;
    std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
    const int status = run({"--extract", zip.string(), (dir / "out").string(), "--verbose"});
    std::cerr.rdbuf(old);
    EXPECT_EQ(status, cli::ExitOk);
    EXPECT_NE(err.str().find("e?[2Jx.txt"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
}

// An interrupt asks the library to stop: the archive stays as it was, no temporary file is
// left beside it, and the request ends with its command.
TEST_F(CliLibraries, AStopRequestLeavesTheArchiveAsItWas) {
    writeFile(dir / "small.txt", "small");
    writeFile(dir / "big.bin", clitest::sampleData(300000, 2));
    const std::string zip = (dir / "i.zip").string();
    ASSERT_EQ(run({"--add", zip, (dir / "small.txt").string()}), cli::ExitOk);
    const std::string before = readFile(zip);

    cli::requestStop();
    EXPECT_EQ(run({"--add", zip, (dir / "big.bin").string()}), cli::ExitFailed);
    EXPECT_EQ(out.str(), "0 files were added\n");
    EXPECT_EQ(readFile(zip), before);
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind("i.zip.", 0), std::string::npos) << e.path();

    EXPECT_EQ(run({"--add", zip, (dir / "big.bin").string()}), cli::ExitOk);
    EXPECT_EQ(out.str(), "1 files were added\n");
}

TEST_F(CliLibraries, ExtractOverwritesUnlessToldNotTo) {
    writeFile(dir / "f.txt", "archived");
    const std::string zip = (dir / "o.zip").string();
    ASSERT_EQ(run({"--add", zip, (dir / "f.txt").string()}), cli::ExitOk);
    const fs::path target = dir / "dest";
    writeFile(target / "f.txt", "local edit");

    run({"--extract", zip, target.string(), "--no-overwrite"});
    EXPECT_EQ(readFile(target / "f.txt"), "local edit");

    ASSERT_EQ(run({"--extract", zip, target.string()}), cli::ExitOk);
    EXPECT_EQ(readFile(target / "f.txt"), "archived");
}

TEST_F(CliLibraries, FolderNamesAndRecursion) {
    writeFile(dir / "tree" / "a.txt", "a");
    writeFile(dir / "tree" / "sub" / "b.txt", "b");
    const std::string zip = (dir / "t.zip").string();
    ASSERT_EQ(run({"--add", zip, "--recurse", "--dirnames", (dir / "tree").string()}), cli::ExitOk);
    const std::string added = out.str();
    const auto names = listedNames(zip);
    // The two files are counted; the folders may be stored as entries of their own.
    EXPECT_EQ(added, "2 files were added\n");
    // Folder names are kept (shown with "\"), the subfolder's file included.
    auto endingIn = [&](const std::string& tail) {
        for (const std::string& n : names)
            if (n.size() >= tail.size() && n.substr(n.size() - tail.size()) == tail)
                return n;
        return std::string();
    };
    EXPECT_NE(endingIn("tree\\a.txt"), "") << testing::PrintToString(names);
    const std::string sub = endingIn("tree\\sub\\b.txt");
    ASSERT_NE(sub, "") << testing::PrintToString(names);

    // Selected names as listed, with "\"; without --dirnames the file lands bare.
    const fs::path flat = dir / "flat";
    ASSERT_EQ(run({"--extract", zip, flat.string(), sub}), cli::ExitOk);
    EXPECT_EQ(out.str(), "1 files were extracted\n");
    EXPECT_EQ(readFile(flat / "b.txt"), "b");
    EXPECT_FALSE(fs::exists(flat / "a.txt"));

    const fs::path deep = dir / "deep";
    ASSERT_EQ(run({"--extract", zip, deep.string(), "--dirnames"}), cli::ExitOk);
    std::string subPath = sub;
    std::replace(subPath.begin(), subPath.end(), '\\', '/');
    EXPECT_EQ(readFile(deep / subPath), "b");
}

TEST_F(CliLibraries, NothingProcessedIsAFailure) {
    writeFile(dir / "f.txt", "x");
    const std::string zip = (dir / "n.zip").string();
    ASSERT_EQ(run({"--add", zip, (dir / "f.txt").string()}), cli::ExitOk);
    const std::string before = readFile(zip);

    EXPECT_EQ(run({"--delete", zip, "not-there.txt"}), cli::ExitFailed);
    EXPECT_EQ(out.str(), "0 files were Deleted\n");
    EXPECT_EQ(readFile(zip), before);

    EXPECT_EQ(run({"--extract", zip, dir.str(), "not-there.txt"}), cli::ExitFailed);
    EXPECT_EQ(out.str(), "0 files were extracted\n");
}

// Exit status 1 whenever anything asked was not done, even when other entries were: PARAM
// names the entry the library cannot write out beside a good one.
class CliPartialExtract : public CliLibraries, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliPartialExtract, ExitsWithOne) {
    const fs::path zip = dir / "t.zip";
    const std::string kind = GetParam();
    if (kind == "encrypted") {
        makeZip(zip, {{"ok.txt", "o"}});
        writeFile(dir / "secret.txt", "s");
        ASSERT_EQ(std::system(("cd '" + dir.str() + "' && zip -q -P pw t.zip secret.txt").c_str()),
                  0);
    } else {
        makeZip(zip, {{"ok.txt", "o"}, {"../evil.txt", "e"}});
    }
    EXPECT_EQ(run({"--extract", zip.string(), (dir / "out").string()}), cli::ExitFailed);
    EXPECT_EQ(out.str(), "1 files were extracted\n");
    EXPECT_EQ(readFile(dir / "out" / "ok.txt"), "o");
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliPartialExtract, ::testing::Values("encrypted", "refused name"));

TEST_F(CliLibraries, RightPasswordLetsTheCommandsRun) {
    clitest::setStoredPassword("Open Sesame");
    writeFile(dir / "f.txt", "x");
    const std::string zip = (dir / "p.zip").string();
    EXPECT_EQ(run({"--add", zip, "--password", "Open Sesame", (dir / "f.txt").string()}),
              cli::ExitOk);
    EXPECT_EQ(run({"--extract", zip, (dir / "o").string(), "--password=Open Sesame"}), cli::ExitOk);
    EXPECT_EQ(readFile(dir / "o" / "f.txt"), "x");
    EXPECT_EQ(run({"--delete", zip, "f.txt", "--password", "Open Sesame"}), cli::ExitOk);
}

} // namespace

// --test run in this process through the real UNZIPPER library: sound archives pass, and each
// kind of fault names the entry and the reason, then the counts, with exit status 1.
#include "CliTestSupport.h"
#include "app/CommandLine.h"

#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

namespace fs = std::filesystem;
using clitest::makeZip;
using clitest::shellQuote;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

struct TestCase {
    const char* label;
    // Makes the archive ZIP in the folder.
    void (*make)(const fs::path& zip);
    std::vector<std::string> names; // entries named on the command line
    int status;
    std::string out;          // the standard output expected
    std::string message = {}; // a part of the one message shown, when one is
};

void PrintTo(const TestCase& c, std::ostream* os) {
    *os << c.label;
}

const std::string Big = clitest::sampleData(200'000, 3);
constexpr std::array<int, 6> When{2020, 5, 17, 13, 45, 30};

void sound(const fs::path& zip) {
    makeZip(zip, {{"a.txt", Big}, {"docs/", ""}, {"docs/b.bin", Big, When, false}, {"empty", ""}});
}

// Flips one byte in the middle of the first entry's data (Python writes no extra field).
void flipped(const fs::path& zip, bool deflate) {
    makeZip(zip, {{"first.txt", Big, When, deflate}, {"second.txt", "fine"}});
    std::string bytes = readFile(zip);
    bytes[30 + 9 + (deflate ? 500 : 100'000)] ^= 0x20;
    writeFile(zip, bytes);
}

const TestCase cases[] = {
    {"Sound", sound, {}, cli::ExitOk, "3 files tested, 0 failed\n"},
    {"SoundNamedOnly", sound, {"docs\\b.bin"}, cli::ExitOk, "1 files tested, 0 failed\n"},
    {"FlippedStoredByte",
     [](const fs::path& z) { flipped(z, false); },
     {},
     cli::ExitFailed,
     "first.txt: CRC error\n2 files tested, 1 failed\n"},
    {"FlippedDeflatedByte",
     [](const fs::path& z) { flipped(z, true); },
     {},
     cli::ExitFailed,
     "first.txt: damaged data (Zlib error: data error)\n"
     "2 files tested, 1 failed\n"},
    {"FaultyEntryNotNamed",
     [](const fs::path& z) { flipped(z, false); },
     {"second.txt"},
     cli::ExitOk,
     "1 files tested, 0 failed\n"},
    {"Truncated",
     [](const fs::path& z) {
         sound(z);
         writeFile(z, readFile(z).substr(0, 150'000));
     },
     {},
     cli::ExitFailed,
     "0 files tested, 0 failed\n",
     "Not a ZIP archive or damaged"},
    {"Ppmd",
     [](const fs::path& z) {
         writeFile(z.parent_path() / "p.txt", Big);
         ASSERT_EQ(testsupport::runCommand("cd " + shellQuote(z.parent_path().string()) +
                                           " && 7z a -bd -bso0 -tzip -mm=PPMd " +
                                           shellQuote(z.string()) + " p.txt"),
                   0);
     },
     {},
     cli::ExitFailed,
     "p.txt: unsupported compression method PPMd\n1 files tested, 1 failed\n"},
    {"NameMatchingNothing",
     sound,
     {"nothing.txt"},
     cli::ExitFailed,
     "0 files tested, 0 failed\n",
     "No entry matches nothing.txt"},
};

class TestCommand : public ::testing::TestWithParam<TestCase> {
protected:
    void SetUp() override { clitest::setStoredPassword(""); }
    void TearDown() override { clitest::setStoredPassword(""); }

    platform::ScriptedMessages boxes;
    platform::ScopedMessageService installed{boxes};
    TempDir dir;
};

TEST_P(TestCommand, NamesEachFailureAndCounts) {
    const TestCase& c = GetParam();
    const fs::path zip = dir / "t.zip";
    c.make(zip);
    const std::string before = readFile(zip);
    std::vector<std::string> args = {"--test", zip.string()};
    args.insert(args.end(), c.names.begin(), c.names.end());
    std::ostringstream out;
    EXPECT_EQ(cli::run(cli::parseArguments(args).options, out), c.status);
    EXPECT_EQ(out.str(), c.out);
    const auto shown = boxes.messageTexts();
    if (c.message.empty())
        EXPECT_TRUE(shown.empty()) << shown.front();
    else
        EXPECT_TRUE(shown.size() == 1 && shown[0].find(c.message) != std::string::npos)
            << ::testing::PrintToString(shown);
    // Nothing is written: neither the archive nor a file beside it changes.
    EXPECT_EQ(readFile(zip), before);
}

INSTANTIATE_TEST_SUITE_P(Archives, TestCommand, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(TestCommand, TakesTheAccessPassword) {
    sound(dir / "t.zip");
    clitest::setStoredPassword("secret");
    for (const char* given : {"", "wrong"}) {
        std::ostringstream out;
        EXPECT_EQ(
            cli::run(cli::parseArguments({"--test", (dir / "t.zip").string(), "--password", given})
                         .options,
                     out),
            cli::ExitFailed);
        EXPECT_EQ(out.str(), "");
    }
    std::ostringstream out;
    EXPECT_EQ(
        cli::run(cli::parseArguments({"--test", (dir / "t.zip").string(), "--password", "secret"})
                     .options,
                 out),
        cli::ExitOk);
}

} // namespace

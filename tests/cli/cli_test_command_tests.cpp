// --test in this process through the real UNZIPPER library: sound archives pass; each fault
// names the entry and the reason, then the counts, with exit status 1; nothing is written.
#include "CliTestSupport.h"
#include "app/CommandLine.h"

#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

const std::string Big = clitest::sampleData(200'000, 3);

void sound(const fs::path& zip) {
    clitest::makeZip(
        zip,
        {{"a.txt", Big}, {"docs/", ""}, {"docs/b.bin", Big, {2020, 1, 2}, false}, {"empty", ""}});
}
// Flips one byte inside the first entry's data (Python writes no extra field).
template <bool Deflate> void flipped(const fs::path& zip) {
    clitest::makeZip(zip, {{"first.txt", Big, {2020, 1, 2}, Deflate}, {"second.txt", "fine"}});
    std::string bytes = readFile(zip);
    bytes[30 + 9 + 500] ^= 0x20;
    writeFile(zip, bytes);
}
void truncated(const fs::path& zip) {
    sound(zip);
    writeFile(zip, readFile(zip).substr(0, 150'000));
}
template <const char* Method> void sevenZip(const fs::path& zip) {
    writeFile(zip.parent_path() / "p.txt", Big);
    testsupport::runCommand("cd " + clitest::shellQuote(zip.parent_path().string()) +
                            " && 7z a -bd -bso0 -tzip -mm=" + Method + " t.zip p.txt");
}
constexpr char PPMd[] = "PPMd", LZMA[] = "LZMA";

struct TestCase {
    const char* label;
    void (*make)(const fs::path& zip);
    std::vector<std::string> args; // after "--test ARCHIVE"
    int status;
    std::string out;
    std::string message;            // the start of the one message shown, when one is
    const char* password = nullptr; // the stored access password
};

class TestCommand : public ::testing::TestWithParam<TestCase> {};

TEST_P(TestCommand, NamesEachFailureAndCounts) {
    const TestCase& c = GetParam();
    platform::ScriptedMessages boxes;
    platform::ScopedMessageService installed{boxes};
    testsupport::TempDir dir;
    clitest::setStoredPassword(c.password ? c.password : "");
    const fs::path zip = dir / "t.zip";
    c.make(zip);
    const std::string before = readFile(zip);
    std::vector<std::string> args = {"--test", zip.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::ostringstream out;
    EXPECT_EQ(cli::run(cli::parseArguments(args).options, out), c.status);
    clitest::setStoredPassword("");
    EXPECT_EQ(out.str(), c.out);
    const auto shown = boxes.messageTexts();
    EXPECT_EQ(shown.empty() ? "" : shown[0].substr(0, c.message.size()), c.message);
    EXPECT_EQ(readFile(zip), before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Archives, TestCommand, ::testing::Values(
    TestCase{"Sound", sound, {}, cli::ExitOk, "3 files tested, 0 failed\n", ""},
    TestCase{"SoundNamedOnly", sound, {"docs\\b.bin"}, cli::ExitOk, "1 files tested, 0 failed\n", ""},
    TestCase{"FlippedStoredByte", flipped<false>, {}, cli::ExitFailed,
             "first.txt: CRC error\n2 files tested, 1 failed\n", ""},
    TestCase{"FlippedDeflatedByte", flipped<true>, {}, cli::ExitFailed,
             "first.txt: damaged data (Zlib error: data error)\n2 files tested, 1 failed\n", ""},
    TestCase{"OnlyTheNamedFaultless", flipped<false>, {"second.txt"}, cli::ExitOk,
             "1 files tested, 0 failed\n", ""},
    TestCase{"Truncated", truncated, {}, cli::ExitFailed, "0 files tested, 0 failed\n",
             "Not a ZIP archive or damaged"},
    TestCase{"Lzma", sevenZip<LZMA>, {}, cli::ExitOk, "1 files tested, 0 failed\n", ""},
    TestCase{"Ppmd", sevenZip<PPMd>, {}, cli::ExitFailed,
             "p.txt: unsupported compression method PPMd\n1 files tested, 1 failed\n", ""},
    TestCase{"NameMatchingNothing", sound, {"x.txt"}, cli::ExitFailed,
             "0 files tested, 0 failed\n", "No entry matches x.txt"},
    TestCase{"WrongPassword", sound, {"--password", "no"}, cli::ExitFailed, "",
             "Wrong or missing password", "pw"}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

} // namespace

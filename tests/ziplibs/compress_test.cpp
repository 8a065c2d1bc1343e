// Adds that compress files ahead on several threads while the archive is written: the archive
// holds each file, in the order named, as standard DEFLATE data that zlib inflates back to the
// file's bytes, whichever thread compressed it and whether it went in one piece or streamed.
// Extraction inflates small entries in one piece: the files come back whole, and damaged data
// is still refused.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr std::size_t MiB = 1u << 20;

// The entry's data as stored, taken from behind its local header.
std::string storedData(const std::string& archive, const CdEntry& e) {
    const auto at = static_cast<std::size_t>(e.localOffset);
    const auto get16 = [&](std::size_t p) {
        return std::size_t(static_cast<unsigned char>(archive[p])) |
               std::size_t(static_cast<unsigned char>(archive[p + 1])) << 8;
    };
    const std::size_t start = at + 30 + get16(at + 26) + get16(at + 28);
    return archive.substr(start, static_cast<std::size_t>(e.compressedSize));
}

// Inflates a raw DEFLATE stream with zlib; nothing when zlib finds it damaged or unfinished.
std::optional<std::string> zlibInflate(const std::string& in, std::size_t size) {
    std::string out(size + 1, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    if (r != Z_STREAM_END)
        return std::nullopt;
    return out;
}

struct Files {
    const char* name;
    int level;
    std::vector<std::pair<char, std::size_t>> files; // 't'ext or 'n'oise, and size
};

class CompressAheadTest : public ::testing::TestWithParam<Files> {};

TEST_P(CompressAheadTest, ArchiveHoldsEveryFileInOrderAsZlibReadsIt) {
    const Files& c = GetParam();
    TempDir td;
    std::vector<std::string> specs, contents;
    for (std::size_t i = 0; i < c.files.size(); ++i) {
        const auto [kind, size] = c.files[i];
        contents.push_back(kind == 't' ? textData(size, unsigned(i) + 1)
                                       : noiseData(size, unsigned(i) + 1));
        specs.push_back((td / ("f" + std::to_string(i) + ".dat")).string());
        writeFile(specs.back(), contents.back());
    }
    const std::string archive = (td / "out.zip").string();
    ASSERT_EQ(runZip({.archive = archive, .specs = specs, .level = c.level, .noDirNames = true}),
              static_cast<std::int32_t>(specs.size()));

    const std::vector<CdEntry> entries = readCentralDirectory(archive);
    ASSERT_EQ(entries.size(), specs.size());
    const std::string bytes = readFile(archive);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CdEntry& e = entries[i];
        EXPECT_EQ(e.name, "f" + std::to_string(i) + ".dat");
        EXPECT_EQ(e.method, 8) << e.name;
        EXPECT_EQ(e.size, contents[i].size()) << e.name;
        EXPECT_EQ(e.crc, testsupport::crc32(contents[i])) << e.name;
        const auto inflated = zlibInflate(storedData(bytes, e), contents[i].size());
        ASSERT_TRUE(inflated) << e.name;
        EXPECT_TRUE(*inflated == contents[i]) << e.name;
    }
    EXPECT_EQ(testsupport::runCommand("unzip -tqq " + shellQuote(archive) + " >/dev/null 2>&1"), 0);

    // Extracted again through the library, every file comes back as it was.
    const fs::path out = td / "x";
    fs::create_directory(out);
    ASSERT_EQ(runUnz(out, {.archive = archive}), static_cast<std::int32_t>(specs.size()));
    for (std::size_t i = 0; i < specs.size(); ++i)
        EXPECT_TRUE(readFile(out / ("f" + std::to_string(i) + ".dat")) == contents[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Trees, CompressAheadTest,
    ::testing::Values(
        Files{"ManySmallTexts", 9,
              [] {
                  std::vector<std::pair<char, std::size_t>> v;
                  for (std::size_t i = 0; i < 150; ++i)
                      v.push_back({i % 7 == 3 ? 'n' : 't', (i * 7919) % 40000});
                  return v;
              }()},
        Files{"EmptyNoiseAndText", 6, {{'t', 0}, {'n', 300000}, {'t', 3 * MiB}, {'t', 1}}},
        // The middle file is above the whole-buffer limit: it streams through zlib between
        // files compressed ahead.
        Files{"OneFileTooLargeForABuffer", 1, {{'t', 5000}, {'t', 33 * MiB}, {'n', 70000}}}),
    [](const auto& info) { return std::string(info.param.name); });

// An entry whose stored data is damaged is refused by the one-piece inflation as by the stream:
// no file appears under its name, and the others still come out.
TEST(InflateWhole, DamagedDataIsReportedAndNothingAppears) {
    TempDir td;
    const std::string good = textData(200000, 3), bad = textData(150000, 4);
    writeFile(td / "a.txt", good);
    writeFile(td / "b.txt", bad);
    const std::string archive = (td / "t.zip").string();
    ASSERT_EQ(runZip({.archive = archive,
                      .specs = {(td / "a.txt").string(), (td / "b.txt").string()},
                      .noDirNames = true}),
              2);
    std::string bytes = readFile(archive);
    const auto entries = readCentralDirectory(archive);
    const CdEntry* b = findEntry(entries, "b.txt");
    ASSERT_NE(b, nullptr);
    const std::string data = storedData(bytes, *b);
    const std::size_t middle = bytes.find(data) + data.size() / 2;
    for (std::size_t k = 0; k < 64; ++k)
        bytes[middle + k] = static_cast<char>(~bytes[middle + k]);
    writeFile(archive, bytes);

    const fs::path out = td / "x";
    fs::create_directory(out);
    Recorder rec;
    EXPECT_EQ(runUnz(out, {.archive = archive}, &rec), 1);
    EXPECT_TRUE(readFile(out / "a.txt") == good);
    EXPECT_FALSE(fs::exists(out / "b.txt"));
    EXPECT_TRUE(rec.hasMessage(3) || rec.hasMessage(6)) << rec.messages();
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

// A file of more than 4 GiB (holes, so that it costs no disk) streams through the add: the
// archive describes it whole, and the adding process never holds more than a small part.
TEST(CompressAhead, FileAbove4GiBStreamsInBoundedMemory) {
    TempDir td;
    const fs::path huge = td / "huge.bin";
    writeFile(huge, "");
    constexpr std::uint64_t size = (4ull << 30) + 12345;
    fs::resize_file(huge, size);
    writeFile(td / "small.txt", textData(100000));
    const std::string archive = (td / "big.zip").string();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::int32_t n = runZip({.archive = archive,
                                       .specs = {(td / "small.txt").string(), huge.string()},
                                       .level = 1,
                                       .noDirNames = true});
        _exit(n == 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 256L * 1024) << "peak resident KiB";

    const auto entries = readCentralDirectory(archive);
    const CdEntry* e = findEntry(entries, "huge.bin");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->size, size);
    EXPECT_EQ(e->method, 8);
    EXPECT_LT(e->compressedSize, size / 100);
    EXPECT_EQ(testsupport::runCommand("unzip -tqq " + shellQuote(archive) + " >/dev/null 2>&1"), 0);
}

} // namespace

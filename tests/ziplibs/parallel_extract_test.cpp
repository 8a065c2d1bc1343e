// Extraction with entries inflated ahead on worker threads against extraction on the calling
// thread alone: the same files, the same callbacks in the same order, the same result, also
// with a damaged entry in the middle, a stop part-way and more entries than one batch.
#include "ziplibs/LibHarness.h"

#include "archive/LibCallBack.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

using namespace zltest;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

struct Case {
    const char* title;
    int files;        // made and added (stored when level is 0)
    int level;        // of the add
    int damaged = -1; // the entry whose stored data gets a flipped byte
    int stopAt = 0;   // the callback (action 1) answered with stop; 0 for none
    // A shell command that writes a.zip from src/ in place of the zipper (no file past the
    // largest entry inflated ahead then), and the zipper's encryption.
    const char* command = nullptr;
    std::int32_t encrypt = ZipEncryptNone;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.title; }
};

const char* const Lzma =
    "python3 -c 'import os, zipfile\nwith zipfile.ZipFile(\"a.zip\", \"w\", zipfile.ZIP_LZMA) "
    "as z:\n    for d, _, fs in os.walk(\"src\"):\n        for f in fs: "
    "z.write(os.path.join(d, f))'";
// AES entries checked by their authentication code alone.
const char* const SevenZipAe2 = "7z a -tzip -ppw -mem=AES256 -mx0 a.zip src";

class InflateAheadTest : public ::testing::TestWithParam<Case> {
protected:
    TempDir td;
    fs::path root = fs::canonical(td.path());
    std::string archive = (root / "a.zip").string();

    struct Run {
        std::int32_t result;
        std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t, std::string>> events;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::tuple<std::string, fs::perms, fs::file_time_type>> stats;
    };
    Run extract(const char* workers, const char* into) {
        setenv("QUEMBLY_UNZIP_WORKERS", workers, 1);
        Recorder rec;
        rec.password = [](const Event&) { return std::string("pw"); };
        int seen = 0;
        rec.answer = [&](const Event& e) {
            return e.action == ActionNewFile && ++seen == GetParam().stopAt ? CallbackStop : 0;
        };
        const fs::path out = root / into;
        fs::create_directories(out);
        Run run{runUnz(out, {.archive = archive}, &rec), {}, treeContents(out), {}};
        for (const auto& f : fs::recursive_directory_iterator(out))
            if (f.is_regular_file()) // folders take the time their last file came in
                run.stats.emplace_back(fs::relative(f.path(), out).string(),
                                       f.status().permissions(), f.last_write_time());
        std::sort(run.stats.begin(), run.stats.end());
        unsetenv("QUEMBLY_UNZIP_WORKERS");
        for (const Event& e : rec.events)
            run.events.emplace_back(e.action, e.code, e.size, e.text);
        return run;
    }
};

TEST_P(InflateAheadTest, SameAsOnTheCallingThread) {
    const Case& c = GetParam();
    // Text and noise of up to 70 KB (of a few bytes in a large archive), and one file past the
    // largest entry inflated ahead.
    for (int i = 0; i < c.files; ++i) {
        const auto size = static_cast<std::size_t>(c.files > 1000 ? i % 50 : i * 37 % 70000);
        writeFile(root / "src" / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i)),
                  i == 13 && !c.command ? textData(9u << 20)
                                        : (i % 3 ? textData : noiseData)(size, i));
    }
    Recorder pw;
    pw.password = [](const Event&) { return std::string("pw"); };
    if (c.command)
        capture("cd " + shellQuote(root.string()) + " && " + c.command + " >/dev/null");
    else
        ASSERT_EQ(runZip({.archive = archive,
                          .specs = {(root / "src").string()},
                          .level = c.level,
                          .recurse = true,
                          .encrypt = c.encrypt},
                         &pw),
                  c.files);
    if (c.damaged >= 0) {
        const auto entries = readCentralDirectory(archive);
        const auto named = std::find_if(entries.begin(), entries.end(), [&](const CdEntry& e) {
            return e.name.ends_with("/f" + std::to_string(c.damaged));
        });
        ASSERT_NE(named, entries.end());
        const CdEntry& e = *named;
        std::fstream f(archive, std::ios::in | std::ios::out | std::ios::binary);
        unsigned char lengths[4];
        f.seekg(static_cast<std::streamoff>(e.localOffset + 26));
        f.read(reinterpret_cast<char*>(lengths), 4);
        const std::uint64_t at = e.localOffset + 30 + lengths[0] + 256u * lengths[1] + lengths[2] +
                                 256u * lengths[3] + e.compressedSize / 2;
        f.seekg(static_cast<std::streamoff>(at));
        const char byte = static_cast<char>(f.get() ^ 0x55);
        f.seekp(static_cast<std::streamoff>(at));
        f.put(byte);
    }
    const Run serial = extract("0", "serial");
    const Run ahead = extract("2", "ahead");
    EXPECT_EQ(ahead.result, serial.result);
    EXPECT_TRUE(ahead.events == serial.events);
    EXPECT_TRUE(ahead.files == serial.files);
    EXPECT_TRUE(ahead.stats == serial.stats); // modes and times of files written ahead
    // Each case extracts something, and the damaged entry is reported, not written.
    EXPECT_GT(serial.result, 0);
    EXPECT_EQ(serial.result, c.files - (c.damaged >= 0) - (c.stopAt ? c.files - c.stopAt + 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Archives, InflateAheadTest,
    ::testing::Values(Case{"deflated", 300, 6}, Case{"stored", 60, 0},
                      Case{"stored, damaged", 60, 0, 31}, Case{"damaged in the middle", 150, 6, 76},
                      Case{"stopped part-way", 150, 6, -1, 90}, Case{"LZMA", 60, 0, 40, 0, Lzma},
                      Case{"AES-256, damaged", 150, 6, 76, 0, nullptr, ZipEncryptAes256},
                      Case{"AE-2 stored", 60, 0, 31, 0, SevenZipAe2},
                      Case{"more than a batch", 33000, 0}),
    [](const auto& info) {
        std::string name = info.param.title;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace

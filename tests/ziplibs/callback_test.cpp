// The callback conversation: what is sent, in which order, and how "stop" ends a call.
#include "ziplibs/LibHarness.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

using namespace zltest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

class CallbackTest : public ::testing::Test {
protected:
    TempDir td;
    fs::path src = td / "src";
    std::string archive = (td / "c.zip").string();
    void SetUp() override {
        writeFile(src / "small.txt", "tiny");             // 0 progress steps
        writeFile(src / "big.bin", noiseData(100000, 2)); // 3 progress steps
        writeFile(src / "mid.txt", textData(65536));      // 2 progress steps
    }
    std::vector<std::string> specs() const {
        return {(src / "small.txt").string(), (src / "big.bin").string(),
                (src / "mid.txt").string()};
    }
};

// Each file: one action 1 with name and size, then size / 32768 actions 2; one action 3 last.
void expectFileSequence(const Recorder& rec,
                        const std::vector<std::pair<std::string, int>>& files) {
    std::vector<std::int32_t> expected;
    for (const auto& f : files) {
        expected.push_back(ActionNewFile);
        for (int i = 0; i < f.second / 32768; ++i)
            expected.push_back(ActionProgress);
    }
    expected.push_back(ActionEndOfBatch);
    EXPECT_EQ(rec.actions(), expected) << rec.messages();
    const auto news = rec.withAction(ActionNewFile);
    ASSERT_EQ(news.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(news[i].text, files[i].first);
        EXPECT_EQ(news[i].size, files[i].second);
    }
    for (const auto& e : rec.events)
        EXPECT_EQ(e.caller, &rec);
}

TEST_F(CallbackTest, AddSendsNewFileProgressAndEndOfBatch) {
    Recorder rec;
    ASSERT_EQ(runZip({.archive = archive, .specs = specs(), .noDirNames = true}, &rec), 3);
    expectFileSequence(rec, {{"small.txt", 4}, {"big.bin", 100000}, {"mid.txt", 65536}});
}

TEST_F(CallbackTest, ExtractSendsTheSameSequence) {
    ASSERT_EQ(runZip({.archive = archive, .specs = specs(), .noDirNames = true}), 3);
    Recorder rec;
    const fs::path out = td / "out";
    fs::create_directories(out);
    ASSERT_EQ(runUnz(out, {.archive = archive}, &rec), 3);
    expectFileSequence(rec, {{"small.txt", 4}, {"big.bin", 100000}, {"mid.txt", 65536}});
}

TEST_F(CallbackTest, VerboseAddsInformationMessagesWithCodeZero) {
    Recorder rec;
    ASSERT_EQ(
        runZip({.archive = archive, .specs = specs(), .noDirNames = true, .verbose = true}, &rec),
        3);
    EXPECT_TRUE(rec.hasMessage(0));
    EXPECT_EQ(rec.withAction(ActionNewFile).size(), 3u);
}

TEST_F(CallbackTest, StopDuringAddLeavesTheArchiveByteForByte) {
    ASSERT_EQ(runZip({.archive = archive, .specs = {(src / "small.txt").string()}}), 1);
    const std::string before = readFile(archive);
    for (int stopAt : {1, 2, 4}) { // at a new file, at the first progress, later
        Recorder rec;
        int seen = 0;
        rec.answer = [&](const Event&) { return ++seen >= stopAt ? CallbackStop : 0; };
        writeFile(src / "mid.txt", textData(65536, static_cast<unsigned>(stopAt)));
        EXPECT_EQ(runZip({.archive = archive, .specs = specs(), .noDirNames = true}, &rec), 0);
        EXPECT_EQ(readFile(archive), before) << stopAt;
        EXPECT_TRUE(rec.hasMessage(8)) << rec.messages();
        EXPECT_EQ(rec.events.back().action, ActionEndOfBatch);
        // No temporary file stays beside the archive.
        EXPECT_EQ(std::distance(fs::directory_iterator(td.path()), fs::directory_iterator()), 2);
    }
}

TEST_F(CallbackTest, StopDuringDeleteLeavesTheArchiveByteForByte) {
    ASSERT_EQ(runZip({.archive = archive, .specs = specs(), .noDirNames = true}), 3);
    const std::string before = readFile(archive);
    Recorder rec;
    rec.answer = [](const Event& e) { return e.action == ActionNewFile ? CallbackStop : 0; };
    EXPECT_EQ(runZip({.archive = archive, .specs = {"*.txt"}, .del = true}, &rec), 0);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_TRUE(rec.hasMessage(8));
}

TEST_F(CallbackTest, StopDuringExtractRemovesThePartialFile) {
    ASSERT_EQ(runZip({.archive = archive, .specs = specs(), .noDirNames = true}), 3);
    const fs::path out = td / "out";
    fs::create_directories(out);
    Recorder rec;
    rec.answer = [](const Event& e) { return e.action == ActionProgress ? CallbackStop : 0; };
    EXPECT_EQ(runUnz(out, {.archive = archive}, &rec), 1); // small.txt was complete
    EXPECT_TRUE(rec.hasMessage(8));
    EXPECT_EQ(readFile(out / "small.txt"), "tiny");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

TEST_F(CallbackTest, NullCallbackAddressWorks) {
    EXPECT_EQ(
        runZip({.archive = archive, .specs = specs(), .noDirNames = true, .noCallback = true}), 3);
    const fs::path out = td / "out";
    fs::create_directories(out);
    EXPECT_EQ(runUnz(out, {.archive = archive, .noCallback = true}), 3);
    EXPECT_EQ(runUnz(out, {.archive = (td / "missing.zip").string(), .noCallback = true}), 0);
}

TEST_F(CallbackTest, ExceptionFromTheCallbackReachesTheCallerAfterCleanUp) {
    ASSERT_EQ(runZip({.archive = archive, .specs = {(src / "small.txt").string()}}), 1);
    const std::string before = readFile(archive);
    Recorder rec;
    rec.answer = [](const Event& e) -> std::int32_t {
        if (e.action == ActionProgress)
            throw std::runtime_error("handler failed");
        return 0;
    };
    EXPECT_THROW(runZip({.archive = archive, .specs = specs(), .noDirNames = true}, &rec),
                 std::runtime_error);
    EXPECT_EQ(readFile(archive), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(td.path()), fs::directory_iterator()), 2);
}

TEST_F(CallbackTest, EntrySizeOfAHugeSparseFileIsClamped) {
    // 5 GB of holes: only the announced size matters here, so stop at the first callback.
    const fs::path huge = src / "huge.bin";
    { std::ofstream(huge).close(); }
    fs::resize_file(huge, 5'000'000'000ull);
    Recorder rec;
    rec.answer = [](const Event& e) { return e.action == ActionNewFile ? CallbackStop : 0; };
    EXPECT_EQ(runZip({.archive = archive, .specs = {huge.string()}, .level = 0}, &rec), 0);
    const auto news = rec.withAction(ActionNewFile);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].size, INT32_MAX);
    EXPECT_FALSE(fs::exists(archive));
}

} // namespace

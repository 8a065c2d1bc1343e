// The callback records a library call sends.
#include "ziplibs/common/Reporter.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace ziplibs;

namespace {

struct Seen {
    std::vector<CallbackRecord> records;
    int stopAfter = -1; // answer -1 from this record on
    bool throwNext = false;
};

std::int32_t QUEMBLY_STDCALL collect(CallbackRecord* r) {
    auto* seen = static_cast<Seen*>(r->Caller);
    if (seen->throwNext)
        throw std::runtime_error("handler failed");
    seen->records.push_back(*r);
    return seen->stopAfter >= 0 && static_cast<int>(seen->records.size()) > seen->stopAfter
               ? CallbackStop
               : CallbackContinue;
}

TEST(Reporter, ProgressSendsOneRecordPer32KiBOfAFile) {
    auto seen = std::make_unique<Seen>();
    Reporter rep(collect, seen.get());
    rep.newFile("a", 100000);
    rep.progress(30000);
    rep.progress(30000); // 60000: passes 32768
    rep.progress(40000); // 100000: passes 65536 and 98304
    int progress = 0;
    for (const auto& r : seen->records)
        progress += r.ActionCode == ActionProgress;
    EXPECT_EQ(progress, 3);
    rep.newFile("b", 10); // a new file counts from zero
    rep.progress(32767);
    EXPECT_EQ(seen->records.back().ActionCode, ActionNewFile);
}

TEST(Reporter, RecordsCarryCallerSizeTextAndClampedSizes) {
    auto seen = std::make_unique<Seen>();
    Reporter rep(collect, seen.get());
    rep.newFile("dir/name.txt", 5'000'000'000ull);
    rep.message(7, "went wrong");
    rep.endOfBatch();
    ASSERT_EQ(seen->records.size(), 3u);
    EXPECT_EQ(seen->records[0].Caller, seen.get());
    EXPECT_EQ(seen->records[0].EntrySize, INT32_MAX);
    EXPECT_STREQ(seen->records[0].Text, "dir/name.txt");
    EXPECT_EQ(seen->records[1].ActionCode, ActionMessage);
    EXPECT_EQ(seen->records[1].ErrorCode, 7);
    EXPECT_STREQ(seen->records[1].Text, "went wrong");
    EXPECT_EQ(seen->records[2].ActionCode, ActionEndOfBatch);
    EXPECT_STREQ(seen->records[2].Text, "");
}

TEST(Reporter, OverlongTextIsCutInsideTheBuffer) {
    auto seen = std::make_unique<Seen>();
    Reporter rep(collect, seen.get());
    rep.message(1, std::string(CallbackTextSize + 100, 'x'));
    ASSERT_EQ(seen->records.size(), 1u);
    EXPECT_EQ(std::string(seen->records[0].Text).size(),
              static_cast<std::size_t>(CallbackTextSize - 1));
}

TEST(Reporter, StopAnswerIsRememberedAndNullCallbackIsHarmless) {
    auto seen = std::make_unique<Seen>();
    seen->stopAfter = 1;
    Reporter rep(collect, seen.get());
    EXPECT_TRUE(rep.newFile("a", 1));
    EXPECT_FALSE(rep.progress(ProgressChunk));
    EXPECT_TRUE(rep.stopped());
    EXPECT_FALSE(rep.message(0, "still delivered"));
    EXPECT_EQ(seen->records.size(), 3u);

    Reporter none(nullptr, nullptr);
    EXPECT_TRUE(none.newFile("a", 1));
    EXPECT_TRUE(none.progress(1 << 20));
    EXPECT_FALSE(none.stopped());
}

TEST(Reporter, ExceptionFromTheCallbackStopsAndIsRethrownLater) {
    auto seen = std::make_unique<Seen>();
    Reporter rep(collect, seen.get());
    seen->throwNext = true;
    EXPECT_FALSE(rep.newFile("a", 1));
    EXPECT_TRUE(rep.stopped());
    seen->throwNext = false;
    rep.message(0, "not sent after the exception");
    EXPECT_TRUE(seen->records.empty());
    EXPECT_THROW(rep.rethrowPending(), std::runtime_error);
    EXPECT_NO_THROW(rep.rethrowPending());
}

} // namespace

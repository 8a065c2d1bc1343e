// LibraryCallback called directly, as a library calls it: action codes, answers and the
// line end of messages.
#include "tests/archive/BridgeFixture.h"

#include <cstring>
#include <memory>

namespace {

struct ActionCase {
    std::int32_t code;
    bool cancel;
    std::int32_t answer;
    std::vector<SeenEvent> events;
};

class CallbackActions : public BridgeFixture, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(CallbackActions, RaiseTheirEventAndAnswerByCancel) {
    const ActionCase& c = GetParam();
    archiver.Cancel = c.cancel;
    const std::int32_t answer =
        fake::deliver(&TArchiver::LibraryCallback, &archiver,
                      {.code = c.code, .errorCode = 42, .entrySize = 99, .text = "name.txt"});
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(events, c.events);
    EXPECT_TRUE(messages.shown().empty());
}

const SeenEvent newFile{"progress", 0, "name.txt", 99};
const SeenEvent update{"progress", 1, " ", 0};
const SeenEvent endOfBatch{"progress", 2, " ", 0};
const SeenEvent message{"message", 42, "name.txt", 0};

INSTANTIATE_TEST_SUITE_P(Bridge, CallbackActions,
                         ::testing::Values(ActionCase{0, false, CallbackContinue, {}},
                                           ActionCase{0, true, CallbackStop, {}},
                                           ActionCase{1, false, CallbackContinue, {newFile}},
                                           ActionCase{1, true, CallbackStop, {newFile}},
                                           ActionCase{2, false, CallbackContinue, {update}},
                                           ActionCase{3, false, CallbackContinue, {endOfBatch}},
                                           ActionCase{4, false, CallbackContinue, {message}},
                                           ActionCase{4, true, CallbackStop, {message}},
                                           ActionCase{5, false, CallbackContinue, {}},
                                           ActionCase{5, true, CallbackStop, {}},
                                           ActionCase{-1, false, CallbackContinue, {}}));

TEST_F(BridgeFixture, UnassignedEventsAreSkipped) {
    archiver.OnProgress = nullptr;
    archiver.OnMessage = nullptr;
    for (std::int32_t code = 0; code <= 5; ++code)
        EXPECT_EQ(
            fake::deliver(&TArchiver::LibraryCallback, &archiver, {.code = code, .text = "x"}),
            CallbackContinue);
    EXPECT_TRUE(events.empty());
}

struct LineEndCase {
    std::string text;
    std::string delivered;
};

class LineEnds : public BridgeFixture, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(LineEnds, EndTheMessageAtTheFirstOfTheLastTwoCharacters) {
    fake::deliver(&TArchiver::LibraryCallback, &archiver,
                  {.code = ActionMessage, .errorCode = 1, .text = GetParam().text});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, GetParam().delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Bridge, LineEnds,
    ::testing::Values(LineEndCase{"Done\r\n", "Done"}, LineEndCase{"A\nB", "A"},
                      LineEndCase{"Done\n", "Done"}, LineEndCase{"Done\r", "Done"},
                      LineEndCase{"two\n\n", "two"}, LineEndCase{"A\r\nB", "A\r"},
                      LineEndCase{"no end", "no end"}, LineEndCase{"\n", ""}, LineEndCase{"x", "x"},
                      LineEndCase{"", ""}, LineEndCase{"\r\n", ""}));

TEST_F(BridgeFixture, FileNamesKeepTheirLineEnds) {
    fake::deliver(&TArchiver::LibraryCallback, &archiver,
                  {.code = ActionNewFile, .text = "odd\nname"});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, "odd\nname");
}

TEST_F(BridgeFixture, ATextFillingTheWholeBufferIsReadNoFurther) {
    auto record = std::make_unique<CallbackRecord>();
    std::memset(record.get(), 'z', sizeof *record);
    record->Caller = &archiver;
    record->ActionCode = ActionNewFile;
    record->EntrySize = 1;
    EXPECT_EQ(TArchiver::LibraryCallback(record.get()), CallbackContinue);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, std::string(CallbackTextSize, 'z'));
}

TEST_F(BridgeFixture, ARecordWithoutACallerIsAskedToStop) {
    EXPECT_EQ(fake::deliver(&TArchiver::LibraryCallback, nullptr, {.code = ActionNewFile}),
              CallbackStop);
    EXPECT_EQ(TArchiver::LibraryCallback(nullptr), CallbackStop);
    EXPECT_TRUE(events.empty());
}

} // namespace

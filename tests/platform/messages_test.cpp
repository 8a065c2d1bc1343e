#include "platform/Messages.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

using platform::ScriptedMessages;

namespace {

TEST(ErrorBoxText, AppendsAFullStopAfterCharactersAboveCode46) {
    EXPECT_EQ(platform::errorBoxText("abc"), "abc.");
    EXPECT_EQ(platform::errorBoxText("path/"), "path/."); // '/' is 47
    EXPECT_EQ(platform::errorBoxText("Failed to set data for 'PSW'"),
              "Failed to set data for 'PSW'"); // '\'' is 39
    EXPECT_EQ(platform::errorBoxText("x."), "x.");
    EXPECT_EQ(platform::errorBoxText("dash-"), "dash-"); // 45
    EXPECT_EQ(platform::errorBoxText("size 10"), "size 10.");
    EXPECT_EQ(platform::errorBoxText("ends\n"), "ends\n");
    EXPECT_EQ(platform::errorBoxText(""), "");
    // An 8-bit character counts by its unsigned code.
    EXPECT_EQ(platform::errorBoxText("caf\xC3\xA9"), "caf\xC3\xA9.");
}

TEST(ScriptedMessages, RecordsBoxesAndAnswersFromItsQueue) {
    ScriptedMessages scripted;
    platform::ScopedMessageService scope(scripted);
    EXPECT_EQ(&platform::messages(), &scripted);

    platform::messages().showMessage("Hello");
    scripted.answer(true);
    scripted.answer(false);
    EXPECT_TRUE(platform::messages().confirm("First?"));
    EXPECT_FALSE(platform::messages().confirm("Second?"));
    EXPECT_FALSE(platform::messages().confirm("Default?")); // queue empty: the default, No
    scripted.setDefaultAnswer(true);
    EXPECT_TRUE(platform::messages().confirm("Now?"));
    platform::messages().showError("Bad thing");

    EXPECT_EQ(scripted.messageTexts(), std::vector<std::string>{"Hello"});
    EXPECT_EQ(scripted.confirmTexts(),
              (std::vector<std::string>{"First?", "Second?", "Default?", "Now?"}));
    EXPECT_EQ(scripted.errorTexts(), std::vector<std::string>{"Bad thing."});
    ASSERT_EQ(scripted.shown().size(), 6u);
    EXPECT_EQ(scripted.shown().front().kind, ScriptedMessages::Kind::Message);
    EXPECT_EQ(scripted.shown().back().kind, ScriptedMessages::Kind::Error);
    scripted.clear();
    EXPECT_TRUE(scripted.shown().empty());
}

TEST(MessageService, DefaultWritesToStandardErrorAndDeclines) {
    ScriptedMessages outer;
    platform::MessageService* before = platform::setMessageService(nullptr);
    testing::internal::CaptureStderr();
    platform::messages().showMessage("plain text");
    const bool answer = platform::messages().confirm("Delete everything?");
    platform::messages().showError("broken");
    const std::string err = testing::internal::GetCapturedStderr();
    platform::setMessageService(before);
    EXPECT_FALSE(answer);
    EXPECT_NE(err.find("plain text"), std::string::npos) << err;
    EXPECT_NE(err.find("Delete everything?"), std::string::npos) << err;
    EXPECT_NE(err.find("broken."), std::string::npos) << err;

    // Scopes nest and restore what was installed before them.
    {
        platform::ScopedMessageService a(outer);
        ScriptedMessages inner;
        {
            platform::ScopedMessageService b(inner);
            platform::messages().showMessage("in");
        }
        platform::messages().showMessage("out");
        EXPECT_EQ(inner.messageTexts(), std::vector<std::string>{"in"});
    }
    EXPECT_EQ(outer.messageTexts(), std::vector<std::string>{"out"});
    EXPECT_NE(&platform::messages(), &outer);
}

TEST(ShellService, DefaultStartsNothingAndRecordingShellRecords) {
    EXPECT_FALSE(platform::shell().openDocument("/tmp/x.txt"));
    EXPECT_FALSE(platform::shell().explore("/tmp"));
    EXPECT_FALSE(platform::shell().startProgram("/bin/true", "x"));

    platform::RecordingShell recording;
    platform::ShellService* previous = platform::setShellService(&recording);
    EXPECT_TRUE(platform::shell().openDocument("/a b/doc.txt"));
    recording.result = false;
    EXPECT_FALSE(platform::shell().explore("/a b"));
    EXPECT_FALSE(platform::shell().startProgram("/usr/bin/combiner", "/x/part.zip"));
    EXPECT_EQ(platform::setShellService(previous), &recording);

    ASSERT_EQ(recording.calls.size(), 3u);
    EXPECT_EQ(recording.calls[0].verb, "open");
    EXPECT_EQ(recording.calls[0].path, "/a b/doc.txt");
    EXPECT_EQ(recording.calls[1].verb, "explore");
    EXPECT_EQ(recording.calls[2].verb, "start");
    EXPECT_EQ(recording.calls[2].path, "/usr/bin/combiner");
    EXPECT_EQ(recording.calls[2].argument, "/x/part.zip");
}

} // namespace

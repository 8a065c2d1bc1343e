// The combiner as a person meets it: its window driven offscreen with scripted message
// boxes, and its command-line form run as a process.
#include "controls/GradButton.h"
#include "platform/Messages.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tools/combiner/CombineForm.h"
#include "ziplibs/LibHarness.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Kind = platform::ScriptedMessages::Kind;

// A split set of a few files made by zip -s in a fresh folder.
class CombinerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (unsigned i = 0; i < 40; ++i)
            writeFile(dir / ("src/f" + std::to_string(i)), zltest::noiseData(4000, i + 1));
        ASSERT_EQ(runCommand("cd '" + dir.str() + "' && zip -q -r -s 64k set.zip src"), 0);
    }
    std::string piece() const { return (dir / "set.z01").string(); }
    std::string suggested() const { return (dir / "set-combined.zip").string(); }
    TempDir dir;
};

struct WindowCase {
    const char* label;
    bool outputExists;
    bool answer;       // to "Overwrite Existing File: ...?"
    bool pieceMissing; // set.z02 removed
    Kind shown;        // the box that ends the run
    const char* text;  // its start
    bool written;      // the combined archive is there afterwards
    friend void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.label; }
};

class WindowTest : public CombinerFixture, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTest, CombineAsked) {
    const WindowCase& c = GetParam();
    guitest::application();
    platform::ScriptedMessages messages;
    platform::ScopedMessageService installed(messages);
    messages.answer(c.answer);
    if (c.pieceMissing)
        fs::remove(dir / "set.z02");

    TCombineForm form;
    form.show();
    form.setFirstPiece(QString::fromStdString(piece()));
    EXPECT_EQ(form.OutputEdit->text().toStdString(), c.pieceMissing ? "" : suggested());
    if (c.outputExists)
        writeFile(suggested(), "older");
    QSignalSpy finished(&form, &TCombineForm::finished);
    QTest::mouseClick(form.CombineBut, Qt::LeftButton);
    if (form.isWorking()) {
        EXPECT_EQ(form.CloseBut->Caption(), "Cancel");
        EXPECT_FALSE(form.CombineBut->isEnabled());
        ASSERT_TRUE(finished.wait(60000));
    }
    EXPECT_FALSE(form.isWorking());
    EXPECT_EQ(form.CloseBut->Caption(), "Close");

    const auto& shown = messages.shown();
    ASSERT_FALSE(shown.empty());
    if (c.outputExists) {
        EXPECT_EQ(messages.confirmTexts(),
                  std::vector<std::string>{"Overwrite Existing File: " + suggested() + "?"});
    }
    EXPECT_EQ(shown.back().kind, c.shown);
    EXPECT_EQ(shown.back().text.rfind(c.text, 0), 0u) << shown.back().text;
    EXPECT_EQ(fs::exists(suggested()) && readFile(suggested()) != "older", c.written);
    if (c.written) {
        EXPECT_EQ(runCommand("unzip -tqq '" + suggested() + "'"), 0);
    }
}

const WindowCase windowCases[] = {
    {"Combines", false, false, false, Kind::Message, "The split archive was put together as", true},
    {"ReplacesAnExistingFileOnYes", true, true, false, Kind::Message,
     "The split archive was put together as", true},
    {"KeepsAnExistingFileOnNo", true, false, false, Kind::Confirm, "Overwrite Existing File",
     false},
    {"NamesAMissingPiece", false, false, true, Kind::Error,
     "The piece set.z02 of the split archive is missing.", false},
};
INSTANTIATE_TEST_SUITE_P(Window, WindowTest, ::testing::ValuesIn(windowCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- The command line -----------------------------------------------------------------------

struct CommandCase {
    const char* label;
    const char* args; // PIECE, OUT and OLD stand for the paths
    int status;
    bool written; // OUT holds the combined archive afterwards
    friend void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.label; }
};

class CommandTest : public CombinerFixture, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, ExitStatusAndResult) {
    const CommandCase& c = GetParam();
    writeFile(dir / "old.zip", "older");
    std::string args = c.args;
    for (const auto& [word, path] : {std::pair<std::string, std::string>{"PIECE", piece()},
                                     {"OUT", (dir / "out.zip").string()},
                                     {"OLD", (dir / "old.zip").string()}}) {
        for (auto at = args.find(word); at != std::string::npos; at = args.find(word))
            args.replace(at, word.size(), "'" + path + "'");
    }
    EXPECT_EQ(runCommand(std::string("'") + COMBINER_PATH + "' " + args + " >/dev/null 2>&1"),
              c.status);
    EXPECT_EQ(runCommand("unzip -tqq '" + (dir / "out.zip").string() + "' >/dev/null 2>&1") == 0 ||
                  readFile(dir / "old.zip") != "older",
              c.written);
}

const CommandCase commandCases[] = {
    {"Combines", "PIECE OUT", 0, true},
    {"KeepsAnExistingOutput", "PIECE OLD", 1, false},
    {"ReplacesWhenAsked", "--overwrite PIECE OLD", 0, true},
    {"UnknownOption", "--fast PIECE OUT", 2, false},
    {"TooManyNames", "PIECE OUT OLD", 2, false},
    {"Version", "--version", 0, false},
};
INSTANTIATE_TEST_SUITE_P(CommandLine, CommandTest, ::testing::ValuesIn(commandCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CombinerKeysTest, EscapeClosesTheWindow) {
    guitest::application();
    TCombineForm form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

} // namespace

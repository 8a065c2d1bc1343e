// The progress and message window: its layout, the progress bar driven by the library's
// progress events, and the states between commands (working, result, ready, closed).
#include "app/MessageWindow.h"
#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// One application for the whole test program. It is never destroyed: tearing it down among
// the other static objects at exit is not safe.
QApplication& app() {
    static int argc = 1;
    static char name[] = "cli_msg_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

class MsgformTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        form = std::make_unique<TMsgform>();
    }

    // The bar as the test sees it: minimum, maximum, position.
    std::tuple<int, int, int> bar() const {
        return {form->ProgressBar1->minimum(), form->ProgressBar1->maximum(),
                form->ProgressBar1->value()};
    }
    void newFile(std::int32_t size, const std::string& name = "a.bin") {
        form->ShowProgress(ProgressType::NewFile, name, size);
    }
    void update(int times = 1) {
        for (int i = 0; i < times; ++i)
            form->ShowProgress(ProgressType::ProgressUpdate, " ", 0);
    }
    void endOfBatch() { form->ShowProgress(ProgressType::EndOfBatch, " ", 0); }

    // One command as the main window runs it: show the window, progress, the result line.
    void runCommand(const QString& result) {
        form->ShowWorking();
        newFile(100000);
        update(3);
        endOfBatch();
        form->ShowResult(result);
    }
    void clickOk() {
        QTest::mouseClick(form->Dismissbut, Qt::LeftButton, Qt::NoModifier, QPoint(37, 12));
    }

    std::unique_ptr<TMsgform> form;
};

TEST_F(MsgformTest, LayoutFollowsTheDesign) {
    EXPECT_EQ(form->windowTitle(), "Quembly Messages");
    EXPECT_EQ(form->size(), QSize(289, 96));
    EXPECT_EQ(form->font().family(), "MS Sans Serif");
    EXPECT_EQ(form->font().pixelSize(), 10);
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    // Every control is found by its name, where the design puts it.
    auto* panel1 = form->findChild<QWidget*>("Panel1");
    auto* panel2 = form->findChild<QWidget*>("Panel2");
    ASSERT_TRUE(panel1 && panel2);
    EXPECT_EQ(panel1->geometry(), QRect(0, 0, 289, 60));
    EXPECT_EQ(panel2->geometry(), QRect(0, 60, 289, 36));
    EXPECT_EQ(panel1->palette().color(QPalette::Window), theme::kPaleBlue);
    EXPECT_EQ(panel2->palette().color(QPalette::Window), theme::kPanelBlue);
    EXPECT_TRUE(panel1->autoFillBackground());

    auto* bar = panel1->findChild<QProgressBar*>("ProgressBar1");
    ASSERT_EQ(bar, form->ProgressBar1);
    EXPECT_EQ(bar->geometry(), QRect(7, 10, 274, 13));

    auto* file = panel1->findChild<QLabel*>("FileBeingZipped");
    auto* result = panel1->findChild<QLabel*>("FileBeingZipped2");
    ASSERT_TRUE(file && result);
    EXPECT_EQ(file->geometry().x() + file->geometry().width(), 118);
    EXPECT_EQ(file->geometry().y(), 29);
    EXPECT_EQ(result->geometry().x() + result->geometry().width(), 198);
    EXPECT_EQ(result->geometry().y(), 21);
    EXPECT_TRUE(file->alignment() & Qt::AlignRight);
    EXPECT_TRUE(result->alignment() & Qt::AlignRight);
    EXPECT_EQ(file->text(), "File being manipulated");
    EXPECT_EQ(result->text(), "File being manipulated");

    auto* ok = panel2->findChild<TGradButton*>("Dismissbut");
    ASSERT_EQ(ok, form->Dismissbut);
    EXPECT_EQ(ok->geometry(), QRect(207, 6, 75, 25));
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_EQ(ok->ColorScheme(), TGradButton::csNeoDesert);
    EXPECT_TRUE(ok->Gradient());
}

TEST_F(MsgformTest, CreatedStateIsHiddenWithEverythingVisibleInside) {
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->ProgressBar1->isHidden());
    EXPECT_FALSE(form->FileBeingZipped->isHidden());
    EXPECT_FALSE(form->FileBeingZipped2->isHidden());
    EXPECT_EQ(bar(), std::make_tuple(1, 10, 1));
}

TEST_F(MsgformTest, NewFileSizesTheBarInStepsOf32KiB) {
    struct Case {
        std::int32_t size;
        int max;
        int position;
    };
    // Below one step the bar is advanced at once (and so full); from one step on it starts
    // at its minimum; q = size div 32768 steps, at least one.
    const Case cases[] = {{100000, 3, 1}, {20000, 1, 1},      {65536, 2, 1}, {32768, 1, 1},
                          {32767, 1, 1},  {0, 1, 1},          {98303, 2, 1}, {98304, 3, 1},
                          {-5, 1, 1},     {1 << 30, 32768, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        newFile(c.size, "dir/file.txt");
        EXPECT_EQ(bar(), std::make_tuple(1, c.max, c.position));
        EXPECT_EQ(form->Step(), 1);
        EXPECT_EQ(form->FileBeingZipped->text(), "dir/file.txt");
    }
}

TEST_F(MsgformTest, NewFileRestartsTheBarOfThePreviousFile) {
    newFile(1 << 20); // 32 steps
    update(20);
    EXPECT_EQ(form->ProgressBar1->value(), 21);
    newFile(200000); // 6 steps: back at the start, not carried over
    EXPECT_EQ(bar(), std::make_tuple(1, 6, 1));
}

TEST_F(MsgformTest, UpdatesAdvanceOneStepUpToTheMaximumAndStayFull) {
    newFile(100000);
    update();
    EXPECT_EQ(bar(), std::make_tuple(1, 3, 2));
    update();
    EXPECT_EQ(bar(), std::make_tuple(1, 3, 3));
    update(5);
    EXPECT_EQ(bar(), std::make_tuple(1, 3, 3));

    newFile(20000);
    update(3);
    EXPECT_EQ(bar(), std::make_tuple(1, 1, 1));
}

TEST_F(MsgformTest, EndOfBatchClearsTheFileAndResetsTheBar) {
    newFile(5 << 20, "big.iso");
    update(7);
    endOfBatch();
    EXPECT_EQ(form->FileBeingZipped->text(), "");
    EXPECT_EQ(bar(), std::make_tuple(1, 10, 1));
    // The reset range counts again from its start.
    update();
    EXPECT_EQ(form->ProgressBar1->value(), 2);
}

TEST_F(MsgformTest, StepItNeverPassesTheMaximum) {
    form->ProgressBar1->setRange(1, 10);
    form->ProgressBar1->setValue(8);
    form->setStep(5);
    form->StepIt();
    EXPECT_EQ(form->ProgressBar1->value(), 10);
    form->StepIt();
    EXPECT_EQ(form->ProgressBar1->value(), 10);
}

TEST_F(MsgformTest, FirstOperationShowsTheOldLabelThenOkHidesItForLaterOnes) {
    form->ShowWorking();
    ASSERT_TRUE(form->isVisible());
    // The very first operation: the result label still reads its design text.
    EXPECT_TRUE(form->FileBeingZipped2->isVisible());
    EXPECT_EQ(form->FileBeingZipped2->text(), "File being manipulated");
    EXPECT_TRUE(form->ProgressBar1->isVisible());
    newFile(100000, "one.txt");
    EXPECT_EQ(form->FileBeingZipped->text(), "one.txt");
    endOfBatch();

    // Result: only the result line.
    form->ShowResult("2 files were added");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->FileBeingZipped2->text(), "2 files were added");
    EXPECT_TRUE(form->FileBeingZipped2->isVisible());
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_FALSE(form->FileBeingZipped->isVisible());

    // "OK": ready, hidden, with the bar and the file label back and the result label gone.
    clickOk();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->FileBeingZipped2->isHidden());
    EXPECT_FALSE(form->ProgressBar1->isHidden());
    EXPECT_FALSE(form->FileBeingZipped->isHidden());

    // The next operation works with the bar and no result label until its own result.
    form->ShowWorking();
    EXPECT_TRUE(form->ProgressBar1->isVisible());
    EXPECT_TRUE(form->FileBeingZipped->isVisible());
    EXPECT_FALSE(form->FileBeingZipped2->isVisible());
    form->ShowResult("1 files were Deleted");
    EXPECT_TRUE(form->FileBeingZipped2->isVisible());
    EXPECT_EQ(form->FileBeingZipped2->text(), "1 files were Deleted");
}

TEST_F(MsgformTest, ClosingWithTheCloseBoxLeavesTheNextOperationWithoutBar) {
    runCommand("3 files were extracted");
    // The close box: the window closes (hidden, not destroyed) without DismissButClick.
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->testAttribute(Qt::WA_DeleteOnClose));

    form->ShowWorking();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->ProgressBar1->isVisible());
    EXPECT_FALSE(form->FileBeingZipped->isVisible());
    EXPECT_TRUE(form->FileBeingZipped2->isVisible());
    EXPECT_EQ(form->FileBeingZipped2->text(), "3 files were extracted");
    // Progress still drives the hidden bar.
    newFile(100000);
    update();
    EXPECT_EQ(form->ProgressBar1->value(), 2);

    form->ShowResult("4 files were added");
    EXPECT_EQ(form->FileBeingZipped2->text(), "4 files were added");
    // "OK" restores the bar for the operation after.
    clickOk();
    form->ShowWorking();
    EXPECT_TRUE(form->ProgressBar1->isVisible());
    EXPECT_TRUE(form->FileBeingZipped->isVisible());
    EXPECT_FALSE(form->FileBeingZipped2->isVisible());
}

TEST_F(MsgformTest, ProgressWhileHiddenStillUpdatesTheControls) {
    // The view commands extract without showing the window.
    newFile(100000, "view.txt");
    update();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->FileBeingZipped->text(), "view.txt");
    EXPECT_EQ(form->ProgressBar1->value(), 2);
}

} // namespace

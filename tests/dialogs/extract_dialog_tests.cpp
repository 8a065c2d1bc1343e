// The extract dialog and the new-folder window driven as a person does: folders clicked and
// walked with keys, the guard on the computer node, the three questions, the ways of leaving
// and the activation rule of DialogCancelled, and folders made beside the dialog.
#include "controls/GradButton.h"
#include "dialogs/DialogResults.h"
#include "dialogs/FolderTree.h"
#include "dialogs/Unit3.h"
#include "dialogs/extrunit.h"
#include "platform/Messages.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace fs = std::filesystem;
using dialogtest::clickFolder;

namespace {

class ExtractDialogTest : public ::testing::Test {
protected:
    ExtractDialogTest() : installed(messages) {
        dialogtest::application();
        Form7 = new TForm7;
        dialog = std::make_unique<TExtract>();
        Extract = dialog.get();
    }
    ~ExtractDialogTest() override {
        dialog.reset();
        delete Form7;
        Form7 = nullptr;
    }

    QString dir() const { return QString::fromStdString(folder.str()); }
    QString in(const char* name) const { return dir() + "/" + name; }
    TFolderTree* tree() const { return dialog->Directorylistbox1; }
    // Makes the dialog the active window, as coming back to it does.
    void activate(QWidget* window) {
        QApplication::setActiveWindow(window);
        QApplication::processEvents();
    }
    // Runs the dialog modally; ACT runs inside, then the dialog must have closed.
    void runModal(const std::function<void()>& act) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            activate(dialog.get());
            act();
            ran = true;
        });
        dialog->exec();
        ASSERT_TRUE(ran);
        ASSERT_FALSE(dialog->isVisible());
    }

    testsupport::TempDir folder;
    platform::ScriptedMessages messages;
    platform::ScopedMessageService installed;
    std::unique_ptr<TExtract> dialog;
};

// One attempt of the new-folder window: the name typed, and what comes of it.
struct NewFolder {
    const char* name;
    const char* typed;
    const char* message; // plain message, or ""
    const char* error;   // the error's path below the folder, or nullptr
    const char* made;    // the folder that now exists, or nullptr
};

class NewFolderTest : public ExtractDialogTest, public ::testing::WithParamInterface<NewFolder> {};

} // namespace

TEST_F(ExtractDialogTest, LayoutsAreTheDesignedOnes) {
    EXPECT_EQ(dialog->windowTitle(), "Select Extract Directory");
    EXPECT_EQ(dialog->size(), QSize(438, 384));
    EXPECT_EQ(Form7->windowTitle(), "Create New Folder");
    EXPECT_EQ(Form7->size(), QSize(273, 65));
    EXPECT_FALSE(Form7->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    const std::tuple<QWidget*, const char*, QRect, QString> table[] = {
        {dialog.get(), "Directorylistbox1", {4, 3, 253, 376}, ""},
        {dialog.get(), "Panel2", {262, 0, 175, 384}, ""},
        {dialog.get(), "RadioGroup1", {11, 13, 150, 59}, "Extract With Directories: No Yes"},
        {dialog.get(), "RadioGroup2", {10, 76, 151, 59}, "OverWrite Existing Files: No Yes"},
        {dialog.get(),
         "RadioGroup3",
         {10, 137, 152, 62},
         "Files to Extract: All Files Selected Files"},
        {dialog.get(), "GradButton1", {19, 208, 137, 25}, "Create New Folder"},
        {dialog.get(), "OKbut", {19, 312, 137, 25}, "OK"},
        {dialog.get(), "Cancelbut", {19, 344, 137, 25}, "Cancel"},
        {Form7, "Edit1", {80, 8, 185, 21}, ""},
        {Form7, "Bitbtn2", {96, 32, 75, 25}, "Cancel"},
        {Form7, "Bitbtn1", {184, 32, 75, 25}, "OK"},
    };
    for (const auto& [window, name, geometry, caption] : table) {
        auto* w = window->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->geometry(), geometry) << name;
        EXPECT_EQ(dialogtest::captionOf(w), caption) << name;
    }
    EXPECT_EQ(Form7->Label1->text(), "Folder Name :");
    EXPECT_TRUE(tree()->AutoRefresh());
}

TEST_F(ExtractDialogTest, OkWithTheFirstAnswersWritesTheChosenFolder) {
    runModal([&] {
        EXPECT_EQ(tree()->Path(), QDir::homePath()) << "the start folder";
        ASSERT_TRUE(clickFolder(tree(), dir()));
        dialog->OKbut->Click();
    });
    EXPECT_FALSE(DialogCancelled);
    EXPECT_EQ(ExtractDir, folder.str()) << "no closing separator";
    EXPECT_FALSE(ExtractWithDirs);
    EXPECT_TRUE(ExtractOverwrite);
    EXPECT_TRUE(ExtractAllFiles);
    // The root keeps its separator.
    runModal([&] {
        ASSERT_TRUE(clickFolder(tree(), "/"));
        dialog->OKbut->Click();
    });
    EXPECT_EQ(ExtractDir, "/");
}

TEST_F(ExtractDialogTest, KeysMoveTheSelectionAndTheComputerNodeSendsItHome) {
    testsupport::writeFile(folder / "a/x", "x");
    testsupport::writeFile(folder / "b/y", "y");
    dialog->show();
    ASSERT_TRUE(clickFolder(tree(), in("a")));
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Down);
    EXPECT_EQ(tree()->Path(), in("b"));

    ASSERT_TRUE(clickFolder(tree(), TFolderTree::ComputerName()));
    EXPECT_EQ(tree()->Path(), QDir::homePath());
    ASSERT_TRUE(tree()->setPath("/"));
    QTest::keyClick(tree(), Qt::Key_Up); // onto the computer node
    EXPECT_EQ(tree()->Path(), QDir::homePath());
}

TEST_F(ExtractDialogTest, CancelAndTheCloseBoxLeaveDialogCancelledSet) {
    ExtractDir = "/previous";
    ExtractWithDirs = true;
    runModal([&] {
        EXPECT_TRUE(DialogCancelled) << "set by the activation";
        dialog->RadioGroup1->Button(0)->click();
        dialog->close();
    });
    EXPECT_TRUE(DialogCancelled);
    EXPECT_EQ(ExtractDir, "/previous") << "the close box keeps it";
    EXPECT_TRUE(ExtractWithDirs) << "only OK writes the answers";

    runModal([&] { dialog->Cancelbut->Click(); });
    EXPECT_TRUE(DialogCancelled);
    EXPECT_EQ(ExtractDir, "");
    EXPECT_TRUE(ExtractWithDirs);
}

TEST_F(ExtractDialogTest, ComingBackFromTheNewFolderWindowCountsAsCancelledUntilOk) {
    runModal([&] {
        dialog->GradButton1->Click();
        EXPECT_TRUE(Form7->isVisible());
        EXPECT_FALSE(Form7->isModal()) << "the dialog stays usable beside it";
        activate(Form7);
        ASSERT_EQ(QApplication::activeWindow(), Form7);
        DialogCancelled = false;
        Form7->Bitbtn2->Click();
        EXPECT_FALSE(Form7->isVisible());
        activate(dialog.get());
        EXPECT_TRUE(DialogCancelled);
        dialog->OKbut->Click();
    });
    EXPECT_FALSE(DialogCancelled);
}

TEST_F(ExtractDialogTest, TreeFollowsTheFileSystemAndKeepsItsSelection) {
    testsupport::writeFile(folder / "keep/f", "f");
    testsupport::writeFile(folder / "old/f", "f");
    dialog->show();
    ASSERT_TRUE(clickFolder(tree(), in("keep")));
    const QModelIndex parent = tree()->indexOfPath(dir());
    ASSERT_EQ(tree()->model()->rowCount(parent), 2);

    fs::create_directory(folder / "added");
    fs::remove_all(folder / "old");
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return tree()->model()->rowCount(parent) == 2 &&
               tree()->model()->index(0, 0, parent).data().toString() == "added";
    }));
    EXPECT_EQ(tree()->model()->index(1, 0, parent).data().toString(), "keep");
    EXPECT_EQ(tree()->Path(), in("keep"));
}

TEST_P(NewFolderTest, OkMakesOneFolderInTheSelectedOne) {
    const NewFolder& c = GetParam();
    fs::create_directory(folder / "existing");
    dialog->show();
    ASSERT_TRUE(clickFolder(tree(), dir()));
    dialog->GradButton1->Click();
    Form7->Edit1->setText(c.typed);
    Form7->Bitbtn1->Click();

    const std::string base = folder.str() + "/";
    EXPECT_EQ(messages.messageTexts(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_EQ(messages.errorTexts(),
              c.error ? std::vector<std::string>{"Cannot create Folder : " + base + c.error + "."}
                      : std::vector<std::string>{});
    EXPECT_EQ(Form7->isVisible(), !c.made) << "open until a folder is made";
    if (!c.made) {
        EXPECT_EQ(Form7->Edit1->text(), c.typed);
    } else {
        EXPECT_TRUE(fs::is_directory(base + c.made));
    }
    EXPECT_EQ(tree()->Path(), dir()) << "the selection does not move";
}

INSTANTIATE_TEST_SUITE_P(
    Names, NewFolderTest,
    ::testing::Values(
        NewFolder{"New", "fresh", "", nullptr, "fresh"},
        NewFolder{"Existing", "existing", "Directory is already exist", nullptr, nullptr},
        NewFolder{"Empty", "", "Directory is already exist", nullptr, nullptr},
        NewFolder{"TwoLevelsBelowExisting", "existing/inner", "", nullptr, "existing/inner"},
        NewFolder{"TwoLevelsBelowMissing", "missing/inner", "", "missing/inner", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractDialogTest, NewFolderInAnUnwritableFolderIsRefused) {
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    dialog->show();
    ASSERT_TRUE(clickFolder(tree(), in("locked")));
    dialog->GradButton1->Click();
    RUN_UNPRIVILEGED({
        Form7->Edit1->setText("new");
        Form7->Bitbtn1->Click();
        EXPECT_EQ(messages.errorTexts(), std::vector<std::string>{"Cannot create Folder : " +
                                                                  folder.str() + "/locked/new."});
        EXPECT_TRUE(Form7->isVisible());
        EXPECT_FALSE(fs::exists(folder / "locked/new"));
    });
}

TEST_F(ExtractDialogTest, EachShowingOfTheNewFolderWindowStartsEmpty) {
    dialog->show();
    ASSERT_TRUE(clickFolder(tree(), dir()));
    dialog->GradButton1->Click();
    Form7->Edit1->setText("typed before");
    Form7->Bitbtn2->Click();
    dialog->GradButton1->Click();
    EXPECT_EQ(Form7->Edit1->text(), "");
    EXPECT_EQ(Form7->focusWidget(), Form7->Edit1) << "ready for the name";
    // Enter makes the folder.
    QTest::keyClicks(Form7->Edit1, "by-enter");
    QTest::keyClick(Form7->Edit1, Qt::Key_Return);
    EXPECT_TRUE(fs::is_directory(folder / "by-enter"));
}

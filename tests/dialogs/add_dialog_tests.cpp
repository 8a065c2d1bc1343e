// The Add Files dialog driven as a person does: folders clicked in the tree, files picked in
// the file list, collected, removed and sorted, and the ways of leaving the dialog.
#include "controls/GradButton.h"
#include "dialogs/Addunit.h"
#include "dialogs/DialogResults.h"
#include "dialogs/FolderTree.h"
#include "platform/Messages.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <tuple>

namespace fs = std::filesystem;
using dialogtest::clickFolder;

namespace {

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

void select(QListWidget* list, const QStringList& texts) {
    for (const QString& text : texts) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        found.front()->setSelected(true);
    }
}

class AddDialogTest : public ::testing::Test {
protected:
    AddDialogTest() : installed(messages) {
        dialogtest::application();
        form = std::make_unique<TAddForm>();
        form->show();
    }

    QString dir() const { return QString::fromStdString(folder.str()); }
    QString in(const char* name) const { return dir() + "/" + name; }
    void makeFiles(std::initializer_list<const char*> names) {
        for (const char* name : names)
            testsupport::writeFile(folder / name, name);
    }

    testsupport::TempDir folder;
    platform::ScriptedMessages messages;
    platform::ScopedMessageService installed;
    std::unique_ptr<TAddForm> form;
};

// How the dialog was left, and what the Add command then finds in DialogCancelled.
struct Outcome {
    const char* name;
    bool addFiles; // "Add Files" pressed before leaving
    void (*leave)(TAddForm*);
    bool cancelled;
};

class AddDialogOutcomeTest : public AddDialogTest, public ::testing::WithParamInterface<Outcome> {};

} // namespace

TEST_F(AddDialogTest, LayoutIsTheDesignedOne) {
    EXPECT_EQ(form->windowTitle(), "Add Files");
    EXPECT_EQ(form->size(), QSize(617, 432));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
              Qt::WindowMinimizeButtonHint);
    const std::tuple<const char*, QRect, QString> table[] = {
        {"Panel1", {0, 1, 479, 22}, ""},
        {"DirectoryListBox1", {3, 24, 167, 177}, ""},
        {"FileListBox1", {170, 24, 306, 176}, ""},
        {"Panel3", {3, 1, 473, 23}, ""},
        {"SelectedList", {3, 24, 472, 195}, ""},
        {"Panel4", {479, 1, 135, 431}, ""},
        {"Bevel1", {8, 29, 120, 53}, ""},
        {"DirNameCB", {14, 38, 95, 14}, "Save DirNames"},
        {"RecurseCB", {14, 60, 91, 14}, "Recurse Dirs"},
        {"Selectallbut", {8, 112, 121, 25}, "Select All"},
        {"Addfilebut", {8, 142, 122, 25}, "Add Files"},
        {"Removebut", {8, 171, 121, 25}, "Remove Files"},
        {"sortbut", {8, 328, 121, 25}, "Sort File List"},
        {"Okbut", {8, 359, 121, 25}, "Add To ZIP"},
        {"cancelbut", {8, 389, 121, 25}, "Cancel"},
    };
    for (const auto& [name, geometry, caption] : table) {
        auto* w = form->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_EQ(w->geometry(), geometry) << name;
        EXPECT_EQ(dialogtest::captionOf(w), caption) << name;
    }
    EXPECT_FALSE(form->DirectoryListBox1->AutoRefresh());
}

TEST_F(AddDialogTest, FileListShowsRegularFilesHiddenOnesTooAndNothingElse) {
    makeFiles({"b.txt", "A.txt", ".hidden", "sub/inner.txt"});
    fs::create_symlink(folder / "b.txt", folder / "link.txt");
    fs::create_symlink(folder / "missing", folder / "dangling");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0644), 0);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (folder / "sock").c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink(folder / "pipe", folder / "link-to-pipe");

    form->FileListBox1->setDirectory(dir());
    ::close(s);
    EXPECT_EQ(lines(form->FileListBox1), (QStringList{".hidden", "A.txt", "b.txt", "link.txt"}));
    EXPECT_EQ(form->FileListBox1->Directory(), dir());
}

TEST_F(AddDialogTest, OnlyALeftClickInTheTreePointsTheFileListAndShowingStartsAtHome) {
    makeFiles({"top.txt", "sub/inner.txt", "sub2/other.txt"});
    const QString home = QDir::homePath();
    EXPECT_EQ(form->DirectoryListBox1->Path(), home);
    EXPECT_EQ(form->FileListBox1->Directory(), home);

    ASSERT_TRUE(clickFolder(form->DirectoryListBox1, dir()));
    EXPECT_EQ(form->DirectoryListBox1->Path(), dir());
    EXPECT_EQ(lines(form->FileListBox1), QStringList{"top.txt"});

    // The keyboard moves the selection only.
    form->DirectoryListBox1->setFocus();
    QTest::keyClick(form->DirectoryListBox1, Qt::Key_Right); // opens the branch
    QTest::keyClick(form->DirectoryListBox1, Qt::Key_Down);
    EXPECT_EQ(form->DirectoryListBox1->Path(), in("sub"));
    EXPECT_EQ(form->FileListBox1->Directory(), dir());

    // A right click selects, but is no click for the file list.
    ASSERT_TRUE(clickFolder(form->DirectoryListBox1, in("sub2"), Qt::RightButton));
    EXPECT_EQ(form->DirectoryListBox1->Path(), in("sub2"));
    EXPECT_EQ(lines(form->FileListBox1), QStringList{"top.txt"});

    ASSERT_TRUE(clickFolder(form->DirectoryListBox1, in("sub2")));
    EXPECT_EQ(lines(form->FileListBox1), QStringList{"other.txt"});
    EXPECT_TRUE(messages.shown().empty());

    // Every showing starts in the home folder again.
    form->hide();
    form->show();
    EXPECT_EQ(form->DirectoryListBox1->Path(), home);
    EXPECT_EQ(form->FileListBox1->Directory(), home);
}

TEST_F(AddDialogTest, AddFilesCollectsFullPathsOnceEach) {
    makeFiles({"A.txt", "a.txt", "b.txt"});
    ASSERT_TRUE(clickFolder(form->DirectoryListBox1, dir()));

    DialogCancelled = false;
    form->Addfilebut->Click();
    EXPECT_TRUE(DialogCancelled) << "set even when nothing is picked";
    EXPECT_TRUE(lines(form->SelectedList).isEmpty());

    select(form->FileListBox1, {"b.txt", "A.txt"});
    form->Addfilebut->Click();
    EXPECT_EQ(lines(form->SelectedList), (QStringList{in("A.txt"), in("b.txt")}))
        << "in the file list's order";
    EXPECT_TRUE(form->FileListBox1->selectedItems().isEmpty());

    // The same path again is left out; one differing in letter case is another file here.
    select(form->FileListBox1, {"b.txt", "a.txt"});
    form->Addfilebut->Click();
    EXPECT_EQ(lines(form->SelectedList), (QStringList{in("A.txt"), in("b.txt"), in("a.txt")}));

    // The folder is the one the file list shows, even after the tree's selection moved.
    form->DirectoryListBox1->setPath(QDir::homePath());
    select(form->FileListBox1, {"a.txt"});
    form->Addfilebut->Click();
    EXPECT_EQ(form->SelectedList->count(), 3);
}

TEST(AddDialogAppendSlash, AddsOneSeparatorToANonEmptyPath) {
    const std::pair<QString, QString> table[] = {
        {"", ""}, {"/", "/"}, {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"a b", "a b/"}};
    for (const auto& [path, expected] : table)
        EXPECT_EQ(TAddForm::AppendSlash(path), expected) << path.toStdString();
}

TEST_F(AddDialogTest, SelectAllThenAddFilesTakesEveryFileShown) {
    makeFiles({"one", "two", "three"});
    form->FileListBox1->setDirectory(dir());
    form->Selectallbut->Click();
    EXPECT_EQ(form->FileListBox1->selectedItems().size(), 3);
    EXPECT_EQ(form->SelectedList->count(), 0) << "nothing is collected before Add Files";
    form->Addfilebut->Click();
    EXPECT_EQ(lines(form->SelectedList), (QStringList{in("one"), in("three"), in("two")}));
    EXPECT_TRUE(form->FileListBox1->selectedItems().isEmpty());
}

TEST_F(AddDialogTest, RemoveFilesDeletesTheSelectedLines) {
    makeFiles({"x", "y", "z"});
    form->FileListBox1->setDirectory(dir());
    form->Selectallbut->Click();
    form->Addfilebut->Click();

    form->Removebut->Click();
    EXPECT_EQ(form->SelectedList->count(), 3) << "nothing selected, nothing removed";
    select(form->SelectedList, {in("x"), in("z")});
    form->Removebut->Click();
    EXPECT_EQ(lines(form->SelectedList), QStringList{in("y")});
    form->SelectedList->selectAll();
    form->Removebut->Click();
    EXPECT_EQ(form->SelectedList->count(), 0);
}

TEST_F(AddDialogTest, SortedModeIgnoresLetterCaseAndLastsForTheDialog) {
    makeFiles({"c.txt", "B.txt", "a.txt", "Ba.txt"});
    form->FileListBox1->setDirectory(dir());
    for (const char* name : {"c.txt", "B.txt", "a.txt"}) {
        select(form->FileListBox1, {name});
        form->Addfilebut->Click();
    }
    EXPECT_EQ(lines(form->SelectedList), (QStringList{in("c.txt"), in("B.txt"), in("a.txt")}));

    form->sortbut->Click();
    EXPECT_TRUE(form->Sorted());
    EXPECT_FALSE(form->sortbut->isEnabled());
    EXPECT_EQ(lines(form->SelectedList), (QStringList{in("a.txt"), in("B.txt"), in("c.txt")}));
    select(form->FileListBox1, {"Ba.txt"});
    form->Addfilebut->Click();
    EXPECT_EQ(lines(form->SelectedList),
              (QStringList{in("a.txt"), in("B.txt"), in("Ba.txt"), in("c.txt")}));
}

TEST_F(AddDialogTest, FolderThatCannotBeListedKeepsTheListAndSaysSo) {
    makeFiles({"kept.txt", "gone/x", "locked/y"});
    form->FileListBox1->setDirectory(dir());
    const auto expectKept = [this](const QString& clicked) {
        messages.clear();
        ASSERT_TRUE(clickFolder(form->DirectoryListBox1, clicked));
        EXPECT_EQ(messages.errorTexts(), std::vector<std::string>{"Cannot open the folder " +
                                                                  clicked.toStdString() + "."});
        EXPECT_EQ(form->FileListBox1->Directory(), dir());
        EXPECT_EQ(lines(form->FileListBox1), QStringList{"kept.txt"});
    };

    // Gone meanwhile: the tree still shows it.
    ASSERT_TRUE(form->DirectoryListBox1->indexOfPath(in("gone")).isValid());
    fs::remove_all(folder / "gone");
    expectKept(in("gone"));
    // The computer node has no path to list.
    expectKept(TFolderTree::ComputerName());
    // No right to read it.
    fs::permissions(folder / "locked", fs::perms::owner_exec);
    RUN_UNPRIVILEGED(expectKept(in("locked")));
}

TEST_P(AddDialogOutcomeTest, DialogCancelledTellsTheAddCommandWhatToDo) {
    makeFiles({"f"});
    form->hide();
    DialogCancelled = false;
    bool left = false;
    QTimer::singleShot(0, [&] {
        form->FileListBox1->setDirectory(dir());
        form->Selectallbut->Click();
        if (GetParam().addFiles)
            form->Addfilebut->Click();
        GetParam().leave(form.get());
        left = true;
    });
    form->exec();
    ASSERT_TRUE(left);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(DialogCancelled, GetParam().cancelled);
    EXPECT_EQ(form->SelectedList->count(), GetParam().addFiles ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AddDialogOutcomeTest,
    ::testing::Values(
        Outcome{"AddToZip", true, [](TAddForm* f) { f->Okbut->Click(); }, false},
        Outcome{"AddToZipWithEmptyList", false, [](TAddForm* f) { f->Okbut->Click(); }, false},
        Outcome{"CancelWithoutAddFiles", false, [](TAddForm* f) { f->cancelbut->Click(); }, false},
        Outcome{"CancelAfterAddFiles", true, [](TAddForm* f) { f->cancelbut->Click(); }, true},
        Outcome{"CloseBoxAfterAddFiles", true, [](TAddForm* f) { f->close(); }, true},
        Outcome{"EscapeAfterAddFiles", true,
                [](TAddForm* f) { QTest::keyClick(f, Qt::Key_Escape); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

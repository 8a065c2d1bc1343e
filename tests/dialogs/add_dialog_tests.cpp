// The Add Files dialog driven as a person does: folders clicked in the tree, files picked in
// the file list, collected, removed and sorted, and the ways of leaving the dialog.
#include "controls/FileListBox.h"
#include "dialogs/AddFilesDialog.h"
#include "dialogs/DialogResults.h"
#include "tests/dialogs/DialogTestSupport.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace fs = std::filesystem;
using dialogtest::clickFolder;

namespace {

class AddDialogTest : public dialogtest::DialogTest {
protected:
    AddDialogTest() { form->show(); }

    // The lines of LIST, the test folder written "F".
    QString names(const QListWidget* list) const {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << brief(list->item(i)->text());
        return texts.join(' ');
    }
    // Where the tree's selection and the file list stand, and the files the list shows.
    QString at() const {
        return brief(form->DirectoryListBox1->Path() + " " + form->FileListBox1->Directory()) +
               ": " + names(form->FileListBox1);
    }
    std::unique_ptr<TAddForm> form = std::make_unique<TAddForm>();
};

class AddDialogSteps : public AddDialogTest,
                       public ::testing::WithParamInterface<dialogtest::Case> {};

} // namespace

TEST_F(AddDialogTest, LayoutIsTheDesignedOne) {
    // clang-format off
    dialogtest::expectLayout(form.get(), "Add Files", {617, 432}, {
        {"Panel1", {0, 1, 479, 22}}, {"DirectoryListBox1", {3, 24, 167, 177}},
        {"FileListBox1", {170, 24, 306, 176}}, {"Panel3", {3, 1, 473, 23}},
        {"SelectedList", {3, 24, 472, 195}}, {"Panel4", {479, 1, 135, 431}},
        {"Bevel1", {8, 29, 120, 53}}, {"DirNameCB", {14, 38, 95, 14}, "Save DirNames"},
        {"RecurseCB", {14, 60, 91, 14}, "Recurse Dirs"}, {"Selectallbut", {8, 112, 121, 25}, "Select All"},
        {"Addfilebut", {8, 142, 122, 25}, "Add Files"}, {"Removebut", {8, 171, 121, 25}, "Remove Files"},
        {"sortbut", {8, 328, 121, 25}, "Sort File List"}, {"Okbut", {8, 359, 121, 25}, "Add To ZIP"},
        {"cancelbut", {8, 389, 121, 25}, "Cancel"}, {"Bevel2", {8, 205, 120, 100}},
        {"EncryptCB", {14, 213, 95, 14}, "Encrypt"}, {"AesRB", {26, 233, 95, 14}, "AES-256"},
        {"ZipCryptoRB", {26, 253, 95, 14}, "ZipCrypto"},
        {"Label4", {26, 269, 98, 30}, "(weak, for older tools)"}});
    // clang-format on
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint),
              Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->DirectoryListBox1->AutoRefresh());
    // Unencrypted unless ticked; AES-256 is offered first and chosen until changed.
    EXPECT_FALSE(form->EncryptCB->isChecked());
    EXPECT_TRUE(form->AesRB->isChecked());
    EXPECT_FALSE(form->ZipCryptoRB->isEnabled());
    dialogtest::act(form.get(), "EncryptCB");
    EXPECT_TRUE(form->ZipCryptoRB->isEnabled());
}

TEST_F(AddDialogTest, FileListShowsRegularFilesHiddenOnesTooAndNothingElse) {
    makeFiles("b.txt A.txt .hidden sub/inner.txt");
    fs::create_symlink(folder / "b.txt", folder / "link.txt");
    fs::create_symlink(folder / "missing", folder / "dangling");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0644), 0);
    fs::create_symlink(folder / "pipe", folder / "link-to-pipe");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{AF_UNIX, {}};
    (folder / "sock").string().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    form->FileListBox1->setDirectory(dir());
    ::close(s);
    EXPECT_EQ(at(), "~ F: .hidden A.txt b.txt link.txt");
}

TEST_F(AddDialogTest, TheFileListFollowsTheTreeAndEachShowingStartsAtHome) {
    makeFiles("top.txt sub/inner.txt sub2/other.txt");
    EXPECT_EQ(at().section(':', 0, 0), "~ ~");
    dialogtest::act(form.get(), "DirectoryListBox1=.", dir());
    EXPECT_EQ(at(), "F F: top.txt");
    dialogtest::act(form.get(), "key=Right key=Down"); // opens the branch, then down
    EXPECT_EQ(at(), "F/sub F/sub: inner.txt") << "the keyboard moves the list too";
    ASSERT_TRUE(clickFolder(form->DirectoryListBox1, in("sub2"), Qt::RightButton));
    EXPECT_EQ(at(), "F/sub2 F/sub: inner.txt") << "a right click selects only";
    dialogtest::act(form.get(), "DirectoryListBox1=sub2", dir());
    EXPECT_EQ(at(), "F/sub2 F/sub2: other.txt");
    EXPECT_TRUE(messages.shown().empty());
    form->hide();
    form->show();
    EXPECT_EQ(at().section(':', 0, 0), "~ ~");
}

TEST(AddDialogAppendSlash, AddsOneSeparatorToANonEmptyPath) {
    const std::pair<QString, QString> table[] = {
        {"", ""}, {"/", "/"}, {"/tmp", "/tmp/"}, {"/tmp/", "/tmp/"}, {"a b", "a b/"}};
    for (const auto& [path, expected] : table)
        EXPECT_EQ(TAddForm::AppendSlash(path), expected) << path.toStdString();
}

TEST_F(AddDialogTest, FolderThatCannotBeListedKeepsTheListAndSaysSo) {
    makeFiles("kept.txt gone/x locked/y");
    form->FileListBox1->setDirectory(dir());
    const auto expectKept = [this](const QString& clicked) {
        messages.clear();
        ASSERT_TRUE(clickFolder(form->DirectoryListBox1, clicked));
        EXPECT_EQ(dialogtest::shown(messages), "!Cannot open the folder " + clicked + ".");
        EXPECT_EQ(at(), brief(clicked) + " F: kept.txt");
    };
    // Gone meanwhile: the tree still shows it.
    ASSERT_TRUE(form->DirectoryListBox1->indexOfPath(in("gone")).isValid());
    fs::remove_all(folder / "gone");
    expectKept(in("gone"));
    // The computer node has no path to list.
    expectKept(TFolderTree::ComputerName());
    // No right to read it.
    fs::permissions(folder / "locked", fs::perms::owner_exec);
    testsupport::Unprivileged unprivileged;
    expectKept(in("locked"));
}

// EXPECTED: the collected lines, "+N" for N files still picked in the file list, "open" while
// the dialog is shown, "sorted" in sorted mode, and "cancelled" when the Add command finds
// DialogCancelled set. The paths are in the folder the file list shows, not the tree's (home).
TEST_P(AddDialogSteps, LeaveTheCollectedListAndTheAnswer) {
    makeFiles(GetParam().given);
    form->hide();
    DialogCancelled = false;
    QStringList outcome;
    QTimer::singleShot(0, [&] {
        form->FileListBox1->setDirectory(dir());
        dialogtest::act(form.get(), GetParam().steps);
        outcome << names(form->SelectedList);
        if (const auto picked = form->FileListBox1->selectedItems().size())
            outcome << "+" + QString::number(picked);
        if (form->isVisible())
            outcome << "open";
        if (!form->sortbut->isEnabled())
            outcome << "sorted";
        form->done(QDialog::Rejected);
    });
    form->exec();
    if (DialogCancelled)
        outcome << "cancelled";
    EXPECT_EQ(outcome.join(' ').trimmed(), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(AddDialog, AddDialogSteps, ::testing::Values(
    dialogtest::Case{"Add Files with nothing picked", "a", "Addfilebut", "open cancelled"},
    // In the file list's order, each path once: on Linux letter case makes another file.
    dialogtest::Case{"picked files", "A.txt a.txt b.txt", "FileListBox1=b.txt,A.txt Addfilebut FileListBox1=b.txt,a.txt Addfilebut", "F/A.txt F/b.txt F/a.txt open cancelled"},
    dialogtest::Case{"Select All alone", "one two three", "Selectallbut", "+3 open"},
    dialogtest::Case{"Select All", "one two three", "Selectallbut Addfilebut", "F/one F/three F/two open cancelled"},
    // Nothing marked removes nothing; marked lines go, from the last line up.
    dialogtest::Case{"Remove Files", "x y z", "Selectallbut Addfilebut Removebut SelectedList=x,y Removebut", "F/z open cancelled"},
    dialogtest::Case{"unsorted until sorted", "c.txt B.txt a.txt", "FileListBox1=c.txt Addfilebut FileListBox1=B.txt Addfilebut FileListBox1=a.txt Addfilebut", "F/c.txt F/B.txt F/a.txt open cancelled"},
    dialogtest::Case{"sorted for the dialog's life, letter case ignored", "c.txt B.txt a.txt Ba.txt", "FileListBox1=c.txt Addfilebut FileListBox1=B.txt Addfilebut FileListBox1=a.txt Addfilebut sortbut FileListBox1=Ba.txt Addfilebut", "F/a.txt F/B.txt F/Ba.txt F/c.txt open sorted cancelled"},
    dialogtest::Case{"Add To ZIP", "f", "Selectallbut Addfilebut Okbut", "F/f"},
    dialogtest::Case{"Add To ZIP with an empty list", "f", "Selectallbut Okbut", "+1"},
    dialogtest::Case{"Cancel without Add Files", "f", "Selectallbut cancelbut", "+1"},
    dialogtest::Case{"Cancel after Add Files", "f", "Selectallbut Addfilebut cancelbut", "F/f cancelled"},
    dialogtest::Case{"close box after Add Files", "f", "Selectallbut Addfilebut close", "F/f cancelled"},
    dialogtest::Case{"Escape after Add Files", "f", "Selectallbut Addfilebut key=Escape", "F/f cancelled"}));
// clang-format on

// The archive file commands (Open ZIP, New ZIP, Delete ZIP) through the file-dialog seam and
// the scripted message boxes, and the small commands that only show or start something.
#include "tests/gui/MainWindowFixture.h"

#include "app/MessageWindow.h"
#include "controls/GradButton.h"
#include "dialogs/AboutWindow.h"
#include "dialogs/SettingsWindow.h"
#include "platform/Files.h"

#include <QAction>
#include <QLabel>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kOpenOptions = TOpenDialog::ofHideReadOnly | TOpenDialog::ofPathMustExist |
                                  TOpenDialog::ofFileMustExist | TOpenDialog::ofShareAware;
constexpr unsigned kNewOptions = TOpenDialog::ofHideReadOnly | TOpenDialog::ofShareAware;

} // namespace

// --- Open ZIP ---------------------------------------------------------------------------------

using OpenZipTest = MainWindowFixture;

TEST_F(OpenZipTest, ChosenArchiveIsListedAndNamed) {
    const std::string zip = writeZip("a.zip", {{"x/y/z.txt", "abc"}, {"top.txt", "t"}});
    start();
    messages.clear();
    chooser.choosePath(QString::fromStdString(zip));
    Mainform->OpenZIP1->trigger();

    ASSERT_EQ(chooser.seen.size(), 1u);
    EXPECT_EQ(chooser.seen[0].title, "Open Existing ZIP File");
    EXPECT_EQ(chooser.seen[0].filter, "Ostrel file (*.zip)|*.zip");
    EXPECT_EQ(chooser.seen[0].options, kOpenOptions);
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), zip);
    ASSERT_EQ(grid()->RowCount(), 3);
    EXPECT_EQ(grid()->FixedRows(), 1);
    EXPECT_EQ(cell(0, 1), "x\\y\\z.txt");
    EXPECT_EQ(Mainform->FilesLabel->text(), "2");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(OpenZipTest, CancelledDialogStillRewritesTheSeparators) {
    start();
    grid()->setRowCount(3);
    grid()->setCells(0, 1, "a/b/c.txt");
    grid()->setCells(0, 2, "d/e.txt");
    grid()->setCells(0, 0, "head/er");
    chooser.cancel();
    Mainform->ZipOpenBut->Click();
    EXPECT_EQ(cell(0, 1), "a\\b\\c.txt");
    EXPECT_EQ(cell(0, 2), "d\\e.txt");
    EXPECT_EQ(cell(0, 0), "head/er") << "row 0 is never touched";
    EXPECT_EQ(Mainform->ZipFname->text(), "");
}

TEST_F(OpenZipTest, DamagedArchiveIsReportedAndKeepsWhatWasRead) {
    const std::string bytes =
        guitest::buildZip({{"dir/first.txt", "1"}, {"dir/second.txt", "2"}, {"third", "3"}});
    // Cut inside the second local header: the first entry has been read.
    testsupport::writeFile(files / "cut.zip", bytes.substr(0, 30 + 13 + 1 + 20));
    const std::string path = (files / "cut.zip").string();
    start();
    messages.clear();
    chooser.choosePath(QString::fromStdString(path));
    Mainform->ZipOpenBut->Click();

    EXPECT_EQ(messages.errorTexts().size(), 1u);
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), path);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass is gone again";
    ASSERT_EQ(grid()->RowCount(), 2);
    EXPECT_EQ(cell(0, 1), "dir/first.txt") << "the separators are not rewritten";
}

TEST_F(OpenZipTest, ArchiveThatCannotBeOpenedLeavesNoEntriesOfTheOneBefore) {
    const std::string before = writeZip("before.zip", {{"old/a.txt", "a"}, {"old/b.txt", "b"}});
    const std::string path = writeZip("locked.zip", {{"new.txt", "n"}});
    start({QString::fromStdString(before)});
    ASSERT_EQ(grid()->RowCount(), 3);
    messages.clear();
    chooser.choosePath(QString::fromStdString(path));

    // The archive cannot be opened: the user may not read it.
    fs::permissions(path, fs::perms::none);
    {
        testsupport::Unprivileged unprivileged;
        Mainform->ZipOpenBut->Click();
    }
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(messages.errorTexts().size(), 1u);
    EXPECT_EQ(messages.errorTexts()[0].rfind("Cannot open file \"" + path + "\"", 0), 0u)
        << messages.errorTexts()[0];
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), path);
    EXPECT_EQ(grid()->RowCount(), 1) << "no entry of the archive shown before stays";
    EXPECT_EQ(cell(0, 0), "File Name");
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(OpenZipTest, FileWithoutEntriesLeavesTheCaptionRow) {
    testsupport::writeFile(files / "plain.zip", "this is no archive at all");
    start();
    chooser.choosePath(QString::fromStdString((files / "plain.zip").string()));
    Mainform->ZipOpenBut->Click();
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(grid()->FixedRows(), 0);
    EXPECT_EQ(cell(0, 0), "File Name");
}

// --- New ZIP ----------------------------------------------------------------------------------

using NewZipTest = MainWindowFixture;

TEST_F(NewZipTest, NameWithoutZipGetsTheExtension) {
    start();
    const QString base = QString::fromStdString((files / "backup").string());
    chooser.choosePath(base);
    Mainform->NewZIP1->trigger();

    ASSERT_EQ(chooser.seen.size(), 1u);
    EXPECT_EQ(chooser.seen[0].title, "Create New ZIP File");
    EXPECT_EQ(chooser.seen[0].filter, "ZIP Files (*.ZIP)|*.zip");
    EXPECT_EQ(chooser.seen[0].options, kNewOptions);
    EXPECT_EQ(Mainform->ZipFname->text(), base + ".zip");
    EXPECT_EQ(Mainform->Archiver1.ZipFilename(), (base + ".zip").toStdString());
    EXPECT_EQ(Mainform->OpenDialog1.FileName, base + ".zip");
    EXPECT_FALSE(fs::exists((base + ".zip").toStdString())) << "the first Add writes it";
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
}

TEST_F(NewZipTest, ZipAnywhereInTheNameInAnyCaseCounts) {
    start();
    for (const char* name : {"UPPER.ZIP", "old.zip.bak", "Mixed.Zip"}) {
        const QString path = QString::fromStdString((files / name).string());
        chooser.choosePath(path);
        Mainform->NewZipBut->Click();
        EXPECT_EQ(Mainform->ZipFname->text(), path);
        EXPECT_EQ(Mainform->Archiver1.ZipFilename(), path.toStdString());
    }
}

TEST_F(NewZipTest, CancelChangesNothing) {
    const std::string zip = writeZip("keep.zip", {{"k.txt", "k"}});
    start({QString::fromStdString(zip)});
    chooser.cancel();
    Mainform->NewZipBut->Click();
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), zip);
    EXPECT_EQ(grid()->RowCount(), 2);
}

TEST_F(NewZipTest, ExistingFileAnsweredNoKeepsEverything) {
    const std::string old = writeZip("old.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    const std::string current = writeZip("current.zip", {{"c/d.txt", "c"}});
    start({QString::fromStdString(current)});
    messages.clear();
    messages.answer(false);
    chooser.choosePath(QString::fromStdString(old));
    Mainform->NewZipBut->Click();

    EXPECT_EQ(messages.confirmTexts(),
              std::vector<std::string>{"Overwrite Existing File: " + old + "?"});
    EXPECT_TRUE(fs::exists(old));
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), current);
    EXPECT_EQ(Mainform->Archiver1.ZipFilename(), current);
    ASSERT_EQ(grid()->RowCount(), 2);
    EXPECT_EQ(cell(0, 1), "c\\d.txt");
    EXPECT_EQ(Mainform->FilesLabel->text(), "1");
}

TEST_F(NewZipTest, ExistingFileAnsweredYesIsDeletedAndTheTableEmptied) {
    const std::string old = writeZip("old.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    start({QString::fromStdString(old)});
    ASSERT_EQ(grid()->RowCount(), 3);
    messages.clear();
    messages.answer(true);
    chooser.choosePath(QString::fromStdString(old));
    Mainform->NewZipBut->Click();

    EXPECT_EQ(messages.confirmTexts().size(), 1u);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), old);
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(grid()->FixedRows(), 0);
    EXPECT_EQ(cell(0, 0), "File Name");
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
}

TEST_F(NewZipTest, OpenAfterNewKeepsTheFilterAndTheFileName) {
    start();
    const QString made = QString::fromStdString((files / "fresh").string());
    chooser.choosePath(made);
    Mainform->NewZipBut->Click();
    chooser.cancel();
    Mainform->ZipOpenBut->Click();

    ASSERT_EQ(chooser.seen.size(), 2u);
    EXPECT_EQ(chooser.seen[1].title, "Open Existing ZIP File");
    EXPECT_EQ(chooser.seen[1].filter, "ZIP Files (*.ZIP)|*.zip");
    EXPECT_EQ(chooser.seen[1].fileName, made + ".zip");
    EXPECT_EQ(chooser.seen[1].options, kOpenOptions);

    // And New ZIP after Open takes the path options off again.
    chooser.cancel();
    Mainform->NewZipBut->Click();
    EXPECT_EQ(chooser.seen[2].options, kNewOptions);
}

// --- Delete ZIP -------------------------------------------------------------------------------

using DeleteZipTest = MainWindowFixture;

TEST_F(DeleteZipTest, ConfirmedDeletionRemovesTheFileAndEmptiesTheTable) {
    const std::string zip = writeZip("gone.zip", {{"a/b.txt", "b"}, {"c.txt", "c"}});
    start({QString::fromStdString(zip)});
    messages.clear();
    messages.answer(true);
    Mainform->DeleteZIP1->trigger();

    EXPECT_EQ(messages.confirmTexts(),
              std::vector<std::string>{"Are you sure you want to delete: " + zip + "?"});
    EXPECT_FALSE(fs::exists(zip));
    EXPECT_EQ(Mainform->ZipFname->text(), "<none>");
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(grid()->FixedRows(), 0);
    EXPECT_EQ(Mainform->FilesLabel->text(), "0") << "the counter cleared with the table";
    EXPECT_EQ(Mainform->Archiver1.ZipFilename(), zip);
}

TEST_F(DeleteZipTest, AnsweredNoKeepsTheFile) {
    const std::string zip = writeZip("stay.zip", {{"a.txt", "a"}});
    start({QString::fromStdString(zip)});
    messages.clear();
    messages.answer(false);
    Mainform->DeleteZipBut->Click();
    EXPECT_TRUE(fs::exists(zip));
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), zip);
    EXPECT_EQ(grid()->RowCount(), 2);
}

TEST_F(DeleteZipTest, MissingFileIsReportedByName) {
    start();
    messages.clear();
    Mainform->ZipFname->setText("<none>");
    Mainform->DeleteZipBut->Click();
    Mainform->ZipFname->setText(QString::fromStdString((files / "absent.zip").string()));
    Mainform->DeleteZipBut->Click();
    EXPECT_EQ(messages.messageTexts(),
              (std::vector<std::string>{"Zip file not found: <none>",
                                        "Zip file not found: " + (files / "absent.zip").string()}));
    EXPECT_TRUE(messages.confirmTexts().empty());
}

TEST_F(DeleteZipTest, FailedDeletionIsReportedAndNothingLooksDeleted) {
    // A regular file that even the superuser cannot unlink.
    const std::string path = "/proc/version";
    ASSERT_TRUE(platform::fileExists(path));
    const std::string zip = writeZip("shown.zip", {{"a.txt", "a"}});
    start({QString::fromStdString(zip)});
    Mainform->ZipFname->setText(QString::fromStdString(path));
    messages.clear();
    messages.answer(true);
    Mainform->DeleteZipBut->Click();
    EXPECT_EQ(messages.errorTexts(), std::vector<std::string>{"Cannot delete " + path + "."});
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), path);
    EXPECT_EQ(grid()->RowCount(), 2);
}

// --- Commands that show or start something ----------------------------------------------------

using SmallCommandsTest = MainWindowFixture;

TEST_F(SmallCommandsTest, ConfigureAndAboutShowTheirWindowsWithoutBlocking) {
    start();
    Mainform->GradButton2->Click();
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_FALSE(Form2->isModal());
    Mainform->About1->trigger();
    EXPECT_TRUE(formabout->isVisible());
    EXPECT_FALSE(formabout->isModal());
}

TEST_F(SmallCommandsTest, HelpAndCombineStartTheFilesBesideTheProgram) {
    start();
    Mainform->Viewbut->Click();
    Mainform->CombineZIP1->trigger();
    ASSERT_EQ(shell.calls.size(), 2u);
    const std::string dir = platform::programDirectory() + "/";
    EXPECT_EQ(shell.calls[0].verb, "open");
    EXPECT_EQ(shell.calls[0].path, dir + "Quembly Help.html");
    EXPECT_EQ(shell.calls[1].verb, "start");
    EXPECT_EQ(shell.calls[1].path, dir + "combiner");
    EXPECT_EQ(shell.calls[1].argument, "");
}

TEST_F(SmallCommandsTest, PropertiesDescribeTheTopSelectedRow) {
    const std::string zip = writeZip("p.zip", {{"dir/report.final.pdf", "12345"}, {"x", "1"}});
    start({QString::fromStdString(zip)});
    messages.clear();
    grid()->setSelection({0, 1, 3, 2});
    Mainform->FilesProperties1->trigger();
    ASSERT_EQ(messages.messageTexts().size(), 1u);
    const std::string expected = "File Name         : dir\\report.final.pdf\r"
                                 "Extension file    : .pdf\r"
                                 "Compressed Size   : 5\r"
                                 "Uncompressed Size : 5\r"
                                 "Modified          : " +
                                 cell(3, 1).toStdString() + "\r";
    EXPECT_EQ(messages.messageTexts()[0], expected);
}

TEST_F(SmallCommandsTest, PropertiesWithoutArchiveShowTheCaptions) {
    start();
    messages.clear();
    Mainform->Properties1->trigger();
    EXPECT_EQ(messages.messageTexts(),
              std::vector<std::string>{"File Name         : File Name\r"
                                       "Extension file    : \r"
                                       "Compressed Size   : Compress Size\r"
                                       "Uncompressed Size : Uncompress Size\r"
                                       "Modified          : Date/Time\r"});
}

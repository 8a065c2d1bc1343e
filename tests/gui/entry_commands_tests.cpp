// Add, Extract and Delete from the main window, end to end on the real libraries: the dialogs
// driven as a person drives them, the archives checked with another ZIP tool, the files
// written checked by content, and every refusal.
#include "tests/gui/MainWindowFixture.h"

#include "app/MessageWindow.h"
#include "controls/RadioGroup.h"
#include "dialogs/AddFilesDialog.h"
#include "dialogs/DialogResults.h"
#include "dialogs/ExtractDialog.h"
#include "platform/Errors.h"
#include "tests/ziplibs/LibHarness.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>

namespace fs = std::filesystem;

namespace {

// The names in ZIP as Python's zipfile lists them, once it has checked every entry's CRC.
std::string namesByPython(const std::string& zip) {
    int status = 0;
    const std::string out =
        zltest::capture("python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                        "assert z.testzip() is None; print(*z.namelist())' " +
                            zltest::shellQuote(zip),
                        &status);
    EXPECT_EQ(status, 0) << "not a sound archive: " << zip;
    return out.substr(0, out.find('\n'));
}

class EntryCommandsTest : public MainWindowFixture {
protected:
    // Does COMMAND (steps of dialogtest::act in the main window); STEPS, when given, are done
    // in its dialog once that has come to the front, folders below the test folder, and THEN
    // after them.
    void command(const QString& command, const QString& steps = {},
                 const std::function<void()>& then = {}) {
        QTimer::singleShot(0, [this, steps, then] {
            // A person acts once the dialog has come to the front.
            QWidget* dialog = QApplication::activeModalWidget();
            if (steps.isEmpty() || !dialog)
                return;
            QApplication::setActiveWindow(dialog);
            if (!QTest::qWaitForWindowActive(dialog))
                return;
            ++dialogsShown;
            dialogtest::act(dialog, steps, QString::fromStdString(files.str()));
            if (then)
                then();
        });
        dialogtest::act(Mainform, command);
    }
    // The message window's result line after the closing sequence, which also hides the
    // progress bar and the current file's name.
    QString closing() const {
        return Msgform->FileBeingZipped2->text() +
               (Msgform->ProgressBar1->isVisible() || Msgform->FileBeingZipped->isVisible()
                    ? " (progress still shown)"
                    : "");
    }
    QString tableNames() const {
        QStringList names;
        for (int r = 1; r < grid()->RowCount(); ++r)
            names << cell(0, r);
        return names.join(' ');
    }
    // Rows TOP to BOTTOM of the table selected, as a drag over them selects them.
    void selectRows(int top, int bottom) { grid()->setSelection({0, top, 3, bottom}); }

    int dialogsShown = 0;
};

// An archive of six entries whose table, sorted by name, reads a, b, c, dir\d, dir\e, f.
const std::vector<guitest::ZipEntrySpec> kSix = {{"c.txt", "c"}, {"f.txt", "f"},
                                                 {"a.txt", "a"}, {"dir/e.txt", "e-dir"},
                                                 {"b.txt", "b"}, {"dir/d.txt", "d-dir"}};

class EntryRefusalTest : public EntryCommandsTest,
                         public ::testing::WithParamInterface<dialogtest::Case> {};
class ExtractTest : public EntryCommandsTest,
                    public ::testing::WithParamInterface<dialogtest::Case> {};
class WhileBusyTest : public EntryCommandsTest,
                      public ::testing::WithParamInterface<const char*> {};

} // namespace

// --- Add --------------------------------------------------------------------------------------

TEST_F(EntryCommandsTest, AddPutsTheCollectedFilesIntoTheArchive) {
    const std::string zip = startWith("target.zip", {{"old/keep.txt", "k"}});
    for (const char* name : {"one.txt", "two.txt", "not-me.txt"})
        testsupport::writeFile(files / "src" / name, name);
    command("AddBut", "DirectoryListBox1=src FileListBox1=one.txt,two.txt DirNameCB RecurseCB "
                      "Addfilebut Okbut");
    EXPECT_EQ(Mainform->Archiver1.AddOptions.bits(), 3) << "both option bits";
    EXPECT_EQ(shown(), "");
    // Stored with their folders, without the root's separator; the table refilled in "\" form.
    const std::string src = (files / "src").string().substr(1);
    EXPECT_EQ(namesByPython(zip), "old/keep.txt " + src + "/one.txt " + src + "/two.txt");
    EXPECT_EQ(tableNames(), QString::fromStdString(namesByPython(zip)).replace('/', '\\'));
    EXPECT_EQ(Mainform->FilesLabel->text(), "3");
    EXPECT_TRUE(Msgform->isVisible());
    EXPECT_EQ(closing(), "2 files were added");
    EXPECT_EQ(AddForm->SelectedList->count(), 0) << "emptied by the command";
    EXPECT_TRUE(Mainform->Archiver1.FSpecArgs().empty());

    // Progress lets other commands run meanwhile: a Delete started at the first progress of
    // the next Add (a fresh dialog, neither box ticked) is refused at once.
    testsupport::writeFile(files / "big/big.bin", zltest::noiseData(300000));
    const TProgressEvent progress = Mainform->Archiver1.OnProgress;
    int depth = 0, deepest = 0;
    Mainform->Archiver1.OnProgress = [&, started = false](auto... args) mutable {
        deepest = std::max(deepest, ++depth);
        if (!std::exchange(started, true))
            QTimer::singleShot(0, [this] {
                selectRows(1, 2);
                messages.answer(true);
                command("DeleteBut");
            });
        progress(args...);
        --depth;
    };
    command("AddBut", "DirectoryListBox1=big Selectallbut Addfilebut Okbut");
    EXPECT_EQ(shown(), "Please wait: an operation is still running.");
    EXPECT_EQ(deepest, 1) << "the library entered again from its own progress";
    EXPECT_EQ(namesByPython(zip), "old/keep.txt " + src + "/one.txt " + src + "/two.txt big.bin");
    EXPECT_EQ(closing(), "1 files were added");
    EXPECT_EQ(Mainform->Archiver1.AddOptions.bits(), 0);
}

// GIVEN is the archive opened at start ("" for none, ".EXE" is self-extracting, "empty.zip" has
// no entries, others six); STEPS the command, then what the person does in its dialog, if one
// opens.
TEST_P(EntryRefusalTest, StopsWithItsMessage) {
    const dialogtest::Case& c = GetParam();
    const QString steps = c.steps;
    if (!*c.given)
        start();
    const std::string zip =
        *c.given ? startWith(c.given, std::string(c.given) == "empty.zip" ? decltype(kSix){} : kSix)
                 : "";
    const std::string before = zip.empty() ? "" : testsupport::readFile(zip);
    // The answers an earlier Extract left: only this dialog's own run may stop the command.
    ExtractDir = files.str();
    DialogCancelled = false;
    command(steps.section(' ', 0, 0), steps.section(' ', 1));

    EXPECT_EQ(dialogsShown, steps.contains(' ') ? 1 : 0);
    EXPECT_EQ(shown(), c.expected);
    EXPECT_FALSE(Msgform->isVisible());
    EXPECT_EQ(zip.empty() ? "" : testsupport::readFile(zip), before) << "the archive unchanged";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Commands, EntryRefusalTest, ::testing::Values(
    dialogtest::Case{"Add without archive", "", "AddBut", "Error - open a zip file first"},
    dialogtest::Case{"Add to self-extracting", "sfx.EXE", "AddFiles1", "Error - this pgm can NOT add files to a self-extracting archive"},
    dialogtest::Case{"Add To ZIP with an empty list", "six.zip", "AddBut Okbut", "No files selected"},
    dialogtest::Case{"Add cancelled before Add Files", "six.zip", "AddBut cancelbut", ""},
    dialogtest::Case{"Add closed", "six.zip", "AddBut close", ""},
    dialogtest::Case{"Add cancelled after Add Files", "six.zip", "AddBut Selectallbut Addfilebut cancelbut", ""},
    dialogtest::Case{"Extract cancelled", "six.zip", "ExtractBut Cancelbut", ""},
    dialogtest::Case{"Extract closed", "six.zip", "Extract1 close", ""},
    dialogtest::Case{"Extract without entries", "empty.zip", "ExtractBut OKbut", "Error - no files to extract"},
    dialogtest::Case{"Extract without archive", "", "ExtractBut", "Error: file not found: "},
    dialogtest::Case{"Delete from self-extracting", "sfx.EXE", "DeleteBut", "Error - this pgm can NOT delete files from a self-extracting archive"},
    dialogtest::Case{"Delete without entries", "empty.zip", "DeleteFiles1", "Error - no files to delete"},
    dialogtest::Case{"Delete answered No", "six.zip", "DeleteBut", "?Delete selected files from: F/six.zip?"}));
// clang-format on

// An error raised by the operation is reported with the command's own text, and the closing
// sequence still runs.
TEST_F(EntryCommandsTest, FailedOperationStillRunsTheClosingSequence) {
    const std::string zip = startWith("t.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    testsupport::writeFile(files / "src/f.txt", "f");
    // Reading the changed archive back fails.
    Mainform->Archiver1.OnDirUpdate = [](TArchiver*) {
        throw platform::EStreamError("Error reading Zip File");
    };
    command("AddBut", "DirectoryListBox1=src FileListBox1=f.txt Addfilebut Okbut");
    selectRows(1, 1);
    messages.answer(true);
    command("DeleteBut");

    EXPECT_EQ(shown(), "Error in Add; Fatal DLL Exception in mainunit / ?Delete selected files "
                       "from: F/t.zip? / Fatal error trying to delete");
    EXPECT_EQ(closing(), "1 files were Deleted");
    EXPECT_EQ(namesByPython(zip), "b.txt f.txt");
}

// --- Extract ----------------------------------------------------------------------------------

// STEPS answer the dialog's questions; rows 3 to 5 of the sorted table are selected and the
// folder holds an older a.txt. EXPECTED: the result line, the option bits and what the folder
// then holds.
TEST_P(ExtractTest, WritesTheAskedEntriesIntoTheChosenFolder) {
    startWith("six.zip", kSix);
    testsupport::writeFile(files / "out/a.txt", "old");
    grid()->SortByColumn(0, TSortOptions{});
    selectRows(3, 5);
    command("ExtractBut", "Directorylistbox1=out " + QString(GetParam().steps) + " OKbut");

    EXPECT_EQ(shown(), "");
    EXPECT_EQ(fs::current_path(), files / "out");
    EXPECT_EQ(closing().toStdString() + ", options " +
                  std::to_string(Mainform->Archiver1.ExtrOptions.bits()) + ": " +
                  treeText(files / "out"),
              GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Answers, ExtractTest, ::testing::Values(
    dialogtest::Case{"all with directories", "", "RadioGroup1=1", "6 files were extracted, options 3: a.txt=a b.txt=b c.txt=c dir/d.txt=d-dir dir/e.txt=e-dir f.txt=f"},
    dialogtest::Case{"all, the dialog's first answers", "", "", "6 files were extracted, options 2: a.txt=a b.txt=b c.txt=c d.txt=d-dir e.txt=e-dir f.txt=f"},
    dialogtest::Case{"all, keeping existing files", "", "RadioGroup2=0", "5 files were extracted, 1 skipped, options 0: a.txt=old b.txt=b c.txt=c d.txt=d-dir e.txt=e-dir f.txt=f"},
    dialogtest::Case{"rows 3 to 5 with directories", "", "RadioGroup1=1 RadioGroup3=1", "3 files were extracted, options 3: a.txt=old c.txt=c dir/d.txt=d-dir dir/e.txt=e-dir"},
    dialogtest::Case{"rows 3 to 5", "", "RadioGroup3=1", "3 files were extracted, options 2: a.txt=old c.txt=c d.txt=d-dir e.txt=e-dir"}));
// clang-format on

TEST_F(EntryCommandsTest, ExtractIntoAFolderGoneOrLockedMeanwhileWritesNothing) {
    startWith("a.zip", {{"a.txt", "a"}});
    const fs::path current = fs::current_path();
    fs::create_directory(files / "gone");
    command("ExtractBut", "Directorylistbox1=gone OKbut", [this] { fs::remove(files / "gone"); });
    EXPECT_EQ(shown(), "Error - cannot open the folder F/gone");
    EXPECT_EQ(closing(), "Extract failed: Error - cannot open the folder " +
                             QString::fromStdString((files / "gone").string()));
    EXPECT_FALSE(fs::exists(current / "a.txt"));

    // A folder that cannot be written: the library writes nothing and counts nothing.
    fs::create_directory(files / "locked");
    fs::permissions(files / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    Msgform->FileBeingZipped2->clear();
    {
        testsupport::Unprivileged unprivileged;
        command("ExtractBut", "Directorylistbox1=locked OKbut");
        EXPECT_EQ(dialogsShown, 2);
        EXPECT_EQ(closing(), "0 files were extracted, 1 skipped");
    }
    EXPECT_TRUE(fs::is_empty(files / "locked"));
}

// --- Delete -----------------------------------------------------------------------------------

TEST_F(EntryCommandsTest, DeleteKeyRemovesTheSelectedRowsAfterYes) {
    const std::string zip = startWith("six.zip", kSix);
    grid()->SortByColumn(0, TSortOptions{});
    selectRows(2, 4);
    messages.answer(true);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_EQ(shown(), "?Delete selected files from: F/six.zip?");
    EXPECT_EQ(namesByPython(zip), "f.txt a.txt dir/e.txt");
    EXPECT_EQ(tableNames(), "f.txt a.txt dir\\e.txt") << "refilled in archive order";
    EXPECT_EQ(closing(), "3 files were Deleted");

    // Every entry gone leaves a valid empty archive and the caption row.
    selectRows(1, 3);
    messages.answer(true);
    command("DeleteSelectedFile1");
    EXPECT_EQ(namesByPython(zip), "");
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");

    // Once the archive itself is deleted, Extract names the text the window shows.
    messages.clear();
    messages.answer(true);
    command("DeleteZipBut ExtractSelectedFile1");
    EXPECT_EQ(dialogtest::shown(messages).section(" / ", 1), "Error: file not found: <none>");
    EXPECT_EQ(dialogsShown, 0);
}

// --- What an operation says, one at a time, Cancel -------------------------------------------

// The result line tells what this operation did: the entries it skipped are counted and
// listed with their reasons under it, and a failed one says so instead of a count.
TEST_F(EntryCommandsTest, ResultLineAndMessageListTellWhatThisOperationDid) {
    const std::string zip = startWith("six.zip", kSix);
    const int cleanHeight = Msgform->height();
    testsupport::writeFile(files / "out/a.txt", "old");
    command("ExtractBut", "Directorylistbox1=out RadioGroup2=0 OKbut");
    EXPECT_EQ(closing(), "5 files were extracted, 1 skipped");
    ASSERT_EQ(Msgform->MessageList->count(), 1);
    EXPECT_EQ(Msgform->MessageList->item(0)->text(), "File exists, skipped: a.txt");
    EXPECT_GT(Msgform->height(), cleanHeight) << "the window grows for the list";

    // The archive gone: the Delete fails and says why, not the Extract's count.
    fs::remove(zip);
    selectRows(1, 1);
    messages.answer(true);
    command("DeleteBut");
    EXPECT_EQ(closing(), "Delete failed: Error - no zip file specified");
    EXPECT_TRUE(Msgform->MessageList->isHidden());
    EXPECT_EQ(Msgform->height(), cleanHeight);
}

// While an Add runs, each command that would start another operation is refused with one
// message and opens no dialog; the Add goes on to its true result.
TEST_P(WhileBusyTest, RefusesAnotherOperation) {
    const std::string zip = startWith("t.zip", {{"a.txt", "a"}});
    testsupport::writeFile(files / "big/big.bin", zltest::noiseData(300000));
    selectRows(1, 1);
    messages.setDefaultAnswer(true);
    const TProgressEvent progress = Mainform->Archiver1.OnProgress;
    Mainform->Archiver1.OnProgress = [&, asked = false](auto... args) mutable {
        if (!std::exchange(asked, true))
            dialogtest::act(Mainform, GetParam());
        progress(args...);
    };
    command("AddBut", "DirectoryListBox1=big Selectallbut Addfilebut Okbut");
    EXPECT_EQ(shown(), "Please wait: an operation is still running.");
    EXPECT_TRUE(chooser.seen.empty() && !Extract) << "no dialog opened";
    EXPECT_EQ(namesByPython(zip), "a.txt big.bin");
}

INSTANTIATE_TEST_SUITE_P(Commands, WhileBusyTest,
                         ::testing::Values("AddBut", "ExtractBut", "DeleteBut", "OpenFiles1",
                                           "Openwith1", "DeleteZipBut", "NewZipBut", "ZipOpenBut"));

// Cancel stops the library at its next progress call: an Add leaves the archive as it was,
// an Extract leaves no part of a file; closing the window during an operation asks first,
// cancels it and closes once it has stopped.
TEST_F(EntryCommandsTest, CancelStopsTheOperationAndLeavesNoTrace) {
    const std::string zip = startWith("t.zip", {{"big.bin", zltest::noiseData(300000)}});
    const std::string before = testsupport::readFile(zip);
    testsupport::writeFile(files / "big/big2.bin", zltest::noiseData(300000, 2));
    fs::create_directory(files / "out");
    const TProgressEvent progress = Mainform->Archiver1.OnProgress;
    Mainform->Archiver1.OnProgress = [&](auto... args) {
        progress(args...);
        if (Msgform->Cancelbut->isVisible())
            Msgform->Cancelbut->Click();
    };
    command("AddBut", "DirectoryListBox1=big Selectallbut Addfilebut Okbut");
    EXPECT_EQ(closing(), "Cancelled: 0 files were added");
    EXPECT_EQ(testsupport::readFile(zip), before);
    command("ExtractBut", "Directorylistbox1=out OKbut");
    EXPECT_EQ(closing(), "Cancelled: 0 files were extracted");
    EXPECT_EQ(treeText(files / "out"), "");

    Mainform->Archiver1.OnProgress = [&, asked = false](auto... args) mutable {
        if (!std::exchange(asked, true)) {
            messages.answer(true);
            Mainform->close();
        }
        progress(args...);
    };
    command("AddBut", "DirectoryListBox1=big Selectallbut Addfilebut Okbut");
    EXPECT_EQ(shown(), "?An operation is still running. Cancel it and quit?");
    EXPECT_EQ(testsupport::readFile(zip), before);
    EXPECT_EQ(terminateCalls, 0) << "not before the operation has stopped";
    QApplication::processEvents();
    EXPECT_EQ(terminateCalls, 1);
}

// The entry menu's Extract starts on "Selected Files".
TEST_F(EntryCommandsTest, MenuExtractStartsOnSelectedFiles) {
    startWith("six.zip", kSix);
    command("ExtractSelectedFile1", "Cancelbut");
    EXPECT_EQ(Extract->RadioGroup3->ItemIndex(), 1);
}

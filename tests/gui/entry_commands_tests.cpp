// Add, Extract and Delete from the main window, end to end on the real libraries: the dialogs
// driven as a person drives them, the archives checked with another ZIP tool, the files
// written checked by content, and every refusal.
#include "tests/gui/MainWindowFixture.h"

#include "app/msgunit.h"
#include "controls/GradButton.h"
#include "dialogs/Addunit.h"
#include "dialogs/DialogResults.h"
#include "dialogs/FolderTree.h"
#include "dialogs/extrunit.h"
#include "platform/Errors.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/ziplibs/LibHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using Tree = std::vector<std::pair<std::string, std::string>>;

namespace {

// The names in ZIP, read by Python's zipfile after it has checked every entry's CRC.
std::vector<std::string> namesByPython(const std::string& zip) {
    int status = 0;
    const std::string out = zltest::capture("python3 -c 'import sys, zipfile\n"
                                            "z = zipfile.ZipFile(sys.argv[1])\n"
                                            "assert z.testzip() is None\n"
                                            "print(\"\\n\".join(z.namelist()))' " +
                                                zltest::shellQuote(zip),
                                            &status);
    EXPECT_EQ(status, 0) << "not a sound archive: " << zip;
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        if (end > start)
            names.push_back(out.substr(start, end - start));
    return names;
}

class EntryCommandsTest : public MainWindowFixture {
protected:
    // Extracting moves the current folder; it is put back for the tests after.
    ~EntryCommandsTest() override { fs::current_path(startFolder); }

    // Arranges for ACT to run once the command's dialog is up, inside its modal run.
    void whenDialogShown(const std::function<void()>& act) {
        QTimer::singleShot(0, [this, act] {
            QWidget* dialog = QApplication::activeModalWidget();
            // A person acts once the dialog has come to the front.
            if (!dialog || !QTest::qWaitForWindowActive(dialog))
                return;
            ++dialogsShown;
            act();
        });
    }
    // The Add command with FILES (names in the folder SOURCE) picked in its dialog.
    void add(const fs::path& source, const QStringList& names, bool dirNames = false,
             bool recurse = false) {
        whenDialogShown([source, names, dirNames, recurse] {
            ASSERT_TRUE(dialogtest::clickFolder(AddForm->DirectoryListBox1,
                                                QString::fromStdString(source.string())));
            for (const QString& name : names)
                AddForm->FileListBox1->findItems(name, Qt::MatchExactly)
                    .value(0)
                    ->setSelected(true);
            AddForm->DirNameCB->setChecked(dirNames);
            AddForm->RecurseCB->setChecked(recurse);
            AddForm->Addfilebut->Click();
            AddForm->Okbut->Click();
        });
        Mainform->AddBut->Click();
    }
    // The Extract command into TARGET with the dialog's three answers.
    void extract(const fs::path& target, bool withDirs, bool overwrite, bool allFiles) {
        whenDialogShown([target, withDirs, overwrite, allFiles] {
            ASSERT_TRUE(dialogtest::clickFolder(Extract->Directorylistbox1,
                                                QString::fromStdString(target.string())));
            Extract->RadioGroup1->Button(withDirs ? 1 : 0)->click();
            Extract->RadioGroup2->Button(overwrite ? 1 : 0)->click();
            Extract->RadioGroup3->Button(allFiles ? 0 : 1)->click();
            Extract->OKbut->Click();
        });
        Mainform->ExtractBut->Click();
    }
    QString resultLine() const { return Msgform->FileBeingZipped2->text(); }
    std::vector<std::string> tableNames() const {
        std::vector<std::string> names;
        for (int r = 1; r < grid()->RowCount(); ++r)
            names.push_back(cell(0, r).toStdString());
        return names;
    }
    // Rows TOP to BOTTOM of the table selected, as a drag over them selects them.
    void selectRows(int top, int bottom) { grid()->setSelection({0, top, 3, bottom}); }

    const fs::path startFolder = fs::current_path();
    int dialogsShown = 0;
};

// An archive of six entries whose table, sorted by name, reads a, b, c, dir\d, dir\e, f.
const std::vector<guitest::ZipEntrySpec> kSix = {{"c.txt", "c"}, {"f.txt", "f"},
                                                 {"a.txt", "a"}, {"dir/e.txt", "e-dir"},
                                                 {"b.txt", "b"}, {"dir/d.txt", "d-dir"}};

// A command stopped before its operation: what the person sees, and that nothing ran.
struct Refusal {
    const char* name;
    const char* archive; // the archive opened at start ("" for none; ".EXE" is self-extracting)
    void (*command)(TMainform*);
    void (*inDialog)(); // what the person does in the dialog, or nullptr when none opens
    const char* message;
};

class EntryRefusalTest : public EntryCommandsTest, public ::testing::WithParamInterface<Refusal> {};

struct ExtractCase {
    const char* name;
    bool withDirs;
    bool allFiles;
    Tree written;
};

class ExtractTest : public EntryCommandsTest, public ::testing::WithParamInterface<ExtractCase> {};

} // namespace

// --- Add --------------------------------------------------------------------------------------

TEST_F(EntryCommandsTest, AddPutsTheCollectedFilesIntoTheArchive) {
    const std::string zip = writeZip("target.zip", {{"old/keep.txt", "k"}});
    testsupport::writeFile(files / "src/one.txt", "first");
    testsupport::writeFile(files / "src/two.txt", "second");
    testsupport::writeFile(files / "src/not-me.txt", "other");
    start({QString::fromStdString(zip)});
    messages.clear();

    add(files / "src", {"one.txt", "two.txt"}, true, true);

    EXPECT_EQ(dialogsShown, 1);
    EXPECT_EQ(Mainform->Archiver1.AddOptions.bits(), 3) << "both option bits";
    EXPECT_TRUE(messages.shown().empty());
    // Stored with their folders, without the root's separator.
    const std::string folder = (files / "src").string().substr(1);
    EXPECT_EQ(namesByPython(zip),
              (std::vector<std::string>{"old/keep.txt", folder + "/one.txt", folder + "/two.txt"}));
    std::string shown = folder + "/one.txt";
    std::replace(shown.begin(), shown.end(), '/', '\\');
    ASSERT_EQ(grid()->RowCount(), 4);
    EXPECT_EQ(cell(0, 1), "old\\keep.txt");
    EXPECT_EQ(cell(0, 2).toStdString(), shown);
    EXPECT_EQ(Mainform->FilesLabel->text(), "3");
    EXPECT_TRUE(Msgform->isVisible());
    EXPECT_EQ(resultLine(), "2 files were added");
    EXPECT_FALSE(Msgform->ProgressBar1->isVisible());
    EXPECT_FALSE(Msgform->FileBeingZipped->isVisible());
    EXPECT_EQ(AddForm->SelectedList->count(), 0) << "emptied by the command";
    EXPECT_TRUE(Mainform->Archiver1.FSpecArgs().empty());
}

TEST_P(EntryRefusalTest, StopsWithItsMessage) {
    const Refusal& c = GetParam();
    testsupport::writeFile(files / "src/f.txt", "f");
    std::string zip;
    if (*c.archive)
        zip = writeZip(c.archive, std::string(c.archive) == "empty.zip"
                                      ? std::vector<guitest::ZipEntrySpec>{}
                                      : std::vector<guitest::ZipEntrySpec>{{"a.txt", "a"}});
    start(zip.empty() ? QStringList{} : QStringList{QString::fromStdString(zip)});
    const std::string before = zip.empty() ? "" : testsupport::readFile(zip);
    messages.clear();
    if (c.inDialog)
        whenDialogShown(c.inDialog);
    c.command(Mainform);

    EXPECT_EQ(dialogsShown, c.inDialog ? 1 : 0);
    EXPECT_EQ(messages.messageTexts(),
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_FALSE(Msgform->isVisible());
    if (!zip.empty()) {
        EXPECT_EQ(testsupport::readFile(zip), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EntryRefusalTest,
    ::testing::Values(
        Refusal{"AddWithoutArchive", "", [](TMainform* m) { m->AddBut->Click(); }, nullptr,
                "Error - open a zip file first"},
        Refusal{"AddToSelfExtracting", "sfx.EXE", [](TMainform* m) { m->AddFiles1->trigger(); },
                nullptr, "Error - this pgm can NOT add files to a self-extracting archive"},
        Refusal{"AddToZipWithEmptyList", "a.zip", [](TMainform* m) { m->AddBut->Click(); },
                [] { AddForm->Okbut->Click(); }, "No files selected"},
        Refusal{"AddCancelledBeforeAddFiles", "a.zip", [](TMainform* m) { m->AddBut->Click(); },
                [] { AddForm->cancelbut->Click(); }, "No files selected"},
        Refusal{"AddCancelledAfterAddFiles", "a.zip", [](TMainform* m) { m->AddBut->Click(); },
                [] {
                    AddForm->Selectallbut->Click();
                    AddForm->Addfilebut->Click();
                    AddForm->cancelbut->Click();
                },
                ""},
        Refusal{"ExtractCancelled", "a.zip", [](TMainform* m) { m->ExtractBut->Click(); },
                [] { Extract->Cancelbut->Click(); }, ""},
        Refusal{"ExtractClosed", "a.zip", [](TMainform* m) { m->Extract1->trigger(); },
                [] { Extract->close(); }, ""},
        Refusal{"ExtractWithoutEntries", "empty.zip", [](TMainform* m) { m->ExtractBut->Click(); },
                [] { Extract->OKbut->Click(); }, "Error - no files to extract"},
        Refusal{"ExtractWithoutArchive", "", [](TMainform* m) { m->ExtractBut->Click(); }, nullptr,
                "Error: file not found: "},
        Refusal{"DeleteFromSelfExtracting", "sfx.EXE", [](TMainform* m) { m->DeleteBut->Click(); },
                nullptr, "Error - this pgm can NOT delete files from a self-extracting archive"},
        Refusal{"DeleteWithoutEntries", "empty.zip",
                [](TMainform* m) { m->DeleteFiles1->trigger(); }, nullptr,
                "Error - no files to delete"},
        Refusal{"DeleteAnsweredNo", "a.zip", [](TMainform* m) { m->DeleteBut->Click(); }, nullptr,
                ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryCommandsTest, ExtractAfterDeleteZipNamesTheDisplayedText) {
    const std::string zip = writeZip("gone.zip", {{"a.txt", "a"}});
    start({QString::fromStdString(zip)});
    messages.answer(true);
    Mainform->DeleteZipBut->Click();
    messages.clear();
    Mainform->ExtractSelectedFile1->trigger();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Error: file not found: <none>"});
    EXPECT_EQ(dialogsShown, 0);
}

// An error raised by the operation is reported with the command's own text, and the closing
// sequence still runs.
TEST_F(EntryCommandsTest, FailedOperationStillRunsTheClosingSequence) {
    const std::string zip = writeZip("t.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    testsupport::writeFile(files / "src/f.txt", "f");
    start({QString::fromStdString(zip)});
    messages.clear();
    // Reading the changed archive back fails.
    Mainform->Archiver1.OnDirUpdate = [](TArchiver*) {
        throw platform::EStreamError("Error reading Zip File");
    };
    add(files / "src", {"f.txt"});
    selectRows(1, 1);
    messages.answer(true);
    Mainform->DeleteBut->Click();

    EXPECT_EQ(messages.messageTexts(),
              (std::vector<std::string>{"Error in Add; Fatal DLL Exception in mainunit",
                                        "Fatal error trying to delete"}));
    EXPECT_EQ(resultLine(), "1 files were Deleted");
    EXPECT_FALSE(Msgform->ProgressBar1->isVisible());
    EXPECT_EQ(namesByPython(zip), (std::vector<std::string>{"b.txt", "f.txt"}));
}

// Progress lets other commands run meanwhile; one that needs the busy library returns at once.
TEST_F(EntryCommandsTest, CommandStartedDuringAnAddMeetsTheBusyLibrary) {
    const std::string zip = writeZip("busy.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    testsupport::writeFile(files / "src/big.bin", zltest::noiseData(300000));
    start({QString::fromStdString(zip)});
    messages.clear();
    // At the first progress of the Add, a Delete is started from the event loop that the
    // progress handler runs.
    const TProgressEvent progress = Mainform->Archiver1.OnProgress;
    bool started = false;
    Mainform->Archiver1.OnProgress = [&](TArchiver* sender, ProgressType type,
                                         const std::string& name, std::int32_t size) {
        if (!started) {
            started = true;
            QTimer::singleShot(0, [this] {
                selectRows(1, 2);
                messages.answer(true);
                Mainform->DeleteBut->Click();
            });
        }
        progress(sender, type, name, size);
    };
    whenDialogShown([this] {
        dialogtest::clickFolder(AddForm->DirectoryListBox1,
                                QString::fromStdString((files / "src").string()));
        AddForm->Selectallbut->Click();
        AddForm->Addfilebut->Click();
        AddForm->Okbut->Click();
    });
    Mainform->AddBut->Click();

    EXPECT_EQ(messages.confirmTexts().size(), 1u);
    EXPECT_EQ(namesByPython(zip), (std::vector<std::string>{"a.txt", "b.txt", "big.bin"}));
    EXPECT_EQ(resultLine(), "1 files were added");
    EXPECT_EQ(Mainform->Archiver1.AddOptions.bits(), 0) << "neither box ticked";
}

// --- Extract ----------------------------------------------------------------------------------

TEST_P(ExtractTest, WritesTheAskedEntriesIntoTheChosenFolder) {
    const ExtractCase& c = GetParam();
    const std::string zip = writeZip("six.zip", kSix);
    fs::create_directory(files / "out");
    start({QString::fromStdString(zip)});
    grid()->SortByColumn(0, TSortOptions{});
    ASSERT_EQ(cell(0, 4), "dir\\d.txt");
    selectRows(3, 5);
    messages.clear();

    extract(files / "out", c.withDirs, true, c.allFiles);

    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(zltest::treeContents(files / "out"), c.written);
    EXPECT_EQ(resultLine().toStdString(),
              std::to_string(c.written.size()) + " files were extracted");
    EXPECT_EQ(fs::current_path(), files / "out");
    EXPECT_EQ(Mainform->Archiver1.ExtrOptions.bits(), c.withDirs ? 3 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExtractTest,
    ::testing::Values(ExtractCase{"AllWithDirectories",
                                  true,
                                  true,
                                  {{"a.txt", "a"},
                                   {"b.txt", "b"},
                                   {"c.txt", "c"},
                                   {"dir/d.txt", "d-dir"},
                                   {"dir/e.txt", "e-dir"},
                                   {"f.txt", "f"}}},
                      ExtractCase{"AllWithoutDirectories",
                                  false,
                                  true,
                                  {{"a.txt", "a"},
                                   {"b.txt", "b"},
                                   {"c.txt", "c"},
                                   {"d.txt", "d-dir"},
                                   {"e.txt", "e-dir"},
                                   {"f.txt", "f"}}},
                      ExtractCase{"RowsThreeToFiveWithDirectories",
                                  true,
                                  false,
                                  {{"c.txt", "c"}, {"dir/d.txt", "d-dir"}, {"dir/e.txt", "e-dir"}}},
                      ExtractCase{"RowsThreeToFiveWithoutDirectories",
                                  false,
                                  false,
                                  {{"c.txt", "c"}, {"d.txt", "d-dir"}, {"e.txt", "e-dir"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryCommandsTest, ExtractOverwritesExistingFilesOnlyWhenAsked) {
    const std::string zip = writeZip("two.zip", {{"a.txt", "new-a"}, {"b.txt", "new-b"}});
    start({QString::fromStdString(zip)});
    for (const bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite);
        fs::remove_all(files / "out");
        testsupport::writeFile(files / "out/a.txt", "old-a");
        extract(files / "out", false, overwrite, true);
        EXPECT_EQ(zltest::treeContents(files / "out"),
                  (Tree{{"a.txt", overwrite ? "new-a" : "old-a"}, {"b.txt", "new-b"}}));
        EXPECT_EQ(resultLine(), overwrite ? "2 files were extracted" : "1 files were extracted");
    }
}

TEST_F(EntryCommandsTest, ExtractIntoAFolderGoneOrLockedMeanwhileWritesNothing) {
    const std::string zip = writeZip("a.zip", {{"a.txt", "a"}});
    fs::create_directory(files / "gone");
    start({QString::fromStdString(zip)});
    const fs::path current = fs::current_path();
    messages.clear();
    whenDialogShown([this] {
        dialogtest::clickFolder(Extract->Directorylistbox1,
                                QString::fromStdString((files / "gone").string()));
        Extract->OKbut->Click();
        fs::remove(files / "gone");
    });
    Mainform->ExtractBut->Click();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Error - cannot open the folder " +
                                                                (files / "gone").string()});
    EXPECT_EQ(resultLine(), "0 files were extracted");
    EXPECT_FALSE(fs::exists(current / "a.txt"));

    // A folder that cannot be written: the library writes nothing and counts nothing.
    fs::create_directory(files / "locked");
    fs::permissions(files / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    RUN_UNPRIVILEGED({
        extract(files / "locked", false, true, true);
        EXPECT_EQ(dialogsShown, 2);
        EXPECT_EQ(resultLine(), "0 files were extracted");
        EXPECT_TRUE(fs::is_empty(files / "locked"));
    });
}

// --- Delete -----------------------------------------------------------------------------------

TEST_F(EntryCommandsTest, DeleteKeyRemovesTheSelectedRowsAfterYes) {
    const std::string zip = writeZip("six.zip", kSix);
    start({QString::fromStdString(zip)});
    grid()->SortByColumn(0, TSortOptions{});
    selectRows(2, 4);
    messages.clear();
    messages.answer(true);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Delete);

    EXPECT_EQ(messages.confirmTexts(),
              std::vector<std::string>{"Delete selected files from: " + zip + "?"});
    EXPECT_EQ(namesByPython(zip), (std::vector<std::string>{"f.txt", "a.txt", "dir/e.txt"}));
    EXPECT_EQ(tableNames(), (std::vector<std::string>{"f.txt", "a.txt", "dir\\e.txt"}))
        << "refilled in archive order, with backslashes";
    EXPECT_EQ(resultLine(), "3 files were Deleted");

    // Every entry gone leaves a valid empty archive and the caption row.
    selectRows(1, 3);
    messages.answer(true);
    Mainform->DeleteSelectedFile1->trigger();
    EXPECT_EQ(namesByPython(zip), std::vector<std::string>{});
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
}

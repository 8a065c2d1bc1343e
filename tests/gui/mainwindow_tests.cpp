// The main window as a frame: start-up with and without an archive, what its creation reads
// and makes, the column proportions on resize, close against Exit, the access gate and the
// Delete key.
#include "tests/gui/MainWindowFixture.h"

#include "app/CommandLine.h"
#include "app/MessageWindow.h"
#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/PasswordPrompt.h"
#include "dialogs/SettingsWindow.h"
#include "platform/Registry.h"
#include "platform/qt/Locale.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <filesystem>
#include <optional>
#include <tuple>

namespace fs = std::filesystem;
using guitest::dosDate;
using guitest::dosTime;
using Kind = platform::ScriptedMessages::Kind;

namespace {

std::vector<int> columnWidths(const TSortingGrid* grid) {
    std::vector<int> widths;
    for (int c = 0; c < grid->ColCount(); ++c)
        widths.push_back(grid->ColWidths(c));
    return widths;
}

// Pixels of IMAGE that are not fully transparent.
int paintedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) != 0;
    return count;
}

} // namespace

// --- Start-up ---------------------------------------------------------------------------------

using StartUpTest = MainWindowFixture;

TEST_F(StartUpTest, WithoutArchiveTheTableHoldsOnlyTheCaptionRow) {
    start();
    EXPECT_EQ(Mainform->windowTitle(), "Quembly 1.0");
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(grid()->FixedRows(), 0);
    EXPECT_EQ(grid()->FixedCols(), 0);
    ASSERT_EQ(grid()->ColCount(), 4);
    EXPECT_EQ(cell(0, 0), "File Name");
    EXPECT_EQ(cell(1, 0), "Compress Size");
    EXPECT_EQ(cell(2, 0), "Uncompress Size");
    EXPECT_EQ(cell(3, 0), "Date/Time");
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{400, 100, 110, 130}));
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
    EXPECT_EQ(Mainform->ZipFname->text(), "");
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(StartUpTest, CommandLineArchiveIsListedWithBackslashSeparators) {
    const std::string zip =
        writeZip("sample.zip", {{"readme.txt", "hello", dosDate(2021, 3, 4), dosTime(5, 6, 8)},
                                {"docs/guide/intro.txt", std::string(1000, 'x')},
                                {"docs/a/b/c/deep.bin", "12345"}});
    start({QString::fromStdString(zip), "ignored-second-argument"});

    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), zip);
    EXPECT_EQ(Mainform->Archiver1.ZipFilename(), zip);
    ASSERT_EQ(grid()->RowCount(), 4);
    EXPECT_EQ(grid()->FixedRows(), 1);
    EXPECT_EQ(cell(0, 0), "File Name");
    EXPECT_EQ(cell(0, 1), "readme.txt");
    EXPECT_EQ(cell(0, 2), "docs\\guide\\intro.txt");
    EXPECT_EQ(cell(0, 3), "docs\\a\\b\\c\\deep.bin");
    EXPECT_EQ(cell(1, 2), "1000");
    EXPECT_EQ(cell(2, 2), "1000");
    EXPECT_EQ(cell(2, 1), "5");
    EXPECT_EQ(cell(3, 1), platform::dateTimeText(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 8))));
    EXPECT_TRUE(cell(3, 1).contains("  ")) << "date and time are two spaces apart";
    EXPECT_EQ(Mainform->FilesLabel->text(), "3");
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(StartUpTest, EntryWithImpossibleDateGetsAnEmptyCellAndTheListingGoesOn) {
    const std::string zip =
        writeZip("dates.zip", {{"good1.txt", "a"},
                               {"month13.txt", "b", dosDate(2020, 13, 1), dosTime(1, 2, 4)},
                               {"hour25.txt", "c", dosDate(2020, 1, 1), dosTime(25, 0, 0)},
                               {"good2.txt", "d"}});
    start({QString::fromStdString(zip)});

    ASSERT_EQ(grid()->RowCount(), 5);
    EXPECT_EQ(cell(0, 2), "month13.txt");
    EXPECT_EQ(cell(3, 2), "");
    EXPECT_EQ(cell(3, 3), "");
    EXPECT_EQ(cell(0, 4), "good2.txt");
    EXPECT_FALSE(cell(3, 4).isEmpty());
    EXPECT_EQ(Mainform->FilesLabel->text(), "4");
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(StartUpTest, EncryptedEntriesAloneCarryTheLockMarkWhereverTheyAreSorted) {
    std::string bytes = guitest::buildZip({{"b/plain.txt", "1"}, {"a/secret.txt", "22"}});
    // General flag bit 0 (encrypted) on the second entry, in its local and central header.
    for (const auto& [signature, flagsAt, nameAt] :
         {std::tuple{"PK\x03\x04", 6, 30}, std::tuple{"PK\x01\x02", 8, 46}})
        for (auto at = bytes.find(signature); at != std::string::npos;
             at = bytes.find(signature, at + 4))
            if (bytes.compare(at + nameAt, 12, "a/secret.txt") == 0)
                bytes[at + flagsAt] |= 1;
    testsupport::writeFile(files / "locked.zip", bytes);
    start({QString::fromStdString((files / "locked.zip").string())});
    ASSERT_EQ(grid()->RowCount(), 3);
    TSortOptions byName;
    for (int sorted = 0; sorted < 2; ++sorted) {
        const int secret = sorted ? 1 : 2;
        EXPECT_EQ(cell(0, secret), "a\\secret.txt") << "the name itself is unchanged";
        EXPECT_NE(grid()->CellMark(0, secret), nullptr);
        EXPECT_EQ(grid()->CellMark(0, 3 - secret), nullptr);
        EXPECT_EQ(grid()->CellMark(1, secret), nullptr) << "only the name cell";
        grid()->SortByColumn(0, byName);
    }
}

TEST_F(StartUpTest, MissingOrEmptyCommandLineArchiveLeavesTheCaptionRow) {
    start({QString::fromStdString((files / "absent.zip").string())});
    EXPECT_EQ(grid()->RowCount(), 1);
    EXPECT_EQ(grid()->FixedRows(), 0);
    EXPECT_EQ(Mainform->FilesLabel->text(), "0");
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), (files / "absent.zip").string());
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(StartUpTest, DamagedCommandLineArchiveIsReportedAndTheWindowStillOpens) {
    std::string bytes = guitest::buildZip({{"one.txt", "1"}, {"two.txt", "22"}});
    testsupport::writeFile(files / "cut.zip", bytes.substr(0, 45)); // inside the second header
    start({QString::fromStdString((files / "cut.zip").string())});
    EXPECT_TRUE(Mainform->isVisible());
    EXPECT_EQ(messages.errorTexts().size(), 1u);
    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), (files / "cut.zip").string());
}

TEST_F(StartUpTest, WindowsAreMadeInTheirOrderAndNamed) {
    create();
    ASSERT_NE(Mainform, nullptr);
    ASSERT_NE(Form1, nullptr);
    ASSERT_NE(Form2, nullptr);
    EXPECT_EQ(Form1->windowTitle(), "Password Require");
    EXPECT_EQ(Form2->windowTitle(), "Quembly Setting");
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_FALSE(Form2->isVisible());
    for (const char* name :
         {"Panel2", "Panel4", "Panel3", "Panel6", "Label2", "ZipFname", "StringGrid1", "Panel5",
          "StatusBar1", "Panel1", "Bevel2", "FilesLabel", "Label1", "Edit1", "Edit2", "Edit3",
          "FileListBox1", "MainMenu1", "PopupMenu1"})
        EXPECT_NE(Mainform->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_FALSE(Mainform->Edit1->isVisibleTo(Mainform));
    EXPECT_FALSE(Mainform->Edit3->isVisibleTo(Mainform));
    EXPECT_TRUE(Mainform->ZipFname->isReadOnly());
    EXPECT_EQ(Mainform->Label2->text(), "Zip Name:");
    EXPECT_EQ(Mainform->Label1->text(), "files");
    EXPECT_EQ(Mainform->Panel4->palette().color(QPalette::Window), theme::kWindowBlue);
}

TEST_F(StartUpTest, ClientAreaHasTheDesignedSizeAndParts) {
    start();
    EXPECT_EQ(Mainform->width(), 750);
    // Below the menu bar: top area, table and bottom bar fill the 432 design pixels.
    EXPECT_EQ(Mainform->Panel2->height() + grid()->height() + Mainform->Panel5->height(), 432);
    EXPECT_EQ(Mainform->Panel2->y(), Mainform->MainMenu1->height());
    EXPECT_EQ(Mainform->Panel2->height(), 95);
    EXPECT_EQ(Mainform->Panel4->height(), 67);
    EXPECT_EQ(Mainform->Panel3->width(), 88);
    EXPECT_EQ(Mainform->Panel5->height(), 27);
    EXPECT_EQ(Mainform->Panel1->width(), 102);
    EXPECT_EQ(Mainform->Panel1->geometry().right(), Mainform->Panel5->contentsRect().right())
        << "the counter sits at the right";
    EXPECT_EQ(grid()->DefaultRowHeight(), 18);
    EXPECT_TRUE(grid()->hasOption(TGridOption::goRowSelect));
    EXPECT_TRUE(grid()->hasOption(TGridOption::goRangeSelect));
    EXPECT_FALSE(grid()->hasOption(TGridOption::goEditing));
    EXPECT_TRUE(grid()->hasOption(TGridOption::goColSizing));
    EXPECT_TRUE(grid()->ClickSorting());
    EXPECT_FALSE(grid()->CaseSensitive());
    EXPECT_TRUE(grid()->ProportionalScrollBars());
    EXPECT_EQ(grid()->toolTip(), "Double click to view the selected file");
}

TEST_F(StartUpTest, MenusHoldEveryItemInOrderWithPictures) {
    create();
    const std::vector<std::pair<const char*, std::vector<std::pair<const char*, const char*>>>>
        menus = {
            {"File1",
             {{"NewZIP1", "New ZIP"},
              {"OpenZIP1", "Open ZIP"},
              {"DeleteZIP1", "Delete ZIP"},
              {"Exit1", "Exit"}}},
            {"View1",
             {{"OpenFiles1", "Open Files"},
              {"OpenWith2", "Open With"},
              {"FilesProperties1", "Files Properties"}}},
            {"ool1",
             {{"Extract1", "Extract Files"},
              {"TestArchive1", "Test Archive"},
              {"AddFiles1", "Add Files"},
              {"DeleteFiles1", "Delete Files"}}},
            {"Option1",
             {{"CombineZIP1", "Combine ZIP"},
              {"Configure1", "Configure"},
              {"NameEncoding1", "Name Encoding"}}},
            {"Help1", {{"tessalyHelp1", "Quembly Help"}, {"About1", "About"}}},
            {"PopupMenu1",
             {{"ViewSelectedFile1", "Open Selected File"},
              {"Openwith1", "Open with ..."},
              {"ExtractSelectedFile1", "Extract Selected File"},
              {"TestSelectedFiles1", "Test Selected Files"},
              {"DeleteSelectedFile1", "Delete Selected File"},
              {"Properties1", "Properties"}}},
        };
    QStringList titles;
    for (QAction* a : Mainform->MainMenu1->actions())
        titles << QString(a->text()).remove('&'); // the & only marks the letter key
    EXPECT_EQ(titles, (QStringList{"File", "View", "Tool", "Option", "Help"}));
    for (const auto& [menuName, items] : menus) {
        auto* menu = Mainform->findChild<QMenu*>(menuName);
        ASSERT_NE(menu, nullptr) << menuName;
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), qsizetype(items.size())) << menuName;
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(actions[qsizetype(i)]->objectName(), items[i].first);
            EXPECT_EQ(QString(actions[qsizetype(i)]->text()).remove('&'), items[i].second);
            // Items have pictures; a submenu's entry has its arrow.
            const QImage picture = actions[qsizetype(i)]->icon().pixmap(16, 16).toImage();
            EXPECT_EQ(paintedPixels(picture) > 10, !actions[qsizetype(i)]->menu())
                << items[i].first;
        }
    }
}

TEST_F(StartUpTest, ToolbarButtonsCarryTheirSchemesHintsAndPictures) {
    create();
    struct Expect {
        const char* name;
        const char* hint;
        TGradButton::TColorScheme scheme;
        bool gradient;
        TGradButton::TButtonLayout layout;
    };
    const Expect expected[] = {
        {"NewZipBut", "Click to Create New ZIP", TGradButton::csCustom, true,
         TGradButton::blGlyphTop},
        {"ZipOpenBut", "Click to Open ZIP on your computer", TGradButton::csNeoSun, true,
         TGradButton::blGlyphTop},
        {"DeleteZipBut", "Click to Delete Zip file and All zip content", TGradButton::csNeoSun,
         true, TGradButton::blGlyphTop},
        {"ExtractBut", "Click to Extract zip", TGradButton::csGrass, false,
         TGradButton::blGlyphTop},
        {"AddBut", "Click to Add some files to ZIP", TGradButton::csGrass, false,
         TGradButton::blGlyphTop},
        {"DeleteBut", "Click to Delete the selected file", TGradButton::csGrass, false,
         TGradButton::blGlyphTop},
        {"GradButton1", "Click to combine the splitted zip", TGradButton::csDesert, false,
         TGradButton::blGlyphTop},
        {"GradButton2", "Click to Configure Quembly", TGradButton::csDesert, false,
         TGradButton::blGlyphLeft},
        {"Viewbut", "Click to view help file", TGradButton::csDesert, false,
         TGradButton::blGlyphTop},
    };
    int lastRight = 0;
    for (const Expect& e : expected) {
        auto* b = Mainform->findChild<TGradButton*>(e.name);
        ASSERT_NE(b, nullptr) << e.name;
        EXPECT_EQ(b->parentWidget(), Mainform->Panel4) << e.name;
        EXPECT_EQ(b->toolTip(), e.hint);
        EXPECT_EQ(b->statusTip(), e.hint);
        EXPECT_EQ(b->ColorScheme(), e.scheme) << e.name;
        EXPECT_EQ(b->Gradient(), e.gradient) << e.name;
        EXPECT_EQ(b->ButtonLayout(), e.layout) << e.name;
        EXPECT_EQ(b->Caption(), "");
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(b->Glyph().size(), QSize(32, 32));
        EXPECT_GT(paintedPixels(b->Glyph()), 30) << e.name;
        EXPECT_EQ(b->height(), 55);
        EXPECT_GE(b->width(), 54);
        EXPECT_LE(b->width(), 61);
        EXPECT_GT(b->x(), lastRight) << "left to right, without overlap";
        lastRight = b->x() + b->width() - 1;
    }
    // New ZIP keeps the csNeoSun colours under its custom scheme.
    auto* sun = Mainform->ZipOpenBut;
    for (int i = 0; i <= TGradButton::ciColorFocusRect; ++i)
        EXPECT_EQ(Mainform->NewZipBut->Color(i), sun->Color(i)) << "colour " << i;
}

TEST_F(StartUpTest, HintsUseTheirFontPauseAndTheStatusBar) {
    start();
    const QFont hint = QToolTip::font();
    EXPECT_EQ(hint.family(), "Arial Narrow");
    EXPECT_EQ(hint.pointSize(), 10);
    EXPECT_TRUE(hint.bold());
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 10);

    QStatusTipEvent tip("Click to Extract zip");
    QApplication::sendEvent(Mainform->ExtractBut, &tip);
    EXPECT_EQ(Mainform->StatusBar1->currentMessage(), "Click to Extract zip");
}

// --- FormCreate -------------------------------------------------------------------------------

using FormCreateTest = MainWindowFixture;

TEST_F(FormCreateTest, ReadsTheDocumentsFolderAndPasswordAndMakesTheTempFolder) {
    guitest::resetRegistry(docs.str(), "Open Sesame");
    create();
    EXPECT_EQ(Mainform->Edit1->text().toStdString(), docs.str());
    EXPECT_EQ(Mainform->Edit3->text(), "Open Sesame");
    EXPECT_TRUE(fs::is_directory(docs.path() / "Quembly Temp"));
    EXPECT_EQ(Mainform->TempFolder().toStdString(), tempFolder());
    EXPECT_EQ(Mainform->Archiver1.AddOptions.bits(), 0);
    EXPECT_EQ(Mainform->Archiver1.AddCompLevel, 9);
}

TEST_F(FormCreateTest, WithoutThePasswordKeyNothingIsStoredAndTheKeyIsNotCreated) {
    create();
    EXPECT_EQ(Mainform->Edit3->text(), "");
    platform::Registry classes(platform::RootKey::ClassesRoot);
    EXPECT_FALSE(classes.openKey("\\tessaly.zip", false));
}

TEST_F(FormCreateTest, ExistingTempFolderIsKeptWithItsFiles) {
    fs::create_directories(docs.path() / "Quembly Temp");
    testsupport::writeFile(docs.path() / "Quembly Temp" / "kept.txt", "k");
    create();
    EXPECT_TRUE(fs::exists(docs.path() / "Quembly Temp" / "kept.txt"));
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(FormCreateTest, TempFolderThatCannotBeMadeIsReportedOnceAndStartUpGoesOn) {
    // The documents folder names a plain file, so no folder can be made inside it.
    testsupport::writeFile(files / "not-a-folder", "x");
    const std::string documents = (files / "not-a-folder").string();
    guitest::resetRegistry(documents, "pw");
    start();

    ASSERT_EQ(messages.errorTexts().size(), 1u);
    EXPECT_EQ(messages.errorTexts()[0], "Cannot create " + documents + "/Quembly Temp/.");
    EXPECT_TRUE(Mainform->isVisible());
    EXPECT_EQ(Mainform->Edit3->text(), "pw");
    EXPECT_EQ(cell(0, 0), "File Name");
    EXPECT_EQ(grid()->ColWidths(0), 400);
    EXPECT_TRUE(ZIPPER::ZipDllHandle && UNZIPPER::UnzDllHandle) << "the libraries loaded";
}

TEST_F(FormCreateTest, MissingParentOfTheDocumentsFolderIsReportedTheSameWay) {
    const std::string documents = (files / "gone" / "Documents").string();
    guitest::resetRegistry(documents);
    create();
    ASSERT_EQ(messages.errorTexts().size(), 1u);
    EXPECT_EQ(messages.errorTexts()[0], "Cannot create " + documents + "/Quembly Temp/.");
    EXPECT_FALSE(fs::exists(files / "gone"));
}

// --- Resize -----------------------------------------------------------------------------------

using ResizeTest = MainWindowFixture;

TEST_F(ResizeTest, ColumnsTakeTheirSharesOfTheNewWidth) {
    start();
    const int height = Mainform->height();
    ASSERT_EQ(Mainform->width(), 750);
    Mainform->resize(900, height);
    QApplication::processEvents();
    ASSERT_EQ(Mainform->width(), 900);
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{513, 117, 135, 126}));

    Mainform->resize(650, height);
    QApplication::processEvents();
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{370, 84, 98, 91}));
}

TEST_F(ResizeTest, HalvesRoundToTheEvenNeighbour) {
    create();
    // 650: 279.5 -> 280, 565.5 -> 566, 552.5 -> 552, 559 -> 559.
    Mainform->FormCanResize(650);
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{370, 84, 98, 91}));
    // 750: 322.5 -> 322, 652.5 -> 652, 637.5 -> 638, 645 -> 645.
    Mainform->FormCanResize(750);
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{428, 98, 112, 105}));
    // 10: 4.3 -> 4, 8.7 -> 9, 8.5 -> 8, 8.6 -> 9.
    Mainform->FormCanResize(10);
    EXPECT_EQ(columnWidths(grid()), (std::vector<int>{6, 1, 2, 1}));
}

// --- Close and Exit ---------------------------------------------------------------------------

class CloseTest : public MainWindowFixture {
protected:
    void fillTempFolder() {
        const fs::path temp = docs.path() / "Quembly Temp";
        testsupport::writeFile(temp / "one.txt", "1");
        testsupport::writeFile(temp / "two words.pdf", "2");
        testsupport::writeFile(temp / "noextension", "3");
        testsupport::writeFile(temp / ".hidden", "h");
        fs::create_directories(temp / "sub");
        testsupport::writeFile(temp / "sub" / "inner.txt", "i");
    }
};

TEST_F(CloseTest, ClosingEmptiesThePlainFilesAndKeepsSubFolders) {
    start();
    fillTempFolder();
    EXPECT_TRUE(Mainform->close());
    const fs::path temp = docs.path() / "Quembly Temp";
    EXPECT_FALSE(fs::exists(temp / "one.txt"));
    EXPECT_FALSE(fs::exists(temp / "two words.pdf"));
    EXPECT_FALSE(fs::exists(temp / "noextension"));
    EXPECT_TRUE(fs::exists(temp / ".hidden")) << "hidden files are not listed";
    EXPECT_TRUE(fs::exists(temp / "sub" / "inner.txt"));
    EXPECT_FALSE(Mainform->isVisible());
    EXPECT_EQ(terminateCalls, 1) << "closing the main window ends the program";
    EXPECT_TRUE(messages.errorTexts().empty());
}

TEST_F(CloseTest, ExitLeavesTheTempFolderAlone) {
    start();
    fillTempFolder();
    // The program's own Exit, in the application's running loop (whose end also lets later
    // tests of this process run loops again): it ends the loop and closes nothing.
    Mainform->Terminate = programTerminate;
    QTimer::singleShot(0, Mainform->Exit1, &QAction::trigger);
    QTimer guard; // ends a loop that Exit failed to end
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(Mainform->isVisible());
    EXPECT_TRUE(fs::exists(docs.path() / "Quembly Temp" / "one.txt"));
    EXPECT_TRUE(fs::exists(docs.path() / "Quembly Temp" / "noextension"));
}

TEST_F(CloseTest, ClosingWhenTheTempFolderIsGoneStillCloses) {
    start();
    fs::remove_all(docs.path() / "Quembly Temp");
    EXPECT_TRUE(Mainform->close());
    EXPECT_FALSE(Mainform->isVisible());
    EXPECT_EQ(terminateCalls, 1);
    EXPECT_TRUE(messages.errorTexts().empty());
}

// A "Quembly Temp" that is a link (to someone's folder) or a plain file is never used: Open
// entry refuses with a message naming it, and closing deletes nothing through it.
class TempFolderTest : public MainWindowFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(TempFolderTest, ThatIsNoRealFolderIsNeverUsed) {
    const fs::path victim = files / "victim";
    testsupport::writeFile(victim / "theirs.txt", "t");
    if (GetParam())
        fs::create_directory_symlink(victim, docs.path() / "Quembly Temp");
    else
        testsupport::writeFile(docs.path() / "Quembly Temp", "x");
    const std::string problem =
        "Cannot use " + tempFolder() + ": it is a link, not a folder, or not yours.";
    start({QString::fromStdString(writeZip("a.zip", {{"a.txt", "a"}}))});
    EXPECT_EQ(messages.errorTexts(), std::vector<std::string>{problem});
    grid()->setSelection({0, 1, 3, 1});
    Mainform->OpenFiles1->trigger();
    EXPECT_EQ(messages.errorTexts(), (std::vector<std::string>{problem, problem}));
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(Mainform->close());
    EXPECT_EQ(treeText(victim), "theirs.txt=t");
}

INSTANTIATE_TEST_SUITE_P(Kinds, TempFolderTest, ::testing::Bool());

// --- The access gate --------------------------------------------------------------------------

using AccessGateTest = MainWindowFixture;

// A settings file that cannot be read or is no REGEDIT4 file may hold a password: the gated
// commands stay locked, in the window and on the command line, with a message naming it.
// PARAM: the file's bytes, or null for a readable hive made unreadable (mode 000).
class UnreadableSettingsTest : public MainWindowFixture,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(UnreadableSettingsTest, KeepTheGatedCommandsLocked) {
    const std::string hive = platform::registryHivePath();
    std::optional<testsupport::Unprivileged> unprivileged;
    if (GetParam()) {
        testsupport::writeFile(hive, GetParam());
    } else {
        fs::permissions(hive, fs::perms::none);
        unprivileged.emplace();
    }
    start();
    messages.clear();
    Mainform->DeleteZipBut->Click();
    ASSERT_EQ(messages.messageTexts().size(), 1u);
    const std::string text = messages.messageTexts()[0];
    EXPECT_EQ(text.substr(0, 18 + hive.size()), "The settings file " + hive);
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(cli::checkPassword(std::nullopt), text);
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableSettingsTest,
                         ::testing::Values("Windows Registry Editor Version 5.00\n\n",
                                           "\x01\x02REGEDIT4\n", nullptr));

TEST_F(AccessGateTest, WithoutPasswordGatedCommandsRunAtOnce) {
    start();
    messages.clear(); // start-up messages are not under test here
    Mainform->DeleteZipBut->Click();
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Zip file not found: "});
}

TEST_F(AccessGateTest, WithoutStoredPasswordATextInThePromptDoesNotLock) {
    start();
    messages.clear(); // start-up messages are not under test here
    Form1->Edit1->setText("left over");
    EXPECT_TRUE(Mainform->AccessGate());
    EXPECT_FALSE(Form1->isVisible());
}

TEST_F(AccessGateTest, LockedCommandsOnlyBringUpThePrompt) {
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    messages.clear(); // start-up messages are not under test here
    Mainform->DeleteZipBut->Click();
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_TRUE(messages.shown().empty()) << "a refused command reports nothing";
    // A second try while the prompt is open only brings it to the front again.
    QApplication::processEvents();
    QApplication::setActiveWindow(Mainform);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), Mainform);
    Mainform->ExtractBut->Click();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), Form1) << "the open prompt comes to the front";
    Mainform->AddBut->Click();
    Mainform->Openwith1->trigger();
    Mainform->OpenFiles1->trigger();
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AccessGateTest, TypingThePasswordUnlocksAtOnceAndCancelLocksAgain) {
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    messages.clear(); // start-up messages are not under test here
    EXPECT_FALSE(Mainform->AccessGate());
    Form1->Edit1->setText("secret");
    EXPECT_FALSE(Mainform->AccessGate()) << "letter case counts";

    ASSERT_TRUE(Form1->isVisible());
    Form1->Edit1->setText("Secret");
    EXPECT_TRUE(Mainform->AccessGate()) << "the field alone unlocks, before OK";
    EXPECT_TRUE(Form1->isVisible()) << "the prompt stays with the password in its field";
    Mainform->DeleteZipBut->Click();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{"Zip file not found: "});

    Form1->GradButton2->Click(); // Cancel
    EXPECT_EQ(Form1->Edit1->text(), "");
    EXPECT_FALSE(Mainform->AccessGate());
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(AccessGateTest, PromptOkChecksAgainstTheMainWindowsCopy) {
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    messages.clear(); // start-up messages are not under test here
    Mainform->ExtractBut->Click();
    ASSERT_TRUE(Form1->isVisible());
    Form1->Edit1->setText("wrong");
    Form1->GradButton1->Click();
    EXPECT_EQ(messages.messageTexts(),
              std::vector<std::string>{"Wrong Password, Please Type Correct Password"});
    EXPECT_TRUE(Form1->isVisible());

    Form1->Edit1->setText("Secret");
    Form1->GradButton1->Click();
    EXPECT_EQ(messages.messageTexts().back(),
              "Password corrected, now you can do any actions without inserting any password");
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_TRUE(Mainform->AccessGate());
}

TEST_F(AccessGateTest, NewPasswordFromTheSettingsLocksAgain) {
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    messages.clear(); // start-up messages are not under test here
    Form1->Edit1->setText("Secret");
    ASSERT_TRUE(Mainform->AccessGate());
    Form2->SetStoredPassword("Other");
    EXPECT_EQ(Mainform->Edit3->text(), "Other");
    EXPECT_FALSE(Mainform->AccessGate());
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(AccessGateTest, UngatedCommandsNeverShowThePrompt) {
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    messages.clear(); // start-up messages are not under test here
    chooser.cancel();
    Mainform->ZipOpenBut->Click();
    chooser.cancel();
    Mainform->NewZipBut->Click();
    Mainform->Properties1->trigger();
    Mainform->Viewbut->Click();
    Mainform->GradButton1->Click();
    Mainform->GradButton2->Click();
    Mainform->About1->trigger();
    EXPECT_FALSE(Form1->isVisible());
}

// --- The Delete key ---------------------------------------------------------------------------

using DeleteKeyTest = MainWindowFixture;

TEST_F(DeleteKeyTest, DeleteKeyInTheTableRunsTheDeleteCommand) {
    // With a password stored, the Delete command's only visible effect is the prompt.
    guitest::resetRegistry(docs.str(), "Secret");
    start();
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_A);
    QTest::keyClick(grid(), Qt::Key_Backspace);
    QTest::keyClick(grid(), Qt::Key_Insert);
    EXPECT_FALSE(Form1->isVisible()) << "other keys do nothing special";
    QTest::keyClick(grid(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(Form1->isVisible()) << "modifiers are not looked at";
    Form1->hide();
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_TRUE(Form1->isVisible());
}

// --- Names the window keeps and shows -------------------------------------------------------

TEST_F(StartUpTest, RelativeCommandLineArchiveIsKeptAsAnAbsolutePath) {
    const std::string zip = writeZip("relative.zip", {{"a.txt", "a"}});
    const fs::path before = fs::current_path();
    fs::current_path(files.path());
    start({"relative.zip"});
    fs::current_path(before);

    EXPECT_EQ(Mainform->ZipFname->text().toStdString(), zip);
    EXPECT_EQ(Mainform->Archiver1.ZipFilename(), zip);
    EXPECT_EQ(Mainform->FilesLabel->text(), "1");
}

TEST_F(StartUpTest, ProgressShowsStoredNamesByTheTablesRule) {
    start();
    // 0x81 is u-umlaut in code page 437 and no valid UTF-8 on its own.
    Mainform->Archiver1Progress(ProgressType::NewFile,
                                "\x81"
                                "ber.txt",
                                100);
    EXPECT_EQ(Msgform->FileBeingZipped->text(), QString::fromUtf8("\u00fcber.txt"));
    Mainform->Archiver1Progress(ProgressType::NewFile, "caf\xc3\xa9.txt", 100);
    EXPECT_EQ(Msgform->FileBeingZipped->text(), QString::fromUtf8("caf\u00e9.txt"));
}

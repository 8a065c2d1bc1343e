// The extract dialog and the new-folder window driven as a person does: folders clicked and
// walked with keys, the guard on the computer node, the three questions, the ways of leaving
// and the activation rule of DialogCancelled, and folders made beside the dialog.
#include "dialogs/DialogResults.h"
#include "dialogs/NewFolderWindow.h"
#include "tests/dialogs/DialogTestSupport.h"

#include <QLabel>
#include <QTimer>
#include <memory>

namespace fs = std::filesystem;

namespace {

class ExtractDialogTest : public dialogtest::DialogTest {
protected:
    ExtractDialogTest() {
        Form7 = new TForm7;
        Extract = dialog.get();
    }
    ~ExtractDialogTest() override {
        dialog.reset();
        delete std::exchange(Form7, nullptr);
    }
    // Makes WINDOW the active one, as a person coming back to it does.
    static void activate(QWidget* window) {
        QApplication::setActiveWindow(window);
        QApplication::processEvents();
    }

    std::unique_ptr<TExtract> dialog = std::make_unique<TExtract>();
};

class ExtractDialogRun : public ExtractDialogTest,
                         public ::testing::WithParamInterface<dialogtest::Case> {};
class NewFolderTest : public ExtractDialogTest,
                      public ::testing::WithParamInterface<dialogtest::Case> {};

} // namespace

TEST_F(ExtractDialogTest, LayoutsAreTheDesignedOnes) {
    // clang-format off
    dialogtest::expectLayout(dialog.get(), "Select Extract Directory", {438, 384}, {
        {"Directorylistbox1", {4, 3, 253, 376}}, {"Panel2", {262, 0, 175, 384}},
        {"RadioGroup1", {11, 13, 150, 59}, "Extract With Directories: No Yes"},
        {"RadioGroup2", {10, 76, 151, 59}, "OverWrite Existing Files: No Yes"},
        {"RadioGroup3", {10, 137, 152, 62}, "Files to Extract: All Files Selected Files"},
        {"GradButton1", {19, 208, 137, 25}, "Create New Folder"},
        {"OKbut", {19, 312, 137, 25}, "OK"}, {"Cancelbut", {19, 344, 137, 25}, "Cancel"}});
    dialogtest::expectLayout(Form7, "Create New Folder", {273, 65}, {
        {"Label1", {8, 10, 0, 0}, "Folder Name :"}, {"Edit1", {80, 8, 185, 21}},
        {"Bitbtn2", {96, 32, 75, 25}, "Cancel"}, {"Bitbtn1", {184, 32, 75, 25}, "OK"}});
    // clang-format on
    EXPECT_FALSE(Form7->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_TRUE(dialog->Directorylistbox1->AutoRefresh());
}

// STEPS as dialogtest::act takes them, folders below the test folder, and "away": to the
// new-folder window and back by its "Cancel". EXPECTED: what the Extract command then reads,
// DialogCancelled, the folder and the three answers; the dialog was shown with the answers
// of an earlier run "/previous", directories, selected files.
TEST_P(ExtractDialogRun, LeavesWhatTheExtractCommandReads) {
    makeFiles(GetParam().given);
    ExtractDir = "/previous";
    ExtractWithDirs = true;
    ExtractOverwrite = ExtractAllFiles = DialogCancelled = false;
    QTimer::singleShot(0, [&] {
        activate(dialog.get()); // sets DialogCancelled
        for (const QString& step : QString(GetParam().steps).split(' ')) {
            if (step != "away") {
                dialogtest::act(dialog.get(), step, dir());
                continue;
            }
            dialog->GradButton1->Click();
            EXPECT_TRUE(Form7->isVisible() && !Form7->isModal()) << "the dialog stays usable";
            activate(Form7);
            DialogCancelled = false;
            Form7->Bitbtn2->Click();
            activate(dialog.get());
        }
    });
    dialog->exec();
    EXPECT_EQ(brief(QString(DialogCancelled ? "cancelled " : "") + "[" +
                    QString::fromStdString(ExtractDir) + "]" + (ExtractWithDirs ? " dirs" : "") +
                    (ExtractOverwrite ? " overwrite" : "") +
                    (ExtractAllFiles ? " all" : " selected")),
              GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ExtractDialog, ExtractDialogRun, ::testing::Values(
    dialogtest::Case{"OK with the first answers, no closing separator", "", "Directorylistbox1=. OKbut", "[F] overwrite all"},
    dialogtest::Case{"the root keeps its separator", "", "Directorylistbox1=/ OKbut", "[/] overwrite all"},
    dialogtest::Case{"the other answers", "", "Directorylistbox1=. RadioGroup1=1 RadioGroup2=0 RadioGroup3=1 OKbut", "[F] dirs selected"},
    dialogtest::Case{"keys move the selection", "a/x b/y", "Directorylistbox1=a key=Down OKbut", "[F/b] overwrite all"},
    dialogtest::Case{"the computer node sends it home", "", "Directorylistbox1=computer OKbut", "[~] overwrite all"},
    dialogtest::Case{"so does the key onto it", "", "Directorylistbox1=/ key=Up OKbut", "[~] overwrite all"},
    dialogtest::Case{"the close box writes nothing", "", "RadioGroup1=0 close", "cancelled [/previous] dirs selected"},
    dialogtest::Case{"Cancel empties the folder only", "", "Cancelbut", "cancelled [] dirs selected"},
    // Coming back from the new-folder window counts as cancelled until OK; the tree starts
    // in the home folder.
    dialogtest::Case{"back from the new-folder window", "", "away Cancelbut", "cancelled [] dirs selected"},
    dialogtest::Case{"OK after the new-folder window", "", "away OKbut", "[~] overwrite all"}));
// clang-format on

TEST_F(ExtractDialogTest, TreeFollowsTheFileSystemAndKeepsItsSelection) {
    makeFiles("keep/f old/f");
    dialog->show();
    dialogtest::act(dialog.get(), "Directorylistbox1=keep", dir());
    const QAbstractItemModel* model = dialog->Directorylistbox1->model();
    const QModelIndex parent = dialog->Directorylistbox1->indexOfPath(dir());
    const auto children = [&] {
        QStringList names;
        for (int r = 0; r < model->rowCount(parent); ++r)
            names << model->index(r, 0, parent).data().toString();
        return names.join(' ');
    };
    ASSERT_EQ(children(), "keep old");
    fs::create_directory(folder / "added");
    fs::remove_all(folder / "old");
    EXPECT_TRUE(QTest::qWaitFor([&] { return children() == "added keep"; }))
        << children().toStdString();
    EXPECT_EQ(dialog->Directorylistbox1->Path(), in("keep"));
}

// STEPS: the name typed, then Enter. EXPECTED: the boxes shown, "open [text]" while the window
// stays, "exists" when the typed folder is there afterwards. GIVEN: typed as a person, where
// only the superuser may write.
TEST_P(NewFolderTest, OkMakesOneFolderInTheSelectedOne) {
    const dialogtest::Case& c = GetParam();
    makeFiles("existing/f locked/f");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    dialog->show();
    dialogtest::act(dialog.get(), "Directorylistbox1=. GradButton1", dir());
    // Every showing starts empty, ready for the name.
    dialogtest::act(Form7, "Edit1=before Bitbtn2");
    dialog->GradButton1->Click();
    EXPECT_EQ(Form7->focusWidget(), Form7->Edit1);
    const auto attempt = [&] {
        QTest::keyClicks(Form7->Edit1, c.steps);
        QTest::keyClick(Form7->Edit1, Qt::Key_Return);
        EXPECT_EQ((brief(dialogtest::shown(messages)) +
                   (Form7->isVisible() ? " open [" + Form7->Edit1->text() + "]" : "") +
                   (fs::is_directory(folder / c.steps) ? " exists" : ""))
                      .trimmed(),
                  c.expected);
    };
    if (*c.given) {
        testsupport::Unprivileged unprivileged;
        attempt();
    } else {
        attempt();
    }
    // A folder made is selected, so that OK extracts into it; else the selection stays.
    EXPECT_EQ(dialog->Directorylistbox1->Path(),
              c.expected == QString("exists") ? QDir(dir()).filePath(c.steps) : dir());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Names, NewFolderTest, ::testing::Values(
    dialogtest::Case{"new", "", "fresh", "exists"},
    dialogtest::Case{"existing", "", "existing", "Directory is already exist open [existing] exists"},
    dialogtest::Case{"empty", "", "", "Directory is already exist open [] exists"},
    dialogtest::Case{"two levels below an existing one", "", "existing/inner", "exists"},
    dialogtest::Case{"two levels below a missing one", "", "missing/inner", "!Cannot create Folder : F/missing/inner. open [missing/inner]"},
    dialogtest::Case{"in a folder that cannot be written", "locked", "locked/new", "!Cannot create Folder : F/locked/new. open [locked/new]"}));
// clang-format on

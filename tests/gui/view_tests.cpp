// Open entry and Open with: what lands in the temp folder, what the shell is asked to do,
// the program chooser, and the access gate in front of both.
#include "tests/gui/MainWindowFixture.h"

#include "app/msgunit.h"
#include "dialogs/Unit1.h"

#include <QAction>
#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <filesystem>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// "name=data" pairs separated by spaces.
std::vector<std::pair<std::string, std::string>> pairs(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> result;
    std::istringstream in(text);
    for (std::string item; in >> item;)
        result.emplace_back(item.substr(0, item.find('=')), item.substr(item.find('=') + 1));
    return result;
}

// The plain files of FOLDER as sorted "name=data" pairs.
std::string filesIn(const std::string& folder) {
    std::set<std::string> found;
    for (const auto& f : fs::directory_iterator(folder))
        if (f.is_regular_file())
            found.insert(f.path().filename().string() + "=" + testsupport::readFile(f.path()));
    std::string text;
    for (const std::string& item : found)
        text += (text.empty() ? "" : " ") + item;
    return text;
}

struct OpenCase {
    const char* what;
    const char* entries;
    int top, bottom;    // the selected rows
    const char* before; // the temp folder's files before and after
    const char* after;
    const char* opened; // the file opened from the temp folder; "" explores the archive
    bool removeTempFolder;
};
void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << c.what;
}
class OpenEntry : public MainWindowFixture, public ::testing::WithParamInterface<OpenCase> {};

} // namespace

TEST_P(OpenEntry, ExtractsTheSelectionAndOpensTheLastOne) {
    const OpenCase& c = GetParam();
    std::vector<guitest::ZipEntrySpec> entries;
    for (const auto& [name, data] : pairs(c.entries))
        entries.push_back({name, data});
    const std::string zip = writeZip("view.zip", entries);
    start({QString::fromStdString(zip)});
    for (const auto& [name, data] : pairs(c.before))
        testsupport::writeFile(tempFolder() + name, data);
    if (c.removeTempFolder)
        fs::remove_all(tempFolder());
    grid()->setSelection({0, c.top, 3, c.bottom});
    // A real double click on one row; the popup item on two, the menu item on more.
    if (c.top == c.bottom)
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {},
                           grid()->CellRect(0, c.top).center());
    else
        (c.bottom - c.top == 1 ? Mainform->ViewSelectedFile1 : Mainform->OpenFiles1)->trigger();

    const std::string opened = c.opened;
    EXPECT_EQ(filesIn(tempFolder()), c.after);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, opened.empty() ? "explore" : "open");
    EXPECT_EQ(shell.calls[0].path, opened.empty() ? zip : tempFolder() + opened);
    EXPECT_EQ(Mainform->Edit2->text().toStdString(),
              opened.empty() ? "" : opened.substr(opened.rfind('.')));
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_FALSE(Msgform->isVisible());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(View, OpenEntry, ::testing::Values(
    OpenCase{"entry in folders", "docs/guide/intro.txt=hi b.txt=b", 1, 1, "", "intro.txt=hi", "intro.txt", false},
    OpenCase{"folder entry", "docs/= a.txt=a", 1, 1, "", "", "", false},
    OpenCase{"name without extension", "bin/README=r", 1, 1, "", "README=r", "", false},
    OpenCase{"three rows", "a/1.txt=1 b/2.txt=2 c.d/3.md=3", 1, 3, "", "1.txt=1 2.txt=2 3.md=3", "3.md", false},
    // An entry of the same bare name opened before must not be shown instead.
    OpenCase{"stale file of the same name", "x/a.txt=x y/note.txt=new", 1, 2, "note.txt=old", "a.txt=x note.txt=new", "note.txt", false},
    // ":" is part of a file name here, not a separator.
    OpenCase{"colon in the name", "v/notes:2.txt=n", 1, 1, "", "notes:2.txt=n", "notes:2.txt", false},
    OpenCase{"temp folder gone", "d/e.pdf=p", 1, 1, "", "e.pdf=p", "e.pdf", true}));
// clang-format on

TEST_F(OpenEntry, EntryThatCannotBeExtractedLeavesNoOldCopyToOpen) {
    std::string bytes = guitest::buildZip({{"n/note.txt", "good data"}});
    bytes.replace(bytes.find("good"), 4, "evil"); // the stored CRC no longer matches
    testsupport::writeFile(files / "bad.zip", bytes);
    start({QString::fromStdString((files / "bad.zip").string())});
    testsupport::writeFile(tempFolder() + "note.txt", "old");
    Mainform->OpenFiles1->trigger();
    EXPECT_EQ(filesIn(tempFolder()), "");
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].path, tempFolder() + "note.txt");
}

TEST_F(OpenEntry, OpenWithStartsTheChosenProgramWithTheWholePath) {
    const std::string zip = writeZip("w.zip", {{"docs/my report.txt", "text"}});
    start({QString::fromStdString(zip)});
    chooser.choosePath("/usr/bin/editor");
    Mainform->Openwith1->trigger();

    ASSERT_EQ(chooser.seen.size(), 1u);
    EXPECT_EQ(chooser.seen[0].title, "") << "the dialog's own title";
    EXPECT_EQ(chooser.seen[0].initialDir, "/usr/bin");
    EXPECT_TRUE(chooser.seen[0].executablesOnly);
    EXPECT_EQ(filesIn(tempFolder()), "my report.txt=text");
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb + " " + shell.calls[0].path, "start /usr/bin/editor");
    EXPECT_EQ(shell.calls[0].argument, tempFolder() + "my report.txt");
    EXPECT_EQ(Mainform->Edit2->text(), ".txt");

    chooser.cancel();
    fs::remove(tempFolder() + "my report.txt");
    Mainform->OpenWith2->trigger();
    EXPECT_EQ(filesIn(tempFolder()), "") << "a cancel stops before extracting";
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(Mainform->Edit2->text(), "");
}

TEST_F(OpenEntry, LockedGateOnlyShowsThePrompt) {
    guitest::resetRegistry(docs.str(), "secret");
    start({QString::fromStdString(writeZip("g.zip", {{"a.txt", "a"}}))});
    chooser.choosePath("/usr/bin/editor");
    Mainform->Edit2->setText(".old");
    Mainform->Openwith1->trigger();
    EXPECT_EQ(Mainform->Edit2->text(), "");
    Mainform->StringGrid1DblClick();
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_TRUE(chooser.seen.empty());
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(filesIn(tempFolder()), "");
}

TEST_F(OpenEntry, ProgramChooserShowsOnlyWhatMayRun) {
    testsupport::writeFile(files / "tool", "#!/bin/sh\n");
    fs::permissions(files / "tool", fs::perms::owner_all);
    testsupport::writeFile(files / "notes.txt", "n");
    fs::create_directory(files / "sub");
    TOpenDialog program;
    program.ExecutablesOnly = true;
    program.InitialDir = QString::fromStdString(files.str());
    QFileDialog dialog;
    setUpFileDialog(dialog, program);
    dialog.show();
    const auto* view = dialog.findChild<QListView*>("listView");
    ASSERT_TRUE(view);
    QStringList shown;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        shown.clear();
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            shown << view->model()->index(r, 0, view->rootIndex()).data().toString();
        return shown.size() >= 2;
    }));
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"sub", "tool"}));
}

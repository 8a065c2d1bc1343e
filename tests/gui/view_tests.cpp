// Open entry and Open with: what lands in the temp folder, what the shell is asked to do,
// the program chooser, and the access gate in front of both.
#include "tests/gui/MainWindowFixture.h"

#include "app/MessageWindow.h"
#include "dialogs/PasswordPrompt.h"

#include <QFileDialog>
#include <QListView>
#include <QRegularExpression>
#include <algorithm>

namespace fs = std::filesystem;

namespace {

struct OpenCase {
    const char* what;
    const char* entries; // "name=data" separated by ", "; a "!" in the data gets a wrong CRC
    int rows;            // rows 1 to ROWS selected
    // Steps of dialogtest::act in the main window; "dblclick" is a double click on row 1, and
    // "Edit3=secret" locks the gate.
    const char* steps;
    const char* program; // the program chosen in the program chooser; "" cancels it
    const char* before;  // the temp folder's files before ("name=data"); null: no temp folder
    // The temp folder's files after, the program chooser shown and the shell's calls (the
    // temp folder written "T/", the archive "Z"), the extension shown, and "prompt" when the
    // gate asks for the password; "-" for nothing.
    const char* expected;
    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.what; }
};
class OpenEntry : public MainWindowFixture, public ::testing::WithParamInterface<OpenCase> {};

} // namespace

TEST_P(OpenEntry, ExtractsTheSelectionAndOpensTheLastOne) {
    const OpenCase& c = GetParam();
    std::vector<guitest::ZipEntrySpec> entries;
    for (const QString& e : QString(c.entries).split(", "))
        entries.push_back({e.section('=', 0, 0).toStdString(), e.section('=', 1).toStdString()});
    std::string bytes = guitest::buildZip(entries);
    std::replace(bytes.begin(), bytes.end(), '!', '?');
    testsupport::writeFile(files / "view.zip", bytes);
    start({QString::fromStdString((files / "view.zip").string())});
    for (const QString& f : QString(c.before).split(' ', Qt::SkipEmptyParts))
        testsupport::writeFile(tempFolder() + f.section('=', 0, 0).toStdString(),
                               f.section('=', 1).toStdString());
    if (!c.before)
        fs::remove_all(tempFolder());
    if (*c.program)
        chooser.choosePath(c.program);
    Mainform->Edit2->setText(".old");
    grid()->setSelection({0, 1, 3, c.rows});
    for (const QString& step : QString(c.steps).split(' '))
        step == "dblclick" ? QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {},
                                                grid()->CellRect(0, 1).center())
                           : dialogtest::act(Mainform, step);

    QStringList calls;
    for (const auto& seen : chooser.seen)
        calls << "choose " + seen.initialDir + (seen.executablesOnly ? " executables" : "") +
                     (seen.title.isEmpty() ? "" : " titled " + seen.title);
    for (const auto& s : shell.calls)
        calls << QString::fromStdString(s.verb + " " + s.path +
                                        (s.argument.empty() ? "" : " [" + s.argument + "]"));
    QStringList outcome{QString::fromStdString(treeText(tempFolder())), calls.join(", "),
                        Mainform->Edit2->text()};
    if (Form1->isVisible())
        outcome << "prompt";
    if (!shown().isEmpty())
        outcome << shown();
    EXPECT_EQ(outcome.replaceInStrings(QRegularExpression("^$"), "-")
                  .join(" | ")
                  .replace(QString::fromStdString(tempFolder()), "T/")
                  .replace(QString::fromStdString((files / "view.zip").string()), "Z"),
              c.expected);
    EXPECT_FALSE(Msgform->isVisible());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(View, OpenEntry, ::testing::Values(
    OpenCase{"entry in folders", "docs/guide/intro.txt=hi, b.txt=b", 1, "dblclick", "", "", "intro.txt=hi | open T/intro.txt | .txt"},
    OpenCase{"folder entry", "docs/=, a.txt=a", 1, "dblclick", "", "", "- | explore Z | -"},
    OpenCase{"name without extension", "bin/README=r", 1, "dblclick", "", "", "README=r | explore Z | -"},
    OpenCase{"three rows", "a/1.txt=1, b/2.txt=2, c.d/3.md=3", 3, "OpenFiles1", "", "", "1.txt=1 2.txt=2 3.md=3 | open T/3.md | .md"},
    // An entry of the same bare name opened before must not be shown instead.
    OpenCase{"stale file of the same name", "x/a.txt=x, y/note.txt=new", 2, "ViewSelectedFile1", "", "a.txt=old note.txt=old", "a.txt=x note.txt=new | open T/note.txt | .txt"},
    OpenCase{"entry that cannot be extracted", "n/note.txt=bad!", 1, "OpenFiles1", "", "note.txt=old", "- | - | .txt | CRC error in n/note.txt; the file was not extracted"},
    // ":" is part of a file name here, not a separator.
    OpenCase{"colon in the name", "v/notes:2.txt=n", 1, "dblclick", "", "", "notes:2.txt=n | open T/notes:2.txt | .txt"},
    OpenCase{"temp folder gone", "d/e.pdf=p", 1, "dblclick", "", nullptr, "e.pdf=p | open T/e.pdf | .pdf"},
    // The whole path is one argument.
    OpenCase{"Open with", "docs/my report.txt=text", 1, "Openwith1", "/usr/bin/editor", "", "my report.txt=text | choose /usr/bin executables, start /usr/bin/editor [T/my report.txt] | .txt"},
    OpenCase{"Open with cancelled", "docs/my report.txt=text", 1, "OpenWith2", "", "", "- | choose /usr/bin executables | -"},
    // The extension is cleared before the gate.
    OpenCase{"gate locked: double click", "a.txt=a", 1, "Edit3=secret dblclick", "", "", "- | - | - | prompt"},
    OpenCase{"gate locked: Open with", "a.txt=a", 1, "Edit3=secret Openwith1", "/usr/bin/editor", "", "- | - | - | prompt"}));
// clang-format on

TEST(ProgramChooser, ShowsOnlyWhatMayRun) {
    guitest::application();
    testsupport::TempDir files;
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

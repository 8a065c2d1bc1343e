// Files dropped on the main window and entries dragged out of its table, with real QMimeData,
// and Test Archive, on the real libraries: what lands in the archive or in the temp folder,
// the result line, and every refusal.
#include "tests/gui/MainWindowFixture.h"

#include "app/MessageWindow.h"

#include <QLabel>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace fs = std::filesystem;

namespace {

// The entries of ZIP, sorted, separated by spaces; "-" when there is no such file.
std::string namesIn(const fs::path& zip) {
    if (!fs::exists(zip))
        return "-";
    std::vector<std::string> names = zltest::entryNames(zltest::readCentralDirectory(zip));
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string& n : names)
        text += (text.empty() ? "" : " ") + n;
    return text;
}

struct DropCase {
    const char* label;
    bool archiveOpen;
    std::vector<const char*> dropped; // below the test folder's "src"
    std::vector<bool> answers;        // to the confirmations, in order
    const char* password;             // the stored access password, or null
    std::string names;                // the entries of F/t.zip afterwards
    QString boxes;                    // as MainWindowFixture::shown writes them
};

class DropTest : public MainWindowFixture, public ::testing::WithParamInterface<DropCase> {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        for (const char* name : {"a.txt", "photos/x.jpg", "photos/.hidden", "photos/sub/y.jpg"})
            testsupport::writeFile(files / "src" / name, name);
        testsupport::writeFile(files / "src/other.zip", guitest::buildZip({{"in.txt", "1"}}));
    }
    void drop(const std::vector<fs::path>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const fs::path& p : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
        data.setUrls(urls);
        QDragEnterEvent enter({200, 200}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(Mainform, &enter);
        QDropEvent event({200, 200}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(Mainform, &event);
    }
};

TEST_P(DropTest, GoesThroughAdd) {
    const DropCase& c = GetParam();
    guitest::resetRegistry(docs.str(), c.password);
    if (c.archiveOpen)
        startWith("t.zip", {{"old.txt", "o"}});
    else
        start();
    messages.clear();
    chooser.choosePath(QString::fromStdString((files / "t.zip").string()));
    for (bool yes : c.answers)
        messages.answer(yes);
    std::vector<fs::path> paths;
    for (const char* p : c.dropped)
        paths.push_back(files / "src" / p);
    drop(paths);
    EXPECT_EQ(shown(), c.boxes);
    EXPECT_EQ(namesIn(files / "t.zip"), c.names);
    if (c.names == "-") { // the dropped archive is shown
        EXPECT_EQ(cell(0, 1), "in.txt");
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::Values(
    DropCase{"FilesAndAFolderAdded", true, {"a.txt", "photos"}, {true}, nullptr,
             "a.txt old.txt photos/ photos/.hidden photos/sub/ photos/sub/y.jpg photos/x.jpg",
             "?Add 2 items to F/t.zip?"},
    DropCase{"AddDeclined", true, {"a.txt"}, {false}, nullptr, "old.txt", "?Add 1 items to F/t.zip?"},
    DropCase{"RefusedByTheGate", true, {"a.txt"}, {}, "pw", "old.txt", ""},
    DropCase{"NewArchiveOffered", false, {"photos/x.jpg", "a.txt"}, {true}, nullptr, "a.txt x.jpg",
             "?Create a new archive for the 2 dropped items?"},
    DropCase{"OneZipOpened", false, {"other.zip"}, {}, nullptr, "-", ""}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

TEST_F(DropTest, RefusedWhileAnOperationRuns) {
    startWith("t.zip", {{"old.txt", "o"}});
    messages.setDefaultAnswer(true);
    // A second drop arrives while the first one's add reports its first file.
    auto progress = Mainform->Archiver1.OnProgress;
    Mainform->Archiver1.OnProgress = [&, dropped = false](TArchiver* a, ProgressType type,
                                                          const std::string& name,
                                                          std::int32_t size) mutable {
        if (!std::exchange(dropped, true))
            drop({files / "src" / "photos"});
        progress(a, type, name, size);
    };
    drop({files / "src" / "a.txt"});
    EXPECT_EQ(shown(), "?Add 1 items to F/t.zip? / Please wait: an operation is still running.");
    EXPECT_EQ(namesIn(files / "t.zip"), "a.txt old.txt");
}

// Test Archive and Test Selected Files count the sound and the failed entries; the gate
// keeps the command from running.
TEST_F(DropTest, TestCountsSoundAndFailedEntries) {
    std::string bytes = guitest::buildZip({{"good.txt", "fine"}, {"bad.txt", "broken"}});
    bytes[bytes.find("broken")] = 'B'; // its data no longer matches its CRC
    testsupport::writeFile(files / "t.zip", bytes);
    start({QString::fromStdString((files / "t.zip").string())});
    for (const auto& [action, row, result] :
         {std::tuple{"TestArchive1", 0, "1 files tested sound, 1 failed"},
          {"TestSelectedFiles1", 2, "0 files tested sound, 1 failed"},
          {"TestArchive1", -1, ""}}) {
        grid()->setSelection({0, row, 3, row});
        Mainform->Edit3->setText(row < 0 ? "pw" : ""); // an access password not given
        Msgform->FileBeingZipped2->clear();
        dialogtest::act(Mainform, action);
        EXPECT_EQ(Msgform->FileBeingZipped2->text(), result);
    }
    EXPECT_EQ(testsupport::readFile(files / "t.zip"), bytes);
}

// Dragging out: the selected rows FIRST to LAST extracted as a drag does, the URLs offered
// (the folder written "D") and what is in the folder.
TEST_F(DropTest, DragOutExtractsTheSelectionOrLeavesNothing) {
    std::string bytes = guitest::buildZip(
        {{"docs/a.txt", "A"}, {"docs/deep/b.txt", "B"}, {"top.txt", "T"}, {"bad.txt", "broken"}});
    bytes[bytes.find("broken")] = 'B'; // its data no longer matches its CRC
    testsupport::writeFile(files / "t.zip", bytes);
    start({QString::fromStdString((files / "t.zip").string())});
    const auto dragOut = [this](int first, int last) {
        grid()->setSelection({0, first, 3, last});
        QString folder;
        std::unique_ptr<QMimeData> data(Mainform->extractForDragging(folder));
        QStringList urls;
        for (const QUrl& u : data ? data->urls() : QList<QUrl>())
            urls << u.toLocalFile().replace(folder, "D");
        return urls.join(' ') + " | " +
               QString::fromStdString(folder.isEmpty() ? "" : treeText(folder.toStdString()));
    };
    EXPECT_EQ(dragOut(1, 3), "D/docs D/top.txt | docs/a.txt=A docs/deep/b.txt=B top.txt=T");
    EXPECT_EQ(dragOut(3, 4), " | "); // a failed extraction
    Mainform->Edit3->setText("pw");  // an access password not given
    EXPECT_EQ(dragOut(3, 3), " | ");
    int folders = 0;
    for (const auto& e : fs::directory_iterator(tempFolder()))
        folders += e.path().filename().string().starts_with("drag-");
    EXPECT_EQ(folders, 1);
}

} // namespace

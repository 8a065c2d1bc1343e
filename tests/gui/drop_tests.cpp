// Files dropped on the main window and entries dragged out of its table, with real QMimeData
// and the real libraries: what lands in the archive or in the temp folder, and every refusal.
#include "tests/gui/MainWindowFixture.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace fs = std::filesystem;

namespace {

QMimeData* urlsOf(const std::vector<fs::path>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const fs::path& p : paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
    data->setUrls(urls);
    return data;
}

// The names the central directory of ZIP holds, sorted, separated by spaces.
std::string namesIn(const std::string& zip) {
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
    std::string names;                // the entries of the archive afterwards ("-": none made)
    QString boxes;                    // as MainWindowFixture::shown writes them
};

void PrintTo(const DropCase& c, std::ostream* os) {
    *os << c.label;
}

const DropCase dropCases[] = {
    {"FilesAndAFolderAdded",
     true,
     {"a.txt", "photos"},
     {true},
     nullptr,
     "a.txt old.txt photos/ photos/.hidden photos/sub/ photos/sub/y.jpg photos/x.jpg",
     "?Add 2 items to F/t.zip?"},
    {"AddDeclined", true, {"a.txt"}, {false}, nullptr, "old.txt", "?Add 1 items to F/t.zip?"},
    {"RefusedByTheGate", true, {"a.txt"}, {}, "pw", "old.txt", ""},
    {"NewArchiveOffered",
     false,
     {"photos/x.jpg", "a.txt"},
     {true},
     nullptr,
     "a.txt x.jpg",
     "?Create a new archive for the 2 dropped items?"},
    {"NewArchiveDeclined",
     false,
     {"a.txt"},
     {false},
     nullptr,
     "-",
     "?Create a new archive for the 1 dropped items?"},
    {"OneZipOpened", false, {"other.zip"}, {}, nullptr, "-", ""},
};

class DropTest : public MainWindowFixture, public ::testing::WithParamInterface<DropCase> {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        const fs::path src = files / "src";
        testsupport::writeFile(src / "a.txt", "aaa");
        testsupport::writeFile(src / "photos" / "x.jpg", "xx");
        testsupport::writeFile(src / "photos" / ".hidden", "h");
        testsupport::writeFile(src / "photos" / "sub" / "y.jpg", "yy");
        testsupport::writeFile(src / "other.zip", guitest::buildZip({{"in.txt", "1"}}));
    }
    void drop(const std::vector<fs::path>& paths) {
        std::unique_ptr<QMimeData> data(urlsOf(paths));
        QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(Mainform, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(200, 200), Qt::CopyAction, data.get(), Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Mainform, &event);
    }
};

TEST_P(DropTest, GoesThroughAdd) {
    const DropCase& c = GetParam();
    if (c.password)
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
    const std::string zip = (files / "t.zip").string();
    EXPECT_EQ(fs::exists(zip) ? namesIn(zip) : "-", c.names);
    if (std::string(c.label) == "OneZipOpened") {
        EXPECT_EQ(Mainform->ZipFname->text().toStdString(), (files / "src" / "other.zip").string());
        EXPECT_EQ(cell(0, 1), "in.txt");
    }
}

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::ValuesIn(dropCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(DropTest, RefusedWhileAnOperationRuns) {
    const std::string zip = startWith("t.zip", {{"old.txt", "o"}});
    messages.setDefaultAnswer(true);
    // A second drop arrives while the first one's add reports its first file.
    auto progress = Mainform->Archiver1.OnProgress;
    bool dropped = false;
    Mainform->Archiver1.OnProgress = [&](TArchiver* a, ProgressType type, const std::string& name,
                                         std::int32_t size) {
        if (!std::exchange(dropped, true))
            drop({files / "src" / "photos"});
        progress(a, type, name, size);
    };
    drop({files / "src" / "a.txt"});
    EXPECT_EQ(shown(), "?Add 1 items to F/t.zip? / Please wait: an operation is still running.");
    EXPECT_EQ(namesIn(zip), "a.txt old.txt");
}

// ---- dragging out -------------------------------------------------------------------------

class DragOutTest : public MainWindowFixture {
protected:
    // Selects table rows FIRST to LAST and extracts them as a drag does.
    QStringList dragOut(int first, int last, QString& folder) {
        grid()->setSelection({0, first, 3, last});
        std::unique_ptr<QMimeData> data(Mainform->extractForDragging(folder));
        QStringList urls;
        if (data)
            for (const QUrl& u : data->urls())
                urls << u.toLocalFile().replace(folder, "D");
        return urls;
    }
    // The folders a drag made in the temp folder.
    int dragFolders() const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(tempFolder()))
            n += e.path().filename().string().rfind("drag-", 0) == 0;
        return n;
    }
};

TEST_F(DragOutTest, ExtractsTheSelectionAndOffersItsUrls) {
    startWith("t.zip", {{"docs/a.txt", "A"}, {"docs/deep/b.txt", "B"}, {"top.txt", "T"}});
    QString folder;
    // Rows sort by name: docs\a.txt, docs\deep\b.txt, top.txt.
    EXPECT_EQ(dragOut(1, 3, folder), (QStringList{"D/docs", "D/top.txt"}));
    EXPECT_EQ(treeText(folder.toStdString()), "docs/a.txt=A docs/deep/b.txt=B top.txt=T");
    QString second;
    EXPECT_EQ(dragOut(3, 3, second), QStringList{"D/top.txt"});
    EXPECT_NE(second, folder);
}

TEST_F(DragOutTest, RefusedOrFailedLeavesNothing) {
    // The second entry's data does not match its CRC.
    std::string bytes = guitest::buildZip({{"good.txt", "fine"}, {"bad.txt", "broken"}});
    bytes[bytes.find("broken")] = 'B';
    testsupport::writeFile(files / "t.zip", bytes);
    start({QString::fromStdString((files / "t.zip").string())});
    QString folder;
    EXPECT_TRUE(dragOut(1, 2, folder).isEmpty());
    EXPECT_EQ(dragFolders(), 0);
    guitest::resetRegistry(docs.str(), "pw");
    Mainform->Edit3->setText("pw");
    EXPECT_TRUE(dragOut(1, 1, folder).isEmpty());
    EXPECT_EQ(dragFolders(), 0);
}

} // namespace

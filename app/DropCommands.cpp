// Drag and drop on the main window. Files and folders dropped from a file manager are added
// to the open archive (or open it, or start a new one); selected entries dragged out of the
// table are extracted into a fresh folder inside the temp folder and offered to the drop
// target as file URLs, which every target understands.
#include "app/MainWindow.h"

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/qt/WaitCursor.h"

#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

// The local files and folders a drop carries, without duplicates.
QStringList droppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
        if (QFileInfo::exists(path) && !paths.contains(path))
            paths << path;
    }
    return paths;
}

// Restores the current directory when it ends: Add stores paths relative to it.
class CurrentDirectory {
public:
    CurrentDirectory() : saved_(std::filesystem::current_path(ec_)) {}
    ~CurrentDirectory() {
        if (!saved_.empty())
            std::filesystem::current_path(saved_, ec_);
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::error_code ec_;
    std::filesystem::path saved_;
};

} // namespace

void TMainform::dragEnterEvent(QDragEnterEvent* event) {
    // Rows dragged out of this window's own table are not taken back in.
    if (!event->source() && !droppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainform::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->source())
        event->acceptProposedAction();
}

void TMainform::dropEvent(QDropEvent* event) {
    if (event->source())
        return;
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    DropFiles(paths);
}

void TMainform::DropFiles(const QStringList& paths) {
    if (paths.isEmpty() || refuseWhileBusy())
        return;
    if (!AccessGate())
        return;
    const std::string open = Archiver1.ZipFilename();
    if (open.empty()) {
        // No archive open: one dropped ZIP file is opened; anything else may start a new one.
        if (paths.size() == 1 && QFileInfo(paths[0]).isFile() &&
            paths[0].endsWith(".zip", Qt::CaseInsensitive)) {
            openDroppedArchive(paths[0]);
            return;
        }
        if (!platform::messages().confirm(tr("Create a new archive for the %1 dropped items?")
                                              .arg(paths.size())
                                              .toStdString()))
            return;
        NewZipButClick();
        if (Archiver1.ZipFilename().empty() || Archiver1.ZipFilename() == open)
            return;
    } else if (!platform::messages().confirm(tr("Add %1 items to %2?")
                                                 .arg(paths.size())
                                                 .arg(QString::fromStdString(open))
                                                 .toStdString())) {
        return;
    }
    const std::string archive = Archiver1.ZipFilename();
    if (isSelfExtractingName(archive)) {
        platform::messages().showMessage(
            tr("Error - this pgm can NOT add files to a self-extracting archive").toStdString());
        return;
    }
    // Each item is stored under its own name: the files of one folder are added with that
    // folder current, a folder with its files and sub-folders below its name.
    std::map<QString, std::vector<std::string>> byFolder;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        byFolder[info.absolutePath()].push_back(info.fileName().toStdString());
    }
    beginEntryOperation(tr("Beginning Add to ").toStdString() + archive);
    RunEntryOperation(
        [this, &byFolder] {
            CurrentDirectory restore;
            for (const auto& [folder, names] : byFolder) {
                std::filesystem::current_path(folder.toStdString());
                Archiver1.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs,
                                        AddOptsEnum::AddHiddenFiles};
                Archiver1.setFSpecArgs(names);
                Archiver1.Add();
            }
        },
        tr("Error in Add; Fatal DLL Exception in mainunit").toStdString(), tr(" files were added"),
        tr("Add"));
    Archiver1.AddOptions = {};
}

void TMainform::openDroppedArchive(const QString& path) {
    platform::WaitCursor hourglass;
    const unsigned updatesBefore = dirUpdates_;
    forgetArchivePassword();
    try {
        Archiver1.setZipFilename(path.toStdString());
    } catch (...) {
        // As Open ZIP: the table does not keep the entries of an archive shown before.
        if (dirUpdates_ == updatesBefore)
            Archiver1DirUpdate();
        setNameDisplay(QString::fromStdString(Archiver1.ZipFilename()));
        throw;
    }
    setNameDisplay(QString::fromStdString(Archiver1.ZipFilename()));
    RewriteGridSeparators();
}

// ---------------------------------------------------------------------------------------------
// Dragging entries out

QMimeData* TMainform::extractForDragging(QString& folder) {
    folder.clear();
    if (refuseWhileBusy() || !AccessGate())
        return nullptr;
    const QStringList names = selectedNames();
    if (names.isEmpty() || !platform::fileExists(Archiver1.ZipFilename()))
        return nullptr;
    const QString temp = TempFolder();
    // Never through a link or into someone else's folder.
    if (const std::string problem = TempFolderProblem(); !problem.empty())
        throw platform::Exception(problem);
    // A fresh folder for every drag: what a target has taken from an earlier one stays.
    QTemporaryDir fresh(temp + "drag-XXXXXX");
    if (!fresh.isValid())
        throw platform::Exception(tr("Cannot create a folder in ").toStdString() +
                                  temp.toStdString());
    const QString root = fresh.path();

    Archiver1.FSpecArgs().clear();
    for (const QString& name : names)
        Archiver1.FSpecArgs().push_back(name.toStdString());
    beginEntryOperation(tr("Beginning Extract from ").toStdString() + Archiver1.ZipFilename());
    Archiver1.ExtrBaseDir = root.toStdString();
    Archiver1.ExtrOptions = {ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite};
    RunEntryOperation([this] { Archiver1.Extract(); },
                      tr("Error in Extract; Fatal DLL Exception in mainunit").toStdString(),
                      tr(" files were extracted"), tr("Extract"));
    // Extract leaves its folder current; this one may go when the drag is cancelled.
    std::error_code ec;
    std::filesystem::current_path(temp.toStdString(), ec);

    // A drag whose extraction failed in part offers nothing, and leaves nothing.
    const auto files = std::count_if(names.begin(), names.end(), [](const QString& name) {
        return !name.endsWith('\\') && !name.endsWith('/');
    });
    if (Archiver1.ProcessedCount() < files)
        return nullptr;
    // The URLs name what was dragged: each top-level file or folder of the selection, once.
    QList<QUrl> urls;
    for (const QString& name : names) {
        const QString top =
            QString(name).replace('\\', '/').section('/', 0, 0, QString::SectionSkipEmpty);
        const QString path = root + '/' + top;
        const QUrl url = QUrl::fromLocalFile(path);
        if (!top.isEmpty() && QFileInfo::exists(path) && !urls.contains(url))
            urls << url;
    }
    if (urls.isEmpty())
        return nullptr; // the folder goes with FRESH
    fresh.setAutoRemove(false);
    folder = root;
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

void TMainform::StringGrid1DragOut() {
    QString folder;
    QMimeData* data = extractForDragging(folder);
    if (!data)
        return;
    auto* drag = new QDrag(StringGrid1);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(Qt::CopyAction);
    // A drag that was cancelled or refused leaves nothing behind.
    if (done == Qt::IgnoreAction)
        QDir(folder).removeRecursively();
}

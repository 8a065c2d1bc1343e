#include "platform/qt/OpenDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {

QtFileChooser& qtChooser() {
    static QtFileChooser chooser;
    return chooser;
}

FileChooser* installed = nullptr;

// Keeps the folders and the files the user may run. (The file system model's own permission
// filter does not pick out executable files: with it the dialog shows nothing at all.)
class ExecutableFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        // Read afresh: the model fills in its own file details later, in the background.
        const QFileInfo info(files->filePath(files->index(row, 0, parent)));
        return info.isDir() || info.isExecutable();
    }
};

} // namespace

FileChooser& fileChooser() {
    return installed ? *installed : qtChooser();
}

FileChooser* setFileChooser(FileChooser* chooser) {
    FileChooser* previous = installed;
    installed = chooser;
    return previous;
}

bool TOpenDialog::Execute(QWidget* parent) {
    std::optional<QString> chosen = fileChooser().choose(parent, *this);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        // The description usually repeats the pattern in brackets; the pattern after the bar
        // is the one that filters, so the brackets are rebuilt from it.
        if (description.endsWith(')')) {
            const qsizetype open = description.lastIndexOf('(');
            if (open >= 0)
                description = description.left(open).trimmed();
        }
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(';', ' ');
        result << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return result;
}

void setUpFileDialog(QFileDialog& fileDialog, const TOpenDialog& dialog) {
    // An empty title leaves the dialog's own ("Open").
    if (!dialog.Title.isEmpty())
        fileDialog.setWindowTitle(dialog.Title);
    fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
    fileDialog.setFileMode(dialog.hasOption(TOpenDialog::ofFileMustExist)
                               ? QFileDialog::ExistingFile
                               : QFileDialog::AnyFile);
    const QStringList filters = qtNameFilters(dialog.Filter);
    if (!filters.isEmpty())
        fileDialog.setNameFilters(filters);
    if (dialog.ExecutablesOnly) {
        // Only Qt's own dialog takes a filter model.
        fileDialog.setOption(QFileDialog::DontUseNativeDialog);
        fileDialog.setProxyModel(new ExecutableFilter(&fileDialog));
    }
    QString folder = dialog.InitialDir;
    if (!dialog.FileName.isEmpty()) {
        const QFileInfo info(dialog.FileName);
        if (info.isAbsolute() && QDir(info.absolutePath()).exists())
            folder = info.absolutePath();
    }
    if (!folder.isEmpty())
        fileDialog.setDirectory(folder);
    if (!dialog.FileName.isEmpty())
        fileDialog.selectFile(QFileInfo(dialog.FileName).fileName());
}

std::optional<QString> QtFileChooser::choose(QWidget* parent, const TOpenDialog& dialog) {
    QFileDialog fileDialog(parent);
    setUpFileDialog(fileDialog, dialog);
    while (fileDialog.exec() == QDialog::Accepted) {
        const QStringList files = fileDialog.selectedFiles();
        if (files.isEmpty())
            return std::nullopt;
        const QString path = files.first();
        // With path-must-exist the folder of a typed name has to be there.
        if (dialog.hasOption(TOpenDialog::ofPathMustExist) &&
            !QFileInfo(path).absoluteDir().exists())
            continue;
        return path;
    }
    return std::nullopt;
}

std::optional<QString> ScriptedFileChooser::choose(QWidget*, const TOpenDialog& dialog) {
    seen.push_back({dialog.Title, dialog.Filter, dialog.FileName, dialog.InitialDir,
                    dialog.Options(), dialog.ExecutablesOnly});
    if (answers_.empty())
        return std::nullopt;
    const Answer answer = answers_.front();
    answers_.pop_front();
    if (answer.cancelled)
        return std::nullopt;
    return answer.path;
}

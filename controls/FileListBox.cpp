#include "controls/FileListBox.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void TFileListBox::setDirectory(const QString& folder) {
    // Opened once on its own, so that a folder that cannot be read is told apart from an
    // empty one.
    std::error_code ec;
    const bool absolute = !folder.isEmpty() && !QDir::isRelativePath(folder);
    if (absolute)
        std::filesystem::directory_iterator probe(std::filesystem::path(folder.toStdU16String()),
                                                  ec);
    if (!absolute || ec || !QFileInfo(folder).isDir())
        throw platform::Exception("Cannot open the folder " + folder.toStdString() + ".");

    clear();
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& info : entries) {
        // isFile() follows links: a link to a regular file is one; links to anything else
        // and the special files are not.
        if (!info.isFile())
            continue;
        const QString suffix = info.suffix().toLower();
        // One look-up per kind of file: the provider may read a file to tell its type.
        auto icon = iconBySuffix_.find(suffix);
        if (icon == iconBySuffix_.end())
            icon = iconBySuffix_.insert(suffix, icons_.icon(info));
        addItem(new QListWidgetItem(*icon, info.fileName()));
    }
    directory_ = folder;
}

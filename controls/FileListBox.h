#pragma once
// TFileListBox: the bare names of the files of one folder, sorted, with their icons, several
// selectable at once (the file list of the Add Files dialog).
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QListWidget>

class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent = nullptr);

    // The folder shown, as it was given.
    QString Directory() const { return directory_; }
    // Shows the files of FOLDER: regular files (hidden ones too, and links to regular files);
    // no folders and none of the special files (sockets, devices, pipes). A folder that cannot
    // be listed raises "Cannot open the folder " + FOLDER + "." and the list keeps what it
    // showed.
    void setDirectory(const QString& folder);

private:
    QString directory_;
    QFileIconProvider icons_;
    QHash<QString, QIcon> iconBySuffix_;
};

#pragma once
// TFolderTree: the folder tree of the Add Files and extract dialogs. It shows folders only,
// rooted at the computer node, which holds the file system's roots ("/" on POSIX, the drives
// on Windows) and has no connecting line of its own. Branches are listed when they are first
// opened; with AutoRefresh the listed folders are watched and the tree follows their changes
// in place, so that the selection stays where it is. A right click selects, and the selection
// stays visible while the tree has no focus.
#include <QTreeView>

class FolderModel;

class TFolderTree : public QTreeView {
    Q_OBJECT
public:
    explicit TFolderTree(QWidget* parent = nullptr);
    ~TFolderTree() override;

    // The computer node's display name; it is also the path the tree reports for it.
    static QString ComputerName();
    // The folder the dialogs' trees start in: the user's home folder (C:\ on Windows).
    static QString StartFolder();

    bool AutoRefresh() const;
    void setAutoRefresh(bool on);

    // The selected folder's path, in the platform's separators: with a closing separator
    // only at a root ("/", "C:\"), the computer node's display name for that node, and ""
    // when nothing is selected.
    QString Path() const;
    // Selects the folder at PATH (absolute), opening the branches above it and bringing it
    // into view. False, with the selection unchanged, when there is no such folder.
    bool setPath(const QString& path);

    // The node of the folder at PATH, listing the branches above it as needed; the computer
    // node for ComputerName(). Invalid when there is no such folder.
    QModelIndex indexOfPath(const QString& path);
    QModelIndex computerIndex() const;

signals:
    // A left click on a folder.
    void Click();
    // The selection changed, by mouse, keyboard or program.
    void Change();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    FolderModel* model_;
};

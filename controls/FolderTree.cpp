#include "controls/FolderTree.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSet>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

#ifdef _WIN32
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif

struct Node {
    enum Kind { Invisible, Computer, Root, Folder };
    Kind kind = Folder;
    QString name; // as shown
    QString path; // with "/" separators; "" above the roots
    Node* parent = nullptr;
    int row = 0; // the place among the parent's children
    std::vector<std::unique_ptr<Node>> children;
    bool listed = false;
    // A hidden folder shown because it was asked for by path; kept while it exists.
    bool pinned = false;

    // Numbers the children again from FIRST on, after a child came or went.
    void renumber(std::size_t first = 0) {
        for (std::size_t i = first; i < children.size(); ++i)
            children[i]->row = static_cast<int>(i);
    }
};

// Folders are shown in name order, letter case aside (ties broken by case, so that the
// order is total).
bool nameLess(const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

QString joinPath(const QString& folder, const QString& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

} // namespace

// The folders of the file system below one computer node, listed on demand.
class FolderModel : public QAbstractItemModel {
public:
    explicit FolderModel(QObject* parent) : QAbstractItemModel(parent) {
        root_->kind = Node::Invisible;
        auto computer = std::make_unique<Node>();
        computer->kind = Node::Computer;
        computer->name = TFolderTree::ComputerName();
        computer->parent = root_.get();
        root_->children.push_back(std::move(computer));
        root_->listed = true;
    }

    Node* nodeOf(const QModelIndex& index) const {
        return index.isValid() ? static_cast<Node*>(index.internalPointer()) : root_.get();
    }
    QModelIndex indexOf(Node* node) const {
        return node == root_.get() ? QModelIndex() : createIndex(node->row, 0, node);
    }
    Node* computer() const { return root_->children.front().get(); }

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        Node* p = nodeOf(parent);
        if (column != 0 || row < 0 || row >= static_cast<int>(p->children.size()))
            return {};
        return createIndex(row, 0, p->children[static_cast<std::size_t>(row)].get());
    }
    QModelIndex parent(const QModelIndex& index) const override {
        if (!index.isValid())
            return {};
        return indexOf(nodeOf(index)->parent);
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.column() > 0 ? 0 : static_cast<int>(nodeOf(parent)->children.size());
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    bool hasChildren(const QModelIndex& parent) const override {
        const Node* n = nodeOf(parent);
        return !n->listed || !n->children.empty();
    }
    bool canFetchMore(const QModelIndex& parent) const override { return !nodeOf(parent)->listed; }
    void fetchMore(const QModelIndex& parent) override { list(nodeOf(parent)); }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const Node* n = nodeOf(index);
        if (role == Qt::DisplayRole)
            return n->name;
        if (role == Qt::DecorationRole) {
            switch (n->kind) {
            case Node::Computer:
                return icons_.icon(QAbstractFileIconProvider::Computer);
            case Node::Root:
                return icons_.icon(QAbstractFileIconProvider::Drive);
            default:
                return icons_.icon(QAbstractFileIconProvider::Folder);
            }
        }
        return {};
    }

    // Lists the subfolders of NODE once.
    void list(Node* node) {
        if (node->listed)
            return;
        node->listed = true;
        if (!node->path.isEmpty())
            listedByPath_.insert(node->path, node);
        if (watcher_ && !node->path.isEmpty())
            watcher_->addPath(node->path);
        const std::vector<Entry> found = entriesOf(node);
        if (found.empty()) {
            // The branch's expander goes away.
            const QModelIndex index = indexOf(node);
            emit dataChanged(index, index);
            return;
        }
        beginInsertRows(indexOf(node), 0, static_cast<int>(found.size()) - 1);
        for (const Entry& e : found)
            node->children.push_back(makeChild(node, e));
        node->renumber();
        endInsertRows();
    }

    // The child of NODE named NAME; a hidden folder of that name is added (pinned) when it
    // exists, as it has been asked for by path.
    Node* child(Node* node, const QString& name) {
        list(node);
        for (const auto& c : node->children)
            if (QString::compare(c->name, name, kNameCase) == 0)
                return c.get();
        const QString path = joinPath(node->path, name);
        if (node->kind == Node::Computer || !QFileInfo(path).isDir())
            return nullptr;
        const int row = insertChild(node, {Node::Folder, name, path});
        Node* added = node->children[static_cast<std::size_t>(row)].get();
        added->pinned = true;
        return added;
    }

    void setWatching(bool on) {
        if (on == (watcher_ != nullptr))
            return;
        if (!on) {
            delete watcher_;
            watcher_ = nullptr;
            return;
        }
        watcher_ = new QFileSystemWatcher(this);
        QObject::connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
                         [this](const QString& path) { refresh(path); });
        const QStringList paths = listedByPath_.keys();
        if (!paths.isEmpty())
            watcher_->addPaths(paths);
    }
    bool watching() const { return watcher_ != nullptr; }

private:
    struct Entry {
        Node::Kind kind;
        QString name;
        QString path;
    };

    std::vector<Entry> entriesOf(const Node* node) const {
        std::vector<Entry> found;
        if (node->kind == Node::Computer) {
            for (const QFileInfo& drive : QDir::drives())
                found.push_back(
                    {Node::Root, QDir::toNativeSeparators(drive.filePath()), drive.filePath()});
            return found;
        }
        // Hidden folders are left out, as the desktop's file views leave them out.
        QStringList names = QDir(node->path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(names.begin(), names.end(), nameLess);
        for (const QString& name : names)
            found.push_back({Node::Folder, name, joinPath(node->path, name)});
        return found;
    }

    static std::unique_ptr<Node> makeChild(Node* parent, const Entry& e) {
        auto n = std::make_unique<Node>();
        n->kind = e.kind;
        n->name = e.name;
        n->path = e.path;
        n->parent = parent;
        return n;
    }

    // Inserts a child at its place in name order; returns its row.
    int insertChild(Node* node, const Entry& e) {
        auto& kids = node->children;
        const auto at = std::lower_bound(
            kids.begin(), kids.end(), e.name,
            [](const std::unique_ptr<Node>& c, const QString& n) { return nameLess(c->name, n); });
        const int row = static_cast<int>(at - kids.begin());
        beginInsertRows(indexOf(node), row, row);
        kids.insert(at, makeChild(node, e));
        node->renumber(static_cast<std::size_t>(row));
        endInsertRows();
        return row;
    }

    // Brings the children of the listed folder PATH in line with the file system: gone
    // folders are removed and new ones inserted at their places, each row on its own, so
    // that the rows that stay (and the selection among them) are kept.
    void refresh(const QString& path) {
        Node* node = listedByPath_.value(path);
        if (!node)
            return;
        const std::vector<Entry> found =
            QFileInfo(path).isDir() ? entriesOf(node) : std::vector<Entry>{};
        QSet<QString> present;
        for (const Entry& e : found)
            present.insert(e.name);
        auto& kids = node->children;
        QSet<QString> kept;
        for (int row = static_cast<int>(kids.size()) - 1; row >= 0; --row) {
            Node* c = kids[static_cast<std::size_t>(row)].get();
            if (present.contains(c->name) || (c->pinned && QFileInfo(c->path).isDir())) {
                kept.insert(c->name);
                continue;
            }
            beginRemoveRows(indexOf(node), row, row);
            forget(c);
            kids.erase(kids.begin() + row);
            node->renumber(static_cast<std::size_t>(row));
            endRemoveRows();
        }
        for (const Entry& e : found)
            if (!kept.contains(e.name))
                insertChild(node, e);
    }

    void forget(Node* node) {
        for (const auto& c : node->children)
            forget(c.get());
        if (node->listed) {
            listedByPath_.remove(node->path);
            if (watcher_)
                watcher_->removePath(node->path);
        }
    }

    std::unique_ptr<Node> root_ = std::make_unique<Node>();
    QHash<QString, Node*> listedByPath_;
    QFileSystemWatcher* watcher_ = nullptr;
    QFileIconProvider icons_;
};

TFolderTree::TFolderTree(QWidget* parent) : QTreeView(parent), model_(new FolderModel(this)) {
    setModel(model_);
    setHeaderHidden(true);
    // Deep folders widen the column, and the tree scrolls sideways, instead of cutting
    // their names off.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setRootIsDecorated(false); // the computer node stands without a line or expander
    setIndentation(19);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    // The selected folder stays marked as clearly when another control has the focus.
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    model_->list(model_->computer());
    expand(computerIndex());

    connect(this, &QAbstractItemView::clicked, this, [this] { emit Click(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit Change(); });
}

TFolderTree::~TFolderTree() = default;

QString TFolderTree::ComputerName() {
#ifdef _WIN32
    return QStringLiteral("My Computer");
#else
    return QStringLiteral("Computer");
#endif
}

QString TFolderTree::StartFolder() {
#ifdef _WIN32
    return QStringLiteral("C:\\");
#else
    return QDir::homePath();
#endif
}

bool TFolderTree::AutoRefresh() const {
    return model_->watching();
}

void TFolderTree::setAutoRefresh(bool on) {
    model_->setWatching(on);
}

QModelIndex TFolderTree::computerIndex() const {
    return model_->indexOf(model_->computer());
}

QString TFolderTree::Path() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    const Node* node = model_->nodeOf(selected.front());
    if (node->kind == Node::Computer)
        return node->name;
    return QDir::toNativeSeparators(node->path);
}

QModelIndex TFolderTree::indexOfPath(const QString& path) {
    if (path == ComputerName())
        return computerIndex();
    QString wanted = QDir::fromNativeSeparators(path);
    if (wanted.isEmpty() || QDir::isRelativePath(wanted))
        return {};
    wanted = QDir::cleanPath(wanted);
    Node* computer = model_->computer();
    model_->list(computer);
    Node* node = nullptr;
    for (const auto& r : computer->children)
        if (wanted.startsWith(r->path, kNameCase) || wanted + '/' == r->path)
            node = r.get();
    if (!node)
        return {};
    const QStringList parts = wanted.mid(node->path.size()).split('/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        node = model_->child(node, part);
        if (!node)
            return {};
    }
    return model_->indexOf(node);
}

bool TFolderTree::setPath(const QString& path) {
    const QModelIndex index = indexOfPath(path);
    if (!index.isValid())
        return false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        expand(above);
    setCurrentIndex(index);
    // In the middle, so that it stays in view when a sideways scroll bar comes with it.
    scrollTo(index, QAbstractItemView::PositionAtCenter);
    return true;
}

void TFolderTree::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid())
            setCurrentIndex(index);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

#include "controls/GridAccessible.h"

#include "controls/StringGrid.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include <algorithm>

namespace {

class GridAccessible;

// One cell by its grid coordinates; its text is read from the grid each time.
class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCellAccessible(TStringGrid* grid, const GridAccessible* table, int col, int row)
        : grid_(grid), table_(table), col_(col), row_(row) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value))
            return {};
        return grid_->Cells(col_, row_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = grid_->CellRect(col_, row_);
        return r.isEmpty() ? QRect() : QRect(grid_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return col_; }
    int rowIndex() const override;
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

private:
    QPointer<TStringGrid> grid_;
    const GridAccessible* table_;
    int col_, row_;
};

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(TStringGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {
        // The grid reports every change of its current cell through Click.
        QObject::connect(grid, &TStringGrid::Click, grid, [grid] { announceCurrent(grid); });
    }

    ~GridAccessible() override {
        for (QAccessible::Id id : std::as_const(cells_))
            QAccessible::deleteAccessibleInterface(id);
    }

    TStringGrid* grid() const { return static_cast<TStringGrid*>(object()); }

    // The rows above the data rows: the fixed rows, and at least the caption row.
    int headerRows() const {
        return std::min(grid()->RowCount(), std::max(1, grid()->FixedRows()));
    }

    static int childIndex(const TStringGrid* grid, int col, int row) {
        return row * grid->ColCount() + col;
    }

    static void announceCurrent(TStringGrid* grid) {
        if (!QAccessible::isActive())
            return;
        const int index = childIndex(grid, grid->Col(), grid->Row());
        if (grid->hasFocus()) {
            QAccessibleEvent focus(grid, QAccessible::Focus);
            focus.setChild(index);
            QAccessible::updateAccessibility(&focus);
        }
        QAccessibleEvent selection(grid, QAccessible::Selection);
        selection.setChild(index);
        QAccessible::updateAccessibility(&selection);
    }

    // QAccessibleInterface: the children are the cells, captions first.
    int childCount() const override { return grid()->RowCount() * grid()->ColCount(); }
    QAccessibleInterface* child(int index) const override {
        const int cols = grid()->ColCount();
        if (index < 0 || index >= childCount() || cols <= 0)
            return nullptr;
        return gridCell(index % cols, index / cols);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->parent() != this)
            return -1;
        if (const auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface())
            return childIndex(grid(), cell->columnIndex(), cell->rowIndex() + headerRows());
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = grid()->viewport()->mapFromGlobal(QPoint(x, y));
        const TGridCoord c = grid()->MouseCoord(p.x(), p.y());
        return c.X < 0 || c.Y < 0 ? nullptr : gridCell(c.X, c.Y);
    }
    QAccessibleInterface* focusChild() const override {
        return grid()->hasFocus() ? gridCell(grid()->Col(), grid()->Row()) : nullptr;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // The cell at grid coordinates, made once and kept until the table goes.
    QAccessibleInterface* gridCell(int col, int row) const {
        if (col < 0 || row < 0 || col >= grid()->ColCount() || row >= grid()->RowCount())
            return nullptr;
        const int index = childIndex(grid(), col, row);
        auto it = cells_.constFind(index);
        if (it != cells_.constEnd()) {
            if (QAccessibleInterface* cached = QAccessible::accessibleInterface(*it)) {
                auto* cell = cached->tableCellInterface();
                if (cell && cell->columnIndex() == col && cell->rowIndex() + headerRows() == row)
                    return cached;
            }
            QAccessible::deleteAccessibleInterface(*it);
            cells_.remove(index);
        }
        auto* cell = new GridCellAccessible(grid(), this, col, row);
        cells_.insert(index, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

    bool rowSelected(int gridRow) const {
        const TGridRect s = grid()->Selection();
        return gridRow >= headerRows() && gridRow >= s.Top && gridRow <= s.Bottom;
    }
    bool cellSelected(int col, int gridRow) const {
        const TGridRect s = grid()->Selection();
        return rowSelected(gridRow) && col >= s.Left && col <= s.Right;
    }

    // QAccessibleTableInterface, in data rows (the caption row is the column header).
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return gridCell(column, row + headerRows());
    }
    int selectedCellCount() const override { return int(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        const TGridRect s = grid()->Selection();
        for (int row : selectedRows())
            for (int col = std::max(0, s.Left); col <= s.Right && col < columnCount(); ++col)
                cells << cellAt(row, col);
        return cells;
    }
    QString columnDescription(int column) const override {
        return headerRows() > 0 ? grid()->Cells(column, headerRows() - 1) : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return grid()->ColCount(); }
    int rowCount() const override { return std::max(0, grid()->RowCount() - headerRows()); }
    QList<int> selectedColumns() const override {
        // A column is selected when the selection spans every data row.
        QList<int> columns;
        const TGridRect s = grid()->Selection();
        if (rowCount() > 0 && s.Top <= headerRows() && s.Bottom >= grid()->RowCount() - 1)
            for (int col = std::max(0, s.Left); col <= s.Right && col < columnCount(); ++col)
                columns << col;
        return columns;
    }
    QList<int> selectedRows() const override {
        QList<int> rows;
        const TGridRect s = grid()->Selection();
        for (int r = std::max(s.Top, headerRows()); r <= s.Bottom && r < grid()->RowCount(); ++r)
            rows << r - headerRows();
        return rows;
    }
    bool isColumnSelected(int column) const override { return selectedColumns().contains(column); }
    bool isRowSelected(int row) const override { return rowSelected(row + headerRows()); }
    // Selecting a row makes it the current row, as a click on it would.
    bool selectRow(int row) override {
        if (row < 0 || row >= rowCount())
            return false;
        grid()->setRow(row + headerRows());
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    mutable QHash<int, QAccessible::Id> cells_;
};

bool GridCellAccessible::isValid() const {
    return grid_ && col_ < grid_->ColCount() && row_ < grid_->RowCount();
}

QAccessibleInterface* GridCellAccessible::parent() const {
    return grid_ ? const_cast<GridAccessible*>(table_) : nullptr;
}

QAccessible::Role GridCellAccessible::role() const {
    return isValid() && row_ < table_->headerRows() ? QAccessible::ColumnHeader : QAccessible::Cell;
}

QAccessible::State GridCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = row_ >= table_->headerRows();
    s.selected = table_->cellSelected(col_, row_);
    s.focusable = s.selectable;
    s.focused = grid_->hasFocus() && grid_->Col() == col_ && grid_->Row() == row_;
    s.invisible = grid_->CellRect(col_, row_).isEmpty();
    return s;
}

bool GridCellAccessible::isSelected() const {
    return isValid() && table_->cellSelected(col_, row_);
}

QList<QAccessibleInterface*> GridCellAccessible::columnHeaderCells() const {
    if (!isValid() || row_ < table_->headerRows())
        return {};
    return {table_->gridCell(col_, table_->headerRows() - 1)};
}

int GridCellAccessible::rowIndex() const {
    return row_ - (table_ ? table_->headerRows() : 0);
}

QAccessibleInterface* GridCellAccessible::table() const {
    return parent();
}

} // namespace

QAccessibleInterface* gridAccessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("TStringGrid") || className == QLatin1String("TSortingGrid"))
        if (auto* grid = qobject_cast<TStringGrid*>(object))
            return new GridAccessible(grid);
    return nullptr;
}

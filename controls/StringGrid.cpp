#include "controls/StringGrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr int kSizingMargin = 3; // pixels either side of a column border that start sizing
constexpr int kMinCellSize = 0;

// QImage at the program's fixed 96 dots per inch, so point-sized fonts measure as on screen.
void setScreenResolution(QImage& image) {
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
}

// One column's cells, 32 bits each: 0 is an empty (null) cell; with the top bit set the rest
// is an item of the column's source; otherwise the cell's own text is texts[value - 1]. Text
// slots freed by emptied or dropped cells are used again.
struct GridColumn {
    static constexpr std::uint32_t SourceBit = 0x80000000u;
    std::vector<std::uint32_t> cells;
    std::vector<QString> texts;
    std::vector<std::uint32_t> freeSlots;
    std::shared_ptr<TGridCellSource> source;

    explicit GridColumn(int rows = 0) : cells(std::size_t(rows), 0) {}

    static bool ownText(std::uint32_t v) { return v != 0 && !(v & SourceBit); }
    QString text(int row) const {
        const std::uint32_t v = cells[std::size_t(row)];
        if (v == 0)
            return {};
        if (v & SourceBit)
            return source ? source->Text(v & ~SourceBit) : QString();
        return texts[v - 1];
    }
    const QImage* mark(int row) const {
        const std::uint32_t v = cells[std::size_t(row)];
        return (v & SourceBit) && source ? source->Mark(v & ~SourceBit) : nullptr;
    }
    void release(std::uint32_t v) {
        if (!ownText(v))
            return;
        texts[v - 1] = QString();
        freeSlots.push_back(v);
        if (freeSlots.size() == texts.size()) { // no text left: the slots go too
            texts.clear();
            texts.shrink_to_fit();
            freeSlots.clear();
            freeSlots.shrink_to_fit();
        }
    }
    void setText(int row, const QString& text) {
        std::uint32_t& v = cells[std::size_t(row)];
        if (ownText(v) && !text.isNull()) {
            texts[v - 1] = text;
            return;
        }
        const std::uint32_t old = v;
        v = 0;
        release(old);
        if (text.isNull())
            return;
        if (!freeSlots.empty()) {
            v = freeSlots.back();
            freeSlots.pop_back();
            texts[v - 1] = text;
        } else {
            texts.push_back(text);
            v = std::uint32_t(texts.size());
        }
    }
    void resize(int rows) {
        for (std::size_t r = std::size_t(rows); r < cells.size(); ++r)
            release(cells[r]);
        cells.resize(std::size_t(rows), 0);
    }
    // Rows FIRST + j take the cells of rows SOURCES[j]. A cell that would end up in two rows
    // (or a row's own text overwritten) gets its own copy, so no two rows share a text slot.
    void permute(int first, const std::vector<int>& sources, bool isPermutation) {
        const std::size_t n = sources.size();
        if (isPermutation) {
            std::vector<std::uint32_t> temp(n);
            for (std::size_t j = 0; j < n; ++j)
                temp[j] = cells[std::size_t(sources[j])];
            std::copy(temp.begin(), temp.end(), cells.begin() + first);
            return;
        }
        std::vector<std::uint32_t> raw(n);
        std::vector<QString> values(n);
        for (std::size_t j = 0; j < n; ++j) {
            raw[j] = cells[std::size_t(sources[j])];
            if (ownText(raw[j]))
                values[j] = texts[raw[j] - 1];
        }
        for (std::size_t j = 0; j < n; ++j) {
            setText(first + int(j), QString()); // the row's old text goes
            if (ownText(raw[j]))
                setText(first + int(j), values[j]); // in a slot of its own
            else
                cells[std::size_t(first) + j] = raw[j];
        }
    }
};

} // namespace

struct TStringGrid::Data {
    int colCount = 5, rowCount = 5, fixedCols = 1, fixedRows = 1;
    // cells[col] holds the column's rowCount cells.
    std::vector<GridColumn> cells;
    // objects[col] is empty until an object is attached in that column, then rowCount long.
    std::vector<std::vector<void*>> objects;
    std::vector<int> colWidths;
    // Empty while every row has the default height; else one height per row, with the
    // running sums of the row extents kept beside it.
    std::vector<int> rowHeights;
    mutable std::vector<std::int64_t> rowTops;
    mutable bool rowTopsValid = false;
    int defaultColWidth = 64, defaultRowHeight = 24, gridLineWidth = 1;

    int col = 1, row = 1, anchorCol = 1, anchorRow = 1;
    int topRow = 1, leftCol = 1;
    std::uint32_t options = 0;
    TScrollStyle scrollBars = TScrollStyle::ssBoth;
    bool defaultDrawing = true;
    bool colorSet = false, fixedColorSet = false;
    TColor color = clWhite, fixedColor = clSilver;

    QMenu* popup = nullptr;
    QLineEdit* editor = nullptr;
    bool editorMode = false;
    QString editorOriginal;
    bool entered = false; // focus inside the grid or its editor

    TGridState state = TGridState::gsNormal;
    int sizingIndex = -1, sizingLeft = 0;
    int moveFrom = -1; // column or row a drag on a fixed cell may move
    QPoint movePress;
    TGridState moveKind = TGridState::gsNormal;
    QPoint dragPos; // last mouse position of a drag selection
    // A press on a selected row while DragOut has a receiver: the cell pressed, until the
    // mouse travels (DragOut) or the button is released (a plain click there).
    std::optional<TGridCoord> dragOutCell;
    QPoint dragOutPress;
    QTimer* autoScroll = nullptr; // extends a drag selection held outside the rows
    QPoint wheelRest;             // wheel turn not yet worth a whole notch

    bool updateQueued = false;
    bool inLayout = false;
    Canvas* paintCanvas = nullptr;
    std::unique_ptr<QImage> measureImage;
    std::unique_ptr<Canvas> measureCanvas;

    static std::uint32_t bit(TGridOption o) { return 1u << unsigned(o); }
    bool has(TGridOption o) const { return options & bit(o); }
    int lineW() const {
        return has(TGridOption::goVertLine) || has(TGridOption::goFixedVertLine) ? gridLineWidth
                                                                                 : 0;
    }
    int lineH() const {
        return has(TGridOption::goHorzLine) || has(TGridOption::goFixedHorzLine) ? gridLineWidth
                                                                                 : 0;
    }
    int rowHeight(int r) const { return rowHeights.empty() ? defaultRowHeight : rowHeights[r]; }
    void buildRowTops() const {
        if (rowTopsValid)
            return;
        rowTops.assign(rowHeights.size() + 1, 0);
        const int lh = lineH();
        for (size_t i = 0; i < rowHeights.size(); ++i)
            rowTops[i + 1] = rowTops[i] + rowHeights[i] + lh;
        rowTopsValid = true;
    }
    bool validCell(int c, int r) const { return c >= 0 && c < colCount && r >= 0 && r < rowCount; }
    void clampCell(int& c, int& r) const {
        c = std::clamp(c, std::min(fixedCols, colCount - 1), colCount - 1);
        r = std::clamp(r, std::min(fixedRows, rowCount - 1), rowCount - 1);
    }
};

// ---------------------------------------------------------------------------------------------
// Construction

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent), d(new Data) {
    using O = TGridOption;
    d->options = Data::bit(O::goFixedVertLine) | Data::bit(O::goFixedHorzLine) |
                 Data::bit(O::goVertLine) | Data::bit(O::goHorzLine) | Data::bit(O::goRangeSelect);
    d->cells.assign(d->colCount, GridColumn(d->rowCount));
    d->objects.assign(d->colCount, {});
    d->colWidths.assign(d->colCount, d->defaultColWidth);

    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setTracking(false);
    horizontalScrollBar()->setTracking(false);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { scrollActionTriggered(Qt::Vertical, action); });
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { scrollActionTriggered(Qt::Horizontal, action); });

    d->autoScroll = new QTimer(this);
    d->autoScroll->setInterval(60);
    connect(d->autoScroll, &QTimer::timeout, this, [this] {
        if (d->state == TGridState::gsSelecting)
            dragSelect();
        else
            d->autoScroll->stop();
    });

    d->editor = new QLineEdit(viewport());
    d->editor->setObjectName(QStringLiteral("InplaceEdit"));
    d->editor->setFrame(false);
    d->editor->setFocusPolicy(Qt::ClickFocus); // Tab reaches the grid, not its editor
    d->editor->hide();
    d->editor->installEventFilter(this);
    connect(d->editor, &QLineEdit::textEdited, this,
            [this](const QString& text) { editorTextEdited(text); });
    InvalidateGrid();
}

TStringGrid::~TStringGrid() {
    d->measureCanvas.reset();
    delete d;
}

// ---------------------------------------------------------------------------------------------
// Counts

int TStringGrid::RowCount() const {
    return d->rowCount;
}
int TStringGrid::ColCount() const {
    return d->colCount;
}
int TStringGrid::FixedRows() const {
    return d->fixedRows;
}
int TStringGrid::FixedCols() const {
    return d->fixedCols;
}

void TStringGrid::setRowCount(int rows) {
    rows = std::max(1, rows);
    const int oldRows = d->rowCount;
    if (rows == oldRows)
        return;
    if (d->editorMode && d->row >= rows)
        HideEditor();
    for (auto& column : d->cells)
        column.resize(rows);
    for (auto& column : d->objects)
        if (!column.empty())
            column.resize(rows, nullptr);
    if (!d->rowHeights.empty()) {
        d->rowHeights.resize(rows, d->defaultRowHeight);
        d->rowTopsValid = false;
    }
    d->rowCount = rows;
    if (d->fixedRows >= rows)
        d->fixedRows = rows - 1;
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    d->topRow = std::clamp(d->topRow, d->fixedRows, rows - 1);
    SizeChanged(d->colCount, oldRows);
    InvalidateGrid();
}

void TStringGrid::setColCount(int cols) {
    cols = std::max(1, cols);
    const int oldCols = d->colCount;
    if (cols == oldCols)
        return;
    if (d->editorMode && d->col >= cols)
        HideEditor();
    d->cells.resize(cols, GridColumn(d->rowCount));
    d->objects.resize(cols);
    d->colWidths.resize(cols, d->defaultColWidth);
    d->colCount = cols;
    if (d->fixedCols >= cols)
        d->fixedCols = cols - 1;
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    d->leftCol = std::clamp(d->leftCol, d->fixedCols, cols - 1);
    SizeChanged(oldCols, d->rowCount);
    InvalidateGrid();
}

void TStringGrid::setFixedRows(int rows) {
    rows = std::clamp(rows, 0, d->rowCount - 1);
    if (rows == d->fixedRows)
        return;
    // A grid scrolled to its top stays at the top: rows that stop being fixed show.
    const bool atTop = d->topRow == d->fixedRows;
    d->fixedRows = rows;
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    d->topRow = atTop ? rows : std::clamp(d->topRow, rows, d->rowCount - 1);
    InvalidateGrid();
}

void TStringGrid::setFixedCols(int cols) {
    cols = std::clamp(cols, 0, d->colCount - 1);
    if (cols == d->fixedCols)
        return;
    const bool atLeft = d->leftCol == d->fixedCols;
    d->fixedCols = cols;
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    d->leftCol = atLeft ? cols : std::clamp(d->leftCol, cols, d->colCount - 1);
    InvalidateGrid();
}

// ---------------------------------------------------------------------------------------------
// Cells

QString TStringGrid::Cells(int col, int row) const {
    if (!d->validCell(col, row))
        return {};
    return d->cells[col].text(row);
}

void TStringGrid::setCells(int col, int row, const QString& text) {
    if (!d->validCell(col, row))
        return;
    d->cells[col].setText(row, text);
    if (d->updateQueued || !isVisible())
        return;
    const QRect r = CellRect(col, row);
    if (!r.isEmpty())
        viewport()->update(r);
}

void TStringGrid::setColumnSource(int col, int first, int count,
                                  std::shared_ptr<TGridCellSource> source) {
    if (col < 0 || col >= d->colCount || first < 0 || first > d->rowCount || count < 0)
        return;
    GridColumn& column = d->cells[col];
    count = std::min(count, d->rowCount - first);
    column.source = std::move(source);
    for (int i = 0; i < count; ++i) {
        column.setText(first + i, QString());
        column.cells[std::size_t(first + i)] = GridColumn::SourceBit | std::uint32_t(i);
    }
    viewport()->update();
}

TGridCellSource* TStringGrid::ColumnSource(int col) const {
    return col >= 0 && col < d->colCount ? d->cells[col].source.get() : nullptr;
}

const std::shared_ptr<TGridCellSource>& TStringGrid::CellSource(int col, int row,
                                                                std::uint32_t& item) const {
    static const std::shared_ptr<TGridCellSource> none;
    if (!d->validCell(col, row))
        return none;
    const GridColumn& column = d->cells[col];
    const std::uint32_t v = column.cells[std::size_t(row)];
    if (!(v & GridColumn::SourceBit) || !column.source)
        return none;
    item = v & ~GridColumn::SourceBit;
    return column.source;
}

void TStringGrid::SourceTextsChanging(int) {
    viewport()->update();
}

const QImage* TStringGrid::CellMark(int col, int row) const {
    return d->validCell(col, row) ? d->cells[col].mark(row) : nullptr;
}

void* TStringGrid::Objects(int col, int row) const {
    if (!d->validCell(col, row) || d->objects[col].empty())
        return nullptr;
    return d->objects[col][row];
}

void TStringGrid::setObjects(int col, int row, void* object) {
    if (!d->validCell(col, row))
        return;
    auto& column = d->objects[col];
    if (column.empty()) {
        if (!object)
            return;
        column.assign(d->rowCount, nullptr);
    }
    column[row] = object;
}

TGridStrings TStringGrid::Rows(int row) const {
    TGridStrings out;
    if (row < 0 || row >= d->rowCount)
        return out;
    out.Strings.reserve(d->colCount);
    out.Objects.reserve(d->colCount);
    for (int c = 0; c < d->colCount; ++c) {
        out.Strings.append(d->cells[c].text(row));
        out.Objects.push_back(Objects(c, row));
    }
    return out;
}

void TStringGrid::setRows(int row, const TGridStrings& cells) {
    if (row < 0 || row >= d->rowCount)
        return;
    for (int c = 0; c < d->colCount; ++c) {
        d->cells[c].setText(row, c < cells.Count() ? cells.Strings[c] : QString());
        setObjects(c, row, cells.Object(c));
    }
    viewport()->update();
}

TGridStrings TStringGrid::Cols(int col) const {
    TGridStrings out;
    if (col < 0 || col >= d->colCount)
        return out;
    out.Strings.reserve(d->rowCount);
    for (int r = 0; r < d->rowCount; ++r)
        out.Strings.append(d->cells[col].text(r));
    out.Objects = d->objects[col].empty() ? std::vector<void*>(d->rowCount) : d->objects[col];
    return out;
}

void TStringGrid::setCols(int col, const TGridStrings& cells) {
    if (col < 0 || col >= d->colCount)
        return;
    for (int r = 0; r < d->rowCount; ++r) {
        d->cells[col].setText(r, r < cells.Count() ? cells.Strings[r] : QString());
        setObjects(col, r, cells.Object(r));
    }
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Sizes

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || col >= d->colCount)
        return d->defaultColWidth;
    return d->colWidths[col];
}

void TStringGrid::setColWidths(int col, int width) {
    if (col < 0 || col >= d->colCount)
        return;
    width = std::max(kMinCellSize, width);
    if (d->colWidths[col] == width)
        return;
    d->colWidths[col] = width;
    ColWidthsChanged();
}

int TStringGrid::RowHeights(int row) const {
    if (row < 0 || row >= d->rowCount)
        return d->defaultRowHeight;
    return d->rowHeight(row);
}

void TStringGrid::setRowHeights(int row, int height) {
    if (row < 0 || row >= d->rowCount)
        return;
    height = std::max(kMinCellSize, height);
    if (d->rowHeight(row) == height)
        return;
    if (d->rowHeights.empty())
        d->rowHeights.assign(d->rowCount, d->defaultRowHeight);
    d->rowHeights[row] = height;
    d->rowTopsValid = false;
    RowHeightsChanged();
}

int TStringGrid::DefaultColWidth() const {
    return d->defaultColWidth;
}

void TStringGrid::setDefaultColWidth(int width) {
    width = std::max(kMinCellSize, width);
    d->defaultColWidth = width;
    std::fill(d->colWidths.begin(), d->colWidths.end(), width);
    ColWidthsChanged();
}

int TStringGrid::DefaultRowHeight() const {
    return d->defaultRowHeight;
}

void TStringGrid::setDefaultRowHeight(int height) {
    height = std::max(kMinCellSize, height);
    d->defaultRowHeight = height;
    d->rowHeights.clear(); // every row takes the new default
    d->rowTopsValid = false;
    RowHeightsChanged();
}

int TStringGrid::GridLineWidth() const {
    return d->gridLineWidth;
}

void TStringGrid::setGridLineWidth(int width) {
    d->gridLineWidth = std::max(0, width);
    d->rowTopsValid = false;
    InvalidateGrid();
}

std::int64_t TStringGrid::RowsExtent(int from, int to) const {
    from = std::clamp(from, 0, d->rowCount);
    to = std::clamp(to, 0, d->rowCount);
    if (to <= from)
        return 0;
    if (d->rowHeights.empty())
        return std::int64_t(to - from) * (d->defaultRowHeight + d->lineH());
    d->buildRowTops();
    return d->rowTops[to] - d->rowTops[from];
}

std::int64_t TStringGrid::ColsExtent(int from, int to) const {
    from = std::clamp(from, 0, d->colCount);
    to = std::clamp(to, 0, d->colCount);
    std::int64_t sum = 0;
    for (int c = from; c < to; ++c)
        sum += d->colWidths[c] + d->lineW();
    return sum;
}

// ---------------------------------------------------------------------------------------------
// Current cell, selection, scrolling position

int TStringGrid::Row() const {
    return d->row;
}
int TStringGrid::Col() const {
    return d->col;
}

void TStringGrid::setRow(int row) {
    FocusCell(d->col, row, true);
}
void TStringGrid::setCol(int col) {
    FocusCell(col, d->row, true);
}

TGridRect TStringGrid::Selection() const {
    TGridRect r;
    r.Left = std::min(d->col, d->anchorCol);
    r.Right = std::max(d->col, d->anchorCol);
    r.Top = std::min(d->row, d->anchorRow);
    r.Bottom = std::max(d->row, d->anchorRow);
    if (d->has(TGridOption::goRowSelect)) {
        r.Left = d->fixedCols;
        r.Right = d->colCount - 1;
    }
    return r;
}

void TStringGrid::setSelection(const TGridRect& rect) {
    // The anchor goes to the top-left corner and the current cell to the bottom-right one.
    int l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
    d->clampCell(l, t);
    d->clampCell(r, b);
    if (!d->has(TGridOption::goRangeSelect)) {
        l = r;
        t = b;
    }
    if (d->editorMode && (r != d->col || b != d->row))
        HideEditor();
    d->anchorCol = l;
    d->anchorRow = t;
    d->col = r;
    d->row = b;
    ScrollIntoView(r, b);
    viewport()->update();
}

int TStringGrid::TopRow() const {
    return d->topRow;
}
int TStringGrid::LeftCol() const {
    return d->leftCol;
}

void TStringGrid::setTopRow(int row) {
    row = std::clamp(row, d->fixedRows, std::max(d->fixedRows, maxTopRow()));
    if (row == d->topRow)
        return;
    d->topRow = row;
    TopLeftChanged();
}

void TStringGrid::setLeftCol(int col) {
    col = std::clamp(col, d->fixedCols, std::max(d->fixedCols, maxLeftCol()));
    if (col == d->leftCol)
        return;
    d->leftCol = col;
    TopLeftChanged();
}

void TStringGrid::TopLeftChanged() {
    if (d->editorMode)
        ShowEditor(); // follows its cell (or hides when the cell scrolled away)
    if (!d->inLayout) {
        d->inLayout = true;
        verticalScrollBar()->setValue(d->topRow - d->fixedRows);
        horizontalScrollBar()->setValue(d->leftCol - d->fixedCols);
        d->inLayout = false;
    }
    viewport()->update();
    if (OnTopLeftChanged)
        OnTopLeftChanged(this);
}

int TStringGrid::lastFullRow() const {
    const int h = viewport()->height();
    std::int64_t y = RowsExtent(0, d->fixedRows);
    int r = d->topRow;
    if (d->rowHeights.empty()) {
        const int ext = d->defaultRowHeight + d->lineH();
        if (ext <= 0)
            return d->rowCount - 1;
        // rows r with y + (r - top) * ext + height <= h
        const std::int64_t room = h - y - d->defaultRowHeight;
        if (room < 0)
            return d->topRow - 1;
        const std::int64_t n = room / ext + 1;
        return int(std::min<std::int64_t>(d->rowCount - 1, d->topRow + n - 1));
    }
    while (r < d->rowCount && y + d->rowHeight(r) <= h) {
        y += d->rowHeight(r) + d->lineH();
        ++r;
    }
    return r - 1;
}

int TStringGrid::lastFullCol() const {
    const int w = viewport()->width();
    std::int64_t x = ColsExtent(0, d->fixedCols);
    int c = d->leftCol;
    while (c < d->colCount && x + d->colWidths[c] <= w) {
        x += d->colWidths[c] + d->lineW();
        ++c;
    }
    return c - 1;
}

int TStringGrid::VisibleRowCount() const {
    return std::max(0, lastFullRow() - d->topRow + 1);
}
int TStringGrid::VisibleColCount() const {
    return std::max(0, lastFullCol() - d->leftCol + 1);
}

int TStringGrid::maxTopRow() const {
    const std::int64_t room = viewport()->height() - RowsExtent(0, d->fixedRows);
    if (d->rowHeights.empty()) {
        const int ext = d->defaultRowHeight + d->lineH();
        const std::int64_t fits =
            ext > 0 ? std::max<std::int64_t>(1, (room + d->lineH()) / ext) : d->rowCount;
        return int(std::max<std::int64_t>(d->fixedRows, d->rowCount - fits));
    }
    int top = d->rowCount - 1;
    std::int64_t used = d->rowHeight(top);
    while (top > d->fixedRows && used + d->lineH() + d->rowHeight(top - 1) <= room) {
        --top;
        used += d->lineH() + d->rowHeight(top);
    }
    return std::max(d->fixedRows, top);
}

int TStringGrid::maxLeftCol() const {
    const std::int64_t room = viewport()->width() - ColsExtent(0, d->fixedCols);
    int left = d->colCount - 1;
    std::int64_t used = d->colWidths[left];
    while (left > d->fixedCols && used + d->lineW() + d->colWidths[left - 1] <= room) {
        --left;
        used += d->lineW() + d->colWidths[left];
    }
    return std::max(d->fixedCols, left);
}

void TStringGrid::ScrollIntoView(int ACol, int ARow) {
    if (ARow >= d->fixedRows) {
        if (ARow < d->topRow) {
            setTopRow(ARow);
        } else if (ARow > lastFullRow()) {
            // the smallest top row that shows ARow completely
            const std::int64_t room = viewport()->height() - RowsExtent(0, d->fixedRows);
            int top = ARow;
            std::int64_t used = d->rowHeight(ARow);
            while (top > d->fixedRows && used + d->lineH() + d->rowHeight(top - 1) <= room) {
                --top;
                used += d->lineH() + d->rowHeight(top);
            }
            setTopRow(std::max(top, d->topRow));
        }
    }
    if (ACol >= d->fixedCols && !d->has(TGridOption::goRowSelect)) {
        if (ACol < d->leftCol) {
            setLeftCol(ACol);
        } else if (ACol > lastFullCol()) {
            const std::int64_t room = viewport()->width() - ColsExtent(0, d->fixedCols);
            int left = ACol;
            std::int64_t used = d->colWidths[ACol];
            while (left > d->fixedCols && used + d->lineW() + d->colWidths[left - 1] <= room) {
                --left;
                used += d->lineW() + d->colWidths[left];
            }
            setLeftCol(std::max(left, d->leftCol));
        }
    }
}

bool TStringGrid::SelectCell(int ACol, int ARow) {
    bool can = true;
    if (OnSelectCell)
        OnSelectCell(this, ACol, ARow, can);
    return can;
}

void TStringGrid::FocusCell(int ACol, int ARow, bool MoveAnchor, bool Show) {
    d->clampCell(ACol, ARow);
    if (!SelectCell(ACol, ARow))
        return;
    const bool moved = ACol != d->col || ARow != d->row;
    if (moved && d->editorMode)
        HideEditor();
    d->col = ACol;
    d->row = ARow;
    if (MoveAnchor || !d->has(TGridOption::goRangeSelect)) {
        d->anchorCol = ACol;
        d->anchorRow = ARow;
    }
    if (Show)
        ScrollIntoView(ACol, ARow);
    if (d->has(TGridOption::goAlwaysShowEditor) && d->has(TGridOption::goEditing) && hasFocus())
        ShowEditor();
    viewport()->update();
    ClickEvent();
}

void TStringGrid::ClickEvent() {
    emit Click();
}

// ---------------------------------------------------------------------------------------------
// Options and looks

bool TStringGrid::hasOption(TGridOption option) const {
    return d->has(option);
}

void TStringGrid::setOption(TGridOption option, bool on) {
    const std::uint32_t before = d->options;
    if (on)
        d->options |= Data::bit(option);
    else
        d->options &= ~Data::bit(option);
    if (before == d->options)
        return;
    if (option == TGridOption::goThumbTracking) {
        verticalScrollBar()->setTracking(on);
        horizontalScrollBar()->setTracking(on);
    }
    if ((option == TGridOption::goEditing || option == TGridOption::goRowSelect) && d->editorMode &&
        (!d->has(TGridOption::goEditing) || d->has(TGridOption::goRowSelect)))
        HideEditor();
    d->rowTopsValid = false;
    InvalidateGrid();
}

TScrollStyle TStringGrid::ScrollBars() const {
    return d->scrollBars;
}

void TStringGrid::setScrollBars(TScrollStyle style) {
    d->scrollBars = style;
    const bool v = style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth;
    const bool h = style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth;
    setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    InvalidateGrid();
}

bool TStringGrid::DefaultDrawing() const {
    return d->defaultDrawing;
}
void TStringGrid::setDefaultDrawing(bool on) {
    d->defaultDrawing = on;
    viewport()->update();
}

TColor TStringGrid::Color() const {
    return d->colorSet ? d->color : QColorToTColor(palette().color(QPalette::Base));
}
void TStringGrid::setColor(TColor color) {
    d->color = color;
    d->colorSet = true;
    viewport()->update();
}
TColor TStringGrid::FixedColor() const {
    return d->fixedColorSet ? d->fixedColor : QColorToTColor(palette().color(QPalette::Button));
}
void TStringGrid::setFixedColor(TColor color) {
    d->fixedColor = color;
    d->fixedColorSet = true;
    viewport()->update();
}

void TStringGrid::setPopupMenu(QMenu* menu) {
    d->popup = menu;
}
QMenu* TStringGrid::PopupMenu() const {
    return d->popup;
}

TGridState TStringGrid::GridState() const {
    return d->state;
}

// ---------------------------------------------------------------------------------------------
// Geometry

TGridCoord TStringGrid::MouseCoord(int x, int y) const {
    TGridCoord out{-1, -1};
    // column
    std::int64_t pos = 0;
    for (int c = 0; c < d->fixedCols; ++c) {
        const std::int64_t next = pos + d->colWidths[c] + d->lineW();
        if (x >= pos && x < next) {
            out.X = c;
            break;
        }
        pos = next;
    }
    if (out.X < 0 && x >= pos) {
        for (int c = d->leftCol; c < d->colCount && pos <= x; ++c) {
            const std::int64_t next = pos + d->colWidths[c] + d->lineW();
            if (x < next) {
                out.X = c;
                break;
            }
            pos = next;
        }
    }
    // row
    const std::int64_t fixedH = RowsExtent(0, d->fixedRows);
    if (y >= 0 && y < fixedH) {
        std::int64_t p = 0;
        for (int r = 0; r < d->fixedRows; ++r) {
            p += d->rowHeight(r) + d->lineH();
            if (y < p) {
                out.Y = r;
                break;
            }
        }
    } else if (y >= fixedH) {
        const std::int64_t off = y - fixedH;
        if (d->rowHeights.empty()) {
            const int ext = d->defaultRowHeight + d->lineH();
            if (ext > 0) {
                const std::int64_t r = d->topRow + off / ext;
                if (r < d->rowCount)
                    out.Y = int(r);
            }
        } else {
            d->buildRowTops();
            const std::int64_t target = d->rowTops[d->topRow] + off;
            auto it = std::upper_bound(d->rowTops.begin(), d->rowTops.end(), target);
            const int r = int(it - d->rowTops.begin()) - 1;
            if (r >= d->topRow && r < d->rowCount)
                out.Y = r;
        }
    }
    if (out.X < 0 || out.Y < 0)
        return TGridCoord{out.X, out.Y};
    return out;
}

QRect TStringGrid::CellRect(int col, int row) const {
    if (!d->validCell(col, row))
        return {};
    std::int64_t x, y;
    if (col < d->fixedCols)
        x = ColsExtent(0, col);
    else if (col >= d->leftCol)
        x = ColsExtent(0, d->fixedCols) + ColsExtent(d->leftCol, col);
    else
        return {};
    if (row < d->fixedRows)
        y = RowsExtent(0, row);
    else if (row >= d->topRow)
        y = RowsExtent(0, d->fixedRows) + RowsExtent(d->topRow, row);
    else
        return {};
    if (x >= viewport()->width() || y >= viewport()->height())
        return {};
    return QRect(int(x), int(y), d->colWidths[col], d->rowHeight(row));
}

// ---------------------------------------------------------------------------------------------
// Layout of the scroll bars: queued, so that filling a large grid costs one update

void TStringGrid::InvalidateGrid() {
    if (d->updateQueued)
        return;
    d->updateQueued = true;
    QTimer::singleShot(0, this, [this] {
        if (d->updateQueued)
            applyLayout();
    });
}

void TStringGrid::UpdateNow() {
    applyLayout();
}

void TStringGrid::applyLayout() {
    d->updateQueued = false;
    clampPosition();
    UpdateScrollRange();
    viewport()->update();
}

void TStringGrid::clampPosition() {
    d->topRow = std::clamp(d->topRow, d->fixedRows, std::max(d->fixedRows, maxTopRow()));
    d->leftCol = std::clamp(d->leftCol, d->fixedCols, std::max(d->fixedCols, maxLeftCol()));
}

void TStringGrid::UpdateScrollRange() {
    d->inLayout = true;
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool vOn =
        d->scrollBars == TScrollStyle::ssVertical || d->scrollBars == TScrollStyle::ssBoth;
    const bool hOn =
        d->scrollBars == TScrollStyle::ssHorizontal || d->scrollBars == TScrollStyle::ssBoth;
    // Not silenced: the scroll area shows and hides its bars on their range signals.
    v->setRange(0, vOn ? std::max(0, maxTopRow() - d->fixedRows) : 0);
    v->setSingleStep(1);
    v->setValue(d->topRow - d->fixedRows);
    h->setRange(0, hOn ? std::max(0, maxLeftCol() - d->fixedCols) : 0);
    h->setSingleStep(1);
    h->setValue(d->leftCol - d->fixedCols);
    d->inLayout = false;
}

void TStringGrid::scrollContentsBy(int, int) {
    if (d->inLayout)
        return;
    const int top = d->fixedRows + verticalScrollBar()->value();
    const int left = d->fixedCols + horizontalScrollBar()->value();
    d->inLayout = true;
    setTopRow(top);
    setLeftCol(left);
    d->inLayout = false;
    viewport()->update();
}

void TStringGrid::scrollActionTriggered(Qt::Orientation orientation, int action) {
    if (action != QAbstractSlider::SliderPageStepAdd &&
        action != QAbstractSlider::SliderPageStepSub)
        return;
    // A page is what is visible now, whatever thumb size the scroll bar shows.
    QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    const int page =
        std::max(1, orientation == Qt::Vertical ? VisibleRowCount() : VisibleColCount());
    const int base =
        orientation == Qt::Vertical ? d->topRow - d->fixedRows : d->leftCol - d->fixedCols;
    const int target = action == QAbstractSlider::SliderPageStepAdd ? base + page : base - page;
    bar->setSliderPosition(std::clamp(target, bar->minimum(), bar->maximum()));
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    applyLayout();
}

void TStringGrid::ColWidthsChanged() {
    if (d->editorMode)
        ShowEditor();
    InvalidateGrid();
}

void TStringGrid::RowHeightsChanged() {
    if (d->editorMode)
        ShowEditor();
    InvalidateGrid();
}

void TStringGrid::SizeChanged(int, int) {}

// ---------------------------------------------------------------------------------------------
// Painting

Canvas& TStringGrid::GridCanvas() {
    if (d->paintCanvas)
        return *d->paintCanvas;
    if (!d->measureCanvas) {
        d->measureImage = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        setScreenResolution(*d->measureImage);
        d->measureCanvas = std::make_unique<Canvas>(d->measureImage.get());
        d->measureCanvas->Font =
            TCanvasFont(font(), QColorToTColor(palette().color(QPalette::Text)));
    }
    return *d->measureCanvas;
}

QImage TStringGrid::RenderToImage() {
    if (d->updateQueued)
        applyLayout();
    QImage image(viewport()->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    setScreenResolution(image);
    {
        Canvas canvas(&image);
        paintGrid(canvas);
    }
    return image;
}

void TStringGrid::paintEvent(QPaintEvent*) {
    if (d->updateQueued)
        applyLayout();
    const QImage image = RenderToImage();
    QPainter p(viewport());
    p.drawImage(0, 0, image);
}

void TStringGrid::paintGrid(Canvas& canvas) {
    d->paintCanvas = &canvas;
    struct Reset {
        Data* d;
        ~Reset() { d->paintCanvas = nullptr; }
    } reset{d};

    const int w = canvas.Width(), h = canvas.Height();
    const QPalette pal = palette();
    const TColor window = Color();
    const TColor fixedColor = FixedColor();
    const TColor text = QColorToTColor(pal.color(QPalette::Text));
    const TColor highlight = QColorToTColor(pal.color(QPalette::Highlight));
    const TColor highlightText = QColorToTColor(pal.color(QPalette::HighlightedText));
    const TColor lineColor = QColorToTColor(pal.color(QPalette::Mid));
    const TColor fixedLineColor = QColorToTColor(pal.color(QPalette::Shadow));
    const TColor light = QColorToTColor(pal.color(QPalette::Light));
    const TColor dark = QColorToTColor(pal.color(QPalette::Dark));

    canvas.Brush.Color = window;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(0, 0, w, h);

    const TGridRect sel = Selection();
    const bool focused = d->entered && hasFocus();
    const int lw = d->lineW(), lh = d->lineH();

    auto drawBand = [&](int row, int y) {
        int x = 0;
        auto drawOne = [&](int col) {
            const int cw = d->colWidths[col], rh = d->rowHeight(row);
            const TRect rect{x, y, x + cw, y + rh};
            TGridDrawState state;
            state.Fixed = col < d->fixedCols || row < d->fixedRows;
            state.Focused = focused && col == d->col && row == d->row;
            state.Selected = !state.Fixed && col >= sel.Left && col <= sel.Right &&
                             row >= sel.Top && row <= sel.Bottom;
            canvas.Font = TCanvasFont(font(), text);
            canvas.Brush.Style = TBrushStyle::bsSolid;
            canvas.Pen = TPen{};
            if (state.Fixed) {
                canvas.Brush.Color = fixedColor;
            } else if (state.Selected &&
                       (!state.Focused || d->has(TGridOption::goDrawFocusSelected) ||
                        d->has(TGridOption::goRowSelect))) {
                canvas.Brush.Color = highlight;
                canvas.Font.Color = highlightText;
            } else {
                canvas.Brush.Color = window;
            }
            DrawCell(col, row, rect, state);
            // grid lines right of and below the cell
            const bool vLine = state.Fixed ? d->has(TGridOption::goFixedVertLine)
                                           : d->has(TGridOption::goVertLine);
            const bool hLine = state.Fixed ? d->has(TGridOption::goFixedHorzLine)
                                           : d->has(TGridOption::goHorzLine);
            canvas.Brush.Style = TBrushStyle::bsSolid;
            if (lw > 0 && vLine) {
                canvas.Brush.Color = state.Fixed ? fixedLineColor : lineColor;
                canvas.FillRect(rect.Right, rect.Top, rect.Right + lw, rect.Bottom + lh);
            }
            if (lh > 0 && hLine) {
                canvas.Brush.Color = state.Fixed ? fixedLineColor : lineColor;
                canvas.FillRect(rect.Left, rect.Bottom, rect.Right + lw, rect.Bottom + lh);
            }
            // raised edges of fixed cells
            if (state.Fixed &&
                (d->has(TGridOption::goFixedVertLine) || d->has(TGridOption::goFixedHorzLine))) {
                canvas.Pen.Color = light;
                canvas.Polyline({QPoint(rect.Left, rect.Bottom - 1), QPoint(rect.Left, rect.Top),
                                 QPoint(rect.Right, rect.Top)});
                canvas.Pen.Color = dark;
                canvas.Polyline({QPoint(rect.Right - 1, rect.Top + 1),
                                 QPoint(rect.Right - 1, rect.Bottom - 1),
                                 QPoint(rect.Left, rect.Bottom - 1)});
            }
            x += cw + lw;
        };
        for (int c = 0; c < d->fixedCols && x < w; ++c)
            drawOne(c);
        for (int c = d->leftCol; c < d->colCount && x < w; ++c)
            drawOne(c);
    };

    int y = 0;
    for (int r = 0; r < d->fixedRows && y < h; ++r) {
        drawBand(r, y);
        y += d->rowHeight(r) + lh;
    }
    for (int r = d->topRow; r < d->rowCount && y < h; ++r) {
        drawBand(r, y);
        y += d->rowHeight(r) + lh;
    }

    // focus outline of the current cell (the current row's cells with whole-row selection)
    if (focused && !d->editorMode) {
        QRect fr = CellRect(d->col, d->row);
        if (d->has(TGridOption::goRowSelect)) {
            const QRect first = CellRect(std::max(d->leftCol, d->fixedCols), d->row);
            if (!first.isEmpty()) {
                const std::int64_t right =
                    ColsExtent(0, d->fixedCols) + ColsExtent(d->leftCol, d->colCount) - lw;
                fr = QRect(first.left(), first.top(),
                           int(std::min<std::int64_t>(right, w)) - first.left(), first.height());
            } else {
                fr = {};
            }
        }
        if (!fr.isEmpty())
            canvas.DrawFocusRect(TRect{fr.left(), fr.top(), fr.right() + 1, fr.bottom() + 1});
    }
}

void TStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    if (d->defaultDrawing)
        GridCanvas().TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    if (OnDrawCell)
        OnDrawCell(this, ACol, ARow, ARect, AState);
}

// ---------------------------------------------------------------------------------------------
// In-place editor

bool TStringGrid::EditorMode() const {
    return d->editorMode;
}

void TStringGrid::setEditorMode(bool on) {
    if (on)
        ShowEditor();
    else
        HideEditor();
}

QLineEdit* TStringGrid::InplaceEditor() const {
    return d->editor;
}

QString TStringGrid::GetEditText(int ACol, int ARow) {
    return Cells(ACol, ARow);
}

void TStringGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    if (OnSetEditText)
        OnSetEditText(this, ACol, ARow, Value);
    setCells(ACol, ARow, Value);
}

void TStringGrid::ShowEditor() {
    if (!d->has(TGridOption::goEditing) || d->has(TGridOption::goRowSelect))
        return;
    if (d->col < d->fixedCols || d->row < d->fixedRows)
        return;
    if (d->updateQueued)
        applyLayout();
    const QRect r = CellRect(d->col, d->row);
    if (!d->editorMode) {
        d->editorMode = true;
        d->editorOriginal = GetEditText(d->col, d->row);
        d->editor->setText(d->editorOriginal);
        d->editor->selectAll();
    }
    if (r.isEmpty()) {
        // Scrolled out of view. The focus goes back to the grid first: hiding the focused
        // editor would pass the focus on to the next control and end the edit.
        if (d->editor->hasFocus())
            setFocus(Qt::OtherFocusReason);
        d->editor->hide();
    } else {
        d->editor->setGeometry(r);
        d->editor->setFont(font());
        if (!d->editor->isVisible()) {
            d->editor->show();
            if (hasFocus())
                d->editor->setFocus(Qt::OtherFocusReason);
        }
    }
    viewport()->update();
}

void TStringGrid::HideEditor() {
    if (!d->editorMode)
        return;
    d->editorMode = false;
    const bool hadFocus = d->editor->hasFocus();
    d->editor->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void TStringGrid::editorTextEdited(const QString& text) {
    if (d->editorMode)
        SetEditText(d->col, d->row, text);
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != d->editor)
        return QAbstractScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(event);
        switch (ke->key()) {
        case Qt::Key_Escape:
            // back to the text the cell had when editing began
            if (d->editor->text() != d->editorOriginal) {
                d->editor->setText(d->editorOriginal);
                SetEditText(d->col, d->row, d->editorOriginal);
            }
            if (!d->has(TGridOption::goAlwaysShowEditor))
                HideEditor();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!d->has(TGridOption::goTabs)) {
                // Tab leaves the grid as it does when no cell is being edited: from the grid
                // itself, since the editor comes after it in the focus chain.
                const bool next =
                    ke->key() == Qt::Key_Tab && !(ke->modifiers() & Qt::ShiftModifier);
                setFocus(Qt::OtherFocusReason);
                focusNextPrevChild(next);
                return true;
            }
            keyPressEvent(ke);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            keyPressEvent(ke);
            return true;
        default:
            break;
        }
        break;
    }
    case QEvent::FocusIn:
        if (!d->entered) {
            d->entered = true;
            DoEnter();
        }
        break;
    case QEvent::FocusOut: {
        auto* fe = static_cast<QFocusEvent*>(event);
        QWidget* now = QApplication::focusWidget();
        if (fe->reason() != Qt::PopupFocusReason && fe->reason() != Qt::ActiveWindowFocusReason &&
            now != this && now != d->editor && d->entered) {
            d->entered = false;
            DoExit();
        }
        break;
    }
    default:
        break;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Focus

void TStringGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (!d->entered) {
        d->entered = true;
        DoEnter();
    }
    if (d->has(TGridOption::goAlwaysShowEditor) && d->has(TGridOption::goEditing))
        ShowEditor();
    viewport()->update();
}

void TStringGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    QWidget* now = QApplication::focusWidget();
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason &&
        now != this && now != d->editor && d->entered) {
        d->entered = false;
        DoExit();
    }
    viewport()->update();
}

void TStringGrid::DoEnter() {}
void TStringGrid::DoExit() {}

bool TStringGrid::focusNextPrevChild(bool next) {
    if (d->has(TGridOption::goTabs))
        return false; // Tab moves between cells
    return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---------------------------------------------------------------------------------------------
// Mouse

TGridState TStringGrid::sizingAt(const QPoint& p, int& index, int& origin) const {
    // Columns are sized at their right border within the fixed rows, rows at their bottom
    // border within the fixed columns.
    if (d->has(TGridOption::goColSizing) && p.y() >= 0 && p.y() < RowsExtent(0, d->fixedRows)) {
        std::int64_t x = 0;
        auto at = [&](int c) {
            const std::int64_t right = x + d->colWidths[c];
            const bool near = std::abs(p.x() - right) <= kSizingMargin;
            if (near) {
                index = c;
                origin = int(x);
            }
            x = right + d->lineW();
            return near;
        };
        for (int c = 0; c < d->fixedCols; ++c)
            if (at(c))
                return TGridState::gsColSizing;
        for (int c = d->leftCol; c < d->colCount && x <= viewport()->width(); ++c)
            if (at(c))
                return TGridState::gsColSizing;
    }
    if (d->has(TGridOption::goRowSizing) && p.x() >= 0 && p.x() < ColsExtent(0, d->fixedCols)) {
        std::int64_t y = 0;
        auto at = [&](int r) {
            const std::int64_t bottom = y + d->rowHeight(r);
            const bool near = std::abs(p.y() - bottom) <= kSizingMargin;
            if (near) {
                index = r;
                origin = int(y);
            }
            y = bottom + d->lineH();
            return near;
        };
        for (int r = 0; r < d->fixedRows; ++r)
            if (at(r))
                return TGridState::gsRowSizing;
        for (int r = d->topRow; r < d->rowCount && y <= viewport()->height(); ++r)
            if (at(r))
                return TGridState::gsRowSizing;
    }
    return TGridState::gsNormal;
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    if (d->state != TGridState::gsNormal || d->moveFrom >= 0) {
        // Another button pressed while the left one sizes, moves or selects changes nothing.
        if (event->button() != Qt::LeftButton && (event->buttons() & Qt::LeftButton))
            return;
        forgetPress();
    }
    if (d->editorMode && !d->has(TGridOption::goAlwaysShowEditor))
        HideEditor();
    d->moveFrom = -1;
    d->dragOutCell.reset();
    if (event->button() != Qt::LeftButton)
        return;
    if (d->updateQueued)
        applyLayout();
    const QPoint p = event->position().toPoint();
    const TGridState sizing = sizingAt(p, d->sizingIndex, d->sizingLeft);
    if (sizing != TGridState::gsNormal) {
        d->state = sizing;
        return;
    }
    const TGridCoord cell = MouseCoord(p.x(), p.y());
    if (cell.X < 0 || cell.Y < 0)
        return; // outside the cells
    // A drag that starts on a fixed cell moves its column (fixed row) or row (fixed column)
    // once the mouse has travelled a little; a plain click stays a click.
    if (cell.Y < d->fixedRows && cell.X >= d->fixedCols && d->has(TGridOption::goColMoving)) {
        d->moveFrom = cell.X;
        d->movePress = p;
        d->moveKind = TGridState::gsColMoving;
    } else if (cell.X < d->fixedCols && cell.Y >= d->fixedRows &&
               d->has(TGridOption::goRowMoving)) {
        d->moveFrom = cell.Y;
        d->movePress = p;
        d->moveKind = TGridState::gsRowMoving;
    }
    if (cell.X < d->fixedCols || cell.Y < d->fixedRows)
        return; // fixed cells are not selected
    const TGridRect sel = Selection();
    if (sel.Top <= cell.Y && cell.Y <= sel.Bottom &&
        !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) &&
        isSignalConnected(QMetaMethod::fromSignal(&TStringGrid::DragOut))) {
        d->dragOutCell = cell;
        d->dragOutPress = p;
        return;
    }
    const bool extend =
        (event->modifiers() & Qt::ShiftModifier) && d->has(TGridOption::goRangeSelect);
    const bool onCurrent = cell.X == d->col && cell.Y == d->row;
    FocusCell(cell.X, cell.Y, !extend);
    if (d->has(TGridOption::goRangeSelect))
        d->state = TGridState::gsSelecting;
    else if (onCurrent && d->has(TGridOption::goEditing) && !extend)
        ShowEditor();
}

// The left button's release never arrived (a window opened by a handler took the mouse): what
// its press began is over, unfinished.
void TStringGrid::forgetPress() {
    d->state = TGridState::gsNormal;
    d->moveFrom = -1;
    d->autoScroll->stop();
    viewport()->unsetCursor();
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (d->dragOutCell) {
        if (!(event->buttons() & Qt::LeftButton))
            d->dragOutCell.reset();
        else if ((p - d->dragOutPress).manhattanLength() >= QApplication::startDragDistance()) {
            d->dragOutCell.reset();
            emit DragOut();
        }
        return;
    }
    if ((d->state != TGridState::gsNormal || d->moveFrom >= 0) &&
        !(event->buttons() & Qt::LeftButton))
        forgetPress();
    switch (d->state) {
    case TGridState::gsColSizing:
        setColWidths(d->sizingIndex, std::max(1, p.x() - d->sizingLeft));
        return;
    case TGridState::gsRowSizing:
        setRowHeights(d->sizingIndex, std::max(1, p.y() - d->sizingLeft));
        return;
    case TGridState::gsColMoving:
    case TGridState::gsRowMoving:
        return;
    case TGridState::gsSelecting:
        d->dragPos = p;
        dragSelect();
        // Held above or below the rows, the selection keeps growing as the grid scrolls.
        if (p.y() >= viewport()->height() || p.y() < RowsExtent(0, d->fixedRows))
            d->autoScroll->start();
        else
            d->autoScroll->stop();
        return;
    default:
        break;
    }
    if (d->moveFrom >= 0 && (event->buttons() & Qt::LeftButton) &&
        (p - d->movePress).manhattanLength() >= QApplication::startDragDistance()) {
        d->state = d->moveKind;
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    int index = 0, origin = 0;
    switch (sizingAt(p, index, origin)) {
    case TGridState::gsColSizing:
        viewport()->setCursor(Qt::SplitHCursor);
        break;
    case TGridState::gsRowSizing:
        viewport()->setCursor(Qt::SplitVCursor);
        break;
    default:
        viewport()->unsetCursor();
        break;
    }
}

void TStringGrid::dragSelect() {
    const QPoint p = d->dragPos;
    const int y = std::clamp(p.y(), 0, std::max(0, viewport()->height() - 1));
    const int x = std::clamp(p.x(), 0, std::max(0, viewport()->width() - 1));
    TGridCoord cell = MouseCoord(x, y);
    if (p.y() >= viewport()->height() && d->row < d->rowCount - 1)
        cell.Y = std::min(d->rowCount - 1, std::max(d->row, lastFullRow()) + 1); // below
    else if (p.y() < RowsExtent(0, d->fixedRows) && d->topRow > d->fixedRows)
        cell.Y = d->topRow - 1; // above
    if (cell.Y < 0)
        cell.Y = d->rowCount - 1; // below the last row
    if (cell.Y < d->fixedRows)
        cell.Y = d->fixedRows;
    if (cell.X < d->fixedCols)
        cell.X = d->has(TGridOption::goRowSelect) ? d->col : d->fixedCols;
    if (cell.X >= 0 && (cell.X != d->col || cell.Y != d->row))
        moveCurrentTo(cell.X, cell.Y, true);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    // Only the left button's release ends what its press began; the popup menu opens when the
    // right button is released (after any header sort), unless the left one is busy.
    if (event->button() != Qt::LeftButton) {
        if (event->button() == Qt::RightButton && d->popup && !(event->buttons() & Qt::LeftButton))
            d->popup->popup(event->globalPosition().toPoint());
        return;
    }
    if (const auto pressed = std::exchange(d->dragOutCell, std::nullopt))
        FocusCell(pressed->X, pressed->Y, true); // no drag: the press was a plain click
    d->autoScroll->stop();
    const TGridState state = d->state;
    d->state = TGridState::gsNormal;
    const int from = d->moveFrom;
    d->moveFrom = -1;
    const QPoint p = event->position().toPoint();
    switch (state) {
    case TGridState::gsColSizing:
        ColWidthsChanged();
        break;
    case TGridState::gsRowSizing:
        RowHeightsChanged();
        break;
    case TGridState::gsColMoving: {
        viewport()->unsetCursor();
        const TGridCoord to = MouseCoord(std::max(0, p.x()), 0);
        if (to.X >= d->fixedCols && to.X != from)
            MoveColumn(from, to.X);
        break;
    }
    case TGridState::gsRowMoving: {
        viewport()->unsetCursor();
        const TGridCoord to = MouseCoord(0, std::max(0, p.y()));
        if (to.Y >= d->fixedRows && to.Y != from)
            MoveRow(from, to.Y);
        break;
    }
    default:
        break;
    }
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like any other (it may start sizing a
    // column or selecting), then the double click is reported.
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void TStringGrid::contextMenuEvent(QContextMenuEvent* event) {
    // Mouse-made requests are answered on the button's release; this is the keyboard's.
    if (event->reason() == QContextMenuEvent::Mouse || !d->popup)
        return;
    const QRect r = CellRect(d->col, d->row);
    const QPoint at = r.isEmpty() ? QPoint(0, 0) : r.bottomLeft();
    d->popup->popup(viewport()->mapToGlobal(at));
}

void TStringGrid::wheelEvent(QWheelEvent* event) {
    // A notch is 120 units. Touchpads and high-resolution wheels send a notch in smaller
    // parts: they add up until a notch is complete. Three rows a vertical notch, one column a
    // horizontal one; a change of direction drops what was left over.
    auto notches = [](int& rest, int delta) {
        if ((rest < 0 && delta > 0) || (rest > 0 && delta < 0))
            rest = 0;
        rest += delta;
        const int n = rest / 120;
        rest -= n * 120;
        return n;
    };
    const QPoint delta = event->angleDelta();
    const int up = notches(d->wheelRest.ry(), delta.y());
    const int left = notches(d->wheelRest.rx(), delta.x());
    if (up != 0)
        setTopRow(d->topRow - up * 3);
    if (left != 0)
        setLeftCol(d->leftCol - left);
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Keyboard

void TStringGrid::moveCurrentTo(int col, int row, bool extend) {
    d->clampCell(col, row);
    FocusCell(col, row, !(extend && d->has(TGridOption::goRangeSelect)));
}

void TStringGrid::moveCurrentBy(int dCol, int dRow, bool extend) {
    moveCurrentTo(d->col + dCol, d->row + dRow, extend);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), event->modifiers());
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool rowSelect = d->has(TGridOption::goRowSelect);
    if (d->updateQueued)
        applyLayout();
    const int page = std::max(1, VisibleRowCount());
    switch (event->key()) {
    case Qt::Key_Up:
        if (d->editorMode)
            HideEditor();
        moveCurrentBy(0, -1, shift);
        return;
    case Qt::Key_Down:
        if (d->editorMode)
            HideEditor();
        moveCurrentBy(0, 1, shift);
        return;
    case Qt::Key_Left:
        if (rowSelect)
            setLeftCol(d->leftCol - 1);
        else
            moveCurrentBy(-1, 0, shift);
        return;
    case Qt::Key_Right:
        if (rowSelect)
            setLeftCol(d->leftCol + 1);
        else
            moveCurrentBy(1, 0, shift);
        return;
    case Qt::Key_PageUp:
        if (d->editorMode)
            HideEditor();
        setTopRow(d->topRow - page);
        moveCurrentBy(0, -page, shift);
        return;
    case Qt::Key_PageDown:
        if (d->editorMode)
            HideEditor();
        setTopRow(d->topRow + page);
        moveCurrentBy(0, page, shift);
        return;
    // Home and End go to the row's first and last cell; with Ctrl to the grid's first and
    // last cell. With whole-row selection they go to the first and last row.
    case Qt::Key_Home:
        if (rowSelect)
            moveCurrentTo(d->col, d->fixedRows, shift);
        else
            moveCurrentTo(d->fixedCols, ctrl ? d->fixedRows : d->row, shift);
        return;
    case Qt::Key_End:
        if (rowSelect)
            moveCurrentTo(d->col, d->rowCount - 1, shift);
        else
            moveCurrentTo(d->colCount - 1, ctrl ? d->rowCount - 1 : d->row, shift);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (d->has(TGridOption::goTabs)) {
            if (d->editorMode)
                HideEditor();
            const bool back = event->key() == Qt::Key_Backtab || shift;
            int c = d->col + (back ? -1 : 1), r = d->row;
            if (c >= d->colCount) {
                c = d->fixedCols;
                r = std::min(d->rowCount - 1, r + 1);
            } else if (c < d->fixedCols) {
                c = d->colCount - 1;
                r = std::max(d->fixedRows, r - 1);
            }
            moveCurrentTo(c, r, false);
        }
        return;
    case Qt::Key_F2:
        ShowEditor();
        return;
    default:
        break;
    }
    QChar key;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = QChar(13);
    else if (!event->text().isEmpty() && !(mods & (Qt::ControlModifier | Qt::AltModifier)))
        key = event->text().at(0);
    if (!key.isNull())
        KeyPress(key);
}

void TStringGrid::KeyPress(QChar& key) {
    if (key == QChar(13)) {
        if (!d->has(TGridOption::goAlwaysShowEditor)) {
            if (d->editorMode)
                HideEditor();
            else
                ShowEditor();
        } else if (d->editorMode) {
            // The editor stays open: Enter has committed its text, and Escape now goes back
            // only as far as that.
            d->editorOriginal = Cells(d->col, d->row);
        }
        key = QChar();
        return;
    }
    if (key.unicode() >= 32 && !d->editorMode && d->has(TGridOption::goEditing) &&
        !d->has(TGridOption::goRowSelect)) {
        // typing starts editing with the typed character
        ShowEditor();
        if (d->editorMode) {
            d->editor->setText(QString(key));
            editorTextEdited(d->editor->text());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Row and column moves

namespace {

// The index an item at position i has after the item at from moved to to.
int moveAdjust(int i, int from, int to) {
    if (i == from)
        return to;
    if (from < to && i > from && i <= to)
        return i - 1;
    if (from > to && i >= to && i < from)
        return i + 1;
    return i;
}

template <typename V> void moveItem(V& v, int from, int to) {
    if (from < to)
        std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
    else
        std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
}

} // namespace

void TStringGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= d->rowCount ||
        ToIndex >= d->rowCount)
        return;
    if (d->editorMode)
        HideEditor();
    for (auto& column : d->cells)
        moveItem(column.cells, FromIndex, ToIndex);
    for (auto& column : d->objects)
        if (!column.empty())
            moveItem(column, FromIndex, ToIndex);
    if (!d->rowHeights.empty()) {
        moveItem(d->rowHeights, FromIndex, ToIndex);
        d->rowTopsValid = false;
    }
    d->row = moveAdjust(d->row, FromIndex, ToIndex);
    d->anchorRow = moveAdjust(d->anchorRow, FromIndex, ToIndex);
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    InvalidateGrid();
}

void TStringGrid::MoveColumn(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= d->colCount ||
        ToIndex >= d->colCount)
        return;
    if (d->editorMode)
        HideEditor();
    moveItem(d->cells, FromIndex, ToIndex);
    moveItem(d->objects, FromIndex, ToIndex);
    moveItem(d->colWidths, FromIndex, ToIndex);
    d->col = moveAdjust(d->col, FromIndex, ToIndex);
    d->anchorCol = moveAdjust(d->anchorCol, FromIndex, ToIndex);
    d->clampCell(d->col, d->row);
    d->clampCell(d->anchorCol, d->anchorRow);
    InvalidateGrid();
}

void TStringGrid::PermuteRows(int First, const std::vector<int>& Sources) {
    const int n = int(Sources.size());
    if (First < 0 || First + n > d->rowCount)
        return;
    for (int src : Sources)
        if (src < 0 || src >= d->rowCount)
            return;
    if (d->editorMode)
        HideEditor();
    // The usual case, a reordering of the rows First.. among themselves, only moves cells.
    std::vector<char> seen(std::size_t(n), 0);
    bool isPermutation = true;
    for (int src : Sources) {
        const int k = src - First;
        if (k < 0 || k >= n || seen[std::size_t(k)]) {
            isPermutation = false;
            break;
        }
        seen[std::size_t(k)] = 1;
    }
    for (auto& column : d->cells)
        column.permute(First, Sources, isPermutation);
    std::vector<void*> tempObjects(n);
    for (auto& column : d->objects) {
        if (column.empty())
            continue;
        for (int j = 0; j < n; ++j)
            tempObjects[j] = column[Sources[j]];
        std::copy(tempObjects.begin(), tempObjects.end(), column.begin() + First);
    }
    viewport()->update();
}

void TStringGrid::DeleteRow(int ARow) {
    if (ARow < 0 || ARow >= d->rowCount)
        return;
    MoveRow(ARow, d->rowCount - 1);
    setRowCount(d->rowCount - 1);
}

void TStringGrid::DeleteColumn(int ACol) {
    if (ACol < 0 || ACol >= d->colCount)
        return;
    MoveColumn(ACol, d->colCount - 1);
    setColCount(d->colCount - 1);
}

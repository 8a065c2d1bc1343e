#pragma once
// TStringGrid: a grid of text cells drawn by the grid itself (no widget per cell), with
// fixed rows and columns that are ordinary cells, a current cell, a selection rectangle,
// column widths and row heights, scroll bars whose range the grid sets, and each row's and
// column's cells as string lists with attached objects. TSortingGrid extends it.
//
// The grid scrolls by whole cells: TopRow and LeftCol are the first non-fixed row and
// column shown below and right of the fixed ones. Cells are stored column by column, so that
// adding rows, reordering rows and painting the visible part stay cheap with 100,000 rows;
// each cell is 32 bits, an index of the column's own texts or of the column's cell source.
// Changes of the counts and sizes do not relayout at once: they queue one update of the
// scroll bars and one repaint.
#include "controls/Canvas.h"

#include <QAbstractScrollArea>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class QLineEdit;

// Cells whose texts are made when they are asked for (painted, read or sorted): the grid keeps
// a 32-bit index per cell and the column's source turns it into the text. A large table then
// holds its data once, in the source's own compact form, instead of as a text per cell.
class TGridCellSource {
public:
    virtual ~TGridCellSource() = default;
    // The text of the cell that holds INDEX.
    virtual QString Text(std::uint32_t index) const = 0;
    // A picture drawn at the cell's left before its text; null for none.
    virtual const QImage* Mark(std::uint32_t /*index*/) const { return nullptr; }

    // What a sort may read in place of the text, which it would otherwise make for every row
    // and convert. Each answers true only when the item's text is known to be of the form
    // named, and false (the default) to leave the item to its text. An item's text must not
    // change while the grid shows or keeps it (a sorting grid keeps the key cells of its last
    // sort), unless the grid is told first (SourceTextsChanging).
    // The text is QString::fromUtf8 of the bytes appended to BYTES.
    virtual bool Utf8Text(std::uint32_t /*index*/, std::string& /*bytes*/) const { return false; }
    // The text is QString::number(VALUE).
    virtual bool NumberText(std::uint32_t /*index*/, std::uint64_t& /*value*/) const {
        return false;
    }
    // The text is platform::shortDateText(DATE), two spaces and platform::shortTimeText(TIME),
    // as platform::dateTimeText writes it; an invalid DATE stands for an empty text.
    virtual bool DateTimeText(std::uint32_t /*index*/, QDate& /*date*/, QTime& /*time*/) const {
        return false;
    }
};

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

struct TGridCoord {
    int X = 0, Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

enum class TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};

// What the grid's mouse is doing: normal (or about to select), selecting by dragging,
// sizing or moving a row or column.
enum class TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The state a cell is drawn in.
struct TGridDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Fixed = false;
    bool operator==(const TGridDrawState&) const = default;
};

// One row's or one column's cells: the texts with the objects attached to them (the grid
// never owns or dereferences an attached object).
struct TGridStrings {
    QStringList Strings;
    std::vector<void*> Objects; // same length as Strings, or empty for "no objects"
    int Count() const { return int(Strings.size()); }
    void* Object(int i) const { return i >= 0 && i < int(Objects.size()) ? Objects[i] : nullptr; }
    int IndexOf(const QString& s) const { return int(Strings.indexOf(s)); }
    void Clear() {
        Strings.clear();
        Objects.clear();
    }
};

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    int RowCount() const;
    void setRowCount(int rows);
    int ColCount() const;
    void setColCount(int cols);
    int FixedRows() const;
    void setFixedRows(int rows);
    int FixedCols() const;
    void setFixedCols(int cols);

    QString Cells(int col, int row) const;
    void setCells(int col, int row, const QString& text);
    void* Objects(int col, int row) const;
    void setObjects(int col, int row, void* object);
    // A row's or a column's cells; assigning sets the texts and objects from the first
    // Count() cells on (cells past the list's end are emptied).
    TGridStrings Rows(int row) const;
    void setRows(int row, const TGridStrings& cells);
    TGridStrings Cols(int col) const;
    void setCols(int col, const TGridStrings& cells);

    // Makes the cells of column COL from row FIRST on show SOURCE's items 0 to COUNT - 1 in
    // turn; the cells stay the source's wherever rows move, until a text is written into one.
    // The column's earlier source, if any, is replaced for all its cells.
    void setColumnSource(int col, int first, int count, std::shared_ptr<TGridCellSource> source);
    TGridCellSource* ColumnSource(int col) const;
    // The source whose ITEM a cell shows; null for a cell with a text of its own (or none).
    const std::shared_ptr<TGridCellSource>& CellSource(int col, int row, std::uint32_t& item) const;
    // To be called before the texts a column's source gives change (its items stay where they
    // are): what the grid kept of the old texts is made from them first. Repaints the column.
    virtual void SourceTextsChanging(int col);
    // The mark of a cell whose text comes from a source (null for none).
    const QImage* CellMark(int col, int row) const;

    int ColWidths(int col) const;
    void setColWidths(int col, int width);
    int RowHeights(int row) const;
    void setRowHeights(int row, int height);
    int DefaultColWidth() const;
    void setDefaultColWidth(int width);
    int DefaultRowHeight() const;
    void setDefaultRowHeight(int height);
    int GridLineWidth() const;
    void setGridLineWidth(int width);

    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);
    TGridRect Selection() const;
    void setSelection(const TGridRect& rect);
    int TopRow() const;
    void setTopRow(int row);
    int LeftCol() const;
    void setLeftCol(int col);
    // Fully visible non-fixed rows (columns) from TopRow (LeftCol) on.
    int VisibleRowCount() const;
    int VisibleColCount() const;

    bool hasOption(TGridOption option) const;
    void setOption(TGridOption option, bool on);
    TScrollStyle ScrollBars() const;
    void setScrollBars(TScrollStyle style);
    bool DefaultDrawing() const;
    void setDefaultDrawing(bool on);
    TColor Color() const; // background of non-fixed cells
    void setColor(TColor color);
    TColor FixedColor() const; // background of fixed cells
    void setFixedColor(TColor color);

    void setPopupMenu(QMenu* menu);
    QMenu* PopupMenu() const;

    // The in-place editor: a single line edit shown over the current cell while editing.
    bool EditorMode() const;
    void setEditorMode(bool on);
    QLineEdit* InplaceEditor() const;

    TGridState GridState() const;
    // The cell under a viewport point; -1 for a coordinate outside the cells.
    TGridCoord MouseCoord(int x, int y) const;
    // The cell's rectangle in viewport coordinates (empty when it is not shown).
    QRect CellRect(int col, int row) const;

    // The grid drawn as it is now into an image of the viewport's size.
    QImage RenderToImage();
    // Runs the queued scroll-bar update now (it otherwise runs from the event loop).
    void UpdateNow();

    // Base events. OnSelectCell may refuse a cell; OnDrawCell draws a cell when
    // DefaultDrawing is off; OnSetEditText sees every text the in-place editor stores.
    std::function<void(QObject* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;
    std::function<void(QObject* Sender, int ACol, int ARow, const TRect& Rect,
                       TGridDrawState State)>
        OnDrawCell;
    std::function<void(QObject* Sender, int ACol, int ARow, const QString& Value)> OnSetEditText;
    std::function<void(QObject* Sender)> OnTopLeftChanged;

signals:
    void DblClick();
    // The left button, pressed on a selected row without Shift or Ctrl, has moved the drag
    // distance: the selection is to be dragged out. Only when connected; otherwise such a
    // press selects as any other.
    void DragOut();
    void Click();
    // Every key pressed while the grid has the focus (Qt key code and modifiers).
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    // The canvas of the paint in progress (the measuring canvas outside of painting).
    Canvas& GridCanvas();

    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
    // Whether a cell may become current; raises OnSelectCell.
    virtual bool SelectCell(int ACol, int ARow);
    virtual QString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const QString& Value);
    // Runs when the current cell changes (and raises the Click signal).
    virtual void ClickEvent();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void SizeChanged(int OldColCount, int OldRowCount);
    virtual void TopLeftChanged();
    // Sets the scroll bars' ranges and positions from the grid's sizes.
    virtual void UpdateScrollRange();
    // Focus enter and exit of the grid (its in-place editor included).
    virtual void DoEnter();
    virtual void DoExit();
    // A typed character (after KeyDown); Enter arrives as character 13.
    virtual void KeyPress(QChar& key);

    // Base row and column operations: move one row (column), the ones between shift by one;
    // delete one row (column), the ones after move up (left).
    virtual void MoveRow(int FromIndex, int ToIndex);
    virtual void MoveColumn(int FromIndex, int ToIndex);
    virtual void DeleteRow(int ARow);
    virtual void DeleteColumn(int ACol);

    // Makes (ACol, ARow) current when SelectCell allows it; MoveAnchor also moves the
    // selection anchor there (else the selection spans from the anchor); Show scrolls the cell
    // into view. Runs ClickEvent.
    void FocusCell(int ACol, int ARow, bool MoveAnchor, bool Show = true);
    void ScrollIntoView(int ACol, int ARow);
    // Reorders the rows from First on as a temporary copy would: row First + j receives the
    // cells and objects of the old row Sources[j]. Row heights and the current cell stay.
    void PermuteRows(int First, const std::vector<int>& Sources);
    void ShowEditor();
    void HideEditor();
    // Requests one queued update of the scroll bars and one repaint.
    void InvalidateGrid();
    // Total height of the rows [from, to) and width of the columns [from, to), lines included.
    std::int64_t RowsExtent(int from, int to) const;
    std::int64_t ColsExtent(int from, int to) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

    struct Data;
    Data* d;

private:
    void paintGrid(Canvas& canvas);
    void applyLayout();
    void clampPosition();
    void moveCurrentBy(int dCol, int dRow, bool extend);
    void moveCurrentTo(int col, int row, bool extend);
    TGridState sizingAt(const QPoint& p, int& index, int& origin) const;
    void dragSelect();
    void forgetPress();
    int lastFullRow() const;
    int lastFullCol() const;
    int maxTopRow() const;
    int maxLeftCol() const;
    void scrollActionTriggered(Qt::Orientation orientation, int action);
    void editorTextEdited(const QString& text);
};

#pragma once
// TStringGrid: a grid of text cells drawn by the grid itself (no widget per cell), with
// fixed rows and columns that are ordinary cells, a current cell, a selection rectangle,
// column widths and row heights, scroll bars whose range the grid sets, and each row's and
// column's cells as string lists with attached objects. TSortingGrid extends it.
//
// This is the interface the windows use; the grid's own work extends it.
#include <QAbstractScrollArea>
#include <QString>
#include <QStringList>
#include <vector>

class QMenu;

struct TGridRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TGridRect&) const = default;
};

enum class TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
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

    int ColWidths(int col) const;
    void setColWidths(int col, int width);
    int DefaultRowHeight() const;
    void setDefaultRowHeight(int height);

    int Row() const;
    int Col() const;
    TGridRect Selection() const;
    void setSelection(const TGridRect& rect);

    bool hasOption(TGridOption option) const;
    void setOption(TGridOption option, bool on);

    void setPopupMenu(QMenu* menu);

signals:
    void DblClick();
    void Click();
    // Every key pressed while the grid has the focus (Qt key code and modifiers).
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    struct Data;
    Data* d;
};

#pragma once
// TSortingGrid: the string grid that sorts its rows by a column on a click of a header cell,
// draws cells by its own alignment and bevel rules, sizes its scroll-bar thumbs in
// proportion and keeps an undo of the last sort. It also tracks cell edits for a validation
// event and offers row and column operations, text search, automatic column sizing and
// delimited text files.
//
// Events are std::function members, called only when set; "var" parameters are references.
#include "controls/StringGrid.h"

#include <QChar>
#include <cstdint>
#include <functional>
#include <vector>

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum class TVertAlignment : std::uint8_t { taTopJustify, taBottomJustify, taMiddle };
enum class TCellBevelStyle : std::uint8_t { cbNone, cbRaised, cbLowered };

enum class TSortKind : std::uint8_t {
    skAutomatic = 0, // chosen from the column's contents
    skText = 1,
    skNumeric = 2,
    skDateTime = 3,
    skTime = 4,
    skCustom = 5,
};
enum class TSortOrder : std::uint8_t { soAscending = 0, soDescending = 1 };

// Negative when the first text sorts before the second, 0 when equal, positive after.
using TSortCompareFunc = std::function<int(const QString& first, const QString& second)>;

// How one sort compares.
struct TSortOptions {
    TSortKind Kind = TSortKind::skAutomatic;
    TSortOrder Order = TSortOrder::soAscending;
    bool CaseSensitive = false;
    TSortCompareFunc Compare; // used only with skCustom
};

// How one cell is drawn. Brush and Font are the canvas's own objects: a handler that changes
// them changes what the canvas draws with.
struct TFormatOptions {
    TBrush* Brush = nullptr;
    TCanvasFont* Font = nullptr;
    TAlignment AlignmentHorz = TAlignment::taLeftJustify;
    TVertAlignment AlignmentVert = TVertAlignment::taTopJustify;
    TCellBevelStyle BevelStyle = TCellBevelStyle::cbNone;
    TColor TopLeftColor = 0;
    TColor BottomRightColor = 0;
    bool HideText = false; // draw the cell background without its text
};

// One non-fixed row of the last sort: its key text and the row it came from.
struct TSortedListEntry {
    QString KeyText;
    int SourceRow = 0;
};
using TSortedList = std::vector<TSortedListEntry>;

using TGridNotifyEvent = std::function<void(QObject* Sender)>;
using TFormatDrawCellEvent = std::function<void(QObject* Sender, int Col, int Row,
                                                TGridDrawState State, TFormatOptions& Options)>;
using TClickSortEvent =
    std::function<void(QObject* Sender, int Col, int Row, TSortOptions& SortOptions)>;
using TUpdateGridEvent = std::function<void(QObject* Sender, int Index)>;
using TSizeChangedEvent = std::function<void(QObject* Sender, int OldColCount, int OldRowCount)>;
using TBeginSortEvent = std::function<void(QObject* Sender, int Col, TSortOptions& SortOptions)>;
using TEndSortEvent = std::function<void(QObject* Sender, int Col)>;
using TCellValidateEvent =
    std::function<void(QObject* Sender, int Col, int Row, QString& Value, bool& Valid)>;

class TSortingGrid : public TStringGrid {
    Q_OBJECT
public:
    explicit TSortingGrid(QWidget* parent = nullptr);
    ~TSortingGrid() override;

    // Published properties. The setters store without comparing with the old value.
    bool CaseSensitive() const;
    void setCaseSensitive(bool on);
    TAlignment AlignmentHorz() const;
    void setAlignmentHorz(TAlignment alignment);
    TVertAlignment AlignmentVert() const;
    void setAlignmentVert(TVertAlignment alignment);
    bool ClickSorting() const;
    void setClickSorting(bool on);
    TCellBevelStyle BevelStyle() const;
    void setBevelStyle(TCellBevelStyle style);
    bool ProportionalScrollBars() const;
    void setProportionalScrollBars(bool on);
    bool ExtendedKeys() const;
    void setExtendedKeys(bool on);

    // Published events.
    TFormatDrawCellEvent OnGetCellFormat;
    TClickSortEvent OnClickSort;
    TUpdateGridEvent OnRowInsert;
    TUpdateGridEvent OnRowDelete;
    TUpdateGridEvent OnColumnInsert;
    TUpdateGridEvent OnColumnDelete;
    TGridNotifyEvent OnColumnWidthsChanged;
    TGridNotifyEvent OnRowHeightsChanged;
    TSizeChangedEvent OnSizeChanged;
    TBeginSortEvent OnBeginSort;
    TEndSortEvent OnEndSort;
    TCellValidateEvent OnCellValidate;

    // Sorting.
    virtual void SortByColumn(int ACol, const TSortOptions& SortOptions);
    virtual void RestoreOrder();
    virtual bool IsSortListValid();
    // The rows of the last sort in their sorted order, with their key texts as the sort read
    // them; empty when there is nothing to undo.
    const TSortedList& SortedList() const;
    void SourceTextsChanging(int col) override;

    virtual void MoveToCell(int ACol, int ARow);
    virtual void UpdateScrollPage();

    // Editing, row and column operations.
    virtual void ClearCells();
    virtual void InsertRow(int ARow);
    virtual void InsertColumn(int ACol);
    void DeleteRow(int ARow) override;
    void DeleteColumn(int ACol) override;
    void MoveRow(int FromIndex, int ToIndex) override;
    void MoveColumn(int FromIndex, int ToIndex) override;
    virtual void SwapRows(int Index1, int Index2);
    virtual void SwapColumns(int Index1, int Index2);
    virtual void AutoSizeColumn(int ACol);
    virtual void AutoSizeColumns(bool IncludeFixed, int ExtraWidth);
    // The first cell, column by column and top to bottom, whose whole text matches Text
    // ignoring case; ACol and ARow are left alone when there is none.
    virtual bool FindText(const QString& Text, int& ACol, int& ARow);
    // Delimited text files: one line per row, cells joined by Separator, no quoting. A file
    // that cannot be read or written raises platform::Exception (EFOpenError when reading).
    virtual void LoadFromFile(const QString& FileName, QChar Separator);
    virtual void SaveToFile(const QString& FileName, QChar Separator);
    // Cuts one line into fields at every Separator (an empty line gives one empty field).
    static void SplitLine(const QString& Text, QChar Separator, QStringList& Fields);

    // Edit tracking.
    bool Modified() const { return modified_; }
    bool HasFocus() const { return hasFocus_; }

    // The order CompareEntries defines for two kept entries under Options.
    static int CompareEntries(const TSortedListEntry& A, const TSortedListEntry& B,
                              const TSortOptions& Options);

protected:
    virtual void ExecuteSort(int ACol, const TSortOptions& SortOptions);
    virtual TSortKind DetectSortKind(int ACol);
    void InitFormatOptions(TFormatOptions& FormatOptions);
    virtual void RememberCell();
    virtual void ValidateCell();
    TGridDrawState GetCellState(int ACol, int ARow);

    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    void ClickEvent() override;
    void DoEnter() override;
    void DoExit() override;
    void KeyPress(QChar& key) override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void SizeChanged(int OldColCount, int OldRowCount) override;
    void UpdateScrollRange() override;

    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Runs a base row or column operation with goAlwaysShowEditor taken out for its duration.
    template <typename F> void withoutAlwaysShowEditor(F&& f);
    void rowsMoving();
    void rowsMoved();
    void clearRow(int ARow);
    void clearColumn(int ACol);
    void clearSortList();
    // Makes the key texts of the sort list from the key cells kept, and lets go of the source.
    void makeKeyTexts() const;

    bool caseSensitive_ = false;
    TAlignment alignmentHorz_ = TAlignment::taLeftJustify;
    TVertAlignment alignmentVert_ = TVertAlignment::taTopJustify;
    bool clickSorting_ = true;
    TCellBevelStyle bevelStyle_ = TCellBevelStyle::cbNone;
    bool proportional_ = true;
    bool extendedKeys_ = false;

    // The last sort: the row that each non-fixed row came from, in the sorted order, and its
    // key cell as the sort read it: an item of keySource_ (held, whatever the column shows
    // since), or its own text in keyTexts_ (where keyItems_ holds NoItem). The key texts of
    // SortedList are made from these only when the list is read or the source's texts change.
    static constexpr std::uint32_t NoItem = 0xffffffffu;
    std::vector<int> sortedRows_;
    mutable std::shared_ptr<TGridCellSource> keySource_;
    mutable std::vector<std::uint32_t> keyItems_;
    mutable std::vector<QString> keyTexts_;
    mutable TSortedList sortedList_;

    bool modified_ = false;
    bool hasFocus_ = false;
    int validateCol_ = 0;
    int validateRow_ = 0;
    QString validateText_;
    bool savedModified_ = false;
};

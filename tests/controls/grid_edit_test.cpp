// Editing: the in-place editor with edit tracking and validation, the extended keys, row and
// column insertion, deletion, moving and swapping with their events, column sizing, search.
#include "grid_fixture.h"

#include <QLineEdit>
#include <QVBoxLayout>

using gridtest::GridTest;

namespace {

class EditTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        grid->setOption(TGridOption::goEditing, true);
        // rows: header, "a", "b", "c", "d" in column 0; column 1 "r1".."r4"
        fill(0, {"a", "b", "c", "d"});
    }
    void type(const QString& text) {
        grid->setEditorMode(true);
        ASSERT_TRUE(grid->EditorMode());
        QLineEdit* e = grid->InplaceEditor();
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void enter() { QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return); }
};

TEST_F(EditTest, EditorStoresEveryChangeAndMarksTheGridModified) {
    showFocused();
    grid->MoveToCell(0, 2);
    EXPECT_FALSE(grid->Modified());
    type("xy");
    EXPECT_EQ(grid->Cells(0, 2), "xy");
    EXPECT_TRUE(grid->Modified());
    enter();
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(0, 2), "xy");
    grid->ClearCells();
    EXPECT_FALSE(grid->Modified());
    EXPECT_EQ(grid->Cells(0, 0), ""); // fixed cells too
}

TEST_F(EditTest, EscapePutsTheTextBack) {
    showFocused();
    grid->MoveToCell(0, 2);
    type("zz");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(0, 2), "b");
}

// With the editor always shown, Enter commits what was typed: Escape afterwards goes back to
// that text, not to the one the cell had before.
TEST_F(EditTest, EscapeAfterEnterKeepsTheCommittedText) {
    grid->setOption(TGridOption::goAlwaysShowEditor, true);
    showFocused();
    grid->MoveToCell(0, 2);
    type("new");
    enter();
    ASSERT_TRUE(grid->EditorMode());
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_End);
    QTest::keyClicks(grid->InplaceEditor(), "er");
    EXPECT_EQ(grid->Cells(0, 2), "newer");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid->Cells(0, 2), "new");
    EXPECT_EQ(grid->InplaceEditor()->text(), "new");
}

TEST_F(EditTest, TypingAndF2OpenTheEditorOnlyWhenEditingIsAllowed) {
    showFocused();
    grid->MoveToCell(0, 1);
    QTest::keyClick(grid.get(), Qt::Key_Q);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(0, 1), "q");
    enter();
    grid->setOption(TGridOption::goRowSelect, true);
    QTest::keyClick(grid.get(), Qt::Key_F2);
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(EditTest, TabMovesAlongTheRowAndWrapsOnlyWithTabsOption) {
    showFocused();
    grid->MoveToCell(1, 1);
    grid->setOption(TGridOption::goTabs, true);
    QTest::keyClick(grid.get(), Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 2);
    QTest::keyClick(grid.get(), Qt::Key_Tab);
    EXPECT_EQ(grid->Col(), 0);
    EXPECT_EQ(grid->Row(), 2);
    QTest::keyClick(grid.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_TRUE(grid->hasFocus());
}

// In a grid of cells Home and End stay in the row, Ctrl+Home and Ctrl+End go to the first and
// the last cell of the grid; with Shift the selection stretches from where it began.
TEST_F(EditTest, HomeAndEndMoveAlongTheRowOrWithCtrlToTheGridsCorners) {
    showFocused();
    grid->MoveToCell(1, 2);
    QTest::keyClick(grid.get(), Qt::Key_End);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{2, 2}));
    QTest::keyClick(grid.get(), Qt::Key_Home);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{0, 2}));
    QTest::keyClick(grid.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{2, 4}));
    QTest::keyClick(grid.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ((TGridCoord{grid->Col(), grid->Row()}), (TGridCoord{0, 1}));
    grid->MoveToCell(1, 2);
    QTest::keyClick(grid.get(), Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 2, 4}));
}

struct ValidateCase {
    const char* name;
    bool valid;               // what the handler answers
    const char* replacement;  // the Value the handler hands back (nullptr: unchanged)
    const char* expectedText; // the cell afterwards
    bool expectedModified;    // Modified afterwards
};

class Validate : public EditTest, public ::testing::WithParamInterface<ValidateCase> {};

TEST_P(Validate, EnterValidatesTheRememberedCell) {
    const ValidateCase& c = GetParam();
    int calls = 0;
    int seenCol = -1, seenRow = -1;
    QString seenValue;
    grid->OnCellValidate = [&](QObject*, int col, int row, QString& value, bool& valid) {
        ++calls;
        seenCol = col;
        seenRow = row;
        seenValue = value;
        EXPECT_TRUE(valid);
        valid = c.valid;
        if (c.replacement)
            value = QString::fromUtf8(c.replacement);
    };
    showFocused();
    grid->MoveToCell(0, 3);
    type("new");
    enter();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenCol, 0);
    EXPECT_EQ(seenRow, 3);
    EXPECT_EQ(seenValue, "new");
    EXPECT_EQ(grid->Cells(0, 3), QString::fromUtf8(c.expectedText));
    EXPECT_EQ(grid->Modified(), c.expectedModified);
    // validated once: a second Enter finds the text as remembered
    QTest::keyClick(grid.get(), Qt::Key_Return);
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(calls, 1);
}

// With the editor always shown it stays open after Enter: it shows the text the validation
// left in the cell, so that typing on goes on from that text.
TEST_P(Validate, AnEditorThatStaysOpenShowsTheValidatedText) {
    const ValidateCase& c = GetParam();
    grid->OnCellValidate = [&](QObject*, int, int, QString& value, bool& valid) {
        valid = c.valid;
        if (c.replacement)
            value = QString::fromUtf8(c.replacement);
    };
    grid->setOption(TGridOption::goAlwaysShowEditor, true);
    showFocused();
    grid->MoveToCell(0, 3);
    type("new");
    enter();
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->InplaceEditor()->text(), QString::fromUtf8(c.expectedText));
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_End);
    QTest::keyClicks(grid->InplaceEditor(), "x");
    EXPECT_EQ(grid->Cells(0, 3), QString::fromUtf8(c.expectedText) + "x");
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Validate,
    ::testing::Values(ValidateCase{"Accepted", true, nullptr, "new", true},
                      ValidateCase{"AcceptedWithChange", true, "NEW", "NEW", true},
                      ValidateCase{"RefusedPutsOldTextBack", false, nullptr, "c", false},
                      ValidateCase{"RefusedWithReplacement", false, "fixed", "fixed", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditTest, MovingToAnotherCellOrLeavingTheGridValidates) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    grid->setParent(&window);
    layout->addWidget(grid.get());
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    window.resize(420, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    grid->UpdateNow();

    QStringList seen;
    grid->OnCellValidate = [&](QObject*, int col, int row, QString& value, bool&) {
        seen << QStringLiteral("%1,%2=%3").arg(col).arg(row).arg(value);
    };
    grid->MoveToCell(0, 1);
    type("one");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 2));
    EXPECT_EQ(seen, (QStringList{"0,1=one"}));
    EXPECT_EQ(grid->Row(), 2);

    grid->MoveToCell(0, 4);
    type("two");
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(grid->HasFocus());
    EXPECT_EQ(seen, (QStringList{"0,1=one", "0,4=two"}));
    grid->setParent(nullptr); // the fixture owns the grid
}

// An open editor whose cell scrolls out of view hides, but the focus stays in the grid: it
// does not jump to the next control (which would end the edit and validate it).
TEST_F(EditTest, EditorScrolledOutOfViewKeepsTheFocusInTheGrid) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    grid->setParent(&window);
    layout->addWidget(grid.get());
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    window.resize(420, 300);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    fill(0, QStringList(60, QStringLiteral("x")));
    grid->setFocus();
    grid->UpdateNow();
    int validations = 0;
    grid->OnCellValidate = [&](QObject*, int, int, QString&, bool&) { ++validations; };

    grid->MoveToCell(0, 2);
    type("ab");
    ASSERT_TRUE(grid->InplaceEditor()->hasFocus());
    grid->setTopRow(30); // e.g. by the wheel or the scroll bar's arrows
    QApplication::processEvents();
    EXPECT_FALSE(grid->InplaceEditor()->isVisible());
    EXPECT_FALSE(other->hasFocus());
    EXPECT_TRUE(grid->HasFocus());
    EXPECT_EQ(validations, 0);

    grid->setTopRow(1); // back in view: the edit goes on where it was
    QApplication::processEvents();
    ASSERT_TRUE(grid->EditorMode());
    EXPECT_TRUE(grid->InplaceEditor()->isVisible());
    EXPECT_TRUE(grid->InplaceEditor()->hasFocus());
    QTest::keyClicks(grid->InplaceEditor(), "c");
    EXPECT_EQ(grid->Cells(0, 2), "abc");
    grid->setParent(nullptr); // the fixture owns the grid
}

// Without the tabs option Tab and Shift+Tab leave the grid also while a cell is being edited,
// as they do when it is not; the edit is validated on the way out.
TEST_F(EditTest, TabLeavesTheGridWhileEditingWithoutTheTabsOption) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    layout->addWidget(before);
    grid->setParent(&window);
    layout->addWidget(grid.get());
    auto* after = new QLineEdit(&window);
    layout->addWidget(after);
    window.resize(420, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    grid->UpdateNow();
    QStringList seen;
    grid->OnCellValidate = [&](QObject*, int, int, QString& value, bool&) { seen << value; };

    grid->MoveToCell(0, 1);
    type("one");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    EXPECT_EQ(seen, QStringList{"one"});

    grid->setFocus();
    grid->MoveToCell(0, 2);
    type("two");
    QTest::keyClick(grid->InplaceEditor(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(before->hasFocus());
    EXPECT_EQ(seen, (QStringList{"one", "two"}));

    // and a Tab into the grid lands on the grid, not on its editor
    grid->setOption(TGridOption::goAlwaysShowEditor, true);
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(grid->hasFocus() || grid->InplaceEditor()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus());
    grid->setParent(nullptr); // the fixture owns the grid
}

TEST_F(EditTest, RowsMovedUnderTheRememberedCellAreNotValidatedAsEdits) {
    QStringList seen;
    grid->OnCellValidate = [&](QObject*, int col, int row, QString& value, bool& valid) {
        seen << QStringLiteral("%1,%2=%3").arg(col).arg(row).arg(value);
        valid = false; // a handler that refuses every change
    };
    showFocused();
    grid->MoveToCell(1, 1); // remembers (1,1) "r1"
    TSortOptions down;
    down.Order = TSortOrder::soDescending;
    grid->SortByColumn(0, down);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 2));
    grid->MoveRow(1, 4);
    grid->SwapRows(1, 2);
    grid->DeleteRow(1);
    grid->InsertRow(1);
    grid->RestoreOrder();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 3));
    EXPECT_TRUE(seen.isEmpty()) << seen.join(" ").toStdString();
    // every remaining row is still one of the original ones, none duplicated
    QStringList names = column(1);
    names.removeAll(QString());
    names.removeDuplicates();
    EXPECT_EQ(names.size(), 3);

    // an edit made before a header click is validated where it was made
    grid->setOption(TGridOption::goEditing, true);
    grid->MoveToCell(0, 2);
    const QString before = grid->Cells(0, 2);
    type("edited");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 0));
    EXPECT_FALSE(grid->EditorMode());
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0], QStringLiteral("0,2=edited"));
    EXPECT_TRUE(column(0).contains(before)); // refused: the old text is back
    EXPECT_FALSE(column(0).contains("edited"));
}

// ---------------------------------------------------------------------------------------------
// Extended keys

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    int dataRows; // non-fixed rows before
    int cols;     // columns before (one fixed)
    int rowDelta, colDelta;
    const char* event; // expected event, "" for none
};

class ExtendedKey : public GridTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ExtendedKey, RunsOnlyForTheExactShiftState) {
    const KeyCase& c = GetParam();
    grid->setColCount(c.cols);
    grid->setFixedCols(1);
    QStringList texts;
    for (int i = 0; i < c.dataRows; ++i)
        texts << QStringLiteral("t%1").arg(i);
    fill(1, texts);
    QStringList events;
    grid->OnRowInsert = [&](QObject*, int i) { events << QStringLiteral("row+%1").arg(i); };
    grid->OnRowDelete = [&](QObject*, int i) { events << QStringLiteral("row-%1").arg(i); };
    grid->OnColumnInsert = [&](QObject*, int i) { events << QStringLiteral("col+%1").arg(i); };
    grid->OnColumnDelete = [&](QObject*, int i) { events << QStringLiteral("col-%1").arg(i); };
    grid->setExtendedKeys(true);
    showFocused();
    grid->MoveToCell(1, 1);
    const int rows = grid->RowCount(), cols = grid->ColCount();
    QTest::keyClick(grid.get(), Qt::Key(c.key), c.modifiers);
    EXPECT_EQ(grid->RowCount(), rows + c.rowDelta);
    EXPECT_EQ(grid->ColCount(), cols + c.colDelta);
    EXPECT_EQ(events.join(","), QString::fromLatin1(c.event));

    // the same key without ExtendedKeys does nothing
    grid->setExtendedKeys(false);
    const int rows2 = grid->RowCount(), cols2 = grid->ColCount();
    QTest::keyClick(grid.get(), Qt::Key(c.key), c.modifiers);
    EXPECT_EQ(grid->RowCount(), rows2);
    EXPECT_EQ(grid->ColCount(), cols2);
}

const auto Ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
const auto CtrlShift = Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier);
const auto CtrlAlt = Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier);

INSTANTIATE_TEST_SUITE_P(
    Grid, ExtendedKey,
    ::testing::Values(KeyCase{"CtrlInsert", Qt::Key_Insert, Ctrl, 2, 3, 1, 0, "row+1"},
                      KeyCase{"CtrlDelete", Qt::Key_Delete, Ctrl, 2, 3, -1, 0, "row-1"},
                      KeyCase{"CtrlDeleteLastDataRow", Qt::Key_Delete, Ctrl, 1, 3, 0, 0, ""},
                      KeyCase{"CtrlShiftInsert", Qt::Key_Insert, CtrlShift, 2, 3, 0, 1, "col+1"},
                      KeyCase{"CtrlShiftDelete", Qt::Key_Delete, CtrlShift, 2, 3, 0, -1, "col-1"},
                      KeyCase{"CtrlShiftDeleteLastColumn", Qt::Key_Delete, CtrlShift, 2, 2, 0, 0,
                              ""},
                      KeyCase{"CtrlAltInsert", Qt::Key_Insert, CtrlAlt, 2, 3, 0, 0, ""},
                      KeyCase{"ShiftDelete", Qt::Key_Delete, Qt::ShiftModifier, 2, 3, 0, 0, ""},
                      KeyCase{"PlainInsert", Qt::Key_Insert, Qt::NoModifier, 2, 3, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, CtrlDeleteTwiceLeavesTheLastDataRow) {
    fill(0, {"x", "y"});
    grid->setExtendedKeys(true);
    showFocused();
    grid->MoveToCell(0, 1);
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(column(0), (QStringList{"y"}));
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(column(0), (QStringList{"y"}));
}

// ---------------------------------------------------------------------------------------------
// Row and column operations

TEST_F(EditTest, InsertRowMakesAnEmptyCurrentRowAndRaisesItsEvent) {
    int inserted = -1;
    grid->OnRowInsert = [&](QObject*, int i) { inserted = i; };
    grid->setObjects(0, 2, this);
    grid->InsertRow(2);
    EXPECT_EQ(column(0), (QStringList{"a", "", "b", "c", "d"}));
    EXPECT_EQ(column(1), (QStringList{"r1", "", "r2", "r3", "r4"}));
    EXPECT_EQ(grid->Objects(0, 3), this);
    EXPECT_EQ(grid->Objects(0, 2), nullptr);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(inserted, 2);
}

TEST_F(EditTest, DeleteRowAndColumnShiftTheRestAndRaiseEvents) {
    QStringList events;
    grid->OnRowDelete = [&](QObject*, int i) { events << QStringLiteral("row-%1").arg(i); };
    grid->OnColumnDelete = [&](QObject*, int i) { events << QStringLiteral("col-%1").arg(i); };
    grid->OnColumnInsert = [&](QObject*, int i) { events << QStringLiteral("col+%1").arg(i); };
    grid->DeleteRow(2);
    EXPECT_EQ(column(0), (QStringList{"a", "c", "d"}));
    grid->DeleteColumn(0);
    EXPECT_EQ(column(0), (QStringList{"r1", "r3", "r4"}));
    EXPECT_EQ(grid->ColCount(), 2);
    grid->InsertColumn(1);
    EXPECT_EQ(grid->ColCount(), 3);
    EXPECT_EQ(column(1), (QStringList{"", "", ""}));
    EXPECT_EQ(column(2), (QStringList{"r1", "r3", "r4"}));
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(events, (QStringList{"row-2", "col-0", "col+1"}));
}

TEST_F(EditTest, OperationsKeepAlwaysShowEditorSet) {
    grid->setOption(TGridOption::goAlwaysShowEditor, true);
    grid->MoveRow(1, 3);
    grid->DeleteRow(1);
    grid->MoveColumn(0, 1);
    grid->DeleteColumn(0);
    EXPECT_TRUE(grid->hasOption(TGridOption::goAlwaysShowEditor));
}

TEST_F(EditTest, MoveRowShiftsTheRowsBetween) {
    grid->MoveRow(1, 3);
    EXPECT_EQ(column(0), (QStringList{"b", "c", "a", "d"}));
    grid->MoveRow(4, 1);
    EXPECT_EQ(column(0), (QStringList{"d", "b", "c", "a"}));
}

struct SwapCase {
    const char* name;
    int a, b;
    QStringList expected;
};

class Swap : public EditTest, public ::testing::WithParamInterface<SwapCase> {};

TEST_P(Swap, ExchangesExactlyTwoRowsAndColumns) {
    const SwapCase& c = GetParam();
    grid->SwapRows(c.a, c.b);
    EXPECT_EQ(column(0), c.expected);
    EXPECT_EQ(grid->Cells(0, 0), "H0");

    // the same on columns: a 5-column row "0".."4"
    grid->setColCount(5);
    for (int col = 0; col < 5; ++col)
        grid->setCells(col, 1, QString::number(col));
    grid->SwapColumns(c.a, c.b);
    QStringList row;
    for (int col = 1; col < 5; ++col)
        row << grid->Cells(col, 1);
    QStringList expected;
    for (const QString& s : c.expected)
        expected << QString::number(s[0].unicode() - u'a' + 1);
    EXPECT_EQ(row, expected);
}

INSTANTIATE_TEST_SUITE_P(Grid, Swap,
                         ::testing::Values(SwapCase{"Same", 3, 3, {"a", "b", "c", "d"}},
                                           SwapCase{"Apart", 1, 4, {"d", "b", "c", "a"}},
                                           SwapCase{"ApartReversed", 4, 1, {"d", "b", "c", "a"}},
                                           SwapCase{"Neighbours", 2, 3, {"a", "c", "b", "d"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditTest, SizeAndWidthEventsReportChanges) {
    QStringList events;
    grid->OnSizeChanged = [&](QObject*, int oldCols, int oldRows) {
        events << QStringLiteral("size %1x%2").arg(oldCols).arg(oldRows);
    };
    grid->OnColumnWidthsChanged = [&](QObject*) { events << "widths"; };
    grid->OnRowHeightsChanged = [&](QObject*) { events << "heights"; };
    grid->setRowCount(7);
    grid->setColCount(4);
    grid->setColWidths(1, 10);
    grid->setRowHeights(2, 40);
    EXPECT_EQ(events, (QStringList{"size 3x5", "size 3x7", "widths", "heights"}));
}

// ---------------------------------------------------------------------------------------------
// Column sizing and search

TEST_F(EditTest, AutoSizeColumnFitsTheWidestTextIncludingFixedRows) {
    grid->setCells(0, 0, "a fairly long header");
    grid->setCells(0, 2, "mid");
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(3780);
    probe.setDotsPerMeterY(3780);
    Canvas c(&probe);
    c.Font = TCanvasFont(grid->font());
    const int normalX = c.TextWidth("x"), header = c.TextWidth("a fairly long header");
    grid->AutoSizeColumn(0);
    EXPECT_EQ(grid->ColWidths(0), normalX + header);

    // A handler that enlarges the canvas font from row 2 on: the font stays enlarged for
    // the rows after it and for the closing "x".
    grid->OnGetCellFormat = [](QObject*, int, int row, TGridDrawState, TFormatOptions& o) {
        if (row == 2)
            o.Font->setPixelSize(40);
    };
    grid->AutoSizeColumn(0);
    QFont big = grid->font();
    big.setPixelSize(40);
    c.Font = TCanvasFont(big);
    const int widest = std::max({header, c.TextWidth("mid"), c.TextWidth("c"), c.TextWidth("d")});
    EXPECT_EQ(grid->ColWidths(0), c.TextWidth("x") + widest);
}

TEST_F(GridTest, AutoSizeColumnsWidensEachByTheExtraWidth) {
    grid->setColCount(3);
    grid->setFixedCols(1);
    fill(1, {"wide text here", "x"});
    grid->setColWidths(0, 5);
    grid->AutoSizeColumns(false, 0);
    const int w1 = grid->ColWidths(1), w2 = grid->ColWidths(2);
    EXPECT_EQ(grid->ColWidths(0), 5); // fixed column left alone
    grid->AutoSizeColumns(true, 7);
    EXPECT_EQ(grid->ColWidths(1), w1 + 7);
    EXPECT_EQ(grid->ColWidths(2), w2 + 7);
    EXPECT_NE(grid->ColWidths(0), 5);
}

TEST_F(EditTest, FindTextScansColumnByColumnIgnoringCase) {
    int col = -7, row = -7;
    EXPECT_TRUE(grid->FindText("R2", col, row));
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 2);
    EXPECT_TRUE(grid->FindText("h1", col, row)); // fixed cells are searched too
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 0);
    grid->setCells(2, 1, "B");
    EXPECT_TRUE(grid->FindText("b", col, row)); // column 0 comes first
    EXPECT_EQ(col, 0);
    EXPECT_EQ(row, 2);
    EXPECT_FALSE(grid->FindText("r", col, row)); // whole text only
    EXPECT_EQ(col, 0);
    EXPECT_EQ(row, 2);
}

} // namespace

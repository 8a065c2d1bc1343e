// The string grid as the entry table uses it: row selection by click, shift+click, drag and
// keyboard; the signals; the popup menu; scrolling and the proportional scroll bars on a
// large table; hit-testing with varied row heights.
#include "grid_fixture.h"

#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

using gridtest::GridTest;

namespace {

class TableTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        grid->setColCount(4);
        grid->setFixedCols(0);
        grid->setOption(TGridOption::goRowSelect, true);
        grid->setOption(TGridOption::goRangeSelect, true);
        grid->setOption(TGridOption::goThumbTracking, true);
        grid->setColWidths(0, 80);
        grid->setColWidths(1, 80);
        grid->setColWidths(2, 80);
        grid->setColWidths(3, 80);
    }
    void rows(int n) {
        QStringList texts;
        for (int i = 0; i < n; ++i)
            texts << QStringLiteral("file%1").arg(i + 1);
        fill(0, texts);
    }
    // Resizes the grid so that its viewport is exactly h pixels high.
    void viewportHeight(int h) {
        for (int i = 0; i < 3; ++i) {
            grid->resize(grid->width(), grid->height() + h - grid->viewport()->height());
            QApplication::processEvents();
        }
        grid->UpdateNow();
        ASSERT_EQ(grid->viewport()->height(), h);
    }
    // The queued scroll-bar update, then the scroll area's own (queued) showing or hiding of
    // its bars.
    void settle() {
        grid->UpdateNow();
        QApplication::processEvents();
        grid->UpdateNow();
    }
    TGridRect rowsSelected(int top, int bottom) const {
        return TGridRect{0, top, grid->ColCount() - 1, bottom};
    }
};

TEST_F(TableTest, ClickShiftClickDragAndKeysSelectABlockOfRows) {
    showFocused();
    rows(10);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(2, 3));
    EXPECT_EQ(grid->Selection(), rowsSelected(3, 3));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCenter(0, 6));
    EXPECT_EQ(grid->Selection(), rowsSelected(3, 6));
    EXPECT_EQ(grid->Row(), 6);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCenter(0, 1));
    EXPECT_EQ(grid->Selection(), rowsSelected(1, 3));

    // drag from row 2 to row 5
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 2));
    QTest::mouseMove(grid->viewport(), cellCenter(1, 4));
    QTest::mouseMove(grid->viewport(), cellCenter(1, 5));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 5));
    EXPECT_EQ(grid->Selection(), rowsSelected(2, 5));

    QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->Selection(), rowsSelected(2, 6));
    QTest::keyClick(grid.get(), Qt::Key_Up);
    EXPECT_EQ(grid->Selection(), rowsSelected(5, 5));
    QTest::keyClick(grid.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(grid->Selection(), rowsSelected(5, 10));
    QTest::keyClick(grid.get(), Qt::Key_Home);
    EXPECT_EQ(grid->Selection(), rowsSelected(1, 1));
}

// With DragOut connected, a press on a selected row that travels asks for a drag-out and
// keeps the selection; one that does not travel is a click; elsewhere a drag selects as before.
TEST_F(TableTest, PressOnTheSelectionStartsADragOut) {
    showFocused();
    rows(10);
    int dragOuts = 0;
    QObject::connect(grid.get(), &TStringGrid::DragOut, [&] { ++dragOuts; });
    grid->setSelection(rowsSelected(2, 5));
    for (const auto& [from, to, selected, drags] : {std::tuple{3, 7, rowsSelected(2, 5), 1},
                                                    {4, 4, rowsSelected(4, 4), 1},
                                                    {6, 8, rowsSelected(6, 8), 1}}) {
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, from));
        QTest::mouseMove(grid->viewport(), cellCenter(1, to));
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, to));
        EXPECT_EQ(grid->Selection(), selected);
        EXPECT_EQ(dragOuts, drags);
    }
}

TEST_F(TableTest, DragHeldBelowTheRowsKeepsScrollingAndSelecting) {
    showFocused();
    rows(200);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 2));
    const QPoint below(10, grid->viewport()->height() + 20);
    QTest::mouseMove(grid->viewport(), below);
    const int first = grid->Selection().Bottom;
    QTest::qWait(400); // the mouse rests below the grid
    const int later = grid->Selection().Bottom;
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, below);
    EXPECT_GT(later, first);
    EXPECT_EQ(grid->Selection().Top, 2);
    EXPECT_GT(grid->TopRow(), 1);
    const int stopped = grid->Selection().Bottom;
    QTest::qWait(150); // released: nothing grows any more
    EXPECT_EQ(grid->Selection().Bottom, stopped);
}

void turnWheel(QWidget* w, QPoint angle) {
    QWheelEvent e(QPointF(10, 40), w->mapToGlobal(QPointF(10, 40)), QPoint(), angle, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST_F(TableTest, WheelScrollsThreeRowsANotch) {
    showFocused();
    rows(100);
    turnWheel(grid->viewport(), QPoint(0, -120));
    EXPECT_EQ(grid->TopRow(), 4);
    EXPECT_EQ(grid->verticalScrollBar()->value(), 3);
    EXPECT_EQ(grid->Row(), 1); // scrolling does not move the current row

    // A touchpad or fine wheel sends a notch in parts: they add up to whole notches.
    for (int i = 0; i < 7; ++i)
        turnWheel(grid->viewport(), QPoint(0, -40));
    EXPECT_EQ(grid->TopRow(), 10); // two notches, a third of one kept
    turnWheel(grid->viewport(), QPoint(0, -80));
    EXPECT_EQ(grid->TopRow(), 13);
    turnWheel(grid->viewport(), QPoint(0, -60));
    turnWheel(grid->viewport(), QPoint(0, 60)); // back: the half notch down is dropped
    turnWheel(grid->viewport(), QPoint(0, 60));
    EXPECT_EQ(grid->TopRow(), 10);

    // A sideways turn scrolls by columns.
    grid->setColCount(20);
    grid->UpdateNow();
    turnWheel(grid->viewport(), QPoint(-120, 0));
    EXPECT_EQ(grid->LeftCol(), 1);
    turnWheel(grid->viewport(), QPoint(120, 0));
    EXPECT_EQ(grid->LeftCol(), 0);
    EXPECT_EQ(grid->TopRow(), 10);
}

TEST_F(TableTest, SettingTheSelectionMakesItsLastRowCurrent) {
    rows(10);
    grid->setSelection(TGridRect{0, 7, 3, 3}); // corners in any order
    EXPECT_EQ(grid->Selection(), rowsSelected(3, 7));
    grid->setSelection(TGridRect{0, 2, 3, 4});
    EXPECT_EQ(grid->Selection(), rowsSelected(2, 4));
    EXPECT_EQ(grid->Row(), 4);
    grid->setOption(TGridOption::goRangeSelect, false);
    grid->setSelection(TGridRect{0, 2, 3, 5});
    EXPECT_EQ(grid->Selection(), rowsSelected(5, 5));
}

TEST_F(TableTest, WithoutRangeSelectOnlyTheCurrentRowIsSelected) {
    grid->setOption(TGridOption::goRangeSelect, false);
    showFocused();
    rows(5);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCenter(0, 4));
    EXPECT_EQ(grid->Selection(), rowsSelected(4, 4));
}

TEST_F(TableTest, WithoutFixedRowsTheFirstRowIsAnOrdinaryRow) {
    showFocused();
    grid->setRowCount(1);
    grid->setFixedRows(0);
    grid->setCells(0, 0, "File Name");
    grid->UpdateNow();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 0));
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->Selection(), rowsSelected(0, 0));
}

TEST_F(TableTest, SignalsForClicksDoubleClicksAndKeys) {
    showFocused();
    rows(5);
    QSignalSpy click(grid.get(), &TStringGrid::Click);
    QSignalSpy dbl(grid.get(), &TStringGrid::DblClick);
    QSignalSpy key(grid.get(), &TStringGrid::KeyDown);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 2));
    EXPECT_GE(click.count(), 1);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 2));
    // QTest's double click leaves its button down; release it for the tests that follow
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 2));
    EXPECT_EQ(dbl.count(), 1);
    QTest::keyClick(grid.get(), Qt::Key_Delete);
    ASSERT_EQ(key.count(), 1);
    EXPECT_EQ(key.at(0).at(0).toInt(), int(Qt::Key_Delete));
    EXPECT_EQ(rowsSelected(2, 2), grid->Selection()); // the key itself changed nothing
}

TEST_F(TableTest, PopupMenuOpensOnRightButtonRelease) {
    QMenu menu;
    menu.addAction("Open Selected File");
    grid->setPopupMenu(&menu);
    showFocused();
    rows(5);
    QTest::mousePress(grid->viewport(), Qt::RightButton, {}, cellCenter(0, 3));
    EXPECT_FALSE(menu.isVisible());
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, cellCenter(0, 3));
    EXPECT_TRUE(menu.isVisible());
    menu.close();
    // a right click on the header only sorts (descending): the menu is for the entries
    grid->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(grid.get()));
    grid->setFocus();
    ASSERT_TRUE(grid->hasFocus());
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cellCenter(0, 0));
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(grid->Cells(0, 1), "file5");
}

TEST_F(TableTest, HundredThousandRowsScrollAndPageProportionally) {
    showFocused();
    viewportHeight(19 * 6); // the header and five rows of 18 pixels plus their lines
    const int n = 100'000;
    grid->setRowCount(n + 1);
    grid->setFixedRows(1);
    for (int i = 1; i <= n; ++i)
        for (int c = 0; c < 4; ++c)
            grid->setCells(c, i, QString::number(i));
    settle();
    EXPECT_EQ(grid->VisibleRowCount(), 5);
    QScrollBar* v = grid->verticalScrollBar();
    EXPECT_TRUE(v->isVisible());
    EXPECT_EQ(v->minimum(), 0);
    EXPECT_EQ(v->maximum(), n - 5); // top rows 1 .. n-4
    // page: (5 visible + 1 fixed) / (n + 1) rows of the scroll range, at least 1
    EXPECT_EQ(v->pageStep(), 6);
    grid->setProportionalScrollBars(false);
    EXPECT_EQ(v->pageStep(), 0);
    grid->setProportionalScrollBars(true);
    EXPECT_EQ(v->pageStep(), 6);

    // the thumb scrolls live to the last rows
    v->setSliderPosition(v->maximum());
    EXPECT_EQ(grid->TopRow(), n - 4);
    EXPECT_EQ(grid->MouseCoord(5, 19 * 5 + 3).Y, n);
    // keys
    QTest::keyClick(grid.get(), Qt::Key_Home);
    EXPECT_EQ(grid->TopRow(), 1);
    QTest::keyClick(grid.get(), Qt::Key_PageDown);
    EXPECT_EQ(grid->Row(), 6);
    QTest::keyClick(grid.get(), Qt::Key_End);
    EXPECT_EQ(grid->Row(), n);
    EXPECT_EQ(grid->TopRow(), n - 4);
    EXPECT_EQ(v->value(), grid->TopRow() - 1);
    // a click lands on the row drawn there
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 19 * 2 + 5));
    EXPECT_EQ(grid->Row(), n - 3);
    EXPECT_EQ(grid->Cells(0, grid->Row()), QString::number(n - 3));
}

TEST_F(TableTest, SmallTablesGetAProportionalPageOfAtLeastOne) {
    showFocused();
    viewportHeight(19 * 6);
    rows(10); // 11 rows, 5 data rows visible: top rows 1..6, range 0..5
    settle();
    QScrollBar* v = grid->verticalScrollBar();
    EXPECT_EQ(v->maximum(), 5);
    EXPECT_TRUE(v->isVisible());
    // page (5 + 1) / 11 * 6 = 3.27, i.e. 3 of the 6 top-row positions; the thumb shows that
    // share of the track, which a scroll bar whose page is added to its range gets from 5
    EXPECT_EQ(v->pageStep(), 5);
    rows(3); // everything visible: no range
    settle();
    EXPECT_EQ(v->maximum(), 0);
    EXPECT_FALSE(v->isVisible());
    EXPECT_EQ(v->pageStep(), 1); // (3 + 1) / 4 * 1 = 1
}

// The thumb's share of the track is the share of the rows in view, whatever the table's size.
TEST_F(TableTest, ThumbCoversTheShareOfTheRowsInView) {
    showFocused();
    viewportHeight(19 * 15); // the header and fourteen rows
    QScrollBar* v = grid->verticalScrollBar();
    auto thumbShare = [&] {
        QStyleOptionSlider opt;
        opt.initFrom(v);
        opt.orientation = Qt::Vertical;
        opt.minimum = v->minimum();
        opt.maximum = v->maximum();
        opt.pageStep = v->pageStep();
        opt.singleStep = v->singleStep();
        opt.sliderPosition = opt.sliderValue = v->value();
        opt.subControls = QStyle::SC_All;
        const QStyle* st = v->style();
        const int thumb =
            st->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, v).height();
        const int groove =
            st->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, v).height();
        return double(thumb) / groove;
    };
    for (const int n : {20, 30, 60, 200}) {
        rows(n);
        settle();
        ASSERT_EQ(grid->VisibleRowCount(), 14);
        // (14 visible + 1 fixed) / (n + 1) of the track
        EXPECT_NEAR(thumbShare(), 15.0 / (n + 1), 0.03) << n << " rows";
    }
}

TEST_F(TableTest, FillingPaintsOnceNotPerRow) {
    showFocused();
    int paints = 0;
    struct Counter : QObject {
        int* n;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++*n;
            return false;
        }
    } counter;
    counter.n = &paints;
    grid->viewport()->installEventFilter(&counter);
    QApplication::processEvents();
    paints = 0;
    for (int i = 0; i < 2000; ++i) {
        grid->setRowCount(grid->RowCount() + 1);
        grid->setFixedRows(1);
        for (int c = 0; c < 4; ++c)
            grid->setCells(c, grid->RowCount() - 1, QString::number(i));
    }
    QApplication::processEvents();
    EXPECT_LE(paints, 2);
    EXPECT_EQ(grid->RowCount(), 2000 + 5);
    grid->viewport()->removeEventFilter(&counter);
}

TEST_F(TableTest, HitTestingFollowsVariedRowHeights) {
    showFocused();
    rows(50);
    grid->setRowHeights(2, 40);
    grid->setRowHeights(3, 5);
    grid->UpdateNow();
    // header 0..18, row 1 19..37, row 2 38..78, row 3 79..84, row 4 85..
    EXPECT_EQ(grid->MouseCoord(1, 10).Y, 0);
    EXPECT_EQ(grid->MouseCoord(1, 37).Y, 1);
    EXPECT_EQ(grid->MouseCoord(1, 78).Y, 2);
    EXPECT_EQ(grid->MouseCoord(1, 79).Y, 3);
    EXPECT_EQ(grid->MouseCoord(1, 85).Y, 4);
    EXPECT_EQ(grid->CellRect(0, 4).top(), 85);
    grid->setTopRow(3);
    EXPECT_EQ(grid->MouseCoord(1, 19).Y, 3);
    EXPECT_EQ(grid->MouseCoord(1, 25).Y, 4);
    EXPECT_EQ(grid->MouseCoord(1000, 25).X, -1); // right of the last column
}

TEST_F(TableTest, RowsThatStopBeingFixedShowAtTheTop) {
    rows(30);
    grid->setFixedRows(3);
    EXPECT_EQ(grid->TopRow(), 3);
    grid->setFixedRows(0);
    EXPECT_EQ(grid->TopRow(), 0);
    EXPECT_EQ(grid->MouseCoord(2, 2).Y, 0);
    grid->MoveToCell(0, 0);
    EXPECT_EQ(grid->Row(), 0);
    grid->setFixedRows(1);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(grid->Row(), 1); // the current row left the fixed rows
}

TEST_F(TableTest, CountsAndCellsStayConsistentWhenShrinking) {
    rows(5);
    grid->MoveToCell(2, 5);
    grid->setRowCount(3);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Cells(0, 5), ""); // outside the grid
    grid->setCells(0, 5, "ignored");  // outside: nothing stored
    grid->setRowCount(6);
    EXPECT_EQ(grid->Cells(0, 5), ""); // dropped rows do not come back
    grid->setFixedRows(9);
    EXPECT_EQ(grid->FixedRows(), 5);
    grid->setRowCount(0);
    EXPECT_EQ(grid->RowCount(), 1);
    EXPECT_EQ(grid->FixedRows(), 0);
    grid->setColCount(1);
    EXPECT_EQ(grid->ColCount(), 1);
    EXPECT_EQ(grid->FixedCols(), 0);
    EXPECT_EQ(grid->Col(), 0);
}

} // namespace

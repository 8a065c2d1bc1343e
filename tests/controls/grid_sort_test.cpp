// Sorting: header clicks and their guards, kind detection, the comparison order, stability,
// the current row following its row, and the undo of the last sort.
#include "grid_fixture.h"

#include "platform/qt/Locale.h"

#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <algorithm>
#include <random>

using gridtest::GridTest;

namespace {

const QStringList kWords = {"pear", "apple", "fig"};
const QStringList kAscending = {"apple", "fig", "pear"};
const QStringList kDescending = {"pear", "fig", "apple"};

struct ClickCase {
    const char* name;
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    int row; // row of the click: 0 is the fixed header
    QStringList expected;
};

class HeaderClick : public GridTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(HeaderClick, OrdersRowsByButtonOnlyForAPlainHeaderRelease) {
    const ClickCase& c = GetParam();
    showFocused();
    fill(1, kWords);
    QTest::mouseClick(grid->viewport(), c.button, c.modifiers, cellCenter(1, c.row));
    EXPECT_EQ(column(1), c.expected);
    // the other columns moved with their rows
    if (c.expected == kAscending) {
        EXPECT_EQ(column(0), (QStringList{"r2", "r3", "r1"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grid, HeaderClick,
    ::testing::Values(ClickCase{"LeftAscends", Qt::LeftButton, Qt::NoModifier, 0, kAscending},
                      ClickCase{"RightDescends", Qt::RightButton, Qt::NoModifier, 0, kDescending},
                      ClickCase{"MiddleAscends", Qt::MiddleButton, Qt::NoModifier, 0, kAscending},
                      ClickCase{"ShiftLeftNothing", Qt::LeftButton, Qt::ShiftModifier, 0, kWords},
                      ClickCase{"CtrlLeftNothing", Qt::LeftButton, Qt::ControlModifier, 0, kWords},
                      ClickCase{"AltRightNothing", Qt::RightButton, Qt::AltModifier, 0, kWords},
                      ClickCase{"DataRowNothing", Qt::LeftButton, Qt::NoModifier, 2, kWords},
                      ClickCase{"DataRowRightNothing", Qt::RightButton, Qt::NoModifier, 3, kWords}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, RepeatedClicksWithTheSameButtonKeepTheOrder) {
    showFocused();
    fill(1, kWords);
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, cellCenter(1, 0));
        EXPECT_EQ(column(1), kDescending);
    }
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1), kAscending);
}

TEST_F(GridTest, HeaderClicksNeedClickSortingFocusAndFixedRows) {
    showFocused();
    fill(1, kWords);
    grid->setClickSorting(false);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1), kWords);
    grid->setClickSorting(true);

    // no fixed rows (the empty entry table): a click on row 0 selects, never sorts
    fill(1, kWords, 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1, 0), kWords);

    // without the focus
    fill(1, kWords);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->clearFocus();
    ASSERT_FALSE(grid->hasFocus());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1), kWords);
}

TEST_F(GridTest, ReleaseWithAnotherButtonHeldDoesNotSort) {
    showFocused();
    fill(1, kWords);
    const QPoint p = cellCenter(1, 0);
    QMouseEvent release(QEvent::MouseButtonRelease, p, grid->viewport()->mapToGlobal(p),
                        Qt::LeftButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &release);
    EXPECT_EQ(column(1), kWords);
}

TEST_F(GridTest, ColumnResizeByMouseDoesNotSortButLaterClicksDo) {
    grid->setOption(TGridOption::goColSizing, true);
    showFocused();
    fill(1, kWords);
    const QRect header = grid->CellRect(0, 0);
    const QPoint border(header.right() + 1, header.center().y());
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, border);
    EXPECT_EQ(grid->GridState(), TGridState::gsColSizing);
    QTest::mouseMove(grid->viewport(), border + QPoint(30, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
    EXPECT_EQ(grid->ColWidths(0), 64 + 30);
    EXPECT_EQ(column(1), kWords);
    EXPECT_EQ(column(0), (QStringList{"r1", "r2", "r3"}));

    // the header of column 1 moved right with the wider column 0
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1), kAscending);
}

// A double click on a column border (as to fit the column) is two sizing clicks: the second
// press, which arrives as a double click, starts sizing like the first, so neither sorts.
TEST_F(GridTest, DoubleClickOnAColumnBorderDoesNotSort) {
    grid->setOption(TGridOption::goColSizing, true);
    showFocused();
    fill(0, kWords);
    const QRect header = grid->CellRect(0, 0);
    const QPoint border(header.right() + 1, header.center().y());
    auto send = [&](QEvent::Type type) {
        QMouseEvent e(type, border, grid->viewport()->mapToGlobal(border), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &e);
    };
    QSignalSpy doubleClicks(grid.get(), &TStringGrid::DblClick);
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonDblClick);
    EXPECT_EQ(grid->GridState(), TGridState::gsColSizing);
    send(QEvent::MouseButtonRelease);
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
    EXPECT_EQ(column(0), kWords);
    EXPECT_EQ(doubleClicks.count(), 1);
}

// Another button pressed and released while a column is being sized does not end the sizing:
// the release of the left button still ends it, and sorts nothing.
TEST_F(GridTest, OtherButtonDuringAColumnResizeDoesNotEndIt) {
    grid->setOption(TGridOption::goColSizing, true);
    showFocused();
    fill(0, kWords);
    const QRect header = grid->CellRect(0, 0);
    const QPoint border(header.right() + 1, header.center().y());
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, grid->viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &e);
    };
    send(QEvent::MouseButtonPress, border, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, border + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonPress, border + QPoint(20, 0), Qt::RightButton,
         Qt::LeftButton | Qt::RightButton);
    send(QEvent::MouseButtonRelease, border + QPoint(20, 0), Qt::RightButton, Qt::LeftButton);
    EXPECT_EQ(grid->GridState(), TGridState::gsColSizing);
    send(QEvent::MouseMove, border + QPoint(30, 0), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, border + QPoint(30, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
    EXPECT_EQ(grid->ColWidths(0), 64 + 30);
    EXPECT_EQ(column(0), kWords);
}

// A press whose release never arrived (another window took the mouse) does not block the
// grid: the next press starts afresh.
TEST_F(GridTest, PressAfterALostReleaseStartsAfresh) {
    grid->setOption(TGridOption::goColSizing, true);
    showFocused();
    fill(0, kWords);
    const QRect header = grid->CellRect(0, 0);
    const QPoint border(header.right() + 1, header.center().y());
    auto press = [&](QPoint at) {
        QMouseEvent e(QEvent::MouseButtonPress, at, grid->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &e);
    };
    press(border);
    ASSERT_EQ(grid->GridState(), TGridState::gsColSizing);
    press(cellCenter(1, 3));
    EXPECT_EQ(grid->Row(), 3);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 3));
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
    EXPECT_EQ(grid->ColWidths(0), 64);

    // Nor does the mouse, moved with no button held, go on selecting (or sizing).
    press(cellCenter(1, 1));
    ASSERT_EQ(grid->GridState(), TGridState::gsSelecting);
    const QPoint to = cellCenter(1, 3);
    QMouseEvent move(QEvent::MouseMove, to, grid->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 1, 1}));
}

TEST_F(GridTest, DraggingAHeaderMovesItsColumnInsteadOfSorting) {
    grid->setOption(TGridOption::goColMoving, true);
    grid->setOption(TGridOption::goRowMoving, true);
    grid->setOption(TGridOption::goRowSizing, true);
    grid->setColCount(4);
    grid->setFixedCols(1);
    showFocused();
    fill(2, kWords);
    // drag the header of column 3 onto column 1
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCenter(3, 0));
    QTest::mouseMove(grid->viewport(), cellCenter(2, 0));
    EXPECT_EQ(grid->GridState(), TGridState::gsColMoving);
    QTest::mouseMove(grid->viewport(), cellCenter(1, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(1, 0));
    EXPECT_EQ(column(1), (QStringList{"r1", "r2", "r3"})); // was column 3
    EXPECT_EQ(column(3), kWords);                          // was column 2
    EXPECT_EQ(grid->Cells(1, 0), "H3");

    // a plain click on a header still sorts
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(3, 0));
    EXPECT_EQ(column(3), kAscending);

    // drag the fixed cell of row 1 down to row 3
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 1));
    QTest::mouseMove(grid->viewport(), cellCenter(0, 2));
    QTest::mouseMove(grid->viewport(), cellCenter(0, 3));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cellCenter(0, 3));
    EXPECT_EQ(column(3), (QStringList{"fig", "pear", "apple"}));

    // a row's height is dragged at its bottom border within the fixed column
    int heightEvents = 0;
    grid->OnRowHeightsChanged = [&](QObject*) { ++heightEvents; };
    const QRect r2 = grid->CellRect(0, 2);
    const QPoint border(r2.center().x(), r2.bottom() + 1);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, border);
    EXPECT_EQ(grid->GridState(), TGridState::gsRowSizing);
    QTest::mouseMove(grid->viewport(), border + QPoint(0, 12));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, border + QPoint(0, 12));
    EXPECT_EQ(grid->RowHeights(2), 18 + 12);
    EXPECT_GE(heightEvents, 1);
    EXPECT_EQ(grid->GridState(), TGridState::gsNormal);
}

TEST_F(GridTest, ClickRightOfTheLastColumnIsIgnored) {
    showFocused();
    fill(1, kWords);
    const QRect last = grid->CellRect(2, 0);
    ASSERT_LT(last.right() + 20, grid->viewport()->width());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(last.right() + 20, 5));
    EXPECT_EQ(column(1), kWords);
}

TEST_F(GridTest, ClickSortEventSeesTheCellAndMayChangeTheOptions) {
    showFocused();
    fill(2, kWords);
    int seenCol = -1, seenRow = -1;
    TSortOptions seen;
    grid->OnClickSort = [&](QObject*, int col, int row, TSortOptions& o) {
        seenCol = col;
        seenRow = row;
        seen = o;
        o.Order = TSortOrder::soDescending;
    };
    grid->setCaseSensitive(true);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCenter(2, 0));
    EXPECT_EQ(seenCol, 2);
    EXPECT_EQ(seenRow, 0);
    EXPECT_EQ(seen.Kind, TSortKind::skAutomatic);
    EXPECT_EQ(seen.Order, TSortOrder::soAscending);
    EXPECT_TRUE(seen.CaseSensitive);
    EXPECT_FALSE(bool(seen.Compare));
    EXPECT_EQ(column(2), kDescending);
}

// ---------------------------------------------------------------------------------------------
// SortByColumn and its events

TEST_F(GridTest, SortEventsRunInOrderOnACopyOfTheOptions) {
    fill(0, {"10", "9", "100"});
    QStringList calls;
    TSortKind begun = TSortKind::skAutomatic;
    grid->OnBeginSort = [&](QObject*, int col, TSortOptions& o) {
        calls << QStringLiteral("begin %1").arg(col);
        begun = o.Kind;
    };
    grid->OnEndSort = [&](QObject*, int col) { calls << QStringLiteral("end %1").arg(col); };
    TSortOptions options;
    grid->SortByColumn(0, options);
    EXPECT_EQ(calls, (QStringList{"begin 0", "end 0"}));
    EXPECT_EQ(begun, TSortKind::skNumeric);
    EXPECT_EQ(options.Kind, TSortKind::skAutomatic); // the caller's record is untouched
    EXPECT_EQ(column(0), (QStringList{"9", "10", "100"}));
}

TEST_F(GridTest, BeginSortMayForceTheKind) {
    fill(0, {"10", "9", "100"});
    grid->OnBeginSort = [](QObject*, int, TSortOptions& o) { o.Kind = TSortKind::skText; };
    grid->SortByColumn(0, {});
    EXPECT_EQ(column(0), (QStringList{"10", "100", "9"}));
}

TEST_F(GridTest, NoSortAndNoEventsWithAnOpenEditorOrFewerThanTwoRows) {
    int events = 0;
    grid->OnBeginSort = [&](QObject*, int, TSortOptions&) { ++events; };
    grid->OnEndSort = [&](QObject*, int) { ++events; };
    fill(0, {"b"});
    grid->SortByColumn(0, {});
    EXPECT_EQ(events, 0);

    grid->setOption(TGridOption::goEditing, true);
    showFocused();
    fill(0, {"b", "a"});
    grid->MoveToCell(0, 1);
    grid->setEditorMode(true);
    ASSERT_TRUE(grid->EditorMode());
    grid->SortByColumn(0, {});
    EXPECT_EQ(events, 0);
    EXPECT_EQ(column(0), (QStringList{"b", "a"}));
}

// ---------------------------------------------------------------------------------------------
// Detection and comparison

struct DetectCase {
    const char* name;
    QStringList texts;
    TSortKind kind;
};

class Detect : public GridTest, public ::testing::WithParamInterface<DetectCase> {};

class DetectProbe : public TSortingGrid {
public:
    using TSortingGrid::DetectSortKind;
};

TEST_P(Detect, ChoosesTheKindFromEveryNonFixedCell) {
    DetectProbe probe;
    const DetectCase& c = GetParam();
    probe.setColCount(1);
    probe.setFixedCols(0);
    probe.setRowCount(int(c.texts.size()) + 1);
    probe.setFixedRows(1);
    probe.setCells(0, 0, QStringLiteral("header is not looked at"));
    for (int i = 0; i < int(c.texts.size()); ++i)
        probe.setCells(0, i + 1, c.texts[i]);
    EXPECT_EQ(probe.DetectSortKind(0), c.kind);
}

QString dt(int y, int mo, int d, int h, int mi) {
    return platform::dateTimeText(QDateTime(QDate(y, mo, d), QTime(h, mi)));
}
QString tm(int h, int mi, int s) {
    return platform::shortTimeText(QTime(h, mi, s));
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Detect,
    ::testing::Values(
        DetectCase{"Integers", {"10", "9", "100"}, TSortKind::skNumeric},
        DetectCase{"Decimals", {"1.5", "-2", "3e2"}, TSortKind::skNumeric},
        DetectCase{"OneEmptyCell", {"10", "", "100"}, TSortKind::skText},
        DetectCase{"LastCellText", {"10", "9", "x"}, TSortKind::skText},
        DetectCase{"DateTimes",
                   {dt(2024, 3, 1, 10, 0), dt(1999, 12, 31, 23, 59), dt(2024, 2, 29, 0, 0)},
                   TSortKind::skDateTime},
        DetectCase{"Times", {tm(10, 0, 0), tm(9, 5, 7), tm(23, 59, 59)}, TSortKind::skTime},
        DetectCase{"Names", {"readme.txt", "a/b.c", "Z"}, TSortKind::skText}),
    [](const auto& info) { return std::string(info.param.name); });

struct OrderCase {
    const char* name;
    QStringList texts;
    bool caseSensitive;
    TSortOrder order;
    QStringList expected;
};

class Order : public GridTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(Order, FollowsTheComparisonRules) {
    const OrderCase& c = GetParam();
    fill(1, c.texts);
    TSortOptions o;
    o.CaseSensitive = c.caseSensitive;
    o.Order = c.order;
    grid->SortByColumn(1, o);
    EXPECT_EQ(column(1), c.expected);
}

constexpr auto Asc = TSortOrder::soAscending;
constexpr auto Desc = TSortOrder::soDescending;

INSTANTIATE_TEST_SUITE_P(
    Grid, Order,
    ::testing::Values(
        OrderCase{"Numeric", {"10", "9", "100"}, false, Asc, {"9", "10", "100"}},
        OrderCase{"NumericDown", {"10", "9", "100"}, false, Desc, {"100", "10", "9"}},
        OrderCase{"EmptyMakesText", {"10", "", "100", "9"}, false, Asc, {"", "10", "100", "9"}},
        OrderCase{"CaseFoldedKeepsOrder",
                  {"apple", "b", "Apple", "A"},
                  false,
                  Asc,
                  {"A", "apple", "Apple", "b"}},
        OrderCase{"CaseFoldedDownKeepsOrder",
                  {"apple", "b", "Apple"},
                  false,
                  Desc,
                  {"b", "apple", "Apple"}},
        OrderCase{"CaseSensitiveBytes", {"a", "B", "b", "A"}, true, Asc, {"A", "B", "a", "b"}},
        OrderCase{"PrefixFirst", {"abc", "ab", "abcd", "a"}, true, Asc, {"a", "ab", "abc", "abcd"}},
        // only a-z are upper-cased: "é" stays above every ASCII letter
        OrderCase{
            "AccentsNotFolded", {"\u00e9", "Z", "\u00c9"}, false, Asc, {"Z", "\u00c9", "\u00e9"}},
        OrderCase{"NegativeNumbers", {"-1", "-10", "2"}, false, Asc, {"-10", "-1", "2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, EqualKeysKeepTheirOrderBothWays) {
    fill(1, {"5", "1", "5", "1", "5"});
    grid->SortByColumn(1, {});
    EXPECT_EQ(column(0), (QStringList{"r2", "r4", "r1", "r3", "r5"}));
    TSortOptions down;
    down.Order = TSortOrder::soDescending;
    fill(1, {"5", "1", "5", "1", "5"});
    grid->SortByColumn(1, down);
    EXPECT_EQ(column(0), (QStringList{"r1", "r3", "r5", "r2", "r4"}));
}

TEST_F(GridTest, CustomComparisonSeesUpperCasedTexts) {
    fill(1, {"bb", "a", "ccc"});
    QStringList seen;
    TSortOptions o;
    o.Kind = TSortKind::skCustom;
    o.Compare = [&](const QString& a, const QString& b) {
        seen << a << b;
        return int(a.size() - b.size()); // by length
    };
    grid->SortByColumn(1, o);
    EXPECT_EQ(column(1), (QStringList{"a", "bb", "ccc"}));
    EXPECT_TRUE(seen.contains("BB"));
    EXPECT_FALSE(seen.contains("bb"));
}

TEST_F(GridTest, ForcedKindThatDoesNotConvertStillLeavesAPermutation) {
    QStringList texts;
    for (int i = 0; i < 200; ++i)
        texts << (i % 3 ? QString::number((i * 37) % 101) : QStringLiteral("x%1").arg(i));
    fill(1, texts);
    TSortOptions o;
    o.Kind = TSortKind::skNumeric;
    grid->SortByColumn(1, o);
    QStringList after = column(1), before = texts;
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
}

TEST_F(GridTest, AFailingComparisonLeavesTheRowsAsTheyWere) {
    fill(1, {"c", "a", "b"});
    bool ended = false;
    grid->OnEndSort = [&](QObject*, int) { ended = true; };
    TSortOptions o;
    o.Kind = TSortKind::skCustom;
    o.Compare = [](const QString&, const QString&) -> int { throw std::runtime_error("boom"); };
    EXPECT_THROW(grid->SortByColumn(1, o), std::runtime_error);
    EXPECT_EQ(column(1), (QStringList{"c", "a", "b"}));
    EXPECT_FALSE(ended);
}

// Calls the release handler directly, so that an error thrown inside reaches the test.
class ReleaseProbe : public TSortingGrid {
public:
    void release(const QPoint& p, Qt::MouseButton button) {
        QMouseEvent e(QEvent::MouseButtonRelease, p, mapToGlobal(p), button, Qt::NoButton,
                      Qt::NoModifier);
        mouseReleaseEvent(&e);
    }
};

TEST_F(GridTest, HourglassIsRestoredWhenAHeaderSortFails) {
    ReleaseProbe probe;
    probe.resize(300, 200);
    probe.setRowCount(3);
    probe.setColCount(1);
    probe.setFixedCols(0);
    probe.setCells(0, 1, "b");
    probe.setCells(0, 2, "a");
    probe.show();
    probe.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&probe));
    probe.setFocus();
    probe.UpdateNow();
    bool cursorDuringSort = false;
    probe.OnBeginSort = [&](QObject*, int, TSortOptions&) {
        cursorDuringSort = QApplication::overrideCursor() &&
                           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(probe.release(probe.CellRect(0, 0).center(), Qt::LeftButton), std::runtime_error);
    EXPECT_TRUE(cursorDuringSort);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // the release was still handled as the end of the press: a header press that could have
    // started moving its column leaves nothing behind, and the next right click opens the menu
    probe.setOption(TGridOption::goColMoving, true);
    QMenu menu;
    menu.addAction("Open");
    probe.setPopupMenu(&menu);
    QTest::mousePress(probe.viewport(), Qt::LeftButton, {}, probe.CellRect(0, 0).center());
    EXPECT_THROW(probe.release(probe.CellRect(0, 0).center(), Qt::LeftButton), std::runtime_error);
    probe.OnBeginSort = nullptr;
    const QPoint at = probe.CellRect(0, 2).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, probe.viewport()->mapToGlobal(at), Qt::RightButton,
                      type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(probe.viewport(), &e);
    }
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}

TEST_F(GridTest, AttachedObjectsMoveWithTheirRows) {
    fill(1, {"c", "a", "b"});
    int tags[3];
    for (int i = 0; i < 3; ++i)
        grid->setObjects(1, i + 1, &tags[i]);
    grid->SortByColumn(1, {});
    EXPECT_EQ(grid->Objects(1, 1), &tags[1]);
    EXPECT_EQ(grid->Objects(1, 2), &tags[2]);
    EXPECT_EQ(grid->Objects(1, 3), &tags[0]);
}

TEST_F(GridTest, FixedRowsAndSizesStayPut) {
    fill(1, {"c", "a", "b"}, 2);
    grid->setCells(1, 0, "top");
    grid->setRowHeights(3, 40);
    grid->setColWidths(1, 99);
    grid->SortByColumn(1, {});
    EXPECT_EQ(grid->Cells(1, 0), "top");
    EXPECT_EQ(column(1, 2), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(grid->RowHeights(3), 40);
    EXPECT_EQ(grid->ColWidths(1), 99);
}

// The sort converts each key once with a fast reader of the locale's short forms; its order
// must be the one the comparison rule defines through the general conversions, in any locale.
class LocaleOrder : public GridTest, public ::testing::WithParamInterface<const char*> {
protected:
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        GridTest::TearDown();
    }
};

TEST_P(LocaleOrder, SortMatchesTheComparisonRule) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> day(0, 40 * 365), minute(0, 24 * 60 - 1);
    for (const TSortKind kind : {TSortKind::skDateTime, TSortKind::skTime}) {
        QStringList texts;
        for (int i = 0; i < 300; ++i) {
            const QDate date = QDate(1985, 1, 1).addDays(day(rng) / (i % 5 == 0 ? 400 : 1));
            const QTime time = QTime(0, 0).addSecs(60 * (minute(rng) / (i % 7 == 0 ? 50 : 1)));
            texts << (kind == TSortKind::skTime ? platform::shortTimeText(time)
                                                : platform::dateTimeText(QDateTime(date, time)));
        }
        for (const bool caseSensitive : {false, true}) {
            for (const TSortOrder order : {Asc, Desc}) {
                fill(1, texts);
                TSortOptions o;
                o.Kind = kind;
                o.Order = order;
                o.CaseSensitive = caseSensitive;
                std::vector<TSortedListEntry> expected;
                for (int i = 0; i < int(texts.size()); ++i)
                    expected.push_back({texts[i], i + 1});
                std::stable_sort(expected.begin(), expected.end(), [&](auto& a, auto& b) {
                    return TSortingGrid::CompareEntries(a, b, o) < 0;
                });
                QStringList want;
                for (const auto& e : expected)
                    want << QStringLiteral("r%1").arg(e.SourceRow);
                grid->SortByColumn(1, o);
                ASSERT_EQ(column(0), want) << GetParam() << " kind " << int(kind);
            }
        }
        // the detection agrees
        fill(1, texts);
        DetectProbe probe;
        probe.setColCount(1);
        probe.setRowCount(int(texts.size()) + 1);
        for (int i = 0; i < int(texts.size()); ++i)
            probe.setCells(0, i + 1, texts[i]);
        EXPECT_EQ(probe.DetectSortKind(0), kind) << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Grid, LocaleOrder,
                         ::testing::Values("C", "en_US", "de_DE", "fr_FR", "en_GB", "ja_JP",
                                           "ko_KR", "ru_RU"),
                         [](const auto& info) { return std::string(info.param); });

// ---------------------------------------------------------------------------------------------
// Current row, undo of the last sort

TEST_F(GridTest, CurrentRowFollowsTheSortAndTheUndo) {
    fill(1, {"c", "a", "b", "d"});
    grid->MoveToCell(2, 1); // row "c" (r1)
    grid->SortByColumn(1, {});
    EXPECT_EQ(grid->Row(), 3);
    EXPECT_EQ(grid->Col(), 2);
    EXPECT_EQ(grid->Cells(0, grid->Row()), "r1");
    ASSERT_TRUE(grid->IsSortListValid());
    EXPECT_EQ(grid->SortedList().size(), 4u);

    grid->MoveToCell(2, 4); // "d" (r4)
    grid->RestoreOrder();
    EXPECT_EQ(column(1), (QStringList{"c", "a", "b", "d"}));
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(grid->Cells(0, grid->Row()), "r4");
    EXPECT_TRUE(grid->SortedList().empty());

    grid->MoveToCell(2, 2);
    grid->RestoreOrder(); // nothing kept: nothing happens
    EXPECT_EQ(column(1), (QStringList{"c", "a", "b", "d"}));
    EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridTest, RowCountChangeInvalidatesTheUndo) {
    fill(1, {"c", "a", "b"});
    grid->SortByColumn(1, {});
    grid->InsertRow(2);
    EXPECT_FALSE(grid->IsSortListValid());
    EXPECT_TRUE(grid->SortedList().empty());
    const QStringList now = column(1);
    grid->RestoreOrder();
    EXPECT_EQ(column(1), now);

    fill(1, {"c", "a", "b"});
    grid->SortByColumn(1, {});
    grid->DeleteRow(1);
    const QStringList after = column(1);
    grid->RestoreOrder();
    EXPECT_EQ(column(1), after);
}

TEST_F(GridTest, UndoAfterTheFixedRowsChangedKeepsTheRows) {
    fill(1, {"c", "a", "b", "d"});
    grid->SortByColumn(1, {});
    // one more row and one more fixed row: the count still matches, the rows do not
    grid->setRowCount(grid->RowCount() + 1);
    grid->setFixedRows(2);
    QStringList before = column(1, 0);
    grid->RestoreOrder();
    EXPECT_EQ(column(1, 0), before);
}

TEST_F(GridTest, SelectCellMayRefuseTheFollowingMove) {
    fill(1, {"b", "a"});
    grid->MoveToCell(0, 1);
    grid->OnSelectCell = [](QObject*, int, int row, bool& can) { can = row != 2; };
    grid->SortByColumn(1, {});
    EXPECT_EQ(column(1), (QStringList{"a", "b"}));
    EXPECT_EQ(grid->Row(), 1); // the move to row 2 was refused
}

} // namespace

namespace {

// The entry table's Date/Time column as the table writes it: short date, two spaces, short
// time, in the user's locale. A click on its header must give chronological order.
class Chronological : public GridTest, public ::testing::WithParamInterface<const char*> {
protected:
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        GridTest::TearDown();
    }
};

TEST_P(Chronological, DateTimeColumnSortsByTheMoment) {
    QLocale::setDefault(QLocale(QString::fromLatin1(GetParam())));
    // Both ends of the stored range, both centuries, single- and two-digit fields, and the
    // hours around noon and midnight where twelve-hour clocks turn over.
    std::vector<QDateTime> moments = {
        {QDate(1980, 1, 1), QTime(0, 0)},     {QDate(2107, 12, 31), QTime(23, 58)},
        {QDate(1999, 12, 31), QTime(23, 59)}, {QDate(2000, 1, 1), QTime(0, 1)},
        {QDate(2029, 6, 5), QTime(12, 0)},    {QDate(2030, 6, 5), QTime(11, 59)},
        {QDate(2024, 2, 29), QTime(12, 30)},  {QDate(2024, 2, 29), QTime(0, 30)},
        {QDate(2024, 2, 29), QTime(1, 0)},    {QDate(2024, 2, 29), QTime(13, 0)},
        {QDate(2024, 10, 2), QTime(9, 5)},    {QDate(2024, 2, 10), QTime(9, 5)},
    };
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> day(0, 127 * 365), minute(0, 24 * 60 - 1);
    for (int i = 0; i < 60; ++i)
        moments.emplace_back(QDate(1980, 1, 1).addDays(day(rng)),
                             QTime(0, 0).addSecs(60 * minute(rng)));
    QStringList texts;
    for (const QDateTime& m : moments)
        texts << platform::dateTimeText(m);

    for (const TSortOrder order : {TSortOrder::soAscending, TSortOrder::soDescending}) {
        fill(1, texts);
        TSortOptions o;
        o.Order = order;
        TSortKind used = TSortKind::skAutomatic;
        grid->OnBeginSort = [&](QObject*, int, TSortOptions& opts) { used = opts.Kind; };
        grid->SortByColumn(1, o);
        EXPECT_EQ(used, TSortKind::skDateTime) << GetParam() << " " << texts[0].toStdString();
        std::vector<QDateTime> got;
        for (int r = 1; r < grid->RowCount(); ++r)
            got.push_back(moments[grid->Cells(0, r).mid(1).toInt() - 1]);
        std::vector<QDateTime> want = moments;
        std::sort(want.begin(), want.end());
        if (order == TSortOrder::soDescending)
            std::reverse(want.begin(), want.end());
        ASSERT_EQ(got, want) << GetParam() << " " << texts.join(" | ").toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Grid, Chronological,
                         ::testing::Values("C", "en_US", "de_DE", "en_GB", "fi_FI", "ko_KR",
                                           "zh_TW", "sq_AL", "ar_EG", "fa_IR", "bn_BD"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace

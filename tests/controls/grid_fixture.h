#pragma once
// Shared set-up of the grid tests: one application object, a shown and focused grid with a
// fixed font, and helpers to fill a column and read one back.
#include "controls/SortingGrid.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace gridtest {

inline QApplication& app() {
    static int argc = 1;
    static char name[] = "controls_grid_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = [] {
        auto* a = new QApplication(argc, argv);
        return a;
    }();
    return *instance;
}

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        grid = std::make_unique<TSortingGrid>();
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(13);
        grid->setFont(f);
        grid->resize(420, 300);
        grid->setDefaultRowHeight(18);
        grid->setColCount(3);
        grid->setFixedCols(0);
    }
    void TearDown() override { grid.reset(); }

    // Shows the grid as the active window with the focus.
    void showFocused() {
        grid->show();
        grid->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(grid.get()));
        grid->setFocus();
        QApplication::processEvents();
        grid->UpdateNow();
        ASSERT_TRUE(grid->hasFocus());
    }

    // A header row "H0", "H1", ... and the given texts in column col, other columns holding
    // the row's original index ("r1", "r2", ...) so that row movements can be traced.
    void fill(int col, const QStringList& texts, int fixedRows = 1) {
        grid->setRowCount(int(texts.size()) + fixedRows);
        grid->setFixedRows(fixedRows);
        for (int c = 0; c < grid->ColCount(); ++c)
            for (int r = 0; r < fixedRows; ++r)
                grid->setCells(c, r, QStringLiteral("H%1").arg(c));
        for (int i = 0; i < int(texts.size()); ++i)
            for (int c = 0; c < grid->ColCount(); ++c)
                grid->setCells(c, fixedRows + i,
                               c == col ? texts[i] : QStringLiteral("r%1").arg(i + 1));
        grid->UpdateNow();
    }

    QStringList column(int col, int from = 1) const {
        QStringList out;
        for (int r = from; r < grid->RowCount(); ++r)
            out << grid->Cells(col, r);
        return out;
    }

    QPoint cellCenter(int col, int row) const { return grid->CellRect(col, row).center(); }

    std::unique_ptr<TSortingGrid> grid;
};

} // namespace gridtest

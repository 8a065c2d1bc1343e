// Cells shown from a cell source: every operation leaves a grid whose columns read from
// sources exactly as the same grid filled with texts, and a cell's mark is painted before its
// text.
#include "grid_fixture.h"

#include <functional>

using gridtest::GridTest;

namespace {

// Row texts of the three columns: names with non-ASCII letters and letter cases, sizes
// above 4 GiB with equal ones (stability), and equal texts in the last column.
const QStringList kNames = {"Zebra", "äpfel", "apple", "Äpfel", "zebra", "é/x", "apple"};
const QStringList kSizes = {"5000000000", "4294967297", "0", "4294967296", "5000000000", "7", "0"};
const QStringList kTags = {"b", "a", "b", "a", "b", "a", "b"};

class ListSource : public TGridCellSource {
public:
    explicit ListSource(QStringList texts, int marked = -1) : texts_(std::move(texts)) {
        mark_ = QImage(6, 6, QImage::Format_RGB32);
        mark_.fill(Qt::red);
        marked_ = marked;
    }
    QString Text(std::uint32_t i) const override { return texts_.value(int(i)); }
    const QImage* Mark(std::uint32_t i) const override {
        return int(i) == marked_ ? &mark_ : nullptr;
    }

private:
    QStringList texts_;
    QImage mark_;
    int marked_;
};

struct SourceCase {
    const char* name;
    std::function<void(TSortingGrid&)> act;
};

void sortBy(TSortingGrid& g, int col, TSortOrder order, bool caseSensitive = false) {
    TSortOptions o;
    o.Order = order;
    o.CaseSensitive = caseSensitive;
    g.SortByColumn(col, o);
}

class SourceColumns : public GridTest, public ::testing::WithParamInterface<SourceCase> {
protected:
    // Fills the grid with the rows above, from texts or from sources.
    void fillRows(TSortingGrid& g, bool fromSources) {
        g.setColCount(3);
        g.setRowCount(int(kNames.size()) + 1);
        g.setFixedRows(1);
        const QStringList* columns[] = {&kNames, &kSizes, &kTags};
        for (int c = 0; c < 3; ++c) {
            g.setCells(c, 0, QStringLiteral("H%1").arg(c));
            if (fromSources)
                g.setColumnSource(c, 1, int(columns[c]->size()),
                                  std::make_shared<ListSource>(*columns[c]));
            else
                for (int r = 0; r < int(columns[c]->size()); ++r)
                    g.setCells(c, r + 1, (*columns[c])[r]);
        }
    }
    static QStringList dump(const TSortingGrid& g) {
        QStringList out;
        for (int r = 0; r < g.RowCount(); ++r)
            for (int c = 0; c < g.ColCount(); ++c)
                out << (g.Cells(c, r).isNull() ? QStringLiteral("<null>") : g.Cells(c, r));
        return out;
    }
};

TEST_P(SourceColumns, ActAsTheSameTexts) {
    TSortingGrid texts;
    fillRows(texts, false);
    fillRows(*grid, true);
    GetParam().act(texts);
    GetParam().act(*grid);
    EXPECT_EQ(dump(*grid), dump(texts));
}

INSTANTIATE_TEST_SUITE_P(
    Grid, SourceColumns,
    ::testing::Values(
        SourceCase{"SortNames", [](auto& g) { sortBy(g, 0, TSortOrder::soAscending); }},
        SourceCase{"SortNamesCaseSensitiveDescending",
                   [](auto& g) { sortBy(g, 0, TSortOrder::soDescending, true); }},
        SourceCase{"SortLargeSizes", [](auto& g) { sortBy(g, 1, TSortOrder::soDescending); }},
        SourceCase{"SortEqualTagsKeepsOrder",
                   [](auto& g) { sortBy(g, 2, TSortOrder::soAscending); }},
        SourceCase{"SortThenRestore",
                   [](auto& g) {
                       sortBy(g, 1, TSortOrder::soAscending);
                       g.RestoreOrder();
                   }},
        SourceCase{"WritesThenSort",
                   [](auto& g) {
                       g.setCells(0, 2, "written");
                       g.setCells(1, 3, QString());
                       g.setCells(0, 5, "b");
                       g.setCells(0, 5, "again");
                       sortBy(g, 0, TSortOrder::soAscending);
                   }},
        SourceCase{"MoveSwapInsertDeleteRows",
                   [](auto& g) {
                       g.MoveRow(1, 6);
                       g.SwapRows(2, 4);
                       g.InsertRow(3);
                       g.setCells(1, 3, "new");
                       g.DeleteRow(5);
                       g.SwapColumns(0, 2);
                   }},
        SourceCase{"ShrinkThenGrow",
                   [](auto& g) {
                       g.setCells(2, 6, "gone");
                       g.setRowCount(4);
                       g.setRowCount(9);
                       g.setCells(0, 8, "last");
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, MarkIsPaintedBeforeTheTextOfItsCellOnly) {
    grid->setRowCount(3);
    grid->setFixedRows(1);
    grid->setColumnSource(0, 1, 2, std::make_shared<ListSource>(QStringList{"a", "b"}, 1));
    showFocused();
    EXPECT_EQ(grid->CellMark(0, 1), nullptr);
    ASSERT_NE(grid->CellMark(0, 2), nullptr);
    const QImage image = grid->RenderToImage();
    const auto redAt = [&](int row) {
        const QRect r = grid->CellRect(0, row);
        return image.pixelColor(r.left() + 4, r.center().y()) == QColor(Qt::red);
    };
    EXPECT_FALSE(redAt(1));
    EXPECT_TRUE(redAt(2));
    EXPECT_EQ(grid->Cells(0, 2), "b") << "the mark is no part of the text";
}

} // namespace

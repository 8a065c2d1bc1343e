// Filling, sorting and scrolling the sortable grid the way the entry table uses it: four
// columns (name, two sizes, date and time), one fixed header row; the fills both from texts
// and from cell sources (the table's way), the sorts on cells read from sources. Run offscreen:
//   QT_QPA_PLATFORM=offscreen grid_bench
#include "controls/SortingGrid.h"
#include "platform/qt/Locale.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <random>

namespace {

struct Rows {
    std::vector<QString> name, packed, size, date;
    // The same rows as the entry table keeps them: names in UTF-8, numbers, MS-DOS times.
    std::vector<std::string> utf8;
    std::vector<std::uint64_t> packedValue, sizeValue;
    std::vector<std::uint32_t> dos;
};

// One column read from the rows as the table's columns read the archive's entries, a sort
// reading names, sizes and dates and times straight from them as it does from the entries.
class RowsColumn : public TGridCellSource {
public:
    RowsColumn(const Rows& rows, int col) : rows_(rows), col_(col) {}
    QString Text(std::uint32_t i) const override {
        switch (col_) {
        case 0:
            return QString::fromStdString(rows_.utf8[i]);
        case 1:
            return QString::number(rows_.packedValue[i]);
        case 2:
            return QString::number(rows_.sizeValue[i]);
        default:
            return platform::dosDateTimeText(rows_.dos[i]);
        }
    }
    bool Utf8Text(std::uint32_t i, std::string& bytes) const override {
        if (col_ != 0)
            return false;
        bytes += rows_.utf8[i];
        return true;
    }
    bool NumberText(std::uint32_t i, std::uint64_t& value) const override {
        if (col_ != 1 && col_ != 2)
            return false;
        value = col_ == 1 ? rows_.packedValue[i] : rows_.sizeValue[i];
        return true;
    }
    bool DateTimeText(std::uint32_t i, QDate& date, QTime& time) const override {
        if (col_ != 3)
            return false;
        if (!platform::dosDateAndTime(rows_.dos[i], date, time))
            date = QDate();
        return true;
    }

private:
    const Rows& rows_;
    int col_;
};

const Rows& rows(int n) {
    static std::map<int, Rows> cache;
    auto it = cache.find(n);
    if (it != cache.end())
        return it->second;
    Rows r;
    std::mt19937 rng(n);
    std::uniform_int_distribution<int> sizes(0, 50'000'000), days(0, 40 * 365), secs(0, 86399);
    for (int i = 0; i < n; ++i) {
        const int s = sizes(rng);
        r.name.push_back(QStringLiteral("folder%1/sub/File%2.dat").arg(i % 97).arg(sizes(rng)));
        r.packed.push_back(QString::number(s / 3));
        r.size.push_back(QString::number(s));
        const QDateTime when(QDate(1985, 1, 1).addDays(days(rng)),
                             QTime(0, 0).addSecs(secs(rng) / 2 * 2));
        r.date.push_back(platform::dateTimeText(when));
        r.utf8.push_back(r.name.back().toStdString());
        r.packedValue.push_back(std::uint64_t(s / 3));
        r.sizeValue.push_back(std::uint64_t(s));
        const QDate d = when.date();
        const QTime t = when.time();
        r.dos.push_back(std::uint32_t((d.year() - 1980) << 25 | d.month() << 21 | d.day() << 16 |
                                      t.hour() << 11 | t.minute() << 5 | t.second() / 2));
    }
    return cache.emplace(n, std::move(r)).first->second;
}

void fillAtOnce(TSortingGrid& g, const Rows& r) {
    const int n = int(r.name.size());
    g.setFixedRows(0);
    g.setRowCount(1);
    g.setRowCount(n + 1);
    g.setFixedRows(1);
    for (int i = 0; i < n; ++i) {
        g.setCells(0, i + 1, r.name[i]);
        g.setCells(1, i + 1, r.packed[i]);
        g.setCells(2, i + 1, r.size[i]);
        g.setCells(3, i + 1, r.date[i]);
    }
}

// The entry table's own way: each column reads its cells from the rows.
void fillFromSources(TSortingGrid& g, const Rows& r) {
    const int n = int(r.name.size());
    g.setFixedRows(0);
    g.setRowCount(1);
    g.setRowCount(n + 1);
    g.setFixedRows(1);
    for (int c = 0; c < 4; ++c)
        g.setColumnSource(c, 1, n, std::make_shared<RowsColumn>(r, c));
}

std::unique_ptr<TSortingGrid> makeGrid() {
    auto g = std::make_unique<TSortingGrid>();
    g->setColCount(4);
    g->setFixedCols(0);
    g->setDefaultRowHeight(18);
    g->setOption(TGridOption::goRowSelect, true);
    g->resize(750, 300);
    g->show();
    QApplication::processEvents();
    return g;
}

// setRowCount once, then every cell, then the one queued update.
void BM_FillAtOnce(benchmark::State& state) {
    const Rows& r = rows(int(state.range(0)));
    auto g = makeGrid();
    for (auto _ : state) {
        fillAtOnce(*g, r);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One row added at a time with the header made fixed each time, as the table's refill does.
void BM_FillRowByRow(benchmark::State& state) {
    const Rows& r = rows(int(state.range(0)));
    auto g = makeGrid();
    for (auto _ : state) {
        g->setFixedRows(0);
        g->setRowCount(1);
        for (int i = 0; i < int(r.name.size()); ++i) {
            g->setRowCount(g->RowCount() + 1);
            g->setFixedRows(1);
            const int row = g->RowCount() - 1;
            g->setCells(0, row, r.name[i]);
            g->setCells(1, row, r.packed[i]);
            g->setCells(2, row, r.size[i]);
            g->setCells(3, row, r.date[i]);
        }
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The entry table's fill: one source per column.
void BM_FillFromSources(benchmark::State& state) {
    const Rows& r = rows(int(state.range(0)));
    auto g = makeGrid();
    for (auto _ : state) {
        fillFromSources(*g, r);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A header click's sort of one column of the entry table (cells read from sources):
// detection of the kind, then the sort, ascending or descending.
void sortColumn(benchmark::State& state, int col) {
    const Rows& r = rows(int(state.range(0)));
    auto g = makeGrid();
    for (auto _ : state) {
        state.PauseTiming();
        fillFromSources(*g, r);
        state.ResumeTiming();
        TSortOptions o;
        o.Order = state.range(1) ? TSortOrder::soDescending : TSortOrder::soAscending;
        g->SortByColumn(col, o);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SortByName(benchmark::State& state) {
    sortColumn(state, 0);
}
void BM_SortBySize(benchmark::State& state) {
    sortColumn(state, 2);
}
void BM_SortByDateTime(benchmark::State& state) {
    sortColumn(state, 3);
}

// The detection of the Date/Time column's kind alone, the part of its sort that reads every
// text before the sort reads them again.
class DetectingGrid : public TSortingGrid {
public:
    using TSortingGrid::DetectSortKind;
};

void BM_DetectDateTime(benchmark::State& state) {
    const Rows& r = rows(int(state.range(0)));
    DetectingGrid g;
    g.setColCount(4);
    fillAtOnce(g, r);
    for (auto _ : state)
        if (g.DetectSortKind(3) != TSortKind::skDateTime)
            state.SkipWithError("the Date/Time column was not detected as dates and times");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Scrolling through the whole table a screen at a time, painting each screen.
void BM_ScrollAndPaint(benchmark::State& state) {
    const Rows& r = rows(int(state.range(0)));
    auto g = makeGrid();
    fillAtOnce(*g, r);
    g->UpdateNow();
    const int step = std::max(1, int(state.range(0)) / 100);
    for (auto _ : state) {
        for (int top = 1; top < g->RowCount(); top += step) {
            g->setTopRow(top);
            benchmark::DoNotOptimize(g->RenderToImage());
        }
    }
}

} // namespace

BENCHMARK(BM_FillAtOnce)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillRowByRow)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillFromSources)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByName)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 1}})
    ->ArgNames({"rows", "descending"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortBySize)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 1}})
    ->ArgNames({"rows", "descending"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByDateTime)
    ->ArgsProduct({{100'000, 1'000'000}, {0, 1}})
    ->ArgNames({"rows", "descending"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectDateTime)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollAndPaint)->Arg(100'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

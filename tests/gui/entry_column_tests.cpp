// The entry table's columns give a sort the names' bytes, the sizes and the dates and times
// straight from the listing: every sort must order the rows, and keep the undo list, exactly as
// the same texts written into the cells do, in any locale, and must not make the texts.
#include "tests/gui/GuiTestSupport.h"

#include "app/EntryColumn.h"
#include "controls/SortingGrid.h"
#include "zipformat/Records.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

using guitest::dosDate;
using guitest::dosTime;

struct Row {
    std::string name, unicodeName;
    std::uint16_t flags;
    std::uint64_t size;
    std::uint32_t when;
};

std::uint32_t at(int y, int mo, int d, int h, int mi, int s) {
    return std::uint32_t(dosDate(y, mo, d)) << 16 | dosTime(h, mi, s);
}

// Letter cases, shared starts longer than 16 bytes, a CP437 name, damaged and odd UTF-8
// (byte order mark, surrogate, noncharacter); integers around 2^53 and 2^64 that round to the
// same number; moments one clock second or twelve hours apart and at the ends of the range.
const std::vector<Row> kRows = {
    {"dir/b.txt", "", 0, 7, at(2024, 2, 29, 12, 0, 0)},
    {"dir/B.txt", "", 0, 0, at(2024, 2, 29, 0, 0, 0)},
    {"a", "", 0, 999'999'999'999'999, at(1980, 1, 1, 0, 0, 0)},
    {"0123456789abcdef", "", 0, 1'000'000'000'000'000, at(2107, 12, 31, 23, 59, 58)},
    {"0123456789abcdef0", "", 0, 9'007'199'254'740'993u, at(2024, 2, 29, 12, 0, 2)},
    {"0123456789ABCDEF/", "", 0, 9'007'199'254'740'992u, at(2024, 2, 29, 11, 59, 58)},
    {"\x82t\x82/x", "", 0, UINT64_MAX, at(1999, 12, 31, 23, 59, 58)},
    {"bad\xC3/x", "", zipformat::FlagUtf8, UINT64_MAX - 1, at(2000, 1, 1, 0, 0, 0)},
    {"u", "\xEF\xBB\xBFz/w", 0, 5, at(2030, 6, 5, 13, 0, 0)},
    {"v", "x\xED\xA0\x80/y", 0, 5, at(2029, 6, 5, 1, 0, 0)},
    {"w", "\xEF\xBF\xBF/q", 0, 0, at(2024, 10, 2, 9, 5, 0)},
    {"\xC3\xA9/x", "", zipformat::FlagUtf8, 42, at(2024, 2, 10, 9, 5, 0)},
    {"e/x", "", 0, 42, at(2024, 2, 10, 9, 5, 2)},
    {"n", std::string("dir/b.txt\0", 10), 0, 1, at(2024, 2, 10, 9, 5, 2)},
};

// The entry table's column, counting the texts it makes.
class CountingColumn : public EntryColumn {
public:
    using EntryColumn::EntryColumn;
    QString Text(std::uint32_t index) const override {
        ++texts;
        return EntryColumn::Text(index);
    }
    mutable int texts = 0;
};

struct EntryCase {
    const char* locale;
    bool invalidDate;  // one stored date is not a calendar date: the column sorts as text
    bool backslashes;  // the names show "\\" between folders
    bool datesWithout; // the locale's dates and times are read without their texts
};

class EntryColumnSort : public ::testing::TestWithParam<EntryCase> {
protected:
    void SetUp() override { guitest::application(); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    static QStringList dump(const TSortingGrid& g) {
        QStringList out;
        for (int r = 1; r < g.RowCount(); ++r)
            for (int c = 0; c < 4; ++c)
                out << g.Cells(c, r);
        for (const TSortedListEntry& e : g.SortedList())
            out << e.KeyText << QString::number(e.SourceRow);
        return out;
    }
};

TEST_P(EntryColumnSort, OrdersAndKeepsTheUndoAsTheTexts) {
    const EntryCase& p = GetParam();
    QLocale::setDefault(QLocale(QString::fromLatin1(p.locale)));
    auto entries = std::make_shared<ZipDirList>();
    for (const Row& row : kRows) {
        ZipDirEntry e{};
        e.FileName = row.name;
        e.UnicodeName = row.unicodeName;
        e.GeneralFlags = row.flags;
        e.UncompressedSize64 = row.size;
        e.CompressedSize64 = row.size / 3;
        e.DateTime = p.invalidDate && entries->size() == 2 ? at(2020, 13, 1, 0, 0, 0) : row.when;
        entries->push_back(std::move(e));
    }
    const int n = int(entries->size());
    for (int col = 0; col < 4; ++col) {
        for (const TSortOrder order : {TSortOrder::soAscending, TSortOrder::soDescending}) {
            for (const bool caseSensitive : {false, true}) {
                TSortingGrid fromSource, fromTexts;
                auto source = std::make_shared<CountingColumn>(entries, EntryColumn::Field(col),
                                                               std::int32_t(0));
                if (p.backslashes)
                    source->showBackslashes();
                for (TSortingGrid* g : {&fromSource, &fromTexts}) {
                    g->setColCount(4);
                    g->setRowCount(n + 1);
                    g->setFixedRows(1);
                    for (int c = 0; c < 4; ++c)
                        for (int i = 0; i < n; ++i)
                            g->setCells(c, i + 1, c == col ? source->Text(i) : QString::number(i));
                }
                fromSource.setColumnSource(col, 1, n, source);
                source->texts = 0;
                TSortOptions o;
                o.Order = order;
                o.CaseSensitive = caseSensitive;
                fromSource.SortByColumn(col, o);
                fromTexts.OnBeginSort = [&](QObject*, int, TSortOptions& used) { o = used; };
                fromTexts.SortByColumn(col, o);
                if (col < 3 || (p.datesWithout && !p.invalidDate)) { // a few rows' texts at most
                    EXPECT_LT(source->texts, n / 2) << p.locale << " column " << col;
                }
                ASSERT_EQ(dump(fromSource), dump(fromTexts))
                    << p.locale << " column " << col << " order " << int(order);
                // and the texts are where the comparison rule puts them
                std::vector<TSortedListEntry> want;
                for (int i = 0; i < n; ++i)
                    want.push_back({source->Text(std::uint32_t(i)), i});
                std::stable_sort(want.begin(), want.end(), [&](auto& a, auto& b) {
                    return TSortingGrid::CompareEntries(a, b, o) < 0;
                });
                for (int r = 1; r <= n; ++r)
                    EXPECT_EQ(fromTexts.Cells(col ? 0 : 1, r).toInt(), want[r - 1].SourceRow);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grid, EntryColumnSort,
    ::testing::Values(EntryCase{"C", false, false, true}, EntryCase{"en_US", false, true, true},
                      EntryCase{"de_DE", true, false, true}, EntryCase{"ko_KR", false, true, true},
                      EntryCase{"sq_AL", false, false, true}, EntryCase{"ja_JP", true, true, true},
                      EntryCase{"hu_HU", false, false, true},
                      EntryCase{"ar_EG", false, false, false}),
    [](const auto& info) {
        return std::string(info.param.locale) + (info.param.invalidDate ? "_invalid" : "") +
               (info.param.backslashes ? "_backslashes" : "");
    });

// The undo list's key texts are made only when read: names that change after the sort, the
// grid being told first, are still listed as the sort read them.
TEST(EntryColumnUndo, KeyTextsStayAsSortedWhenTheNamesChange) {
    guitest::application();
    auto entries = std::make_shared<ZipDirList>();
    for (const char* name : {"b/x", "a/y"}) {
        ZipDirEntry e{};
        e.FileName = name;
        entries->push_back(std::move(e));
    }
    auto names = std::make_shared<EntryColumn>(entries, EntryColumn::Field::Name, 0);
    TSortingGrid g;
    g.setColCount(1);
    g.setRowCount(3);
    g.setFixedRows(1);
    g.setColumnSource(0, 1, 2, names);
    g.SortByColumn(0, {});
    g.SourceTextsChanging(0);
    names->showBackslashes();
    EXPECT_EQ(g.Cells(0, 1), "a\\y");
    ASSERT_EQ(g.SortedList().size(), 2u);
    EXPECT_EQ(g.SortedList()[0].KeyText, "a/y");
}

} // namespace

// Delimited text files: the saved bytes, loading with its line and field rules, the round
// trip, and failures that must not lose the grid's contents.
#include "grid_fixture.h"

#include "platform/Errors.h"
#include "support/TestSupport.h"

using gridtest::GridTest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

QString path(const TempDir& dir, const char* name) {
    return QString::fromStdString((dir / name).string());
}

TEST_F(GridTest, SaveWritesEveryRowJoinedBySeparatorWithCrLf) {
    TempDir dir;
    grid->setColCount(3);
    grid->setRowCount(3);
    grid->setFixedRows(1);
    const char* cells[3][3] = {{"Name", "Size", ""}, {"a b", "\"q\"", "x,y"}, {"", "", "z"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            grid->setCells(c, r, QString::fromUtf8(cells[r][c]));
    grid->SaveToFile(path(dir, "out.txt"), u',');
    EXPECT_EQ(readFile(dir / "out.txt"), "Name,Size,\r\na b,\"q\",x,y\r\n,,z\r\n");
}

struct RoundTrip {
    const char* name;
    char16_t separator;
};

class FileRoundTrip : public GridTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(FileRoundTrip, LoadGivesBackWhatWasSaved) {
    TempDir dir;
    const QChar sep(GetParam().separator);
    grid->setColCount(4);
    grid->setRowCount(4);
    grid->setFixedRows(1);
    const QStringList texts = {"File Name",
                               "\"quoted\"",
                               "",
                               "caf\u00e9 \u00fc",
                               "dir\\sub\\x.txt",
                               " lead",
                               "trail ",
                               "12/8/2026  10:30",
                               "",
                               "",
                               "last",
                               "'single'",
                               "a\"b",
                               "-1",
                               "0",
                               ""};
    for (int i = 0; i < 16; ++i)
        grid->setCells(i % 4, i / 4, texts[i]);
    grid->SaveToFile(path(dir, "t.txt"), sep);

    TSortingGrid other;
    other.setFixedCols(0);
    other.setColCount(1);
    other.LoadFromFile(path(dir, "t.txt"), sep);
    ASSERT_EQ(other.RowCount(), 4);
    ASSERT_EQ(other.ColCount(), 4);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(other.Cells(i % 4, i / 4), texts[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Grid, FileRoundTrip,
                         ::testing::Values(RoundTrip{"Comma", u','}, RoundTrip{"Tab", u'\t'},
                                           RoundTrip{"Semicolon", u';'}, RoundTrip{"Bar", u'|'}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LoadCase {
    const char* name;
    const char* bytes;
    int fixedCols;
    int rows, cols;
    QStringList row0; // cells of row 0 from column 0
};

class Load : public GridTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(Load, CutsLinesAndFields) {
    const LoadCase& c = GetParam();
    TempDir dir;
    writeFile(dir / "in.txt", c.bytes);
    grid->setColCount(6);
    grid->setFixedCols(c.fixedCols);
    grid->setRowCount(9);
    grid->setFixedRows(2);
    grid->setCells(5, 8, "old");
    grid->LoadFromFile(path(dir, "in.txt"), u';');
    EXPECT_EQ(grid->RowCount(), c.rows);
    EXPECT_EQ(grid->ColCount(), c.cols);
    EXPECT_LT(grid->FixedRows(), grid->RowCount());
    QStringList row0;
    for (int col = 0; col < int(c.row0.size()); ++col)
        row0 << grid->Cells(col, 0);
    EXPECT_EQ(row0, c.row0);
    for (int r = 0; r < grid->RowCount(); ++r)
        for (int col = 0; col < grid->ColCount(); ++col)
            EXPECT_NE(grid->Cells(col, r), "old");
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Load,
    ::testing::Values(
        LoadCase{"EmptyFile", "", 0, 1, 1, {""}},
        LoadCase{"OneLineNoEnd", "a;b", 0, 1, 2, {"a", "b"}},
        LoadCase{"TrailingSeparator", "a;b;\r\n", 0, 1, 3, {"a", "b", ""}},
        LoadCase{"EmptyLineIsOneField", "\r\na;b;c\r\n", 0, 2, 3, {"", "", ""}},
        LoadCase{"MixedLineEnds", "a\nb\rc\r\nd", 0, 4, 1, {"a"}},
        LoadCase{"FixedColumnsSetTheMinimum", "a\r\nb\r\n", 2, 2, 3, {"a", ""}},
        LoadCase{"WidestLineWins", "a\r\nb;c;d;e\r\nf;g\r\n", 0, 3, 4, {"a", "", "", ""}},
        LoadCase{"NoQuoting", "\"a;b\";c", 0, 1, 3, {"\"a", "b\"", "c"}},
        LoadCase{"Utf8", "caf\xc3\xa9;x", 0, 1, 2, {"caf\u00e9", "x"}},
        LoadCase{"EightBitIsLatin1", "caf\xe9;\xfc", 0, 1, 2, {"caf\u00e9", "\u00fc"}},
        LoadCase{"EightBitEndingLikeAUtf8Start", "x;caf\xe9", 0, 1, 2, {"x", "caf\u00e9"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, UnreadableFileRaisesAndKeepsTheCells) {
    TempDir dir;
    fill(0, {"keep", "these"});
    EXPECT_THROW(grid->LoadFromFile(path(dir, "missing.txt"), u','), platform::EFOpenError);
    EXPECT_EQ(column(0), (QStringList{"keep", "these"}));
    EXPECT_EQ(grid->Cells(0, 0), "H0");
    // a folder is not a file to read
    std::filesystem::create_directory(dir / "folder");
    EXPECT_THROW(grid->LoadFromFile(path(dir, "folder"), u','), platform::EFOpenError);
    EXPECT_EQ(column(0), (QStringList{"keep", "these"}));
}

TEST_F(GridTest, FailedSaveRaisesAndLeavesNoFile) {
    TempDir dir;
    fill(0, {"x"});
    EXPECT_THROW(grid->SaveToFile(path(dir, "no/such/folder/out.txt"), u','), platform::Exception);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));

    // an existing file is replaced only by a complete new one
    writeFile(dir / "out.txt", "previous");
    grid->SaveToFile(path(dir, "out.txt"), u',');
    EXPECT_EQ(readFile(dir / "out.txt"), "H0,H1,H2\r\nx,r1,r1\r\n");
}

} // namespace

// Cell drawing read back from a rendered image: text offsets by alignment, clipping, the
// opaque or clear fill, hidden text, the bevel lines and the cell-format event.
#include "grid_fixture.h"

#include <QImage>
#include <map>

using gridtest::GridTest;

namespace {

constexpr TColor kFill = RGBColor(0, 255, 0);
constexpr TColor kLight = RGBColor(255, 0, 255);
constexpr TColor kDark = RGBColor(0, 0, 128);

class PaintTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        QPalette pal = grid->palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        pal.setColor(QPalette::Light, TColorToQColor(kLight));
        pal.setColor(QPalette::Dark, TColorToQColor(kDark));
        grid->setPalette(pal);
        grid->setDefaultRowHeight(30);
        grid->setColWidths(0, 100);
        grid->setColWidths(1, 100);
        grid->setRowCount(3);
        grid->setFixedRows(1);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        grid->UpdateNow();
        // the focus outline goes to a cell the tests do not look at
        grid->MoveToCell(2, 2);
        // the data cells are filled with a colour of their own, so that the cell is told
        // apart from the background around it
        grid->OnGetCellFormat = [this](QObject*, int, int row, TGridDrawState, TFormatOptions& o) {
            if (row >= 1)
                o.Brush->Color = kFill;
            if (format)
                format(o);
        };
    }

    QImage render() { return grid->RenderToImage(); }

    static TColor at(const QImage& img, int x, int y) { return QRgbToTColor(img.pixel(x, y)); }

    // Bounding box of the pixels of colour c inside r (empty when none).
    static QRect find(const QImage& img, const QRect& r, TColor c) {
        QRect box;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (at(img, x, y) == c)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    std::function<void(TFormatOptions&)> format;
};

struct AlignCase {
    const char* name;
    TAlignment h;
    TVertAlignment v;
};

class Alignment : public PaintTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(Alignment, TextOffsetsFollowTheRules) {
    const QString text = QStringLiteral("Wg1");
    grid->setCells(0, 1, text);
    const QRect cell = grid->CellRect(0, 1);
    const QRect ink0 = find(render(), cell, clBlack); // left/top: offsets 2, 2
    ASSERT_FALSE(ink0.isEmpty());

    grid->setAlignmentHorz(GetParam().h);
    grid->setAlignmentVert(GetParam().v);
    const QRect ink = find(render(), cell, clBlack);
    ASSERT_FALSE(ink.isEmpty());

    QImage probe(1, 1, QImage::Format_RGB32);
    probe.setDotsPerMeterX(3780);
    probe.setDotsPerMeterY(3780);
    Canvas c(&probe);
    c.Font = TCanvasFont(grid->font());
    const int tw = c.TextWidth(text), th = c.TextHeight(text);
    int dx = 2, dy = 2;
    if (GetParam().h == TAlignment::taRightJustify)
        dx = cell.width() - tw - 2;
    if (GetParam().h == TAlignment::taCenter)
        dx = (cell.width() - tw) / 2;
    if (GetParam().v == TVertAlignment::taBottomJustify)
        dy = cell.height() - th - 3;
    if (GetParam().v == TVertAlignment::taMiddle)
        dy = (cell.height() - th) / 2;
    EXPECT_EQ(ink.left() - ink0.left(), dx - 2);
    EXPECT_EQ(ink.top() - ink0.top(), dy - 2);
    EXPECT_EQ(ink.size(), ink0.size());
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Alignment,
    ::testing::Values(
        AlignCase{"LeftTop", TAlignment::taLeftJustify, TVertAlignment::taTopJustify},
        AlignCase{"RightTop", TAlignment::taRightJustify, TVertAlignment::taTopJustify},
        AlignCase{"CenterMiddle", TAlignment::taCenter, TVertAlignment::taMiddle},
        AlignCase{"LeftBottom", TAlignment::taLeftJustify, TVertAlignment::taBottomJustify},
        AlignCase{"RightBottom", TAlignment::taRightJustify, TVertAlignment::taBottomJustify},
        AlignCase{"CenterTop", TAlignment::taCenter, TVertAlignment::taTopJustify}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaintTest, OpaqueFillCoversTheCellAndTextIsClippedToIt) {
    grid->setCells(0, 1, QString(40, QChar(u'W')));
    grid->setAlignmentHorz(TAlignment::taRightJustify); // text starts left of the cell
    const QImage img = render();
    const QRect cell = grid->CellRect(0, 1);
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const TColor c = at(img, x, y);
            ASSERT_TRUE(c == kFill || c == clBlack) << x << "," << y;
        }
    EXPECT_FALSE(find(img, cell, clBlack).isEmpty());
    // nothing spills into the next cell, which is filled and empty
    const QRect next = grid->CellRect(1, 1);
    EXPECT_TRUE(find(img, next, clBlack).isEmpty());
    EXPECT_EQ(find(img, next, kFill), next);
}

TEST_F(PaintTest, ClearBrushLeavesTheBackgroundAndHideTextDrawsNoText) {
    grid->setCells(0, 1, QStringLiteral("Text"));
    const QRect cell = grid->CellRect(0, 1);
    format = [](TFormatOptions& o) { o.Brush->Style = TBrushStyle::bsClear; };
    QImage img = render();
    EXPECT_TRUE(find(img, cell, kFill).isEmpty());
    EXPECT_FALSE(find(img, cell, clBlack).isEmpty());

    format = [](TFormatOptions& o) { o.HideText = true; };
    img = render();
    EXPECT_EQ(find(img, cell, kFill), cell);
    EXPECT_TRUE(find(img, cell, clBlack).isEmpty());
}

TEST_F(PaintTest, FormatEventCanRecolourTheFont) {
    grid->setCells(0, 1, QStringLiteral("Text"));
    format = [](TFormatOptions& o) { o.Font->Color = clRed; };
    const QImage img = render();
    const QRect cell = grid->CellRect(0, 1);
    EXPECT_TRUE(find(img, cell, clBlack).isEmpty());
    EXPECT_FALSE(find(img, cell, clRed).isEmpty());
}

struct BevelCase {
    const char* name;
    TCellBevelStyle style;
    bool vert, horz;
};

class Bevel : public PaintTest, public ::testing::WithParamInterface<BevelCase> {};

TEST_P(Bevel, LinesInOrderWithTheirColours) {
    const BevelCase& b = GetParam();
    grid->setOption(TGridOption::goFixedVertLine, b.vert);
    grid->setOption(TGridOption::goFixedHorzLine, b.horz);
    grid->UpdateNow();
    const QImage plain = render();
    grid->setBevelStyle(b.style);
    const QImage img = render();
    const QRect r = grid->CellRect(1, 1);
    const TColor tl = b.style == TCellBevelStyle::cbRaised ? kLight : kDark;
    const TColor br = b.style == TCellBevelStyle::cbRaised ? kDark : kLight;
    const int midX = r.center().x(), midY = r.center().y();
    EXPECT_EQ(at(img, r.right(), midY), b.vert ? br : kFill);
    EXPECT_EQ(at(img, r.left(), midY), b.vert ? tl : kFill);
    EXPECT_EQ(at(img, midX, r.bottom()), b.horz ? br : kFill);
    EXPECT_EQ(at(img, midX, r.top()), b.horz ? tl : kFill);
    // the top-left colour is drawn last and wins the two mixed corners
    if (b.vert && b.horz) {
        EXPECT_EQ(at(img, r.left(), r.bottom()), tl);
        EXPECT_EQ(at(img, r.right(), r.top()), tl);
        EXPECT_EQ(at(img, r.right(), r.bottom()), br);
    }
    // one pixel wide
    EXPECT_EQ(at(img, r.left() + 1, midY), kFill);
    EXPECT_EQ(at(img, midX, r.top() + 1), kFill);
    // fixed cells have no bevel: the header row looks as without one
    const QRect f = grid->CellRect(0, 0).united(grid->CellRect(2, 0));
    EXPECT_EQ(img.copy(f), plain.copy(f));
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Bevel,
    ::testing::Values(BevelCase{"RaisedBoth", TCellBevelStyle::cbRaised, true, true},
                      BevelCase{"LoweredBoth", TCellBevelStyle::cbLowered, true, true},
                      BevelCase{"RaisedVertOnly", TCellBevelStyle::cbRaised, true, false},
                      BevelCase{"LoweredHorzOnly", TCellBevelStyle::cbLowered, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PaintTest, NoBevelKeepsTheFillAndEdgeColoursAreTheWindowColour) {
    TFormatOptions seen;
    format = [&](TFormatOptions& o) { seen = o; };
    const QImage img = render();
    const QRect r = grid->CellRect(1, 1);
    EXPECT_EQ(at(img, r.left(), r.center().y()), kFill);
    EXPECT_EQ(at(img, r.center().x(), r.top()), kFill);
    EXPECT_EQ(seen.BevelStyle, TCellBevelStyle::cbNone);
    EXPECT_EQ(seen.TopLeftColor, clWhite);
    EXPECT_EQ(seen.BottomRightColor, clWhite);
    EXPECT_FALSE(seen.HideText);
}

TEST_F(PaintTest, FormatEventGetsEachCellWithItsState) {
    grid->MoveToCell(1, 2);
    std::map<std::pair<int, int>, TGridDrawState> states;
    grid->OnGetCellFormat = [&](QObject*, int c, int r, TGridDrawState s, TFormatOptions&) {
        states[{c, r}] = s;
    };
    render();
    ASSERT_EQ(states.size(), 9u); // 3 columns x 3 rows, all visible
    EXPECT_TRUE(states[std::pair(0, 0)].Fixed);
    EXPECT_FALSE(states[std::pair(0, 1)].Fixed);
    EXPECT_TRUE(states[std::pair(1, 2)].Selected);
    EXPECT_FALSE(states[std::pair(0, 1)].Selected);
}

TEST_F(PaintTest, OwnerDrawingWhenDefaultDrawingIsOff) {
    grid->setCells(0, 1, QStringLiteral("Text"));
    int drawn = 0;
    grid->OnDrawCell = [&](QObject*, int, int, const TRect&, TGridDrawState) { ++drawn; };
    render();
    EXPECT_EQ(drawn, 0); // the grid's own drawing replaces the owner drawing
    grid->setDefaultDrawing(false);
    const QImage img = render();
    EXPECT_EQ(drawn, 9);
    EXPECT_TRUE(find(img, grid->CellRect(0, 1), clBlack).isEmpty());
}

} // namespace

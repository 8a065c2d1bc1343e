// The drawing layer: line end points, rectangle extents, colours, text and transparent copies.
#include "controls/Canvas.h"
#include "paint_support.h"

#include <gtest/gtest.h>

using painttest::px;

namespace {

QImage blank(int w, int h, TColor c = clWhite) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(TColorToQColor(c));
    return img;
}

} // namespace

TEST(Canvas, ColourValuesAreBlueGreenRed) {
    EXPECT_EQ(TColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(TColorToQColor(0x37BEFF), QColor(0xFF, 0xBE, 0x37));
    EXPECT_EQ(QColorToTColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(RGBColor(1, 2, 3), 0x030201u);
    EXPECT_EQ(GetRValue(0x563412), 0x12);
    EXPECT_EQ(GetGValue(0x563412), 0x34);
    EXPECT_EQ(GetBValue(0x563412), 0x56);
    EXPECT_EQ(QRgbToTColor(qRgba(0x12, 0x34, 0x56, 0x00)), 0x563412u);
}

TEST(Canvas, LinesLeaveOutTheirEndPoint) {
    QImage img = blank(10, 10);
    {
        Canvas c(&img);
        c.Pen.Color = clRed;
        c.MoveTo(1, 1);
        c.LineTo(5, 1); // horizontal, left to right
        c.MoveTo(8, 2);
        c.LineTo(8, 6); // vertical, downwards
        c.MoveTo(5, 8);
        c.LineTo(1, 8); // right to left
        c.MoveTo(0, 3);
        c.LineTo(3, 6); // diagonal
        EXPECT_EQ(c.PenPos(), QPoint(3, 6));
    }
    for (int x = 1; x < 5; ++x)
        EXPECT_EQ(px(img, x, 1), clRed) << x;
    EXPECT_EQ(px(img, 5, 1), clWhite);
    for (int y = 2; y < 6; ++y)
        EXPECT_EQ(px(img, 8, y), clRed) << y;
    EXPECT_EQ(px(img, 8, 6), clWhite);
    for (int x = 2; x <= 5; ++x)
        EXPECT_EQ(px(img, x, 8), clRed) << x;
    EXPECT_EQ(px(img, 1, 8), clWhite);
    EXPECT_EQ(px(img, 0, 3), clRed);
    EXPECT_EQ(px(img, 1, 4), clRed);
    EXPECT_EQ(px(img, 2, 5), clRed);
    EXPECT_EQ(px(img, 3, 6), clWhite);
}

TEST(Canvas, PolylineDrawsCornersButNotTheLastPoint) {
    QImage img = blank(6, 6);
    {
        Canvas c(&img);
        c.Pen.Color = clBlue;
        c.MoveTo(5, 5);
        c.Polyline({{1, 4}, {1, 1}, {4, 1}});
        EXPECT_EQ(c.PenPos(), QPoint(5, 5)); // a polyline leaves the pen where it was
    }
    EXPECT_EQ(px(img, 1, 4), clBlue); // first point
    EXPECT_EQ(px(img, 1, 1), clBlue); // the corner
    EXPECT_EQ(px(img, 3, 1), clBlue);
    EXPECT_EQ(px(img, 4, 1), clWhite); // last point
    EXPECT_EQ(px(img, 1, 5), clWhite);
}

TEST(Canvas, RectangleCoversLeftTopToRightBottomExclusive) {
    QImage img = blank(10, 10);
    {
        Canvas c(&img);
        c.Pen.Color = clRed;
        c.Brush.Color = clLime;
        c.Rectangle(2, 3, 7, 8);
    }
    const QRect outline = painttest::bboxOf(img, clRed);
    EXPECT_EQ(outline, QRect(QPoint(2, 3), QPoint(6, 7)));
    EXPECT_EQ(painttest::bboxOf(img, clLime), QRect(QPoint(3, 4), QPoint(5, 6)));
    EXPECT_EQ(px(img, 7, 5), clWhite);
    EXPECT_EQ(px(img, 4, 8), clWhite);

    // A clear brush leaves the inside alone; a clear pen fills one pixel less.
    QImage hollow = blank(10, 10);
    {
        Canvas c(&hollow);
        c.Pen.Color = clRed;
        c.Brush.Style = TBrushStyle::bsClear;
        c.Rectangle(0, 0, 10, 10);
        c.Pen.Style = TPenStyle::psClear;
        c.Brush.Style = TBrushStyle::bsSolid;
        c.Brush.Color = clBlue;
        c.Rectangle(3, 3, 6, 6);
    }
    EXPECT_EQ(px(hollow, 9, 9), clRed);
    EXPECT_EQ(px(hollow, 2, 2), clWhite);
    EXPECT_EQ(painttest::bboxOf(hollow, clBlue), QRect(QPoint(3, 3), QPoint(4, 4)));

    // FillRect fills right and bottom exclusive; an empty rectangle fills nothing.
    QImage filled = blank(6, 6);
    {
        Canvas c(&filled);
        c.Brush.Color = clBlue;
        c.FillRect(1, 1, 4, 3);
        c.FillRect(5, 5, 5, 6);
    }
    EXPECT_EQ(painttest::bboxOf(filled, clBlue), QRect(QPoint(1, 1), QPoint(3, 2)));
}

TEST(Canvas, PixelsReadAndWrite) {
    QImage img = blank(4, 4);
    Canvas c(&img);
    c.SetPixel(2, 1, 0x123456);
    EXPECT_EQ(c.Pixel(2, 1), 0x123456u);
    EXPECT_EQ(c.Pixel(0, 0), clWhite);
    EXPECT_EQ(c.Pixel(9, 9), 0u); // outside the image
}

TEST(Canvas, FocusRectInvertsEveryOtherPixel) {
    QImage img = blank(8, 6, clBlack);
    {
        Canvas c(&img);
        c.DrawFocusRect(Rect(1, 1, 7, 5));
    }
    EXPECT_EQ(px(img, 1, 1), clWhite);
    EXPECT_EQ(px(img, 2, 1), clBlack);
    EXPECT_EQ(px(img, 3, 1), clWhite);
    EXPECT_EQ(px(img, 3, 3), clBlack); // inside untouched
    EXPECT_EQ(px(img, 7, 1), clBlack); // right edge exclusive
}

TEST(Canvas, TextOutWithClearBrushIsTransparent) {
    QImage solid = blank(80, 30), clear = blank(80, 30);
    int w = 0, h = 0;
    for (QImage* img : {&solid, &clear}) {
        Canvas c(img);
        c.Font.setPixelSize(14);
        c.Font.Color = clBlack;
        c.Brush.Color = clLime;
        if (img == &clear)
            c.Brush.Style = TBrushStyle::bsClear;
        c.TextOut(5, 5, QStringLiteral("Hi"));
        w = c.TextWidth(QStringLiteral("Hi"));
        h = c.TextHeight(QStringLiteral("Hi"));
    }
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    EXPECT_EQ(painttest::bboxOf(solid, clLime).topLeft(), QPoint(5, 5));
    EXPECT_EQ(painttest::bboxOf(clear, clLime), QRect());
    const QRect ink = painttest::bboxOf(clear, clBlack);
    ASSERT_FALSE(ink.isNull());
    EXPECT_TRUE(QRect(5, 5, w, h).contains(ink));
    // No antialiasing: every pixel is either the text or the background.
    EXPECT_TRUE(
        painttest::bbox(clear, [](TColor p) { return p != clBlack && p != clWhite; }).isNull());
}

TEST(Canvas, TextRectClipsToItsRectangle) {
    QImage img = blank(100, 30);
    {
        Canvas c(&img);
        c.Font.setPixelSize(16);
        c.Brush.Color = clLime;
        c.TextRect(Rect(10, 5, 20, 25), 10, 5, QStringLiteral("WWWWWW"));
    }
    EXPECT_EQ(painttest::bboxOf(img, clLime).united(painttest::bboxOf(img, clBlack)),
              QRect(QPoint(10, 5), QPoint(19, 24)));
}

TEST(Canvas, DrawTextUnderlinesTheAccelerator) {
    auto render = [](const QString& text, unsigned extra = 0) {
        QImage img = blank(80, 30);
        Canvas c(&img);
        c.Font.setPixelSize(14);
        c.Brush.Style = TBrushStyle::bsClear;
        c.DrawText(text, Rect(0, 0, 80, 30), DT_CENTER | DT_VCENTER | DT_SINGLELINE | extra);
        return img;
    };
    const QImage plain = render(QStringLiteral("Hi")), marked = render(QStringLiteral("&Hi"));
    const QRect a = painttest::bboxOf(plain, clBlack), b = painttest::bboxOf(marked, clBlack);
    EXPECT_EQ(a.top(), b.top());
    EXPECT_LE(b.left(), a.left());
    EXPECT_LT(b.left(), a.right());
    EXPECT_GT(b.bottom(), a.bottom()); // the underline lies below the letters
    // "&&" shows one ampersand and underlines nothing.
    EXPECT_EQ(render(QStringLiteral("H&&i")), render(QStringLiteral("H&i"), DT_NOPREFIX));
    EXPECT_NE(render(QStringLiteral("H&i")), render(QStringLiteral("H&i"), DT_NOPREFIX));
}

TEST(Canvas, AcceleratorMarks) {
    EXPECT_EQ(StripAccelerator(QStringLiteral("&Close")).Text, QStringLiteral("Close"));
    EXPECT_EQ(StripAccelerator(QStringLiteral("&Close")).AccelPos, 0);
    EXPECT_EQ(StripAccelerator(QStringLiteral("Save && E&xit")).Text,
              QStringLiteral("Save & Exit"));
    EXPECT_EQ(StripAccelerator(QStringLiteral("Save && E&xit")).AccelPos, 8);
    EXPECT_EQ(StripAccelerator(QStringLiteral("A&&B")).AccelPos, -1);
    EXPECT_EQ(StripAccelerator(QStringLiteral("tail&")).Text, QStringLiteral("tail&"));
    EXPECT_EQ(AcceleratorChar(QStringLiteral("E&xtract")), QChar(u'x'));
    EXPECT_EQ(AcceleratorChar(QStringLiteral("&OK")), QChar(u'o'));
    EXPECT_TRUE(AcceleratorChar(QStringLiteral("None")).isNull());
}

TEST(Canvas, TransparentCopyLeavesKeyColourOut) {
    QImage glyph(3, 2, QImage::Format_RGB32);
    glyph.fill(TColorToQColor(clBlue));
    glyph.setPixel(0, 0, TColorToQColor(clLime).rgb());
    QImage opaque = blank(6, 6), keyed = blank(6, 6);
    {
        Canvas c(&opaque);
        c.Draw(1, 2, glyph);
    }
    {
        Canvas c(&keyed);
        c.DrawTransparent(1, 2, glyph, clLime);
    }
    EXPECT_EQ(px(opaque, 1, 2), clLime);
    EXPECT_EQ(px(keyed, 1, 2), clWhite);
    EXPECT_EQ(px(keyed, 2, 2), clBlue);
    EXPECT_EQ(px(keyed, 3, 3), clBlue);
    EXPECT_EQ(px(keyed, 4, 3), clWhite);
}

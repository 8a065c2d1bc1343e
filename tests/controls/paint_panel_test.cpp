// The gradient panel: schemes, the three fills, bevel rings and caption placement.
#include "controls/GradPanel.h"
#include "paint_support.h"

#include <gtest/gtest.h>

using painttest::bboxOf;
using painttest::px;

TEST(GradPanel, NewPanelIsDesertWithARaisedBevel) {
    TGradPanel p;
    EXPECT_EQ(p.ColorScheme(), TGradPanel::csDesert);
    EXPECT_EQ(p.FillDirection(), TGradPanel::fdVertical);
    EXPECT_EQ(p.ColorFace(), 0xFFFFFFu);
    EXPECT_EQ(p.ColorGrad(), 0xA4E1FFu);
    EXPECT_EQ(p.ColorLight(), 0x008FD5u);
    EXPECT_EQ(p.ColorDark(), 0x00699Bu);
    EXPECT_EQ(p.BevelOuter(), TGradPanel::bvRaised);
    EXPECT_EQ(p.BevelInner(), TGradPanel::bvNone);
    EXPECT_EQ(p.BevelWidth(), 1);
    EXPECT_EQ(p.Alignment(), TGradPanel::taCenter);

    p.resize(50, 40);
    const QImage img = p.Render();
    EXPECT_EQ(px(img, 10, 1), RGBColor(255, 254, 253));  // nearly white at the top
    EXPECT_EQ(px(img, 0, 20), 0x008FD5u);                // light on the left
    EXPECT_EQ(px(img, 25, 0), 0x008FD5u);                // and on top
    EXPECT_EQ(px(img, 49, 20), 0x00699Bu);               // dark on the right
    EXPECT_EQ(px(img, 25, 39), 0x00699Bu);               // and at the bottom
    EXPECT_EQ(px(img, 49, 0), 0x00699Bu);                // top-right corner starts the dark side
    EXPECT_EQ(px(img, 0, 39), 0x008FD5u);                // bottom-left corner stays light
    EXPECT_EQ(px(img, 10, 37), RGBColor(255, 227, 171)); // 37/40 of the way to $A4E1FF
}

TEST(GradPanel, SchemesAndColourWrites) {
    const struct {
        TGradPanel::TColorScheme s;
        TColor face, grad, light, dark;
    } table[] = {
        {TGradPanel::csDesert, 0xFFFFFF, 0xA4E1FF, 0x008FD5, 0x00699B},
        {TGradPanel::csGrass, 0xFFFFFF, 0xB0F2CB, 0x3EB56A, 0x156F37},
        {TGradPanel::csSilver, 0xFFFFFF, 0xDAE0DE, 0x7D7D7D, 0x626262},
        {TGradPanel::csSky, 0xFFFFFF, 0xFFE0C1, 0xF0964D, 0xB35900},
        {TGradPanel::csRose, 0xFFFFFF, 0xCCCCFF, 0x0651CC, 0x00009D},
        {TGradPanel::csSun, 0xFFFFFF, 0xBFFFFF, 0x009595, 0x006464},
    };
    TGradPanel p;
    for (const auto& row : table) {
        p.setColorScheme(row.s);
        EXPECT_EQ(p.ColorScheme(), row.s);
        EXPECT_EQ(p.ColorFace(), row.face) << row.s;
        EXPECT_EQ(p.ColorGrad(), row.grad) << row.s;
        EXPECT_EQ(p.ColorLight(), row.light) << row.s;
        EXPECT_EQ(p.ColorDark(), row.dark) << row.s;
    }
    // Index order of the setter: face, gradient, light, dark.
    p.setColor(TGradPanel::ciColorGrad, 0x010203);
    EXPECT_EQ(p.ColorScheme(), TGradPanel::csCustom);
    EXPECT_EQ(p.Color(1), 0x010203u);
    p.setColor(2, 0x111111);
    p.setColor(3, 0x222222);
    EXPECT_EQ(p.ColorLight(), 0x111111u);
    EXPECT_EQ(p.ColorDark(), 0x222222u);
    p.setColorScheme(TGradPanel::csCustom); // changes no colour
    EXPECT_EQ(p.ColorGrad(), 0x010203u);
    p.setColorScheme(TGradPanel::csSilver);
    EXPECT_EQ(p.ColorGrad(), 0xDAE0DEu);
    EXPECT_EQ(p.ColorLight(), 0x7D7D7Du);
    EXPECT_EQ(p.ColorDark(), 0x626262u);
}

namespace {

// A bevel-less panel with a face of black and steps that are whole numbers.
TGradPanel* plainPanel(TGradPanel& p, TGradPanel::TFillDirection fill, int w, int h, TColor grad) {
    p.resize(w, h);
    p.setBevelOuter(TGradPanel::bvNone);
    p.setColor(TGradPanel::ciColorFace, 0x000000);
    p.setColor(TGradPanel::ciColorGrad, grad);
    p.setFillDirection(fill);
    return &p;
}

} // namespace

TEST(GradPanel, FillDirections) {
    TGradPanel v, h, d;
    plainPanel(v, TGradPanel::fdVertical, 30, 20, RGBColor(40, 0, 0));   // 2 per row
    plainPanel(h, TGradPanel::fdHorizontal, 30, 20, RGBColor(60, 0, 0)); // 2 per column
    plainPanel(d, TGradPanel::fdDiagonal, 30, 20, RGBColor(100, 50, 0)); // n = 50
    const QImage iv = v.Render(), ih = h.Render(), id = d.Render();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(px(iv, x, y), RGBColor(2 * y, 0, 0)) << x << "," << y;
            ASSERT_EQ(px(ih, x, y), RGBColor(2 * x, 0, 0)) << x << "," << y;
        }
    // Diagonal: one line per x + y, face at the top-left, the gradient towards bottom-right.
    EXPECT_EQ(px(id, 0, 0), 0x000000u);
    EXPECT_EQ(px(id, 1, 0), RGBColor(2, 1, 0));
    EXPECT_EQ(px(id, 29, 0), RGBColor(58, 29, 0));
    EXPECT_EQ(px(id, 1, 19), RGBColor(40, 20, 0));
    EXPECT_EQ(px(id, 29, 19), RGBColor(96, 48, 0));
    EXPECT_EQ(px(id, 10, 7), px(id, 7, 10));
    // The left column that no diagonal line reaches shows the face colour, not garbage.
    EXPECT_EQ(px(id, 0, 19), 0x000000u);
}

TEST(GradPanel, GradientHalvesRoundToEven) {
    TGradPanel p;
    plainPanel(p, TGradPanel::fdVertical, 4, 4, RGBColor(2, 6, 0)); // steps 0.5 and 1.5
    const QImage img = p.Render();
    EXPECT_EQ(px(img, 1, 1), RGBColor(0, 2, 0));
    EXPECT_EQ(px(img, 1, 2), RGBColor(1, 3, 0));
    EXPECT_EQ(px(img, 1, 3), RGBColor(2, 4, 0)); // 1.5 -> 2, 4.5 -> 4
}

TEST(GradPanel, BevelRings) {
    TGradPanel p;
    p.resize(40, 30);
    p.setColor(TGradPanel::ciColorFace, 0xFFFFFF);
    p.setColor(TGradPanel::ciColorGrad, 0xFFFFFF);
    p.setColor(TGradPanel::ciColorLight, 0x00FF00);
    p.setColor(TGradPanel::ciColorDark, 0x0000FF);
    const TColor L = 0x00FF00, D = 0x0000FF, W = 0xFFFFFF;
    auto sides = [](const QImage& img, int k) {
        return std::array<TColor, 4>{px(img, k, 15), px(img, 20, k), px(img, 39 - k, 15),
                                     px(img, 20, 29 - k)}; // left, top, right, bottom
    };
    using A = std::array<TColor, 4>;

    p.setBevelOuter(TGradPanel::bvLowered);
    QImage img = p.Render();
    EXPECT_EQ(sides(img, 0), (A{D, D, L, L}));
    EXPECT_EQ(sides(img, 1), (A{W, W, W, W}));

    p.setBevelOuter(TGradPanel::bvRaised);
    p.setBevelInner(TGradPanel::bvLowered);
    p.setBevelWidth(2);
    img = p.Render();
    EXPECT_EQ(sides(img, 0), (A{L, L, D, D}));
    EXPECT_EQ(sides(img, 1), (A{L, L, D, D}));
    EXPECT_EQ(sides(img, 2), (A{D, D, L, L}));
    EXPECT_EQ(sides(img, 3), (A{D, D, L, L}));
    EXPECT_EQ(sides(img, 4), (A{W, W, W, W}));

    // Only an inner bevel starts at the edge; bvSpace looks raised.
    p.setBevelOuter(TGradPanel::bvNone);
    p.setBevelInner(TGradPanel::bvSpace);
    p.setBevelWidth(1);
    img = p.Render();
    EXPECT_EQ(sides(img, 0), (A{L, L, D, D}));
    EXPECT_EQ(sides(img, 1), (A{W, W, W, W}));
}

TEST(GradPanel, CaptionPlacement) {
    auto inkLeft = [](TGradPanel::TAlignment a, TGradPanel::TBevelCut outer,
                      TGradPanel::TBevelCut inner, int width) {
        TGradPanel p;
        p.resize(200, 40);
        p.setColorScheme(TGradPanel::csSilver);
        p.setCaption(QStringLiteral("Hello"));
        p.setAlignment(a);
        p.setBevelOuter(outer);
        p.setBevelInner(inner);
        p.setBevelWidth(width);
        return bboxOf(p.Render(), 0x000000);
    };
    using P = TGradPanel;
    // Left: BevelWidth + 2, plus BevelWidth more with both bevels: 2 + 2 + 2 = 6 for width 2.
    const QRect base = inkLeft(P::taLeftJustify, P::bvRaised, P::bvNone, 1); // x = 3
    const QRect both = inkLeft(P::taLeftJustify, P::bvRaised, P::bvLowered, 2);
    ASSERT_FALSE(base.isNull());
    EXPECT_EQ(both.left() - base.left(), 6 - 3);
    EXPECT_EQ(both.top(), base.top());
    // Right: mirrored.
    const QRect right = inkLeft(P::taRightJustify, P::bvRaised, P::bvNone, 1);
    const QRect rightBoth = inkLeft(P::taRightJustify, P::bvRaised, P::bvLowered, 2);
    EXPECT_EQ(right.left() - rightBoth.left(), 3);
    // Centre ignores the bevels.
    EXPECT_EQ(inkLeft(P::taCenter, P::bvRaised, P::bvNone, 1),
              inkLeft(P::taCenter, P::bvRaised, P::bvLowered, 3));
    EXPECT_GT(inkLeft(P::taCenter, P::bvNone, P::bvNone, 1).left(), base.left());
}

TEST(GradPanel, ZeroSizesDrawNoGradient) {
    TGradPanel p;
    for (auto fill : {TGradPanel::fdHorizontal, TGradPanel::fdVertical, TGradPanel::fdDiagonal}) {
        p.setFillDirection(fill);
        p.resize(0, 0);
        EXPECT_TRUE(p.Render().isNull());
        p.resize(0, 10);
        EXPECT_TRUE(p.Render().isNull());
        p.resize(10, 0);
        EXPECT_TRUE(p.Render().isNull());
    }
    p.resize(1, 1); // one step: face, no division trouble
    p.setBevelOuter(TGradPanel::bvNone);
    EXPECT_EQ(px(p.Render(), 0, 0), 0xFFFFFFu);
}

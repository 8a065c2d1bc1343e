// The gradient button's looks: colour schemes, the gradient rows, border, 3D edges, focus
// rectangle, and where glyph and caption land for each layout.
#include "controls/GradButton.h"
#include "paint_support.h"

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using painttest::bboxOf;
using painttest::px;

namespace {

constexpr TColor K = 0xFFFFFFFFu; // the scheme leaves this colour as it was

struct SchemeRow {
    TGradButton::TColorScheme scheme;
    bool gradient;
    TColor colors[25]; // by property index
};

// clang-format off
const SchemeRow kTable[] = {
    {TGradButton::csNeoDesert, true, {0xC6ECFF, 0x37BEFF, 0x009CE8, 0xB9E7FF, 0x005680, 0x000000, 0xB3E7FF, 0x00A3F0, 0x008ED2, 0x95DAFF, 0x005680, 0x000000, 0x2BBAFF, 0x77D2FF, 0x8AD9FF, 0x0077B7, 0x0070A6, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0x4080FF}},
    {TGradButton::csNeoSky, true, {0xFFEEDD, 0xFFB66C, 0xFFA851, 0xFFECD9, 0xB35900, 0x000000, 0xFFEBD7, 0xFFA346, 0xFF9E3E, 0xFFE4CA, 0xB35900, 0x000000, 0xFFB366, 0xFFCE9D, 0xFFD3A8, 0xFF9E3E, 0xB35900, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0xFFA953}},
    {TGradButton::csNeoGrass, true, {0xDDF9E8, 0x5EDF8E, 0x24B95C, 0xCBF5DB, 0x156F37, 0x000000, 0xBFF2D2, 0x3DD877, 0x23B459, 0xB5F0CB, 0x17793D, 0x000000, 0x4EDC83, 0x80E6A6, 0x89E7AC, 0x177D3E, 0x167439, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0x24B95C}},
    {TGradButton::csNeoSilver, true, {0xF3F3F3, 0xBCBCBC, 0xA7A7A7, 0xF7F7F7, 0x626262, 0x000000, 0xF0F0F0, 0xA6A6A6, 0xA2A2A2, 0xEEEEEE, 0x757575, 0x000000, 0xCACACA, 0xDADADA, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0xADADAD}},
    {TGradButton::csNeoRose, true, {0xE8E8FF, 0x9595FF, 0x8282FF, 0xDDDDFF, 0x00009D, 0x000000, 0xDFDFFF, 0x7777FF, 0x6A6AFF, 0xD7D7FF, 0x00009D, 0x000000, 0xA6A6FF, 0xB9B9FF, 0xCECEFF, 0x5E5EFF, 0x00009D, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0x5E5EFF}},
    {TGradButton::csNeoSun, true, {0xF0FFFF, 0x20D8F9, 0x00BBBB, 0xF2FFFF, 0x006464, 0x000000, 0xD5FCFF, 0x05BCDC, 0x00A6A6, 0xCCFFFF, 0x006464, 0x000000, 0x05D1F5, 0x66F0FB, 0x66F3FF, 0x008484, 0x006464, 0x000000, 0xEEEEEE, 0xFFFFFF, 0xD2D2D2, 0xFFFFFF, 0x808080, 0x808080, 0x00BBBB}},
    {TGradButton::csDesert, false, {0x95DDFF, K, 0x009CE8, 0xB9E7FF, 0x005680, 0x000000, 0x6FD0FF, K, 0x008ED2, 0x95DAFF, 0x005680, 0x000000, 0x6FD0FF, K, 0x8AD9FF, 0x0077B7, 0x0070A6, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0x4080FF}},
    {TGradButton::csGrass, false, {0x98EBB7, K, 0x24B95C, 0xCBF5DB, 0x156F37, 0x000000, 0x68E196, K, 0x23B459, 0xB5F0CB, 0x17793D, 0x000000, 0x4EDC83, K, 0x89E7AC, 0x177D3E, 0x167439, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0x00A421}},
    {TGradButton::csSky, false, {0xFFE0C1, K, 0xFFA953, 0xFFECD9, 0xB35900, 0x000000, 0xFFCD9B, K, 0xFFB164, 0xFFE4CA, 0xB35900, 0x000000, 0xFFC082, K, 0xFFD3A8, 0xFF9122, 0xB35900, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0xDC9B14}},
    {TGradButton::csSun, false, {0xA8FFFF, K, 0x00BBBB, 0xF2FFFF, 0x006464, 0x000000, 0x66F3FF, K, 0x00A6A6, 0xCCFFFF, 0x006464, 0x000000, 0x22EEFF, K, 0x66F3FF, 0x008484, 0x006464, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0x008CF4}},
    {TGradButton::csRose, false, {0xC6C6FF, K, 0x8282FF, 0xDDDDFF, 0x00009D, 0x000000, 0xB0B0FF, K, 0x6A6AFF, 0xD7D7FF, 0x00009D, 0x000000, 0x9F9FFF, K, 0x8888FF, 0x5E5EFF, 0x00009D, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0x5E5EFF}},
    {TGradButton::csSilver, false, {0xE0E0E0, K, 0xAEAEAE, 0xF7F7F7, 0x626262, 0x000000, 0xCFCFCF, K, 0x797979, 0xEEEEEE, 0x757575, 0x000000, 0xD3D3D3, K, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E, 0x000000, 0xE2E2E2, K, 0xD8D8D8, 0xEAEAEA, 0xC4C4C4, 0x808080, 0x8A8A8A}},
};
// clang-format on

// A shown top-level host so that mouse and focus events reach the button.
struct Host {
    QWidget window;
    TGradButton* b;
    explicit Host(int w = 75, int h = 25) {
        window.resize(w + 40, h + 40);
        b = new TGradButton(&window);
        b->setGeometry(20, 20, w, h);
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowExposed(&window);
    }
};

void press(TGradButton* b) {
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(5, 5));
}

QImage glyphImage(int w, int h) {
    QImage g(w, h, QImage::Format_RGB32);
    g.fill(TColorToQColor(0xFF00FF));
    g.setPixel(0, 0, TColorToQColor(0x00FF00).rgb()); // the transparent key, top-left
    return g;
}

constexpr TColor kGlyph = 0xFF00FF;

} // namespace

TEST(GradButtonLook, NewButtonHasNeoDesertWithWhiteStateGradients) {
    TGradButton b;
    EXPECT_EQ(b.size(), QSize(75, 25));
    EXPECT_EQ(b.ColorScheme(), TGradButton::csNeoDesert);
    EXPECT_TRUE(b.Gradient());
    EXPECT_TRUE(b.Ctl3D());
    EXPECT_TRUE(b.HotTrack());
    EXPECT_TRUE(b.TransparentGlyph());
    EXPECT_EQ(b.Spacing(), 4);
    EXPECT_EQ(b.ButtonLayout(), TGradButton::blGlyphLeft);
    EXPECT_TRUE(b.Glyph().isNull());
    EXPECT_EQ(b.ModalResult(), 0);
    EXPECT_FALSE(b.Cancel());
    EXPECT_FALSE(b.Default());
    EXPECT_EQ(b.focusPolicy(), Qt::StrongFocus);
    for (int i = 0; i < 25; ++i) {
        const bool white = i == TGradButton::ciOverColorGrad || i == TGradButton::ciDownColorGrad ||
                           i == TGradButton::ciDisabledColorGrad;
        EXPECT_EQ(b.Color(i), white ? 0xFFFFFFu : kTable[0].colors[i]) << "index " << i;
    }
}

TEST(GradButtonLook, EverySchemeSetsItsTableValues) {
    for (const SchemeRow& row : kTable) {
        TGradButton b;
        for (int i = 0; i < 25; ++i)
            b.setColor(i, 0x010203 + i); // recognisable leftovers
        b.setGradient(!row.gradient);
        b.setColorScheme(row.scheme);
        EXPECT_EQ(b.ColorScheme(), row.scheme);
        EXPECT_EQ(b.Gradient(), row.gradient) << row.scheme;
        for (int i = 0; i < 25; ++i) {
            const TColor want = row.colors[i] == K ? TColor(0x010203 + i) : row.colors[i];
            EXPECT_EQ(b.Color(i), want) << "scheme " << row.scheme << " index " << i;
        }
    }
}

TEST(GradButtonLook, ColourWritesSwitchToCustomAndSchemesRestore) {
    TGradButton b;
    b.setColorScheme(TGradButton::csGrass);
    b.setColor(TGradButton::ciColorFace, 0x123456);
    EXPECT_EQ(b.ColorScheme(), TGradButton::csCustom);
    EXPECT_EQ(b.Color(TGradButton::ciColorFace), 0x123456u);
    b.setGradient(true);
    b.setColorScheme(TGradButton::csGrass);
    EXPECT_EQ(b.Color(TGradButton::ciColorFace), 0x98EBB7u);
    EXPECT_FALSE(b.Gradient());

    // csCustom changes neither colours nor Gradient.
    b.setGradient(true);
    b.setColorScheme(TGradButton::csCustom);
    EXPECT_EQ(b.Color(TGradButton::ciColorFace), 0x98EBB7u);
    EXPECT_TRUE(b.Gradient());
}

TEST(GradButtonLook, StoredPropertiesRestoreInOrder) {
    // Form data: every colour, then the scheme, then Gradient.
    TGradButton b;
    for (int i = 0; i < 25; ++i)
        b.setColor(i, 0x404040);
    b.setColorScheme(TGradButton::csDesert);
    b.setGradient(true);
    EXPECT_EQ(b.ColorScheme(), TGradButton::csDesert);
    EXPECT_TRUE(b.Gradient());
    EXPECT_EQ(b.Color(TGradButton::ciColorFace), 0x95DDFFu);
    EXPECT_EQ(b.Color(TGradButton::ciColorGrad), 0x404040u); // stored gradient survives
    EXPECT_EQ(b.Color(TGradButton::ciDisabledColorGrad), 0x404040u);
}

TEST(GradButtonLook, GradientRowsRunFromFaceToGradient) {
    TGradButton b; // 75 x 25, csNeoDesert: $C6ECFF to $37BEFF
    const QImage img = b.Render();
    ASSERT_EQ(img.size(), QSize(75, 25));
    // face + (grad - face) * y / 25 per channel, rounded to nearest.
    const struct {
        int y;
        TColor c;
    } rows[] = {
        {2, RGBColor(255, 232, 187)}, {12, RGBColor(255, 214, 129)}, {22, RGBColor(255, 196, 72)}};
    for (const auto& r : rows)
        for (int x = 2; x <= 72; ++x)
            ASSERT_EQ(px(img, x, r.y), r.c) << "row " << r.y << " x " << x;

    b.setGradient(false);
    const QImage flat = b.Render();
    EXPECT_EQ(px(flat, 37, 2), 0xC6ECFFu);
    EXPECT_EQ(px(flat, 37, 22), 0xC6ECFFu);
}

TEST(GradButtonLook, GradientHalvesRoundToEven) {
    TGradButton b;
    b.resize(10, 4);
    b.setCtl3D(false);
    b.setColor(TGradButton::ciColorFace, RGBColor(0, 0, 10));
    b.setColor(TGradButton::ciColorGrad, RGBColor(2, 6, 10)); // steps 0.5 and 1.5 per row
    b.setGradient(true);
    const QImage img = b.Render();
    EXPECT_EQ(px(img, 5, 1), RGBColor(0, 2, 10)); // 0.5 -> 0, 1.5 -> 2
    EXPECT_EQ(px(img, 5, 2), RGBColor(1, 3, 10));
}

TEST(GradButtonLook, BorderRingAndEdges) {
    TGradButton b;
    const QImage img = b.Render();
    const int W = 75, H = 25;
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(px(img, x, 0), 0x005680u) << x;
        EXPECT_EQ(px(img, x, H - 1), 0x005680u) << x;
    }
    for (int y = 0; y < H; ++y) {
        EXPECT_EQ(px(img, 0, y), 0x005680u) << y;
        EXPECT_EQ(px(img, W - 1, y), 0x005680u) << y;
    }
    // Light edge left and top, dark edge right and bottom; each line leaves out its end.
    for (int y = 2; y <= H - 2; ++y)
        EXPECT_EQ(px(img, 1, y), 0xB9E7FFu) << y;
    for (int x = 1; x <= W - 3; ++x)
        EXPECT_EQ(px(img, x, 1), 0xB9E7FFu) << x;
    for (int y = 1; y <= H - 3; ++y)
        EXPECT_EQ(px(img, W - 2, y), 0x009CE8u) << y;
    for (int x = 2; x <= W - 2; ++x)
        EXPECT_EQ(px(img, x, H - 2), 0x009CE8u) << x;
    EXPECT_EQ(px(img, W - 2, 1), 0x009CE8u);
    EXPECT_EQ(px(img, 1, H - 2), 0xB9E7FFu);

    b.setCtl3D(false);
    const QImage flat = b.Render();
    EXPECT_EQ(px(flat, 1, 12), px(flat, 37, 12)); // gradient reaches the border
    EXPECT_EQ(px(flat, 0, 12), 0x005680u);
}

TEST(GradButtonLook, PressedLookUsesTheDownSet) {
    Host h;
    press(h.b);
    ASSERT_EQ(h.b->State(), TGradButton::bsDown);
    const QImage img = h.b->Render();
    EXPECT_EQ(px(img, 0, 12), 0x0070A6u);  // DownColorBorder
    EXPECT_EQ(px(img, 1, 12), 0x0077B7u);  // DownColorLight: dark on the left
    EXPECT_EQ(px(img, 37, 1), 0x0077B7u);  // and on top
    EXPECT_EQ(px(img, 73, 12), 0x8AD9FFu); // DownColorDark: light on the right
    EXPECT_EQ(px(img, 37, 23), 0x8AD9FFu); // and at the bottom
    // Down gradient of a new button: $2BBAFF to white; row 2 is 2/25 of the way.
    EXPECT_EQ(px(img, 37, 2), RGBColor(255, 192, 60));
    QTest::mouseRelease(h.b, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(GradButtonLook, HoverLookUsesTheOverSet) {
    Host h;
    QTest::mouseMove(h.b, QPoint(10, 10));
    ASSERT_EQ(h.b->State(), TGradButton::bsOver);
    const QImage img = h.b->Render();
    EXPECT_EQ(px(img, 0, 12), 0x005680u);
    EXPECT_EQ(px(img, 1, 12), 0x95DAFFu);
    EXPECT_EQ(px(img, 73, 12), 0x008ED2u);
    EXPECT_EQ(px(img, 37, 2), RGBColor(255, 233, 185)); // $B3E7FF towards white
}

TEST(GradButtonLook, DisabledLookWinsOverState) {
    Host h;
    h.b->setCaption(QStringLiteral("Off"));
    h.b->setColorScheme(TGradButton::csSilver);
    h.b->setEnabled(false);
    const QImage img = h.b->Render();
    EXPECT_EQ(px(img, 0, 12), 0xC4C4C4u);
    EXPECT_EQ(px(img, 1, 12), 0xEAEAEAu);
    EXPECT_EQ(px(img, 73, 12), 0xD8D8D8u);
    EXPECT_EQ(px(img, 10, 12), 0xE2E2E2u);        // no gradient for a plain scheme
    EXPECT_FALSE(bboxOf(img, 0x808080).isNull()); // grey caption
    EXPECT_TRUE(bboxOf(img, 0x000000).isNull());
}

TEST(GradButtonLook, FocusRectangle) {
    Host h;
    h.b->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.window));
    ASSERT_TRUE(h.b->hasFocus());
    const QImage img = h.b->Render();
    const int W = 75, H = 25;
    for (int x = 3; x <= W - 4; ++x) {
        EXPECT_EQ(px(img, x, 3), 0x4080FFu) << x;
        EXPECT_EQ(px(img, x, H - 4), 0x4080FFu) << x;
    }
    for (int y = 3; y <= H - 4; ++y) {
        EXPECT_EQ(px(img, 3, y), 0x4080FFu) << y;
        EXPECT_EQ(px(img, W - 4, y), 0x4080FFu) << y;
    }
    EXPECT_NE(px(img, 4, 4), 0x4080FFu);
    h.b->clearFocus();
    QCoreApplication::processEvents();
    EXPECT_NE(px(h.b->Render(), 3, 12), 0x4080FFu);
}

TEST(GradButtonLook, GlyphAloneIsCentred) {
    for (auto layout : {TGradButton::blGlyphLeft, TGradButton::blGlyphRight}) {
        for (int gw : {7, 8}) {
            TGradButton b;
            b.setButtonLayout(layout);
            b.setGlyph(glyphImage(gw, 5));
            const QRect g = bboxOf(b.Render(), kGlyph);
            EXPECT_EQ(g, QRect((75 - gw) / 2, 10, gw, 5)) << layout << " width " << gw;
        }
    }
    // Top and bottom with no caption: centred across, half the glyph off the middle line.
    TGradButton top;
    top.resize(75, 40);
    top.setButtonLayout(TGradButton::blGlyphTop);
    top.setGlyph(glyphImage(7, 5));
    const int th = QFontMetrics(top.font()).height();
    EXPECT_EQ(bboxOf(top.Render(), kGlyph).topLeft(), QPoint(34, (40 - th) / 2 - 3));
}

namespace {

// Caption metrics the way the button measures them.
QSize captionSize(const TGradButton& b) {
    QImage scratch(1, 1, QImage::Format_RGB32);
    Canvas c(&scratch);
    c.Font = b.font();
    return QSize(c.TextWidth(b.Caption()), c.TextHeight(b.Caption()));
}

struct Placement {
    QRect glyph;
    QPoint text; // where the caption cell starts
};

Placement place(TGradButton::TButtonLayout layout, int gw, int gh, int spacing, bool down = false) {
    Host h(120, 60);
    h.b->setCaption(QStringLiteral("Go"));
    TGradButton ref(&h.window); // same caption without a glyph: finds the ink's offset
    ref.setGeometry(0, 0, 120, 60);
    ref.setCaption(QStringLiteral("Go"));
    const QSize ts = captionSize(ref);
    const QRect ink0 = bboxOf(ref.Render(), 0x000000);
    const QPoint bearing = ink0.topLeft() - QPoint((120 - ts.width()) / 2, (60 - ts.height()) / 2);

    h.b->setButtonLayout(layout);
    h.b->setSpacing(spacing);
    h.b->setGlyph(glyphImage(gw, gh));
    if (down)
        press(h.b);
    const QImage img = h.b->Render();
    if (down)
        QTest::mouseRelease(h.b, Qt::LeftButton, {}, QPoint(5, 5));
    return {bboxOf(img, kGlyph), bboxOf(img, 0x000000).topLeft() - bearing};
}

} // namespace

TEST(GradButtonLook, GlyphAndCaptionForEachLayout) {
    TGradButton m;
    m.setCaption(QStringLiteral("Go"));
    const QSize ts = captionSize(m);
    const int tw = ts.width(), th = ts.height();
    const int tx = (120 - tw) / 2, ty = (60 - th) / 2;
    const int gw = 7, gh = 5, sp = 5;

    Placement p = place(TGradButton::blGlyphLeft, gw, gh, sp);
    EXPECT_EQ(p.glyph, QRect(tx - 3 - 2 - 1, (60 - gh) / 2, gw, gh));
    EXPECT_EQ(p.text, QPoint(tx + 3 + 2, ty));

    p = place(TGradButton::blGlyphRight, gw, gh, sp);
    EXPECT_EQ(p.glyph, QRect(tx + tw - 3 + 2 + 1, (60 - gh) / 2, gw, gh));
    EXPECT_EQ(p.text, QPoint(tx - 3 - 2, ty));

    p = place(TGradButton::blGlyphTop, gw, gh, sp);
    EXPECT_EQ(p.glyph, QRect((120 - gw) / 2, ty - 2 - 1 - 2 - 1, gw, gh));
    EXPECT_EQ(p.text, QPoint(tx, ty + 2 + 2));

    p = place(TGradButton::blGlyphBottom, gw, gh, sp);
    EXPECT_EQ(p.glyph, QRect((120 - gw) / 2, ty + th - 2 + 2 + 1, gw, gh));
    EXPECT_EQ(p.text, QPoint(tx, ty - 2 - 2));

    // Pressed: glyph and caption one pixel right and down.
    p = place(TGradButton::blGlyphLeft, gw, gh, sp, true);
    EXPECT_EQ(p.glyph, QRect(tx - 3 - 2 - 1 + 1, (60 - gh) / 2 + 1, gw, gh));
    EXPECT_EQ(p.text, QPoint(tx + 3 + 2 + 1, ty + 1));
}

TEST(GradButtonLook, GapBetweenGlyphAndCaption) {
    // An odd-width glyph on the left loses a pixel of the spacing; other sides keep it.
    const Placement left = place(TGradButton::blGlyphLeft, 7, 5, 4);
    EXPECT_EQ(left.text.x() - (left.glyph.right() + 1), 3);
    const Placement leftEven = place(TGradButton::blGlyphLeft, 8, 5, 4);
    EXPECT_EQ(leftEven.text.x() - (leftEven.glyph.right() + 1), 4);
    const Placement top = place(TGradButton::blGlyphTop, 7, 6, 4);
    EXPECT_EQ(top.text.y() - (top.glyph.bottom() + 1), 4);
}

TEST(GradButtonLook, GlyphTransparencyAndOwnedCopy) {
    TGradButton b;
    QImage g = glyphImage(6, 6);
    b.setGlyph(g);
    g.fill(Qt::red); // the button keeps its own copy
    QImage img = b.Render();
    const QRect box = bboxOf(img, kGlyph);
    ASSERT_EQ(box.size(), QSize(6, 6));
    EXPECT_NE(px(img, box.left(), box.top()), 0x00FF00u); // key pixel left out
    EXPECT_TRUE(bboxOf(img, 0x0000FF).isNull());

    b.setTransparentGlyph(false);
    img = b.Render();
    EXPECT_EQ(px(img, box.left(), box.top()), 0x00FF00u);

    // A glyph with a see-through background keeps its black ink.
    QImage icon(6, 6, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(3, 3, qRgb(0, 0, 0));
    b.setTransparentGlyph(true);
    b.setGlyph(icon);
    img = b.Render();
    EXPECT_EQ(bboxOf(img, 0x000000).size(), QSize(1, 1));
    EXPECT_EQ(px(img, 34, 10), px(TGradButton().Render(), 34, 10)); // background shows through
}

TEST(GradButtonLook, AcceleratorIsUnderlined) {
    TGradButton plain, marked;
    plain.setCaption(QStringLiteral("Close"));
    marked.setCaption(QStringLiteral("&Close"));
    const QRect a = bboxOf(plain.Render(), 0), b = bboxOf(marked.Render(), 0);
    ASSERT_FALSE(a.isNull());
    EXPECT_GT(b.bottom(), a.bottom());
}

TEST(GradButtonLook, EmptyButtonsDrawNothing) {
    TGradButton b;
    b.resize(75, 0);
    EXPECT_TRUE(b.Render().isNull());
    b.resize(0, 25);
    EXPECT_TRUE(b.Render().isNull());
    b.resize(75, 1); // one row: the border only, and no gradient step trouble
    const QImage img = b.Render();
    ASSERT_EQ(img.size(), QSize(75, 1));
    EXPECT_EQ(px(img, 37, 0), 0x005680u);
}

#include "controls/GradPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

struct PanelScheme {
    TColor face, grad, light, dark;
};

// Indexed by TGradPanel::TColorScheme; csCustom (0) is unused.
constexpr PanelScheme kPanelSchemes[7] = {
    {0, 0, 0, 0},
    {0xFFFFFF, 0xA4E1FF, 0x008FD5, 0x00699B}, // csDesert
    {0xFFFFFF, 0xB0F2CB, 0x3EB56A, 0x156F37}, // csGrass
    {0xFFFFFF, 0xDAE0DE, 0x7D7D7D, 0x626262}, // csSilver
    {0xFFFFFF, 0xFFE0C1, 0xF0964D, 0xB35900}, // csSky
    {0xFFFFFF, 0xCCCCFF, 0x0651CC, 0x00009D}, // csRose
    {0xFFFFFF, 0xBFFFFF, 0x009595, 0x006464}, // csSun
};

} // namespace

struct TGradPanel::Data {
    TColor colors[4] = {};
    TColorScheme scheme = csCustom;
    TFillDirection fill = fdVertical;
    QString caption;
    TAlignment alignment = taCenter;
    TBevelCut bevelInner = bvNone;
    TBevelCut bevelOuter = bvRaised;
    int bevelWidth = 1;
    TColor fontColor = clBlack;
};

TGradPanel::TGradPanel(QWidget* parent) : QWidget(parent), d(new Data) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    d->colors[ciColorDark] = 0x000000;
    d->colors[ciColorLight] = 0xC0C0C0;
    d->fill = fdVertical;
    setColorScheme(csDesert);
}

TGradPanel::~TGradPanel() {
    delete d;
}

QSize TGradPanel::sizeHint() const {
    return QSize(185, 41);
}

TColor TGradPanel::Color(int index) const {
    return index >= 0 && index < 4 ? d->colors[index] : 0;
}

void TGradPanel::setColor(int index, TColor color) {
    if (index < 0 || index >= 4)
        return;
    d->colors[index] = color & 0xFFFFFF;
    d->scheme = csCustom;
    update();
}

TGradPanel::TColorScheme TGradPanel::ColorScheme() const {
    return d->scheme;
}

void TGradPanel::setColorScheme(TColorScheme scheme) {
    d->scheme = scheme;
    if (scheme > csCustom && scheme <= csSun) {
        const PanelScheme& s = kPanelSchemes[scheme];
        d->colors[ciColorFace] = s.face;
        d->colors[ciColorGrad] = s.grad;
        d->colors[ciColorLight] = s.light;
        d->colors[ciColorDark] = s.dark;
    }
    update();
}

TGradPanel::TFillDirection TGradPanel::FillDirection() const {
    return d->fill;
}
void TGradPanel::setFillDirection(TFillDirection direction) {
    d->fill = direction;
    update();
}

QString TGradPanel::Caption() const {
    return d->caption;
}
void TGradPanel::setCaption(const QString& caption) {
    d->caption = caption;
    update();
}
TGradPanel::TAlignment TGradPanel::Alignment() const {
    return d->alignment;
}
void TGradPanel::setAlignment(TAlignment alignment) {
    d->alignment = alignment;
    update();
}
TGradPanel::TBevelCut TGradPanel::BevelInner() const {
    return d->bevelInner;
}
void TGradPanel::setBevelInner(TBevelCut bevel) {
    d->bevelInner = bevel;
    update();
}
TGradPanel::TBevelCut TGradPanel::BevelOuter() const {
    return d->bevelOuter;
}
void TGradPanel::setBevelOuter(TBevelCut bevel) {
    d->bevelOuter = bevel;
    update();
}
int TGradPanel::BevelWidth() const {
    return d->bevelWidth;
}
void TGradPanel::setBevelWidth(int width) {
    d->bevelWidth = std::max(1, width);
    update();
}
TColor TGradPanel::FontColor() const {
    return d->fontColor;
}
void TGradPanel::setFontColor(TColor color) {
    d->fontColor = color & 0xFFFFFF;
    update();
}

QImage TGradPanel::Render() const {
    const int CW = width(), CH = height();
    if (CW <= 0 || CH <= 0)
        return QImage();
    QImage img(CW, CH, QImage::Format_RGB32);
    const TColor face = d->colors[ciColorFace], grad = d->colors[ciColorGrad];
    // Pixels the gradient lines do not reach (the left column of a diagonal fill) show the
    // face colour.
    img.fill(TColorToQColor(face));
    Canvas c(&img);

    // 1. Gradient, n + 1 one-pixel lines with a running floating-point value.
    int n = 0;
    switch (d->fill) {
    case fdHorizontal:
        n = CW;
        break;
    case fdVertical:
        n = CH;
        break;
    case fdDiagonal:
        n = CW + CH;
        break;
    }
    if (n > 0) {
        double r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
        const double dr = double(GetRValue(grad) - GetRValue(face)) / n;
        const double dg = double(GetGValue(grad) - GetGValue(face)) / n;
        const double db = double(GetBValue(grad) - GetBValue(face)) / n;
        for (int i = 0; i <= n; ++i) {
            c.Pen.Color =
                RGBColor(int(std::nearbyint(r)), int(std::nearbyint(g)), int(std::nearbyint(b)));
            switch (d->fill) {
            case fdHorizontal:
                c.MoveTo(i, 0);
                c.LineTo(i, CH);
                break;
            case fdVertical:
                c.MoveTo(0, i);
                c.LineTo(CW, i);
                break;
            case fdDiagonal:
                c.MoveTo(i, 0);
                c.LineTo(0, i);
                break;
            }
            r += dr;
            g += dg;
            b += db;
        }
    }

    // 2. Caption, placed by the alignment and the bevels, centred by a fixed sample height.
    const int bw = d->bevelWidth;
    c.Font = font();
    c.Font.Color = d->fontColor;
    const int tw = c.TextWidth(d->caption);
    int x = 0;
    switch (d->alignment) {
    case taLeftJustify:
        x = bw + 2;
        break;
    case taRightJustify:
        x = CW - bw - tw - 2;
        break;
    case taCenter:
        x = (CW - tw) / 2;
        break;
    }
    if (d->bevelInner != bvNone && d->bevelOuter != bvNone) {
        if (d->alignment == taLeftJustify)
            x += bw;
        else if (d->alignment == taRightJustify)
            x -= bw;
    }
    const int y = (CH - c.TextHeight(QStringLiteral("AaBbCcDd"))) / 2;
    c.Brush.Style = TBrushStyle::bsClear;
    if (!d->caption.isEmpty())
        c.TextOut(x, y, d->caption);

    // 3. Bevel rings.
    auto ring = [&](int k, TColor topLeft, TColor bottomRight) {
        c.Pen.Color = topLeft;
        c.MoveTo(k, CH - k - 1);
        c.LineTo(k, k);
        c.LineTo(CW - k - 1, k);
        c.Pen.Color = bottomRight;
        c.LineTo(CW - k - 1, CH - k - 1);
        c.LineTo(k, CH - k - 1);
    };
    auto bevel = [&](TBevelCut kind, int start) {
        const TColor tl = kind == bvLowered ? d->colors[ciColorDark] : d->colors[ciColorLight];
        const TColor br = kind == bvLowered ? d->colors[ciColorLight] : d->colors[ciColorDark];
        for (int k = start; k < start + bw; ++k)
            ring(k, tl, br);
    };
    if (d->bevelOuter != bvNone)
        bevel(d->bevelOuter, 0);
    if (d->bevelInner != bvNone)
        bevel(d->bevelInner, d->bevelOuter != bvNone ? bw : 0);
    return img;
}

void TGradPanel::paintEvent(QPaintEvent*) {
    const QImage img = Render();
    if (img.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, img);
}

void TGradPanel::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void TGradPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

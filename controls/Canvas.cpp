#include "controls/Canvas.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

QColor TColorToQColor(TColor c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToTColor(const QColor& c) {
    return RGBColor(c.red(), c.green(), c.blue());
}

TColor QRgbToTColor(unsigned int rgb) {
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

TAccelText StripAccelerator(const QString& caption) {
    TAccelText out;
    out.Text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar ch = caption[i];
        if (ch == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&' && out.AccelPos < 0)
                out.AccelPos = int(out.Text.size());
            out.Text += caption[i];
        } else {
            out.Text += ch;
        }
    }
    return out;
}

QChar AcceleratorChar(const QString& caption) {
    const TAccelText t = StripAccelerator(caption);
    if (t.AccelPos < 0)
        return QChar();
    return t.Text[t.AccelPos].toLower();
}

Canvas::Canvas(QPaintDevice* device) : device_(device), painter_(std::make_unique<QPainter>()) {
    painter_->begin(device_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
}

Canvas::~Canvas() {
    if (painter_->isActive())
        painter_->end();
}

QPainter& Canvas::Painter() {
    return *painter_;
}

int Canvas::Width() const {
    return device_->width();
}
int Canvas::Height() const {
    return device_->height();
}

void Canvas::hline(int x0, int x1, int y, const QColor& c) {
    // Covers x0..x1 inclusive, either order.
    if (x1 < x0)
        std::swap(x0, x1);
    painter_->fillRect(QRect(x0, y, x1 - x0 + 1, 1), c);
}

void Canvas::vline(int x, int y0, int y1, const QColor& c) {
    if (y1 < y0)
        std::swap(y0, y1);
    painter_->fillRect(QRect(x, y0, 1, y1 - y0 + 1), c);
}

void Canvas::plot(int x, int y) {
    painter_->fillRect(QRect(x, y, 1, 1), TColorToQColor(Pen.Color));
}

void Canvas::line(int x0, int y0, int x1, int y1) {
    if (Pen.Style == TPenStyle::psClear || (x0 == x1 && y0 == y1))
        return;
    const QColor c = TColorToQColor(Pen.Color);
    if (Pen.Width > 1) {
        // Wide pens are rare here; they are drawn as the painter does, without the end cap.
        QPen pen(c, Pen.Width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        painter_->setPen(pen);
        painter_->drawLine(x0, y0, x1, y1);
        painter_->setPen(Qt::NoPen);
        return;
    }
    if (y0 == y1) {
        hline(x0, x1 > x0 ? x1 - 1 : x1 + 1, y0, c);
        return;
    }
    if (x0 == x1) {
        vline(x0, y0, y1 > y0 ? y1 - 1 : y1 + 1, c);
        return;
    }
    // Bresenham, stopping before the end point.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        painter_->fillRect(QRect(x, y, 1, 1), c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Canvas::Rectangle(int l, int t, int r, int b) {
    if (r < l)
        std::swap(l, r);
    if (b < t)
        std::swap(t, b);
    if (Pen.Style == TPenStyle::psClear) {
        // Without a pen the classic Rectangle fills one pixel less to the right and bottom.
        if (Brush.Style == TBrushStyle::bsSolid)
            FillRect(l, t, r - 1, b - 1);
        return;
    }
    const int w = std::max(1, Pen.Width);
    if (Brush.Style == TBrushStyle::bsSolid)
        FillRect(l + w, t + w, r - w, b - w);
    // The outline lies inside the rectangle, w pixels thick.
    const QColor c = TColorToQColor(Pen.Color);
    for (int k = 0; k < w; ++k) {
        const int L = l + k, T = t + k, R = r - 1 - k, B = b - 1 - k;
        if (R < L || B < T)
            break;
        hline(L, R, T, c);
        hline(L, R, B, c);
        vline(L, T, B, c);
        vline(R, T, B, c);
    }
}

void Canvas::FillRect(int l, int t, int r, int b) {
    if (r <= l || b <= t)
        return;
    painter_->fillRect(QRect(l, t, r - l, b - t), TColorToQColor(Brush.Color));
}

void Canvas::FrameRect(const TRect& r) {
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    const QColor c = TColorToQColor(Brush.Color);
    hline(r.Left, r.Right - 1, r.Top, c);
    hline(r.Left, r.Right - 1, r.Bottom - 1, c);
    vline(r.Left, r.Top, r.Bottom - 1, c);
    vline(r.Right - 1, r.Top, r.Bottom - 1, c);
}

void Canvas::DrawFocusRect(const TRect& r) {
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    const auto mode = painter_->compositionMode();
    painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    // Walk the ring once, inverting every other pixel.
    std::vector<QPoint> ring;
    for (int x = r.Left; x < r.Right; ++x)
        ring.emplace_back(x, r.Top);
    for (int y = r.Top + 1; y < r.Bottom; ++y)
        ring.emplace_back(r.Right - 1, y);
    if (r.Bottom - 1 > r.Top)
        for (int x = r.Right - 2; x >= r.Left; --x)
            ring.emplace_back(x, r.Bottom - 1);
    if (r.Right - 1 > r.Left)
        for (int y = r.Bottom - 2; y > r.Top; --y)
            ring.emplace_back(r.Left, y);
    for (size_t i = 0; i < ring.size(); i += 2)
        painter_->fillRect(QRect(ring[i], QSize(1, 1)), Qt::white);
    painter_->setCompositionMode(mode);
}

void Canvas::MoveTo(int x, int y) {
    penPos_ = QPoint(x, y);
}

void Canvas::LineTo(int x, int y) {
    line(penPos_.x(), penPos_.y(), x, y);
    penPos_ = QPoint(x, y);
}

void Canvas::Polyline(const std::vector<QPoint>& points) {
    if (points.empty())
        return;
    const QPoint saved = penPos_;
    MoveTo(points[0].x(), points[0].y());
    for (size_t i = 1; i < points.size(); ++i)
        LineTo(points[i].x(), points[i].y());
    penPos_ = saved; // Polyline leaves the pen position alone
}

TColor Canvas::Pixel(int x, int y) const {
    if (device_->devType() == QInternal::Image) {
        const QImage* img = static_cast<const QImage*>(device_);
        if (img->valid(x, y))
            return QRgbToTColor(img->pixel(x, y));
    }
    return 0;
}

void Canvas::SetPixel(int x, int y, TColor c) {
    painter_->fillRect(QRect(x, y, 1, 1), TColorToQColor(c));
}

QFont Canvas::textFont() const {
    QFont f = Font;
    f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::NoAntialias));
    return f;
}

int Canvas::TextWidth(const QString& text) const {
    return QFontMetrics(textFont(), device_).horizontalAdvance(text);
}

int Canvas::TextHeight(const QString&) const {
    return QFontMetrics(textFont(), device_).height();
}

void Canvas::TextOut(int x, int y, const QString& text) {
    const QFont f = textFont();
    const QFontMetrics fm(f, device_);
    if (Brush.Style == TBrushStyle::bsSolid)
        FillRect(x, y, x + fm.horizontalAdvance(text), y + fm.height());
    painter_->setFont(f);
    painter_->setPen(TColorToQColor(Font.Color));
    painter_->drawText(QPoint(x, y + fm.ascent()), text);
    painter_->setPen(Qt::NoPen);
}

void Canvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    painter_->save();
    painter_->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()));
    if (Brush.Style == TBrushStyle::bsSolid)
        FillRect(r);
    const TBrushStyle saved = Brush.Style;
    Brush.Style = TBrushStyle::bsClear;
    TextOut(x, y, text);
    Brush.Style = saved;
    painter_->restore();
}

void Canvas::DrawText(const QString& text, const TRect& r, unsigned flags) {
    TAccelText shown;
    if (flags & DT_NOPREFIX)
        shown.Text = text;
    else
        shown = StripAccelerator(text);
    const QFont f = textFont();
    const QFontMetrics fm(f, device_);
    const int sw = fm.horizontalAdvance(shown.Text);
    const int sh = fm.height();
    int x = r.Left;
    if (flags & DT_CENTER)
        x = r.Left + (r.Width() - sw) / 2;
    else if (flags & DT_RIGHT)
        x = r.Right - sw;
    int y = r.Top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = r.Top + (r.Height() - sh) / 2;
        else if (flags & DT_BOTTOM)
            y = r.Bottom - sh;
    }
    painter_->save();
    if (!(flags & DT_NOCLIP))
        painter_->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()));
    if (Brush.Style == TBrushStyle::bsSolid)
        FillRect(x, y, x + sw, y + sh);
    painter_->setFont(f);
    painter_->setPen(TColorToQColor(Font.Color));
    painter_->drawText(QPoint(x, y + fm.ascent()), shown.Text);
    if (shown.AccelPos >= 0) {
        const int ux = x + fm.horizontalAdvance(shown.Text.left(shown.AccelPos));
        const int uw = fm.horizontalAdvance(shown.Text.at(shown.AccelPos));
        const int uy = y + fm.ascent() + std::max(1, fm.underlinePos());
        const int lw = std::max(1, fm.lineWidth());
        painter_->fillRect(QRect(ux, uy, uw, lw), TColorToQColor(Font.Color));
    }
    painter_->restore();
    painter_->setPen(Qt::NoPen);
}

void Canvas::Draw(int x, int y, const QImage& image) {
    if (!image.isNull())
        painter_->drawImage(QPoint(x, y), image);
}

void Canvas::DrawTransparent(int x, int y, const QImage& image, TColor transparent) {
    if (image.isNull())
        return;
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < masked.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(row));
        for (int col = 0; col < masked.width(); ++col)
            if (QRgbToTColor(line[col]) == transparent)
                line[col] = 0;
    }
    painter_->drawImage(QPoint(x, y), masked);
}

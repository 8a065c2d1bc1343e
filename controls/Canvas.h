#pragma once
// Canvas: GDI-like drawing onto an off-screen image (or any QPaintDevice), so that painted
// controls draw exactly what a test can read back pixel by pixel.
//
// Conventions follow the classic device-context model the painted controls were designed on:
// - rectangles are (Left, Top, Right, Bottom) with Right and Bottom exclusive;
// - MoveTo/LineTo and Polyline do not draw the end point of a line;
// - one-pixel pens and text are drawn without antialiasing, so every pixel is exact;
// - the pen outlines, the brush fills (a clear brush fills nothing, and makes text
//   transparent), the font colour colours text.
// Colours are TColor values $00BBGGRR (red in the low byte), as stored in form data.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;

// Builds a TColor from its channels.
constexpr TColor RGBColor(int r, int g, int b) {
    return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(TColor c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c) {
    return int((c >> 16) & 0xFF);
}

// $00BBGGRR <-> QColor (opaque). The high byte of a TColor is ignored.
QColor TColorToQColor(TColor c);
TColor QColorToTColor(const QColor& c);
// QImage pixel value (0xAARRGGBB) -> TColor, ignoring alpha.
TColor QRgbToTColor(unsigned int rgb);

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};
inline TRect Rect(int l, int t, int r, int b) {
    return TRect{l, t, r, b};
}

enum class TPenStyle { psSolid, psClear };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

// A QFont with the text colour the canvas draws it in.
struct TCanvasFont : QFont {
    TColor Color = clBlack;
    TCanvasFont() = default;
    TCanvasFont(const QFont& f, TColor color = clBlack) : QFont(f), Color(color) {}
    TCanvasFont& operator=(const QFont& f) {
        QFont::operator=(f);
        return *this;
    }
};

// DrawText flags understood by Canvas::DrawText (the values of the classic API).
enum : unsigned {
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_SINGLELINE = 0x0020,
    DT_NOCLIP = 0x0100,
    DT_NOPREFIX = 0x0800,
};

class Canvas {
public:
    // Draws onto the device for the lifetime of the canvas. The device must outlive it; a
    // widget can be drawn on only inside its paintEvent (controls draw on an image instead).
    explicit Canvas(QPaintDevice* device);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    TPen Pen;
    TBrush Brush;
    TCanvasFont Font;

    QPaintDevice* Device() const { return device_; }
    int Width() const;
    int Height() const;

    // Outline with the pen, interior with the brush; covers Left..Right-1 × Top..Bottom-1.
    void Rectangle(int l, int t, int r, int b);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // Fills Left..Right-1 × Top..Bottom-1 with the brush colour (whatever the brush style).
    void FillRect(int l, int t, int r, int b);
    void FillRect(const TRect& r) { FillRect(r.Left, r.Top, r.Right, r.Bottom); }
    // One-pixel outline of the rectangle in the brush colour.
    void FrameRect(const TRect& r);
    // Dotted focus outline: every other pixel of the ring inverted.
    void DrawFocusRect(const TRect& r);

    void MoveTo(int x, int y);
    // Line from the pen position to (x, y), the end point not drawn; the pen moves to (x, y).
    void LineTo(int x, int y);
    QPoint PenPos() const { return penPos_; }
    // Connected lines through the points; the last point is not drawn.
    void Polyline(const std::vector<QPoint>& points);

    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);

    // Text with its cell's top-left corner at (x, y); a solid brush paints the cell behind it.
    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text) const;
    // Height of a text cell in the current font (ascent + descent).
    int TextHeight(const QString& text) const;
    // Text at (x, y) clipped to the rectangle; a solid brush fills the rectangle first.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    // Text placed in the rectangle by DT_* flags. Unless DT_NOPREFIX, "&" marks the next
    // character as the accelerator (drawn underlined) and "&&" stands for one "&".
    void DrawText(const QString& text, const TRect& r, unsigned flags);

    // Copies the image with its top-left at (x, y).
    void Draw(int x, int y, const QImage& image);
    // Same, leaving out the pixels of the transparent colour.
    void DrawTransparent(int x, int y, const QImage& image, TColor transparent);

    // The underlying painter, for the odd drawing the canvas does not cover.
    QPainter& Painter();

private:
    void plot(int x, int y);
    void hline(int x0, int x1, int y, const QColor& c);
    void vline(int x, int y0, int y1, const QColor& c);
    void line(int x0, int y0, int x1, int y1);
    QFont textFont() const;

    QPaintDevice* device_;
    std::unique_ptr<QPainter> painter_;
    QPoint penPos_{0, 0};
};

// Splits a caption with "&" marks into its shown text and the position of the accelerator
// character in it (-1 when none). "&&" shows as one "&".
struct TAccelText {
    QString Text;
    int AccelPos = -1;
};
TAccelText StripAccelerator(const QString& caption);
// The accelerator character of a caption (lower case), or a null QChar.
QChar AcceleratorChar(const QString& caption);

#pragma once
// TGradButton: the push button of every window. It paints itself completely (face colour or
// vertical gradient, border, 3D edges, glyph, caption, focus rectangle) from four colour
// sets filled by a colour scheme, and behaves as a dialog button.
//
// This is the interface the windows use; the button's own work extends it.
#include "controls/Canvas.h"

#include <QImage>
#include <QString>
#include <QWidget>

class TGradButton : public QWidget {
    Q_OBJECT
public:
    enum TColorScheme {
        csNeoDesert,
        csNeoSky,
        csNeoGrass,
        csNeoSilver,
        csNeoRose,
        csNeoSun,
        csDesert,
        csGrass,
        csSky,
        csSun,
        csRose,
        csSilver,
        csCustom
    };
    Q_ENUM(TColorScheme)
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)

    explicit TGradButton(QWidget* parent = nullptr);
    ~TGradButton() override;

    QString Caption() const;
    void setCaption(const QString& caption);
    TColorScheme ColorScheme() const;
    void setColorScheme(TColorScheme scheme);
    bool Gradient() const;
    void setGradient(bool on);
    TButtonLayout ButtonLayout() const;
    void setButtonLayout(TButtonLayout layout);
    QImage Glyph() const;
    void setGlyph(const QImage& glyph);
    int ModalResult() const;
    void setModalResult(int result);
    bool Cancel() const;
    void setCancel(bool on);
    bool Default() const;
    void setDefault(bool on);

    // Runs the click as a mouse click on the button would.
    void Click();

    // The 25 colours by index: 0..5 normal set (Face, Grad, Dark, Light, Border, Text),
    // 6..11 over set, 12..17 down set, 18..23 disabled set, 24 focus rectangle.
    // Writing one switches ColorScheme to csCustom.
    enum TColorIndex {
        ciColorFace,
        ciColorGrad,
        ciColorDark,
        ciColorLight,
        ciColorBorder,
        ciColorText,
        ciOverColorFace,
        ciOverColorGrad,
        ciOverColorDark,
        ciOverColorLight,
        ciOverColorBorder,
        ciOverColorText,
        ciDownColorFace,
        ciDownColorGrad,
        ciDownColorDark,
        ciDownColorLight,
        ciDownColorBorder,
        ciDownColorText,
        ciDisabledColorFace,
        ciDisabledColorGrad,
        ciDisabledColorDark,
        ciDisabledColorLight,
        ciDisabledColorBorder,
        ciDisabledColorText,
        ciColorFocusRect
    };
    TColor Color(int index) const;
    void setColor(int index, TColor color);

    bool Ctl3D() const;
    void setCtl3D(bool on);
    int Spacing() const;
    void setSpacing(int spacing);
    bool TransparentGlyph() const;
    void setTransparentGlyph(bool on);
    bool HotTrack() const;
    void setHotTrack(bool on);

    // The look in use and the press flag (read by tests and by the painting).
    enum TButtonState { bsNormal, bsOver, bsDown };
    TButtonState State() const;
    bool Pressed() const;

    // Paints the whole button into an image of its size, as a paint does.
    QImage Render() const;

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    struct Data;
    Data* d;

private:
    void refresh();
    void mouseEntered();
    void mouseLeft();
    bool canTakeFocus() const;
    void attachToWindow();
    void updateShortcut();
};

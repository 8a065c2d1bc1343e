#pragma once
// TGradButton: the push button of every window. It paints itself completely (face colour or
// vertical gradient, border, 3D edges, glyph, caption, focus rectangle) from four colour
// sets filled by a colour scheme, and behaves as a dialog button.
//
// This is the interface the windows use; the button's own work extends it.
#include <QImage>
#include <QString>
#include <QWidget>

class TGradButton : public QWidget {
    Q_OBJECT
public:
    enum TColorScheme {
        csNeoDesert, csNeoSky, csNeoGrass, csNeoSilver, csNeoRose, csNeoSun,
        csDesert, csGrass, csSky, csSun, csRose, csSilver, csCustom
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

signals:
    void clicked();

protected:
    struct Data;
    Data* d;
};

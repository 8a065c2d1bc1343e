#pragma once
// TGradPanel: a panel that fills itself with a two-colour gradient (horizontal, vertical or
// diagonal), draws its caption over it and draws its own raised or lowered bevels in two
// colours of its own. A colour scheme fills the four colours from six built-in palettes.
#include "controls/Canvas.h"

#include <QImage>
#include <QString>
#include <QWidget>

class TGradPanel : public QWidget {
    Q_OBJECT
public:
    // The panel's own palettes (not the button's scheme type of the same name).
    enum TColorScheme { csCustom, csDesert, csGrass, csSilver, csSky, csRose, csSun };
    Q_ENUM(TColorScheme)
    enum TFillDirection { fdHorizontal, fdVertical, fdDiagonal };
    Q_ENUM(TFillDirection)
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    // Colour indices of the one indexed setter.
    enum TColorIndex { ciColorFace, ciColorGrad, ciColorLight, ciColorDark };

    explicit TGradPanel(QWidget* parent = nullptr);
    ~TGradPanel() override;

    TColor Color(int index) const;
    // Stores the colour and switches ColorScheme to csCustom.
    void setColor(int index, TColor color);
    TColor ColorFace() const { return Color(ciColorFace); }
    TColor ColorGrad() const { return Color(ciColorGrad); }
    TColor ColorLight() const { return Color(ciColorLight); }
    TColor ColorDark() const { return Color(ciColorDark); }

    TColorScheme ColorScheme() const;
    // A named scheme sets all four colours; csCustom changes none.
    void setColorScheme(TColorScheme scheme);
    TFillDirection FillDirection() const;
    void setFillDirection(TFillDirection direction);

    QString Caption() const;
    void setCaption(const QString& caption);
    TAlignment Alignment() const;
    void setAlignment(TAlignment alignment);
    TBevelCut BevelInner() const;
    void setBevelInner(TBevelCut bevel);
    TBevelCut BevelOuter() const;
    void setBevelOuter(TBevelCut bevel);
    int BevelWidth() const;
    void setBevelWidth(int width);
    // The caption's colour (the font colour).
    TColor FontColor() const;
    void setFontColor(TColor color);

    // Paints the whole panel into an image of its size, as a paint does.
    QImage Render() const;

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Data;
    Data* d;
};

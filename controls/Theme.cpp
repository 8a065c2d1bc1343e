#include "controls/Theme.h"

#include "controls/GradButton.h"

#include <QWidget>

QFont theme::pixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

void setPixelFont(QWidget* window, const char* family, int pixels) {
    window->setFont(theme::pixelFont(QString::fromLatin1(family), pixels));
}

TGradButton* makeDesertButton(QWidget* parent, const char* name, const QString& caption,
                              const QRect& geometry) {
    auto* button = new TGradButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setCaption(caption);
    button->setColorScheme(TGradButton::csNeoDesert);
    button->setGradient(true);
    button->setGeometry(geometry);
    return button;
}

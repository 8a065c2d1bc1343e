#pragma once
// The look the windows share: the blues of the window scheme, the desert-coloured gradient
// button of the dialogs and the combiner, and fonts sized in pixels (the windows are laid out
// in pixels at 96 dots per inch).
#include <QColor>
#include <QFont>

class QRect;
class QString;
class QWidget;
class TGradButton;

namespace theme {

// The main window's toolbar, the settings window and the combiner.
constexpr QColor kWindowBlue(0x96, 0xD9, 0xFA);
// The strips and side panels of the dialogs and the message window's button panel.
constexpr QColor kPanelBlue(0x8D, 0xC7, 0xF1);
// The message window's upper panel.
constexpr QColor kPaleBlue(0xC0, 0xE0, 0xF8);

// FAMILY at PIXELS pixels.
QFont pixelFont(const QString& family, int pixels);

} // namespace theme

// Sets WINDOW's font to FAMILY at PIXELS pixels.
void setPixelFont(QWidget* window, const char* family, int pixels);

// A gradient button of scheme csNeoDesert with its gradient, named NAME, showing CAPTION at
// GEOMETRY in PARENT.
TGradButton* makeDesertButton(QWidget* parent, const char* name, const QString& caption,
                              const QRect& geometry);

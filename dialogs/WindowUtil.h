#pragma once
// Small helpers the windows share.
#include <QWidget>
#include <functional>

// A dialog whose title bar has the close box and the minimise button only.
constexpr Qt::WindowFlags kCloseAndMinimiseDialog =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;

// Moves a top-level window so that it stands in the middle of the screen's work area.
void centerOnScreen(QWidget* window);
// Shows a window without blocking and brings it to the front.
void showModeless(QWidget* window);

class QFrame;
class TGradButton;
// Runs HANDLER on every click of BUTTON under the error guard: an error it raises is shown in
// an error box and the window stays as it is.
void onClick(TGradButton* button, const std::function<void()>& handler);
// A raised panel filled with COLOUR, named NAME, at GEOMETRY in PARENT.
QFrame* makeColourPanel(QWidget* parent, const char* name, const QColor& colour,
                        const QRect& geometry);
// A sunken box named NAME at GEOMETRY in PARENT, drawn around a group of controls.
QFrame* makeBevel(QWidget* parent, const char* name, const QRect& geometry);
// A control of type T (a check box, radio button, label...) showing TEXT, named NAME, at
// GEOMETRY in PARENT.
template <typename T>
T* makeControl(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    T* control = new T(text, parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

#include "dialogs/WindowUtil.h"

#include <QGuiApplication>
#include <QScreen>

void centerOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void showModeless(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

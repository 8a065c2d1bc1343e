#include "dialogs/WindowUtil.h"

#include "controls/GradButton.h"
#include "platform/qt/ErrorGuard.h"

#include <QFrame>
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

void onClick(TGradButton* button, const std::function<void()>& handler) {
    QObject::connect(button, &TGradButton::clicked, button,
                     [handler] { platform::guarded(handler); });
}

QFrame* makeBevel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QString::fromLatin1(name));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(geometry);
    return bevel;
}

QFrame* makeColourPanel(QWidget* parent, const char* name, const QColor& colour,
                        const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, colour);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
    panel->setGeometry(geometry);
    return panel;
}

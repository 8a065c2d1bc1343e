#include "platform/qt/QtMessages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace platform {

namespace {

const QString applicationTitle = QStringLiteral("Quembly");

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Message boxes have no owner window here, so they are placed in the middle of the screen.
void centreOnScreen(QMessageBox& box) {
    box.adjustSize();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = box.frameGeometry();
    frame.moveCenter(area.center());
    box.move(frame.topLeft());
}

} // namespace

void QtMessageService::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, toQt(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

bool QtMessageService::confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), toQt(text),
                    QMessageBox::NoButton);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    centreOnScreen(box);
    box.exec();
    return box.clickedButton() == yes;
}

void QtMessageService::showError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, applicationTitle, toQt(errorBoxText(text)),
                    QMessageBox::NoButton, QApplication::activeWindow());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace platform

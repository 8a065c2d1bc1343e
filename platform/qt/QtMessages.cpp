#include "platform/qt/QtMessages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cstdio>

namespace platform {

namespace {

const QString applicationTitle = QStringLiteral("Quembly");

// The program's texts break lines with a carriage return, as the Windows boxes do; Qt's
// labels break only at a line feed.
QString toQt(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

// Texts are shown as they are: a file name such as "<b>.zip" is not markup.
void prepare(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

// The confirmation has no owner window; it is placed in the middle of the screen.
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

// Boxes need a QApplication; without one (a tool or test that never made one) the text
// goes to standard error, as with the default service, instead of crashing.
bool haveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void toStandardError(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace

void QtMessageService::showMessage(const std::string& text) {
    if (!haveWidgets())
        return toStandardError(text);
    QMessageBox box(QMessageBox::NoIcon, applicationTitle, toQt(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.addButton(QCoreApplication::translate("QtMessageService", "OK"), QMessageBox::AcceptRole);
    prepare(box);
    box.exec();
}

bool QtMessageService::confirm(const std::string& text) {
    if (!haveWidgets()) {
        toStandardError(text + " [answered No]");
        return false;
    }
    QMessageBox box(QMessageBox::Question,
                    QCoreApplication::translate("QtMessageService", "Confirm"), toQt(text),
                    QMessageBox::NoButton);
    QPushButton* yes = box.addButton(QCoreApplication::translate("QtMessageService", "&Yes"),
                                     QMessageBox::YesRole);
    QPushButton* no =
        box.addButton(QCoreApplication::translate("QtMessageService", "&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    prepare(box);
    centreOnScreen(box);
    box.exec();
    return box.clickedButton() == yes;
}

void QtMessageService::showError(const std::string& text) {
    if (!haveWidgets())
        return toStandardError("Error: " + errorBoxText(text));
    QMessageBox box(QMessageBox::Critical, applicationTitle, toQt(errorBoxText(text)),
                    QMessageBox::NoButton, QApplication::activeWindow());
    box.addButton(QCoreApplication::translate("QtMessageService", "OK"), QMessageBox::AcceptRole);
    prepare(box);
    box.exec();
}

} // namespace platform

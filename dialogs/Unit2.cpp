#include "dialogs/Unit2.h"

#include "dialogs/WindowUtil.h"

#include <QShowEvent>

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Form2");
    setWindowTitle("Quembly Setting");
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x96, 0xD9, 0xFA));
    setPalette(pal);
    setAutoFillBackground(true);
    resize(326, 241);
}

void TForm2::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centerOnScreen(this);
    QDialog::showEvent(event);
}

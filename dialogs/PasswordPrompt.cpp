#include "dialogs/PasswordPrompt.h"

#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/WindowUtil.h"
#include "platform/Messages.h"

#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form1");
    setWindowTitle(tr("Password Require"));
    setPixelFont(this, "Tahoma", 11);
    setFixedSize(304, 95);

    Label1 = new QLabel(tr("Password :"), this);
    Label1->setObjectName("Label1");
    Label1->move(16, 16);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(73, 13, 220, 21);
    Label1->setBuddy(Edit1);

    GradButton2 = new TGradButton(this);
    GradButton2->setObjectName("GradButton2");
    GradButton2->setCaption(tr("Cancel"));
    GradButton2->setColorScheme(TGradButton::csNeoDesert);
    GradButton2->setGeometry(136, 48, 75, 25);
    GradButton2->setCancel(true);

    GradButton1 = new TGradButton(this);
    GradButton1->setObjectName("GradButton1");
    GradButton1->setCaption(tr("OK"));
    GradButton1->setColorScheme(TGradButton::csNeoDesert);
    GradButton1->setGeometry(216, 48, 75, 25);
    GradButton1->setDefault(true);

    setTabOrder(Edit1, GradButton2);
    setTabOrder(GradButton2, GradButton1);

    connect(GradButton1, &TGradButton::clicked, this, &TForm1::GradButton1Click);
    connect(GradButton2, &TGradButton::clicked, this, &TForm1::GradButton2Click);
}

QString TForm1::EnteredPassword() const {
    return Edit1->text();
}

void TForm1::GradButton1Click() {
    const QString stored = StoredPassword ? StoredPassword() : QString();
    if (Edit1->text() == stored) {
        platform::messages().showMessage(
            tr("Password corrected, now you can do any actions without inserting any password")
                .toStdString());
        hide();
    } else {
        platform::messages().showMessage(
            tr("Wrong Password, Please Type Correct Password").toStdString());
    }
}

void TForm1::GradButton2Click() {
    Edit1->clear();
    hide();
}

// Escape (and a close request of the window manager, as the window has no close box of its
// own) counts as "Cancel", so the prompt is never left another way.
void TForm1::reject() {
    GradButton2Click();
}

void TForm1::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centerOnScreen(this);
    QDialog::showEvent(event);
    Edit1->setFocus();
}

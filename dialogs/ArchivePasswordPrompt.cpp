#include "dialogs/ArchivePasswordPrompt.h"

#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/WindowUtil.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

namespace {

// Writes zeros through a volatile pointer: stores into memory about to be freed must not be
// optimised away.
template <typename T> void zeroFill(T* data, qsizetype count) {
    volatile T* p = data;
    for (qsizetype i = 0; i < count; ++i)
        p[i] = T{};
}

// A label's text cut in the middle to WIDTH pixels; the whole text is its tooltip.
void setElided(QLabel* label, const QString& text, int width) {
    label->setText(QFontMetrics(label->font()).elidedText(text, Qt::ElideMiddle, width));
    label->setToolTip(label->text() == text ? QString() : text);
}

constexpr int kTextWidth = 272;

} // namespace

void wipeSecret(QString& text) {
    // Static (literal) data is not writable, and nobody's secret.
    if (text.data_ptr().isMutable())
        zeroFill(text.data_ptr().data(), text.size());
    text.clear();
}

void wipeSecret(QByteArray& text) {
    if (text.data_ptr().isMutable())
        zeroFill(text.data_ptr().data(), text.size());
    text.clear();
}

void wipeSecret(std::string& text) {
    text.resize(text.capacity());
    zeroFill(text.data(), static_cast<qsizetype>(text.size()));
    text.clear();
}

TArchivePassword::TArchivePassword(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("ArchivePassword");
    setWindowTitle(tr("Archive Password"));
    setPixelFont(this, "Tahoma", 11);

    Label3 = new QLabel(this);
    Label3->setObjectName("Label3");
    QFont bold = Label3->font();
    bold.setBold(true);
    Label3->setFont(bold);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setEchoMode(QLineEdit::Password);
    Label1->setBuddy(Edit1);

    Label2 = new QLabel(tr("Repeat the password:"), this);
    Label2->setObjectName("Label2");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setEchoMode(QLineEdit::Password);
    Label2->setBuddy(Edit2);

    GradButton2 = new TGradButton(this);
    GradButton2->setObjectName("GradButton2");
    GradButton2->setCaption(tr("Cancel"));
    GradButton2->setColorScheme(TGradButton::csNeoDesert);
    GradButton2->setCancel(true);

    GradButton1 = new TGradButton(this);
    GradButton1->setObjectName("GradButton1");
    GradButton1->setCaption(tr("OK"));
    GradButton1->setColorScheme(TGradButton::csNeoDesert);
    GradButton1->setDefault(true);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, GradButton2);
    setTabOrder(GradButton2, GradButton1);

    onClick(GradButton1, [this] { GradButton1Click(); });
    onClick(GradButton2, [this] { GradButton2Click(); });
    layOut();
}

TArchivePassword::~TArchivePassword() {
    wipeFields();
}

// The notice line on top, the field below its label, the repetition (when encrypting) and
// the buttons under them, placed as in the access password prompt.
void TArchivePassword::layOut() {
    const bool twice = purpose_ == Purpose::Encrypt;
    Label3->setGeometry(16, 8, kTextWidth, 16);
    Label1->setGeometry(16, 28, kTextWidth, 16);
    Edit1->setGeometry(16, 46, 277, 21);
    Label2->setGeometry(16, 74, kTextWidth, 16);
    Edit2->setGeometry(16, 92, 277, 21);
    Label2->setVisible(twice);
    Edit2->setVisible(twice);
    const int buttons = twice ? 126 : 80;
    GradButton2->setGeometry(136, buttons, 75, 25);
    GradButton1->setGeometry(216, buttons, 75, 25);
    setFixedSize(304, buttons + 35);
}

void TArchivePassword::setNotice(const QString& text) {
    setElided(Label3, text, kTextWidth);
}

void TArchivePassword::wipeFields() {
    for (QLineEdit* edit : {Edit1, Edit2}) {
        QString text = edit->text();
        wipeSecret(text);
        edit->clear();
    }
}

bool TArchivePassword::Ask(Purpose purpose, const QString& archiveName, const QString& notice,
                           std::string& password) {
    wipeSecret(password);
    purpose_ = purpose;
    layOut();
    setElided(Label1, tr("Password for %1:").arg(archiveName), kTextWidth);
    setNotice(notice);
    wipeFields();
    const bool accepted = exec() == QDialog::Accepted;
    if (accepted) {
        QString text = Edit1->text();
        QByteArray utf8 = text.toUtf8();
        password.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        wipeSecret(utf8);
        wipeSecret(text);
    }
    wipeFields();
    return accepted;
}

void TArchivePassword::GradButton1Click() {
    if (purpose_ == Purpose::Encrypt) {
        // An encrypted archive is only as good as its password: an empty one or a typing
        // slip (which would lock the entries for good) is caught here.
        QString notice;
        if (Edit1->text().isEmpty())
            notice = tr("Type a password to encrypt with.");
        else if (Edit1->text() != Edit2->text())
            notice = tr("The two passwords differ; type them again.");
        if (!notice.isEmpty()) {
            setNotice(notice);
            wipeFields();
            Edit1->setFocus();
            return;
        }
    }
    accept();
}

void TArchivePassword::GradButton2Click() {
    QDialog::reject();
}

// Escape and the window manager's close request count as "Cancel".
void TArchivePassword::reject() {
    GradButton2Click();
}

void TArchivePassword::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centerOnScreen(this);
    QDialog::showEvent(event);
    Edit1->setFocus();
}

#include "dialogs/SettingsWindow.h"

#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/WindowUtil.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/qt/ErrorGuard.h"

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTabBar>
#include <optional>

TForm2* Form2 = nullptr;

namespace {

const char* const kAgain = QT_TRANSLATE_NOOP(
    "TForm2", "to set again please check enabled password and set up password correctly");

// One operation on the settings key: a fresh accessor opens HKEY_CLASSES_ROOT\tessaly.zip
// without creating it and releases it when the operation ends. Without the key nothing is
// open, so reads give "" and writes raise "Failed to set data for 'NAME'".
class SettingsKey {
public:
    SettingsKey() : registry_(platform::RootKey::ClassesRoot) {
        registry_.openKey("\\tessaly.zip", false);
    }
    QString read(const char* name) const {
        return QString::fromStdString(registry_.readString(name));
    }
    void write(const char* name, const QString& value) {
        registry_.writeString(name, value.toStdString());
    }

private:
    platform::Registry registry_;
};

QFrame* makePage(QWidget* parent, const char* name, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(place);
    return panel;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* makeField(QWidget* parent, const char* name, const QRect& place) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(place);
    return field;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The character a key press types into a field, as the window system hands it over: Enter
// is character 13, backspace 8, and Ctrl with a letter that letter's control character
// (Ctrl+V is 22). Keys that type nothing (arrows, Delete, function keys) give none, and so do
// Tab and Escape, which move the focus and close the window.
std::optional<char32_t> typedCharacter(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape)
        return std::nullopt;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return 13;
    if (key == Qt::Key_Backspace)
        return 8;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z)
        return static_cast<char32_t>(key - Qt::Key_A + 1);
    const QList<uint> text = event.text().toUcs4();
    if (text.isEmpty())
        return std::nullopt;
    return static_cast<char32_t>(text.front());
}

// A refused character as the message shows it: control characters, which would show
// nothing, as their code in angle brackets ("<13>").
QString shownCharacter(char32_t c) {
    if (c < 32 || (c >= 127 && c < 160))
        return QStringLiteral("<%1>").arg(static_cast<unsigned>(c));
    return QString::fromUcs4(&c, 1);
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Form2");
    setWindowTitle(tr("Quembly Setting"));
    setPixelFont(this, "Tahoma", 11);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, theme::kWindowBlue);
    setPalette(pal);
    setAutoFillBackground(true);
    setFixedSize(326, 241);

    TabSet1 = new QTabBar(this);
    TabSet1->setObjectName("TabSet1");
    TabSet1->addTab(tr("Password"));
    TabSet1->addTab(tr("Splitt zip"));
    TabSet1->setDrawBase(false);
    TabSet1->setExpanding(false);
    TabSet1->setGeometry(4, 5, 317, 230);
    // The selected tab takes the window colour (white), the others the button face.
    TabSet1->setStyleSheet("QTabBar::tab { background: palette(button); border: 1px solid "
                           "palette(dark); padding: 2px 8px; }"
                           "QTabBar::tab:selected { background: palette(base); }");

    Panel2 = makePage(this, "Panel2", QRect(10, 24, 305, 177));
    Label1 = makeLabel(Panel2, "Label1", tr("Current Password :"), 16, 13);
    Edit1 = makeField(Panel2, "Edit1", QRect(114, 9, 182, 21));
    Label1->setBuddy(Edit1);
    GradButton5 = makeDesertButton(Panel2, "GradButton5", tr("OK"), QRect(198, 35, 97, 25));
    CheckBox1 =
        makeControl<QCheckBox>(Panel2, "CheckBox1", tr("Enabled Password"), {16, 48, 114, 17});
    Panel4 = makePage(Panel2, "Panel4", QRect(16, 70, 281, 72));
    Panel4->setEnabled(false);
    Label2 = makeLabel(Panel4, "Label2", tr("Change Password :"), 8, 14);
    Edit2 = makeField(Panel4, "Edit2", QRect(105, 10, 169, 21));
    Label2->setBuddy(Edit2);
    Label3 = makeLabel(Panel4, "Label3", tr("Retype Password :"), 8, 46);
    Edit3 = makeField(Panel4, "Edit3", QRect(104, 42, 169, 21));
    Label3->setBuddy(Edit3);
    GradButton3 =
        makeDesertButton(Panel2, "GradButton3", tr("Set Password"), QRect(200, 146, 97, 25));
    GradButton3->setEnabled(false);

    Panel3 = makePage(this, "Panel3", QRect(10, 24, 305, 177));
    Label4 = makeLabel(Panel3, "Label4", tr("Minimum Size of Spliting :"), 16, 17);
    Edit4 = makeField(Panel3, "Edit4", QRect(149, 13, 118, 21));
    Label4->setBuddy(Edit4);
    Label5 = makeLabel(Panel3, "Label5", tr("MB "), 272, 17);
    Label6 = makeLabel(Panel3, "Label6", tr("Example : 1.5 MB"), 152, 38);
    GradButton4 = makeDesertButton(Panel3, "GradButton4", tr("Apply"), QRect(200, 144, 97, 25));
    Panel3->hide();

    GradButton1 = makeDesertButton(this, "GradButton1", tr("Close"), QRect(211, 206, 96, 23));

    Edit5 = new QLineEdit(this);
    Edit5->setObjectName("Edit5");
    Edit5->setReadOnly(true);
    Edit5->setEnabled(false);
    Edit5->hide();

    setTabOrder(Edit1, GradButton5);
    setTabOrder(GradButton5, CheckBox1);
    setTabOrder(CheckBox1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, GradButton3);
    setTabOrder(GradButton3, Edit4);
    setTabOrder(Edit4, GradButton4);
    setTabOrder(GradButton4, GradButton1);

    // Each handler runs under the error guard: a failed registry write shows its error and
    // ends that handler, the window goes on.
    auto run = [this](void (TForm2::*handler)()) {
        return [this, handler] { platform::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(TabSet1, &QTabBar::currentChanged, this,
            [this](int tab) { platform::guarded([this, tab] { TabSet1Change(tab); }); });
    connect(GradButton5, &TGradButton::clicked, this, run(&TForm2::GradButton5Click));
    connect(CheckBox1, &QCheckBox::toggled, this, run(&TForm2::CheckBox1Click));
    connect(Edit2, &QLineEdit::textChanged, this, run(&TForm2::Edit2Change));
    connect(Edit3, &QLineEdit::textChanged, this, run(&TForm2::Edit3Change));
    connect(GradButton3, &TGradButton::clicked, this, run(&TForm2::GradButton3Click));
    connect(Edit4, &QLineEdit::textChanged, this, run(&TForm2::Edit4Change));
    connect(GradButton4, &TGradButton::clicked, this, run(&TForm2::GradButton4Click));
    connect(GradButton1, &TGradButton::clicked, this, run(&TForm2::GradButton1Click));
    Edit4->installEventFilter(this);

    platform::guarded([this] { FormCreate(); });
}

void TForm2::FormCreate() {
    {
        const SettingsKey key;
        Edit5->setText(key.read("PSW"));
        Edit4->setText(key.read("smb"));
    }
    if (Edit5->text().isEmpty()) {
        CheckBox1->setChecked(false);
        CheckBox1->setEnabled(true);
    } else {
        CheckBox1->setChecked(true);
        CheckBox1->setEnabled(false);
    }
    // With a password stored, it may be changed only once the current one is accepted.
    // (Ticking the box above opened them.)
    Panel4->setEnabled(false);
}

void TForm2::TabSet1Change(int newTab) {
    Panel2->setVisible(newTab == 0);
    Panel3->setVisible(newTab == 1);
}

void TForm2::GradButton5Click() {
    if (Edit1->text() != Edit5->text()) {
        platform::messages().showMessage(tr("Invalid Password").toStdString());
        return;
    }
    CheckBox1->setEnabled(true);
    Panel4->setEnabled(CheckBox1->isChecked());
    Edit2->setText(Edit1->text());
    Edit3->setText(Edit2->text());
}

void TForm2::CheckBox1Click() {
    if (CheckBox1->isChecked()) {
        Panel4->setEnabled(true);
        return;
    }
    // Deleting: the value stays, empty, and the main window's copy with it, so that the
    // lock opens at once.
    {
        SettingsKey key;
        key.write("PSW", "");
        Edit5->setText(key.read("PSW"));
    }
    if (SetStoredPassword)
        SetStoredPassword(Edit5->text());
    Edit2->setText(Edit5->text());
    Edit3->setText(Edit2->text());
    platform::messages().showMessage(
        (tr("Your password is deleted,") + "\r" + tr(kAgain)).toStdString());
    Panel4->setEnabled(false);
    GradButton3->setEnabled(false);
}

// The two change rules are one-sided: the change field only ever disables "Set Password",
// the retype field only ever enables it.
void TForm2::Edit2Change() {
    if (Edit3->text() != Edit2->text())
        GradButton3->setEnabled(false);
}

void TForm2::Edit3Change() {
    if (Edit3->text() == Edit2->text())
        GradButton3->setEnabled(true);
}

void TForm2::GradButton3Click() {
    // The change fields are shut until the current password has been accepted: a text put
    // in them meanwhile replaces nothing.
    if (!Panel4->isEnabledTo(this))
        return;
    QString stored;
    {
        SettingsKey key;
        key.write("PSW", Edit2->text());
        Edit5->setText(key.read("PSW"));
        stored = key.read("PSW");
    }
    if (SetStoredPassword)
        SetStoredPassword(stored);
    platform::messages().showMessage(
        (tr("Your password is ") + Edit2->text() + "\r" + tr(kAgain)).toStdString());
    Edit2->clear();
    Edit3->clear();
    Edit1->clear();
    CheckBox1->setChecked(true);
    CheckBox1->setEnabled(false);
    // The page stays disabled for the rest of the run.
    Panel2->setEnabled(false);
    GradButton3->setEnabled(false);
}

bool TForm2::Edit4KeyPress(char32_t key) {
    if ((key >= U'0' && key <= U'9') || key == 8 || key == 0)
        return true;
    platform::messages().showMessage(tr("Invalid numeric format : ").toStdString() +
                                     shownCharacter(key).toStdString());
    return false;
}

void TForm2::Edit4Change() {
    const QString text = Edit4->text();
    if (text.isEmpty() || isDigit(text.front()))
        return;
    platform::messages().showMessage(tr("Please type a numeric format").toStdString());
    Edit4->setText("1");
    // While the window is being made (or the page is hidden) there is nowhere to put the
    // focus yet; the rule does the rest all the same.
    if (Edit4->isVisible())
        Edit4->setFocus();
}

void TForm2::GradButton4Click() {
    if (Edit4->text().isEmpty()) {
        platform::messages().showMessage(
            tr("Please set type some size in numeric format").toStdString());
        return;
    }
    {
        SettingsKey key;
        key.write("smb", Edit4->text());
        Edit4->setText(key.read("smb"));
    }
    platform::messages().showMessage(
        (tr("Minimum Size of splitting zip is ") + Edit4->text() + tr(" MB")).toStdString());
}

void TForm2::GradButton1Click() {
    hide();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit4 && event->type() == QEvent::KeyPress) {
        const std::optional<char32_t> typed = typedCharacter(*static_cast<QKeyEvent*>(event));
        if (typed && !Edit4KeyPress(*typed))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Escape, and a close request of the window manager (the window has no close box of its
// own), count as "Close".
void TForm2::reject() {
    GradButton1Click();
}

void TForm2::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        centerOnScreen(this);
    QDialog::showEvent(event);
}

#pragma once
// TForm2: the settings window "Quembly Setting". Its "Password" page sets or deletes the
// access password, its "Splitt zip" page keeps the minimum split size. Both live as string
// values "PSW" and "smb" under HKEY_CLASSES_ROOT\tessaly.zip, a key this window opens for
// each operation and never creates. The window is made once per run, loads both values
// then, and is only hidden by "Close", so it keeps its state between showings.
#include <QDialog>
#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTabBar;
class TGradButton;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    QTabBar* TabSet1 = nullptr;

    // The password page.
    QFrame* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;         // the current password
    TGradButton* GradButton5 = nullptr; // "OK"
    QCheckBox* CheckBox1 = nullptr;     // "Enabled Password"
    QFrame* Panel4 = nullptr;           // the change group
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr; // the new password
    QLabel* Label3 = nullptr;
    QLineEdit* Edit3 = nullptr;         // the new password again
    TGradButton* GradButton3 = nullptr; // "Set Password"

    // The split page.
    QFrame* Panel3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit4 = nullptr; // the split size in megabytes
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    TGradButton* GradButton4 = nullptr; // "Apply"

    TGradButton* GradButton1 = nullptr; // "Close"
    // The window's copy of the stored password; every comparison uses it. Hidden.
    QLineEdit* Edit5 = nullptr;

    // Replaces the main window's stored password copy ("Set Password"); handed in by the
    // program entry so that this window needs nothing of the main window's unit.
    std::function<void(const QString&)> SetStoredPassword;

    // Event handlers. A change of a field's text or of the check box made by the program
    // runs the same handler as the user's edit or click.
    void FormCreate();
    void TabSet1Change(int newTab);
    void GradButton5Click();
    void CheckBox1Click();
    void Edit2Change();
    void Edit3Change();
    void GradButton3Click();
    // Answers whether a character typed into the split field is taken: digits, backspace and
    // character 0. Anything else is refused with a message.
    bool Edit4KeyPress(char32_t key);
    void Edit4Change();
    void GradButton4Click();
    void GradButton1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void showEvent(QShowEvent* event) override;
};

extern TForm2* Form2;

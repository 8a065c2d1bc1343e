#pragma once
// TForm1: the password prompt. The user types the access password into Edit1; the main
// window's access gate compares that text with its stored copy. The prompt lives for the
// whole run, so the field keeps its text between showings: a matching text keeps the gated
// commands unlocked until it changes.
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class TGradButton;

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TGradButton* GradButton1 = nullptr; // "OK"
    TGradButton* GradButton2 = nullptr; // "Cancel"

    // The main window's stored password copy, read at each "OK"; handed in by the program
    // entry so that this window needs nothing of the main window's unit. Empty when unset.
    std::function<QString()> StoredPassword;

    void GradButton1Click();
    void GradButton2Click();

    // The field's current text.
    QString EnteredPassword() const;

protected:
    void reject() override;
    void showEvent(QShowEvent* event) override;
};

extern TForm1* Form1;

#pragma once
// TArchivePassword: the window that asks for an archive's own password (the one its entries
// are encrypted with), in the look of the access password prompt. For reading it asks once;
// for encrypting it asks twice and refuses an empty password or two different ones. The
// typed text is masked and wiped from the fields as soon as the answer is taken.
#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class TGradButton;

class TArchivePassword : public QDialog {
    Q_OBJECT
public:
    enum class Purpose { Read, Encrypt };

    explicit TArchivePassword(QWidget* parent = nullptr);
    ~TArchivePassword() override;

    QLabel* Label3 = nullptr;           // why the prompt asks again ("Wrong password for NAME")
    QLabel* Label1 = nullptr;           // "Password for ARCHIVE:"
    QLineEdit* Edit1 = nullptr;         // the password
    QLabel* Label2 = nullptr;           // "Repeat the password:" (encrypting only)
    QLineEdit* Edit2 = nullptr;         // its repetition (encrypting only)
    TGradButton* GradButton1 = nullptr; // "OK"
    TGradButton* GradButton2 = nullptr; // "Cancel"

    // Asks modally for the password of the archive ARCHIVENAME (a file name), with NOTICE
    // (may be empty) above the field. True with the typed password in PASSWORD (UTF-8; empty
    // when nothing was typed while reading); false on Cancel, PASSWORD then empty.
    bool Ask(Purpose purpose, const QString& archiveName, const QString& notice,
             std::string& password);

    void GradButton1Click();
    void GradButton2Click();

protected:
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void setNotice(const QString& text);
    void layOut();
    // Zeroes the fields' texts and empties them.
    void wipeFields();

    Purpose purpose_ = Purpose::Read;
};

// Zeroes the characters of TEXT (and of every copy sharing them, such as the text a line
// edit holds) before emptying it, so that no password stays behind in freed memory.
void wipeSecret(QString& text);
void wipeSecret(QByteArray& text);
void wipeSecret(std::string& text);

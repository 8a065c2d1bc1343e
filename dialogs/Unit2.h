#pragma once
// TForm2: the settings window "Quembly Setting" (access password and split size). Only its
// frame exists so far; the pages come with the settings work.
#include <QDialog>
#include <functional>

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Replaces the main window's stored password copy ("Set Password"); handed in by the
    // program entry so that this window needs nothing of the main window's unit.
    std::function<void(const QString&)> SetStoredPassword;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TForm2* Form2;

#pragma once
// TMsgform: the small modeless window that shows the file being worked on with a progress
// bar while the archive libraries work, and the result line afterwards.
#include "archive/Archiver.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;
class QProgressBar;
class TGradButton;

class TMsgform : public QWidget {
    Q_OBJECT
public:
    explicit TMsgform(QWidget* parent = nullptr);

    QWidget* Panel1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* FileBeingZipped = nullptr;  // the file the library works on
    QLabel* FileBeingZipped2 = nullptr; // the result line the commands fill
    QWidget* Panel2 = nullptr;
    TGradButton* Dismissbut = nullptr;
    // Shown while an operation runs, left of OK: asks it to stop (OnCancel).
    TGradButton* Cancelbut = nullptr;
    // The libraries' messages of the last operation that skipped or failed entries, under the
    // result line; hidden (and the window its usual height) after a clean result.
    QListWidget* MessageList = nullptr;
    std::function<void()> OnCancel;

    // What the main window's progress handler does with one progress event (without the
    // processing of waiting window messages, which the handler does last).
    void ShowProgress(ProgressType progrType, const std::string& filename, std::int32_t fileSize);
    // Shows the window modelessly and brings it to the front, with Cancel.
    void ShowWorking();
    // The message window's part of a command's closing sequence: the result line is shown,
    // the bar and the current-file label are hidden. The window stays as it is (open until
    // "OK", or hidden when it was closed meanwhile).
    // MESSAGES, when there are any, are listed under the line in a window grown for them.
    void ShowResult(const QString& resultLine, const QStringList& messages = {});
    void DismissButClick();
    void CancelbutClick();

    // The progress bar's step (the amount one StepIt advances) and the advance itself. The
    // bar never goes past its maximum: an advance from a full bar leaves it full.
    int Step() const { return step_; }
    void setStep(int step) { step_ = step; }
    void StepIt();

private:
    // Range minimum 1, maximum 10, step 1, position at the minimum.
    void resetBar();
    // The window's height with or without the message list.
    void setListShown(bool shown);

    int step_ = 1;
};

extern TMsgform* Msgform;

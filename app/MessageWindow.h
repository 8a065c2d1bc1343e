#pragma once
// TMsgform: the small modeless window that shows the file being worked on with a progress
// bar while the archive libraries work, and the result line afterwards.
#include "archive/Archiver.h"

#include <QWidget>

class QLabel;
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

    // What the main window's progress handler does with one progress event (without the
    // processing of waiting window messages, which the handler does last).
    void ShowProgress(ProgressType progrType, const std::string& filename, std::int32_t fileSize);
    // Shows the window modelessly and brings it to the front.
    void ShowWorking();
    // The message window's part of a command's closing sequence: the result line is shown,
    // the bar and the current-file label are hidden. The window stays as it is (open until
    // "OK", or hidden when it was closed meanwhile).
    void ShowResult(const QString& resultLine);
    void DismissButClick();

    // The progress bar's step (the amount one StepIt advances) and the advance itself. The
    // bar never goes past its maximum: an advance from a full bar leaves it full.
    int Step() const { return step_; }
    void setStep(int step) { step_ = step; }
    void StepIt();

private:
    // Range minimum 1, maximum 10, step 1, position at the minimum.
    void resetBar();

    int step_ = 1;
};

extern TMsgform* Msgform;

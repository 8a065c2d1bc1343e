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
    void DismissButClick();
};

extern TMsgform* Msgform;

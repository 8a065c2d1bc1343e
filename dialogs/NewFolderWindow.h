#pragma once
// TForm7: the "Create New Folder" window of the extract dialog. Made once at start and shown
// without blocking from the extract dialog of the running Extract command; it makes one new
// folder inside the folder selected in that dialog's tree.
#include <QDialog>

class QLabel;
class QLineEdit;
class TGradButton;

class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TGradButton* Bitbtn1 = nullptr; // "OK"
    TGradButton* Bitbtn2 = nullptr; // "Cancel"

    void FormShow();
    // Makes the folder: the selected folder's path, a separator and the typed name, joined
    // as they stand. An existing folder is reported and nothing made; a folder that cannot
    // be made raises "Cannot create Folder : " + path and the window stays open.
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TForm7* Form7;

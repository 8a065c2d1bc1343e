#pragma once
// TExtract: the extract dialog "Select Extract Directory". The user picks the destination in
// the folder tree and answers three two-way questions (directories, overwriting, all or the
// selected files); "Create New Folder" opens the new-folder window beside it. The answers go
// into the dialog results that the Extract command reads after the modal run.
#include <QDialog>

class QFrame;
class TFolderTree;
class TGradButton;
class TRadioGroup;

class TExtract : public QDialog {
    Q_OBJECT
public:
    explicit TExtract(QWidget* parent = nullptr);
    ~TExtract() override;

    QFrame* Panel1 = nullptr; // the left-hand panel around the tree
    TFolderTree* Directorylistbox1 = nullptr;
    QFrame* Panel2 = nullptr;           // the right-hand panel
    TRadioGroup* RadioGroup1 = nullptr; // "Extract With Directories"
    TRadioGroup* RadioGroup2 = nullptr; // "OverWrite Existing Files"
    TRadioGroup* RadioGroup3 = nullptr; // "Files to Extract"
    TGradButton* GradButton1 = nullptr; // "Create New Folder"
    TGradButton* OKbut = nullptr;
    TGradButton* Cancelbut = nullptr;

    void FormCreate();
    void FormShow();
    void FormActivate();
    void Directorylistbox1Change();
    void OKButClick();
    void CancelButClick();
    void GradButton1Click();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// The extract dialog of the latest Extract command; the new-folder window works on it.
extern TExtract* Extract;

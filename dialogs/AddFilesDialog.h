#pragma once
// TAddForm: the "Add Files" dialog. The user browses folders in the tree, picks files in the
// list of the folder shown, collects their full paths in "Files to Add:", sets two options and
// confirms with "Add To ZIP". The dialog never touches the archive: the Add command makes a
// new one for every use, shows it modally and then reads SelectedList, the option boxes (the
// encryption's among them) and DialogCancelled.
#include <QDialog>

class QCheckBox;
class QRadioButton;
class QFrame;
class QLabel;
class QListWidget;
class TFileListBox;
class TFolderTree;
class TGradButton;

class TAddForm : public QDialog {
    Q_OBJECT
public:
    explicit TAddForm(QWidget* parent = nullptr);
    ~TAddForm() override;

    QFrame* Panel1 = nullptr; // header strip of the browsing area
    QLabel* Label3 = nullptr;
    TFolderTree* DirectoryListBox1 = nullptr;
    TFileListBox* FileListBox1 = nullptr;
    QFrame* Panel2 = nullptr; // around the collected list
    QFrame* Panel3 = nullptr; // its header strip
    QLabel* Label1 = nullptr;
    QListWidget* SelectedList = nullptr;
    QFrame* Panel4 = nullptr; // the right-hand column
    QLabel* Label2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QCheckBox* DirNameCB = nullptr;
    QCheckBox* RecurseCB = nullptr;
    // Encryption of the added entries: off unless ticked, then AES-256 unless ZipCrypto
    // (weak, for tools that know nothing newer) is chosen.
    QFrame* Bevel2 = nullptr;
    QCheckBox* EncryptCB = nullptr;
    QRadioButton* AesRB = nullptr;
    QRadioButton* ZipCryptoRB = nullptr;
    QLabel* Label4 = nullptr; // what ZipCrypto is good for
    TGradButton* Selectallbut = nullptr;
    TGradButton* Addfilebut = nullptr;
    TGradButton* Removebut = nullptr;
    TGradButton* sortbut = nullptr;
    TGradButton* Okbut = nullptr;
    TGradButton* cancelbut = nullptr;

    void FormCreate();
    void FormShow();
    void DirectoryListBox1Click();
    void SelectAllButClick();
    void AddFileButClick();
    void RemoveButClick();
    void SortButClick();
    void OKButClick();
    void CancelButClick();

    // PATH with the path separator appended, unless it is empty or already ends in one.
    static QString AppendSlash(const QString& path);

    // Whether the collected list is in sorted mode (for the rest of the dialog's life).
    bool Sorted() const { return sorted_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showStartFolder();
    void collect(const QString& path);

    bool sorted_ = false;
};

// The add dialog of the latest Add command.
extern TAddForm* AddForm;

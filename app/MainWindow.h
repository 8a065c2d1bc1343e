#pragma once
// TMainform: the main window. It owns the archive component Archiver1, the entry table
// StringGrid1 and the open-file dialogs OpenDialog1 and OpenDialog2, lists the current
// archive, runs the archive file commands and guards the commands that change or hand out
// archive contents with the access gate. This file's source holds the frame (creation,
// start-up, window events, closing, the gate); MainWindowLayout.cpp its menus and panels,
// ArchiveCommands.cpp the listing and archive-file commands, EntryCommands.cpp the entry
// commands, ViewCommands.cpp the viewing and help commands, MainWindowPasswords.cpp the
// answers to the libraries' requests for an archive's own password.
#include "controls/SortingGrid.h"

#include "archive/Archiver.h"
#include "platform/qt/OpenDialog.h"

#include <QProxyStyle>
#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QMimeData;
class QStatusBar;
class TGradButton;

// The hint window's look: tooltips in bold Arial Narrow of 10 points, shown 10 milliseconds
// after the mouse comes to rest. Install() puts both in place for the whole application.
class THintConFont : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    static QFont HintFont();
    static void Install();
};

class TMainform : public QWidget {
    Q_OBJECT
public:
    // ARGUMENTS are the program's command-line arguments without the program name; the
    // first one, when given, is the archive opened when the window is first shown.
    explicit TMainform(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TMainform() override;

    // The archive component, the archive file dialog and the program chooser of Open with.
    TArchiver Archiver1;
    TOpenDialog OpenDialog1;
    TOpenDialog OpenDialog2;

    // Menus.
    QMenuBar* MainMenu1 = nullptr;
    QMenu *File1 = nullptr, *View1 = nullptr, *ool1 = nullptr, *Option1 = nullptr, *Help1 = nullptr;
    QAction *NewZIP1 = nullptr, *OpenZIP1 = nullptr, *DeleteZIP1 = nullptr, *Exit1 = nullptr;
    QAction *OpenFiles1 = nullptr, *OpenWith2 = nullptr, *FilesProperties1 = nullptr;
    QAction *Extract1 = nullptr, *AddFiles1 = nullptr, *DeleteFiles1 = nullptr;
    QAction *TestArchive1 = nullptr, *TestSelectedFiles1 = nullptr;
    QAction *CombineZIP1 = nullptr, *Configure1 = nullptr;
    QAction *tessalyHelp1 = nullptr, *About1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction *ViewSelectedFile1 = nullptr, *Openwith1 = nullptr, *ExtractSelectedFile1 = nullptr,
            *DeleteSelectedFile1 = nullptr, *Properties1 = nullptr;

    // Top area: toolbar and name display.
    QFrame* Panel2 = nullptr;
    QFrame* Panel4 = nullptr;
    TGradButton *NewZipBut = nullptr, *ZipOpenBut = nullptr, *DeleteZipBut = nullptr,
                *ExtractBut = nullptr, *AddBut = nullptr, *DeleteBut = nullptr,
                *GradButton1 = nullptr, *GradButton2 = nullptr, *Viewbut = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Panel6 = nullptr;
    QLineEdit* ZipFname = nullptr;

    // The entry table.
    TSortingGrid* StringGrid1 = nullptr;

    // Bottom: status bar and files counter.
    QFrame* Panel5 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* FilesLabel = nullptr;
    QLabel* Label1 = nullptr;

    // Hidden state holders: the documents folder, the extension of the entry last opened,
    // the stored access password, and the file list used to empty the temp folder.
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QListWidget* FileListBox1 = nullptr;

    // The text the password prompt's field holds now; handed in by the program entry. Empty
    // when not set.
    std::function<QString()> PromptPassword;
    // Shows the password prompt modelessly and brings it to the front.
    std::function<void()> ShowPasswordPrompt;
    // Shows the settings window and the About window modelessly.
    std::function<void()> ShowSettings;
    std::function<void()> ShowAbout;
    // Ends the message loop (File > Exit) without closing the windows; QCoreApplication::exit
    // unless replaced.
    std::function<void()> Terminate;

    // The temp folder: documents folder + separator + "Quembly Temp" + separator.
    QString TempFolder() const;
    // Why the temp folder cannot be used now ("" when it can): it is made when missing and
    // used only when it is a real folder (not a link) owned by the user.
    std::string TempFolderProblem() const;

    // Event handlers of the window.
    void FormCreate();
    void FormShow();
    // Gives the columns their shares of CLIENTWIDTH, the window's width after a resize.
    void FormCanResize(int clientWidth);
    void FormClose();
    void FormDestroy();

    // The listing.
    void Archiver1DirUpdate();
    void FillGrid();
    void RewriteGridSeparators();
    void Archiver1Progress(ProgressType progrType, const std::string& filename,
                           std::int32_t fileSize);
    void Archiver1Message(std::int32_t errCode, const std::string& message);
    // A library asks for the open archive's own password (REASON from LibCallBack.h, NAME the
    // entry or the archive). Reading, the password typed is kept for the archive while it
    // stays open, so that later operations do not ask again; a wrong one is dropped and asked
    // for again. Encrypting asks twice and keeps nothing. False when the user cancelled.
    bool Archiver1Password(std::int32_t reason, const std::string& name, std::string& password);
    // Zeroes and drops the kept archive password (another archive opened, the archive
    // deleted, the window closed).
    void forgetArchivePassword();

    // The access gate: true when the command may go on.
    bool AccessGate();
    // One operation at a time: true, after "Please wait: an operation is still running.",
    // while an entry operation runs; a command that starts one calls this first.
    bool refuseWhileBusy();
    // Asks the running operation to stop at the library's next progress call.
    void CancelOperation();

    // Commands.
    void NewZipButClick();
    void ZipOpenButClick();
    void DeleteZipButClick();
    void Exit1Click();
    void StringGrid1DblClick();
    void ViewSelectedFile1Click();
    void Openwith1Click();
    void Properties1Click();
    void ExtractButClick();
    // The entry menu's Extract: the dialog starts on "Selected Files".
    void ExtractSelectedFile1Click();
    void AddButClick();
    void DeleteButClick();
    // Test Archive and Test Selected Files: every entry, or the selected ones, read and
    // checked, through the access gate and the closing sequence of the entry commands.
    void TestArchiveClick();
    void TestSelectedFilesClick();
    // The common end of Add, Extract and Delete once their checks have passed: OPERATION
    // runs under a guard that shows FAILURETEXT as a plain message for any error it raises;
    // then the message window shows the component's ProcessedCount followed by RESULTTEXT,
    // with its bar and current-file label hidden, and the table's names take "\".
    // A failed or refused operation's result line says "OPERATIONNAME failed: " and why
    // instead; a cancelled one starts with "Cancelled: "; skipped entries add ", N skipped"
    // and their messages are listed under the line.
    void RunEntryOperation(const std::function<void()>& operation, const std::string& failureText,
                           const QString& resultText, const QString& operationName = {});
    // Files and folders dropped on the window: added to the open archive after the access
    // gate and a confirmation, with each item stored under its own name; with no archive
    // open, one ZIP file is opened and other files may start a new archive. Refused while an
    // operation runs.
    void DropFiles(const QStringList& paths);
    // Selected entries dragged out of the table: extracted with their folders into a fresh
    // folder inside the temp folder (through the access gate) and offered as file URLs; the
    // folder goes when the drag is cancelled or refused.
    void StringGrid1DragOut();
    // The extraction of a drag: the URLs of what was extracted into FOLDER, or null (and no
    // folder left) when nothing may or could be dragged.
    QMimeData* extractForDragging(QString& folder);
    void GradButton1Click();
    void GradButton2Click();
    void ViewbutClick();
    void About1Click();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildPanels();
    void connectCommands();
    void setNameDisplay(const QString& text);
    // Column 0 of the selected entry rows, top to bottom.
    QStringList selectedNames() const;
    // The common part of Open entry and Open with: extracts the selected entries into the
    // temp folder without their folder names, puts the extension of the last one into
    // Edit2 and returns that entry's file name.
    QString extractForViewing();
    // Appends the selected rows' names to FSpecArgs; false, after "Error - no files selected",
    // when there are none.
    bool takeSelectedNames();
    // The start of an entry operation once its checks have passed: the message window shown
    // and brought to the front, START LINE handed to the message handler, Verbose on and
    // Trace off.
    void beginEntryOperation(const std::string& startLine);
    void testEntries(bool selectedOnly);
    void openDroppedArchive(const QString& path);

    // Ends the entry operation begun by beginEntryOperation; closes the window when a close
    // waited for it.
    void endEntryOperation();

    QStringList arguments_;
    // True from the start of an entry operation to its result line.
    bool operationRunning_ = false;
    // The libraries' messages of the running (or last) operation that name a problem.
    QStringList operationMessages_;
    // Problems among them that were no cancellation: the skipped or failed entries.
    int operationProblems_ = 0;
    // The next extract dialog starts on "Selected Files".
    bool extractSelected_ = false;
    // A close asked for during an operation, carried out once it has stopped.
    bool closeAfterOperation_ = false;
    // Directory updates handled so far; tells whether reading an archive raised one.
    unsigned dirUpdates_ = 0;
    // The password that opened the encrypted entries of the archive archivePasswordFor_,
    // kept in memory only.
    std::string archivePassword_;
    std::string archivePasswordFor_;
};

extern TMainform* Mainform;

// Maps the font names of the designed windows to installed look-alikes.
void installFontSubstitutions();

// Creates the long-lived windows in their order (main window, message window, new-folder
// window, password prompt, settings window, About window) as the globals Mainform, Msgform,
// Form7, Form1, Form2 and formabout, and joins them to each other. ARGUMENTS as for TMainform.
void createApplicationWindows(const QStringList& arguments);
// Deletes them again, in the reverse order, and clears the globals.
void destroyApplicationWindows();

// A font of FAMILY whose line (character cell with its internal leading) is HEIGHT pixels
// high: the largest pixel size whose line height does not exceed it.
QFont fontOfHeight(const QString& family, int height, bool bold = false);

// A picture of the vendored icon set: NAME is the icon's file name without ".svg".
QImage iconImage(const QString& name, int size, const QColor& color);

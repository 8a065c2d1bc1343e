// The main window's listing of the open archive and its archive-file commands: Open ZIP,
// New ZIP, Delete ZIP and Exit.
#include "app/MainWindow.h"

#include "app/EntryColumn.h"
#include "app/MessageWindow.h"
#include "controls/SortingGrid.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/qt/WaitCursor.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

#include <memory>

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

// Empties the table down to its caption row; the columns let go of the listing they showed
// (the undo of the last sort may hold it until the next sort).
void emptyTable(TSortingGrid& grid) {
    grid.setFixedRows(0);
    grid.setRowCount(1);
    for (int c = 0; c < grid.ColCount(); ++c)
        grid.setColumnSource(c, 1, 0, nullptr);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The listing

void TMainform::Archiver1DirUpdate() {
    ++dirUpdates_;
    // Whatever way another archive came to be shown, its password is not the one kept.
    if (Archiver1.ZipFilename() != archivePasswordFor_)
        forgetArchivePassword();
    FillGrid();
    FilesLabel->setText(QString::number(Archiver1.Count()));
}

void TMainform::FillGrid() {
    emptyTable(*StringGrid1);
    const int count = Archiver1.Count();
    if (count == 0)
        return;
    // The cells only point into the component's listing (kept alive by the columns until the
    // next fill, whatever the component reads meanwhile); row 0 keeps its captions. The
    // repaint waits for the event loop.
    StringGrid1->setRowCount(count + 1);
    StringGrid1->setFixedRows(1);
    const std::shared_ptr<const ZipDirList> entries = Archiver1.SharedDirEntries();
    for (int c = 0; c < 4; ++c)
        StringGrid1->setColumnSource(
            c, 1, count,
            std::make_shared<EntryColumn>(entries, EntryColumn::Field(c), Archiver1.NameEncoding));
}

void TMainform::RewriteGridSeparators() {
    if (auto* names = dynamic_cast<EntryColumn*>(StringGrid1->ColumnSource(0))) {
        if (!names->showsBackslashes()) {
            StringGrid1->SourceTextsChanging(0);
            names->showBackslashes();
        }
        return;
    }
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        QString name = StringGrid1->Cells(0, r);
        if (name.contains('/')) {
            // The cell lets go of its text first, so that the text is changed where it lies
            // instead of being copied.
            StringGrid1->setCells(0, r, QString());
            name.replace('/', '\\');
            StringGrid1->setCells(0, r, name);
        }
    }
}

void TMainform::Archiver1Progress(ProgressType progrType, const std::string& filename,
                                  std::int32_t fileSize) {
    // Entry names come as stored; they are shown by the rule the table uses.
    if (Msgform)
        Msgform->ShowProgress(progrType, isValidUtf8(filename) ? filename : cp437ToUtf8(filename),
                              fileSize);
    QCoreApplication::processEvents();
}

void TMainform::Archiver1Message(std::int32_t errCode, const std::string& message) {
    // The libraries' messages that name a problem (code 0 is a verbose line, and the
    // commands' start lines come with 0 too) are kept for the running operation's result.
    if (errCode == 0 || !operationRunning_)
        return;
    operationMessages_ << QString::fromStdString(isValidUtf8(message) ? message
                                                                      : cp437ToUtf8(message));
    // The libraries' code for "the caller asked to stop": no entry of its own.
    constexpr std::int32_t CancelledCode = 8;
    if (errCode != CancelledCode)
        ++operationProblems_;
}

// ---------------------------------------------------------------------------------------------
// Archive file commands

void TMainform::setNameDisplay(const QString& text) {
    ZipFname->setText(text);
    ZipFname->setCursorPosition(0);
}

void TMainform::ZipOpenButClick() {
    if (refuseWhileBusy())
        return;
    OpenDialog1.Title = tr("Open Existing ZIP File");
    OpenDialog1.include(TOpenDialog::ofHideReadOnly);
    OpenDialog1.include(TOpenDialog::ofPathMustExist);
    OpenDialog1.include(TOpenDialog::ofFileMustExist);
    OpenDialog1.include(TOpenDialog::ofShareAware);
    if (OpenDialog1.Execute(this)) {
        platform::WaitCursor hourglass;
        const unsigned updatesBefore = dirUpdates_;
        forgetArchivePassword();
        try {
            Archiver1.setZipFilename(OpenDialog1.FileName.toStdString());
        } catch (...) {
            // A file that cannot be opened at all raises no directory update: the table is
            // refilled from the component's list (now empty), so that the entries of the
            // archive shown before do not stand under the new name.
            if (dirUpdates_ == updatesBefore)
                Archiver1DirUpdate();
            setNameDisplay(toQ(Archiver1.ZipFilename()));
            throw;
        }
        setNameDisplay(toQ(Archiver1.ZipFilename()));
    }
    RewriteGridSeparators();
}

void TMainform::NewZipButClick() {
    if (refuseWhileBusy())
        return;
    OpenDialog1.Title = tr("Create New ZIP File");
    OpenDialog1.include(TOpenDialog::ofHideReadOnly);
    OpenDialog1.include(TOpenDialog::ofShareAware);
    OpenDialog1.exclude(TOpenDialog::ofPathMustExist);
    OpenDialog1.exclude(TOpenDialog::ofFileMustExist);
    OpenDialog1.Filter = tr("ZIP Files (*.ZIP)|*.zip");
    if (!OpenDialog1.Execute(this))
        return;
    QString name = OpenDialog1.FileName;
    if (!name.toLower().contains(".zip")) {
        name += ".zip";
        OpenDialog1.FileName = name;
    }
    const std::string path = name.toStdString();
    if (platform::fileExists(path)) {
        if (!platform::messages().confirm(tr("Overwrite Existing File: ").toStdString() + path +
                                          "?"))
            return;
        // A file that cannot be deleted stays; its entries are then listed below.
        platform::deleteFile(path);
    }
    setNameDisplay(name);
    forgetArchivePassword();
    Archiver1.setZipFilename(path);
}

void TMainform::DeleteZipButClick() {
    if (refuseWhileBusy())
        return;
    if (!AccessGate())
        return;
    const std::string path = ZipFname->text().toStdString();
    if (!platform::fileExists(path)) {
        platform::messages().showMessage(tr("Zip file not found: ").toStdString() + path);
        return;
    }
    if (!platform::messages().confirm(tr("Are you sure you want to delete: ").toStdString() + path +
                                      "?"))
        return;
    // A failed deletion must not look like a success: the archive is still there, so its
    // name and entries stay on show.
    if (!platform::deleteFile(path)) {
        platform::messages().showError(tr("Cannot delete ").toStdString() + path);
        return;
    }
    forgetArchivePassword();
    setNameDisplay("<none>");
    emptyTable(*StringGrid1);
    FilesLabel->setText("0");
}

void TMainform::Exit1Click() {
    // Ends the program without the temp folder's emptying of a close.
    if (Terminate)
        Terminate();
}

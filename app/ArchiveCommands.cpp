// The main window's listing of the open archive and its archive-file commands: Open ZIP,
// New ZIP, Delete ZIP and Exit.
#include "app/MainWindow.h"

#include "app/MessageWindow.h"
#include "controls/SortingGrid.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/qt/Locale.h"
#include "platform/qt/WaitCursor.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

#include <unordered_map>

namespace {

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
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
    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
    const int count = Archiver1.Count();
    if (count == 0)
        return;
    // The cells are written straight into the table, whose repaint waits for the event loop,
    // one column at a time; row 0 keeps its captions. Equal sizes and equal dates share one
    // text (the first few thousand different ones are remembered): archives repeat them often.
    StringGrid1->setRowCount(count + 1);
    StringGrid1->setFixedRows(1);
    const auto& entries = Archiver1.DirEntries();
    for (int c = 0; c < 4; ++c) {
        std::unordered_map<std::uint64_t, QString> texts;
        const auto shared = [&texts](std::uint64_t key, const auto& make) {
            const auto it = texts.find(key);
            if (it != texts.end())
                return it->second;
            QString text = make();
            if (texts.size() < 4096)
                texts.emplace(key, text);
            return text;
        };
        for (int i = 0; i < count; ++i) {
            const ZipDirEntry& entry = *entries[static_cast<std::size_t>(i)];
            QString text;
            if (c == 0)
                text = toQ(displayName(entry, Archiver1.NameEncoding));
            else if (c == 1)
                text = shared(entry.CompressedSize64,
                              [&] { return QString::number(entry.CompressedSize64); });
            else if (c == 2)
                text = shared(entry.UncompressedSize64,
                              [&] { return QString::number(entry.UncompressedSize64); });
            else // an impossible stored date or time leaves the cell empty
                text = shared(entry.DateTime,
                              [&] { return platform::dosDateTimeText(entry.DateTime); });
            StringGrid1->setCells(c, i + 1, text);
        }
    }
}

void TMainform::RewriteGridSeparators() {
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
    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
    FilesLabel->setText("0");
}

void TMainform::Exit1Click() {
    // Ends the program without the temp folder's emptying of a close.
    if (Terminate)
        Terminate();
}

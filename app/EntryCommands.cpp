// The main window's entry commands, Add, Extract and Delete, with the closing sequence they
// share: message window, result line and a fresh listing.
#include "app/MainWindow.h"

#include "app/MessageWindow.h"
#include "controls/RadioGroup.h"
#include "controls/SortingGrid.h"
#include "dialogs/AddFilesDialog.h"
#include "dialogs/DialogResults.h"
#include "dialogs/ExtractDialog.h"
#include "platform/Files.h"
#include "platform/Messages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <utility>

// ---------------------------------------------------------------------------------------------
// Entry commands

void TMainform::RunEntryOperation(const std::function<void()>& operation,
                                  const std::string& failureText, const QString& resultText,
                                  const QString& operationName) {
    try {
        operation();
    } catch (...) {
        platform::messages().showMessage(failureText);
    }
    // Only this operation's count: a refused or failed one says why instead.
    QString line;
    const QString count = QString::number(Archiver1.ProcessedCount());
    if (!Archiver1.LastError().empty())
        line = tr("%1 failed: %2")
                   .arg(operationName.isEmpty() ? tr("Operation") : operationName,
                        QString::fromStdString(Archiver1.LastError()));
    else if (Archiver1.WasCancelled())
        line = tr("Cancelled: ") + count + resultText;
    else
        line = count + resultText;
    if (operationProblems_ > 0 && Archiver1.LastError().empty())
        line += tr(", %1 skipped").arg(operationProblems_);
    if (Msgform)
        Msgform->ShowResult(line, operationMessages_);
    RewriteGridSeparators();
    endEntryOperation();
}

bool TMainform::takeSelectedNames() {
    for (const QString& name : selectedNames())
        Archiver1.FSpecArgs().push_back(name.toStdString());
    if (!Archiver1.FSpecArgs().empty())
        return true;
    platform::messages().showMessage(tr("Error - no files selected").toStdString());
    return false;
}

void TMainform::beginEntryOperation(const std::string& startLine) {
    operationRunning_ = true;
    operationMessages_.clear();
    operationProblems_ = 0;
    if (Msgform)
        Msgform->ShowWorking();
    Archiver1Message(0, startLine);
    Archiver1.Verbose = true;
    Archiver1.Trace = false;
}

void TMainform::AddButClick() {
    if (refuseWhileBusy())
        return;
    // A fresh dialog for every Add: its list starts empty, its options unticked.
    delete AddForm;
    AddForm = new TAddForm(this);
    TAddForm* dialog = AddForm;
    if (!AccessGate())
        return;
    const std::string archive = Archiver1.ZipFilename();
    if (archive.empty()) {
        platform::messages().showMessage(tr("Error - open a zip file first").toStdString());
        return;
    }
    if (isSelfExtractingName(archive)) {
        platform::messages().showMessage(
            tr("Error - this pgm can NOT add files to a self-extracting archive").toStdString());
        return;
    }
    dialog->move(pos());
    // Cancelled unless OK is pressed: Cancel or the close box end the command quietly.
    DialogCancelled = true;
    dialog->exec();
    if (DialogCancelled)
        return;
    if (dialog->SelectedList->count() == 0) {
        platform::messages().showMessage(tr("No files selected").toStdString());
        return;
    }
    beginEntryOperation(tr("Beginning Add to ").toStdString() + archive);
    Archiver1.AddOptions = {};
    if (dialog->RecurseCB->isChecked())
        Archiver1.AddOptions.include(AddOptsEnum::AddRecurseDirs);
    if (dialog->DirNameCB->isChecked())
        Archiver1.AddOptions.include(AddOptsEnum::AddDirNames);
    // Encryption is this Add's alone: a drop or a later Add without the option adds plainly.
    struct PlainAfterwards {
        TArchiver& archiver;
        ~PlainAfterwards() { archiver.AddEncryption = AddEncryptionEnum::None; }
    } plainAfterwards{Archiver1};
    Archiver1.AddEncryption = !dialog->EncryptCB->isChecked()    ? AddEncryptionEnum::None
                              : dialog->ZipCryptoRB->isChecked() ? AddEncryptionEnum::ZipCrypto
                                                                 : AddEncryptionEnum::Aes256;
    Archiver1.FSpecArgs().clear();
    for (int i = 0; i < dialog->SelectedList->count(); ++i)
        Archiver1.FSpecArgs().push_back(dialog->SelectedList->item(i)->text().toStdString());
    dialog->SelectedList->clear();

    RunEntryOperation([this] { Archiver1.Add(); },
                      tr("Error in Add; Fatal DLL Exception in mainunit").toStdString(),
                      tr(" files were added"), tr("Add"));
}

void TMainform::ExtractButClick() {
    if (refuseWhileBusy())
        return;
    // A fresh dialog for every Extract: its answers start at "No", "Yes", "All Files".
    delete Extract;
    Extract = new TExtract(this);
    TExtract* dialog = Extract;
    if (std::exchange(extractSelected_, false))
        dialog->RadioGroup3->setItemIndex(1);
    if (!AccessGate())
        return;
    const std::string shown = ZipFname->text().toStdString();
    if (!platform::fileExists(shown)) {
        platform::messages().showMessage(tr("Error: file not found: ").toStdString() + shown);
        return;
    }
    // Cancelled unless OK is pressed, however the dialog is closed.
    DialogCancelled = true;
    dialog->exec();
    if (ExtractDir.empty() || DialogCancelled)
        return;
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage(tr("Error - no files to extract").toStdString());
        return;
    }
    Archiver1.FSpecArgs().clear();
    if (!ExtractAllFiles && !takeSelectedNames())
        return;
    beginEntryOperation(tr("Beginning Extract from ").toStdString() + Archiver1.ZipFilename());
    Archiver1.ExtrBaseDir = ExtractDir;
    Archiver1.ExtrOptions = {};
    if (ExtractWithDirs)
        Archiver1.ExtrOptions.include(ExtrOptsEnum::ExtrDirNames);
    if (ExtractOverwrite)
        Archiver1.ExtrOptions.include(ExtrOptsEnum::ExtrOverWrite);

    RunEntryOperation([this] { Archiver1.Extract(); },
                      tr("Error in Extract; Fatal DLL Exception in mainunit").toStdString(),
                      tr(" files were extracted"), tr("Extract"));
}

void TMainform::ExtractSelectedFile1Click() {
    extractSelected_ = true;
    ExtractButClick();
    extractSelected_ = false;
}

void TMainform::DeleteButClick() {
    if (refuseWhileBusy())
        return;
    if (!AccessGate())
        return;
    const std::string archive = Archiver1.ZipFilename();
    if (isSelfExtractingName(archive)) {
        platform::messages().showMessage(
            tr("Error - this pgm can NOT delete files from a self-extracting archive")
                .toStdString());
        return;
    }
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage(tr("Error - no files to delete").toStdString());
        return;
    }
    if (!platform::messages().confirm(tr("Delete selected files from: ").toStdString() + archive +
                                      "?"))
        return;
    Archiver1.FSpecArgs().clear();
    if (!takeSelectedNames())
        return;
    beginEntryOperation(tr("Beginning delete from ").toStdString() + archive);
    RunEntryOperation([this] { Archiver1.Delete(); },
                      tr("Fatal error trying to delete").toStdString(), tr(" files were Deleted"),
                      tr("Delete"));
}

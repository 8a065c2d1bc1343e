// The main window's viewing and help commands: opening an entry with its program or a chosen
// one, an entry's properties, the settings, the combiner, the help document and About.
#include "app/MainWindow.h"

#include "controls/SortingGrid.h"
#include "dialogs/ExtractDialog.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Shell.h"

#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Viewing and help

void TMainform::StringGrid1DblClick() {
    if (refuseWhileBusy())
        return;
    Edit2->clear();
    if (!AccessGate())
        return;
    const QString file = extractForViewing();
    // A name without extension (a folder entry among them) has no program to open it: the
    // archive itself is shown instead. An entry that could not be extracted (encrypted,
    // damaged) is not handed on as a path that does not exist: the libraries' reasons are
    // shown instead.
    if (!Edit2->text().isEmpty() && !platform::fileExists((TempFolder() + file).toStdString()))
        return;
    if (Edit2->text().isEmpty())
        platform::shell().explore(ZipFname->text().toStdString());
    else
        platform::shell().openDocument((TempFolder() + file).toStdString());
}

void TMainform::ViewSelectedFile1Click() {
    StringGrid1DblClick();
}

void TMainform::Openwith1Click() {
    if (refuseWhileBusy())
        return;
    Edit2->clear();
    if (!AccessGate())
        return;
#ifdef _WIN32
    OpenDialog2.Filter = tr("application (*.exe)|*.exe");
    OpenDialog2.InitialDir = "c:\\program";
#else
    // Programs carry no extension here: the dialog shows the files one may run.
    OpenDialog2.Filter = tr("application|*");
    OpenDialog2.ExecutablesOnly = true;
    OpenDialog2.InitialDir = "/usr/bin";
#endif
    OpenDialog2.include(TOpenDialog::ofHideReadOnly);
    OpenDialog2.include(TOpenDialog::ofFileMustExist);
    if (!OpenDialog2.Execute(this))
        return;
    const QString file = extractForViewing();
    if (!file.isEmpty() && !platform::fileExists((TempFolder() + file).toStdString()))
        return;
    // The path is handed over as one argument, so that the spaces of the temp folder's name
    // do not split it.
    platform::shell().startProgram(OpenDialog2.FileName.toStdString(),
                                   (TempFolder() + file).toStdString());
}

QString TMainform::extractForViewing() {
    // The file name is what follows the last separator: the libraries write an entry
    // extracted without folder names under that name. ":" separates a drive only on Windows.
#ifdef _WIN32
    const QRegularExpression separator(R"([\\/:])");
#else
    const QRegularExpression separator(R"([\\/])");
#endif
    std::vector<std::string>& specs = Archiver1.FSpecArgs();
    specs.clear();
    QString file;
    for (const QString& name : selectedNames()) {
        specs.push_back(name.toStdString());
        file = name.mid(name.lastIndexOf(separator) + 1);
    }

    const QString folder = TempFolder();
    // Without its folder the libraries would extract into whatever folder is current, and
    // overwrite files there: it is made again when it has gone. A link or someone else's
    // folder in its place is never written through.
    if (const std::string problem = TempFolderProblem(); !problem.empty()) {
        specs.clear();
        throw platform::Exception(problem);
    }
    Archiver1.ExtrBaseDir = folder.toStdString();
    Archiver1.Verbose = true;
    Archiver1.Trace = false;
    // Overwriting, and no copy left from an earlier view: whatever the shell opens next is
    // the entry just chosen, or nothing when it could not be extracted.
    Archiver1.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    if (!file.isEmpty() && platform::fileExists((folder + file).toStdString()))
        platform::deleteFile((folder + file).toStdString());
    // With no entry row selected (only the caption row), nothing is extracted: an empty
    // list would ask the library for every entry.
    if (!specs.empty()) {
        operationRunning_ = true;
        operationMessages_.clear();
        operationProblems_ = 0;
        try {
            Archiver1.Extract();
        } catch (...) {
            platform::messages().showMessage(
                tr("Error in Extract; Fatal DLL Exception in mainunit").toStdString());
        }
        endEntryOperation();
        // What kept the entry from being written is said, not dropped.
        if (!file.isEmpty() && !platform::fileExists((folder + file).toStdString()) &&
            !operationMessages_.isEmpty())
            platform::messages().showMessage(operationMessages_.join('\n').toStdString());
    }
    const qsizetype dot = file.lastIndexOf('.');
    Edit2->setText(dot >= 0 ? file.mid(dot) : QString());
    return file;
}

QStringList TMainform::selectedNames() const {
    QStringList names;
    const TGridRect sel = StringGrid1->Selection();
    for (int r = std::max(sel.Top, 1); r <= sel.Bottom && r < StringGrid1->RowCount(); ++r)
        names << StringGrid1->Cells(0, r);
    return names;
}

void TMainform::Properties1Click() {
    const int r = StringGrid1->Selection().Top;
    const QString name = StringGrid1->Cells(0, r);
    const qsizetype dot = name.lastIndexOf('.');
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    const QString text = tr("File Name         : ") + name + "\r" + tr("Extension file    : ") +
                         extension + "\r" + tr("Compressed Size   : ") + StringGrid1->Cells(1, r) +
                         "\r" + tr("Uncompressed Size : ") + StringGrid1->Cells(2, r) + "\r" +
                         tr("Modified          : ") + StringGrid1->Cells(3, r) + "\r";
    platform::messages().showMessage(text.toStdString());
}

void TMainform::GradButton1Click() {
#ifdef _WIN32
    const std::string tool = "combiner.exe";
#else
    const std::string tool = "combiner";
#endif
    platform::shell().startProgram(
        platform::programDirectory() + platform::pathSeparatorText() + tool, "");
}

void TMainform::GradButton2Click() {
    if (ShowSettings)
        ShowSettings();
}

void TMainform::ViewbutClick() {
#ifdef _WIN32
    const std::string help = "Quembly Help.chm";
#else
    const std::string help = "Quembly Help.html";
#endif
    platform::shell().openDocument(platform::programDirectory() + platform::pathSeparatorText() +
                                   help);
}

void TMainform::About1Click() {
    if (ShowAbout)
        ShowAbout();
}

// The window's Test Archive and Test Selected Files: the UNZIPPER library reads each entry
// and checks its CRC, writing nothing; each failure arrives as a message naming the entry.
#include "app/MainWindow.h"

#include "platform/Files.h"
#include "platform/Messages.h"

#include <QLineEdit>

#include <algorithm>

void TMainform::TestArchiveClick() {
    testEntries(false);
}

void TMainform::TestSelectedFilesClick() {
    testEntries(true);
}

void TMainform::testEntries(bool selectedOnly) {
    if (refuseWhileBusy() || !AccessGate())
        return;
    const std::string shown = ZipFname->text().toStdString();
    if (!platform::fileExists(shown)) {
        platform::messages().showMessage(tr("Error: file not found: ").toStdString() + shown);
        return;
    }
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage(tr("Error - no files to test").toStdString());
        return;
    }
    Archiver1.FSpecArgs().clear();
    if (selectedOnly && !takeSelectedNames())
        return;
    beginEntryOperation(tr("Beginning Test of ").toStdString() + Archiver1.ZipFilename());
    // The entries tested are those announced; the component counts the sound ones.
    QString result = tr(" files tested sound");
    RunEntryOperation(
        [this, &result] {
            int tested = 0;
            const TProgressEvent progress = Archiver1.OnProgress;
            Archiver1.OnProgress = [&tested, &progress](TArchiver* sender, ProgressType type,
                                                        const std::string& name,
                                                        std::int32_t size) {
                tested += type == ProgressType::NewFile;
                if (progress)
                    progress(sender, type, name, size);
            };
            struct Restore {
                TArchiver& archiver;
                const TProgressEvent& progress;
                ~Restore() { archiver.OnProgress = progress; }
            } restore{Archiver1, progress};
            Archiver1.Test();
            // The failed entries are the problems the message list names: counted once.
            operationProblems_ = 0;
            result = tr(" files tested sound, %1 failed")
                         .arg(std::max(0, tested - Archiver1.ProcessedCount()));
        },
        tr("Error in Test; Fatal DLL Exception in mainunit").toStdString(), result, tr("Test"));
}

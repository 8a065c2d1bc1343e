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
    if (!AccessGate())
        return;
    const std::string shown = ZipFname->text().toStdString();
    if (!platform::fileExists(shown)) {
        platform::messages().showMessage("Error: file not found: " + shown);
        return;
    }
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage("Error - no files to test");
        return;
    }
    Archiver1.FSpecArgs().clear();
    if (selectedOnly && !takeSelectedNames())
        return;
    beginEntryOperation("Beginning Test of " + Archiver1.ZipFilename());
    // The entries tested are those announced; the component counts the sound ones.
    QString result = " files tested sound";
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
            result = QString(" files tested sound, %1 failed")
                         .arg(std::max(0, tested - Archiver1.ProcessedCount()));
        },
        "Error in Test; Fatal DLL Exception in mainunit", result);
}

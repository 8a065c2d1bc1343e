// The window's Test Archive and Test Selected Files: the UNZIPPER library reads each entry
// and checks its CRC, writing nothing; each failure arrives as a message naming the entry.
#include "app/MainWindow.h"

#include "platform/Files.h"
#include "platform/Messages.h"

#include <QLineEdit>

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
    RunEntryOperation([this] { Archiver1.Test(); },
                      "Error in Test; Fatal DLL Exception in mainunit", " files tested sound");
}

// The program: the command-line mode when asked for, else the windows and the message loop.
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/MessageWindow.h"
#include "controls/ButtonAccessible.h"
#include "controls/GradButton.h"
#include "dialogs/AboutWindow.h"
#include "dialogs/AddFilesDialog.h"
#include "dialogs/ExtractDialog.h"
#include "dialogs/NewFolderWindow.h"
#include "dialogs/PasswordPrompt.h"
#include "dialogs/SettingsWindow.h"
#include "platform/qt/ErrorGuard.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/Translations.h"

#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

namespace {

// Saves a picture of WINDOW as FOLDER/FILE, showing it first when it is hidden.
void saveWindowPicture(QWidget* window, const QString& folder, const QString& file) {
    if (!window)
        return;
    const bool wasVisible = window->isVisible();
    if (!wasVisible)
        window->show();
    QCoreApplication::processEvents();
    window->grab().save(QDir(folder).filePath(file));
    if (!wasVisible)
        window->hide();
}

// The dialogs of Add and Extract as a person meets them: the Add Files dialog with the files
// of the start folder collected, the extract dialog with the new-folder window beside it.
void saveEntryDialogPictures(const QString& folder) {
    {
        TAddForm add(Mainform);
        add.show();
        add.Selectallbut->Click();
        add.Addfilebut->Click();
        saveWindowPicture(&add, folder, "addfiles.png");
    }
    TExtract extract(Mainform);
    extract.show();
    saveWindowPicture(&extract, folder, "extract.png");
    extract.GradButton1->Click();
    Form7->Edit1->setText("Holiday photos");
    saveWindowPicture(Form7, folder, "newfolder.png");
    Form7->hide();
}

// A hidden aid for the documentation: with QUEMBLY_SCREENSHOT_DIR set, the program saves a
// picture of each of its windows into that folder once the main window is up, and quits.
void scheduleScreenshots() {
    const QString folder = qEnvironmentVariable("QUEMBLY_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QTimer::singleShot(800, [folder] {
        QDir().mkpath(folder);
        saveWindowPicture(Mainform, folder, "screenshot.png");
        saveWindowPicture(Form1, folder, "password.png");
        saveWindowPicture(Msgform, folder, "messages.png");
        saveWindowPicture(formabout, folder, "about.png");
        saveWindowPicture(Form2, folder, "settings.png");
        saveEntryDialogPictures(folder);
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char** argv) {
    if (std::optional<int> status = runCommandLine(argc, argv))
        return *status;

    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName("Quembly");
    platform::installTranslations(platform::uiLanguage());
    installFontSubstitutions();
    installControlAccessibility();
    QPixmap appIcon = QPixmap::fromImage(iconImage("file-zip", 64, QColor(0x1C, 0x4F, 0x8C)));
    QApplication::setWindowIcon(QIcon(appIcon));

    platform::QtMessageService messageService;
    platform::ScopedMessageService messagesInstalled(messageService);
    platform::QtShellService shellService;
    platform::ShellService* previousShell = platform::setShellService(&shellService);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    createApplicationWindows(arguments);
    Mainform->show();
    scheduleScreenshots();

    const int status = QApplication::exec();

    destroyApplicationWindows();
    platform::setShellService(previousShell);
    return status;
}

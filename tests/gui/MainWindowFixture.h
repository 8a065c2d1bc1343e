#pragma once
// The fixture of the whole-window tests: a sandboxed documents folder and registry, scripted
// message boxes and file dialogs, a recording shell, and the program's windows made as the
// program makes them.
#include "app/MainWindow.h"
#include "controls/SortingGrid.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/qt/OpenDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/ziplibs/LibHarness.h"

#include <QApplication>
#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>

class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture() : messagesInstalled(messages), chooserInstalled(chooser) {
        guitest::application();
        previousShell = platform::setShellService(&shell);
    }
    ~MainWindowFixture() override {
        destroyApplicationWindows();
        platform::setShellService(previousShell);
        // Extracting moves the current folder, maybe into a test folder removed next.
        std::filesystem::current_path(testsupport::sandboxRoot());
    }

    void SetUp() override { guitest::resetRegistry(docs.str()); }

    // Makes the windows as the program does; nothing is shown yet.
    void create(const QStringList& arguments = {}) {
        createApplicationWindows(arguments);
        programTerminate = Mainform->Terminate;
        Mainform->Terminate = [this] { ++terminateCalls; };
    }
    // Makes the windows and shows the main window, which opens the command-line archive.
    void start(const QStringList& arguments = {}) {
        create(arguments);
        Mainform->show();
        QApplication::processEvents();
    }

    TSortingGrid* grid() const { return Mainform->StringGrid1; }
    QString cell(int col, int row) const { return grid()->Cells(col, row); }
    std::string tempFolder() const { return (docs.path() / "Quembly Temp").string() + "/"; }

    // Writes an archive into the test folder and returns its path.
    std::string writeZip(const std::string& name, const std::vector<guitest::ZipEntrySpec>& e) {
        const auto path = files / name;
        testsupport::writeFile(path, guitest::buildZip(e));
        return path.string();
    }
    // Starts the program on a new archive NAME with the entries E; the boxes shown at start
    // are forgotten. Returns the archive's path.
    std::string startWith(const std::string& name, const std::vector<guitest::ZipEntrySpec>& e) {
        const std::string zip = writeZip(name, e);
        start({QString::fromStdString(zip)});
        messages.clear();
        return zip;
    }
    // The regular files below FOLDER, sorted, as "path=contents" separated by spaces.
    static std::string treeText(const std::filesystem::path& folder) {
        std::string text;
        for (const auto& [path, contents] : zltest::treeContents(folder))
            text += (text.empty() ? "" : " ") + path + "=" + contents;
        return text;
    }
    // The boxes shown (dialogtest::shown), the test folder written "F".
    QString shown() const {
        return dialogtest::shown(messages).replace(QString::fromStdString(files.str()), "F");
    }

    testsupport::TempDir docs;
    testsupport::TempDir files;
    platform::ScriptedMessages messages;
    platform::ScopedMessageService messagesInstalled;
    ScriptedFileChooser chooser;
    ScopedFileChooser chooserInstalled;
    platform::RecordingShell shell;
    platform::ShellService* previousShell = nullptr;
    int terminateCalls = 0;
    std::function<void()> programTerminate; // the program's own end of the message loop
};

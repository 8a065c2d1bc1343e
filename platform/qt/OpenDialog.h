#pragma once
// TOpenDialog: the open-file dialog of the main window's commands. It keeps its title,
// options, filter and file name from one showing to the next, as the commands rely on. The
// actual choosing is done by an exchangeable FileChooser: the program uses a real
// QFileDialog, tests install a ScriptedFileChooser that records what the dialog was set up
// with and answers with a set path or a cancel.
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QFileDialog;
class QWidget;

class TOpenDialog {
public:
    enum TOpenOption : unsigned {
        ofHideReadOnly = 1u << 0, // hide the read-only check box
        ofPathMustExist = 1u << 1,
        ofFileMustExist = 1u << 2,
        ofShareAware = 1u << 3, // do not refuse files in use
    };

    QString Title;
    // Pairs of description and pattern separated by "|": "ZIP Files (*.ZIP)|*.zip".
    QString Filter;
    QString FileName;
    QString InitialDir;
    // Shows only the files the user may run (and the folders), whatever their names.
    bool ExecutablesOnly = false;

    unsigned Options() const { return options_; }
    bool hasOption(TOpenOption option) const { return (options_ & option) != 0; }
    void include(TOpenOption option) { options_ |= option; }
    void exclude(TOpenOption option) { options_ &= ~static_cast<unsigned>(option); }

    // Shows the dialog through the installed chooser. On a confirmed choice FileName becomes
    // the chosen path and the result is true; a cancel leaves FileName as it was.
    bool Execute(QWidget* parent = nullptr);

private:
    unsigned options_ = 0;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen path, or nullopt when the user cancels.
    virtual std::optional<QString> choose(QWidget* parent, const TOpenDialog& dialog) = 0;
};

// The installed chooser; a QtFileChooser unless another one is installed.
FileChooser& fileChooser();
// Installs a chooser (not owned; nullptr restores the Qt one) and returns the previous one.
FileChooser* setFileChooser(FileChooser* chooser);

class QtFileChooser : public FileChooser {
public:
    std::optional<QString> choose(QWidget* parent, const TOpenDialog& dialog) override;
};

// Sets up a Qt file dialog as DIALOG describes it: title, mode, filters, starting folder and
// file name.
void setUpFileDialog(QFileDialog& fileDialog, const TOpenDialog& dialog);

// The Qt name filters for a "description|pattern|..." filter text. Patterns separated by ";"
// become one Qt filter each pair: "ZIP Files (*.ZIP)|*.zip" gives "ZIP Files (*.zip)".
QStringList qtNameFilters(const QString& filter);

// For tests: answers from a queue (a cancel when the queue is empty) and records the
// dialog's settings at every showing.
class ScriptedFileChooser : public FileChooser {
public:
    struct Seen {
        QString title, filter, fileName, initialDir;
        unsigned options;
        bool executablesOnly;
    };
    std::optional<QString> choose(QWidget* parent, const TOpenDialog& dialog) override;
    void choosePath(const QString& path) { answers_.push_back({false, path}); }
    void cancel() { answers_.push_back({true, QString()}); }
    std::vector<Seen> seen;

private:
    struct Answer {
        bool cancelled;
        QString path;
    };
    std::deque<Answer> answers_;
};

// Installs a chooser for the lifetime of this object.
class ScopedFileChooser {
public:
    explicit ScopedFileChooser(FileChooser& c) : previous_(setFileChooser(&c)) {}
    ~ScopedFileChooser() { setFileChooser(previous_); }
    ScopedFileChooser(const ScopedFileChooser&) = delete;
    ScopedFileChooser& operator=(const ScopedFileChooser&) = delete;

private:
    FileChooser* previous_;
};

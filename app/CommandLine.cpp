#include "app/CommandLine.h"

#include "archive/Archiver.h"
#include "archive/DirectoryReader.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/qt/Locale.h"
#include "platform/qt/Translations.h"
#include "ziplibs/common/CodePages.h"

#include <QTranslator>
#include <algorithm>
#include <array>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <ostream>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace cli {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view ProgramName = "quembly";

// A text of the command line in the system's language, with %1, %2 … replaced by ARGS. This
// mode runs before an application object exists, so it asks its own translator.
std::string tx(const char* source, std::initializer_list<std::string> args = {}) {
    static QTranslator translator;
    static const bool loaded = [] {
        const QString language = platform::uiLanguage();
        return !language.isEmpty() && translator.load(QStringLiteral(":/i18n/quembly_") + language +
                                                      QStringLiteral(".qm"));
    }();
    QString text = loaded ? translator.translate("CommandLine", source) : QString();
    if (text.isEmpty())
        text = QString::fromUtf8(source);
    for (const std::string& arg : args)
        text = text.arg(QString::fromStdString(arg));
    return text.toStdString();
}

// Options the Qt toolkit takes from a window start's command line (with one dash or two,
// optionally with "=value"). A command line that starts with one of them starts the window.
bool isToolkitOption(std::string_view arg) {
    static constexpr std::array<std::string_view, 22> names = {"platform",
                                                               "platformpluginpath",
                                                               "platformtheme",
                                                               "plugin",
                                                               "qwindowgeometry",
                                                               "qwindowtitle",
                                                               "qwindowicon",
                                                               "style",
                                                               "stylesheet",
                                                               "reverse",
                                                               "session",
                                                               "widgetcount",
                                                               "geometry",
                                                               "title",
                                                               "icon",
                                                               "display",
                                                               "name",
                                                               "nograb",
                                                               "dograb",
                                                               "sync",
                                                               "qmljsdebugger",
                                                               "graphicssystem"};
    if (arg.size() < 2 || arg[0] != '-')
        return false;
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    arg = arg.substr(0, arg.find('='));
    return std::find(names.begin(), names.end(), arg) != names.end();
}

std::string commandName(Command c) {
    switch (c) {
    case Command::List:
        return "--list";
    case Command::Add:
        return "--add";
    case Command::Extract:
        return "--extract";
    case Command::Delete:
        return "--delete";
    case Command::Test:
        return "--test";
    case Command::Help:
        return "--help";
    case Command::Version:
        return "--version";
    case Command::Window:
        break;
    }
    return "";
}

std::optional<Command> commandOf(std::string_view arg) {
    if (arg == "--list")
        return Command::List;
    if (arg == "--add")
        return Command::Add;
    if (arg == "--extract")
        return Command::Extract;
    if (arg == "--delete")
        return Command::Delete;
    if (arg == "--test")
        return Command::Test;
    if (arg == "--help" || arg == "-h")
        return Command::Help;
    if (arg == "--version")
        return Command::Version;
    return std::nullopt;
}

// Absolute paths are taken from the current directory now: Extract changes the current
// directory before the library opens the archive.
std::string absolutePath(const std::string& path) {
    if (path.empty())
        return path;
    std::error_code ec;
    const fs::path abs = fs::absolute(fs::path(path), ec);
    return ec ? path : abs.string();
}

void showMessage(const std::string& text) {
    platform::messages().showMessage(text);
}

// Text for the terminal: control characters from an archive (an entry name may hold any
// byte) would break the line or drive the terminal, so they are shown as "?".
std::string printable(std::string text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = '?';
    }
    return text;
}

// Set by an interrupt or termination signal while a command runs (or by requestStop).
volatile std::sig_atomic_t stopRequested = 0;

// The progress line on the terminal, while there is one: a message clears it first so that
// it starts on a line of its own.
ProgressLine* activeProgressLine = nullptr;

// The component with its events wired for the command line: the libraries' messages go to
// standard error with their codes, progress to an updating line when standard error is a
// terminal.
//
// An interrupt (Ctrl+C) or a termination request while a command runs asks the library to
// stop at its next callback, so that it removes its temporary file and leaves the archive as
// it was; a second one ends the program at once.
class Session {
public:
    explicit Session(bool quiet = false) : quiet_(quiet) {
        previousInterrupt_ = std::signal(SIGINT, onStopSignal);
        previousTerminate_ = std::signal(SIGTERM, onStopSignal);
        archiver.OnMessage = [this](TArchiver*, std::int32_t code, const std::string& text) {
            takeStopRequest();
            if (progress_)
                progress_->finish();
            // Every code but an informational line (0) and an entry left alone on purpose
            // (2: exists, not newer) says something asked was not done.
            if (code != 0 && code != 2)
                ++problems_;
            // One write per message: standard error is unbuffered, and an extraction may
            // report every file.
            std::cerr << printable(text) + " (code " + std::to_string(code) + ")\n";
            std::cerr.flush();
        };
        if (!quiet && isatty(fileno(stderr))) {
            progress_.emplace(std::cerr);
            activeProgressLine = &*progress_;
        }
        archiver.OnProgress = [this](TArchiver*, ProgressType type, const std::string& name,
                                     std::int32_t size) {
            takeStopRequest();
            if (!progress_)
                return;
            switch (type) {
            case ProgressType::NewFile:
                progress_->newFile(name, size);
                break;
            case ProgressType::ProgressUpdate:
                progress_->update();
                break;
            case ProgressType::EndOfBatch:
                progress_->endOfBatch();
                break;
            }
        };
    }
    ~Session() {
        if (loaded_ == Library::Zip)
            archiver.UnloadZipLibrary();
        else if (loaded_ == Library::Unz)
            archiver.UnloadUnzLibrary();
        finishProgress();
        if (progress_ && activeProgressLine == &*progress_)
            activeProgressLine = nullptr;
        std::signal(SIGINT, previousInterrupt_ == SIG_ERR ? SIG_DFL : previousInterrupt_);
        std::signal(SIGTERM, previousTerminate_ == SIG_ERR ? SIG_DFL : previousTerminate_);
        stopRequested = 0;
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void finishProgress() {
        if (progress_)
            progress_->finish();
    }

    // Reads the archive as the window opens it. A reading error is reported as the window's
    // error box would show it; false then.
    bool open(const std::string& path) {
        try {
            archiver.setZipFilename(path);
            return true;
        } catch (const std::exception& e) {
            finishProgress();
            platform::messages().showError(e.what());
            return false;
        }
    }

    // Loads the one library the command needs; it is unloaded when the session ends. False
    // when it could not be loaded (the loader has said why).
    enum class Library { None, Zip, Unz };
    bool loadLibrary(Library library) {
        loaded_ = library;
        if (library == Library::Zip) {
            archiver.LoadZipLibrary();
            return ZIPPER::ZipDllHandle != nullptr;
        }
        archiver.LoadUnzLibrary();
        return UNZIPPER::UnzDllHandle != nullptr;
    }

    // Runs one library operation under the guard the window's commands use, then prints the
    // result line. Returns the exit status: success only when at least one file was processed
    // and the operation neither failed nor reported a file or entry it could not handle.
    template <typename Operation>
    int runOperation(Operation operation, const std::string& failureText,
                     const std::string& resultText, std::ostream& out) {
        bool failed = false;
        try {
            operation();
        } catch (...) {
            failed = true;
            finishProgress();
            showMessage(failureText);
        }
        finishProgress();
        if (!quiet_) {
            out << archiver.ProcessedCount() << resultText << '\n';
            out.flush();
        }
        return !failed && archiver.LastError().empty() && problems_ == 0 &&
                       archiver.ProcessedCount() > 0
                   ? ExitOk
                   : ExitFailed;
    }

    TArchiver archiver;

private:
    static void onStopSignal(int signal) {
        stopRequested = 1;
        std::signal(signal, SIG_DFL);
    }
    void takeStopRequest() {
        if (stopRequested)
            archiver.Cancel = true;
    }

    bool quiet_ = false; // no count line
    std::optional<ProgressLine> progress_;
    // The libraries' messages that named a problem.
    int problems_ = 0;
    Library loaded_ = Library::None;
    void (*previousInterrupt_)(int) = SIG_DFL;
    void (*previousTerminate_)(int) = SIG_DFL;
};

std::string fileNotFound(const std::string& path) {
    return tx(QT_TRANSLATE_NOOP("CommandLine", "Error: file not found: ")) + path;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Parsing

// Takes --verbose or --quiet into O; returns the option's name.
static const char* outputOption(Options& o, const std::string& arg) {
    if (arg == "--verbose") {
        o.verbose = true;
        return "--verbose";
    }
    o.quiet = true;
    return "--quiet";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    if (args.empty() || args[0].size() < 2 || args[0][0] != '-' || isToolkitOption(args[0]))
        return result; // the window

    auto fail = [&](const std::string& text) {
        result.error = text;
        return result;
    };
    std::vector<std::string> positional;
    bool optionsEnded = false;
    bool recurseSeen = false, dirNamesSeen = false, levelSeen = false, noOverwriteSeen = false,
         encodingSeen = false;
    const char* outputSeen = nullptr; // --verbose or --quiet
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (const auto command = commandOf(arg)) {
            if (o.command != Command::Window && o.command != *command)
                return fail(tx(QT_TRANSLATE_NOOP("CommandLine",
                                                 "only one of --list, --add, --extract, --delete, "
                                                 "--test, --help and --version may be given")));
            o.command = *command;
            continue;
        }
        // Options with a value: "--name VALUE" or "--name=VALUE".
        const std::string name = arg.substr(0, arg.find('='));
        if (name == "--encrypt") { // its value is optional and only ever "=VALUE"
            const std::string method = name.size() < arg.size() ? arg.substr(name.size() + 1) : "";
            if (method.empty() || method == "aes256" || method == "aes-256")
                o.encrypt = ZipEncryptAes256;
            else if (method == "zipcrypto")
                o.encrypt = ZipEncryptZipCrypto;
            else
                return fail(tx(QT_TRANSLATE_NOOP("CommandLine", "unknown encryption method '%1'"),
                               {method}));
            continue;
        }
        if (name == "--level" || name == "--password" || name == "--encoding" ||
            name == "--password-file" || name == "--archive-password-file") {
            std::string value;
            if (name.size() < arg.size()) {
                value = arg.substr(name.size() + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(
                    tx(QT_TRANSLATE_NOOP("CommandLine", "option '%1' needs a value"), {name}));
            }
            if (name == "--password") {
                o.password = value;
                continue;
            }
            if (name == "--password-file" || name == "--archive-password-file") {
                (name == "--password-file" ? o.passwordFile : o.archivePasswordFile) = value;
                continue;
            }
            if (name == "--encoding") {
                const auto enc = ziplibs::parseNameEncoding(value);
                if (!enc)
                    return fail("unknown name encoding '" + value + "'");
                o.nameEncoding = static_cast<std::int32_t>(*enc);
                encodingSeen = true;
                continue;
            }
            if (value.size() != 1 || value[0] < '0' || value[0] > '9')
                return fail(tx(QT_TRANSLATE_NOOP(
                                   "CommandLine",
                                   "the compression level must be a number from 0 to 9, not '%1'"),
                               {value}));
            o.level = value[0] - '0';
            levelSeen = true;
            continue;
        }
        if (arg == "--recurse") {
            o.recurse = recurseSeen = true;
        } else if (arg == "--dirnames") {
            o.dirNames = dirNamesSeen = true;
        } else if (arg == "--no-overwrite") {
            o.overwrite = false;
            noOverwriteSeen = true;
        } else if (arg == "--verbose" || arg == "--quiet") {
            outputSeen = outputOption(o, arg);
        } else {
            return fail(tx(QT_TRANSLATE_NOOP("CommandLine", "unknown option '%1'"), {arg}));
        }
    }

    if (o.password && o.passwordFile)
        return fail(tx(QT_TRANSLATE_NOOP("CommandLine",
                                         "--password and --password-file cannot both be given")));
    if (o.passwordFile == "-" && o.archivePasswordFile == "-")
        return fail(tx(QT_TRANSLATE_NOOP(
            "CommandLine",
            "--password-file and --archive-password-file cannot both read standard input")));
    auto notFor = [&](bool seen, const char* option) -> std::optional<std::string> {
        if (seen)
            return tx(QT_TRANSLATE_NOOP("CommandLine", "option '%1' does not apply to %2"),
                      {option, commandName(o.command)});
        return std::nullopt;
    };
    std::optional<std::string> misplaced;
    switch (o.command) {
    case Command::Window:
        return fail(tx(QT_TRANSLATE_NOOP(
            "CommandLine", "no command given (one of --list, --add, --extract, --delete)")));
    case Command::Help:
    case Command::Version:
        return result;
    case Command::List:
    case Command::Test:
        misplaced = notFor(outputSeen != nullptr, outputSeen);
        [[fallthrough]];
    case Command::Delete:
        if (!misplaced)
            misplaced = notFor(recurseSeen, "--recurse");
        if (!misplaced)
            misplaced = notFor(dirNamesSeen, "--dirnames");
        if (!misplaced)
            misplaced = notFor(levelSeen, "--level");
        if (!misplaced)
            misplaced = notFor(noOverwriteSeen, "--no-overwrite");
        if (!misplaced && o.command != Command::Test)
            misplaced = notFor(o.archivePasswordFile.has_value(), "--archive-password-file");
        if (!misplaced && o.command == Command::List)
            misplaced = notFor(o.passwordFile.has_value(), "--password-file");
        break;
    case Command::Add:
        misplaced = notFor(noOverwriteSeen, "--no-overwrite");
        if (!misplaced)
            misplaced = notFor(encodingSeen, "--encoding");
        break;
    case Command::Extract:
        misplaced = notFor(recurseSeen, "--recurse");
        if (!misplaced)
            misplaced = notFor(levelSeen, "--level");
        break;
    }
    if (!misplaced && o.command != Command::Add)
        misplaced = notFor(o.encrypt != 0, "--encrypt");
    if (misplaced)
        return fail(*misplaced);
    if (o.verbose && o.quiet)
        return fail(
            tx(QT_TRANSLATE_NOOP("CommandLine", "--verbose and --quiet exclude each other")));

    if (positional.empty())
        return fail(
            tx(QT_TRANSLATE_NOOP("CommandLine", "%1 needs an archive"), {commandName(o.command)}));
    o.archive = positional[0];
    if (o.archive.empty())
        return fail(tx(QT_TRANSLATE_NOOP("CommandLine", "the archive name is empty")));
    auto rest = positional.begin() + 1;
    switch (o.command) {
    case Command::List:
        if (positional.size() > 1)
            return fail(
                tx(QT_TRANSLATE_NOOP("CommandLine", "unexpected argument '%1'"), {positional[1]}));
        break;
    case Command::Add:
        if (rest == positional.end())
            return fail(tx(QT_TRANSLATE_NOOP("CommandLine", "No files selected")));
        break;
    case Command::Extract:
        if (rest == positional.end())
            return fail(
                tx(QT_TRANSLATE_NOOP("CommandLine", "--extract needs a destination folder")));
        o.folder = *rest++;
        break;
    case Command::Delete:
        if (rest == positional.end())
            return fail(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - no files selected")));
        break;
    default:
        break;
    }
    o.names.assign(rest, positional.end());
    return result;
}

void requestStop() {
    stopRequested = 1;
}

std::string versionText() {
    return "Quembly 1.0";
}

std::string usageText() {
    return tx(QT_TRANSLATE_NOOP("CommandLine", R"(Usage: quembly [ARCHIVE]
       quembly --list ARCHIVE [--encoding NAME]
       quembly --add ARCHIVE [--recurse] [--dirnames] [--level N] [--password PW]
                 [--encrypt[=zipcrypto]] [--archive-password-file FILE] PATH...
       quembly --extract ARCHIVE FOLDER [--dirnames] [--no-overwrite] [--password PW]
                 [--archive-password-file FILE] [--encoding NAME] [NAME...]
       quembly --delete ARCHIVE [--password PW] [--encoding NAME] NAME...
       quembly --test ARCHIVE [--password PW] [--archive-password-file FILE]
                 [--encoding NAME] [NAME...]
       quembly --help | --version

Without a command Quembly opens its window, showing ARCHIVE when one is given.

Commands:
  --list           print one line per entry: name, compressed size, uncompressed size
                   and date/time, separated by tabs
  --add            add the files PATH... to ARCHIVE, creating ARCHIVE when it does not exist
  --extract        extract every entry, or the entries NAME..., into FOLDER; FOLDER is
                   created when it does not exist but its parent folder does
  --delete         delete the entries NAME... from ARCHIVE
  --test           read every entry, or the entries NAME..., and check its CRC without
                   writing anything; names each entry that failed and why, then prints
                   "N files tested, M failed" (exit status 1 when any failed)
  --help           show this text
  --version        show the program's version

Options:
  --recurse        (--add) also add the files in named folders and their subfolders
  --dirnames       (--add) store folder names; (--extract) recreate the stored folders
  --level N        (--add) compression level from 0 (store only) to 9 (best, the default)
  --no-overwrite   (--extract) keep files that already exist in FOLDER; by default they
                   are replaced
  --password PW    the access password; --add, --extract, --delete and --test need it
                   when one is set in the settings (other users can see it in the list
                   of processes: prefer --password-file)
  --password-file FILE
                   the access password is the first line of FILE ("-": standard input)
  --archive-password-file FILE
                   (--add, --extract, --test) the archive's own password, which encrypts
                   its entries, is the first line of FILE ("-": standard input); without
                   it Quembly asks on a terminal when an encrypted entry needs it
  --encrypt[=zipcrypto]
                   (--add) encrypt the added files with AES-256, or with ZipCrypto (weak,
                   for older tools)
  --encoding NAME  (--list, --extract, --test, --delete) the code page of names stored
                   without the UTF-8 flag: Automatic (the default), CP437, CP850, CP852,
                   CP866, CP1250, CP1251, CP1252, Shift-JIS, GBK, EUC-KR or Big5
  --verbose        (--add, --extract, --delete) also print a line for each file
  --quiet          (--add, --extract, --delete) print errors only, not the closing count

Entry names may separate folders with "\" (as --list shows them) or with "/".
Entries compressed with stored, deflate, Deflate64, bzip2, LZMA, XZ or Zstandard are
extracted, encrypted ones (ZipCrypto, AES) with the archive's password; other methods
(PPMd, ...), and encrypted entries without the password, are skipped with a message.
--add stores or deflates.
Exit status: 0 only when everything asked was done; 1 on an error, when any file or
entry failed or was skipped for an error, when no file was processed, or for --list of
a file that is not a ZIP archive; 2 when the command line is wrong.
)"));
}

// ---------------------------------------------------------------------------------------
// Listing

std::string entryLine(const ZipDirEntry& entry, std::int32_t nameEncoding) {
    std::string name = displayName(entry, nameEncoding);
    std::replace(name.begin(), name.end(), '/', '\\');
    // One entry, one line: control characters in a stored name would break the columns
    // (or drive the terminal).
    std::string line = printable(name);
    line += '\t';
    line += std::to_string(entry.CompressedSize64);
    line += '\t';
    line += std::to_string(entry.UncompressedSize64);
    line += '\t';
    line += platform::dosDateTimeText(entry.DateTime).toStdString();
    return line;
}

// True when the last 64 KiB and 22 bytes of the file at PATH (the end record with the longest
// comment) hold an end record's signature.
static bool hasEndRecord(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    const std::streamoff tail = std::min<std::streamoff>(size, 65535 + 22);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(tail, 0)), '\0');
    file.seekg(size - tail);
    file.read(bytes.data(), tail);
    return bytes.find(std::string("PK\x05\x06", 4)) != std::string::npos;
}

int runList(const Options& options, std::ostream& out) {
    const std::string path = absolutePath(options.archive);
    if (!platform::fileExists(path)) {
        showMessage(fileNotFound(path));
        return ExitFailed;
    }
    // Each entry is printed as soon as it is read and not kept, so that a long listing
    // needs no memory for its entries; what is printed and reported is what the component's
    // listing would show.
    std::optional<std::string> error;
    bool disagree = false; // told on standard error by the reader
    std::size_t listed = 0;
    try {
        archive_detail::FileSource source(path);
        disagree = archive_detail::readEntries(source, [&](std::unique_ptr<ZipDirEntry> entry) {
            out << entryLine(*entry, options.nameEncoding) << '\n';
            ++listed;
        });
    } catch (const std::exception& e) {
        error = e.what();
    }
    out.flush();
    if (error) {
        platform::messages().showError(*error);
        return ExitFailed;
    }
    if (disagree)
        return ExitFailed;
    // No entries: an empty archive still ends with its end record; a file without one is no
    // ZIP archive at all, which is a failure to list it.
    return listed > 0 || hasEndRecord(path) ? ExitOk : ExitFailed;
}

// ---------------------------------------------------------------------------------------
// The access password

std::optional<std::string> checkPassword(const std::optional<std::string>& given) {
    // A settings file that cannot be read may hold a password: the commands stay locked.
    if (std::string problem = platform::registryHiveProblem(); !problem.empty())
        return problem;
    std::string stored;
    try {
        platform::Registry registry(platform::RootKey::ClassesRoot);
        if (registry.openKey("\\tessaly.zip", false)) {
            stored = registry.readString("PSW");
            registry.closeKey();
        }
    } catch (const std::exception& e) {
        // A password that cannot be read keeps the commands locked.
        return platform::errorBoxText(e.what());
    }
    if (stored.empty() || (given && *given == stored))
        return std::nullopt;
    return tx(QT_TRANSLATE_NOOP("CommandLine", "Wrong or missing password"));
}

// ---------------------------------------------------------------------------------------
// The archive password

namespace {

// Overwrites TEXT before its memory is given back.
void clearText(std::string& text) {
    volatile char* p = text.data();
    for (std::size_t i = 0; i < text.size(); ++i)
        p[i] = '\0';
    text.clear();
}

std::string withoutLineEnd(std::string line) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Asks on the terminal with PROMPT, the typed text not shown; nullopt at the end of input.
std::optional<std::string> askHidden(const std::string& prompt) {
    if (activeProgressLine)
        activeProgressLine->finish();
    std::cerr << prompt;
    std::cerr.flush();
#ifndef _WIN32
    termios before{};
    const bool hidden = tcgetattr(STDIN_FILENO, &before) == 0;
    if (hidden) {
        termios quiet = before;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
#endif
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
#ifndef _WIN32
    if (hidden)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
#endif
    std::cerr << '\n';
    if (!read) {
        clearText(line);
        return std::nullopt;
    }
    return withoutLineEnd(std::move(line));
}

} // namespace

std::optional<std::string> readPasswordFile(const std::string& path) {
    std::string line;
    if (path == "-") {
        if (!std::getline(std::cin, line) && line.empty() && !std::cin.eof())
            return std::nullopt;
        return withoutLineEnd(std::move(line));
    }
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::getline(file, line);
    if (file.bad())
        return std::nullopt;
    return withoutLineEnd(std::move(line));
}

bool canAskPassword() {
    return isatty(fileno(stdin)) && isatty(fileno(stderr));
}

ArchivePasswordAnswers::ArchivePasswordAnswers(const Options& options, const std::string& archive)
    : given_(options.archivePassword), archive_(archive) {}

ArchivePasswordAnswers::~ArchivePasswordAnswers() {
    if (given_)
        clearText(*given_);
}

void ArchivePasswordAnswers::install(TArchiver& archiver) {
    archiver.OnPassword = [this](TArchiver*, std::int32_t reason, const std::string& name,
                                 std::string& password) { return answer(reason, name, password); };
}

bool ArchivePasswordAnswers::answer(std::int32_t reason, const std::string& name,
                                    std::string& password) {
    if (given_) {
        // A file is not asked again: a wrong password ends the operation.
        if (reason == PasswordWrong) {
            wrongEntry_ = name;
            return false;
        }
        password = *given_;
        return true;
    }
    if (!canAskPassword()) {
        password.clear(); // none: encrypted entries are skipped with their message
        return reason != PasswordToEncrypt;
    }
    if (reason == PasswordWrong)
        showMessage(
            tx(QT_TRANSLATE_NOOP("CommandLine", "Wrong password for %1"), {printable(name)}));
    for (;;) {
        auto first = askHidden(
            tx(QT_TRANSLATE_NOOP("CommandLine", "Password for %1: "), {printable(archive_)}));
        if (!first)
            return false;
        if (reason != PasswordToEncrypt || first->empty()) {
            password = std::move(*first);
            return true;
        }
        auto again = askHidden(tx(QT_TRANSLATE_NOOP("CommandLine", "Password again: ")));
        const bool same = again && *again == *first;
        if (again)
            clearText(*again);
        if (same) {
            password = std::move(*first);
            return true;
        }
        clearText(*first);
        if (!again)
            return false;
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "The passwords do not match")));
    }
}

bool ArchivePasswordAnswers::reportWrong() const {
    if (wrongEntry_.empty())
        return false;
    showMessage(
        tx(QT_TRANSLATE_NOOP("CommandLine", "Wrong password for %1"), {printable(wrongEntry_)}));
    return true;
}

// ---------------------------------------------------------------------------------------
// Add, extract, delete

// The access password: a refusal is reported and ends the command.
static bool passwordAccepted(const Options& options) {
    if (const auto refused = checkPassword(options.password)) {
        showMessage(*refused);
        return false;
    }
    return true;
}

int runAdd(const Options& options, std::ostream& out) {
    if (!passwordAccepted(options))
        return ExitFailed;
    const std::string archive = absolutePath(options.archive);
    if (isSelfExtractingName(archive)) {
        showMessage(tx(QT_TRANSLATE_NOOP(
            "CommandLine", "Error - this pgm can NOT add files to a self-extracting archive")));
        return ExitFailed;
    }
    if (options.names.empty()) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "No files selected")));
        return ExitFailed;
    }
    // The paths go to the library as given: the current directory stays where it is for an
    // add, and a relative path is stored relative to it (with --dirnames "src/a.txt", not
    // the whole path from the root).
    for (const std::string& name : options.names) {
        std::error_code ec;
        if (!fs::exists(fs::path(name), ec)) {
            showMessage(fileNotFound(absolutePath(name)));
            return ExitFailed;
        }
    }
    const std::vector<std::string>& specs = options.names;
    if (options.encrypt != 0 && !options.archivePassword && !canAskPassword()) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine",
                                         "--encrypt needs a password: give "
                                         "--archive-password-file FILE, or run in a terminal")));
        return ExitUsage;
    }

    Session session(options.quiet);
    TArchiver& a = session.archiver;
    if (platform::directoryExists(archive)) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - not an archive file: ")) +
                    archive);
        return ExitFailed;
    }
    if (!session.open(archive))
        return ExitFailed;
    if (!session.loadLibrary(Session::Library::Zip))
        return ExitFailed;
    a.Verbose = options.verbose; // the per-file lines
    a.Trace = false;
    a.AddCompLevel = options.level;
    a.AddOptions = AddOpts();
    if (options.recurse)
        a.AddOptions.include(AddOptsEnum::AddRecurseDirs);
    if (options.dirNames)
        a.AddOptions.include(AddOptsEnum::AddDirNames);
    a.setFSpecArgs(specs);
    a.AddEncryption = options.encrypt == ZipEncryptAes256      ? AddEncryptionEnum::Aes256
                      : options.encrypt == ZipEncryptZipCrypto ? AddEncryptionEnum::ZipCrypto
                                                               : AddEncryptionEnum::None;
    ArchivePasswordAnswers answers(options, options.archive);
    answers.install(a);
    return session.runOperation(
        [&] { a.Add(); },
        tx(QT_TRANSLATE_NOOP("CommandLine", "Error in Add; Fatal DLL Exception in mainunit")),
        tx(QT_TRANSLATE_NOOP("CommandLine", " files were added")), out);
}

// The number of entries the component's listing of the archive would hold, read as that
// listing reads them (its messages and errors alike) but without keeping them: the library
// reads the archive itself, and a million entries would otherwise be held for nothing.
static std::size_t countEntries(const std::string& archive) {
    std::size_t entries = 0;
    archive_detail::FileSource source(archive);
    archive_detail::readEntries(source, [&](std::unique_ptr<ZipDirEntry>) { ++entries; });
    return entries;
}

// Names the archive the component works on without listing it again.
static void storeArchiveName(TArchiver& a, const std::string& archive) {
    a.designMode = true;
    a.setZipFilename(archive);
    a.designMode = false;
}

int runExtract(const Options& options, std::ostream& out) {
    if (!passwordAccepted(options))
        return ExitFailed;
    const std::string archive = absolutePath(options.archive);
    if (!platform::fileExists(archive)) {
        showMessage(fileNotFound(archive));
        return ExitFailed;
    }
    // "new/" names the folder "new": its parent is the folder above, not "new" itself.
    fs::path folderPath = fs::path(absolutePath(options.folder)).lexically_normal();
    if (!folderPath.has_filename() && folderPath.has_relative_path())
        folderPath = folderPath.parent_path();
    const std::string folder = folderPath.string();
    if (!platform::directoryExists(folder)) {
        std::error_code ec;
        const fs::path parent = folderPath.parent_path();
        if (fs::exists(fs::path(folder), ec)) {
            showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - not a folder: ")) + folder);
            return ExitFailed;
        }
        if (!platform::directoryExists(parent.string())) {
            showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - folder not found: ")) +
                        parent.string());
            return ExitFailed;
        }
        if (!platform::createDirectory(folder) || !platform::directoryExists(folder)) {
            showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - cannot create folder: ")) +
                        folder);
            return ExitFailed;
        }
    }

    Session session(options.quiet);
    TArchiver& a = session.archiver;
    a.NameEncoding = options.nameEncoding;
    // The listing walks the local headers and may stop early (stray bytes between entries, a
    // damaged entry); the library extracts from the central directory all the same, so a
    // listing error is only a warning here.
    bool listingFailed = false;
    std::size_t entries = 0;
    try {
        entries = countEntries(archive);
    } catch (const std::exception& e) {
        listingFailed = true;
        session.finishProgress();
        showMessage(
            tx(QT_TRANSLATE_NOOP("CommandLine", "Warning: ")) + platform::errorBoxText(e.what()) +
            tx(QT_TRANSLATE_NOOP(
                "CommandLine", " Extracting the entries the archive's central directory names.")));
    }
    storeArchiveName(a, archive);
    if (entries == 0 && !listingFailed) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - no files to extract")));
        return ExitFailed;
    }
    if (!session.loadLibrary(Session::Library::Unz))
        return ExitFailed;
    a.setFSpecArgs(options.names); // none: every entry
    a.ExtrBaseDir = folder;
    a.Verbose = options.verbose; // the per-file lines
    a.Trace = false;
    a.ExtrOptions = ExtrOpts();
    if (options.dirNames)
        a.ExtrOptions.include(ExtrOptsEnum::ExtrDirNames);
    if (options.overwrite)
        a.ExtrOptions.include(ExtrOptsEnum::ExtrOverWrite);
    ArchivePasswordAnswers answers(options, options.archive);
    answers.install(a);
    const int status = session.runOperation(
        [&] { a.Extract(); },
        tx(QT_TRANSLATE_NOOP("CommandLine", "Error in Extract; Fatal DLL Exception in mainunit")),
        tx(QT_TRANSLATE_NOOP("CommandLine", " files were extracted")), out);
    return answers.reportWrong() ? ExitFailed : status;
}

int runDelete(const Options& options, std::ostream& out) {
    if (!passwordAccepted(options))
        return ExitFailed;
    const std::string archive = absolutePath(options.archive);
    if (isSelfExtractingName(archive)) {
        showMessage(tx(QT_TRANSLATE_NOOP(
            "CommandLine",
            "Error - this pgm can NOT delete files from a self-extracting archive")));
        return ExitFailed;
    }
    if (!platform::fileExists(archive)) {
        showMessage(fileNotFound(archive));
        return ExitFailed;
    }
    if (options.names.empty()) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - no files selected")));
        return ExitFailed;
    }

    Session session(options.quiet);
    TArchiver& a = session.archiver;
    a.NameEncoding = options.nameEncoding;
    if (!session.open(archive))
        return ExitFailed;
    if (a.Count() == 0) {
        showMessage(tx(QT_TRANSLATE_NOOP("CommandLine", "Error - no files to delete")));
        return ExitFailed;
    }
    if (!session.loadLibrary(Session::Library::Zip))
        return ExitFailed;
    a.Verbose = options.verbose; // the per-file lines
    a.Trace = false;
    a.setFSpecArgs(options.names);
    return session.runOperation(
        [&] { a.Delete(); }, tx(QT_TRANSLATE_NOOP("CommandLine", "Fatal error trying to delete")),
        tx(QT_TRANSLATE_NOOP("CommandLine", " files were Deleted")), out);
}

int run(const Options& given, std::ostream& out) {
    // The password files are read once, before anything else reads standard input; the
    // copies are cleared when the command ends.
    Options options = given;
    struct Clear {
        Options& o;
        ~Clear() {
            if (o.password)
                clearText(*o.password);
            if (o.archivePassword)
                clearText(*o.archivePassword);
        }
    } clear{options};
    for (auto [file, into] : {std::pair{&options.passwordFile, &options.password},
                              std::pair{&options.archivePasswordFile, &options.archivePassword}}) {
        if (!*file)
            continue;
        *into = readPasswordFile(**file);
        if (!*into) {
            showMessage(
                tx(QT_TRANSLATE_NOOP("CommandLine", "Cannot read the password file %1"), {**file}));
            return ExitFailed;
        }
    }
    switch (options.command) {
    case Command::Help:
        out << usageText();
        return ExitOk;
    case Command::Version:
        out << versionText() << '\n';
        return ExitOk;
    case Command::List:
        return runList(options, out);
    case Command::Add:
        return runAdd(options, out);
    case Command::Extract:
        return runExtract(options, out);
    case Command::Delete:
        return runDelete(options, out);
    case Command::Test:
        return runTest(options, out);
    case Command::Window:
        break;
    }
    return ExitUsage;
}

// ---------------------------------------------------------------------------------------
// The progress line

namespace {
// File names longer than this are cut at the front, so that the line never wraps and "\r"
// always returns to its start.
constexpr std::size_t NameRoom = 60;
constexpr std::int64_t BytesPerStep = 32768;

std::string fitName(const std::string& name) {
    if (name.size() <= NameRoom)
        return name;
    std::size_t start = name.size() - (NameRoom - 3);
    // Start on a character, not inside a UTF-8 sequence.
    while (start < name.size() && (static_cast<unsigned char>(name[start]) & 0xC0) == 0x80)
        ++start;
    return "..." + name.substr(start);
}
} // namespace

void ProgressLine::newFile(const std::string& name, std::int32_t size) {
    name_ = fitName(printable(name));
    // As the message window's bar: one step per whole 32 KiB, none for a smaller file.
    steps_ = size > 0 ? size / BytesPerStep : 0;
    done_ = 0;
    inFile_ = true;
    shownPercent_ = -1; // a new name is always shown
    draw();
}

void ProgressLine::update() {
    if (!inFile_)
        return; // no file announced: nothing to show progress for
    if (done_ < steps_)
        ++done_;
    draw();
}

void ProgressLine::endOfBatch() {
    if (inFile_) {
        done_ = steps_;
        draw();
    }
    inFile_ = false;
    finish();
}

int ProgressLine::percent() const {
    if (steps_ <= 0)
        return 100;
    return static_cast<int>(std::min<std::int64_t>(100, done_ * 100 / steps_));
}

void ProgressLine::draw() {
    const int p = percent();
    if (p == shownPercent_ && shownWidth_ > 0)
        return;
    std::string line = name_ + " " + std::to_string(p) + "%";
    const std::size_t width = line.size();
    if (width < shownWidth_)
        line.append(shownWidth_ - width, ' ');
    out_ << '\r' << line;
    out_.flush();
    shownWidth_ = std::max(width, shownWidth_);
    shownPercent_ = p;
}

void ProgressLine::finish() {
    if (shownWidth_ == 0)
        return;
    out_ << '\r' << std::string(shownWidth_, ' ') << '\r';
    out_.flush();
    shownWidth_ = 0;
    shownPercent_ = -1;
}

} // namespace cli

namespace {

// Boxes of the command-line mode: messages and errors go to standard error; a confirmation
// is never asked of the user (the command line already says what to do) and counts as "No".
class CommandLineMessages : public platform::MessageService {
public:
    void showMessage(const std::string& text) override { write(text); }
    bool confirm(const std::string& text) override {
        write(text + " [answered No]");
        return false;
    }
    void showError(const std::string& text) override { write(platform::errorBoxText(text)); }

private:
    static void write(const std::string& text) {
        if (cli::activeProgressLine)
            cli::activeProgressLine->finish();
        std::cout.flush();
        std::cerr << text << '\n';
        std::cerr.flush();
    }
};

// A command works through many entries, each with a time and many with a folder: the
// process is set up for that before it starts.
void prepareForCommand() {
#ifndef _WIN32
    // Without TZ the C library looks at /etc/localtime again for every time it converts (one
    // system call for each entry of an archive as libzip opens it); TZ naming that same file
    // keeps the zone read once. Qt takes ":/etc/localtime" as the system's zone too.
    if (!std::getenv("TZ") && access("/etc/localtime", R_OK) == 0)
        setenv("TZ", ":/etc/localtime", 0);
    // The extraction keeps the folders it writes into open, as many as the limit allows.
    struct rlimit files {};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 16384);
        setrlimit(RLIMIT_NOFILE, &files);
    }
#endif
}

} // namespace

std::optional<int> runCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i] ? argv[i] : "");
    const cli::ParseResult parsed = cli::parseArguments(args);
    if (!parsed.error.empty()) {
        std::cerr << cli::ProgramName << ": " << parsed.error << "\n\n" << cli::usageText();
        return cli::ExitUsage;
    }
    if (parsed.options.command == cli::Command::Window)
        return std::nullopt;
    prepareForCommand();
    CommandLineMessages service;
    platform::ScopedMessageService installed(service);
    try {
        return cli::run(parsed.options, std::cout);
    } catch (const std::exception& e) {
        service.showError(e.what());
        return cli::ExitFailed;
    }
}

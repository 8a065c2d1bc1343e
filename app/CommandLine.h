#pragma once
// The command-line mode: listing, adding, extracting and deleting without a window.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

struct ZipDirEntry;
class TArchiver;

// Runs the command line when it asks for a command-line action (--list, --add, --extract,
// --delete, --help, --version) and returns the exit status; nullopt when the program should
// start its window (no argument, or a plain archive path).
std::optional<int> runCommandLine(int argc, char** argv);

namespace cli {

// Exit statuses.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1; // an error, or nothing could be done
inline constexpr int ExitUsage = 2;  // the command line itself is wrong

enum class Command { Window, Help, Version, List, Add, Extract, Delete, Test };

struct Options {
    Command command = Command::Window;
    std::string archive;
    std::string folder;             // --extract: the destination folder
    std::vector<std::string> names; // --add: paths to add; --extract, --delete, --test: entries
    bool recurse = false;           // --add --recurse
    bool dirNames = false;          // --add/--extract --dirnames
    bool overwrite = true;          // --extract; --no-overwrite clears it
    int level = 9;                  // --add --level N (0..9)
    std::optional<std::string> password;
    // --password-file FILE: the access password is the first line of FILE ("-": standard
    // input); run() reads it into password.
    std::optional<std::string> passwordFile;
    // --archive-password-file FILE (--add, --extract, --test): the archive's own password,
    // read the same way by run().
    std::optional<std::string> archivePasswordFile;
    std::optional<std::string> archivePassword;
    // --encrypt (AES-256) or --encrypt=zipcrypto (--add): ZipEncrypt* of ZIPPER.h.
    std::int32_t encrypt = 0;
    std::int32_t nameEncoding = 0; // --encoding NAME: the code page of names without the
                                   // UTF-8 flag (TArchiver::NameEncoding), 0 automatic
    // --add, --extract, --delete: --verbose prints a line per file; --quiet leaves out the
    // closing count and the progress line too, so that only errors are printed.
    bool verbose = false;
    bool quiet = false;
};

struct ParseResult {
    Options options;
    // Not empty when the command line is wrong: what is wrong, for standard error (the
    // usage text follows it and the exit status is ExitUsage).
    std::string error;
};

// Parses the arguments after the program's name.
ParseResult parseArguments(const std::vector<std::string>& args);

std::string usageText();
std::string versionText(); // "Quembly 1.0"

// One line of --list (without the line end): the name as the entry table shows it, the
// compressed and uncompressed sizes, and the date/time text, separated by tabs. The date is
// empty when the stored value is not a valid date and time.
std::string entryLine(const ZipDirEntry& entry, std::int32_t nameEncoding = 0);

// The commands. Listings and result lines go to OUT; messages and errors to the installed
// message service (standard error in the command-line mode). Each returns the exit status.
int runList(const Options& options, std::ostream& out);
int runAdd(const Options& options, std::ostream& out);
int runExtract(const Options& options, std::ostream& out);
int runDelete(const Options& options, std::ostream& out);
// Tests every entry, or the entries NAME...: prints "NAME: reason" for each that failed,
// then "N files tested, M failed"; ExitOk only when every entry tested sound.
int runTest(const Options& options, std::ostream& out);
// Asks the running (or the next) add, extract or delete to stop, as an interrupt does: the
// library stops at its next callback and leaves the archive as it was.
void requestStop();
// Runs a parsed command line (Help and Version print to OUT).
int run(const Options& options, std::ostream& out);

// The first line of the file at PATH without its line end ("-": of standard input); nullopt
// when it cannot be read.
std::optional<std::string> readPasswordFile(const std::string& path);

// Answers the libraries' requests for the archive password (TArchiver::OnPassword) in the
// command line: with the password from --archive-password-file when one was given (a wrong
// one is not asked again: the operation stops and wrongEntry() names the entry); else, on a
// terminal, asked without echo; else with none, so that encrypted entries are skipped.
class ArchivePasswordAnswers {
public:
    ArchivePasswordAnswers(const Options& options, const std::string& archive);
    ~ArchivePasswordAnswers();
    void install(TArchiver& archiver);
    // The entry a wrong password from the file did not open; empty when none.
    const std::string& wrongEntry() const { return wrongEntry_; }
    // Reports a wrong password from the file ("Wrong password for NAME"); true when there was
    // one (the command then fails).
    bool reportWrong() const;

private:
    bool answer(std::int32_t reason, const std::string& name, std::string& password);
    std::optional<std::string> given_;
    std::string archive_;
    std::string wrongEntry_;
};

// Whether the archive password can be asked on this terminal (standard input and standard
// error both are one).
bool canAskPassword();

// The access password: when one is stored, the commands that change an archive or hand its
// contents out run only when GIVEN matches it exactly. Returns the text to report when they
// may not run, nullopt when they may.
std::optional<std::string> checkPassword(const std::optional<std::string>& given);

// The progress of a running operation as one updating line ("\r", file name, percentage),
// from the same events that drive the message window's bar.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& out) : out_(out) {}
    void newFile(const std::string& name, std::int32_t size);
    void update();
    void endOfBatch();
    // Clears the line so that what follows starts on a clean one.
    void finish();
    int percent() const;

private:
    void draw();
    std::ostream& out_;
    std::string name_;
    std::int64_t steps_ = 0; // steps of the current file
    std::int64_t done_ = 0;  // steps seen
    bool inFile_ = false;    // a file has been announced in this batch
    std::size_t shownWidth_ = 0;
    int shownPercent_ = -1;
};

} // namespace cli

// The command line's --test: the UNZIPPER library reads each entry and checks its CRC,
// writing nothing; each failure arrives as a message "NAME: reason" and is printed.
#include "app/CommandLine.h"

#include "archive/Archiver.h"
#include "platform/Files.h"
#include "platform/Messages.h"

#include <filesystem>
#include <ostream>

namespace cli {

namespace {

// Control characters from an entry name would break the line or drive the terminal.
std::string printableName(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

} // namespace

int runTest(const Options& options, std::ostream& out) {
    if (const auto refused = checkPassword(options.password)) {
        platform::messages().showMessage(*refused);
        return ExitFailed;
    }
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(options.archive, ec);
    const std::string archive = ec ? options.archive : path.string();
    if (!platform::fileExists(archive)) {
        platform::messages().showMessage("Error: file not found: " + archive);
        return ExitFailed;
    }
    TArchiver a;
    // The library reads the archive itself, from its central directory: the listing is not
    // needed, and a damaged local header must not keep the other entries from being tested.
    a.designMode = true;
    a.setZipFilename(archive);
    a.designMode = false;
    a.Verbose = false;
    a.Trace = false;
    a.setFSpecArgs(options.names);
    a.NameEncoding = options.nameEncoding;

    std::int64_t tested = 0, failed = 0;
    bool otherError = false;
    std::string current; // the entry being tested, "" between entries
    a.OnProgress = [&](TArchiver*, ProgressType type, const std::string& name, std::int32_t) {
        if (type == ProgressType::NewFile) {
            ++tested;
            current = name;
        }
    };
    a.OnMessage = [&](TArchiver*, std::int32_t code, const std::string& text) {
        if (code == 0)
            return;
        // A message about the entry being tested names it; any other (an unreadable archive,
        // a name that matched nothing) is an error of the whole test.
        if (!current.empty() && text.rfind(current + ": ", 0) == 0) {
            ++failed;
            current.clear();
            out << printableName(text) << '\n';
        } else {
            otherError = true;
            platform::messages().showMessage(printableName(text));
        }
    };
    ArchivePasswordAnswers answers(options, options.archive);
    answers.install(a);
    a.LoadUnzLibrary();
    if (!UNZIPPER::UnzDllHandle)
        return ExitFailed;
    bool crashed = false;
    try {
        a.Test();
    } catch (...) {
        crashed = true;
        platform::messages().showMessage("Error in Test; Fatal DLL Exception in mainunit");
    }
    a.UnloadUnzLibrary();
    out << tested << " files tested, " << failed << " failed\n";
    out.flush();
    const bool wrongPassword = answers.reportWrong();
    return crashed || otherError || wrongPassword || failed > 0 ? ExitFailed : ExitOk;
}

} // namespace cli

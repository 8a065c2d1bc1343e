// The combiner: without arguments (or with one piece) its window; with a piece and an output
// name it combines on the command line, for scripts.
#include "controls/ButtonAccessible.h"
#include "platform/qt/ErrorGuard.h"
#include "platform/qt/QtMessages.h"
#include "platform/qt/Translations.h"
#include "tools/combiner/Combine.h"
#include "tools/combiner/CombineForm.h"

#include <QApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

const char* const kUsage = R"(Usage: combiner [PIECE]
       combiner [--overwrite] PIECE OUTPUT.zip
       combiner --help | --version

Puts a split ZIP archive back together into one ordinary archive.

Without OUTPUT the combiner opens its window, with PIECE filled in when given. With OUTPUT it
joins the pieces without a window. PIECE is a piece of the split archive, normally its first:
  name.z01 (or name.zip)   a split set as "zip -s" writes it: name.z01, name.z02, ..., name.zip
  name.zip.001, name.001   an archive cut into pieces of bytes: .001, .002, ...
The combined archive is written to a temporary file and takes the name OUTPUT only when it is
complete and every entry has passed its CRC check. A missing, misnumbered or truncated piece
is named and nothing is written.

Options:
  --overwrite   replace OUTPUT when it exists (by default an existing file is kept)
  --help        show this text
  --version     show the program's version

Exit status: 0 when the archive was written, 1 on an error or a cancel, 2 when the command
line is wrong.
)";

std::atomic<bool> stopRequested{false};

// The first interrupt or termination request cancels the work (the temporary file is
// removed); a second one ends the program at once.
extern "C" void onSignal(int) {
    stopRequested = true;
}

void catchSignals() {
#ifndef _WIN32
    struct sigaction action = {};
    action.sa_handler = onSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
#else
    std::signal(SIGINT, onSignal);
#endif
}

bool stderrIsTerminal() {
#ifndef _WIN32
    return ::isatty(2) != 0;
#else
    return false;
#endif
}

int combineOnCommandLine(const std::string& piece, const std::string& output, bool overwrite) {
    catchSignals();
    combiner::Progress progress;
    progress.cancel = &stopRequested;
    int shown = -1;
    const bool terminal = stderrIsTerminal();
    progress.report = [&](std::uint64_t done, std::uint64_t total) {
        const int percent = total ? static_cast<int>(done * 100 / total) : 0;
        if (terminal && percent != shown) {
            std::fprintf(stderr, "\rCombining: %3d%%", percent);
            shown = percent;
        }
    };
    try {
        const combiner::Summary s = combiner::combine(piece, output, overwrite, progress);
        if (shown >= 0)
            std::fputs("\n", stderr);
        std::cout << output << ": " << s.pieces << " pieces joined, " << s.entries
                  << " entries checked\n";
        return 0;
    } catch (const std::exception& e) {
        if (shown >= 0)
            std::fputs("\n", stderr);
        std::cerr << "combiner: " << e.what() << '\n';
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    bool overwrite = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "Quembly Combiner " << QUEMBLY_VERSION << '\n';
            return 0;
        }
        if (arg == "--overwrite") {
            overwrite = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::cerr << "combiner: unknown option " << arg << "\n\n" << kUsage;
            return 2;
        } else if (arg != "--" && !arg.empty()) {
            positional.push_back(arg);
        }
    }
    if (positional.size() > 2 || (overwrite && positional.size() != 2)) {
        std::cerr << kUsage;
        return 2;
    }
    if (positional.size() == 2)
        return combineOnCommandLine(positional[0], positional[1], overwrite);

    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName("Quembly");
    platform::installTranslations(platform::uiLanguage());
    installControlAccessibility();
    platform::QtMessageService messageService;
    platform::ScopedMessageService messagesInstalled(messageService);
    TCombineForm window;
    if (!positional.empty())
        window.setFirstPiece(QString::fromStdString(positional[0]));
    window.show();
    return QApplication::exec();
}

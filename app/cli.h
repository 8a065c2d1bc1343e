#pragma once
// The command-line mode: listing, adding, extracting and deleting without a window.
#include <optional>

// Runs the command line when it asks for a command-line action (--list, --add, --extract,
// --delete, --help, --version) and returns the exit status; nullopt when the program should
// start its window (no argument, or a plain archive path).
std::optional<int> runCommandLine(int argc, char** argv);

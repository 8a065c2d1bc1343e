#pragma once
// The answers of the Add Files and extract dialogs, read by the main window's commands.
#include <string>

extern std::string ExtractDir; // "" when the extract dialog was cancelled
extern bool ExtractWithDirs;
extern bool ExtractOverwrite;
extern bool ExtractAllFiles;
extern bool DialogCancelled;

#include "dialogs/DialogResults.h"

std::string ExtractDir;
bool ExtractWithDirs = false;
bool ExtractOverwrite = false;
bool ExtractAllFiles = false;
bool DialogCancelled = false;

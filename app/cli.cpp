#include "app/cli.h"

std::optional<int> runCommandLine(int, char**) { return std::nullopt; }

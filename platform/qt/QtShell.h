#pragma once
// The shell service on the desktop: xdg-open through QDesktopServices, detached processes.
#include "platform/Shell.h"

namespace platform {

class QtShellService : public ShellService {
public:
    bool openDocument(const std::string& path) override;
    bool explore(const std::string& path) override;
    bool startProgram(const std::string& program, const std::string& argument) override;
};

} // namespace platform

#pragma once
// The desktop shell: open a document with its associated program, show a folder in the
// file manager, start a program with one argument. The program installs the desktop
// implementation (platform/qt/QtShell.h); tests install a recording one so that nothing is
// ever really launched.
#include <string>
#include <vector>

namespace platform {

class ShellService {
public:
    virtual ~ShellService() = default;
    // Each returns false when the shell could not start anything.
    virtual bool openDocument(const std::string& path) = 0;
    virtual bool explore(const std::string& path) = 0;
    virtual bool startProgram(const std::string& program, const std::string& argument) = 0;
};

// The installed service; before any is installed, one that starts nothing and returns false.
ShellService& shell();
ShellService* setShellService(ShellService* service);

class RecordingShell : public ShellService {
public:
    struct Call {
        std::string verb; // "open", "explore", "start"
        std::string path;
        std::string argument;
    };
    bool openDocument(const std::string& path) override;
    bool explore(const std::string& path) override;
    bool startProgram(const std::string& program, const std::string& argument) override;
    std::vector<Call> calls;
    bool result = true;
};

} // namespace platform

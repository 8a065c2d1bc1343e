#include "platform/Shell.h"

namespace platform {

namespace {

// Until the desktop service is installed nothing is ever launched.
class NoShell : public ShellService {
public:
    bool openDocument(const std::string&) override { return false; }
    bool explore(const std::string&) override { return false; }
    bool startProgram(const std::string&, const std::string&) override { return false; }
};

NoShell& defaultShell() {
    static NoShell service;
    return service;
}

ShellService* installed = nullptr;

} // namespace

ShellService& shell() {
    return installed ? *installed : defaultShell();
}

ShellService* setShellService(ShellService* service) {
    ShellService* previous = installed;
    installed = service;
    return previous;
}

bool RecordingShell::openDocument(const std::string& path) {
    calls.push_back({"open", path, {}});
    return result;
}

bool RecordingShell::explore(const std::string& path) {
    calls.push_back({"explore", path, {}});
    return result;
}

bool RecordingShell::startProgram(const std::string& program, const std::string& argument) {
    calls.push_back({"start", program, argument});
    return result;
}

} // namespace platform

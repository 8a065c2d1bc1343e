#include "platform/Messages.h"

#include <cstdio>

namespace platform {

namespace {

// Used until a real service is installed (and by tools without a window): every box goes
// to standard error, and a confirmation is declined so that nothing is done unasked.
class StderrMessages : public MessageService {
public:
    void showMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    }
    bool confirm(const std::string& text) override {
        std::fprintf(stderr, "%s [answered No]\n", text.c_str());
        std::fflush(stderr);
        return false;
    }
    void showError(const std::string& text) override {
        std::fprintf(stderr, "Error: %s\n", errorBoxText(text).c_str());
        std::fflush(stderr);
    }
};

StderrMessages& defaultService() {
    static StderrMessages service;
    return service;
}

MessageService* installed = nullptr;

} // namespace

MessageService& messages() {
    return installed ? *installed : defaultService();
}

MessageService* setMessageService(MessageService* service) {
    MessageService* previous = installed;
    installed = service;
    return previous;
}

std::string errorBoxText(const std::string& text) {
    if (text.empty())
        return text;
    const auto last = static_cast<unsigned char>(text.back());
    if (last > '.')
        return text + ".";
    return text;
}

void ScriptedMessages::showMessage(const std::string& text) {
    shown_.push_back({Kind::Message, text});
}

bool ScriptedMessages::confirm(const std::string& text) {
    shown_.push_back({Kind::Confirm, text});
    if (answers_.empty())
        return defaultAnswer_;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void ScriptedMessages::showError(const std::string& text) {
    shown_.push_back({Kind::Error, errorBoxText(text)});
}

std::vector<std::string> ScriptedMessages::texts(Kind kind) const {
    std::vector<std::string> result;
    for (const auto& s : shown_)
        if (s.kind == kind)
            result.push_back(s.text);
    return result;
}

} // namespace platform

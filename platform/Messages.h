#pragma once
// The message service: plain messages, confirmations and error boxes. The program installs
// the Qt service (platform/qt/QtMessages.h), the command-line mode one that writes to the
// standard streams, and tests a ScriptedMessages that records texts and returns set answers.
// Code outside platform/qt (the archive component) reaches boxes only through messages().
#include <deque>
#include <string>
#include <vector>

namespace platform {

class MessageService {
public:
    virtual ~MessageService() = default;
    // Plain message: the text, "OK", the application title "Quembly" as caption.
    virtual void showMessage(const std::string& text) = 0;
    // Confirmation: caption "Confirm", question icon, "&Yes"/"&No"; true only for "&Yes".
    virtual bool confirm(const std::string& text) = 0;
    // Error box: stop icon, "OK", caption "Quembly". Receives the text as raised; the
    // service applies errorBoxText() itself.
    virtual void showError(const std::string& text) = 0;
};

// The installed service. Before any is installed, a service that writes to standard error
// and answers "No" to confirmations.
MessageService& messages();
// Installs a service (not owned; nullptr restores the default) and returns the previous one.
MessageService* setMessageService(MessageService* service);

// The error box's full-stop rule: a full stop is appended to a text whose last character has
// a code above 46 ('.'); an empty text stays empty.
std::string errorBoxText(const std::string& text);

// Records every box and answers confirmations from a queue (default answer when empty).
class ScriptedMessages : public MessageService {
public:
    enum class Kind { Message, Confirm, Error };
    struct Shown {
        Kind kind;
        std::string text; // errors: after errorBoxText()
    };

    void showMessage(const std::string& text) override;
    bool confirm(const std::string& text) override;
    void showError(const std::string& text) override;

    void answer(bool yes) { answers_.push_back(yes); }
    void setDefaultAnswer(bool yes) { defaultAnswer_ = yes; }

    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> texts(Kind kind) const;
    std::vector<std::string> messageTexts() const { return texts(Kind::Message); }
    std::vector<std::string> errorTexts() const { return texts(Kind::Error); }
    std::vector<std::string> confirmTexts() const { return texts(Kind::Confirm); }
    void clear() { shown_.clear(); }

private:
    std::vector<Shown> shown_;
    std::deque<bool> answers_;
    bool defaultAnswer_ = false;
};

// Installs a service for the lifetime of this object and restores the previous one after.
class ScopedMessageService {
public:
    explicit ScopedMessageService(MessageService& s) : previous_(setMessageService(&s)) {}
    ~ScopedMessageService() { setMessageService(previous_); }
    ScopedMessageService(const ScopedMessageService&) = delete;
    ScopedMessageService& operator=(const ScopedMessageService&) = delete;

private:
    MessageService* previous_;
};

} // namespace platform

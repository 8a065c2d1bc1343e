#include "platform/qt/ErrorGuard.h"

#include "platform/Messages.h"

#include <string>

namespace platform {

void reportCurrentException() {
    std::string text;
    try {
        throw;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {
        text = "Unknown error";
    }
    // Showing the box must not raise again out of a handler that is already recovering.
    try {
        messages().showError(text);
    } catch (...) {
    }
}

bool guarded(const std::function<void()>& f) {
    try {
        if (f)
            f();
        return true;
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

} // namespace platform

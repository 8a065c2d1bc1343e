#include "platform/qt/ErrorGuard.h"

#include "platform/Messages.h"

#include <string>

namespace platform {

void reportCurrentException() {
    std::string text = "Unknown error";
    // Outside a handler there is nothing in flight; the box still comes, nothing terminates.
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
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

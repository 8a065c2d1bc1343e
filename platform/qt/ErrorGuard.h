#pragma once
// The top-level error guard: an error that escapes a handler is shown in an error box
// (through messages().showError) and the program keeps running. No exception crosses
// Qt's event loop.
#include <QApplication>
#include <exception>
#include <functional>

namespace platform {

// Shows the error of the exception in flight (call inside a catch block).
void reportCurrentException();

// Runs F; any error is reported and swallowed. Returns false when F raised.
bool guarded(const std::function<void()>& f);

// A QApplication whose notify() reports errors raised by event handlers and slots.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace platform

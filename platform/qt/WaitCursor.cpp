#include "platform/qt/WaitCursor.h"

#include <QApplication>

namespace platform {

// Without a QApplication (command-line mode, non-GUI tests) there is no cursor to change.
WaitCursor::WaitCursor() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}

} // namespace platform

#include "platform/qt/QtShell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace platform {

bool QtShellService::openDocument(const std::string& path) {
    if (path.empty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShellService::explore(const std::string& path) {
    if (path.empty())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtShellService::startProgram(const std::string& program, const std::string& argument) {
    if (program.empty())
        return false;
    // An empty parameter starts the program without any argument, as the shell does; an
    // empty argument would reach the program as a file name of its own.
    QStringList arguments;
    if (!argument.empty())
        arguments << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(program), arguments);
}

} // namespace platform

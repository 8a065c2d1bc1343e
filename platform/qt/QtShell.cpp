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
    return QProcess::startDetached(QString::fromStdString(program),
                                   {QString::fromStdString(argument)});
}

} // namespace platform

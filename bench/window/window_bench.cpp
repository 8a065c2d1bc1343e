// Starts the windows as the program does, on the archive named as the first argument (or
// none), and quits as soon as the main window has been shown, listed and painted. The
// difference between a start on a large archive and an empty start is the cost of reading
// and showing the listing. Messages go to standard error instead of boxes. Run offscreen,
// with HOME and QUEMBLY_REGISTRY pointing at a scratch folder:
//   QT_QPA_PLATFORM=offscreen window_bench [ARCHIVE]
#include "app/MainWindow.h"
#include "platform/qt/ErrorGuard.h"

#include <QTimer>

int main(int argc, char** argv) {
    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName("Quembly");
    installFontSubstitutions();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    createApplicationWindows(arguments);
    Mainform->show();
    QTimer::singleShot(0, [] {
        Mainform->repaint();
        QCoreApplication::quit();
    });
    const int status = QApplication::exec();
    destroyApplicationWindows();
    return status;
}

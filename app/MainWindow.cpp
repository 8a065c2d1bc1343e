#include "app/MainWindow.h"

#include "app/MessageWindow.h"
#include "controls/SortingGrid.h"
#include "dialogs/AboutWindow.h"
#include "dialogs/NewFolderWindow.h"
#include "dialogs/PasswordPrompt.h"
#include "dialogs/SettingsWindow.h"
#include "dialogs/WindowUtil.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/qt/ErrorGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <utility>

#ifndef _WIN32
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

TMainform* Mainform = nullptr;

namespace {

// R(x) of the column proportions: W * PERCENT / 100 to the nearest integer, halves to the
// even neighbour, in exact integer arithmetic.
int roundedShare(int width, int percent) {
    const long long product = static_cast<long long>(width) * percent;
    long long quotient = product / 100;
    const long long remainder = product % 100;
    if (remainder > 50 || (remainder == 50 && quotient % 2 != 0))
        ++quotient;
    return static_cast<int>(quotient);
}

QString toQ(const std::string& text) {
    return QString::fromStdString(text);
}

#ifndef _WIN32
// Opens FOLDER (a trailing separator allowed) as a directory without following a link in
// its last part; -1 when it is a link, no folder, or cannot be opened.
int openFolderNoFollow(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
#endif

// True when FOLDER (a trailing separator allowed) is a folder, not a link, owned by this user.
bool isOwnRealFolder(const std::string& folder) {
#ifndef _WIN32
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
#else
    return platform::directoryExists(folder);
#endif
}

// Why the temp folder FOLDER cannot be used ("" when it can): it is made when missing, and
// used only when it is a real folder (not a link) owned by this user, so that nothing is
// extracted into, or deleted from, someone else's folder a link points at.
std::string tempFolderProblem(const std::string& folder) {
#ifndef _WIN32
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && (errno != ENOENT || ::mkdir(path.c_str(), 0700) != 0))
        return QCoreApplication::translate("TMainform", "Cannot create ").toStdString() + folder;
    if (!isOwnRealFolder(path))
        return QCoreApplication::translate(
                   "TMainform", "Cannot use %1: it is a link, not a folder, or not yours")
            .arg(QString::fromStdString(folder))
            .toStdString();
    return {};
#else
    if (!platform::directoryExists(folder) && !platform::createDirectory(folder))
        return QCoreApplication::translate("TMainform", "Cannot create ").toStdString() + folder;
    return {};
#endif
}

// The names of the files and links directly in FOLDER, read without following a link to the
// folder itself; none when it is a link.
std::vector<std::string> tempFolderFiles(const std::string& folder) {
    std::vector<std::string> names;
#ifndef _WIN32
    const int fd = openFolderNoFollow(folder);
    if (fd < 0)
        return names;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        struct stat st {};
        // Hidden files are not listed, as in the emptying's plain listing.
        if (e->d_name[0] != '.' &&
            ::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            names.emplace_back(e->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
#else
    names = platform::listPlainFiles(folder, "*.*");
#endif
    return names;
}

// Deletes the file or link NAME in FOLDER; a link is removed itself, never what it points at.
void deleteTempFile(const std::string& folder, const std::string& name) {
#ifndef _WIN32
    const int fd = openFolderNoFollow(folder);
    if (fd < 0)
        return;
    ::unlinkat(fd, name.c_str(), 0);
    ::close(fd);
#else
    platform::deleteFile(folder + name);
#endif
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pictures and fonts

// The icons are compiled into this static library; a static library's resources are
// registered only on request.
static void registerIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)registered;
}

QImage iconImage(const QString& name, int size, const QColor& color) {
    registerIconResources();
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!file.open(QIODevice::ReadOnly))
        return image;
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name().toLatin1());
    QSvgRenderer renderer(svg);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

void installFontSubstitutions() {
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QFont::insertSubstitution("Tahoma", "Liberation Sans");
    QFont::insertSubstitution("Arial", "Liberation Sans");
    QFont::insertSubstitution("Arial Narrow", "Liberation Sans Narrow");
    QFont::insertSubstitution("Times New Roman", "Liberation Serif");
}

int THintConFont::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (hint == SH_ToolTip_WakeUpDelay)
        return 10;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QFont THintConFont::HintFont() {
    QFont font("Arial Narrow");
    font.setPointSize(10);
    font.setBold(true);
    return font;
}

void THintConFont::Install() {
    if (!qobject_cast<THintConFont*>(QApplication::style()))
        QApplication::setStyle(new THintConFont);
    // After the style: a new style sets the application's fonts again.
    QToolTip::setFont(HintFont());
}

// A font of FAMILY whose line (character cell with its internal leading) is HEIGHT pixels
// high: the largest pixel size whose line height does not exceed it.
QFont fontOfHeight(const QString& family, int height, bool bold) {
    QFont font(family);
    font.setBold(bold);
    int size = height;
    for (; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= height)
            break;
    }
    font.setPixelSize(size);
    return font;
}

// ---------------------------------------------------------------------------------------------
// Construction

TMainform::TMainform(const QStringList& arguments, QWidget* parent)
    : QWidget(parent), arguments_(arguments) {
    setObjectName("Mainform");
    setWindowTitle(tr("Quembly 1.0"));
    setFont(fontOfHeight("MS Sans Serif", 16));
    // exit(), not quit(): under Qt 6 quit() first closes every window, which would run the
    // close handler (and empty the temp folder) on File > Exit.
    Terminate = [] { QCoreApplication::exit(0); };

    buildMenus();
    buildPanels();
    connectCommands();

    Archiver1.Verbose = false;
    Archiver1.Trace = false;
    Archiver1.AddCompLevel = 9;
    Archiver1.AddOptions = {};
    Archiver1.ExtrOptions = {};
    Archiver1.OnDirUpdate = [this](TArchiver*) { Archiver1DirUpdate(); };
    Archiver1.OnProgress = [this](TArchiver*, ProgressType type, const std::string& name,
                                  std::int32_t size) { Archiver1Progress(type, name, size); };
    Archiver1.OnMessage = [this](TArchiver*, std::int32_t code, const std::string& text) {
        Archiver1Message(code, text);
    };
    Archiver1.OnPassword = [this](TArchiver*, std::int32_t reason, const std::string& name,
                                  std::string& password) {
        return Archiver1Password(reason, name, password);
    };

    OpenDialog1.Filter = tr("Ostrel file (*.zip)|*.zip");

    resize(750, 432 + MainMenu1->sizeHint().height());

    FormCreate();
}

TMainform::~TMainform() {
    FormDestroy();
    if (Mainform == this)
        Mainform = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Window events

QString TMainform::TempFolder() const {
    const QString sep = toQ(platform::pathSeparatorText());
    return Edit1->text() + sep + "Quembly Temp" + sep;
}

std::string TMainform::TempFolderProblem() const {
    return tempFolderProblem(TempFolder().toStdString());
}

void TMainform::FormCreate() {
    THintConFont::Install();
    try {
        platform::Registry registry(platform::RootKey::CurrentUser);
        if (registry.openKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
                             "Folders",
                             false))
            Edit1->setText(toQ(registry.readString("Personal")));
        registry.closeKey();
        registry.setRootKey(platform::RootKey::ClassesRoot);
        if (registry.openKey("\\tessaly.zip", false))
            Edit3->setText(toQ(registry.readString("PSW")));
        registry.closeKey();
    } catch (...) {
        // As an error raised while the window is made: it is shown, the window still opens,
        // and the rest of the set-up does not run.
        platform::reportCurrentException();
        return;
    }
    // A temp folder that cannot be made only stops Open entry (which says so again): the
    // table and the libraries are set up all the same.
    if (const std::string problem = TempFolderProblem(); !problem.empty())
        platform::guarded([&] { throw platform::Exception(problem); });

    Archiver1.AddOptions = {};

    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
    StringGrid1->setColCount(4);
    const char* captions[] = {QT_TR_NOOP("File Name"), QT_TR_NOOP("Compress Size"),
                              QT_TR_NOOP("Uncompress Size"), QT_TR_NOOP("Date/Time")};
    const int widths[] = {400, 100, 110, 130};
    for (int c = 0; c < 4; ++c) {
        StringGrid1->setCells(c, 0, tr(captions[c]));
        StringGrid1->setColWidths(c, widths[c]);
    }

    Archiver1.LoadZipLibrary();
    Archiver1.LoadUnzLibrary();
}

void TMainform::FormShow() {
    if (!arguments_.isEmpty()) {
        // Kept absolute, so that the name still means the same file after an extraction
        // has changed the current folder.
        const QString path = QFileInfo(arguments_.first()).absoluteFilePath();
        setNameDisplay(path);
        platform::guarded([&] { Archiver1.setZipFilename(path.toStdString()); });
    }
    RewriteGridSeparators();
}

void TMainform::FormCanResize(int clientWidth) {
    const int w = clientWidth;
    StringGrid1->setColWidths(0, w - roundedShare(w, 43));
    StringGrid1->setColWidths(1, w - roundedShare(w, 87));
    StringGrid1->setColWidths(2, w - roundedShare(w, 85));
    StringGrid1->setColWidths(3, w - roundedShare(w, 86));
    update();
}

void TMainform::FormClose() {
    forgetArchivePassword();
    const QString folder = TempFolder();
    FileListBox1->clear();
    // The folder may be gone (or never have been made), or be a link or someone else's:
    // nothing is emptied then and the window closes all the same. The files are listed and
    // deleted through the folder opened without following a link.
    const std::string path = folder.toStdString();
    if (!isOwnRealFolder(path))
        return;
    for (const std::string& name : tempFolderFiles(path))
        FileListBox1->addItem(toQ(name));
    for (int i = 0; i < FileListBox1->count(); ++i)
        deleteTempFile(path, FileListBox1->item(i)->text().toStdString());
    FileListBox1->clear();
    for (const std::string& name : tempFolderFiles(path))
        FileListBox1->addItem(toQ(name));
}

void TMainform::FormDestroy() {
    forgetArchivePassword();
    Archiver1.UnloadZipLibrary();
    Archiver1.UnloadUnzLibrary();
}

bool TMainform::event(QEvent* event) {
    // The status bar shows the hint of the control under the mouse.
    if (event->type() == QEvent::StatusTip) {
        StatusBar1->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QWidget::event(event);
}

void TMainform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    centerOnScreen(this);
    platform::guarded([this] { FormShow(); });
}

void TMainform::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The proportions follow the new width (taken from the old one, a maximised window kept
    // the narrower columns and a restored one showed File Name alone).
    if (event->oldSize().isValid())
        FormCanResize(event->size().width());
}

void TMainform::closeEvent(QCloseEvent* event) {
    // An operation still running is stopped first: the window closes once it has (the
    // library leaves the archive as it was), instead of it going on out of sight.
    if (operationRunning_ || Archiver1.Busy()) {
        event->ignore();
        if (!closeAfterOperation_ &&
            platform::messages().confirm(
                tr("An operation is still running. Cancel it and quit?").toStdString())) {
            closeAfterOperation_ = true;
            CancelOperation();
        }
        return;
    }
    platform::guarded([this] { FormClose(); });
    event->accept();
    // Closing the main window ends the program, even with other windows still open.
    if (Terminate)
        Terminate();
}

// ---------------------------------------------------------------------------------------------
// One operation at a time

bool TMainform::refuseWhileBusy() {
    if (!operationRunning_ && !Archiver1.Busy())
        return false;
    platform::messages().showMessage(
        tr("Please wait: an operation is still running.").toStdString());
    return true;
}

void TMainform::CancelOperation() {
    if (operationRunning_ || Archiver1.Busy())
        Archiver1.Cancel = true;
}

void TMainform::endEntryOperation() {
    operationRunning_ = false;
    if (std::exchange(closeAfterOperation_, false))
        QTimer::singleShot(0, this, &QWidget::close);
}

// ---------------------------------------------------------------------------------------------
// The access gate

bool TMainform::AccessGate() {
    // A settings file that cannot be read may hold a password: nothing is unlocked then.
    if (const std::string problem = platform::registryHiveProblem(); !problem.empty()) {
        platform::messages().showMessage(problem);
        return false;
    }
    const QString stored = Edit3->text();
    // No stored password: nothing is locked, whatever the prompt's field holds.
    if (stored.isEmpty())
        return true;
    auto field = [this] { return PromptPassword ? PromptPassword() : QString(); };
    if (field() != stored && ShowPasswordPrompt)
        ShowPasswordPrompt();
    return field() == stored;
}

// ---------------------------------------------------------------------------------------------
// The application's windows

void createApplicationWindows(const QStringList& arguments) {
    Mainform = new TMainform(arguments);
    Msgform = new TMsgform;
    Form7 = new TForm7;
    Form1 = new TForm1;
    Form2 = new TForm2;
    formabout = new Tformabout;

    Form1->StoredPassword = [] { return Mainform ? Mainform->Edit3->text() : QString(); };
    Form2->SetStoredPassword = [](const QString& password) {
        if (Mainform)
            Mainform->Edit3->setText(password);
    };
    Msgform->OnCancel = [] {
        if (Mainform)
            Mainform->CancelOperation();
    };
    Mainform->PromptPassword = [] { return Form1 ? Form1->EnteredPassword() : QString(); };
    Mainform->ShowPasswordPrompt = [] {
        if (Form1)
            showModeless(Form1);
    };
    Mainform->ShowSettings = [] {
        if (Form2)
            showModeless(Form2);
    };
    Mainform->ShowAbout = [] {
        if (formabout)
            showModeless(formabout);
    };
}

void destroyApplicationWindows() {
    delete formabout;
    formabout = nullptr;
    delete Form2;
    Form2 = nullptr;
    delete Form1;
    Form1 = nullptr;
    delete Form7;
    Form7 = nullptr;
    delete Msgform;
    Msgform = nullptr;
    delete Mainform;
    Mainform = nullptr;
}

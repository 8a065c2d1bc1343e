#include "app/mainunit.h"

#include "app/NameEncodingMenu.h"
#include "app/msgunit.h"
#include "controls/GradButton.h"
#include "controls/SortingGrid.h"
#include "dialogs/Addunit.h"
#include "dialogs/DialogResults.h"
#include "dialogs/Unit1.h"
#include "dialogs/Unit2.h"
#include "dialogs/Unit3.h"
#include "dialogs/WindowUtil.h"
#include "dialogs/about.h"
#include "dialogs/extrunit.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/qt/ErrorGuard.h"
#include "platform/qt/Locale.h"
#include "platform/qt/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QShowEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSvgRenderer>
#include <QToolTip>
#include <QVBoxLayout>
#include <unordered_map>

TMainform* Mainform = nullptr;

namespace {

const QColor kToolbarColor(0x96, 0xD9, 0xFA);

// Icon colours by command group: archive files, entries, options and help.
const QColor kFileInk(0x1C, 0x4F, 0x8C);
const QColor kEntryInk(0x1D, 0x6B, 0x35);
const QColor kOptionInk(0x7A, 0x4A, 0x00);

constexpr int kGlyphSize = 32;
constexpr int kMenuIconSize = 16;

QIcon menuIcon(const QString& name, const QColor& color) {
    return QIcon(QPixmap::fromImage(iconImage(name, kMenuIconSize, color)));
}

QFrame* makePanel(QWidget* parent, const char* name, const QColor* color = nullptr) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    if (color) {
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, *color);
        panel->setPalette(pal);
        panel->setAutoFillBackground(true);
    }
    return panel;
}

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

// A font of FAMILY whose line (character cell with its internal leading) is HEIGHT pixels
// high: the largest pixel size whose line height does not exceed it.
QFont fontOfHeight(const QString& family, int height, bool bold = false) {
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

// ---------------------------------------------------------------------------------------------
// Construction

TMainform::TMainform(const QStringList& arguments, QWidget* parent)
    : QWidget(parent), arguments_(arguments) {
    setObjectName("Mainform");
    setWindowTitle("Quembly 1.0");
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

    OpenDialog1.Filter = "Ostrel file (*.zip)|*.zip";

    resize(750, 432 + MainMenu1->sizeHint().height());

    FormCreate();
}

TMainform::~TMainform() {
    FormDestroy();
    if (Mainform == this)
        Mainform = nullptr;
}

void TMainform::buildMenus() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    // Menus keep the desktop's menu font, not the window's.
    MainMenu1->setFont(QApplication::font());

    auto addMenu = [this](const char* name, const QString& title) {
        QMenu* menu = MainMenu1->addMenu(title);
        menu->setObjectName(name);
        menu->setFont(QApplication::font());
        return menu;
    };
    auto addItem = [this](QMenu* menu, const char* name, const QString& text, const QString& icon,
                          const QColor& ink) {
        QAction* action = menu->addAction(menuIcon(icon, ink), text);
        action->setObjectName(name);
        action->setParent(this);
        return action;
    };

    File1 = addMenu("File1", "File");
    NewZIP1 = addItem(File1, "NewZIP1", "New ZIP", "file-plus", kFileInk);
    OpenZIP1 = addItem(File1, "OpenZIP1", "Open ZIP", "folder-open", kFileInk);
    DeleteZIP1 = addItem(File1, "DeleteZIP1", "Delete ZIP", "file-x", kFileInk);
    Exit1 = addItem(File1, "Exit1", "Exit", "logout", kFileInk);

    View1 = addMenu("View1", "View");
    OpenFiles1 = addItem(View1, "OpenFiles1", "Open Files", "eye", kEntryInk);
    OpenWith2 = addItem(View1, "OpenWith2", "Open With", "external-link", kEntryInk);
    FilesProperties1 =
        addItem(View1, "FilesProperties1", "Files Properties", "list-details", kEntryInk);

    ool1 = addMenu("ool1", "Tool");
    Extract1 = addItem(ool1, "Extract1", "Extract Files", "file-export", kEntryInk);
    AddFiles1 = addItem(ool1, "AddFiles1", "Add Files", "file-import", kEntryInk);
    DeleteFiles1 = addItem(ool1, "DeleteFiles1", "Delete Files", "file-minus", kEntryInk);

    Option1 = addMenu("Option1", "Option");
    CombineZIP1 = addItem(Option1, "CombineZIP1", "Combine ZIP", "arrows-join", kOptionInk);
    Configure1 = addItem(Option1, "Configure1", "Configure", "settings", kOptionInk);
    Option1->addMenu(makeNameEncodingMenu(this, Archiver1, [this] { FillGrid(); }));

    Help1 = addMenu("Help1", "Help");
    tessalyHelp1 = addItem(Help1, "tessalyHelp1", "Quembly Help", "help", kOptionInk);
    About1 = addItem(Help1, "About1", "About", "info-circle", kOptionInk);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->setFont(QApplication::font());
    ViewSelectedFile1 =
        addItem(PopupMenu1, "ViewSelectedFile1", "Open Selected File", "eye", kEntryInk);
    Openwith1 = addItem(PopupMenu1, "Openwith1", "Open with ...", "external-link", kEntryInk);
    ExtractSelectedFile1 = addItem(PopupMenu1, "ExtractSelectedFile1", "Extract Selected File",
                                   "file-export", kEntryInk);
    DeleteSelectedFile1 =
        addItem(PopupMenu1, "DeleteSelectedFile1", "Delete Selected File", "file-minus", kEntryInk);
    Properties1 = addItem(PopupMenu1, "Properties1", "Properties", "list-details", kEntryInk);
}

void TMainform::buildPanels() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->setMenuBar(MainMenu1);

    // Top area: the toolbar and, below it, the name display.
    Panel2 = makePanel(this, "Panel2");
    Panel2->setFixedHeight(95);
    auto* top = new QVBoxLayout(Panel2);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    Panel4 = makePanel(Panel2, "Panel4", &kToolbarColor);
    Panel4->setFixedHeight(67);
    top->addWidget(Panel4);

    struct ButtonSpec {
        TGradButton** button;
        const char* name;
        int width;
        const char* hint;
        const char* icon;
        QColor ink;
        TGradButton::TColorScheme scheme;
        bool gradient;
    };
    const ButtonSpec buttons[] = {
        {&NewZipBut, "NewZipBut", 56, "Click to Create New ZIP", "file-plus", kFileInk,
         TGradButton::csNeoSun, true},
        {&ZipOpenBut, "ZipOpenBut", 56, "Click to Open ZIP on your computer", "folder-open",
         kFileInk, TGradButton::csNeoSun, true},
        {&DeleteZipBut, "DeleteZipBut", 56, "Click to Delete Zip file and All zip content",
         "file-x", kFileInk, TGradButton::csNeoSun, true},
        {&ExtractBut, "ExtractBut", 58, "Click to Extract zip", "file-export", kEntryInk,
         TGradButton::csGrass, false},
        {&AddBut, "AddBut", 58, "Click to Add some files to ZIP", "file-import", kEntryInk,
         TGradButton::csGrass, false},
        {&DeleteBut, "DeleteBut", 58, "Click to Delete the selected file", "file-minus", kEntryInk,
         TGradButton::csGrass, false},
        {&GradButton1, "GradButton1", 54, "Click to combine the splitted zip", "arrows-join",
         kOptionInk, TGradButton::csDesert, false},
        {&GradButton2, "GradButton2", 61, "Click to Configure Quembly", "settings", kOptionInk,
         TGradButton::csDesert, false},
        {&Viewbut, "Viewbut", 54, "Click to view help file", "help", kOptionInk,
         TGradButton::csDesert, false},
    };
    int x = 6;
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        const ButtonSpec& spec = buttons[i];
        auto* button = new TGradButton(Panel4);
        button->setObjectName(spec.name);
        button->setGeometry(x, 6, spec.width, 55);
        button->setColorScheme(spec.scheme);
        button->setGradient(spec.gradient);
        button->setGlyph(iconImage(spec.icon, kGlyphSize, spec.ink));
        button->setButtonLayout(TGradButton::blGlyphTop);
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(spec.hint);
        button->setStatusTip(spec.hint);
        *spec.button = button;
        x += spec.width + (i == 2 || i == 5 ? 12 : 2);
    }
    GradButton2->setButtonLayout(TGradButton::blGlyphLeft);
    // New ZIP carries the csNeoSun colours as a custom scheme.
    for (int i = 0; i <= TGradButton::ciColorFocusRect; ++i)
        NewZipBut->setColor(i, NewZipBut->Color(i));
    NewZipBut->setColorScheme(TGradButton::csCustom);

    auto* nameRow = new QHBoxLayout;
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->setSpacing(0);
    top->addLayout(nameRow);

    Panel3 = makePanel(Panel2, "Panel3", &kToolbarColor);
    Panel3->setFixedWidth(88);
    Label2 = new QLabel("Zip Name:", Panel3);
    Label2->setObjectName("Label2");
    Label2->setFont(fontOfHeight("Arial", 13, true));
    QPalette black = Label2->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label2->setPalette(black);
    Label2->move(8, 7);
    Label2->adjustSize();
    nameRow->addWidget(Panel3);

    Panel6 = makePanel(Panel2, "Panel6");
    auto* nameLayout = new QHBoxLayout(Panel6);
    nameLayout->setContentsMargins(2, 2, 2, 2);
    ZipFname = new QLineEdit(Panel6);
    ZipFname->setObjectName("ZipFname");
    ZipFname->setReadOnly(true);
    nameLayout->addWidget(ZipFname);
    nameRow->addWidget(Panel6, 1);

    outer->addWidget(Panel2);

    // The entry table.
    StringGrid1 = new TSortingGrid(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setFont(fontOfHeight("MS Sans Serif", 15));
    QPalette gridPalette = StringGrid1->palette();
    gridPalette.setColor(QPalette::Text, Qt::black);
    gridPalette.setColor(QPalette::WindowText, Qt::black);
    StringGrid1->setPalette(gridPalette);
    StringGrid1->setFixedCols(0);
    StringGrid1->setColCount(4);
    StringGrid1->setRowCount(1);
    StringGrid1->setFixedRows(0);
    StringGrid1->setDefaultRowHeight(18);
    StringGrid1->setOption(TGridOption::goRowSelect, true);
    StringGrid1->setOption(TGridOption::goRangeSelect, true);
    StringGrid1->setOption(TGridOption::goEditing, false);
    StringGrid1->setOption(TGridOption::goColSizing, true);
    StringGrid1->setOption(TGridOption::goThumbTracking, true);
    StringGrid1->setPopupMenu(PopupMenu1);
    StringGrid1->setToolTip("Double click to view the selected file");
    StringGrid1->setStatusTip("Double click to view the selected file");
    StringGrid1->setCaseSensitive(false);
    StringGrid1->setClickSorting(true);
    StringGrid1->setProportionalScrollBars(true);
    StringGrid1->setAlignmentHorz(TAlignment::taLeftJustify);
    StringGrid1->setAlignmentVert(TVertAlignment::taTopJustify);
    StringGrid1->setBevelStyle(TCellBevelStyle::cbNone);
    outer->addWidget(StringGrid1, 1);

    // Bottom: status bar and the files counter.
    Panel5 = makePanel(this, "Panel5");
    Panel5->setFixedHeight(27);
    auto* bottom = new QHBoxLayout(Panel5);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    StatusBar1 = new QStatusBar(Panel5);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    bottom->addWidget(StatusBar1, 1);
    Panel1 = makePanel(Panel5, "Panel1");
    Panel1->setFixedWidth(102);
    Bevel2 = new QFrame(Panel1);
    Bevel2->setObjectName("Bevel2");
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel2->setGeometry(3, 3, 96, 21);
    FilesLabel = new QLabel("0", Panel1);
    FilesLabel->setObjectName("FilesLabel");
    FilesLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FilesLabel->setGeometry(6, 4, 52, 19);
    Label1 = new QLabel("files", Panel1);
    Label1->setObjectName("Label1");
    Label1->setGeometry(62, 4, 34, 19);
    bottom->addWidget(Panel1);
    outer->addWidget(Panel5);

    // Hidden holders of state.
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setReadOnly(true);
    Edit1->hide();
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setReadOnly(true);
    Edit2->hide();
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName("Edit3");
    Edit3->setEnabled(false);
    Edit3->hide();
    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName("FileListBox1");
    FileListBox1->hide();
}

void TMainform::connectCommands() {
    // Every command runs under the error guard: an error ends the command in an error box
    // and the program goes on.
    auto command = [this](void (TMainform::*handler)()) {
        return [this, handler] { platform::guarded([this, handler] { (this->*handler)(); }); };
    };
    auto bind = [&](QObject* sender, void (TMainform::*handler)()) {
        if (auto* button = qobject_cast<TGradButton*>(sender))
            connect(button, &TGradButton::clicked, this, command(handler));
        else if (auto* action = qobject_cast<QAction*>(sender))
            connect(action, &QAction::triggered, this, command(handler));
    };

    bind(NewZipBut, &TMainform::NewZipButClick);
    bind(NewZIP1, &TMainform::NewZipButClick);
    bind(ZipOpenBut, &TMainform::ZipOpenButClick);
    bind(OpenZIP1, &TMainform::ZipOpenButClick);
    bind(DeleteZipBut, &TMainform::DeleteZipButClick);
    bind(DeleteZIP1, &TMainform::DeleteZipButClick);
    bind(Exit1, &TMainform::Exit1Click);

    bind(OpenFiles1, &TMainform::StringGrid1DblClick);
    bind(ViewSelectedFile1, &TMainform::ViewSelectedFile1Click);
    connect(StringGrid1, &TStringGrid::DblClick, this, command(&TMainform::StringGrid1DblClick));
    bind(OpenWith2, &TMainform::Openwith1Click);
    bind(Openwith1, &TMainform::Openwith1Click);
    bind(FilesProperties1, &TMainform::Properties1Click);
    bind(Properties1, &TMainform::Properties1Click);

    bind(ExtractBut, &TMainform::ExtractButClick);
    bind(Extract1, &TMainform::ExtractButClick);
    bind(ExtractSelectedFile1, &TMainform::ExtractButClick);
    bind(AddBut, &TMainform::AddButClick);
    bind(AddFiles1, &TMainform::AddButClick);
    bind(DeleteBut, &TMainform::DeleteButClick);
    bind(DeleteFiles1, &TMainform::DeleteButClick);
    bind(DeleteSelectedFile1, &TMainform::DeleteButClick);
    // The Delete key in the table deletes the selected entries, whatever the modifiers.
    connect(StringGrid1, &TStringGrid::KeyDown, this,
            [this, run = command(&TMainform::DeleteButClick)](int key, Qt::KeyboardModifiers) {
                if (key == Qt::Key_Delete)
                    run();
            });

    bind(GradButton1, &TMainform::GradButton1Click);
    bind(CombineZIP1, &TMainform::GradButton1Click);
    bind(GradButton2, &TMainform::GradButton2Click);
    bind(Configure1, &TMainform::GradButton2Click);
    bind(Viewbut, &TMainform::ViewbutClick);
    bind(tessalyHelp1, &TMainform::ViewbutClick);
    bind(About1, &TMainform::About1Click);
}

// ---------------------------------------------------------------------------------------------
// Window events

QString TMainform::TempFolder() const {
    const QString sep = toQ(platform::pathSeparatorText());
    return Edit1->text() + sep + "Quembly Temp" + sep;
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

        const QString temp = TempFolder();
        if (!platform::directoryExists(temp.toStdString()) &&
            !platform::createDirectory(temp.toStdString()))
            throw platform::Exception("Cannot create " + temp.toStdString());
    } catch (...) {
        // As an error raised while the window is made: it is shown, the window still opens,
        // and the rest of the set-up does not run.
        platform::reportCurrentException();
        return;
    }

    Archiver1.AddOptions = {};

    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
    StringGrid1->setColCount(4);
    const char* captions[] = {"File Name", "Compress Size", "Uncompress Size", "Date/Time"};
    const int widths[] = {400, 100, 110, 130};
    for (int c = 0; c < 4; ++c) {
        StringGrid1->setCells(c, 0, captions[c]);
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

void TMainform::FormCanResize(int oldClientWidth) {
    const int w = oldClientWidth;
    StringGrid1->setColWidths(0, w - roundedShare(w, 43));
    StringGrid1->setColWidths(1, w - roundedShare(w, 87));
    StringGrid1->setColWidths(2, w - roundedShare(w, 85));
    StringGrid1->setColWidths(3, w - roundedShare(w, 86));
    update();
}

void TMainform::FormClose() {
    const QString folder = TempFolder();
    FileListBox1->clear();
    // The folder may be gone (or never have been made); there is nothing to empty then and
    // the window closes all the same.
    if (!platform::directoryExists(folder.toStdString()))
        return;
    for (const std::string& name : platform::listPlainFiles(folder.toStdString(), "*.*"))
        FileListBox1->addItem(toQ(name));
    for (int i = 0; i < FileListBox1->count(); ++i)
        platform::deleteFile((folder + FileListBox1->item(i)->text()).toStdString());
    FileListBox1->clear();
    for (const std::string& name : platform::listPlainFiles(folder.toStdString(), "*.*"))
        FileListBox1->addItem(toQ(name));
}

void TMainform::FormDestroy() {
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
    if (event->oldSize().isValid())
        FormCanResize(event->oldSize().width());
}

void TMainform::closeEvent(QCloseEvent* event) {
    platform::guarded([this] { FormClose(); });
    event->accept();
    // Closing the main window ends the program, even with other windows still open.
    if (Terminate)
        Terminate();
}

// ---------------------------------------------------------------------------------------------
// The listing

void TMainform::Archiver1DirUpdate() {
    ++dirUpdates_;
    FillGrid();
    FilesLabel->setText(QString::number(Archiver1.Count()));
}

void TMainform::FillGrid() {
    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
    const int count = Archiver1.Count();
    if (count == 0)
        return;
    // The cells are written straight into the table, whose repaint waits for the event loop,
    // one column at a time; row 0 keeps its captions. Equal sizes and equal dates share one
    // text (the first few thousand different ones are remembered): archives repeat them often.
    StringGrid1->setRowCount(count + 1);
    StringGrid1->setFixedRows(1);
    const auto& entries = Archiver1.DirEntries();
    for (int c = 0; c < 4; ++c) {
        std::unordered_map<std::uint64_t, QString> texts;
        const auto shared = [&texts](std::uint64_t key, const auto& make) {
            const auto it = texts.find(key);
            if (it != texts.end())
                return it->second;
            QString text = make();
            if (texts.size() < 4096)
                texts.emplace(key, text);
            return text;
        };
        for (int i = 0; i < count; ++i) {
            const ZipDirEntry& entry = *entries[static_cast<std::size_t>(i)];
            QString text;
            if (c == 0)
                text = toQ(displayName(entry, Archiver1.NameEncoding));
            else if (c == 1)
                text = shared(entry.CompressedSize64,
                              [&] { return QString::number(entry.CompressedSize64); });
            else if (c == 2)
                text = shared(entry.UncompressedSize64,
                              [&] { return QString::number(entry.UncompressedSize64); });
            else // an impossible stored date or time leaves the cell empty
                text = shared(entry.DateTime,
                              [&] { return platform::dosDateTimeText(entry.DateTime); });
            StringGrid1->setCells(c, i + 1, text);
        }
    }
}

void TMainform::RewriteGridSeparators() {
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        QString name = StringGrid1->Cells(0, r);
        if (name.contains('/')) {
            // The cell lets go of its text first, so that the text is changed where it lies
            // instead of being copied.
            StringGrid1->setCells(0, r, QString());
            name.replace('/', '\\');
            StringGrid1->setCells(0, r, name);
        }
    }
}

void TMainform::Archiver1Progress(ProgressType progrType, const std::string& filename,
                                  std::int32_t fileSize) {
    // Entry names come as stored; they are shown by the rule the table uses.
    if (Msgform)
        Msgform->ShowProgress(progrType, isValidUtf8(filename) ? filename : cp437ToUtf8(filename),
                              fileSize);
    QCoreApplication::processEvents();
}

void TMainform::Archiver1Message(std::int32_t, const std::string&) {
    // The libraries' messages and the commands' start lines are taken and dropped.
}

// ---------------------------------------------------------------------------------------------
// The access gate

bool TMainform::AccessGate() {
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
// Archive file commands

void TMainform::setNameDisplay(const QString& text) {
    ZipFname->setText(text);
    ZipFname->setCursorPosition(0);
}

void TMainform::ZipOpenButClick() {
    OpenDialog1.Title = "Open Existing ZIP File";
    OpenDialog1.include(TOpenDialog::ofHideReadOnly);
    OpenDialog1.include(TOpenDialog::ofPathMustExist);
    OpenDialog1.include(TOpenDialog::ofFileMustExist);
    OpenDialog1.include(TOpenDialog::ofShareAware);
    if (OpenDialog1.Execute(this)) {
        platform::WaitCursor hourglass;
        const unsigned updatesBefore = dirUpdates_;
        try {
            Archiver1.setZipFilename(OpenDialog1.FileName.toStdString());
        } catch (...) {
            // A file that cannot be opened at all raises no directory update: the table is
            // refilled from the component's list (now empty), so that the entries of the
            // archive shown before do not stand under the new name.
            if (dirUpdates_ == updatesBefore)
                Archiver1DirUpdate();
            setNameDisplay(toQ(Archiver1.ZipFilename()));
            throw;
        }
        setNameDisplay(toQ(Archiver1.ZipFilename()));
    }
    RewriteGridSeparators();
}

void TMainform::NewZipButClick() {
    OpenDialog1.Title = "Create New ZIP File";
    OpenDialog1.include(TOpenDialog::ofHideReadOnly);
    OpenDialog1.include(TOpenDialog::ofShareAware);
    OpenDialog1.exclude(TOpenDialog::ofPathMustExist);
    OpenDialog1.exclude(TOpenDialog::ofFileMustExist);
    OpenDialog1.Filter = "ZIP Files (*.ZIP)|*.zip";
    if (!OpenDialog1.Execute(this))
        return;
    QString name = OpenDialog1.FileName;
    if (!name.toLower().contains(".zip")) {
        name += ".zip";
        OpenDialog1.FileName = name;
    }
    const std::string path = name.toStdString();
    if (platform::fileExists(path)) {
        if (!platform::messages().confirm("Overwrite Existing File: " + path + "?"))
            return;
        // A file that cannot be deleted stays; its entries are then listed below.
        platform::deleteFile(path);
    }
    setNameDisplay(name);
    Archiver1.setZipFilename(path);
}

void TMainform::DeleteZipButClick() {
    if (!AccessGate())
        return;
    const std::string path = ZipFname->text().toStdString();
    if (!platform::fileExists(path)) {
        platform::messages().showMessage("Zip file not found: " + path);
        return;
    }
    if (!platform::messages().confirm("Are you sure you want to delete: " + path + "?"))
        return;
    // A failed deletion must not look like a success: the archive is still there, so its
    // name and entries stay on show.
    if (!platform::deleteFile(path)) {
        platform::messages().showError("Cannot delete " + path);
        return;
    }
    setNameDisplay("<none>");
    StringGrid1->setFixedRows(0);
    StringGrid1->setRowCount(1);
}

void TMainform::Exit1Click() {
    // Ends the program without the temp folder's emptying of a close.
    if (Terminate)
        Terminate();
}

// ---------------------------------------------------------------------------------------------
// Entry commands

void TMainform::RunEntryOperation(const std::function<void()>& operation,
                                  const std::string& failureText, const QString& resultText) {
    try {
        operation();
    } catch (...) {
        platform::messages().showMessage(failureText);
    }
    if (Msgform)
        Msgform->ShowResult(QString::number(Archiver1.ProcessedCount()) + resultText);
    RewriteGridSeparators();
}

bool TMainform::takeSelectedNames() {
    for (const QString& name : selectedNames())
        Archiver1.FSpecArgs().push_back(name.toStdString());
    if (!Archiver1.FSpecArgs().empty())
        return true;
    platform::messages().showMessage("Error - no files selected");
    return false;
}

void TMainform::beginEntryOperation(const std::string& startLine) {
    if (Msgform)
        Msgform->ShowWorking();
    Archiver1Message(0, startLine);
    Archiver1.Verbose = true;
    Archiver1.Trace = false;
}

void TMainform::AddButClick() {
    // A fresh dialog for every Add: its list starts empty, its options unticked.
    delete AddForm;
    AddForm = new TAddForm(this);
    TAddForm* dialog = AddForm;
    if (!AccessGate())
        return;
    const std::string archive = Archiver1.ZipFilename();
    if (archive.empty()) {
        platform::messages().showMessage("Error - open a zip file first");
        return;
    }
    if (isSelfExtractingName(archive)) {
        platform::messages().showMessage(
            "Error - this pgm can NOT add files to a self-extracting archive");
        return;
    }
    dialog->move(pos());
    DialogCancelled = false;
    dialog->exec();
    if (DialogCancelled)
        return;
    if (dialog->SelectedList->count() == 0) {
        platform::messages().showMessage("No files selected");
        return;
    }
    beginEntryOperation("Beginning Add to " + archive);
    Archiver1.AddOptions = {};
    if (dialog->RecurseCB->isChecked())
        Archiver1.AddOptions.include(AddOptsEnum::AddRecurseDirs);
    if (dialog->DirNameCB->isChecked())
        Archiver1.AddOptions.include(AddOptsEnum::AddDirNames);
    Archiver1.FSpecArgs().clear();
    for (int i = 0; i < dialog->SelectedList->count(); ++i)
        Archiver1.FSpecArgs().push_back(dialog->SelectedList->item(i)->text().toStdString());
    dialog->SelectedList->clear();

    RunEntryOperation([this] { Archiver1.Add(); }, "Error in Add; Fatal DLL Exception in mainunit",
                      " files were added");
}

void TMainform::ExtractButClick() {
    // A fresh dialog for every Extract: its answers start at "No", "Yes", "All Files".
    delete Extract;
    Extract = new TExtract(this);
    TExtract* dialog = Extract;
    if (!AccessGate())
        return;
    const std::string shown = ZipFname->text().toStdString();
    if (!platform::fileExists(shown)) {
        platform::messages().showMessage("Error: file not found: " + shown);
        return;
    }
    dialog->exec();
    if (ExtractDir.empty() || DialogCancelled)
        return;
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage("Error - no files to extract");
        return;
    }
    Archiver1.FSpecArgs().clear();
    if (!ExtractAllFiles && !takeSelectedNames())
        return;
    beginEntryOperation("Beginning Extract from " + Archiver1.ZipFilename());
    Archiver1.ExtrBaseDir = ExtractDir;
    Archiver1.ExtrOptions = {};
    if (ExtractWithDirs)
        Archiver1.ExtrOptions.include(ExtrOptsEnum::ExtrDirNames);
    if (ExtractOverwrite)
        Archiver1.ExtrOptions.include(ExtrOptsEnum::ExtrOverWrite);

    RunEntryOperation([this] { Archiver1.Extract(); },
                      "Error in Extract; Fatal DLL Exception in mainunit", " files were extracted");
}

void TMainform::DeleteButClick() {
    if (!AccessGate())
        return;
    const std::string archive = Archiver1.ZipFilename();
    if (isSelfExtractingName(archive)) {
        platform::messages().showMessage(
            "Error - this pgm can NOT delete files from a self-extracting archive");
        return;
    }
    if (StringGrid1->RowCount() < 2) {
        platform::messages().showMessage("Error - no files to delete");
        return;
    }
    if (!platform::messages().confirm("Delete selected files from: " + archive + "?"))
        return;
    Archiver1.FSpecArgs().clear();
    if (!takeSelectedNames())
        return;
    beginEntryOperation("Beginning delete from " + archive);
    RunEntryOperation([this] { Archiver1.Delete(); }, "Fatal error trying to delete",
                      " files were Deleted");
}

void TMainform::StringGrid1DblClick() {
    Edit2->clear();
    if (!AccessGate())
        return;
    const QString file = extractForViewing();
    // A name without extension (a folder entry among them) has no program to open it: the
    // archive itself is shown instead.
    if (Edit2->text().isEmpty())
        platform::shell().explore(ZipFname->text().toStdString());
    else
        platform::shell().openDocument((TempFolder() + file).toStdString());
}

void TMainform::ViewSelectedFile1Click() {
    StringGrid1DblClick();
}

void TMainform::Openwith1Click() {
    Edit2->clear();
    if (!AccessGate())
        return;
#ifdef _WIN32
    OpenDialog2.Filter = "application (*.exe)|*.exe";
    OpenDialog2.InitialDir = "c:\\program";
#else
    // Programs carry no extension here: the dialog shows the files one may run.
    OpenDialog2.Filter = "application|*";
    OpenDialog2.ExecutablesOnly = true;
    OpenDialog2.InitialDir = "/usr/bin";
#endif
    OpenDialog2.include(TOpenDialog::ofHideReadOnly);
    OpenDialog2.include(TOpenDialog::ofFileMustExist);
    if (!OpenDialog2.Execute(this))
        return;
    const QString file = extractForViewing();
    // The path is handed over as one argument, so that the spaces of the temp folder's name
    // do not split it.
    platform::shell().startProgram(OpenDialog2.FileName.toStdString(),
                                   (TempFolder() + file).toStdString());
}

QString TMainform::extractForViewing() {
    // The file name is what follows the last separator: the libraries write an entry
    // extracted without folder names under that name. ":" separates a drive only on Windows.
#ifdef _WIN32
    const QRegularExpression separator(R"([\\/:])");
#else
    const QRegularExpression separator(R"([\\/])");
#endif
    std::vector<std::string>& specs = Archiver1.FSpecArgs();
    specs.clear();
    QString file;
    for (const QString& name : selectedNames()) {
        specs.push_back(name.toStdString());
        file = name.mid(name.lastIndexOf(separator) + 1);
    }

    const QString folder = TempFolder();
    // Without its folder the libraries would extract into whatever folder is current, and
    // overwrite files there: it is made again when it has gone.
    if (!platform::directoryExists(folder.toStdString()) &&
        !platform::createDirectory(folder.toStdString()))
        throw platform::Exception("Cannot create " + folder.toStdString());
    Archiver1.ExtrBaseDir = folder.toStdString();
    Archiver1.Verbose = true;
    Archiver1.Trace = false;
    // Overwriting, and no copy left from an earlier view: whatever the shell opens next is
    // the entry just chosen, or nothing when it could not be extracted.
    Archiver1.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    if (!file.isEmpty() && platform::fileExists((folder + file).toStdString()))
        platform::deleteFile((folder + file).toStdString());
    // With no entry row selected (only the caption row), nothing is extracted: an empty
    // list would ask the library for every entry.
    if (!specs.empty()) {
        try {
            Archiver1.Extract();
        } catch (...) {
            platform::messages().showMessage("Error in Extract; Fatal DLL Exception in mainunit");
        }
    }
    const qsizetype dot = file.lastIndexOf('.');
    Edit2->setText(dot >= 0 ? file.mid(dot) : QString());
    return file;
}

QStringList TMainform::selectedNames() const {
    QStringList names;
    const TGridRect sel = StringGrid1->Selection();
    for (int r = std::max(sel.Top, 1); r <= sel.Bottom && r < StringGrid1->RowCount(); ++r)
        names << StringGrid1->Cells(0, r);
    return names;
}

void TMainform::Properties1Click() {
    const int r = StringGrid1->Selection().Top;
    const QString name = StringGrid1->Cells(0, r);
    const qsizetype dot = name.lastIndexOf('.');
    const QString extension = dot >= 0 ? name.mid(dot) : QString();
    const QString text = "File Name         : " + name + "\r" + "Extension file    : " + extension +
                         "\r" + "Compressed Size   : " + StringGrid1->Cells(1, r) + "\r" +
                         "Uncompressed Size : " + StringGrid1->Cells(2, r) + "\r" +
                         "Modified          : " + StringGrid1->Cells(3, r) + "\r";
    platform::messages().showMessage(text.toStdString());
}

void TMainform::GradButton1Click() {
#ifdef _WIN32
    const std::string tool = "combiner.exe";
#else
    const std::string tool = "combiner";
#endif
    platform::shell().startProgram(
        platform::programDirectory() + platform::pathSeparatorText() + tool, "");
}

void TMainform::GradButton2Click() {
    if (ShowSettings)
        ShowSettings();
}

void TMainform::ViewbutClick() {
#ifdef _WIN32
    const std::string help = "Quembly Help.chm";
#else
    const std::string help = "Quembly Help.html";
#endif
    platform::shell().openDocument(platform::programDirectory() + platform::pathSeparatorText() +
                                   help);
}

void TMainform::About1Click() {
    if (ShowAbout)
        ShowAbout();
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

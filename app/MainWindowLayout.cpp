// The main window's menus, its toolbar, name and table panels, and the joining of every menu
// item, button and table event to its command.
#include "app/MainWindow.h"

#include "app/NameEncodingMenu.h"
#include "controls/GradButton.h"
#include "controls/SortingGrid.h"
#include "controls/Theme.h"
#include "dialogs/WindowUtil.h"
#include "platform/qt/ErrorGuard.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const QColor kToolbarColor = theme::kWindowBlue;

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

} // namespace

// ---------------------------------------------------------------------------------------------
// Menus, panels and their commands

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

    File1 = addMenu("File1", tr("&File"));
    NewZIP1 = addItem(File1, "NewZIP1", tr("&New ZIP"), "file-plus", kFileInk);
    OpenZIP1 = addItem(File1, "OpenZIP1", tr("&Open ZIP"), "folder-open", kFileInk);
    DeleteZIP1 = addItem(File1, "DeleteZIP1", tr("&Delete ZIP"), "file-x", kFileInk);
    Exit1 = addItem(File1, "Exit1", tr("E&xit"), "logout", kFileInk);

    View1 = addMenu("View1", tr("&View"));
    OpenFiles1 = addItem(View1, "OpenFiles1", tr("&Open Files"), "eye", kEntryInk);
    OpenWith2 = addItem(View1, "OpenWith2", tr("Open &With"), "external-link", kEntryInk);
    FilesProperties1 =
        addItem(View1, "FilesProperties1", tr("Files &Properties"), "list-details", kEntryInk);

    ool1 = addMenu("ool1", tr("&Tool"));
    Extract1 = addItem(ool1, "Extract1", tr("&Extract Files"), "file-export", kEntryInk);
    TestArchive1 = addItem(ool1, "TestArchive1", tr("&Test Archive"), "file-zip", kEntryInk);
    AddFiles1 = addItem(ool1, "AddFiles1", tr("&Add Files"), "file-import", kEntryInk);
    DeleteFiles1 = addItem(ool1, "DeleteFiles1", tr("&Delete Files"), "file-minus", kEntryInk);

    Option1 = addMenu("Option1", tr("&Option"));
    CombineZIP1 = addItem(Option1, "CombineZIP1", tr("&Combine ZIP"), "arrows-join", kOptionInk);
    Configure1 = addItem(Option1, "Configure1", tr("Con&figure"), "settings", kOptionInk);
    Option1->addMenu(makeNameEncodingMenu(this, Archiver1, [this] { FillGrid(); }));

    Help1 = addMenu("Help1", tr("&Help"));
    tessalyHelp1 = addItem(Help1, "tessalyHelp1", tr("&Quembly Help"), "help", kOptionInk);
    About1 = addItem(Help1, "About1", tr("&About"), "info-circle", kOptionInk);
    NewZIP1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    OpenZIP1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Exit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    Extract1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    AddFiles1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    tessalyHelp1->setShortcut(QKeySequence(Qt::Key_F1));
    // Enter and Delete act on the table's rows: only while the table has the focus.
    OpenFiles1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    OpenFiles1->setShortcutContext(Qt::WidgetShortcut);
    DeleteFiles1->setShortcut(QKeySequence(QKeySequence::Delete));
    DeleteFiles1->setShortcutContext(Qt::WidgetShortcut);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    PopupMenu1->setFont(QApplication::font());
    ViewSelectedFile1 =
        addItem(PopupMenu1, "ViewSelectedFile1", tr("&Open Selected File"), "eye", kEntryInk);
    Openwith1 = addItem(PopupMenu1, "Openwith1", tr("Open &with ..."), "external-link", kEntryInk);
    ExtractSelectedFile1 = addItem(PopupMenu1, "ExtractSelectedFile1", tr("&Extract Selected File"),
                                   "file-export", kEntryInk);
    TestSelectedFiles1 = addItem(PopupMenu1, "TestSelectedFiles1", tr("&Test Selected Files"),
                                 "file-zip", kEntryInk);
    DeleteSelectedFile1 = addItem(PopupMenu1, "DeleteSelectedFile1", tr("&Delete Selected File"),
                                  "file-minus", kEntryInk);
    Properties1 = addItem(PopupMenu1, "Properties1", tr("&Properties"), "list-details", kEntryInk);
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
    Panel4->setAccessibleName(tr("Toolbar"));
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
        {&NewZipBut, "NewZipBut", 56, QT_TR_NOOP("Click to Create New ZIP"), "file-plus", kFileInk,
         TGradButton::csNeoSun, true},
        {&ZipOpenBut, "ZipOpenBut", 56, QT_TR_NOOP("Click to Open ZIP on your computer"),
         "folder-open", kFileInk, TGradButton::csNeoSun, true},
        {&DeleteZipBut, "DeleteZipBut", 56,
         QT_TR_NOOP("Click to Delete Zip file and All zip content"), "file-x", kFileInk,
         TGradButton::csNeoSun, true},
        {&ExtractBut, "ExtractBut", 58, QT_TR_NOOP("Click to Extract zip"), "file-export",
         kEntryInk, TGradButton::csGrass, false},
        {&AddBut, "AddBut", 58, QT_TR_NOOP("Click to Add some files to ZIP"), "file-import",
         kEntryInk, TGradButton::csGrass, false},
        {&DeleteBut, "DeleteBut", 58, QT_TR_NOOP("Click to Delete the selected file"), "file-minus",
         kEntryInk, TGradButton::csGrass, false},
        {&GradButton1, "GradButton1", 54, QT_TR_NOOP("Click to combine the splitted zip"),
         "arrows-join", kOptionInk, TGradButton::csDesert, false},
        {&GradButton2, "GradButton2", 61, QT_TR_NOOP("Click to Configure Quembly"), "settings",
         kOptionInk, TGradButton::csDesert, false},
        {&Viewbut, "Viewbut", 54, QT_TR_NOOP("Click to view help file"), "help", kOptionInk,
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
        button->setToolTip(tr(spec.hint));
        button->setStatusTip(tr(spec.hint));
        *spec.button = button;
        x += spec.width + (i == 2 || i == 5 ? 12 : 2);
    }
    GradButton2->setButtonLayout(TGradButton::blGlyphLeft);
    NewZipBut->setAccessibleName(tr("New ZIP"));
    ZipOpenBut->setAccessibleName(tr("Open ZIP"));
    DeleteZipBut->setAccessibleName(tr("Delete ZIP"));
    ExtractBut->setAccessibleName(tr("Extract Files"));
    AddBut->setAccessibleName(tr("Add Files"));
    DeleteBut->setAccessibleName(tr("Delete Files"));
    GradButton1->setAccessibleName(tr("Combine ZIP"));
    GradButton2->setAccessibleName(tr("Configure"));
    Viewbut->setAccessibleName(tr("Quembly Help"));
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
    Label2 = new QLabel(tr("Zip Name:"), Panel3);
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
    ZipFname->setAccessibleName(Label2->text()); // the label stands in another panel
    nameLayout->addWidget(ZipFname);
    nameRow->addWidget(Panel6, 1);

    outer->addWidget(Panel2);

    // The entry table.
    StringGrid1 = new TSortingGrid(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setAccessibleName(tr("Archive entries"));
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
    StringGrid1->setToolTip(tr("Double click to view the selected file"));
    StringGrid1->setStatusTip(tr("Double click to view the selected file"));
    StringGrid1->setCaseSensitive(false);
    StringGrid1->setClickSorting(true);
    StringGrid1->setProportionalScrollBars(true);
    StringGrid1->setAlignmentHorz(TAlignment::taLeftJustify);
    StringGrid1->setAlignmentVert(TVertAlignment::taTopJustify);
    StringGrid1->setBevelStyle(TCellBevelStyle::cbNone);
    outer->addWidget(StringGrid1, 1);
    StringGrid1->addAction(OpenFiles1);
    StringGrid1->addAction(DeleteFiles1);
    StringGrid1->setFocus(); // the rows are what the keys work on

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
    Bevel2 = makeBevel(Panel1, "Bevel2", {3, 3, 96, 21});
    FilesLabel = new QLabel("0", Panel1);
    FilesLabel->setObjectName("FilesLabel");
    FilesLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FilesLabel->setGeometry(6, 4, 52, 19);
    Label1 = new QLabel(tr("files"), Panel1);
    Label1->setObjectName("Label1");
    Label1->setGeometry(62, 4, 34, 19);
    FilesLabel->setAccessibleDescription(Label1->text());
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
        return [this, handler] {
            platform::guarded([this, handler] { (this->*handler)(); });
            if (StringGrid1)
                StringGrid1->setFocus(); // the keys work on the rows again after a command
        };
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
    bind(ExtractSelectedFile1, &TMainform::ExtractSelectedFile1Click);
    bind(TestArchive1, &TMainform::TestArchiveClick);
    bind(TestSelectedFiles1, &TMainform::TestSelectedFilesClick);
    setAcceptDrops(true);
    connect(StringGrid1, &TStringGrid::DragOut, this, command(&TMainform::StringGrid1DragOut));
    bind(AddBut, &TMainform::AddButClick);
    bind(AddFiles1, &TMainform::AddButClick);
    bind(DeleteBut, &TMainform::DeleteButClick);
    bind(DeleteFiles1, &TMainform::DeleteButClick);
    bind(DeleteSelectedFile1, &TMainform::DeleteButClick);
    // The Delete key in the table deletes the selected entries, whatever the modifiers, and
    // Enter opens the current entry (plain Delete and Enter arrive here only when the menu
    // items' shortcuts did not take them); Shift+F10 opens the table's menu as the Menu key does.
    connect(StringGrid1, &TStringGrid::KeyDown, this,
            [this, run = command(&TMainform::DeleteButClick),
             open = command(&TMainform::StringGrid1DblClick)](int key, Qt::KeyboardModifiers mods) {
                if (key == Qt::Key_Delete)
                    run();
                if (key == Qt::Key_Return || key == Qt::Key_Enter)
                    open();
                if (key == Qt::Key_F10 && mods == Qt::ShiftModifier) {
                    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(),
                                              QCursor::pos());
                    QCoreApplication::sendEvent(StringGrid1, &menuKey);
                }
            });

    bind(GradButton1, &TMainform::GradButton1Click);
    bind(CombineZIP1, &TMainform::GradButton1Click);
    bind(GradButton2, &TMainform::GradButton2Click);
    bind(Configure1, &TMainform::GradButton2Click);
    bind(Viewbut, &TMainform::ViewbutClick);
    bind(tessalyHelp1, &TMainform::ViewbutClick);
    bind(About1, &TMainform::About1Click);
}

#include "dialogs/AddFilesDialog.h"

#include "controls/FileListBox.h"
#include "controls/FolderTree.h"
#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/DialogResults.h"
#include "dialogs/WindowUtil.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/qt/ErrorGuard.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QShowEvent>

#include <algorithm>
#include <filesystem>
#include <system_error>

TAddForm* AddForm = nullptr;

namespace {

const QColor kStripColour = theme::kPanelBlue;

// Paths name the same file when they are equal; on Windows letter case does not count.
QString pathKey(const QString& path) {
#ifdef _WIN32
    return path.toCaseFolded();
#else
    return path;
#endif
}

// The order of the sorted collected list: text order with letter case ignored.
bool caseInsensitiveLess(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

QLabel* makeBoldLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The dialog

TAddForm::TAddForm(QWidget* parent) : QDialog(parent, kCloseAndMinimiseDialog) {
    setObjectName("AddForm");
    setWindowTitle(tr("Add Files"));
    setPixelFont(this, "MS Sans Serif", 10);
    setFixedSize(617, 432);

    Panel1 = makeColourPanel(this, "Panel1", kStripColour, {0, 1, 479, 22});
    Label3 = makeBoldLabel(Panel1, "Label3", tr("Select File to Add"), {8, 5});

    DirectoryListBox1 = new TFolderTree(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setGeometry(3, 24, 167, 177);
    DirectoryListBox1->setAccessibleName(tr("Folders"));

    FileListBox1 = new TFileListBox(this);
    FileListBox1->setObjectName("FileListBox1");
    FileListBox1->setGeometry(170, 24, 306, 176);
    FileListBox1->setAccessibleName(Label3->text());

    Panel2 = makeColourPanel(this, "Panel2", kStripColour, {0, 205, 479, 227});
    Panel3 = makeColourPanel(Panel2, "Panel3", kStripColour, {3, 1, 473, 23});
    Label1 = makeBoldLabel(Panel3, "Label1", tr("Files to Add:"), {8, 5});
    SelectedList = new QListWidget(Panel2);
    SelectedList->setObjectName("SelectedList");
    SelectedList->setGeometry(3, 24, 472, 195);
    SelectedList->setAccessibleName(Label1->text());
    SelectedList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SelectedList->setFocusPolicy(Qt::ClickFocus); // not reached with Tab

    Panel4 = makeColourPanel(this, "Panel4", kStripColour, {479, 1, 135, 431});
    Label2 = makeBoldLabel(Panel4, "Label2", tr("Options"), {9, 11});
    Bevel1 = makeBevel(Panel4, "Bevel1", {8, 29, 120, 53});
    DirNameCB = makeControl<QCheckBox>(Panel4, "DirNameCB", tr("Save DirNames"), {14, 38, 95, 14});
    RecurseCB = makeControl<QCheckBox>(Panel4, "RecurseCB", tr("Recurse Dirs"), {14, 60, 91, 14});

    Bevel2 = makeBevel(Panel4, "Bevel2", {8, 205, 120, 100});
    EncryptCB = makeControl<QCheckBox>(Panel4, "EncryptCB", tr("Encrypt"), {14, 213, 95, 14});
    AesRB = makeControl<QRadioButton>(Panel4, "AesRB", tr("AES-256"), {26, 233, 95, 14});
    ZipCryptoRB =
        makeControl<QRadioButton>(Panel4, "ZipCryptoRB", tr("ZipCrypto"), {26, 253, 95, 14});
    Label4 =
        makeControl<QLabel>(Panel4, "Label4", tr("(weak, for older tools)"), {26, 269, 98, 30});
    Label4->setWordWrap(true);
    ZipCryptoRB->setAccessibleDescription(Label4->text());
    ZipCryptoRB->setToolTip(Label4->text());
    AesRB->setChecked(true);
    // The method is chosen only for encrypted entries.
    for (QWidget* method : {static_cast<QWidget*>(AesRB), static_cast<QWidget*>(ZipCryptoRB),
                            static_cast<QWidget*>(Label4)}) {
        method->setEnabled(false);
        connect(EncryptCB, &QCheckBox::toggled, method, &QWidget::setEnabled);
    }

    struct ButtonSpec {
        TGradButton** button;
        const char* name;
        const char* caption;
        QRect place;
        void (TAddForm::*handler)();
    };
    const ButtonSpec buttons[] = {
        {&Selectallbut,
         "Selectallbut",
         QT_TR_NOOP("Select All"),
         {8, 112, 121, 25},
         &TAddForm::SelectAllButClick},
        {&Addfilebut,
         "Addfilebut",
         QT_TR_NOOP("Add Files"),
         {8, 142, 122, 25},
         &TAddForm::AddFileButClick},
        {&Removebut,
         "Removebut",
         QT_TR_NOOP("Remove Files"),
         {8, 171, 121, 25},
         &TAddForm::RemoveButClick},
        {&sortbut,
         "sortbut",
         QT_TR_NOOP("Sort File List"),
         {8, 328, 121, 25},
         &TAddForm::SortButClick},
        {&Okbut, "Okbut", QT_TR_NOOP("Add To ZIP"), {8, 359, 121, 25}, &TAddForm::OKButClick},
        {&cancelbut,
         "cancelbut",
         QT_TR_NOOP("Cancel"),
         {8, 389, 121, 25},
         &TAddForm::CancelButClick},
    };
    for (const ButtonSpec& b : buttons) {
        TGradButton* button = makeDesertButton(Panel4, b.name, tr(b.caption), b.place);
        button->setHotTrack(true);
        button->setButtonLayout(TGradButton::blGlyphLeft);
        button->setSpacing(4);
        onClick(button, [this, handler = b.handler] { (this->*handler)(); });
        *b.button = button;
    }

    connect(DirectoryListBox1, &TFolderTree::Click, this,
            [this] { platform::guarded([this] { DirectoryListBox1Click(); }); });
    // The file list follows the keyboard too, as long as the selection is a folder (a mouse
    // press leaves it to the click, which alone answers the left button).
    connect(DirectoryListBox1, &TFolderTree::Change, this, [this] {
        platform::guarded([this] {
            if (QGuiApplication::mouseButtons() == Qt::NoButton &&
                platform::directoryExists(DirectoryListBox1->Path().toStdString()))
                DirectoryListBox1Click();
        });
    });

    centerOnScreen(this);
    platform::guarded([this] { FormCreate(); });
}

void TAddForm::showStartFolder() {
    DirectoryListBox1->setPath(TFolderTree::StartFolder());
    FileListBox1->setDirectory(TFolderTree::StartFolder());
}

TAddForm::~TAddForm() {
    if (AddForm == this)
        AddForm = nullptr;
}

void TAddForm::FormCreate() {
    DirNameCB->setChecked(false);
    RecurseCB->setChecked(false);
    EncryptCB->setChecked(false);
    AesRB->setChecked(true);
    showStartFolder();
}

void TAddForm::FormShow() {
    showStartFolder();
}

void TAddForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TAddForm::DirectoryListBox1Click() {
    FileListBox1->setDirectory(DirectoryListBox1->Path());
}

QString TAddForm::AppendSlash(const QString& path) {
    const QChar separator = QLatin1Char(platform::pathSeparator());
    if (path.isEmpty() || path.endsWith(separator))
        return path;
    return path + separator;
}

void TAddForm::SelectAllButClick() {
    FileListBox1->selectAll();
}

void TAddForm::AddFileButClick() {
    DialogCancelled = true;
    QSet<QString> collected;
    for (int i = 0; i < SelectedList->count(); ++i)
        collected.insert(pathKey(SelectedList->item(i)->text()));
    // The folder of the files is the one the file list shows: the tree's selection may have
    // been moved by keyboard since, or stand on a node without a path.
    const QString folder = AppendSlash(FileListBox1->Directory());
    for (int i = 0; i < FileListBox1->count(); ++i) {
        QListWidgetItem* item = FileListBox1->item(i);
        if (!item->isSelected())
            continue;
        const QString path = folder + item->text();
        if (!collected.contains(pathKey(path))) {
            collected.insert(pathKey(path));
            collect(path);
        }
        item->setSelected(false);
    }
    if (SelectedList->count() > 0)
        SelectedList->scrollToItem(SelectedList->item(SelectedList->count() - 1));
}

void TAddForm::collect(const QString& path) {
    int at = SelectedList->count();
    if (sorted_) {
        // After the lines that do not sort behind it.
        int low = 0;
        while (low < at) {
            const int mid = (low + at) / 2;
            if (caseInsensitiveLess(path, SelectedList->item(mid)->text()))
                at = mid;
            else
                low = mid + 1;
        }
    }
    SelectedList->insertItem(at, path);
}

void TAddForm::RemoveButClick() {
    for (int i = SelectedList->count() - 1; i >= 0; --i)
        if (SelectedList->item(i)->isSelected())
            delete SelectedList->takeItem(i);
}

void TAddForm::SortButClick() {
    sorted_ = true;
    QStringList lines;
    for (int i = 0; i < SelectedList->count(); ++i)
        lines << SelectedList->item(i)->text();
    std::stable_sort(lines.begin(), lines.end(), caseInsensitiveLess);
    SelectedList->clear();
    SelectedList->addItems(lines);
    sortbut->setEnabled(false);
}

void TAddForm::OKButClick() {
    DialogCancelled = false;
    accept();
}

void TAddForm::CancelButClick() {
    reject();
}

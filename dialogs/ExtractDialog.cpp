#include "dialogs/ExtractDialog.h"

#include "controls/FolderTree.h"
#include "controls/GradButton.h"
#include "controls/RadioGroup.h"
#include "controls/Theme.h"
#include "dialogs/DialogResults.h"
#include "dialogs/NewFolderWindow.h"
#include "dialogs/WindowUtil.h"
#include "platform/qt/ErrorGuard.h"

#include <QFrame>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

TExtract* Extract = nullptr;

// ---------------------------------------------------------------------------------------------
// The dialog

TExtract::TExtract(QWidget* parent) : QDialog(parent, kCloseAndMinimiseDialog) {
    setObjectName("Extract");
    setWindowTitle(tr("Select Extract Directory"));
    setPixelFont(this, "MS Sans Serif", 10);
    setFixedSize(438, 384);
    // Modal to the main window only: the new-folder window, shown beside it, stays usable.
    setWindowModality(Qt::WindowModal);

    Panel1 = makeColourPanel(this, "Panel1", palette().color(QPalette::Window), {0, 0, 262, 384});
    Directorylistbox1 = new TFolderTree(Panel1);
    Directorylistbox1->setObjectName("Directorylistbox1");
    Directorylistbox1->setGeometry(4, 3, 253, 376);
    Directorylistbox1->setAccessibleName(tr("Destination folder"));
    Directorylistbox1->setAutoRefresh(true);

    Panel2 = makeColourPanel(this, "Panel2", theme::kPanelBlue, {262, 0, 175, 384});
    RadioGroup1 = new TRadioGroup(tr("Extract With Directories"), {tr("No"), tr("Yes")}, Panel2);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->setGeometry(11, 13, 150, 59);
    RadioGroup2 = new TRadioGroup(tr("OverWrite Existing Files"), {tr("No"), tr("Yes")}, Panel2);
    RadioGroup2->setObjectName("RadioGroup2");
    RadioGroup2->setGeometry(10, 76, 151, 59);
    RadioGroup3 =
        new TRadioGroup(tr("Files to Extract"), {tr("All Files"), tr("Selected Files")}, Panel2);
    RadioGroup3->setObjectName("RadioGroup3");
    RadioGroup3->setGeometry(10, 137, 152, 62);

    GradButton1 =
        makeDesertButton(Panel2, "GradButton1", tr("Create New Folder"), {19, 208, 137, 25});
    OKbut = makeDesertButton(Panel2, "OKbut", tr("OK"), {19, 312, 137, 25});
    Cancelbut = makeDesertButton(Panel2, "Cancelbut", tr("Cancel"), {19, 344, 137, 25});
    onClick(GradButton1, [this] { GradButton1Click(); });
    onClick(OKbut, [this] { OKButClick(); });
    onClick(Cancelbut, [this] { CancelButClick(); });

    connect(Directorylistbox1, &TFolderTree::Change, this,
            [this] { platform::guarded([this] { Directorylistbox1Change(); }); });

    centerOnScreen(this);
    FormCreate();
}

TExtract::~TExtract() {
    if (Extract == this)
        Extract = nullptr;
}

void TExtract::FormCreate() {
    RadioGroup1->setItemIndex(0); // "No"
    RadioGroup2->setItemIndex(1); // "Yes"
    RadioGroup3->setItemIndex(0); // "All Files"
}

void TExtract::FormShow() {
    Directorylistbox1->setPath(TFolderTree::StartFolder());
}

void TExtract::FormActivate() {
    DialogCancelled = true;
}

void TExtract::Directorylistbox1Change() {
    // Nodes without a file-system path cannot take files; the selection goes to the start
    // folder instead (and this runs again for it).
    const QString path = Directorylistbox1->Path();
    if (path == "My Computer" || path == "Control Panel" || path == "Computer")
        Directorylistbox1->setPath(TFolderTree::StartFolder());
}

void TExtract::OKButClick() {
    DialogCancelled = false;
    ExtractDir = Directorylistbox1->Path().toStdString();
    ExtractWithDirs = RadioGroup1->ItemIndex() != 0;
    ExtractOverwrite = RadioGroup2->ItemIndex() != 0;
    ExtractAllFiles = RadioGroup3->ItemIndex() == 0;
    accept();
}

void TExtract::CancelButClick() {
    ExtractDir.clear();
    reject();
}

void TExtract::GradButton1Click() {
    if (Form7)
        showModeless(Form7);
}

bool TExtract::event(QEvent* event) {
    // A hidden dialog is not the active window, even when a late activation reaches it.
    if (event->type() == QEvent::WindowActivate && isVisible())
        FormActivate();
    return QDialog::event(event);
}

void TExtract::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

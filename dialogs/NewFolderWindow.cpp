#include "dialogs/NewFolderWindow.h"

#include "controls/FolderTree.h"
#include "controls/GradButton.h"
#include "controls/Theme.h"
#include "dialogs/ExtractDialog.h"
#include "dialogs/WindowUtil.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Messages.h"
#include "platform/qt/ErrorGuard.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

TForm7* Form7 = nullptr;

TForm7::TForm7(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("Form7");
    setWindowTitle(tr("Create New Folder"));
    setPixelFont(this, "MS Sans Serif", 11);
    setFixedSize(273, 65);

    Label1 = new QLabel(tr("Folder Name :"), this);
    Label1->setObjectName("Label1");
    Label1->move(8, 10);
    Label1->adjustSize();
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(80, 8, 185, 21);
    Label1->setBuddy(Edit1);
    Bitbtn2 = makeDesertButton(this, "Bitbtn2", tr("Cancel"), {96, 32, 75, 25});
    Bitbtn1 = makeDesertButton(this, "Bitbtn1", tr("OK"), {184, 32, 75, 25});
    Bitbtn1->setDefault(true);
    onClick(Bitbtn1, [this] { BitBtn1Click(); });
    onClick(Bitbtn2, [this] { BitBtn2Click(); });
    centerOnScreen(this);
}

void TForm7::FormShow() {
    Edit1->clear();
    Edit1->setFocus(); // the name is typed at once; Enter then means "OK"
}

void TForm7::BitBtn1Click() {
    const QString folder = Extract ? Extract->Directorylistbox1->Path() : QString();
    const std::string path =
        (folder + QLatin1Char(platform::pathSeparator()) + Edit1->text()).toStdString();
    if (platform::directoryExists(path)) {
        platform::messages().showMessage(tr("Directory is already exist").toStdString());
        return;
    }
    // Without a selected folder the path would start at the file system's root.
    if (folder.isEmpty() || !platform::createDirectory(path))
        throw platform::Exception(tr("Cannot create Folder : ").toStdString() + path);
    // The tree lists the new folder through its own watching; it is repainted at once.
    Extract->Directorylistbox1->viewport()->repaint();
    // The new folder is selected, so that OK extracts into it rather than its parent.
    Extract->Directorylistbox1->setPath(QDir::cleanPath(QString::fromStdString(path)));
    hide();
}

void TForm7::BitBtn2Click() {
    hide();
}

void TForm7::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

#include "app/MessageWindow.h"

#include "controls/GradButton.h"
#include "controls/Theme.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

TMsgform* Msgform = nullptr;

namespace {

constexpr int ClientWidth = 289;
constexpr int Panel1Height = 60;
constexpr int Panel2Height = 36;
constexpr int MessageListHeight = 120;
// Progress is counted in steps of this many bytes of the current file.
constexpr std::int32_t BytesPerStep = 32768;

QWidget* makePanel(QWidget* parent, const char* name, const QColor& colour, int top, int height) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(0, top, ClientWidth, height);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, colour);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
    return panel;
}

// A right-aligned label whose right edge stays at RIGHT: the text grows to the left, and
// what does not fit on the panel is cut off at the panel's left edge.
QLabel* makeRightLabel(QWidget* parent, const char* name, int right, int top) {
    auto* label =
        new QLabel(QCoreApplication::translate("TMsgform", "File being manipulated"), parent);
    label->setObjectName(QString::fromLatin1(name));
    // File names are shown as they are: a name that looks like markup is not rendered as it.
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->setGeometry(0, top, right, label->fontMetrics().height());
    return label;
}

} // namespace

TMsgform::TMsgform(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("Msgform");
    setWindowTitle(tr("Quembly Messages"));
    setPixelFont(this, "MS Sans Serif", 10);
    setFixedSize(ClientWidth, Panel1Height + Panel2Height);

    Panel1 = makePanel(this, "Panel1", theme::kPaleBlue, 0, Panel1Height);
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(7, 10, 274, 13);
    ProgressBar1->setTextVisible(false);
    resetBar();
    FileBeingZipped = makeRightLabel(Panel1, "FileBeingZipped", 118, 29);
    FileBeingZipped2 = makeRightLabel(Panel1, "FileBeingZipped2", 198, 21);

    Panel2 = makePanel(this, "Panel2", theme::kPanelBlue, Panel1Height, Panel2Height);
    Dismissbut = makeDesertButton(Panel2, "Dismissbut", tr("OK"), {207, 6, 75, 25});
    connect(Dismissbut, &TGradButton::clicked, this, &TMsgform::DismissButClick);
    Cancelbut = makeDesertButton(Panel2, "Cancelbut", tr("Cancel"), {126, 6, 75, 25});
    Cancelbut->hide();
    connect(Cancelbut, &TGradButton::clicked, this, &TMsgform::CancelbutClick);

    MessageList = new QListWidget(this);
    MessageList->setObjectName("MessageList");
    MessageList->setGeometry(0, Panel1Height, ClientWidth, MessageListHeight);
    MessageList->hide();

    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, Dismissbut,
            &TGradButton::Click); // Escape answers as OK does

    // Centred on the desktop.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.x() + (desk.width() - width()) / 2, desk.y() + (desk.height() - height()) / 2);
    }
}

void TMsgform::resetBar() {
    ProgressBar1->setRange(1, 10);
    step_ = 1;
    ProgressBar1->setValue(ProgressBar1->minimum());
}

void TMsgform::StepIt() {
    const int next = ProgressBar1->value() + step_;
    ProgressBar1->setValue(std::clamp(next, ProgressBar1->minimum(), ProgressBar1->maximum()));
}

void TMsgform::ShowProgress(ProgressType progrType, const std::string& filename,
                            std::int32_t fileSize) {
    switch (progrType) {
    case ProgressType::NewFile: {
        FileBeingZipped->setText(QString::fromStdString(filename));
        resetBar();
        // One step per 32 KiB of the file; a file smaller than one step fills the bar at once.
        const std::int32_t q = fileSize / BytesPerStep;
        ProgressBar1->setMaximum(q > 1 ? q : 1);
        if (fileSize < BytesPerStep)
            StepIt();
        break;
    }
    case ProgressType::ProgressUpdate:
        if (ProgressBar1->value() < ProgressBar1->maximum())
            StepIt();
        break;
    case ProgressType::EndOfBatch:
        FileBeingZipped->setText(QString());
        resetBar();
        break;
    }
}

void TMsgform::setListShown(bool shown) {
    const int listHeight = shown ? MessageListHeight : 0;
    MessageList->setVisible(shown);
    Panel2->move(0, Panel1Height + listHeight);
    setFixedSize(ClientWidth, Panel1Height + listHeight + Panel2Height);
}

void TMsgform::CancelbutClick() {
    if (OnCancel)
        OnCancel();
}

void TMsgform::ShowWorking() {
    MessageList->clear();
    setListShown(false);
    Cancelbut->show();
    show();
    raise();
    activateWindow();
}

void TMsgform::ShowResult(const QString& resultLine, const QStringList& messages) {
    Cancelbut->hide();
    MessageList->clear();
    MessageList->addItems(messages);
    setListShown(!messages.isEmpty());
    FileBeingZipped2->setText(resultLine);
    FileBeingZipped2->show();
    ProgressBar1->hide();
    FileBeingZipped->hide();
}

void TMsgform::DismissButClick() {
    FileBeingZipped2->hide();
    ProgressBar1->show();
    FileBeingZipped->show();
    close();
}

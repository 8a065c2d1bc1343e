#include "dialogs/AboutWindow.h"

#include "controls/GradButton.h"
#include "controls/GradPanel.h"
#include "controls/Theme.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

Tformabout* formabout = nullptr;

namespace {

constexpr int kClientWidth = 344;
constexpr int kClientHeight = 195;

QFont serifFont(int pixels) {
    QFont f;
    f.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
    f.setStyleHint(QFont::Serif);
    f.setBold(true);
    f.setPixelSize(pixels);
    return f;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setAutoFillBackground(false); // transparent over the gradient
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// A small archive box: a brown carton with a zipper running down its middle.
QPixmap drawIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const qreal s = size / 16.0;
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing, size > 16);
    p.setPen(QPen(QColor(0x6B, 0x42, 0x1A), 1));
    p.setBrush(QColor(0xE8, 0xB0, 0x60));
    p.drawRect(QRectF(1.5, 3.5, 13, 11));
    p.setBrush(QColor(0xF6, 0xCE, 0x8E));
    p.drawRect(QRectF(1.5, 1.5, 13, 3)); // the lid
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    for (int y = 5; y < 14; y += 2)
        p.drawRect(QRectF(7, y, 2, 1)); // zipper teeth
    p.setBrush(QColor(0x20, 0x60, 0xC0));
    p.drawRect(QRectF(6.5, 2, 3, 2)); // the pull tab
    return pm;
}

} // namespace

QIcon Tformabout::makeIcon() {
    QIcon icon;
    icon.addPixmap(drawIcon(16));
    icon.addPixmap(drawIcon(32));
    return icon;
}

Tformabout::Tformabout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("formabout"));
    setWindowTitle(tr("About"));
    setFont(theme::pixelFont(QStringLiteral("Tahoma"), 11));
    setFixedSize(kClientWidth, kClientHeight);
    setWindowIcon(makeIcon());
    setModal(false);

    GradPanel1 = new TGradPanel(this);
    GradPanel1->setObjectName(QStringLiteral("GradPanel1"));
    GradPanel1->setColorScheme(TGradPanel::csSilver);
    GradPanel1->setFillDirection(TGradPanel::fdVertical);
    GradPanel1->setGeometry(0, 0, kClientWidth, kClientHeight);

    Label2 = makeLabel(GradPanel1, "Label2", QStringLiteral("Quembly"), 16, 8, serifFont(24));
    Label3 = makeLabel(GradPanel1, "Label3", tr("Version 1.0"), 16, 34, serifFont(19));
    Label6 = makeLabel(GradPanel1, "Label6", QString(52, u'_') + u' ', 16, 44, font());
    Label6->resize(315, Label6->height());
    Label4 =
        makeLabel(GradPanel1, "Label4", tr("Quembly is free to use. Keep a copy of your archives."),
                  16, 64, theme::pixelFont(QStringLiteral("Tahoma"), 11));

    clsbtn = new TGradButton(GradPanel1);
    clsbtn->setObjectName(QStringLiteral("clsbtn"));
    clsbtn->setCaption(tr("Close"));
    clsbtn->setColorScheme(TGradButton::csNeoSilver);
    clsbtn->setGeometry(256, 152, 75, 25);
    clsbtn->setCursor(Qt::PointingHandCursor);
    connect(clsbtn, &TGradButton::clicked, this, &Tformabout::clsbtnClick);
}

void Tformabout::clsbtnClick() {
    hide();
}

// The window the About window is centred over: its parent when it has one, else the main
// window, else the window that is active when it is shown.
QWidget* Tformabout::owner() const {
    if (QWidget* parent = parentWidget())
        return parent->window();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && w->objectName() == QLatin1String("Mainform"))
            return w;
    QWidget* active = QApplication::activeWindow();
    if (active && active != this && active->isVisible())
        return active;
    return nullptr;
}

void Tformabout::showEvent(QShowEvent* event) {
    // Centred over its owner each time it is shown.
    if (QWidget* w = owner()) {
        const QRect area = w->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

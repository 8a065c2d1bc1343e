#include "controls/GradButton.h"

#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <cmath>

namespace {

constexpr TColor kKeep = 0xFFFFFFFFu; // a colour the scheme leaves unchanged

// One row of the scheme tables: the normal, over and down sets (without text colours) and the
// focus colour. Gradient colours of the plain schemes are kKeep.
struct SchemeColors {
    TColor face, grad, dark, light, border, focus;
    TColor oFace, oGrad, oDark, oLight, oBorder;
    TColor dFace, dGrad, dDark, dLight, dBorder;
};

// In TColorScheme order, csNeoDesert .. csSilver.
constexpr SchemeColors kSchemes[12] = {
    // csNeoDesert
    {0xC6ECFF, 0x37BEFF, 0x009CE8, 0xB9E7FF, 0x005680, 0x4080FF, 0xB3E7FF, 0x00A3F0, 0x008ED2,
     0x95DAFF, 0x005680, 0x2BBAFF, 0x77D2FF, 0x8AD9FF, 0x0077B7, 0x0070A6},
    // csNeoSky
    {0xFFEEDD, 0xFFB66C, 0xFFA851, 0xFFECD9, 0xB35900, 0xFFA953, 0xFFEBD7, 0xFFA346, 0xFF9E3E,
     0xFFE4CA, 0xB35900, 0xFFB366, 0xFFCE9D, 0xFFD3A8, 0xFF9E3E, 0xB35900},
    // csNeoGrass
    {0xDDF9E8, 0x5EDF8E, 0x24B95C, 0xCBF5DB, 0x156F37, 0x24B95C, 0xBFF2D2, 0x3DD877, 0x23B459,
     0xB5F0CB, 0x17793D, 0x4EDC83, 0x80E6A6, 0x89E7AC, 0x177D3E, 0x167439},
    // csNeoSilver
    {0xF3F3F3, 0xBCBCBC, 0xA7A7A7, 0xF7F7F7, 0x626262, 0xADADAD, 0xF0F0F0, 0xA6A6A6, 0xA2A2A2,
     0xEEEEEE, 0x757575, 0xCACACA, 0xDADADA, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E},
    // csNeoRose
    {0xE8E8FF, 0x9595FF, 0x8282FF, 0xDDDDFF, 0x00009D, 0x5E5EFF, 0xDFDFFF, 0x7777FF, 0x6A6AFF,
     0xD7D7FF, 0x00009D, 0xA6A6FF, 0xB9B9FF, 0xCECEFF, 0x5E5EFF, 0x00009D},
    // csNeoSun
    {0xF0FFFF, 0x20D8F9, 0x00BBBB, 0xF2FFFF, 0x006464, 0x00BBBB, 0xD5FCFF, 0x05BCDC, 0x00A6A6,
     0xCCFFFF, 0x006464, 0x05D1F5, 0x66F0FB, 0x66F3FF, 0x008484, 0x006464},
    // csDesert
    {0x95DDFF, kKeep, 0x009CE8, 0xB9E7FF, 0x005680, 0x4080FF, 0x6FD0FF, kKeep, 0x008ED2, 0x95DAFF,
     0x005680, 0x6FD0FF, kKeep, 0x8AD9FF, 0x0077B7, 0x0070A6},
    // csGrass
    {0x98EBB7, kKeep, 0x24B95C, 0xCBF5DB, 0x156F37, 0x00A421, 0x68E196, kKeep, 0x23B459, 0xB5F0CB,
     0x17793D, 0x4EDC83, kKeep, 0x89E7AC, 0x177D3E, 0x167439},
    // csSky
    {0xFFE0C1, kKeep, 0xFFA953, 0xFFECD9, 0xB35900, 0xDC9B14, 0xFFCD9B, kKeep, 0xFFB164, 0xFFE4CA,
     0xB35900, 0xFFC082, kKeep, 0xFFD3A8, 0xFF9122, 0xB35900},
    // csSun
    {0xA8FFFF, kKeep, 0x00BBBB, 0xF2FFFF, 0x006464, 0x008CF4, 0x66F3FF, kKeep, 0x00A6A6, 0xCCFFFF,
     0x006464, 0x22EEFF, kKeep, 0x66F3FF, 0x008484, 0x006464},
    // csRose
    {0xC6C6FF, kKeep, 0x8282FF, 0xDDDDFF, 0x00009D, 0x5E5EFF, 0xB0B0FF, kKeep, 0x6A6AFF, 0xD7D7FF,
     0x00009D, 0x9F9FFF, kKeep, 0x8888FF, 0x5E5EFF, 0x00009D},
    // csSilver
    {0xE0E0E0, kKeep, 0xAEAEAE, 0xF7F7F7, 0x626262, 0x8A8A8A, 0xCFCFCF, kKeep, 0x797979, 0xEEEEEE,
     0x757575, 0xD3D3D3, kKeep, 0xE9E9E9, 0x7C7C7C, 0x4E4E4E},
};

bool isNeo(TGradButton::TColorScheme s) {
    return s <= TGradButton::csNeoSun;
}

} // namespace

struct TGradButton::Data {
    QString caption;
    TColor colors[25] = {};
    TColorScheme scheme = csNeoDesert;
    bool ctl3d = true;
    TButtonLayout layout = blGlyphLeft;
    QImage glyph;
    int spacing = 4;
    bool transparentGlyph = true;
    bool gradient = true;
    bool hotTrack = true;
    bool cancel = false;
    bool isDefault = false;
    int modalResult = 0;

    TButtonState state = bsNormal;
    bool pressed = false;
    bool leftDown = false; // a left press on the button that its left release may make a click
    bool hasFocus = false;
    bool mouseInside = false;
    int shortcutId = 0;
    QPointer<QWidget> filteredWindow;
};

TGradButton::TGradButton(QWidget* parent) : QWidget(parent), d(new Data) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(75, 25);
    setColorScheme(csNeoDesert);
    // A new button's over, down and disabled gradients are white until a scheme is set.
    d->colors[ciOverColorGrad] = 0xFFFFFF;
    d->colors[ciDownColorGrad] = 0xFFFFFF;
    d->colors[ciDisabledColorGrad] = 0xFFFFFF;
    attachToWindow();
}

TGradButton::~TGradButton() {
    if (d->filteredWindow)
        d->filteredWindow->removeEventFilter(this);
    delete d;
}

QSize TGradButton::sizeHint() const {
    return QSize(75, 25);
}

// ---- properties ----

QString TGradButton::Caption() const {
    return d->caption;
}
void TGradButton::setCaption(const QString& caption) {
    if (caption == d->caption)
        return;
    d->caption = caption;
    updateShortcut();
    update();
}

TColor TGradButton::Color(int index) const {
    return index >= 0 && index < 25 ? d->colors[index] : 0;
}

void TGradButton::setColor(int index, TColor color) {
    if (index < 0 || index >= 25)
        return;
    d->colors[index] = color & 0xFFFFFF;
    d->scheme = csCustom;
    update();
}

TGradButton::TColorScheme TGradButton::ColorScheme() const {
    return d->scheme;
}

void TGradButton::setColorScheme(TColorScheme scheme) {
    d->scheme = scheme;
    if (scheme >= csNeoDesert && scheme <= csSilver) {
        const SchemeColors& s = kSchemes[scheme];
        const bool neo = isNeo(scheme);
        auto put = [this](int index, TColor c) {
            if (c != kKeep)
                setColor(index, c);
        };
        put(ciColorFace, s.face);
        put(ciColorGrad, s.grad);
        put(ciColorDark, s.dark);
        put(ciColorLight, s.light);
        put(ciColorBorder, s.border);
        put(ciColorText, 0x000000);
        put(ciOverColorFace, s.oFace);
        put(ciOverColorGrad, s.oGrad);
        put(ciOverColorDark, s.oDark);
        put(ciOverColorLight, s.oLight);
        put(ciOverColorBorder, s.oBorder);
        put(ciOverColorText, 0x000000);
        put(ciDownColorFace, s.dFace);
        put(ciDownColorGrad, s.dGrad);
        put(ciDownColorDark, s.dDark);
        put(ciDownColorLight, s.dLight);
        put(ciDownColorBorder, s.dBorder);
        put(ciDownColorText, 0x000000);
        put(ciDisabledColorFace, neo ? 0xEEEEEE : 0xE2E2E2);
        put(ciDisabledColorGrad, neo ? 0xFFFFFF : kKeep);
        put(ciDisabledColorDark, neo ? 0xD2D2D2 : 0xD8D8D8);
        put(ciDisabledColorLight, neo ? 0xFFFFFF : 0xEAEAEA);
        put(ciDisabledColorBorder, neo ? 0x808080 : 0xC4C4C4);
        put(ciDisabledColorText, 0x808080);
        put(ciColorFocusRect, s.focus);
        setGradient(neo);
    }
    update();
    d->scheme = scheme;
}

bool TGradButton::Ctl3D() const {
    return d->ctl3d;
}
void TGradButton::setCtl3D(bool on) {
    d->ctl3d = on;
    update();
}
TGradButton::TButtonLayout TGradButton::ButtonLayout() const {
    return d->layout;
}
void TGradButton::setButtonLayout(TButtonLayout layout) {
    d->layout = layout;
    update();
}
QImage TGradButton::Glyph() const {
    return d->glyph;
}
void TGradButton::setGlyph(const QImage& glyph) {
    d->glyph = glyph.copy(); // an owned copy: later changes to the caller's image do not show
    update();
}
int TGradButton::Spacing() const {
    return d->spacing;
}
void TGradButton::setSpacing(int spacing) {
    d->spacing = spacing;
    update();
}
bool TGradButton::TransparentGlyph() const {
    return d->transparentGlyph;
}
void TGradButton::setTransparentGlyph(bool on) {
    d->transparentGlyph = on;
    update();
}
bool TGradButton::Gradient() const {
    return d->gradient;
}
void TGradButton::setGradient(bool on) {
    d->gradient = on;
    update();
}
bool TGradButton::HotTrack() const {
    return d->hotTrack;
}
void TGradButton::setHotTrack(bool on) {
    d->hotTrack = on;
}
int TGradButton::ModalResult() const {
    return d->modalResult;
}
void TGradButton::setModalResult(int result) {
    d->modalResult = result;
}
bool TGradButton::Cancel() const {
    return d->cancel;
}
void TGradButton::setCancel(bool on) {
    d->cancel = on;
}
bool TGradButton::Default() const {
    return d->isDefault;
}
void TGradButton::setDefault(bool on) {
    d->isDefault = on;
}

TGradButton::TButtonState TGradButton::State() const {
    return d->state;
}
bool TGradButton::Pressed() const {
    return d->pressed;
}

// ---- painting ----

QImage TGradButton::Render() const {
    const int W = width(), H = height();
    if (W <= 0 || H <= 0)
        return QImage(); // nothing to show, and no gradient step to divide by zero
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(Qt::black);

    // 1. The colour set of the look in use; disabled wins over every state.
    int base = 0;
    if (!isEnabled())
        base = ciDisabledColorFace;
    else if (d->state == bsOver)
        base = ciOverColorFace;
    else if (d->state == bsDown)
        base = ciDownColorFace;
    const TColor face = d->colors[base + 0], grad = d->colors[base + 1];
    const TColor dark = d->colors[base + 2], light = d->colors[base + 3];
    const TColor border = d->colors[base + 4], text = d->colors[base + 5];
    const bool down = d->state == bsDown;

    Canvas c(&img);
    // 2. Face.
    c.Brush.Color = face;
    c.Rectangle(0, 0, W, H);

    // 3. Vertical gradient, one line per row, with a running floating-point value.
    if (d->gradient && H > 0) {
        double r = GetRValue(face), g = GetGValue(face), b = GetBValue(face);
        const double dr = double(GetRValue(grad) - GetRValue(face)) / H;
        const double dg = double(GetGValue(grad) - GetGValue(face)) / H;
        const double db = double(GetBValue(grad) - GetBValue(face)) / H;
        for (int y = 0; y <= H; ++y) {
            c.Pen.Color =
                RGBColor(int(std::nearbyint(r)), int(std::nearbyint(g)), int(std::nearbyint(b)));
            c.MoveTo(0, y);
            c.LineTo(W, y);
            r += dr;
            g += dg;
            b += db;
        }
    }

    // 4. Caption metrics, as stored (ampersands included).
    c.Font = font();
    c.Font.Color = text;
    const int tw = c.TextWidth(d->caption), th = c.TextHeight(d->caption);
    int tx = (W - tw) / 2, ty = (H - th) / 2;

    // 5. Glyph placement around the caption.
    if (!d->glyph.isNull()) {
        const int gw = d->glyph.width(), gh = d->glyph.height(), sp = d->spacing;
        const bool hasCaption = !d->caption.isEmpty();
        int gx = 0, gy = 0;
        switch (d->layout) {
        case blGlyphLeft:
            gy = (H - gh) / 2;
            gx = tx - gw / 2;
            tx = tx + gw / 2;
            if (hasCaption) {
                gx = gx - sp / 2 - sp % 2;
                tx = tx + sp / 2;
            }
            break;
        case blGlyphRight:
            gy = (H - gh) / 2;
            gx = tx + tw - gw / 2;
            tx = tx - gw / 2;
            if (hasCaption) {
                gx = gx + sp / 2 + sp % 2;
                tx = tx - sp / 2;
            }
            break;
        case blGlyphTop:
            gx = (W - gw) / 2;
            gy = ty - gh / 2 - gh % 2;
            ty = ty + gh / 2;
            if (hasCaption) {
                gy = gy - sp / 2 - sp % 2;
                ty = ty + sp / 2;
            }
            break;
        case blGlyphBottom:
            gx = (W - gw) / 2;
            gy = ty + th - gh / 2;
            ty = ty - gh / 2;
            if (hasCaption) {
                gy = gy + sp / 2 + sp % 2;
                ty = ty - sp / 2;
            }
            break;
        }
        if (down) {
            ++gx;
            ++gy;
        }
        // The key colour is the top-left pixel. A glyph with an alpha channel whose corner is
        // already see-through needs no key: keying its colour (often black) would also cut
        // out the opaque pixels of that colour.
        const QRgb key = d->glyph.pixel(0, 0);
        if (d->transparentGlyph && qAlpha(key) != 0)
            c.DrawTransparent(gx, gy, d->glyph, QRgbToTColor(key));
        else
            c.Draw(gx, gy, d->glyph);
    }

    // 6. The pressed look shifts the caption.
    if (down) {
        ++tx;
        ++ty;
    }

    // 7. Caption, with its accelerator underlined.
    if (!d->caption.isEmpty()) {
        c.Brush.Style = TBrushStyle::bsClear;
        c.DrawText(d->caption, Rect(tx, ty, tx + tw, ty + th),
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }

    // 8. Border ring.
    c.Pen.Color = border;
    c.Pen.Style = TPenStyle::psSolid;
    c.Brush.Style = TBrushStyle::bsClear;
    c.Rectangle(0, 0, W, H);

    // 9. 3D edges; end points are not drawn.
    if (d->ctl3d) {
        c.Pen.Color = light;
        c.Polyline({{1, H - 2}, {1, 1}, {W - 1, 1}});
        c.Pen.Color = dark;
        c.Polyline({{W - 2, 1}, {W - 2, H - 2}, {1, H - 2}});
    }

    // 10. Focus rectangle.
    if (d->hasFocus) {
        c.Pen.Color = d->colors[ciColorFocusRect];
        c.Brush.Style = TBrushStyle::bsClear;
        c.Rectangle(3, 3, W - 3, H - 3);
    }
    return img;
}

void TGradButton::paintEvent(QPaintEvent*) {
    const QImage img = Render();
    QPainter p(this);
    p.drawImage(0, 0, img); // one copy of the finished image: no flicker
}

// Every state change shows at once.
void TGradButton::refresh() {
    if (isVisible())
        repaint();
    else
        update();
}

// ---- mouse ----

void TGradButton::mouseEntered() {
    d->mouseInside = true;
    if (!d->hotTrack)
        return;
    d->state = d->pressed ? bsDown : bsOver;
    refresh();
}

void TGradButton::mouseLeft() {
    d->mouseInside = false;
    d->state = bsNormal;
    refresh();
}

void TGradButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (!d->mouseInside)
        mouseEntered();
}

void TGradButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (d->mouseInside)
        mouseLeft();
}

void TGradButton::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    // While a mouse button is held the window system sends the button no enter or leave
    // events; crossing its edge then counts as leaving or entering.
    if (event->buttons() == Qt::NoButton)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !d->mouseInside)
        mouseEntered();
    else if (!inside && d->mouseInside)
        mouseLeft();
}

void TGradButton::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    d->pressed = true;
    d->leftDown = true;
    d->mouseInside = rect().contains(event->position().toPoint());
    d->state = bsDown;
    if (focusPolicy() & Qt::TabFocus)
        setFocus(Qt::MouseFocusReason);
    refresh();
}

void TGradButton::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    const QPoint p = event->position().toPoint();
    QPointer<TGradButton> self(this);
    // A left press and release on the button is a click, whatever other buttons did in
    // between; it runs before the release handling.
    if (event->button() == Qt::LeftButton) {
        const bool armed = d->leftDown;
        d->leftDown = false;
        if (armed && rect().contains(p)) {
            Click();
            if (!self)
                return;
        }
    }
    d->pressed = false;
    if (p.x() > 0 && p.x() < width() && p.y() > 0 && p.y() < height()) {
        d->state = d->hotTrack ? bsOver : bsNormal;
        refresh();
    }
}

// ---- click ----

void TGradButton::Click() {
    if (parentWidget()) {
        if (auto* dlg = qobject_cast<QDialog*>(window())) {
            // The dialog takes the result; a non-zero one ends a modal dialog. A zero result
            // is only stored (a dialog's result of 0 would otherwise close it as rejected).
            if (d->modalResult != 0 && dlg->isModal() && dlg->isVisible())
                dlg->done(d->modalResult);
            else
                dlg->setResult(d->modalResult);
        }
    }
    d->state = bsNormal;
    refresh();
    emit clicked();
}

// ---- keyboard ----

void TGradButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    d->hasFocus = true;
    refresh();
}

void TGradButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    d->hasFocus = false;
    d->state = bsNormal;
    refresh();
}

void TGradButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Space) {
        d->state = bsDown;
        refresh();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        QPointer<TGradButton> self(this);
        Click();
        if (self)
            refresh();
        return;
    }
    // Other keys go on to the window: dialog keys and accelerators are handled there.
    refresh();
    event->ignore();
}

void TGradButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        d->state = bsNormal;
        refresh();
        Click();
        return;
    }
    event->ignore();
}

bool TGradButton::canTakeFocus() const {
    return isVisible() && isEnabled() && (focusPolicy() & Qt::TabFocus);
}

// Keys that the focused control of the window left alone reach the window; every button of
// the window looks at them there: Enter for the focused or default button, Escape for a
// cancel button, and a caption's accelerator letter typed alone in a dialog.
bool TGradButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched != d->filteredWindow || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    const int key = ke->key();
    const auto mods = ke->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    bool take = false;
    if (canTakeFocus()) {
        if (mods == Qt::NoModifier &&
            ((enter && d->hasFocus) || (key == Qt::Key_Escape && d->cancel)))
            take = true;
        else if (d->isDefault && enter)
            take = true;
    }
    if (!take && !(mods & (Qt::ControlModifier | Qt::AltModifier)) && isEnabled() && isVisible() &&
        qobject_cast<QDialog*>(d->filteredWindow.data()) && ke->text().size() == 1) {
        const QChar accel = AcceleratorChar(d->caption);
        take = !accel.isNull() && ke->text().at(0).toLower() == accel;
    }
    if (!take)
        return QWidget::eventFilter(watched, event);
    ke->accept();
    Click();
    return true;
}

void TGradButton::attachToWindow() {
    QWidget* w = window();
    if (w == this)
        w = nullptr;
    if (w == d->filteredWindow)
        return;
    if (d->filteredWindow)
        d->filteredWindow->removeEventFilter(this);
    d->filteredWindow = w;
    if (w)
        w->installEventFilter(this);
}

void TGradButton::updateShortcut() {
    if (d->shortcutId)
        releaseShortcut(d->shortcutId);
    d->shortcutId = 0;
    const QKeySequence seq = QKeySequence::mnemonic(d->caption);
    if (!seq.isEmpty())
        d->shortcutId = grabShortcut(seq);
}

bool TGradButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
        attachToWindow();
        break;
    case QEvent::Shortcut:
        if (static_cast<QShortcutEvent*>(event)->shortcutId() == d->shortcutId) {
            if (isEnabled())
                Click();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TGradButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A disabled button hears no release: a press in progress ends here, so that the button
    // does not show it again when the mouse comes back after it is enabled.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        d->pressed = false;
        d->leftDown = false;
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

#include "controls/ButtonAccessible.h"

#include "controls/GradButton.h"
#include "controls/GradPanel.h"
#include "controls/GridAccessible.h"

#include <QAccessibleWidget>
#include <QFrame>

namespace {

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(TGradButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    TGradButton* button() const { return static_cast<TGradButton*>(object()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            QString name = button()->accessibleName();
            if (name.isEmpty())
                name = button()->Caption();
            if (name.isEmpty())
                name = button()->toolTip();
            return QString(name).remove(QLatin1Char('&'));
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (button()->Default())
            s.defaultButton = true;
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if (action == pressAction()) {
            if (widget()->isEnabled())
                button()->Click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(QWidget* panel) : QAccessibleWidget(panel, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            QString name = widget()->accessibleName();
            if (name.isEmpty())
                if (auto* panel = qobject_cast<TGradPanel*>(widget()))
                    name = panel->Caption();
            return name;
        }
        return QAccessibleWidget::text(t);
    }
};

} // namespace

QAccessibleInterface* paintedControlAccessibleFactory(const QString& className, QObject* object) {
    // Answer only for the object's own class, so that subclasses keep their own interfaces.
    if (!object || !object->isWidgetType() || className != object->metaObject()->className())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (auto* button = qobject_cast<TGradButton*>(widget))
        return new ButtonAccessible(button);
    if (qobject_cast<TGradPanel*>(widget))
        return new PanelAccessible(widget);
    // The windows' plain container panels are named Panel1, Panel2 …
    const bool plainPanel =
        className == QLatin1String("QFrame") || className == QLatin1String("QWidget");
    if (plainPanel && !widget->isWindow() &&
        widget->objectName().startsWith(QLatin1String("Panel")))
        return new PanelAccessible(widget);
    return nullptr;
}

void installControlAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&paintedControlAccessibleFactory);
    QAccessible::installFactory(&gridAccessibleFactory);
}

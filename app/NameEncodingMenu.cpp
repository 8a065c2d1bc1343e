#include "app/NameEncodingMenu.h"

#include "archive/Archiver.h"
#include "ziplibs/common/CodePages.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QMenu>

QMenu* makeNameEncodingMenu(QWidget* parent, TArchiver& archiver, std::function<void()> changed) {
    auto* menu = new QMenu(QCoreApplication::translate("TMainform", "&Name Encoding"), parent);
    menu->setObjectName("NameEncoding1");
    menu->menuAction()->setObjectName("NameEncoding1");
    menu->setFont(QApplication::font());
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (const ziplibs::NameEncodingInfo& e : ziplibs::nameEncodings()) {
        // Only "Automatic" is a word; the code pages keep their names.
        QString text = e.encoding == ziplibs::NameEncoding::Automatic
                           ? QCoreApplication::translate("TMainform", "Automatic")
                           : QString(e.name);
        if (e.alias)
            text += QString(" (%1)").arg(e.alias);
        QAction* action = menu->addAction(text);
        action->setObjectName(QString("NameEncoding_") + e.name);
        action->setCheckable(true);
        action->setActionGroup(group);
        const auto code = static_cast<std::int32_t>(e.encoding);
        action->setChecked(code == archiver.NameEncoding);
        QObject::connect(action, &QAction::triggered, menu, [&archiver, code, changed] {
            archiver.NameEncoding = code;
            if (changed)
                changed();
        });
    }
    return menu;
}

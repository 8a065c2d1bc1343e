#pragma once
// What the dialog tests share: the one application object, a click on a folder of a folder
// tree as a person makes it, and the caption a control shows.
#include "controls/GradButton.h"
#include "dialogs/FolderTree.h"
#include "dialogs/extrunit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace dialogtest {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "dialogs_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Opens the branches down to PATH, brings its node into view and clicks it with BUTTON.
// False when the tree has no such folder.
inline bool clickFolder(TFolderTree* tree, const QString& path,
                        Qt::MouseButton button = Qt::LeftButton) {
    const QModelIndex index = tree->indexOfPath(path);
    if (!index.isValid())
        return false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        tree->expand(above);
    tree->scrollTo(index);
    // On the part of the row that is in view: a wide column reaches past the tree's edge.
    const QRect shown = tree->visualRect(index).intersected(tree->viewport()->rect());
    QTest::mouseClick(tree->viewport(), button, {}, shown.center());
    return true;
}

// The text a control shows: a button's or box's caption, a label's text, a radio group's
// title followed by ": " and its items; "" for other controls.
inline QString captionOf(const QWidget* w) {
    if (auto* b = qobject_cast<const TGradButton*>(w))
        return b->Caption();
    if (auto* c = qobject_cast<const QCheckBox*>(w))
        return c->text();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<const TRadioGroup*>(w))
        return g->title() + ": " + g->Button(0)->text() + " " + g->Button(1)->text();
    return {};
}

} // namespace dialogtest

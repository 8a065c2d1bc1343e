#pragma once
// What the dialog and window tests share: the dialogs' own application object and fixture,
// windows driven by steps as a person drives them, table rows, and the one layout table check
// of a window.
#include "controls/FolderTree.h"
#include "controls/GradButton.h"
#include "controls/RadioGroup.h"
#include "dialogs/ExtractDialog.h"
#include "platform/Messages.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

// Failing comparisons of texts print them as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

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

// Does STEPS (separated by spaces) in WINDOW as a person does. "Name" presses the control of
// that objectName: a button or check box is clicked (when enabled), an action triggered;
// "close" closes WINDOW by its close box. "Name=value" gives a line edit its text, chooses a
// radio group's answer or a tab by index, selects the items of a list (names separated by
// ",", a path by its last part) or clicks a folder of a tree (below BASE unless absolute,
// "computer" for the computer node). "focus=Name" gives the control the focus, and "key=Down"
// or "key=Ctrl+V" types a key into the control that has it.
inline void act(QWidget* window, const QString& steps, const QString& base = {}) {
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0), value = step.section('=', 1);
        QObject* control = window->findChild<QObject*>(name == "focus" ? value : name);
        const QKeyCombination key = QKeySequence::fromString(value)[0];
        if (name == "key")
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, key.key(),
                            key.keyboardModifiers());
        else if (name == "close")
            window->close();
        else if (name == "focus")
            qobject_cast<QWidget*>(control)->setFocus();
        else if (auto* action = qobject_cast<QAction*>(control))
            action->trigger();
        else if (auto* button = qobject_cast<TGradButton*>(control))
            button->isEnabled() ? button->Click() : void();
        else if (auto* box = qobject_cast<QAbstractButton*>(control))
            box->click();
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->setText(value);
        else if (auto* group = qobject_cast<TRadioGroup*>(control))
            group->Button(value.toInt())->click();
        else if (auto* tabs = qobject_cast<QTabBar*>(control))
            tabs->setCurrentIndex(value.toInt());
        else if (auto* tree = qobject_cast<TFolderTree*>(control))
            EXPECT_TRUE(clickFolder(tree, value == "computer" ? TFolderTree::ComputerName()
                                                              : QDir(base).filePath(value)))
                << step.toStdString();
        else if (auto* list = qobject_cast<QListWidget*>(control))
            for (const QString& item : value.split(',')) {
                const auto found = list->findItems(item, Qt::MatchExactly) +
                                   list->findItems("/" + item, Qt::MatchEndsWith);
                ASSERT_EQ(found.size(), 1) << item.toStdString();
                found.front()->setSelected(true);
            }
        else
            ADD_FAILURE() << "no control for " << step.toStdString();
    }
}

// The boxes shown, in order and separated by " / ": errors marked "!", confirmations "?".
inline QString shown(const platform::ScriptedMessages& messages) {
    QStringList texts;
    for (const auto& [kind, text] : messages.shown())
        texts << (kind == platform::ScriptedMessages::Kind::Error     ? "!"
                  : kind == platform::ScriptedMessages::Kind::Confirm ? "?"
                                                                      : "") +
                     QString::fromStdString(text);
    return texts.join(" / ");
}

// One line of a window's layout table: a control's objectName, its geometry (a zero width
// compares the top left corner only, for a label sized by its text) and the text it shows (a
// radio group's title, ": " and its items).
struct Place {
    const char* name;
    QRect geometry;
    QString text = {};
};

inline void expectLayout(const QWidget* window, const QString& title, QSize size,
                         std::initializer_list<Place> table) {
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(window->size(), size);
    for (const Place& p : table) {
        const auto* w = window->findChild<QWidget*>(p.name);
        ASSERT_TRUE(w) << p.name;
        const auto* group = qobject_cast<const TRadioGroup*>(w);
        const auto* button = qobject_cast<const TGradButton*>(w);
        const QString text = group ? group->title() + ": " + group->Button(0)->text() + " " +
                                         group->Button(1)->text()
                             : button ? button->Caption()
                                      : w->property("text").toString();
        EXPECT_EQ(p.geometry.width() ? w->geometry() : QRect(w->pos(), QSize(0, 0)), p.geometry)
            << p.name;
        EXPECT_EQ(text, p.text) << p.name;
    }
}

// A row of a table of cases: what it shows, what is there before, the steps taken and what
// comes of them.
struct Case {
    const char* what;
    const char* given;
    const char* steps;
    const char* expected;
    friend void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }
};

// A dialog under test beside a fresh folder, with scripted message boxes.
class DialogTest : public ::testing::Test {
protected:
    DialogTest() : installed(messages) { application(); }

    QString dir() const { return QString::fromStdString(folder.str()); }
    QString in(const QString& name) const { return dir() + "/" + name; }
    // PATH with the test folder written "F" and the home folder "~".
    QString brief(QString path) const {
        return path.replace(dir(), "F").replace(QDir::homePath(), "~");
    }
    // Makes the files NAMES (separated by spaces, with their folders) in the test folder.
    void makeFiles(const QString& names) {
        for (const QString& name : names.split(' ', Qt::SkipEmptyParts))
            testsupport::writeFile(folder / name.toStdString(), name.toStdString());
    }

    testsupport::TempDir folder;
    platform::ScriptedMessages messages;
    platform::ScopedMessageService installed;
};

} // namespace dialogtest

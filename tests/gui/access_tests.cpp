// What a screen reader and a keyboard-only user meet: the accessibility tree of every window
// (names and roles), the entry table's table interface, and the keys that start commands.
#include "app/MessageWindow.h"
#include "controls/ButtonAccessible.h"
#include "dialogs/AboutWindow.h"
#include "dialogs/AddFilesDialog.h"
#include "dialogs/ExtractDialog.h"
#include "dialogs/NewFolderWindow.h"
#include "dialogs/PasswordPrompt.h"
#include "dialogs/SettingsWindow.h"
#include "platform/qt/Translations.h"
#include "tests/gui/MainWindowFixture.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <memory>

namespace {

class AccessTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        installControlAccessibility();
    }
};

// Every visible control of the tree below IFACE that a person works, as "role name" lines;
// the ones without a name are marked "UNNAMED".
void collectControls(QAccessibleInterface* iface, QStringList& out, int depth = 0) {
    if (!iface || depth > 30 || iface->state().invisible)
        return;
    switch (iface->role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::MenuItem:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::List:
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            out << QString("UNNAMED %1 %2")
                       .arg(int(iface->role()))
                       .arg(iface->object() ? iface->object()->objectName() : QString());
        else
            out << QString("%1 %2").arg(int(iface->role())).arg(iface->text(QAccessible::Name));
        if (iface->role() == QAccessible::Table)
            return; // the cells are checked through the table interface
        break;
    default:
        break;
    }
    for (int i = 0; i < iface->childCount(); ++i)
        collectControls(iface->child(i), out, depth + 1);
}

struct WindowCase {
    const char* label;
    std::function<QWidget*()> window;
    std::vector<const char*> expected; // "role name" lines that must be among the controls
};

class WindowTreeTest : public AccessTest, public ::testing::WithParamInterface<WindowCase> {};

TEST_P(WindowTreeTest, NamesEveryControlWithItsRole) {
    start();
    std::unique_ptr<QWidget> owned;
    QWidget* window = GetParam().window();
    if (!window->parent() && window != Mainform && window != Msgform && window != Form1 &&
        window != Form2 && window != formabout && window != Form7 && !qobject_cast<QMenu*>(window))
        owned.reset(window);
    if (auto* menu = qobject_cast<QMenu*>(window))
        menu->popup(QPoint(0, 0));
    else
        window->show();
    QApplication::processEvents();
    QStringList controls;
    collectControls(QAccessible::queryAccessibleInterface(window), controls);
    window->hide();
    EXPECT_FALSE(controls.join('\n').contains("UNNAMED")) << controls.join('\n').toStdString();
    for (const char* line : GetParam().expected) {
        const QString role = QString(line).section(' ', 0, 0);
        const QString name = QString(line).section(' ', 1);
        const QString want = QString("%1 %2")
                                 .arg(role == "button"     ? int(QAccessible::Button)
                                      : role == "check"    ? int(QAccessible::CheckBox)
                                      : role == "field"    ? int(QAccessible::EditableText)
                                      : role == "menuitem" ? int(QAccessible::MenuItem)
                                                           : int(QAccessible::Table))
                                 .arg(name);
        EXPECT_TRUE(controls.contains(want)) << line << "\n" << controls.join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowTreeTest,
    ::testing::Values(
        WindowCase{"Main",
                   [] { return static_cast<QWidget*>(Mainform); },
                   {"button New ZIP", "button Quembly Help", "menuitem File",
                    "field Zip Name:", "table Archive entries"}},
        WindowCase{"FileMenu",
                   [] { return static_cast<QWidget*>(Mainform->File1); },
                   {"menuitem New ZIP", "menuitem Exit"}},
        WindowCase{"ViewMenu", [] { return static_cast<QWidget*>(Mainform->View1); }, {}},
        WindowCase{"ToolMenu", [] { return static_cast<QWidget*>(Mainform->ool1); }, {}},
        WindowCase{"OptionMenu", [] { return static_cast<QWidget*>(Mainform->Option1); }, {}},
        WindowCase{
            "HelpMenu", [] { return static_cast<QWidget*>(Mainform->Help1); }, {"menuitem About"}},
        WindowCase{"Popup",
                   [] { return static_cast<QWidget*>(Mainform->PopupMenu1); },
                   {"menuitem Open Selected File", "menuitem Properties"}},
        WindowCase{"Messages", [] { return static_cast<QWidget*>(Msgform); }, {"button OK"}},
        WindowCase{"Password",
                   [] { return static_cast<QWidget*>(Form1); },
                   {"field Password :", "button Cancel"}},
        WindowCase{"Settings",
                   [] { return static_cast<QWidget*>(Form2); },
                   {"field Retype Password :", "check Enabled Password", "button Set Password"}},
        WindowCase{"NewFolder",
                   [] { return static_cast<QWidget*>(Form7); },
                   {"field Folder Name :", "button OK"}},
        WindowCase{"About", [] { return static_cast<QWidget*>(formabout); }, {}},
        WindowCase{"AddFiles",
                   [] { return static_cast<QWidget*>(new TAddForm(Mainform)); },
                   {"check Save DirNames", "button Add To ZIP"}},
        WindowCase{"Extract",
                   [] { return static_cast<QWidget*>(new TExtract(Mainform)); },
                   {"button Create New Folder", "button Cancel"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(AccessTest, TableAnswersCountsCaptionsCellsAndSelection) {
    startWith("t.zip", {{"readme.txt", "hello"}, {"b.txt", "x"}, {"c.txt", "yy"}});
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid());
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* t = table->tableInterface();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(table->role(), QAccessible::Table);
    EXPECT_EQ(t->rowCount(), grid()->RowCount() - 1) << "the caption row is the header";
    QStringList captions;
    for (int c = 0; c < t->columnCount(); ++c)
        captions << t->columnDescription(c);
    EXPECT_EQ(captions,
              (QStringList{"File Name", "Compress Size", "Uncompress Size", "Date/Time"}));
    QStringList firstRow;
    for (int c = 0; c < t->columnCount(); ++c)
        firstRow << t->cellAt(0, c)->text(QAccessible::Name);
    EXPECT_EQ(firstRow, (QStringList{cell(0, 1), cell(1, 1), cell(2, 1), cell(3, 1)}));
    QAccessibleInterface* header =
        t->cellAt(1, 0)->tableCellInterface()->columnHeaderCells().value(0);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->text(QAccessible::Name), "File Name");
    EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(table->indexOfChild(t->cellAt(2, 3)), table->indexOfChild(t->cellAt(0, 0)) + 11);

    grid()->setSelection({0, 2, 3, 3});
    EXPECT_EQ(t->selectedRows(), (QList<int>{1, 2}));
    EXPECT_TRUE(t->cellAt(2, 1)->tableCellInterface()->isSelected());
    EXPECT_FALSE(t->isRowSelected(0));
    EXPECT_TRUE(t->selectRow(0));
    EXPECT_EQ(grid()->Row(), 1);
    EXPECT_EQ(t->selectedRows(), (QList<int>{0}));
}

// ---------------------------------------------------------------------------------------------
// Keys

struct KeyCase {
    const char* label;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys; // pressed in turn
    const char* action;                                      // the item they trigger
};

class KeyTest : public AccessTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, StartsItsCommand) {
    startWith("t.zip", {{"a.txt", "1"}, {"b.txt", "2"}});
    Mainform->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Mainform));
    ASSERT_EQ(QApplication::focusWidget(), grid()) << "the table has the focus at start";
    grid()->setRow(1);
    // The commands stay unjoined: which item a key triggers is what is checked here.
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    const QList<QAction*> actions = Mainform->findChildren<QAction*>();
    for (QAction* a : actions) {
        QObject::disconnect(a, &QAction::triggered, Mainform, nullptr);
        spies.push_back(std::make_unique<QSignalSpy>(a, &QAction::triggered));
    }
    for (const auto& [key, mods] : GetParam().keys) {
        QWidget* target = QApplication::activePopupWidget();
        QTest::keyClick(target ? target : QApplication::focusWidget(), Qt::Key(key), mods);
        QApplication::processEvents();
    }
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    QStringList triggered;
    for (std::size_t i = 0; i < spies.size(); ++i)
        if (!spies[i]->isEmpty())
            triggered
                << QString("%1x%2").arg(actions[qsizetype(i)]->objectName()).arg(spies[i]->size());
    EXPECT_EQ(triggered, QStringList{QString(GetParam().action) + "x1"});
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTest,
    ::testing::Values(
        KeyCase{"CtrlN", {{Qt::Key_N, kCtrl}}, "NewZIP1"},
        KeyCase{"CtrlO", {{Qt::Key_O, kCtrl}}, "OpenZIP1"},
        KeyCase{"CtrlE", {{Qt::Key_E, kCtrl}}, "Extract1"},
        KeyCase{"CtrlShiftA", {{Qt::Key_A, kCtrl | Qt::ShiftModifier}}, "AddFiles1"},
        KeyCase{"Delete", {{Qt::Key_Delete, kNone}}, "DeleteFiles1"},
        KeyCase{"Enter", {{Qt::Key_Return, kNone}}, "OpenFiles1"},
        KeyCase{"CtrlQ", {{Qt::Key_Q, kCtrl}}, "Exit1"},
        KeyCase{"F1", {{Qt::Key_F1, kNone}}, "tessalyHelp1"},
        KeyCase{"AltFD", {{Qt::Key_F, kAlt}, {Qt::Key_D, kNone}}, "DeleteZIP1"},
        KeyCase{"AltFX", {{Qt::Key_F, kAlt}, {Qt::Key_X, kNone}}, "Exit1"},
        KeyCase{"AltVW", {{Qt::Key_V, kAlt}, {Qt::Key_W, kNone}}, "OpenWith2"},
        KeyCase{"AltVP", {{Qt::Key_V, kAlt}, {Qt::Key_P, kNone}}, "FilesProperties1"},
        KeyCase{"AltTA", {{Qt::Key_T, kAlt}, {Qt::Key_A, kNone}}, "AddFiles1"},
        KeyCase{"AltOF", {{Qt::Key_O, kAlt}, {Qt::Key_F, kNone}}, "Configure1"},
        KeyCase{"AltOC", {{Qt::Key_O, kAlt}, {Qt::Key_C, kNone}}, "CombineZIP1"},
        KeyCase{"AltHA", {{Qt::Key_H, kAlt}, {Qt::Key_A, kNone}}, "About1"},
        KeyCase{"ShiftF10E",
                {{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_E, kNone}},
                "ExtractSelectedFile1"},
        KeyCase{"ShiftF10W", {{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_W, kNone}}, "Openwith1"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(AccessTest, EscapeDismissesTheMessageWindowAsOk) {
    start();
    Msgform->show();
    Msgform->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Msgform));
    QSignalSpy ok(Msgform->Dismissbut, &TGradButton::clicked);
    QTest::keyClick(Msgform, Qt::Key_Escape);
    EXPECT_EQ(ok.size(), 1);
    EXPECT_FALSE(Msgform->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Languages

struct EnvCase {
    const char* label;
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected; // the translation chosen, "" for the English source
};

class LanguageChoiceTest : public ::testing::TestWithParam<EnvCase> {};

TEST_P(LanguageChoiceTest, FollowsTheSystem) {
    guitest::application();
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    const char* values[] = {GetParam().language, GetParam().lcAll, GetParam().lcMessages,
                            GetParam().lang};
    QByteArray saved[4];
    bool wasSet[4];
    for (int i = 0; i < 4; ++i) {
        saved[i] = qgetenv(names[i]);
        wasSet[i] = qEnvironmentVariableIsSet(names[i]);
        qputenv(names[i], values[i]);
    }
    const QString chosen = platform::uiLanguage();
    for (int i = 0; i < 4; ++i)
        wasSet[i] ? qputenv(names[i], saved[i]) : qunsetenv(names[i]);
    EXPECT_EQ(chosen, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, LanguageChoiceTest,
    ::testing::Values(EnvCase{"LanguageFirst", "de", "", "", "en_US.UTF-8", "de"},
                      EnvCase{"LanguageListSkipsMissing", "it:fr_FR:de", "", "", "en_US.UTF-8",
                              "fr"},
                      EnvCase{"EnglishFirstMeansSource", "en_GB:de", "", "", "de_DE.UTF-8", ""},
                      EnvCase{"MessagesOverLang", "", "", "fr_FR.UTF-8", "de_DE.UTF-8", "fr"},
                      EnvCase{"AllOverMessages", "", "de_AT.UTF-8", "fr_FR.UTF-8", "", "de"},
                      EnvCase{"LangWithModifier", "", "", "", "fr_BE.UTF-8@euro", "fr"},
                      EnvCase{"CLocaleIgnoresLanguage", "de", "C", "", "", ""},
                      EnvCase{"Untranslated", "", "", "", "es_ES.UTF-8", ""}),
    [](const auto& info) { return std::string(info.param.label); });

struct TranslatedCase {
    const char* language;
    const char* fileMenu;      // the main window's first menu
    const char* extractTitle;  // a dialog's title
    const char* extractOk;     // and one of its buttons
    const char* wrongPassword; // a message box's text
    const char* yes;           // a message box's button
};

class TranslatedWindowsTest : public MainWindowFixture,
                              public ::testing::WithParamInterface<TranslatedCase> {};

TEST_P(TranslatedWindowsTest, ReadInTheLanguage) {
    const std::vector<QTranslator*> installed = platform::installTranslations(GetParam().language);
    ASSERT_EQ(installed.size(), 2u) << "ours and Qt's own";
    start();
    const QString fileMenu = Mainform->MainMenu1->actions().value(0)->text();
    TExtract extract(Mainform);
    const QString extractTitle = extract.windowTitle(), extractOk = extract.OKbut->Caption();
    Form1->Edit1->setText("wrong");
    Form1->GradButton1->Click();
    const QString yes = QCoreApplication::translate("QtMessageService", "&Yes");
    const QString qtCancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
    for (QTranslator* t : installed) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    EXPECT_EQ(fileMenu, GetParam().fileMenu);
    EXPECT_EQ(extractTitle, GetParam().extractTitle);
    EXPECT_EQ(extractOk, GetParam().extractOk);
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{GetParam().wrongPassword});
    EXPECT_EQ(yes, GetParam().yes);
    EXPECT_NE(qtCancel, "Cancel") << "Qt's own dialogs are translated too";
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TranslatedWindowsTest,
    ::testing::Values(TranslatedCase{"de", "&Datei", "Zielordner wählen", "OK",
                                     "Falsches Passwort, bitte das richtige Passwort eingeben",
                                     "&Ja"},
                      TranslatedCase{"fr", "&Fichier", "Choisir le dossier d'extraction", "OK",
                                     "Mot de passe erroné, saisissez le bon mot de passe", "&Oui"}),
    [](const auto& info) { return std::string(info.param.language); });

} // namespace

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
#include <QHash>
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
// a control without a name reads "role UNNAMED objectName".
void collectControls(QAccessibleInterface* iface, QStringList& out, int depth = 0) {
    if (!iface || depth > 30 || iface->state().invisible)
        return;
    static const QHash<QAccessible::Role, QString> roles = {
        {QAccessible::Button, "button"},     {QAccessible::CheckBox, "check"},
        {QAccessible::RadioButton, "radio"}, {QAccessible::EditableText, "field"},
        {QAccessible::MenuItem, "menuitem"}, {QAccessible::Table, "table"},
        {QAccessible::Tree, "tree"},         {QAccessible::List, "list"}};
    const QString role = roles.value(iface->role());
    const QString name = iface->text(QAccessible::Name).trimmed();
    if (!role.isEmpty())
        out << role + ' ' + (name.isEmpty() ? "UNNAMED " + iface->object()->objectName() : name);
    if (role == "table")
        return; // the cells are checked through the table interface
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
    QWidget* window = GetParam().window(); // a dialog made here is the main window's child
    if (auto* menu = qobject_cast<QMenu*>(window))
        menu->popup(QPoint(0, 0));
    else
        window->show();
    QApplication::processEvents();
    QStringList controls;
    collectControls(QAccessible::queryAccessibleInterface(window), controls);
    window->hide();
    const std::string all = controls.join('\n').toStdString();
    EXPECT_FALSE(controls.join('\n').contains("UNNAMED")) << all;
    for (const char* line : GetParam().expected)
        EXPECT_TRUE(controls.contains(line)) << line << "\n" << all;
}

QWidget* w(QWidget* widget) {
    return widget;
}

const WindowCase windowCases[] = {
    {"Main",
     [] { return w(Mainform); },
     {"button New ZIP", "button Quembly Help", "menuitem File",
      "field Zip Name:", "table Archive entries"}},
    {"FileMenu", [] { return w(Mainform->File1); }, {"menuitem New ZIP", "menuitem Exit"}},
    {"ViewMenu", [] { return w(Mainform->View1); }, {}},
    {"ToolMenu", [] { return w(Mainform->ool1); }, {}},
    {"OptionMenu", [] { return w(Mainform->Option1); }, {}},
    {"HelpMenu", [] { return w(Mainform->Help1); }, {"menuitem About"}},
    {"Popup", [] { return w(Mainform->PopupMenu1); }, {"menuitem Properties"}},
    {"Messages", [] { return w(Msgform); }, {"button OK"}},
    {"Password", [] { return w(Form1); }, {"field Password :", "button Cancel"}},
    {"Settings",
     [] { return w(Form2); },
     {"field Retype Password :", "check Enabled Password", "button Set Password"}},
    {"NewFolder", [] { return w(Form7); }, {"field Folder Name :", "button OK"}},
    {"About", [] { return w(formabout); }, {}},
    {"AddFiles",
     [] { return w(new TAddForm(Mainform)); },
     {"check Save DirNames", "button Add To ZIP", "tree Folders"}},
    {"Extract",
     [] { return w(new TExtract(Mainform)); },
     {"button Create New Folder", "radio Yes"}},
};
INSTANTIATE_TEST_SUITE_P(Windows, WindowTreeTest, ::testing::ValuesIn(windowCases),
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

const KeyCase keyCases[] = {
    {"CtrlN", {{Qt::Key_N, kCtrl}}, "NewZIP1"},
    {"CtrlO", {{Qt::Key_O, kCtrl}}, "OpenZIP1"},
    {"CtrlE", {{Qt::Key_E, kCtrl}}, "Extract1"},
    {"CtrlShiftA", {{Qt::Key_A, kCtrl | Qt::ShiftModifier}}, "AddFiles1"},
    {"Delete", {{Qt::Key_Delete, kNone}}, "DeleteFiles1"},
    {"Enter", {{Qt::Key_Return, kNone}}, "OpenFiles1"},
    {"CtrlQ", {{Qt::Key_Q, kCtrl}}, "Exit1"},
    {"F1", {{Qt::Key_F1, kNone}}, "tessalyHelp1"},
    {"AltFD", {{Qt::Key_F, kAlt}, {Qt::Key_D, kNone}}, "DeleteZIP1"},
    {"AltFX", {{Qt::Key_F, kAlt}, {Qt::Key_X, kNone}}, "Exit1"},
    {"AltVW", {{Qt::Key_V, kAlt}, {Qt::Key_W, kNone}}, "OpenWith2"},
    {"AltTA", {{Qt::Key_T, kAlt}, {Qt::Key_A, kNone}}, "AddFiles1"},
    {"AltOF", {{Qt::Key_O, kAlt}, {Qt::Key_F, kNone}}, "Configure1"},
    {"AltHA", {{Qt::Key_H, kAlt}, {Qt::Key_A, kNone}}, "About1"},
    {"MenuE", {{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_E, kNone}}, "ExtractSelectedFile1"},
    {"MenuW", {{Qt::Key_F10, Qt::ShiftModifier}, {Qt::Key_W, kNone}}, "Openwith1"},
};
INSTANTIATE_TEST_SUITE_P(Keys, KeyTest, ::testing::ValuesIn(keyCases),
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

const EnvCase envCases[] = {
    {"LanguageFirst", "de", "", "", "en_US.UTF-8", "de"},
    {"LanguageListSkipsMissing", "it:fr_FR:de", "", "", "en_US.UTF-8", "fr"},
    {"EnglishFirstMeansSource", "en_GB:de", "", "", "de_DE.UTF-8", ""},
    {"MessagesOverLang", "", "", "fr_FR.UTF-8", "de_DE.UTF-8", "fr"},
    {"AllOverMessages", "", "de_AT.UTF-8", "fr_FR.UTF-8", "", "de"},
    {"LangWithModifier", "", "", "", "fr_BE.UTF-8@euro", "fr"},
    {"CLocaleIgnoresLanguage", "de", "C", "", "", ""},
    {"Untranslated", "", "", "", "es_ES.UTF-8", ""},
};
INSTANTIATE_TEST_SUITE_P(Environments, LanguageChoiceTest, ::testing::ValuesIn(envCases),
                         [](const auto& info) { return std::string(info.param.label); });

struct TranslatedCase {
    const char* language;
    const char* fileMenu;      // the main window's first menu
    const char* extractTitle;  // a dialog's title
    const char* extractCancel; // and one of its buttons
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
    const QString extractTitle = extract.windowTitle(),
                  extractCancel = extract.Cancelbut->Caption();
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
    EXPECT_EQ(extractCancel, GetParam().extractCancel);
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{GetParam().wrongPassword});
    EXPECT_EQ(yes, GetParam().yes);
    EXPECT_NE(qtCancel, "Cancel") << "Qt's own dialogs are translated too";
}

const TranslatedCase translatedCases[] = {
    {"de", "&Datei", "Zielordner wählen", "Abbrechen",
     "Falsches Passwort, bitte das richtige Passwort eingeben", "&Ja"},
    {"fr", "&Fichier", "Choisir le dossier d'extraction", "Annuler",
     "Mot de passe erroné, saisissez le bon mot de passe", "&Oui"},
};
INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindowsTest, ::testing::ValuesIn(translatedCases),
                         [](const auto& info) { return std::string(info.param.language); });

} // namespace

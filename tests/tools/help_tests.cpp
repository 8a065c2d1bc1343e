// The help document and the combiner as the main window reaches them: the Help and Combine
// commands find them in the program's folder, and the help speaks of every command of the
// window and of the command line.
#include "app/CommandLine.h"
#include "controls/GradButton.h"
#include "tests/gui/MainWindowFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <set>

namespace {

using HelpTest = MainWindowFixture;

std::string plain(QString text) {
    return text.remove('&').toStdString();
}

// The texts a person looks for: each toolbar button's hint, each menu and popup item, and
// each option of the command line's usage.
std::vector<std::pair<std::string, std::string>> commandTexts() {
    std::vector<std::pair<std::string, std::string>> texts;
    for (auto* button : Mainform->Panel4->findChildren<TGradButton*>())
        texts.emplace_back("toolbar hint", button->toolTip().toStdString());
    std::vector<QMenu*> menus{Mainform->PopupMenu1};
    for (QAction* top : Mainform->MainMenu1->actions()) {
        texts.emplace_back("menu", plain(top->text()));
        menus.push_back(top->menu());
    }
    for (QMenu* menu : menus)
        for (QAction* item : menu->actions())
            if (!item->isSeparator())
                texts.emplace_back("menu item", plain(item->text()));
    const std::string usage = cli::usageText();
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at)) {
        const std::size_t end = usage.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
        texts.emplace_back("command-line option", usage.substr(at, end - at));
        at = end;
    }
    return texts;
}

TEST_F(HelpTest, HelpOpensTheSelfContainedDocumentThatNamesEveryCommand) {
    start();
    QTest::mouseClick(Mainform->Viewbut, Qt::LeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    const std::string help = testsupport::readFile(shell.calls[0].path);
    std::set<std::string> kinds;
    for (const auto& [kind, text] : commandTexts()) {
        kinds.insert(kind);
        EXPECT_NE(help.find(text), std::string::npos)
            << "the help lacks the " << kind << " " << text;
    }
    EXPECT_EQ(kinds.size(), 4u) << "every kind of command was found in the window";
    // Every picture travels inside the document, and it says how the password is kept.
    EXPECT_EQ(help.find("src=\"."), std::string::npos);
    EXPECT_NE(help.find("src=\"data:image/png;base64,"), std::string::npos);
    EXPECT_NE(help.find("stored in plain text"), std::string::npos);
}

TEST_F(HelpTest, CombineStartsTheCombinerBesideTheProgram) {
    start();
    QTest::mouseClick(Mainform->GradButton1, Qt::LeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].verb, "start");
    EXPECT_EQ(testsupport::runCommand("'" + shell.calls[0].path + "' --version >/dev/null"), 0);
}

} // namespace

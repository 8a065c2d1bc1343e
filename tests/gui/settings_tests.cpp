// The settings window: its layout, loading from the settings key, the password page's rules
// and states (with the main window's copy and the hive file), the split page, tabs and Close.
#include "tests/gui/MainWindowFixture.h"

#include "controls/GradButton.h"
#include "dialogs/Unit2.h"
#include "platform/Registry.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFrame>
#include <QLabel>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

const std::string kAgain =
    "\rto set again please check enabled password and set up password correctly";

class SettingsTest : public MainWindowFixture {
protected:
    // Makes the windows over a hive holding the settings key with LINES (REGEDIT4 value
    // lines); without LINES there is no key.
    void make(const char* lines) {
        if (lines)
            std::ofstream(platform::registryHivePath(), std::ios::app)
                << "\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n"
                << lines;
        create();
    }
    std::string hive() const { return testsupport::readFile(platform::registryHivePath()); }
    // "Enabled Password" ticked and usable, change group, "Set Password", password page;
    // each as set on itself, whatever the page's own state.
    std::vector<bool> state() const {
        QWidget* page = Form2->Panel2;
        return {Form2->CheckBox1->isChecked(), Form2->CheckBox1->isEnabledTo(page),
                Form2->Panel4->isEnabledTo(page), Form2->GradButton3->isEnabledTo(page),
                page->isEnabled()};
    }
};

} // namespace

TEST_F(SettingsTest, LayoutIsTheDesignedOne) {
    make("");
    EXPECT_EQ(Form2->windowTitle(), "Quembly Setting");
    EXPECT_EQ(Form2->size(), QSize(326, 241));
    EXPECT_FALSE(Form2->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(Form2->font().pixelSize(), 11);
    // Labels are placed by their top left corner only.
    const std::vector<std::tuple<const char*, QRect, QString>> layout = {
        {"TabSet1", {4, 5, 317, 230}, ""},
        {"Panel2", {10, 24, 305, 177}, ""},
        {"Label1", {16, 13, 0, 0}, "Current Password :"},
        {"Edit1", {114, 9, 182, 21}, ""},
        {"GradButton5", {198, 35, 97, 25}, "OK"},
        {"CheckBox1", {16, 48, 114, 17}, "Enabled Password"},
        {"Panel4", {16, 70, 281, 72}, ""},
        {"Label2", {8, 14, 0, 0}, "Change Password :"},
        {"Edit2", {105, 10, 169, 21}, ""},
        {"Label3", {8, 46, 0, 0}, "Retype Password :"},
        {"Edit3", {104, 42, 169, 21}, ""},
        {"GradButton3", {200, 146, 97, 25}, "Set Password"},
        {"Panel3", {10, 24, 305, 177}, ""},
        {"Label4", {16, 17, 0, 0}, "Minimum Size of Spliting :"},
        {"Edit4", {149, 13, 118, 21}, ""},
        {"Label5", {272, 17, 0, 0}, "MB "},
        {"Label6", {152, 38, 0, 0}, "Example : 1.5 MB"},
        {"GradButton4", {200, 144, 97, 25}, "Apply"},
        {"GradButton1", {211, 206, 96, 23}, "Close"}};
    for (const auto& [name, place, text] : layout) {
        const auto* w = Form2->findChild<QWidget*>(name);
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(place.width() ? w->geometry() : QRect(w->pos(), QSize(0, 0)), place) << name;
        const auto* button = qobject_cast<const TGradButton*>(w);
        EXPECT_EQ(button ? button->Caption() : w->property("text").toString(), text) << name;
    }
    EXPECT_EQ(Form2->TabSet1->tabText(1), "Splitt zip");
    EXPECT_TRUE(Form2->Edit5->isHidden());
}

struct LoadCase {
    const char* what;
    const char* lines;
    QString edit5, edit4;
    std::vector<bool> state;
    std::vector<std::string> messages, errors;
};
void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.what;
}
class SettingsLoad : public SettingsTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoad, SetsUpThePages) {
    const LoadCase& c = GetParam();
    make(c.lines);
    EXPECT_EQ(Form2->Edit5->text(), c.edit5);
    EXPECT_EQ(Form2->Edit4->text(), c.edit4);
    EXPECT_EQ(state(), c.state);
    EXPECT_EQ(messages.messageTexts(), c.messages);
    EXPECT_EQ(messages.errorTexts(), c.errors);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsLoad,
    ::testing::Values(
        LoadCase{"no key", nullptr, "", "", {false, true, false, false, true}, {}, {}},
        LoadCase{"password and size",
                 "\"PSW\"=\"pw\"\n\"smb\"=\"12\"\n",
                 "pw",
                 "12",
                 {true, false, true, false, true},
                 {},
                 {}},
        // The stored text is kept until "Apply"; the field shows "1".
        LoadCase{"size not numeric",
                 "\"smb\"=\"x5\"\n",
                 "",
                 "1",
                 {false, true, false, false, true},
                 {"Please type a numeric format"},
                 {}},
        LoadCase{"password of another type",
                 "\"PSW\"=dword:00000001\n",
                 "",
                 "",
                 {false, true, false, false, true},
                 {},
                 // The main window reads it at start as well.
                 std::vector<std::string>(2, "Invalid data type for 'PSW'")}));

struct RuleCase {
    const char* what;
    const char* lines;
    std::function<void(TForm2&)> act;
    std::vector<bool> state;
    QString edit2;
    const char* storedLine; // the hive's "PSW" line afterwards; null: none
    QString mainCopy;
    std::vector<std::string> messages, errors;
};
void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.what;
}
class PasswordRules : public SettingsTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(PasswordRules, LeaveTheirState) {
    const RuleCase& c = GetParam();
    make(c.lines);
    c.act(*Form2);
    EXPECT_EQ(state(), c.state);
    EXPECT_EQ(Form2->Edit2->text(), c.edit2);
    EXPECT_EQ(hive().find(c.storedLine ? c.storedLine : "PSW") != std::string::npos,
              c.storedLine != nullptr)
        << hive();
    EXPECT_EQ(Mainform->Edit3->text(), c.mainCopy);
    EXPECT_EQ(Mainform->AccessGate(), c.mainCopy.isEmpty()) << "the gate uses the copy at once";
    EXPECT_EQ(messages.messageTexts(), c.messages);
    EXPECT_EQ(messages.errorTexts(), c.errors);
    // The password is kept in clear: the hive stays readable by its owner only.
    EXPECT_EQ(fs::status(platform::registryHivePath()).permissions() &
                  (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
}

void type(QLineEdit* field, const QString& text) {
    field->setText(text);
}
const char* const kPw = "\"PSW\"=\"pw\"\n";
const std::string kDeleted = "Your password is deleted," + kAgain;

INSTANTIATE_TEST_SUITE_P(
    Settings, PasswordRules,
    ::testing::Values(
        RuleCase{"wrong current password (letter case counts)",
                 kPw,
                 [](TForm2& f) {
                     type(f.Edit1, "PW");
                     f.GradButton5->Click();
                 },
                 {true, false, true, false, true},
                 "",
                 kPw,
                 "pw",
                 {"Invalid Password"},
                 {}},
        RuleCase{"right current password",
                 kPw,
                 [](TForm2& f) {
                     type(f.Edit1, "pw");
                     f.GradButton5->Click();
                 },
                 {true, true, true, true, true},
                 "pw",
                 kPw,
                 "pw",
                 {},
                 {}},
        // The main window's copy stays: the lock works with the old password until restart.
        RuleCase{"unticking deletes",
                 kPw,
                 [](TForm2& f) {
                     type(f.Edit1, "pw");
                     f.GradButton5->Click();
                     f.CheckBox1->click();
                 },
                 {false, true, false, false, true},
                 "",
                 "\"PSW\"=\"\"",
                 "pw",
                 {kDeleted},
                 {}},
        RuleCase{"unticking without a password",
                 "",
                 [](TForm2& f) {
                     f.CheckBox1->click();
                     f.CheckBox1->click();
                 },
                 {false, true, false, false, true},
                 "",
                 "\"PSW\"=\"\"",
                 "",
                 {kDeleted},
                 {}},
        // The change field's text is stored, though the retype field changed after matching.
        RuleCase{"one-sided change rules, then set",
                 kPw,
                 [](TForm2& f) {
                     type(f.Edit2, "new"), type(f.Edit3, "new"), type(f.Edit3, "newer");
                     EXPECT_TRUE(f.GradButton3->isEnabled());
                     type(f.Edit2, "n"), type(f.Edit3, "x");
                     EXPECT_FALSE(f.GradButton3->isEnabled());
                     type(f.Edit2, "new"), type(f.Edit3, "new"), type(f.Edit3, "newer");
                     f.GradButton3->Click();
                 },
                 {true, false, true, false, false},
                 "",
                 "\"PSW\"=\"new\"",
                 "new",
                 {"Your password is new" + kAgain},
                 {}},
        RuleCase{"first password",
                 "",
                 [](TForm2& f) {
                     f.CheckBox1->click(), type(f.Edit2, "a b"), type(f.Edit3, "a b");
                     f.GradButton3->Click();
                 },
                 {true, false, true, false, false},
                 "",
                 "\"PSW\"=\"a b\"",
                 "a b",
                 {"Your password is a b" + kAgain},
                 {}},
        RuleCase{"set without the key",
                 nullptr,
                 [](TForm2& f) {
                     f.CheckBox1->click(), type(f.Edit2, "n"), type(f.Edit3, "n");
                     f.GradButton3->Click();
                 },
                 {true, true, true, true, true},
                 "n",
                 nullptr,
                 "",
                 {},
                 {"Failed to set data for 'PSW'"}},
        RuleCase{"delete without the key",
                 nullptr,
                 [](TForm2& f) {
                     f.CheckBox1->click();
                     f.CheckBox1->click();
                 },
                 {false, true, true, false, true},
                 "",
                 nullptr,
                 "",
                 {},
                 {"Failed to set data for 'PSW'"}}));

TEST_F(SettingsTest, SplitFieldTakesDigitsOnly) {
    make("");
    Form2->show();
    Form2->TabSet1->setCurrentIndex(1);
    QApplication::setActiveWindow(Form2);
    QLineEdit* field = Form2->Edit4;
    QGuiApplication::clipboard()->setText("34");
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, QString, std::string>> keys = {
        {Qt::Key_7, {}, "127", ""},
        {Qt::Key_Backspace, {}, "1", ""},
        {Qt::Key_Period, {}, "12", "Invalid numeric format : ."},
        {Qt::Key_A, {}, "12", "Invalid numeric format : a"},
        {Qt::Key_Return, {}, "12", "Invalid numeric format : <13>"},
        {Qt::Key_V, Qt::ControlModifier, "12", "Invalid numeric format : <22>"}};
    for (const auto& [key, modifiers, text, message] : keys) {
        type(field, "12");
        field->end(false);
        messages.clear();
        QTest::keyClick(field, key, modifiers);
        EXPECT_EQ(field->text(), text) << message;
        EXPECT_EQ(messages.messageTexts(),
                  message.empty() ? std::vector<std::string>{} : std::vector<std::string>{message});
    }
    // Text that comes another way is judged by its first character.
    type(field, "4x");
    EXPECT_EQ(field->text(), "4x");
    Form2->TabSet1->setFocus();
    ASSERT_FALSE(field->hasFocus());
    type(field, "x4");
    EXPECT_EQ(field->text(), "1");
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(messages.messageTexts().back(), "Please type a numeric format");
}

TEST_F(SettingsTest, ApplyStoresTheSizeAsTyped) {
    make("\"smb\"=\"x5\"\n");
    messages.clear();
    type(Form2->Edit4, "");
    Form2->GradButton4->Click();
    EXPECT_NE(hive().find("\"smb\"=\"x5\""), std::string::npos) << "kept until Apply";
    type(Form2->Edit4, "0");
    Form2->GradButton4->Click();
    EXPECT_NE(hive().find("\"smb\"=\"0\""), std::string::npos) << hive();
    EXPECT_EQ(messages.messageTexts(),
              (std::vector<std::string>{"Please set type some size in numeric format",
                                        "Minimum Size of splitting zip is 0 MB"}));
}

TEST_F(SettingsTest, ApplyWithoutTheKeyStopsAtTheError) {
    make(nullptr);
    type(Form2->Edit4, "3");
    Form2->GradButton4->Click();
    EXPECT_EQ(messages.errorTexts(), std::vector<std::string>{"Failed to set data for 'smb'"});
    EXPECT_TRUE(messages.messageTexts().empty());
}

TEST_F(SettingsTest, TabsSwitchPagesAndCloseKeepsTheState) {
    make(kPw);
    Mainform->GradButton2->Click();
    Form2->TabSet1->setCurrentIndex(1);
    EXPECT_TRUE(Form2->Panel3->isVisible());
    EXPECT_FALSE(Form2->Panel2->isVisible());
    type(Form2->Edit4, "9");
    Form2->GradButton1->Click();
    EXPECT_FALSE(Form2->isVisible());
    Mainform->Configure1->trigger();
    EXPECT_EQ(Form2->TabSet1->currentIndex(), 1);
    EXPECT_EQ(Form2->Edit4->text(), "9");
    Form2->TabSet1->setCurrentIndex(0);
    EXPECT_TRUE(Form2->Panel2->isVisible());
    EXPECT_FALSE(Form2->Panel3->isVisible());
}

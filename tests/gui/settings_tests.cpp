// The settings window: its layout, loading, the rules of both pages with the hive file and the
// main window's password copy they leave, the split field's key filter, tabs and Close.
#include "tests/gui/MainWindowFixture.h"

#include "controls/GradButton.h"
#include "dialogs/Unit2.h"
#include "platform/Registry.h"

#include <QCheckBox>
#include <QClipboard>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string kAgain =
    "\rto set again please check enabled password and set up password correctly";

class SettingsTest : public MainWindowFixture {
protected:
    // Makes the windows over a hive with the settings key holding LINES (REGEDIT4 value
    // lines); without LINES there is no key.
    void make(const char* lines) {
        if (lines)
            std::ofstream(platform::registryHivePath(), std::ios::app)
                << "\n[HKEY_CLASSES_ROOT\\tessaly.zip]\n"
                << lines;
        create();
    }
    std::string hive() const { return testsupport::readFile(platform::registryHivePath()); }
    // Steps such as "new=abc set": "current", "new", "again" and "size" type into Edit1 to
    // Edit4; "ok", "tick", "set" and "apply" click, where the control is enabled.
    void run(const std::string& script) {
        const std::map<std::string, QLineEdit*> fields = {{"current", Form2->Edit1},
                                                          {"new", Form2->Edit2},
                                                          {"again", Form2->Edit3},
                                                          {"size", Form2->Edit4}};
        std::istringstream in(script);
        for (std::string step; in >> step;) {
            const std::size_t eq = step.find('=');
            if (eq != std::string::npos)
                fields.at(step.substr(0, eq))->setText(QString::fromStdString(step.substr(eq + 1)));
            else if (step == "tick")
                Form2->CheckBox1->click();
            else if (TGradButton* b = step == "ok"    ? Form2->GradButton5
                                      : step == "set" ? Form2->GradButton3
                                                      : Form2->GradButton4;
                     b->isEnabled()) // as a mouse click would
                b->Click();
        }
    }
    // The letters of what holds: "Enabled Password" ticked, usable; change group, "Set
    // Password" enabled (each on itself); password page enabled.
    std::string state() const {
        QWidget* page = Form2->Panel2;
        const bool flags[] = {Form2->CheckBox1->isChecked(), Form2->CheckBox1->isEnabledTo(page),
                              Form2->Panel4->isEnabledTo(page),
                              Form2->GradButton3->isEnabledTo(page), page->isEnabled()};
        std::string letters;
        for (int i = 0; i < 5; ++i)
            letters += flags[i] ? std::string(1, "tugsp"[i]) : "";
        return letters;
    }
    // The boxes shown, errors marked "!", the common tail of the password messages as "+".
    std::string shown() const {
        std::string all;
        for (const auto& [kind, text] : messages.shown()) {
            std::string t = text;
            if (t.size() > kAgain.size() && t.ends_with(kAgain))
                t.replace(t.size() - kAgain.size(), kAgain.size(), "+");
            all += (all.empty() ? "" : " / ") + std::string(kind == Kind::Error ? "!" : "") + t;
        }
        return all;
    }
    using Kind = platform::ScriptedMessages::Kind;
};

} // namespace

TEST_F(SettingsTest, LayoutIsTheDesignedOne) {
    make("");
    EXPECT_EQ(Form2->windowTitle(), "Quembly Setting");
    EXPECT_EQ(Form2->size(), QSize(326, 241));
    EXPECT_FALSE(Form2->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(Form2->font().pixelSize(), 11);
    // Labels are placed by their top left corner only.
    // clang-format off
    const std::vector<std::tuple<const char*, QRect, QString>> layout = {
        {"TabSet1", {4, 5, 317, 230}, ""}, {"Panel2", {10, 24, 305, 177}, ""},
        {"Label1", {16, 13, 0, 0}, "Current Password :"}, {"Edit1", {114, 9, 182, 21}, ""},
        {"GradButton5", {198, 35, 97, 25}, "OK"}, {"CheckBox1", {16, 48, 114, 17}, "Enabled Password"},
        {"Panel4", {16, 70, 281, 72}, ""}, {"Label2", {8, 14, 0, 0}, "Change Password :"},
        {"Edit2", {105, 10, 169, 21}, ""}, {"Label3", {8, 46, 0, 0}, "Retype Password :"},
        {"Edit3", {104, 42, 169, 21}, ""}, {"GradButton3", {200, 146, 97, 25}, "Set Password"},
        {"Panel3", {10, 24, 305, 177}, ""}, {"Label4", {16, 17, 0, 0}, "Minimum Size of Spliting :"},
        {"Edit4", {149, 13, 118, 21}, ""}, {"Label5", {272, 17, 0, 0}, "MB "},
        {"Label6", {152, 38, 0, 0}, "Example : 1.5 MB"}, {"GradButton4", {200, 144, 97, 25}, "Apply"},
        {"GradButton1", {211, 206, 96, 23}, "Close"}};
    // clang-format on
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

struct RuleCase {
    const char* what;
    const char* lines; // the settings key's values at start; null: no key
    const char* script;
    const char* state;
    const char* fields; // Edit2, Edit4 and Edit5, joined by "|"
    const char* stored; // a line the hive holds afterwards; null: the hive has no key
    const char* copy;   // the main window's password copy
    const char* shown;
};
void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.what;
}
class SettingsRules : public SettingsTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(SettingsRules, LeaveTheirState) {
    const RuleCase& c = GetParam();
    make(c.lines);
    run(c.script);
    EXPECT_EQ(state(), c.state);
    EXPECT_EQ((Form2->Edit2->text() + "|" + Form2->Edit4->text() + "|" + Form2->Edit5->text()),
              c.fields);
    EXPECT_EQ(hive().find(c.stored ? c.stored : "tessaly") != std::string::npos,
              c.stored != nullptr)
        << hive();
    EXPECT_EQ(Mainform->Edit3->text(), c.copy);
    EXPECT_EQ(Mainform->AccessGate(), !*c.copy) << "the gate uses the copy at once";
    EXPECT_EQ(shown(), c.shown);
    // The password is kept in clear: the hive stays readable by its owner only.
    EXPECT_EQ(fs::status(platform::registryHivePath()).permissions() &
                  (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
}

const char* const kPw = "\"PSW\"=\"pw\"\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, SettingsRules, ::testing::Values(
    RuleCase{"no key", nullptr, "", "up", "||", nullptr, "", ""},
    RuleCase{"stored password and size", "\"PSW\"=\"pw\"\n\"smb\"=\"12\"\n", "", "tgp", "|12|pw", kPw, "pw", ""},
    // The stored size stays as it is until "Apply".
    RuleCase{"stored size not numeric", "\"smb\"=\"x5\"\n", "", "up", "|1|", "x5", "", "Please type a numeric format"},
    // The main window reads the password at start too.
    RuleCase{"stored password of another type", "\"PSW\"=dword:00000001\n", "", "up", "||", "dword", "",
             "!Invalid data type for 'PSW' / !Invalid data type for 'PSW'"},
    RuleCase{"wrong current password (letter case counts)", kPw, "current=PW ok", "tgp", "||pw", kPw, "pw", "Invalid Password"},
    RuleCase{"right current password", kPw, "current=pw ok", "tugsp", "pw||pw", kPw, "pw", ""},
    // The main window's copy stays: the lock works with the old password until the next start.
    RuleCase{"unticking deletes", kPw, "current=pw ok tick", "up", "||", "\"PSW\"=\"\"", "pw", "Your password is deleted,+"},
    RuleCase{"unticking without a password", "", "tick tick", "up", "||", "\"PSW\"=\"\"", "", "Your password is deleted,+"},
    RuleCase{"retype field only enables", kPw, "new=a again=a again=ab", "tgsp", "a||pw", kPw, "pw", ""},
    RuleCase{"change field only disables", kPw, "new=a again=a new=b again=c", "tgp", "b||pw", kPw, "pw", ""},
    RuleCase{"set stores the change field", kPw, "new=new again=new again=newer set", "tg", "||new", "\"PSW\"=\"new\"", "new", "Your password is new+"},
    RuleCase{"first password", "", "tick new=a again=a set", "tg", "||a", "\"PSW\"=\"a\"", "a", "Your password is a+"},
    RuleCase{"empty password", kPw, "current=pw ok new= again= set", "tg", "||", "\"PSW\"=\"\"", "", "Your password is +"},
    RuleCase{"set without the key", nullptr, "tick new=n again=n set", "tugsp", "n||", nullptr, "", "!Failed to set data for 'PSW'"},
    RuleCase{"delete without the key", nullptr, "tick tick", "ugp", "||", nullptr, "", "!Failed to set data for 'PSW'"},
    RuleCase{"apply empty size", "\"smb\"=\"7\"\n", "size= apply", "up", "||", "\"smb\"=\"7\"", "", "Please set type some size in numeric format"},
    RuleCase{"apply zero", "", "size=0 apply", "up", "|0|", "\"smb\"=\"0\"", "", "Minimum Size of splitting zip is 0 MB"},
    RuleCase{"apply without the key", nullptr, "size=3 apply", "up", "|3|", nullptr, "", "!Failed to set data for 'smb'"}));
// clang-format on

TEST_F(SettingsTest, SplitFieldTakesDigitsOnlyAndCloseKeepsThePage) {
    make("");
    Mainform->GradButton2->Click();
    QApplication::setActiveWindow(Form2);
    Form2->TabSet1->setCurrentIndex(1);
    EXPECT_FALSE(Form2->Panel2->isVisible());
    QLineEdit* field = Form2->Edit4;
    QGuiApplication::clipboard()->setText("34");
    // clang-format off
    const std::vector<std::tuple<Qt::Key, Qt::KeyboardModifiers, QString, std::string>> keys = {
        {Qt::Key_7, {}, "127", ""}, {Qt::Key_Backspace, {}, "1", ""},
        {Qt::Key_Period, {}, "12", " / Invalid numeric format : ."},
        {Qt::Key_A, {}, "12", " / Invalid numeric format : a"},
        {Qt::Key_Return, {}, "12", " / Invalid numeric format : <13>"},
        {Qt::Key_V, Qt::ControlModifier, "12", " / Invalid numeric format : <22>"}};
    // clang-format on
    std::string expected;
    for (const auto& [key, modifiers, text, message] : keys) {
        field->setText("12");
        QTest::keyClick(field, key, modifiers);
        EXPECT_EQ(field->text(), text) << message;
        expected += message;
    }
    // Text that comes another way is judged by its first character.
    run("size=4x");
    Form2->TabSet1->setFocus();
    run("size=x4");
    EXPECT_EQ(field->text(), "1");
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(" / " + shown(), expected + " / Please type a numeric format");
    Form2->GradButton1->Click();
    EXPECT_FALSE(Form2->isVisible());
    Mainform->Configure1->trigger();
    EXPECT_TRUE(Form2->Panel3->isVisible());
    EXPECT_EQ(field->text(), "1");
}

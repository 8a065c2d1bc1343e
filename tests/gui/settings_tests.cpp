// The settings window: its layout, loading, the rules of both pages with the hive file and the
// main window's password copy they leave, the split field's key filter, tabs and Close.
#include "tests/gui/MainWindowFixture.h"

#include "dialogs/SettingsWindow.h"
#include "platform/Registry.h"

#include <QCheckBox>
#include <QClipboard>
#include <fstream>

namespace fs = std::filesystem;

namespace {

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
};

struct RuleCase {
    const char* what;
    const char* lines; // the settings key's values at start; null: no key
    // Steps of dialogtest::act in the settings window, or in the main window for a control
    // only that one has. Edit1 is the current password, Edit2 and Edit3 the new one and again,
    // Edit4 the split size; GradButton5 is "OK", CheckBox1 "Enabled Password", GradButton3
    // "Set Password", GradButton4 "Apply", GradButton1 "Close"; the main window's GradButton2
    // and Configure1 show the window.
    const char* steps;
    // The letters of what holds: "Enabled Password" ticked, usable; change group, "Set
    // Password" enabled (each on itself); password page enabled; window shown; split page
    // shown; the split field the focused one.
    const char* state;
    const char* fields; // Edit2, Edit4 and Edit5, joined by "|"
    const char* stored; // a line the hive holds afterwards; null: the hive has no key
    const char* copy;   // the main window's password copy
    const char* shown;  // the common tail of the password messages written "+"
    friend void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.what; }
};
class SettingsRules : public SettingsTest, public ::testing::WithParamInterface<RuleCase> {};

} // namespace

TEST_F(SettingsTest, LayoutIsTheDesignedOne) {
    make("");
    // clang-format off
    dialogtest::expectLayout(Form2, "Quembly Setting", {326, 241}, {
        {"TabSet1", {4, 5, 317, 230}}, {"Panel2", {10, 24, 305, 177}},
        {"Label1", {16, 13, 0, 0}, "Current Password :"}, {"Edit1", {114, 9, 182, 21}},
        {"GradButton5", {198, 35, 97, 25}, "OK"}, {"CheckBox1", {16, 48, 114, 17}, "Enabled Password"},
        {"Panel4", {16, 70, 281, 72}}, {"Label2", {8, 14, 0, 0}, "Change Password :"},
        {"Edit2", {105, 10, 169, 21}}, {"Label3", {8, 46, 0, 0}, "Retype Password :"},
        {"Edit3", {104, 42, 169, 21}}, {"GradButton3", {200, 146, 97, 25}, "Set Password"},
        {"Panel3", {10, 24, 305, 177}}, {"Label4", {16, 17, 0, 0}, "Minimum Size of Spliting :"},
        {"Edit4", {149, 13, 118, 21}}, {"Label5", {272, 17, 0, 0}, "MB "},
        {"Label6", {152, 38, 0, 0}, "Example : 1.5 MB"}, {"GradButton4", {200, 144, 97, 25}, "Apply"},
        {"GradButton1", {211, 206, 96, 23}, "Close"}});
    // clang-format on
    EXPECT_FALSE(Form2->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(Form2->TabSet1->tabText(1), "Splitt zip");
    EXPECT_TRUE(Form2->Edit5->isHidden());
}

TEST_P(SettingsRules, LeaveTheirState) {
    const RuleCase& c = GetParam();
    make(c.lines);
    QGuiApplication::clipboard()->setText("34"); // what a refused Ctrl+V would paste
    for (const QString& step : QString(c.steps).split(' ', Qt::SkipEmptyParts)) {
        const QString name = step.section('=', 0, 0);
        const bool here = name == "key" || name == "focus" || Form2->findChild<QObject*>(name);
        dialogtest::act(here ? Form2 : static_cast<QWidget*>(Mainform), step);
    }
    QWidget* page = Form2->Panel2;
    const bool holds[] = {Form2->CheckBox1->isChecked(),
                          Form2->CheckBox1->isEnabledTo(page),
                          Form2->Panel4->isEnabledTo(page),
                          Form2->GradButton3->isEnabledTo(page),
                          page->isEnabled(),
                          Form2->isVisible(),
                          Form2->Panel3->isVisibleTo(Form2),
                          Form2->focusWidget() == Form2->Edit4};
    std::string state;
    for (int i = 0; i < 8; ++i)
        state += holds[i] ? std::string(1, "tugspwzf"[i]) : "";
    EXPECT_EQ(state, c.state);
    EXPECT_NE(page->isVisibleTo(Form2), Form2->Panel3->isVisibleTo(Form2)) << "one page shown";
    EXPECT_EQ((Form2->Edit2->text() + "|" + Form2->Edit4->text() + "|" + Form2->Edit5->text()),
              c.fields);
    const std::string hive = testsupport::readFile(platform::registryHivePath());
    EXPECT_EQ(hive.find(c.stored ? c.stored : "tessaly") != std::string::npos, c.stored != nullptr)
        << hive;
    EXPECT_EQ(Mainform->Edit3->text(), c.copy);
    EXPECT_EQ(Mainform->AccessGate(), !*c.copy) << "the gate uses the copy at once";
    EXPECT_EQ(shown(), QString(c.shown).replace(
                           "+", "\rto set again please check enabled password and set up "
                                "password correctly"));
    // The password is kept in clear: the hive stays readable by its owner only.
    EXPECT_EQ(fs::status(platform::registryHivePath()).permissions() &
                  (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
}

const char* const kPw = "\"PSW\"=\"pw\"\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, SettingsRules, ::testing::Values(
    RuleCase{"no key", nullptr, "", "up", "||", nullptr, "", ""},
    RuleCase{"stored password and size", "\"PSW\"=\"pw\"\n\"smb\"=\"12\"\n", "", "tp", "|12|pw", kPw, "pw", ""},
    // The stored size stays as it is until "Apply"; focus moves only in a shown window.
    RuleCase{"stored size not numeric", "\"smb\"=\"x5\"\n", "", "up", "|1|", "x5", "", "Please type a numeric format"},
    // The main window reads the password at start too.
    RuleCase{"stored password of another type", "\"PSW\"=dword:00000001\n", "", "up", "||", "dword", "",
             "!Invalid data type for 'PSW' / !Invalid data type for 'PSW'"},
    RuleCase{"wrong current password (letter case counts)", kPw, "Edit1=PW GradButton5", "tp", "||pw", kPw, "pw", "Invalid Password"},
    RuleCase{"right current password", kPw, "Edit1=pw GradButton5", "tugsp", "pw||pw", kPw, "pw", ""},
    // The main window's copy goes with it: the lock opens at once.
    RuleCase{"unticking deletes at once", kPw, "Edit1=pw GradButton5 CheckBox1", "up", "||", "\"PSW\"=\"\"", "", "Your password is deleted,+"},
    RuleCase{"unticking without a password", "", "CheckBox1 CheckBox1", "up", "||", "\"PSW\"=\"\"", "", "Your password is deleted,+"},
    RuleCase{"retype field only enables", kPw, "Edit2=a Edit3=a Edit3=ab", "tsp", "a||pw", kPw, "pw", ""},
    RuleCase{"change field only disables", kPw, "Edit2=a Edit3=a Edit2=b Edit3=c", "tp", "b||pw", kPw, "pw", ""},
    RuleCase{"shut change fields replace nothing", kPw, "Edit2=new Edit3=new GradButton3", "tsp", "new||pw", kPw, "pw", ""},
    RuleCase{"set stores the change field", kPw, "Edit1=pw GradButton5 Edit2=new Edit3=new Edit3=newer GradButton3", "tg", "||new", "\"PSW\"=\"new\"", "new", "Your password is new+"},
    RuleCase{"first password", "", "CheckBox1 Edit2=a Edit3=a GradButton3", "tg", "||a", "\"PSW\"=\"a\"", "a", "Your password is a+"},
    RuleCase{"empty password", kPw, "Edit1=pw GradButton5 Edit2= Edit3= GradButton3", "tg", "||", "\"PSW\"=\"\"", "", "Your password is +"},
    RuleCase{"set without the key", nullptr, "CheckBox1 Edit2=n Edit3=n GradButton3", "tugsp", "n||", nullptr, "", "!Failed to set data for 'PSW'"},
    RuleCase{"delete without the key", nullptr, "CheckBox1 CheckBox1", "ugp", "||", nullptr, "", "!Failed to set data for 'PSW'"},
    RuleCase{"apply empty size", "\"smb\"=\"7\"\n", "Edit4= GradButton4", "up", "||", "\"smb\"=\"7\"", "", "Please set type some size in numeric format"},
    RuleCase{"apply zero", "", "Edit4=0 GradButton4", "up", "|0|", "\"smb\"=\"0\"", "", "Minimum Size of splitting zip is 0 MB"},
    RuleCase{"apply without the key", nullptr, "Edit4=3 GradButton4", "up", "|3|", nullptr, "", "!Failed to set data for 'smb'"},
    RuleCase{"keys the split field takes", nullptr, "GradButton2 TabSet1=1 Edit4=12 focus=Edit4 key=7 key=Backspace", "upwzf", "|12|", nullptr, "", ""},
    // A control character shows as its code.
    RuleCase{"keys it refuses", nullptr, "GradButton2 TabSet1=1 Edit4=12 focus=Edit4 key=. key=A key=Return key=Ctrl+V", "upwzf", "|12|", nullptr, "",
             "Invalid numeric format : . / Invalid numeric format : a / Invalid numeric format : <13> / Invalid numeric format : <22>"},
    // Text that comes another way is judged by its first character.
    RuleCase{"text put in", nullptr, "GradButton2 TabSet1=1 Edit4=4x focus=TabSet1 Edit4=x4", "upwzf", "|1|", nullptr, "", "Please type a numeric format"},
    RuleCase{"Close", nullptr, "GradButton2 TabSet1=1 Edit4=5 GradButton1", "upz", "|5|", nullptr, "", ""},
    RuleCase{"shown again after Close", nullptr, "GradButton2 TabSet1=1 Edit4=5 GradButton1 Configure1", "upwz", "|5|", nullptr, "", ""}));
// clang-format on

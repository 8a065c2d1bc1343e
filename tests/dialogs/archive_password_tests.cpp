// The archive password prompt: its two layouts, and the answers it gives back for what is
// typed, including the refusals while encrypting.
#include "dialogs/ArchivePasswordPrompt.h"
#include "tests/dialogs/DialogTestSupport.h"

#include <QLabel>
#include <QTimer>

namespace {

using Purpose = TArchivePassword::Purpose;

struct AskCase {
    const char* what;
    Purpose purpose;
    const char* notice; // shown when the prompt opens
    const char* steps;  // dialogtest::act steps, "Name=value" typing into a field
    // "ok [PASSWORD]" or "cancel", then the notice shown last and the fields' texts.
    const char* expected;
    friend void PrintTo(const AskCase& c, std::ostream* os) { *os << c.what; }
};

class ArchivePasswordTest : public dialogtest::DialogTest {
protected:
    TArchivePassword prompt;
};

class ArchivePasswordAnswers : public ArchivePasswordTest,
                               public ::testing::WithParamInterface<AskCase> {};

} // namespace

TEST_F(ArchivePasswordTest, LayoutsForReadingAndForEncrypting) {
    std::string password = "stale";
    QTimer::singleShot(0, [this] { prompt.GradButton2Click(); });
    EXPECT_FALSE(prompt.Ask(Purpose::Read, "mail.zip", "", password));
    EXPECT_EQ(password, "") << "a cancelled prompt leaves no password";
    // clang-format off
    dialogtest::expectLayout(&prompt, "Archive Password", {304, 115}, {
        {"Label3", {16, 8, 272, 16}, ""}, {"Label1", {16, 28, 272, 16}, "Password for mail.zip:"},
        {"Edit1", {16, 46, 277, 21}, ""}, {"GradButton2", {136, 80, 75, 25}, "Cancel"},
        {"GradButton1", {216, 80, 75, 25}, "OK"}});
    // clang-format on
    EXPECT_EQ(prompt.Edit1->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(prompt.Edit2->isVisibleTo(&prompt));

    QTimer::singleShot(0, [this] { prompt.GradButton2Click(); });
    prompt.Ask(Purpose::Encrypt, "new.zip", "", password);
    // clang-format off
    dialogtest::expectLayout(&prompt, "Archive Password", {304, 161}, {
        {"Label1", {16, 28, 272, 16}, "Password for new.zip:"},
        {"Label2", {16, 74, 272, 16}, "Repeat the password:"}, {"Edit2", {16, 92, 277, 21}, ""},
        {"GradButton2", {136, 126, 75, 25}, "Cancel"}, {"GradButton1", {216, 126, 75, 25}, "OK"}});
    // clang-format on
    EXPECT_EQ(prompt.Edit2->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(prompt.Edit2->isVisibleTo(&prompt));
}

TEST_P(ArchivePasswordAnswers, GiveBackWhatWasTyped) {
    const AskCase& c = GetParam();
    std::string password;
    QTimer::singleShot(0, [this, &c] {
        QApplication::setActiveWindow(&prompt);
        dialogtest::act(&prompt, c.steps);
        if (prompt.isVisible()) // still asking: given up
            prompt.GradButton2Click();
    });
    const bool ok = prompt.Ask(c.purpose, "a.zip", c.notice, password);
    const QString outcome = (ok ? "ok [" + QString::fromStdString(password) + "]" : "cancel") +
                            " | " + prompt.Label3->text() + " | " + prompt.Edit1->text() +
                            prompt.Edit2->text();
    EXPECT_EQ(outcome, c.expected);
    EXPECT_TRUE(messages.shown().empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ArchivePassword, ArchivePasswordAnswers, ::testing::Values(
    AskCase{"read", Purpose::Read, "", "Edit1=s3cr\xc3\xa9t GradButton1", "ok [s3cr\xc3\xa9t] |  | "},
    AskCase{"read, nothing typed", Purpose::Read, "", "GradButton1", "ok [] |  | "},
    AskCase{"read again after a wrong one", Purpose::Read, "Wrong password for dir/a.txt", "Edit1=x key=Return", "ok [x] | Wrong password for dir/a.txt | "},
    AskCase{"Cancel", Purpose::Read, "", "Edit1=x GradButton2", "cancel |  | "},
    AskCase{"Escape", Purpose::Read, "", "Edit1=x focus=Edit1 key=Escape", "cancel |  | "},
    AskCase{"encrypt", Purpose::Encrypt, "", "Edit1=pw Edit2=pw GradButton1", "ok [pw] |  | "},
    AskCase{"encrypt, the two differ", Purpose::Encrypt, "", "Edit1=pw Edit2=pW GradButton1", "cancel | The two passwords differ; type them again. | "},
    AskCase{"encrypt, nothing typed", Purpose::Encrypt, "", "GradButton1", "cancel | Type a password to encrypt with. | "},
    AskCase{"encrypt, right at the second try", Purpose::Encrypt, "", "Edit1=pw Edit2=p GradButton1 Edit1=pw Edit2=pw GradButton1", "ok [pw] | The two passwords differ; type them again. | "}));
// clang-format on

TEST(ArchivePasswordWipe, ZeroesTheSharedTextAndEmptiesIt) {
    QString typed = QString::fromUtf8("pass\xc3\xa9");
    QString copy = typed; // shares typed's characters, as a line edit's text() does
    wipeSecret(copy);
    EXPECT_EQ(typed, QString(5, QChar(0))) << "the shared characters are zeroed";
    EXPECT_TRUE(copy.isEmpty());
    std::string bytes = "secret";
    wipeSecret(bytes);
    EXPECT_TRUE(bytes.empty());
    QString literal = QStringLiteral("static");
    wipeSecret(literal); // read-only data is left alone, not written to
    EXPECT_TRUE(literal.isEmpty());
}

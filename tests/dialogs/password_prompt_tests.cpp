// The password prompt: its layout, "OK" and "Cancel" with their messages, and its keys.
#include "controls/GradButton.h"
#include "dialogs/PasswordPrompt.h"
#include "platform/Messages.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const char* const kCorrect =
    "Password corrected, now you can do any actions without inserting any password";
const char* const kWrong = "Wrong Password, Please Type Correct Password";

class PasswordPromptTest : public ::testing::Test {
protected:
    PasswordPromptTest() : installed(messages) {
        dialogtest::application();
        prompt = std::make_unique<TForm1>();
        prompt->StoredPassword = [this] { return stored; };
    }

    platform::ScriptedMessages messages;
    platform::ScopedMessageService installed;
    std::unique_ptr<TForm1> prompt;
    QString stored = "Key-42";
};

} // namespace

TEST_F(PasswordPromptTest, LayoutIsTheDesignedOne) {
    EXPECT_EQ(prompt->objectName(), "Form1");
    EXPECT_EQ(prompt->windowTitle(), "Password Require");
    EXPECT_EQ(prompt->size(), QSize(304, 95));
    EXPECT_EQ(prompt->minimumSize(), prompt->maximumSize()) << "fixed size";
    const Qt::WindowFlags flags = prompt->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(prompt->font().family(), "Tahoma");
    EXPECT_EQ(prompt->font().pixelSize(), 11);
    EXPECT_EQ(prompt->Label1->text(), "Password :");
    EXPECT_EQ(prompt->Label1->pos(), QPoint(16, 16));
    EXPECT_EQ(prompt->Edit1->geometry(), QRect(73, 13, 220, 21));
    EXPECT_EQ(prompt->Edit1->echoMode(), QLineEdit::Normal) << "typed in clear";
    EXPECT_EQ(prompt->GradButton2->Caption(), "Cancel");
    EXPECT_EQ(prompt->GradButton2->geometry(), QRect(136, 48, 75, 25));
    EXPECT_EQ(prompt->GradButton1->Caption(), "OK");
    EXPECT_EQ(prompt->GradButton1->geometry(), QRect(216, 48, 75, 25));
    EXPECT_EQ(prompt->GradButton1->ColorScheme(), TGradButton::csNeoDesert);
    EXPECT_EQ(prompt->GradButton2->ColorScheme(), TGradButton::csNeoDesert);
    EXPECT_EQ(prompt->Edit1->text(), "");
}

TEST_F(PasswordPromptTest, OkWithTheRightPasswordConfirmsAndCloses) {
    prompt->show();
    prompt->Edit1->setText("Key-42");
    prompt->GradButton1->Click();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{kCorrect});
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_EQ(prompt->EnteredPassword(), "Key-42") << "the field keeps the password";
}

TEST_F(PasswordPromptTest, OkWithAWrongPasswordKeepsThePromptAndTheText) {
    prompt->show();
    for (const char* attempt : {"key-42", "Key-42 ", ""}) {
        prompt->Edit1->setText(attempt);
        prompt->GradButton1->Click();
        EXPECT_TRUE(prompt->isVisible()) << attempt;
        EXPECT_EQ(prompt->EnteredPassword(), attempt);
    }
    EXPECT_EQ(messages.messageTexts(), (std::vector<std::string>(3, kWrong)))
        << "no limit on attempts";
}

TEST_F(PasswordPromptTest, OkComparesWithTheCopyAsItIsAtThatMoment) {
    prompt->show();
    prompt->Edit1->setText("Key-42");
    stored = "Changed";
    prompt->GradButton1->Click();
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{kWrong});
    stored = "";
    prompt->Edit1->clear();
    prompt->GradButton1->Click();
    EXPECT_EQ(messages.messageTexts().back(), kCorrect);
}

TEST_F(PasswordPromptTest, CancelEmptiesTheFieldAndCloses) {
    prompt->show();
    prompt->Edit1->setText("Key-42");
    prompt->GradButton2->Click();
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_EQ(prompt->EnteredPassword(), "");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PasswordPromptTest, EnterPressesOkAndEscapePressesCancel) {
    prompt->show();
    QApplication::setActiveWindow(prompt.get());
    prompt->Edit1->setFocus();
    QTest::keyClicks(prompt->Edit1, "Key-42");
    QTest::keyClick(prompt->Edit1, Qt::Key_Return);
    EXPECT_EQ(messages.messageTexts(), std::vector<std::string>{kCorrect});
    EXPECT_FALSE(prompt->isVisible());

    prompt->show();
    QApplication::setActiveWindow(prompt.get());
    prompt->Edit1->setFocus();
    QTest::keyClick(prompt->Edit1, Qt::Key_Escape);
    EXPECT_FALSE(prompt->isVisible());
    EXPECT_EQ(prompt->EnteredPassword(), "");
    EXPECT_EQ(messages.messageTexts().size(), 1u);
}

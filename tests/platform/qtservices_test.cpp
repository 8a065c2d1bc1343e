#include "platform/qt/QtMessages.h"
#include "platform/qt/QtShell.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace testsupport;

namespace {

// What a shown box looked like.
struct BoxSeen {
    bool found = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QPoint centre;
    Qt::TextFormat format = Qt::AutoText;
};

// Runs SHOW while a timer inspects the modal box it opens and then presses the button named
// PRESS (or Escape when PRESS is empty).
BoxSeen inspectBox(const std::function<void()>& show, const QString& press) {
    BoxSeen seen;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.found = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.format = box->textFormat();
        seen.centre = box->frameGeometry().center();
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == press)
                target = b;
        }
        if (target)
            target->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    });
    show();
    return seen;
}

TEST(QtMessageService, PlainMessageHasTheTitleAndOneOkButton) {
    platform::QtMessageService service;
    const BoxSeen seen = inspectBox([&] { service.showMessage("3 files were added"); }, "OK");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Quembly");
    EXPECT_EQ(seen.text, "3 files were added");
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
}

TEST(QtMessageService, TextsAreShownPlainWithCarriageReturnsAsLineBreaks) {
    platform::QtMessageService service;
    BoxSeen seen =
        inspectBox([&] { service.showMessage("Your password is <b>x</b>\rto set again"); }, "OK");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "Your password is <b>x</b>\nto set again");
    EXPECT_EQ(seen.format, Qt::PlainText);
    seen = inspectBox([&] { service.confirm("Delete <i>a</i>?\r\nSure"); }, "&No");
    EXPECT_EQ(seen.text, "Delete <i>a</i>?\nSure");
    EXPECT_EQ(seen.format, Qt::PlainText);
    seen = inspectBox([&] { service.showError("Zip file not found: <none>"); }, "OK");
    EXPECT_EQ(seen.text, "Zip file not found: <none>.");
    EXPECT_EQ(seen.format, Qt::PlainText);
}

TEST(QtMessageService, ConfirmationConsentsOnlyOnYes) {
    platform::QtMessageService service;
    bool answer = false;
    BoxSeen seen = inspectBox([&] { answer = service.confirm("Delete the archive?"); }, "&Yes");
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(answer);
    EXPECT_EQ(seen.title, "Confirm");
    EXPECT_EQ(seen.text, "Delete the archive?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, (QStringList{"&Yes", "&No"}));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPoint centre = screen->availableGeometry().center();
        EXPECT_LE((seen.centre - centre).manhattanLength(), 4)
            << seen.centre.x() << "," << seen.centre.y();
    }

    seen = inspectBox([&] { answer = service.confirm("Again?"); }, "&No");
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(answer);
    answer = true;
    seen = inspectBox([&] { answer = service.confirm("Escape?"); }, "");
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(answer);
}

TEST(QtMessageService, ErrorBoxHasTheStopIconAndTheFullStop) {
    platform::QtMessageService service;
    const BoxSeen seen = inspectBox([&] { service.showError("Cannot open file \"a\""); }, "OK");
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Quembly");
    EXPECT_EQ(seen.text, "Cannot open file \"a\"");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    const BoxSeen second = inspectBox([&] { service.showError("Unknown error"); }, "OK");
    EXPECT_EQ(second.text, "Unknown error.");
}

TEST(QtShellService, StartsAProgramWithOneArgumentOrNone) {
    TempDir dir;
    const fs::path script = dir / "record.sh";
    const fs::path out = dir / "args.txt";
    writeFile(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" + out.string() +
                          ".tmp\"\n"
                          "mv \"" +
                          out.string() + ".tmp\" \"" + out.string() + "\"\n");
    fs::permissions(script, fs::perms::owner_all);

    // What the started program was given, once it has written it down.
    auto startedWith = [&](const std::string& argument) {
        fs::remove(out);
        platform::QtShellService shell;
        if (!shell.startProgram(script.string(), argument))
            return std::string("not started");
        QElapsedTimer waited;
        waited.start();
        while (!fs::exists(out) && waited.elapsed() < 20000)
            QTest::qWait(20);
        return fs::exists(out) ? readFile(out) : std::string("no answer");
    };
    EXPECT_EQ(startedWith("/a folder/split archive.zip"), "1|/a folder/split archive.zip");
    EXPECT_EQ(startedWith(""), "0|") << "no parameter, no argument";

    platform::QtShellService shell;
    EXPECT_FALSE(shell.startProgram((dir / "missing").string(), "x"));
    EXPECT_FALSE(shell.startProgram("", "x"));
    EXPECT_FALSE(shell.openDocument(""));
    EXPECT_FALSE(shell.explore(""));
}

} // namespace

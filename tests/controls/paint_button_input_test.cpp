// The gradient button's behaviour: the Normal/Over/Down states under the mouse, Space and
// Enter, the dialog keys of its window, accelerators and the modal result.
#include "controls/GradButton.h"
#include "paint_support.h"

#include <QDialog>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using S = TGradButton::TButtonState;

// A shown, active window holding a button and, optionally, a text field.
struct Window {
    QDialog dialog;
    TGradButton* b;
    TGradButton* other;
    QLineEdit* edit;
    Window() {
        dialog.resize(300, 120);
        b = new TGradButton(&dialog);
        b->setGeometry(10, 10, 75, 25);
        b->setCaption(QStringLiteral("&Close"));
        other = new TGradButton(&dialog);
        other->setGeometry(100, 10, 75, 25);
        other->setCaption(QStringLiteral("Other"));
        edit = new QLineEdit(&dialog);
        edit->setGeometry(10, 60, 150, 22);
        dialog.show();
        dialog.activateWindow();
        (void)QTest::qWaitForWindowActive(&dialog);
        // Start with the mouse on an empty spot. A window shown under the cursor may not
        // hear of the cursor leaving its buttons, so they are told.
        QTest::mouseMove(&dialog, QPoint(290, 110));
        for (TGradButton* button : {b, other}) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(button, &leave);
        }
    }
};

} // namespace

TEST(GradButtonInput, HoverPressDragAndRelease) {
    Window w;
    TGradButton* b = w.b;
    QSignalSpy clicks(b, &TGradButton::clicked);
    EXPECT_EQ(b->State(), S::bsNormal);

    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsOver);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsDown);
    EXPECT_TRUE(b->Pressed());
    EXPECT_TRUE(b->hasFocus());

    // Drag out: Normal look; drag back in: Down again.
    QTest::mouseMove(b, QPoint(150, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    QTest::mouseMove(b, QPoint(20, 10));
    EXPECT_EQ(b->State(), S::bsDown);

    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(b->State(), S::bsOver);

    // Released outside: no click, the look stays as it was.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(b, QPoint(150, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(b->State(), S::bsNormal);

    // The right button neither presses nor clicks.
    QTest::mouseClick(b, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(GradButtonInput, WithoutHotTrackTheOverLookNeverShows) {
    Window w;
    TGradButton* b = w.b;
    b->setHotTrack(false);
    QSignalSpy clicks(b, &TGradButton::clicked);
    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsDown);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    EXPECT_EQ(clicks.count(), 1);
    // Dragging out still resets the look; dragging back in does not press it again.
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(b, QPoint(150, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(GradButtonInput, SpaceAndEnterOnTheFocusedButton) {
    Window w;
    TGradButton* b = w.b;
    b->setFocus();
    QSignalSpy clicks(b, &TGradButton::clicked);
    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_EQ(b->State(), S::bsDown);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(b->State(), S::bsNormal);
    EXPECT_EQ(clicks.count(), 1);

    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks.count(), 3);
    // Shift+Enter is not a dialog key, but the button's own key handling still clicks.
    QTest::keyClick(b, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(clicks.count(), 4);

    // Losing the focus resets a held Space.
    QTest::keyPress(b, Qt::Key_Space);
    w.edit->setFocus();
    EXPECT_EQ(b->State(), S::bsNormal);
}

TEST(GradButtonInput, EscapeClicksOnlyTheCancelButton) {
    Window w;
    w.other->setCancel(true);
    QSignalSpy cancel(w.other, &TGradButton::clicked), plain(w.b, &TGradButton::clicked);
    w.edit->setFocus();
    QTest::keyClick(w.edit, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_EQ(cancel.count(), 0);
    QTest::keyClick(w.edit, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 1);
    EXPECT_EQ(plain.count(), 0);

    // From a focused button too, and a disabled cancel button takes no key.
    w.b->setFocus();
    QTest::keyClick(w.b, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 2);
    EXPECT_EQ(plain.count(), 0);
    w.other->setEnabled(false);
    QTest::keyClick(w.edit, Qt::Key_Escape);
    EXPECT_EQ(cancel.count(), 2);
}

TEST(GradButtonInput, EnterElsewhereClicksTheDefaultButton) {
    Window w;
    w.other->setDefault(true);
    QSignalSpy def(w.other, &TGradButton::clicked), plain(w.b, &TGradButton::clicked);
    w.edit->setFocus();
    QTest::keyClick(w.edit, Qt::Key_Return);
    EXPECT_EQ(def.count(), 1);
    QTest::keyClick(w.edit, Qt::Key_Return, Qt::ControlModifier); // whatever modifiers
    EXPECT_EQ(def.count(), 2);
    // A focused button takes Enter itself; the default one stays out of it.
    w.b->setFocus();
    QTest::keyClick(w.b, Qt::Key_Return);
    EXPECT_EQ(plain.count(), 1);
    EXPECT_EQ(def.count(), 2);
    // Without Default nothing answers Enter in the text field.
    w.other->setDefault(false);
    w.edit->setFocus();
    QTest::keyClick(w.edit, Qt::Key_Return);
    EXPECT_EQ(def.count(), 2);
    EXPECT_EQ(plain.count(), 1);
}

TEST(GradButtonInput, Accelerators) {
    Window w;
    QSignalSpy close(w.b, &TGradButton::clicked), other(w.other, &TGradButton::clicked);
    w.edit->setFocus();
    // The letter alone goes into the text field.
    QTest::keyClick(w.edit, Qt::Key_C);
    EXPECT_EQ(close.count(), 0);
    EXPECT_EQ(w.edit->text(), QStringLiteral("c"));
    // Alt+letter clicks from anywhere in the window.
    QTest::keyClick(w.edit, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(close.count(), 1);
    // With a button focused, the letter alone clicks too; other letters do nothing.
    w.other->setFocus();
    QTest::keyClick(w.other, Qt::Key_C);
    EXPECT_EQ(close.count(), 2);
    QTest::keyClick(w.other, Qt::Key_O);
    EXPECT_EQ(other.count(), 0);
    // A disabled button's accelerator is dead.
    w.b->setEnabled(false);
    QTest::keyClick(w.other, Qt::Key_C);
    QTest::keyClick(w.edit, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(close.count(), 2);
    // A changed caption moves the accelerator.
    w.b->setEnabled(true);
    w.b->setCaption(QStringLiteral("E&xit"));
    QTest::keyClick(w.edit, Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(close.count(), 2);
    QTest::keyClick(w.edit, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(close.count(), 3);
}

TEST(GradButtonInput, ModalResultEndsAModalDialog) {
    QDialog dialog;
    auto* ok = new TGradButton(&dialog);
    ok->setModalResult(1);
    auto* zero = new TGradButton(&dialog);
    zero->move(0, 40);
    bool stillOpenAfterZero = false;
    QTimer::singleShot(0, &dialog, [&] {
        zero->Click(); // a zero result keeps the dialog open
        stillOpenAfterZero = dialog.isVisible();
        QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5));
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_TRUE(stillOpenAfterZero);
    EXPECT_FALSE(dialog.isVisible());

    // A non-modal window is not closed by a button's result.
    QDialog modeless;
    auto* b = new TGradButton(&modeless);
    b->setModalResult(2);
    modeless.show();
    b->Click();
    EXPECT_TRUE(modeless.isVisible());
}

TEST(GradButtonInput, ClickResetsTheLookBeforeHandlers) {
    Window w;
    TGradButton* b = w.b;
    S seen = S::bsDown;
    QObject::connect(b, &TGradButton::clicked, [&] { seen = b->State(); });
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(seen, S::bsNormal);
}

TEST(GradButtonInput, AnotherButtonDuringALeftPressKeepsTheClick) {
    Window w;
    TGradButton* b = w.b;
    QSignalSpy clicks(b, &TGradButton::clicked);
    QTest::mouseMove(b, QPoint(10, 10));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    // A right click while the left button is held: its release ends the press look ...
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(b->State(), S::bsOver);
    // ... but the left press and release on the button are still a click.
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(12, 10));
    EXPECT_EQ(clicks.count(), 1);

    // While a right button is held the mouse is still seen leaving and coming back.
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseMove(b, QPoint(150, 10));
    EXPECT_EQ(b->State(), S::bsNormal);
    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsOver);
    QTest::mouseRelease(b, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(GradButtonInput, DisablingDuringAPressEndsIt) {
    Window w;
    TGradButton* b = w.b;
    QSignalSpy clicks(b, &TGradButton::clicked);
    QTest::mouseMove(b, QPoint(10, 10));
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 10));
    b->setEnabled(false); // the release below never reaches a disabled button
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(b->Pressed());
    b->setEnabled(true);
    // Coming back over the button shows the hover look, not a press that no longer exists.
    QTest::mouseMove(&w.dialog, QPoint(290, 110));
    QTest::mouseMove(b, QPoint(10, 10));
    EXPECT_EQ(b->State(), S::bsOver);
    EXPECT_EQ(clicks.count(), 0);
}

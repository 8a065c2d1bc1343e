// The About window: its controls, sizes and the Close button that hides it. Links the dialogs
// library, so it is built with the dialog tests rather than in the controls program.
#include "controls/GradButton.h"
#include "controls/GradPanel.h"
#include "dialogs/AboutWindow.h"
#include "paint_support.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

TEST(AboutWindow, ControlsAndLayout) {
    Tformabout form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(form.size(), QSize(344, 195));
    EXPECT_EQ(form.minimumSize(), QSize(344, 195));
    EXPECT_EQ(form.maximumSize(), QSize(344, 195));
    const Qt::WindowFlags f = form.windowFlags();
    EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.isModal());
    EXPECT_EQ(form.font().pixelSize(), 11);

    auto* panel = form.findChild<TGradPanel*>(QStringLiteral("GradPanel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 344, 195));
    EXPECT_EQ(panel->ColorScheme(), TGradPanel::csSilver);
    EXPECT_EQ(panel->ColorGrad(), 0xDAE0DEu); // #DEE0DA
    EXPECT_EQ(panel->FillDirection(), TGradPanel::fdVertical);
    EXPECT_EQ(panel->BevelOuter(), TGradPanel::bvRaised);

    auto label = [&](const char* name) {
        return form.findChild<QLabel*>(QString::fromLatin1(name));
    };
    ASSERT_NE(label("Label2"), nullptr);
    ASSERT_NE(label("Label3"), nullptr);
    ASSERT_NE(label("Label6"), nullptr);
    ASSERT_NE(label("Label4"), nullptr);
    EXPECT_EQ(label("Label2")->text(), QStringLiteral("Quembly"));
    EXPECT_EQ(label("Label2")->pos(), QPoint(16, 8));
    EXPECT_EQ(label("Label2")->font().pixelSize(), 24);
    EXPECT_TRUE(label("Label2")->font().bold());
    EXPECT_EQ(label("Label2")->font().families().value(0), QStringLiteral("Times New Roman"));
    EXPECT_EQ(label("Label3")->text(), QStringLiteral("Version 1.0"));
    EXPECT_EQ(label("Label3")->pos(), QPoint(16, 34));
    EXPECT_EQ(label("Label3")->font().pixelSize(), 19);
    EXPECT_TRUE(label("Label3")->font().bold());
    EXPECT_EQ(label("Label6")->text(), QString(52, u'_') + u' ');
    EXPECT_EQ(label("Label6")->geometry().topLeft(), QPoint(16, 44));
    EXPECT_EQ(label("Label6")->width(), 315);
    EXPECT_EQ(label("Label4")->pos(), QPoint(16, 64));
    EXPECT_FALSE(label("Label4")->text().isEmpty());
    EXPECT_EQ(label("Label4")->font().pixelSize(), 11);
    for (const char* name : {"Label2", "Label3", "Label6", "Label4"})
        EXPECT_FALSE(label(name)->autoFillBackground()) << name;

    auto* close = form.findChild<TGradButton*>(QStringLiteral("clsbtn"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(256, 152, 75, 25));
    EXPECT_EQ(close->Caption(), QStringLiteral("Close"));
    EXPECT_EQ(close->ColorScheme(), TGradButton::csNeoSilver);

    const QList<QSize> sizes = form.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

TEST(AboutWindow, CloseHidesAndShowsAgain) {
    formabout = new Tformabout;
    formabout->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(formabout));
    auto* close = formabout->findChild<TGradButton*>(QStringLiteral("clsbtn"));
    QTest::mouseClick(close, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(formabout->isVisible());
    formabout->show(); // the same window again, as it was
    EXPECT_TRUE(formabout->isVisible());
    EXPECT_EQ(formabout->size(), QSize(344, 195));
    formabout->close(); // the close box hides it too
    EXPECT_FALSE(formabout->isVisible());
    delete formabout;
    formabout = nullptr;
}

TEST(AboutWindow, PaintsTheSilverPanel) {
    Tformabout form;
    const QImage img = form.grab().toImage();
    ASSERT_EQ(img.size(), QSize(344, 195));
    EXPECT_EQ(painttest::px(img, 0, 100), 0x7D7D7Du);   // light bevel on the left
    EXPECT_EQ(painttest::px(img, 343, 100), 0x626262u); // dark bevel on the right
    EXPECT_EQ(painttest::px(img, 300, 1), 0xFFFFFFu);   // white at the top
}

TEST(AboutWindow, CentredOverTheMainWindowEachTimeItIsShown) {
    // The main window is a plain top-level widget, and the About window has no parent.
    QWidget mainWindow;
    mainWindow.setObjectName(QStringLiteral("Mainform"));
    mainWindow.setGeometry(40, 60, 600, 400);
    mainWindow.show();
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));

    Tformabout form;
    auto centreDistance = [&] {
        const QPoint d = form.frameGeometry().center() - mainWindow.frameGeometry().center();
        return d.manhattanLength();
    };
    form.show();
    EXPECT_LE(centreDistance(), 3);
    form.hide();

    // The main window moved: the About window follows it when shown again.
    mainWindow.move(300, 250);
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    form.show();
    EXPECT_LE(centreDistance(), 3);
    form.hide();

    // Also when another window is the active one at that moment.
    QWidget other;
    other.setGeometry(700, 500, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    mainWindow.move(120, 90);
    form.show();
    EXPECT_LE(centreDistance(), 3);
    form.hide();

    // With no main window shown, it is centred over the active window.
    mainWindow.hide();
    form.show();
    const QPoint d = form.frameGeometry().center() - other.frameGeometry().center();
    EXPECT_LE(d.manhattanLength(), 3);
}

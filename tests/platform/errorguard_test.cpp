#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/qt/ErrorGuard.h"
#include "platform/qt/WaitCursor.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// One guarded application for the whole test program, as the program itself runs.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "platform_qt_tests";
        static char* argv[] = {name, nullptr};
        app_ = new platform::GuardedApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    platform::GuardedApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const applicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

class ThrowingService : public platform::MessageService {
public:
    void showMessage(const std::string&) override {}
    bool confirm(const std::string&) override { return false; }
    void showError(const std::string&) override { throw std::runtime_error("box failed"); }
};

TEST(ErrorGuard, GuardedReportsEveryKindOfErrorAndSwallowsIt) {
    platform::ScriptedMessages scripted;
    platform::ScopedMessageService scope(scripted);
    EXPECT_TRUE(platform::guarded([] {}));
    EXPECT_TRUE(scripted.shown().empty());

    EXPECT_FALSE(platform::guarded([] { throw std::runtime_error("Disk is full"); }));
    EXPECT_FALSE(platform::guarded(
        [] { throw platform::ERegistryException("Failed to set data for 'PSW'"); }));
    EXPECT_FALSE(platform::guarded([] { throw 42; }));
    EXPECT_FALSE(platform::guarded([] { throw std::string("not an exception class"); }));
    EXPECT_EQ(scripted.errorTexts(),
              (std::vector<std::string>{"Disk is full.", "Failed to set data for 'PSW'",
                                        "Unknown error.", "Unknown error."}));
    EXPECT_TRUE(scripted.messageTexts().empty());

    // Called with no error in flight it still reports, and does not terminate.
    platform::reportCurrentException();
    EXPECT_EQ(scripted.errorTexts().back(), "Unknown error.");

    // A failing error box does not raise again out of the guard.
    ThrowingService throwing;
    platform::ScopedMessageService inner(throwing);
    EXPECT_FALSE(platform::guarded([] { throw std::runtime_error("first"); }));
}

// A widget whose handlers raise, as a faulty command would.
class FaultyWidget : public QWidget {
protected:
    void mousePressEvent(QMouseEvent*) override { throw std::runtime_error("Press failed"); }
};

TEST(ErrorGuard, ApplicationReportsErrorsFromSlotsAndHandlersAndKeepsRunning) {
    platform::ScriptedMessages scripted;
    platform::ScopedMessageService scope(scripted);
    ASSERT_NE(dynamic_cast<platform::GuardedApplication*>(QCoreApplication::instance()), nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // Qt's own frames do not free what they hold when an error passes through them. The
    // application's guard is the last resort that keeps the program running; that loss is
    // Qt's, and the handlers of the program's windows each have a guard of their own.
    __lsan::ScopedDisabler qtFramesLoseWhatTheyHeld;
#endif

    QObject receiver;
    bool laterRan = false;
    QTimer::singleShot(0, &receiver, [] { throw std::runtime_error("Slot failed"); });
    QMetaObject::invokeMethod(
        &receiver, [] { throw 7; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &receiver, [&] { laterRan = true; }, Qt::QueuedConnection);
    QTest::qWait(50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(laterRan);

    FaultyWidget widget;
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);

    EXPECT_EQ(scripted.errorTexts(),
              (std::vector<std::string>{"Slot failed.", "Unknown error.", "Press failed."}));
}

TEST(WaitCursor, SetsTheHourglassAndRestoresItOnEveryExit) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        platform::WaitCursor outer;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        try {
            platform::WaitCursor inner;
            throw std::runtime_error("leaving early");
        } catch (const std::runtime_error&) {
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace

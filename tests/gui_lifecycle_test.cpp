// The window's life after start-up: the status timer and its ticks, the
// ways the program ends, and the About box.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QTimer>
#include <QTimerEvent>
#include <vector>

#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"
#include "usb/SocketLibrary.h"

namespace {

using gui_test::Bytes;

const Bytes kStatusRead = {0x11, 0x40, 0xE1};

// A window whose status poll counts itself and reads the status block, as
// the status poll does.
class PollingWindow final : public MainWindow {
public:
    using MainWindow::MainWindow;
    int polls = 0;

protected:
    void runStatusPoll() override {
        ++polls;
        boxlink::Answer answer{};
        commands().readStatusBlock(answer, 64);
    }
};

QList<QAbstractEventDispatcher::TimerInfo> timersOf(QObject* object) {
    return QAbstractEventDispatcher::instance()->registeredTimers(object);
}

class GuiLifecycleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    void tick() {
        QTimerEvent event(window_.statusTimer());
        QCoreApplication::sendEvent(&window_, &event);
    }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_;
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<PollingWindow> owned_ =
        std::make_unique<PollingWindow>(library_, clock_, dialogs_);
    PollingWindow& window_ = *owned_;
    Ui::MainWindow& ui_ = *window_.form();
};

TEST_F(GuiLifecycleTest, OneStatusTimerOf2000MsHoweverOftenItIsStarted) {
    ASSERT_TRUE(window_.isStatusTimerRunning());
    auto timers = timersOf(&window_);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers[0].timerId, window_.statusTimer());
    EXPECT_EQ(timers[0].interval, 2000);

    const int id = window_.statusTimer();
    window_.startStatusTimer(2000);
    window_.startStatusTimer(500);
    timers = timersOf(&window_);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers[0].timerId, id);
    EXPECT_EQ(timers[0].interval, 2000);

    window_.stopStatusTimer();
    EXPECT_FALSE(window_.isStatusTimerRunning());
    EXPECT_TRUE(timersOf(&window_).isEmpty());
    window_.stopStatusTimer();
    EXPECT_TRUE(timersOf(&window_).isEmpty());

    window_.startStatusTimer(2000);
    EXPECT_TRUE(window_.isStatusTimerRunning());
    EXPECT_EQ(timersOf(&window_).size(), 1);
}

TEST_F(GuiLifecycleTest, ATickRunsTheStatusPoll) {
    box_.clearTrace();
    tick();
    EXPECT_EQ(window_.polls, 1);
    // The exchange was answered, so the box has seen the request.
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{kStatusRead});
}

// A modal box of the link runs a nested event loop, so a tick can arrive in
// the middle of an exchange; it must leave the box alone.
TEST_F(GuiLifecycleTest, ATickDuringAnExchangeSendsNothing) {
    library_.writes.clear();
    library_.failQueueChecks = 1;
    bool busyInside = false;
    std::size_t writesBefore = 0;
    std::size_t writesAfter = 0;
    dialogs_.onShow = [&](const gui_test::Shown& shown) {
        if (shown.kind == gui_test::Shown::LinkWarning) {
            busyInside = window_.link().linkBusy();
            writesBefore = library_.writes.size();
            tick();
            writesAfter = library_.writes.size();
        }
    };
    tick();

    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Error Checking RX Queue"));
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(writesAfter, writesBefore);
    EXPECT_EQ(window_.polls, 1);
    EXPECT_EQ(library_.writes, std::vector<Bytes>{kStatusRead});
}

TEST_F(GuiLifecycleTest, ClosingTheWindowLeavesTheEventLoopWithZeroAndClosesTheLink) {
    window_.show();
    QTimer::singleShot(0, &window_, [this] { window_.close(); });
    QTimer guard;  // ends the loop only if closing does not
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    const int status = QApplication::exec();
    guard.stop();

    EXPECT_EQ(status, 0);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(window_.link().isOpen());
    EXPECT_EQ(library_.closes, 1);
    EXPECT_FALSE(window_.isStatusTimerRunning());
    EXPECT_TRUE(timersOf(&window_).isEmpty());
}

TEST_F(GuiLifecycleTest, FileExitClosesTheLinkThenEndsWithZero) {
    std::vector<int> endings;
    bool linkOpenAtEnd = true;
    bool timerAtEnd = true;
    window_.setEndProcess([&](int status) {
        endings.push_back(status);
        linkOpenAtEnd = window_.link().isOpen();
        timerAtEnd = window_.isStatusTimerRunning();
    });
    ui_.actionExit->trigger();
    EXPECT_EQ(endings, std::vector<int>{0});
    EXPECT_FALSE(linkOpenAtEnd);
    EXPECT_FALSE(timerAtEnd);
    EXPECT_EQ(library_.closes, 1);
}

TEST_F(GuiLifecycleTest, DestroyingTheWindowClosesTheLinkOnce) {
    ASSERT_TRUE(window_.link().isOpen());
    owned_.reset();
    EXPECT_EQ(library_.closes, 1);
}

// The program's own way out: File, Exit ends the process at once with 0.
TEST(GuiFileExitDeathTest, EndsTheProcessWithStatusZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            gui_test::application();
            auto library = usb::createSocketLibrary({});
            testing_support::ManualClock clock;
            gui_test::ScriptedDialogs dialogs;
            MainWindow window(*library, clock, dialogs);
            window.form()->actionExit->trigger();
            std::_Exit(3);  // not reached
        },
        ::testing::ExitedWithCode(0), "");
}

class GuiAboutTest : public GuiLifecycleTest,
                     public ::testing::WithParamInterface<std::pair<int, char>> {};

TEST_P(GuiAboutTest, HeadingThenANoticeEndingInTheMacroRepeatFlag) {
    window_.state().setEpByte(39, static_cast<std::uint8_t>(GetParam().first));
    ui_.actionAbout->trigger();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    const gui_test::Shown& about = dialogs_.shown[0];
    EXPECT_EQ(about.kind, gui_test::Shown::About);
    EXPECT_EQ(about.parent, &window_);
    EXPECT_EQ(about.title, QStringLiteral("About VORTILAN2 Utility"));
    EXPECT_TRUE(
        about.text.startsWith(QStringLiteral("<h2>VORTILAN2 Utility Version GUI: 2.34 </h2>")))
        << about.text.toStdString();
    const QStringList lines = gui_test::plainText(about.text).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(", ") + QLatin1Char(GetParam().second)))
        << lines[1].toStdString();
}

INSTANTIATE_TEST_SUITE_P(GuiAboutFlag, GuiAboutTest,
                         ::testing::Values(std::pair{0, '0'}, std::pair{1, '1'},
                                           std::pair{0x80, '1'}));

}  // namespace

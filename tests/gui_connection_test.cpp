// The window and a box that goes away and comes back, or goes silent: it says
// so, stops sending, finds the box again without a restart and reads it back;
// a silent box blocks it for one time-out while it keeps painting.
#include <gtest/gtest.h>

#include <chrono>

#include <thread>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QTimerEvent>
#include <functional>

#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

const Bytes kPcbRead = {0x11, 0x02, 0xB9, 0x00};
const Bytes kStatusRead = {0x11, 0x40, 0xE1};

class GuiConnectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }
    void SetUp() override {
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
        ASSERT_TRUE(window_->state().writesEnabled());
        box_.clearTrace();
        library_.writes.clear();
    }

    void control(const std::string& line) {
        const std::string reply = box_.server().command(line);
        ASSERT_NE(reply.rfind("ok"), std::string::npos) << line << ": " << reply;
    }

    void tick() {
        QTimerEvent event(window_->statusTimer());
        QCoreApplication::sendEvent(window_.get(), &event);
    }

    // Until the box's answer to what the window sent last has come in (the
    // emulator answers from a thread of its own).
    void waitForAnswer() {
        // Each empty check waits up to 1 ms; a loaded machine gets 20 s.
        for (int i = 0; i < 20000; ++i) {
            std::uint32_t bytes = 0;
            std::uint32_t status = 0;
            if (box_.library().checkRxQueue(window_->link().boxHandle(), &bytes, &status) ==
                    usb::Ok &&
                bytes > 0) {
                return;
            }
        }
        FAIL() << "no answer came";
    }

    QString status() { return ui().statusbar->currentMessage(); }
    Ui::MainWindow& ui() { return *window_->form(); }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_{100};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// How the box goes away and comes back.
struct ComingAndGoingCase {
    const char* name;
    std::function<void(gui_test::EmulatedBox&)> go;
    std::function<void(gui_test::EmulatedBox&)> comeBack;
};

class GuiBoxComesBackTest : public GuiConnectionTest,
                            public ::testing::WithParamInterface<ComingAndGoingCase> {};

TEST_P(GuiBoxComesBackTest, SaysSoStopsSendingAndReadsTheBoxBackWhenItReturns) {
    const ComingAndGoingCase& c = GetParam();
    const QString tx0 = ui().lblTx0Info->text();
    const QString edidText = ui().EDIDtext->toPlainText();
    ASSERT_FALSE(tx0.isEmpty());

    c.go(box_);
    tick();
    EXPECT_TRUE(window_->boxAway());
    EXPECT_EQ(status(), QStringLiteral("VORTILAN2 disconnected"));
    EXPECT_FALSE(window_->state().writesEnabled());
    EXPECT_FALSE(window_->isStatusTimerRunning());
    EXPECT_TRUE(window_->searchTimer()->isActive());
    EXPECT_EQ(window_->searchTimer()->interval(), 2000);
    EXPECT_FALSE(window_->link().isOpen());
    // The signal texts stay, greyed.
    EXPECT_EQ(ui().lblTx0Info->text(), tx0);
    EXPECT_FALSE(ui().lblTx0Info->isEnabled());
    EXPECT_FALSE(ui().lblRx0Info->isEnabled());
    EXPECT_TRUE(dialogs_.shown.empty());

    // Nothing is sent while it is away, and the status bar comes back to
    // saying so after another message.
    library_.writes.clear();
    ui().cmbInputSel->setCurrentIndex(2);
    tick();
    window_->lookForBox();
    EXPECT_TRUE(library_.writes.empty());
    EXPECT_TRUE(window_->boxAway());
    window_->showStatus("File saved", 1);
    // The message's 1 ms timer fires in real time: up to 10 s on a loaded machine.
    for (int i = 0; i < 2000 && status() != QStringLiteral("VORTILAN2 disconnected"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    EXPECT_EQ(status(), QStringLiteral("VORTILAN2 disconnected"));

    // Back, with a setting changed at the box meanwhile.
    c.comeBack(box_);
    control("input top");
    box_.clearTrace();
    window_->lookForBox();
    EXPECT_FALSE(window_->boxAway());
    EXPECT_FALSE(window_->searchTimer()->isActive());
    EXPECT_TRUE(window_->state().writesEnabled());
    EXPECT_TRUE(window_->isStatusTimerRunning());
    EXPECT_EQ(status(), QStringLiteral("VORTILAN2 connected"));
    EXPECT_TRUE(ui().lblTx0Info->isEnabled());
    EXPECT_EQ(ui().cmbInputSel->currentIndex(), 1);  // the box's value, not the one picked
    // The start-up readback and one poll; no writes, and the EDID editor and
    // the item lists are left as they were.
    const auto requests = box_.requests();
    ASSERT_EQ(requests.size(), 1u + 13u + 19u);
    EXPECT_EQ(requests.front(), kPcbRead);
    EXPECT_EQ(requests[14], kStatusRead);
    EXPECT_TRUE(box_.writes().empty());
    EXPECT_EQ(ui().EDIDtext->toPlainText(), edidText);
    EXPECT_EQ(ui().cmbInputSel->count(), 4);

    // The poll goes on.
    box_.clearTrace();
    tick();
    EXPECT_EQ(box_.requests().size(), 19u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, GuiBoxComesBackTest,
    ::testing::Values(
        ComingAndGoingCase{"UnplugAndReplug",
                           [](gui_test::EmulatedBox& box) { box.server().command("unplug"); },
                           [](gui_test::EmulatedBox& box) { box.server().command("replug"); }},
        // The emulator ends (as when it is killed) and another one starts on
        // the same socket later.
        ComingAndGoingCase{"EmulatorRestarted",
                           [](gui_test::EmulatedBox& box) { box.server().stop(); },
                           [](gui_test::EmulatedBox& box) { box.restart(); }}),
    [](const auto& param) { return std::string(param.param.name); });

// The box goes away in the middle of a poll (after answering one request):
// the rest of the poll fails at once.
TEST_F(GuiConnectionTest, ABoxGoneDuringAPollEndsItAtOnce) {
    control("fault unplug 1");
    const std::uint32_t start = clock_.now();
    tick();
    EXPECT_TRUE(window_->boxAway());
    EXPECT_LT(clock_.now() - start, boxlink::kExchangeTimeoutMs);
    EXPECT_EQ(library_.writes.size(), 2u);  // the answered one and the one that found it gone
    EXPECT_TRUE(dialogs_.shown.empty());
}

// A box that does not answer: the window paints (busy cursor) while it waits
// for one time-out, then no exchange waits until a probe finds the box again.
TEST_F(GuiConnectionTest, ASilentBoxBlocksOneTimeOutWhileTheWindowPaints) {
    window_->show();
    int firedWhileWaiting = 0;
    int paintsWhileWaiting = 0;
    bool busyCursor = false;
    QTimer painter;
    painter.setInterval(0);
    QObject::connect(&painter, &QTimer::timeout, [&] {
        if (window_->link().linkBusy()) {
            ++firedWhileWaiting;
            busyCursor = busyCursor || (QApplication::overrideCursor() != nullptr &&
                                        QApplication::overrideCursor()->shape() == Qt::BusyCursor);
            window_->update();
        }
    });
    struct PaintCounter : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                onPaint();
            }
            return false;
        }
    } counter;
    counter.onPaint = [&] {
        if (window_->link().linkBusy()) {
            ++paintsWhileWaiting;
        }
    };
    window_->installEventFilter(&counter);
    painter.start();

    control("fault noanswer 1000");
    std::uint32_t start = clock_.now();
    tick();
    EXPECT_GE(clock_.now() - start, boxlink::kExchangeTimeoutMs);
    EXPECT_LT(clock_.now() - start, 2 * boxlink::kExchangeTimeoutMs);
    EXPECT_GT(firedWhileWaiting, 0);
    EXPECT_GT(paintsWhileWaiting, 0);
    EXPECT_TRUE(busyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{kStatusRead});
    painter.stop();

    // Neither the next ticks nor a user's action wait: the ticks send probes.
    // (What the window wrote, as the probes are not waited for.)
    library_.writes.clear();
    start = clock_.now();
    tick();
    tick();
    EXPECT_EQ(clock_.now() - start, 0u);
    EXPECT_EQ(library_.writes, (std::vector<Bytes>{kPcbRead, kPcbRead}));
    EXPECT_FALSE(window_->readEdidFromBox(edid::EdidSource::Tx0, true));
    EXPECT_EQ(library_.writes.size(), 2u);
    EXPECT_FALSE(window_->boxAway());

    // The box answers again: the probe of one tick is seen by the next, which polls.
    control("fault clear");
    tick();
    waitForAnswer();
    box_.clearTrace();
    tick();
    EXPECT_FALSE(window_->link().boxSilent());
    EXPECT_EQ(box_.requests().size(), 19u);
    window_->removeEventFilter(&counter);
}

}  // namespace

// The window on the libusb back end, against a faked box (umockdev; this
// program runs under umockdev-wrapper) that the emulator's box model answers:
// the box is removed, the window says so and stops sending, the box is added
// again and the window reads it back and polls again, with no restart.
#include <gtest/gtest.h>

#include <unistd.h>

// GLib (through the faked device) before Qt, whose keyword macros clash with it.
#include "tests/usb_libusb/MockUsbDevice.h"

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTimerEvent>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "emulator/Box.h"
#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

#if defined(__SANITIZE_ADDRESS__)
// See tests/usb_libusb_test.cpp: umockdev's preload library comes before ASan's.
extern "C" const char* __asan_default_options() {
    return "verify_asan_link_order=0";
}
#endif

namespace {

using usbmock::Bytes;
using usbmock::DeviceSpec;
using usbmock::MockUsbDevice;

const Bytes kPcbRead = {0x11, 0x02, 0xB9, 0x00};

DeviceSpec rootHub() {
    DeviceSpec s;
    s.sysName = "usb1";
    s.address = 1;
    s.vendorId = 0x1D6B;
    s.productId = 0x0002;
    s.hub = true;
    return s;
}

// A box plugged in again gets another address, as the bus gives it; here
// another port too, since the faked bus keeps the old device's folder.
DeviceSpec box(int plugging = 0) {
    DeviceSpec s;
    s.sysName = "1-" + std::to_string(3 + plugging);
    s.address = 5 + plugging;
    return s;
}

class GuiLibusbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    void SetUp() override {
        // Device locks in a folder of this program's own.
        locks_ = std::filesystem::temp_directory_path() /
                 ("v2-gui-libusb-locks-" + std::to_string(::getpid()));
        std::filesystem::create_directories(locks_);
        ::setenv("XDG_RUNTIME_DIR", locks_.c_str(), 1);
        devices_.push_back(std::make_unique<MockUsbDevice>(testbed_, rootHub()));
        plugIn();
        library_ = usb::createLibusbLibrary();
    }

    void TearDown() override {
        window_.reset();
        library_.reset();
        std::filesystem::remove_all(locks_);
    }

    // A box answered by the emulator's box model.
    MockUsbDevice& plugIn() {
        devices_.push_back(std::make_unique<MockUsbDevice>(testbed_, box(pluggings_++)));
        MockUsbDevice& device = *devices_.back();
        device.setResponder([this](const Bytes& request) {
            const std::lock_guard lock(boxMutex_);
            return model_.handle(request).answer;
        });
        return device;
    }

    void tick() {
        QTimerEvent event(window_->statusTimer());
        QCoreApplication::sendEvent(window_.get(), &event);
    }

    usbmock::Testbed testbed_;
    std::filesystem::path locks_;
    std::mutex boxMutex_;
    emu::Box model_;
    std::vector<std::unique_ptr<MockUsbDevice>> devices_;
    int pluggings_ = 0;
    std::unique_ptr<usb::Library> library_;
    testing_support::ManualClock clock_{10};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(GuiLibusbTest, ARemovedBoxIsFoundAgainWhenItIsAddedBack) {
    window_ = std::make_unique<MainWindow>(*library_, clock_, dialogs_);
    ASSERT_TRUE(window_->state().writesEnabled());
    const QString tx0 = window_->form()->lblTx0Info->text();

    devices_.back()->unplug();
    tick();
    EXPECT_TRUE(window_->boxAway());
    EXPECT_EQ(window_->form()->statusbar->currentMessage(),
              QStringLiteral("VORTILAN2 disconnected"));
    EXPECT_FALSE(window_->form()->lblTx0Info->isEnabled());
    EXPECT_EQ(window_->form()->lblTx0Info->text(), tx0);
    EXPECT_TRUE(dialogs_.shown.empty());
    window_->lookForBox();
    EXPECT_TRUE(window_->boxAway());

    {
        const std::lock_guard lock(boxMutex_);
        model_.ep()[0] = 2;  // changed at the box while it was away: input TOP
    }
    MockUsbDevice& device = plugIn();
    umockdev_testbed_uevent(testbed_.get(), device.sysPath().c_str(), "add");
    // libusb learns of the device from the uevent on a thread of its own;
    // with its hot-plug the window acts on its own, else at its next search.
    for (int i = 0; i < 150 && window_->boxAway(); ++i) {
        if (!window_->watchesDevices()) {
            window_->lookForBox();
        }
        QCoreApplication::processEvents();
        if (window_->boxAway()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_FALSE(window_->boxAway());
    EXPECT_TRUE(window_->state().writesEnabled());
    EXPECT_TRUE(window_->isStatusTimerRunning());
    EXPECT_TRUE(window_->form()->lblTx0Info->isEnabled());
    EXPECT_EQ(window_->form()->cmbInputSel->currentIndex(), 1);
    const auto sent = device.bulkOut();
    ASSERT_EQ(sent.size(), 1u + 13u + 19u);
    EXPECT_EQ(sent.front(), kPcbRead);

    device.clearRecord();
    tick();
    EXPECT_EQ(device.bulkOut().size(), 19u);
}

}  // namespace

// The libusb back end on the real system, no umockdev: where no box is
// attached (a container without /dev/bus/usb, a build machine), it counts no
// devices and says Ok, so that the programs can report "not connected".
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "usb/UsbLibrary.h"

namespace {

TEST(LibusbNoDevice, CountsZeroWithStatusOk) {
    auto library = usb::createLibusbLibrary();
    std::uint32_t count = 99;
    ASSERT_EQ(library->getNumDevices(&count), usb::Ok);
    if (count != 0) {
        char vendor[usb::kStringBufferSize] = {};
        EXPECT_EQ(library->getProductString(0, vendor, usb::kVendorId), usb::Ok);
        EXPECT_STREQ(vendor, "10C4");
        GTEST_SKIP() << count << " box(es) attached to this machine";
    }
    EXPECT_EQ(count, 0u);

    char text[usb::kStringBufferSize];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(library->getProductString(0, text, usb::kSerialNumber), usb::DeviceNotFound);
    usb::Handle h = 7;
    EXPECT_EQ(library->open(0, &h), usb::DeviceNotFound);
    EXPECT_EQ(h, usb::kInvalidHandle);
}

TEST(LibusbNoDevice, CallsOnAnUnknownHandleFail) {
    auto library = usb::createLibusbLibrary();
    std::uint8_t buffer[64] = {};
    std::uint32_t n = 0;
    EXPECT_EQ(library->close(1), usb::InvalidHandle);
    EXPECT_EQ(library->read(1, buffer, 64, &n), usb::InvalidHandle);
    EXPECT_EQ(library->write(1, buffer, 3, &n), usb::InvalidHandle);
    EXPECT_EQ(library->flushBuffers(1, 1, 1), usb::InvalidHandle);
    EXPECT_EQ(library->checkRxQueue(1, &n, nullptr), usb::InvalidHandle);
    EXPECT_EQ(library->close(usb::kInvalidHandle), usb::InvalidHandle);
}

TEST(LibusbNoDevice, TimeoutsNeedNoDevice) {
    auto library = usb::createLibusbLibrary();
    std::uint32_t readMs = 0;
    std::uint32_t writeMs = 0;
    ASSERT_EQ(library->getTimeouts(&readMs, &writeMs), usb::Ok);
    EXPECT_EQ(readMs, usb::kDefaultTimeoutMs);
    EXPECT_EQ(writeMs, usb::kDefaultTimeoutMs);
    ASSERT_EQ(library->setTimeouts(4000, 0), usb::Ok);
    ASSERT_EQ(library->getTimeouts(&readMs, &writeMs), usb::Ok);
    EXPECT_EQ(readMs, 4000u);
    EXPECT_EQ(writeMs, 0u);
}

}  // namespace

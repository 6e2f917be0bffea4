// The libusb back end against fake USB devices, without hardware: umockdev's
// preload library (this program runs under umockdev-wrapper) gives the process
// its own /sys and /dev, and tests/usb_libusb/MockUsbDevice answers the
// usbdevfs ioctls that libusb sends. libusb itself runs unchanged.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/usb_libusb/MockUsbDevice.h"
#include "usb/UsbLibrary.h"

#if defined(__SANITIZE_ADDRESS__)
// umockdev-wrapper puts its preload library first in LD_PRELOAD, before the
// AddressSanitizer runtime, which ASan refuses by default. The order does no
// harm here (the preload library forwards to the next definition, which is
// ASan's interceptor), so the check is switched off. Compiled in rather than
// set in the test environment because CTest's test discovery runs this
// program through the wrapper too, without the tests' environment.
extern "C" const char* __asan_default_options() {
    return "verify_asan_link_order=0";
}
#endif

namespace {

// The faked devices have the same link names in every test program that runs
// at the same time: each program keeps its device locks in a folder of its own.
class LockFolder final : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("v2-libusb-locks-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

private:
    std::filesystem::path dir_;
};

const auto* const kLockFolder = ::testing::AddGlobalTestEnvironment(new LockFolder);

using usbmock::Bytes;
using usbmock::DeviceSpec;
using usbmock::MockUsbDevice;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

DeviceSpec rootHub() {
    DeviceSpec s;
    s.sysName = "usb1";
    s.address = 1;
    s.vendorId = 0x1D6B;
    s.productId = 0x0002;
    s.manufacturer = "Linux";
    s.product = "xHCI Host Controller";
    s.serial = "0000:00:14.0";
    s.hub = true;
    return s;
}

DeviceSpec hub() {
    DeviceSpec s;
    s.sysName = "1-2";
    s.address = 2;
    s.vendorId = 0x05E3;
    s.productId = 0x0608;
    s.manufacturer = "GenesysLogic";
    s.product = "USB2.0 Hub";
    s.serial = "";
    s.hub = true;
    return s;
}

// The box: behind the hub, on port 3.
DeviceSpec box() {
    DeviceSpec s;
    s.sysName = "1-2.3";
    s.address = 5;
    return s;
}

// Same vendor, but the bridge's serial-port product id: not a box.
DeviceSpec serialAdapter() {
    DeviceSpec s;
    s.sysName = "1-1";
    s.address = 3;
    s.productId = 0xEA60;
    s.product = "CP2102 USB to UART Bridge Controller";
    s.serial = "0001";
    return s;
}

// A second box with another serial, on root port 4.
DeviceSpec otherBox() {
    DeviceSpec s;
    s.sysName = "1-4";
    s.address = 4;
    s.serial = "4711";
    s.outEndpoint = 0x01;
    s.inEndpoint = 0x81;
    return s;
}

std::string productString(usb::Library& library, std::uint32_t index, std::uint32_t option,
                          int* status = nullptr) {
    char text[usb::kStringBufferSize];
    std::memset(text, 'x', sizeof text);
    const int s = library.getProductString(index, text, option);
    if (status != nullptr) {
        *status = s;
    }
    return s == usb::Ok ? std::string(text) : std::string("<failed>");
}

class LibusbTest : public ::testing::Test {
protected:
    void SetUp() override {
        devices_.push_back(std::make_unique<MockUsbDevice>(testbed_, rootHub()));
        devices_.push_back(std::make_unique<MockUsbDevice>(testbed_, hub()));
    }

    MockUsbDevice& add(const DeviceSpec& spec) {
        devices_.push_back(std::make_unique<MockUsbDevice>(testbed_, spec));
        return *devices_.back();
    }

    // Created on first use, after the test has added its devices.
    usb::Library& library() {
        if (!library_) {
            library_ = usb::createLibusbLibrary();
        }
        return *library_;
    }

    // The box added and opened; the answer to each write is computed by the responder.
    usb::Handle openBox(MockUsbDevice& device) {
        std::uint32_t count = 0;
        EXPECT_EQ(library().getNumDevices(&count), usb::Ok);
        EXPECT_GE(count, 1u);
        usb::Handle h = usb::kInvalidHandle;
        EXPECT_EQ(library().open(0, &h), usb::Ok);
        EXPECT_NE(h, usb::kInvalidHandle);
        // The IN transfers that wait for the box's answers are in place.
        EXPECT_TRUE(device.waitFor([&] { return device.pendingInUrbs() > 0; }));
        return h;
    }

    // Waits until the receive queue holds bytes; returns its count.
    std::uint32_t waitForQueue(usb::Handle h, milliseconds limit = milliseconds(2000)) {
        const auto start = Clock::now();
        std::uint32_t count = 0;
        std::uint32_t queueStatus = 0;
        while (since(start) < limit) {
            EXPECT_EQ(library().checkRxQueue(h, &count, &queueStatus), usb::Ok);
            if (count > 0) {
                EXPECT_EQ(queueStatus, 2u);
                return count;
            }
        }
        return 0;
    }

    Bytes readAll(usb::Handle h, std::uint32_t max = 64) {
        Bytes bytes(max);
        std::uint32_t n = 0;
        EXPECT_EQ(library().read(h, bytes.data(), max, &n), usb::Ok);
        bytes.resize(n);
        return bytes;
    }

    usbmock::Testbed testbed_;
    std::vector<std::unique_ptr<MockUsbDevice>> devices_;
    std::unique_ptr<usb::Library> library_;  // goes before the devices

    void TearDown() override { library_.reset(); }
};

// An answer for each request: the command code echoed, then the request reversed.
Bytes echoAnswer(const Bytes& request) {
    Bytes answer(request.size() + 1);
    answer[0] = request.size() >= 3 ? request[2] : 0;
    std::copy(request.rbegin(), request.rend(), answer.begin() + 1);
    return answer;
}

TEST_F(LibusbTest, CountsOnlyDevicesWithTheBoxIds) {
    add(serialAdapter());
    add(box());
    std::uint32_t count = 99;
    ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    EXPECT_EQ(count, 1u);  // not the root hub, the hub or the serial adapter
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
    int status = 0;
    productString(library(), 1, usb::kSerialNumber, &status);
    EXPECT_EQ(status, usb::DeviceNotFound);
    EXPECT_EQ(library().getNumDevices(nullptr), usb::InvalidParameter);
}

TEST_F(LibusbTest, OnlyNonMatchingDevicesCountZero) {
    add(serialAdapter());
    std::uint32_t count = 99;
    ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    EXPECT_EQ(count, 0u);
    usb::Handle h = 7;
    EXPECT_EQ(library().open(0, &h), usb::DeviceNotFound);
    EXPECT_EQ(h, usb::kInvalidHandle);
}

TEST_F(LibusbTest, EnumerationOrderFollowsTheBusAndPorts) {
    // Added in the opposite order; the index follows the ports: 1-2.3 before 1-4.
    add(otherBox());
    add(serialAdapter());
    add(box());
    std::uint32_t count = 0;
    ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
    EXPECT_EQ(productString(library(), 1, usb::kSerialNumber), "4711");
    EXPECT_EQ(productString(library(), 0, usb::kLinkName), "usb:1-2.3");
    EXPECT_EQ(productString(library(), 1, usb::kLinkName), "usb:1-4");
    // The same again: the order is stable.
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
}

TEST_F(LibusbTest, DeviceStringsForEachOption) {
    add(box());
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
    EXPECT_EQ(productString(library(), 0, usb::kDescription), "VORTILAN2");
    EXPECT_EQ(productString(library(), 0, usb::kLinkName), "usb:1-2.3");
    EXPECT_EQ(productString(library(), 0, usb::kVendorId), "10C4");
    EXPECT_EQ(productString(library(), 0, usb::kProductId), "EA61");
    int status = 0;
    productString(library(), 0, 5, &status);
    EXPECT_EQ(status, usb::InvalidParameter);
    EXPECT_EQ(library().getProductString(0, nullptr, usb::kSerialNumber), usb::InvalidParameter);
}

TEST_F(LibusbTest, StringQueriesLeaveTheDeviceClosed) {
    MockUsbDevice& device = add(box());
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
    EXPECT_TRUE(device.waitFor([&] { return device.claimedInterfaces() == 0; }));
    EXPECT_TRUE(device.vendorRequests().empty());
}

TEST_F(LibusbTest, OpenClaimsTheInterfaceAndSendsClearToSend) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    EXPECT_EQ(device.claimedInterfaces(), 1);
    const auto requests = device.vendorRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestType, 0x40);
    EXPECT_EQ(requests[0].request, 0x02);
    EXPECT_EQ(requests[0].value, 0x0002);
    EXPECT_EQ(requests[0].index, 0x0000);
    EXPECT_TRUE(requests[0].data.empty());
    EXPECT_TRUE(device.waitFor([&] { return device.pendingInUrbs() > 0; }));
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, OpeningAnOpenDeviceAgainFails) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    usb::Handle second = 7;
    EXPECT_NE(library().open(0, &second), usb::Ok);
    EXPECT_EQ(second, usb::kInvalidHandle);
    EXPECT_EQ(library().close(h), usb::Ok);
    EXPECT_EQ(library().open(0, &second), usb::Ok);  // free again after the close
    EXPECT_EQ(library().close(second), usb::Ok);
}

TEST_F(LibusbTest, WriteIsOneBulkOutTransferAndTheAnswerIsRead) {
    MockUsbDevice& device = add(box());
    device.setResponder(echoAnswer);
    usb::Handle h = openBox(device);

    const Bytes request = {0x11, 0x03, 0xE1};
    std::uint32_t written = 0;
    ASSERT_EQ(library().write(h, request.data(), 3, &written), usb::Ok);
    EXPECT_EQ(written, 3u);
    const auto out = device.bulkOut();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], request);

    EXPECT_EQ(waitForQueue(h), 4u);
    EXPECT_EQ(readAll(h), (Bytes{0xE1, 0xE1, 0x03, 0x11}));
    std::uint32_t count = 9;
    EXPECT_EQ(library().checkRxQueue(h, &count, nullptr), usb::Ok);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, EndpointsComeFromTheDescriptors) {
    MockUsbDevice& device = add(otherBox());  // endpoints 0x01 and 0x81
    device.setResponder(echoAnswer);
    usb::Handle h = openBox(device);
    const Bytes request = {0x01, 0x01, 0xDA};
    std::uint32_t written = 0;
    ASSERT_EQ(library().write(h, request.data(), 3, &written), usb::Ok);
    EXPECT_EQ(device.bulkOut().size(), 1u);
    EXPECT_EQ(waitForQueue(h), 4u);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, ReadReturnsWhatIsThereAndKeepsTheRest) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    Bytes answer(100);
    for (std::size_t i = 0; i < answer.size(); ++i) {
        answer[i] = static_cast<std::uint8_t>(i);
    }
    device.sendToHost(answer);
    const auto start = Clock::now();
    while (since(start) < milliseconds(2000)) {
        std::uint32_t count = 0;
        ASSERT_EQ(library().checkRxQueue(h, &count, nullptr), usb::Ok);
        if (count == 100) {
            break;
        }
    }
    const Bytes first = readAll(h, 64);
    EXPECT_EQ(first, Bytes(answer.begin(), answer.begin() + 64));
    const Bytes rest = readAll(h, 64);  // fewer than asked
    EXPECT_EQ(rest, Bytes(answer.begin() + 64, answer.end()));
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, AnAnswerOfExactlyOnePacketIsNotHeldBack) {
    // The device sends no zero-length packet after a full 64-byte packet.
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    device.sendToHost(Bytes(64, 0xA5));
    EXPECT_EQ(waitForQueue(h), 64u);
    EXPECT_EQ(readAll(h), Bytes(64, 0xA5));
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, ReadWaitsUpToTheReadTimeout) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    ASSERT_EQ(library().setTimeouts(150, 1000), usb::Ok);
    Bytes buffer(64);
    std::uint32_t n = 99;
    auto start = Clock::now();
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::ReadTimedOut);
    EXPECT_GE(since(start).count(), 140);
    EXPECT_LT(since(start).count(), 1000);
    EXPECT_EQ(n, 0u);

    // Bytes that arrive during the wait end it at once.
    ASSERT_EQ(library().setTimeouts(3000, 1000), usb::Ok);
    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(50));
        device.sendToHost({1, 2, 3});
    });
    start = Clock::now();
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::Ok);
    EXPECT_LT(since(start).count(), 1500);
    EXPECT_EQ(n, 3u);
    sender.join();

    // A read time-out of 0 does not wait.
    ASSERT_EQ(library().setTimeouts(0, 1000), usb::Ok);
    start = Clock::now();
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::ReadTimedOut);
    EXPECT_LT(since(start).count(), 100);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, WriteTimesOutWhenTheDeviceTakesNothing) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    device.holdOut(true);
    ASSERT_EQ(library().setTimeouts(1000, 100), usb::Ok);
    const Bytes request = {0x01, 0x01, 0xD5};
    std::uint32_t written = 99;
    const auto start = Clock::now();
    EXPECT_EQ(library().write(h, request.data(), 3, &written), usb::WriteTimedOut);
    EXPECT_GE(since(start).count(), 90);
    EXPECT_LT(since(start).count(), 1000);
    EXPECT_EQ(written, 0u);
    device.holdOut(false);
    ASSERT_EQ(library().setTimeouts(1000, 1000), usb::Ok);
    EXPECT_EQ(library().write(h, request.data(), 3, &written), usb::Ok);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, TimeoutsAreHostSideOnly) {
    MockUsbDevice& device = add(box());
    std::uint32_t readMs = 0;
    std::uint32_t writeMs = 0;
    ASSERT_EQ(library().getTimeouts(&readMs, &writeMs), usb::Ok);
    EXPECT_EQ(readMs, usb::kDefaultTimeoutMs);
    EXPECT_EQ(writeMs, usb::kDefaultTimeoutMs);
    usb::Handle h = openBox(device);
    device.clearRecord();
    ASSERT_EQ(library().setTimeouts(4000, 0), usb::Ok);
    ASSERT_EQ(library().getTimeouts(&readMs, &writeMs), usb::Ok);
    EXPECT_EQ(readMs, 4000u);
    EXPECT_EQ(writeMs, 0u);
    EXPECT_EQ(library().getTimeouts(nullptr, &writeMs), usb::InvalidParameter);
    EXPECT_TRUE(device.vendorRequests().empty());
    EXPECT_TRUE(device.bulkOut().empty());
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, FlushPurgesTheDeviceAndEmptiesTheQueue) {
    MockUsbDevice& device = add(box());
    device.setResponder(echoAnswer);
    usb::Handle h = openBox(device);
    device.sendToHost({9, 9, 9, 9, 9});
    ASSERT_EQ(waitForQueue(h), 5u);
    device.clearRecord();

    ASSERT_EQ(library().flushBuffers(h, 1, 1), usb::Ok);
    const auto requests = device.vendorRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestType, 0x40);
    EXPECT_EQ(requests[0].request, 0x02);
    EXPECT_EQ(requests[0].value, 0x0001);
    std::uint32_t count = 9;
    EXPECT_EQ(library().checkRxQueue(h, &count, nullptr), usb::Ok);
    EXPECT_EQ(count, 0u);

    // The next exchange gets its own answer only.
    const Bytes request = {0x11, 0x03, 0xE1};
    std::uint32_t written = 0;
    ASSERT_EQ(library().write(h, request.data(), 3, &written), usb::Ok);
    EXPECT_EQ(waitForQueue(h), 4u);
    EXPECT_EQ(readAll(h), (Bytes{0xE1, 0xE1, 0x03, 0x11}));
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, CloseSendsItsRequestAndReleasesTheDevice) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    device.clearRecord();
    ASSERT_EQ(library().close(h), usb::Ok);
    const auto requests = device.vendorRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestType, 0x40);
    EXPECT_EQ(requests[0].request, 0x02);
    EXPECT_EQ(requests[0].value, 0x0004);
    EXPECT_TRUE(device.waitFor([&] { return device.claimedInterfaces() == 0; }));
    EXPECT_EQ(device.pendingInUrbs(), 0);

    // The handle is no longer valid.
    Bytes buffer(64);
    std::uint32_t n = 0;
    EXPECT_EQ(library().close(h), usb::InvalidHandle);
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::InvalidHandle);
    EXPECT_EQ(library().write(h, buffer.data(), 3, &n), usb::InvalidHandle);
    EXPECT_EQ(library().flushBuffers(h, 1, 1), usb::InvalidHandle);
    EXPECT_EQ(library().checkRxQueue(h, &n, nullptr), usb::InvalidHandle);
}

TEST_F(LibusbTest, UnpluggedDeviceFailsEveryCallAtOnce) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    ASSERT_EQ(library().setTimeouts(5000, 5000), usb::Ok);
    device.unplug();

    Bytes buffer(64);
    std::uint32_t n = 0;
    auto start = Clock::now();
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::ReadError);
    EXPECT_LT(since(start).count(), 1000);

    start = Clock::now();
    EXPECT_EQ(library().write(h, buffer.data(), 3, &n), usb::WriteError);
    EXPECT_NE(library().checkRxQueue(h, &n, nullptr), usb::Ok);
    EXPECT_NE(library().flushBuffers(h, 1, 1), usb::Ok);
    int status = usb::Ok;
    productString(library(), 0, usb::kSerialNumber, &status);
    EXPECT_NE(status, usb::Ok);
    usb::Handle again = 7;
    EXPECT_NE(library().open(0, &again), usb::Ok);
    EXPECT_EQ(again, usb::kInvalidHandle);
    EXPECT_LT(since(start).count(), 1000);

    // The device list follows the remove event.
    start = Clock::now();
    std::uint32_t count = 1;
    while (count != 0 && since(start) < milliseconds(2000)) {
        ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    }
    EXPECT_EQ(count, 0u);

    start = Clock::now();
    EXPECT_EQ(library().close(h), usb::Ok);  // releases what is left
    EXPECT_LT(since(start).count(), 1000);
}

TEST_F(LibusbTest, BytesThatArrivedBeforeTheUnplugCanStillBeRead) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    device.sendToHost({0xDA, 0x01});
    ASSERT_EQ(waitForQueue(h), 2u);
    device.unplug();
    EXPECT_EQ(readAll(h), (Bytes{0xDA, 0x01}));
    Bytes buffer(64);
    std::uint32_t n = 0;
    ASSERT_EQ(library().setTimeouts(5000, 5000), usb::Ok);
    const auto start = Clock::now();
    EXPECT_EQ(library().read(h, buffer.data(), 64, &n), usb::ReadError);
    EXPECT_LT(since(start).count(), 1000);
    EXPECT_EQ(library().checkRxQueue(h, &n, nullptr), usb::DeviceIoFailed);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, UnplugEndsAWaitingReadAtOnce) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    ASSERT_EQ(library().setTimeouts(10000, 10000), usb::Ok);
    auto reader = std::async(std::launch::async, [&] {
        Bytes buffer(64);
        std::uint32_t n = 0;
        return library().read(h, buffer.data(), 64, &n);
    });
    std::this_thread::sleep_for(milliseconds(100));
    const auto start = Clock::now();
    device.unplug();
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(reader.get(), usb::ReadError);
    EXPECT_LT(since(start).count(), 1000);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, UnplugEndsAPendingWriteAtOnce) {
    MockUsbDevice& device = add(box());
    usb::Handle h = openBox(device);
    ASSERT_EQ(library().setTimeouts(10000, 10000), usb::Ok);
    device.holdOut(true);
    auto writer = std::async(std::launch::async, [&] {
        const Bytes request = {0x01, 0x01, 0xD9};
        std::uint32_t n = 0;
        return library().write(h, request.data(), 3, &n);
    });
    std::this_thread::sleep_for(milliseconds(100));
    const auto start = Clock::now();
    device.unplug();
    ASSERT_EQ(writer.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(writer.get(), usb::WriteError);
    EXPECT_LT(since(start).count(), 1000);
    EXPECT_EQ(library().close(h), usb::Ok);
}

TEST_F(LibusbTest, ABoxPluggedInLaterIsFound) {
    std::uint32_t count = 9;
    ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    EXPECT_EQ(count, 0u);
    MockUsbDevice& device = add(box());
    umockdev_testbed_uevent(testbed_.get(), device.sysPath().c_str(), "add");
    const auto start = Clock::now();
    while (count == 0 && since(start) < milliseconds(2000)) {
        ASSERT_EQ(library().getNumDevices(&count), usb::Ok);
    }
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(productString(library(), 0, usb::kSerialNumber), "2026");
}

TEST_F(LibusbTest, CallsFromAnotherThread) {
    // The updater talks to the box from a worker thread.
    MockUsbDevice& device = add(box());
    device.setResponder(echoAnswer);
    usb::Handle h = openBox(device);
    std::thread worker([&] {
        for (std::uint8_t code = 0xD5; code <= 0xDC; ++code) {
            const Bytes request = {0x01, 0x01, code};
            std::uint32_t n = 0;
            ASSERT_EQ(library().flushBuffers(h, 1, 1), usb::Ok);
            ASSERT_EQ(library().write(h, request.data(), 3, &n), usb::Ok);
            ASSERT_EQ(waitForQueue(h), 4u);
            EXPECT_EQ(readAll(h)[0], code);
        }
    });
    worker.join();
    EXPECT_EQ(library().close(h), usb::Ok);
}

}  // namespace

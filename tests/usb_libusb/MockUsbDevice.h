// A fake USB device for the libusb back end's tests, without hardware.
//
// umockdev (its preload library, run through umockdev-wrapper) makes the
// device appear in a private /sys and /dev; this class answers the usbdevfs
// ioctls that libusb sends to its device node: URBs on endpoint 0 (string
// descriptors, vendor requests) and on one bulk OUT and one bulk IN endpoint,
// reaping, cancelling, claiming. It behaves like the kernel where libusb can
// tell: bulk IN data goes in packets of at most 64 bytes, a URB completes on a
// short packet or when full, and an unplugged device kills its URBs
// (-ESHUTDOWN) and answers every further ioctl but reaping with ENODEV.
#pragma once

#include <umockdev.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace usbmock {

using Bytes = std::vector<std::uint8_t>;

// A umockdev test bed: a private /sys and /dev for this process, removed again
// when the object goes away.
class Testbed {
public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    UMockdevTestbed* get() const { return testbed_; }

private:
    UMockdevTestbed* testbed_;
};

struct DeviceSpec {
    std::string sysName;  // kernel name, for example "1-2.3"; its parent must exist
    int bus = 1;
    int address = 2;  // device number on the bus
    std::uint16_t vendorId = 0x10C4;
    std::uint16_t productId = 0xEA61;
    std::string manufacturer = "USB bridge";
    std::string product = "VORTILAN2";
    std::string serial = "2026";
    std::uint8_t outEndpoint = 0x02;
    std::uint8_t inEndpoint = 0x83;
    std::uint8_t interfaceClass = 0xFF;
    bool hub = false;  // a hub (root hubs are named "usbN"); no bulk endpoints
};

// One vendor (or other non-standard) control request as the device saw it.
struct ControlRequest {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    Bytes data;
};

class MockUsbDevice {
public:
    MockUsbDevice(Testbed& testbed, DeviceSpec spec);
    ~MockUsbDevice();
    MockUsbDevice(const MockUsbDevice&) = delete;
    MockUsbDevice& operator=(const MockUsbDevice&) = delete;

    const DeviceSpec& spec() const { return spec_; }
    const std::string& sysPath() const { return sysPath_; }
    std::string devNode() const;

    // What the device saw.
    std::vector<ControlRequest> vendorRequests() const;
    std::vector<Bytes> bulkOut() const;
    void clearRecord();
    // Device nodes open on it, interfaces claimed, URBs waiting on the IN endpoint.
    int openClients() const;
    int claimedInterfaces() const;
    int pendingInUrbs() const;
    // Answer bytes still in the device's FIFO (not yet taken by an IN URB).
    std::size_t unsentBytes() const;

    // Bytes the device sends to the host; they go out in packets of 64.
    void sendToHost(const Bytes& bytes);
    // Computes the answer to each bulk OUT transfer (none by default).
    void setResponder(std::function<Bytes(const Bytes&)> responder);
    // While set, bulk OUT URBs are not completed (the device NAKs).
    void holdOut(bool hold);

    // Removes the device: kills its URBs, sends the remove uevent and removes
    // it from the test bed. Every later ioctl fails with ENODEV.
    void unplug();
    bool unplugged() const;

    // Waits until the predicate (which may use the accessors above) holds.
    bool waitFor(const std::function<bool()>& predicate,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) const;

private:
    struct Urb {
        UMockdevIoctlData* urb = nullptr;     // one reference owned here
        UMockdevIoctlData* buffer = nullptr;  // one reference owned here, null if no data
        gulong clientAddress = 0;
        int status = 0;
        int actualLength = 0;
    };
    struct Client {
        std::deque<Urb> pendingIn;
        std::deque<Urb> pendingOut;
        std::deque<Urb> completed;
        int claimed = 0;
    };

    static gboolean onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    static void onClientConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                  gpointer self);
    static void onClientVanished(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                 gpointer self);
    void handleIoctl(UMockdevIoctlClient* client);
    void submitUrb(UMockdevIoctlClient* client, Client& state);
    void reapUrb(UMockdevIoctlClient* client, Client& state);
    void discardUrb(UMockdevIoctlClient* client, Client& state);
    void control(Urb& urb);
    void fillInUrbs();
    void releaseHeldOut();
    static void release(Urb& urb);
    Bytes deviceDescriptor() const;
    Bytes configDescriptor() const;
    Bytes stringDescriptor(std::uint8_t index, bool* found) const;

    Testbed& testbed_;
    const DeviceSpec spec_;
    std::string sysPath_;
    UMockdevIoctlBase* handler_ = nullptr;

    mutable std::mutex mutex_;
    std::map<UMockdevIoctlClient*, Client> clients_;
    std::vector<ControlRequest> vendorRequests_;
    std::vector<Bytes> bulkOut_;
    std::deque<Bytes> fifo_;  // packets of at most 64 bytes, oldest first
    std::function<Bytes(const Bytes&)> responder_;
    bool holdOut_ = false;
    bool unplugged_ = false;
};

}  // namespace usbmock

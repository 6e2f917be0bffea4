// The real-device back end: the USB layer's contract (UsbLibrary.h) over
// libusb-1.0. This is the only file that includes libusb.h.
//
// The box is a USB bridge chip with vendor id 0x10C4, one of the product ids
// of kProductIds, and one vendor-specific interface (class 0xFF) with a bulk
// OUT and a bulk IN endpoint. docs/usb.md describes the mapping of every call.
//
// Threads: calls come one at a time (mutex_ serialises them, as in the socket
// back end). One event thread per library instance runs libusb's event loop;
// it completes the bulk IN transfers that are kept queued on every open
// device and appends what they bring to that device's receive queue, under
// the device's own lock. Lock order: mutex_, then a device's lock; the event
// thread takes only device locks. The only libusb call made while a device's
// lock is held is libusb_submit_transfer of an IN transfer (so that the
// transfer is counted as in flight before its callback can run); libusb takes
// none of its locks around completion callbacks that this could clash with.
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "DeviceLock.h"
#include "KeptTimeouts.h"
#include "UsbLibrary.h"

namespace usb {

namespace {

// The box's vendor requests: bmRequestType 0x40 (vendor, to the device),
// bRequest 0x02, and a wValue that says what to do.
constexpr std::uint8_t kVendorRequestType = 0x40;  // vendor request, host to device
constexpr std::uint8_t kVendorRequest = 0x02;
constexpr std::uint16_t kPurge = 0x0001;        // drop what the device has not sent yet
constexpr std::uint16_t kClearToSend = 0x0002;  // right after opening
constexpr std::uint16_t kCloseValue = 0x0004;   // before closing
constexpr unsigned kControlTimeoutMs = 1000;

constexpr std::uint8_t kVendorClass = LIBUSB_CLASS_VENDOR_SPEC;  // 0xFF
constexpr int kInTransfers = 8;  // bulk IN transfers kept queued per device
constexpr int kDefaultPacketSize = 64;
constexpr int kMaxErrorRun = 8;  // failed IN transfers in a row before giving up
constexpr auto kQueueCheckWait = std::chrono::milliseconds(1);
constexpr auto kCancelWait = std::chrono::milliseconds(2000);

int statusOf(int libusbError, int otherwise) {
    switch (libusbError) {
        case LIBUSB_SUCCESS:
            return Ok;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return DeviceNotFound;
        case LIBUSB_ERROR_ACCESS:
            return AccessDenied;
        default:
            return otherwise;
    }
}

// True when the system has any USB bus that libusb could use.
bool anyUsbBus() {
    return ::access("/dev/bus/usb", F_OK) == 0 || ::access("/sys/bus/usb/devices", F_OK) == 0;
}

// One open device: its libusb handle, its endpoints and its receive queue.
struct OpenDevice {
    libusb_device_handle* handle = nullptr;
    int interfaceNumber = 0;
    unsigned char inEndpoint = 0;
    unsigned char outEndpoint = 0;
    int inPacketSize = kDefaultPacketSize;
    std::unique_ptr<DeviceLock> lock;  // held while the device is open

    // Everything below is shared with the event thread and guarded by mutex.
    std::mutex mutex;
    std::condition_variable changed;  // bytes arrived, a transfer ended, the device went
    std::deque<std::uint8_t> queue;   // the host-side receive queue
    bool gone = false;                // unplugged, or the IN endpoint no longer delivers
    bool resubmit = false;            // completed IN transfers go back to the device
    int inFlight = 0;                 // IN transfers submitted and not yet called back
    int errorRun = 0;
    std::vector<libusb_transfer*> transfers;
    std::vector<std::vector<unsigned char>> buffers;
    std::vector<bool> submitted;

    ~OpenDevice() {
        for (libusb_transfer* t : transfers) {
            libusb_free_transfer(t);
        }
    }

    // Index of a transfer of this device.
    std::size_t indexOf(const libusb_transfer* t) const {
        return static_cast<std::size_t>(std::find(transfers.begin(), transfers.end(), t) -
                                        transfers.begin());
    }
};

// Completion of a bulk IN transfer, on the event thread.
void LIBUSB_CALL onInTransfer(libusb_transfer* t) {
    auto* d = static_cast<OpenDevice*>(t->user_data);
    std::lock_guard lock(d->mutex);
    const std::size_t i = d->indexOf(t);
    if (i < d->submitted.size() && d->submitted[i]) {
        d->submitted[i] = false;
        --d->inFlight;
    }
    bool again = false;
    switch (t->status) {
        case LIBUSB_TRANSFER_COMPLETED:
            d->errorRun = 0;
            // While resubmit is off the host is flushing or closing: these bytes
            // are thrown away with the rest.
            if (d->resubmit) {
                d->queue.insert(d->queue.end(), t->buffer, t->buffer + t->actual_length);
                again = true;
            }
            break;
        case LIBUSB_TRANSFER_CANCELLED:
            break;
        case LIBUSB_TRANSFER_NO_DEVICE:
            d->gone = true;
            break;
        default:  // stall, overflow, transfer error: retry a few times, then give up
            if (d->resubmit) {
                again = ++d->errorRun < kMaxErrorRun;
                if (!again) {
                    d->gone = true;
                }
            }
            break;
    }
    if (again && !d->gone) {
        const int r = libusb_submit_transfer(t);
        if (r == LIBUSB_SUCCESS) {
            d->submitted[i] = true;
            ++d->inFlight;
        } else if (r == LIBUSB_ERROR_NO_DEVICE || d->inFlight == 0) {
            d->gone = true;
        }
    }
    d->changed.notify_all();
}

// Submits every IN transfer that is not in flight; false if none is.
bool startTransfers(OpenDevice& d) {
    std::lock_guard lock(d.mutex);
    d.resubmit = true;
    d.errorRun = 0;
    for (std::size_t i = 0; i < d.transfers.size() && !d.gone; ++i) {
        if (d.submitted[i]) {
            continue;
        }
        const int r = libusb_submit_transfer(d.transfers[i]);
        if (r == LIBUSB_SUCCESS) {
            d.submitted[i] = true;
            ++d.inFlight;
        } else if (r == LIBUSB_ERROR_NO_DEVICE) {
            d.gone = true;
        }
    }
    if (d.inFlight == 0) {
        d.gone = true;
    }
    return !d.gone;
}

// Cancels the IN transfers and waits until all have been called back; false
// if some are still in flight after kCancelWait (their memory must then stay).
bool stopTransfers(OpenDevice& d) {
    std::vector<libusb_transfer*> flying;
    {
        std::lock_guard lock(d.mutex);
        d.resubmit = false;
        for (std::size_t i = 0; i < d.transfers.size(); ++i) {
            if (d.submitted[i]) {
                flying.push_back(d.transfers[i]);
            }
        }
    }
    for (libusb_transfer* t : flying) {
        libusb_cancel_transfer(t);  // fails harmlessly for a transfer that just completed
    }
    std::unique_lock lock(d.mutex);
    return d.changed.wait_for(lock, kCancelWait, [&] { return d.inFlight == 0; });
}

int vendorRequest(OpenDevice& d, std::uint16_t value) {
    const int r = libusb_control_transfer(d.handle, kVendorRequestType, kVendorRequest, value, 0,
                                          nullptr, 0, kControlTimeoutMs);
    if (r == LIBUSB_ERROR_NO_DEVICE) {
        std::lock_guard lock(d.mutex);
        d.gone = true;
    }
    return r < 0 ? r : LIBUSB_SUCCESS;
}

// The vendor-specific interface with one bulk IN and one bulk OUT endpoint.
struct BoxInterface {
    int number = -1;
    unsigned char inEndpoint = 0;
    unsigned char outEndpoint = 0;
    int inPacketSize = kDefaultPacketSize;
};

int findInterface(libusb_device* device, BoxInterface* found) {
    libusb_config_descriptor* config = nullptr;
    const int r = libusb_get_active_config_descriptor(device, &config);
    if (r != LIBUSB_SUCCESS) {
        return r;
    }
    for (int i = 0; i < config->bNumInterfaces && found->number < 0; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) {
            continue;
        }
        const libusb_interface_descriptor& alt = interface.altsetting[0];
        if (alt.bInterfaceClass != kVendorClass) {
            continue;
        }
        BoxInterface candidate;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[e];
            if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) {
                continue;
            }
            if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
                if (candidate.inEndpoint == 0) {
                    candidate.inEndpoint = ep.bEndpointAddress;
                    const int size = ep.wMaxPacketSize & 0x7FF;
                    candidate.inPacketSize = size > 0 ? size : kDefaultPacketSize;
                }
            } else if (candidate.outEndpoint == 0) {
                candidate.outEndpoint = ep.bEndpointAddress;
            }
        }
        if (candidate.inEndpoint != 0 && candidate.outEndpoint != 0) {
            candidate.number = alt.bInterfaceNumber;
            *found = candidate;
        }
    }
    libusb_free_config_descriptor(config);
    return found->number >= 0 ? LIBUSB_SUCCESS : LIBUSB_ERROR_NOT_SUPPORTED;
}

bool isBox(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
        descriptor.idVendor != kVendorIdValue) {
        return false;
    }
    return std::find(std::begin(kProductIds), std::end(kProductIds), descriptor.idProduct) !=
           std::end(kProductIds);
}

// Where a device is attached: its bus, then the port on each hub from the root.
std::vector<int> positionOf(libusb_device* device) {
    std::vector<int> position{libusb_get_bus_number(device)};
    std::uint8_t ports[16];
    const int n = libusb_get_port_numbers(device, ports, sizeof ports);
    for (int i = 0; i < n; ++i) {
        position.push_back(ports[i]);
    }
    return position;
}

// "usb:<bus>-<port>.<port>...", the kernel's name for the device with a prefix.
std::string linkNameOf(libusb_device* device) {
    const std::vector<int> position = positionOf(device);
    std::string name = "usb:" + std::to_string(position[0]);
    for (std::size_t i = 1; i < position.size(); ++i) {
        name += (i == 1 ? "-" : ".") + std::to_string(position[i]);
    }
    return name;
}

// The attached boxes in a stable order: by bus, then by port path, then by address.
class Enumeration {
public:
    Enumeration() = default;
    Enumeration(const Enumeration&) = delete;
    Enumeration& operator=(const Enumeration&) = delete;
    ~Enumeration() {
        if (list_ != nullptr) {
            libusb_free_device_list(list_, 1);
        }
    }

    // False if libusb could not list the devices.
    bool take(libusb_context* ctx) {
        const ssize_t n = libusb_get_device_list(ctx, &list_);
        if (n < 0) {
            list_ = nullptr;
            return false;
        }
        std::vector<std::pair<std::vector<int>, libusb_device*>> found;
        for (ssize_t i = 0; i < n; ++i) {
            if (isBox(list_[i])) {
                std::vector<int> key = positionOf(list_[i]);
                key.push_back(-1);  // a device comes before those below it
                key.push_back(libusb_get_device_address(list_[i]));
                found.emplace_back(std::move(key), list_[i]);
            }
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [key, device] : found) {
            (void)key;
            boxes_.push_back(device);
        }
        return true;
    }

    const std::vector<libusb_device*>& boxes() const { return boxes_; }

private:
    libusb_device** list_ = nullptr;
    std::vector<libusb_device*> boxes_;
};

class LibusbLibrary final : public KeptTimeoutsLibrary {
public:
    LibusbLibrary() = default;
    LibusbLibrary(const LibusbLibrary&) = delete;
    LibusbLibrary& operator=(const LibusbLibrary&) = delete;

    ~LibusbLibrary() override {
        std::lock_guard lock(mutex_);
        while (!open_.empty()) {
            closeDevice(std::move(open_.begin()->second));
            open_.erase(open_.begin());
        }
        if (ctx_ != nullptr) {
            if (hotplugRegistered_) {
                libusb_hotplug_deregister_callback(ctx_, hotplugHandle_);
            }
            stopEvents_ = true;
            libusb_interrupt_event_handler(ctx_);
            events_.join();
            libusb_exit(ctx_);
        }
    }

    int getNumDevices(std::uint32_t* count) override {
        if (count == nullptr) {
            return InvalidParameter;
        }
        std::lock_guard lock(mutex_);
        *count = 0;
        Enumeration boxes;
        const int status = enumerate(boxes);
        if (status == Ok) {
            *count = static_cast<std::uint32_t>(boxes.boxes().size());
        }
        return status;
    }

    int getProductString(std::uint32_t index, char* buffer, std::uint32_t option) override {
        if (buffer == nullptr) {
            return InvalidParameter;
        }
        std::lock_guard lock(mutex_);
        Enumeration boxes;
        const int status = enumerate(boxes);
        if (status != Ok) {
            return status;
        }
        if (index >= boxes.boxes().size()) {
            return DeviceNotFound;
        }
        libusb_device* device = boxes.boxes()[index];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
            return DeviceIoFailed;
        }
        std::string text;
        switch (option) {
            case kSerialNumber:
            case kDescription: {
                const int r = readString(
                    device,
                    option == kSerialNumber ? descriptor.iSerialNumber : descriptor.iProduct,
                    &text);
                if (r != Ok) {
                    return r;
                }
                break;
            }
            case kLinkName:
                text = linkNameOf(device);
                break;
            case kVendorId:
            case kProductId: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%04X",
                              option == kVendorId ? descriptor.idVendor : descriptor.idProduct);
                text = hex;
                break;
            }
            default:
                return InvalidParameter;
        }
        const std::size_t n = std::min<std::size_t>(text.size(), kStringBufferSize - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return Ok;
    }

    int open(std::uint32_t index, Handle* handle) override {
        if (handle == nullptr) {
            return InvalidParameter;
        }
        *handle = kInvalidHandle;
        std::lock_guard lock(mutex_);
        Enumeration boxes;
        const int status = enumerate(boxes);
        if (status != Ok) {
            return status;
        }
        if (index >= boxes.boxes().size()) {
            return DeviceNotFound;
        }
        libusb_device* device = boxes.boxes()[index];
        if (openHandleOf(device) != nullptr) {
            return DeviceIoFailed;  // already open here; the interface is claimed
        }
        auto deviceLock = DeviceLock::acquire(linkNameOf(device));
        if (deviceLock == nullptr) {
            return DeviceIoFailed;  // another program has the box
        }
        BoxInterface interface;
        int r = findInterface(device, &interface);
        if (r != LIBUSB_SUCCESS) {
            return statusOf(r, DeviceIoFailed);
        }

        auto d = std::make_unique<OpenDevice>();
        d->lock = std::move(deviceLock);
        d->interfaceNumber = interface.number;
        d->inEndpoint = interface.inEndpoint;
        d->outEndpoint = interface.outEndpoint;
        d->inPacketSize = interface.inPacketSize;
        for (int i = 0; i < kInTransfers; ++i) {
            libusb_transfer* t = libusb_alloc_transfer(0);
            if (t == nullptr) {
                return DeviceIoFailed;
            }
            d->transfers.push_back(t);
            d->buffers.emplace_back(static_cast<std::size_t>(d->inPacketSize));
            d->submitted.push_back(false);
        }

        r = libusb_open(device, &d->handle);
        if (r != LIBUSB_SUCCESS) {
            d->handle = nullptr;
            return statusOf(r, DeviceIoFailed);
        }
        // A kernel driver (cp210x knows some of the bridge's ids) gives way to us.
        libusb_set_auto_detach_kernel_driver(d->handle, 1);
        r = libusb_claim_interface(d->handle, d->interfaceNumber);
        if (r != LIBUSB_SUCCESS) {
            libusb_close(d->handle);
            return statusOf(r, DeviceIoFailed);  // busy: another program has the box
        }
        for (std::size_t i = 0; i < d->transfers.size(); ++i) {
            // Transfers of one packet each: every packet completes one, so an
            // answer that ends on a packet boundary is not held back.
            libusb_fill_bulk_transfer(d->transfers[i], d->handle, d->inEndpoint,
                                      d->buffers[i].data(), d->inPacketSize, &onInTransfer, d.get(),
                                      0);
        }
        r = vendorRequest(*d, kClearToSend);
        if (r != LIBUSB_SUCCESS || !startTransfers(*d)) {
            const int failure = r != LIBUSB_SUCCESS ? statusOf(r, DeviceIoFailed)
                                : isGone(*d)        ? DeviceNotFound
                                                    : DeviceIoFailed;
            if (!stopTransfers(*d)) {
                (void)d.release();  // see closeDevice
                return failure;
            }
            libusb_release_interface(d->handle, d->interfaceNumber);
            libusb_close(d->handle);
            return failure;
        }
        const Handle h = nextHandle_++;
        open_[h] = std::move(d);
        *handle = h;
        return Ok;
    }

    int close(Handle handle) override {
        std::lock_guard lock(mutex_);
        const auto it = open_.find(handle);
        if (it == open_.end()) {
            return InvalidHandle;
        }
        std::unique_ptr<OpenDevice> d = std::move(it->second);
        open_.erase(it);
        return closeDevice(std::move(d));
    }

    int read(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* bytesRead) override {
        std::lock_guard lock(mutex_);
        if (bytesRead != nullptr) {
            *bytesRead = 0;
        }
        OpenDevice* d = find(handle);
        if (d == nullptr) {
            return InvalidHandle;
        }
        if (buffer == nullptr || bytesRead == nullptr) {
            return InvalidParameter;
        }
        std::unique_lock dl(d->mutex);
        if (d->queue.empty() && !d->gone) {
            d->changed.wait_for(dl, std::chrono::milliseconds(readTimeoutMs()),
                                [&] { return !d->queue.empty() || d->gone; });
        }
        if (d->queue.empty()) {
            return d->gone ? ReadError : ReadTimedOut;
        }
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, d->queue.size()));
        std::copy_n(d->queue.begin(), n, static_cast<std::uint8_t*>(buffer));
        d->queue.erase(d->queue.begin(), d->queue.begin() + n);
        *bytesRead = n;
        return Ok;
    }

    int write(Handle handle, const void* buffer, std::uint32_t count,
              std::uint32_t* bytesWritten) override {
        std::lock_guard lock(mutex_);
        if (bytesWritten != nullptr) {
            *bytesWritten = 0;
        }
        OpenDevice* d = find(handle);
        if (d == nullptr) {
            return InvalidHandle;
        }
        if ((buffer == nullptr && count > 0) || bytesWritten == nullptr || count > INT_MAX) {
            return InvalidParameter;
        }
        if (isGone(*d)) {
            return WriteError;
        }
        std::vector<unsigned char> bytes(count);
        if (count > 0) {
            std::memcpy(bytes.data(), buffer, count);
        }
        int transferred = 0;
        // One bulk OUT transfer. libusb takes 0 as "no time-out"; the contract's
        // 0 means "do not wait", so it gets the shortest one.
        const unsigned timeout = std::max<std::uint32_t>(writeTimeoutMs(), 1);
        const int r = libusb_bulk_transfer(d->handle, d->outEndpoint, bytes.data(),
                                           static_cast<int>(count), &transferred, timeout);
        *bytesWritten = static_cast<std::uint32_t>(std::max(transferred, 0));
        switch (r) {
            case LIBUSB_SUCCESS:
                return Ok;
            case LIBUSB_ERROR_TIMEOUT:
                return WriteTimedOut;
            case LIBUSB_ERROR_NO_DEVICE: {
                std::lock_guard dl(d->mutex);
                d->gone = true;
                d->changed.notify_all();
                return WriteError;
            }
            default:
                return WriteError;
        }
    }

    int flushBuffers(Handle handle, std::uint8_t flushTransmit,
                     std::uint8_t flushReceive) override {
        std::lock_guard lock(mutex_);
        OpenDevice* d = find(handle);
        if (d == nullptr) {
            return InvalidHandle;
        }
        if (flushTransmit == 0 && flushReceive == 0) {
            return Ok;
        }
        if (isGone(*d)) {
            if (flushReceive != 0) {
                std::lock_guard dl(d->mutex);
                d->queue.clear();
            }
            return DeviceIoFailed;
        }
        // For the receive side the IN transfers are stopped first, so that no
        // byte the device sent before the purge can land in the queue after it.
        if (flushReceive != 0 && !stopTransfers(*d)) {
            std::lock_guard dl(d->mutex);
            d->gone = true;
            d->queue.clear();
            return DeviceIoFailed;
        }
        const int r = vendorRequest(*d, kPurge);
        if (flushReceive != 0) {
            {
                std::lock_guard dl(d->mutex);
                d->queue.clear();
            }
            if (r == LIBUSB_SUCCESS && !startTransfers(*d)) {
                return DeviceIoFailed;
            }
        }
        return r == LIBUSB_SUCCESS ? Ok : DeviceIoFailed;
    }

    int checkRxQueue(Handle handle, std::uint32_t* bytesInQueue,
                     std::uint32_t* queueStatus) override {
        std::lock_guard lock(mutex_);
        OpenDevice* d = find(handle);
        if (d == nullptr) {
            return InvalidHandle;
        }
        if (bytesInQueue == nullptr) {
            return InvalidParameter;
        }
        std::unique_lock dl(d->mutex);
        if (d->queue.empty() && !d->gone) {
            // A short wait, so that a caller polling in a loop picks an answer up
            // at once without spinning.
            d->changed.wait_for(dl, kQueueCheckWait, [&] { return !d->queue.empty() || d->gone; });
        }
        const bool empty = d->queue.empty();
        *bytesInQueue =
            static_cast<std::uint32_t>(std::min<std::size_t>(d->queue.size(), UINT32_MAX));
        if (queueStatus != nullptr) {
            *queueStatus = empty ? 0 : 2;  // 2: bytes waiting
        }
        return (d->gone && empty) ? DeviceIoFailed : Ok;
    }

    bool watchDevices(std::function<void()> changed) override {
        std::lock_guard lock(mutex_);
        {
            std::lock_guard watch(watchMutex_);
            watcher_ = std::move(changed);
        }
        if (ensureContext() != Ok || ctx_ == nullptr ||
            libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) == 0) {
            return false;
        }
        if (!hotplugRegistered_) {
            hotplugRegistered_ =
                libusb_hotplug_register_callback(
                    ctx_,
                    static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                      LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                    static_cast<libusb_hotplug_flag>(0), kVendorIdValue, LIBUSB_HOTPLUG_MATCH_ANY,
                    LIBUSB_HOTPLUG_MATCH_ANY, &onHotplug, this, &hotplugHandle_) == LIBUSB_SUCCESS;
        }
        return hotplugRegistered_;
    }

private:
    // A device with the box's vendor id came or went, on the event thread.
    static int LIBUSB_CALL onHotplug(libusb_context*, libusb_device*, libusb_hotplug_event,
                                     void* self) {
        auto* library = static_cast<LibusbLibrary*>(self);
        std::lock_guard watch(library->watchMutex_);
        if (library->watcher_) {
            library->watcher_();
        }
        return 0;  // stay registered
    }

    // Creates the libusb context and the event thread on first use. With no
    // USB bus at all there are simply no devices: ctx_ stays null and the
    // result is Ok.
    int ensureContext() {
        if (ctx_ != nullptr) {
            return Ok;
        }
        libusb_context* ctx = nullptr;
        if (libusb_init(&ctx) != LIBUSB_SUCCESS) {
            return anyUsbBus() ? DeviceIoFailed : Ok;
        }
        stopEvents_ = false;
        try {
            events_ = std::thread([this, ctx] { runEvents(ctx); });
        } catch (const std::system_error&) {
            libusb_exit(ctx);
            return DeviceIoFailed;
        }
        ctx_ = ctx;
        return Ok;
    }

    void runEvents(libusb_context* ctx) {
        while (!stopEvents_) {
            timeval tv{0, 100 * 1000};
            const int r = libusb_handle_events_timeout_completed(ctx, &tv, nullptr);
            if (r != LIBUSB_SUCCESS && r != LIBUSB_ERROR_INTERRUPTED && r != LIBUSB_ERROR_TIMEOUT) {
                // No busy loop on a persistent error.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }

    int enumerate(Enumeration& boxes) {
        const int status = ensureContext();
        if (status != Ok || ctx_ == nullptr) {
            return status;  // an init failure, or no USB bus: no devices
        }
        if (!boxes.take(ctx_)) {
            return anyUsbBus() ? DeviceIoFailed : Ok;
        }
        return Ok;
    }

    OpenDevice* find(Handle handle) {
        const auto it = open_.find(handle);
        return it == open_.end() ? nullptr : it->second.get();
    }

    OpenDevice* openHandleOf(libusb_device* device) {
        for (auto& [h, d] : open_) {
            (void)h;
            if (libusb_get_device(d->handle) == device) {
                return d.get();
            }
        }
        return nullptr;
    }

    static bool isGone(OpenDevice& d) {
        std::lock_guard lock(d.mutex);
        return d.gone;
    }

    // A string descriptor as ASCII; index 0 (the device has none) gives "".
    int readString(libusb_device* device, std::uint8_t index, std::string* text) {
        text->clear();
        if (index == 0) {
            return Ok;
        }
        OpenDevice* mine = openHandleOf(device);
        if (mine != nullptr && isGone(*mine)) {
            return DeviceNotFound;
        }
        libusb_device_handle* handle = mine != nullptr ? mine->handle : nullptr;
        if (handle == nullptr) {
            const int r = libusb_open(device, &handle);
            if (r != LIBUSB_SUCCESS) {
                return statusOf(r, DeviceIoFailed);
            }
        }
        unsigned char chars[kStringBufferSize];
        const int n = libusb_get_string_descriptor_ascii(handle, index, chars, sizeof chars);
        if (mine == nullptr) {
            libusb_close(handle);
        } else if (n == LIBUSB_ERROR_NO_DEVICE) {
            std::lock_guard lock(mine->mutex);
            mine->gone = true;
            mine->changed.notify_all();
        }
        if (n < 0) {
            return statusOf(n, DeviceIoFailed);
        }
        text->assign(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(n));
        return Ok;
    }

    // Closes a device taken out of open_: the close request, the IN transfers,
    // the interface, the handle. A gone device closes without complaint.
    int closeDevice(std::unique_ptr<OpenDevice> d) {
        int status = Ok;
        if (!isGone(*d)) {
            const int r = vendorRequest(*d, kCloseValue);
            if (r != LIBUSB_SUCCESS && r != LIBUSB_ERROR_NO_DEVICE) {
                status = DeviceIoFailed;
            }
        }
        if (!stopTransfers(*d)) {
            // A transfer never came back: its memory and the handle must stay
            // valid for libusb, so they are left alone rather than freed.
            (void)d.release();
            return DeviceIoFailed;
        }
        libusb_release_interface(d->handle, d->interfaceNumber);
        libusb_close(d->handle);
        return status;
    }

    std::mutex mutex_;  // one call at a time
    libusb_context* ctx_ = nullptr;
    std::thread events_;
    std::atomic<bool> stopEvents_{false};
    std::map<Handle, std::unique_ptr<OpenDevice>> open_;
    Handle nextHandle_ = 1;
    std::mutex watchMutex_;  // guards watcher_; held while it runs
    std::function<void()> watcher_;
    bool hotplugRegistered_ = false;
    libusb_hotplug_callback_handle hotplugHandle_ = 0;
};

}  // namespace

std::unique_ptr<Library> createLibusbLibrary() {
    return std::make_unique<LibusbLibrary>();
}

}  // namespace usb

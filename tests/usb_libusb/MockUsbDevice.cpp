#include "MockUsbDevice.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace usbmock {

namespace {

constexpr std::size_t kPacketSize = 64;
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                        USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

std::string hex(const Bytes& bytes) {
    std::string text;
    char digits[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}

std::string threeDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

std::string fourHex(std::uint16_t n) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", n);
    return text;
}

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The sysfs path below /sys/devices of a device named like the kernel does:
// "usb1", "1-2" under "usb1", "1-2.3" under "1-2".
std::string devicesPath(const std::string& sysName) {
    if (sysName.rfind("usb", 0) == 0) {
        return "/devices/" + sysName;
    }
    const std::size_t cut = sysName.find_last_of(".-");
    if (cut == std::string::npos) {
        throw std::invalid_argument("bad USB device name " + sysName);
    }
    const std::string parent =
        sysName[cut] == '-' ? "usb" + sysName.substr(0, cut) : sysName.substr(0, cut);
    return devicesPath(parent) + "/" + sysName;
}

}  // namespace

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {
    if (!umockdev_in_mock_environment()) {
        throw std::runtime_error("not running under umockdev-wrapper");
    }
}

Testbed::~Testbed() {
    g_object_unref(testbed_);
}

MockUsbDevice::MockUsbDevice(Testbed& testbed, DeviceSpec spec)
    : testbed_(testbed), spec_(std::move(spec)) {
    const std::string path = devicesPath(spec_.sysName);
    sysPath_ = "/sys" + path;
    const std::string node = "bus/usb/" + threeDigits(spec_.bus) + "/" + threeDigits(spec_.address);
    Bytes descriptors = deviceDescriptor();
    const Bytes config = configDescriptor();
    descriptors.insert(descriptors.end(), config.begin(), config.end());

    std::string record;
    record += "P: " + path + "\n";
    record += "N: " + node + "\n";
    record += "E: SUBSYSTEM=usb\n";
    record += "E: DEVTYPE=usb_device\n";
    record += "E: DEVNAME=/dev/" + node + "\n";
    record += "E: BUSNUM=" + threeDigits(spec_.bus) + "\n";
    record += "E: DEVNUM=" + threeDigits(spec_.address) + "\n";
    record += "E: PRODUCT=" + fourHex(spec_.vendorId) + "/" + fourHex(spec_.productId) + "/100\n";
    record += "A: busnum=" + std::to_string(spec_.bus) + "\n";
    record += "A: devnum=" + std::to_string(spec_.address) + "\n";
    record += "A: dev=189:" + std::to_string((spec_.bus - 1) * 128 + spec_.address - 1) + "\n";
    record += "A: speed=12\n";
    record += "A: bConfigurationValue=1\n";
    record += "A: bNumConfigurations=1\n";
    record += "A: idVendor=" + fourHex(spec_.vendorId) + "\n";
    record += "A: idProduct=" + fourHex(spec_.productId) + "\n";
    record += "A: manufacturer=" + spec_.manufacturer + "\n";
    record += "A: product=" + spec_.product + "\n";
    record += "A: serial=" + spec_.serial + "\n";
    record += "H: descriptors=" + hex(descriptors) + "\n";

    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_.get(), record.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot add " + spec_.sysName + ": " + message);
    }

    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&MockUsbDevice::onIoctl), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(&MockUsbDevice::onClientConnected),
                     this);
    g_signal_connect(handler_, "client-vanished", G_CALLBACK(&MockUsbDevice::onClientVanished),
                     this);
    if (!umockdev_testbed_attach_ioctl(testbed_.get(), devNode().c_str(), handler_, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot attach ioctl handler to " + devNode() + ": " + message);
    }
}

MockUsbDevice::~MockUsbDevice() {
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed_.get(), devNode().c_str(), &error);
    g_clear_error(&error);
    g_signal_handlers_disconnect_by_data(handler_, this);
    {
        std::lock_guard lock(mutex_);
        for (auto& [client, state] : clients_) {
            (void)client;
            for (auto* list : {&state.pendingIn, &state.pendingOut, &state.completed}) {
                for (Urb& urb : *list) {
                    release(urb);
                }
            }
        }
        clients_.clear();
    }
    g_object_unref(handler_);
}

std::string MockUsbDevice::devNode() const {
    return "/dev/bus/usb/" + threeDigits(spec_.bus) + "/" + threeDigits(spec_.address);
}

Bytes MockUsbDevice::deviceDescriptor() const {
    Bytes d = {18, 1};
    put16(d, 0x0200);
    d.push_back(spec_.hub ? 0x09 : 0x00);  // class
    d.push_back(0x00);
    d.push_back(0x00);
    d.push_back(64);  // bMaxPacketSize0
    put16(d, spec_.vendorId);
    put16(d, spec_.productId);
    put16(d, 0x0100);
    d.push_back(1);  // iManufacturer
    d.push_back(2);  // iProduct
    d.push_back(3);  // iSerialNumber
    d.push_back(1);  // bNumConfigurations
    return d;
}

Bytes MockUsbDevice::configDescriptor() const {
    Bytes c = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
    if (spec_.hub) {
        const Bytes rest = {9, 4, 0, 0, 1, 0x09, 0, 0, 0, 7, 5, 0x81, 0x03, 4, 0, 12};
        c.insert(c.end(), rest.begin(), rest.end());
    } else {
        // clang-format off
        const Bytes rest = {9, 4, 0, 0, 2, spec_.interfaceClass, 0, 0, 0,  // interface
                            7, 5, spec_.outEndpoint, 0x02, 64, 0, 0,      // bulk OUT, 64 bytes
                            7, 5, spec_.inEndpoint, 0x02, 64, 0, 0};      // bulk IN, 64 bytes
        // clang-format on
        c.insert(c.end(), rest.begin(), rest.end());
    }
    c[2] = static_cast<std::uint8_t>(c.size());
    return c;
}

Bytes MockUsbDevice::stringDescriptor(std::uint8_t index, bool* found) const {
    *found = true;
    if (index == 0) {
        return {4, 3, 0x09, 0x04};  // English (US)
    }
    const std::string* text = nullptr;
    switch (index) {
        case 1:
            text = &spec_.manufacturer;
            break;
        case 2:
            text = &spec_.product;
            break;
        case 3:
            text = &spec_.serial;
            break;
        default:
            *found = false;
            return {};
    }
    Bytes d = {static_cast<std::uint8_t>(2 + 2 * text->size()), 3};
    for (char ch : *text) {
        put16(d, static_cast<std::uint8_t>(ch));
    }
    return d;
}

std::vector<ControlRequest> MockUsbDevice::vendorRequests() const {
    std::lock_guard lock(mutex_);
    return vendorRequests_;
}

std::vector<Bytes> MockUsbDevice::bulkOut() const {
    std::lock_guard lock(mutex_);
    return bulkOut_;
}

void MockUsbDevice::clearRecord() {
    std::lock_guard lock(mutex_);
    vendorRequests_.clear();
    bulkOut_.clear();
}

int MockUsbDevice::openClients() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(clients_.size());
}

int MockUsbDevice::claimedInterfaces() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [client, state] : clients_) {
        (void)client;
        n += state.claimed;
    }
    return n;
}

int MockUsbDevice::pendingInUrbs() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& [client, state] : clients_) {
        (void)client;
        n += state.pendingIn.size();
    }
    return static_cast<int>(n);
}

std::size_t MockUsbDevice::unsentBytes() const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const Bytes& packet : fifo_) {
        n += packet.size();
    }
    return n;
}

void MockUsbDevice::sendToHost(const Bytes& bytes) {
    std::lock_guard lock(mutex_);
    // The answer goes out in full packets and a final short one; an answer
    // that is a multiple of 64 bytes ends without a zero-length packet.
    for (std::size_t at = 0; at < bytes.size(); at += kPacketSize) {
        const std::size_t n = std::min(kPacketSize, bytes.size() - at);
        fifo_.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    // The URBs are filled on the ioctl thread (at the next reap, which libusb
    // issues all the time while a transfer is pending) so that URB memory is
    // only ever touched there.
}

void MockUsbDevice::setResponder(std::function<Bytes(const Bytes&)> responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void MockUsbDevice::holdOut(bool hold) {
    std::lock_guard lock(mutex_);
    holdOut_ = hold;  // held URBs complete at the next ioctl (see releaseHeldOut)
}

void MockUsbDevice::releaseHeldOut() {
    for (auto& [client, state] : clients_) {
        (void)client;
        while (!state.pendingOut.empty()) {
            Urb urb = state.pendingOut.front();
            state.pendingOut.pop_front();
            const auto* u = reinterpret_cast<const usbdevfs_urb*>(urb.urb->data);
            urb.actualLength = u->buffer_length;
            bulkOut_.push_back(urb.buffer != nullptr
                                   ? Bytes(urb.buffer->data, urb.buffer->data + u->buffer_length)
                                   : Bytes{});
            state.completed.push_back(urb);
        }
    }
}

void MockUsbDevice::unplug() {
    {
        std::lock_guard lock(mutex_);
        unplugged_ = true;
        fifo_.clear();
        for (auto& [client, state] : clients_) {
            (void)client;
            for (auto* list : {&state.pendingIn, &state.pendingOut}) {
                for (Urb& urb : *list) {
                    urb.status = -ESHUTDOWN;  // what the kernel does to URBs of a gone device
                    urb.actualLength = 0;
                    state.completed.push_back(urb);
                }
                list->clear();
            }
        }
    }
    umockdev_testbed_uevent(testbed_.get(), sysPath_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_.get(), sysPath_.c_str());
}

bool MockUsbDevice::unplugged() const {
    std::lock_guard lock(mutex_);
    return unplugged_;
}

bool MockUsbDevice::waitFor(const std::function<bool()>& predicate,
                            std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (predicate()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void MockUsbDevice::release(Urb& urb) {
    if (urb.buffer != nullptr) {
        g_object_unref(urb.buffer);
        urb.buffer = nullptr;
    }
    if (urb.urb != nullptr) {
        g_object_unref(urb.urb);
        urb.urb = nullptr;
    }
}

gboolean MockUsbDevice::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    static_cast<MockUsbDevice*>(self)->handleIoctl(client);
    return TRUE;
}

void MockUsbDevice::onClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                      gpointer self) {
    auto* device = static_cast<MockUsbDevice*>(self);
    std::lock_guard lock(device->mutex_);
    device->clients_[client] = Client{};
}

void MockUsbDevice::onClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                     gpointer self) {
    auto* device = static_cast<MockUsbDevice*>(self);
    std::lock_guard lock(device->mutex_);
    const auto it = device->clients_.find(client);
    if (it == device->clients_.end()) {
        return;
    }
    for (auto* list : {&it->second.pendingIn, &it->second.pendingOut, &it->second.completed}) {
        for (Urb& urb : *list) {
            release(urb);
        }
    }
    device->clients_.erase(it);
}

void MockUsbDevice::handleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex_);
    Client& state = clients_[client];
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);

    if (!holdOut_ && !unplugged_) {
        releaseHeldOut();
    }
    if (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) {
        reapUrb(client, state);  // allowed after a disconnect, as in the kernel
        return;
    }
    if (unplugged_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    switch (request) {
        case USBDEVFS_SUBMITURB:
            submitUrb(client, state);
            return;
        case USBDEVFS_DISCARDURB:
            discardUrb(client, state);
            return;
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* caps =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), nullptr);
            if (caps == nullptr) {
                umockdev_ioctl_client_complete(client, -1, EFAULT);
                return;
            }
            std::memcpy(caps->data, &kCapabilities, sizeof kCapabilities);
            g_object_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        }
        case USBDEVFS_CLAIMINTERFACE:
            ++state.claimed;
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        case USBDEVFS_RELEASEINTERFACE:
            if (state.claimed > 0) {
                --state.claimed;
            }
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        case USBDEVFS_GETDRIVER:
        case USBDEVFS_IOCTL:
            umockdev_ioctl_client_complete(client, -1, ENODATA);  // no kernel driver bound
            return;
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESETEP:
        case USBDEVFS_SETINTERFACE:
        case USBDEVFS_SETCONFIGURATION:
        case USBDEVFS_RESET:
            umockdev_ioctl_client_complete(client, 0, 0);
            return;
        default:
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return;
    }
}

void MockUsbDevice::submitUrb(UMockdevIoctlClient* client, Client& state) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    Urb urb;
    urb.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (urb.urb == nullptr) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    urb.clientAddress = urb.urb->client_addr;
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    if (u->buffer_length < 0) {
        release(urb);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    if (u->buffer_length > 0) {
        urb.buffer = umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<gsize>(u->buffer_length), nullptr);
        if (urb.buffer == nullptr) {
            release(urb);
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
    }

    if (u->type == USBDEVFS_URB_TYPE_CONTROL && u->endpoint == 0 && u->buffer_length >= 8) {
        control(urb);
        state.completed.push_back(urb);
    } else if (u->type == USBDEVFS_URB_TYPE_BULK && !spec_.hub &&
               u->endpoint == spec_.outEndpoint) {
        if (holdOut_) {
            state.pendingOut.push_back(urb);
        } else {
            Bytes bytes = urb.buffer != nullptr
                              ? Bytes(urb.buffer->data, urb.buffer->data + u->buffer_length)
                              : Bytes{};
            urb.actualLength = u->buffer_length;
            state.completed.push_back(urb);
            bulkOut_.push_back(bytes);
            if (responder_) {
                const Bytes answer = responder_(bytes);
                for (std::size_t at = 0; at < answer.size(); at += kPacketSize) {
                    const std::size_t n = std::min(kPacketSize, answer.size() - at);
                    fifo_.emplace_back(answer.begin() + static_cast<std::ptrdiff_t>(at),
                                       answer.begin() + static_cast<std::ptrdiff_t>(at + n));
                }
            }
        }
    } else if (u->type == USBDEVFS_URB_TYPE_BULK && !spec_.hub && u->endpoint == spec_.inEndpoint) {
        state.pendingIn.push_back(urb);
    } else {
        release(urb);
        umockdev_ioctl_client_complete(client, -1, ENOENT);  // no such endpoint
        return;
    }
    fillInUrbs();
    umockdev_ioctl_client_complete(client, 0, 0);
}

void MockUsbDevice::control(Urb& urb) {
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    std::uint8_t* setup = urb.buffer->data;
    const std::uint8_t requestType = setup[0];
    const std::uint8_t request = setup[1];
    const auto value = static_cast<std::uint16_t>(setup[2] | (setup[3] << 8));
    const auto index = static_cast<std::uint16_t>(setup[4] | (setup[5] << 8));
    const auto length = static_cast<std::uint16_t>(setup[6] | (setup[7] << 8));
    const int room = std::min<int>(length, u->buffer_length - 8);

    if (requestType == 0x80 && request == 0x06) {  // GET_DESCRIPTOR
        bool found = true;
        Bytes d;
        switch (value >> 8) {
            case 1:
                d = deviceDescriptor();
                break;
            case 2:
                d = configDescriptor();
                break;
            case 3:
                d = stringDescriptor(static_cast<std::uint8_t>(value & 0xFF), &found);
                break;
            default:
                found = false;
                break;
        }
        if (!found) {
            urb.status = -EPIPE;  // stall
            return;
        }
        const int n = std::min<int>(room, static_cast<int>(d.size()));
        std::memcpy(setup + 8, d.data(), static_cast<std::size_t>(n));
        urb.actualLength = n;
        return;
    }
    if ((requestType & 0x80) == 0) {  // host to device: record it
        ControlRequest r{requestType, request, value, index,
                         Bytes(setup + 8, setup + 8 + std::max(room, 0))};
        vendorRequests_.push_back(r);
        if (requestType == 0x40 && request == 0x02 && value == 0x0001) {
            fifo_.clear();  // purge: the device drops answer bytes it has not sent
        }
        urb.actualLength = std::max(room, 0);
        return;
    }
    urb.status = -EPIPE;
}

void MockUsbDevice::fillInUrbs() {
    for (auto& [client, state] : clients_) {
        (void)client;
        while (!fifo_.empty() && !state.pendingIn.empty()) {
            Urb& urb = state.pendingIn.front();
            auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
            const Bytes& packet = fifo_.front();
            if (urb.actualLength + static_cast<int>(packet.size()) > u->buffer_length) {
                urb.status = -EOVERFLOW;  // babble: the packet does not fit
            } else {
                std::memcpy(urb.buffer->data + urb.actualLength, packet.data(), packet.size());
                urb.actualLength += static_cast<int>(packet.size());
            }
            const bool shortPacket = packet.size() < kPacketSize;
            fifo_.pop_front();
            if (urb.status != 0 || shortPacket || urb.actualLength == u->buffer_length) {
                state.completed.push_back(urb);
                state.pendingIn.pop_front();
            }
        }
    }
}

void MockUsbDevice::reapUrb(UMockdevIoctlClient* client, Client& state) {
    fillInUrbs();
    if (state.completed.empty()) {
        umockdev_ioctl_client_complete(client, -1, unplugged_ ? ENODEV : EAGAIN);
        return;
    }
    Urb urb = state.completed.front();
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* target = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    if (target == nullptr) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    state.completed.pop_front();
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
    u->status = urb.status;
    u->actual_length = urb.actualLength;
    umockdev_ioctl_data_set_ptr(target, 0, urb.urb);  // the client gets its URB pointer back
    g_object_unref(target);
    umockdev_ioctl_client_complete(client, 0, 0);
    release(urb);  // the reply holds its own references until it is written back
}

void MockUsbDevice::discardUrb(UMockdevIoctlClient* client, Client& state) {
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    gulong address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    for (auto* list : {&state.pendingIn, &state.pendingOut}) {
        for (auto it = list->begin(); it != list->end(); ++it) {
            if (it->clientAddress == address) {
                Urb urb = *it;
                list->erase(it);
                urb.status = -ENOENT;  // unlinked
                state.completed.push_back(urb);
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

}  // namespace usbmock

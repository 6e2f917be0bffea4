#include "SocketLibrary.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "DeviceLock.h"
#include "KeptTimeouts.h"
#include "SocketFrame.h"

namespace usb {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kDescriptorWaitMs = 1000;
constexpr int kQueueCheckWaitMs = 1;

int msLeft(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A connected socket, or -1 with errno saying why.
int connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Sends all bytes within the time-out; false when the peer is gone or it is too slow.
bool sendAll(int fd, const std::vector<std::uint8_t>& bytes, int timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            const int left = msLeft(deadline);
            if (left == 0 || ::poll(&p, 1, left) <= 0 || (p.revents & (POLLERR | POLLHUP))) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

// One connection to a device: the frame decoder and the host's receive queue.
struct Connection {
    int fd = -1;
    frame::Decoder decoder;
    std::deque<std::uint8_t> queue;
    bool gone = false;
    bool accessDenied = false;  // the socket exists, but this user may not connect
    bool dropNextRead = false;  // a frame that was half in when the host flushed
    std::string serial;
    std::string description;
    std::unique_ptr<DeviceLock> lock;  // held while the connection is open

    ~Connection() {
        if (fd >= 0) {
            ::close(fd);
        }
    }

    void markGone() {
        gone = true;
        lock.reset();  // a box that went away is nobody's any more
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }

    // Takes in whatever has arrived, waiting up to waitMs for the first bytes.
    void pump(int waitMs) {
        if (gone) {
            return;
        }
        pollfd p{fd, POLLIN, 0};
        int wait = waitMs;
        for (;;) {
            const int ready = ::poll(&p, 1, wait);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return;
            }
            std::uint8_t chunk[4096];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            }
            if (n <= 0) {
                takeFrames();
                markGone();
                return;
            }
            decoder.feed(chunk, static_cast<std::size_t>(n));
            takeFrames();
            if (gone) {
                return;
            }
            wait = 0;  // drain what is there, then return
        }
    }

    void takeFrames() {
        while (auto f = decoder.next()) {
            if (f->type == frame::kRead) {
                if (dropNextRead) {
                    dropNextRead = false;
                    continue;
                }
                queue.insert(queue.end(), f->payload.begin(), f->payload.end());
            } else if (f->type == frame::kDescriptor && serial.empty() && description.empty()) {
                frame::parseDescriptor(f->payload, &serial, &description);
            }
        }
        if (decoder.failed()) {
            markGone();
        }
    }

    // Connects and waits for the descriptor frame.
    bool start(const std::string& path) {
        fd = connectTo(path);
        if (fd < 0) {
            accessDenied = errno == EACCES || errno == EPERM;
            gone = true;
            return false;
        }
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kDescriptorWaitMs);
        for (;;) {
            if (auto f = decoder.next()) {
                if (f->type != frame::kDescriptor ||
                    !frame::parseDescriptor(f->payload, &serial, &description)) {
                    markGone();
                    return false;
                }
                takeFrames();  // answer bytes that came right behind it
                return !gone;
            }
            if (decoder.failed() || gone) {
                markGone();
                return false;
            }
            const int left = msLeft(deadline);
            if (left == 0) {
                markGone();
                return false;
            }
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, left);
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                markGone();
                return false;
            }
            std::uint8_t chunk[4096];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n <= 0) {
                if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                    continue;
                }
                markGone();
                return false;
            }
            decoder.feed(chunk, static_cast<std::size_t>(n));
        }
    }
};

class SocketLibrary final : public KeptTimeoutsLibrary {
public:
    explicit SocketLibrary(std::vector<std::string> paths) : paths_(std::move(paths)) {}

    int getNumDevices(std::uint32_t* count) override {
        if (count == nullptr) {
            return InvalidParameter;
        }
        *count = static_cast<std::uint32_t>(paths_.size());
        return Ok;
    }

    int getProductString(std::uint32_t index, char* buffer, std::uint32_t option) override {
        if (buffer == nullptr) {
            return InvalidParameter;
        }
        if (index >= paths_.size()) {
            return DeviceNotFound;
        }
        std::string text;
        switch (option) {
            case kSerialNumber:
            case kDescription: {
                Connection probe;
                if (!probe.start(paths_[index])) {
                    return probe.accessDenied ? AccessDenied : DeviceNotFound;
                }
                text = option == kSerialNumber ? probe.serial : probe.description;
                break;
            }
            case kLinkName:
                text = paths_[index];
                break;
            case kVendorId:
            case kProductId: {
                char hex[8];
                std::snprintf(hex, sizeof hex, "%04X",
                              option == kVendorId ? kVendorIdValue : kProductIds[0]);
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
        if (index >= paths_.size()) {
            return DeviceNotFound;
        }
        auto deviceLock = DeviceLock::acquire(paths_[index]);
        if (deviceLock == nullptr) {
            return DeviceIoFailed;  // another handle, here or in another program, has the box
        }
        auto connection = std::make_unique<Connection>();
        if (!connection->start(paths_[index])) {
            return connection->accessDenied ? AccessDenied : DeviceNotFound;
        }
        connection->lock = std::move(deviceLock);
        std::lock_guard lock(mutex_);
        const Handle h = nextHandle_++;
        open_[h] = std::move(connection);
        *handle = h;
        return Ok;
    }

    int close(Handle handle) override {
        std::lock_guard lock(mutex_);
        return open_.erase(handle) == 1 ? Ok : InvalidHandle;
    }

    int read(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* bytesRead) override {
        std::lock_guard lock(mutex_);
        if (bytesRead != nullptr) {
            *bytesRead = 0;
        }
        Connection* c = find(handle);
        if (c == nullptr) {
            return InvalidHandle;
        }
        if (buffer == nullptr || bytesRead == nullptr) {
            return InvalidParameter;
        }
        if (c->queue.empty()) {
            const auto deadline = SteadyClock::now() + std::chrono::milliseconds(readTimeoutMs());
            c->pump(0);
            while (c->queue.empty() && !c->gone) {
                const int left = msLeft(deadline);
                if (left == 0) {
                    break;
                }
                c->pump(left);
            }
        } else {
            c->pump(0);
        }
        if (c->queue.empty()) {
            return c->gone ? ReadError : ReadTimedOut;
        }
        const std::uint32_t n = std::min<std::uint32_t>(
            count, static_cast<std::uint32_t>(std::min<std::size_t>(c->queue.size(), UINT32_MAX)));
        std::copy_n(c->queue.begin(), n, static_cast<std::uint8_t*>(buffer));
        c->queue.erase(c->queue.begin(), c->queue.begin() + n);
        *bytesRead = n;
        return Ok;
    }

    int write(Handle handle, const void* buffer, std::uint32_t count,
              std::uint32_t* bytesWritten) override {
        std::lock_guard lock(mutex_);
        if (bytesWritten != nullptr) {
            *bytesWritten = 0;
        }
        Connection* c = find(handle);
        if (c == nullptr) {
            return InvalidHandle;
        }
        if ((buffer == nullptr && count > 0) || bytesWritten == nullptr ||
            count > frame::kMaxPayload) {
            return InvalidParameter;
        }
        c->pump(0);  // notices an unplugged device
        if (c->gone) {
            return WriteError;
        }
        const auto bytes =
            frame::encode(frame::kWrite, static_cast<const std::uint8_t*>(buffer), count);
        if (!sendAll(c->fd, bytes,
                     static_cast<int>(std::min<std::uint32_t>(writeTimeoutMs(), INT32_MAX)))) {
            c->markGone();
            return WriteError;
        }
        *bytesWritten = count;
        return Ok;
    }

    int flushBuffers(Handle handle, std::uint8_t flushTransmit,
                     std::uint8_t flushReceive) override {
        std::lock_guard lock(mutex_);
        Connection* c = find(handle);
        if (c == nullptr) {
            return InvalidHandle;
        }
        (void)flushTransmit;  // writes are never held back on this side
        if (flushReceive == 0) {
            return Ok;
        }
        c->pump(0);
        c->queue.clear();
        c->dropNextRead = c->decoder.buffered() > 0;
        if (c->gone) {
            return DeviceIoFailed;
        }
        if (!sendAll(c->fd, frame::encode(frame::kFlush, nullptr, 0), kDescriptorWaitMs)) {
            c->markGone();
            return DeviceIoFailed;
        }
        return Ok;
    }

    int checkRxQueue(Handle handle, std::uint32_t* bytesInQueue,
                     std::uint32_t* queueStatus) override {
        std::lock_guard lock(mutex_);
        Connection* c = find(handle);
        if (c == nullptr) {
            return InvalidHandle;
        }
        if (bytesInQueue == nullptr) {
            return InvalidParameter;
        }
        c->pump(c->queue.empty() ? kQueueCheckWaitMs : 0);
        *bytesInQueue =
            static_cast<std::uint32_t>(std::min<std::size_t>(c->queue.size(), UINT32_MAX));
        if (queueStatus != nullptr) {
            *queueStatus = c->queue.empty() ? 0 : 2;  // 2: bytes waiting
        }
        return (c->gone && c->queue.empty()) ? DeviceIoFailed : Ok;
    }

private:
    Connection* find(Handle handle) {
        const auto it = open_.find(handle);
        return it == open_.end() ? nullptr : it->second.get();
    }

    const std::vector<std::string> paths_;
    std::mutex mutex_;
    std::map<Handle, std::unique_ptr<Connection>> open_;
    Handle nextHandle_ = 1;
};

}  // namespace

std::vector<std::string> splitPathList(std::string_view list) {
    std::vector<std::string> paths;
    if (list.empty()) {
        return paths;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = list.find(':', start);
        paths.emplace_back(
            list.substr(start, colon == std::string_view::npos ? list.npos : colon - start));
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    return paths;
}

std::vector<std::string> emulatorPaths() {
    const char* value = std::getenv(kEmulatorVariable);
    return value == nullptr ? std::vector<std::string>{} : splitPathList(value);
}

std::unique_ptr<Library> createSocketLibrary(std::vector<std::string> paths) {
    return std::make_unique<SocketLibrary>(std::move(paths));
}

std::unique_ptr<Library> createLibrary() {
    auto paths = emulatorPaths();
    if (!paths.empty()) {
        return createSocketLibrary(std::move(paths));
    }
    return createLibusbLibrary();
}

}  // namespace usb

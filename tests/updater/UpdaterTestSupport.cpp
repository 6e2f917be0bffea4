#include "UpdaterTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace updater_test {

void Trace::add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
}

std::vector<std::string> Trace::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void Trace::clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

std::string packetToken(const std::uint8_t* d, std::size_t n) {
    char text[64];
    if (n == 3 && d[0] == 0x01 && d[1] == 0x01) {
        std::snprintf(text, sizeof text, "%02X", d[2]);
        return text;
    }
    if (n == 4 && d[0] == 0x01 && d[1] == 0x01 && d[2] == 0xD0 && d[3] == 0x05) {
        return "RDSR";
    }
    if (n == 4 && d[0] == 0x00 && d[1] == 0x04 && d[2] == 0xD0 && d[3] == 0x06) {
        return "WREN";
    }
    if (n == 7 && d[0] == 0x00 && d[1] == 0x07 && d[2] == 0xD0 && d[3] == 0xD8 && d[5] == 0 &&
        d[6] == 0) {
        return "SE " + std::to_string(d[4]);
    }
    if (n >= 9 && d[0] == 0x00 && d[2] == 0xD7 && d[3] == 0x02 && n == d[1] + 8u) {
        std::snprintf(text, sizeof text, "PW 0x%06X %u",
                      static_cast<unsigned>(d[4] << 16 | d[5] << 8 | d[6]), d[1]);
        return text;
    }
    std::string hex;
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, i == 0 ? "%02X" : " %02X", d[i]);
        hex += text;
    }
    return "? " + hex;
}

// --- InProcessBox

InProcessBox::InProcessBox(std::vector<std::string> serials) : serials_(std::move(serials)) {}

int InProcessBox::getNumDevices(std::uint32_t* count) {
    std::lock_guard lock(mutex_);
    *count = static_cast<std::uint32_t>(serials_.size());
    return usb::Ok;
}

int InProcessBox::getProductString(std::uint32_t index, char* buffer, std::uint32_t option) {
    std::lock_guard lock(mutex_);
    if (index >= serials_.size()) {
        return usb::DeviceNotFound;
    }
    const std::string text = option == usb::kSerialNumber ? serials_[index]
                             : option == usb::kLinkName   ? "in-process/" + std::to_string(index)
                                                          : "emulated box";
    const std::size_t n = std::min<std::size_t>(text.size(), usb::kStringBufferSize - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return usb::Ok;
}

int InProcessBox::open(std::uint32_t index, usb::Handle* handle) {
    std::lock_guard lock(mutex_);
    *handle = usb::kInvalidHandle;
    if (index >= serials_.size() || unplugged_ || open_ != usb::kInvalidHandle) {
        return usb::DeviceNotFound;
    }
    open_ = 7;
    *handle = open_;
    return usb::Ok;
}

int InProcessBox::close(usb::Handle handle) {
    std::lock_guard lock(mutex_);
    if (handle != open_ || handle == usb::kInvalidHandle) {
        return usb::InvalidHandle;
    }
    open_ = usb::kInvalidHandle;
    rx_.clear();
    return usb::Ok;
}

int InProcessBox::read(usb::Handle handle, void* buffer, std::uint32_t count,
                       std::uint32_t* bytesRead) {
    std::lock_guard lock(mutex_);
    *bytesRead = 0;
    if (handle != open_ || handle == usb::kInvalidHandle) {
        return usb::InvalidHandle;
    }
    if (rx_.empty()) {
        return unplugged_ ? usb::ReadError : usb::ReadTimedOut;
    }
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, rx_.size()));
    std::copy_n(rx_.begin(), n, static_cast<std::uint8_t*>(buffer));
    rx_.erase(rx_.begin(), rx_.begin() + n);
    *bytesRead = n;
    return usb::Ok;
}

int InProcessBox::write(usb::Handle handle, const void* buffer, std::uint32_t count,
                        std::uint32_t* bytesWritten) {
    std::lock_guard lock(mutex_);
    *bytesWritten = 0;
    if (handle != open_ || handle == usb::kInvalidHandle) {
        return usb::InvalidHandle;
    }
    if (unplugged_) {
        return usb::WriteError;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (emu::FlashProtocol::isFlashPacket(bytes, count)) {
        const emu::FlashReply reply = flash_.handle(bytes, count);
        rx_.insert(rx_.end(), reply.answer.begin(), reply.answer.end());
        unplugged_ = reply.unplug;
    }
    *bytesWritten = count;
    return usb::Ok;
}

int InProcessBox::flushBuffers(usb::Handle handle, std::uint8_t, std::uint8_t flushReceive) {
    std::lock_guard lock(mutex_);
    if (handle != open_ || handle == usb::kInvalidHandle) {
        return usb::InvalidHandle;
    }
    if (flushReceive != 0) {
        rx_.clear();
    }
    return unplugged_ ? usb::DeviceIoFailed : usb::Ok;
}

int InProcessBox::setTimeouts(std::uint32_t, std::uint32_t) {
    return usb::Ok;
}

int InProcessBox::getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) {
    *readMs = usb::kDefaultTimeoutMs;
    *writeMs = usb::kDefaultTimeoutMs;
    return usb::Ok;
}

int InProcessBox::checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                               std::uint32_t* queueStatus) {
    std::lock_guard lock(mutex_);
    if (handle != open_ || handle == usb::kInvalidHandle) {
        return usb::InvalidHandle;
    }
    *bytesInQueue = static_cast<std::uint32_t>(rx_.size());
    if (queueStatus != nullptr) {
        *queueStatus = 0;
    }
    return unplugged_ && rx_.empty() ? usb::DeviceIoFailed : usb::Ok;
}

// --- RecordingLibrary

std::vector<Bytes> RecordingLibrary::writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

int RecordingLibrary::getNumDevices(std::uint32_t* count) {
    ++calls_;
    return inner_.getNumDevices(count);
}

int RecordingLibrary::getProductString(std::uint32_t index, char* buffer, std::uint32_t option) {
    ++calls_;
    return inner_.getProductString(index, buffer, option);
}

int RecordingLibrary::open(std::uint32_t index, usb::Handle* handle) {
    ++calls_;
    return inner_.open(index, handle);
}

int RecordingLibrary::close(usb::Handle handle) {
    ++calls_;
    return inner_.close(handle);
}

int RecordingLibrary::read(usb::Handle handle, void* buffer, std::uint32_t count,
                           std::uint32_t* bytesRead) {
    ++calls_;
    return inner_.read(handle, buffer, count, bytesRead);
}

int RecordingLibrary::write(usb::Handle handle, const void* buffer, std::uint32_t count,
                            std::uint32_t* bytesWritten) {
    ++calls_;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const Bytes packet(bytes, bytes + count);
    if (hook_) {
        hook_(packet);
    }
    trace_.add(packetToken(bytes, count));
    {
        std::lock_guard lock(mutex_);
        writes_.push_back(packet);
    }
    return inner_.write(handle, buffer, count, bytesWritten);
}

int RecordingLibrary::flushBuffers(usb::Handle handle, std::uint8_t flushTransmit,
                                   std::uint8_t flushReceive) {
    ++calls_;
    return inner_.flushBuffers(handle, flushTransmit, flushReceive);
}

int RecordingLibrary::setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    ++calls_;
    return inner_.setTimeouts(readMs, writeMs);
}

int RecordingLibrary::getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) {
    ++calls_;
    return inner_.getTimeouts(readMs, writeMs);
}

int RecordingLibrary::checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                                   std::uint32_t* queueStatus) {
    ++calls_;
    return inner_.checkRxQueue(handle, bytesInQueue, queueStatus);
}

// --- TracingClock

void TracingClock::sleepMs(std::uint32_t ms) {
    trace_.add("sleep " + std::to_string(ms));
    clock_.sleepMs(ms);
}

// --- RecordingUi

void RecordingUi::drawLine(const std::string& text, int y) {
    lines.push_back({y, text});
}

void RecordingUi::messageBox(const std::string& text, const std::string& caption,
                             updater::MessageIcon icon) {
    messages.push_back({text, caption, icon});
    if (onMessage) {
        onMessage(messages.back());
    }
}

void RecordingUi::printLine(const std::string& text) {
    printed.push_back(text);
}

void RecordingUi::endProgram(int exitStatus) {
    endings.push_back(exitStatus);
}

// --- files

Bytes pattern(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 11);
    }
    return bytes;
}

TempDir::TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "updater-test-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

void TempDir::writeImage(const std::string& name, const std::string& header,
                         const Bytes& payload) const {
    Bytes bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    writeFile(name, bytes);
}

void TempDir::writeFile(const std::string& name, const Bytes& bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace updater_test

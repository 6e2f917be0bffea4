#include "UpdaterTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "usb/SocketLibrary.h"

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

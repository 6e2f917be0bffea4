// A USB library that passes every call on to another one and keeps every
// write; it can fail calls or run a hook before a write.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "usb/UsbLibrary.h"

namespace testing_support {

// Passes every call on to another library and keeps every write. Before each
// write, beforeWrite sees the bytes; failQueueChecks makes that many
// receive-queue checks fail, failOpens that many opens.
class HookedLibrary final : public usb::Library {
public:
    explicit HookedLibrary(usb::Library& inner) : inner_(inner) {}

    std::function<void(const std::vector<std::uint8_t>&)> beforeWrite;
    int failQueueChecks = 0;
    int failOpens = 0;
    int closes = 0;
    std::vector<std::vector<std::uint8_t>> writes;

    int getNumDevices(std::uint32_t* count) override { return inner_.getNumDevices(count); }
    int getProductString(std::uint32_t index, char* buffer, std::uint32_t option) override {
        return inner_.getProductString(index, buffer, option);
    }
    int open(std::uint32_t index, usb::Handle* handle) override;
    int close(usb::Handle handle) override {
        ++closes;
        return inner_.close(handle);
    }
    int read(usb::Handle handle, void* buffer, std::uint32_t count,
             std::uint32_t* bytesRead) override {
        return inner_.read(handle, buffer, count, bytesRead);
    }
    int write(usb::Handle handle, const void* buffer, std::uint32_t count,
              std::uint32_t* bytesWritten) override;
    int flushBuffers(usb::Handle handle, std::uint8_t flushTransmit,
                     std::uint8_t flushReceive) override {
        return inner_.flushBuffers(handle, flushTransmit, flushReceive);
    }
    int setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override {
        return inner_.setTimeouts(readMs, writeMs);
    }
    int getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) override {
        return inner_.getTimeouts(readMs, writeMs);
    }
    int checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                     std::uint32_t* queueStatus) override;

private:
    usb::Library& inner_;
};

}  // namespace testing_support

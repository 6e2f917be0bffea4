// The read and write time-outs that a back end keeps for its whole library
// instance (they are not set per handle): setTimeouts and getTimeouts of the
// contract, for every back end alike.
#pragma once

#include <cstdint>
#include <mutex>

#include "UsbLibrary.h"

namespace usb {

class KeptTimeoutsLibrary : public Library {
public:
    int setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) final {
        std::lock_guard lock(timeoutsMutex_);
        readTimeoutMs_ = readMs;
        writeTimeoutMs_ = writeMs;
        return Ok;
    }

    int getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) final {
        if (readMs == nullptr || writeMs == nullptr) {
            return InvalidParameter;
        }
        std::lock_guard lock(timeoutsMutex_);
        *readMs = readTimeoutMs_;
        *writeMs = writeTimeoutMs_;
        return Ok;
    }

protected:
    std::uint32_t readTimeoutMs() const {
        std::lock_guard lock(timeoutsMutex_);
        return readTimeoutMs_;
    }
    std::uint32_t writeTimeoutMs() const {
        std::lock_guard lock(timeoutsMutex_);
        return writeTimeoutMs_;
    }

private:
    mutable std::mutex timeoutsMutex_;
    std::uint32_t readTimeoutMs_ = kDefaultTimeoutMs;
    std::uint32_t writeTimeoutMs_ = kDefaultTimeoutMs;
};

}  // namespace usb

// Time source for time-outs and pauses. Programs use the system clock; tests
// pass a clock of their own so that no test waits for real time.
#pragma once

#include <cstdint>

namespace usb {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps around like a 32-bit tick count.
    virtual std::uint32_t tickMs() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
};

// The steady system clock.
Clock& systemClock();

}  // namespace usb

// What the benchmarks against the emulated box share: a clock that counts
// the pauses the protocol asks for, and the box's count of requests.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "emulator/Server.h"
#include "usb/Clock.h"

namespace bench {

// The system clock, counting the time it is asked to pause.
class PauseCountingClock final : public usb::Clock {
public:
    std::uint32_t tickMs() override { return usb::systemClock().tickMs(); }
    void sleepMs(std::uint32_t ms) override {
        paused_ += ms;
        usb::systemClock().sleepMs(ms);
    }
    std::uint64_t pausedMs() const { return paused_; }

private:
    std::atomic<std::uint64_t> paused_{0};
};

// Requests the box received (handled or ignored) since a mark of its trace.
inline std::size_t requestsSince(emu::Server& server, std::size_t mark) {
    std::size_t n = 0;
    for (const auto& e : server.trace().entriesSince(mark)) {
        n += e.kind == emu::TraceEntry::kRequest || e.kind == emu::TraceEntry::kIgnored;
    }
    return n;
}

}  // namespace bench

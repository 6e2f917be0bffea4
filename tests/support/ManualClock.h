// A clock for tests: time moves only when the code under test looks at it or
// sleeps, so time-outs and pauses cost no real time.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "usb/Clock.h"

namespace testing_support {

class ManualClock final : public usb::Clock {
public:
    // Every tickMs() call moves the time on by stepMs after reading it.
    explicit ManualClock(std::uint32_t stepMs = 1, std::uint32_t startMs = 1000)
        : now_(startMs), step_(stepMs) {}

    std::uint32_t tickMs() override { return now_.fetch_add(step_); }
    void sleepMs(std::uint32_t ms) override {
        now_ += ms;
        slept_ += ms;
        ++sleeps_;
        const std::lock_guard lock(pausesMutex_);
        pauses_.push_back(ms);
    }

    void advance(std::uint32_t ms) { now_ += ms; }
    void setStep(std::uint32_t ms) { step_ = ms; }
    std::uint32_t now() const { return now_; }
    std::uint64_t totalSleptMs() const { return slept_; }
    std::uint64_t sleeps() const { return sleeps_; }
    // Every pause since the start or the last clearPauses(), in order.
    std::vector<std::uint32_t> pauses() const {
        const std::lock_guard lock(pausesMutex_);
        return pauses_;
    }
    void clearPauses() {
        const std::lock_guard lock(pausesMutex_);
        pauses_.clear();
    }

private:
    std::atomic<std::uint32_t> now_;
    std::atomic<std::uint32_t> step_;
    std::atomic<std::uint64_t> slept_{0};
    std::atomic<std::uint64_t> sleeps_{0};
    mutable std::mutex pausesMutex_;
    std::vector<std::uint32_t> pauses_;
};

}  // namespace testing_support

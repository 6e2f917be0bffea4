// A USB library double for tests: devices with given serial strings, answers
// queued per write, a record of every call and every write, and calls that
// can be made to fail a number of times.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "usb/UsbLibrary.h"

namespace testing_support {

class ScriptedLibrary final : public usb::Library {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit ScriptedLibrary(std::vector<std::string> serials = {"2026"});

    // Answer for the next write; answers are used in order, one per write.
    void queueAnswer(Bytes answer) { answers_.push_back(std::move(answer)); }
    // Computes the answer when no queued answer is left (empty: no answer).
    void setResponder(std::function<Bytes(const Bytes&)> responder) {
        responder_ = std::move(responder);
    }
    // Makes the next n calls of the named operation ("open", "close", "read",
    // "write", "flush", "queue", "count", "string") return an error.
    void failNext(const std::string& call, int n = 1) { failures_[call] += n; }

    const std::vector<Bytes>& writes() const { return writes_; }
    // Names of every call in order, for example "flush", "write", "queue", "read".
    const std::vector<std::string>& calls() const { return calls_; }
    int callCount(const std::string& call) const;
    void clearRecord() {
        writes_.clear();
        calls_.clear();
    }
    std::size_t pending() const { return rx_.size(); }
    // Timeouts in force during each read and write call, in call order.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& timeoutsAtIo() const {
        return timeoutsAtIo_;
    }

    int getNumDevices(std::uint32_t* count) override;
    int getProductString(std::uint32_t index, char* buffer, std::uint32_t option) override;
    int open(std::uint32_t index, usb::Handle* handle) override;
    int close(usb::Handle handle) override;
    int read(usb::Handle handle, void* buffer, std::uint32_t count,
             std::uint32_t* bytesRead) override;
    int write(usb::Handle handle, const void* buffer, std::uint32_t count,
              std::uint32_t* bytesWritten) override;
    int flushBuffers(usb::Handle handle, std::uint8_t flushTransmit,
                     std::uint8_t flushReceive) override;
    int setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) override;
    int getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) override;
    int checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                     std::uint32_t* queueStatus) override;

private:
    bool fails(const std::string& call);

    std::vector<std::string> serials_;
    std::deque<Bytes> answers_;
    std::function<Bytes(const Bytes&)> responder_;
    std::map<std::string, int> failures_;
    std::vector<Bytes> writes_;
    std::vector<std::string> calls_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> timeoutsAtIo_;
    std::deque<std::uint8_t> rx_;
    usb::Handle openHandle_ = usb::kInvalidHandle;
    std::uint32_t readTimeout_ = usb::kDefaultTimeoutMs;
    std::uint32_t writeTimeout_ = usb::kDefaultTimeoutMs;
};

}  // namespace testing_support

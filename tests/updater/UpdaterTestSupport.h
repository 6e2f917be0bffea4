// Test helpers for the updater: an emulated box reached through the USB
// layer, a trace of the packets and pauses that the box sees, a recording
// UpdaterUi, and image files in a temporary directory.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/Server.h"
#include "emulator/flash/FlashProtocol.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/ManualClock.h"
#include "updater/UpdaterUi.h"
#include "usb/UsbLibrary.h"

namespace updater_test {

using Bytes = std::vector<std::uint8_t>;

// What the box sees, in order: one token per packet ("DB", "WREN", "SE 16",
// "RDSR", "PW 0x100000 32", ...) and one per pause ("sleep 1000").
class Trace {
public:
    void add(std::string event);
    std::vector<std::string> events() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

std::string packetToken(const std::uint8_t* data, std::size_t size);

// A box emulator serving one box on a socket in a temporary directory,
// reached through the USB layer's socket back end.
using EmulatedBox = testing_support::EmulatedBox;

// Passes every call on to another library; traces each write and counts calls.
class RecordingLibrary final : public usb::Library {
public:
    RecordingLibrary(usb::Library& inner, Trace& trace) : inner_(inner), trace_(trace) {}

    // Called with each packet before it goes to the box.
    void setWriteHook(std::function<void(const Bytes&)> hook) { hook_ = std::move(hook); }
    int calls() const { return calls_; }
    std::vector<Bytes> writes() const;

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
    usb::Library& inner_;
    Trace& trace_;
    std::function<void(const Bytes&)> hook_;
    std::atomic<int> calls_{0};
    mutable std::mutex mutex_;
    std::vector<Bytes> writes_;
};

// A test clock whose pauses also go into a trace.
class TracingClock final : public usb::Clock {
public:
    explicit TracingClock(Trace& trace) : trace_(trace) {}
    std::uint32_t tickMs() override { return clock_.tickMs(); }
    void sleepMs(std::uint32_t ms) override;
    testing_support::ManualClock& manual() { return clock_; }

private:
    testing_support::ManualClock clock_;
    Trace& trace_;
};

struct Message {
    std::string text;
    std::string caption;
    updater::MessageIcon icon;
    bool operator==(const Message&) const = default;
};

struct DrawnLine {
    int y;
    std::string text;
    bool operator==(const DrawnLine&) const = default;
};

// Records what a run tells the user; message boxes are answered at once.
class RecordingUi final : public updater::UpdaterUi {
public:
    void drawLine(const std::string& text, int y) override;
    void messageBox(const std::string& text, const std::string& caption,
                    updater::MessageIcon icon) override;
    void printLine(const std::string& text) override;
    void endProgram(int exitStatus) override;

    std::vector<DrawnLine> lines;
    std::vector<Message> messages;
    std::vector<std::string> printed;
    std::vector<int> endings;  // exit statuses passed to endProgram
    std::function<void(const Message&)> onMessage;
};

// Deterministic bytes.
Bytes pattern(std::size_t size, std::uint32_t seed);

// A temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Writes the header followed by the payload.
    void writeImage(const std::string& name, const std::string& header, const Bytes& payload) const;
    void writeFile(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace updater_test

// One emulated box for a test: the emulator serving it on a socket in a
// temporary directory of its own, and the USB layer's socket back end that
// lists this box alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "emulator/Server.h"
#include "usb/UsbLibrary.h"

namespace testing_support {

class EmulatedBox {
public:
    using Bytes = std::vector<std::uint8_t>;

    explicit EmulatedBox(const std::string& serial = "2026", const std::string& state = "default");
    ~EmulatedBox();
    EmulatedBox(const EmulatedBox&) = delete;
    EmulatedBox& operator=(const EmulatedBox&) = delete;

    usb::Library& library() { return *library_; }
    // Ends the emulator (its connections close, as when it is killed) and
    // starts a new one on the same socket, in the named state.
    void restart(const std::string& state = "default");
    emu::Server& server() { return *server_; }
    const std::string& socketPath() const { return socketPath_; }

    // Every write the box received (handled or ignored) since the last clear.
    std::vector<Bytes> requests();
    // The requests among them that carry data or an order to the box (0x10).
    std::vector<Bytes> writes();
    void clearTrace() { server_->trace().clear(); }

    // A flash control line (without the word "flash"), and its reply.
    std::string flash(const std::string& args);
    // A copy of the box's flash.
    std::vector<std::uint8_t> contents();

private:
    std::filesystem::path dir_;
    std::string socketPath_;
    std::unique_ptr<emu::Server> server_;
    std::unique_ptr<usb::Library> library_;
};

}  // namespace testing_support

#include "EmulatedBox.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "emulator/flash/FlashProtocol.h"
#include "usb/SocketLibrary.h"

namespace testing_support {

EmulatedBox::EmulatedBox(const std::string& serial, const std::string& state) {
    std::string templ = (std::filesystem::temp_directory_path() / "v2-box-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = templ;
    socketPath_ = (dir_ / "box.sock").string();
    emu::ServerOptions options;
    options.socketPath = socketPath_;
    options.serial = serial;
    options.state = state;
    server_ = std::make_unique<emu::Server>(options);
    std::string error;
    if (!server_->start(&error)) {
        throw std::runtime_error("emulator: " + error);
    }
    library_ = usb::createSocketLibrary({socketPath_});
}

void EmulatedBox::restart(const std::string& state) {
    emu::ServerOptions options = server_->options();
    options.state = state;
    server_->stop();
    server_ = std::make_unique<emu::Server>(options);
    std::string error;
    if (!server_->start(&error)) {
        throw std::runtime_error("emulator: " + error);
    }
}

EmulatedBox::~EmulatedBox() {
    library_.reset();
    server_->stop();
    server_.reset();
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
}

std::vector<EmulatedBox::Bytes> EmulatedBox::requests() {
    std::vector<Bytes> out;
    for (const emu::TraceEntry& e : server_->trace().entries()) {
        if (e.kind == emu::TraceEntry::kRequest || e.kind == emu::TraceEntry::kIgnored) {
            out.push_back(e.bytes);
        }
    }
    return out;
}

std::vector<EmulatedBox::Bytes> EmulatedBox::writes() {
    std::vector<Bytes> out;
    for (Bytes& r : requests()) {
        if (!r.empty() && r.front() == 0x10) {
            out.push_back(std::move(r));
        }
    }
    return out;
}

std::string EmulatedBox::flash(const std::string& args) {
    return server_->command("flash " + args);
}

std::vector<std::uint8_t> EmulatedBox::contents() {
    return server_->withBox([](emu::Box& box) { return box.flash().contents(); });
}

}  // namespace testing_support

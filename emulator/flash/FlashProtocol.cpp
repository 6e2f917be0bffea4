// Placeholder until the flash model lands: the box ignores flash packets.
#include "FlashProtocol.h"

namespace emu {

struct FlashProtocol::State {
    std::vector<std::uint8_t> flash;
};

FlashProtocol::FlashProtocol(std::size_t flashSize) : state_(new State{std::vector<std::uint8_t>(flashSize, 0xFF)}) {}
FlashProtocol::~FlashProtocol() { delete state_; }
bool FlashProtocol::isFlashPacket(const std::uint8_t* data, std::size_t size) {
    return size >= 3 && (data[0] == 0x00 || data[0] == 0x01);
}
FlashReply FlashProtocol::handle(const std::uint8_t*, std::size_t) { return {}; }
std::string FlashProtocol::control(const std::string&) { return "error flash model not built"; }
std::string FlashProtocol::describe(const std::uint8_t*, std::size_t) const { return "flash packet"; }
const std::vector<std::uint8_t>& FlashProtocol::contents() const { return state_->flash; }

}  // namespace emu

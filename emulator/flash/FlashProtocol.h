// The box firmware's side of the flash programming protocol, over a
// simulated SPI NOR flash. Packets are recognised by byte 0 being 0x00 or
// 0x01; the configuration protocol uses 0x10 and 0x11.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

struct FlashReply {
    std::vector<std::uint8_t> answer;  // empty: the box gives no answer
    bool unplug = false;               // the box drops off the bus after this packet
};

class FlashProtocol {
public:
    static constexpr std::size_t kDefaultSize = 4u << 20;

    explicit FlashProtocol(std::size_t flashSize = kDefaultSize);
    ~FlashProtocol();

    static bool isFlashPacket(const std::uint8_t* data, std::size_t size);

    FlashReply handle(const std::uint8_t* data, std::size_t size);

    // One control line without its leading word "flash", for example
    // "dump /tmp/flash.bin"; returns a one-line reply that starts with "ok" or "error".
    std::string control(const std::string& args);

    // A readable description of a packet for the traffic trace.
    std::string describe(const std::uint8_t* data, std::size_t size) const;

    const std::vector<std::uint8_t>& contents() const;

private:
    struct State;
    State* state_;
};

}  // namespace emu

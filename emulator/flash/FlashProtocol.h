// The box firmware's side of the flash programming protocol, over a
// simulated SPI NOR flash. Packets are recognised by byte 0 being 0x00 or
// 0x01; the configuration protocol uses 0x10 and 0x11.
//
// What the emulated firmware does:
// - control commands 01 01 C (C = D5 speed, D6 FPGA normal, D8 FPGA reset,
//   D9 write active, DB update begin, DC update ok) answer C;
// - the ready poll 01 01 DA answers DA 01, or DA 00 for the first few polls
//   after a D9;
// - 01 01 D0 05 answers the flash status register (bit 0 busy, bit 1 write
//   enabled); every read counts down the busy time of an erase;
// - 00 n D0 I ... (n = packet length) passes instruction I to the flash
//   (06 write enable, 04 write disable, D8 64 KB sector erase) and answers the
//   two's complement of the packet's byte sum;
// - 00 L D7 02 A2 A1 A0 D1..DL K programs L (1 to 32) bytes at A2 A1 A0 and
//   answers D7 when K is the two's complement of the data bytes' sum;
// - erase and page write need the FPGA held in reset (after D8, before D6);
//   an instruction that the flash does not carry out (FPGA running, no write
//   enable, flash busy, address beyond the flash, wrong K) gets a wrong answer
//   (the expected answer with every bit inverted) and changes nothing;
// - anything else gets no answer.
// All delays count packets, never wall time.
//
// Control lines ("flash <args>"): dump <file> writes the whole flash to a
// file; fill <byte> sets every flash byte (old contents); fail-chunks <n>
// [after <m>] answers the n page-write packets after the next m wrongly and
// writes nothing for them; unplug-after <n> lets n page-write packets through
// and drops off the bus at the next one, without answer; never-ready [on|off]
// keeps the ready poll at DA 00; stay-busy [on|off] leaves the flash busy for
// good after its next erase; ready-polls <n> and erase-polls <n> set the
// not-ready answers after D9 and the busy status reads after an erase;
// clear-faults; status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
    static constexpr std::uint32_t kDefaultNotReadyPolls = 3;
    static constexpr std::uint32_t kDefaultEraseBusyPolls = 3;

    explicit FlashProtocol(std::size_t flashSize = kDefaultSize);
    ~FlashProtocol();
    FlashProtocol(const FlashProtocol&) = delete;
    FlashProtocol& operator=(const FlashProtocol&) = delete;

    static bool isFlashPacket(const std::uint8_t* data, std::size_t size);

    FlashReply handle(const std::uint8_t* data, std::size_t size);

    // One control line without its leading word "flash", for example
    // "dump /tmp/flash.bin"; returns a one-line reply that starts with "ok" or
    // "error". "help" lists the commands.
    std::string control(const std::string& args);

    // A readable description of a packet for the traffic trace.
    std::string describe(const std::uint8_t* data, std::size_t size) const;

    // The flash memory. Not to be read while another thread calls handle().
    const std::vector<std::uint8_t>& contents() const;

    bool fpgaInReset() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace emu

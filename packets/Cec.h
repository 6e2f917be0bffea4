// Common CEC messages offered for the CEC text, so that a user need not
// look up opcodes: a message is its header byte (initiator and destination
// logical address), the opcode and any operands.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace packets {

// Logical addresses used as destinations.
inline constexpr std::uint8_t kCecTv = 0x0;
inline constexpr std::uint8_t kCecAudioSystem = 0x5;
inline constexpr std::uint8_t kCecBroadcast = 0xF;

struct CecMessage {
    std::string_view name;  // as the list shows it
    std::uint8_t destination;
    std::uint8_t size;                 // bytes of body used
    std::array<std::uint8_t, 3> body;  // opcode, then operands
};

std::span<const CecMessage> cecMessages();

// The box's own logical address by the index of its CEC device type
// (cmbLa): 0 video processor 0xE, 1 audio system 0x5. Other indices (an
// empty list) give the video processor's.
std::uint8_t cecInitiator(int deviceTypeIndex);

// The message as byte-list text for the CEC editor, for example "ef:36".
std::string cecMessageText(std::uint8_t initiator, const CecMessage& message);

}  // namespace packets

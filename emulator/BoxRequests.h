// What the box's request handlers share: the replies, the length check of a
// fixed-layout request and the kinds of tagged packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "Box.h"

namespace emu::request {

using Bytes = std::span<const std::uint8_t>;

// A request the box ignores, and why.
BoxReply ignore(std::string description, std::string reason);
// The box's two-byte answer: the echo and 0x00.
BoxReply answered(std::uint8_t echo, std::string description);
// Checks the total length and the length byte of a fixed-layout request; empty when they fit.
std::string checkFixed(Bytes r, std::size_t size, std::uint8_t lengthByte);
// A command of a tagged packet: infoframes, CEC message, Dolby Vision block.
bool isTagged(std::uint8_t command);

}  // namespace emu::request

// A raw command sent once through the box's RS-232 port, typed as a byte
// list (for example "21:89:01:49:50:36" to switch a projector to input 1).
#pragma once

#include <string_view>

#include "packets/Exchange.h"

namespace packets {

inline constexpr std::size_t kRs232MaxChars = 47;  // 16 values
inline constexpr std::string_view kRs232Refused = "Error: max 16 values";
inline constexpr std::string_view kRs232Written = "RS232 values written";
inline constexpr std::string_view kRs232Failed = "Error Writing RS232";

// 0x10, d + 1, 0xF0, the d values, 0x00. Refused with "Error: max 16
// values" and what is wrong when the text is longer than 47 characters,
// holds no values or is not a well-formed list.
Request rs232Request(std::string_view text);

// "RS232 values written" for 2000 ms or "Error Writing RS232" for 4000 ms.
SendResult sendRs232(boxlink::UsbLink& link, std::string_view text);

}  // namespace packets

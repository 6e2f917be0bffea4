// Sending one fixed request to the box and what the user is told about it.
// The request builders of this module return a Request; the send functions
// return a SendResult, which the caller shows (status bar, command line) and
// whose register write, if any, it sends next with writeRegister.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/UsbLink.h"
#include "packets/ByteList.h"
#include "settings/RegisterMap.h"

namespace packets {

inline constexpr int kNoticeMs = 2000;  // success messages and refusals
inline constexpr int kErrorMs = 4000;   // failures of the exchange

// A request ready to send, or the reason it is not sent.
struct Request {
    Bytes bytes;
    std::string refusal;  // status-bar text when refused, empty when ready

    bool ok() const { return refusal.empty(); }
};

enum class Outcome {
    Refused,  // the input was refused; nothing was sent
    Sent,     // the box answered with the command's echo
    Failed,   // the exchange failed or the answer was not the echo
};

struct SendResult {
    Outcome outcome = Outcome::Refused;
    std::string message;  // status-bar text; empty when nothing is shown
    int timeoutMs = 0;
    // Sent next with writeRegister; its value is then stored in
    // epState[*epByte], whether or not that write succeeded.
    std::optional<boxsettings::RegisterWrite> registerWrite;

    bool sent() const { return outcome == Outcome::Sent; }
};

// One exchange that expects at least 2 answer bytes, the first echoing
// `echo`. False when the exchange failed or the echo is wrong.
bool exchange(boxlink::UsbLink& link, std::span<const std::uint8_t> request, std::uint8_t echo);

// The request's command (byte 2) is the echo expected. success may be empty
// (nothing shown); failure is shown for kErrorMs.
SendResult sendRequest(boxlink::UsbLink& link, const Bytes& request, std::string_view success,
                       int successMs, std::string_view failure);

SendResult refusal(std::string message);

}  // namespace packets

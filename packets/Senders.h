// The senders of raw packets typed as byte lists: the custom HDR, AVI and
// vendor-specific infoframes, the Dolby Vision block and CEC messages. Each
// wraps its values into one tagged request:
//
//   0x10, d + 6, command, five tag letters, d, then the d values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "packets/ByteList.h"
#include "packets/Exchange.h"
#include "status/PageBytes.h"

namespace packets {

enum class SenderId { Hdr, Avi, Vsi, DolbyVision, Cec };

// When a sender writes its register after sending.
enum class After { Never, OnSuccess, Always };

// The register page in which the box keeps the last infoframe of a kind.
struct StoredFrame {
    std::uint8_t page;
    std::uint8_t length;  // read length, the echo byte included
    std::uint8_t type;    // the type and version it must have to be shown
    std::uint8_t version;
};

struct Sender {
    SenderId id;
    std::string_view name;    // short name: "hdr", "avi", "vsi", "dv", "cec"
    std::string_view slot;    // the window's slot
    std::string_view editor;  // the text editor the slot reads
    std::string_view tag;     // five ASCII letters
    std::uint8_t command;
    // Accepted length of the text in characters; a well-formed list of n
    // values has 3n - 1 characters.
    std::size_t minChars;
    std::size_t maxChars;
    std::string_view refused;  // status-bar text of a refused text (2000 ms)
    std::string_view success;  // 2000 ms
    std::string_view failure;  // 4000 ms
    // After the send: register := 1 and epState[epByte] := 1, when `after` says.
    After after;
    std::uint8_t reg;
    std::uint8_t epByte;
    std::optional<StoredFrame> stored;

    std::size_t minValues() const { return (minChars + 1) / 3; }
    std::size_t maxValues() const { return (maxChars + 1) / 3; }
};

inline constexpr std::size_t kTagLength = 5;
inline constexpr std::size_t kTaggedHeader = 9;  // bytes before the values

std::span<const Sender> senders();
const Sender& sender(SenderId id);
// By short name or slot name; nullptr when there is none.
const Sender* findSender(std::string_view name);

// The tagged request for 1 to 249 values; empty for any other count.
Bytes taggedRequest(const Sender& sender, std::span<const std::uint8_t> values);

// The request for a typed text (8-bit characters), or the refusal: the
// sender's message, a colon and what is wrong, for example
// "Error: min 2, max 16 values: value 3 is not two hexadecimal digits".
Request prepareTagged(const Sender& sender, std::string_view text);

// Prepares and sends. The register write to follow, if any, is in the result.
SendResult sendTagged(boxlink::UsbLink& link, const Sender& sender, std::string_view text);

// The register write that follows a send with the given outcome, if any.
std::optional<boxsettings::RegisterWrite> writeAfter(const Sender& sender, Outcome outcome);

// A stored infoframe page (14, 15, 16) as byte-list text: from byte 2 the
// type, version, length L, checksum and payload, L + 4 bytes but no further
// than the page; nothing when the type and version are not the expected ones.
std::optional<std::string> storedInfoframe(boxstatus::Bytes page, std::uint8_t type,
                                           std::uint8_t version);
std::optional<std::string> storedInfoframe(const Sender& sender, boxstatus::Bytes page);

}  // namespace packets

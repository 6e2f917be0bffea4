// The scaling parameters of each input port (register pages 9 and 10): for
// the input formats 4K60, 4K30, 1080p60 and 1080p30, whether the port
// converts it, to which resolution, colour space and deep colour. Sent as
// one 26-byte request per port.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "packets/Exchange.h"
#include "status/PageBytes.h"

namespace packets {

enum ScalerFormat : std::uint8_t { k4k60 = 0, k4k30 = 1, k1080p60 = 2, k1080p30 = 3 };
inline constexpr std::size_t kScalerFormats = 4;

struct ScalerRow {
    bool convert = false;          // cb<format>ModePort<n>
    std::uint8_t resolution = 0;   // scale combo box index: 0 the 1080p item, 1 the 4K item
    std::uint8_t colourSpace = 0;  // colour-space combo box index, 0 "FOLLOW"
    std::uint8_t deepColour = 0;   // deep-colour combo box index, 0 "FOLLOW"

    friend bool operator==(const ScalerRow&, const ScalerRow&) = default;
};

struct ScalerPort {
    std::array<ScalerRow, kScalerFormats> rows{};  // by ScalerFormat

    friend bool operator==(const ScalerPort&, const ScalerPort&) = default;
};

inline constexpr std::size_t kScalerRequestSize = 26;
inline constexpr std::string_view kScalerFailed = "Error Writing values";

// Only the 1080p formats of port 0 (upscaling) and the 4K formats of port 1
// (downscaling) have a resolution to choose; the others send 0.
bool hasResolutionChoice(int port, std::uint8_t format);

// The box's codes by combo box index; an index outside the list gives the
// code of "FOLLOW" (index 0).
std::uint8_t colourSpaceCode(int index);
std::uint8_t deepColourCode(int index);
// Combo box index of a code read from the box; codes outside the lists show
// as "FOLLOW" (index 0), and deep-colour codes 0 and 2 as "8-bit" (index 1).
int colourSpaceIndex(std::uint8_t code);
int deepColourIndex(std::uint8_t code);

// 0x10, 0x17, 0xE7, "param 0" or "param 1", then per format in the order
// 4K60, 4K30, 1080p60, 1080p30: mode flag, resolution, colour-space code,
// deep-colour code. port is 0 or 1; any other gives no request.
std::optional<Bytes> scalerRequest(int port, const ScalerPort& settings);
// Page 9 (port 0) or 10 (port 1) holds the 16 data bytes from byte 2. Bytes
// beyond a short page count as 0.
ScalerPort scalerPortFromPage(int port, boxstatus::Bytes page);

// Success shows nothing; a failure "Error Writing values" for 4000 ms.
SendResult sendScalerPort(boxlink::UsbLink& link, int port, const ScalerPort& settings);

}  // namespace packets

// The HDR dynamic range and mastering infoframe (CTA-861.3) composed from
// readable values, and a readable account of an infoframe before it is sent.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace packets {

inline constexpr std::size_t kHdrInfoframeSize = 30;
using HdrInfoframe = std::array<std::uint8_t, kHdrInfoframeSize>;

// The primaries sets by index: 0 BT.709, 1 BT.2020, 2 DCI-P3, each with the
// D65 white point.
enum HdrPrimaries : std::uint8_t { kBt709 = 0, kBt2020 = 1, kDciP3 = 2 };

struct HdrInputs {
    // 0 SDR luminance range, 1 HDR luminance range, 2 SMPTE ST 2084, 3 HLG.
    std::uint8_t eotf = 2;
    // An HdrPrimaries index; any other leaves the chromaticities at 0.
    std::uint8_t primaries = kDciP3;
    std::uint16_t maxLuminance = 4000;  // cd/m2
    double minLuminance = 0.005;        // cd/m2, 0 to 6.5535 in steps of 0.0001
    std::uint16_t maxCll = 1000;        // cd/m2
    std::uint16_t maxFall = 400;        // cd/m2
};

// Green x, green y, blue x, blue y, red x, red y, white x, white y in units
// of 0.00002, for an HdrPrimaries index; all 0 for any other.
std::array<std::uint16_t, 8> hdrPrimaries(std::uint8_t index);

// A value with four decimals in units of 0.0001, truncated toward zero and
// kept within 0 to 65535. The decimal value is what counts: 0.05 gives 500
// although 0.05 / 0.0001 is a little below 500 in binary floating point.
std::uint16_t tenThousandths(double value);

// Type 0x87, version 1, length 26, checksum, then the payload; 16-bit values
// low byte first. All 30 bytes add up to 0 modulo 256.
HdrInfoframe composeHdrInfoframe(const HdrInputs& inputs);

// The byte-list text of an infoframe: "87:01:1a:...", 89 characters for 30 bytes.
std::string hdrInfoframeText(const HdrInfoframe& frame);

// What an infoframe says, one line each, as the status monitor decodes a
// captured one: the first six lines are the EOTF, the three primaries, the
// white point and the mastering target they match; then the four luminance
// values, the white point target, the length when the list does not hold
// what the header gives, and whether the checksum holds. A frame of another type or version gives
// one line that says so.
std::vector<std::string> hdrInfoframePreview(std::span<const std::uint8_t> frame);
// The same for a typed byte list (8-bit characters): nothing for an empty
// text, one line with what is wrong for a text that is not a byte list.
std::vector<std::string> hdrTextPreview(std::string_view text);

}  // namespace packets

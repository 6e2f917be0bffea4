// The projector macros (register page 65): which picture mode or gamma the
// box switches a projector to over RS-232, per kind of content and by the
// HDR10 metadata of the input. Sent as one 48-byte request.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "packets/Exchange.h"
#include "status/PageBytes.h"

namespace packets {

// The metadata value a rule compares (the A combo boxes).
enum MacroMetadata : std::uint8_t { kMaxBrightness = 0, kMinBrightness = 1, kMaxCll = 2 };

struct MacroRule {
    std::uint8_t metadata = kMaxBrightness;  // cmbMacro<k>A index
    // The threshold as sent, low byte first: cd/m2, or units of 0.0001 cd/m2
    // for kMinBrightness (see macroThreshold()).
    std::uint16_t threshold = 0;
    std::uint8_t mode = 0;  // cmbMacro<k>C index, a picture mode

    friend bool operator==(const MacroRule&, const MacroRule&) = default;
};

inline constexpr std::size_t kMacroRules = 6;        // rules 0 to 5 compare a value
inline constexpr std::size_t kPictureModeRows = 10;  // cmbJvcPm0 to cmbJvcPm9

struct Macros {
    bool enabled = false;          // cbJvcMacroEn
    bool everySync = false;        // cbJvcMacroRefresh
    std::uint8_t hdr10Mode = 0;    // cmbMacroHdr10Mode index
    std::uint8_t ruleEnables = 0;  // bit k: cbMacro<k>En, k = 0 to 6
    std::array<MacroRule, kMacroRules> rules{};
    std::uint8_t elseMode = 0;                                  // cmbMacro6C index: rule 6, "ELSE"
    std::uint8_t syncDelay = 1;                                 // sbJvcDelay, seconds, 1 to 60
    std::array<std::uint8_t, kPictureModeRows> pictureModes{};  // cmbJvcPm0 to 9 indices

    friend bool operator==(const Macros&, const Macros&) = default;
};

inline constexpr std::size_t kMacroRequestSize = 48;
inline constexpr std::string_view kMacrosWritten = "Macro values written";
inline constexpr std::string_view kMacrosFailed = "Error Writing values";

// The threshold that a spin box value stands for: the value in units of
// 0.0001 for kMinBrightness (0 to 6.5535), else the value itself (0 to
// 65535); truncated toward zero and kept within 0 to 65535.
std::uint16_t macroThreshold(std::uint8_t metadata, double shown);
// The spin box value of a threshold, the inverse of macroThreshold().
double macroThresholdShown(std::uint8_t metadata, std::uint16_t threshold);

// 0x10, 0x2D, 0xEF, "macro ", then 39 data bytes.
Bytes macroRequest(const Macros& macros);
// Page 65 holds the 39 data bytes from byte 2. Bytes beyond a short page count as 0.
Macros macrosFromPage(boxstatus::Bytes page65);

// "Macro values written" or "Error Writing values", both for 4000 ms.
SendResult sendMacros(boxlink::UsbLink& link, const Macros& macros);

}  // namespace packets

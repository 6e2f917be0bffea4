// Decoding of the captured Dolby Vision video data block (register page 13)
// and of the captured HDR dynamic range and mastering infoframe (register
// page 20) into the texts of the "DV / IF" and "HDR IF" tabs.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "status/PageBytes.h"
#include "status/TextUpdate.h"

namespace boxstatus {

inline constexpr std::size_t kDvPageLength = 28;   // page 13
inline constexpr std::size_t kHdrPageLength = 33;  // page 20

inline constexpr std::string_view kDvDumpWidget = "txtDvBlock";
inline constexpr std::array<std::string_view, 10> kDvLabels = {
    "lblDvVersion", "lblDvCaps2160", "lblDvCaps422", "lblDvCapsDim", "lblDvMaxLum",
    "lblDvMinLum",  "lblDvRed",      "lblDvGreen",   "lblDvBlue",    "lblDvWhite",
};

inline constexpr std::string_view kHdrDumpWidget = "txtHdrIf";
inline constexpr std::array<std::string_view, 11> kHdrLabels = {
    "lblHdrEotf",  "lblWhitePoint",      "lblMaxLum",      "lblMinLum",
    "lblMaxCll",   "lblMaxFall",         "lblPrimary0",    "lblPrimary1",
    "lblPrimary2", "lblHdrMasterTarget", "lblHdrWpTarget",
};

// A chromaticity byte of the Dolby Vision block as a binary fraction, bit 7
// first. The last two weights are rounded to six places (0.007813 and
// 0.003906), not 1/128 and 1/256.
float dvChromaticity(std::uint8_t byte);

// page: the page 13 answer (28 bytes). txtDvBlock is set only when a block is
// present; a block of a version other than 0 and 1 refreshes the dump alone.
TextUpdates decodeDolbyVision(Bytes page);

// page: the page 20 answer (33 bytes). Anything but type 0x87 version 1
// clears the dump and all labels.
TextUpdates decodeHdrInfoframe(Bytes page);

}  // namespace boxstatus

// The item lists of the window's combo boxes. The form holds no items; the
// start-up fills the combo boxes from these once the box is open.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "settings/Words.h"

namespace gui::items {

using List = std::span<const std::string_view>;

inline constexpr const auto& kInputs = boxsettings::kInputCaptions;
inline constexpr const auto& kBaudRates = boxsettings::kBaudRateCaptions;
// Colour spaces; two combo boxes of port 1 take only the first 7.
extern const std::array<std::string_view, 9> kColourSpaces;
inline constexpr std::size_t kColourSpacesWithout420 = 7;
extern const std::array<std::string_view, 5> kDeepColours;
extern const std::array<std::string_view, 2> kScale60;
extern const std::array<std::string_view, 2> kScale30;
extern const std::array<std::string_view, 4> kPreset4k30;
extern const std::array<std::string_view, 4> kPreset4k60;
extern const std::array<std::string_view, 5> kPreset4k60Hdr;
// The box's EDID tables, for port 0 (cmBEdid).
inline constexpr const auto& kEdidTables = boxsettings::kEdidTableNames;
// The choices of port 1 (cmbEdidTop): follow port 0, then the tables, with
// tables 8 to 10 named as custom tables.
extern const std::array<std::string_view, 101> kEdidTablesTop;
extern const std::array<std::string_view, 2> kCecDeviceTypes;
extern const std::array<std::string_view, 5> kEdidAlgorithms;
extern const std::array<std::string_view, 4> kHdrEotfs;
extern const std::array<std::string_view, 3> kHdrPrimaries;
extern const std::array<std::string_view, 1> kHdrWhitePoints;
extern const std::array<std::string_view, 4> kMacroHdr10Modes;
// Projector picture modes.
extern const std::array<std::string_view, 22> kPictureModes;
// The HDR10 metadata value a macro rule compares.
extern const std::array<std::string_view, 3> kMacroMetadata;

}  // namespace gui::items

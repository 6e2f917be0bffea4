// How the box chooses the EDID that it presents on its inputs: the EDID mode
// (register 29), the tables of the custom mode (registers 32 and 33) and the
// automix algorithm (register 31); and which of them allow an upload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "settings/RegisterMap.h"

namespace edid {

enum class EdidMode : std::uint8_t {
    Automix = 1,
    Fixed = 2,
    Custom = 3,
    CopyTop = 4,  // a copy of the EDID of the TV on TX1 [TOP]
    CopyBot = 5,  // a copy of the EDID of the TV on TX0 [BOT]
};

struct ModeInfo {
    EdidMode mode;
    std::string_view name;     // short name on command lines
    std::string_view radio;    // the window's radio button
    std::string_view caption;  // its text
    bool allowsUpload;         // an upload into a custom table may go ahead
};

std::span<const ModeInfo> edidModes();
const ModeInfo& modeInfo(EdidMode mode);
// By short name: "automix", "fixed", "custom", "copy-top", "copy-bot".
std::optional<EdidMode> modeByName(std::string_view name);
// By register value 1..5.
std::optional<EdidMode> modeFromValue(int value);

inline constexpr std::uint8_t kEdidModeRegister = boxsettings::kRegEdidMode;
inline constexpr std::uint8_t kEdidAlgoRegister = boxsettings::kRegEdidAlgo;
// Table 1..100 of input port 0.
inline constexpr std::uint8_t kPort0TableRegister = boxsettings::kRegEdidTablePort0;
// Table 1..100 of input port 1, or 0: the same table as port 0.
inline constexpr std::uint8_t kPort1TableRegister = boxsettings::kRegEdidTablePort1;

// The box's 100 tables; only the custom tables 1 to 10 take uploads.
inline constexpr int kTableCount = 100;
inline constexpr int kCustomTableCount = 10;
constexpr bool isCustomTable(int table) {
    return table >= 1 && table <= kCustomTableCount;
}

// Why an upload is refused.
inline constexpr char kUploadRefused[] =
    "\nSelect CUSTOM EDID TABLE mode to upload an EDID table\n";
// An upload may go ahead unless the mode is automix or fixed or the table is
// not a custom table. mode is empty when no mode is chosen.
bool uploadAllowed(std::optional<EdidMode> mode, int table);

}  // namespace edid

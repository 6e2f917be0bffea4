#include "settings/RegisterMap.h"

#include <algorithm>

namespace boxsettings {

namespace {

using E = Encoding;
constexpr std::nullopt_t none = std::nullopt;

constexpr RegisterSlot kRows[] = {
    {"SetActivePort", 25, none, 0, true, E::IndexPlus1, {"cmbInputSel"}, 4},
    {"SetAutoSwitch", 26, 8, none, false, E::Flag, {"autoSwEn"}},
    {"setSwPriority", 27, 9, none, false, E::Flag, {"pPrioForce"}, 0, "bPrioNorm"},
    {"setAutoScale", 28, 2, none, false, E::ScaleMode, {"cbAutoScale", "cbCustomScale"}},
    {"SetEDID_Mode",
     kRegEdidMode,
     10,
     none,
     false,
     E::EdidMode,
     {"automixEDID", "fixedEDID", "customEDID", "rbCopyTopEDID", "rbCopyBotEDID"}},
    {"SetHDCP_Version", 30, 4, none, false, E::Hdcp, {"hdcp14", "hdcp22"}},
    {"setEdidAlgo", kRegEdidAlgo, none, 11, true, E::Index, {"cmbEdidAlgo"}},
    {"changeCustomEdid", kRegEdidTablePort0, none, 13, true, E::IndexPlus1, {"cmBEdid"}},
    {"changeCustomEdid", kRegEdidTablePort1, none, 12, true, E::Index, {"cmbEdidTop"}},
    {"setAudioFlags",
     34,
     14,
     none,
     true,
     E::AudioCode,
     {"cb2cForce", "cb51", "cbFull", "cbAudioNative", "cbAudioTop"}},
    {"setBt2020", 35, 15, none, false, E::Flag, {"cbBt2020"}},
    {"setYUV", 36, 16, none, false, E::Flag, {"cbYUV"}},
    {"set3D", 37, 17, none, false, E::Flag, {"cb3D"}},
    {"forceHdr", 38, 18, none, false, E::Bits, {"cbHdr", "cbHlg"}},
    {"setDolbyVision", 39, 19, none, false, E::Bits, {"cbDv", "cbDvRemove", "cbDvLimit"}},
    {"setHdrCustom", 40, 20, none, false, E::Flag, {"cbHdrCustom"}},
    {"setHdrDisable", 41, 21, none, true, E::Flag, {"cbHdrDisable"}},
    {"setAviCustom", 42, 22, none, false, E::Flag, {"cbAviCustom"}},
    {"setAviDisable", 43, 23, none, true, E::Flag, {"cbAviDisable"}},
    {"setVsiCustom", 44, 24, none, false, E::Flag, {"cbVsiCustom"}},
    {"setVsiDisable", 45, 25, none, true, E::Flag, {"cbVsiDisable"}},
    {"setPreset4k30Mode", 46, none, 26, true, E::PresetCode, {"cmbPreset4k30"}},
    {"setPreset4k60Mode", 47, none, 27, true, E::PresetCode, {"cmbPreset4k60"}},
    {"setPreset4k60HdrMode", 48, none, 28, true, E::PresetCode, {"cmbPreset4k60Hdr"}},
    {"setLogoLed", 50, 30, none, false, E::Flag, {"enableLed"}, 0, "disableLed"},
    {"setCEC", 56, 36, none, false, E::Flag, {"cbCec"}},
    {"setCecLa", 57, none, 37, true, E::Index, {"cmbLa"}, 2},
    {"setHtpcMode", 58, 38, none, false, E::Flag, {"cbHtpcEnable"}, 0, "cbHtpcDisable"},
    {"setHotPlug", 62, none, none, false, E::Always1, {}},
    {"factoryReset",
     63,
     none,
     none,
     false,
     E::FactoryReset,
     {"leReset", "cbClearEdid", "cbClearSettings"}},
    {"setBaudRate", 66, none, 42, true, E::Index, {"cmbBaudRate"}, 4},
    {"setArcHbr", 67, 43, none, false, E::Flag, {"cbArcAllowHbr"}},
    {"setAutoScaleNoUpscale", 68, 46, none, false, E::Flag, {"cbAutoScaleNoUpscale"}},
    {"setAudioVolBassTreb", 69, none, 47, true, E::LowByte, {"sbAudioVolume"}},
    {"setAudioVolBassTreb", 70, none, 48, true, E::LowByte, {"sbAudioBass"}},
    {"setAudioVolBassTreb", 71, none, 49, true, E::LowByte, {"sbAudioTreble"}},
    {"setMuteAudioBot", 72, 50, none, false, E::Flag, {"cbMuteBotAudioOn"}, 0, "cbMuteBotAudioOff"},
    {"setHdrOptions", 73, 51, none, true, E::Bits, {"cbHlgOptionDisable", "cbHdr10OptionDisable"}},
};

// The checked states of a row's widgets, in the row's order.
template <std::size_t N>
std::array<bool, N> checkedStates(const RegisterSlot& row, const WidgetValues& widgets) {
    std::array<bool, N> states{};
    for (std::size_t i = 0; i < N; ++i) {
        states[i] = !row.widgets[i].empty() && widgets.isChecked(row.widgets[i]);
    }
    return states;
}

std::optional<std::uint8_t> indexValue(const RegisterSlot& row, int index, int offset) {
    if (index < 0 || (row.items != 0 && index >= row.items)) {
        return std::nullopt;
    }
    return lowByte(index + offset);
}

std::optional<std::uint8_t> rowValue(const RegisterSlot& row, const WidgetValues& widgets,
                                     std::span<const std::uint8_t> epState) {
    const std::string_view first = row.widgets[0];
    switch (row.encoding) {
        case E::Flag:
            return flagValue(widgets.isChecked(first));
        case E::Index:
            return indexValue(row, widgets.value(first), 0);
        case E::IndexPlus1:
            return indexValue(row, widgets.value(first), 1);
        case E::Bits: {
            const auto states = checkedStates<kMaxSlotWidgets>(row, widgets);
            return bitsValue(std::span(states).first(row.widgetList().size()));
        }
        case E::ScaleMode:
            return scaleMode(widgets.isChecked(row.widgets[0]), widgets.isChecked(row.widgets[1]));
        case E::EdidMode:
            return edidMode(checkedStates<5>(row, widgets));
        case E::Hdcp:
            return hdcpCode(widgets.isChecked(row.widgets[0]), widgets.isChecked(row.widgets[1]));
        case E::AudioCode: {
            const std::uint8_t code = audioCode(checkedStates<5>(row, widgets));
            if (row.epByte && *row.epByte < epState.size() && epState[*row.epByte] == code) {
                return std::nullopt;
            }
            return code;
        }
        case E::PresetCode:
            return presetCode(row.reg, widgets.value(first));
        case E::LowByte:
            return lowByte(widgets.value(first));
        case E::Always1:
            return 1;
        case E::FactoryReset:
            return std::nullopt;
    }
    return std::nullopt;
}

// 1-based position of the first checked entry, 0 when none is checked.
std::uint8_t firstChecked(std::span<const bool> checked) {
    const auto it = std::find(checked.begin(), checked.end(), true);
    return it == checked.end() ? 0 : static_cast<std::uint8_t>(it - checked.begin() + 1);
}

}  // namespace

const std::array<Preset, 8> kPresets = {{
    {0, "PRESET_4K30_444_8"},
    {2, "PRESET_1080P30_444_8_10_12"},
    {3, "PRESET_4K30_422_12"},
    {4, "PRESET_4K60_420_8"},
    {5, "PRESET_4K60_420_10_12"},
    {6, "PRESET_1080P60_444_8_10_12"},
    {7, "PRESET_1080P60_444_8"},
    {8, "PRESET_AUTOSENSE"},
}};

const std::array<std::uint8_t, 4> kPreset4k30Codes = {8, 0, 3, 2};
const std::array<std::uint8_t, 4> kPreset4k60Codes = {8, 4, 6, 7};
const std::array<std::uint8_t, 5> kPreset4k60HdrCodes = {8, 4, 5, 6, 7};

std::span<const std::string_view> RegisterSlot::widgetList() const {
    const auto used = std::find(widgets.begin(), widgets.end(), std::string_view{});
    return std::span(widgets.data(), static_cast<std::size_t>(used - widgets.begin()));
}

std::span<const RegisterSlot> registerMap() {
    return kRows;
}

const RegisterSlot* findRegister(std::uint8_t reg) {
    for (const RegisterSlot& row : kRows) {
        if (row.reg == reg) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<std::uint8_t> registerByte(std::uint8_t reg) {
    if (reg == kRegMacroRepeat) {
        return 39;
    }
    const RegisterSlot* row = findRegister(reg);
    return row != nullptr ? row->stateByte() : std::nullopt;
}

std::vector<const RegisterSlot*> slotRows(std::string_view slot) {
    std::vector<const RegisterSlot*> rows;
    for (const RegisterSlot& row : kRows) {
        if (row.slot == slot) {
            rows.push_back(&row);
        }
    }
    return rows;
}

std::optional<RegisterWrite> encodeRow(const RegisterSlot& row, const WidgetValues& widgets,
                                       std::span<const std::uint8_t> epState) {
    const std::optional<std::uint8_t> value = rowValue(row, widgets, epState);
    if (!value) {
        return std::nullopt;
    }
    return RegisterWrite{row.reg, *value, row.epByte};
}

std::vector<RegisterWrite> slotWrites(std::string_view slot, const WidgetValues& widgets,
                                      std::span<const std::uint8_t> epState, bool settingsReady) {
    std::vector<RegisterWrite> writes;
    for (const RegisterSlot* row : slotRows(slot)) {
        if (row->gated && !settingsReady) {
            continue;
        }
        if (auto write = encodeRow(*row, widgets, epState)) {
            writes.push_back(*write);
        }
    }
    return writes;
}

std::uint8_t bitsValue(std::span<const bool> checked) {
    unsigned value = 0;
    for (std::size_t bit = 0; bit < checked.size() && bit < 8; ++bit) {
        if (checked[bit]) {
            value |= 1u << bit;
        }
    }
    return static_cast<std::uint8_t>(value);
}

std::uint8_t audioCode(std::span<const bool, 5> checked) {
    return firstChecked(checked);
}

std::uint8_t scaleMode(bool autoScale, bool customScale) {
    if (autoScale) {
        return 1;
    }
    return customScale ? 2 : 0;
}

std::optional<std::uint8_t> edidMode(std::span<const bool, 5> checked) {
    const std::uint8_t code = firstChecked(checked);
    if (code == 0) {
        return std::nullopt;
    }
    return code;
}

std::optional<std::uint8_t> hdcpCode(bool hdcp14, bool hdcp22) {
    if (hdcp14) {
        return 2;
    }
    if (hdcp22) {
        return 3;
    }
    return std::nullopt;
}

std::span<const std::uint8_t> presetCodes(std::uint8_t reg) {
    switch (reg) {
        case 46:
            return kPreset4k30Codes;
        case 47:
            return kPreset4k60Codes;
        case 48:
            return kPreset4k60HdrCodes;
        default:
            return {};
    }
}

std::optional<std::uint8_t> presetCode(std::uint8_t reg, int index) {
    const std::span<const std::uint8_t> codes = presetCodes(reg);
    if (index < 0 || static_cast<std::size_t>(index) >= codes.size()) {
        return std::nullopt;
    }
    return codes[static_cast<std::size_t>(index)];
}

std::string_view presetName(std::uint8_t code) {
    for (const Preset& preset : kPresets) {
        if (preset.code == code) {
            return preset.name;
        }
    }
    return {};
}

FactoryResetAction factoryReset(std::string_view resetText, bool clearEdid, bool clearSettings) {
    if (resetText != kResetWord) {
        return {std::nullopt, kResetWordMissing, false};
    }
    std::uint8_t value = 0;
    if (clearEdid) {
        value |= 1;
    }
    if (clearSettings) {
        value |= 2;
    }
    if (value == 0) {
        return {std::nullopt, kResetChoiceMissing, true};
    }
    return {RegisterWrite{63, value, std::nullopt}, {}, true};
}

}  // namespace boxsettings

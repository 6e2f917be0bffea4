#include "status/SettingsMirror.h"

#include <algorithm>
#include <array>
#include <optional>

#include "settings/RegisterMap.h"
#include "settings/ScalerWidgets.h"
#include "status/Printf.h"

namespace boxstatus {

namespace {

using Names = std::span<const std::string_view>;

class Plan {
public:
    void checked(std::string_view widget, bool on) { add(widget, WidgetAction::SetChecked, on); }
    void enabled(std::string_view widget, bool on) { add(widget, WidgetAction::SetEnabled, on); }
    void visible(std::string_view widget, bool on) { add(widget, WidgetAction::SetVisible, on); }
    void index(std::string_view widget, int index) {
        ops.push_back({widget, WidgetAction::SetCurrentIndex, index, {}});
    }
    void value(std::string_view widget, int value) {
        ops.push_back({widget, WidgetAction::SetValue, value, {}});
    }
    void text(std::string_view widget, std::string text) {
        ops.push_back({widget, WidgetAction::SetText, 0, std::move(text)});
    }
    void enabled(Names widgets, bool on) {
        for (std::string_view widget : widgets) {
            enabled(widget, on);
        }
    }
    // Checks one radio and unchecks the others of the list. The checked one
    // goes first: an exclusive group ignores unchecking its checked button.
    void choose(Names radios, std::string_view chosen) {
        checked(chosen, true);
        for (std::string_view radio : radios) {
            if (radio != chosen) {
                checked(radio, false);
            }
        }
    }

    std::vector<WidgetOp> ops;

private:
    void add(std::string_view widget, WidgetAction action, bool on) {
        ops.push_back({widget, action, on ? 1 : 0, {}});
    }
};

using boxsettings::RegisterSlot;

// The register map's row of a register that the mirror shows.
const RegisterSlot& row(std::uint8_t reg) {
    return *boxsettings::findRegister(reg);
}

// The status answer's byte that reports a register (EP state byte n at n + 2).
std::uint8_t reported(Bytes status, std::uint8_t reg) {
    return byteAt(status, *boxsettings::registerByte(reg) + 2);
}

// Scaling widgets.
constexpr std::string_view kScaleRadios[] = {"cbNoScale", "cbAutoScale", "cbCustomScale"};
constexpr std::uint8_t kPresetRegisters[] = {46, 47, 48};
constexpr std::uint8_t kNoUpscaleRegister = 68;

// The scaler grids' widgets: every convert box, then the combo boxes.
constexpr auto kPortWidgets = [] {
    std::array<std::string_view, boxsettings::kScalerWidgetCount> names{};
    std::size_t n = 0;
    for (const auto& port : boxsettings::kScalerWidgets) {
        for (const boxsettings::ScalerRowWidgets& r : port) {
            names[n++] = r.convert;
        }
    }
    for (const auto& port : boxsettings::kScalerWidgets) {
        for (const boxsettings::ScalerRowWidgets& r : port) {
            for (const std::string_view name : {r.resolution, r.colourSpace, r.deepColour}) {
                if (!name.empty()) {
                    names[n++] = name;
                }
            }
        }
    }
    return names;
}();

// EDID widgets.
constexpr std::string_view kEdidRadios[] = {"automixEDID", "customEDID", "fixedEDID",
                                            "rbCopyTopEDID", "rbCopyBotEDID"};
constexpr std::string_view kEdidTableWidgets[] = {"cmBEdid", "cmbEdidTop", "lblEdid0", "lblEdid1"};
constexpr std::string_view kEdidCombos[] = {"cmBEdid", "cmbEdidTop", "cmbEdidAlgo"};
constexpr std::string_view kEdidOptions[] = {
    "cb2cForce", "cb51",     "cbFull", "cbAudioNative", "cbAudioTop", "cbYUV", "cbHdr",
    "cbHlg",     "cbBt2020", "cbDv",   "cbDvRemove",    "cbDvLimit",  "cb3D"};
constexpr std::string_view kEdidLabels[] = {"lblEdid0", "lblEdid1"};

constexpr std::string_view kAudioLevelControls[] = {"sbAudioVolume", "sbAudioBass", "sbAudioTreble",
                                                    "pbAudioVolume"};
// The registers of the audio volume, bass and treble, and their labels.
constexpr std::uint8_t kAudioLevelRegisters[] = {69, 70, 71};
constexpr std::string_view kAudioLevelLabels[] = {"lblAudioVol", "lblAudioBass", "lblAudioTreb"};

// The combo boxes that show a register's value as their index, in this order.
constexpr std::uint8_t kComboRegisters[] = {25, 32, 33, 57, 31, 66};

// The last step: check boxes and radio pairs, in this order. The widgets
// are the register's in the register map.
enum class Rule {
    Check,  // widgets[0] checked when the byte is 1
    Pair,   // 1: widgets[0] checked, the off widget unchecked; otherwise the reverse
    Bits,   // widgets[i] checked when bit i is set
    OneOf,  // 1..n: widgets[byte - 1] checked, the others unchecked; otherwise nothing
    Hdr,    // 0..3 as bits of widgets {cbHdr, cbHlg}, other values as 0
};

struct MirrorRow {
    std::uint8_t reg;
    Rule rule;
};

constexpr MirrorRow kRemaining[] = {
    {34, Rule::OneOf}, {37, Rule::Check}, {39, Rule::Bits},  {38, Rule::Hdr},   {27, Rule::Pair},
    {50, Rule::Pair},  {56, Rule::Check}, {67, Rule::Check}, {36, Rule::Check}, {35, Rule::Check},
    {58, Rule::Pair},  {73, Rule::Bits},  {43, Rule::Check}, {41, Rule::Check}, {45, Rule::Check},
    {42, Rule::Check}, {40, Rule::Check}, {44, Rule::Check}, {68, Rule::Check}, {72, Rule::Pair},
};

void applyRow(Plan& plan, const MirrorRow& mirrorRow, std::uint8_t value) {
    const RegisterSlot& slot = row(mirrorRow.reg);
    const Names widgets = slot.widgetList();
    switch (mirrorRow.rule) {
        case Rule::Check:
            plan.checked(widgets[0], value == 1);
            break;
        case Rule::Pair: {
            const std::string_view pair[] = {widgets[0], slot.offWidget};
            plan.choose(pair, pair[value == 1 ? 0 : 1]);
            break;
        }
        case Rule::Bits:
            for (std::size_t bit = 0; bit < widgets.size(); ++bit) {
                plan.checked(widgets[bit], ((value >> bit) & 1) != 0);
            }
            break;
        case Rule::OneOf:
            if (value >= 1 && value <= widgets.size()) {
                plan.choose(widgets, widgets[value - 1]);
            }
            break;
        case Rule::Hdr: {
            const unsigned bits = value <= 3 ? value : 0;
            // cbHlg first: cbHdr's stateChanged echo sends both boxes' state,
            // so cbHlg must already hold the box's value when cbHdr changes.
            plan.checked(widgets[1], (bits & 2) != 0);
            plan.checked(widgets[0], (bits & 1) != 0);
            break;
        }
    }
}

// The combo index of a preset code, if the code has one in this combo box.
std::optional<int> presetIndex(std::span<const std::uint8_t> codes, std::uint8_t code) {
    const auto it = std::find(codes.begin(), codes.end(), code);
    if (it == codes.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - codes.begin());
}

void preset(Plan& plan, Bytes status, std::uint8_t reg) {
    if (const auto index = presetIndex(boxsettings::presetCodes(reg), reported(status, reg))) {
        plan.index(row(reg).widgets[0], *index);
    }
}

void presetCombosEnabled(Plan& plan, bool on) {
    for (const std::uint8_t reg : kPresetRegisters) {
        plan.enabled(row(reg).widgets[0], on);
    }
}

void scalingAvailability(Plan& plan, std::uint8_t availability) {
    const std::string_view noUpscale = row(kNoUpscaleRegister).widgets[0];
    if (availability == 1) {
        plan.enabled(kScaleRadios, true);
        presetCombosEnabled(plan, true);
        plan.enabled(kPortWidgets, true);
        plan.enabled(noUpscale, true);
    } else if (availability == 2) {
        plan.enabled("cbNoScale", false);
        plan.enabled("cbAutoScale", true);
        plan.enabled("cbCustomScale", false);
        presetCombosEnabled(plan, true);
        plan.enabled(kPortWidgets, false);
        plan.enabled(noUpscale, true);
    } else {
        plan.enabled("cbNoScale", true);
        plan.enabled("cbAutoScale", false);
        plan.enabled("cbCustomScale", false);
        presetCombosEnabled(plan, false);
        plan.enabled(kPortWidgets, false);
        plan.enabled(noUpscale, false);
    }
}

void scalingMode(Plan& plan, std::uint8_t switchPosition, std::uint8_t customMode) {
    std::uint8_t mode = switchPosition;
    if (switchPosition == 2) {
        mode = customMode;
    }
    if (mode <= 2) {
        plan.choose(kScaleRadios, kScaleRadios[mode]);
    }
}

void edidMode(Plan& plan, std::uint8_t switchPosition, std::uint8_t customMode) {
    if (switchPosition == 1) {
        plan.enabled("automixEDID", true);
        plan.checked("automixEDID", true);
        for (std::string_view radio : kEdidRadios) {
            if (radio != "automixEDID") {
                plan.checked(radio, false);
                plan.enabled(radio, false);
            }
        }
        plan.enabled(kEdidTableWidgets, false);
        plan.enabled("cmbEdidAlgo", true);
        plan.enabled(kEdidOptions, true);
    } else if (switchPosition == 2) {
        plan.checked("fixedEDID", true);
        plan.enabled("fixedEDID", true);
        for (std::string_view radio : kEdidRadios) {
            if (radio != "fixedEDID") {
                plan.checked(radio, false);
                plan.enabled(radio, false);
            }
        }
        plan.enabled(kEdidCombos, false);
        plan.enabled(kEdidOptions, false);
        plan.enabled(kEdidLabels, false);
    } else if (switchPosition == 3 && customMode >= 1 && customMode <= 5) {
        plan.enabled(kEdidRadios, true);
        plan.enabled(kEdidCombos, true);
        plan.enabled(kEdidOptions, true);
        plan.enabled(kEdidLabels, true);
        // The register map lists the radio of each mode value 1..5.
        plan.choose(kEdidRadios, row(boxsettings::kRegEdidMode).widgets[customMode - 1]);
    }
}

void hdcp(Plan& plan, std::uint8_t switchState, std::uint8_t level) {
    if (switchState == 1) {
        plan.enabled("hdcp22", true);
        plan.enabled("hdcp14", true);
        plan.visible("lblHdcpSlideWarning", false);
        plan.checked(level == 2 ? "hdcp14" : "hdcp22", true);
    } else if (switchState == 2 || switchState == 3) {
        plan.enabled("hdcp22", false);
        plan.enabled("hdcp14", false);
        plan.visible("lblHdcpSlideWarning", true);
        plan.checked(switchState == 2 ? "hdcp14" : "hdcp22", true);
    }
}

void autoSwitch(Plan& plan, std::uint8_t value) {
    if (value == 0) {
        plan.checked("autoSwDis", true);
        plan.checked("autoSwEn", false);
        plan.enabled("pPrioForce", false);
        plan.enabled("bPrioNorm", false);
    } else if (value == 1) {
        plan.checked("autoSwEn", true);
        plan.checked("autoSwDis", false);
        plan.enabled("pPrioForce", true);
        plan.enabled("bPrioNorm", true);
    }
}

int signedByte(std::uint8_t value) {
    return static_cast<std::int8_t>(value);
}

std::string decibels(std::uint8_t value) {
    return printfText("%ddB", signedByte(value));
}

}  // namespace

bool mirrorReadOk(bool statusRead, bool page11Read, bool page12Read, Bytes status) {
    return statusRead && page11Read && page12Read && byteAt(status, 0) == kStatusEcho;
}

AudioLevels audioLevels(Bytes status) {
    AudioLevels levels{};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] = reported(status, kAudioLevelRegisters[i]);
    }
    return levels;
}

void copyEpState(Bytes status, std::span<std::uint8_t> epState) {
    for (std::size_t n = 0; n < 62 && n < epState.size() && n + 2 < status.size(); ++n) {
        epState[n] = status[n + 2];
    }
}

std::vector<WidgetOp> settingsMirror(const MirrorInput& input) {
    const auto s = [&input](std::size_t n) { return byteAt(input.status, n + 2); };
    Plan plan;

    const AudioLevels levels = audioLevels(input.status);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        plan.text(kAudioLevelLabels[i], decibels(levels[i]));
    }

    for (const std::uint8_t reg : kComboRegisters) {
        const RegisterSlot& combo = row(reg);
        const int offset = combo.encoding == boxsettings::Encoding::IndexPlus1 ? 1 : 0;
        plan.index(combo.widgets[0], reported(input.status, reg) - offset);
    }

    plan.checked("cbOsdEn", byteAt(input.page11, 2) != 0);
    plan.checked("cbOsdMask1", byteAt(input.page11, 3) != 0);
    plan.checked("cbOsdCustomText", byteAt(input.page12, 3) != 0);

    preset(plan, input.status, 47);
    preset(plan, input.status, 48);
    preset(plan, input.status, 46);

    scalingAvailability(plan, s(boxlink::kEpScalerAvail));
    scalingMode(plan, s(boxlink::kEpScaleSwitch), reported(input.status, 28));
    edidMode(plan, s(boxlink::kEpEdidSwitch), reported(input.status, boxsettings::kRegEdidMode));
    hdcp(plan, s(boxlink::kEpHdcpSwitch), reported(input.status, 30));
    autoSwitch(plan, reported(input.status, 26));

    if (input.pcbRevision == 0) {
        plan.enabled(kAudioLevelControls, false);
    }
    // The spin boxes that Send writes from; setValue() sends nothing.
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (!input.lastAudioLevels || (*input.lastAudioLevels)[i] != levels[i]) {
            plan.value(row(kAudioLevelRegisters[i]).widgets[0], signedByte(levels[i]));
        }
    }

    for (const MirrorRow& mirrorRow : kRemaining) {
        applyRow(plan, mirrorRow, reported(input.status, mirrorRow.reg));
    }
    return std::move(plan.ops);
}

}  // namespace boxstatus

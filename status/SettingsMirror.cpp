#include "status/SettingsMirror.h"

#include <algorithm>
#include <array>
#include <optional>

#include "settings/RegisterMap.h"
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

// Scaling widgets.
constexpr std::string_view kScaleRadios[] = {"cbNoScale", "cbAutoScale", "cbCustomScale"};
constexpr std::string_view kPresetCombos[] = {"cmbPreset4k30", "cmbPreset4k60", "cmbPreset4k60Hdr"};
constexpr std::string_view kPortWidgets[] = {
    "cb4k60ModePort0",      "cb4k30ModePort0",   "cb1080p60ModePort0", "cb1080p30ModePort0",
    "cb4k60ModePort1",      "cb4k30ModePort1",   "cb1080p60ModePort1", "cb1080p30ModePort1",
    "cmb4k60Port0Cs",       "cmb4k60Port0Dc",    "cmb4k30Port0Cs",     "cmb4k30Port0Dc",
    "cmb1080p60Port0Scale", "cmb1080p60Port0Cs", "cmb1080p60Port0Dc",  "cmb1080p30Port0Scale",
    "cmb1080p30Port0Cs",    "cmb1080p30Port0Dc", "cmb4k60Port1Scale",  "cmb4k60Port1Cs",
    "cmb4k60Port1Dc",       "cmb4k30Port1Scale", "cmb4k30Port1Cs",     "cmb4k30Port1Dc",
    "cmb1080p60Port1Cs",    "cmb1080p60Port1Dc", "cmb1080p30Port1Cs",  "cmb1080p30Port1Dc",
};
constexpr std::string_view kNoUpscale = "cbAutoScaleNoUpscale";

// EDID widgets.
constexpr std::string_view kEdidRadios[] = {"automixEDID", "customEDID", "fixedEDID",
                                            "rbCopyTopEDID", "rbCopyBotEDID"};
// The radio of each EDID mode value 1..5.
constexpr std::string_view kEdidModeRadios[] = {"automixEDID", "fixedEDID", "customEDID",
                                                "rbCopyTopEDID", "rbCopyBotEDID"};
constexpr std::string_view kEdidTableWidgets[] = {"cmBEdid", "cmbEdidTop", "lblEdid0", "lblEdid1"};
constexpr std::string_view kEdidCombos[] = {"cmBEdid", "cmbEdidTop", "cmbEdidAlgo"};
constexpr std::string_view kEdidOptions[] = {
    "cb2cForce", "cb51",     "cbFull", "cbAudioNative", "cbAudioTop", "cbYUV", "cbHdr",
    "cbHlg",     "cbBt2020", "cbDv",   "cbDvRemove",    "cbDvLimit",  "cb3D"};
constexpr std::string_view kEdidLabels[] = {"lblEdid0", "lblEdid1"};

constexpr std::string_view kAudioLevelControls[] = {"sbAudioVolume", "sbAudioBass", "sbAudioTreble",
                                                    "pbAudioVolume"};
// The spin boxes of S[47], S[48], S[49], in this order.
constexpr std::string_view kAudioLevelSpinBoxes[] = {"sbAudioVolume", "sbAudioBass",
                                                     "sbAudioTreble"};

// The last step: check boxes and radio pairs, in this order.
enum class Rule {
    Check,  // widgets[0] checked when the byte is 1
    Pair,   // 1: widgets[0] checked, widgets[1] unchecked; otherwise the reverse
    Bits,   // widgets[i] checked when bit i is set
    OneOf,  // 1..n: widgets[byte - 1] checked, the others unchecked; otherwise nothing
    Hdr,    // 0..3 as bits of widgets {cbHdr, cbHlg}, other values as 0
};

struct MirrorRow {
    std::uint8_t byte;
    Rule rule;
    std::array<std::string_view, 5> widgets;
};

constexpr MirrorRow kRemaining[] = {
    {14, Rule::OneOf, {"cb2cForce", "cb51", "cbFull", "cbAudioNative", "cbAudioTop"}},
    {17, Rule::Check, {"cb3D"}},
    {19, Rule::Bits, {"cbDv", "cbDvRemove", "cbDvLimit"}},
    {18, Rule::Hdr, {"cbHdr", "cbHlg"}},
    {9, Rule::Pair, {"pPrioForce", "bPrioNorm"}},
    {30, Rule::Pair, {"enableLed", "disableLed"}},
    {36, Rule::Check, {"cbCec"}},
    {43, Rule::Check, {"cbArcAllowHbr"}},
    {16, Rule::Check, {"cbYUV"}},
    {15, Rule::Check, {"cbBt2020"}},
    {38, Rule::Pair, {"cbHtpcEnable", "cbHtpcDisable"}},
    {51, Rule::Bits, {"cbHlgOptionDisable", "cbHdr10OptionDisable"}},
    {23, Rule::Check, {"cbAviDisable"}},
    {21, Rule::Check, {"cbHdrDisable"}},
    {25, Rule::Check, {"cbVsiDisable"}},
    {22, Rule::Check, {"cbAviCustom"}},
    {20, Rule::Check, {"cbHdrCustom"}},
    {24, Rule::Check, {"cbVsiCustom"}},
    {46, Rule::Check, {kNoUpscale}},
    {50, Rule::Pair, {"cbMuteBotAudioOn", "cbMuteBotAudioOff"}},
};

Names usedWidgets(const MirrorRow& row) {
    const auto end = std::find(row.widgets.begin(), row.widgets.end(), std::string_view{});
    return Names(row.widgets.data(), static_cast<std::size_t>(end - row.widgets.begin()));
}

void applyRow(Plan& plan, const MirrorRow& row, std::uint8_t value) {
    const Names widgets = usedWidgets(row);
    switch (row.rule) {
        case Rule::Check:
            plan.checked(widgets[0], value == 1);
            break;
        case Rule::Pair:
            plan.choose(widgets, widgets[value == 1 ? 0 : 1]);
            break;
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
template <std::size_t N>
std::optional<int> presetIndex(const std::array<std::uint8_t, N>& codes, std::uint8_t code) {
    const auto it = std::find(codes.begin(), codes.end(), code);
    if (it == codes.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - codes.begin());
}

template <std::size_t N>
void preset(Plan& plan, std::string_view combo, const std::array<std::uint8_t, N>& codes,
            std::uint8_t code) {
    if (const auto index = presetIndex(codes, code)) {
        plan.index(combo, *index);
    }
}

void scalingAvailability(Plan& plan, std::uint8_t availability) {
    if (availability == 1) {
        plan.enabled(kScaleRadios, true);
        plan.enabled(kPresetCombos, true);
        plan.enabled(kPortWidgets, true);
        plan.enabled(kNoUpscale, true);
    } else if (availability == 2) {
        plan.enabled("cbNoScale", false);
        plan.enabled("cbAutoScale", true);
        plan.enabled("cbCustomScale", false);
        plan.enabled(kPresetCombos, true);
        plan.enabled(kPortWidgets, false);
        plan.enabled(kNoUpscale, true);
    } else {
        plan.enabled("cbNoScale", true);
        plan.enabled("cbAutoScale", false);
        plan.enabled("cbCustomScale", false);
        plan.enabled(kPresetCombos, false);
        plan.enabled(kPortWidgets, false);
        plan.enabled(kNoUpscale, false);
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
        plan.choose(kEdidRadios, kEdidModeRadios[customMode - 1]);
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
    return {byteAt(status, 47 + 2), byteAt(status, 48 + 2), byteAt(status, 49 + 2)};
}

void copyEpState(Bytes status, std::span<std::uint8_t> epState) {
    for (std::size_t n = 0; n < 62 && n < epState.size() && n + 2 < status.size(); ++n) {
        epState[n] = status[n + 2];
    }
}

std::vector<WidgetOp> settingsMirror(const MirrorInput& input) {
    const auto s = [&input](std::size_t n) { return byteAt(input.status, n + 2); };
    Plan plan;

    plan.text("lblAudioVol", decibels(s(47)));
    plan.text("lblAudioBass", decibels(s(48)));
    plan.text("lblAudioTreb", decibels(s(49)));

    plan.index("cmbInputSel", s(0) - 1);
    plan.index("cmBEdid", s(13) - 1);
    plan.index("cmbEdidTop", s(12));
    plan.index("cmbLa", s(37));
    plan.index("cmbEdidAlgo", s(11));
    plan.index("cmbBaudRate", s(42));

    plan.checked("cbOsdEn", byteAt(input.page11, 2) != 0);
    plan.checked("cbOsdMask1", byteAt(input.page11, 3) != 0);
    plan.checked("cbOsdCustomText", byteAt(input.page12, 3) != 0);

    preset(plan, "cmbPreset4k60", boxsettings::kPreset4k60Codes, s(27));
    preset(plan, "cmbPreset4k60Hdr", boxsettings::kPreset4k60HdrCodes, s(28));
    preset(plan, "cmbPreset4k30", boxsettings::kPreset4k30Codes, s(26));

    scalingAvailability(plan, s(7));
    scalingMode(plan, s(44), s(2));
    edidMode(plan, s(3), s(10));
    hdcp(plan, s(6), s(4));
    autoSwitch(plan, s(8));

    if (input.pcbRevision == 0) {
        plan.enabled(kAudioLevelControls, false);
    }
    // The spin boxes that Send writes from; setValue() sends nothing.
    const AudioLevels levels = audioLevels(input.status);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        if (!input.lastAudioLevels || (*input.lastAudioLevels)[i] != levels[i]) {
            plan.value(kAudioLevelSpinBoxes[i], signedByte(levels[i]));
        }
    }

    for (const MirrorRow& row : kRemaining) {
        applyRow(plan, row, s(row.byte));
    }
    return std::move(plan.ops);
}

}  // namespace boxstatus

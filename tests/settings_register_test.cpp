#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "settings/RegisterMap.h"

namespace {

using boxsettings::RegisterWrite;

class FakeWidgets final : public boxsettings::WidgetValues {
public:
    FakeWidgets(std::set<std::string> checked, std::map<std::string, int> values)
        : checked_(std::move(checked)), values_(std::move(values)) {}

    bool isChecked(std::string_view widget) const override {
        return checked_.count(std::string(widget)) != 0;
    }
    int value(std::string_view widget) const override {
        const auto it = values_.find(std::string(widget));
        return it == values_.end() ? 0 : it->second;
    }

private:
    std::set<std::string> checked_;
    std::map<std::string, int> values_;
};

struct SlotCase {
    const char* slot;
    std::set<std::string> checked;
    std::map<std::string, int> values;
    std::uint8_t epState14;
    std::vector<RegisterWrite> writes;
    bool gated;
};

constexpr auto none = std::nullopt;

const SlotCase kSlotCases[] = {
    {"SetActivePort", {}, {{"cmbInputSel", 3}}, 0, {{25, 4, none}}, true},
    {"SetActivePort", {}, {{"cmbInputSel", 0}}, 0, {{25, 1, none}}, true},
    {"SetActivePort", {}, {{"cmbInputSel", -1}}, 0, {}, true},
    {"SetActivePort", {}, {{"cmbInputSel", 4}}, 0, {}, true},
    {"SetAutoSwitch", {"autoSwEn"}, {}, 0, {{26, 1, 8}}, false},
    {"SetAutoSwitch", {"autoSwDis"}, {}, 0, {{26, 0, 8}}, false},
    {"setSwPriority", {"pPrioForce"}, {}, 0, {{27, 1, 9}}, false},
    {"setSwPriority", {"bPrioNorm"}, {}, 0, {{27, 0, 9}}, false},
    {"setAutoScale", {"cbAutoScale", "cbCustomScale"}, {}, 0, {{28, 1, 2}}, false},
    {"setAutoScale", {"cbCustomScale"}, {}, 0, {{28, 2, 2}}, false},
    {"setAutoScale", {"cbNoScale"}, {}, 0, {{28, 0, 2}}, false},
    {"SetEDID_Mode", {"automixEDID"}, {}, 0, {{29, 1, 10}}, false},
    {"SetEDID_Mode", {"fixedEDID"}, {}, 0, {{29, 2, 10}}, false},
    {"SetEDID_Mode", {"customEDID"}, {}, 0, {{29, 3, 10}}, false},
    {"SetEDID_Mode", {"rbCopyTopEDID"}, {}, 0, {{29, 4, 10}}, false},
    {"SetEDID_Mode", {"rbCopyBotEDID"}, {}, 0, {{29, 5, 10}}, false},
    {"SetEDID_Mode", {}, {}, 0, {}, false},
    {"SetHDCP_Version", {"hdcp14"}, {}, 0, {{30, 2, 4}}, false},
    {"SetHDCP_Version", {"hdcp22"}, {}, 0, {{30, 3, 4}}, false},
    {"SetHDCP_Version", {"hdcp14", "hdcp22"}, {}, 0, {{30, 2, 4}}, false},
    {"SetHDCP_Version", {}, {}, 0, {}, false},
    {"setEdidAlgo", {}, {{"cmbEdidAlgo", 4}}, 0, {{31, 4, none}}, true},
    {"changeCustomEdid",
     {},
     {{"cmBEdid", 9}, {"cmbEdidTop", 0}},
     0,
     {{32, 10, none}, {33, 0, none}},
     true},
    {"setAudioFlags", {"cb51", "cbFull"}, {}, 0, {{34, 2, 14}}, true},
    {"setAudioFlags", {"cb51"}, {}, 2, {}, true},
    {"setAudioFlags", {"cbAudioTop"}, {}, 2, {{34, 5, 14}}, true},
    {"setAudioFlags", {"cbAudioNative", "cbAudioTop"}, {}, 0, {{34, 4, 14}}, true},
    {"setAudioFlags", {"cb2cForce"}, {}, 0, {{34, 1, 14}}, true},
    {"setAudioFlags", {}, {}, 3, {{34, 0, 14}}, true},
    {"setAudioFlags", {}, {}, 0, {}, true},
    {"setBt2020", {"cbBt2020"}, {}, 0, {{35, 1, 15}}, false},
    {"setYUV", {"cbYUV"}, {}, 0, {{36, 1, 16}}, false},
    {"set3D", {}, {}, 0, {{37, 0, 17}}, false},
    {"forceHdr", {"cbHdr"}, {}, 0, {{38, 1, 18}}, false},
    {"forceHdr", {"cbHlg"}, {}, 0, {{38, 2, 18}}, false},
    {"forceHdr", {"cbHdr", "cbHlg"}, {}, 0, {{38, 3, 18}}, false},
    {"setDolbyVision", {"cbDvLimit"}, {}, 0, {{39, 4, 19}}, false},
    {"setDolbyVision", {"cbDv", "cbDvRemove"}, {}, 0, {{39, 3, 19}}, false},
    {"setHdrCustom", {"cbHdrCustom"}, {}, 0, {{40, 1, 20}}, false},
    {"setHdrDisable", {"cbHdrDisable"}, {}, 0, {{41, 1, 21}}, true},
    {"setAviCustom", {"cbAviCustom"}, {}, 0, {{42, 1, 22}}, false},
    {"setAviDisable", {"cbAviDisable"}, {}, 0, {{43, 1, 23}}, true},
    {"setVsiCustom", {"cbVsiCustom"}, {}, 0, {{44, 1, 24}}, false},
    {"setVsiDisable", {}, {}, 0, {{45, 0, 25}}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", 0}}, 0, {{46, 8, none}}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", 1}}, 0, {{46, 0, none}}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", 2}}, 0, {{46, 3, none}}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", 3}}, 0, {{46, 2, none}}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", 4}}, 0, {}, true},
    {"setPreset4k30Mode", {}, {{"cmbPreset4k30", -1}}, 0, {}, true},
    {"setPreset4k60Mode", {}, {{"cmbPreset4k60", 1}}, 0, {{47, 4, none}}, true},
    {"setPreset4k60Mode", {}, {{"cmbPreset4k60", 2}}, 0, {{47, 6, none}}, true},
    {"setPreset4k60Mode", {}, {{"cmbPreset4k60", 3}}, 0, {{47, 7, none}}, true},
    {"setPreset4k60Mode", {}, {{"cmbPreset4k60", 4}}, 0, {}, true},
    {"setPreset4k60HdrMode", {}, {{"cmbPreset4k60Hdr", 0}}, 0, {{48, 8, none}}, true},
    {"setPreset4k60HdrMode", {}, {{"cmbPreset4k60Hdr", 2}}, 0, {{48, 5, none}}, true},
    {"setPreset4k60HdrMode", {}, {{"cmbPreset4k60Hdr", 4}}, 0, {{48, 7, none}}, true},
    {"setPreset4k60HdrMode", {}, {{"cmbPreset4k60Hdr", 5}}, 0, {}, true},
    {"setLogoLed", {"enableLed"}, {}, 0, {{50, 1, 30}}, false},
    {"setLogoLed", {"disableLed"}, {}, 0, {{50, 0, 30}}, false},
    {"setCEC", {"cbCec"}, {}, 0, {{56, 1, 36}}, false},
    {"setCecLa", {}, {{"cmbLa", 1}}, 0, {{57, 1, none}}, true},
    {"setCecLa", {}, {{"cmbLa", 2}}, 0, {}, true},
    {"setHtpcMode", {"cbHtpcEnable"}, {}, 0, {{58, 1, 38}}, false},
    {"setHotPlug", {}, {}, 0, {{62, 1, none}}, false},
    {"setBaudRate", {}, {{"cmbBaudRate", 3}}, 0, {{66, 3, none}}, true},
    {"setBaudRate", {}, {{"cmbBaudRate", -1}}, 0, {}, true},
    {"setArcHbr", {"cbArcAllowHbr"}, {}, 0, {{67, 1, 43}}, false},
    {"setAutoScaleNoUpscale", {"cbAutoScaleNoUpscale"}, {}, 0, {{68, 1, 46}}, false},
    {"setAudioVolBassTreb",
     {},
     {{"sbAudioVolume", -6}, {"sbAudioBass", 0}, {"sbAudioTreble", 12}},
     0,
     {{69, 0xFA, none}, {70, 0, none}, {71, 12, none}},
     true},
    {"setMuteAudioBot", {"cbMuteBotAudioOn"}, {}, 0, {{72, 1, 50}}, false},
    {"setHdrOptions", {"cbHlgOptionDisable"}, {}, 0, {{73, 1, 51}}, true},
    {"setHdrOptions", {"cbHdr10OptionDisable"}, {}, 0, {{73, 2, 51}}, true},
    // Not written through the register table.
    {"factoryReset", {"cbClearEdid"}, {}, 0, {}, false},
    {"noSuchSlot", {}, {}, 0, {}, false},
};

std::string describe(const std::vector<RegisterWrite>& writes) {
    std::string text;
    for (const RegisterWrite& w : writes) {
        text += "[" + std::to_string(w.reg) + "=" + std::to_string(w.value) +
                (w.epByte ? " -> S" + std::to_string(*w.epByte) : std::string()) + "]";
    }
    return text;
}

TEST(SettingsRegisterMap, SlotWritesByWidgetState) {
    for (const SlotCase& c : kSlotCases) {
        SCOPED_TRACE(c.slot + (" " + describe(c.writes)));
        const FakeWidgets widgets(c.checked, c.values);
        std::vector<std::uint8_t> epState(80, 0);
        epState[14] = c.epState14;

        EXPECT_EQ(describe(boxsettings::slotWrites(c.slot, widgets, epState, true)),
                  describe(c.writes));
        // Before the start-up has finished a gated slot does nothing; the
        // others produce their writes (writeRegister drops the send) so that
        // the mirror byte is stored.
        const auto early = boxsettings::slotWrites(c.slot, widgets, epState, false);
        EXPECT_EQ(describe(early), c.gated ? std::string() : describe(c.writes));
        for (const auto* row : boxsettings::slotRows(c.slot)) {
            EXPECT_EQ(row->gated, c.gated) << "register " << int{row->reg};
        }
    }
}

TEST(SettingsRegisterMap, FlagSlotsThroughTheTable) {
    // The generic path of the glue: every flag row writes the check state of
    // its one widget and names the epState byte to store it in.
    for (const auto& row : boxsettings::registerMap()) {
        if (row.encoding != boxsettings::Encoding::Flag) {
            continue;
        }
        SCOPED_TRACE(int{row.reg});
        ASSERT_EQ(row.widgetList().size(), 1u);
        ASSERT_TRUE(row.epByte.has_value());
        for (bool checked : {false, true}) {
            const FakeWidgets widgets(checked ? std::set<std::string>{std::string(row.widgets[0])}
                                              : std::set<std::string>{},
                                      {});
            const auto write = boxsettings::encodeRow(row, widgets, {});
            ASSERT_TRUE(write.has_value());
            EXPECT_EQ(*write,
                      (RegisterWrite{row.reg, boxsettings::flagValue(checked), row.epByte}));
        }
    }
}

// Whether each byte lands where the box keeps it is checked against the
// emulator, the mirror and the file keys (settings_table_test); here, that a
// row names one byte at most, and no byte twice.
TEST(SettingsRegisterMap, EachRegisterKeepsOneByteOfItsOwn) {
    std::map<int, int> registerOfByte;
    for (const auto& row : boxsettings::registerMap()) {
        if (row.reportedIn) {
            EXPECT_FALSE(row.epByte.has_value()) << int{row.reg};
        }
        if (const auto byte = row.stateByte()) {
            const auto [it, added] = registerOfByte.emplace(*byte, row.reg);
            EXPECT_TRUE(added) << "S[" << int{*byte} << "] for registers " << it->second << " and "
                               << int{row.reg};
            EXPECT_EQ(boxsettings::registerByte(row.reg), byte);
        }
    }
    // The macro repeat, which no slot writes, keeps a byte of its own too.
    const auto macroRepeat = boxsettings::registerByte(boxsettings::kRegMacroRepeat);
    ASSERT_TRUE(macroRepeat.has_value());
    EXPECT_FALSE(registerOfByte.contains(*macroRepeat));
}

TEST(SettingsRegisterMap, LowByte) {
    const std::pair<int, int> cases[] = {{-6, 0xFA}, {-1, 0xFF}, {0, 0}, {12, 12}, {-128, 0x80}};
    for (const auto& [value, byte] : cases) {
        EXPECT_EQ(boxsettings::lowByte(value), byte) << value;
    }
}

TEST(SettingsRegisterMap, PresetNames) {
    const std::pair<int, const char*> cases[] = {
        {0, "PRESET_4K30_444_8"},
        {2, "PRESET_1080P30_444_8_10_12"},
        {3, "PRESET_4K30_422_12"},
        {4, "PRESET_4K60_420_8"},
        {5, "PRESET_4K60_420_10_12"},
        {6, "PRESET_1080P60_444_8_10_12"},
        {7, "PRESET_1080P60_444_8"},
        {8, "PRESET_AUTOSENSE"},
        {1, ""},
        {9, ""},
    };
    for (const auto& [code, name] : cases) {
        EXPECT_EQ(boxsettings::presetName(static_cast<std::uint8_t>(code)), name) << code;
    }
}

struct ResetCase {
    const char* text;
    bool clearEdid;
    bool clearSettings;
    std::optional<std::uint8_t> value;
    const char* message;
    bool clearInputs;
};

TEST(SettingsRegisterMap, FactoryReset) {
    const char* noWord = "Type RESET into the text box and click OK";
    const char* noChoice = "Choose the reset from the checkboxes";
    const ResetCase cases[] = {
        {"reset", true, true, none, noWord, false},   {"RESET ", true, true, none, noWord, false},
        {" RESET", false, true, none, noWord, false}, {"", true, false, none, noWord, false},
        {"RESET", true, true, 3, "", true},           {"RESET", false, true, 2, "", true},
        {"RESET", true, false, 1, "", true},          {"RESET", false, false, none, noChoice, true},
    };
    for (const ResetCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' " + std::to_string(c.clearEdid) +
                     std::to_string(c.clearSettings));
        const auto action = boxsettings::factoryReset(c.text, c.clearEdid, c.clearSettings);
        ASSERT_EQ(action.write.has_value(), c.value.has_value());
        if (c.value) {
            EXPECT_EQ(action.write->reg, 63);
            EXPECT_EQ(action.write->value, *c.value);
            EXPECT_FALSE(action.write->epByte.has_value());
        }
        EXPECT_EQ(action.message, c.message);
        EXPECT_EQ(action.clearInputs, c.clearInputs);
    }
}

}  // namespace

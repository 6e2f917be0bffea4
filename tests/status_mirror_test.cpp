#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "status/SettingsMirror.h"

namespace {

using boxstatus::WidgetAction;
using boxstatus::WidgetOp;
using A = WidgetAction;

// A status block answer with the given EP state bytes, all others 0.
std::vector<std::uint8_t> statusWith(const std::map<int, int>& s) {
    std::vector<std::uint8_t> status(boxstatus::kStatusLength, 0);
    status[0] = boxstatus::kStatusEcho;
    for (const auto& [n, value] : s) {
        status.at(static_cast<std::size_t>(n) + 2) = static_cast<std::uint8_t>(value);
    }
    return status;
}

struct Mirror {
    std::vector<std::uint8_t> status;
    std::vector<std::uint8_t> page11 = std::vector<std::uint8_t>(boxstatus::kOsdParamsLength, 0);
    std::vector<std::uint8_t> page12 = std::vector<std::uint8_t>(boxstatus::kOsdTextLength, 0);
    std::uint8_t pcbRevision = 1;
    std::optional<boxstatus::AudioLevels> lastAudioLevels = std::nullopt;

    std::vector<WidgetOp> run() const {
        return boxstatus::settingsMirror({status, page11, page12, pcbRevision, lastAudioLevels});
    }
};

std::vector<WidgetOp> mirror(const std::map<int, int>& s) {
    return Mirror{statusWith(s)}.run();
}

// The values given to one widget by one kind of operation, in order.
std::vector<int> valuesOf(const std::vector<WidgetOp>& ops, std::string_view widget, A action) {
    std::vector<int> values;
    for (const auto& op : ops) {
        if (op.widget == widget && op.action == action) {
            values.push_back(op.value);
        }
    }
    return values;
}

// The single value a widget gets, nullopt when it gets none.
std::optional<int> valueOf(const std::vector<WidgetOp>& ops, std::string_view widget, A action) {
    const auto values = valuesOf(ops, widget, action);
    EXPECT_LE(values.size(), 1u) << widget;
    if (values.empty()) {
        return std::nullopt;
    }
    return values.front();
}

std::size_t firstIndex(const std::vector<WidgetOp>& ops, std::string_view widget, A action) {
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].widget == widget && ops[i].action == action) {
            return i;
        }
    }
    ADD_FAILURE() << widget << " not set";
    return ops.size();
}

constexpr auto none = std::nullopt;

TEST(SettingsMirror, ReadGate) {
    const auto good = statusWith({});
    auto badEcho = good;
    badEcho[0] = 0xE0;
    const struct {
        bool statusRead, page11Read, page12Read;
        const std::vector<std::uint8_t>* status;
        bool ok;
    } cases[] = {
        {true, true, true, &good, true},     {true, true, false, &good, false},
        {true, true, true, &badEcho, false}, {false, true, true, &good, false},
        {true, false, true, &good, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(boxstatus::mirrorReadOk(c.statusRead, c.page11Read, c.page12Read, *c.status),
                  c.ok);
    }
    EXPECT_FALSE(boxstatus::mirrorReadOk(true, true, true, {}));
}

TEST(SettingsMirror, CopiesTheEpState) {
    std::vector<std::uint8_t> status(64);
    for (std::size_t i = 0; i < status.size(); ++i) {
        status[i] = static_cast<std::uint8_t>(i + 100);
    }
    std::vector<std::uint8_t> epState(80, 0xAA);
    boxstatus::copyEpState(status, epState);
    for (std::size_t n = 0; n < 80; ++n) {
        EXPECT_EQ(epState[n], n < 62 ? n + 102 : 0xAA) << n;
    }
    // A short answer copies what it holds and no more.
    std::vector<std::uint8_t> shortEp(80, 0xAA);
    boxstatus::copyEpState(std::span(status).first(10), shortEp);
    EXPECT_EQ(shortEp[7], 109);
    EXPECT_EQ(shortEp[8], 0xAA);
}

TEST(SettingsMirror, AudioLevels) {
    const struct {
        int vol, bass, treb;
        const char *volText, *bassText, *trebText;
    } cases[] = {
        {0xF4, 0x05, 0xFA, "-12dB", "5dB", "-6dB"},
        {0x00, 0x80, 0x7F, "0dB", "-128dB", "127dB"},
    };
    for (const auto& c : cases) {
        const auto ops = mirror({{47, c.vol}, {48, c.bass}, {49, c.treb}});
        ASSERT_GE(ops.size(), 3u);
        EXPECT_EQ(ops[0], (WidgetOp{"lblAudioVol", A::SetText, 0, c.volText}));
        EXPECT_EQ(ops[1], (WidgetOp{"lblAudioBass", A::SetText, 0, c.bassText}));
        EXPECT_EQ(ops[2], (WidgetOp{"lblAudioTreb", A::SetText, 0, c.trebText}));
    }
}

// The spin boxes take the box's levels on the first poll, then only a level
// that changed on the box: a value typed and not yet sent stays.
TEST(SettingsMirror, AudioLevelSpinBoxesFollowTheBoxWhereItChanged) {
    using Levels = boxstatus::AudioLevels;
    const Levels factory{0xF6, 0x02, 0xFF};  // -10, 2, -1 dB
    const struct {
        const char* name;
        std::optional<Levels> last;
        Levels now;
        std::vector<WidgetOp> expected;
    } cases[] = {
        {"first poll",
         std::nullopt,
         factory,
         {{"sbAudioVolume", A::SetValue, -10, {}},
          {"sbAudioBass", A::SetValue, 2, {}},
          {"sbAudioTreble", A::SetValue, -1, {}}}},
        {"first poll of zeros",
         std::nullopt,
         Levels{0, 0, 0},
         {{"sbAudioVolume", A::SetValue, 0, {}},
          {"sbAudioBass", A::SetValue, 0, {}},
          {"sbAudioTreble", A::SetValue, 0, {}}}},
        {"box unchanged", factory, factory, {}},
        {"bass changed at the box",
         factory,
         Levels{0xF6, 0x05, 0xFF},
         {{"sbAudioBass", A::SetValue, 5, {}}}},
        {"signed extremes",
         Levels{0, 0, 0},
         Levels{0x80, 0x7F, 0x00},
         {{"sbAudioVolume", A::SetValue, -128, {}}, {"sbAudioBass", A::SetValue, 127, {}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mirror m{statusWith({{47, c.now[0]}, {48, c.now[1]}, {49, c.now[2]}})};
        m.lastAudioLevels = c.last;
        const auto ops = m.run();
        std::vector<WidgetOp> values;
        std::copy_if(ops.begin(), ops.end(), std::back_inserter(values),
                     [](const WidgetOp& op) { return op.action == A::SetValue; });
        EXPECT_EQ(values, c.expected);
        EXPECT_EQ(boxstatus::audioLevels(m.status), c.now);
    }
    EXPECT_EQ(boxstatus::audioLevels({}), (Levels{0, 0, 0}));
}

TEST(SettingsMirror, ComboIndexes) {
    const struct {
        std::map<int, int> s;
        std::vector<int> indexes;  // cmbInputSel, cmBEdid, cmbEdidTop, cmbLa, cmbEdidAlgo,
                                   // cmbBaudRate
    } cases[] = {
        {{}, {-1, -1, 0, 0, 0, 0}},
        {{{0, 4}, {13, 1}, {12, 7}, {37, 1}, {11, 4}, {42, 3}}, {3, 0, 7, 1, 4, 3}},
        {{{0, 1}, {13, 100}, {12, 100}}, {0, 99, 100, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto ops = mirror(c.s);
        ASSERT_GE(ops.size(), 9u);
        const std::vector<std::string_view> order = {"cmbInputSel", "cmBEdid",     "cmbEdidTop",
                                                     "cmbLa",       "cmbEdidAlgo", "cmbBaudRate"};
        for (std::size_t i = 0; i < order.size(); ++i) {
            EXPECT_EQ(ops[3 + i], (WidgetOp{order[i], A::SetCurrentIndex, c.indexes[i], {}}));
        }
    }
}

TEST(SettingsMirror, OsdCheckBoxes) {
    for (int bits = 0; bits < 8; ++bits) {
        Mirror m{statusWith({})};
        m.page11[2] = (bits & 1) ? std::uint8_t{0x80} : std::uint8_t{0};
        m.page11[3] = (bits & 2) ? std::uint8_t{2} : std::uint8_t{0};
        m.page12[3] = (bits & 4) ? std::uint8_t{0xFF} : std::uint8_t{0};
        m.page12[2] = 0xFF;  // the neighbours do not count
        m.page11[4] = 0xFF;
        const auto ops = m.run();
        EXPECT_EQ(valueOf(ops, "cbOsdEn", A::SetChecked), (bits & 1) != 0);
        EXPECT_EQ(valueOf(ops, "cbOsdMask1", A::SetChecked), (bits & 2) != 0);
        EXPECT_EQ(valueOf(ops, "cbOsdCustomText", A::SetChecked), (bits & 4) != 0);
    }
}

TEST(SettingsMirror, Presets) {
    const struct {
        int code;
        std::optional<int> index4k30, index4k60, index4k60Hdr;
    } cases[] = {
        {0, 1, none, none}, {1, none, none, none}, {2, 3, none, none},      {3, 2, none, none},
        {4, none, 1, 1},    {5, none, none, 2},    {6, none, 2, 3},         {7, none, 3, 4},
        {8, 0, 0, 0},       {9, none, none, none}, {255, none, none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const auto ops = mirror({{26, c.code}, {27, c.code}, {28, c.code}});
        EXPECT_EQ(valueOf(ops, "cmbPreset4k30", A::SetCurrentIndex), c.index4k30);
        EXPECT_EQ(valueOf(ops, "cmbPreset4k60", A::SetCurrentIndex), c.index4k60);
        EXPECT_EQ(valueOf(ops, "cmbPreset4k60Hdr", A::SetCurrentIndex), c.index4k60Hdr);
    }
    // Each combo box by its own byte.
    const auto ops = mirror({{26, 8}, {27, 5}, {28, 5}});
    EXPECT_EQ(valueOf(ops, "cmbPreset4k30", A::SetCurrentIndex), 0);
    EXPECT_EQ(valueOf(ops, "cmbPreset4k60", A::SetCurrentIndex), none);
    EXPECT_EQ(valueOf(ops, "cmbPreset4k60Hdr", A::SetCurrentIndex), 2);
}

const std::vector<std::string_view> kScaleRadios = {"cbNoScale", "cbAutoScale", "cbCustomScale"};
const std::vector<std::string_view> kPresetCombos = {"cmbPreset4k30", "cmbPreset4k60",
                                                     "cmbPreset4k60Hdr"};
const std::vector<std::string_view> kPortWidgets = {
    "cb4k60ModePort0",      "cb4k30ModePort0",   "cb1080p60ModePort0", "cb1080p30ModePort0",
    "cb4k60ModePort1",      "cb4k30ModePort1",   "cb1080p60ModePort1", "cb1080p30ModePort1",
    "cmb4k60Port0Cs",       "cmb4k60Port0Dc",    "cmb4k30Port0Cs",     "cmb4k30Port0Dc",
    "cmb1080p60Port0Scale", "cmb1080p60Port0Cs", "cmb1080p60Port0Dc",  "cmb1080p30Port0Scale",
    "cmb1080p30Port0Cs",    "cmb1080p30Port0Dc", "cmb4k60Port1Scale",  "cmb4k60Port1Cs",
    "cmb4k60Port1Dc",       "cmb4k30Port1Scale", "cmb4k30Port1Cs",     "cmb4k30Port1Dc",
    "cmb1080p60Port1Cs",    "cmb1080p60Port1Dc", "cmb1080p30Port1Cs",  "cmb1080p30Port1Dc",
};

TEST(SettingsMirror, ScalingAvailability) {
    const struct {
        int s7;
        bool noScale, autoScale, customScale, presets, ports, noUpscale;
    } cases[] = {
        {1, true, true, true, true, true, true},
        {2, false, true, false, true, false, true},
        {0, true, false, false, false, false, false},
        {3, true, false, false, false, false, false},
        {255, true, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s7);
        const auto ops = mirror({{7, c.s7}});
        EXPECT_EQ(valueOf(ops, "cbNoScale", A::SetEnabled), c.noScale);
        EXPECT_EQ(valueOf(ops, "cbAutoScale", A::SetEnabled), c.autoScale);
        EXPECT_EQ(valueOf(ops, "cbCustomScale", A::SetEnabled), c.customScale);
        for (auto combo : kPresetCombos) {
            EXPECT_EQ(valueOf(ops, combo, A::SetEnabled), c.presets) << combo;
        }
        for (auto widget : kPortWidgets) {
            EXPECT_EQ(valueOf(ops, widget, A::SetEnabled), c.ports) << widget;
        }
        EXPECT_EQ(valueOf(ops, "cbAutoScaleNoUpscale", A::SetEnabled), c.noUpscale);
    }
}

// The SetChecked values of a group of widgets, in the order applied.
std::vector<std::pair<std::string_view, int>> checks(const std::vector<WidgetOp>& ops,
                                                     const std::vector<std::string_view>& group) {
    std::vector<std::pair<std::string_view, int>> out;
    for (const auto& op : ops) {
        if (op.action == A::SetChecked &&
            std::find(group.begin(), group.end(), op.widget) != group.end()) {
            out.emplace_back(op.widget, op.value);
        }
    }
    return out;
}

using Checks = std::vector<std::pair<std::string_view, int>>;

TEST(SettingsMirror, ScalingMode) {
    const Checks no = {{"cbNoScale", 1}, {"cbAutoScale", 0}, {"cbCustomScale", 0}};
    const Checks autoScale = {{"cbAutoScale", 1}, {"cbNoScale", 0}, {"cbCustomScale", 0}};
    const Checks custom = {{"cbCustomScale", 1}, {"cbNoScale", 0}, {"cbAutoScale", 0}};
    const struct {
        int s44, s2;
        Checks expected;
    } cases[] = {
        {0, 2, no},     {1, 0, autoScale}, {1, 2, autoScale}, {2, 0, no},   {2, 1, autoScale},
        {2, 2, custom}, {2, 3, {}},        {3, 1, {}},        {255, 2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.s44) + "/" + std::to_string(c.s2));
        EXPECT_EQ(checks(mirror({{44, c.s44}, {2, c.s2}}), kScaleRadios), c.expected);
    }
}

const std::vector<std::string_view> kEdidRadios = {"automixEDID", "customEDID", "fixedEDID",
                                                   "rbCopyTopEDID", "rbCopyBotEDID"};
const std::vector<std::string_view> kEdidOthers = {
    "cmBEdid",       "cmbEdidTop", "cmbEdidAlgo", "cb2cForce", "cb51",     "cbFull",
    "cbAudioNative", "cbAudioTop", "cbYUV",       "cbHdr",     "cbHlg",    "cbBt2020",
    "cbDv",          "cbDvRemove", "cbDvLimit",   "cb3D",      "lblEdid0", "lblEdid1"};

TEST(SettingsMirror, EdidSwitch) {
    const auto allEnabled = [] {
        std::map<std::string_view, int> e;
        for (auto w : kEdidRadios) {
            e[w] = 1;
        }
        for (auto w : kEdidOthers) {
            e[w] = 1;
        }
        return e;
    };
    const auto choose = [](std::string_view radio) {
        Checks c = {{radio, 1}};
        for (auto w : kEdidRadios) {
            if (w != radio) {
                c.emplace_back(w, 0);
            }
        }
        return c;
    };
    auto automix = allEnabled();
    for (auto w : {"customEDID", "fixedEDID", "rbCopyTopEDID", "rbCopyBotEDID", "cmBEdid",
                   "cmbEdidTop", "lblEdid0", "lblEdid1"}) {
        automix[w] = 0;
    }
    std::map<std::string_view, int> fixed;
    for (auto w : kEdidRadios) {
        fixed[w] = 0;
    }
    for (auto w : kEdidOthers) {
        fixed[w] = 0;
    }
    fixed["fixedEDID"] = 1;

    const struct {
        int s3, s10;
        std::map<std::string_view, int> enabled;  // empty: no widget of the set changes
        Checks radios;
    } cases[] = {
        {1, 3, automix, choose("automixEDID")},
        {2, 3, fixed, choose("fixedEDID")},
        {3, 1, allEnabled(), choose("automixEDID")},
        {3, 2, allEnabled(), choose("fixedEDID")},
        {3, 3, allEnabled(), choose("customEDID")},
        {3, 4, allEnabled(), choose("rbCopyTopEDID")},
        {3, 5, allEnabled(), choose("rbCopyBotEDID")},
        {3, 0, {}, {}},
        {3, 6, {}, {}},
        {0, 3, {}, {}},
        {4, 3, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.s3) + "/" + std::to_string(c.s10));
        const auto ops = mirror({{3, c.s3}, {10, c.s10}});
        std::map<std::string_view, int> enabled;
        for (const auto& op : ops) {
            const bool inSet =
                std::find(kEdidRadios.begin(), kEdidRadios.end(), op.widget) != kEdidRadios.end() ||
                std::find(kEdidOthers.begin(), kEdidOthers.end(), op.widget) != kEdidOthers.end();
            if (inSet && op.action == A::SetEnabled) {
                EXPECT_EQ(enabled.count(op.widget), 0u) << op.widget;
                enabled[op.widget] = op.value;
            }
        }
        EXPECT_EQ(enabled, c.enabled);
        EXPECT_EQ(checks(ops, kEdidRadios), c.radios);
    }
}

TEST(SettingsMirror, Hdcp) {
    const struct {
        int s6, s4;
        std::optional<int> enabled, warningVisible;
        std::optional<std::string_view> checkedRadio;
    } cases[] = {
        {1, 2, 1, 0, "hdcp14"},   {1, 3, 1, 0, "hdcp22"}, {1, 0, 1, 0, "hdcp22"},
        {2, 3, 0, 1, "hdcp14"},   {3, 2, 0, 1, "hdcp22"}, {0, 2, none, none, none},
        {4, 2, none, none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.s6) + "/" + std::to_string(c.s4));
        const auto ops = mirror({{6, c.s6}, {4, c.s4}});
        EXPECT_EQ(valueOf(ops, "hdcp14", A::SetEnabled), c.enabled);
        EXPECT_EQ(valueOf(ops, "hdcp22", A::SetEnabled), c.enabled);
        EXPECT_EQ(valueOf(ops, "lblHdcpSlideWarning", A::SetVisible), c.warningVisible);
        Checks expected;
        if (c.checkedRadio) {
            expected.emplace_back(*c.checkedRadio, 1);
        }
        EXPECT_EQ(checks(ops, {"hdcp14", "hdcp22"}), expected);
    }
}

TEST(SettingsMirror, AutomaticSwitching) {
    const struct {
        int s8;
        Checks radios;
        std::optional<int> priorityEnabled;
    } cases[] = {
        {0, {{"autoSwDis", 1}, {"autoSwEn", 0}}, 0},
        {1, {{"autoSwEn", 1}, {"autoSwDis", 0}}, 1},
        {2, {}, none},
    };
    for (const auto& c : cases) {
        const auto ops = mirror({{8, c.s8}});
        EXPECT_EQ(checks(ops, {"autoSwDis", "autoSwEn"}), c.radios);
        EXPECT_EQ(valueOf(ops, "pPrioForce", A::SetEnabled), c.priorityEnabled);
        EXPECT_EQ(valueOf(ops, "bPrioNorm", A::SetEnabled), c.priorityEnabled);
    }
}

TEST(SettingsMirror, FirstRevisionHasNoAudioLevels) {
    for (int revision : {0, 1, 2}) {
        Mirror m{statusWith({})};
        m.pcbRevision = static_cast<std::uint8_t>(revision);
        const auto ops = m.run();
        for (auto w : {"sbAudioVolume", "sbAudioBass", "sbAudioTreble", "pbAudioVolume"}) {
            EXPECT_EQ(valueOf(ops, w, A::SetEnabled), revision == 0 ? std::optional(0) : none)
                << w << " revision " << revision;
        }
    }
}

TEST(SettingsMirror, CheckBoxesAndRadioPairs) {
    const struct {
        int byte, value;
        Checks expected;
    } cases[] = {
        {14,
         2,
         {{"cb51", 1}, {"cb2cForce", 0}, {"cbFull", 0}, {"cbAudioNative", 0}, {"cbAudioTop", 0}}},
        {14,
         5,
         {{"cbAudioTop", 1}, {"cb2cForce", 0}, {"cb51", 0}, {"cbFull", 0}, {"cbAudioNative", 0}}},
        {14, 0, {}},
        {14, 6, {}},
        {17, 1, {{"cb3D", 1}}},
        {17, 2, {{"cb3D", 0}}},
        {19, 5, {{"cbDv", 1}, {"cbDvRemove", 0}, {"cbDvLimit", 1}}},
        {19, 0xFA, {{"cbDv", 0}, {"cbDvRemove", 1}, {"cbDvLimit", 0}}},
        // cbHlg before cbHdr: the stateChanged echo of cbHdr sends both boxes.
        {18, 1, {{"cbHlg", 0}, {"cbHdr", 1}}},
        {18, 2, {{"cbHlg", 1}, {"cbHdr", 0}}},
        {18, 3, {{"cbHlg", 1}, {"cbHdr", 1}}},
        {18, 5, {{"cbHlg", 0}, {"cbHdr", 0}}},
        {9, 1, {{"pPrioForce", 1}, {"bPrioNorm", 0}}},
        {9, 2, {{"bPrioNorm", 1}, {"pPrioForce", 0}}},
        {30, 1, {{"enableLed", 1}, {"disableLed", 0}}},
        {30, 0, {{"disableLed", 1}, {"enableLed", 0}}},
        {36, 1, {{"cbCec", 1}}},
        {43, 1, {{"cbArcAllowHbr", 1}}},
        {16, 1, {{"cbYUV", 1}}},
        {15, 1, {{"cbBt2020", 1}}},
        {15, 3, {{"cbBt2020", 0}}},
        {38, 1, {{"cbHtpcEnable", 1}, {"cbHtpcDisable", 0}}},
        {38, 3, {{"cbHtpcDisable", 1}, {"cbHtpcEnable", 0}}},
        {51, 2, {{"cbHlgOptionDisable", 0}, {"cbHdr10OptionDisable", 1}}},
        {51, 1, {{"cbHlgOptionDisable", 1}, {"cbHdr10OptionDisable", 0}}},
        {23, 1, {{"cbAviDisable", 1}}},
        {21, 1, {{"cbHdrDisable", 1}}},
        {25, 1, {{"cbVsiDisable", 1}}},
        {22, 1, {{"cbAviCustom", 1}}},
        {20, 1, {{"cbHdrCustom", 1}}},
        {24, 1, {{"cbVsiCustom", 1}}},
        {46, 1, {{"cbAutoScaleNoUpscale", 1}}},
        {50, 1, {{"cbMuteBotAudioOn", 1}, {"cbMuteBotAudioOff", 0}}},
        {50, 0, {{"cbMuteBotAudioOff", 1}, {"cbMuteBotAudioOn", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.byte) + "=" + std::to_string(c.value));
        std::vector<std::string_view> group;
        for (const auto& [widget, value] : c.expected) {
            group.push_back(widget);
        }
        if (c.byte == 14) {
            group = {"cb2cForce", "cb51", "cbFull", "cbAudioNative", "cbAudioTop"};
        }
        EXPECT_EQ(checks(mirror({{c.byte, c.value}}), group), c.expected);
    }
}

TEST(SettingsMirror, StepsInOrder) {
    // A state in which every step sets something.
    Mirror m{statusWith({{0, 2},
                         {3, 1},
                         {6, 1},
                         {7, 1},
                         {8, 1},
                         {14, 1},
                         {26, 8},
                         {27, 8},
                         {28, 8},
                         {44, 0},
                         {50, 1}})};
    m.pcbRevision = 0;
    const auto ops = m.run();
    const std::pair<std::string_view, A> order[] = {
        {"lblAudioVol", A::SetText},
        {"lblAudioBass", A::SetText},
        {"lblAudioTreb", A::SetText},
        {"cmbInputSel", A::SetCurrentIndex},
        {"cmBEdid", A::SetCurrentIndex},
        {"cmbEdidTop", A::SetCurrentIndex},
        {"cmbLa", A::SetCurrentIndex},
        {"cmbEdidAlgo", A::SetCurrentIndex},
        {"cmbBaudRate", A::SetCurrentIndex},
        {"cbOsdEn", A::SetChecked},
        {"cbOsdMask1", A::SetChecked},
        {"cbOsdCustomText", A::SetChecked},
        {"cmbPreset4k60", A::SetCurrentIndex},
        {"cmbPreset4k60Hdr", A::SetCurrentIndex},
        {"cmbPreset4k30", A::SetCurrentIndex},
        {"cbNoScale", A::SetEnabled},
        {"cbAutoScaleNoUpscale", A::SetEnabled},
        {"cbNoScale", A::SetChecked},
        {"automixEDID", A::SetEnabled},
        {"cb3D", A::SetEnabled},
        {"hdcp22", A::SetEnabled},
        {"lblHdcpSlideWarning", A::SetVisible},
        {"autoSwEn", A::SetChecked},
        {"bPrioNorm", A::SetEnabled},
        {"sbAudioVolume", A::SetEnabled},
        {"pbAudioVolume", A::SetEnabled},
        {"cb2cForce", A::SetChecked},
        {"cb3D", A::SetChecked},
        {"cbDv", A::SetChecked},
        {"cbDvLimit", A::SetChecked},
        {"cbHlg", A::SetChecked},
        {"cbHdr", A::SetChecked},
        {"pPrioForce", A::SetChecked},
        {"enableLed", A::SetChecked},
        {"cbCec", A::SetChecked},
        {"cbArcAllowHbr", A::SetChecked},
        {"cbYUV", A::SetChecked},
        {"cbBt2020", A::SetChecked},
        {"cbHtpcEnable", A::SetChecked},
        {"cbHlgOptionDisable", A::SetChecked},
        {"cbHdr10OptionDisable", A::SetChecked},
        {"cbAviDisable", A::SetChecked},
        {"cbHdrDisable", A::SetChecked},
        {"cbVsiDisable", A::SetChecked},
        {"cbAviCustom", A::SetChecked},
        {"cbHdrCustom", A::SetChecked},
        {"cbVsiCustom", A::SetChecked},
        {"cbAutoScaleNoUpscale", A::SetChecked},
        {"cbMuteBotAudioOn", A::SetChecked},
    };
    std::size_t previous = 0;
    for (const auto& [widget, action] : order) {
        const std::size_t at = firstIndex(ops, widget, action);
        EXPECT_GE(at, previous) << widget;
        previous = at;
    }
    EXPECT_EQ(previous + 2, ops.size());  // cbMuteBotAudioOn, then cbMuteBotAudioOff
}

}  // namespace

// The configuration file without a box: the settings section written from a
// snapshot, the reading of files back into key-value lines, and what
// importing each line asks of the box.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "config/ConfigText.h"
#include "config/Settings.h"

namespace {

using config::ImportAction;
using config::KeyValue;
using config::Snapshot;

bool known(std::string_view key) {
    return config::isImportedKey(key);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

std::optional<std::string> valueOf(const std::string& section, const std::string& key) {
    for (const std::string& line : linesOf(section)) {
        if (line.rfind(key + " ", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

// A window as the start-up leaves it: every combo box at a valid index.
Snapshot startedWindow() {
    Snapshot s;
    s.inputIndex = 0;
    s.edidAlgoIndex = 0;
    s.edidTableBotIndex = 0;
    s.edidTableTopIndex = 0;
    s.baudRateIndex = 0;
    s.preset4k30Index = 0;
    s.preset4k60Index = 0;
    s.preset4k60HdrIndex = 0;
    s.cecLaIndex = 0;
    s.epState[0] = 1;
    s.epState[4] = 3;
    s.epState[3] = 1;
    s.epState[10] = 1;
    s.epState[13] = 1;
    s.epState[14] = 4;
    s.epState[26] = 8;
    s.epState[27] = 8;
    s.epState[28] = 8;
    return s;
}

// ---- Export ----------------------------------------------------------------

struct ExportCase {
    const char* name;
    void (*prepare)(Snapshot&);
    const char* key;
    std::optional<std::string> value;  // nothing: the line is left out
};

void PrintTo(const ExportCase& c, std::ostream* os) {
    *os << c.name;
}

class ExportValue : public ::testing::TestWithParam<ExportCase> {};

TEST_P(ExportValue, KeysAreWrittenFromTheirSourceOrLeftOut) {
    Snapshot s = startedWindow();
    GetParam().prepare(s);
    EXPECT_EQ(valueOf(config::settingsSection(s), GetParam().key), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ExportValue,
    ::testing::Values(
        ExportCase{"InputIndex1IsTop", [](Snapshot& s) { s.inputIndex = 1; }, "InputPort", "top"},
        ExportCase{"NoInputIndexNoLine", [](Snapshot& s) { s.inputIndex = -1; }, "InputPort",
                   std::nullopt},
        ExportCase{"Preset4k60Code5HasNoName", [](Snapshot& s) { s.epState[27] = 5; },
                   "AutoPreset4k60", std::nullopt},
        ExportCase{"Preset4k60HdrCode5", [](Snapshot& s) { s.epState[28] = 5; },
                   "AutoPreset4k60Hdr", "PRESET_4K60_420_10_12"},
        ExportCase{"EncLevelUnknown", [](Snapshot& s) { s.epState[4] = 0; }, "EncLevel",
                   std::nullopt},
        ExportCase{"EncLevel14", [](Snapshot& s) { s.epState[4] = 2; }, "EncLevel", "14"},
        ExportCase{"Port0ScaleIndex1IsOn",
                   [](Snapshot& s) { s.scaler[0].rows[packets::k1080p60].resolution = 1; },
                   "ScalePort0_1080p60Mode", "HDMIDRV_SCALE_ON"},
        ExportCase{"Port1ScaleIndex1IsOff",
                   [](Snapshot& s) { s.scaler[1].rows[packets::k4k60].resolution = 1; },
                   "ScalePort1_4k60Mode", "HDMIDRV_SCALE_OFF"},
        ExportCase{"ColourSpace420Bt709",
                   [](Snapshot& s) { s.scaler[1].rows[packets::k4k30].colourSpace = 7; },
                   "ScalePort1_4k30Cs", "HDMIDRV_CS_YCbCr420_BT709"},
        ExportCase{"MinBrightnessWithFourDecimals",
                   [](Snapshot& s) {
                       s.macros.rules[0].metadata = packets::kMinBrightness;
                       s.macros.rules[0].threshold = 25000;  // 2.5 cd/m2
                   },
                   "JvcMacro45", "2.5000"},
        ExportCase{"MaxBrightnessWhole",
                   [](Snapshot& s) {
                       s.macros.rules[0].metadata = packets::kMaxBrightness;
                       s.macros.rules[0].threshold = 2;
                   },
                   "JvcMacro45", "2"},
        ExportCase{"HlgOptionIsBit0", [](Snapshot& s) { s.epState[51] = 1; }, "HlgOptionDisable",
                   "on"},
        ExportCase{"Hdr10OptionIsBit1", [](Snapshot& s) { s.epState[51] = 1; },
                   "Hdr10OptionDisable", "off"},
        ExportCase{"PriorityForced", [](Snapshot& s) { s.epState[9] = 7; }, "AutoSwPrio", "forced"},
        ExportCase{"CecAudio", [](Snapshot& s) { s.epState[37] = 1; }, "CecLa", "audio"},
        ExportCase{"TextOnOneLine", [](Snapshot& s) { s.cecText = "ef:36\n50:04"; },
                   "CustomCecText", "ef:36 50:04"},
        ExportCase{"TextCutToWhatTheImportTakes",
                   [](Snapshot& s) { s.hdrText = std::string(120, 'a'); }, "CustomHdrText",
                   std::string(93, 'a')}),
    [](const ::testing::TestParamInfo<ExportCase>& p) { return std::string(p.param.name); });

TEST(ExportSection, EveryLineEndsWithALineBreakAndKeysComeInTheirOrder) {
    const std::string section = config::settingsSection(startedWindow());
    ASSERT_FALSE(section.empty());
    EXPECT_EQ(section.back(), '\n');
    const std::vector<std::string> lines = linesOf(section);
    EXPECT_EQ(lines[2], "#SETTINGS START - MODIFY VALUES PERMITTED");
    std::vector<std::string> keys;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] != '#') {
            keys.push_back(line.substr(0, line.find(' ')));
        }
    }
    // Landmarks of the order: first, around the scaler, the OSD and the macros, and last.
    const auto at = [&](const std::string& key) {
        return std::find(keys.begin(), keys.end(), key) - keys.begin();
    };
    EXPECT_EQ(keys.front(), "InputPort");
    EXPECT_LT(at("AutoPreset4k60"), at("ScalePort0_4k60En"));
    EXPECT_LT(at("ScalePort1_1080p30Dc"), at("HtpcMode"));
    EXPECT_EQ(at("OsdMask") + 1, at("OsdLocX"));
    EXPECT_EQ(at("Osd") + 1, at("OsdCustTextLocX"));
    EXPECT_EQ(at("JvcMacroEnable") + 1, at("JvcMacro1"));
    EXPECT_EQ(at("JvcMacro3") + 1, at("JvcMacro45"));
    EXPECT_EQ(at("JvcMacro38") + 1, at("MacroRep"));
    EXPECT_EQ(keys.back(), "DolbyVision");
    EXPECT_EQ(lines[lines.size() - 3], "#SETTINGS END");
}

// ---- Reading a file ----------------------------------------------------------

TEST(ReadConfigText, CrLfAndLfReadTheSame) {
    const auto lf = config::readConfigText("# c\nAutoSw on\nCec off\n", known);
    const auto crlf = config::readConfigText("# c\r\nAutoSw on\r\nCec off\r\n", known);
    ASSERT_EQ(lf.lines.size(), 3u);
    ASSERT_EQ(crlf.lines.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_EQ(lf.lines[i].has_value(), crlf.lines[i].has_value());
        if (lf.lines[i]) {
            EXPECT_EQ(lf.lines[i]->key, crlf.lines[i]->key);
            EXPECT_EQ(lf.lines[i]->value, crlf.lines[i]->value);
        }
    }
    EXPECT_EQ(lf.lines[1]->value, "on");
}

TEST(ReadConfigText, LongLinesAndWordsAreCutIntoPiecesWithoutOverrun) {
    // 300 characters: a piece of 255, then the rest (45 y) as a piece of its
    // own with a single word; words are at most 127 characters.
    const std::string longLine = "AutoSw " + std::string(150, 'x') + " " + std::string(142, 'y');
    const std::string longWord = "CustomHdrText " + std::string(130, 'z');
    const auto read = config::readConfigText(longLine + "\n" + longWord + "\n", known);
    ASSERT_TRUE(read.refusal.empty()) << read.refusal;
    ASSERT_EQ(read.lines.size(), 3u);
    ASSERT_TRUE(read.lines[0].has_value());
    EXPECT_EQ(read.lines[0]->key, "AutoSw");
    EXPECT_EQ(read.lines[0]->value, std::string(127, 'x'));
    EXPECT_FALSE(read.lines[1].has_value());
    ASSERT_TRUE(read.lines[2].has_value());
    EXPECT_EQ(read.lines[2]->value, std::string(127, 'z'));
}

TEST(ReadConfigText, LinesWithFewerThanTwoWordsAreKeptAsEmptyEntries) {
    const auto read = config::readConfigText("AutoSw\n\n   \nCec on\n", known);
    ASSERT_EQ(read.lines.size(), 4u);
    EXPECT_FALSE(read.lines[0]);
    EXPECT_FALSE(read.lines[1]);
    EXPECT_FALSE(read.lines[2]);
    EXPECT_TRUE(read.lines[3]);
}

struct RefusalCase {
    const char* name;
    std::string file;
};

class ReadRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ReadRefusal, WhatIsNotAConfigurationFileIsRefusedWhole) {
    const auto read = config::readConfigText(GetParam().file, known);
    EXPECT_FALSE(read.refusal.empty());
    EXPECT_TRUE(read.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadRefusal,
    ::testing::Values(RefusalCase{"Empty", ""},
                      RefusalCase{"Binary", std::string("\x7f"
                                                        "ELF\x02\x01\x01\0\0\0AutoSw on\n",
                                                        20)},
                      RefusalCase{"OtherText", "[Desktop Entry]\nName=Something\nExec=true\n"},
                      RefusalCase{"CommentsOnly", "# a\n# b c\n"},
                      RefusalCase{"ControlByteInASettingLine", "# ok \x07\nAutoSw o\x01n\n"}),
    [](const ::testing::TestParamInfo<RefusalCase>& p) { return std::string(p.param.name); });

TEST(ReadConfigText, ControlBytesOutsideTheSettingsLinesAreLeftAlone) {
    const auto read = config::readConfigText("TX0 Sink: LG\x07TV\x1b[0m\n#\x7f\nAutoSw on\n", known);
    EXPECT_EQ(read.refusal, "");
    ASSERT_EQ(read.lines.size(), 3u);
    ASSERT_TRUE(read.lines[2]);
    EXPECT_EQ(read.lines[2]->key, "AutoSw");
    const auto refused = config::readConfigText("# a\nAutoSw o\x01n\n", known);
    EXPECT_EQ(refused.refusal, "line 2 (AutoSw) holds a control character");
}

// ---- Import ----------------------------------------------------------------

ImportAction write(std::uint8_t reg, std::uint8_t value) {
    return {ImportAction::WriteRegister, reg, value};
}

struct ImportCase {
    const char* name;
    void (*prepare)(Snapshot&);
    std::vector<std::pair<const char*, const char*>> lines;
    std::vector<ImportAction> actions;  // one per line
    bool (*check)(const Snapshot&) = nullptr;
};

void PrintTo(const ImportCase& c, std::ostream* os) {
    *os << c.name;
}

void none(Snapshot&) {}

class ImportLine : public ::testing::TestWithParam<ImportCase> {};

TEST_P(ImportLine, EachLineSendsWhatTheBoxDoesNotHoldYet) {
    const ImportCase& c = GetParam();
    Snapshot s = startedWindow();
    c.prepare(s);
    std::vector<ImportAction> actions;
    for (const auto& [key, value] : c.lines) {
        actions.push_back(config::importLine(KeyValue{key, value}, s));
    }
    EXPECT_EQ(actions, c.actions);
    if (c.check != nullptr) {
        EXPECT_TRUE(c.check(s));
    }
}

const ImportAction kNone{};

INSTANTIATE_TEST_SUITE_P(
    Keys, ImportLine,
    ::testing::Values(
        ImportCase{"InputPortAlwaysWritten",
                   [](Snapshot& s) {
                       s.inputIndex = 2;
                       s.epState[0] = 3;
                   },
                   {{"InputPort", "thru"}, {"InputPort", "sideways"}},
                   {write(25, 3), kNone}},
        ImportCase{"EncLevelSkippedWhenEqual",
                   [](Snapshot& s) { s.epState[4] = 3; },
                   {{"EncLevel", "22"}, {"EncLevel", "14"}, {"EncLevel", "14"}},
                   {kNone, write(30, 2), kNone},
                   [](const Snapshot& s) { return s.epState[4] == 2; }},
        ImportCase{"EdidAlgoOnly0To4AndWhenDifferent",
                   none,
                   {{"EdidAlgo", "7"}, {"EdidAlgo", "0"}, {"EdidAlgo", "2"}},
                   {kNone, kNone, write(31, 2)}},
        ImportCase{"EdidTablesCompareWithTheTableLists",
                   none,
                   {{"EdidCustomTableBot", "1"},
                    {"EdidCustomTableBot", "3"},
                    {"EdidCustomTableTop", "0"},
                    {"EdidCustomTableTop", "259"}},
                   {kNone, write(32, 3), kNone, write(33, 3)}},
        ImportCase{"BaudRateByNumber",
                   none,
                   {{"BaudRate", "9600"}, {"BaudRate", "57600"}, {"BaudRate", "1234"}},
                   {kNone, write(66, 2), kNone}},
        ImportCase{"OnOffTakesAnythingElseAsOff",
                   [](Snapshot& s) { s.epState[36] = 1; },
                   {{"Cec", "yes"}, {"Cec", "on"}},
                   {write(56, 0), write(56, 1)}},
        ImportCase{"HlgOptionBitSetThenCleared",
                   none,
                   {{"HlgOptionDisable", "on"}, {"HlgOptionDisable", "off"}},
                   {write(73, 1), write(73, 0)}},
        ImportCase{"DolbyVisionBitsKeepEachOther",
                   [](Snapshot& s) { s.epState[19] = 4; },
                   {{"EdidDvCopyMetadata", "on"}, {"EdidDvLimit300", "off"}},
                   {write(39, 5), write(39, 1)},
                   [](const Snapshot& s) { return s.dvCopy && !s.dvLimit; }},
        ImportCase{"EdidHdrSetsBothBoxes",
                   none,
                   {{"EdidHdr", "hdrhlg"}, {"EdidHdr", "bogus"}},
                   {write(38, 3), write(38, 0)},
                   [](const Snapshot& s) { return !s.edidHdr && !s.edidHlg; }},
        ImportCase{"SlideSwitchPositionsAreTheBoxsOwn",
                   none,
                   {{"EdidSlidePosition", "fixed"}, {"ScaleSlidePosition", "custom"}},
                   {kNone, kNone}},
        ImportCase{
            "PresetsThroughTheirLists",
            none,
            {{"AutoPreset4k30", "PRESET_4K30_422_12"},
             {"AutoPreset4k60", "PRESET_4K60_420_10_12"},
             {"AutoPreset4k60Hdr", "PRESET_4K60_420_10_12"}},
            {write(46, 3), kNone, write(48, 5)},
            [](const Snapshot& s) { return s.preset4k30Index == 2 && s.preset4k60HdrIndex == 2; }},
        ImportCase{"CecLaAudioOrVideo",
                   none,
                   {{"CecLa", "audio"}, {"CecLa", "tv"}},
                   {write(57, 1), write(57, 0)}},
        ImportCase{"OsdPositionInRangeOnly",
                   none,
                   {{"OsdLocX", "0"}, {"OsdLocX", "1921"}, {"OsdLocX", "1920"}},
                   {kNone, kNone, kNone},
                   [](const Snapshot& s) { return s.osd.x == 1920; }},
        ImportCase{
            "OsdSwitchesAlwaysSend",
            none,
            {{"Osd", "off"}, {"OsdMask", "on"}},
            {ImportAction{ImportAction::SendOsdParams}, ImportAction{ImportAction::SendOsdParams}}},
        ImportCase{
            "OsdTextSentWhenItChanged",
            none,
            {{"OsdCustTextLocX", "20"}, {"OsdCustTextLocX", "300"}, {"OsdCustTextNeverFade", "on"}},
            {kNone, ImportAction{ImportAction::SendOsdText},
             ImportAction{ImportAction::SendOsdText}}},
        ImportCase{
            "ScalerChangesSendTheirPort",
            none,
            {{"ScalePort1_4k60Mode", "HDMIDRV_SCALE_OFF"},
             {"ScalePort1_4k60Mode", "HDMIDRV_SCALE_OFF"},
             {"ScalePort0_4k30Cs", "HDMIDRV_CS_Unknown"},
             {"ScalePort0_4k30En", "on"}},
            {ImportAction{ImportAction::SendScaler, 0, 0, 1}, kNone, kNone,
             ImportAction{ImportAction::SendScaler, 0, 0, 0}},
            [](const Snapshot& s) { return s.scaler[1].rows[packets::k4k60].resolution == 1; }},
        ImportCase{"TextsInTheirRangeOnly",
                   none,
                   {{"CustomHdrText", "0123456789"},
                    {"CustomAviText", "0123456789a"},
                    {"DolbyVision", "01:02:03:04"}},
                   {kNone, kNone, kNone},
                   [](const Snapshot& s) {
                       return s.hdrText.empty() && s.aviText == "0123456789a" && s.dvText.empty();
                   }},
        ImportCase{"MacroThresholdByItsRule",
                   none,
                   {{"JvcMacro3", "1"},
                    {"JvcMacro45", "0.05"},
                    {"JvcMacro7", "0"},
                    {"JvcMacro89", "2.5000"},
                    {"JvcMacro38", "4"}},
                   {kNone, kNone, kNone, kNone, ImportAction{ImportAction::SendMacros}},
                   [](const Snapshot& s) {
                       return s.macros.rules[0].threshold == 500 &&
                              s.macros.rules[1].threshold == 2 && s.macros.pictureModes[9] == 4;
                   }},
        ImportCase{"UnknownKeysDoNothing",
                   none,
                   {{"Frobnicate", "on"}, {"#RX0", "EDID"}},
                   {kNone, kNone}}),
    [](const ::testing::TestParamInfo<ImportCase>& p) { return std::string(p.param.name); });

// The combo boxes as the status poll sets them from the EP state.
void mirrorIndices(Snapshot& s) {
    s.inputIndex = s.epState[0] - 1;
    s.edidAlgoIndex = s.epState[11];
    s.edidTableTopIndex = s.epState[12];
    s.edidTableBotIndex = s.epState[13] - 1;
    s.cecLaIndex = s.epState[37] != 0 ? 1 : 0;
    s.baudRateIndex = s.epState[42];
}

TEST(ImportRoundTrip, AnExportedSnapshotImportsBackIntoAnother) {
    Snapshot original = startedWindow();
    for (const std::size_t n : {8, 9, 15, 17, 20, 23, 24, 30, 36, 37, 38, 39, 43, 50}) {
        original.epState[n] = 1;
    }
    const std::pair<std::size_t, std::uint8_t> bytes[] = {
        {0, 4},  {2, 2},  {4, 2},  {10, 4}, {11, 3}, {12, 7}, {13, 5}, {14, 2},
        {18, 2}, {19, 6}, {26, 3}, {27, 6}, {28, 5}, {42, 3}, {51, 2},
    };
    for (const auto& [n, v] : bytes) {
        original.epState[n] = v;
    }
    mirrorIndices(original);
    original.preset4k30Index = 2;     // code 3
    original.preset4k60Index = 2;     // code 6
    original.preset4k60HdrIndex = 2;  // code 5
    original.edidHlg = true;
    original.edidBt2020 = true;
    original.edid3dRemove = true;
    original.dvRemove = true;
    original.dvLimit = true;
    original.osd.enabled = true;
    original.osd.x = 300;
    original.osd.contents = 0xA5;
    original.osd.ignoreMetadata = true;
    original.osdText.x = 111;
    original.osdText.shown = true;
    original.macros.enabled = true;
    original.macros.rules[2] = {packets::kMinBrightness, 500, 7};
    original.macros.pictureModes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    original.scaler[0].rows[packets::k1080p30] = {true, 1, 8, 4};
    original.scaler[1].rows[packets::k4k30] = {true, 1, 3, 2};
    original.hdrText = "87:01:1a:91:02:00";
    original.cecText = "5f:36";

    Snapshot imported = startedWindow();
    mirrorIndices(imported);
    const auto read = config::readConfigText(config::settingsSection(original), known);
    ASSERT_TRUE(read.refusal.empty());
    for (const auto& line : read.lines) {
        if (line) {
            config::importLine(*line, imported);
        }
    }
    // Settings that the import sends through their widgets (routing, tables,
    // presets, CEC type, baud rate) come back into the EP state with the next
    // status poll; the slide switch positions stay the box's own.
    for (const std::size_t n : {0, 3, 11, 12, 13, 26, 27, 28, 37, 42, 44}) {
        imported.epState[n] = original.epState[n];
    }
    EXPECT_EQ(imported.epState, original.epState);
    EXPECT_EQ(imported.osd, original.osd);
    EXPECT_EQ(imported.osdText, original.osdText);
    EXPECT_EQ(imported.macros, original.macros);
    EXPECT_EQ(imported.scaler, original.scaler);
    EXPECT_EQ(imported, original);
}

}  // namespace

#include "config/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

#include "config/StateKeys.h"
#include "settings/RegisterMap.h"

namespace config {

namespace {

void line(std::string& out, std::string_view text) {
    out += text;
    out += '\n';
}

void keyLine(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += ' ';
    out += value;
    out += '\n';
}

std::string_view onOff(bool on) {
    return on ? "on" : "off";
}

// The text after an optional plus sign, which a C library number scan takes.
std::string_view withoutPlus(std::string_view text) {
    return text.size() > 1 && text[0] == '+' && text[1] != '-' ? text.substr(1) : text;
}

// The leading decimal number of a value, as a C library number scan reads
// it ("12abc" reads 12), in every locale the same; nothing when it does not
// start with a number or the number is out of range.
std::optional<long> leadingNumber(std::string_view text) {
    text = withoutPlus(text);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc()) {
        return std::nullopt;
    }
    return value;
}

// A decimal number with a full stop, whatever the locale ("2.5000").
std::optional<double> leadingDecimal(std::string_view text) {
    text = withoutPlus(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value != value) {  // no number, or NaN
        return std::nullopt;
    }
    return value;
}

// Four decimals with a full stop, whatever the locale.
std::string fourDecimals(double value) {
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, 4);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("0.0000");
}

std::optional<long> numberIn(std::string_view text, long low, long high) {
    const auto n = leadingNumber(text);
    if (!n || *n < low || *n > high) {
        return std::nullopt;
    }
    return n;
}

// ---- Presets -------------------------------------------------------------

struct PresetKey {
    std::string_view key;
    std::uint8_t reg;
    std::span<const std::uint8_t> codes;  // by combo box index
    int Snapshot::*index;
};

const PresetKey kPresetKeys[] = {
    {"AutoPreset4k30", 46, boxsettings::kPreset4k30Codes, &Snapshot::preset4k30Index},
    {"AutoPreset4k60Hdr", 48, boxsettings::kPreset4k60HdrCodes, &Snapshot::preset4k60HdrIndex},
    {"AutoPreset4k60", 47, boxsettings::kPreset4k60Codes, &Snapshot::preset4k60Index},
};

// The EP state byte of a register, as the register map keeps it.
std::uint8_t stateByte(const Snapshot& s, std::uint8_t reg) {
    return s.epState[*boxsettings::registerByte(reg)];
}

void presetLine(std::string& out, const PresetKey& key, const Snapshot& s) {
    const std::uint8_t code = stateByte(s, key.reg);
    for (const std::uint8_t c : key.codes) {
        if (c == code) {
            keyLine(out, key.key, boxsettings::presetName(code));
        }
    }
}

// ---- Scaler ----------------------------------------------------------------

enum class ScalerField { En, Mode, Cs, Dc };

struct ScalerKey {
    std::string_view key;
    int port;
    std::uint8_t format;
    ScalerField field;
};

using packets::k1080p30;
using packets::k1080p60;
using packets::k4k30;
using packets::k4k60;

constexpr ScalerKey kScalerKeys[] = {
    {"ScalePort0_4k60En", 0, k4k60, ScalerField::En},
    {"ScalePort0_4k60Cs", 0, k4k60, ScalerField::Cs},
    {"ScalePort0_4k60Dc", 0, k4k60, ScalerField::Dc},
    {"ScalePort0_4k30En", 0, k4k30, ScalerField::En},
    {"ScalePort0_4k30Cs", 0, k4k30, ScalerField::Cs},
    {"ScalePort0_4k30Dc", 0, k4k30, ScalerField::Dc},
    {"ScalePort0_1080p60En", 0, k1080p60, ScalerField::En},
    {"ScalePort0_1080p60Mode", 0, k1080p60, ScalerField::Mode},
    {"ScalePort0_1080p60Cs", 0, k1080p60, ScalerField::Cs},
    {"ScalePort0_1080p60Dc", 0, k1080p60, ScalerField::Dc},
    {"ScalePort0_1080p30En", 0, k1080p30, ScalerField::En},
    {"ScalePort0_1080p30Mode", 0, k1080p30, ScalerField::Mode},
    {"ScalePort0_1080p30Cs", 0, k1080p30, ScalerField::Cs},
    {"ScalePort0_1080p30Dc", 0, k1080p30, ScalerField::Dc},
    {"ScalePort1_4k60En", 1, k4k60, ScalerField::En},
    {"ScalePort1_4k60Mode", 1, k4k60, ScalerField::Mode},
    {"ScalePort1_4k60Cs", 1, k4k60, ScalerField::Cs},
    {"ScalePort1_4k60Dc", 1, k4k60, ScalerField::Dc},
    {"ScalePort1_4k30En", 1, k4k30, ScalerField::En},
    {"ScalePort1_4k30Mode", 1, k4k30, ScalerField::Mode},
    {"ScalePort1_4k30Cs", 1, k4k30, ScalerField::Cs},
    {"ScalePort1_4k30Dc", 1, k4k30, ScalerField::Dc},
    {"ScalePort1_1080p60En", 1, k1080p60, ScalerField::En},
    {"ScalePort1_1080p60Cs", 1, k1080p60, ScalerField::Cs},
    {"ScalePort1_1080p60Dc", 1, k1080p60, ScalerField::Dc},
    {"ScalePort1_1080p30En", 1, k1080p30, ScalerField::En},
    {"ScalePort1_1080p30Cs", 1, k1080p30, ScalerField::Cs},
    {"ScalePort1_1080p30Dc", 1, k1080p30, ScalerField::Dc},
};

constexpr std::array<std::string_view, 2> kScaleModeNamesPort0 = {"HDMIDRV_SCALE_OFF",
                                                                  "HDMIDRV_SCALE_ON"};
constexpr std::array<std::string_view, 2> kScaleModeNamesPort1 = {"HDMIDRV_SCALE_ON",
                                                                  "HDMIDRV_SCALE_OFF"};

template <std::size_t N>
std::string_view nameAt(const std::array<std::string_view, N>& names, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N
               ? names[static_cast<std::size_t>(index)]
               : std::string_view{};
}

template <std::size_t N>
std::optional<std::uint8_t> indexOf(const std::array<std::string_view, N>& names,
                                    std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) {
            return static_cast<std::uint8_t>(i);
        }
    }
    return std::nullopt;
}

void scalerLine(std::string& out, const ScalerKey& key, const Snapshot& s) {
    const packets::ScalerRow& row = s.scaler[static_cast<std::size_t>(key.port)].rows[key.format];
    switch (key.field) {
        case ScalerField::En:
            keyLine(out, key.key, onOff(row.convert));
            break;
        case ScalerField::Mode:
            if (const auto name = scaleModeName(key.port, row.resolution); !name.empty()) {
                keyLine(out, key.key, name);
            }
            break;
        case ScalerField::Cs:
            if (const auto name = nameAt(kColourSpaceNames, row.colourSpace); !name.empty()) {
                keyLine(out, key.key, name);
            }
            break;
        case ScalerField::Dc:
            if (const auto name = nameAt(kDeepColourNames, row.deepColour); !name.empty()) {
                keyLine(out, key.key, name);
            }
            break;
    }
}

ImportAction importScaler(const ScalerKey& key, std::string_view value, Snapshot& s) {
    packets::ScalerRow& row = s.scaler[static_cast<std::size_t>(key.port)].rows[key.format];
    std::optional<std::uint8_t> index;
    std::uint8_t* field = nullptr;
    switch (key.field) {
        case ScalerField::En: {
            const bool on = value == "on";
            if (row.convert == on) {
                return {};
            }
            row.convert = on;
            return {ImportAction::SendScaler, 0, 0, key.port};
        }
        case ScalerField::Mode:
            index = indexOf(key.port == 0 ? kScaleModeNamesPort0 : kScaleModeNamesPort1, value);
            field = &row.resolution;
            break;
        case ScalerField::Cs:
            index = indexOf(kColourSpaceNames, value);
            field = &row.colourSpace;
            break;
        case ScalerField::Dc:
            index = indexOf(kDeepColourNames, value);
            field = &row.deepColour;
            break;
    }
    if (!index || *field == *index) {
        return {};
    }
    *field = *index;
    return {ImportAction::SendScaler, 0, 0, key.port};
}

// ---- OSD -------------------------------------------------------------------

enum class OsdSend { Never, Params, TextWhenChanged };

// A number outside [low, high] is ignored; one inside it is brought into
// the range of the window's spin box, [shownLow, shownHigh], as the spin box
// does, so that the window and the command line send the same.
struct OsdNumberKey {
    std::string_view key;
    long low;
    long high;
    long shownLow;
    long shownHigh;
    std::uint16_t packets::OsdParams::*word;
    std::uint8_t packets::OsdParams::*byte;
};

constexpr OsdNumberKey kOsdNumberKeys[] = {
    {"OsdMaskX0", 1, 1920, 1, 1920, &packets::OsdParams::maskX0, nullptr},
    {"OsdMaskY0", 1, 1080, 1, 1080, &packets::OsdParams::maskY0, nullptr},
    {"OsdMaskX1", 1, 1920, 0, 1920, &packets::OsdParams::maskX1, nullptr},
    {"OsdMaskY1", 1, 1080, 0, 1080, &packets::OsdParams::maskY1, nullptr},
    {"OsdMaskRate", 0, 7, 1, 7, nullptr, &packets::OsdParams::maskLevel},
    {"OsdMaskGs", 0, 15, 0, 15, nullptr, &packets::OsdParams::maskGrey},
    {"OsdLocX", 1, 1920, 1, 1920, &packets::OsdParams::x, nullptr},
    {"OsdLocY", 1, 1080, 1, 1080, &packets::OsdParams::y, nullptr},
    {"OsdFadeValue", 0, 255, 0, 255, nullptr, &packets::OsdParams::fade},
    {"OsdColorFg", 0, 31, 0, 31, nullptr, &packets::OsdParams::foreground},
    {"OsdColorBg", 0, 31, 0, 31, nullptr, &packets::OsdParams::background},
    {"OsdColorBgRate", 0, 7, 1, 7, nullptr, &packets::OsdParams::backgroundLevel},
};

// The custom text's position: sbCustomOsdLocX holds 1..1080, sbCustomOsdLocY
// 1..1920 (the form has them so).
constexpr OsdNumberKey kOsdTextKeys[] = {
    {"OsdCustTextLocX", 1, 1920, 1, 1080, nullptr, nullptr},
    {"OsdCustTextLocY", 1, 1080, 1, 1920, nullptr, nullptr},
};

std::optional<long> osdNumberIn(const OsdNumberKey& key, std::string_view value) {
    const auto n = numberIn(value, key.low, key.high);
    if (!n) {
        return std::nullopt;
    }
    return std::clamp(*n, key.shownLow, key.shownHigh);
}

long osdNumber(const OsdNumberKey& key, const packets::OsdParams& osd) {
    return key.word != nullptr ? osd.*key.word : osd.*key.byte;
}

// OsdField1 .. OsdField8 are the content bits, OsdField9 the metadata flag.
constexpr std::uint8_t kOsdFieldBits[] = {
    packets::kOsdSourceName, packets::kOsdVideoField, packets::kOsdVideoIf, packets::kOsdHdrRxTx,
    packets::kOsdHdrIf,      packets::kOsdAudioField, packets::kOsdRxHdr,   packets::kOsdRxVideo,
};

bool osdField(const packets::OsdParams& osd, std::size_t n) {
    return n < 8 ? (osd.contents & kOsdFieldBits[n]) != 0 : osd.ignoreMetadata;
}

void setOsdField(packets::OsdParams& osd, std::size_t n, bool on) {
    if (n < 8) {
        osd.contents = static_cast<std::uint8_t>(on ? osd.contents | kOsdFieldBits[n]
                                                    : osd.contents & ~kOsdFieldBits[n]);
    } else {
        osd.ignoreMetadata = on;
    }
}

// ---- Macros ----------------------------------------------------------------

// Picture modes of the C and picture-mode combo boxes: 22 items.
constexpr long kPictureModes = 22;

enum class MacroField {
    Enable,
    Hdr10Mode,
    RuleEnables,
    Metadata,
    Threshold,
    Mode,
    ElseMode,
    Delay,
    PictureMode
};

struct MacroKey {
    std::string key;
    MacroField field;
    std::size_t index;  // the rule or picture-mode row
};

// The macro keys in file order: JvcMacroEnable, JvcMacro1, 2, then per rule
// k the A, B and C keys (JvcMacro3, JvcMacro45, JvcMacro6 for rule 0), ...
const std::vector<MacroKey>& macroKeys() {
    static const std::vector<MacroKey> keys = [] {
        std::vector<MacroKey> k = {{"JvcMacroEnable", MacroField::Enable, 0},
                                   {"JvcMacro1", MacroField::Hdr10Mode, 0},
                                   {"JvcMacro2", MacroField::RuleEnables, 0}};
        for (std::size_t rule = 0; rule < packets::kMacroRules; ++rule) {
            const std::size_t a = 3 + 4 * rule;
            k.push_back({"JvcMacro" + std::to_string(a), MacroField::Metadata, rule});
            k.push_back({"JvcMacro" + std::to_string(a + 1) + std::to_string(a + 2),
                         MacroField::Threshold, rule});
            k.push_back({"JvcMacro" + std::to_string(a + 3), MacroField::Mode, rule});
        }
        k.push_back({"JvcMacro27", MacroField::ElseMode, 0});
        k.push_back({"JvcMacro28", MacroField::Delay, 0});
        for (std::size_t row = 0; row < packets::kPictureModeRows; ++row) {
            k.push_back({"JvcMacro" + std::to_string(29 + row), MacroField::PictureMode, row});
        }
        return k;
    }();
    return keys;
}

std::string macroValueText(const MacroKey& key, const packets::Macros& m) {
    switch (key.field) {
        case MacroField::Enable:
            return std::to_string((m.enabled ? 1 : 0) | (m.everySync ? 2 : 0));
        case MacroField::Hdr10Mode:
            return std::to_string(m.hdr10Mode);
        case MacroField::RuleEnables:
            return std::to_string(m.ruleEnables & 0x7F);
        case MacroField::Metadata:
            return std::to_string(m.rules[key.index].metadata);
        case MacroField::Threshold: {
            const packets::MacroRule& rule = m.rules[key.index];
            const double shown = packets::macroThresholdShown(rule.metadata, rule.threshold);
            return rule.metadata == packets::kMinBrightness
                       ? fourDecimals(shown)
                       : std::to_string(static_cast<int>(shown));
        }
        case MacroField::Mode:
            return std::to_string(m.rules[key.index].mode);
        case MacroField::ElseMode:
            return std::to_string(m.elseMode);
        case MacroField::Delay:
            return std::to_string(m.syncDelay);
        case MacroField::PictureMode:
            return std::to_string(m.pictureModes[key.index]);
    }
    return {};
}

// Sets the macro field; values outside the widget's range are ignored.
void importMacro(const MacroKey& key, std::string_view value, packets::Macros& m) {
    if (key.field == MacroField::Threshold) {
        packets::MacroRule& rule = m.rules[key.index];
        // A threshold with four decimals when the rule compares the minimum
        // brightness, else a whole number.
        if (rule.metadata == packets::kMinBrightness) {
            // Rounded to four decimals, as the spin box rounds it.
            if (const auto d = leadingDecimal(value)) {
                rule.threshold =
                    packets::macroThreshold(rule.metadata, std::round(*d * 10000.0) / 10000.0);
            }
        } else if (const auto n = leadingNumber(value)) {
            rule.threshold = packets::macroThreshold(rule.metadata, static_cast<double>(*n));
        }
        return;
    }
    const auto number = leadingNumber(value);
    if (!number) {
        return;
    }
    const long v = *number;
    const auto set = [v](std::uint8_t& field, long low, long high) {
        if (v >= low && v <= high) {
            field = static_cast<std::uint8_t>(v);
        }
    };
    switch (key.field) {
        case MacroField::Enable:
            m.enabled = (v & 1) != 0;
            m.everySync = (v & 2) != 0;
            break;
        case MacroField::Hdr10Mode:
            set(m.hdr10Mode, 0, 3);
            break;
        case MacroField::RuleEnables:
            m.ruleEnables = static_cast<std::uint8_t>(v & 0x7F);
            break;
        case MacroField::Metadata:
            set(m.rules[key.index].metadata, 0, 2);
            break;
        case MacroField::Mode:
            set(m.rules[key.index].mode, 0, kPictureModes - 1);
            break;
        case MacroField::ElseMode:
            set(m.elseMode, 0, kPictureModes - 1);
            break;
        case MacroField::Delay:
            // Set into its spin box, which holds 1..60.
            m.syncDelay = static_cast<std::uint8_t>(std::clamp(v, 1L, 60L));
            break;
        case MacroField::PictureMode:
            set(m.pictureModes[key.index], 0, kPictureModes - 1);
            break;
        case MacroField::Threshold:
            break;
    }
}

// ---- Texts -----------------------------------------------------------------

const TextKey kTextKeys[] = {
    {"CustomHdrText", 11, 93, &Snapshot::hdrText, true},
    {"CustomAviText", 11, 93, &Snapshot::aviText, true},
    {"CustomVsiText", 11, 93, &Snapshot::vsiText, true},
    {"CustomCecText", 5, 48, &Snapshot::cecText, true},
    {"DolbyVision", 0, 199, &Snapshot::dvText, false},
};

// A text as one line: line breaks become blanks (a break would end the key's
// line and start a line of its own), cut to what the import takes.
std::string textValue(const std::string& text, std::size_t maxChars) {
    std::string value = text.substr(0, maxChars);
    for (char& c : value) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return value;
}

// ---- Keys written from the EP state -----------------------------------------

// Keys of the EP state that compare with a widget of the window, not with
// the EP state byte.
struct IndexKey {
    std::string_view key;
    std::uint8_t reg;
    int Snapshot::*index;
    int offset;  // register value = index + offset
    // The file writes the widget's index rather than the EP state byte.
    int Snapshot::*shown = nullptr;
};

const IndexKey kIndexKeys[] = {
    {"EdidCustomTableBot", boxsettings::kRegEdidTablePort0, &Snapshot::edidTableBotIndex, 1},
    {"EdidCustomTableTop", boxsettings::kRegEdidTablePort1, &Snapshot::edidTableTopIndex, 0},
    {"EdidAlgo", boxsettings::kRegEdidAlgo, &Snapshot::edidAlgoIndex, 0, &Snapshot::edidAlgoIndex},
};

ImportAction importIndexKey(const IndexKey& key, std::string_view value, Snapshot& s) {
    const auto number = leadingNumber(value);
    if (!number) {
        return {};
    }
    long v = *number;
    if (key.reg == boxsettings::kRegEdidAlgo) {
        if (v < 0 || v > 4) {
            return {};
        }
    } else {
        v &= 0xFF;  // the register takes the low 8 bits
    }
    if (s.*key.index + key.offset == v) {
        return {};
    }
    s.*key.index = static_cast<int>(v) - key.offset;
    return {ImportAction::WriteRegister, key.reg, static_cast<std::uint8_t>(v)};
}

ImportAction importStateKey(const StateKey& key, std::string_view value, Snapshot& s) {
    if (key.key == "InputPort") {
        // Always written: the routing may have changed at the box since.
        const auto v = stateValueFor(key, value, s.epState);
        if (!v) {
            return {};
        }
        s.inputIndex = *v - 1;
        return {ImportAction::WriteRegister, key.reg, *v};
    }
    if (key.key == "BaudRate") {
        const auto n = leadingNumber(value);
        for (const Word& w : kBaudRateWords) {
            if (n && std::to_string(*n) == w.text) {
                if (s.baudRateIndex == w.value) {
                    return {};
                }
                s.baudRateIndex = w.value;
                return {ImportAction::WriteRegister, key.reg, w.value};
            }
        }
        return {};
    }
    if (key.key == "CecLa") {
        const int index = value == "audio" ? 1 : 0;
        if (s.cecLaIndex == index) {
            return {};
        }
        s.cecLaIndex = index;
        return {ImportAction::WriteRegister, key.reg, static_cast<std::uint8_t>(index)};
    }
    if (key.reg == 0) {
        return {};  // slide switch positions are the box's own
    }
    const auto v = stateValueFor(key, value, s.epState);
    if (!v || s.epState[key.epByte] == *v) {
        return {};
    }
    s.epState[key.epByte] = *v;
    mirrorEdidBoxes(s);
    return {ImportAction::WriteRegister, key.reg, *v};
}

// ---- The key registry --------------------------------------------------------

// The rows of the key families, as the registry holds them.
struct StateRow {
    const StateKey* key;
    const IndexKey* index;  // the keys that compare with a widget's index, else nullptr
    // The widget whose index the file writes instead of the EP state byte
    // (as a word of the key's vocabulary, or as a number), or nullptr.
    int Snapshot::*shown;
};
struct OsdNumberRow {
    const OsdNumberKey* key;
};
struct OsdFlagRow {
    bool packets::OsdParams::*flag;  // sent with the OSD parameters at once
};
struct OsdFieldRow {
    std::size_t n;  // OsdField n + 1
};
struct OsdTextNumberRow {
    const OsdNumberKey* key;
    std::uint16_t packets::OsdText::*field;
};
struct OsdTextFlagRow {
    bool packets::OsdText::*flag;
};

using KeyRow =
    std::variant<StateRow, const PresetKey*, const ScalerKey*, OsdNumberRow, OsdFlagRow,
                 OsdFieldRow, OsdTextNumberRow, OsdTextFlagRow, const MacroKey*, const TextKey*>;

struct FileKey {
    std::string name;
    KeyRow row;
};

// Each family's line, whether the import applies it, and its import.

void writeKey(std::string& out, std::string_view name, const StateRow& row, const Snapshot& s) {
    if (row.shown != nullptr) {
        const int index = s.*row.shown;
        if (row.key->kind == StateKind::Decimal) {
            keyLine(out, name, std::to_string(index));
        } else if (index >= 0 && static_cast<std::size_t>(index) < row.key->words.size()) {
            keyLine(out, name, row.key->words[static_cast<std::size_t>(index)].text);
        }
    } else if (const auto text = stateValueText(*row.key, s.epState)) {
        keyLine(out, name, *text);
    }
}
bool imported(const StateRow& row) {
    return row.key->reg != 0;
}
ImportAction importKey(const StateRow& row, std::string_view value, Snapshot& s) {
    return row.index != nullptr ? importIndexKey(*row.index, value, s)
                                : importStateKey(*row.key, value, s);
}

void writeKey(std::string& out, std::string_view, const PresetKey* key, const Snapshot& s) {
    presetLine(out, *key, s);
}
ImportAction importKey(const PresetKey* key, std::string_view value, Snapshot& s) {
    for (std::size_t i = 0; i < key->codes.size(); ++i) {
        if (boxsettings::presetName(key->codes[i]) == value) {
            if (s.*key->index == static_cast<int>(i)) {
                return {};
            }
            s.*key->index = static_cast<int>(i);
            return {ImportAction::WriteRegister, key->reg, key->codes[i]};
        }
    }
    return {};
}

void writeKey(std::string& out, std::string_view, const ScalerKey* key, const Snapshot& s) {
    scalerLine(out, *key, s);
}
ImportAction importKey(const ScalerKey* key, std::string_view value, Snapshot& s) {
    return importScaler(*key, value, s);
}

void writeKey(std::string& out, std::string_view name, const OsdNumberRow& row, const Snapshot& s) {
    keyLine(out, name, std::to_string(osdNumber(*row.key, s.osd)));
}
ImportAction importKey(const OsdNumberRow& row, std::string_view value, Snapshot& s) {
    const OsdNumberKey& k = *row.key;
    if (const auto n = osdNumberIn(k, value)) {
        if (k.word != nullptr) {
            s.osd.*k.word = static_cast<std::uint16_t>(*n);
        } else {
            s.osd.*k.byte = static_cast<std::uint8_t>(*n);
        }
    }
    return {};
}

void writeKey(std::string& out, std::string_view name, const OsdFlagRow& row, const Snapshot& s) {
    keyLine(out, name, onOff(s.osd.*row.flag));
}
ImportAction importKey(const OsdFlagRow& row, std::string_view value, Snapshot& s) {
    s.osd.*row.flag = value == "on";
    return {ImportAction::SendOsdParams};
}

void writeKey(std::string& out, std::string_view name, const OsdFieldRow& row, const Snapshot& s) {
    keyLine(out, name, onOff(osdField(s.osd, row.n)));
}
ImportAction importKey(const OsdFieldRow& row, std::string_view value, Snapshot& s) {
    setOsdField(s.osd, row.n, value == "on");
    return {};
}

// The custom text is sent when the import changed it.
template <typename T>
ImportAction textChange(T& field, T value) {
    if (field == value) {
        return {};
    }
    field = value;
    return {ImportAction::SendOsdText};
}

void writeKey(std::string& out, std::string_view name, const OsdTextNumberRow& row,
              const Snapshot& s) {
    keyLine(out, name, std::to_string(s.osdText.*row.field));
}
ImportAction importKey(const OsdTextNumberRow& row, std::string_view value, Snapshot& s) {
    const auto n = osdNumberIn(*row.key, value);
    if (!n) {
        return {};
    }
    return textChange(s.osdText.*row.field, static_cast<std::uint16_t>(*n));
}

void writeKey(std::string& out, std::string_view name, const OsdTextFlagRow& row,
              const Snapshot& s) {
    keyLine(out, name, onOff(s.osdText.*row.flag));
}
ImportAction importKey(const OsdTextFlagRow& row, std::string_view value, Snapshot& s) {
    return textChange(s.osdText.*row.flag, value == "on");
}

void writeKey(std::string& out, std::string_view name, const MacroKey* key, const Snapshot& s) {
    keyLine(out, name, macroValueText(*key, s.macros));
}
ImportAction importKey(const MacroKey* key, std::string_view value, Snapshot& s) {
    importMacro(*key, value, s.macros);
    // The last macro key sends them all.
    return key == &macroKeys().back() ? ImportAction{ImportAction::SendMacros} : ImportAction{};
}

void writeKey(std::string& out, std::string_view name, const TextKey* key, const Snapshot& s) {
    keyLine(out, name, textValue(s.*key->text, key->maxChars));
}
bool imported(const TextKey* key) {
    return key->imported;
}
ImportAction importKey(const TextKey* key, std::string_view value, Snapshot& s) {
    if (key->imported && value.size() >= key->minChars && value.size() <= key->maxChars) {
        s.*key->text = std::string(value);
    }
    return {};
}

// Every other family is imported.
template <typename Row>
bool imported(const Row&) {
    return true;
}

// The settings section's keys in file order: the one list from which the
// writer, isImportedKey and importLine are derived.
std::vector<FileKey> makeFileKeys() {
    std::vector<FileKey> keys;
    const auto state = [&keys](std::initializer_list<std::string_view> names) {
        for (const std::string_view name : names) {
            StateRow row{findStateKey(name), nullptr, nullptr};
            for (const IndexKey& index : kIndexKeys) {
                if (index.key == name) {
                    row.index = &index;
                    row.shown = index.shown;
                }
            }
            if (name == "InputPort") {
                row.shown = &Snapshot::inputIndex;  // the routing the window shows
            }
            keys.push_back({std::string(name), row});
        }
    };
    state({"InputPort",          "AutoSw",
           "AutoSwPrio",         "BaudRate",
           "EncLevel",           "ScaleSlidePosition",
           "ScaleCustomModeSel", "EdidSlidePosition",
           "EdidCustomModeSel",  "EdidCustomTableTop",
           "EdidCustomTableBot", "EdidAlgo",
           "EdidAudio",          "EdidHdr",
           "EdidBt2020",         "EdidYuvRemove",
           "Edid3dRemove",       "EdidDvCopyMetadata",
           "EdidDvRemove",       "EdidDvLimit300",
           "HdrCustom",          "HdrDisable",
           "Hdr10OptionDisable", "HlgOptionDisable",
           "AviCustom",          "AviDisable",
           "VsiCustom",          "VsiDisable"});
    for (const PresetKey& key : kPresetKeys) {
        keys.push_back({std::string(key.key), &key});
    }
    for (const ScalerKey& key : kScalerKeys) {
        keys.push_back({std::string(key.key), &key});
    }
    state({"HtpcMode", "LogoLed"});
    for (const OsdNumberKey& key : kOsdNumberKeys) {
        if (key.key == "OsdLocX") {  // between the mask and the position keys
            keys.push_back({"OsdMask", OsdFlagRow{&packets::OsdParams::mask}});
        }
        keys.push_back({std::string(key.key), OsdNumberRow{&key}});
    }
    for (std::size_t n = 0; n < 9; ++n) {
        keys.push_back({"OsdField" + std::to_string(n + 1), OsdFieldRow{n}});
    }
    keys.push_back({"Osd", OsdFlagRow{&packets::OsdParams::enabled}});
    keys.push_back({"OsdCustTextLocX", OsdTextNumberRow{&kOsdTextKeys[0], &packets::OsdText::x}});
    keys.push_back({"OsdCustTextLocY", OsdTextNumberRow{&kOsdTextKeys[1], &packets::OsdText::y}});
    keys.push_back({"OsdCustTextNeverFade", OsdTextFlagRow{&packets::OsdText::neverFade}});
    keys.push_back({"OsdCustTextEnable", OsdTextFlagRow{&packets::OsdText::shown}});
    for (const MacroKey& key : macroKeys()) {
        keys.push_back({key.key, &key});
    }
    state({"MacroRep", "Cec", "CecLa", "CecArcHbr", "MuteBotAudio"});
    for (const TextKey& key : kTextKeys) {
        keys.push_back({std::string(key.key), &key});
    }
    return keys;
}

const std::vector<FileKey>& fileKeys() {
    static const std::vector<FileKey> keys = makeFileKeys();
    return keys;
}

const FileKey* findFileKey(std::string_view name) {
    static const std::unordered_map<std::string_view, const FileKey*> index = [] {
        std::unordered_map<std::string_view, const FileKey*> byName;
        for (const FileKey& key : fileKeys()) {
            byName.emplace(key.name, &key);
        }
        return byName;
    }();
    const auto it = index.find(name);
    return it != index.end() ? it->second : nullptr;
}

}  // namespace

const std::array<std::string_view, 9> kColourSpaceNames = {
    "HDMIDRV_CS_Follow",
    "HDMIDRV_CS_RGB_Full",
    "HDMIDRV_CS_RGB_BT2020_Full",
    "HDMIDRV_CS_YCbCr444_BT709",
    "HDMIDRV_CS_YCbCr444_BT2020_Non_Const",
    "HDMIDRV_CS_YCbCr422_BT709",
    "HDMIDRV_CS_YCbCr422_BT2020_Non_Const",
    "HDMIDRV_CS_YCbCr420_BT709",
    "HDMIDRV_CS_YCbCr420_BT2020_Non_Const",
};

const std::array<std::string_view, 5> kDeepColourNames = {
    "HDMIDRV_DEEPCOLOR_Follow", "HDMIDRV_DEEPCOLOR_OFF",  "HDMIDRV_DEEPCOLOR10_ON",
    "HDMIDRV_DEEPCOLOR12_ON",   "HDMIDRV_DEEPCOLOR16_ON",
};

std::string_view scaleModeName(int port, int index) {
    return nameAt(port == 0 ? kScaleModeNamesPort0 : kScaleModeNamesPort1, index);
}

void mirrorEdidBoxes(Snapshot& s) {
    const std::uint8_t hdr = stateByte(s, 38);
    const std::uint8_t dv = stateByte(s, 39);
    s.edidBt2020 = stateByte(s, 35) == 1;
    s.edidYuvRemove = stateByte(s, 36) == 1;
    s.edid3dRemove = stateByte(s, 37) == 1;
    s.edidHdr = hdr == 1 || hdr == 3;
    s.edidHlg = hdr == 2 || hdr == 3;
    s.dvCopy = (dv & 0x01) != 0;
    s.dvRemove = (dv & 0x02) != 0;
    s.dvLimit = (dv & 0x04) != 0;
}

std::span<const TextKey> textKeys() {
    return kTextKeys;
}

std::string settingsSection(const Snapshot& s) {
    std::string out;
    line(out, kSeparator);
    line(out, "#");
    line(out, "#SETTINGS START - MODIFY VALUES PERMITTED");
    line(out, "#");
    line(out, kSeparator);

    for (const FileKey& key : fileKeys()) {
        std::visit([&](const auto& row) { writeKey(out, key.name, row, s); }, key.row);
    }

    line(out, "");
    line(out, "#SETTINGS END");
    line(out, "#");
    line(out, kSeparator);
    return out;
}

bool isImportedKey(std::string_view key) {
    const FileKey* k = findFileKey(key);
    return k != nullptr && std::visit([](const auto& row) { return imported(row); }, k->row);
}

ImportAction importLine(const KeyValue& kv, Snapshot& s) {
    const FileKey* k = findFileKey(kv.key);
    if (k == nullptr) {
        return {};
    }
    return std::visit([&](const auto& row) { return importKey(row, kv.value, s); }, k->row);
}

}  // namespace config

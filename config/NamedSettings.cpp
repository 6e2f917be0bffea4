#include "config/NamedSettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "settings/RegisterMap.h"
#include "status/PageBytes.h"

namespace config {

namespace {

using K = NamedSetting::Kind;

// The preset words of each preset register: the names of its combo box's
// items, with the codes the register takes.
template <std::size_t N>
std::array<Word, N> presetWords(const std::array<std::uint8_t, N>& codes) {
    std::array<Word, N> words{};
    for (std::size_t i = 0; i < N; ++i) {
        words[i] = {boxsettings::presetName(codes[i]), codes[i]};
    }
    return words;
}

const auto kPreset4k30 = presetWords(boxsettings::kPreset4k30Codes);
const auto kPreset4k60 = presetWords(boxsettings::kPreset4k60Codes);
const auto kPreset4k60Hdr = presetWords(boxsettings::kPreset4k60HdrCodes);

NamedSetting fromKey(std::string_view key, std::string_view about) {
    const StateKey& k = *findStateKey(key);
    NamedSetting s{k.key, k.reg, k.epByte, K::Words, 0, k.words, 0, 0, about};
    switch (k.kind) {
        case StateKind::OnOff:
            s.kind = K::OnOff;
            s.words = kOnOffWords;
            break;
        case StateKind::Bit:
            s.kind = K::Bit;
            s.bit = k.bit;
            s.words = kOnOffWords;
            break;
        case StateKind::TwoWords:
        case StateKind::Words:
            break;
        case StateKind::Decimal:
            s.kind = K::Number;
            break;
    }
    return s;
}

// A setting that the file has no key for (or keeps in a table of its own):
// S[n] is the register map's byte of the register.
NamedSetting ofRegister(std::string_view name, std::uint8_t reg, K kind,
                        std::span<const Word> words, int low, int high, std::string_view about) {
    return {name, reg, *boxsettings::registerByte(reg), kind, 0, words, low, high, about};
}

NamedSetting number(NamedSetting s, int low, int high) {
    s.kind = K::Number;
    s.low = low;
    s.high = high;
    return s;
}

const std::vector<NamedSetting>& table() {
    static const std::vector<NamedSetting> settings = [] {
        std::vector<NamedSetting> t = {
            fromKey("InputPort", "input routing: port 0, port 1, matrix thru, matrix swap"),
            fromKey("AutoSw", "automatic input switching"),
            fromKey("AutoSwPrio", "switching priority"),
            fromKey("BaudRate", "RS-232 baud rate"),
            fromKey("EncLevel", "HDCP level (1.4 or 2.2)"),
            fromKey("ScaleSlidePosition", "scale slide switch (set at the box)"),
            fromKey("ScaleCustomModeSel", "scaling mode"),
            fromKey("EdidSlidePosition", "EDID slide switch (set at the box)"),
            fromKey("EdidCustomModeSel", "EDID mode"),
            number(fromKey("EdidCustomTableTop", "EDID table of port 1 (0 follows port 0)"), 0,
                   100),
            number(fromKey("EdidCustomTableBot", "EDID table of port 0"), 1, 100),
            number(fromKey("EdidAlgo", "EDID automix algorithm"), 0, 4),
            fromKey("EdidAudio", "EDID audio capabilities"),
            fromKey("EdidHdr", "EDID HDR and HLG"),
            fromKey("EdidBt2020", "EDID BT.2020 colorimetry"),
            fromKey("EdidYuvRemove", "remove YCbCr from the EDID"),
            fromKey("Edid3dRemove", "remove 3D from the EDID"),
            fromKey("EdidDvCopyMetadata", "Dolby Vision: copy and hold metadata"),
            fromKey("EdidDvRemove", "Dolby Vision: remove from the EDID"),
            fromKey("EdidDvLimit300", "Dolby Vision: limit to 300 MHz"),
            fromKey("HdrCustom", "send the custom HDR infoframe"),
            fromKey("HdrDisable", "HDR infoframe off"),
            fromKey("Hdr10OptionDisable", "custom HDR infoframe for HDR10 input"),
            fromKey("HlgOptionDisable", "custom HDR infoframe for HLG input"),
            fromKey("AviCustom", "send the custom AVI infoframe"),
            fromKey("AviDisable", "AVI infoframe off"),
            fromKey("VsiCustom", "send the custom vendor-specific infoframe"),
            fromKey("VsiDisable", "vendor-specific infoframe off"),
            ofRegister("AutoPreset4k30", 46, K::Words, kPreset4k30, 0, 0, "4K30 scaling preset"),
            ofRegister("AutoPreset4k60Hdr", 48, K::Words, kPreset4k60Hdr, 0, 0,
                       "4K60 HDR scaling preset"),
            ofRegister("AutoPreset4k60", 47, K::Words, kPreset4k60, 0, 0, "4K60 scaling preset"),
            fromKey("HtpcMode", "HTPC mode"),
            fromKey("LogoLed", "logo LED"),
            fromKey("MacroRep", "repeat the projector macros"),
            fromKey("Cec", "CEC"),
            fromKey("CecLa", "CEC device type"),
            fromKey("CecArcHbr", "ARC allows high-bit-rate audio"),
            fromKey("MuteBotAudio", "mute the audio of the BOT output"),
            ofRegister("AutoScaleNoUpscale", 68, K::OnOff, kOnOffWords, 0, 0,
                       "automatic scaling without upscaling"),
            ofRegister("AudioVolume", 69, K::Signed, {}, -102, 12, "audio volume in dB"),
            ofRegister("AudioBass", 70, K::Signed, {}, -10, 10, "audio bass in dB"),
            ofRegister("AudioTreble", 71, K::Signed, {}, -10, 10, "audio treble in dB"),
        };
        return t;
    }();
    return settings;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::span<const NamedSetting> namedSettings() {
    return table();
}

const NamedSetting* findSetting(std::string_view name) {
    for (const NamedSetting& s : table()) {
        if (sameName(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

std::string settingValue(const NamedSetting& s, std::span<const std::uint8_t> epState) {
    const std::uint8_t b = boxstatus::byteAt(epState, s.epByte);
    switch (s.kind) {
        case K::OnOff:
            return b != 0 ? "on" : "off";
        case K::Bit:
            return (b & s.bit) != 0 ? "on" : "off";
        case K::Number:
            return std::to_string(b);
        case K::Signed:
            return std::to_string(static_cast<int>(static_cast<std::int8_t>(b)));
        case K::Words:
            if (const StateKey* key = findStateKey(s.name);
                key != nullptr && key->kind == StateKind::TwoWords) {
                return std::string(key->words[b != 0 ? 0 : 1].text);
            }
            for (const Word& w : s.words) {
                if (w.value == b) {
                    return std::string(w.text);
                }
            }
            return "unknown (" + std::to_string(b) + ")";
    }
    return {};
}

std::string allowedValues(const NamedSetting& s) {
    if (s.kind == K::Number || s.kind == K::Signed) {
        return std::to_string(s.low) + " to " + std::to_string(s.high);
    }
    std::string out;
    for (const Word& w : s.words) {
        out += (out.empty() ? "" : ", ") + std::string(w.text);
    }
    return out;
}

SetValue settingValueFor(const NamedSetting& s, std::string_view text,
                         std::span<const std::uint8_t> epState) {
    SetValue result;
    if (s.reg == 0) {
        result.refusal = std::string(s.name) + " is set at the box, with its slide switch";
        return result;
    }
    const auto refuse = [&] {
        result.refusal = "\"" + std::string(text) + "\" is not a value of " + std::string(s.name) +
                         "; allowed: " + allowedValues(s);
        return result;
    };
    if (s.kind == K::Number || s.kind == K::Signed) {
        int v = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (error != std::errc() || end != text.data() + text.size() || v < s.low || v > s.high) {
            return refuse();
        }
        result.value = static_cast<std::uint8_t>(v & 0xFF);
        return result;
    }
    for (const Word& w : s.words) {
        if (w.text == text) {
            if (s.kind == K::Bit) {
                const std::uint8_t b = boxstatus::byteAt(epState, s.epByte);
                result.value = static_cast<std::uint8_t>(w.value != 0 ? (b | s.bit) : (b & ~s.bit));
            } else {
                result.value = w.value;
            }
            return result;
        }
    }
    return refuse();
}

}  // namespace config

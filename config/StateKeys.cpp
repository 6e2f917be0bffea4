#include "config/StateKeys.h"

#include "status/PageBytes.h"

#include <array>

namespace config {

namespace {

using namespace boxsettings;  // the words

using K = StateKind;

constexpr StateKey kKeys[] = {
    {"InputPort", 0, 25, K::Words, 0, kInputPortWords},
    {"AutoSw", 8, 26, K::OnOff},
    {"AutoSwPrio", 9, 27, K::TwoWords, 0, kPriorityWords},
    {"BaudRate", 42, 66, K::Words, 0, kBaudRateWords},
    {"EncLevel", 4, 30, K::Words, 0, kEncLevelWords},
    {"ScaleSlidePosition", 44, 0, K::Words, 0, kScaleWords},
    {"ScaleCustomModeSel", 2, 28, K::Words, 0, kScaleWords},
    {"EdidSlidePosition", 3, 0, K::Words, 0, kEdidSlideWords},
    {"EdidCustomModeSel", 10, 29, K::Words, 0, kEdidModeWords},
    {"EdidCustomTableTop", 12, 33, K::Decimal},
    {"EdidCustomTableBot", 13, 32, K::Decimal},
    {"EdidAlgo", 11, 31, K::Decimal},
    {"EdidAudio", 14, 34, K::Words, 0, kEdidAudioWords},
    {"EdidHdr", 18, 38, K::Words, 0, kEdidHdrWords, 0},
    {"EdidBt2020", 15, 35, K::OnOff},
    {"EdidYuvRemove", 16, 36, K::OnOff},
    {"Edid3dRemove", 17, 37, K::OnOff},
    {"EdidDvCopyMetadata", 19, 39, K::Bit, 0x01},
    {"EdidDvRemove", 19, 39, K::Bit, 0x02},
    {"EdidDvLimit300", 19, 39, K::Bit, 0x04},
    {"HdrCustom", 20, 40, K::OnOff},
    {"HdrDisable", 21, 41, K::OnOff},
    {"Hdr10OptionDisable", 51, 73, K::Bit, 0x02},
    {"HlgOptionDisable", 51, 73, K::Bit, 0x01},
    {"AviCustom", 22, 42, K::OnOff},
    {"AviDisable", 23, 43, K::OnOff},
    {"VsiCustom", 24, 44, K::OnOff},
    {"VsiDisable", 25, 45, K::OnOff},
    {"HtpcMode", 38, 58, K::OnOff},
    {"LogoLed", 30, 50, K::OnOff},
    {"MacroRep", 39, 59, K::OnOff},
    {"Cec", 36, 56, K::OnOff},
    {"CecLa", 37, 57, K::TwoWords, 0, kCecLaWords},
    {"CecArcHbr", 43, 67, K::OnOff},
    {"MuteBotAudio", 50, 72, K::OnOff},
};

}  // namespace

std::span<const StateKey> stateKeys() {
    return kKeys;
}

const StateKey* findStateKey(std::string_view key) {
    for (const StateKey& k : kKeys) {
        if (k.key == key) {
            return &k;
        }
    }
    return nullptr;
}

std::optional<std::string> stateValueText(const StateKey& key,
                                          std::span<const std::uint8_t> epState) {
    const std::uint8_t b = boxstatus::byteAt(epState, key.epByte);
    switch (key.kind) {
        case StateKind::OnOff:
            return std::string(b != 0 ? "on" : "off");
        case StateKind::Bit:
            return std::string((b & key.bit) != 0 ? "on" : "off");
        case StateKind::TwoWords:
            return std::string(key.words[b != 0 ? 0 : 1].text);
        case StateKind::Decimal:
            return std::to_string(b);
        case StateKind::Words:
            for (const Word& w : key.words) {
                if (w.value == b) {
                    return std::string(w.text);
                }
            }
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> stateValueFor(const StateKey& key, std::string_view text,
                                          std::span<const std::uint8_t> epState) {
    switch (key.kind) {
        case StateKind::OnOff:
            return static_cast<std::uint8_t>(text == "on" ? 1 : 0);
        case StateKind::Bit: {
            const std::uint8_t b = boxstatus::byteAt(epState, key.epByte);
            return static_cast<std::uint8_t>(text == "on" ? (b | key.bit) : (b & ~key.bit));
        }
        case StateKind::TwoWords:
            return text == key.words[0].text ? key.words[0].value : key.words[1].value;
        case StateKind::Decimal:
            break;  // numbers are read by the key's own rule
        case StateKind::Words:
            for (const Word& w : key.words) {
                if (w.text == text) {
                    return w.value;
                }
            }
            return key.otherWord;
    }
    return std::nullopt;
}

}  // namespace config

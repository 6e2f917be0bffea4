#include "config/StateKeys.h"

#include "protocol/Protocol.h"
#include "settings/RegisterMap.h"
#include "status/PageBytes.h"

#include <array>

namespace config {

namespace {

using namespace boxsettings;  // the words

using K = StateKind;

// A key of a register: S[n] is the byte in which the register map keeps it.
StateKey key(std::string_view name, std::uint8_t reg, StateKind kind, std::uint8_t bit = 0,
             std::span<const Word> words = {}, std::optional<std::uint8_t> otherWord = {}) {
    return {name, *boxsettings::registerByte(reg), reg, kind, bit, words, otherWord};
}

// A slide switch's position: the box's own, not written by an import.
StateKey slideKey(std::string_view name, std::size_t epByte, std::span<const Word> words) {
    return {name, static_cast<std::uint8_t>(epByte), 0, StateKind::Words, 0, words};
}

const StateKey kKeys[] = {
    key("InputPort", 25, K::Words, 0, kInputPortWords),
    key("AutoSw", 26, K::OnOff),
    key("AutoSwPrio", 27, K::TwoWords, 0, kPriorityWords),
    key("BaudRate", 66, K::Words, 0, kBaudRateWords),
    key("EncLevel", 30, K::Words, 0, kEncLevelWords),
    slideKey("ScaleSlidePosition", boxlink::kEpScaleSwitch, kScaleWords),
    key("ScaleCustomModeSel", 28, K::Words, 0, kScaleWords),
    slideKey("EdidSlidePosition", boxlink::kEpEdidSwitch, kEdidSlideWords),
    key("EdidCustomModeSel", 29, K::Words, 0, kEdidModeWords),
    key("EdidCustomTableTop", 33, K::Decimal),
    key("EdidCustomTableBot", 32, K::Decimal),
    key("EdidAlgo", 31, K::Decimal),
    key("EdidAudio", 34, K::Words, 0, kEdidAudioWords),
    key("EdidHdr", 38, K::Words, 0, kEdidHdrWords, 0),
    key("EdidBt2020", 35, K::OnOff),
    key("EdidYuvRemove", 36, K::OnOff),
    key("Edid3dRemove", 37, K::OnOff),
    key("EdidDvCopyMetadata", 39, K::Bit, 0x01),
    key("EdidDvRemove", 39, K::Bit, 0x02),
    key("EdidDvLimit300", 39, K::Bit, 0x04),
    key("HdrCustom", 40, K::OnOff),
    key("HdrDisable", 41, K::OnOff),
    key("Hdr10OptionDisable", 73, K::Bit, 0x02),
    key("HlgOptionDisable", 73, K::Bit, 0x01),
    key("AviCustom", 42, K::OnOff),
    key("AviDisable", 43, K::OnOff),
    key("VsiCustom", 44, K::OnOff),
    key("VsiDisable", 45, K::OnOff),
    key("HtpcMode", 58, K::OnOff),
    key("LogoLed", 50, K::OnOff),
    key("MacroRep", 59, K::OnOff),
    key("Cec", 56, K::OnOff),
    key("CecLa", 57, K::TwoWords, 0, kCecLaWords),
    key("CecArcHbr", 67, K::OnOff),
    key("MuteBotAudio", 72, K::OnOff),
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

// Every setting of the box's register map by a stable name: the
// configuration file's key and vocabulary where the file has one. The command
// line's get and set use it: get reads the value from the box's EP state, set
// writes one register.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/StateKeys.h"

namespace config {

struct NamedSetting {
    enum class Kind : std::uint8_t {
        Words,   // one of the words
        OnOff,   // "on" or "off"
        Bit,     // "on" or "off" for one bit of the byte
        Number,  // a whole number in [low, high]
        Signed,  // the byte as a signed number in [low, high], e.g. dB
    };
    std::string_view name;
    std::uint8_t reg;     // register that set writes; 0: the box's own (slide switch)
    std::uint8_t epByte;  // S[n] that get reads
    Kind kind;
    std::uint8_t bit = 0;  // Bit
    std::span<const Word> words{};
    int low = 0;
    int high = 0;
    std::string_view about;  // one line for the help
};

// In the configuration file's order, then the settings the file has no key for.
std::span<const NamedSetting> namedSettings();
// By name; upper and lower case are the same. nullptr when there is none.
const NamedSetting* findSetting(std::string_view name);

// The value as get shows it; a byte outside the vocabulary shows as
// "unknown (N)".
std::string settingValue(const NamedSetting& setting, std::span<const std::uint8_t> epState);

// What set sends for a value: the register value, or why the value is refused
// (with the allowed values).
struct SetValue {
    std::uint8_t value = 0;
    std::string refusal;  // empty when the value is accepted

    bool ok() const { return refusal.empty(); }
};
SetValue settingValueFor(const NamedSetting& setting, std::string_view text,
                         std::span<const std::uint8_t> epState);

// "on, off", "bot, top, thru, swap", "-102 to 12", ...
std::string allowedValues(const NamedSetting& setting);

}  // namespace config

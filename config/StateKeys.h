// The configuration file's keys whose value is a setting that the box keeps
// in its EP state: the byte (or bit) that holds it, the words of the file's
// vocabulary and the register that the import writes. The export, the import
// and the command line's get and set share this table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/Words.h"

namespace config {

using boxsettings::Word;

enum class StateKind : std::uint8_t {
    OnOff,     // "on" when the byte is non-zero; importing "on" writes 1, anything else 0
    Bit,       // "on" when the bit is set; importing sets or clears the bit
    Words,     // the word whose value equals the byte; no line for another byte
    TwoWords,  // words[0] when the byte is non-zero, else words[1]; importing words[0] writes
               // its value, anything else words[1]'s
    Decimal,   // the byte in decimal
};

struct StateKey {
    std::string_view key;
    std::uint8_t epByte;  // S[n]: the register map's byte of reg, or a slide switch's
    std::uint8_t reg;     // register the import writes; 0 for none
    StateKind kind;
    std::uint8_t bit = 0;  // Bit: the bit's mask
    std::span<const Word> words{};
    // Words: the value an unknown word is imported as; none ignores the line.
    std::optional<std::uint8_t> otherWord{};
};

// Every key of the table, in no particular order.
std::span<const StateKey> stateKeys();
const StateKey* findStateKey(std::string_view key);

// The file's value text of a key for the EP state, or nothing when the byte
// lies outside the key's vocabulary (the line is then left out).
std::optional<std::string> stateValueText(const StateKey& key,
                                          std::span<const std::uint8_t> epState);

// The value that importing `text` gives S[key.epByte] (the whole byte, bits
// of Bit keys merged into the current byte), or nothing when the text is
// outside the vocabulary and the line has no effect.
std::optional<std::uint8_t> stateValueFor(const StateKey& key, std::string_view text,
                                          std::span<const std::uint8_t> epState);

using boxsettings::kBaudRateWords;   // "9600" 0 ... "115200" 3
using boxsettings::kInputPortWords;  // "bot" 1 ... "swap" 4
using boxsettings::kOnOffWords;

}  // namespace config

// Byte lists as users type them: two-digit hexadecimal values separated by
// single colons, upper or lower case, for example "5f:36" or "87:01:1a".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace packets {

using Bytes = std::vector<std::uint8_t>;

struct ParsedBytes {
    Bytes values;
    // What is wrong with the text, empty when it is a well-formed list.
    // On an error values is empty: nothing of a malformed list is sent.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Reads the list at the start of text (8-bit characters). Blanks and line
// breaks before the list are skipped; the list ends at the end of the text
// or at the first blank or line break, and whatever follows it is a comment
// (as in "21:89:01:49:50:36 [INPUT 1]"). Every value must be exactly two
// hexadecimal digits; anything else is refused with a description such as
// "value 3 is not two hexadecimal digits". Nothing outside text is read.
ParsedBytes parseByteList(std::string_view text);

// The values as two lower-case hexadecimal digits each, joined by ":".
std::string byteListText(std::span<const std::uint8_t> values);

}  // namespace packets

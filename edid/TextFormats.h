// An EDID as files and the command line bring it: raw bytes, our own text (16
// hexadecimal values to a line, as the reads write), the output of the field's
// decoder tool (its "edid-decode (hex):" section), the "EDID:" lines of
// `xrandr --verbose`, or one continuous string of hexadecimal digits. Lines may
// end in LF or CR LF. Pure C++; the input is never trusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace edid {

// The most an EDID can hold: the base block and 255 extensions.
inline constexpr std::size_t kMaxEdidBytes = 256 * 128;

enum class EdidFormat {
    Binary,      // raw bytes, the first 0x00 as in every EDID header
    OwnText,     // lines of two-digit hexadecimal values
    DecodeTool,  // a decoder's output with an "edid-decode (hex):" section
    Xrandr,      // `xrandr --verbose`: "EDID:" and lines of 32 hexadecimal digits
    HexString,   // one string of hexadecimal digits, nothing between them
};

// Which format bytes are in; only looks, never fails.
EdidFormat detectEdidFormat(std::span<const std::uint8_t> bytes);

struct EdidInput {
    EdidFormat format = EdidFormat::Binary;
    std::vector<std::uint8_t> bytes;  // whole 128-byte blocks when ok
    std::string error;                // what was expected where, when not ok
    bool ok() const { return error.empty(); }
};

// The EDID in bytes of any of the formats. Binary input shorter than a whole
// block count is filled up with 0x00 (as the box's tables are); text must
// hold whole 128-byte blocks. At most kMaxEdidBytes are taken from binary.
// Errors name the line: "line 3: expected 16 hex bytes, found 'Block'".
EdidInput readEdidInput(std::span<const std::uint8_t> bytes);
EdidInput readEdidInput(std::string_view text);

}  // namespace edid

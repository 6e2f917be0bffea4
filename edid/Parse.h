// The hexadecimal EDID text that the user edits, read back into an image:
// groups of two digits, each followed by a blank, a line feed or the end of
// the text, as the reads, the hex view and saved text files write them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "edid/Image.h"
#include "edid/TextFormats.h"

namespace edid {

// Only this many characters of a text take part; the rest is not read.
inline constexpr std::size_t kMaxTextChars = 1023;

enum class ParseError {
    None,
    BadSeparator,   // a group's third character is not a blank, a line feed or the end
    TooManyValues,  // a group beyond the image's 256 values
};

struct ParseResult {
    int count = 0;  // values stored, -1 on an error
    ParseError error = ParseError::None;
    // Where the group at fault starts: offset, 1-based line and column.
    std::size_t position = 0;
    int line = 0;
    int column = 0;

    bool ok() const { return error == ParseError::None; }
};

// Reads the groups of text into image from byte 0 on; image bytes after the
// last value are 0. The text is taken in upper case and ends at its first NUL
// or after kMaxTextChars characters; a single character left after the last
// group is taken as the end. A digit character stands for its code minus 48
// up to '9', else for its code minus 55 ('A' to 'F' give 10 to 15); no other
// check is made on digits, and a value is taken modulo 256.
ParseResult parseEdidText(std::string_view text, EdidImage& image);

// The same groups without the editor's limits: the whole text, up to the
// kMaxEdidBytes of an EDID with every extension. For an EDID longer than a
// box's table, which the editor shows and decodes but does not upload.
ParseResult parseEdidBytes(std::string_view text, std::vector<std::uint8_t>& bytes);

// What went wrong, for a message: "hex format error at line 3, column 7".
std::string describeParseError(const ParseResult& result);

}  // namespace edid

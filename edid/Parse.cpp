#include "edid/Parse.h"

#include <algorithm>

namespace edid {

namespace {

int digitValue(char c) {
    int code = static_cast<unsigned char>(c);
    if (code >= 'a' && code <= 'z') {
        code -= 'a' - 'A';
    }
    return code <= '9' ? code - 48 : code - 55;
}

ParseResult failure(ParseError error, std::string_view text, std::size_t position) {
    ParseResult result;
    result.count = -1;
    result.error = error;
    result.position = position;
    const std::string_view before = text.substr(0, position);
    result.line = static_cast<int>(std::count(before.begin(), before.end(), '\n')) + 1;
    const std::size_t lineStart = before.rfind('\n');
    result.column =
        static_cast<int>(lineStart == std::string_view::npos ? position + 1 : position - lineStart);
    return result;
}

}  // namespace

namespace {

// The groups of text, each value handed to store(index, value); at most
// maxValues of them.
template <class Store>
ParseResult parseGroups(std::string_view text, std::size_t maxValues, Store store) {
    text = text.substr(0, text.find('\0'));
    ParseResult result;
    for (std::size_t pos = 0; pos < text.size(); pos += 3) {
        const std::size_t left = text.size() - pos;
        if (left == 1) {
            break;  // a lone character after the last group ends the text
        }
        const char separator = left > 2 ? text[pos + 2] : '\0';
        if (separator != '\0' && separator != ' ' && separator != '\n') {
            return failure(ParseError::BadSeparator, text, pos);
        }
        if (static_cast<std::size_t>(result.count) == maxValues) {
            return failure(ParseError::TooManyValues, text, pos);
        }
        store(static_cast<std::size_t>(result.count),
              static_cast<std::uint8_t>(digitValue(text[pos]) * 16 + digitValue(text[pos + 1])));
        ++result.count;
    }
    return result;
}

}  // namespace

ParseResult parseEdidText(std::string_view text, EdidImage& image) {
    image.fill(0);
    text = text.substr(0, std::min(text.find('\0'), kMaxTextChars));
    return parseGroups(text, image.size(),
                       [&](std::size_t at, std::uint8_t value) { image[at] = value; });
}

ParseResult parseEdidBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const ParseResult result =
        parseGroups(text, kMaxEdidBytes, [&](std::size_t, std::uint8_t value) { bytes.push_back(value); });
    if (!result.ok()) {
        bytes.clear();
    }
    return result;
}

std::string describeParseError(const ParseResult& result) {
    const std::string where =
        " at line " + std::to_string(result.line) + ", column " + std::to_string(result.column);
    switch (result.error) {
        case ParseError::None:
            return {};
        case ParseError::BadSeparator:
            return "hex format error" + where;
        case ParseError::TooManyValues:
            return "more than 256 values, the first extra one" + where;
    }
    return {};
}

}  // namespace edid

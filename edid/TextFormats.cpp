#include "edid/TextFormats.h"

#include <algorithm>
#include <optional>

namespace edid {

namespace {

constexpr std::size_t kBlock = 128;
constexpr std::size_t kValuesPerLine = 16;
constexpr std::size_t kXrandrDigits = 32;
constexpr std::string_view kDecodeToolHeading = "edid-decode (hex):";
constexpr std::string_view kXrandrHeading = "EDID:";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool allHex(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), isHexDigit);
}

// Lines without their LF or CR LF ends.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && isBlank(line[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && !isBlank(line[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

// A piece of the input as a message quotes it: short and printable.
std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 24;
    std::string out = "'";
    for (const char c : text.substr(0, kShown)) {
        out += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    if (text.size() > kShown) {
        out += "...";
    }
    return out + "'";
}

std::string atLine(std::size_t index, const std::string& what) {
    return "line " + std::to_string(index + 1) + ": " + what;
}

std::optional<std::size_t> findLine(const std::vector<std::string_view>& lines,
                                    std::string_view heading) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (trimmed(lines[i]) == heading) {
            return i;
        }
    }
    return std::nullopt;
}

void appendHex(std::vector<std::uint8_t>& bytes, std::string_view digits) {
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1])));
    }
}

// One line of two-digit values; exactly16 asks for a whole line of 16.
std::string readValueLine(std::string_view line, std::size_t index, bool exactly16,
                          std::vector<std::uint8_t>& bytes) {
    const std::vector<std::string_view> words = wordsOf(line);
    for (const std::string_view word : words) {
        if (word.size() != 2 || !allHex(word)) {
            return atLine(index, "expected 16 hex bytes, found " + quoted(word));
        }
    }
    if (exactly16 && words.size() != kValuesPerLine) {
        return atLine(index, "expected 16 hex bytes, found " + std::to_string(words.size()));
    }
    for (const std::string_view word : words) {
        appendHex(bytes, word);
    }
    return {};
}

std::string readOwnText(const std::vector<std::string_view>& lines,
                        std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (std::string error = readValueLine(lines[i], i, false, bytes); !error.empty()) {
            return error;
        }
    }
    return {};
}

// The hex section: lines of 16 values, blank lines between the blocks, up to
// the line of dashes that ends it (or the end of the text).
std::string readDecodeTool(const std::vector<std::string_view>& lines, std::size_t heading,
                           std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = heading + 1; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (line.empty()) {
            continue;
        }
        if (line.find_first_not_of('-') == std::string_view::npos) {
            break;
        }
        if (std::string error = readValueLine(line, i, true, bytes); !error.empty()) {
            return error;
        }
    }
    if (bytes.empty()) {
        return atLine(heading, "expected lines of 16 hex bytes after " +
                                   std::string(kDecodeToolHeading) + ", found none");
    }
    return {};
}

// The lines of 32 digits after "EDID:", up to the first line of anything else.
std::string readXrandr(const std::vector<std::string_view>& lines, std::size_t heading,
                       std::vector<std::uint8_t>& bytes) {
    std::size_t i = heading + 1;
    for (; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (!allHex(line)) {
            break;
        }
        if (line.size() != kXrandrDigits) {
            return atLine(i, "expected 32 hex digits, found " + std::to_string(line.size()));
        }
        appendHex(bytes, line);
    }
    if (bytes.empty()) {
        return atLine(std::min(i, lines.size() - 1),
                      "expected 32 hex digits after EDID:, found " +
                          (i < lines.size() ? quoted(trimmed(lines[i])) : std::string("the end")));
    }
    return {};
}

std::string readHexString(const std::vector<std::string_view>& lines,
                          std::vector<std::uint8_t>& bytes) {
    std::size_t index = 0;
    while (index < lines.size() && trimmed(lines[index]).empty()) {
        ++index;
    }
    const std::string_view digits = trimmed(lines[index]);
    const auto bad = std::find_if_not(digits.begin(), digits.end(), isHexDigit);
    if (bad != digits.end()) {
        const auto before = static_cast<std::size_t>(bad - digits.begin());
        return atLine(index, "expected hex digits, found " + quoted(std::string_view(&*bad, 1)) +
                                 " after " + std::to_string(before));
    }
    if (digits.size() % 2 != 0) {
        return atLine(index, "expected an even count of hex digits, found " +
                                 std::to_string(digits.size()));
    }
    appendHex(bytes, digits);
    return {};
}

std::string checkBlocks(std::size_t size) {
    if (size < kBlock) {
        return "expected at least 128 bytes (one EDID block), found " + std::to_string(size);
    }
    if (size % kBlock != 0) {
        return "expected whole blocks of 128 bytes, found " + std::to_string(size) + " bytes";
    }
    if (size > kMaxEdidBytes) {
        return "expected at most 256 blocks of 128 bytes, found " + std::to_string(size / kBlock);
    }
    return {};
}

EdidFormat detectText(const std::vector<std::string_view>& lines) {
    if (findLine(lines, kDecodeToolHeading)) {
        return EdidFormat::DecodeTool;
    }
    if (findLine(lines, kXrandrHeading)) {
        return EdidFormat::Xrandr;
    }
    std::size_t words = 0;
    for (const std::string_view line : lines) {
        words += wordsOf(line).size();
        if (words > 1) {
            return EdidFormat::OwnText;
        }
    }
    return words == 1 ? EdidFormat::HexString : EdidFormat::OwnText;
}

}  // namespace

EdidFormat detectEdidFormat(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes[0] == 0x00) {
        return EdidFormat::Binary;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return detectText(splitLines(text));
}

EdidInput readEdidInput(std::string_view text) {
    EdidInput input;
    const std::vector<std::string_view> lines = splitLines(text);
    input.format = detectText(lines);
    switch (input.format) {
        case EdidFormat::DecodeTool:
            input.error = readDecodeTool(lines, *findLine(lines, kDecodeToolHeading), input.bytes);
            break;
        case EdidFormat::Xrandr:
            input.error = readXrandr(lines, *findLine(lines, kXrandrHeading), input.bytes);
            break;
        case EdidFormat::HexString:
            input.error = readHexString(lines, input.bytes);
            break;
        case EdidFormat::Binary:
        case EdidFormat::OwnText:
            input.format = EdidFormat::OwnText;
            input.error = readOwnText(lines, input.bytes);
            break;
    }
    if (input.ok()) {
        input.error = checkBlocks(input.bytes.size());
    }
    if (!input.ok()) {
        input.bytes.clear();
    }
    return input;
}

EdidInput readEdidInput(std::span<const std::uint8_t> bytes) {
    if (detectEdidFormat(bytes) != EdidFormat::Binary) {
        return readEdidInput(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    EdidInput input;
    input.format = EdidFormat::Binary;
    const std::size_t taken = std::min(bytes.size(), kMaxEdidBytes);
    input.bytes.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    const std::size_t blocks = std::max<std::size_t>(1, (taken + kBlock - 1) / kBlock);
    input.bytes.resize(blocks * kBlock, 0x00);
    return input;
}

}  // namespace edid

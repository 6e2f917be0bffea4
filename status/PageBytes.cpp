#include "status/PageBytes.h"

#include <algorithm>
#include <cstdio>

namespace boxstatus {

std::uint8_t byteAt(Bytes page, std::size_t offset) {
    return offset < page.size() ? page[offset] : 0;
}

std::uint16_t wordLe(Bytes page, std::size_t offset) {
    return static_cast<std::uint16_t>(byteAt(page, offset) | (byteAt(page, offset + 1) << 8));
}

std::uint16_t wordBe(Bytes page, std::size_t offset) {
    return static_cast<std::uint16_t>(byteAt(page, offset) << 8 | byteAt(page, offset + 1));
}

std::string textAt(Bytes page, std::size_t offset, std::size_t maxLength) {
    std::string text;
    for (std::size_t i = offset; i < page.size() && text.size() < maxLength && page[i] != 0; ++i) {
        text.push_back(static_cast<char>(page[i]));
    }
    return text;
}

Bytes slice(Bytes page, std::size_t start, std::size_t count) {
    if (start >= page.size()) {
        return {};
    }
    return page.subspan(start, std::min(count, page.size() - start));
}

std::string hexBytes(Bytes bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        if (!text.empty()) {
            text.push_back(':');
        }
        text += digits;
    }
    return text;
}

std::string infoframeDump(Bytes page, std::size_t start) {
    return hexBytes(slice(page, start, std::size_t{byteAt(page, start + 2)} + 4));
}

}  // namespace boxstatus

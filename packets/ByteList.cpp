#include "packets/ByteList.h"

#include "status/PageBytes.h"

namespace packets {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

ParsedBytes refused(std::string error) {
    return {{}, std::move(error)};
}

}  // namespace

ParsedBytes parseByteList(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) {
        ++at;
    }
    std::size_t end = at;
    while (end < text.size() && !isBlank(text[end])) {
        ++end;
    }
    const std::string_view list = text.substr(at, end - at);
    if (list.empty()) {
        return refused("no values entered");
    }

    ParsedBytes parsed;
    std::size_t start = 0;
    for (std::size_t number = 1;; ++number) {
        const std::size_t colon = list.find(':', start);
        const std::string_view value = list.substr(start, colon - start);
        if (value.empty() && colon == std::string_view::npos && number > 1) {
            return refused("the list ends with a colon");
        }
        if (value.size() != 2 || hexDigit(value[0]) < 0 || hexDigit(value[1]) < 0) {
            return refused("value " + std::to_string(number) + " is not two hexadecimal digits");
        }
        parsed.values.push_back(
            static_cast<std::uint8_t>(hexDigit(value[0]) * 16 + hexDigit(value[1])));
        if (colon == std::string_view::npos) {
            return parsed;
        }
        start = colon + 1;
    }
}

std::string byteListText(std::span<const std::uint8_t> values) {
    return boxstatus::hexBytes(values);
}

}  // namespace packets

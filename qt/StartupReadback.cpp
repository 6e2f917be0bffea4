#include "StartupReadback.h"

#include <algorithm>

namespace gui::readback {

bool bitAt(Page page, std::size_t offset, int bit) {
    return ((byteAt(page, offset) >> bit) & 1) != 0;
}

std::uint16_t wordBe(Page page, std::size_t offset) {
    return static_cast<std::uint16_t>(byteAt(page, offset) << 8 | byteAt(page, offset + 1));
}

std::string firmwareVersion(Page page0) {
    if (byteAt(page0, 2) != 'F' || byteAt(page0, 3) != 'W') {
        return {};
    }
    return textAt(page0, 2);
}

int colourSpaceIndex(std::uint8_t code) {
    switch (code) {
        case 2:
            return 1;
        case 6:
            return 2;
        case 18:
            return 3;
        case 24:
            return 4;
        case 9:
            return 5;
        case 15:
            return 6;
        case 27:
            return 7;
        case 33:
            return 8;
        default:
            return 0;
    }
}

int deepColourIndex(std::uint8_t code) {
    switch (code) {
        case 0:
        case 1:
        case 2:
            return 1;
        case 3:
            return 2;
        case 4:
            return 3;
        case 5:
            return 4;
        default:
            return 0;
    }
}

std::optional<std::string> storedInfoframe(Page page, std::uint8_t type, std::uint8_t version) {
    constexpr std::size_t kStart = 2;
    if (page.size() <= kStart + 1 || page[kStart] != type || page[kStart + 1] != version) {
        return std::nullopt;
    }
    return boxstatus::infoframeDump(page, kStart);
}

std::string osdCustomText(Page page12) {
    constexpr std::size_t kStart = 8;
    if (page12.size() <= kStart) {
        return {};
    }
    const std::size_t count = std::clamp<std::size_t>(byteAt(page12, 2), 1, page12.size() - kStart);
    std::string text;
    for (std::size_t i = kStart; i < kStart + count; ++i) {
        if (page12[i] != 0) {
            text.push_back(static_cast<char>(page12[i]));
        }
    }
    return text;
}

}  // namespace gui::readback

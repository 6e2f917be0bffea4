// The register pages that the start-up reads, and what their bytes mean for
// the widgets. Nothing here reads beyond a page: a page is exactly the bytes
// asked for, and a byte beyond it counts as 0.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "status/PageBytes.h"

namespace gui::readback {

using Page = boxstatus::Bytes;

struct PageRead {
    std::uint8_t page;
    std::uint8_t length;  // answer length asked for, the echo byte included
};

// The pages of the start-up, in the order they are read.
inline constexpr std::array<PageRead, 13> kStartupPageReads = {{
    {0, 27},
    {14, 33},
    {15, 19},
    {16, 33},
    {9, 18},
    {10, 18},
    {11, 30},
    {12, 64},
    {1, 64},
    {2, 64},
    {5, 64},
    {6, 64},
    {65, 41},
}};

// Bounded byte access, shared with the status poll: byteAt, wordLe (low byte
// first) and textAt (the zero-terminated text from an offset).
using boxstatus::byteAt;
using boxstatus::textAt;
using boxstatus::wordLe;
bool bitAt(Page page, std::size_t offset, int bit);
// 16-bit value, high byte first.
std::uint16_t wordBe(Page page, std::size_t offset);

// Page 0: the firmware version text when it begins with "FW", else empty.
std::string firmwareVersion(Page page0);

// Scaler pages 9 and 10: combo indices of the colour-space and deep-colour codes.
int colourSpaceIndex(std::uint8_t code);
int deepColourIndex(std::uint8_t code);

// Pages 14, 15, 16: the stored infoframe from byte 2 as lower-case hexadecimal
// bytes joined by ":" (type, version, length L, checksum and L payload bytes,
// cut at the page's end), when its type and version are the expected ones.
std::optional<std::string> storedInfoframe(Page page, std::uint8_t type, std::uint8_t version);

// Page 12: the OSD custom text, byte 2 characters from byte 8 on (at least
// one, at most to the page's end); zero bytes are left out.
std::string osdCustomText(Page page12);

}  // namespace gui::readback

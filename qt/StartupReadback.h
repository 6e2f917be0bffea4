// The register pages that the start-up reads, and what their bytes mean for
// the widgets. Nothing here reads beyond a page: a page is exactly the bytes
// asked for, and a byte beyond it counts as 0.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/PageReads.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"
#include "packets/Senders.h"
#include "status/PageBytes.h"

namespace gui::readback {

using Page = boxstatus::Bytes;

using boxlink::PageRead;

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
// first), wordBe (high byte first) and textAt (the zero-terminated text from
// an offset).
using boxstatus::byteAt;
using boxstatus::textAt;
using boxstatus::wordBe;
using boxstatus::wordLe;

// Page 0: the firmware version text when it begins with "FW", else empty.
std::string firmwareVersion(Page page0);

// The pages of the custom packets are read by packets/: the OSD pages 11
// and 12, the scaler pages 9 and 10 with their colour-space and deep-colour
// codes, the stored infoframes of pages 14, 15 and 16 and the macros of
// page 65.
using packets::colourSpaceIndex;
using packets::deepColourIndex;
using packets::osdCustomText;
using packets::storedInfoframe;

}  // namespace gui::readback

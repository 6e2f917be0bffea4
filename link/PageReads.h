// Register pages read one after another, each into a zeroed buffer of its
// own, as the status poll, the status command and the configuration export
// read them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/BoxCommands.h"

namespace boxlink {

struct PageRead {
    std::uint8_t page;
    std::uint8_t length;  // answer length asked for, the echo byte included
};

inline constexpr auto kPageNumbers = static_cast<std::size_t>(kPageCount);  // pages 0..23
using PageSpans = std::array<std::span<const std::uint8_t>, kPageNumbers>;

struct PageReads {
    std::array<Answer, kPageNumbers> buffers{};
    // The answer length of each page read, 0 for a page not read or whose read
    // failed (its buffer is then all zeros).
    std::array<std::uint8_t, kPageNumbers> lengths{};
    bool lastRead = false;  // whether the last read of the run succeeded

    // The pages as read, by page number; a page of no bytes where lengths is 0.
    PageSpans pages() const;
};

// Reads the pages in order, within one SilenceGuard: once the box has gone
// silent the rest fail at once. Page numbers of 24 and above are not read.
PageReads readPages(BoxCommands& commands, std::span<const PageRead> reads);

}  // namespace boxlink

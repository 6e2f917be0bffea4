// Register pages read one after another, each into a zeroed buffer of its
// own, as the start-up, the status poll, the status command and the
// configuration export read them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "link/BoxCommands.h"

namespace boxlink {

struct PageRead {
    std::uint8_t page;
    std::uint8_t length;  // answer length asked for, the echo byte included
};

inline constexpr auto kPageNumbers = static_cast<std::size_t>(kPageCount);  // pages 0..23
using PageSpans = std::array<std::span<const std::uint8_t>, kPageNumbers>;

struct PageReads {
    struct Read {
        PageRead read;
        Answer buffer{};  // all zeros when the read failed
        // The answer length, 0 when the read failed.
        std::uint8_t length = 0;
    };
    std::vector<Read> reads;  // in the order they were made
    bool lastRead = false;    // whether the last read of the run succeeded

    // The bytes of the last read of a page; none when the page was not read
    // or its read failed.
    std::span<const std::uint8_t> page(std::uint8_t number) const;
    // Pages 0..23 by page number; a page of no bytes where none was read.
    PageSpans pages() const;
};

// Reads the pages in order, any page number, within one SilenceGuard: once
// the box has gone silent the rest fail at once. failed, when set, is called
// right after a read fails, with its page number, while the link still tells
// why.
PageReads readPages(BoxCommands& commands, std::span<const PageRead> reads,
                    const std::function<void(std::uint8_t page)>& failed = {});

}  // namespace boxlink

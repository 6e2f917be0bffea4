#include "link/PageReads.h"

namespace boxlink {

PageSpans PageReads::pages() const {
    PageSpans out{};
    for (std::size_t n = 0; n < kPageNumbers; ++n) {
        out[n] = std::span<const std::uint8_t>(buffers[n].data(), lengths[n]);
    }
    return out;
}

PageReads readPages(BoxCommands& commands, std::span<const PageRead> reads) {
    PageReads result;
    const UsbLink::SilenceGuard guard(commands.link());
    for (const PageRead& read : reads) {
        if (read.page >= kPageNumbers) {
            continue;
        }
        Answer& buffer = result.buffers[read.page];
        result.lastRead = commands.readRegisterPage(read.page, buffer, read.length);
        // A failed read leaves no part of an answer behind: the page is empty.
        result.lengths[read.page] = result.lastRead ? read.length : 0;
        if (!result.lastRead) {
            buffer.fill(0);
        }
    }
    return result;
}

}  // namespace boxlink

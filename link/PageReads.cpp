#include "link/PageReads.h"

namespace boxlink {

std::span<const std::uint8_t> PageReads::page(std::uint8_t number) const {
    for (auto r = reads.rbegin(); r != reads.rend(); ++r) {
        if (r->read.page == number) {
            return std::span<const std::uint8_t>(r->buffer.data(), r->length);
        }
    }
    return {};
}

PageSpans PageReads::pages() const {
    PageSpans out{};
    for (const Read& r : reads) {
        if (r.read.page < kPageNumbers) {
            out[r.read.page] = std::span<const std::uint8_t>(r.buffer.data(), r.length);
        }
    }
    return out;
}

PageReads readPages(BoxCommands& commands, std::span<const PageRead> reads,
                    const std::function<void(std::uint8_t page)>& failed) {
    PageReads result;
    result.reads.resize(reads.size());
    const UsbLink::SilenceGuard guard(commands.link());
    for (std::size_t i = 0; i < reads.size(); ++i) {
        PageReads::Read& r = result.reads[i];
        r.read = reads[i];
        result.lastRead = commands.readRegisterPage(r.read.page, r.buffer, r.read.length);
        // A failed read leaves no part of an answer behind: the page is empty.
        if (result.lastRead) {
            r.length = r.read.length;
        } else {
            r.buffer.fill(0);
            if (failed) {
                failed(r.read.page);
            }
        }
    }
    return result;
}

}  // namespace boxlink

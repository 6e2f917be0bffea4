// The editable EDID model on any bytes. The first 256 bytes (or all of a
// shorter input) are the EDID: a refused size is refused with a reason, and
// an accepted EDID encodes back to itself with its checksums made, so that
// it decodes to the same text. Bytes after the 256th are a script of edits
// (an edit number and its argument): after each, the extension's bytes stay
// within its 123, a refused edit leaves the bytes as they were, and the
// result parses back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "edid/Decode.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "edid/Timings.h"

namespace {

void check(bool rule) {
    if (!rule) {
        std::abort();
    }
}

void fixChecksums(std::vector<std::uint8_t>& bytes) {
    for (std::size_t block = 0; block + 128 <= bytes.size(); block += 128) {
        unsigned sum = 0;
        for (std::size_t i = block; i < block + 127; ++i) {
            sum += bytes[i];
        }
        bytes[block + 127] = std::uint8_t((256 - sum % 256) % 256);
    }
}

edid::EditResult applyEdit(edid::EdidModel& m, std::uint8_t op, std::uint8_t arg) {
    const auto formats = edid::audioFormatNames();
    const auto fields = edid::blockFields();
    switch (op % 20) {
        case 0: return edid::addVic(m, arg, arg % 5 == 0 ? 0 : -1);
        case 1: return edid::removeVic(m, arg);
        case 2: return edid::moveVic(m, arg, arg % 7);
        case 3: return edid::setNativeVic(m, arg % 70);
        case 4: return edid::setYcbcr420Capable(m, arg, arg % 2 == 0);
        case 5: return edid::addVic(m, arg, -1, edid::VicList::Ycbcr420Only);
        case 6: return edid::removeDetailedTiming(m, arg % 6);
        case 7: return edid::moveDetailedTiming(m, arg % 4, arg / 64);
        case 8: {
            const auto t = edid::vicTiming(arg);
            return t.timing ? edid::addDetailedTiming(m, *t.timing, arg % 3 - 1)
                            : edid::EditResult{t.error, {}};
        }
        case 9: {
            const auto t = edid::cvtTiming(640 + arg * 8, 480 + arg * 4, 50 + arg % 100,
                                           edid::CvtBlanking(arg % 3));
            return t.timing ? edid::addDetailedTiming(m, *t.timing) : edid::EditResult{t.error, {}};
        }
        case 10:
            return edid::addAudio(m, edid::audioDescriptor(formats[arg % formats.size()], arg % 9,
                                                           arg, std::uint8_t(arg * 7)));
        case 11: return edid::removeAudio(m, formats[arg % formats.size()]);
        case 12: return edid::removeBlockAt(m, arg % 12);
        case 13: return edid::removeBlocks(m, {edid::blockKindNames()[arg % edid::blockKindNames().size()].kind, 0});
        case 14: return edid::setBlockField(m, fields[arg % fields.size()], arg * 5);
        case 15: return edid::capMaxTmds(m, 25 + arg * 4);
        case 16: return arg % 2 ? edid::setHdmiLatency(m, arg % 100 * 2, 10)
                                : edid::setHdmiLatency(m, std::nullopt, std::nullopt);
        case 17: return edid::setName(m, std::string(arg % 15, char('A' + arg % 26)));
        case 18: return edid::addStandardTiming(m, 256 + arg * 8, (256 + arg * 8) * 9 / 16, 60 + arg % 64);
        default: return edid::moveBlock(m, arg % 8, arg / 32);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t edidSize = size < 256 ? size : 256;
    std::vector<std::uint8_t> bytes(data, data + edidSize);
    auto parsed = edid::parseModel(bytes);
    if (!parsed.model) {
        check(!parsed.error.empty() && edidSize != 128 && edidSize != 256);
        return 0;
    }
    fixChecksums(bytes);
    std::vector<std::uint8_t> encoded = edid::encodeModel(*parsed.model);
    check(encoded == bytes);
    check(edid::describeEdid(encoded) == edid::describeEdid(bytes));

    edid::EdidModel& m = *parsed.model;
    for (std::size_t at = 256; at + 1 < size && at < 256 + 64; at += 2) {
        const edid::EditResult result = applyEdit(m, data[at], data[at + 1]);
        const std::vector<std::uint8_t> after = edid::encodeModel(m);
        if (!result.ok()) {
            check(after == encoded);
        }
        if (m.cta) {
            check(edid::ctaBytesUsed(*m.cta) <= edid::kCtaCapacity);
        }
        const auto again = edid::parseModel(after);
        check(again.model && edid::encodeModel(*again.model) == after);
        edid::decodeEdid(after);
        encoded = after;
    }
    return 0;
}

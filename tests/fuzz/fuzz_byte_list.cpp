// Byte lists typed by the user, through the parser, every sender, the RS-232
// request and the HDR preview. Besides the sanitizers' findings it stops on
// a result that breaks the rules: a refused text with values, an accepted
// one that does not read back the same, a request whose length bytes or
// counts disagree with its size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "packets/ByteList.h"
#include "packets/HdrComposer.h"
#include "packets/Rs232.h"
#include "packets/Senders.h"

namespace {

void check(bool rule) {
    if (!rule) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const packets::ParsedBytes parsed = packets::parseByteList(text);
    check(parsed.ok() != parsed.values.empty());
    if (parsed.ok()) {
        check(packets::parseByteList(packets::byteListText(parsed.values)).values == parsed.values);
    }

    for (const packets::Sender& sender : packets::senders()) {
        const packets::Request request = packets::prepareTagged(sender, text);
        check(request.ok() != request.bytes.empty());
        if (request.ok()) {
            const std::size_t d = request.bytes.size() - packets::kTaggedHeader;
            check(parsed.ok() && d == parsed.values.size());
            check(d >= sender.minValues() && d <= sender.maxValues());
            check(request.bytes[1] == d + 6 && request.bytes[2] == sender.command &&
                  request.bytes[8] == d);
        } else {
            check(request.refusal.starts_with(sender.refused));
        }
    }

    const packets::Request rs232 = packets::rs232Request(text);
    check(rs232.ok() != rs232.bytes.empty());
    if (rs232.ok()) {
        check(rs232.bytes.size() >= 5 && rs232.bytes.size() <= 20);
        check(rs232.bytes[1] == rs232.bytes.size() - 3 && rs232.bytes.back() == 0);
    }

    (void)packets::hdrTextPreview(text);
    return 0;
}

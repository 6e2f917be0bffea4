// The register pages of the custom packets as the box answers them: the
// scaler pages 9 and 10, the OSD pages 11 and 12, the stored infoframes of
// pages 14, 15 and 16 and the macros of page 65, cut from the input in the
// order the start-up reads them, each at most its read length. Stops when
// the settings read from a page do not make a request of the fixed size
// that reads back as the same settings, or a stored infoframe's text does
// not read back as the page's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "packets/ByteList.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"
#include "packets/Senders.h"
#include "tests/fuzz/FuzzInput.h"

using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput cut(data, size);
    for (const packets::Sender& sender : packets::senders()) {
        if (!sender.stored) {
            continue;
        }
        const boxstatus::Bytes page = cut.next(sender.stored->length);
        if (const auto text = packets::storedInfoframe(sender, page)) {
            const packets::ParsedBytes parsed = packets::parseByteList(*text);
            check(parsed.ok() && parsed.values.size() >= 2 &&
                  parsed.values.size() <= page.size() - 2);
            check(std::equal(parsed.values.begin(), parsed.values.end(), page.begin() + 2));
        }
    }
    for (int port = 0; port < 2; ++port) {
        const packets::ScalerPort settings = packets::scalerPortFromPage(port, cut.next(18));
        const auto request = packets::scalerRequest(port, settings);
        check(request && request->size() == packets::kScalerRequestSize);
        // The box keeps what it is sent; read back, it gives the same request.
        const packets::ScalerPort kept =
            packets::scalerPortFromPage(port, boxstatus::Bytes(*request).subspan(8));
        check(packets::scalerRequest(port, kept) == request);
    }
    const packets::OsdParams params = packets::osdParamsFromPage(cut.next(30));
    const packets::Bytes paramsRequest = packets::osdParamsRequest(params);
    check(paramsRequest.size() == packets::kOsdParamsRequestSize);
    check(packets::osdParamsFromPage(boxstatus::Bytes(paramsRequest).subspan(10)) == params);

    const packets::OsdText text = packets::osdTextFromPage(cut.next(64));
    const packets::Request textRequest = packets::osdTextRequest(text);
    check(textRequest.ok() == (!text.text.empty() && text.text.size() <= packets::kOsdTextMax));

    const packets::Macros macros = packets::macrosFromPage(cut.next(41));
    const packets::Bytes macroRequest = packets::macroRequest(macros);
    check(macroRequest.size() == packets::kMacroRequestSize);
    check(packets::macrosFromPage(boxstatus::Bytes(macroRequest).subspan(7)) == macros);
    return 0;
}

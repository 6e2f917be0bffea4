#include "packets/Rs232.h"

#include "protocol/Protocol.h"

namespace packets {

Request rs232Request(std::string_view text) {
    const std::string refused(kRs232Refused);
    if (text.size() > kRs232MaxChars) {
        return {{},
                refused + ": " + std::to_string(text.size()) + " characters, at most " +
                    std::to_string(kRs232MaxChars)};
    }
    const ParsedBytes parsed = parseByteList(text);
    if (!parsed.ok()) {
        return {{}, refused + ": " + parsed.error};
    }
    const auto d = static_cast<std::uint8_t>(parsed.values.size());
    Bytes r = {boxlink::REQ_WRITE, static_cast<std::uint8_t>(d + 1), boxlink::CMD_RS232};
    r.insert(r.end(), parsed.values.begin(), parsed.values.end());
    r.push_back(0x00);
    return {std::move(r), {}};
}

SendResult sendRs232(boxlink::UsbLink& link, std::string_view text) {
    const Request request = rs232Request(text);
    if (!request.ok()) {
        return refusal(request.refusal);
    }
    return sendRequest(link, request.bytes, kRs232Written, kNoticeMs, kRs232Failed);
}

}  // namespace packets

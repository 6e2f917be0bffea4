#include "packets/Exchange.h"

namespace packets {

bool exchange(boxlink::UsbLink& link, std::span<const std::uint8_t> request, std::uint8_t echo) {
    boxlink::Answer answer{};
    return link.transact(answer, request.data(), 2, static_cast<std::uint32_t>(request.size())) &&
           answer[0] == echo;
}

SendResult sendRequest(boxlink::UsbLink& link, const Bytes& request, std::string_view success,
                       int successMs, std::string_view failure) {
    SendResult result;
    if (request.size() > 2 && exchange(link, request, request[2])) {
        result.outcome = Outcome::Sent;
        result.message = success;
        result.timeoutMs = success.empty() ? 0 : successMs;
    } else {
        result.outcome = Outcome::Failed;
        result.message = failure;
        result.timeoutMs = kErrorMs;
    }
    return result;
}

SendResult refusal(std::string message) {
    SendResult result;
    result.outcome = Outcome::Refused;
    result.message = std::move(message);
    result.timeoutMs = kNoticeMs;
    return result;
}

}  // namespace packets

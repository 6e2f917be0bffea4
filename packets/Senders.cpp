#include "packets/Senders.h"

#include "protocol/Protocol.h"

namespace packets {

namespace {

using boxlink::CMD_AVI_INFOFRAME;
using boxlink::CMD_CEC_MESSAGE;
using boxlink::CMD_DV_BLOCK;
using boxlink::CMD_HDR_INFOFRAME;
using boxlink::CMD_VSI_INFOFRAME;

// The vendor-specific infoframe and the Dolby Vision block take as many
// values as an HDR infoframe, and say so.
constexpr Sender kSenders[] = {
    {SenderId::Hdr, "hdr", "sendHDR", "HDRCustomText", "hdrif", CMD_HDR_INFOFRAME, 5, 92,
     "Error: min 2, max 31 bytes", "Infoframe values written...", "Error Writing Infoframe values.",
     After::Always, 40, 20, StoredFrame{14, 33, 0x87, 0x01}},
    {SenderId::Avi, "avi", "sendAVI", "AVICustomText", "aviif", CMD_AVI_INFOFRAME, 5, 50,
     "Error: min 2, max 17 bytes", "AVI values written...", "Error Writing AVI command.",
     After::OnSuccess, 42, 22, StoredFrame{15, 19, 0x82, 0x02}},
    {SenderId::Vsi, "vsi", "sendVsi", "VSICustomText", "vsiif", CMD_VSI_INFOFRAME, 5, 92,
     "Error: min 2, max 31 bytes", "VSI values written...", "Error Writing VSI command.",
     After::OnSuccess, 44, 24, StoredFrame{16, 33, 0x81, 0x01}},
    {SenderId::DolbyVision, "dv", "setDvBlock", "txtDvBlock", "dviif", CMD_DV_BLOCK, 5, 92,
     "Error: min 2, max 31 bytes", "DV values written...", "Error Writing Dolby Vision block.",
     After::OnSuccess, 39, 19, std::nullopt},
    {SenderId::Cec, "cec", "WriteCEC", "CECtext", "cecif", CMD_CEC_MESSAGE, 5, 47,
     "Error: min 2, max 16 values", "CEC values written", "Error Writing CEC values.", After::Never,
     0, 0, std::nullopt},
};

constexpr std::size_t kMaxTaggedValues = 255 - 6;

std::string count(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

std::span<const Sender> senders() {
    return kSenders;
}

const Sender& sender(SenderId id) {
    return kSenders[static_cast<std::size_t>(id)];
}

const Sender* findSender(std::string_view name) {
    for (const Sender& s : kSenders) {
        if (s.name == name || s.slot == name) {
            return &s;
        }
    }
    return nullptr;
}

Bytes taggedRequest(const Sender& sender, std::span<const std::uint8_t> values) {
    if (values.empty() || values.size() > kMaxTaggedValues) {
        return {};
    }
    const auto d = static_cast<std::uint8_t>(values.size());
    Bytes request = {boxlink::REQ_WRITE, static_cast<std::uint8_t>(d + 6), sender.command};
    request.insert(request.end(), sender.tag.begin(), sender.tag.end());
    request.push_back(d);
    request.insert(request.end(), values.begin(), values.end());
    return request;
}

Request prepareTagged(const Sender& sender, std::string_view text) {
    const std::string refused(sender.refused);
    if (text.size() < sender.minChars) {
        return {{},
                refused + ": " + count(text.size(), "character") + ", at least " +
                    std::to_string(sender.minChars)};
    }
    if (text.size() > sender.maxChars) {
        return {{},
                refused + ": " + count(text.size(), "character") + ", at most " +
                    std::to_string(sender.maxChars)};
    }
    const ParsedBytes parsed = parseByteList(text);
    if (!parsed.ok()) {
        return {{}, refused + ": " + parsed.error};
    }
    // A list followed by a comment can hold fewer values than its length says.
    if (parsed.values.size() < sender.minValues()) {
        return {{},
                refused + ": " + count(parsed.values.size(), "value") + ", at least " +
                    std::to_string(sender.minValues())};
    }
    return {taggedRequest(sender, parsed.values), {}};
}

std::optional<boxsettings::RegisterWrite> writeAfter(const Sender& sender, Outcome outcome) {
    const bool write = (sender.after == After::Always && outcome != Outcome::Refused) ||
                       (sender.after == After::OnSuccess && outcome == Outcome::Sent);
    if (!write) {
        return std::nullopt;
    }
    return boxsettings::RegisterWrite{sender.reg, 1, sender.epByte};
}

SendResult sendTagged(boxlink::UsbLink& link, const Sender& sender, std::string_view text) {
    const Request request = prepareTagged(sender, text);
    if (!request.ok()) {
        return refusal(request.refusal);
    }
    SendResult result = sendRequest(link, request.bytes, sender.success, kNoticeMs, sender.failure);
    result.registerWrite = writeAfter(sender, result.outcome);
    return result;
}

std::optional<std::string> storedInfoframe(boxstatus::Bytes page, std::uint8_t type,
                                           std::uint8_t version) {
    constexpr std::size_t kStart = 2;
    if (page.size() <= kStart + 1 || page[kStart] != type || page[kStart + 1] != version) {
        return std::nullopt;
    }
    return boxstatus::infoframeDump(page, kStart);
}

std::optional<std::string> storedInfoframe(const Sender& sender, boxstatus::Bytes page) {
    if (!sender.stored) {
        return std::nullopt;
    }
    return storedInfoframe(page, sender.stored->type, sender.stored->version);
}

}  // namespace packets

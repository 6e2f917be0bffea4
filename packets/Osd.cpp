#include "packets/Osd.h"

#include <algorithm>

#include "protocol/Protocol.h"

namespace packets {

namespace {

using boxstatus::byteAt;
using boxstatus::wordBe;

void putWordBe(Bytes& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void putTag(Bytes& bytes, std::string_view tag) {
    bytes.insert(bytes.end(), tag.begin(), tag.end());
}

constexpr std::uint8_t flag(bool on) {
    return on ? 1 : 0;
}

}  // namespace

Bytes osdParamsRequest(const OsdParams& p) {
    Bytes r = {boxlink::REQ_WRITE, 0x25, boxlink::CMD_OSD_PARAMS};
    putTag(r, "osdparam ");
    r.insert(r.end(), {flag(p.enabled), flag(p.mask), p.maskLevel, p.foreground, p.background,
                       p.backgroundLevel, p.contents, p.fade, p.maskGrey, flag(p.ignoreMetadata)});
    r.insert(r.end(), 6, 0);  // reserved
    for (const std::uint16_t word : {p.x, p.y, p.maskX0, p.maskY0, p.maskX1, p.maskY1}) {
        putWordBe(r, word);
    }
    return r;
}

OsdParams osdParamsFromPage(boxstatus::Bytes page) {
    OsdParams p;
    p.enabled = byteAt(page, 2) != 0;
    p.mask = byteAt(page, 3) != 0;
    p.maskLevel = byteAt(page, 4);
    p.foreground = byteAt(page, 5);
    p.background = byteAt(page, 6);
    p.backgroundLevel = byteAt(page, 7);
    p.contents = byteAt(page, 8);
    p.fade = byteAt(page, 9);
    p.maskGrey = byteAt(page, 10);
    p.ignoreMetadata = (byteAt(page, 11) & 1) != 0;
    p.x = wordBe(page, 18);
    p.y = wordBe(page, 20);
    p.maskX0 = wordBe(page, 22);
    p.maskY0 = wordBe(page, 24);
    p.maskX1 = wordBe(page, 26);
    p.maskY1 = wordBe(page, 28);
    return p;
}

Request osdTextRequest(const OsdText& t) {
    if (t.text.size() > kOsdTextMax) {
        return {{}, std::string(kOsdTextTooLong)};
    }
    if (t.text.empty()) {
        return {{}, std::string(kOsdTextEmpty)};
    }
    const auto n = static_cast<std::uint8_t>(t.text.size());
    Bytes r = {boxlink::REQ_WRITE, static_cast<std::uint8_t>(n + 14), boxlink::CMD_OSD_TEXT};
    putTag(r, "osdtext ");
    r.push_back(n);
    r.push_back(static_cast<std::uint8_t>(flag(t.shown) | flag(t.neverFade) << 1));
    putWordBe(r, t.x);
    putWordBe(r, t.y);
    r.insert(r.end(), t.text.begin(), t.text.end());
    return {std::move(r), {}};
}

std::string osdCustomText(boxstatus::Bytes page) {
    constexpr std::size_t kStart = 8;
    if (page.size() <= kStart) {
        return {};
    }
    const std::size_t count = std::clamp<std::size_t>(byteAt(page, 2), 1, page.size() - kStart);
    std::string text;
    for (std::size_t i = kStart; i < kStart + count; ++i) {
        if (page[i] != 0) {
            text.push_back(static_cast<char>(page[i]));
        }
    }
    return text;
}

OsdText osdTextFromPage(boxstatus::Bytes page) {
    OsdText t;
    t.shown = byteAt(page, 3) != 0;
    t.text = osdCustomText(page);
    return t;
}

SendResult sendOsdParams(boxlink::UsbLink& link, const OsdParams& params) {
    return sendRequest(link, osdParamsRequest(params), {}, 0, kOsdParamsFailed);
}

SendResult sendOsdText(boxlink::UsbLink& link, const OsdText& text) {
    const Request request = osdTextRequest(text);
    if (!request.ok()) {
        return refusal(request.refusal);
    }
    return sendRequest(link, request.bytes, {}, 0, kOsdTextFailed);
}

}  // namespace packets

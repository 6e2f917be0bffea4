#include "packets/Macros.h"

#include "protocol/Protocol.h"
#include "packets/HdrComposer.h"

namespace packets {

namespace {
using boxstatus::byteAt;
}  // namespace

std::uint16_t macroThreshold(std::uint8_t metadata, double shown) {
    if (metadata == kMinBrightness) {
        return tenThousandths(shown);
    }
    if (!(shown > 0.0)) {  // also NaN
        return 0;
    }
    return shown >= 65535.0 ? 65535 : static_cast<std::uint16_t>(shown);
}

double macroThresholdShown(std::uint8_t metadata, std::uint16_t threshold) {
    return metadata == kMinBrightness ? threshold * 0.0001 : threshold;
}

Bytes macroRequest(const Macros& m) {
    Bytes r = {boxlink::REQ_WRITE, 0x2D, boxlink::CMD_MACRO, 'm', 'a', 'c', 'r', 'o', ' '};
    r.push_back(static_cast<std::uint8_t>((m.enabled ? 1 : 0) | (m.everySync ? 2 : 0)));
    r.push_back(m.hdr10Mode);
    r.push_back(m.ruleEnables & 0x7F);
    for (const MacroRule& rule : m.rules) {
        r.push_back(rule.metadata);
        r.push_back(static_cast<std::uint8_t>(rule.threshold & 0xFF));
        r.push_back(static_cast<std::uint8_t>(rule.threshold >> 8));
        r.push_back(rule.mode);
    }
    r.push_back(m.elseMode);
    r.push_back(m.syncDelay);
    r.insert(r.end(), m.pictureModes.begin(), m.pictureModes.end());
    return r;
}

Macros macrosFromPage(boxstatus::Bytes page) {
    Macros m;
    m.enabled = (byteAt(page, 2) & 1) != 0;
    m.everySync = (byteAt(page, 2) & 2) != 0;
    m.hdr10Mode = byteAt(page, 3);
    m.ruleEnables = byteAt(page, 4) & 0x7F;
    for (std::size_t k = 0; k < kMacroRules; ++k) {
        MacroRule& rule = m.rules[k];
        rule.metadata = byteAt(page, 5 + 4 * k);
        rule.threshold = boxstatus::wordLe(page, 6 + 4 * k);
        rule.mode = byteAt(page, 8 + 4 * k);
    }
    m.elseMode = byteAt(page, 29);
    m.syncDelay = byteAt(page, 30);
    for (std::size_t i = 0; i < kPictureModeRows; ++i) {
        m.pictureModes[i] = byteAt(page, 31 + i);
    }
    return m;
}

SendResult sendMacros(boxlink::UsbLink& link, const Macros& macros) {
    return sendRequest(link, macroRequest(macros), kMacrosWritten, kErrorMs, kMacrosFailed);
}

}  // namespace packets

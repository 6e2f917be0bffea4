#include "packets/HdrComposer.h"

#include <cmath>
#include <string_view>

#include "packets/ByteList.h"
#include "status/Metadata.h"
#include "status/Printf.h"

namespace packets {

namespace {

constexpr std::uint8_t kType = 0x87;
constexpr std::uint8_t kVersion = 0x01;
constexpr std::uint8_t kLength = 26;

constexpr std::array<std::array<std::uint16_t, 8>, 3> kPrimaries = {{
    {15000, 30000, 7500, 3000, 32000, 16500, 15635, 16450},  // BT.709
    {8500, 39850, 6550, 2300, 35400, 14600, 15635, 16450},   // BT.2020
    {13250, 34500, 7500, 3000, 34000, 16000, 15635, 16450},  // DCI-P3
}};

void putWord(HdrInfoframe& frame, std::size_t at, std::uint16_t value) {
    frame[at] = static_cast<std::uint8_t>(value & 0xFF);
    frame[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The status monitor's labels in the order a reader wants them.
constexpr std::string_view kPreviewOrder[] = {
    "lblHdrEotf",    "lblPrimary0",        "lblPrimary1",    "lblPrimary2",
    "lblWhitePoint", "lblHdrMasterTarget", "lblMaxLum",      "lblMinLum",
    "lblMaxCll",     "lblMaxFall",         "lblHdrWpTarget",
};

}  // namespace

std::array<std::uint16_t, 8> hdrPrimaries(std::uint8_t index) {
    return index < kPrimaries.size() ? kPrimaries[index] : std::array<std::uint16_t, 8>{};
}

std::uint16_t tenThousandths(double value) {
    if (!(value > 0.0)) {  // also NaN
        return 0;
    }
    // The small addition absorbs the binary representation error of a
    // four-decimal value; it is far below 0.0001.
    const double units = std::trunc(value * 10000.0 + 1e-6);
    return units >= 65535.0 ? 65535 : static_cast<std::uint16_t>(units);
}

HdrInfoframe composeHdrInfoframe(const HdrInputs& inputs) {
    HdrInfoframe frame{};
    frame[0] = kType;
    frame[1] = kVersion;
    frame[2] = kLength;
    frame[4] = inputs.eotf;
    frame[5] = 0;  // static metadata descriptor ID
    const auto primaries = hdrPrimaries(inputs.primaries);
    for (std::size_t i = 0; i < primaries.size(); ++i) {
        putWord(frame, 6 + 2 * i, primaries[i]);
    }
    putWord(frame, 22, inputs.maxLuminance);
    putWord(frame, 24, tenThousandths(inputs.minLuminance));
    putWord(frame, 26, inputs.maxCll);
    putWord(frame, 28, inputs.maxFall);
    unsigned sum = 0;
    for (const std::uint8_t byte : frame) {
        sum += byte;
    }
    frame[3] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    return frame;
}

std::string hdrInfoframeText(const HdrInfoframe& frame) {
    return byteListText(frame);
}

std::vector<std::string> hdrInfoframePreview(std::span<const std::uint8_t> frame) {
    if (frame.size() < 2 || frame[0] != kType || frame[1] != kVersion) {
        return {"Not an HDR infoframe: it would begin with 87:01 (type 0x87, version 1)"};
    }
    // Laid out as the box's page of the captured infoframe: echo, one
    // unused byte, then the infoframe.
    Bytes page = {0, 0};
    page.insert(page.end(), frame.begin(), frame.end());
    const boxstatus::TextUpdates updates = boxstatus::decodeHdrInfoframe(page);

    std::vector<std::string> lines;
    for (const std::string_view label : kPreviewOrder) {
        for (const boxstatus::TextUpdate& update : updates) {
            if (update.widget == label && update.action == boxstatus::TextAction::Set) {
                lines.push_back(update.text);
            }
        }
    }
    const std::size_t expected = frame.size() > 2 ? std::size_t{frame[2]} + 4 : 4;
    if (frame.size() != expected) {
        lines.push_back(boxstatus::printfText(
            "Length: the header gives %zu bytes, the list holds %zu", expected, frame.size()));
    }
    unsigned sum = 0;
    for (const std::uint8_t byte : frame) {
        sum += byte;
    }
    if (frame.size() < 4) {
        lines.push_back("Checksum: missing");
    } else if (sum % 256 == 0) {
        lines.push_back("Checksum: correct");
    } else {
        lines.push_back(boxstatus::printfText("Checksum: wrong, 0x%02x would be correct",
                                              (frame[3] + 256 - sum % 256) % 256));
    }
    return lines;
}

std::vector<std::string> hdrTextPreview(std::string_view text) {
    const ParsedBytes parsed = parseByteList(text);
    if (!parsed.ok()) {
        if (parsed.values.empty() &&
            text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos) {
            return {};
        }
        return {"Not a byte list: " + parsed.error};
    }
    return hdrInfoframePreview(parsed.values);
}

}  // namespace packets

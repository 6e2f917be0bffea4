#include "packets/Scaler.h"

#include "protocol/Protocol.h"

namespace packets {

namespace {

// By combo box index: FOLLOW, RGB - FULL, RGB - 2020, 444 - 709, 444 - 2020,
// 422 - 709, 422 - 2020, 420 - 709, 420 - 2020.
constexpr std::array<std::uint8_t, 9> kColourSpaceCodes = {0x23, 0x02, 0x06, 0x12, 0x18,
                                                           0x09, 0x0F, 0x1B, 0x21};
// FOLLOW, 8-bit, 10-bit, 12-bit, 16-bit.
constexpr std::array<std::uint8_t, 5> kDeepColourCodes = {6, 1, 3, 4, 5};

template <std::size_t N>
std::uint8_t codeAt(const std::array<std::uint8_t, N>& codes, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < N
               ? codes[static_cast<std::size_t>(index)]
               : codes[0];
}

}  // namespace

bool hasResolutionChoice(int port, std::uint8_t format) {
    const bool is4k = format == k4k60 || format == k4k30;
    return port == 0 ? !is4k : is4k;
}

std::uint8_t colourSpaceCode(int index) {
    return codeAt(kColourSpaceCodes, index);
}

std::uint8_t deepColourCode(int index) {
    return codeAt(kDeepColourCodes, index);
}

int colourSpaceIndex(std::uint8_t code) {
    for (std::size_t i = 1; i < kColourSpaceCodes.size(); ++i) {
        if (kColourSpaceCodes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int deepColourIndex(std::uint8_t code) {
    if (code == 0 || code == 2) {
        return 1;
    }
    for (std::size_t i = 1; i < kDeepColourCodes.size(); ++i) {
        if (kDeepColourCodes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::optional<Bytes> scalerRequest(int port, const ScalerPort& settings) {
    if (port != 0 && port != 1) {
        return std::nullopt;
    }
    Bytes r = {boxlink::REQ_WRITE,
               0x17,
               boxlink::CMD_SCALE_PARAMS,
               'p',
               'a',
               'r',
               'a',
               'm',
               ' ',
               static_cast<std::uint8_t>('0' + port)};
    for (std::uint8_t format = 0; format < kScalerFormats; ++format) {
        const ScalerRow& row = settings.rows[format];
        r.push_back(row.convert ? 1 : 0);
        r.push_back(hasResolutionChoice(port, format) && row.resolution != 0 ? 1 : 0);
        r.push_back(colourSpaceCode(row.colourSpace));
        r.push_back(deepColourCode(row.deepColour));
    }
    return r;
}

ScalerPort scalerPortFromPage(int port, boxstatus::Bytes page) {
    ScalerPort settings;
    for (std::uint8_t format = 0; format < kScalerFormats; ++format) {
        const std::size_t at = 2 + 4 * std::size_t{format};
        ScalerRow& row = settings.rows[format];
        row.convert = boxstatus::byteAt(page, at) != 0;
        row.resolution = hasResolutionChoice(port, format) ? boxstatus::byteAt(page, at + 1) : 0;
        row.colourSpace =
            static_cast<std::uint8_t>(colourSpaceIndex(boxstatus::byteAt(page, at + 2)));
        row.deepColour =
            static_cast<std::uint8_t>(deepColourIndex(boxstatus::byteAt(page, at + 3)));
    }
    return settings;
}

SendResult sendScalerPort(boxlink::UsbLink& link, int port, const ScalerPort& settings) {
    const std::optional<Bytes> request = scalerRequest(port, settings);
    if (!request) {
        return refusal("Can't send the scaler parameters: there is no port " +
                       std::to_string(port));
    }
    return sendRequest(link, *request, {}, 0, kScalerFailed);
}

}  // namespace packets

#include "status/Metadata.h"

#include <cstdint>
#include <span>

#include "status/Printf.h"

namespace boxstatus {

namespace {

void setText(TextUpdates& out, std::string_view widget, std::string text) {
    out.push_back({widget, TextAction::Set, std::move(text)});
}

void clearTexts(TextUpdates& out, std::span<const std::string_view> widgets) {
    for (std::string_view widget : widgets) {
        out.push_back({widget, TextAction::Clear, {}});
    }
}

const char* yesNo(bool set) {
    return set ? "YES" : "NO";
}

std::string dvPrimary(const char* format, Bytes page, std::size_t offset) {
    return printfText(format, static_cast<double>(dvChromaticity(byteAt(page, offset))),
                      static_cast<double>(dvChromaticity(byteAt(page, offset + 1))));
}

struct MasteringTarget {
    std::array<std::uint16_t, 6> primaries;  // x0, y0, x1, y1, x2, y2
    std::string_view text;
};

constexpr MasteringTarget kMasteringTargets[] = {
    {{13250, 34500, 7500, 3000, 34000, 16000}, "Mastering Target: DCI-P3 "},
    {{8500, 39850, 6550, 2300, 35400, 14600}, "Mastering Target: BT2020 "},
    {{15000, 30000, 7500, 3000, 32000, 16500}, "Mastering Target: REC-709 "},
    {{34000, 16000, 13250, 34500, 7500, 3000}, "Mastering Target: DCI-P3 [WO]"},
    {{35400, 14600, 8500, 39850, 6550, 2300}, "Mastering Target: BT2020 [WO]"},
    {{32000, 16500, 15000, 30000, 7500, 3000}, "Mastering Target: REC-709 [WO]"},
};
constexpr std::string_view kUnknownMasteringTarget = "Mastering Target: unknown ";

constexpr const char* kEotfTexts[] = {
    "EOTF: SDR Luminance Range",
    "EOTF: HDR Luminance Range",
    "EOTF: SMPTE ST 2084",
    "EOTF: HLG ITU-R BT.2100-0",
};

constexpr std::uint16_t kD65X = 15635;
constexpr std::uint16_t kD65Y = 16450;

std::string eotfText(std::uint8_t code) {
    if (code < std::size(kEotfTexts)) {
        return kEotfTexts[code];
    }
    return printfText("EOTF: unknown (%d)", code);
}

std::string minLuminanceText(std::uint16_t raw) {
    const float nits = static_cast<float>(raw * 0.0001);
    const char* format = "Min Display Luminance: %1.3f nits";
    if (nits == 0.0f) {
        format = "Min Display Luminance: %1.1f nits";
    } else if (nits < 0.001) {
        format = "Min Display Luminance: %1.4f nits";
    }
    return printfText(format, static_cast<double>(nits));
}

std::string hdrPrimary(const char* format, std::uint16_t x, std::uint16_t y) {
    return printfText(format, x, y, static_cast<double>(static_cast<float>(x) / 50000.0f),
                      static_cast<double>(static_cast<float>(y) / 50000.0f));
}

}  // namespace

float dvChromaticity(std::uint8_t byte) {
    static constexpr double kWeights[8] = {0.5,     0.25,     0.125,    0.0625,
                                           0.03125, 0.015625, 0.007813, 0.003906};
    double sum = 0.0;
    for (int bit = 0; bit < 8; ++bit) {
        if ((byte & (0x80 >> bit)) != 0) {
            sum += kWeights[bit];
        }
    }
    return static_cast<float>(sum);
}

TextUpdates decodeDolbyVision(Bytes page) {
    TextUpdates out;
    const std::size_t length = byteAt(page, 3) == 1 ? byteAt(page, 2) & 0x1F : 0;
    if (length == 0) {
        clearTexts(out, kDvLabels);
        return out;
    }
    // Header byte through the last payload byte, as far as the page holds it.
    setText(out, kDvDumpWidget, hexBytes(slice(page, 2, length + 1)));

    const std::uint8_t caps = byteAt(page, 7);
    const int version = caps >> 5;
    if (version == 0) {
        clearTexts(out, kDvLabels);
        return out;
    }
    if (version != 1) {
        return out;
    }
    const std::uint8_t luminance = byteAt(page, 8);
    const int maxCode = (luminance >> 1) & 0x7F;
    const int minCode = (byteAt(page, 9) >> 1) & 0x7F;
    const float minNits = static_cast<float>(minCode) / 127.0f * 2.0f;

    setText(out, "lblDvVersion",
            printfText("Dolby Vision Version: %d, DM Version: %d", version, (caps >> 2) & 7));
    setText(out, "lblDvCaps2160",
            printfText("Capabilities: [2160p60]: %s", yesNo((caps & 0x02) != 0)));
    setText(out, "lblDvCaps422",
            printfText("Capabilities: [YUV422 12bit]: %s", yesNo((caps & 0x01) != 0)));
    setText(out, "lblDvCapsDim",
            printfText("Capabilities: [Global Dimming]: %s", yesNo((luminance & 0x01) != 0)));
    setText(out, "lblDvMaxLum", printfText("Target MAX Luminance: %d nits", maxCode * 50 + 100));
    setText(out, "lblDvMinLum",
            printfText("Target MIN Luminance: %1.3f nits", static_cast<double>(minNits)));
    if (length == 14) {
        setText(out, "lblDvGreen", dvPrimary("Primary Chromaticity: GRN [%1.3f,%1.3f]", page, 13));
        setText(out, "lblDvBlue", dvPrimary("Primary Chromaticity: BLU [%1.3f,%1.3f]", page, 15));
        setText(out, "lblDvRed", dvPrimary("Primary Chromaticity: RED [%1.3f,%1.3f]", page, 11));
        clearTexts(out, std::array{std::string_view{"lblDvWhite"}});
    } else {
        clearTexts(out, std::array<std::string_view, 4>{"lblDvGreen", "lblDvBlue", "lblDvRed",
                                                        "lblDvWhite"});
    }
    return out;
}

TextUpdates decodeHdrInfoframe(Bytes page) {
    TextUpdates out;
    if (byteAt(page, 2) != 0x87 || byteAt(page, 3) != 1) {
        clearTexts(out, std::array{kHdrDumpWidget});
        clearTexts(out, kHdrLabels);
        return out;
    }
    setText(out, kHdrDumpWidget, infoframeDump(page));
    setText(out, "lblHdrEotf", eotfText(byteAt(page, 6)));

    const std::uint16_t whiteX = wordLe(page, 20);
    const std::uint16_t whiteY = wordLe(page, 22);
    setText(out, "lblWhitePoint",
            printfText("WP:  x %0.0f, y %0.0f [%.4f, %.4f]", static_cast<double>(whiteX),
                       static_cast<double>(whiteY), whiteX / 50000.0, whiteY / 50000.0));
    setText(out, "lblMaxLum", printfText("Max Display Luminance: %d nits", wordLe(page, 24)));
    setText(out, "lblMinLum", minLuminanceText(wordLe(page, 26)));
    setText(out, "lblMaxCll", printfText("MaxCLL: %d nits", wordLe(page, 28)));
    setText(out, "lblMaxFall", printfText("MaxFALL: %d nits", wordLe(page, 30)));

    std::array<std::uint16_t, 6> primaries{};
    for (std::size_t i = 0; i < primaries.size(); ++i) {
        primaries[i] = wordLe(page, 8 + 2 * i);
    }
    setText(out, "lblPrimary0",
            hdrPrimary("GRN: x0 %d, y0 %d [%.4f, %.4f]", primaries[0], primaries[1]));
    setText(out, "lblPrimary1",
            hdrPrimary("BLU: x1 %d, y1 %d [%.4f, %.4f]", primaries[2], primaries[3]));
    setText(out, "lblPrimary2",
            hdrPrimary("RED: x2 %d, y2 %d [%.4f, %.4f]", primaries[4], primaries[5]));

    std::string_view target = kUnknownMasteringTarget;
    for (const MasteringTarget& row : kMasteringTargets) {
        if (row.primaries == primaries) {
            target = row.text;
            break;
        }
    }
    setText(out, "lblHdrMasterTarget", std::string(target));
    setText(out, "lblHdrWpTarget",
            whiteX == kD65X && whiteY == kD65Y ? "White Point: D65" : "White Point: unknown");
    return out;
}

}  // namespace boxstatus

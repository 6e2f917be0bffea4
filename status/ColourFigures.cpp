#include "status/ColourFigures.h"

#include <array>

#include "status/Metadata.h"

namespace boxstatus {

namespace {

constexpr std::uint8_t kHdrType = 0x87;
constexpr std::uint8_t kHdrVersion = 1;
// Chromaticity units of the infoframe: 0.00002.
constexpr double kChromaUnit = 1.0 / 50000.0;

std::optional<ChromaPoint> point(double x, double y) {
    if (x == 0 && y == 0) {
        return std::nullopt;
    }
    return ChromaPoint{x, y};
}

std::optional<ChromaPoint> infoframePoint(Bytes frame, std::size_t at) {
    return point(wordLe(frame, at) * kChromaUnit, wordLe(frame, at + 2) * kChromaUnit);
}

std::optional<double> knownNits(std::uint16_t value) {
    return value == 0 ? std::nullopt : std::optional<double>(value);
}

}  // namespace

std::optional<HdrFigures> hdrInfoframeFigures(std::span<const std::uint8_t> frame) {
    if (byteAt(frame, 0) != kHdrType || byteAt(frame, 1) != kHdrVersion) {
        return std::nullopt;
    }
    HdrFigures figures;
    // Payload from byte 4: EOTF, descriptor ID, then the primaries.
    std::array<std::optional<ChromaPoint>, 3> primaries = {
        infoframePoint(frame, 6), infoframePoint(frame, 10), infoframePoint(frame, 14)};
    if (primaries[0] && primaries[1] && primaries[2]) {
        // Red: the largest x; green: the larger y of the other two.
        std::size_t red = 0;
        for (std::size_t i = 1; i < primaries.size(); ++i) {
            if (primaries[i]->x > primaries[red]->x) {
                red = i;
            }
        }
        const std::size_t a = (red + 1) % 3;
        const std::size_t b = (red + 2) % 3;
        const bool aGreen = primaries[a]->y >= primaries[b]->y;
        figures.colour.red = primaries[red];
        figures.colour.green = primaries[aGreen ? a : b];
        figures.colour.blue = primaries[aGreen ? b : a];
    } else {
        figures.colour.green = primaries[0];
        figures.colour.blue = primaries[1];
        figures.colour.red = primaries[2];
    }
    figures.colour.white = infoframePoint(frame, 18);
    figures.luminance.maxDisplay = knownNits(wordLe(frame, 22));
    figures.luminance.minDisplay = wordLe(frame, 24) * 0.0001;
    figures.luminance.maxCll = knownNits(wordLe(frame, 26));
    figures.luminance.maxFall = knownNits(wordLe(frame, 28));
    return figures;
}

std::optional<HdrFigures> capturedHdrFigures(Bytes page) {
    // The infoframe starts after the echo and one unused byte.
    return hdrInfoframeFigures(slice(page, 2, page.size()));
}

ColourPoints dolbyVisionPrimaries(Bytes page) {
    const std::size_t length = byteAt(page, 3) == 1 ? byteAt(page, 2) & 0x1F : 0;
    const int version = byteAt(page, 7) >> 5;
    if (length != 14 || version != 1) {
        return {};
    }
    const auto dvPoint = [page](std::size_t at) {
        return point(dvChromaticity(byteAt(page, at)), dvChromaticity(byteAt(page, at + 1)));
    };
    ColourPoints points;
    points.red = dvPoint(11);
    points.green = dvPoint(13);
    points.blue = dvPoint(15);
    return points;
}

}  // namespace boxstatus

// The colour and luminance figures of HDR metadata as plain numbers, for the
// pictures beside the texts: the captured HDR infoframe (register page 20), a
// custom HDR infoframe before it is sent, and the captured Dolby Vision block
// (register page 13).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "status/PageBytes.h"

namespace boxstatus {

// A CIE 1931 xy chromaticity.
struct ChromaPoint {
    double x = 0;
    double y = 0;

    friend bool operator==(const ChromaPoint&, const ChromaPoint&) = default;
};

// The primaries and the white point of a colour space, each as far as given.
// A coordinate pair of 0, 0 counts as not given.
struct ColourPoints {
    std::optional<ChromaPoint> red, green, blue, white;

    bool empty() const { return !red && !green && !blue && !white; }
    friend bool operator==(const ColourPoints&, const ColourPoints&) = default;
};

// Luminance figures in cd/m2, each as far as given. A maximum, MaxCLL or
// MaxFALL of 0 means "not known" and is left out; a minimum of 0 is a value.
struct LuminanceFigures {
    std::optional<double> maxDisplay, minDisplay, maxCll, maxFall;

    bool empty() const { return !maxDisplay && !minDisplay && !maxCll && !maxFall; }
    friend bool operator==(const LuminanceFigures&, const LuminanceFigures&) = default;
};

struct HdrFigures {
    ColourPoints colour;
    LuminanceFigures luminance;

    friend bool operator==(const HdrFigures&, const HdrFigures&) = default;
};

// An HDR infoframe from its type byte on (type, version, length, checksum,
// payload; bytes past the end count as 0). Nothing for a frame other than
// type 0x87 version 1. The three primaries are told apart by where they lie
// (red has the largest x, green the larger y of the other two), so a frame
// that lists them red, green, blue comes out as one in the usual green, blue,
// red order; with a primary missing the usual order holds.
std::optional<HdrFigures> hdrInfoframeFigures(std::span<const std::uint8_t> frame);

// The captured HDR infoframe: the page 20 answer (33 bytes).
std::optional<HdrFigures> capturedHdrFigures(Bytes page);

// The primaries of the captured Dolby Vision block, the page 13 answer (28
// bytes), as its labels show them: those of a version 1 block with 14
// payload bytes, else none.
ColourPoints dolbyVisionPrimaries(Bytes page);

}  // namespace boxstatus

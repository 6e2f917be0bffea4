// The timing generator of the EDID editor: detailed timings computed by the
// VESA coordinated video timing formulas (standard blanking, reduced blanking
// versions 1 and 2) or taken from the CTA-861 video formats, and the 18-byte
// descriptor of a timing.
#pragma once

#include <optional>
#include <string>

#include "edid/Decode.h"
#include "edid/Model.h"

namespace edid {

enum class CvtBlanking {
    Standard,
    Reduced,   // version 1
    Reduced2,  // version 2
};

struct TimingResult {
    std::optional<DetailedTiming> timing;
    std::string error;  // why there is none
};

// A progressive CVT timing of width x height at refreshHz (frames per
// second). Digital separate sync with the polarities the formulas give.
TimingResult cvtTiming(int width, int height, double refreshHz, CvtBlanking blanking);

// The CTA-861 timing of a VIC, for the VICs whose porches and sync widths
// are known here (the 640x480, 480- and 576-line, 720p, 1080i, 1080p and
// 2160-line families).
TimingResult vicTiming(int vic);

// The 18 bytes of a detailed timing, or why it does not fit one (every
// field has a limited width: the pixel clock is at most 655.35 MHz).
struct DescriptorResult {
    std::optional<Descriptor> descriptor;
    std::string error;
};
DescriptorResult encodeDetailedTiming(const DetailedTiming& timing);

}  // namespace edid

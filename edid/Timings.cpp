#include "edid/Timings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "status/Printf.h"

namespace edid {
namespace {

// Porches and sync widths of the CTA-861 video format families; the front
// porch and the vertical back porch follow from the totals of the VIC table.
// hTotal 0 matches any total; maxVic 0 any VIC.
struct VicFamily {
    int hActive, vActive;
    bool interlaced;
    int vTotal, hTotal, maxVic;
    int hSync, hBack, vFront, vSync;
    bool positive;
};

constexpr std::array<VicFamily, 11> kVicFamilies = {{
    {640, 480, false, 525, 0, 0, 96, 48, 10, 2, false},
    {720, 480, false, 525, 0, 0, 62, 60, 9, 6, false},
    {1440, 480, true, 525, 0, 0, 124, 114, 4, 3, false},
    {720, 576, false, 625, 0, 0, 64, 68, 5, 5, false},
    {1440, 576, true, 625, 0, 0, 126, 138, 2, 3, false},
    {1280, 720, false, 750, 0, 0, 40, 220, 5, 5, true},
    {1920, 1080, true, 1125, 0, 0, 44, 148, 2, 5, true},
    {1920, 1080, false, 1125, 0, 0, 44, 148, 4, 5, true},
    {3840, 2160, false, 2250, 0, 0, 88, 296, 8, 10, true},
    {4096, 2160, false, 2250, 5500, 102, 88, 296, 8, 10, true},
    {4096, 2160, false, 2250, 0, 102, 88, 128, 8, 10, true},
}};

// CVT vertical sync width by aspect ratio (standard and reduced blanking v1).
int cvtVSync(int width, int height) {
    struct Ratio {
        int w, h, sync;
    };
    static constexpr std::array<Ratio, 5> kRatios = {{
        {4, 3, 4}, {16, 9, 5}, {16, 10, 6}, {5, 4, 7}, {15, 9, 7}}};
    for (const Ratio& r : kRatios) {
        if (height * r.w == width * r.h) {
            return r.sync;
        }
    }
    return 10;
}

DetailedTiming separateSync(bool hPositive, bool vPositive) {
    DetailedTiming t;
    t.syncType = 3;
    t.hSyncPositive = hPositive;
    t.vSyncPositive = vPositive;
    return t;
}

}  // namespace

TimingResult cvtTiming(int width, int height, double refreshHz, CvtBlanking blanking) {
    TimingResult result;
    if (width < 64 || width > 8192 || height < 64 || height > 8192) {
        result.error = boxstatus::printfText("%dx%d is not a size CVT computes (64 to 8192)", width,
                                             height);
        return result;
    }
    if (!(refreshHz >= 20 && refreshHz <= 360)) {
        result.error = "a CVT refresh rate lies between 20 and 360 Hz";
        return result;
    }
    const bool rb2 = blanking == CvtBlanking::Reduced2;
    const int hActive = rb2 ? width : width / 8 * 8;
    const int vActive = height;
    const int vSync = rb2 ? 8 : cvtVSync(width, height);
    DetailedTiming t;
    double clockMHz = 0;
    if (blanking == CvtBlanking::Standard) {
        t = separateSync(false, true);
        const double hPeriod = (1.0 / refreshHz - 550e-6) / (vActive + 3) * 1e6;
        int vSyncBp = int(std::floor(550 / hPeriod)) + 1;
        vSyncBp = std::max(vSyncBp, vSync + 6);
        double duty = 30 - 300 * hPeriod / 1000;
        duty = std::max(duty, 20.0);
        const int hBlank = int(std::floor(hActive * duty / (100 - duty) / 16)) * 16;
        const int total = hActive + hBlank;
        clockMHz = 0.25 * std::floor(total / hPeriod / 0.25);
        const int hSync = int(std::floor(0.08 * total / 8)) * 8;
        t.hBlank = hBlank;
        t.hSync = hSync;
        t.hFront = hBlank - hBlank / 2 - hSync;
        t.vFront = 3;
        t.vBlank = vSyncBp + 3;
    } else {
        t = separateSync(true, false);
        const double hPeriod = (1e6 / refreshHz - 460) / vActive;
        const int minVbi = rb2 ? 1 + vSync + 6 : 3 + vSync + 6;
        const int vbi = std::max(int(std::floor(460 / hPeriod)) + 1, minVbi);
        t.hBlank = rb2 ? 80 : 160;
        t.hSync = 32;
        t.hFront = rb2 ? 8 : 48;
        t.vBlank = vbi;
        t.vFront = rb2 ? vbi - vSync - 6 : 3;
        const double step = rb2 ? 0.001 : 0.25;
        clockMHz = step * std::floor(refreshHz * (vActive + vbi) * (hActive + t.hBlank) / 1e6 / step);
    }
    t.hActive = hActive;
    t.vActive = vActive;
    t.vSync = vSync;
    t.pixelClockKHz = std::uint32_t(std::lround(clockMHz * 1000));
    result.timing = t;
    return result;
}

TimingResult vicTiming(int vic) {
    TimingResult result;
    const VideoFormat* format = findVic(vic);
    if (format == nullptr) {
        result.error = boxstatus::printfText("%d is not a VIC", vic);
        return result;
    }
    for (const VicFamily& f : kVicFamilies) {
        if (f.hActive != format->hActive || f.vActive != format->vActive ||
            f.interlaced != format->interlaced || f.vTotal != format->vTotal ||
            (f.hTotal != 0 && f.hTotal != format->hTotal) || (f.maxVic != 0 && vic > f.maxVic)) {
            continue;
        }
        DetailedTiming t = separateSync(f.positive, f.positive);
        t.pixelClockKHz = format->pixelClockKHz;
        t.interlaced = f.interlaced;
        t.hActive = f.hActive;
        t.hBlank = format->hTotal - f.hActive;
        t.hSync = f.hSync;
        t.hFront = t.hBlank - f.hSync - f.hBack;
        t.vActive = f.vActive;
        t.vBlank = f.interlaced ? (f.vTotal - f.vActive - 1) / 2 : f.vTotal - f.vActive;
        t.vFront = f.vFront;
        t.vSync = f.vSync;
        result.timing = t;
        return result;
    }
    result.error = boxstatus::printfText("the timing of VIC %d (%s) is not known here", vic,
                                         vicName(vic).c_str());
    return result;
}

DescriptorResult encodeDetailedTiming(const DetailedTiming& t) {
    DescriptorResult result;
    // The descriptor holds one field's lines: both fields have the same count.
    if (t.interlaced && t.vActive % 2 != 0) {
        result.error = "an interlaced timing has an even number of active lines";
        return result;
    }
    const int vActive = t.interlaced ? t.vActive / 2 : t.vActive;
    struct Limit {
        const char* name;
        long value;
        long max;
    };
    const Limit limits[] = {
        {"pixel clock (kHz)", long(t.pixelClockKHz), 655350},
        {"horizontal active pixels", t.hActive, 4095},
        {"horizontal blanking", t.hBlank, 4095},
        {"vertical active lines", vActive, 4095},
        {"vertical blanking", t.vBlank, 4095},
        {"horizontal front porch", t.hFront, 1023},
        {"horizontal sync", t.hSync, 1023},
        {"vertical front porch", t.vFront, 63},
        {"vertical sync", t.vSync, 63},
        {"image width (mm)", t.widthMm, 4095},
        {"image height (mm)", t.heightMm, 4095},
        {"horizontal border", t.hBorder, 255},
        {"vertical border", t.vBorder, 255},
    };
    for (const Limit& limit : limits) {
        if (limit.value < 0 || limit.value > limit.max) {
            result.error = boxstatus::printfText("a detailed timing's %s is 0 to %ld, not %ld",
                                                 limit.name, limit.max, limit.value);
            return result;
        }
    }
    if (t.pixelClockKHz < 10 || t.hFront + t.hSync > t.hBlank || t.vFront + t.vSync > t.vBlank) {
        result.error = "the timing's porches and sync do not fit its blanking";
        return result;
    }
    Descriptor d{};
    const unsigned clock = t.pixelClockKHz / 10;
    d[0] = std::uint8_t(clock);
    d[1] = std::uint8_t(clock >> 8);
    d[2] = std::uint8_t(t.hActive);
    d[3] = std::uint8_t(t.hBlank);
    d[4] = std::uint8_t((t.hActive >> 8) << 4 | t.hBlank >> 8);
    d[5] = std::uint8_t(vActive);
    d[6] = std::uint8_t(t.vBlank);
    d[7] = std::uint8_t((vActive >> 8) << 4 | t.vBlank >> 8);
    d[8] = std::uint8_t(t.hFront);
    d[9] = std::uint8_t(t.hSync);
    d[10] = std::uint8_t((t.vFront & 0x0F) << 4 | (t.vSync & 0x0F));
    d[11] = std::uint8_t((t.hFront >> 8) << 6 | (t.hSync >> 8) << 4 | (t.vFront >> 4) << 2 |
                         t.vSync >> 4);
    d[12] = std::uint8_t(t.widthMm);
    d[13] = std::uint8_t(t.heightMm);
    d[14] = std::uint8_t((t.widthMm >> 8) << 4 | t.heightMm >> 8);
    d[15] = std::uint8_t(t.hBorder);
    d[16] = std::uint8_t(t.vBorder);
    d[17] = std::uint8_t((t.interlaced ? 0x80 : 0) | (t.stereo & 0x06) << 4 | (t.stereo & 0x01) |
                         (t.syncType & 0x03) << 3 | (t.syncType == 3 && t.vSyncPositive ? 0x04 : 0) |
                         (t.syncType >= 2 && t.hSyncPositive ? 0x02 : 0));
    result.descriptor = d;
    return result;
}

}  // namespace edid

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "status/Metadata.h"

namespace {

using boxstatus::TextAction;
using boxstatus::TextUpdates;

// What a widget is expected to get: a text, cleared, or left alone.
struct Expect {
    enum Kind { Keep, Clear, Set } kind = Keep;
    std::string text;
};
const Expect keep{Expect::Keep, {}};
const Expect cleared{Expect::Clear, {}};
Expect is(std::string text) {
    return {Expect::Set, std::move(text)};
}

std::map<std::string, Expect> collect(const TextUpdates& updates) {
    std::map<std::string, Expect> got;
    for (const auto& u : updates) {
        const std::string name(u.widget);
        EXPECT_EQ(got.count(name), 0u) << name << " updated twice";
        got[name] = u.action == TextAction::Set ? is(u.text) : cleared;
    }
    return got;
}

// Compares the updates of the listed widgets with the expectations; a listed
// widget not named in expected must be left alone.
void checkUpdates(const TextUpdates& updates, const std::vector<std::string_view>& widgets,
                  const std::map<std::string, Expect>& expected) {
    const auto got = collect(updates);
    for (std::string_view widget : widgets) {
        const std::string name(widget);
        const auto e = expected.count(name) ? expected.at(name) : keep;
        const auto g = got.count(name) ? got.at(name) : keep;
        EXPECT_EQ(g.kind, e.kind) << name;
        EXPECT_EQ(g.text, e.text) << name;
    }
}

// As checkUpdates, and no widget outside the list is touched.
void checkAll(const TextUpdates& updates, const std::vector<std::string_view>& widgets,
              const std::map<std::string, Expect>& expected) {
    checkUpdates(updates, widgets, expected);
    for (const auto& [name, update] : collect(updates)) {
        EXPECT_NE(std::find(widgets.begin(), widgets.end(), name), widgets.end())
            << "unexpected widget " << name;
    }
}

std::vector<std::string_view> dvWidgets() {
    std::vector<std::string_view> w(boxstatus::kDvLabels.begin(), boxstatus::kDvLabels.end());
    w.push_back(boxstatus::kDvDumpWidget);
    return w;
}

std::vector<std::string_view> hdrWidgets() {
    std::vector<std::string_view> w(boxstatus::kHdrLabels.begin(), boxstatus::kHdrLabels.end());
    w.push_back(boxstatus::kHdrDumpWidget);
    return w;
}

std::map<std::string, Expect> allCleared(const std::vector<std::string_view>& widgets) {
    std::map<std::string, Expect> e;
    for (auto w : widgets) {
        e[std::string(w)] = cleared;
    }
    return e;
}

// A page 13 answer of 28 bytes, bytes given from byte 2 on.
std::vector<std::uint8_t> dvPage(std::vector<std::uint8_t> fromByte2) {
    std::vector<std::uint8_t> page(boxstatus::kDvPageLength, 0);
    page[0] = 0xE0;
    for (std::size_t i = 0; i < fromByte2.size() && i + 2 < page.size(); ++i) {
        page[i + 2] = fromByte2[i];
    }
    return page;
}

struct DvCase {
    const char* name;
    std::vector<std::uint8_t> page;
    std::map<std::string, Expect> expected;
};

std::map<std::string, Expect> tenCleared() {
    std::map<std::string, Expect> e;
    for (auto w : boxstatus::kDvLabels) {
        e[std::string(w)] = cleared;
    }
    return e;
}

std::vector<DvCase> dvCases() {
    std::vector<DvCase> cases;
    // Tag 7, L = 14; version 1, DM version 2, 2160p60 and YUV422 12 bit;
    // maximum code 63 with global dimming; minimum code 0.
    cases.push_back({"full block, 3250 nits",
                     dvPage({0xEE, 0x01, 0x46, 0xD0, 0x00, 0x2B, 0x7F, 0x01, 0x00, 0xFF, 0x80, 0x40,
                             0xC0, 0x01, 0x03}),
                     {
                         {"txtDvBlock", is("ee:01:46:d0:00:2b:7f:01:00:ff:80:40:c0:01:03")},
                         {"lblDvVersion", is("Dolby Vision Version: 1, DM Version: 2")},
                         {"lblDvCaps2160", is("Capabilities: [2160p60]: YES")},
                         {"lblDvCaps422", is("Capabilities: [YUV422 12bit]: YES")},
                         {"lblDvCapsDim", is("Capabilities: [Global Dimming]: YES")},
                         {"lblDvMaxLum", is("Target MAX Luminance: 3250 nits")},
                         {"lblDvMinLum", is("Target MIN Luminance: 0.000 nits")},
                         {"lblDvRed", is("Primary Chromaticity: RED [0.996,0.500]")},
                         {"lblDvGreen", is("Primary Chromaticity: GRN [0.250,0.750]")},
                         {"lblDvBlue", is("Primary Chromaticity: BLU [0.004,0.012]")},
                         {"lblDvWhite", cleared},
                     }});
    // L = 11: no chromaticities; minimum code 127, maximum code 127 without
    // dimming; version 1, DM version 7, no capabilities.
    cases.push_back(
        {"short block, 2.000 nits",
         dvPage({0x0B, 0x01, 0x46, 0xD0, 0x00, 0x3C, 0xFE, 0xFF, 0x00, 0x11, 0x22, 0x33}),
         {
             {"txtDvBlock", is("0b:01:46:d0:00:3c:fe:ff:00:11:22:33")},
             {"lblDvVersion", is("Dolby Vision Version: 1, DM Version: 7")},
             {"lblDvCaps2160", is("Capabilities: [2160p60]: NO")},
             {"lblDvCaps422", is("Capabilities: [YUV422 12bit]: NO")},
             {"lblDvCapsDim", is("Capabilities: [Global Dimming]: NO")},
             {"lblDvMaxLum", is("Target MAX Luminance: 6450 nits")},
             {"lblDvMinLum", is("Target MIN Luminance: 2.000 nits")},
             {"lblDvRed", cleared},
             {"lblDvGreen", cleared},
             {"lblDvBlue", cleared},
             {"lblDvWhite", cleared},
         }});
    {
        auto e = std::map<std::string, Expect>{{"txtDvBlock", is("02:01:46")}};
        cases.push_back(
            {"version 2 refreshes the dump only", dvPage({0x02, 0x01, 0x46, 0, 0, 0x40}), e});
        cases.push_back(
            {"version 7 refreshes the dump only", dvPage({0x02, 0x01, 0x46, 0, 0, 0xFF}), e});
    }
    {
        auto e = tenCleared();
        e["txtDvBlock"] = is("02:01:46");
        cases.push_back({"version 0 clears", dvPage({0x02, 0x01, 0x46, 0, 0, 0x1F}), e});
    }
    cases.push_back({"no extended tag 1", dvPage({0x0E, 0x02, 0x46, 0, 0, 0x2B}), tenCleared()});
    cases.push_back({"length 0", dvPage({0xE0, 0x01, 0x46, 0, 0, 0x2B}), tenCleared()});
    cases.push_back({"empty page", {}, tenCleared()});
    {
        // L = 31 runs past the 28-byte page: the dump stops at byte 27.
        std::vector<std::uint8_t> bytes(26, 0x00);
        bytes[0] = 0x1F;
        bytes[1] = 0x01;
        bytes[5] = 0x20;
        bytes[25] = 0xAB;
        auto e = std::map<std::string, Expect>{
            {"txtDvBlock",
             is("1f:01:00:00:00:20:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:ab")},
            {"lblDvVersion", is("Dolby Vision Version: 1, DM Version: 0")},
            {"lblDvCaps2160", is("Capabilities: [2160p60]: NO")},
            {"lblDvCaps422", is("Capabilities: [YUV422 12bit]: NO")},
            {"lblDvCapsDim", is("Capabilities: [Global Dimming]: NO")},
            {"lblDvMaxLum", is("Target MAX Luminance: 100 nits")},
            {"lblDvMinLum", is("Target MIN Luminance: 0.000 nits")},
            {"lblDvRed", cleared},
            {"lblDvGreen", cleared},
            {"lblDvBlue", cleared},
            {"lblDvWhite", cleared},
        };
        cases.push_back({"length past the page end", dvPage(bytes), e});
    }
    return cases;
}

TEST(DolbyVisionBlock, Decodes) {
    for (const DvCase& c : dvCases()) {
        SCOPED_TRACE(c.name);
        checkAll(boxstatus::decodeDolbyVision(c.page), dvWidgets(), c.expected);
    }
}

TEST(DolbyVisionBlock, MinimumLuminance) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x00, "0.000"}, {0x01, "0.000"}, {0x02, "0.016"}, {0x80, "1.008"}, {0xFF, "2.000"},
    };
    for (const auto& [byte, text] : cases) {
        const auto updates =
            boxstatus::decodeDolbyVision(dvPage({0x07, 0x01, 0, 0, 0, 0x20, 0, byte}));
        checkUpdates(updates, {"lblDvMinLum"},
                     {{"lblDvMinLum", is(std::string("Target MIN Luminance: ") + text + " nits")}});
    }
}

// A page 20 answer of 33 bytes.
struct HdrFields {
    std::uint8_t type = 0x87, version = 1, length = 26, checksum = 0x5A, eotf = 2;
    std::array<std::uint16_t, 6> primaries{};
    std::uint16_t whiteX = 15635, whiteY = 16450;
    std::uint16_t maxLum = 1000, minLum = 50, maxCll = 1000, maxFall = 400;
};

std::vector<std::uint8_t> hdrPage(const HdrFields& f) {
    std::vector<std::uint8_t> page(boxstatus::kHdrPageLength, 0);
    page[0] = 0xE0;
    page[2] = f.type;
    page[3] = f.version;
    page[4] = f.length;
    page[5] = f.checksum;
    page[6] = f.eotf;
    const auto put = [&page](std::size_t at, std::uint16_t v) {
        page[at] = static_cast<std::uint8_t>(v & 0xFF);
        page[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    for (std::size_t i = 0; i < 6; ++i) {
        put(8 + 2 * i, f.primaries[i]);
    }
    put(20, f.whiteX);
    put(22, f.whiteY);
    put(24, f.maxLum);
    put(26, f.minLum);
    put(28, f.maxCll);
    put(30, f.maxFall);
    return page;
}

constexpr std::array<std::uint16_t, 6> kBt2020 = {8500, 39850, 6550, 2300, 35400, 14600};

TEST(HdrInfoframe, Bt2020AndD65) {
    HdrFields f;
    f.primaries = kBt2020;
    checkAll(
        boxstatus::decodeHdrInfoframe(hdrPage(f)), hdrWidgets(),
        {
            {"txtHdrIf", is("87:01:1a:5a:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:"
                            "e8:03:32:00:e8:03:90:01")},
            {"lblHdrEotf", is("EOTF: SMPTE ST 2084")},
            {"lblWhitePoint", is("WP:  x 15635, y 16450 [0.3127, 0.3290]")},
            {"lblMaxLum", is("Max Display Luminance: 1000 nits")},
            {"lblMinLum", is("Min Display Luminance: 0.005 nits")},
            {"lblMaxCll", is("MaxCLL: 1000 nits")},
            {"lblMaxFall", is("MaxFALL: 400 nits")},
            {"lblPrimary0", is("GRN: x0 8500, y0 39850 [0.1700, 0.7970]")},
            {"lblPrimary1", is("BLU: x1 6550, y1 2300 [0.1310, 0.0460]")},
            {"lblPrimary2", is("RED: x2 35400, y2 14600 [0.7080, 0.2920]")},
            {"lblHdrMasterTarget", is("Mastering Target: BT2020 ")},
            {"lblHdrWpTarget", is("White Point: D65")},
        });
}

TEST(HdrInfoframe, MasteringTargetAndWhitePoint) {
    struct Case {
        std::array<std::uint16_t, 6> primaries;
        std::uint16_t whiteX, whiteY;
        const char* target;
        const char* white;
    };
    const Case cases[] = {
        {{13250, 34500, 7500, 3000, 34000, 16000},
         15635,
         16450,
         "Mastering Target: DCI-P3 ",
         "White Point: D65"},
        {kBt2020, 15700, 17550, "Mastering Target: BT2020 ", "White Point: unknown"},
        {{15000, 30000, 7500, 3000, 32000, 16500},
         15635,
         16451,
         "Mastering Target: REC-709 ",
         "White Point: unknown"},
        {{34000, 16000, 13250, 34500, 7500, 3000},
         16450,
         15635,
         "Mastering Target: DCI-P3 [WO]",
         "White Point: unknown"},
        {{35400, 14600, 8500, 39850, 6550, 2300},
         15635,
         16450,
         "Mastering Target: BT2020 [WO]",
         "White Point: D65"},
        {{32000, 16500, 15000, 30000, 7500, 3000},
         15635,
         16450,
         "Mastering Target: REC-709 [WO]",
         "White Point: D65"},
        // Off by one, and the red/green/blue order that has no row.
        {{8501, 39850, 6550, 2300, 35400, 14600},
         0,
         0,
         "Mastering Target: unknown ",
         "White Point: unknown"},
        {{35400, 14600, 6550, 2300, 8500, 39850},
         0,
         0,
         "Mastering Target: unknown ",
         "White Point: unknown"},
        {{0, 0, 0, 0, 0, 0}, 0, 0, "Mastering Target: unknown ", "White Point: unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        HdrFields f;
        f.primaries = c.primaries;
        f.whiteX = c.whiteX;
        f.whiteY = c.whiteY;
        const auto updates = boxstatus::decodeHdrInfoframe(hdrPage(f));
        checkUpdates(updates, {"lblHdrMasterTarget", "lblHdrWpTarget"},
                     {{"lblHdrMasterTarget", is(c.target)}, {"lblHdrWpTarget", is(c.white)}});
    }
}

TEST(HdrInfoframe, Eotf) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0, "EOTF: SDR Luminance Range"}, {1, "EOTF: HDR Luminance Range"},
        {2, "EOTF: SMPTE ST 2084"},       {3, "EOTF: HLG ITU-R BT.2100-0"},
        {4, "EOTF: unknown (4)"},         {7, "EOTF: unknown (7)"},
        {0x82, "EOTF: unknown (130)"},    {255, "EOTF: unknown (255)"},
    };
    for (const auto& [code, text] : cases) {
        HdrFields f;
        f.eotf = code;
        checkUpdates(boxstatus::decodeHdrInfoframe(hdrPage(f)), {"lblHdrEotf"},
                     {{"lblHdrEotf", is(text)}});
    }
}

TEST(HdrInfoframe, MinimumLuminanceFormats) {
    // The value is stored in single precision before it is printed: 25 shows
    // 0.002, not the 0.003 of a double.
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0, "0.0"},    {1, "0.0001"}, {5, "0.0005"},  {9, "0.0009"},    {10, "0.001"},
        {25, "0.002"}, {50, "0.005"}, {115, "0.012"}, {10000, "1.000"}, {65535, "6.554"},
    };
    for (const auto& [raw, text] : cases) {
        SCOPED_TRACE(raw);
        HdrFields f;
        f.minLum = raw;
        checkUpdates(boxstatus::decodeHdrInfoframe(hdrPage(f)), {"lblMinLum"},
                     {{"lblMinLum", is(std::string("Min Display Luminance: ") + text + " nits")}});
    }
}

TEST(HdrInfoframe, WrongTypeOrVersionClearsAll) {
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {{0x87, 2}, {0x87, 0}, {0x86, 1}, {0, 0}};
    for (const auto& [type, version] : cases) {
        SCOPED_TRACE(int{type} * 256 + version);
        HdrFields f;
        f.type = type;
        f.version = version;
        checkAll(boxstatus::decodeHdrInfoframe(hdrPage(f)), hdrWidgets(), allCleared(hdrWidgets()));
    }
    checkAll(boxstatus::decodeHdrInfoframe({}), hdrWidgets(), allCleared(hdrWidgets()));
}

TEST(HdrInfoframe, DumpStopsAtThePageEnd) {
    HdrFields f;
    f.length = 0xFF;
    f.primaries = kBt2020;
    auto page = hdrPage(f);
    page[32] = 0xC3;
    const auto updates = boxstatus::decodeHdrInfoframe(page);
    checkUpdates(updates, {"txtHdrIf"},
                 {{"txtHdrIf", is("87:01:ff:5a:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:"
                                  "42:40:e8:03:32:00:e8:03:90:01:c3")}});
}

TEST(HdrInfoframe, ShortPageReadsNoFurther) {
    // A truncated answer: the fields beyond it count as zero.
    HdrFields f;
    f.length = 2;
    auto page = hdrPage(f);
    page.resize(8);
    checkUpdates(boxstatus::decodeHdrInfoframe(page),
                 {"txtHdrIf", "lblMaxLum", "lblPrimary2", "lblHdrMasterTarget"},
                 {{"txtHdrIf", is("87:01:02:5a:02:00")},
                  {"lblMaxLum", is("Max Display Luminance: 0 nits")},
                  {"lblPrimary2", is("RED: x2 0, y2 0 [0.0000, 0.0000]")},
                  {"lblHdrMasterTarget", is("Mastering Target: unknown ")}});
}

}  // namespace

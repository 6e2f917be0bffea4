// The fixed-layout requests of the custom packets byte for byte, the HDR
// infoframe composer, and the register pages read back into the same
// settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "packets/Cec.h"
#include "packets/HdrComposer.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"
#include "packets/Senders.h"

namespace {

using packets::Bytes;

Bytes tag(const char* text) {
    return Bytes(text, text + std::char_traits<char>::length(text));
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// A register page as the box keeps it: echo, one unused byte, then the data
// bytes of the request that set it.
Bytes pageOf(const Bytes& request, std::size_t dataAt) {
    Bytes page = {0xE0, 0x00};
    page.insert(page.end(), request.begin() + static_cast<long>(dataAt), request.end());
    return page;
}

TEST(PacketsHdrComposer, ComposesTheInfoframeOfTheExample) {
    packets::HdrInputs in;
    in.eotf = 2;
    in.primaries = packets::kBt2020;
    in.maxLuminance = 1000;
    in.minLuminance = 0.005;
    in.maxCll = 1000;
    in.maxFall = 400;
    const std::string text = packets::hdrInfoframeText(packets::composeHdrInfoframe(in));
    EXPECT_EQ(text,
              "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:"
              "90:01");
    EXPECT_EQ(text.size(), 89u);
}

TEST(PacketsHdrComposer, PrimariesByIndexLowByteFirstAndAChecksumThatMakesZero) {
    struct Case {
        std::uint8_t primaries;
        std::array<std::uint16_t, 8> values;
    };
    const Case cases[] = {
        {0, {15000, 30000, 7500, 3000, 32000, 16500, 15635, 16450}},
        {1, {8500, 39850, 6550, 2300, 35400, 14600, 15635, 16450}},
        {2, {13250, 34500, 7500, 3000, 34000, 16000, 15635, 16450}},
        {3, {}},
        {255, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.primaries});
        for (const int value : {0, 1, 0x1234, 65535}) {
            const auto luminance = static_cast<std::uint16_t>(value);
            packets::HdrInputs in;
            in.eotf = 3;
            in.primaries = c.primaries;
            in.maxLuminance = luminance;
            in.maxCll = static_cast<std::uint16_t>(luminance ^ 0xFF00);
            in.maxFall = 7;
            in.minLuminance = 6.5535;
            const packets::HdrInfoframe f = packets::composeHdrInfoframe(in);
            EXPECT_EQ(f[0], 0x87);
            EXPECT_EQ(f[1], 0x01);
            EXPECT_EQ(f[2], 26);
            EXPECT_EQ(f[4], 3);
            EXPECT_EQ(f[5], 0);
            for (std::size_t i = 0; i < 8; ++i) {
                EXPECT_EQ(f[6 + 2 * i] | f[7 + 2 * i] << 8, c.values[i]) << i;
            }
            EXPECT_EQ(f[22] | f[23] << 8, luminance);
            EXPECT_EQ(f[24] | f[25] << 8, 65535);
            EXPECT_EQ(f[26] | f[27] << 8, in.maxCll);
            EXPECT_EQ(f[28] | f[29] << 8, 7);
            EXPECT_EQ(std::accumulate(f.begin(), f.end(), 0u) % 256, 0u);
        }
    }
}

TEST(PacketsHdrComposer, FourDecimalValuesCountInTenThousandthsTruncated) {
    const std::pair<double, std::uint16_t> cases[] = {
        {0.0, 0},
        {0.0001, 1},
        {0.005, 50},
        // In binary floating point 0.05 / 0.0001 and 0.0029 * 10000 fall just short.
        {0.05, 500},
        {0.0029, 29},
        {1.1, 11000},
        {0.00295, 29},
        {6.5535, 65535},
        {6.6, 65535},
        {-0.5, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 65535},
        {-std::numeric_limits<double>::infinity(), 0},
    };
    for (const auto& [value, units] : cases) {
        EXPECT_EQ(packets::tenThousandths(value), units) << value;
    }
}

TEST(PacketsHdrComposer, PreviewDecodesAsTheStatusMonitorAndChecksTheChecksum) {
    packets::HdrInputs in;
    in.primaries = packets::kBt2020;
    in.maxLuminance = 1000;
    const packets::HdrInfoframe frame = packets::composeHdrInfoframe(in);
    const std::vector<std::string> expected = {
        "EOTF: SMPTE ST 2084",
        "GRN: x0 8500, y0 39850 [0.1700, 0.7970]",
        "BLU: x1 6550, y1 2300 [0.1310, 0.0460]",
        "RED: x2 35400, y2 14600 [0.7080, 0.2920]",
        "WP:  x 15635, y 16450 [0.3127, 0.3290]",
        "Mastering Target: BT2020 ",
        "Max Display Luminance: 1000 nits",
        "Min Display Luminance: 0.005 nits",
        "MaxCLL: 1000 nits",
        "MaxFALL: 400 nits",
        "White Point: D65",
        "Checksum: correct",
    };
    EXPECT_EQ(packets::hdrInfoframePreview(frame), expected);
    EXPECT_EQ(packets::hdrTextPreview(packets::hdrInfoframeText(frame) + "\n"), expected);

    packets::HdrInfoframe wrong = frame;
    wrong[3] = static_cast<std::uint8_t>(wrong[3] + 1);
    char correct[64];
    std::snprintf(correct, sizeof correct, "Checksum: wrong, 0x%02x would be correct", frame[3]);
    EXPECT_EQ(packets::hdrInfoframePreview(wrong).back(), correct);

    // Shorter than its length byte says: the missing bytes count as 0.
    const Bytes shortFrame(frame.begin(), frame.begin() + 10);
    const auto shortLines = packets::hdrInfoframePreview(shortFrame);
    ASSERT_GE(shortLines.size(), 2u);
    EXPECT_EQ(shortLines[shortLines.size() - 2],
              "Length: the header gives 30 bytes, the list holds 10");

    EXPECT_EQ(packets::hdrTextPreview("82:02:0d:00"),
              std::vector<std::string>{
                  "Not an HDR infoframe: it would begin with 87:01 (type 0x87, version 1)"});
    EXPECT_EQ(packets::hdrTextPreview("87:01:1"),
              std::vector<std::string>{"Not a byte list: value 3 is not two hexadecimal digits"});
    EXPECT_EQ(packets::hdrTextPreview("87"),
              std::vector<std::string>{"Not an HDR infoframe: it would begin with 87:01 "
                                       "(type 0x87, version 1)"});
    EXPECT_TRUE(packets::hdrTextPreview(" \n").empty());
    EXPECT_TRUE(packets::hdrTextPreview("").empty());
}

TEST(PacketsOsd, ParameterRequestHighByteFirstWithZeroReservedBytesAndItsPage) {
    packets::OsdParams p;
    p.enabled = true;
    p.mask = false;
    p.maskLevel = 7;
    p.foreground = 31;
    p.background = 2;
    p.backgroundLevel = 3;
    p.contents = packets::kOsdSourceName | packets::kOsdHdrIf | packets::kOsdRxVideo;
    p.fade = 255;
    p.maskGrey = 15;
    p.ignoreMetadata = true;
    p.x = 300;
    p.y = 1080;
    p.maskX0 = 1;
    p.maskY0 = 950;
    p.maskX1 = 1920;
    p.maskY1 = 0;
    const Bytes request = packets::osdParamsRequest(p);
    const Bytes expected =
        concat({{0x10, 0x25, 0xEB},
                tag("osdparam "),
                {1, 0, 7, 31, 2, 3, 0x91, 255, 15, 1},
                {0, 0, 0, 0, 0, 0},
                {0x01, 0x2C, 0x04, 0x38, 0x00, 0x01, 0x03, 0xB6, 0x07, 0x80, 0, 0}});
    EXPECT_EQ(request, expected);
    EXPECT_EQ(request.size(), packets::kOsdParamsRequestSize);
    EXPECT_EQ(packets::osdParamsFromPage(pageOf(request, 12)), p);

    // Only bit 0 of the metadata byte counts; a short page reads as zeros.
    Bytes page = pageOf(request, 12);
    page[11] = 0xFE;
    EXPECT_FALSE(packets::osdParamsFromPage(page).ignoreMetadata);
    const packets::OsdParams cut =
        packets::osdParamsFromPage(Bytes(page.begin(), page.begin() + 19));
    EXPECT_EQ(cut.fade, 255);
    EXPECT_EQ(cut.x, 0x0100);
    EXPECT_EQ(cut.maskY1, 0);
    EXPECT_EQ(packets::osdParamsFromPage({}),
              packets::OsdParams({false, false, 0, 0, 0, 0, 0, 0, 0, false, 0, 0, 0, 0, 0, 0}));
}

TEST(PacketsOsd, CustomTextOfOneToFortyCharacters) {
    packets::OsdText t;
    t.shown = true;
    t.neverFade = false;
    t.x = 300;
    t.y = 20;
    t.text = "HI";
    EXPECT_EQ(
        packets::osdTextRequest(t).bytes,
        concat({{0x10, 16, 0xEC}, tag("osdtext "), {2, 0x01, 0x01, 0x2C, 0x00, 0x14}, tag("HI")}));
    t.shown = false;
    t.neverFade = true;
    EXPECT_EQ(packets::osdTextRequest(t).bytes[12], 0x02);

    t.text = std::string(40, 'x');
    const packets::Request forty = packets::osdTextRequest(t);
    ASSERT_TRUE(forty.ok());
    EXPECT_EQ(forty.bytes.size(), 57u);
    EXPECT_EQ(forty.bytes[1], 54);
    EXPECT_EQ(forty.bytes[11], 40);

    t.text = std::string(41, 'x');
    EXPECT_EQ(packets::osdTextRequest(t).refusal, "OSD text: too many characters, max is 40");
    t.text = std::string(300, 'x');
    EXPECT_EQ(packets::osdTextRequest(t).refusal, "OSD text: too many characters, max is 40");
    t.text.clear();
    EXPECT_EQ(packets::osdTextRequest(t).refusal, "OSD text: no text is entered");
    EXPECT_TRUE(packets::osdTextRequest(t).bytes.empty());

    Bytes page12(64, 0);
    page12[2] = 5;
    page12[3] = 1;
    const std::string text = "HELLO WORLD";
    std::copy(text.begin(), text.end(), page12.begin() + 8);
    const packets::OsdText read = packets::osdTextFromPage(page12);
    EXPECT_TRUE(read.shown);
    EXPECT_EQ(read.text, "HELLO");
}

TEST(PacketsMacros, RequestWithThresholdsLowByteFirstAndItsPage) {
    packets::Macros m;
    m.enabled = true;
    m.everySync = true;
    m.hdr10Mode = 3;
    m.ruleEnables = 0x55;
    m.rules[0] = {packets::kMinBrightness, packets::macroThreshold(packets::kMinBrightness, 0.05),
                  5};
    m.rules[1] = {packets::kMaxCll, packets::macroThreshold(packets::kMaxCll, 1000), 21};
    m.rules[5] = {packets::kMaxBrightness, packets::macroThreshold(packets::kMaxBrightness, 4000.7),
                  1};
    m.elseMode = 7;
    m.syncDelay = 60;
    m.pictureModes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 21};
    const Bytes request = packets::macroRequest(m);
    const Bytes expected = concat({{0x10, 0x2D, 0xEF},
                                   tag("macro "),
                                   {0x03, 3, 0x55},
                                   {1, 0xF4, 0x01, 5},
                                   {2, 0xE8, 0x03, 21},
                                   {0, 0, 0, 0},
                                   {0, 0, 0, 0},
                                   {0, 0, 0, 0},
                                   {0, 0xA0, 0x0F, 1},
                                   {7, 60},
                                   {0, 1, 2, 3, 4, 5, 6, 7, 8, 21}});
    EXPECT_EQ(request, expected);
    EXPECT_EQ(request.size(), packets::kMacroRequestSize);
    EXPECT_EQ(packets::macrosFromPage(pageOf(request, 9)), m);

    m.ruleEnables = 0xFF;  // there are seven rules
    EXPECT_EQ(packets::macroRequest(m)[11], 0x7F);
    const packets::Macros empty = packets::macrosFromPage(Bytes{0xE0, 0, 0x01});
    EXPECT_TRUE(empty.enabled);
    EXPECT_EQ(empty.syncDelay, 0);
}

TEST(PacketsMacros, ThresholdsFromTheSpinBoxValueAndBack) {
    struct Case {
        std::uint8_t metadata;
        double shown;
        std::uint16_t threshold;
        double back;
    };
    const Case cases[] = {
        {packets::kMinBrightness, 0.05, 500, 0.05},
        {packets::kMinBrightness, 6.5535, 65535, 6.5535},
        {packets::kMinBrightness, 0.0001, 1, 0.0001},
        {packets::kMaxBrightness, 1000, 1000, 1000},
        {packets::kMaxCll, 65535, 65535, 65535},
        {packets::kMaxCll, 70000, 65535, 65535},
        {packets::kMaxBrightness, 99.9, 99, 99},
        {packets::kMaxBrightness, -1, 0, 0},
        {packets::kMaxBrightness, std::numeric_limits<double>::quiet_NaN(), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(packets::macroThreshold(c.metadata, c.shown), c.threshold);
        EXPECT_DOUBLE_EQ(packets::macroThresholdShown(c.metadata, c.threshold), c.back);
    }
}

TEST(PacketsScaler, CodesByIndexAndBackWithFollowForTheRest) {
    const std::uint8_t colourSpaces[] = {0x23, 0x02, 0x06, 0x12, 0x18, 0x09, 0x0F, 0x1B, 0x21};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(packets::colourSpaceCode(i), colourSpaces[i]) << i;
        EXPECT_EQ(packets::colourSpaceIndex(colourSpaces[i]), i) << i;
    }
    const std::uint8_t deepColours[] = {6, 1, 3, 4, 5};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(packets::deepColourCode(i), deepColours[i]) << i;
        EXPECT_EQ(packets::deepColourIndex(deepColours[i]), i) << i;
    }
    for (const int index : {-1, 9, 200}) {
        EXPECT_EQ(packets::colourSpaceCode(index), 0x23) << index;
        EXPECT_EQ(packets::deepColourCode(index == 9 ? 5 : index), 6) << index;
    }
}

TEST(PacketsScaler, RequestPerPortWithResolutionOnlyWhereThePortHasAChoice) {
    packets::ScalerPort zero;
    EXPECT_EQ(packets::scalerRequest(0, zero),
              concat({{0x10, 0x17, 0xE7},
                      tag("param 0"),
                      {0, 0, 0x23, 6, 0, 0, 0x23, 6, 0, 0, 0x23, 6, 0, 0, 0x23, 6}}));

    packets::ScalerPort port1;
    port1.rows[packets::k4k60] = {true, 0, 7, 2};
    port1.rows[packets::k4k30] = {false, 1, 1, 4};
    port1.rows[packets::k1080p60] = {true, 1, 6, 1};  // no choice: sent as 0
    const auto request = packets::scalerRequest(1, port1);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->size(), packets::kScalerRequestSize);
    EXPECT_EQ(*request, concat({{0x10, 0x17, 0xE7},
                                tag("param 1"),
                                {1, 0, 0x1B, 3, 0, 1, 0x02, 5, 1, 0, 0x0F, 1, 0, 0, 0x23, 6}}));

    packets::ScalerPort port0;
    port0.rows[packets::k4k60] = {true, 1, 3, 3};  // no choice: sent as 0
    port0.rows[packets::k1080p30] = {true, 1, 8, 4};
    const auto request0 = packets::scalerRequest(0, port0);
    ASSERT_TRUE(request0.has_value());
    EXPECT_EQ(Bytes(request0->begin() + 10, request0->end()),
              (Bytes{1, 0, 0x12, 4, 0, 0, 0x23, 6, 0, 0, 0x23, 6, 1, 1, 0x21, 5}));

    EXPECT_FALSE(packets::scalerRequest(2, zero).has_value());
    EXPECT_FALSE(packets::scalerRequest(-1, zero).has_value());

    // The page holds what was sent; rows without a choice read as 0.
    port1.rows[packets::k1080p60].resolution = 0;
    EXPECT_EQ(packets::scalerPortFromPage(1, pageOf(*request, 10)), port1);
    port0.rows[packets::k4k60].resolution = 0;
    EXPECT_EQ(packets::scalerPortFromPage(0, pageOf(*request0, 10)), port0);
    // A page of zeros: colour space code 0 is none of the list, deep colour 0 reads as 8-bit.
    for (const packets::ScalerRow& row : packets::scalerPortFromPage(0, {}).rows) {
        EXPECT_EQ(row, (packets::ScalerRow{false, 0, 0, 1}));
    }
}

TEST(PacketsCec, CommonMessagesFromTheBoxsOwnAddressAreValidCecTexts) {
    EXPECT_EQ(packets::cecInitiator(0), 0xE);
    EXPECT_EQ(packets::cecInitiator(1), 0x5);
    EXPECT_EQ(packets::cecInitiator(-1), 0xE);

    const auto find = [](std::string_view start) -> const packets::CecMessage& {
        for (const packets::CecMessage& m : packets::cecMessages()) {
            if (m.name.starts_with(start)) {
                return m;
            }
        }
        ADD_FAILURE() << start;
        return packets::cecMessages().front();
    };
    EXPECT_EQ(packets::cecMessageText(0xE, find("Standby (0x36) [broadcast]")), "ef:36");
    EXPECT_EQ(packets::cecMessageText(0x5, find("Standby (0x36) [broadcast]")), "5f:36");
    EXPECT_EQ(packets::cecMessageText(0x5, find("Image View On")), "50:04");
    EXPECT_EQ(packets::cecMessageText(0xE, find("Active Source")), "ef:82:10:00");
    EXPECT_EQ(packets::cecMessageText(0xE, find("Give Device Power Status")), "e0:8f");
    EXPECT_EQ(packets::cecMessageText(0xE, find("Volume Up")), "e5:44:41");

    const packets::Sender& cec = packets::sender(packets::SenderId::Cec);
    for (const packets::CecMessage& m : packets::cecMessages()) {
        for (const std::uint8_t initiator : {std::uint8_t{0x5}, std::uint8_t{0xE}}) {
            EXPECT_TRUE(packets::prepareTagged(cec, packets::cecMessageText(initiator, m)).ok())
                << m.name;
        }
    }
}

}  // namespace

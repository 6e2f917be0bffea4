// The colour and luminance figures behind the pictures of the HDR IF and DV /
// IF tabs: the captured HDR infoframe (page 20), a custom infoframe's bytes
// and the captured Dolby Vision block (page 13).
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "status/ColourFigures.h"

namespace {

using boxstatus::ChromaPoint;
using boxstatus::ColourPoints;
using boxstatus::HdrFigures;
using boxstatus::LuminanceFigures;
using Bytes = std::vector<std::uint8_t>;

// An HDR infoframe from its type byte: primaries 0..2 and white point in
// units of 0.00002, then the luminances as the frame stores them.
Bytes hdrFrame(std::array<std::uint16_t, 8> chroma, std::array<std::uint16_t, 4> luminance,
               std::uint8_t type = 0x87, std::uint8_t version = 1) {
    Bytes frame = {type, version, 26, 0, 2, 0};
    const auto put = [&frame](std::uint16_t v) {
        frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    for (const std::uint16_t v : chroma) {
        put(v);
    }
    for (const std::uint16_t v : luminance) {
        put(v);
    }
    return frame;
}

ChromaPoint at(double x, double y) {
    return {x, y};
}

constexpr std::array<std::uint16_t, 4> kLuminance = {1000, 50, 1000, 400};
const LuminanceFigures kFigures = {1000.0, 0.005, 1000.0, 400.0};
const ColourPoints kBt2020 = {at(0.708, 0.292), at(0.170, 0.797), at(0.131, 0.046),
                              at(0.3127, 0.329)};

struct HdrCase {
    const char* name;
    Bytes frame;
    std::optional<HdrFigures> expected;
};

void PrintTo(const HdrCase& c, std::ostream* os) {
    *os << c.name;
}

const HdrCase kHdrCases[] = {
    {"GreenBlueRedAsTheStandardOrders",
     hdrFrame({8500, 39850, 6550, 2300, 35400, 14600, 15635, 16450}, kLuminance),
     HdrFigures{kBt2020, kFigures}},
    {"RedGreenBlueOrderComesOutTheSame",
     hdrFrame({35400, 14600, 8500, 39850, 6550, 2300, 15635, 16450}, kLuminance),
     HdrFigures{kBt2020, kFigures}},
    {"BlueRedGreenOrderComesOutTheSame",
     hdrFrame({6550, 2300, 35400, 14600, 8500, 39850, 15635, 16450}, kLuminance),
     HdrFigures{kBt2020, kFigures}},
    {"ZeroPrimariesAndLuminancesAreNotGivenButAZeroMinimumIs",
     hdrFrame({0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0}),
     HdrFigures{ColourPoints{}, LuminanceFigures{std::nullopt, 0.0, std::nullopt, std::nullopt}}},
    {"AMissingPrimaryLeavesTheOthersInTheStandardOrder",
     hdrFrame({8500, 39850, 0, 0, 35400, 14600, 0, 0}, {4000, 1, 0, 0}),
     HdrFigures{ColourPoints{at(0.708, 0.292), at(0.170, 0.797), std::nullopt, std::nullopt},
                LuminanceFigures{4000.0, 0.0001, std::nullopt, std::nullopt}}},
    {"OtherTypeGivesNothing", hdrFrame({}, kLuminance, 0x82), std::nullopt},
    {"OtherVersionGivesNothing", hdrFrame({}, kLuminance, 0x87, 2), std::nullopt},
    {"ShortFrameCountsMissingBytesAsZero", Bytes{0x87, 0x01, 0x1A, 0x00, 0x02, 0x00, 0x34, 0x21},
     HdrFigures{ColourPoints{std::nullopt, at(0.17, 0.0), std::nullopt, std::nullopt},
                LuminanceFigures{std::nullopt, 0.0, std::nullopt, std::nullopt}}},
};

class HdrFiguresTest : public ::testing::TestWithParam<HdrCase> {};

void expectNear(const std::optional<ChromaPoint>& got, const std::optional<ChromaPoint>& want,
                const char* what, double tolerance = 1e-9) {
    ASSERT_EQ(got.has_value(), want.has_value()) << what;
    if (got) {
        EXPECT_NEAR(got->x, want->x, tolerance) << what;
        EXPECT_NEAR(got->y, want->y, tolerance) << what;
    }
}

void expectNear(const std::optional<double>& got, const std::optional<double>& want,
                const char* what) {
    ASSERT_EQ(got.has_value(), want.has_value()) << what;
    if (got) {
        EXPECT_NEAR(*got, *want, 1e-9) << what;
    }
}

void expectFigures(const std::optional<HdrFigures>& got, const std::optional<HdrFigures>& want) {
    ASSERT_EQ(got.has_value(), want.has_value());
    if (!got) {
        return;
    }
    expectNear(got->colour.red, want->colour.red, "red");
    expectNear(got->colour.green, want->colour.green, "green");
    expectNear(got->colour.blue, want->colour.blue, "blue");
    expectNear(got->colour.white, want->colour.white, "white");
    expectNear(got->luminance.maxDisplay, want->luminance.maxDisplay, "max");
    expectNear(got->luminance.minDisplay, want->luminance.minDisplay, "min");
    expectNear(got->luminance.maxCll, want->luminance.maxCll, "MaxCLL");
    expectNear(got->luminance.maxFall, want->luminance.maxFall, "MaxFALL");
}

TEST_P(HdrFiguresTest, FromTheInfoframeBytes) {
    expectFigures(boxstatus::hdrInfoframeFigures(GetParam().frame), GetParam().expected);
}

TEST_P(HdrFiguresTest, FromTheCapturedPageAfterTheEchoAndOneByte) {
    Bytes page = {0xE0, 0x00};
    page.insert(page.end(), GetParam().frame.begin(), GetParam().frame.end());
    page.resize(std::max<std::size_t>(page.size(), 33));
    expectFigures(boxstatus::capturedHdrFigures(page), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, HdrFiguresTest, ::testing::ValuesIn(kHdrCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(CapturedHdrFiguresTest, EmptyPageGivesNothing) {
    EXPECT_FALSE(boxstatus::capturedHdrFigures({}).has_value());
}

// Page 13 with a Dolby Vision block: header (tag 7, length), extended tag 1,
// OUI, then the payload from byte 7.
Bytes dvPage(std::uint8_t length, std::uint8_t versionByte, std::uint8_t extendedTag = 1) {
    Bytes page(28, 0);
    page[0] = 0xE0;
    page[2] = static_cast<std::uint8_t>(0xE0 | length);
    page[3] = extendedTag;
    page[4] = 0x46;
    page[5] = 0xD0;
    page[7] = versionByte;
    page[8] = 0x7F;
    // Red 0xAE 0x52, green 0x44 0xB0, blue 0x26 0x0F.
    const std::uint8_t primaries[] = {0xAE, 0x52, 0x44, 0xB0, 0x26, 0x0F};
    std::copy(std::begin(primaries), std::end(primaries), page.begin() + 11);
    return page;
}

struct DvCase {
    const char* name;
    Bytes page;
    bool primaries;
};

TEST(DolbyVisionPrimariesTest, OnlyAVersion1BlockOf14BytesHasThem) {
    const DvCase cases[] = {
        {"Version1Length14", dvPage(14, 0x2B), true},
        {"Version1Length11", dvPage(11, 0x2B), false},
        {"Version0", dvPage(14, 0x0B), false},
        {"Version2", dvPage(14, 0x4B), false},
        {"NotADolbyVisionBlock", dvPage(14, 0x2B, 0), false},
        {"EmptyPage", {}, false},
    };
    for (const DvCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ColourPoints points = boxstatus::dolbyVisionPrimaries(c.page);
        if (!c.primaries) {
            EXPECT_TRUE(points.empty());
            continue;
        }
        // Binary fractions with the labels' weights: 0xAE = 0.5 + 0.125 +
        // 0.03125 + 0.015625 + 0.007813.
        expectNear(points.red, at(0.679688, 0.320313), "red", 1e-6);
        expectNear(points.green, at(0.265625, 0.6875), "green", 1e-6);
        expectNear(points.blue, at(0.148438, 0.058594), "blue", 1e-6);
        EXPECT_FALSE(points.white.has_value());
    }
}

}  // namespace

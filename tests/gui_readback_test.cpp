// The byte rules of the start-up readback at the edges that a box's pages
// reach only when something is wrong: codes outside the tables, pages
// shorter than their layout, lengths that point beyond the page.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "qt/StartupReadback.h"

namespace {

using namespace gui::readback;
using Bytes = std::vector<std::uint8_t>;

TEST(GuiReadbackCodes, ColourSpaceAndDeepColourCodesMapToTheirItemsAndAllOthersToFollow) {
    const std::map<int, int> colourSpaces = {{2, 1}, {6, 2},  {18, 3}, {24, 4},
                                             {9, 5}, {15, 6}, {27, 7}, {33, 8}};
    const std::map<int, int> deepColours = {{0, 1}, {1, 1}, {2, 1}, {3, 2}, {4, 3}, {5, 4}};
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        const auto cs = colourSpaces.find(code);
        EXPECT_EQ(colourSpaceIndex(c), cs == colourSpaces.end() ? 0 : cs->second) << code;
        const auto dc = deepColours.find(code);
        EXPECT_EQ(deepColourIndex(c), dc == deepColours.end() ? 0 : dc->second) << code;
    }
}

struct InfoframeCase {
    const char* name;
    Bytes page;
    std::optional<std::string> text;
};

TEST(GuiReadbackInfoframe, StopsAtThePageAndRefusesOtherKinds) {
    const InfoframeCase cases[] = {
        {"whole", {0xE0, 0, 0x87, 0x01, 0x02, 0xAA, 0x10, 0x20, 0x30}, "87:01:02:aa:10:20"},
        {"cut at the page", {0xE0, 0, 0x87, 0x01, 0x09, 0xAA, 0x10}, "87:01:09:aa:10"},
        {"length byte missing", {0xE0, 0, 0x87, 0x01}, "87:01"},
        {"other type", {0xE0, 0, 0x82, 0x01, 0x00, 0x00}, std::nullopt},
        {"other version", {0xE0, 0, 0x87, 0x02, 0x00, 0x00}, std::nullopt},
        {"no version byte", {0xE0, 0, 0x87}, std::nullopt},
        {"empty page", {}, std::nullopt},
    };
    for (const InfoframeCase& c : cases) {
        EXPECT_EQ(storedInfoframe(c.page, 0x87, 0x01), c.text) << c.name;
    }
}

TEST(GuiReadbackText, OsdCustomTextAndZeroTerminatedTextsStayInsideThePage) {
    Bytes page12(12, 0);
    page12[2] = 200;
    page12[8] = 'a';
    page12[10] = 'b';
    page12[11] = 'c';
    EXPECT_EQ(osdCustomText(page12), "abc");
    EXPECT_EQ(osdCustomText(Bytes(8, 0x41)), "");
    EXPECT_EQ(osdCustomText({}), "");

    const Bytes unterminated = {0xE0, 0, 'F', 'W', '1'};
    EXPECT_EQ(textAt(unterminated, 2), "FW1");
    EXPECT_EQ(firmwareVersion(unterminated), "FW1");
    EXPECT_EQ(textAt(unterminated, 9), "");
    EXPECT_EQ(firmwareVersion(Bytes{0xE0, 0, 'F'}), "");
    EXPECT_EQ(byteAt(unterminated, 5), 0);
    EXPECT_EQ(wordBe(unterminated, 4), 0x3100);
    EXPECT_EQ(wordLe(unterminated, 4), 0x0031);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "status/PageBytes.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"

namespace {

using boxstatus::TextAction;
using boxstatus::TextUpdates;

// Page buffers as the poll reads them: each of its read length, echo first.
class Pages {
public:
    Pages() {
        for (const auto& read : boxstatus::kSignalPageReads) {
            buffers_[read.page].assign(read.length, 0);
            buffers_[read.page][0] = 0xE0;
        }
    }
    void text(std::uint8_t page, std::size_t at, const char* text) {
        auto& b = buffers_[page];
        for (std::size_t i = 0; text[i] != 0 && at + i < b.size(); ++i) {
            b[at + i] = static_cast<std::uint8_t>(text[i]);
        }
    }
    void bytes(std::uint8_t page, std::size_t at, std::vector<std::uint8_t> values) {
        auto& b = buffers_[page];
        for (std::size_t i = 0; i < values.size() && at + i < b.size(); ++i) {
            b[at + i] = values[i];
        }
    }
    std::vector<std::uint8_t>& raw(std::uint8_t page) { return buffers_[page]; }
    boxstatus::PageSet set() const {
        boxstatus::PageSet pages{};
        for (const auto& [number, bytes] : buffers_) {
            pages[number] = bytes;
        }
        return pages;
    }

private:
    std::map<std::uint8_t, std::vector<std::uint8_t>> buffers_;
};

// widget -> text, std::nullopt for a cleared widget; absent: left alone.
std::map<std::string, std::optional<std::string>> byWidget(const TextUpdates& updates) {
    std::map<std::string, std::optional<std::string>> out;
    for (const auto& u : updates) {
        const std::string name(u.widget);
        EXPECT_EQ(out.count(name), 0u) << name << " updated twice";
        out[name] = u.action == TextAction::Set ? std::optional(u.text) : std::nullopt;
    }
    return out;
}

Pages signalPages() {
    Pages p;
    p.text(1, 6, "3840x2160p60 YCbCr420 8bit");
    p.text(2, 6, "1920x1080p24 RGB 12bit");
    p.text(3, 2, "PCM 2ch 48kHz");
    p.text(4, 2, "DD+ 5.1");
    p.text(5, 6, "TX0 3840x2160p60");
    p.text(6, 6, "TX1 1920x1080p60");
    p.text(7, 10, "OLED TV");
    p.text(8, 10, "AVR");
    return p;
}

TEST(SignalInfo, InputLabelsByIndex) {
    const std::string p1 = "3840x2160p60 YCbCr420 8bit", p2 = "1920x1080p24 RGB 12bit";
    const std::string p3 = "PCM 2ch 48kHz", p4 = "DD+ 5.1";
    using Texts = std::map<std::string, std::optional<std::string>>;
    const struct {
        int index;
        Texts expected;  // the four input labels
    } cases[] = {
        {0,
         {{"lblRx0Info", "RX0: " + p1},
          {"lblRx1Info", std::nullopt},
          {"lblAudInfo", "AUD0: " + p3},
          {"lblAudInfo1", std::nullopt}}},
        {1,
         {{"lblRx0Info", "RX1: " + p1},
          {"lblRx1Info", std::nullopt},
          {"lblAudInfo", "AUD1: " + p3},
          {"lblAudInfo1", std::nullopt}}},
        {2,
         {{"lblRx0Info", "RX1: " + p2},
          {"lblRx1Info", "RX0: " + p1},
          {"lblAudInfo", "RX1-AUD: " + p4},
          {"lblAudInfo1", "RX0-AUD: " + p3}}},
        {3,
         {{"lblRx0Info", "RX1: " + p1},
          {"lblRx1Info", "RX0: " + p2},
          {"lblAudInfo", "RX1-AUD: " + p3},
          {"lblAudInfo1", "RX0-AUD: " + p4}}},
        {-1, {}},
        {4, {}},
    };
    const Pages buffers = signalPages();
    const auto pages = buffers.set();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        auto got = byWidget(boxstatus::signalInfo(pages, c.index));
        Texts inputs;
        for (const char* name : {"lblRx0Info", "lblRx1Info", "lblAudInfo", "lblAudInfo1"}) {
            if (got.count(name)) {
                inputs[name] = got[name];
            }
        }
        EXPECT_EQ(inputs, c.expected);
        // The output labels do not depend on the index.
        EXPECT_EQ(got["lblTx0Info"], "TX0: TX0 3840x2160p60");
        EXPECT_EQ(got["lblTx1Info"], "TX1: TX1 1920x1080p60");
        EXPECT_EQ(got["lblTx0Sink"], "OLED TV");
        EXPECT_EQ(got["lblTx1Sink"], "AVR");
    }
}

TEST(SignalInfo, UnterminatedTextStopsAtThePageEnd) {
    Pages p;
    std::fill(p.raw(1).begin() + 6, p.raw(1).end(), 'A');
    std::fill(p.raw(7).begin() + 10, p.raw(7).end(), 'B');
    auto got = byWidget(boxstatus::signalInfo(p.set(), 0));
    EXPECT_EQ(got["lblRx0Info"], "RX0: " + std::string(54, 'A'));
    EXPECT_EQ(got["lblTx0Sink"], std::string(50, 'B'));
}

TEST(SignalInfo, SourceInfo) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> spd;  // from byte 2 on
        const char* text;
    } cases[] = {
        {"all zero", {0x83, 0x01, 0x19, 0x00}, "Source Info: No Info"},
        {"vendor and product",
         {0x83, 0x01, 0x19, 0x00, 'A', 'C', 'M', 'E', 0, 0, 0, 0, 'P', 'l', 'a', 'y', 'e', 'r'},
         "Source Info: ACME Player"},
        {"fields full, no terminators",
         {0x83, 0x01, 0x19, 0x00, 'V', 'E', 'N', 'D', 'O', 'R', '1', '2', 'P', 'R', 'O', 'D',
          'U',  'C',  'T',  '-',  '-', '-', '-', '-', '-', '-', '-', '9', 'X', 'Y', 'Z'},
         "Source Info: VENDOR12 PRODUCT--------9"},
        {"product only",
         {0x83, 0x01, 0x19, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 'B', 'D'},
         "Source Info:  BD"},
        {"whatever the type", {0x00, 0x00, 0x00, 0x00, 'X'}, "Source Info: X "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pages p;
        p.bytes(17, 2, c.spd);
        EXPECT_EQ(byWidget(boxstatus::signalInfo(p.set(), 0))["lblSpdIf"], c.text);
    }
}

TEST(SignalInfo, InfoframeDumps) {
    const struct {
        std::uint8_t page;
        std::vector<std::uint8_t> frame;  // from byte 2 on
        const char* widget;
        std::optional<std::string> text;
    } cases[] = {
        {18,
         {0x82, 0x02, 0x0D, 0x47, 0x12, 0x28, 0x00, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0x99},
         "txtAviIf",
         "82:02:0d:47:12:28:00:10:00:00:00:00:00:00:00:00:99"},
        {18, {0x82, 0x03, 0x0D, 0x47, 0x12}, "txtAviIf", std::nullopt},
        {18,
         {0x82, 0x02, 0xFF, 0x47, 0x12},
         "txtAviIf",  // 19-byte page: 17 bytes at most
         "82:02:ff:47:12:00:00:00:00:00:00:00:00:00:00:00:00"},
        {19,
         {0x84, 0x01, 0x0A, 0x70, 0x01},
         "AUDtext",
         "84:01:0a:70:01:00:00:00:00:00:00:00:00:00"},
        {19, {0x84, 0x02, 0x0A, 0x70, 0x01}, "AUDtext", std::nullopt},
        {21,
         {0x81, 0x01, 0x05, 0x11, 0x03, 0x0C, 0x00, 0x20, 0x00},
         "txtHvsIf",
         "81:01:05:11:03:0c:00:20:00"},
        {21, {0x82, 0x01, 0x05}, "txtHvsIf", std::nullopt},
        {22, {0x81, 0x01, 0x00, 0xEE}, "txtVsiIf", "81:01:00:ee"},
        {22, {0x81, 0x00, 0x00, 0xEE}, "txtVsiIf", std::nullopt},
        {23, {0x81, 0x01, 0x01, 0xAA, 0xBB}, "txtHfvIf", "81:01:01:aa:bb"},
        {23, {0x80, 0x01, 0x01, 0xAA, 0xBB}, "txtHfvIf", std::nullopt},
        {17, {0x83, 0x01, 0x02, 0x55, 'A', 'B'}, "txtSpdIf", "83:01:02:55:41:42"},
        {17,
         {0x83, 0x01, 0xF0, 0x55},
         "txtSpdIf",  // 33-byte page: 31 bytes at most
         "83:01:f0:55:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:00:"
         "00:00"},
        {17, {0x83, 0x02, 0x02, 0x55}, "txtSpdIf", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.widget) + " " + c.text.value_or("cleared"));
        Pages p;
        p.bytes(c.page, 2, c.frame);
        auto got = byWidget(boxstatus::signalInfo(p.set(), 0));
        ASSERT_EQ(got.count(c.widget), 1u);
        EXPECT_EQ(got[c.widget], c.text);
    }
}

TEST(SignalInfo, PagesNotReadShowEmptyAndClear) {
    // A page that was not read (or whose read failed) is passed empty.
    const boxstatus::PageSet none{};
    auto got = byWidget(boxstatus::signalTexts(none, 0));
    EXPECT_EQ(got["lblRx0Info"], "RX0: ");
    EXPECT_EQ(got["lblAudInfo"], "AUD0: ");
    EXPECT_EQ(got["lblTx0Info"], "TX0: ");
    EXPECT_EQ(got["lblTx1Sink"], "");
    EXPECT_EQ(got["lblSpdIf"], "Source Info: No Info");
    for (const char* box : {"txtAviIf", "AUDtext", "txtHvsIf", "txtVsiIf", "txtHfvIf", "txtSpdIf",
                            "txtHdrIf", "lblHdrEotf", "lblDvVersion", "lblDvWhite"}) {
        EXPECT_EQ(got.count(box), 1u) << box;
        EXPECT_EQ(got[box], std::nullopt) << box;
    }
    EXPECT_EQ(got.count("txtDvBlock"), 0u);
}

TEST(SignalInfo, DecodedMetadataComesLast) {
    Pages p = signalPages();
    p.bytes(13, 2, {0x02, 0x01, 0x46, 0, 0, 0x20});
    p.bytes(20, 2, {0x87, 0x01, 0x1A});
    const auto updates = boxstatus::signalTexts(p.set(), 2);
    const auto position = [&updates](std::string_view widget) {
        for (std::size_t i = 0; i < updates.size(); ++i) {
            if (updates[i].widget == widget) {
                return i;
            }
        }
        ADD_FAILURE() << widget << " missing";
        return updates.size();
    };
    EXPECT_LT(position("txtSpdIf"), position("txtDvBlock"));
    EXPECT_LT(position("lblDvWhite"), position("txtHdrIf"));
    EXPECT_EQ(position("lblHdrWpTarget"), updates.size() - 1);
}

TEST(PageBytes, InfoframeDumpIsBounded) {
    const std::vector<std::uint8_t> page = {0xE0, 0x00, 0x81, 0x01, 0x03, 0x10, 0xAA};
    const struct {
        std::size_t size;
        const char* text;
    } cases[] = {
        {7, "81:01:03:10:aa"}, {5, "81:01:03"}, {3, "81"}, {2, ""}, {0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(boxstatus::infoframeDump(std::span(page).first(c.size)), c.text) << c.size;
    }
}

// Whatever the box sends, and however short the answers are, the decoders
// stay inside the pages (the sanitizer build checks the reads).
TEST(SignalInfo, ArbitraryPagesStayInBounds) {
    std::mt19937 random(2026);
    for (int round = 0; round < 300; ++round) {
        std::map<std::uint8_t, std::vector<std::uint8_t>> buffers;
        boxstatus::PageSet pages{};
        for (const auto& read : boxstatus::kSignalPageReads) {
            const std::size_t length = round % 3 == 0 ? random() % (read.length + 1) : read.length;
            auto& b = buffers[read.page];
            b.resize(length);
            for (auto& byte : b) {
                byte = static_cast<std::uint8_t>(random());
            }
            if (round % 2 == 0 && length > 3) {
                b[3] = 1;  // make the Dolby Vision block and the infoframes count
            }
            pages[read.page] = b;
        }
        for (int index = -1; index <= 4; ++index) {
            for (const auto& u : boxstatus::signalTexts(pages, index)) {
                EXPECT_EQ(std::strlen(u.text.c_str()), u.text.size());
            }
        }
        std::vector<std::uint8_t> status(random() % 70);
        for (auto& byte : status) {
            byte = static_cast<std::uint8_t>(random());
        }
        const auto ops = boxstatus::settingsMirror({status, buffers[7], buffers[13], 0});
        EXPECT_FALSE(ops.empty());
        std::vector<std::uint8_t> epState(80, 0);
        boxstatus::copyEpState(status, epState);
    }
}

}  // namespace

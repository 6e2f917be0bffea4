// Byte lists as users type them, and what each sender makes of a text:
// the request, or the refusal with what is wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packets/ByteList.h"
#include "packets/Rs232.h"
#include "packets/Senders.h"

namespace {

using packets::Bytes;

struct ListCase {
    const char* text;
    Bytes values;
    const char* error;  // "" for a well-formed list
};

TEST(PacketsByteList, WellFormedListsGiveTheirValuesAndMalformedOnesSayWhy) {
    const ListCase cases[] = {
        {"50:04", {0x50, 0x04}, ""},
        {"5f:36", {0x5F, 0x36}, ""},
        {"5F:aB:00:ff", {0x5F, 0xAB, 0x00, 0xFF}, ""},
        {"7e", {0x7E}, ""},
        // The list ends at a blank or line break; what follows is a comment.
        {"aa:bb cc:dd", {0xAA, 0xBB}, ""},
        {"21:89:01:49:50:36 [INPUT 1]", {0x21, 0x89, 0x01, 0x49, 0x50, 0x36}, ""},
        {"50:04\n", {0x50, 0x04}, ""},
        {"50:04\r\n", {0x50, 0x04}, ""},
        {" \t\n50:04", {0x50, 0x04}, ""},
        {"", {}, "no values entered"},
        {" \n ", {}, "no values entered"},
        {"50:4", {}, "value 2 is not two hexadecimal digits"},
        {"5:04", {}, "value 1 is not two hexadecimal digits"},
        {"50:04:", {}, "the list ends with a colon"},
        {"50:04: 07", {}, "the list ends with a colon"},
        {":50", {}, "value 1 is not two hexadecimal digits"},
        {"50::04", {}, "value 2 is not two hexadecimal digits"},
        {"5004", {}, "value 1 is not two hexadecimal digits"},
        {"50:04:5g", {}, "value 3 is not two hexadecimal digits"},
        {"50;04", {}, "value 1 is not two hexadecimal digits"},
        {"50:043", {}, "value 2 is not two hexadecimal digits"},
        {"0x50:04", {}, "value 1 is not two hexadecimal digits"},
        {"50:04,06", {}, "value 2 is not two hexadecimal digits"},
        {"\xB5"
         "0:04",
         {},
         "value 1 is not two hexadecimal digits"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.text);
        const packets::ParsedBytes parsed = packets::parseByteList(c.text);
        EXPECT_EQ(parsed.values, c.values);
        EXPECT_EQ(parsed.error, c.error);
    }
}

TEST(PacketsByteList, TextOfValuesReadsBackAsTheSameValues) {
    Bytes all;
    for (int v = 0; v < 256; ++v) {
        all.push_back(static_cast<std::uint8_t>(v));
    }
    const std::string text = packets::byteListText(all);
    EXPECT_EQ(text.substr(0, 12), "00:01:02:03:");
    EXPECT_EQ(packets::parseByteList(text).values, all);
}

// n values as a well-formed list, 3n - 1 characters.
std::string valuesText(std::size_t n) {
    Bytes values(n);
    for (std::size_t i = 0; i < n; ++i) {
        values[i] = static_cast<std::uint8_t>(0x10 + i);
    }
    return packets::byteListText(values);
}

Bytes tagged(std::uint8_t command, const char* tag, Bytes values) {
    // Grown from a reserved vector: GCC 12 at -O2 takes an insert after an
    // initializer list for a write past its end (-Warray-bounds).
    Bytes r;
    r.reserve(values.size() + 9);
    r.push_back(0x10);
    r.push_back(static_cast<std::uint8_t>(values.size() + 6));
    r.push_back(command);
    r.insert(r.end(), tag, tag + 5);
    r.push_back(static_cast<std::uint8_t>(values.size()));
    r.insert(r.end(), values.begin(), values.end());
    return r;
}

struct PrepareCase {
    packets::SenderId sender;
    std::string text;
    Bytes request;        // empty when refused
    std::string refusal;  // "" when sent
};

TEST(PacketsSenders, EachSenderTakesItsLengthsAndRefusesTheRestSayingWhy) {
    using packets::SenderId;
    const std::string hdr92 = valuesText(31);
    ASSERT_EQ(hdr92.size(), 92u);
    Bytes values31;
    for (std::uint8_t i = 0; i < 31; ++i) {
        values31.push_back(static_cast<std::uint8_t>(0x10 + i));
    }
    const PrepareCase cases[] = {
        {SenderId::Cec, "50:04", tagged(0xEA, "cecif", {0x50, 0x04}), ""},
        {SenderId::Cec, "5f:36", tagged(0xEA, "cecif", {0x5F, 0x36}), ""},
        {SenderId::Cec, "aa:bb cc:dd", tagged(0xEA, "cecif", {0xAA, 0xBB}), ""},
        {SenderId::Cec, "50:4", {}, "Error: min 2, max 16 values: 4 characters, at least 5"},
        {SenderId::Cec, valuesText(16), {}, ""},
        {SenderId::Cec,
         valuesText(17),
         {},
         "Error: min 2, max 16 values: 50 characters, at most 47"},
        {SenderId::Cec,
         "50:04:7",
         {},
         "Error: min 2, max 16 values: value 3 is not two hexadecimal digits"},
        {SenderId::Cec, "50:04:", {}, "Error: min 2, max 16 values: the list ends with a colon"},
        {SenderId::Cec,
         "50040",
         {},
         "Error: min 2, max 16 values: value 1 is not two hexadecimal digits"},
        {SenderId::Cec,
         "5z:04",
         {},
         "Error: min 2, max 16 values: value 1 is not two hexadecimal digits"},
        {SenderId::Cec, "36 standby", {}, "Error: min 2, max 16 values: 1 value, at least 2"},
        {SenderId::Hdr, hdr92, tagged(0xE5, "hdrif", values31), ""},
        {SenderId::Hdr, hdr92 + "\n", {}, "Error: min 2, max 31 bytes: 93 characters, at most 92"},
        {SenderId::Hdr,
         std::string(300, 'a'),
         {},
         "Error: min 2, max 31 bytes: 300 characters, at most 92"},
        {SenderId::Avi, valuesText(17), {}, ""},
        {SenderId::Avi,
         valuesText(17) + " ",
         {},
         "Error: min 2, max 17 bytes: 51 characters, at most 50"},
        {SenderId::Vsi, hdr92, tagged(0xE8, "vsiif", values31), ""},
        {SenderId::Vsi, hdr92 + ":", {}, "Error: min 2, max 31 bytes: 93 characters, at most 92"},
        {SenderId::Vsi, "81:1", {}, "Error: min 2, max 31 bytes: 4 characters, at least 5"},
        {SenderId::DolbyVision, "00:01:02", tagged(0xED, "dviif", {0x00, 0x01, 0x02}), ""},
        {SenderId::DolbyVision,
         hdr92 + "0",
         {},
         "Error: min 2, max 31 bytes: 93 characters, at most 92"},
    };
    for (const PrepareCase& c : cases) {
        const packets::Sender& sender = packets::sender(c.sender);
        SCOPED_TRACE(std::string(sender.name) + " \"" + c.text + "\"");
        const packets::Request request = packets::prepareTagged(sender, c.text);
        EXPECT_EQ(request.refusal, c.refusal);
        if (c.refusal.empty() && !c.request.empty()) {
            EXPECT_EQ(request.bytes, c.request);
        }
        EXPECT_EQ(request.ok(), !request.bytes.empty());
    }
}

// The command line names the senders by their short names.
TEST(PacketsSenders, FoundByShortNameOrSlot) {
    const std::pair<const char*, const char*> names[] = {
        {"hdr", "sendHDR"},   {"avi", "sendAVI"},  {"vsi", "sendVsi"},
        {"dv", "setDvBlock"}, {"cec", "WriteCEC"},
    };
    for (const auto& [name, slot] : names) {
        const packets::Sender* byName = packets::findSender(name);
        ASSERT_NE(byName, nullptr) << name;
        EXPECT_EQ(byName->name, name);
        EXPECT_EQ(packets::findSender(slot), byName) << slot;
    }
    EXPECT_EQ(packets::findSender("osd"), nullptr);
    EXPECT_EQ(packets::findSender(""), nullptr);
}

TEST(PacketsSenders, TaggedRequestTakesOneTo249Values) {
    const packets::Sender& cec = packets::sender(packets::SenderId::Cec);
    EXPECT_TRUE(packets::taggedRequest(cec, Bytes{}).empty());
    const Bytes most(249, 0x42);
    const Bytes request = packets::taggedRequest(cec, most);
    ASSERT_EQ(request.size(), 258u);
    EXPECT_EQ(request[1], 255);
    EXPECT_EQ(request[8], 249);
    EXPECT_TRUE(packets::taggedRequest(cec, Bytes(250, 0x42)).empty());
}

TEST(PacketsRs232, SendsTheValuesWithAClosingZeroAndRefusesWhatIsNoList) {
    struct Case {
        std::string text;
        Bytes request;
        std::string refusal;
    };
    const Case cases[] = {
        {"21:89:01:49:50:36", {0x10, 0x07, 0xF0, 0x21, 0x89, 0x01, 0x49, 0x50, 0x36, 0x00}, ""},
        {"21:89:01:49:50:36 [INPUT 1]",
         {0x10, 0x07, 0xF0, 0x21, 0x89, 0x01, 0x49, 0x50, 0x36, 0x00},
         ""},
        {"0a", {0x10, 0x02, 0xF0, 0x0A, 0x00}, ""},
        {"", {}, "Error: max 16 values: no values entered"},
        {"  \n", {}, "Error: max 16 values: no values entered"},
        {"21:89:1", {}, "Error: max 16 values: value 3 is not two hexadecimal digits"},
        {valuesText(16) + "0", {}, "Error: max 16 values: 48 characters, at most 47"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const packets::Request request = packets::rs232Request(c.text);
        EXPECT_EQ(request.refusal, c.refusal);
        EXPECT_EQ(request.bytes, c.request);
    }
    const packets::Request sixteen = packets::rs232Request(valuesText(16));
    ASSERT_TRUE(sixteen.ok());
    EXPECT_EQ(sixteen.bytes.size(), 20u);
    EXPECT_EQ(sixteen.bytes[1], 17);
    EXPECT_EQ(sixteen.bytes.back(), 0x00);
}

}  // namespace

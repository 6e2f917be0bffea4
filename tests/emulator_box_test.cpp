// The emulated box firmware on its own: answers, state effects, refusals of
// malformed requests, random input, the EDID tables and the named states.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <string>

#include "emulator/Box.h"
#include "emulator/Edid.h"
#include "emulator/Registers.h"
#include "emulator/States.h"
#include "settings/RegisterMap.h"
#include "tests/emulator/Requests.h"

namespace {

using namespace emutest;
using namespace boxlink;
using emu::Box;

Bytes send(Box& box, const Bytes& request) {
    return box.handle(request.data(), request.size()).answer;
}

// Fetches with the given command and reads the buffer in 16 chunks, as the utility does.
emu::Edid readEdid(Box& box, std::uint8_t fetch) {
    EXPECT_EQ(send(box, edidFetch(fetch)), (Bytes{fetch, 0x00}));
    if (fetch == CMD_EDID_FETCH) {
        for (int i = 0; i < 10 && box.edidBusy(); ++i) {
            send(box, statusRead(42));
        }
    }
    emu::Edid e{};
    for (int offset = 0; offset < 256; offset += 16) {
        const Bytes chunk = send(box, edidChunkRead(static_cast<std::uint8_t>(offset)));
        EXPECT_EQ(chunk.size(), 16u) << "offset " << offset;
        std::copy(chunk.begin(), chunk.end(), e.begin() + offset);
    }
    return e;
}

void upload(Box& box, std::uint8_t table, const emu::Edid& image) {
    for (std::uint8_t offset = 0;; offset += 8) {
        EXPECT_EQ(send(box, edidUpload(table, offset, image.data() + offset)),
                  (Bytes{CMD_EDID_DATA, 0x00}));
        if (offset == 248) {
            break;
        }
    }
}

// The settings' register map is the one table of register and EP byte; the
// emulator names every register of it that keeps a byte and keeps each in the
// settings' byte.
TEST(EmuBoxRegisters, TheEmulatorTakesEveryEpByteFromTheSettingsMap) {
    for (const boxsettings::RegisterSlot& row : boxsettings::registerMap()) {
        const auto byte = row.epByte ? row.epByte : row.reportedIn;
        if (!byte) {
            continue;  // an order (hot plug, factory reset), not a setting
        }
        SCOPED_TRACE("register " + std::to_string(row.reg));
        EXPECT_NE(emu::findRegisterName(row.reg), nullptr);
        EXPECT_EQ(emu::registerEpByte(row.reg), std::optional<std::size_t>(*byte));
    }
    for (const emu::RegisterName& name : emu::registerNames()) {
        SCOPED_TRACE("register " + std::to_string(name.reg));
        EXPECT_EQ(emu::registerEpByte(name.reg), boxsettings::registerByte(name.reg));
        EXPECT_TRUE(emu::registerEpByte(name.reg).has_value());
    }
}

TEST(EmuBoxRegisters, EveryRegisterLandsInItsEpStateByteAndNowhereElse) {
    for (const emu::RegisterName& name : emu::registerNames()) {
        const std::uint8_t reg = name.reg;
        const std::size_t epByte = emu::registerEpByte(reg).value_or(0);
        Box box;
        const emu::EpState before = box.ep();
        const std::uint8_t value = static_cast<std::uint8_t>(before[epByte] ^ 0x5A);
        const emu::BoxReply reply = box.handle(registerWrite(reg, value).data(), 5);
        EXPECT_EQ(reply.answer, (Bytes{CMD_REGISTER, 0x00})) << "register " << int(reg);
        EXPECT_TRUE(reply.ignored.empty());
        emu::EpState expected = before;
        expected[epByte] = value;
        EXPECT_EQ(box.ep(), expected) << "register " << int(reg);
        // The status block reports S[n] at answer byte n + 2.
        EXPECT_EQ(send(box, statusRead(64))[epByte + 2], value) << "register " << int(reg);
    }
}

TEST(EmuBoxRegisters, WriteMatchesTheTraceFormat) {
    Box box;
    const emu::BoxReply reply = box.handle(registerWrite(25, 4).data(), 5);
    EXPECT_EQ(reply.description, "register 25 := 4 (S[0], input)");
    const emu::BoxReply volume = box.handle(registerWrite(69, 0xFA).data(), 5);
    EXPECT_EQ(volume.description, "register 69 := -6 (S[47], audio volume)");
}

TEST(EmuBoxRegisters, HdcpLevelIsKeptWhileTheSwitchForcesIt) {
    Box box;
    box.ep()[emu::kHdcpSwitchByte] = 3;  // forced to 2.2
    box.ep()[4] = 3;
    EXPECT_EQ(send(box, registerWrite(30, 2)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_EQ(box.ep()[4], 3);
    box.ep()[emu::kHdcpSwitchByte] = 1;
    send(box, registerWrite(30, 2));
    EXPECT_EQ(box.ep()[4], 2);
}

TEST(EmuBoxRegisters, HotPlugPulseChangesNoSetting) {
    Box box;
    const emu::EpState before = box.ep();
    EXPECT_EQ(send(box, registerWrite(62, 1)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_EQ(box.hotPlugCount(), 1);
    EXPECT_EQ(box.ep(), before);
}

TEST(EmuBoxRegisters, UnknownRegisterIsAnsweredAndChangesNothing) {
    Box box;
    const emu::EpState before = box.ep();
    const emu::BoxReply reply = box.handle(registerWrite(99, 7).data(), 5);
    EXPECT_EQ(reply.answer, (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_NE(reply.description.find("no such setting"), std::string::npos);
    EXPECT_EQ(box.ep(), before);
}

// Factory reset: what each choice restores, and what it leaves alone.
struct ResetCase {
    std::uint8_t value;
    bool tablesRestored;
    bool edidSettingsRestored;
    bool otherSettingsRestored;
};

class EmuBoxFactoryReset : public ::testing::TestWithParam<ResetCase> {};

TEST_P(EmuBoxFactoryReset, RestoresOnlyWhatWasChosen) {
    const ResetCase c = GetParam();
    Box box;
    const Box factory;
    emu::Edid changed = *box.table(1);
    changed[20] ^= 0xFF;
    emu::fixChecksums(changed);
    upload(box, 1, changed);
    send(box, edidCommit(1));
    send(box, registerWrite(29, 3));  // EDID mode custom: S[10]
    send(box, registerWrite(26, 0));  // automatic switching off: S[8]
    send(box, osdText("HELLO", 1, 5, 5));
    box.ep()[emu::kEdidSwitchByte] = 2;  // the switch is moved by hand, not reset

    EXPECT_EQ(send(box, registerWrite(63, c.value)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_EQ(*box.table(1) == *factory.table(1), c.tablesRestored);
    EXPECT_EQ(box.ep()[10] == factory.ep()[10], c.edidSettingsRestored);
    EXPECT_EQ(box.ep()[8] == factory.ep()[8], c.otherSettingsRestored);
    EXPECT_EQ(*box.page(12) == *factory.page(12), c.otherSettingsRestored);
    EXPECT_EQ(box.ep()[emu::kEdidSwitchByte], 2);
}

INSTANTIATE_TEST_SUITE_P(Choices, EmuBoxFactoryReset,
                         ::testing::Values(ResetCase{1, true, true, false},
                                           ResetCase{2, false, false, true},
                                           ResetCase{3, true, true, true},
                                           ResetCase{0, false, false, false},
                                           ResetCase{4, false, false, false}));

TEST(EmuBoxEpState, BlockStoresFortyBytesButNotTheSwitchPositions) {
    Box box;
    const emu::EpState before = box.ep();
    const Bytes block = counting(40, 100);
    EXPECT_EQ(send(box, epStateWrite(block)), (Bytes{CMD_EP_STATE, 0x00}));
    for (std::size_t i = 0; i < 40; ++i) {
        const bool switchByte =
            i == emu::kEdidSwitchByte || i == emu::kHdcpSwitchByte || i == emu::kScalerAvailByte;
        EXPECT_EQ(box.ep()[i], switchByte ? before[i] : block[i]) << "S[" << i << "]";
    }
    EXPECT_TRUE(std::equal(before.begin() + 40, before.end(), box.ep().begin() + 40));
}

TEST(EmuBoxReads, StatusBlockCarriesTheEpStateFromByteTwo) {
    Box box;
    for (std::size_t i = 0; i < emu::kEpStateBytes; ++i) {
        box.ep()[i] = static_cast<std::uint8_t>(i + 1);
    }
    for (std::uint8_t n : std::initializer_list<std::uint8_t>{64, 42, 2, 1}) {
        const Bytes a = send(box, statusRead(n));
        ASSERT_EQ(a.size(), n);
        EXPECT_EQ(a[0], CMD_STATUS);
        for (std::size_t i = 2; i < n; ++i) {
            EXPECT_EQ(a[i], i - 1) << "answer byte " << i;
        }
    }
}

TEST(EmuBoxReads, EveryPageAnswersTheAskedLengthWithTheEcho) {
    Box box;
    std::vector<int> pages;
    for (int p = 0; p < emu::kPageCount; ++p) {
        pages.push_back(p);
    }
    pages.push_back(emu::kMacroPage);
    for (int p : pages) {
        for (std::uint8_t n : std::initializer_list<std::uint8_t>{64, 33, 1}) {
            const Bytes a = send(box, pageRead(static_cast<std::uint8_t>(p), n));
            ASSERT_EQ(a.size(), n) << "page " << p;
            EXPECT_EQ(a[0], CMD_REGISTER);
            EXPECT_TRUE(std::equal(a.begin() + 1, a.end(), box.page(p)->begin() + 1))
                << "page " << p;
        }
    }
}

TEST(EmuBoxReads, PcbRevision) {
    Box box;
    EXPECT_EQ(send(box, pcbRead()), (Bytes{CMD_PCB_REVISION, 1}));
    box.setPcbRevision(0);
    EXPECT_EQ(send(box, pcbRead()), (Bytes{CMD_PCB_REVISION, 0}));
}

// Packets that the box keeps in a register page: the page bytes that the
// utility reads back must be the request's data bytes.
struct PacketCase {
    const char* name;
    Bytes request;
    int page;
    std::size_t pageFrom;  // first page byte that receives data
    std::size_t requestFrom;
    std::size_t count;
};

void PrintTo(const PacketCase& c, std::ostream* os) {
    *os << c.name;
}

class EmuBoxPackets : public ::testing::TestWithParam<PacketCase> {};

TEST_P(EmuBoxPackets, AnswerTheEchoAndFillTheReadbackPage) {
    const PacketCase& c = GetParam();
    Box box;
    const emu::BoxReply reply = box.handle(c.request.data(), c.request.size());
    EXPECT_TRUE(reply.ignored.empty()) << reply.ignored;
    EXPECT_EQ(reply.answer, (Bytes{c.request[2], 0x00}));
    const emu::Page& page = *box.page(c.page);
    for (std::size_t i = 0; i < c.count; ++i) {
        EXPECT_EQ(page[c.pageFrom + i], c.request[c.requestFrom + i])
            << "page byte " << c.pageFrom + i;
    }
    for (std::size_t i = c.pageFrom + c.count; i < 64 && c.page != 12; ++i) {
        EXPECT_EQ(page[i], 0) << "page byte " << i << " after the data";
    }
    const emu::StoredPacket* kept = box.lastPacket(c.request[2]);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->request, c.request);
}

const Bytes kHdr = {0x87, 0x01, 0x1a, 0x91, 0x02, 0x00, 0x34, 0x21, 0xaa, 0x9b,
                    0x96, 0x19, 0xfc, 0x08, 0x48, 0x8a, 0x08, 0x39, 0x13, 0x3d,
                    0x42, 0x40, 0xe8, 0x03, 0x32, 0x00, 0xe8, 0x03, 0x90, 0x01};

INSTANTIATE_TEST_SUITE_P(
    Kinds, EmuBoxPackets,
    ::testing::Values(
        PacketCase{"Hdr", tagged(CMD_HDR_INFOFRAME, "hdrif", kHdr), 14, 2, 9, 30},
        PacketCase{"HdrLongest", tagged(CMD_HDR_INFOFRAME, "hdrif", counting(31, 1)), 14, 2, 9, 31},
        PacketCase{"Avi", tagged(CMD_AVI_INFOFRAME, "aviif", counting(17, 0x82)), 15, 2, 9, 17},
        PacketCase{"Vsi", tagged(CMD_VSI_INFOFRAME, "vsiif", counting(8, 0x81)), 16, 2, 9, 8},
        PacketCase{"OsdParams", osdParams(counting(28, 1)), 11, 2, 12, 28},
        PacketCase{"Macro", macro(counting(39, 1)), 65, 2, 9, 39},
        PacketCase{"ScalePort0", scaleParams(0, counting(16, 1)), 9, 2, 10, 16},
        PacketCase{"ScalePort1", scaleParams(1, counting(16, 1)), 10, 2, 10, 16},
        PacketCase{"OsdTextPosition", osdText("AB", 1, 300, 20), 12, 4, 13, 4},
        PacketCase{"OsdTextCharacters", osdText(std::string(40, 'x'), 3, 1, 1), 12, 8, 17, 40}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(EmuBoxPackets, OsdTextPageHoldsLengthEnabledFlagAndNeverFadeFlag) {
    Box box;
    send(box, osdText("HELLO", 0x03, 20, 20));
    const emu::Page& p = *box.page(12);
    EXPECT_EQ(p[2], 5);
    EXPECT_EQ(p[3], 1);  // "OSD CUSTOM TEXT"
    EXPECT_EQ(emu::pageText(p, 8), "HELLO");
    EXPECT_EQ(p[48], 1);  // "NEVER FADE TEXT"
    send(box, osdText("HI", 0x02, 20, 20));
    EXPECT_EQ(box.page(12)->at(3), 0);
    EXPECT_EQ(emu::pageText(*box.page(12), 8), "HI");
}

// Packets that the box only keeps: framing checked, echo answered.
TEST(EmuBoxPackets, CecDolbyVisionAndRs232AreKeptAndEchoed) {
    Box box;
    const emu::Page pages14 = *box.page(14);
    EXPECT_EQ(send(box, tagged(CMD_CEC_MESSAGE, "cecif", {0x50, 0x04})),
              (Bytes{CMD_CEC_MESSAGE, 0}));
    EXPECT_EQ(send(box, tagged(CMD_CEC_MESSAGE, "cecif", {0x5F, 0x36})),
              (Bytes{CMD_CEC_MESSAGE, 0}));
    EXPECT_EQ(send(box, tagged(CMD_DV_BLOCK, "dviif", counting(15, 0xEE))),
              (Bytes{CMD_DV_BLOCK, 0}));
    EXPECT_EQ(send(box, rs232({0x21, 0x89, 0x01, 0x49, 0x50, 0x36})), (Bytes{CMD_RS232, 0}));
    ASSERT_EQ(box.cecMessages().size(), 2u);
    EXPECT_EQ(box.cecMessages()[0].payload, (Bytes{0x50, 0x04}));
    EXPECT_EQ(box.cecMessages()[1].payload, (Bytes{0x5F, 0x36}));
    EXPECT_EQ(box.lastPacket(CMD_DV_BLOCK)->payload, counting(15, 0xEE));
    ASSERT_EQ(box.rs232Commands().size(), 1u);
    EXPECT_EQ(box.rs232Commands()[0].payload, (Bytes{0x21, 0x89, 0x01, 0x49, 0x50, 0x36}));
    EXPECT_EQ(*box.page(14), pages14);
}

TEST(EmuBoxPackets, HistoryOfCecMessagesIsBounded) {
    Box box;
    for (int i = 0; i < 100; ++i) {
        send(box, tagged(CMD_CEC_MESSAGE, "cecif", {0x40, static_cast<std::uint8_t>(i)}));
    }
    ASSERT_EQ(box.cecMessages().size(), Box::kHistory);
    EXPECT_EQ(box.cecMessages().back().payload[1], 99);
}

// Malformed requests: no answer, a reason, and no change anywhere.
struct MalformedCase {
    const char* name;
    Bytes request;
    const char* reason;  // a part of the reason text
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
    *os << c.name;
}

class EmuBoxMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(EmuBoxMalformed, GetNoAnswerAndChangeNothing) {
    const MalformedCase& c = GetParam();
    Box box;
    const emu::EpState ep = box.ep();
    std::vector<emu::Page> pages;
    for (int p = 0; p <= emu::kMacroPage; ++p) {
        pages.push_back(Box::hasPage(p) ? *box.page(p) : emu::Page{});
    }
    std::vector<emu::Edid> tables;
    for (int t = 1; t <= emu::kCustomTableCount; ++t) {
        tables.push_back(*box.table(t));
    }
    const emu::Edid buffer = box.edidBuffer();

    const emu::BoxReply reply = box.handle(c.request.data(), c.request.size());
    EXPECT_TRUE(reply.answer.empty());
    EXPECT_NE(reply.ignored.find(c.reason), std::string::npos) << "reason: " << reply.ignored;

    EXPECT_EQ(box.ep(), ep);
    for (int p = 0; p <= emu::kMacroPage; ++p) {
        if (Box::hasPage(p)) {
            EXPECT_EQ(*box.page(p), pages[static_cast<std::size_t>(p)]) << "page " << p;
        }
    }
    for (int t = 1; t <= emu::kCustomTableCount; ++t) {
        EXPECT_EQ(*box.table(t), tables[static_cast<std::size_t>(t - 1)]) << "table " << t;
    }
    EXPECT_EQ(box.edidBuffer(), buffer);
    EXPECT_FALSE(box.edidBusy());
    EXPECT_EQ(box.lastPacket(c.request.size() > 2 ? c.request[2] : 0), nullptr);
}

Bytes withByte(Bytes b, std::size_t i, std::uint8_t v) {
    b.at(i) = v;
    return b;
}
Bytes without(Bytes b, std::size_t n = 1) {
    b.erase(b.end() - static_cast<std::ptrdiff_t>(std::min(n, b.size())), b.end());
    return b;
}
Bytes plus(Bytes b, std::uint8_t v) {
    b.push_back(v);
    return b;
}
const std::uint8_t kEight[8] = {1, 2, 3, 4, 5, 6, 7, 8};

INSTANTIATE_TEST_SUITE_P(
    Requests, EmuBoxMalformed,
    ::testing::Values(
        MalformedCase{"Empty", {}, "without bytes"},
        MalformedCase{"TwoBytes", {0x10, 0x04}, "at least 3"},
        MalformedCase{"UnknownKind", {0x12, 0x04, 0xE0, 25, 4}, "unknown request kind"},
        MalformedCase{"UnknownWriteCommand", {0x10, 0x04, 0xC3, 25, 4}, "unknown command"},
        MalformedCase{"UnknownReadCommand", {0x11, 0x04, 0xC3, 0}, "unknown command"},
        MalformedCase{"StatusAsWrite", {0x10, 0x01, CMD_STATUS}, "read with request kind 0x11"},
        MalformedCase{"EpStateAsRead", {0x11, 0x02, CMD_EP_STATE}, "sent with request kind 0x10"},
        MalformedCase{"RegisterLengthByteTwo", withByte(registerWrite(25, 4), 1, 2), "length byte"},
        MalformedCase{"RegisterTooShort", without(registerWrite(25, 4)), "expected 5"},
        MalformedCase{"RegisterTooLong", plus(registerWrite(25, 4), 0), "expected 5"},
        MalformedCase{"EpStateShort", without(epStateWrite(counting(40))), "expected 43"},
        MalformedCase{"EpStateLengthByte", withByte(epStateWrite(counting(40)), 1, 40 - 1),
                      "length byte"},
        MalformedCase{"PageUnknown", pageRead(30, 30), "no page 30"},
        MalformedCase{"Page64", pageRead(64, 30), "no page 64"},
        MalformedCase{"Page66", pageRead(66, 30), "no page 66"},
        MalformedCase{"PageAskedZero", pageRead(1, 0), "at most 64"},
        MalformedCase{"PageAsked65", pageRead(1, 65), "at most 64"},
        MalformedCase{"PageRequestLong", plus(pageRead(1, 60), 0), "expected 4"},
        MalformedCase{"StatusAsked65", statusRead(65), "at most 64"},
        MalformedCase{"StatusRequestLong", plus(statusRead(64), 0), "expected 3"},
        MalformedCase{"PcbAskedZero", withByte(pcbRead(), 1, 0), "at most 64"},
        MalformedCase{"EdidReadPastEnd", withByte(edidChunkRead(241), 1, 16), "past the end"},
        MalformedCase{"EdidReadAsked65", withByte(edidChunkRead(0), 1, 65), "at most 64"},
        MalformedCase{"UploadTable0", edidUpload(0, 0, kEight), "not a custom table"},
        MalformedCase{"UploadTable11", edidUpload(11, 0, kEight), "not a custom table"},
        MalformedCase{"UploadPastEnd", edidUpload(1, 250, kEight), "past byte 255"},
        MalformedCase{"UploadShort", without(edidUpload(1, 0, kEight)), "expected 13"},
        MalformedCase{"UploadCountByte", withByte(edidUpload(1, 0, kEight), 1, 9), "length byte"},
        MalformedCase{"CommitTable11", edidCommit(11), "not a custom table"},
        MalformedCase{"CommitTable0", edidCommit(0), "not a custom table"},
        MalformedCase{"CommitLengthByte", withByte(edidCommit(1), 1, 1), "length byte"},
        MalformedCase{"FetchLengthByte", withByte(edidFetch(CMD_EDID_FETCH), 1, 0), "length byte"},
        MalformedCase{"FetchLong", plus(edidFetch(CMD_EDID_FETCH_TV_A), 0), "expected 3"},
        MalformedCase{"HdrCountByte", withByte(tagged(CMD_HDR_INFOFRAME, "hdrif", kHdr), 8, 29),
                      "count byte"},
        MalformedCase{"HdrLengthByte", withByte(tagged(CMD_HDR_INFOFRAME, "hdrif", kHdr), 1, 35),
                      "length byte"},
        MalformedCase{"HdrTruncated", without(tagged(CMD_HDR_INFOFRAME, "hdrif", kHdr)),
                      "length byte"},
        MalformedCase{"HdrWrongTag", tagged(CMD_HDR_INFOFRAME, "aviif", kHdr), "tag"},
        MalformedCase{"HdrNoData", tagged(CMD_HDR_INFOFRAME, "hdrif", {}), "no data"},
        MalformedCase{"HdrTooLong", tagged(CMD_HDR_INFOFRAME, "hdrif", counting(32)), "at most 31"},
        MalformedCase{
            "AviHeaderOnly", {0x10, 0x06, CMD_AVI_INFOFRAME, 'a', 'v', 'i'}, "at least 9"},
        MalformedCase{"VsiCountByte", withByte(tagged(CMD_VSI_INFOFRAME, "vsiif", {1, 2}), 8, 3),
                      "count byte"},
        MalformedCase{"CecTooLong", tagged(CMD_CEC_MESSAGE, "cecif", counting(17)), "at most 16"},
        MalformedCase{"CecCountByte",
                      withByte(tagged(CMD_CEC_MESSAGE, "cecif", {0x50, 0x04}), 8, 1), "count byte"},
        MalformedCase{"DvWrongTag", tagged(CMD_DV_BLOCK, "dvxif", {1}), "tag"},
        MalformedCase{"Rs232NoClosingZero", withByte(rs232({0x21, 0x89}), 5, 7), "closing 0x00"},
        MalformedCase{"Rs232LengthByte", withByte(rs232({0x21, 0x89}), 1, 2), "length byte"},
        MalformedCase{"Rs232Empty", rs232({}), "no data"},
        MalformedCase{"OsdParamsTag", withByte(osdParams(counting(28)), 3, 'O'), "tag"},
        MalformedCase{"OsdParamsShort", without(osdParams(counting(28))), "expected 40"},
        MalformedCase{"OsdTextCount", withByte(osdText("HELLO", 1, 1, 1), 11, 4), "count byte"},
        MalformedCase{"OsdTextLengthByte", withByte(osdText("HELLO", 1, 1, 1), 1, 20),
                      "length byte"},
        MalformedCase{"OsdText41", osdText(std::string(41, 'x'), 1, 1, 1), "at most 40"},
        MalformedCase{"MacroTag", withByte(macro(counting(39)), 8, '_'), "tag"},
        MalformedCase{"MacroLong", plus(macro(counting(39)), 0), "expected 48"},
        MalformedCase{"ScalePort2", withByte(scaleParams(0, counting(16)), 9, '2'), "param 1"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(EmuBoxFuzz, RandomRequestsNeverCrashAndAnswersStayWithin64Bytes) {
    std::mt19937 random(20260101u);
    const std::uint8_t kinds[] = {0x10, 0x11, 0x10, 0x11, 0x12, 0xFF};
    const std::uint8_t commands[] = {0xE0, 0xE1, 0xE2, 0xE5, 0xE6, 0xE7, 0xE8, 0xEA,
                                     0xEB, 0xEC, 0xED, 0xEF, 0xF0, 0xB0, 0xB1, 0xB4,
                                     0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0x00, 0x7F};
    // Valid requests, mutated: the random bytes then reach deep into the handlers.
    const std::vector<Bytes> seeds = {registerWrite(25, 2),
                                      pageRead(20, 33),
                                      statusRead(64),
                                      pcbRead(),
                                      epStateWrite(counting(40)),
                                      tagged(CMD_HDR_INFOFRAME, "hdrif", kHdr),
                                      tagged(CMD_CEC_MESSAGE, "cecif", {0x50, 0x04}),
                                      osdParams(counting(28)),
                                      osdText("HELLO", 1, 20, 20),
                                      macro(counting(39)),
                                      scaleParams(1, counting(16)),
                                      rs232({0x21, 0x89}),
                                      edidFetch(CMD_EDID_FETCH),
                                      edidChunkRead(32),
                                      edidUpload(2, 16, kEight),
                                      edidCommit(2)};
    Box box;
    int answered = 0;
    for (int i = 0; i < 30000; ++i) {
        Bytes r;
        if (i % 2 == 0) {
            r.resize(random() % 72);
            for (auto& b : r) {
                b = static_cast<std::uint8_t>(random());
            }
            if (!r.empty()) {
                r[0] = kinds[random() % std::size(kinds)];
            }
            if (r.size() > 2) {
                r[2] = commands[random() % std::size(commands)];
            }
            if (r.size() > 1 && random() % 2 == 0) {
                r[1] = static_cast<std::uint8_t>(r.size() - 3);  // a fitting length byte
            }
        } else {
            r = seeds[random() % seeds.size()];
            switch (random() % 4) {
                case 0:
                    r[random() % r.size()] = static_cast<std::uint8_t>(random());
                    break;
                case 1:
                    r.resize(random() % r.size());
                    break;
                case 2:
                    r.push_back(static_cast<std::uint8_t>(random()));
                    break;
                default:
                    break;  // unchanged
            }
        }
        const emu::BoxReply reply = box.handle(r.data(), r.size());
        EXPECT_LE(reply.answer.size(), 64u);
        EXPECT_TRUE(reply.answer.empty() || reply.ignored.empty());
        EXPECT_FALSE(reply.description.empty() && reply.ignored.empty());
        answered += reply.answer.empty() ? 0 : 1;
    }
    EXPECT_GT(answered, 3000);  // the fuzz reaches the handlers, not only the refusals
}

TEST(EmuBoxFuzz, FlashPacketsGoToTheFlashModel) {
    Box box;
    const Bytes ready = {0x01, 0x01, 0xDA};  // ready poll of the flash protocol
    const emu::BoxReply reply = box.handle(ready.data(), ready.size());
    EXPECT_TRUE(reply.ignored.empty());
    EXPECT_FALSE(reply.description.empty());
    EXPECT_EQ(box.ep(), Box().ep());
}

// EDID sources of the fetch commands.
TEST(EmuBoxEdid, TvFetchesGiveTheSinksEdids) {
    Box box;
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_TV_A), *box.sink(0));
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_TV_B), *box.sink(1));
    box.sink(1).reset();
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_TV_B), emu::Edid{});
}

struct PresentedCase {
    const char* name;
    std::uint8_t edidSwitch;
    std::uint8_t mode;      // S[10]
    std::uint8_t botTable;  // S[13]
    std::uint8_t topTable;  // S[12]
    // what port 0 and port 1 present: 'A' TX0 TV, 'B' TX1 TV, 'F' fixed, or a table number
    int port0;
    int port1;
};

void PrintTo(const PresentedCase& c, std::ostream* os) {
    *os << c.name;
}

class EmuBoxPresentedEdid : public ::testing::TestWithParam<PresentedCase> {};

TEST_P(EmuBoxPresentedEdid, FollowsTheModeAndTables) {
    const PresentedCase& c = GetParam();
    Box box;
    box.ep()[emu::kEdidSwitchByte] = c.edidSwitch;
    box.ep()[10] = c.mode;
    box.ep()[13] = c.botTable;
    box.ep()[12] = c.topTable;
    auto expected = [&](int what) -> emu::Edid {
        if (what == 'A') {
            return *box.sink(0);
        }
        if (what == 'B') {
            return *box.sink(1);
        }
        if (what == 'F') {
            return emu::fixedEdid();
        }
        return *box.table(what);
    };
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_RX_BOT), expected(c.port0));
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_RX_TOP), expected(c.port1));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EmuBoxPresentedEdid,
    ::testing::Values(PresentedCase{"Automix", 3, 1, 1, 0, 'A', 'A'},
                      PresentedCase{"Fixed", 3, 2, 1, 0, 'F', 'F'},
                      PresentedCase{"CustomFollow", 3, 3, 5, 0, 5, 5},
                      PresentedCase{"CustomTwoTables", 3, 3, 5, 46, 5, 46},
                      PresentedCase{"CopyTop", 3, 4, 1, 0, 'B', 'B'},
                      PresentedCase{"CopyBot", 3, 5, 1, 0, 'A', 'A'},
                      PresentedCase{"SwitchAtFixedOverridesMode", 2, 3, 5, 0, 'F', 'F'},
                      PresentedCase{"SwitchAtAutomixOverridesMode", 1, 2, 5, 0, 'A', 'A'},
                      PresentedCase{"CustomTableOutOfRange", 3, 3, 0, 101, 'F', 'F'}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(EmuBoxEdid, CurrentEdidFetchIsBusyForSomeStatusReadsThenReady) {
    Box box;
    box.ep()[10] = 3;
    box.ep()[13] = 7;
    EXPECT_EQ(send(box, edidFetch(CMD_EDID_FETCH)), (Bytes{CMD_EDID_FETCH, 0x00}));
    for (int i = 0; i < emu::kDefaultBusyReads; ++i) {
        EXPECT_EQ(send(box, statusRead(42))[1] & 1, 1) << "status read " << i;
    }
    EXPECT_EQ(send(box, statusRead(42))[1] & 1, 0);
    EXPECT_EQ(box.edidBuffer(), *box.table(7));
}

TEST(EmuBoxEdid, CurrentEdidBufferIsStaleWhileBusy) {
    Box box;
    readEdid(box, CMD_EDID_FETCH_TV_B);
    box.setBusyReads(2);
    send(box, edidFetch(CMD_EDID_FETCH));
    EXPECT_EQ(box.edidBuffer(), *box.sink(1));  // a reader that skips the busy poll gets old data
    send(box, statusRead(42));
    send(box, statusRead(42));
    EXPECT_EQ(box.edidBuffer(), *box.sink(0));  // automix of the TX0 TV
}

TEST(EmuBoxEdid, CurrentEdidFollowsTheActiveInput) {
    Box box;
    box.ep()[10] = 3;
    box.ep()[13] = 2;
    box.ep()[12] = 9;
    box.ep()[0] = 2;  // TOP
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH), *box.table(9));
    box.setBusyReads(0);
    box.ep()[0] = 1;
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH), *box.table(2));
}

TEST(EmuBoxEdid, UploadIsStagedUntilTheCommit) {
    Box box;
    emu::Edid image = *box.sink(1);
    const emu::Edid before = *box.table(3);
    upload(box, 3, image);
    EXPECT_EQ(*box.table(3), before);
    const emu::BoxReply commit = box.handle(edidCommit(3).data(), 4);
    EXPECT_EQ(commit.answer, (Bytes{CMD_EDID_COMMIT, 0x00}));
    EXPECT_NE(commit.description.find("32 of 32 chunks"), std::string::npos) << commit.description;
    EXPECT_EQ(*box.table(3), image);
    box.ep()[10] = 3;
    box.ep()[13] = 3;
    EXPECT_EQ(readEdid(box, CMD_EDID_FETCH_RX_BOT), image);
    // Every other table is untouched.
    const Box fresh;
    for (int t = 1; t <= emu::kEdidTableCount; ++t) {
        if (t != 3) {
            EXPECT_EQ(*box.table(t), *fresh.table(t)) << "table " << t;
        }
    }
}

TEST(EmuBoxEdid, CommitKeepsAnImageWithWrongChecksums) {
    Box box;
    emu::Edid image = *box.table(10);
    image[127] ^= 1;
    upload(box, 10, image);
    const emu::BoxReply commit = box.handle(edidCommit(10).data(), 4);
    EXPECT_NE(commit.description.find("WRONG"), std::string::npos);
    EXPECT_EQ(*box.table(10), image);
}

// The EDID tables: valid EDIDs whose name and timings match their captions.
int preferredWidth(const emu::Edid& e) {
    return e[56] | ((e[58] >> 4) << 8);
}

// The CTA data blocks as (tag, extended tag) pairs; fails when the blocks do
// not end exactly at the detailed timings.
std::vector<std::pair<int, int>> ctaBlocks(const emu::Edid& e) {
    std::vector<std::pair<int, int>> blocks;
    const std::size_t end = 128u + e[130];
    std::size_t i = 132;
    while (i < end) {
        const int tag = e[i] >> 5;
        const std::size_t length = e[i] & 0x1F;
        blocks.emplace_back(tag, tag == 7 && length > 0 ? e[i + 1] : -1);
        i += 1 + length;
    }
    EXPECT_EQ(i, end);
    return blocks;
}

bool hasBlock(const std::vector<std::pair<int, int>>& blocks, int tag, int extended = -1) {
    return std::find(blocks.begin(), blocks.end(), std::make_pair(tag, extended)) != blocks.end();
}

// A vendor-specific video data block with the Dolby Vision OUI 00-D0-46.
bool hasDolbyVisionBlock(const emu::Edid& e) {
    for (std::size_t i = 132; i < 128u + e[130]; i += 1 + (e[i] & 0x1F)) {
        if ((e[i] >> 5) == 7 && e[i + 1] == 1 && e[i + 2] == 0x46 && e[i + 3] == 0xD0 &&
            e[i + 4] == 0) {
            return true;
        }
    }
    return false;
}

TEST(EmuEdidTables, AllHundredAreValidAndMatchTheirCaptions) {
    for (int t = 1; t <= emu::kEdidTableCount; ++t) {
        SCOPED_TRACE("table " + std::to_string(t) + " " + std::string(emu::edidTableName(t)));
        const emu::Edid e = emu::defaultTableEdid(t);
        EXPECT_TRUE(emu::checksumsValid(e));
        EXPECT_EQ((Bytes(e.begin(), e.begin() + 8)),
                  (Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0}));
        EXPECT_EQ(e[126], 1);
        EXPECT_EQ(e[128], 0x02);
        const auto blocks = ctaBlocks(e);
        const std::string name = emu::monitorName(e);
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 13u);
        if (t <= emu::kCustomTableCount) {
            EXPECT_EQ(name, "CUSTOM " + std::to_string(t));
            const std::string caption(emu::edidTableName(t));
            const bool dolbyVision = caption.find("DV") != std::string::npos &&
                                     caption.find("no DV") == std::string::npos;
            EXPECT_EQ(hasDolbyVisionBlock(e), dolbyVision);
            continue;
        }
        const std::string caption(emu::edidTableName(t));
        const std::string format =
            caption.substr(caption.find(" - ") + 3, caption.find('-', 5) - caption.find(" - ") - 3);
        std::string upper = format;
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        std::string upperName = name;
        std::transform(upperName.begin(), upperName.end(), upperName.begin(), ::toupper);
        EXPECT_EQ(upperName.rfind(upper, 0), 0u) << name;
        const int width = preferredWidth(e);
        if (format[0] == '4' && format[1] != '8') {
            EXPECT_EQ(width, 3840);
        } else if (format.rfind("1080", 0) == 0) {
            EXPECT_EQ(width, 1920);
        } else if (format.rfind("720", 0) == 0) {
            EXPECT_EQ(width, 1280);
        } else {
            EXPECT_EQ(width, 720);
        }
        EXPECT_EQ(hasBlock(blocks, 7, 6), caption.find("HDR") != std::string::npos);
        EXPECT_EQ(hasBlock(blocks, 7, 5), caption.find("BT2020") != std::string::npos);
        EXPECT_EQ(hasBlock(blocks, 7, 14), caption.find("4K60-420") != std::string::npos ||
                                               caption.find("4k60-420") != std::string::npos);
        // Stereo tables offer two-channel PCM only: one short audio descriptor.
        const std::size_t audio = 132 + 1 + (e[132] & 0x1F);
        ASSERT_EQ(e[audio] >> 5, 1);
        EXPECT_EQ((e[audio] & 0x1F) == 3, caption.find("Stereo") != std::string::npos);
    }
}

TEST(EmuEdidTables, FixedEdidIs4K60With420At300MHz) {
    const emu::Edid e = emu::fixedEdid();
    EXPECT_TRUE(emu::checksumsValid(e));
    const auto blocks = ctaBlocks(e);
    EXPECT_TRUE(hasBlock(blocks, 7, 14));  // 4K60 in 4:2:0 only
    EXPECT_FALSE(hasBlock(blocks, 7, 6));
}

TEST(EmuEdidTables, CaptionsAreTheUtilitysList) {
    EXPECT_EQ(emu::edidTableName(1), "1 - Custom Default [FULL no DV]");
    EXPECT_EQ(emu::edidTableName(13), "13 - 4K60-444 600MHz HDR BT2020 Stereo ");
    EXPECT_EQ(emu::edidTableName(45), "45 - 4k60-420 8-bit 300MHz SPDIF");
    EXPECT_EQ(emu::edidTableName(100), "100 - 480p60-444 8-bit Stereo");
    EXPECT_TRUE(emu::edidTableName(0).empty());
    EXPECT_TRUE(emu::edidTableName(101).empty());
}

// The named states: what the utility decodes from them.
std::uint16_t le16(const emu::Page& p, std::size_t at) {
    return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}

TEST(EmuStates, DefaultIsA4KHdrSourceWithTwoTvs) {
    Box box;
    EXPECT_EQ(emu::pageText(*box.page(0), 2).rfind("FW", 0), 0u);
    EXPECT_EQ(emu::pageText(*box.page(1), 6).rfind("3840x2160p60", 0), 0u);
    EXPECT_NE(emu::pageText(*box.page(1), 6).find("HDCP2.2"), std::string::npos);
    EXPECT_FALSE(emu::pageText(*box.page(3), 2).empty());
    EXPECT_EQ(emu::pageText(*box.page(7), 10), emu::monitorName(*box.sink(0)));
    EXPECT_EQ(emu::pageText(*box.page(8), 10), emu::monitorName(*box.sink(1)));
    EXPECT_FALSE(emu::pageText(*box.page(7), 10).empty());

    const emu::Page& hdr = *box.page(20);
    EXPECT_EQ(hdr[2], 0x87);
    EXPECT_EQ(hdr[3], 0x01);
    EXPECT_EQ(hdr[6], 2);                                                        // SMPTE ST 2084
    const std::uint16_t primaries[6] = {8500, 39850, 6550, 2300, 35400, 14600};  // green, blue, red
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(le16(hdr, 8 + 2 * i), primaries[i]);
    }
    EXPECT_EQ(le16(hdr, 20), 15635);
    EXPECT_EQ(le16(hdr, 22), 16450);
    EXPECT_EQ(le16(hdr, 24), 1000);
    EXPECT_EQ(le16(hdr, 26), 50);
    EXPECT_EQ(le16(hdr, 28), 1000);
    EXPECT_EQ(le16(hdr, 30), 400);

    const emu::Page& dv = *box.page(13);
    EXPECT_EQ(dv[3], 1);          // extended tag
    EXPECT_EQ(dv[2] & 0x1F, 14);  // L
    EXPECT_EQ(dv[7] >> 5, 1);     // version

    const emu::Page& spd = *box.page(17);
    EXPECT_EQ(spd[2], 0x83);
    EXPECT_NE(spd[6], 0);   // vendor
    EXPECT_NE(spd[14], 0);  // product

    const emu::EpState& s = box.ep();
    EXPECT_EQ(s[3], 3);  // EDID switch custom
    EXPECT_EQ(s[6], 1);  // HDCP software-selectable
    EXPECT_EQ(s[7], 1);  // all scaling controls
    EXPECT_EQ(s[8], 1);  // automatic switching on
    EXPECT_EQ(s[26], 8);
    EXPECT_EQ(s[27], 8);
    EXPECT_EQ(s[28], 8);
    EXPECT_EQ(box.pcbRevision(), 1);
    // The scaler pages hold codes that the utility's tables know.
    for (int p : {9, 10}) {
        for (std::size_t g = 0; g < 4; ++g) {
            const std::uint8_t cs = box.page(p)->at(4 + 4 * g);
            const std::uint8_t dc = box.page(p)->at(5 + 4 * g);
            EXPECT_NE(
                std::string("\x23\x02\x06\x12\x18\x09\x0F\x1B\x21").find(static_cast<char>(cs)),
                std::string::npos);
            EXPECT_TRUE(dc == 6 || (dc >= 1 && dc <= 5));
        }
    }
}

TEST(EmuStates, SdrHasNoHdrInfoframeAndNoDolbyVisionBlock) {
    Box box(*emu::findState("sdr"));
    EXPECT_EQ(box.page(20)->at(2), 0);
    EXPECT_NE(box.page(13)->at(3), 1);
    EXPECT_EQ(emu::pageText(*box.page(1), 6).rfind("1920x1080p60", 0), 0u);
}

TEST(EmuStates, EveryStateKeepsTextsAndInfoframesWithinTheirReads) {
    struct TextField {
        int page;
        std::size_t at;
        std::size_t readLength;
    };
    const TextField texts[] = {{0, 2, 27}, {1, 6, 60}, {2, 6, 60},  {3, 2, 33}, {4, 2, 33},
                               {5, 6, 60}, {6, 6, 60}, {7, 10, 60}, {8, 10, 60}};
    for (const emu::NamedState& named : emu::namedStates()) {
        // Every input selection, so that both inputs' pages are looked at.
        for (std::uint8_t selection = 1; selection <= 4; ++selection) {
            SCOPED_TRACE(std::string(named.name) + ", S[0] = " + std::to_string(selection));
            Box box(named.make());
            box.ep()[0] = selection;
            for (const TextField& f : texts) {
                EXPECT_LT(f.at + emu::pageText(*box.page(f.page), f.at).size(), f.readLength)
                    << "page " << f.page;
            }
            for (int p : {14, 15, 16, 17, 18, 19, 20, 21, 22, 23}) {
                const emu::Page& page = *box.page(p);
                if (page[2] == 0) {
                    continue;
                }
                unsigned sum = 0;
                for (std::size_t i = 2; i < 6u + page[4]; ++i) {
                    sum += page[i];
                }
                EXPECT_EQ(sum % 256, 0u) << "infoframe checksum of page " << p;
            }
        }
    }
}

// The two inputs carry different sources, and the pages that describe an
// input show the one that the input selection routes there.
TEST(EmuInputs, PagesFollowTheInputSelection) {
    const std::string port0 = "3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2";
    const std::string port1 = "1920x1080p60 RGB 8bit SDR HDCP1.4";
    const std::string audio0 = "TrueHD Atmos 8ch 48kHz HBR";
    const std::string audio1 = "PCM 2ch 48kHz 16bit";
    const struct {
        std::uint8_t selection;
        int firstPath;   // pages 1, 3, 5, 17..23
        int secondPath;  // pages 2, 4
        int tx1;         // page 6
    } cases[] = {
        {1, 0, 1, 0}, {2, 1, 0, 1}, {3, 0, 1, 1}, {4, 1, 0, 0}, {0, 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("S[0] = " + std::to_string(c.selection));
        Box box;
        ASSERT_EQ(send(box, registerWrite(25, c.selection)), (Bytes{CMD_REGISTER, 0x00}));
        // The page as the utility reads it, byte 0 being the echo.
        auto read = [&](std::uint8_t page) {
            Bytes answer = send(box, pageRead(page, 64));
            EXPECT_EQ(answer.size(), 64u);
            answer.resize(64);
            answer[0] = 0;
            return answer;
        };
        auto of = [&](int port, int key) {
            const emu::Page& p = box.input(port).at(key);
            return Bytes(p.begin(), p.end());
        };
        for (int p : {1, 3, 5, 17, 18, 19, 20, 21, 22, 23}) {
            EXPECT_EQ(read(static_cast<std::uint8_t>(p)), of(c.firstPath, p)) << "page " << p;
        }
        EXPECT_EQ(read(2), of(c.secondPath, 1));
        EXPECT_EQ(read(4), of(c.secondPath, 3));
        EXPECT_EQ(read(6), of(c.tx1, 6));

        const auto text = [&](int page, std::size_t at) {
            return emu::pageText(*box.page(page), at);
        };
        EXPECT_EQ(text(1, 6), c.firstPath == 0 ? port0 : port1);
        EXPECT_EQ(text(2, 6), c.secondPath == 0 ? port0 : port1);
        EXPECT_EQ(text(3, 2), c.firstPath == 0 ? audio0 : audio1);
        EXPECT_EQ(text(4, 2), c.secondPath == 0 ? audio0 : audio1);
        EXPECT_EQ(text(17, 6).substr(0, 8), c.firstPath == 0 ? "Mediabox" : "Streamer");
        EXPECT_EQ(box.page(20)->at(2), c.firstPath == 0 ? 0x87 : 0x00);  // HDR10 on port 0 only
    }
}

TEST(EmuInputs, APageWriteGoesToTheInputRoutedThere) {
    Box box;
    send(box, registerWrite(25, 2));  // TOP
    emu::putText(*box.page(1), 6, "640x480p60");
    EXPECT_EQ(emu::pageText(box.input(1).at(1), 6), "640x480p60");
    send(box, registerWrite(25, 1));  // BOT
    EXPECT_NE(emu::pageText(*box.page(1), 6), "640x480p60");
    EXPECT_EQ(emu::pageText(*box.page(2), 6), "640x480p60");
}

TEST(EmuStates, LoadSignalKeepsTheSettings) {
    Box box;
    send(box, registerWrite(26, 0));
    send(box, osdText("KEEP", 1, 1, 1));
    box.loadSignal(*emu::findState("sdr"));
    EXPECT_EQ(box.ep()[8], 0);
    EXPECT_EQ(emu::pageText(*box.page(12), 8), "KEEP");
    EXPECT_EQ(box.page(20)->at(2), 0);
    box.load(*emu::findState("default"));
    EXPECT_EQ(box.ep()[8], 1);
}

}  // namespace

// The emulated box's flash programming protocol: the firmware's answers, the
// rules of the SPI NOR flash behind it, and the faults it can be told to show.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "emulator/flash/FlashProtocol.h"
#include "tests/updater/UpdaterTestSupport.h"

namespace {

using updater_test::Bytes;

std::uint8_t negatedSum(const Bytes& bytes) {
    unsigned sum = 0;
    for (auto b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

Bytes control(std::uint8_t code) {
    return {0x01, 0x01, code};
}
const Bytes kWriteEnable{0x00, 0x04, 0xD0, 0x06};
const Bytes kReadStatus{0x01, 0x01, 0xD0, 0x05};
Bytes erase(std::uint8_t sector) {
    return {0x00, 0x07, 0xD0, 0xD8, sector, 0x00, 0x00};
}

Bytes pageWrite(std::uint32_t address, const Bytes& data) {
    Bytes p(data.size() + 8);
    p[0] = 0x00;
    p[1] = static_cast<std::uint8_t>(data.size());
    p[2] = 0xD7;
    p[3] = 0x02;
    p[4] = static_cast<std::uint8_t>(address >> 16);
    p[5] = static_cast<std::uint8_t>(address >> 8);
    p[6] = static_cast<std::uint8_t>(address);
    std::copy(data.begin(), data.end(), p.begin() + 7);
    p.back() = negatedSum(data);
    return p;
}

class FlashModel : public ::testing::Test {
protected:
    Bytes send(const Bytes& packet) { return flash.handle(packet.data(), packet.size()).answer; }
    Bytes at(std::uint32_t address, std::size_t n) const {
        const auto& c = flash.contents();
        return Bytes(c.begin() + address, c.begin() + address + static_cast<std::ptrdiff_t>(n));
    }
    void holdInReset() { ASSERT_EQ(send(control(0xD8)), Bytes{0xD8}); }
    // Erases a sector and polls until the flash is no longer busy.
    void eraseSector(std::uint8_t sector) {
        ASSERT_EQ(send(kWriteEnable), Bytes{0x26});
        ASSERT_EQ(send(erase(sector)), Bytes{negatedSum(erase(sector))});
        for (int i = 0; i < 100 && (send(kReadStatus).at(0) & 1) != 0; ++i) {
        }
    }

    emu::FlashProtocol flash;
};

TEST_F(FlashModel, ControlCommandsEchoTheirCode) {
    for (std::uint8_t code :
         std::initializer_list<std::uint8_t>{0xD5, 0xD6, 0xD8, 0xD9, 0xDB, 0xDC}) {
        EXPECT_EQ(send(control(code)), Bytes{code}) << std::hex << int{code};
    }
}

TEST_F(FlashModel, EraseAnswersTheNegatedPacketSumAndErasesOnlyItsSector) {
    ASSERT_EQ(flash.control("fill 0x5A"), "ok");
    holdInReset();
    const struct {
        std::uint8_t sector;
        std::uint8_t answer;
    } cases[] = {{0, 0x51}, {16, 0x41}, {29, 0x34}};
    for (const auto& c : cases) {
        EXPECT_EQ(send(kWriteEnable), Bytes{0x26});
        EXPECT_EQ(send(erase(c.sector)), Bytes{c.answer}) << int{c.sector};
        while ((send(kReadStatus).at(0) & 1) != 0) {
        }
        const std::uint32_t start = c.sector * 0x10000u;
        EXPECT_EQ(at(start, 0x10000), Bytes(0x10000, 0xFF));
        if (start > 0) {
            EXPECT_EQ(at(start - 1, 1), Bytes{0x5A});
        }
        EXPECT_EQ(at(start + 0x10000, 1), Bytes{0x5A});
    }
}

TEST_F(FlashModel, EraseKeepsTheFlashBusyForTheConfiguredPollsThenClears) {
    ASSERT_EQ(flash.control("erase-polls 4"), "ok");
    holdInReset();
    send(kWriteEnable);
    send(erase(3));
    for (int i = 0; i < 4; ++i) {
        // A busy flash takes no instruction.
        EXPECT_NE(send(kWriteEnable), Bytes{0x26});
        EXPECT_EQ(send(kReadStatus).at(0) & 1, 1) << "poll " << i;
    }
    EXPECT_EQ(send(kReadStatus), Bytes{0x00});
}

TEST_F(FlashModel, InstructionsThatTheFlashDoesNotCarryOutGetAWrongAnswerAndChangeNothing) {
    ASSERT_EQ(flash.control("fill 0x5A"), "ok");
    const Bytes data = updater_test::pattern(32, 1);
    struct Case {
        const char* name;
        std::vector<Bytes> before;
        Bytes packet;
        std::uint8_t goodAnswer;
    };
    const Case cases[] = {
        {"erase with the FPGA running", {kWriteEnable}, erase(1), negatedSum(erase(1))},
        {"erase after FPGA normal",
         {control(0xD8), control(0xD6), kWriteEnable},
         erase(1),
         negatedSum(erase(1))},
        {"erase without write enable", {control(0xD8)}, erase(1), negatedSum(erase(1))},
        {"second erase on one write enable",
         {control(0xD8), kWriteEnable, erase(2), kReadStatus, kReadStatus, kReadStatus,
          kReadStatus},
         erase(1),
         negatedSum(erase(1))},
        {"page write with the FPGA running", {}, pageWrite(0x10000, data), 0xD7},
        {"page write beyond the flash",
         {control(0xD8)},
         pageWrite(static_cast<std::uint32_t>(emu::FlashProtocol::kDefaultSize), data),
         0xD7},
    };
    for (const Case& c : cases) {
        emu::FlashProtocol fresh;
        ASSERT_EQ(fresh.control("fill 0x5A"), "ok");
        for (const Bytes& p : c.before) {
            fresh.handle(p.data(), p.size());
        }
        const Bytes answer = fresh.handle(c.packet.data(), c.packet.size()).answer;
        EXPECT_EQ(answer, Bytes{static_cast<std::uint8_t>(c.goodAnswer ^ 0xFF)}) << c.name;
        EXPECT_EQ(Bytes(fresh.contents().begin() + 0x10000, fresh.contents().begin() + 0x20000),
                  Bytes(0x10000, 0x5A))
            << c.name;
    }
}

TEST_F(FlashModel, PageWriteChecksTheDataChecksumAndOnlyClearsBits) {
    ASSERT_EQ(flash.control("fill 0xF0"), "ok");
    holdInReset();
    Bytes packet = pageWrite(0x200, {0x0F, 0xFF, 0x3C});
    packet.back() ^= 0x01;  // a wrong K
    EXPECT_EQ(send(packet), Bytes{0x28});
    EXPECT_EQ(at(0x200, 3), (Bytes{0xF0, 0xF0, 0xF0}));

    EXPECT_EQ(send(pageWrite(0x200, {0x0F, 0xFF, 0x3C})), Bytes{0xD7});
    EXPECT_EQ(at(0x200, 3), (Bytes{0x00, 0xF0, 0x30}));
}

TEST_F(FlashModel, PageWriteWrapsWithinItsPageLikeTheChip) {
    holdInReset();
    eraseSector(0);
    const Bytes data = updater_test::pattern(4, 9);
    EXPECT_EQ(send(pageWrite(0x1FE, data)), Bytes{0xD7});
    EXPECT_EQ(at(0x1FE, 2), Bytes(data.begin(), data.begin() + 2));
    EXPECT_EQ(at(0x100, 2), Bytes(data.begin() + 2, data.end()));
    EXPECT_EQ(at(0x200, 2), Bytes(2, 0xFF));
}

TEST_F(FlashModel, MalformedPacketsGetNoAnswer) {
    Bytes chunk = pageWrite(0, updater_test::pattern(8, 2));
    Bytes shortChunk(chunk.begin(), chunk.end() - 1);
    Bytes zeroLength{0x00, 0x00, 0xD7, 0x02, 0, 0, 0, 0};
    Bytes tooLong = pageWrite(0, updater_test::pattern(33, 3));
    Bytes wrongInstruction = chunk;
    wrongInstruction[3] = 0x03;
    const Bytes cases[] = {
        control(0xD1),
        {0x01, 0x02, 0xD6},
        {0x01, 0x01, 0xD6, 0x00},
        shortChunk,
        zeroLength,
        tooLong,
        wrongInstruction,
        {0x00, 0x05, 0xD0, 0x06},
        {0x01, 0x01, 0xD0, 0x03},
    };
    for (const Bytes& c : cases) {
        EXPECT_TRUE(send(c).empty()) << updater_test::packetToken(c.data(), c.size());
    }
}

TEST_F(FlashModel, ReadyPollIsNotReadyForAWhileAfterWriteActive) {
    EXPECT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x01}));
    ASSERT_EQ(flash.control("ready-polls 2"), "ok");
    send(control(0xD9));
    EXPECT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x00}));
    EXPECT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x00}));
    EXPECT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x01}));

    ASSERT_EQ(flash.control("never-ready"), "ok");
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x00}));
    }
    ASSERT_EQ(flash.control("never-ready off"), "ok");
    EXPECT_EQ(send(control(0xDA)), (Bytes{0xDA, 0x01}));
}

TEST_F(FlashModel, FailingChunksAreAnsweredWrongAndNotWritten) {
    holdInReset();
    eraseSector(0);
    // Packets 2 and 3 from now fail, then packet 5.
    ASSERT_EQ(flash.control("fail-chunks 2 after 1"), "ok");
    ASSERT_EQ(flash.control("fail-chunks 1 after 4"), "ok");
    const Bytes data = updater_test::pattern(32, 4);
    const std::uint8_t expected[] = {0xD7, 0x28, 0x28, 0xD7, 0x28, 0xD7};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto address = static_cast<std::uint32_t>(i * 32);
        EXPECT_EQ(send(pageWrite(address, data)), Bytes{expected[i]}) << "packet " << i + 1;
        EXPECT_EQ(at(address, 32), expected[i] == 0xD7 ? data : Bytes(32, 0xFF));
    }
}

TEST_F(FlashModel, UnplugAfterLetsTheGivenChunksThroughThenDropsOffWithoutAnswer) {
    holdInReset();
    eraseSector(0);
    ASSERT_EQ(flash.control("unplug-after 2"), "ok");
    const Bytes data = updater_test::pattern(32, 5);
    for (std::uint32_t i = 0; i < 2; ++i) {
        const Bytes p = pageWrite(i * 32, data);
        const emu::FlashReply reply = flash.handle(p.data(), p.size());
        EXPECT_FALSE(reply.unplug);
        EXPECT_EQ(reply.answer, Bytes{0xD7});
    }
    const Bytes p = pageWrite(64, data);
    const emu::FlashReply reply = flash.handle(p.data(), p.size());
    EXPECT_TRUE(reply.unplug);
    EXPECT_TRUE(reply.answer.empty());
    EXPECT_EQ(at(64, 32), Bytes(32, 0xFF));
}

TEST_F(FlashModel, StayBusyKeepsTheFlashBusyAfterTheNextErase) {
    holdInReset();
    ASSERT_EQ(flash.control("stay-busy on"), "ok");
    EXPECT_EQ(send(kReadStatus).at(0) & 1, 0);
    send(kWriteEnable);
    send(erase(0));
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(send(kReadStatus).at(0) & 1, 1);
    }
    ASSERT_EQ(flash.control("clear-faults"), "ok");
    EXPECT_EQ(send(kReadStatus).at(0) & 1, 0);
}

TEST_F(FlashModel, DumpWritesTheWholeFlashToAFile) {
    holdInReset();
    eraseSector(0);
    const Bytes data = updater_test::pattern(20, 6);
    send(pageWrite(0x40, data));
    updater_test::TempDir dir;
    const auto file = dir.path() / "flash.bin";
    const std::string reply = flash.control("dump " + file.string());
    EXPECT_EQ(reply.rfind("ok", 0), 0u) << reply;
    std::ifstream in(file, std::ios::binary);
    const Bytes dumped{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(dumped, flash.contents());

    EXPECT_EQ(
        flash.control("dump " + (dir.path() / "no/such/dir/f.bin").string()).rfind("error", 0), 0u);
}

TEST_F(FlashModel, ControlRejectsWhatItDoesNotKnow) {
    for (const char* line :
         {"frobnicate", "fill 256", "fill x", "fail-chunks", "fail-chunks -1",
          "fail-chunks 1 before 2", "never-ready maybe", "erase-polls 1x", "unplug-after"}) {
        EXPECT_EQ(flash.control(line).rfind("error", 0), 0u) << line;
    }
    EXPECT_EQ(flash.control("help").rfind("ok", 0), 0u);
    EXPECT_EQ(flash.control("status").rfind("ok", 0), 0u);
}

TEST_F(FlashModel, DescribeNamesEachPacketForTheTrace) {
    const struct {
        Bytes packet;
        const char* text;
    } cases[] = {
        {control(0xD8), "D8 FPGA reset"},
        {kWriteEnable, "D0 06 write enable"},
        {erase(16), "D0 D8 sector erase 16 (0x100000)"},
        {kReadStatus, "D0 05 read status"},
        {pageWrite(0x100020, {0x01}), "D7 page write 1 bytes at 0x100020 K=0xFF"},
        {{0x01, 0x01, 0xD1}, "unknown flash packet 01 01 D1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(flash.describe(c.packet.data(), c.packet.size()), c.text);
    }
}

}  // namespace

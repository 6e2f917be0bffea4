// The utility's link and command operations against the emulated box over
// the socket back end: the bytes the box receives, and how each kind of bad
// answer is reported.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>

#include "emulator/Server.h"
#include "link/BoxCommands.h"
#include "link/PageReads.h"
#include "link/UsbLink.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingLinkUi.h"
#include "usb/SocketLibrary.h"

namespace {

using testing_support::ManualClock;
using testing_support::RecordingLinkUi;
using Bytes = std::vector<std::uint8_t>;

std::string socketPath() {
    static std::atomic<int> counter{0};
    return (std::filesystem::temp_directory_path() /
            ("v2-link-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
        .string();
}

class LinkAgainstBox : public ::testing::Test {
protected:
    void SetUp() override {
        emu::ServerOptions options;
        options.socketPath = socketPath();
        server = std::make_unique<emu::Server>(options);
        ASSERT_TRUE(server->start());
        library = usb::createSocketLibrary({options.socketPath});
        link = std::make_unique<boxlink::UsbLink>(*library, clock, ui);
        commands = std::make_unique<boxlink::BoxCommands>(*link, ui, state);
        std::uint32_t number = 9;
        ASSERT_TRUE(link->findBox(boxlink::BOX_SERIAL, number));
        ASSERT_TRUE(link->openLink(number));
    }
    void TearDown() override {
        link->closeLink();
        server->stop();
    }

    // Host writes the box received since mark, in order.
    std::vector<Bytes> requestsSince(std::size_t mark) {
        std::vector<Bytes> out;
        for (const auto& e : server->trace().entriesSince(mark)) {
            if (e.kind == emu::TraceEntry::kRequest || e.kind == emu::TraceEntry::kIgnored) {
                out.push_back(e.bytes);
            }
        }
        return out;
    }

    // A clock step of 100 ms keeps a lost answer's 4000 ms window to 40 checks.
    ManualClock clock{100};
    RecordingLinkUi ui;
    boxlink::BoxState state{true};  // writes go out
    std::unique_ptr<emu::Server> server;
    std::unique_ptr<usb::Library> library;
    std::unique_ptr<boxlink::UsbLink> link;
    std::unique_ptr<boxlink::BoxCommands> commands;
};

struct Operation {
    const char* name;
    std::function<bool(boxlink::BoxCommands&, boxlink::Answer&)> run;
    Bytes request;
    RecordingLinkUi::Status failure;
};

void PrintTo(const Operation& op, std::ostream* os) {
    *os << op.name;
}

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"writeRegister",
         [](auto& c, auto&) { return c.writeRegister(26, 1); },
         {0x10, 0x04, 0xE0, 26, 1},
         {"Error Writing values", 4000}},
        {"readRegisterPage",
         [](auto& c, auto& a) { return c.readRegisterPage(0, a, 27); },
         {0x11, 27, 0xE0, 0},
         {"...", 2000}},
        {"readStatusBlock",
         [](auto& c, auto& a) { return c.readStatusBlock(a, 64); },
         {0x11, 64, 0xE1},
         {"Error Reading values", 4000}},
        {"writeEpStateBlock",
         [](auto& c, auto&) {
             std::array<std::uint8_t, boxlink::kEpStateBlockSize> block{};
             block[0] = 2;
             return c.writeEpStateBlock(block);
         },
         [] {
             Bytes r{0x10, 0x28, 0xE2, 2};
             r.resize(43, 0);
             return r;
         }(),
         {"Error Writing values", 4000}},
        {"readPcbRevision",
         [](auto& c, auto&) { return c.readPcbRevision() != 0; },
         {0x11, 0x02, 0xB9, 0x00},
         {"...", 2000}},
    };
    return ops;
}

struct OperationAndFault {
    Operation op;
    const char* fault;
};

void PrintTo(const OperationAndFault& c, std::ostream* os) {
    *os << c.op.name << " " << c.fault;
}

class OperationTest : public LinkAgainstBox, public ::testing::WithParamInterface<Operation> {};

TEST_P(OperationTest, BoxReceivesExactlyTheRequestAfterAFlush) {
    const Operation& op = GetParam();
    const std::size_t mark = server->trace().total();
    boxlink::Answer answer{};
    EXPECT_TRUE(op.run(*commands, answer));
    EXPECT_EQ(requestsSince(mark), std::vector<Bytes>{op.request});
    const auto entries = server->trace().entriesSince(mark);
    const auto flush = std::find_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.kind == emu::TraceEntry::kFlush;
    });
    const auto request = std::find_if(entries.begin(), entries.end(), [](const auto& e) {
        return e.kind == emu::TraceEntry::kRequest;
    });
    EXPECT_LT(flush - entries.begin(), request - entries.begin()) << "flush before the write";
    EXPECT_TRUE(ui.statuses.empty());
    EXPECT_TRUE(ui.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(Operations, OperationTest, ::testing::ValuesIn(operations()),
                         [](const auto& p) { return std::string(p.param.name); });

class BadAnswerTest : public LinkAgainstBox,
                      public ::testing::WithParamInterface<OperationAndFault> {};

TEST_P(BadAnswerTest, IsReportedWithTheOperationsOwnTextAndTime) {
    const auto& c = GetParam();
    ASSERT_NE(server->command(std::string("fault ") + c.fault).find("ok"), std::string::npos);
    boxlink::Answer answer{};
    EXPECT_FALSE(c.op.run(*commands, answer));
    EXPECT_EQ(ui.statuses, std::vector<RecordingLinkUi::Status>{c.op.failure});
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_FALSE(link->linkBusy());

    // The next exchange is clean again.
    ui.clear();
    EXPECT_TRUE(c.op.run(*commands, answer));
    EXPECT_TRUE(ui.statuses.empty());
}

std::vector<OperationAndFault> badAnswers() {
    std::vector<OperationAndFault> out;
    for (const auto& op : operations()) {
        for (const char* fault : {"noanswer", "echo", "short"}) {
            out.push_back({op, fault});
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Faults, BadAnswerTest, ::testing::ValuesIn(badAnswers()),
                         [](const auto& p) {
                             return std::string(p.param.op.name) + "_" + p.param.fault;
                         });

TEST_F(LinkAgainstBox, OneByteAnswerToAMinimumOfTwoFailsWithTheByteKept) {
    server->command("fault short");
    boxlink::Answer answer;
    answer.fill(0x77);
    const std::uint8_t request[] = {0x10, 0x04, 0xE0, 26, 1};
    EXPECT_FALSE(link->transact(answer, request, 2, sizeof request));
    EXPECT_EQ(answer[0], 0xE0);
    EXPECT_EQ(answer[1], 0x77);
}

TEST_F(LinkAgainstBox, LostAnswerLeavesTheBufferUnchangedAfterTheWholeWindow) {
    server->command("fault noanswer");
    boxlink::Answer answer;
    answer.fill(0x77);
    const std::uint32_t start = clock.now();
    const std::uint8_t request[] = {0x11, 64, 0xE1};
    EXPECT_FALSE(link->transact(answer, request, 64, sizeof request));
    EXPECT_TRUE(std::all_of(answer.begin(), answer.end(), [](auto b) { return b == 0x77; }));
    EXPECT_GE(clock.now() - start, boxlink::kExchangeTimeoutMs);
}

TEST_F(LinkAgainstBox, OverlongAnswerIsCutAt64AndTheNextExchangeStartsClean) {
    server->command("fault long");
    boxlink::Answer answer{};
    ASSERT_TRUE(commands->readRegisterPage(0, answer, 27));
    EXPECT_EQ(answer[0], 0xE0);
    ASSERT_EQ(commands->readPcbRevision(), 1);
    EXPECT_TRUE(ui.statuses.empty());
}

TEST_F(LinkAgainstBox, BoxThatUnplugsMidExchangeFailsTheNextOnesWithoutHanging) {
    server->command("fault unplug");
    boxlink::Answer answer{};
    EXPECT_TRUE(commands->readStatusBlock(answer, 64));  // answered, then gone
    EXPECT_FALSE(commands->writeRegister(26, 0));
    EXPECT_FALSE(commands->readStatusBlock(answer, 64));
    EXPECT_EQ(ui.statuses.size(), 2u);
    // The write right after the unplug may still go into the socket before
    // the box has closed it; then that exchange's queue check fails instead,
    // once. From then on the link knows the box is gone.
    EXPECT_LE(ui.warnings.size(), 1u);
    link->closeLink();
    EXPECT_FALSE(link->isOpen());
}

TEST_F(LinkAgainstBox, RegisterWritesReachTheBoxState) {
    ASSERT_TRUE(commands->writeRegister(25, 4));
    boxlink::Answer answer{};
    ASSERT_TRUE(commands->readStatusBlock(answer, 64));
    EXPECT_EQ(answer[2], 4);  // S[0], the input routing
}

// The start-up reads the macro page 65 beside pages 0..23; a failed read
// leaves its page empty and is told with its page number.
TEST_F(LinkAgainstBox, PageReadsReadAnyPageAndTellWhichFailed) {
    const boxlink::PageRead reads[] = {{0, 27}, {boxlink::kMacroPage, 41}, {12, 64}};
    ASSERT_NE(server->command("fault echo").find("ok"), std::string::npos);  // the first read only
    std::vector<std::uint8_t> failed;
    const boxlink::PageReads got =
        boxlink::readPages(*commands, reads, [&](std::uint8_t page) { failed.push_back(page); });
    EXPECT_EQ(failed, std::vector<std::uint8_t>{0});
    EXPECT_TRUE(got.page(0).empty());
    ASSERT_EQ(got.page(boxlink::kMacroPage).size(), 41u);
    EXPECT_EQ(got.page(boxlink::kMacroPage)[0], boxlink::CMD_REGISTER);
    EXPECT_EQ(got.page(12).size(), 64u);
    EXPECT_TRUE(got.page(7).empty());  // not read
    EXPECT_TRUE(got.lastRead);
    // By page number, pages 0..23.
    EXPECT_EQ(got.pages()[12].size(), 64u);
    EXPECT_TRUE(got.pages()[0].empty());
}

}  // namespace

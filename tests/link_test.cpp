// The utility's link and command operations against a scripted USB library:
// call order, time-outs, answer checks and what the user is told.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/BoxCommands.h"
#include "link/UsbLink.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingLinkUi.h"
#include "tests/support/ScriptedLibrary.h"

namespace {

using testing_support::ManualClock;
using testing_support::RecordingLinkUi;
using testing_support::ScriptedLibrary;
using Bytes = std::vector<std::uint8_t>;

struct FindCase {
    std::vector<std::string> serials;
    int failingStringQueries;
    bool found;
    std::uint32_t index;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.serials.size() << " devices";
}

class FindBox : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindBox, MatchesTheSerialExactlyAndTakesTheFirst) {
    const FindCase& c = GetParam();
    ScriptedLibrary library(c.serials);
    library.failNext("string", c.failingStringQueries);
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link(library, clock, ui);
    std::uint32_t number = 77;
    EXPECT_EQ(link.findBox(boxlink::BOX_SERIAL, number), c.found);
    EXPECT_EQ(number, c.found ? c.index : 77u);
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_FALSE(link.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Serials, FindBox,
    ::testing::Values(FindCase{{"2026"}, 0, true, 0}, FindCase{{"2026x"}, 0, false, 0},
                      FindCase{{"2026 "}, 0, false, 0}, FindCase{{"202"}, 0, false, 0},
                      FindCase{{"other", "2026", "2026"}, 0, true, 1},
                      FindCase{{"2026", "2026"}, 1, true, 1}, FindCase{{}, 0, false, 0}));

TEST(FindBoxCount, FailedCountFindsNothing) {
    ScriptedLibrary library;
    library.failNext("count");
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link(library, clock, ui);
    std::uint32_t number = 5;
    EXPECT_FALSE(link.findBox(boxlink::BOX_SERIAL, number));
    EXPECT_EQ(number, 5u);
}

class LinkTest : public ::testing::Test {
protected:
    void openBox() {
        std::uint32_t number = 0;
        ASSERT_TRUE(link.findBox(boxlink::BOX_SERIAL, number));
        ASSERT_TRUE(link.openLink(number));
        library.clearRecord();
    }

    ScriptedLibrary library;
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link{library, clock, ui};
};

TEST_F(LinkTest, FailedOpenWarnsAndLeavesTheLinkClosed) {
    library.failNext("open");
    EXPECT_FALSE(link.openLink(0));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(ui.warnings, std::vector<std::string>{"Usb device open error!"});
}

TEST_F(LinkTest, CloseTwiceClosesOnceAndSaysNothing) {
    openBox();
    link.closeLink();
    link.closeLink();
    EXPECT_EQ(library.callCount("close"), 1);
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_FALSE(link.isOpen());
}

TEST_F(LinkTest, FailedCloseWarnsAndStillForgetsTheHandle) {
    openBox();
    library.failNext("close");
    link.closeLink();
    EXPECT_EQ(ui.warnings, std::vector<std::string>{"Unable to close device handle!"});
    EXPECT_FALSE(link.isOpen());
}

TEST_F(LinkTest, ExchangeWithoutABoxMakesNoCallAndNoMessage) {
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x11, 0x02, 0xB9, 0x00};
    EXPECT_FALSE(link.transact(answer, request, 2, sizeof request));
    EXPECT_TRUE(library.calls().empty());
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_TRUE(ui.statuses.empty());
    EXPECT_FALSE(link.linkBusy());
}

TEST_F(LinkTest, ExchangeFlushesWritesWaitsAndReadsInThatOrder) {
    openBox();
    library.queueAnswer({0xB9, 0x03});
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x11, 0x02, 0xB9, 0x00};
    ASSERT_TRUE(link.transact(answer, request, 2, sizeof request));
    EXPECT_EQ(answer[0], 0xB9);
    EXPECT_EQ(answer[1], 0x03);
    ASSERT_EQ(library.writes().size(), 1u);
    EXPECT_EQ(library.writes()[0], Bytes(request, request + 4));

    std::vector<std::string> io;
    std::copy_if(library.calls().begin(), library.calls().end(), std::back_inserter(io),
                 [](const std::string& c) {
                     return c == "flush" || c == "write" || c == "queue" || c == "read";
                 });
    EXPECT_EQ(io, (std::vector<std::string>{"flush", "write", "queue", "read"}));
}

TEST_F(LinkTest, TimeoutsAreSetForEachCallAndRestoredAfterIt) {
    openBox();
    library.setTimeouts(777, 888);
    library.queueAnswer({0xE0, 0x00});
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x10, 0x04, 0xE0, 25, 1};
    ASSERT_TRUE(link.transact(answer, request, 2, sizeof request));
    // write: read 0 ms, write 4000 ms; read: read 4000 ms, write 0 ms.
    ASSERT_EQ(library.timeoutsAtIo().size(), 2u);
    EXPECT_EQ(library.timeoutsAtIo()[0], std::make_pair(0u, 4000u));
    EXPECT_EQ(library.timeoutsAtIo()[1], std::make_pair(4000u, 0u));
    std::uint32_t r = 0;
    std::uint32_t w = 0;
    library.getTimeouts(&r, &w);
    EXPECT_EQ(r, 777u);
    EXPECT_EQ(w, 888u);
}

TEST_F(LinkTest, LinkIsBusyDuringTheExchangeOnly) {
    openBox();
    bool busyInside = false;
    library.setResponder([&](const Bytes&) {
        busyInside = link.linkBusy();
        return Bytes{0xE0, 0};
    });
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x10, 0x04, 0xE0, 25, 1};
    EXPECT_TRUE(link.transact(answer, request, 2, sizeof request));
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(link.linkBusy());
}

TEST_F(LinkTest, ShortAnswerFailsButLeavesItsBytesInTheBuffer) {
    openBox();
    library.queueAnswer({0xE0});
    boxlink::Answer answer;
    answer.fill(0xAA);
    const std::uint8_t request[] = {0x10, 0x04, 0xE0, 25, 1};
    EXPECT_FALSE(link.transact(answer, request, 2, sizeof request));
    EXPECT_EQ(answer[0], 0xE0);
    EXPECT_EQ(answer[1], 0xAA);
}

TEST_F(LinkTest, NoAnswerWithinTheWindowFailsAndLeavesTheBufferUnchanged) {
    openBox();
    const std::uint32_t start = clock.now();
    boxlink::Answer answer;
    answer.fill(0x5A);
    const std::uint8_t request[] = {0x11, 0x40, 0xE1};
    EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));
    EXPECT_TRUE(
        std::all_of(answer.begin(), answer.end(), [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(library.callCount("read"), 0);
    EXPECT_GE(clock.now() - start, boxlink::kExchangeTimeoutMs);
    EXPECT_LE(clock.now() - start, boxlink::kExchangeTimeoutMs + 5);
    EXPECT_TRUE(ui.warnings.empty());
}

// A queue check that fails once is warned about; one that keeps failing
// means the box is gone: no box, the link closed and the LinkUi told.
TEST_F(LinkTest, FailedQueueCheckWarnsOnceOrFindsTheBoxGone) {
    struct Case {
        int failures;
        bool gone;
    };
    for (const Case c : {Case{1, false}, Case{1000, true}}) {
        SCOPED_TRACE(c.failures);
        ui.clear();
        ui.gone = 0;
        openBox();
        library.queueAnswer({0xE0, 0x00});
        library.failNext("queue", c.failures);
        boxlink::Answer answer{};
        const std::uint8_t request[] = {0x10, 0x04, 0xE0, 25, 1};
        EXPECT_FALSE(link.transact(answer, request, 2, sizeof request));
        EXPECT_EQ(link.lastFailure(), boxlink::LinkFailure::QueueCheck);
        EXPECT_EQ(ui.warnings,
                  c.gone ? std::vector<std::string>{}
                         : std::vector<std::string>{"Error Checking RX Queue"});
        EXPECT_EQ(library.callCount("read"), 0);
        EXPECT_EQ(link.boxGone(), c.gone);
        EXPECT_EQ(link.isOpen(), !c.gone);
        EXPECT_EQ(ui.gone, c.gone ? 1 : 0);
        // A box that is gone is not asked again.
        const int queueChecks = library.callCount("queue");
        EXPECT_FALSE(link.transact(answer, request, 2, sizeof request));
        if (c.gone) {
            EXPECT_EQ(link.lastFailure(), boxlink::LinkFailure::Gone);
            EXPECT_EQ(library.callCount("queue"), queueChecks);
        }
        link.closeLink();
    }
}

TEST_F(LinkTest, FailedWriteFailsWithoutWaiting) {
    openBox();
    library.failNext("write");
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x10, 0x04, 0xE0, 25, 1};
    EXPECT_FALSE(link.transact(answer, request, 2, sizeof request));
    // One look whether the box is still there, and no wait for an answer.
    EXPECT_EQ(library.callCount("queue"), 1);
    EXPECT_FALSE(link.boxGone());
    EXPECT_TRUE(ui.warnings.empty());
}

TEST_F(LinkTest, OverlongAnswerIsReadAs64BytesAndTheRestFlushedByTheNextExchange) {
    openBox();
    Bytes longAnswer(80, 0x11);
    longAnswer[0] = 0xE1;
    library.queueAnswer(longAnswer);
    library.queueAnswer({0xB9, 0x02});
    boxlink::Answer answer{};
    const std::uint8_t status[] = {0x11, 0x40, 0xE1};
    ASSERT_TRUE(link.transact(answer, status, 64, sizeof status));
    EXPECT_EQ(library.pending(), 16u);

    const std::uint8_t revision[] = {0x11, 0x02, 0xB9, 0x00};
    ASSERT_TRUE(link.transact(answer, revision, 2, sizeof revision));
    EXPECT_EQ(answer[0], 0xB9);
    EXPECT_EQ(answer[1], 0x02);
}

TEST_F(LinkTest, AfterALostAnswerAGuardedRunSkipsTheRestWithoutTraffic) {
    openBox();
    const std::uint8_t request[] = {0x11, 0x40, 0xE1};
    boxlink::Answer answer{};
    {
        boxlink::UsbLink::SilenceGuard guard(link);
        library.queueAnswer({0xE1});  // a short answer: the box is there
        EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));
        EXPECT_FALSE(link.boxSilent());

        const std::uint32_t start = clock.now();
        EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));  // nothing comes
        EXPECT_TRUE(link.boxSilent());
        library.clearRecord();
        const std::uint32_t afterFirst = clock.now();
        EXPECT_GE(afterFirst - start, boxlink::kExchangeTimeoutMs);

        library.queueAnswer(Bytes(64, 0xE1));
        EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));
        EXPECT_TRUE(library.calls().empty());
        EXPECT_LE(clock.now() - afterFirst, 2u);
        EXPECT_FALSE(link.linkBusy());
    }
    EXPECT_FALSE(link.boxSilent());
    EXPECT_TRUE(link.transact(answer, request, 64, sizeof request));
}

TEST_F(LinkTest, AGuardWithinAGuardedRunKeepsTheSilenceForTheOuterRun) {
    openBox();
    const std::uint8_t request[] = {0x11, 0x40, 0xE1};
    boxlink::Answer answer{};
    {
        boxlink::UsbLink::SilenceGuard outer(link);
        {
            boxlink::UsbLink::SilenceGuard inner(link);
            EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));  // nothing comes
            EXPECT_TRUE(link.boxSilent());
        }
        // The outer run goes on without waiting for the silent box again.
        EXPECT_TRUE(link.boxSilent());
        library.clearRecord();
        library.queueAnswer(Bytes(64, 0xE1));
        EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));
        EXPECT_TRUE(library.calls().empty());
        {
            // A new inner guard does not forget it either.
            boxlink::UsbLink::SilenceGuard inner(link);
            EXPECT_TRUE(link.boxSilent());
        }
    }
    EXPECT_FALSE(link.boxSilent());
    EXPECT_TRUE(link.transact(answer, request, 64, sizeof request));
}

TEST_F(LinkTest, WithoutAGuardEveryExchangeWaitsItsOwnWindow) {
    openBox();
    const std::uint8_t request[] = {0x11, 0x40, 0xE1};
    boxlink::Answer answer{};
    EXPECT_FALSE(link.transact(answer, request, 64, sizeof request));
    library.queueAnswer(Bytes(64, 0xE1));
    EXPECT_TRUE(link.transact(answer, request, 64, sizeof request));
}

// Command operations: the exact request of each and what a failure shows.

struct CommandCase {
    const char* name;
    std::function<bool(boxlink::BoxCommands&)> run;
    Bytes request;
    Bytes goodAnswer;
    Bytes badAnswer;
    RecordingLinkUi::Status failure;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandTest : public ::testing::TestWithParam<CommandCase> {
protected:
    void SetUp() override {
        std::uint32_t number = 0;
        ASSERT_TRUE(link.findBox(boxlink::BOX_SERIAL, number));
        ASSERT_TRUE(link.openLink(number));
    }
    ScriptedLibrary library;
    ManualClock clock{50};
    RecordingLinkUi ui;
    boxlink::UsbLink link{library, clock, ui};
    boxlink::BoxState state{true};  // writes go out
    boxlink::BoxCommands commands{link, ui, state};
};

TEST_P(CommandTest, SendsExactlyItsRequestAndAcceptsTheEcho) {
    const CommandCase& c = GetParam();
    library.queueAnswer(c.goodAnswer);
    EXPECT_TRUE(c.run(commands));
    ASSERT_EQ(library.writes().size(), 1u);
    EXPECT_EQ(library.writes()[0], c.request);
    EXPECT_TRUE(ui.statuses.empty());
}

TEST_P(CommandTest, WrongOrShortAnswerIsReportedInTheStatusBar) {
    const CommandCase& c = GetParam();
    library.queueAnswer(c.badAnswer);
    EXPECT_FALSE(c.run(commands));
    EXPECT_EQ(ui.statuses, std::vector<RecordingLinkUi::Status>{c.failure});
}

TEST_P(CommandTest, NoAnswerIsReportedInTheStatusBar) {
    const CommandCase& c = GetParam();
    EXPECT_FALSE(c.run(commands));
    EXPECT_EQ(ui.statuses, std::vector<RecordingLinkUi::Status>{c.failure});
}

Bytes page(std::uint8_t n, std::uint8_t first) {
    Bytes b(n, 0);
    b[0] = first;
    return b;
}

boxlink::Answer scratch;

INSTANTIATE_TEST_SUITE_P(
    Operations, CommandTest,
    ::testing::Values(CommandCase{"writeRegister",
                                  [](auto& c) { return c.writeRegister(25, 4); },
                                  {0x10, 0x04, 0xE0, 25, 4},
                                  {0xE0, 0x00},
                                  {0xE1, 0x00},
                                  {"Error Writing values", 4000}},
                      CommandCase{"readRegisterPage",
                                  [](auto& c) { return c.readRegisterPage(11, scratch, 30); },
                                  {0x11, 30, 0xE0, 11},
                                  page(30, 0xE0),
                                  page(29, 0xE0),
                                  {"...", 2000}},
                      CommandCase{"readStatusBlock",
                                  [](auto& c) { return c.readStatusBlock(scratch, 64); },
                                  {0x11, 64, 0xE1},
                                  page(64, 0xE1),
                                  page(64, 0xE0),
                                  {"Error Reading values", 4000}},
                      CommandCase{"writeEpStateBlock",
                                  [](auto& c) {
                                      std::array<std::uint8_t, 40> block{};
                                      for (std::size_t i = 0; i < block.size(); ++i) {
                                          block[i] = static_cast<std::uint8_t>(i + 1);
                                      }
                                      return c.writeEpStateBlock(block);
                                  },
                                  [] {
                                      Bytes r{0x10, 0x28, 0xE2};
                                      for (int i = 1; i <= 40; ++i) {
                                          r.push_back(static_cast<std::uint8_t>(i));
                                      }
                                      return r;
                                  }(),
                                  {0xE2, 0x00},
                                  {0xE0, 0x00},
                                  {"Error Writing values", 4000}},
                      CommandCase{"readPcbRevision",
                                  [](auto& c) { return c.readPcbRevision() == 2; },
                                  {0x11, 0x02, 0xB9, 0x00},
                                  {0xB9, 0x02},
                                  {0xB8, 0x02},
                                  {"...", 2000}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CommandGate, RegisterWriteBeforeStartUpSendsNothingAndSucceeds) {
    ScriptedLibrary library;
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link(library, clock, ui);
    std::uint32_t number = 0;
    ASSERT_TRUE(link.findBox(boxlink::BOX_SERIAL, number));
    ASSERT_TRUE(link.openLink(number));
    boxlink::BoxState state;  // writes held back
    boxlink::BoxCommands commands(link, ui, state);
    EXPECT_TRUE(commands.writeRegister(25, 1));
    EXPECT_TRUE(library.writes().empty());
    EXPECT_TRUE(ui.statuses.empty());
}

TEST(CommandGate, RevisionWithoutABoxIsZeroAndSaysSo) {
    ScriptedLibrary library;
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link(library, clock, ui);
    boxlink::BoxState state{true};  // writes go out
    boxlink::BoxCommands commands(link, ui, state);
    EXPECT_EQ(commands.readPcbRevision(), 0);
    EXPECT_EQ(ui.statuses, (std::vector<RecordingLinkUi::Status>{{"...", 2000}}));
    EXPECT_TRUE(library.calls().empty());
}

// Why an exchange failed, as a command line tells its user.
struct FailureCase {
    const char* name;
    std::function<void(ScriptedLibrary&)> script;
    bool open;
    boxlink::LinkFailure failure;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class LinkFailureReason : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LinkFailureReason, TheLastExchangeSaysWhyItFailed) {
    const FailureCase& c = GetParam();
    ScriptedLibrary library;
    ManualClock clock;
    RecordingLinkUi ui;
    boxlink::UsbLink link(library, clock, ui);
    if (c.open) {
        std::uint32_t number = 0;
        ASSERT_TRUE(link.findBox(boxlink::BOX_SERIAL, number));
        ASSERT_TRUE(link.openLink(number));
    }
    c.script(library);
    boxlink::Answer answer{};
    const std::uint8_t request[] = {0x11, 0x02, 0xB9, 0x00};
    EXPECT_EQ(link.transact(answer, request, 2, sizeof request),
              c.failure == boxlink::LinkFailure::None);
    EXPECT_EQ(link.lastFailure(), c.failure);
    EXPECT_STRNE(boxlink::describeFailure(c.failure), "");
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, LinkFailureReason,
    ::testing::Values(
        FailureCase{"Answered",
                    [](ScriptedLibrary& l) {
                        l.queueAnswer({0xB9, 1});
                    },
                    true, boxlink::LinkFailure::None},
        FailureCase{"NoBox", [](ScriptedLibrary&) {}, false, boxlink::LinkFailure::NotOpen},
        FailureCase{"WriteFails", [](ScriptedLibrary& l) { l.failNext("write"); }, true,
                    boxlink::LinkFailure::WriteFailed},
        FailureCase{"QueueFails", [](ScriptedLibrary& l) { l.failNext("queue"); }, true,
                    boxlink::LinkFailure::QueueCheck},
        FailureCase{"Silent", [](ScriptedLibrary&) {}, true, boxlink::LinkFailure::NoAnswer},
        FailureCase{"ReadFails",
                    [](ScriptedLibrary& l) {
                        l.queueAnswer({0xB9, 1});
                        l.failNext("read");
                    },
                    true, boxlink::LinkFailure::ReadFailed},
        FailureCase{"OneByte", [](ScriptedLibrary& l) { l.queueAnswer({0xB9}); }, true,
                    boxlink::LinkFailure::ShortAnswer}),
    [](const ::testing::TestParamInfo<FailureCase>& p) { return std::string(p.param.name); });

}  // namespace

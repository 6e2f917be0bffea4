// The updater's link: finding the box by its serial string, opening and
// closing it, and one exchange with its failure messages.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <unistd.h>

#include "tests/support/EmulatedBox.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedLibrary.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/Lines.h"
#include "updater/UpdaterLink.h"

namespace {

using testing_support::ScriptedLibrary;
using updater::MessageIcon;
using updater_test::Bytes;
using updater_test::Message;
using updater_test::RecordingUi;

Message linkBox(const std::string& text) {
    return {text, " ", MessageIcon::Warning};
}

struct OpenCase {
    const char* name;
    std::vector<std::string> serials;
    int failSerialQueries;
    usb::Handle handle;  // ScriptedLibrary hands out 100 + index
    std::vector<Message> messages;
};

class UpdaterOpenBox : public ::testing::TestWithParam<OpenCase> {};

TEST_P(UpdaterOpenBox, OpensTheFirstDeviceWhoseSerialIsExactly2026) {
    const OpenCase& c = GetParam();
    ScriptedLibrary library(c.serials);
    library.failNext("string", c.failSerialQueries);
    testing_support::ManualClock clock;
    RecordingUi ui;
    updater::UpdaterLink link(library, clock, ui);
    link.openBox();
    EXPECT_EQ(link.boxHandle(), c.handle);
    EXPECT_EQ(ui.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, UpdaterOpenBox,
    ::testing::Values(
        OpenCase{"NoDevice", {}, 0, usb::kInvalidHandle, {linkBox("VORTILAN2 not connected!")}},
        OpenCase{"First", {"2026"}, 0, 100, {}},
        OpenCase{"FirstOfTwo", {"2026", "2026"}, 0, 100, {}},
        OpenCase{"LongerSerialSkipped", {"20261", "2026"}, 0, 101, {}},
        OpenCase{"NoExactMatch",
                 {"2026 ", "202", "x2026"},
                 0,
                 usb::kInvalidHandle,
                 {linkBox("VORTILAN2 not connected!")}},
        OpenCase{"FailedQueryIsSkipped",
                 {"2026", "2026"},
                 1,
                 101,
                 {linkBox("Error retrieving serial string!")}}),
    [](const auto& p) { return std::string(p.param.name); });

class UpdaterLinkTest : public ::testing::Test {
protected:
    void open() {
        link.openBox();
        ASSERT_TRUE(link.isOpen());
        library.clearRecord();
    }
    bool exchange(std::uint8_t* answer, std::uint32_t length) {
        const std::uint8_t packet[] = {0x01, 0x01, 0xD6};
        return link.exchange(packet, sizeof packet, answer, length);
    }

    ScriptedLibrary library;
    testing_support::ManualClock clock;
    RecordingUi ui;
    updater::UpdaterLink link{library, clock, ui};
};

TEST_F(UpdaterLinkTest, OpenQueriesTheLinkNameOpensAndFlushes) {
    link.openBox();
    EXPECT_EQ(library.calls(),
              (std::vector<std::string>{"count", "string", "string", "open", "flush"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UpdaterLinkTest, AFailedOpenStepClosesWhatWasOpenedAndSaysSo) {
    for (const char* step : {"open", "flush", "count"}) {
        ScriptedLibrary lib;
        RecordingUi recording;
        updater::UpdaterLink l(lib, clock, recording);
        lib.failNext(step);
        l.openBox();
        EXPECT_FALSE(l.isOpen()) << step;
        EXPECT_EQ(lib.callCount("close"), std::string(step) == "flush" ? 1 : 0) << step;
        ASSERT_EQ(recording.messages.size(), 1u) << step;
    }
}

// A box that another program holds: the open error names the holder, as the
// command line does.
TEST(UpdaterLinkHeld, TheOpenErrorNamesWhoHoldsTheBox) {
    testing_support::EmulatedBox box;
    usb::Handle held = usb::kInvalidHandle;
    ASSERT_EQ(box.library().open(0, &held), usb::Ok);
    testing_support::ManualClock clock;
    RecordingUi ui;
    updater::UpdaterLink link(box.library(), clock, ui);
    link.openBox();
    EXPECT_FALSE(link.isOpen());
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_EQ(text.rfind("Usb device open error!\nThe box is in use by ", 0), 0u) << text;
    EXPECT_NE(text.find("(process " + std::to_string(::getpid()) + "); close that program first."),
              std::string::npos)
        << text;
    box.library().close(held);
    ui.messages.clear();
    link.openBox();
    EXPECT_TRUE(link.isOpen());
    EXPECT_TRUE(ui.messages.empty());
    link.closeBox();
}

TEST_F(UpdaterLinkTest, CloseClosesOnceAndReportsAFailedClose) {
    open();
    link.closeBox();
    link.closeBox();
    EXPECT_EQ(library.callCount("close"), 1);
    EXPECT_TRUE(ui.messages.empty());

    open();
    library.failNext("close");
    link.closeBox();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(ui.messages, std::vector<Message>{linkBox("Unable to close device handle!")});
}

TEST_F(UpdaterLinkTest, ExchangeWithoutABoxCallsNothing) {
    std::uint8_t answer = 0;
    EXPECT_FALSE(exchange(&answer, 1));
    EXPECT_TRUE(library.calls().empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UpdaterLinkTest, ExchangeWritesWaitsAndReadsTheAnswerLength) {
    open();
    library.queueAnswer({0xD6, 0x77});
    std::uint8_t answer = 0;
    EXPECT_TRUE(exchange(&answer, 1));
    EXPECT_EQ(answer, 0xD6);
    EXPECT_EQ(library.writes(), std::vector<Bytes>{(Bytes{0x01, 0x01, 0xD6})});
    EXPECT_EQ(library.calls(), (std::vector<std::string>{"write", "queue", "read"}));
    EXPECT_EQ(library.pending(), 1u);  // the rest stays queued
    EXPECT_TRUE(ui.lines.empty());
}

TEST_F(UpdaterLinkTest, FailuresOfTheLibraryShowTheirMessages) {
    const struct {
        const char* call;
        int times;
        std::vector<Message> messages;
    } cases[] = {
        {"write", 1, {linkBox("Error Sending Code")}},
        {"queue", 5000, {linkBox("Error Checking Queue")}},  // once, not for every check
        {"queue", 1, {linkBox("Error Checking Queue")}},     // fails even when data follows
        {"read", 1, {linkBox("Error Reading Data")}},
    };
    for (const auto& c : cases) {
        ScriptedLibrary lib;
        RecordingUi recording;
        updater::UpdaterLink l(lib, clock, recording);
        l.openBox();
        lib.queueAnswer({0xD6});
        lib.failNext(c.call, c.times);
        std::uint8_t answer = 0;
        const std::uint8_t packet[] = {0x01, 0x01, 0xD6};
        EXPECT_FALSE(l.exchange(packet, sizeof packet, &answer, 1)) << c.call;
        EXPECT_EQ(recording.messages, c.messages) << c.call;
    }
}

TEST_F(UpdaterLinkTest, NoAnswerWithin2000MsFailsSilently) {
    open();
    const std::uint32_t start = clock.now();
    std::uint8_t answer = 0;
    EXPECT_FALSE(exchange(&answer, 1));
    EXPECT_GE(clock.now() - start, updater::kAnswerWaitMs);
    EXPECT_LE(clock.now() - start, updater::kAnswerWaitMs + 5);
    EXPECT_EQ(library.callCount("read"), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UpdaterLinkTest, AShortAnswerIsNotedOnTheStatusRowAndStillSucceeds) {
    open();
    library.queueAnswer({0xDA});
    std::uint8_t answer[2] = {0x55, 0x55};
    EXPECT_TRUE(exchange(answer, 2));
    EXPECT_EQ(answer[0], 0xDA);
    EXPECT_EQ(answer[1], 0x00);  // not a byte left over from before
    EXPECT_EQ(ui.lines, (std::vector<updater_test::DrawnLine>{
                            {10, updater::padded("BytesRead not same as datalength", 48)}}));
    EXPECT_EQ(ui.lines[0].text.size(), 48u);
}

TEST_F(UpdaterLinkTest, QuietRepeatsShowEachMessageOnce) {
    open();
    link.setQuietRepeats(true);
    library.failNext("write", 3);
    std::uint8_t answer = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(exchange(&answer, 1));
    }
    EXPECT_EQ(ui.messages.size(), 1u);
    link.setQuietRepeats(false);
    library.failNext("write", 2);
    exchange(&answer, 1);
    exchange(&answer, 1);
    EXPECT_EQ(ui.messages.size(), 3u);
}

// A library whose calls take a little while and that notes how many run at once.
class OverlapLibrary final : public usb::Library {
public:
    int getNumDevices(std::uint32_t* count) override {
        return enter([&] { *count = 1; });
    }
    int getProductString(std::uint32_t, char* buffer, std::uint32_t) override {
        return enter([&] { std::snprintf(buffer, usb::kStringBufferSize, "2026"); });
    }
    int open(std::uint32_t, usb::Handle* handle) override {
        return enter([&] { *handle = 1; });
    }
    int close(usb::Handle) override {
        return enter([] {});
    }
    int read(usb::Handle, void* buffer, std::uint32_t, std::uint32_t* n) override {
        return enter([&] {
            *static_cast<std::uint8_t*>(buffer) = 0xD6;
            *n = 1;
        });
    }
    int write(usb::Handle, const void*, std::uint32_t count, std::uint32_t* n) override {
        return enter([&] { *n = count; });
    }
    int flushBuffers(usb::Handle, std::uint8_t, std::uint8_t) override {
        return enter([] {});
    }
    int setTimeouts(std::uint32_t, std::uint32_t) override {
        return enter([] {});
    }
    int getTimeouts(std::uint32_t*, std::uint32_t*) override {
        return enter([] {});
    }
    int checkRxQueue(usb::Handle, std::uint32_t* n, std::uint32_t*) override {
        return enter([&] { *n = 1; });
    }

    std::atomic<int> inside{0};
    std::atomic<int> most{0};

private:
    template <typename F>
    int enter(F f) {
        const int now = ++inside;
        int seen = most;
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(20));
        f();
        --inside;
        return usb::Ok;
    }
};

TEST(UpdaterLinkLock, NoTwoLibraryCallsRunAtOnce) {
    OverlapLibrary library;
    testing_support::ManualClock clock;
    RecordingUi ui;
    updater::UpdaterLink link(library, clock, ui);
    link.openBox();
    ASSERT_TRUE(link.isOpen());
    auto worker = [&] {
        const std::uint8_t packet[] = {0x01, 0x01, 0xD6};
        std::uint8_t answer = 0;
        for (int i = 0; i < 100; ++i) {
            link.exchange(packet, sizeof packet, &answer, 1);
        }
    };
    std::thread a(worker);
    std::thread b(worker);
    a.join();
    b.join();
    EXPECT_EQ(library.most.load(), 1);
}

}  // namespace

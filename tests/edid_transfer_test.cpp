// The EDID traffic of the EDID module on its own, as a front end without
// widgets drives it: progress reports, messages with their times, sources.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "edid/Transfer.h"
#include "emulator/Box.h"
#include "link/BoxCommands.h"
#include "link/UsbLink.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingLinkUi.h"

namespace {

using Status = testing_support::RecordingLinkUi::Status;
using Progress = std::vector<std::pair<int, int>>;

class EdidTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::uint32_t number = 0;
        ASSERT_TRUE(link_.findBox(boxlink::BOX_SERIAL, number));
        ASSERT_TRUE(link_.openLink(number));
    }

    edid::BoxAccess access() {
        return {commands_, ui_, clock_,
                [this](int value, int maximum) { progress_.emplace_back(value, maximum); }};
    }

    testing_support::EmulatedBox box_;
    // 10 ms per look at the clock: an exchange waits through 400 checks of
    // the receive queue (up to 1 ms each) for the box's answer, and a silent
    // box costs no more than that.
    testing_support::ManualClock clock_{10};
    testing_support::RecordingLinkUi ui_;
    boxlink::UsbLink link_{box_.library(), clock_, ui_};
    std::uint8_t settingsReady_ = 1;
    boxlink::BoxCommands commands_{link_, ui_, settingsReady_};
    Progress progress_;
};

TEST_F(EdidTransferTest, ReadReportsEachChunkThenTheEnd) {
    edid::BoxAccess box = access();
    std::string text = "old";
    ASSERT_TRUE(edid::readEdid(box, edid::EdidSource::Tx1, text));
    const emu::Edid tv = box_.server().withBox([](emu::Box& b) { return *b.sink(1); });
    EXPECT_EQ(text, edid::hexText(tv));
    Progress expected;
    for (int offset = 0; offset < 256; offset += 16) {
        expected.emplace_back(offset, 255);
    }
    expected.emplace_back(0, 0);
    EXPECT_EQ(progress_, expected);
    EXPECT_TRUE(ui_.statuses.empty());  // success is the caller's to tell
}

TEST_F(EdidTransferTest, FailuresAreToldWithTheirTimes) {
    box_.server().command("fault echo");  // the fetch's echo
    edid::BoxAccess box = access();
    std::string text;
    ASSERT_TRUE(edid::readEdid(box, edid::EdidSource::Rx0, text));
    EXPECT_EQ(ui_.statuses, (std::vector<Status>{{"Error Writing values", 4000}}));

    ui_.clear();
    progress_.clear();
    box_.server().command("fault echo");  // the first chunk's echo
    const edid::EdidImage image{};
    EXPECT_TRUE(edid::uploadEdid(box, 7, image));
    EXPECT_EQ(ui_.statuses, (std::vector<Status>{{"Error Writing EDID values.", 2000},
                                                 {"EDID values written...", 2000}}));
    Progress expected;
    for (int chunk = 0; chunk < 32; ++chunk) {
        expected.emplace_back(chunk, 32);
    }
    expected.emplace_back(0, 0);
    EXPECT_EQ(progress_, expected);

    ui_.clear();
    // The box takes no upload into a table that is not a custom one.
    EXPECT_FALSE(edid::uploadEdid(box, 11, image));
    EXPECT_EQ(ui_.statuses.back(), (Status{"Error Populating EDID values.", 2000}));
}

TEST_F(EdidTransferTest, SourcesByNameWithTheirFetchCommands) {
    const std::pair<const char*, std::uint8_t> names[] = {
        {"current", 0xB4}, {"tx0", 0xB5}, {"tx1", 0xB6}, {"rx0", 0xB7}, {"rx1", 0xB8}};
    for (const auto& [name, command] : names) {
        const auto source = edid::sourceByName(name);
        ASSERT_TRUE(source.has_value()) << name;
        EXPECT_EQ(edid::sourceInfo(*source).fetchCommand, command);
        EXPECT_EQ(edid::sourceInfo(*source).name, name);
    }
    EXPECT_FALSE(edid::sourceByName("TX0").has_value());
    EXPECT_FALSE(edid::sourceByName("").has_value());
}

}  // namespace

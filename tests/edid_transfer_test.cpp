// The EDID traffic of the EDID module on its own, as a front end without
// widgets drives it: progress reports, messages with their times, sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "edid/Transfer.h"
#include "emulator/Box.h"
#include "link/BoxCommands.h"
#include "link/UsbLink.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/HookedLibrary.h"
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
    testing_support::HookedLibrary library_{box_.library()};
    boxlink::UsbLink link_{library_, clock_, ui_};
    boxlink::BoxState state_{true};  // writes go out
    boxlink::BoxCommands commands_{link_, ui_, state_};
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
    const edid::EdidImage image{};
    EXPECT_TRUE(edid::uploadEdid(box, 7, image));
    EXPECT_EQ(ui_.statuses, (std::vector<Status>{{"EDID values written...", 2000}}));
    Progress expected;
    for (int chunk = 0; chunk < 32; ++chunk) {
        expected.emplace_back(chunk, 32);
    }
    expected.emplace_back(0, 0);
    EXPECT_EQ(progress_, expected);

    ui_.clear();
    // The box takes no upload into a table that is not a custom one: the
    // first chunk fails twice and nothing is committed.
    EXPECT_FALSE(edid::uploadEdid(box, 11, image));
    EXPECT_EQ(ui_.statuses, (std::vector<Status>{{"Error Writing EDID values.", 2000}}));
}

// A chunk that the box answers wrongly is sent again; a chunk that fails
// twice ends the upload before the commit, so the table keeps its content.
struct ChunkFaultCase {
    const char* name;
    const char* fault;  // queued before the chunk
    int chunk;          // the chunk whose answers it spoils
    bool committed;
    std::size_t writes;  // what reached the box, the commit included
};

class EdidUploadFaultTest : public EdidTransferTest,
                            public ::testing::WithParamInterface<ChunkFaultCase> {};

TEST_P(EdidUploadFaultTest, RetriesOnceAndCommitsOnlyAWholeImage) {
    const ChunkFaultCase& c = GetParam();
    constexpr int kTable = 3;
    const emu::Edid before = box_.server().withBox([](emu::Box& b) { return *b.table(kTable); });
    edid::EdidImage image = box_.server().withBox([](emu::Box& b) { return *b.table(12); });
    ASSERT_NE(image, before);

    // Exactly the chosen chunk's answers go wrong: the fault is queued just
    // before that chunk is written.
    int chunksSeen = 0;
    library_.beforeWrite = [&](const std::vector<std::uint8_t>& request) {
        if (request.size() == 13 && request[2] == 0xB0 && request[4] == c.chunk * 8 &&
            chunksSeen++ == 0) {
            box_.server().command(c.fault);
        }
    };
    edid::BoxAccess box = access();
    box_.clearTrace();
    EXPECT_EQ(edid::uploadEdid(box, kTable, image), c.committed);

    const emu::Edid after = box_.server().withBox([](emu::Box& b) { return *b.table(kTable); });
    EXPECT_EQ(after, c.committed ? image : before);
    const auto writes = box_.writes();
    const bool commitSent = std::any_of(writes.begin(), writes.end(),
                                        [](const auto& w) { return w.size() > 2 && w[2] == 0xB1; });
    EXPECT_EQ(commitSent, c.committed);
    EXPECT_EQ(writes.size(), c.writes);
    EXPECT_EQ(ui_.statuses,
              (std::vector<Status>{{c.committed ? "EDID values written..." : "Error Writing EDID values.",
                                    2000}}));
    EXPECT_EQ(progress_.back(), (std::pair<int, int>{0, 0}));
}

const ChunkFaultCase kChunkFaultCases[] = {
    // 32 chunks, one of them twice, and the commit.
    {"EchoOnceRetried", "fault echo", 0, true, 34},
    {"ShortOnceRetried", "fault short", 17, true, 34},
    // Nothing after the chunk that failed twice.
    {"EchoTwiceFails", "fault echo 2", 0, false, 2},
    {"ShortTwiceFails", "fault short 2", 9, false, 11},
    // A box that went silent is not asked again: one time-out, no commit.
    {"NoAnswerEndsTheUpload", "fault noanswer", 31, false, 32},
};

INSTANTIATE_TEST_SUITE_P(Chunks, EdidUploadFaultTest, ::testing::ValuesIn(kChunkFaultCases),
                         [](const auto& param) { return std::string(param.param.name); });

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

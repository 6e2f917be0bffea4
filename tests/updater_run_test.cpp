// Whole update runs against the emulated box: the packets and pauses the box
// sees, what ends up in its flash, the lines and messages of the run, the
// faults it survives or ends on, and the check of the image files before the
// first byte goes out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "tests/support/FileLimits.h"
#include "tests/support/ScriptedLibrary.h"
#include "tests/updater/UpdaterTestSupport.h"
#include "updater/FlashUpdater.h"
#include "updater/ImageFile.h"
#include "updater/Lines.h"
#include "usb/SocketLibrary.h"

namespace {

using updater::MessageIcon;
using updater::padded;
using updater::RunEnd;
using updater_test::Bytes;
using updater_test::DrawnLine;
using updater_test::Message;
using Events = std::vector<std::string>;

constexpr std::uint8_t kOldFlash = 0x5A;
const char* const kPart1 = updater::kPartFiles[0];

const updater::ImageRange& rangeOf(const std::string& id) {
    for (const auto& r : updater::kImageRanges) {
        if (r.name() == id) {
            return r;
        }
    }
    throw std::invalid_argument(id);
}

Message critical(const std::string& text) {
    return {text, "Critical Error!!! ", MessageIcon::Warning};
}

// What the box sees for the erase of one range and the write of its payload,
// with the emulator's default of 3 busy polls after each sector erase.
void addPart(Events& e, const std::string& id, std::size_t payload) {
    const auto& r = rangeOf(id);
    e.push_back("sleep 3");
    for (unsigned s = r.firstSector; s < r.firstSector + r.sectorCount; ++s) {
        e.push_back("WREN");
        e.push_back("SE " + std::to_string(s));
        for (unsigned poll = 0; poll < emu::FlashProtocol::kDefaultEraseBusyPolls + 1; ++poll) {
            e.push_back("RDSR");
            e.push_back("sleep 1");
        }
    }
    for (std::size_t off = 0; off < payload; off += 32) {
        char token[32];
        std::snprintf(token, sizeof token, "PW 0x%06X %zu", static_cast<unsigned>(r.start + off),
                      std::min<std::size_t>(32, payload - off));
        e.push_back(token);
    }
}

// D9 and the ready poll: the emulator's default 3 not-ready answers, 10 ms apart.
void addWriteActive(Events& e, unsigned notReady = emu::FlashProtocol::kDefaultNotReadyPolls) {
    e.push_back("D9");
    for (unsigned i = 0; i < notReady; ++i) {
        e.push_back("DA");
        e.push_back("sleep 10");
    }
    e.push_back("DA");
}

void append(Events& e, std::initializer_list<const char*> tokens) {
    e.insert(e.end(), tokens.begin(), tokens.end());
}

struct Part {
    std::string id;
    Bytes payload;
};

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(flashControl("fill 0x5A"), "ok"); }

    std::string flashControl(const std::string& args) { return box.flash(args); }
    std::vector<std::uint8_t> flashContents() { return box.contents(); }

    // Writes the image files: part 1 first.
    void writeParts(const std::vector<Part>& parts) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            dir.writeImage(updater::kPartFiles[i], parts[i].id, parts[i].payload);
        }
    }

    std::vector<std::string> linesAt(int y) const {
        std::vector<std::string> texts;
        for (const auto& line : ui.lines) {
            if (line.y == y) {
                texts.push_back(line.text);
            }
        }
        return texts;
    }

    // The range holds payload from its start and 0xFF after it.
    void expectRange(const std::vector<std::uint8_t>& flash, const std::string& id,
                     const Bytes& payload) {
        const auto& r = rangeOf(id);
        const auto start = flash.begin() + r.start;
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), start)) << id;
        EXPECT_TRUE(std::all_of(start + static_cast<std::ptrdiff_t>(payload.size()),
                                start + r.capacity(), [](auto b) { return b == 0xFF; }))
            << id;
    }
    void expectUntouched(std::size_t from, std::size_t to) {
        const auto flash = flashContents();
        EXPECT_TRUE(std::all_of(flash.begin() + static_cast<std::ptrdiff_t>(from),
                                flash.begin() + static_cast<std::ptrdiff_t>(to),
                                [](auto b) { return b == kOldFlash; }))
            << from << ".." << to;
    }
    void expectSucceeded(RunEnd end) {
        EXPECT_EQ(end, RunEnd::Succeeded);
        EXPECT_EQ(ui.endings, std::vector<int>{0});
        EXPECT_FALSE(updater.link().isOpen());
    }
    void expectFatal(RunEnd end, const std::string& statusText) {
        EXPECT_EQ(end, RunEnd::Fatal);
        EXPECT_EQ(ui.endings, std::vector<int>{1});
        ASSERT_FALSE(ui.lines.empty());
        EXPECT_EQ(ui.lines.back(), (DrawnLine{10, padded(statusText, 36)}));
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back(), critical(" "));
        EXPECT_FALSE(updater.link().isOpen());
    }
    std::size_t count(const std::string& token) const {
        const Events e = trace.events();
        return static_cast<std::size_t>(std::count(e.begin(), e.end(), token));
    }

    updater_test::Trace trace;
    updater_test::EmulatedBox box;
    updater_test::RecordingLibrary library{box.library(), trace};
    updater_test::TracingClock clock{trace};
    updater_test::RecordingUi ui;
    updater_test::TempDir dir;
    updater::FlashUpdater updater{library, clock, ui, {dir.path()}};
};

// ---- successful runs

class OnePartRun : public UpdateRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(OnePartRun, WritesOnlyPartOneWithTheExactSequenceAndLines) {
    const std::string id = GetParam();
    const Bytes payload = updater_test::pattern(100, 1);
    // OSD files lie ready; only a "1A70" image would call for them.
    writeParts({{id, payload},
                {"1A60", Bytes(10, 1)},
                {"1A65", Bytes(10, 2)},
                {"1A60", Bytes(10, 3)},
                {"1A65", Bytes(10, 4)}});

    expectSucceeded(updater.run());

    Events expected{"DB", "D6", "sleep 1000", "D5", "D8", "sleep 1000"};
    addPart(expected, id, payload.size());
    append(expected, {"sleep 1000", "D6", "DC"});
    EXPECT_EQ(trace.events(), expected);

    const std::vector<DrawnLine> lines{
        {10, padded("Updating Firmware", 39)},
        {30, padded("Do NOT turn power OFF", 39)},
        {10, padded("Update process, please wait", 34)},
        {10, padded("FPGA normal", 40)},
        {10, padded("Spi speed = 12 MHz", 34)},
        {10, padded("FPGA reset active", 33)},
        {10, padded("Flash write started...", 45)},
        {10, padded("FPGA normal", 40)},
        {10, padded("Update ok...", 34)},
        {10, padded("FLASH update ok", 42)},
        {30, std::string(42, ' ')},
        {60, padded("Power cycle VORTILAN2", 33)},
        {80, padded("After power up, wait around 15 seconds", 42)},
        {100, padded("VORTILAN2 will reconfigure and start", 39)},
    };
    EXPECT_EQ(ui.lines, lines);
    EXPECT_EQ(ui.messages,
              (std::vector<Message>{{"FLASH update ok ", " ", MessageIcon::Information}}));
    EXPECT_FALSE(updater.morePartsFlag());

    expectRange(flashContents(), id, payload);
    const auto& r = rangeOf(id);
    expectUntouched(0, r.start);
    expectUntouched(r.start + r.capacity(), flashContents().size());
}

INSTANTIATE_TEST_SUITE_P(Ids, OnePartRun, ::testing::Values("1A60", "1A65"));

TEST_F(UpdateRun, FivePartRunSendsTheExactSequenceAndWritesEveryPart) {
    const std::vector<Part> parts{
        {"1A70", updater_test::pattern(1000, 10)}, {"1A60", updater_test::pattern(100, 11)},
        {"1A65", updater_test::pattern(33, 12)},   {"1A60", updater_test::pattern(64, 13)},
        {"1A65", updater_test::pattern(7, 14)},
    };
    writeParts(parts);
    // The flash as it stands when the FPGA is let go after each part.
    std::vector<std::vector<std::uint8_t>> afterPart;
    bool writing = false;
    library.setWriteHook([&](const Bytes& p) {
        const std::string token = updater_test::packetToken(p.data(), p.size());
        if (token.rfind("PW", 0) == 0) {
            writing = true;
        } else if (token == "D6" && writing) {
            afterPart.push_back(flashContents());
            writing = false;
        }
    });

    expectSucceeded(updater.run());

    Events expected{"DB", "D6", "sleep 1000", "D5", "D8", "sleep 1000"};
    addPart(expected, "1A70", parts[0].payload.size());
    for (std::size_t n = 1; n < parts.size(); ++n) {
        expected.push_back("D6");
        addWriteActive(expected);
        expected.push_back("D8");
        if (n == 1) {
            expected.push_back("sleep 1000");
        }
        addPart(expected, parts[n].id, parts[n].payload.size());
    }
    append(expected, {"D6", "D6"});
    addWriteActive(expected);
    append(expected, {"sleep 1000", "D6", "DC"});
    EXPECT_EQ(trace.events(), expected);

    ASSERT_EQ(afterPart.size(), parts.size());
    for (std::size_t n = 0; n < parts.size(); ++n) {
        SCOPED_TRACE("part " + std::to_string(n + 1));
        expectRange(afterPart[n], parts[n].id, parts[n].payload);
    }
    // Parts 4 and 5 took the ranges of parts 2 and 3 again.
    expectRange(flashContents(), "1A70", parts[0].payload);
    expectRange(flashContents(), "1A60", parts[3].payload);
    expectRange(flashContents(), "1A65", parts[4].payload);
    expectUntouched(30 * updater::kSectorSize, flashContents().size());

    // The part row is blanked at the end with the warning above it.
    EXPECT_EQ(linesAt(40), (std::vector<std::string>{
                               padded("Writing part 2 ...", 32), padded("Writing part 3 ...", 32),
                               padded("Writing part 4 ...", 32), padded("Writing part 5 ...", 31),
                               std::string(32, ' ')}));
    const std::vector<DrawnLine> end(ui.lines.end() - 7, ui.lines.end());
    EXPECT_EQ(end, (std::vector<DrawnLine>{
                       {10, padded("Update ok...", 34)},
                       {10, padded("FLASH update ok", 42)},
                       {30, std::string(42, ' ')},
                       {40, std::string(32, ' ')},
                       {60, padded("Power cycle VORTILAN2", 33)},
                       {80, padded("After power up, wait around 15 seconds", 42)},
                       {100, padded("VORTILAN2 will reconfigure and start", 39)},
                   }));
    EXPECT_EQ(std::count(ui.lines.begin(), ui.lines.end(),
                         DrawnLine{10, padded("Write active, please wait...", 34)}),
              5);
    EXPECT_TRUE(updater.morePartsFlag());
}

// ---- chunks

struct ChunkCase {
    std::size_t payload;
    std::vector<unsigned> chunks;
};

class Chunking : public UpdateRun, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(Chunking, SendsThirtyTwoByteChunksWithTheirAddressesAndChecksums) {
    const ChunkCase& c = GetParam();
    const Bytes payload = updater_test::pattern(c.payload, 20);
    writeParts({{"1A65", payload}});

    expectSucceeded(updater.run());

    std::vector<Bytes> chunks;
    for (const Bytes& w : library.writes()) {
        if (w.size() > 2 && w[2] == 0xD7) {
            chunks.push_back(w);
        }
    }
    ASSERT_EQ(chunks.size(), c.chunks.size());
    std::uint32_t address = 0x0A0000;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        const Bytes& p = chunks[i];
        const unsigned length = c.chunks[i];
        ASSERT_EQ(p.size(), length + 8u);
        EXPECT_EQ(p[0], 0x00);
        EXPECT_EQ(p[1], length);
        EXPECT_EQ(p[3], 0x02);
        EXPECT_EQ(static_cast<std::uint32_t>(p[4] << 16 | p[5] << 8 | p[6]), address);
        EXPECT_TRUE(std::equal(p.begin() + 7, p.end() - 1, payload.begin() + offset));
        unsigned sum = p.back();
        for (unsigned k = 0; k < length; ++k) {
            sum += p[7 + k];
        }
        EXPECT_EQ(sum & 0xFF, 0u) << "chunk " << i;
        address += length;
        offset += length;
    }
    EXPECT_EQ(std::count(ui.lines.begin(), ui.lines.end(),
                         DrawnLine{10, padded("Flash write started...", 45)}),
              1);
    expectRange(flashContents(), "1A65", payload);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Chunking,
                         ::testing::Values(ChunkCase{0, {}}, ChunkCase{1, {1}}, ChunkCase{32, {32}},
                                           ChunkCase{33, {32, 1}}, ChunkCase{65, {32, 32, 1}}));

TEST_F(UpdateRun, ThirtyThreeBytesEndWithAOneByteChunkWhoseChecksumIsItsNegatedByte) {
    Bytes payload = updater_test::pattern(33, 21);
    payload[32] = 0x3C;
    writeParts({{"1A60", payload}});
    expectSucceeded(updater.run());
    const auto writes = library.writes();
    const auto last = std::find_if(writes.rbegin(), writes.rend(),
                                   [](const Bytes& w) { return w.size() > 2 && w[2] == 0xD7; });
    ASSERT_NE(last, writes.rend());
    EXPECT_EQ(*last, (Bytes{0x00, 0x01, 0xD7, 0x02, 0x00, 0x00, 0x20, 0x3C, 0xC4}));
}

TEST_F(UpdateRun, ProgressIsDrawnOnEverySixtyFifthAttempt) {
    writeParts({{"1A60", updater_test::pattern(130 * 32, 22)}});
    expectSucceeded(updater.run());
    std::vector<std::string> progress;
    for (const auto& line : linesAt(10)) {
        if (line.rfind("Flash write: ", 0) == 0) {
            progress.push_back(line);
        }
    }
    // Before chunk 65: 66 of 130 chunks still to go; before chunk 130: one.
    EXPECT_EQ(progress, (std::vector<std::string>{"Flash write:  49.2 %" + std::string(33, ' '),
                                                  "Flash write:  99.2 %" + std::string(33, ' ')}));
}

// ---- failing chunks

TEST_F(UpdateRun, AChunkThatFailsOnceIsResentAfterOneSecond) {
    writeParts({{"1A65", updater_test::pattern(96, 30)}});
    ASSERT_EQ(flashControl("fail-chunks 1 after 1"), "ok");

    expectSucceeded(updater.run());

    const Events e = trace.events();
    const auto first = std::find(e.begin(), e.end(), "PW 0x0A0000 32");
    ASSERT_NE(first, e.end());
    EXPECT_EQ(Events(first, first + 5), (Events{"PW 0x0A0000 32", "PW 0x0A0020 32", "sleep 1000",
                                                "PW 0x0A0020 32", "PW 0x0A0040 32"}));
    EXPECT_EQ(std::count(ui.lines.begin(), ui.lines.end(),
                         DrawnLine{10, padded("Flash Write ERROR: retransmit...", 42)}),
              1);
    expectRange(flashContents(), "1A65", updater_test::pattern(96, 30));
}

struct FaultCase {
    const char* name;
    std::vector<std::string> faults;
    bool succeeds;
    std::size_t retransmitLines;
};

class ChunkFaults : public UpdateRun, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ChunkFaults, OnlyTwoFailuresOfOneChunkInARowEndTheRun) {
    const FaultCase& c = GetParam();
    writeParts({{"1A65", updater_test::pattern(160, 31)}});
    for (const auto& f : c.faults) {
        ASSERT_EQ(flashControl(f), "ok");
    }
    const RunEnd end = updater.run();
    EXPECT_EQ(std::count(ui.lines.begin(), ui.lines.end(),
                         DrawnLine{10, padded("Flash Write ERROR: retransmit...", 42)}),
              static_cast<std::ptrdiff_t>(c.retransmitLines));
    if (c.succeeds) {
        expectSucceeded(end);
        expectRange(flashContents(), "1A65", updater_test::pattern(160, 31));
        return;
    }
    expectFatal(end, "Chip Write error");
    EXPECT_EQ(ui.messages, (std::vector<Message>{critical("Flash Write ERROR!"), critical(" ")}));
    // Nothing follows the chunk's second failure.
    const Events e = trace.events();
    EXPECT_EQ(Events(e.end() - 3, e.end()),
              (Events{"PW 0x0A0020 32", "sleep 1000", "PW 0x0A0020 32"}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ChunkFaults,
    ::testing::Values(
        FaultCase{"TwiceInARow", {"fail-chunks 2 after 1"}, false, 2},
        FaultCase{"FailSucceedFail", {"fail-chunks 1 after 1", "fail-chunks 1 after 3"}, true, 2},
        FaultCase{"OnceInEveryChunk",
                  {"fail-chunks 1", "fail-chunks 1 after 2", "fail-chunks 1 after 4",
                   "fail-chunks 1 after 6", "fail-chunks 1 after 8"},
                  true,
                  5}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(UpdateRun, UnplugMidWriteEndsTheRunWithStatusOne) {
    const Bytes payload = updater_test::pattern(640, 32);
    writeParts({{"1A60", payload}});
    ASSERT_EQ(flashControl("unplug-after 10"), "ok");

    expectFatal(updater.run(), "Chip Write error");
    EXPECT_EQ(ui.messages,
              (std::vector<Message>{{"Error Checking Queue", " ", MessageIcon::Warning},
                                    {"Error Sending Code", " ", MessageIcon::Warning},
                                    critical("Flash Write ERROR!"),
                                    critical(" ")}));
    const auto flash = flashContents();
    EXPECT_TRUE(std::equal(payload.begin(), payload.begin() + 320, flash.begin()));
    EXPECT_TRUE(std::all_of(flash.begin() + 320, flash.begin() + 0xA0000,
                            [](auto b) { return b == 0xFF; }));
}

// ---- erase and ready poll

TEST_F(UpdateRun, AFlashThatStaysBusyAfterAnEraseFailsAsAnEraseError) {
    writeParts({{"1A60", updater_test::pattern(64, 40)}});
    ASSERT_EQ(flashControl("stay-busy on"), "ok");
    std::uint32_t eraseAt = 0;
    library.setWriteHook([&](const Bytes& p) {
        if (updater_test::packetToken(p.data(), p.size()) == "SE 0") {
            eraseAt = clock.manual().now();
        }
    });
    std::uint32_t failedAt = 0;
    ui.onMessage = [&](const Message&) {
        if (failedAt == 0) {
            failedAt = clock.manual().now();
        }
    };

    expectFatal(updater.run(), "Chip Erase error");
    EXPECT_EQ(ui.messages, (std::vector<Message>{critical("Sector erase error!"), critical(" ")}));
    EXPECT_GE(failedAt - eraseAt, updater::kSectorEraseLimitMs);
    EXPECT_LE(failedAt - eraseAt, updater::kSectorEraseLimitMs + 20);
    EXPECT_EQ(count("SE 0"), 1u);
    EXPECT_EQ(count("SE 1"), 0u);
    EXPECT_EQ(count("PW 0x000000 32"), 0u);
}

TEST_F(UpdateRun, TheReadyPollGivesUpAfter2000CyclesAndTheRunGoesOn) {
    writeParts({{"1A70", Bytes(40, 1)},
                {"1A60", Bytes(40, 2)},
                {"1A65", Bytes(40, 3)},
                {"1A60", Bytes(40, 4)},
                {"1A65", Bytes(40, 5)}});
    ASSERT_EQ(flashControl("never-ready"), "ok");

    expectSucceeded(updater.run());

    EXPECT_EQ(count("DA"), 5u * 2000u);
    EXPECT_EQ(count("sleep 10"), 5u * 2000u);
    EXPECT_EQ(updater.readyPollCounter(), 0);
    EXPECT_TRUE(ui.messages.size() == 1u);  // only "FLASH update ok "
    const Events e = trace.events();
    const auto firstD9 = std::find(e.begin(), e.end(), "D9");
    ASSERT_NE(firstD9, e.end());
    EXPECT_EQ(*(firstD9 + 1 + 2 * 2000), "D8");
}

// ---- control commands

struct ControlFailure {
    std::uint8_t code;
    int failures;  // wrong answers in a row
    const char* box;
    const char* fatalText;  // nullptr: the run goes on
    const char* retryLine;
    std::size_t retryWidth;
};

class ControlFailures : public ::testing::TestWithParam<ControlFailure> {};

TEST_P(ControlFailures, OneWrongAnswerIsRetriedTwoEndTheRun) {
    const ControlFailure& c = GetParam();
    emu::FlashProtocol flash;
    testing_support::ScriptedLibrary library;
    int wrong = 0;
    library.setResponder([&](const Bytes& p) {
        if (p.size() == 3 && p[2] == c.code && wrong < c.failures) {
            ++wrong;
            return Bytes{0x00};
        }
        return flash.handle(p.data(), p.size()).answer;
    });
    updater_test::Trace trace;
    updater_test::TracingClock clock(trace);
    updater_test::RecordingUi ui;
    updater_test::TempDir dir;
    dir.writeImage(kPart1, "1A65", Bytes(40, 7));
    updater::FlashUpdater updater(library, clock, ui, {dir.path()});

    const RunEnd end = updater.run();

    const DrawnLine retry{10, padded(c.retryLine, c.retryWidth)};
    EXPECT_EQ(std::count(ui.lines.begin(), ui.lines.end(), retry), 1);
    if (c.fatalText == nullptr) {
        EXPECT_EQ(end, RunEnd::Succeeded);
        return;
    }
    EXPECT_EQ(end, RunEnd::Fatal);
    EXPECT_EQ(ui.messages, (std::vector<Message>{critical(c.box), critical(" ")}));
    EXPECT_EQ(ui.lines.back(), (DrawnLine{10, padded(c.fatalText, 36)}));
    EXPECT_EQ(ui.endings, std::vector<int>{1});
    // The failing command was the last thing sent, twice.
    const auto& writes = library.writes();
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes.back(), (Bytes{0x01, 0x01, c.code}));
    EXPECT_EQ(writes[writes.size() - 2], (Bytes{0x01, 0x01, c.code}));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ControlFailures,
    ::testing::Values(ControlFailure{0xDB, 1, "", nullptr, "Reset FPGA error:  retransmit...", 47},
                      ControlFailure{0xD5, 1, "", nullptr, "Select Speed error:  retransmit...",
                                     38},
                      ControlFailure{0xDB, 2, "ERROR Resetting FPGA!", "Write error",
                                     "Reset FPGA error:  retransmit...", 47},
                      ControlFailure{0xD5, 2, "ERROR Selecting Speed!", "SPI Speed error",
                                     "Select Speed error:  retransmit...", 38},
                      ControlFailure{0xD8, 2, "ERROR Resetting FPGA!", "Write error",
                                     "Reset FPGA error:  retransmit...", 47},
                      ControlFailure{0xDC, 2, "ERROR Resetting FPGA!", "Write error",
                                     "Reset FPGA error:  retransmit...", 47}));

struct EraseAnswer {
    const char* name;
    Bytes packet;         // the packet whose answer is replaced
    std::uint8_t answer;  // the wrong answer
    const char* box;
};

class EraseAnswers : public ::testing::TestWithParam<EraseAnswer> {};

TEST_P(EraseAnswers, AWrongAnswerToWriteEnableOrEraseEndsTheRunBeforeAnyWrite) {
    const EraseAnswer& c = GetParam();
    emu::FlashProtocol flash;
    testing_support::ScriptedLibrary library;
    library.setResponder([&](const Bytes& p) {
        const Bytes good = flash.handle(p.data(), p.size()).answer;
        return p == c.packet ? Bytes{c.answer} : good;
    });
    updater_test::Trace trace;
    updater_test::TracingClock clock(trace);
    updater_test::RecordingUi ui;
    updater_test::TempDir dir;
    dir.writeImage(kPart1, "1A70", Bytes(40, 7));
    for (std::size_t part = 1; part < updater::kPartFiles.size(); ++part) {
        dir.writeImage(updater::kPartFiles[part], "1A60", Bytes(40, 8));
    }
    updater::FlashUpdater updater(library, clock, ui, {dir.path()});

    EXPECT_EQ(updater.run(), RunEnd::Fatal);
    EXPECT_EQ(ui.messages, (std::vector<Message>{critical(c.box), critical(" ")}));
    EXPECT_EQ(ui.lines.back(), (DrawnLine{10, padded("Chip Erase error", 36)}));
    EXPECT_EQ(ui.endings, std::vector<int>{1});
    EXPECT_EQ(library.writes().back(), c.packet);
    EXPECT_EQ(std::count_if(library.writes().begin(), library.writes().end(),
                            [](const Bytes& w) { return w.size() > 2 && w[2] == 0xD7; }),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EraseAnswers,
    ::testing::Values(
        EraseAnswer{"WriteEnable", {0x00, 0x04, 0xD0, 0x06}, 0x27, "ERROR Write Enable!"},
        // 0x51 is the right answer for sector 0, not for sector 16 (0x41).
        EraseAnswer{
            "Sector16", {0x00, 0x07, 0xD0, 0xD8, 16, 0x00, 0x00}, 0x51, "Sector erase error!"},
        EraseAnswer{
            "Sector29", {0x00, 0x07, 0xD0, 0xD8, 29, 0x00, 0x00}, 0x00, "Sector erase error!"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WaitReady, AFailingLinkShowsItsMessageOnceNotInEveryCycle) {
    testing_support::ScriptedLibrary library;
    updater_test::Trace trace;
    updater_test::TracingClock clock(trace);
    updater_test::RecordingUi ui;
    updater::FlashUpdater updater(library, clock, ui, {});
    updater.link().openBox();
    ASSERT_TRUE(updater.link().isOpen());
    library.failNext("write", 2000);

    EXPECT_FALSE(updater.waitReady());
    EXPECT_EQ(library.callCount("write"), 2000);
    EXPECT_EQ(clock.manual().totalSleptMs(), 2000u * 10u);
    EXPECT_EQ(ui.messages,
              (std::vector<Message>{{"Error Sending Code", " ", MessageIcon::Warning}}));
}

// ---- image files

TEST_F(UpdateRun, ImageFilesAreLookedUpInTheWorkingDirectoryFirst) {
    updater_test::TempDir besideProgram;
    const Bytes here = updater_test::pattern(50, 50);
    const Bytes there = updater_test::pattern(50, 51);
    besideProgram.writeImage(kPart1, "1A65", there);
    updater::FlashUpdater both(library, clock, ui, {dir.path(), besideProgram.path()});

    expectSucceeded(both.run());
    expectRange(flashContents(), "1A65", there);

    dir.writeImage(kPart1, "1A65", here);
    updater::FlashUpdater again(library, clock, ui, {dir.path(), besideProgram.path()});
    EXPECT_EQ(again.run(), RunEnd::Succeeded);
    expectRange(flashContents(), "1A65", here);
}

TEST_F(UpdateRun, WriteImageFileWithAWrongIdSaysSoOnTheStandardOutputAndSendsNothing) {
    dir.writeImage(kPart1, "1A80", Bytes(40, 1));
    updater.link().openBox();
    ASSERT_TRUE(updater.link().isOpen());
    EXPECT_FALSE(updater.writeImageFile(kPart1));
    EXPECT_EQ(ui.printed, std::vector<std::string>{"Wrong ID"});
    EXPECT_TRUE(library.writes().empty());
    EXPECT_FALSE(updater.morePartsFlag());
}

struct Refusal {
    const char* name;
    std::vector<std::pair<std::string, Bytes>> files;  // name, whole contents
    std::vector<std::string> directories;
    Message message;
};

Bytes image(const std::string& id, std::size_t payload) {
    Bytes bytes(id.begin(), id.end());
    bytes.resize(id.size() + payload, 0x11);
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> fullSetWith(std::size_t part, Bytes contents) {
    std::vector<std::pair<std::string, Bytes>> files{
        {updater::kPartFiles[0], image("1A70", 100)}, {updater::kPartFiles[1], image("1A60", 10)},
        {updater::kPartFiles[2], image("1A65", 10)},  {updater::kPartFiles[3], image("1A60", 10)},
        {updater::kPartFiles[4], image("1A65", 10)},
    };
    if (contents.empty()) {
        files.erase(files.begin() + static_cast<std::ptrdiff_t>(part));
    } else {
        files[part].second = std::move(contents);
    }
    return files;
}

Message refusal(const std::string& text, const std::string& caption) {
    return {text, caption, MessageIcon::Warning};
}

class PreflightRefusal : public UpdateRun, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PreflightRefusal, SaysWhichFileAndWhyAndNeverTouchesTheBox) {
    const Refusal& c = GetParam();
    for (const auto& [name, contents] : c.files) {
        dir.writeFile(name, contents);
    }
    for (const auto& name : c.directories) {
        std::filesystem::create_directory(dir.path() / name);
    }

    EXPECT_EQ(updater.run(), RunEnd::Stopped);

    EXPECT_EQ(ui.messages, std::vector<Message>{c.message});
    EXPECT_EQ(library.calls(), 0);
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_TRUE(ui.endings.empty());
    expectUntouched(0, flashContents().size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PreflightRefusal,
    ::testing::Values(
        Refusal{"MainFileMissing",
                {},
                {},
                refusal("Input file VORTILAN2-FPGA-2.45-1013.bin not found", "File missing")},
        Refusal{"MainFileWrongId",
                {{updater::kPartFiles[0], image("1A80", 10)}},
                {},
                refusal("Input file VORTILAN2-FPGA-2.45-1013.bin carries an unknown image ID "
                        "(known: 1A60, 1A65, 1A70)",
                        "Wrong ID")},
        Refusal{"MainFileWithoutId",
                {{updater::kPartFiles[0], Bytes{'1', 'A', '7'}}},
                {},
                refusal("Input file VORTILAN2-FPGA-2.45-1013.bin is too short to carry an image ID",
                        "Wrong ID")},
        Refusal{"MainFileTooLarge",
                {{updater::kPartFiles[0], image("1A65", 6 * 0x10000 + 1)}},
                {},
                refusal("Input file VORTILAN2-FPGA-2.45-1013.bin does not fit: 393217 bytes of "
                        "data, the range 1A65 holds 393216",
                        "File too large")},
        Refusal{"OsdPartMissing",
                fullSetWith(2, {}),
                {},
                refusal("Input file ORVINE.0.1.OSD.02.bin not found", "File missing")},
        Refusal{"OsdPartWrongId",
                fullSetWith(4, image("1a65", 10)),
                {},
                refusal("Input file ORVINE.0.1.OSD.04.bin carries an unknown image ID (known: "
                        "1A60, 1A65, 1A70)",
                        "Wrong ID")},
        Refusal{"OsdPartTooLarge",
                fullSetWith(3, image("1A60", 10 * 0x10000 + 1)),
                {},
                refusal("Input file ORVINE.0.1.OSD.03.bin does not fit: 655361 bytes of data, the "
                        "range 1A60 holds 655360",
                        "File too large")},
        Refusal{"OsdPartIsADirectory",
                fullSetWith(1, {}),
                {updater::kPartFiles[1]},
                refusal("Input file ORVINE.0.1.OSD.01.bin cannot be read", "File error")}),
    [](const auto& p) { return std::string(p.param.name); });

// A device or a FIFO named as an image is refused before anything is read
// from it: a size is only trusted from a regular file.
TEST_F(UpdateRun, EndlessInputsNamedAsImagesAreRefusedUnread) {
    const testing_support::EndlessFifo fifo((dir.path() / "fifo").string());
    for (const std::filesystem::path& target : {std::filesystem::path("/dev/zero"),
                                               std::filesystem::path(fifo.path())}) {
        std::filesystem::remove(dir.path() / updater::kPartFiles[0]);
        std::filesystem::create_symlink(target, dir.path() / updater::kPartFiles[0]);
        ui.messages.clear();
        EXPECT_EQ(updater.run(), RunEnd::Stopped);
        EXPECT_EQ(ui.messages,
                  std::vector<Message>{refusal(
                      "Input file VORTILAN2-FPGA-2.45-1013.bin cannot be read", "File error")});
        EXPECT_EQ(library.calls(), 0);
    }
}

TEST_F(UpdateRun, ImagesThatFillTheirRangeExactlyAreAccepted) {
    const Bytes full = updater_test::pattern(6 * 0x10000, 60);
    writeParts({{"1A65", full}});
    expectSucceeded(updater.run());
    expectRange(flashContents(), "1A65", full);
    expectUntouched(0x100000, 0x100000 + 16);
}

TEST_F(UpdateRun, WithoutABoxTheRunEndsAndDrawsNothing) {
    updater_test::EmulatedBox longer("20261");
    updater_test::EmulatedBox trailingBlank("2026 ");
    const auto others = usb::createSocketLibrary({longer.socketPath(), trailingBlank.socketPath()});
    updater_test::RecordingLibrary otherLibrary(*others, trace);
    updater::FlashUpdater noBox(otherLibrary, clock, ui, {dir.path()});
    writeParts({{"1A65", Bytes(40, 1)}});
    EXPECT_EQ(noBox.run(), RunEnd::Stopped);
    EXPECT_EQ(ui.messages,
              (std::vector<Message>{{"VORTILAN2 not connected!", " ", MessageIcon::Warning}}));
    EXPECT_TRUE(ui.lines.empty());
    EXPECT_TRUE(trace.events().empty());
}

}  // namespace

// The emulator's control language, run in-process on a server that is not
// started (the commands act on its box).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "emulator/Edid.h"
#include "emulator/Server.h"
#include "tests/emulator/Requests.h"

namespace {

using namespace emutest;

struct ControlCase {
    const char* name;
    std::vector<std::string> commands;  // all but the last must answer "ok ..."
    const char* replyStart;             // the start of the last reply
    std::function<bool(emu::Box&)> check;
};

void PrintTo(const ControlCase& c, std::ostream* os) {
    *os << c.name;
}

class EmuControl : public ::testing::TestWithParam<ControlCase> {};

TEST_P(EmuControl, ChangesTheBoxAsTold) {
    const ControlCase& c = GetParam();
    emu::ServerOptions options;
    options.socketPath = "/nonexistent/unused";
    emu::Server server(options);
    for (std::size_t i = 0; i + 1 < c.commands.size(); ++i) {
        ASSERT_EQ(server.command(c.commands[i]).rfind("ok", 0), 0u) << c.commands[i];
    }
    const std::string reply = server.command(c.commands.back());
    EXPECT_EQ(reply.rfind(c.replyStart, 0), 0u) << reply;
    const std::string lastLine = reply.substr(reply.rfind('\n') + 1);
    EXPECT_TRUE(lastLine.rfind("ok", 0) == 0 || lastLine.rfind("error", 0) == 0) << reply;
    if (c.check) {
        EXPECT_TRUE(server.withBox(c.check));
    }
}

bool unchanged(emu::Box& box) {
    return box.ep() == emu::Box().ep();
}

std::uint8_t S(emu::Box& box, std::size_t n) {
    return box.ep()[n];
}

bool infoframeValid(const emu::Page& p) {
    unsigned sum = 0;
    for (std::size_t i = 2; i < 6u + p[4]; ++i) {
        sum += p[i];
    }
    return sum % 256 == 0;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EmuControl,
    ::testing::Values(
        ControlCase{"SetOneByte", {"set S 3 2"}, "ok", [](emu::Box& b) { return S(b, 3) == 2; }},
        ControlCase{
            "SetSeveralHexAndSigned",
            {"set S 47 0xFA -6 5"},
            "ok",
            [](emu::Box& b) { return S(b, 47) == 0xFA && S(b, 48) == 0xFA && S(b, 49) == 5; }},
        ControlCase{"SetPastTheEnd", {"set S 79 1 2"}, "error", unchanged},
        ControlCase{"SetByteOutOfRange", {"set S 80 1"}, "error", unchanged},
        ControlCase{"SetValueOutOfRange", {"set S 1 256"}, "error", unchanged},
        ControlCase{"SetNotANumber", {"set S 1 x"}, "error", unchanged},
        ControlCase{
            "PageBytes",
            {"page 20 2 87 01 1A"},
            "ok",
            [](emu::Box& b) { return b.page(20)->at(2) == 0x87 && b.page(20)->at(4) == 0x1A; }},
        ControlCase{"PageBytesWithColons",
                    {"page 65 2 03:01"},
                    "ok",
                    [](emu::Box& b) { return b.page(65)->at(2) == 3 && b.page(65)->at(3) == 1; }},
        ControlCase{"PageRunsOver", {"page 1 63 41 42"}, "error", nullptr},
        ControlCase{"PageUnknown", {"page 24 0 00"}, "error", nullptr},
        ControlCase{"PageBadHex", {"page 1 6 4G"}, "error", nullptr},
        ControlCase{"Text",
                    {"text 1 6 1920x1080p24 RGB"},
                    "ok",
                    [](emu::Box& b) { return emu::pageText(*b.page(1), 6) == "1920x1080p24 RGB"; }},
        ControlCase{
            "Infoframe",
            {"infoframe 20 87 01 02 00 34 21"},
            "ok",
            [](emu::Box& b) { return b.page(20)->at(4) == 4 && infoframeValid(*b.page(20)); }},
        ControlCase{"InputByName", {"input swap"}, "ok", [](emu::Box& b) { return S(b, 0) == 4; }},
        ControlCase{"InputByNumber", {"input 2"}, "ok", [](emu::Box& b) { return S(b, 0) == 2; }},
        ControlCase{"InputUnknown", {"input side"}, "error", unchanged},
        ControlCase{
            "EdidSwitch", {"edidswitch fixed"}, "ok", [](emu::Box& b) { return S(b, 3) == 2; }},
        ControlCase{"HdcpSwitchForced",
                    {"hdcpswitch 1.4"},
                    "ok",
                    [](emu::Box& b) { return S(b, 6) == 2 && S(b, 4) == 2; }},
        ControlCase{"HdcpSwitchSoftKeepsLevel",
                    {"hdcpswitch 1.4", "hdcpswitch soft"},
                    "ok",
                    [](emu::Box& b) { return S(b, 6) == 1 && S(b, 4) == 2; }},
        ControlCase{
            "ScaleSwitch", {"scaleswitch none"}, "ok", [](emu::Box& b) { return S(b, 44) == 0; }},
        ControlCase{"PresetByName",
                    {"preset 4k60 PRESET_4K60_420_8"},
                    "ok",
                    [](emu::Box& b) { return S(b, 27) == 4; }},
        ControlCase{
            "PresetByCode", {"preset 4k60hdr 5"}, "ok", [](emu::Box& b) { return S(b, 28) == 5; }},
        ControlCase{"PresetUnknown", {"preset 8k60 8"}, "error", unchanged},
        ControlCase{"AudioLevels",
                    {"volume -6", "bass 12"},
                    "ok",
                    [](emu::Box& b) { return S(b, 47) == 0xFA && S(b, 48) == 12; }},
        ControlCase{"AudioLevelOutOfRange", {"treble 200"}, "error", unchanged},
        ControlCase{"StateSdr",
                    {"set S 8 0", "state sdr"},
                    "ok",
                    [](emu::Box& b) { return b.page(20)->at(2) == 0 && S(b, 8) == 1; }},
        ControlCase{"SignalKeepsSettings",
                    {"set S 8 0", "signal sdr"},
                    "ok",
                    [](emu::Box& b) { return b.page(20)->at(2) == 0 && S(b, 8) == 0; }},
        ControlCase{"StateUnknown", {"state nonesuch"}, "error", unchanged},
        ControlCase{
            "SinkNone",
            {"sink tx1 none"},
            "ok",
            [](emu::Box& b) { return !b.sink(1) && emu::pageText(*b.page(8), 10).empty(); }},
        ControlCase{"SinkEmbedded",
                    {"sink tx0 sharp-lc70uq17u-hdmi1"},
                    "ok",
                    [](emu::Box& b) { return emu::pageText(*b.page(7), 10) == "SHARP HDMI"; }},
        ControlCase{
            "SinkMissingFile", {"sink tx0 /nonexistent/tv.bin"}, "error cannot open", nullptr},
        ControlCase{"SinkUnknownName", {"sink tx0 nonesuch"}, "error no embedded EDID", nullptr},
        ControlCase{"Table",
                    {"table 4 lg-c8-hdmi"},
                    "ok",
                    [](emu::Box& b) { return emu::monitorName(*b.table(4)) == "LG TV"; }},
        ControlCase{"TableBack",
                    {"table 4 lg-c8-hdmi", "table 4 default"},
                    "ok",
                    [](emu::Box& b) { return *b.table(4) == emu::defaultTableEdid(4); }},
        ControlCase{"TableOutOfRange", {"table 101 default"}, "error", nullptr},
        ControlCase{"Busy", {"busy 0"}, "ok", [](emu::Box& b) { return b.busyReads() == 0; }},
        ControlCase{"Pcb", {"pcb 0"}, "ok", [](emu::Box& b) { return b.pcbRevision() == 0; }},
        ControlCase{"FaultQueued",
                    {"fault split 2 10", "show faults"},
                    "split for 2 answers, 10 ms",
                    nullptr},
        ControlCase{"FaultUnknown", {"fault sometimes"}, "error unknown fault", nullptr},
        ControlCase{"FaultDelayNeedsMs", {"fault delay 1"}, "error", nullptr},
        ControlCase{"FaultBadCount", {"fault echo 0"}, "error", nullptr},
        ControlCase{"ShowS", {"show S"}, "S[ 0] 01 00 01 03", nullptr},
        ControlCase{"ShowPage", {"dump page 0"}, "00: 00 00 46 57", nullptr},
        ControlCase{"ShowTable",
                    {"show table 11"},
                    "11 - 4K60-444 600MHz HDR BT2020 All Sound\n00: 00 FF",
                    nullptr},
        ControlCase{"ShowRxEdid", {"show edid rx0"}, "automix, TX0 TV LG TV SSCR", nullptr},
        ControlCase{"ShowPackets", {"show packets"}, "E5 HDR infoframe", nullptr},
        ControlCase{"ShowStates", {"show states"}, "default ", nullptr},
        ControlCase{"ShowUnknown", {"show nothing"}, "error", nullptr},
        ControlCase{"Help", {"help"}, "Commands", nullptr},
        ControlCase{"Comment", {"# a comment"}, "ok", unchanged},
        ControlCase{"Empty", {"   "}, "ok", unchanged},
        ControlCase{"Unknown", {"frobnicate"}, "error unknown command", unchanged},
        ControlCase{"QuitWithoutProgram", {"quit"}, "error", nullptr},
        ControlCase{"Flash", {"flash status"}, "ok", nullptr}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(EmuControlPackets, ShowPacketsListsWhatTheHostSent) {
    emu::ServerOptions options;
    options.socketPath = "/nonexistent/unused";
    emu::Server server(options);
    const Bytes cec = tagged(boxlink::CMD_CEC_MESSAGE, "cecif", {0x50, 0x04});
    server.withBox([&](emu::Box& b) { return b.handle(cec.data(), cec.size()); });
    EXPECT_NE(server.command("show packets").find("EA CEC message        50 04"), std::string::npos)
        << server.command("show packets");
}

TEST(EmuControlPackets, SinkFromAFileNeeds256Bytes) {
    const auto path = std::filesystem::temp_directory_path() / "v2-emu-control-short.bin";
    std::ofstream(path, std::ios::binary) << "too short";
    emu::ServerOptions options;
    options.socketPath = "/nonexistent/unused";
    emu::Server server(options);
    const std::string reply = server.command("sink tx0 " + path.string());
    EXPECT_EQ(reply.rfind("error", 0), 0u);
    EXPECT_NE(reply.find("256"), std::string::npos);
    std::filesystem::remove(path);
}

}  // namespace

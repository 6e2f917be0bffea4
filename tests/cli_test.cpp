// The command line against the emulated box: each command's traffic and
// output, its exit status, and what it says when it cannot do its work.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/Cli.h"
#include "config/NamedSettings.h"
#include "edid/Image.h"
#include "emulator/Box.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedLibrary.h"
#include "usb/UsbLibrary.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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

Bytes reg(std::uint8_t r, std::uint8_t v) {
    return {0x10, 0x04, 0xE0, r, v};
}

struct Result {
    int code;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    Result run(std::vector<std::string> args) { return runOn(box_.library(), std::move(args)); }

    Result runOn(usb::Library& library, std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        cli::Environment env{library, clock_,
                             out,     err,
                             false,   [] { return config::LocalTime{1, 2, 2026, 3, 4, 5}; }};
        const int code = cli::run(args, env);
        return {code, out.str(), err.str()};
    }

    // The requests the box received, without the reads every command starts with.
    std::vector<Bytes> writes() { return box_.writes(); }

    std::string path(const std::string& name) {
        return (std::filesystem::path(dir_.path()) / name).string();
    }

    struct TempDir {
        TempDir() {
            path_ =
                std::filesystem::temp_directory_path() /
                ("v2-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
            std::filesystem::create_directories(path_);
        }
        ~TempDir() { std::filesystem::remove_all(path_); }
        std::string path() const { return path_.string(); }
        std::filesystem::path path_;
        static inline int counter_ = 0;
    };

    testing_support::EmulatedBox box_;
    testing_support::ManualClock clock_{50};
    TempDir dir_;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// ---- Sending commands: traffic and exit status ------------------------------------

struct SendCase {
    const char* name;
    std::vector<std::string> args;
    std::vector<Bytes> writes;  // every write request the box received, in order
    int code = 0;
    const char* err = "";  // what standard error starts with
};

void PrintTo(const SendCase& c, std::ostream* os) {
    *os << c.name;
}

class CliSend : public CliTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(CliSend, SendsExactlyItsRequests) {
    const SendCase& c = GetParam();
    box_.clearTrace();
    const Result r = run(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.err.substr(0, std::string(c.err).size()), c.err) << r.err;
    EXPECT_EQ(writes(), c.writes);
}

const Bytes kHdr31 = [] {
    Bytes b(31, 0x11);
    return b;
}();

std::string list(const Bytes& values) {
    std::string text;
    static const char* hex = "0123456789abcdef";
    for (const std::uint8_t v : values) {
        text += (text.empty() ? "" : ":") + std::string{hex[v >> 4], hex[v & 15]};
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliSend,
    ::testing::Values(
        SendCase{"CecStandby", {"cec", "send", "5f:36"}, {tagged(0xEA, "cecif", {0x5F, 0x36})}},
        SendCase{"CecOneDigitRefused",
                 {"cec", "send", "5f:3"},
                 {},
                 2,
                 "Can't send the CEC message: Error: min 2, max 16 values"},
        SendCase{"HdrSwitchesTheBoxToIt",
                 {"infoframe", "send", "hdr", list(kHdr31)},
                 {tagged(0xE5, "hdrif", kHdr31), reg(40, 1)}},
        SendCase{"AviTooLongRefused",
                 {"infoframe", "send", "avi", list(Bytes(18, 1))},
                 {},
                 2,
                 "Can't send the avi packet: Error: min 2, max 17 bytes"},
        SendCase{"UnknownInfoframeKind", {"infoframe", "send", "spd", "01:02"}, {}, 2, "vortilan2"},
        SendCase{"Rs232",
                 {"rs232", "send", "21:89:01:49:50:36"},
                 {{0x10, 0x07, 0xF0, 0x21, 0x89, 0x01, 0x49, 0x50, 0x36, 0x00}}},
        SendCase{"Rs232Empty", {"rs232", "send", ""}, {}, 2, "Can't send the RS-232 command"},
        SendCase{"OsdText",
                 {"osd", "text", "Hi", "--at", "300,40"},
                 {{0x10, 16, 0xEC, 'o', 's', 'd', 't', 'e', 'x', 't', ' ', 2, 0x01, 0x01, 0x2C,
                   0x00, 0x28, 'H', 'i'}}},
        SendCase{"OsdTextTooLong",
                 {"osd", "text", std::string(41, 'x')},
                 {},
                 2,
                 "Can't set the OSD text"},
        SendCase{"SetWord", {"set", "InputPort", "swap"}, {reg(25, 4)}},
        SendCase{"SetSignedDb", {"set", "AudioVolume", "-6"}, {reg(69, 0xFA)}},
        SendCase{"SetBitKeepsTheOthers", {"set", "HlgOptionDisable", "on"}, {reg(73, 1)}},
        SendCase{"SetOutsideTheVocabulary",
                 {"set", "InputPort", "sideways"},
                 {},
                 2,
                 "Can't set InputPort: \"sideways\" is not a value of InputPort; allowed: bot, "
                 "top, thru, swap"},
        SendCase{
            "SetSlideSwitchRefused", {"set", "EdidSlidePosition", "fixed"}, {}, 2, "Can't set"},
        SendCase{"SetUnknownName", {"set", "Loudness", "11"}, {}, 2, "vortilan2 set: no setting"},
        SendCase{"EdidModeCustom",
                 {"edid", "mode", "custom", "3", "0"},
                 {reg(32, 3), reg(33, 0), reg(29, 3)}},
        SendCase{"EdidModeCopyTop", {"edid", "mode", "copy-top"}, {reg(29, 4)}},
        SendCase{
            "EdidModeCustomNeedsATable", {"edid", "mode", "custom"}, {}, 2, "vortilan2 edid mode"},
        SendCase{"EdidWriteFixedTableRefused",
                 {"edid", "write", "11", "/nonexistent.bin"},
                 {},
                 2,
                 "Can't write EDID table 11: tables 11 to 100"}),
    [](const ::testing::TestParamInfo<SendCase>& p) { return std::string(p.param.name); });

// ---- Reading: output ------------------------------------------------------------------

TEST_F(CliTest, StatusShowsWhatTheWindowShows) {
    const Result r = run({"status"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Firmware: FW: 0.61"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Input routing: PORT 0 [BOT]"), std::string::npos);
    EXPECT_NE(r.out.find("TX0: "), std::string::npos);
    EXPECT_NE(r.out.find("Source Info: "), std::string::npos);
    EXPECT_NE(r.out.find("EOTF: "), std::string::npos);
}

TEST_F(CliTest, StatusJsonParsesAndNamesEveryField) {
    const Result r = run({"status", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    const QJsonObject o = doc.object();
    EXPECT_EQ(o.value("firmware").toString(), "FW: 0.61");
    EXPECT_EQ(o.value("inputRouting").toString(), "PORT 0 [BOT]");
    const std::string sink =
        box_.server().withBox([](emu::Box& b) { return emu::monitorName(*b.sink(0)); });
    EXPECT_EQ(o.value("tx0Sink").toString().toStdString(), sink);
    EXPECT_TRUE(o.contains("hdrEotf"));
    EXPECT_TRUE(o.contains("dolbyVisionVersion"));
}

TEST_F(CliTest, SetThenGetRoundTripsEverySetting) {
    for (const config::NamedSetting& s : config::namedSettings()) {
        if (s.reg == 0) {
            continue;  // the box's slide switches
        }
        const std::string before = run({"get", std::string(s.name)}).out;
        // A value other than the present one, from the setting's vocabulary or range.
        std::vector<std::string> candidates;
        for (const config::Word& w : s.words) {
            candidates.emplace_back(w.text);
        }
        if (candidates.empty()) {
            candidates = {std::to_string(s.low), std::to_string(s.high)};
        }
        std::string value;
        for (const std::string& c : candidates) {
            if (c + "\n" != before) {
                value = c;
            }
        }
        ASSERT_FALSE(value.empty()) << s.name;
        const Result set = run({"set", std::string(s.name), value});
        ASSERT_EQ(set.code, 0) << s.name << ": " << set.err;
        EXPECT_EQ(run({"get", std::string(s.name)}).out, value + "\n") << s.name;
    }
}

TEST_F(CliTest, GetListsEverySettingWithItsValue) {
    const Result r = run({"get"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const config::NamedSetting& s : config::namedSettings()) {
        EXPECT_NE(r.out.find(std::string(s.name) + " "), std::string::npos) << s.name;
    }
    EXPECT_NE(r.out.find("InputPort"), std::string::npos);
    EXPECT_EQ(run({"get", "inputport"}).out, "bot\n");  // names in any case
}

TEST_F(CliTest, EdidReadPrintsTheTvsEdidAndWritesFiles) {
    const auto sink = box_.server().withBox([](emu::Box& b) { return *b.sink(0); });
    edid::EdidImage image{};
    std::copy(sink.begin(), sink.end(), image.begin());
    box_.clearTrace();
    const Result r = run({"edid", "read", "tx0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, edid::hexText(image));
    const auto requests = box_.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (Bytes{0x10, 0x01, 0xB5}));

    ASSERT_EQ(run({"edid", "read", "tx0", "-o", path("tv.bin")}).code, 0);
    EXPECT_EQ(readFile(path("tv.bin")), std::string(sink.begin(), sink.end()));
    ASSERT_EQ(run({"edid", "read", "tx0", "-o", path("tv.txt")}).code, 0);
    EXPECT_EQ(readFile(path("tv.txt")), edid::hexText(image));

    const Result decoded = run({"edid", "decode", path("tv.txt")});
    ASSERT_EQ(decoded.code, 0) << decoded.err;
    EXPECT_NE(decoded.out.find(emu::monitorName(sink)), std::string::npos) << decoded.out;
}

TEST_F(CliTest, EdidWriteUploadsIntoTheTableAndChecksTheChecksums) {
    auto sink = box_.server().withBox([](emu::Box& b) { return *b.sink(1); });
    writeFile(path("good.bin"), std::string(sink.begin(), sink.end()));
    box_.clearTrace();
    ASSERT_EQ(run({"edid", "write", "3", path("good.bin")}).code, 0);
    EXPECT_EQ(box_.server().withBox([](emu::Box& b) { return *b.table(3); }), sink);
    const auto w = writes();
    ASSERT_EQ(w.size(), 33u);
    for (std::size_t i = 0; i < 32; ++i) {
        EXPECT_EQ(w[i][3], 3);
        EXPECT_EQ(w[i][4], 8 * i);
    }
    EXPECT_EQ(w[32], (Bytes{0x10, 0x08, 0xB1, 3}));

    sink[20] ^= 0x01;  // a broken byte: block 0's checksum no longer holds
    writeFile(path("broken.bin"), std::string(sink.begin(), sink.end()));
    box_.clearTrace();
    const Result refused = run({"edid", "write", "4", path("broken.bin")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("block 0 checksum is"), std::string::npos) << refused.err;
    EXPECT_TRUE(writes().empty());

    ASSERT_EQ(run({"edid", "write", "4", path("broken.bin"), "--fix-checksums"}).code, 0);
    const auto table4 = box_.server().withBox([](emu::Box& b) { return *b.table(4); });
    EXPECT_TRUE(emu::checksumsValid(table4));
    EXPECT_EQ(table4[20], sink[20]);
}

// ---- Configuration files -------------------------------------------------------------

TEST_F(CliTest, ConfigDiffBetweenTwoStatesNamesTheKeysThatDiffer) {
    testing_support::EmulatedBox sdr("2026", "sdr");
    ASSERT_EQ(run({"config", "export", path("default.txt")}).code, 0);
    ASSERT_EQ(runOn(sdr.library(), {"config", "export", path("sdr.txt")}).code, 0);
    const Result same = run({"config", "diff", path("default.txt")});
    ASSERT_EQ(same.code, 0) << same.err;
    EXPECT_NE(same.out.find("changes nothing in the box"), std::string::npos) << same.out;

    // Make the second box differ in a known way, then compare the files.
    ASSERT_EQ(runOn(sdr.library(), {"set", "EdidHdr", "hdrhlg"}).code, 0);
    ASSERT_EQ(runOn(sdr.library(), {"config", "export", path("sdr.txt")}).code, 0);
    const Result diff = run({"config", "diff", path("sdr.txt"), path("default.txt")});
    ASSERT_EQ(diff.code, 0) << diff.err;
    EXPECT_NE(diff.out.find("EdidHdr: "), std::string::npos) << diff.out;
    EXPECT_NE(diff.out.find("-> hdrhlg"), std::string::npos) << diff.out;
    // Status lines and EDIDs are not settings.
    EXPECT_EQ(diff.out.find("#"), std::string::npos) << diff.out;
}

TEST_F(CliTest, ConfigImportAppliesAFileAndRefusesOtherFiles) {
    writeFile(path("settings.txt"), "# mine\nInputPort top\nCec off\nLogoLed off\n");
    box_.clearTrace();
    ASSERT_EQ(run({"config", "import", path("settings.txt")}).code, 0);
    EXPECT_EQ(writes(), (std::vector<Bytes>{reg(25, 2), reg(56, 0), reg(50, 0)}));
    EXPECT_EQ(clock_.totalSleptMs(), 300u);  // a pause after each line that sent

    writeFile(path("other.txt"), "[Unit]\nDescription=x\n");
    box_.clearTrace();
    const Result r = run({"config", "import", path("other.txt")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Can't import"), std::string::npos);
    EXPECT_TRUE(box_.requests().empty());
}

// ---- Failures ------------------------------------------------------------------------

TEST_F(CliTest, ASilentBoxGivesExitStatus1AndSaysSo) {
    box_.server().addFault({emu::Fault::kNoAnswer, 1000, 0});
    const Result r = run({"get", "InputPort"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Can't read InputPort: no answer from the box\n");
}

TEST_F(CliTest, NoBoxAndABoxInUseAreToldApart) {
    testing_support::ScriptedLibrary nothing(std::vector<std::string>{});
    const Result none = runOn(nothing, {"get"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("no VORTILAN2 is connected"), std::string::npos) << none.err;

    usb::Handle held = usb::kInvalidHandle;
    ASSERT_EQ(box_.library().open(0, &held), usb::Ok);
    const Result busy = run({"get"});
    EXPECT_EQ(busy.code, 1);
    EXPECT_NE(busy.err.find("in use by"), std::string::npos) << busy.err;
    EXPECT_NE(busy.err.find("(process " + std::to_string(::getpid()) + ")"), std::string::npos);
    box_.library().close(held);
}

struct UsageCase {
    std::vector<std::string> args;
    int code;
    const char* stream;  // "out" or "err"
    const char* text;
};

class CliUsage : public CliTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsage, HelpAndBadUsage) {
    const UsageCase& c = GetParam();
    box_.clearTrace();
    const Result r = run(c.args);
    EXPECT_EQ(r.code, c.code);
    const std::string& text = std::string(c.stream) == "out" ? r.out : r.err;
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
    EXPECT_TRUE(box_.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Words, CliUsage,
    ::testing::Values(UsageCase{{}, 2, "err", "Usage: vortilan2 COMMAND"},
                      UsageCase{{"--help"}, 0, "out", "config diff FILE [FILE2]"},
                      UsageCase{{"frobnicate"}, 2, "err", "unknown command frobnicate"},
                      UsageCase{{"edid"}, 2, "err", "vortilan2 edid read"},
                      UsageCase{{"edid", "read", "--help"},
                                0,
                                "out",
                                "Usage: vortilan2 edid read rx0|rx1|tx0|tx1|current"},
                      UsageCase{{"edid", "read", "tx7"}, 2, "err", "unknown EDID tx7"},
                      UsageCase{{"get", "--loud"}, 2, "err", "unknown option --loud"},
                      UsageCase{{"cec", "send"}, 2, "err", "missing arguments"},
                      UsageCase{{"status", "extra"}, 2, "err", "too many arguments"}));

#ifdef VORTILAN2_CLI_PROGRAM
// The program itself: found through VORTILAN2_EMULATOR, exit status and output.
TEST_F(CliTest, TheProgramFindsTheEmulatedBox) {
    const std::string out = path("out.txt");
    const std::string command = "VORTILAN2_EMULATOR='" + box_.socketPath() + "' '" +
                                VORTILAN2_CLI_PROGRAM + "' get InputPort > '" + out + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(out);
    EXPECT_EQ(readFile(out), "bot\n");

    const int usageStatus = std::system(
        ("'" + std::string(VORTILAN2_CLI_PROGRAM) + "' set InputPort nowhere > /dev/null 2>&1")
            .c_str());
    ASSERT_TRUE(WIFEXITED(usageStatus));
    EXPECT_EQ(WEXITSTATUS(usageStatus), 2);
}
#endif

}  // namespace

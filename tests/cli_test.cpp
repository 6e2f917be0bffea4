// The command line against the emulated box: each command's traffic and
// output, its exit status, and what it says when it cannot do its work.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <clocale>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "cli/Cli.h"
#include "cli/EdidEdit.h"
#include "config/NamedSettings.h"
#include "edid/Decode.h"
#include "edid/Image.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "emulator/Box.h"
#include "tests/emulator/Requests.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/FileLimits.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedLibrary.h"
#include "usb/SocketLibrary.h"
#include "usb/UsbLibrary.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Result {
    int code;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    Result run(std::vector<std::string> args) { return runOn(box_.library(), std::move(args)); }

    Result runOn(usb::Library& library, std::vector<std::string> args, std::string input = {}) {
        std::ostringstream out;
        std::ostringstream err;
        std::istringstream in(input);
        cli::Environment env{library, clock_,
                             out,     err,
                             false,   [] { return config::LocalTime{1, 2, 2026, 3, 4, 5}; },
                             &in};
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
        SendCase{
            "CecStandby", {"cec", "send", "5f:36"}, {emutest::tagged(0xEA, "cecif", {0x5F, 0x36})}},
        SendCase{"CecOneDigitRefused",
                 {"cec", "send", "5f:3"},
                 {},
                 2,
                 "Can't send the CEC message: Error: min 2, max 16 values"},
        SendCase{"HdrSwitchesTheBoxToIt",
                 {"infoframe", "send", "hdr", list(kHdr31)},
                 {emutest::tagged(0xE5, "hdrif", kHdr31), emutest::registerWrite(40, 1)}},
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
        SendCase{"SetWord", {"set", "InputPort", "swap"}, {emutest::registerWrite(25, 4)}},
        SendCase{"SetSignedDb", {"set", "AudioVolume", "-6"}, {emutest::registerWrite(69, 0xFA)}},
        SendCase{"SetBitKeepsTheOthers",
                 {"set", "HlgOptionDisable", "on"},
                 {emutest::registerWrite(73, 1)}},
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
                 {emutest::registerWrite(32, 3), emutest::registerWrite(33, 0),
                  emutest::registerWrite(29, 3)}},
        SendCase{"EdidModeCopyTop", {"edid", "mode", "copy-top"}, {emutest::registerWrite(29, 4)}},
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

// 256 zeros add up right in both blocks but are no EDID: refused unless forced.
TEST_F(CliTest, EdidWriteRefusesAnImageWithoutTheHeaderUnlessForced) {
    writeFile(path("zeros.bin"), std::string(256, '\0'));
    const auto before = box_.server().withBox([](emu::Box& b) { return *b.table(5); });
    struct Case {
        std::vector<std::string> extra;
        int code;
        const char* err;
    };
    const Case cases[] = {
        {{}, 2, "does not begin with the EDID header 00 FF FF FF FF FF FF 00 (--force"},
        {{"--force"}, 0, ""},
    };
    for (const Case& c : cases) {
        box_.clearTrace();
        std::vector<std::string> args = {"edid", "write", "5", path("zeros.bin")};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const Result r = run(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        const auto table = box_.server().withBox([](emu::Box& b) { return *b.table(5); });
        EXPECT_EQ(writes().empty(), c.code != 0);
        if (c.code == 0) {
            EXPECT_EQ(table, emu::Edid{});
        } else {
            EXPECT_EQ(table, before);
        }
    }
}

// A chunk that fails twice ends the upload: no commit, the old table stays.
TEST_F(CliTest, EdidWriteWithAChunkFailingTwiceCommitsNothing) {
    const auto sink = box_.server().withBox([](emu::Box& b) { return *b.sink(1); });
    const auto before = box_.server().withBox([](emu::Box& b) { return *b.table(3); });
    writeFile(path("good.bin"), std::string(sink.begin(), sink.end()));
    box_.server().addFault({emu::Fault::kWrongEcho, 2, 0});
    box_.clearTrace();
    const Result r = run({"edid", "write", "3", path("good.bin")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "Can't write EDID table 3: Error Writing EDID values. (the box gave an unexpected "
              "answer); the table keeps its old content\n");
    EXPECT_EQ(writes().size(), 2u);  // the first chunk twice
    EXPECT_EQ(box_.server().withBox([](emu::Box& b) { return *b.table(3); }), before);
}

// The field's text formats: edid-decode's own output, from a file or from
// standard input, decodes as the EDID it shows.
TEST_F(CliTest, EdidDecodeReadsEdidDecodesOwnOutput) {
    if (std::system("command -v edid-decode >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "edid-decode is not installed (scripts/deps.sh)";
    }
    const std::string tv = VORTILAN2_SOURCE_DIR "/emulator/edids/lg-c8-hdmi.bin";
    const Result direct = run({"edid", "decode", tv});
    ASSERT_EQ(direct.code, 0) << direct.err;
    std::string output;
    if (FILE* pipe = popen(("edid-decode " + tv).c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        pclose(pipe);
    }
    writeFile(path("tv.txt"), output);
    const Result fromFile = run({"edid", "decode", path("tv.txt")});
    ASSERT_EQ(fromFile.code, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, direct.out);
    const Result fromStdin = runOn(box_.library(), {"edid", "decode", "-"}, output);
    ASSERT_EQ(fromStdin.code, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, direct.out);

    output.erase(output.find("----------------"), 16);  // the hex section then runs on
    const Result broken = runOn(box_.library(), {"edid", "decode", "-"}, output);
    EXPECT_EQ(broken.code, 2);
    EXPECT_EQ(broken.err, "Can't decode -: line 23: expected 16 hex bytes, found 'Block'\n");
}

// A 128-byte EDID fills a table with zeros after it; one of 384 bytes is
// decoded whole but does not fit a table, and nothing is sent.
TEST_F(CliTest, EdidWriteTakes128BytesAndRefusesTwoExtensions) {
    auto sink = box_.server().withBox([](emu::Box& b) { return *b.sink(1); });
    std::string block0(sink.begin(), sink.begin() + 128);
    block0[126] = 0;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 127; ++i) {
        sum += static_cast<std::uint8_t>(block0[i]);
    }
    block0[127] = static_cast<char>((256 - sum % 256) % 256);
    writeFile(path("one.bin"), block0);
    const Result decoded = run({"edid", "decode", path("one.bin")});
    ASSERT_EQ(decoded.code, 0) << decoded.err;
    EXPECT_EQ(decoded.out.find("Block 1"), std::string::npos) << decoded.out;
    EXPECT_EQ(decoded.out.find("Problems"), std::string::npos) << decoded.out;
    ASSERT_EQ(run({"edid", "write", "2", path("one.bin")}).code, 0);
    const auto table = box_.server().withBox([](emu::Box& b) { return *b.table(2); });
    EXPECT_TRUE(std::equal(block0.begin(), block0.end(), table.begin(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    EXPECT_TRUE(std::all_of(table.begin() + 128, table.end(), [](std::uint8_t b) { return b == 0; }));

    std::string three(sink.begin(), sink.end());
    three.append(sink.begin() + 128, sink.end());
    writeFile(path("three.bin"), three);
    const Result whole = run({"edid", "decode", path("three.bin")});
    EXPECT_NE(whole.out.find("Block 2: CTA-861"), std::string::npos) << whole.out;
    box_.clearTrace();
    const Result refused = run({"edid", "write", "3", path("three.bin")});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("Can't write EDID table 3: " + path("three.bin") +
                               ": the EDID has 384 bytes (2 extension blocks); the box's tables "
                               "hold a base block and one extension"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(writes().empty());
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
    EXPECT_EQ(writes(),
              (std::vector<Bytes>{emutest::registerWrite(25, 2), emutest::registerWrite(56, 0),
                                  emutest::registerWrite(50, 0)}));
    EXPECT_EQ(clock_.totalSleptMs(), 300u);  // a pause after each line that sent

    writeFile(path("other.txt"), "[Unit]\nDescription=x\n");
    box_.clearTrace();
    const Result r = run({"config", "import", path("other.txt")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Can't import"), std::string::npos);
    EXPECT_TRUE(box_.requests().empty());
}

// An export that a silent box interrupts, before or part-way: the exit status
// says so, and an existing file stays as it was (or no file appears).
struct InterruptCase {
    const char* name;
    int answered;  // answers the box gives before it goes silent
    bool oldFile;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << c.name;
}

class CliExportInterrupted : public CliTest, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(CliExportInterrupted, KeepsTheOldFileAndExits1) {
    const InterruptCase& c = GetParam();
    const std::string file = path("box.txt");
    const std::string old = "InputPort swap\n";
    if (c.oldFile) {
        writeFile(file, old);
    }
    if (c.answered > 0) {
        box_.server().addFault({emu::Fault::kDelay, c.answered, 0});
    }
    box_.server().addFault({emu::Fault::kNoAnswer, 100000, 0});
    const Result r = run({"config", "export", file});
    EXPECT_EQ(r.code, 1);
    const std::string said = "Can't export the box to " + file + ": no answer from the box (reading ";
    EXPECT_EQ(r.err.substr(0, said.size()), said) << r.err;
    EXPECT_EQ(std::filesystem::exists(file), c.oldFile);
    if (c.oldFile) {
        EXPECT_EQ(readFile(file), old);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, CliExportInterrupted,
    ::testing::Values(InterruptCase{"AtTheFirstRead", 0, true},
                      InterruptCase{"InTheRegisterPages", 20, true},
                      InterruptCase{"InTheEdids", 40, true},
                      InterruptCase{"WithoutAFileWritesNone", 20, false}),
    [](const ::testing::TestParamInfo<InterruptCase>& p) { return std::string(p.param.name); });

// Endless or oversized inputs are refused with a reason, in bounded memory,
// before the box is asked anything.
struct EndlessCase {
    const char* name;
    std::vector<std::string> args;  // "FIFO" stands for an endless FIFO
    const char* says;
};

void PrintTo(const EndlessCase& c, std::ostream* os) {
    *os << c.name;
}

class CliEndlessInput : public CliTest, public ::testing::WithParamInterface<EndlessCase> {};

TEST_P(CliEndlessInput, IsRefusedAtItsBound) {
    const EndlessCase& c = GetParam();
    const testing_support::EndlessFifo fifo(path("fifo"));
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
        if (a == "FIFO") {
            a = fifo.path();
        }
    }
    box_.clearTrace();
    const Result r = run(args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_TRUE(box_.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, CliEndlessInput,
    ::testing::Values(
        EndlessCase{"ImportZeros",
                    {"config", "import", "/dev/zero"},
                    ": it holds more than 256 KiB, too much for a configuration file"},
        EndlessCase{"ImportRandom",
                    {"config", "import", "/dev/urandom"},
                    "too much for a configuration file"},
        EndlessCase{"ImportFifo", {"config", "import", "FIFO"}, "too much for a configuration file"},
        EndlessCase{"DiffZeros", {"config", "diff", "/dev/zero"}, "too much for a configuration file"},
        EndlessCase{"DecodeZeros",
                    {"edid", "decode", "/dev/zero"},
                    ": it holds more than 1024 KiB, too much for an EDID file"},
        EndlessCase{"DecodeFifo", {"edid", "decode", "FIFO"}, "too much for an EDID file"}),
    [](const ::testing::TestParamInfo<EndlessCase>& p) { return std::string(p.param.name); });

// Names are bytes: one that is not UTF-8 is read and written as it is.
TEST_F(CliTest, FileNamesThatAreNotUtf8PassThroughUnchanged) {
    const std::string in = path("name_\xff\xfe.txt");
    writeFile(in, "# mine\nLogoLed off\n");
    box_.clearTrace();
    const Result imported = run({"config", "import", in});
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(writes(), (std::vector<Bytes>{emutest::registerWrite(50, 0)}));

    const std::string out = path("exp_\xff.txt");
    const std::string tv = path("tv_\xfe.txt");
    ASSERT_EQ(run({"config", "export", out}).code, 0);
    ASSERT_EQ(run({"edid", "read", "tx0", "-o", tv}).code, 0);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"name_\xff\xfe.txt", "exp_\xff.txt", "tv_\xfe.txt"}));
    EXPECT_NE(readFile(out).find("LogoLed off\n"), std::string::npos);
}

// Numbers keep their full stop under a comma-decimal locale, in the file
// both ways and in the texts.
class CliLocale : public CliTest {
protected:
    void SetUp() override {
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the locale de_DE.UTF-8 is missing: run scripts/deps.sh";
        ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CliLocale, FilesAndTextsKeepTheFullStop) {
    writeFile(path("macro.txt"), "JvcMacro3 1\nJvcMacro45 2.5000\nJvcMacro38 0\n");
    ASSERT_EQ(run({"config", "import", path("macro.txt")}).code, 0);
    ASSERT_EQ(run({"config", "export", path("box.txt")}).code, 0);
    EXPECT_NE(readFile(path("box.txt")).find("\nJvcMacro45 2.5000\n"), std::string::npos)
        << readFile(path("box.txt"));

    const Result status = run({"status"});
    EXPECT_NE(status.out.find("[0.1700, 0.7970]"), std::string::npos) << status.out;

    const Result decoded = run({"edid", "decode", VORTILAN2_SOURCE_DIR "/emulator/edids/lg-oled-cx-hdmi.bin"});
    EXPECT_NE(decoded.out.find("594.000 MHz"), std::string::npos) << decoded.out;
    EXPECT_EQ(decoded.out.find("594,000"), std::string::npos);
}

// ---- Failures ------------------------------------------------------------------------

TEST_F(CliTest, ASilentBoxGivesExitStatus1AndSaysSo) {
    box_.server().addFault({emu::Fault::kNoAnswer, 1000, 0});
    const Result r = run({"get", "InputPort"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Can't read InputPort: no answer from the box\n");
    // Also when the exchange that fails is not the one that met the silence.
    const Result edid = run({"edid", "read", "tx0"});
    EXPECT_EQ(edid.code, 1);
    EXPECT_EQ(edid.err, "Can't read the TV EDID: no answer from the box\n");
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

// The box's socket exists, but this user may not open it (a real box
// without the udev rule answers the same): say so and point to the rule.
// Run in a child process that is not allowed to connect: as another user
// when the tests run as root, else with the socket's permissions taken away.
TEST_F(CliTest, ABoxThisUserMayNotOpenIsToldAsSuch) {
    const bool root = ::geteuid() == 0;
    if (!root) {
        ASSERT_EQ(::chmod(box_.socketPath().c_str(), 0), 0);
    }
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        auto library = usb::createSocketLibrary({box_.socketPath()});
        const Result r = runOn(*library, {"get", "InputPort"});
        const std::string report = std::to_string(r.code) + " " + r.err;
        const ssize_t written = ::write(pipeFds[1], report.data(), report.size());
        ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 4);
    }
    ::close(pipeFds[1]);
    std::string report;
    char chunk[512];
    for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof chunk)) > 0;) {
        report.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (!root) {
        ::chmod(box_.socketPath().c_str(), 0755);
    }
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(report,
              "1 Can't read InputPort: this user may not open the VORTILAN2; install the udev "
              "rule of the README (udev/70-vortilan2.rules)\n");
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


// ---- edid edit ----------------------------------------------------------------------------

const std::filesystem::path kTvDir = VORTILAN2_SOURCE_DIR "/emulator/edids";

std::string tvFile(const char* name) {
    return (kTvDir / (std::string(name) + ".bin")).string();
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The command's example on every TV: the result is the model's, edit by edit
// (whose edits are held against edid-decode in edid_model_test).
TEST_F(CliTest, EdidEditAppliesTheExampleToEveryTv) {
    for (const auto& entry : std::filesystem::directory_iterator(kTvDir)) {
        if (entry.path().extension() != ".bin") {
            continue;
        }
        SCOPED_TRACE(entry.path().filename().string());
        const Result r = run({"edid", "edit", entry.path().string(), "-o", path("out.bin"),
                              "--remove-block", "dolby-vision", "--remove-vic", "97", "--max-tmds",
                              "300"});
        ASSERT_EQ(r.code, 0) << r.err;
        const Bytes in = bytesOf(readFile(entry.path().string()));
        edid::EdidModel m = *edid::parseModel(in).model;
        edid::removeBlocks(m, {edid::BlockKind::DolbyVision, 0});
        edid::removeVic(m, 97);
        ASSERT_TRUE(edid::capMaxTmds(m, 300).ok());
        const Bytes out = bytesOf(readFile(path("out.bin")));
        EXPECT_EQ(out, edid::encodeModel(m));
        const auto decoded = edid::decodeEdid(out);
        EXPECT_EQ(decoded.find<edid::DolbyVision>(edid::BlockKind::DolbyVision), nullptr);
        for (const auto& svd : decoded.find<edid::VideoBlock>(edid::BlockKind::Video)->svds) {
            EXPECT_NE(svd.vic, 97);
        }
        EXPECT_LE(decoded.find<edid::HdmiBlock>(edid::BlockKind::Hdmi)->maxTmdsMHz, 300);
        if (const auto* forum = decoded.find<edid::HdmiForumBlock>(edid::BlockKind::HdmiForum)) {
            EXPECT_EQ(forum->maxTmdsCharRateMHz, 0);
        }
    }
}

TEST_F(CliTest, EdidEditWithoutEditsWritesInsBytesAndTextWhenAsked) {
    Bytes in = bytesOf(readFile(tvFile("lg-c8-hdmi")));
    in[127] ^= 0x55;  // a wrong checksum stays as it is
    {
        std::ofstream(path("in.bin"), std::ios::binary).write(reinterpret_cast<const char*>(in.data()),
                                                               std::streamsize(in.size()));
    }
    ASSERT_EQ(run({"edid", "edit", path("in.bin"), "-o", path("out.bin")}).code, 0);
    EXPECT_EQ(bytesOf(readFile(path("out.bin"))), in);

    const Result r = run({"edid", "edit", tvFile("lg-c8-hdmi"), "-o", path("out.txt"), "--name", "Den"});
    ASSERT_EQ(r.code, 0) << r.err;
    edid::EdidModel m = *edid::parseModel(bytesOf(readFile(tvFile("lg-c8-hdmi")))).model;
    edid::setName(m, "Den");
    edid::EdidImage image{};
    const Bytes expected = edid::encodeModel(m);
    std::copy(expected.begin(), expected.end(), image.begin());
    EXPECT_EQ(readFile(path("out.txt")), edid::hexText(image));
    // Text in, removal of what is not there: a note, the bytes unchanged.
    const Result again = run({"edid", "edit", path("out.txt"), "-o", path("again.bin"),
                              "--remove-block", "hdr10plus"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_NE(again.err.find("no hdr10plus block, nothing changed"), std::string::npos) << again.err;
    EXPECT_EQ(bytesOf(readFile(path("again.bin"))), expected);
}

TEST_F(CliTest, EdidEditRefusesWithTheReasonAndWritesNothing) {
    struct Case {
        std::vector<std::string> edits;
        int code;
        const char* message;
    };
    const std::string in = tvFile("lg-c8-hdmi");
    const Case cases[] = {
        {{"--add-dtd", "1920x1080@60:cvt-rb2"}, 2,
         "Can't edit IN: --add-dtd 1920x1080@60:cvt-rb2: 8 bytes too many"},
        {{"--add-dtd", "1920x1080@60:gtf"}, 2, "computed by cvt, cvt-rb or cvt-rb2"},
        {{"--add-dtd", "vic:60"}, 2, "horizontal front porch is 0 to 1023"},
        {{"--remove-block", "dolby"}, 2, "a block kind is one of"},
        {{"--add-audio", "lpcm:2:47"}, 2, "a sample rate is"},
        {{"--add-audio", "opus:2:48"}, 2, "an audio format is one of"},
        {{"--remove-vic", "97", "--add-vic", "300"}, 2, "--add-vic 300: a VIC is a number from 0 to 255"},
        {{"--name", "a name far too long"}, 2, "13 characters"},
        {{"--set", "hdmi.max-tmds=400"}, 2, "up to 340"},
        {{"--native-vic", "97"}, 2, "1 to 64"},
        {{"--frobnicate", "1"}, 2, "unknown option --frobnicate"},
        {{"--name"}, 2, "--name needs TEXT"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"edid", "edit", in, "-o", path("never.bin")};
        args.insert(args.end(), c.edits.begin(), c.edits.end());
        const Result r = run(args);
        EXPECT_EQ(r.code, c.code) << c.edits[0];
        std::string err = r.err;
        if (const auto at = err.find(in); at != std::string::npos) {
            err.replace(at, in.size(), "IN");
        }
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(path("never.bin"))) << c.edits[0];
    }
    const Result noOut = run({"edid", "edit", in, "--name", "X"});
    EXPECT_EQ(noOut.code, 2);
    EXPECT_NE(noOut.err.find("missing -o OUT"), std::string::npos);
    const Result missing = run({"edid", "edit", path("nowhere.bin"), "-o", path("never.bin")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("Can't edit " + path("nowhere.bin") + ": "), std::string::npos);
}

TEST_F(CliTest, EdidEditHelpListsEveryEditWithExamples) {
    const Result r = run({"edid", "edit", "--help"});
    EXPECT_EQ(r.code, 0);
    for (const cli::EdidEditOption& option : cli::edidEditOptions()) {
        EXPECT_NE(r.out.find(std::string(option.name) + " " + std::string(option.argument)),
                  std::string::npos)
            << option.name;
    }
    for (const edid::BlockKindName& kind : edid::blockKindNames()) {
        EXPECT_NE(r.out.find(kind.name), std::string::npos) << kind.name;
    }
    EXPECT_NE(r.out.find("Examples:"), std::string::npos);
    EXPECT_NE(run({"--help"}).out.find("edid edit IN -o OUT"), std::string::npos);
}

#ifdef VORTILAN2_CLI_PROGRAM
// The program run in a child: through VORTILAN2_EMULATOR, with an optional
// locale and an optional file size limit (SIGXFSZ ignored, as a nearly full
// disk cuts a write short).
Result runProgram(const std::string& socket, const std::vector<std::string>& args,
                  const std::string& folder, const char* locale = nullptr,
                  std::optional<rlim_t> fileSizeLimit = std::nullopt) {
    const std::string outFile = folder + "/program.out";
    const std::string errFile = folder + "/program.err";
    std::vector<std::string> env = {"VORTILAN2_EMULATOR=" + socket, "PATH=/usr/bin:/bin"};
    if (locale != nullptr) {
        env.push_back(std::string("LC_ALL=") + locale);
    }
    std::vector<std::string> argv = {VORTILAN2_CLI_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvp;
    for (std::string& a : argv) {
        argvp.push_back(a.data());
    }
    argvp.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (fileSizeLimit) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = *fileSizeLimit;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(argvp[0], argvp.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outFile), readFile(errFile)};
}

TEST_F(CliTest, TheProgramUnderACommaLocaleWritesAndShowsFullStops) {
    writeFile(path("macro.txt"), "JvcMacro3 1\nJvcMacro45 2.5000\nJvcMacro38 0\n");
    const std::string socket = box_.socketPath();
    const char* german = "de_DE.UTF-8";
    ASSERT_EQ(runProgram(socket, {"config", "import", path("macro.txt")}, dir_.path(), german).code, 0);
    ASSERT_EQ(runProgram(socket, {"config", "export", path("box.txt")}, dir_.path(), german).code, 0);
    EXPECT_NE(readFile(path("box.txt")).find("\nJvcMacro45 2.5000\n"), std::string::npos);
    const Result status = runProgram(socket, {"status"}, dir_.path(), german);
    EXPECT_NE(status.out.find("[0.1700, 0.7970]"), std::string::npos) << status.out;
}

// Every file the program writes: cut short by the file size limit, the old
// file stays byte for byte and the program says why, with exit status 1.
struct LimitedWrite {
    const char* name;
    std::vector<std::string> args;  // FILE stands for the file written
    const char* file;
    rlim_t limit;
};

void PrintTo(const LimitedWrite& c, std::ostream* os) {
    *os << c.name;
}

class CliLimitedWrite : public CliTest, public ::testing::WithParamInterface<LimitedWrite> {};

TEST_P(CliLimitedWrite, KeepsTheOldFileAndSaysWhy) {
    const LimitedWrite& c = GetParam();
    const std::string file = path(c.file);
    const std::string old(40, 'o');
    writeFile(file, old);
    std::vector<std::string> args = c.args;
    std::replace(args.begin(), args.end(), std::string("FILE"), file);
    const Result r = runProgram(box_.socketPath(), args, dir_.path(), nullptr, c.limit);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(": File too large"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(file), old);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, CliLimitedWrite,
    ::testing::Values(
        LimitedWrite{"ConfigExport", {"config", "export", "FILE"}, "box.txt", 4096},
        LimitedWrite{"EdidText", {"edid", "read", "tx0", "-o", "FILE"}, "tv.txt", 100},
        LimitedWrite{"BinaryEdid", {"edid", "read", "tx0", "-o", "FILE"}, "tv.bin", 100}),
    [](const ::testing::TestParamInfo<LimitedWrite>& p) { return std::string(p.param.name); });

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
TEST_F(CliTest, EdidEditReadsStandardInput) {
    const std::string out = path("stdin.bin");
    const std::string command = "'" + std::string(VORTILAN2_CLI_PROGRAM) + "' edid edit - -o '" +
                                out + "' --name Piped < '" + tvFile("lg-c8-hdmi") + "' 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(edid::decodeEdid(bytesOf(readFile(out))).base.name, "Piped");
}
#endif

}  // namespace

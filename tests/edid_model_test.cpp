// The editable EDID model: every real and generated EDID comes back byte for
// byte; awkward second blocks are kept whole; each edit, held against
// edid-decode, changes only what it names and brings no new conformity
// failure; edits that do not fit are refused with the bytes too many and
// leave the model as it was; the VIC-counting blocks follow the VICs; the
// timing generator agrees with edid-decode's CVT and VIC timings.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "edid/Decode.h"
#include "edid/EditTree.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "edid/Timings.h"
#include "emulator/Edid.h"

#include "tests/support/ReferenceTool.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using edid::EdidModel;
using edid::EditResult;

const std::filesystem::path kEdidDir = VORTILAN2_SOURCE_DIR "/emulator/edids";

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes tv(const std::string& name) {
    return readFile(kEdidDir / (name + ".bin"));
}

void fixChecksums(Bytes& bytes) {
    for (std::size_t block = 0; block + 128 <= bytes.size(); block += 128) {
        unsigned sum = 0;
        for (std::size_t i = block; i < block + 127; ++i) {
            sum += bytes[i];
        }
        bytes[block + 127] = std::uint8_t((256 - sum % 256) % 256);
    }
}

EdidModel model(const Bytes& bytes) {
    auto parsed = edid::parseModel(bytes);
    EXPECT_TRUE(parsed.model) << parsed.error;
    return parsed.model ? *parsed.model : EdidModel{};
}

// --- the reference ------------------------------------------------------------------

using testing_support::runCommand;

class TempFile {
public:
    explicit TempFile(const Bytes& bytes) {
        char name[] = "/tmp/edid_model_test_XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        close(fd);
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        out.push_back(line);
    }
    return out;
}

std::string trimmed(const std::string& line) {
    const auto start = line.find_first_not_of(' ');
    return start == std::string::npos ? "" : line.substr(start);
}

// The lines diff finds removed and added between the references' texts of
// two EDIDs, leading blanks dropped, checksum lines left out.
struct TextDiff {
    std::multiset<std::string> removed, added;
};

TextDiff referenceDiff(const Bytes& before, const Bytes& after) {
    const TempFile a(before), b(after);
    const TempFile ta(Bytes{}), tb(Bytes{});
    runCommand("edid-decode -s " + a.path() + " > " + ta.path() + " 2>&1");
    runCommand("edid-decode -s " + b.path() + " > " + tb.path() + " 2>&1");
    TextDiff diff;
    for (const std::string& line : lines(runCommand("diff " + ta.path() + " " + tb.path()))) {
        if (line.size() < 2 || (line[0] != '<' && line[0] != '>')) {
            continue;
        }
        const std::string text = trimmed(line.substr(2));
        if (text.rfind("Checksum:", 0) == 0) {
            continue;
        }
        (line[0] == '<' ? diff.removed : diff.added).insert(text);
    }
    return diff;
}

// The lines of the "Failures:" part of edid-decode -c.
std::set<std::string> referenceFailures(const Bytes& bytes) {
    const TempFile file(bytes);
    std::set<std::string> failures;
    bool inFailures = false;
    for (const std::string& line : lines(runCommand("edid-decode -c -s " + file.path() + " 2>&1"))) {
        if (line.rfind("Failures:", 0) == 0) {
            inFailures = true;
        } else if (line.rfind("EDID conformity", 0) == 0 || line.rfind("Warnings:", 0) == 0) {
            inFailures = false;
        } else if (inFailures && !trimmed(line).empty()) {
            failures.insert(trimmed(line));
        }
    }
    return failures;
}

std::string joined(const std::multiset<std::string>& set) {
    std::string text;
    for (const auto& s : set) {
        text += "\n    " + s;
    }
    return text;
}

// --- round trip -------------------------------------------------------------------------

TEST(EdidModelRoundTrip, EveryRealAndGeneratedEdidComesBackByteForByte) {
    std::vector<std::pair<std::string, Bytes>> edids;
    for (const auto& entry : std::filesystem::directory_iterator(kEdidDir)) {
        if (entry.path().extension() == ".bin") {
            edids.emplace_back(entry.path().filename().string(), readFile(entry.path()));
        }
    }
    ASSERT_GE(edids.size(), 8U);
    for (int table = 1; table <= emu::kEdidTableCount; ++table) {
        const emu::Edid e = emu::defaultTableEdid(table);
        edids.emplace_back("table " + std::to_string(table), Bytes(e.begin(), e.end()));
    }
    const emu::Edid fixed = emu::fixedEdid();
    edids.emplace_back("fixed", Bytes(fixed.begin(), fixed.end()));
    for (const auto& [name, bytes] : edids) {
        const auto parsed = edid::parseModel(bytes);
        ASSERT_TRUE(parsed.model) << name << ": " << parsed.error;
        EXPECT_TRUE(parsed.model->cta) << name << ": the extension is not taken apart";
        EXPECT_EQ(edid::encodeModel(*parsed.model), bytes) << name;
    }
}

// Second blocks the model cannot take apart are kept whole; odd bytes that
// it can are put back where they were. Checksums come out right.
TEST(EdidModelRoundTrip, AwkwardSecondBlocksComeBackWithChecksumsMade) {
    struct Case {
        const char* name;
        std::function<void(Bytes&)> change;
        bool takenApart;
    };
    const Case cases[] = {
        {"DTD offset cutting a data block", [](Bytes& b) { b[130] = 6; }, false},
        {"revision 2, no data blocks", [](Bytes& b) { b[129] = 2; }, false},
        {"DTD offset 0", [](Bytes& b) { b[130] = 0; }, false},
        {"DTD offset inside the header", [](Bytes& b) { b[130] = 2; }, false},
        {"DisplayID block", [](Bytes& b) { b[128] = 0x70; }, false},
        {"bytes after the last DTD", [](Bytes& b) { b[250] = 0x5A; }, true},
        {"wrong checksums", [](Bytes& b) { b[127] ^= 0xFF; b[255] ^= 0x01; }, true},
        {"no DTDs, DTD offset at the checksum",
         [](Bytes& b) {
             std::fill(b.begin() + 128 + b[130], b.end(), 0);
             b[130] = 127;
         },
         true},
    };
    for (const Case& c : cases) {
        Bytes bytes = tv("lg-c8-hdmi");
        c.change(bytes);
        const auto parsed = edid::parseModel(bytes);
        ASSERT_TRUE(parsed.model) << c.name;
        EXPECT_EQ(parsed.model->cta.has_value(), c.takenApart) << c.name;
        Bytes expected = bytes;
        fixChecksums(expected);
        EXPECT_EQ(edid::encodeModel(*parsed.model), expected) << c.name;
    }

    Bytes base = tv("lg-c8-hdmi");
    base.resize(128);
    const auto parsed = edid::parseModel(base);
    ASSERT_TRUE(parsed.model);
    EXPECT_FALSE(parsed.model->hasExtension());
    EXPECT_EQ(edid::encodeModel(*parsed.model), base);

    for (const std::size_t size : {0, 127, 129, 384}) {
        const auto refused = edid::parseModel(Bytes(size, 0));
        EXPECT_FALSE(refused.model) << size;
        EXPECT_NE(refused.error.find(std::to_string(size)), std::string::npos) << refused.error;
    }
}

// --- edits against the reference ------------------------------------------------------------

struct EditRow {
    const char* edid;
    const char* what;
    std::function<EditResult(EdidModel&)> edit;
    std::vector<std::string> removed;
    std::vector<std::string> added;
};

const char kVic97[] = "VIC  97:  3840x2160   60.000000 Hz  16:9    135.000 kHz    594.000000 MHz";
const char kVic16[] = "VIC  16:  1920x1080   60.000000 Hz  16:9     67.500 kHz    148.500000 MHz";

EditResult all(EdidModel& m, std::initializer_list<std::function<EditResult(EdidModel&)>> edits) {
    for (const auto& edit : edits) {
        if (EditResult r = edit(m); !r.ok()) {
            return r;
        }
    }
    return {};
}

const edid::AudioFormatName& audio(const char* name) {
    for (const auto& f : edid::audioFormatNames()) {
        if (std::string(f.name) == name) {
            return f;
        }
    }
    throw std::runtime_error(name);
}

edid::DetailedTiming generated(edid::TimingResult result) {
    EXPECT_TRUE(result.timing) << result.error;
    return result.timing.value_or(edid::DetailedTiming{});
}

TEST(EdidModelEdits, ChangeOnlyWhatTheyNameWithNoNewConformityFailure) {
    REQUIRE_EDID_DECODE();
    const std::vector<EditRow> rows = {
        {"lg-c8-hdmi", "name", [](EdidModel& m) { return edid::setName(m, "Den TV"); },
         {"Display Product Name: 'LG TV'"}, {"Display Product Name: 'Den TV'"}},
        {"samsung-ue55ks-hdmi", "identity",
         [](EdidModel& m) {
             return all(m, {[](EdidModel& x) { return edid::setManufacturer(x, "ABC"); },
                            [](EdidModel& x) { return edid::setProductCode(x, 4660); },
                            [](EdidModel& x) { return edid::setSerialNumber(x, 7); },
                            [](EdidModel& x) { return edid::setWeekYear(x, 12, 2021); }});
         },
         {"Manufacturer: SAM", "Model: 3386", "Serial Number: 16778752", "Made in: week 1 of 2016"},
         {"Manufacturer: ABC", "Model: 4660", "Serial Number: 7", "Made in: week 12 of 2021"}},
        {"samsung-ue55ks-hdmi", "range limits keep their formula",
         [](EdidModel& m) {
             edid::RangeLimits r{24, 75, 15, 90, 300, -1};
             return edid::setRangeLimits(m, r);
         },
         {"Monitor ranges (GTF): 24-75 Hz V, 15-81 kHz H, max dotclock 300 MHz"},
         {"Monitor ranges (GTF): 24-75 Hz V, 15-90 kHz H, max dotclock 300 MHz"}},
        {"samsung-ue55ks-hdmi", "standard and established timings",
         [](EdidModel& m) {
             return all(m, {[](EdidModel& x) { return edid::addStandardTiming(x, 1280, 1024, 75); },
                            [](EdidModel& x) {
                                return edid::setEstablishedTiming(x, 800, 600, 60, false);
                            }});
         },
         {"DMT 0x09:   800x600    60.316541 Hz   4:3     37.879 kHz     40.000000 MHz"},
         {"DMT 0x24:  1280x1024   75.024675 Hz   5:4     79.976 kHz    135.000000 MHz"}},
        {"samsung-ue55ks-hdmi", "CVT reduced blanking v2 timing",
         [](EdidModel& m) {
             return edid::addDetailedTiming(
                 m, generated(edid::cvtTiming(1920, 1080, 60, edid::CvtBlanking::Reduced2)));
         },
         {},
         {"DTD 5:  1920x1080   60.000000 Hz  16:9     66.660 kHz    133.320000 MHz (1210 mm x 680 mm)",
          "Hfront    8 Hsync  32 Hback   40 Hpol P", "Vfront   17 Vsync   8 Vback    6 Vpol N"}},
        {"samsung-ue55ks-hdmi", "VIC 4 timing",
         [](EdidModel& m) { return edid::addDetailedTiming(m, generated(edid::vicTiming(4))); },
         {},
         {"DTD 5:  1280x720    60.000000 Hz  16:9     45.000 kHz     74.250000 MHz (1210 mm x 680 mm)",
          "Hfront  110 Hsync  40 Hback  220 Hpol P", "Vfront    5 Vsync   5 Vback   20 Vpol P"}},
        {"sharp-lc70uq17u-hdmi1", "remove a VIC the 3D entries do not name",
         [](EdidModel& m) { return edid::removeVic(m, 34); },
         {"VIC  34:  1920x1080   30.000000 Hz  16:9     33.750 kHz     74.250000 MHz"},
         {}},
        {"sharp-lc70uq17u-hdmi1", "remove a VIC with a 3D entry",
         [](EdidModel& m) { return edid::removeVic(m, 32); },
         {"VIC  32:  1920x1080   24.000000 Hz  16:9     27.000 kHz     74.250000 MHz",
          "VIC  32:  1920x1080   24.000000 Hz  16:9     27.000 kHz     74.250000 MHz (frame packing)"},
         {}},
        {"sharp-lc70uq17u-hdmi1", "move a VIC with a 3D entry first",
         [](EdidModel& m) { return edid::moveVic(m, 4, 0); },
         {"VIC   4:  1280x720    60.000000 Hz  16:9     45.000 kHz     74.250000 MHz"},
         {"VIC   4:  1280x720    60.000000 Hz  16:9     45.000 kHz     74.250000 MHz"}},
        {"sharp-lc70uq17u-hdmi1", "add a VIC", [](EdidModel& m) { return edid::addVic(m, 19); },
         {},
         {"VIC  19:  1280x720    50.000000 Hz  16:9     37.500 kHz     74.250000 MHz"}},
        {"sharp-lc70uq17u-hdmi1", "clear native", [](EdidModel& m) { return edid::setNativeVic(m, 0); },
         {std::string(kVic16) + " (native)"}, {kVic16}},
        {"lg-c8-hdmi", "unmark a VIC in the 4:2:0 map",
         [](EdidModel& m) { return edid::setYcbcr420Capable(m, 96, false); },
         {"VIC  96:  3840x2160   50.000000 Hz  16:9    112.500 kHz    594.000000 MHz"}, {}},
        {"lg-c8-hdmi", "mark a VIC in the 4:2:0 map",
         [](EdidModel& m) { return edid::setYcbcr420Capable(m, 16, true); }, {}, {kVic16}},
        {"lg-c8-hdmi", "the command line's example: Dolby Vision, VIC 97, 300 MHz",
         [](EdidModel& m) {
             return all(m, {[](EdidModel& x) {
                                return edid::removeBlocks(x, {edid::BlockKind::DolbyVision, 0});
                            },
                            [](EdidModel& x) { return edid::removeVic(x, 97); },
                            [](EdidModel& x) { return edid::capMaxTmds(x, 300); }});
         },
         {kVic97, kVic97, "Maximum TMDS Character Rate: 600 MHz",
          "Vendor-Specific Video Data Block (Dolby), OUI 00-D0-46:", "Version: 1 (12 bytes)",
          "Supports 2160p60", "DM Version: 3.x", "Colorimetry: P3-D65",
          "Low Latency: Standard + Low Latency", "Target Min Luminance: 0.00006200 cd/m^2",
          "Target Max Luminance: 700 cd/m^2", "Unique Rx, Ry: 0.68359375, 0.32031250",
          "Unique Gx, Gy: 0.25390625, 0.70312500", "Unique Bx, By: 0.14062500, 0.04687500"},
         {}},
        {"lg-oled-cx-hdmi", "max TMDS 300 MHz takes the FRL rate with it",
         [](EdidModel& m) { return edid::capMaxTmds(m, 300); },
         {"Maximum TMDS Character Rate: 600 MHz",
          "Max Fixed Rate Link: 3 and 6 Gbps per lane on 3 lanes, 6, 8 and 10 Gbps on 4 lanes"},
         {}},
        {"hisense-h9g-hdmi", "remove HDR10+",
         [](EdidModel& m) { return edid::removeBlocks(m, {edid::BlockKind::Hdr10Plus, 0}); },
         {"Vendor-Specific Video Data Block (HDR10+), OUI 90-84-8B:", "Application Version: 1"}, {}},
        {"sharp-lc70uq17u-hdmi1", "remove speakers",
         [](EdidModel& m) { return edid::removeBlocks(m, *edid::blockSelectorByName("speaker")); },
         {"Speaker Allocation Data Block:", "FL/FR - Front Left/Right"}, {}},
        {"panasonic-tx65gxr900-hdmi", "remove L-PCM",
         [](EdidModel& m) { return edid::removeAudio(m, audio("lpcm")); },
         {"Linear PCM:", "Max channels: 6", "Supported sample rates (kHz): 48 44.1 32",
          "Supported sample sizes (bits): 16"},
         {}},
        {"samsung-ue55ks-hdmi", "add E-AC-3 with JOC",
         [](EdidModel& m) {
             return edid::addAudio(m, edid::audioDescriptor(audio("eac3"), 8, 0x04, 0x01));
         },
         {},
         {"Enhanced AC-3 (DD+):", "Max channels: 8", "Supported sample rates (kHz): 48",
          "Supports Joint Object Coding"}},
        {"samsung-ue55ks-hdmi", "add 8-channel L-PCM",
         [](EdidModel& m) {
             return edid::addAudio(m, edid::audioDescriptor(audio("lpcm"), 8, 0x54, 0x05));
         },
         {},
         {"Linear PCM:", "Max channels: 8", "Supported sample rates (kHz): 192 96 48",
          "Supported sample sizes (bits): 24 16"}},
        {"sharp-lc70uq17u-hdmi1", "speakers",
         [](EdidModel& m) { return edid::setBlockField(m, "speaker", "bits", 0x07); }, {},
         {"LFE1 - Low Frequency Effects 1", "FC - Front Center"}},
        {"philips-ftv-hdmi2.0", "ALLM off",
         [](EdidModel& m) { return edid::setBlockField(m, "hdmi-forum", "allm", 0); },
         {"Supports Auto Low-Latency Mode"}, {}},
        {"philips-ftv-hdmi2.0", "colorimetry",
         [](EdidModel& m) { return edid::setBlockField(m, "colorimetry", "bits", 0xC3); }, {},
         {"xvYCC601", "xvYCC709"}},
        {"samsung-ue55ks-hdmi", "HDR max luminance",
         [](EdidModel& m) { return edid::setBlockField(m, "hdr-static", "max-luminance", 100); },
         {}, {"Desired content max luminance: 100 (436.203 cd/m^2)"}},
    };
    for (const EditRow& row : rows) {
        SCOPED_TRACE(std::string(row.edid) + ": " + row.what);
        const Bytes before = tv(row.edid);
        EdidModel m = model(before);
        const EditResult result = row.edit(m);
        ASSERT_TRUE(result.ok()) << result.error;
        const Bytes after = edid::encodeModel(m);
        const TextDiff diff = referenceDiff(before, after);
        const std::multiset<std::string> removed(row.removed.begin(), row.removed.end());
        const std::multiset<std::string> added(row.added.begin(), row.added.end());
        EXPECT_EQ(diff.removed, removed) << "removed:" << joined(diff.removed);
        EXPECT_EQ(diff.added, added) << "added:" << joined(diff.added);
        const auto old = referenceFailures(before);
        for (const std::string& failure : referenceFailures(after)) {
            EXPECT_TRUE(old.count(failure) != 0) << "new failure: " << failure;
        }
    }
}

// --- refusals ------------------------------------------------------------------------------

TEST(EdidModelEdits, AnEditThatDoesNotFitSaysByHowMuchAndChangesNothing) {
    struct Row {
        const char* edid;
        const char* what;
        std::function<EditResult(EdidModel&)> edit;
        const char* message;
    };
    const edid::DetailedTiming vic16 = generated(edid::vicTiming(16));
    const Row rows[] = {
        {"lg-c8-hdmi", "a detailed timing in 10 free bytes",
         [&](EdidModel& m) { return edid::addDetailedTiming(m, vic16); }, "8 bytes too many"},
        {"sharp-lc70uq17u-hdmi1", "an audio descriptor in 1 free byte",
         [](EdidModel& m) {
             return edid::addAudio(m, edid::audioDescriptor(audio("ac3"), 6, 0x07, 80));
         },
         "2 bytes too many"},
        {"sharp-lc70uq17u-hdmi1", "latencies in 1 free byte",
         [](EdidModel& m) { return edid::setHdmiLatency(m, 20, 40); }, "1 bytes too many"},
        {"sharp-lc70uq17u-hdmi1", "two VICs in 1 free byte",
         [](EdidModel& m) {
             return all(m, {[](EdidModel& x) { return edid::addVic(x, 19); },
                            [](EdidModel& x) { return edid::addVic(x, 20); }});
         },
         "1 bytes too many"},
        {"panasonic-tx65gxr900-hdmi", "an HDMI Forum field that grows the block",
         [](EdidModel& m) { return edid::setBlockField(m, "hdmi-forum", "dsc-chunk", 1); },
         "bytes too many"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.edid) + ": " + row.what);
        const Bytes before = tv(row.edid);
        EdidModel m = model(before);
        const EditResult result = row.edit(m);
        ASSERT_FALSE(result.ok());
        EXPECT_NE(result.error.find(row.message), std::string::npos) << result.error;
        if (std::string(row.what).rfind("two", 0) != 0) {
            EXPECT_EQ(edid::encodeModel(m), before) << "the model changed";
        }
    }

    // A data block holds 31 bytes, however much room the extension has.
    Bytes base = tv("samsung-ue55ks-hdmi");
    std::fill(base.begin() + 128, base.end(), 0);
    base[126] = 0;
    EdidModel m = model(base);
    for (int vic = 1; vic <= 31; ++vic) {
        ASSERT_TRUE(edid::addVic(m, vic).ok()) << vic;
    }
    EXPECT_EQ(m.base.extensionCount, 1);
    const Bytes full = edid::encodeModel(m);
    const EditResult refused = edid::addVic(m, 32);
    EXPECT_NE(refused.error.find("a data block holds 31"), std::string::npos) << refused.error;
    EXPECT_EQ(edid::encodeModel(m), full);
    EXPECT_EQ(edid::ctaBytesUsed(*m.cta), 32);
    EXPECT_EQ(edid::ctaBytesFree(*m.cta), edid::kCtaCapacity - 32);
}

TEST(EdidModelEdits, BadValuesAreRefusedWithTheRange) {
    EdidModel m = model(tv("lg-c8-hdmi"));
    const Bytes before = edid::encodeModel(m);
    const std::pair<EditResult, const char*> rows[] = {
        {edid::setName(m, "fourteen chars"), "13 characters"},
        {edid::setManufacturer(m, "ab1"), "three capital letters"},
        {edid::setWeekYear(m, 60, 2020), "week"},
        {edid::addVic(m, 250), "not a VIC"},
        {edid::addVic(m, 16), "already listed"},
        {edid::addVic(m, 102, -1, edid::VicList::Ycbcr420Only), "regular VIC"},
        {edid::setNativeVic(m, 97), "1 to 64"},
        {edid::removeDetailedTiming(m, 9), "no detailed timing 10"},
        {edid::setBlockField(m, "hdmi", "max-tmds", 400), "up to 340"},
        {edid::setBlockField(m, "hdmi", "nonsense", 1), "no field"},
        {edid::setBlockField(m, "hdmi-forum", "frl-rate", 16), "0 to 15"},
        {edid::addStandardTiming(m, 1366, 768, 60), "steps of 8"},
        {edid::setEstablishedTiming(m, 1920, 1080, 60, true), "not an established"},
        {edid::setHdmiLatency(m, 20, std::nullopt), "both"},
    };
    for (const auto& [result, message] : rows) {
        EXPECT_NE(result.error.find(message), std::string::npos)
            << "'" << result.error << "' lacks '" << message << "'";
    }
    EXPECT_EQ(edid::encodeModel(m), before);
}

// --- consistency --------------------------------------------------------------------------

std::multiset<int> mapVics(const Bytes& bytes) {
    const auto decoded = edid::decodeEdid(bytes);
    const auto* map = decoded.find<edid::Ycbcr420CapabilityMap>(edid::BlockKind::Ycbcr420CapabilityMap);
    return map ? std::multiset<int>(map->vics.begin(), map->vics.end()) : std::multiset<int>{};
}

TEST(EdidModelEdits, TheCapabilityMapFollowsEveryRemovalAndMove) {
    for (const char* name : {"lg-c8-hdmi", "lg-oled-cx-hdmi", "hisense-h9g-hdmi"}) {
        const Bytes bytes = tv(name);
        const auto marked = mapVics(bytes);
        ASSERT_FALSE(marked.empty()) << name;
        const auto decoded = edid::decodeEdid(bytes);
        const auto* video = decoded.find<edid::VideoBlock>(edid::BlockKind::Video);
        ASSERT_NE(video, nullptr);
        for (const edid::Svd& svd : video->svds) {
            SCOPED_TRACE(std::string(name) + " VIC " + std::to_string(svd.vic));
            EdidModel removed = model(bytes);
            ASSERT_TRUE(edid::removeVic(removed, svd.vic).ok());
            auto expected = marked;
            expected.erase(svd.vic);
            EXPECT_EQ(mapVics(edid::encodeModel(removed)), expected);

            EdidModel moved = model(bytes);
            ASSERT_TRUE(edid::moveVic(moved, svd.vic, 0).ok());
            EXPECT_EQ(mapVics(edid::encodeModel(moved)), marked);
        }
    }
}

TEST(EdidModelEdits, NativeTimingCountFollowsTheTimings) {
    EdidModel m = model(tv("lg-c8-hdmi"));  // three timings, the first native
    ASSERT_EQ(m.cta->nativeTimings(), 1);
    ASSERT_TRUE(edid::removeDetailedTiming(m, 2).ok());
    EXPECT_EQ(m.cta->nativeTimings(), 1);
    ASSERT_TRUE(edid::addDetailedTiming(m, generated(edid::vicTiming(4)), 0).ok());
    EXPECT_EQ(m.cta->nativeTimings(), 2);
    ASSERT_TRUE(edid::removeDetailedTiming(m, 0).ok());
    ASSERT_TRUE(edid::removeDetailedTiming(m, 0).ok());
    EXPECT_EQ(m.cta->nativeTimings(), 0);
    EXPECT_EQ(edid::detailedTimings(m).size(), 1U);
}

TEST(EdidModelEdits, MaxTmdsUpTo340IsTheHdmiBlocksWithTheForumRateZero) {
    EdidModel m = model(tv("lg-oled-cx-hdmi"));
    ASSERT_TRUE(edid::setBlockField(m, "hdmi-forum", "max-tmds", 300).ok());
    auto decoded = edid::decodeEdid(edid::encodeModel(m));
    EXPECT_EQ(decoded.find<edid::HdmiBlock>(edid::BlockKind::Hdmi)->maxTmdsMHz, 300);
    EXPECT_EQ(decoded.find<edid::HdmiForumBlock>(edid::BlockKind::HdmiForum)->maxTmdsCharRateMHz, 0);

    ASSERT_TRUE(edid::setBlockField(m, "hdmi-forum", "max-tmds", 600).ok());
    decoded = edid::decodeEdid(edid::encodeModel(m));
    EXPECT_EQ(decoded.find<edid::HdmiBlock>(edid::BlockKind::Hdmi)->maxTmdsMHz, 340);
    EXPECT_EQ(decoded.find<edid::HdmiForumBlock>(edid::BlockKind::HdmiForum)->maxTmdsCharRateMHz,
              600);
}

TEST(EdidModelEdits, LatenciesAreInsertedAndRemovedBeforeTheVideoFields) {
    EdidModel m = model(tv("samsung-ue55ks-hdmi"));
    const auto vicsBefore =
        edid::decodeEdid(edid::encodeModel(m)).find<edid::HdmiBlock>(edid::BlockKind::Hdmi)->hdmiVics;
    ASSERT_TRUE(edid::setHdmiLatency(m, 20, 40).ok());
    auto decoded = edid::decodeEdid(edid::encodeModel(m));
    const auto* hdmi = decoded.find<edid::HdmiBlock>(edid::BlockKind::Hdmi);
    EXPECT_EQ(hdmi->videoLatency, 11);  // 2 ms steps from code 1
    EXPECT_EQ(hdmi->audioLatency, 21);
    EXPECT_EQ(hdmi->hdmiVics, vicsBefore);
    ASSERT_TRUE(edid::setHdmiLatency(m, std::nullopt, std::nullopt).ok());
    EXPECT_EQ(edid::encodeModel(m), tv("samsung-ue55ks-hdmi"));
}

TEST(EdidModelEdits, BlockSelectorsByName) {
    EXPECT_EQ(edid::blockSelectorByName("vendor:00-D0-46")->oui, 0x00D046U);
    EXPECT_EQ(edid::blockSelectorByName("vendor:C45DD8")->oui, 0xC45DD8U);
    EXPECT_EQ(edid::blockSelectorByName("dolby-vision")->kind, edid::BlockKind::DolbyVision);
    for (const char* bad : {"vendor:", "vendor:00-D0", "vendor:00-D0-4G", "dolby", ""}) {
        EXPECT_FALSE(edid::blockSelectorByName(bad)) << bad;
    }
    // A vendor selector removes the vendor block and nothing else.
    EdidModel m = model(tv("lg-c8-hdmi"));
    const std::size_t blocks = m.cta->blocks.size();
    ASSERT_TRUE(edid::removeBlocks(m, *edid::blockSelectorByName("vendor:00-D0-46")).ok());
    EXPECT_EQ(m.cta->blocks.size(), blocks - 1);
    EXPECT_EQ(edid::decodeEdid(edid::encodeModel(m)).find<edid::DolbyVision>(edid::BlockKind::DolbyVision),
              nullptr);
}

// --- timing generator -------------------------------------------------------------------

struct ReferenceTiming {
    double clockMHz = 0;
    std::map<std::string, int> values;  // Hfront, Hsync, Hback, Vfront, Vsync, Vback
    bool hPositive = false, vPositive = false;
};

ReferenceTiming parseReferenceTiming(const std::string& text) {
    ReferenceTiming t;
    for (const std::string& line : lines(text)) {
        std::istringstream in(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(in),
                                       std::istream_iterator<std::string>()};
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            if (words[i + 1] == "MHz") {
                t.clockMHz = std::stod(words[i]);
            } else if (words[i] == "Hpol" || words[i] == "Vpol") {
                (words[i] == "Hpol" ? t.hPositive : t.vPositive) = words[i + 1] == "P";
            } else if (words[i].size() > 1 && (words[i][0] == 'H' || words[i][0] == 'V') &&
                       std::isdigit(static_cast<unsigned char>(words[i + 1][0])) &&
                       !t.values.count(words[i])) {
                t.values[words[i]] = std::stoi(words[i + 1]);
            }
        }
    }
    return t;
}

void expectSame(const edid::DetailedTiming& t, const ReferenceTiming& ref) {
    const int vBlank = t.vBlank;
    EXPECT_NEAR(t.pixelClockKHz / 1000.0, ref.clockMHz, 0.006);
    EXPECT_EQ(t.hFront, ref.values.at("Hfront"));
    EXPECT_EQ(t.hSync, ref.values.at("Hsync"));
    EXPECT_EQ(t.hBack(), ref.values.at("Hback"));
    EXPECT_EQ(t.vFront, ref.values.at("Vfront"));
    EXPECT_EQ(t.vSync, ref.values.at("Vsync"));
    EXPECT_EQ(vBlank - t.vFront - t.vSync, ref.values.at("Vback"));
    EXPECT_EQ(t.hSyncPositive, ref.hPositive);
    EXPECT_EQ(t.vSyncPositive, ref.vPositive);
}

TEST(EdidTimingGenerator, CvtAgreesWithTheReference) {
    REQUIRE_EDID_DECODE();
    struct Row {
        int w, h;
        double hz;
        edid::CvtBlanking blanking;
        int rb;
    };
    const Row rows[] = {
        {1920, 1080, 60, edid::CvtBlanking::Standard, 0},
        {1280, 1024, 75, edid::CvtBlanking::Standard, 0},
        {1366, 768, 60, edid::CvtBlanking::Standard, 0},
        {1024, 768, 85, edid::CvtBlanking::Standard, 0},
        {1920, 1200, 60, edid::CvtBlanking::Reduced, 1},
        {2560, 1440, 60, edid::CvtBlanking::Reduced, 1},
        {3840, 2160, 30, edid::CvtBlanking::Reduced, 1},
        {1920, 1080, 60, edid::CvtBlanking::Reduced2, 2},
        {3840, 2160, 60, edid::CvtBlanking::Reduced2, 2},
        {2560, 1080, 144, edid::CvtBlanking::Reduced2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.w) + "x" + std::to_string(row.h) + "@" +
                     std::to_string(row.hz) + " rb " + std::to_string(row.rb));
        const auto ours = edid::cvtTiming(row.w, row.h, row.hz, row.blanking);
        ASSERT_TRUE(ours.timing) << ours.error;
        const std::string text = runCommand(
            "edid-decode --cvt w=" + std::to_string(row.w) + ",h=" + std::to_string(row.h) +
            ",fps=" + std::to_string(int(row.hz)) + ",rb=" + std::to_string(row.rb));
        expectSame(*ours.timing, parseReferenceTiming(text));
        EXPECT_TRUE(edid::encodeDetailedTiming(*ours.timing).descriptor);
    }
}

TEST(EdidTimingGenerator, VicTimingsAgreeWithTheReference) {
    REQUIRE_EDID_DECODE();
    std::set<int> known;
    for (const edid::VideoFormat& format : edid::vicTable()) {
        const auto ours = edid::vicTiming(format.vic);
        if (!ours.timing) {
            continue;
        }
        known.insert(format.vic);
        SCOPED_TRACE("VIC " + std::to_string(format.vic));
        expectSame(*ours.timing,
                   parseReferenceTiming(runCommand("edid-decode --vic " + std::to_string(format.vic))));
        // Formats beyond a descriptor's fields (porches of 720p24 and 2160p24,
        // 4096 pixels, clocks above 655.35 MHz) are refused, saying which field.
        const auto encoded = edid::encodeDetailedTiming(*ours.timing);
        if (!encoded.descriptor) {
            EXPECT_NE(encoded.error.find(" is 0 to "), std::string::npos) << encoded.error;
        }
    }
    for (const int vic : {1, 4, 5, 16, 17, 20, 31, 95, 97}) {
        EXPECT_TRUE(edid::encodeDetailedTiming(*edid::vicTiming(vic).timing).descriptor) << vic;
    }
    for (const int vic : {1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 31, 32, 33, 34, 93, 94, 95,
                          96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107}) {
        EXPECT_TRUE(known.count(vic)) << "no timing for VIC " << vic;
    }
    EXPECT_FALSE(edid::vicTiming(0).timing);
    EXPECT_FALSE(edid::vicTiming(250).timing);
}

// --- the editor's outline ----------------------------------------------------------------

// Every node of the outline, with the path of labels that leads to it.
void walk(const edid::EditNode& node, const std::string& path,
          const std::function<void(const edid::EditNode&, const std::string&)>& visit) {
    for (const edid::EditNode& child : node.children) {
        const std::string at = path + " > " + child.label;
        visit(child, at);
        walk(child, at, visit);
    }
}

const edid::EditNode* nodeAt(const edid::EditNode& root, const std::string& path) {
    const edid::EditNode* found = nullptr;
    walk(root, "", [&](const edid::EditNode& node, const std::string& at) {
        if (at == path && found == nullptr) {
            found = &node;
        }
    });
    return found;
}

std::vector<std::pair<std::string, Bytes>> tvEdids() {
    std::vector<std::pair<std::string, Bytes>> edids;
    for (const auto& entry : std::filesystem::directory_iterator(kEdidDir)) {
        if (entry.path().extension() == ".bin") {
            edids.emplace_back(entry.path().stem().string(), readFile(entry.path()));
        }
    }
    return edids;
}

// A field set to another value shows that value afterwards, and its old value
// once set back: what a widget shows is what the EDID holds, at the byte, bit
// and scale its edit writes.
TEST(EdidEditTree, EveryFieldShowsWhatItsEditWrites) {
    for (const auto& [name, bytes] : tvEdids()) {
        const EdidModel m = model(bytes);
        const Bytes encoded = edid::encodeModel(m);
        walk(edid::editTree(m), "", [&](const edid::EditNode& node, const std::string& path) {
            SCOPED_TRACE(name + path);
            EdidModel copy = m;
            if (node.setText) {
                const EditResult result = node.setText(copy, node.text);
                EXPECT_TRUE(result.ok()) << result.error;
                EXPECT_EQ(edid::encodeModel(copy), encoded);
                return;
            }
            if (!node.set) {
                return;
            }
            const int other = node.widget == edid::FieldWidget::Check ? 1 - node.current
                              : node.current + node.step <= node.maximum ? node.current + node.step
                                                                         : node.current - node.step;
            if (!node.set(copy, other).ok()) {
                EXPECT_EQ(edid::encodeModel(copy), encoded) << "a refusal changed the EDID";
                return;
            }
            const edid::EditNode tree = edid::editTree(copy);
            const edid::EditNode* changed = nodeAt(tree, path);
            if (changed == nullptr) {
                return;  // the field gave way to another (no model year: a week)
            }
            EXPECT_EQ(changed->current, other);
            ASSERT_TRUE(changed->set(copy, node.current).ok());
            const edid::EditNode back = edid::editTree(copy);
            EXPECT_EQ(nodeAt(back, path)->current, node.current);
        });
    }
}

// Each removal and move the outline offers works on the thing it is shown
// beside: the outline loses that one item (a base block descriptor becomes a
// free slot instead), or the EDID is full and nothing changes.
TEST(EdidEditTree, RemovalsAndMovesTakeTheItemTheyAreShownBeside) {
    for (const auto& [name, bytes] : tvEdids()) {
        const EdidModel m = model(bytes);
        const Bytes encoded = edid::encodeModel(m);
        const edid::EditNode tree = edid::editTree(m);
        walk(tree, "", [&](const edid::EditNode& node, const std::string& path) {
            const std::string parentPath = path.substr(0, path.rfind(" > "));
            const edid::EditNode* parent = parentPath.empty() ? &tree : nodeAt(tree, parentPath);
            ASSERT_NE(parent, nullptr);
            struct Action {
                const char* what;
                std::function<EditResult(EdidModel&)> run;
                std::size_t childrenLost;
            };
            std::vector<Action> actions;
            if (node.remove) {
                actions.push_back({"remove", node.remove,
                                   parentPath.ends_with("Descriptors") ? 0U : 1U});
            }
            if (node.move && node.canMoveDown) {
                actions.push_back({"move down", [&](EdidModel& e) { return node.move(e, 1); }, 0});
            }
            if (node.move && node.canMoveUp) {
                actions.push_back({"move up", [&](EdidModel& e) { return node.move(e, -1); }, 0});
            }
            for (const Action& action : actions) {
                SCOPED_TRACE(name + path + ": " + action.what);
                EdidModel copy = m;
                const EditResult result = action.run(copy);
                if (!result.ok()) {
                    EXPECT_NE(result.error.find("bytes too many"), std::string::npos) << result.error;
                    EXPECT_EQ(edid::encodeModel(copy), encoded);
                    continue;
                }
                EXPECT_NE(edid::encodeModel(copy), encoded);
                const edid::EditNode afterTree = edid::editTree(copy);
                const edid::EditNode* after =
                    parentPath.empty() ? &afterTree : nodeAt(afterTree, parentPath);
                ASSERT_NE(after, nullptr);
                EXPECT_EQ(after->children.size(), parent->children.size() - action.childrenLost);
            }
        });
    }
}

// Every data block the Add action offers can be added to an EDID that lacks
// it, and edid-decode reads it without a new conformity failure.
TEST(EdidEditTree, EveryOfferedDataBlockAddsCleanly) {
    REQUIRE_EDID_DECODE();
    const EdidModel tvModel = model(tv("lg-c8-hdmi"));
    for (const edid::BlockChoice& choice : edid::blockChoices()) {
        SCOPED_TRACE(choice.text);
        EdidModel without = tvModel;
        ASSERT_TRUE(edid::removeBlocks(without, {choice.kind, 0}).ok());
        EdidModel with = without;
        const EditResult result = edid::addBlock(with, choice.kind);
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_TRUE(result.note.empty()) << result.note;
        const edid::DecodedEdid decoded = edid::decodeEdid(edid::encodeModel(with));
        const auto& blocks = decoded.extensions.at(0).cta->dataBlocks;
        EXPECT_TRUE(std::any_of(blocks.begin(), blocks.end(),
                                [&](const edid::DataBlock& b) { return b.kind == choice.kind; }));
        const std::set<std::string> before = referenceFailures(edid::encodeModel(without));
        for (const std::string& failure : referenceFailures(edid::encodeModel(with))) {
            EXPECT_TRUE(before.count(failure)) << "new failure: " << failure;
        }
        EXPECT_EQ(edid::addBlock(with, choice.kind).note.empty(), false);  // a second is a note
    }
    EdidModel m = tvModel;
    ASSERT_TRUE(edid::removeBlocks(m, {edid::BlockKind::DolbyVision, 0}).ok());
    const Bytes without = edid::encodeModel(m);
    const EditResult refused = edid::addBlock(m, edid::BlockKind::DolbyVision);
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(edid::encodeModel(m), without);
}

// The short audio descriptors the Add action makes read as their format.
// A detailed timing's figures and the range limits are edited where they
// stand: an interlaced timing takes only an even number of active lines, and
// a range limit change keeps the descriptor's timing formula data.
TEST(EdidEditTree, TimingAndRangeLimitFieldsKeepWhatTheyDoNotName) {
    const auto edids = tvEdids();
    const auto samsung = std::find_if(edids.begin(), edids.end(),
                                      [](const auto& e) { return e.first == "samsung-ue55ks-hdmi"; });
    ASSERT_NE(samsung, edids.end());
    const EdidModel m = model(samsung->second);
    const auto fieldEnding = [](const edid::EditNode& tree, const std::string& end) {
        const edid::EditNode* found = nullptr;
        walk(tree, "", [&](const edid::EditNode& node, const std::string& path) {
            if (found == nullptr && path.ends_with(end)) {
                found = &node;
            }
        });
        return found;
    };
    const auto rangeTail = [](const EdidModel& model) {
        for (const auto& d : model.base.descriptors) {
            if (d[0] == 0 && d[1] == 0 && d[3] == 0xFD) {
                return Bytes(d.begin() + 10, d.end());
            }
        }
        return Bytes{};
    };
    struct Case {
        const char* field;
        int value;
        bool made;
    };
    const Case cases[] = {
        {"Timing 1 > Vertical active", 1081, false},
        {"Timing 1 > Vertical active", 1082, true},
        {"range limits > Maximum pixel clock", 590, true},
        {"range limits > Minimum vertical rate", 100, false},  // above the maximum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + std::to_string(c.value));
        EdidModel copy = m;
        const edid::EditNode tree = edid::editTree(copy);
        const edid::EditNode* node = fieldEnding(tree, c.field);
        ASSERT_NE(node, nullptr);
        ASSERT_TRUE(node->set);
        const EditResult result = node->set(copy, c.value);
        EXPECT_EQ(result.ok(), c.made) << result.error;
        if (!c.made) {
            EXPECT_EQ(edid::encodeModel(copy), edid::encodeModel(m));
            continue;
        }
        EXPECT_EQ(fieldEnding(edid::editTree(copy), c.field)->current, c.value);
        EXPECT_EQ(rangeTail(copy), rangeTail(m));
    }
}

TEST(EdidEditTree, DefaultAudioDescriptorsReadAsTheirFormat) {
    for (const edid::AudioFormatName& format : edid::audioFormatNames()) {
        SCOPED_TRACE(format.name);
        EdidModel m = model(tv("lg-c8-hdmi"));
        ASSERT_TRUE(edid::removeAudio(m, format).ok());
        ASSERT_TRUE(edid::addAudio(m, edid::defaultAudio(format)).ok());
        const edid::DecodedEdid decoded = edid::decodeEdid(edid::encodeModel(m));
        const auto* audio = decoded.find<edid::AudioBlock>(edid::BlockKind::Audio);
        ASSERT_NE(audio, nullptr);
        const edid::ShortAudioDescriptor& sad = audio->descriptors.back();
        EXPECT_EQ(sad.formatCode, format.code);
        EXPECT_EQ(sad.extensionType, format.code == 15 ? format.extensionType : 0);
        EXPECT_GT(sad.channels, 0);
        EXPECT_NE(sad.rates, 0);
    }
}

}  // namespace

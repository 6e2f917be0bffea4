// The EDID decoder against edid-decode, the field's reference tool: every real
// EDID in emulator/edids, the same EDIDs with a byte changed, and extension
// blocks built from data blocks that the real EDIDs lack, each decoded by both
// and compared fact by fact (identification, timings, data blocks and their
// values, checksums). The reference's own tables (VICs, established timings,
// HDMI VICs) are compared with ours. Then awkward bytes that the decoder must
// survive without inventing data.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "edid/Decode.h"

#include "tests/support/ReferenceTool.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kEdidDir = VORTILAN2_SOURCE_DIR "/emulator/edids";

// --- running the reference ----------------------------------------------------

using testing_support::runCommand;

std::string runReference(const Bytes& bytes) {
    char name[] = "/tmp/edid_decode_test_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) {
        ADD_FAILURE() << "Can't create a temporary file";
        return {};
    }
    const bool written = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(fd);
    EXPECT_TRUE(written);
    std::string output = runCommand(std::string("edid-decode -s ") + name + " 2>&1");
    std::remove(name);
    return output;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        bytes.push_back(std::uint8_t(std::stoul(item, nullptr, 16)));
    }
    return bytes;
}

// The base block of a real EDID and one CTA-861 extension holding `blocks`
// (each a data block with its header byte, in hex) and then `dtds`.
Bytes withExtension(const std::vector<std::string>& blocks, const std::string& dtds = "") {
    Bytes bytes = readFile(kEdidDir / "lg-c8-hdmi.bin");
    bytes.resize(256);
    std::fill(bytes.begin() + 128, bytes.end(), 0);
    Bytes data;
    for (const std::string& block : blocks) {
        const Bytes b = hexBytes(block);
        data.insert(data.end(), b.begin(), b.end());
    }
    bytes[128] = 0x02;
    bytes[129] = 3;
    bytes[130] = std::uint8_t(4 + data.size());
    bytes[131] = 0xF1;
    std::copy(data.begin(), data.end(), bytes.begin() + 132);
    const Bytes timings = hexBytes(dtds);
    std::copy(timings.begin(), timings.end(), bytes.begin() + 132 + long(data.size()));
    fixChecksums(bytes);
    return bytes;
}

// --- reading the reference's output -------------------------------------------

struct Line {
    int indent = 0;
    std::string text;
};

struct RefDataBlock {
    std::string heading;
    std::vector<Line> lines;
};

struct RefBlock {
    int index = 0;
    std::string title;
    std::vector<Line> lines;  // outside data blocks
    std::vector<RefDataBlock> dataBlocks;
    std::optional<int> checksumFound, checksumExpected;
};

struct RefTiming {
    int width = 0, height = 0;
    bool interlaced = false;
    double refresh = 0, clockMHz = 0;
    std::optional<std::pair<int, int>> sizeMm;
    int hFront = 0, hSync = 0, hBack = 0, vFront = 0, vSync = 0, vBack = 0;
    std::string hPol, vPol;
    int hBorder = 0, vBorder = 0;
    std::string flags;  // what the parentheses after the timing say, the size left out
};

struct Reference {
    std::vector<RefBlock> blocks;
    std::vector<RefTiming> timings;
};

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        out.push_back(word);
    }
    return out;
}

// "3840x2160" or "1920x1080i".
struct Size {
    int width = 0, height = 0;
    bool interlaced = false;
};

std::optional<Size> sizeOf(const std::string& word) {
    const std::size_t x = word.find('x');
    if (x == std::string::npos || x == 0 || !std::isdigit(static_cast<unsigned char>(word[0])) ||
        x + 1 >= word.size() || !std::isdigit(static_cast<unsigned char>(word[x + 1]))) {
        return std::nullopt;
    }
    Size size;
    size.width = std::stoi(word.substr(0, x));
    size.height = std::stoi(word.substr(x + 1));
    size.interlaced = word.back() == 'i';
    return size;
}

// A timing as the reference prints it: "WxH  rate Hz  aspect  kHz kHz  clock MHz".
struct Printed {
    Size size;
    std::string refresh, aspect, hFreq, clock;
};

std::optional<Printed> printedTiming(const std::vector<std::string>& w) {
    for (std::size_t i = 0; i + 7 < w.size(); ++i) {
        const auto size = sizeOf(w[i]);
        if (size && w[i + 2] == "Hz" && w[i + 5] == "kHz" && w[i + 7] == "MHz") {
            return Printed{*size, w[i + 1], w[i + 3], w[i + 4], w[i + 6]};
        }
    }
    return std::nullopt;
}

// "Hfront  176 Hsync  88 Hback  296 Hpol P Hborder 8": the three numbers, the
// polarity and the border (0 when not shown).
std::optional<std::vector<std::string>> porchLine(const std::string& text, const char* first) {
    const auto w = words(text);
    if (w.size() < 6 || w[0] != first) {
        return std::nullopt;
    }
    return std::vector<std::string>{w[1], w[3], w[5], w.size() > 7 ? w[7] : "",
                                    w.size() > 9 ? w[9] : "0"};
}

Reference parseReference(const std::string& output) {
    Reference ref;
    std::istringstream in(output);
    std::string raw;
    bool inDataBlocks = false;
    bool wantH = false, wantV = false;
    while (std::getline(in, raw)) {
        if (raw.rfind("Block ", 0) == 0 && raw.back() == ':' &&
            raw.find(", ") != std::string::npos) {
            const std::size_t comma = raw.find(", ");
            ref.blocks.push_back({std::stoi(raw.substr(6, comma - 6)),
                                  raw.substr(comma + 2, raw.size() - comma - 3),
                                  {},
                                  {},
                                  {},
                                  {}});
            inDataBlocks = false;
            continue;
        }
        if (ref.blocks.empty()) {
            continue;
        }
        RefBlock& block = ref.blocks.back();
        if (raw.rfind("Checksum: 0x", 0) == 0) {
            block.checksumFound = std::stoi(raw.substr(12, 2), nullptr, 16);
            const std::size_t should = raw.find("(should be 0x");
            if (should != std::string::npos) {
                block.checksumExpected = std::stoi(raw.substr(should + 13, 2), nullptr, 16);
            }
            continue;
        }
        const std::size_t first = raw.find_first_not_of(' ');
        if (first == std::string::npos) {
            continue;
        }
        const Line line{int(first), raw.substr(first)};
        const std::string trimmed = line.text;
        const auto w = words(trimmed);
        if (w.size() > 2 && w[0] == "DTD") {
            const auto printed = printedTiming(w);
            if (printed) {
                RefTiming t;
                t.width = printed->size.width;
                t.height = printed->size.height;
                t.interlaced = printed->size.interlaced;
                t.refresh = std::stod(printed->refresh);
                t.clockMHz = std::stod(printed->clock);
                const std::size_t open = trimmed.find(" (");
                if (open != std::string::npos) {
                    t.flags = trimmed.substr(open + 2, trimmed.size() - open - 3);
                }
                const std::size_t mmAt = t.flags.find(" mm x ");
                if (mmAt != std::string::npos) {
                    const std::size_t sizeAt = t.flags.rfind(", ", mmAt);
                    const std::size_t from = sizeAt == std::string::npos ? 0 : sizeAt + 2;
                    const auto mm = words(t.flags.substr(from));
                    t.sizeMm = std::make_pair(std::stoi(mm[0]), std::stoi(mm[3]));
                    t.flags.erase(sizeAt == std::string::npos ? 0 : sizeAt);
                }
                ref.timings.push_back(t);
                wantH = wantV = true;
                continue;
            }
        }
        if (const auto h = wantH ? porchLine(trimmed, "Hfront") : std::nullopt) {
            ref.timings.back().hFront = std::stoi((*h)[0]);
            ref.timings.back().hSync = std::stoi((*h)[1]);
            ref.timings.back().hBack = std::stoi((*h)[2]);
            ref.timings.back().hPol = (*h)[3];
            ref.timings.back().hBorder = std::stoi((*h)[4]);
            wantH = false;
            continue;
        }
        if (const auto v = wantV ? porchLine(trimmed, "Vfront") : std::nullopt) {
            ref.timings.back().vFront = std::stoi((*v)[0]);
            ref.timings.back().vSync = std::stoi((*v)[1]);
            ref.timings.back().vBack = std::stoi((*v)[2]);
            ref.timings.back().vPol = (*v)[3];
            ref.timings.back().vBorder = std::stoi((*v)[4]);
            wantV = false;
            continue;
        }
        if (line.indent == 2 && trimmed.find("Data Block") != std::string::npos) {
            block.dataBlocks.push_back({trimmed, {}});
            inDataBlocks = true;
            continue;
        }
        if (line.indent == 2) {
            inDataBlocks = false;
        }
        if (inDataBlocks) {
            block.dataBlocks.back().lines.push_back(line);
        } else {
            block.lines.push_back(line);
        }
    }
    return ref;
}

// The rest of the first line that starts with key, if any.
std::optional<std::string> value(const std::vector<Line>& lines, const std::string& key) {
    for (const Line& line : lines) {
        if (line.text.rfind(key, 0) == 0) {
            return line.text.substr(key.size());
        }
    }
    return std::nullopt;
}

bool has(const std::vector<Line>& lines, const std::string& text) {
    for (const Line& line : lines) {
        if (line.text == text) {
            return true;
        }
    }
    return false;
}

// The lines indented deeper than the line `heading`, up to the next one that is not.
std::vector<Line> section(const std::vector<Line>& lines, const std::string& heading) {
    std::vector<Line> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text == heading) {
            for (std::size_t k = i + 1; k < lines.size() && lines[k].indent > lines[i].indent;
                 ++k) {
                out.push_back(lines[k]);
            }
            break;
        }
    }
    return out;
}

int toInt(const std::optional<std::string>& text) {
    return text ? std::stoi(*text) : -1;
}

// --- comparisons ------------------------------------------------------------------

std::string cut4(double v) {
    char text[16];
    std::snprintf(text, sizeof text, "%.4f", std::floor(v * 10000 + 1e-9) / 10000);
    return text;
}

std::string fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

void compareBase(const edid::DecodedEdid& d, const RefBlock& ref) {
    SCOPED_TRACE("base block");
    const edid::BaseBlock& b = d.base;
    const auto& lines = ref.lines;
    EXPECT_EQ(value(lines, "Manufacturer: "), b.manufacturer);
    EXPECT_EQ(toInt(value(lines, "Model: ")), b.productCode);
    EXPECT_EQ(value(lines, "Serial Number: ").value_or("0"), std::to_string(b.serialNumber));
    EXPECT_EQ(value(lines, "EDID Structure Version & Revision: "),
              std::to_string(b.version) + "." + std::to_string(b.revision));
    if (b.modelYear) {
        EXPECT_EQ(toInt(value(lines, "Model year: ")), b.year);
    } else if (b.week != 0) {
        EXPECT_EQ(value(lines, "Made in: "),
                  "week " + std::to_string(b.week) + " of " + std::to_string(b.year));
    } else {
        EXPECT_EQ(value(lines, "Made in: "), std::to_string(b.year));
    }
    EXPECT_EQ(value(lines, "Display Product Name: ").value_or("''"), "'" + b.name + "'");
    EXPECT_EQ(value(lines, "Display Product Serial Number: ").value_or("''"),
              "'" + b.serialText + "'");
    EXPECT_EQ(has(lines, "Digital display"), b.digital);
    if (b.widthCm != 0) {
        EXPECT_EQ(value(lines, "Maximum image size: "),
                  std::to_string(b.widthCm) + " cm x " + std::to_string(b.heightCm) + " cm");
    }
    if (b.gamma != 0) {
        EXPECT_EQ(value(lines, "Gamma: "), fixed(b.gamma, 2));
    }
    EXPECT_EQ(value(lines, "Red  : "), cut4(b.red.x) + ", " + cut4(b.red.y));
    EXPECT_EQ(value(lines, "Green: "), cut4(b.green.x) + ", " + cut4(b.green.y));
    EXPECT_EQ(value(lines, "Blue : "), cut4(b.blue.x) + ", " + cut4(b.blue.y));
    EXPECT_EQ(value(lines, "White: "), cut4(b.white.x) + ", " + cut4(b.white.y));
    if (b.rangeLimits) {
        const auto& r = *b.rangeLimits;
        const auto ranges = value(lines, "Monitor ranges ");
        ASSERT_TRUE(ranges);
        char expected[128];
        std::snprintf(expected, sizeof expected, ": %d-%d Hz V, %d-%d kHz H, max dotclock %d MHz",
                      r.minVHz, r.maxVHz, r.minHKHz, r.maxHKHz, r.maxPixelClockMHz);
        EXPECT_NE(ranges->find(expected), std::string::npos) << *ranges;
    } else {
        EXPECT_FALSE(value(lines, "Monitor ranges "));
    }

    // Established and standard timings carry nominal rates (72 for 72.8 Hz):
    // the same sizes, in order, at rates less than 1 Hz apart.
    const auto compareList = [&](const char* heading, const std::vector<std::string>& ourSizes,
                                 const std::vector<int>& ourRates, bool withInterlace) {
        SCOPED_TRACE(heading);
        std::vector<std::string> sizes;
        std::vector<double> rates;
        for (const Line& line : section(lines, heading)) {
            if (const auto printed = printedTiming(words(line.text))) {
                sizes.push_back(std::to_string(printed->size.width) + "x" +
                                std::to_string(printed->size.height) +
                                (withInterlace && printed->size.interlaced ? "i" : ""));
                rates.push_back(std::stod(printed->refresh));
            }
        }
        ASSERT_EQ(ourSizes, sizes);
        for (std::size_t i = 0; i < rates.size(); ++i) {
            EXPECT_LT(std::fabs(ourRates[i] - rates[i]), 1.0) << sizes[i];
        }
    };
    std::vector<std::string> sizes;
    std::vector<int> rates;
    for (const auto& e : b.established) {
        sizes.push_back(std::to_string(e.width) + "x" + std::to_string(e.height) +
                        (e.interlaced ? "i" : ""));
        rates.push_back(e.refreshHz);
    }
    compareList("Established Timings I & II:", sizes, rates, true);
    sizes.clear();
    rates.clear();
    for (const auto& st : b.standard) {
        sizes.push_back(std::to_string(st.width) + "x" + std::to_string(st.height));
        rates.push_back(st.refreshHz);
    }
    compareList("Standard Timings:", sizes, rates, false);
}

std::string referenceFlags(const edid::DetailedTiming& t);

void compareTimings(const edid::DecodedEdid& d, const Reference& ref) {
    ASSERT_EQ(d.detailedTimings.size(), ref.timings.size());
    for (std::size_t i = 0; i < ref.timings.size(); ++i) {
        SCOPED_TRACE("DTD " + std::to_string(i + 1));
        const edid::DetailedTiming& t = d.detailedTimings[i];
        const RefTiming& r = ref.timings[i];
        EXPECT_EQ(t.hActive, r.width);
        EXPECT_EQ(t.vActive, r.height);
        EXPECT_EQ(t.interlaced, r.interlaced);
        EXPECT_EQ(fixed(t.pixelClockKHz / 1000.0, 6), fixed(r.clockMHz, 6));
        EXPECT_EQ(fixed(t.refreshHz(), 6), fixed(r.refresh, 6));
        EXPECT_EQ(t.hFront, r.hFront);
        EXPECT_EQ(t.hSync, r.hSync);
        EXPECT_EQ(t.hBack(), r.hBack);
        EXPECT_EQ(t.vFront, r.vFront);
        EXPECT_EQ(t.vSync, r.vSync);
        EXPECT_EQ(t.vBack(), r.vBack);
        EXPECT_EQ(t.hBorder, r.hBorder);
        EXPECT_EQ(t.vBorder, r.vBorder);
        EXPECT_EQ(referenceFlags(t), r.flags);
        if (t.syncType == 3) {
            EXPECT_EQ(t.hSyncPositive ? "P" : "N", r.hPol);
            EXPECT_EQ(t.vSyncPositive ? "P" : "N", r.vPol);
        }
        if (r.sizeMm) {
            EXPECT_EQ(std::make_pair(t.widthMm, t.heightMm), *r.sizeMm);
        } else {
            EXPECT_EQ(t.widthMm, 0);
        }
    }
}

// Sync type and stereo of a timing in the reference's words.
std::string referenceFlags(const edid::DetailedTiming& t) {
    const char* types[] = {"analog composite", "bipolar analog composite", "digital composite"};
    const char* stereo[] = {"",
                            "",
                            "field sequential L/R",
                            "interleaved right even",
                            "field sequential R/L",
                            "interleaved left even",
                            "four way interleaved",
                            "side by side interleaved"};
    std::vector<std::string> items;
    if (t.syncType < 3) {
        items.push_back(types[t.syncType]);
        if (t.serrate) {
            items.push_back("serrate");
        }
        if (t.syncOnGreen) {
            items.push_back("sync-on-green");
        }
    }
    if (*stereo[t.stereo & 7] != 0) {
        items.push_back(stereo[t.stereo & 7]);
    }
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

// The reference's data block headings, without the OUI.
const std::map<std::string, edid::BlockKind>& referenceKinds() {
    using K = edid::BlockKind;
    static const std::map<std::string, K> kinds = {
        {"Video Data Block", K::Video},
        {"Audio Data Block", K::Audio},
        {"Speaker Allocation Data Block", K::SpeakerAllocation},
        {"Vendor-Specific Data Block (HDMI)", K::Hdmi},
        {"Vendor-Specific Data Block (HDMI Forum)", K::HdmiForum},
        {"Vendor-Specific Data Block", K::VendorSpecific},
        {"Video Capability Data Block", K::VideoCapability},
        {"Colorimetry Data Block", K::Colorimetry},
        {"HDR Static Metadata Data Block", K::HdrStaticMetadata},
        {"HDR Dynamic Metadata Data Block", K::HdrDynamicMetadata},
        {"YCbCr 4:2:0 Video Data Block", K::Ycbcr420Video},
        {"YCbCr 4:2:0 Capability Map Data Block", K::Ycbcr420CapabilityMap},
        {"Vendor-Specific Video Data Block (Dolby)", K::DolbyVision},
        {"Vendor-Specific Video Data Block (HDR10+)", K::Hdr10Plus},
        {"Vendor-Specific Audio Data Block (Dolby)", K::DolbyAudio},
        {"Vendor-Specific Data Block (AMD)", K::Amd},
        {"HDMI Forum Sink Capability Data Block", K::HdmiForumSinkCapability},
        {"Video Format Preference Data Block", K::VideoFormatPreference},
        {"Native Video Resolution Data Block", K::NativeVideoResolution},
        {"InfoFrame Data Block", K::InfoFrame},
        {"Room Configuration Data Block", K::RoomConfiguration},
        {"Speaker Location Data Block", K::SpeakerLocation},
    };
    return kinds;
}

std::optional<edid::BlockKind> kindOf(std::string heading) {
    const std::size_t oui = heading.find(", OUI");
    if (oui != std::string::npos) {
        heading.erase(oui);
    }
    if (!heading.empty() && heading.back() == ':') {
        heading.pop_back();
    }
    const auto it = referenceKinds().find(heading);
    if (it == referenceKinds().end()) {
        return std::nullopt;
    }
    return it->second;
}

// (VIC, native) of the "VIC n:" and "Unknown (VIC n)" lines.
std::vector<std::pair<int, bool>> referenceVics(const std::vector<Line>& lines) {
    std::vector<std::pair<int, bool>> vics;
    for (const Line& line : lines) {
        const auto w = words(line.text);
        if (w.size() >= 2 && w[0] == "VIC") {
            vics.emplace_back(std::stoi(w[1]), line.text.find("(native)") != std::string::npos);
        } else if (w.size() == 3 && w[0] == "Unknown" && w[1] == "(VIC") {
            vics.emplace_back(std::stoi(w[2]), false);
        }
    }
    return vics;
}

void compareVideo(const edid::VideoBlock& video, const RefDataBlock& ref) {
    std::vector<std::pair<int, bool>> ours;
    for (const edid::Svd& svd : video.svds) {
        ours.emplace_back(svd.vic, svd.native);
    }
    EXPECT_EQ(ours, referenceVics(ref.lines));
}

// The reference's names of audio formats: format code, or 15 and the extension type.
std::optional<std::pair<int, int>> audioCode(const std::string& name) {
    static const std::map<std::string, std::pair<int, int>> codes = {
        {"Linear PCM", {1, 0}},
        {"AC-3", {2, 0}},
        {"MPEG 1 (Layers 1 & 2)", {3, 0}},
        {"MPEG 1 Layer 3 (MP3)", {4, 0}},
        {"MPEG2 (multichannel)", {5, 0}},
        {"AAC LC", {6, 0}},
        {"DTS", {7, 0}},
        {"ATRAC", {8, 0}},
        {"One Bit Audio", {9, 0}},
        {"Enhanced AC-3 (DD+)", {10, 0}},
        {"DTS-HD", {11, 0}},
        {"MAT (MLP)", {12, 0}},
        {"DST", {13, 0}},
        {"WMA Pro", {14, 0}},
        {"MPEG-4 HE AAC", {15, 4}},
        {"MPEG-4 HE AAC v2", {15, 5}},
        {"MPEG-4 AAC LC", {15, 6}},
        {"DRA", {15, 7}},
        {"MPEG-H 3D Audio", {15, 11}},
        {"AC-4", {15, 12}},
        {"L-PCM 3D Audio", {15, 13}},
        {"Auro-Cx", {15, 14}},
        {"MPEG-D USAC", {15, 15}},
    };
    const auto it = codes.find(name);
    if (it != codes.end()) {
        return it->second;
    }
    const std::string unknownExtension = "Unknown Audio Ext Format (0x";
    if (name.rfind(unknownExtension, 0) == 0) {
        return std::make_pair(15, std::stoi(name.substr(unknownExtension.size()), nullptr, 16));
    }
    return std::nullopt;
}

void compareAudio(const edid::AudioBlock& audio, const RefDataBlock& ref) {
    // Group the reference's lines by format heading (indent 4).
    std::vector<std::pair<std::string, std::vector<Line>>> formats;
    for (const Line& line : ref.lines) {
        if (line.indent == 4) {
            std::string name = line.text;
            name.pop_back();  // ':'
            formats.push_back({name, {}});
        } else if (!formats.empty()) {
            formats.back().second.push_back(line);
        }
    }
    ASSERT_EQ(audio.descriptors.size(), formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const auto& [name, lines] = formats[i];
        const edid::ShortAudioDescriptor& sad = audio.descriptors[i];
        SCOPED_TRACE(name);
        const auto code = audioCode(name);
        ASSERT_TRUE(code) << "format unknown to the test: " << name;
        EXPECT_EQ(sad.formatCode, code->first);
        if (code->first == 15) {
            EXPECT_EQ(sad.extensionType, code->second);
        }
        if (const auto channels = value(lines, "Max channels: ")) {
            EXPECT_EQ(sad.channels, std::stoi(*channels));
        }
        std::set<double> refRates, ourRates;
        std::istringstream rates(value(lines, "Supported sample rates (kHz): ").value_or(""));
        for (double rate; rates >> rate;) {
            refRates.insert(rate);
        }
        for (std::size_t bit = 0; bit < edid::audioSampleRates().size(); ++bit) {
            if ((sad.rates >> bit & 1U) != 0) {
                ourRates.insert(edid::audioSampleRates()[bit] / 1000.0);
            }
        }
        EXPECT_EQ(ourRates, refRates);
        if (const auto sizes = value(lines, "Supported sample sizes (bits):")) {
            std::set<int> refSizes;
            std::istringstream in(*sizes);
            for (int size; in >> size;) {
                refSizes.insert(size);
            }
            const auto depths = sad.bitDepths();
            EXPECT_EQ(std::set<int>(depths.begin(), depths.end()), refSizes);
        }
        if (const auto rate = value(lines, "Maximum bit rate: ")) {
            EXPECT_EQ(std::to_string(sad.maxBitrateKbps()) + " kb/s", *rate);
        } else {
            EXPECT_EQ(sad.maxBitrateKbps(), 0);
        }
        if (sad.formatCode == 10) {
            EXPECT_EQ(sad.joc(), has(lines, "Supports Joint Object Coding"));
            EXPECT_EQ(sad.jocAcmod28(), has(lines, "Supports Joint Object Coding with ACMOD28"));
        }
        if (sad.formatCode == 12) {
            EXPECT_EQ(sad.objectAudio(),
                      has(lines, "Supports Dolby TrueHD, object audio PCM and channel-based PCM"));
            EXPECT_EQ(!sad.objectAudio(), has(lines, "Supports only Dolby TrueHD"));
        }
    }
}

void compareSpeakers(const edid::SpeakerAllocation& speakers, const RefDataBlock& ref) {
    std::vector<std::string> ours, theirs;
    for (std::size_t bit = 0; bit < edid::speakerNames().size(); ++bit) {
        const char* name = edid::speakerNames()[bit].shortName;
        if ((speakers.bits >> bit & 1U) != 0 && name != nullptr) {
            ours.push_back(name);
        }
    }
    for (const Line& line : ref.lines) {
        theirs.push_back(line.text.substr(0, line.text.find(' ')));
    }
    EXPECT_EQ(ours, theirs);
}

void compareHdmi(const edid::HdmiBlock& h, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    EXPECT_EQ(value(lines, "Source physical address: "),
              std::to_string(h.physicalAddress[0]) + "." + std::to_string(h.physicalAddress[1]) +
                  "." + std::to_string(h.physicalAddress[2]) + "." +
                  std::to_string(h.physicalAddress[3]));
    EXPECT_EQ(h.supportsAi, has(lines, "Supports_AI"));
    EXPECT_EQ(h.dc48, has(lines, "DC_48bit"));
    EXPECT_EQ(h.dc36, has(lines, "DC_36bit"));
    EXPECT_EQ(h.dc30, has(lines, "DC_30bit"));
    EXPECT_EQ(h.dcY444, has(lines, "DC_Y444"));
    EXPECT_EQ(h.dviDual, has(lines, "DVI_Dual"));
    if (h.maxTmdsMHz != 0) {
        EXPECT_EQ(value(lines, "Maximum TMDS clock: "), std::to_string(h.maxTmdsMHz) + " MHz");
    }
    const char* types[] = {"Graphics", "Photo", "Cinema", "Game"};
    const auto content = section(lines, "Supported Content Types:");
    for (int bit = 0; bit < 4; ++bit) {
        EXPECT_EQ((h.contentTypes >> bit & 1) != 0, has(content, types[bit])) << types[bit];
    }
    std::vector<int> hdmiVics;
    for (const Line& line : section(lines, "HDMI VICs:")) {
        const auto w = words(line.text);
        if (w.size() > 2 && w[0] == "HDMI" && w[1] == "VIC") {
            hdmiVics.push_back(std::stoi(w[2]));
        }
    }
    EXPECT_EQ(h.hdmiVics, hdmiVics);

    EXPECT_EQ(h.threeD, has(lines, "3D present"));
    EXPECT_EQ(h.threeDMulti == 1, has(lines, "All advertised VICs are 3D-capable"));
    EXPECT_EQ(h.threeDMulti == 2, has(lines, "3D-capable-VIC mask present"));
    const char* sizes[] = {nullptr, "Base EDID image size is aspect ratio",
                           "Base EDID image size is in units of 1 cm",
                           "Base EDID image size is in units of 5 cm"};
    for (int code = 1; code < 4; ++code) {
        EXPECT_EQ(h.imageSize == code, has(lines, sizes[code])) << sizes[code];
    }
    // The 3D_Structure_ALL bits under the reference's names for them.
    const std::map<std::string, int> structureBits = {{"Frame-packing", 0},
                                                      {"Top-and-bottom", 6},
                                                      {"Side-by-side (half, horizontal)", 8},
                                                      {"Side-by-side (half, quincunx)", 15}};
    std::uint16_t structures = 0;
    for (const Line& line : lines) {
        if (line.text.rfind("3D: ", 0) == 0) {
            const auto it = structureBits.find(line.text.substr(4));
            ASSERT_NE(it, structureBits.end()) << "3D structure unknown to the test: " << line.text;
            structures = std::uint16_t(structures | 1U << it->second);
        }
    }
    EXPECT_EQ(h.threeDStructures, structures);
    std::vector<int> maskVics;
    for (const auto& [vic, native] :
         referenceVics(section(lines, "3D VIC indices that support these capabilities:"))) {
        maskVics.push_back(vic);
    }
    EXPECT_EQ(h.threeDMaskVics, maskVics);
    // "VIC  31: ... (frame packing)": the VIC and its structure.
    std::vector<std::pair<int, std::string>> theirs, ours;
    for (const Line& line : section(lines, "3D VIC indices with specific capabilities:")) {
        const auto w = words(line.text);
        const std::size_t open = line.text.rfind('(');
        if (w.size() > 2 && w[0] == "VIC" && open != std::string::npos) {
            theirs.emplace_back(std::stoi(w[1]), line.text.substr(open));
        }
    }
    for (const auto& v : h.threeDVics) {
        const std::string name =
            v.structure == 0 ? "(frame packing)"
            : v.structure == 8 && v.detail == 1 ? "(side-by-side, horizontal)"
                                                : "(structure unknown to the test)";
        ours.emplace_back(v.vic, name);
    }
    EXPECT_EQ(ours, theirs);
}

void compareDolbyAudio(const edid::DolbyAudio& a, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    const auto version = value(lines, "Version: ");
    ASSERT_TRUE(version);
    EXPECT_EQ(std::stoi(*version), a.version);
    EXPECT_EQ(a.headphoneOnly, has(lines, "Headphone playback only"));
    EXPECT_EQ(a.heightZone, has(lines, "Height speaker zone present"));
    EXPECT_EQ(a.surroundZone, has(lines, "Surround speaker zone present"));
    EXPECT_EQ(a.centreZone, has(lines, "Center speaker zone present"));
    EXPECT_EQ(a.matPcm48Only.value_or(false),
              has(lines, "Supports Dolby MAT PCM decoding at 48 kHz only, does not support TrueHD"));
}

void compareAmd(const edid::AmdBlock& a, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    ASSERT_TRUE(a.versionMajor && a.minRefreshHz);
    EXPECT_EQ(value(lines, "Version: "),
              std::to_string(*a.versionMajor) + "." + std::to_string(*a.versionMinor));
    EXPECT_EQ(value(lines, "Minimum Refresh Rate: "), std::to_string(*a.minRefreshHz) + " Hz");
    EXPECT_EQ(value(lines, "Maximum Refresh Rate: "), std::to_string(*a.maxRefreshHz) + " Hz");
}

// "... 6, 8 and 10 Gbps on 4 lanes" gives 4 lanes of 10 Gbps.
std::pair<int, int> frlLanes(const std::string& text) {
    const auto w = words(text);
    if (w.size() < 5 || w.back() != "lanes" || w[w.size() - 3] != "on") {
        return {-1, -1};
    }
    for (std::size_t i = w.size() - 3; i-- > 0;) {
        if (w[i] == "Gbps" && i > 0) {
            return {std::stoi(w[w.size() - 2]), std::stoi(w[i - 1])};
        }
    }
    return {-1, -1};
}

void compareHdmiForum(const edid::HdmiForumBlock& h, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    EXPECT_EQ(toInt(value(lines, "Version: ")), h.version);
    if (h.maxTmdsCharRateMHz != 0) {
        EXPECT_EQ(value(lines, "Maximum TMDS Character Rate: "),
                  std::to_string(h.maxTmdsCharRateMHz) + " MHz");
    }
    EXPECT_EQ(h.scdc, has(lines, "SCDC Present"));
    const auto frl = value(lines, "Max Fixed Rate Link: ");
    const edid::FrlRate* rate = edid::findFrlRate(h.maxFrlRate);
    if (h.maxFrlRate == 0) {
        EXPECT_FALSE(frl);
    } else {
        ASSERT_TRUE(frl);
        ASSERT_NE(rate, nullptr);
        EXPECT_EQ(frlLanes(*frl), std::make_pair(rate->lanes, rate->gbpsPerLane)) << *frl;
    }
    EXPECT_EQ(h.dc30_420, has(lines, "Supports 10-bits/component Deep Color 4:2:0 Pixel Encoding"));
    EXPECT_EQ(h.dc36_420, has(lines, "Supports 12-bits/component Deep Color 4:2:0 Pixel Encoding"));
    EXPECT_EQ(h.dc48_420, has(lines, "Supports 16-bits/component Deep Color 4:2:0 Pixel Encoding"));
    EXPECT_EQ(h.allm, has(lines, "Supports Auto Low-Latency Mode"));
    EXPECT_EQ(h.mDelta, has(lines, "Supports Mdelta"));
    EXPECT_EQ(h.cinemaVrr, has(lines, "Supports media rates below VRRmin (CinemaVRR)"));
    EXPECT_EQ(h.fva, has(lines, "Supports Fast Vactive"));
    if (h.vrrMinHz != 0) {
        EXPECT_EQ(value(lines, "VRRmin: "), std::to_string(h.vrrMinHz) + " Hz");
    }
    if (h.vrrMaxHz != 0) {
        EXPECT_EQ(value(lines, "VRRmax: "), std::to_string(h.vrrMaxHz) + " Hz");
    }
    EXPECT_EQ(h.dsc12a, has(lines, "Supports VESA DSC 1.2a compression"));
    if (const auto dscFrl = value(lines, "DSC Max Fixed Rate Link: "); dscFrl && h.dsc12a) {
        const edid::FrlRate* dscRate = edid::findFrlRate(h.dscMaxFrlRate);
        ASSERT_NE(dscRate, nullptr);
        EXPECT_EQ(frlLanes(*dscFrl), std::make_pair(dscRate->lanes, dscRate->gbpsPerLane));
    }
}

void compareColorimetry(const edid::Colorimetry& c, const RefDataBlock& ref) {
    std::vector<std::string> ours, theirs;
    for (std::size_t bit = 0; bit < edid::colorimetryNames().size(); ++bit) {
        if ((c.bits >> bit & 1U) != 0) {
            ours.push_back(edid::colorimetryNames()[bit]);
        }
    }
    for (const Line& line : ref.lines) {
        std::string name = line.text;
        if (name.rfind("Reserved ", 0) == 0) {
            name.erase(0, 9);
        }
        theirs.push_back(name);
    }
    EXPECT_EQ(ours, theirs);
}

void compareHdrStatic(const edid::HdrStaticMetadata& h, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    const char* eotfs[] = {"Traditional gamma - SDR luminance range",
                           "Traditional gamma - HDR luminance range",
                           "SMPTE ST2084",
                           "Hybrid Log-Gamma",
                           "Unknown (4)",
                           "Unknown (5)"};
    const auto refEotfs = section(lines, "Electro optical transfer functions:");
    for (int bit = 0; bit < 6; ++bit) {
        EXPECT_EQ((h.eotfs >> bit & 1) != 0, has(refEotfs, eotfs[bit])) << eotfs[bit];
    }
    const auto types = section(lines, "Supported static metadata descriptors:");
    for (int bit = 0; bit < 8; ++bit) {
        const std::string name = "Static metadata type " + std::to_string(bit + 1);
        EXPECT_EQ((h.metadataTypes >> bit & 1) != 0, has(types, name)) << name;
    }
    const auto luminance = [&](const char* key, const std::optional<int>& code, double nits) {
        const auto text = value(lines, key);
        EXPECT_EQ(text.has_value(), code.has_value()) << key;
        if (text && code) {
            EXPECT_EQ(*text, std::to_string(*code) + " (" + fixed(nits, 3) + " cd/m^2)") << key;
        }
    };
    luminance("Desired content max luminance: ", h.maxLuminanceCode, h.maxLuminance());
    luminance("Desired content max frame-average luminance: ", h.maxFrameAverageCode,
              h.maxFrameAverage());
    luminance("Desired content min luminance: ", h.minLuminanceCode, h.minLuminance());
}

std::string point8(const edid::Chromaticity& c) {
    return fixed(c.x, 8) + ", " + fixed(c.y, 8);
}

void compareDolbyVision(const edid::DolbyVision& dv, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    EXPECT_EQ(value(lines, "Version: "),
              std::to_string(dv.version) + " (" + std::to_string(dv.length) + " bytes)");
    EXPECT_EQ(dv.yuv422_12bit, has(lines, "Supports YUV422 12 bit"));
    EXPECT_EQ(dv.p2160p60, has(lines, "Supports 2160p60"));
    EXPECT_EQ(dv.globalDimming, has(lines, "Supports global dimming"));
    if (dv.version > 2) {
        return;
    }
    EXPECT_EQ(value(lines, "DM Version: "),
              std::to_string(dv.dmMajor) + "." +
                  (dv.dmMinor ? std::to_string(*dv.dmMinor) : std::string("x")));
    const std::string unique = dv.uniquePrimaries ? "Unique " : "";
    EXPECT_EQ(value(lines, unique + "Rx, Ry: "), point8(dv.red));
    EXPECT_EQ(value(lines, unique + "Gx, Gy: "), point8(dv.green));
    EXPECT_EQ(value(lines, unique + "Bx, By: "), point8(dv.blue));
    if (dv.white) {
        EXPECT_EQ(value(lines, "Wx, Wy: "), point8(*dv.white));
    }
    if (dv.version == 0) {
        // The same ST 2084 curve as ours.
        EXPECT_EQ(value(lines, "Target Min PQ: "),
                  std::to_string(*dv.minPq) + " (" + fixed(dv.minLuminance, 8) + " cd/m^2)");
        EXPECT_EQ(value(lines, "Target Max PQ: "),
                  std::to_string(*dv.maxPq) + " (" + fixed(dv.maxLuminance, 0) + " cd/m^2)");
    } else if (dv.version == 1) {
        EXPECT_EQ(value(lines, "Target Max Luminance: "), fixed(dv.maxLuminance, 0) + " cd/m^2");
        EXPECT_EQ(value(lines, "Target Min Luminance: "), fixed(dv.minLuminance, 8) + " cd/m^2");
        EXPECT_EQ(value(lines, "Colorimetry: "), dv.colorimetryP3 ? "P3-D65" : "ITU-R BT.709");
        EXPECT_EQ(value(lines, "Low Latency: "),
                  dv.lowLatency != 0 ? "Standard + Low Latency" : "Only Standard");
    } else {
        // The reference scales these PQ codes by 4070 rather than 4095;
        // compare the codes.
        EXPECT_EQ(toInt(value(lines, "Target Min PQ v2: ")), *dv.minPq);
        EXPECT_EQ(toInt(value(lines, "Target Max PQ v2: ")), *dv.maxPq);
        const char* interfaces[] = {"Low-Latency", "Low-Latency + Low-Latency-HDMI",
                                    "Standard + Low-Latency",
                                    "Standard + Low-Latency + Low-Latency-HDMI"};
        EXPECT_EQ(value(lines, "Interface: "), interfaces[dv.interface]);
        EXPECT_EQ(value(lines, "Backlt Min Luma: "),
                  std::to_string(dv.backlightMinLuma) + " cd/m^2");
        EXPECT_EQ(dv.backlightControl, has(lines, "Supports Backlight Control"));
        const char* yuv444[] = {"Not supported", "10 bit", "12 bit", "Reserved"};
        EXPECT_EQ(value(lines, "Supports 10b 12b 444: "), yuv444[dv.yuv444]);
    }
}

void compareVideoCapability(const edid::VideoCapability& c, const RefDataBlock& ref) {
    const auto& lines = ref.lines;
    EXPECT_EQ(value(lines, "YCbCr quantization: "), c.qy ? "Selectable (via AVI YQ)" : "No Data");
    EXPECT_EQ(value(lines, "RGB quantization: "), c.qs ? "Selectable (via AVI Q)" : "No Data");
    const auto scan = [](int code, const char* none) -> std::string {
        const char* scans[] = {none, "Always Overscanned", "Always Underscanned",
                               "Supports both over- and underscan"};
        return scans[code];
    };
    EXPECT_EQ(value(lines, "PT scan behavior: "), scan(c.pt, "No Data"));
    EXPECT_EQ(value(lines, "IT scan behavior: "), scan(c.it, "IT video formats not supported"));
    EXPECT_EQ(value(lines, "CE scan behavior: "), scan(c.ce, "CE video formats not supported"));
}

void compareDataBlock(const edid::DataBlock& block, const RefDataBlock& ref) {
    SCOPED_TRACE(ref.heading);
    const auto kind = kindOf(ref.heading);
    ASSERT_TRUE(kind) << "heading unknown to the test: " << ref.heading;
    ASSERT_EQ(int(block.kind), int(*kind)) << block.name;
    const auto& c = block.content;
    using namespace edid;
    if (const auto* v = std::get_if<VideoBlock>(&c)) {
        compareVideo(*v, ref);
    } else if (const auto* a = std::get_if<AudioBlock>(&c)) {
        compareAudio(*a, ref);
    } else if (const auto* s = std::get_if<SpeakerAllocation>(&c)) {
        compareSpeakers(*s, ref);
    } else if (const auto* h = std::get_if<HdmiBlock>(&c)) {
        compareHdmi(*h, ref);
    } else if (const auto* f = std::get_if<HdmiForumBlock>(&c)) {
        compareHdmiForum(*f, ref);
    } else if (const auto* col = std::get_if<edid::Colorimetry>(&c)) {
        compareColorimetry(*col, ref);
    } else if (const auto* hdr = std::get_if<HdrStaticMetadata>(&c)) {
        compareHdrStatic(*hdr, ref);
    } else if (const auto* dv = std::get_if<DolbyVision>(&c)) {
        compareDolbyVision(*dv, ref);
    } else if (const auto* plus = std::get_if<Hdr10Plus>(&c)) {
        EXPECT_EQ(toInt(value(ref.lines, "Application Version: ")), plus->applicationVersion);
    } else if (const auto* cap = std::get_if<VideoCapability>(&c)) {
        compareVideoCapability(*cap, ref);
    } else if (const auto* dolby = std::get_if<DolbyAudio>(&c)) {
        compareDolbyAudio(*dolby, ref);
    } else if (const auto* amd = std::get_if<AmdBlock>(&c)) {
        compareAmd(*amd, ref);
    } else if (const auto* map = std::get_if<Ycbcr420CapabilityMap>(&c)) {
        EXPECT_EQ(map->allSvds, has(ref.lines, "All VDB SVDs"));
        if (!map->allSvds) {
            std::vector<int> theirs;
            for (const auto& [vic, native] : referenceVics(ref.lines)) {
                theirs.push_back(vic);
            }
            EXPECT_EQ(map->vics, theirs);
        }
    }
}

void compareCta(const edid::Extension& extension, const RefBlock& ref) {
    SCOPED_TRACE("block " + std::to_string(extension.block));
    EXPECT_EQ(ref.title, "CTA-861 Extension Block");
    ASSERT_TRUE(extension.cta);
    const edid::CtaExtension& cta = *extension.cta;
    const auto& lines = ref.lines;
    EXPECT_EQ(toInt(value(lines, "Revision: ")), cta.revision);
    EXPECT_EQ(cta.underscan, has(lines, "Underscans IT Video Formats by default"));
    EXPECT_EQ(cta.basicAudio, has(lines, "Basic audio support"));
    EXPECT_EQ(cta.ycbcr444, has(lines, "Supports YCbCr 4:4:4"));
    EXPECT_EQ(cta.ycbcr422, has(lines, "Supports YCbCr 4:2:2"));
    EXPECT_EQ(toInt(value(lines, "Native detailed modes: ")), cta.nativeDtds);
    ASSERT_EQ(cta.dataBlocks.size(), ref.dataBlocks.size());
    for (std::size_t i = 0; i < ref.dataBlocks.size(); ++i) {
        compareDataBlock(cta.dataBlocks[i], ref.dataBlocks[i]);
    }
}

void compareChecksums(const edid::DecodedEdid& d, const Reference& ref) {
    ASSERT_EQ(d.checksums.size(), ref.blocks.size());
    for (std::size_t i = 0; i < ref.blocks.size(); ++i) {
        SCOPED_TRACE("checksum of block " + std::to_string(i));
        const edid::Checksum& c = d.checksums[i];
        ASSERT_TRUE(ref.blocks[i].checksumFound);
        EXPECT_EQ(c.found, *ref.blocks[i].checksumFound);
        EXPECT_EQ(c.ok, !ref.blocks[i].checksumExpected.has_value());
        EXPECT_EQ(c.expected, ref.blocks[i].checksumExpected.value_or(c.found));
    }
}

// Decodes bytes with both and compares everything the reference prints that
// the decoder covers.
void compareWithReference(const Bytes& bytes) {
    const edid::DecodedEdid decoded = edid::decodeEdid(bytes);
    const Reference ref = parseReference(runReference(bytes));
    ASSERT_FALSE(ref.blocks.empty()) << "no output from edid-decode";
    ASSERT_EQ(ref.blocks.size(), decoded.extensions.size() + 1);
    EXPECT_EQ(ref.blocks[0].title, "Base EDID");
    compareBase(decoded, ref.blocks[0]);
    for (std::size_t i = 1; i < ref.blocks.size(); ++i) {
        compareCta(decoded.extensions[i - 1], ref.blocks[i]);
    }
    compareTimings(decoded, ref);
    compareChecksums(decoded, ref);
}

// --- real EDIDs -----------------------------------------------------------------

std::vector<std::string> realEdids() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kEdidDir)) {
        if (entry.path().extension() == ".bin") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RealEdid : public ::testing::TestWithParam<std::string> {
protected:
    Bytes bytes() const { return readFile(kEdidDir / GetParam()); }
};

TEST_P(RealEdid, DecodesAsTheReferenceDoes) {
    REQUIRE_EDID_DECODE();
    const Bytes edid = bytes();
    ASSERT_EQ(edid.size(), 256u);
    compareWithReference(edid);
    EXPECT_TRUE(edid::decodeEdid(edid).problems.empty());
}

// A changed byte in either block: both checksum verdicts as the reference gives them.
TEST_P(RealEdid, ChangedByteGivesTheReferencesChecksumVerdict) {
    REQUIRE_EDID_DECODE();
    for (const std::size_t at : {std::size_t(16), std::size_t(127), std::size_t(250)}) {
        SCOPED_TRACE("byte " + std::to_string(at));
        Bytes edid = bytes();
        edid[at] = std::uint8_t(edid[at] ^ 0x5A);
        const edid::DecodedEdid decoded = edid::decodeEdid(edid);
        compareChecksums(decoded, parseReference(runReference(edid)));
        const bool block1 = at >= 128;
        EXPECT_EQ(decoded.checksums[0].ok, block1);
        EXPECT_EQ(decoded.checksums[1].ok, !block1);
        EXPECT_NE(edid::describeEdid(decoded).find("WRONG"), std::string::npos);
    }
}

// The view beside the hex editor is narrow: plain ASCII, about 70 columns.
TEST_P(RealEdid, TextFitsTheNarrowView) {
    const std::string text = edid::describeEdid(bytes());
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 70u) << line;
        for (const char c : line) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
        }
    }
    EXPECT_NE(text.find("Checksums: block 0 ok"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Edids, RealEdid, ::testing::ValuesIn(realEdids()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             std::string name = p.param.substr(0, p.param.rfind('.'));
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

// --- blocks the real EDIDs lack -----------------------------------------------------

struct BuiltCase {
    const char* name;
    std::vector<std::string> blocks;
    std::string dtds;
};

const BuiltCase kBuiltCases[] = {
    {"HdrLuminance", {"e6 06 0f 01 73 5a 28", "e6 06 05 01 ff 00 ff", "e4 06 05 03 80"}, ""},
    {"DolbyVisionVersion0",
     {"f9 01 46 d0 00 07 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff 01 02 03 04 05"},
     ""},
    {"DolbyVisionVersion1Long", {"ee 01 46 d0 00 2f 11 22 33 44 55 66 77 88 99"}, ""},
    {"DolbyVisionVersion1Short", {"eb 01 46 d0 00 2a 1a 02 51 8b 67 73"}, ""},
    {"DolbyVisionVersion2Backlight",
     {"eb 01 46 d0 00 4f 05 4a 98 3b 17 a3", "eb 01 46 d0 00 53 fe 2b 01 00 ff 0f"},
     ""},
    {"HdmiForumFrl48DscVrr", {"6d d8 5d c4 01 78 ff 6f ff c5 2c f7 21 3f"}, ""},
    {"HdmiForumEachFrlRate",
     {"67 d8 5d c4 01 00 00 10", "67 d8 5d c4 01 00 00 20", "67 d8 5d c4 01 00 00 30",
      "67 d8 5d c4 01 00 00 40", "67 d8 5d c4 01 00 00 60"},
     ""},
    {"HdmiForumSinkCapability", {"e8 79 00 00 01 8c 80 33 02"}, ""},
    {"HdmiLatencyAndVics", {"72 03 0c 00 12 34 f9 3c ff 02 03 04 fe 00 80 01 02 03 04"}, ""},
    {"EveryColorimetryAndSpeakerBit", {"e3 05 ff ff", "83 ff ff 1f"}, ""},
    {"AudioFormats",
     {"3b 09 7f 07 15 07 50 1f 07 20 2f 07 30 3d 7f c0 4f 07 01 57 07 03 5f 7e 01 67 04 00",
      "2f 78 7f 20 78 7f 60 f8 7f 68 78 ff 6f 7f 7f 00"},
     ""},
    {"NativeAndYcbcr420Vics",
     {"4b 81 90 c0 c1 80 00 fe ff 7f db dc", "e3 0e 60 61", "e3 0f 05 02"},
     ""},
    {"Ycbcr420MapOfEverySvd", {"43 10 5f 61", "e1 0f"}, ""},
    {"VideoCapabilityNoData", {"e2 00 00", "e2 00 f6"}, ""},
    {"VideoCapabilityQuantization", {"e2 00 c0", "e2 00 40", "e2 00 80"}, ""},
    {"EnhancedAc3JocAndAcmod28", {"29 57 07 03 57 07 02 57 07 01"}, ""},
    {"DolbyAudioBlocks", {"e6 11 46 d0 00 09 01", "e6 11 46 d0 00 f0 00", "e6 11 46 d0 00 52 03"}, ""},
    {"AmdBlocks", {"68 1a 00 00 01 01 30 90 00", "68 1a 00 00 02 03 28 4b 05"}, ""},
    {"Hdmi3dMaskStructuresAndImageSize",
     {"46 10 1f 20 05 90 a0",
      "72 03 0c 00 10 00 b8 3c 20 c8 27 01 01 41 00 05 10 28 10",
      "6c 03 0c 00 10 00 b8 3c 20 a0 02 80 00", "6a 03 0c 00 10 00 b8 3c 20 18 00",
      "6a 03 0c 00 10 00 b8 3c 20 90 00"},
     ""},
    {"BordersSyncTypesAndStereo",
     {"41 10"},
     "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 08 04 1e "
     "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 08 04 3c "
     "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 00 00 04 "
     "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 00 00 6b "
     "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 00 00 16"},
    {"InterlacedAndNegativeSyncTimings",
     {"41 10"},
     "01 1d 80 18 71 1c 16 20 58 2c 25 00 c4 8e 21 00 00 9e "
     "8c 0a d0 8a 20 e0 2d 10 10 3e 96 00 13 8e 21 00 00 18"},
};

void PrintTo(const BuiltCase& c, std::ostream* out) {
    *out << c.name;
}

class BuiltEdid : public ::testing::TestWithParam<BuiltCase> {};

TEST_P(BuiltEdid, DecodesAsTheReferenceDoes) {
    REQUIRE_EDID_DECODE();
    compareWithReference(withExtension(GetParam().blocks, GetParam().dtds));
}

INSTANTIATE_TEST_SUITE_P(Blocks, BuiltEdid, ::testing::ValuesIn(kBuiltCases),
                         [](const ::testing::TestParamInfo<BuiltCase>& p) {
                             return std::string(p.param.name);
                         });

TEST(EdidDecodeReference, BaseBlockAlone) {
    REQUIRE_EDID_DECODE();
    Bytes edid = readFile(kEdidDir / "samsung-q800t-hdmi2.0.bin");
    edid.resize(128);
    edid[126] = 0;
    fixChecksums(edid);
    compareWithReference(edid);
}

// A box table holds 256 bytes: a 128-byte EDID there is followed by zeros,
// which are no extension block.
TEST(EdidDecodeReference, ZerosAfterA128ByteEdidAreNoExtension) {
    REQUIRE_EDID_DECODE();
    Bytes edid = readFile(kEdidDir / "lg-c8-hdmi.bin");
    edid.resize(128);
    edid[126] = 0;
    fixChecksums(edid);
    Bytes table = edid;
    table.resize(256, 0);
    compareWithReference(edid);
    const edid::DecodedEdid inTable = edid::decodeEdid(table);
    EXPECT_TRUE(inTable.extensions.empty());
    EXPECT_TRUE(inTable.problems.empty());
    EXPECT_EQ(edid::describeEdid(table), edid::describeEdid(edid));
    // A base block that announces an extension still gets the zero block shown.
    table[126] = 1;
    fixChecksums(table);
    EXPECT_EQ(edid::decodeEdid(table).extensions.size(), 1u);
}

// Two extensions: decoded whole, as the reference does.
TEST(EdidDecodeReference, TwoExtensionsAreDecodedWhole) {
    REQUIRE_EDID_DECODE();
    Bytes edid = withExtension({"e2 00 c0"});
    const Bytes second = withExtension({"41 10", "e6 11 46 d0 00 09 01"});
    edid.insert(edid.end(), second.begin() + 128, second.end());
    edid[126] = 2;
    fixChecksums(edid);
    compareWithReference(edid);
    const edid::DecodedEdid decoded = edid::decodeEdid(edid);
    EXPECT_EQ(decoded.extensions.size(), 2u);
    EXPECT_TRUE(decoded.problems.empty());
}

// What the mended fields read as in our text, beside what the reference says.
struct TextCase {
    const char* name;
    std::vector<std::string> blocks;
    std::string dtds;
    std::string reference;  // a line of the reference's output
    std::string ours;       // a piece of our text
};

const TextCase kTextCases[] = {
    {"QuantizationNoData", {"e2 00 00"}, "", "RGB quantization: No Data",
     "RGB range no data, YCbCr range no data"},
    {"Acmod28", {"23 57 07 02"}, "", "Supports Joint Object Coding with ACMOD28",
     "JOC with ACMOD28"},
    {"DolbyAudio", {"e6 11 46 d0 00 f1 01"}, "", "Height speaker zone present",
     "Dolby audio: version 2, headphones only, height speakers,"},
    {"Amd", {"68 1a 00 00 02 03 28 4b 05"}, "", "Maximum Refresh Rate: 75 Hz",
     "AMD: version 2.3, refresh 40-75 Hz"},
    {"Hdmi3d", {"42 10 1f", "6e 03 0c 00 10 00 b8 3c 20 c8 04 01 41 00 02"}, "",
     "3D-capable-VIC mask present", "3D: frame packing, top-and-bottom, side-by-side (half)"},
    {"HdmiImageSize", {"6a 03 0c 00 10 00 b8 3c 20 18 00"}, "",
     "Base EDID image size is in units of 5 cm", "image size is in units of 5 cm"},
    {"Border", {"41 10"}, "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 08 04 1e",
     "Hfront   88 Hsync  44 Hback  132 Hpol P Hborder 8",
     "H front 88 sync 44 back 132 (+) border 8  V front 4 sync 5 back 28 (+) border 4"},
    {"Stereo", {"41 10"}, "02 3a 80 18 71 38 2d 40 58 2c 45 00 40 84 63 00 00 79",
     "side by side interleaved", "stereo side by side interleaved"},
};

void PrintTo(const TextCase& c, std::ostream* out) {
    *out << c.name;
}

class MendedText : public ::testing::TestWithParam<TextCase> {};

TEST_P(MendedText, SaysWhatTheReferenceSays) {
    REQUIRE_EDID_DECODE();
    const Bytes edid = withExtension(GetParam().blocks, GetParam().dtds);
    const std::string reference = runReference(edid);
    EXPECT_NE(reference.find(GetParam().reference), std::string::npos) << reference;
    const std::string ours = edid::describeEdid(edid);
    EXPECT_NE(ours.find(GetParam().ours), std::string::npos) << ours;
}

INSTANTIATE_TEST_SUITE_P(Fields, MendedText, ::testing::ValuesIn(kTextCases),
                         [](const ::testing::TestParamInfo<TextCase>& p) {
                             return std::string(p.param.name);
                         });

// --- the reference's tables ------------------------------------------------------------

TEST(EdidDecodeReference, VicTableMatchesTheReference) {
    REQUIRE_EDID_DECODE();
    for (const bool hdmi : {false, true}) {
        std::istringstream out(
            runCommand(hdmi ? "edid-decode --list-hdmi-vics" : "edid-decode --list-vics"));
        std::size_t count = 0;
        for (std::string text; std::getline(out, text);) {
            auto w = words(text);
            if (hdmi && !w.empty() && w[0] == "HDMI") {
                w.erase(w.begin());
            }
            const auto printed = printedTiming(w);
            if (w.size() < 2 || w[0] != "VIC" || !printed) {
                continue;
            }
            ++count;
            const int vic = std::stoi(w[1]);
            SCOPED_TRACE(text);
            const edid::VideoFormat* f = hdmi ? edid::findHdmiVic(vic) : edid::findVic(vic);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->hActive, printed->size.width);
            EXPECT_EQ(f->vActive, printed->size.height);
            EXPECT_EQ(f->interlaced, printed->size.interlaced);
            EXPECT_EQ(fixed(edid::refreshHz(*f), 6), printed->refresh);
            EXPECT_EQ(f->aspect, printed->aspect);
            EXPECT_EQ(fixed(f->pixelClockKHz / double(f->hTotal), 3), printed->hFreq);
            EXPECT_EQ(fixed(f->pixelClockKHz / 1000.0, 6), printed->clock);
        }
        EXPECT_EQ(count, hdmi ? edid::hdmiVicTable().size() : edid::vicTable().size());
    }
}

TEST(EdidDecodeReference, EstablishedTimingsMatchTheReference) {
    REQUIRE_EDID_DECODE();
    std::istringstream out(runCommand("edid-decode --list-established-timings"));
    for (std::string text; std::getline(out, text);) {
        const auto w = words(text);
        const auto printed = printedTiming(w);
        // "Byte 0x23, Bit 7: ..." of established timings I and II only.
        if (w.size() < 4 || w[0] != "Byte" || !printed ||
            (w[1] != "0x23," && w[1] != "0x24," && w[1] != "0x25,")) {
            continue;
        }
        SCOPED_TRACE(text);
        const std::size_t index =
            std::size_t(std::stoi(w[1], nullptr, 16) - 0x23) * 8 + std::size_t(7 - std::stoi(w[3]));
        ASSERT_LT(index, edid::establishedTimings().size());
        const edid::EstablishedTiming& e = edid::establishedTimings()[index];
        EXPECT_EQ(e.width, printed->size.width);
        EXPECT_EQ(e.height, printed->size.height);
        EXPECT_EQ(e.interlaced, printed->size.interlaced);
        EXPECT_LT(std::fabs(e.refreshHz - std::stod(printed->refresh)), 1.0);
    }
}

// --- awkward bytes -----------------------------------------------------------------------

// What an awkward input must decode to: nothing more than the bytes say.
struct AwkwardCase {
    const char* name;
    Bytes bytes;
    std::size_t checksums;
    std::size_t extensions;
    int dataBlocks;       // of the first extension's CTA block, -1 when there is none
    std::size_t dtds;     // detailed timings over all blocks
    const char* problem;  // part of a problem note, "" for none
};

Bytes realEdid() {
    return readFile(kEdidDir / "lg-oled-cx-hdmi.bin");
}

Bytes changed(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    fixChecksums(bytes);
    return bytes;
}

Bytes resized(Bytes bytes, std::size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

std::vector<AwkwardCase> awkwardCases() {
    const Bytes real = realEdid();
    return {
        {"Empty", {}, 0, 0, -1, 0, "too short"},
        {"ShorterThanABlock", resized(real, 100), 0, 0, -1, 0, "too short"},
        {"BaseBlockOnly", resized(real, 128), 1, 0, -1, 2, "announces 1 extension"},
        {"ExtensionNotAnnounced", changed(real, 126, 0), 2, 1, 9, 3, "announces 0 extension"},
        {"TrailingBytes", resized(real, 300), 2, 1, 9, 3, "44 bytes after"},
        {"ExtensionOfAnotherTag", changed(real, 128, 0x70), 2, 1, -1, 2, ""},
        {"DtdOffsetZero", changed(real, 130, 0), 2, 1, 0, 2, ""},
        {"DtdOffsetInsideHeader", changed(real, 130, 2), 2, 1, 0, 2, "inside the block header"},
        {"DtdOffsetFour",
         withExtension({}, "01 1d 80 18 71 1c 16 20 58 2c 25 00 c4 8e 21 00 00 9e"), 2, 1, 0, 3,
         ""},
        {"DtdOffsetPastTheBlock", changed(real, 130, 200), 2, 1, 12, 2, "past the block"},
        {"BlockLongerThanTheArea", withExtension({"7f 03 0c 00 10 00"}), 2, 1, 1, 2,
         "claims 31 bytes, 5 are left"},
        {"AudioBlockNotOfWholeDescriptors", withExtension({"24 09 07 07 15"}), 2, 1, 1, 2,
         "not a multiple of 3"},
        {"DolbyVisionWithoutItsBytes", withExtension({"e5 01 46 d0 00 2a"}), 2, 1, 1, 2,
         "version 1 block is short"},
        {"HeaderWrong", changed(real, 0, 0x12), 2, 1, 9, 3, "header"},
    };
}

void PrintTo(const AwkwardCase& c, std::ostream* out) {
    *out << c.name;
}

class Awkward : public ::testing::TestWithParam<AwkwardCase> {};

TEST_P(Awkward, DecodesOnlyWhatIsThere) {
    const AwkwardCase& c = GetParam();
    const edid::DecodedEdid d = edid::decodeEdid(c.bytes);
    EXPECT_EQ(d.checksums.size(), c.checksums);
    EXPECT_EQ(d.extensions.size(), c.extensions);
    if (c.dataBlocks < 0) {
        EXPECT_TRUE(d.extensions.empty() || !d.extensions[0].cta);
    } else {
        ASSERT_FALSE(d.extensions.empty());
        ASSERT_TRUE(d.extensions[0].cta);
        EXPECT_EQ(int(d.extensions[0].cta->dataBlocks.size()), c.dataBlocks);
    }
    EXPECT_EQ(d.detailedTimings.size(), c.dtds);
    std::string problems;
    for (const std::string& p : d.problems) {
        problems += p + "\n";
    }
    if (*c.problem == 0) {
        EXPECT_TRUE(d.problems.empty()) << problems;
    } else {
        EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
        EXPECT_NE(edid::describeEdid(d).find("Problems:"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Bytes, Awkward, ::testing::ValuesIn(awkwardCases()),
                         [](const ::testing::TestParamInfo<AwkwardCase>& p) {
                             return std::string(p.param.name);
                         });

// A block whose header claims more than is there keeps only the fields whose
// bytes are inside the block area.
TEST(EdidDecodeAwkward, CutBlockKeepsOnlyItsPresentFields) {
    const edid::DecodedEdid d = edid::decodeEdid(withExtension({"7f 03 0c 00 21 00"}));
    const auto* hdmi = d.find<edid::HdmiBlock>(edid::BlockKind::Hdmi);
    ASSERT_NE(hdmi, nullptr);
    EXPECT_TRUE(d.extensions[0].cta->dataBlocks[0].truncated);
    EXPECT_EQ(hdmi->physicalAddress[0], 2);
    EXPECT_EQ(hdmi->physicalAddress[1], 1);
    EXPECT_EQ(hdmi->maxTmdsMHz, 0);
    EXPECT_FALSE(hdmi->dc36);
}

// A capability map longer than the SVDs marks only SVDs that exist.
TEST(EdidDecodeAwkward, Ycbcr420MapBeyondTheSvdsMarksNothingMore) {
    const edid::DecodedEdid d = edid::decodeEdid(withExtension({"42 61 60", "e4 0f ff ff ff"}));
    const auto* map = d.find<edid::Ycbcr420CapabilityMap>(edid::BlockKind::Ycbcr420CapabilityMap);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->vics, (std::vector<int>{97, 96}));
    const auto* video = d.find<edid::VideoBlock>(edid::BlockKind::Video);
    ASSERT_NE(video, nullptr);
    EXPECT_TRUE(video->svds[0].ycbcr420Also);
    EXPECT_TRUE(video->svds[1].ycbcr420Also);
}

}  // namespace

#include "Edid.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "EmbeddedFiles.h"
#include "settings/Words.h"

namespace emu {

namespace {

struct Timing {
    int pixelClock10kHz;
    int hActive, hFront, hSync, hBack;
    int vActive, vFront, vSync, vBack;  // per field when interlaced
    bool interlaced;
    bool positiveSync;
    int rate;  // frames (or fields) per second
};

struct FormatInfo {
    Timing timing;
    std::vector<std::uint8_t> vics;  // the format and the smaller ones, best first
};

constexpr Timing k4K60{59400, 3840, 176, 88, 296, 2160, 8, 10, 72, false, true, 60};
constexpr Timing k4K50{59400, 3840, 1056, 88, 296, 2160, 8, 10, 72, false, true, 50};
constexpr Timing k4K30{29700, 3840, 176, 88, 296, 2160, 8, 10, 72, false, true, 30};
constexpr Timing k4K24{29700, 3840, 1276, 88, 296, 2160, 8, 10, 72, false, true, 24};
constexpr Timing k1080p60{14850, 1920, 88, 44, 148, 1080, 4, 5, 36, false, true, 60};
constexpr Timing k1080p24{7425, 1920, 638, 44, 148, 1080, 4, 5, 36, false, true, 24};
constexpr Timing k1080i60{7425, 1920, 88, 44, 148, 540, 2, 5, 15, true, true, 60};
constexpr Timing k720p60{7425, 1280, 110, 40, 220, 720, 5, 5, 20, false, true, 60};
constexpr Timing k480p60{2700, 720, 16, 62, 60, 480, 9, 6, 30, false, false, 60};

const FormatInfo& formatInfo(VideoFormat format) {
    static const FormatInfo k4K60Info{k4K60, {97, 96, 95, 94, 93, 16, 31, 32, 34, 5, 4, 3, 2, 1}};
    static const FormatInfo k4K50Info{k4K50, {96, 95, 94, 93, 31, 16, 32, 34, 5, 4, 3, 2, 1}};
    static const FormatInfo k4K30Info{k4K30, {95, 94, 93, 16, 31, 32, 34, 5, 4, 3, 2, 1}};
    static const FormatInfo k4K24Info{k4K24, {93, 32, 16, 31, 34, 5, 4, 3, 2, 1}};
    static const FormatInfo k1080p60Info{k1080p60, {16, 31, 32, 34, 5, 4, 3, 2, 1}};
    static const FormatInfo k1080p24Info{k1080p24, {32, 4, 3, 2, 1}};
    static const FormatInfo k1080i60Info{k1080i60, {5, 4, 3, 2, 1}};
    static const FormatInfo k720p60Info{k720p60, {4, 3, 2, 1}};
    static const FormatInfo k480p60Info{k480p60, {3, 2, 1}};
    switch (format) {
        case VideoFormat::k4K60:
            return k4K60Info;
        case VideoFormat::k4K50:
            return k4K50Info;
        case VideoFormat::k4K30:
            return k4K30Info;
        case VideoFormat::k4K24:
            return k4K24Info;
        case VideoFormat::k1080p60:
            return k1080p60Info;
        case VideoFormat::k1080p24:
            return k1080p24Info;
        case VideoFormat::k1080i60:
            return k1080i60Info;
        case VideoFormat::k720p60:
            return k720p60Info;
        case VideoFormat::k480p60:
            break;
    }
    return k480p60Info;
}

std::uint8_t lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// An 18-byte detailed timing descriptor.
void putTiming(std::uint8_t* d, const Timing& t) {
    const int hBlank = t.hFront + t.hSync + t.hBack;
    const int vBlank = t.vFront + t.vSync + t.vBack;
    const int widthMm = 1600;
    const int heightMm = 900;
    d[0] = lo(t.pixelClock10kHz);
    d[1] = lo(t.pixelClock10kHz >> 8);
    d[2] = lo(t.hActive);
    d[3] = lo(hBlank);
    d[4] = static_cast<std::uint8_t>(((t.hActive >> 8) << 4) | (hBlank >> 8));
    d[5] = lo(t.vActive);
    d[6] = lo(vBlank);
    d[7] = static_cast<std::uint8_t>(((t.vActive >> 8) << 4) | (vBlank >> 8));
    d[8] = lo(t.hFront);
    d[9] = lo(t.hSync);
    d[10] = static_cast<std::uint8_t>(((t.vFront & 0x0F) << 4) | (t.vSync & 0x0F));
    d[11] = static_cast<std::uint8_t>(((t.hFront >> 8) << 6) | ((t.hSync >> 8) << 4) |
                                      ((t.vFront >> 4) << 2) | (t.vSync >> 4));
    d[12] = lo(widthMm);
    d[13] = lo(heightMm);
    d[14] = static_cast<std::uint8_t>(((widthMm >> 8) << 4) | (heightMm >> 8));
    d[15] = 0;
    d[16] = 0;
    d[17] = static_cast<std::uint8_t>((t.interlaced ? 0x80 : 0) | 0x18 |
                                      (t.positiveSync ? 0x06 : 0x00));
}

void putTextDescriptor(std::uint8_t* d, std::uint8_t tag, std::string_view text) {
    std::memset(d, 0, 18);
    d[3] = tag;
    const std::size_t n = std::min<std::size_t>(text.size(), 13);
    std::memcpy(d + 5, text.data(), n);
    if (n < 13) {
        d[5 + n] = 0x0A;
        for (std::size_t i = n + 1; i < 13; ++i) {
            d[5 + i] = 0x20;
        }
    }
}

void putRangeLimits(std::uint8_t* d, int maxVRate, int maxHkHz, int maxPixelMhz) {
    std::memset(d, 0, 18);
    d[3] = 0xFD;
    d[5] = 23;
    d[6] = lo(maxVRate);
    d[7] = 15;
    d[8] = lo(maxHkHz);
    d[9] = lo((maxPixelMhz + 9) / 10);
    d[10] = 0;  // default timing formula
    d[11] = 0x0A;
    for (int i = 12; i < 18; ++i) {
        d[i] = 0x20;
    }
}

// The TMDS clock in MHz that the format needs at the profile's colour format.
int neededTmdsMhz(const EdidProfile& p) {
    const double pixelMhz = formatInfo(p.format).timing.pixelClock10kHz / 100.0;
    double tmds = pixelMhz;
    switch (p.chroma) {
        case Chroma::kRgb:
        case Chroma::k444:
            tmds = pixelMhz * p.bits / 8.0;
            break;
        case Chroma::k422:
            tmds = pixelMhz;
            break;
        case Chroma::k420:
            tmds = pixelMhz / 2.0 * p.bits / 8.0;
            break;
    }
    return static_cast<int>(tmds + 0.999);
}

class BlockWriter {
public:
    explicit BlockWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void block(int tag, std::initializer_list<std::uint8_t> payload) {
        block(tag, std::vector<std::uint8_t>(payload));
    }
    void block(int tag, const std::vector<std::uint8_t>& payload) {
        out_.push_back(static_cast<std::uint8_t>((tag << 5) | static_cast<int>(payload.size())));
        out_.insert(out_.end(), payload.begin(), payload.end());
    }

private:
    std::vector<std::uint8_t>& out_;
};

std::vector<std::uint8_t> ctaDataBlocks(const EdidProfile& p, int maxTmds) {
    std::vector<std::uint8_t> out;
    BlockWriter w(out);
    const bool yuv420Only = p.chroma == Chroma::k420 &&
                            (p.format == VideoFormat::k4K60 || p.format == VideoFormat::k4K50);

    // Video data block; 4:2:0-only formats go into their own block.
    std::vector<std::uint8_t> vics;
    std::vector<std::uint8_t> yuv420Vics;
    for (std::uint8_t vic : formatInfo(p.format).vics) {
        if (yuv420Only && (vic == 97 || vic == 96)) {
            yuv420Vics.push_back(vic);
        } else {
            vics.push_back(vic);
        }
    }
    w.block(2, vics);

    // Audio data block and speaker allocation.
    std::vector<std::uint8_t> sads = {0x09, 0x07, 0x07};  // LPCM 2 ch, 32..48 kHz, 16..24 bit
    std::uint8_t speakers = 0x01;                         // front left and right
    if (p.audio != AudioChoice::kStereo) {
        sads.insert(sads.end(), {0x15, 0x07, 0x50});  // AC-3 5.1, 640 kbit/s
        sads.insert(sads.end(), {0x3D, 0x07, 0xC0});  // DTS 5.1, 1536 kbit/s
        speakers = 0x0F;
    }
    if (p.audio == AudioChoice::kAll) {
        sads.insert(sads.end(), {0x0F, 0x7F, 0x07});  // LPCM 8 ch up to 192 kHz
        sads.insert(sads.end(), {0x57, 0x06, 0x01});  // E-AC-3 7.1
        sads.insert(sads.end(), {0x5F, 0x7E, 0x01});  // DTS-HD 7.1
        sads.insert(sads.end(), {0x67, 0x7E, 0x01});  // MAT (TrueHD) 7.1
        speakers = 0x4F;
    }
    w.block(1, sads);
    w.block(4, {speakers, 0x00, 0x00});

    // HDMI vendor-specific data block: deep colour and the TMDS clock up to 340 MHz.
    std::uint8_t deep = 0x80;  // supports AI
    if (p.bits >= 10 && p.chroma != Chroma::k420) {
        deep |= 0x10;
    }
    if (p.bits >= 12 && p.chroma != Chroma::k420) {
        deep |= 0x20;
    }
    if (deep != 0x80 && p.chroma != Chroma::kRgb) {
        deep |= 0x08;  // deep colour also in YCbCr 4:4:4
    }
    w.block(3, {0x03, 0x0C, 0x00, 0x10, 0x00, deep, lo(std::min(maxTmds, 340) / 5)});

    // HDMI Forum block for rates above 340 MHz, 4:2:0 deep colour or ALLM.
    if (maxTmds > 340 || yuv420Only || p.allm) {
        std::uint8_t dc420 = 0;
        if (p.chroma == Chroma::k420 && p.bits >= 10) {
            dc420 |= 0x01;
        }
        if (p.chroma == Chroma::k420 && p.bits >= 12) {
            dc420 |= 0x02;
        }
        std::vector<std::uint8_t> hf = {
            0xD8, 0x5D, 0xC4, 0x01, lo(std::max(maxTmds, 340) > 340 ? maxTmds / 5 : 0),
            0x88, dc420};
        if (p.allm) {
            hf.push_back(0x02);  // ALLM
        }
        w.block(3, hf);
    }

    if (p.bt2020) {
        w.block(7, {0x05, 0xC0, 0x00});  // colorimetry: BT.2020 YCC and RGB
    }
    if (p.hdr) {
        // HDR static metadata: SDR, SMPTE ST 2084 and HLG; static metadata type 1.
        w.block(7, {0x06, 0x0D, 0x01, 0x78, 0x5A, 0x00});
    }
    if (!yuv420Vics.empty()) {
        std::vector<std::uint8_t> y420 = {0x0E};
        y420.insert(y420.end(), yuv420Vics.begin(), yuv420Vics.end());
        w.block(7, y420);
    }
    // Video capability: selectable quantisation, IT and CE formats underscanned.
    w.block(7, {0x00, 0xCA});
    if (p.dolbyVision) {
        // Dolby Vision block, version 1: 2160p60, DM 2, P3-like primaries.
        w.block(7, {0x01, 0x46, 0xD0, 0x00, 0x2A, 0x25, 0x02, 0x00, 0xAE, 0x52, 0x44, 0xB0, 0x26,
                    0x0F});
    }
    if (p.hdr10Plus) {
        w.block(7, {0x01, 0x8B, 0x84, 0x90, 0x01});  // HDR10+, application version 1
    }
    return out;
}

std::string trim(std::string_view s) {
    std::size_t a = 0;
    std::size_t b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) {
        ++a;
    }
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) {
        --b;
    }
    return std::string(s.substr(a, b - a));
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

const char* formatText(VideoFormat f) {
    switch (f) {
        case VideoFormat::k4K60:
            return "4K60";
        case VideoFormat::k4K50:
            return "4K50";
        case VideoFormat::k4K30:
            return "4K30";
        case VideoFormat::k4K24:
            return "4K24";
        case VideoFormat::k1080p60:
            return "1080p60";
        case VideoFormat::k1080p24:
            return "1080p24";
        case VideoFormat::k1080i60:
            return "1080i60";
        case VideoFormat::k720p60:
            return "720p60";
        case VideoFormat::k480p60:
            break;
    }
    return "480p60";
}

const char* chromaText(Chroma c) {
    switch (c) {
        case Chroma::kRgb:
            return "RGB";
        case Chroma::k444:
            return "444";
        case Chroma::k422:
            return "422";
        case Chroma::k420:
            break;
    }
    return "420";
}

// A monitor name of at most 13 characters that sums up the profile.
std::string shortName(const EdidProfile& p) {
    const std::string base = std::string(formatText(p.format)) + " " + chromaText(p.chroma);
    const std::string tag = p.hdr ? " HDR" : (p.bt2020 ? " 2020" : "");
    if (base.size() + tag.size() <= 13) {
        return base + tag;
    }
    return std::string(formatText(p.format)) + tag;
}

}  // namespace

std::string_view edidTableName(int table) {
    return boxsettings::edidTableName(table);
}

std::optional<EdidProfile> profileFromDescription(std::string_view description) {
    std::string text = lower(trim(description));
    const std::size_t dash = text.find(" - ");
    if (dash != std::string::npos && dash < 4) {
        text = text.substr(dash + 3);  // a full caption "nn - ..."
    }
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos) {
            words.push_back(text.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    if (words.empty()) {
        return std::nullopt;
    }
    EdidProfile p;
    const std::string& head = words[0];
    const std::size_t hyphen = head.find('-');
    if (hyphen == std::string::npos) {
        return std::nullopt;
    }
    static const std::pair<const char*, VideoFormat> kFormats[] = {
        {"4k60", VideoFormat::k4K60},       {"4k50", VideoFormat::k4K50},
        {"4k30", VideoFormat::k4K30},       {"4k24", VideoFormat::k4K24},
        {"1080p60", VideoFormat::k1080p60}, {"1080p24", VideoFormat::k1080p24},
        {"1080i60", VideoFormat::k1080i60}, {"720p60", VideoFormat::k720p60},
        {"480p60", VideoFormat::k480p60},
    };
    const std::string formatWord = head.substr(0, hyphen);
    const auto format = std::find_if(std::begin(kFormats), std::end(kFormats),
                                     [&](const auto& f) { return formatWord == f.first; });
    if (format == std::end(kFormats)) {
        return std::nullopt;
    }
    p.format = format->second;
    const std::string chroma = head.substr(hyphen + 1);
    if (chroma == "rgb") {
        p.chroma = Chroma::kRgb;
    } else if (chroma == "444") {
        p.chroma = Chroma::k444;
    } else if (chroma == "422") {
        p.chroma = Chroma::k422;
    } else if (chroma == "420") {
        p.chroma = Chroma::k420;
    } else {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "600mhz") {
            p.maxTmdsMhz = 600;
        } else if (w == "300mhz") {
            p.maxTmdsMhz = 300;
        } else if (w == "8bit" || w == "8-bit") {
            p.bits = 8;
        } else if (w == "10bit" || w == "10-bit") {
            p.bits = 10;
        } else if (w == "12bit" || w == "12-bit") {
            p.bits = 12;
        } else if (w == "hdr") {
            p.hdr = true;
        } else if (w == "bt2020") {
            p.bt2020 = true;
        } else if (w == "all") {
            p.audio = AudioChoice::kAll;
        } else if (w == "spdif") {
            p.audio = AudioChoice::kSpdif;
        } else if (w == "stereo") {
            p.audio = AudioChoice::kStereo;
        }
    }
    if (p.maxTmdsMhz == 0 && p.chroma == Chroma::k420 && p.format == VideoFormat::k4K60 &&
        p.bits > 8) {
        p.maxTmdsMhz = 600;  // 4K60 4:2:0 deep colour needs more than 340 MHz
    }
    p.monitorName = shortName(p);
    return p;
}

Edid makeEdid(const EdidProfile& p) {
    Edid e{};
    const FormatInfo& info = formatInfo(p.format);
    int maxTmds = p.maxTmdsMhz;
    if (maxTmds == 0) {
        const int needed = neededTmdsMhz(p);
        maxTmds = needed <= 165 ? 165 : needed <= 300 ? 300 : needed <= 340 ? 340 : 600;
    }

    static constexpr std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(e.data(), kHeader, 8);
    // Manufacturer "VTL": three 5-bit letters.
    const int id = ((('V' - '@') << 10) | (('T' - '@') << 5) | ('L' - '@'));
    e[8] = lo(id >> 8);
    e[9] = lo(id);
    e[10] = lo(p.productCode);
    e[11] = lo(p.productCode >> 8);
    for (int i = 0; i < 4; ++i) {
        e[12 + static_cast<std::size_t>(i)] = lo(static_cast<int>(p.serialNumber >> (8 * i)));
    }
    e[16] = 1;   // week
    e[17] = 36;  // 2026
    e[18] = 1;   // EDID 1.3
    e[19] = 3;
    e[20] = 0x80;  // digital input
    e[21] = 160;   // 160 x 90 cm
    e[22] = 90;
    e[23] = 0x78;  // gamma 2.2
    e[24] = 0x0E;  // RGB colour, sRGB, preferred timing is native
    static constexpr std::uint8_t kChromaticity[10] = {0xEE, 0x91, 0xA3, 0x54, 0x4C,
                                                       0x99, 0x26, 0x0F, 0x50, 0x54};
    std::memcpy(e.data() + 25, kChromaticity, 10);
    e[35] = 0x21;  // 640x480@60, 800x600@60
    e[36] = 0x08;  // 1024x768@60
    e[37] = 0x00;
    for (std::size_t i = 38; i < 54; i += 2) {
        e[i] = 0x01;
        e[i + 1] = 0x01;
    }
    const bool fourK = p.format == VideoFormat::k4K60 || p.format == VideoFormat::k4K50 ||
                       p.format == VideoFormat::k4K30 || p.format == VideoFormat::k4K24;
    if (fourK || p.format == VideoFormat::k1080p60) {
        e[38] = 0xD1;  // 1920x1080@60
        e[39] = 0xC0;
    }
    e[40] = 0x81;  // 1280x720@60
    e[41] = 0xC0;

    // The preferred timing must work in RGB; 4:2:0-only formats fall back to 4K30.
    const bool yuv420Only = p.chroma == Chroma::k420 &&
                            (p.format == VideoFormat::k4K60 || p.format == VideoFormat::k4K50);
    const Timing& preferred = yuv420Only ? k4K30 : info.timing;
    putTiming(e.data() + 54, preferred);
    const int hTotal =
        info.timing.hActive + info.timing.hFront + info.timing.hSync + info.timing.hBack;
    const int maxHkHz = info.timing.pixelClock10kHz * 10 / hTotal + 1;
    const int maxPixelMhz = std::max(info.timing.pixelClock10kHz / 100, 80);
    if (fourK) {
        putTiming(e.data() + 72, k1080p60);
        putTextDescriptor(e.data() + 90, 0xFC, p.monitorName);
        putRangeLimits(e.data() + 108, 75, std::max(maxHkHz, 70), maxPixelMhz);
    } else {
        putRangeLimits(e.data() + 72, 75, std::max(maxHkHz, 70), maxPixelMhz);
        putTextDescriptor(e.data() + 90, 0xFC, p.monitorName);
        std::memset(e.data() + 108, 0, 18);
        e[111] = 0x10;  // dummy descriptor
    }
    e[126] = 1;  // one extension
    e[127] = blockChecksum(e.data());

    // CTA-861 extension.
    std::uint8_t* x = e.data() + 128;
    x[0] = 0x02;
    x[1] = 0x03;
    // Underscan, basic audio, and the preferred timing as native unless it is interlaced.
    std::uint8_t flags = info.timing.interlaced ? 0xC0 : 0xC1;
    if (p.chroma != Chroma::kRgb) {
        flags |= 0x30;  // YCbCr 4:4:4 and 4:2:2
    }
    x[3] = flags;
    const std::vector<std::uint8_t> blocks = ctaDataBlocks(p, maxTmds);
    const std::size_t room = 127 - 4 - 18;
    const std::size_t n = std::min(blocks.size(), room);
    std::memcpy(x + 4, blocks.data(), n);
    x[2] = lo(static_cast<int>(4 + n));
    putTiming(x + 4 + n, fourK ? k1080p60 : info.timing);
    e[255] = blockChecksum(x);
    return e;
}

Edid defaultTableEdid(int table) {
    if (table > kCustomTableCount && table <= kEdidTableCount) {
        auto p = profileFromDescription(edidTableName(table));
        if (p) {
            p->productCode = static_cast<std::uint16_t>(table);
            p->serialNumber = static_cast<std::uint32_t>(table);
            return makeEdid(*p);
        }
    }
    // The custom tables: a full 4K60 EDID, with extras by the table's caption.
    EdidProfile p;
    p.format = VideoFormat::k4K60;
    p.chroma = Chroma::k444;
    p.maxTmdsMhz = 600;
    p.hdr = true;
    p.bt2020 = true;
    p.audio = AudioChoice::kAll;
    p.dolbyVision = table == 2 || table == 3 || table == 5 || table == 6 || table == 7;
    p.hdr10Plus = table == 4;
    p.allm = table == 4;
    p.monitorName = "CUSTOM " + std::to_string(std::clamp(table, 1, kCustomTableCount));
    p.productCode = static_cast<std::uint16_t>(table);
    p.serialNumber = static_cast<std::uint32_t>(table);
    return makeEdid(p);
}

Edid fixedEdid() {
    auto p = profileFromDescription("4K60-420 8-bit 300MHz Stereo");
    p->monitorName = "FIXED 4K60";
    p->productCode = 0x0F00;
    return makeEdid(*p);
}

std::uint8_t blockChecksum(const std::uint8_t* block) {
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += block[i];
    }
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

bool checksumsValid(const Edid& edid) {
    return edid[127] == blockChecksum(edid.data()) && edid[255] == blockChecksum(edid.data() + 128);
}

void fixChecksums(Edid& edid) {
    edid[127] = blockChecksum(edid.data());
    edid[255] = blockChecksum(edid.data() + 128);
}

std::string monitorName(const Edid& edid) {
    for (std::size_t d = 54; d < 126; d += 18) {
        if (edid[d] == 0 && edid[d + 1] == 0 && edid[d + 3] == 0xFC) {
            std::string name;
            for (std::size_t i = d + 5; i < d + 18 && edid[i] != 0x0A; ++i) {
                name.push_back(static_cast<char>(edid[i]));
            }
            return trim(name);
        }
    }
    return {};
}

std::optional<Edid> embeddedEdid(std::string_view name) {
    for (const EmbeddedFile& f : embeddedFiles()) {
        if (name == f.name && f.size == 256) {
            Edid e{};
            std::memcpy(e.data(), f.data, 256);
            return e;
        }
    }
    return std::nullopt;
}

}  // namespace emu

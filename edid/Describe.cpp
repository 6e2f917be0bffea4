// The readable text of a decoded EDID: short headed lines of at most about 70
// columns, lists wrapped onto indented lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "edid/Decode.h"
#include "status/Printf.h"

namespace edid {
namespace {

constexpr std::size_t kWidth = 70;
constexpr const char* kIndent = "  ";

class Writer {
public:
    void line(const std::string& text) { text_ += text + "\n"; }

    // head, then the items joined by sep, wrapped onto indented lines.
    void list(const std::string& head, const std::vector<std::string>& items,
              const std::string& sep = ", ") {
        std::string current = head;
        bool first = true;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string piece = items[i] + (i + 1 < items.size() ? sep : "");
            std::string trimmed = piece;
            while (!trimmed.empty() && trimmed.back() == ' ') {
                trimmed.pop_back();
            }
            if (!first && current.size() + trimmed.size() > kWidth) {
                while (!current.empty() && current.back() == ' ') {
                    current.pop_back();
                }
                line(current);
                current = kIndent;
            }
            current += piece;
            first = false;
        }
        while (!current.empty() && current.back() == ' ') {
            current.pop_back();
        }
        line(current);
    }

    // A sentence wrapped at word boundaries.
    void words(const std::string& head, const std::string& text) {
        std::vector<std::string> items;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(' ', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            items.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        list(head, items, " ");
    }

    std::string text() const { return text_; }

private:
    std::string text_;
};

std::string hex(unsigned value, int digits) {
    return boxstatus::printfText("0x%0*X", digits, value);
}

std::string mhz(std::uint32_t kHz) {
    return boxstatus::printfText("%.3f MHz", kHz / 1000.0);
}

std::string trimmedNumber(double value, int decimals) {
    std::string text = boxstatus::printfText("%.*f", decimals, value);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

// Luminance: whole cd/m2 from 100 up, else enough decimals for three digits.
std::string nits(double value) {
    if (value >= 100 || value <= 0) {
        return boxstatus::printfText("%.0f", value);
    }
    const int decimals = std::min(8, std::max(0, int(std::ceil(-std::log10(value))) + 2));
    return trimmedNumber(value, decimals);
}

std::string joined(const std::vector<std::string>& items, const std::string& sep) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : sep) + items[i];
    }
    return text;
}

std::string timingName(const DetailedTiming& t) {
    return formatName(t.hActive, t.vActive, t.interlaced, t.refreshHz());
}

// Byte 17 of a detailed timing: the sync type and, when given, the stereo format.
std::string timingFlags(const DetailedTiming& t) {
    static constexpr const char* kSyncTypes[] = {"analog composite", "bipolar analog composite",
                                                 "digital composite", "digital separate"};
    static constexpr const char* kStereo[] = {
        nullptr,          nullptr, "field sequential L/R", "interleaved right even",
        "field sequential R/L", "interleaved left even", "four way interleaved",
        "side by side interleaved"};
    std::vector<std::string> items = {kSyncTypes[t.syncType & 3]};
    if (t.syncType < 2 && t.serrate) {
        items.push_back("serrate");
    }
    if (t.syncType < 2 && t.syncOnGreen) {
        items.push_back("sync on green");
    }
    if (t.syncType == 2 && t.serrate) {
        items.push_back("serrate");
    }
    if (const char* stereo = kStereo[t.stereo & 7]) {
        items.push_back(std::string("stereo ") + stereo);
    }
    return joined(items, ", ");
}

void describeTiming(Writer& w, const std::string& label, const DetailedTiming& t) {
    std::string head = label + ": " + timingName(t) + "  " + mhz(t.pixelClockKHz);
    if (t.widthMm != 0 || t.heightMm != 0) {
        head += boxstatus::printfText("  %dx%d mm", t.widthMm, t.heightMm);
    }
    w.line(head);
    const auto polarity = [&](bool positive, bool known) {
        return known ? (positive ? " (+)" : " (-)") : "";
    };
    const auto border = [](int value) {
        return value != 0 ? boxstatus::printfText(" border %d", value) : std::string();
    };
    w.line(boxstatus::printfText("  H front %d sync %d back %d%s%s  V front %d sync %d back %d%s%s",
                                 t.hFront, t.hSync, t.hBack(),
                                 polarity(t.hSyncPositive, t.syncType >= 2),
                                 border(t.hBorder).c_str(), t.vFront, t.vSync, t.vBack(),
                                 polarity(t.vSyncPositive, t.syncType == 3),
                                 border(t.vBorder).c_str()));
    if (t.syncType != 3 || t.stereo > 1) {
        w.line("  " + timingFlags(t));
    }
}

std::string ratesText(std::uint8_t rates) {
    std::vector<std::string> items;
    const auto table = audioSampleRates();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if ((rates >> i & 1U) != 0) {
            items.push_back(trimmedNumber(table[i] / 1000.0, 1));
        }
    }
    return items.empty() ? "no rates" : joined(items, "/") + " kHz";
}

std::string svdText(const Svd& svd) {
    std::string text = boxstatus::printfText("%d %s", svd.vic, vicName(svd.vic).c_str());
    if (findVic(svd.vic) == nullptr) {
        text = boxstatus::printfText("VIC %d (unknown)", svd.vic);
    }
    return svd.native ? text + " native" : text;
}

void describeAudio(Writer& w, const AudioBlock& audio) {
    w.line("Audio:");
    for (const ShortAudioDescriptor& sad : audio.descriptors) {
        std::string text = kIndent + sad.formatName();
        const bool noChannels = sad.formatCode == 15 && sad.extensionType == 11;
        if (!noChannels) {
            text += boxstatus::printfText(" %dch", sad.channels);
        }
        text += " " + ratesText(sad.rates);
        const std::vector<int> depths = sad.bitDepths();
        if (!depths.empty()) {
            std::vector<std::string> items;
            for (const int depth : depths) {
                items.push_back(std::to_string(depth));
            }
            text += " " + joined(items, "/") + " bit";
        }
        if (sad.maxBitrateKbps() != 0) {
            text += boxstatus::printfText(", max %d kb/s", sad.maxBitrateKbps());
        }
        if (sad.formatCode == 10 && sad.joc()) {
            text += ", JOC (object audio)";
        }
        if (sad.jocAcmod28()) {
            text += ", JOC with ACMOD28";
        }
        if (sad.formatCode == 12) {
            text += sad.objectAudio() ? ", TrueHD + object audio" : ", TrueHD only";
        }
        if (sad.formatCode >= 9 && sad.formatCode <= 11 && sad.formatCode != 10) {
            text += boxstatus::printfText(", value 0x%02X", sad.byte3);
        }
        w.line(text);
    }
}

std::string frlText(int code) {
    const FrlRate* rate = findFrlRate(code);
    if (rate == nullptr) {
        return boxstatus::printfText("FRL code %d (unknown)", code);
    }
    if (rate->lanes == 0) {
        return "no FRL";
    }
    return boxstatus::printfText("FRL %d Gbps (%d lanes x %d Gbps)",
                                 rate->lanes * rate->gbpsPerLane, rate->lanes, rate->gbpsPerLane);
}

void describeHdmi(Writer& w, const HdmiBlock& h) {
    std::string head =
        boxstatus::printfText("HDMI: physical address %d.%d.%d.%d", h.physicalAddress[0],
                              h.physicalAddress[1], h.physicalAddress[2], h.physicalAddress[3]);
    if (h.maxTmdsMHz != 0) {
        head += boxstatus::printfText(", max TMDS %d MHz", h.maxTmdsMHz);
    }
    w.line(head);
    std::vector<std::string> items;
    std::vector<std::string> depths;
    if (h.dc30) {
        depths.push_back("30");
    }
    if (h.dc36) {
        depths.push_back("36");
    }
    if (h.dc48) {
        depths.push_back("48");
    }
    if (!depths.empty()) {
        items.push_back("deep colour " + joined(depths, "/") + " bit");
    }
    if (h.dcY444) {
        items.push_back("deep colour in YCbCr 4:4:4");
    }
    if (h.supportsAi) {
        items.push_back("ACP/ISRC (AI)");
    }
    if (h.dviDual) {
        items.push_back("dual-link DVI");
    }
    std::vector<std::string> types;
    for (std::size_t i = 0; i < hdmiContentTypes().size(); ++i) {
        if ((h.contentTypes >> i & 1U) != 0) {
            types.push_back(hdmiContentTypes()[i]);
        }
    }
    if (!types.empty()) {
        items.push_back("content types " + joined(types, "/"));
    }
    const auto latency = [](const char* what, const std::optional<int>& code) {
        if (!code || *code == 0) {
            return std::string();
        }
        if (*code == 255) {
            return boxstatus::printfText("no %s", what);
        }
        return boxstatus::printfText("%s latency %d ms", what, 2 * (*code - 1));
    };
    for (const std::string& text :
         {latency("video", h.videoLatency), latency("audio", h.audioLatency),
          latency("interlaced video", h.interlacedVideoLatency),
          latency("interlaced audio", h.interlacedAudioLatency)}) {
        if (!text.empty()) {
            items.push_back(text);
        }
    }
    if (h.threeD) {
        items.push_back("3D");
    }
    if (h.threeDMulti == 1) {
        items.push_back("3D formats of every VIC");
    } else if (h.threeDMulti == 2) {
        items.push_back("3D formats of the VICs of a mask");
    } else if (h.threeDMulti == 3) {
        items.push_back("3D multi code 3 (reserved)");
    }
    if (h.imageSize != 0) {
        items.push_back(std::string("image size is ") + hdmiImageSizes()[std::size_t(h.imageSize & 3)]);
    }
    if (!items.empty()) {
        w.list(kIndent, items);
    }
    if (!h.hdmiVics.empty()) {
        std::vector<std::string> vics;
        for (const int vic : h.hdmiVics) {
            const VideoFormat* format = findHdmiVic(vic);
            vics.push_back(
                format == nullptr
                    ? boxstatus::printfText("%d (unknown)", vic)
                    : boxstatus::printfText("%d %s", vic,
                                            formatName(format->hActive, format->vActive,
                                                       format->interlaced, refreshHz(*format))
                                                .c_str()));
        }
        w.list("  HDMI VICs: ", vics);
    }
    const auto structureName = [](int code) {
        const char* name = hdmi3dStructures()[std::size_t(code & 0x0F)];
        return name != nullptr ? std::string(name)
                               : boxstatus::printfText("3D structure %d (reserved)", code);
    };
    if (h.threeDMulti == 1 || h.threeDMulti == 2) {
        std::vector<std::string> structures;
        for (int i = 0; i < 16; ++i) {
            if ((h.threeDStructures >> i & 1U) != 0) {
                structures.push_back(structureName(i));
            }
        }
        if (structures.empty()) {
            structures.push_back("none");
        }
        w.list("  3D: ", structures);
    }
    if (h.threeDMask) {
        std::vector<std::string> vics;
        for (const int vic : h.threeDMaskVics) {
            vics.push_back(std::to_string(vic));
        }
        if (vics.empty()) {
            vics.push_back("none");
        }
        w.list("  3D VICs: ", vics, " ");
    }
    if (!h.threeDVics.empty()) {
        std::vector<std::string> vics;
        for (const HdmiBlock::ThreeDVic& v : h.threeDVics) {
            std::string text = v.vic != 0
                                   ? std::to_string(v.vic)
                                   : boxstatus::printfText("SVD %d (none)", v.svdIndex + 1);
            text += " " + structureName(v.structure);
            if (v.detail >= 0) {
                const char* detail = hdmi3dDetails()[std::size_t(v.detail & 0x0F)];
                text += detail != nullptr ? std::string(" ") + detail
                                          : boxstatus::printfText(" detail %d", v.detail);
            }
            vics.push_back(text);
        }
        w.list("  3D of VIC: ", vics);
    }
}

void describeHdmiForum(Writer& w, const char* name, const HdmiForumBlock& h) {
    std::vector<std::string> head = {boxstatus::printfText("version %d", h.version)};
    if (h.maxTmdsCharRateMHz != 0) {
        head.push_back(boxstatus::printfText("max TMDS %d Mcsc", h.maxTmdsCharRateMHz));
    }
    if (h.scdc) {
        head.push_back("SCDC");
    }
    w.list(std::string(name) + ": ", head);
    std::vector<std::string> items;
    items.push_back(frlText(h.maxFrlRate));
    std::vector<std::string> depths;
    if (h.dc30_420) {
        depths.push_back("30");
    }
    if (h.dc36_420) {
        depths.push_back("36");
    }
    if (h.dc48_420) {
        depths.push_back("48");
    }
    if (!depths.empty()) {
        items.push_back("4:2:0 deep colour " + joined(depths, "/") + " bit");
    }
    const std::pair<bool, const char*> flags[] = {
        {h.readRequest, "read request"},
        {h.cableStatus, "cable status"},
        {h.ccbpci, "CCBPCI"},
        {h.scramblingBelow340, "scrambling <= 340 Mcsc"},
        {h.uhdVic, "UHD VIC"},
        {h.independentView, "3D independent view"},
        {h.dualView, "3D dual view"},
        {h.osdDisparity, "3D OSD disparity"},
        {h.allm, "ALLM"},
        {h.fva, "fast vactive"},
        {h.cinemaVrr, "CinemaVRR"},
        {h.negativeMvrr, "negative Mvrr"},
        {h.mDelta, "M_delta"},
        {h.fapaStartLocation, "FAPA start location"},
    };
    for (const auto& [set, text] : flags) {
        if (set) {
            items.push_back(text);
        }
    }
    if (h.vrrMinHz != 0 || h.vrrMaxHz != 0) {
        items.push_back(h.vrrMaxHz != 0
                            ? boxstatus::printfText("VRR %d-%d Hz", h.vrrMinHz, h.vrrMaxHz)
                            : boxstatus::printfText("VRR from %d Hz", h.vrrMinHz));
    }
    w.list(kIndent, items);
    if (h.hasDsc && h.dsc12a) {
        std::vector<std::string> dsc = {"DSC 1.2a"};
        if (h.dscNative420) {
            dsc.push_back("native 4:2:0");
        }
        std::vector<std::string> bpc;
        if (h.dsc10bpc) {
            bpc.push_back("10");
        }
        if (h.dsc12bpc) {
            bpc.push_back("12");
        }
        if (h.dsc16bpc) {
            bpc.push_back("16");
        }
        if (!bpc.empty()) {
            dsc.push_back(joined(bpc, "/") + " bpc");
        }
        if (h.dscAllBpp) {
            dsc.push_back("all bpp");
        }
        if (const char* slices = dscSlicesText(h.dscMaxSlices)) {
            dsc.push_back(slices);
        }
        dsc.push_back("max " + frlText(h.dscMaxFrlRate));
        if (h.dscTotalChunkKBytes != 0) {
            dsc.push_back(boxstatus::printfText("chunks %d KiB", h.dscTotalChunkKBytes));
        }
        w.list(kIndent, dsc);
    }
}

void describeHdrStatic(Writer& w, const HdrStaticMetadata& h) {
    std::vector<std::string> eotfs;
    for (std::size_t i = 0; i < eotfNames().size(); ++i) {
        if ((h.eotfs >> i & 1U) != 0) {
            const char* name = eotfNames()[i];
            eotfs.push_back(name != nullptr ? name : boxstatus::printfText("EOTF %zu", i));
        }
    }
    if (eotfs.empty()) {
        eotfs.push_back("no EOTF");
    }
    w.list("HDR static metadata: ", eotfs);
    std::vector<std::string> items;
    for (int type = 0; type < 8; ++type) {
        if ((h.metadataTypes >> type & 1U) != 0) {
            items.push_back(boxstatus::printfText("metadata type %d", type + 1));
        }
    }
    if (h.maxLuminanceCode) {
        items.push_back(boxstatus::printfText("max %.3f cd/m2", h.maxLuminance()));
    }
    if (h.maxFrameAverageCode) {
        items.push_back(boxstatus::printfText("max frame-average %.3f cd/m2", h.maxFrameAverage()));
    }
    if (h.minLuminanceCode) {
        items.push_back(boxstatus::printfText("min %.3f cd/m2", h.minLuminance()));
    }
    if (!items.empty()) {
        w.list(kIndent, items);
    }
}

// Four decimals, cut rather than rounded, as the field's reference tool prints them.
std::string pointText(const char* name, const Chromaticity& c) {
    const auto cut = [](double v) { return std::floor(v * 10000 + 1e-9) / 10000; };
    return boxstatus::printfText("%s %.4f %.4f", name, cut(c.x), cut(c.y));
}

void describeDolbyVision(Writer& w, const DolbyVision& dv) {
    std::vector<std::string> head = {
        boxstatus::printfText("version %d (%d bytes)", dv.version, dv.length)};
    if (dv.dmMinor) {
        head.push_back(boxstatus::printfText("DM %d.%d", dv.dmMajor, *dv.dmMinor));
    } else if (dv.dmMajor != 0) {
        head.push_back(boxstatus::printfText("DM %d.x", dv.dmMajor));
    }
    if (dv.p2160p60) {
        head.push_back("2160p60");
    }
    if (dv.yuv422_12bit) {
        head.push_back("YUV 4:2:2 12 bit");
    }
    w.list("Dolby Vision: ", head);
    std::vector<std::string> items;
    if (dv.lowLatency >= 0) {
        items.push_back(dv.lowLatency != 0 ? "standard + low latency" : "standard only");
    }
    if (dv.interface >= 0) {
        items.push_back(std::string("interface ") + dolbyInterfaces()[std::size_t(dv.interface)]);
    }
    if (dv.version == 1) {
        items.push_back(dv.colorimetryP3 ? "P3-D65" : "BT.709");
    }
    if (dv.globalDimming) {
        items.push_back("global dimming");
    }
    if (dv.backlightControl) {
        items.push_back(
            boxstatus::printfText("backlight control, min %d cd/m2", dv.backlightMinLuma));
    }
    if (dv.yuv444 != 0) {
        items.push_back(dv.yuv444 == 1   ? "4:4:4 10 bit"
                        : dv.yuv444 == 2 ? "4:4:4 12 bit"
                                         : "4:4:4 (reserved)");
    }
    if (dv.maxLuminance > 0) {
        std::string luminance =
            boxstatus::printfText("luminance %s to %s cd/m2", nits(dv.minLuminance).c_str(),
                                  nits(dv.maxLuminance).c_str());
        if (dv.minPq && dv.maxPq) {
            luminance += boxstatus::printfText(" (PQ %d to %d)", *dv.minPq, *dv.maxPq);
        }
        items.push_back(luminance);
    }
    if (!items.empty()) {
        w.list(kIndent, items);
    }
    if (dv.maxLuminance > 0) {
        std::vector<std::string> points = {pointText("red", dv.red), pointText("green", dv.green),
                                           pointText("blue", dv.blue)};
        if (dv.white) {
            points.push_back(pointText("white", *dv.white));
        }
        w.list(kIndent, points);
    }
}

std::string ouiText(std::uint32_t oui) {
    return boxstatus::printfText("%02X-%02X-%02X", oui >> 16 & 0xFF, oui >> 8 & 0xFF, oui & 0xFF);
}

void describeBlockContent(Writer& w, const DataBlock& block) {
    switch (block.kind) {
        case BlockKind::Video:
        case BlockKind::Ycbcr420Video:
            if (const auto* video = std::get_if<VideoBlock>(&block.content)) {
                std::vector<std::string> items;
                for (const Svd& svd : video->svds) {
                    items.push_back(svdText(svd));
                }
                if (items.empty()) {
                    items.push_back("none");
                }
                w.list(
                    block.kind == BlockKind::Video ? "Video (VIC): " : "YCbCr 4:2:0 only (VIC): ",
                    items);
                return;
            }
            break;
        case BlockKind::Ycbcr420CapabilityMap:
            if (const auto* map = std::get_if<Ycbcr420CapabilityMap>(&block.content)) {
                std::vector<std::string> items;
                for (const int vic : map->vics) {
                    items.push_back(std::to_string(vic));
                }
                if (map->allSvds) {
                    items.insert(items.begin(), "every VIC:");
                }
                if (items.empty()) {
                    items.push_back("none");
                }
                w.list("YCbCr 4:2:0 also (VIC): ", items, " ");
                return;
            }
            break;
        case BlockKind::Audio:
            if (const auto* audio = std::get_if<AudioBlock>(&block.content)) {
                describeAudio(w, *audio);
                return;
            }
            break;
        case BlockKind::SpeakerAllocation:
            if (const auto* speakers = std::get_if<SpeakerAllocation>(&block.content)) {
                std::vector<std::string> items;
                for (std::size_t i = 0; i < speakerNames().size(); ++i) {
                    if ((speakers->bits >> i & 1U) != 0) {
                        const char* name = speakerNames()[i].shortName;
                        items.push_back(name != nullptr ? name
                                                        : boxstatus::printfText("bit %zu", i));
                    }
                }
                if (items.empty()) {
                    items.push_back("none");
                }
                w.list("Speakers: ", items, " ");
                return;
            }
            break;
        case BlockKind::Hdmi:
            if (const auto* hdmi = std::get_if<HdmiBlock>(&block.content)) {
                describeHdmi(w, *hdmi);
                return;
            }
            break;
        case BlockKind::HdmiForum:
        case BlockKind::HdmiForumSinkCapability:
            if (const auto* forum = std::get_if<HdmiForumBlock>(&block.content)) {
                describeHdmiForum(
                    w, block.kind == BlockKind::HdmiForum ? "HDMI Forum" : "HDMI Forum sink",
                    *forum);
                return;
            }
            break;
        case BlockKind::VideoCapability:
            if (const auto* c = std::get_if<VideoCapability>(&block.content)) {
                // Code 0: no data for PT, no such formats for IT and CE.
                const auto scan = [](int code, const char* none) {
                    return code == 0 ? none : scanBehaviours()[std::size_t(code)];
                };
                // Quantization bits 0: the sink says nothing about the range.
                w.line(boxstatus::printfText("Video capability: RGB range %s, YCbCr range %s",
                                             c->qs ? "selectable" : "no data",
                                             c->qy ? "selectable" : "no data"));
                w.list("  scan: ", {boxstatus::printfText("PT %s", scan(c->pt, "no data")),
                                    boxstatus::printfText("IT %s", scan(c->it, "not supported")),
                                    boxstatus::printfText("CE %s", scan(c->ce, "not supported"))});
                return;
            }
            break;
        case BlockKind::Colorimetry:
            if (const auto* c = std::get_if<Colorimetry>(&block.content)) {
                std::vector<std::string> items;
                for (std::size_t i = 0; i < colorimetryNames().size(); ++i) {
                    if ((c->bits >> i & 1U) != 0) {
                        items.push_back(colorimetryNames()[i]);
                    }
                }
                if (items.empty()) {
                    items.push_back("none");
                }
                w.list("Colorimetry: ", items, " ");
                return;
            }
            break;
        case BlockKind::HdrStaticMetadata:
            if (const auto* h = std::get_if<HdrStaticMetadata>(&block.content)) {
                describeHdrStatic(w, *h);
                return;
            }
            break;
        case BlockKind::HdrDynamicMetadata:
            if (const auto* h = std::get_if<HdrDynamicMetadata>(&block.content)) {
                std::vector<std::string> items;
                for (const int type : h->types) {
                    items.push_back(boxstatus::printfText("type %d", type));
                }
                if (items.empty()) {
                    items.push_back("none");
                }
                w.list("HDR dynamic metadata: ", items);
                return;
            }
            break;
        case BlockKind::DolbyVision:
            if (const auto* dv = std::get_if<DolbyVision>(&block.content)) {
                describeDolbyVision(w, *dv);
                return;
            }
            break;
        case BlockKind::Hdr10Plus:
            if (const auto* h = std::get_if<Hdr10Plus>(&block.content)) {
                w.line(
                    boxstatus::printfText("HDR10+: application version %d", h->applicationVersion));
                return;
            }
            break;
        case BlockKind::DolbyAudio:
            if (const auto* a = std::get_if<DolbyAudio>(&block.content)) {
                std::vector<std::string> items;
                if (a->version == 0) {
                    items.push_back("no data");
                } else {
                    items.push_back(boxstatus::printfText("version %d", a->version));
                }
                const std::pair<bool, const char*> flags[] = {
                    {a->headphoneOnly, "headphones only"},
                    {a->heightZone, "height speakers"},
                    {a->surroundZone, "surround speakers"},
                    {a->centreZone, "centre speaker"},
                    {a->matPcm48Only.value_or(false), "MAT PCM at 48 kHz only, no TrueHD"},
                };
                for (const auto& [set, text] : flags) {
                    if (set) {
                        items.push_back(text);
                    }
                }
                w.list("Dolby audio: ", items);
                return;
            }
            break;
        case BlockKind::Amd:
            if (const auto* a = std::get_if<AmdBlock>(&block.content)) {
                std::vector<std::string> items;
                if (a->versionMajor) {
                    items.push_back(
                        boxstatus::printfText("version %d.%d", *a->versionMajor, *a->versionMinor));
                }
                if (a->minRefreshHz) {
                    items.push_back(boxstatus::printfText("refresh %d-%d Hz", *a->minRefreshHz,
                                                          *a->maxRefreshHz));
                }
                if (items.empty()) {
                    items.push_back("no data");
                }
                w.list("AMD: ", items);
                return;
            }
            break;
        case BlockKind::HdmiForumOverride:
            if (const auto* o = std::get_if<HdmiForumOverride>(&block.content)) {
                w.line(boxstatus::printfText("HDMI Forum EDID override: %d extension blocks",
                                             o->extensionCount));
                return;
            }
            break;
        default:
            break;
    }
    std::string text = block.name;
    if (block.oui != 0 || block.kind == BlockKind::VendorSpecific ||
        block.kind == BlockKind::VendorSpecificVideo ||
        block.kind == BlockKind::VendorSpecificAudio) {
        text += " (OUI " + ouiText(block.oui) + ")";
    }
    if (block.kind == BlockKind::Unknown) {
        text += block.extendedTag >= 0
                    ? boxstatus::printfText(" (extended tag %d)", block.extendedTag)
                    : boxstatus::printfText(" (tag %d)", block.tag);
    }
    w.line(text + boxstatus::printfText(": %d bytes", block.length));
}

void describeBlock(Writer& w, const DataBlock& block) {
    describeBlockContent(w, block);
    if (block.truncated) {
        w.line(boxstatus::printfText("  [cut short: %d bytes claimed, the block ends sooner]",
                                     block.length));
    }
}

void describeBase(Writer& w, const DecodedEdid& decoded) {
    const BaseBlock& b = decoded.base;
    std::string id = "Manufacturer: " + b.manufacturer + "  Product: " + hex(b.productCode, 4);
    if (b.serialNumber != 0) {
        id += "  Serial: " + hex(b.serialNumber, 8);
    }
    w.line(id);
    std::string made = b.modelYear   ? boxstatus::printfText("Model year %d", b.year)
                       : b.week != 0 ? boxstatus::printfText("Made: week %d of %d", b.week, b.year)
                                     : boxstatus::printfText("Made: %d", b.year);
    w.line(made + boxstatus::printfText("  EDID %d.%d", b.version, b.revision));
    if (!b.name.empty()) {
        w.line("Name: " + b.name);
    }
    if (!b.serialText.empty()) {
        w.line("Serial text: " + b.serialText);
    }
    for (const std::string& text : b.texts) {
        w.line("Text: " + text);
    }
    std::vector<std::string> display = {b.digital ? "digital" : "analog"};
    if (b.widthCm != 0) {
        display.push_back(boxstatus::printfText("%d x %d cm", b.widthCm, b.heightCm));
    }
    if (b.gamma != 0) {
        display.push_back(boxstatus::printfText("gamma %.2f", b.gamma));
    }
    w.list("Display: ", display);
    w.list("Colour: ", {pointText("red", b.red), pointText("green", b.green),
                        pointText("blue", b.blue), pointText("white", b.white)});
    if (b.rangeLimits) {
        const RangeLimits& r = *b.rangeLimits;
        std::string range = boxstatus::printfText("Range: %d-%d Hz V, %d-%d kHz H", r.minVHz,
                                                  r.maxVHz, r.minHKHz, r.maxHKHz);
        if (r.maxPixelClockMHz != 0) {
            range += boxstatus::printfText(", max %d MHz", r.maxPixelClockMHz);
        }
        w.line(range);
    }
    int number = 0;
    for (const DetailedTiming& t : decoded.detailedTimings) {
        if (t.block != 0) {
            break;
        }
        ++number;
        describeTiming(w,
                       number == 1 && b.firstTimingPreferred
                           ? "Preferred (DTD 1)"
                           : boxstatus::printfText("DTD %d", number),
                       t);
    }
    if (!b.established.empty()) {
        std::vector<std::string> items;
        for (const EstablishedTiming& e : b.established) {
            items.push_back(boxstatus::printfText("%dx%d%s@%d", e.width, e.height,
                                                  e.interlaced ? "i" : "", e.refreshHz));
        }
        w.list("Established: ", items, " ");
    }
    if (!b.standard.empty()) {
        std::vector<std::string> items;
        for (const StandardTiming& s : b.standard) {
            items.push_back(boxstatus::printfText("%dx%d@%d", s.width, s.height, s.refreshHz));
        }
        w.list("Standard: ", items, " ");
    }
}

void describeExtension(Writer& w, const DecodedEdid& decoded, const Extension& extension) {
    if (!extension.cta) {
        w.line(boxstatus::printfText("Block %d: %s extension, tag 0x%02X (not decoded)",
                                     extension.block, extension.name, extension.tag));
        return;
    }
    const CtaExtension& cta = *extension.cta;
    w.line(boxstatus::printfText("Block %d: CTA-861 revision %d", extension.block, cta.revision));
    std::vector<std::string> flags;
    if (cta.underscan) {
        flags.push_back("underscan");
    }
    if (cta.basicAudio) {
        flags.push_back("basic audio");
    }
    if (cta.ycbcr444) {
        flags.push_back("YCbCr 4:4:4");
    }
    if (cta.ycbcr422) {
        flags.push_back("YCbCr 4:2:2");
    }
    flags.push_back(
        boxstatus::printfText("%d native DTD%s", cta.nativeDtds, cta.nativeDtds == 1 ? "" : "s"));
    w.list(kIndent, flags);
    for (const DataBlock& block : cta.dataBlocks) {
        describeBlock(w, block);
    }
    int number = 0;
    for (const DetailedTiming& t : decoded.detailedTimings) {
        ++number;
        if (t.block == extension.block) {
            describeTiming(w, boxstatus::printfText("DTD %d", number), t);
        }
    }
}

}  // namespace

std::string describeEdid(const DecodedEdid& decoded) {
    Writer w;
    if (decoded.hasBase) {
        describeBase(w, decoded);
        for (const Extension& extension : decoded.extensions) {
            describeExtension(w, decoded, extension);
        }
        std::vector<std::string> sums;
        for (const Checksum& c : decoded.checksums) {
            sums.push_back(c.ok ? boxstatus::printfText("block %d ok (0x%02X)", c.block, c.found)
                                : boxstatus::printfText("block %d WRONG (0x%02X, should be 0x%02X)",
                                                        c.block, c.found, c.expected));
        }
        w.list("Checksums: ", sums);
    }
    if (!decoded.problems.empty()) {
        w.line("Problems:");
        for (const std::string& problem : decoded.problems) {
            w.words("  - ", problem);
        }
    }
    return w.text();
}

std::string describeEdid(std::span<const std::uint8_t> bytes) {
    return describeEdid(decodeEdid(bytes));
}

}  // namespace edid

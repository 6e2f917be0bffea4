#include "edid/Decode.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "status/Printf.h"

namespace edid {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kMaxBlocks = 256;  // the base block and up to 255 extensions
constexpr std::size_t kDescriptorSize = 18;

// --- tables of the block and descriptor structure ---------------------------

struct ExtensionTag {
    std::uint8_t tag;
    const char* name;
};

constexpr std::array<ExtensionTag, 12> kExtensionTags = {{
    {0x02, "CTA-861"},
    {0x10, "Video timing block"},
    {0x20, "EDID 2.0"},
    {0x40, "Display information"},
    {0x50, "Localized string"},
    {0x60, "Microdisplay interface"},
    {0x70, "DisplayID"},
    {0xA7, "Display transfer characteristics"},
    {0xAF, "Display transfer characteristics"},
    {0xBF, "Display transfer characteristics"},
    {0xF0, "Block map"},
    {0xFF, "Manufacturer specific"},
}};

// --- helpers -----------------------------------------------------------------

bool bit(std::uint32_t value, int n) {
    return ((value >> n) & 1U) != 0;
}

class Notes {
public:
    explicit Notes(std::vector<std::string>& problems) : problems_(problems) {}
    void add(std::string text) {
        // Fuzzed input can make a block of nothing but errors; a few suffice.
        if (problems_.size() < 64) {
            problems_.push_back(std::move(text));
        }
    }

private:
    std::vector<std::string>& problems_;
};

std::string descriptorText(Bytes d) {
    std::string text;
    for (std::size_t i = 5; i < d.size() && i < kDescriptorSize; ++i) {
        const std::uint8_t c = d[i];
        if (c == 0x0A) {
            break;
        }
        text.push_back(c >= 0x20 && c < 0x7F ? char(c) : '?');
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

DetailedTiming decodeDtd(Bytes d, int block) {
    DetailedTiming t;
    t.block = block;
    t.pixelClockKHz = (std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8) * 10;
    t.hActive = d[2] | (d[4] & 0xF0) << 4;
    t.hBlank = d[3] | (d[4] & 0x0F) << 8;
    t.vActive = d[5] | (d[7] & 0xF0) << 4;
    t.vBlank = d[6] | (d[7] & 0x0F) << 8;
    t.hFront = d[8] | (d[11] & 0xC0) << 2;
    t.hSync = d[9] | (d[11] & 0x30) << 4;
    t.vFront = d[10] >> 4 | (d[11] & 0x0C) << 2;
    t.vSync = (d[10] & 0x0F) | (d[11] & 0x03) << 4;
    t.widthMm = d[12] | (d[14] & 0xF0) << 4;
    t.heightMm = d[13] | (d[14] & 0x0F) << 8;
    t.hBorder = d[15];
    t.vBorder = d[16];
    const std::uint8_t flags = d[17];
    t.interlaced = bit(flags, 7);
    if (t.interlaced) {
        t.vActive *= 2;
    }
    t.stereo = (flags >> 4 & 0x06) | (flags & 0x01);
    t.syncType = flags >> 3 & 0x03;
    t.vSyncPositive = t.syncType == 3 && bit(flags, 2);
    t.serrate = t.syncType < 3 && bit(flags, 2);
    t.syncOnGreen = t.syncType < 2 && !bit(flags, 1);
    t.hSyncPositive = t.syncType >= 2 && bit(flags, 1);
    return t;
}

RangeLimits decodeRangeLimits(Bytes d, bool edid14) {
    RangeLimits r;
    const std::uint8_t offsets = edid14 ? d[4] : 0;
    r.minVHz = d[5] + (bit(offsets, 0) ? 255 : 0);
    r.maxVHz = d[6] + (bit(offsets, 1) ? 255 : 0);
    r.minHKHz = d[7] + (bit(offsets, 2) ? 255 : 0);
    r.maxHKHz = d[8] + (bit(offsets, 3) ? 255 : 0);
    r.maxPixelClockMHz = d[9] * 10;
    r.support = d[10];
    return r;
}

// --- base block ------------------------------------------------------------

void decodeBase(Bytes b, DecodedEdid& out, Notes& notes) {
    BaseBlock& base = out.base;
    static constexpr std::array<std::uint8_t, 8> kHeader = {0x00, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0x00};
    base.headerOk = std::equal(kHeader.begin(), kHeader.end(), b.begin());
    if (!base.headerOk) {
        notes.add("Block 0: header is not 00 FF FF FF FF FF FF 00");
    }

    const unsigned id = unsigned(b[8]) << 8 | b[9];
    for (const int shift : {10, 5, 0}) {
        const unsigned letter = id >> shift & 0x1F;
        base.manufacturer.push_back(letter >= 1 && letter <= 26 ? char('A' + letter - 1) : '?');
    }
    base.productCode = std::uint16_t(b[10] | b[11] << 8);
    base.serialNumber = std::uint32_t(b[12]) | std::uint32_t(b[13]) << 8 |
                        std::uint32_t(b[14]) << 16 | std::uint32_t(b[15]) << 24;
    base.modelYear = b[16] == 0xFF;
    base.week = base.modelYear ? 0 : b[16];
    base.year = 1990 + b[17];
    base.version = b[18];
    base.revision = b[19];
    const bool edid14 = base.version == 1 && base.revision >= 4;

    base.digital = bit(b[20], 7);
    if (b[21] != 0 && b[22] != 0) {
        base.widthCm = b[21];
        base.heightCm = b[22];
    }
    base.gamma = b[23] == 0xFF ? 0 : (b[23] + 100) / 100.0;
    base.firstTimingPreferred = edid14 || bit(b[24], 1);

    const auto point = [&](int high, int low, int shift) {
        return ((b[high] << 2) | (b[low] >> shift & 0x03)) / 1024.0;
    };
    base.red = {point(27, 25, 6), point(28, 25, 4)};
    base.green = {point(29, 25, 2), point(30, 25, 0)};
    base.blue = {point(31, 26, 6), point(32, 26, 4)};
    base.white = {point(33, 26, 2), point(34, 26, 0)};

    const auto established = establishedTimings();
    for (std::size_t i = 0; i < established.size(); ++i) {
        if (bit(b[35 + i / 8], 7 - int(i % 8))) {
            base.established.push_back(established[i]);
        }
    }

    for (std::size_t at = 38; at < 54; at += 2) {
        const std::uint8_t first = b[at];
        const std::uint8_t second = b[at + 1];
        if (first <= 0x01) {
            continue;  // 01 01 marks an unused entry; 00 is not a valid width
        }
        StandardTiming s;
        s.width = (first + 31) * 8;
        const int code = second >> 6;
        if (code == 0 && base.version == 1 && base.revision < 3) {
            s.aspect = "1:1";
            s.height = s.width;
        } else {
            const StandardAspect& aspect = standardAspects()[std::size_t(code)];
            s.aspect = aspect.name;
            s.height = s.width * aspect.numerator / aspect.denominator;
        }
        s.refreshHz = (second & 0x3F) + 60;
        base.standard.push_back(s);
    }

    for (std::size_t at = 54; at + kDescriptorSize <= 126; at += kDescriptorSize) {
        const Bytes d = b.subspan(at, kDescriptorSize);
        if (d[0] != 0 || d[1] != 0) {
            out.detailedTimings.push_back(decodeDtd(d, 0));
            continue;
        }
        switch (d[3]) {
            case 0xFC:
                base.name = descriptorText(d);
                break;
            case 0xFF:
                base.serialText = descriptorText(d);
                break;
            case 0xFE:
                base.texts.push_back(descriptorText(d));
                break;
            case 0xFD:
                base.rangeLimits = decodeRangeLimits(d, edid14);
                break;
            case 0x10:
                break;  // dummy descriptor
            default:
                base.otherDescriptors.push_back(d[3]);
                break;
        }
    }
    base.extensionCount = b[126];
}

// --- CTA-861 data blocks ----------------------------------------------------

VideoBlock decodeSvds(Bytes payload) {
    VideoBlock video;
    video.entries = int(payload.size());
    for (std::size_t i = 0; i < payload.size(); ++i) {
        const std::uint8_t code = payload[i];
        if (code == 0 || code == 128) {
            continue;  // reserved
        }
        Svd svd;
        svd.position = int(i);
        if (code > 128 && code <= 192) {
            svd.vic = code & 0x7F;
            svd.native = true;
        } else {
            svd.vic = code;
        }
        video.svds.push_back(svd);
    }
    return video;
}

AudioBlock decodeAudio(Bytes payload, Notes& notes, int blockIndex) {
    AudioBlock audio;
    std::size_t at = 0;
    for (; at + 3 <= payload.size(); at += 3) {
        const std::uint8_t b0 = payload[at];
        const std::uint8_t b1 = payload[at + 1];
        const std::uint8_t b2 = payload[at + 2];
        ShortAudioDescriptor sad;
        sad.formatCode = b0 >> 3 & 0x0F;
        sad.channels = (b0 & 0x07) + 1;
        sad.rates = b1 & 0x7F;
        sad.byte3 = b2;
        if (sad.formatCode == 15) {
            sad.extensionType = b2 >> 3;
            if (sad.extensionType == 13) {
                // L-PCM 3D audio: five channel-count bits.
                sad.channels = ((b0 & 0x07) | (b0 & 0x80) >> 4 | (b1 & 0x80) >> 3) + 1;
            }
        }
        audio.descriptors.push_back(sad);
    }
    if (at != payload.size()) {
        notes.add(boxstatus::printfText("Block %d: audio data block length is not a multiple of 3",
                                        blockIndex));
    }
    return audio;
}

HdmiBlock decodeHdmi(Bytes blk) {
    HdmiBlock h;
    h.length = int(blk.size()) - 1;
    const std::size_t n = blk.size();
    if (n > 5) {
        h.physicalAddress[0] = blk[4] >> 4;
        h.physicalAddress[1] = blk[4] & 0x0F;
        h.physicalAddress[2] = blk[5] >> 4;
        h.physicalAddress[3] = blk[5] & 0x0F;
    }
    if (n > 6) {
        const std::uint8_t f = blk[6];
        h.supportsAi = bit(f, 7);
        h.dc48 = bit(f, 6);
        h.dc36 = bit(f, 5);
        h.dc30 = bit(f, 4);
        h.dcY444 = bit(f, 3);
        h.dviDual = bit(f, 0);
    }
    if (n > 7) {
        h.maxTmdsMHz = blk[7] * 5;
    }
    if (n <= 8) {
        return h;
    }
    const std::uint8_t f = blk[8];
    h.contentTypes = f & 0x0F;
    h.hdmiVideoPresent = bit(f, 5);
    std::size_t at = 9;
    if (bit(f, 7)) {
        if (at < n) {
            h.videoLatency = blk[at];
        }
        if (at + 1 < n) {
            h.audioLatency = blk[at + 1];
        }
        at += 2;
        if (bit(f, 6)) {
            if (at < n) {
                h.interlacedVideoLatency = blk[at];
            }
            if (at + 1 < n) {
                h.interlacedAudioLatency = blk[at + 1];
            }
            at += 2;
        }
    }
    if (!h.hdmiVideoPresent || at >= n) {
        return h;
    }
    h.threeD = bit(blk[at], 7);
    h.threeDMulti = blk[at] >> 5 & 0x03;
    h.imageSize = blk[at] >> 3 & 0x03;
    ++at;
    if (at >= n) {
        return h;
    }
    const int vicCount = blk[at] >> 5;
    const std::size_t threeDEnd = std::min(n, at + 1 + std::size_t(vicCount) + (blk[at] & 0x1F));
    ++at;
    for (int i = 0; i < vicCount && at < n; ++i, ++at) {
        h.hdmiVics.push_back(blk[at]);
    }
    if (!h.threeD) {
        return h;
    }
    if ((h.threeDMulti == 1 || h.threeDMulti == 2) && at + 2 <= threeDEnd) {
        h.threeDStructures = std::uint16_t(blk[at] << 8 | blk[at + 1]);
        at += 2;
        if (h.threeDMulti == 2 && at + 2 <= threeDEnd) {
            h.threeDMask = std::uint16_t(blk[at] << 8 | blk[at + 1]);
            at += 2;
        }
    }
    while (at < threeDEnd) {
        HdmiBlock::ThreeDVic v;
        v.svdIndex = blk[at] >> 4;
        v.structure = blk[at] & 0x0F;
        ++at;
        if (v.structure >= 8) {
            if (at >= threeDEnd) {
                break;
            }
            v.detail = blk[at] >> 4;
            ++at;
        }
        h.threeDVics.push_back(v);
    }
    return h;
}

DolbyAudio decodeDolbyAudio(Bytes blk) {
    // blk: header, extended tag, OUI, then the data bytes.
    DolbyAudio a;
    if (blk.size() > 5) {
        const std::uint8_t f = blk[5];
        a.version = (f & 0x07) + 1;
        a.headphoneOnly = bit(f, 7);
        a.heightZone = bit(f, 6);
        a.surroundZone = bit(f, 5);
        a.centreZone = bit(f, 4);
    }
    if (blk.size() > 6) {
        a.matPcm48Only = bit(blk[6], 0);
    }
    return a;
}

AmdBlock decodeAmd(Bytes blk) {
    // blk: header, OUI, version, minor version, refresh range.
    AmdBlock a;
    if (blk.size() > 5) {
        a.versionMajor = blk[4];
        a.versionMinor = blk[5];
    }
    if (blk.size() > 7) {
        a.minRefreshHz = blk[6];
        a.maxRefreshHz = blk[7];
    }
    return a;
}

// The HDMI Forum fields start at byte 4 in both the vendor-specific block
// (after the OUI) and the sink capability block (after two reserved bytes).
HdmiForumBlock decodeHdmiForum(Bytes blk) {
    HdmiForumBlock h;
    h.length = int(blk.size()) - 1;
    const std::size_t n = blk.size();
    if (n > 4) {
        h.version = blk[4];
    }
    if (n > 5) {
        h.maxTmdsCharRateMHz = blk[5] * 5;
    }
    if (n > 6) {
        const std::uint8_t f = blk[6];
        h.scdc = bit(f, 7);
        h.readRequest = bit(f, 6);
        h.cableStatus = bit(f, 5);
        h.ccbpci = bit(f, 4);
        h.scramblingBelow340 = bit(f, 3);
        h.independentView = bit(f, 2);
        h.dualView = bit(f, 1);
        h.osdDisparity = bit(f, 0);
    }
    if (n > 7) {
        const std::uint8_t f = blk[7];
        h.maxFrlRate = f >> 4;
        h.uhdVic = bit(f, 3);
        h.dc48_420 = bit(f, 2);
        h.dc36_420 = bit(f, 1);
        h.dc30_420 = bit(f, 0);
    }
    if (n > 8) {
        const std::uint8_t f = blk[8];
        h.hasGamingFeatures = true;
        h.mDelta = bit(f, 5);
        h.cinemaVrr = bit(f, 4);
        h.negativeMvrr = bit(f, 3);
        h.fva = bit(f, 2);
        h.allm = bit(f, 1);
        h.fapaStartLocation = bit(f, 0);
    }
    if (n > 9) {
        h.vrrMinHz = blk[9] & 0x3F;
        h.vrrMaxHz = (blk[9] & 0xC0) << 2;
        if (n > 10) {
            h.vrrMaxHz |= blk[10];
        }
    }
    if (n > 11) {
        const std::uint8_t f = blk[11];
        h.hasDsc = true;
        h.dsc12a = bit(f, 7);
        h.dscNative420 = bit(f, 6);
        h.dscAllBpp = bit(f, 3);
        h.dsc16bpc = bit(f, 2);
        h.dsc12bpc = bit(f, 1);
        h.dsc10bpc = bit(f, 0);
    }
    if (n > 12) {
        h.dscMaxFrlRate = blk[12] >> 4;
        h.dscMaxSlices = blk[12] & 0x0F;
    }
    if (n > 13) {
        h.dscTotalChunkKBytes = (blk[13] & 0x3F) + 1;
    }
    return h;
}

// Chromaticities of Dolby Vision blocks: 1/256 steps above a base.
double dvPoint(double base, int steps) {
    return base + steps / 256.0;
}

DolbyVision decodeDolbyVision(Bytes blk, Notes& notes, int blockIndex) {
    DolbyVision dv;
    dv.length = int(blk.size());
    const std::size_t n = blk.size();
    if (n < 6) {
        notes.add(boxstatus::printfText("Block %d: Dolby Vision block without its version byte",
                                        blockIndex));
        return dv;
    }
    const std::uint8_t v = blk[5];
    dv.version = v >> 5;
    dv.yuv422_12bit = bit(v, 0);
    if (dv.version == 0) {
        dv.p2160p60 = bit(v, 1);
        dv.globalDimming = bit(v, 2);
        if (n < 22) {
            notes.add(boxstatus::printfText("Block %d: Dolby Vision version 0 block is short",
                                            blockIndex));
            return dv;
        }
        const auto twelve = [&](int high, int low, bool upperNibble) {
            return blk[high] << 4 | (upperNibble ? blk[low] >> 4 : blk[low] & 0x0F);
        };
        dv.red = {twelve(7, 6, true) / 4096.0, twelve(8, 6, false) / 4096.0};
        dv.green = {twelve(10, 9, true) / 4096.0, twelve(11, 9, false) / 4096.0};
        dv.blue = {twelve(13, 12, true) / 4096.0, twelve(14, 12, false) / 4096.0};
        dv.white = Chromaticity{twelve(16, 15, true) / 4096.0, twelve(17, 15, false) / 4096.0};
        dv.minPq = twelve(19, 18, true);
        dv.maxPq = twelve(20, 18, false);
        dv.minLuminance = pqToNits(*dv.minPq);
        dv.maxLuminance = pqToNits(*dv.maxPq);
        dv.dmMajor = blk[21] >> 4;
        dv.dmMinor = blk[21] & 0x0F;
        return dv;
    }
    dv.dmMajor = (v >> 2 & 0x07) + 2;
    if (dv.version == 1) {
        dv.p2160p60 = bit(v, 1);
        if (n < 12) {
            notes.add(boxstatus::printfText("Block %d: Dolby Vision version 1 block is short",
                                            blockIndex));
            return dv;
        }
        dv.maxLuminance = 100 + 50 * (blk[6] >> 1);
        dv.globalDimming = bit(blk[6], 0);
        const double minCode = (blk[7] >> 1) / 127.0;
        dv.minLuminance = minCode * minCode;
        dv.colorimetryP3 = bit(blk[7], 0);
        dv.lowLatency = blk[8] & 0x01;
        if (n == 15) {
            // Primaries in full 1/256 steps.
            dv.red = {blk[9] / 256.0, blk[10] / 256.0};
            dv.green = {blk[11] / 256.0, blk[12] / 256.0};
            dv.blue = {blk[13] / 256.0, blk[14] / 256.0};
        } else {
            dv.uniquePrimaries = true;
            dv.blue = {dvPoint(0.125, blk[8] >> 5), dvPoint(0.03125, blk[8] >> 2 & 0x07)};
            dv.green = {dvPoint(0, blk[9] >> 1), dvPoint(0.5, blk[10] >> 1)};
            const int ry = (blk[11] & 0x07) << 2 | (blk[10] & 0x01) << 1 | (blk[9] & 0x01);
            dv.red = {dvPoint(0.625, blk[11] >> 3), dvPoint(0.25, ry)};
        }
        return dv;
    }
    if (dv.version == 2) {
        dv.backlightControl = bit(v, 1);
        if (n < 12) {
            notes.add(boxstatus::printfText("Block %d: Dolby Vision version 2 block is short",
                                            blockIndex));
            return dv;
        }
        dv.minPq = (blk[6] >> 3) * 20;
        dv.globalDimming = bit(blk[6], 2);
        dv.backlightMinLuma = 25 * ((blk[6] & 0x03) + 1);
        dv.maxPq = 2055 + (blk[7] >> 3) * 65;
        dv.interface = blk[7] & 0x03;
        dv.minLuminance = pqToNits(*dv.minPq);
        dv.maxLuminance = pqToNits(*dv.maxPq);
        dv.yuv444 = (blk[8] & 0x01) << 1 | (blk[9] & 0x01);
        dv.uniquePrimaries = true;
        dv.green = {dvPoint(0, blk[8] >> 1), dvPoint(0.5, blk[9] >> 1)};
        dv.red = {dvPoint(0.625, blk[10] >> 3), dvPoint(0.25, blk[11] >> 3)};
        dv.blue = {dvPoint(0.125, blk[10] & 0x07), dvPoint(0.03125, blk[11] & 0x07)};
        return dv;
    }
    notes.add(boxstatus::printfText("Block %d: Dolby Vision block of unknown version %d",
                                    blockIndex, dv.version));
    return dv;
}

void decodeContent(DataBlock& block, Bytes blk, Notes& notes, int blockIndex) {
    // blk: the header byte and the payload bytes that lie inside the block area.
    const std::size_t n = blk.size();
    switch (block.kind) {
        case BlockKind::Video:
            block.content = decodeSvds(blk.subspan(1));
            break;
        case BlockKind::Ycbcr420Video:
            block.content = decodeSvds(blk.subspan(std::min<std::size_t>(2, n)));
            break;
        case BlockKind::Audio:
            block.content = decodeAudio(blk.subspan(1), notes, blockIndex);
            break;
        case BlockKind::SpeakerAllocation: {
            SpeakerAllocation s;
            for (std::size_t i = 1; i < n && i < 4; ++i) {
                s.bits |= std::uint32_t(blk[i]) << (8 * (i - 1));
            }
            block.content = s;
            break;
        }
        case BlockKind::Hdmi:
            block.content = decodeHdmi(blk);
            break;
        case BlockKind::HdmiForum:
        case BlockKind::HdmiForumSinkCapability:
            block.content = decodeHdmiForum(blk);
            break;
        case BlockKind::VideoCapability:
            if (n > 2) {
                VideoCapability c;
                c.qy = bit(blk[2], 7);
                c.qs = bit(blk[2], 6);
                c.pt = blk[2] >> 4 & 0x03;
                c.it = blk[2] >> 2 & 0x03;
                c.ce = blk[2] & 0x03;
                block.content = c;
            }
            break;
        case BlockKind::Colorimetry:
            if (n > 2) {
                Colorimetry c;
                c.bits = std::uint16_t(blk[2] | (n > 3 ? blk[3] << 8 : 0));
                block.content = c;
            }
            break;
        case BlockKind::HdrStaticMetadata:
            if (n > 2) {
                HdrStaticMetadata h;
                h.eotfs = blk[2] & 0x3F;
                if (n > 3) {
                    h.metadataTypes = blk[3];
                }
                if (n > 4) {
                    h.maxLuminanceCode = blk[4];
                }
                if (n > 5) {
                    h.maxFrameAverageCode = blk[5];
                }
                if (n > 6) {
                    h.minLuminanceCode = blk[6];
                }
                block.content = h;
            }
            break;
        case BlockKind::HdrDynamicMetadata: {
            HdrDynamicMetadata h;
            for (std::size_t at = 2; at + 2 < n; at += 1 + std::size_t(blk[at])) {
                h.types.push_back(blk[at + 1] | blk[at + 2] << 8);
            }
            block.content = h;
            break;
        }
        case BlockKind::DolbyVision:
            block.content = decodeDolbyVision(blk, notes, blockIndex);
            break;
        case BlockKind::Hdr10Plus:
            if (n > 5) {
                block.content = Hdr10Plus{blk[5] & 0x03};
            }
            break;
        case BlockKind::Ycbcr420CapabilityMap: {
            // The SVDs it marks are filled in once every video block is known.
            Ycbcr420CapabilityMap map;
            map.allSvds = n <= 2;
            if (n > 2) {
                map.bitmap.assign(blk.begin() + 2, blk.end());
            }
            block.content = std::move(map);
            break;
        }
        case BlockKind::DolbyAudio:
            block.content = decodeDolbyAudio(blk);
            break;
        case BlockKind::Amd:
            block.content = decodeAmd(blk);
            break;
        case BlockKind::HdmiForumOverride:
            if (n > 2) {
                block.content = HdmiForumOverride{blk[2]};
            }
            break;
        default:
            break;
    }
}

void classify(DataBlock& block, Bytes blk) {
    const std::size_t n = blk.size();
    if (block.tag == 7) {
        if (n < 2) {
            block.name = "Extended (empty)";
            return;
        }
        block.extendedTag = blk[1];
        block.name = "Unknown extended";
        for (const TagEntry& entry : extendedTags()) {
            if (entry.tag == block.extendedTag) {
                block.kind = entry.kind;
                block.name = entry.name;
            }
        }
    } else {
        block.name = "Unknown";
        for (const TagEntry& entry : dataBlockTags()) {
            if (entry.tag == block.tag) {
                block.kind = entry.kind;
                block.name = entry.name;
            }
        }
    }
    const bool vendor = block.kind == BlockKind::VendorSpecific ||
                        block.kind == BlockKind::VendorSpecificVideo ||
                        block.kind == BlockKind::VendorSpecificAudio;
    const std::size_t ouiAt = block.tag == 7 ? 2 : 1;
    if (!vendor || n < ouiAt + 3) {
        return;
    }
    block.oui = std::uint32_t(blk[ouiAt]) | std::uint32_t(blk[ouiAt + 1]) << 8 |
                std::uint32_t(blk[ouiAt + 2]) << 16;
    for (const VendorEntry& entry : vendorBlocks()) {
        if (entry.tag == block.tag && entry.extendedTag == block.extendedTag &&
            entry.oui == block.oui) {
            block.kind = entry.kind;
            block.name = entry.name;
        }
    }
}

void decodeCta(Bytes e, int blockIndex, DecodedEdid& out, Notes& notes, Extension& extension) {
    CtaExtension cta;
    cta.revision = e[1];
    cta.dtdOffset = e[2];
    if (cta.revision >= 2) {
        cta.underscan = bit(e[3], 7);
        cta.basicAudio = bit(e[3], 6);
        cta.ycbcr444 = bit(e[3], 5);
        cta.ycbcr422 = bit(e[3], 4);
        cta.nativeDtds = e[3] & 0x0F;
    }
    const std::size_t end = kBlockSize - 1;  // the checksum byte
    std::size_t dataEnd = 4;
    std::size_t dtdStart = end;
    const std::size_t offset = cta.dtdOffset;
    if (offset == 0) {
        // Neither detailed timings nor data blocks.
    } else if (offset < 4) {
        notes.add(boxstatus::printfText("Block %d: DTD offset %zu lies inside the block header",
                                        blockIndex, offset));
    } else if (offset > end) {
        notes.add(boxstatus::printfText("Block %d: DTD offset %zu lies past the block", blockIndex,
                                        offset));
        dataEnd = end;
    } else {
        dataEnd = offset;
        dtdStart = offset;
    }
    if (cta.revision < 3) {
        dataEnd = 4;  // no data blocks before revision 3
    }

    for (std::size_t at = 4; at < dataEnd;) {
        DataBlock block;
        block.offset = int(at);
        block.tag = e[at] >> 5;
        block.length = e[at] & 0x1F;
        std::size_t blockEnd = at + 1 + std::size_t(block.length);
        if (blockEnd > dataEnd) {
            block.truncated = true;
            notes.add(boxstatus::printfText(
                "Block %d: data block at byte %zu claims %d bytes, %zu are left", blockIndex, at,
                block.length, dataEnd - at - 1));
            blockEnd = dataEnd;
        }
        const Bytes blk = e.subspan(at, blockEnd - at);
        classify(block, blk);
        decodeContent(block, blk, notes, blockIndex);
        cta.dataBlocks.push_back(std::move(block));
        at = blockEnd;
    }

    for (std::size_t at = dtdStart; at + kDescriptorSize <= end; at += kDescriptorSize) {
        if (e[at] == 0 && e[at + 1] == 0) {
            break;  // padding after the last detailed timing
        }
        out.detailedTimings.push_back(decodeDtd(e.subspan(at, kDescriptorSize), blockIndex));
    }
    extension.cta = std::move(cta);
}

// Marks the SVDs that YCbCr 4:2:0 capability maps name: bit i stands for the
// i-th SVD byte of all video data blocks in order.
void resolveYcbcr420Maps(DecodedEdid& out) {
    std::vector<std::pair<std::size_t, Svd*>> svds;  // position over all blocks
    std::size_t entries = 0;
    for (Extension& extension : out.extensions) {
        if (!extension.cta) {
            continue;
        }
        for (DataBlock& block : extension.cta->dataBlocks) {
            if (block.kind == BlockKind::Video) {
                auto& video = std::get<VideoBlock>(block.content);
                for (Svd& svd : video.svds) {
                    svds.emplace_back(entries + std::size_t(svd.position), &svd);
                }
                entries += std::size_t(video.entries);
            }
        }
    }
    // The HDMI block's 3D mask and 3D formats count SVDs the same way.
    const auto vicAt = [&](std::size_t position) {
        for (const auto& [at, svd] : svds) {
            if (at == position) {
                return svd->vic;
            }
        }
        return 0;
    };
    for (Extension& extension : out.extensions) {
        if (!extension.cta) {
            continue;
        }
        for (DataBlock& block : extension.cta->dataBlocks) {
            auto* hdmi = std::get_if<HdmiBlock>(&block.content);
            if (hdmi == nullptr) {
                continue;
            }
            for (int i = 0; hdmi->threeDMask && i < 16; ++i) {
                if (bit(*hdmi->threeDMask, i) && vicAt(std::size_t(i)) != 0) {
                    hdmi->threeDMaskVics.push_back(vicAt(std::size_t(i)));
                }
            }
            for (HdmiBlock::ThreeDVic& v : hdmi->threeDVics) {
                v.vic = vicAt(std::size_t(v.svdIndex));
            }
        }
    }
    for (Extension& extension : out.extensions) {
        if (!extension.cta) {
            continue;
        }
        for (DataBlock& block : extension.cta->dataBlocks) {
            auto* map = std::get_if<Ycbcr420CapabilityMap>(&block.content);
            if (map == nullptr) {
                continue;
            }
            for (const auto& [position, svd] : svds) {
                const std::size_t byteAt = position / 8;
                const bool marked = map->allSvds || (byteAt < map->bitmap.size() &&
                                                     bit(map->bitmap[byteAt], int(position % 8)));
                if (marked) {
                    svd->ycbcr420Also = true;
                    map->vics.push_back(svd->vic);
                }
            }
        }
    }
}

}  // namespace

double DetailedTiming::vTotal() const {
    return interlaced ? vActive + 2.0 * vBlank + 1 : double(vActive + vBlank);
}

double DetailedTiming::refreshHz() const {
    const double total = hTotal() * vTotal();
    if (total <= 0) {
        return 0;
    }
    const double rate = pixelClockKHz * 1000.0 / total;
    return interlaced ? 2 * rate : rate;
}

double DetailedTiming::hFreqKHz() const {
    return hTotal() > 0 ? double(pixelClockKHz) / hTotal() : 0;
}

int ShortAudioDescriptor::maxBitrateKbps() const {
    return formatCode >= 2 && formatCode <= 8 ? byte3 * 8 : 0;
}

std::vector<int> ShortAudioDescriptor::bitDepths() const {
    std::vector<int> depths;
    if (formatCode == 1 || (formatCode == 15 && extensionType == 13)) {
        const auto table = lpcmBitDepths();
        for (std::size_t i = 0; i < table.size(); ++i) {
            if (bit(byte3, int(i))) {
                depths.push_back(table[i]);
            }
        }
    }
    return depths;
}

std::string ShortAudioDescriptor::formatName() const {
    const char* name =
        formatCode == 15 ? audioExtensionName(extensionType) : audioFormatName(formatCode);
    if (name != nullptr) {
        return name;
    }
    return formatCode == 15 ? boxstatus::printfText("audio extension %d", extensionType)
                            : boxstatus::printfText("audio format %d", formatCode);
}

bool ShortAudioDescriptor::joc() const {
    return formatCode == 10 && bit(byte3, 0);
}
bool ShortAudioDescriptor::jocAcmod28() const {
    return formatCode == 10 && bit(byte3, 1);
}
bool ShortAudioDescriptor::objectAudio() const {
    return formatCode == 12 && bit(byte3, 0);
}

double HdrStaticMetadata::maxLuminance() const {
    return maxLuminanceCode ? 50 * std::pow(2.0, *maxLuminanceCode / 32.0) : 0;
}

double HdrStaticMetadata::maxFrameAverage() const {
    return maxFrameAverageCode ? 50 * std::pow(2.0, *maxFrameAverageCode / 32.0) : 0;
}

double HdrStaticMetadata::minLuminance() const {
    if (!minLuminanceCode) {
        return 0;
    }
    const double ratio = *minLuminanceCode / 255.0;
    return maxLuminance() * ratio * ratio / 100;
}

const DetailedTiming* DecodedEdid::preferredTiming() const {
    return !detailedTimings.empty() && detailedTimings.front().block == 0 ? &detailedTimings.front()
                                                                          : nullptr;
}

DecodedEdid decodeEdid(std::span<const std::uint8_t> bytes) {
    DecodedEdid out;
    out.size = bytes.size();
    Notes notes(out.problems);
    if (bytes.size() < kBlockSize) {
        notes.add(
            boxstatus::printfText("EDID too short: %zu bytes, a base block has 128", bytes.size()));
        return out;
    }
    out.hasBase = true;
    std::size_t blocks = std::min(bytes.size() / kBlockSize, kMaxBlocks);
    // A box's table holds 256 bytes: an EDID of fewer blocks is followed by zeros.
    const std::size_t announcedBlocks = std::size_t(bytes[126]) + 1;
    if (announcedBlocks < blocks &&
        std::all_of(bytes.begin() + std::ptrdiff_t(announcedBlocks * kBlockSize),
                    bytes.begin() + std::ptrdiff_t(blocks * kBlockSize),
                    [](std::uint8_t b) { return b == 0; })) {
        blocks = announcedBlocks;
    }
    if (bytes.size() % kBlockSize != 0 && bytes.size() / kBlockSize < kMaxBlocks) {
        notes.add(boxstatus::printfText("%zu bytes after the last complete block ignored",
                                        bytes.size() % kBlockSize));
    } else if (bytes.size() > kMaxBlocks * kBlockSize) {
        notes.add(boxstatus::printfText("Bytes after block %zu ignored", kMaxBlocks - 1));
    }

    for (std::size_t i = 0; i < blocks; ++i) {
        const Bytes block = bytes.subspan(i * kBlockSize, kBlockSize);
        unsigned sum = 0;
        for (std::size_t k = 0; k + 1 < kBlockSize; ++k) {
            sum += block[k];
        }
        Checksum checksum;
        checksum.block = int(i);
        checksum.found = block[kBlockSize - 1];
        checksum.expected = std::uint8_t((256 - sum % 256) % 256);
        checksum.ok = checksum.found == checksum.expected;
        out.checksums.push_back(checksum);
    }

    decodeBase(bytes.first(kBlockSize), out, notes);
    const std::size_t announced = std::size_t(out.base.extensionCount);
    if (announced != blocks - 1) {
        notes.add(boxstatus::printfText("Block 0 announces %zu extension blocks, %zu are present",
                                        announced, blocks - 1));
    }

    for (std::size_t i = 1; i < blocks; ++i) {
        const Bytes block = bytes.subspan(i * kBlockSize, kBlockSize);
        Extension extension;
        extension.block = int(i);
        extension.tag = block[0];
        extension.name = "Unknown";
        for (const ExtensionTag& entry : kExtensionTags) {
            if (entry.tag == extension.tag) {
                extension.name = entry.name;
            }
        }
        if (extension.tag == 0x02) {
            decodeCta(block, int(i), out, notes, extension);
        }
        out.extensions.push_back(std::move(extension));
    }
    resolveYcbcr420Maps(out);
    return out;
}

}  // namespace edid

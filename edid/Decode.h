// Decoding of an EDID (base block and CTA-861 extensions) into a structured
// result and a readable text, for the read-only view beside the hex editor
// and for the command line. Input comes from the box or from user files, so
// nothing here trusts a length or an offset: whatever is malformed is noted
// in `problems` and decoding goes on with the bytes that are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "edid/Tables.h"

namespace edid {

struct Checksum {
    int block = 0;
    std::uint8_t found = 0;     // byte 127 of the block
    std::uint8_t expected = 0;  // the value that makes the block add up to 0
    bool ok = false;
};

// A detailed timing descriptor. Vertical values are per field for interlaced
// timings; vActive is the lines of the whole frame.
struct DetailedTiming {
    int block = 0;  // 0 for the base block
    std::uint32_t pixelClockKHz = 0;
    int hActive = 0, hBlank = 0, hFront = 0, hSync = 0;
    int vActive = 0, vBlank = 0, vFront = 0, vSync = 0;
    int hBorder = 0, vBorder = 0;
    int widthMm = 0, heightMm = 0;
    bool interlaced = false;
    int stereo = 0;  // byte 17 bits 6 and 5, then bit 0
    // Byte 17 bits 4 and 3: 0 analog composite, 1 bipolar analog composite,
    // 2 digital composite, 3 digital separate.
    int syncType = 0;
    bool serrate = false;        // analog and digital composite sync
    bool syncOnGreen = false;    // analog sync on the green signal only
    bool hSyncPositive = false;  // digital separate sync
    bool vSyncPositive = false;  // digital composite and separate sync

    // The blanking holds a border on either side of the active area: the back
    // porch is what is left, as the field's reference tool shows it.
    int hBack() const { return hBlank - hFront - hSync - 2 * hBorder; }
    int vBack() const { return vBlank - vFront - vSync - 2 * vBorder; }
    int hTotal() const { return hActive + hBlank; }
    // Lines per frame: two fields and the half line between them when interlaced.
    double vTotal() const;
    double refreshHz() const;  // field rate when interlaced
    double hFreqKHz() const;
};

struct StandardTiming {
    int width = 0;
    int height = 0;
    int refreshHz = 0;
    const char* aspect = "";
};

struct RangeLimits {
    int minVHz = 0, maxVHz = 0, minHKHz = 0, maxHKHz = 0;
    int maxPixelClockMHz = 0;
    int support = 0;  // byte 10: 0 default GTF, 1 range limits only, 2 secondary GTF, 4 CVT
};

struct Chromaticity {
    double x = 0;
    double y = 0;
};

struct BaseBlock {
    bool headerOk = false;
    std::string manufacturer;  // three letters, "GSM"
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;
    int week = 0;  // 0 when not given
    int year = 0;
    bool modelYear = false;  // week byte 0xFF: year is the model year
    int version = 0, revision = 0;
    bool digital = false;
    int widthCm = 0, heightCm = 0;  // both 0 when not given
    double gamma = 0;               // 0 when not given
    bool firstTimingPreferred = false;
    Chromaticity red, green, blue, white;
    std::vector<EstablishedTiming> established;
    std::vector<StandardTiming> standard;
    std::string name;                // display product name descriptor
    std::string serialText;          // display product serial number descriptor
    std::vector<std::string> texts;  // alphanumeric data string descriptors
    std::optional<RangeLimits> rangeLimits;
    std::vector<int> otherDescriptors;  // tags of display descriptors not decoded
    int extensionCount = 0;
};

// --- CTA-861 data blocks -------------------------------------------------


// A short video descriptor.
struct Svd {
    int vic = 0;
    bool native = false;
    int position = 0;           // among the block's SVD bytes, reserved codes included
    bool ycbcr420Also = false;  // marked in a YCbCr 4:2:0 capability map
};

// Video, YCbCr 4:2:0 video (4:2:0 only), native video resolution and video
// format preference blocks: their SVDs in order.
struct VideoBlock {
    std::vector<Svd> svds;  // reserved codes 0 and 128 left out
    int entries = 0;        // SVD bytes, reserved codes included
};

struct ShortAudioDescriptor {
    int formatCode = 0;     // 1 to 15
    int extensionType = 0;  // for format code 15
    int channels = 0;
    std::uint8_t rates = 0;              // bits 0 to 6, see audioSampleRates()
    std::uint8_t byte3 = 0;              // bit depths, bit rate or format-dependent value
    int maxBitrateKbps() const;          // format codes 2 to 8, else 0
    std::vector<int> bitDepths() const;  // L-PCM and L-PCM 3D
    std::string formatName() const;
    bool joc() const;          // E-AC-3 with joint object coding
    bool jocAcmod28() const;   // E-AC-3 with joint object coding in ACMOD 28
    bool objectAudio() const;  // MAT carrying object audio and PCM
};

struct AudioBlock {
    std::vector<ShortAudioDescriptor> descriptors;
};

struct SpeakerAllocation {
    std::uint32_t bits = 0;  // byte 1 bit 0 first, see speakerNames()
};

struct HdmiBlock {
    int length = 0;  // payload bytes after the header
    std::uint8_t physicalAddress[4] = {0, 0, 0, 0};
    bool supportsAi = false, dc48 = false, dc36 = false, dc30 = false, dcY444 = false;
    bool dviDual = false;
    int maxTmdsMHz = 0;                             // 0 when not given
    std::uint8_t contentTypes = 0;                  // bits 0 to 3, see hdmiContentTypes()
    std::optional<int> videoLatency, audioLatency;  // raw codes
    std::optional<int> interlacedVideoLatency, interlacedAudioLatency;
    bool hdmiVideoPresent = false;
    bool threeD = false;
    int threeDMulti = 0;  // 0 none, 1 structures of every VIC, 2 structures and a VIC mask, 3 reserved
    int imageSize = 0;    // what the base block's size means, see hdmiImageSizes()
    std::vector<int> hdmiVics;
    std::uint16_t threeDStructures = 0;       // 3D_Structure_ALL bits, see hdmi3dStructures()
    std::optional<std::uint16_t> threeDMask;  // bit i: the i-th SVD
    std::vector<int> threeDMaskVics;          // the VICs of the SVDs the mask names
    // A 3D format of one SVD: 2D_VIC_order and 3D_Structure, and 3D_Detail
    // for structures from 8 on.
    struct ThreeDVic {
        int svdIndex = 0;
        int vic = 0;  // 0 when the index lies beyond the SVDs
        int structure = 0;
        int detail = -1;
    };
    std::vector<ThreeDVic> threeDVics;
};

// Dolby's vendor-specific audio block.
struct DolbyAudio {
    int version = 0;
    bool headphoneOnly = false, heightZone = false, surroundZone = false, centreZone = false;
    std::optional<bool> matPcm48Only;  // from the second byte, when there is one
};

// AMD's vendor-specific block: its version and variable refresh range.
struct AmdBlock {
    std::optional<int> versionMajor, versionMinor;
    std::optional<int> minRefreshHz, maxRefreshHz;
};

// HDMI Forum vendor-specific data block and sink capability data block.
struct HdmiForumBlock {
    int length = 0;  // payload bytes after the header
    int version = 0;
    int maxTmdsCharRateMHz = 0;  // 0 when not given (340 or less)
    bool scdc = false, readRequest = false, cableStatus = false, ccbpci = false;
    bool scramblingBelow340 = false, independentView = false, dualView = false,
         osdDisparity = false;
    int maxFrlRate = 0;  // see findFrlRate()
    bool uhdVic = false, dc48_420 = false, dc36_420 = false, dc30_420 = false;
    bool hasGamingFeatures = false;  // byte of ALLM, VRR and the like present
    bool fapaStartLocation = false, allm = false, fva = false, negativeMvrr = false,
         cinemaVrr = false, mDelta = false;
    int vrrMinHz = 0, vrrMaxHz = 0;
    bool hasDsc = false;  // DSC bytes present
    bool dsc12a = false, dscNative420 = false, dscAllBpp = false, dsc16bpc = false,
         dsc12bpc = false, dsc10bpc = false;
    int dscMaxSlices = 0;
    int dscMaxFrlRate = 0;
    int dscTotalChunkKBytes = 0;  // 0 when not given
};

struct VideoCapability {
    bool qy = false;             // YCbCr quantization selectable
    bool qs = false;             // RGB quantization selectable
    int pt = 0, it = 0, ce = 0;  // scan behaviours, see scanBehaviours()
};

struct Colorimetry {
    std::uint16_t bits = 0;  // byte 2 bit 0 first, see colorimetryNames()
};

struct HdrStaticMetadata {
    std::uint8_t eotfs = 0;          // see eotfNames()
    std::uint8_t metadataTypes = 0;  // bit 0: static metadata type 1
    std::optional<int> maxLuminanceCode, maxFrameAverageCode, minLuminanceCode;
    // In cd/m2, from the codes: 50 * 2^(code / 32) for the maxima, and
    // max * (code / 255)^2 / 100 for the minimum.
    double maxLuminance() const;
    double maxFrameAverage() const;
    double minLuminance() const;
};

struct HdrDynamicMetadata {
    std::vector<int> types;
};

struct DolbyVision {
    int version = 0;
    int length = 0;  // bytes of the whole data block, header included
    bool yuv422_12bit = false, p2160p60 = false, globalDimming = false;
    bool backlightControl = false;    // version 2
    int dmMajor = 0;                  // display management version
    std::optional<int> dmMinor;       // version 0 gives major.minor, later ones major.x
    bool colorimetryP3 = false;       // version 1: P3-D65 rather than BT.709
    int lowLatency = -1;              // version 1: 0 standard only, 1 standard + low latency
    int interface = -1;               // version 2, see dolbyInterfaces()
    int backlightMinLuma = 0;         // version 2, cd/m2
    int yuv444 = 0;                   // version 2: 0 none, 1 10 bit, 2 12 bit
    std::optional<int> minPq, maxPq;  // versions 0 and 2, 12-bit PQ codes
    double minLuminance = 0;          // cd/m2
    double maxLuminance = 0;          // cd/m2
    bool uniquePrimaries = false;     // primaries coded as offsets from a reference
    Chromaticity red, green, blue;
    std::optional<Chromaticity> white;  // version 0
};

struct Hdr10Plus {
    int applicationVersion = 0;
};

struct Ycbcr420CapabilityMap {
    bool allSvds = false;              // empty map: every SVD of the video data blocks
    std::vector<std::uint8_t> bitmap;  // bit 0 of byte 0 for the first SVD
    std::vector<int> vics;             // the SVDs it marks, in order
};

struct HdmiForumOverride {
    int extensionCount = 0;
};

using BlockContent = std::variant<std::monostate, VideoBlock, AudioBlock, SpeakerAllocation,
                                  HdmiBlock, HdmiForumBlock, VideoCapability, Colorimetry,
                                  HdrStaticMetadata, HdrDynamicMetadata, DolbyVision, Hdr10Plus,
                                  Ycbcr420CapabilityMap, HdmiForumOverride, DolbyAudio, AmdBlock>;

struct DataBlock {
    BlockKind kind = BlockKind::Unknown;
    const char* name = "";
    int tag = 0;
    int extendedTag = -1;    // -1 for tags other than 7
    std::uint32_t oui = 0;   // vendor-specific blocks: 0x000C03 for HDMI
    int offset = 0;          // of the header byte in the extension block
    int length = 0;          // payload length from the header
    bool truncated = false;  // the header claims more bytes than the block area holds
    BlockContent content;
};

struct CtaExtension {
    int revision = 0;
    int dtdOffset = 0;
    bool underscan = false, basicAudio = false, ycbcr444 = false, ycbcr422 = false;
    int nativeDtds = 0;
    std::vector<DataBlock> dataBlocks;
};

struct Extension {
    int block = 0;
    std::uint8_t tag = 0;
    const char* name = "";
    std::optional<CtaExtension> cta;
};

struct DecodedEdid {
    std::size_t size = 0;  // input bytes
    bool hasBase = false;  // at least 128 bytes
    BaseBlock base;
    // Every detailed timing in order: the base block's, then the extensions'.
    std::vector<DetailedTiming> detailedTimings;
    std::vector<Extension> extensions;
    std::vector<Checksum> checksums;  // one per complete 128-byte block decoded
    std::vector<std::string> problems;

    // The first detailed timing of the base block, if any.
    const DetailedTiming* preferredTiming() const;
    // The first data block of a kind, with its content, over all extensions.
    template <class T>
    const T* find(BlockKind kind) const {
        for (const Extension& extension : extensions) {
            if (!extension.cta) {
                continue;
            }
            for (const DataBlock& block : extension.cta->dataBlocks) {
                if (block.kind == kind) {
                    if (const T* content = std::get_if<T>(&block.content)) {
                        return content;
                    }
                }
            }
        }
        return nullptr;
    }
};

// bytes: 128 or more EDID bytes as read or loaded (normally 256). Blocks of
// zeros after those the base block announces are a box table's filling, not
// extensions: a 128-byte EDID in a 256-byte table decodes as 128 bytes. Never
// reads past bytes.size(); anything malformed is reported in the result,
// never crashes.
DecodedEdid decodeEdid(std::span<const std::uint8_t> bytes);

// The readable, multi-line text of a decode, for the read-only view beside the
// hex editor and for the command line. Plain ASCII lines, short headings.
std::string describeEdid(const DecodedEdid& decoded);
std::string describeEdid(std::span<const std::uint8_t> bytes);

}  // namespace edid

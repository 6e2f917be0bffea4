// The lookup tables of the EDID decoder: one table per structure (video
// formats, audio formats, speaker positions, colorimetry and EOTF bits, FRL
// rates, established timings, data block tags). Plain data; the decoder and
// the text walk them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace edid {

// One CTA-861 video format (VIC) or HDMI VIC: active size, totals per frame
// and pixel clock, from which rates follow.
struct VideoFormat {
    int vic;
    int hActive;
    int vActive;  // lines per frame, also for interlaced formats
    bool interlaced;
    int hTotal;
    int vTotal;  // lines per frame
    std::uint32_t pixelClockKHz;
    const char* aspect;
};

// nullptr when the code is not a known VIC (0, 128 to 192, above 219).
const VideoFormat* findVic(int vic);
const VideoFormat* findHdmiVic(int hdmiVic);
std::span<const VideoFormat> vicTable();
std::span<const VideoFormat> hdmiVicTable();

// Field rate for interlaced formats, frame rate otherwise.
double refreshHz(const VideoFormat& format);
// "3840x2160p60", "720x480p59.94", "1920x1080i50"; "VIC 250" when unknown.
std::string vicName(int vic);
std::string formatName(int hActive, int vActive, bool interlaced, double refreshHz);

// Established timings I and II: bit 7 of byte 0x23 first.
struct EstablishedTiming {
    int width;
    int height;
    int refreshHz;  // nominal
    bool interlaced;
};
std::span<const EstablishedTiming> establishedTimings();

// Standard timing aspect ratios (byte 2 bits 7 and 6) of EDID 1.3 and later;
// before 1.3 code 0 meant 1:1. Height is width * numerator / denominator.
struct StandardAspect {
    const char* name;
    int numerator;
    int denominator;
};
std::span<const StandardAspect> standardAspects();

// Short audio descriptor format codes (1 to 15) and the extension types of
// code 15.
const char* audioFormatName(int code);
const char* audioExtensionName(int type);
// Sample rates of the short audio descriptor's rate bits 0 to 6, in Hz.
std::span<const int> audioSampleRates();
// Bit depths of the L-PCM descriptor's bits 0 to 2.
std::span<const int> lpcmBitDepths();

// Speaker allocation bits 0 to 23 (byte 1 bit 0 first): short name and meaning.
struct SpeakerName {
    const char* shortName;
    const char* meaning;
};
std::span<const SpeakerName> speakerNames();

// Colorimetry data block bits 0 to 15 (byte 2 bit 0 first); nullptr for bits
// without a name.
std::span<const char* const> colorimetryNames();

// HDR static metadata EOTF bits 0 to 5.
std::span<const char* const> eotfNames();

// HDMI Forum Max_FRL_Rate codes 0 to 6.
struct FrlRate {
    int code;
    int lanes;        // at the highest rate; 0 for code 0
    int gbpsPerLane;  // at the highest rate
    const char* rates;
};
const FrlRate* findFrlRate(int code);

// HDMI Forum DSC_Max_Slices codes 1 to 7.
const char* dscSlicesText(int code);

// HDMI content type bits 0 to 3 of the HDMI vendor-specific data block.
std::span<const char* const> hdmiContentTypes();

// Video capability: the meaning of the two-bit scan behaviour fields 1 to 3
// (0 is no data for PT, no such formats for IT and CE).
std::span<const char* const> scanBehaviours();

// HDMI 3D_Structure_ALL bits 0 to 15 and 3D_Structure codes 0 to 15: the same
// numbering; nullptr where reserved.
std::span<const char* const> hdmi3dStructures();
// The 3D_Detail codes of side-by-side (half), 0 to 15; nullptr where reserved.
std::span<const char* const> hdmi3dDetails();
// HDMI Image_Size codes 0 to 3: what the base block's image size means.
std::span<const char* const> hdmiImageSizes();

// Dolby Vision interface codes of block version 2 (0 to 3).
std::span<const char* const> dolbyInterfaces();

// CTA-861 data blocks: their kinds, and the tables that name them by tag
// (bits 7 to 5 of the header byte; 7 is extended), by extended tag (the byte
// after the header of a tag 7 block), and by OUI for vendor-specific blocks
// with a kind of their own.
enum class BlockKind {
    Audio,
    Video,
    VendorSpecific,  // of an OUI without its own kind
    Hdmi,
    HdmiForum,
    SpeakerAllocation,
    VesaTransferCharacteristics,
    VideoFormat,
    VideoCapability,
    VendorSpecificVideo,
    DolbyVision,
    Hdr10Plus,
    VesaDisplayDevice,
    VesaVideoTimingExtension,
    HdmiVideoReserved,
    Colorimetry,
    HdrStaticMetadata,
    HdrDynamicMetadata,
    NativeVideoResolution,
    VideoFormatPreference,
    Ycbcr420Video,
    Ycbcr420CapabilityMap,
    MiscAudioReserved,
    VendorSpecificAudio,
    DolbyAudio,
    HdmiAudio,
    RoomConfiguration,
    SpeakerLocation,
    InfoFrame,
    DisplayIdTypeVII,
    DisplayIdTypeVIII,
    DisplayIdTypeX,
    HdmiForumOverride,
    HdmiForumSinkCapability,
    Amd,
    Unknown,
};

struct TagEntry {
    int tag;
    BlockKind kind;
    const char* name;
};
std::span<const TagEntry> dataBlockTags();
std::span<const TagEntry> extendedTags();

struct VendorEntry {
    int tag;
    int extendedTag;
    std::uint32_t oui;
    BlockKind kind;
    const char* name;
};
std::span<const VendorEntry> vendorBlocks();

// The ST 2084 (PQ) curve: a 12-bit code (0 to 4095) in cd/m2.
double pqToNits(int code);

}  // namespace edid

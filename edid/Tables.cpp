#include "edid/Tables.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "status/Printf.h"

namespace edid {
namespace {

constexpr const char* k4x3 = "4:3";
constexpr const char* k16x9 = "16:9";
constexpr const char* k64x27 = "64:27";
constexpr const char* k256x135 = "256:135";

// CTA-861 video formats: VIC, active size, interlaced, totals, pixel clock.
constexpr std::array<VideoFormat, 154> kVics = {{
    {1, 640, 480, false, 800, 525, 25175, k4x3},
    {2, 720, 480, false, 858, 525, 27000, k4x3},
    {3, 720, 480, false, 858, 525, 27000, k16x9},
    {4, 1280, 720, false, 1650, 750, 74250, k16x9},
    {5, 1920, 1080, true, 2200, 1125, 74250, k16x9},
    {6, 1440, 480, true, 1716, 525, 27000, k4x3},
    {7, 1440, 480, true, 1716, 525, 27000, k16x9},
    {8, 1440, 240, false, 1716, 262, 27000, k4x3},
    {9, 1440, 240, false, 1716, 262, 27000, k16x9},
    {10, 2880, 480, true, 3432, 525, 54000, k4x3},
    {11, 2880, 480, true, 3432, 525, 54000, k16x9},
    {12, 2880, 240, false, 3432, 262, 54000, k4x3},
    {13, 2880, 240, false, 3432, 262, 54000, k16x9},
    {14, 1440, 480, false, 1716, 525, 54000, k4x3},
    {15, 1440, 480, false, 1716, 525, 54000, k16x9},
    {16, 1920, 1080, false, 2200, 1125, 148500, k16x9},
    {17, 720, 576, false, 864, 625, 27000, k4x3},
    {18, 720, 576, false, 864, 625, 27000, k16x9},
    {19, 1280, 720, false, 1980, 750, 74250, k16x9},
    {20, 1920, 1080, true, 2640, 1125, 74250, k16x9},
    {21, 1440, 576, true, 1728, 625, 27000, k4x3},
    {22, 1440, 576, true, 1728, 625, 27000, k16x9},
    {23, 1440, 288, false, 1728, 312, 27000, k4x3},
    {24, 1440, 288, false, 1728, 312, 27000, k16x9},
    {25, 2880, 576, true, 3456, 625, 54000, k4x3},
    {26, 2880, 576, true, 3456, 625, 54000, k16x9},
    {27, 2880, 288, false, 3456, 312, 54000, k4x3},
    {28, 2880, 288, false, 3456, 312, 54000, k16x9},
    {29, 1440, 576, false, 1728, 625, 54000, k4x3},
    {30, 1440, 576, false, 1728, 625, 54000, k16x9},
    {31, 1920, 1080, false, 2640, 1125, 148500, k16x9},
    {32, 1920, 1080, false, 2750, 1125, 74250, k16x9},
    {33, 1920, 1080, false, 2640, 1125, 74250, k16x9},
    {34, 1920, 1080, false, 2200, 1125, 74250, k16x9},
    {35, 2880, 480, false, 3432, 525, 108000, k4x3},
    {36, 2880, 480, false, 3432, 525, 108000, k16x9},
    {37, 2880, 576, false, 3456, 625, 108000, k4x3},
    {38, 2880, 576, false, 3456, 625, 108000, k16x9},
    {39, 1920, 1080, true, 2304, 1250, 72000, k16x9},
    {40, 1920, 1080, true, 2640, 1125, 148500, k16x9},
    {41, 1280, 720, false, 1980, 750, 148500, k16x9},
    {42, 720, 576, false, 864, 625, 54000, k4x3},
    {43, 720, 576, false, 864, 625, 54000, k16x9},
    {44, 1440, 576, true, 1728, 625, 54000, k4x3},
    {45, 1440, 576, true, 1728, 625, 54000, k16x9},
    {46, 1920, 1080, true, 2200, 1125, 148500, k16x9},
    {47, 1280, 720, false, 1650, 750, 148500, k16x9},
    {48, 720, 480, false, 858, 525, 54000, k4x3},
    {49, 720, 480, false, 858, 525, 54000, k16x9},
    {50, 1440, 480, true, 1716, 525, 54000, k4x3},
    {51, 1440, 480, true, 1716, 525, 54000, k16x9},
    {52, 720, 576, false, 864, 625, 108000, k4x3},
    {53, 720, 576, false, 864, 625, 108000, k16x9},
    {54, 1440, 576, true, 1728, 625, 108000, k4x3},
    {55, 1440, 576, true, 1728, 625, 108000, k16x9},
    {56, 720, 480, false, 858, 525, 108000, k4x3},
    {57, 720, 480, false, 858, 525, 108000, k16x9},
    {58, 1440, 480, true, 1716, 525, 108000, k4x3},
    {59, 1440, 480, true, 1716, 525, 108000, k16x9},
    {60, 1280, 720, false, 3300, 750, 59400, k16x9},
    {61, 1280, 720, false, 3960, 750, 74250, k16x9},
    {62, 1280, 720, false, 3300, 750, 74250, k16x9},
    {63, 1920, 1080, false, 2200, 1125, 297000, k16x9},
    {64, 1920, 1080, false, 2640, 1125, 297000, k16x9},
    {65, 1280, 720, false, 3300, 750, 59400, k64x27},
    {66, 1280, 720, false, 3960, 750, 74250, k64x27},
    {67, 1280, 720, false, 3300, 750, 74250, k64x27},
    {68, 1280, 720, false, 1980, 750, 74250, k64x27},
    {69, 1280, 720, false, 1650, 750, 74250, k64x27},
    {70, 1280, 720, false, 1980, 750, 148500, k64x27},
    {71, 1280, 720, false, 1650, 750, 148500, k64x27},
    {72, 1920, 1080, false, 2750, 1125, 74250, k64x27},
    {73, 1920, 1080, false, 2640, 1125, 74250, k64x27},
    {74, 1920, 1080, false, 2200, 1125, 74250, k64x27},
    {75, 1920, 1080, false, 2640, 1125, 148500, k64x27},
    {76, 1920, 1080, false, 2200, 1125, 148500, k64x27},
    {77, 1920, 1080, false, 2640, 1125, 297000, k64x27},
    {78, 1920, 1080, false, 2200, 1125, 297000, k64x27},
    {79, 1680, 720, false, 3300, 750, 59400, k64x27},
    {80, 1680, 720, false, 3168, 750, 59400, k64x27},
    {81, 1680, 720, false, 2640, 750, 59400, k64x27},
    {82, 1680, 720, false, 2200, 750, 82500, k64x27},
    {83, 1680, 720, false, 2200, 750, 99000, k64x27},
    {84, 1680, 720, false, 2000, 825, 165000, k64x27},
    {85, 1680, 720, false, 2000, 825, 198000, k64x27},
    {86, 2560, 1080, false, 3750, 1100, 99000, k64x27},
    {87, 2560, 1080, false, 3200, 1125, 90000, k64x27},
    {88, 2560, 1080, false, 3520, 1125, 118800, k64x27},
    {89, 2560, 1080, false, 3300, 1125, 185625, k64x27},
    {90, 2560, 1080, false, 3000, 1100, 198000, k64x27},
    {91, 2560, 1080, false, 2970, 1250, 371250, k64x27},
    {92, 2560, 1080, false, 3300, 1250, 495000, k64x27},
    {93, 3840, 2160, false, 5500, 2250, 297000, k16x9},
    {94, 3840, 2160, false, 5280, 2250, 297000, k16x9},
    {95, 3840, 2160, false, 4400, 2250, 297000, k16x9},
    {96, 3840, 2160, false, 5280, 2250, 594000, k16x9},
    {97, 3840, 2160, false, 4400, 2250, 594000, k16x9},
    {98, 4096, 2160, false, 5500, 2250, 297000, k256x135},
    {99, 4096, 2160, false, 5280, 2250, 297000, k256x135},
    {100, 4096, 2160, false, 4400, 2250, 297000, k256x135},
    {101, 4096, 2160, false, 5280, 2250, 594000, k256x135},
    {102, 4096, 2160, false, 4400, 2250, 594000, k256x135},
    {103, 3840, 2160, false, 5500, 2250, 297000, k64x27},
    {104, 3840, 2160, false, 5280, 2250, 297000, k64x27},
    {105, 3840, 2160, false, 4400, 2250, 297000, k64x27},
    {106, 3840, 2160, false, 5280, 2250, 594000, k64x27},
    {107, 3840, 2160, false, 4400, 2250, 594000, k64x27},
    {108, 1280, 720, false, 2500, 750, 90000, k16x9},
    {109, 1280, 720, false, 2500, 750, 90000, k64x27},
    {110, 1680, 720, false, 2750, 750, 99000, k64x27},
    {111, 1920, 1080, false, 2750, 1125, 148500, k16x9},
    {112, 1920, 1080, false, 2750, 1125, 148500, k64x27},
    {113, 2560, 1080, false, 3750, 1100, 198000, k64x27},
    {114, 3840, 2160, false, 5500, 2250, 594000, k16x9},
    {115, 4096, 2160, false, 5500, 2250, 594000, k256x135},
    {116, 3840, 2160, false, 5500, 2250, 594000, k64x27},
    {117, 3840, 2160, false, 5280, 2250, 1188000, k16x9},
    {118, 3840, 2160, false, 4400, 2250, 1188000, k16x9},
    {119, 3840, 2160, false, 5280, 2250, 1188000, k64x27},
    {120, 3840, 2160, false, 4400, 2250, 1188000, k64x27},
    {121, 5120, 2160, false, 7500, 2200, 396000, k64x27},
    {122, 5120, 2160, false, 7200, 2200, 396000, k64x27},
    {123, 5120, 2160, false, 6000, 2200, 396000, k64x27},
    {124, 5120, 2160, false, 6250, 2475, 742500, k64x27},
    {125, 5120, 2160, false, 6600, 2250, 742500, k64x27},
    {126, 5120, 2160, false, 5500, 2250, 742500, k64x27},
    {127, 5120, 2160, false, 6600, 2250, 1485000, k64x27},
    {193, 5120, 2160, false, 5500, 2250, 1485000, k64x27},
    {194, 7680, 4320, false, 11000, 4500, 1188000, k16x9},
    {195, 7680, 4320, false, 10800, 4400, 1188000, k16x9},
    {196, 7680, 4320, false, 9000, 4400, 1188000, k16x9},
    {197, 7680, 4320, false, 11000, 4500, 2376000, k16x9},
    {198, 7680, 4320, false, 10800, 4400, 2376000, k16x9},
    {199, 7680, 4320, false, 9000, 4400, 2376000, k16x9},
    {200, 7680, 4320, false, 10560, 4500, 4752000, k16x9},
    {201, 7680, 4320, false, 8800, 4500, 4752000, k16x9},
    {202, 7680, 4320, false, 11000, 4500, 1188000, k64x27},
    {203, 7680, 4320, false, 10800, 4400, 1188000, k64x27},
    {204, 7680, 4320, false, 9000, 4400, 1188000, k64x27},
    {205, 7680, 4320, false, 11000, 4500, 2376000, k64x27},
    {206, 7680, 4320, false, 10800, 4400, 2376000, k64x27},
    {207, 7680, 4320, false, 9000, 4400, 2376000, k64x27},
    {208, 7680, 4320, false, 10560, 4500, 4752000, k64x27},
    {209, 7680, 4320, false, 8800, 4500, 4752000, k64x27},
    {210, 10240, 4320, false, 12500, 4950, 1485000, k64x27},
    {211, 10240, 4320, false, 13500, 4400, 1485000, k64x27},
    {212, 10240, 4320, false, 11000, 4500, 1485000, k64x27},
    {213, 10240, 4320, false, 12500, 4950, 2970000, k64x27},
    {214, 10240, 4320, false, 13500, 4400, 2970000, k64x27},
    {215, 10240, 4320, false, 11000, 4500, 2970000, k64x27},
    {216, 10240, 4320, false, 13200, 4500, 5940000, k64x27},
    {217, 10240, 4320, false, 11000, 4500, 5940000, k64x27},
    {218, 4096, 2160, false, 5280, 2250, 1188000, k256x135},
    {219, 4096, 2160, false, 4400, 2250, 1188000, k256x135},
}};

// HDMI VICs of the HDMI vendor-specific data block.
constexpr std::array<VideoFormat, 4> kHdmiVics = {{
    {1, 3840, 2160, false, 4400, 2250, 297000, k16x9},
    {2, 3840, 2160, false, 5280, 2250, 297000, k16x9},
    {3, 3840, 2160, false, 5500, 2250, 297000, k16x9},
    {4, 4096, 2160, false, 5500, 2250, 297000, k256x135},
}};

constexpr std::array<EstablishedTiming, 17> kEstablished = {{
    {720, 400, 70, false},
    {720, 400, 88, false},
    {640, 480, 60, false},
    {640, 480, 67, false},
    {640, 480, 72, false},
    {640, 480, 75, false},
    {800, 600, 56, false},
    {800, 600, 60, false},
    {800, 600, 72, false},
    {800, 600, 75, false},
    {832, 624, 75, false},
    {1024, 768, 87, true},
    {1024, 768, 60, false},
    {1024, 768, 70, false},
    {1024, 768, 75, false},
    {1280, 1024, 75, false},
    {1152, 870, 75, false},
}};

constexpr std::array<const char*, 16> kAudioFormats = {
    nullptr, "L-PCM",         "AC-3",   "MPEG-1", "MP3", "MPEG-2", "AAC LC",  "DTS",
    "ATRAC", "One Bit Audio", "E-AC-3", "DTS-HD", "MAT", "DST",    "WMA Pro", nullptr,
};

constexpr std::array<const char*, 16> kAudioExtensions = {
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "MPEG-4 HE AAC",
    "MPEG-4 HE AAC v2",
    "MPEG-4 AAC LC",
    "DRA",
    "MPEG-4 HE AAC + MPEG Surround",
    nullptr,
    "MPEG-4 AAC LC + MPEG Surround",
    "MPEG-H 3D Audio",
    "AC-4",
    "L-PCM 3D Audio",
    "Auro-Cx",
    "MPEG-D USAC",
};

constexpr std::array<int, 7> kSampleRates = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr std::array<int, 3> kBitDepths = {16, 20, 24};

constexpr std::array<SpeakerName, 24> kSpeakers = {{
    {"FL/FR", "Front Left/Right"},
    {"LFE1", "Low Frequency Effects 1"},
    {"FC", "Front Center"},
    {"BL/BR", "Back Left/Right"},
    {"BC", "Back Center"},
    {"FLc/FRc", "Front Left/Right of Center"},
    {"RLC/RRC", "Rear Left/Right of Center"},
    {"FLw/FRw", "Front Left/Right Wide"},
    {"TpFL/TpFR", "Top Front Left/Right"},
    {"TpC", "Top Center"},
    {"TpFC", "Top Front Center"},
    {"LS/RS", "Left/Right Surround"},
    {"LFE2", "Low Frequency Effects 2"},
    {"TpBC", "Top Back Center"},
    {"SiL/SiR", "Side Left/Right"},
    {"TpSiL/TpSiR", "Top Side Left/Right"},
    {"TpBL/TpBR", "Top Back Left/Right"},
    {"BtFC", "Bottom Front Center"},
    {"BtFL/BtFR", "Bottom Front Left/Right"},
    {"TpLS/TpRS", "Top Left/Right Surround"},
    {"LSd/RSd", "Left/Right Surround Direct"},
    {nullptr, nullptr},
    {nullptr, nullptr},
    {nullptr, nullptr},
}};

constexpr std::array<const char*, 16> kColorimetry = {
    "xvYCC601",  "xvYCC709",  "sYCC601", "opYCC601",  "opRGB", "BT2020cYCC",
    "BT2020YCC", "BT2020RGB", "MD0",     "MD1",       "MD2",   "MD3",
    "Default",   "sRGB",      "ICtCp",   "ST2113RGB",
};

constexpr std::array<const char*, 6> kEotfs = {
    "SDR (traditional gamma)", "HDR (traditional gamma)", "SMPTE ST 2084", "HLG", nullptr, nullptr,
};

constexpr std::array<FrlRate, 7> kFrlRates = {{
    {0, 0, 0, "not supported"},
    {1, 3, 3, "3 Gbps on 3 lanes"},
    {2, 3, 6, "3 and 6 Gbps on 3 lanes"},
    {3, 4, 6, "3 and 6 Gbps on 3 lanes, 6 Gbps on 4 lanes"},
    {4, 4, 8, "3 and 6 Gbps on 3 lanes, 6 and 8 Gbps on 4 lanes"},
    {5, 4, 10, "3 and 6 Gbps on 3 lanes, 6, 8 and 10 Gbps on 4 lanes"},
    {6, 4, 12, "3 and 6 Gbps on 3 lanes, 6, 8, 10 and 12 Gbps on 4 lanes"},
}};

constexpr std::array<const char*, 8> kDscSlices = {
    nullptr,
    "1 slice at 340 MHz",
    "2 slices at 340 MHz",
    "4 slices at 340 MHz",
    "8 slices at 340 MHz",
    "8 slices at 400 MHz",
    "12 slices at 400 MHz",
    "16 slices at 400 MHz",
};

constexpr std::array<const char*, 4> kContentTypes = {"graphics", "photo", "cinema", "game"};

constexpr std::array<const char*, 4> kScan = {
    "",
    "always overscanned",
    "always underscanned",
    "over- and underscan",
};

constexpr std::array<const char*, 4> kDolbyInterfaces = {
    "low latency",
    "low latency + low latency over HDMI",
    "standard + low latency",
    "standard + low latency + low latency over HDMI",
};

const VideoFormat* findIn(std::span<const VideoFormat> table, int vic) {
    for (const VideoFormat& format : table) {
        if (format.vic == vic) {
            return &format;
        }
    }
    return nullptr;
}

// CTA-861 data block tags (bits 7 to 5 of the header byte); 7 is extended.
constexpr std::array<TagEntry, 6> kDataBlockTags = {{
    {1, BlockKind::Audio, "Audio"},
    {2, BlockKind::Video, "Video"},
    {3, BlockKind::VendorSpecific, "Vendor-specific"},
    {4, BlockKind::SpeakerAllocation, "Speaker allocation"},
    {5, BlockKind::VesaTransferCharacteristics, "VESA transfer characteristics"},
    {6, BlockKind::VideoFormat, "Video format"},
}};

// Extended tags: the byte after the header of a tag 7 block.
constexpr std::array<TagEntry, 23> kExtendedTags = {{
    {0, BlockKind::VideoCapability, "Video capability"},
    {1, BlockKind::VendorSpecificVideo, "Vendor-specific video"},
    {2, BlockKind::VesaDisplayDevice, "VESA display device"},
    {3, BlockKind::VesaVideoTimingExtension, "VESA video timing extension"},
    {4, BlockKind::HdmiVideoReserved, "HDMI video (reserved)"},
    {5, BlockKind::Colorimetry, "Colorimetry"},
    {6, BlockKind::HdrStaticMetadata, "HDR static metadata"},
    {7, BlockKind::HdrDynamicMetadata, "HDR dynamic metadata"},
    {8, BlockKind::NativeVideoResolution, "Native video resolution"},
    {13, BlockKind::VideoFormatPreference, "Video format preference"},
    {14, BlockKind::Ycbcr420Video, "YCbCr 4:2:0 video"},
    {15, BlockKind::Ycbcr420CapabilityMap, "YCbCr 4:2:0 capability map"},
    {16, BlockKind::MiscAudioReserved, "Miscellaneous audio (reserved)"},
    {17, BlockKind::VendorSpecificAudio, "Vendor-specific audio"},
    {18, BlockKind::HdmiAudio, "HDMI audio"},
    {19, BlockKind::RoomConfiguration, "Room configuration"},
    {20, BlockKind::SpeakerLocation, "Speaker location"},
    {32, BlockKind::InfoFrame, "InfoFrame"},
    {34, BlockKind::DisplayIdTypeVII, "DisplayID type VII timing"},
    {35, BlockKind::DisplayIdTypeVIII, "DisplayID type VIII timing"},
    {42, BlockKind::DisplayIdTypeX, "DisplayID type X timing"},
    {120, BlockKind::HdmiForumOverride, "HDMI Forum EDID extension override"},
    {121, BlockKind::HdmiForumSinkCapability, "HDMI Forum sink capability"},
}};

// Vendor-specific blocks with a kind of their own, by tag, extended tag and OUI.
constexpr std::array<VendorEntry, 6> kVendorBlocks = {{
    {3, -1, 0x00001A, BlockKind::Amd, "AMD"},
    {3, -1, 0x000C03, BlockKind::Hdmi, "HDMI"},
    {3, -1, 0xC45DD8, BlockKind::HdmiForum, "HDMI Forum"},
    {7, 1, 0x00D046, BlockKind::DolbyVision, "Dolby Vision"},
    {7, 1, 0x90848B, BlockKind::Hdr10Plus, "HDR10+"},
    {7, 17, 0x00D046, BlockKind::DolbyAudio, "Dolby audio"},
}};

constexpr std::array<StandardAspect, 4> kStandardAspects = {{
    {"16:10", 10, 16},
    {"4:3", 3, 4},
    {"5:4", 4, 5},
    {"16:9", 9, 16},
}};

}  // namespace

const VideoFormat* findVic(int vic) {
    return findIn(kVics, vic);
}
const VideoFormat* findHdmiVic(int hdmiVic) {
    return findIn(kHdmiVics, hdmiVic);
}
std::span<const VideoFormat> vicTable() {
    return kVics;
}
std::span<const VideoFormat> hdmiVicTable() {
    return kHdmiVics;
}

double refreshHz(const VideoFormat& format) {
    const double frames = format.pixelClockKHz * 1000.0 / (double(format.hTotal) * format.vTotal);
    return format.interlaced ? 2 * frames : frames;
}

std::string formatName(int hActive, int vActive, bool interlaced, double refresh) {
    const double rounded = std::round(refresh);
    const std::string rate = std::fabs(refresh - rounded) < 0.005
                                 ? boxstatus::printfText("%.0f", rounded)
                                 : boxstatus::printfText("%.2f", refresh);
    return std::to_string(hActive) + "x" + std::to_string(vActive) + (interlaced ? "i" : "p") +
           rate;
}

std::string vicName(int vic) {
    const VideoFormat* format = findVic(vic);
    if (format == nullptr) {
        return "VIC " + std::to_string(vic);
    }
    return formatName(format->hActive, format->vActive, format->interlaced, refreshHz(*format));
}

std::span<const EstablishedTiming> establishedTimings() {
    return kEstablished;
}

const char* audioFormatName(int code) {
    return code >= 0 && code < int(kAudioFormats.size()) ? kAudioFormats[code] : nullptr;
}

const char* audioExtensionName(int type) {
    return type >= 0 && type < int(kAudioExtensions.size()) ? kAudioExtensions[type] : nullptr;
}

std::span<const int> audioSampleRates() {
    return kSampleRates;
}
std::span<const int> lpcmBitDepths() {
    return kBitDepths;
}
std::span<const SpeakerName> speakerNames() {
    return kSpeakers;
}
std::span<const char* const> colorimetryNames() {
    return kColorimetry;
}
std::span<const char* const> eotfNames() {
    return kEotfs;
}

const FrlRate* findFrlRate(int code) {
    return code >= 0 && code < int(kFrlRates.size()) ? &kFrlRates[code] : nullptr;
}

const char* dscSlicesText(int code) {
    return code >= 0 && code < int(kDscSlices.size()) ? kDscSlices[code] : nullptr;
}

std::span<const char* const> hdmiContentTypes() {
    return kContentTypes;
}
std::span<const char* const> scanBehaviours() {
    return kScan;
}
std::span<const char* const> dolbyInterfaces() {
    return kDolbyInterfaces;
}

namespace {

constexpr std::array<const char*, 16> kHdmi3dStructures = {
    "frame packing", "field alternative", "line alternative", "side-by-side (full)",
    "L + depth", "L + depth + graphics + graphics-depth", "top-and-bottom", nullptr,
    "side-by-side (half)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "side-by-side (half, quincunx)",
};

constexpr std::array<const char*, 16> kHdmi3dDetails = {
    "any subsampling", "horizontal subsampling", nullptr, nullptr, nullptr, nullptr,
    "all quincunx combinations", "quincunx odd/left, odd/right", "quincunx odd/left, even/right",
    "quincunx even/left, odd/right", "quincunx even/left, even/right", nullptr, nullptr, nullptr,
    nullptr, nullptr,
};

constexpr std::array<const char*, 4> kHdmiImageSizes = {
    "no information",
    "an aspect ratio",
    "in units of 1 cm",
    "in units of 5 cm",
};

}  // namespace

std::span<const char* const> hdmi3dStructures() {
    return kHdmi3dStructures;
}
std::span<const char* const> hdmi3dDetails() {
    return kHdmi3dDetails;
}
std::span<const char* const> hdmiImageSizes() {
    return kHdmiImageSizes;
}

double pqToNits(int code) {
    // ST 2084 constants.
    constexpr double m1 = 2610.0 / 16384;
    constexpr double m2 = 2523.0 / 4096 * 128;
    constexpr double c1 = 3424.0 / 4096;
    constexpr double c2 = 2413.0 / 4096 * 32;
    constexpr double c3 = 2392.0 / 4096 * 32;
    const double e = std::pow(code / 4095.0, 1 / m2);
    const double numerator = e - c1 > 0 ? e - c1 : 0;
    return 10000 * std::pow(numerator / (c2 - c3 * e), 1 / m1);
}

std::span<const TagEntry> dataBlockTags() {
    return kDataBlockTags;
}

std::span<const TagEntry> extendedTags() {
    return kExtendedTags;
}

std::span<const VendorEntry> vendorBlocks() {
    return kVendorBlocks;
}

std::span<const StandardAspect> standardAspects() {
    return kStandardAspects;
}

}  // namespace edid

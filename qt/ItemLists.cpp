#include "ItemLists.h"

namespace gui::items {

const std::array<std::string_view, 9> kColourSpaces = {
    "FOLLOW",    "RGB - FULL", "RGB - 2020", "444 - 709",  "444 - 2020",
    "422 - 709", "422 - 2020", "420 - 709",  "420 - 2020",
};

const std::array<std::string_view, 5> kDeepColours = {
    "FOLLOW", "8-bit", "10-bit", "12-bit", "16-bit",
};

const std::array<std::string_view, 2> kScale60 = {
    "1080p60",
    "4k60",
};

const std::array<std::string_view, 2> kScale30 = {
    "1080p30",
    "4k30",
};

const std::array<std::string_view, 4> kPreset4k30 = {
    "AUTOSENSE",
    "4k30 444 8-bit 300MHz",
    "4k30 422 12-bit 300MHz",
    "1080p30 444/RGB 8-12 bit",
};

const std::array<std::string_view, 4> kPreset4k60 = {
    "AUTOSENSE",
    "4k60 420 8-bit 300MHz",
    "1080p60 444/RGB 8-12 bit",
    "1080p60 444/RGB 8 bit",
};

const std::array<std::string_view, 5> kPreset4k60Hdr = {
    "AUTOSENSE",
    "4k60 420 8-bit 300MHz",
    "4k60 420 12-bit 450MHz",
    "1080p60 444/RGB 8-12 bit",
    "1080p60 444/RGB 8 bit",
};

namespace {

// Port 1 may follow port 0; its custom tables 8 to 10 have names of their own.
constexpr std::array<std::string_view, 101> topTables() {
    std::array<std::string_view, 101> top{};
    top[0] = "Follow PORT 0 EDID";
    for (std::size_t i = 0; i < kEdidTables.size(); ++i) {
        top[i + 1] = kEdidTables[i];
    }
    top[8] = "8 - Custom EDID #8";
    top[9] = "9 - Custom EDID #9";
    top[10] = "10 - Custom EDID #10";
    return top;
}

}  // namespace

const std::array<std::string_view, 101> kEdidTablesTop = topTables();

const std::array<std::string_view, 2> kCecDeviceTypes = {
    "0x0E: Video Processor [Default]",
    "0x05: Audio System w/ARC",
};

const std::array<std::string_view, 5> kEdidAlgorithms = {
    "Min Mixed Capabilities", "Max Audio, Min Video", "BOT Output Priority",
    "TOP Output Priority",    "Max Audio, Max Video",
};

const std::array<std::string_view, 4> kHdrEotfs = {
    "SDR Luminance Range",
    "HDR Luminance Range",
    "SMPTE ST 2084",
    "HLG ITU-R BT.2100-0",
};

const std::array<std::string_view, 3> kHdrPrimaries = {
    "ITU-R BT 709-5",
    "ITU-R BT 2020-2",
    "DCI P3",
};

const std::array<std::string_view, 1> kHdrWhitePoints = {
    "D65",
};

const std::array<std::string_view, 4> kMacroHdr10Modes = {
    "Automatic (default)",
    "Ignore Metadata",
    "Semi-Automatic",
    "Custom",
};

const std::array<std::string_view, 22> kPictureModes = {
    "DO NOTHING",
    "USER 1",
    "USER 2",
    "USER 3",
    "USER 4",
    "USER 5 (2015+)",
    "USER 6 (2015+)",
    "FILM",
    "NATURAL",
    "ANIMATION",
    "THX",
    "STAGE (2014 ONLY)",
    "GAMMA NORMAL",
    "GAMMA A",
    "GAMMA B",
    "GAMMA C",
    "GAMMA CUSTOM 1",
    "GAMMA CUSTOM 2",
    "GAMMA CUSTOM 3",
    "GAMMA D",
    "GAMMA FILM 1",
    "GAMMA FILM 2",
};

const std::array<std::string_view, 3> kMacroMetadata = {
    "Max Brightness",
    "Min Brightness",
    "MaxCLL",
};

}  // namespace gui::items

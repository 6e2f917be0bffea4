#include "ItemLists.h"

namespace gui::items {

const std::array<std::string_view, 4> kInputs = {
    "PORT 0 [BOT]",
    "PORT 1 [TOP]",
    "MATRIX THRU",
    "MATRIX SWAP",
};

const std::array<std::string_view, 4> kBaudRates = {
    "9600",
    "19200",
    "57600",
    "115200",
};

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

constexpr std::array<std::string_view, 100> kTables = {
    "1 - Custom Default [FULL no DV]",
    "2 - Custom Default [FULL + LG DV]",
    "3 - Custom Default [FULL + Vizio DV]",
    "4 - Custom Default [Q9FN ALLM VRR HDR10+]",
    "5 - Custom Default [SONY A1 LLDV V2]",
    "6 - Custom Default [LG65C7 DV V1]",
    "7 - Custom Default [VizioM50E1 DV V0]",
    "8 - Custom Default EDID #8",
    "9 - Custom Default EDID #9",
    "10 - Custom Default EDID #10",
    "11 - 4K60-444 600MHz HDR BT2020 All Sound",
    "12 - 4K60-444 600MHz HDR BT2020 SPDIF",
    "13 - 4K60-444 600MHz HDR BT2020 Stereo ",
    "14 - 4K60-444 600MHz BT2020 All Sound",
    "15 - 4K60-444 600MHz BT2020 SPDIF",
    "16 - 4K60-444 600MHz BT2020 Stereo ",
    "17 - 4K60-444 600MHz All Sound",
    "18 - 4K60-444 600MHz SPDIF",
    "19 - 4K60-444 600MHz Stereo",
    "20 - 4K50-444 600MHz HDR BT2020 All Sound",
    "21 - 4K50-444 600MHz HDR BT2020 SPDIF",
    "22 - 4K50-444 600MHz HDR BT2020 Stereo",
    "23 - 4K50-444 600MHz BT2020 All Sound",
    "24 - 4K50-444 600MHz BT2020 SPDIF",
    "25 - 4K50-444 600MHz BT2020 Stereo",
    "26 - 4K50-444 600MHz All Sound",
    "27 - 4K50-444 600MHz SPDIF",
    "28 - 4K50-444 600MHz Stereo",
    "29 - 4K60-420 12bit HDR BT2020 All Sound",
    "30 - 4K60-420 12bit HDR BT2020 SPDIF",
    "31 - 4K60-420 12bit HDR BT2020 Stereo",
    "32 - 4K60-420 12bit BT2020 All Sound",
    "33 - 4K60-420 12bit BT2020 SPDIF",
    "34 - 4K60-420 12bit BT2020 Stereo",
    "35 - 4K60-420 12bit All Sound",
    "36 - 4K60-420 12bit SPDIF",
    "37 - 4K60-420 12bit Stereo",
    "38 - 4K60-420 8-bit 300MHz HDR BT2020 All Sound",
    "39 - 4K60-420 8-bit 300MHz HDR BT2020 SPDIF",
    "40 - 4K60-420 8-bit 300MHz HDR BT2020 Stereo",
    "41 - 4K60-420 8-bit 300MHz BT2020 All Sound",
    "42 - 4K60-420 8-bit 300MHz BT2020 SPDIF",
    "43 - 4K60-420 8-bit 300MHz BT2020 Stereo",
    "44 - 4K60-420 8-bit 300MHz All Sound",
    "45 - 4k60-420 8-bit 300MHz SPDIF",
    "46 - 4K60-420 8-bit 300MHz Stereo",
    "47 - 4K30-444 300MHz HDR BT2020 All Sound",
    "48 - 4K30-444 300MHz HDR BT2020 SPDIF",
    "49 - 4K30-444 300MHz HDR BT2020 Stereo",
    "50 - 4K30-444 300MHz BT2020 All Sound",
    "51 - 4K30-444 300MHz BT2020 SPDIF",
    "52 - 4K30-444 300MHz BT2020 Stereo",
    "53 - 4K30-444 300MHz All Sound",
    "54 - 4K30-444 300MHz SPDIF",
    "55 - 4K30-444 300MHz Stereo",
    "56 - 4K30-RGB 300MHz HDR BT2020 ALL audio",
    "57 - 4K30-RGB 300MHz HDR BT2020 SPDIF",
    "58 - 4K30-RGB 300MHz HDR BT2020 Stereo",
    "59 - 4K30-RGB 300MHz BT2020 ALL audio",
    "60 - 4K30-RGB 300MHz BT2020 SPDIF",
    "61 - 4K30-RGB 300MHz BT2020 Stereo",
    "62 - 4K30-RGB 300MHz ALL audio",
    "63 - 4K30-RGB 300MHz SPDIF",
    "64 - 4K30-RGB 300MHz Stereo",
    "65 - 4K24-422 12-bit HDR BT2020 All Sound",
    "66 - 4K24-422 12-bit HDR BT2020 SPDIF",
    "67 - 4K24-422 12-bit HDR BT2020 Stereo",
    "68 - 4K24-422 12-bit BT2020 All Sound",
    "69 - 4K24-422 12-bit BT2020 SPDIF",
    "70 - 4K24-422 12-bit BT2020 Stereo",
    "71 - 4K24-422 12-bit All Sound",
    "72 - 4K24-422 12-bit SPDIF",
    "73 - 4K24-422 12-bit Stereo",
    "74 - 1080p60-444 12-bit HDR BT2020 All Sound ",
    "75 - 1080p60-444 12-bit HDR BT2020 SPDIF",
    "76 - 1080p60-444 12-bit HDR BT2020 Stereo",
    "77 - 1080p60-444 12-bit BT2020 All Sound ",
    "78 - 1080p60-444 12-bit BT2020 SPDIF ",
    "79 - 1080p60-444 12-bit BT2020 Stereo",
    "80 - 1080p60-444 12-bit All Sound ",
    "81 - 1080p60-444 12-bit SPDIF ",
    "82 - 1080p60-444 12-bit Stereo",
    "83 - 1080p24-444 12-bit HDR BT2020 All Sound",
    "84 - 1080p24-444 12-bit HDR BT2020 SPDIF",
    "85 - 1080p24-444 12-bit HDR BT2020 Stereo",
    "86 - 1080p24-444 12-bit BT2020 All Sound",
    "87 - 1080p24-444 12-bit BT2020 SPDIF",
    "88 - 1080p24-444 12-bit BT2020 Stereo",
    "89 - 1080p24-444 8-bit All Sound",
    "90 - 1080p24-444 8-bit SPDIF",
    "91 - 1080p24-444 8-bit Stereo",
    "92 - 1080i60-444 8-bit All Sound",
    "93 - 1080i60-444 8-bit SPDIF",
    "94 - 1080i60-444 8-bit Stereo",
    "95 - 720p60-444 8-bit All Sound",
    "96 - 720p60-444 8-bit SPDIF",
    "97 - 720p60-444 8-bit Stereo",
    "98 - 480p60-444 8-bit All Sound",
    "99 - 480p60-444 8-bit SPDIF",
    "100 - 480p60-444 8-bit Stereo",
};

// Port 1 may follow port 0; its custom tables 8 to 10 have names of their own.
constexpr std::array<std::string_view, 101> topTables() {
    std::array<std::string_view, 101> top{};
    top[0] = "Follow PORT 0 EDID";
    for (std::size_t i = 0; i < kTables.size(); ++i) {
        top[i + 1] = kTables[i];
    }
    top[8] = "8 - Custom EDID #8";
    top[9] = "9 - Custom EDID #9";
    top[10] = "10 - Custom EDID #10";
    return top;
}

}  // namespace

const std::array<std::string_view, 100> kEdidTables = kTables;
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

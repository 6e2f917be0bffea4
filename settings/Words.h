// The words of the box's settings: the configuration file's and the command
// line's values of each worded setting, the captions that the window's combo
// boxes and the command line show, and the names of the box's EDID tables.
// Each list is written once here; the file keys, the window, the command
// line and the emulator take it from here.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace boxsettings {

// A value word and the byte it stands for.
struct Word {
    std::string_view text;
    std::uint8_t value;
};

inline constexpr Word kOnOffWords[] = {{"on", 1}, {"off", 0}};
inline constexpr Word kPriorityWords[] = {{"forced", 1}, {"normal", 0}};
inline constexpr Word kCecLaWords[] = {{"audio", 1}, {"video", 0}};
inline constexpr Word kEncLevelWords[] = {{"14", 2}, {"22", 3}};
inline constexpr Word kScaleWords[] = {{"none", 0}, {"autoscale", 1}, {"custom", 2}};
inline constexpr Word kEdidSlideWords[] = {{"automix", 1}, {"fixed", 2}, {"custom", 3}};
inline constexpr Word kEdidModeWords[] = {
    {"automix", 1}, {"fixed", 2}, {"custom", 3}, {"copytop", 4}, {"copybot", 5}};
inline constexpr Word kEdidAudioWords[] = {
    {"stereo", 1}, {"51", 2}, {"71", 3}, {"native", 4}, {"topmax", 5}};
inline constexpr Word kEdidHdrWords[] = {{"none", 0}, {"hdr", 1}, {"hlg", 2}, {"hdrhlg", 3}};

// The input routing (register 25, S[0] = index + 1): the file's words and the
// captions of cmbInputSel and the command line's status.
inline constexpr Word kInputPortWords[] = {{"bot", 1}, {"top", 2}, {"thru", 3}, {"swap", 4}};
inline constexpr std::array<std::string_view, 4> kInputCaptions = {
    "PORT 0 [BOT]",
    "PORT 1 [TOP]",
    "MATRIX THRU",
    "MATRIX SWAP",
};

// The RS-232 baud rates (register 66, S[42] = index): captions and file words
// are the same text.
inline constexpr std::array<std::string_view, 4> kBaudRateCaptions = {
    "9600",
    "19200",
    "57600",
    "115200",
};
inline constexpr std::array<Word, 4> kBaudRateWords = [] {
    std::array<Word, 4> words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = {kBaudRateCaptions[i], static_cast<std::uint8_t>(i)};
    }
    return words;
}();

// The names of the box's EDID tables 1..100, as the box and the window show them.
inline constexpr std::array<std::string_view, 100> kEdidTableNames = {
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

// The name of table 1..100, empty for another number.
constexpr std::string_view edidTableName(int table) {
    return table >= 1 && table <= static_cast<int>(kEdidTableNames.size())
               ? kEdidTableNames[static_cast<std::size_t>(table - 1)]
               : std::string_view{};
}

}  // namespace boxsettings

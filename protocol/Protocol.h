// The box's configuration protocol: request kinds, command codes, the sizes
// of its answers, its pages and EP state, the EDID table count and the serial
// number it shows on the bus. Shared by the link, the status and packet
// modules and the emulator; the firmware updater has its own flash protocol.
#pragma once

#include <cstddef>
#include <cstdint>

namespace boxlink {

inline constexpr std::uint8_t REQ_WRITE = 0x10;  // carries data or an order to the box
inline constexpr std::uint8_t REQ_READ = 0x11;   // asks the box for data

enum Command : std::uint8_t {
    CMD_REGISTER = 0xE0,
    CMD_STATUS = 0xE1,
    CMD_EP_STATE = 0xE2,
    CMD_HDR_INFOFRAME = 0xE5,
    CMD_AVI_INFOFRAME = 0xE6,
    CMD_SCALE_PARAMS = 0xE7,
    CMD_VSI_INFOFRAME = 0xE8,
    CMD_CEC_MESSAGE = 0xEA,
    CMD_OSD_PARAMS = 0xEB,
    CMD_OSD_TEXT = 0xEC,
    CMD_DV_BLOCK = 0xED,
    CMD_MACRO = 0xEF,
    CMD_RS232 = 0xF0,
    CMD_EDID_DATA = 0xB0,
    CMD_EDID_COMMIT = 0xB1,
    CMD_EDID_FETCH = 0xB4,
    CMD_EDID_FETCH_TV_A = 0xB5,
    CMD_EDID_FETCH_TV_B = 0xB6,
    CMD_EDID_FETCH_RX_BOT = 0xB7,
    CMD_EDID_FETCH_RX_TOP = 0xB8,
    CMD_PCB_REVISION = 0xB9,
};

// Byte 0 of the status block: the box echoes the command.
inline constexpr std::uint8_t kStatusEcho = CMD_STATUS;

inline constexpr std::uint32_t kMaxAnswer = 64;  // one read of at most 64 bytes
inline constexpr std::uint32_t kEpStateBlockSize = 40;
inline constexpr std::uint32_t kEpStateSize = 80;      // the program's mirror of the box's settings
inline constexpr std::uint32_t kEpStateReported = 62;  // bytes that the status block carries

// Register pages: 0..23 and the macro page 65, 64 bytes each.
inline constexpr std::size_t kPageSize = 64;
inline constexpr int kPageCount = 24;
inline constexpr int kMacroPage = 65;

// EDID tables 1..100; 1..10 are the custom ones the host may overwrite.
inline constexpr int kEdidTableCount = 100;
inline constexpr int kCustomTableCount = 10;

// The serial number string the box shows on the bus.
inline constexpr char kBoxSerial[] = "2026";

// EP state bytes by meaning (the settings' bytes are in settings/RegisterMap).
inline constexpr std::size_t kEpInput = 0;       // S[0]: 1 BOT, 2 TOP, 3 MATRIX THRU, 4 MATRIX SWAP
inline constexpr std::size_t kEpEdidSwitch = 3;  // slide switch: 1 automix, 2 fixed, 3 custom
inline constexpr std::size_t kEpHdcpLevel = 4;   // 2 HDCP 1.4, 3 HDCP 2.2
inline constexpr std::size_t kEpHdcpSwitch =
    6;  // slide switch: 1 software, 2 forced 1.4, 3 forced 2.2
inline constexpr std::size_t kEpScalerAvail = 7;    // 1 all, 2 auto only, other off
inline constexpr std::size_t kEpEdidMode = 10;      // 1..5
inline constexpr std::size_t kEpEdidTableTop = 12;  // table of port 1, 0: as port 0
inline constexpr std::size_t kEpEdidTableBot = 13;  // table of port 0
inline constexpr std::size_t kEpPreset4k30 = 26;    // and 4K60 (27), 4K60 HDR (28)
inline constexpr std::size_t kEpScaleSwitch = 44;   // slide switch: 0 none, 1 auto, 2 custom
inline constexpr std::size_t kEpAudioVolume = 47;   // and bass (48), treble (49), signed

}  // namespace boxlink

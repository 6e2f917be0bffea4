// Request kinds and command codes of the box's configuration protocol.
#pragma once

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

inline constexpr std::uint32_t kMaxAnswer = 64;  // one read of at most 64 bytes
inline constexpr std::uint32_t kEpStateBlockSize = 40;
inline constexpr std::uint32_t kEpStateSize = 80;      // the program's mirror of the box's settings
inline constexpr std::uint32_t kEpStateReported = 62;  // bytes that the status block carries

}  // namespace boxlink

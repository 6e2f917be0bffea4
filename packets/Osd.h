// The on-screen display: its parameters (register page 11) and its custom
// text (register page 12), each sent as one request. Two-byte values are
// sent high byte first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "packets/Exchange.h"
#include "status/PageBytes.h"

namespace packets {

// The information items the OSD shows, bits of OsdParams::contents.
enum OsdContent : std::uint8_t {
    kOsdSourceName = 0x01,  // cbOsdCapSpd
    kOsdVideoField = 0x02,  // cbOsdCapVid
    kOsdVideoIf = 0x04,     // cbOsdCapVidIf
    kOsdHdrRxTx = 0x08,     // cbOsdCapHdr
    kOsdHdrIf = 0x10,       // cbOsdCapHdrIf
    kOsdAudioField = 0x20,  // cbOsdCapAud
    kOsdRxHdr = 0x40,       // cbOsdCapHdrSource
    kOsdRxVideo = 0x80,     // cbOsdCapVideoRXTX
};

struct OsdParams {
    bool enabled = false;              // cbOsdEn
    bool mask = false;                 // cbOsdMask1
    std::uint8_t maskLevel = 1;        // sbOsdMask1Rate, 1 to 7
    std::uint8_t foreground = 1;       // sbOsdColorFg, colour index 0 to 31
    std::uint8_t background = 1;       // sbOsdColorBg, colour index 0 to 31
    std::uint8_t backgroundLevel = 1;  // sbOsdColorBgRate, 1 to 7
    std::uint8_t contents = 0;         // OsdContent bits
    std::uint8_t fade = 0;             // sbOsdFadeValue, 0 never fades
    std::uint8_t maskGrey = 0;         // sbOsdMask1GrayScale, 0 to 15
    bool ignoreMetadata = false;       // cbOsdIgnoreMetadata
    std::uint16_t x = 1;               // sbOsdLocX, 1 to 1920
    std::uint16_t y = 1;               // sbOsdLocY, 1 to 1080
    std::uint16_t maskX0 = 1;          // sbOsdMask1X0
    std::uint16_t maskY0 = 950;        // sbOsdMask1Y0
    std::uint16_t maskX1 = 1920;       // sbOsdMask1X1
    std::uint16_t maskY1 = 1080;       // sbOsdMask1Y1

    friend bool operator==(const OsdParams&, const OsdParams&) = default;
};

inline constexpr std::size_t kOsdParamsRequestSize = 40;
inline constexpr std::size_t kOsdTextMax = 40;
inline constexpr std::string_view kOsdParamsFailed = "Error Writing OSD values";
inline constexpr std::string_view kOsdTextFailed = "Error Writing OSD custom text values";
inline constexpr std::string_view kOsdTextTooLong = "OSD text: too many characters, max is 40";
inline constexpr std::string_view kOsdTextEmpty = "OSD text: no text is entered";

// 0x10, 0x25, 0xEB, "osdparam ", then 28 data bytes; the reserved data
// bytes 10 to 15 are 0.
Bytes osdParamsRequest(const OsdParams& params);
// Page 11 holds the 28 data bytes from byte 2. Bytes beyond a short page count as 0.
OsdParams osdParamsFromPage(boxstatus::Bytes page11);

struct OsdText {
    bool shown = false;      // cbOsdCustomText
    bool neverFade = false;  // cbOsdCustomTextFade
    std::uint16_t x = 20;    // sbCustomOsdLocX
    std::uint16_t y = 20;    // sbCustomOsdLocY
    std::string text;        // txtOsdRender, 8-bit characters, 1 to 40

    friend bool operator==(const OsdText&, const OsdText&) = default;
};

// 0x10, n + 14, 0xEC, "osdtext ", n, flags, x, y, then the n characters.
// Refused when the text is empty or longer than 40 characters.
Request osdTextRequest(const OsdText& text);
// Page 12 tells whether the text is shown (byte 3) and the text itself:
// byte 2 characters from byte 8 on, at least one and no further than the
// page, zero bytes left out. Position and fade keep their defaults.
OsdText osdTextFromPage(boxstatus::Bytes page12);
// The text part of osdTextFromPage.
std::string osdCustomText(boxstatus::Bytes page12);

// Success shows nothing; a failure shows its message for 4000 ms.
SendResult sendOsdParams(boxlink::UsbLink& link, const OsdParams& params);
SendResult sendOsdText(boxlink::UsbLink& link, const OsdText& text);

}  // namespace packets

#include "States.h"

#include <algorithm>
#include <array>
#include <vector>

namespace emu {

namespace {

using Payload = std::vector<std::uint8_t>;

constexpr const char* kTx0Tv = "lg-oled-cx-hdmi";
constexpr const char* kTx1Tv = "samsung-q800t-hdmi2.0";

Page& page(BoxState& s, int number) {
    Page& p = s.pages[number];
    return p;
}

void put16be(Page& p, std::size_t at, int value) {
    p[at] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    p[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

void put16le(Page& p, std::size_t at, int value) {
    p[at] = static_cast<std::uint8_t>(value & 0xFF);
    p[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// An HDR dynamic range and mastering infoframe: EOTF, primaries in green,
// blue, red order, white point, luminances; all in the infoframe's units.
std::vector<std::uint8_t> hdrPayload(int eotf, const std::array<int, 8>& primariesAndWhite,
                                     int maxLum, int minLum, int maxCll, int maxFall) {
    Page scratch{};
    scratch[0] = static_cast<std::uint8_t>(eotf);
    scratch[1] = 0;  // static metadata descriptor 1
    std::size_t at = 2;
    for (int v : primariesAndWhite) {
        put16le(scratch, at, v);
        at += 2;
    }
    put16le(scratch, 18, maxLum);
    put16le(scratch, 20, minLum);
    put16le(scratch, 22, maxCll);
    put16le(scratch, 24, maxFall);
    return {scratch.begin(), scratch.begin() + 26};
}

constexpr std::array<int, 8> kBt2020D65 = {8500, 39850, 6550, 2300, 35400, 14600, 15635, 16450};

void putIf(Page& p, std::uint8_t type, std::uint8_t version,
           const std::vector<std::uint8_t>& payload) {
    putInfoframe(p, type, version, payload);
}

void putSpd(Page& p, std::string_view vendor, std::string_view product, std::uint8_t source) {
    std::uint8_t payload[25] = {};
    std::copy_n(vendor.begin(), std::min<std::size_t>(vendor.size(), 8), payload);
    std::copy_n(product.begin(), std::min<std::size_t>(product.size(), 16), payload + 8);
    payload[24] = source;
    putInfoframe(p, 0x83, 0x01, payload);
}

// The settings of a box as shipped.
void factorySettings(BoxState& s) {
    EpState& S = s.ep;
    S.fill(0);
    S[0] = 1;   // input: PORT 0 [BOT]
    S[2] = 1;   // scaling: automatic
    S[3] = 3;   // EDID slide switch: custom, all EDID options available
    S[4] = 3;   // HDCP 2.2
    S[6] = 1;   // HDCP switch: software-selectable
    S[7] = 1;   // all scaling controls
    S[8] = 1;   // automatic input switching on
    S[9] = 0;   // switching priority normal
    S[10] = 1;  // EDID mode automix
    S[11] = 0;  // "Min Mixed Capabilities"
    S[12] = 0;  // TOP follows port 0
    S[13] = 1;  // custom table 1 for BOT
    S[14] = 4;  // EDID audio native
    S[15] = 1;  // BT.2020 in the EDID
    S[26] = 8;  // presets: autosense
    S[27] = 8;
    S[28] = 8;
    S[30] = 1;  // logo LED on
    S[36] = 1;  // CEC on
    S[42] = 1;  // RS-232 at 19200
    S[44] = 2;  // scale slide switch: custom (the software choice S[2] applies)
    S[47] = static_cast<std::uint8_t>(-10);  // volume -10 dB
    S[48] = 2;                               // bass +2 dB
    S[49] = static_cast<std::uint8_t>(-1);   // treble -1 dB

    putText(page(s, 0), 2, "FW: 0.61");

    // Scaler: port 0 upscales 1080p60; everything else follows the source.
    for (int p : {9, 10}) {
        Page& sc = page(s, p);
        for (std::size_t g = 0; g < 4; ++g) {
            sc[2 + 4 * g] = 0;
            sc[3 + 4 * g] = 0;
            sc[4 + 4 * g] = 0x23;  // colour space FOLLOW
            sc[5 + 4 * g] = 6;     // deep colour FOLLOW
        }
    }
    page(s, 9)[10] = 1;     // 1080p60 converted
    page(s, 9)[11] = 1;     // to 4K
    page(s, 10)[2] = 1;     // port 1 4K60 converted
    page(s, 10)[3] = 0;     // to 1080p60
    page(s, 10)[4] = 0x12;  // 444 - 709
    page(s, 10)[5] = 1;     // 8-bit

    // OSD parameters (page 11 bytes 2..29 mirror the request's bytes 12..39).
    Page& osd = page(s, 11);
    osd[2] = 1;     // OSD enabled
    osd[3] = 0;     // mask off
    osd[4] = 4;     // mask level
    osd[5] = 31;    // foreground colour
    osd[6] = 0;     // background colour
    osd[7] = 4;     // background level
    osd[8] = 0x3F;  // source name, video, video IF, HDR, HDR IF, audio
    osd[9] = 30;    // fade
    osd[10] = 8;    // mask grey level
    put16be(osd, 18, 20);
    put16be(osd, 20, 20);
    put16be(osd, 22, 1);
    put16be(osd, 24, 1);
    put16be(osd, 26, 1920);
    put16be(osd, 28, 1080);

    // OSD custom text, hidden.
    Page& text = page(s, 12);
    text[2] = 9;
    text[3] = 0;
    put16be(text, 4, 20);
    put16be(text, 6, 20);
    putText(text, 8, "VORTILAN2");

    // Stored custom infoframes: HDR10 BT.2020 1000 nits, AVI 4K60 4:2:0, HDMI VSI.
    putIf(page(s, 14), 0x87, 0x01, hdrPayload(2, kBt2020D65, 1000, 50, 1000, 400));
    putIf(page(s, 15), 0x82, 0x02, Payload{0x70, 0xE8, 0x60, 0x61, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    putIf(page(s, 16), 0x81, 0x01, Payload{0x03, 0x0C, 0x00, 0x00, 0x00});

    // Projector macros: off; three thresholds prepared.
    Page& m = page(s, kMacroPage);
    m[2] = 0x00;  // macros off
    m[3] = 0;     // HDR10 mode automatic
    m[4] = 0x07;  // macros 0..2 enabled
    const int macros[6][3] = {{0, 1000, 1}, {0, 4000, 2}, {2, 0, 3},
                              {0, 0, 0},    {0, 0, 0},    {0, 0, 0}};
    for (std::size_t k = 0; k < 6; ++k) {
        m[5 + 4 * k] = static_cast<std::uint8_t>(macros[k][0]);
        put16le(m, 6 + 4 * k, macros[k][1]);
        m[8 + 4 * k] = static_cast<std::uint8_t>(macros[k][2]);
    }
    m[29] = 0;  // macro 6 C
    m[30] = 5;  // delay
    s.pcbRevision = 1;
}

void putSinks(BoxState& s, const char* tx0, const char* tx1) {
    s.sinks[0] = tx0 != nullptr ? embeddedEdid(tx0) : std::nullopt;
    s.sinks[1] = tx1 != nullptr ? embeddedEdid(tx1) : std::nullopt;
    for (int tx = 0; tx < 2; ++tx) {
        Page& p = page(s, 7 + tx);
        p.fill(0);
        if (s.sinks[static_cast<std::size_t>(tx)]) {
            putText(p, 10, monitorName(*s.sinks[static_cast<std::size_t>(tx)]));
        }
    }
}

// The Dolby Vision block that the box holds: version 1, L = 14.
void putDolbyVisionBlock(BoxState& s) {
    Page& p = page(s, 13);
    p.fill(0);
    const std::uint8_t block[] = {
        0xEE,              // tag 7, length 14
        0x01,              // extended tag: vendor-specific video
        0x46, 0xD0, 0x00,  // OUI
        0x2B,              // version 1, DM 2, 2160p60, YUV422 12 bit
        0x25,              // target max 1000 nits, global dimming
        0x02,              // target min code 1
        0x00, 0xAE, 0x52,  // red 0.680, 0.320
        0x44, 0xB0,        // green 0.265, 0.690
        0x26, 0x0F,        // blue 0.150, 0.060
    };
    std::copy(std::begin(block), std::end(block), p.begin() + 2);
}

// One input's pages: what the box reports about its source (video and audio
// texts, captured infoframes) and what TX0 and TX1 show while fed from it.
struct Source {
    const char* video;
    const char* audio;
    const char* tx0;
    const char* tx1;
};

InputPages& putSource(BoxState& s, int port, const Source& source) {
    InputPages& in = s.inputs[static_cast<std::size_t>(port)];
    putText(in[1], 6, source.video);
    putText(in[3], 2, source.audio);
    putText(in[5], 6, source.tx0);
    putText(in[6], 6, source.tx1);
    return in;
}

// Port 1: a 1080p60 SDR streaming stick, passed through to both TVs.
void putPort1Source(BoxState& s) {
    InputPages& in =
        putSource(s, 1,
                  {"1920x1080p60 RGB 8bit SDR HDCP1.4", "PCM 2ch 48kHz 16bit",
                   "1920x1080p60 RGB 8bit SDR HDCP1.4", "1920x1080p60 RGB 8bit SDR HDCP1.4"});
    putSpd(in[17], "Streamer", "HD Media Stick", 0x01);
    // AVI: RGB, 16:9, BT.709, VIC 16 (1920x1080p60).
    putIf(in[18], 0x82, 0x02, Payload{0x10, 0xA8, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    // Audio: 2 channels, stream-defined coding.
    putIf(in[19], 0x84, 0x01, Payload{0x01, 0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0});
}

BoxState makeDefault() {
    BoxState s;
    factorySettings(s);
    putSinks(s, kTx0Tv, kTx1Tv);
    InputPages& in =
        putSource(s, 0,
                  {"3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2", "TrueHD Atmos 8ch 48kHz HBR",
                   "3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2",
                   "3840x2160p60 YCbCr420 10bit BT2020 HDR10 HDCP2.2"});
    putPort1Source(s);
    putDolbyVisionBlock(s);
    putSpd(in[17], "Mediabox", "UHD Player 4K", 0x01);
    // AVI: YCbCr 4:2:2, 16:9, BT.2020, VIC 97 (3840x2160p60).
    putIf(in[18], 0x82, 0x02, Payload{0x30, 0xE8, 0x60, 0x61, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    // Audio: 8 channels, stream-defined coding, 7.1 speaker layout.
    putIf(in[19], 0x84, 0x01, Payload{0x07, 0x00, 0x00, 0x13, 0x00, 0, 0, 0, 0, 0});
    // HDR10: ST 2084, BT.2020 in green, blue, red order, D65, 1000 / 0.005 nits, MaxCLL 1000,
    // MaxFALL 400.
    putIf(in[20], 0x87, 0x01, hdrPayload(2, kBt2020D65, 1000, 50, 1000, 400));
    // HDMI vendor-specific infoframe without an extended format.
    putIf(in[21], 0x81, 0x01, Payload{0x03, 0x0C, 0x00, 0x00, 0x00});
    return s;
}

BoxState makeSdr() {
    BoxState s;
    factorySettings(s);
    putSinks(s, kTx0Tv, kTx1Tv);
    InputPages& in = putSource(
        s, 0,
        {"1920x1080p60 RGB 8bit SDR HDCP1.4", "PCM 2ch 48kHz 24bit",
         "3840x2160p60 RGB 8bit SDR HDCP1.4 (upscaled)", "1920x1080p60 RGB 8bit SDR HDCP1.4"});
    putPort1Source(s);
    putSpd(in[17], "Mediabox", "HD Player", 0x01);
    // AVI: RGB, 16:9, BT.709, VIC 16 (1920x1080p60).
    putIf(in[18], 0x82, 0x02, Payload{0x10, 0xA8, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    putIf(in[19], 0x84, 0x01, Payload{0x01, 0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0});
    return s;  // no HDR infoframe, no Dolby Vision block, no vendor-specific infoframe
}

BoxState makeHlg() {
    BoxState s;
    factorySettings(s);
    putSinks(s, kTx0Tv, kTx1Tv);
    InputPages& in = putSource(s, 0,
                               {"3840x2160p50 YCbCr420 10bit BT2020 HLG HDCP2.2", "E-AC3 6ch 48kHz",
                                "3840x2160p50 YCbCr420 10bit BT2020 HLG HDCP2.2",
                                "3840x2160p50 YCbCr420 10bit BT2020 HLG HDCP2.2"});
    putPort1Source(s);
    putDolbyVisionBlock(s);
    putSpd(in[17], "Tunerbox", "UHD Broadcast", 0x01);
    // AVI: YCbCr 4:2:0, 16:9, BT.2020, VIC 96 (3840x2160p50).
    putIf(in[18], 0x82, 0x02, Payload{0x70, 0xE8, 0x60, 0x60, 0x00, 0, 0, 0, 0, 0, 0, 0, 0});
    putIf(in[19], 0x84, 0x01, Payload{0x05, 0x00, 0x00, 0x0B, 0x00, 0, 0, 0, 0, 0});
    // HLG: no mastering data.
    putIf(in[20], 0x87, 0x01, hdrPayload(3, {}, 0, 0, 0, 0));
    return s;
}

BoxState makeNoSignal() {
    BoxState s;
    factorySettings(s);
    putSinks(s, kTx0Tv, kTx1Tv);
    for (int port : {0, 1}) {
        putSource(s, port, {"No Signal", "No Audio", "No Signal", "No Signal"});
    }
    putDolbyVisionBlock(s);
    return s;
}

BoxState makeOneTv() {
    BoxState s = makeDefault();
    putSinks(s, kTx0Tv, nullptr);
    for (InputPages& in : s.inputs) {
        putText(in[6], 6, "No TV connected");
    }
    return s;
}

const NamedState kStates[] = {
    {"default",
     "4K60 HDR10 source on port 0 (Dolby Vision block held), 1080p60 on port 1, TVs on TX0 and TX1",
     makeDefault},
    {"sdr", "1080p60 SDR source on port 0: no HDR infoframe, no Dolby Vision block", makeSdr},
    {"hlg", "4K50 HLG broadcast on port 0: HDR infoframe with EOTF 3 and no mastering data",
     makeHlg},
    {"nosignal", "no source on either input, TVs on TX0 and TX1", makeNoSignal},
    {"onetv", "as default, but no TV on TX1", makeOneTv},
};

}  // namespace

std::span<const NamedState> namedStates() {
    return kStates;
}

std::optional<BoxState> findState(std::string_view name) {
    for (const NamedState& s : kStates) {
        if (name == s.name) {
            return s.make();
        }
    }
    return std::nullopt;
}

BoxState defaultState() {
    return makeDefault();
}

}  // namespace emu

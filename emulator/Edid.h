// EDIDs of the emulated box: the names of its 100 tables, a generator that
// builds a valid 256-byte EDID (base block and one CTA-861 extension) from a
// short description, and small helpers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/Protocol.h"

namespace emu {

using Edid = std::array<std::uint8_t, 256>;

using boxlink::kCustomTableCount;  // tables 1..10 may be overwritten
using boxlink::kEdidTableCount;

// The caption of table n (1..100) as the utility lists it, e.g. "11 - 4K60-444 ...".
std::string_view edidTableName(int table);

enum class VideoFormat {
    k4K60,
    k4K50,
    k4K30,
    k4K24,
    k1080p60,
    k1080p24,
    k1080i60,
    k720p60,
    k480p60,
};
enum class Chroma { kRgb, k444, k422, k420 };
enum class AudioChoice { kAll, kSpdif, kStereo };

struct EdidProfile {
    std::string monitorName;  // at most 13 characters are stored
    VideoFormat format = VideoFormat::k1080p60;
    Chroma chroma = Chroma::k444;
    int bits = 8;         // 8, 10 or 12
    int maxTmdsMhz = 0;   // 0: what the format needs
    bool hdr = false;     // HDR static metadata (HDR10 and HLG)
    bool bt2020 = false;  // colorimetry block with BT.2020
    AudioChoice audio = AudioChoice::kAll;
    bool dolbyVision = false;
    bool hdr10Plus = false;
    bool allm = false;
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;
};

// Reads a table description such as "4K60-420 12bit HDR BT2020 SPDIF".
std::optional<EdidProfile> profileFromDescription(std::string_view description);

Edid makeEdid(const EdidProfile& profile);

// The initial content of table n (1..100).
Edid defaultTableEdid(int table);

// The fixed EDID that the box presents in its "fixed" EDID mode (4K60 4:2:0,
// 300 MHz, 8 bit, 2-channel audio).
Edid fixedEdid();

// The byte that makes a 128-byte block add up to 0 modulo 256.
std::uint8_t blockChecksum(const std::uint8_t* block);
bool checksumsValid(const Edid& edid);
void fixChecksums(Edid& edid);

// The text of the monitor-name descriptor of the base block, empty if none.
std::string monitorName(const Edid& edid);

// The EDID of an embedded sink file (see emulator/edids), by its name.
std::optional<Edid> embeddedEdid(std::string_view name);

}  // namespace emu

// The settings that a configuration file carries, as the window holds them:
// the box's settings mirror (the EP state) and the values of the settings
// that the window keeps in its own widgets (OSD, macros, scaler, texts). The
// export writes one; the import changes one line by line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/Protocol.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"

namespace config {

struct Snapshot {
    std::array<std::uint8_t, boxlink::kEpStateSize> epState{};

    // Combo box indices; -1 for none.
    int inputIndex = -1;          // cmbInputSel: routing - 1
    int edidAlgoIndex = -1;       // cmbEdidAlgo
    int edidTableBotIndex = -1;   // cmBEdid: table - 1
    int edidTableTopIndex = -1;   // cmbEdidTop: table, 0 follows port 0
    int baudRateIndex = -1;       // cmbBaudRate
    int preset4k30Index = -1;     // cmbPreset4k30
    int preset4k60Index = -1;     // cmbPreset4k60
    int preset4k60HdrIndex = -1;  // cmbPreset4k60Hdr
    int cecLaIndex = -1;          // cmbLa

    // The EDID option boxes that follow their register on import.
    bool edidHdr = false;        // cbHdr
    bool edidHlg = false;        // cbHlg
    bool edidBt2020 = false;     // cbBt2020
    bool edidYuvRemove = false;  // cbYUV
    bool edid3dRemove = false;   // cb3D
    bool dvCopy = false;         // cbDv
    bool dvRemove = false;       // cbDvRemove
    bool dvLimit = false;        // cbDvLimit

    packets::OsdParams osd;
    packets::OsdText osdText;
    packets::Macros macros;
    std::array<packets::ScalerPort, 2> scaler{};

    // Plain texts of the editors.
    std::string hdrText;  // HDRCustomText
    std::string aviText;  // AVICustomText
    std::string vsiText;  // VSICustomText
    std::string cecText;  // CECtext
    std::string dvText;   // txtDvBlock

    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

}  // namespace config

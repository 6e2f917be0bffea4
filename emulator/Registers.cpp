#include "Registers.h"

#include "settings/RegisterMap.h"

namespace emu {

namespace {

constexpr RegisterName kRegisters[] = {
    {25, "input"},
    {26, "automatic switching"},
    {27, "switching priority"},
    {28, "scaling mode"},
    {29, "EDID mode"},
    {30, "HDCP level"},
    {31, "EDID algorithm"},
    {32, "EDID table BOT"},
    {33, "EDID table TOP"},
    {34, "EDID audio"},
    {35, "EDID BT.2020"},
    {36, "EDID YCbCr removal"},
    {37, "EDID 3D removal"},
    {38, "EDID HDR"},
    {39, "Dolby Vision flags"},
    {40, "custom HDR infoframe"},
    {41, "HDR infoframe disabled"},
    {42, "custom AVI infoframe"},
    {43, "AVI infoframe disabled"},
    {44, "custom VSI"},
    {45, "VSI disabled"},
    {46, "4K30 preset"},
    {47, "4K60 preset"},
    {48, "4K60 HDR preset"},
    {50, "logo LED"},
    {56, "CEC"},
    {57, "CEC device type"},
    {58, "HTPC mode"},
    {boxsettings::kRegMacroRepeat, "macro repeat"},
    {66, "RS-232 baud rate"},
    {67, "ARC HBR audio"},
    {68, "auto scaling without upscaling"},
    {69, "audio volume", true},
    {70, "audio bass", true},
    {71, "audio treble", true},
    {72, "mute BOT audio"},
    {73, "HDR options"},
};

}  // namespace

std::span<const RegisterName> registerNames() {
    return kRegisters;
}

const RegisterName* findRegisterName(std::uint8_t reg) {
    for (const RegisterName& info : kRegisters) {
        if (info.reg == reg) {
            return &info;
        }
    }
    return nullptr;
}

std::optional<std::size_t> registerEpByte(std::uint8_t reg) {
    if (const auto byte = boxsettings::registerByte(reg)) {
        return *byte;
    }
    return std::nullopt;
}

}  // namespace emu

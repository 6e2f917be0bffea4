#include "edid/Modes.h"

#include <array>

namespace edid {

namespace {

constexpr std::array<ModeInfo, 5> kModes = {{
    {EdidMode::Automix, "automix", "automixEDID", "AUTOMIX", false},
    {EdidMode::Fixed, "fixed", "fixedEDID", "FIXED EDID [4K60 420 300MHz 8bit 2ch audio]", false},
    {EdidMode::Custom, "custom", "customEDID", "CUSTOM Select:", true},
    {EdidMode::CopyTop, "copy-top", "rbCopyTopEDID", "COPY TOP SINK", true},
    {EdidMode::CopyBot, "copy-bot", "rbCopyBotEDID", "COPY BOT SINK", true},
}};

}  // namespace

std::span<const ModeInfo> edidModes() {
    return kModes;
}

const ModeInfo& modeInfo(EdidMode mode) {
    return kModes[static_cast<std::size_t>(mode) - 1];
}

std::optional<EdidMode> modeByName(std::string_view name) {
    for (const ModeInfo& info : kModes) {
        if (info.name == name) {
            return info.mode;
        }
    }
    return std::nullopt;
}

std::optional<EdidMode> modeFromValue(int value) {
    if (value < 1 || value > static_cast<int>(kModes.size())) {
        return std::nullopt;
    }
    return static_cast<EdidMode>(value);
}

bool uploadAllowed(std::optional<EdidMode> mode, int table) {
    if (mode && !modeInfo(*mode).allowsUpload) {
        return false;
    }
    return isCustomTable(table);
}

}  // namespace edid

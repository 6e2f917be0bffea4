// The widgets of the two ports' scaler grids, by port and format (4K60, 4K30,
// 1080p60, 1080p30): the one list that the window's scaler form, its
// configuration import and the status mirror use.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace boxsettings {

struct ScalerRowWidgets {
    std::string_view convert;      // check box
    std::string_view resolution;   // combo box; empty for a row that has none
    std::string_view colourSpace;  // combo box
    std::string_view deepColour;   // combo box
};

inline constexpr std::size_t kScalerPorts = 2;
inline constexpr std::size_t kScalerRows = 4;

inline constexpr std::array<std::array<ScalerRowWidgets, kScalerRows>, kScalerPorts>
    kScalerWidgets = {{
        {{{"cb4k60ModePort0", {}, "cmb4k60Port0Cs", "cmb4k60Port0Dc"},
          {"cb4k30ModePort0", {}, "cmb4k30Port0Cs", "cmb4k30Port0Dc"},
          {"cb1080p60ModePort0", "cmb1080p60Port0Scale", "cmb1080p60Port0Cs", "cmb1080p60Port0Dc"},
          {"cb1080p30ModePort0", "cmb1080p30Port0Scale", "cmb1080p30Port0Cs",
           "cmb1080p30Port0Dc"}}},
        {{{"cb4k60ModePort1", "cmb4k60Port1Scale", "cmb4k60Port1Cs", "cmb4k60Port1Dc"},
          {"cb4k30ModePort1", "cmb4k30Port1Scale", "cmb4k30Port1Cs", "cmb4k30Port1Dc"},
          {"cb1080p60ModePort1", {}, "cmb1080p60Port1Cs", "cmb1080p60Port1Dc"},
          {"cb1080p30ModePort1", {}, "cmb1080p30Port1Cs", "cmb1080p30Port1Dc"}}},
    }};

// Every widget of both grids, port 0 first, each row's in the order convert,
// resolution, colour space, deep colour.
inline constexpr std::size_t kScalerWidgetCount = 28;
constexpr std::array<std::string_view, kScalerWidgetCount> scalerWidgetNames() {
    std::array<std::string_view, kScalerWidgetCount> names{};
    std::size_t n = 0;
    for (const auto& port : kScalerWidgets) {
        for (const ScalerRowWidgets& row : port) {
            for (const std::string_view name :
                 {row.convert, row.resolution, row.colourSpace, row.deepColour}) {
                if (!name.empty()) {
                    names[n++] = name;
                }
            }
        }
    }
    return names;
}

}  // namespace boxsettings

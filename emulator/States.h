// Named states of the emulated box: the box as shipped (factory settings)
// with a given source on its inputs and given TVs on its outputs.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Box.h"

namespace emu {

struct NamedState {
    const char* name;
    const char* summary;
    BoxState (*make)();
};

// "default" first.
std::span<const NamedState> namedStates();
std::optional<BoxState> findState(std::string_view name);

// A 4K60 HDR10 source on port 0, a 1080p60 source on port 1, TVs on both outputs.
BoxState defaultState();

}  // namespace emu

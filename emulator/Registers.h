// The setting registers as the emulator's trace names them. Which EP state
// byte keeps a register's value comes from the settings' register map, the
// one table of register and byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace emu {

struct RegisterName {
    std::uint8_t reg;
    const char* name;
    bool isSigned = false;  // traced as a signed value
};

// Every register the box keeps in its EP state, ascending.
std::span<const RegisterName> registerNames();
const RegisterName* findRegisterName(std::uint8_t reg);
// The EP state byte that keeps the register's value; nothing for a register
// that is an order (hot plug, factory reset) or unknown.
std::optional<std::size_t> registerEpByte(std::uint8_t reg);

}  // namespace emu

// printf-style formatting into a std::string of any length, for the
// emulator's trace, control and status texts.
#pragma once

#include <cstdio>
#include <string>

namespace emu {

template <typename... Args>
std::string strf(const char* fmt, Args... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, fmt, args...);
    if (n < 0) {
        return {};
    }
    const auto size = static_cast<std::size_t>(n);
    if (size < sizeof buffer) {
        return std::string(buffer, size);
    }
    std::string out(size, '\0');
    std::snprintf(out.data(), size + 1, fmt, args...);
    return out;
}

}  // namespace emu

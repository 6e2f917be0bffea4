// Text helpers and the rows of the updater window's status lines.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace updater {

inline constexpr int kStatusRow = 10;
inline constexpr int kWarningRow = 30;
inline constexpr int kPartRow = 40;
inline constexpr int kPowerCycleRow = 60;
inline constexpr int kWaitRow = 80;
inline constexpr int kReconfigureRow = 100;

// Lines formatted by formatLine hold at most this many characters, terminator included.
inline constexpr std::size_t kFormatBuffer = 80;

// text followed by blanks up to width characters; a longer text is kept whole.
std::string padded(const std::string& text, std::size_t width);

// printf-style formatting that stops at kFormatBuffer - 1 characters.
std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace updater
